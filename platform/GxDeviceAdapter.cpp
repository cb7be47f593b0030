#include "platform/GxDeviceCore.h"

#include <vector>

#include "platform/GxDeviceCoreInternal.h"

using GxDeviceCoreInternal::Contains;

namespace {

bool ValidInterval(uint32_t i)
{
    return i == GXPRESENT_INTERVAL_DEFAULT || i == GXPRESENT_INTERVAL_ONE || i == GXPRESENT_INTERVAL_TWO ||
           i == GXPRESENT_INTERVAL_THREE || i == GXPRESENT_INTERVAL_FOUR || i == GXPRESENT_INTERVAL_IMMEDIATE;
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
