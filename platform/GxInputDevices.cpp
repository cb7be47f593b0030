#include "platform/GxInputDevices.h"

#include <SDL2/SDL.h>

#include "platform/GxSdlKeyCodes.h"

namespace {

class SdlInputDevices final : public GxInputDevices
{
public:
    GxSdlInputOptions options;

    int32_t StartKeyboardSystem() override
    {
        // The keyboard state is kept by SDL's event subsystem.
        if (!m_EventsStarted) {
            if (SDL_InitSubSystem(SDL_INIT_EVENTS) != 0) return GxInputResult::NoSubsystem;
            m_EventsStarted = true;
        }
        return GxInputResult::Ok;
    }

    int32_t CreateKeyboard(GxWindowHandle window) override
    {
        int count = 0;
        if (!KeyboardState(&count) || count <= 0) return GxInputResult::NoDevice;
        m_Window = window;
        m_Keyboard = true;
        return GxInputResult::Ok;
    }

    void ReleaseKeyboard() override
    {
        m_Keyboard = false;
        m_Acquired[kKeyboard] = false;
        if (m_EventsStarted) SDL_QuitSubSystem(SDL_INIT_EVENTS);
        m_EventsStarted = false;
    }

    int32_t CreateJoypads(GxWindowHandle window) override
    {
        m_Window = window;
        if (!m_JoysticksStarted) {
            if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return 0;
            m_JoysticksStarted = true;
        }
        int32_t opened = 0;
        const int n = SDL_NumJoysticks();
        for (int i = 0; i < n && opened < 2; ++i) {
            SDL_Joystick* j = SDL_JoystickOpen(i);
            if (!j) continue;  // as a device that fails to open: the next one is tried
            m_Pads[opened++] = j;
        }
        return opened;
    }

    void ReleaseJoypads() override
    {
        for (int p = 0; p < 2; ++p) {
            if (m_Pads[p]) SDL_JoystickClose(m_Pads[p]);
            m_Pads[p] = nullptr;
            m_Acquired[kJoypad0 + p] = false;
        }
        if (m_JoysticksStarted) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
        m_JoysticksStarted = false;
    }

    int32_t Acquire(int32_t device) override
    {
        if (!Exists(device)) return GxInputResult::NoDevice;
        m_Acquired[device] = HasFocus();
        return m_Acquired[device] ? GxInputResult::Ok : GxInputResult::NotAcquired;
    }

    void Unacquire(int32_t device) override
    {
        if (device >= 0 && device < 3) m_Acquired[device] = false;
    }

    int32_t ReadKeyboard(uint8_t keys[256]) override
    {
        if (const int32_t r = CheckAcquired(kKeyboard)) return r;
        int count = 0;
        const uint8_t* state = KeyboardState(&count);
        if (!state) return GxInputResult::NoDevice;
        for (int32_t code = 0; code < 256; ++code) {
            const int32_t sc = GxSdlScancodeFromDeviceKey(code);
            keys[code] = sc > 0 && sc < count && state[sc] ? 0x80 : 0;
        }
        return GxInputResult::Ok;
    }

    int32_t PollJoypad(int32_t pad) override
    {
        if (pad < 0 || pad > 1 || !m_Pads[pad]) return GxInputResult::NoDevice;
        if (const int32_t r = CheckAcquired(kJoypad0 + pad)) return r;
        SDL_JoystickUpdate();
        return SDL_JoystickGetAttached(m_Pads[pad]) ? GxInputResult::Ok : GxInputResult::Unplugged;
    }

    int32_t ReadJoypad(int32_t pad, GxJoypadState& state) override
    {
        if (pad < 0 || pad > 1 || !m_Pads[pad]) return GxInputResult::NoDevice;
        if (const int32_t r = CheckAcquired(kJoypad0 + pad)) return r;
        SDL_Joystick* j = m_Pads[pad];
        if (!SDL_JoystickGetAttached(j)) return GxInputResult::Unplugged;
        state = GxJoypadState();
        const int axes = SDL_JoystickNumAxes(j);
        state.x = axes > 0 ? GxScaleJoypadAxis(SDL_JoystickGetAxis(j, 0)) : 0;
        state.y = axes > 1 ? GxScaleJoypadAxis(SDL_JoystickGetAxis(j, 1)) : 0;
        const int buttons = SDL_JoystickNumButtons(j);
        for (int b = 0; b < buttons && b < GxJoypadState::kButtonCount; ++b)
            state.buttons[b] = SDL_JoystickGetButton(j, b) ? 0x80 : 0;
        return GxInputResult::Ok;
    }

private:
    bool Exists(int32_t device) const
    {
        if (device == kKeyboard) return m_Keyboard;
        return (device == kJoypad0 || device == kJoypad1) && m_Pads[device - 1];
    }

    bool HasFocus() const
    {
        if (options.hasFocus) return options.hasFocus(m_Window);
        SDL_Window* w = SDL_GetWindowFromID(static_cast<Uint32>(m_Window));
        return w && (SDL_GetWindowFlags(w) & SDL_WINDOW_INPUT_FOCUS) != 0;
    }

    const uint8_t* KeyboardState(int* count) const
    {
        return options.keyboardState ? options.keyboardState(count) : SDL_GetKeyboardState(count);
    }

    // A device read without the focus loses it, as a foreground device does.
    int32_t CheckAcquired(int32_t device)
    {
        if (!Exists(device)) return GxInputResult::NoDevice;
        if (!m_Acquired[device]) return GxInputResult::NotAcquired;
        if (!HasFocus()) {
            m_Acquired[device] = false;
            return GxInputResult::InputLost;
        }
        return GxInputResult::Ok;
    }

    GxWindowHandle m_Window = 0;
    bool m_EventsStarted = false;
    bool m_JoysticksStarted = false;
    bool m_Keyboard = false;
    SDL_Joystick* m_Pads[2] = {};
    bool m_Acquired[3] = {};
};

SdlInputDevices& Devices()
{
    static SdlInputDevices devices;
    return devices;
}

}  // namespace

int32_t GxScaleJoypadAxis(int32_t value)
{
    const int32_t v = static_cast<int32_t>(static_cast<int64_t>(value) * 1000 / 32767);
    return v < -1000 ? -1000 : v > 1000 ? 1000 : v;
}

GxInputDevices& GxGetSdlInputDevices() { return Devices(); }

void GxSetSdlInputOptions(const GxSdlInputOptions& options) { Devices().options = options; }
