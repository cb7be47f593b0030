// The text layout texture over a fake rasteriser: DrawNext's counts, wrapping at the layout
// rectangle, line feeds, spacing, appending, colour commands, the three font kinds, ClearAll.
#include <gtest/gtest.h>

#include "tests/support/GxFakeGlyphRasterizer.h"
#include "graphics/GxTextureTextEx.h"

using gxtest::PixelAt;
using gxtest::ReadPixels;

namespace {

class TextLayout : public gxtest::TextDeviceTest
{
protected:
    void Make(GxTextureTextEx& t, uint32_t w, uint32_t h, GxFormat format = GXFMT_A8R8G8B8)
    {
        ASSERT_TRUE(t.CreateTexture(u"layout", w, h, format, 1));
        ASSERT_TRUE(t.Fill(0));
    }
    std::pair<int32_t, int32_t> Pen(GxTextureTextEx& t)
    {
        int32_t x = 0, y = 0;
        t.GetPenPos(&x, &y);
        return {x, y};
    }
};

}  // namespace

TEST_F(TextLayout, CreationSetsTheLayoutToTheWholeTexture)
{
    GxTextureTextEx t;
    EXPECT_EQ(t.GetLayoutRect(), (GxRectL{0, 0, 0, 0}));
    Make(t, 300, 100);
    EXPECT_EQ(t.GetLayoutRect(), (GxRectL{0, 0, 512, 128}));
    GxRectL r{10, 20, 200, 90};
    t.SetLayoutRect(&r);
    EXPECT_EQ(Pen(t), std::make_pair(10, 20));
    t.SetLayoutRect(nullptr);
    EXPECT_EQ(t.GetLayoutRect(), (GxRectL{0, 0, 512, 128}));
    EXPECT_EQ(Pen(t), std::make_pair(0, 0));
    // The narrow-name creation goes the same way.
    GxTextureTextEx n;
    ASSERT_TRUE(n.CreateTextureA("narrow", 64, 32, GXFMT_A8R8G8B8, 1));
    EXPECT_EQ(n.GetLayoutRect(), (GxRectL{0, 0, 64, 32}));
}

TEST_F(TextLayout, DrawNextCountsCharactersAndDrawAllFinishes)
{
    GxTextureTextEx t;
    Make(t, 512, 64);
    t.SetText(u"0123456789");
    EXPECT_EQ(t.DrawNext(0), 10u);
    EXPECT_TRUE(fake.outlines.empty());
    EXPECT_EQ(t.DrawNext(3), 7u);
    EXPECT_EQ(fake.outlines.size(), 3u);
    EXPECT_EQ(Pen(t), std::make_pair(24, 0));
    EXPECT_EQ(t.DrawAll(), 0u);
    EXPECT_EQ(fake.outlines.size(), 10u);
    EXPECT_EQ(t.DrawNext(5), 0u);
    EXPECT_EQ(Pen(t), std::make_pair(80, 0));

    // Appending while half drawn goes on from the same place.
    t.SetText(u"abcd");
    t.SetPenPos(0, 20);
    EXPECT_EQ(t.DrawNext(2), 2u);
    t.AppendText(u"ef");
    EXPECT_EQ(t.GetProgress(), 2u);
    EXPECT_EQ(t.DrawNext(10), 0u);
    EXPECT_EQ(Pen(t), std::make_pair(48, 20));
    EXPECT_EQ(fake.outlines.size(), 16u);
    EXPECT_EQ(fake.outlines.back(), u'f');
}

TEST_F(TextLayout, NinthFullWidthCharacterWraps)
{
    GxTextureTextEx t;
    Make(t, 256, 256);
    t.SetFontSize(32);
    t.SetText(u"あいうえおかきくけ");
    EXPECT_EQ(t.DrawNext(8), 1u);
    EXPECT_EQ(Pen(t), std::make_pair(256, 0));  // 8 x 32 fits exactly
    EXPECT_EQ(t.DrawNext(1), 0u);
    EXPECT_EQ(Pen(t), std::make_pair(32, 32));
    auto px = ReadPixels(t);
    EXPECT_EQ(PixelAt(px, t, 0, 32), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(px, t, 255, 0), 0xFFFFFFFFu);
    EXPECT_EQ(fake.fonts.back().Height, 32);

    // Letter spacing counts against the right edge too.
    GxTextureTextEx s;
    Make(s, 256, 256);
    s.SetFontSize(32);
    s.SetSpacing(1, 5);
    s.SetText(u"あいうえおかきく");
    s.DrawAll();
    EXPECT_EQ(Pen(s), std::make_pair(33, 37));  // the eighth went to the next line
}

TEST_F(TextLayout, LineFeedsMoveThePenWithoutUsingTheCount)
{
    GxTextureTextEx t;
    Make(t, 256, 128);
    GxRectL r{8, 4, 200, 120};
    t.SetLayoutRect(&r);
    t.SetSpacing(0, 4);
    t.SetText(u"\nAB\nC");
    EXPECT_EQ(t.DrawNext(1), 3u);
    EXPECT_EQ(Pen(t), std::make_pair(16, 4 + 16 + 4));
    EXPECT_EQ(fake.outlines, (std::vector<uint32_t>{u'A'}));
    EXPECT_EQ(t.DrawNext(2), 0u);
    EXPECT_EQ(Pen(t), std::make_pair(16, 4 + 2 * 20));

    // Another line-feed character.
    t.SetControlChars(u'|', 1, 1);
    t.SetPenPos(8, 4);
    t.SetText(u"A|B\nC");
    t.DrawAll();
    EXPECT_EQ(fake.outlines.back(), u'C');
    EXPECT_EQ(Pen(t), std::make_pair(8 + 24, 24));  // "\n" is drawn as a character now
}

TEST_F(TextLayout, ColourCommandsChangeTheFollowingText)
{
    GxTextureTextEx t;
    Make(t, 256, 64);
    t.SetTextColor(0xFF808080);
    t.SetText(u"A\x01" u"3\x01" u"B\x01" u"-\x01" u"C\x01" u"6\x01" u"D");
    EXPECT_EQ(t.DrawNextWithCommands(2), 8u);  // A, the command, B
    EXPECT_EQ(t.GetCurrentColor(), 0xFFFF0000u);
    t.DrawAllWithCommands();
    EXPECT_EQ(fake.outlines, (std::vector<uint32_t>{u'A', u'B', u'C', u'D'}));
    EXPECT_EQ(Pen(t), std::make_pair(32, 0));
    auto px = ReadPixels(t);
    EXPECT_EQ(PixelAt(px, t, 0, 0), 0xFF808080u);
    EXPECT_EQ(PixelAt(px, t, 8, 0), 0xFFFF0000u);   // red after "\x01" "3" "\x01"
    EXPECT_EQ(PixelAt(px, t, 16, 0), 0xFF808080u);  // "-" restores the default
    EXPECT_EQ(PixelAt(px, t, 24, 0), 0xFFFFFF00u);  // yellow

    // Each digit names a colour; other characters leave it.
    const std::pair<char16_t, GxColor> table[] = {
        {u'0', 0xFF000000}, {u'1', 0xFF0000FF}, {u'2', 0xFF00FF00}, {u'3', 0xFFFF0000}, {u'4', 0xFF00FFFF},
        {u'5', 0xFFFF00FF}, {u'6', 0xFFFFFF00}, {u'7', 0xFFFFFFFF}, {u'x', 0xFFFFFFFF}, {u'-', 0xFF808080},
    };
    for (auto [c, colour] : table) {
        std::u16string command = {c, u'\x01', u'Z'};
        EXPECT_EQ(GxTextureTextEx::DefaultCommandHandler(&t, command, u'\x01', 0), 2u);
        EXPECT_EQ(t.GetCurrentColor(), colour) << char(c);
    }
    // An unterminated command runs to the end of the text.
    EXPECT_EQ(GxTextureTextEx::DefaultCommandHandler(&t, u"12", u'\x01', 0), 2u);
    EXPECT_EQ(t.GetCurrentColor(), 0xFF00FF00u);

    // A handler that claims more than is left ends the text instead of running past it.
    t.SetCommandHandler([](GxTextureTextEx*, std::u16string_view, char16_t, int32_t) { return 100u; });
    t.SetText(u"\x01" u"AB");
    EXPECT_EQ(t.DrawNextWithCommands(5), 0u);
    // Without commands the start character is just a character.
    t.SetText(u"\x01" u"A");
    fake.outlines.clear();
    t.DrawAll();
    EXPECT_EQ(fake.outlines, (std::vector<uint32_t>{1, u'A'}));
}

TEST_F(TextLayout, BitmapAndGlyphFontKindsMeasureByTheirFont)
{
    GxTexture sheet;
    ASSERT_TRUE(sheet.CreateTexture(u"sheet", 64, 128, GXFMT_A8R8G8B8, 1));
    ASSERT_TRUE(sheet.Fill(0xFF00FF00));
    GxBitmapGridFont grid;
    grid.texture = &sheet;
    grid.cellWidth = 6;
    grid.cellHeight = 10;
    grid.cellsPerRow = 8;

    GxTextureTextEx t;
    Make(t, 64, 64);
    GxRectL r{0, 0, 20, 64};
    t.SetLayoutRect(&r);
    t.SetBitmapFont(&grid);
    EXPECT_EQ(t.GetFontKind(), GXTEXTFONT_BITMAP);
    t.SetText(u"abcd");
    t.DrawAll();
    EXPECT_EQ(Pen(t), std::make_pair(6, 10));  // three 6-wide cells fit in 20
    auto px = ReadPixels(t);
    EXPECT_EQ(PixelAt(px, t, 17, 9), 0xFF00FF00u);
    EXPECT_EQ(PixelAt(px, t, 18, 0), 0u);
    EXPECT_EQ(PixelAt(px, t, 5, 19), 0xFF00FF00u);

    GxGlyphSheetFont glyphs;
    glyphs.glyphSize = 12;
    glyphs.glyphsPerRow = 4;
    glyphs.sheetWidth = 24;
    glyphs.sheet.assign(24 * 12 / 2, 0xFF);
    glyphs.codes = {{'A', 0}};
    glyphs.glyphCount = 1;
    t.SetGlyphFont(&glyphs, 0);
    t.SetTextColor(0xFF0000FF);
    t.SetPenPos(0, 30);
    t.SetText(u"AA\x3042");
    t.DrawAll();
    EXPECT_EQ(Pen(t), std::make_pair(12, 42));  // 6 + 6, then a 12-wide character wraps
    px = ReadPixels(t);
    EXPECT_EQ(PixelAt(px, t, 11, 41), 0xFF0000FFu);

    t.SetFontSize(20);
    EXPECT_EQ(t.GetFontKind(), GXTEXTFONT_GDI);
    // A kind without its font draws nothing but still walks the text.
    t.SetBitmapFont(nullptr);
    t.SetText(u"xyz");
    EXPECT_EQ(t.DrawNext(2), 1u);
}

TEST_F(TextLayout, ClearAllClearsTheRectangleColumnsDownToTheBottom)
{
    GxTextureTextEx t;
    Make(t, 64, 128);
    ASSERT_TRUE(t.Fill(0xFFFFFFFF));
    GxRectL r{8, 8, 40, 40};
    t.SetLayoutRect(&r);
    t.SetText(u"abc");
    t.SetPenPos(30, 30);
    t.ClearAll();
    EXPECT_EQ(t.GetText(), u"");
    EXPECT_EQ(t.GetProgress(), 0u);
    EXPECT_EQ(Pen(t), std::make_pair(8, 8));
    auto px = ReadPixels(t);
    EXPECT_EQ(PixelAt(px, t, 8, 8), 0u);
    EXPECT_EQ(PixelAt(px, t, 39, 127), 0u);  // below the texture's width, down to its bottom
    EXPECT_EQ(PixelAt(px, t, 39, 70), 0u);
    EXPECT_EQ(PixelAt(px, t, 40, 8), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(px, t, 7, 100), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(px, t, 20, 7), 0xFFFFFFFFu);

    t.ClearAndDrawStringAt(u"Q", 10, 10);
    EXPECT_EQ(Pen(t), std::make_pair(18, 10));
    EXPECT_EQ(fake.outlines.back(), u'Q');
}
