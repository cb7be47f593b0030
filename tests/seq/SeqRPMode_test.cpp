// The scene replay room built by the program's screen list from the UI layout and replay
// tables: entries and unlocks from the passed labels, the share drawn in the corner, pages with
// wrapping, replay mode, the music, and a plate that replays its scene on the main play screen.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/GxSeqBase.h"
#include "app/task/GxRenderLayer.h"
#include "layer/GxNcImageSet.h"
#include "game/GxUserData.h"
#include "game/GxUserDataPerman.h"
#include "moa/GxMoaScriptHost.h"
#include "seq/SeqRPMode.h"
#include "tests/support/GxHideScreen.h"
#include "tests/game/game_test_util.h"
#include "tests/seq/ScreenTestFixture.h"
#include "tests/support/GxFakeMainScreen.h"
#include "tests/support/GxMoaPackageBuilder.h"
#include "ui/GxTaskUIBase.h"

namespace {

using screentest::PlateX;
using screentest::PlateY;
using screentest::QuadRecorder;

struct RpRow
{
    int id;
    int group;
    std::string thumbnail;
    std::string label;
};

// 25 plates, page buttons 1..3 (page 1 on), previous, next, back; a script with labels "s1".."s9".
void WriteReplayRoom(const std::filesystem::path& root, const std::vector<RpRow>& rows)
{
    ASSERT_NO_FATAL_FAILURE(screentest::WritePlateRoomLayout(root, "SeqRPMode", "btn_rpselect"));
    std::vector<std::vector<std::string>> table;
    for (const RpRow& r : rows) table.push_back({std::to_string(r.id), std::to_string(r.group), r.thumbnail, r.label, ""});
    ASSERT_TRUE(screentest::WriteBytes(root / "data/db_rpmode.txt", screentest::TableText(table)));
    ASSERT_TRUE(screentest::WriteImageSet(root, "uigis/th_rpmode.gis", {{u"th.png", 100, 80}}));
    ASSERT_TRUE(screentest::WriteImageSet(root, "uigis/ui_extra.gis", {{u"tip_rpplate.png", 90, 80}}));
    ASSERT_TRUE(screentest::WritePicture(root, "cg/ui/bg_rpmode.png", 64, 48));
    GxMoaPackageBuilder b;
    std::string source = "\n";
    for (int i = 1; i <= 9; ++i) source += "*s" + std::to_string(i) + "\n> Scene " + std::to_string(i) + ".\n";
    ASSERT_TRUE(b.AddScript(u"MAIN", source)) << b.GetErrors();
    std::filesystem::create_directories(root / "bincode");
    ASSERT_TRUE(b.WriteFile((root / "bincode" / "moacode.mwb").string()));
}

std::vector<RpRow> SevenScenes()
{
    std::vector<RpRow> rows;
    for (int i = 1; i <= 7; ++i) rows.push_back({i, 1, "th.png", "s" + std::to_string(i)});
    return rows;
}

SeqRPMode* Room(screentest::Game& g) { return dynamic_cast<SeqRPMode*>(g.Tm()->FindTaskByName(u"SeqRPMode")); }

GxTaskUIBase* Widget(screentest::Game& g, const char16_t* name, int index)
{
    return g.Widget(u"SeqRPMode", name, index);
}

void ReEnter(screentest::Game& g)
{
    gxtest::HideProgramScreen((g.Tm()->GetRootTask())->GetManager(), u"SeqTitle");
    new GxSeqBase(u"SeqTitle", g.Tm()->GetRootTask());
    g.Enter(u"SeqTitle", 0);
    g.Enter(u"SeqRPMode", 0);
}

TEST(ReplayRoom, PassedLabelsUnlockPlatesAndTheShareIsDrawnAsThreeDigits)
{
    screentest::Game g([](const std::filesystem::path& root) {
        std::vector<RpRow> rows = SevenScenes();
        rows.push_back({8, 1, "", ""});           // no label: no entry, but a plate of page 1
        rows[6].thumbnail = "gone.png";           // missing thumbnail: logged, still works
        WriteReplayRoom(root, rows);
    });
    ASSERT_TRUE(g.initialized);
    {
        gametest::LogCapture log;
        g.Enter(u"SeqRPMode", 0);
        EXPECT_EQ(log.Count("リプレイモードサムネイル gone.png (ID=7)が見つかりません"), 1u);
        EXPECT_EQ(log.Count("リプレイモードサムネイル th.png"), 0u);
    }
    SeqRPMode* room = Room(g);
    ASSERT_NE(room, nullptr);
    EXPECT_EQ(room->GetEntryCount(), 7);
    EXPECT_EQ(room->GetUnlockedCount(), 0);
    EXPECT_EQ(room->GetPercentText(), u"  0");
    for (int k = 0; k < 8; ++k) {
        EXPECT_TRUE(Widget(g, u"btn_rpselect", k)->IsVisible()) << k;
        EXPECT_FALSE(Widget(g, u"btn_rpselect", k)->IsEnabled()) << k;
        EXPECT_EQ(Widget(g, u"btn_rpselect", k)->GetValueInt(), k + 1);
    }
    EXPECT_FALSE(Widget(g, u"btn_rpselect", 8)->IsVisible());

    // Passed in a later play: rebuilt on the next entry, and logged again.
    g.core->GetUserDataPerman()->m_PassedReplayLabels = {u"s2", u"s5", u"s7", u"elsewhere"};
    gametest::LogCapture log;
    ReEnter(g);
    EXPECT_EQ(log.Count("リプレイモードサムネイル gone.png (ID=7)"), 1u);
    EXPECT_EQ(room->GetUnlockedCount(), 3);
    EXPECT_EQ(room->GetPercentText(), u" 42");
    for (int k = 0; k < 8; ++k) EXPECT_EQ(Widget(g, u"btn_rpselect", k)->IsEnabled(), k == 1 || k == 4 || k == 6) << k;
}

TEST(ReplayRoom, PlatesDrawThumbnailsOnlyForPassedScenesAndTheHoveredOnePulses)
{
    screentest::Game g([](const std::filesystem::path& root) { WriteReplayRoom(root, SevenScenes()); });
    ASSERT_TRUE(g.initialized);
    g.core->GetUserDataPerman()->m_PassedReplayLabels = {u"s1", u"s3"};
    g.Enter(u"SeqRPMode", 0);
    SeqRPMode* room = Room(g);
    g.core->ClearRenderLayers();
    g.Tm()->RenderTasks(g.Tm()->GetCurrentSequence(), 0, 0);
    const auto& entries = g.core->GetRenderLayers().GetList(GxRenderLayer::Main)->GetEntries();
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries.back().task, room);
    EXPECT_EQ(entries.back().orderKey, 13000.0f);
    EXPECT_EQ(entries.back().param, 2);

    g.Frame(16);
    Widget(g, u"btn_rpselect", 2)->SetHoverCount(1);
    const QuadRecorder recorder;
    room->Draw(2, GxRenderLayer::Main);
    std::vector<QuadRecorder::Quad> thumbs, blanks;
    for (const auto& q : QuadRecorder::Quads()) (q.width == 100.0f ? thumbs : blanks).push_back(q);
    ASSERT_EQ(thumbs.size(), 2u);
    EXPECT_EQ(thumbs[0].x, PlateX(0));
    EXPECT_EQ(thumbs[0].specular, 0u);
    EXPECT_EQ(thumbs[1].x, PlateX(2));
    EXPECT_EQ(thumbs[1].y, PlateY(2));
    const float pulse = static_cast<float>(std::fabs(std::sin(room->GetUpdateCount() / 30.0)) * 0.25);
    EXPECT_EQ(thumbs[1].specular, GxPackColorArgb(pulse, pulse, pulse, 1.0f));
    ASSERT_EQ(blanks.size(), 5u);
    for (const auto& q : blanks) EXPECT_EQ(q.width, 90.0f);
    EXPECT_EQ(blanks[0].x, PlateX(1));
}

TEST(ReplayRoom, PagesFollowTheGroupsAndWrap)
{
    screentest::Game g([](const std::filesystem::path& root) {
        WriteReplayRoom(root, {{1, 1, "th.png", "s1"}, {2, 3, "th.png", "s2"}, {3, 3, "th.png", "s3"}});
    });
    ASSERT_TRUE(g.initialized);
    g.Enter(u"SeqRPMode", 0);
    SeqRPMode* room = Room(g);
    EXPECT_EQ(room->GetPageCount(), 3);
    struct Step
    {
        float x;  // 0: the wheel, with delta
        int32_t wheel;
        int page;
        std::vector<int32_t> rows;
    };
    const Step steps[] = {{710.0f, 0, 3, {2, 3}}, {810.0f, 0, 1, {1}}, {810.0f, 0, 2, {}},
                          {0.0f, 120, 1, {1}},     {0.0f, -120, 2, {}}, {0.0f, -240, 3, {2, 3}}};
    EXPECT_EQ(room->GetCurrentPage(), 1);
    EXPECT_EQ(room->GetPageRows(), (std::vector<int32_t>{1}));
    for (const Step& s : steps) {
        if (s.x > 0.0f) {
            g.Click(s.x, 710.0f);
        } else {
            g.Tm()->OnMouseWheel(GxMousePoint{500.0f, 400.0f}, s.wheel, 0);
            g.Frame(16);
        }
        EXPECT_EQ(room->GetCurrentPage(), s.page);
        EXPECT_EQ(room->GetPageRows(), s.rows) << s.page;
        for (int k = 0; k < 25; ++k)
            EXPECT_EQ(Widget(g, u"btn_rpselect", k)->IsVisible(), k < static_cast<int>(s.rows.size())) << s.page << " " << k;
        for (int p = 1; p <= 3; ++p) EXPECT_EQ(Widget(g, u"btn_pageselect", p)->GetValueBool(), p == s.page);
    }
    // A page button shows its page.
    g.Click(805.0f, 25.0f);
    EXPECT_EQ(room->GetCurrentPage(), 2);
    EXPECT_TRUE(room->GetPageRows().empty());
}

TEST(ReplayRoom, EnteringResetsTheGameIntoReplayModeWithTheRoomsMusic)
{
    screentest::Game g([](const std::filesystem::path& root) { WriteReplayRoom(root, SevenScenes()); },
                   "APP_TITLE=ReplayTest\nAPP_SAVEDIR=ReplayTest_SAVE\nBGM_NAME_RPMODE=replay.ogg\nBGM_LOOP_RPMODE=4321\n");
    ASSERT_TRUE(g.initialized);
    GxUserData* data = g.core->GetUserData();
    data->m_Hold_WaitClick = 2;
    data->m_GameDataTitle = u"old play";
    g.sound.TakeCalls();
    g.Enter(u"SeqRPMode", 0);
    EXPECT_TRUE(data->m_ReplayMode);
    EXPECT_EQ(data->m_Hold_WaitClick, 0);
    EXPECT_TRUE(data->m_GameDataTitle.empty());
    EXPECT_EQ(data->m_BGMRecord.m_FileName, u"bgms/replay.ogg");
    EXPECT_EQ(data->m_BGMRecord.m_LoopPosTime, 4321u);
    size_t plays = 0;
    for (const std::string& c : g.sound.TakeCalls()) plays += c.rfind("PlayBGM bgms/replay.ogg -1 0 0 ", 0) == 0;
    EXPECT_EQ(plays, 1u);

    // Back: replay mode ends and the title screen follows; the same music is not restarted
    // when the room is entered again.
    gxtest::HideProgramScreen((g.Tm()->GetRootTask())->GetManager(), u"SeqTitle");
    auto* title = new GxSeqBase(u"SeqTitle", g.Tm()->GetRootTask());
    g.RightDown(500.0f, 400.0f);
    g.Frame(16);
    EXPECT_FALSE(data->m_ReplayMode);
    EXPECT_EQ(g.Tm()->GetPendingSequence(), title);
    g.Frame(16);
    g.Enter(u"SeqRPMode", 0);
    EXPECT_TRUE(data->m_ReplayMode);
    for (const std::string& c : g.sound.TakeCalls()) EXPECT_EQ(c.find("PlayBGM"), std::string::npos) << c;
}

TEST(ReplayRoom, AnUnlockedPlateFadesInAndReplaysItsSceneOnTheMainScreen)
{
    screentest::Game g([](const std::filesystem::path& root) {
        std::vector<RpRow> rows = SevenScenes();
        rows[2].label = "nowhere";
        WriteReplayRoom(root, rows);
    });
    ASSERT_TRUE(g.initialized);
    g.core->GetUserDataPerman()->m_PassedReplayLabels = {u"s2", u"nowhere"};
    gxtest::HideProgramMainScreen((g.Tm()->GetRootTask())->GetManager());
    auto* main = new gxtest::FakeMainScreen(g.Tm()->GetRootTask(), {});
    ASSERT_NE(main->fade, nullptr);
    g.Enter(u"SeqRPMode", 0);
    ASSERT_NE(g_MoaWorkerEx, nullptr);
    EXPECT_FALSE(g_MoaWorkerEx->IsRunning());
    main->fade->SetAlpha(255);

    // A locked plate does nothing.
    g.Click(PlateX(0) + 5.0f, PlateY(0) + 5.0f);
    EXPECT_FALSE(g.Tm()->IsChangeSequencePending());

    g.Move(PlateX(1) + 5.0f, PlateY(1) + 5.0f);
    g.Down(PlateX(1) + 5.0f, PlateY(1) + 5.0f);
    g.Up(PlateX(1) + 5.0f, PlateY(1) + 5.0f);
    g.Frame(0);
    EXPECT_TRUE(g_MoaWorkerEx->IsRunning()) << "started at the scene's label";
    EXPECT_TRUE(g.core->GetUserData()->m_ReplayMode);
    ASSERT_EQ(g.Tm()->GetPendingSequence(), main);
    g.Frame(100);
    EXPECT_EQ(g.Tm()->GetCurrentSequence(), main);
    EXPECT_GT(main->fade->GetAlpha(), 0);
    EXPECT_LT(main->fade->GetAlpha(), 255);
    g.Frame(100);
    g.Frame(16);
    EXPECT_EQ(main->fade->GetAlpha(), 0) << "the cover is gone after 200 ms";

    // A label the script lacks is reported, and the main screen is still shown.
    g.Enter(u"SeqRPMode", 0);
    gametest::LogCapture log;
    g.Click(PlateX(2) + 5.0f, PlateY(2) + 5.0f);
    EXPECT_EQ(log.Count("スクリプトにラベル nowhere が存在しないため実行できません"), 1u);
    EXPECT_EQ(g.Tm()->GetPendingSequence(), main);
}

}  // namespace
