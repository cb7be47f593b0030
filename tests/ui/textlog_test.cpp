// The text log on the headless stage with the game's fonts over the fake rasteriser: adding,
// trimming and scrolling, the linked scroll bar, the timed cross-out, the drawn rows (icons in the
// bitmap font, text after the icons' space widths, one pixel between characters), the fonts, and
// the stored form with its lines and a re-synchronised scroll bar.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/GxContentReader.h"
#include "core/GxContentTextReader.h"
#include "game/DBUILayout.h"
#include "game/DBUIModule.h"
#include "tests/support/GxContentFixture.h"
#include "tests/support/GxUIHarness.h"
#include "ui/GxTaskUIWidgets.h"

namespace {

using gxtest::UIHarness;

constexpr float kX = 50.0f;
constexpr float kY = 40.0f;
constexpr uint32_t kTextColor = 0xFF112233u;

// A widget that records what the log asks of its scroll bar.
class FakeScrollBar : public GxTaskUIBase
{
public:
    explicit FakeScrollBar(GxTaskBase* parent) : GxTaskUIBase(parent, u"bar", nullptr, 0) {}
    bool LoadImageSet(const std::u16string&) override { return true; }
    bool LoadImages() override { return true; }
    void ReleaseImages() override {}
    void SetMax(double v) override { calls.push_back("max " + std::to_string(static_cast<int>(v))); }
    void SetValue(double v) override { calls.push_back("value " + std::to_string(static_cast<int>(v))); }
    void SetValueInt(int32_t v) override { calls.push_back("int " + std::to_string(v)); }
    std::vector<std::string> calls;
};

std::vector<std::vector<GxScreenVertex>> Quads(const std::vector<GxDeviceCall>& calls)
{
    std::vector<std::vector<GxScreenVertex>> out;
    for (const auto& c : calls)
        if (c.op == GxDeviceOp::DrawPrimitiveUP && !c.vertices.empty()) out.push_back(c.vertices);
    return out;
}

// The top-left corner of each quad drawn in a colour.
std::vector<std::pair<float, float>> Corners(const std::vector<GxDeviceCall>& calls, uint32_t color)
{
    std::vector<std::pair<float, float>> out;
    for (const auto& q : Quads(calls)) {
        if (q[0].diffuse != color) continue;
        float x = q[0].x, y = q[0].y;
        for (const auto& p : q) {
            x = std::min(x, p.x);
            y = std::min(y, p.y);
        }
        // The draws shift by half a pixel onto the pixel grid.
        out.emplace_back(x + 0.5f, y + 0.5f);
    }
    return out;
}

std::u16string Num(int i)
{
    std::u16string s;
    for (char c : std::to_string(i)) s += static_cast<char16_t>(c);
    return s;
}

class TextLogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(h.IsReady());
        // The system bitmap font: 8 x 16 cells of 0x20..0x7E, 16 to a row.
        ASSERT_TRUE(h.WritePicture("fonts/FONT16SYS.png", gxtest::TestPicture(128, 96, 0xFFFFFFFFu)));
        h.LoadFonts();
    }

    GxTaskUITextLogFx* Make()
    {
        DBUIModuleData m;
        m.ID = 1;
        m.UIType = GxUIModuleType::TextLogFx;
        m.ModuleName = u"log";
        m.FontIndex = 1;
        m.Width = 400;
        m.Height = 300;
        m.ClientLeft = 6;
        m.ClientTop = 4;
        auto* log = dynamic_cast<GxTaskUITextLogFx*>(h.CreateFromModule(m, u"log"));
        if (log) {
            log->SetPos(GxVector3(kX, kY, 0.0f));
            log->SetTextColor(kTextColor);
        }
        return log;
    }

    UIHarness h;
};

TEST_F(TextLogTest, AddTrimAndScrollTable)
{
    struct Case
    {
        const char* what;
        int32_t maxLine, maxView, lines;
        bool autoScroll;
        int32_t count, value;
        int first;  // number of the oldest line kept
    };
    const Case cases[] = {
        {"the 101st line drops the oldest", 100, 16, 101, true, 100, 84, 1},
        {"maximum 0 keeps all", 0, 16, 150, true, 150, 134, 0},
        {"20 lines scroll to 4", 100, 16, 20, true, 20, 4, 0},
        {"3 lines stay at the top", 100, 16, 3, true, 3, 0, 0},
        {"a negative maximum trims nothing", -3, 16, 5, true, 5, 0, 0},
        {"without auto scroll the value stays", 100, 2, 10, false, 10, 0, 0},
        // A view size from damaged data: the first line to show saturates instead of overflowing.
        {"a view of INT32_MIN lines", 100, INT32_MIN, 3, true, 3, INT32_MAX, 0},
    };
    for (const Case& c : cases) {
        GxTaskUITextLogFx* log = Make();
        ASSERT_NE(log, nullptr);
        DBUIModuleData sm;
        sm.UIType = GxUIModuleType::VSliderIs;
        auto* bar = dynamic_cast<GxTaskUISliderIs*>(h.CreateFromModule(sm, u"sb"));
        ASSERT_NE(bar, nullptr);
        log->SetScrollBar(bar);
        log->SetMaxLine(c.maxLine);
        log->SetMaxView(c.maxView);
        log->SetAutoScroll(c.autoScroll);
        for (int i = 0; i < c.lines; ++i) log->AddText(Num(i).c_str(), u"", 0xFF00FF00u);
        EXPECT_EQ(log->GetLineCount(), c.count) << c.what;
        EXPECT_EQ(log->GetValueInt(), c.value) << c.what;
        EXPECT_EQ(log->GetLines().front().m_Text, Num(c.first)) << c.what;
        EXPECT_EQ(log->GetLines().back().m_TextColor, 0xFF00FF00u) << c.what;
        // The slider as scroll bar: its maximum is the last line index, its value the log's
        // (kept within its range).
        EXPECT_EQ(bar->GetMax(), c.count - 1) << c.what;
        EXPECT_EQ(bar->GetValueInt(), std::min(c.value, c.count - 1)) << c.what;
        log->Kill();
        bar->Kill();
        h.Frame(0);
    }
}

TEST_F(TextLogTest, LoweredMaximumTrimsAtTheNextAddAndClearKeepsTheRest)
{
    GxTaskUITextLogFx* log = Make();
    FakeScrollBar* bar = new FakeScrollBar(h.Screen());
    log->SetScrollBar(bar);
    for (int i = 0; i < 20; ++i) log->AddText(Num(i).c_str(), nullptr, 0);
    EXPECT_EQ(bar->calls.back(), "int 4");
    log->SetMaxLine(10);
    EXPECT_EQ(log->GetLineCount(), 20);
    bar->calls.clear();
    log->AddText(u"x", nullptr, 0);
    EXPECT_EQ(log->GetLineCount(), 10);
    EXPECT_EQ(log->GetLines().front().m_Text, u"11");
    EXPECT_EQ(bar->calls, (std::vector<std::string>{"max 9", "int 0"}));
    log->TrimLines(4);
    EXPECT_EQ(log->GetLineCount(), 4);
    EXPECT_EQ(log->GetLines().front().m_Text, u"17");

    log->ClearText();
    EXPECT_EQ(log->GetLineCount(), 0);
    EXPECT_EQ(log->GetValueInt(), 0);
    log->TrimLines(-1);  // an empty log is left alone
    EXPECT_EQ(log->GetLineCount(), 0);
    bar->calls.clear();
    log->SyncScrollBar();
    EXPECT_EQ(bar->calls, (std::vector<std::string>{"max 0", "value 0"}));
    // Unlinked, nothing is asked of it.
    log->SetScrollBar(nullptr);
    bar->calls.clear();
    log->AddText(u"y", u"", 0);
    EXPECT_TRUE(bar->calls.empty());
}

TEST_F(TextLogTest, CrossOutRemovesOneLinePerUpdateAndCarriesTheRest)
{
    GxTaskUITextLogFx* log = Make();
    FakeScrollBar* bar = new FakeScrollBar(h.Screen());
    log->SetScrollBar(bar);
    log->SetAutoCrossout(true);
    EXPECT_EQ(log->GetCrossoutWaitTime(), 3000);
    h.EnterScreen();
    for (int i = 0; i < 3; ++i) log->AddText(Num(i).c_str(), u"", 0);
    bar->calls.clear();
    h.Frame(7000);
    EXPECT_EQ(log->GetLineCount(), 2);
    EXPECT_EQ(log->GetLines().front().m_Text, u"1");
    EXPECT_EQ(log->GetCrossoutCount(), 4000);
    EXPECT_EQ(bar->calls, (std::vector<std::string>{"max 1", "value 0"}));
    h.Frame(0);
    EXPECT_EQ(log->GetLineCount(), 1);
    EXPECT_EQ(log->GetCrossoutCount(), 1000);
    h.Frame(1000);
    EXPECT_EQ(log->GetLineCount(), 1);
    h.Frame(1000);
    EXPECT_EQ(log->GetLineCount(), 0);
    EXPECT_EQ(log->GetCrossoutCount(), 0);
    // An empty log counts nothing; its next line waits a full interval.
    h.Frame(5000);
    EXPECT_EQ(log->GetCrossoutCount(), 0);
    log->AddText(u"new", u"", 0);
    h.Frame(2999);
    EXPECT_EQ(log->GetLineCount(), 1);

    // Entering the screen again restarts the interval and re-synchronises the bar.
    bar->calls.clear();
    log->OnSequenceEnter();
    EXPECT_EQ(log->GetCrossoutCount(), 0);
    EXPECT_EQ(bar->calls, (std::vector<std::string>{"max 0", "value 0"}));
}

TEST_F(TextLogTest, RowsDrawIconsThenTextWithOnePixelBetweenCharacters)
{
    GxTaskUITextLogFx* log = Make();
    ASSERT_EQ(log->GetTextFontSize(), 15);
    ASSERT_EQ(log->GetEdgeColor(), 0x80000000u);
    h.EnterScreen();
    log->SetMaxView(2);
    log->AddText(u"AB", u"", 0);
    log->AddText(u"Aあ", u"ab", 0);
    log->AddText(u"A", u"", 0);
    log->SetValueInt(0);

    const auto calls = h.Frame(16);
    // Row 0 at the client top: "A" then "B" one half-width cell plus a pixel on. Row 1 one
    // font size lower, its text after two space widths (8 pixels each) of the icon font: "A",
    // then the full-width "あ" 8 pixels on. The third line is outside the view.
    const float left = kX + 6, top = kY + 4;
    const std::vector<std::pair<float, float>> text = {
        {left, top}, {left + 8, top}, {left + 16, top + 15}, {left + 24, top + 15}};
    EXPECT_EQ(Corners(calls, kTextColor), text);
    // Each glyph has its outline drawn first at the four diagonal offsets.
    EXPECT_EQ(Corners(calls, 0x80000000u).size(), 4u * text.size());
    // The icons, white, from the client left, centred in the row (15 - 16) / 2 = 0.
    const auto icons = Corners(calls, 0xFFFFFFFFu);
    ASSERT_EQ(icons.size(), 2u);
    EXPECT_EQ(icons[0], std::make_pair(left, top + 15));
    EXPECT_EQ(icons[1], std::make_pair(left + 8, top + 15));

    // A top line past the end or negative shows nothing.
    log->SetValueInt(3);
    EXPECT_TRUE(Corners(h.Frame(16), kTextColor).empty());
    log->SetValueInt(-1);
    EXPECT_TRUE(Corners(h.Frame(16), kTextColor).empty());
    // A long line runs on past the widget's edge.
    log->ClearText();
    log->SetValueInt(0);
    log->AddText(std::u16string(60, u'W').c_str(), u"", 0);
    const auto wide = Corners(h.Frame(16), kTextColor);
    ASSERT_EQ(wide.size(), 60u);
    EXPECT_EQ(wide.back().first, left + 59 * 8);
    EXPECT_EQ(wide.back().second, top);
}

TEST_F(TextLogTest, FontsFromTheModuleAndRefusedIndices)
{
    GxTaskUITextLogFx* log = Make();
    EXPECT_EQ(log->GetTextFontIndex(), 1);
    DBUIModuleData m;
    m.UIType = GxUIModuleType::TextLogFx;
    m.FontIndex = 2;
    log->ApplyModule(m);
    EXPECT_EQ(log->GetTextFontSize(), 23);
    log->SetTextFont(6);
    EXPECT_EQ(log->GetTextFontIndex(), 1);
    EXPECT_EQ(log->GetTextFontSize(), 15);
    EXPECT_TRUE(h.Logged("GxTaskUITextLogFx/SetTextFont font index out of range:6 [/log[0]:51]")) << h.Log().Joined();
    log->SetIconFont(8);
    EXPECT_EQ(log->GetIconFontIndex(), 0);
    EXPECT_TRUE(h.Logged("GxTaskUITextLogFx/SetIconFont font index out of range:8")) << h.Log().Joined();
    log->SetIconFont(7);
    EXPECT_EQ(log->GetIconFontIndex(), 7);
}

TEST_F(TextLogTest, LayoutTextBecomesTheFirstLine)
{
    DBUIModuleData m;
    m.ID = 3;
    m.UIType = GxUIModuleType::TextLogFx;
    m.ModuleName = u"log";
    DBUILayoutData l;
    l.ModuleName = u"log";
    l.Visible = 1;
    l.Enabled = 1;
    l.Text = u"はじめ";
    auto* log = dynamic_cast<GxTaskUITextLogFx*>(h.CreateFromLayout(m, l, u"log"));
    ASSERT_NE(log, nullptr);
    ASSERT_EQ(log->GetLineCount(), 1);
    EXPECT_EQ(log->GetLines()[0].m_Text, u"はじめ");
    EXPECT_EQ(log->GetLines()[0].m_TextColor, 0xFFFFFFFFu);
    EXPECT_TRUE(log->GetText().empty());
}

TEST_F(TextLogTest, StoredFormRoundTripResyncsTheScrollBar)
{
    GxTaskUITextLogFx* a = Make();
    a->SetMaxLine(50);
    a->SetMaxView(3);
    a->SetAutoCrossout(true);
    a->SetCrossoutWaitTime(1234);
    a->SetEdgeColor(0xFF445566u);
    for (int i = 0; i < 6; ++i) a->AddText((u"行" + Num(i)).c_str(), i % 2 ? u"*" : u"", 0xFF000000u + i);
    for (GxContentForm form : {GxContentForm::Binary, GxContentForm::Text}) {
        const std::string bytes =
            GxContentWriteToString(form, [&](GxContentWriterBase& w) { EXPECT_TRUE(a->WriteContent(w)); });
        GxBinBuffer buffer;
        GxContentFillBuffer(buffer, bytes);
        std::unique_ptr<GxContentReaderBase> r;
        if (form == GxContentForm::Text) r = std::make_unique<GxContentTextReader>(buffer);
        else r = std::make_unique<GxContentBinaryReader>(buffer);
        auto* b = new GxTaskUITextLogFx(h.Screen(), u"b", nullptr, 0);
        FakeScrollBar* bar = new FakeScrollBar(h.Screen());
        b->SetScrollBar(bar);
        b->AddText(u"old", u"", 0);
        bar->calls.clear();
        ASSERT_TRUE(b->ReadContent(*r)) << h.Log().Joined();
        ASSERT_EQ(b->GetLineCount(), 6);
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(b->GetLines()[i].m_Text, u"行" + Num(i));
            EXPECT_EQ(b->GetLines()[i].m_Icon, i % 2 ? u"*" : u"");
            EXPECT_EQ(b->GetLines()[i].m_TextColor, 0xFF000000u + i);
        }
        EXPECT_EQ(b->GetValueInt(), 3);
        EXPECT_EQ(b->GetMaxLine(), 50);
        EXPECT_EQ(b->GetMaxView(), 3);
        EXPECT_TRUE(b->GetAutoCrossout());
        EXPECT_EQ(b->GetCrossoutWaitTime(), 1234);
        EXPECT_EQ(b->GetTextColor(), kTextColor);
        EXPECT_EQ(b->GetEdgeColor(), 0xFF445566u);
        EXPECT_EQ(bar->calls, (std::vector<std::string>{"max 5", "int 3"}));
        b->Kill();
        bar->Kill();
        h.Frame(0);
    }
}

TEST_F(TextLogTest, DamagedStoredFormIsBoundedAndRepaired)
{
    GxTaskUITextLogFx* a = Make();
    a->AddText(u"AB", u"", 0);
    a->AddText(u"C", u"", 0);
    const std::string text =
        GxContentWriteToString(GxContentForm::Text, [&](GxContentWriterBase& w) { EXPECT_TRUE(a->WriteContent(w)); });
    a->Kill();
    h.Frame(0);
    auto replaceValue = [](std::string s, const std::string& key, const std::string& value) {
        const size_t at = s.find("\t" + key + "\t");
        const size_t start = at + key.size() + 2;
        s.replace(start, s.find('\n', at) - start, value);
        return s;
    };
    auto read = [&](const std::string& bytes, bool& ok) {
        GxBinBuffer buffer;
        GxContentFillBuffer(buffer, bytes);
        GxContentTextReader r(buffer);
        auto* b = new GxTaskUITextLogFx(h.Screen(), u"b", nullptr, 0);
        ok = b->ReadContent(r);
        return b;
    };
    bool ok = false;

    // A text font outside the atlases is replaced; an outline switched off still shows the text.
    std::string damaged = replaceValue(replaceValue(text, "m_TextFontIndex", "9"), "m_UseEdge", "0");
    GxTaskUITextLogFx* b = read(damaged, ok);
    EXPECT_TRUE(ok) << h.Log().Joined();
    EXPECT_EQ(b->GetTextFontIndex(), 1);
    EXPECT_FALSE(b->GetUseEdge());
    b->SetPos(GxVector3(kX, kY, 0.0f));
    h.EnterScreen();
    const auto calls = h.Frame(16);
    EXPECT_EQ(Corners(calls, kTextColor).size(), 3u);
    EXPECT_TRUE(Corners(calls, 0x80000000u).empty());
    b->Kill();
    h.Frame(0);

    // A line count beyond the data keeps the lines there and stops at the first missing one.
    const std::string list = "GxTextLogElement\t\t2";
    const size_t at = text.find(list);
    ASSERT_NE(at, std::string::npos) << text;
    damaged = text;
    damaged.replace(at, list.size(), "GxTextLogElement\t\t4000000000");
    b = read(damaged, ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(b->GetLineCount(), 2);
    // A list cut short keeps the lines read before the damage.
    damaged = text.substr(0, text.find("\"C\""));
    b = read(damaged, ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(b->GetLineCount(), 1);
    EXPECT_EQ(b->GetLines()[0].m_Text, u"AB");
}

}  // namespace
