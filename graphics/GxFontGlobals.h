// The engine's global fonts: six glyph atlases (one per configured font size), eight bitmap
// fonts (entries 0..2 are "FONT16SYS", "FONT8NUM" and "FONT22NUM"; 3..7 stay empty) and the
// message window's built-in bitmap font. They exist for the whole run (made on first use) and
// are filled by the game's start-up (GxLoadGlobalFonts is its font step) and emptied at shutdown
// (GxUnloadGlobalFonts is what the game's GxReleaseGlobalFonts does). Main thread only.
#pragma once

#include <cstdint>
#include <string_view>

#include "graphics/GxFontData.h"
#include "graphics/GxGDIFontMap.h"

constexpr int GX_GDIFONTMAP_COUNT = 6;
constexpr int GX_FONTDATA_COUNT = 8;

// Glyph atlas 0..5; none for another index.
GxGDIFontMap* GxGetGDIFontMap(int index);
// Bitmap font 0..7; none for another index.
GxFontData* GxGetFontData(int index);
GxFontData& GxGetMessageWindowFontData();

// The font step of the game's start-up: releases the fonts, makes the three grid fonts from the
// fonts folder (with its trailing "/"), gives atlas k size fontSizes[k] and the default face,
// and, when builtinFontName is not empty, loads the message-window font from
// builtinFontName + ".fmp" and ".png" in the fonts folder.
void GxLoadGlobalFonts(std::u16string_view fontFolder, const int32_t (&fontSizes)[GX_GDIFONTMAP_COUNT],
                       std::u16string_view builtinFontName);
// Clears the six atlases, then releases the eight bitmap fonts and the message-window font.
void GxUnloadGlobalFonts();
