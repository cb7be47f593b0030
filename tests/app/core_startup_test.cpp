// Start-up, main loop and shutdown of the application object: the order of the steps, the
// install-path limit, the save-folder choice, the single-instance refusal and the failures that
// end start-up. Runs headless on temporary game folders.
#include <sys/file.h>
#include <fcntl.h>

#include "app/GxCore.h"
#include "app/GxCoreDevice.h"
#include "app/task/GxTaskManage.h"
#include "core/GxPackFile.h"
#include "graphics/GxResourceFactory.h"
#include "graphics/GxShaderEffect.h"
#include "layer/GxNcFactory.h"
#include "layer/GxNcImageSet.h"
#include "layer/GxNcProject.h"
#include "game/GxSystemConfig.h"
#include "moa/GxMoaCompilerLaunch.h"
#include "moa/GxMoaScriptHost.h"
#include "platform/GxHeadless.h"
#include "platform/GxSdlWindow.h"
#include "platform/GxTermination.h"
#include "seq/SeqSystem.h"
#include "tests/app/core_test_util.h"
#include "tests/support/GxMoaPackageBuilder.h"
#include "ui/GxTaskUIBase.h"
#include "tests/support/GxContentFixture.h"
#include "tests/support/GxNcWriter.h"

using namespace coretest;

namespace {

GxSdlWindowOptions Headless(const TempGame& g)
{
    GxSdlWindowOptions o;
    o.headless = true;
    o.lockFolder = g.locks.string();
    return o;
}

// Keeps the index order of the named steps in the trace.
void ExpectInOrder(const CoreSteps& trace, const std::vector<std::string>& steps)
{
    int last = -1;
    for (const std::string& s : steps) {
        int at = -1;
        for (size_t i = static_cast<size_t>(last + 1); i < trace.steps.size(); ++i) {
            if (trace.steps[i] == s) {
                at = static_cast<int>(i);
                break;
            }
        }
        EXPECT_GE(at, 0) << s << " missing or out of order";
        if (at >= 0) last = at;
    }
}

struct Started
{
    bool ok = false;
    std::vector<std::string> boxes;
    std::u16string saveFolder;
};

// Runs Initialize (and Finalize when it succeeded) in the game folder with the given documents
// folder.
Started StartOnce(const TempGame& g, const std::filesystem::path& cwd, const std::string& docs)
{
    ScopedCwd dir(cwd);
    ScopedEnv env("XDG_DOCUMENTS_DIR", docs);
    MessageBoxes boxes;
    RecordingDevice device;
    GxSdlWindowServices ws(Headless(g));
    EXPECT_TRUE(ws.Initialize());
    Started r;
    {
        GxCore core(&ws);
        GxSetCore(&core);
        r.ok = core.Initialize();
        r.saveFolder = core.GetSaveFolder();
        if (r.ok) core.Finalize();
        GxSetCore(nullptr);
    }
    GxFileCloseAllPacks();
    r.boxes = boxes.lines();
    return r;
}

TEST(CoreStartup, StepsRunInOrderAndTheLoopRunsExactlyTheFramesAsked)
{
    TempGame g;
    ScopedCwd dir(g.game);
    ScopedEnv env("XDG_DOCUMENTS_DIR", g.docs.string());
    MessageBoxes boxes;
    CoreSteps trace;
    RecordingDevice device;
    GxSdlWindowServices ws(Headless(g));
    ASSERT_TRUE(ws.Initialize());
    GxCore core(&ws);
    GxSetCore(&core);
    core.GetFrameTimer().SetUnpaced(true);
    ASSERT_TRUE(core.Initialize());
    EXPECT_TRUE(core.IsInitialized());
    EXPECT_TRUE(core.IsWindowCreated());
    EXPECT_EQ(core.GetTitle(), u"CoreTest");
    EXPECT_EQ(ws.GetClientRect(core.GetMainWindow()).right, 1024);
    EXPECT_EQ(ws.GetClientRect(core.GetMainWindow()).bottom, 768);
    ExpectInOrder(trace, {"CheckInstallPath", "GxSystemConfig::LoadSysConf", "GxSystemConfig::LoadSetting",
                          "FindWindowByClass", "GxUserConfig::SetDefault", "ChooseSaveFolder", "GxInitGameSettings",
                          "CreateManagers", "CreateMainWindow", "GxGraphics::Create", "Clear",
                          "GxInput::LoadKeyConfig", "GxSound::Create", "GxMovie::Create", "GxLoadGlobalGameData"});
    EXPECT_EQ(GxCoreDeviceGetScreenMode(), 0);
    EXPECT_EQ(g_GxCursorMode, 1);
    // Widgets reach the system screen's tip help through the hook start-up installs.
    EXPECT_EQ(GxGetUITipHelpHandler(), &SeqSystem::ShowTipHelp);

    // Five frames through the harness's frame count: the quit is requested after the fourth,
    // and the pass that sees it still runs its frame.
    GxHarnessOptions options;
    options.headless = true;
    options.exitAfterFrames = 5;
    GxHarness harness(options, &ws);
    core.SetHarness(&harness);
    trace.steps.clear();
    EXPECT_FALSE(core.Run());
    EXPECT_EQ(core.GetFrameCount(), 5u);
    EXPECT_EQ(trace.Count("Present"), 5);
    EXPECT_EQ(trace.Count("GxSound::Update"), 2) << "passes 0 and 4";
    EXPECT_EQ(trace.Count("GxMovie::Update"), 5);
    // One pass, in order.
    std::vector<std::string> pass(trace.steps.begin(), trace.steps.begin() + 8);
    EXPECT_EQ(pass, (std::vector<std::string>{"ExecuteChangeSequence", "PumpMessages", "GxSound::Update",
                                               "GxMovie::Update", "WaitFrame", "UpdateStep", "DrawRenderLayers",
                                               "Present"}));

    trace.steps.clear();
    core.Finalize();
    EXPECT_EQ(trace.steps,
              (std::vector<std::string>{"GxThreadManage::Stop", "GxTaskManage::EndSequence", "GxUserConfig::Save",
                                        "GxUserDataPerman::Save", "DeleteThreadManage", "Clear", "DeleteTaskManage",
                                        "GxReleaseGlobalFonts", "GxDestroyScriptHost", "DeleteGameObjects",
                                        "GxSound::Release", "GxMovie::Release", "GxInput::Release",
                                        "GxGraphics::Release"}));
    EXPECT_FALSE(core.IsInitialized());
    EXPECT_EQ(core.GetTaskManage(), nullptr);
    EXPECT_EQ(core.GetSystemConfig(), nullptr);
    EXPECT_FALSE(GxCoreDeviceExists());
    GxSetCore(nullptr);
    GxFileCloseAllPacks();
}

// The services start-up connects are there without a test installing them; a project nobody
// released holds the only reference to its image set, and the shutdown report names both
// before either is freed.
TEST(CoreShutdown, ServicesAreConnectedAndALeakedProjectAndItsImageSetAreBothReported)
{
    TempGame g;
    GxNcCrammedImageSet set;
    GxNcAddOriginImage(set, u"smile.png");
    ASSERT_TRUE(GxNcWriteFileBytes((g.game / "gnc" / "gis" / "face.gis").string(),
                                   GxNcImageSetToBytes(set, GxContentForm::Binary)));
    GxNcProjectEx project;
    project.m_ProjectName = u"main";
    project.m_ImageSetFileNameList.push_back(u"face.gis");
    ASSERT_TRUE(GxNcWriteFileBytes((g.game / "gnc" / "main.gnc").string(),
                                   GxNcProjectToBytes(project, GxContentForm::Binary)));

    ScopedCwd dir(g.game);
    ScopedEnv env("XDG_DOCUMENTS_DIR", g.docs.string());
    MessageBoxes boxes;
    RecordingDevice device;
    GxSdlWindowServices ws(Headless(g));
    ASSERT_TRUE(ws.Initialize());
    GxCore core(&ws);
    GxSetCore(&core);
    ASSERT_TRUE(core.Initialize());
    // Start-up connected the shader factory to the effect reader.
    WriteFile(g.game / "fx" / "plain.fx", "float4x4 World : WORLD;\ntechnique Plain { pass P0 { } }\n");
    GxShaderEffect* effect = GxGetShaderFactory().GetShader(u"fx/plain.fx", false);
    EXPECT_NE(effect, nullptr);
    if (effect) GxGetShaderFactory().ReleaseShader(effect);

    ASSERT_NE(GxGetNcProjectFactory().Get(u"gnc/main.gnc", u"gnc/gis", true), nullptr);
    ASSERT_NE(GxGetNcCrammedImageSetFactory().Find(u"gnc/gis/face.gis"), nullptr);

    GxContentLogCapture log;
    core.Finalize();
    const std::string logged = log.Joined();
    EXPECT_NE(logged.find("Warning/GxNcProjectFactory Object Not Released(gnc/main.gnc)\n"), std::string::npos)
        << logged;
    EXPECT_NE(logged.find("Warning/GxNcCrammedImageSetFactory Object Not Released(gnc/gis/face.gis)\n"),
              std::string::npos)
        << logged;
    EXPECT_EQ(GxGetNcProjectFactory().GetCount(), 0u);
    EXPECT_EQ(GxGetNcCrammedImageSetFactory().GetCount(), 0u);
    GxSetCore(nullptr);
    GxFileCloseAllPacks();
}

TEST(CoreStartup, InstallPathOf244CharactersStartsAnd245IsRefusedWithTheRealLimit)
{
    TempGame g;
    for (size_t length : {size_t(244), size_t(245)}) {
        SCOPED_TRACE(length);
        // A folder whose path with its trailing "/" has exactly this many characters.
        std::string path = g.root.string();
        size_t remaining = length - 1 - path.size();  // without the trailing "/"
        while (remaining > 0) {
            size_t take = std::min<size_t>(remaining, 61);
            if (remaining - take == 1) --take;  // never leave room for an empty component
            path += "/" + std::string(take - 1, 'd');
            remaining -= take;
        }
        ASSERT_EQ(path.size() + 1, length);
        std::filesystem::create_directories(path);
        WriteFile(std::filesystem::path(path) / "system" / "sysconf.ini", "APP_TITLE=CoreTest\nAPP_SAVEDIR=S\n");
        WriteFile(std::filesystem::path(path) / "bincode" / "moacode.mwb", EmptyScriptPackage());

        Started r = StartOnce(g, path, g.docs.string());
        if (length == 244) {
            EXPECT_TRUE(r.ok);
        } else {
            EXPECT_FALSE(r.ok);
            ASSERT_EQ(r.boxes.size(), 1u);
            EXPECT_EQ(r.boxes[0],
                      "MorvaneV2|インストール先のパスが長すぎます。\nお手数ですがもっと階層の浅いフォルダにインストール"
                      "してみてください。\n(インストール可能なパス最大長は244文字です)");
        }
    }
}

TEST(CoreStartup, SaveFolderChoice)
{
    struct Case
    {
        const char* name;
        std::string sysconf;
        std::string setting;
        bool makeExisting;    // the save folder exists beforehand
        bool docsIsFile;      // the documents folder cannot hold folders
        bool docsMissing;     // the documents folder does not exist yet
        const char* where;    // "docs", "game" or "" (none: the current directory)
        const char* notice;   // the expected message box, "" for none
    };
    const std::string base = "APP_TITLE=CoreTest\nAPP_SAVEDIR=Saves\n";
    const Case cases[] = {
        {"documents, new", base, "", false, false, false, "docs", "マイドキュメントにセーブフォルダ[%]を作成しました。"},
        {"documents, existing", base, "", true, false, false, "docs", ""},
        {"documents missing", base, "", false, false, true, "docs", "マイドキュメントにセーブフォルダ[%]を作成しました。"},
        {"install folder", base + "SAVE_TO_MYDOCUMENTS=0\n", "", false, false, false, "game",
         "インストールフォルダにセーブフォルダ[%]を作成しました。"},
        {"setting.ini overrides", base + "SAVE_TO_MYDOCUMENTS=1\n", "SaveToMyDocuments=0\n", true, false, false, "game",
         ""},
        {"cannot create", base, "", false, true, false, "", "セーブフォルダの作成に失敗しました。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempGame g(c.sysconf);
        if (!c.setting.empty()) WriteFile(g.game / "setting.ini", c.setting);
        std::filesystem::path docs = g.docs;
        if (c.docsMissing) docs = g.root / "home" / "Documents";
        if (c.docsIsFile) {
            docs = g.root / "plainfile";
            WriteFile(docs, "x");
        }
        const std::filesystem::path expected = std::string(c.where) == "docs" ? docs / "Saves"
                                               : std::string(c.where) == "game" ? g.game / "Saves"
                                                                                 : std::filesystem::path();
        if (c.makeExisting) std::filesystem::create_directories(expected);

        Started r = StartOnce(g, g.game, docs.string());
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(Utf8(r.saveFolder), expected.empty() ? "" : expected.string() + "/");
        std::string notice = c.notice;
        if (size_t at = notice.find('%'); at != std::string::npos) notice.replace(at, 1, expected.string());
        if (notice.empty()) {
            EXPECT_TRUE(r.boxes.empty());
        } else {
            ASSERT_EQ(r.boxes.size(), 1u);
            EXPECT_EQ(r.boxes[0], "CoreTest|" + notice);
        }
        // The logs are placed there: the game start-up logs the missing first screen.
        const std::filesystem::path log = (expected.empty() ? g.game : expected) / "error.log";
        std::string bytes;
        EXPECT_TRUE(ReadFile(log, bytes)) << log;
        EXPECT_FALSE(bytes.empty());
    }
}

TEST(CoreStartup, FatalFailuresStopStartUpWithAMessage)
{
    // No settings file.
    {
        TempGame g("");
        Started r = StartOnce(g, g.game, g.docs.string());
        EXPECT_FALSE(r.ok);
        ASSERT_EQ(r.boxes.size(), 1u);
        EXPECT_EQ(r.boxes[0].rfind("MorvaneV2|システム設定ファイルの読み込みに失敗しました。", 0), 0u) << r.boxes[0];
    }
    // A second instance: another process holds the title's lock.
    {
        TempGame g;
        GxSdlWindowServices other(Headless(g));
        int fd = open(other.GetInstanceLockPath(u"CoreTest").c_str(), O_RDWR | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
        Started r = StartOnce(g, g.game, g.docs.string());
        close(fd);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.boxes, (std::vector<std::string>{"CoreTest|既に起動中です"}));
        // Once the other one has gone, the program starts.
        EXPECT_TRUE(StartOnce(g, g.game, g.docs.string()).ok);
    }
    // The window cannot be made: start-up stops instead of building on a missing window.
    {
        TempGame g;
        ScopedCwd dir(g.game);
        ScopedEnv env("XDG_DOCUMENTS_DIR", g.docs.string());
        MessageBoxes boxes;
        CoreSteps trace;
        GxSdlWindowServices ws(Headless(g));  // never started: no window can be made
        {
            GxCore core(&ws);
            EXPECT_FALSE(core.Initialize());
            EXPECT_FALSE(core.IsWindowCreated());
        }
        EXPECT_EQ(trace.IndexOf("GxGraphics::Create"), -1);
        EXPECT_EQ(trace.IndexOf("GxLoadGlobalGameData"), -1);
        EXPECT_EQ(boxes.lines().back(), "CoreTest|メインウインドウの作成に失敗しました。");
        GxFileCloseAllPacks();
    }
    // The device cannot be made: it explains why, and start-up stops there.
    {
        TempGame g;
        ScopedCwd dir(g.game);
        ScopedEnv env("XDG_DOCUMENTS_DIR", g.docs.string());
        MessageBoxes boxes;
        CoreSteps trace;
        RecordingDevice failing(true);
        GxSdlWindowServices ws(Headless(g));
        ASSERT_TRUE(ws.Initialize());
        {
            GxCore core(&ws);
            GxSetCore(&core);
            EXPECT_FALSE(core.Initialize());
            EXPECT_TRUE(core.IsWindowCreated());
            GxSetCore(nullptr);
        }
        EXPECT_GE(trace.IndexOf("GxGraphics::Create"), 0);
        EXPECT_EQ(trace.IndexOf("Clear"), -1) << "nothing is drawn on a missing device";
        EXPECT_EQ(trace.IndexOf("GxLoadGlobalGameData"), -1);
        ASSERT_EQ(boxes.lines().size(), 2u);  // the save folder's notice, then the device's reason
        EXPECT_EQ(boxes.lines()[1].rfind("起動できません|Direct3Dの初期化に失敗しました", 0), 0u) << boxes.lines()[1];
        EXPECT_FALSE(GxCoreDeviceExists());
        GxFileCloseAllPacks();
    }
}

// A script package that does not read leaves the game without its story: start-up ends with a
// message naming the file, after undoing what it made, whether the package is missing or there
// but damaged. One that reads without the label MAIN starts as before.
TEST(CoreStartup, AScriptPackageThatDoesNotReadEndsStartUp)
{
    GxMoaPackageBuilder b;
    ASSERT_TRUE(b.AddScript(u"main.txt", "*PROLOGUE\n> hello\n")) << b.GetErrors();
    const std::string package = b.WritePackage();
    const std::string damaged = "CoreTest|スクリプトファイルの読み込みに失敗しました。\n[bincode/moacode.mwb]\nファイルが空か、壊れている可能性が"
                                "あります。";
    const std::string missing = "CoreTest|スクリプトファイルの読み込みに失敗しました。\n[bincode/moacode.mwb]\nファイルが見つかりません。";
    const struct
    {
        const char* name;
        bool present;
        std::string bytes;
        const std::string* message;  // none: it starts
    } cases[] = {
        {"missing", false, "", &missing},
        {"without MAIN", true, package, nullptr},
        {"empty", true, "", &damaged},
        {"truncated", true, package.substr(0, package.size() - 3), &damaged},
        {"not a package", true, "moacode", &damaged},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempGame g;
        const std::filesystem::path file = g.game / "bincode" / "moacode.mwb";
        if (c.present) WriteFile(file, c.bytes);
        else std::filesystem::remove(file);
        Started r = StartOnce(g, g.game, g.docs.string());
        EXPECT_EQ(r.ok, c.message == nullptr);
        if (c.message) {
            EXPECT_EQ(std::count(r.boxes.begin(), r.boxes.end(), *c.message), 1);
        } else {
            EXPECT_EQ(std::count(r.boxes.begin(), r.boxes.end(), damaged), 0);
            EXPECT_EQ(std::count(r.boxes.begin(), r.boxes.end(), missing), 0);
        }
        // What start-up made is gone; nothing was saved.
        EXPECT_EQ(g_MoaEx, nullptr);
        EXPECT_FALSE(GxCoreDeviceExists());
        EXPECT_EQ(std::filesystem::exists(g.docs / "CoreTest_SAVE" / "permanent.dat"), c.message == nullptr);
    }
}

// With AutoCompile on, the compiler runs before the package is read: a game folder without a
// package starts when the compiler leaves one in "bincode", and ends with the missing-package
// message when it does not (here a compiler that fails and writes nothing).
TEST(CoreStartup, TheCompilerRunsBeforeTheMissingPackageIsJudged)
{
    const std::string missing = "CoreTest|スクリプトファイルの読み込みに失敗しました。\n[bincode/moacode.mwb]\nファイルが見つかりません。";
    const struct
    {
        const char* name;
        bool writes;
        int exitCode;
    } cases[] = {{"compiles", true, 0}, {"fails", false, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempGame g;
        std::filesystem::remove(g.game / "bincode" / "moacode.mwb");
        WriteFile(g.game / "setting.ini", "AutoCompile=1\n");
        // The compiler gets the scripts folder, then the package folder.
        const std::filesystem::path made = g.root / "compiled.mwb";
        WriteFile(made, EmptyScriptPackage());
        const std::filesystem::path compiler = g.root / "moacgui.exe";
        WriteFile(compiler, "#!/bin/sh\n" + std::string(c.writes ? "cp '" + made.string() + "' \"$2/moacode.mwb\"\n" : "") +
                                "exit " + std::to_string(c.exitCode) + "\n");
        std::filesystem::permissions(compiler, std::filesystem::perms::owner_all);
        GxSetScriptCompilerCommand(compiler.string());
        Started r = StartOnce(g, g.game, g.docs.string());
        GxSetScriptCompilerCommand("");
        EXPECT_EQ(r.ok, c.writes);
        EXPECT_EQ(std::count(r.boxes.begin(), r.boxes.end(), missing), c.writes ? 0 : 1);
    }
}

// A signal while the first run's notice waits stops start-up there, with nothing written; one
// during the main loop ends it through the program's own quit, and shutdown saves as usual.
TEST(CoreStartup, ATerminationRequestStopsStartUpAtTheNoticeOrQuitsTheLoop)
{
    TempGame g;
    ScopedCwd dir(g.game);
    ScopedEnv env("XDG_DOCUMENTS_DIR", g.docs.string());
    RecordingDevice device;
    GxSdlWindowServices ws(Headless(g));
    ASSERT_TRUE(ws.Initialize());
    const std::filesystem::path saves = g.docs / "CoreTest_SAVE";
    {
        static std::vector<std::string> shown;
        shown.clear();
        GxSetMessageBoxHandler([](const std::u16string&, const std::u16string& text) {
            shown.push_back(Utf8(text));
            GxRequestTermination();  // arrives while the box waits
        });
        GxCore core(&ws);
        GxSetCore(&core);
        EXPECT_FALSE(core.Initialize());
        EXPECT_TRUE(core.IsStartCancelled());
        EXPECT_FALSE(core.IsWindowCreated());
        GxSetCore(nullptr);
        GxSetMessageBoxHandler(nullptr);
        GxClearTerminationRequest();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].rfind("マイドキュメントにセーブフォルダ[", 0), 0u) << shown[0];
    }
    EXPECT_TRUE(std::filesystem::is_directory(saves));
    EXPECT_FALSE(std::filesystem::exists(saves / "userconf.dat"));
    EXPECT_FALSE(std::filesystem::exists(saves / "permanent.dat"));

    MessageBoxes boxes;
    GxCore core(&ws);
    GxSetCore(&core);
    core.GetFrameTimer().SetUnpaced(true);
    ASSERT_TRUE(core.Initialize());
    EXPECT_FALSE(core.IsStartCancelled());
    // A frame limit far off, so that a loop that missed the request still ends.
    GxHarnessOptions options;
    options.headless = true;
    options.exitAfterFrames = 50;
    GxHarness harness(options, &ws);
    core.SetHarness(&harness);
    GxRequestTermination();
    EXPECT_FALSE(core.Run());
    GxClearTerminationRequest();
    EXPECT_EQ(core.GetFrameCount(), 1u) << "the pass that sees the quit still runs its frame";
    core.Finalize();
    GxSetCore(nullptr);
    GxFileCloseAllPacks();
    EXPECT_TRUE(std::filesystem::exists(saves / "userconf.dat"));
    EXPECT_TRUE(std::filesystem::exists(saves / "permanent.dat"));
}

TEST(CoreStartup, SingleInstanceLockIsHeldUntilTheServicesGo)
{
    TempGame g;
    auto a = std::make_unique<GxSdlWindowServices>(Headless(g));
    GxSdlWindowServices b(Headless(g));
    EXPECT_FALSE(a->FindWindowByClass(u"名前/with slash"));  // free: a takes it
    EXPECT_FALSE(a->FindWindowByClass(u"名前/with slash"));  // its own lock
    EXPECT_TRUE(b.FindWindowByClass(u"名前/with slash"));
    EXPECT_FALSE(b.FindWindowByClass(u"another title"));
    EXPECT_EQ(a->GetInstanceLockPath(u"a/b").find("/", g.locks.string().size() + 1), std::string::npos);
    a.reset();
    EXPECT_FALSE(b.FindWindowByClass(u"名前/with slash"));
}

}  // namespace
