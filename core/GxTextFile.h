// Text files as wide lines: the data tables and other text the game folder holds, in the ANSI
// code page (CP932), UTF-8 or UTF-16LE.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class GxTextEncoding
{
    Ansi,     // no signature: CP932
    Utf8,     // EF BB BF
    Utf16LE,  // FF FE
    Utf16BE,  // FE FF (not supported)
};

// The encoding from the leading bytes; a signature counts only when all its bytes are present.
GxTextEncoding GxDetectTextEncoding(const uint8_t* data, size_t size);

// Decodes a whole text image into lines appended to lines (which is not cleared). LF ends a line;
// CR and form feed are dropped wherever they stand; a NUL ends the text. Text after the last LF
// forms a last line when it is not empty. With skipEmpty, empty lines are not appended.
// Returns false for empty data and for UTF-16BE text (lines untouched).
bool GxDecodeTextLines(std::vector<std::u16string>& lines, const uint8_t* data, size_t size, bool skipEmpty);

// Loads a file through the file layer (packs included, never the file cache) and decodes it as
// above. False when the file is missing or unreadable (the file layer logs it), empty, or
// UTF-16BE.
bool GxLoadTextFile(std::vector<std::u16string>& lines, std::u16string_view path, bool skipEmpty);
