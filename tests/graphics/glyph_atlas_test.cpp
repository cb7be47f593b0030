// The glyph atlas over a fake rasteriser: empty records for control characters, the record's
// cell and texture coordinates, caching, the page layout (rows of the font size, wrapping at
// x 496 and a second page after row 496 with size 16), picture cells, SetFont and Clear.
#include <gtest/gtest.h>

#include "tests/support/GxFakeGlyphRasterizer.h"
#include "graphics/GxGDIFontMap.h"

using gxtest::PixelAt;
using gxtest::ReadPixels;

namespace {

class GlyphAtlas : public gxtest::TextDeviceTest
{
};

}  // namespace

TEST_F(GlyphAtlas, ControlCharactersGiveEmptyRecords)
{
    GxGDIFontMap map;
    map.SetFont(16, nullptr);
    for (char16_t c : {u'\0', u'\n', u'\x1F', u'\x7F', u'\x85', u'\x9F'}) {
        EXPECT_EQ(map.GetGlyph(c), GxGlyphRecord()) << int(c);
    }
    EXPECT_EQ(map.GetPageCount(), 0u);
    EXPECT_TRUE(fake.outlines.empty());
    GxGlyphRecord nbsp = map.GetGlyph(u'\xA0');
    EXPECT_NE(nbsp.texture, nullptr);
    EXPECT_EQ(map.GetGlyphCount(), 1u);
}

TEST_F(GlyphAtlas, RecordsCarryCellWidthClassAndCoordinates)
{
    GxGDIFontMap map;
    map.SetFont(24, nullptr);
    GxGlyphRecord a = map.GetGlyph(u'A');
    ASSERT_NE(a.texture, nullptr);
    EXPECT_EQ(a.left, 0);
    EXPECT_EQ(a.top, 0);
    EXPECT_EQ(a.widthClass, 1);
    EXPECT_EQ(a.width, 12);
    EXPECT_EQ(a.height, 24);

    GxGlyphRecord hira = map.GetGlyph(u'あ');
    EXPECT_EQ(hira.texture, a.texture);
    EXPECT_EQ(hira.left, 12);
    EXPECT_EQ(hira.widthClass, 2);
    EXPECT_EQ(hira.width, 24);
    EXPECT_FLOAT_EQ(hira.uLeft, 12.0f / 512);
    EXPECT_FLOAT_EQ(hira.uRight, 36.0f / 512);
    EXPECT_FLOAT_EQ(hira.vTop, 0.0f);
    EXPECT_FLOAT_EQ(hira.vBottom, 24.0f / 512);

    // The page: 512 x 512 A4R4G4B4, named like every page.
    GxTexture* page = a.texture;
    EXPECT_EQ(page->GetWidth(), 512u);
    EXPECT_EQ(page->GetHeight(), 512u);
    EXPECT_EQ(page->GetFormat(), GXFMT_A4R4G4B4);
    EXPECT_EQ(page->GetName(), u"gdifontmap");
    EXPECT_EQ(fake.fonts.back().FaceName, u"ＭＳ ゴシック");

    // The second request is a copy of the stored record; nothing is drawn again.
    size_t drawn = fake.outlines.size();
    EXPECT_EQ(map.GetGlyph(u'あ'), hira);
    EXPECT_EQ(fake.outlines.size(), drawn);

    // The glyph is drawn white into its cell: the fake's block fills the cell to the baseline.
    auto px = ReadPixels(*page);
    EXPECT_EQ(PixelAt(px, *page, 12, 0), 0xFFFFu);
    EXPECT_EQ(PixelAt(px, *page, 35, 17), 0xFFFFu);
    EXPECT_EQ(PixelAt(px, *page, 36, 0) >> 12, 0u);
    EXPECT_EQ(PixelAt(px, *page, 12, 18) >> 12, 0u);
}

TEST_F(GlyphAtlas, RowsWrapAt496AndASecondPageOpensAfterRow496)
{
    GxGDIFontMap map;
    map.SetFont(16, nullptr);
    char16_t c = 0x4E00;
    // 31 full-width cells fill a row: the cursor reaches 496 and the row ends.
    for (int i = 0; i < 31; ++i) {
        GxGlyphRecord r = map.GetGlyph(c++);
        ASSERT_EQ(r.left, 16 * i);
        ASSERT_EQ(r.top, 0);
    }
    GxGlyphRecord next = map.GetGlyph(c++);
    EXPECT_EQ(next.left, 0);
    EXPECT_EQ(next.top, 16);
    // Half-width cells: the row ends once the cursor passes 496 too.
    GxGDIFontMap narrow;
    narrow.SetFont(16, nullptr);
    for (int i = 0; i < 62; ++i) ASSERT_EQ(narrow.GetGlyph(static_cast<char16_t>(u'!' + i)).top, 0);
    EXPECT_EQ(narrow.GetGlyph(u'_').top, 16);

    // 31 rows of 31 cells fill the page: row top 496 would reach the bottom.
    for (int i = 32; i < 31 * 31; ++i) {
        GxGlyphRecord r = map.GetGlyph(c++);
        ASSERT_EQ(r.top, 16 * (i / 31)) << i;
    }
    ASSERT_EQ(map.GetPageCount(), 1u);
    GxTexture* first = map.GetGlyph(0x4E00).texture;
    GxGlyphRecord second = map.GetGlyph(c++);
    EXPECT_EQ(map.GetPageCount(), 2u);
    EXPECT_NE(second.texture, first);
    EXPECT_EQ(second.left, 0);
    EXPECT_EQ(second.top, 0);
    EXPECT_EQ(map.GetCurrentPage()->cursorX, 16);
    // Older pages keep their glyphs.
    EXPECT_EQ(map.GetGlyph(0x4E00).texture, first);
}

TEST_F(GlyphAtlas, PictureCellsComeFromThePictureTexture)
{
    GxGDIFontMap map;
    map.SetFont(32, nullptr);
    EXPECT_EQ(map.GetGlyph(0xE001), GxGlyphRecord());

    auto picture = std::make_unique<GxTexture>();
    ASSERT_TRUE(picture->CreateTexture(u"icons", 512, 128, GXFMT_A8R8G8B8, 1));
    GxTexture* raw = picture.get();
    map.SetPictureTexture(std::move(picture), 10);
    GxGlyphRecord r = map.GetGlyph(0xE001);
    EXPECT_EQ(r.texture, raw);
    EXPECT_EQ(r.left, 32);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.width, 32);
    EXPECT_EQ(r.height, 32);
    EXPECT_EQ(r.widthClass, 2);
    EXPECT_FLOAT_EQ(r.uRight, 64.0f / 512);
    EXPECT_FLOAT_EQ(r.vBottom, 32.0f / 128);
    GxGlyphRecord below = map.GetGlyph(0xE00B);  // cell 11: second row
    EXPECT_EQ(below.left, 32);
    EXPECT_EQ(below.top, 32);
    EXPECT_EQ(map.GetGlyphCount(), 0u);  // picture cells are never cached
    EXPECT_EQ(map.GetPageCount(), 0u);

    map.Clear();
    EXPECT_EQ(map.GetGlyph(0xE001), GxGlyphRecord());
}

TEST_F(GlyphAtlas, SetFontEmptiesTheMapAndKeepsFaceOnClear)
{
    GxGDIFontMap map;
    map.SetFont(20, u"IPAGothic");
    map.GetGlyph(u'A');
    map.GetGlyph(u'B');
    EXPECT_EQ(map.GetGlyphCount(), 2u);
    EXPECT_EQ(fake.fonts.back().FaceName, u"IPAGothic");

    map.Clear();
    EXPECT_EQ(map.GetGlyphCount(), 0u);
    EXPECT_EQ(map.GetPageCount(), 0u);
    EXPECT_EQ(map.GetCurrentPage(), nullptr);
    EXPECT_EQ(map.GetFontSize(), 20);
    EXPECT_EQ(map.GetFaceName(), u"IPAGothic");

    map.GetGlyph(u'A');
    map.SetFont(28, nullptr);
    EXPECT_EQ(map.GetGlyphCount(), 0u);
    EXPECT_EQ(map.GetPageCount(), 0u);
    EXPECT_EQ(map.GetFaceName(), u"ＭＳ ゴシック");
    fake.outlines.clear();
    EXPECT_EQ(map.GetGlyph(u'A').height, 28);
    EXPECT_EQ(fake.outlines.size(), 1u);  // redrawn at the new size
}

TEST_F(GlyphAtlas, SizeAbove64KeepsTheCellButRendersAt64)
{
    GxGDIFontMap map;
    map.SetFont(80, nullptr);
    GxGlyphRecord r = map.GetGlyph(u'あ');
    EXPECT_EQ(r.width, 80);
    EXPECT_EQ(r.height, 80);
    EXPECT_EQ(fake.fonts.back().Height, 64);
    EXPECT_EQ(map.GetGlyph(u'い').left, 80);
}

TEST_F(GlyphAtlas, WithoutADevicePagesStillTakeTheirShare)
{
    GxGraphics::Release();
    GxGDIFontMap map;
    map.SetFont(16, nullptr);
    for (char16_t c = u'A'; c < u'A' + 40; ++c) {
        GxGlyphRecord r = map.GetGlyph(c);
        ASSERT_NE(r.texture, nullptr);
        EXPECT_EQ(r.texture->GetD3DTexture(), nullptr);
    }
    EXPECT_EQ(map.GetPageCount(), 1u);
    EXPECT_EQ(map.GetGlyph(u'A' + 39).left, 8 * 39 % 496);
}
