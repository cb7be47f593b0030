// Writes image-set files of solid-colour patterns for tests and tools: the set and its one page
// picture, packed side by side.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gxtest {

// A source image of a test image set: its patterns, each a solid colour of its own size.
struct UIPatternSpec
{
    int32_t width = 0;
    int32_t height = 0;
    uint32_t color = 0xFFFFFFFFu;  // 0xAARRGGBB
};
struct UIImageSpec
{
    std::u16string name;  // the source image's file name, such as u"ok.png"
    std::vector<UIPatternSpec> patterns;
};

// Writes "<folder>/<setPath>" and its page "<setPath without .gis>_0.png" beside it (binary
// set, RGBA page). Every pattern's cell starts at its image's origin. False when a file cannot
// be written.
bool WriteSolidImageSet(const std::string& folder, const std::string& setPath, const std::vector<UIImageSpec>& images);

}  // namespace gxtest
