// The base of every game screen ("sequence"): the folder the task manager makes current, whose
// subtree is one screen. It starts the screen's main phase, clears the back buffer each frame,
// closes the system screen's widgets when the screen is left, answers the standard quit and user
// dialogs, decides whether a widget may react to input, and builds widgets from the UI module and
// layout tables.
#pragma once

#include <cstdint>
#include <string>

#include "app/task/GxTaskFolder.h"
#include "core/GxMath.h"

class GxTaskUIBase;
struct DBUILayoutData;
struct DBUIModuleData;

// What the screens need of the settings, the graphics device, the main window and the game
// state, behind one interface so that the screens can be exercised without a device. One object
// serves the whole program (GxSetSeqServices); the default one reaches the application object,
// the graphics layer and the global render targets.
class GxSeqServices
{
public:
    virtual ~GxSeqServices() = default;

    // The system settings' background colour (0xAARRGGBB) and screen-transition time (ms).
    virtual uint32_t GetBackgroundColor();
    virtual int32_t GetTransitTime();

    // Clears the whole target (flags as GXCLEAR_*) to the colour, depth and stencil values.
    virtual bool Clear(uint32_t flags, uint32_t color, float z, uint32_t stencil);
    virtual bool BeginScene();
    virtual void SetDefaultRenderState();
    virtual bool EndScene();
    // Draws the first global render texture at (x, y) with the source rectangle, scale
    // (1, 1, 1, 1), no rotation, pivot and UV offset zero.
    virtual bool DrawGlobalRenderTexture(float x, float y, const GxFRect& source, uint32_t diffuse,
                                         uint32_t specular, int32_t blendMode);
    // Draws the current frame's task tree once more into the first global render texture.
    virtual bool RenderSceneToGlobalTexture();

    // Posts a window message (WM_CLOSE to end the game) to the main window.
    virtual void PostMainWindowMessage(uint32_t message, GxWParam wParam, GxLParam lParam);
    // m_LastDialogResult of the running game's state.
    virtual void SetLastDialogResult(int32_t result);
};

// The services in use; null restores the default ones. The object is not owned.
void GxSetSeqServices(GxSeqServices* services);
GxSeqServices& GxGetSeqServices();

// Open system dialogs, never below 0. While it is above 0 only widgets of at least that modal
// priority take input.
extern int32_t g_SystemDialogCount;

// The system screen's dialogs as the screen base and the script commands reach them. The system
// screen sits above: start-up installs its hooks (SeqSystem::InstallDialogHooks). Without them
// (a tree of plain screens) a dialog closes without its sound, no user dialog opens and an
// answer is not kept.
struct GxSystemDialogHooks
{
    // Pause (close) the task named "dlg_shutdown" / "dlg_user", play the close sound when asked,
    // and lower the open-dialog count when it is above 0.
    void (*closeShutdownDialog)(GxTaskBase* anyTask, bool playSound) = nullptr;
    void (*closeUserDialog)(GxTaskBase* anyTask, bool playSound) = nullptr;
    // Opens "dlg_user" with the text and the kind's buttons under the key (SeqSystem::OpenUserDialog).
    void (*openUserDialog)(GxTaskBase* anyTask, const std::u16string& key, const std::u16string& text,
                           int32_t kind) = nullptr;
    // m_LastDialogResult of the running game's state.
    void (*setLastDialogResult)(int32_t result) = nullptr;
};
void GxSetSystemDialogHooks(const GxSystemDialogHooks& hooks);
const GxSystemDialogHooks& GxGetSystemDialogHooks();

class GxSeqBase : public GxTaskFolder
{
public:
    GxSeqBase(const char16_t* taskName, GxTaskBase* parent);
    ~GxSeqBase() override;

    // Drops the queued UI events, hides the tool-tip help and closes open system dialogs.
    void OnSequenceLeave() override;
    // Starts the main phase.
    int UpdatePreMain(int32_t step, int64_t elapsed) override;
    // Registers the screen in render layer 0 with parameter 0.
    int Render(int32_t step, int64_t elapsed) override;
    // Clears the back buffer (target, depth, stencil) to the background colour.
    int Draw(int32_t param, int32_t layer) override;
    // The standard answers of the quit dialog, of the script's user dialog and of a notice;
    // 1 when handled.
    int OnUIEventLeftDown(GxTaskUIBase* sender, GxUIEventParam* param) override;
    // The user dialog's key of a notice shown over whatever screen is current (a write the disk
    // refused): its OK alone closes it, on any screen.
    static constexpr const char16_t* kNoticeKey = u"NOTICE";
    // The key the user dialog was last opened with ("USERDIALOG" for the script's dialogs).
    static const std::u16string& GetUserDialogKey();
    static void SetUserDialogKey(const std::u16string& key);

    // Whether a widget may react to the pointer and keys now.
    virtual bool IsUIInputEnabled(GxTaskUIBase* widget);
    // Whether the screen counts the widget as visible.
    virtual bool IsUIVisible(GxTaskUIBase* widget);
    // Hooks of the screens with their own conditions. The lock tests hold while their lock
    // counter of the main play screen's flags is 0.
    virtual bool IsIdle() { return true; }
    virtual bool IsUnlocked1();
    virtual bool IsUnlocked2();
    virtual bool IsUnlocked3();

    // Builds the widget class of the module's UIType under parent: with index -1 name is its
    // TaskName, otherwise its local name with that index. Then applies the module row. Null,
    // with nothing created, for a UIType without a class.
    virtual GxTaskUIBase* CreateUIFromModule(GxTaskBase* parent, const DBUIModuleData& module,
                                             const char16_t* name, int32_t index);
    // The same for the module that a layout row names, applying the layout row and then the
    // module row. Null when the module does not exist (logged) or has no class.
    virtual GxTaskUIBase* CreateUIFromModuleName(GxTaskBase* parent, const DBUILayoutData& layout,
                                                 const char16_t* name, int32_t index);

protected:
    // Sets the task manager's main-started flag once the current sequence has been entered;
    // before that, only logs.
    void StartMain();
    // The screen clear of Draw's parameter 0.
    void ClearScreen();

private:
    // Through the system screen's hook; without one the dialog closes silently.
    void CloseSystemDialog(void (*close)(GxTaskBase* anyTask, bool playSound), const char16_t* name);
};
