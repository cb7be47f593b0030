#include "platform/GxDeviceChains.h"

#include <algorithm>

// ---- Additional swap chains ---------------------------------------------------------------------

GxCoreAdditionalSwapChain::GxCoreAdditionalSwapChain(GxCoreTextureSurface* backBuffer,
                                                     const GxPresentParameters& params)
    : m_BackBuffer(backBuffer), m_Params(params)
{
    m_Presented.width = params.BackBufferWidth;
    m_Presented.height = params.BackBufferHeight;
    m_Presented.pixels.assign(static_cast<size_t>(params.BackBufferWidth) * params.BackBufferHeight, 0xFF000000u);
}

GxCoreAdditionalSwapChain::~GxCoreAdditionalSwapChain() { GxSafeRelease(m_BackBuffer); }

GxResult GxCoreAdditionalSwapChain::Present(const GxRectL* source, const GxRectL* dest, void* destWindow,
                                            uint32_t flags)
{
    GxDeviceCore* device = m_BackBuffer->Texture()->Device();
    if (!device) return GXERR_INVALIDCALL;
    GxDeviceCall& c = device->Record(GxDeviceOp::Present, GX_OK);
    if (source) c.rects.push_back(*source);
    if (dest) c.rects.push_back(*dest);
    c.object = this;
    c.args[0] = source ? 1 : 0;
    c.args[1] = dest ? 1 : 0;
    c.args[2] = flags;
    (void)destWindow;
    GxResult r = GX_OK;
    if (device->m_Loss != GxDeviceCore::Loss::None) {
        r = GXERR_DEVICELOST;
    } else if (device->m_SceneCount > 0) {
        r = GXERR_INVALIDCALL;
    } else {
        GxPixelImage image;
        r = device->ReadTexture(m_BackBuffer->Texture(), m_BackBuffer->Level(), &image);
        if (GxSucceeded(r)) {
            if (m_Params.BackBufferFormat == GXFMT_X8R8G8B8)
                for (auto& p : image.pixels) p |= 0xFF000000u;
            m_Presented = std::move(image);
        }
    }
    c.result = r;
    return r;
}

GxResult GxCoreAdditionalSwapChain::GetBackBuffer(uint32_t index, GxDeviceSurface** surface)
{
    if (!surface) return GXERR_INVALIDCALL;
    *surface = nullptr;
    if (index != 0 || !m_BackBuffer->Texture()->Device()) return GXERR_INVALIDCALL;
    m_BackBuffer->AddRef();
    *surface = m_BackBuffer;
    return GX_OK;
}

GxResult GxCoreAdditionalSwapChain::GetPresentParameters(GxPresentParameters* params)
{
    if (!params || !m_BackBuffer->Texture()->Device()) return GXERR_INVALIDCALL;
    *params = m_Params;
    return GX_OK;
}

GxResult GxCoreAdditionalSwapChain::ReadPresented(GxPixelImage* image)
{
    if (!image) return GXERR_INVALIDCALL;
    *image = m_Presented;
    return GX_OK;
}

GxResult GxDeviceCore::CreateAdditionalSwapChain(GxPresentParameters* params, GxDeviceSwapChain** swapChain)
{
    if (swapChain) *swapChain = nullptr;
    GxDeviceCall& c = Record(GxDeviceOp::CreateAdditionalSwapChain, GX_OK);
    if (params) {
        c.args[0] = params->BackBufferWidth;
        c.args[1] = params->BackBufferHeight;
        c.args[2] = params->BackBufferFormat;
        c.args[3] = static_cast<uint32_t>(params->Windowed);
    }
    auto result = [&c](GxResult r) {
        c.result = r;
        return r;
    };
    // Additional chains present in a window only.
    if (!params || !swapChain || !params->Windowed) return result(GXERR_INVALIDCALL);
    if (m_Loss != Loss::None) return result(GXERR_DEVICELOST);
    GxPresentParameters p = *params;
    GxResult r = m_Direct3D->CompletePresentParameters(p, p.hDeviceWindow ? p.hDeviceWindow : m_FocusWindow);
    if (GxFailed(r)) return result(r);
    // Multisampled chains are not offered: their back buffer is a plain render target.
    if (p.MultiSampleType != GXMULTISAMPLE_NONE) return result(GXERR_INVALIDCALL);
    GxSurfaceDesc d;
    d.Format = p.BackBufferFormat;
    d.Type = GXRTYPE_SURFACE;
    d.Usage = GXUSAGE_RENDERTARGET;
    d.Pool = GXPOOL_DEFAULT;
    d.Width = p.BackBufferWidth;
    d.Height = p.BackBufferHeight;
    GxCoreTexture* t = nullptr;
    r = MakeTexture(d, 1, true, &t);
    if (GxFailed(r)) return result(r);
    GxDeviceSurface* surface = nullptr;
    t->GetSurfaceLevel(0, &surface);
    t->Release();  // the surface holds it now
    *params = p;
    *swapChain = new GxCoreAdditionalSwapChain(static_cast<GxCoreTextureSurface*>(surface), p);
    return result(GX_OK);
}

// ---- Depth stencils ------------------------------------------------------------------------------

GxResult GxDeviceCore::CreateDepthStencilSurface(uint32_t width, uint32_t height, GxFormat format,
                                                 GxMultiSampleType msType, uint32_t msQuality, bool discard,
                                                 GxDeviceSurface** surface)
{
    if (surface) *surface = nullptr;
    GxDeviceCall& c = Record(GxDeviceOp::CreateDepthStencilSurface, GX_OK);
    c.args[0] = width;
    c.args[1] = height;
    c.args[2] = format;
    c.args[3] = msType;
    c.args[4] = msQuality;
    c.args[5] = discard ? 1 : 0;
    auto result = [&c](GxResult r) {
        c.result = r;
        return r;
    };
    const GxAdapterDesc& a = m_Direct3D->Desc();
    uint32_t maxW = m_Caps.MaxTextureWidth ? m_Caps.MaxTextureWidth : 16384;
    uint32_t maxH = m_Caps.MaxTextureHeight ? m_Caps.MaxTextureHeight : 16384;
    if (!surface || width == 0 || height == 0 || width > maxW || height > maxH || !GxIsDepthFormat(format) ||
        std::find(a.depthStencilFormats.begin(), a.depthStencilFormats.end(), format) == a.depthStencilFormats.end() ||
        msType > GXMULTISAMPLE_MAX || msType == GXMULTISAMPLE_NONMASKABLE)
        return result(GXERR_INVALIDCALL);
    if (msType != GXMULTISAMPLE_NONE) {
        uint32_t q = a.multiSampleQuality[1][msType];
        if (q == 0 || msQuality >= q) return result(GXERR_INVALIDCALL);
    } else if (msQuality != 0) {
        return result(GXERR_INVALIDCALL);
    }
    GxSurfaceDesc d;
    d.Format = format;
    d.Type = GXRTYPE_SURFACE;
    d.Usage = GXUSAGE_DEPTHSTENCIL;
    d.Pool = GXPOOL_DEFAULT;
    d.MultiSampleType = msType;
    d.MultiSampleQuality = msQuality;
    d.Width = width;
    d.Height = height;
    // A description only: no backend object (see GxDeviceChains.h), and no CPU copy since
    // nothing locks a default-pool surface.
    auto* t = new GxCoreTexture(this, d, 1, true);
    if (!t->SizeAllowed()) {
        t->Release();
        return result(GXERR_OUTOFVIDEOMEMORY);
    }
    AddLiveTexture(t);
    ++m_DefaultPoolObjects;
    t->GetSurfaceLevel(0, surface);
    t->Release();
    return result(GX_OK);
}
