#include "platform/GxHeadless.h"

#include <SDL2/SDL.h>
#include <png.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sys/resource.h>
#include <fstream>
#include <sstream>

#include "core/GxLog.h"
#include "platform/GxPresentRect.h"
#include "platform/GxSdlWindow.h"

namespace {

bool EnvSet(const char* name)
{
    const char* v = getenv(name);
    return v && *v && strcmp(v, "0") != 0;
}

bool ParseUInt(const std::string& s, uint32_t& out)
{
    if (s.empty() || s.size() > 10) return false;
    uint64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v > 0xFFFFFFFFu) return false;
    out = static_cast<uint32_t>(v);
    return true;
}

bool ParseFloat(const std::string& s, float& out)
{
    if (s.empty()) return false;
    char* end = nullptr;
    errno = 0;
    double v = strtod(s.c_str(), &end);
    if (errno != 0 || !end || *end != '\0' || !std::isfinite(v)) return false;
    out = static_cast<float>(v);
    return true;
}

bool ParseButton(const std::string& s, uint8_t& out)
{
    if (s == "left") out = SDL_BUTTON_LEFT;
    else if (s == "right") out = SDL_BUTTON_RIGHT;
    else if (s == "middle") out = SDL_BUTTON_MIDDLE;
    else return false;
    return true;
}

std::string Trim(std::string s)
{
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

}  // namespace

bool GxIsHeadless()
{
    if (EnvSet("GX_HEADLESS")) return true;
    const char* x = getenv("DISPLAY");
    const char* w = getenv("WAYLAND_DISPLAY");
    return !(x && *x) && !(w && *w);
}

bool GxReadHarnessOptions(GxHarnessOptions& options, std::string& error)
{
    options = GxHarnessOptions();
    options.headless = GxIsHeadless();
    options.unpaced = options.headless && EnvSet("GX_UNPACED");
    options.holdMessageBoxes = options.headless && EnvSet("GX_HOLD_MESSAGE_BOXES");
    options.reportFrames = EnvSet("GX_FRAME_REPORT");
    if (const char* n = getenv("GX_EXIT_AFTER_FRAMES"); n && *n) {
        if (!ParseUInt(n, options.exitAfterFrames) || options.exitAfterFrames == 0) {
            error = std::string("GX_EXIT_AFTER_FRAMES must be a whole number of frames from 1: \"") + n + "\"";
            return false;
        }
    }
    if (const char* s = getenv("GX_SCREENSHOT"); s && *s) options.screenshotPath = s;
    if (const char* s = getenv("GX_INPUT_SCRIPT"); s && *s) options.inputScriptPath = s;
    if (const char* s = getenv("GX_FIRST_FRAME_OF"); s && *s) options.firstFrameOf = s;
    if (const char* s = getenv("GX_START_STAMP"); s && *s) {
        char* end = nullptr;
        errno = 0;
        const long long v = strtoll(s, &end, 10);
        if (errno != 0 || !end || *end != '\0' || v < 0) {
            error = std::string("GX_START_STAMP must be CLOCK_MONOTONIC nanoseconds: \"") + s + "\"";
            return false;
        }
        options.startStampNs = v;
    }
    return true;
}

bool GxParseInputScript(std::string_view text, std::vector<GxInputScriptEvent>& out, std::string& error)
{
    out.clear();
    std::istringstream in{std::string(text)};
    std::string raw;
    int32_t lineNo = 0;
    auto fail = [&](const std::string& what) {
        error = "line " + std::to_string(lineNo) + ": " + what;
        out.clear();
        return false;
    };
    while (std::getline(in, raw)) {
        ++lineNo;
        if (size_t hash = raw.find('#'); hash != std::string::npos) raw.resize(hash);
        std::string line = Trim(raw);
        if (line.empty()) continue;
        std::istringstream words(line);
        std::string frameText, verb;
        words >> frameText >> verb;
        GxInputScriptEvent ev;
        ev.line = lineNo;
        if (!ParseUInt(frameText, ev.frame) || ev.frame == 0) return fail("a frame number from 1 must come first");
        std::vector<std::string> args;
        for (std::string a; words >> a;) args.push_back(a);

        auto position = [&](size_t first) {
            if (args.size() != first + 2) return false;
            if (!ParseFloat(args[first], ev.x) || !ParseFloat(args[first + 1], ev.y)) return false;
            ev.hasPosition = true;
            return true;
        };
        auto keyName = [&]() {
            // The rest of the line after the verb, so that names with blanks work.
            size_t at = line.find(verb, frameText.size()) + verb.size();
            std::string name = Trim(line.substr(at));
            SDL_Keycode key = SDL_GetKeyFromName(name.c_str());
            if (name.empty() || key == SDLK_UNKNOWN) return false;
            ev.keycode = key;
            ev.scancode = SDL_GetScancodeFromKey(key);
            if (ev.scancode == SDL_SCANCODE_UNKNOWN) ev.scancode = SDL_GetScancodeFromName(name.c_str());
            return true;
        };

        if (verb == "move") {
            ev.kind = GxInputScriptEvent::Kind::Move;
            if (!position(0)) return fail("move needs <x> <y>");
            out.push_back(ev);
        } else if (verb == "down" || verb == "up" || verb == "click") {
            if (args.empty() || !ParseButton(args[0], ev.button)) return fail(verb + " needs left, right or middle");
            if (!position(1)) return fail(verb + " needs <button> <x> <y>");
            if (verb != "up") {
                ev.kind = GxInputScriptEvent::Kind::Down;
                out.push_back(ev);
            }
            if (verb != "down") {
                ev.kind = GxInputScriptEvent::Kind::Up;
                out.push_back(ev);
            }
        } else if (verb == "wheel") {
            float n = 0;
            if (args.empty() || !ParseFloat(args[0], n) || n != std::floor(n) || n == 0 || std::fabs(n) > 273)
                return fail("wheel needs a whole, non-zero number of notches");
            ev.notches = static_cast<int32_t>(n);
            if (args.size() != 1 && !position(1)) return fail("wheel takes <notches> [<x> <y>]");
            ev.kind = GxInputScriptEvent::Kind::Wheel;
            out.push_back(ev);
        } else if (verb == "keydown" || verb == "keyup" || verb == "key") {
            if (!keyName()) return fail("unknown key name");
            if (verb != "keyup") {
                ev.kind = GxInputScriptEvent::Kind::KeyDown;
                out.push_back(ev);
            }
            if (verb != "keydown") {
                ev.kind = GxInputScriptEvent::Kind::KeyUp;
                out.push_back(ev);
            }
        } else if (verb == "screenshot" || verb == "look") {
            // The rest of the line, so that names with blanks work.
            ev.path = Trim(line.substr(line.find(verb, frameText.size()) + verb.size()));
            if (ev.path.empty()) return fail(verb + " needs <file>");
            ev.kind = GxInputScriptEvent::Kind::Screenshot;
            ev.drawn = verb == "screenshot";
            out.push_back(ev);
        } else if (verb == "close") {
            if (!args.empty()) return fail("close takes nothing");
            ev.kind = GxInputScriptEvent::Kind::Close;
            out.push_back(ev);
        } else {
            return fail("unknown event \"" + verb + "\"");
        }
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const GxInputScriptEvent& a, const GxInputScriptEvent& b) { return a.frame < b.frame; });
    return true;
}

namespace {

int64_t MonotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t{ts.tv_sec} * 1000000000 + ts.tv_nsec;
}

}  // namespace

GxHarness::GxHarness(const GxHarnessOptions& options, GxSdlWindowServices* services)
    : m_Options(options), m_Services(services), m_CreatedNs(MonotonicNs())
{
}

bool GxHarness::OnFramePresented(const std::string& currentScreen)
{
    if (m_FirstFrameReported || m_Options.firstFrameOf.empty() || currentScreen != m_Options.firstFrameOf) return false;
    m_FirstFrameReported = true;
    const bool stamped = m_Options.startStampNs >= 0;
    const double ms = static_cast<double>(MonotonicNs() - (stamped ? m_Options.startStampNs : m_CreatedNs)) / 1e6;
    // The process's own CPU time and peak memory up to this frame: what start-up cost, without
    // the shutdown that follows.
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double cpuMs = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    std::fprintf(stderr, "first frame of %s: %.3f ms after the %s, cpu %.3f ms, peak rss %ld KiB\n",
                 currentScreen.c_str(), ms, stamped ? "start stamp" : "harness started", cpuMs, usage.ru_maxrss);
    return true;
}

bool GxHarness::Load(std::string& error)
{
    m_Events.clear();
    m_Next = 0;
    if (m_Options.inputScriptPath.empty()) return true;
    std::ifstream f(m_Options.inputScriptPath, std::ios::binary);
    if (!f) {
        error = "cannot read the input script " + m_Options.inputScriptPath;
        return false;
    }
    std::stringstream ss;
    ss << f.rdbuf();
    std::string parseError;
    if (!GxParseInputScript(ss.str(), m_Events, parseError)) {
        error = m_Options.inputScriptPath + ": " + parseError;
        return false;
    }
    // Screenshots are taken after their frame, not pushed as input.
    m_Screenshots.clear();
    for (const GxInputScriptEvent& ev : m_Events)
        if (ev.kind == GxInputScriptEvent::Kind::Screenshot) m_Screenshots.push_back(ev);
    std::erase_if(m_Events, [](const GxInputScriptEvent& ev) { return ev.kind == GxInputScriptEvent::Kind::Screenshot; });
    return true;
}

bool GxHarness::ShouldRequestQuit(uint32_t framesRun) const
{
    return m_Options.exitAfterFrames != 0 && framesRun + 1 == m_Options.exitAfterFrames;
}

void GxHarness::BeginFrame(uint32_t frame, GxWindowHandle mainWindow)
{
    while (m_Next < m_Events.size() && m_Events[m_Next].frame < frame) ++m_Next;  // frames already gone
    while (m_Next < m_Events.size() && m_Events[m_Next].frame == frame) Push(m_Events[m_Next++], mainWindow);
}

void GxHarness::Push(const GxInputScriptEvent& ev, GxWindowHandle mainWindow)
{
    if (!m_Services || !m_Services->IsInitialized() || !mainWindow) return;
    const uint32_t id = static_cast<uint32_t>(mainWindow);
    GxWindowRect rc = m_Services->GetClientRect(mainWindow);
    // The logical screen is shown in the picture's rectangle of the client area, as the window
    // procedure maps the mouse back through it.
    const GxPresentRect picture =
        GxFitPresentRect(kGxLogicalScreenWidth, kGxLogicalScreenHeight, rc.right - rc.left, rc.bottom - rc.top);
    auto toClient = [&](float v, int32_t origin, int32_t size, float logical) {
        return origin + static_cast<int32_t>(std::lround(static_cast<double>(v) * size / logical));
    };
    const int32_t cx = toClient(ev.x, picture.left, picture.width, static_cast<float>(kGxLogicalScreenWidth));
    const int32_t cy = toClient(ev.y, picture.top, picture.height, static_cast<float>(kGxLogicalScreenHeight));
    SDL_Event e;
    memset(&e, 0, sizeof(e));
    e.common.timestamp = SDL_GetTicks();
    switch (ev.kind) {
    case GxInputScriptEvent::Kind::Move:
        e.type = SDL_MOUSEMOTION;
        e.motion.windowID = id;
        e.motion.x = cx;
        e.motion.y = cy;
        break;
    case GxInputScriptEvent::Kind::Down:
    case GxInputScriptEvent::Kind::Up:
        e.type = ev.kind == GxInputScriptEvent::Kind::Down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.windowID = id;
        e.button.button = ev.button;
        e.button.state = ev.kind == GxInputScriptEvent::Kind::Down ? SDL_PRESSED : SDL_RELEASED;
        e.button.clicks = 1;
        e.button.x = cx;
        e.button.y = cy;
        break;
    case GxInputScriptEvent::Kind::Wheel:
        if (ev.hasPosition) {
            SDL_Event m;
            memset(&m, 0, sizeof(m));
            m.type = SDL_MOUSEMOTION;
            m.motion.windowID = id;
            m.motion.x = cx;
            m.motion.y = cy;
            SDL_PushEvent(&m);
        }
        e.type = SDL_MOUSEWHEEL;
        e.wheel.windowID = id;
        e.wheel.y = ev.notches;
        e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
        break;
    case GxInputScriptEvent::Kind::KeyDown:
    case GxInputScriptEvent::Kind::KeyUp:
        e.type = ev.kind == GxInputScriptEvent::Kind::KeyDown ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.windowID = id;
        e.key.state = ev.kind == GxInputScriptEvent::Kind::KeyDown ? SDL_PRESSED : SDL_RELEASED;
        e.key.keysym.sym = ev.keycode;
        e.key.keysym.scancode = static_cast<SDL_Scancode>(ev.scancode);
        e.key.keysym.mod = KMOD_NUM;
        break;
    case GxInputScriptEvent::Kind::Screenshot:
        return;
    case GxInputScriptEvent::Kind::Close:
        e.type = SDL_WINDOWEVENT;
        e.window.windowID = id;
        e.window.event = SDL_WINDOWEVENT_CLOSE;
        break;
    }
    SDL_PushEvent(&e);
}

std::vector<std::string> GxHarness::ScreenshotsAfter(uint32_t frame) const
{
    std::vector<std::string> paths;
    for (const GxInputScriptEvent& ev : m_Screenshots)
        if (ev.frame == frame) paths.push_back(ev.path);
    return paths;
}

bool GxHarness::CapturesFrame(uint32_t frame) const
{
    if (WantsScreenshot() && m_Options.exitAfterFrames == frame) return true;
    for (const GxInputScriptEvent& ev : m_Screenshots)
        if (ev.frame == frame && ev.drawn) return true;
    return false;
}

bool GxHarness::WriteScreenshot(uint32_t width, uint32_t height, const std::vector<uint32_t>& pixels) const
{
    return GxWritePngRgb(m_Options.screenshotPath, width, height, pixels);
}

bool GxWritePngRgb(const std::string& path, uint32_t width, uint32_t height, const std::vector<uint32_t>& pixels)
{
    if (width == 0 || height == 0 || pixels.size() != static_cast<size_t>(width) * height) {
        GxPrintErrorLog(u"Error/GxHarness WriteScreenshot Failed(bad picture %u x %u)\n", width, height);
        return false;
    }
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) {
        GxPrintErrorLog(u"Error/GxHarness WriteScreenshot Failed(cannot open %S)\n", path.c_str());
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<png_byte> row(static_cast<size_t>(width) * 3);
    bool ok = png && info;
    if (ok && setjmp(png_jmpbuf(png))) ok = false;
    else if (ok) {
        png_init_io(png, f);
        png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (uint32_t y = 0; y < height; ++y) {
            const uint32_t* src = &pixels[static_cast<size_t>(y) * width];
            for (uint32_t x = 0; x < width; ++x) {
                row[x * 3 + 0] = static_cast<png_byte>(src[x] >> 16);
                row[x * 3 + 1] = static_cast<png_byte>(src[x] >> 8);
                row[x * 3 + 2] = static_cast<png_byte>(src[x]);
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
    }
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    if (fclose(f) != 0) ok = false;
    if (!ok) GxPrintErrorLog(u"Error/GxHarness WriteScreenshot Failed(cannot write %S)\n", path.c_str());
    return ok;
}
