// A real frame on the GL device: a three-item menu with the second item hovered, its highlight
// bar blended over the body picture and the rows without it read back.
#include <gtest/gtest.h>

#include <cstdlib>

#include "game/DBUIModule.h"
#include "tests/support/GxUIHarness.h"
#include "ui/GxTaskUIWidgets.h"

namespace {

TEST(MenuGL, HoveredRowBlendsTheBarOverTheBody)
{
    gxtest::UIHarness h(gxtest::UIDevice::GL);
    ASSERT_TRUE(h.IsReady()) << h.Log().Joined();
    ASSERT_TRUE(h.WriteImageSet("uigis/menu.gis", {{u"frame_head.png", {{120, 20, 0xFFFF0000u}}},
                                                    {u"frame_body.png", {{120, 20, 0xFF0000FFu}}},
                                                    {u"frame_foot.png", {{120, 20, 0xFF00FF00u}}}}))
        << h.Log().Joined();
    DBUIModuleData m;
    m.UIType = GxUIModuleType::MenuIs;
    m.ImageSetName = u"menu";
    m.ImageName = u"frame";
    m.ClientLeft = 10;
    auto* menu = dynamic_cast<GxTaskUIMenuIs*>(h.CreateFromModule(m, u"menu", 0));
    ASSERT_NE(menu, nullptr);
    menu->SetPos(GxVector3(100.0f, 100.0f, 0.0f));
    h.EnterScreen();
    // Items without text: the rows show the frame and the bar only.
    for (int i = 0; i < 3; ++i) menu->AddItem(u"", u"", i, u"");
    h.Move(150.0f, 150.0f);
    ASSERT_EQ(menu->GetHoverIndex(), 1);

    h.Frame(16);
    const GxPixelImage img = h.ReadBack();
    struct Probe
    {
        uint32_t x, y;
        uint32_t rgb;
    };
    const Probe probes[] = {
        {150, 110, 0xFF0000u},                                               // head
        {150, 130, 0x0000FFu}, {150, 170, 0x0000FFu},                       // rows without the bar
        {150, 150, 0x8080FFu}, {110, 140, 0x8080FFu}, {209, 159, 0x8080FFu},  // the bar, half white
        {105, 150, 0x0000FFu}, {215, 150, 0x0000FFu},                       // beside the client span
        {150, 190, 0x00FF00u},                                               // foot
        {150, 205, 0x000000u},
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
