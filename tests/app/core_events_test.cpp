// SDL events into window messages: the message, its wParam and lParam bits, and the key table.
#include <SDL2/SDL.h>

#include "platform/GxSdlEvents.h"
#include "platform/GxSdlKeyCodes.h"
#include "tests/app/core_test_util.h"

namespace {

SDL_Event KeyEvent(bool down, SDL_Scancode sc, SDL_Keycode sym, uint16_t mod = KMOD_NUM, uint8_t repeat = 0)
{
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.keysym.scancode = sc;
    e.key.keysym.sym = sym;
    e.key.keysym.mod = mod;
    e.key.repeat = repeat;
    return e;
}

TEST(CoreEvents, KeysGiveVirtualKeysScanCodesAndTheKeyMessageBits)
{
    struct Case
    {
        const char* name;
        SDL_Scancode sc;
        SDL_Keycode sym;
        uint16_t mod;
        uint8_t vk;
        uint8_t scan;
        bool ext;
    };
    const Case cases[] = {
        {"Enter", SDL_SCANCODE_RETURN, SDLK_RETURN, KMOD_NUM, 0x0D, 0x1C, false},
        {"keypad Enter", SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER, KMOD_NUM, 0x0D, 0x1C, true},
        {"Esc", SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, KMOD_NUM, 0x1B, 0x01, false},
        {"Space", SDL_SCANCODE_SPACE, SDLK_SPACE, KMOD_NUM, 0x20, 0x39, false},
        {"Left", SDL_SCANCODE_LEFT, SDLK_LEFT, KMOD_NUM, 0x25, 0x4B, true},
        {"Up", SDL_SCANCODE_UP, SDLK_UP, KMOD_NUM, 0x26, 0x48, true},
        {"Right", SDL_SCANCODE_RIGHT, SDLK_RIGHT, KMOD_NUM, 0x27, 0x4D, true},
        {"Down", SDL_SCANCODE_DOWN, SDLK_DOWN, KMOD_NUM, 0x28, 0x50, true},
        {"F4", SDL_SCANCODE_F4, SDLK_F4, KMOD_NUM, 0x73, 0x3E, false},
        {"F11", SDL_SCANCODE_F11, SDLK_F11, KMOD_NUM, 0x7A, 0x57, false},
        {"right Ctrl", SDL_SCANCODE_RCTRL, SDLK_RCTRL, KMOD_NUM, 0x11, 0x1D, true},
        {"letter from the layout", SDL_SCANCODE_Q, SDLK_a, KMOD_NUM, 'A', 0x10, false},
        {"digit", SDL_SCANCODE_7, SDLK_7, KMOD_NUM, '7', 0x08, false},
        {"keypad 8 with Num Lock", SDL_SCANCODE_KP_8, SDLK_KP_8, KMOD_NUM, 0x68, 0x48, false},
        {"keypad 8 without Num Lock", SDL_SCANCODE_KP_8, SDLK_KP_8, KMOD_NONE, 0x26, 0x48, false},
        {"Yen", SDL_SCANCODE_INTERNATIONAL3, SDLK_UNKNOWN, KMOD_NUM, 0xDC, 0x7D, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GxKeyStateTable keys;
        GxSdlEventTranslator t(&keys);
        std::vector<GxWindowMessageRecord> out;
        t.Translate(KeyEvent(true, c.sc, c.sym, c.mod), 7, {}, false, out);
        t.Translate(KeyEvent(true, c.sc, c.sym, c.mod, 1), 7, {}, false, out);  // auto-repeat
        t.Translate(KeyEvent(false, c.sc, c.sym, c.mod), 7, {}, false, out);
        ASSERT_EQ(out.size(), 3u);
        const uint32_t base = 1u | (uint32_t(c.scan) << 16) | (c.ext ? 1u << 24 : 0u);
        EXPECT_EQ(out[0].window, 7u);
        EXPECT_EQ(out[0].message, GxWindowMessage::KeyDown);
        EXPECT_EQ(out[0].wParam, c.vk);
        EXPECT_EQ(uint32_t(out[0].lParam), base);
        EXPECT_EQ(out[1].message, GxWindowMessage::KeyDown);
        EXPECT_EQ(uint32_t(out[1].lParam), base | 1u << 30) << "a repeat was down before";
        EXPECT_EQ(out[2].message, GxWindowMessage::KeyUp);
        EXPECT_EQ(uint32_t(out[2].lParam), base | 1u << 30 | 1u << 31);
        EXPECT_EQ(keys.GetKeyState(c.vk) & 0x8000, 0);
    }
}

TEST(CoreEvents, AltMakesSystemKeysAndKeyStateFollowsBothSides)
{
    GxKeyStateTable keys;
    GxSdlEventTranslator t(&keys);
    std::vector<GxWindowMessageRecord> out;
    t.Translate(KeyEvent(true, SDL_SCANCODE_LCTRL, SDLK_LCTRL), 1, {}, false, out);
    t.Translate(KeyEvent(true, SDL_SCANCODE_RCTRL, SDLK_RCTRL), 1, {}, false, out);
    t.Translate(KeyEvent(false, SDL_SCANCODE_LCTRL, SDLK_LCTRL), 1, {}, false, out);
    EXPECT_LT(keys.GetKeyState(0x11), 0) << "right Ctrl still held";
    EXPECT_LT(keys.GetKeyState(0xA3), 0);
    EXPECT_EQ(keys.GetKeyState(0xA2) & 0x8000, 0);
    t.Translate(KeyEvent(false, SDL_SCANCODE_RCTRL, SDLK_RCTRL), 1, {}, false, out);
    EXPECT_EQ(keys.GetKeyState(0x11) & 0x8000, 0);

    out.clear();
    t.Translate(KeyEvent(true, SDL_SCANCODE_F10, SDLK_F10), 1, {}, false, out);
    t.Translate(KeyEvent(true, SDL_SCANCODE_LALT, SDLK_LALT), 1, {}, false, out);
    t.Translate(KeyEvent(true, SDL_SCANCODE_RETURN, SDLK_RETURN), 1, {}, false, out);
    t.Translate(KeyEvent(false, SDL_SCANCODE_RETURN, SDLK_RETURN), 1, {}, false, out);
    t.Translate(KeyEvent(false, SDL_SCANCODE_LALT, SDLK_LALT), 1, {}, false, out);
    ASSERT_EQ(out.size(), 5u);
    EXPECT_EQ(out[0].message, GxWindowMessage::SysKeyDown);
    EXPECT_EQ(out[1].message, GxWindowMessage::SysKeyDown);
    EXPECT_EQ(out[1].wParam, 0x12u);
    EXPECT_EQ(out[2].message, GxWindowMessage::SysKeyDown);
    EXPECT_NE(uint32_t(out[2].lParam) & (1u << 29), 0u) << "Alt held";
    EXPECT_EQ(out[3].message, GxWindowMessageEx::SysKeyUp);
    EXPECT_EQ(out[4].message, GxWindowMessageEx::SysKeyUp);
}

TEST(CoreEvents, MouseWindowAndQuitEvents)
{
    GxKeyStateTable keys;
    GxSdlEventTranslator t(&keys);
    std::vector<GxWindowMessageRecord> out;
    SDL_Event e{};

    e.type = SDL_MOUSEMOTION;
    e.motion.x = -5;
    e.motion.y = 40000;  // beyond 16 bits: clamped
    t.Translate(e, 3, {100, 200}, false, out);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].message, GxWindowMessage::SetCursor);
    EXPECT_EQ(out[0].lParam, kGxSetCursorClientMove);
    EXPECT_EQ(out[1].message, GxWindowMessage::MouseMove);
    EXPECT_EQ(GxGetXParam(out[1].lParam), -5);
    EXPECT_EQ(GxGetYParam(out[1].lParam), 32767);

    // Shift held and the left button down: both in the key-state word of the press; the wheel
    // carries screen coordinates (window origin + the last position).
    out.clear();
    t.Translate(KeyEvent(true, SDL_SCANCODE_LSHIFT, SDLK_LSHIFT), 3, {}, false, out);
    e = SDL_Event{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.x = 10;
    e.button.y = 20;
    t.Translate(e, 3, {100, 200}, true, out);
    e = SDL_Event{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = 11;
    e.motion.y = 21;
    t.Translate(e, 3, {100, 200}, true, out);  // captured: no cursor message
    e = SDL_Event{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.y = 1;
    e.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
    t.Translate(e, 3, {100, 200}, true, out);
    e = SDL_Event{};
    e.type = SDL_MOUSEBUTTONUP;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.x = 12;
    e.button.y = 22;
    t.Translate(e, 3, {100, 200}, true, out);
    e.button.button = SDL_BUTTON_X1;  // not a button the engine knows
    t.Translate(e, 3, {100, 200}, true, out);
    ASSERT_EQ(out.size(), 5u);
    EXPECT_EQ(out[1].message, GxWindowMessage::LButtonDown);
    EXPECT_EQ(out[1].wParam, GxMouseKeyState::LButton | GxMouseKeyState::Shift);
    EXPECT_EQ(out[2].message, GxWindowMessage::MouseMove);
    EXPECT_EQ(out[3].message, GxWindowMessage::MouseWheel);
    EXPECT_EQ(GxGetWheelDelta(out[3].wParam), -120);
    EXPECT_EQ(GxGetKeyStateParam(out[3].wParam), GxMouseKeyState::LButton | GxMouseKeyState::Shift);
    EXPECT_EQ(GxGetXParam(out[3].lParam), 111);
    EXPECT_EQ(GxGetYParam(out[3].lParam), 221);
    EXPECT_EQ(out[4].message, GxWindowMessage::LButtonUp);
    EXPECT_EQ(out[4].wParam, GxMouseKeyState::Shift);

    struct WinCase
    {
        uint32_t type;
        uint8_t event;
        uint32_t message;  // 0: none
        GxWParam wParam;
    };
    const WinCase wins[] = {
        {SDL_WINDOWEVENT, SDL_WINDOWEVENT_FOCUS_GAINED, GxWindowMessage::Activate, 1},
        {SDL_WINDOWEVENT, SDL_WINDOWEVENT_MINIMIZED, 0, 0},
        {SDL_WINDOWEVENT, SDL_WINDOWEVENT_FOCUS_LOST, GxWindowMessage::Activate, 0x10000},
        {SDL_WINDOWEVENT, SDL_WINDOWEVENT_RESTORED, 0, 0},
        {SDL_WINDOWEVENT, SDL_WINDOWEVENT_FOCUS_GAINED, GxWindowMessage::Activate, 1},
        {SDL_WINDOWEVENT, SDL_WINDOWEVENT_CLOSE, GxWindowMessage::Close, 0},
        {SDL_WINDOWEVENT, SDL_WINDOWEVENT_MOVED, GxWindowMessage::WindowPosChanged, 0},
        {SDL_WINDOWEVENT, SDL_WINDOWEVENT_SIZE_CHANGED, GxWindowMessage::WindowPosChanged, 0},
        {SDL_WINDOWEVENT, SDL_WINDOWEVENT_EXPOSED, GxWindowMessage::Paint, 0},
        {SDL_QUIT, 0, GxWindowMessage::Close, 0},
        {SDL_TEXTINPUT, 0, 0, 0},
    };
    for (const WinCase& w : wins) {
        out.clear();
        e = SDL_Event{};
        e.type = w.type;
        e.window.event = w.event;
        t.Translate(e, 3, {}, false, out);
        if (!w.message) {
            EXPECT_TRUE(out.empty());
            continue;
        }
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0].message, w.message);
        EXPECT_EQ(out[0].wParam, w.wParam);
    }
}

}  // namespace
