// The FreeType rasteriser on the installed Japanese font: the face behind the engine's Windows
// face name, the cell height of a positive font height, and plausible bitmaps for "あ" and "A"
// in the outline format (levels 0..64, four-byte rows, black box and origin).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <vector>

#include "graphics/GxTextureText.h"
#include "platform/GxGlyphRasterizer.h"

namespace {

struct Rendered
{
    GxGlyphMetrics gm;
    uint32_t bytes = 0;
    std::vector<uint8_t> bits;
};

Rendered Render(GxGlyphFont& font, uint32_t ch, bool narrow = false)
{
    Rendered r;
    uint32_t need = narrow ? font.GetGlyphOutlineA(ch, GX_GGO_GRAY8_BITMAP, &r.gm, 0, nullptr)
                           : font.GetGlyphOutlineW(ch, GX_GGO_GRAY8_BITMAP, &r.gm, 0, nullptr);
    r.bits.assign(need + 16, 0xAA);
    r.bytes = narrow ? font.GetGlyphOutlineA(ch, GX_GGO_GRAY8_BITMAP, &r.gm, need + 16, r.bits.data())
                     : font.GetGlyphOutlineW(ch, GX_GGO_GRAY8_BITMAP, &r.gm, need + 16, r.bits.data());
    EXPECT_EQ(r.bytes, need);
    r.bits.resize(need);
    return r;
}

}  // namespace

TEST(GlyphRasterizer, WindowsFaceNameFindsTheJapaneseFont)
{
    GxGlyphFaceInfo info;
    ASSERT_TRUE(GxResolveGlyphFace(GX_DEFAULT_FONT_FACE, info));
    EXPECT_TRUE(info.coversJapanese) << info.family;
    EXPECT_TRUE(std::filesystem::exists(info.file)) << info.file;
    // A Latin face cannot show the engine's Shift-JIS text: the Japanese font stands in.
    ASSERT_TRUE(GxResolveGlyphFace(u"DejaVu Sans", info));
    EXPECT_TRUE(info.coversJapanese) << info.family;
}

TEST(GlyphRasterizer, RendersHiraganaAndLatinWithPlausibleMetrics)
{
    auto rasterizer = GxCreateFreeTypeRasterizer();
    GxLogFont lf;
    GxTextureText::MakeLogFont(lf, 24, GX_DEFAULT_FONT_FACE);
    auto font = rasterizer->CreateFont(lf);
    ASSERT_NE(font, nullptr);

    GxTextMetric tm;
    ASSERT_TRUE(font->GetTextMetrics(&tm));
    EXPECT_EQ(tm.Height, 24);  // a positive height is the cell height
    EXPECT_EQ(tm.Ascent + tm.Descent, 24);
    EXPECT_GE(tm.Ascent, 17);
    EXPECT_LE(tm.Ascent, 22);

    Rendered a = Render(*font, 0x3042);
    EXPECT_GE(a.gm.BlackBoxX, 14u);
    EXPECT_LE(a.gm.BlackBoxX, 24u);
    EXPECT_GE(a.gm.BlackBoxY, 14u);
    EXPECT_LE(a.gm.BlackBoxY, 24u);
    EXPECT_GE(a.gm.GlyphOriginX, 0);
    EXPECT_LE(a.gm.GlyphOriginY, tm.Ascent);
    EXPECT_GE(a.gm.GlyphOriginY - static_cast<int32_t>(a.gm.BlackBoxY), -tm.Descent);
    EXPECT_GE(a.gm.CellIncX, 20);
    uint32_t pitch = GxGray8Pitch(a.gm.BlackBoxX);
    ASSERT_EQ(a.bytes, pitch * a.gm.BlackBoxY);
    EXPECT_EQ(*std::max_element(a.bits.begin(), a.bits.end()), GX_GRAY8_MAX_LEVEL);
    uint32_t inked = static_cast<uint32_t>(std::count_if(a.bits.begin(), a.bits.end(), [](uint8_t v) { return v; }));
    EXPECT_GT(inked, a.bytes / 8);
    EXPECT_LT(inked, a.bytes);
    for (uint32_t y = 0; y < a.gm.BlackBoxY; ++y)
        for (uint32_t x = a.gm.BlackBoxX; x < pitch; ++x) ASSERT_EQ(a.bits[y * pitch + x], 0) << "row padding";

    Rendered latin = Render(*font, u'A');
    EXPECT_GE(latin.gm.BlackBoxX, 8u);
    EXPECT_LE(latin.gm.BlackBoxX, 13u);
    EXPECT_LT(latin.gm.BlackBoxX, a.gm.BlackBoxX);
    EXPECT_GE(latin.gm.BlackBoxY, 14u);
    EXPECT_LE(latin.gm.BlackBoxY, static_cast<uint32_t>(tm.Ascent));
    // It sits on the baseline, give or take the hinting's pixel.
    EXPECT_LE(std::abs(latin.gm.GlyphOriginY - static_cast<int32_t>(latin.gm.BlackBoxY)), 1);
    EXPECT_GE(latin.gm.CellIncX, 10);  // the Japanese font's Latin is half width
    EXPECT_LE(latin.gm.CellIncX, 12);

    // The narrow form converts the code page first.
    Rendered narrow = Render(*font, 0x82A0, true);
    EXPECT_EQ(narrow.bits, a.bits);
    EXPECT_EQ(narrow.gm.BlackBoxX, a.gm.BlackBoxX);

    // A space has an advance and nothing to draw.
    Rendered space = Render(*font, u' ');
    EXPECT_EQ(space.bytes, 0u);
    EXPECT_EQ(space.gm.BlackBoxX, 0u);
    EXPECT_GT(space.gm.CellIncX, 0);

    // A buffer too small fails and is left alone; another format is refused.
    std::vector<uint8_t> small(a.bytes - 1, 0x5A);
    GxGlyphMetrics gm;
    EXPECT_EQ(font->GetGlyphOutlineW(0x3042, GX_GGO_GRAY8_BITMAP, &gm, small.size(), small.data()), GX_GDI_ERROR);
    EXPECT_TRUE(std::all_of(small.begin(), small.end(), [](uint8_t v) { return v == 0x5A; }));
    EXPECT_EQ(font->GetGlyphOutlineW(0x3042, 1, &gm, 0, nullptr), GX_GDI_ERROR);
}

TEST(GlyphRasterizer, HeightsScaleTheCellAndNegativeHeightsTheEm)
{
    auto rasterizer = GxCreateFreeTypeRasterizer();
    GxLogFont lf;
    GxTextureText::MakeLogFont(lf, 16, GX_DEFAULT_FONT_FACE);
    auto small = rasterizer->CreateFont(lf);
    lf.Height = 64;
    auto large = rasterizer->CreateFont(lf);
    lf.Height = -64;
    auto em = rasterizer->CreateFont(lf);
    ASSERT_TRUE(small && large && em);
    GxTextMetric s, l, e;
    small->GetTextMetrics(&s);
    large->GetTextMetrics(&l);
    em->GetTextMetrics(&e);
    EXPECT_EQ(s.Height, 16);
    EXPECT_EQ(l.Height, 64);
    EXPECT_GT(e.Height, 64);  // an em of 64 makes a taller cell
    Rendered sa = Render(*small, 0x3042);
    Rendered la = Render(*large, 0x3042);
    EXPECT_GE(la.gm.BlackBoxX, 3 * sa.gm.BlackBoxX);
    EXPECT_LE(la.gm.BlackBoxX, 5 * sa.gm.BlackBoxX);
    // A font that is asked for again uses the cached face and draws the same.
    lf.Height = 16;
    auto again = rasterizer->CreateFont(lf);
    EXPECT_EQ(Render(*again, 0x3042).bits, sa.bits);
}
