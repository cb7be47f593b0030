// Fuzz target: an image set (.gis) read from arbitrary bytes in either form (the first byte 'T'
// selects the text form), its patterns linked to their pages, and every pattern drawn plain and
// clipped (by a rectangle taken from the input) through recording hooks.
#include <cstddef>
#include <climits>
#include <cstdint>

#include "core/GxBinBuffer.h"
#include "core/GxLog.h"
#include "layer/GxNcImageSet.h"

namespace {
int g_Page;  // stands for a page texture
float Coord(const GxTexture*, float pixel) { return pixel / 256.0f; }
void Draw(const GxNcQuad& quad)
{
    if (quad.m_pTexture != reinterpret_cast<GxTexture*>(&g_Page)) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool once = [] {
        GxSetErrorLogPath(u"/dev/null");
        GxSetSkipSlightError(true);
        GxNcGraphicsHooks hooks;
        hooks.m_GetU = &Coord;
        hooks.m_GetV = &Coord;
        hooks.m_DrawQuad = &Draw;
        GxNcSetGraphicsHooks(hooks);
        return true;
    }();
    (void)once;
    GxBinBuffer buffer(static_cast<uint32_t>(size));
    for (size_t i = 0; i < size; ++i) buffer.GetBuffer()[i] = data[i];
    GxNcCrammedImageSet set;
    if (set.ReadFromBuffer(buffer)) {
        set.LinkPatterns();
        // Every other page has a texture, so both drawing paths run.
        for (size_t i = 0; i < set.m_CrammedImageArray.size(); i += 2)
            set.m_CrammedImageArray[i].m_pTexture = reinterpret_cast<GxTexture*>(&g_Page);
        // The clip from the last four bytes: the extremes, or small values around 0.
        auto at = [&](size_t i) -> int32_t {
            int b = size > i ? data[size - 1 - i] : 128;
            return b == 0 ? INT32_MIN : b == 255 ? INT32_MAX : (b - 128) * 2;
        };
        GxRect clip(at(0), at(1), at(2), at(3));
        GxMatrix m;
        for (const GxNcOriginImage& image : set.m_OriginImageArray) {
            for (int32_t k = -1; k <= image.GetPatternCount(); ++k) {
                GxDrawCrammedPattern(&image, k, m, GxFColor(1, 1, 1, 1), GxFColor(), 2);
                GxDrawCrammedPatternClipped(&image, k, m, GxFColor(1, 1, 1, 1), GxFColor(), 2, clip);
            }
        }
        for (auto& page : set.m_CrammedImageArray) page.m_pTexture = nullptr;  // no releaser installed
    }
    return 0;
}
