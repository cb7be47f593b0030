// The on-screen console (the last 20 listener lines), the overlay's lines (status, error state,
// script stack, console) and its draws on the recording device, the fixed-buffer formatter and
// the debug window, which this platform does not make.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/GxDebugConsole.h"
#include "app/GxDebugWindow.h"
#include "core/GxCharClass.h"
#include "core/GxLog.h"
#include "graphics/GxD3DResource.h"
#include "graphics/GxFontGlobals.h"
#include "graphics/GxGraphics.h"
#include "moa/GxMoaScriptHost.h"
#include "tests/support/GxFakeGlyphRasterizer.h"
#include "tests/graphics/graphics_test_support.h"

namespace {

std::u16string Num(int i) { return u"line " + GxUtf8ToWide(std::to_string(i)) + u"\n"; }

// Logs into a fresh folder, no errors counted, default sources.
class Overlay : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GxResetErrorCount();
        GxSetDebugCounterSource(nullptr);
        GxSetDebugScriptSource(nullptr);
    }
    void TearDown() override
    {
        GxSetDebugListener(nullptr);
        GxSetDebugCounterSource(nullptr);
        GxSetDebugScriptSource(nullptr);
        GxResetErrorCount();
    }
    static std::vector<std::u16string> Texts(const std::vector<GxDebugOverlayLine>& lines)
    {
        std::vector<std::u16string> out;
        for (const auto& l : lines) out.push_back(l.text);
        return out;
    }
    static void SetScript(GxDebugScriptState s)
    {
        GxSetDebugScriptSource([s]() { return s; });
    }

    gxtest::LogFolder logs;
    GxDebugConsoleOutputEx console;
};

TEST_F(Overlay, TwentyFiveListenerLinesLeaveLinesSixToTwentyFive)
{
    GxSetDebugListener(&console);
    for (int i = 1; i <= 25; ++i) GxPrintDebugLog(u"line %d\n", i);
    const auto lines = console.GetLines();
    ASSERT_EQ(lines.size(), 20u);
    EXPECT_EQ(lines.front(), Num(6));
    EXPECT_EQ(lines.back(), Num(25));

    // Status, script, then the twenty console lines in order, one line height apart.
    const auto overlay = GxBuildDebugOverlay(nullptr, &console, 0, 0, 16);
    ASSERT_EQ(overlay.size(), 22u);
    for (int i = 0; i < 20; ++i) {
        SCOPED_TRACE(i);
        const GxDebugOverlayLine& l = overlay[2 + static_cast<size_t>(i)];
        EXPECT_EQ(l.text, Num(6 + i));
        EXPECT_EQ(l.y, 32.0f + 16.0f * static_cast<float>(i));
        EXPECT_EQ(l.rect.top, l.y);
        EXPECT_EQ(l.rect.bottom, l.y + 16.0f);
        // Short lines get the minimum width of 24 line heights.
        EXPECT_EQ(l.rect.right - l.rect.left, 24.0f * 16.0f);
        EXPECT_EQ(l.color, kGxDebugOverlayTextColor);
    }
}

TEST_F(Overlay, ErrorsAndSlightErrorsReachTheConsoleAndLongLinesWidenTheirBacking)
{
    GxSetDebugListener(&console);
    GxPrintSlightErrorLog(u"Warning/x\n");
    GxPrintErrorLog(u"Error/y\n");
    const std::u16string wide(60, u'あ');  // 120 half-width units
    GxPrintDebugLog(u"%s", wide);
    EXPECT_EQ(console.GetLines(), (std::deque<std::u16string>{u"Warning/x\n", u"Error/y\n", wide}));
    const auto overlay = GxBuildDebugOverlay(nullptr, &console, 10, 20, 16);
    ASSERT_EQ(overlay.size(), 5u);
    EXPECT_EQ(overlay[4].rect.left, 10.0f);
    EXPECT_EQ(overlay[4].rect.right, 10.0f + 120.0f * 16.0f / 2.0f);
}

TEST_F(Overlay, StatusLineShowsCountersOrTheErrorNotice)
{
    GxDebugGameCounters c;
    c.clk = 1, c.time = 2, c.mov = 3, c.aa = 4, c.as = 5, c.asName = u"walk", c.bgm = 6, c.bgv = 7, c.se = 8,
    c.vo = 9;
    GxSetDebugCounterSource([c](GxCore*) { return c; });

    // Two megabytes of registered resources on top of the eight the line adds.
    struct Sized : GxD3DResourceBase
    {
        uint32_t GetMemorySize() override { return 2u * 1048576u + 104858u; }
    } resource;
    GxGetD3DResourceManage().Register(&resource);
    auto overlay = GxBuildDebugOverlay(nullptr, &console, 30, 40, 16);
    GxGetD3DResourceManage().Unregister(&resource);
    ASSERT_GE(overlay.size(), 1u);
    EXPECT_EQ(overlay[0].text,
              u"※エラー無し/VRAM 10.1MB/Clk(1) Time(2) Mov(3) AA(4) AS(5:walk) BGM(6) BGV(7) SE(8) VO(9)");
    EXPECT_EQ(overlay[0].color, kGxDebugOverlayTextColor);
    // The backing starts at the screen's left edge; the text at the overlay's x.
    EXPECT_EQ(overlay[0].rect.left, 0.0f);
    EXPECT_EQ(overlay[0].rect.right, 800.0f);
    EXPECT_EQ(overlay[0].rect.top, 40.0f);
    EXPECT_EQ(overlay[0].x, 30.0f);

    // With an error logged the notice replaces the counters; the console lines still follow.
    GxSetDebugListener(&console);
    GxPrintErrorLog(u"Error/broken\n");
    overlay = GxBuildDebugOverlay(nullptr, &console, 0, 0, 16);
    ASSERT_EQ(overlay.size(), 3u);
    EXPECT_EQ(overlay[0].text, u"※エラー発生。error.logを確認してください");
    EXPECT_EQ(overlay[0].color, kGxDebugOverlayErrorColor);
    EXPECT_EQ(overlay[1].text, u"Script:実行していません");
    EXPECT_EQ(overlay[2].text, u"Error/broken\n");
}

TEST_F(Overlay, ScriptStack)
{
    // Not running: one short line, twelve line heights wide.
    auto overlay = GxBuildDebugOverlay(nullptr, nullptr, 0, 0, 16);
    ASSERT_EQ(overlay.size(), 2u);
    EXPECT_EQ(overlay[1].text, u"Script:実行していません");
    EXPECT_EQ(overlay[1].rect.right, 12.0f * 16.0f);

    // One element: only the current position, its line shown 1-based.
    SetScript({true, false, {{1, u"main", 41}}});
    overlay = GxBuildDebugOverlay(nullptr, nullptr, 0, 0, 16);
    ASSERT_EQ(overlay.size(), 2u);
    EXPECT_EQ(overlay[1].text, u"実行位置:main/Line=42/通常ブロック");
    EXPECT_EQ(overlay[1].rect.right, static_cast<float>(GxGetStringWidth(overlay[1].text) * 16 / 2));

    // Callers outermost first, each one line down, then the current position; stopped on error.
    SetScript({true, true, {{2, u"a", 0}, {3, u"b", 9}, {5, u"c", 99}}});
    overlay = GxBuildDebugOverlay(nullptr, nullptr, 0, 0, 16);
    EXPECT_EQ(Texts(overlay), (std::vector<std::u16string>{
                                  overlay[0].text, u"呼出し元:a/Line=1/関数ブロック",
                                  u"呼出し元:b/Line=10/IFブロック", u"実行位置:c/Line=100/WHILEブロック/エラー停止中"}));
    EXPECT_EQ(overlay[1].rect.right, 24.0f * 16.0f);
    EXPECT_EQ(overlay[2].y, 32.0f);
    EXPECT_EQ(overlay[3].y, 48.0f);

    // A running worker without any element has no position to show.
    SetScript({true, false, {}});
    overlay = GxBuildDebugOverlay(nullptr, nullptr, 0, 0, 16);
    EXPECT_EQ(overlay[1].text, u"Script:実行していません");
}

TEST_F(Overlay, DefaultScriptSourceReadsTheMainWorker)
{
    GxCreateScriptHost(nullptr);
    ASSERT_NE(g_MoaWorkerEx, nullptr);
    auto overlay = GxBuildDebugOverlay(nullptr, nullptr, 0, 0, 16);
    EXPECT_EQ(overlay[1].text, u"Script:実行していません");

    GxMoaExecStack& stack = g_MoaWorkerEx->GetExecStack();
    stack.emplace_back();
    stack.back().m_BlockType = MOABLOCK_NORMAL;
    stack.back().m_Pos = GxMoaScriptPos(0, 0, u"first");
    stack.emplace_back();
    stack.back().m_BlockType = MOABLOCK_IF;
    stack.back().m_Pos = GxMoaScriptPos(4, 2, u"second");
    g_MoaEx->SetErrorStop();
    overlay = GxBuildDebugOverlay(nullptr, nullptr, 0, 0, 16);
    ASSERT_EQ(overlay.size(), 3u);
    EXPECT_EQ(overlay[1].text, u"呼出し元:first/Line=1/通常ブロック");
    EXPECT_EQ(overlay[2].text, u"実行位置:second/Line=5/IFブロック/エラー停止中");
    EXPECT_EQ(stack.size(), 2u) << "the overlay only reads";
    GxDestroyScriptHost();
}

// A stack far deeper than the screen: the overlay reads only its two ends and makes no line
// below the screen; the outermost and innermost callers, the count of those left out, the
// current position and every console line are in view.
TEST_F(Overlay, ADeepStackDrawsAtMostAScreenful)
{
    GxCreateScriptHost(nullptr);
    ASSERT_NE(g_MoaWorkerEx, nullptr);
    GxMoaExecStack& stack = g_MoaWorkerEx->GetExecStack();
    constexpr int kDepth = 100000;
    stack.resize(kDepth);
    for (int i = 0; i < kDepth; ++i) {
        stack[i].m_BlockType = MOABLOCK_NORMAL;
        stack[i].m_Pos = GxMoaScriptPos(i, 0, u"deep");
    }
    const GxDebugScriptState read = GxReadDebugScriptState();
    EXPECT_EQ(read.stack.size(), kGxDebugScriptFramesRead);
    EXPECT_EQ(read.skipped, kDepth - kGxDebugScriptFramesRead);
    EXPECT_EQ(read.stack.back().line, kDepth - 1);

    GxSetDebugListener(&console);
    for (int i = 1; i <= 20; ++i) GxPrintDebugLog(u"line %d\n", i);
    for (int32_t h : {16, 24, 40}) {
        SCOPED_TRACE(h);
        const auto overlay = GxBuildDebugOverlay(nullptr, &console, 0, 0, h);
        const size_t rows = (768 + static_cast<size_t>(h) - 1) / static_cast<size_t>(h);  // the last one partly
        EXPECT_LE(overlay.size(), rows);
        for (const GxDebugOverlayLine& l : overlay) EXPECT_LT(l.y, 768.0f) << GxWideToUtf8(l.text);
        if (h == 40) continue;  // 20 console lines and the rest do not all fit in 19 rows
        const std::vector<std::u16string> texts = Texts(overlay);
        EXPECT_EQ(texts[1], u"呼出し元:deep/Line=1/通常ブロック");
        const auto current = std::find(texts.begin(), texts.end(), u"実行位置:deep/Line=100000/通常ブロック");
        ASSERT_NE(current, texts.end());
        EXPECT_EQ(*(current - 1), u"呼出し元:deep/Line=99999/通常ブロック");
        EXPECT_EQ(texts.back(), Num(20));
        // Every caller is either drawn or counted.
        size_t drawn = 0, counted = 0;
        for (const std::u16string& t : texts) {
            if (t.rfind(u"呼出し元:deep/", 0) == 0) ++drawn;
            if (t.rfind(u"呼出し元:(", 0) == 0) counted = std::stoul(GxWideToUtf8(t.substr(6)));
        }
        EXPECT_EQ(drawn + counted, static_cast<size_t>(kDepth - 1));
        EXPECT_GT(drawn, 2u);
    }

    // A stack that fits is drawn whole, with no count line.
    stack.resize(5);
    const auto overlay = GxBuildDebugOverlay(nullptr, &console, 0, 0, 16);
    EXPECT_EQ(overlay.size(), 1u + 4u + 1u + 20u);
    GxDestroyScriptHost();
}

// An error line that the error log could not take: the notice does not send the developer to
// the file but shows the line itself, and the line went to stderr.
TEST_F(Overlay, AnErrorTheLogCouldNotTakeIsShownInTheStatusLine)
{
    GxSetErrorLogPath(u"/nonexistent-folder-of-gxengine/error.log");
    testing::internal::CaptureStderr();
    GxPrintErrorLog(u"Error/GxUserConfig Save Failed(userconf.dat: No space left on device)\n");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Error/GxUserConfig Save Failed(userconf.dat: No space left on device)"), std::string::npos);
    auto overlay = GxBuildDebugOverlay(nullptr, nullptr, 0, 0, 16);
    ASSERT_GE(overlay.size(), 1u);
    EXPECT_EQ(overlay[0].text, u"※エラー発生。error.logに書き込めず標準エラー出力へ:Error/GxUserConfig Save "
                               u"Failed(userconf.dat: No space left on device)");
    EXPECT_EQ(overlay[0].color, kGxDebugOverlayErrorColor);
    // A log that takes lines again: the start of a new error count forgets it.
    GxResetErrorCount();
    GxSetErrorLogPath(GxUtf8ToWide((logs.dir / "error.log").string()));
    GxPrintErrorLog(u"Error/later\n");
    overlay = GxBuildDebugOverlay(nullptr, nullptr, 0, 0, 16);
    EXPECT_EQ(overlay[0].text, u"※エラー発生。error.logを確認してください");
}

TEST(DebugConsole, BlockKindTexts)
{
    const std::vector<std::u16string> want = {u"不明",         u"通常ブロック", u"関数ブロック",
                                              u"IFブロック",     u"ELSEブロック", u"WHILEブロック",
                                              u"FORブロック",    u"DOブロック",   u"通常SUBブロック"};
    for (int k = 0; k < 9; ++k) EXPECT_EQ(GxGetDebugBlockKindText(k), want[static_cast<size_t>(k)]) << k;
    // Kinds outside the table read as unknown rather than past its end.
    EXPECT_EQ(std::u16string(GxGetDebugBlockKindText(9)), u"不明");
    EXPECT_EQ(std::u16string(GxGetDebugBlockKindText(-1)), u"不明");
}

TEST(DebugConsole, FormatDebugTextCutsToTheBuffer)
{
    char16_t buf[8];
    EXPECT_EQ(GxFormatDebugText(buf, 8, u"%d-%s", 12, u"abcdef"), 7u);
    EXPECT_EQ(std::u16string(buf), u"12-abcd");
    // A surrogate pair that would be cut in half is left out whole.
    EXPECT_EQ(GxFormatDebugText(buf, 4, u"ab%s", u"\U0001F600"), 2u);
    EXPECT_EQ(std::u16string(buf), u"ab");
    EXPECT_EQ(GxFormatDebugText(buf, 1, u"x"), 0u);
    EXPECT_EQ(buf[0], 0);
}

// The overlay drawn on the recording device with atlas 1 at 16 pixels.
class OverlayDraw : public gxtest::TextDeviceTest
{
protected:
    void SetUp() override
    {
        TextDeviceTest::SetUp();
        GxResetErrorCount();
        GxGetGDIFontMap(1)->SetFont(16, nullptr);
        ASSERT_TRUE(GxGraphics::BeginScene());
        GxGraphics::GetDevice()->Recorder().enabled = true;
        GxGraphics::GetDevice()->Recorder().Clear();
    }
    void TearDown() override
    {
        GxGraphics::EndScene();
        GxGetGDIFontMap(1)->Clear();
        GxSetDebugScriptSource(nullptr);
        GxResetErrorCount();
        TextDeviceTest::TearDown();
    }

    gxtest::LogFolder logs;
};

TEST_F(OverlayDraw, BackingRectanglesThenTextInTheLineColours)
{
    GxDebugConsoleOutputEx console;
    console.OnDebugOutput(u"hello", 2);
    GxSetDebugScriptSource([] { return GxDebugScriptState{true, false, {{1, u"s", 0}}}; });
    GxPrintErrorLog(u"Error/z\n");
    const auto lines = GxBuildDebugOverlay(nullptr, &console, 0, 0, 16);
    ASSERT_EQ(lines.size(), 3u);

    GxGraphics::SetBlendMode(0, 4);  // additive: the overlay must select its own preset
    GxDrawDebugOverlay(nullptr, &console, 0, 0);
    std::vector<const GxDeviceCall*> draws;
    for (const auto& c : GxGraphics::GetDevice()->Recorder().calls)
        if (c.op == GxDeviceOp::DrawPrimitiveUP) draws.push_back(&c);

    size_t at = 0;
    for (const auto& line : lines) {
        SCOPED_TRACE(GxWideToUtf8(line.text));
        // The backing: two fans in the half-transparent blue covering the line's rectangle.
        for (int fan = 0; fan < 2; ++fan) {
            ASSERT_LT(at, draws.size());
            float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
            for (const auto& v : draws[at]->vertices) {
                EXPECT_EQ(v.diffuse, kGxDebugOverlayBackColor);
                minX = std::min(minX, v.x), maxX = std::max(maxX, v.x);
                minY = std::min(minY, v.y), maxY = std::max(maxY, v.y);
            }
            EXPECT_EQ(minX, line.rect.left);
            EXPECT_EQ(maxX, line.rect.right);
            EXPECT_EQ(minY, line.rect.top);
            EXPECT_EQ(maxY, line.rect.bottom);
            ++at;
        }
        // Then one glyph quad per character in the line's colour.
        for (size_t i = 0; i < line.text.size(); ++i, ++at) {
            ASSERT_LT(at, draws.size());
            ASSERT_EQ(draws[at]->vertices.size(), 4u);
            EXPECT_EQ(draws[at]->vertices[0].diffuse, line.color);
        }
    }
    EXPECT_EQ(at, draws.size());
    EXPECT_EQ(lines[0].color, kGxDebugOverlayErrorColor);

    // Blend preset 2 (source alpha over inverse source alpha) is what the device was left with.
    const GxStateCacheEntry& src = GxGraphics::State().renderStates[GXRS_SRCBLEND];
    EXPECT_TRUE(src.valid);
    EXPECT_EQ(src.value, static_cast<uint32_t>(GXBLEND_SRCALPHA));
    const GxStateCacheEntry& dst = GxGraphics::State().renderStates[GXRS_DESTBLEND];
    EXPECT_EQ(dst.value, static_cast<uint32_t>(GXBLEND_INVSRCALPHA));
}

TEST(DebugWindow, NotMadeOnThisPlatformSoEveryOperationDoesNothing)
{
    GxDebugWindowState& s = GxGetDebugWindowState();
    EXPECT_FALSE(GxCreateDebugWindow(0));
    EXPECT_EQ(s.window, 0u);
    s.changed = true;
    GxRefreshDebugWindow();
    GxPaintDebugWindow();
    EXPECT_TRUE(s.changed) << "no window, no paint";
    EXPECT_EQ(GxDebugWindowProc(0, GxWindowMessage::Close, 0, 0), 0);
    GxDebugWindowProc(0, GxWindowMessage::SysKeyDown, GxVirtualKey::F11, 0);
    EXPECT_FALSE(s.visible);
    GxCloseDebugWindow();
    EXPECT_EQ(s.window, 0u);
    s.changed = false;
}

}  // namespace
