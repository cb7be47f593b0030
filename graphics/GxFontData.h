// GxFontData: a bitmap font. One picture holds the character cells, and a table gives, for every
// code of a contiguous range, the cell's position and width in the picture; every glyph is the
// font's cell height tall. Made from a picture with a regular grid (fixed-width fonts such as
// digits) or from a picture plus a ".fmp" character map (proportional fonts).
//
// ".fmp" (little-endian): a 96-byte header (first code at 16, last code at 20, cell width at 40,
// cell height at 44, picture width and height at 52 and 56, the font name as 16 UTF-16 units at
// 64), then 8 bytes per code first..last (left, top, width as 16-bit words, 16 bits unused).
// A map shorter than its table, or whose last code lies below its first, is refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/GxTexture.h"

constexpr uint32_t GX_FMP_HEADER_SIZE = 96;
constexpr uint32_t GX_FMP_ENTRY_SIZE = 8;
constexpr uint32_t GX_FMP_NAME_LENGTH = 15;

struct GxFontGlyphEntry
{
    uint16_t left = 0;
    uint16_t top = 0;
    uint16_t width = 0;
};

class GxFontData
{
public:
    GxFontData() = default;
    virtual ~GxFontData();
    GxFontData(const GxFontData&) = delete;
    GxFontData& operator=(const GxFontData&) = delete;

    // Empties the header and the table and releases the picture.
    virtual void Release();
    // A grid font: entry i of first..last lies at column i mod cellsPerRow, row i div
    // cellsPerRow, cellWidth wide. A missing picture is not reported (the font then draws
    // nothing); true.
    virtual bool CreateFromGrid(std::u16string_view fontName, std::u16string_view pictureName, uint32_t first,
                                uint32_t last, uint32_t cellWidth, uint32_t cellHeight, uint32_t cellsPerRow);
    virtual bool CreateFromGridA(std::string_view fontName, std::string_view pictureName, uint32_t first,
                                 uint32_t last, uint32_t cellWidth, uint32_t cellHeight, uint32_t cellsPerRow);
    // The same with a built-in picture (colorKey is passed to the picture's creation).
    virtual bool CreateFromGridResource(std::u16string_view resourceName, void* module,
                                        const GxResourceData* resource, uint32_t first, uint32_t last,
                                        uint32_t cellWidth, uint32_t cellHeight, uint32_t cellsPerRow,
                                        GxColor colorKey);
    virtual bool CreateFromGridResourceA(std::string_view resourceName, void* module, const GxResourceData* resource,
                                         uint32_t first, uint32_t last, uint32_t cellWidth, uint32_t cellHeight,
                                         uint32_t cellsPerRow, GxColor colorKey);
    // A ".fmp" character map with its picture. False (with one error line naming the map) when
    // either cannot be loaded or the map is refused; the font is then empty.
    virtual bool CreateFromFile(std::u16string_view mapName, std::u16string_view pictureName);
    virtual bool CreateFromFileA(std::string_view mapName, std::string_view pictureName);
    virtual GxTexture& GetPicture() { return m_Picture; }
    virtual GxDeviceTexture* GetD3DTexture() { return m_Picture.GetD3DTexture(); }

    // Reads a ".fmp" map from bytes into the header and table (the picture is left alone);
    // false, with the font's table emptied, for a map that is refused.
    bool ReadCharacterMap(const uint8_t* data, size_t size);

    bool HasGlyph(uint32_t code) const { return !m_Table.empty() && code >= m_First && code <= m_Last; }
    // The entry's width, or the cell width for a code outside the font.
    int32_t GetGlyphWidth(uint32_t code) const
    {
        return HasGlyph(code) ? m_Table[code - m_First].width : static_cast<int32_t>(m_CellWidth);
    }
    int32_t GetStringWidth(std::u16string_view text) const;
    int32_t GetHeight() const { return static_cast<int32_t>(m_CellHeight); }
    // Texture coordinates of the code's cell (left, top, right, bottom); zeros and false outside.
    bool GetGlyphUV(float* uv, uint32_t code);
    // The entry of a code inside the font; none outside.
    const GxFontGlyphEntry* GetGlyphEntry(uint32_t code) const
    {
        return HasGlyph(code) ? &m_Table[code - m_First] : nullptr;
    }

    uint32_t GetFirstCode() const { return m_First; }
    uint32_t GetLastCode() const { return m_Last; }
    uint32_t GetCellWidth() const { return m_CellWidth; }
    uint32_t GetCellHeight() const { return m_CellHeight; }
    uint32_t GetPictureWidth() const { return m_PictureWidth; }
    uint32_t GetPictureHeight() const { return m_PictureHeight; }
    const std::u16string& GetFontName() const { return m_FontName; }

private:
    void ClearHeader();
    bool FillGrid(std::u16string_view fontName, uint32_t first, uint32_t last, uint32_t cellWidth,
                  uint32_t cellHeight, uint32_t cellsPerRow);

    uint32_t m_First = 0;
    uint32_t m_Last = 0;
    uint32_t m_CellWidth = 0;
    uint32_t m_CellHeight = 0;
    uint32_t m_PictureWidth = 0;
    uint32_t m_PictureHeight = 0;
    std::u16string m_FontName;
    std::vector<GxFontGlyphEntry> m_Table;
    GxTexture m_Picture;
};
