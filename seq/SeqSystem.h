// What the other screens use of the persistent system screen: the count of open system dialogs,
// the key the user dialog was opened with, and closing the two dialogs. The screen itself (its
// widgets, opening the dialogs, tool tips, the debug overlay) comes with the game screens.
#pragma once

#include <cstdint>
#include <string>

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

    // The key the user dialog was last opened with ("USERDIALOG" for the script's dialogs).
    static const std::u16string& GetUserDialogKey();
    static void SetUserDialogKey(const std::u16string& key);
};
