// The text texture over a fake rasteriser: the gray-to-alpha table and the two blits, the pen,
// the size limit, spaces, cutting at every edge, the narrow forms, the wrapped forms, and the
// two prepared-font kinds (bitmap grid cells and 4-bit glyph sheets with their three modes).
#include <gtest/gtest.h>

#include "tests/support/GxFakeGlyphRasterizer.h"
#include "graphics/GxTextureText.h"

using gxtest::PixelAt;
using gxtest::ReadPixels;

namespace {

class TextTexture : public gxtest::TextDeviceTest
{
protected:
    // A texture of the format, filled with a marker so untouched pixels show.
    void Make(GxTextureText& t, uint32_t w, uint32_t h, GxFormat format, GxColor fill)
    {
        ASSERT_TRUE(t.CreateTexture(u"text", w, h, format, 1));
        ASSERT_EQ(t.GetFormat(), format);
        ASSERT_TRUE(t.Fill(fill));
    }

    // A one-row glyph of the given levels at the pen's top-left (origin 0, ascent).
    void RowGlyph(char16_t c, std::vector<uint8_t> levels, int32_t size)
    {
        gxtest::FakeGlyph g;
        g.width = static_cast<uint32_t>(levels.size());
        g.height = 1;
        g.originY = gxtest::FakeRasterizer::AscentFor(size);
        g.gray = std::move(levels);
        fake.glyphs[c] = g;
    }
};

}  // namespace

TEST_F(TextTexture, GrayLevelsBecomeAlphaOn8888)
{
    GxTextureText t;
    Make(t, 64, 16, GXFMT_A8R8G8B8, 0x12345678);
    const std::vector<uint8_t> levels = {0, 1, 13, 26, 51, 52, 53, 64};
    RowGlyph(u'あ', levels, 16);
    int32_t endX = -1, endY = -1;
    ASSERT_TRUE(t.DrawText(u"あ", 4, 2, 16, 0x80AABBCC, &endX, &endY));
    EXPECT_EQ(endX, 4 + 16);
    EXPECT_EQ(endY, 2);
    auto px = ReadPixels(t);
    for (size_t i = 0; i < levels.size(); ++i) {
        uint32_t alpha = std::min(255u, levels[i] * 255u / 52u);
        EXPECT_EQ(PixelAt(px, t, 4 + i, 2), alpha << 24 | 0xAABBCC) << "level " << int(levels[i]);
    }
    // Outside the black box nothing changes, transparent glyph pixels included in the box only.
    EXPECT_EQ(PixelAt(px, t, 3, 2), 0x12345678u);
    EXPECT_EQ(PixelAt(px, t, 4 + levels.size(), 2), 0x12345678u);
    EXPECT_EQ(PixelAt(px, t, 4, 3), 0x12345678u);
    EXPECT_EQ(GxTextureText::GrayToAlpha(52), 255);
    EXPECT_EQ(GxTextureText::GrayToAlpha(26), 127);
}

TEST_F(TextTexture, WhiteOn4444IsOpaqueFromLevel52AndClearAtZero)
{
    GxTextureText t;
    Make(t, 32, 16, GXFMT_A4R4G4B4, 0x11223344);
    RowGlyph(u'A', {0, 26, 48, 52, 64}, 16);
    ASSERT_TRUE(t.DrawText(u"A", 0, 0, 16, 0xFFFFFFFF));
    auto px = ReadPixels(t);
    EXPECT_EQ(PixelAt(px, t, 0, 0), 0x0FFFu);  // alpha nibble 0
    EXPECT_EQ(PixelAt(px, t, 1, 0), 0x7FFFu);  // 127 >> 4
    EXPECT_EQ(PixelAt(px, t, 2, 0), 0xEFFFu);  // 235 >> 4
    EXPECT_EQ(PixelAt(px, t, 3, 0), 0xFFFFu);
    EXPECT_EQ(PixelAt(px, t, 4, 0), 0xFFFFu);
    // A coloured glyph takes the upper nibble of each channel.
    ASSERT_TRUE(t.DrawText(u"A", 0, 4, 16, 0xFF8040C0));
    px = ReadPixels(t);
    EXPECT_EQ(PixelAt(px, t, 4, 4), 0xF84Cu);
}

TEST_F(TextTexture, GlyphSitsOnTheBaselineByTheAscent)
{
    GxTextureText t;
    Make(t, 32, 32, GXFMT_A8R8G8B8, 0);
    gxtest::FakeGlyph g;
    g.width = 2;
    g.height = 3;
    g.originX = 1;
    g.originY = 2;  // two rows above the baseline, one below
    g.gray.assign(6, 64);
    fake.glyphs[u'g'] = g;
    ASSERT_TRUE(t.DrawText(u"g", 5, 4, 16, 0xFFFFFFFF));
    auto px = ReadPixels(t);
    int32_t top = 4 + gxtest::FakeRasterizer::AscentFor(16) - 2;
    EXPECT_EQ(PixelAt(px, t, 6, top), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(px, t, 7, top + 2), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(px, t, 5, top), 0u);
    EXPECT_EQ(PixelAt(px, t, 6, top - 1), 0u);
    EXPECT_EQ(PixelAt(px, t, 6, top + 3), 0u);
}

TEST_F(TextTexture, SpacesAdvanceWithoutWriting)
{
    GxTextureText t;
    Make(t, 64, 16, GXFMT_A4R4G4B4, 0x1234);
    auto before = ReadPixels(t);
    int32_t endX = 0;
    ASSERT_TRUE(t.DrawText(u" \u3000 ", 0, 0, 16, 0xFFFFFFFF, &endX));
    EXPECT_EQ(endX, 8 + 16 + 8);
    EXPECT_EQ(ReadPixels(t), before);
}

TEST_F(TextTexture, SizeAbove64DrawsAt64)
{
    GxTextureText t;
    Make(t, 256, 128, GXFMT_A8R8G8B8, 0);
    int32_t endX = 0;
    ASSERT_TRUE(t.DrawText(u"AB", 10, 0, 80, 0xFFFFFFFF, &endX));
    EXPECT_EQ(endX, 10 + 32 + 32);
    ASSERT_FALSE(fake.fonts.empty());
    EXPECT_EQ(fake.fonts.back().Height, 64);
    EXPECT_EQ(fake.fonts.back().Weight, 400);
    EXPECT_EQ(fake.fonts.back().CharSet, GX_SHIFTJIS_CHARSET);
    EXPECT_EQ(fake.fonts.back().FaceName, u"ＭＳ ゴシック");
    t.SetFontName(u"IPAGothic");
    ASSERT_TRUE(t.DrawText(u"A", 0, 0, 12, 0xFFFFFFFF));
    EXPECT_EQ(fake.fonts.back().Height, 12);
    EXPECT_EQ(fake.fonts.back().FaceName, u"IPAGothic");
}

// A negative left bearing, a glyph taller than the ascent, and glyphs past the right and
// bottom edges are all cut to the texture: only pixels inside it change.
TEST_F(TextTexture, GlyphBlocksAreCutOnAllFourSides)
{
    for (GxFormat format : {GXFMT_A8R8G8B8, GXFMT_A4R4G4B4}) {
        SCOPED_TRACE(format);
        GxTextureText t;
        Make(t, 16, 16, format, 0);
        gxtest::FakeGlyph g;
        g.width = 6;
        g.height = 20;
        g.originX = -3;
        g.originY = gxtest::FakeRasterizer::AscentFor(16) + 4;  // four rows above the cell
        g.gray.assign(120, 64);
        fake.glyphs[u'W'] = g;
        ASSERT_TRUE(t.DrawText(u"W", 0, 0, 16, 0xFFFFFFFF));    // cut left and top
        ASSERT_TRUE(t.DrawText(u"W", 13, 4, 16, 0xFFFFFFFF));   // cut right and bottom
        auto px = ReadPixels(t);
        uint32_t on = format == GXFMT_A8R8G8B8 ? 0xFFFFFFFFu : 0xFFFFu;
        EXPECT_EQ(PixelAt(px, t, 0, 0), on);
        EXPECT_EQ(PixelAt(px, t, 2, 15), on);
        EXPECT_EQ(PixelAt(px, t, 3, 0), 0u);
        EXPECT_EQ(PixelAt(px, t, 15, 15), on);  // 13 - 3 + 5 = 15
        EXPECT_EQ(PixelAt(px, t, 9, 15), 0u);
        EXPECT_EQ(PixelAt(px, t, 10, 0), on);
    }
}

TEST_F(TextTexture, NoTextureFailsAndFontFailureDrawsNothing)
{
    GxTextureText empty;
    EXPECT_FALSE(empty.DrawText(u"A", 0, 0, 16, 0xFFFFFFFF));
    EXPECT_FALSE(empty.DrawTextA("A", 0, 0, 16, 0xFFFFFFFF));

    GxTextureText t;
    Make(t, 32, 16, GXFMT_A8R8G8B8, 0x55);
    fake.failCreate = true;
    int32_t endX = -1, endY = -1;
    EXPECT_TRUE(t.DrawText(u"AB", 7, 3, 16, 0xFFFFFFFF, &endX, &endY));
    EXPECT_EQ(endX, 7);
    EXPECT_EQ(endY, 3);
    for (uint32_t p : ReadPixels(t)) ASSERT_EQ(p, 0x55u);
}

TEST_F(TextTexture, OtherFormatsAreLeftUntouched)
{
    GxTextureText t;
    Make(t, 16, 16, GXFMT_X8R8G8B8, 0xFF102030);
    int32_t endX = 0;
    EXPECT_TRUE(t.DrawText(u"A", 0, 0, 16, 0xFFFFFFFF, &endX));
    EXPECT_EQ(endX, 8);
    for (uint32_t p : ReadPixels(t)) ASSERT_EQ(p, 0xFF102030u);
}

TEST_F(TextTexture, NarrowTextConvertsAndSkipsTheFullWidthSpace)
{
    GxTextureText t;
    Make(t, 64, 16, GXFMT_A8R8G8B8, 0);
    fake.glyphs[u' '] = gxtest::FakeGlyph{2, 1, 0, gxtest::FakeRasterizer::AscentFor(16), {64, 64}};
    int32_t endX = 0;
    // "あ", a narrow space, the code page's full-width space, "A".
    ASSERT_TRUE(t.DrawTextA("\x82\xa0 \x81\x40" "A", 0, 0, 16, 0xFFFFFFFF, &endX));
    EXPECT_EQ(endX, 16 + 8 + 16 + 8);
    EXPECT_EQ(fake.outlines, (std::vector<uint32_t>{0x3042, 0x20, 0x3000, 0x41}));
    auto px = ReadPixels(t);
    EXPECT_EQ(PixelAt(px, t, 16, 0), 0xFFFFFFFFu);  // the narrow space is written
    EXPECT_EQ(PixelAt(px, t, 24, 0), 0u);                   // the full-width space is not
    EXPECT_EQ(PixelAt(px, t, 40, 0), 0xFFFFFFFFu);

    // The wide form leaves every space alone.
    GxTextureText w;
    Make(w, 64, 16, GXFMT_A8R8G8B8, 0);
    ASSERT_TRUE(w.DrawText(u" ", 0, 0, 16, 0xFFFFFFFF));
    for (uint32_t p : ReadPixels(w)) ASSERT_EQ(p, 0u);
}

TEST_F(TextTexture, WrapBreaksBeforeTheColumnLimitAndAtLineFeeds)
{
    GxTextureText t;
    Make(t, 128, 128, GXFMT_A8R8G8B8, 0);
    int32_t endX = 0, endY = 0;
    // Four columns: two full-width characters fill a line; the third starts the next one.
    ASSERT_TRUE(t.DrawTextWrap(u"あいうえ", 4, 2, 4, 16, 4, 0xFFFFFFFF, 1, 3, &endX, &endY, u'\n'));
    EXPECT_EQ(endY, 2 + 16 + 3);
    EXPECT_EQ(endX, 4 + 2 * (16 + 1));
    auto px = ReadPixels(t);
    EXPECT_EQ(PixelAt(px, t, 4, 21), 0xFFFFFFFFu);   // third character at the line start
    EXPECT_EQ(PixelAt(px, t, 21, 21), 0xFFFFFFFFu);  // fourth after one letter space
    EXPECT_EQ(PixelAt(px, t, 20, 21), 0u);
    EXPECT_EQ(PixelAt(px, t, 38, 2), 0u);            // nothing past the second on line one

    // A line feed breaks without drawing, and its width is not counted.
    fake.outlines.clear();
    ASSERT_TRUE(t.DrawTextWrap(u"AA\nAAAA", 0, 60, 0, 16, 4, 0xFFFFFFFF, 0, 0, &endX, &endY, u'\n'));
    EXPECT_EQ(fake.outlines.size(), 6u);
    EXPECT_EQ(endY, 76);
    EXPECT_EQ(endX, 32);
    // A full-width character equal to the line-feed character is drawn, not a break.
    ASSERT_TRUE(t.DrawTextWrap(u"A。A", 0, 100, 0, 16, 8, 0xFFFFFFFF, 0, 0, &endX, &endY, u'。'));
    EXPECT_EQ(endY, 100);
    EXPECT_EQ(endX, 8 + 16 + 8);
}

TEST_F(TextTexture, NarrowWrapCountsBytesAsColumns)
{
    GxTextureText t;
    Make(t, 128, 128, GXFMT_A8R8G8B8, 0);
    int32_t endX = 0, endY = 0;
    ASSERT_TRUE(t.DrawTextWrapA("A\x82\xa0" "B|C", 0, 0, 0, 16, 3, 0xFFFFFFFF, 0, 0, &endX, &endY, '|'));
    // "A" and "あ" fill three columns; "B" breaks; "|" breaks again; "C" ends the third line.
    EXPECT_EQ(endY, 32);
    EXPECT_EQ(endX, 8);
    EXPECT_EQ(fake.outlines, (std::vector<uint32_t>{0x41, 0x3042, 0x42, 0x43}));
}

TEST_F(TextTexture, BitmapGridFontCopiesCells)
{
    GxTexture sheet;
    ASSERT_TRUE(sheet.CreateTexture(u"sheet", 32, 32, GXFMT_A8R8G8B8, 1));
    // Cells of 4 x 8, four to a row, each filled with its own colour.
    for (int cell = 0; cell < 16; ++cell) {
        GxRectL r{(cell % 4) * 4, (cell / 4) * 8, (cell % 4) * 4 + 4, (cell / 4) * 8 + 8};
        ASSERT_TRUE(sheet.FillRect(&r, 0xFF000000u | static_cast<uint32_t>(cell + 1)));
    }
    GxBitmapGridFont font;
    font.texture = &sheet;
    font.firstCode = '0';
    font.lastCode = '9';
    font.cellWidth = 4;
    font.cellHeight = 8;
    font.cellsPerRow = 4;

    GxTextureText t;
    Make(t, 32, 32, GXFMT_A8R8G8B8, 0);
    int32_t endX = 0, endY = 0;
    ASSERT_TRUE(t.DrawTextBitmapFontA("05x", &font, 2, 1, &endX, &endY));
    EXPECT_EQ(endX, 2 + 12);
    EXPECT_EQ(endY, 1);
    auto px = ReadPixels(t);
    EXPECT_EQ(PixelAt(px, t, 2, 1), 0xFF000001u);   // '0': cell 0
    EXPECT_EQ(PixelAt(px, t, 6, 8), 0xFF000006u);   // '5': column 1, row 1
    EXPECT_EQ(PixelAt(px, t, 10, 1), 0xFF000001u);  // 'x' is outside: cell 0
    EXPECT_EQ(PixelAt(px, t, 14, 1), 0u);

    // The wrapped form breaks by columns and at its line-feed byte, with letter spacing.
    GxTextureText w;
    Make(w, 32, 32, GXFMT_A8R8G8B8, 0);
    ASSERT_TRUE(w.DrawTextWrapBitmapFont(u"12/3", &font, 0, 0, 0, 2, 1, 2, &endX, &endY, u'/'));
    EXPECT_EQ(endY, 10);
    EXPECT_EQ(endX, 5);
    px = ReadPixels(w);
    EXPECT_EQ(PixelAt(px, w, 5, 0), 0xFF000003u);
    EXPECT_EQ(PixelAt(px, w, 0, 10), 0xFF000004u);

    // A proportional grid font has no cell width to draw with.
    font.proportional = 1;
    ASSERT_TRUE(t.DrawTextBitmapFontA("00", &font, 20, 20, &endX, &endY));
    EXPECT_EQ(endX, 20);
    EXPECT_FALSE(t.DrawTextBitmapFontA("0", nullptr, 0, 0));
}

namespace {

// A sheet of two 8 x 8 half-width cells (size 8): glyph 0 has one pixel of level 15 at (2, 3),
// glyph 1 a row of level 9.
GxGlyphSheetFont MakeSheet()
{
    GxGlyphSheetFont f;
    f.glyphSize = 8;
    f.glyphsPerRow = 2;
    f.sheetWidth = 8;
    f.sheet.assign(8 * 8 / 2, 0);
    auto set = [&](int x, int y, uint8_t v) {
        size_t n = static_cast<size_t>(y) * 8 + x;
        f.sheet[n / 2] |= (n & 1) ? static_cast<uint8_t>(v << 4) : v;
    };
    set(2, 3, 15);
    for (int x = 4; x < 8; ++x) set(x, 0, 9);
    f.codes = {{'a', 0}, {'b', 1}, {'z', 7}};
    f.glyphCount = 2;
    return f;
}

}  // namespace

TEST_F(TextTexture, GlyphFontPlainModeWritesTheWholeCell)
{
    GxGlyphSheetFont font = MakeSheet();
    GxTextureText t;
    Make(t, 16, 16, GXFMT_A8R8G8B8, 0x77777777);
    int32_t endX = 0;
    ASSERT_TRUE(t.DrawTextGlyphFontA("abz", &font, 1, 1, 0xFF123456, &endX, nullptr, 0, 0));
    EXPECT_EQ(endX, 1 + 12);
    auto px = ReadPixels(t);
    EXPECT_EQ(PixelAt(px, t, 3, 4), 0xFF123456u);
    EXPECT_EQ(PixelAt(px, t, 1, 1), 0x00123456u);  // transparent cell pixels are written too
    EXPECT_EQ(PixelAt(px, t, 5, 1), 0x99123456u);  // glyph 1 at x 5
    EXPECT_EQ(PixelAt(px, t, 9, 1), 0x77777777u);  // 'z' has an index past the count: skipped

    GxTextureText s;
    Make(s, 16, 16, GXFMT_A4R4G4B4, 0x7777);
    ASSERT_TRUE(s.DrawTextGlyphFontA("a", &font, 0, 0, 0xFF8040C0, nullptr, nullptr, 0, 0));
    px = ReadPixels(s);
    EXPECT_EQ(PixelAt(px, s, 2, 3), 0xF84Cu);
    EXPECT_EQ(PixelAt(px, s, 0, 0), 0x084Cu);
    EXPECT_FALSE(s.DrawTextGlyphFontA("a", nullptr, 0, 0, 0, nullptr, nullptr, 0, 0));
}

TEST_F(TextTexture, GlyphFontBoldAndEdgeModesSpreadTheGlyph)
{
    GxGlyphSheetFont font = MakeSheet();
    GxTextureText t;
    Make(t, 16, 16, GXFMT_A8R8G8B8, 0);
    ASSERT_TRUE(t.DrawTextGlyphFontA("a", &font, 0, 0, 0xFFFFFFFF, nullptr, nullptr, 1, 0));
    auto px = ReadPixels(t);
    auto alpha = [&](int x, int y) { return PixelAt(px, t, x, y) >> 28; };
    EXPECT_EQ(alpha(2, 3), 15u);  // (2 x 15) / 2
    EXPECT_EQ(alpha(2, 2), 3u);   // (15 / 2) / 2
    EXPECT_EQ(alpha(1, 2), 1u);   // (15 / 4) / 2
    EXPECT_EQ(alpha(2, 5), 0u);

    GxTextureText e;
    Make(e, 16, 16, GXFMT_A8R8G8B8, 0);
    ASSERT_TRUE(e.DrawTextGlyphFontA("a", &font, 0, 0, 0xFFFFFFFF, nullptr, nullptr, 2, 0xFF0000FF));
    px = ReadPixels(e);
    EXPECT_EQ(PixelAt(px, e, 2, 3), 0xFFFFFFFFu);  // the glyph in the text colour
    EXPECT_EQ(PixelAt(px, e, 1, 2), 0x330000FFu);  // the rim in the edge colour, t = (15 / 2) / 2
    EXPECT_EQ(PixelAt(px, e, 2, 5), 0x330000FFu);  // two steps away on an axis
    EXPECT_EQ(PixelAt(px, e, 0, 3), 0x330000FFu);
    EXPECT_EQ(PixelAt(px, e, 0, 1), 0x000000FFu);

    GxTextureText s;
    Make(s, 16, 16, GXFMT_A4R4G4B4, 0);
    ASSERT_TRUE(s.DrawTextGlyphFontA("a", &font, 0, 0, 0xFFFFFFFF, nullptr, nullptr, 2, 0xFF0000FF));
    px = ReadPixels(s);
    EXPECT_EQ(PixelAt(px, s, 2, 3), 0xFFFFu);
    EXPECT_EQ(PixelAt(px, s, 1, 2), 0x300Fu);
}

TEST_F(TextTexture, ResizeBufferOnlyGrows)
{
    GxTextureText t;
    EXPECT_EQ(t.GetBufferSize(), 8192u);
    EXPECT_TRUE(t.ResizeBuffer(100));
    EXPECT_EQ(t.GetBufferSize(), 8192u);
    EXPECT_TRUE(t.ResizeBuffer(10000));
    EXPECT_EQ(t.GetBufferSize(), 10000u);
}
