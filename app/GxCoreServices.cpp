// What the subsystems call on the application object: the current core, the start-up globals,
// the quit request, the cursor and its mapping to the logical screen, the render layers.
#include "app/GxCore.h"

#include "app/GxCoreDevice.h"
#include "app/task/GxTaskManage.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGlobalRenderTarget.h"
#include "platform/GxPresentRect.h"
#include "platform/GxSdlWindow.h"

namespace {
GxCore* g_Core = nullptr;

// A scene capture: the frame's render pass into render bank 1, drawn at once. Bank 1 leaves
// the frame's own lists as they are when a capture comes in the middle of a frame.
void RenderSceneOfCore()
{
    GxCore* core = g_Core;
    if (!core) return;
    GxRenderLayerBanks& banks = core->GetRenderLayers();
    banks.SetBankIndex(1);
    core->ClearRenderLayers();
    if (GxTaskManage* tm = core->GetTaskManage())
        tm->RenderSequences(tm->GetCurrentSequence(), tm->GetPersistentRoot(), 0, 0);
    core->DrawRenderLayers();
    core->ClearRenderLayers();
    banks.SetBankIndex(0);
}
}  // namespace

int32_t g_GxCursorMode = 2;
int32_t g_GxRequestScreenWidth = 640;
int32_t g_GxRequestScreenHeight = 480;

GxCore* GxGetCore() { return g_Core; }
void GxSetCore(GxCore* core)
{
    g_Core = core;
    GxSetSceneRenderer(core ? &RenderSceneOfCore : nullptr);
}

void GxCore::RequestQuit()
{
    if (!m_WindowServices) return;
    if (m_MainWindow) m_WindowServices->PostMessage(m_MainWindow, GxWindowMessage::Destroy, 0, 0);
    else m_WindowServices->PostQuitMessage(0);
}

GxCore::ClientMapping GxCore::GetClientMapping()
{
    ClientMapping m;
    GxWindowRect rc = m_WindowServices->GetClientRect(m_MainWindow);
    m.clientWidth = rc.right - rc.left;
    m.clientHeight = rc.bottom - rc.top;
    // A window with no client area (minimised) maps one to one rather than to infinity.
    if (m.clientWidth <= 0 || m.clientHeight <= 0) return m;
    // The picture is shown whole and undistorted in any client size, and points map through the
    // rectangle it is shown in; on a 4:3 client that rectangle is the client itself.
    m.picture = GxFitPresentRect(kGxLogicalScreenWidth, kGxLogicalScreenHeight, m.clientWidth, m.clientHeight);
    m.sx = static_cast<float>(kGxLogicalScreenWidth) / static_cast<float>(m.picture.width);
    m.sy = static_cast<float>(kGxLogicalScreenHeight) / static_cast<float>(m.picture.height);
    return m;
}

GxMousePoint GxCore::ScalePoint(GxLParam lParam)
{
    const ClientMapping m = GetClientMapping();
    GxMousePoint pt;
    pt.x = static_cast<float>(GxGetXParam(lParam) - m.picture.left) * m.sx;
    pt.y = static_cast<float>(GxGetYParam(lParam) - m.picture.top) * m.sy;
    return pt;
}

bool GxCore::InBar(GxLParam lParam)
{
    const ClientMapping m = GetClientMapping();
    const int32_t x = GxGetXParam(lParam), y = GxGetYParam(lParam);
    const bool inClient = x >= 0 && y >= 0 && x < m.clientWidth && y < m.clientHeight;
    return inClient && m.picture.width > 0 && !m.picture.Contains(x, y);
}

GxWindowPoint GxCore::GetMousePos()
{
    GxWindowPoint p = m_WindowServices->GetCursorPos();
    if (!m_MainWindow) return p;
    p = m_WindowServices->ScreenToClient(m_MainWindow, p);
    const ClientMapping m = GetClientMapping();
    p.x = static_cast<int32_t>(static_cast<float>(p.x - m.picture.left) * m.sx);
    p.y = static_cast<int32_t>(static_cast<float>(p.y - m.picture.top) * m.sy);
    return p;
}

void GxCore::ClearRenderLayers() { m_RenderLayers.ClearRenderLayers(); }

void GxCore::DrawRenderLayers()
{
    m_RenderLayers.DrawRenderLayers(m_TaskManage ? m_TaskManage->IsMainStarted() : false);
}

bool GxCore::RepeatsLastFrame(bool allowed)
{
    m_FrameKey.Clear();
    bool keyed = allowed && m_TaskManage && m_RenderLayers.AppendDrawKey(m_FrameKey, m_TaskManage->IsMainStarted());
    if (keyed) {
        // What every draw goes through besides its task.
        GxRectL viewport{};
        GxGraphics::GetViewport(&viewport);
        m_FrameKey.Add(viewport);
        m_FrameKey.Add(GxGraphics::GetDrawMatrix());
    }
    if (keyed && m_DrawnFrameKeyed && m_FrameKey == m_DrawnFrameKey && GxCoreDeviceRepeatShownFrame()) {
        ++m_FramesRepeated;
        return true;
    }
    m_FrameKey.Swap(m_DrawnFrameKey);
    m_DrawnFrameKeyed = keyed;
    return false;
}

bool GxApplyCursorMode()
{
    GxCore* core = GxGetCore();
    GxWindowServices* ws = core ? core->GetWindowServices() : GxGetWindowServices();
    if (!ws) return false;
    switch (g_GxCursorMode) {
    case 0:
    case 4:
        ws->SetCursor(GxSystemCursor::None);
        return true;
    case 1:
        ws->SetCursor(GxSystemCursor::Arrow);
        return true;
    case 2: {
        const int32_t mode = GxCoreDeviceGetScreenMode();
        ws->SetCursor(mode == 0 || mode == 1 ? GxSystemCursor::Arrow : GxSystemCursor::None);
        return true;
    }
    case 3:
        return true;
    default:
        return false;
    }
}

void GxSetCursorShape(int32_t shape)
{
    GxCore* core = GxGetCore();
    GxWindowServices* ws = core ? core->GetWindowServices() : GxGetWindowServices();
    if (!ws || shape < 0 || shape > 6) return;
    ws->SetCursor(static_cast<GxSystemCursor>(shape));
}
