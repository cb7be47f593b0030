// The window services over SDL2: windows, the message queue fed from SDL events, cursors, the
// mouse capture, message boxes, the single-instance lock and the start-up folders.
//
// Window handles are SDL window ids. Messages are queued in order: the SDL events that
// PeekMessage or GetMessage pump are translated into messages (GxSdlEventTranslator) behind those
// already posted. The quit message is an ordinary entry of the queue.
//
// Window sizes are client sizes: the window manager draws the frame outside them, so the frame
// metrics report 0. On X they are the sizes X's own configure events give the windows, not the
// sizes SDL asked for (GxSdlX11.h). A window styled without a caption after creation (the
// device's full-screen style) asks for desktop full screen: the styling waits a moment for the
// window to cover its display and, when it does not (no window manager, or one that does not do
// full screen), takes the request back and reports the refusal. The next styling with a caption
// makes it a window again.
//
// Single instance: there is no system-wide list of window classes here, so FindWindowByClass asks
// a lock file named after the class in $XDG_RUNTIME_DIR (or /tmp, with the user id in the name).
// The first call that finds the lock free takes it for this process and keeps it until the
// services are destroyed; a lock held by another process means the window exists.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/GxSdlEvents.h"
#include "platform/GxSdlX11.h"
#include "platform/GxWindowServices.h"

struct SDL_Cursor;
union SDL_Event;
struct SDL_Window;

struct GxSdlWindowOptions
{
    bool headless = false;
    // How long a full-screen request may take to show before it counts as refused.
    uint32_t fullScreenWaitMs = 500;
    // Folder of the single-instance lock files; empty selects $XDG_RUNTIME_DIR or /tmp.
    std::string lockFolder;
};

class GxSdlWindowServices : public GxWindowServices
{
public:
    explicit GxSdlWindowServices(const GxSdlWindowOptions& options);
    ~GxSdlWindowServices() override;
    GxSdlWindowServices(const GxSdlWindowServices&) = delete;
    GxSdlWindowServices& operator=(const GxSdlWindowServices&) = delete;

    // Starts SDL's video (the offscreen driver when headless). False, with one error-log line,
    // when SDL cannot start.
    bool Initialize();
    bool IsInitialized() const { return m_SdlStarted; }
    bool IsHeadless() const { return m_Options.headless; }

    // The SDL window behind a handle (the device draws into it), or null.
    SDL_Window* GetSdlWindow(GxWindowHandle window) const;
    // The path of the lock file of a class name.
    std::string GetInstanceLockPath(const std::u16string& className) const;
    // The text the debug window was last asked to paint.
    const std::u16string& GetPaintedText() const { return m_PaintedText; }
    size_t GetQueuedCount() const { return m_Queue.size(); }

    bool RegisterWindowClass(const GxWindowClassDesc& desc) override;
    GxWindowHandle CreateWindow(const GxWindowCreateDesc& desc) override;
    bool FindWindowByClass(const std::u16string& className) override;
    void ShowWindow(GxWindowHandle window, int32_t showCommand) override;
    void UpdateWindow(GxWindowHandle window) override;
    void SetWindowText(GxWindowHandle window, const std::u16string& text) override;
    bool SetWindowStyle(GxWindowHandle window, uint32_t style) override;
    void SetWindowPos(GxWindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height) override;
    GxWindowRect GetClientRect(GxWindowHandle window) override;
    int32_t GetSystemMetrics(int32_t index) override;
    void InvalidateWindow(GxWindowHandle window) override;
    void ValidateRect(GxWindowHandle window) override;
    void PaintText(GxWindowHandle window, const std::u16string& text) override;

    void SetCursor(GxSystemCursor cursor) override;
    GxWindowPoint GetCursorPos() override;
    GxWindowPoint ScreenToClient(GxWindowHandle window, GxWindowPoint screenPoint) override;
    void SetCapture(GxWindowHandle window) override;
    void ReleaseCapture() override;
    GxWindowHandle GetCapture() override;

    bool PeekMessage() override;
    bool GetMessage(GxWindowMessageRecord& out) override;
    void TranslateMessage(const GxWindowMessageRecord& message) override;
    GxLResult DispatchMessage(const GxWindowMessageRecord& message) override;
    GxLResult DefWindowProc(GxWindowHandle window, uint32_t message, GxWParam wParam, GxLParam lParam) override;
    void PostMessage(GxWindowHandle window, uint32_t message, GxWParam wParam, GxLParam lParam) override;
    GxLResult SendMessage(GxWindowHandle window, uint32_t message, GxWParam wParam, GxLParam lParam) override;
    void PostQuitMessage(int32_t exitCode) override;

    void ShowMessageBox(const std::u16string& caption, const std::u16string& text) override;

    std::u16string GetCurrentDirectory() override;
    std::u16string GetDocumentsFolder() override;
    bool CreateDirectory(const std::u16string& path) override;

private:
    struct Window
    {
        SDL_Window* sdl = nullptr;
        std::u16string className;
        uint32_t style = 0;
        bool fullScreen = false;
        bool invalid = false;
        uint64_t xWindow = 0;    // on X: the window's X id
        GxSdlX11Size xSize;      // on X: the size its configure events last gave it
    };

    Window* FindWindow(GxWindowHandle window);
    const Window* FindWindow(GxWindowHandle window) const;
    GxWindowPoint WindowOrigin(GxWindowHandle window) const;
    // Moves every pending SDL event into the queue.
    void Pump();
    void TranslateEvent(const SDL_Event& event);
    // Reports the window as active (an activation message) unless it already is.
    void Activate(GxWindowHandle window);
    // The client size the window system gave the window.
    void ClientSize(const Window& w, int32_t* width, int32_t* height) const;
    // Whether the window covers the whole of its display.
    bool CoversDisplay(const Window& w) const;
    // Pumps the events until the window covers its display or the wait is over.
    bool AwaitFullScreen(const Window& w);

    GxSdlWindowOptions m_Options;
    bool m_SdlStarted = false;
    std::map<std::u16string, GxWindowClassDesc> m_Classes;
    std::map<GxWindowHandle, Window> m_Windows;
    GxWindowHandle m_MainWindow = 0;  // the first window made; SDL_QUIT goes to it
    GxWindowHandle m_Capture = 0;
    GxWindowHandle m_Active = 0;  // the window last reported active; 0 for none
    std::deque<GxWindowMessageRecord> m_Queue;
    std::vector<GxWindowMessageRecord> m_Scratch;
    GxSdlEventTranslator m_Translator;
    std::map<GxSystemCursor, SDL_Cursor*> m_Cursors;
    std::u16string m_PaintedText;
    int m_InstanceLockFd = -1;
    std::u16string m_InstanceLockClass;
};

// The window services of the running program (set by the entry), or null.
GxWindowServices* GxGetWindowServices();
void GxSetWindowServices(GxWindowServices* services);

// Message boxes through SDL while a display is there, on stderr otherwise. A headless box does
// not wait unless holdHeadlessBoxes asks it to (a test of the waiting box): it is then held open
// until a termination request. A termination request ends a waiting box (GxTermination.h).
// Installs itself as the log's message-box handler.
void GxInstallSdlMessageBoxHandler(bool haveDisplay, bool holdHeadlessBoxes = false);

// The native window behind a handle (an SDL_Window*) when the services are the SDL ones, else null.
void* GxGetNativeWindow(GxWindowServices* services, GxWindowHandle window);
