// GxTextureText: a texture that text is rendered into on the CPU. Characters come from the glyph
// rasteriser (gray-level outlines turned into alpha) or are copied from two kinds of prepared
// fonts: a bitmap grid font (cells of another texture) and a glyph font (a sheet of 4-bit glyphs,
// drawn plain, thickened or with an edge). Pixels are written straight into the locked texture;
// A8R8G8B8 and A4R4G4B4 are drawn, any other format is left untouched.
//
// Every Draw returns false only when the texture has no device texture (or, for the font forms,
// the font or its pixels are missing); otherwise true, with the pen after the last character in
// the out parameters that are given (x after the last advance, y of the last line). Glyph blocks
// are cut to the texture on all four sides. Main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "graphics/GxTexture.h"
#include <memory>

#include "platform/GxGlyphRasterizer.h"

// The face of the engine's GDI-style text.
inline constexpr char16_t GX_DEFAULT_FONT_FACE[] = u"ＭＳ ゴシック";
// Largest size the rasteriser is asked for; larger requests draw at this size.
constexpr int32_t GX_TEXT_MAX_FONT_SIZE = 64;

// A fixed-cell font in a texture: the cells of codes first..last, row by row, from the origin.
// A code outside the range is drawn from the first cell.
struct GxBitmapGridFont
{
    GxTexture* texture = nullptr;  // not owned
    float originX = 0.0f;
    float originY = 0.0f;
    uint8_t firstCode = 0x20;
    uint8_t lastCode = 0x7E;
    int32_t cellHeight = 0;
    int32_t cellsPerRow = 1;
    int32_t proportional = 0;  // a proportional font has no cell width to draw with: characters are 0 wide
    int32_t cellWidth = 0;

    // Cell column and row of a code.
    void Locate(uint32_t code, int32_t& column, int32_t& row) const;
    int32_t GetCharWidth(uint32_t code) const;
};

// A sheet of square 4-bit glyph cells (two pixels a byte, the even pixel in the low nibble;
// pixel (x, y) is nibble y x sheet width + x). Glyph i's cell starts at
// x = (i mod glyphs per row) x size / 2, y = (i div glyphs per row) x size.
struct GxGlyphSheetFont
{
    int32_t glyphSize = 0;
    int32_t glyphsPerRow = 1;
    int32_t sheetWidth = 0;
    std::vector<uint8_t> sheet;
    // Character code (one byte, or lead << 8 | trail) to glyph index.
    std::unordered_map<uint32_t, uint32_t> codes;
    uint32_t glyphCount = 0;

    // glyphCount or more for a code without a glyph.
    uint32_t GetGlyphIndex(uint32_t code) const;
    // The 4-bit value at sheet pixel (x, y); 0 outside the sheet.
    uint8_t GetPixel(int64_t x, int64_t y) const;
};

// What a draw has locked: the whole level 0.
struct GxTextSurface
{
    uint8_t* bits = nullptr;  // none: nothing is written
    int32_t pitch = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    GxFormat format = GXFMT_UNKNOWN;
};

class GxTextureText : public GxTexture
{
public:
    GxTextureText();
    ~GxTextureText() override;

    virtual void SetFontName(std::u16string_view face);
    void SetFontNameA(std::string_view face);
    const std::u16string& GetFontName() const { return m_FaceName; }

    // Rasterised text at (x, y), top-aligned by the font's ascent; the pen advances by width
    // class x size / 2 per character. Size is cut to 64.
    virtual bool DrawText(std::u16string_view text, int32_t x, int32_t y, int32_t size, GxColor color,
                          int32_t* endX = nullptr, int32_t* endY = nullptr);
    // Narrow text of the ANSI code page: a one-byte character is half width, a two-byte one full.
    virtual bool DrawTextA(std::string_view text, int32_t x, int32_t y, int32_t size, GxColor color,
                           int32_t* endX = nullptr, int32_t* endY = nullptr);
    // Wrapped: a line holds columnsPerLine half-width columns; a half-width line-feed character
    // starts a new line at lineStartX without being drawn.
    virtual bool DrawTextWrap(std::u16string_view text, int32_t x, int32_t y, int32_t lineStartX, int32_t size,
                              int32_t columnsPerLine, GxColor color, int32_t letterSpacing, int32_t lineSpacing,
                              int32_t* endX, int32_t* endY, char16_t lineFeed);
    virtual bool DrawTextWrapA(std::string_view text, int32_t x, int32_t y, int32_t lineStartX, int32_t size,
                               int32_t columnsPerLine, GxColor color, int32_t letterSpacing, int32_t lineSpacing,
                               int32_t* endX, int32_t* endY, char lineFeed);

    virtual bool DrawTextBitmapFont(std::u16string_view text, const GxBitmapGridFont* font, int32_t x, int32_t y,
                                    int32_t* endX = nullptr, int32_t* endY = nullptr);
    virtual bool DrawTextBitmapFontA(std::string_view text, const GxBitmapGridFont* font, int32_t x, int32_t y,
                                     int32_t* endX = nullptr, int32_t* endY = nullptr);
    virtual bool DrawTextWrapBitmapFont(std::u16string_view text, const GxBitmapGridFont* font, int32_t x, int32_t y,
                                        int32_t lineStartX, int32_t columnsPerLine, int32_t letterSpacing,
                                        int32_t lineSpacing, int32_t* endX, int32_t* endY, char16_t lineFeed);
    virtual bool DrawTextWrapBitmapFontA(std::string_view text, const GxBitmapGridFont* font, int32_t x, int32_t y,
                                         int32_t lineStartX, int32_t columnsPerLine, int32_t letterSpacing,
                                         int32_t lineSpacing, int32_t* endX, int32_t* endY, char lineFeed);

    // Glyph font; mode 0 plain, 1 thickened, 2 edged (the edge colour rims the glyph).
    virtual bool DrawTextGlyphFont(std::u16string_view text, const GxGlyphSheetFont* font, int32_t x, int32_t y,
                                   GxColor color, int32_t* endX, int32_t* endY, int32_t mode, GxColor edgeColor);
    virtual bool DrawTextGlyphFontA(std::string_view text, const GxGlyphSheetFont* font, int32_t x, int32_t y,
                                    GxColor color, int32_t* endX, int32_t* endY, int32_t mode, GxColor edgeColor);
    virtual bool DrawTextWrapGlyphFont(std::u16string_view text, const GxGlyphSheetFont* font, int32_t x, int32_t y,
                                       int32_t lineStartX, int32_t columnsPerLine, GxColor color,
                                       int32_t letterSpacing, int32_t lineSpacing, int32_t* endX, int32_t* endY,
                                       char16_t lineFeed, int32_t mode, GxColor edgeColor);
    virtual bool DrawTextWrapGlyphFontA(std::string_view text, const GxGlyphSheetFont* font, int32_t x, int32_t y,
                                        int32_t lineStartX, int32_t columnsPerLine, GxColor color,
                                        int32_t letterSpacing, int32_t lineSpacing, int32_t* endX, int32_t* endY,
                                        char lineFeed, int32_t mode, GxColor edgeColor);

    // Grows the work buffer to at least bytes (it never shrinks).
    virtual bool ResizeBuffer(uint32_t bytes);
    uint32_t GetBufferSize() const { return m_BufferSize; }

    static void MakeLogFont(GxLogFont& font, int32_t height, std::u16string_view face);
    // Caps size to the largest text size and opens the face at it (null when it cannot).
    static std::unique_ptr<GxGlyphFont> OpenTextFont(int32_t& size, std::u16string_view face);
    // Alpha of a gray level 0..64: min(255, g x 255 / 52).
    static uint8_t GrayToAlpha(uint32_t gray);

protected:
    // One rasterised character with its top-left pen at (x, y); blackBoxWidth receives the
    // glyph's uncut width.
    virtual void DrawChar(GxGlyphFont* font, const GxTextSurface& surface, char16_t ch, int32_t x, int32_t y,
                          int32_t size, GxColor color, uint32_t* blackBoxWidth);
    virtual void DrawCharA(GxGlyphFont* font, const GxTextSurface& surface, uint32_t code, int32_t x, int32_t y,
                           int32_t size, GxColor color, uint32_t* blackBoxWidth);

    // Gray block of the work buffer (rows sourcePitch apart) to (x, y), already cut to the
    // surface; sourceX/Y is the first source pixel used.
    void BlitGray8To32(const GxTextSurface& surface, int32_t x, int32_t y, int32_t width, int32_t height,
                       int32_t sourceX, int32_t sourceY, uint32_t sourcePitch, GxColor color);
    void BlitGray8To16(const GxTextSurface& surface, int32_t x, int32_t y, int32_t width, int32_t height,
                       int32_t sourceX, int32_t sourceY, uint32_t sourcePitch, GxColor color);

    void BlitGlyph4To32(const GxGlyphSheetFont& font, const GxTextSurface& surface, uint32_t index,
                        int32_t widthClass, int32_t x, int32_t y, GxColor color);
    void BlitGlyph4To16(const GxGlyphSheetFont& font, const GxTextSurface& surface, uint32_t index,
                        int32_t widthClass, int32_t x, int32_t y, GxColor color);
    void BlitGlyph4BoldTo32(const GxGlyphSheetFont& font, const GxTextSurface& surface, uint32_t index,
                            int32_t widthClass, int32_t x, int32_t y, GxColor color);
    void BlitGlyph4BoldTo16(const GxGlyphSheetFont& font, const GxTextSurface& surface, uint32_t index,
                            int32_t widthClass, int32_t x, int32_t y, GxColor color);
    void BlitGlyph4EdgeTo32(const GxGlyphSheetFont& font, const GxTextSurface& surface, uint32_t index,
                            int32_t widthClass, int32_t x, int32_t y, GxColor color, GxColor edgeColor);
    void BlitGlyph4EdgeTo16(const GxGlyphSheetFont& font, const GxTextSurface& surface, uint32_t index,
                            int32_t widthClass, int32_t x, int32_t y, GxColor color, GxColor edgeColor);

private:
    bool LockSurface(GxTextSurface& surface);
    void UnlockSurface(const GxTextSurface& surface);
    void DrawGrayGlyph(const GxTextSurface& surface, const GxGlyphMetrics& metrics, bool outlineOk,
                       int32_t ascent, int32_t x, int32_t y, GxColor color);
    void DrawSheetGlyph(const GxGlyphSheetFont& font, const GxTextSurface& surface, uint32_t index,
                        int32_t widthClass, int32_t x, int32_t y, GxColor color, int32_t mode, GxColor edgeColor);
    // Fills the filter planes for the thickened (bold) or edged forms and returns the second one.
    const uint8_t* FilterGlyph(const GxGlyphSheetFont& font, uint32_t index, int32_t widthClass, bool edge,
                               int32_t& planeWidth);
    bool DrawBitmapFontChars(std::string_view text, const GxBitmapGridFont* font, int32_t x, int32_t y,
                             bool wrap, int32_t lineStartX, int32_t columnsPerLine, int32_t letterSpacing,
                             int32_t lineSpacing, int32_t* endX, int32_t* endY, char lineFeed);
    bool DrawGlyphFontChars(std::string_view text, const GxGlyphSheetFont* font, int32_t x, int32_t y, bool wrap,
                            int32_t lineStartX, int32_t columnsPerLine, GxColor color, int32_t letterSpacing,
                            int32_t lineSpacing, int32_t* endX, int32_t* endY, char lineFeed, int32_t mode,
                            GxColor edgeColor);

    uint8_t* m_Buffer = nullptr;
    uint32_t m_BufferSize = 0;
    std::u16string m_FaceName;
};
