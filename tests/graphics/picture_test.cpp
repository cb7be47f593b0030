// Picture reading and writing: the readers of every container on generated pictures, their
// refusal of truncated and corrupt data, the probes, loading into textures with the filter and
// colour-key rules, reloading, built-in resources, the multi-picture blend and the PNG writer.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>

#include "core/GxString.h"
#include "graphics/GxD3DResource.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsSettings.h"
#include "graphics/GxImageLoader.h"
#include "graphics/GxTexture.h"
#include "graphics_test_support.h"
#include "platform/GxDeviceRecording.h"
#include "platform/GxPicture.h"
#include "platform/GxPictureLoad.h"
#include "tests/support/GxPictureWriter.h"

using gxtest::TestPicture;

namespace {

std::vector<uint32_t> Decode(const std::vector<uint8_t>& bytes, GxPictureInfo* info = nullptr)
{
    GxPixelImage image;
    std::string error;
    if (!GxPictureDecode(bytes.data(), bytes.size(), GX_PICTURE_MAX_SIDE, &image, info, &error)) {
        ADD_FAILURE() << "decode failed: " << error;
        return {};
    }
    return image.pixels;
}

bool Decodes(const uint8_t* data, size_t size)
{
    GxPixelImage image;
    return GxPictureDecode(data, size, GX_PICTURE_MAX_SIDE, &image, nullptr, nullptr);
}

int Distance(uint32_t a, uint32_t b)
{
    int most = 0;
    for (int s = 0; s < 32; s += 8)
        most = std::max(most, std::abs(static_cast<int>((a >> s) & 255) - static_cast<int>((b >> s) & 255)));
    return most;
}

// A picture of four flat 16 x 16 quadrants (JPEG keeps flat blocks nearly exact).
TestPicture Quadrants()
{
    TestPicture p(32, 32);
    const uint32_t colors[4] = {0xFFC02010, 0xFF10C020, 0xFF2010C0, 0xFF808080};
    for (uint32_t y = 0; y < 32; ++y)
        for (uint32_t x = 0; x < 32; ++x) p.At(x, y) = colors[(y / 16) * 2 + x / 16];
    return p;
}

}  // namespace

// ---- The readers ----------------------------------------------------------------------------------

TEST(PictureRead, PngColourTypesBecomeBlueGreenRedAlpha)
{
    struct Case
    {
        const char* what;
        gxtest::PngSpec spec;
        std::vector<uint32_t> expect;
    };
    auto spec = [](uint32_t w, uint32_t h, int type, int depth, std::vector<uint8_t> rows) {
        gxtest::PngSpec s;
        s.width = w;
        s.height = h;
        s.colorType = type;
        s.bitDepth = depth;
        s.rows = std::move(rows);
        return s;
    };
    std::vector<Case> cases;
    {
        auto s = spec(2, 2, 3, 8, {0, 1, 2, 1});
        s.palette = {0x00FF0000, 0x8000FF00, 0xFF0000FF};
        cases.push_back({"palette with transparency", s, {0x00FF0000, 0x8000FF00, 0xFF0000FF, 0x8000FF00}});
    }
    {
        // Two-bit indices, four to a byte: 0 1 2 3 / 3 2 1 0.
        auto s = spec(4, 2, 3, 2, {0x1B, 0xE4});
        s.palette = {0xFF000000, 0xFF111111, 0xFF222222, 0xFF333333};
        cases.push_back({"packed palette", s,
                         {0xFF000000, 0xFF111111, 0xFF222222, 0xFF333333, 0xFF333333, 0xFF222222, 0xFF111111,
                          0xFF000000}});
    }
    cases.push_back({"16-bit grey", spec(2, 2, 0, 16, {0x12, 0x34, 0xFF, 0xFF, 0x00, 0x00, 0x80, 0xFF}),
                     {0xFF121212, 0xFFFFFFFF, 0xFF000000, 0xFF808080}});
    cases.push_back({"1-bit grey", spec(3, 1, 0, 1, {0xA0}), {0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF}});
    {
        auto s = spec(2, 1, 0, 8, {0, 100});
        s.greyKey = true;
        s.greyKeyValue = 0;
        cases.push_back({"grey with a transparent value", s, {0x00000000, 0xFF646464}});
    }
    cases.push_back({"grey and alpha", spec(2, 1, 4, 8, {10, 20, 30, 255}), {0x140A0A0A, 0xFF1E1E1E}});
    cases.push_back({"RGB", spec(2, 1, 2, 8, {1, 2, 3, 4, 5, 6}), {0xFF010203, 0xFF040506}});
    cases.push_back({"16-bit RGBA", spec(1, 1, 6, 16, {0xAB, 0, 0xCD, 0, 0xEF, 0, 0x12, 0}), {0x12ABCDEF}});
    {
        TestPicture p = gxtest::MakeTestPicture(13, 11, true);
        gxtest::PngSpec s = spec(13, 11, 6, 8, {});
        for (uint32_t c : p.pixels) {
            s.rows.insert(s.rows.end(), {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                                         static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 24)});
        }
        s.interlaced = true;
        cases.push_back({"interlaced RGBA", s, p.pixels});
    }
    for (const auto& c : cases) {
        std::vector<uint8_t> bytes = gxtest::WritePng(c.spec);
        ASSERT_FALSE(bytes.empty()) << c.what;
        GxPictureInfo info;
        EXPECT_EQ(Decode(bytes, &info), c.expect) << c.what;
        EXPECT_EQ(info.fileFormat, GXPIC_PNG);
        // The engine's own decoder gives the same block.
        uint32_t w = 0, h = 0;
        uint8_t* block = GxPngDecodeFromMemory(bytes.data(), static_cast<uint32_t>(bytes.size()), &w, &h);
        ASSERT_NE(block, nullptr) << c.what;
        EXPECT_EQ(w, c.spec.width);
        EXPECT_EQ(h, c.spec.height);
        EXPECT_EQ(std::vector<uint32_t>(reinterpret_cast<uint32_t*>(block), reinterpret_cast<uint32_t*>(block) + w * h),
                  c.expect)
            << c.what;
        GxPngRelease(block);
    }
    GxPngRelease(nullptr);
}

TEST(PictureRead, TruncatedOrCorruptPngIsRefused)
{
    std::vector<uint8_t> png = gxtest::WritePngRgba(gxtest::MakeTestPicture(16, 16, true));
    ASSERT_GT(png.size(), 100u);
    for (size_t n = 0; n < png.size(); ++n) {
        uint32_t w = 7, h = 7;
        EXPECT_EQ(GxPngDecodeFromMemory(png.data(), static_cast<uint32_t>(n), &w, &h), nullptr) << n;
        EXPECT_EQ(w, 0u);
        EXPECT_FALSE(Decodes(png.data(), n)) << n;
    }
    EXPECT_EQ(GxPngDecodeFromMemory(nullptr, 100, nullptr, nullptr), nullptr);
    // A damaged byte inside the image data fails its chunk's check sum.
    std::vector<uint8_t> bad = png;
    bad[bad.size() / 2] ^= 0x55;
    EXPECT_EQ(GxPngDecodeFromMemory(bad.data(), static_cast<uint32_t>(bad.size()), nullptr, nullptr), nullptr);
    EXPECT_FALSE(Decodes(bad.data(), bad.size()));
    // A header larger than any texture is refused before anything is allocated.
    std::vector<uint8_t> huge = png;
    huge[16] = 0x00;
    huge[17] = 0x01;  // width 65536 + ...
    EXPECT_EQ(GxPngDecodeFromMemory(huge.data(), static_cast<uint32_t>(huge.size()), nullptr, nullptr), nullptr);
}

TEST(PictureRead, JpegMadeByLibjpegDecodesCloseToTheOriginal)
{
    const TestPicture p = Quadrants();
    std::vector<uint8_t> jpg = gxtest::WriteJpeg(p, 100);
    GxPictureInfo info;
    std::vector<uint32_t> got = Decode(jpg, &info);
    ASSERT_EQ(got.size(), p.pixels.size());
    EXPECT_EQ(info.fileFormat, GXPIC_JPG);
    EXPECT_EQ(info.width, 32u);
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i] >> 24, 0xFFu);
        // Chroma is smoothed across the quadrant edges; inside them the colours are kept.
        const size_t x = i % 32, y = i / 32;
        if ((x >= 14 && x <= 17) || (y >= 14 && y <= 17)) continue;
        EXPECT_LE(Distance(got[i], p.pixels[i]), 3) << i;
    }
    std::vector<uint32_t> grey = Decode(gxtest::WriteJpeg(p, 100, true));
    ASSERT_EQ(grey.size(), p.pixels.size());
    const uint32_t g = grey[0] & 255;
    EXPECT_LE(std::abs(static_cast<int>(g) - 0x20), 2);
    EXPECT_EQ(grey[0], 0xFF000000u | g * 0x010101u);

    // Every truncation is refused, the end-of-picture marker included.
    for (size_t n = 0; n < jpg.size(); n += (n < 40 ? 1 : 7)) EXPECT_FALSE(Decodes(jpg.data(), n)) << n;
    EXPECT_FALSE(Decodes(jpg.data(), jpg.size() - 2));
}

TEST(PictureRead, DdsUncompressedAndBlockCompressed)
{
    const TestPicture p = gxtest::MakeTestPicture(5, 3, true);
    GxPictureInfo info;
    EXPECT_EQ(Decode(gxtest::WriteDdsArgb(p), &info), p.pixels);
    EXPECT_EQ(info.fileFormat, GXPIC_DDS);
    EXPECT_EQ(info.format, GXFMT_A8R8G8B8);

    // DXT1, four colours: red, blue and the two thirds between them.
    std::vector<uint8_t> dxt1{0x00, 0xF8, 0x1F, 0x00, 0xE4, 0, 0, 0};
    std::vector<uint32_t> got = Decode(gxtest::WriteDdsBlocks(4, 4, "DXT1", dxt1));
    ASSERT_EQ(got.size(), 16u);
    EXPECT_EQ(got[0], 0xFFFF0000u);
    EXPECT_EQ(got[1], 0xFF0000FFu);
    EXPECT_EQ(got[2], 0xFFAA0055u);
    EXPECT_EQ(got[3], 0xFF5500AAu);
    EXPECT_EQ(got[4], 0xFFFF0000u);
    // DXT1, three colours and transparent black (first colour not above the second).
    std::vector<uint8_t> dxt1a{0x1F, 0x00, 0x00, 0xF8, 0xE4, 0, 0, 0};
    got = Decode(gxtest::WriteDdsBlocks(4, 4, "DXT1", dxt1a));
    EXPECT_EQ(got[2], 0xFF7F007Fu);
    EXPECT_EQ(got[3], 0x00000000u);
    // DXT3: explicit four-bit alpha over a red block.
    std::vector<uint8_t> dxt3{0x8F, 0x00, 0, 0, 0, 0, 0, 0, 0x00, 0xF8, 0x1F, 0x00, 0, 0, 0, 0};
    got = Decode(gxtest::WriteDdsBlocks(4, 4, "DXT3", dxt3));
    EXPECT_EQ(got[0], 0xFFFF0000u);
    EXPECT_EQ(got[1], 0x88FF0000u);
    EXPECT_EQ(got[2], 0x00FF0000u);
    // DXT5: interpolated alpha (eight steps from 255 to 0), and a picture smaller than a block.
    std::vector<uint8_t> dxt5{255, 0, 0x88, 0x0E, 0, 0, 0, 0, 0x00, 0xF8, 0x1F, 0x00, 0, 0, 0, 0};
    got = Decode(gxtest::WriteDdsBlocks(4, 4, "DXT5", dxt5));
    EXPECT_EQ(got[0] >> 24, 255u);
    EXPECT_EQ(got[1] >> 24, 0u);
    EXPECT_EQ(got[2] >> 24, 218u);
    EXPECT_EQ(got[3] >> 24, 36u);
    std::vector<uint8_t> dxt5b{0, 255, 0xF0, 0x01, 0, 0, 0, 0, 0x00, 0xF8, 0x1F, 0x00, 0, 0, 0, 0};
    got = Decode(gxtest::WriteDdsBlocks(3, 2, "DXT5", dxt5b));
    ASSERT_EQ(got.size(), 6u);
    EXPECT_EQ(got[0] >> 24, 0u);    // index 0: the first alpha
    EXPECT_EQ(got[1] >> 24, 0u);    // index 6: zero in the six-step form
    EXPECT_EQ(got[2] >> 24, 255u);  // index 7: 255

    std::vector<uint8_t> cut = gxtest::WriteDdsBlocks(8, 8, "DXT1", std::vector<uint8_t>(31, 0));
    EXPECT_FALSE(Decodes(cut.data(), cut.size()));
    std::vector<uint8_t> raw = gxtest::WriteDdsArgb(p);
    EXPECT_FALSE(Decodes(raw.data(), raw.size() - 1));
    EXPECT_FALSE(Decodes(raw.data(), 127));
}

// Uncompressed DDS by masks: grey by the luminance flag, with or without alpha. A grey picture
// whose masks do not fit its pixel (some writers put an 8-bit mask in the top byte) is read by
// its bit count; for colour pictures a mask that is 0 or lies outside the pixel's bits is
// refused, not decoded to a plausible picture.
TEST(PictureRead, DdsLuminanceAndMasksOutsideThePixel)
{
    struct Grey
    {
        const char* what;
        uint32_t flags, bits, masks[4];
        std::vector<uint8_t> pixels;
        std::vector<uint32_t> expected;
        GxFormat format;
    };
    const std::vector<uint32_t> l8 = {0xFF101010u, 0xFF808080u};
    const std::vector<uint32_t> a8l8 = {0x40101010u, 0x00C0C0C0u};
    const Grey grey[] = {
        {"8 bits, grey mask 0xFF", 0x20000, 8, {0xFF, 0, 0, 0}, {0x10, 0x80}, l8, GXFMT_L8},
        {"8 bits, grey mask in the top byte", 0x20000, 8, {0xFF000000u, 0, 0, 0}, {0x10, 0x80}, l8, GXFMT_L8},
        {"8 bits, grey mask beyond 8 bits", 0x20000, 8, {0xFF00, 0, 0, 0}, {0x10, 0x80}, l8, GXFMT_L8},
        {"8 bits, grey mask 0", 0x20000, 8, {0, 0, 0, 0}, {0x10, 0x80}, l8, GXFMT_L8},
        {"8 bits, grey and alpha masks in the top bytes", 0x20001, 8, {0x00FF0000u, 0, 0, 0xFF000000u}, {0x10, 0x80}, l8,
         GXFMT_L8},
        {"16 bits, grey and alpha", 0x20001, 16, {0xFF, 0, 0, 0xFF00}, {0x10, 0x40, 0xC0, 0x00}, a8l8, GXFMT_A8L8},
        {"16 bits, grey and alpha masks in the top half", 0x20001, 16, {0x00FF0000u, 0, 0, 0xFF000000u},
         {0x10, 0x40, 0xC0, 0x00}, a8l8, GXFMT_A8L8},
        {"16 bits, grey mask outside", 0x20000, 16, {0xFFFF0000u, 0, 0, 0}, {0x00, 0x80, 0xFF, 0xFF},
         {0xFF808080u, 0xFFFFFFFFu}, GXFMT_L16},
    };
    for (const Grey& c : grey) {
        GxPictureInfo info;
        EXPECT_EQ(Decode(gxtest::WriteDdsMasks(2, 1, c.flags, c.bits, c.masks, c.pixels), &info), c.expected) << c.what;
        EXPECT_EQ(info.format, c.format) << c.what;
    }

    struct Case
    {
        const char* what;
        uint32_t flags, bits, masks[4];
    };
    const Case refused[] = {
        {"32-bit grey mask 0 (no grey layout of 32 bits)", 0x20000, 32, {0, 0, 0, 0}},
        {"red mask in the top byte of a 16-bit pixel", 0x40, 16, {0xF8000000u, 0x7E0, 0x1F, 0}},
        {"green mask 0", 0x40, 16, {0xF800, 0, 0x1F, 0}},
        {"blue mask beyond 16 bits", 0x40, 16, {0xF800, 0x7E0, 0x1F0000, 0}},
        {"alpha mask 0", 0x41, 32, {0xFF0000, 0xFF00, 0xFF, 0}},
        {"alpha-only mask beyond 8 bits", 0x2, 8, {0, 0, 0, 0x100}},
    };
    for (const Case& c : refused) {
        const std::vector<uint8_t> bytes = gxtest::WriteDdsMasks(2, 1, c.flags, c.bits, c.masks, std::vector<uint8_t>(8, 0x5A));
        GxPixelImage image;
        std::string error;
        EXPECT_FALSE(GxPictureDecode(bytes.data(), bytes.size(), GX_PICTURE_MAX_SIDE, &image, nullptr, &error)) << c.what;
        EXPECT_EQ(error, "DDS: channel mask outside the pixel") << c.what;
    }
}

TEST(PictureRead, TgaGreyWithAlphaRawAndRunLengthInBothOrigins)
{
    TestPicture p = gxtest::MakeTestPicture(7, 5, true);
    for (uint32_t x = 0; x < 7; ++x) p.At(x, 2) = 0x80123456u;  // a run
    TestPicture grey = p, greyOpaque = p;
    for (size_t i = 0; i < p.pixels.size(); ++i) {
        const uint32_t g = (p.pixels[i] >> 8) & 0xFF;
        grey.pixels[i] = (p.pixels[i] & 0xFF000000u) | g * 0x010101u;
        greyOpaque.pixels[i] = 0xFF000000u | g * 0x010101u;
    }
    for (int bits : {8, 16})
        for (bool rle : {false, true})
            for (bool topDown : {false, true}) {
                SCOPED_TRACE(testing::Message() << bits << " bits rle " << rle << " top-down " << topDown);
                GxPictureInfo info;
                EXPECT_EQ(Decode(gxtest::WriteTga(p, bits, rle, topDown), &info), (bits == 16 ? grey : greyOpaque).pixels);
                EXPECT_EQ(info.format, bits == 16 ? GXFMT_A8L8 : GXFMT_L8);
            }
}

// Run-length BMP: a run or literal that passes its row's end, or a move out of the picture, is
// damage and refused; data that stays inside reads.
TEST(PictureRead, BmpRunLengthStaysInsideThePicture)
{
    const std::vector<uint32_t> palette{0xFF0000, 0x00FF00, 0x0000FF};
    // Bottom row red, top row: green, a move of one, then blue.
    const std::vector<uint8_t> good{4, 0, 0, 0, 2, 1, 0, 2, 1, 0, 1, 2, 0, 1};
    EXPECT_EQ(Decode(gxtest::WriteBmpRle(4, 2, 8, palette, good)),
              (std::vector<uint32_t>{0xFF00FF00u, 0xFF00FF00u, 0, 0xFF0000FFu, 0xFFFF0000u, 0xFFFF0000u, 0xFFFF0000u,
                                     0xFFFF0000u}));
    // RLE4: two pixels per byte, alternating.
    EXPECT_EQ(Decode(gxtest::WriteBmpRle(4, 1, 4, palette, {4, 0x12, 0, 1})),
              (std::vector<uint32_t>{0xFF00FF00u, 0xFF0000FFu, 0xFF00FF00u, 0xFF0000FFu}));

    struct Case
    {
        const char* what;
        int bits;
        std::vector<uint8_t> data;
        const char* error;
    };
    const Case refused[] = {
        {"RLE8 run of 5 in a row of 4", 8, {5, 0, 0, 1}, "BMP: run passes the row end"},
        {"RLE8 run after 2 pixels", 8, {2, 0, 3, 1, 0, 1}, "BMP: run passes the row end"},
        {"RLE8 literal of 5", 8, {0, 5, 0, 1, 2, 0, 1, 0, 0, 1}, "BMP: run passes the row end"},
        {"RLE4 run of 5", 4, {5, 0x12, 0, 1}, "BMP: run passes the row end"},
        {"move past the row", 8, {0, 2, 5, 0, 0, 1}, "BMP: move leaves the picture"},
        {"move below the picture", 8, {0, 2, 0, 3, 0, 1}, "BMP: move leaves the picture"},
    };
    for (const Case& c : refused) {
        const std::vector<uint8_t> bytes = gxtest::WriteBmpRle(4, 2, c.bits, palette, c.data);
        GxPixelImage image;
        std::string error;
        EXPECT_FALSE(GxPictureDecode(bytes.data(), bytes.size(), GX_PICTURE_MAX_SIDE, &image, nullptr, &error)) << c.what;
        EXPECT_EQ(error, c.error) << c.what;
    }
}

TEST(PictureRead, TgaAndBmpInEveryRowOrder)
{
    TestPicture p = gxtest::MakeTestPicture(7, 5, true);
    TestPicture opaque = p;
    for (auto& c : opaque.pixels) c |= 0xFF000000u;
    // Runs, so that run packets are written too.
    for (uint32_t x = 0; x < 7; ++x) p.At(x, 2) = opaque.At(x, 2) = 0xFF123456u;

    struct Case
    {
        const char* what;
        std::vector<uint8_t> bytes;
        const TestPicture* expect;
        GxPictureFileFormat format;
    };
    const Case cases[] = {
        {"TGA 24 bottom-up", gxtest::WriteTga(p, 24, false, false), &opaque, GXPIC_TGA},
        {"TGA 32 top-down", gxtest::WriteTga(p, 32, false, true), &p, GXPIC_TGA},
        {"TGA 32 run-length", gxtest::WriteTga(p, 32, true, false), &p, GXPIC_TGA},
        {"TGA 24 run-length top-down", gxtest::WriteTga(p, 24, true, true), &opaque, GXPIC_TGA},
        {"BMP 24 bottom-up (padded rows)", gxtest::WriteBmp(p, 24, false), &opaque, GXPIC_BMP},
        {"BMP 32 top-down (no alpha)", gxtest::WriteBmp(p, 32, true), &opaque, GXPIC_BMP},
        {"BMP 8 with a palette", gxtest::WriteBmp8(p), &opaque, GXPIC_BMP},
    };
    for (const auto& c : cases) {
        GxPictureInfo info;
        EXPECT_EQ(Decode(c.bytes, &info), c.expect->pixels) << c.what;
        EXPECT_EQ(info.fileFormat, c.format) << c.what;
        EXPECT_EQ(info.width, 7u);
        EXPECT_EQ(info.height, 5u);
        EXPECT_FALSE(Decodes(c.bytes.data(), c.bytes.size() - 1)) << c.what;
        EXPECT_FALSE(Decodes(c.bytes.data(), 20)) << c.what;
    }
    const char text[] = "plain text, no picture at all";
    std::string error;
    GxPictureInfo info;
    EXPECT_FALSE(GxPictureProbe(text, sizeof text, &info, &error));
    EXPECT_EQ(error, "unknown picture format");
}

TEST(PictureWrite, PngWriterOutputDecodesBack)
{
    gxtest::LogFolder logs;
    const TestPicture p = gxtest::MakeTestPicture(128, 96, true);
    const std::string path = (logs.dir / "thumb000.png").string();
    ASSERT_TRUE(GxPngWriteFile(GxWideToAnsi(GxUtf8ToWide(path)), 128, 96, p.pixels.data()));
    std::vector<uint8_t> bytes = gxtest::ReadBytes(path);
    EXPECT_EQ(Decode(bytes), p.pixels);
    // Colour type 6, 8 bits, with an sBIT chunk of 8 for every channel.
    ASSERT_GT(bytes.size(), 33u);
    EXPECT_EQ(bytes[24], 8);
    EXPECT_EQ(bytes[25], 6);
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), std::begin("sBIT\x08\x08\x08\x08") ,
                          std::end("sBIT\x08\x08\x08\x08") - 1),
              bytes.end());

    const std::string missing = (logs.dir / "no" / "thumb.png").string();
    EXPECT_FALSE(GxPngWriteFile(missing, 128, 96, p.pixels.data()));
    EXPECT_FALSE(GxPngWriteFile(path, 0, 96, p.pixels.data()));
    EXPECT_FALSE(GxPngWriteFile(path, 128, 96, nullptr));
    EXPECT_FALSE(std::filesystem::exists(missing));
    // A write that stops part way (the file-size limit here) is a failure, and leaves no file.
    const std::string limited = (logs.dir / "limited.png").string();
    struct rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string error;
    const bool wrote = GxPngWrite(limited, 128, 96, p.pixels.data(), 128, &error);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
    EXPECT_FALSE(wrote);
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(std::filesystem::exists(limited));
}

TEST(PictureBlend, CompositeFormula)
{
    struct Case
    {
        uint32_t accumulated, layer, expect;
    };
    // d = (255 - Ad) As + (255 - As) Ad + As Ad; C = ((255 - Ad) Cs As + (255 - As) Cd Ad + Cs As Ad) / d.
    const Case cases[] = {
        {0xFF102030, 0x00FFFFFF, 0xFF102030},  // a transparent layer leaves the picture
        {0x80102030, 0x00FFFFFF, 0x80102030},
        {0x00102030, 0x00405060, 0x00000000},  // both transparent: zero
        {0x80102030, 0xFFA0B0C0, 0xFFA0B0C0},  // an opaque layer replaces
        {0x00102030, 0x80A0B0C0, 0x80A0B0C0},  // onto nothing: the layer
        // Half over opaque: d = 128 * 255 + 127 * 255 + 128 * 255 - 128 * 255 ... worked by hand:
        // As 128, Ad 255: d = 0 + 127 * 255 + 128 * 255 = 65025; red (255 cs, 0 cd):
        // (0 + 0 + 255 * 128 * 255) / 65025 = 128.
        {0xFF000000, 0x80FF0000, 0xFF800000},
        // As 128, Ad 128: d = 127 * 128 * 2 + 128 * 128 = 48896; alpha 191;
        // red: (127 * 200 * 128 + 127 * 100 * 128 + 200 * 128 * 128) / 48896 = 166 (truncated).
        {0x80640000, 0x80C80000, 0xBFA60000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GxBlendPixel(c.accumulated, c.layer), c.expect)
            << std::hex << c.accumulated << " + " << c.layer;
}

// ---- Loading into textures --------------------------------------------------------------------------

namespace {

class PictureLoad : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GxGetGraphicsSettings().SetStartupValues();
        GxGraphics::SetDirect3DFactory([](void*) { return GxCreateRecordingDirect3D(GxDefaultRecordingAdapter()); });
        ASSERT_TRUE(GxGraphics::Create(nullptr, nullptr, nullptr, nullptr));
    }
    void TearDown() override
    {
        GxGraphics::Release();
        GxGraphics::SetDirect3DFactory(nullptr);
    }
    std::u16string Write(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        const std::string path = (logs.dir / name).string();
        EXPECT_TRUE(gxtest::WriteBytes(path, bytes));
        return GxUtf8ToWide(path);
    }
    std::vector<std::u16string> Errors() { return gxtest::Lines(logs.Error()); }
    static std::vector<uint32_t> Level(GxTexture& t, uint32_t level)
    {
        GxPixelImage image;
        EXPECT_EQ(GxGraphics::GetDevice()->ReadTexture(t.GetD3DTexture(), level, &image), GX_OK);
        return image.pixels;
    }

    gxtest::LogFolder logs;
};

}  // namespace

TEST_F(PictureLoad, ScaleToFitStretchesOtherwiseThePictureSitsTopLeft)
{
    TestPicture p(640, 480);
    for (uint32_t y = 0; y < 480; ++y)
        for (uint32_t x = 0; x < 640; ++x) p.At(x, y) = x < 320 ? 0xFFFF0000u : 0xFF0000FFu;
    p.At(639, 479) = 0xFF00FF00u;
    const std::u16string file = Write("bg.png", gxtest::WritePngRgba(p));

    GxTexture fit;
    ASSERT_TRUE(fit.CreateFromFile(file, GXFMT_A8R8G8B8, 1, 0, true));
    EXPECT_EQ(fit.GetWidth(), 1024u);
    EXPECT_EQ(fit.GetHeight(), 512u);
    EXPECT_EQ(fit.GetImageWidth(), 640u);
    EXPECT_EQ(fit.GetImageHeight(), 480u);
    EXPECT_EQ(fit.GetPixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(fit.GetPixel(500, 511), 0xFFFF0000u);  // source column 312: still the red half
    EXPECT_EQ(fit.GetPixel(530, 100), 0xFF0000FFu);  // source column 331: the blue half
    EXPECT_EQ(fit.GetPixel(1023, 300), 0xFF0000FFu);
    EXPECT_NE(fit.GetPixel(1023, 511), 0xFF0000FFu);  // the green corner spreads into it

    GxTexture place;
    ASSERT_TRUE(place.CreateFromFile(file, GXFMT_A8R8G8B8, 1, 0, false));
    EXPECT_EQ(place.GetWidth(), 1024u);
    EXPECT_EQ(place.GetPixel(319, 0), 0xFFFF0000u);
    EXPECT_EQ(place.GetPixel(320, 0), 0xFF0000FFu);
    EXPECT_EQ(place.GetPixel(639, 479), 0xFF00FF00u);
    EXPECT_EQ(place.GetPixel(640, 0), 0u);
    EXPECT_EQ(place.GetPixel(0, 480), 0u);

    // A power-of-two picture is never filtered, whatever scale to fit says.
    const TestPicture square = gxtest::MakeTestPicture(256, 256, true);
    const std::u16string sq = Write("square.png", gxtest::WritePngRgba(square));
    GxTexture s;
    ASSERT_TRUE(s.CreateFromFile(sq, GXFMT_A8R8G8B8, 1, 0, true));
    EXPECT_EQ(Level(s, 0), square.pixels);
    EXPECT_EQ(s.GetObjectType(), OBJTYPE_TEXTURE);
    EXPECT_EQ(s.GetPool(), GXPOOL_MANAGED);
    EXPECT_EQ(s.GetRefCount(), 1u);
    EXPECT_TRUE(GxGetD3DResourceManage().IsRegistered(&s));
    EXPECT_TRUE(Errors().empty());
}

TEST_F(PictureLoad, EveryContainerLoadsByItsContent)
{
    const TestPicture p = gxtest::MakeTestPicture(8, 8, true);
    TestPicture opaque = p;
    for (auto& c : opaque.pixels) c |= 0xFF000000u;
    struct Case
    {
        const char* name;
        std::vector<uint8_t> bytes;
        const TestPicture* expect;
    };
    const Case cases[] = {
        {"a.png", gxtest::WritePngRgba(p), &p},
        {"a.dds", gxtest::WriteDdsArgb(p), &p},
        {"a.tga", gxtest::WriteTga(p, 32, true, false), &p},
        {"a.bmp", gxtest::WriteBmp(p, 24, false), &opaque},
        {"png-named.tga", gxtest::WritePngRgba(p), &p},  // the name's extension does not decide
        {"UPPER.PNG", gxtest::WritePngRgba(p), &p},
    };
    for (const auto& c : cases) {
        GxTexture t;
        ASSERT_TRUE(t.CreateFromFile(Write(c.name, c.bytes), GXFMT_A8R8G8B8, 1, 0, true)) << c.name;
        EXPECT_EQ(Level(t, 0), c.expect->pixels) << c.name;
    }
    GxTexture j;
    ASSERT_TRUE(j.CreateFromFile(Write("a.jpg", gxtest::WriteJpeg(Quadrants(), 100)), GXFMT_A8R8G8B8, 1, 0, true));
    EXPECT_EQ(j.GetWidth(), 32u);
    EXPECT_LE(Distance(j.GetPixel(31, 31), 0xFF808080u), 3);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(PictureLoad, ColourKeyFormatsAndMipLevels)
{
    TestPicture p(4, 4, 0xFF204060u);
    p.At(1, 1) = 0xFFFF00FFu;
    p.At(2, 2) = 0x80FF00FFu;  // same colour, other alpha: not the key
    const std::u16string file = Write("key.png", gxtest::WritePngRgba(p));
    GxTexture t;
    ASSERT_TRUE(t.CreateFromFile(file, GXFMT_A8R8G8B8, 0, 0xFFFF00FFu, true));
    EXPECT_EQ(t.GetColorKey(), 0xFFFF00FFu);
    EXPECT_EQ(t.GetPixel(1, 1), 0u);
    EXPECT_EQ(t.GetPixel(2, 2), 0x80FF00FFu);
    EXPECT_EQ(t.GetPixel(0, 0), 0xFF204060u);
    // Level 1 averages 2 x 2 blocks: the keyed pixel counts as transparent black.
    ASSERT_EQ(t.GetD3DTexture()->GetLevelCount(), 3u);
    std::vector<uint32_t> level1 = Level(t, 1);
    ASSERT_EQ(level1.size(), 4u);
    EXPECT_EQ(level1[0], 0xBF183048u);  // (3 x 0xFF204060 + 0) / 4, rounded
    EXPECT_EQ(level1[1], 0xFF204060u);

    GxTexture t16;
    ASSERT_TRUE(t16.CreateFromFile(file, GXFMT_A4R4G4B4, 1, 0, true));
    EXPECT_EQ(t16.GetFormat(), GXFMT_A4R4G4B4);
    EXPECT_EQ(t16.GetPixel(0, 0), 0xFF224466u);
    EXPECT_EQ(t16.GetPixel(2, 2), 0x88FF00FFu);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(PictureLoad, BrokenOrOversizedFilesFailWithOneLine)
{
    std::vector<uint8_t> png = gxtest::WritePngRgba(gxtest::MakeTestPicture(40, 30, true));
    std::vector<uint8_t> cut(png.begin(), png.begin() + png.size() / 2);
    GxTexture t;
    EXPECT_FALSE(t.CreateFromFile(Write("cut.png", cut), GXFMT_A8R8G8B8, 1, 0, true));
    EXPECT_EQ(t.GetRefCount(), 0u);
    EXPECT_FALSE(GxGetD3DResourceManage().IsRegistered(&t));
    EXPECT_EQ(t.GetD3DTexture(), nullptr);
    auto lines = Errors();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind(u"Error/Texture CreateFromFile Failed(Name:\"" + GxUtf8ToWide((logs.dir / "cut.png").string()) +
                                 u"\" Size:64,32 ",
                             0),
              0u)
        << GxWideToUtf8(lines[0]);

    // A header that claims 100000 x 100000 pixels.
    std::vector<uint8_t> huge = png;
    const uint8_t side[4] = {0x00, 0x01, 0x86, 0xA0};
    std::copy(side, side + 4, huge.begin() + 16);
    std::copy(side, side + 4, huge.begin() + 20);
    EXPECT_FALSE(t.CreateFromFile(Write("huge.png", huge), GXFMT_A8R8G8B8, 1, 0, true));
    lines = Errors();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[1].find(u"Size:131072,131072 "), std::u16string::npos) << GxWideToUtf8(lines[1]);

    // Not a picture at all, behind a name the probe does not know.
    EXPECT_FALSE(t.CreateFromFile(Write("text.jpg", {'h', 'e', 'l', 'l', 'o'}), GXFMT_A8R8G8B8, 1, 0, true));
    lines = Errors();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2].rfind(u"Error/GetInfoFromFile Failed(Name:", 0), 0u);
}

TEST_F(PictureLoad, ProbesReadHeadersOnly)
{
    const std::vector<uint8_t> png = gxtest::WritePngRgba(gxtest::MakeTestPicture(300, 2, false));
    GxImageInfo info;
    ASSERT_TRUE(GetInfoFromFile(Write("probe.PNG", png), &info));
    EXPECT_EQ(info.width, 300u);
    EXPECT_EQ(info.height, 2u);
    EXPECT_EQ(info.depth, 0u);
    // Only the header needs to be there.
    ASSERT_TRUE(GetInfoFromFile(Write("head.png", std::vector<uint8_t>(png.begin(), png.begin() + 24)), &info));
    EXPECT_EQ(info.width, 300u);

    const std::vector<uint8_t> dds = gxtest::WriteDdsArgb(gxtest::MakeTestPicture(3, 5, true));
    ASSERT_TRUE(GetInfoFromFile(Write("probe.dds", dds), &info));
    EXPECT_EQ(info.width, 3u);
    EXPECT_EQ(info.height, 5u);
    ASSERT_TRUE(GetInfoFromFile(Write("probe.bmp", gxtest::WriteBmp(gxtest::MakeTestPicture(6, 7, false), 24, false)),
                                &info));
    EXPECT_EQ(info.width, 6u);
    EXPECT_EQ(info.height, 7u);
    EXPECT_EQ(info.depth, 1u);
    EXPECT_TRUE(Errors().empty());

    const std::u16string jpegAsPng = Write("photo.png", gxtest::WriteJpeg(Quadrants(), 90));
    EXPECT_FALSE(GetInfoFromFile(jpegAsPng, &info));
    EXPECT_EQ(info.width, 0u);
    EXPECT_FALSE(GetInfoFromFile(Write("bad.dds", {'D', 'D', 'X', ' '}), &info));
    EXPECT_FALSE(GetInfoFromFile(Write("empty.png", {}), &info));
    const std::u16string missing = GxUtf8ToWide((logs.dir / "missing.png").string());
    EXPECT_FALSE(GetInfoFromFile(missing, &info));
    auto lines = Errors();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], u"Error/GetInfoFromFile This file is not PNG image(Name:\"" + jpegAsPng + u"\")");
    EXPECT_EQ(lines[1].rfind(u"Error/GetInfoFromFile This file is not DDS image(Name:", 0), 0u);
    EXPECT_EQ(lines[2].rfind(u"Error/GetInfoFromFile Read error(Name:", 0), 0u);
    EXPECT_EQ(lines[3], u"Error/GetInfoFromFile Open error(Name:\"" + missing + u"\")");

    ASSERT_TRUE(GetInfoFromMemory(png.data(), static_cast<uint32_t>(png.size()), &info));
    EXPECT_EQ(info.width, 300u);
    ASSERT_TRUE(GetInfoFromMemory(dds.data(), static_cast<uint32_t>(dds.size()), &info));
    EXPECT_EQ(info.height, 5u);
    std::vector<uint8_t> jpg = gxtest::WriteJpeg(Quadrants(), 90);
    ASSERT_TRUE(GetInfoFromMemory(jpg.data(), static_cast<uint32_t>(jpg.size()), &info));
    EXPECT_EQ(info.width, 32u);
    EXPECT_EQ(info.depth, 0u);
    EXPECT_FALSE(GetInfoFromMemory("junk", 4, &info));
    lines = Errors();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[4].rfind(u"Error/GetInfoFromMemory Failed(Addr:", 0), 0u);
    EXPECT_NE(lines[4].find(u",size:4,"), std::u16string::npos);
}

TEST_F(PictureLoad, ReloadKeepsTheReferenceAndTheRegistration)
{
    const std::u16string file = Write("reload.png", gxtest::WritePngRgba(TestPicture(4, 4, 0xFFFF0000u)));
    GxTexture t;
    ASSERT_TRUE(t.CreateFromFile(file, GXFMT_A8R8G8B8, 1, 0, true));
    t.AddRef();
    Write("reload.png", gxtest::WritePngRgba(TestPicture(4, 2, 0xFF0000FFu)));
    ASSERT_TRUE(t.ReloadFromFile());
    EXPECT_EQ(t.GetPixel(0, 0), 0xFF0000FFu);
    EXPECT_EQ(t.GetImageHeight(), 2u);
    EXPECT_EQ(t.GetHeight(), 2u);
    EXPECT_EQ(t.GetRefCount(), 2u);

    // The header still reads, the picture does not: no device texture, the rest kept.
    std::vector<uint8_t> broken = gxtest::WritePngRgba(TestPicture(4, 4, 0xFF00FF00u));
    broken.resize(broken.size() - 20);
    Write("reload.png", broken);
    EXPECT_FALSE(t.ReloadFromFile());
    EXPECT_EQ(t.GetD3DTexture(), nullptr);
    EXPECT_EQ(t.GetRefCount(), 2u);
    EXPECT_TRUE(GxGetD3DResourceManage().IsRegistered(&t));
    EXPECT_EQ(t.GetWidth(), 4u);
    auto lines = Errors();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind(u"Error/Texture ReloadFromFile Failed(Name:\"" + t.GetName() + u"\" Size:4,4 ", 0), 0u);
    t.ReleaseAll();
    EXPECT_FALSE(GxGetD3DResourceManage().IsRegistered(&t));
}

TEST_F(PictureLoad, BuiltInResources)
{
    std::vector<uint8_t> bytes = gxtest::WriteTga(gxtest::MakeTestPicture(5, 3, false), 24, false, false);
    GxResourceData resource{bytes.data(), static_cast<uint32_t>(bytes.size())};
    GxTexture t;
    ASSERT_TRUE(t.CreateFromResource(u"Res", nullptr, &resource, GXFMT_A8R8G8B8, 1, 0xFF000000u, false));
    EXPECT_EQ(t.GetImageWidth(), 5u);
    EXPECT_EQ(t.GetWidth(), 8u);
    EXPECT_EQ(t.GetColorKey(), 0xFF000000u);
    EXPECT_EQ(t.GetPixel(5, 0), 0u);
    EXPECT_FALSE(t.CreateFromResource(u"Res", nullptr, nullptr, GXFMT_A8R8G8B8, 1, 0, false));
    EXPECT_EQ(t.GetRefCount(), 0u);
    auto lines = Errors();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], u"Error/Texture CreateFromResource Failed(Resource pointer is null)");
}

TEST_F(PictureLoad, MultiBlendCompositesInListOrderAndSkipsBrokenLayers)
{
    TestPicture base(4, 4, 0xFFFF0000u);
    TestPicture layer(2, 2, 0x8000FF00u);
    TestPicture top(8, 8, 0x00000000u);
    top.At(3, 3) = 0xFF0000FFu;
    const std::u16string a = Write("base.png", gxtest::WritePngRgba(base));
    const std::u16string b = Write("layer.png", gxtest::WritePngRgba(layer));
    const std::u16string c = Write("top.png", gxtest::WritePngRgba(top));
    const std::u16string missing = GxUtf8ToWide((logs.dir / "missing.png").string());

    for (GxFormat f : {GXFMT_A8R8G8B8, GXFMT_X8R8G8B8, GXFMT_A4R4G4B4}) {
        GxTexture t;
        ASSERT_TRUE(t.CreateFromFileMultiBlend(u"Blend", {a, missing, b, c}, f, 1));
        EXPECT_EQ(t.GetImageWidth(), 4u);
        EXPECT_EQ(t.GetObjectType(), OBJTYPE_TEXTURE);
        uint32_t mixed = GxBlendPixel(0xFFFF0000u, 0x8000FF00u);
        uint32_t want[3] = {mixed, 0xFFFF0000u, 0xFF0000FFu};
        if (f == GXFMT_A4R4G4B4)
            for (auto& w : want) w = GxColor16To32(GxColor32To16(w));
        EXPECT_EQ(t.GetPixel(1, 1), want[0]) << f;
        EXPECT_EQ(t.GetPixel(2, 2), want[1]) << f;
        EXPECT_EQ(t.GetPixel(3, 3), want[2]) << f;
    }
    // The missing file, once per texture: the file layer's line, then the blend's own.
    auto lines = Errors();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], u"File open error or not exist:" + missing);
    EXPECT_EQ(lines[1], u"Error/Texture CreateFromFileMultiBlend Failed(Name:\"" + missing + u"\")");

    GxTexture t;
    EXPECT_FALSE(t.CreateFromFileMultiBlend(u"none", {}, GXFMT_A8R8G8B8, 1));
    std::vector<uint8_t> cut = gxtest::WritePngRgba(base);
    cut.resize(cut.size() - 12);
    const std::u16string broken = Write("broken.png", cut);
    EXPECT_FALSE(t.CreateFromFileMultiBlend(u"first", {broken, b}, GXFMT_A8R8G8B8, 1));
    lines = Errors();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[6], u"Error/Texture CreateFromFileMultiBlend Failed(Name:\"" + broken + u"\")");
    EXPECT_EQ(t.GetRefCount(), 0u);
}

TEST_F(PictureLoad, ScratchSurfaceHoldsThePictureAtItsOwnSize)
{
    const TestPicture p = gxtest::MakeTestPicture(7, 3, true);
    const std::u16string file = Write("mask.tga", gxtest::WriteTga(p, 32, false, true));
    GxDeviceSurface* surface = nullptr;
    GxImageInfo info;
    ASSERT_TRUE(CreateScratchSurfaceFromFile(file, &surface, GXFMT_A8R8G8B8, &info, 0));
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(info.width, 7u);
    GxSurfaceDesc desc;
    ASSERT_EQ(surface->GetDesc(&desc), GX_OK);
    EXPECT_EQ(desc.Width, 7u);
    EXPECT_EQ(desc.Height, 3u);
    EXPECT_EQ(desc.Pool, GXPOOL_SCRATCH);
    GxLockedRect locked;
    ASSERT_EQ(surface->LockRect(&locked, nullptr, GXLOCK_READONLY), GX_OK);
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 7; ++x)
            EXPECT_EQ(reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch)[x],
                      p.At(x, y));
    surface->UnlockRect();
    surface->Release();

    // A broken picture: the surface exists, the load fails.
    std::vector<uint8_t> bad = gxtest::WriteTga(p, 32, false, true);
    bad.resize(40);
    EXPECT_FALSE(CreateScratchSurfaceFromFile(Write("bad.tga", bad), &surface, GXFMT_A8R8G8B8, &info, 0));
    ASSERT_NE(surface, nullptr);
    surface->Release();
    auto lines = Errors();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind(u"Error/ImageLoadFromFile Failed(Name:", 0), 0u);
}

TEST(PictureResample, EveryFilterKeepsAFlatPictureFlatAndMapsTheCorners)
{
    struct Case
    {
        uint32_t sw, sh, dw, dh;
    };
    // Up, down (short and long filters), one axis only, and to a single pixel.
    const Case sizes[] = {{7, 5, 16, 16}, {64, 64, 8, 8}, {64, 3, 5, 3}, {3, 9, 3, 32}, {9, 9, 1, 1}};
    const uint32_t filters[] = {GXPIC_FILTER_POINT, GXPIC_FILTER_LINEAR, GXPIC_FILTER_TRIANGLE, GXPIC_FILTER_BOX};
    for (const auto& s : sizes) {
        for (uint32_t f : filters) {
            std::vector<uint32_t> src(static_cast<size_t>(s.sw) * s.sh, 0x80C04020u);
            std::vector<uint32_t> dst(static_cast<size_t>(s.dw) * s.dh, 0);
            GxPictureResample(src.data(), s.sw, s.sh, s.sw, dst.data(), s.dw, s.dh, s.dw, f);
            for (uint32_t v : dst) ASSERT_EQ(v, 0x80C04020u) << s.sw << "x" << s.sh << " -> " << s.dw << " filter " << f;
        }
    }
    // A left-to-right step keeps its sides; the pixels next to the step lie between.
    std::vector<uint32_t> step(8 * 2);
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 8; ++x) step[y * 8 + x] = x < 4 ? 0xFF000000u : 0xFFFFFFFFu;
    std::vector<uint32_t> out(16 * 2);
    GxPictureResample(step.data(), 8, 2, 8, out.data(), 16, 2, 16, GXPIC_FILTER_TRIANGLE);
    EXPECT_EQ(out[0], 0xFF000000u);
    EXPECT_EQ(out[15], 0xFFFFFFFFu);
    EXPECT_GT(out[8] & 255, out[7] & 255);
    EXPECT_GT(out[8] & 255, 0u);
    EXPECT_LT(out[7] & 255, 255u);
}
