// The battle-map selection screen built by the program's screen list from the battle-map UI
// tables: what entering stops and resets, story buttons by their label text, and the save,
// load and settings buttons, with a save made here coming back here.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/GxSeqBase.h"
#include "game/GxUserData.h"
#include "graphics/GxGlobalRenderTarget.h"
#include "moa/GxMoaScriptHost.h"
#include "seq/SeqBmapSelect.h"
#include "tests/support/GxHideScreen.h"
#include "tests/game/game_test_util.h"
#include "tests/seq/ScreenTestFixture.h"
#include "tests/support/GxFakeMainScreen.h"
#include "tests/support/GxMoaPackageBuilder.h"

namespace {

float ButtonY(int i) { return 100.0f + 60.0f * static_cast<float>(i); }

// Buttons from the battle-map tables: save, load, config, a story button to "north", one with
// an empty label. A screen-size picture and a script with the label.
void WriteBattleMap(const std::filesystem::path& root)
{
    const std::vector<std::vector<std::string>> modules = {
        screentest::ModuleRow(1, 18, "mod_bmap", 120, 40),
    };
    ASSERT_TRUE(screentest::WriteBytes(root / "data/db_uimodule_bmap.txt", screentest::TableText(modules)));
    const std::string ui = "$UI:SeqBmapSelect";
    const char* names[] = {"btn_save", "btn_load", "btn_config", "btn_north", "btn_blank"};
    std::vector<std::vector<std::string>> layout;
    for (int i = 0; i < 5; ++i) {
        std::vector<std::string> row = screentest::LayoutRow(i + 1, ui, "mod_bmap", names[i], 0, 100.0f, ButtonY(i));
        if (i == 3) row[14] = "north";
        layout.push_back(row);
    }
    ASSERT_TRUE(screentest::WriteBytes(root / "data/db_uilayout_bmap.txt", screentest::TableText(layout)));
    ASSERT_TRUE(screentest::WritePicture(root, "cg/uibmap/bg_bmap.png", 1024, 768));
    ASSERT_TRUE(screentest::WriteImageSet(root, "uigis/ui_bmap.gis", {{u"plate.png", 10, 10}}));
    GxMoaPackageBuilder b;
    ASSERT_TRUE(b.AddScript(u"MAIN", "\n*start\n> Before.\n*north\n> North.\n")) << b.GetErrors();
    std::filesystem::create_directories(root / "bincode");
    ASSERT_TRUE(b.WriteFile((root / "bincode" / "moacode.mwb").string()));
}

void Press(screentest::Game& g, int i) { g.Click(105.0f, ButtonY(i) + 5.0f); }

TEST(BattleMapSelection, EnteringStopsAmbienceEffectsAndTheScriptAndMarksTheRestorePoint)
{
    screentest::Game g(WriteBattleMap);
    ASSERT_TRUE(g.initialized);
    gxtest::HideProgramMainScreen((g.Tm()->GetRootTask())->GetManager());
    auto* main = new gxtest::FakeMainScreen(g.Tm()->GetRootTask(), {});
    GxUserData* data = g.core->GetUserData();
    ASSERT_NE(g_MoaWorkerEx, nullptr);
    ASSERT_TRUE(g_MoaWorkerEx->StartAtLabel(u"start", nullptr));
    data->m_BGVRecord.m_FileName = u"sound/wind.ogg";
    data->m_SERecord[1].m_FileName = u"sound/step.ogg";
    data->m_BGMRecord.m_FileName = u"bgms/map.ogg";
    data->m_Hold_WaitClick = 2;
    data->m_RestoreSequence = u"SeqRukoMain";
    g.sound.TakeCalls();
    g.Enter(u"SeqBmapSelect", 0);

    EXPECT_EQ(data->GetRestoreSequence(), u"SeqBmapSelect");
    EXPECT_FALSE(g_MoaWorkerEx->IsRunning()) << "the story waits for a selection";
    EXPECT_TRUE(data->m_BGVRecord.m_FileName.empty());
    EXPECT_TRUE(data->m_SERecord[1].m_FileName.empty());
    EXPECT_EQ(data->m_BGMRecord.m_FileName, u"bgms/map.ogg") << "the music stays";
    EXPECT_EQ(data->m_Hold_WaitClick, 0);
    const std::vector<std::string> calls = g.sound.TakeCalls();
    auto called = [&](const std::string& what) {
        for (const std::string& c : calls)
            if (c == what) return true;
        return false;
    };
    EXPECT_TRUE(called("FadeOutStream 2 0"));
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(called("FadeOutStream " + std::to_string(4 + i) + " 0")) << i;
    for (const std::string& c : calls) EXPECT_EQ(c.find("StopBGM"), std::string::npos) << c;
    EXPECT_EQ(main->Matching("ResetVisuals").size(), 1u);
}

TEST(BattleMapSelection, AStoryButtonContinuesAtItsLabelAndAnEmptyOneDoesNothing)
{
    screentest::Game g(WriteBattleMap);
    ASSERT_TRUE(g.initialized);
    gxtest::HideProgramMainScreen((g.Tm()->GetRootTask())->GetManager());
    auto* main = new gxtest::FakeMainScreen(g.Tm()->GetRootTask(), {});
    g.Enter(u"SeqBmapSelect", 0);

    Press(g, 4);
    EXPECT_FALSE(g.Tm()->IsChangeSequencePending());
    EXPECT_FALSE(g_MoaWorkerEx->IsRunning());

    Press(g, 3);
    EXPECT_TRUE(g_MoaWorkerEx->IsRunning());
    EXPECT_EQ(g.Tm()->GetPendingSequence(), main);
    EXPECT_EQ(main->bg->Calls().size(), 1u) << "the default background is loaded";
}

TEST(BattleMapSelection, MenuButtonsOpenTheirScreensAndASaveMadeHereComesBackHere)
{
    screentest::Game g(WriteBattleMap);
    ASSERT_TRUE(g.initialized);
    gxtest::HideProgramMainScreen((g.Tm()->GetRootTask())->GetManager());
    new gxtest::FakeMainScreen(g.Tm()->GetRootTask(), {});
    for (const char16_t* missing : {u"SeqSave", u"SeqLoad", u"SeqConfig"})
        gxtest::HideProgramScreen(g.Tm(), missing);
    g.Enter(u"SeqBmapSelect", 0);
    g.Frame(16);

    // Save: the thumbnail is taken from this screen first (the recording device draws no
    // pixels, so the reduction of its black scene is what shows). Without a save screen the
    // change is reported and the screen stays.
    GxGlobalRenderTargets& targets = GxGetGlobalRenderTargets();
    ASSERT_GT(targets.thumbnail.GetSize(), 0u);
    std::memset(targets.thumbnail.GetBuffer(), 0, targets.thumbnail.GetSize());
    {
        gametest::LogCapture log;
        Press(g, 0);
        EXPECT_EQ(log.Count("遷移先のシーケンスが見つかりません(SeqSave)"), 1u);
    }
    for (size_t i = 0; i < targets.thumbnail.GetSize(); i += 4) {
        uint32_t pixel = 0;
        std::memcpy(&pixel, targets.thumbnail.GetBuffer() + i, 4);
        ASSERT_EQ(pixel, 0xFF000000u) << i / 4;
    }
    EXPECT_EQ(g.Tm()->GetCurrentSequenceName(), u"SeqBmapSelect");

    auto* save = new GxSeqBase(u"SeqSave", g.Tm()->GetRootTask());
    Press(g, 0);
    EXPECT_EQ(g.Tm()->GetPendingSequence(), save);
    g.Frame(16);
    GxUserData* data = g.core->GetUserData();
    const std::u16string path = GxUtf8ToWide((g.game.docs / "bmap.gd").string());
    ASSERT_TRUE(data->SaveGameData(path));
    data->SetRestoreSequence(u"SeqTitle");
    ASSERT_TRUE(data->LoadGameData(path));
    EXPECT_EQ(data->GetRestoreSequence(), u"SeqBmapSelect");
    ASSERT_TRUE(g.Tm()->ChangeSequenceByNameStr(data->GetRestoreSequence()));
    g.Frame(16);
    EXPECT_EQ(g.Tm()->GetCurrentSequenceName(), u"SeqBmapSelect");

    // Load and settings, each reported while its screen is missing.
    for (int i = 0; i < 100 && !g.Tm()->IsMainStarted(); ++i) g.Frame(16);
    gametest::LogCapture log;
    Press(g, 1);
    EXPECT_EQ(log.Count("遷移先のシーケンスが見つかりません(SeqLoad)"), 1u);
    Press(g, 2);
    EXPECT_EQ(log.Count("遷移先のシーケンスが見つかりません(SeqConfig)"), 1u);
    auto* load = new GxSeqBase(u"SeqLoad", g.Tm()->GetRootTask());
    Press(g, 1);
    EXPECT_EQ(g.Tm()->GetPendingSequence(), load);
}

}  // namespace
