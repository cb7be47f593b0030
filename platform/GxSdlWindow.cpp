#include "platform/GxSdlWindow.h"

#include <SDL2/SDL.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/GxLog.h"
#include "core/GxString.h"
#include "platform/GxTermination.h"

namespace {

std::atomic<GxWindowServices*> g_Services{nullptr};

SDL_SystemCursor SdlCursorOf(GxSystemCursor c)
{
    switch (c) {
    case GxSystemCursor::Cross: return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case GxSystemCursor::SizeAll: return SDL_SYSTEM_CURSOR_SIZEALL;
    case GxSystemCursor::SizeNS: return SDL_SYSTEM_CURSOR_SIZENS;
    case GxSystemCursor::SizeWE: return SDL_SYSTEM_CURSOR_SIZEWE;
    case GxSystemCursor::No: return SDL_SYSTEM_CURSOR_NO;
    default: return SDL_SYSTEM_CURSOR_ARROW;
    }
}

void PrintToStderr(const std::u16string& caption, const std::u16string& text)
{
    std::string c = GxWideToUtf8(caption), t = GxWideToUtf8(text);
    fprintf(stderr, "[%s] %s\n", c.c_str(), t.c_str());
    fflush(stderr);
}

bool g_MessageBoxDisplay = false;
bool g_HoldHeadlessBoxes = false;

// A headless box held open as SDL holds a real one: by a process of its own that the caller
// waits for, whatever signal comes. Only a termination request (through the watch) ends it.
void HoldHeadlessBox()
{
    const pid_t parent = getpid();
    GxMessageBoxWatch watch;
    const pid_t pid = fork();
    if (pid == 0) {
        // Nothing but system calls here: the parent has threads. The holder never outlives it.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(0);
        for (;;) pause();
    }
    if (pid < 0) return;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

// Through SDL while a display is there, on stderr otherwise (or when SDL cannot show it). A
// termination request ends a box that waits, and a box asked for after one is not shown.
void ShowBox(const std::u16string& caption, const std::u16string& text, bool display)
{
    if (display && !GxIsTerminationRequested()) {
        GxMessageBoxWatch watch;
        std::string c = GxWideToUtf8(caption), t = GxWideToUtf8(text);
        if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, c.c_str(), t.c_str(), nullptr) == 0 || watch.Ended())
            return;
    }
    PrintToStderr(caption, text);
    if (!display && g_HoldHeadlessBoxes && !GxIsTerminationRequested()) HoldHeadlessBox();
}

void SdlMessageBoxHandler(const std::u16string& caption, const std::u16string& text)
{
    ShowBox(caption, text, g_MessageBoxDisplay);
}

// A file name made of any text: no separators or control characters, at most ~180 bytes, cut on
// a character boundary.
std::string SafeFileName(const std::u16string& name)
{
    std::string s = GxWideToUtf8(name);
    for (char& ch : s) {
        unsigned char u = static_cast<unsigned char>(ch);
        if (u < 0x20 || ch == '/' || ch == '\\') ch = '_';
    }
    if (s.size() > 180) {
        size_t cut = 180;
        while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;
        s.resize(cut);
    }
    if (s.empty() || s == "." || s == "..") s = "_" + s;
    return s;
}

}  // namespace

GxWindowServices* GxGetWindowServices() { return g_Services.load(); }
void GxSetWindowServices(GxWindowServices* services) { g_Services = services; }

void GxInstallSdlMessageBoxHandler(bool haveDisplay, bool holdHeadlessBoxes)
{
    g_MessageBoxDisplay = haveDisplay;
    g_HoldHeadlessBoxes = holdHeadlessBoxes;
    GxSetMessageBoxHandler(&SdlMessageBoxHandler);
}

GxSdlWindowServices::GxSdlWindowServices(const GxSdlWindowOptions& options) : m_Options(options) {}

GxSdlWindowServices::~GxSdlWindowServices()
{
    for (auto& [shape, cursor] : m_Cursors) SDL_FreeCursor(cursor);
    m_Cursors.clear();
    for (auto& [handle, w] : m_Windows) {
        if (w.sdl) SDL_DestroyWindow(w.sdl);
    }
    m_Windows.clear();
    if (m_InstanceLockFd >= 0) close(m_InstanceLockFd);
    if (m_SdlStarted) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    if (g_Services.load() == this) g_Services = nullptr;
}

bool GxSdlWindowServices::Initialize()
{
    if (m_SdlStarted) return true;
    if (m_Options.headless) {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
        // Sound opens later and elsewhere; without a display there is no sound card to wait for.
        setenv("SDL_AUDIODRIVER", "dummy", 0);
    }
    // The window procedure decides what a close request does.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // A click that activates the window is also a click, as on the classic system.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        GxPrintErrorLog(u"Error/GxSdlWindowServices Initialize Failed(%S)\n", SDL_GetError());
        return false;
    }
    m_SdlStarted = true;
    SDL_StopTextInput();
    GxSdlX11WatchEvents();
    return true;
}

GxSdlWindowServices::Window* GxSdlWindowServices::FindWindow(GxWindowHandle window)
{
    auto it = m_Windows.find(window);
    return it == m_Windows.end() ? nullptr : &it->second;
}

const GxSdlWindowServices::Window* GxSdlWindowServices::FindWindow(GxWindowHandle window) const
{
    auto it = m_Windows.find(window);
    return it == m_Windows.end() ? nullptr : &it->second;
}

SDL_Window* GxSdlWindowServices::GetSdlWindow(GxWindowHandle window) const
{
    const Window* w = FindWindow(window);
    return w ? w->sdl : nullptr;
}

bool GxSdlWindowServices::RegisterWindowClass(const GxWindowClassDesc& desc)
{
    if (desc.className.empty() || !desc.procedure || m_Classes.count(desc.className)) {
        GxPrintErrorLog(u"Error/GxSdlWindowServices RegisterWindowClass Failed(%s)\n", desc.className);
        return false;
    }
    m_Classes[desc.className] = desc;
    return true;
}

GxWindowHandle GxSdlWindowServices::CreateWindow(const GxWindowCreateDesc& desc)
{
    if (!m_SdlStarted || !m_Classes.count(desc.className)) {
        GxPrintErrorLog(u"Error/GxSdlWindowServices CreateWindow Failed(%s)\n", desc.className);
        return 0;
    }
    uint32_t flags = SDL_WINDOW_HIDDEN;
    if (!m_Options.headless) flags |= SDL_WINDOW_OPENGL;
    if (!(desc.style & GxWindowStyle::Caption)) flags |= SDL_WINDOW_BORDERLESS;
    std::string caption = GxWideToUtf8(desc.caption);
    SDL_Window* sdl = SDL_CreateWindow(caption.c_str(), desc.x, desc.y, desc.width > 0 ? desc.width : 1,
                                       desc.height > 0 ? desc.height : 1, flags);
    if (!sdl) {
        GxPrintErrorLog(u"Error/GxSdlWindowServices CreateWindow Failed(%s %S)\n", desc.caption, SDL_GetError());
        return 0;
    }
    GxWindowHandle handle = SDL_GetWindowID(sdl);
    Window& w = m_Windows[handle];
    w.sdl = sdl;
    w.className = desc.className;
    w.style = desc.style;
    if ((w.xWindow = GxSdlX11WindowOf(sdl)) != 0) {
        // X made the window at the size asked for; its configure events tell every change after.
        SDL_GetWindowSize(sdl, &w.xSize.width, &w.xSize.height);
        GxSdlX11AttachSize(sdl, &w.xSize);
    }
    if (!m_MainWindow) m_MainWindow = handle;
    return handle;
}

bool GxSdlWindowServices::FindWindowByClass(const std::u16string& className)
{
    for (const auto& [handle, w] : m_Windows) {
        if (w.className == className) return true;
    }
    if (m_InstanceLockFd >= 0 && m_InstanceLockClass == className) return false;
    std::string path = GetInstanceLockPath(className);
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        GxPrintSlightErrorLog(u"Warning/GxSdlWindowServices FindWindowByClass Cannot open the lock(%S %S)\n",
                              path.c_str(), strerror(errno));
        return false;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        close(fd);
        return held;
    }
    if (m_InstanceLockFd >= 0) close(m_InstanceLockFd);
    m_InstanceLockFd = fd;
    m_InstanceLockClass = className;
    return false;
}

std::string GxSdlWindowServices::GetInstanceLockPath(const std::u16string& className) const
{
    std::string folder = m_Options.lockFolder;
    if (folder.empty()) {
        const char* runtime = getenv("XDG_RUNTIME_DIR");
        struct stat st;
        if (runtime && *runtime && stat(runtime, &st) == 0 && S_ISDIR(st.st_mode)) folder = runtime;
        else folder = "/tmp";
    }
    if (folder.back() != '/') folder += '/';
    return folder + "gxengine-" + std::to_string(getuid()) + "-" + SafeFileName(className) + ".lock";
}

void GxSdlWindowServices::ShowWindow(GxWindowHandle window, int32_t showCommand)
{
    Window* w = FindWindow(window);
    if (!w) return;
    if (showCommand == GxShowCommand::Hide) {
        SDL_HideWindow(w->sdl);
        return;
    }
    SDL_ShowWindow(w->sdl);
    // A window shown on its own screen is the foreground window, as a new program's window is
    // on the desktop; without a display no focus event will ever say so.
    if (m_Options.headless) Activate(window);
}

void GxSdlWindowServices::Activate(GxWindowHandle window)
{
    if (m_Active == window) return;
    m_Active = window;
    m_Queue.push_back({window, GxWindowMessage::Activate, 1u | (m_Translator.IsMinimised() ? 0x10000u : 0u), 0});
}

void GxSdlWindowServices::UpdateWindow(GxWindowHandle window)
{
    Window* w = FindWindow(window);
    if (w && w->invalid) SendMessage(window, GxWindowMessage::Paint, 0, 0);
}

void GxSdlWindowServices::SetWindowText(GxWindowHandle window, const std::u16string& text)
{
    if (Window* w = FindWindow(window)) SDL_SetWindowTitle(w->sdl, GxWideToUtf8(text).c_str());
}

bool GxSdlWindowServices::SetWindowStyle(GxWindowHandle window, uint32_t style)
{
    Window* w = FindWindow(window);
    if (!w) return false;
    if (!(style & GxWindowStyle::Caption)) {
        // Full screen on the desktop's own mode; the device fits its picture into it.
        if (w->fullScreen) return true;
        if (SDL_SetWindowFullscreen(w->sdl, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
            GxPrintErrorLog(u"Error/GxSdlWindowServices SetWindowStyle Failed(%S)\n", SDL_GetError());
            return false;
        }
        if (!AwaitFullScreen(*w)) {
            // Nothing made the window full screen: SDL is told so, and the window stays as it is.
            SDL_SetWindowFullscreen(w->sdl, 0);
            return false;
        }
        w->fullScreen = true;
        w->style = style;
        return true;
    }
    w->style = style;
    if (w->fullScreen) {
        SDL_SetWindowFullscreen(w->sdl, 0);
        w->fullScreen = false;
    }
    SDL_SetWindowBordered(w->sdl, SDL_TRUE);
    return true;
}

void GxSdlWindowServices::ClientSize(const Window& w, int32_t* width, int32_t* height) const
{
    if (w.xWindow) {
        *width = w.xSize.width;
        *height = w.xSize.height;
        return;
    }
    SDL_GetWindowSize(w.sdl, width, height);
}

bool GxSdlWindowServices::CoversDisplay(const Window& w) const
{
    SDL_Rect bounds;
    const int display = SDL_GetWindowDisplayIndex(w.sdl);
    if (SDL_GetDisplayBounds(display < 0 ? 0 : display, &bounds) != 0) return false;
    int32_t width = 0, height = 0;
    ClientSize(w, &width, &height);
    return width >= bounds.w && height >= bounds.h;
}

bool GxSdlWindowServices::AwaitFullScreen(const Window& w)
{
    // The window manager answers in its own time; without one nothing answers at all.
    const uint64_t until = SDL_GetTicks64() + m_Options.fullScreenWaitMs;
    for (;;) {
        Pump();
        if (CoversDisplay(w)) return true;
        if (SDL_GetTicks64() >= until) return false;
        SDL_Delay(5);
    }
}

void GxSdlWindowServices::SetWindowPos(GxWindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height)
{
    Window* w = FindWindow(window);
    if (!w || w->fullScreen) return;
    if (width > 0 && height > 0) SDL_SetWindowSize(w->sdl, width, height);
    SDL_SetWindowPosition(w->sdl, x, y);
}

GxWindowRect GxSdlWindowServices::GetClientRect(GxWindowHandle window)
{
    GxWindowRect r;
    if (Window* w = FindWindow(window)) ClientSize(*w, &r.right, &r.bottom);
    return r;
}

int32_t GxSdlWindowServices::GetSystemMetrics(int32_t index)
{
    if (index == GxSystemMetric::CxScreen || index == GxSystemMetric::CyScreen) {
        SDL_DisplayMode mode;
        if (!m_SdlStarted || SDL_GetDesktopDisplayMode(0, &mode) != 0) return index == GxSystemMetric::CxScreen ? 1024 : 768;
        return index == GxSystemMetric::CxScreen ? mode.w : mode.h;
    }
    return 0;  // frames, captions and menus are drawn outside the client size
}

void GxSdlWindowServices::InvalidateWindow(GxWindowHandle window)
{
    Window* w = FindWindow(window);
    if (!w || w->invalid) return;
    w->invalid = true;
    PostMessage(window, GxWindowMessage::Paint, 0, 0);
}

void GxSdlWindowServices::ValidateRect(GxWindowHandle window)
{
    if (Window* w = FindWindow(window)) w->invalid = false;
}

void GxSdlWindowServices::PaintText(GxWindowHandle window, const std::u16string& text)
{
    if (FindWindow(window)) m_PaintedText = text;
}

void GxSdlWindowServices::SetCursor(GxSystemCursor cursor)
{
    if (!m_SdlStarted) return;
    if (cursor == GxSystemCursor::None) {
        SDL_ShowCursor(SDL_DISABLE);
        return;
    }
    SDL_Cursor*& c = m_Cursors[cursor];
    if (!c) c = SDL_CreateSystemCursor(SdlCursorOf(cursor));
    if (c) SDL_SetCursor(c);
    SDL_ShowCursor(SDL_ENABLE);
}

GxWindowPoint GxSdlWindowServices::WindowOrigin(GxWindowHandle window) const
{
    GxWindowPoint p;
    if (const Window* w = FindWindow(window)) SDL_GetWindowPosition(w->sdl, &p.x, &p.y);
    return p;
}

GxWindowPoint GxSdlWindowServices::GetCursorPos()
{
    GxWindowPoint origin = WindowOrigin(m_MainWindow);
    GxWindowPoint m = m_Translator.GetMousePos();
    return {origin.x + m.x, origin.y + m.y};
}

GxWindowPoint GxSdlWindowServices::ScreenToClient(GxWindowHandle window, GxWindowPoint screenPoint)
{
    GxWindowPoint origin = WindowOrigin(window);
    return {screenPoint.x - origin.x, screenPoint.y - origin.y};
}

void GxSdlWindowServices::SetCapture(GxWindowHandle window)
{
    m_Capture = window;
    if (m_SdlStarted && !m_Options.headless) SDL_CaptureMouse(SDL_TRUE);
}

void GxSdlWindowServices::ReleaseCapture()
{
    m_Capture = 0;
    if (m_SdlStarted && !m_Options.headless) SDL_CaptureMouse(SDL_FALSE);
}

GxWindowHandle GxSdlWindowServices::GetCapture() { return m_Capture; }

void GxSdlWindowServices::TranslateEvent(const SDL_Event& e)
{
    uint64_t xWindow = 0;
    int32_t xWidth = 0, xHeight = 0;
    if (GxSdlX11ConfigureOf(e, &xWindow, &xWidth, &xHeight)) {
        for (auto& [handle, w] : m_Windows) {
            if (w.xWindow == xWindow) w.xSize = GxSdlX11Size{xWidth, xHeight};
        }
        return;
    }
    uint32_t id = 0;
    switch (e.type) {
    case SDL_WINDOWEVENT: id = e.window.windowID; break;
    case SDL_MOUSEMOTION: id = e.motion.windowID; break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: id = e.button.windowID; break;
    case SDL_MOUSEWHEEL: id = e.wheel.windowID; break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: id = e.key.windowID; break;
    case SDL_QUIT: id = 0; break;
    default: return;
    }
    GxWindowHandle handle = id ? id : m_MainWindow;
    if (!FindWindow(handle)) return;
    if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
        m_Active = handle;
    } else if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
        if (m_Active == handle) m_Active = 0;
    } else if (e.type == SDL_KEYDOWN || e.type == SDL_MOUSEBUTTONDOWN) {
        // Keys and presses reach only the active window. Where the focus follows the pointer
        // (an X server without a window manager) no focus event comes, yet the window is the
        // one the player uses: it is active from its first input on.
        Activate(handle);
    }
    m_Scratch.clear();
    m_Translator.Translate(e, handle, WindowOrigin(handle), m_Capture != 0, m_Scratch);
    for (const auto& m : m_Scratch) m_Queue.push_back(m);
}

void GxSdlWindowServices::Pump()
{
    if (!m_SdlStarted) return;
    SDL_Event e;
    while (SDL_PollEvent(&e)) TranslateEvent(e);
}

bool GxSdlWindowServices::PeekMessage()
{
    Pump();
    return !m_Queue.empty();
}

bool GxSdlWindowServices::GetMessage(GxWindowMessageRecord& out)
{
    Pump();
    while (m_Queue.empty()) {
        if (!m_SdlStarted || m_Windows.empty()) {
            // Nothing could ever arrive: answer as a quit rather than wait forever.
            out = {0, GxWindowMessage::Quit, 0, 0};
            return false;
        }
        SDL_Event e;
        if (SDL_WaitEventTimeout(&e, 100)) TranslateEvent(e);
    }
    out = m_Queue.front();
    m_Queue.pop_front();
    return out.message != GxWindowMessage::Quit;
}

void GxSdlWindowServices::TranslateMessage(const GxWindowMessageRecord& message)
{
    (void)message;  // character messages are not used by the engine
}

GxLResult GxSdlWindowServices::DispatchMessage(const GxWindowMessageRecord& message)
{
    return SendMessage(message.window, message.message, message.wParam, message.lParam);
}

GxLResult GxSdlWindowServices::DefWindowProc(GxWindowHandle window, uint32_t message, GxWParam wParam, GxLParam lParam)
{
    (void)window; (void)message; (void)wParam; (void)lParam;
    return 0;
}

void GxSdlWindowServices::PostMessage(GxWindowHandle window, uint32_t message, GxWParam wParam, GxLParam lParam)
{
    m_Queue.push_back({window, message, wParam, lParam});
}

GxLResult GxSdlWindowServices::SendMessage(GxWindowHandle window, uint32_t message, GxWParam wParam, GxLParam lParam)
{
    Window* w = FindWindow(window);
    if (!w) return 0;
    auto it = m_Classes.find(w->className);
    if (it == m_Classes.end() || !it->second.procedure) return 0;
    return it->second.procedure->WindowProc(window, message, wParam, lParam);
}

void GxSdlWindowServices::PostQuitMessage(int32_t exitCode)
{
    m_Queue.push_back({0, GxWindowMessage::Quit, static_cast<GxWParam>(exitCode), 0});
}

void GxSdlWindowServices::ShowMessageBox(const std::u16string& caption, const std::u16string& text)
{
    ShowBox(caption, text, !m_Options.headless);
}

std::u16string GxSdlWindowServices::GetCurrentDirectory()
{
    std::string buf(256, '\0');
    while (!getcwd(buf.data(), buf.size())) {
        if (errno != ERANGE || buf.size() > (1u << 20)) return {};
        buf.resize(buf.size() * 2);
    }
    buf.resize(strlen(buf.c_str()));
    return GxUtf8ToWide(buf);
}

std::u16string GxSdlWindowServices::GetDocumentsFolder()
{
    std::string path;
    if (const char* xdg = getenv("XDG_DOCUMENTS_DIR"); xdg && *xdg) path = xdg;
    else if (const char* home = getenv("HOME"); home && *home) path = std::string(home) + "/Documents";
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return GxUtf8ToWide(path);
}

bool GxSdlWindowServices::CreateDirectory(const std::u16string& path)
{
    std::string native = GxWideToUtf8(path);
    return !native.empty() && mkdir(native.c_str(), 0777) == 0;
}

void* GxGetNativeWindow(GxWindowServices* services, GxWindowHandle window)
{
    auto* sdl = dynamic_cast<GxSdlWindowServices*>(services);
    return sdl ? static_cast<void*>(sdl->GetSdlWindow(window)) : nullptr;
}
