// The main window's procedure as the window services call it: a stub that hands every message to
// the application object's GxCore::WindowProc. The procedure itself is in GxWindowProc.cpp, the
// main loop (GxCore::Run) in GxMainLoop.cpp.
#pragma once

#include "platform/GxWindowServices.h"

class GxCore;

class GxCoreWindowProcedure : public GxWindowProcedure
{
public:
    explicit GxCoreWindowProcedure(GxCore* core) : m_Core(core) {}
    GxLResult WindowProc(GxWindowHandle window, uint32_t message, GxWParam wParam, GxLParam lParam) override;

private:
    GxCore* m_Core;
};
