// The game start-up: its steps in order through a log of replaced services, the switches that
// change them (AutoCompile, the full-screen option and its failure), the screens created from
// one ordered list with the system screen as persistent root, the missing boot screen, the log
// clean-up of the settings step, the tables and gallery split through the program's wiring, and
// the removal of the save writers' leftover temporary files.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "app/GxGameScreens.h"
#include "app/GxSeqBase.h"
#include "app/GxTaskActor.h"
#include "game/GxGameFunctions.h"
#include "layer/GxTaskLayer.h"
#include "moa/GxMoaScriptHost.h"
#include "tests/support/GxMoaPackageBuilder.h"
#include "app/task/GxTaskManage.h"
#include "game/DBCGMode.h"
#include "game/DBUILayout.h"
#include "game/GxGameFrame.h"
#include "game/GxGameStartup.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserConfig.h"
#include "seq/SeqSystem.h"
#include "tests/game/game_core_fixture.h"
#include "tests/game/game_test_util.h"
#include "tests/graphics/graphics_test_support.h"

namespace {

using gametest::StartedCore;
using Lines = std::vector<std::string>;

Lines& Log()
{
    static Lines lines;
    return lines;
}

struct FakeSettings
{
    const GxGameScreen* screens = nullptr;
    size_t screenCount = 0;
    int32_t screenModeOption = 0;
    bool screenModeWorks = true;
    uint32_t clock = 1000;
};
FakeSettings& Fake()
{
    static FakeSettings s;
    return s;
}

std::string U8(const std::u16string& s) { return GxWideToUtf8(s); }

GxGameStartupServices FakeServices()
{
    GxGameStartupServices s{};
    s.setSkipSlightError = [](bool skip) { Log().push_back(std::string("SetSkipSlightError ") + (skip ? "1" : "0")); };
    s.setDebugListener = [] { Log().push_back("SetDebugListener"); };
    s.launchScriptCompiler = []() -> uint32_t {
        Log().push_back("LaunchScriptCompiler");
        return 0;
    };
    s.showArrowCursor = [](GxCore*) { Log().push_back("ShowArrowCursor"); };
    s.releaseImageSets = [] { Log().push_back("ReleaseImageSets"); };
    s.createRenderTargets = [] { Log().push_back("CreateRenderTargets"); };
    s.loadTables = [] {
        Log().push_back("LoadTables restrain=" + std::to_string(g_GxBgmRestrainPercent));
        // The program installs its own screen list just before the start-up; the test's list
        // replaces it here, before the screens are created.
        if (Fake().screens) GxSetGameScreens(Fake().screens, Fake().screenCount);
    };
    s.loadFonts = [](const std::u16string& folder, const int32_t (&sizes)[GX_GDIFONTMAP_COUNT],
                     const std::u16string& name) {
        std::string line = "LoadFonts " + U8(folder);
        for (int32_t size : sizes) line += " " + std::to_string(size);
        Log().push_back(line + " [" + U8(name) + "]");
    };
    s.createScriptHost = [](GxCore*) { Log().push_back("CreateScriptHost"); };
    s.loadCompiledScript = [] {
        Log().push_back("LoadCompiledScript");
        return true;
    };
    s.addImageSet = [](const std::u16string& path) {
        Log().push_back("AddImageSet " + U8(path));
        return true;
    };
    s.loadAllEffects = [](const std::u16string& motions, const std::u16string& sets) {
        Log().push_back("LoadAllEffects " + U8(motions) + " " + U8(sets));
        return true;
    };
    s.loadPermanentData = [](GxCore*) {
        Log().push_back("LoadPermanentData");
        return true;
    };
    s.loadOptions = [](GxCore* core) {
        Log().push_back("LoadOptions");
        core->GetUserConfig()->m_ScreenMode = Fake().screenModeOption;
        return true;
    };
    s.changeScreenMode = [](int32_t mode) {
        Log().push_back("ChangeScreenMode " + std::to_string(mode));
        return Fake().screenModeWorks;
    };
    s.seedClock = [] { return Fake().clock += 6; };
    s.seedRuntimeRandom = [](uint32_t seed) { Log().push_back("SeedRuntimeRandom " + std::to_string(seed)); };
    s.seedEngineRandom = [](uint32_t seed) { Log().push_back("SeedEngineRandom " + std::to_string(seed)); };
    s.setFileCache = [](bool on) { Log().push_back(std::string("SetFileCache ") + (on ? "1" : "0")); };
    return s;
}

// Replaces the start-up's services for its lifetime.
struct FakeStartup
{
    GxGameStartupServices saved = GxGetGameStartupServices();
    FakeStartup()
    {
        Log().clear();
        Fake() = FakeSettings();
        GxGetGameStartupServices() = FakeServices();
    }
    ~FakeStartup()
    {
        GxGetGameStartupServices() = saved;
        GxSetGameScreens(nullptr, 0);
    }
};

// A screen that logs its creation.
class LoggingScreen : public GxSeqBase
{
public:
    LoggingScreen(const char16_t* name, GxTaskBase* parent) : GxSeqBase(name, parent)
    {
        Log().push_back("Create " + U8(name));
    }
};

// The persistent system screen of the test: a task that counts its update walks.
class CountingTask : public GxTaskBase
{
public:
    CountingTask(GxTaskBase* parent) : GxTaskBase(u"SeqSystem", nullptr, 0, parent) {}
    int Update(int32_t, int64_t) override
    {
        ++updates;
        return 0;
    }
    int updates = 0;
};

template <size_t I>
GxTaskBase* MakeScreen(GxTaskBase* parent);

const char16_t* const kNames[] = {u"SeqSystem", u"SeqBoot",      u"SeqTitle",     u"SeqOpening",   u"SeqRukoMain",
                                  u"SeqRukoLog", u"SeqConfig",    u"SeqSave",      u"SeqLoad",      u"SeqQuickLoad",
                                  u"SeqCGMode",  u"SeqCGModeView", u"SeqRPMode",   u"SeqBGMMode",   u"SeqBmapSelect"};

template <size_t I>
GxTaskBase* MakeScreen(GxTaskBase* parent)
{
    return new LoggingScreen(kNames[I], parent);
}

template <size_t... I>
std::vector<GxGameScreen> AllScreens(std::index_sequence<I...>)
{
    return {GxGameScreen{kNames[I], &MakeScreen<I>}...};
}

TEST(GameStartup, StepsRunInOrderAndTheScreensComeFromTheList)
{
    FakeStartup fake;
    const std::vector<GxGameScreen> screens = AllScreens(std::make_index_sequence<15>());
    Fake().screens = screens.data();
    Fake().screenCount = screens.size();
    g_GxBgmRestrainPercent = 40;
    g_SystemDialogCount = 2;
    StartedCore app;

    Lines expected = {"SetSkipSlightError 1", "SetDebugListener", "ShowArrowCursor", "ReleaseImageSets",
                      "CreateRenderTargets", "LoadTables restrain=100", "LoadFonts fonts/ 11 15 23 24 22 38 []",
                      "CreateScriptHost", "LoadCompiledScript", "AddImageSet uigis/ui_common.gis",
                      "AddImageSet uigis/ui_rukomain.gis", "AddImageSet uigis/ui_iconpool.gis",
                      "LoadAllEffects gnc/ gnc/gis/", "LoadPermanentData", "LoadOptions"};
    for (const char16_t* name : kNames) expected.push_back("Create " + U8(name));
    for (const char* line : {"SeedRuntimeRandom 1006", "SeedEngineRandom 1012", "SetFileCache 1"}) expected.push_back(line);
    EXPECT_EQ(Log(), expected);
    EXPECT_EQ(g_SystemDialogCount, 0) << "the program's hook clears the main screens' counters";

    GxTaskManage* tm = app.core->GetTaskManage();
    ASSERT_NE(tm->GetRootTask(), nullptr);
    EXPECT_EQ(tm->GetPersistentRoot(), tm->FindTaskByName(u"SeqSystem"));
    EXPECT_EQ(tm->GetPersistentRoot()->GetParent(), tm->GetRootTask());
    EXPECT_EQ(tm->GetPendingSequence(), tm->FindTaskByName(u"SeqBoot"));
    EXPECT_EQ(tm->GetPendingSequenceParam(), 0);
}

TEST(GameStartup, SwitchesOfTheSettingsAndOptionsChangeTheSteps)
{
    struct Case
    {
        const char* label;
        std::string setting;  // setting.ini
        std::string sysconf;
        int32_t screenMode;
        bool screenModeWorks;
        std::vector<std::string> present, absent;
        int32_t screenModeAfter;
    };
    const Case cases[] = {
        {"AutoCompile runs the compiler", "AutoCompile=1\nSkipSlightError=0\n", "", 0, true, {"LaunchScriptCompiler"},
         {"SetSkipSlightError 1", "ChangeScreenMode 2"}, 0},
        {"full screen", "", "", 1, true, {"ChangeScreenMode 2", "SetSkipSlightError 1"}, {"LaunchScriptCompiler"}, 1},
        {"failing full screen falls back to the window", "", "", 1, false, {"ChangeScreenMode 2"}, {}, 0},
        {"message font and font settings", "", "FONTSIZE_2=40\nMESWIN_TEXT_BUILTINFONTNAME=msgfont\n", 0, true,
         {"LoadFonts fonts/ 11 15 40 24 22 38 [msgfont]"}, {}, 0},
    };
    for (const Case& c : cases) {
        FakeStartup fake;
        Fake().screenModeOption = c.screenMode;
        Fake().screenModeWorks = c.screenModeWorks;
        StartedCore app(
            [&](const std::filesystem::path& game) {
                coretest::WriteFile(game / "setting.ini", c.setting);
            },
            "APP_TITLE=GameTest\nAPP_SAVEDIR=GameTest_SAVE\n" + c.sysconf);
        for (const std::string& line : c.present)
            EXPECT_NE(std::find(Log().begin(), Log().end(), line), Log().end()) << c.label << ": " << line;
        for (const std::string& line : c.absent)
            EXPECT_EQ(std::find(Log().begin(), Log().end(), line), Log().end()) << c.label << ": " << line;
        EXPECT_EQ(app.core->GetUserConfig()->m_ScreenMode, c.screenModeAfter) << c.label;
    }
}

TEST(GameStartup, WithoutTheBootScreenItLogsAndFramesStillRunTheSystemScreen)
{
    FakeStartup fake;
    CountingTask* system = nullptr;
    static CountingTask** s_System = &system;
    const GxGameScreen screens[] = {
        {u"SeqSystem", [](GxTaskBase* parent) -> GxTaskBase* { return *s_System = new CountingTask(parent); }},
        {u"SeqBoot", nullptr},
    };
    Fake().screens = screens;
    Fake().screenCount = 2;
    gametest::LogCapture log;
    StartedCore app;
    EXPECT_EQ(log.Count("遷移先のシーケンスが見つかりません(SeqBoot)"), 1u);
    GxTaskManage* tm = app.core->GetTaskManage();
    ASSERT_NE(system, nullptr);
    EXPECT_EQ(tm->GetPersistentRoot(), system);
    EXPECT_FALSE(tm->IsChangeSequencePending());
    app.core->GetFrameTimer().SetUnpaced(true);
    GxRunGameFrame(app.core.get());
    GxRunGameFrame(app.core.get());
    EXPECT_EQ(system->updates, 2);
    EXPECT_EQ(tm->GetCurrentSequence(), nullptr);
}

// Through the program's own services: the settings step cleans the logs, and the table step
// loads the battle-map files over the first ones and splits the gallery.
TEST(GameStartupWiring, CleanErrorLogAndTheTableFiles)
{
    for (bool clean : {false, true}) {
        StartedCore app(
            [&](const std::filesystem::path& game) {
                coretest::WriteFile(game / "setting.ini", clean ? "CleanErrorLog=1\n" : "CleanErrorLog=0\n");
                const std::filesystem::path save = game.parent_path() / "docs" / "GameTest_SAVE";
                for (const char* f : {"device.log", "debug.log", "error.log"}) coretest::WriteFile(save / f, "OLD\n");
                coretest::WriteFile(game / "data/db_uilayout.txt",
                                    "0\tp\t0\tm\tfirst0\n5\tp\t0\tm\tfirst5\n6\tp\t0\tm\tfirst6\n");
                coretest::WriteFile(game / "data/db_uilayout_bmap.txt",
                                    "5\tp\t0\tm\tbmap5\n8\tp\t0\tm\tbmap8\n*\tp\t0\tm\tbmapStar\n");
                coretest::WriteFile(game / "data/db_cgmode.txt", "2\t0\tthumb\tev/a|1|2\n");
            });
        const std::filesystem::path save = app.game.docs / "GameTest_SAVE";
        auto holdsOld = [&](const char* f) {
            std::string text;
            return coretest::ReadFile(save / f, text) && text.find("OLD") != std::string::npos;
        };
        EXPECT_FALSE(holdsOld("device.log")) << clean;
        EXPECT_EQ(holdsOld("debug.log"), !clean);
        EXPECT_EQ(holdsOld("error.log"), !clean);

        DBUILayout& layout = GxGetDBUILayout();
        EXPECT_EQ(layout.GetRow(0)->TaskName, u"first0");
        EXPECT_EQ(layout.GetRow(5)->TaskName, u"bmap5") << "a used ID is overwritten";
        EXPECT_EQ(layout.GetRow(6)->TaskName, u"first6");
        EXPECT_EQ(layout.GetRow(8)->TaskName, u"bmap8");
        EXPECT_EQ(layout.GetRow(9)->TaskName, u"bmapStar") << "\"*\" goes on after the highest ID of both files";
        EXPECT_EQ(GxGetDBCGMode().GetRow(2)->FileName[0], u"ev/a");
        EXPECT_EQ(GxGetDBCGModeParam().GetRow(2)->FileName[0], u"1|2");
    }
}

// A save killed mid-write leaves the writer's temporary files; the start-up removes exactly the
// names the writers make (the atomic writer's "<data file>.tmpXXXXXX" beside every data file of
// the save folder, the thumbnail's ".part") and keeps everything else.
TEST(GameStartupWiring, LeftoverTemporaryFilesOfTheWritersAreRemovedAndNothingElse)
{
    const char* leftovers[] = {
        "gamedata001.gd.tmpAb12Z9", "GAMEDATA080.GD.tmp000000", "gamedata_quick.gd.tmpQQQQQQ",
        "userconf.dat.tmp123456",   "permanent.dat.tmpabcdef",  "permanent.dat.bak.tmpXyZ012",
        "thumb007.png.tmpzzzzzz",   "thumb007.png.part",
    };
    const char* kept[] = {
        // The saves and data files themselves.
        "gamedata001.gd", "GAMEDATA080.GD", "gamedata_quick.gd", "thumb007.png", "userconf.dat", "permanent.dat",
        "permanent.dat.bak", "vardump.txt",
        // Near misses of the writers' names.
        "gamedata001.gd.tmp", "gamedata001.gd.tmpABCDE", "gamedata001.gd.tmpABCDEFG", "gamedata001.gd.tmpAB-DEF",
        "gamedata01.gd.tmpABCDEF", "gamedata1000.gd.tmpABCDEF", "mygamedata001.gd.tmpABCDEF", "notes.txt.tmpABCDEF",
        "thumb007.png.part2", "thumb7.png.part", "thumbabc.png.part", "THUMB007.PNG.part", "userconf.dat.TMPABCDEF", "gamedata001.gd.part",
    };
    StartedCore app([&](const std::filesystem::path& game) {
        const std::filesystem::path save = game.parent_path() / "docs" / "GameTest_SAVE";
        for (const char* f : leftovers) coretest::WriteFile(save / f, "half");
        for (const char* f : kept) coretest::WriteFile(save / f, std::string("whole ") + f);
        // Only files: a folder or a link of a leftover's name is not the writer's.
        std::filesystem::create_directories(save / "gamedata002.gd.tmpABCDEF");
        std::filesystem::create_symlink(save / "userconf.dat", save / "userconf.dat.tmpLINK01");
    });
    const std::filesystem::path save = app.game.docs / "GameTest_SAVE";
    for (const char* f : leftovers) EXPECT_FALSE(std::filesystem::exists(save / f)) << f;
    for (const char* f : kept) {
        std::string text;
        EXPECT_TRUE(coretest::ReadFile(save / f, text)) << f;
        EXPECT_EQ(text, std::string("whole ") + f);
    }
    EXPECT_TRUE(std::filesystem::is_directory(save / "gamedata002.gd.tmpABCDEF"));
    EXPECT_TRUE(std::filesystem::is_symlink(save / "userconf.dat.tmpLINK01"));

    // One line in the debug log with the count.
    const std::string log = U8(gxtest::ReadLog(save / "debug.log"));
    EXPECT_NE(log.find("GameTest_SAVE/: 8 removed)"), std::string::npos) << log;
    EXPECT_EQ(log.find("RemoveLeftoverTempFiles"), log.rfind("RemoveLeftoverTempFiles")) << log;
}

TEST(GameStartupWiring, TheProgramsScreenListHasTheFifteenScreensInOrder)
{
    size_t count = 0;
    const GxGameScreen* list = GxGetGameScreenList(&count);
    ASSERT_EQ(count, std::size(kNames));
    for (size_t i = 0; i < count; ++i) EXPECT_EQ(U8(list[i].taskName), U8(kNames[i])) << i;
}

}  // namespace

namespace {

// Starting the story at a label, with the package that the start-up loaded.
TEST(GameStartupWiring, StartGameAtLabelStartsTheScriptAndChangesToTheMainScreen)
{
    StartedCore app([](const std::filesystem::path& game) {
        GxMoaPackageBuilder b;
        ASSERT_TRUE(b.AddScript(u"MAIN", "\n*start\n> Hello.\n")) << b.GetErrors();
        std::filesystem::create_directories(game / "bincode");
        b.WriteFile((game / "bincode" / "moacode.mwb").string());
    });
    GxTaskManage* tm = app.core->GetTaskManage();
    ASSERT_NE(g_MoaWorkerEx, nullptr) << "the start-up creates the script host";
    gametest::LogCapture log;

    // The start-up built the main play screen; hidden under another name, it is missing: the
    // label starts and the missing screen is logged.
    GxTaskBase* main = tm->FindTaskByName(u"SeqRukoMain");
    ASSERT_NE(main, nullptr);
    main->SetTaskName(u"SeqRukoMain (hidden)");
    GxStartGameAtLabel(app.core.get(), u"start");
    EXPECT_TRUE(g_MoaWorkerEx->IsRunning());
    EXPECT_EQ(log.Count("遷移先のシーケンスが見つかりません(SeqRukoMain)"), 1u);
    main->SetTaskName(u"SeqRukoMain");

    auto* bg = dynamic_cast<GxTaskLayer*>(tm->FindTaskByName(u"$BGLAYER:SeqRukoMain"));
    auto* cover = dynamic_cast<GxTaskActor*>(tm->FindTaskByName(u"$GLOBALFADE:SeqRukoMain"));
    ASSERT_NE(bg, nullptr);
    ASSERT_NE(cover, nullptr);
    cover->ClearAction();
    cover->SetAlpha(255);
    GxStartGameAtLabel(app.core.get(), u"nowhere");
    EXPECT_EQ(log.Count("スクリプトにラベル nowhere が存在しないため実行できません"), 1u);
    EXPECT_EQ(tm->GetPendingSequence(), main) << "a missing label is logged and the change still comes";
    EXPECT_EQ(bg->GetCurrentContent()->m_ContentFileName, app.core->GetSystemConfig()->m_FileCgBgDefault);
    EXPECT_FALSE(cover->GetActionQueue(0).empty() && cover->GetActionQueue(1).empty()) << "the cover fades out";
}

}  // namespace
