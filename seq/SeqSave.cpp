#include "seq/SeqSave.h"

#include <cstdio>

#include "app/GxCore.h"
#include "core/GxAtomicFile.h"
#include "core/GxBinBuffer.h"
#include "core/GxFile.h"
#include "core/GxLog.h"
#include "core/GxString.h"
#include "game/GxUserConfig.h"
#include "game/GxUserDataPerman.h"
#include "graphics/GxGlobalRenderTarget.h"
#include "seq/SeqScreenCommon.h"
#include "ui/GxTaskUIBase.h"

namespace {

const SeqSaveLoadBase::Texts kTexts = {u"SeqSave", u"bg_save.png", u"SAVECONFIRM", u"セーブしますか？"};

// The picture writer writes straight to its path; it writes beside the thumbnail instead, and
// the finished bytes replace the old thumbnail through the atomic writer, so an interrupted
// save never leaves a half-written picture.
bool WriteThumbnail(const std::u16string& path)
{
    const std::u16string part = path + u".part";
    bool ok = SaveThumbnailPng(part);
    if (ok) {
        GxBinBuffer bytes;
        ok = GxFileLoadToBinBuffer(bytes, part, false, false) &&
             GxAtomicWriteFile(path, bytes.GetBuffer(), bytes.GetSize());
    }
    std::remove(GxPathToNative(part).c_str());
    return ok;
}

}  // namespace

SeqSave::SeqSave(GxTaskBase* parent) : SeqSaveLoadBase(kTexts, parent) {}

GxTaskBase* SeqSave::Create(GxTaskBase* parent) { return new SeqSave(parent); }

int SeqSave::OnUIEventLeftDown(GxTaskUIBase* sender, GxUIEventParam* param)
{
    if (GxSeqTransitBase::OnUIEventLeftDown(sender, param) != 0) return 0;
    if (!sender) return 0;
    PlayPushSound(sender);
    if (OnPageButton(sender) || OnPlate(sender)) return 1;
    bool taken = false;
    if (const int32_t slot = TakeConfirmation(sender, &taken)) SaveToSlot(slot);
    if (taken || SeqCloseFailure(this, sender) || OnBackButton(sender)) return 1;
    return 0;
}

bool SeqSave::SaveToSlot(int32_t slot)
{
    GxCore* core = Core();
    GxUserData* data = core ? core->GetUserData() : nullptr;
    if (!data || slot < 1 || slot > kSlotCount) return false;
    const std::u16string path = GameDataPath(slot);
    if (!data->SaveGameData(path, true)) {
        GxPrintErrorLog(u"SeqSave::SaveToSlot/セーブに失敗しました(%s)\n", path);
        SeqShowFailure(this, u"SAVEERROR", u"セーブに失敗しました");
        return false;
    }
    // The game is saved: a missing picture only leaves the plate without one.
    const std::u16string thumb = ThumbnailPath(slot);
    if (!WriteThumbnail(thumb)) GxPrintErrorLog(u"SeqSave::SaveToSlot/サムネイルを保存できません(%s)\n", thumb);
    if (GxUserConfig* uc = core->GetUserConfig()) uc->m_LastGameDataFileNum = slot;
    RefreshPlates();
    if (GxUserConfig* uc = core->GetUserConfig()) uc->Save(core);
    if (GxUserDataPerman* perman = core->GetUserDataPerman()) perman->Save(core->GetSaveFolder() + u"permanent.dat");
    return true;
}
