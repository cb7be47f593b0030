#include "seq/SeqSystem.h"

#include "app/task/GxTaskManage.h"

int32_t g_SystemDialogCount = 0;

namespace {

std::u16string& UserDialogKey()
{
    static std::u16string key;
    return key;
}

void CloseDialog(GxTaskBase* anyTask, const char16_t* name)
{
    if (anyTask && anyTask->GetManager()) {
        if (GxTaskBase* dialog = anyTask->GetManager()->FindTaskByName(name)) dialog->Pause();
    }
    if (g_SystemDialogCount > 0) --g_SystemDialogCount;
}

}  // namespace

void SeqSystem::CloseUserDialog(GxTaskBase* anyTask, bool playSound)
{
    (void)playSound;
    CloseDialog(anyTask, u"dlg_user");
}

void SeqSystem::CloseShutdownDialog(GxTaskBase* anyTask, bool playSound)
{
    (void)playSound;
    CloseDialog(anyTask, u"dlg_shutdown");
}

const std::u16string& SeqSystem::GetUserDialogKey() { return UserDialogKey(); }

void SeqSystem::SetUserDialogKey(const std::u16string& key) { UserDialogKey() = key; }
