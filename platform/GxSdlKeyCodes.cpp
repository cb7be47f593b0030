#include "platform/GxSdlKeyCodes.h"

#include <SDL2/SDL.h>

namespace {

struct KeyRow
{
    SDL_Scancode sdl;
    uint8_t vk;
    uint8_t scan;
    bool ext;
};

// Every key of a PC keyboard, its virtual key and its set-1 scan code.
constexpr KeyRow kKeys[] = {
    {SDL_SCANCODE_ESCAPE, GxVK::Escape, 0x01, false},
    {SDL_SCANCODE_1, 0x31, 0x02, false}, {SDL_SCANCODE_2, 0x32, 0x03, false},
    {SDL_SCANCODE_3, 0x33, 0x04, false}, {SDL_SCANCODE_4, 0x34, 0x05, false},
    {SDL_SCANCODE_5, 0x35, 0x06, false}, {SDL_SCANCODE_6, 0x36, 0x07, false},
    {SDL_SCANCODE_7, 0x37, 0x08, false}, {SDL_SCANCODE_8, 0x38, 0x09, false},
    {SDL_SCANCODE_9, 0x39, 0x0A, false}, {SDL_SCANCODE_0, 0x30, 0x0B, false},
    {SDL_SCANCODE_MINUS, GxVK::OemMinus, 0x0C, false}, {SDL_SCANCODE_EQUALS, GxVK::OemPlus, 0x0D, false},
    {SDL_SCANCODE_BACKSPACE, GxVK::Back, 0x0E, false}, {SDL_SCANCODE_TAB, GxVK::Tab, 0x0F, false},
    {SDL_SCANCODE_Q, 'Q', 0x10, false}, {SDL_SCANCODE_W, 'W', 0x11, false}, {SDL_SCANCODE_E, 'E', 0x12, false},
    {SDL_SCANCODE_R, 'R', 0x13, false}, {SDL_SCANCODE_T, 'T', 0x14, false}, {SDL_SCANCODE_Y, 'Y', 0x15, false},
    {SDL_SCANCODE_U, 'U', 0x16, false}, {SDL_SCANCODE_I, 'I', 0x17, false}, {SDL_SCANCODE_O, 'O', 0x18, false},
    {SDL_SCANCODE_P, 'P', 0x19, false},
    {SDL_SCANCODE_LEFTBRACKET, GxVK::Oem4, 0x1A, false}, {SDL_SCANCODE_RIGHTBRACKET, GxVK::Oem6, 0x1B, false},
    {SDL_SCANCODE_RETURN, GxVK::Return, 0x1C, false}, {SDL_SCANCODE_LCTRL, GxVK::Control, 0x1D, false},
    {SDL_SCANCODE_A, 'A', 0x1E, false}, {SDL_SCANCODE_S, 'S', 0x1F, false}, {SDL_SCANCODE_D, 'D', 0x20, false},
    {SDL_SCANCODE_F, 'F', 0x21, false}, {SDL_SCANCODE_G, 'G', 0x22, false}, {SDL_SCANCODE_H, 'H', 0x23, false},
    {SDL_SCANCODE_J, 'J', 0x24, false}, {SDL_SCANCODE_K, 'K', 0x25, false}, {SDL_SCANCODE_L, 'L', 0x26, false},
    {SDL_SCANCODE_SEMICOLON, GxVK::Oem1, 0x27, false}, {SDL_SCANCODE_APOSTROPHE, GxVK::Oem7, 0x28, false},
    {SDL_SCANCODE_GRAVE, GxVK::Oem3, 0x29, false}, {SDL_SCANCODE_LSHIFT, GxVK::Shift, 0x2A, false},
    {SDL_SCANCODE_BACKSLASH, GxVK::Oem5, 0x2B, false},
    {SDL_SCANCODE_Z, 'Z', 0x2C, false}, {SDL_SCANCODE_X, 'X', 0x2D, false}, {SDL_SCANCODE_C, 'C', 0x2E, false},
    {SDL_SCANCODE_V, 'V', 0x2F, false}, {SDL_SCANCODE_B, 'B', 0x30, false}, {SDL_SCANCODE_N, 'N', 0x31, false},
    {SDL_SCANCODE_M, 'M', 0x32, false},
    {SDL_SCANCODE_COMMA, GxVK::OemComma, 0x33, false}, {SDL_SCANCODE_PERIOD, GxVK::OemPeriod, 0x34, false},
    {SDL_SCANCODE_SLASH, GxVK::Oem2, 0x35, false}, {SDL_SCANCODE_RSHIFT, GxVK::Shift, 0x36, false},
    {SDL_SCANCODE_KP_MULTIPLY, GxVK::Multiply, 0x37, false}, {SDL_SCANCODE_LALT, GxVK::Menu, 0x38, false},
    {SDL_SCANCODE_SPACE, GxVK::Space, 0x39, false}, {SDL_SCANCODE_CAPSLOCK, GxVK::Capital, 0x3A, false},
    {SDL_SCANCODE_F1, 0x70, 0x3B, false}, {SDL_SCANCODE_F2, 0x71, 0x3C, false}, {SDL_SCANCODE_F3, 0x72, 0x3D, false},
    {SDL_SCANCODE_F4, 0x73, 0x3E, false}, {SDL_SCANCODE_F5, 0x74, 0x3F, false}, {SDL_SCANCODE_F6, 0x75, 0x40, false},
    {SDL_SCANCODE_F7, 0x76, 0x41, false}, {SDL_SCANCODE_F8, 0x77, 0x42, false}, {SDL_SCANCODE_F9, 0x78, 0x43, false},
    {SDL_SCANCODE_F10, 0x79, 0x44, false},
    {SDL_SCANCODE_NUMLOCKCLEAR, GxVK::NumLock, 0x45, true}, {SDL_SCANCODE_SCROLLLOCK, GxVK::Scroll, 0x46, false},
    {SDL_SCANCODE_KP_7, GxVK::Numpad0 + 7, 0x47, false}, {SDL_SCANCODE_KP_8, GxVK::Numpad0 + 8, 0x48, false},
    {SDL_SCANCODE_KP_9, GxVK::Numpad0 + 9, 0x49, false}, {SDL_SCANCODE_KP_MINUS, GxVK::Subtract, 0x4A, false},
    {SDL_SCANCODE_KP_4, GxVK::Numpad0 + 4, 0x4B, false}, {SDL_SCANCODE_KP_5, GxVK::Numpad0 + 5, 0x4C, false},
    {SDL_SCANCODE_KP_6, GxVK::Numpad0 + 6, 0x4D, false}, {SDL_SCANCODE_KP_PLUS, GxVK::Add, 0x4E, false},
    {SDL_SCANCODE_KP_1, GxVK::Numpad0 + 1, 0x4F, false}, {SDL_SCANCODE_KP_2, GxVK::Numpad0 + 2, 0x50, false},
    {SDL_SCANCODE_KP_3, GxVK::Numpad0 + 3, 0x51, false}, {SDL_SCANCODE_KP_0, GxVK::Numpad0, 0x52, false},
    {SDL_SCANCODE_KP_PERIOD, GxVK::Decimal, 0x53, false},
    {SDL_SCANCODE_NONUSBACKSLASH, GxVK::Oem102, 0x56, false},
    {SDL_SCANCODE_F11, 0x7A, 0x57, false}, {SDL_SCANCODE_F12, 0x7B, 0x58, false},
    {SDL_SCANCODE_KP_EQUALS, GxVK::Clear, 0x59, false},
    {SDL_SCANCODE_F13, 0x7C, 0x64, false}, {SDL_SCANCODE_F14, 0x7D, 0x65, false},
    {SDL_SCANCODE_F15, 0x7E, 0x66, false}, {SDL_SCANCODE_F16, 0x7F, 0x67, false},
    {SDL_SCANCODE_F17, 0x80, 0x68, false}, {SDL_SCANCODE_F18, 0x81, 0x69, false},
    {SDL_SCANCODE_F19, 0x82, 0x6A, false}, {SDL_SCANCODE_F20, 0x83, 0x6B, false},
    {SDL_SCANCODE_F21, 0x84, 0x6C, false}, {SDL_SCANCODE_F22, 0x85, 0x6D, false},
    {SDL_SCANCODE_F23, 0x86, 0x6E, false}, {SDL_SCANCODE_F24, 0x87, 0x76, false},
    // Japanese keyboard.
    {SDL_SCANCODE_INTERNATIONAL2, GxVK::Kana, 0x70, false},
    {SDL_SCANCODE_INTERNATIONAL1, GxVK::Oem102, 0x73, false},  // Ro
    {SDL_SCANCODE_INTERNATIONAL4, GxVK::Convert, 0x79, false},
    {SDL_SCANCODE_INTERNATIONAL5, GxVK::NonConvert, 0x7B, false},
    {SDL_SCANCODE_INTERNATIONAL3, GxVK::Oem5, 0x7D, false},  // Yen
    {SDL_SCANCODE_LANG5, GxVK::Kanji, 0x29, false},           // Hankaku/Zenkaku
    {SDL_SCANCODE_LANG3, GxVK::Kana, 0x70, false},
    {SDL_SCANCODE_LANG4, GxVK::Kana, 0x70, false},
    // Extended keys.
    {SDL_SCANCODE_KP_ENTER, GxVK::Return, 0x1C, true}, {SDL_SCANCODE_RCTRL, GxVK::Control, 0x1D, true},
    {SDL_SCANCODE_KP_DIVIDE, GxVK::Divide, 0x35, true}, {SDL_SCANCODE_PRINTSCREEN, GxVK::Snapshot, 0x37, true},
    {SDL_SCANCODE_RALT, GxVK::Menu, 0x38, true}, {SDL_SCANCODE_PAUSE, GxVK::Pause, 0x45, false},
    {SDL_SCANCODE_HOME, GxVK::Home, 0x47, true}, {SDL_SCANCODE_UP, GxVK::Up, 0x48, true},
    {SDL_SCANCODE_PAGEUP, GxVK::Prior, 0x49, true}, {SDL_SCANCODE_LEFT, GxVK::Left, 0x4B, true},
    {SDL_SCANCODE_RIGHT, GxVK::Right, 0x4D, true}, {SDL_SCANCODE_END, GxVK::End, 0x4F, true},
    {SDL_SCANCODE_DOWN, GxVK::Down, 0x50, true}, {SDL_SCANCODE_PAGEDOWN, GxVK::Next, 0x51, true},
    {SDL_SCANCODE_INSERT, GxVK::Insert, 0x52, true}, {SDL_SCANCODE_DELETE, GxVK::Delete, 0x53, true},
    {SDL_SCANCODE_LGUI, GxVK::LWin, 0x5B, true}, {SDL_SCANCODE_RGUI, GxVK::RWin, 0x5C, true},
    {SDL_SCANCODE_APPLICATION, GxVK::Apps, 0x5D, true}, {SDL_SCANCODE_SLEEP, GxVK::Sleep, 0x5F, true},
    {SDL_SCANCODE_HELP, GxVK::Help, 0, false}, {SDL_SCANCODE_SELECT, GxVK::Select, 0, false},
    {SDL_SCANCODE_EXECUTE, GxVK::Execute, 0, false}, {SDL_SCANCODE_CLEAR, GxVK::Clear, 0, false},
    {SDL_SCANCODE_KP_COMMA, GxVK::Separator, 0x7E, false},
    {SDL_SCANCODE_MUTE, GxVK::VolumeMute, 0x20, true}, {SDL_SCANCODE_AUDIOMUTE, GxVK::VolumeMute, 0x20, true},
    {SDL_SCANCODE_VOLUMEDOWN, GxVK::VolumeDown, 0x2E, true}, {SDL_SCANCODE_VOLUMEUP, GxVK::VolumeUp, 0x30, true},
    {SDL_SCANCODE_AUDIONEXT, GxVK::MediaNext, 0x19, true}, {SDL_SCANCODE_AUDIOPREV, GxVK::MediaPrev, 0x10, true},
    {SDL_SCANCODE_AUDIOSTOP, GxVK::MediaStop, 0x24, true}, {SDL_SCANCODE_AUDIOPLAY, GxVK::MediaPlayPause, 0x22, true},
    {SDL_SCANCODE_AC_BACK, GxVK::BrowserBack, 0x6A, true}, {SDL_SCANCODE_AC_FORWARD, GxVK::BrowserForward, 0x69, true},
    {SDL_SCANCODE_AC_REFRESH, GxVK::BrowserRefresh, 0x67, true}, {SDL_SCANCODE_AC_STOP, GxVK::BrowserStop, 0x68, true},
    {SDL_SCANCODE_AC_SEARCH, GxVK::BrowserSearch, 0x65, true}, {SDL_SCANCODE_AC_HOME, GxVK::BrowserHome, 0x32, true},
};

struct Table
{
    KeyRow rows[SDL_NUM_SCANCODES] = {};
    Table()
    {
        for (const KeyRow& r : kKeys) rows[r.sdl] = r;
    }
};

const Table& KeyTable()
{
    static const Table t;
    return t;
}

// Keypad keys without Num Lock: the cursor keys they are labelled with (not extended).
uint8_t KeypadWithoutNumLock(SDL_Scancode sc)
{
    switch (sc) {
    case SDL_SCANCODE_KP_7: return GxVK::Home;
    case SDL_SCANCODE_KP_8: return GxVK::Up;
    case SDL_SCANCODE_KP_9: return GxVK::Prior;
    case SDL_SCANCODE_KP_4: return GxVK::Left;
    case SDL_SCANCODE_KP_5: return GxVK::Clear;
    case SDL_SCANCODE_KP_6: return GxVK::Right;
    case SDL_SCANCODE_KP_1: return GxVK::End;
    case SDL_SCANCODE_KP_2: return GxVK::Down;
    case SDL_SCANCODE_KP_3: return GxVK::Next;
    case SDL_SCANCODE_KP_0: return GxVK::Insert;
    case SDL_SCANCODE_KP_PERIOD: return GxVK::Delete;
    default: return 0;
    }
}

// Device key codes to SDL scan codes: the first key of the table with that code wins. Num Lock
// and Pause swap their extended bits against the key messages' convention.
struct DeviceKeyTable
{
    int32_t scancodes[256] = {};
    DeviceKeyTable()
    {
        for (const KeyRow& r : kKeys) {
            if (r.scan == 0) continue;
            const int32_t code = r.scan | (r.ext ? 0x80 : 0);
            if (scancodes[code] == 0) scancodes[code] = r.sdl;
        }
        scancodes[0x45] = SDL_SCANCODE_NUMLOCKCLEAR;
        scancodes[0xC5] = SDL_SCANCODE_PAUSE;
    }
};

}  // namespace

int32_t GxSdlScancodeFromDeviceKey(int32_t deviceKey)
{
    static const DeviceKeyTable t;
    return deviceKey >= 0 && deviceKey < 256 ? t.scancodes[deviceKey] : 0;
}

GxKeyCode GxSdlTranslateKey(int32_t sdlScancode, int32_t sdlKeycode, bool numLock)
{
    GxKeyCode key;
    if (sdlScancode > 0 && sdlScancode < SDL_NUM_SCANCODES) {
        const KeyRow& r = KeyTable().rows[sdlScancode];
        key.virtualKey = r.vk;
        key.scanCode = r.scan;
        key.extended = r.ext;
        if (!numLock) {
            if (uint8_t vk = KeypadWithoutNumLock(static_cast<SDL_Scancode>(sdlScancode))) key.virtualKey = vk;
        }
    }
    // Letters and digits as the layout names them (an AZERTY "A" key gives 'Q' here, as it
    // would on the classic driver).
    if (sdlKeycode >= 'a' && sdlKeycode <= 'z') key.virtualKey = static_cast<uint8_t>(sdlKeycode - 'a' + 'A');
    else if (sdlKeycode >= '0' && sdlKeycode <= '9' && !(sdlScancode >= SDL_SCANCODE_KP_1 && sdlScancode <= SDL_SCANCODE_KP_0))
        key.virtualKey = static_cast<uint8_t>(sdlKeycode);
    return key;
}

uint8_t GxSdlSideVirtualKey(int32_t sdlScancode)
{
    switch (sdlScancode) {
    case SDL_SCANCODE_LSHIFT: return GxVK::LShift;
    case SDL_SCANCODE_RSHIFT: return GxVK::RShift;
    case SDL_SCANCODE_LCTRL: return GxVK::LControl;
    case SDL_SCANCODE_RCTRL: return GxVK::RControl;
    case SDL_SCANCODE_LALT: return GxVK::LMenu;
    case SDL_SCANCODE_RALT: return GxVK::RMenu;
    default: return 0;
    }
}

GxLParam GxMakeKeyLParam(const GxKeyCode& key, bool altDown, bool previousDown, bool up)
{
    uint32_t v = 1u | (static_cast<uint32_t>(key.scanCode) << 16);
    if (key.extended) v |= 1u << 24;
    if (altDown) v |= 1u << 29;
    if (previousDown) v |= 1u << 30;
    if (up) v |= 1u << 31;
    // Keep the 32-bit word's bits, as the classic 32-bit lParam held them.
    return static_cast<GxLParam>(v);
}

void GxKeyStateTable::SetDown(uint8_t virtualKey, bool down)
{
    if (down && !m_Down[virtualKey]) m_Toggle[virtualKey] = !m_Toggle[virtualKey];
    m_Down[virtualKey] = down;
}

int16_t GxKeyStateTable::GetKeyState(uint8_t virtualKey) const
{
    uint16_t v = m_Toggle[virtualKey] ? 1 : 0;
    if (m_Down[virtualKey]) v |= 0x8000;
    return static_cast<int16_t>(v);
}

void GxKeyStateTable::Reset()
{
    for (int i = 0; i < 256; ++i) {
        m_Down[i] = false;
        m_Toggle[i] = false;
    }
}

GxKeyStateTable& GxGetKeyStateTable()
{
    static GxKeyStateTable table;
    return table;
}

int16_t GxGetKeyState(uint32_t virtualKey)
{
    if (virtualKey > 0xFF) return 0;
    return GxGetKeyStateTable().GetKeyState(static_cast<uint8_t>(virtualKey));
}
