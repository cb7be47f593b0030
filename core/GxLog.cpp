#include "core/GxLog.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

#include "core/GxString.h"

namespace {

struct LogState
{
    std::mutex lock;  // serialises appends, path changes and the open files
    std::u16string paths[3] = {u"error.log", u"debug.log", u"device.log"};
    FILE* files[3] = {};  // opened at the first line, kept until the path changes or the close
    std::atomic<uint32_t> errorCount{0};
    std::atomic<GxDebugListenerBase*> listener{nullptr};
    std::atomic<bool> skipSlight{false};
    std::atomic<GxMessageBoxHandler> messageBox{nullptr};
    std::u16string unwrittenError;  // the last error line "error.log" did not take (lock held)
};

// Function-local so that logging works before and during static construction of other globals.
LogState& State()
{
    static LogState* s = new LogState;  // never destroyed: threads may log during exit
    return *s;
}

constexpr size_t kListenerUnits = 1023;

// The open file of a log, opened on demand (lock held). A log that cannot be opened is tried
// again at its next line.
FILE* OpenLog(LogState& s, int which)
{
    if (s.files[which]) return s.files[which];
    std::string path = GxPathToNative(s.paths[which]);
    // "e": no program the engine starts inherits the descriptor.
    FILE* f = fopen(path.c_str(), "abe");
    if (!f) return nullptr;
    // A new or empty file starts with the BOM.
    if (fseek(f, 0, SEEK_END) == 0 && ftell(f) == 0) fwrite("\xFF\xFE", 1, 2, f);
    s.files[which] = f;
    return f;
}

void CloseLog(LogState& s, int which)
{
    if (s.files[which]) fclose(s.files[which]);
    s.files[which] = nullptr;
}

// One append in the text-mode UTF-16LE form: LF as CR LF (unless the text is copied as it
// stands). Each line is flushed at once, so a crash loses none of it.
bool AppendWide(int which, std::u16string_view text, bool textMode = true)
{
    LogState& s = State();
    std::lock_guard<std::mutex> g(s.lock);
    FILE* f = OpenLog(s, which);
    if (!f) return false;
    std::string bytes;
    bytes.reserve(text.size() * 2 + 8);
    for (char16_t c : text) {
        if (c == u'\n' && textMode) bytes.append("\r\0", 2);
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    const bool written = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size() && fflush(f) == 0;
    // A file that refused a line (a full disk) is opened again at the next one.
    if (!written) CloseLog(s, which);
    return written;
}

// An error line the file did not take goes to stderr, and the debug overlay names it.
void AppendError(std::u16string_view text, bool textMode = true)
{
    if (AppendWide(0, text, textMode)) return;
    {
        LogState& s = State();
        std::lock_guard<std::mutex> g(s.lock);
        s.unwrittenError.assign(text);
    }
    const std::string utf8 = GxWideToUtf8(text);
    fprintf(stderr, "%s%s", utf8.c_str(), !utf8.empty() && utf8.back() == '\n' ? "" : "\n");
}

void Notify(std::u16string_view text, int level)
{
    GxDebugListenerBase* l = State().listener.load();
    if (l) l->OnDebugOutput(std::u16string(GxCutText(text, kListenerUnits)), level);
}

// Cut narrow CP932 text to at most max bytes without leaving half of a double-byte character.
std::string_view CutAnsi(std::string_view text, size_t max)
{
    if (text.size() <= max) return text;
    size_t i = 0;
    while (i < max) {
        unsigned char b = text[i];
        size_t len = ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) ? 2 : 1;
        if (i + len > max) break;
        i += len;
    }
    return text.substr(0, i);
}

}  // namespace

static void SetLogPath(int which, std::u16string_view path)
{
    LogState& s = State();
    std::lock_guard g(s.lock);
    CloseLog(s, which);
    s.paths[which] = path;
}

void GxSetErrorLogPath(std::u16string_view path) { SetLogPath(0, path); }
void GxSetDebugLogPath(std::u16string_view path) { SetLogPath(1, path); }
void GxSetDeviceLogPath(std::u16string_view path) { SetLogPath(2, path); }

void GxCloseLogs()
{
    LogState& s = State();
    std::lock_guard g(s.lock);
    for (int i = 0; i < 3; ++i) CloseLog(s, i);
}

std::u16string GxGetLogPath(GxLogFile which)
{
    std::lock_guard g(State().lock);
    return State().paths[static_cast<int>(which)];
}

static void DeleteLog(int which)
{
    LogState& s = State();
    std::lock_guard g(s.lock);
    CloseLog(s, which);
    remove(GxPathToNative(s.paths[which]).c_str());
}

void GxDeleteErrorLog() { DeleteLog(0); }
void GxDeleteDebugLog() { DeleteLog(1); }
void GxDeleteDeviceLog() { DeleteLog(2); }

bool GxResetErrorCount()
{
    LogState& s = State();
    s.errorCount = 0;
    std::lock_guard<std::mutex> g(s.lock);
    s.unwrittenError.clear();
    return true;
}

std::u16string GxGetUnwrittenErrorLine()
{
    LogState& s = State();
    std::lock_guard<std::mutex> g(s.lock);
    return s.unwrittenError;
}

uint32_t GxGetErrorCount() { return State().errorCount.load(); }
void GxSetDebugListener(GxDebugListenerBase* listener) { State().listener = listener; }
GxDebugListenerBase* GxGetDebugListener() { return State().listener.load(); }
void GxSetSkipSlightError(bool skip) { State().skipSlight = skip; }
bool GxGetSkipSlightError() { return State().skipSlight.load(); }

std::u16string_view GxCutText(std::u16string_view text, size_t maxUnits)
{
    if (text.size() <= maxUnits) return text;
    size_t n = maxUnits;
    if (n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
    return text.substr(0, n);
}

void GxLogErrorText(std::u16string_view text, int level)
{
    if (level == 0 && GxGetSkipSlightError()) return;
    ++State().errorCount;
    AppendError(text);
    Notify(text, level);
}

void GxLogErrorTextA(std::string_view ansiText)
{
    ++State().errorCount;
    std::u16string wide = GxAnsiToWide(CutAnsi(ansiText, 1023));
    AppendError(wide);
    Notify(wide, 1);
}

void GxLogDebugText(std::u16string_view text)
{
    AppendWide(1, text);
    Notify(text, 2);
}

void GxLogDeviceText(std::u16string_view text) { AppendWide(2, text); }

void GxWriteErrorLogBinary(const void* bytes, uint32_t count)
{
    // The bytes are 8-bit compiler text; the file is UTF-16, so they are converted rather than
    // appended raw (raw bytes would leave the rest of the file unreadable). Their line ends are
    // kept as they come, as a binary append would.
    ++State().errorCount;
    if (!bytes || count == 0) return;
    AppendError(GxAnsiToWide(std::string_view(static_cast<const char*>(bytes), count)), false);
}

void GxSetMessageBoxHandler(GxMessageBoxHandler handler) { State().messageBox = handler; }

void GxShowMessageBoxText(std::u16string_view caption, std::u16string_view text)
{
    std::u16string cut(GxCutText(text, 521));
    GxMessageBoxHandler h = State().messageBox.load();
    if (h) {
        h(std::u16string(caption), cut);
        return;
    }
    std::string c = GxWideToUtf8(caption), t = GxWideToUtf8(cut);
    fprintf(stderr, "[%s] %s\n", c.c_str(), t.c_str());
}

double GxGetProfilerTime()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 10000.0 + static_cast<double>(ts.tv_nsec) / 100000.0;
}

GxProfiler::GxProfiler()
{
    std::memset(m_Sections, 0, sizeof m_Sections);
    Reset();
}

void GxProfiler::Reset()
{
    m_StartTime = GxGetProfilerTime();
    m_StartTime2 = m_StartTime;
    for (auto& table : m_Sections)
        for (auto& s : table) s.name[0] = 0;
}
