// Picture probes, scratch surfaces from picture files, and the PNG coding the engine calls by
// name: the decoder from memory behind the multi-picture blend and the writer of the save
// thumbnails. Picture files are read whole through the file layer (packs and the file cache
// included); only the PNG and DDS probes open a file and read its header.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/GxDevice.h"

// What the probes read: all 0 when nothing was read.
struct GxImageInfo
{
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t depth = 0;
};

// Size of a picture file without decoding it: ".png" and ".dds" names (any letter case) by their
// headers, any other name through the picture reader. Failures log one line and return false.
bool GetInfoFromFile(std::u16string_view name, GxImageInfo* info);
// The same for picture bytes in memory, told apart by their content.
bool GetInfoFromMemory(const void* data, uint32_t size, GxImageInfo* info);

// A scratch surface of the picture's size and the given format holding the picture. A failed
// load leaves the made surface in *surface for the caller to release.
bool CreateScratchSurfaceFromFile(std::u16string_view name, GxDeviceSurface** surface, GxFormat format,
                                  GxImageInfo* info, GxColor colorKey);

// A PNG picture decoded to one block of width x height 0xAARRGGBB words (blue, green, red,
// alpha in memory), rows top first; none when the data is not a whole, sound PNG picture.
// Free it with GxPngRelease (none is allowed).
uint8_t* GxPngDecodeFromMemory(const void* data, uint32_t size, uint32_t* width, uint32_t* height);
void GxPngRelease(uint8_t* picture);

// Writes a 32-bit picture of the decoder's layout as a PNG file; path is narrow text in the ANSI
// code page. True only when the file was written whole.
bool GxPngWriteFile(std::string_view path, uint32_t width, uint32_t height, const void* pixels);

// The composite of one pixel of a layer over the accumulated picture, as the multi-picture
// blend makes it (integer arithmetic, channels and alpha 0..255).
uint32_t GxBlendPixel(uint32_t accumulated, uint32_t layer);
// Composites a layer onto the accumulated picture over their common top-left area.
void GxBlendPicture(uint32_t* accumulated, uint32_t width, uint32_t height, const uint32_t* layer,
                    uint32_t layerWidth, uint32_t layerHeight);

// The text of a failed device or picture call for the logs: the device's error text, with the
// picture reader's reason when there is one.
std::u16string GxPictureErrorText(GxResult result, const std::string& reason);
