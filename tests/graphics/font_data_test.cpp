// The bitmap font: grid tables, ".fmp" maps read from bytes (sizes, refusals, fields), loading a
// map with its picture, widths and texture coordinates, and the font globals.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <filesystem>

#include "tests/support/GxFakeGlyphRasterizer.h"
#include "graphics/GxFontData.h"
#include "graphics/GxFontGlobals.h"
#include "graphics_test_support.h"

namespace {

class FontData : public gxtest::TextDeviceTest
{
protected:
    gxtest::LogFolder logs;
};

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v)
{
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

// A ".fmp" map: entry i of first..last at (2 i, 16 (i % 3)) and 3 + i % 5 wide.
std::vector<uint8_t> MakeMap(uint32_t first, uint32_t last, uint32_t cellWidth, uint32_t cellHeight,
                             std::u16string_view name)
{
    uint32_t n = last - first + 1;
    std::vector<uint8_t> b(GX_FMP_HEADER_SIZE + 8 * n, 0xEE);
    for (size_t i = 0; i < GX_FMP_HEADER_SIZE; ++i) b[i] = 0;
    Put32(b, 16, first);
    Put32(b, 20, last);
    Put32(b, 40, cellWidth);
    Put32(b, 44, cellHeight);
    Put32(b, 52, 256);
    Put32(b, 56, 128);
    for (size_t i = 0; i < name.size() && i < 16; ++i) Put16(b, 64 + 2 * i, name[i]);
    for (uint32_t i = 0; i < n; ++i) {
        size_t at = GX_FMP_HEADER_SIZE + 8 * i;
        Put16(b, at, static_cast<uint16_t>(2 * i));
        Put16(b, at + 2, static_cast<uint16_t>(16 * (i % 3)));
        Put16(b, at + 4, static_cast<uint16_t>(3 + i % 5));
    }
    return b;
}

void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

void WritePng(const std::filesystem::path& path, uint32_t w, uint32_t h)
{
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<uint8_t> row(static_cast<size_t>(w) * 4, 0xFF);
    for (uint32_t y = 0; y < h; ++y) png_write_row(png, row.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    fclose(f);
}

}  // namespace

TEST_F(FontData, GridTablePlacesCellsRowByRow)
{
    GxFontData font;
    // FONT8NUM: 0x20..0x39, 8 x 16 cells, 7 to a row; its picture is missing, which the grid
    // creation does not report.
    EXPECT_TRUE(font.CreateFromGrid(u"FONT8NUM", u"fonts/FONT8NUM.png", 0x20, 0x39, 8, 16, 7));
    const GxFontGlyphEntry* nine = font.GetGlyphEntry(0x39);
    ASSERT_NE(nine, nullptr);
    EXPECT_EQ(nine->left, 32);
    EXPECT_EQ(nine->top, 48);
    EXPECT_EQ(nine->width, 8);
    EXPECT_EQ(font.GetGlyphEntry(0x20)->left, 0);
    EXPECT_EQ(font.GetGlyphEntry(0x20)->top, 0);
    EXPECT_FALSE(font.HasGlyph(0x41));
    EXPECT_EQ(font.GetGlyphWidth(0x41), 8);
    float uv[4] = {1, 1, 1, 1};
    EXPECT_FALSE(font.GetGlyphUV(uv, 0x41));
    EXPECT_EQ(uv[0], 0.0f);
    EXPECT_EQ(uv[1], 0.0f);
    EXPECT_EQ(uv[2], 0.0f);
    EXPECT_EQ(uv[3], 0.0f);
    EXPECT_EQ(font.GetHeight(), 16);
    EXPECT_EQ(font.GetFontName(), u"FONT8NUM");
    EXPECT_EQ(font.GetD3DTexture(), nullptr);
    EXPECT_EQ(font.GetStringWidth(u""), 0);
    EXPECT_EQ(font.GetStringWidth(u"12A"), 24);
}

TEST_F(FontData, MapIsReadFromItsBytes)
{
    GxFontData font;
    // 0x20..0x7E needs 96 + 95 x 8 = 856 bytes.
    std::vector<uint8_t> map = MakeMap(0x20, 0x7E, 12, 24, u"AVeryLongFontNameOver15");
    ASSERT_EQ(map.size(), 856u);
    ASSERT_TRUE(font.ReadCharacterMap(map.data(), map.size()));
    EXPECT_EQ(font.GetFirstCode(), 0x20u);
    EXPECT_EQ(font.GetLastCode(), 0x7Eu);
    EXPECT_EQ(font.GetCellWidth(), 12u);
    EXPECT_EQ(font.GetHeight(), 24);
    EXPECT_EQ(font.GetPictureWidth(), 256u);
    EXPECT_EQ(font.GetPictureHeight(), 128u);
    EXPECT_EQ(font.GetFontName(), u"AVeryLongFontNa");
    const GxFontGlyphEntry* e = font.GetGlyphEntry(0x20 + 7);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->left, 14);
    EXPECT_EQ(e->top, 16);
    EXPECT_EQ(e->width, 5);
    EXPECT_EQ(font.GetGlyphWidth(0x7E), 3 + 94 % 5);
    EXPECT_EQ(font.GetGlyphWidth(0x3042), 12);  // outside: the cell width
    EXPECT_EQ(font.GetStringWidth(u"!!\u3042"), 2 * 4 + 12);
}

// Widths come from the file: a sum beyond the integer range saturates.
TEST_F(FontData, StringWidthSaturates)
{
    GxFontData font;
    std::vector<uint8_t> map = MakeMap(0x20, 0x7E, 0x7FFFFFFF, 24, u"F");
    ASSERT_TRUE(font.ReadCharacterMap(map.data(), map.size()));
    ASSERT_EQ(font.GetGlyphWidth(0x3042), INT32_MAX);  // outside the map: the cell width
    EXPECT_EQ(font.GetStringWidth(u"\u3042"), INT32_MAX);
    EXPECT_EQ(font.GetStringWidth(u"\u3042\u3042\u3042"), INT32_MAX);
}

TEST_F(FontData, ShortOrInvertedMapsAreRefused)
{
    GxFontData font;
    std::vector<uint8_t> map = MakeMap(0x20, 0x7E, 12, 24, u"F");
    // One byte short of the table, the header alone, less than the header, nothing.
    for (size_t size : {map.size() - 1, size_t{96}, size_t{95}, size_t{0}}) {
        EXPECT_FALSE(font.ReadCharacterMap(map.data(), size)) << size;
        EXPECT_FALSE(font.HasGlyph(0x20));
        EXPECT_FALSE(font.HasGlyph(0));
        EXPECT_EQ(font.GetGlyphWidth(0x20), 0);
    }
    std::vector<uint8_t> inverted = map;
    Put32(inverted, 16, 0x7E);
    Put32(inverted, 20, 0x20);
    EXPECT_FALSE(font.ReadCharacterMap(inverted.data(), inverted.size()));
    // A range whose count wraps 32 bits cannot slip past the size check.
    Put32(inverted, 16, 0);
    Put32(inverted, 20, 0xFFFFFFFF);
    EXPECT_FALSE(font.ReadCharacterMap(inverted.data(), inverted.size()));
    // A single-code map and extra bytes after the table are fine.
    std::vector<uint8_t> one = MakeMap(0x41, 0x41, 8, 8, u"");
    one.push_back(0);
    EXPECT_TRUE(font.ReadCharacterMap(one.data(), one.size()));
    EXPECT_TRUE(font.HasGlyph(0x41));
    EXPECT_FALSE(font.HasGlyph(0x42));
}

TEST_F(FontData, CreateFromFileLoadsMapAndPicture)
{
    std::filesystem::path dir = logs.dir;
    WriteFile(dir / "msg.fmp", MakeMap(0x20, 0x7E, 12, 16, u"msg"));
    WriteFile(dir / "short.fmp", std::vector<uint8_t>(100, 0));
    WritePng(dir / "msg.png", 256, 128);
    auto path = [&](const char* name) { return GxUtf8ToWide((dir / name).string()); };

    GxFontData font;
    ASSERT_TRUE(font.CreateFromFile(path("msg.fmp"), path("msg.png")));
    ASSERT_NE(font.GetD3DTexture(), nullptr);
    EXPECT_TRUE(font.HasGlyph(0x41));
    // Entry 1 lies at (2, 16): on a 256 x 128 picture its bottom is (16 + 16) / 128.
    float uv[4];
    ASSERT_TRUE(font.GetGlyphUV(uv, 0x21));
    EXPECT_FLOAT_EQ(uv[0], 2.0f / 256);
    EXPECT_FLOAT_EQ(uv[1], 16.0f / 128);
    EXPECT_FLOAT_EQ(uv[2], (2.0f + 4) / 256);
    EXPECT_FLOAT_EQ(uv[3], 0.25f);

    // A refused map, a missing map and a missing picture all fail, naming the map, and leave
    // the font empty.
    GxResetErrorCount();
    EXPECT_FALSE(font.CreateFromFile(path("short.fmp"), path("msg.png")));
    EXPECT_FALSE(font.HasGlyph(0x41));
    EXPECT_EQ(font.GetD3DTexture(), nullptr);
    EXPECT_FALSE(font.CreateFromFile(path("none.fmp"), path("msg.png")));
    EXPECT_FALSE(font.CreateFromFile(path("msg.fmp"), path("none.png")));
    EXPECT_FALSE(font.HasGlyph(0x41));
    std::u16string log = logs.Error();
    for (const char* name : {"short.fmp", "none.fmp", "msg.fmp"}) {
        std::u16string line = u"Error/GxFontData CreateFromFile Failed(Name:\"" + path(name) + u"\")";
        EXPECT_NE(log.find(line), std::u16string::npos) << name;
    }
}

TEST_F(FontData, GlobalsHoldSixAtlasesEightFontsAndTheMessageWindowFont)
{
    EXPECT_NE(GxGetGDIFontMap(0), nullptr);
    EXPECT_NE(GxGetGDIFontMap(5), nullptr);
    EXPECT_EQ(GxGetGDIFontMap(6), nullptr);
    EXPECT_EQ(GxGetGDIFontMap(-1), nullptr);
    EXPECT_NE(GxGetFontData(7), nullptr);
    EXPECT_EQ(GxGetFontData(8), nullptr);

    std::filesystem::path dir = logs.dir;
    WriteFile(dir / "builtin.fmp", MakeMap(0x20, 0x7E, 12, 16, u"builtin"));
    WritePng(dir / "builtin.png", 64, 64);
    WritePng(dir / "FONT16SYS.png", 128, 128);
    std::u16string folder = GxUtf8ToWide(dir.string()) + u"/";
    const int32_t sizes[GX_GDIFONTMAP_COUNT] = {12, 16, 20, 24, 28, 80};
    GxLoadGlobalFonts(folder, sizes, u"builtin");

    EXPECT_EQ(GxGetFontData(0)->GetFontName(), u"FONT16SYS");
    EXPECT_NE(GxGetFontData(0)->GetD3DTexture(), nullptr);
    EXPECT_EQ(GxGetFontData(0)->GetPictureWidth(), 128u);
    EXPECT_EQ(GxGetFontData(1)->GetFontName(), u"FONT8NUM");
    EXPECT_EQ(GxGetFontData(1)->GetGlyphEntry(0x39)->top, 48);
    EXPECT_EQ(GxGetFontData(2)->GetCellWidth(), 22u);
    EXPECT_EQ(GxGetFontData(2)->GetGlyphEntry(0x39)->left, 88);  // index 9: column 4
    EXPECT_FALSE(GxGetFontData(3)->HasGlyph(0x20));
    for (int k = 0; k < GX_GDIFONTMAP_COUNT; ++k) {
        EXPECT_EQ(GxGetGDIFontMap(k)->GetFontSize(), sizes[k]);
        EXPECT_EQ(GxGetGDIFontMap(k)->GetFaceName(), u"ＭＳ ゴシック");
    }
    EXPECT_TRUE(GxGetMessageWindowFontData().HasGlyph(0x41));
    GxGetGDIFontMap(1)->GetGlyph(u'A');
    EXPECT_EQ(GxGetGDIFontMap(1)->GetPageCount(), 1u);

    GxUnloadGlobalFonts();
    EXPECT_EQ(GxGetGDIFontMap(1)->GetPageCount(), 0u);
    EXPECT_EQ(GxGetGDIFontMap(1)->GetFontSize(), 16);
    EXPECT_FALSE(GxGetFontData(0)->HasGlyph(0x41));
    EXPECT_EQ(GxGetFontData(0)->GetD3DTexture(), nullptr);
    EXPECT_FALSE(GxGetMessageWindowFontData().HasGlyph(0x41));
}
