#include "tests/support/GxTestXServer.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#if defined(GX_TEST_HAVE_X11)
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#endif

extern char** environ;

namespace gxtest {

namespace {

constexpr int kStartTimeoutMs = 20000;

pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv, int displayFd)
{
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    if (displayFd >= 0) posix_spawn_file_actions_adddup2(&fa, displayFd, 3);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string kv = *e;
        if (kv.rfind("DISPLAY=", 0) != 0) env.push_back(kv);
    }
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> argv, envp;
    std::vector<std::string> a = args, en = env;
    for (auto& s : a) argv.push_back(s.data());
    argv.push_back(nullptr);
    for (auto& s : en) envp.push_back(s.data());
    envp.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &fa, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&fa);
    return pid;
}

bool Installed(const std::string& program)
{
    const char* path = getenv("PATH");
    std::string p = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= p.size()) {
        size_t end = p.find(':', start);
        if (end == std::string::npos) end = p.size();
        const std::string file = p.substr(start, end - start) + "/" + program;
        if (access(file.c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

void Stop(pid_t& pid)
{
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    pid = -1;
}

#if defined(GX_TEST_HAVE_X11)
// Whether a window manager has put its mark on the root window.
bool Managed(Display* d)
{
    const Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const bool ok = XGetWindowProperty(d, DefaultRootWindow(d), check, 0, 1, False, XA_WINDOW, &type, &format, &count,
                                       &after, &data) == Success &&
                    count == 1;
    if (data) XFree(data);
    return ok;
}
#endif

}  // namespace

TestXServer::TestXServer(int32_t width, int32_t height)
{
    int fds[2];
    if (pipe(fds) != 0) return;
    m_Server = Spawn({"Xvfb", "-displayfd", "3", "-screen", "0",
                      std::to_string(width) + "x" + std::to_string(height) + "x24", "-nolisten", "tcp"},
                     {}, fds[1]);
    close(fds[1]);
    // The server writes its display number once it accepts clients; nothing when it fails.
    std::string number;
    char c = 0;
    pollfd ready{fds[0], POLLIN, 0};
    while (m_Server > 0 && poll(&ready, 1, kStartTimeoutMs) == 1 && read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (!number.empty()) m_Display = ":" + number;
}

TestXServer::~TestXServer()
{
    Stop(m_Manager);
    Stop(m_Server);
}

std::string TestXServer::StartWindowManager()
{
#if defined(GX_TEST_HAVE_X11)
    if (m_Display.empty() || m_Manager > 0) return {};
    for (const char* name : {"evilwm", "openbox"}) {
        if (!Installed(name)) continue;
        // evilwm's own default font is not among the X server's base fonts; "fixed" always is.
        std::vector<std::string> argv{name};
        if (std::string(name) == "evilwm") argv.insert(argv.end(), {"-fn", "fixed"});
        m_Manager = Spawn(argv, {"DISPLAY=" + m_Display}, -1);
        if (m_Manager <= 0) continue;
        ::Display* d = XOpenDisplay(m_Display.c_str());
        bool up = false;
        for (int waited = 0; d && waited < kStartTimeoutMs && !up; waited += 20) {
            up = Managed(d);
            if (!up) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (d) XCloseDisplay(d);
        if (up) return name;
        Stop(m_Manager);
    }
#endif
    return {};
}

bool TestXServer::Grab(ScreenGrab& out) const
{
#if defined(GX_TEST_HAVE_X11)
    if (m_Display.empty()) return false;
    ::Display* d = XOpenDisplay(m_Display.c_str());
    if (!d) return false;
    XWindowAttributes root;
    XGetWindowAttributes(d, DefaultRootWindow(d), &root);
    XImage* image = XGetImage(d, DefaultRootWindow(d), 0, 0, static_cast<unsigned>(root.width),
                              static_cast<unsigned>(root.height), AllPlanes, ZPixmap);
    if (!image) {
        XCloseDisplay(d);
        return false;
    }
    auto channel = [](unsigned long pixel, unsigned long mask) -> uint32_t {
        if (!mask) return 0;
        int shift = 0;
        while (!((mask >> shift) & 1)) ++shift;
        const unsigned long max = mask >> shift;
        return static_cast<uint32_t>(((pixel & mask) >> shift) * 255 / max);
    };
    out.width = root.width;
    out.height = root.height;
    out.pixels.resize(static_cast<size_t>(out.width) * out.height);
    const bool direct = image->bits_per_pixel == 32 && image->byte_order == LSBFirst;
    for (int32_t y = 0; y < out.height; ++y)
        for (int32_t x = 0; x < out.width; ++x) {
            const unsigned long p =
                direct ? *reinterpret_cast<const uint32_t*>(image->data + static_cast<size_t>(y) * image->bytes_per_line + 4 * x)
                       : XGetPixel(image, x, y);
            out.pixels[static_cast<size_t>(y) * out.width + x] = channel(p, image->red_mask) << 16 |
                                                                 channel(p, image->green_mask) << 8 |
                                                                 channel(p, image->blue_mask);
        }
    XDestroyImage(image);
    XCloseDisplay(d);
    return true;
#else
    (void)out;
    return false;
#endif
}

bool TestXServer::Click(int32_t x, int32_t y) const
{
#if defined(GX_TEST_HAVE_X11)
    if (m_Display.empty()) return false;
    // XTEST through its library when it is there: the test needs no headers of it.
    void* xtst = dlopen("libXtst.so.6", RTLD_NOW | RTLD_LOCAL);
    if (!xtst) return false;
    using Motion = int (*)(::Display*, int, int, int, unsigned long);
    using Button = int (*)(::Display*, unsigned int, Bool, unsigned long);
    auto motion = reinterpret_cast<Motion>(dlsym(xtst, "XTestFakeMotionEvent"));
    auto button = reinterpret_cast<Button>(dlsym(xtst, "XTestFakeButtonEvent"));
    ::Display* d = motion && button ? XOpenDisplay(m_Display.c_str()) : nullptr;
    if (!d) {
        dlclose(xtst);
        return false;
    }
    motion(d, -1, x, y, 0);
    XSync(d, False);
    button(d, 1, True, 0);
    XSync(d, False);
    button(d, 1, False, 0);
    XSync(d, False);
    XCloseDisplay(d);
    dlclose(xtst);
    return true;
#else
    (void)x; (void)y;
    return false;
#endif
}

}  // namespace gxtest
