// The key map "key.ini" applied from bytes, then read back through the tables and one keyboard
// read over fixed devices: every stored value must stay where the reads can use it safely.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "media/GxInput.h"
#include "platform/GxInputDevices.h"

namespace {

// Every key and button held, so that any code the map names is looked up.
class AllDown final : public GxInputDevices
{
public:
    int32_t StartKeyboardSystem() override { return 0; }
    int32_t CreateKeyboard(GxWindowHandle) override { return 0; }
    void ReleaseKeyboard() override {}
    int32_t CreateJoypads(GxWindowHandle) override { return 2; }
    void ReleaseJoypads() override {}
    int32_t Acquire(int32_t) override { return 0; }
    void Unacquire(int32_t) override {}
    int32_t ReadKeyboard(uint8_t keys[256]) override
    {
        for (int i = 0; i < 256; ++i) keys[i] = 0x80;
        return 0;
    }
    int32_t PollJoypad(int32_t) override { return 0; }
    int32_t ReadJoypad(int32_t, GxJoypadState& state) override
    {
        for (uint8_t& b : state.buttons) b = 0x80;
        state.x = 1000;
        return 0;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static AllDown devices;
    GxInput::SetDevices(&devices);
    GxInput::Release();
    GxInput::ApplyKeyConfig(std::string_view(reinterpret_cast<const char*>(data), size));
    GxInput::Create(1);
    GxInput::CreateJoypads(1);
    for (int i = 0; i < 3; ++i) {
        const uint32_t word = GxInput::PollAll();
        if ((word & GxInputBit::NoDevice) && word != GxInputBit::NoDevice) abort();
    }
    GxInput::Release();
    return 0;
}
