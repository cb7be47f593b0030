// The keyboard and joypad devices behind the engine's direct input: one small table of entry
// points, so that the input logic above never sees SDL and a test can pick the devices. The
// default devices read SDL's keyboard state and the first two SDL joysticks; "acquired" means
// the main window has input focus, and losing the focus loses the input as a foreground
// device does.
#pragma once

#include <cstdint>

#include "platform/GxWindowServices.h"

// Results of the device calls: 0 success, else one of our own error codes.
namespace GxInputResult {
constexpr int32_t Ok = 0;
constexpr int32_t NoSubsystem = 0x4701;   // the event or joystick subsystem did not start
constexpr int32_t NoDevice = 0x4702;      // the device does not exist or could not be opened
constexpr int32_t NotAcquired = 0x4703;   // the window does not have the input focus
constexpr int32_t InputLost = 0x4704;     // the focus went away since the last acquire
constexpr int32_t Unplugged = 0x4705;     // the joystick was detached
}  // namespace GxInputResult

// A joypad's state: axes in -1000..1000, buttons with bit 7 set while down.
struct GxJoypadState
{
    static constexpr int kButtonCount = 128;
    int32_t x = 0;
    int32_t y = 0;
    uint8_t buttons[kButtonCount] = {};
};

class GxInputDevices
{
public:
    static constexpr int32_t kKeyboard = 0;
    static constexpr int32_t kJoypad0 = 1;
    static constexpr int32_t kJoypad1 = 2;

    virtual ~GxInputDevices() = default;

    // The keyboard in two steps, as the log tells them apart.
    virtual int32_t StartKeyboardSystem() = 0;
    virtual int32_t CreateKeyboard(GxWindowHandle window) = 0;
    virtual void ReleaseKeyboard() = 0;
    // Opens up to two joypads attached now; the number opened. Later arrivals are not seen.
    virtual int32_t CreateJoypads(GxWindowHandle window) = 0;
    virtual void ReleaseJoypads() = 0;

    // device: kKeyboard, kJoypad0, kJoypad1.
    virtual int32_t Acquire(int32_t device) = 0;
    virtual void Unacquire(int32_t device) = 0;
    // 256 bytes indexed by device key code (set-1 scan code, + 0x80 when extended); bit 7 down.
    virtual int32_t ReadKeyboard(uint8_t keys[256]) = 0;
    // pad: 0 or 1.
    virtual int32_t PollJoypad(int32_t pad) = 0;
    virtual int32_t ReadJoypad(int32_t pad, GxJoypadState& state) = 0;
};

// SDL's devices. Tests may replace where the keyboard state and the focus come from.
struct GxSdlInputOptions
{
    // SDL scan code array as SDL_GetKeyboardState gives it; null: SDL's own.
    const uint8_t* (*keyboardState)(int* count) = nullptr;
    // Whether the window has the input focus; null: the window's own flags.
    bool (*hasFocus)(GxWindowHandle window) = nullptr;
};

// A joystick axis (-32768..32767) on the -1000..1000 scale (truncated toward zero).
int32_t GxScaleJoypadAxis(int32_t value);

// The program's devices over SDL, made on first use with the options given then.
GxInputDevices& GxGetSdlInputDevices();
// Replaces the options of the SDL devices (before the devices are created).
void GxSetSdlInputOptions(const GxSdlInputOptions& options);
