// The battle-map selection screen on the GL device: the save button's thumbnail is a picture of
// this screen.
#include <gtest/gtest.h>

#include <cstring>

#include "graphics/GxGlobalRenderTarget.h"
#include "graphics/GxGraphics.h"
#include "tests/seq/ScreenTestFixture.h"

namespace {

TEST(BattleMapSelectionGl, TheSaveButtonCapturesThisScreenAsTheThumbnail)
{
    screentest::Game g([](const std::filesystem::path& root) {
        GxGraphics::SetDirect3DFactory(nullptr);  // the program's own device, not the recorder
        const std::vector<std::vector<std::string>> modules = {
            screentest::ModuleRow(1, 18, "mod_bmap", 120, 40),
        };
        ASSERT_TRUE(screentest::WriteBytes(root / "data/db_uimodule_bmap.txt", screentest::TableText(modules)));
        ASSERT_TRUE(screentest::WriteBytes(
            root / "data/db_uilayout_bmap.txt",
            screentest::TableText({screentest::LayoutRow(1, "$UI:SeqBmapSelect", "mod_bmap", "btn_save", 0, 100.0f, 100.0f)})));
        ASSERT_TRUE(screentest::WritePicture(root, "cg/uibmap/bg_bmap.png", 1024, 768));
    });
    ASSERT_TRUE(g.initialized);
    g.Enter(u"SeqBmapSelect", 0);
    g.Frame(16);
    GxGlobalRenderTargets& targets = GxGetGlobalRenderTargets();
    ASSERT_EQ(targets.thumbnail.GetSize(), 128u * 96u * 4u);
    std::memset(targets.thumbnail.GetBuffer(), 0, targets.thumbnail.GetSize());
    g.Click(105.0f, 105.0f);
    // Blocks away from the button hold the picture's colour (the fixture's pictures are solid).
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{127, 95}, std::pair{64, 60}}) {
        uint32_t pixel = 0;
        std::memcpy(&pixel, targets.thumbnail.GetBuffer() + (static_cast<size_t>(y) * 128 + x) * 4, 4);
        EXPECT_EQ(pixel, 0xFF336699u) << x << "," << y;
    }
}

}  // namespace
