// The main window's procedure: window messages to the task tree, the screen-mode key and the
// debug frame-rate keys.
#include "app/GxCore.h"

#include "app/GxCoreDevice.h"
#include "app/task/GxTaskManage.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserConfig.h"
#include "media/GxInput.h"

GxLResult GxCoreWindowProcedure::WindowProc(GxWindowHandle window, uint32_t message, GxWParam wParam, GxLParam lParam)
{
    return m_Core->WindowProc(window, message, wParam, lParam);
}

void GxCore::ToggleScreenMode()
{
    if (GxCoreDeviceIsWindowed()) {
        if (GxCoreDeviceChangeScreenMode(2)) {
            if (m_UserConfig) m_UserConfig->m_ScreenMode = 1;
            m_TaskManage->OnChangeScreenMode(0, 2);
        }
    } else if (GxCoreDeviceChangeScreenMode(0)) {
        if (m_UserConfig) m_UserConfig->m_ScreenMode = 0;
        m_TaskManage->OnChangeScreenMode(2, 0);
    }
}

GxLResult GxCore::WindowProc(GxWindowHandle window, uint32_t message, GxWParam wParam, GxLParam lParam)
{
    GxWindowServices* ws = m_WindowServices;
    GxTaskManage* tm = m_TaskManage;
    const uint32_t keyState = GxGetKeyStateParam(wParam);
    auto walkButtonDown = [&](int (GxTaskManage::*walk)(GxTaskBase*, const GxMousePoint&, uint32_t, bool)) {
        // A press on a bar beside the picture is not a click: nothing there can be meant.
        if (InBar(lParam)) return;
        ws->SetCapture(window);
        GxMousePoint pt = ScalePoint(lParam);
        if (tm && (tm->*walk)(tm->GetPersistentRoot(), pt, keyState, false) == 0 && tm->IsSequenceEntered() &&
            tm->GetCurrentSequence()) {
            (tm->*walk)(tm->GetCurrentSequence(), pt, keyState, false);
        }
    };
    auto buttonUp = [&](int (GxTaskManage::*on)(const GxMousePoint&, uint32_t)) {
        // A button pressed outside the window and released inside does nothing.
        if (ws->GetCapture() != window) return;
        GxMousePoint pt = ScalePoint(lParam);
        if (tm) (tm->*on)(pt, keyState);
        ws->ReleaseCapture();
    };

    switch (message) {
    case GxWindowMessage::Destroy:
        ws->PostQuitMessage(0);
        return 0;

    case GxWindowMessage::Activate: {
        // Only the low word tells the state; the high word is set while minimised, and a
        // deactivation while minimised must not take the input devices.
        const bool active = (wParam & 0xFFFF) != 0;
        GxInput::SetActive(active ? 1 : 0);
        m_Active = active;
        if (tm) {
            if (active) tm->OnActivate();
            else tm->OnDeactivate();
        }
        break;
    }

    case GxWindowMessage::Paint:
        ws->ValidateRect(window);
        return 0;

    case GxWindowMessage::Close:
        if (!tm || tm->OnClose() == 0) RequestQuit();
        return 0;

    case GxWindowMessage::SetCursor:
        return GxApplyCursorMode() ? 1 : 0;

    case GxWindowMessage::WindowPosChanged:
        m_FrameTimer.ResetTime();
        break;

    case GxWindowMessage::KeyDown:
        if (tm && tm->OnKeyDown(wParam, lParam) != 0) break;
        switch (wParam) {
        case GxVirtualKey::F4:
            if (tm) ToggleScreenMode();
            break;
        case GxVirtualKey::F5:
        case GxVirtualKey::F6:
        case GxVirtualKey::F7:
            if (m_SystemConfig && m_SystemConfig->m_DebugModeFlag) {
                m_FrameTimer.SetWaitRate(wParam == GxVirtualKey::F5 ? 60 : wParam == GxVirtualKey::F6 ? 30 : 10);
            }
            break;
        default:
            break;
        }
        break;

    case GxWindowMessage::KeyUp:
        if (tm) tm->OnKeyUp(wParam, lParam);
        break;

    case GxWindowMessage::SysCommand: {
        const uint32_t command = static_cast<uint32_t>(wParam) & 0xFFF0u;
        if (command == GxSysCommand::ScreenSave || command == GxSysCommand::MonitorPower) return 0;
        break;
    }

    case GxWindowMessage::MouseMove:
        if (tm) tm->OnMouseMove(ScalePoint(lParam), keyState);
        break;

    case GxWindowMessage::LButtonDown:
        walkButtonDown(&GxTaskManage::WalkMouseLeftDown);
        break;
    case GxWindowMessage::LButtonUp:
        buttonUp(&GxTaskManage::OnMouseLeftUp);
        break;
    case GxWindowMessage::RButtonDown:
        walkButtonDown(&GxTaskManage::WalkMouseRightDown);
        break;
    case GxWindowMessage::RButtonUp:
        buttonUp(&GxTaskManage::OnMouseRightUp);
        break;
    case GxWindowMessage::MButtonDown:
        walkButtonDown(&GxTaskManage::WalkMouseMiddleDown);
        break;
    case GxWindowMessage::MButtonUp:
        buttonUp(&GxTaskManage::OnMouseMiddleUp);
        break;

    case GxWindowMessage::MouseWheel: {
        // The wheel message carries screen coordinates: take the cursor instead.
        GxWindowPoint p = GetMousePos();
        GxMousePoint pt;
        pt.x = static_cast<float>(p.x);
        pt.y = static_cast<float>(p.y);
        if (tm) tm->OnMouseWheel(pt, GxGetWheelDelta(wParam), keyState);
        break;
    }

    default:
        break;
    }
    return ws->DefWindowProc(window, message, wParam, lParam);
}
