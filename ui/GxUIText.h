// What the widgets that draw text from the glyph atlases share: the settings they take their
// defaults from, the font index check and the layout of one block of widget text.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/GxMath.h"

// The six system fonts have the indices 0..5.
bool GxUIIsFontIndex(int32_t index);
// The settings' pixel size of a system font (FONTSIZE_0 .. FONTSIZE_5; the built-in defaults
// without settings); 0 for another index.
int32_t GxUIFontSize(int32_t index);
// The settings' outline colour of system text (SYSTEM_EDGE_COLOR).
uint32_t GxUISystemEdgeColor();
// The settings' line-break character of widget text ("|" by default).
char16_t GxUILineBreakChar();

// One character placed by a layout, widget-local pixels.
struct GxUITextPlace
{
    char16_t c = 0;
    int64_t x = 0;
    int64_t y = 0;

    bool operator==(const GxUITextPlace&) const = default;
};

// The block of a text button or text panel: every character but the line breaks, in order.
// Advance (width class x size) / 2; a line breaks at the line-break character and once one
// more full cell would reach the client width. With autoAlign a text without line breaks is
// centred on its width (at most the client width); otherwise it starts at the client left.
std::vector<GxUITextPlace> GxUILayoutTextBlock(std::u16string_view text, int32_t fontSize, int32_t clientLeft,
                                              int32_t clientTop, int32_t clientWidth, int32_t autoAlign,
                                              char16_t lineBreak);
// The same into places (emptied first), whose storage a widget drawing every frame keeps.
void GxUILayoutTextBlock(std::vector<GxUITextPlace>& places, std::u16string_view text, int32_t fontSize,
                         int32_t clientLeft, int32_t clientTop, int32_t clientWidth, int32_t autoAlign,
                         char16_t lineBreak);

// Draws the placed characters of font fontIndex at origin + place x scale: when useEdge the
// outline (offset 1) and then each glyph, never rotated. Characters without a glyph texture
// draw nothing; an index without an atlas draws nothing.
void GxUIDrawTextPlaces(const std::vector<GxUITextPlace>& places, int32_t fontIndex, const GxVector3& origin,
                        const GxVector3& scale, uint32_t textColor, uint32_t edgeColor, bool useEdge,
                        int32_t blendMode);

// An ARGB colour with its alpha scaled by alpha / 255.
uint32_t GxUIScaleColorAlpha(uint32_t argb, int32_t alpha);
