#include "seq/SeqTitle.h"

#include <typeinfo>

#include "app/GxCore.h"
#include "app/task/GxTaskManage.h"
#include "core/GxDrawKey.h"
#include "core/GxLog.h"
#include "game/GxGameFunctions.h"
#include "game/GxMainScreen.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserData.h"
#include "game/GxUserDataPerman.h"
#include "layer/GxNcFactory.h"
#include "layer/GxTaskLayer.h"
#include "moa/GxMoaScriptHost.h"
#include "ui/GxTaskUIBase.h"
#include "seq/SeqScreenCommon.h"

namespace {

constexpr int32_t kExtraUnlockedBit = 10;

std::u16string TitleImageSet() { return SeqSystemConfig().m_AssetFolder[kGxFolderUiGis] + u"ui_title.gis"; }

}  // namespace

GxTaskUIBase* SeqTitle::FindTitleButton(const char16_t* localName)
{
    // The buttons are named locally in their folder (that is how presses are told apart); a
    // layout row may give a task name instead.
    GxTaskManage* tm = GetManager();
    if (!tm) return nullptr;
    GxTaskBase* found = nullptr;
    if (auto* folder = dynamic_cast<GxTaskFolder*>(tm->FindTaskByName(u"$UI:SeqTitle")))
        found = folder->FindTaskLocal(localName, 0);
    if (!found) found = tm->FindTaskByName(localName);
    return dynamic_cast<GxTaskUIBase*>(found);
}

SeqTitle::SeqTitle(GxTaskBase* parent) : GxSeqTransitBase(u"SeqTitle", parent)
{
    SetUIEventEnabled(true);
    const SeqScreenTree tree = SeqBuildScreenTree(this, u"SeqTitle");
    m_Layer = tree.background;
}

void SeqTitle::OnSequenceEnter()
{
    GxSeqTransitBase::OnSequenceEnter();
    const GxSystemConfig& sc = SeqSystemConfig();
    m_Layer->LoadImage(sc.m_AssetFolder[kGxFolderCgUi] + u"bg_title.png", 0);
    GxNcImageSetPool::Add(TitleImageSet());

    GxCore* core = GxGetCore();
    // The music is the title's own business below: a return to the title keeps it playing.
    if (GxUserData* data = core ? core->GetUserData() : nullptr) data->ResetForNewGame(false);
    SeqPlayScreenMusic(sc.m_BgmNameTitle, sc.m_BgmLoopTitle);

    const GxUserDataPerman* perman = core ? core->GetUserDataPerman() : nullptr;
    const bool extra = perman && (perman->m_ExtraOption & (1u << kExtraUnlockedBit)) != 0;
    if (GxTaskUIBase* button = FindTitleButton(u"btn_title_extra")) button->SetEnabled(extra);
}

void SeqTitle::OnSequenceLeave()
{
    GxSeqTransitBase::OnSequenceLeave();
    m_Layer->Clear();
    GxNcImageSetPool::Release(TitleImageSet());
}

bool SeqTitle::AppendDrawKey(GxDrawKey& key, int32_t param, int32_t layer)
{
    (void)layer;
    return typeid(*this) == typeid(SeqTitle) && AppendTransitDrawKey(key, param);
}

int SeqTitle::OnUIEventLeftDown(GxTaskUIBase* sender, GxUIEventParam* param)
{
    if (GxSeqBase::OnUIEventLeftDown(sender, param)) return 1;
    if (!sender) return 0;
    const std::u16string& name = sender->GetTaskLocalName();
    static const char16_t* const kButtons[] = {u"btn_title_start", u"btn_title_load",   u"btn_title_visual",
                                               u"btn_title_event", u"btn_title_music",  u"btn_title_config",
                                               u"btn_title_extra", u"btn_title_exit"};
    bool known = false;
    for (const char16_t* b : kButtons) known = known || name == b;
    if (!known) return 0;
    // Widgets carry no press-sound flag of their own: every title button sounds its press.
    GxPlaySystemSound(0);

    GxTaskManage* tm = GetManager();
    GxCore* core = GxGetCore();
    if (name == u"btn_title_start") {
        if (!g_MoaWorkerEx || !g_MoaWorkerEx->StartAtLabel(u"MAIN", nullptr))
            GxPrintErrorLog(u"スクリプトにラベル MAIN が存在しないため実行できません\n");
        if (tm) tm->ChangeSequenceByName(kGxMainScreenName, 0);
    } else if (name == u"btn_title_load") {
        if (tm) tm->ChangeSequenceByName(u"SeqLoad", 0);
    } else if (name == u"btn_title_visual") {
        if (tm) tm->ChangeSequenceByName(u"SeqCGMode", 0);
    } else if (name == u"btn_title_event") {
        if (tm) tm->ChangeSequenceByName(u"SeqRPMode", 0);
    } else if (name == u"btn_title_music") {
        if (tm) tm->ChangeSequenceByName(u"SeqBGMMode", 0);
    } else if (name == u"btn_title_config") {
        if (tm) tm->ChangeSequenceByName(u"SeqConfig", 0);
    } else if (name == u"btn_title_extra") {
        GxStartGameAtLabel(core, SeqSystemConfig().m_LabelNameExtra);
    } else {
        // The system screen owns the quit dialog and answers its window's close.
        if (GxTaskBase* system = tm ? tm->FindTaskByName(u"SeqSystem") : nullptr) system->OnClose();
    }
    return 1;
}

GxTaskBase* SeqTitle::Create(GxTaskBase* parent) { return new SeqTitle(parent); }
