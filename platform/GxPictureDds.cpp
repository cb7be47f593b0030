// DDS reader: the first level of the first surface, uncompressed (any channel masks, or a
// format number in the four-character code) or block compressed DXT1 to DXT5, with the DX10
// extension header for the same formats.
#include <algorithm>
#include <cstring>

#include "platform/GxPicture.h"

namespace {

uint32_t Le32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

constexpr uint32_t kAlphaPixels = 0x1;
constexpr uint32_t kAlphaOnly = 0x2;
constexpr uint32_t kFourCC = 0x4;
constexpr uint32_t kRgb = 0x40;
constexpr uint32_t kLuminance = 0x20000;

enum class Kind { Masks, Dxt1, Dxt3, Dxt5 };

struct Layout
{
    Kind kind = Kind::Masks;
    bool premultiplied = false;  // DXT2 and DXT4
    uint32_t bits = 0;           // bits per pixel of the uncompressed forms
    uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
    bool luminance = false;      // red mask is grey
    size_t dataOffset = 128;
    GxFormat format = GXFMT_UNKNOWN;
};

struct MaskForm
{
    uint32_t code;
    uint32_t bits;
    uint32_t r, g, b, a;
    bool luminance;
};

// Format numbers some writers put in the four-character code.
constexpr MaskForm kNumbered[] = {
    {20, 24, 0xFF0000, 0xFF00, 0xFF, 0, false},                // R8G8B8
    {21, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u, false},      // A8R8G8B8
    {22, 32, 0xFF0000, 0xFF00, 0xFF, 0, false},                // X8R8G8B8
    {23, 16, 0xF800, 0x07E0, 0x001F, 0, false},                // R5G6B5
    {24, 16, 0x7C00, 0x03E0, 0x001F, 0, false},                // X1R5G5B5
    {25, 16, 0x7C00, 0x03E0, 0x001F, 0x8000, false},           // A1R5G5B5
    {26, 16, 0x0F00, 0x00F0, 0x000F, 0xF000, false},           // A4R4G4B4
    {28, 8, 0, 0, 0, 0xFF, false},                             // A8
    {30, 16, 0x0F00, 0x00F0, 0x000F, 0, false},                // X4R4G4B4
    {32, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000u, false},      // A8B8G8R8
    {33, 32, 0xFF, 0xFF00, 0xFF0000, 0, false},                // X8B8G8R8
    {50, 8, 0xFF, 0, 0, 0, true},                              // L8
    {51, 16, 0xFF, 0, 0, 0xFF00, true},                        // A8L8
};

// DXGI format numbers of the DX10 header that map onto the forms above.
bool FromDxgi(uint32_t dxgi, Layout* l)
{
    switch (dxgi) {
    case 71: case 72: l->kind = Kind::Dxt1; l->format = GXFMT_DXT1; return true;
    case 74: case 75: l->kind = Kind::Dxt3; l->format = GXFMT_DXT3; return true;
    case 77: case 78: l->kind = Kind::Dxt5; l->format = GXFMT_DXT5; return true;
    case 28: case 29:  // R8G8B8A8
        l->bits = 32;
        l->masks[0] = 0xFF; l->masks[1] = 0xFF00; l->masks[2] = 0xFF0000; l->masks[3] = 0xFF000000u;
        l->format = GXFMT_A8B8G8R8;
        return true;
    case 87: case 91:  // B8G8R8A8
        l->bits = 32;
        l->masks[0] = 0xFF0000; l->masks[1] = 0xFF00; l->masks[2] = 0xFF; l->masks[3] = 0xFF000000u;
        l->format = GXFMT_A8R8G8B8;
        return true;
    case 88: case 93:  // B8G8R8X8
        l->bits = 32;
        l->masks[0] = 0xFF0000; l->masks[1] = 0xFF00; l->masks[2] = 0xFF;
        l->format = GXFMT_X8R8G8B8;
        return true;
    default: return false;
    }
}

// The grey layouts by bit count: 8 bits grey (L8), 16 bits grey (L16) or, with the alpha
// flag, grey in the low byte and alpha in the high one (A8L8). False for other bit counts.
bool LuminanceByBitCount(uint32_t flags, Layout* l)
{
    const bool alpha = (flags & kAlphaPixels) != 0;
    if (l->bits == 8) {
        l->masks[0] = 0xFF;
        l->masks[3] = 0;
    } else if (l->bits == 16) {
        l->masks[0] = alpha ? 0xFF : 0xFFFF;
        l->masks[3] = alpha ? 0xFF00 : 0;
    } else {
        return false;
    }
    l->masks[1] = l->masks[2] = 0;
    return true;
}

GxFormat GuessFormat(const Layout& l)
{
    if (l.luminance && l.bits == 16 && !l.masks[3] && l.masks[0] == 0xFFFF) return GXFMT_L16;
    if (l.luminance) return l.masks[3] ? GXFMT_A8L8 : GXFMT_L8;
    if (l.bits == 8 && l.masks[3] && !l.masks[0]) return GXFMT_A8;
    if (l.bits == 16) return l.masks[3] ? GXFMT_A4R4G4B4 : GXFMT_X4R4G4B4;
    if (l.bits == 24) return GXFMT_R8G8B8;
    return l.masks[3] ? GXFMT_A8R8G8B8 : GXFMT_X8R8G8B8;
}

bool ReadLayout(const uint8_t* d, size_t size, Layout* l, uint32_t* width, uint32_t* height, std::string* error)
{
    auto fail = [error](const char* text) {
        if (error) *error = text;
        return false;
    };
    if (size < 128 || std::memcmp(d, "DDS ", 4) != 0) return fail("DDS: no signature");
    *height = Le32(d + 12);
    *width = Le32(d + 16);
    if (*width == 0 || *height == 0) return fail("DDS: broken header");
    uint32_t flags = Le32(d + 80), code = Le32(d + 84);
    if (flags & kFourCC) {
        if (code == GxMakeFourCC('D', 'X', 'T', '1')) {
            l->kind = Kind::Dxt1;
            l->format = GXFMT_DXT1;
        } else if (code == GxMakeFourCC('D', 'X', 'T', '2') || code == GxMakeFourCC('D', 'X', 'T', '3')) {
            l->kind = Kind::Dxt3;
            l->premultiplied = code == GxMakeFourCC('D', 'X', 'T', '2');
            l->format = static_cast<GxFormat>(code);
        } else if (code == GxMakeFourCC('D', 'X', 'T', '4') || code == GxMakeFourCC('D', 'X', 'T', '5')) {
            l->kind = Kind::Dxt5;
            l->premultiplied = code == GxMakeFourCC('D', 'X', 'T', '4');
            l->format = static_cast<GxFormat>(code);
        } else if (code == GxMakeFourCC('D', 'X', '1', '0')) {
            if (size < 148) return fail("DDS: truncated extension header");
            if (!FromDxgi(Le32(d + 128), l)) return fail("DDS: unsupported format");
            l->dataOffset = 148;
        } else {
            const MaskForm* form = nullptr;
            for (const auto& f : kNumbered)
                if (f.code == code) form = &f;
            if (!form) return fail("DDS: unsupported format");
            l->bits = form->bits;
            l->masks[0] = form->r;
            l->masks[1] = form->g;
            l->masks[2] = form->b;
            l->masks[3] = form->a;
            l->luminance = form->luminance;
            l->format = static_cast<GxFormat>(code);
        }
        return true;
    }
    if (!(flags & (kRgb | kLuminance | kAlphaOnly))) return fail("DDS: unsupported format");
    l->bits = Le32(d + 88);
    if (l->bits != 8 && l->bits != 16 && l->bits != 24 && l->bits != 32) return fail("DDS: unsupported bit count");
    l->luminance = (flags & kLuminance) != 0;
    if (flags & (kRgb | kLuminance)) {
        l->masks[0] = Le32(d + 92);
        l->masks[1] = Le32(d + 96);
        l->masks[2] = Le32(d + 100);
    }
    if (flags & (kAlphaPixels | kAlphaOnly)) l->masks[3] = Le32(d + 104);
    // Every channel the flags announce needs a mask inside the pixel: one that is 0 or lies
    // beyond the pixel's bits would decode to a plausible but wrong picture. Grey takes the
    // red mask alone.
    const uint32_t inside = l->bits == 32 ? 0xFFFFFFFFu : (1u << l->bits) - 1;
    auto usable = [inside](uint32_t mask) { return mask != 0 && (mask & ~inside) == 0; };
    bool masksOk = true;
    if (flags & kRgb) masksOk = usable(l->masks[0]) && usable(l->masks[1]) && usable(l->masks[2]);
    else if (flags & kLuminance) masksOk = usable(l->masks[0]);
    if (flags & (kAlphaPixels | kAlphaOnly)) masksOk = masksOk && usable(l->masks[3]);
    // Some writers of grey pictures put the mask where it would lie in a 32-bit pixel (0xFF000000
    // for 8 bits); common readers go by the bit count there, and so does this one.
    if (!masksOk && !(flags & kRgb) && (flags & kLuminance)) masksOk = LuminanceByBitCount(flags, l);
    if (!masksOk) return fail("DDS: channel mask outside the pixel");
    l->format = GuessFormat(*l);
    return true;
}

// A channel taken out by its mask and widened (or narrowed) to 8 bits.
struct Channel
{
    uint32_t mask = 0;
    uint32_t shift = 0;
    uint32_t max = 0;  // the largest value after the shift

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

void ColorBlock(const uint8_t* b, bool fourColors, uint32_t out[16])
{
    uint16_t c0 = Le16(b), c1 = Le16(b + 2);
    uint32_t r[4], g[4], bl[4], a[4] = {255, 255, 255, 255};
    auto widen = [](uint16_t c, uint32_t* rr, uint32_t* gg, uint32_t* bb) {
        uint32_t r5 = (c >> 11) & 31, g6 = (c >> 5) & 63, b5 = c & 31;
        *rr = (r5 << 3) | (r5 >> 2);
        *gg = (g6 << 2) | (g6 >> 4);
        *bb = (b5 << 3) | (b5 >> 2);
    };
    widen(c0, &r[0], &g[0], &bl[0]);
    widen(c1, &r[1], &g[1], &bl[1]);
    if (fourColors || c0 > c1) {
        r[2] = (2 * r[0] + r[1]) / 3;
        g[2] = (2 * g[0] + g[1]) / 3;
        bl[2] = (2 * bl[0] + bl[1]) / 3;
        r[3] = (r[0] + 2 * r[1]) / 3;
        g[3] = (g[0] + 2 * g[1]) / 3;
        bl[3] = (bl[0] + 2 * bl[1]) / 3;
    } else {
        r[2] = (r[0] + r[1]) / 2;
        g[2] = (g[0] + g[1]) / 2;
        bl[2] = (bl[0] + bl[1]) / 2;
        r[3] = g[3] = bl[3] = 0;
        a[3] = 0;
    }
    uint32_t indices = Le32(b + 4);
    for (int i = 0; i < 16; ++i) {
        uint32_t k = (indices >> (2 * i)) & 3;
        out[i] = (a[k] << 24) | (r[k] << 16) | (g[k] << 8) | bl[k];
    }
}

void ExplicitAlpha(const uint8_t* b, uint32_t px[16])
{
    for (int i = 0; i < 16; ++i) {
        uint32_t a = (b[i / 2] >> ((i & 1) * 4)) & 0xF;
        px[i] = (px[i] & 0x00FFFFFFu) | ((a * 17) << 24);
    }
}

void InterpolatedAlpha(const uint8_t* b, uint32_t px[16])
{
    uint32_t a[8];
    a[0] = b[0];
    a[1] = b[1];
    if (a[0] > a[1]) {
        for (int i = 1; i < 7; ++i) a[i + 1] = ((7 - i) * a[0] + i * a[1]) / 7;
    } else {
        for (int i = 1; i < 5; ++i) a[i + 1] = ((5 - i) * a[0] + i * a[1]) / 5;
        a[6] = 0;
        a[7] = 255;
    }
    uint64_t bits = 0;
    for (int i = 0; i < 6; ++i) bits |= static_cast<uint64_t>(b[2 + i]) << (8 * i);
    for (int i = 0; i < 16; ++i) {
        uint32_t k = static_cast<uint32_t>((bits >> (3 * i)) & 7);
        px[i] = (px[i] & 0x00FFFFFFu) | (a[k] << 24);
    }
}

uint32_t Unpremultiply(uint32_t p)
{
    uint32_t a = p >> 24;
    if (a == 0 || a == 255) return p;
    uint32_t r = std::min(255u, ((p >> 16) & 255) * 255 / a);
    uint32_t g = std::min(255u, ((p >> 8) & 255) * 255 / a);
    uint32_t b = std::min(255u, (p & 255) * 255 / a);
    return (a << 24) | (r << 16) | (g << 8) | b;
}

}  // namespace

bool GxDdsProbe(const uint8_t* data, size_t size, GxPictureInfo* info, std::string* error)
{
    Layout l;
    uint32_t w = 0, h = 0;
    if (!ReadLayout(data, size, &l, &w, &h, error)) return false;
    info->width = w;
    info->height = h;
    info->depth = Le32(data + 24);
    info->mipLevels = std::max(1u, Le32(data + 28));
    info->format = l.format;
    info->fileFormat = GXPIC_DDS;
    return true;
}

bool GxDdsDecodeTo(const uint8_t* data, size_t size, const GxPictureRows& rows, uint32_t width, uint32_t height,
                   std::string* error)
{
    Layout l;
    uint32_t w = 0, h = 0;
    if (!ReadLayout(data, size, &l, &w, &h, error)) return false;
    if (w != width || h != height) {
        if (error) *error = "DDS: size differs from the header";
        return false;
    }
    const uint8_t* src = data + l.dataOffset;
    const uint64_t available = size - l.dataOffset;
    if (l.kind != Kind::Masks) {
        const uint64_t blockBytes = l.kind == Kind::Dxt1 ? 8 : 16;
        const uint64_t bw = (static_cast<uint64_t>(w) + 3) / 4, bh = (static_cast<uint64_t>(h) + 3) / 4;
        if (bw * bh * blockBytes > available) {
            if (error) *error = "DDS: truncated data";
            return false;
        }
        uint32_t px[16];
        for (uint64_t by = 0; by < bh; ++by) {
            for (uint64_t bx = 0; bx < bw; ++bx) {
                const uint8_t* b = src + (by * bw + bx) * blockBytes;
                if (l.kind == Kind::Dxt1) {
                    ColorBlock(b, false, px);
                } else {
                    ColorBlock(b + 8, true, px);
                    if (l.kind == Kind::Dxt3) ExplicitAlpha(b, px);
                    else InterpolatedAlpha(b, px);
                }
                for (uint32_t i = 0; i < 16; ++i) {
                    uint64_t x = bx * 4 + (i & 3), y = by * 4 + (i >> 2);
                    if (x >= w || y >= h) continue;
                    rows.pixels[y * rows.pitch + x] = l.premultiplied ? Unpremultiply(px[i]) : px[i];
                }
            }
        }
        return true;
    }
    const uint64_t bytesPerPixel = l.bits / 8;
    const uint64_t pitch = bytesPerPixel * w;
    if (pitch * h > available) {
        if (error) *error = "DDS: truncated data";
        return false;
    }
    Channel red(l.masks[0]), green(l.masks[1]), blue(l.masks[2]), alpha(l.masks[3]);
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* p = src + y * pitch;
        uint32_t* out = rows.pixels + y * rows.pitch;
        for (uint32_t x = 0; x < w; ++x, p += bytesPerPixel) {
            uint32_t v = 0;
            for (uint64_t i = 0; i < bytesPerPixel; ++i) v |= static_cast<uint32_t>(p[i]) << (8 * i);
            uint32_t r = red.Get(v, 0), g = green.Get(v, 0), b = blue.Get(v, 0), a = alpha.Get(v, 255);
            if (l.luminance) g = b = r;
            out[x] = (a << 24) | (r << 16) | (g << 8) | b;
        }
    }
    return true;
}
