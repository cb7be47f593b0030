// What the other screens use of the persistent system screen: the count of open system dialogs,
// the key the user dialog was opened with, closing the two dialogs and showing the tip help. The
// screen itself (its widgets, opening the dialogs, the debug overlay) comes with the game screens.
#pragma once

#include <cstdint>
#include <string>

#include "core/GxMath.h"

class GxTaskBase;

// Open system dialogs, never below 0. While it is above 0 only widgets of at least that modal
// priority take input.
extern int32_t g_SystemDialogCount;

class SeqSystem
{
public:
    // Pause (close) the task named "dlg_user" / "dlg_shutdown", found through the task manager
    // of any task, and lower the open-dialog count when it is above 0. The close sound is left
    // to the sound system (playSound is not acted on yet).
    static void CloseUserDialog(GxTaskBase* anyTask, bool playSound);
    static void CloseShutdownDialog(GxTaskBase* anyTask, bool playSound);

    // Resumes and shows the widget named "tip_help" (found through the task manager of any
    // task), sets its text and places it beside pos (ShowAt); nothing when there is none or it
    // is dead.
    static void ShowTipHelp(GxTaskBase* anyTask, const std::u16string& text, const GxVector3& pos);
    // Installs the system screen's services that the widgets call (the tip help).
    static void InstallWidgetHooks();

    // The key the user dialog was last opened with ("USERDIALOG" for the script's dialogs).
    static const std::u16string& GetUserDialogKey();
    static void SetUserDialogKey(const std::u16string& key);
};
