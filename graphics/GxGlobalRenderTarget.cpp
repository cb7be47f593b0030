#include "graphics/GxGlobalRenderTarget.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/GxLog.h"
#include "core/GxString.h"
#include "graphics/GxGraphics.h"
#include "platform/GxPicture.h"

namespace {

constexpr uint32_t kThumbnailBlock = 8;

GxSceneRenderer g_SceneRenderer = nullptr;

bool Is32Bit(GxFormat f) { return f == GXFMT_A8R8G8B8 || f == GXFMT_X8R8G8B8; }

uint32_t ReadPixel(const uint8_t* row, uint32_t x)
{
    uint32_t p;
    std::memcpy(&p, row + static_cast<size_t>(x) * 4, 4);
    return p;
}

void WritePixel(uint8_t* row, uint32_t x, uint32_t p) { std::memcpy(row + static_cast<size_t>(x) * 4, &p, 4); }

// The first global render texture's memory copy with what was last drawn into it, locked
// read-only over (0, 0, width, height); none when there is nothing to read.
class SceneCopy
{
public:
    SceneCopy(GxGlobalRenderTargets& g, uint32_t width, uint32_t height)
    {
        GxTexture& scene = g.renderTextures[0];
        if (!Is32Bit(scene.GetFormat()) || width > scene.GetWidth() || height > scene.GetHeight()) return;
        scene.TransferRenderTargetToMemory();
        scene.GetMemoryTexture(&m_Texture);
        if (!m_Texture) return;
        GxRectL r{0, 0, static_cast<int32_t>(width), static_cast<int32_t>(height)};
        GxLockedRect lr;
        if (GxFailed(m_Texture->LockRect(0, &lr, &r, GXLOCK_READONLY))) return;
        m_Bits = static_cast<const uint8_t*>(lr.pBits);
        m_Pitch = lr.Pitch;
    }
    ~SceneCopy()
    {
        if (m_Bits) m_Texture->UnlockRect(0);
        GxSafeRelease(m_Texture);
    }
    const uint8_t* Row(uint32_t y) const { return m_Bits + static_cast<ptrdiff_t>(y) * m_Pitch; }
    bool Ok() const { return m_Bits != nullptr; }

private:
    GxDeviceTexture* m_Texture = nullptr;
    const uint8_t* m_Bits = nullptr;
    int32_t m_Pitch = 0;
};

}  // namespace

GxGlobalRenderTargets& GxGetGlobalRenderTargets()
{
    static GxGlobalRenderTargets targets;
    return targets;
}

void GxCreateGlobalRenderTargets()
{
    ReleaseGlobalRenderTargets();
    GxGlobalRenderTargets& g = GxGetGlobalRenderTargets();
    const GxPresentParameters& p = GxGraphics::GetPresentParameters(GxGraphics::GetScreenMode());
    g.width = p.BackBufferWidth;
    g.height = p.BackBufferHeight;
    for (GxTexture& t : g.renderTextures)
        t.CreateRenderTarget(u"GlobalRenderTexture0", g.width, g.height, GXFMT_A8R8G8B8);
    g.depthStencil.CreateDepthStencil(u"GlobalDepthStencil", g.renderTextures[0].GetWidth(),
                                      g.renderTextures[0].GetHeight(), GXFMT_UNKNOWN, GXMULTISAMPLE_NONE, 0);
    for (GxSurface& s : g.systemMemory) s.CreateSystemMemory(u"", g.width, g.height, GXFMT_X8R8G8B8);
    g.thumbnail.Create((g.width / kThumbnailBlock) * (g.height / kThumbnailBlock) * 4);
}

void ReleaseGlobalRenderTargets()
{
    GxGlobalRenderTargets& g = GxGetGlobalRenderTargets();
    g.capture.ReleaseAll();
    for (GxSurface& s : g.systemMemory) s.ReleaseAll();
    g.depthStencil.ReleaseAll();
    for (GxTexture& t : g.renderTextures) t.ReleaseAll();
    g.thumbnail.Release();
}

GxSurface* GetCaptureSurface(std::u16string_view fileName)
{
    GxGlobalRenderTargets& g = GxGetGlobalRenderTargets();
    if (!fileName.empty()) g.capture.CreateFromFile(fileName, GXFMT_A8R8G8B8, 0);
    else g.capture.CreateScratch(u"", g.width, g.height, GXFMT_A8R8G8B8);
    return &g.capture;
}

void GxSetSceneRenderer(GxSceneRenderer renderer) { g_SceneRenderer = renderer; }

bool RenderSceneToGlobalTexture()
{
    GxGlobalRenderTargets& g = GxGetGlobalRenderTargets();
    // A capture is never left out: the frame that makes it is drawn.
    GxGraphics::ForceFrame();
    bool pushed = GxGraphics::PushRenderTarget(0, &g.renderTextures[0], &g.depthStencil, nullptr);
    if (g_SceneRenderer) g_SceneRenderer();
    bool popped = GxGraphics::PopRenderTarget(0);
    return pushed && popped;
}

int32_t GxMaskProgressStep(float progress)
{
    // Steps beyond -510..1020 give the same alphas for every mask level; the bound keeps the
    // conversion defined for any float, NaN included.
    if (!(progress >= -1.0f)) progress = progress > 0.0f ? 2.0f : (progress < 0.0f ? -1.0f : 0.0f);
    if (progress > 2.0f) progress = 2.0f;
    return static_cast<int32_t>(progress * 510.0f);
}

void ApplyMaskToGlobalRenderTexture(GxTexture* target, float progress)
{
    GxGlobalRenderTargets& g = GxGetGlobalRenderTargets();
    GxDeviceSurface* mask = g.capture.GetD3DSurface();
    if (!target || !mask || !Is32Bit(target->GetFormat()) || !Is32Bit(g.capture.GetFormat())) return;
    // The mask must cover the screen; the target is written only as far as it reaches.
    if (g.width > g.capture.GetWidth() || g.height > g.capture.GetHeight()) return;
    const uint32_t w = std::min(g.width, target->GetWidth()), h = std::min(g.height, target->GetHeight());
    if (w == 0 || h == 0) return;

    SceneCopy scene(g, w, h);
    if (!scene.Ok()) return;
    GxRectL r{0, 0, static_cast<int32_t>(w), static_cast<int32_t>(h)};
    GxLockedRect maskLock;
    if (GxFailed(mask->LockRect(&maskLock, &r, GXLOCK_READONLY))) return;
    void* bits = nullptr;
    int32_t pitch = 0;
    if (target->LockRect(&r, &bits, &pitch, nullptr, nullptr, nullptr, false)) {
        const int32_t k = GxMaskProgressStep(progress);
        for (uint32_t y = 0; y < h; ++y) {
            const uint8_t* src = scene.Row(y);
            const uint8_t* m = static_cast<const uint8_t*>(maskLock.pBits) + static_cast<ptrdiff_t>(y) * maskLock.Pitch;
            uint8_t* dst = static_cast<uint8_t*>(bits) + static_cast<ptrdiff_t>(y) * pitch;
            for (uint32_t x = 0; x < w; ++x) {
                const uint32_t level = (ReadPixel(m, x) >> 16) & 0xFF;
                WritePixel(dst, x, (ReadPixel(src, x) & 0x00FFFFFFu) | (GxMaskAlpha(level, k) << 24));
            }
        }
        target->UnlockRect();
        // A render target's pixels were written to its memory copy: the device takes them now.
        if (target->GetPool() == GXPOOL_DEFAULT) target->UpdateTexture();
    }
    mask->UnlockRect();
}

void CaptureSaveThumbnail()
{
    GxGlobalRenderTargets& g = GxGetGlobalRenderTargets();
    const uint32_t tw = g.width / kThumbnailBlock, th = g.height / kThumbnailBlock;
    uint8_t* out = g.thumbnail.GetBuffer();
    if (!out || g.thumbnail.GetSize() < tw * th * 4) return;
    SceneCopy scene(g, g.width, g.height);
    if (!scene.Ok()) return;
    for (uint32_t by = 0; by < th; ++by) {
        for (uint32_t bx = 0; bx < tw; ++bx) {
            uint32_t sum[3] = {0, 0, 0};
            for (uint32_t y = 0; y < kThumbnailBlock; ++y) {
                const uint8_t* row = scene.Row(by * kThumbnailBlock + y);
                for (uint32_t x = 0; x < kThumbnailBlock; ++x) {
                    const uint32_t p = ReadPixel(row, bx * kThumbnailBlock + x);
                    sum[0] += p & 0xFF;
                    sum[1] += (p >> 8) & 0xFF;
                    sum[2] += (p >> 16) & 0xFF;
                }
            }
            const uint32_t n = kThumbnailBlock * kThumbnailBlock;
            WritePixel(out + static_cast<size_t>(by) * tw * 4, bx,
                       0xFF000000u | (sum[2] / n) << 16 | (sum[1] / n) << 8 | (sum[0] / n));
        }
    }
}

bool SaveThumbnailPng(std::u16string_view path)
{
    GxGlobalRenderTargets& g = GxGetGlobalRenderTargets();
    const uint32_t tw = g.width / kThumbnailBlock, th = g.height / kThumbnailBlock;
    const uint8_t* data = g.thumbnail.GetBuffer();
    if (!data || tw == 0 || th == 0 || g.thumbnail.GetSize() < tw * th * 4) {
        GxPrintErrorLog(u"Error/SaveThumbnailPng Failed(Path:\"%s\" No Thumbnail)\n", std::u16string(path));
        return false;
    }
    std::vector<uint32_t> pixels(static_cast<size_t>(tw) * th);
    std::memcpy(pixels.data(), data, pixels.size() * 4);
    std::string error;
    if (!GxPngWrite(GxPathToNative(path), tw, th, pixels.data(), tw, &error)) {
        GxPrintErrorLog(u"Error/SaveThumbnailPng Failed(Path:\"%s\" %S)\n", std::u16string(path), error);
        return false;
    }
    return true;
}
