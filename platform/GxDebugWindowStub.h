// The separate debug window on this platform. Elsewhere it is a second native window that can
// show a text buffer; nothing in the engine fills that buffer, so here no window is made and
// every call does nothing. The application core's debug-window operations (app/GxDebugWindow.h)
// then find no window and do nothing either.
#pragma once

#include <cstdint>
#include <string>

#include "platform/GxWindowServices.h"

// Always 0: no debug window exists.
GxWindowHandle GxPlatformCreateDebugWindow(uintptr_t instance, GxWindowProcedure* procedure);
void GxPlatformShowDebugWindow(GxWindowHandle window, int32_t showCommand);
void GxPlatformPaintDebugWindow(GxWindowHandle window, const std::u16string& text);
void GxPlatformCloseDebugWindow(GxWindowHandle window);
GxLResult GxPlatformDebugWindowDefProc(GxWindowHandle window, uint32_t message, GxWParam wParam, GxLParam lParam);
