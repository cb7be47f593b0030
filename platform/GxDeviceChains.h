// Additional swap chains and depth-stencil surfaces of the device (both backends).
//
// An additional swap chain draws into a back buffer of its own: a render-target surface of the
// device, so that both backends draw into it as into any render target. Presenting keeps a copy
// of the picture (ReadPresented); this platform shows additional chains in no window of their
// own, the engine's picture goes through the device's own chain.
//
// Depth-stencil surfaces are kept as descriptions with zeroed storage: the engine's drawing is
// two-dimensional and never tests depth, so neither backend keeps a depth buffer on the GPU.
// Both kinds live in the default pool, so the device refuses Reset while any exists.
#pragma once

#include <vector>

#include "platform/GxDeviceCore.h"

class GxCoreAdditionalSwapChain : public GxDeviceSwapChain
{
public:
    // Takes over the back buffer's reference.
    GxCoreAdditionalSwapChain(GxCoreTextureSurface* backBuffer, const GxPresentParameters& params);
    ~GxCoreAdditionalSwapChain() override;

    GxResult Present(const GxRectL* source, const GxRectL* dest, void* destWindow, uint32_t flags) override;
    GxResult GetBackBuffer(uint32_t index, GxDeviceSurface** surface) override;
    GxResult GetPresentParameters(GxPresentParameters* params) override;

    // The picture of the last Present, 0xAARRGGBB, top row first; black before the first one.
    GxResult ReadPresented(GxPixelImage* image);

private:
    GxCoreTextureSurface* m_BackBuffer;
    GxPresentParameters m_Params;
    GxPixelImage m_Presented;
};
