#include "platform/GxDebugWindowStub.h"

GxWindowHandle GxPlatformCreateDebugWindow(uintptr_t, GxWindowProcedure*) { return 0; }
void GxPlatformShowDebugWindow(GxWindowHandle, int32_t) {}
void GxPlatformPaintDebugWindow(GxWindowHandle, const std::u16string&) {}
void GxPlatformCloseDebugWindow(GxWindowHandle) {}
GxLResult GxPlatformDebugWindowDefProc(GxWindowHandle, uint32_t, GxWParam, GxLParam) { return 0; }
