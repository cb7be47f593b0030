// The boot, opening and title screens as the program builds them: the started application
// object creates them from the program's screen list, the boot screen is entered first, and every
// frame runs through the program's own frame function.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/GxSeqBase.h"
#include "app/task/GxTaskManage.h"
#include "game/GxGameFrame.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserData.h"
#include "game/GxUserDataPerman.h"
#include "layer/GxLayerContent.h"
#include "layer/GxNcFactory.h"
#include "layer/GxTaskLayer.h"
#include "moa/GxMoaScriptHost.h"
#include "platform/GxSdlKeyCodes.h"
#include "seq/SeqSystem.h"
#include "seq/SeqOpening.h"
#include "seq/SeqTitle.h"
#include "tests/game/game_core_fixture.h"
#include "tests/game/game_test_util.h"
#include "tests/support/GxImageSetFile.h"
#include "tests/support/GxMoaPackageBuilder.h"
#include "tests/support/GxMovieWriter.h"
#include "ui/GxTaskUIBase.h"

namespace {

using gametest::StartedCore;

std::string Sysconf(const std::string& extra)
{
    return "APP_TITLE=SeqTest\nAPP_SAVEDIR=SeqTest_SAVE\nSAVE_TO_MYDOCUMENTS=1\n" + extra;
}

// The title's eight buttons, named locally in the title's widget folder.
void WriteTitleTables(const std::filesystem::path& game)
{
    coretest::WriteFile(game / "data/db_uimodule.txt", "0\t18\tbtn_title\tuigis/ui_title.gis\tbtn.png\t80\t24\n");
    std::string layout;
    const char* names[] = {"btn_title_start", "btn_title_load",  "btn_title_visual", "btn_title_event",
                           "btn_title_music", "btn_title_config", "btn_title_extra", "btn_title_exit"};
    for (int id = 0; id < 8; ++id)
        layout += std::to_string(id) + "\t$UI:SeqTitle\t-1\tbtn_title\t" + names[id] + "\t0\t1\t1\t1\t100\t" +
                  std::to_string(100 + 30 * id) + "\t1\n";
    coretest::WriteFile(game / "data/db_uilayout.txt", layout);
}

void WriteScript(const std::filesystem::path& game, const char* source)
{
    GxMoaPackageBuilder b;
    ASSERT_TRUE(b.AddScript(u"main.txt", source)) << b.GetErrors();
    ASSERT_TRUE(b.WriteFile((game / "bincode/moacode.mwb").string()));
}

struct Game
{
    template <class Prepare>
    Game(const std::string& extra, Prepare prepare) : app(prepare, Sysconf(extra))
    {
        tm = app.core->GetTaskManage();
        app.core->GetFrameTimer().SetUnpaced(true);
    }
    explicit Game(const std::string& extra = "") : Game(extra, [](const std::filesystem::path&) {}) {}

    // One pass of the main loop: the pending change, then the frame.
    void Pass()
    {
        tm->ExecuteChangeSequence();
        GxRunGameFrame(app.core.get());
    }
    std::u16string Current() const { return tm->GetCurrentSequenceName(); }
    std::u16string Pending() const { return tm->IsChangeSequencePending() ? tm->GetPendingSequenceName() : u""; }
    // Passes until the named screen is current (at most n), then frames until its transition
    // has run and its first update with it: from then on it takes input.
    bool ReachScreen(const std::u16string& name, int n = 5)
    {
        for (int i = 0; i < n && Current() != name; ++i) Pass();
        for (int i = 0; i < 200 && Current() == name && !tm->IsMainStarted(); ++i) GxRunGameFrame(app.core.get());
        return Current() == name && tm->IsMainStarted();
    }
    SeqTitle* Title() const { return dynamic_cast<SeqTitle*>(tm->FindTaskByName(u"SeqTitle")); }
    void Press(const char16_t* button)
    {
        GxTaskUIBase* b = Title()->FindTitleButton(button);
        ASSERT_NE(b, nullptr);
        ASSERT_TRUE(b->RaiseUIEvent(1));
        GxRunGameFrame(app.core.get());
    }

    StartedCore app;
    GxTaskManage* tm = nullptr;
};

struct KeyDown
{
    explicit KeyDown(uint8_t vk, bool down) : vk(vk) { GxGetKeyStateTable().SetDown(vk, down); }
    ~KeyDown() { GxGetKeyStateTable().SetDown(vk, false); }
    uint8_t vk;
};

struct BootCase
{
    const char* movie;
    bool ctrl;
    const char16_t* next;
};

class BootChoice : public ::testing::TestWithParam<BootCase>
{
};

TEST_P(BootChoice, GoesToTheOpeningOnlyWithAMovieSetAndCtrlUp)
{
    const BootCase& c = GetParam();
    Game g(std::string("MOV_NAME_OPENING=") + c.movie + "\n");
    KeyDown ctrl(GxVK::Control, c.ctrl);
    g.Pass();
    ASSERT_EQ(g.Current(), u"SeqBoot");
    EXPECT_EQ(g.Pending(), std::u16string(c.next));
}

INSTANTIATE_TEST_SUITE_P(Table, BootChoice,
                         ::testing::Values(BootCase{"op.mpg", false, u"SeqOpening"}, BootCase{"op.mpg", true, u"SeqTitle"},
                                           BootCase{"", false, u"SeqTitle"}, BootCase{"", true, u"SeqTitle"}));

TEST(SeqOpening, WithoutAMovieFileReachesTheTitleAtItsSecondUpdate)
{
    Game g("MOV_NAME_OPENING=missing.mpg\n");
    ASSERT_TRUE(g.ReachScreen(u"SeqOpening"));
    EXPECT_EQ(g.tm->GetCurrentSequence()->GetUpdateCount(), 1);
    EXPECT_EQ(g.Pending(), u"") << "the first update only starts the movie";
    GxRunGameFrame(g.app.core.get());
    EXPECT_EQ(g.Pending(), u"SeqTitle");
}

// Every debug and error line logged while it lives.
class AllLines : public GxDebugListenerBase
{
public:
    AllLines() : m_Previous(GxGetDebugListener()) { GxSetDebugListener(this); }
    ~AllLines() override { GxSetDebugListener(m_Previous); }
    void OnDebugOutput(const std::u16string& text, int level) override
    {
        (void)level;
        joined += GxWideToUtf8(text);
    }
    std::string joined;

private:
    GxDebugListenerBase* m_Previous;
};

TEST(SeqOpening, PlaysTheMovieFromItsFirstUpdateAndStaysWhileItPlays)
{
    GxFrozenSoundClock frozen;  // the movie cannot end during the test
    Game g("MOV_NAME_OPENING=op.mpg\n", [](const std::filesystem::path& game) {
        const std::vector<uint8_t>& movie = GxLongTestMovie();
        ASSERT_FALSE(movie.empty());
        coretest::WriteFile(game / "movies/op.mpg", std::string(movie.begin(), movie.end()));
        coretest::WriteFile(game / "setting.ini", "DebugModeFlag=1\n");
    });
    g.Pass();  // boot
    ASSERT_EQ(g.Pending(), u"SeqOpening");
    g.tm->ExecuteChangeSequence();
    auto* opening = dynamic_cast<SeqOpening*>(g.tm->GetCurrentSequence());
    ASSERT_NE(opening, nullptr);
    EXPECT_EQ(opening->GetLayer()->GetCurrentContent()->m_ContentType, CONTENTTYPE_MOVIE) << "loaded on enter";
    EXPECT_FALSE(opening->GetLayer()->IsMoviePlaying()) << "started only at the first update";
    AllLines log;
    for (int i = 0; i < 200 && !g.tm->IsMainStarted(); ++i) GxRunGameFrame(g.app.core.get());
    ASSERT_TRUE(g.tm->IsMainStarted());
    EXPECT_TRUE(opening->GetLayer()->IsMoviePlaying());
    EXPECT_NE(log.joined.find("MovieDuration:"), std::string::npos) << log.joined;
    EXPECT_NE(log.joined.find(" sec[op.mpg]"), std::string::npos) << log.joined;
    for (int i = 0; i < 10; ++i) GxRunGameFrame(g.app.core.get());
    EXPECT_EQ(g.Pending(), u"") << "the title waits for the movie";

    // Leaving stops and clears the movie.
    g.tm->ChangeSequenceByName(u"SeqTitle", 0);
    g.tm->ExecuteChangeSequence();
    EXPECT_FALSE(opening->GetLayer()->IsMoviePlaying());
    EXPECT_EQ(opening->GetLayer()->GetCurrentContent()->m_ContentType, CONTENTTYPE_NONE);
}

struct ClickCase
{
    bool right;
    int dialogs;
    bool skips;
};

class OpeningClick : public ::testing::TestWithParam<ClickCase>
{
};

TEST_P(OpeningClick, EitherButtonSkipsUnlessASystemDialogIsOpen)
{
    const ClickCase& c = GetParam();
    Game g("MOV_NAME_OPENING=op.mpg\n");
    ASSERT_TRUE(g.ReachScreen(u"SeqOpening"));
    auto* opening = dynamic_cast<GxTaskFolder*>(g.tm->GetCurrentSequence());
    ASSERT_NE(opening, nullptr);
    g_SystemDialogCount = c.dialogs;
    const GxMousePoint pt{10, 10};
    const int consumed = c.right ? opening->OnMouseRightDown(pt, 0, false) : opening->OnMouseLeftDown(pt, 0, false);
    g_SystemDialogCount = 0;
    EXPECT_EQ(consumed, c.skips ? 1 : 0);
    ASSERT_EQ(opening->GetUIEventCount(), c.skips ? 1u : 0u);
    // The skip is the queued event itself, not the end of the (missing) movie at the next update.
    opening->DispatchUIEvents(nullptr);
    EXPECT_EQ(g.Pending(), c.skips ? u"SeqTitle" : u"");
}

INSTANTIATE_TEST_SUITE_P(Table, OpeningClick,
                         ::testing::Values(ClickCase{false, 0, true}, ClickCase{true, 0, true}, ClickCase{false, 1, false},
                                           ClickCase{true, 1, false}));

TEST(SeqTitle, KeepsTheSameMusicReplacesOtherMusicAndFadesWhenUnset)
{
    Game g("BGM_NAME_TITLE=title.ogg\nBGM_LOOP_TITLE=1500\n", WriteTitleTables);
    ASSERT_TRUE(g.ReachScreen(u"SeqTitle"));
    // "PlayBGM file loop start fade volume pan loopPos": for ever, from the start, no fade.
    const auto plays = [](const std::vector<std::string>& cs) {
        std::vector<std::string> out;
        for (const std::string& s : cs)
            if (s.rfind("PlayBGM", 0) == 0 || s.rfind("StopBGM", 0) == 0) out.push_back(s);
        return out;
    };
    std::vector<std::string> calls = plays(g.app.sound.TakeCalls());
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].rfind("PlayBGM bgms/title.ogg -1 0 0 ", 0), 0u) << calls[0];
    EXPECT_EQ(calls[0].substr(calls[0].size() - 7), " 0 1500") << calls[0];
    GxUserData* data = g.app.core->GetUserData();
    EXPECT_EQ(data->m_BGMRecord.m_FileName, u"bgms/title.ogg");

    // Leave and come back: the same music goes on.
    auto* other = new GxSeqBase(u"SeqOther", g.tm->GetRootTask());  // the tree owns it
    g.tm->ChangeSequence(other, 0);
    ASSERT_TRUE(g.ReachScreen(u"SeqOther"));
    g.tm->ChangeSequence(g.Title(), 0);
    ASSERT_TRUE(g.ReachScreen(u"SeqTitle"));
    EXPECT_TRUE(plays(g.app.sound.TakeCalls()).empty());
    EXPECT_EQ(data->m_BGMRecord.m_FileName, u"bgms/title.ogg") << "the reset keeps the music record";

    // Other music in the record is replaced.
    data->m_BGMRecord.m_FileName = u"bgms/battle.ogg";
    g.tm->ChangeSequence(other, 0);
    ASSERT_TRUE(g.ReachScreen(u"SeqOther"));
    g.tm->ChangeSequence(g.Title(), 0);
    ASSERT_TRUE(g.ReachScreen(u"SeqTitle"));
    calls = plays(g.app.sound.TakeCalls());
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].rfind("PlayBGM bgms/title.ogg", 0), 0u);

    // No title music: whatever plays fades out over a second and the record empties.
    g.app.core->GetSystemConfig()->m_BgmNameTitle.clear();
    g.tm->ChangeSequence(other, 0);
    ASSERT_TRUE(g.ReachScreen(u"SeqOther"));
    g.tm->ChangeSequence(g.Title(), 0);
    ASSERT_TRUE(g.ReachScreen(u"SeqTitle"));
    const std::vector<std::string> stop = g.app.sound.TakeCalls();
    EXPECT_NE(std::find(stop.begin(), stop.end(), "StopBGM 1000"), stop.end());
    EXPECT_TRUE(data->m_BGMRecord.m_FileName.empty());
}

TEST(SeqTitle, ExtraButtonFollowsPermanentBitTenAndTheImageSetIsHeldWhileShown)
{
    Game g("", WriteTitleTables);
    ASSERT_TRUE(g.ReachScreen(u"SeqTitle"));
    GxTaskUIBase* extra = g.Title()->FindTitleButton(u"btn_title_extra");
    ASSERT_NE(extra, nullptr);
    EXPECT_FALSE(extra->IsEnabled());
    EXPECT_TRUE(g.Title()->FindTitleButton(u"btn_title_start")->IsEnabled()) << "only the extra button is locked";

    g.app.core->GetUserDataPerman()->m_ExtraOption = 1u << 9;
    auto* other = new GxSeqBase(u"SeqOther", g.tm->GetRootTask());  // the tree owns it
    g.tm->ChangeSequence(other, 0);
    ASSERT_TRUE(g.ReachScreen(u"SeqOther"));
    g.tm->ChangeSequence(g.Title(), 0);
    ASSERT_TRUE(g.ReachScreen(u"SeqTitle"));
    EXPECT_FALSE(extra->IsEnabled()) << "bit 9 is not the one";

    g.app.core->GetUserDataPerman()->m_ExtraOption = 1u << 10;
    g.tm->ChangeSequence(other, 0);
    ASSERT_TRUE(g.ReachScreen(u"SeqOther"));
    g.tm->ChangeSequence(g.Title(), 0);
    ASSERT_TRUE(g.ReachScreen(u"SeqTitle"));
    EXPECT_TRUE(extra->IsEnabled());
}

// The main play screen of the program, or a stand-in under the same name while the program has
// none yet.
GxTaskBase* MainScreen(Game& g)
{
    if (GxTaskBase* main = g.tm->FindTaskByName(u"SeqRukoMain")) return main;
    return new GxSeqBase(u"SeqRukoMain", g.tm->GetRootTask());
}

TEST(SeqTitle, StartRunsTheScriptAtMainAndEntersTheMainPlayScreen)
{
    Game g("", [](const std::filesystem::path& game) {
        WriteTitleTables(game);
        WriteScript(game, "> before\n*MAIN\n> hello\n");
    });
    ASSERT_TRUE(g.ReachScreen(u"SeqTitle"));
    GxTaskBase* main = MainScreen(g);
    gametest::LogCapture log;
    g.Press(u"btn_title_start");
    EXPECT_EQ(g.tm->GetPendingSequence(), main);
    ASSERT_NE(g_MoaWorkerEx, nullptr);
    EXPECT_TRUE(g_MoaWorkerEx->IsRunning());
    EXPECT_EQ(g_MoaWorkerEx->GetLine(nullptr), 1);
    EXPECT_EQ(log.Count("MAIN"), 0u);
}

TEST(SeqTitle, StartWithoutMainIsLoggedAndStillEntersTheMainPlayScreen)
{
    Game g("", [](const std::filesystem::path& game) {
        WriteTitleTables(game);
        WriteScript(game, "*OTHER\n> hello\n");
    });
    ASSERT_TRUE(g.ReachScreen(u"SeqTitle"));
    GxTaskBase* main = MainScreen(g);
    gametest::LogCapture log;
    g.Press(u"btn_title_start");
    EXPECT_EQ(log.Count("スクリプトにラベル MAIN が存在しないため実行できません"), 1u);
    EXPECT_EQ(g.tm->GetPendingSequence(), main);
}

struct ButtonCase
{
    const char16_t* button;
    const char16_t* target;
};

class TitleButtons : public ::testing::TestWithParam<ButtonCase>
{
};

TEST_P(TitleButtons, ChangeToTheirScreenOrLogTheMissingOne)
{
    const ButtonCase& c = GetParam();
    Game g("", WriteTitleTables);
    ASSERT_TRUE(g.ReachScreen(u"SeqTitle"));
    g.app.sound.TakeCalls();
    gametest::LogCapture log;
    GxTaskBase* target = g.tm->FindTaskByName(c.target);
    g.Press(c.button);
    if (target) {
        EXPECT_EQ(g.tm->GetPendingSequence(), target);
    } else {
        EXPECT_EQ(log.Count("遷移先のシーケンスが見つかりません(" + GxWideToUtf8(c.target) + ")"), 1u);
        EXPECT_FALSE(g.tm->IsChangeSequencePending()) << "the title stays";
    }
}

INSTANTIATE_TEST_SUITE_P(Table, TitleButtons,
                         ::testing::Values(ButtonCase{u"btn_title_load", u"SeqLoad"},
                                           ButtonCase{u"btn_title_visual", u"SeqCGMode"},
                                           ButtonCase{u"btn_title_event", u"SeqRPMode"},
                                           ButtonCase{u"btn_title_music", u"SeqBGMMode"},
                                           ButtonCase{u"btn_title_config", u"SeqConfig"}));

TEST(SeqTitle, ImageSetReferenceIsGivenBackOnLeave)
{
    Game g("", [](const std::filesystem::path& game) {
        WriteTitleTables(game);
        ASSERT_TRUE(gxtest::WriteSolidImageSet(game.string(), "uigis/ui_title.gis",
                                               {{u"btn.png", {{80, 24, 0xFF00FF00u}}}}));
    });
    ASSERT_TRUE(g.ReachScreen(u"SeqTitle"));
    EXPECT_NE(GxNcImageSetPool::Find(u"uigis/ui_title.gis"), nullptr) << "held while the title shows";
    auto* other = new GxSeqBase(u"SeqOther", g.tm->GetRootTask());  // the tree owns it
    g.tm->ChangeSequence(other, 0);
    ASSERT_TRUE(g.ReachScreen(u"SeqOther"));
    EXPECT_EQ(GxNcImageSetPool::Find(u"uigis/ui_title.gis"), nullptr);
}

}  // namespace
