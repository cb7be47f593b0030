// Picture decoding and PNG writing: PNG over libpng, JPEG over libjpeg-turbo, and our own DDS
// (uncompressed and DXT1-5), TGA and BMP readers. A picture is told apart by its content, never
// by its name.
//
// Every reader works from bytes in memory, checks every count and offset against the bytes
// that remain, refuses a side above the limit it is given (sizes are multiplied in 64 bits),
// and reports a failure as false with a short reason; none of them prints anything. Decoded
// pixels are 0xAARRGGBB words, rows top first (in memory: blue, green, red, alpha).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/GxDeviceTypes.h"

// The container of a picture file. The values are those of the engine's image-file codes.
enum GxPictureFileFormat : uint32_t {
    GXPIC_BMP = 0,
    GXPIC_JPG = 1,
    GXPIC_TGA = 2,
    GXPIC_PNG = 3,
    GXPIC_DDS = 4,
    GXPIC_UNKNOWN = 0xFFFFFFFFu,
};

struct GxPictureInfo
{
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t depth = 0;      // volume depth of a DDS picture, else 0 or 1
    uint32_t mipLevels = 1;  // levels stored in the file (only the first is read)
    GxFormat format = GXFMT_UNKNOWN;  // the stored pixel format, as near as the device formats say it
    GxPictureFileFormat fileFormat = GXPIC_UNKNOWN;
};

// Where a decoder writes: height rows of width words, pitch words apart.
struct GxPictureRows
{
    uint32_t* pixels = nullptr;
    size_t pitch = 0;  // in words
};

// The largest side a reader accepts when the caller gives no device limit.
constexpr uint32_t GX_PICTURE_MAX_SIDE = 16384;

// Which container the bytes hold (by signature; TGA by a plausible header), or GXPIC_UNKNOWN.
GxPictureFileFormat GxPictureDetect(const void* data, size_t size);

// Reads the header only. False (with the reason) when the container is unknown or the header
// is broken or truncated; a zero side is broken.
bool GxPictureProbe(const void* data, size_t size, GxPictureInfo* info, std::string* error);

// Decodes the first picture into rows of at least info.width x info.height words, info being
// what GxPictureProbe gave for the same bytes. maxSide bounds both sides. On failure the rows
// may hold part of the picture.
bool GxPictureDecodeTo(const void* data, size_t size, const GxPictureInfo& info, uint32_t maxSide,
                       const GxPictureRows& rows, std::string* error);

// Probe, limit check and decode into a new image.
bool GxPictureDecode(const void* data, size_t size, uint32_t maxSide, GxPixelImage* image, GxPictureInfo* info,
                     std::string* error);

// The readers behind the two calls above, one per container.
bool GxPngProbe(const uint8_t* data, size_t size, GxPictureInfo* info, std::string* error);
bool GxPngDecodeTo(const uint8_t* data, size_t size, uint32_t maxSide, const GxPictureRows& rows, uint32_t width,
                   uint32_t height, std::string* error);
bool GxJpegProbe(const uint8_t* data, size_t size, GxPictureInfo* info, std::string* error);
bool GxJpegDecodeTo(const uint8_t* data, size_t size, uint32_t maxSide, const GxPictureRows& rows, uint32_t width,
                    uint32_t height, std::string* error);
bool GxDdsProbe(const uint8_t* data, size_t size, GxPictureInfo* info, std::string* error);
bool GxDdsDecodeTo(const uint8_t* data, size_t size, const GxPictureRows& rows, uint32_t width, uint32_t height,
                   std::string* error);
bool GxTgaProbe(const uint8_t* data, size_t size, GxPictureInfo* info, std::string* error);
bool GxTgaDecodeTo(const uint8_t* data, size_t size, const GxPictureRows& rows, uint32_t width, uint32_t height,
                   std::string* error);
bool GxBmpProbe(const uint8_t* data, size_t size, GxPictureInfo* info, std::string* error);
bool GxBmpDecodeTo(const uint8_t* data, size_t size, const GxPictureRows& rows, uint32_t width, uint32_t height,
                   std::string* error);

// Writes a 32-bit picture (0xAARRGGBB words, rows top first, pitch words apart) as an 8-bit
// RGBA PNG file at a native path. True only when the whole file was written and closed; a
// failed write removes what it left.
bool GxPngWrite(const std::string& nativePath, uint32_t width, uint32_t height, const uint32_t* pixels, size_t pitch,
                std::string* error);
