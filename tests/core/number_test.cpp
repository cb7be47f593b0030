#include <gtest/gtest.h>

#include <string>

#include "core/GxCrc32.h"
#include "core/GxNumber.h"

namespace {

struct IntCase
{
    const char16_t* text;
    int base;
    bool noOctal;
    int64_t value64;   // GxWStrToInt64
    int32_t value32;   // GxWStrToInt: the low 32 bits
    int endOffset;     // where the end pointer lands
};

// Cases span the base detection, the prefixes each base skips, the full-width signs, the digit
// caps (leading zeros count toward them) and the 32-bit wrap.
const IntCase kIntCases[] = {
    {u"0x1F", 0, false, 31, 31, 4},
    {u"0X1f", 0, true, 31, 31, 4},
    {u"010", 0, true, 10, 10, 3},
    {u"010", 0, false, 8, 8, 3},
    {u"\xFF0D" u"12", 0, false, -12, -12, 3},
    {u"\xFF0B" u"12", 0, false, 12, 12, 3},
    {u"  \t-42xyz", 0, false, -42, -42, 6},
    {u"+7", 0, false, 7, 7, 2},
    {u"- 7", 0, false, 0, 0, 1},           // a blank after the sign ends the number
    {u"--7", 0, false, 0, 0, 1},           // only one sign
    {u"0b101", 0, false, 5, 5, 5},
    {u"0B11", 0, true, 3, 3, 4},
    {u"0x123456789", 0, false, 0x12345678, 0x12345678, 10},   // 8 hexadecimal digits at most
    {u"0x000000001", 0, false, 0, 0, 10},                      // leading zeros count
    {u"0xFFFFFFFF", 0, false, 0xFFFFFFFFLL, -1, 10},
    {u"-0x80000000", 0, false, -0x80000000LL, INT32_MIN, 11},
    {u"-0xFFFFFFFF", 0, false, -0xFFFFFFFFLL, 1, 11},
    {u"12345678901", 10, false, 1234567890, 1234567890, 10},   // 10 decimal digits at most
    {u"00000000012", 0, true, 1, 1, 10},
    {u"4294967296", 10, false, 4294967296LL, 0, 10},
    {u"3000000000", 10, false, 3000000000LL, -1294967296, 10},
    {u"9999999999", 10, false, 9999999999LL, 1410065407, 10},
    {u"-9999999999", 10, false, -9999999999LL, -1410065407, 11},
    {u"0777777777777", 0, false, 8589934591LL, -1, 12},   // '0' skipped, then 11 octal digits
    {u"0b111111111111111111111111111111111", 0, false, 0xFFFFFFFFLL, -1, 34},   // 32 binary digits
    {u"ff", 16, false, 255, 255, 2},
    {u"0xff", 16, false, 255, 255, 4},
    {u"0b11", 16, false, 0xB11, 0xB11, 4},     // base 16 takes b as a digit
    {u"017", 8, false, 15, 15, 3},
    {u"8", 8, false, 0, 0, 0},
    {u"0b11", 2, false, 3, 3, 4},
    {u"12", 2, false, 1, 1, 1},
    {u"212", 3, false, 23, 23, 3},
    {u"yZ", 35, false, 34, 34, 1},   // 'Z' is 35, no digit of base 35
    {u"0x10", 10, false, 0, 0, 1},
    {u" -z", 36, false, 0, 0, 2},     // unsupported base: end after the blanks and the sign
    {u"5", 1, false, 0, 0, 0},
    {u"5", -3, false, 0, 0, 0},
    {u"abc", 0, false, 0, 0, 0},
    {u"-", 0, false, 0, 0, 1},
    {u"0x", 0, false, 0, 0, 2},
    {u"0xg", 0, false, 0, 0, 2},
    {u"0", 0, false, 0, 0, 1},
    {u"", 0, false, 0, 0, 0},
    {u"\xFF11\xFF12", 0, false, 0, 0, 0},   // full-width digits are not digits
    {u"\n5", 0, false, 0, 0, 0},            // only spaces and tabs are skipped
    {u"\x3000" u"5", 0, false, 0, 0, 0},
};

TEST(NumberTest, WStrToIntTable)
{
    for (const IntCase& c : kIntCases) {
        std::u16string text(c.text);
        SCOPED_TRACE(testing::Message() << "case " << (&c - kIntCases));
        const char16_t* end = nullptr;
        EXPECT_EQ(GxWStrToInt64(c.text, &end, c.base, c.noOctal), c.value64);
        EXPECT_EQ(end - c.text, c.endOffset);
        end = nullptr;
        EXPECT_EQ(GxWStrToInt(c.text, &end, c.base, c.noOctal), c.value32);
        EXPECT_EQ(end - c.text, c.endOffset);
        EXPECT_EQ(GxWStrToInt(c.text, nullptr, c.base, c.noOctal), c.value32);
    }
}

TEST(NumberTest, WStrToIntWrapsWithoutOverflowTrap)
{
    // 32 digits of base 35 far exceed 64 bits: the accumulation wraps like unsigned arithmetic.
    std::u16string text(32, u'y');
    EXPECT_EQ(GxWStrToInt64(text.c_str(), nullptr, 35, false), 7865930784382691968LL);
    EXPECT_EQ(GxWStrToInt64(nullptr, nullptr, 0, false), 0);
}

struct ScanCase
{
    const char16_t* text;
    int limit;   // characters before the end pointer; -1 for the whole text
    int kind;
    int length;
};

const ScanCase kScanCases[] = {
    {u"123abc", -1, 1, 3},
    {u"-12)", -1, 1, 3},
    {u"+5", -1, 1, 2},
    {u"-", -1, 0, 0},
    {u"-x", -1, 0, 0},
    {u"0x1fZ", -1, 2, 4},
    {u"0XAb", -1, 2, 4},
    {u"0X", -1, 0, 0},
    {u"0xg", -1, 0, 0},
    {u"012", -1, 1, 3},
    {u"-0x1F", -1, 1, 2},    // a sign rules out the hexadecimal form
    {u"abc", -1, 0, 0},
    {u"", -1, 0, 0},
    {u"12345", 2, 1, 2},
    {u"0x12", 1, 1, 1},      // "0" alone before the end
    {u"0x12", 2, 0, 0},      // the prefix reaches the end with no digit
    {u"0x12", 3, 2, 3},
    {u"-5", 1, 0, 0},
};

TEST(NumberTest, ScanNumberTokenTable)
{
    for (const ScanCase& c : kScanCases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - kScanCases));
        std::u16string text(c.text);
        const char16_t* end = text.c_str() + (c.limit < 0 ? text.size() : static_cast<size_t>(c.limit));
        int length = -1;
        EXPECT_EQ(GxScanNumberToken(text.c_str(), &length, end), c.kind);
        EXPECT_EQ(length, c.length);
    }
    int length = -1;
    EXPECT_EQ(GxScanNumberToken(nullptr, &length, nullptr), 0);
    EXPECT_EQ(length, 0);
}

struct QuotedResult
{
    std::u16string text;
    ptrdiff_t consumed;
    uint32_t lines;
};

QuotedResult ReadQuoted(std::u16string_view in, size_t limit = std::u16string_view::npos)
{
    std::u16string buf(in);
    const char16_t* start = buf.c_str();
    const char16_t* end = start + std::min(limit, buf.size());
    const char16_t* pos = nullptr;
    uint32_t lines = 10;
    QuotedResult r;
    r.text = u"stale";
    GxReadQuotedText(r.text, start, &pos, &lines, end);
    r.consumed = pos - start;
    r.lines = lines - 10;
    return r;
}

TEST(NumberTest, ReadQuotedText)
{
    QuotedResult r = ReadQuoted(u"\"abc\"rest");
    EXPECT_EQ(r.text, u"abc");
    EXPECT_EQ(r.consumed, 5);

    // No opening quote: empty, nothing consumed.
    r = ReadQuoted(u"abc\"");
    EXPECT_EQ(r.text, u"");
    EXPECT_EQ(r.consumed, 0);
    r = ReadQuoted(u" \"abc\"");
    EXPECT_EQ(r.consumed, 0);

    r = ReadQuoted(u"\"a\\fb\\nc\\rd\\te\\vf\\\\g\\\"h\\'i\\qj\"");
    EXPECT_EQ(r.text, u"a\fb\nc\rd\te\vf\\g\"h'iqj");
    EXPECT_EQ(r.lines, 0u);

    // Unescaped line breaks are dropped; each LF counts a line.
    r = ReadQuoted(u"\"a\r\nb\fc\n\nd\"x");
    EXPECT_EQ(r.text, u"abcd");
    EXPECT_EQ(r.lines, 3u);
    EXPECT_EQ(r.consumed, 11);

    // An escaped LF is kept as a character.
    r = ReadQuoted(u"\"a\\\nb\"");
    EXPECT_EQ(r.text, u"a\nb");
    EXPECT_EQ(r.lines, 0u);

    // No closing quote: up to the end, a NUL, or the end pointer.
    r = ReadQuoted(u"\"abc");
    EXPECT_EQ(r.text, u"abc");
    EXPECT_EQ(r.consumed, 4);
    r = ReadQuoted(std::u16string_view(u"\"ab\0cd\"", 7));
    EXPECT_EQ(r.text, u"ab");
    EXPECT_EQ(r.consumed, 3);
    r = ReadQuoted(u"\"abcdef\"", 3);
    EXPECT_EQ(r.text, u"ab");
    EXPECT_EQ(r.consumed, 3);
    r = ReadQuoted(u"\"ab\\", 4);
    EXPECT_EQ(r.text, u"ab");
    EXPECT_EQ(r.consumed, 4);
    r = ReadQuoted(u"\"ab\\\"", 4);   // the escaped character lies beyond the end
    EXPECT_EQ(r.text, u"ab");
    EXPECT_EQ(r.consumed, 4);
    r = ReadQuoted(u"\"x\"", 0);
    EXPECT_EQ(r.text, u"");
    EXPECT_EQ(r.consumed, 0);

    // Japanese text passes through untouched.
    r = ReadQuoted(u"\"表示\\\"ソ\"");
    EXPECT_EQ(r.text, u"表示\"ソ");
}

TEST(NumberTest, WStrCopy)
{
    char16_t dest[8];
    for (char16_t& c : dest) c = u'#';
    EXPECT_EQ(GxWStrCopy(dest, u"ab日"), dest);
    EXPECT_EQ(std::u16string(dest), u"ab日");
    EXPECT_EQ(dest[3], u'\0');
    EXPECT_EQ(dest[4], u'#');
}

TEST(Crc32Test, KnownValues)
{
    EXPECT_EQ(GxCalcCRC32("123456789", 9), 0xCBF43926u);
    EXPECT_EQ(GxCalcCRC32("a", 1), 0xE8B7BE43u);
    EXPECT_EQ(GxCalcCRC32("The quick brown fox jumps over the lazy dog", 43), 0x414FA339u);
    EXPECT_EQ(GxCalcCRC32("", 0), 0u);
    EXPECT_EQ(GxCalcCRC32(nullptr, 0), 0u);
    const uint8_t zeros[4] = {0, 0, 0, 0};
    EXPECT_EQ(GxCalcCRC32(zeros, 4), 0x2144DF1Cu);
}

}  // namespace
