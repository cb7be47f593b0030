#include "app/GxGameScreens.h"

#include "game/GxMainScreen.h"
#include "seq/SeqCGMode.h"
#include "seq/SeqCGModeView.h"
#include "seq/SeqConfig.h"
#include "seq/SeqRukoLog.h"
#include "seq/SeqRukoMain.h"
#include "seq/SeqSystem.h"

namespace {

// Each screen joins this list with its constructor when it is built.
const GxGameScreen kScreens[] = {
    // One screen per line, in creation order.
    {u"SeqSystem", &SeqSystem::Create},
    {u"SeqBoot", nullptr},
    {u"SeqTitle", nullptr},
    {u"SeqOpening", nullptr},
    {u"SeqRukoMain", SeqRukoMainCreate},
    {u"SeqRukoLog", &SeqRukoLog::Create},
    {u"SeqConfig", &SeqConfig::Create},
    {u"SeqSave", nullptr},
    {u"SeqLoad", nullptr},
    {u"SeqQuickLoad", nullptr},
    {u"SeqCGMode", &SeqCGMode::Create},
    {u"SeqCGModeView", &SeqCGModeView::Create},
    {u"SeqRPMode", nullptr},
    {u"SeqBGMMode", nullptr},
    {u"SeqBmapSelect", nullptr},
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
    GxGetGameStartupServices().resetMainScreenFlags = [] {
        g_SystemDialogCount = 0;
        g_MainScreenFlags = GxMainScreenFlags();
    };
}
