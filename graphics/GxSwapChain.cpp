#include "graphics/GxSwapChain.h"

#include "core/GxLog.h"
#include "core/GxString.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxTexture.h"

GxSwapChain::GxSwapChain() { m_ObjectType = OBJTYPE_NONE; }

GxSwapChain::~GxSwapChain() { ReleaseAll(); }

void GxSwapChain::ReleaseDeviceObjects()
{
    GxSafeRelease(m_pDepthStencil);
    GxSafeRelease(m_pSwapChain);
}

void GxSwapChain::Release()
{
    if (m_RefCount == 0) return;
    if (DecRef() != 0) return;
    ReleaseDeviceObjects();
    m_Width = 0;
    m_Height = 0;
    m_Default = false;
    m_ObjectType = OBJTYPE_NONE;
    m_Name.clear();
    GxGetD3DResourceManage().Unregister(this);
}

void GxSwapChain::SetMargins(const GxRectL* margins)
{
    m_Margins = margins ? *margins : GxRectL{};
    m_ClientRectGiven = false;
    SetClientRect(nullptr);
}

void GxSwapChain::SetClientRect(const GxRectL* rect)
{
    if (rect) {
        m_ClientRect = *rect;
        m_ClientRectGiven = true;
        return;
    }
    m_ClientRectGiven = false;
    m_ClientRect = GxRectL{m_Margins.left, m_Margins.top, static_cast<int32_t>(m_Width) - m_Margins.right,
                           static_cast<int32_t>(m_Height) - m_Margins.bottom};
}

void GxSwapChain::CreateDepthStencil()
{
    GxDevice* device = GxGraphics::GetDevice();
    GxSafeRelease(m_pDepthStencil);
    if (!device) return;
    // A missing depth stencil is not reported: the chain draws without one.
    device->CreateDepthStencilSurface(m_Width, m_Height, GxGraphics::GetDepthStencilFormat(), m_Params.MultiSampleType,
                                      m_Params.MultiSampleQuality, true, &m_pDepthStencil);
}

bool GxSwapChain::CreateDefaultSwapChain(const GxRectL* margins)
{
    ReleaseAll();
    GxDevice* device = GxGraphics::GetDevice();
    if (!device) return false;
    if (GxFailed(device->GetSwapChain(0, &m_pSwapChain)) || !m_pSwapChain) return false;
    m_pSwapChain->GetPresentParameters(&m_Params);
    m_Width = m_Params.BackBufferWidth;
    m_Height = m_Params.BackBufferHeight;
    m_Default = true;
    SetMargins(margins);
    m_Name.clear();
    m_ObjectType = OBJTYPE_SWAPCHAIN;
    CreateDepthStencil();
    GxGetD3DResourceManage().Register(this);
    AddRef();
    return true;
}

bool GxSwapChain::CreateAdditionalSwapChain(std::u16string_view name, const GxPresentParameters& params,
                                            const GxRectL* margins)
{
    ReleaseAll();
    m_Params = params;
    m_Width = params.BackBufferWidth;
    m_Height = params.BackBufferHeight;
    m_Default = false;
    SetMargins(margins);
    m_Name = std::u16string(name);
    GxDevice* device = GxGraphics::GetDevice();
    if (!device) return false;
    GxPresentParameters p = m_Params;
    GxResult r = device->CreateAdditionalSwapChain(&p, &m_pSwapChain);
    if (GxFailed(r)) {
        GxPrintErrorLog(u"Error/GxSwapChain CreateAdditionalSwapChain Failed(Name:\"%s\" Size:%d,%d %s)\n", m_Name,
                        m_Width, m_Height, GxGraphics::GetD3DErrorString(r));
        m_pSwapChain = nullptr;
        return false;
    }
    m_ObjectType = OBJTYPE_SWAPCHAIN;
    CreateDepthStencil();
    GxGetD3DResourceManage().Register(this);
    AddRef();
    return true;
}

bool GxSwapChain::CreateAdditionalSwapChainA(std::string_view name, const GxPresentParameters& params,
                                             const GxRectL* margins)
{
    return CreateAdditionalSwapChain(GxAnsiToWide(name), params, margins);
}

bool GxSwapChain::CreateSwapChainForWindow(std::u16string_view name, void* window, uint32_t width, uint32_t height,
                                           const GxRectL* margins)
{
    GxPresentParameters p = GxGraphics::GetPresentParameters(GxGraphics::GetScreenMode());
    p.BackBufferWidth = width;
    p.BackBufferHeight = height;
    p.Windowed = 1;
    p.FullScreen_RefreshRateInHz = 0;
    if (window) p.hDeviceWindow = window;
    return CreateAdditionalSwapChain(name, p, margins);
}

void GxSwapChain::OnLostDevice()
{
    if (!m_Default && m_pSwapChain) m_pSwapChain->GetPresentParameters(&m_Params);
    ReleaseDeviceObjects();
}

void GxSwapChain::OnResetDevice()
{
    if (m_ObjectType == OBJTYPE_NONE) return;
    GxDevice* device = GxGraphics::GetDevice();
    if (!device) return;
    GxSafeRelease(m_pSwapChain);
    if (m_Default) {
        GxResult r = device->GetSwapChain(0, &m_pSwapChain);
        if (GxFailed(r) || !m_pSwapChain) {
            GxPrintErrorLog(u"Error/GxSwapChain OnReset Failed(DefaultChain Size:%d,%d %s)\n", m_Width, m_Height,
                            GxGraphics::GetD3DErrorString(GxFailed(r) ? r : GXERR_NOTFOUND));
            m_pSwapChain = nullptr;
            return;
        }
        // A reset for another screen mode changes the back buffer: the depth stencil and the
        // margins follow its new size.
        m_pSwapChain->GetPresentParameters(&m_Params);
        m_Width = m_Params.BackBufferWidth;
        m_Height = m_Params.BackBufferHeight;
        if (!m_ClientRectGiven) SetClientRect(nullptr);
    } else {
        GxPresentParameters p = m_Params;
        GxResult r = device->CreateAdditionalSwapChain(&p, &m_pSwapChain);
        if (GxFailed(r)) {
            GxPrintErrorLog(u"Error/GxSwapChain OnReset Failed(Name:\"%s\" Size:%d,%d %s)\n", m_Name, m_Width,
                            m_Height, GxGraphics::GetD3DErrorString(r));
            m_pSwapChain = nullptr;
            return;
        }
    }
    CreateDepthStencil();
}

GxSurfaceBase* GxGetRenderTargetObject(const GxRenderTargetEntry* entry) { return entry ? entry->target : nullptr; }

GxDeviceSurface* GxGetDepthStencilSurface(const GxRenderTargetEntry* entry)
{
    return entry && entry->depthStencil ? entry->depthStencil->GetD3DSurface() : nullptr;
}
