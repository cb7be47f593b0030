#include "graphics/GxGDIFontMap.h"

#include "core/GxCharClass.h"

GxGDIFontMap::GxGDIFontMap() : m_FaceName(GX_DEFAULT_FONT_FACE) {}

GxGDIFontMap::~GxGDIFontMap()
{
    Clear();
}

void GxGDIFontMap::SetFont(int32_t fontSize, const char16_t* faceName)
{
    Clear();
    m_FontSize = fontSize;
    m_FaceName = faceName ? std::u16string(faceName) : std::u16string(GX_DEFAULT_FONT_FACE);
}

void GxGDIFontMap::Clear()
{
    m_Glyphs.clear();
    m_Current = nullptr;
    m_Pages.clear();
    m_Picture.reset();
    m_PictureColumns = 0;
}

void GxGDIFontMap::SetPictureTexture(std::unique_ptr<GxTexture> texture, uint32_t columns)
{
    m_Picture = std::move(texture);
    m_PictureColumns = m_Picture ? columns : 0;
}

GxGlyphRecord GxGDIFontMap::GetPictureCell(char16_t c) const
{
    GxGlyphRecord r;
    if (!m_Picture || !m_Picture->GetD3DTexture() || m_PictureColumns == 0) return r;
    uint32_t i = c - 0xE000u;
    int32_t s = m_FontSize;
    r.texture = m_Picture.get();
    r.left = s * static_cast<int32_t>(i % m_PictureColumns);
    r.top = s * static_cast<int32_t>(i / m_PictureColumns);
    r.width = s;
    r.height = s;
    r.widthClass = 2;
    r.uLeft = m_Picture->GetU(static_cast<float>(r.left));
    r.vTop = m_Picture->GetV(static_cast<float>(r.top));
    r.uRight = m_Picture->GetU(static_cast<float>(r.left + s));
    r.vBottom = m_Picture->GetV(static_cast<float>(r.top + s));
    return r;
}

void GxGDIFontMap::OpenPage()
{
    auto page = std::make_unique<GxGDIFontMapTextureParam>();
    // Every page carries the same name and stays outside the texture factory.
    page->texture.CreateTexture(u"GDIFontMap", GX_GDIFONTMAP_PAGE_SIZE, GX_GDIFONTMAP_PAGE_SIZE, GXFMT_A4R4G4B4, 1);
    page->texture.SetFontName(m_FaceName);
    m_Current = page.get();
    m_Pages.push_back(std::move(page));
}

GxGlyphRecord GxGDIFontMap::MakeGlyph(char16_t c)
{
    // The page layout follows the page's nominal size, so a page whose texture could not be
    // made still takes its share of glyphs (they show empty) instead of one page per glyph.
    constexpr auto pageSize = static_cast<int32_t>(GX_GDIFONTMAP_PAGE_SIZE);
    if (!m_Current || m_Current->rowTopY + m_FontSize >= pageSize) OpenPage();
    GxGDIFontMapTextureParam& page = *m_Current;
    GxTextureText& texture = page.texture;

    GxGlyphRecord r;
    r.texture = &texture;
    r.widthClass = GxGetCharWidth(c);
    r.left = page.cursorX;
    r.top = page.rowTopY;
    r.width = m_FontSize * r.widthClass / 2;
    r.height = m_FontSize;
    r.uLeft = texture.GetU(static_cast<float>(r.left));
    r.vTop = texture.GetV(static_cast<float>(r.top));
    r.uRight = texture.GetU(static_cast<float>(r.left + r.width));
    r.vBottom = texture.GetV(static_cast<float>(r.top + r.height));

    texture.DrawText(std::u16string_view(&c, 1), page.cursorX, page.rowTopY, m_FontSize, 0xFFFFFFFFu);

    page.cursorX += r.width;
    if (page.cursorX + m_FontSize >= pageSize) {
        page.cursorX = 0;
        page.rowTopY += m_FontSize;
    }
    m_Glyphs.emplace(c, r);
    return r;
}
