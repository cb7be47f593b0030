#include "seq/SeqBmapSelect.h"

#include "app/GxCore.h"
#include "app/task/GxTaskManage.h"
#include "game/GxGameFunctions.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserData.h"
#include "graphics/GxGlobalRenderTarget.h"
#include "layer/GxNcFactory.h"
#include "layer/GxTaskLayer.h"
#include "moa/GxMoaScriptHost.h"
#include "ui/GxTaskUIBase.h"
#include "seq/SeqScreenCommon.h"

namespace {

constexpr const char16_t* kSetName = u"ui_bmap.gis";

}  // namespace

SeqBmapSelect::SeqBmapSelect(GxTaskBase* parent) : GxSeqTransitBase(u"SeqBmapSelect", parent)
{
    SetUIEventEnabled(true);
    const SeqScreenTree tree = SeqBuildScreenTree(this, u"SeqBmapSelect");
    m_Background = tree.background;
}

SeqBmapSelect::~SeqBmapSelect() = default;

GxTaskBase* SeqBmapSelect::Create(GxTaskBase* parent) { return new SeqBmapSelect(parent); }

void SeqBmapSelect::OnSequenceEnter()
{
    GxCore* core = GxGetCore();
    GxUserData* data = core ? core->GetUserData() : nullptr;
    if (data) data->SetRestoreSequence(u"SeqBmapSelect");
    const GxSystemConfig& sc = SeqSystemConfig();
    m_Background->LoadImage(sc.m_AssetFolder[kGxFolderCg] + u"uibmap/bg_bmap.png", 0);
    m_SetHeld = GxNcImageSetPool::Add(sc.m_AssetFolder[kGxFolderUiGis] + kSetName);
    if (data) data->ResetForBattleMap();
    // The story waits for a selection.
    if (g_MoaWorkerEx) g_MoaWorkerEx->Stop();
}

void SeqBmapSelect::OnSequenceLeave()
{
    GxSeqTransitBase::OnSequenceLeave();
    m_Background->Clear();
    if (m_SetHeld) GxNcImageSetPool::Release(SeqSystemConfig().m_AssetFolder[kGxFolderUiGis] + kSetName);
    m_SetHeld = false;
}

void SeqBmapSelect::CaptureThumbnail()
{
    // The reduction copies the render texture to memory itself.
    RenderSceneToGlobalTexture();
    CaptureSaveThumbnail();
}

int SeqBmapSelect::OnUIEventLeftDown(GxTaskUIBase* sender, GxUIEventParam* param)
{
    if (GxSeqTransitBase::OnUIEventLeftDown(sender, param) != 0) return 0;
    if (!sender) return 0;
    if (sender->IsKindOf(GxTaskKind::Button)) GxPlaySystemSound(0);
    GxTaskManage* tm = GetManager();
    if (SeqNameIs(sender, u"btn_save")) {
        CaptureThumbnail();
        if (tm) tm->ChangeSequenceByName(u"SeqSave", 0);
        return 1;
    }
    if (SeqNameIs(sender, u"btn_load")) {
        if (tm) tm->ChangeSequenceByName(u"SeqLoad", 0);
        return 1;
    }
    if (SeqNameIs(sender, u"btn_config")) {
        if (tm) tm->ChangeSequenceByName(u"SeqConfig", 0);
        return 1;
    }
    if (sender->GetLabel().empty()) return 0;
    GxStartGameAtLabel(GxGetCore(), sender->GetLabel());
    return 1;
}
