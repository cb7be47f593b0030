#include "platform/GxDeviceCore.h"

#include <algorithm>
#include <iterator>
#include <cstring>
#include <type_traits>

// The adapter object: GxDeviceAdapter.cpp; textures and surfaces: GxDeviceTextures.cpp; copies
// between them: GxDeviceCopies.cpp; state and drawing: GxDeviceStateDraw.cpp.

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

void GxDeviceCore::CaptureDrawState(DrawState& out) const
{
    static_assert(std::is_trivially_copyable_v<DrawState>);
    std::memset(static_cast<void*>(&out), 0, sizeof(out));
    std::memcpy(out.renderStates, m_RenderStates, sizeof(m_RenderStates));
    std::memcpy(out.stageStates, m_StageStates, sizeof(m_StageStates));
    std::memcpy(out.samplerStates, m_SamplerStates, sizeof(m_SamplerStates));
    out.viewport = m_Viewport;
    for (uint32_t i = 0; i < GX_SAMPLER_COUNT; ++i) out.textures[i] = m_Textures[i];
    out.renderTarget = m_RenderTargets.empty() ? nullptr : m_RenderTargets[0];
    out.depthStencil = m_DepthStencil;
    out.fvf = m_FVF;
    out.softwareVertexProcessing = m_SoftwareVertexProcessing;
}

bool GxDeviceCore::RepeatShownFrame()
{
    if (m_Loss != Loss::None || m_SceneCount > 0) return false;
    return NativeRepeatShownFrame();
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
