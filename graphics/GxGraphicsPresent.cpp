// GxGraphics once the device exists: presenting and the lost device, resets and screen-mode
// changes, the current swap chain, the render-target stacks, scenes, clearing, the viewport and
// the state caches.
#include <algorithm>
#include <chrono>
#include <thread>

#include "core/GxLog.h"
#include "graphics/GxD3DResource.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsSettings.h"
#include "graphics/GxSwapChain.h"
#include "graphics/GxTexture.h"

namespace {

void RealSleep(uint32_t milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

GxGraphics::SleepFunction& Sleeper()
{
    static GxGraphics::SleepFunction sleep = &RealSleep;
    return sleep;
}

struct MainWindow
{
    GxWindowServices* services = nullptr;
    GxWindowHandle window = 0;
};

MainWindow& TheMainWindow()
{
    static MainWindow w;
    return w;
}

bool IsAllZero(const GxRenderTargetEntry& e) { return e.left == 0 && e.top == 0 && e.right == 0 && e.bottom == 0; }

}  // namespace

void GxGraphics::SetSleepFunction(SleepFunction sleep) { Sleeper() = sleep ? sleep : &RealSleep; }

void GxGraphics::SetMainWindow(GxWindowServices* services, GxWindowHandle window)
{
    TheMainWindow() = MainWindow{services, window};
}

GxSwapChain* GxGraphics::GetDefaultSwapChain()
{
    static GxSwapChain chain;
    return &chain;
}

// ---- Present and reset ---------------------------------------------------------------------------

bool GxGraphics::Present(const GxRectL* source, const GxRectL* dest, void* destWindow)
{
    GxGraphicsState& s = State();
    if (!s.device) return false;
    if (s.sceneCount != 0) {
        GxPrintErrorLog(u"BeginScene～EndSceneが完了していないのにPresentが呼ばれました\n");
        return false;
    }
    if (!s.renderTargetStacks.empty() && !s.renderTargetStacks[0].empty())
        GxPrintErrorLog(u"RenderTarget Stack is't empty\n");
    GxDeviceSwapChain* chain = s.currentSwapChain ? s.currentSwapChain->GetD3DSwapChain() : nullptr;
    // A chain that a failed reset left empty presents through the device, which reports the loss.
    GxResult r = chain ? chain->Present(source, dest, destWindow, 0) : s.device->Present(source, dest, destWindow, nullptr);
    if (r == GXERR_DRIVERINTERNALERROR) {
        // The device cannot be used any more; the application core ends the program in order.
        GxPrintErrorLog(u"PresentでD3DERR_DRIVERINTERNALERRORが発生しました\n");
        s.driverInternalError = true;
        return false;
    }
    if (r == GXERR_DEVICELOST) {
        GxResult level = s.device->TestCooperativeLevel();
        if (level == GXERR_DEVICELOST) {
            Sleeper()(10);
            return true;
        }
        if (level == GXERR_DEVICENOTRESET) Reset(false, s.screenMode, s.screenMode);
        return true;
    }
    return true;
}

void GxGraphics::ForceFrame()
{
    if (GxDevice* device = State().device) device->ForceFrame();
}

bool GxGraphics::RepeatShownFrame()
{
    GxGraphicsState& s = State();
    if (!s.device || s.sceneCount != 0) return false;
    for (const auto& stack : s.renderTargetStacks)
        if (!stack.empty()) return false;
    return s.device->RepeatShownFrame();
}

bool GxGraphics::Reset(bool force, int32_t newMode, int32_t oldMode)
{
    GxGraphicsState& s = State();
    if (!s.device) return false;
    if (!force && s.device->TestCooperativeLevel() == GX_OK) return true;
    GxGetD3DResourceManage().OnLostDevice();
    if (s.resetListener) s.resetListener->OnBeforeReset(newMode, oldMode);
    if (s.beforeReset) s.beforeReset(newMode, oldMode);
    GxPresentParameters params = GetPresentParameters(s.screenMode);
    bool ok = GxSucceeded(s.device->Reset(&params));
    if (!ok) GxPrintErrorLog(u"Resetでデバイスの復帰に失敗しました\n");
    GxGetD3DResourceManage().OnResetDevice();
    ReapplyRenderTargets();
    ReapplyStateCache();
    if (s.resetListener) s.resetListener->OnAfterReset(newMode, oldMode);
    if (s.afterReset) s.afterReset(newMode, oldMode);
    return ok;
}

bool GxGraphics::ChangeScreenMode(int32_t mode)
{
    GxGraphicsState& s = State();
    if (GetPresentParameters(mode).BackBufferHeight == 0) return false;
    const int32_t old = s.screenMode;
    s.screenMode = mode;
    if (!Reset(true, mode, old)) {
        // The device goes back to the mode the window still has, so that mode, window and the
        // player's option keep agreeing.
        s.screenMode = old;
        Reset(true, old, mode);
        return false;
    }
    if (!SetWindowStyle(GetPresentParameters(s.screenMode).Windowed != 0)) {
        // The display keeps its mode here, so full screen is the window system's to give; where
        // it does not give it (no window manager, or one without full screen), the program goes
        // on in its window.
        GxPrintDeviceLog(u"Warning/GxGraphics ChangeScreenMode The window system did not make the window full "
                         u"screen(%s): it stays in its window\n",
                         GetScreenModeName(mode));
        s.screenMode = old;
        Reset(true, old, mode);
        SetWindowStyle(GetPresentParameters(old).Windowed != 0);
        return false;
    }
    return true;
}

bool GxGraphics::SetWindowStyle(bool windowed)
{
    const MainWindow& main = TheMainWindow();
    GxWindowServices* ws = main.services;
    if (!ws || !main.window) return true;
    constexpr uint32_t kVisible = 0x10000000u;
    const GxGraphicsSettings& set = GxGetGraphicsSettings();
    const int32_t width = static_cast<int32_t>(set.logicalScreenWidth);
    const int32_t height = static_cast<int32_t>(set.logicalScreenHeight);
    if (!windowed) {
        if (!ws->SetWindowStyle(main.window, kVisible)) return false;
        ws->SetWindowPos(main.window, 0, 0, width, height);
        return true;
    }
    ws->SetWindowStyle(main.window,
                       kVisible | GxWindowStyle::Caption | GxWindowStyle::SysMenu | GxWindowStyle::MinimizeBox);
    const int32_t sw = ws->GetSystemMetrics(GxSystemMetric::CxScreen);
    const int32_t sh = ws->GetSystemMetrics(GxSystemMetric::CyScreen);
    int32_t w = width + ws->GetSystemMetrics(GxSystemMetric::CxEdge) + ws->GetSystemMetrics(GxSystemMetric::CxFixedFrame) +
                ws->GetSystemMetrics(GxSystemMetric::CxBorder);
    int32_t h = height + ws->GetSystemMetrics(GxSystemMetric::CyEdge) +
                ws->GetSystemMetrics(GxSystemMetric::CyFixedFrame) + ws->GetSystemMetrics(GxSystemMetric::CyBorder) +
                ws->GetSystemMetrics(GxSystemMetric::CyCaption);
    w = std::min(w, sw);
    h = std::min(h, sh);
    const int32_t x = std::max(0, sw / 2 - w / 2);
    const int32_t y = std::max(0, sh / 2 - h / 2);
    ws->SetWindowPos(main.window, x, y, w, h);
    return true;
}

// ---- Swap chain and render targets ------------------------------------------------------------------

bool GxGraphics::SetSwapChain(GxSwapChain* swapChain, const GxRectL* viewport)
{
    GxGraphicsState& s = State();
    s.currentSwapChain = swapChain ? swapChain : GetDefaultSwapChain();
    for (auto& stack : s.renderTargetStacks) stack.clear();
    GxDeviceSwapChain* chain = s.currentSwapChain->GetD3DSwapChain();
    GxDeviceSurface* back = nullptr;
    if (!s.device || !chain || GxFailed(chain->GetBackBuffer(0, &back)) || !back ||
        GxFailed(s.device->SetRenderTarget(0, back))) {
        GxSafeRelease(back);
        GxPrintErrorLog(u"SetSwapChain/Can't set BackBuffer\n");
        return false;
    }
    SetViewport(viewport ? viewport : &s.currentSwapChain->GetClientRect());
    GxSafeRelease(back);
    if (GxFailed(s.device->SetDepthStencilSurface(s.currentSwapChain->GetDepthStencilSurface()))) {
        GxPrintErrorLog(u"SetSwapChain/Can't set DepthStencil\n");
        return false;
    }
    return true;
}

bool GxGraphics::SetRenderTarget(uint32_t index, const GxRenderTargetEntry* entry)
{
    GxGraphicsState& s = State();
    if (!s.device) return false;
    if (GxSurfaceBase* target = GxGetRenderTargetObject(entry)) {
        if (!target->SetRenderTarget(index)) {
            GxPrintErrorLog(u"SetRenderTarget/Can't set RenderTarget %d\n", index);
            return false;
        }
        if (index == 0) {
            GxRectL r = IsAllZero(*entry) ? GxRectL{0, 0, static_cast<int32_t>(target->GetWidth()),
                                                    static_cast<int32_t>(target->GetHeight())}
                                          : GxRectL{entry->left, entry->top, entry->right, entry->bottom};
            SetViewport(&r);
        }
        return true;
    }
    if (index != 0) {
        if (GxFailed(s.device->SetRenderTarget(index, nullptr))) {
            GxPrintErrorLog(u"SetRenderTarget/Can't set NULL Buffer %d\n", index);
            return false;
        }
        return true;
    }
    GxSwapChain* sc = s.currentSwapChain;
    GxDeviceSwapChain* chain = sc ? sc->GetD3DSwapChain() : nullptr;
    GxDeviceSurface* back = nullptr;
    if (!chain || GxFailed(chain->GetBackBuffer(0, &back)) || !back || GxFailed(s.device->SetRenderTarget(0, back))) {
        GxSafeRelease(back);
        GxPrintErrorLog(u"GxGraphics::SetRenderTarget/Can't set Default BackBuffer\n");
        return false;
    }
    GxSafeRelease(back);
    const GxRectL& m = sc->GetMargins();
    GxRectL r{m.left, m.top, static_cast<int32_t>(sc->GetWidth()) - m.right,
              static_cast<int32_t>(sc->GetHeight()) - m.bottom};
    SetViewport(&r);
    return true;
}

bool GxGraphics::SetDepthStencil(const GxRenderTargetEntry* entry)
{
    GxGraphicsState& s = State();
    if (!s.device) return false;
    if (GxDeviceSurface* surface = GxGetDepthStencilSurface(entry)) {
        if (GxFailed(s.device->SetDepthStencilSurface(surface))) {
            GxPrintErrorLog(u"SetRenderTarget/Can't set RenderTarget\n");
            return false;
        }
        return true;
    }
    GxDeviceSurface* fallback = s.currentSwapChain ? s.currentSwapChain->GetDepthStencilSurface() : nullptr;
    if (GxFailed(s.device->SetDepthStencilSurface(fallback))) {
        GxPrintErrorLog(u"SetDepthStencil/Can't set Default DepthStencil\n");
        return false;
    }
    return true;
}

bool GxGraphics::PushRenderTarget(uint32_t index, GxSurfaceBase* target, GxSurfaceBase* depthStencil,
                                  const GxRectL* rect)
{
    GxGraphicsState& s = State();
    if (index >= s.renderTargetStacks.size()) return false;
    GxRenderTargetEntry e;
    e.target = target;
    e.depthStencil = depthStencil;
    if (rect) {
        e.left = rect->left;
        e.top = rect->top;
        e.right = rect->right;
        e.bottom = rect->bottom;
    }
    s.renderTargetStacks[index].push_back(e);
    const GxRenderTargetEntry& top = s.renderTargetStacks[index].back();
    bool target_ok = SetRenderTarget(index, &top);
    bool depth_ok = SetDepthStencil(&top);
    return target_ok && depth_ok;
}

bool GxGraphics::PopRenderTarget(uint32_t index)
{
    GxGraphicsState& s = State();
    if (index >= s.renderTargetStacks.size()) return false;
    auto& stack = s.renderTargetStacks[index];
    if (!stack.empty()) stack.pop_back();
    const GxRenderTargetEntry* top = stack.empty() ? nullptr : &stack.back();
    bool target_ok = SetRenderTarget(index, top);
    bool depth_ok = SetDepthStencil(top);
    return target_ok && depth_ok;
}

void GxGraphics::ReapplyRenderTargets()
{
    GxGraphicsState& s = State();
    for (size_t i = 0; i < s.renderTargetStacks.size(); ++i) {
        const auto& stack = s.renderTargetStacks[i];
        const GxRenderTargetEntry* top = stack.empty() ? nullptr : &stack.back();
        SetRenderTarget(static_cast<uint32_t>(i), top);
        if (i == 0) SetDepthStencil(top);
    }
}

size_t GxGraphics::GetRenderTargetDepth(uint32_t index)
{
    const GxGraphicsState& s = State();
    return index < s.renderTargetStacks.size() ? s.renderTargetStacks[index].size() : 0;
}

// ---- Scenes, clearing, viewport -------------------------------------------------------------------------

bool GxGraphics::BeginScene()
{
    GxGraphicsState& s = State();
    if (!s.device) return false;
    if (s.sceneCount++ != 0) return true;
    return GxSucceeded(s.device->BeginScene());
}

bool GxGraphics::EndScene()
{
    GxGraphicsState& s = State();
    if (!s.device) return false;
    // An EndScene without its BeginScene would leave the counter below zero and every later
    // scene unbalanced.
    if (s.sceneCount == 0) return false;
    if (--s.sceneCount != 0) return true;
    return GxSucceeded(s.device->EndScene());
}

bool GxGraphics::Clear(uint32_t flags, GxColor color, float z, uint32_t stencil, const GxRectL* rect)
{
    GxGraphicsState& s = State();
    if (!s.device) return false;
    return GxSucceeded(s.device->Clear(rect ? 1 : 0, rect, flags, color, z, stencil));
}

void GxGraphics::SetViewport(const GxRectL* rect)
{
    GxGraphicsState& s = State();
    GxRectL r;
    if (rect) {
        r = *rect;
    } else {
        const GxPresentParameters& p = GetPresentParameters(s.screenMode);
        r = GxRectL{0, 0, static_cast<int32_t>(p.BackBufferWidth), static_cast<int32_t>(p.BackBufferHeight)};
    }
    // Negative or inverted edges would wrap to huge unsigned sizes.
    const int32_t left = std::max(0, r.left), top = std::max(0, r.top);
    s.viewport.X = static_cast<uint32_t>(left);
    s.viewport.Y = static_cast<uint32_t>(top);
    s.viewport.Width = static_cast<uint32_t>(std::max(0, r.right - left));
    s.viewport.Height = static_cast<uint32_t>(std::max(0, r.bottom - top));
    s.viewport.MinZ = 0.0f;
    s.viewport.MaxZ = 1.0f;
    if (s.device) s.device->SetViewport(&s.viewport);
}

void GxGraphics::GetViewport(GxRectL* rect)
{
    if (!rect) return;
    const GxViewport& v = State().viewport;
    *rect = GxRectL{static_cast<int32_t>(v.X), static_cast<int32_t>(v.Y), static_cast<int32_t>(v.X + v.Width),
                    static_cast<int32_t>(v.Y + v.Height)};
}

// ---- State caches --------------------------------------------------------------------------------

bool GxGraphics::SetRenderState(GxRenderStateType state, uint32_t value)
{
    GxGraphicsState& s = State();
    if (!s.device || state >= GX_RENDERSTATE_COUNT) return false;
    GxStateCacheEntry& e = s.renderStates[state];
    if (e.valid && e.value == value) return true;
    e.value = value;
    e.valid = true;
    return GxSucceeded(s.device->SetRenderState(state, value));
}

bool GxGraphics::SetTextureStageState(uint32_t stage, GxTextureStageStateType type, uint32_t value)
{
    GxGraphicsState& s = State();
    if (!s.device || stage >= GX_TEXTURESTAGE_COUNT || type >= GX_TEXTURESTAGESTATE_COUNT) return false;
    GxStateCacheEntry& e = s.textureStageStates[stage][type];
    if (e.valid && e.value == value) return true;
    e.value = value;
    e.valid = true;
    return GxSucceeded(s.device->SetTextureStageState(stage, type, value));
}

bool GxGraphics::ReapplyStateCache()
{
    GxGraphicsState& s = State();
    if (!s.device) return false;
    for (uint32_t i = 0; i < GX_RENDERSTATE_COUNT; ++i)
        if (s.renderStates[i].valid)
            s.device->SetRenderState(static_cast<GxRenderStateType>(i), s.renderStates[i].value);
    for (uint32_t stage = 0; stage < GX_TEXTURESTAGE_COUNT; ++stage)
        for (uint32_t t = 0; t < GX_TEXTURESTAGESTATE_COUNT; ++t)
            if (s.textureStageStates[stage][t].valid)
                s.device->SetTextureStageState(stage, static_cast<GxTextureStageStateType>(t),
                                               s.textureStageStates[stage][t].value);
    return true;
}

void GxGraphics::SetSoftwareVertexProcessing(uint32_t major, uint32_t minor)
{
    GxGraphicsState& s = State();
    if (!s.device) return;
    bool software = true;
    if (!s.referenceDevice && !s.softwareVertexProcessing)
        software = !s.caps.HwTransformAndLight || s.caps.VertexShaderVersion < GxVertexShaderVersion(major, minor);
    s.device->SetSoftwareVertexProcessing(software);
}
