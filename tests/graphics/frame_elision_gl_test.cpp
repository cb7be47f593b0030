// Frames on the GL device that ask for exactly what the last shown frame asked: they are not
// drawn again, and the picture presented is the very one a device that draws every frame shows.
// Each scenario runs twice, once as it is and once with every frame forced, and the presented
// pictures of the two runs are compared frame by frame.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "graphics_test_support.h"
#include "platform/GxDevice.h"
#include "platform/GxDeviceRecording.h"
#include "platform/gl/GxGLContext.h"

namespace {

constexpr uint32_t kW = 64, kH = 48;

GxPresentParameters Windowed() { return gxtest::WindowedParams(kW, kH); }

// A texture of the given size whose pixel (x, y) is pixel(x, y).
GxDeviceTexture* MakeTexture(GxDevice* dev, uint32_t w, uint32_t h, const std::function<uint32_t(uint32_t, uint32_t)>& pixel,
                             GxFormat format = GXFMT_A8R8G8B8)
{
    GxDeviceTexture* t = nullptr;
    if (dev->CreateTexture(w, h, 1, 0, format, GXPOOL_MANAGED, &t) != GX_OK) return nullptr;
    GxLockedRect lr;
    if (t->LockRect(0, &lr, nullptr, 0) != GX_OK) return t;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            static_cast<uint32_t*>(lr.pBits)[static_cast<size_t>(y) * (lr.Pitch / 4) + x] = pixel(x, y);
    t->UnlockRect(0);
    return t;
}

void SetTexel(GxDeviceTexture* t, int32_t x, int32_t y, uint32_t argb)
{
    GxRectL r{x, y, x + 1, y + 1};
    GxLockedRect lr;
    ASSERT_EQ(t->LockRect(0, &lr, &r, 0), GX_OK);
    *static_cast<uint32_t*>(lr.pBits) = argb;
    ASSERT_EQ(t->UnlockRect(0), GX_OK);
}

// A quad over pixels [x0, x1) x [y0, y1), corners in the engine's order, with the engine's half
// pixel.
void Quad(GxDevice* dev, float x0, float y0, float x1, float y1, float u0, float v0, float u1, float v1,
          uint32_t diffuse)
{
    const GxScreenVertex v[4] = {{x0 - 0.5f, y0 - 0.5f, 0, 1, diffuse, 0, u0, v0},
                                 {x0 - 0.5f, y1 - 0.5f, 0, 1, diffuse, 0, u0, v1},
                                 {x1 - 0.5f, y1 - 0.5f, 0, 1, diffuse, 0, u1, v1},
                                 {x1 - 0.5f, y0 - 0.5f, 0, 1, diffuse, 0, u1, v0}};
    ASSERT_EQ(dev->DrawPrimitiveUP(GXPT_TRIANGLEFAN, 2, v, sizeof(GxScreenVertex)), GX_OK);
}

// The engine's normal alpha blend: texture times diffuse, source alpha over the target.
void NormalBlend(GxDevice* dev, uint32_t destBlend = GXBLEND_INVSRCALPHA)
{
    dev->SetFVF(GXFVF_SCREENVERTEX);
    dev->SetRenderState(GXRS_CULLMODE, GXCULL_NONE);
    dev->SetRenderState(GXRS_ALPHABLENDENABLE, 1);
    dev->SetRenderState(GXRS_SRCBLEND, GXBLEND_SRCALPHA);
    dev->SetRenderState(GXRS_DESTBLEND, destBlend);
    dev->SetRenderState(GXRS_SEPARATEALPHABLENDENABLE, 1);
    dev->SetRenderState(GXRS_BLENDOPALPHA, GXBLENDOP_MAX);
    dev->SetTextureStageState(0, GXTSS_COLOROP, GXTOP_MODULATE);
    dev->SetTextureStageState(0, GXTSS_ALPHAOP, GXTOP_MODULATE);
    dev->SetTextureStageState(0, GXTSS_ALPHAARG1, GXTA_TEXTURE);
    dev->SetTextureStageState(0, GXTSS_ALPHAARG2, GXTA_DIFFUSE);
}

// One run of a scenario: a GL device whose presented picture is kept after every frame.
class Stage
{
public:
    explicit Stage(bool forceEveryFrame) : m_Force(forceEveryFrame)
    {
        d3d = GxCreateGLDirect3D(GxDirect3DCreateParams());
        if (!d3d) return;
        GxPresentParameters p = Windowed();
        if (d3d->CreateDevice(0, GXDEVTYPE_HAL, nullptr, gxtest::kDeviceCreateFlags, &p, &dev) != GX_OK) dev = nullptr;
        if (!dev) return;
        // The picture: rows 0..47 of a 64 x 64 texture opaque, the rows below transparent (as a
        // 64 x 48 picture loads into a power-of-two texture); the sprite half transparent.
        background = MakeTexture(dev, 64, 64, [](uint32_t x, uint32_t y) {
            return y < kH ? 0xFF000000u | (x * 4) << 16 | (y * 5) << 8 | 0x80u : 0u;
        });
        sprite = MakeTexture(dev, 8, 8, [](uint32_t x, uint32_t y) { return 0x80FFFF00u | (x * 30) << 8 | y * 30; });
    }
    ~Stage()
    {
        for (GxDeviceTexture*& t : extra) GxSafeRelease(t);
        GxSafeRelease(background);
        GxSafeRelease(sprite);
        GxSafeRelease(dev);
        GxSafeRelease(d3d);
    }
    bool Ready() const { return dev && background && sprite; }

    // One frame: the drawing, then the present; the presented picture is kept.
    void Frame(const std::function<void(Stage&)>& draw)
    {
        ASSERT_EQ(dev->BeginScene(), GX_OK);
        draw(*this);
        ASSERT_EQ(dev->EndScene(), GX_OK);
        if (m_Force) dev->ForceFrame();
        ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), GX_OK);
        GxPixelImage img;
        ASSERT_EQ(dev->ReadPresented(&img), GX_OK);
        pictures.push_back(std::move(img));
    }

    // The usual frame: the opaque picture over the whole screen (no clear before it), the
    // sprite half transparent over it.
    void Scene(float spriteX = 10.0f, uint32_t spriteDiffuse = 0xFFFFFFFFu, uint32_t spriteDestBlend = GXBLEND_INVSRCALPHA)
    {
        NormalBlend(dev);
        dev->SetTexture(0, background);
        Quad(dev, 0, 0, kW, kH, 0, 0, 1, static_cast<float>(kH) / 64.0f, 0xFFFFFFFFu);
        NormalBlend(dev, spriteDestBlend);
        dev->SetTexture(0, sprite);
        Quad(dev, spriteX, 10, spriteX + 8, 18, 0, 0, 1, 1, spriteDiffuse);
        dev->SetTexture(0, nullptr);
    }

    GxDirect3D* d3d = nullptr;
    GxDevice* dev = nullptr;
    GxDeviceTexture* background = nullptr;
    GxDeviceTexture* sprite = nullptr;
    std::vector<GxDeviceTexture*> extra;  // released with the stage
    std::vector<GxPixelImage> pictures;

private:
    bool m_Force;
};

using Scenario = std::function<void(Stage&)>;

struct Runs
{
    std::vector<GxPixelImage> elided;  // as the device does it
    std::vector<GxPixelImage> drawn;   // every frame forced
    GxFrameStats stats;                // of the first run
};

Runs RunTwice(const Scenario& scenario)
{
    Runs r;
    {
        Stage s(false);
        EXPECT_TRUE(s.Ready());
        if (!s.Ready()) return r;
        scenario(s);
        r.elided = s.pictures;
        r.stats = s.dev->GetFrameStats();
    }
    {
        Stage s(true);
        EXPECT_TRUE(s.Ready());
        if (!s.Ready()) return r;
        scenario(s);
        r.drawn = s.pictures;
        const GxFrameStats forced = s.dev->GetFrameStats();
        EXPECT_EQ(forced.framesElided, 0u);
    }
    return r;
}

void ExpectSamePictures(const Runs& r)
{
    ASSERT_EQ(r.elided.size(), r.drawn.size());
    for (size_t i = 0; i < r.elided.size(); ++i) {
        ASSERT_EQ(r.elided[i].width, kW);
        EXPECT_EQ(r.elided[i].pixels, r.drawn[i].pixels) << "frame " << i + 1;
    }
}

}  // namespace

TEST(FrameElisionGL, AStillScreenIsDrawnOnceAndShowsWhatEveryFrameDrawnShows)
{
    gxtest::LogFolder logs;
    const Runs r = RunTwice([](Stage& s) {
        for (int i = 0; i < 6; ++i) s.Frame([](Stage& t) { t.Scene(); });
    });
    EXPECT_EQ(r.stats.framesShown, 1u);
    EXPECT_EQ(r.stats.framesElided, 5u);
    EXPECT_EQ(r.stats.drawsExecuted, 2u);  // the picture and the sprite, once
    ExpectSamePictures(r);
    // The sprite shows: a test that cannot tell pictures apart proves nothing.
    ASSERT_FALSE(r.elided.empty());
    EXPECT_NE(r.elided.back().At(12, 12), r.elided.back().At(30, 12));
    EXPECT_TRUE(logs.Error().empty()) << GxWideToUtf8(logs.Error());
}

// What changes between frame 3 and frame 4; frame 4 must be drawn, frame 5 (unchanged again) not.
struct ChangeCase
{
    const char* name;
    std::function<void(Stage&)> change;        // between the frames
    std::function<void(Stage&)> scene;         // frames 4 and 5 (none: the usual scene)
    int visible;  // the picture of frame 4 differs from frame 3's: 1, 0, or -1 either way
};
void PrintTo(const ChangeCase& c, std::ostream* os) { *os << c.name; }

class FrameChange : public ::testing::TestWithParam<ChangeCase>
{
};

TEST_P(FrameChange, MakesTheNextFrameDrawAndTheOneAfterRestAgain)
{
    gxtest::LogFolder logs;
    const ChangeCase& c = GetParam();
    const Runs r = RunTwice([&c](Stage& s) {
        for (int i = 0; i < 3; ++i) s.Frame([](Stage& t) { t.Scene(); });
        c.change(s);
        for (int i = 0; i < 2; ++i) s.Frame(c.scene ? c.scene : [](Stage& t) { t.Scene(); });
    });
    EXPECT_EQ(r.stats.framesShown, 2u);
    EXPECT_EQ(r.stats.framesElided, 3u);
    ExpectSamePictures(r);
    ASSERT_EQ(r.elided.size(), 5u);
    if (c.visible >= 0) {
        EXPECT_EQ(r.elided[2].pixels != r.elided[3].pixels, c.visible == 1);
    }
    EXPECT_EQ(r.elided[3].pixels, r.elided[4].pixels);
    EXPECT_TRUE(logs.Error().empty()) << GxWideToUtf8(logs.Error());
}

INSTANTIATE_TEST_SUITE_P(
    Changes, FrameChange,
    ::testing::Values(
        ChangeCase{"OneTexelOfThePicture", [](Stage& s) { SetTexel(s.sprite, 3, 3, 0xFF0000FFu); }, nullptr, 1},
        // A write is a write: the device does not look at the pixels.
        ChangeCase{"OneTexelRewrittenWithItsOwnValue",
                   [](Stage& s) {
                       GxPixelImage img;
                       ASSERT_EQ(s.dev->ReadTexture(s.sprite, 0, &img), GX_OK);
                       SetTexel(s.sprite, 3, 3, img.At(3, 3));
                   },
                   nullptr, 0},
        ChangeCase{"AnotherTextureWithTheSamePixels",
                   [](Stage& s) {
                       GxDeviceTexture* copy = MakeTexture(s.dev, 8, 8, [](uint32_t x, uint32_t y) {
                           return 0x80FFFF00u | (x * 30) << 8 | y * 30;
                       });
                       GxSafeRelease(s.sprite);
                       s.sprite = copy;
                   },
                   nullptr, 0},
        ChangeCase{"ASixteenthOfAPixelOfMovement", [](Stage&) {}, [](Stage& t) { t.Scene(10.0f + 1.0f / 16.0f); },
                   -1},
        ChangeCase{"OneStepOfTheVertexAlpha", [](Stage&) {}, [](Stage& t) { t.Scene(10.0f, 0xFEFFFFFFu); }, -1},
        ChangeCase{"AnotherBlend", [](Stage&) {}, [](Stage& t) { t.Scene(10.0f, 0xFFFFFFFFu, GXBLEND_ONE); }, 1},
        ChangeCase{"AForcedFrame", [](Stage& s) { s.dev->ForceFrame(); }, nullptr, 0},
        // A reset makes a new, black back buffer: the frame after it is drawn.
        ChangeCase{"AReset",
                   [](Stage& s) {
                       GxPresentParameters p = Windowed();
                       ASSERT_EQ(s.dev->Reset(&p), GX_OK);
                   },
                   nullptr, 0}),
    [](const ::testing::TestParamInfo<ChangeCase>& info) { return std::string(info.param.name); });

// Frames whose picture depends on what the screen held before them: drawing them again would
// change the picture, so every one is drawn, and still shows what every frame drawn shows.
struct DependentCase
{
    const char* name;
    std::function<void(Stage&)> scene;
    bool elided;  // the opposite cases: frames that do not depend on the screen before them
};
void PrintTo(const DependentCase& c, std::ostream* os) { *os << c.name; }

class FrameDependence : public ::testing::TestWithParam<DependentCase>
{
};

TEST_P(FrameDependence, DecidesWhetherStillFramesAreDrawn)
{
    gxtest::LogFolder logs;
    const DependentCase& c = GetParam();
    const Runs r = RunTwice([&c](Stage& s) {
        for (int i = 0; i < 4; ++i) s.Frame(c.scene);
    });
    EXPECT_EQ(r.stats.framesElided, c.elided ? 3u : 0u);
    EXPECT_EQ(r.stats.framesShown, c.elided ? 1u : 4u);
    ExpectSamePictures(r);
    EXPECT_TRUE(logs.Error().empty()) << GxWideToUtf8(logs.Error());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FrameDependence,
    ::testing::Values(
        // Blending onto the old picture accumulates.
        DependentCase{"TranslucentSpriteWithoutBackground",
                      [](Stage& t) {
                          NormalBlend(t.dev);
                          t.dev->SetTexture(0, t.sprite);
                          Quad(t.dev, 10, 10, 18, 18, 0, 0, 1, 1, 0xFFFFFFFFu);
                      },
                      false},
        DependentCase{"ClearedScreenUnderTheSprite",
                      [](Stage& t) {
                          t.dev->Clear(0, nullptr, GXCLEAR_TARGET, 0xFF203040u, 1.0f, 0);
                          NormalBlend(t.dev);
                          t.dev->SetTexture(0, t.sprite);
                          Quad(t.dev, 10, 10, 18, 18, 0, 0, 1, 1, 0xFFFFFFFFu);
                      },
                      true},
        DependentCase{"ClearOfPartOfTheScreen",
                      [](Stage& t) {
                          const GxRectL r{0, 0, 32, 48};
                          t.dev->Clear(1, &r, GXCLEAR_TARGET, 0xFF203040u, 1.0f, 0);
                      },
                      false},
        // The picture's transparent rows below its image are sampled.
        DependentCase{"PictureSampledIntoItsTransparentRows",
                      [](Stage& t) {
                          NormalBlend(t.dev);
                          t.dev->SetTexture(0, t.background);
                          Quad(t.dev, 0, 0, kW, kH, 0, 0, 1, 1, 0xFFFFFFFFu);
                      },
                      false},
        DependentCase{"PictureOnePixelShortOfTheRightEdge",
                      [](Stage& t) {
                          NormalBlend(t.dev);
                          t.dev->SetTexture(0, t.background);
                          Quad(t.dev, 0, 0, kW - 1, kH, 0, 0, 1, static_cast<float>(kH) / 64.0f, 0xFFFFFFFFu);
                      },
                      false},
        DependentCase{"PictureAtAlmostFullAlpha",
                      [](Stage& t) {
                          NormalBlend(t.dev);
                          t.dev->SetTexture(0, t.background);
                          Quad(t.dev, 0, 0, kW, kH, 0, 0, 1, static_cast<float>(kH) / 64.0f, 0xFEFFFFFFu);
                      },
                      false},
        DependentCase{"AdditivePicture",
                      [](Stage& t) {
                          NormalBlend(t.dev, GXBLEND_ONE);
                          t.dev->SetTexture(0, t.background);
                          Quad(t.dev, 0, 0, kW, kH, 0, 0, 1, static_cast<float>(kH) / 64.0f, 0xFFFFFFFFu);
                      },
                      false},
        // Without blending, the picture replaces what was there whatever its alpha.
        DependentCase{"UnblendedPictureOverItsTransparentRows",
                      [](Stage& t) {
                          NormalBlend(t.dev);
                          t.dev->SetRenderState(GXRS_ALPHABLENDENABLE, 0);
                          t.dev->SetTexture(0, t.background);
                          Quad(t.dev, 0, 0, kW, kH, 0, 0, 1, 1, 0x80FFFFFFu);
                      },
                      true},
        DependentCase{"OpaquePictureUnderTheSprite", [](Stage& t) { t.Scene(); }, true}),
    [](const ::testing::TestParamInfo<DependentCase>& info) { return std::string(info.param.name); });

TEST(FrameElisionGL, ATransparentTexelUnderTheQuadMakesEveryFrameDraw)
{
    gxtest::LogFolder logs;
    const Runs r = RunTwice([](Stage& s) {
        SetTexel(s.background, 40, 30, 0x00000000u);
        for (int i = 0; i < 3; ++i) s.Frame([](Stage& t) { t.Scene(); });
    });
    EXPECT_EQ(r.stats.framesElided, 0u);
    ExpectSamePictures(r);
}

// An off-screen pass cleared whole and drawn into, then drawn on the screen: the frames rest,
// and what the target holds reads back as drawn.
TEST(FrameElisionGL, ARenderTargetPassRestsWithItsFrameAndReadsBack)
{
    gxtest::LogFolder logs;
    std::vector<uint32_t> targetPixels[2];
    int run = 0;
    const Runs r = RunTwice([&](Stage& s) {
        GxDeviceTexture* target = nullptr;
        ASSERT_EQ(s.dev->CreateTexture(16, 16, 1, GXUSAGE_RENDERTARGET, GXFMT_A8R8G8B8, GXPOOL_DEFAULT, &target), GX_OK);
        GxDeviceSurface* surface = nullptr;
        ASSERT_EQ(target->GetSurfaceLevel(0, &surface), GX_OK);
        GxDeviceSurface* back = nullptr;
        ASSERT_EQ(s.dev->GetBackBuffer(0, 0, &back), GX_OK);
        for (int i = 0; i < 4; ++i) {
            s.Frame([&](Stage& t) {
                t.dev->SetRenderTarget(0, surface);
                t.dev->Clear(0, nullptr, GXCLEAR_TARGET, 0xFF102030u, 1.0f, 0);
                NormalBlend(t.dev);
                t.dev->SetTexture(0, t.sprite);
                Quad(t.dev, 4, 4, 12, 12, 0, 0, 1, 1, 0xFFFFFFFFu);
                t.dev->SetRenderTarget(0, back);
                t.Scene();
                t.dev->SetTexture(0, target);
                Quad(t.dev, 40, 20, 56, 36, 0, 0, 1, 1, 0xFFFFFFFFu);
                t.dev->SetTexture(0, nullptr);
            });
        }
        GxDeviceSurface* copy = nullptr;
        ASSERT_EQ(s.dev->CreateOffscreenPlainSurface(16, 16, GXFMT_A8R8G8B8, GXPOOL_SYSTEMMEM, &copy), GX_OK);
        ASSERT_EQ(s.dev->GetRenderTargetData(surface, copy), GX_OK);
        GxLockedRect lr;
        ASSERT_EQ(copy->LockRect(&lr, nullptr, GXLOCK_READONLY), GX_OK);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                targetPixels[run].push_back(static_cast<const uint32_t*>(lr.pBits)[y * (lr.Pitch / 4) + x]);
        copy->UnlockRect();
        ++run;
        GxSafeRelease(copy);
        GxSafeRelease(back);
        GxSafeRelease(surface);
        GxSafeRelease(target);
    });
    EXPECT_EQ(r.stats.framesShown, 1u);
    EXPECT_EQ(r.stats.framesElided, 3u);
    ExpectSamePictures(r);
    EXPECT_EQ(targetPixels[0], targetPixels[1]);
    ASSERT_EQ(targetPixels[0].size(), 256u);
    EXPECT_EQ(targetPixels[0][0], 0xFF102030u);
    EXPECT_NE(targetPixels[0][6 * 16 + 6], 0xFF102030u);
    EXPECT_TRUE(logs.Error().empty()) << GxWideToUtf8(logs.Error());
}

// Calls that need the pixels of a frame that waits: its drawing is carried out in order first.
TEST(FrameElisionGL, ReadsAndWritesInTheMiddleOfAWaitingFrameSeeItsDrawingInOrder)
{
    gxtest::LogFolder logs;
    std::vector<uint32_t> midFrame[2];
    int run = 0;
    const Runs r = RunTwice([&](Stage& s) {
        for (int i = 0; i < 2; ++i) s.Frame([](Stage& t) { t.Scene(); });
        // The back buffer read after the picture and before the sprite: no sprite yet.
        s.Frame([&](Stage& t) {
            NormalBlend(t.dev);
            t.dev->SetTexture(0, t.background);
            Quad(t.dev, 0, 0, kW, kH, 0, 0, 1, static_cast<float>(kH) / 64.0f, 0xFFFFFFFFu);
            GxPixelImage back;
            ASSERT_EQ(t.dev->ReadBackBuffer(&back), GX_OK);
            midFrame[run] = back.pixels;
            t.dev->SetTexture(0, t.sprite);
            Quad(t.dev, 10, 10, 18, 18, 0, 0, 1, 1, 0xFFFFFFFFu);
            t.dev->SetTexture(0, nullptr);
        });
        s.Frame([](Stage& t) { t.Scene(); });
        // The sprite drawn, then written (the draw must see the old texel), then released.
        s.Frame([](Stage& t) {
            t.Scene();
            SetTexel(t.sprite, 2, 2, 0xFF00FF00u);
        });
        // The sprite released while its draw waits, then made anew.
        for (int i = 0; i < 2; ++i) s.Frame([](Stage& t) { t.Scene(); });
        s.Frame([](Stage& t) {
            t.Scene();
            GxSafeRelease(t.sprite);
            t.sprite = MakeTexture(t.dev, 8, 8, [](uint32_t, uint32_t) { return 0xFFFFFFFFu; });
        });
        s.Frame([](Stage& t) { t.Scene(); });
        ++run;
    });
    ExpectSamePictures(r);
    ASSERT_EQ(r.elided.size(), 9u);
    EXPECT_EQ(r.elided[7].pixels, r.elided[6].pixels);
    EXPECT_NE(r.elided[8].pixels, r.elided[7].pixels);
    ASSERT_EQ(midFrame[0].size(), static_cast<size_t>(kW) * kH);
    EXPECT_EQ(midFrame[0], midFrame[1]);
    // No sprite in the mid-frame read; the old texel in frame 5, which drew before the write.
    EXPECT_NE(midFrame[0][12 * kW + 12], r.elided[1].At(12, 12));
    EXPECT_EQ(r.elided[4].At(12, 12), r.elided[3].At(12, 12));
    EXPECT_TRUE(logs.Error().empty()) << GxWideToUtf8(logs.Error());
}

// A frame the caller knows to make the shown frame's very calls is left out whole
// (RepeatShownFrame) only when the device can vouch for the rest; each case does one thing
// after two still frames and asks.
struct RepeatCase
{
    const char* name;
    std::function<void(Stage&)> before;  // after the second frame
    bool repeats;
    std::function<void(Stage&)> after = nullptr;  // after the question, before the next frames
};
void PrintTo(const RepeatCase& c, std::ostream* os) { *os << c.name; }

class FrameRepeat : public ::testing::TestWithParam<RepeatCase>
{
};

TEST_P(FrameRepeat, IsTakenOnlyWhenTheShownPictureStillHolds)
{
    gxtest::LogFolder logs;
    const RepeatCase& c = GetParam();
    Stage s(false);
    ASSERT_TRUE(s.Ready());
    for (int i = 0; i < 2; ++i) s.Frame([](Stage& t) { t.Scene(); });
    c.before(s);
    const GxFrameStats before = s.dev->GetFrameStats();
    const bool repeated = s.dev->RepeatShownFrame();
    EXPECT_EQ(repeated, c.repeats);
    const GxFrameStats after = s.dev->GetFrameStats();
    EXPECT_EQ(after.framesElided, before.framesElided + (repeated ? 1u : 0u));
    EXPECT_EQ(after.framesShown, before.framesShown);
    EXPECT_EQ(after.drawsExecuted, before.drawsExecuted);
    // Whatever was answered, the frames after it show what a device drawing every frame shows.
    if (c.after) c.after(s);
    for (int i = 0; i < 3; ++i) s.Frame([](Stage& t) { t.Scene(); });
    EXPECT_TRUE(s.dev->RepeatShownFrame()) << "once still frames were given again";
    s.dev->ForceFrame();
    s.Frame([](Stage& t) { t.Scene(); });
    ASSERT_GE(s.pictures.size(), 2u);
    EXPECT_TRUE(s.pictures.back().pixels == s.pictures[s.pictures.size() - 2].pixels) << "as drawn";
    EXPECT_TRUE(logs.Error().empty()) << GxWideToUtf8(logs.Error());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FrameRepeat,
    ::testing::Values(
        RepeatCase{"NothingBetween", [](Stage&) {}, true},
        RepeatCase{"ATexelWritten", [](Stage& s) { SetTexel(s.sprite, 3, 3, 0xFF0000FFu); }, false},
        RepeatCase{"ATextureMade",
                   [](Stage& s) {
                       GxDeviceTexture* t = nullptr;
                       ASSERT_EQ(s.dev->CreateTexture(8, 8, 1, 0, GXFMT_A8R8G8B8, GXPOOL_MANAGED, &t), GX_OK);
                       s.extra.push_back(t);
                   },
                   false},
        // One that no frame drew: its memory could hold the next texture a task draws.
        RepeatCase{"ATextureReleased",
                   [](Stage& s) {
                       GxDeviceTexture* t = nullptr;
                       ASSERT_EQ(s.dev->CreateTexture(8, 8, 1, 0, GXFMT_A8R8G8B8, GXPOOL_MANAGED, &t), GX_OK);
                       s.Frame([](Stage& u) { u.Scene(); });
                       s.Frame([](Stage& u) { u.Scene(); });
                       t->Release();
                   },
                   false},
        RepeatCase{"AForcedFrame", [](Stage& s) { s.dev->ForceFrame(); }, false},
        // A state the frame does not set itself: its draws would find it changed.
        RepeatCase{"AStateTheFrameDoesNotSet",
                   [](Stage& s) { s.dev->SetRenderState(GXRS_TEXTUREFACTOR, 0xFF123456u); }, false},
        // A reset makes a new, black back buffer.
        RepeatCase{"AReset",
                   [](Stage& s) {
                       GxPresentParameters p = Windowed();
                       ASSERT_EQ(s.dev->Reset(&p), GX_OK);
                   },
                   false},
        RepeatCase{"AnOpenScene", [](Stage& s) { ASSERT_EQ(s.dev->BeginScene(), GX_OK); }, false,
                   [](Stage& s) { ASSERT_EQ(s.dev->EndScene(), GX_OK); }},
        RepeatCase{"AClearOfTheFrameMadeAlready",
                   [](Stage& s) {
                       ASSERT_EQ(s.dev->BeginScene(), GX_OK);
                       ASSERT_EQ(s.dev->Clear(0, nullptr, GXCLEAR_TARGET, 0xFF000000u, 1.0f, 0), GX_OK);
                       ASSERT_EQ(s.dev->EndScene(), GX_OK);
                   },
                   false},
        RepeatCase{"ALostDevice", [](Stage& s) { s.dev->SimulateDeviceLoss(0); }, false,
                   [](Stage& s) {
                       EXPECT_EQ(s.dev->TestCooperativeLevel(), GXERR_DEVICENOTRESET);
                       GxPresentParameters p = Windowed();
                       ASSERT_EQ(s.dev->Reset(&p), GX_OK);
                   }}),
    [](const ::testing::TestParamInfo<RepeatCase>& info) { return std::string(info.param.name); });

TEST(FrameRepeatGL, AFrameThatDependsOnTheScreenBeforeItIsNeverRepeated)
{
    gxtest::LogFolder logs;
    Stage s(false);
    ASSERT_TRUE(s.Ready());
    // The translucent sprite alone blends onto whatever the screen held.
    for (int i = 0; i < 3; ++i)
        s.Frame([](Stage& t) {
            NormalBlend(t.dev);
            t.dev->SetTexture(0, t.sprite);
            Quad(t.dev, 10, 10, 18, 18, 0, 0, 1, 1, 0xFFFFFFFFu);
        });
    EXPECT_FALSE(s.dev->RepeatShownFrame());
    EXPECT_TRUE(logs.Error().empty()) << GxWideToUtf8(logs.Error());
}

TEST(FrameRepeatGL, TheRecordingDeviceDrawsEveryFrame)
{
    GxDirect3D* d3d = GxCreateRecordingDirect3D(GxDefaultRecordingAdapter());
    ASSERT_NE(d3d, nullptr);
    GxPresentParameters p = Windowed();
    GxDevice* dev = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, GXDEVTYPE_HAL, nullptr, gxtest::kDeviceCreateFlags, &p, &dev), GX_OK);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(dev->BeginScene(), GX_OK);
        ASSERT_EQ(dev->Clear(0, nullptr, GXCLEAR_TARGET, 0xFF00FF00u, 1.0f, 0), GX_OK);
        ASSERT_EQ(dev->EndScene(), GX_OK);
        ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), GX_OK);
    }
    EXPECT_FALSE(dev->RepeatShownFrame());
    dev->Release();
    d3d->Release();
}

// In a real window (run under a display, e.g. Xvfb; skipped without one): a still frame is not
// drawn, and whatever may have spoilt the window (an expose, a new size) makes the next frame
// draw and reach the window.
TEST(FrameElisionGL, AnExposedOrResizedWindowGetsItsFrameDrawn)
{
    gxtest::WindowDisplay display;
    if (!display.Ready()) GTEST_SKIP() << display.Why();
    GxGLSetWindowAttributes();
    SDL_Window* window = SDL_CreateWindow("frames", 0, 0, kW, kH, SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    gxtest::LogFolder logs;
    GxDirect3DCreateParams params;
    params.window = window;
    GxDirect3D* d3d = GxCreateGLDirect3D(params);
    ASSERT_NE(d3d, nullptr) << GxWideToUtf8(logs.Error());
    GxPresentParameters p = Windowed();
    p.PresentationInterval = GXPRESENT_INTERVAL_IMMEDIATE;
    GxDevice* dev = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, GXDEVTYPE_HAL, window, gxtest::kDeviceCreateFlags, &p, &dev), GX_OK);

    auto frame = [&]() {
        ASSERT_EQ(dev->BeginScene(), GX_OK);
        ASSERT_EQ(dev->Clear(0, nullptr, GXCLEAR_TARGET, 0xFF00FF00u, 1.0f, 0), GX_OK);
        ASSERT_EQ(dev->EndScene(), GX_OK);
        ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), GX_OK);
    };
    auto pump = [&]() {
        // The window system's events reach the device through SDL's event watch.
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    };
    pump();
    for (int i = 0; i < 3; ++i) frame();
    GxFrameStats s = dev->GetFrameStats();
    EXPECT_EQ(s.framesShown, 1u);
    EXPECT_EQ(s.framesElided, 2u);

    SDL_Event exposed{};
    exposed.type = SDL_WINDOWEVENT;
    exposed.window.event = SDL_WINDOWEVENT_EXPOSED;
    exposed.window.windowID = SDL_GetWindowID(window);
    SDL_PushEvent(&exposed);
    frame();
    frame();
    s = dev->GetFrameStats();
    EXPECT_EQ(s.framesShown, 2u);
    EXPECT_EQ(s.framesElided, 3u);

    // A new size: the picture goes to the window again, scaled to it.
    SDL_SetWindowSize(window, kW * 2, kH * 2);
    pump();
    for (int i = 0; i < 50; ++i) {
        int w = 0, h = 0;
        SDL_GL_GetDrawableSize(window, &w, &h);
        if (w == static_cast<int>(kW * 2)) break;
        SDL_Delay(10);
        pump();
    }
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(window, &w, &h);
    frame();
    s = dev->GetFrameStats();
    if (w == static_cast<int>(kW * 2)) {
        EXPECT_EQ(s.framesShown, 3u);
    }
    EXPECT_TRUE(logs.Error().empty()) << GxWideToUtf8(logs.Error());

    dev->Release();
    GxSafeRelease(d3d);
    pump();
    SDL_DestroyWindow(window);
}
