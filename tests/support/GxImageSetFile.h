// Writes image-set files for tests and tools: the set and its one page picture, the patterns
// packed side by side (in rows when a page width is given). A pattern is a solid colour or a
// picture of its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gxtest {

// A source image of a test image set: its patterns, each a solid colour of its own size, or the
// pixels given (width x height 0xAARRGGBB words, rows top first).
struct UIPatternSpec
{
    int32_t width = 0;
    int32_t height = 0;
    uint32_t color = 0xFFFFFFFFu;  // 0xAARRGGBB
    std::vector<uint32_t> pixels;   // empty: the solid colour

    UIPatternSpec() = default;
    UIPatternSpec(int32_t w, int32_t h, uint32_t c = 0xFFFFFFFFu) : width(w), height(h), color(c) {}
};
struct UIImageSpec
{
    std::u16string name;  // the source image's file name, such as u"ok.png"
    std::vector<UIPatternSpec> patterns;
};

// Writes "<folder>/<setPath>" and its page "<setPath without .gis>_0.png" beside it (binary
// set, RGBA page). Every pattern's cell starts at its image's origin. maxPageWidth above 0 starts
// a new row of patterns where the next one would pass that width; compactPage writes the page in
// the smallest PNG form (WritePngCompact). False when a file cannot be written.
bool WriteSolidImageSet(const std::string& folder, const std::string& setPath, const std::vector<UIImageSpec>& images,
                        int32_t maxPageWidth = 0, bool compactPage = false);

}  // namespace gxtest
