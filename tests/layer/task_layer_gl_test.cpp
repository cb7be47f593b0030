// A layer cross-fading between two solid colours on the GL device, read back half-way.
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
#include "layer/GxTaskLayer.h"
#include "platform/GxDevice.h"
#include "tests/support/GxContentFixture.h"

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

}  // namespace
