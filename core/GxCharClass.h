// Character classes for text layout: the half-width / full-width cell count of a UTF-16 code unit
// and the mapping of wide characters onto the 8-bit grid of the bitmap fonts.
#pragma once

#include <cstdint>
#include <string_view>

// 1 (half width) or 2 (full width) for one UTF-16 code unit. Half width: every code unit below
// U+0080 and the characters whose East Asian Width is Halfwidth or Narrow (U+00A2-U+00A3,
// U+00A5-U+00A6, U+00AC, U+00AF, U+20A9, U+27E6-U+27ED, U+2985-U+2986, the half-width katakana
// and Hangul forms U+FF61-U+FFDC and U+FFE8-U+FFEE). Everything else, the ambiguous characters
// and each half of a surrogate pair included, is full width, as a Japanese font draws them.
int GxGetCharWidth(char16_t c);

// Sum of GxGetCharWidth over the code units; 0 for an empty string.
int GxGetStringWidth(std::u16string_view s);

// The bitmap-font grid code: below U+0081 unchanged, half-width katakana U+FF61-U+FF9F to
// 0xA1-0xDF, U+F8F0 to 0xA0, U+F8F1-U+F8F3 to 0xFD-0xFF, anything else a space.
uint8_t GxWideCharToSingleByte(char16_t c);
