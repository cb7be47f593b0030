// A real frame on the GL device: a gauge bar at half its range and a slider at three quarters,
// read back on both sides of the fill's edge and around the knob.
#include <gtest/gtest.h>

#include <cstdlib>

#include "game/DBUIModule.h"
#include "tests/support/GxUIHarness.h"
#include "ui/GxTaskUIWidgets.h"

namespace {

TEST(HBarSliderGL, FillEdgeAndKnobPlace)
{
    gxtest::UIHarness h(gxtest::UIDevice::GL);
    ASSERT_TRUE(h.IsReady()) << h.Log().Joined();
    ASSERT_TRUE(h.WriteImageSet("uigis/gauge.gis", {{u"hp_back.png", {{220, 20, 0xFF202020u}}},
                                                    {u"hp_on.png", {{220, 20, 0xFF00FF00u}}},
                                                    {u"vol_off.png", {{30, 10, 0xFF0000FFu}}},
                                                    {u"vol_back.png", {{220, 20, 0xFF404040u}}}}))
        << h.Log().Joined();

    DBUIModuleData bm;
    bm.UIType = GxUIModuleType::HBarIs;
    bm.ImageSetName = u"gauge";
    bm.ImageName = u"hp";
    bm.ClientLeft = 10;
    DBUIModuleData sm = bm;
    sm.UIType = GxUIModuleType::HSliderIs;
    sm.ImageName = u"vol";
    auto* bar = dynamic_cast<GxTaskUIHBarIs*>(h.CreateFromModule(bm, u"bar"));
    auto* slider = dynamic_cast<GxTaskUIHSliderIs*>(h.CreateFromModule(sm, u"sld"));
    ASSERT_NE(bar, nullptr);
    ASSERT_NE(slider, nullptr);
    bar->SetPos(GxVector3(100.0f, 100.0f, 0.0f));
    slider->SetPos(GxVector3(100.0f, 300.0f, 0.0f));
    bar->SetMax(100.0);
    h.EnterScreen();
    bar->SetValue(50.0);
    slider->SetValue(75.0);
    ASSERT_EQ(bar->GetFillWidth(), 100);

    h.Frame(16);
    const GxPixelImage img = h.ReadBack();
    ASSERT_EQ(img.width, 1024u);
    struct Probe
    {
        uint32_t x, y;
        uint32_t rgb;
    };
    // The fill covers client x 10..109 of the bar; the knob (30 x 10) has its left edge half a
    // knob before track position 150 and is centred across the 20-pixel track.
    const Probe probes[] = {
        {150, 110, 0x00FF00u}, {110, 100, 0x00FF00u}, {209, 119, 0x00FF00u},  // fill
        {210, 110, 0x202020u}, {109 - 5, 110, 0x202020u}, {319, 110, 0x202020u},  // back around it
        {99, 110, 0x000000u},  {320, 110, 0x000000u},
        {260, 310, 0x0000FFu}, {245, 305, 0x0000FFu}, {274, 314, 0x0000FFu},  // knob
        {244, 310, 0x404040u}, {275, 310, 0x404040u}, {260, 304, 0x404040u}, {260, 315, 0x404040u},
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
