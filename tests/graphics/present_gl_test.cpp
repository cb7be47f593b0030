// The GL backend headless: drawing into a render-target surface and a render-target texture
// through the stack, popping back to the back buffer, presenting and reading both back.
#include <gtest/gtest.h>

#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsSettings.h"
#include "graphics/GxSurface.h"
#include "graphics/GxSwapChain.h"
#include "graphics/GxTexture.h"
#include "graphics_test_support.h"

namespace {

class PresentGL : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GxGetGraphicsSettings().SetStartupValues();
        GxGraphics::SetDirect3DFactory(nullptr);
    }
    void TearDown() override
    {
        GxGraphics::Release();
        GxGetGraphicsSettings().SetStartupValues();
    }
    gxtest::LogFolder logs;
};

}  // namespace

TEST_F(PresentGL, RenderIntoTargetsPopPresentAndReadBack)
{
    ASSERT_TRUE(GxGraphics::Create(nullptr, nullptr, nullptr, nullptr)) << GxWideToUtf8(logs.Error());
    GxDevice* device = GxGraphics::GetDevice();

    GxSurface surface;
    ASSERT_TRUE(surface.CreateRenderTarget(u"surface", 64, 48, GXFMT_UNKNOWN, GXMULTISAMPLE_NONE, 0));
    GxTexture texture;
    ASSERT_TRUE(texture.CreateRenderTarget(u"texture", 32, 32, GXFMT_UNKNOWN));

    ASSERT_TRUE(GxGraphics::BeginScene());
    ASSERT_TRUE(GxGraphics::PushRenderTarget(0, &surface, nullptr, nullptr));
    ASSERT_TRUE(GxGraphics::Clear(GXCLEAR_TARGET, 0xFFFF0000u, 1.0f, 0, nullptr));
    const GxRectL part{8, 8, 16, 16};
    ASSERT_TRUE(GxGraphics::PushRenderTarget(0, &texture, nullptr, &part));
    ASSERT_TRUE(GxGraphics::Clear(GXCLEAR_TARGET, 0xFF0000FFu, 1.0f, 0, nullptr));
    ASSERT_TRUE(GxGraphics::PopRenderTarget(0));
    // Back on the surface with its whole viewport.
    const GxRectL corner{0, 0, 4, 4};
    ASSERT_TRUE(GxGraphics::Clear(GXCLEAR_TARGET, 0xFFFFFF00u, 1.0f, 0, &corner));
    ASSERT_TRUE(GxGraphics::PopRenderTarget(0));
    GxRectL viewport;
    GxGraphics::GetViewport(&viewport);
    EXPECT_EQ(viewport, (GxRectL{0, 0, 1024, 768}));
    const GxRectL band{0, 0, 1024, 10};
    ASSERT_TRUE(GxGraphics::Clear(GXCLEAR_TARGET, 0xFF00FF00u, 1.0f, 0, &band));
    ASSERT_TRUE(GxGraphics::EndScene());
    ASSERT_TRUE(GxGraphics::Present(nullptr, nullptr, nullptr));
    EXPECT_TRUE(logs.Error().empty()) << GxWideToUtf8(logs.Error());

    GxPixelImage shown;
    ASSERT_EQ(device->ReadPresented(&shown), GX_OK);
    ASSERT_EQ(shown.width, 1024u);
    ASSERT_EQ(shown.height, 768u);
    EXPECT_EQ(shown.At(0, 0), 0xFF00FF00u);
    EXPECT_EQ(shown.At(1023, 9), 0xFF00FF00u);
    EXPECT_EQ(shown.At(5, 10), 0xFF000000u);

    GxPixelImage drawn;
    ASSERT_TRUE(surface.ReadPixels(&drawn));
    EXPECT_EQ(drawn.At(3, 3), 0xFFFFFF00u);
    EXPECT_EQ(drawn.At(4, 4), 0xFFFF0000u);
    EXPECT_EQ(drawn.At(63, 47), 0xFFFF0000u);

    EXPECT_EQ(texture.GetPixel(8, 8), 0xFF0000FFu);
    EXPECT_EQ(texture.GetPixel(15, 15), 0xFF0000FFu);
    EXPECT_EQ(texture.GetPixel(16, 16), 0u);
    EXPECT_EQ(texture.GetPixel(7, 8), 0u);

    // A surface copied onto another by the device.
    GxSurface copy;
    ASSERT_TRUE(copy.CreateRenderTarget(u"copy", 32, 24, GXFMT_UNKNOWN, GXMULTISAMPLE_NONE, 0));
    ASSERT_TRUE(copy.StretchRect(nullptr, &surface, nullptr, GXTEXF_POINT));
    ASSERT_TRUE(copy.ReadPixels(&drawn));
    EXPECT_EQ(drawn.At(1, 1), 0xFFFFFF00u);
    EXPECT_EQ(drawn.At(31, 23), 0xFFFF0000u);
}
