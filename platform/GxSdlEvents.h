// Turns SDL events into the engine's window messages, in the order and with the parameters that
// the window procedure expects:
//
//   focus gained / lost      Activate, wParam 1 / 0 (high word 1 while minimised)
//   close request, SDL_QUIT  Close
//   moved, resized           WindowPosChanged
//   exposed                  Paint
//   mouse motion             SetCursor (unless a window holds the capture), then MouseMove
//   button down / up         L/R/MButtonDown, L/R/MButtonUp (other buttons are dropped)
//   wheel                    MouseWheel, high word = notches x 120, lParam in screen coordinates
//   key down / up            KeyDown / KeyUp, or SysKeyDown / SysKeyUp while Alt is held and
//                            for F10, as the classic system does
//
// Mouse messages carry client coordinates in lParam (signed 16 bits each) and the key-state word
// (buttons, Shift, Control) in wParam, as the state is after the event. The translator tracks the
// buttons, the keys and the last mouse position itself, from the events it has seen, so that
// synthetic events injected through SDL's queue behave exactly like real ones.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/GxSdlKeyCodes.h"
#include "platform/GxWindowServices.h"

union SDL_Event;

namespace GxWindowMessageEx {
constexpr uint32_t SysKeyUp = 0x0105;
}

// lParam of the SetCursor message that precedes a mouse move: hit-test "client" and the message.
constexpr GxLParam kGxSetCursorClientMove = static_cast<GxLParam>(1u | (0x0200u << 16));

class GxSdlEventTranslator
{
public:
    explicit GxSdlEventTranslator(GxKeyStateTable* keys = nullptr);

    // Appends the messages of one event for the given window. windowPos is that window's client
    // origin on the desktop; captured tells whether a window holds the mouse capture.
    void Translate(const SDL_Event& event, GxWindowHandle window, GxWindowPoint windowPos, bool captured,
                   std::vector<GxWindowMessageRecord>& out);

    // The last mouse position seen, in client coordinates of the window it was seen in.
    GxWindowPoint GetMousePos() const { return m_Mouse; }
    void SetMousePos(GxWindowPoint p) { m_Mouse = p; }
    uint32_t GetKeyStateWord() const;
    bool IsMinimised() const { return m_Minimised; }
    void Reset();

private:
    GxKeyStateTable* m_Keys;
    GxWindowPoint m_Mouse;
    uint32_t m_Buttons = 0;
    bool m_Minimised = false;
};
