#include "game/GxGameStartup.h"

#include <chrono>
#include <ctime>

#include "app/GxCore.h"
#include "app/GxDebugConsole.h"
#include "app/task/GxTaskManage.h"
#include "core/GxFileCache.h"
#include "core/GxLog.h"
#include "core/GxRandom.h"
#include "game/DBBGMMode.h"
#include "game/DBCGMode.h"
#include "game/DBEffect.h"
#include "game/DBRPMode.h"
#include "game/DBRukoChar.h"
#include "game/DBUILayout.h"
#include "game/DBUIModule.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserConfig.h"
#include "game/GxUserDataPerman.h"
#include "graphics/GxFontGlobals.h"
#include "graphics/GxGlobalRenderTarget.h"
#include "layer/GxNcFactory.h"
#include "graphics/GxGraphicsSettings.h"
#include "graphics/GxShaderEffect.h"

int32_t g_GxBgmRestrainPercent = 100;

namespace {
uint32_t ClockSeed()
{
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::steady_clock::now().time_since_epoch()).count();
    return static_cast<uint32_t>(std::time(nullptr)) + static_cast<uint32_t>(ms);
}
}  // namespace

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
    g_GxRequestScreenWidth = 1024;
    g_GxRequestScreenHeight = 768;
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
    // The second files add their rows to the first ones ("*" IDs go on after them).
    GxGetDBUIModule().Load(u"data/db_uimodule_bmap.txt");
    GxGetDBUILayout().Load(u"data/db_uilayout_bmap.txt");
}

bool GxLoadGlobalGameData(GxCore* core)
{
    GxSystemConfig* sc = core->GetSystemConfig();
    if (sc && sc->m_SkipSlightError) GxSetSkipSlightError(true);
    GxSetDebugListener(&GxGetDebugConsole());
    GxInstallShaderEffectMaker();
    if (core->GetWindowServices()) core->GetWindowServices()->SetCursor(GxSystemCursor::Arrow);
    g_GxBgmRestrainPercent = 100;
    GxLoadGameTables();

    GxNcImageSetPool::ReleaseAll();
    GxCreateGlobalRenderTargets();
    if (sc) GxLoadGlobalFonts(sc->m_AssetFolder[kGxFolderFonts], sc->m_FontSize, sc->m_MeswinTextBuiltinFontName);

    // What the player kept across plays and the options; a first run has neither.
    if (GxUserDataPerman* perman = core->GetUserDataPerman()) 
        perman->Load(core->GetSaveFolder() + u"permanent.dat");
    if (GxUserConfig* options = core->GetUserConfig()) options->Load(core);

    GxTaskManage* tm = core->GetTaskManage();
    new GxTaskBase(tm);  // the root task; the task manager deletes the tree
    if (GxTaskBase* system = tm->FindTaskByName(u"SeqSystem")) tm->SetPersistentRoot(system);
    if (GxTaskBase* boot = tm->FindTaskByName(u"SeqBoot")) tm->ChangeSequence(boot, 0);
    else GxPrintErrorLog(u"遷移先のシーケンスが見つかりません(%s)\n", u"SeqBoot");

    GxSRand(ClockSeed());
    GxRandomSeed(ClockSeed());
    GxFileCacheSetEnabled(true);
    return true;
}

void GxReleaseGlobalFonts() { GxUnloadGlobalFonts(); }
