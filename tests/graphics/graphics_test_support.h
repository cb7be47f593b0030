// Shared pieces of the graphics suites: logs redirected into a fresh folder, captured message
// boxes, and reading a log back as text.
#pragma once

#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/GxLog.h"
#include "core/GxString.h"
#include "platform/GxDeviceTypes.h"

namespace gxtest {

inline std::vector<std::pair<std::u16string, std::u16string>>& MessageBoxes()
{
    static std::vector<std::pair<std::u16string, std::u16string>> boxes;
    return boxes;
}

inline void CaptureMessageBox(const std::u16string& caption, const std::u16string& text)
{
    MessageBoxes().emplace_back(caption, text);
}

// Reads a UTF-16LE log back with its CR LF turned into LF.
inline std::u16string ReadLog(const std::filesystem::path& path)
{
    std::u16string out;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return out;
    std::string bytes;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    fclose(f);
    size_t i = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE' ? 2 : 0;
    for (; i + 1 < bytes.size(); i += 2) {
        char16_t c = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                           (static_cast<unsigned char>(bytes[i + 1]) << 8));
        if (c == u'\r') continue;
        out.push_back(c);
    }
    return out;
}

inline std::vector<std::u16string> Lines(const std::u16string& text)
{
    std::vector<std::u16string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(u'\n', start);
        if (end == std::u16string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// Puts the three logs into a new folder for the test and captures message boxes.
class LogFolder
{
public:
    LogFolder()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "gx_graphics_XXXXXX").string();
        char* made = mkdtemp(tmpl.data());
        dir = made ? made : tmpl;
        GxSetErrorLogPath(GxUtf8ToWide((dir / "error.log").string()));
        GxSetDebugLogPath(GxUtf8ToWide((dir / "debug.log").string()));
        GxSetDeviceLogPath(GxUtf8ToWide((dir / "device.log").string()));
        GxSetMessageBoxHandler(CaptureMessageBox);
        GxSetSkipSlightError(false);
        MessageBoxes().clear();
    }
    ~LogFolder()
    {
        GxSetMessageBoxHandler(nullptr);
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::u16string Device() const { return ReadLog(dir / "device.log"); }
    std::u16string Error() const { return ReadLog(dir / "error.log"); }

    std::filesystem::path dir;
};

// Present parameters of a window-mode device of that size, and the creation flags the engine
// passes, for tests that make devices themselves.
inline GxPresentParameters WindowedParams(uint32_t w, uint32_t h, GxFormat format = GXFMT_X8R8G8B8)
{
    GxPresentParameters p;
    p.BackBufferWidth = w;
    p.BackBufferHeight = h;
    p.BackBufferFormat = format;
    p.BackBufferCount = 1;
    p.SwapEffect = GXSWAPEFFECT_FLIP;
    p.Windowed = 1;
    p.PresentationInterval = GXPRESENT_INTERVAL_ONE;
    return p;
}
constexpr uint32_t kDeviceCreateFlags =
    GXCREATE_MIXED_VERTEXPROCESSING | GXCREATE_MULTITHREADED | GXCREATE_FPU_PRESERVE;

// A real display for GL tests that need a window (run under one, e.g. Xvfb): while it lives
// GX_HEADLESS is "0" and SDL's video is up. Without a display, or without SDL video, Ready() is
// false and Why() says why (the test skips itself).
class WindowDisplay
{
public:
    WindowDisplay()
    {
        const char* display = getenv("DISPLAY");
        if (!display || !*display) {
            m_Why = "no display";
            return;
        }
        const char* headless = getenv("GX_HEADLESS");
        m_HadHeadless = headless != nullptr;
        if (headless) m_Headless = headless;
        setenv("GX_HEADLESS", "0", 1);
        m_Restore = true;
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            m_Why = std::string("no SDL video: ") + SDL_GetError();
            return;
        }
        m_Video = true;
    }
    ~WindowDisplay()
    {
        if (m_Video) {
            SDL_PumpEvents();
            SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
        }
        if (!m_Restore) return;
        if (m_HadHeadless) setenv("GX_HEADLESS", m_Headless.c_str(), 1);
        else unsetenv("GX_HEADLESS");
    }
    WindowDisplay(const WindowDisplay&) = delete;
    WindowDisplay& operator=(const WindowDisplay&) = delete;

    bool Ready() const { return m_Video; }
    const std::string& Why() const { return m_Why; }

private:
    std::string m_Why;
    std::string m_Headless;
    bool m_HadHeadless = false;
    bool m_Restore = false;
    bool m_Video = false;
};

// True when every line of wanted occurs in lines in that order (other lines may lie between).
inline ::testing::AssertionResult InOrder(const std::vector<std::u16string>& lines,
                                          const std::vector<std::u16string>& wanted)
{
    size_t at = 0;
    for (const auto& w : wanted) {
        while (at < lines.size() && lines[at] != w) ++at;
        if (at == lines.size()) return ::testing::AssertionFailure() << "missing or out of order: " << GxWideToUtf8(w);
        ++at;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace gxtest
