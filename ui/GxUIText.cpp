#include "ui/GxUIText.h"

#include <algorithm>

#include "app/GxCore.h"
#include "core/GxCharClass.h"
#include "graphics/GxFontGlobals.h"
#include "graphics/GxGraphics.h"
#include "ui/GxUISettings.h"

namespace {

const GxUISettings& Config()
{
    // Widgets built before (or without) the settings take the built-in defaults.
    static const GxUISettings defaults;
    GxCore* core = GxGetCore();
    const GxUISettings* sc = core ? core->GetUISettings() : nullptr;
    return sc ? *sc : defaults;
}

int64_t Advance(char16_t c, int64_t fontSize) { return GxGetCharWidth(c) * fontSize / 2; }

}  // namespace

bool GxUIIsFontIndex(int32_t index) { return index >= 0 && index < GxUISettings::kFontSizeCount; }

int32_t GxUIFontSize(int32_t index) { return GxUIIsFontIndex(index) ? Config().m_FontSize[index] : 0; }

uint32_t GxUISystemEdgeColor() { return Config().m_SystemEdgeColor; }

char16_t GxUILineBreakChar() { return Config().m_TextControlChar4; }

std::vector<GxUITextPlace> GxUILayoutTextBlock(std::u16string_view text, int32_t fontSize, int32_t clientLeft,
                                              int32_t clientTop, int32_t clientWidth, int32_t autoAlign,
                                              char16_t lineBreak)
{
    std::vector<GxUITextPlace> places;
    GxUILayoutTextBlock(places, text, fontSize, clientLeft, clientTop, clientWidth, autoAlign, lineBreak);
    return places;
}

void GxUILayoutTextBlock(std::vector<GxUITextPlace>& places, std::u16string_view text, int32_t fontSize,
                         int32_t clientLeft, int32_t clientTop, int32_t clientWidth, int32_t autoAlign,
                         char16_t lineBreak)
{
    const int64_t size = fontSize;
    const int64_t cw = clientWidth;
    int64_t w = cw;
    if (autoAlign != 0 && !text.empty()) {
        if (text.find(lineBreak) == std::u16string_view::npos) {
            w = 0;
            for (char16_t c : text) w += Advance(c, size);
        }
        w = std::min(w, cw);
    }
    const int64_t left = clientLeft + (cw - w) / 2;

    places.clear();
    places.reserve(text.size());
    int64_t x = 0, y = 0;
    for (char16_t c : text) {
        if (c == lineBreak) {
            y += size;
            x = 0;
            continue;
        }
        places.push_back({c, left + x, clientTop + y});
        x += Advance(c, size);
        if (size + x >= cw) {
            x = 0;
            y += size;
        }
    }
}

void GxUIDrawTextPlaces(const std::vector<GxUITextPlace>& places, int32_t fontIndex, const GxVector3& origin,
                        const GxVector3& scale, uint32_t textColor, uint32_t edgeColor, bool useEdge,
                        int32_t blendMode)
{
    GxGDIFontMap* font = GxGetGDIFontMap(fontIndex);
    if (!font) return;
    const GxVector2 glyphScale(scale.x, scale.y);
    for (const GxUITextPlace& p : places) {
        const GxGlyphRecord glyph = font->GetGlyph(p.c);
        if (!glyph.texture) continue;
        const float x = origin.x + static_cast<float>(p.x) * scale.x;
        const float y = origin.y + static_cast<float>(p.y) * scale.y;
        if (useEdge) GxGraphics::DrawGlyphEdge(glyph, x, y, 1.0f, glyphScale, edgeColor, 0, blendMode);
        GxGraphics::DrawGlyph(glyph, x, y, glyphScale, textColor, 0, blendMode);
    }
}

uint32_t GxUIScaleColorAlpha(uint32_t argb, int32_t alpha)
{
    const GxFColor c = GxUnpackColorArgb(argb);
    return GxPackColorArgb(c.r, c.g, c.b, c.a * static_cast<float>(alpha) / 255.0f);
}
