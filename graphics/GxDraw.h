// The pieces the immediate draws of GxGraphics (GxGraphics.h) are built from, and the two text
// draws written over the operations they need of a font, so that they serve the bitmap font and
// the glyph atlas (and stand-ins in tests) alike.
//
// Bitmap font: GetStringWidth (text), GetHeight (), GetGlyphWidth (code), GetGlyphUV (float[4],
// code) and GetD3DTexture (). Glyph atlas: GetGlyph (code) giving a record with texture (a
// GxTexture*), left, top, width and height, and GetFontSize ().
#pragma once

#include <cstdint>
#include <string_view>

#include "core/GxCharClass.h"
#include "core/GxMath.h"
#include "graphics/GxGraphics.h"

// The matrix of a w x h block drawn at (x, y): scaled and rotated about its pivot (fractions of
// the block), the pivot placed on (x, y), then the global draw matrix and the half-pixel shift.
GxMatrix GxMakeDrawMatrix(float x, float y, float w, float h, const GxVector2& scale, const GxVector3& rotation,
                          const GxVector2& pivot);

// Whether the points lie wholly left of, right of, above or below the current viewport.
bool GxIsOutsideViewport(const GxScreenVertex* vertices, uint32_t count);

// Sends one fan of four vertices: the blend preset on stage 0, the texture (or none), then the
// draw call.
void GxDrawFan(const GxScreenVertex vertices[4], GxDeviceTexture* texture, int32_t blend);

// The quad of a local rectangle through a matrix with a UV rectangle (u0, v0, u1, v1), unless it
// lies wholly outside the viewport.
void GxDrawLocalQuad(const GxMatrix& matrix, const GxFRect& local, const GxFRect& uv, GxDeviceTexture* texture,
                     GxColor diffuse, GxColor specular, int32_t blend);

template <class Font>
void GxDrawTextFontDataOf(Font& font, std::u16string_view text, float x, float y, const GxVector2& scale,
                          const GxVector3& rotation, const GxVector2& pivot, GxColor diffuse, GxColor specular,
                          int32_t blend)
{
    if (text.empty()) return;
    const float w = static_cast<float>(font.GetStringWidth(text));
    const float h = static_cast<float>(font.GetHeight());
    const GxMatrix m = GxMakeDrawMatrix(x, y, w, h, scale, rotation, pivot);
    GxDeviceTexture* texture = font.GetD3DTexture();
    float pen = 0.0f;
    for (char16_t c : text) {
        const float gw = static_cast<float>(font.GetGlyphWidth(c));
        float uv[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        if (!font.GetGlyphUV(uv, c)) uv[0] = uv[1] = uv[2] = uv[3] = 0.0f;
        GxDrawLocalQuad(m, GxFRect(pen, 0.0f, pen + gw, h), GxFRect(uv[0], uv[1], uv[2], uv[3]), texture, diffuse,
                        specular, blend);
        pen += gw;
    }
}

template <class Glyph>
void GxDrawGlyphOf(const Glyph& glyph, float x, float y, const GxVector2& scale, GxColor diffuse, GxColor specular,
                   int32_t blend)
{
    const float l = static_cast<float>(glyph.left), t = static_cast<float>(glyph.top);
    GxGraphics::DrawTexture(glyph.texture, x, y,
                            GxFRect(l, t, l + static_cast<float>(glyph.width), t + static_cast<float>(glyph.height)),
                            scale, GxVector3(), GxVector2(), GxVector2(), diffuse, specular, blend);
}

template <class Glyph>
void GxDrawGlyphEdgeOf(const Glyph& glyph, float x, float y, float d, const GxVector2& scale, GxColor diffuse,
                       GxColor specular, int32_t blend)
{
    GxDrawGlyphOf(glyph, x - d, y - d, scale, diffuse, specular, blend);
    GxDrawGlyphOf(glyph, x + d, y + d, scale, diffuse, specular, blend);
    GxDrawGlyphOf(glyph, x + d, y - d, scale, diffuse, specular, blend);
    GxDrawGlyphOf(glyph, x - d, y + d, scale, diffuse, specular, blend);
}

template <class FontMap>
void GxDrawTextGDIFontMapOf(FontMap& fontMap, std::u16string_view text, float x, float y, const GxVector2& scale,
                            GxColor diffuse, GxColor specular, int32_t blend)
{
    const int32_t size = fontMap.GetFontSize();
    int32_t penX = 0, penY = 0;
    for (char16_t c : text) {
        if (c == u'\n') {
            penX = 0;
            penY += size;
            continue;
        }
        const auto glyph = fontMap.GetGlyph(c);
        if (glyph.texture)
            GxDrawGlyphOf(glyph, x + static_cast<float>(penX) * scale.x, y + static_cast<float>(penY) * scale.y, scale,
                          diffuse, specular, blend);
        penX += GxGetCharWidth(c) * size / 2;
    }
}
