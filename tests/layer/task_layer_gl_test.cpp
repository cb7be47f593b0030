// Layers on the GL device, read back: a cross-fade between two solid colours half-way, and an
// image-set pattern drawn with the graphics the program itself starts with (no test hooks).
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <utility>

#include "app/task/GxTaskManage.h"
#include "core/GxLog.h"
#include "core/GxString.h"
#include "graphics/GxGlobalRenderTarget.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsSettings.h"
#include "graphics/GxResourceFactory.h"
#include "layer/GxNcFactory.h"
#include "layer/GxNcImageSet.h"
#include "layer/GxTaskLayer.h"
#include "platform/GxDevice.h"
#include "tests/support/GxContentFixture.h"
#include "tests/support/GxNcWriter.h"
#include "tests/support/GxPackWriter.h"
#include "tests/support/GxPictureWriter.h"

namespace {

class LayerGL : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_DeviceLogPath = GxGetLogPath(GxLogFile::Device);
        GxSetDeviceLogPath(u"/dev/null");
        GxGetGraphicsSettings().SetStartupValues();
        GxGraphics::SetDirect3DFactory(nullptr);
        ASSERT_TRUE(GxGraphics::Create(nullptr, nullptr, nullptr, nullptr)) << m_Log.Joined();
        GxCreateGlobalRenderTargets();
        m_Root = new GxTaskBase(m_Manager.get());
    }
    void TearDown() override
    {
        m_Manager.reset();  // the layers give their textures back while the device stands
        ReleaseGlobalRenderTargets();
        GxGraphics::Release();
        GxSetDeviceLogPath(m_DeviceLogPath);
    }

    GxContentLogCapture m_Log;
    std::u16string m_DeviceLogPath;
    std::unique_ptr<GxTaskManage> m_Manager = std::make_unique<GxTaskManage>();
    GxTaskBase* m_Root = nullptr;
};

TEST_F(LayerGL, CrossFadeHalfWayBetweenTwoSolidColours)
{
    struct Case
    {
        int32_t mode;
        uint32_t expected;  // 0x00RRGGBB over a black screen
    };
    // Linear: red at 127/255 over black, then blue at 127/255 over that.
    // Eased: both at 0.5 + 1/pi, alpha 208.
    const Case cases[] = {{LOCALTRANSIT_LINEAR, 0x3F007Fu}, {LOCALTRANSIT_SINE, 0x2600D0u}};
    for (const Case& c : cases) {
        auto* layer = new GxTaskLayer(u"bg", nullptr, 0, m_Root);
        layer->SetLocalTransitMode(c.mode);
        ASSERT_TRUE(layer->LoadSolidColor(0xFFFF0000u, 0));
        ASSERT_TRUE(layer->LoadSolidColor(0xFF0000FFu, 1000));
        layer->Update(0, 500000);
        ASSERT_FLOAT_EQ(layer->GetLocalTransit().GetProgress(), 0.5f);

        ASSERT_TRUE(GxGraphics::BeginScene());
        GxGraphics::Clear(GXCLEAR_TARGET, 0xFF000000u, 1.0f, 0, nullptr);
        layer->Draw(0, 5);
        GxGraphics::EndScene();
        GxPixelImage img;
        ASSERT_EQ(GxGraphics::GetDevice()->ReadBackBuffer(&img), GX_OK);
        ASSERT_EQ(img.width, 1024u);
        for (const auto& [x, y] : {std::pair{0u, 0u}, std::pair{512u, 384u}, std::pair{1023u, 767u}}) {
            const uint32_t got = img.At(x, y);
            for (int shift = 0; shift < 24; shift += 8) {
                const int g = static_cast<int>((got >> shift) & 0xFF), w = static_cast<int>((c.expected >> shift) & 0xFF);
                EXPECT_LE(std::abs(g - w), 1) << std::hex << "mode " << c.mode << " got 0x" << got << " at " << std::dec
                                              << x << "," << y;
            }
        }
    }
}

TEST_F(LayerGL, ImageSetPatternIsDrawnByTheProgramsOwnGraphics)
{
    GxTestGameFolder folder;
    ASSERT_TRUE(folder.IsValid());
    GxTestResetFileLayer();
    // A 40 x 20 page: left half red, right half green. The pattern is the green 20 x 10 cell at
    // (20, 5) of the page, placed at (4, 6) in its source picture.
    gxtest::TestPicture page(40, 20, 0xFFFF0000u);
    for (uint32_t y = 0; y < 20; ++y)
        for (uint32_t x = 20; x < 40; ++x) page.pixels[y * 40 + x] = 0xFF00FF00u;
    ASSERT_TRUE(folder.Write("ui/set_0.png", gxtest::WritePngRgba(page)));
    GxNcCrammedImageSet set;
    set.m_CrammedImageArray.resize(1);
    set.m_CrammedImageArray[0].m_FileName = u"set_0.png";
    GxNcCrammedPattern& p = GxNcAddPattern(GxNcAddOriginImage(set, u"face.png"), 0, 4, 6, 20, 10, 20, 5);
    ASSERT_EQ(p.m_CrammedOffsetLeft, 4);
    ASSERT_TRUE(folder.Write("ui/set.gis", GxNcImageSetToBytes(set, GxContentForm::Binary)));

    const int32_t texturesBefore = GxGetTextureFactory().GetCount();
    auto* layer = new GxTaskLayer(u"face", nullptr, 0, m_Root);
    ASSERT_TRUE(layer->LoadImageSetImage(u"ui/set.gis", u"face.png", 0, 0)) << m_Log.Joined();
    // The page is the texture factory's.
    EXPECT_EQ(GxGetTextureFactory().GetCount(), texturesBefore + 1);
    layer->SetPos(GxVector3(100, 200, 0));
    layer->Update(0, 16000);

    ASSERT_TRUE(GxGraphics::BeginScene());
    GxGraphics::Clear(GXCLEAR_TARGET, 0xFF000000u, 1.0f, 0, nullptr);
    layer->Draw(0, 5);
    GxGraphics::EndScene();
    GxPixelImage img;
    ASSERT_EQ(GxGraphics::GetDevice()->ReadBackBuffer(&img), GX_OK);
    // The cell lands at (104, 206)-(124, 216): green inside, nothing of the red page around it.
    struct Probe
    {
        uint32_t x, y, rgb;
    };
    for (const Probe& probe : {Probe{105, 207, 0x00FF00u}, Probe{122, 214, 0x00FF00u}, Probe{114, 211, 0x00FF00u},
                               Probe{102, 211, 0u}, Probe{126, 211, 0u}, Probe{114, 203, 0u}, Probe{114, 218, 0u}})
        EXPECT_EQ(img.At(probe.x, probe.y) & 0xFFFFFFu, probe.rgb)
            << std::hex << "got 0x" << img.At(probe.x, probe.y) << std::dec << " at " << probe.x << "," << probe.y;

    // Ending the tasks gives the set back, and the set its page to the texture factory.
    m_Manager.reset();
    EXPECT_EQ(GxGetNcCrammedImageSetFactory().GetCount(), 0u);
    EXPECT_EQ(GxGetTextureFactory().GetCount(), texturesBefore);
}

}  // namespace
