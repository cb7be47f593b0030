#include "tests/support/GxPictureWriter.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include <jpeglib.h>

namespace gxtest {

namespace {

void Put16(std::vector<uint8_t>& v, uint32_t x)
{
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x)
{
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}

void PngToVector(png_structp png, png_bytep data, size_t length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void PngFlush(png_structp) {}

}  // namespace

TestPicture MakeTestPicture(uint32_t width, uint32_t height, bool withAlpha, uint32_t seed)
{
    TestPicture p(width, height);
    uint32_t state = seed * 2654435761u + 1;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            uint32_t noise = (state >> 28) & 7;
            uint32_t r = (x * 255 / (width ? width : 1) + noise) & 255;
            uint32_t g = (y * 255 / (height ? height : 1) + noise) & 255;
            uint32_t b = ((x + y) * 2 + noise) & 255;
            uint32_t a = withAlpha ? ((x * 7 + y * 3) & 255) : 255;
            p.At(x, y) = (a << 24) | (r << 16) | (g << 8) | b;
        }
    }
    return p;
}

std::vector<uint8_t> WritePng(const PngSpec& s)
{
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rows(s.height);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, PngToVector, PngFlush);
    png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colorType,
                 s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    std::vector<png_byte> alpha;
    if (s.colorType == PNG_COLOR_TYPE_PALETTE) {
        for (uint32_t c : s.palette) {
            palette.push_back(png_color{static_cast<png_byte>(c >> 16), static_cast<png_byte>(c >> 8),
                                        static_cast<png_byte>(c)});
            alpha.push_back(static_cast<png_byte>(c >> 24));
        }
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
        bool anyAlpha = false;
        for (auto a : alpha) anyAlpha = anyAlpha || a != 255;
        if (anyAlpha) png_set_tRNS(png, info, alpha.data(), static_cast<int>(alpha.size()), nullptr);
    }
    if (s.greyKey) {
        png_color_16 key{};
        key.gray = s.greyKeyValue;
        png_set_tRNS(png, info, nullptr, 0, &key);
    }
    png_write_info(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    for (uint32_t y = 0; y < s.height; ++y) rows[y] = const_cast<png_bytep>(s.rows.data() + y * rowBytes);
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

std::vector<uint8_t> WritePngRgba(const TestPicture& p)
{
    PngSpec s;
    s.width = p.width;
    s.height = p.height;
    s.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    for (uint32_t c : p.pixels) {
        s.rows.push_back(static_cast<uint8_t>(c >> 16));
        s.rows.push_back(static_cast<uint8_t>(c >> 8));
        s.rows.push_back(static_cast<uint8_t>(c));
        s.rows.push_back(static_cast<uint8_t>(c >> 24));
    }
    return WritePng(s);
}

std::vector<uint8_t> WritePngRgb(const TestPicture& p)
{
    PngSpec s;
    s.width = p.width;
    s.height = p.height;
    s.colorType = PNG_COLOR_TYPE_RGB;
    for (uint32_t c : p.pixels) {
        s.rows.push_back(static_cast<uint8_t>(c >> 16));
        s.rows.push_back(static_cast<uint8_t>(c >> 8));
        s.rows.push_back(static_cast<uint8_t>(c));
    }
    return WritePng(s);
}

std::vector<uint8_t> WritePngCompact(const TestPicture& p)
{
    std::map<uint32_t, uint8_t> index;
    std::vector<uint32_t> palette;
    bool opaque = true;
    for (uint32_t c : p.pixels) {
        opaque = opaque && (c >> 24) == 0xFF;
        if (palette.size() <= 256 && index.emplace(c, static_cast<uint8_t>(palette.size())).second) palette.push_back(c);
    }
    if (palette.size() > 256) return opaque ? WritePngRgb(p) : WritePngRgba(p);
    PngSpec s;
    s.width = p.width;
    s.height = p.height;
    s.colorType = PNG_COLOR_TYPE_PALETTE;
    s.palette = palette;
    s.rows.reserve(p.pixels.size());
    for (uint32_t c : p.pixels) s.rows.push_back(index[c]);
    return WritePng(s);
}

std::vector<uint8_t> WriteJpeg(const TestPicture& p, int quality, bool grey)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = p.width;
    cinfo.image_height = p.height;
    cinfo.input_components = grey ? 1 : 3;
    cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(p.width) * 3);
    while (cinfo.next_scanline < p.height) {
        const uint32_t y = cinfo.next_scanline;
        for (uint32_t x = 0; x < p.width; ++x) {
            uint32_t c = p.At(x, y);
            if (grey) {
                row[x] = static_cast<uint8_t>(c >> 8);
            } else {
                row[3 * x] = static_cast<uint8_t>(c >> 16);
                row[3 * x + 1] = static_cast<uint8_t>(c >> 8);
                row[3 * x + 2] = static_cast<uint8_t>(c);
            }
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

namespace {

std::vector<uint8_t> DdsHeader(uint32_t width, uint32_t height, uint32_t pfFlags, uint32_t fourCC, uint32_t bits,
                               uint32_t r, uint32_t g, uint32_t b, uint32_t a)
{
    std::vector<uint8_t> v{'D', 'D', 'S', ' '};
    Put32(v, 124);
    Put32(v, 0x1 | 0x2 | 0x4 | 0x1000);  // caps, height, width, pixel format
    Put32(v, height);
    Put32(v, width);
    Put32(v, 0);  // pitch or linear size
    Put32(v, 0);  // depth
    Put32(v, 1);  // mip levels
    for (int i = 0; i < 11; ++i) Put32(v, 0);
    Put32(v, 32);
    Put32(v, pfFlags);
    Put32(v, fourCC);
    Put32(v, bits);
    Put32(v, r);
    Put32(v, g);
    Put32(v, b);
    Put32(v, a);
    Put32(v, 0x1000);  // caps: texture
    for (int i = 0; i < 4; ++i) Put32(v, 0);
    return v;
}

}  // namespace

std::vector<uint8_t> WriteDdsArgb(const TestPicture& p)
{
    std::vector<uint8_t> v = DdsHeader(p.width, p.height, 0x41, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u);
    for (uint32_t c : p.pixels) Put32(v, c);
    return v;
}

std::vector<uint8_t> WriteDdsMasks(uint32_t width, uint32_t height, uint32_t flags, uint32_t bits,
                                   const uint32_t masks[4], const std::vector<uint8_t>& pixels)
{
    std::vector<uint8_t> v = DdsHeader(width, height, flags, 0, bits, masks[0], masks[1], masks[2], masks[3]);
    v.insert(v.end(), pixels.begin(), pixels.end());
    return v;
}

std::vector<uint8_t> WriteDdsBlocks(uint32_t width, uint32_t height, const char fourCC[4],
                                    const std::vector<uint8_t>& blocks)
{
    uint32_t code = static_cast<uint8_t>(fourCC[0]) | (static_cast<uint8_t>(fourCC[1]) << 8) |
                    (static_cast<uint8_t>(fourCC[2]) << 16) | (static_cast<uint32_t>(static_cast<uint8_t>(fourCC[3])) << 24);
    std::vector<uint8_t> v = DdsHeader(width, height, 0x4, code, 0, 0, 0, 0, 0);
    v.insert(v.end(), blocks.begin(), blocks.end());
    return v;
}

std::vector<uint8_t> WriteTga(const TestPicture& p, int bits, bool rle, bool topDown)
{
    std::vector<uint8_t> v(18, 0);
    const bool grey = bits == 8 || bits == 16;
    v[2] = grey ? (rle ? 11 : 3) : (rle ? 10 : 2);
    v[12] = static_cast<uint8_t>(p.width);
    v[13] = static_cast<uint8_t>(p.width >> 8);
    v[14] = static_cast<uint8_t>(p.height);
    v[15] = static_cast<uint8_t>(p.height >> 8);
    v[16] = static_cast<uint8_t>(bits);
    v[17] = static_cast<uint8_t>((bits == 32 || bits == 16 ? 8 : 0) | (topDown ? 0x20 : 0));
    const size_t bytes = static_cast<size_t>(bits) / 8;
    auto pixelBytes = [&](uint32_t c) {
        if (grey) {  // the green channel as grey, then the alpha
            std::vector<uint8_t> px{static_cast<uint8_t>(c >> 8)};
            if (bytes == 2) px.push_back(static_cast<uint8_t>(c >> 24));
            return px;
        }
        std::vector<uint8_t> px{static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c >> 16)};
        if (bytes == 4) px.push_back(static_cast<uint8_t>(c >> 24));
        return px;
    };
    std::vector<uint32_t> order;
    for (uint32_t i = 0; i < p.height; ++i) {
        uint32_t y = topDown ? i : p.height - 1 - i;
        for (uint32_t x = 0; x < p.width; ++x) order.push_back(p.At(x, y));
    }
    if (!rle) {
        for (uint32_t c : order) {
            auto px = pixelBytes(c);
            v.insert(v.end(), px.begin(), px.end());
        }
        return v;
    }
    // Runs of equal pixels become run packets, the rest raw packets (both across rows).
    size_t i = 0;
    while (i < order.size()) {
        size_t run = 1;
        while (i + run < order.size() && run < 128 && order[i + run] == order[i]) ++run;
        if (run >= 2) {
            v.push_back(static_cast<uint8_t>(0x80 | (run - 1)));
            auto px = pixelBytes(order[i]);
            v.insert(v.end(), px.begin(), px.end());
            i += run;
            continue;
        }
        size_t raw = 1;
        while (i + raw < order.size() && raw < 128 &&
               !(i + raw + 1 < order.size() && order[i + raw] == order[i + raw + 1]))
            ++raw;
        v.push_back(static_cast<uint8_t>(raw - 1));
        for (size_t k = 0; k < raw; ++k) {
            auto px = pixelBytes(order[i + k]);
            v.insert(v.end(), px.begin(), px.end());
        }
        i += raw;
    }
    return v;
}

namespace {

std::vector<uint8_t> BmpHeaders(const TestPicture& p, int bits, bool topDown, uint32_t paletteEntries,
                                uint32_t dataBytes)
{
    const uint32_t offset = 14 + 40 + paletteEntries * 4;
    std::vector<uint8_t> v{'B', 'M'};
    Put32(v, offset + dataBytes);
    Put32(v, 0);
    Put32(v, offset);
    Put32(v, 40);
    Put32(v, p.width);
    Put32(v, topDown ? static_cast<uint32_t>(-static_cast<int32_t>(p.height)) : p.height);
    Put16(v, 1);
    Put16(v, static_cast<uint32_t>(bits));
    Put32(v, 0);  // BI_RGB
    Put32(v, dataBytes);
    Put32(v, 2835);
    Put32(v, 2835);
    Put32(v, paletteEntries);
    Put32(v, 0);
    return v;
}

}  // namespace

std::vector<uint8_t> WriteBmp(const TestPicture& p, int bits, bool topDown)
{
    const uint32_t stride = ((p.width * bits + 31) / 32) * 4;
    std::vector<uint8_t> v = BmpHeaders(p, bits, topDown, 0, stride * p.height);
    for (uint32_t i = 0; i < p.height; ++i) {
        uint32_t y = topDown ? i : p.height - 1 - i;
        size_t start = v.size();
        for (uint32_t x = 0; x < p.width; ++x) {
            uint32_t c = p.At(x, y);
            v.push_back(static_cast<uint8_t>(c));
            v.push_back(static_cast<uint8_t>(c >> 8));
            v.push_back(static_cast<uint8_t>(c >> 16));
            if (bits == 32) v.push_back(static_cast<uint8_t>(c >> 24));
        }
        while (v.size() - start < stride) v.push_back(0);
    }
    return v;
}

std::vector<uint8_t> WriteBmp8(const TestPicture& p)
{
    std::map<uint32_t, uint8_t> index;
    std::vector<uint32_t> palette;
    for (uint32_t c : p.pixels) {
        uint32_t rgb = c & 0xFFFFFF;
        if (!index.count(rgb) && palette.size() < 256) {
            index[rgb] = static_cast<uint8_t>(palette.size());
            palette.push_back(rgb);
        }
    }
    const uint32_t stride = ((p.width * 8 + 31) / 32) * 4;
    std::vector<uint8_t> v = BmpHeaders(p, 8, false, static_cast<uint32_t>(palette.size()), stride * p.height);
    for (uint32_t c : palette) Put32(v, c);
    for (uint32_t i = 0; i < p.height; ++i) {
        uint32_t y = p.height - 1 - i;
        size_t start = v.size();
        for (uint32_t x = 0; x < p.width; ++x) v.push_back(index[p.At(x, y) & 0xFFFFFF]);
        while (v.size() - start < stride) v.push_back(0);
    }
    return v;
}

std::vector<uint8_t> WriteBmpRle(uint32_t width, uint32_t height, int bits, const std::vector<uint32_t>& palette,
                                 const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> v = BmpHeaders(TestPicture(width, height), bits, false,
                                        static_cast<uint32_t>(palette.size()), static_cast<uint32_t>(data.size()));
    v[30] = bits == 8 ? 1 : 2;  // BI_RLE8, BI_RLE4
    for (uint32_t c : palette) Put32(v, c);
    v.insert(v.end(), data.begin(), data.end());
    return v;
}

bool WriteBytes(const std::string& nativePath, const std::vector<uint8_t>& bytes)
{
    FILE* f = std::fopen(nativePath.c_str(), "wb");
    if (!f) return false;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::vector<uint8_t> ReadBytes(const std::string& nativePath)
{
    std::vector<uint8_t> out;
    FILE* f = std::fopen(nativePath.c_str(), "rb");
    if (!f) return out;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
    std::fclose(f);
    return out;
}

}  // namespace gxtest
