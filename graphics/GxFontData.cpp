#include "graphics/GxFontData.h"

#include "core/GxBinBuffer.h"
#include "core/GxFile.h"
#include "core/GxLog.h"
#include "core/GxString.h"

namespace {

// Grid fonts are made by the engine itself; a range wider than this is a mistake, not a font.
constexpr uint64_t kMaxGridEntries = 0x10000;

uint32_t ReadU32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

uint16_t ReadU16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

}  // namespace

GxFontData::~GxFontData()
{
    Release();
}

void GxFontData::ClearHeader()
{
    m_First = m_Last = 0;
    m_CellWidth = m_CellHeight = 0;
    m_PictureWidth = m_PictureHeight = 0;
    m_FontName.clear();
    m_Table.clear();
    m_Table.shrink_to_fit();
}

void GxFontData::Release()
{
    ClearHeader();
    m_Picture.ReleaseAll();
}

bool GxFontData::FillGrid(std::u16string_view fontName, uint32_t first, uint32_t last, uint32_t cellWidth,
                          uint32_t cellHeight, uint32_t cellsPerRow)
{
    m_First = first;
    m_Last = last;
    m_CellWidth = cellWidth;
    m_CellHeight = cellHeight;
    m_PictureWidth = m_Picture.GetImageWidth();
    m_PictureHeight = m_Picture.GetImageHeight();
    m_FontName = std::u16string(fontName.substr(0, GX_FMP_NAME_LENGTH));
    if (last < first || static_cast<uint64_t>(last) - first + 1 > kMaxGridEntries || cellsPerRow == 0) {
        GxPrintErrorLog(u"Error/GxFontData CreateFromGrid Invalid Range(Name:\"%s\" %u-%u Columns:%u)\n",
                        m_FontName, first, last, cellsPerRow);
        return true;
    }
    uint32_t count = last - first + 1;
    m_Table.assign(count, GxFontGlyphEntry());
    for (uint32_t i = 0; i < count; ++i) {
        m_Table[i].left = static_cast<uint16_t>((i % cellsPerRow) * cellWidth);
        m_Table[i].top = static_cast<uint16_t>((i / cellsPerRow) * cellHeight);
        m_Table[i].width = static_cast<uint16_t>(cellWidth);
    }
    return true;
}

bool GxFontData::CreateFromGrid(std::u16string_view fontName, std::u16string_view pictureName, uint32_t first,
                                uint32_t last, uint32_t cellWidth, uint32_t cellHeight, uint32_t cellsPerRow)
{
    Release();
    m_Picture.CreateFromFile(pictureName, GXFMT_UNKNOWN, 1, 0, true);
    return FillGrid(fontName, first, last, cellWidth, cellHeight, cellsPerRow);
}

bool GxFontData::CreateFromGridA(std::string_view fontName, std::string_view pictureName, uint32_t first,
                                 uint32_t last, uint32_t cellWidth, uint32_t cellHeight, uint32_t cellsPerRow)
{
    return CreateFromGrid(GxAnsiToWide(fontName), GxAnsiToWide(pictureName), first, last, cellWidth, cellHeight,
                          cellsPerRow);
}

bool GxFontData::CreateFromGridResource(std::u16string_view resourceName, void* module,
                                        const GxResourceData* resource, uint32_t first, uint32_t last,
                                        uint32_t cellWidth, uint32_t cellHeight, uint32_t cellsPerRow,
                                        GxColor colorKey)
{
    Release();
    m_Picture.CreateFromResource(resourceName, module, resource, GXFMT_UNKNOWN, 1, colorKey, true);
    return FillGrid(resourceName, first, last, cellWidth, cellHeight, cellsPerRow);
}

bool GxFontData::CreateFromGridResourceA(std::string_view resourceName, void* module, const GxResourceData* resource,
                                         uint32_t first, uint32_t last, uint32_t cellWidth, uint32_t cellHeight,
                                         uint32_t cellsPerRow, GxColor colorKey)
{
    return CreateFromGridResource(GxAnsiToWide(resourceName), module, resource, first, last, cellWidth, cellHeight,
                                  cellsPerRow, colorKey);
}

bool GxFontData::ReadCharacterMap(const uint8_t* data, size_t size)
{
    ClearHeader();
    if (!data || size < GX_FMP_HEADER_SIZE) return false;
    uint32_t first = ReadU32(data + 16);
    uint32_t last = ReadU32(data + 20);
    if (last < first) return false;
    uint64_t count = static_cast<uint64_t>(last) - first + 1;
    if (count > (size - GX_FMP_HEADER_SIZE) / GX_FMP_ENTRY_SIZE) return false;

    m_First = first;
    m_Last = last;
    m_CellWidth = ReadU32(data + 40);
    m_CellHeight = ReadU32(data + 44);
    m_PictureWidth = ReadU32(data + 52);
    m_PictureHeight = ReadU32(data + 56);
    for (uint32_t i = 0; i < GX_FMP_NAME_LENGTH; ++i) {
        char16_t c = ReadU16(data + 64 + 2 * i);
        if (c == 0) break;
        m_FontName.push_back(c);
    }
    m_Table.resize(static_cast<size_t>(count));
    const uint8_t* p = data + GX_FMP_HEADER_SIZE;
    for (auto& e : m_Table) {
        e.left = ReadU16(p);
        e.top = ReadU16(p + 2);
        e.width = ReadU16(p + 4);
        p += GX_FMP_ENTRY_SIZE;
    }
    return true;
}

bool GxFontData::CreateFromFile(std::u16string_view mapName, std::u16string_view pictureName)
{
    Release();
    if (!m_Picture.CreateFromFile(pictureName, GXFMT_UNKNOWN, 1, 0, true)) {
        GxPrintErrorLog(u"Error/GxFontData CreateFromFile Failed(Name:\"%s\")\n", mapName);
        return false;
    }
    GxBinBuffer map;
    bool ok = GxFileLoadToBinBuffer(map, mapName, false, false) && ReadCharacterMap(map.GetBuffer(), map.GetSize());
    if (!ok) {
        GxPrintErrorLog(u"Error/GxFontData CreateFromFile Failed(Name:\"%s\")\n", mapName);
        Release();
        return false;
    }
    return true;
}

bool GxFontData::CreateFromFileA(std::string_view mapName, std::string_view pictureName)
{
    return CreateFromFile(GxAnsiToWide(mapName), GxAnsiToWide(pictureName));
}

int32_t GxFontData::GetStringWidth(std::u16string_view text) const
{
    // Widths come from the font file: the sum saturates instead of overflowing.
    int64_t width = 0;
    for (char16_t c : text) width += GetGlyphWidth(c);
    if (width > INT32_MAX) return INT32_MAX;
    if (width < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(width);
}

bool GxFontData::GetGlyphUV(float* uv, uint32_t code)
{
    const GxFontGlyphEntry* e = GetGlyphEntry(code);
    if (!e) {
        uv[0] = uv[1] = uv[2] = uv[3] = 0.0f;
        return false;
    }
    uv[0] = m_Picture.GetU(static_cast<float>(e->left));
    uv[1] = m_Picture.GetV(static_cast<float>(e->top));
    uv[2] = m_Picture.GetU(static_cast<float>(e->left + e->width));
    uv[3] = m_Picture.GetV(static_cast<float>(e->top + m_CellHeight));
    return true;
}
