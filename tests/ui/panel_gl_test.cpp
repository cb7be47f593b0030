// A real frame on the GL device: a drawn panel's picture and an image panel's pattern at alpha
// 128 over a cleared screen, read back inside, on the edges and outside.
#include <gtest/gtest.h>

#include <cstdlib>

#include "game/DBUIModule.h"
#include "tests/support/GxUIHarness.h"
#include "ui/GxTaskUIWidgets.h"

namespace {

TEST(PanelGL, PictureAndHalfTransparentPatternOverABlackScreen)
{
    gxtest::UIHarness h(gxtest::UIDevice::GL);
    ASSERT_TRUE(h.IsReady()) << h.Log().Joined();
    ASSERT_TRUE(h.WritePicture("cg/box.png", gxtest::TestPicture(100, 60, 0xFFFF0000u)));
    ASSERT_TRUE(h.WriteImageSet("uigis/common.gis", {{u"ok.png", {{50, 40, 0xFF00FF00u}}}})) << h.Log().Joined();

    DBUIModuleData fx;
    fx.UIType = GxUIModuleType::PanelFx;
    fx.ImageSetName = u"cg/";
    fx.ImageName = u"box";
    DBUIModuleData is;
    is.UIType = GxUIModuleType::PanelIs;
    is.ImageSetName = u"common";
    is.ImageName = u"ok";
    GxTaskUIBase* picture = h.CreateFromModule(fx, u"fx", 0);
    GxTaskUIBase* pattern = h.CreateFromModule(is, u"is", 0);
    ASSERT_NE(picture, nullptr);
    ASSERT_NE(pattern, nullptr);
    picture->SetPos(GxVector3(100.0f, 100.0f, 0.0f));
    pattern->SetPos(GxVector3(300.0f, 200.0f, 0.0f));
    pattern->SetAlpha(128);
    h.EnterScreen();
    ASSERT_EQ(pattern->GetWidth(), 50);

    h.Frame(16);
    const GxPixelImage img = h.ReadBack();
    ASSERT_EQ(img.width, 1024u);
    ASSERT_EQ(img.height, 768u);
    struct Probe
    {
        uint32_t x, y;
        uint32_t rgb;
    };
    const Probe probes[] = {
        {150, 130, 0xFF0000u}, {100, 100, 0xFF0000u}, {199, 159, 0xFF0000u},  // inside and on the edges
        {99, 130, 0x000000u},  {200, 130, 0x000000u}, {150, 160, 0x000000u},  {150, 99, 0x000000u},
        {320, 220, 0x008000u}, {300, 200, 0x008000u}, {349, 239, 0x008000u},
        {299, 220, 0x000000u}, {350, 220, 0x000000u}, {320, 240, 0x000000u},  {0, 0, 0x000000u},
    };
    for (const Probe& p : probes) {
        const uint32_t got = img.At(p.x, p.y) & 0xFFFFFFu;
        for (int shift = 0; shift < 24; shift += 8) {
            const int g = static_cast<int>((got >> shift) & 0xFF), w = static_cast<int>((p.rgb >> shift) & 0xFF);
            EXPECT_LE(std::abs(g - w), 1) << std::hex << "got 0x" << got << " want 0x" << p.rgb << std::dec << " at "
                                          << p.x << "," << p.y;
        }
    }
}

}  // namespace
