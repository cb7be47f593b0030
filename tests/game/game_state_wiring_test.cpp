// The game state through the program's own wiring: start-up reads "userconf.dat" and
// "permanent.dat" from the save folder, the game functions reach the state and the main play
// screen through the application object, and shutdown writes both files back.
#include <gtest/gtest.h>

#include "app/GxCore.h"
#include "app/GxTaskActor.h"
#include "app/task/GxTaskManage.h"
#include "core/GxPackFile.h"
#include "game/GxGameFunctions.h"
#include "game/GxUserConfig.h"
#include "game/GxUserData.h"
#include "game/GxUserDataPerman.h"
#include "platform/GxSdlWindow.h"
#include "seq/SeqRukoMain.h"
#include "tests/app/core_test_util.h"
#include "tests/support/GxRecordingSound.h"

using namespace coretest;

namespace {

TEST(GameStateWiring, StartUpReadsShutdownWritesAndResetsReachTheScreen)
{
    TempGame g;
    const std::filesystem::path save = g.docs / "CoreTest_SAVE";
    std::filesystem::create_directories(save);
    {
        ScopedCwd dir(save);
        GxUserConfig options;
        options.m_Volume_BGM = 33;
        options.m_LastGameDataFileNum = 12;
        ASSERT_TRUE(options.Save(nullptr));
        GxUserDataPerman perman(nullptr);
        perman.SetReadedMessageFlag(u"start", 9);
        ASSERT_TRUE(perman.Save(u"permanent.dat"));
    }

    ScopedCwd dir(g.game);
    ScopedEnv env("XDG_DOCUMENTS_DIR", g.docs.string());
    MessageBoxes boxes;
    RecordingDevice device;
    GxSdlWindowOptions o;
    o.headless = true;
    o.lockFolder = g.locks.string();
    GxSdlWindowServices ws(o);
    ASSERT_TRUE(ws.Initialize());
    GxRecordingSound sound;
    {
        GxCore core(&ws);
        GxSetCore(&core);
        ASSERT_TRUE(core.Initialize());
        EXPECT_EQ(core.GetUserConfig()->m_Volume_BGM, 33);
        EXPECT_EQ(core.GetUserConfig()->m_LastGameDataFileNum, 12);
        EXPECT_TRUE(core.GetUserDataPerman()->GetReadedMessageFlag(u"start", 9));

        // The start-up built the main play screen with its full-screen cover.
        GxTaskManage* tm = core.GetTaskManage();
        ASSERT_NE(dynamic_cast<SeqRukoMain*>(tm->FindTaskByName(u"SeqRukoMain")), nullptr);
        EXPECT_EQ(GxFindMainScreen(&core), dynamic_cast<GxMainScreen*>(tm->FindTaskByName(u"SeqRukoMain")));
        auto* cover = dynamic_cast<GxTaskActor*>(tm->FindTaskByName(u"$GLOBALFADE:SeqRukoMain"));
        ASSERT_NE(cover, nullptr);
        EXPECT_EQ(cover->GetAlpha(), 0);

        GxUserData* data = core.GetUserData();
        data->m_SERecord[2].m_FileName = u"se/door";
        sound.SetPlaying(6, "se/door");
        EXPECT_TRUE(GxStopAllSE());
        EXPECT_TRUE(data->m_SERecord[2].m_FileName.empty());
        EXPECT_FALSE(sound.channels[6].playing);

        // Both resets reach the program's screen: its layers are put back each time.
        auto* bg = dynamic_cast<GxTaskActor*>(tm->FindTaskByName(u"$BGLAYER:SeqRukoMain"));
        auto* bgw = dynamic_cast<GxTaskActor*>(tm->FindTaskByName(u"$BGWLAYER:SeqRukoMain"));
        ASSERT_NE(bg, nullptr);
        ASSERT_NE(bgw, nullptr);
        auto disturb = [&] {
            bg->SetOrderZ(7.0f);
            bg->Hide();
            bgw->Show();
        };
        auto putBack = [&] { return bg->GetOrderZ() == -100.0f && bg->IsVisible() && !bgw->IsVisible(); };
        disturb();
        data->ResetForNewGame(true);
        EXPECT_TRUE(putBack()) << "a new game resets the windows and visuals";
        EXPECT_EQ(cover->GetAlpha(), 255) << "a new game starts covered";
        EXPECT_TRUE(data->m_HideWindowByCommandFlag);
        disturb();
        data->ResetForBattleMap();
        EXPECT_TRUE(putBack()) << "the battle map resets the visuals";

        GxStartGlobalFadeIn(500);
        EXPECT_FALSE(cover->GetActionQueue(0).empty() && cover->GetActionQueue(1).empty());
        GxStartGlobalFadeIn(0);
        EXPECT_TRUE(cover->GetActionQueue(0).empty() && cover->GetActionQueue(1).empty());
        EXPECT_EQ(cover->GetAlpha(), 0);

        core.GetUserConfig()->m_Volume_BGM = 44;
        core.GetUserDataPerman()->SetSelectedMenuFlag(u"menu", 1);
        core.Finalize();
        GxSetCore(nullptr);
    }
    GxFileCloseAllPacks();

    ScopedCwd back(save);
    GxUserConfig options;
    ASSERT_TRUE(options.Load(nullptr));
    EXPECT_EQ(options.m_Volume_BGM, 44);
    GxUserDataPerman perman(nullptr);
    ASSERT_TRUE(perman.Load(u"permanent.dat"));
    EXPECT_TRUE(perman.GetReadedMessageFlag(u"start", 9));
    EXPECT_TRUE(perman.GetSelectedMenuFlag(u"menu", 1));
}

}  // namespace
