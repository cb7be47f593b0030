#include "graphics/GxFontGlobals.h"

#include <string>

namespace {

struct FontGlobals
{
    GxGDIFontMap maps[GX_GDIFONTMAP_COUNT];
    GxFontData fonts[GX_FONTDATA_COUNT];
    GxFontData messageWindow;
};

FontGlobals& Globals()
{
    // Never destroyed: the textures unregister themselves from the resource registry, which
    // lives until the process ends, and nothing may log from a static destructor.
    static FontGlobals* globals = new FontGlobals();
    return *globals;
}

struct GridFont
{
    const char16_t* name;
    uint32_t first, last, cellWidth, cellHeight, cellsPerRow;
};

constexpr GridFont kGridFonts[] = {
    {u"FONT16SYS", 0x20, 0x7E, 8, 16, 16},
    {u"FONT8NUM", 0x20, 0x39, 8, 16, 7},
    {u"FONT22NUM", 0x30, 0x39, 22, 32, 5},
};

}  // namespace

GxGDIFontMap* GxGetGDIFontMap(int index)
{
    return index >= 0 && index < GX_GDIFONTMAP_COUNT ? &Globals().maps[index] : nullptr;
}

GxFontData* GxGetFontData(int index)
{
    return index >= 0 && index < GX_FONTDATA_COUNT ? &Globals().fonts[index] : nullptr;
}

GxFontData& GxGetMessageWindowFontData()
{
    return Globals().messageWindow;
}

void GxLoadGlobalFonts(std::u16string_view fontFolder, const int32_t (&fontSizes)[GX_GDIFONTMAP_COUNT],
                       std::u16string_view builtinFontName)
{
    GxUnloadGlobalFonts();
    FontGlobals& g = Globals();
    int i = 0;
    for (const GridFont& f : kGridFonts) {
        std::u16string picture = std::u16string(fontFolder) + f.name + u".png";
        g.fonts[i++].CreateFromGrid(f.name, picture, f.first, f.last, f.cellWidth, f.cellHeight, f.cellsPerRow);
    }
    for (int k = 0; k < GX_GDIFONTMAP_COUNT; ++k) g.maps[k].SetFont(fontSizes[k], nullptr);
    if (!builtinFontName.empty()) {
        std::u16string base = std::u16string(fontFolder) + std::u16string(builtinFontName);
        g.messageWindow.CreateFromFile(base + u".fmp", base + u".png");
    }
}

void GxUnloadGlobalFonts()
{
    FontGlobals& g = Globals();
    for (auto& map : g.maps) map.Clear();
    for (auto& font : g.fonts) font.Release();
    g.messageWindow.Release();
}
