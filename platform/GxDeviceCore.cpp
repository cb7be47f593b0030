#include "platform/GxDeviceCore.h"

#include <algorithm>
#include <iterator>
#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

bool Contains(const std::vector<GxFormat>& v, GxFormat f) { return std::find(v.begin(), v.end(), f) != v.end(); }

bool ValidInterval(uint32_t i)
{
    return i == GXPRESENT_INTERVAL_DEFAULT || i == GXPRESENT_INTERVAL_ONE || i == GXPRESENT_INTERVAL_TWO ||
           i == GXPRESENT_INTERVAL_THREE || i == GXPRESENT_INTERVAL_FOUR || i == GXPRESENT_INTERVAL_IMMEDIATE;
}

// Vertices a primitive list of the given type and count needs.
uint64_t VertexCount(GxPrimitiveType type, uint32_t n)
{
    switch (type) {
    case GXPT_POINTLIST: return n;
    case GXPT_LINELIST: return 2ull * n;
    case GXPT_LINESTRIP: return n + 1ull;
    case GXPT_TRIANGLELIST: return 3ull * n;
    case GXPT_TRIANGLESTRIP:
    case GXPT_TRIANGLEFAN: return n + 2ull;
    }
    return 0;
}

// Far more than any draw of the engine (at most eight vertices); bounds a mistaken count.
constexpr uint32_t kMaxPrimitives = 1u << 20;

bool Intersect(const GxRectL& a, const GxRectL& b, GxRectL* out)
{
    GxRectL r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom)};
    if (r.left >= r.right || r.top >= r.bottom) return false;
    *out = r;
    return true;
}

}  // namespace

GxDeviceCaps GxMakeGLDeviceCaps(uint32_t maxTextureSize, uint32_t maxAnisotropy, float maxPointSize)
{
    GxDeviceCaps c;
    c.DeviceType = GXDEVTYPE_HAL;
    c.Caps = 0;
    c.Caps2 = GXCAPS2_DYNAMICTEXTURES | GXCAPS2_CANAUTOGENMIPMAP;
    c.Caps3 = GXCAPS3_ALPHA_FULLSCREEN_FLIP_OR_DISCARD | GXCAPS3_COPY_TO_VIDMEM | GXCAPS3_COPY_TO_SYSTEMMEM;
    c.PresentationIntervals = GXPRESENT_INTERVAL_IMMEDIATE | GXPRESENT_INTERVAL_ONE | GXPRESENT_INTERVAL_TWO |
                              GXPRESENT_INTERVAL_THREE | GXPRESENT_INTERVAL_FOUR;
    c.DevCaps = GXDEVCAPS_DRAWPRIMTLVERTEX | GXDEVCAPS_CANRENDERAFTERFLIP | GXDEVCAPS_HWTRANSFORMANDLIGHT |
                GXDEVCAPS_HWRASTERIZATION;
    c.RasterCaps = GXPRASTERCAPS_DITHER | GXPRASTERCAPS_ZTEST | GXPRASTERCAPS_SCISSORTEST |
                   GXPRASTERCAPS_SLOPESCALEDEPTHBIAS | GXPRASTERCAPS_DEPTHBIAS;
    if (maxAnisotropy > 1) c.RasterCaps |= GXPRASTERCAPS_ANISOTROPY;
    c.ZCmpCaps = 0xFF;
    c.AlphaCmpCaps = 0xFF;
    c.SrcBlendCaps = 0x27FF;
    c.DestBlendCaps = 0x27FF;
    c.ShadeCaps = 0x4208;
    // Power-of-two sizes are what the engine makes; any size works, squares are not required.
    c.TextureCaps = GXPTEXTURECAPS_PERSPECTIVE | GXPTEXTURECAPS_POW2 | GXPTEXTURECAPS_ALPHA |
                    GXPTEXTURECAPS_CUBEMAP | GXPTEXTURECAPS_MIPMAP;
    c.TextureFilterCaps = GXPTFILTERCAPS_MINFPOINT | GXPTFILTERCAPS_MINFLINEAR | GXPTFILTERCAPS_MIPFPOINT |
                          GXPTFILTERCAPS_MIPFLINEAR | GXPTFILTERCAPS_MAGFPOINT | GXPTFILTERCAPS_MAGFLINEAR;
    if (maxAnisotropy > 1) c.TextureFilterCaps |= GXPTFILTERCAPS_MINFANISOTROPIC | GXPTFILTERCAPS_MAGFANISOTROPIC;
    // The operations the stand-in shader carries out.
    c.TextureOpCaps = GXTEXOPCAPS_DISABLE | GXTEXOPCAPS_SELECTARG1 | GXTEXOPCAPS_SELECTARG2 | GXTEXOPCAPS_MODULATE |
                      GXTEXOPCAPS_MODULATE2X | GXTEXOPCAPS_MODULATE4X | GXTEXOPCAPS_ADD | GXTEXOPCAPS_SUBTRACT;
    c.MaxTextureWidth = maxTextureSize;
    c.MaxTextureHeight = maxTextureSize;
    c.MaxTextureRepeat = 8192;
    c.MaxTextureAspectRatio = maxTextureSize;
    c.MaxAnisotropy = maxAnisotropy < 1 ? 1 : maxAnisotropy;
    c.MaxVertexW = 1e10f;
    c.GuardBandLeft = -1e8f;
    c.GuardBandTop = -1e8f;
    c.GuardBandRight = 1e8f;
    c.GuardBandBottom = 1e8f;
    c.MaxTextureBlendStages = 8;
    c.MaxSimultaneousTextures = 8;
    c.MaxActiveLights = 8;
    c.MaxVertexBlendMatrices = 0;
    c.MaxVertexBlendMatrixIndex = 0;
    c.MaxPointSize = maxPointSize;
    c.MaxPrimitiveCount = 0xFFFFF;
    c.MaxVertexIndex = 0xFFFFFF;
    c.MaxStreams = 16;
    c.MaxStreamStride = 255;
    c.VertexShaderVersion = GxVertexShaderVersion(3, 0);
    c.MaxVertexShaderConst = 256;
    c.PixelShaderVersion = GxPixelShaderVersion(3, 0);
    c.PixelShader1xMaxValue = 65504.0f;
    // One render target at a time: the engine's off-screen drawing is built on that.
    c.NumSimultaneousRTs = 1;
    c.StretchRectFilterCaps = GXPTFILTERCAPS_MINFPOINT | GXPTFILTERCAPS_MAGFPOINT | GXPTFILTERCAPS_MINFLINEAR |
                              GXPTFILTERCAPS_MAGFLINEAR;
    c.VS20DynamicFlowControlDepth = 24;
    c.VS20StaticFlowControlDepth = 4;
    c.MaxVShaderInstructionsExecuted = 65535;
    c.MaxPShaderInstructionsExecuted = 65535;
    return c;
}

// ---- Adapter object -----------------------------------------------------------------------------

uint32_t GxDirect3DCore::GetAdapterCount() { return m_Desc.adapterCount; }

GxResult GxDirect3DCore::GetAdapterIdentifier(uint32_t adapter, uint32_t, GxAdapterIdentifier* identifier)
{
    if (adapter >= m_Desc.adapterCount || !identifier) return GXERR_INVALIDCALL;
    if (!m_Desc.identifierAvailable) return GXERR_NOTAVAILABLE;
    *identifier = m_Desc.identifier;
    return GX_OK;
}

uint32_t GxDirect3DCore::GetAdapterModeCount(uint32_t adapter, GxFormat format)
{
    if (adapter >= m_Desc.adapterCount) return 0;
    uint32_t n = 0;
    for (const auto& m : m_Desc.modes) n += m.Format == format ? 1 : 0;
    return n;
}

GxResult GxDirect3DCore::EnumAdapterModes(uint32_t adapter, GxFormat format, uint32_t index, GxDisplayMode* mode)
{
    if (adapter >= m_Desc.adapterCount || !mode) return GXERR_INVALIDCALL;
    uint32_t n = 0;
    for (const auto& m : m_Desc.modes) {
        if (m.Format != format) continue;
        if (n++ == index) {
            *mode = m;
            return GX_OK;
        }
    }
    return GXERR_INVALIDCALL;
}

GxResult GxDirect3DCore::GetAdapterDisplayMode(uint32_t adapter, GxDisplayMode* mode)
{
    if (adapter >= m_Desc.adapterCount || !mode) return GXERR_INVALIDCALL;
    *mode = m_Desc.desktop;
    return GX_OK;
}

bool GxDirect3DCore::TypeAvailable(GxDeviceType type) const
{
    return (type == GXDEVTYPE_HAL && m_Desc.halAvailable) || (type == GXDEVTYPE_REF && m_Desc.refAvailable);
}

GxResult GxDirect3DCore::CheckDeviceType(uint32_t adapter, GxDeviceType type, GxFormat adapterFormat,
                                         GxFormat backBufferFormat, bool windowed)
{
    if (adapter >= m_Desc.adapterCount) return GXERR_INVALIDCALL;
    if (!TypeAvailable(type)) return GXERR_NOTAVAILABLE;
    if (windowed) {
        if (!Contains(m_Desc.windowedFormats, adapterFormat)) return GXERR_NOTAVAILABLE;
    } else if (GetAdapterModeCount(adapter, adapterFormat) == 0) {
        return GXERR_NOTAVAILABLE;
    }
    if (!Contains(m_Desc.backBufferFormats, backBufferFormat)) return GXERR_NOTAVAILABLE;
    return GX_OK;
}

GxResult GxDirect3DCore::CheckDeviceFormat(uint32_t adapter, GxDeviceType type, GxFormat, uint32_t usage,
                                           GxResourceType, GxFormat checkFormat)
{
    if (adapter >= m_Desc.adapterCount) return GXERR_INVALIDCALL;
    if (!TypeAvailable(type)) return GXERR_NOTAVAILABLE;
    const std::vector<GxFormat>& list = (usage & GXUSAGE_DEPTHSTENCIL)   ? m_Desc.depthStencilFormats
                                        : (usage & GXUSAGE_RENDERTARGET) ? m_Desc.renderTargetFormats
                                                                         : m_Desc.textureFormats;
    return Contains(list, checkFormat) ? GX_OK : GXERR_NOTAVAILABLE;
}

GxResult GxDirect3DCore::CheckDeviceMultiSampleType(uint32_t adapter, GxDeviceType type, GxFormat surfaceFormat,
                                                    bool windowed, GxMultiSampleType msType, uint32_t* qualityLevels)
{
    if (qualityLevels) *qualityLevels = 0;
    if (adapter >= m_Desc.adapterCount) return GXERR_INVALIDCALL;
    if (msType > GXMULTISAMPLE_MAX) return GXERR_INVALIDARG;
    if (!TypeAvailable(type)) return GXERR_NOTAVAILABLE;
    if (!Contains(m_Desc.renderTargetFormats, surfaceFormat) && !Contains(m_Desc.backBufferFormats, surfaceFormat) &&
        !Contains(m_Desc.depthStencilFormats, surfaceFormat))
        return GXERR_NOTAVAILABLE;
    uint32_t q = msType == GXMULTISAMPLE_NONE ? 1 : m_Desc.multiSampleQuality[windowed ? 1 : 0][msType];
    if (q == 0) return GXERR_NOTAVAILABLE;
    if (qualityLevels) *qualityLevels = q;
    return GX_OK;
}

GxResult GxDirect3DCore::GetDeviceCaps(uint32_t adapter, GxDeviceType type, GxDeviceCaps* caps)
{
    if (adapter >= m_Desc.adapterCount || !caps) return GXERR_INVALIDCALL;
    if (!TypeAvailable(type)) return GXERR_NOTAVAILABLE;
    if (!m_Desc.capsAvailable) return GXERR_INVALIDCALL;
    *caps = m_Desc.caps;
    caps->DeviceType = type;
    caps->AdapterOrdinal = adapter;
    return GX_OK;
}

bool GxDirect3DCore::WindowSize(void*, uint32_t*, uint32_t*) { return false; }

GxResult GxDirect3DCore::CompletePresentParameters(GxPresentParameters& p, void* window)
{
    if (p.BackBufferCount == 0) p.BackBufferCount = 1;
    if (p.BackBufferCount > 3) return GXERR_INVALIDCALL;
    if (p.SwapEffect < GXSWAPEFFECT_DISCARD || p.SwapEffect > GXSWAPEFFECT_COPY) return GXERR_INVALIDCALL;
    if (!ValidInterval(p.PresentationInterval)) return GXERR_INVALIDCALL;
    // The device's own depth buffer is not offered: swap chains make their depth surfaces.
    if (p.EnableAutoDepthStencil) return GXERR_INVALIDCALL;
    if (p.Windowed) {
        if (p.FullScreen_RefreshRateInHz != 0) return GXERR_INVALIDCALL;
        if (p.BackBufferFormat == GXFMT_UNKNOWN) p.BackBufferFormat = m_Desc.desktop.Format;
        if (p.BackBufferWidth == 0 || p.BackBufferHeight == 0) {
            uint32_t w = 0, h = 0;
            if (!WindowSize(window, &w, &h) || w == 0 || h == 0) return GXERR_INVALIDCALL;
            if (p.BackBufferWidth == 0) p.BackBufferWidth = w;
            if (p.BackBufferHeight == 0) p.BackBufferHeight = h;
        }
    } else {
        bool found = false;
        for (const auto& m : m_Desc.modes)
            found = found || (m.Width == p.BackBufferWidth && m.Height == p.BackBufferHeight &&
                              m.Format == p.BackBufferFormat &&
                              (p.FullScreen_RefreshRateInHz == 0 || m.RefreshRate == p.FullScreen_RefreshRateInHz));
        if (!found) return GXERR_INVALIDCALL;
    }
    if (!Contains(m_Desc.backBufferFormats, p.BackBufferFormat)) return GXERR_INVALIDCALL;
    uint32_t maxW = m_Desc.caps.MaxTextureWidth ? m_Desc.caps.MaxTextureWidth : 16384;
    uint32_t maxH = m_Desc.caps.MaxTextureHeight ? m_Desc.caps.MaxTextureHeight : 16384;
    if (p.BackBufferWidth > maxW || p.BackBufferHeight > maxH) return GXERR_INVALIDCALL;
    if (p.MultiSampleType == GXMULTISAMPLE_NONMASKABLE || p.MultiSampleType > GXMULTISAMPLE_MAX)
        return GXERR_INVALIDCALL;
    if (p.MultiSampleType == GXMULTISAMPLE_NONE) {
        if (p.MultiSampleQuality != 0) return GXERR_INVALIDCALL;
    } else {
        uint32_t q = m_Desc.multiSampleQuality[p.Windowed ? 1 : 0][p.MultiSampleType];
        if (q == 0 || p.MultiSampleQuality >= q) return GXERR_INVALIDCALL;
    }
    return GX_OK;
}

GxResult GxDirect3DCore::CreateDevice(uint32_t adapter, GxDeviceType type, void* focusWindow, uint32_t behaviorFlags,
                                      GxPresentParameters* params, GxDevice** device)
{
    if (!device || !params || adapter >= m_Desc.adapterCount) return GXERR_INVALIDCALL;
    *device = nullptr;
    uint32_t vp = behaviorFlags & (GXCREATE_SOFTWARE_VERTEXPROCESSING | GXCREATE_HARDWARE_VERTEXPROCESSING |
                                   GXCREATE_MIXED_VERTEXPROCESSING);
    if (vp != GXCREATE_SOFTWARE_VERTEXPROCESSING && vp != GXCREATE_HARDWARE_VERTEXPROCESSING &&
        vp != GXCREATE_MIXED_VERTEXPROCESSING)
        return GXERR_INVALIDCALL;
    if (!TypeAvailable(type)) return GXERR_NOTAVAILABLE;
    GxPresentParameters p = *params;
    GxResult r = CompletePresentParameters(p, p.hDeviceWindow ? p.hDeviceWindow : focusWindow);
    if (GxFailed(r)) return r;
    GxDeviceCore* made = nullptr;
    r = MakeDevice(type, focusWindow, behaviorFlags, p, &made);
    if (GxFailed(r)) return r;
    r = made->Initialize();
    if (GxFailed(r)) {
        made->Release();
        return r;
    }
    *params = p;
    *device = made;
    return GX_OK;
}

// ---- Implicit surfaces and swap chain ---------------------------------------------------------

GxResult GxCoreSurface::GetDesc(GxSurfaceDesc* desc)
{
    if (!desc) return GXERR_INVALIDCALL;
    *desc = m_Desc;
    return GX_OK;
}

GxResult GxCoreSurface::LockRect(GxLockedRect*, const GxRectL*, uint32_t) { return GXERR_NOTIMPL; }
GxResult GxCoreSurface::UnlockRect() { return GXERR_NOTIMPL; }

GxResult GxCoreSwapChain::Present(const GxRectL* source, const GxRectL* dest, void* destWindow, uint32_t)
{
    if (!m_Device) return GXERR_INVALIDCALL;
    return m_Device->Present(source, dest, destWindow, nullptr);
}

GxResult GxCoreSwapChain::GetBackBuffer(uint32_t index, GxDeviceSurface** surface)
{
    if (!m_Device) return GXERR_INVALIDCALL;
    return m_Device->GetBackBuffer(0, index, surface);
}

GxResult GxCoreSwapChain::GetPresentParameters(GxPresentParameters* params)
{
    if (!m_Device || !params) return GXERR_INVALIDCALL;
    *params = m_Device->Params();
    return GX_OK;
}

// ---- Device -------------------------------------------------------------------------------------

GxDeviceCore::GxDeviceCore(GxDirect3DCore* direct3D, GxDeviceType type, void* focusWindow, uint32_t behaviorFlags,
                           const GxPresentParameters& params)
    : m_Direct3D(direct3D), m_Type(type), m_FocusWindow(focusWindow), m_BehaviorFlags(behaviorFlags), m_Params(params)
{
    m_Direct3D->AddRef();
    m_Caps = direct3D->Desc().caps;
    m_Caps.DeviceType = type;
    m_RenderTargets.assign(std::max<uint32_t>(1, m_Caps.NumSimultaneousRTs), nullptr);
    m_SoftwareVertexProcessing = (behaviorFlags & GXCREATE_SOFTWARE_VERTEXPROCESSING) != 0;
}

GxDeviceCore::~GxDeviceCore()
{
    DetachTextures();
    for (auto*& t : m_Textures) GxSafeRelease(t);
    for (auto*& rt : m_RenderTargets) GxSafeRelease(rt);
    GxSafeRelease(m_DepthStencil);
    if (m_BackBuffer) {
        m_BackBuffer->Detach();
        m_BackBuffer->Release();
    }
    if (m_SwapChain) {
        m_SwapChain->Detach();
        m_SwapChain->Release();
    }
    m_Direct3D->Release();
}

GxResult GxDeviceCore::Initialize()
{
    GxResult r = NativeCreateBackBuffer(m_Params);
    if (GxFailed(r)) return r;
    GxSurfaceDesc d;
    d.Format = m_Params.BackBufferFormat;
    d.Type = GXRTYPE_SURFACE;
    d.Usage = GXUSAGE_RENDERTARGET;
    d.Pool = GXPOOL_DEFAULT;
    d.MultiSampleType = m_Params.MultiSampleType;
    d.MultiSampleQuality = m_Params.MultiSampleQuality;
    d.Width = m_Params.BackBufferWidth;
    d.Height = m_Params.BackBufferHeight;
    m_BackBuffer = new GxCoreSurface(this, GxCoreSurface::Role::BackBuffer, d);
    m_SwapChain = new GxCoreSwapChain(this);
    m_BackBuffer->AddRef();
    m_RenderTargets[0] = m_BackBuffer;
    ResetState();
    return GX_OK;
}

void GxDeviceCore::ResetState()
{
    std::memset(m_RenderStates, 0, sizeof m_RenderStates);
    uint32_t* rs = m_RenderStates;
    rs[GXRS_ZENABLE] = 0;
    rs[GXRS_FILLMODE] = GXFILL_SOLID;
    rs[GXRS_SHADEMODE] = GXSHADE_GOURAUD;
    rs[GXRS_ZWRITEENABLE] = 1;
    rs[GXRS_LASTPIXEL] = 1;
    rs[GXRS_SRCBLEND] = GXBLEND_ONE;
    rs[GXRS_DESTBLEND] = GXBLEND_ZERO;
    rs[GXRS_CULLMODE] = GXCULL_CCW;
    rs[GXRS_ZFUNC] = GXCMP_LESSEQUAL;
    rs[GXRS_ALPHAFUNC] = GXCMP_ALWAYS;
    rs[GXRS_TEXTUREFACTOR] = 0xFFFFFFFFu;
    rs[GXRS_LIGHTING] = 1;
    rs[GXRS_COLORVERTEX] = 1;
    rs[GXRS_DIFFUSEMATERIALSOURCE] = GXMCS_COLOR1;
    rs[GXRS_SPECULARMATERIALSOURCE] = GXMCS_COLOR2;
    rs[GXRS_AMBIENTMATERIALSOURCE] = GXMCS_MATERIAL;
    rs[GXRS_EMISSIVEMATERIALSOURCE] = GXMCS_MATERIAL;
    rs[GXRS_MULTISAMPLEANTIALIAS] = 1;
    rs[GXRS_MULTISAMPLEMASK] = 0xFFFFFFFFu;
    rs[GXRS_COLORWRITEENABLE] = 0xF;
    rs[GXRS_BLENDOP] = GXBLENDOP_ADD;
    rs[GXRS_BLENDFACTOR] = 0xFFFFFFFFu;
    rs[GXRS_SRCBLENDALPHA] = GXBLEND_ONE;
    rs[GXRS_DESTBLENDALPHA] = GXBLEND_ZERO;
    rs[GXRS_BLENDOPALPHA] = GXBLENDOP_ADD;

    std::memset(m_StageStates, 0, sizeof m_StageStates);
    for (uint32_t s = 0; s < GX_TEXTURESTAGE_COUNT; ++s) {
        m_StageStates[s][GXTSS_COLOROP] = s == 0 ? GXTOP_MODULATE : GXTOP_DISABLE;
        m_StageStates[s][GXTSS_COLORARG1] = GXTA_TEXTURE;
        m_StageStates[s][GXTSS_COLORARG2] = GXTA_CURRENT;
        m_StageStates[s][GXTSS_ALPHAOP] = s == 0 ? GXTOP_SELECTARG1 : GXTOP_DISABLE;
        m_StageStates[s][GXTSS_ALPHAARG1] = GXTA_TEXTURE;
        m_StageStates[s][GXTSS_ALPHAARG2] = GXTA_CURRENT;
        m_StageStates[s][GXTSS_TEXCOORDINDEX] = s;
        m_StageStates[s][GXTSS_COLORARG0] = GXTA_CURRENT;
        m_StageStates[s][GXTSS_ALPHAARG0] = GXTA_CURRENT;
        m_StageStates[s][GXTSS_RESULTARG] = GXTA_CURRENT;
    }
    std::memset(m_SamplerStates, 0, sizeof m_SamplerStates);
    for (auto& s : m_SamplerStates) {
        s[GXSAMP_ADDRESSU] = GXTADDRESS_WRAP;
        s[GXSAMP_ADDRESSV] = GXTADDRESS_WRAP;
        s[GXSAMP_ADDRESSW] = GXTADDRESS_WRAP;
        s[GXSAMP_MAGFILTER] = GXTEXF_POINT;
        s[GXSAMP_MINFILTER] = GXTEXF_POINT;
        s[GXSAMP_MIPFILTER] = GXTEXF_NONE;
        s[GXSAMP_MAXANISOTROPY] = 1;
    }
    for (auto*& t : m_Textures) GxSafeRelease(t);
    m_Lights.clear();
    m_LightEnabled.clear();
    m_FVF = 0;
    m_Viewport = GxViewport{0, 0, m_Params.BackBufferWidth, m_Params.BackBufferHeight, 0.0f, 1.0f};
}

GxDeviceCall& GxDeviceCore::Record(GxDeviceOp op, GxResult result)
{
    static thread_local GxDeviceCall scratch;
    if (!m_Recorder.enabled) {
        // Field by field: the lists keep their storage, so that an unrecorded call allocates
        // nothing.
        scratch.op = op;
        std::fill(std::begin(scratch.args), std::end(scratch.args), 0u);
        std::fill(std::begin(scratch.f), std::end(scratch.f), 0.0f);
        scratch.object = nullptr;
        scratch.rects.clear();
        scratch.vertices.clear();
        scratch.result = result;
        return scratch;
    }
    m_Recorder.calls.emplace_back();
    GxDeviceCall& c = m_Recorder.calls.back();
    c.op = op;
    c.result = result;
    return c;
}

GxResult GxDeviceCore::TestCooperativeLevel()
{
    GxResult r = GX_OK;
    if (m_Loss == Loss::Lost) {
        if (m_LostAnswers > 0) {
            --m_LostAnswers;
            r = GXERR_DEVICELOST;
        } else {
            m_Loss = Loss::NotReset;
        }
    }
    if (m_Loss == Loss::NotReset) r = GXERR_DEVICENOTRESET;
    Record(GxDeviceOp::TestCooperativeLevel, r);
    return r;
}

uint32_t GxDeviceCore::GetAvailableTextureMem() { return m_Direct3D->Desc().availableTextureMem; }

void GxDeviceCore::SimulateDeviceLoss(uint32_t lostAnswers)
{
    m_Loss = Loss::Lost;
    m_LostAnswers = lostAnswers;
}

GxResult GxDeviceCore::Reset(GxPresentParameters* params)
{
    // The backends record nothing themselves, so the call's entry stays in place.
    GxDeviceCall& c = Record(GxDeviceOp::Reset, GX_OK);
    auto result = [&c](GxResult r) {
        c.result = r;
        return r;
    };
    if (!params) return result(GXERR_INVALIDCALL);
    if (m_Loss == Loss::Lost) return result(GXERR_DEVICELOST);
    // What is bound to the device is held by the device itself, not by its user: those
    // references never keep a reset from happening. Every other default-pool object does.
    for (auto*& t : m_Textures) GxSafeRelease(t);
    for (auto*& rt : m_RenderTargets) GxSafeRelease(rt);
    GxSafeRelease(m_DepthStencil);
    m_BackBuffer->AddRef();
    m_RenderTargets[0] = m_BackBuffer;
    if (m_DefaultPoolObjects > 0) return result(GXERR_INVALIDCALL);
    GxPresentParameters p = *params;
    GxResult r = m_Direct3D->CompletePresentParameters(p, p.hDeviceWindow ? p.hDeviceWindow : m_FocusWindow);
    if (GxSucceeded(r)) r = NativeCreateBackBuffer(p);
    if (GxFailed(r)) {
        // A failed reset leaves the device waiting for the next one.
        m_Loss = Loss::NotReset;
        return result(r);
    }
    m_Params = p;
    *params = p;
    GxSurfaceDesc d = m_BackBuffer->Desc();
    d.Format = p.BackBufferFormat;
    d.Width = p.BackBufferWidth;
    d.Height = p.BackBufferHeight;
    d.MultiSampleType = p.MultiSampleType;
    d.MultiSampleQuality = p.MultiSampleQuality;
    m_BackBuffer->SetDesc(d);
    for (auto*& rt : m_RenderTargets) GxSafeRelease(rt);
    GxSafeRelease(m_DepthStencil);
    m_BackBuffer->AddRef();
    m_RenderTargets[0] = m_BackBuffer;
    ResetState();
    m_SceneCount = 0;
    m_Loss = Loss::None;
    return result(GX_OK);
}

GxResult GxDeviceCore::Present(const GxRectL* source, const GxRectL* dest, void* destWindow, const void*)
{
    GxDeviceCall& c = Record(GxDeviceOp::Present, GX_OK);
    if (source) c.rects.push_back(*source);
    if (dest) c.rects.push_back(*dest);
    c.object = destWindow;
    c.args[0] = source ? 1 : 0;
    c.args[1] = dest ? 1 : 0;
    GxResult r;
    if (m_Loss != Loss::None) r = GXERR_DEVICELOST;
    else if (m_SceneCount > 0) r = GXERR_INVALIDCALL;
    else r = NativePresent(source, dest, destWindow);
    c.result = r;
    return r;
}

GxResult GxDeviceCore::GetSwapChain(uint32_t index, GxDeviceSwapChain** swapChain)
{
    if (!swapChain) return GXERR_INVALIDCALL;
    *swapChain = nullptr;
    if (index != 0 || !m_SwapChain) return GXERR_INVALIDCALL;
    m_SwapChain->AddRef();
    *swapChain = m_SwapChain;
    return GX_OK;
}

// CreateAdditionalSwapChain and CreateDepthStencilSurface: GxDeviceChains.cpp.

GxResult GxDeviceCore::GetBackBuffer(uint32_t swapChain, uint32_t index, GxDeviceSurface** surface)
{
    if (!surface) return GXERR_INVALIDCALL;
    *surface = nullptr;
    if (swapChain != 0 || index != 0 || !m_BackBuffer) return GXERR_INVALIDCALL;
    m_BackBuffer->AddRef();
    *surface = m_BackBuffer;
    return GX_OK;
}

GxResult GxDeviceCore::GetDirect3D(GxDirect3D** direct3D)
{
    if (!direct3D) return GXERR_INVALIDCALL;
    m_Direct3D->AddRef();
    *direct3D = m_Direct3D;
    return GX_OK;
}

GxResult GxDeviceCore::GetDeviceCaps(GxDeviceCaps* caps)
{
    if (!caps) return GXERR_INVALIDCALL;
    *caps = m_Caps;
    return GX_OK;
}

// ---- Textures -----------------------------------------------------------------------------------

namespace {

uint32_t FullChain(uint32_t width, uint32_t height)
{
    uint32_t n = 1;
    for (uint32_t s = std::max(width, height); s > 1; s >>= 1) ++n;
    return n;
}

bool RectInside(const GxRectL& r, uint32_t width, uint32_t height)
{
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom &&
           static_cast<uint32_t>(r.right) <= width && static_cast<uint32_t>(r.bottom) <= height;
}

// The largest level the engine may ask for: 16384 x 16384 x 4 bytes.
constexpr uint64_t kMaxLevelBytes = 1ull << 30;

}  // namespace

uint64_t GxDeviceCore::NextSerial()
{
    static std::atomic<uint64_t> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

GxCoreTexture::GxCoreTexture(GxDeviceCore* device, const GxSurfaceDesc& desc, uint32_t levels, bool standalone)
    : serial(GxDeviceCore::NextSerial()), m_Device(device), m_Desc(desc), m_Standalone(standalone)
{
    m_Levels.resize(levels);
    m_Surfaces.assign(levels, nullptr);
    uint32_t w = desc.Width, h = desc.Height;
    uint32_t bpp = GxFormatBytesPerPixel(desc.Format);
    for (auto& l : m_Levels) {
        l.width = w;
        l.height = h;
        l.pitch = w * bpp;
        w = std::max(1u, w / 2);
        h = std::max(1u, h / 2);
    }
}

GxCoreTexture::~GxCoreTexture()
{
    if (m_Device) m_Device->ForgetTexture(this);
    for (auto& l : m_Levels) std::free(l.bits);
}

bool GxCoreTexture::SizeAllowed() const
{
    for (const auto& l : m_Levels) {
        uint64_t bytes = static_cast<uint64_t>(l.pitch) * l.height;
        if (bytes == 0 || bytes > kMaxLevelBytes) return false;
    }
    return true;
}

uint8_t* GxCoreTexture::Bits(uint32_t level)
{
    Level& l = m_Levels[level];
    if (!l.bits) {
        l.bits = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(l.pitch) * l.height, 1));
        // The content made at its first use: it counts as the texture's first write.
        if (l.bits && level == 0) FillInto(l.bits);
    }
    return l.bits;
}

bool GxCoreTexture::FillInto(uint8_t* bits)
{
    if (!m_Fill) return false;
    ContentFill fill = std::move(m_Fill);
    m_Fill = nullptr;
    fill(bits, m_Levels[0].pitch);
    writes = std::max<uint32_t>(writes, 1);
    return true;
}

GxResult GxCoreTexture::SetContentOnUse(ContentFill fill)
{
    if (!m_Device || !fill || m_Levels.size() != 1 || m_Desc.Pool != GXPOOL_MANAGED || m_Levels[0].bits ||
        nativeTexture || writes != 0)
        return GXERR_INVALIDCALL;
    m_Fill = std::move(fill);
    return GX_OK;
}

bool GxCoreTexture::AnyLevelLocked() const
{
    for (const auto& l : m_Levels)
        if (l.locked) return true;
    return false;
}

GxResult GxCoreTexture::GetLevelDesc(uint32_t level, GxSurfaceDesc* desc)
{
    if (!desc || level >= m_Levels.size()) return GXERR_INVALIDCALL;
    *desc = m_Desc;
    desc->Width = m_Levels[level].width;
    desc->Height = m_Levels[level].height;
    return GX_OK;
}

GxResult GxCoreTexture::GetSurfaceLevel(uint32_t level, GxDeviceSurface** surface)
{
    if (!surface) return GXERR_INVALIDCALL;
    *surface = nullptr;
    if (level >= m_Levels.size()) return GXERR_INVALIDCALL;
    if (m_Surfaces[level]) {
        m_Surfaces[level]->AddRef();
    } else {
        m_Surfaces[level] = new GxCoreTextureSurface(this, level);
    }
    *surface = m_Surfaces[level];
    return GX_OK;
}

GxResult GxCoreTexture::LockRect(uint32_t level, GxLockedRect* locked, const GxRectL* rect, uint32_t flags)
{
    if (!m_Device || !locked || level >= m_Levels.size()) return GXERR_INVALIDCALL;
    // Default-pool resources are the GPU's own unless made dynamic (lockable render-target
    // surfaces are made so).
    bool lockable = m_Desc.Pool != GXPOOL_DEFAULT || (m_Desc.Usage & GXUSAGE_DYNAMIC);
    Level& l = m_Levels[level];
    if (!lockable || l.locked) return GXERR_INVALIDCALL;
    GxRectL r = rect ? *rect : GxRectL{0, 0, static_cast<int32_t>(l.width), static_cast<int32_t>(l.height)};
    if (!RectInside(r, l.width, l.height)) return GXERR_INVALIDCALL;
    GxResult sync = m_Device->SyncFromDevice(*this, level);
    if (GxFailed(sync)) return sync;
    if (!Bits(level)) return GXERR_OUTOFMEMORY;
    if ((flags & GXLOCK_READONLY) == 0) m_Device->TextureWillChange(*this);
    uint32_t bpp = GxFormatBytesPerPixel(m_Desc.Format);
    locked->Pitch = static_cast<int32_t>(l.pitch);
    locked->pBits = l.bits + static_cast<size_t>(r.top) * l.pitch + static_cast<size_t>(r.left) * bpp;
    l.locked = true;
    l.readOnly = (flags & GXLOCK_READONLY) != 0;
    l.lockRect = r;
    return GX_OK;
}

GxResult GxCoreTexture::UnlockRect(uint32_t level)
{
    if (!m_Device || level >= m_Levels.size()) return GXERR_INVALIDCALL;
    Level& l = m_Levels[level];
    if (!l.locked) return GXERR_INVALIDCALL;
    l.locked = false;
    if (l.readOnly || !HasDeviceCopy()) return GX_OK;
    ++writes;
    return m_Device->NativeUploadTexture(*this, level, l.lockRect);
}

// Every upload sends the pixels at once, so there is nothing to remember.
GxResult GxCoreTexture::AddDirtyRect(const GxRectL*) { return m_Device ? GX_OK : GXERR_INVALIDCALL; }

GxCoreTextureSurface::GxCoreTextureSurface(GxCoreTexture* texture, uint32_t level) : m_Texture(texture), m_Level(level)
{
    m_Texture->AddRef();
}

GxCoreTextureSurface::~GxCoreTextureSurface()
{
    m_Texture->m_Surfaces[m_Level] = nullptr;
    m_Texture->Release();
}

GxResult GxCoreTextureSurface::GetDesc(GxSurfaceDesc* desc) { return m_Texture->GetLevelDesc(m_Level, desc); }

GxResult GxCoreTextureSurface::LockRect(GxLockedRect* locked, const GxRectL* rect, uint32_t flags)
{
    return m_Texture->LockRect(m_Level, locked, rect, flags);
}

GxResult GxCoreTextureSurface::UnlockRect() { return m_Texture->UnlockRect(m_Level); }

GxResult GxDeviceCore::NativeCreateTexture(GxCoreTexture&) { return GX_OK; }
GxResult GxDeviceCore::NativeUploadTexture(GxCoreTexture&, uint32_t, const GxRectL&) { return GX_OK; }
GxResult GxDeviceCore::NativeDownloadTexture(GxCoreTexture& texture, uint32_t)
{
    texture.gpuNewer = false;
    return GX_OK;
}
void GxDeviceCore::NativeReleaseTexture(GxCoreTexture&) {}
void GxDeviceCore::NativeTextureWillChange(GxCoreTexture&) {}

void GxDeviceCore::TextureWillChange(GxCoreTexture& texture)
{
    ++texture.version;
    NativeTextureWillChange(texture);
}

GxResult GxDeviceCore::NativeReadTexture(GxCoreTexture& texture, uint32_t level, GxPixelImage* image)
{
    GxCoreTexture::Level& l = texture.LevelAt(level);
    GxFormat f = texture.Desc().Format;
    uint32_t bpp = GxFormatBytesPerPixel(f);
    image->width = l.width;
    image->height = l.height;
    image->pixels.resize(static_cast<size_t>(l.width) * l.height);
    if (!texture.Bits(level)) return GXERR_OUTOFMEMORY;
    for (uint32_t y = 0; y < l.height; ++y)
        for (uint32_t x = 0; x < l.width; ++x)
            image->pixels[static_cast<size_t>(y) * l.width + x] =
                GxPixelToArgb(f, l.bits + static_cast<size_t>(y) * l.pitch + static_cast<size_t>(x) * bpp);
    return GX_OK;
}

GxResult GxDeviceCore::ReadTexture(GxDeviceTexture* texture, uint32_t level, GxPixelImage* image)
{
    GxCoreTexture* t = OwnTexture(texture);
    if (!t || !image || level >= t->GetLevelCount()) return GXERR_INVALIDCALL;
    return NativeReadTexture(*t, level, image);
}

GxCoreTextureSurface* GxDeviceCore::OwnTextureSurface(GxDeviceSurface* surface) const
{
    auto* s = dynamic_cast<GxCoreTextureSurface*>(surface);
    return s && s->Texture()->Device() == this ? s : nullptr;
}

GxCoreTexture* GxDeviceCore::OwnTexture(GxDeviceTexture* texture) const
{
    auto* t = dynamic_cast<GxCoreTexture*>(texture);
    return t && t->Device() == this ? t : nullptr;
}

GxResult GxDeviceCore::SyncFromDevice(GxCoreTexture& texture, uint32_t level)
{
    if (!texture.gpuNewer) return GX_OK;
    if (!texture.Bits(level)) return GXERR_OUTOFMEMORY;
    return NativeDownloadTexture(texture, level);
}

void GxDeviceCore::AddLiveTexture(GxCoreTexture* texture) { m_LiveTextures.push_back(texture); }

void GxDeviceCore::ForgetTexture(GxCoreTexture* texture)
{
    auto it = std::find(m_LiveTextures.begin(), m_LiveTextures.end(), texture);
    if (it == m_LiveTextures.end()) return;
    *it = m_LiveTextures.back();
    m_LiveTextures.pop_back();
    NativeReleaseTexture(*texture);
    if (texture->Desc().Pool == GXPOOL_DEFAULT && m_DefaultPoolObjects > 0) --m_DefaultPoolObjects;
}

void GxDeviceCore::DetachTextures()
{
    for (GxCoreTexture* t : m_LiveTextures) {
        NativeReleaseTexture(*t);
        t->Detach();
    }
    m_LiveTextures.clear();
}

GxResult GxDeviceCore::MakeTexture(const GxSurfaceDesc& desc, uint32_t levels, bool standalone,
                                   GxCoreTexture** texture)
{
    *texture = nullptr;
    uint32_t maxW = m_Caps.MaxTextureWidth ? m_Caps.MaxTextureWidth : 16384;
    uint32_t maxH = m_Caps.MaxTextureHeight ? m_Caps.MaxTextureHeight : 16384;
    if (desc.Width == 0 || desc.Height == 0 || desc.Width > maxW || desc.Height > maxH) return GXERR_INVALIDCALL;
    if (GxFormatBytesPerPixel(desc.Format) == 0 || GxIsDepthFormat(desc.Format)) return GXERR_INVALIDCALL;
    const GxAdapterDesc& a = m_Direct3D->Desc();
    const std::vector<GxFormat>& allowed =
        (desc.Usage & GXUSAGE_RENDERTARGET) ? a.renderTargetFormats : a.textureFormats;
    if (desc.Pool != GXPOOL_SCRATCH && !Contains(allowed, desc.Format)) return GXERR_INVALIDCALL;
    auto* t = new GxCoreTexture(this, desc, levels, standalone);
    if (!t->SizeAllowed()) {
        t->Release();
        return GXERR_OUTOFMEMORY;
    }
    AddLiveTexture(t);
    if (desc.Pool == GXPOOL_DEFAULT) ++m_DefaultPoolObjects;
    GxResult r = NativeCreateTexture(*t);
    if (GxFailed(r)) {
        t->Release();
        return r;
    }
    *texture = t;
    return GX_OK;
}

GxResult GxDeviceCore::CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                                     GxFormat format, GxPool pool, GxDeviceTexture** texture)
{
    if (texture) *texture = nullptr;
    GxDeviceCall& c = Record(GxDeviceOp::CreateTexture, GX_OK);
    c.args[0] = width;
    c.args[1] = height;
    c.args[2] = levels;
    c.args[3] = usage;
    c.args[4] = format;
    c.args[5] = pool;
    auto result = [&c](GxResult r) {
        c.result = r;
        return r;
    };
    if (!texture || width == 0 || height == 0) return result(GXERR_INVALIDCALL);
    uint32_t full = FullChain(width, height);
    if (levels == 0) levels = full;
    if (levels > full || (usage & GXUSAGE_DEPTHSTENCIL)) return result(GXERR_INVALIDCALL);
    // Render targets and dynamic textures belong to the default pool.
    if ((usage & GXUSAGE_RENDERTARGET) && pool != GXPOOL_DEFAULT) return result(GXERR_INVALIDCALL);
    if ((usage & GXUSAGE_DYNAMIC) && pool == GXPOOL_MANAGED) return result(GXERR_INVALIDCALL);
    GxSurfaceDesc d;
    d.Format = format;
    d.Type = GXRTYPE_SURFACE;
    d.Usage = usage & (GXUSAGE_RENDERTARGET | GXUSAGE_DYNAMIC | GXUSAGE_AUTOGENMIPMAP);
    d.Pool = pool;
    d.Width = width;
    d.Height = height;
    GxCoreTexture* t = nullptr;
    GxResult r = MakeTexture(d, levels, false, &t);
    if (GxSucceeded(r)) *texture = t;
    return result(r);
}

GxResult GxDeviceCore::CreateOffscreenPlainSurface(uint32_t width, uint32_t height, GxFormat format, GxPool pool,
                                                   GxDeviceSurface** surface)
{
    if (surface) *surface = nullptr;
    GxDeviceCall& c = Record(GxDeviceOp::CreateOffscreenPlainSurface, GX_OK);
    c.args[0] = width;
    c.args[1] = height;
    c.args[2] = format;
    c.args[3] = pool;
    auto result = [&c](GxResult r) {
        c.result = r;
        return r;
    };
    if (!surface || pool == GXPOOL_MANAGED) return result(GXERR_INVALIDCALL);
    GxSurfaceDesc d;
    d.Format = format;
    d.Type = GXRTYPE_SURFACE;
    d.Pool = pool;
    d.Width = width;
    d.Height = height;
    GxCoreTexture* t = nullptr;
    GxResult r = MakeTexture(d, 1, true, &t);
    if (GxSucceeded(r)) {
        t->GetSurfaceLevel(0, surface);
        t->Release();  // the surface holds it now
    }
    return result(r);
}

GxResult GxDeviceCore::CreateRenderTarget(uint32_t width, uint32_t height, GxFormat format, GxMultiSampleType msType,
                                          uint32_t msQuality, bool lockable, GxDeviceSurface** surface)
{
    if (surface) *surface = nullptr;
    GxDeviceCall& c = Record(GxDeviceOp::CreateRenderTarget, GX_OK);
    c.args[0] = width;
    c.args[1] = height;
    c.args[2] = format;
    c.args[3] = msType;
    c.args[4] = msQuality;
    c.args[5] = lockable ? 1 : 0;
    auto result = [&c](GxResult r) {
        c.result = r;
        return r;
    };
    // Multisampled surface targets are not offered.
    if (!surface || msType != GXMULTISAMPLE_NONE || msQuality != 0) return result(GXERR_INVALIDCALL);
    GxSurfaceDesc d;
    d.Format = format;
    d.Type = GXRTYPE_SURFACE;
    d.Usage = GXUSAGE_RENDERTARGET | (lockable ? GXUSAGE_DYNAMIC : 0);  // dynamic: may be locked
    d.Pool = GXPOOL_DEFAULT;
    d.Width = width;
    d.Height = height;
    GxCoreTexture* t = nullptr;
    GxResult r = MakeTexture(d, 1, true, &t);
    if (GxSucceeded(r)) {
        t->GetSurfaceLevel(0, surface);
        t->Release();
    }
    return result(r);
}

GxResult GxDeviceCore::UpdateTexture(GxDeviceTexture* source, GxDeviceTexture* dest)
{
    GxDeviceCall& c = Record(GxDeviceOp::UpdateTexture, GX_OK);
    c.object = source;
    c.args[0] = dest ? 1 : 0;
    auto result = [&c](GxResult r) {
        c.result = r;
        return r;
    };
    GxCoreTexture* s = OwnTexture(source);
    GxCoreTexture* d = OwnTexture(dest);
    // From system memory into the default pool, same format and size.
    if (!s || !d || s == d || s->Desc().Pool != GXPOOL_SYSTEMMEM || d->Desc().Pool != GXPOOL_DEFAULT ||
        s->Desc().Format != d->Desc().Format || s->Desc().Width != d->Desc().Width ||
        s->Desc().Height != d->Desc().Height || s->AnyLevelLocked() || d->AnyLevelLocked())
        return result(GXERR_INVALIDCALL);
    uint32_t levels = std::min(s->GetLevelCount(), d->GetLevelCount());
    TextureWillChange(*d);
    for (uint32_t i = 0; i < levels; ++i) {
        GxCoreTexture::Level& from = s->LevelAt(i);
        GxCoreTexture::Level& to = d->LevelAt(i);
        if (!s->Bits(i) || !d->Bits(i)) return result(GXERR_OUTOFMEMORY);
        std::memcpy(to.bits, from.bits, static_cast<size_t>(to.pitch) * to.height);
        GxResult r = NativeUploadTexture(*d, i, GxRectL{0, 0, static_cast<int32_t>(to.width),
                                                          static_cast<int32_t>(to.height)});
        if (GxFailed(r)) return result(r);
    }
    d->gpuNewer = false;
    return result(GX_OK);
}

GxResult GxDeviceCore::GetRenderTargetData(GxDeviceSurface* renderTarget, GxDeviceSurface* dest)
{
    GxDeviceCall& c = Record(GxDeviceOp::GetRenderTargetData, GX_OK);
    c.object = renderTarget;
    c.args[0] = dest ? 1 : 0;
    auto result = [&c](GxResult r) {
        c.result = r;
        return r;
    };
    GxCoreTextureSurface* s = OwnTextureSurface(renderTarget);
    GxCoreTextureSurface* d = OwnTextureSurface(dest);
    if (!s || !d || !s->Texture()->IsRenderTarget() || d->Texture()->Desc().Pool != GXPOOL_SYSTEMMEM)
        return result(GXERR_INVALIDCALL);
    GxCoreTexture::Level& from = s->Texture()->LevelAt(s->Level());
    GxCoreTexture::Level& to = d->Texture()->LevelAt(d->Level());
    if (s->Texture()->Desc().Format != d->Texture()->Desc().Format || from.width != to.width ||
        from.height != to.height || to.locked)
        return result(GXERR_INVALIDCALL);
    GxResult r = SyncFromDevice(*s->Texture(), s->Level());
    if (GxFailed(r)) return result(r);
    if (!s->Texture()->Bits(s->Level()) || !d->Texture()->Bits(d->Level())) return result(GXERR_OUTOFMEMORY);
    TextureWillChange(*d->Texture());
    std::memcpy(to.bits, from.bits, static_cast<size_t>(to.pitch) * to.height);
    return result(GX_OK);
}

GxResult GxDeviceCore::StretchRect(GxDeviceSurface* source, const GxRectL* sourceRect, GxDeviceSurface* dest,
                                   const GxRectL* destRect, GxTextureFilter filter)
{
    GxDeviceCall& c = Record(GxDeviceOp::StretchRect, GX_OK);
    c.object = source;
    c.args[0] = filter;
    if (sourceRect) c.rects.push_back(*sourceRect);
    if (destRect) c.rects.push_back(*destRect);
    auto result = [&c](GxResult r) {
        c.result = r;
        return r;
    };
    GxCoreTextureSurface* s = OwnTextureSurface(source);
    GxCoreTextureSurface* d = OwnTextureSurface(dest);
    if (!s || !d || filter > GXTEXF_LINEAR) return result(GXERR_INVALIDCALL);
    GxCoreTexture& st = *s->Texture();
    GxCoreTexture& dt = *d->Texture();
    GxCoreTexture::Level& from = st.LevelAt(s->Level());
    GxCoreTexture::Level& to = dt.LevelAt(d->Level());
    GxRectL sr = sourceRect ? *sourceRect : GxRectL{0, 0, static_cast<int32_t>(from.width),
                                                    static_cast<int32_t>(from.height)};
    GxRectL dr = destRect ? *destRect : GxRectL{0, 0, static_cast<int32_t>(to.width), static_cast<int32_t>(to.height)};
    // The device writes into the GPU's own resources only.
    if (dt.Desc().Pool != GXPOOL_DEFAULT || from.locked || to.locked || !RectInside(sr, from.width, from.height) ||
        !RectInside(dr, to.width, to.height))
        return result(GXERR_INVALIDCALL);
    GxResult r = SyncFromDevice(st, s->Level());
    if (GxSucceeded(r)) r = SyncFromDevice(dt, d->Level());
    if (GxFailed(r)) return result(r);
    if (!st.Bits(s->Level()) || !dt.Bits(d->Level())) return result(GXERR_OUTOFMEMORY);
    TextureWillChange(dt);

    const GxFormat sf = st.Desc().Format, df = dt.Desc().Format;
    const uint32_t sb = GxFormatBytesPerPixel(sf), db = GxFormatBytesPerPixel(df);
    const int32_t sw = sr.right - sr.left, sh = sr.bottom - sr.top;
    const int32_t dw = dr.right - dr.left, dh = dr.bottom - dr.top;
    // The source block first, so a surface may stretch onto itself.
    std::vector<uint32_t> block(static_cast<size_t>(sw) * sh);
    for (int32_t y = 0; y < sh; ++y)
        for (int32_t x = 0; x < sw; ++x)
            block[static_cast<size_t>(y) * sw + x] =
                GxPixelToArgb(sf, from.bits + static_cast<size_t>(sr.top + y) * from.pitch +
                                      static_cast<size_t>(sr.left + x) * sb);
    auto at = [&](int32_t x, int32_t y) {
        x = std::clamp(x, 0, sw - 1);
        y = std::clamp(y, 0, sh - 1);
        return block[static_cast<size_t>(y) * sw + x];
    };
    for (int32_t y = 0; y < dh; ++y) {
        uint8_t* row = to.bits + static_cast<size_t>(dr.top + y) * to.pitch + static_cast<size_t>(dr.left) * db;
        for (int32_t x = 0; x < dw; ++x) {
            uint32_t argb;
            if (filter == GXTEXF_LINEAR) {
                // Sample centres mapped onto the source, four neighbours weighted in 1/256ths.
                int64_t fx = ((2 * static_cast<int64_t>(x) + 1) * sw * 256) / (2 * dw) - 128;
                int64_t fy = ((2 * static_cast<int64_t>(y) + 1) * sh * 256) / (2 * dh) - 128;
                int32_t x0 = static_cast<int32_t>(fx >> 8), y0 = static_cast<int32_t>(fy >> 8);
                uint32_t ax = static_cast<uint32_t>(fx & 255), ay = static_cast<uint32_t>(fy & 255);
                uint32_t p00 = at(x0, y0), p10 = at(x0 + 1, y0), p01 = at(x0, y0 + 1), p11 = at(x0 + 1, y0 + 1);
                argb = 0;
                for (int shift = 0; shift < 32; shift += 8) {
                    uint32_t c00 = (p00 >> shift) & 255, c10 = (p10 >> shift) & 255;
                    uint32_t c01 = (p01 >> shift) & 255, c11 = (p11 >> shift) & 255;
                    uint32_t top = c00 * (256 - ax) + c10 * ax;
                    uint32_t bottom = c01 * (256 - ax) + c11 * ax;
                    uint32_t v = (top * (256 - ay) + bottom * ay + 32768) >> 16;
                    argb |= v << shift;
                }
            } else {
                argb = at(static_cast<int32_t>((static_cast<int64_t>(x) * sw) / dw),
                          static_cast<int32_t>((static_cast<int64_t>(y) * sh) / dh));
            }
            GxArgbToPixel(df, argb, row + static_cast<size_t>(x) * db);
        }
    }
    if (dt.HasDeviceCopy()) r = NativeUploadTexture(dt, d->Level(), dr);
    return result(r);
}

GxResult GxDeviceCore::SetRenderTarget(uint32_t index, GxDeviceSurface* surface)
{
    GxDeviceCall& c = Record(GxDeviceOp::SetRenderTarget, GX_OK);
    c.args[0] = index;
    c.object = surface;
    GxResult r = GX_OK;
    if (index >= m_RenderTargets.size() || (index == 0 && !surface)) {
        r = GXERR_INVALIDCALL;
    } else if (surface) {
        // The device's own back buffer, or a render-target texture or surface of this device.
        auto* core = dynamic_cast<GxCoreSurface*>(surface);
        GxCoreTextureSurface* tex = OwnTextureSurface(surface);
        bool ok = (core && core->Device() == this) || (tex && tex->Texture()->IsRenderTarget());
        if (!ok) r = GXERR_INVALIDCALL;
    }
    if (GxSucceeded(r)) {
        if (surface) surface->AddRef();
        GxSafeRelease(m_RenderTargets[index]);
        m_RenderTargets[index] = surface;
        if (index == 0) {
            GxSurfaceDesc d;
            surface->GetDesc(&d);
            m_Viewport = GxViewport{0, 0, d.Width, d.Height, 0.0f, 1.0f};
        }
    }
    c.result = r;
    return r;
}

GxResult GxDeviceCore::GetRenderTarget(uint32_t index, GxDeviceSurface** surface)
{
    if (!surface) return GXERR_INVALIDCALL;
    *surface = nullptr;
    if (index >= m_RenderTargets.size()) return GXERR_INVALIDCALL;
    if (!m_RenderTargets[index]) return GXERR_NOTFOUND;
    m_RenderTargets[index]->AddRef();
    *surface = m_RenderTargets[index];
    return GX_OK;
}

GxResult GxDeviceCore::SetDepthStencilSurface(GxDeviceSurface* surface)
{
    GxDeviceCall& c = Record(GxDeviceOp::SetDepthStencilSurface, GX_OK);
    c.object = surface;
    GxResult r = GX_OK;
    if (surface) {
        GxSurfaceDesc d;
        if (GxFailed(surface->GetDesc(&d)) || !GxIsDepthFormat(d.Format)) r = GXERR_INVALIDCALL;
    }
    if (GxSucceeded(r)) {
        if (surface) surface->AddRef();
        GxSafeRelease(m_DepthStencil);
        m_DepthStencil = surface;
    }
    c.result = r;
    return r;
}

GxResult GxDeviceCore::GetDepthStencilSurface(GxDeviceSurface** surface)
{
    if (!surface) return GXERR_INVALIDCALL;
    *surface = m_DepthStencil;
    if (!m_DepthStencil) return GXERR_NOTFOUND;
    m_DepthStencil->AddRef();
    return GX_OK;
}

GxResult GxDeviceCore::BeginScene()
{
    GxResult r = m_SceneCount > 0 ? GXERR_INVALIDCALL : GX_OK;
    if (GxSucceeded(r)) ++m_SceneCount;
    Record(GxDeviceOp::BeginScene, r);
    return r;
}

GxResult GxDeviceCore::EndScene()
{
    GxResult r = m_SceneCount == 0 ? GXERR_INVALIDCALL : GX_OK;
    if (GxSucceeded(r)) --m_SceneCount;
    Record(GxDeviceOp::EndScene, r);
    return r;
}

GxResult GxDeviceCore::Clear(uint32_t count, const GxRectL* rects, uint32_t flags, GxColor color, float z,
                             uint32_t stencil)
{
    GxDeviceCall& c = Record(GxDeviceOp::Clear, GX_OK);
    c.args[0] = count;
    c.args[1] = flags;
    c.args[2] = color;
    c.args[3] = stencil;
    c.f[0] = z;
    if (rects)
        for (uint32_t i = 0; i < count && i < 4096; ++i) c.rects.push_back(rects[i]);
    if (count > 0 && !rects) {
        c.result = GXERR_INVALIDCALL;
        return c.result;
    }
    // Depth and stencil are cleared only where a depth surface is set.
    if (!m_DepthStencil) flags &= ~(GXCLEAR_ZBUFFER | GXCLEAR_STENCIL);
    if ((flags & (GXCLEAR_TARGET | GXCLEAR_ZBUFFER | GXCLEAR_STENCIL)) == 0) return GX_OK;
    GxSurfaceDesc target;
    m_RenderTargets[0]->GetDesc(&target);
    GxRectL area{0, 0, static_cast<int32_t>(target.Width), static_cast<int32_t>(target.Height)};
    GxRectL view{static_cast<int32_t>(m_Viewport.X), static_cast<int32_t>(m_Viewport.Y),
                 static_cast<int32_t>(m_Viewport.X + m_Viewport.Width),
                 static_cast<int32_t>(m_Viewport.Y + m_Viewport.Height)};
    GxRectL bounds;
    if (!Intersect(area, view, &bounds)) return GX_OK;
    GxResult r = GX_OK;
    if (count == 0) {
        r = NativeClear(bounds, flags, color, z, stencil);
    } else {
        for (uint32_t i = 0; i < count && GxSucceeded(r); ++i) {
            GxRectL piece;
            if (Intersect(rects[i], bounds, &piece)) r = NativeClear(piece, flags, color, z, stencil);
        }
    }
    c.result = r;
    return r;
}

GxResult GxDeviceCore::SetViewport(const GxViewport* viewport)
{
    GxDeviceCall& c = Record(GxDeviceOp::SetViewport, GX_OK);
    GxResult r = GX_OK;
    if (!viewport) {
        r = GXERR_INVALIDCALL;
    } else {
        c.args[0] = viewport->X;
        c.args[1] = viewport->Y;
        c.args[2] = viewport->Width;
        c.args[3] = viewport->Height;
        c.f[0] = viewport->MinZ;
        c.f[1] = viewport->MaxZ;
        GxSurfaceDesc target;
        m_RenderTargets[0]->GetDesc(&target);
        uint64_t right = static_cast<uint64_t>(viewport->X) + viewport->Width;
        uint64_t bottom = static_cast<uint64_t>(viewport->Y) + viewport->Height;
        // The viewport must lie on the render target.
        if (right > target.Width || bottom > target.Height || viewport->MinZ < 0.0f || viewport->MaxZ > 1.0f ||
            viewport->MinZ > viewport->MaxZ)
            r = GXERR_INVALIDCALL;
        else
            m_Viewport = *viewport;
    }
    c.result = r;
    return r;
}

GxResult GxDeviceCore::GetViewport(GxViewport* viewport)
{
    if (!viewport) return GXERR_INVALIDCALL;
    *viewport = m_Viewport;
    return GX_OK;
}

GxResult GxDeviceCore::SetRenderState(GxRenderStateType state, uint32_t value)
{
    GxResult r = state < GX_RENDERSTATE_COUNT ? GX_OK : GXERR_INVALIDCALL;
    if (GxSucceeded(r)) m_RenderStates[state] = value;
    GxDeviceCall& c = Record(GxDeviceOp::SetRenderState, r);
    c.args[0] = state;
    c.args[1] = value;
    return r;
}

GxResult GxDeviceCore::GetRenderState(GxRenderStateType state, uint32_t* value)
{
    if (!value || state >= GX_RENDERSTATE_COUNT) return GXERR_INVALIDCALL;
    *value = m_RenderStates[state];
    return GX_OK;
}

GxResult GxDeviceCore::SetTextureStageState(uint32_t stage, GxTextureStageStateType type, uint32_t value)
{
    GxResult r = stage < GX_TEXTURESTAGE_COUNT && type < GX_TEXTURESTAGESTATE_COUNT ? GX_OK : GXERR_INVALIDCALL;
    if (GxSucceeded(r)) m_StageStates[stage][type] = value;
    GxDeviceCall& c = Record(GxDeviceOp::SetTextureStageState, r);
    c.args[0] = stage;
    c.args[1] = type;
    c.args[2] = value;
    return r;
}

GxResult GxDeviceCore::GetTextureStageState(uint32_t stage, GxTextureStageStateType type, uint32_t* value)
{
    if (!value || stage >= GX_TEXTURESTAGE_COUNT || type >= GX_TEXTURESTAGESTATE_COUNT) return GXERR_INVALIDCALL;
    *value = m_StageStates[stage][type];
    return GX_OK;
}

GxResult GxDeviceCore::SetSamplerState(uint32_t sampler, GxSamplerStateType type, uint32_t value)
{
    GxResult r = sampler < GX_SAMPLER_COUNT && type < GX_SAMPLERSTATE_COUNT ? GX_OK : GXERR_INVALIDCALL;
    if (GxSucceeded(r)) m_SamplerStates[sampler][type] = value;
    GxDeviceCall& c = Record(GxDeviceOp::SetSamplerState, r);
    c.args[0] = sampler;
    c.args[1] = type;
    c.args[2] = value;
    return r;
}

GxResult GxDeviceCore::GetSamplerState(uint32_t sampler, GxSamplerStateType type, uint32_t* value)
{
    if (!value || sampler >= GX_SAMPLER_COUNT || type >= GX_SAMPLERSTATE_COUNT) return GXERR_INVALIDCALL;
    *value = m_SamplerStates[sampler][type];
    return GX_OK;
}

GxResult GxDeviceCore::SetTexture(uint32_t stage, GxDeviceTexture* texture)
{
    GxResult r = stage < GX_SAMPLER_COUNT ? GX_OK : GXERR_INVALIDCALL;
    // The texture set again (most draws of a frame) keeps its reference as it is.
    if (GxSucceeded(r) && texture != m_Textures[stage]) {
        if (texture) texture->AddRef();
        GxSafeRelease(m_Textures[stage]);
        m_Textures[stage] = texture;
    }
    GxDeviceCall& c = Record(GxDeviceOp::SetTexture, r);
    c.args[0] = stage;
    c.object = texture;
    return r;
}

GxResult GxDeviceCore::SetLight(uint32_t index, const GxLight* light)
{
    // Light indices are bounded so that a stray index cannot grow the table without end.
    GxResult r = light && index < 4096 ? GX_OK : GXERR_INVALIDCALL;
    if (GxSucceeded(r)) {
        if (m_Lights.size() <= index) {
            m_Lights.resize(index + 1);
            m_LightEnabled.resize(index + 1, false);
        }
        m_Lights[index] = *light;
    }
    GxDeviceCall& c = Record(GxDeviceOp::SetLight, r);
    c.args[0] = index;
    if (light) {
        c.args[1] = light->Type;
        c.f[0] = light->Range;
        c.f[1] = light->Attenuation1;
    }
    return r;
}

GxResult GxDeviceCore::LightEnable(uint32_t index, bool enable)
{
    GxResult r = index < 4096 ? GX_OK : GXERR_INVALIDCALL;
    if (GxSucceeded(r)) {
        if (m_Lights.size() <= index) {
            m_Lights.resize(index + 1);
            m_LightEnabled.resize(index + 1, false);
        }
        m_LightEnabled[index] = enable;
    }
    GxDeviceCall& c = Record(GxDeviceOp::LightEnable, r);
    c.args[0] = index;
    c.args[1] = enable ? 1 : 0;
    return r;
}

GxResult GxDeviceCore::SetSoftwareVertexProcessing(bool software)
{
    // A device made for hardware vertex processing only cannot switch to software.
    bool hardwareOnly = (m_BehaviorFlags & GXCREATE_HARDWARE_VERTEXPROCESSING) != 0;
    GxResult r = software && hardwareOnly ? GXERR_INVALIDCALL : GX_OK;
    if (GxSucceeded(r)) m_SoftwareVertexProcessing = software;
    GxDeviceCall& c = Record(GxDeviceOp::SetSoftwareVertexProcessing, r);
    c.args[0] = software ? 1 : 0;
    return r;
}

bool GxDeviceCore::GetSoftwareVertexProcessing() { return m_SoftwareVertexProcessing; }

GxResult GxDeviceCore::SetFVF(uint32_t fvf)
{
    m_FVF = fvf;
    GxDeviceCall& c = Record(GxDeviceOp::SetFVF, GX_OK);
    c.args[0] = fvf;
    return GX_OK;
}

GxResult GxDeviceCore::SetVertexShader(GxDeviceVertexShader* shader)
{
    // Only the fixed-function stand-in exists: binding none is all the engine does.
    GxResult r = shader ? GXERR_INVALIDCALL : GX_OK;
    GxDeviceCall& c = Record(GxDeviceOp::SetVertexShader, r);
    c.object = shader;
    return r;
}

GxResult GxDeviceCore::SetStreamSource(uint32_t stream, GxDeviceVertexBuffer* buffer, uint32_t offset,
                                       uint32_t stride)
{
    GxResult r = stream < m_Caps.MaxStreams && !buffer ? GX_OK : GXERR_INVALIDCALL;
    GxDeviceCall& c = Record(GxDeviceOp::SetStreamSource, r);
    c.args[0] = stream;
    c.args[1] = offset;
    c.args[2] = stride;
    c.object = buffer;
    return r;
}

GxResult GxDeviceCore::DrawPrimitiveUP(GxPrimitiveType type, uint32_t primitiveCount, const void* vertices,
                                       uint32_t stride)
{
    GxDeviceCall& c = Record(GxDeviceOp::DrawPrimitiveUP, GX_OK);
    c.args[0] = type;
    c.args[1] = primitiveCount;
    c.args[2] = stride;
    c.args[3] = m_FVF;
    uint64_t n = VertexCount(type, primitiveCount);
    GxResult r = GX_OK;
    if (!vertices || primitiveCount == 0 || primitiveCount > kMaxPrimitives || n == 0 || m_SceneCount == 0)
        r = GXERR_INVALIDCALL;
    else if (m_FVF != GXFVF_SCREENVERTEX || stride != sizeof(GxScreenVertex))
        r = GXERR_INVALIDCALL;  // the one vertex format the engine draws
    const auto* v = static_cast<const GxScreenVertex*>(vertices);
    if (GxSucceeded(r) && m_Recorder.enabled) c.vertices.assign(v, v + n);
    if (GxSucceeded(r)) r = NativeDrawScreenVertices(type, primitiveCount, v, static_cast<uint32_t>(n));
    c.result = r;
    return r;
}

GxResult GxDeviceCore::NativeDrawScreenVertices(GxPrimitiveType, uint32_t, const GxScreenVertex*, uint32_t)
{
    return GXERR_NOTIMPL;
}

GxResult GxDeviceCore::ReadBackBuffer(GxPixelImage* image)
{
    if (!image) return GXERR_INVALIDCALL;
    return NativeReadBackBuffer(image);
}

GxResult GxDeviceCore::ReadPresented(GxPixelImage* image)
{
    if (!image) return GXERR_INVALIDCALL;
    return NativeReadPresented(image);
}
