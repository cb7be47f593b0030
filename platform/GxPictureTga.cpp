// TGA reader: colour-mapped, true-colour and grey (with or without alpha) pictures, plain or
// run-length encoded, in either row order. TGA has no signature, so the header must be fully
// plausible to count as one.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/GxPicture.h"

namespace {

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

struct Header
{
    uint32_t idLength;
    uint32_t mapType;
    uint32_t type;
    uint32_t mapFirst;
    uint32_t mapLength;
    uint32_t mapBits;
    uint32_t width;
    uint32_t height;
    uint32_t bits;
    uint32_t descriptor;
    size_t mapOffset;   // first palette byte
    size_t dataOffset;  // first pixel byte
};

uint32_t BytesOf(uint32_t bits) { return (bits + 7) / 8; }

bool ReadHeader(const uint8_t* d, size_t size, Header* h, std::string* error)
{
    auto fail = [error](const char* text) {
        if (error) *error = text;
        return false;
    };
    if (size < 18) return fail("TGA: truncated header");
    h->idLength = d[0];
    h->mapType = d[1];
    h->type = d[2];
    h->mapFirst = Le16(d + 3);
    h->mapLength = Le16(d + 5);
    h->mapBits = d[7];
    h->width = Le16(d + 12);
    h->height = Le16(d + 14);
    h->bits = d[16];
    h->descriptor = d[17];
    const uint32_t base = h->type & ~8u;
    if (h->mapType > 1 || (h->type != 1 && h->type != 2 && h->type != 3 && h->type != 9 && h->type != 10 &&
                           h->type != 11))
        return fail("TGA: not a picture");
    if (h->width == 0 || h->height == 0 || (h->descriptor & 0xC0)) return fail("TGA: broken header");
    bool mapBitsValid = h->mapBits == 15 || h->mapBits == 16 || h->mapBits == 24 || h->mapBits == 32;
    if (base == 1) {
        if (h->mapType != 1 || h->bits != 8 || !mapBitsValid || h->mapLength == 0) return fail("TGA: broken palette");
    } else if (base == 2) {
        if (h->bits != 15 && h->bits != 16 && h->bits != 24 && h->bits != 32) return fail("TGA: broken header");
    } else if (h->bits != 8 && h->bits != 16) {  // grey, or grey and alpha
        return fail("TGA: broken header");
    }
    if (h->mapType == 1 && !mapBitsValid) return fail("TGA: broken palette");
    h->mapOffset = 18 + static_cast<size_t>(h->idLength);
    size_t mapBytes = h->mapType ? static_cast<size_t>(h->mapLength) * BytesOf(h->mapBits) : 0;
    h->dataOffset = h->mapOffset + mapBytes;
    if (h->dataOffset > size) return fail("TGA: truncated palette");
    return true;
}

// A stored pixel of 15/16, 24 or 32 bits; alpha only where the header says the picture has some.
uint32_t ColorOf(const uint8_t* p, uint32_t bits, bool hasAlpha)
{
    switch (bits) {
    case 15:
    case 16: {
        uint32_t v = Le16(p);
        uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
        uint32_t a = hasAlpha && bits == 16 ? ((v & 0x8000) ? 255 : 0) : 255;
        return (a << 24) | (((r << 3) | (r >> 2)) << 16) | (((g << 3) | (g >> 2)) << 8) | ((b << 3) | (b >> 2));
    }
    case 24: return 0xFF000000u | (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[0];
    default: {
        uint32_t a = hasAlpha ? p[3] : 255;
        return (a << 24) | (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[0];
    }
    }
}

}  // namespace

bool GxTgaProbe(const uint8_t* data, size_t size, GxPictureInfo* info, std::string* error)
{
    Header h;
    if (!ReadHeader(data, size, &h, error)) return false;
    info->width = h.width;
    info->height = h.height;
    info->depth = 1;
    info->mipLevels = 1;
    bool alpha = (h.descriptor & 0x0F) != 0;
    uint32_t base = h.type & ~8u;
    if (base == 3) info->format = h.bits == 16 ? (alpha ? GXFMT_A8L8 : GXFMT_L8) : GXFMT_L8;
    else if (base == 1) info->format = GXFMT_P8;
    else if (h.bits == 32) info->format = alpha ? GXFMT_A8R8G8B8 : GXFMT_X8R8G8B8;
    else if (h.bits == 24) info->format = GXFMT_R8G8B8;
    else info->format = alpha && h.bits == 16 ? GXFMT_A1R5G5B5 : GXFMT_X1R5G5B5;
    info->fileFormat = GXPIC_TGA;
    return true;
}

bool GxTgaDecodeTo(const uint8_t* data, size_t size, const GxPictureRows& rows, uint32_t width, uint32_t height,
                   std::string* error)
{
    Header h;
    if (!ReadHeader(data, size, &h, error)) return false;
    if (h.width != width || h.height != height) {
        if (error) *error = "TGA: size differs from the header";
        return false;
    }
    const bool hasAlpha = (h.descriptor & 0x0F) != 0;
    const uint32_t base = h.type & ~8u;
    const bool rle = (h.type & 8) != 0;
    const uint32_t pixelBytes = BytesOf(h.bits);

    // The palette as colours, so a pixel is one look-up.
    std::vector<uint32_t> palette;
    uint32_t paletteSize = 0;
    if (base == 1) {
        paletteSize = h.mapLength;
        palette.resize(paletteSize);
        const uint32_t entryBytes = BytesOf(h.mapBits);
        for (uint32_t i = 0; i < paletteSize; ++i)
            palette[i] = ColorOf(data + h.mapOffset + static_cast<size_t>(i) * entryBytes, h.mapBits, hasAlpha);
    }
    auto colorAt = [&](const uint8_t* p) -> uint32_t {
        if (base == 3) {
            // 16-bit grey carries its alpha in the second byte.
            const uint32_t a = h.bits == 16 && hasAlpha ? p[1] : 255;
            return (a << 24) | static_cast<uint32_t>(p[0]) * 0x010101u;
        }
        if (base == 1) {
            // An index outside the palette reads as opaque black.
            uint32_t i = p[0];
            return i >= h.mapFirst && i - h.mapFirst < paletteSize ? palette[i - h.mapFirst] : 0xFF000000u;
        }
        return ColorOf(p, h.bits, hasAlpha);
    };

    const bool topDown = (h.descriptor & 0x20) != 0;
    const bool rightToLeft = (h.descriptor & 0x10) != 0;
    const uint64_t total = static_cast<uint64_t>(width) * height;
    const uint8_t* p = data + h.dataOffset;
    const uint8_t* end = data + size;
    auto store = [&](uint64_t index, uint32_t color) {
        uint32_t sx = static_cast<uint32_t>(index % width), sy = static_cast<uint32_t>(index / width);
        uint32_t x = rightToLeft ? width - 1 - sx : sx;
        uint32_t y = topDown ? sy : height - 1 - sy;
        rows.pixels[static_cast<size_t>(y) * rows.pitch + x] = color;
    };
    if (!rle) {
        if (total * pixelBytes > static_cast<uint64_t>(end - p)) {
            if (error) *error = "TGA: truncated data";
            return false;
        }
        for (uint64_t i = 0; i < total; ++i, p += pixelBytes) store(i, colorAt(p));
        return true;
    }
    // Packets may run across rows.
    uint64_t i = 0;
    while (i < total) {
        if (p >= end) {
            if (error) *error = "TGA: truncated data";
            return false;
        }
        const uint32_t head = *p++;
        const uint64_t count = std::min<uint64_t>((head & 0x7F) + 1, total - i);
        if (head & 0x80) {
            if (static_cast<uint64_t>(end - p) < pixelBytes) {
                if (error) *error = "TGA: truncated data";
                return false;
            }
            uint32_t c = colorAt(p);
            p += pixelBytes;
            for (uint64_t k = 0; k < count; ++k) store(i++, c);
        } else {
            if (static_cast<uint64_t>(end - p) < count * pixelBytes) {
                if (error) *error = "TGA: truncated data";
                return false;
            }
            for (uint64_t k = 0; k < count; ++k, p += pixelBytes) store(i++, colorAt(p));
        }
    }
    return true;
}
