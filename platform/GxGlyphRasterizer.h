// Gray-level glyph bitmaps for the engine's text drawing, in the terms of GDI's glyph outlines:
// a font is made from a font description (height, weight, character set, face name), it tells
// its text metrics (ascent, descent) and renders one character at a time into a caller's buffer
// as 8-bit gray levels 0..64, top row first, each row padded to a multiple of four bytes, with the
// black box (the bitmap's size) and the glyph origin (the black box's top-left corner relative to
// the pen on the baseline, y upwards).
//
// The real rasteriser works over FreeType; the face is chosen through fontconfig from the face
// name, and when that choice is a substitute that cannot show Japanese, the IPA Gothic font (or
// another face with kana) is used instead. A character the face lacks is drawn by the first face
// of fontconfig's sorted list for the name that has it, at the same em; one that no face has is
// the face's missing-glyph box. Tests install a fake with fixed bitmaps (GxSetGlyphRasterizer).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

// Result of a failed outline query.
constexpr uint32_t GX_GDI_ERROR = 0xFFFFFFFFu;
// The one outline format the engine asks for: 65 gray levels, 0..64.
constexpr uint32_t GX_GGO_GRAY8_BITMAP = 6;
constexpr uint32_t GX_GRAY8_MAX_LEVEL = 64;
// Character set of the engine's fonts (Shift-JIS).
constexpr uint8_t GX_SHIFTJIS_CHARSET = 128;
constexpr int GX_LF_FACESIZE = 32;

struct GxLogFont
{
    // Positive: the cell height (ascent + descent) in pixels; negative: the character height
    // (the em size) in pixels; 0: a default size.
    int32_t Height = 0;
    int32_t Width = 0;
    int32_t Escapement = 0;
    int32_t Orientation = 0;
    int32_t Weight = 400;
    uint8_t Italic = 0;
    uint8_t Underline = 0;
    uint8_t StrikeOut = 0;
    uint8_t CharSet = GX_SHIFTJIS_CHARSET;
    uint8_t OutPrecision = 0;
    uint8_t ClipPrecision = 0;
    uint8_t Quality = 0;
    uint8_t PitchAndFamily = 0;
    std::u16string FaceName;  // at most 31 characters are used
};

struct GxTextMetric
{
    int32_t Height = 0;   // ascent + descent
    int32_t Ascent = 0;   // baseline to the cell's top
    int32_t Descent = 0;  // baseline to the cell's bottom
    int32_t InternalLeading = 0;
    int32_t AveCharWidth = 0;
    int32_t MaxCharWidth = 0;
};

struct GxGlyphMetrics
{
    uint32_t BlackBoxX = 0;  // bitmap width in pixels
    uint32_t BlackBoxY = 0;  // bitmap height in pixels
    int32_t GlyphOriginX = 0;  // left edge of the black box from the pen
    int32_t GlyphOriginY = 0;  // top edge of the black box above the baseline
    int16_t CellIncX = 0;  // advance
    int16_t CellIncY = 0;
};

// Bytes of a gray bitmap with four-byte rows.
constexpr uint32_t GxGray8Pitch(uint32_t width) { return (width + 3u) & ~3u; }

class GxGlyphFont
{
public:
    virtual ~GxGlyphFont() = default;
    GxGlyphFont(const GxGlyphFont&) = delete;
    GxGlyphFont& operator=(const GxGlyphFont&) = delete;

    virtual bool GetTextMetrics(GxTextMetric* metric) = 0;
    // One UTF-16 code unit in GX_GGO_GRAY8_BITMAP format. With no buffer (or size 0) returns
    // the bytes the bitmap needs; else writes it and returns its size. A glyph with an empty
    // bitmap (a space) returns 0 with a 0 x 0 black box and its advance. GX_GDI_ERROR for another
    // format or a buffer too small (the buffer is then left as it was).
    virtual uint32_t GetGlyphOutlineW(uint32_t ch, uint32_t format, GxGlyphMetrics* metrics, uint32_t bufferSize,
                                      void* buffer) = 0;
    // The narrow form: a one-byte code, or lead byte << 8 | trail byte of a double-byte code of
    // the ANSI code page (CP932), converted to UTF-16 first; a code that is no character of the
    // code page renders U+FFFD, as the conversion gives it.
    uint32_t GetGlyphOutlineA(uint32_t code, uint32_t format, GxGlyphMetrics* metrics, uint32_t bufferSize,
                              void* buffer);

protected:
    GxGlyphFont() = default;
};

class GxGlyphRasterizer
{
public:
    virtual ~GxGlyphRasterizer() = default;
    // A font for the description; none when it cannot be made.
    virtual std::unique_ptr<GxGlyphFont> CreateFont(const GxLogFont& font) = 0;
};

// The rasteriser the engine draws with: the installed one, else the FreeType one (made on first
// use). Main thread only.
GxGlyphRasterizer& GxGetGlyphRasterizer();
// Installs a rasteriser (not owned); none restores the FreeType one.
void GxSetGlyphRasterizer(GxGlyphRasterizer* rasterizer);

std::unique_ptr<GxGlyphRasterizer> GxCreateFreeTypeRasterizer();

// What a face name resolves to: the font file, its family name, and whether it covers Japanese
// (U+3042; when it does not, no installed face has kana, and the rasteriser says so once in the
// error log). The rasteriser renders from that face, and takes a character it lacks from another.
struct GxGlyphFaceInfo
{
    std::string file;
    std::string family;
    bool coversJapanese = false;
};
// Resolves a face name the way the FreeType rasteriser does; false when no font at all is found.
bool GxResolveGlyphFace(const std::u16string& faceName, GxGlyphFaceInfo& info);
