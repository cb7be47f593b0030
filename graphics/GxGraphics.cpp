// GxGraphics's creation and release: the adapter with its screen modes and resource formats,
// the present parameters of every screen mode, the device, and what goes with it.
#include "graphics/GxGraphics.h"

#include <algorithm>

#include "core/GxLog.h"
#include "core/GxString.h"
#include "graphics/GxGraphicsSettings.h"
#include "graphics/GxRenderState.h"
#include "graphics/GxResourceFactory.h"
#include "graphics/GxSwapChain.h"
#include "platform/gl/GxGLContext.h"

namespace {

GxGraphics::Direct3DFactory& Factory()
{
    static GxGraphics::Direct3DFactory factory;
    return factory;
}

const char16_t kCannotStart[] = u"起動できません";

uint32_t PresentationInterval(uint32_t count)
{
    switch (count) {
    case 0: return GXPRESENT_INTERVAL_IMMEDIATE;
    case 1: return GXPRESENT_INTERVAL_ONE;
    case 2: return GXPRESENT_INTERVAL_TWO;
    case 3: return GXPRESENT_INTERVAL_THREE;
    case 4: return GXPRESENT_INTERVAL_FOUR;
    default: return GXPRESENT_INTERVAL_DEFAULT;
    }
}

void LogModeLine(const GxDisplayMode& m)
{
    GxPrintDeviceLog(u"\t・%u x %u %uHz (%s)\n", m.Width, m.Height, m.RefreshRate, GxGraphics::GetFormatName(m.Format));
}

// The full-screen mode of the given size: every adapter mode of that size in the format order of
// the back-buffer bits is listed (at most 128 kept), then the refresh-rate preference picks one.
bool SearchFullScreenMode(GxDirect3D* d3d, uint32_t width, uint32_t height, const char16_t* listTitle,
                          const char16_t* foundText, const char16_t* notFoundText, GxDisplayMode* out)
{
    const GxGraphicsSettings& set = GxGetGraphicsSettings();
    static const GxFormat k16[] = {GXFMT_R5G6B5, GXFMT_X1R5G5B5, GXFMT_X8R8G8B8, GXFMT_A2R10G10B10};
    static const GxFormat k32[] = {GXFMT_X8R8G8B8, GXFMT_R5G6B5, GXFMT_X1R5G5B5, GXFMT_A2R10G10B10};
    const GxFormat* formats = set.backBufferBits == 16 ? k16 : k32;
    constexpr size_t kMaxCandidates = 128;
    std::vector<GxDisplayMode> candidates;
    GxPrintDeviceLog(listTitle);
    for (int f = 0; f < 4; ++f) {
        uint32_t count = d3d->GetAdapterModeCount(0, formats[f]);
        for (uint32_t i = 0; i < count; ++i) {
            GxDisplayMode m;
            if (GxFailed(d3d->EnumAdapterModes(0, formats[f], i, &m))) continue;
            if (m.Width != width || m.Height != height || m.Format != formats[f]) continue;
            LogModeLine(m);
            if (candidates.size() < kMaxCandidates) candidates.push_back(m);
        }
    }
    const uint32_t preference[] = {set.refreshRate, 60, 70, 72, 75, 85, 0};
    const GxDisplayMode* chosen = nullptr;
    for (uint32_t rate : preference) {
        for (const auto& c : candidates) {
            if (c.RefreshRate == rate) {
                chosen = &c;
                break;
            }
        }
        if (chosen) break;
    }
    if (!chosen && !candidates.empty()) chosen = &candidates.front();
    if (!chosen) {
        GxPrintDeviceLog(notFoundText);
        return false;
    }
    *out = *chosen;
    GxPrintDeviceLog(foundText);
    LogModeLine(*out);
    return true;
}

}  // namespace

GxGraphicsState& GxGraphics::State()
{
    static GxGraphicsState state;
    return state;
}

void GxGraphics::SetDirect3DFactory(Direct3DFactory factory) { Factory() = std::move(factory); }

const GxPresentParameters& GxGraphics::GetPresentParameters(int32_t mode)
{
    static const GxPresentParameters none;
    if (mode < 0 || mode >= GX_PRESENT_PARAMETER_SLOTS) return none;
    return State().presentParameters[mode];
}

bool GxGraphics::GetAdapterInfo()
{
    GxGraphicsState& s = State();
    GxGraphicsSettings& set = GxGetGraphicsSettings();
    GxDirect3D* d3d = s.direct3D;

    s.adapterCount = d3d->GetAdapterCount();
    GxPrintDeviceLog(u"\t・ビデオカード数:%u\n", s.adapterCount);

    GxAdapterIdentifier id;
    if (GxFailed(d3d->GetAdapterIdentifier(s.adapter, 0, &id))) {
        GxPrintErrorLog(u"GetAdapterIdentifierに失敗。ビデオカード情報が取得できません\n");
        return false;
    }
    s.videoCardName = GxAnsiToWide(id.Description);
    s.driverName = GxAnsiToWide(id.Driver);
    uint64_t v = id.DriverVersion;
    s.driverVersion = GxFormatString(u"%u.%u.%u.%u", static_cast<uint32_t>((v >> 48) & 0xFFFF),
                                     static_cast<uint32_t>((v >> 32) & 0xFFFF),
                                     static_cast<uint32_t>((v >> 16) & 0xFFFF), static_cast<uint32_t>(v & 0xFFFF));
    s.driverVersion = std::u16string(GxCutText(s.driverVersion, 511));
    GxPrintDeviceLog(u"\t・ビデオカード名:%s\n", s.videoCardName);
    GxPrintDeviceLog(u"\t・ドライバ名:%s (%s)\n", s.driverName, s.driverVersion);

    d3d->GetAdapterDisplayMode(s.adapter, &s.windowMode);
    d3d->GetAdapterDisplayMode(s.adapter, &s.desktopMode);
    if (GxSucceeded(d3d->CheckDeviceType(s.adapter, GXDEVTYPE_HAL, s.desktopMode.Format, s.desktopMode.Format, true))) {
        s.modeAvailable[SCRMODE_WINDOW] = true;
        s.modeAvailable[SCRMODE_WINDOWSIZE] = true;
    } else {
        s.forceFullScreen = true;
    }
    s.windowMode.Width = set.backBufferWidth;
    s.windowMode.Height = set.backBufferHeight;

    s.modeAvailable[SCRMODE_FULLSCREEN] = SearchFullScreenMode(
        d3d, set.backBufferWidth, set.backBufferHeight, u"フルスクリーンモードで利用可能な画面モード一覧\n",
        u"\tフルスクリーンモードで利用する画面モードが見つかりました\n",
        u"\tフルスクリーンモードで利用する画面モードが見つかりませんでした\n", &s.fullScreenMode);
    s.modeAvailable[SCRMODE_FULLSCREENX2] = SearchFullScreenMode(
        d3d, set.backBufferWidth * 2, set.backBufferHeight * 2, u"フルスクリーンX2モードで利用可能な画面モード一覧\n",
        u"\tフルスクリーンX2モードで利用する画面モードが見つかりました\n",
        u"\tフルスクリーンX2モードで利用する画面モードが見つかりませんでした\n", &s.fullScreenX2Mode);

    GxPrintDeviceLog(u"使用するリソースのフォーマットを検索します\n");
    GxFormat adapterFormat = s.modeAvailable[SCRMODE_FULLSCREEN] ? s.fullScreenMode.Format : s.desktopMode.Format;
    auto supported = [&](uint32_t usage, GxResourceType type, GxFormat f) {
        return GxSucceeded(d3d->CheckDeviceFormat(s.adapter, GXDEVTYPE_HAL, adapterFormat, usage, type, f));
    };
    if (set.textureBits == 16) {
        s.textureFormat = supported(0, GXRTYPE_TEXTURE, GXFMT_A4R4G4B4)   ? GXFMT_A4R4G4B4
                          : supported(0, GXRTYPE_TEXTURE, GXFMT_A8R8G8B8) ? GXFMT_A8R8G8B8
                                                                          : GXFMT_A4R4G4B4;
    } else {
        s.textureFormat = supported(0, GXRTYPE_TEXTURE, GXFMT_A8R8G8B8)   ? GXFMT_A8R8G8B8
                          : supported(0, GXRTYPE_TEXTURE, GXFMT_A4R4G4B4) ? GXFMT_A4R4G4B4
                                                                          : GXFMT_A8R8G8B8;
    }
    s.renderTargetFormat = supported(GXUSAGE_RENDERTARGET, GXRTYPE_TEXTURE, GXFMT_A8R8G8B8)   ? GXFMT_A8R8G8B8
                           : supported(GXUSAGE_RENDERTARGET, GXRTYPE_TEXTURE, GXFMT_A4R4G4B4) ? GXFMT_A4R4G4B4
                                                                                              : GXFMT_A8R8G8B8;
    static const GxFormat kDepth16[] = {GXFMT_D15S1, GXFMT_D24S8, GXFMT_D24X8, GXFMT_D24X4S4};
    static const GxFormat kDepth24[] = {GXFMT_D24S8, GXFMT_D24X8, GXFMT_D24X4S4, GXFMT_D15S1};
    const GxFormat* depthOrder = set.depthStencilBits == 16 ? kDepth16 : kDepth24;
    s.depthStencilFormat = GXFMT_D24S8;
    for (int i = 0; i < 4; ++i) {
        if (supported(GXUSAGE_DEPTHSTENCIL, GXRTYPE_SURFACE, depthOrder[i])) {
            s.depthStencilFormat = depthOrder[i];
            break;
        }
    }
    GxPrintDeviceLog(u"\t・TextureFormat:%s\n", GetFormatName(s.textureFormat));
    GxPrintDeviceLog(u"\t・RenderTargetFormat:%s\n", GetFormatName(s.renderTargetFormat));
    GxPrintDeviceLog(u"\t・DepthStencilFormat:%s\n", GetFormatName(s.depthStencilFormat));
    return true;
}

void GxGraphics::BuildPresentParameters()
{
    GxGraphicsState& s = State();
    GxGraphicsSettings& set = GxGetGraphicsSettings();
    const GxDisplayMode* modes[4] = {&s.windowMode, &s.desktopMode, &s.fullScreenMode, &s.fullScreenX2Mode};
    for (int mode = 0; mode < 4; ++mode) {
        GxPresentParameters& p = s.presentParameters[mode];
        p = GxPresentParameters();
        // A mode that cannot be used keeps all-zero parameters, which refuses it later.
        if (!s.modeAvailable[mode]) continue;
        const GxDisplayMode& m = *modes[mode];
        bool windowed = mode < SCRMODE_FULLSCREEN;
        p.BackBufferWidth = m.Width;
        p.BackBufferHeight = m.Height;
        p.BackBufferFormat = m.Format;
        p.BackBufferCount = 1;
        p.SwapEffect = set.swapEffect;
        p.hDeviceWindow = s.focusWindow;
        p.Windowed = windowed ? 1 : 0;
        p.EnableAutoDepthStencil = 0;
        p.AutoDepthStencilFormat = s.depthStencilFormat;
        p.Flags = set.lockableBackBuffer ? GXPRESENTFLAG_LOCKABLE_BACKBUFFER : 0;
        p.FullScreen_RefreshRateInHz = windowed ? 0 : m.RefreshRate;
        p.PresentationInterval = PresentationInterval(set.vsyncInterval);
        p.MultiSampleType = GXMULTISAMPLE_NONE;
        p.MultiSampleQuality = 0;
        uint32_t ms = set.multiSampleMode;
        if (ms == 2 || ms == 4) {
            if (s.multiSampleQualityFull[ms] != 0 && s.multiSampleQualityWindow[ms] != 0) {
                p.MultiSampleType = ms;
                p.MultiSampleQuality = s.multiSampleQualityWindow[ms] - 1;
            } else {
                set.multiSampleMode = 0;
            }
        }
    }
}

bool GxGraphics::Create(void* window, GxGraphicsResetListener* listener, GxGraphicsResetCallback beforeReset,
                        GxGraphicsResetCallback afterReset)
{
    // A second creation must not lose the first device.
    if (State().device || State().direct3D) Release();
    GxGraphicsState& s = State();
    GxGraphicsSettings& set = GxGetGraphicsSettings();
    s = GxGraphicsState();
    s.focusWindow = window;
    s.resetListener = listener;
    s.beforeReset = beforeReset;
    s.afterReset = afterReset;
    s.textureCreateOption = set.textureCreateOption;
    GxPrintDeviceLog(u"Direct3D9の初期化を開始します\n");

    // Headless runs draw without a window.
    if (!window && !GxGLIsHeadless()) {
        GxPrintErrorLog(u"Direct3DCreate9 Failed m_hWnd is NULL\n");
        GxShowMessageBoxText(kCannotStart, u"ウインドウハンドルが取得できません");
        return false;
    }

    if (Factory()) {
        s.direct3D = Factory()(window);
    } else {
        GxDirect3DCreateParams params;
        params.sdkVersion = GX_DEVICE_SDK_VERSION;
        params.window = window;
        params.extraMode = GxDisplayMode{set.backBufferWidth, set.backBufferHeight, set.refreshRate, GXFMT_X8R8G8B8};
        s.direct3D = GxCreateGLDirect3D(params);
    }
    if (!s.direct3D) {
        GxPrintErrorLog(u"Direct3DCreate9 Failed\n");
        GxShowMessageBoxText(kCannotStart,
                             u"Direct3Dの初期化に失敗しました\n1.DirectX9.0c August "
                             u"2009以降の最新版をインストールして下さい\n2.ビデオカードが推奨環境を満たしているか確認して下さい");
        return false;
    }

    if (!GetAdapterInfo()) {
        GxPrintErrorLog(u"D3D9 GetAdapterInfo Failed\n");
        GxSafeRelease(s.direct3D);
        return false;
    }

    if (!LogDeviceCaps()) {
        GxShowMessageBoxText(u"ビデオデバイス情報が取得できません",
                             u"デフォルト設定で起動しますが正常に動作しない可能性があります");
        s.modeAvailable[SCRMODE_WINDOW] = true;
        s.modeAvailable[SCRMODE_WINDOWSIZE] = true;
        s.forceFullScreen = false;
    }

    LogMultiSampleTypes(s.renderTargetFormat, s.depthStencilFormat, true);
    BuildPresentParameters();

    GxPrintDeviceLog(u"要求された画面モード\n");
    GxPrintDeviceLog(u"\t・画面モード:%s\n", GetScreenModeName(set.screenMode));
    GxPrintDeviceLog(u"\t・VSYNCインターバル回数:%u\n", set.vsyncInterval);
    GxPrintDeviceLog(u"\t・ロック可能なバックバッファ:%u\n", set.lockableBackBuffer ? 1u : 0u);
    GxPrintDeviceLog(u"\t・BackBufferWidth:%u\n", set.backBufferWidth);
    GxPrintDeviceLog(u"\t・BackBufferHeight:%u\n", set.backBufferHeight);
    GxPrintDeviceLog(u"\t・RefreshRate:%u\n", set.refreshRate);
    GxPrintDeviceLog(u"\t・TextureBits:%u\n", set.textureBits);
    GxPrintDeviceLog(u"\t・BackBufferBits:%u\n", set.backBufferBits);
    GxPrintDeviceLog(u"\t・DepthStencilBits:%u\n", set.depthStencilBits);
    GxPrintDeviceLog(u"\t・MultiSampleMode:%u\n", set.multiSampleMode);

    s.screenMode = (s.forceFullScreen && set.screenMode == SCRMODE_WINDOW) ? SCRMODE_FULLSCREEN : set.screenMode;

    GxPrintDeviceLog(u"起動前画面モード\n");
    GxPrintDeviceLog(u"\t・BackBufferWidth:%u\n", s.desktopMode.Width);
    GxPrintDeviceLog(u"\t・BackBufferHeight:%u\n", s.desktopMode.Height);
    GxPrintDeviceLog(u"\t・RefreshRate:%u\n", s.desktopMode.RefreshRate);
    GxPrintDeviceLog(u"\t・BackBufferFormat:%s\n", GetFormatName(s.desktopMode.Format));
    const GxPresentParameters& current = GetPresentParameters(s.screenMode);
    GxPrintDeviceLog(u"起動画面モード\n");
    GxPrintDeviceLog(u"\t・画面モード:%s\n", GetScreenModeName(s.screenMode));
    GxPrintDeviceLog(u"\t・VSYNCインターバル回数:%u\n", set.vsyncInterval);
    GxPrintDeviceLog(u"\t・ロック可能なバックバッファ:%u\n", set.lockableBackBuffer ? 1u : 0u);
    GxPrintDeviceLog(u"\t・BackBufferWidth:%u\n", current.BackBufferWidth);
    GxPrintDeviceLog(u"\t・BackBufferHeight:%u\n", current.BackBufferHeight);
    GxPrintDeviceLog(u"\t・RefreshRate:%u\n", current.FullScreen_RefreshRateInHz);
    GxPrintDeviceLog(u"\t・TextureFormat:%s\n", GetFormatName(s.textureFormat));
    GxPrintDeviceLog(u"\t・BackBufferFormat:%s\n", GetFormatName(current.BackBufferFormat));
    GxPrintDeviceLog(u"\t・RenderTargetFormat:%s\n", GetFormatName(s.renderTargetFormat));
    GxPrintDeviceLog(u"\t・DepthStencilFormat:%s\n", GetFormatName(s.depthStencilFormat));
    GxPrintDeviceLog(u"\t・MultiSampleMode:%u\n", set.multiSampleMode);
    if (s.modeAvailable[SCRMODE_WINDOW])
        GxPrintDeviceLog(u"\t・ウインドウモードで起動が可能です\n");
    else
        GxPrintDeviceLog(u"\t・ウインドウモードではアクセラレーションが効きません(強制的にフルスクリーンモードにします)\n");

    struct Attempt
    {
        GxDeviceType type;
        uint32_t vertexProcessing;
        const char16_t* line;
    };
    static const Attempt kAttempts[] = {
        {GXDEVTYPE_HAL, GXCREATE_MIXED_VERTEXPROCESSING,
         u"\t・Direct3Dを D3DDEVTYPE_HAL - D3DCREATE_MIXED_VERTEXPROCESSING で初期化しました\n"},
        {GXDEVTYPE_HAL, GXCREATE_SOFTWARE_VERTEXPROCESSING,
         u"\t・Direct3Dを D3DDEVTYPE_HAL - D3DCREATE_SOFTWARE_VERTEXPROCESSING で初期化しました\n"},
        {GXDEVTYPE_REF, GXCREATE_MIXED_VERTEXPROCESSING,
         u"\t・Direct3Dを D3DDEVTYPE_REF - D3DCREATE_MIXED_VERTEXPROCESSING で初期化しました\n"},
        {GXDEVTYPE_REF, GXCREATE_SOFTWARE_VERTEXPROCESSING,
         u"\t・Direct3Dを D3DDEVTYPE_REF - D3DCREATE_SOFTWARE_VERTEXPROCESSING で初期化しました\n"},
    };
    GxResult result = GXERR_FAIL;
    for (int i = 0; i < 4; ++i) {
        const Attempt& a = kAttempts[i];
        GxPresentParameters p = current;
        result = s.direct3D->CreateDevice(s.adapter, a.type, window,
                                          a.vertexProcessing | GXCREATE_MULTITHREADED | GXCREATE_FPU_PRESERVE, &p,
                                          &s.device);
        if (GxFailed(result)) continue;
        if (i == 1) {
            s.device->SetSoftwareVertexProcessing(true);
            s.softwareVertexProcessing = true;
        } else if (i >= 2) {
            GxPrintDeviceLog(u"\t注意：このモードでは正常に表示されません\n");
            s.device->SetSoftwareVertexProcessing(true);
            s.referenceDevice = true;
            s.softwareVertexProcessing = true;
        }
        GxPrintDeviceLog(a.line);
        break;
    }
    if (!s.device) {
        GxPrintErrorLog(u"D3D9 CreateDevice Failed(Code:0x%x %s)\n", result, GetD3DErrorString(result));
        GxShowMessageBox(kCannotStart,
                         u"Direct3Dデバイスの作成に失敗しました(Code:0x%x)\n1.最新のDirectX(August "
                         u"2009以降)をインストールして下さい\n2.ビデオカードが推奨環境を満たしているか確認して下さい",
                         result);
        GxSafeRelease(s.direct3D);
        return false;
    }

    GxPrintDeviceLog(u"\t・VRAM残量:%uMByte\n", s.device->GetAvailableTextureMem() >> 20);

    // One render-target stack per target the device can draw to at once, then the default swap
    // chain over the device's own chain, made current, and the initial render state.
    s.currentSwapChain = nullptr;
    s.renderTargetStacks.assign(std::max<uint32_t>(1, s.caps.NumSimultaneousRTs), {});
    GetDefaultSwapChain()->CreateDefaultSwapChain(nullptr);
    SetSwapChain(nullptr, nullptr);
    InitRenderState();
    return true;
}

void GxGraphics::Release()
{
    GxReleaseDefaultMaterial();
    GxGraphicsState& s = State();
    GetDefaultSwapChain()->ReleaseAll();
    s.currentSwapChain = nullptr;
    s.renderTargetStacks.clear();
    if (int32_t n = GxGetTextureFactory().GetCount(); n != 0)
        GxPrintSlightErrorLog(u"Warning/GxTextureFactory is not Released(count=%d)\n", n);
    if (int32_t n = GxGetTextureFlexFactory().GetCount(); n != 0)
        GxPrintSlightErrorLog(u"Warning/GxTextureFlexFactory is not Released(count=%d)\n", n);
    if (int32_t n = GxGetShaderFactory().GetCount(); n != 0)
        GxPrintSlightErrorLog(u"Warning/GxShaderFactory is not Released(count=%d)\n", n);
    GxGetTextureFactory().ReleaseAll();
    GxGetTextureFlexFactory().ReleaseAll();
    GxGetShaderFactory().ReleaseAll();
    GxSafeRelease(s.device);
    GxSafeRelease(s.direct3D);
}
