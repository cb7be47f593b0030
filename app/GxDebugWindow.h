// The hidden secondary debug window: a text buffer of 32 lines that the window can show, F11 (as
// a system key while it has the focus) to show or hide it, closing only hides it. Nothing in the
// engine writes the buffer. On this platform the window itself is not made
// (platform/GxDebugWindowStub.h), so every operation below finds no window and does nothing.
#pragma once

#include <cstdint>

#include "platform/GxWindowServices.h"

constexpr int kGxDebugWindowLines = 32;
constexpr int kGxDebugWindowLineLength = 262;

struct GxDebugWindowState
{
    GxWindowHandle window = 0;  // 0 when absent
    bool visible = false;
    bool changed = false;
    char16_t lines[kGxDebugWindowLines][kGxDebugWindowLineLength] = {};
};

GxDebugWindowState& GxGetDebugWindowState();

// Makes the hidden window; whether it exists.
bool GxCreateDebugWindow(uintptr_t instance);
void GxHideDebugWindow();
// Shows the 32 lines (at most 261 units of each) and clears the changed flag.
void GxPaintDebugWindow();
GxLResult GxDebugWindowProc(GxWindowHandle window, uint32_t message, GxWParam wParam, GxLParam lParam);
// The frame's step: repaints when the window exists and the buffer changed.
void GxRefreshDebugWindow();
// Shutdown: clears the visible flag, closes the window and forgets it.
void GxCloseDebugWindow();
