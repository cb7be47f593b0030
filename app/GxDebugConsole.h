// The on-screen debug console and the debug overlay.
//
// The console is the log's debug listener: it keeps the last 20 lines of every error,
// slight-error and debug print. The overlay draws over the game picture a status line (error
// state, video memory in use, the game state's counters), the script's call stack and the
// console's lines, with the second system glyph atlas; the system screen draws it in debug mode.
//
// The overlay reads the game state and the script through two sources. The script's default is
// the script host's main worker and program, which the host's own file installs; the game
// state's default reads every counter as 0 until the game state sets its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/GxFormat.h"
#include "core/GxLog.h"
#include "core/GxMath.h"
#include "core/GxMutex.h"
#include "platform/GxDeviceTypes.h"

class GxCore;

class GxDebugConsoleOutputEx : public GxDebugListenerBase
{
public:
    static constexpr size_t kMaxLines = 20;

    // Appends the text; past 20 lines the oldest goes. The level is not read. Any thread may
    // print, so the lines are guarded.
    void OnDebugOutput(const std::u16string& text, int level) override;
    // A copy of the lines, oldest first.
    std::deque<std::u16string> GetLines() const;
    void Clear();

private:
    mutable GxMutex m_Lock;
    std::deque<std::u16string> m_Lines;
};

// The console the game start-up installs as the log's debug listener.
GxDebugConsoleOutputEx& GxGetDebugConsole();

// ---- What the overlay reads of the game state and the script -------------------------------------

// The game state's counters under the labels Clk, Time, Mov, AA, AS (number and name), BGM, BGV,
// SE and VO.
struct GxDebugGameCounters
{
    int32_t clk = 0;
    int32_t time = 0;
    int32_t mov = 0;
    int32_t aa = 0;
    int32_t as = 0;
    std::u16string asName;
    int32_t bgm = 0;
    int32_t bgv = 0;
    int32_t se = 0;
    int32_t vo = 0;
};

// One element of the main worker's exec stack.
struct GxDebugScriptFrame
{
    int32_t blockKind = 0;  // 0..8
    std::u16string scriptName;
    int32_t line = 0;  // 0-based
};

struct GxDebugScriptState
{
    bool running = false;
    bool stoppedOnError = false;
    std::vector<GxDebugScriptFrame> stack;  // outermost first; of a deep stack only its two ends
    // Elements of a deep stack that were not read: they stand before stack[skippedAt].
    size_t skipped = 0;
    size_t skippedAt = 0;
};

// The elements the default source reads of a deep stack, half from each end: more than a
// screen shows, so that a stack of any depth costs the same.
constexpr size_t kGxDebugScriptFramesRead = 128;

using GxDebugCounterSource = std::function<GxDebugGameCounters(GxCore* core)>;
using GxDebugScriptSource = std::function<GxDebugScriptState()>;
// None restores the default source.
void GxSetDebugCounterSource(GxDebugCounterSource source);
void GxSetDebugScriptSource(GxDebugScriptSource source);
// The default script source. The script host sits above the console, so it fills this slot from
// its own file (moa/GxMoaScriptHost.cpp) as the program loads; a program without the host reads
// the script as not running.
using GxDebugScriptReader = GxDebugScriptState (*)();
void GxSetDefaultDebugScriptSource(GxDebugScriptReader reader);
GxDebugGameCounters GxReadDebugGameCounters(GxCore* core);
GxDebugScriptState GxReadDebugScriptState();

// The text of a block kind ("不明" for kinds outside 0..8).
const char16_t* GxGetDebugBlockKindText(int32_t kind);

// ---- The overlay ---------------------------------------------------------------------------------

constexpr GxColor kGxDebugOverlayBackColor = 0x80000050u;
constexpr GxColor kGxDebugOverlayTextColor = 0xFFFFFFFFu;
constexpr GxColor kGxDebugOverlayErrorColor = 0xFFFFFF00u;

// One text line of the overlay on its rectangle.
struct GxDebugOverlayLine
{
    GxFRect rect;
    float x = 0;
    float y = 0;
    std::u16string text;
    GxColor color = kGxDebugOverlayTextColor;
};

// The overlay's lines with its top-left at (x, y) and the given line height, only those that
// fit on the logical screen (768 high): callers that do not fit leave their middle out, in one
// line that counts them, so the current position and the console lines stay in view.
std::vector<GxDebugOverlayLine> GxBuildDebugOverlay(GxCore* core, const GxDebugConsoleOutputEx* console, float x,
                                                    float y, int32_t lineHeight);
// Draws the overlay with blend preset 2 and glyph atlas 1 (whose font size is the line height).
void GxDrawDebugOverlay(GxCore* core, const GxDebugConsoleOutputEx* console, float x, float y);

// Formats into a fixed wide buffer of capacity units (terminator included), cutting the text to
// fit without splitting a surrogate pair. The units written, terminator excluded.
size_t GxFormatDebugTextArgs(char16_t* buffer, size_t capacity, std::u16string_view format, const GxFmtArg* args,
                             size_t count);
template <typename... Args>
size_t GxFormatDebugText(char16_t* buffer, size_t capacity, std::u16string_view format, const Args&... args)
{
    if constexpr (sizeof...(Args) == 0) {
        return GxFormatDebugTextArgs(buffer, capacity, format, nullptr, 0);
    } else {
        const GxFmtArg a[] = {GxMakeFmtArg(args)...};
        return GxFormatDebugTextArgs(buffer, capacity, format, a, sizeof...(Args));
    }
}
