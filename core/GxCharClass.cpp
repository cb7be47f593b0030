#include "core/GxCharClass.h"

namespace {

struct Range
{
    char16_t first;
    char16_t last;
};

// East Asian Width H and Na above U+007F (Unicode 14); the gaps inside the half-width Hangul
// block are unassigned and stay full width.
constexpr Range kHalfWidth[] = {
    {0x00A2, 0x00A3}, {0x00A5, 0x00A6}, {0x00AC, 0x00AC}, {0x00AF, 0x00AF},
    {0x20A9, 0x20A9}, {0x27E6, 0x27ED}, {0x2985, 0x2986}, {0xFF61, 0xFFBE},
    {0xFFC2, 0xFFC7}, {0xFFCA, 0xFFCF}, {0xFFD2, 0xFFD7}, {0xFFDA, 0xFFDC},
    {0xFFE8, 0xFFEE},
};

}  // namespace

int GxGetCharWidth(char16_t c)
{
    if (c < 0x80) return 1;
    for (const Range& r : kHalfWidth) {
        if (c < r.first) break;
        if (c <= r.last) return 1;
    }
    return 2;
}

int GxGetStringWidth(std::u16string_view s)
{
    int width = 0;
    for (char16_t c : s) width += GxGetCharWidth(c);
    return width;
}

uint8_t GxWideCharToSingleByte(char16_t c)
{
    if (c < 0x81) return static_cast<uint8_t>(c);
    if (c >= 0xFF61 && c <= 0xFF9F) return static_cast<uint8_t>(c - 0xFF61 + 0xA1);
    if (c == 0xF8F0) return 0xA0;
    if (c >= 0xF8F1 && c <= 0xF8F3) return static_cast<uint8_t>(c - 0xF8F1 + 0xFD);
    return 0x20;
}
