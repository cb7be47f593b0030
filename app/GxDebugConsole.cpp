#include "app/GxDebugConsole.h"

#include <algorithm>

#include "core/GxCharClass.h"
#include "graphics/GxD3DResource.h"
#include "graphics/GxFontGlobals.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxRenderState.h"
#include "platform/GxPresentRect.h"

// ---- The console ---------------------------------------------------------------------------------

void GxDebugConsoleOutputEx::OnDebugOutput(const std::u16string& text, int /*level*/)
{
    GxMutexScopedLock lock(&m_Lock);
    m_Lines.push_back(text);
    while (m_Lines.size() > kMaxLines) m_Lines.pop_front();
}

std::deque<std::u16string> GxDebugConsoleOutputEx::GetLines() const
{
    GxMutexScopedLock lock(&m_Lock);
    return m_Lines;
}

void GxDebugConsoleOutputEx::Clear()
{
    GxMutexScopedLock lock(&m_Lock);
    m_Lines.clear();
}

GxDebugConsoleOutputEx& GxGetDebugConsole()
{
    // Never destroyed: the log may still hold it as its listener while statics go away.
    static GxDebugConsoleOutputEx* console = new GxDebugConsoleOutputEx();
    return *console;
}

// ---- Sources -------------------------------------------------------------------------------------

namespace {

GxDebugCounterSource& CounterSource()
{
    static GxDebugCounterSource source;
    return source;
}

GxDebugScriptSource& ScriptSource()
{
    static GxDebugScriptSource source;
    return source;
}

// Constant-initialised, so that the script host may fill it while the program's statics are made.
constinit GxDebugScriptReader g_DefaultScriptReader = nullptr;

constexpr const char16_t* kBlockKindTexts[] = {
    u"不明",         u"通常ブロック", u"関数ブロック", u"IFブロック",     u"ELSEブロック",
    u"WHILEブロック", u"FORブロック",  u"DOブロック",   u"通常SUBブロック",
};

constexpr size_t kStatusCapacity = 512;
constexpr size_t kLineCapacity = 512;
// The logical screen the overlay is drawn on.
constexpr float kScreenHeight = static_cast<float>(kGxLogicalScreenHeight);

float TextRectWidth(std::u16string_view text, int32_t h)
{
    return static_cast<float>(GxGetStringWidth(text) * h / 2);
}

}  // namespace

void GxSetDebugCounterSource(GxDebugCounterSource source) { CounterSource() = std::move(source); }
void GxSetDebugScriptSource(GxDebugScriptSource source) { ScriptSource() = std::move(source); }
void GxSetDefaultDebugScriptSource(GxDebugScriptReader reader) { g_DefaultScriptReader = reader; }

GxDebugGameCounters GxReadDebugGameCounters(GxCore* core)
{
    if (CounterSource()) return CounterSource()(core);
    return GxDebugGameCounters();
}

GxDebugScriptState GxReadDebugScriptState()
{
    if (ScriptSource()) return ScriptSource()();
    if (g_DefaultScriptReader) return g_DefaultScriptReader();
    return GxDebugScriptState();
}

const char16_t* GxGetDebugBlockKindText(int32_t kind)
{
    if (kind < 0 || kind >= static_cast<int32_t>(std::size(kBlockKindTexts))) return kBlockKindTexts[0];
    return kBlockKindTexts[kind];
}

// ---- Formatting ----------------------------------------------------------------------------------

size_t GxFormatDebugTextArgs(char16_t* buffer, size_t capacity, std::u16string_view format, const GxFmtArg* args,
                             size_t count)
{
    if (!buffer || capacity == 0) return 0;
    std::u16string out;
    GxFormatArgs(out, format, args, count);
    const std::u16string_view cut = GxCutText(out, capacity - 1);
    std::copy(cut.begin(), cut.end(), buffer);
    buffer[cut.size()] = 0;
    return cut.size();
}

// ---- The overlay ---------------------------------------------------------------------------------

std::vector<GxDebugOverlayLine> GxBuildDebugOverlay(GxCore* core, const GxDebugConsoleOutputEx* console, float x,
                                                    float y, int32_t lineHeight)
{
    const int32_t h = lineHeight;
    const float hf = static_cast<float>(h);
    std::vector<GxDebugOverlayLine> out;
    auto add = [&](float width, std::u16string text, GxColor color, float left) {
        // Below the screen nothing is seen: such a line is not made at all.
        if (y >= kScreenHeight) return;
        GxDebugOverlayLine l;
        l.rect = GxFRect(left, y, left + width, y + hf);
        l.x = x;
        l.y = y;
        l.text = std::move(text);
        l.color = color;
        out.push_back(std::move(l));
    };

    // Status line: its backing always starts at the screen's left edge.
    if (GxGetErrorCount() != 0) {
        std::u16string unwritten = GxGetUnwrittenErrorLine();
        if (unwritten.empty()) {
            add(800.0f, u"※エラー発生。error.logを確認してください", kGxDebugOverlayErrorColor, 0.0f);
        } else {
            // The log could not take it (a full disk): the line is shown here and went to stderr.
            while (!unwritten.empty() && (unwritten.back() == u'\n' || unwritten.back() == u'\r')) unwritten.pop_back();
            add(800.0f, u"※エラー発生。error.logに書き込めず標準エラー出力へ:" + unwritten, kGxDebugOverlayErrorColor,
                0.0f);
        }
    } else {
        const GxDebugGameCounters c = GxReadDebugGameCounters(core);
        const double vram = static_cast<double>(GxGetD3DResourceManage().GetTotalMemorySize()) / 1048576.0 + 8.0;
        char16_t text[kStatusCapacity];
        GxFormatDebugText(text, kStatusCapacity,
                          u"※エラー無し/VRAM %3.1fMB/Clk(%d) Time(%d) Mov(%d) AA(%d) AS(%d:%s) BGM(%d) BGV(%d) SE(%d) "
                          u"VO(%d)",
                          vram, c.clk, c.time, c.mov, c.aa, c.as, c.asName, c.bgm, c.bgv, c.se, c.vo);
        add(800.0f, text, kGxDebugOverlayTextColor, 0.0f);
    }
    y += hf;

    const std::deque<std::u16string> consoleLines = console ? console->GetLines() : std::deque<std::u16string>();

    // Script call stack. A running worker without a stack element has no position to show.
    const GxDebugScriptState script = GxReadDebugScriptState();
    if (!script.running || script.stack.empty()) {
        add(12.0f * hf, u"Script:実行していません", kGxDebugOverlayTextColor, x);
    } else {
        char16_t text[kLineCapacity];
        auto caller = [&](const GxDebugScriptFrame& f) {
            GxFormatDebugText(text, kLineCapacity, u"呼出し元:%s/Line=%d/%s", f.scriptName, f.line + 1,
                              GxGetDebugBlockKindText(f.blockKind));
            add(24.0f * hf, text, kGxDebugOverlayTextColor, x);
            y += hf;
        };
        // The rows left for callers once the current position, the gap and the console lines
        // have theirs.
        const size_t readCallers = script.stack.size() - 1;
        const size_t callers = readCallers + script.skipped;
        const float rowsLeft = hf > 0.0f ? (kScreenHeight - y) / hf : 0.0f;
        const float fixedRows = 2.0f + static_cast<float>(consoleLines.size());
        const size_t room = rowsLeft > fixedRows ? static_cast<size_t>(rowsLeft - fixedRows) : 0;
        if (callers <= room && script.skipped == 0) {
            for (size_t i = 0; i < readCallers; ++i) caller(script.stack[i]);
        } else {
            // The outermost and the innermost callers, the middle counted in one line.
            const size_t shown = std::min(room > 0 ? room - 1 : 0, readCallers);
            const size_t head = std::min(shown / 2, script.skipped > 0 ? script.skippedAt : readCallers);
            const size_t tail = std::min(shown - head, readCallers - (script.skipped > 0 ? script.skippedAt : head));
            for (size_t i = 0; i < head; ++i) caller(script.stack[i]);
            GxFormatDebugText(text, kLineCapacity, u"呼出し元:(%d件省略)", static_cast<int32_t>(callers - head - tail));
            add(24.0f * hf, text, kGxDebugOverlayTextColor, x);
            y += hf;
            for (size_t i = readCallers - tail; i < readCallers; ++i) caller(script.stack[i]);
        }
        const GxDebugScriptFrame& f = script.stack.back();
        GxFormatDebugText(text, kLineCapacity, u"実行位置:%s/Line=%d/%s", f.scriptName, f.line + 1,
                          GxGetDebugBlockKindText(f.blockKind));
        std::u16string current(text);
        if (script.stoppedOnError) current += u"/エラー停止中";
        const float width = TextRectWidth(current, h);
        add(width, std::move(current), kGxDebugOverlayTextColor, x);
    }
    y += hf;

    for (const std::u16string& line : consoleLines) {
        add(std::max(TextRectWidth(line, h), 24.0f * hf), line, kGxDebugOverlayTextColor, x);
        y += hf;
    }
    return out;
}

void GxDrawDebugOverlay(GxCore* core, const GxDebugConsoleOutputEx* console, float x, float y)
{
    GxGDIFontMap* font = GxGetGDIFontMap(1);
    if (!font) return;
    GxGraphics::SetBlendMode(0, BLENDMODE_ALPHA);
    for (const GxDebugOverlayLine& l : GxBuildDebugOverlay(core, console, x, y, font->GetFontSize())) {
        GxGraphics::DrawSolidRect(l.rect, kGxDebugOverlayBackColor, 0, BLENDMODE_ALPHA);
        GxGraphics::DrawTextGDIFontMap(font, l.text, l.x, l.y, GxVector2(1.0f, 1.0f), l.color, 0, BLENDMODE_ALPHA);
    }
}
