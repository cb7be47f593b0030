#include "app/GxDebugWindow.h"

#include <string>

#include "platform/GxDebugWindowStub.h"

namespace {
class DebugWindowProcedure : public GxWindowProcedure
{
public:
    GxLResult WindowProc(GxWindowHandle window, uint32_t message, GxWParam wParam, GxLParam lParam) override
    {
        return GxDebugWindowProc(window, message, wParam, lParam);
    }
};
}  // namespace

GxDebugWindowState& GxGetDebugWindowState()
{
    static GxDebugWindowState state;
    return state;
}

bool GxCreateDebugWindow(uintptr_t instance)
{
    static DebugWindowProcedure procedure;
    GxDebugWindowState& s = GxGetDebugWindowState();
    s.window = GxPlatformCreateDebugWindow(instance, &procedure);
    return s.window != 0;
}

void GxHideDebugWindow()
{
    GxDebugWindowState& s = GxGetDebugWindowState();
    if (!s.window) return;
    GxPlatformShowDebugWindow(s.window, GxShowCommand::Hide);
    s.visible = false;
}

void GxPaintDebugWindow()
{
    GxDebugWindowState& s = GxGetDebugWindowState();
    if (!s.window) return;
    std::u16string text;
    for (const auto& line : s.lines) {
        size_t n = 0;
        while (n < kGxDebugWindowLineLength - 1 && line[n] != 0) ++n;
        text.append(line, n);
    }
    GxPlatformPaintDebugWindow(s.window, text);
    s.changed = false;
}

GxLResult GxDebugWindowProc(GxWindowHandle window, uint32_t message, GxWParam wParam, GxLParam lParam)
{
    GxDebugWindowState& s = GxGetDebugWindowState();
    switch (message) {
    case GxWindowMessage::Destroy:
        return 0;
    case GxWindowMessage::Paint:
        GxPaintDebugWindow();
        break;
    case GxWindowMessage::Close:
        GxHideDebugWindow();
        return 0;
    case GxWindowMessage::SysKeyDown:
        if (wParam == GxVirtualKey::F11 && s.window) {
            if (!s.visible) {
                GxPlatformShowDebugWindow(s.window, GxShowCommand::ShowNoActivate);
                s.visible = true;
            } else {
                GxHideDebugWindow();
            }
        }
        break;
    default:
        break;
    }
    return GxPlatformDebugWindowDefProc(window, message, wParam, lParam);
}

void GxRefreshDebugWindow()
{
    GxDebugWindowState& s = GxGetDebugWindowState();
    if (s.window && s.changed) GxPaintDebugWindow();
}

void GxCloseDebugWindow()
{
    GxDebugWindowState& s = GxGetDebugWindowState();
    s.visible = false;
    if (s.window) GxPlatformCloseDebugWindow(s.window);
    s.window = 0;
}
