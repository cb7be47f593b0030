// Writes picture files for tests, benchmarks and fuzz seeds: PNG in any colour type through
// libpng, JPEG through libjpeg, and DDS, TGA and BMP assembled byte by byte. Pictures are given
// as 0xAARRGGBB words, rows top first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gxtest {

struct TestPicture
{
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint32_t> pixels;

    TestPicture() = default;
    TestPicture(uint32_t w, uint32_t h, uint32_t fill = 0) : width(w), height(h), pixels(size_t(w) * h, fill) {}
    uint32_t& At(uint32_t x, uint32_t y) { return pixels[size_t(y) * width + x]; }
    uint32_t At(uint32_t x, uint32_t y) const { return pixels[size_t(y) * width + x]; }
};

// A picture of gradients and a little noise (compresses like a painted background).
TestPicture MakeTestPicture(uint32_t width, uint32_t height, bool withAlpha, uint32_t seed = 1);

// PNG through libpng. colorType: 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA.
struct PngSpec
{
    uint32_t width = 0;
    uint32_t height = 0;
    int colorType = 6;
    int bitDepth = 8;
    bool interlaced = false;
    // Rows as PNG stores them (packed samples, 16-bit samples big-endian), no filter byte.
    std::vector<uint8_t> rows;
    std::vector<uint32_t> palette;  // 0xAARRGGBB; alpha below 255 writes a tRNS chunk
    bool greyKey = false;           // tRNS for grey pictures: this sample value is transparent
    uint16_t greyKeyValue = 0;
};
std::vector<uint8_t> WritePng(const PngSpec& spec);
// Convenience forms: 8-bit RGBA or RGB (alpha dropped) from a picture.
std::vector<uint8_t> WritePngRgba(const TestPicture& picture);
std::vector<uint8_t> WritePngRgb(const TestPicture& picture);
// The smallest of those forms: a palette picture (with the alpha of its colours) when it holds
// at most 256 colours, else RGB when it is opaque, else RGBA. The palette is in the order of
// first use.
std::vector<uint8_t> WritePngCompact(const TestPicture& picture);

// JPEG through libjpeg at the given quality; grey writes one channel (the green of each pixel).
std::vector<uint8_t> WriteJpeg(const TestPicture& picture, int quality, bool grey = false);

// DDS: uncompressed 32-bit A8R8G8B8 masks, or block-compressed data given as is.
std::vector<uint8_t> WriteDdsArgb(const TestPicture& picture);
std::vector<uint8_t> WriteDdsBlocks(uint32_t width, uint32_t height, const char fourCC[4],
                                    const std::vector<uint8_t>& blocks);

// DDS: uncompressed with the given pixel-format flags, bit count and masks (red, green, blue,
// alpha), followed by the pixel bytes as given.
std::vector<uint8_t> WriteDdsMasks(uint32_t width, uint32_t height, uint32_t flags, uint32_t bits,
                                   const uint32_t masks[4], const std::vector<uint8_t>& pixels);

// TGA: 24 or 32 bits (alpha bits 8 for 32), or grey (types 3 and 11: 8 bits, or 16 bits with 8
// alpha bits; the grey is each pixel's green), plain or run-length encoded, either row order.
std::vector<uint8_t> WriteTga(const TestPicture& picture, int bits, bool rle, bool topDown);

// BMP: 24 or 32 bits (BI_RGB), either row order; or 8 bits with a palette of the picture's
// colours (at most 256).
std::vector<uint8_t> WriteBmp(const TestPicture& picture, int bits, bool topDown);
std::vector<uint8_t> WriteBmp8(const TestPicture& picture);
// BMP run-length encoded (bits 8: BI_RLE8, 4: BI_RLE4), bottom-up, with the data as given.
std::vector<uint8_t> WriteBmpRle(uint32_t width, uint32_t height, int bits, const std::vector<uint32_t>& palette,
                                 const std::vector<uint8_t>& data);

bool WriteBytes(const std::string& nativePath, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::string& nativePath);

}  // namespace gxtest
