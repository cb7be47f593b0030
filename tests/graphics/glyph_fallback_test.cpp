// The FreeType rasteriser's faces on a desktop without the Japanese font: fontconfig is given
// the test's own configuration (FONTCONFIG_FILE) over TrueType fonts the test writes, and the
// engine's glyph atlas draws through the rasteriser that start-up uses. A face without Japanese
// draws its Latin at the text's size (also when its Windows extent is many ems, as a math
// face's is), a character it lacks comes from a face that has it at the same em, one that no
// face has is the face's missing-glyph box, and error.log says once which face stands in.
//
// fontconfig reads its configuration once per process, so each case runs in a process of its
// own (a death test of the thread-safe style: the test program started again for that case).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "core/GxLog.h"
#include "core/GxString.h"
#include "graphics/GxGDIFontMap.h"
#include "platform/GxGlyphRasterizer.h"
#include "tests/support/GxFakeGlyphRasterizer.h"

namespace glyph_fallback {

namespace fs = std::filesystem;

// ---- a TrueType font of straight-edged glyphs --------------------------------------------------

struct Point
{
    int x, y;
};
using Contour = std::vector<Point>;

// A filled rectangle (clockwise, y up), or a hole in one (counter-clockwise).
Contour Rect(int x0, int y0, int x1, int y1, bool hole = false)
{
    if (hole) return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    return {{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}};
}

struct Glyph
{
    char32_t ch = 0;  // 0: the missing-glyph box (glyph 0)
    int advance = 500;
    std::vector<Contour> contours;
};

struct FontSpec
{
    std::string family;
    bool bold = false;
    int unitsPerEm = 1000;
    int hheaAscent = 800, hheaDescent = 200;
    int winAscent = 800, winDescent = 200;
    std::vector<Glyph> glyphs;  // the first is glyph 0
};

class Bytes
{
public:
    std::vector<uint8_t> b;
    void U8(unsigned v) { b.push_back(static_cast<uint8_t>(v)); }
    void U16(unsigned v) { U8(v >> 8), U8(v); }
    void S16(int v) { U16(static_cast<unsigned>(v) & 0xFFFFu); }
    void U32(uint32_t v) { U16(v >> 16), U16(v & 0xFFFFu); }
    void Zeros(size_t n) { b.insert(b.end(), n, 0); }
    void Pad4() { while (b.size() % 4) U8(0); }
    void Append(const Bytes& o) { b.insert(b.end(), o.b.begin(), o.b.end()); }
    size_t size() const { return b.size(); }
};

std::vector<uint8_t> WriteTrueType(const FontSpec& f)
{
    const auto glyphCount = static_cast<unsigned>(f.glyphs.size());
    int xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    unsigned maxPoints = 0, maxContours = 0;
    int maxAdvance = 0;
    Bytes glyf, loca, hmtx;
    for (const Glyph& g : f.glyphs) {
        loca.U32(static_cast<uint32_t>(glyf.size()));
        hmtx.U16(static_cast<unsigned>(g.advance));
        maxAdvance = std::max(maxAdvance, g.advance);
        if (g.contours.empty()) {
            hmtx.S16(0);
            continue;
        }
        int gx0 = 1 << 20, gy0 = 1 << 20, gx1 = -(1 << 20), gy1 = -(1 << 20);
        unsigned points = 0;
        for (const Contour& c : g.contours)
            for (const Point& p : c) {
                gx0 = std::min(gx0, p.x), gy0 = std::min(gy0, p.y), gx1 = std::max(gx1, p.x), gy1 = std::max(gy1, p.y);
                ++points;
            }
        hmtx.S16(gx0);
        xMin = std::min(xMin, gx0), yMin = std::min(yMin, gy0), xMax = std::max(xMax, gx1), yMax = std::max(yMax, gy1);
        maxPoints = std::max(maxPoints, points);
        maxContours = std::max(maxContours, static_cast<unsigned>(g.contours.size()));
        glyf.S16(static_cast<int>(g.contours.size()));
        glyf.S16(gx0), glyf.S16(gy0), glyf.S16(gx1), glyf.S16(gy1);
        unsigned end = 0;
        for (const Contour& c : g.contours) glyf.U16((end += static_cast<unsigned>(c.size())) - 1);
        glyf.U16(0);  // no instructions
        for (unsigned i = 0; i < points; ++i) glyf.U8(0x01);  // on the curve, 16-bit deltas
        for (int axis = 0; axis < 2; ++axis) {
            int last = 0;
            for (const Contour& c : g.contours)
                for (const Point& p : c) {
                    const int v = axis == 0 ? p.x : p.y;
                    glyf.S16(v - last);
                    last = v;
                }
        }
        glyf.Pad4();
    }
    loca.U32(static_cast<uint32_t>(glyf.size()));

    // cmap: format 4, one segment per character.
    std::map<char32_t, unsigned> mapped;
    for (unsigned i = 0; i < glyphCount; ++i)
        if (f.glyphs[i].ch) mapped[f.glyphs[i].ch] = i;
    const unsigned segments = static_cast<unsigned>(mapped.size()) + 1;
    unsigned searchRange = 1, selector = 0;
    while (searchRange * 2 <= segments) searchRange *= 2, ++selector;
    Bytes sub;
    sub.U16(4), sub.U16(16 + 8 * segments), sub.U16(0);
    sub.U16(segments * 2), sub.U16(searchRange * 2), sub.U16(selector), sub.U16(segments * 2 - searchRange * 2);
    for (auto [ch, g] : mapped) sub.U16(ch);
    sub.U16(0xFFFF), sub.U16(0);
    for (auto [ch, g] : mapped) sub.U16(ch);
    sub.U16(0xFFFF);
    for (auto [ch, g] : mapped) sub.U16((g - ch) & 0xFFFFu);
    sub.U16(1);
    for (unsigned i = 0; i < segments; ++i) sub.U16(0);
    Bytes cmap;
    cmap.U16(0), cmap.U16(1), cmap.U16(3), cmap.U16(1), cmap.U32(12);
    cmap.Append(sub);

    Bytes head;
    head.U32(0x00010000), head.U32(0x00010000), head.U32(0), head.U32(0x5F0F3CF5);
    head.U16(0x0003), head.U16(static_cast<unsigned>(f.unitsPerEm));
    head.Zeros(16);  // created, modified
    head.S16(xMin), head.S16(yMin), head.S16(xMax), head.S16(yMax);
    head.U16(f.bold ? 1 : 0), head.U16(8), head.S16(2), head.S16(1), head.S16(0);

    Bytes hhea;
    hhea.U32(0x00010000), hhea.S16(f.hheaAscent), hhea.S16(-f.hheaDescent), hhea.S16(0);
    hhea.U16(static_cast<unsigned>(maxAdvance)), hhea.S16(0), hhea.S16(0), hhea.S16(xMax);
    hhea.S16(1), hhea.S16(0), hhea.S16(0), hhea.Zeros(8), hhea.S16(0), hhea.U16(glyphCount);

    Bytes maxp;
    maxp.U32(0x00010000), maxp.U16(glyphCount), maxp.U16(maxPoints), maxp.U16(maxContours);
    maxp.U16(0), maxp.U16(0), maxp.U16(2);
    maxp.Zeros(18);

    Bytes os2;
    os2.U16(1), os2.S16(500), os2.U16(f.bold ? 700 : 400), os2.U16(5), os2.U16(0);
    os2.Zeros(20), os2.S16(0), os2.Zeros(10), os2.Zeros(16);
    os2.U8('G'), os2.U8('x'), os2.U8('T'), os2.U8('s');
    os2.U16(f.bold ? 0x20 : 0x40), os2.U16(mapped.empty() ? 0 : std::min<unsigned>(mapped.begin()->first, 0xFFFF));
    os2.U16(mapped.empty() ? 0 : std::min<unsigned>(mapped.rbegin()->first, 0xFFFF));
    os2.S16(f.hheaAscent), os2.S16(-f.hheaDescent), os2.S16(0);
    os2.U16(static_cast<unsigned>(f.winAscent)), os2.U16(static_cast<unsigned>(f.winDescent));
    os2.U32(0), os2.U32(0);

    const std::string style = f.bold ? "Bold" : "Regular";
    const std::vector<std::pair<unsigned, std::string>> names = {
        {1, f.family}, {2, style}, {4, f.family + " " + style}, {6, "GxTest-" + style}};
    Bytes name, strings;
    name.U16(0), name.U16(static_cast<unsigned>(names.size())), name.U16(6 + 12 * static_cast<unsigned>(names.size()));
    for (const auto& [id, text] : names) {
        name.U16(3), name.U16(1), name.U16(0x409), name.U16(id);
        name.U16(static_cast<unsigned>(text.size() * 2)), name.U16(static_cast<unsigned>(strings.size()));
        for (char c : text) strings.U16(static_cast<unsigned char>(c));
    }
    name.Append(strings);

    Bytes post;
    post.U32(0x00030000), post.U32(0), post.S16(-100), post.S16(50), post.Zeros(20);

    // Tables in the order of their tags.
    const std::vector<std::pair<std::string, Bytes*>> tables = {
        {"OS/2", &os2}, {"cmap", &cmap}, {"glyf", &glyf}, {"head", &head}, {"hhea", &hhea},
        {"hmtx", &hmtx}, {"loca", &loca}, {"maxp", &maxp}, {"name", &name}, {"post", &post}};
    const auto count = static_cast<unsigned>(tables.size());
    unsigned range = 1, shift = 0;
    while (range * 2 <= count) range *= 2, ++shift;
    Bytes out;
    out.U32(0x00010000), out.U16(count), out.U16(range * 16), out.U16(shift), out.U16(count * 16 - range * 16);
    uint32_t offset = 12 + 16 * count;
    for (auto& [tag, table] : tables) {
        const size_t length = table->size();
        table->Pad4();
        uint32_t sum = 0;
        for (size_t i = 0; i < table->size(); i += 4)
            sum += static_cast<uint32_t>(table->b[i]) << 24 | table->b[i + 1] << 16 | table->b[i + 2] << 8 | table->b[i + 3];
        for (char c : tag) out.U8(static_cast<unsigned char>(c));
        out.U32(sum), out.U32(offset), out.U32(static_cast<uint32_t>(length));
        offset += static_cast<uint32_t>(table->size());
    }
    for (auto& [tag, table] : tables) out.Append(*table);
    return out.b;
}

// ---- the fonts ------------------------------------------------------------------------------

// Glyph 0 of every test face: a hollow box (60 units of stroke) of 50..450 x 0..700.
Glyph MissingBox()
{
    return {0, 500, {Rect(50, 0, 450, 700), Rect(110, 60, 390, 640, true)}};
}

// Latin only, with a Windows extent of over four ems as a math face has (its typographic line
// is one em): 'A' and 'x' are solid blocks, 'A' 100..400 x 0..700.
FontSpec LatinFace()
{
    FontSpec f;
    f.family = "GxTest Sans";
    f.winAscent = 2400;
    f.winDescent = 1860;
    f.glyphs = {MissingBox(), {U' ', 500, {}}, {U'A', 500, {Rect(100, 0, 400, 700)}},
                {U'x', 500, {Rect(100, 0, 400, 500)}}};
    return f;
}

// A bold face with a snowman (a solid block 100..900 x -100..800) and a thin 'A' that must not
// stand in for the Latin face's own; its cell is one and a half ems.
FontSpec SymbolFace()
{
    FontSpec f;
    f.family = "GxTest Symbols";
    f.bold = true;
    f.winAscent = 1100;
    f.winDescent = 400;
    f.glyphs = {MissingBox(), {U'\u2603', 1000, {Rect(100, -100, 900, 800)}}, {U'A', 500, {Rect(200, 0, 260, 700)}}};
    return f;
}

// A face with kana only: 'あ' a solid block 100..900 x 0..800.
FontSpec KanaFace()
{
    FontSpec f;
    f.family = "GxTest Kana";
    f.glyphs = {MissingBox(), {U'\u3042', 1000, {Rect(100, 0, 900, 800)}}};
    return f;
}

// Writes the fonts and a configuration that lists only their folder, and points fontconfig at it.
class FontFolder
{
public:
    explicit FontFolder(const std::vector<FontSpec>& fonts)
    {
        const char* tmp = std::getenv("TEST_TMPDIR");
        m_Dir = fs::path(tmp ? tmp : "/tmp") / "glyph_fallback";
        fs::remove_all(m_Dir);
        fs::create_directories(m_Dir / "fonts");
        int i = 0;
        for (const FontSpec& f : fonts) {
            std::vector<uint8_t> bytes = WriteTrueType(f);
            std::ofstream(m_Dir / "fonts" / ("face" + std::to_string(i++) + ".ttf"), std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        }
        std::ofstream(m_Dir / "fonts.conf") << "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n"
                                            << "<fontconfig>\n  <dir>" << (m_Dir / "fonts").string() << "</dir>\n"
                                            << "  <cachedir>" << (m_Dir / "cache").string() << "</cachedir>\n"
                                            << "</fontconfig>\n";
        const char* old = std::getenv("FONTCONFIG_FILE");
        m_HadOld = old != nullptr;
        if (old) m_Old = old;
        setenv("FONTCONFIG_FILE", (m_Dir / "fonts.conf").c_str(), 1);
    }
    ~FontFolder()
    {
        if (m_HadOld)
            setenv("FONTCONFIG_FILE", m_Old.c_str(), 1);
        else
            unsetenv("FONTCONFIG_FILE");
    }
    const fs::path& Dir() const { return m_Dir; }

private:
    fs::path m_Dir;
    std::string m_Old;
    bool m_HadOld = false;
};

// ---- reading what the atlas drew ------------------------------------------------------------

// The inked pixels (alpha above half) of a glyph's cell: their bounds and count.
struct Ink
{
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;  // inclusive, cell coordinates
    int count = 0;
    bool centre = false;  // the pixel at the middle of the ink's bounds is inked
    int Width() const { return right < 0 ? 0 : right - left + 1; }
    int Height() const { return bottom < 0 ? 0 : bottom - top + 1; }
};

Ink InkOf(const GxGlyphRecord& r)
{
    Ink ink;
    if (!r.texture) return ink;
    const std::vector<uint32_t> px = gxtest::ReadPixels(*r.texture);
    auto inked = [&](int x, int y) {
        return (gxtest::PixelAt(px, *r.texture, static_cast<uint32_t>(r.left + x), static_cast<uint32_t>(r.top + y)) >>
                12) >= 8;
    };
    for (int y = 0; y < r.height; ++y)
        for (int x = 0; x < r.width; ++x)
            if (inked(x, y)) {
                ink.left = std::min(ink.left, x), ink.right = std::max(ink.right, x);
                ink.top = std::min(ink.top, y), ink.bottom = std::max(ink.bottom, y);
                ++ink.count;
            }
    if (ink.count) ink.centre = inked((ink.left + ink.right) / 2, (ink.top + ink.bottom) / 2);
    return ink;
}

std::string ReadLog(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::u16string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8));
    if (!text.empty() && text[0] == u'\uFEFF') text.erase(0, 1);
    return GxWideToUtf8(text);
}

int CountLines(const std::string& log, const std::string& part)
{
    int n = 0;
    for (size_t at = log.find(part); at != std::string::npos; at = log.find(part, at + 1)) ++n;
    return n;
}

// The program's wiring: the recording device, and the rasteriser that start-up leaves in place.
class GlyphFallback : public gxtest::TextDeviceTest
{
protected:
    void SetUp() override
    {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        gxtest::TextDeviceTest::SetUp();
        GxSetGlyphRasterizer(nullptr);
    }
};

// Ends the case's own process: 0 when all its checks held, else 1 with the failures on stderr
// (which the test shows). The process never gets back to the test program's end, which would
// remove its scratch folder.
[[noreturn]] void Finish()
{
    GxCloseLogs();
    const ::testing::TestResult* result = ::testing::UnitTest::GetInstance()->current_test_info()->result();
    for (int i = 0; i < result->total_part_count(); ++i) {
        const ::testing::TestPartResult& part = result->GetTestPartResult(i);
        if (part.failed()) std::fprintf(stderr, "%s:%d: %s\n", part.file_name(), part.line_number(), part.message());
    }
    std::error_code ec;
    if (const char* scratch = std::getenv("TEST_TMPDIR")) fs::remove_all(scratch, ec);
    std::_Exit(::testing::Test::HasFailure() ? 1 : 0);
}

[[noreturn]] void CheckFaceWithoutJapanese(const fs::path& log)
{
    GxSetErrorLogPath(GxUtf8ToWide(log.string()));
    GxGlyphFaceInfo info;
    EXPECT_TRUE(GxResolveGlyphFace(GX_DEFAULT_FONT_FACE, info));
    EXPECT_EQ(info.family, "GxTest Sans");  // the regular face, not the bold one
    EXPECT_FALSE(info.coversJapanese);

    GxGDIFontMap map;
    map.SetFont(24, nullptr);
    // Sized by its one-em line, not its Windows extent: 'A' is 16.8 px tall, not 4.
    const Ink a = InkOf(map.GetGlyph(u'A'));
    EXPECT_GE(a.Height(), 16);
    EXPECT_LE(a.Height(), 18);
    EXPECT_GE(a.Width(), 7);  // the face's own 'A', not the other face's thin one
    EXPECT_LE(a.Width(), 8);
    EXPECT_TRUE(a.centre);
    EXPECT_EQ(a.bottom, 18);  // on the baseline, at the ascent of 19 (0.8 of 24)

    // From the face that has it, at the same em (19 x 22 px; its own cell rule would
    // make it two thirds of that), on the same baseline.
    const Ink snowman = InkOf(map.GetGlyph(u'\u2603'));
    EXPECT_GE(snowman.Width(), 18);
    EXPECT_LE(snowman.Width(), 20);
    EXPECT_GE(snowman.Height(), 21);
    EXPECT_LE(snowman.Height(), 23);
    EXPECT_TRUE(snowman.centre);
    EXPECT_LE(snowman.top, 1);

    // No face has kana: the missing-glyph box at the text's size, hollow.
    const Ink kana = InkOf(map.GetGlyph(u'\u3042'));
    EXPECT_GE(kana.Height(), 16);
    EXPECT_LE(kana.Height(), 18);
    EXPECT_GE(kana.Width(), 9);
    EXPECT_FALSE(kana.centre);
    EXPECT_EQ(kana.bottom, 18);

    // Another size and another map ask for the same face: nothing more is logged.
    GxGDIFontMap small;
    small.SetFont(16, nullptr);
    EXPECT_GE(InkOf(small.GetGlyph(u'x')).Height(), 7);
    EXPECT_GT(InkOf(small.GetGlyph(u'\u2603')).count, 0);

    GxCloseLogs();
    const std::string text = ReadLog(log);
    EXPECT_EQ(CountLines(text, "\n"), 1) << text;
    EXPECT_EQ(CountLines(text, "Warning/GxGlyphRasterizer No Japanese font(Name:\"ＭＳ ゴシック\" "
                               "Used:\"GxTest Sans\")\r\n"),
              1)
        << text;
    Finish();
}

[[noreturn]] void CheckJapaneseFace(const fs::path& log)
{
    GxSetErrorLogPath(GxUtf8ToWide(log.string()));
    // A Latin face's name still draws with the face that shows Japanese.
    GxGlyphFaceInfo info;
    EXPECT_TRUE(GxResolveGlyphFace(u"GxTest Sans", info));
    EXPECT_EQ(info.family, "GxTest Kana");
    EXPECT_TRUE(info.coversJapanese);

    GxGDIFontMap map;
    map.SetFont(20, nullptr);
    const Ink kana = InkOf(map.GetGlyph(u'\u3042'));
    EXPECT_GE(kana.Width(), 15);  // 16 x 16 px at the kana face's em of 20
    EXPECT_LE(kana.Width(), 17);
    EXPECT_TRUE(kana.centre);
    // The Latin face's 'A' at the kana face's em: 6 x 14 px.
    const Ink a = InkOf(map.GetGlyph(u'A'));
    EXPECT_GE(a.Height(), 13);
    EXPECT_LE(a.Height(), 15);
    EXPECT_TRUE(a.centre);
    EXPECT_EQ(a.bottom, kana.bottom);

    GxCloseLogs();
    EXPECT_EQ(ReadLog(log), "");
    Finish();
}

TEST_F(GlyphFallback, AFaceWithoutJapaneseDrawsItsLatinAtSizeTakesWhatItLacksElsewhereAndSaysSo)
{
    FontFolder folder({LatinFace(), SymbolFace()});
    const fs::path log = folder.Dir() / "error.log";
    EXPECT_EXIT(CheckFaceWithoutJapanese(log), ::testing::ExitedWithCode(0), "");
}

TEST_F(GlyphFallback, AJapaneseFaceTakesTheLatinItLacksFromAnotherAndLogsNothing)
{
    FontFolder folder({LatinFace(), KanaFace()});
    const fs::path log = folder.Dir() / "error.log";
    EXPECT_EXIT(CheckJapaneseFace(log), ::testing::ExitedWithCode(0), "");
}

}  // namespace glyph_fallback
