// Number parsers and scanners over wide text, written out by hand so that widths, digit caps and
// wrap-around are the same on every platform and in every locale (no strtol/wcstol).
#pragma once

#include <cstdint>
#include <string>

// Parses an integer from NUL-terminated wide text:
//  - spaces and tabs are skipped, then one sign: '-' or U+FF0D (full-width minus) negates,
//    '+' or U+FF0B (full-width plus) is accepted;
//  - base 0 picks the base from the text: "0x"/"0X" hexadecimal, "0b"/"0B" binary, another
//    leading '0' octal (decimal instead when noOctal is set), else decimal;
//  - base 16 skips a "0x" prefix, base 2 a "0b" prefix, base 8 one leading '0'; base 10 and
//    bases 3..35 take the text as it is; any other base gives 0;
//  - digits are 0-9 then a-z / A-Z (10..35); at most 8 hexadecimal, 32 binary, 11 octal,
//    10 decimal or 32 digits of another base are taken, leading zeros included;
//  - the value is accumulated in 64 bits (wrapping) and then signed; the 32-bit form keeps the
//    low 32 bits, so "0xFFFFFFFF" gives -1.
// end, when given, receives the position after the last digit taken; when no digit was taken it
// is the position reached after the blanks, the sign and any prefix.
int32_t GxWStrToInt(const char16_t* text, const char16_t** end, int base, bool noOctal);
int64_t GxWStrToInt64(const char16_t* text, const char16_t** end, int base, bool noOctal);

// Scans one number in [start, end): an optional '+' or '-' followed by decimal digits (returns 1;
// the length includes the sign), or, only without a sign, "0x"/"0X" followed by hexadecimal
// digits (returns 2; the length includes the prefix). Returns 0 with length 0 when there is no
// number: a lone sign, or a prefix with no hexadecimal digit behind it.
int GxScanNumberToken(const char16_t* start, int* length, const char16_t* end);

// Copies a NUL-terminated wide string with its terminator; dest must be large enough.
char16_t* GxWStrCopy(char16_t* dest, const char16_t* src);

// Reads a double-quoted text starting at start, never past end. When the first character is not
// a double quote, out is empty and nothing is consumed. Otherwise reading stops after the closing
// unescaped quote, at a NUL or at end. A backslash escapes the next character: f n r t v give
// form feed, LF, CR, tab and vertical tab, anything else is taken unchanged. Unescaped CR and
// form feed are dropped; an unescaped LF is dropped and counted in *lineCounter.
// *position (when given) receives the position after the consumed text.
void GxReadQuotedText(std::u16string& out, const char16_t* start, const char16_t** position,
                      uint32_t* lineCounter, const char16_t* end);
