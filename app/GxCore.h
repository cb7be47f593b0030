// The application object: owns the managers and the game-wide objects, brings the program up in
// a fixed order, creates the main window, runs the main loop and tears everything down in a
// fixed order. Every subsystem reaches it through GxGetCore().
//
// The declaration sits with the task tree, below the subsystems that use it, and names their
// types only by declaration. The definitions are split by who calls them: what the subsystems
// call is in GxCoreServices.cpp; the program's wiring, which only the entry calls (creation,
// Initialize, CreateMainWindow, SetHarness, Run, Finalize, the window procedure), is in
// GxCore.cpp (start-up and shutdown order), GxWindowProc.cpp and GxMainLoop.cpp.
//
// The program runs from the game folder: every relative path is relative to the current
// directory at start-up.
#pragma once

#include <cstdint>
#include <string>

#include "app/task/GxRenderLayer.h"
#include "app/task/GxTaskListener.h"
#include "core/GxDrawKey.h"
#include "core/GxFrameTimer.h"
#include "core/GxLog.h"
#include "platform/GxPresentRect.h"
#include "platform/GxWindowServices.h"

class GxTaskManage;
class GxThreadManage;
class GxSystemConfig;
class GxUserConfig;
struct GxLayerSettings;
class GxLayerOptions;
struct GxUISettings;
struct GxUIOptions;
class GxUserData;
class GxUserDataPerman;
class GxHarness;

// The profile object: a section timer over the foundation's profiler.
class GxProfileEx : public GxProfiler
{
};

// The longest current-directory path (with its trailing "/") the program starts from.
constexpr int32_t kGxMaxInstallPathLength = 244;

class GxCore;

// The main window's procedure as the window services call it: a stub that hands every message to
// GxCore::WindowProc (both in GxWindowProc.cpp).
class GxCoreWindowProcedure : public GxWindowProcedure
{
public:
    explicit GxCoreWindowProcedure(GxCore* core) : m_Core(core) {}
    GxLResult WindowProc(GxWindowHandle window, uint32_t message, GxWParam wParam, GxLParam lParam) override;

private:
    GxCore* m_Core;
};

class GxCore
{
public:
    // The window services the core creates its window through; null takes GxGetWindowServices().
    explicit GxCore(GxWindowServices* windowServices = nullptr);
    virtual ~GxCore();
    GxCore(const GxCore&) = delete;
    GxCore& operator=(const GxCore&) = delete;

    // False means that the program must not run; the reason has been shown in a message box,
    // or the program was asked to end (SIGTERM, SIGINT) before it had started.
    bool Initialize(uintptr_t instance = 0);
    // Initialize returned false because the program was asked to end, not for a failure.
    bool IsStartCancelled() const { return m_StartCancelled; }
    // The main loop; returns false when the quit flag ends it.
    bool Run();
    // Shutdown; only after a successful Initialize.
    void Finalize();
    bool CreateMainWindow();
    // Asks the main loop to end (through the destroy message and the quit message it posts).
    void RequestQuit();
    // The cursor in logical screen coordinates.
    GxWindowPoint GetMousePos();

    void ClearRenderLayers();
    void DrawRenderLayers();
    // Whether this frame's drawing and present can be left out: every task it would draw keys
    // its drawing (GxTaskBase::AppendDrawKey), the key equals that of the last drawn frame and
    // the device vouches for the rest (GxDevice::RepeatShownFrame). False when the frame is to be
    // drawn: its key is then the one the next frame is compared with. allowed false: drawn.
    bool RepeatsLastFrame(bool allowed);

    // The main window's procedure.
    GxLResult WindowProc(GxWindowHandle window, uint32_t message, GxWParam wParam, GxLParam lParam);

    // The test and CI harness asked at every main-loop pass (none in a normal run).
    void SetHarness(GxHarness* harness) { m_Harness = harness; }

    GxWindowServices* GetWindowServices() const { return m_WindowServices; }
    uintptr_t GetInstance() const { return m_Instance; }
    GxWindowHandle GetMainWindow() const { return m_MainWindow; }
    bool IsWindowCreated() const { return m_WindowCreated; }
    bool IsActive() const { return m_Active; }
    bool IsInitialized() const { return m_Initialized; }
    bool IsQuit() const { return m_Quit; }
    GxFrameTimer& GetFrameTimer() { return m_FrameTimer; }
    GxTaskManage* GetTaskManage() const { return m_TaskManage; }
    GxThreadManage* GetThreadManage() const { return m_ThreadManage; }
    GxRenderLayerBanks& GetRenderLayers() { return m_RenderLayers; }
    GxSystemConfig* GetSystemConfig() const { return m_SystemConfig; }
    GxUserConfig* GetUserConfig() const { return m_UserConfig; }
    // The same two objects as the records that layers and widgets read (their base classes).
    GxLayerSettings* GetLayerSettings() const { return m_LayerSettings; }
    GxUISettings* GetUISettings() const { return m_UISettings; }
    GxLayerOptions* GetLayerOptions() const { return m_LayerOptions; }
    GxUIOptions* GetUIOptions() const { return m_UIOptions; }
    GxUserData* GetUserData() const { return m_UserData; }
    GxUserDataPerman* GetUserDataPerman() const { return m_UserDataPerman; }
    GxProfileEx* GetProfile() const { return m_Profile; }
    const std::u16string& GetTitle() const { return m_Title; }
    // Absolute, ending in "/"; empty when no save folder could be made (then the current directory).
    const std::u16string& GetSaveFolder() const { return m_SaveFolder; }
    // Main-loop passes so far; the sound update runs on passes 0, 4, 8, ...
    uint32_t GetLoopCount() const { return m_LoopCount; }
    // Frames run so far.
    uint32_t GetFrameCount() const { return m_FramesRun; }

private:
    void ChooseSaveFolder(const std::u16string& currentDirectory);
    void ToggleScreenMode();
    // Where the picture lies in the main window's client area (GxPresentRect.h) and the factors
    // from there to the logical screen, read afresh for every message.
    struct ClientMapping
    {
        GxPresentRect picture;
        int32_t clientWidth = 0;
        int32_t clientHeight = 0;
        float sx = 1.0f;
        float sy = 1.0f;
    };
    ClientMapping GetClientMapping();
    GxMousePoint ScalePoint(GxLParam lParam);
    // Whether a client point of a mouse message lies in a bar beside the picture.
    bool InBar(GxLParam lParam);
    void DeleteOwnedObjects();
    // The two halves of shutdown around the saves: the thread manager stopped and drained, then
    // everything released (also after a start-up that made things and then failed).
    void StopThreads();
    void ReleaseAll();

    GxWindowServices* m_WindowServices;
    GxCoreWindowProcedure m_Procedure;
    uintptr_t m_Instance = 0;
    GxWindowHandle m_MainWindow = 0;
    bool m_WindowCreated = false;
    bool m_Active = false;
    bool m_Initialized = false;
    bool m_Quit = false;
    bool m_StartCancelled = false;
    bool m_TerminationSeen = false;  // the main loop has asked to quit for a termination request
    int32_t m_HasMenu = 0;
    GxFrameTimer m_FrameTimer;
    GxTaskManage* m_TaskManage = nullptr;
    GxThreadManage* m_ThreadManage = nullptr;
    GxRenderLayerBanks m_RenderLayers;
    GxDrawKey m_FrameKey;
    GxDrawKey m_DrawnFrameKey;
    bool m_DrawnFrameKeyed = false;
    uint32_t m_FramesRepeated = 0;
    GxSystemConfig* m_SystemConfig = nullptr;
    GxUserConfig* m_UserConfig = nullptr;
    // Set and cleared with the two above, which only GxCore.cpp sees whole.
    GxLayerSettings* m_LayerSettings = nullptr;
    GxUISettings* m_UISettings = nullptr;
    GxLayerOptions* m_LayerOptions = nullptr;
    GxUIOptions* m_UIOptions = nullptr;
    GxUserData* m_UserData = nullptr;
    GxUserDataPerman* m_UserDataPerman = nullptr;
    GxProfileEx* m_Profile = nullptr;
    std::u16string m_Title;
    std::u16string m_SaveFolder;
    bool m_DeviceCreated = false;
    uint32_t m_LoopCount = 0;
    uint32_t m_FramesRun = 0;
    GxHarness* m_Harness = nullptr;
};

// The application object of the running program, or null.
GxCore* GxGetCore();
void GxSetCore(GxCore* core);

// Start-up globals: the cursor mode (read on every cursor-shape request of the window) and the
// requested client size of the main window.
extern int32_t g_GxCursorMode;
extern int32_t g_GxRequestScreenWidth;
extern int32_t g_GxRequestScreenHeight;

// Applies the cursor mode: 0 and 4 hide the cursor, 1 shows the arrow, 2 shows it in the window
// modes and hides it in full screen, 3 leaves it; false for any other mode.
bool GxApplyCursorMode();
// 0 none, 1 arrow, 2 cross, 3 move, 4 north-south, 5 west-east, 6 forbidden.
void GxSetCursorShape(int32_t shape);
