// The ".fmp" character-map reader on untrusted bytes: the map is read into a bitmap font (no
// picture), then every query walks the range it claims and a little beyond.
#include <cstddef>
#include <cstdint>

#include "graphics/GxFontData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    GxFontData font;
    bool ok = font.ReadCharacterMap(data, size);
    uint32_t first = font.GetFirstCode();
    uint32_t last = font.GetLastCode();
    if (ok && (last < first || !font.HasGlyph(first) || !font.HasGlyph(last))) __builtin_trap();
    if (!ok && font.HasGlyph(first)) __builtin_trap();
    uint64_t sum = 0;
    uint32_t from = first > 2 ? first - 2 : 0;
    uint32_t to = last < 0xFFFFFFF0u ? last + 2 : last;
    for (uint32_t code = from, n = 0; code <= to && n < 4096; ++code, ++n) {
        sum += static_cast<uint32_t>(font.GetGlyphWidth(code));
        if (const GxFontGlyphEntry* e = font.GetGlyphEntry(code))
            sum += static_cast<uint64_t>(e->left) + static_cast<uint64_t>(e->top);  // wraps, never overflows
        if (code == to) break;
    }
    std::u16string text;
    for (size_t i = 0; i + 1 < size && i < 64; i += 2) text.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    sum += static_cast<uint32_t>(font.GetStringWidth(text));
    volatile uint64_t sink = sum;
    (void)sink;
    return 0;
}
