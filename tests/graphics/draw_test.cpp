// The immediate draws on the recording device: the vertices they send, the half-pixel shift,
// the global draw matrix, viewport rejection, the fans of the five-point and rectangle draws,
// tiled textures and the two text draws (over stand-in fonts).
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "core/GxString.h"
#include "tests/support/GxFakeGlyphRasterizer.h"
#include "graphics/GxDraw.h"
#include "graphics/GxFontData.h"
#include "graphics/GxGDIFontMap.h"
#include "graphics/GxRenderState.h"
#include "graphics/GxTexture.h"
#include "graphics/GxTextureFlex.h"
#include "platform/GxPicture.h"
#include "present_test_support.h"

namespace {

struct V
{
    float x, y, u, v;
};

class Draw : public gxtest::RecordingGraphics
{
protected:
    void SetUp() override
    {
        RecordingGraphics::SetUp();
        ASSERT_TRUE(Create());
        ASSERT_TRUE(texture.CreateTexture(u"sprite", 100, 50, GXFMT_A8R8G8B8, 1));  // 128 x 64
        // Every draw is made inside a scene, as the tasks' drawing does.
        ASSERT_TRUE(GxGraphics::BeginScene());
        Recorder().Clear();
    }
    void TearDown() override
    {
        GxGraphics::GetDrawMatrix().SetIdentity();
        GxGraphics::EndScene();
        texture.ReleaseAll();
        RecordingGraphics::TearDown();
    }

    std::vector<const GxDeviceCall*> Draws()
    {
        std::vector<const GxDeviceCall*> out;
        for (const auto& c : Recorder().calls)
            if (c.op == GxDeviceOp::DrawPrimitiveUP) out.push_back(&c);
        return out;
    }
    // The one draw recorded; its positions and texture coordinates.
    std::vector<V> OnlyDraw()
    {
        auto d = Draws();
        EXPECT_EQ(d.size(), 1u);
        if (d.size() != 1) return {};
        return Positions(*d[0]);
    }
    static std::vector<V> Positions(const GxDeviceCall& c)
    {
        std::vector<V> out;
        for (const auto& v : c.vertices) out.push_back({v.x, v.y, v.u, v.v});
        return out;
    }
    void DrawSprite(float x, float y, GxFRect src = GxFRect(0, 0, 100, 50), GxVector2 scale = GxVector2(1, 1),
                    GxVector3 rot = GxVector3(), GxVector2 pivot = GxVector2(), GxVector2 uvOffset = GxVector2())
    {
        GxGraphics::DrawTexture(&texture, x, y, src, scale, rot, pivot, uvOffset, 0xFFFFFFFFu, 0x00102030u, 2);
    }

    GxTexture texture;
};

void ExpectCorners(const std::vector<V>& got, const std::vector<V>& want, float tolerance = 0.0f)
{
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(i);
        if (tolerance == 0.0f) {
            EXPECT_EQ(got[i].x, want[i].x);
            EXPECT_EQ(got[i].y, want[i].y);
            EXPECT_EQ(got[i].u, want[i].u);
            EXPECT_EQ(got[i].v, want[i].v);
        } else {
            EXPECT_NEAR(got[i].x, want[i].x, tolerance);
            EXPECT_NEAR(got[i].y, want[i].y, tolerance);
        }
    }
}

}  // namespace

TEST_F(Draw, SpriteVerticesAndTheCallSequence)
{
    DrawSprite(10, 20);
    // Top-left, bottom-left, bottom-right, top-right, half a pixel up and left; UVs by the
    // texture's allocated size (128 x 64).
    ExpectCorners(OnlyDraw(), {{9.5f, 19.5f, 0.0f, 0.0f},
                               {9.5f, 69.5f, 0.0f, 50.0f / 64},
                               {109.5f, 69.5f, 100.0f / 128, 50.0f / 64},
                               {109.5f, 19.5f, 100.0f / 128, 0.0f}});
    const GxDeviceCall& d = *Draws()[0];
    EXPECT_EQ(d.args[0], static_cast<uint32_t>(GXPT_TRIANGLEFAN));
    EXPECT_EQ(d.args[1], 2u);
    EXPECT_EQ(d.args[2], 32u);
    EXPECT_EQ(d.args[3], 0x1C4u);
    EXPECT_EQ(d.result, GX_OK);
    for (const auto& v : d.vertices) {
        EXPECT_EQ(v.z, 0.0f);
        EXPECT_EQ(v.rhw, 1.0f);
        EXPECT_EQ(v.diffuse, 0xFFFFFFFFu);
        EXPECT_EQ(v.specular, 0x00102030u);
    }
    // After the preset (already set: no state call): texture, vertex processing, no shader,
    // the vertex format, the draw.
    std::vector<GxDeviceOp> ops;
    for (const auto& c : Recorder().calls) ops.push_back(c.op);
    EXPECT_EQ(ops, (std::vector<GxDeviceOp>{GxDeviceOp::SetTexture, GxDeviceOp::SetSoftwareVertexProcessing,
                                            GxDeviceOp::SetVertexShader, GxDeviceOp::SetFVF,
                                            GxDeviceOp::DrawPrimitiveUP}));
    EXPECT_EQ(Recorder().calls[0].object, texture.GetD3DTexture());
    EXPECT_EQ(Recorder().calls[2].object, nullptr);

    // Another preset is set before the texture.
    Recorder().Clear();
    GxGraphics::DrawTexture(&texture, 0, 0, GxFRect(0, 0, 8, 8), GxVector2(1, 1), GxVector3(), GxVector2(),
                            GxVector2(), 0xFFFFFFFFu, 0, 3);
    ASSERT_FALSE(Recorder().calls.empty());
    EXPECT_EQ(Recorder().calls[0].op, GxDeviceOp::SetRenderState);
    uint32_t dest = 0;
    Device()->GetRenderState(GXRS_DESTBLEND, &dest);
    EXPECT_EQ(dest, static_cast<uint32_t>(GXBLEND_ONE));
}

TEST_F(Draw, SourceRectangleUVOffsetPivotScaleAndRotation)
{
    // A source rectangle given right to left keeps its size; the UVs follow its edges.
    DrawSprite(0, 0, GxFRect(64, 32, 32, 0), GxVector2(1, 1), GxVector3(), GxVector2(), GxVector2(0.25f, 0.5f));
    ExpectCorners(OnlyDraw(), {{-0.5f, -0.5f, 0.75f, 1.0f},
                               {-0.5f, 31.5f, 0.75f, 0.5f},
                               {31.5f, 31.5f, 0.5f, 0.5f},
                               {31.5f, -0.5f, 0.5f, 1.0f}});

    // Pivot at the centre, doubled: the centre stays on the position.
    Recorder().Clear();
    DrawSprite(200, 100, GxFRect(0, 0, 100, 50), GxVector2(2, 2), GxVector3(), GxVector2(0.5f, 0.5f));
    ExpectCorners(OnlyDraw(), {{99.5f, 49.5f, 0, 0}, {99.5f, 149.5f, 0, 0}, {299.5f, 149.5f, 0, 0},
                               {299.5f, 49.5f, 0, 0}},
                  1e-4f);

    // A quarter turn about the centre: the top-left corner goes to the top right.
    Recorder().Clear();
    DrawSprite(200, 100, GxFRect(0, 0, 100, 50), GxVector2(1, 1),
               GxVector3(0, 0, std::numbers::pi_v<float> / 2), GxVector2(0.5f, 0.5f));
    ExpectCorners(OnlyDraw(), {{224.5f, 49.5f, 0, 0}, {174.5f, 49.5f, 0, 0}, {174.5f, 149.5f, 0, 0},
                               {224.5f, 149.5f, 0, 0}},
                  1e-3f);
}

TEST_F(Draw, TheGlobalDrawMatrixMovesEveryDraw)
{
    GxGraphics::GetDrawMatrix().SetTranslation(5, 7, 0);
    DrawSprite(10, 20);
    EXPECT_EQ(OnlyDraw()[0].x, 14.5f);
    EXPECT_EQ(OnlyDraw()[0].y, 26.5f);

    Recorder().Clear();
    const GxColor d[5] = {1, 2, 3, 4, 5}, s[5] = {0, 0, 0, 0, 0};
    GxGraphics::DrawColorRect(GxFRect(0, 0, 10, 10), d, s, 2);
    ASSERT_EQ(Draws().size(), 2u);
    EXPECT_EQ(Draws()[0]->vertices[0].x, 5.0f);  // moved, but not shifted by half a pixel
    EXPECT_EQ(Draws()[0]->vertices[0].y, 7.0f);

    Recorder().Clear();
    GxGraphics::GetDrawMatrix().SetIdentity();
    GxGraphics::GetDrawMatrix().ApplyScale(GxVector3(2, 2, 1));
    DrawSprite(10, 20);
    EXPECT_EQ(OnlyDraw()[2].x, 219.5f);
    EXPECT_EQ(OnlyDraw()[2].y, 139.5f);
}

TEST_F(Draw, SpritesOutsideTheViewportMakeNoCall)
{
    // Wholly left, right, above or below: not a single device call.
    for (auto [x, y] : {std::pair{-100.0f, 20.0f}, std::pair{1025.0f, 20.0f}, std::pair{10.0f, -50.0f},
                        std::pair{10.0f, 769.0f}, std::pair{-500.0f, -500.0f}}) {
        Recorder().Clear();
        DrawSprite(x, y);
        EXPECT_TRUE(Recorder().calls.empty()) << x << "," << y;
    }
    // Overlapping an edge by one pixel is drawn.
    for (auto [x, y] : {std::pair{-99.0f, 20.0f}, std::pair{1023.0f, 20.0f}, std::pair{10.0f, -49.0f},
                        std::pair{10.0f, 767.0f}}) {
        Recorder().Clear();
        DrawSprite(x, y);
        EXPECT_EQ(Draws().size(), 1u) << x << "," << y;
    }
    // A smaller viewport rejects by its own edges.
    GxRectL vp{100, 100, 200, 200};
    GxGraphics::SetViewport(&vp);
    Recorder().Clear();
    DrawSprite(0, 0);
    EXPECT_TRUE(Recorder().calls.empty());
    DrawSprite(1, 51);
    EXPECT_EQ(Draws().size(), 1u);

    // An empty texture draws nothing.
    GxTexture empty;
    Recorder().Clear();
    GxGraphics::DrawTexture(&empty, 150, 150, GxFRect(0, 0, 10, 10), GxVector2(1, 1), GxVector3(), GxVector2(),
                            GxVector2(), 0xFFFFFFFFu, 0, 2);
    GxGraphics::DrawTexture(nullptr, 150, 150, GxFRect(0, 0, 10, 10), GxVector2(1, 1), GxVector3(), GxVector2(),
                            GxVector2(), 0xFFFFFFFFu, 0, 2);
    EXPECT_TRUE(Recorder().calls.empty());
}

TEST_F(Draw, QuadOnFreeCorners)
{
    const GxVector2 corners[4] = {{0, 0}, {0, 768}, {1024, 768}, {1024, 0}};
    const GxColor diffuse[4] = {0x11111111u, 0x22222222u, 0x33333333u, 0x44444444u};
    const GxColor specular[4] = {5, 6, 7, 8};
    GxGraphics::DrawTextureQuad(corners, GxFRect(0, 0, 1.0f, 0.75f), &texture, diffuse, specular, 2);
    ExpectCorners(OnlyDraw(), {{-0.5f, -0.5f, 0, 0},
                               {-0.5f, 767.5f, 0, 0.75f},
                               {1023.5f, 767.5f, 1.0f, 0.75f},
                               {1023.5f, -0.5f, 1.0f, 0}});
    const GxDeviceCall& d = *Draws()[0];
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(d.vertices[i].diffuse, diffuse[i]);
        EXPECT_EQ(d.vertices[i].specular, specular[i]);
    }
    // Without a texture it draws with none set.
    Recorder().Clear();
    GxGraphics::DrawTextureQuad(corners, GxFRect(0, 0, 1, 1), nullptr, diffuse, specular, 2);
    ASSERT_EQ(Draws().size(), 1u);
    EXPECT_EQ(Recorder().calls[0].op, GxDeviceOp::SetTexture);
    EXPECT_EQ(Recorder().calls[0].object, nullptr);
    // Wholly off screen: nothing.
    Recorder().Clear();
    const GxVector2 away[4] = {{-50, 0}, {-50, 10}, {-10, 10}, {-10, 0}};
    GxGraphics::DrawTextureQuad(away, GxFRect(0, 0, 1, 1), &texture, diffuse, specular, 2);
    EXPECT_TRUE(Recorder().calls.empty());
}

TEST_F(Draw, FivePointsMakeTwoFansAroundTheCentre)
{
    const GxVector3 p[5] = {{10, 10, 0.25f}, {10, 50, 0.25f}, {90, 50, 0.5f}, {90, 10, 0.5f}, {50, 30, 0.75f}};
    const GxVector2 uv[5] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}, {0.5f, 0.5f}};
    const GxColor diffuse[5] = {1, 2, 3, 4, 5};
    GxGraphics::DrawTextureFivePoint(&texture, p, uv, GxVector2(0.125f, 0), diffuse, nullptr, 2);
    auto d = Draws();
    ASSERT_EQ(d.size(), 2u);
    // (top-left, bottom-left, centre, top-right) and (centre, bottom-left, bottom-right, top-right).
    const int first[4] = {0, 1, 4, 3}, second[4] = {4, 1, 2, 3};
    for (int i = 0; i < 4; ++i) {
        const GxScreenVertex& a = d[0]->vertices[i];
        const GxScreenVertex& b = d[1]->vertices[i];
        EXPECT_EQ(a.x, p[first[i]].x - 0.5f);
        EXPECT_EQ(a.y, p[first[i]].y - 0.5f);
        EXPECT_EQ(a.z, p[first[i]].z);  // the transformed z is kept
        EXPECT_EQ(a.u, uv[first[i]].x + 0.125f);
        EXPECT_EQ(a.diffuse, diffuse[first[i]]);
        EXPECT_EQ(a.specular, 0u);
        EXPECT_EQ(b.x, p[second[i]].x - 0.5f);
        EXPECT_EQ(b.v, uv[second[i]].y);
        EXPECT_EQ(b.diffuse, diffuse[second[i]]);
    }
    // Without colours and UVs: white, no specular, UV 0.
    Recorder().Clear();
    GxGraphics::DrawTextureFivePoint(&texture, p, nullptr, GxVector2(0.5f, 0.5f), nullptr, nullptr, 2);
    ASSERT_EQ(Draws().size(), 2u);
    EXPECT_EQ(Draws()[0]->vertices[0].diffuse, 0xFFFFFFFFu);
    EXPECT_EQ(Draws()[0]->vertices[0].u, 0.0f);
    // All five outside: nothing.
    Recorder().Clear();
    const GxVector3 away[5] = {{-9, 0, 0}, {-9, 5, 0}, {-2, 5, 0}, {-2, 0, 0}, {-5, 2, 0}};
    GxGraphics::DrawTextureFivePoint(&texture, away, nullptr, GxVector2(), nullptr, nullptr, 2);
    EXPECT_TRUE(Recorder().calls.empty());
}

TEST_F(Draw, ColourRectangleShadesTowardsItsCentre)
{
    // Red centre, transparent corners: the centre is a vertex of all four triangles.
    const GxColor diffuse[5] = {0, 0, 0, 0, 0xFFFF0000u};
    const GxColor specular[5] = {0, 0, 0, 0, 0};
    GxGraphics::DrawColorRect(GxFRect(10, 20, 31, 41), diffuse, specular, 2);
    auto d = Draws();
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(Recorder().calls[0].op, GxDeviceOp::SetTexture);
    EXPECT_EQ(Recorder().calls[0].object, nullptr);
    ExpectCorners(Positions(*d[0]), {{10, 20, 0, 0}, {10, 41, 0, 0}, {20.5f, 30.5f, 0, 0}, {31, 20, 0, 0}});
    ExpectCorners(Positions(*d[1]), {{20.5f, 30.5f, 0, 0}, {10, 41, 0, 0}, {31, 41, 0, 0}, {31, 20, 0, 0}});
    EXPECT_EQ(d[0]->vertices[2].diffuse, 0xFFFF0000u);
    EXPECT_EQ(d[1]->vertices[0].diffuse, 0xFFFF0000u);
    EXPECT_EQ(d[1]->vertices[1].diffuse, 0u);
    // No rejection: a rectangle off screen still reaches the device.
    Recorder().Clear();
    GxGraphics::DrawSolidRect(GxFRect(-100, -100, -50, -50), 0x80000050u, 0, 2);
    ASSERT_EQ(Draws().size(), 2u);
    for (const auto* c : Draws())
        for (const auto& v : c->vertices) EXPECT_EQ(v.diffuse, 0x80000050u);
}

TEST_F(Draw, FlexibleTextureTileByTile)
{
    GxTextureFlex flex;
    ASSERT_TRUE(flex.CreateTexture(u"flex", 300, 200, GXFMT_A8R8G8B8));  // 3 x 2 tiles of 128
    Recorder().Clear();
    GxGraphics::DrawTextureFlex(&flex, 10, 20, GxVector2(1, 1), GxVector3(), GxVector2(), 0xFFFFFFFFu, 0, 2);
    auto d = Draws();
    ASSERT_EQ(d.size(), 6u);
    // Row-major tiles, each whole (UV 0..1), edges shared with the neighbours.
    std::vector<const void*> textures;
    for (const auto& c : Recorder().calls)
        if (c.op == GxDeviceOp::SetTexture) textures.push_back(c.object);
    ASSERT_EQ(textures.size(), 6u);
    for (uint32_t i = 0; i < 6; ++i) EXPECT_EQ(textures[i], flex.GetTile(i % 3, i / 3));
    ExpectCorners(Positions(*d[4]), {{137.5f, 147.5f, 0, 0},
                                     {137.5f, 275.5f, 0, 1},
                                     {265.5f, 275.5f, 1, 1},
                                     {265.5f, 147.5f, 1, 0}});
    EXPECT_EQ(d[3]->vertices[3].x, d[4]->vertices[0].x);

    // Each tile is rejected on its own: only the right-most column overlaps the screen.
    Recorder().Clear();
    GxGraphics::DrawTextureFlex(&flex, -300, 0, GxVector2(1, 1), GxVector3(), GxVector2(), 0xFFFFFFFFu, 0, 2);
    EXPECT_EQ(Draws().size(), 2u);

    // The pivot is a fraction of the whole picture (300 x 200).
    Recorder().Clear();
    GxGraphics::DrawTextureFlex(&flex, 500, 400, GxVector2(1, 1), GxVector3(), GxVector2(0.5f, 0.5f), 0xFFFFFFFFu, 0,
                                2);
    ASSERT_EQ(Draws().size(), 6u);
    EXPECT_EQ(Draws()[0]->vertices[0].x, 349.5f);
    EXPECT_EQ(Draws()[0]->vertices[0].y, 299.5f);
    flex.ReleaseAll();
}

namespace {

// A bitmap font of 10-pixel cells, 12 pixels high; 'W' is 20 wide; codes beyond '~' are absent.
struct FakeFont
{
    GxDeviceTexture* texture = nullptr;
    int32_t GetGlyphWidth(uint32_t c) const { return c == u'W' ? 20 : 10; }
    int32_t GetStringWidth(std::u16string_view s) const
    {
        int32_t w = 0;
        for (char16_t c : s) w += GetGlyphWidth(c);
        return w;
    }
    int32_t GetHeight() const { return 12; }
    bool GetGlyphUV(float* uv, uint32_t c) const
    {
        if (c > u'~') {
            uv[0] = uv[1] = uv[2] = uv[3] = 0.0f;
            return false;
        }
        uv[0] = static_cast<float>(c) / 256.0f;
        uv[1] = 0.25f;
        uv[2] = uv[0] + 0.0625f;
        uv[3] = 0.5f;
        return true;
    }
    GxDeviceTexture* GetD3DTexture() { return texture; }
};

struct FakeGlyph
{
    GxTexture* texture = nullptr;
    int32_t left = 0, top = 0, width = 0, height = 0;
};

// A glyph atlas of size 16: each printable character has a cell at (code % 16 x 16, 0).
struct FakeFontMap
{
    GxTexture* page = nullptr;
    int32_t GetFontSize() const { return 16; }
    FakeGlyph GetGlyph(char16_t c) const
    {
        if (c < 0x20) return FakeGlyph{};
        int32_t w = c >= 0x3000 ? 16 : 8;
        return FakeGlyph{page, (c % 16) * 16, 0, w, 16};
    }
};

}  // namespace

TEST_F(Draw, BitmapFontStringAsOneBlock)
{
    FakeFont font{texture.GetD3DTexture()};
    GxDrawTextFontDataOf(font, u"AW\u3042", 100, 200, GxVector2(1, 1), GxVector3(), GxVector2(), 0xFFFFFFFFu, 0, 2);
    auto d = Draws();
    ASSERT_EQ(d.size(), 3u);
    ExpectCorners(Positions(*d[0]), {{99.5f, 199.5f, 65.0f / 256, 0.25f},
                                     {99.5f, 211.5f, 65.0f / 256, 0.5f},
                                     {109.5f, 211.5f, 65.0f / 256 + 0.0625f, 0.5f},
                                     {109.5f, 199.5f, 65.0f / 256 + 0.0625f, 0.25f}});
    EXPECT_EQ(d[1]->vertices[2].x, 129.5f);  // 'W' is twice as wide
    // A character outside the font keeps its cell width with all-zero UVs.
    EXPECT_EQ(d[2]->vertices[0].x, 129.5f);
    EXPECT_EQ(d[2]->vertices[2].x, 139.5f);
    EXPECT_EQ(d[2]->vertices[2].u, 0.0f);

    // The pivot is a fraction of the whole string's block: centred on the position.
    Recorder().Clear();
    GxDrawTextFontDataOf(font, u"AA", 100, 200, GxVector2(1, 1), GxVector3(), GxVector2(0.5f, 0.5f), 0xFFFFFFFFu, 0,
                         2);
    ASSERT_EQ(Draws().size(), 2u);
    EXPECT_EQ(Draws()[0]->vertices[0].x, 89.5f);
    EXPECT_EQ(Draws()[0]->vertices[0].y, 193.5f);

    Recorder().Clear();
    GxDrawTextFontDataOf(font, u"", 100, 200, GxVector2(1, 1), GxVector3(), GxVector2(), 0xFFFFFFFFu, 0, 2);
    EXPECT_TRUE(Recorder().calls.empty());
}

TEST_F(Draw, GlyphAtlasStringGlyphByGlyph)
{
    GxTexture page;
    ASSERT_TRUE(page.CreateTexture(u"page", 256, 256, GXFMT_A8R8G8B8, 1));
    FakeFontMap map{&page};
    Recorder().Clear();
    // Half width advances by 8, full width by 16; the line feed starts the next line at x.
    GxDrawTextGDIFontMapOf(map, u"a\u3042b\nc", 50, 60, GxVector2(2, 1), 0xFFFFFFFFu, 0, 2);
    auto d = Draws();
    ASSERT_EQ(d.size(), 4u);
    std::vector<std::pair<float, float>> at;
    for (const auto* c : d) at.emplace_back(c->vertices[0].x + 0.5f, c->vertices[0].y + 0.5f);
    EXPECT_EQ(at, (std::vector<std::pair<float, float>>{{50, 60}, {66, 60}, {98, 60}, {50, 76}}));
    // Each glyph is its cell of the page, scaled.
    const float cell = static_cast<float>(u'a' % 16) * 16;
    EXPECT_EQ(d[0]->vertices[0].u, cell / 256);
    EXPECT_EQ(d[0]->vertices[2].u, (cell + 8) / 256);
    EXPECT_EQ(d[0]->vertices[2].x, 49.5f + 16);  // 8 pixels wide at scale 2

    // The edge pass: the glyph at the four diagonal offsets, in that order.
    Recorder().Clear();
    GxDrawGlyphEdgeOf(map.GetGlyph(u'a'), 100, 100, 1.0f, GxVector2(1, 1), 0xFF000000u, 0, 2);
    d = Draws();
    ASSERT_EQ(d.size(), 4u);
    const float want[4][2] = {{99, 99}, {101, 101}, {101, 99}, {99, 101}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(d[i]->vertices[0].x, want[i][0] - 0.5f);
        EXPECT_EQ(d[i]->vertices[0].y, want[i][1] - 0.5f);
    }
    page.ReleaseAll();
}

TEST_F(Draw, TextThroughTheBitmapFontAndTheGlyphAtlas)
{
    // A digit font: '0'..'9' in 8 x 16 cells, ten to a row of a 128 x 16 picture.
    const std::filesystem::path picture = logs.dir / "digits.png";
    std::vector<uint32_t> pixels(128 * 16, 0xFFFFFFFFu);
    ASSERT_TRUE(GxPngWrite(picture.string(), 128, 16, pixels.data(), 128, nullptr));
    GxFontData font;
    ASSERT_TRUE(font.CreateFromGrid(u"digits", GxUtf8ToWide(picture.string()), u'0', u'9', 8, 16, 10));
    ASSERT_NE(font.GetD3DTexture(), nullptr) << GxWideToUtf8(logs.Error());
    Recorder().Clear();
    GxGraphics::DrawTextFontData(&font, u"29", 100, 50, GxVector2(1, 1), GxVector3(), GxVector2(), 0xFFFFFFFFu, 0, 2);
    auto d = Draws();
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(Recorder().calls[0].object, font.GetD3DTexture());
    float uv[4];
    ASSERT_TRUE(font.GetGlyphUV(uv, u'9'));
    ExpectCorners(Positions(*d[1]), {{107.5f, 49.5f, uv[0], uv[1]},
                                     {107.5f, 65.5f, uv[0], uv[3]},
                                     {115.5f, 65.5f, uv[2], uv[3]},
                                     {115.5f, 49.5f, uv[2], uv[1]}});
    font.Release();

    // The glyph atlas at size 16: half width advances 8, the line feed drops 16.
    gxtest::FakeRasterizer fake;
    GxSetGlyphRasterizer(&fake);
    {
        GxGDIFontMap map;
        map.SetFont(16, nullptr);
        Recorder().Clear();
        GxGraphics::DrawTextGDIFontMap(&map, u"ab\nc", 10, 20, GxVector2(1, 1), 0xFFFFFFFFu, 0, 2);
        d = Draws();
        ASSERT_EQ(d.size(), 3u);
        EXPECT_EQ(d[0]->vertices[0].x, 9.5f);
        EXPECT_EQ(d[1]->vertices[0].x, 17.5f);
        EXPECT_EQ(d[2]->vertices[0].x, 9.5f);
        EXPECT_EQ(d[2]->vertices[0].y, 35.5f);
        const GxGlyphRecord b = map.GetGlyph(u'b');
        EXPECT_EQ(d[1]->vertices[2].x - d[1]->vertices[0].x, static_cast<float>(b.width));
        EXPECT_EQ(d[1]->vertices[2].y - d[1]->vertices[0].y, static_cast<float>(b.height));
        EXPECT_EQ(d[1]->vertices[0].u, b.uLeft);
        EXPECT_EQ(d[1]->vertices[2].v, b.vBottom);

        Recorder().Clear();
        GxGraphics::DrawGlyphEdge(b, 50, 50, 2.0f, GxVector2(1, 1), 0xFF000000u, 0, 2);
        EXPECT_EQ(Draws().size(), 4u);
    }
    GxSetGlyphRasterizer(nullptr);
}
