// Screenshots of the demo's headless runs, read back for checks at chosen pixels and regions.
#pragma once

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace coretest {

struct Shot
{
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> rgb;
    uint32_t At(uint32_t x, uint32_t y) const
    {
        const size_t i = (size_t(y) * width + x) * 3;
        return uint32_t(rgb[i]) << 16 | uint32_t(rgb[i + 1]) << 8 | rgb[i + 2];
    }
    // Pixels of the rectangle bright enough to be text (the demo's windows are dark).
    int Bright(uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1) const
    {
        int n = 0;
        for (uint32_t y = y0; y < y1; ++y)
            for (uint32_t x = x0; x < x1; ++x) {
                const uint32_t c = At(x, y);
                n += ((c >> 16 & 0xFF) + (c >> 8 & 0xFF) + (c & 0xFF)) > 3 * 160;
            }
        return n;
    }
};

inline bool ReadShot(const std::filesystem::path& file, Shot& out)
{
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&img, file.c_str())) return false;
    img.format = PNG_FORMAT_RGB;
    out.width = img.width;
    out.height = img.height;
    out.rgb.resize(PNG_IMAGE_SIZE(img));
    const bool ok = png_image_finish_read(&img, nullptr, out.rgb.data(), 0, nullptr) != 0;
    png_image_free(&img);
    return ok;
}

// Pixels of a region that differ between two shots.
inline int Changed(const Shot& a, const Shot& b, uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1)
{
    int n = 0;
    for (uint32_t y = y0; y < y1; ++y)
        for (uint32_t x = x0; x < x1; ++x) n += a.At(x, y) != b.At(x, y);
    return n;
}

inline std::string Hex(uint32_t c)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%06X", c & 0xFFFFFF);
    return buf;
}

}  // namespace coretest
