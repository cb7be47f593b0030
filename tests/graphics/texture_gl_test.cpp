// GxTexture on the GL device (headless EGL): pixels written through a lock reach the GL texture
// object in both stored layouts, a picture loads into it, and a texture render target reads
// back what the GPU cleared it to.
#include <gtest/gtest.h>

#include "core/GxString.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsSettings.h"
#include "graphics/GxTexture.h"
#include "graphics_test_support.h"
#include "tests/support/GxPictureWriter.h"

namespace {

class TextureGL : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GxGetGraphicsSettings().SetStartupValues();
        GxGraphics::SetDirect3DFactory(nullptr);
        ASSERT_TRUE(GxGraphics::Create(nullptr, nullptr, nullptr, nullptr)) << GxWideToUtf8(logs.Error());
    }
    void TearDown() override { GxGraphics::Release(); }

    // The level as the GL texture object holds it.
    static GxPixelImage Uploaded(GxTexture& t)
    {
        GxPixelImage image;
        EXPECT_EQ(GxGraphics::GetDevice()->ReadTexture(t.GetD3DTexture(), 0, &image), GX_OK);
        return image;
    }

    gxtest::LogFolder logs;
};

}  // namespace

TEST_F(TextureGL, LockedPixelsAreUploadedInBothLayouts)
{
    for (GxFormat f : {GXFMT_A8R8G8B8, GXFMT_A4R4G4B4}) {
        GxTexture t;
        ASSERT_TRUE(t.CreateTexture(u"gl", 5, 3, f, 1));
        ASSERT_EQ(t.GetWidth(), 8u);
        ASSERT_EQ(t.GetHeight(), 4u);
        void* bits = nullptr;
        int32_t pitch = 0;
        ASSERT_TRUE(t.LockRect(nullptr, &bits, &pitch, nullptr, nullptr, nullptr, false));
        for (uint32_t y = 0; y < 4; ++y)
            for (uint32_t x = 0; x < 8; ++x) {
                const uint32_t c = (0x10u + x * 0x20u) << 24 | (y * 0x40u) << 16 | (x * 0x11u) << 8 | 0x5Au;
                auto* row = static_cast<uint8_t*>(bits) + y * pitch;
                if (f == GXFMT_A8R8G8B8) reinterpret_cast<uint32_t*>(row)[x] = c;
                else reinterpret_cast<uint16_t*>(row)[x] = GxColor32To16(c);
            }
        ASSERT_TRUE(t.UnlockRect());
        GxPixelImage gpu = Uploaded(t);
        ASSERT_EQ(gpu.width, 8u);
        ASSERT_EQ(gpu.height, 4u);
        for (uint32_t y = 0; y < 4; ++y)
            for (uint32_t x = 0; x < 8; ++x) EXPECT_EQ(gpu.At(x, y), t.GetPixel(x, y)) << x << "," << y << " " << f;

        // A partial lock sends its rectangle only, into the right place.
        const GxRectL r{2, 1, 4, 3};
        ASSERT_TRUE(t.FillRect(&r, 0xFFFFFFFFu));
        gpu = Uploaded(t);
        EXPECT_EQ(gpu.At(2, 1), 0xFFFFFFFFu);
        EXPECT_EQ(gpu.At(3, 2), 0xFFFFFFFFu);
        EXPECT_EQ(gpu.At(1, 1), t.GetPixel(1, 1));
        EXPECT_EQ(gpu.At(4, 2), t.GetPixel(4, 2));
    }

    const gxtest::TestPicture p = gxtest::MakeTestPicture(16, 16, true);
    const std::string path = (logs.dir / "gl.png").string();
    ASSERT_TRUE(gxtest::WriteBytes(path, gxtest::WritePngRgba(p)));
    GxTexture pic;
    ASSERT_TRUE(pic.CreateFromFile(GxUtf8ToWide(path), GXFMT_A8R8G8B8, 0, 0, true));
    EXPECT_EQ(Uploaded(pic).pixels, p.pixels);
    EXPECT_TRUE(logs.Error().empty()) << GxWideToUtf8(logs.Error());
}

TEST_F(TextureGL, RenderTargetReadsBackWhatTheGpuDrew)
{
    GxTexture rt;
    ASSERT_TRUE(rt.CreateRenderTarget(u"rt", 64, 32, GXFMT_A8R8G8B8));
    ASSERT_TRUE(rt.SetRenderTarget(0));
    GxDevice* device = GxGraphics::GetDevice();
    ASSERT_EQ(device->Clear(0, nullptr, GXCLEAR_TARGET, 0x80336699u, 1.0f, 0), GX_OK);
    const GxRectL corner{60, 0, 64, 4};
    ASSERT_EQ(device->Clear(1, &corner, GXCLEAR_TARGET, 0xFFFF0000u, 1.0f, 0), GX_OK);
    EXPECT_EQ(rt.GetPixel(0, 31), 0x80336699u);
    EXPECT_EQ(rt.GetPixel(63, 0), 0xFFFF0000u);  // row 0 is the top row
    EXPECT_EQ(rt.GetPixel(63, 4), 0x80336699u);

    // Pixels written through the memory copy reach the GPU target.
    ASSERT_TRUE(rt.Fill(0xFF0000FFu));
    GxPixelImage gpu = Uploaded(rt);
    EXPECT_EQ(gpu.At(10, 10), 0xFF0000FFu);
    EXPECT_EQ(rt.GetPixel(63, 0), 0xFF0000FFu);
    EXPECT_TRUE(logs.Error().empty()) << GxWideToUtf8(logs.Error());
}
