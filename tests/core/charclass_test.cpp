#include <gtest/gtest.h>

#include "core/GxCharClass.h"

namespace {

// The width classes move line breaks in every text layout, so each range boundary is pinned.
struct WidthCase
{
    char16_t c;
    int width;
};

const WidthCase kWidthCases[] = {
    {0x0000, 1}, {0x0020, 1}, {0x0041, 1}, {0x007E, 1}, {0x007F, 1},
    {0x0080, 2}, {0x00A0, 2}, {0x00A1, 2}, {0x00A2, 1}, {0x00A3, 1}, {0x00A4, 2},
    {0x00A5, 1}, {0x00A6, 1}, {0x00A7, 2}, {0x00AB, 2}, {0x00AC, 1}, {0x00AD, 2},
    {0x00AE, 2}, {0x00AF, 1}, {0x00B0, 2}, {0x00E9, 2}, {0x0391, 2}, {0x0410, 2},
    {0x2015, 2}, {0x2026, 2}, {0x20A8, 2}, {0x20A9, 1}, {0x20AA, 2}, {0x266A, 2},
    {0x27E5, 2}, {0x27E6, 1}, {0x27ED, 1}, {0x27EE, 2},
    {0x2984, 2}, {0x2985, 1}, {0x2986, 1}, {0x2987, 2},
    {0x3000, 2}, {0x3001, 2}, {0x3042, 2}, {0x30A2, 2}, {0x65E5, 2}, {0xAC00, 2},
    {0xD800, 2}, {0xDC00, 2}, {0xE000, 2}, {0xF8F0, 2},
    {0xFF01, 2}, {0xFF10, 2}, {0xFF21, 2}, {0xFF5E, 2}, {0xFF60, 2},
    {0xFF61, 1}, {0xFF71, 1}, {0xFF9F, 1}, {0xFFA0, 1}, {0xFFBE, 1}, {0xFFBF, 2},
    {0xFFC1, 2}, {0xFFC2, 1}, {0xFFC7, 1}, {0xFFC8, 2}, {0xFFC9, 2}, {0xFFCA, 1},
    {0xFFCF, 1}, {0xFFD0, 2}, {0xFFD1, 2}, {0xFFD2, 1}, {0xFFD7, 1}, {0xFFD8, 2},
    {0xFFD9, 2}, {0xFFDA, 1}, {0xFFDC, 1}, {0xFFDD, 2}, {0xFFE0, 2}, {0xFFE5, 2},
    {0xFFE7, 2}, {0xFFE8, 1}, {0xFFEE, 1}, {0xFFEF, 2}, {0xFFFD, 2}, {0xFFFF, 2},
};

TEST(CharClassTest, CharWidthTable)
{
    for (const WidthCase& c : kWidthCases)
        EXPECT_EQ(GxGetCharWidth(c.c), c.width) << std::hex << "U+" << static_cast<int>(c.c);
}

TEST(CharClassTest, HalfWidthSetAboveAsciiHasNoStrayRanges)
{
    // The ranges in the table above hold 139 code units; any other half-width one is a mistake.
    int half = 0;
    for (uint32_t c = 0x80; c <= 0xFFFF; ++c) half += GxGetCharWidth(static_cast<char16_t>(c)) == 1;
    EXPECT_EQ(half, 139);
}

TEST(CharClassTest, StringWidth)
{
    EXPECT_EQ(GxGetStringWidth(u"ab日"), 4);
    EXPECT_EQ(GxGetStringWidth(u""), 0);
    EXPECT_EQ(GxGetStringWidth(u"ｱｲｳ。"), 5);
    EXPECT_EQ(GxGetStringWidth(u"\U0001F600"), 4);   // each half of a surrogate pair counts
}

TEST(CharClassTest, WideCharToSingleByte)
{
    const struct
    {
        char16_t c;
        uint8_t b;
    } cases[] = {
        {0x0000, 0x00}, {0x0041, 0x41}, {0x007F, 0x7F}, {0x0080, 0x80}, {0x0081, 0x20},
        {0x00A1, 0x20}, {0x3042, 0x20}, {0xFF60, 0x20}, {0xFF61, 0xA1}, {0xFF71, 0xB1},
        {0xFF9F, 0xDF}, {0xFFA0, 0x20}, {0xF8EF, 0x20}, {0xF8F0, 0xA0}, {0xF8F1, 0xFD},
        {0xF8F2, 0xFE}, {0xF8F3, 0xFF}, {0xF8F4, 0x20}, {0xFFFF, 0x20},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GxWideCharToSingleByte(c.c), c.b) << std::hex << "U+" << static_cast<int>(c.c);
}

}  // namespace
