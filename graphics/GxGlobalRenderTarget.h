// The screen-size GPU objects that exist once for the whole run: two global render textures
// (the first receives the whole scene for transitions, masked wipes and save thumbnails; the
// second is the layers' scratch target), the depth stencil off-screen drawing uses, two
// system-memory surfaces, the capture surface (a mask picture or an empty scratch surface) and
// the save-thumbnail buffer. All are sized from the screen mode current when they are made and
// keep that size. Main thread only.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/GxBinBuffer.h"
#include "graphics/GxSurface.h"
#include "graphics/GxTexture.h"

struct GxGlobalRenderTargets
{
    GxTexture renderTextures[2];
    GxSurface depthStencil;
    GxSurface systemMemory[2];
    GxSurface capture;
    // (width / 8) x (height / 8) pixels of 0xFFRRGGBB, rows top first, in native word order.
    GxBinBuffer thumbnail;
    uint32_t width = 0;  // the back-buffer size they were made for
    uint32_t height = 0;
};

GxGlobalRenderTargets& GxGetGlobalRenderTargets();

// Makes every object above (after the device exists). Failures are reported by the texture and
// surface classes and leave the object empty; the operations below then do nothing useful.
void GxCreateGlobalRenderTargets();
// Releases the surfaces and textures and drops the thumbnail buffer's reference (before the
// device is released).
void ReleaseGlobalRenderTargets();

// The capture surface: a non-empty name loads that picture into it (A8R8G8B8); an empty name
// makes it an empty scratch surface of the screen size.
GxSurface* GetCaptureSurface(std::u16string_view fileName);

// Draws the current frame's task tree (the current screen, then the persistent root) into the
// first global render texture through render bank 1, leaving the frame's own lists untouched.
// Whether restoring the render target succeeded.
bool RenderSceneToGlobalTexture();

// Draws the scene into the current render target through the frame's own render pass. The
// task tree sits above this folder: it fills the hook when the application object becomes
// current; while it is empty a capture draws nothing.
using GxSceneRenderer = void (*)();
void GxSetSceneRenderer(GxSceneRenderer renderer);

// The alpha a mask level gives at a progress 0..1: mask - trunc(510 x progress) + 255, clamped
// to 0..255. Opaque everywhere at 0; at 1 only mask level 255 stays; the edge is 255 levels wide.
constexpr uint32_t GxMaskAlpha(uint32_t mask, int32_t k)
{
    const int32_t a = static_cast<int32_t>(mask) - k + 255;
    return a < 0 ? 0u : a > 255 ? 255u : static_cast<uint32_t>(a);
}
int32_t GxMaskProgressStep(float progress);

// Writes the first global render texture's colours into target with the alpha of the capture
// surface's mask (its red channel) at the progress. Only where the mask covers the screen;
// only inside the target (a smaller target gets its own size's worth).
void ApplyMaskToGlobalRenderTexture(GxTexture* target, float progress);

// The first global render texture reduced into the thumbnail buffer: each 8 x 8 block's blue,
// green and red averaged (sums divided by 64, truncated), alpha 0xFF.
void CaptureSaveThumbnail();
// The thumbnail buffer as a PNG file; whether it was written whole.
bool SaveThumbnailPng(std::u16string_view path);
