#include "game/GxGameStartup.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string_view>
#include <vector>

#include "app/DBUILayout.h"
#include "app/DBUIModule.h"
#include "app/GxCore.h"
#include "app/GxDebugConsole.h"
#include "app/task/GxTaskManage.h"
#include "core/GxFile.h"
#include "core/GxFileCache.h"
#include "core/GxLog.h"
#include "core/GxRandom.h"
#include "core/GxString.h"
#include "game/DBBGMMode.h"
#include "game/DBCGMode.h"
#include "game/DBEffect.h"
#include "game/DBRPMode.h"
#include "game/DBRukoChar.h"
#include "game/GxGameCommand.h"
#include "game/GxGameLookup.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserConfig.h"
#include "game/GxUserDataPerman.h"
#include "graphics/GxGlobalRenderTarget.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsSettings.h"
#include "graphics/GxShaderEffect.h"
#include "layer/GxNcFactory.h"
#include "moa/GxMoaCompilerLaunch.h"
#include "moa/GxMoaScriptHost.h"
#include "platform/GxPosixSafeWrite.h"
#include "platform/GxPresentRect.h"

int32_t g_GxBgmRestrainPercent = 100;

namespace {

const GxGameScreen* g_Screens = nullptr;
size_t g_ScreenCount = 0;

uint32_t ClockSeed()
{
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::steady_clock::now().time_since_epoch()).count();
    return static_cast<uint32_t>(std::time(nullptr)) + static_cast<uint32_t>(ms);
}

void ShowArrowCursor(GxCore* core)
{
    if (core->GetWindowServices()) core->GetWindowServices()->SetCursor(GxSystemCursor::Arrow);
}

void LoadFonts(const std::u16string& folder, const int32_t (&sizes)[GX_GDIFONTMAP_COUNT], const std::u16string& name)
{
    GxReleaseGlobalFonts();
    GxLoadGlobalFonts(folder, sizes, name);
}

bool LoadPermanentData(GxCore* core)
{
    GxUserDataPerman* perman = core->GetUserDataPerman();
    return perman && perman->Load(core->GetSaveFolder() + u"permanent.dat");
}

bool LoadOptions(GxCore* core)
{
    GxUserConfig* options = core->GetUserConfig();
    return options && options->Load(core);
}

bool SameName(std::string_view a, std::string_view b, bool foldCase)
{
    if (a.size() != b.size()) return false;
    const auto fold = [foldCase](char c) { return foldCase && c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    for (size_t i = 0; i < a.size(); ++i)
        if (fold(a[i]) != fold(b[i])) return false;
    return true;
}

// "<prefix>NNN<suffix>": a slot's file name as "%03d" spells it.
bool IsSlotName(std::string_view name, std::string_view prefix, std::string_view suffix, bool foldCase)
{
    if (name.size() != prefix.size() + 3 + suffix.size()) return false;
    for (char c : name.substr(prefix.size(), 3))
        if (c < '0' || c > '9') return false;
    return SameName(name.substr(0, prefix.size()), prefix, foldCase) &&
           SameName(name.substr(prefix.size() + 3), suffix, foldCase);
}

// The names that the save folder's writers leave when they are killed mid-write: the atomic
// writer's temporary file beside each data file (named after the existing file, which the writer
// finds without regard to case), and the thumbnail's picture before it is copied into place.
bool IsLeftoverTempName(std::string_view name, std::string_view quickSave)
{
    if (IsSlotName(name, "thumb", ".png.part", false)) return true;
    std::string_view target;
    if (!GxPosixIsTempBesideName(name, target)) return false;
    for (std::string_view data : {std::string_view("userconf.dat"), std::string_view("permanent.dat"),
                                  std::string_view("permanent.dat.bak"), quickSave}) {
        if (!data.empty() && SameName(target, data, true)) return true;
    }
    return IsSlotName(target, "gamedata", ".gd", true) || IsSlotName(target, "thumb", ".png", true);
}

// One instance runs per game (the start-up's lock), so no writer of this folder is alive now:
// whatever temporary file it holds was left by a run that ended mid-write and is never read.
void RemoveLeftoverTempFiles(const std::u16string& saveFolder, const std::u16string& quickSaveName)
{
    if (saveFolder.empty()) return;
    const std::string quickSave = GxWideToUtf8(quickSaveName);
    std::string folder;
    std::vector<std::string> names;
    if (!GxPosixListFiles(saveFolder, folder, names)) return;
    int32_t removed = 0, kept = 0;
    for (const std::string& name : names) {
        if (!IsLeftoverTempName(name, quickSave)) continue;
        if (GxPosixRemove(folder + "/" + name)) ++removed;
        else ++kept;
    }
    if (kept) {
        GxPrintErrorLog(u"Warning/GxLoadGlobalGameData RemoveLeftoverTempFiles(%s: %d removed, %d could not be removed)\n",
                        saveFolder, removed, kept);
    } else if (removed) {
        GxPrintDebugLog(u"GxLoadGlobalGameData RemoveLeftoverTempFiles(%s: %d removed)\n", saveFolder, removed);
    }
}

const char16_t kScriptPackage[] = u"bincode/moacode.mwb";

void ReportUnreadablePackage(GxCore* core)
{
    if (!GxFileExists(kScriptPackage)) {
        GxPrintErrorLog(u"Error/GxLoadGlobalGameData The script package does not exist(%s)\n", kScriptPackage);
        GxShowMessageBox(core->GetTitle(), u"スクリプトファイルの読み込みに失敗しました。\n[%s]\nファイルが見つかりません。",
                         kScriptPackage);
        return;
    }
    GxPrintErrorLog(u"Error/GxLoadGlobalGameData Cannot read the script package(%s)\n", kScriptPackage);
    GxShowMessageBox(core->GetTitle(),
                     u"スクリプトファイルの読み込みに失敗しました。\n[%s]\nファイルが空か、壊れている可能性があります。",
                     kScriptPackage);
}

}  // namespace

GxGameStartupServices GxDefaultGameStartupServices()
{
    GxGameStartupServices s{};
    s.setSkipSlightError = &GxSetSkipSlightError;
    s.setDebugListener = [] { GxSetDebugListener(&GxGetDebugConsole()); };
    s.launchScriptCompiler = &GxLaunchScriptCompiler;
    s.showArrowCursor = &ShowArrowCursor;
    s.resetMainScreenFlags = nullptr;
    s.releaseImageSets = &GxNcImageSetPool::ReleaseAll;
    s.createRenderTargets = [] { GxCreateGlobalRenderTargets(); };
    s.loadTables = &GxLoadGameTables;
    s.loadFonts = &LoadFonts;
    s.createScriptHost = [](GxCore* core) {
        GxInstallGameScriptHooks();
        GxCreateScriptHost(core);
    };
    s.loadCompiledScript = &GxLoadCompiledScript;
    s.addImageSet = &GxNcImageSetPool::Add;
    s.loadAllEffects = &GxNcEffectPool::LoadAllEffect;
    s.loadPermanentData = &LoadPermanentData;
    s.loadOptions = &LoadOptions;
    s.changeScreenMode = [](int32_t mode) { return GxGraphics::GetDevice() && GxGraphics::ChangeScreenMode(mode); };
    s.seedClock = &ClockSeed;
    s.seedRuntimeRandom = [](uint32_t seed) { GxSRand(seed); };
    s.seedEngineRandom = [](uint32_t seed) { GxRandomSeed(seed); };
    s.setFileCache = &GxFileCacheSetEnabled;
    return s;
}

GxGameStartupServices& GxGetGameStartupServices()
{
    static GxGameStartupServices services = GxDefaultGameStartupServices();
    return services;
}

void GxSetGameScreens(const GxGameScreen* screens, size_t count)
{
    g_Screens = screens;
    g_ScreenCount = screens ? count : 0;
}

void GxInitGameSettings(GxCore* core)
{
    GxDeleteDeviceLog();
    if (core->GetSystemConfig() && core->GetSystemConfig()->m_CleanErrorLog) {
        GxDeleteDebugLog();
        GxDeleteErrorLog();
    }
    g_GxCursorMode = 1;
    // Window mode, 1024 x 768 back buffer, 60 Hz, 32-bit colour, 24-bit depth, flip.
    GxGetGraphicsSettings().SetStartupValues();
    g_GxRequestScreenWidth = kGxLogicalScreenWidth;
    g_GxRequestScreenHeight = kGxLogicalScreenHeight;
    core->GetFrameTimer().SetWaitRate(60);
    core->GetFrameTimer().SetStepRate(60);
}

void GxLoadGameTables()
{
    // A table that fails keeps what it read; its loader has logged why.
    GxGetDBRukoChar().Load(u"data/db_rukochar.txt");
    GxGetDBBGMMode().Load(u"data/db_bgmmode.txt");
    GxGetDBCGMode().Load(u"data/db_cgmode.txt");
    GxGetDBCGModeParam().Load(u"data/db_cgmode.txt");
    GxGetDBRPMode().Load(u"data/db_rpmode.txt");
    GxGetDBUIModule().Load(u"data/db_uimodule.txt");
    GxGetDBUILayout().Load(u"data/db_uilayout.txt");
    GxGetDBEffect().Load(u"data/db_effect.txt");
    GxSplitCGModeFileNames();
    // The second files add their rows to the first ones ("*" IDs go on after them).
    GxGetDBUIModule().Load(u"data/db_uimodule_bmap.txt");
    GxGetDBUILayout().Load(u"data/db_uilayout_bmap.txt");
}

bool GxLoadGlobalGameData(GxCore* core)
{
    const GxGameStartupServices& s = GxGetGameStartupServices();
    const GxSystemConfig defaults;
    const GxSystemConfig& sc = core->GetSystemConfig() ? *core->GetSystemConfig() : defaults;

    if (sc.m_SkipSlightError) s.setSkipSlightError(true);
    s.setDebugListener();
    // The effect maker the layers draw screen effects with is the engine's own, not a step.
    GxInstallShaderEffectMaker();
    if (sc.m_AutoCompile) s.launchScriptCompiler();
    s.showArrowCursor(core);
    if (s.resetMainScreenFlags) s.resetMainScreenFlags();

    s.releaseImageSets();
    s.createRenderTargets();
    GxSetCore(core);
    g_GxBgmRestrainPercent = 100;
    s.loadTables();

    s.loadFonts(sc.m_AssetFolder[kGxFolderFonts], sc.m_FontSize, sc.m_MeswinTextBuiltinFontName);
    s.createScriptHost(core);
    // Without a package that reads the game has no story: the title would lead to a black
    // screen with nothing to tell the player why. The compiler (when asked for) has run by now,
    // so what it made is what is read here.
    if (!s.loadCompiledScript()) {
        ReportUnreadablePackage(core);
        return false;
    }
    const std::u16string& uiSets = sc.m_AssetFolder[kGxFolderUiGis];
    for (const char16_t* set : {u"ui_common.gis", u"ui_rukomain.gis", u"ui_iconpool.gis"}) s.addImageSet(uiSets + set);
    s.loadAllEffects(sc.m_AssetFolder[kGxFolderGnc], sc.m_AssetFolder[kGxFolderGncGis]);

    // What the player kept across plays and the options; a first run has neither.
    RemoveLeftoverTempFiles(core->GetSaveFolder(), sc.m_QuickSaveFileName);
    s.loadPermanentData(core);
    s.loadOptions(core);
    GxUserConfig* options = core->GetUserConfig();
    if (options && options->m_ScreenMode == 1 && !s.changeScreenMode(2)) options->m_ScreenMode = 0;

    GxTaskManage* tm = core->GetTaskManage();
    GxTaskBase* root = new GxTaskBase(tm);  // the task manager deletes the tree
    for (size_t i = 0; i < g_ScreenCount; ++i) {
        if (g_Screens[i].create) g_Screens[i].create(root);
        // The system screen outlives every sequence change.
        if (i == 0) {
            if (GxTaskBase* system = tm->FindTaskByName(u"SeqSystem")) tm->SetPersistentRoot(system);
        }
    }
    if (GxTaskBase* boot = tm->FindTaskByName(u"SeqBoot")) tm->ChangeSequence(boot, 0);
    else GxPrintErrorLog(u"遷移先のシーケンスが見つかりません(%s)\n", u"SeqBoot");

    s.seedRuntimeRandom(s.seedClock());
    s.seedEngineRandom(s.seedClock());
    s.setFileCache(true);
    return true;
}

void GxReleaseGlobalFonts() { GxUnloadGlobalFonts(); }
