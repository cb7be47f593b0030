// A real frame on the GL device: the message window over its panel's picture showing
// "あ%a(0xFF0000)あ", read back: red only inside the second glyph's box, the first glyph white
// with its shadow offset below and right of it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "game/DBUIModule.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserConfig.h"
#include "tests/support/GxUIHarness.h"
#include "ui/GxTaskUIWidgets.h"

namespace {

bool Near(uint32_t got, uint32_t want, int tolerance)
{
    for (int shift = 0; shift < 24; shift += 8) {
        const int g = static_cast<int>((got >> shift) & 0xFF), w = static_cast<int>((want >> shift) & 0xFF);
        if (std::abs(g - w) > tolerance) return false;
    }
    return true;
}

TEST(MessageWindowGL, ColouredGlyphAndShadowOverThePanel)
{
    GxMessageSystemConfig().SetDefault();
    GxMessageUserConfig().SetDefault();
    gxtest::UIHarness h(gxtest::UIDevice::GL);
    ASSERT_TRUE(h.IsReady()) << h.Log().Joined();
    ASSERT_TRUE(h.WritePicture("cg/meswin.png", gxtest::TestPicture(300, 100, 0xFF0000FFu)));
    h.LoadFonts();

    DBUIModuleData m;
    m.ID = 1;
    m.UIType = GxUIModuleType::MessageWindowFx;
    m.ImageSetName = u"cg/";
    m.ImageName = u"meswin";
    m.FontIndex = 2;
    m.ClientLeft = 10;
    m.ClientTop = 10;
    m.ClientWidth = 280;
    m.ClientHeight = 80;
    auto* w = dynamic_cast<GxTaskUIMessageWindowFx*>(h.CreateFromModule(m, u"$MESWIN", -1));
    ASSERT_NE(w, nullptr);
    w->SetPos(GxVector3(100.0f, 100.0f, 0.0f));
    h.EnterScreen();
    w->SetMessage(u"あ%a(0xFF0000)あ", false, false, false, false);
    w->FlushMessage(true, false);
    h.Frame(0);
    const GxPixelImage img = h.ReadBack();
    ASSERT_EQ(img.width, 1024u);

    // Glyph boxes: 23 wide, 18 rows (the fake glyph's ascent) under the ruby margin of 11.
    const uint32_t top = 100 + 10 + 11, bottom = top + 18;
    const uint32_t left1 = 110, left2 = 110 + 27;
    int redInside = 0, redOutside = 0;
    for (uint32_t y = 100; y < 200; ++y)
        for (uint32_t x = 100; x < 400; ++x) {
            if (!Near(img.At(x, y) & 0xFFFFFFu, 0xFF0000u, 8)) continue;
            const bool inside = x >= left2 && x < left2 + 23 && y >= top && y < bottom;
            ++(inside ? redInside : redOutside);
        }
    EXPECT_EQ(redInside, 23 * 18);
    EXPECT_EQ(redOutside, 0);

    EXPECT_TRUE(Near(img.At(left1 + 10, top + 8) & 0xFFFFFFu, 0xFFFFFFu, 2)) << std::hex << img.At(left1 + 10, top + 8);
    // Beyond the outline (1 px) but inside the shadow (3 px): the panel's blue half darkened.
    EXPECT_TRUE(Near(img.At(left1 + 24, bottom + 1) & 0xFFFFFFu, 0x000080u, 3)) << std::hex
                                                                               << img.At(left1 + 24, bottom + 1);
    // Past the shadow: the panel alone.
    EXPECT_TRUE(Near(img.At(left1 + 26, bottom + 3) & 0xFFFFFFu, 0x0000FFu, 2)) << std::hex
                                                                               << img.At(left1 + 26, bottom + 3);
    // Outside the window: the cleared screen.
    EXPECT_TRUE(Near(img.At(50, 50) & 0xFFFFFFu, 0x000000u, 0));
}

}  // namespace
