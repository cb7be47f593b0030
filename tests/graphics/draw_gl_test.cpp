// Drawing on the GL backend, headless: the stand-in for the fixed-function stage, blending, the
// half-pixel convention and texture targets, read back pixel by pixel.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "graphics_test_support.h"
#include "platform/GxDevice.h"

namespace {

constexpr uint32_t kFlags = gxtest::kDeviceCreateFlags;

// A headless GL device with a back buffer of the given size and format, in the state the
// engine draws with: no culling, no lighting, blending as the test sets it.
class GLDraw
{
public:
    GLDraw(uint32_t w, uint32_t h, GxFormat format = GXFMT_A8R8G8B8)
    {
        d3d = GxCreateGLDirect3D(GxDirect3DCreateParams());
        if (!d3d) return;
        GxPresentParameters p = gxtest::WindowedParams(w, h, format);
        if (GxFailed(d3d->CreateDevice(0, GXDEVTYPE_HAL, nullptr, kFlags, &p, &dev))) return;
        dev->SetRenderState(GXRS_CULLMODE, GXCULL_NONE);
        dev->SetRenderState(GXRS_LIGHTING, 0);
        dev->SetFVF(GXFVF_SCREENVERTEX);
        dev->BeginScene();
    }
    ~GLDraw()
    {
        if (dev) {
            dev->SetTexture(0, nullptr);
            dev->EndScene();
        }
        GxSafeRelease(dev);
        GxSafeRelease(d3d);
    }

    // A managed texture holding the pixels (0xAARRGGBB, rows top first).
    GxDeviceTexture* Texture(uint32_t w, uint32_t h, const std::vector<uint32_t>& pixels,
                             GxFormat format = GXFMT_A8R8G8B8)
    {
        GxDeviceTexture* t = nullptr;
        if (GxFailed(dev->CreateTexture(w, h, 1, 0, format, GXPOOL_MANAGED, &t))) return nullptr;
        GxLockedRect lr;
        if (GxFailed(t->LockRect(0, &lr, nullptr, 0))) return t;
        for (uint32_t y = 0; y < h; ++y)
            std::memcpy(static_cast<uint8_t*>(lr.pBits) + static_cast<size_t>(y) * lr.Pitch, &pixels[y * w], w * 4);
        t->UnlockRect(0);
        textures.push_back(t);
        return t;
    }

    // A w x h quad whose top-left pixel is (x, y), with the engine's half-pixel shift, covering
    // the UV rectangle (0, 0) - (u1, v1).
    GxResult Quad(float x, float y, float w, float h, uint32_t diffuse, uint32_t specular = 0, float u1 = 1.0f,
                  float v1 = 1.0f)
    {
        x -= 0.5f;
        y -= 0.5f;
        GxScreenVertex v[4] = {
            {x, y, 0, 1, diffuse, specular, 0, 0},
            {x, y + h, 0, 1, diffuse, specular, 0, v1},
            {x + w, y + h, 0, 1, diffuse, specular, u1, v1},
            {x + w, y, 0, 1, diffuse, specular, u1, 0},
        };
        return dev->DrawPrimitiveUP(GXPT_TRIANGLEFAN, 2, v, sizeof v[0]);
    }

    void Stage(uint32_t colorOp, uint32_t alphaOp = GXTOP_MODULATE)
    {
        dev->SetTextureStageState(0, GXTSS_COLOROP, colorOp);
        dev->SetTextureStageState(0, GXTSS_COLORARG1, GXTA_TEXTURE);
        dev->SetTextureStageState(0, GXTSS_COLORARG2, GXTA_DIFFUSE);
        dev->SetTextureStageState(0, GXTSS_ALPHAOP, alphaOp);
        dev->SetTextureStageState(0, GXTSS_ALPHAARG1, GXTA_TEXTURE);
        dev->SetTextureStageState(0, GXTSS_ALPHAARG2, GXTA_DIFFUSE);
    }

    void Blend(bool on, uint32_t op = GXBLENDOP_ADD, uint32_t src = GXBLEND_SRCALPHA,
               uint32_t dst = GXBLEND_INVSRCALPHA)
    {
        dev->SetRenderState(GXRS_ALPHABLENDENABLE, on ? 1 : 0);
        dev->SetRenderState(GXRS_BLENDOP, op);
        dev->SetRenderState(GXRS_SRCBLEND, src);
        dev->SetRenderState(GXRS_DESTBLEND, dst);
    }

    GxPixelImage Back()
    {
        GxPixelImage img;
        dev->ReadBackBuffer(&img);
        return img;
    }

    GxDirect3D* d3d = nullptr;
    GxDevice* dev = nullptr;
    std::vector<GxDeviceTexture*> textures;

    struct Releaser
    {
        std::vector<GxDeviceTexture*>* list;
        ~Releaser()
        {
            for (auto* t : *list) t->Release();
        }
    } releaser{&textures};
};

// A picture in which neighbouring pixels differ in every channel.
std::vector<uint32_t> Pattern(uint32_t w, uint32_t h)
{
    std::vector<uint32_t> p(static_cast<size_t>(w) * h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            p[y * w + x] = 0xFF000000u | ((x * 37 + y * 11) & 0xFF) << 16 | ((x * 5 + y * 71) & 0xFF) << 8 |
                           ((x * 91 + y * 3 + 17) & 0xFF);
    return p;
}

#define REQUIRE_GL(d)                                                  \
    gxtest::LogFolder logs;                                            \
    ASSERT_NE((d).dev, nullptr) << GxWideToUtf8(logs.Error())

}  // namespace

TEST(DrawGL, PointSampledSpriteOneToOneEqualsItsSource)
{
    GLDraw d(64, 48);
    REQUIRE_GL(d);
    ASSERT_EQ(d.dev->Clear(0, nullptr, GXCLEAR_TARGET, 0xFF203040u, 1.0f, 0), GX_OK);
    const auto src = Pattern(16, 16);
    GxDeviceTexture* t = d.Texture(16, 16, src);
    ASSERT_NE(t, nullptr);
    d.Stage(GXTOP_MODULATE);
    d.Blend(false);
    d.dev->SetTexture(0, t);
    ASSERT_EQ(d.Quad(5, 7, 16, 16, 0xFFFFFFFFu), GX_OK);
    GxPixelImage img = d.Back();
    ASSERT_EQ(img.width, 64u);
    for (uint32_t y = 0; y < 16; ++y)
        for (uint32_t x = 0; x < 16; ++x) ASSERT_EQ(img.At(5 + x, 7 + y), src[y * 16 + x]) << x << "," << y;
    // Not one pixel beyond the sprite.
    for (uint32_t i = 0; i < 18; ++i) {
        EXPECT_EQ(img.At(4, 6 + i), 0xFF203040u);
        EXPECT_EQ(img.At(21, 6 + i), 0xFF203040u);
        EXPECT_EQ(img.At(4 + i, 6), 0xFF203040u);
        EXPECT_EQ(img.At(4 + i, 23), 0xFF203040u);
    }

    // A sub-rectangle of a larger texture: the right half of the picture, still texel for pixel.
    d.dev->Clear(0, nullptr, GXCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    GxScreenVertex v[4] = {
        {29.5f, 9.5f, 0, 1, 0xFFFFFFFFu, 0, 0.5f, 0},
        {29.5f, 25.5f, 0, 1, 0xFFFFFFFFu, 0, 0.5f, 1},
        {37.5f, 25.5f, 0, 1, 0xFFFFFFFFu, 0, 1, 1},
        {37.5f, 9.5f, 0, 1, 0xFFFFFFFFu, 0, 1, 0},
    };
    ASSERT_EQ(d.dev->DrawPrimitiveUP(GXPT_TRIANGLEFAN, 2, v, sizeof v[0]), GX_OK);
    img = d.Back();
    for (uint32_t y = 0; y < 16; ++y)
        for (uint32_t x = 0; x < 8; ++x) ASSERT_EQ(img.At(30 + x, 10 + y), src[y * 16 + 8 + x]) << x << "," << y;
    EXPECT_EQ(img.At(38, 10), 0xFF000000u);
}

TEST(DrawGL, StageOperationsOnKnownColours)
{
    GLDraw d(32, 8);
    REQUIRE_GL(d);
    GxDeviceTexture* t = d.Texture(1, 1, {0xC0804020u});
    ASSERT_NE(t, nullptr);
    d.Blend(false);
    d.dev->SetTexture(0, t);
    struct Case
    {
        uint32_t colorOp, alphaOp, diffuse, specular, specularEnable, want;
    };
    const Case cases[] = {
        // texture x diffuse
        {GXTOP_MODULATE, GXTOP_MODULATE, 0xFFFFFFFFu, 0, 0, 0xC0804020u},
        {GXTOP_MODULATE, GXTOP_MODULATE, 0x80FF00FFu, 0, 0, 0x60800020u},
        // doubled, clamped at one
        {GXTOP_MODULATE2X, GXTOP_MODULATE, 0xFF808080u, 0, 0, 0xC0804020u},
        {GXTOP_MODULATE2X, GXTOP_MODULATE, 0xFFFFFFFFu, 0, 0, 0xC0FF8040u},
        // the specular colour is added when enabled, not to alpha
        {GXTOP_MODULATE, GXTOP_MODULATE, 0xFFFFFFFFu, 0x40102030u, 1, 0xC0906050u},
        {GXTOP_MODULATE, GXTOP_MODULATE, 0xFFFFFFFFu, 0x40102030u, 0, 0xC0804020u},
        // select and disable
        {GXTOP_SELECTARG2, GXTOP_SELECTARG2, 0x11223344u, 0, 0, 0x11223344u},
        {GXTOP_DISABLE, GXTOP_MODULATE, 0x55667788u, 0, 0, 0x55667788u},
    };
    for (const Case& c : cases) {
        d.Stage(c.colorOp, c.alphaOp);
        d.dev->SetRenderState(GXRS_SPECULARENABLE, c.specularEnable);
        ASSERT_EQ(d.Quad(0, 0, 32, 8, c.diffuse, c.specular), GX_OK);
        GxPixelImage img = d.Back();
        // Rounding of the products may differ by one step from exact byte arithmetic.
        uint32_t got = img.At(16, 4);
        for (int shift = 0; shift < 32; shift += 8) {
            int g = static_cast<int>((got >> shift) & 0xFF), w = static_cast<int>((c.want >> shift) & 0xFF);
            EXPECT_LE(std::abs(g - w), 1) << std::hex << "op " << c.colorOp << " got 0x" << got << " want 0x"
                                          << c.want;
        }
    }

    // Without a texture the texel counts as white: the vertex colour comes through.
    d.Stage(GXTOP_MODULATE, GXTOP_MODULATE);
    d.dev->SetRenderState(GXRS_SPECULARENABLE, 0);
    d.dev->SetTexture(0, nullptr);
    ASSERT_EQ(d.Quad(0, 0, 32, 8, 0x9A3C5E7Fu), GX_OK);
    EXPECT_EQ(d.Back().At(3, 3), 0x9A3C5E7Fu);
}

TEST(DrawGL, AlphaTestDiscardsBelowTheReference)
{
    GLDraw d(8, 4);
    REQUIRE_GL(d);
    d.dev->Clear(0, nullptr, GXCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    // Texels of alpha 0x7F and 0x80 side by side.
    GxDeviceTexture* t = d.Texture(2, 1, {0x7FFF0000u, 0x80FF0000u});
    d.Stage(GXTOP_MODULATE);
    d.Blend(false);
    d.dev->SetTexture(0, t);
    d.dev->SetRenderState(GXRS_ALPHATESTENABLE, 1);
    d.dev->SetRenderState(GXRS_ALPHAREF, 0x80);
    d.dev->SetRenderState(GXRS_ALPHAFUNC, GXCMP_GREATEREQUAL);
    ASSERT_EQ(d.Quad(0, 0, 8, 4, 0xFFFFFFFFu), GX_OK);
    GxPixelImage img = d.Back();
    EXPECT_EQ(img.At(1, 1), 0xFF000000u);  // 0x7F fails and is not written
    EXPECT_EQ(img.At(6, 1), 0x80FF0000u);
    d.dev->SetRenderState(GXRS_ALPHATESTENABLE, 0);
    ASSERT_EQ(d.Quad(0, 0, 8, 4, 0xFFFFFFFFu), GX_OK);
    EXPECT_EQ(d.Back().At(1, 1), 0x7FFF0000u);
}

TEST(DrawGL, BlendOperationsAndTheSeparateAlphaMax)
{
    GLDraw d(4, 4);
    REQUIRE_GL(d);
    d.Stage(GXTOP_MODULATE);
    d.dev->SetTexture(0, nullptr);
    struct Case
    {
        uint32_t dest, op, src, dst, source, want;
    };
    const Case cases[] = {
        // normal alpha blend, half alpha: (src + dest) / 2 in colour, alpha src x a + dest x (1 - a)
        {0xFF000000u, GXBLENDOP_ADD, GXBLEND_SRCALPHA, GXBLEND_INVSRCALPHA, 0x80FF8000u, 0xC0804000u},
        // additive
        {0xFF204060u, GXBLENDOP_ADD, GXBLEND_SRCALPHA, GXBLEND_ONE, 0xFF102030u, 0xFF306090u},
        // destination minus source
        {0xFF806040u, GXBLENDOP_REVSUBTRACT, GXBLEND_SRCALPHA, GXBLEND_ONE, 0xFF102030u, 0x00704010u},
        // source minus destination
        {0xFF102030u, GXBLENDOP_SUBTRACT, GXBLEND_ONE, GXBLEND_ONE, 0xFF806040u, 0x00704010u},
        // multiply
        {0xFF808080u, GXBLENDOP_ADD, GXBLEND_ZERO, GXBLEND_SRCCOLOR, 0xFFFF8000u, 0xFF804000u},
        // s (1 - d) + d (1 - s): half red on half red stays half red, opaque on opaque gives 0
        {0xFF800000u, GXBLENDOP_ADD, GXBLEND_INVDESTCOLOR, GXBLEND_INVSRCCOLOR, 0xFF800000u, 0x00800000u},
    };
    for (const Case& c : cases) {
        d.Blend(false);
        d.dev->SetRenderState(GXRS_SEPARATEALPHABLENDENABLE, 0);
        ASSERT_EQ(d.dev->Clear(0, nullptr, GXCLEAR_TARGET, c.dest, 1.0f, 0), GX_OK);
        d.Blend(true, c.op, c.src, c.dst);
        ASSERT_EQ(d.Quad(0, 0, 4, 4, c.source), GX_OK);
        uint32_t got = d.Back().At(2, 2);
        for (int shift = 0; shift < 32; shift += 8) {
            int g = static_cast<int>((got >> shift) & 0xFF), w = static_cast<int>((c.want >> shift) & 0xFF);
            EXPECT_LE(std::abs(g - w), 1) << std::hex << "got 0x" << got << " want 0x" << c.want;
        }
    }

    // With the separate alpha blend by MAX the destination keeps the larger alpha, whatever the
    // colour blend does.
    d.dev->SetRenderState(GXRS_SEPARATEALPHABLENDENABLE, 1);
    d.dev->SetRenderState(GXRS_BLENDOPALPHA, GXBLENDOP_MAX);
    d.Blend(true);
    ASSERT_EQ(d.dev->Clear(0, nullptr, GXCLEAR_TARGET, 0xC0000000u, 1.0f, 0), GX_OK);
    ASSERT_EQ(d.Quad(0, 0, 4, 4, 0x40FFFFFFu), GX_OK);
    EXPECT_EQ(d.Back().At(1, 1) >> 24, 0xC0u);
    ASSERT_EQ(d.dev->Clear(0, nullptr, GXCLEAR_TARGET, 0x20000000u, 1.0f, 0), GX_OK);
    ASSERT_EQ(d.Quad(0, 0, 4, 4, 0x90FFFFFFu), GX_OK);
    EXPECT_EQ(d.Back().At(1, 1) >> 24, 0x90u);
}

TEST(DrawGL, OpaqueBackBufferKeepsItsAlpha)
{
    GLDraw d(4, 4, GXFMT_X8R8G8B8);
    REQUIRE_GL(d);
    d.Stage(GXTOP_MODULATE);
    d.dev->SetTexture(0, nullptr);
    d.dev->Clear(0, nullptr, GXCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    // Destination alpha of a target without alpha reads as one: (1 - 1) x source = nothing.
    d.Blend(true, GXBLENDOP_ADD, GXBLEND_INVDESTALPHA, GXBLEND_ONE);
    ASSERT_EQ(d.Quad(0, 0, 4, 4, 0x80FFFFFFu), GX_OK);
    EXPECT_EQ(d.Back().At(1, 1), 0xFF000000u);
    // An unblended draw of alpha 0x40 does not lower it either, nor does the separate alpha blend
    // by MAX (the engine's own state).
    d.Blend(false);
    ASSERT_EQ(d.Quad(0, 0, 4, 4, 0x40000000u), GX_OK);
    d.dev->SetRenderState(GXRS_SEPARATEALPHABLENDENABLE, 1);
    d.dev->SetRenderState(GXRS_BLENDOPALPHA, GXBLENDOP_MAX);
    d.Blend(true);
    ASSERT_EQ(d.Quad(0, 0, 4, 4, 0x20000000u), GX_OK);
    d.dev->SetRenderState(GXRS_SEPARATEALPHABLENDENABLE, 0);
    d.Blend(true, GXBLENDOP_ADD, GXBLEND_INVDESTALPHA, GXBLEND_ONE);
    ASSERT_EQ(d.Quad(0, 0, 4, 4, 0x80FFFFFFu), GX_OK);
    EXPECT_EQ(d.Back().At(1, 1), 0xFF000000u);
}

TEST(DrawGL, ViewportClipsAndPrimitiveTypes)
{
    GLDraw d(16, 16);
    REQUIRE_GL(d);
    d.Stage(GXTOP_MODULATE);
    d.Blend(false);
    d.dev->SetTexture(0, nullptr);
    d.dev->Clear(0, nullptr, GXCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    GxViewport vp{4, 2, 8, 10, 0.0f, 1.0f};
    ASSERT_EQ(d.dev->SetViewport(&vp), GX_OK);
    // The vertices stay target pixels; the viewport only cuts.
    ASSERT_EQ(d.Quad(0, 0, 16, 16, 0xFFFF0000u), GX_OK);
    GxPixelImage img = d.Back();
    EXPECT_EQ(img.At(4, 2), 0xFFFF0000u);
    EXPECT_EQ(img.At(11, 11), 0xFFFF0000u);
    EXPECT_EQ(img.At(3, 2), 0xFF000000u);
    EXPECT_EQ(img.At(12, 5), 0xFF000000u);
    EXPECT_EQ(img.At(5, 1), 0xFF000000u);
    EXPECT_EQ(img.At(5, 12), 0xFF000000u);

    // A clear after a clipped draw is not cut by it: the scissor is given back.
    GxViewport full{0, 0, 16, 16, 0.0f, 1.0f};
    d.dev->SetViewport(&full);
    d.dev->Clear(0, nullptr, GXCLEAR_TARGET, 0xFF00FF00u, 1.0f, 0);
    EXPECT_EQ(d.Back().At(0, 0), 0xFF00FF00u);

    // A triangle list of two triangles covers the same square as a fan.
    GxScreenVertex tri[6] = {
        {1.5f, 1.5f, 0, 1, 0xFF0000FFu, 0, 0, 0}, {1.5f, 5.5f, 0, 1, 0xFF0000FFu, 0, 0, 0},
        {5.5f, 5.5f, 0, 1, 0xFF0000FFu, 0, 0, 0}, {1.5f, 1.5f, 0, 1, 0xFF0000FFu, 0, 0, 0},
        {5.5f, 5.5f, 0, 1, 0xFF0000FFu, 0, 0, 0}, {5.5f, 1.5f, 0, 1, 0xFF0000FFu, 0, 0, 0},
    };
    ASSERT_EQ(d.dev->DrawPrimitiveUP(GXPT_TRIANGLELIST, 2, tri, sizeof tri[0]), GX_OK);
    img = d.Back();
    EXPECT_EQ(img.At(2, 2), 0xFF0000FFu);
    EXPECT_EQ(img.At(5, 5), 0xFF0000FFu);
    EXPECT_EQ(img.At(6, 5), 0xFF00FF00u);
    EXPECT_EQ(img.At(1, 1), 0xFF00FF00u);
}

// One pixel-sized quad per pixel of a 64 x 64 target in one triangle list: far more vertices than
// a small frame's ring holds, drawn whole, then a small draw and the large one again.
TEST(DrawGL, LargeDrawsBetweenSmallOnesDrawEveryVertex)
{
    constexpr uint32_t kSide = 64;
    GLDraw d(kSide, kSide);
    REQUIRE_GL(d);
    d.Stage(GXTOP_MODULATE);
    d.Blend(false);
    d.dev->SetTexture(0, nullptr);
    auto colour = [](uint32_t i, uint32_t salt) { return 0xFF000000u | ((i * 2654435761u + salt) & 0xFFFFFFu); };
    auto grid = [&](uint32_t salt) {
        std::vector<GxScreenVertex> v;
        for (uint32_t i = 0; i < kSide * kSide; ++i) {
            const float x = static_cast<float>(i % kSide), y = static_cast<float>(i / kSide);
            const uint32_t c = colour(i, salt);
            const GxScreenVertex a{x, y, 0, 1, c, 0, 0, 0}, b{x, y + 1, 0, 1, c, 0, 0, 0},
                e{x + 1, y + 1, 0, 1, c, 0, 0, 0}, f{x + 1, y, 0, 1, c, 0, 0, 0};
            v.insert(v.end(), {a, b, e, a, e, f});
        }
        return v;
    };
    auto check = [&](uint32_t salt) {
        GxPixelImage img = d.Back();
        uint32_t wrong = 0;
        for (uint32_t i = 0; i < kSide * kSide; ++i)
            if (img.At(i % kSide, i / kSide) != colour(i, salt)) ++wrong;
        EXPECT_EQ(wrong, 0u) << "salt " << salt;
    };
    for (uint32_t salt : {1u, 77u}) {
        d.dev->Clear(0, nullptr, GXCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
        std::vector<GxScreenVertex> v = grid(salt);
        ASSERT_GT(v.size() * sizeof v[0], 512u << 10);
        ASSERT_EQ(d.dev->DrawPrimitiveUP(GXPT_TRIANGLELIST, static_cast<uint32_t>(v.size() / 3), v.data(), sizeof v[0]),
                  GX_OK);
        check(salt);
        ASSERT_EQ(d.Quad(0, 0, 2, 2, 0xFFFFFFFFu), GX_OK);
        EXPECT_EQ(d.Back().At(1, 1), 0xFFFFFFFFu);
        EXPECT_EQ(d.Back().At(2, 2), colour(2 * kSide + 2, salt));
    }
}

TEST(DrawGL, CullingFollowsTheScreenWinding)
{
    GLDraw d(8, 8);
    REQUIRE_GL(d);
    d.Stage(GXTOP_MODULATE);
    d.Blend(false);
    d.dev->SetTexture(0, nullptr);
    d.dev->Clear(0, nullptr, GXCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    // The engine's corner order (top-left, bottom-left, bottom-right, top-right) turns
    // counter-clockwise on the screen: the device's default culling drops it, CW culling keeps it.
    d.dev->SetRenderState(GXRS_CULLMODE, GXCULL_CCW);
    ASSERT_EQ(d.Quad(0, 0, 8, 8, 0xFFFFFFFFu), GX_OK);
    EXPECT_EQ(d.Back().At(4, 4), 0xFF000000u);
    d.dev->SetRenderState(GXRS_CULLMODE, GXCULL_CW);
    ASSERT_EQ(d.Quad(0, 0, 8, 8, 0xFFFFFFFFu), GX_OK);
    EXPECT_EQ(d.Back().At(4, 4), 0xFFFFFFFFu);
}

TEST(DrawGL, DrawingIntoATextureTargetAndSamplingIt)
{
    GLDraw d(16, 16);
    REQUIRE_GL(d);
    GxDeviceTexture* target = nullptr;
    ASSERT_EQ(d.dev->CreateTexture(8, 8, 1, GXUSAGE_RENDERTARGET, GXFMT_A8R8G8B8, GXPOOL_DEFAULT, &target), GX_OK);
    GxDeviceSurface* surface = nullptr;
    ASSERT_EQ(target->GetSurfaceLevel(0, &surface), GX_OK);
    GxDeviceSurface* back = nullptr;
    ASSERT_EQ(d.dev->GetRenderTarget(0, &back), GX_OK);

    ASSERT_EQ(d.dev->SetRenderTarget(0, surface), GX_OK);
    ASSERT_EQ(d.dev->Clear(0, nullptr, GXCLEAR_TARGET, 0x00000000u, 1.0f, 0), GX_OK);
    d.Stage(GXTOP_MODULATE);
    d.dev->SetTexture(0, nullptr);
    d.Blend(true);
    d.dev->SetRenderState(GXRS_SEPARATEALPHABLENDENABLE, 1);
    d.dev->SetRenderState(GXRS_BLENDOPALPHA, GXBLENDOP_MAX);
    ASSERT_EQ(d.Quad(0, 0, 4, 8, 0xFFFF0000u), GX_OK);
    ASSERT_EQ(d.Quad(2, 0, 6, 8, 0x800000FFu), GX_OK);

    // The texture's own pixels, as the device reads them back.
    GxPixelImage img;
    ASSERT_EQ(d.dev->ReadTexture(target, 0, &img), GX_OK);
    EXPECT_EQ(img.At(0, 0), 0xFFFF0000u);
    uint32_t mixed = img.At(3, 3);  // half blue over red, alpha kept at the maximum
    EXPECT_EQ(mixed >> 24, 0xFFu);
    EXPECT_NEAR(static_cast<int>((mixed >> 16) & 0xFF), 0x7F, 1);
    EXPECT_NEAR(static_cast<int>(mixed & 0xFF), 0x80, 1);
    EXPECT_EQ(img.At(7, 7) >> 24, 0x80u);  // only the half-transparent quad: its alpha over 0

    // The CPU copy follows once it is asked for.
    GxDeviceTexture* mem = nullptr;
    ASSERT_EQ(d.dev->CreateTexture(8, 8, 1, 0, GXFMT_A8R8G8B8, GXPOOL_SYSTEMMEM, &mem), GX_OK);
    GxDeviceSurface* memSurface = nullptr;
    mem->GetSurfaceLevel(0, &memSurface);
    ASSERT_EQ(d.dev->GetRenderTargetData(surface, memSurface), GX_OK);
    GxLockedRect lr;
    ASSERT_EQ(memSurface->LockRect(&lr, nullptr, GXLOCK_READONLY), GX_OK);
    EXPECT_EQ(*static_cast<uint32_t*>(lr.pBits), 0xFFFF0000u);
    memSurface->UnlockRect();

    // Drawn on the back buffer, the target shows what was drawn into it.
    ASSERT_EQ(d.dev->SetRenderTarget(0, back), GX_OK);
    d.dev->Clear(0, nullptr, GXCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    d.Blend(false);
    d.dev->SetTexture(0, target);
    ASSERT_EQ(d.Quad(4, 4, 8, 8, 0xFFFFFFFFu), GX_OK);
    GxPixelImage screen = d.Back();
    EXPECT_EQ(screen.At(4, 4), 0xFFFF0000u);
    EXPECT_EQ(screen.At(7, 7), img.At(3, 3));
    EXPECT_EQ(screen.At(3, 3), 0xFF000000u);

    d.dev->SetTexture(0, nullptr);
    memSurface->Release();
    mem->Release();
    back->Release();
    surface->Release();
    target->Release();
}

TEST(DrawGL, LinearFilterAndWrapAddressing)
{
    GLDraw d(8, 2);
    REQUIRE_GL(d);
    // Two texels, black and white; a quad twice as wide with UVs 0..2 repeats the picture.
    GxDeviceTexture* t = d.Texture(2, 1, {0xFF000000u, 0xFFFFFFFFu});
    d.Stage(GXTOP_MODULATE);
    d.Blend(false);
    d.dev->SetTexture(0, t);
    ASSERT_EQ(d.Quad(0, 0, 8, 2, 0xFFFFFFFFu, 0, 2.0f, 1.0f), GX_OK);
    GxPixelImage img = d.Back();
    EXPECT_EQ(img.At(0, 0), 0xFF000000u);
    EXPECT_EQ(img.At(3, 0), 0xFFFFFFFFu);
    EXPECT_EQ(img.At(4, 0), 0xFF000000u);
    EXPECT_EQ(img.At(7, 0), 0xFFFFFFFFu);
    // Linear filtering blends neighbouring texels between their centres.
    d.dev->SetSamplerState(0, GXSAMP_MAGFILTER, GXTEXF_LINEAR);
    d.dev->SetSamplerState(0, GXSAMP_MINFILTER, GXTEXF_LINEAR);
    d.dev->SetSamplerState(0, GXSAMP_ADDRESSU, GXTADDRESS_CLAMP);
    ASSERT_EQ(d.Quad(0, 0, 8, 2, 0xFFFFFFFFu), GX_OK);
    img = d.Back();
    EXPECT_EQ(img.At(0, 0), 0xFF000000u);
    EXPECT_EQ(img.At(7, 0), 0xFFFFFFFFu);
    uint32_t mid = img.At(4, 0) & 0xFF;
    EXPECT_GT(mid, 0x30u);
    EXPECT_LT(mid, 0xD0u);
}

// ---- Through the engine: presets and sprites on the GL device ---------------------------------

#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsSettings.h"
#include "graphics/GxRenderState.h"
#include "graphics/GxTexture.h"

namespace {

class EngineGL : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GxGetGraphicsSettings().SetStartupValues();
        GxGraphics::SetDirect3DFactory(nullptr);
        ASSERT_TRUE(GxGraphics::Create(nullptr, nullptr, nullptr, nullptr)) << GxWideToUtf8(logs.Error());
        ASSERT_TRUE(GxGraphics::BeginScene());
        GxGraphics::SetDefaultRenderState();
    }
    void TearDown() override
    {
        for (GxTexture* t : textures) {
            t->ReleaseAll();
            delete t;
        }
        GxGraphics::EndScene();
        GxGraphics::Release();
    }

    // A texture of the given size holding the pixels.
    GxTexture* Texture(uint32_t w, uint32_t h, const std::vector<uint32_t>& pixels)
    {
        auto* t = new GxTexture;
        textures.push_back(t);
        if (!t->CreateTexture(u"picture", w, h, GXFMT_A8R8G8B8, 1)) return nullptr;
        void* bits = nullptr;
        int32_t pitch = 0;
        if (!t->LockRect(nullptr, &bits, &pitch, nullptr, nullptr, nullptr, false)) return nullptr;
        for (uint32_t y = 0; y < h; ++y)
            std::memcpy(static_cast<uint8_t*>(bits) + static_cast<size_t>(y) * pitch, &pixels[y * w], w * 4);
        t->UnlockRect();
        return t;
    }

    GxPixelImage Back()
    {
        GxPixelImage img;
        GxGraphics::GetDevice()->ReadBackBuffer(&img);
        return img;
    }

    static void ExpectNear(uint32_t got, uint32_t want)
    {
        for (int shift = 0; shift < 32; shift += 8) {
            int g = static_cast<int>((got >> shift) & 0xFF), w = static_cast<int>((want >> shift) & 0xFF);
            EXPECT_LE(std::abs(g - w), 1) << std::hex << "got 0x" << got << " want 0x" << want;
        }
    }

    gxtest::LogFolder logs;
    std::vector<GxTexture*> textures;
};

}  // namespace

TEST_F(EngineGL, SpriteOneToOneEqualsItsSource)
{
    const auto src = Pattern(64, 64);
    GxTexture* t = Texture(64, 64, src);
    ASSERT_NE(t, nullptr);
    GxGraphics::Clear(GXCLEAR_TARGET, 0xFF000000u, 1.0f, 0, nullptr);
    GxGraphics::DrawTexture(t, 100, 50, GxFRect(0, 0, 64, 64), GxVector2(1, 1), GxVector3(), GxVector2(), GxVector2(),
                            0xFFFFFFFFu, 0, BLENDMODE_ALPHA);
    // A sub-rectangle lands texel for pixel too.
    GxGraphics::DrawTexture(t, 300, 50, GxFRect(16, 8, 48, 40), GxVector2(1, 1), GxVector3(), GxVector2(),
                            GxVector2(), 0xFFFFFFFFu, 0, BLENDMODE_OPAQUE);
    GxPixelImage img = Back();
    for (uint32_t y = 0; y < 64; ++y)
        for (uint32_t x = 0; x < 64; ++x) ASSERT_EQ(img.At(100 + x, 50 + y), src[y * 64 + x]) << x << "," << y;
    for (uint32_t y = 0; y < 32; ++y)
        for (uint32_t x = 0; x < 32; ++x)
            ASSERT_EQ(img.At(300 + x, 50 + y), src[(y + 8) * 64 + x + 16]) << x << "," << y;
    EXPECT_EQ(img.At(99, 50), 0xFF000000u);
    EXPECT_EQ(img.At(164, 50), 0xFF000000u);
    EXPECT_EQ(img.At(100, 114), 0xFF000000u);
    EXPECT_EQ(img.At(332, 50), 0xFF000000u);
}

TEST_F(EngineGL, PresetsOnKnownColours)
{
    struct Case
    {
        int32_t preset;
        uint32_t dest, texel, diffuse, want;
    };
    const Case cases[] = {
        // normal alpha blend: half red over (0x20, 0x40, 0x80)
        {BLENDMODE_ALPHA, 0xFF204080u, 0x80FF0000u, 0xFFFFFFFFu, 0xFF8F2040u},
        // additive
        {BLENDMODE_ADD, 0xFF204060u, 0xFF102030u, 0xFFFFFFFFu, 0xFF306090u},
        // additive at half alpha from the vertex colour
        {BLENDMODE_ADD, 0xFF204060u, 0xFF204060u, 0x80FFFFFFu, 0xFF306090u},
        // multiply
        {BLENDMODE_MULTIPLY, 0xFF808080u, 0xFFFF8000u, 0xFFFFFFFFu, 0xFF804000u},
        // texture x vertex colour, opaque
        {BLENDMODE_OPAQUE, 0xFF000000u, 0xFFFF8040u, 0xFF808080u, 0xFF804020u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.preset);
        GxTexture* t = Texture(4, 4, std::vector<uint32_t>(16, c.texel));
        ASSERT_NE(t, nullptr);
        GxGraphics::Clear(GXCLEAR_TARGET, c.dest, 1.0f, 0, nullptr);
        GxGraphics::DrawTexture(t, 10, 10, GxFRect(0, 0, 4, 4), GxVector2(8, 8), GxVector3(), GxVector2(),
                                GxVector2(), c.diffuse, 0, c.preset);
        GxPixelImage img = Back();
        ExpectNear(img.At(20, 20), c.want);
        EXPECT_EQ(img.At(5, 5), c.dest | 0xFF000000u);
    }
}

TEST_F(EngineGL, RenderTextureKeepsTheLargestAlpha)
{
    GxTexture target;
    ASSERT_TRUE(target.CreateRenderTarget(u"target", 64, 64, GXFMT_A8R8G8B8));
    GxTexture* half = Texture(4, 4, std::vector<uint32_t>(16, 0x80FF0000u));
    GxTexture* quarter = Texture(4, 4, std::vector<uint32_t>(16, 0x400000FFu));
    ASSERT_TRUE(GxGraphics::PushRenderTarget(0, &target, nullptr, nullptr));
    GxGraphics::Clear(GXCLEAR_TARGET, 0x00000000u, 1.0f, 0, nullptr);
    GxGraphics::DrawTexture(half, 0, 0, GxFRect(0, 0, 4, 4), GxVector2(8, 16), GxVector3(), GxVector2(), GxVector2(),
                            0xFFFFFFFFu, 0, BLENDMODE_ALPHA);
    GxGraphics::DrawTexture(quarter, 16, 0, GxFRect(0, 0, 4, 4), GxVector2(8, 16), GxVector3(), GxVector2(),
                            GxVector2(), 0xFFFFFFFFu, 0, BLENDMODE_ALPHA);
    ASSERT_TRUE(GxGraphics::PopRenderTarget(0));
    // Where both were drawn the alpha is the larger one, not their blend (0x80 + 0x40 x 0x7F).
    EXPECT_EQ(target.GetPixel(20, 10) >> 24, 0x80u);
    EXPECT_EQ(target.GetPixel(40, 10) >> 24, 0x40u);
    EXPECT_EQ(target.GetPixel(5, 10) >> 24, 0x80u);
    EXPECT_EQ(target.GetPixel(60, 60), 0u);
    target.ReleaseAll();
}
