#include "seq/SeqQuickLoad.h"

#include "app/GxCore.h"
#include "app/task/GxTaskManage.h"
#include "core/GxFile.h"
#include "core/GxFrameTimer.h"
#include "core/GxLog.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserData.h"
#include "layer/GxTaskLayer.h"

SeqQuickLoad::SeqQuickLoad(GxTaskBase* parent) : GxSeqTransitBase(u"SeqQuickLoad", parent)
{
    SetUIEventEnabled(true);
    auto* root = new GxTaskFolder(u"$ROOT:SeqQuickLoad", nullptr, 0, this);
    new GxTaskFolder(u"$UI:SeqQuickLoad", nullptr, 0, root);
    auto* background = new GxTaskLayer(u"$BGLAYER:SeqQuickLoad", nullptr, 0, root);
    background->SetOrderZ(-10.0f);
}

GxTaskBase* SeqQuickLoad::Create(GxTaskBase* parent) { return new SeqQuickLoad(parent); }

void SeqQuickLoad::OnSequenceEnter()
{
    m_Count = 0;
    m_Done = false;
}

void SeqQuickLoad::OnSequenceLeave()
{
    GxSeqTransitBase::OnSequenceLeave();
    if (GxCore* core = GxGetCore()) core->GetFrameTimer().ResetTime();
}

int SeqQuickLoad::Update(int32_t step, int64_t elapsed)
{
    GxSeqTransitBase::Update(step, elapsed);  // the pending UI events
    // Once per entry, even when more updates run before the change takes effect.
    if (m_Count > kLoadAfterUpdates && !m_Done) {
        m_Done = true;
        LoadQuickSave();
        GxCore* core = GxGetCore();
        GxTaskManage* tm = GetManager();
        if (core && tm) tm->ChangeSequenceByNameStr(core->GetUserData()->GetRestoreSequence());
    }
    ++m_Count;
    return 0;
}

bool SeqQuickLoad::LoadQuickSave()
{
    GxCore* core = GxGetCore();
    GxUserData* data = core ? core->GetUserData() : nullptr;
    const GxSystemConfig* sc = core ? core->GetSystemConfig() : nullptr;
    if (!data || !sc) return false;
    const std::u16string path = core->GetSaveFolder() + sc->m_QuickSaveFileName;
    if (!GxDiskFileExists(path)) return false;
    // A quick save that fails its check leaves the game as it was.
    if (!data->LoadGameData(path, true)) {
        GxPrintErrorLog(u"SeqQuickLoad::LoadQuickSave/ロードに失敗しました(%s)\n", path);
        return false;
    }
    return true;
}
