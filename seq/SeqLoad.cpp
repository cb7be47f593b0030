#include "seq/SeqLoad.h"

#include "app/GxCore.h"
#include "app/task/GxTaskManage.h"
#include "core/GxFrameTimer.h"
#include "core/GxLog.h"
#include "game/GxGameFunctions.h"
#include "seq/SeqScreenCommon.h"
#include "ui/GxTaskUIBase.h"

namespace {

const SeqSaveLoadBase::Texts kTexts = {u"SeqLoad", u"bg_load.png", u"LOADCONFIRM", u"ロードしますか？"};
constexpr int32_t kSoundLoaded = 3;

}  // namespace

SeqLoad::SeqLoad(GxTaskBase* parent) : SeqSaveLoadBase(kTexts, parent) { m_DisableEmptyPlates = true; }

GxTaskBase* SeqLoad::Create(GxTaskBase* parent) { return new SeqLoad(parent); }

int SeqLoad::OnUIEventLeftDown(GxTaskUIBase* sender, GxUIEventParam* param)
{
    if (GxSeqTransitBase::OnUIEventLeftDown(sender, param) != 0) return 0;
    if (!sender) return 0;
    bool taken = false;
    if (const int32_t slot = TakeConfirmation(sender, &taken)) {
        GxCore* core = Core();
        GxTaskManage* tm = GetManager();
        if (!LoadFromSlot(slot)) {
            SeqShowFailure(this, u"LOADERROR", u"ロードに失敗しました");
        } else if (tm && core) {
            tm->ChangeSequenceByNameStr(core->GetUserData()->GetRestoreSequence());
            GxPlaySystemSound(kSoundLoaded);
            // The time spent loading is not caught up.
            core->GetFrameTimer().ResetTime();
        }
    }
    if (taken || SeqCloseFailure(this, sender)) return 1;
    PlayPushSound(sender);
    if (OnPageButton(sender) || OnPlate(sender) || OnBackButton(sender)) return 1;
    return 0;
}

bool SeqLoad::LoadFromSlot(int32_t slot)
{
    GxCore* core = Core();
    GxUserData* data = core ? core->GetUserData() : nullptr;
    if (!data || slot < 1 || slot > kSlotCount) return false;
    const std::u16string path = GameDataPath(slot);
    // The load checks the whole file before it resets the game: a refused file changes nothing.
    if (!data->LoadGameData(path, true)) {
        GxPrintErrorLog(u"SeqLoad::LoadFromSlot/ロードに失敗しました(%s)\n", path);
        return false;
    }
    return true;
}
