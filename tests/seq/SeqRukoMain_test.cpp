// The main play screen: its tree, when the script may run, the waits and how input and skip
// end them, auto mode, the buttons, and a compiled script running on the screen that the
// program's start-up builds.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/GxSeqBase.h"
#include "app/GxTaskActor.h"
#include "app/task/GxRenderLayer.h"
#include "app/task/GxTaskManage.h"
#include "core/GxDrawKey.h"
#include "game/DBRukoChar.h"
#include "game/DBUILayout.h"
#include "game/DBUIModule.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserConfig.h"
#include "game/GxUserData.h"
#include "layer/GxLayerContent.h"
#include "layer/GxTaskLayer.h"
#include "moa/GxMoaScriptHost.h"
#include "moa/GxMoaVariableTable.h"
#include "seq/SeqRukoMain.h"
#include "seq/SeqSystem.h"
#include "tests/support/GxHideScreen.h"
#include "tests/game/game_core_fixture.h"
#include "tests/support/GxMoaPackageBuilder.h"
#include "ui/GxTaskUIBase.h"
#include "ui/GxTaskUIMessageWindow.h"

namespace {

constexpr int64_t kFrame = 16000;  // microseconds

class AllLogs : public GxDebugListenerBase
{
public:
    AllLogs() : m_Previous(GxGetDebugListener()) { GxSetDebugListener(this); }
    ~AllLogs() override { GxSetDebugListener(m_Previous); }
    void OnDebugOutput(const std::u16string& text, int level) override { lines.push_back({level, GxWideToUtf8(text)}); }
    size_t Count(const std::string& part) const
    {
        size_t n = 0;
        for (const auto& l : lines) n += l.second.find(part) != std::string::npos;
        return n;
    }
    std::vector<std::pair<int, std::string>> lines;

private:
    GxDebugListenerBase* m_Previous;
};

// The table rows of a small game: the two windows with their buttons, the choice button module
// and a few characters (one empty, one "*", one name twice).
void FillTables()
{
    DBUIModule& modules = GxGetDBUIModule();
    const std::pair<const char16_t*, int32_t> moduleRows[] = {{u"tip_msgwindow", GxUIModuleType::MessageWindowFx},
                                                              {u"tip_namewindow", GxUIModuleType::TextPanelFx},
                                                              {u"btn_plain", GxUIModuleType::ButtonIs},
                                                              {u"btn_toggle", GxUIModuleType::ToggleButtonIs},
                                                              {u"btn_select0", GxUIModuleType::TextButtonIs},
                                                              {u"icon", GxUIModuleType::PanelFx}};
    int32_t id = 0;
    for (const auto& [name, type] : moduleRows) {
        DBUIModuleData& m = *modules.GetRow(id++);
        m.ModuleName = name;
        m.UIType = type;
        m.Width = 100;
        m.Height = 30;
    }
    DBUILayout& layout = GxGetDBUILayout();
    id = 0;
    auto row = [&](const char16_t* parent, const char16_t* module, const char16_t* name, int32_t index) {
        DBUILayoutData& l = *layout.GetRow(id++);
        l.ParentName = parent;
        l.ModuleName = module;
        l.TaskName = name;
        l.TaskIndex = index;
        l.Create = 1;
        l.Visible = 1;
        l.Enabled = 1;
        l.Left = 10.0f * id;
        l.Top = 600.0f;
        l.OrderZ = 100.0f;
    };
    row(u"$UI:SeqRukoMain", u"tip_msgwindow", u"$MESWIN:SeqRukoMain", -1);
    row(u"$UI:SeqRukoMain", u"tip_namewindow", u"$NAMEWIN:SeqRukoMain", -1);
    for (const char16_t* b : {u"btn_save", u"btn_load", u"btn_qsave", u"btn_qload", u"btn_rend", u"btn_log",
                              u"btn_voice", u"btn_config", u"btn_hide"}) {
        row(u"$MESWIN:SeqRukoMain", u"btn_plain", b, 0);
    }
    row(u"$MESWIN:SeqRukoMain", u"btn_toggle", u"btn_auto", 0);
    row(u"$MESWIN:SeqRukoMain", u"btn_toggle", u"btn_skip", 0);
    row(u"$MESWIN:SeqRukoMain", u"icon", u"icon_wait", 0);

    DBRukoChar& chars = GxGetDBRukoChar();
    chars.GetRow(1)->CharName = u"ruko";
    chars.GetRow(1)->SubLayerNum = 3;
    chars.GetRow(2)->CharName = u"*";
    chars.GetRow(5)->CharName = u"mio";
    chars.GetRow(7)->CharName = u"ruko";
}

void WritePackage(const std::filesystem::path& game, const char* source)
{
    GxMoaPackageBuilder b;
    b.AddBuiltin(u"bmap_jumptoselect", 30000);
    ASSERT_TRUE(b.AddScript(u"MAIN", source)) << b.GetErrors();
    std::filesystem::create_directories(game / "bincode");
    ASSERT_TRUE(b.WriteFile((game / "bincode" / "moacode.mwb").string()));
}

const char* const kScript = R"(
GLOBAL INGAME n = 0
*MAIN
n = n + 1
n = n + 1
n = n + 1
bmap_jumptoselect()
n = 100
*LOOP
n = n + 1
jump("LOOP")
)";

// The screen with the window state and the Ctrl key answered by the test.
class TestMain : public SeqRukoMain
{
public:
    using SeqRukoMain::SeqRukoMain;
    bool active = true;
    bool minimised = false;
    bool ctrl = false;
    int skipSteps = 0;
    void SkipStep() override
    {
        ++skipSteps;
        SeqRukoMain::SkipStep();
    }

protected:
    bool IsMainWindowActive() override { return active; }
    bool IsMainWindowMinimised() override { return minimised; }
    bool IsCtrlDown() override { return ctrl; }
};

// A started game whose tables hold the rows above, and a second task tree of its own with a
// test screen entered as the current sequence.
class SeqRukoMainTest : public ::testing::Test
{
protected:
    SeqRukoMainTest()
        : app([](const std::filesystem::path& game) {
              FillTables();
              WritePackage(game, kScript);
          })
    {
        g_MainScreenFlags = GxMainScreenFlags();
        g_SystemDialogCount = 0;
        manager = std::make_unique<GxTaskManage>(app.core.get());
        manager->SetRenderLayers(&banks);
        root = new GxTaskBase(manager.get());
        system = new GxSeqBase(u"SeqSystem", root);
        manager->SetPersistentRoot(system);
        screen = new TestMain(root);
        Enter(screen);
        data = app.core->GetUserData();
        options = app.core->GetUserConfig();
        options->m_FastShowReadedText = false;
        mw = screen->FindMessageWindow();
    }
    ~SeqRukoMainTest() override
    {
        manager.reset();
        g_MainScreenFlags = GxMainScreenFlags();
        g_SystemDialogCount = 0;
    }

    void Enter(GxTaskBase* seq)
    {
        ASSERT_TRUE(manager->ChangeSequence(seq, 0));
        manager->ExecuteChangeSequence();
        manager->UpdatePreMainTasks(seq, 0, 0);
        ASSERT_TRUE(manager->IsMainStarted());
    }
    GxTaskBase* Task(const char16_t* name) { return manager->FindTaskByName(name); }
    GxTaskUIBase* Widget(const char16_t* name)
    {
        // The window's widgets are entered in the window, the nearest folder above them.
        return mw ? dynamic_cast<GxTaskUIBase*>(mw->FindTaskLocal(name, 0)) : nullptr;
    }
    // A message shown up to its click wait.
    void ClickWaitingMessage(bool readBefore)
    {
        ASSERT_NE(mw, nullptr);
        mw->SetMessage(u"あいう", true, readBefore, false, false);
        mw->FlushMessage(false, false);
        ASSERT_TRUE(mw->IsClickWaiting());
    }
    int Press(const char16_t* name)
    {
        GxTaskUIBase* w = Widget(name);
        EXPECT_NE(w, nullptr) << GxWideToUtf8(name);
        if (!w) return 0;
        GxUIEventParam p(w, GxUIEventType::LeftDown, 0);
        return screen->OnUIEventLeftDown(w, &p);
    }

    gametest::StartedCore app;
    GxRenderLayerBanks banks;
    std::unique_ptr<GxTaskManage> manager;
    GxTaskBase* root = nullptr;
    GxSeqBase* system = nullptr;
    TestMain* screen = nullptr;
    GxUserData* data = nullptr;
    GxUserConfig* options = nullptr;
    GxTaskUIMessageWindowFx* mw = nullptr;
};

TEST_F(SeqRukoMainTest, TheTreeHasItsNamesParentsOrderAndSettings)
{
    struct Row
    {
        const char16_t* name;
        const char16_t* parent;  // null: the screen
        float orderZ;            // NAN: not checked
        int32_t blend;           // -1: not checked
        bool visible;
    };
    const float any = NAN;
    const Row rows[] = {
        {u"$ROOT:SeqRukoMain", nullptr, any, -1, true},
        {u"$VISUAL:SeqRukoMain", u"$ROOT:SeqRukoMain", any, -1, true},
        {u"$BGLAYER:SeqRukoMain", u"$VISUAL:SeqRukoMain", -100.0f, 2, true},
        {u"$BGWLAYER:SeqRukoMain", u"$BGLAYER:SeqRukoMain", -10.0f, 2, false},
        {u"$MOVIELAYER:SeqRukoMain", u"$VISUAL:SeqRukoMain", -20.0f, 2, true},
        {u"$GLOBALFLASH:SeqRukoMain", u"$VISUAL:SeqRukoMain", 10000.0f, 3, true},
        {u"$GLOBALFADE:SeqRukoMain", u"$VISUAL:SeqRukoMain", 10001.0f, 2, true},
        {u"$STAND:SeqRukoMain", u"$VISUAL:SeqRukoMain", any, -1, true},
        {u"$UI:SeqRukoMain", u"$ROOT:SeqRukoMain", any, -1, true},
        {u"$MESWIN:SeqRukoMain", u"$UI:SeqRukoMain", 100.0f, -1, true},
        {u"$NAMEWIN:SeqRukoMain", u"$UI:SeqRukoMain", 100.0f, -1, false},
        {u"$NAMEIMAGE:SeqRukoMain", u"$NAMEWIN:SeqRukoMain", 101.0f, -1, false},
        {u"$SELECT:SeqRukoMain", u"$UI:SeqRukoMain", any, -1, true},
        {u"$BGTRANSIT:SeqRukoMain", u"$ROOT:SeqRukoMain", 20000.0f, -1, false},
    };
    for (const Row& r : rows) {
        const std::string label = GxWideToUtf8(r.name);
        GxTaskBase* t = Task(r.name);
        ASSERT_NE(t, nullptr) << label;
        EXPECT_EQ(t->GetParent(), r.parent ? Task(r.parent) : screen) << label;
        if (auto* actor = dynamic_cast<GxTaskActor*>(t)) {
            if (!std::isnan(r.orderZ)) {
                EXPECT_EQ(actor->GetOrderZ(), r.orderZ) << label;
            }
            if (r.blend >= 0) {
                EXPECT_EQ(actor->GetBlendMode(), r.blend) << label;
            }
            EXPECT_EQ(actor->IsVisible(), r.visible) << label;
        }
    }
    EXPECT_NE(dynamic_cast<GxTaskLayer*>(Task(u"$VISUAL:SeqRukoMain")), nullptr);
    auto* flash = dynamic_cast<GxTaskLayer*>(Task(u"$GLOBALFLASH:SeqRukoMain"));
    auto* fade = dynamic_cast<GxTaskLayer*>(Task(u"$GLOBALFADE:SeqRukoMain"));
    EXPECT_EQ(flash->GetAlpha(), 0);
    EXPECT_EQ(fade->GetAlpha(), 0);
    EXPECT_EQ(flash->GetCurrentContent()->m_SolidColor.a, 1.0f);
    EXPECT_EQ(fade->GetCurrentContent()->m_SolidColor.r, 0.0f);
    EXPECT_EQ(flash->GetCurrentContent()->m_SolidColor.r, 1.0f);
    EXPECT_EQ(dynamic_cast<GxTaskLayer*>(Task(u"$MOVIELAYER:SeqRukoMain"))->GetMovieAutoDisappearTime(),
              app.core->GetSystemConfig()->m_StandTransitionTime);

    // The message window from its layout row, its children from theirs.
    ASSERT_NE(mw, nullptr);
    EXPECT_EQ(mw->GetImageAlpha(), options->m_TextWindowOpacity);
    EXPECT_FALSE(mw->GetEventBlockFlag());
    EXPECT_EQ(mw->GetLetterMarginWidth(), app.core->GetSystemConfig()->m_MeswinLetterMarginWidth);
    for (const char16_t* b : {u"btn_save", u"btn_load", u"btn_qsave", u"btn_qload", u"btn_rend", u"btn_auto",
                              u"btn_skip", u"btn_log", u"btn_voice", u"btn_config", u"btn_hide", u"icon_wait"}) {
        GxTaskUIBase* w = Widget(b);
        ASSERT_NE(w, nullptr) << GxWideToUtf8(b);
        EXPECT_EQ(w->GetParent(), mw) << GxWideToUtf8(b);
    }

    // Stand layers: one per named row, "*" and empty names skipped, a second "ruko" refused.
    auto* stand = dynamic_cast<GxTaskFolder*>(Task(u"$STAND:SeqRukoMain"));
    ASSERT_NE(stand, nullptr);
    EXPECT_EQ(stand->GetChildCount(), 2);
    auto* ruko = dynamic_cast<GxTaskLayer*>(stand->FindTaskLocal(u"ruko", 0));
    ASSERT_NE(ruko, nullptr);
    EXPECT_EQ(ruko->GetBlendMode(), 2);
    EXPECT_EQ(ruko->GetCurrentContent()->GetSubLayerCount(), 3u);
    EXPECT_EQ(ruko->GetOldContent().GetSubLayerCount(), 3u);
    EXPECT_NE(stand->FindTaskLocal(u"mio", 0), nullptr);

    // Choice buttons 1..N under $SELECT, hidden, at 16000.
    auto* select = dynamic_cast<GxTaskFolder*>(Task(u"$SELECT:SeqRukoMain"));
    const int32_t n = app.core->GetSystemConfig()->m_SelectButtonCount;
    EXPECT_EQ(select->GetChildCount(), n);
    for (int32_t i = 1; i <= n; ++i) {
        auto* b = dynamic_cast<GxTaskUIBase*>(select->FindTaskLocal(u"btn_select", i));
        ASSERT_NE(b, nullptr) << i;
        EXPECT_FALSE(b->IsVisible());
        EXPECT_EQ(b->GetOrderZ(), 16000.0f);
    }
    EXPECT_EQ(select->FindTaskLocal(u"btn_select", 0), nullptr);
}

// The error log as text (the log files are UTF-16LE).
std::u16string ErrorLogText()
{
    std::ifstream in(GxWideToUtf8(GxGetLogPath(GxLogFile::Error)), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::u16string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8)));
    }
    return text;
}

TEST(SeqRukoMainStartup, TheStartUpBuildsTheScreenAndLogsADuplicateStandName)
{
    gametest::StartedCore app([](const std::filesystem::path&) { FillTables(); });
    ASSERT_TRUE(app.initialized);
    GxTaskManage* tm = app.core->GetTaskManage();
    EXPECT_NE(dynamic_cast<SeqRukoMain*>(tm->FindTaskByName(u"SeqRukoMain")), nullptr);
    EXPECT_EQ(GxFindMainScreen(app.core.get()), dynamic_cast<GxMainScreen*>(tm->FindTaskByName(u"SeqRukoMain")));
    const std::u16string log = ErrorLogText();
    const std::u16string line = u"立ち絵レイヤー名 [ruko] は既に使用されているため作成できません";
    const size_t at = log.find(line);
    EXPECT_NE(at, std::u16string::npos);
    EXPECT_EQ(log.find(line, at + 1), std::u16string::npos) << "once";
}

TEST_F(SeqRukoMainTest, EachConditionAloneKeepsTheScriptFromRunning)
{
    ASSERT_TRUE(screen->IsIdle());
    struct Case
    {
        const char* what;
        std::function<void()> set;
        std::function<void()> undo;
    };
    auto* fade = dynamic_cast<GxTaskActor*>(Task(u"$GLOBALFADE:SeqRukoMain"));
    auto* select = Task(u"$SELECT:SeqRukoMain");
    auto* button = dynamic_cast<GxTaskActor*>(select->GetFirstChild());
    std::vector<Case> cases = {
        {"window hidden", [] { g_MainScreenFlags.windowHidden = true; }, [] { g_MainScreenFlags.windowHidden = false; }},
        {"system dialog", [] { g_SystemDialogCount = 1; }, [] { g_SystemDialogCount = 0; }},
        {"selecting", [&] { data->m_IsSelecting = true; }, [&] { data->m_IsSelecting = false; }},
        {"choice button moving", [&] { button->AddActionWait(0, 500); }, [&] { button->ClearAction(); }},
        {"fade running", [&] { fade->AddActionFadeIn(500); }, [&] { fade->ClearAction(); }},
        {"change pending", [&] { manager->ChangeSequence(system, 0); },
         [&] {
             manager->ExecuteChangeSequence();
             Enter(screen);
         }},
        {"screen transition", [&] { screen->StartTransit(300); }, [&] { screen->EndTransit(); }},
        // A click also ends the reveal's timed wait, which clearing the text leaves.
        {"message click wait", [&] { ClickWaitingMessage(true); },
         [&] {
             mw->ClearMessage();
             mw->ProcessClick();
         }},
        {"message characters left", [&] { mw->SetMessage(u"abc", true, true, false, false); },
         [&] {
             mw->ClearMessage();
             mw->ProcessClick();
         }},
    };
    int32_t* holds[] = {&data->m_Hold_WaitClick,          &data->m_Hold_WaitTime,  &data->m_Hold_EndOfMovie,
                        &data->m_Hold_EndOfLayerActionAll, &data->m_Hold_EndOfLayerActionSeparate,
                        &data->m_Hold_EndOfBGM,           &data->m_Hold_EndOfBGV,  &data->m_Hold_EndOfSE,
                        &data->m_Hold_EndOfVoice};
    for (int32_t* h : holds) cases.push_back({"hold word", [h] { *h = 2; }, [h] { *h = 0; }});
    for (size_t i = 0; i < cases.size(); ++i) {
        cases[i].set();
        EXPECT_FALSE(screen->IsIdle()) << cases[i].what << " " << i;
        cases[i].undo();
        EXPECT_TRUE(screen->IsIdle()) << cases[i].what << " " << i << " undone";
    }
}

// The screen's own drawing is the clear and its transitions: keyed at rest, not while a
// transition or the background's masked change moves; a derived screen has no key of its own.
TEST_F(SeqRukoMainTest, TheScreensDrawKeyIsItsClearAndNoneDuringATransition)
{
    GxDrawKey none;
    EXPECT_FALSE(screen->AppendDrawKey(none, 0, 0)) << "a derived screen";
    // A screen of the same name takes over from another one only.
    ASSERT_TRUE(manager->ChangeSequence(system, 0));
    manager->ExecuteChangeSequence();
    auto* real = new SeqRukoMain(root);
    Enter(real);
    GxDrawKey clear, overlay;
    EXPECT_TRUE(real->AppendDrawKey(clear, 0, 0));
    EXPECT_TRUE(real->AppendDrawKey(overlay, 1, 0));
    real->StartTransit(300);
    GxDrawKey k;
    EXPECT_TRUE(real->AppendDrawKey(k, 0, 0));
    EXPECT_FALSE(real->AppendDrawKey(k, 1, 0)) << "the screen's transition";
    real->EndTransit();
    ASSERT_TRUE(real->StartBGTransit(u"cg/bg/none", u"", 1000, false));
    EXPECT_FALSE(real->AppendDrawKey(k, 0, 0)) << "the background's masked change";
    EXPECT_TRUE(real->AppendDrawKey(k, 1, 0));
    real->EndBGTransit();
    GxDrawKey after;
    EXPECT_TRUE(real->AppendDrawKey(after, 0, 0));
    EXPECT_TRUE(after == clear);
}

TEST_F(SeqRukoMainTest, LockTestsReadTheirCounterAndTheCommonConditions)
{
    for (int lock = 0; lock < 3; ++lock) {
        g_MainScreenFlags.lockCount[lock] = 1;
        EXPECT_EQ(screen->IsUnlocked1(), lock != 0);
        EXPECT_EQ(screen->IsUnlocked2(), lock != 1);
        EXPECT_EQ(screen->IsUnlocked3(), lock != 2);
        g_MainScreenFlags.lockCount[lock] = 0;
    }
    data->m_Hold_WaitTime = 2;
    EXPECT_FALSE(screen->IsUnlocked1());
    data->m_Hold_WaitTime = 0;
    data->m_Hold_WaitClick = 2;  // only the timed wait locks
    EXPECT_TRUE(screen->IsUnlocked2());
    g_SystemDialogCount = 1;
    EXPECT_FALSE(screen->IsUnlocked3());
}

TEST_F(SeqRukoMainTest, WidgetsOfTheWindowsAreInvisibleWhileTheScriptHidesThem)
{
    GxTaskUIBase* save = Widget(u"btn_save");
    GxTaskUIBase* name = dynamic_cast<GxTaskUIBase*>(Task(u"$NAMEWIN:SeqRukoMain"));
    auto* select = dynamic_cast<GxTaskUIBase*>(Task(u"$SELECT:SeqRukoMain")->GetFirstChild());
    name->Show();
    select->Show();
    for (GxTaskUIBase* w : {static_cast<GxTaskUIBase*>(mw), save, name, select}) EXPECT_TRUE(screen->IsUIVisible(w));
    data->m_HideWindowByCommandFlag = true;
    EXPECT_FALSE(screen->IsUIVisible(mw));
    EXPECT_FALSE(screen->IsUIVisible(save)) << "a direct child of the message window";
    EXPECT_FALSE(screen->IsUIVisible(name));
    EXPECT_TRUE(screen->IsUIVisible(select)) << "the choices stay";
    data->m_HideWindowByCommandFlag = false;
    g_MainScreenFlags.windowHidden = true;
    EXPECT_FALSE(screen->IsUIVisible(select));
    g_MainScreenFlags.windowHidden = false;
    save->Hide();
    EXPECT_FALSE(screen->IsUIVisible(save));
}

TEST_F(SeqRukoMainTest, AClickEndsOnlyTheFirstHoldASkipStepEndsEveryHoldThatAcceptsSkip)
{
    auto* visual = dynamic_cast<GxTaskActor*>(Task(u"$VISUAL:SeqRukoMain"));
    auto* ruko = dynamic_cast<GxTaskActor*>(dynamic_cast<GxTaskFolder*>(Task(u"$STAND:SeqRukoMain"))->FindTaskLocal(u"ruko", 0));
    data->m_Hold_WaitTime = 2 | 8;
    data->m_Hold_WaitTime_TimeLeft = 900;
    data->m_Hold_EndOfLayerActionSeparate = 2 | 8;
    data->m_Hold_EndOfLayerActionSeparate_LayerName = u"ruko";
    ruko->AddActionFadeIn(1000);
    data->m_Hold_EndOfSE = 8;
    app.sound.SetPlaying(5, "se/bell");
    data->m_Hold_EndOfVoice = 2;
    app.sound.SetPlaying(9, "vo/a");

    EXPECT_TRUE(screen->ReleaseHoldByInput(SeqRukoMain::kHoldClick));
    EXPECT_EQ(data->m_Hold_WaitTime, 0);
    EXPECT_EQ(data->m_Hold_WaitTime_TimeLeft, 0);
    EXPECT_NE(data->m_Hold_EndOfLayerActionSeparate, 0) << "only the first accepting hold ends";
    EXPECT_FALSE(ruko->IsActionFinished());

    data->m_Hold_WaitTime = 8;
    data->m_Hold_WaitTime_TimeLeft = 900;
    visual->AddActionWait(0, 1000);
    screen->SkipStep();
    EXPECT_EQ(data->m_Hold_WaitTime, 0);
    EXPECT_EQ(data->m_Hold_EndOfLayerActionSeparate, 0);
    EXPECT_TRUE(data->m_Hold_EndOfLayerActionSeparate_LayerName.empty());
    EXPECT_TRUE(ruko->IsActionFinished()) << "the awaited layer's actions ran to their end";
    EXPECT_EQ(data->m_Hold_EndOfSE, 0);
    EXPECT_FALSE(app.sound.channels[5].playing) << "ending the wait stops the sound effects";
    EXPECT_EQ(data->m_Hold_EndOfVoice, 2) << "a click-only hold survives a skip";
    EXPECT_TRUE(app.sound.channels[9].playing);
    EXPECT_TRUE(visual->IsActionFinished()) << "no layer wait left: every action under $VISUAL ends";
    EXPECT_FALSE(screen->ReleaseHoldByInput(SeqRukoMain::kHoldSkip));
}

TEST_F(SeqRukoMainTest, HoldsEndWhenWhatTheyWaitForIsOver)
{
    auto* bg = dynamic_cast<GxTaskActor*>(Task(u"$BGLAYER:SeqRukoMain"));
    data->m_Hold_WaitTime = 2;
    data->m_Hold_WaitTime_TimeLeft = 20;
    data->m_Hold_EndOfLayerActionAll = 2;
    bg->AddActionWait(0, 10);
    data->m_Hold_EndOfLayerActionSeparate = 2;
    data->m_Hold_EndOfLayerActionSeparate_LayerName = u"$BGLAYER:SeqRukoMain";
    data->m_Hold_EndOfBGM = 2;
    app.sound.SetPlaying(0, "bgm/a");
    data->m_Hold_EndOfBGV = 2;
    data->m_Hold_EndOfVoice = 2;
    app.sound.SetPlaying(11, "vo/z");

    screen->UpdateHolds(kFrame);
    EXPECT_EQ(data->m_Hold_WaitTime_TimeLeft, 4);
    EXPECT_EQ(data->m_Hold_WaitTime, 2);
    EXPECT_EQ(data->m_Hold_EndOfLayerActionAll, 2) << "the background still has an action";
    EXPECT_EQ(data->m_Hold_EndOfLayerActionSeparate, 2);
    EXPECT_EQ(data->m_Hold_EndOfBGM, 2);
    EXPECT_EQ(data->m_Hold_EndOfBGV, 0) << "no ambient sound plays";
    EXPECT_EQ(data->m_Hold_EndOfVoice, 2);

    bg->FinishAction();
    app.sound.channels[0].playing = false;
    app.sound.channels[11].playing = false;
    screen->UpdateHolds(kFrame);
    for (int32_t h : {data->m_Hold_WaitTime, data->m_Hold_WaitTime_TimeLeft, data->m_Hold_EndOfLayerActionAll,
                      data->m_Hold_EndOfLayerActionSeparate, data->m_Hold_EndOfBGM, data->m_Hold_EndOfVoice}) {
        EXPECT_EQ(h, 0);
    }
    EXPECT_TRUE(data->m_Hold_EndOfLayerActionSeparate_LayerName.empty());

    // A layer that does not exist ends its wait at once.
    data->m_Hold_EndOfLayerActionSeparate = 2;
    data->m_Hold_EndOfLayerActionSeparate_LayerName = u"nobody";
    screen->UpdateHolds(0);
    EXPECT_EQ(data->m_Hold_EndOfLayerActionSeparate, 0);
}

TEST_F(SeqRukoMainTest, InputTable)
{
    enum Input { Click, WheelDown, WheelUp, WheelSmall, RightClick, Enter, Right, Down, Space, Other };
    struct Case
    {
        const char* what;
        bool hidden, skip, autoMode, clickHold, logEnabled;
        Input input;
        int consumed;
        // after
        bool hiddenAfter, skipAfter, autoAfter, clickHoldAfter;
        size_t eventsQueued;
    };
    const Case cases[] = {
        {"click restores a hidden window", true, true, true, true, true, Click, 1, false, true, true, true, 0},
        {"click ends skip first", false, true, true, true, true, Click, 1, false, false, true, true, 0},
        {"then auto", false, false, true, true, true, Click, 1, false, false, false, true, 0},
        {"then the hold", false, false, false, true, true, Click, 1, false, false, false, false, 0},
        {"wheel down clicks", false, false, false, true, true, WheelDown, 1, false, false, false, false, 0},
        {"wheel restores", true, false, false, true, true, WheelUp, 1, false, false, false, true, 0},
        {"less than a notch", true, false, false, true, true, WheelSmall, 0, true, false, false, true, 0},
        {"wheel up opens the log", false, false, false, true, true, WheelUp, 1, false, false, false, true, 1},
        {"log disabled", false, false, false, true, false, WheelUp, 0, false, false, false, true, 0},
        {"right click restores", true, false, false, true, true, RightClick, 0, false, false, false, true, 0},
        {"right click hides", false, false, false, true, true, RightClick, 1, false, false, false, true, 1},
        {"Enter restores", true, true, false, true, true, Enter, 1, false, true, false, true, 0},
        {"Enter advances", false, false, false, true, true, Enter, 1, false, false, false, false, 0},
        {"Right advances", false, false, false, true, true, Right, 1, false, false, false, false, 0},
        {"Down advances", false, false, false, true, true, Down, 1, false, false, false, false, 0},
        {"Space hides", false, false, false, true, true, Space, 1, true, false, false, true, 0},
        {"Space restores", true, false, false, true, true, Space, 1, false, false, false, true, 0},
        {"other keys", false, false, false, true, true, Other, 0, false, false, false, true, 0},
    };
    GxTaskUIBase* log = Widget(u"btn_log");
    for (const Case& c : cases) {
        g_MainScreenFlags.windowHidden = c.hidden;
        g_MainScreenFlags.skipMode = c.skip;
        g_MainScreenFlags.autoMode = c.autoMode;
        data->m_Hold_WaitClick = c.clickHold ? 2 : 0;
        log->SetEnabled(c.logEnabled);
        screen->ClearUIEvents();
        const GxMousePoint pt{200.0f, 300.0f};
        int got = 0;
        switch (c.input) {
        case Click: got = screen->OnMouseLeftDown(pt, 0, false); break;
        case WheelDown: got = screen->OnMouseWheel(pt, -120, 0); break;
        case WheelUp: got = screen->OnMouseWheel(pt, 240, 0); break;
        case WheelSmall: got = screen->OnMouseWheel(pt, 60, 0); break;
        case RightClick: got = screen->OnMouseRightDown(pt, 0, false); break;
        case Enter: got = screen->OnKeyDown(0x0D, 0); break;
        case Right: got = screen->OnKeyDown(0x27, 0); break;
        case Down: got = screen->OnKeyDown(0x28, 0); break;
        case Space: got = screen->OnKeyDown(0x20, 0); break;
        case Other: got = screen->OnKeyDown(0x41, 0); break;
        }
        EXPECT_EQ(got != 0, c.consumed != 0) << c.what;
        EXPECT_EQ(g_MainScreenFlags.windowHidden, c.hiddenAfter) << c.what;
        EXPECT_EQ(g_MainScreenFlags.skipMode, c.skipAfter) << c.what;
        EXPECT_EQ(g_MainScreenFlags.autoMode, c.autoAfter) << c.what;
        EXPECT_EQ(data->m_Hold_WaitClick != 0, c.clickHoldAfter) << c.what;
        EXPECT_EQ(screen->GetUIEventCount(), c.eventsQueued) << c.what;
    }
    // The queued events reach their buttons: the wheel's opens the log, the right click's hides.
    GxTaskBase* logScreen = new GxSeqBase(u"SeqRukoLog", root);
    screen->ClearUIEvents();
    g_MainScreenFlags = GxMainScreenFlags();
    ASSERT_EQ(screen->OnMouseWheel({1, 2}, 120, 0), 1);
    screen->Update(1, 0);
    EXPECT_EQ(manager->GetPendingSequence(), logScreen);

    // Space with a system dialog open keeps the window.
    g_SystemDialogCount = 1;
    EXPECT_EQ(screen->OnKeyDown(0x20, 0), 1);
    EXPECT_FALSE(g_MainScreenFlags.windowHidden);
}

TEST_F(SeqRukoMainTest, AClickAtTheMessageEndEmptiesTheVoiceRecordsAndStopsVoicesUnlessKept)
{
    for (const bool keep : {false, true}) {
        options->m_VoiceStopTiming = keep;
        ClickWaitingMessage(true);
        data->m_VoiceRecord[1].m_FileName = u"vo/a";
        app.sound.SetPlaying(9, "vo/a");
        EXPECT_EQ(screen->OnMouseLeftDown({0, 0}, 0, false), 0);
        EXPECT_FALSE(mw->IsClickWaiting());
        EXPECT_TRUE(data->m_VoiceRecord[1].m_FileName.empty()) << keep;
        EXPECT_EQ(app.sound.channels[9].playing, keep) << keep;
    }
    // An open system dialog keeps the message.
    ClickWaitingMessage(true);
    g_SystemDialogCount = 1;
    screen->OnMouseLeftDown({0, 0}, 0, false);
    EXPECT_TRUE(mw->IsClickWaiting());
}

TEST_F(SeqRukoMainTest, SkipStopsAtUnreadTextUnlessAllowed)
{
    struct Case
    {
        bool read, allow, minimised, hidden, advanced;
    };
    const Case cases[] = {{true, false, false, false, true},  {false, false, false, false, false},
                          {false, true, false, false, true},  {true, false, true, false, false},
                          {true, false, false, true, false}};
    for (const Case& c : cases) {
        options->m_AllowSkipUnreadText = c.allow;
        screen->minimised = c.minimised;
        g_MainScreenFlags.windowHidden = c.hidden;
        // Characters left: flushed at once when skipping is allowed.
        ASSERT_NE(mw, nullptr);
        mw->SetMessage(u"かきく", true, c.read, false, false);
        screen->SkipStep();
        EXPECT_EQ(mw->IsClickWaiting(), c.advanced) << c.read << c.allow << c.minimised << c.hidden;
        // Then the click wait ends.
        mw->FlushMessage(false, false);
        data->m_VoiceRecord[0].m_FileName = u"vo/x";
        screen->SkipStep();
        EXPECT_EQ(mw->IsClickWaiting(), !c.advanced) << c.read << c.allow << c.minimised << c.hidden;
        EXPECT_EQ(data->m_VoiceRecord[0].m_FileName.empty(), c.advanced);
        data->m_VoiceRecord[0].m_FileName.clear();
        mw->ClearMessage();
    }
}

TEST_F(SeqRukoMainTest, CtrlSkipsOncePerFrameOnlyWhileTheWindowIsActive)
{
    screen->ctrl = true;
    screen->active = false;
    screen->Update(0, kFrame);
    EXPECT_EQ(screen->skipSteps, 0);
    screen->active = true;
    screen->Update(0, kFrame);
    screen->Update(1, 0);
    screen->Update(2, 0);
    EXPECT_EQ(screen->skipSteps, 1) << "once per frame, not per step";
    screen->ctrl = false;
    g_MainScreenFlags.skipMode = true;
    screen->active = false;
    screen->Update(0, kFrame);
    EXPECT_EQ(screen->skipSteps, 2) << "skip mode skips without the focus";
}

TEST_F(SeqRukoMainTest, AutoModeWaitsForTheVoiceThenAdvancesAndStartsAgain)
{
    options->m_AutoWaitTime = 100;
    options->m_WaitVoiceEndOnAutoMode = true;
    options->m_VoiceStopTiming = true;
    ClickWaitingMessage(true);
    g_MainScreenFlags.autoMode = true;
    g_MainScreenFlags.autoCountdown = 100;
    app.sound.SetPlaying(8, "vo/long");

    screen->UpdateAutoMode(60);
    EXPECT_EQ(g_MainScreenFlags.autoCountdown, 40);
    screen->UpdateAutoMode(60);
    EXPECT_EQ(g_MainScreenFlags.autoCountdown, 0) << "time is up but a voice plays";
    EXPECT_TRUE(mw->IsClickWaiting());
    screen->UpdateAutoMode(16);
    EXPECT_TRUE(mw->IsClickWaiting());

    app.sound.channels[8].playing = false;
    screen->UpdateAutoMode(16);
    EXPECT_FALSE(mw->IsClickWaiting()) << "the first frame without a voice advances";
    EXPECT_EQ(g_MainScreenFlags.autoCountdown, 100);

    // Without the option the voice is not awaited and, unless kept, stopped.
    options->m_WaitVoiceEndOnAutoMode = false;
    options->m_VoiceStopTiming = false;
    ClickWaitingMessage(true);
    app.sound.SetPlaying(8, "vo/long");
    screen->UpdateAutoMode(100);
    EXPECT_FALSE(mw->IsClickWaiting());
    EXPECT_FALSE(app.sound.channels[8].playing);

    // A hidden window holds the countdown; no click wait reloads it.
    g_MainScreenFlags.windowHidden = true;
    g_MainScreenFlags.autoCountdown = 7;
    screen->UpdateAutoMode(50);
    EXPECT_EQ(g_MainScreenFlags.autoCountdown, 7);
    g_MainScreenFlags.windowHidden = false;
    mw->ClearMessage();
    screen->UpdateAutoMode(50);
    EXPECT_EQ(g_MainScreenFlags.autoCountdown, 100);
}

TEST_F(SeqRukoMainTest, ButtonsChangeModesAndScreens)
{
    GxTaskUIBase* autoButton = Widget(u"btn_auto");
    autoButton->SetValueBool(true);
    options->m_AutoWaitTime = 1234;
    EXPECT_EQ(Press(u"btn_auto"), 1);
    EXPECT_TRUE(g_MainScreenFlags.autoMode);
    EXPECT_EQ(g_MainScreenFlags.autoCountdown, 1234);
    Widget(u"btn_skip")->SetValueBool(true);
    Press(u"btn_skip");
    EXPECT_TRUE(g_MainScreenFlags.skipMode);
    EXPECT_NE(app.sound.calls.size(), 0u);

    // Leaving ends both modes and sets their buttons off.
    g_MainScreenFlags.windowHidden = true;
    auto* other = new GxSeqBase(u"SeqConfig", root);
    EXPECT_EQ(Press(u"btn_config"), 1);
    EXPECT_EQ(manager->GetPendingSequence(), other);
    manager->ExecuteChangeSequence();
    EXPECT_FALSE(g_MainScreenFlags.autoMode);
    EXPECT_FALSE(g_MainScreenFlags.skipMode);
    EXPECT_FALSE(g_MainScreenFlags.windowHidden);
    EXPECT_FALSE(autoButton->GetValueBool());
    EXPECT_FALSE(Widget(u"btn_skip")->GetValueBool());
    Enter(screen);

    EXPECT_EQ(Press(u"btn_hide"), 1);
    EXPECT_TRUE(g_MainScreenFlags.windowHidden);
    g_MainScreenFlags.windowHidden = false;

    // A screen that does not exist is logged and the screen stays.
    AllLogs logs;
    Press(u"btn_load");
    EXPECT_EQ(logs.Count("遷移先のシーケンスが見つかりません(SeqLoad)"), 1u);
    EXPECT_FALSE(manager->IsChangeSequencePending());

    // btn_voice replays the recorded voices.
    data->m_VoiceRecord[2].m_FileName = u"vo/again";
    app.sound.TakeCalls();
    Press(u"btn_voice");
    EXPECT_TRUE(app.sound.channels[10].playing);
    EXPECT_EQ(app.sound.channels[10].file, "vo/again");
}

TEST_F(SeqRukoMainTest, QuickLoadOnlyWithTheQuickSaveFile)
{
    auto* quick = new GxSeqBase(u"SeqQuickLoad", root);
    const std::u16string path = app.core->GetSaveFolder() + app.core->GetSystemConfig()->m_QuickSaveFileName;
    std::filesystem::remove(GxWideToUtf8(path));
    EXPECT_EQ(Press(u"btn_qload"), 1);
    EXPECT_FALSE(manager->IsChangeSequencePending()) << "no quick save: nothing";
    std::filesystem::create_directories(std::filesystem::path(GxWideToUtf8(path)).parent_path());
    std::ofstream(GxWideToUtf8(path)) << "x";
    Press(u"btn_qload");
    EXPECT_EQ(manager->GetPendingSequence(), quick);
}

TEST_F(SeqRukoMainTest, ReplayShowsTheReplayButtonAndItsEndReturnsToTheReplayRoom)
{
    data->m_ReplayMode = true;
    manager->ChangeSequence(system, 0);
    manager->ExecuteChangeSequence();
    Enter(screen);
    EXPECT_FALSE(Widget(u"btn_save")->IsVisible());
    EXPECT_FALSE(Widget(u"btn_qload")->IsVisible());
    EXPECT_TRUE(Widget(u"btn_rend")->IsVisible());
    EXPECT_EQ(data->GetRestoreSequence(), u"SeqRukoMain");

    // The main worker is not running: the replay is over.
    ASSERT_NE(g_MoaWorkerEx, nullptr);
    g_MoaWorkerEx->Stop();
    AllLogs logs;
    screen->Update(0, kFrame);
    screen->Update(0, kFrame);
    EXPECT_EQ(logs.Count("遷移先のシーケンスが見つかりません(SeqRPMode)"), 1u) << "logged once, not every frame";
    auto* room = new GxSeqBase(u"SeqRPMode", root);
    screen->Update(0, kFrame);
    EXPECT_EQ(manager->GetPendingSequence(), room);

    data->m_ReplayMode = false;
    manager->ExecuteChangeSequence();
    Enter(screen);
    EXPECT_TRUE(Widget(u"btn_save")->IsVisible());
    EXPECT_FALSE(Widget(u"btn_rend")->IsVisible());
}

// The screen the start-up built, in the program's task tree, running the loaded package.
TEST(SeqRukoMainScript, StatementsRunInOneFrameUpToTheWaitAndALoopGetsABudget)
{
    g_MainScreenFlags = GxMainScreenFlags();
    gametest::StartedCore app([](const std::filesystem::path& game) {
        FillTables();
        WritePackage(game, kScript);
    });
    ASSERT_TRUE(app.initialized);
    GxTaskManage* tm = app.core->GetTaskManage();
    auto* screen = dynamic_cast<SeqRukoMain*>(tm->FindTaskByName(u"SeqRukoMain"));
    ASSERT_NE(screen, nullptr);
    ASSERT_NE(g_MoaWorkerEx, nullptr);
    // A bare stand-in: the program's battle-map screen would stop the script on entry.
    gxtest::HideProgramScreen(tm, u"SeqBmapSelect");
    auto* bmap = new GxSeqBase(u"SeqBmapSelect", tm->GetRootTask());
    ASSERT_TRUE(tm->ChangeSequence(screen, 0));
    tm->ExecuteChangeSequence();
    ASSERT_TRUE(g_MoaWorkerEx->StartAtLabel(u"MAIN", nullptr));
    auto n = [] { return g_MoaWorkerEx->GetVariableTable().FindVariable(u"n")->m_Value.GetInt(); };

    // The frames of the program's update walk.
    auto frame = [&] {
        GxTaskBase* current = tm->GetCurrentSequence();
        if (!tm->IsMainStarted()) tm->UpdatePreMainTasks(current, 0, kFrame);
        tm->UpdateTasks(current, 0, kFrame);
    };
    frame();
    EXPECT_EQ(n(), 3) << "every statement up to the change of screen ran in the first frame";
    EXPECT_EQ(tm->GetPendingSequence(), bmap);
    frame();
    EXPECT_EQ(n(), 3) << "nothing runs while the change is pending";

    // Back on the screen, the script loops without waiting: each frame gives the budget.
    tm->ExecuteChangeSequence();
    tm->ChangeSequence(screen, 0);
    tm->ExecuteChangeSequence();
    AllLogs logs;
    frame();
    const int64_t first = n();
    EXPECT_GT(first, 100);
    frame();
    frame();
    EXPECT_GT(n(), first) << "frames keep coming and the script goes on";
    EXPECT_LE(n() - 100, 3 * SeqRukoMain::kStatementBudget);
    EXPECT_EQ(logs.Count("SeqRukoMain::Update"), 1u) << "warned once";
    EXPECT_EQ(logs.Count("Script=\"MAIN\""), 1u);

    // A wait ends the run; the next loop is warned about again.
    app.core->GetUserData()->m_Hold_WaitClick = 2;
    frame();
    const int64_t held = n();
    frame();
    EXPECT_EQ(n(), held);
    app.core->GetUserData()->m_Hold_WaitClick = 0;
    frame();
    EXPECT_EQ(logs.Count("SeqRukoMain::Update"), 2u);
    g_MainScreenFlags = GxMainScreenFlags();
}

}  // namespace
