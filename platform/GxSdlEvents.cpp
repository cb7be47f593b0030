#include "platform/GxSdlEvents.h"

#include <SDL2/SDL.h>

#include <algorithm>

namespace {

GxLParam MakePointLParam(int32_t x, int32_t y)
{
    auto clamp16 = [](int32_t v) { return static_cast<uint16_t>(static_cast<int16_t>(std::clamp(v, -32768, 32767))); };
    return static_cast<GxLParam>(static_cast<uint32_t>(clamp16(x)) | (static_cast<uint32_t>(clamp16(y)) << 16));
}

struct ButtonInfo
{
    uint32_t down;
    uint32_t up;
    uint32_t bit;
};

bool ButtonOf(uint8_t sdlButton, ButtonInfo& out)
{
    switch (sdlButton) {
    case SDL_BUTTON_LEFT:
        out = {GxWindowMessage::LButtonDown, GxWindowMessage::LButtonUp, GxMouseKeyState::LButton};
        return true;
    case SDL_BUTTON_RIGHT:
        out = {GxWindowMessage::RButtonDown, GxWindowMessage::RButtonUp, GxMouseKeyState::RButton};
        return true;
    case SDL_BUTTON_MIDDLE:
        out = {GxWindowMessage::MButtonDown, GxWindowMessage::MButtonUp, GxMouseKeyState::MButton};
        return true;
    default:
        return false;
    }
}

}  // namespace

GxSdlEventTranslator::GxSdlEventTranslator(GxKeyStateTable* keys) : m_Keys(keys ? keys : &GxGetKeyStateTable()) {}

void GxSdlEventTranslator::Reset()
{
    m_Mouse = {};
    m_Buttons = 0;
    m_Minimised = false;
}

uint32_t GxSdlEventTranslator::GetKeyStateWord() const
{
    uint32_t w = m_Buttons;
    if (m_Keys->IsDown(GxVK::Shift)) w |= GxMouseKeyState::Shift;
    if (m_Keys->IsDown(GxVK::Control)) w |= GxMouseKeyState::Control;
    return w;
}

void GxSdlEventTranslator::Translate(const SDL_Event& e, GxWindowHandle window, GxWindowPoint windowPos, bool captured,
                                     std::vector<GxWindowMessageRecord>& out)
{
    auto post = [&](uint32_t message, GxWParam w, GxLParam l) { out.push_back({window, message, w, l}); };

    switch (e.type) {
    case SDL_QUIT:
        post(GxWindowMessage::Close, 0, 0);
        break;

    case SDL_WINDOWEVENT:
        switch (e.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            post(GxWindowMessage::Activate, 1u | (m_Minimised ? 0x10000u : 0u), 0);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            post(GxWindowMessage::Activate, m_Minimised ? 0x10000u : 0u, 0);
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            m_Minimised = true;
            break;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
            m_Minimised = false;
            break;
        case SDL_WINDOWEVENT_CLOSE:
            post(GxWindowMessage::Close, 0, 0);
            break;
        case SDL_WINDOWEVENT_MOVED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            post(GxWindowMessage::WindowPosChanged, 0, 0);
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            post(GxWindowMessage::Paint, 0, 0);
            break;
        default:
            break;
        }
        break;

    case SDL_MOUSEMOTION:
        m_Mouse = {e.motion.x, e.motion.y};
        if (!captured) post(GxWindowMessage::SetCursor, window, kGxSetCursorClientMove);
        post(GxWindowMessage::MouseMove, GetKeyStateWord(), MakePointLParam(e.motion.x, e.motion.y));
        break;

    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        ButtonInfo b;
        if (!ButtonOf(e.button.button, b)) break;
        m_Mouse = {e.button.x, e.button.y};
        const bool down = e.type == SDL_MOUSEBUTTONDOWN;
        if (down) m_Buttons |= b.bit;
        else m_Buttons &= ~b.bit;
        post(down ? b.down : b.up, GetKeyStateWord(), MakePointLParam(e.button.x, e.button.y));
        break;
    }

    case SDL_MOUSEWHEEL: {
        int32_t notches = e.wheel.y;
        if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
        if (notches == 0) break;
        const int32_t delta = std::clamp(notches * 120, -32768, 32767);
        const GxWParam w = (static_cast<uint32_t>(static_cast<uint16_t>(static_cast<int16_t>(delta))) << 16) |
                           (GetKeyStateWord() & 0xFFFF);
        post(GxWindowMessage::MouseWheel, w, MakePointLParam(windowPos.x + m_Mouse.x, windowPos.y + m_Mouse.y));
        break;
    }

    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        const bool down = e.type == SDL_KEYDOWN;
        const bool numLock = (e.key.keysym.mod & KMOD_NUM) != 0;
        GxKeyCode key = GxSdlTranslateKey(e.key.keysym.scancode, e.key.keysym.sym, numLock);
        if (key.virtualKey == 0) break;
        const bool previous = m_Keys->IsDown(key.virtualKey);
        // Track both the side-neutral and the side-specific state of modifiers.
        if (uint8_t side = GxSdlSideVirtualKey(e.key.keysym.scancode)) {
            m_Keys->SetDown(side, down);
            uint8_t other = side ^ 1;  // the pairs are (A0,A1), (A2,A3), (A4,A5)
            m_Keys->SetDown(key.virtualKey, down || m_Keys->IsDown(other));
        } else {
            m_Keys->SetDown(key.virtualKey, down);
        }
        const bool altHeld = m_Keys->IsDown(GxVK::Menu);
        const bool system = altHeld || key.virtualKey == GxVK::F10 || key.virtualKey == GxVK::Menu;
        uint32_t message;
        if (down) message = system ? GxWindowMessage::SysKeyDown : GxWindowMessage::KeyDown;
        else message = system ? GxWindowMessageEx::SysKeyUp : GxWindowMessage::KeyUp;
        post(message, key.virtualKey, GxMakeKeyLParam(key, altHeld, down ? (previous || e.key.repeat) : true, !down));
        break;
    }

    default:
        break;
    }
}
