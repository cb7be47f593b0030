// Keys of SDL events as the engine knows them: virtual-key codes (GxVirtualKeys.h), the set-1 scan
// code and the extended bit that key messages carry in their lParam, and the key state that
// GxGetKeyState reports.
#pragma once

#include <cstdint>

#include "platform/GxVirtualKeys.h"
#include "platform/GxWindowServices.h"

// A key message's identity: virtual key (0 when the key has none), set-1 scan code, extended bit.
struct GxKeyCode
{
    uint8_t virtualKey = 0;
    uint8_t scanCode = 0;
    bool extended = false;
};

// The key of an SDL key event. Letters and digits follow the keyboard layout (the key code),
// every other key its position (the scan code); with Num Lock off the keypad gives the cursor
// keys, as the classic keyboard driver does. Modifiers give the side-neutral codes (Shift,
// Control, Menu).
GxKeyCode GxSdlTranslateKey(int32_t sdlScancode, int32_t sdlKeycode, bool numLock);
// LShift..RMenu for the six modifier scan codes, else 0.
uint8_t GxSdlSideVirtualKey(int32_t sdlScancode);

// The SDL scan code of a keyboard-device key code (the set-1 scan code, 0x80 added for the
// extended keys); 0 when no key of the table has it.
int32_t GxSdlScancodeFromDeviceKey(int32_t deviceKey);

// lParam of a key message: repeat count 1, scan code (bits 16-23), extended (24), Alt held (29),
// previous state down (30), transition up (31).
GxLParam GxMakeKeyLParam(const GxKeyCode& key, bool altDown, bool previousDown, bool up);

// The state of the keys as the key messages have delivered them (real or synthetic): bit 15 set
// while the key is down, bit 0 toggled by each press (Caps Lock style).
class GxKeyStateTable
{
public:
    void SetDown(uint8_t virtualKey, bool down);
    bool IsDown(uint8_t virtualKey) const { return m_Down[virtualKey]; }
    int16_t GetKeyState(uint8_t virtualKey) const;
    void Reset();

private:
    bool m_Down[256] = {};
    bool m_Toggle[256] = {};
};

// The program's key state table (fed by the SDL event translation).
GxKeyStateTable& GxGetKeyStateTable();
// As the classic GetKeyState: negative while the key is down.
int16_t GxGetKeyState(uint32_t virtualKey);
