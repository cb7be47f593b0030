// GxSwapChain: one swap chain of the device together with a depth-stencil surface of its size.
// The device creation wraps the device's own chain in the default swap chain; an additional
// chain is made for another window (or none). Drawing goes to the current chain
// (GxGraphics::SetSwapChain); its margins are cut off the back buffer when the back buffer is
// the render target, and its client rectangle is the viewport SetSwapChain starts with.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "graphics/GxD3DResource.h"
#include "platform/GxDevice.h"

struct GxRenderTargetEntry;
class GxSurfaceBase;

class GxSwapChain : public GxD3DResourceBase
{
public:
    GxSwapChain();
    ~GxSwapChain() override;

    void Release() override;
    void OnLostDevice() override;
    void OnResetDevice() override;
    uint32_t GetMemorySize() override { return 0; }

    // The device objects, without a reference.
    GxDeviceSwapChain* GetD3DSwapChain() const { return m_pSwapChain; }
    GxDeviceSurface* GetDepthStencilSurface() const { return m_pDepthStencil; }
    const GxPresentParameters* GetPresentParameters() const { return &m_Params; }
    GxFormat GetBackBufferFormat() const { return m_Params.BackBufferFormat; }
    GxFormat GetAutoDepthStencilFormat() const { return m_Params.AutoDepthStencilFormat; }
    uint32_t GetWidth() const { return m_Width; }
    uint32_t GetHeight() const { return m_Height; }
    bool IsDefault() const { return m_Default; }
    // Margins (left, top, right, bottom) and the client rectangle.
    const GxRectL& GetMargins() const { return m_Margins; }
    const GxRectL& GetClientRect() const { return m_ClientRect; }

    // Wraps the device's own chain; margins none = all zero.
    bool CreateDefaultSwapChain(const GxRectL* margins);
    // An additional windowed chain of the given size, starting from the current screen mode's
    // present parameters; window none keeps the mode's device window.
    bool CreateSwapChainForWindow(std::u16string_view name, void* window, uint32_t width, uint32_t height,
                                  const GxRectL* margins);
    bool CreateAdditionalSwapChain(std::u16string_view name, const GxPresentParameters& params,
                                   const GxRectL* margins);
    bool CreateAdditionalSwapChainA(std::string_view name, const GxPresentParameters& params, const GxRectL* margins);
    // rect none restores (left margin, top margin, width - right margin, height - bottom margin).
    void SetClientRect(const GxRectL* rect);

private:
    void SetMargins(const GxRectL* margins);
    void CreateDepthStencil();
    void ReleaseDeviceObjects();

    GxDeviceSwapChain* m_pSwapChain = nullptr;
    GxDeviceSurface* m_pDepthStencil = nullptr;
    GxPresentParameters m_Params;
    uint32_t m_Width = 0;
    uint32_t m_Height = 0;
    bool m_Default = false;
    GxRectL m_Margins;
    GxRectL m_ClientRect;
    bool m_ClientRectGiven = false;
};

// What the render-target stack reads of its entries: the render-target object, and the device
// surface of the depth-stencil object (none when the entry has none).
GxSurfaceBase* GxGetRenderTargetObject(const GxRenderTargetEntry* entry);
GxDeviceSurface* GxGetDepthStencilSurface(const GxRenderTargetEntry* entry);
