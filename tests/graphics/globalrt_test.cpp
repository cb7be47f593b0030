// The global render targets on the recording device: what is made at which size, the save
// thumbnail (8 x 8 block averages, written as PNG and read back with libpng), the masked wipe
// and its formula, the capture surface, and the scene capture's render-target bracket.
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

#include "app/GxCore.h"
#include "core/GxString.h"
#include "graphics/GxGlobalRenderTarget.h"
#include "platform/GxDeviceCore.h"
#include "platform/GxPicture.h"
#include "present_test_support.h"

namespace {

class GlobalRT : public gxtest::RecordingGraphics
{
protected:
    void TearDown() override
    {
        ReleaseGlobalRenderTargets();
        RecordingGraphics::TearDown();
    }

    bool CreateAll()
    {
        if (!Create()) return false;
        GxCreateGlobalRenderTargets();
        return true;
    }

    // Writes every pixel of the first global render texture, as if the scene had been drawn.
    void FillScene(const std::function<uint32_t(uint32_t, uint32_t)>& pixel)
    {
        GxTexture& t = GxGetGlobalRenderTargets().renderTextures[0];
        void* bits = nullptr;
        int32_t pitch = 0;
        ASSERT_TRUE(t.LockRect(nullptr, &bits, &pitch, nullptr, nullptr, nullptr, false));
        for (uint32_t y = 0; y < t.GetHeight(); ++y)
            for (uint32_t x = 0; x < t.GetWidth(); ++x)
                static_cast<uint32_t*>(bits)[static_cast<size_t>(y) * (pitch / 4) + x] = pixel(x, y);
        ASSERT_TRUE(t.UnlockRect());
        ASSERT_TRUE(t.UpdateTexture());
    }

    // Writes the capture surface's mask levels (red channel; the other channels are noise).
    void FillMask(const std::function<uint32_t(uint32_t, uint32_t)>& level)
    {
        GxSurface& s = GxGetGlobalRenderTargets().capture;
        GxLockedRect lr;
        ASSERT_EQ(s.GetD3DSurface()->LockRect(&lr, nullptr, 0), GX_OK);
        for (uint32_t y = 0; y < s.GetHeight(); ++y)
            for (uint32_t x = 0; x < s.GetWidth(); ++x)
                static_cast<uint32_t*>(lr.pBits)[static_cast<size_t>(y) * (lr.Pitch / 4) + x] =
                    0x5A000000u | (level(x, y) & 0xFF) << 16 | 0x3C5Au;
        ASSERT_EQ(s.GetD3DSurface()->UnlockRect(), GX_OK);
    }

    uint32_t Thumb(uint32_t x, uint32_t y)
    {
        const GxGlobalRenderTargets& g = GxGetGlobalRenderTargets();
        uint32_t p;
        std::memcpy(&p, g.thumbnail.GetBuffer() + (static_cast<size_t>(y) * (g.width / 8) + x) * 4, 4);
        return p;
    }
};

// Blue runs 0..63 over each block (average 31.5, truncated to 31), red alternates 0 and 200
// (average 100), green names the block; alpha is noise the thumbnail ignores.
uint32_t Pattern(uint32_t x, uint32_t y)
{
    const uint32_t blue = (x % 8) * 8 + y % 8;
    const uint32_t red = (x + y) % 2 ? 200 : 0;
    const uint32_t green = (x / 8 + 3 * (y / 8)) & 0xFF;
    return ((x * 7 + y) & 0xFF) << 24 | red << 16 | green << 8 | blue;
}
uint32_t PatternBlock(uint32_t bx, uint32_t by) { return 0xFF000000u | 100u << 16 | ((bx + 3 * by) & 0xFF) << 8 | 31u; }

}  // namespace

TEST_F(GlobalRT, ObjectsAreMadeAtTheScreenSizeAndReleased)
{
    ASSERT_TRUE(CreateAll());
    GxGlobalRenderTargets& g = GxGetGlobalRenderTargets();
    EXPECT_EQ(g.width, 1024u);
    EXPECT_EQ(g.height, 768u);
    for (GxTexture& t : g.renderTextures) {
        EXPECT_EQ(t.GetName(), u"globalrendertexture0");
        EXPECT_EQ(t.GetObjectType(), OBJTYPE_RENDERTARGET);
        EXPECT_EQ(t.GetFormat(), GXFMT_A8R8G8B8);
        EXPECT_EQ(t.GetImageWidth(), 1024u);
        EXPECT_EQ(t.GetImageHeight(), 768u);
        EXPECT_EQ(t.GetHeight(), 1024u);  // a power of two
    }
    EXPECT_NE(g.depthStencil.GetD3DSurface(), nullptr);
    EXPECT_EQ(g.depthStencil.GetWidth(), 1024u);
    EXPECT_EQ(g.depthStencil.GetHeight(), 1024u);
    for (GxSurface& s : g.systemMemory) {
        EXPECT_EQ(s.GetFormat(), GXFMT_X8R8G8B8);
        EXPECT_EQ(s.GetWidth(), 1024u);
        EXPECT_EQ(s.GetPool(), GXPOOL_SYSTEMMEM);
    }
    ASSERT_EQ(g.thumbnail.GetSize(), 128u * 96u * 4u);
    EXPECT_EQ(g.thumbnail.GetRefCount(), 1u);
    EXPECT_EQ(Thumb(127, 95), 0u);

    // Nothing has read or locked them yet: none holds a CPU copy of its pixels.
    auto cpuCopies = [](GxDeviceTexture* t) {
        auto* core = dynamic_cast<GxCoreTexture*>(t);
        EXPECT_NE(core, nullptr);
        return core && core->LevelAt(0).bits ? 1 : 0;
    };
    auto surfaceCopies = [&](GxDeviceSurface* s) {
        auto* level = dynamic_cast<GxCoreTextureSurface*>(s);
        EXPECT_NE(level, nullptr);
        return level ? cpuCopies(level->Texture()) : 0;
    };
    int copies = surfaceCopies(g.depthStencil.GetD3DSurface());
    for (GxTexture& t : g.renderTextures) {
        copies += cpuCopies(t.GetD3DTexture());
        GxDeviceTexture* memory = nullptr;
        t.GetMemoryTexture(&memory);
        ASSERT_NE(memory, nullptr);
        copies += cpuCopies(memory);
        memory->Release();
    }
    for (GxSurface& s : g.systemMemory) copies += surfaceCopies(s.GetD3DSurface());
    EXPECT_EQ(copies, 0);
    // The first capture makes the scene's copy, and it reads zero.
    CaptureSaveThumbnail();
    EXPECT_EQ(Thumb(0, 0), 0xFF000000u);

    ReleaseGlobalRenderTargets();
    EXPECT_EQ(g.renderTextures[0].GetD3DTexture(), nullptr);
    EXPECT_EQ(g.depthStencil.GetD3DSurface(), nullptr);
    EXPECT_EQ(g.thumbnail.GetBuffer(), nullptr);
    EXPECT_FALSE(SaveThumbnailPng(GxUtf8ToWide((logs.dir / "none.png").string())));
}

TEST_F(GlobalRT, ThumbnailAveragesEachBlockAndIsSavedAsPng)
{
    ASSERT_TRUE(CreateAll());
    FillScene(Pattern);
    CaptureSaveThumbnail();
    for (auto [bx, by] : {std::pair{0u, 0u}, std::pair{1u, 0u}, std::pair{0u, 1u}, std::pair{127u, 95u},
                          std::pair{64u, 40u}})
        EXPECT_EQ(Thumb(bx, by), PatternBlock(bx, by)) << bx << "," << by;

    const std::filesystem::path file = logs.dir / "thumb000.png";
    ASSERT_TRUE(SaveThumbnailPng(GxUtf8ToWide(file.string())));
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&img, file.c_str()));
    EXPECT_EQ(img.width, 128u);
    EXPECT_EQ(img.height, 96u);
    img.format = PNG_FORMAT_BGRA;
    std::vector<uint32_t> pixels(static_cast<size_t>(img.width) * img.height);
    ASSERT_TRUE(png_image_finish_read(&img, nullptr, pixels.data(), 0, nullptr));
    for (uint32_t by = 0; by < 96; ++by)
        for (uint32_t bx = 0; bx < 128; ++bx)
            ASSERT_EQ(pixels[by * 128 + bx], PatternBlock(bx, by)) << bx << "," << by;

    // A folder that does not exist: false, and the error is logged.
    EXPECT_FALSE(SaveThumbnailPng(GxUtf8ToWide((logs.dir / "missing" / "thumb001.png").string())));
    EXPECT_NE(logs.Error().find(u"Error/SaveThumbnailPng Failed"), std::u16string::npos);
}

TEST_F(GlobalRT, ScreenWidthNotDivisibleByEightDropsTheLastColumns)
{
    GxGetGraphicsSettings().backBufferWidth = 1366;
    ASSERT_TRUE(CreateAll());
    ASSERT_EQ(GxGetGlobalRenderTargets().width, 1366u);
    ASSERT_EQ(GxGetGlobalRenderTargets().thumbnail.GetSize(), 170u * 96u * 4u);
    FillScene(Pattern);
    CaptureSaveThumbnail();
    EXPECT_EQ(Thumb(169, 0), PatternBlock(169, 0));
    EXPECT_EQ(Thumb(169, 95), PatternBlock(169, 95));
}

TEST_F(GlobalRT, MaskFormula)
{
    struct Case
    {
        uint32_t mask;
        float progress;
        uint32_t alpha;
    };
    const Case cases[] = {
        {255, 0.5f, 255}, {0, 0.5f, 0},     {0, 0.0f, 255},    {200, 0.5f, 200}, {254, 1.0f, 0},
        {255, 1.0f, 0},   {128, 0.25f, 255}, {150, 0.75f, 23}, {100, 0.75f, 0},  {0, 0.1f, 204},
        {10, 0.002f, 255}, {0, 0.002f, 254},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GxMaskAlpha(c.mask, GxMaskProgressStep(c.progress)), c.alpha) << c.mask << " at " << c.progress;
    // 510 x progress is truncated.
    EXPECT_EQ(GxMaskProgressStep(0.25f), 127);
    EXPECT_EQ(GxMaskProgressStep(0.999f), 509);
    // Beyond 0..1 the alphas stay saturated; nothing undefined happens on odd input.
    EXPECT_EQ(GxMaskAlpha(255, GxMaskProgressStep(1e30f)), 0u);
    EXPECT_EQ(GxMaskAlpha(0, GxMaskProgressStep(-1e30f)), 255u);
    EXPECT_EQ(GxMaskProgressStep(std::numeric_limits<float>::quiet_NaN()), 0);
}

TEST_F(GlobalRT, MaskedWipeWritesSceneColoursWithMaskAlpha)
{
    ASSERT_TRUE(CreateAll());
    FillScene([](uint32_t x, uint32_t y) { return 0x11000000u | (x & 0xFF) << 16 | (y & 0xFF) << 8 | 0x77; });
    GxSurface* mask = GetCaptureSurface(u"");
    ASSERT_EQ(mask, &GxGetGlobalRenderTargets().capture);
    ASSERT_EQ(mask->GetWidth(), 1024u);
    ASSERT_EQ(mask->GetFormat(), GXFMT_A8R8G8B8);
    FillMask([](uint32_t x, uint32_t) { return x & 0xFF; });

    GxTexture target;
    ASSERT_TRUE(target.CreateTexture(u"$bgtransit", 1024, 768, GXFMT_A8R8G8B8, 1));
    ApplyMaskToGlobalRenderTexture(&target, 0.5f);
    for (auto [x, y] : {std::pair{0u, 0u}, std::pair{127u, 5u}, std::pair{200u, 300u}, std::pair{255u, 767u},
                        std::pair{1023u, 767u}}) {
        const uint32_t want = GxMaskAlpha(x & 0xFF, 255) << 24 | (x & 0xFF) << 16 | (y & 0xFF) << 8 | 0x77;
        EXPECT_EQ(target.GetPixel(x, y), want) << x << "," << y;
    }
    // Progress 0: opaque everywhere.
    ApplyMaskToGlobalRenderTexture(&target, 0.0f);
    EXPECT_EQ(target.GetPixel(0, 0) >> 24, 255u);
    // The rows beyond the screen (the texture is 1024 high) are not touched.
    EXPECT_EQ(target.GetPixel(5, 800), 0u);
    target.ReleaseAll();
}

TEST_F(GlobalRT, MaskedWipeStaysInsideItsTargetAndNeedsAWholeMask)
{
    ASSERT_TRUE(CreateAll());
    FillScene([](uint32_t, uint32_t) { return 0xFF123456u; });
    GetCaptureSurface(u"");
    FillMask([](uint32_t, uint32_t) { return 255u; });

    // A target smaller than the screen gets its own size's worth and nothing beyond.
    GxTexture small;
    ASSERT_TRUE(small.CreateTexture(u"small", 64, 32, GXFMT_A8R8G8B8, 1));
    ApplyMaskToGlobalRenderTexture(&small, 0.5f);
    EXPECT_EQ(small.GetPixel(0, 0), 0xFF123456u);
    EXPECT_EQ(small.GetPixel(63, 31), 0xFF123456u);

    // A 16-bit target is not written as if it held 32-bit pixels.
    GxTexture narrow;
    ASSERT_TRUE(narrow.CreateTexture(u"narrow", 1024, 768, GXFMT_A4R4G4B4, 1));
    ApplyMaskToGlobalRenderTexture(&narrow, 0.5f);
    EXPECT_EQ(narrow.GetPixel(0, 0), 0u);

    // A mask smaller than the screen: nothing is written.
    GxTexture target;
    ASSERT_TRUE(target.CreateTexture(u"target", 1024, 768, GXFMT_A8R8G8B8, 1));
    ASSERT_TRUE(GxGetGlobalRenderTargets().capture.CreateScratch(u"", 512, 768, GXFMT_A8R8G8B8));
    ApplyMaskToGlobalRenderTexture(&target, 0.5f);
    EXPECT_EQ(target.GetPixel(0, 0), 0u);
    ApplyMaskToGlobalRenderTexture(nullptr, 0.5f);
    small.ReleaseAll();
    narrow.ReleaseAll();
    target.ReleaseAll();
}

TEST_F(GlobalRT, CaptureSurfaceLoadsAPicture)
{
    ASSERT_TRUE(CreateAll());
    const std::filesystem::path file = logs.dir / "mask.png";
    std::vector<uint32_t> pixels(40 * 30, 0xFF808080u);
    pixels[0] = 0xFFFF0000u;
    ASSERT_TRUE(GxPngWrite(file.string(), 40, 30, pixels.data(), 40, nullptr));
    GxSurface* s = GetCaptureSurface(GxUtf8ToWide(file.string()));
    ASSERT_NE(s->GetD3DSurface(), nullptr) << GxWideToUtf8(logs.Error());
    EXPECT_EQ(s->GetWidth(), 40u);
    EXPECT_EQ(s->GetHeight(), 30u);
    EXPECT_EQ(s->GetFormat(), GXFMT_A8R8G8B8);
    GxPixelImage img;
    ASSERT_TRUE(s->ReadPixels(&img));
    EXPECT_EQ(img.At(0, 0), 0xFFFF0000u);
    EXPECT_EQ(img.At(39, 29), 0xFF808080u);
    // The mask no longer covers the screen: the wipe leaves its target alone.
    GxTexture target;
    ASSERT_TRUE(target.CreateTexture(u"target", 1024, 768, GXFMT_A8R8G8B8, 1));
    ApplyMaskToGlobalRenderTexture(&target, 0.0f);
    EXPECT_EQ(target.GetPixel(0, 0), 0u);
    target.ReleaseAll();
    // An empty name makes it an empty scratch surface of the screen again.
    s = GetCaptureSurface(u"");
    EXPECT_EQ(s->GetWidth(), 1024u);
    EXPECT_EQ(s->GetHeight(), 768u);
}

TEST_F(GlobalRT, SceneCaptureDrawsThroughBankOneAndRestoresTheTarget)
{
    ASSERT_TRUE(CreateAll());
    GxDeviceSurface* back = CurrentTarget();
    gxtest::StyleRecorder services;
    GxCore core(&services);
    GxSetCore(&core);
    // An entry of the frame's own bank 0 survives the capture.
    GxRenderLayerBanks& banks = core.GetRenderLayers();
    banks.GetList(5)->RegisterTask(nullptr, 0, 1.0f, 0);
    Recorder().Clear();
    EXPECT_TRUE(RenderSceneToGlobalTexture());
    GxSetCore(nullptr);
    EXPECT_EQ(banks.GetBankIndex(), 0);
    EXPECT_EQ(banks.GetList(5)->GetEntries().size(), 1u);
    // The global texture was the target in between; the back buffer is the target again.
    std::vector<const void*> targets;
    for (const auto& c : Recorder().calls)
        if (c.op == GxDeviceOp::SetRenderTarget) targets.push_back(c.object);
    ASSERT_EQ(targets.size(), 2u);
    EXPECT_NE(targets[0], back);
    EXPECT_EQ(targets[1], back);
    EXPECT_EQ(CurrentTarget(), back);
    EXPECT_EQ(GxGraphics::GetRenderTargetDepth(0), 0u);
    EXPECT_EQ(Viewport(), (GxRectL{0, 0, 1024, 768}));
    banks.GetList(5)->Clear();

    // Without a core only the target bracket runs.
    EXPECT_TRUE(RenderSceneToGlobalTexture());
    EXPECT_EQ(CurrentTarget(), back);
}
