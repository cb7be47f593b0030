#include "seq/SeqSave.h"

#include <cstdio>

#include "app/GxCore.h"
#include "core/GxAtomicFile.h"
#include "core/GxBinBuffer.h"
#include "core/GxFile.h"
#include "core/GxLog.h"
#include "core/GxString.h"
#include "app/task/GxTaskManage.h"
#include "game/GxKeptData.h"
#include "game/GxUserConfig.h"
#include "game/GxUserDataPerman.h"
#include "graphics/GxGlobalRenderTarget.h"
#include "seq/SeqScreenCommon.h"
#include "seq/SeqSystem.h"
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
    const std::u16string thumb = ThumbnailPath(slot);

    // The picture first: a save cut short between the two files then leaves the old game with
    // the new picture, never the new game with the old one. The old picture is kept to put back
    // should the game not be written.
    GxBinBuffer oldThumb;
    const bool hadThumb = GxDiskFileExists(thumb) && GxFileLoadToBinBuffer(oldThumb, thumb, false, false);
    const bool thumbWritten = WriteThumbnail(thumb);
    if (!thumbWritten) {
        GxPrintErrorLog(u"SeqSave::SaveToSlot/サムネイルを保存できません(%s: %s)\n", thumb, GxGetAtomicWriteFailure());
    }
    if (!data->SaveGameData(path, true)) {
        GxPrintErrorLog(u"SeqSave::SaveToSlot/セーブに失敗しました(%s: %s)\n", path, GxGetAtomicWriteFailure());
        if (thumbWritten && !(hadThumb && GxAtomicWriteFile(thumb, oldThumb.GetBuffer(), oldThumb.GetSize())))
            std::remove(GxPathToNative(thumb).c_str());
        SeqShowFailure(this, u"SAVEERROR", u"セーブに失敗しました");
        return false;
    }
    // The game is saved: a missing picture only leaves the plate without one, not with the
    // slot's old one.
    if (!thumbWritten) std::remove(GxPathToNative(thumb).c_str());
    GxUserConfig* uc = core->GetUserConfig();
    if (uc) uc->m_LastGameDataFileNum = slot;
    RefreshPlates();
    const bool optionsOk = !uc || uc->Save(core);
    GxUserDataPerman* perman = core->GetUserDataPerman();
    const bool permanentOk = !perman || perman->Save(core->GetSaveFolder() + u"permanent.dat");
    GxGetKeptDataWriter().NoteWritten(core, optionsOk, permanentOk);
    if (const char16_t* text = GxKeptDataFailureText(!optionsOk, !permanentOk)) SeqShowFailure(this, kNoticeKey, text);
    return true;
}

bool SeqSave::ShowKeptDataFailure(GxCore* core, const std::u16string& text)
{
    GxTaskManage* tm = core ? core->GetTaskManage() : nullptr;
    GxTaskBase* root = tm ? tm->GetRootTask() : nullptr;
    if (!root) return false;
    // Without the system screen's dialog (a bare tree) the player still hears of it.
    if (!tm->FindTaskByName(u"dlg_user")) {
        GxShowMessageBox(core->GetTitle(), u"%s", text);
        return true;
    }
    // A question or another message open now keeps its answer; this one waits for it.
    if (SeqSystem::IsUserDialogOpen(root)) return false;
    SeqShowFailure(root, kNoticeKey, text.c_str());
    return true;
}
