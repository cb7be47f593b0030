#include "media/GxInput.h"

#include <cstdio>
#include <string>

#include "core/GxLog.h"
#include "platform/GxInputDevices.h"

namespace {

constexpr int32_t kLinesPerSection = 24;
constexpr size_t kLineChars = 255;  // one read of a line; the rest of a longer line reads as the next
constexpr int32_t kDefaultKeys[GxInput::kKeyRows] = {200, 208, 203, 205, 44, 45, 46, 47, 30, 31, 32, 33};
// Key-table rows of the directions in the order the state word and the latches take them.
constexpr int32_t kDirectionRows[4] = {1, 0, 2, 3};  // down, up, left, right
constexpr uint32_t kHeldBits[4] = {GxInputBit::Down, GxInputBit::Up, GxInputBit::Left, GxInputBit::Right};
constexpr uint32_t kPressedBits[4] = {GxInputBit::DownPressed, GxInputBit::UpPressed, GxInputBit::LeftPressed,
                                      GxInputBit::RightPressed};
constexpr uint32_t kRepeatBits[4] = {GxInputBit::DownRepeat, GxInputBit::UpRepeat, GxInputBit::LeftRepeat,
                                     GxInputBit::RightRepeat};

struct InputState
{
    GxInputDevices* devices = nullptr;  // null: SDL's
    bool created[3] = {};               // keyboard, first joypad, second joypad
    bool keyboardTried = false;         // the device layer was asked: it has something to release
    bool joypadsTried = false;
    uint32_t deviceMask = 0;
    bool needsAcquire[3] = {};
    bool active = true;
    int32_t retryCounter = 0;
    int32_t deviceNumber[2] = {0, 1};
    int32_t keys[GxInput::kKeyRows][2] = {};
    int32_t pads[GxInput::kPadRows][2] = {};
    bool latches[2][12] = {};
    int32_t repeat[2][4] = {};
    uint32_t stateWords[2] = {};
};

InputState& State()
{
    static InputState s;
    return s;
}

GxInputDevices& Devices()
{
    InputState& s = State();
    return s.devices ? *s.devices : GxGetSdlInputDevices();
}

// As atoi: leading white space, a sign, digits; anything else ends the number. Saturates
// instead of overflowing.
int32_t ToInt(std::string_view line)
{
    size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || (line[i] >= '\t' && line[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < line.size() && (line[i] == '+' || line[i] == '-')) negative = line[i++] == '-';
    int64_t v = 0;
    for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
        v = v * 10 + (line[i] - '0');
        if (v > 0x80000000LL) v = 0x80000000LL;
    }
    if (negative) v = -v;
    return v > INT32_MAX ? INT32_MAX : static_cast<int32_t>(v);
}

void StoreLine(InputState& s, int32_t section, int32_t line, int32_t value)
{
    if (line == 2) s.deviceNumber[section] = value;
    else if (line == 4) s.keys[0][section] = value;
    else if (line == 5) s.keys[1][section] = value;
    else if (line == 6) s.keys[3][section] = value;  // right before left in the file
    else if (line == 7) s.keys[2][section] = value;
    else if (line >= 8 && line <= 15) s.keys[4 + line - 8][section] = value;
    else if (line >= 17 && line <= 24) s.pads[line - 17][section] = value;
}

// The pressed bits and repeat pulses of one read; down: the directions and buttons held.
uint32_t ApplyCommonRules(int32_t index, const bool (&down)[12])
{
    InputState& s = State();
    uint32_t word = 0;
    for (int d = 0; d < 4; ++d) {
        bool& latch = s.latches[index][d];
        int32_t& k = s.repeat[index][d];
        if (!down[d]) {
            latch = false;
            k = 0;
            continue;
        }
        word |= kHeldBits[d];
        if (!latch) word |= kPressedBits[d];
        latch = true;
        if (k <= 0) {
            word |= kRepeatBits[d];
            ++k;
        } else if (k < 15) {
            ++k;
        } else {
            k = 12;
            word |= kRepeatBits[d];
        }
    }
    for (int n = 0; n < 8; ++n) {
        bool& latch = s.latches[index][4 + n];
        if (!down[4 + n]) {
            latch = false;
            continue;
        }
        word |= GxInputBit::ButtonHeld0 << n;
        if (!latch) word |= GxInputBit::ButtonPressed0 << n;
        latch = true;
    }
    return word;
}

uint32_t ReadKeyboard(int32_t index)
{
    InputState& s = State();
    if (!s.created[0]) return GxInputBit::NoDevice;
    uint8_t keys[256] = {};
    const int32_t r = Devices().ReadKeyboard(keys);
    if (r != GxInputResult::Ok) {
        if (s.active && r == GxInputResult::InputLost)
            s.needsAcquire[0] = Devices().Acquire(GxInputDevices::kKeyboard) != GxInputResult::Ok;
        return 0;
    }
    // A key code outside the state array (from the key map) is never down.
    auto isDown = [&](int32_t row) {
        const int32_t code = s.keys[row][0];
        return code >= 0 && code < 256 && (keys[code] & 0x80) != 0;
    };
    bool down[12] = {};
    for (int d = 0; d < 4; ++d) down[d] = isDown(kDirectionRows[d]);
    for (int n = 0; n < 8; ++n) down[4 + n] = isDown(4 + n);
    return ApplyCommonRules(index, down);
}

uint32_t ReadJoypad(int32_t pad, int32_t index)
{
    InputState& s = State();
    if (!s.created[1 + pad]) return GxInputBit::NoDevice;
    GxInputDevices& dev = Devices();
    if (dev.PollJoypad(pad) != GxInputResult::Ok) {
        // While the input stays lost, a read gives up after a few tries instead of spinning.
        int32_t r = GxInputResult::InputLost;
        for (int32_t i = 0; i < GxInput::kReacquireTries && r == GxInputResult::InputLost; ++i)
            r = dev.Acquire(GxInputDevices::kJoypad0 + pad);
        if (r == GxInputResult::InputLost) return 0;
    }
    GxJoypadState js;
    if (dev.ReadJoypad(pad, js) != GxInputResult::Ok) return 0;
    bool down[12] = {};
    down[0] = js.y > 500;
    down[1] = js.y < -500;
    down[2] = js.x < -500;
    down[3] = js.x > 500;
    for (int n = 0; n < 8; ++n) {
        const int32_t b = s.pads[n][pad];
        // A button number outside the state (from the key map) is never down.
        down[4 + n] = b >= 0 && b < GxJoypadState::kButtonCount && (js.buttons[b] & 0x80) != 0;
    }
    return ApplyCommonRules(index, down);
}

void RetryAcquire()
{
    InputState& s = State();
    if (!s.active) return;
    if (++s.retryCounter < GxInput::kRetryPeriod) return;
    s.retryCounter = 0;
    for (int32_t d = 0; d < 3; ++d) {
        if (s.needsAcquire[d] && Devices().Acquire(d) == GxInputResult::Ok) s.needsAcquire[d] = false;
    }
}

}  // namespace

void GxInput::SetDevices(GxInputDevices* devices) { State().devices = devices; }

void GxInput::ResetKeyConfig()
{
    InputState& s = State();
    s.deviceNumber[0] = 0;
    s.deviceNumber[1] = 1;
    for (int32_t r = 0; r < kKeyRows; ++r) s.keys[r][0] = s.keys[r][1] = kDefaultKeys[r];
    for (int32_t r = 0; r < kPadRows; ++r) s.pads[r][0] = s.pads[r][1] = r;
}

void GxInput::ApplyKeyConfig(std::string_view text)
{
    ResetKeyConfig();
    InputState& s = State();
    size_t pos = 0;
    for (int32_t n = 0; n < 2 * kLinesPerSection && pos < text.size(); ++n) {
        // A line as one bounded line read takes it: through the newline or 255 characters.
        size_t end = pos;
        while (end < text.size() && end - pos < kLineChars) {
            if (text[end++] == '\n') break;
        }
        StoreLine(s, n / kLinesPerSection, n % kLinesPerSection + 1, ToInt(text.substr(pos, end - pos)));
        pos = end;
    }
}

uint32_t GxInput::LoadKeyConfig(GxWindowHandle window)
{
    InputState& s = State();
    std::string text;
    if (FILE* f = std::fopen("key.ini", "rb")) {
        // Nothing past the two sections' worth of line reads can matter.
        char buffer[2 * kLinesPerSection * kLineChars];
        text.assign(buffer, std::fread(buffer, 1, sizeof(buffer), f));
        std::fclose(f);
        ApplyKeyConfig(text);
    } else {
        ResetKeyConfig();
    }
    s.deviceMask = 0;
    if (Create(window)) s.deviceMask |= 1;
    const int32_t pads = CreateJoypads(window);
    if (pads >= 1) s.deviceMask |= 2;
    if (pads >= 2) s.deviceMask |= 4;
    return PollAll();
}

bool GxInput::Create(GxWindowHandle window)
{
    InputState& s = State();
    GxInputDevices& dev = Devices();
    s.keyboardTried = true;
    if (const int32_t r = dev.StartKeyboardSystem()) {
        GxPrintErrorLog(u"キーボードの初期化に失敗1,%d", r);
        return false;
    }
    if (const int32_t r = dev.CreateKeyboard(window)) {
        GxPrintErrorLog(u"キーボードの初期化に失敗2,%d", r);
        return false;
    }
    s.created[0] = true;
    s.needsAcquire[0] = dev.Acquire(GxInputDevices::kKeyboard) != GxInputResult::Ok;
    return true;
}

int32_t GxInput::CreateJoypads(GxWindowHandle window)
{
    InputState& s = State();
    GxInputDevices& dev = Devices();
    s.joypadsTried = true;
    int32_t count = dev.CreateJoypads(window);
    count = count < 0 ? 0 : count > 2 ? 2 : count;
    for (int32_t p = 0; p < count; ++p) {
        s.created[1 + p] = true;
        s.needsAcquire[1 + p] = dev.Acquire(GxInputDevices::kJoypad0 + p) != GxInputResult::Ok;
    }
    return count;
}

uint32_t GxInput::PollAll()
{
    InputState& s = State();
    s.stateWords[0] = Poll(0);
    s.stateWords[1] = Poll(1);
    return s.stateWords[1];
}

uint32_t GxInput::Poll(int32_t index)
{
    InputState& s = State();
    if (index < 0 || index > 1) return 0;
    if (s.needsAcquire[0] || s.needsAcquire[1] || s.needsAcquire[2]) RetryAcquire();
    switch (s.deviceNumber[index]) {
    case 0: return ReadKeyboard(index);
    case 1: return ReadJoypad(0, index);
    case 2: return ReadJoypad(1, index);
    default: return 0;
    }
}

void GxInput::SetActive(int32_t active)
{
    InputState& s = State();
    s.active = active != 0;
    // First joypad, second joypad, keyboard.
    for (int32_t d : {1, 2, 0}) {
        if (!s.created[d]) continue;
        if (!s.active) Devices().Unacquire(d);
        else s.needsAcquire[d] = Devices().Acquire(d) != GxInputResult::Ok;
    }
}

bool GxInput::IsActive() { return State().active; }

bool GxInput::Release()
{
    InputState& s = State();
    GxInputDevices& dev = Devices();
    for (int32_t d : {1, 2}) {
        if (s.created[d]) dev.Unacquire(d);
    }
    if (s.joypadsTried) dev.ReleaseJoypads();
    if (s.keyboardTried) dev.ReleaseKeyboard();
    GxInputDevices* devices = s.devices;
    s = InputState();
    s.devices = devices;
    return true;
}

int32_t GxInput::GetDeviceNumber(int32_t index) { return index == 0 || index == 1 ? State().deviceNumber[index] : 0; }

int32_t GxInput::GetKeyCode(int32_t row, int32_t column)
{
    return row >= 0 && row < kKeyRows && column >= 0 && column < 2 ? State().keys[row][column] : 0;
}

int32_t GxInput::GetPadButton(int32_t row, int32_t column)
{
    return row >= 0 && row < kPadRows && column >= 0 && column < 2 ? State().pads[row][column] : 0;
}

uint32_t GxInput::GetDeviceMask() { return State().deviceMask; }

uint32_t GxInput::GetStateWord(int32_t index) { return index == 0 || index == 1 ? State().stateWords[index] : 0; }
