#include "app/GxGameScreens.h"

#include "seq/SeqBGMMode.h"
#include "seq/SeqBmapSelect.h"
#include "seq/SeqCGMode.h"
#include "seq/SeqCGModeView.h"
#include "seq/SeqRPMode.h"
#include "seq/SeqSystem.h"

namespace {

// Each screen joins this list with its constructor when it is built.
const GxGameScreen kScreens[] = {
    {u"SeqSystem", nullptr},   {u"SeqBoot", nullptr},     {u"SeqTitle", nullptr},   {u"SeqOpening", nullptr},
    {u"SeqRukoMain", nullptr}, {u"SeqRukoLog", nullptr},  {u"SeqConfig", nullptr},  {u"SeqSave", nullptr},
    {u"SeqLoad", nullptr},     {u"SeqQuickLoad", nullptr},
    {u"SeqCGMode", &SeqCGMode::Create}, {u"SeqCGModeView", &SeqCGModeView::Create},
    {u"SeqRPMode", &SeqRPMode::Create}, {u"SeqBGMMode", &SeqBGMMode::Create},
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
    GxGetGameStartupServices().resetMainScreenFlags = [] { g_SystemDialogCount = 0; };
}
