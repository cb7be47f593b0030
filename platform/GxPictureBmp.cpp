// BMP reader: OS/2 and Windows headers (12 to 124 bytes), 1/4/8-bit palettes, 16/24/32-bit
// pixels with or without channel masks, 4- and 8-bit run-length encoding, either row order.
// A 32-bit picture has alpha only where a mask gives it one (the fourth byte is otherwise
// reserved); pixels that run-length data skips stay transparent black.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/GxPicture.h"

namespace {

uint32_t Le32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;

struct Header
{
    uint32_t width = 0;
    uint32_t height = 0;
    bool topDown = false;
    uint32_t bits = 0;
    uint32_t compression = kRgb;
    uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
    size_t paletteOffset = 0;
    uint32_t paletteEntries = 0;
    uint32_t paletteEntryBytes = 4;
    size_t dataOffset = 0;
};

bool ReadHeader(const uint8_t* d, size_t size, Header* h, std::string* error)
{
    auto fail = [error](const char* text) {
        if (error) *error = text;
        return false;
    };
    if (size < 26 || d[0] != 'B' || d[1] != 'M') return fail("BMP: no signature");
    h->dataOffset = Le32(d + 10);
    const uint32_t headerSize = Le32(d + 14);
    if (headerSize != 12 && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 64 &&
        headerSize != 108 && headerSize != 124)
        return fail("BMP: unknown header");
    if (14 + static_cast<uint64_t>(headerSize) > size) return fail("BMP: truncated header");
    size_t after = 14 + headerSize;
    if (headerSize == 12) {
        h->width = Le16(d + 18);
        h->height = Le16(d + 20);
        h->bits = Le16(d + 24);
        h->paletteEntryBytes = 3;
    } else {
        int32_t w = static_cast<int32_t>(Le32(d + 18));
        int32_t hh = static_cast<int32_t>(Le32(d + 22));
        if (w <= 0 || hh == 0 || hh == INT32_MIN) return fail("BMP: broken header");
        h->width = static_cast<uint32_t>(w);
        h->topDown = hh < 0;
        h->height = static_cast<uint32_t>(hh < 0 ? -hh : hh);
        h->bits = Le16(d + 28);
        h->compression = Le32(d + 30);
        h->paletteEntries = Le32(d + 46);
        if (headerSize >= 52) {
            h->masks[0] = Le32(d + 54);
            h->masks[1] = Le32(d + 58);
            h->masks[2] = Le32(d + 62);
        }
        if (headerSize >= 56) h->masks[3] = Le32(d + 66);
        if (headerSize == 40 && (h->compression == kBitFields || h->compression == kAlphaBitFields)) {
            // The masks follow the short header.
            size_t n = h->compression == kBitFields ? 3 : 4;
            if (after + 4 * n > size) return fail("BMP: truncated masks");
            for (size_t i = 0; i < n; ++i) h->masks[i] = Le32(d + after + 4 * i);
            after += 4 * n;
        }
    }
    if (h->width == 0 || h->height == 0) return fail("BMP: broken header");
    switch (h->compression) {
    case kRgb:
        if (h->bits != 1 && h->bits != 4 && h->bits != 8 && h->bits != 16 && h->bits != 24 && h->bits != 32)
            return fail("BMP: unsupported bit count");
        break;
    case kRle8:
        if (h->bits != 8 || h->topDown) return fail("BMP: broken run-length header");
        break;
    case kRle4:
        if (h->bits != 4 || h->topDown) return fail("BMP: broken run-length header");
        break;
    case kBitFields:
    case kAlphaBitFields:
        if (h->bits != 16 && h->bits != 32) return fail("BMP: broken mask header");
        break;
    default: return fail("BMP: unsupported compression");
    }
    if (h->compression == kRgb && h->bits == 16) {
        h->masks[0] = 0x7C00;
        h->masks[1] = 0x03E0;
        h->masks[2] = 0x001F;
        h->masks[3] = 0;
    } else if (h->compression == kRgb && (h->bits == 24 || h->bits == 32)) {
        h->masks[0] = 0xFF0000;
        h->masks[1] = 0xFF00;
        h->masks[2] = 0xFF;
        h->masks[3] = 0;
    } else if (h->compression == kBitFields) {
        // Plain bit fields carry no alpha unless a long header gave a mask.
        if (headerSize < 56) h->masks[3] = 0;
    }
    // Pictures of more than 8 bits may carry a palette for display only; it is not read.
    if (h->bits > 8) h->paletteEntries = 0;
    if (h->bits <= 8) {
        uint32_t most = 1u << h->bits;
        if (h->paletteEntries == 0 || h->paletteEntries > most) h->paletteEntries = most;
        h->paletteOffset = after;
        if (after + static_cast<uint64_t>(h->paletteEntries) * h->paletteEntryBytes > size)
            return fail("BMP: truncated palette");
    }
    if (h->dataOffset >= size) return fail("BMP: truncated data");
    return true;
}

struct Channel
{
    uint32_t mask = 0;
    uint32_t shift = 0;
    uint32_t max = 0;

    explicit Channel(uint32_t m) : mask(m)
    {
        if (!m) return;
        while (!((m >> shift) & 1)) ++shift;
        max = m >> shift;
    }
    uint32_t Get(uint32_t v, uint32_t absent) const
    {
        if (!mask) return absent;
        uint64_t c = (v & mask) >> shift;
        return static_cast<uint32_t>((c * 255 + max / 2) / max);
    }
};

}  // namespace

bool GxBmpProbe(const uint8_t* data, size_t size, GxPictureInfo* info, std::string* error)
{
    Header h;
    if (!ReadHeader(data, size, &h, error)) return false;
    info->width = h.width;
    info->height = h.height;
    info->depth = 1;
    info->mipLevels = 1;
    if (h.bits <= 8) info->format = GXFMT_P8;
    else if (h.bits == 16) info->format = h.masks[3] ? GXFMT_A1R5G5B5 : GXFMT_X1R5G5B5;
    else if (h.bits == 24) info->format = GXFMT_R8G8B8;
    else info->format = h.masks[3] ? GXFMT_A8R8G8B8 : GXFMT_X8R8G8B8;
    info->fileFormat = GXPIC_BMP;
    return true;
}

bool GxBmpDecodeTo(const uint8_t* data, size_t size, const GxPictureRows& rows, uint32_t width, uint32_t height,
                   std::string* error)
{
    Header h;
    if (!ReadHeader(data, size, &h, error)) return false;
    if (h.width != width || h.height != height) {
        if (error) *error = "BMP: size differs from the header";
        return false;
    }
    auto fail = [error](const char* text) {
        if (error) *error = text;
        return false;
    };
    std::vector<uint32_t> palette(h.paletteEntries);
    for (uint32_t i = 0; i < h.paletteEntries; ++i) {
        const uint8_t* e = data + h.paletteOffset + static_cast<size_t>(i) * h.paletteEntryBytes;
        palette[i] = 0xFF000000u | (static_cast<uint32_t>(e[2]) << 16) | (static_cast<uint32_t>(e[1]) << 8) | e[0];
    }
    auto indexColor = [&](uint32_t i) { return i < palette.size() ? palette[i] : 0xFF000000u; };
    // File rows run bottom-up unless the height was negative.
    auto rowOut = [&](uint32_t fileRow) {
        uint32_t y = h.topDown ? fileRow : height - 1 - fileRow;
        return rows.pixels + static_cast<size_t>(y) * rows.pitch;
    };
    const uint8_t* src = data + h.dataOffset;
    const uint64_t available = size - h.dataOffset;

    if (h.compression == kRle8 || h.compression == kRle4) {
        for (uint32_t y = 0; y < height; ++y) std::fill_n(rowOut(y), width, 0u);
        const bool four = h.compression == kRle4;
        uint64_t at = 0;
        uint32_t x = 0, y = 0;
        auto put = [&](uint32_t index) {
            if (x < width && y < height) rowOut(y)[x] = indexColor(index);
            ++x;
        };
        while (true) {
            if (at + 2 > available) return fail("BMP: truncated data");
            const uint32_t count = src[at], value = src[at + 1];
            at += 2;
            // Runs stay within their row and moves within the picture: data that goes outside
            // is damaged, and clipping it would report a wrong picture as read.
            if (count > 0) {
                if (static_cast<uint64_t>(x) + count > width) return fail("BMP: run passes the row end");
                for (uint32_t k = 0; k < count; ++k) put(four ? ((k & 1) ? value & 15 : value >> 4) : value);
                continue;
            }
            if (value == 0) {  // end of line
                x = 0;
                ++y;
            } else if (value == 1) {  // end of picture
                break;
            } else if (value == 2) {  // move
                if (at + 2 > available) return fail("BMP: truncated data");
                x += src[at];
                y += src[at + 1];
                at += 2;
                if (x > width || y > height || (y == height && x > 0)) return fail("BMP: move leaves the picture");
            } else {  // a literal run, padded to a 16-bit boundary
                const uint64_t bytes = four ? (value + 1) / 2 : value;
                const uint64_t padded = (bytes + 1) & ~1ull;
                if (at + padded > available) return fail("BMP: truncated data");
                if (static_cast<uint64_t>(x) + value > width) return fail("BMP: run passes the row end");
                for (uint32_t k = 0; k < value; ++k) {
                    uint32_t b = src[at + (four ? k / 2 : k)];
                    put(four ? ((k & 1) ? b & 15 : b >> 4) : b);
                }
                at += padded;
            }
            if (y >= height) break;
        }
        return true;
    }

    const uint64_t stride = ((static_cast<uint64_t>(width) * h.bits + 31) / 32) * 4;
    if (stride * height > available) return fail("BMP: truncated data");
    Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]), alpha(h.masks[3]);
    for (uint32_t fy = 0; fy < height; ++fy) {
        const uint8_t* p = src + fy * stride;
        uint32_t* out = rowOut(fy);
        switch (h.bits) {
        case 1:
        case 4:
        case 8: {
            const uint32_t perByte = 8 / h.bits, mask = (1u << h.bits) - 1;
            for (uint32_t x = 0; x < width; ++x) {
                uint32_t b = p[x / perByte];
                uint32_t shift = 8 - h.bits * (x % perByte + 1);
                out[x] = indexColor((b >> shift) & mask);
            }
            break;
        }
        case 24:
            for (uint32_t x = 0; x < width; ++x, p += 3)
                out[x] = 0xFF000000u | (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[0];
            break;
        default: {
            const uint32_t bytes = h.bits / 8;
            for (uint32_t x = 0; x < width; ++x, p += bytes) {
                uint32_t v = bytes == 2 ? Le16(p) : Le32(p);
                out[x] = (alpha.Get(v, 255) << 24) | (red.Get(v, 0) << 16) | (green.Get(v, 0) << 8) | blue.Get(v, 0);
            }
            break;
        }
        }
    }
    return true;
}
