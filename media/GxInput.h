// Keyboard and joypad input read directly from the devices: the keyboard and up to two joypads,
// read into one 32-bit state word per input index (0 and 1). The key map "key.ini" binds each
// index to a device and names the keys and joypad buttons of its controls. Opened for the main
// window at start-up, acquired and released with the window's activation, released at shutdown.
// Mouse clicks and the window's key messages do not pass through here.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/GxWindowServices.h"

class GxInputDevices;

// Bits of a state word.
namespace GxInputBit {
constexpr uint32_t Down = 0x1, Up = 0x2, Left = 0x4, Right = 0x8;
constexpr uint32_t ButtonPressed0 = 0x10;     // << n for button n, pressed at this read
constexpr uint32_t ButtonHeld0 = 0x1000;      // << n for button n, held
constexpr uint32_t DownPressed = 0x100000, UpPressed = 0x200000, LeftPressed = 0x400000, RightPressed = 0x800000;
constexpr uint32_t DownRepeat = 0x1000000, UpRepeat = 0x2000000, LeftRepeat = 0x4000000, RightRepeat = 0x8000000;
constexpr uint32_t NoDevice = 0x10000000;  // the bound device does not exist; nothing else is set
}  // namespace GxInputBit

class GxInput
{
public:
    static constexpr int32_t kKeyRows = 12;  // up, down, left, right, buttons 0..7
    static constexpr int32_t kPadRows = 8;   // buttons 0..7
    static constexpr int32_t kRetryPeriod = 60;
    static constexpr int32_t kReacquireTries = 3;

    GxInput() = delete;

    // The devices to use; null: SDL's. Takes effect at the next LoadKeyConfig.
    static void SetDevices(GxInputDevices* devices);

    // Start-up: reads "key.ini" from the current folder, opens the keyboard and the joypads for
    // the window and makes a first read. The state word of input index 1.
    static uint32_t LoadKeyConfig(GxWindowHandle window);
    // Resets the tables to their defaults, then applies the key map text as "key.ini" holds it.
    static void ApplyKeyConfig(std::string_view text);
    static void ResetKeyConfig();

    static bool Create(GxWindowHandle window);
    // 0, 1 or 2 joypads ready.
    static int32_t CreateJoypads(GxWindowHandle window);
    // Reads index 0, then index 1; the second word.
    static uint32_t PollAll();
    static uint32_t Poll(int32_t index);
    // Non-zero: the main window became active (devices acquired), zero: inactive (released).
    static void SetActive(int32_t active);
    static bool IsActive();
    // Closes every device; true.
    static bool Release();

    // The tables and state, as the key map and the reads left them.
    static int32_t GetDeviceNumber(int32_t index);
    static int32_t GetKeyCode(int32_t row, int32_t column);
    static int32_t GetPadButton(int32_t row, int32_t column);
    static uint32_t GetDeviceMask();
    static uint32_t GetStateWord(int32_t index);
};
