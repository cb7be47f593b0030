// The persistent system screen as the game's start-up builds it: its widgets and their placement,
// the quit and user dialogs, the close box and Esc, the music ducking under voices, the debug
// overlay's condition, the developer keys' variable dumps and the editor key.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "app/GxDebugConsole.h"
#include "app/task/GxTaskManage.h"
#include "core/GxLog.h"
#include "core/GxString.h"
#include "game/GxGameStartup.h"
#include "game/GxMainScreen.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserConfig.h"
#include "game/GxUserData.h"
#include "moa/GxMoaScriptHost.h"
#include "platform/GxProcess.h"
#include "platform/GxWindowServices.h"
#include "seq/SeqSystem.h"
#include "tests/app/seq_test_services.h"
#include "tests/support/GxMoaPackageBuilder.h"
#include "tests/support/GxSpawnStub.h"
#include "tests/support/GxNcWriter.h"
#include "tests/support/GxPictureWriter.h"
#include "tests/game/game_core_fixture.h"
#include "tests/game/game_test_util.h"
#include "ui/GxTaskUIBase.h"

namespace {

using gametest::StartedCore;

// Even dialog sizes keep the centring exact; odd button sizes show the integer division. The
// module sizes stand; the pictures only have to exist.
const char* const kModules =
    "0\t15\tdlg_shutdown\tui_common\tdlg\t400\t200\n"
    "1\t15\tdlg_user\tui_common\tdlg\t500\t241\n"
    "2\t18\tbtn_yes\tui_common\tbtn\t101\t40\n"
    "3\t18\tbtn_no\tui_common\tbtn\t101\t40\n"
    "4\t18\tbtn_ok\tui_common\tbtn\t121\t40\n"
    "5\t18\tbtn_cancel\tui_common\tbtn\t121\t40\n"
    "6\t45\ttip_help\tui_common\tdlg\t200\t30\n";

// The modules, and the image set "uigis/ui_common.gis" that the start-up adds, with the images
// "dlg.png" and "btn.png" of one 4 x 4 pattern each on one page.
void WriteModules(const std::filesystem::path& game)
{
    std::filesystem::create_directories(game / "data");
    std::ofstream(game / "data" / "db_uimodule.txt", std::ios::binary) << kModules;
    GxNcCrammedImageSet set;
    set.m_CrammedImageArray.resize(1);
    set.m_CrammedImageArray[0].m_FileName = u"ui_common_0.png";
    set.m_CrammedImageArray[0].m_ImageWidth = 8;
    set.m_CrammedImageArray[0].m_ImageHeight = 4;
    int32_t x = 0;
    for (const char16_t* name : {u"dlg.png", u"btn.png"}) {
        GxNcOriginImage& image = GxNcAddOriginImage(set, name);
        GxNcAddPattern(image, 0, 0, 0, 4, 4, x, 0);
        image.m_ImageWidth = image.m_ImageHeight = 4;
        x += 4;
    }
    std::filesystem::create_directories(game / "uigis");
    ASSERT_TRUE(gxtest::WriteBytes((game / "uigis" / "ui_common_0.png").string(),
                                   gxtest::WritePngRgba(gxtest::TestPicture(8, 4, 0xFF808080u))));
    ASSERT_TRUE(GxNcWriteFileBytes((game / "uigis" / "ui_common.gis").string(),
                                   GxNcImageSetToBytes(set, GxContentForm::Binary)));
}

class SystemScreen : public ::testing::Test
{
protected:
    SystemScreen() : app(WriteModules)
    {
        tm = app.core->GetTaskManage();
        system = dynamic_cast<SeqSystem*>(tm->FindTaskByName(u"SeqSystem"));
        g_MainScreenFlags = GxMainScreenFlags();
        g_GxBgmRestrainPercent = 100;
    }
    ~SystemScreen() override
    {
        g_SystemDialogCount = 0;
        g_MainScreenFlags = GxMainScreenFlags();
        g_GxBgmRestrainPercent = 100;
        SeqSystem::SetUserDialogKey(u"");
    }

    GxTaskUIBase* Widget(const char16_t* name) { return dynamic_cast<GxTaskUIBase*>(tm->FindTaskByName(name)); }
    GxTaskUIBase* Button(const char16_t* name, int32_t index = 0)
    {
        for (const char16_t* dialog : {u"dlg_shutdown", u"dlg_user"}) {
            GxTaskBase* d = tm->FindTaskByName(dialog);
            for (GxTaskBase* c = d ? d->GetFirstChild() : nullptr; c; c = c->GetNextSibling()) {
                if (c->GetTaskLocalName() == name && c->GetTaskLocalIndex() == index) return dynamic_cast<GxTaskUIBase*>(c);
            }
        }
        return nullptr;
    }
    size_t Played(const std::string& file)
    {
        size_t n = 0;
        for (const std::string& c : app.sound.calls) n += c.rfind("PlayOneShot " + file + " ", 0) == 0;
        return n;
    }
    std::string SaveFile(const char* name)
    {
        std::ifstream in(std::filesystem::path(GxWideToUtf8(app.core->GetSaveFolder())) / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    StartedCore app;
    GxTaskManage* tm = nullptr;
    SeqSystem* system = nullptr;
};

TEST_F(SystemScreen, StartUpBuildsItAsThePersistentRootWithItsWidgetsPlacedAndClosed)
{
    ASSERT_NE(system, nullptr);
    EXPECT_EQ(tm->GetPersistentRoot(), system);

    struct Row
    {
        GxTaskUIBase* widget;
        GxTaskBase* parent;
        float z;
        float x, y;
        bool visible;
    };
    GxTaskUIBase* shutdown = Widget(u"dlg_shutdown");
    GxTaskUIBase* user = Widget(u"dlg_user");
    ASSERT_NE(shutdown, nullptr);
    ASSERT_NE(user, nullptr);
    const Row rows[] = {
        {shutdown, system, 19000, 312, 164, true},
        {Button(u"btn_dlgshutdown_yes"), shutdown, 19001, 83, 120, true},
        {Button(u"btn_dlgshutdown_no"), shutdown, 19001, 216, 120, true},
        {user, system, 18000, 262, 263 - 120, true},
        {Button(u"btn_dlguser_yes"), user, 18001, 133, 161, false},
        {Button(u"btn_dlguser_no"), user, 18001, 266, 161, false},
        {Button(u"btn_dlguser_ok", 0), user, 18001, 113, 161, false},
        {Button(u"btn_dlguser_cancel"), user, 18001, 266, 161, false},
        {Button(u"btn_dlguser_ok", 1), user, 18001, 189, 161, false},
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        const Row& r = rows[i];
        ASSERT_NE(r.widget, nullptr) << i;
        EXPECT_EQ(r.widget->GetParent(), r.parent) << i;
        EXPECT_EQ(r.widget->GetOrderZ(), r.z) << i;
        EXPECT_EQ(r.widget->GetPos().x, r.x) << i;
        EXPECT_EQ(r.widget->GetPos().y, r.y) << i;
        EXPECT_EQ(r.widget->IsVisible(), r.visible) << i;
    }
    EXPECT_EQ(GxWideToUtf8(shutdown->GetText()), "ゲームを終了しますか？");
    EXPECT_EQ(GxWideToUtf8(user->GetText()), "ユーザーダイアログ");
    EXPECT_TRUE(shutdown->GetModalFlag() && shutdown->GetTopMostFlag());
    EXPECT_TRUE(user->GetModalFlag());
    EXPECT_FALSE(user->GetTopMostFlag());
    EXPECT_FALSE(shutdown->IsActive()) << "closed until asked";
    EXPECT_FALSE(user->IsActive());
    ASSERT_NE(Widget(u"tip_help"), nullptr);
    EXPECT_EQ(Widget(u"tip_help")->GetOrderZ(), 17000.0f);
    EXPECT_FALSE(Widget(u"tip_help")->IsActive());
    EXPECT_EQ(g_SystemDialogCount, 0);
}

TEST(SystemScreenPlacement, ButtonsStandByIntegerDivisionTowardZero)
{
    const struct { int32_t dialog, button, pairLeft, lone; } cases[] = {
        {400, 100, 84, 150}, {401, 100, 84, 150}, {400, 101, 83, 149}, {100, 50, -16, 25}, {101, 50, -15, 25},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SeqSystem::PairLeftX(c.dialog, c.button), c.pairLeft) << c.dialog << " " << c.button;
        EXPECT_EQ(SeqSystem::LoneX(c.dialog, c.button), c.lone) << c.dialog << " " << c.button;
    }
    EXPECT_EQ(SeqSystem::ButtonY(200, 40), 120);
    EXPECT_EQ(SeqSystem::ButtonY(60, 40), -20);
}

TEST_F(SystemScreen, UserDialogShowsTheButtonsOfItsKind)
{
    const struct { int32_t kind; bool yes, no, ok0, cancel, ok1; } cases[] = {
        {2, false, false, true, true, false},  {3, true, true, false, false, false},
        {1, false, false, false, false, true}, {0, false, false, false, false, true},
        {-5, false, false, false, false, true},
    };
    for (const auto& c : cases) {
        app.sound.calls.clear();
        SeqSystem::OpenUserDialog(system, u"USERDIALOG", u"質問", c.kind);
        EXPECT_TRUE(SeqSystem::IsUserDialogOpen(system)) << c.kind;
        EXPECT_EQ(Widget(u"dlg_user")->GetText(), u"質問");
        EXPECT_EQ(Widget(u"dlg_user")->GetModalPriority(), 0xFFFFFF);
        EXPECT_EQ(Button(u"btn_dlguser_yes")->IsVisible(), c.yes) << c.kind;
        EXPECT_EQ(Button(u"btn_dlguser_no")->IsVisible(), c.no) << c.kind;
        EXPECT_EQ(Button(u"btn_dlguser_ok", 0)->IsVisible(), c.ok0) << c.kind;
        EXPECT_EQ(Button(u"btn_dlguser_cancel")->IsVisible(), c.cancel) << c.kind;
        EXPECT_EQ(Button(u"btn_dlguser_ok", 1)->IsVisible(), c.ok1) << c.kind;
        EXPECT_EQ(Played("sounds/sys/open.wav"), 1u);
        EXPECT_EQ(g_SystemDialogCount, 1);
        SeqSystem::CloseUserDialog(system, true);
        EXPECT_FALSE(SeqSystem::IsUserDialogOpen(system));
        EXPECT_EQ(Played("sounds/sys/close.wav"), 1u);
        EXPECT_EQ(g_SystemDialogCount, 0);
    }
}

TEST_F(SystemScreen, QuitDialogTakesTheCountAsPriorityAndClosingNeverGoesBelowZero)
{
    SeqSystem::OpenShutdownDialog(system);
    EXPECT_EQ(Widget(u"dlg_shutdown")->GetModalPriority(), 1);
    SeqSystem::CloseShutdownDialog(system, false);
    EXPECT_EQ(Played("sounds/sys/close.wav"), 0u) << "no sound asked";

    SeqSystem::OpenUserDialog(system, u"USERDIALOG", u"q", 3);
    SeqSystem::OpenShutdownDialog(system);
    EXPECT_EQ(Widget(u"dlg_shutdown")->GetModalPriority(), 2) << "above every dialog open before";
    EXPECT_EQ(Widget(u"dlg_user")->GetModalPriority(), 0xFFFFFF);
    EXPECT_EQ(system->GetShutdownKey(), u"EXITGAME");
    EXPECT_EQ(g_SystemDialogCount, 2);
    SeqSystem::CloseShutdownDialog(system, true);
    SeqSystem::CloseUserDialog(system, true);
    SeqSystem::CloseUserDialog(system, true);
    EXPECT_EQ(g_SystemDialogCount, 0);
}

TEST_F(SystemScreen, TheCloseBoxAsksFirstAndQuitsTheSecondTimeAndYesQuits)
{
    RecordingSeqServices services;
    g_MainScreenFlags.windowHidden = true;
    EXPECT_NE(tm->OnClose(), 0) << "the first close keeps the window open";
    EXPECT_TRUE(SeqSystem::IsShutdownDialogOpen(system));
    EXPECT_FALSE(g_MainScreenFlags.windowHidden) << "the hidden message window comes back with the question";
    EXPECT_EQ(tm->OnClose(), 0) << "asked again while the dialog is open: the window closes";

    EXPECT_EQ(system->OnUIEventLeftDown(Button(u"btn_dlgshutdown_yes"), nullptr), 1);
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].message, GxWindowMessage::Close);
    EXPECT_EQ(system->OnUIEventLeftDown(Button(u"btn_dlgshutdown_no"), nullptr), 1);
    EXPECT_FALSE(SeqSystem::IsShutdownDialogOpen(system));
    EXPECT_EQ(g_SystemDialogCount, 0);
}

TEST_F(SystemScreen, YesOfAUserDialogAnswersOneAndClosesIt)
{
    app.core->GetUserData()->m_LastDialogResult = 7;
    SeqSystem::OpenUserDialog(system, u"USERDIALOG", u"q", 3);
    EXPECT_EQ(system->OnUIEventLeftDown(Button(u"btn_dlguser_yes"), nullptr), 1);
    EXPECT_EQ(app.core->GetUserData()->m_LastDialogResult, 1);
    EXPECT_FALSE(SeqSystem::IsUserDialogOpen(system));
    EXPECT_EQ(g_SystemDialogCount, 0);
}

TEST_F(SystemScreen, EscTogglesTheQuitDialogUnlessTheMessageWindowIsHidden)
{
    constexpr GxWParam kEsc = 0x1B;
    g_MainScreenFlags.windowHidden = true;
    EXPECT_EQ(tm->OnKeyDown(kEsc, 0), 0);
    EXPECT_FALSE(SeqSystem::IsShutdownDialogOpen(system));
    EXPECT_EQ(g_SystemDialogCount, 0);
    EXPECT_TRUE(g_MainScreenFlags.windowHidden);

    g_MainScreenFlags.windowHidden = false;
    EXPECT_EQ(tm->OnKeyDown(kEsc, 0), 1);
    EXPECT_TRUE(SeqSystem::IsShutdownDialogOpen(system));
    EXPECT_EQ(tm->OnKeyDown(kEsc, 0), 1);
    EXPECT_FALSE(SeqSystem::IsShutdownDialogOpen(system));
    EXPECT_EQ(Played("sounds/sys/close.wav"), 1u);
    EXPECT_EQ(g_SystemDialogCount, 0);

    app.core->GetSystemConfig()->m_DebugModeFlag = true;
    EXPECT_EQ(system->OnKeyDown(0x77, 0), 0) << "only Esc is consumed";
    EXPECT_EQ(system->OnKeyDown(u'A', 0), 0);
}

TEST_F(SystemScreen, MusicFallsByFourPerFrameUnderAVoiceAndClimbsBackAfterIt)
{
    // Some screen is current and in its main phase, as in every frame of play.
    auto* current = new GxSeqBase(u"SeqCurrent", tm->GetRootTask());
    ASSERT_TRUE(tm->ChangeSequence(current, 0));
    tm->ExecuteChangeSequence();
    tm->UpdatePreMainTasks(current, 0, 0);
    ASSERT_TRUE(tm->IsMainStarted());
    GxUserConfig* options = app.core->GetUserConfig();
    app.sound.SetPlaying(0, "bgm.ogg");
    app.sound.SetPlaying(2, "bgv.ogg");
    app.sound.SetPlaying(9, "voice.ogg");
    std::vector<int32_t> levels;
    for (int i = 0; i < 27; ++i) {
        // The task manager's update walk of the persistent root, as each frame runs it.
        tm->UpdateTasks(system, 0, 16667);
        tm->UpdateTasks(system, 1, 16667);  // later steps of the frame change nothing
        levels.push_back(g_GxBgmRestrainPercent);
        EXPECT_EQ(app.sound.channels[0].volume, options->GetBGMVolume()) << i;
        EXPECT_EQ(app.sound.channels[2].volume, -9600) << "ambience is silent under a voice";
    }
    EXPECT_EQ(levels[0], 96);
    EXPECT_EQ(levels[1], 92);
    EXPECT_EQ(levels[24], 0);
    EXPECT_EQ(levels[26], 0) << "stays at 0";

    app.sound.channels[9].playing = false;
    levels.clear();
    for (int i = 0; i < 27; ++i) {
        tm->UpdateTasks(system, 0, 16667);
        levels.push_back(g_GxBgmRestrainPercent);
        EXPECT_EQ(app.sound.channels[2].volume, options->GetBGVVolume(false));
    }
    EXPECT_EQ(levels[0], 4);
    EXPECT_EQ(levels[24], 100);
    EXPECT_EQ(levels[26], 100) << "stays at 100";
    EXPECT_NE(options->GetBGVVolume(false), -9600) << "the defaults give an audible ambience";
}

TEST_F(SystemScreen, DebugOverlayShowsForTheConsoleOrForErrorsThatAreNotSkipped)
{
    GxSystemConfig* sc = app.core->GetSystemConfig();
    const struct { bool console, error, skip, stop, shown; } cases[] = {
        {false, false, false, false, false}, {true, false, true, false, true},  {false, true, false, false, true},
        {false, true, true, false, false},   {false, true, true, true, true},   {false, false, false, true, false},
    };
    for (const auto& c : cases) {
        GxResetErrorCount();
        if (c.error) GxPrintErrorLog(u"x\n");
        sc->m_DebugConsoleFlag = c.console;
        sc->m_SkipSlightError = c.skip;
        ASSERT_NE(g_MoaEx, nullptr);
        if (c.stop) g_MoaEx->SetErrorStop();
        else g_MoaEx->SetErrorStop(false);
        EXPECT_EQ(SeqSystem::ShouldDrawDebugOverlay(app.core.get()), c.shown)
            << c.console << c.error << c.skip << c.stop;
    }
    GxResetErrorCount();
    g_MoaEx->SetErrorStop(false);
}

int64_t FixedNow() { return 1700000000; }

// The debug-log lines written meanwhile.
class DebugLines : public GxDebugListenerBase
{
public:
    DebugLines() : m_Previous(GxGetDebugListener()) { GxSetDebugListener(this); }
    ~DebugLines() override { GxSetDebugListener(m_Previous); }
    void OnDebugOutput(const std::u16string& line, int level) override
    {
        if (level == 2) text += GxWideToUtf8(line);
    }
    std::string text;

private:
    GxDebugListenerBase* m_Previous;
};

TEST_F(SystemScreen, F1AndF2DumpTheVariablesAsUtf16OnlyInDebugMode)
{
    GxSetTimeNowFunc(&FixedNow);
    DebugLines debugLines;
    GxSystemConfig* sc = app.core->GetSystemConfig();
    sc->m_DebugModeFlag = false;
    EXPECT_EQ(tm->OnKeyDown(0x70, 0), 0);
    EXPECT_EQ(tm->OnKeyDown(0x77, 0), 0);
    EXPECT_TRUE(SaveFile("vardump.txt").empty()) << "no dump without debug mode";
    EXPECT_FALSE(sc->m_DebugConsoleFlag);

    sc->m_DebugModeFlag = true;
    EXPECT_EQ(tm->OnKeyDown(0x70, 0), 0);
    EXPECT_EQ(tm->OnKeyDown(0x71, 0), 0);
    EXPECT_EQ(tm->OnKeyDown(0x77, 0), 0);
    EXPECT_TRUE(sc->m_DebugConsoleFlag) << "F8 switches the console";
    GxSetTimeNowFunc(nullptr);

    const std::u16string header = u"Sequence:" + tm->GetCurrentSequenceName() + u"(0,0):" + GxTimeToString(FixedNow());
    std::string expected = "\xFF\xFE";
    for (char16_t c : header) {
        expected.push_back(static_cast<char>(c & 0xFF));
        expected.push_back(static_cast<char>(c >> 8));
    }
    expected += std::string("\r\0\n\0", 4);
    for (const char* name : {"vardump.txt", "vardump_extern.txt"}) {
        const std::string bytes = SaveFile(name);
        ASSERT_GE(bytes.size(), expected.size()) << name;
        EXPECT_EQ(bytes.substr(0, expected.size()), expected) << name;
        EXPECT_EQ(bytes.size() % 2, 0u) << name;
    }
    const std::string debugText = debugLines.text;
    const std::string folder = GxWideToUtf8(app.core->GetSaveFolder());
    EXPECT_NE(debugText.find(folder + "vardump.txtに通常変数をダンプしました"), std::string::npos);
    EXPECT_NE(debugText.find(folder + "vardump_extern.txtに永続&広域変数をダンプしました"), std::string::npos);
}

TEST_F(SystemScreen, F11OpensTheScriptWithTheEditorCommandAsOneArgumentWhateverItsBlanks)
{
    gxtest::StubFolder stubs;
    const std::string editor = stubs.Install("my editor");
    GxMoaPackageBuilder b;
    ASSERT_TRUE(b.AddScript(u"main.txt", "*MAIN\n> hello\n")) << b.GetErrors();
    ASSERT_TRUE(b.WriteFile("bincode/moacode.mwb"));
    ASSERT_TRUE(GxLoadCompiledScript());
    ASSERT_TRUE(g_MoaWorkerEx->StartAtLabel(u"MAIN", nullptr));

    GxSystemConfig* sc = app.core->GetSystemConfig();
    sc->m_DebugModeFlag = true;
    sc->m_AssetFolder[kGxFolderScripts] = u"my scripts/";
    sc->m_TextEditorCommand = u"\"" + GxUtf8ToWide(editor) + u"\" -n%line %file";
    EXPECT_EQ(tm->OnKeyDown(0x7A, 0), 0);
    GxWaitStartedProcesses();

    const std::vector<gxtest::StubRun> runs = stubs.TakeRuns();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].program, editor);
    const std::string script = (std::filesystem::current_path() / "my scripts" / "main.txt").string();
    EXPECT_EQ(runs[0].args, (std::vector<std::string>{"-n1", script}));
}

}  // namespace
