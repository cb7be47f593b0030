// Direct keyboard and joypad input: the key map "key.ini" read from the current folder, the state
// words over a fake keyboard state and SDL's virtual joystick through the program's SDL devices,
// losing and regaining the focus, and the retries.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <array>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "media/GxInput.h"
#include "platform/GxInputDevices.h"
#include "tests/app/core_test_util.h"
#include "tests/game/game_test_util.h"

namespace {

constexpr GxWindowHandle kWindow = 7;

// The keyboard state and the focus the SDL devices see.
struct FakeKeyboard
{
    static std::array<uint8_t, SDL_NUM_SCANCODES>& Keys()
    {
        static std::array<uint8_t, SDL_NUM_SCANCODES> keys{};
        return keys;
    }
    static bool& Focus()
    {
        static bool focus = true;
        return focus;
    }
};

// A temporary current folder with an optional "key.ini", the SDL devices over the fake keyboard,
// and everything released afterwards.
class InputTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FakeKeyboard::Keys().fill(0);
        FakeKeyboard::Focus() = true;
        GxSdlInputOptions o;
        o.keyboardState = [](int* count) -> const uint8_t* {
            *count = SDL_NUM_SCANCODES;
            return FakeKeyboard::Keys().data();
        };
        o.hasFocus = [](GxWindowHandle window) { return window == kWindow && FakeKeyboard::Focus(); };
        GxSetSdlInputOptions(o);
        GxInput::SetDevices(nullptr);
    }
    void TearDown() override
    {
        GxInput::Release();
        GxInput::SetDevices(nullptr);
        GxSetSdlInputOptions(GxSdlInputOptions());
    }
    void WriteKeyIni(const std::string& text) { coretest::WriteFile(m_Game.game / "key.ini", text); }
    static void Hold(SDL_Scancode key, bool down) { FakeKeyboard::Keys()[key] = down ? 1 : 0; }

    coretest::TempGame m_Game{""};
    coretest::ScopedCwd m_Cwd{m_Game.game};
};

// A key map with section 0's lines replaced where given (line number -> text).
std::string KeyIni(const std::vector<std::pair<int, std::string>>& lines, int count, const char* eol = "\n")
{
    std::vector<std::string> text(static_cast<size_t>(count), "; comment");
    for (const auto& [n, t] : lines) text[static_cast<size_t>(n - 1)] = t;
    std::string out;
    for (const std::string& l : text) out += l + eol;
    return out;
}

struct KeyMapCase
{
    const char* name;
    bool write;
    std::string text;
    int32_t device[2];
    int32_t keys[12][2];  // up, down, left, right, buttons 0..7; column 0 and 1
    int32_t pads[8][2];
};

constexpr int32_t D(int32_t r) { return std::array<int32_t, 12>{200, 208, 203, 205, 44, 45, 46, 47, 30, 31, 32, 33}[r]; }

KeyMapCase Defaults(const char* name, bool write, std::string text)
{
    KeyMapCase c{name, write, std::move(text), {0, 1}, {}, {}};
    for (int r = 0; r < 12; ++r) c.keys[r][0] = c.keys[r][1] = D(r);
    for (int r = 0; r < 8; ++r) c.pads[r][0] = c.pads[r][1] = r;
    return c;
}

std::vector<KeyMapCase> KeyMapCases()
{
    std::vector<KeyMapCase> cases;
    cases.push_back(Defaults("missing file", false, ""));

    KeyMapCase five = Defaults("five lines", true, KeyIni({{2, "2"}, {4, "17"}, {5, "18"}}, 5));
    five.device[0] = 2;
    five.keys[0][0] = 17;
    five.keys[1][0] = 18;
    cases.push_back(five);

    KeyMapCase order = Defaults("line 6 is right, line 7 left", true, KeyIni({{2, "0"}, {4, "200"}, {5, "208"}, {6, "50"}, {7, "51"}}, 7));
    order.keys[3][0] = 50;
    order.keys[2][0] = 51;
    cases.push_back(order);

    // Section 0 untouched (comments only), section 1 filled.
    std::string both = KeyIni({}, 24);
    both += KeyIni({{2, "2"}, {4, "1"}, {5, "2"}, {6, "3"}, {7, "4"}, {8, "5"}, {15, "12"}, {17, "20"}, {24, "27"}}, 24);
    KeyMapCase second = Defaults("section 1 fills column 1", true, both);
    second.device[0] = 0;  // a comment line where the device number stands reads 0
    for (int r = 0; r < 12; ++r) second.keys[r][0] = 0;
    for (int r = 0; r < 8; ++r) second.pads[r][0] = 0;
    second.device[1] = 2;
    second.keys[0][1] = 1;
    second.keys[1][1] = 2;
    second.keys[3][1] = 3;
    second.keys[2][1] = 4;
    second.keys[4][1] = 5;
    second.keys[11][1] = 12;
    for (int r = 5; r < 11; ++r) second.keys[r][1] = 0;
    second.pads[0][1] = 20;
    for (int r = 1; r < 7; ++r) second.pads[r][1] = 0;
    second.pads[7][1] = 27;
    cases.push_back(second);

    KeyMapCase junk = Defaults("junk reads as atoi reads it", true,
                               KeyIni({{2, "x1"}, {4, "  +12abc"}, {5, "-7"}, {6, ""}, {7, "\t99999999999"}}, 7));
    junk.device[0] = 0;
    junk.keys[0][0] = 12;
    junk.keys[1][0] = -7;
    junk.keys[3][0] = 0;
    junk.keys[2][0] = 2147483647;
    cases.push_back(junk);

    KeyMapCase crlf = Defaults("CR LF endings", true, KeyIni({{2, "1"}, {4, "30"}, {5, "31"}}, 5, "\r\n"));
    crlf.device[0] = 1;
    crlf.keys[0][0] = 30;
    crlf.keys[1][0] = 31;
    cases.push_back(crlf);

    // A comment of 300 characters is two line reads: everything after it moves down one line.
    KeyMapCase longLine = Defaults("a line longer than one read", true,
                                   KeyIni({{1, std::string(300, 'c')}, {3, "2"}, {5, "60"}}, 5));
    longLine.device[0] = 0;  // the comment's second part
    longLine.keys[0][0] = 2;
    longLine.keys[1][0] = 0;  // the comment that stood on line 4
    longLine.keys[3][0] = 60;
    cases.push_back(longLine);

    KeyMapCase range = Defaults("codes outside the tables are kept", true, KeyIni({{4, "300"}, {17, "200"}}, 17));
    range.keys[0][0] = 300;
    for (int r = 1; r < 12; ++r) range.keys[r][0] = 0;
    range.keys[1][0] = 0;
    range.device[0] = 0;
    range.pads[0][0] = 200;
    cases.push_back(range);
    return cases;
}

class KeyMapTest : public InputTest, public ::testing::WithParamInterface<KeyMapCase>
{
};

TEST_P(KeyMapTest, FillsTheTablesByLinePosition)
{
    const KeyMapCase& c = GetParam();
    if (c.write) WriteKeyIni(c.text);
    GxInput::LoadKeyConfig(kWindow);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(GxInput::GetDeviceNumber(i), c.device[i]) << "index " << i;
    for (int col = 0; col < 2; ++col) {
        for (int r = 0; r < 12; ++r) EXPECT_EQ(GxInput::GetKeyCode(r, col), c.keys[r][col]) << "key row " << r << " col " << col;
        for (int r = 0; r < 8; ++r) EXPECT_EQ(GxInput::GetPadButton(r, col), c.pads[r][col]) << "pad row " << r << " col " << col;
    }
}

INSTANTIATE_TEST_SUITE_P(Input, KeyMapTest, ::testing::ValuesIn(KeyMapCases()),
                         [](const auto& info) {
                             std::string n;
                             for (char ch : std::string(info.param.name)) n += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                             return n;
                         });

TEST_F(InputTest, AHeldDirectionPulsesAtReadsOneSixteenThenEveryFourth)
{
    GxInput::LoadKeyConfig(kWindow);
    EXPECT_EQ(GxInput::GetDeviceMask() & 1u, 1u);
    Hold(SDL_SCANCODE_DOWN, true);
    Hold(SDL_SCANCODE_Z, true);  // button 0
    for (int read = 1; read <= 25; ++read) {
        const uint32_t w = GxInput::Poll(0);
        const bool pulse = read == 1 || read == 16 || read == 20 || read == 24;
        EXPECT_EQ(w & GxInputBit::Down, GxInputBit::Down) << read;
        EXPECT_EQ((w & GxInputBit::DownPressed) != 0, read == 1) << read;
        EXPECT_EQ((w & GxInputBit::DownRepeat) != 0, pulse) << read;
        EXPECT_EQ(w & GxInputBit::ButtonHeld0, GxInputBit::ButtonHeld0) << read;
        EXPECT_EQ((w & GxInputBit::ButtonPressed0) != 0, read == 1) << read;
        EXPECT_EQ(w & ~(GxInputBit::Down | GxInputBit::DownPressed | GxInputBit::DownRepeat | GxInputBit::ButtonHeld0 |
                        GxInputBit::ButtonPressed0),
                  0u)
            << read;
    }
    // Let go and press again: a fresh press with its first pulse.
    Hold(SDL_SCANCODE_DOWN, false);
    EXPECT_EQ(GxInput::Poll(0) & (GxInputBit::Down | GxInputBit::DownRepeat), 0u);
    Hold(SDL_SCANCODE_DOWN, true);
    EXPECT_EQ(GxInput::Poll(0) & (GxInputBit::DownPressed | GxInputBit::DownRepeat),
              GxInputBit::DownPressed | GxInputBit::DownRepeat);
}

TEST_F(InputTest, EveryControlOfTheDefaultKeyboardMapSetsItsBit)
{
    GxInput::LoadKeyConfig(kWindow);
    struct Key
    {
        SDL_Scancode key;
        uint32_t held;
    };
    const Key keys[] = {{SDL_SCANCODE_UP, GxInputBit::Up},       {SDL_SCANCODE_DOWN, GxInputBit::Down},
                        {SDL_SCANCODE_LEFT, GxInputBit::Left},   {SDL_SCANCODE_RIGHT, GxInputBit::Right},
                        {SDL_SCANCODE_Z, 0x1000},   {SDL_SCANCODE_X, 0x2000},   {SDL_SCANCODE_C, 0x4000},
                        {SDL_SCANCODE_V, 0x8000},   {SDL_SCANCODE_A, 0x10000},  {SDL_SCANCODE_S, 0x20000},
                        {SDL_SCANCODE_D, 0x40000},  {SDL_SCANCODE_F, 0x80000}};
    for (const Key& k : keys) {
        Hold(k.key, true);
        const uint32_t w = GxInput::Poll(0);
        EXPECT_EQ(w & 0xFF00F, k.held) << SDL_GetScancodeName(k.key);
        Hold(k.key, false);
        EXPECT_EQ(GxInput::Poll(0), 0u) << SDL_GetScancodeName(k.key);
    }
}

TEST_F(InputTest, KeyAndButtonCodesOutsideTheStateReadAsNotPressed)
{
    // Up on key 300, left on key -1, button 0 on pad button 200; right stays on the arrow key.
    WriteKeyIni(KeyIni({{2, "0"}, {4, "300"}, {5, "208"}, {6, "205"}, {7, "-1"}, {8, "-5"}, {17, "200"}, {18, "-1"}}, 24));
    GxInput::LoadKeyConfig(kWindow);
    FakeKeyboard::Keys().fill(1);
    const uint32_t w = GxInput::Poll(0);
    EXPECT_EQ(w & (GxInputBit::Up | GxInputBit::Left | GxInputBit::ButtonHeld0), 0u);
    EXPECT_EQ(w & (GxInputBit::Down | GxInputBit::Right), GxInputBit::Down | GxInputBit::Right);
}

TEST_F(InputTest, UnboundAndMissingDevices)
{
    // Index 0 bound to device 3, index 1 to the second joypad, which does not exist.
    WriteKeyIni(KeyIni({{2, "3"}}, 24) + KeyIni({{2, "2"}}, 24));
    GxInput::LoadKeyConfig(kWindow);
    FakeKeyboard::Keys().fill(1);
    EXPECT_EQ(GxInput::Poll(0), 0u);
    EXPECT_EQ(GxInput::Poll(1), GxInputBit::NoDevice);
    EXPECT_EQ(GxInput::PollAll(), GxInputBit::NoDevice);
    EXPECT_EQ(GxInput::GetStateWord(0), 0u);
    EXPECT_EQ(GxInput::GetStateWord(1), GxInputBit::NoDevice);
    EXPECT_EQ(GxInput::Poll(2), 0u) << "there are two input indexes";
}

TEST_F(InputTest, LosingTheFocusReleasesTheKeyboardAndRegainingItAcquiresAgain)
{
    GxInput::LoadKeyConfig(kWindow);
    Hold(SDL_SCANCODE_RIGHT, true);
    EXPECT_NE(GxInput::Poll(0) & GxInputBit::Right, 0u);

    FakeKeyboard::Focus() = false;
    GxInput::SetActive(0);
    EXPECT_FALSE(GxInput::IsActive());
    for (int i = 0; i < 100; ++i) ASSERT_EQ(GxInput::Poll(0), 0u) << i;

    FakeKeyboard::Focus() = true;
    GxInput::SetActive(1);
    EXPECT_EQ(GxInput::Poll(0) & GxInputBit::Right, GxInputBit::Right);

    // Focus gone without a deactivation: the read that notices it gives 0 and tries to acquire at
    // once, which fails while the focus is away; the retry of the 60th read then takes it back.
    FakeKeyboard::Focus() = false;
    EXPECT_EQ(GxInput::Poll(0), 0u);
    FakeKeyboard::Focus() = true;
    for (int read = 1; read < 60; ++read) ASSERT_EQ(GxInput::Poll(0), 0u) << read;
    EXPECT_EQ(GxInput::Poll(0) & GxInputBit::Right, GxInputBit::Right);
}

TEST_F(InputTest, AFailedAcquireIsRetriedOnEverySixtiethRead)
{
    FakeKeyboard::Focus() = false;
    Hold(SDL_SCANCODE_UP, true);
    GxInput::LoadKeyConfig(kWindow);  // its first reads (two) count
    FakeKeyboard::Focus() = true;
    for (int read = 3; read < 60; ++read) ASSERT_EQ(GxInput::Poll(0), 0u) << read;
    EXPECT_NE(GxInput::Poll(0) & GxInputBit::Up, 0u) << "the 60th read acquires first";

    // While inactive the retry does not count.
    GxInput::Release();
    FakeKeyboard::Focus() = false;
    GxInput::LoadKeyConfig(kWindow);
    GxInput::SetActive(0);
    FakeKeyboard::Focus() = true;
    for (int read = 0; read < 200; ++read) ASSERT_EQ(GxInput::Poll(0), 0u) << read;
}

// SDL's virtual joystick as the first joypad.
class JoypadTest : public InputTest
{
protected:
    void SetUp() override
    {
        InputTest::SetUp();
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
        m_Device = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 16, 0);
        ASSERT_GE(m_Device, 0) << SDL_GetError();
        m_Stick = SDL_JoystickOpen(m_Device);
        ASSERT_NE(m_Stick, nullptr) << SDL_GetError();
    }
    void TearDown() override
    {
        InputTest::TearDown();
        if (m_Stick) SDL_JoystickClose(m_Stick);
        if (m_Device >= 0) SDL_JoystickDetachVirtual(m_Device);
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    }
    void Axes(int16_t x, int16_t y)
    {
        SDL_JoystickSetVirtualAxis(m_Stick, 0, x);
        SDL_JoystickSetVirtualAxis(m_Stick, 1, y);
    }
    void Button(int b, bool down) { SDL_JoystickSetVirtualButton(m_Stick, b, down ? 1 : 0); }

    int m_Device = -1;
    SDL_Joystick* m_Stick = nullptr;
};

TEST(InputAxis, SdlAxesScaleToAThousand)
{
    EXPECT_EQ(GxScaleJoypadAxis(0), 0);
    EXPECT_EQ(GxScaleJoypadAxis(32767), 1000);
    EXPECT_EQ(GxScaleJoypadAxis(-32768), -1000);
    EXPECT_EQ(GxScaleJoypadAxis(16384), 500);
    EXPECT_EQ(GxScaleJoypadAxis(16417), 501);
    EXPECT_EQ(GxScaleJoypadAxis(-16384), -500);
    EXPECT_EQ(GxScaleJoypadAxis(-16417), -501);
}

TEST_F(JoypadTest, AxesBeyondFiveHundredAndButtonsByTheMap)
{
    // Index 1 reads the first joypad by default; its button 0 is mapped to pad button 5.
    WriteKeyIni(KeyIni({{2, "0"}, {17, "5"}, {18, "1"}, {19, "10"}, {20, "11"}, {21, "12"}, {22, "13"}, {23, "14"},
                        {24, "15"}},
                       24) +
                KeyIni({{2, "1"}}, 24));
    GxInput::LoadKeyConfig(kWindow);
    EXPECT_EQ(GxInput::GetDeviceMask(), 3u) << "keyboard and one joypad";

    struct AxisCase
    {
        int16_t x, y;
        uint32_t held;
    };
    const AxisCase cases[] = {{16384, 0, 0},
                              {-16384, 0, 0},
                              {0, 16384, 0},
                              {0, -16384, 0},
                              {16417, 0, GxInputBit::Right},
                              {-16417, 0, GxInputBit::Left},
                              {0, 16417, GxInputBit::Down},
                              {0, -16417, GxInputBit::Up},
                              {32767, -32768, GxInputBit::Right | GxInputBit::Up}};
    for (const AxisCase& c : cases) {
        Axes(c.x, c.y);
        EXPECT_EQ(GxInput::Poll(1) & 0xF, c.held) << c.x << "," << c.y;
        Axes(0, 0);
        GxInput::Poll(1);
    }

    Button(5, true);
    uint32_t w = GxInput::Poll(1);
    EXPECT_EQ(w & 0xFF0, GxInputBit::ButtonPressed0);
    EXPECT_EQ(w & 0xFF000, GxInputBit::ButtonHeld0);
    EXPECT_EQ(GxInput::Poll(1) & 0xFF0, 0u) << "pressed only at the first read";
    Button(5, false);
    Button(0, true);  // pad button 0 is nobody's button now
    Button(1, true);  // button 1
    w = GxInput::Poll(1);
    EXPECT_EQ(w & 0xFF000, GxInputBit::ButtonHeld0 << 1);

    // A held stick repeats like a held key.
    Axes(32767, 0);
    std::vector<int> pulses;
    for (int read = 1; read <= 25; ++read)
        if (GxInput::Poll(1) & GxInputBit::RightRepeat) pulses.push_back(read);
    EXPECT_EQ(pulses, (std::vector<int>{1, 16, 20, 24}));
}

TEST_F(JoypadTest, FocusLossAndNoHotPlugging)
{
    GxInput::LoadKeyConfig(kWindow);
    Button(0, true);
    EXPECT_NE(GxInput::Poll(1) & GxInputBit::ButtonHeld0, 0u);
    FakeKeyboard::Focus() = false;
    GxInput::SetActive(0);
    EXPECT_EQ(GxInput::Poll(1), 0u);
    FakeKeyboard::Focus() = true;
    GxInput::SetActive(1);
    EXPECT_NE(GxInput::Poll(1) & GxInputBit::ButtonHeld0, 0u);

    // A joypad attached after start-up is not seen until the next start-up.
    const int second = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 8, 0);
    ASSERT_GE(second, 0);
    WriteKeyIni(KeyIni({{2, "2"}}, 24));
    GxInput::ApplyKeyConfig(KeyIni({{2, "2"}}, 24));
    EXPECT_EQ(GxInput::Poll(0), GxInputBit::NoDevice);
    GxInput::Release();
    GxInput::LoadKeyConfig(kWindow);
    EXPECT_EQ(GxInput::GetDeviceMask(), 7u);
    EXPECT_EQ(GxInput::Poll(0), 0u);
    GxInput::Release();
    SDL_JoystickDetachVirtual(second);
}

// Devices whose joypad reports the input lost on every poll and every acquire.
class LostJoypad final : public GxInputDevices
{
public:
    int32_t StartKeyboardSystem() override { return GxInputResult::NoSubsystem; }
    int32_t CreateKeyboard(GxWindowHandle) override { return 0; }
    void ReleaseKeyboard() override {}
    int32_t CreateJoypads(GxWindowHandle) override { return 1; }
    void ReleaseJoypads() override {}
    int32_t Acquire(int32_t device) override
    {
        acquires += device == kJoypad0;
        return GxInputResult::InputLost;
    }
    void Unacquire(int32_t) override {}
    int32_t ReadKeyboard(uint8_t*) override { return GxInputResult::NoDevice; }
    int32_t PollJoypad(int32_t) override { return GxInputResult::InputLost; }
    int32_t ReadJoypad(int32_t, GxJoypadState& s) override
    {
        s.buttons[0] = 0x80;
        return 0;
    }
    int acquires = 0;
};

TEST_F(InputTest, AJoypadThatStaysLostGivesUpAfterThreeAcquires)
{
    LostJoypad devices;
    GxInput::SetDevices(&devices);
    gametest::LogCapture log;
    GxInput::LoadKeyConfig(kWindow);
    EXPECT_EQ(log.Count("キーボードの初期化に失敗1,18177"), 1u);  // 0x4701
    EXPECT_EQ(GxInput::GetDeviceMask(), 2u);
    EXPECT_EQ(GxInput::Poll(0), GxInputBit::NoDevice);
    devices.acquires = 0;
    EXPECT_EQ(GxInput::Poll(1), 0u);
    EXPECT_EQ(devices.acquires, 3);
    // The devices go with this scope.
    GxInput::Release();
    GxInput::SetDevices(nullptr);
}

}  // namespace
