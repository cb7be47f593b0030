// GxGDIFontMap: a glyph atlas. Each character of one font is rasterised once, on first use, into
// 512 x 512 A4R4G4B4 pages filled in rows of the font size, left to right; afterwards every
// request is answered with a small record (page texture, cell rectangle, texture coordinates,
// width class) from which a textured quad is drawn. Private-use characters U+E000..U+F8FF are
// picture cells of an optional picture texture instead. Glyphs are never evicted; pages
// accumulate until Clear. Main thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "graphics/GxTextureText.h"

// What a glyph is drawn from. Every field 0 (no texture) for a character without a glyph.
struct GxGlyphRecord
{
    GxTexture* texture = nullptr;  // page (or picture texture) holding the glyph
    int32_t left = 0;               // cell in the texture, pixels
    int32_t top = 0;
    int32_t width = 0;              // font size x width class / 2
    int32_t height = 0;             // the font size
    int32_t widthClass = 0;         // 1 half width, 2 full width
    float uLeft = 0.0f;
    float vTop = 0.0f;
    float uRight = 0.0f;
    float vBottom = 0.0f;

    bool operator==(const GxGlyphRecord&) const = default;
};

// One atlas page and where its next cell goes.
class GxGDIFontMapTextureParam
{
public:
    GxGDIFontMapTextureParam() = default;
    virtual ~GxGDIFontMapTextureParam() = default;

    GxTextureText texture;
    int32_t rowTopY = 0;
    int32_t cursorX = 0;
};

constexpr uint32_t GX_GDIFONTMAP_PAGE_SIZE = 512;
constexpr int32_t GX_GDIFONTMAP_DEFAULT_SIZE = 16;

class GxGDIFontMap
{
public:
    GxGDIFontMap();
    virtual ~GxGDIFontMap();
    GxGDIFontMap(const GxGDIFontMap&) = delete;
    GxGDIFontMap& operator=(const GxGDIFontMap&) = delete;

    // Clears, then sets the size and the face (none: "ＭＳ ゴシック").
    void SetFont(int32_t fontSize, const char16_t* faceName);
    // The record of a character, rasterising it into the atlas on first use.
    GxGlyphRecord GetGlyph(char16_t c)
    {
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) return GxGlyphRecord();
        if (c >= 0xE000 && c <= 0xF8FF) return GetPictureCell(c);
        auto it = m_Glyphs.find(c);
        if (it != m_Glyphs.end()) return it->second;
        return MakeGlyph(c);
    }
    // Drops every glyph and page and the picture texture; the face and size stay.
    void Clear();

    // Picture cells: the texture (owned from now on; none removes it) holds square cells of the
    // font size, columns to a row; U+E000 + i is cell i.
    void SetPictureTexture(std::unique_ptr<GxTexture> texture, uint32_t columns);

    int32_t GetFontSize() const { return m_FontSize; }
    const std::u16string& GetFaceName() const { return m_FaceName; }
    size_t GetPageCount() const { return m_Pages.size(); }
    GxGDIFontMapTextureParam* GetPage(size_t index) { return index < m_Pages.size() ? m_Pages[index].get() : nullptr; }
    GxGDIFontMapTextureParam* GetCurrentPage() { return m_Current; }
    size_t GetGlyphCount() const { return m_Glyphs.size(); }

private:
    GxGlyphRecord GetPictureCell(char16_t c) const;
    GxGlyphRecord MakeGlyph(char16_t c);
    void OpenPage();

    std::unordered_map<char16_t, GxGlyphRecord> m_Glyphs;
    std::vector<std::unique_ptr<GxGDIFontMapTextureParam>> m_Pages;
    GxGDIFontMapTextureParam* m_Current = nullptr;
    int32_t m_FontSize = GX_GDIFONTMAP_DEFAULT_SIZE;
    std::u16string m_FaceName;
    std::unique_ptr<GxTexture> m_Picture;
    uint32_t m_PictureColumns = 0;
};
