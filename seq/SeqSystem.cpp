#include "seq/SeqSystem.h"

#include "app/task/GxTaskManage.h"
#include "ui/GxTaskUITipHelp.h"

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

void SeqSystem::ShowTipHelp(GxTaskBase* anyTask, const std::u16string& text, const GxVector3& pos)
{
    GxTaskManage* manager = anyTask ? anyTask->GetManager() : nullptr;
    GxTaskBase* task = manager ? manager->FindTaskByName(u"tip_help") : nullptr;
    auto* tip = task && task->IsKindOf(GxTaskKind::UI) ? dynamic_cast<GxTaskUIBase*>(task) : nullptr;
    // A dead tip is on its way out: resuming it would bring it back.
    if (!tip || tip->IsDead()) return;
    tip->Resume();
    tip->Show();
    tip->SetText(text.c_str());
    // The balloon places itself beside the pointer, kept on the screen; another widget under
    // that name just goes to the point.
    if (auto* balloon = dynamic_cast<GxTaskUITipHelpIs*>(tip)) balloon->ShowAt(pos);
    else tip->SetPos(pos);
}

void SeqSystem::InstallWidgetHooks() { GxSetUITipHelpHandler(&SeqSystem::ShowTipHelp); }

const std::u16string& SeqSystem::GetUserDialogKey() { return UserDialogKey(); }

void SeqSystem::SetUserDialogKey(const std::u16string& key) { UserDialogKey() = key; }
