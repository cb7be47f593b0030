#include "app/GxGameScreens.h"

#include "seq/SeqBoot.h"
#include "seq/SeqOpening.h"
#include "seq/SeqSystem.h"
#include "seq/SeqTitle.h"

namespace {

// Each screen joins this list with its constructor when it is built.
const GxGameScreen kScreens[] = {
    {u"SeqSystem", nullptr},   {u"SeqBoot", &SeqBoot::Create}, {u"SeqTitle", &SeqTitle::Create}, {u"SeqOpening", &SeqOpening::Create},
    {u"SeqRukoMain", nullptr}, {u"SeqRukoLog", nullptr},  {u"SeqConfig", nullptr},  {u"SeqSave", nullptr},
    {u"SeqLoad", nullptr},     {u"SeqQuickLoad", nullptr}, {u"SeqCGMode", nullptr}, {u"SeqCGModeView", nullptr},
    {u"SeqRPMode", nullptr},   {u"SeqBGMMode", nullptr},  {u"SeqBmapSelect", nullptr},
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
