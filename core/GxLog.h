// The three logs ("error.log", "debug.log", "device.log"), the error count, the debug listener,
// the message box and the profiler clock.
//
// Each message is one append to a UTF-16LE file, flushed at once; "\n" is written as CR LF and
// nothing is added to the message. An error line the file does not take goes to stderr. A log file is opened at its first line and kept open until
// its path changes, it is deleted or GxCloseLogs closes them all. Appends from several threads
// (sound and movie threads log too) are serialised, so lines never interleave.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/GxFormat.h"

class GxDebugListenerBase
{
public:
    virtual ~GxDebugListenerBase() = default;
    // level: 0 slight error, 1 error, 2 debug line.
    virtual void OnDebugOutput(const std::u16string& text, int level) = 0;
};

enum class GxLogFile { Error, Debug, Device };

void GxSetErrorLogPath(std::u16string_view path);
void GxSetDebugLogPath(std::u16string_view path);
void GxSetDeviceLogPath(std::u16string_view path);
std::u16string GxGetLogPath(GxLogFile which);
void GxDeleteErrorLog();
void GxDeleteDebugLog();
void GxDeleteDeviceLog();
// Closes the open log files (the program's last step); a later line opens its file again.
void GxCloseLogs();

// Also forgets the unwritten error line.
bool GxResetErrorCount();
uint32_t GxGetErrorCount();
// The last error line that could not be written to the error log (a full disk, a read-only
// folder); such a line goes to stderr instead. Empty while every one reached the file.
std::u16string GxGetUnwrittenErrorLine();
void GxSetDebugListener(GxDebugListenerBase* listener);
GxDebugListenerBase* GxGetDebugListener();
void GxSetSkipSlightError(bool skip);
bool GxGetSkipSlightError();

// The formatted forms below all end in these.
void GxLogErrorText(std::u16string_view text, int level);  // level 1 error, 0 slight error
void GxLogErrorTextA(std::string_view ansiText);            // already formatted narrow text
void GxLogDebugText(std::u16string_view text);
void GxLogDeviceText(std::u16string_view text);
// Appends 8-bit (code page) text such as a compiler's error output to the error log, converted to
// UTF-16 so the file stays readable; counts one error; the listener is not told.
void GxWriteErrorLogBinary(const void* bytes, uint32_t count);

template <typename... Args>
inline void GxPrintErrorLog(std::u16string_view fmt, const Args&... args)
{
    GxLogErrorText(GxFormatString(fmt, args...), 1);
}

template <typename... Args>
inline void GxPrintSlightErrorLog(std::u16string_view fmt, const Args&... args)
{
    if (GxGetSkipSlightError()) return;
    GxLogErrorText(GxFormatString(fmt, args...), 0);
}

template <typename... Args>
inline void GxPrintErrorLogA(std::string_view fmt, const Args&... args)
{
    GxLogErrorTextA(GxFormatNarrow(fmt, args...));
}

template <typename... Args>
inline void GxPrintDebugLog(std::u16string_view fmt, const Args&... args)
{
    GxLogDebugText(GxFormatString(fmt, args...));
}

template <typename... Args>
inline void GxPrintDeviceLog(std::u16string_view fmt, const Args&... args)
{
    GxLogDeviceText(GxFormatString(fmt, args...));
}

// Message box. The platform layer installs the real one; until then (and headless) the text
// goes to stderr, so nothing ever blocks waiting for a click.
using GxMessageBoxHandler = void (*)(const std::u16string& caption, const std::u16string& text);
void GxSetMessageBoxHandler(GxMessageBoxHandler handler);
void GxShowMessageBoxText(std::u16string_view caption, std::u16string_view text);

template <typename... Args>
inline void GxShowMessageBox(std::u16string_view caption, std::u16string_view fmt, const Args&... args)
{
    GxShowMessageBoxText(caption, GxFormatString(fmt, args...));
}

// Cuts text to at most maxUnits UTF-16 units without splitting a surrogate pair.
std::u16string_view GxCutText(std::u16string_view text, size_t maxUnits);

// The profiler clock in units of 0.1 ms.
double GxGetProfilerTime();

class GxProfiler
{
public:
    static constexpr int kSections = 50;
    struct Section
    {
        char name[512];
        double total;
        double start;
    };
    GxProfiler();
    void Reset();
    double GetStartTime() const { return m_StartTime; }

private:
    double m_StartTime = 0;
    double m_StartTime2 = 0;
    Section m_Sections[2][kSections];
};
