#include "app/GxGameScreens.h"

#include "game/GxKeptData.h"
#include "game/GxMainScreen.h"
#include "seq/SeqBGMMode.h"
#include "seq/SeqBmapSelect.h"
#include "seq/SeqBoot.h"
#include "seq/SeqCGMode.h"
#include "seq/SeqCGModeView.h"
#include "seq/SeqConfig.h"
#include "seq/SeqLoad.h"
#include "seq/SeqOpening.h"
#include "seq/SeqQuickLoad.h"
#include "seq/SeqRPMode.h"
#include "seq/SeqRukoLog.h"
#include "seq/SeqRukoMain.h"
#include "seq/SeqSave.h"
#include "seq/SeqSystem.h"
#include "seq/SeqTitle.h"

namespace {

const GxGameScreen kScreens[] = {
    // One screen per line, in creation order.
    {u"SeqSystem", &SeqSystem::Create},
    {u"SeqBoot", &SeqBoot::Create},
    {u"SeqTitle", &SeqTitle::Create},
    {u"SeqOpening", &SeqOpening::Create},
    {u"SeqRukoMain", SeqRukoMainCreate},
    {u"SeqRukoLog", &SeqRukoLog::Create},
    {u"SeqConfig", &SeqConfig::Create},
    {u"SeqSave", &SeqSave::Create},
    {u"SeqLoad", &SeqLoad::Create},
    {u"SeqQuickLoad", &SeqQuickLoad::Create},
    {u"SeqCGMode", &SeqCGMode::Create},
    {u"SeqCGModeView", &SeqCGModeView::Create},
    {u"SeqRPMode", &SeqRPMode::Create},
    {u"SeqBGMMode", &SeqBGMMode::Create},
    {u"SeqBmapSelect", &SeqBmapSelect::Create},
};

}  // namespace

const GxGameScreen* GxGetGameScreenList(size_t* count)
{
    if (count) *count = sizeof(kScreens) / sizeof(kScreens[0]);
    return kScreens;
}

void GxInstallGameScreens()
{
    size_t count = 0;
    const GxGameScreen* list = GxGetGameScreenList(&count);
    GxSetGameScreens(list, count);
    // Writes of the options and kept data between saves report through the system screen.
    GxSetKeptDataReport(&SeqSave::ShowKeptDataFailure);
    GxGetGameStartupServices().resetMainScreenFlags = [] {
        g_SystemDialogCount = 0;
        g_MainScreenFlags = GxMainScreenFlags();
    };
}
