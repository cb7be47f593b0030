// The persistent system screen: updated, drawn and offered input before the current screen in
// every frame. It owns the quit dialog "dlg_shutdown", the script's user dialog "dlg_user", the
// tool tip "tip_help", the lowering of the music while a voice speaks, the debug overlay and the
// developer keys (variable dumps, console switch, the current script in a text editor).
//
// The static operations take any task of the tree (to reach the task manager); they work on the
// widgets by name, so they also serve a tree whose system screen is a plain screen (tests).
#pragma once

#include <cstdint>
#include <string>

#include "app/GxSeqBase.h"
#include "core/GxMath.h"

class GxCore;
class GxTaskBase;
class GxTaskUIBase;

class SeqSystem : public GxSeqBase
{
public:
    // Dialog kinds of OpenUserDialog: 2 OK and Cancel, 3 Yes and No, any other OK alone.
    static constexpr int32_t kDialogOkCancel = 2;
    static constexpr int32_t kDialogYesNo = 3;
    static constexpr int32_t kUserDialogPriority = 0xFFFFFF;
    // The button pair's gap and the buttons' distance from the dialog's bottom edge.
    static constexpr int32_t kButtonGap = 32;
    static constexpr int32_t kButtonBottom = 40;

    explicit SeqSystem(GxTaskBase* parent);
    ~SeqSystem() override;

    // The program's constructor of the screen list.
    static GxTaskBase* Create(GxTaskBase* parent);

    // Voice ducking of the music and the ambience volume, on the first update step of a frame.
    int Update(int32_t step, int64_t elapsed) override;
    // Render layer 9, so the screen draws over every other one.
    int Render(int32_t step, int64_t elapsed) override;
    // The debug overlay when ShouldDrawDebugOverlay holds.
    int Draw(int32_t param, int32_t layer) override;
    // Keyed while no overlay is drawn.
    bool AppendDrawKey(GxDrawKey& key, int32_t param, int32_t layer) override;
    // First close request: the quit dialog opens and the window stays; while it is open the
    // window may close.
    int OnClose() override;
    // Esc toggles the quit dialog (the only key consumed); F1, F2, F8 and F11 are developer keys
    // that need DebugModeFlag.
    int OnKeyDown(GxWParam virtualKey, GxLParam lParam) override;

    // Opens dlg_user with the text and the kind's buttons, remembering the key the answer is
    // read under. Nothing but a log line when the tree has no user dialog.
    static void OpenUserDialog(GxTaskBase* anyTask, const std::u16string& key, const std::u16string& text, int32_t kind);
    // Pause (close) the task named "dlg_user" / "dlg_shutdown", play the close sound when asked,
    // and lower the open-dialog count when it is above 0.
    static void CloseUserDialog(GxTaskBase* anyTask, bool playSound);
    static void CloseShutdownDialog(GxTaskBase* anyTask, bool playSound);
    // Opens the quit dialog above every dialog already open; a hidden message window comes back.
    // False (logged) when the tree has no quit dialog.
    static bool OpenShutdownDialog(GxTaskBase* anyTask);
    static bool IsUserDialogOpen(GxTaskBase* anyTask);
    static bool IsShutdownDialogOpen(GxTaskBase* anyTask);

    // Resumes and shows the widget named "tip_help" (found through the task manager of any
    // task), sets its text and places it beside pos (ShowAt); nothing when there is none or it
    // is dead.
    static void ShowTipHelp(GxTaskBase* anyTask, const std::u16string& text, const GxVector3& pos);
    // Installs the system screen's services that the widgets call (the tip help).
    static void InstallWidgetHooks();
    // Installs the dialogs' hooks that the screen base and the script commands call
    // (GxSystemDialogHooks); the answer of the script's dialog goes to the core's game state.
    static void InstallDialogHooks();

    // The left x of a centred pair of buttons of width w in a dialog of width W (the right one
    // stands at left + w + gap), a lone button's x, and the buttons' y.
    static int32_t PairLeftX(int32_t dialogWidth, int32_t buttonWidth);
    static int32_t LoneX(int32_t dialogWidth, int32_t buttonWidth);
    static int32_t ButtonY(int32_t dialogHeight, int32_t buttonHeight);

    // The overlay shows when the console is switched on, or when errors were logged and either
    // slight errors are not skipped or the script stopped on an error.
    static bool ShouldDrawDebugOverlay(GxCore* core);
    // The variable dumps of F1 (worker variables, "vardump.txt") and F2 (permanent and global
    // variables, "vardump_extern.txt") into the save folder; false when nothing was written.
    static bool DumpVariables(GxCore* core, bool externVariables);

    const std::u16string& GetShutdownKey() const { return m_ShutdownKey; }

private:
    void BuildWidgets();
    void OpenEditorAtScript();

    std::u16string m_ShutdownKey;
};
