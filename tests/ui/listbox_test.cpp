// The drawn list box on the headless stage: loading with one margin and the visible count, the
// clamped scroll position and its scroll bar, wheel, hover and press with the description
// target and the SelectChange record, the clear operations, bad fonts, the drawn lines with
// their colours, bars, prefixes, outlines and sub-items, and the stored form.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "core/GxContentReader.h"
#include "core/GxContentTextReader.h"
#include "game/DBUIModule.h"
#include "tests/support/GxContentFixture.h"
#include "tests/support/GxUIHarness.h"
#include "ui/GxTaskUIWidgets.h"

namespace {

using gxtest::UIHarness;

constexpr float kX = 50.0f;
constexpr float kY = 40.0f;
// Font 1 is 15 pixels: a line is 17 high.
constexpr int32_t kLine = 17;
constexpr float kTop = kY + 6.0f;

// A widget that records what the list asks of its scroll bar, and keeps a text.
class FakeBar : public GxTaskUIBase
{
public:
    explicit FakeBar(GxTaskBase* parent) : GxTaskUIBase(parent, u"bar", nullptr, 0) {}
    bool LoadImageSet(const std::u16string&) override { return true; }
    bool LoadImages() override { return true; }
    void ReleaseImages() override {}
    void SetMax(double v) override { calls.push_back("max " + std::to_string(static_cast<int>(v))); }
    void SetValue(double v) override { calls.push_back("value " + std::to_string(static_cast<int>(v))); }
    std::vector<std::string> calls;
};

struct Box
{
    long x, y, w;
    bool operator==(const Box&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Box& b) { return os << b.x << "," << b.y << " w" << b.w; }

// Rounded top-left corner and width of each draw in a colour, in order; the two fans of one
// rectangle count once.
std::vector<Box> Boxes(const std::vector<GxDeviceCall>& calls, uint32_t color)
{
    std::vector<Box> out;
    for (const auto& c : calls) {
        if (c.op != GxDeviceOp::DrawPrimitiveUP || c.vertices.empty() || c.vertices[0].diffuse != color) continue;
        float x0 = c.vertices[0].x, y0 = c.vertices[0].y, x1 = x0;
        for (const auto& p : c.vertices) {
            x0 = std::min(x0, p.x);
            y0 = std::min(y0, p.y);
            x1 = std::max(x1, p.x);
        }
        const Box b{std::lround(x0), std::lround(y0), std::lround(x1 - x0)};
        if (out.empty() || !(out.back() == b)) out.push_back(b);
    }
    return out;
}

std::u16string Num(int i)
{
    std::u16string s;
    for (char c : std::to_string(i)) s += static_cast<char16_t>(c);
    return s;
}

class ListBoxTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(h.IsReady());
        ASSERT_TRUE(h.WritePicture("fonts/FONT16SYS.png", gxtest::TestPicture(128, 96, 0xFFFFFFFFu)));
        ASSERT_TRUE(h.WritePicture("cg/list.png", gxtest::TestPicture(200, 100, 0xFF203040u)));
        h.LoadFonts();
    }

    GxTaskUIListBoxFx* Make(int32_t font = 1)
    {
        DBUIModuleData m;
        m.ID = 3;
        m.UIType = GxUIModuleType::ListBoxFx;
        m.ModuleName = u"list";
        m.ImageSetName = u"cg/";
        m.ImageName = u"list";
        m.FontIndex = font;
        m.ClientLeft = 4;
        m.ClientTop = 6;
        auto* list = dynamic_cast<GxTaskUIListBoxFx*>(h.CreateFromModule(m, u"list"));
        if (list) {
            list->SetPos(GxVector3(kX, kY, 0.0f));
            target = new FakeBar(h.Screen());
            list->SetDescriptTarget(target);
        }
        return list;
    }

    void Fill(GxTaskUIListBoxFx* list, int n)
    {
        for (int i = 0; i < n; ++i)
            list->AddItem((u"L" + Num(i)).c_str(), u"", 0, (u"l" + Num(i)).c_str(), 100 + i, (u"d" + Num(i)).c_str());
    }

    UIHarness h;
    FakeBar* target = nullptr;
};

TEST_F(ListBoxTest, LoadsWithOneMarginAndTheVisibleCount)
{
    GxTaskUIListBoxFx* list = Make();
    GxTaskUIListBoxFx* badFont = Make(7);
    ASSERT_TRUE(list && badFont);
    EXPECT_EQ(list->GetTaskType(), GxUIModuleType::ListBoxFx);
    h.EnterScreen();
    EXPECT_EQ(list->GetWidth(), 200);
    EXPECT_EQ(list->GetHeight(), 100);
    EXPECT_EQ(list->GetClientWidth(), 196);
    EXPECT_EQ(list->GetClientHeight(), 94);
    EXPECT_EQ(list->GetVisibleLineCount(), 94 / kLine);
    EXPECT_EQ(list->GetTextFontSize(), 15);
    // A font outside the six is logged and font 1 taken.
    EXPECT_TRUE(h.Logged("GxTaskUIListBoxFx/SetTextFont")) << h.Log().Joined();
    EXPECT_EQ(badFont->GetTextFontIndex(), 1);
    EXPECT_EQ(badFont->GetTextFontSize(), 15);
    GxUIListItem item;
    item.PrefixFontIndex = 9;
    EXPECT_EQ(list->AddItem(item)->PrefixFontIndex, 0);
    EXPECT_TRUE(h.Logged("GxTaskUIListBoxFx/AddItem")) << h.Log().Joined();
}

TEST_F(ListBoxTest, ScrollPositionIsClampedAndMirrored)
{
    GxTaskUIListBoxFx* list = Make();
    ASSERT_NE(list, nullptr);
    h.EnterScreen();
    const struct
    {
        int lines, visible;
        double set, expect;
        int barMax;
    } cases[] = {
        {10, 4, -3, 0, 6}, {10, 4, 7, 6, 6}, {10, 4, 6, 6, 6}, {10, 4, 2.5, 2.5, 6},
        {3, 4, 2, 0, 0},   {10, 0, 12, 10, 10}, {10, 4, NAN, 0, 6},
    };
    for (const auto& c : cases) {
        list->ClearItems();
        list->SetVisibleLineCount(c.visible);
        Fill(list, c.lines);
        list->SetValue(c.set);
        EXPECT_EQ(list->GetValue(), c.expect) << c.lines << " " << c.set;
        FakeBar bar(h.Screen());
        list->SetScrollBar(&bar);
        list->UpdateScrollBar();
        EXPECT_EQ(bar.calls, (std::vector<std::string>{"max " + std::to_string(c.barMax),
                                                        "value " + std::to_string(static_cast<int>(c.expect))}));
        list->SetScrollBar(nullptr);
        bar.Kill();
    }
    list->SetValueInt(100);
    EXPECT_EQ(list->GetValueInt(), 6);
    list->SetValueBool(true);
    EXPECT_EQ(list->GetValueInt(), 1);
    h.Frame(0);
}

TEST_F(ListBoxTest, WheelMovesOneLinePerMessage)
{
    GxTaskUIListBoxFx* list = Make();
    ASSERT_NE(list, nullptr);
    h.EnterScreen();
    list->SetVisibleLineCount(4);
    Fill(list, 10);
    auto* bar = new FakeBar(h.Screen());
    list->SetScrollBar(bar);
    list->SetValueInt(3);
    const struct
    {
        int32_t delta;
        int value;
    } steps[] = {{120, 2}, {240, 1}, {119, 1}, {-119, 1}, {-120, 2}, {-360, 3}};
    for (const auto& s : steps) {
        bar->calls.clear();
        EXPECT_EQ(h.Wheel(s.delta, kX + 100, kY + 50), 1) << s.delta;
        EXPECT_EQ(list->GetValueInt(), s.value) << s.delta;
        // The bar hears the position even when nothing moved.
        EXPECT_EQ(bar->calls, std::vector<std::string>{"value " + std::to_string(s.value)}) << s.delta;
    }
    // Outside the widget nothing happens.
    EXPECT_EQ(h.Wheel(120, kX + 300, kY + 50), 0);
    EXPECT_EQ(list->GetValueInt(), 3);
}

TEST_F(ListBoxTest, HoverPressEmptySpaceAndDisabledLines)
{
    GxTaskUIListBoxFx* list = Make();
    ASSERT_NE(list, nullptr);
    h.EnterScreen();
    Fill(list, 3);
    list->GetItem(1)->Enabled = false;
    auto rowY = [](int r) { return kTop + static_cast<float>(r * kLine) + 3.0f; };

    EXPECT_EQ(h.Move(kX + 20, rowY(0)), 1);
    EXPECT_EQ(list->GetHoverIndex(), 0);
    EXPECT_EQ(target->GetText(), u"d0");
    EXPECT_EQ(h.Move(kX + 20, rowY(1)), 1);
    EXPECT_EQ(list->GetHoverIndex(), -1);
    EXPECT_EQ(target->GetText(), u"d1");
    EXPECT_EQ(h.Move(kX + 20, rowY(3)), 0);
    EXPECT_EQ(target->GetText(), u"");

    EXPECT_EQ(h.Down(kX + 20, rowY(2)), 1);
    h.Frame(16);
    EXPECT_EQ(list->GetSelectIndex(), 2);
    EXPECT_EQ(list->GetHoverIndex(), 2);
    EXPECT_EQ(list->GetSelectLabel(), u"l2");
    EXPECT_EQ(list->GetSelectID(), 102);
    // Below the last line: the selection clears and the record still goes out.
    EXPECT_EQ(h.Down(kX + 20, rowY(3)), 1);
    h.Frame(16);
    EXPECT_EQ(list->GetSelectIndex(), -1);
    ASSERT_EQ(h.Events().size(), 2u);
    const GxUIEventParam& first = h.Events()[0].param;
    EXPECT_EQ(h.Events()[0].type, GxUIEventType::SelectChange);
    EXPECT_EQ(first.m_Param, 0);
    EXPECT_EQ(first.m_Values[0], -1.0f);
    EXPECT_EQ(first.m_Values[1], 2.0f);
    EXPECT_EQ(first.m_Values[4], kX);
    EXPECT_EQ(first.m_Values[5], kY);
    EXPECT_EQ(h.Events()[1].param.m_Values[1], -1.0f);

    // A disabled line clears the selection and leaves the hover as it was.
    h.Down(kX + 20, rowY(2));
    h.Down(kX + 20, rowY(1));
    EXPECT_EQ(list->GetSelectIndex(), -1);
    EXPECT_EQ(list->GetHoverIndex(), 2);
    // Outside the client rectangle nothing happens.
    EXPECT_EQ(h.Down(kX + 2, rowY(0)), 0);

    h.Down(kX + 20, rowY(0));
    list->ClearItems();
    EXPECT_EQ(list->GetSelectIndex(), -1);
    EXPECT_EQ(list->GetHoverIndex(), -1);
    EXPECT_EQ(list->GetSelectLabel(), u"");
    EXPECT_EQ(list->GetSelectID(), -1);
    EXPECT_EQ(list->GetItem(0), nullptr);
    EXPECT_EQ(list->GetColumn(0), 0);
}

TEST_F(ListBoxTest, DrawsLinesBarsColoursAndColumns)
{
    GxTaskUIListBoxFx* list = Make();
    ASSERT_NE(list, nullptr);
    h.EnterScreen();
    list->SetTextColor(0xFF2040FFu);
    list->SetEdgeColor(0xFF010203u);
    Fill(list, 6);
    list->SetVisibleLineCount(4);
    list->SetValueInt(1);
    list->GetItem(1)->Color = 0x80FFFFFFu;   // plain, a colour product
    list->GetItem(2)->Flagged = true;       // flagged and hovered
    list->GetItem(3)->Enabled = false;
    list->GetItem(4)->PrefixText = u"**";
    list->GetItem(4)->SubItems.resize(2);
    for (auto& s : list->GetItem(4)->SubItems) s.Text = u"s";
    list->AddColumn(40);
    h.Move(kX + 20, kTop + kLine + 3);
    ASSERT_EQ(list->GetHoverIndex(), 2);
    const std::vector<GxDeviceCall> calls = h.Frame(16);

    using B = std::vector<Box>;
    const long left = static_cast<long>(kX) + 4;
    // One select bar for the flagged line, no hover bar: it is hovered too.
    EXPECT_EQ(Boxes(calls, 0x9000FFFFu), (B{{left, static_cast<long>(kTop) + kLine, 196}}));
    EXPECT_TRUE(Boxes(calls, 0x4000FFFFu).empty());
    // Colours: the product, the select product, the disable colour.
    EXPECT_FALSE(Boxes(calls, 0x802040FFu).empty());
    EXPECT_FALSE(Boxes(calls, 0xFF806040u).empty());
    const B plain = Boxes(calls, 0xFF2040FFu);
    // Line 2 (flagged), line 4 with its prefix and its sub-items (both at the one column, so
    // counted once); the fifth line is not shown.
    EXPECT_EQ(plain.size(), 2u + 2u + 2u + 1u);
    // Four outline passes for each glyph: four texts of two, two sub-items of one.
    EXPECT_EQ(Boxes(calls, 0xFF010203u).size(), 4u * (4u * 2u + 2u));
    // The prefix in the bitmap font at the text origin; the text after two spaces of it.
    const long row3 = static_cast<long>(kTop) + 3 * kLine + 1;
    EXPECT_NE(std::find(plain.begin(), plain.end(), Box{left + 1, row3, 8}), plain.end()) << ::testing::PrintToString(plain);
    EXPECT_NE(std::find(plain.begin(), plain.end(), Box{left + 9, row3, 8}), plain.end());
    bool textAfterPrefix = false, subAtColumn = false;
    for (const Box& b : plain) {
        textAfterPrefix |= b.x == left + 1 + 16 && b.y == row3;
        subAtColumn |= b.x == left + 1 + 40 && b.y == row3;
    }
    EXPECT_TRUE(textAfterPrefix);
    EXPECT_TRUE(subAtColumn);

    // No room for a whole line still draws the first one.
    list->SetVisibleLineCount(0);
    list->ClearSelect();
    const std::vector<GxDeviceCall> one = h.Frame(16);
    EXPECT_EQ(Boxes(one, 0x802040FFu).size(), 2u);
    EXPECT_TRUE(Boxes(one, 0xFF2040FFu).empty());
}

TEST_F(ListBoxTest, StoredFormKeepsTheTextKeys)
{
    GxTaskUIListBoxFx* a = Make(2);
    ASSERT_NE(a, nullptr);
    a->SetTextColor(0xFF102030u);
    a->SetEdgeColor(0xFF445566u);
    for (GxContentForm form : {GxContentForm::Binary, GxContentForm::Text}) {
        const std::string bytes =
            GxContentWriteToString(form, [&](GxContentWriterBase& w) { EXPECT_TRUE(a->WriteContent(w)); });
        GxBinBuffer buffer;
        GxContentFillBuffer(buffer, bytes);
        std::unique_ptr<GxContentReaderBase> r;
        if (form == GxContentForm::Text) r = std::make_unique<GxContentTextReader>(buffer);
        else r = std::make_unique<GxContentBinaryReader>(buffer);
        auto* b = new GxTaskUIListBoxFx(h.Screen(), u"b", nullptr, 0);
        ASSERT_TRUE(b->ReadContent(*r)) << h.Log().Joined();
        EXPECT_EQ(b->GetTextFontIndex(), 2);
        EXPECT_EQ(b->GetTextFontSize(), 23);
        EXPECT_EQ(b->GetTextColor(), 0xFF102030u);
        EXPECT_EQ(b->GetEdgeColor(), 0xFF445566u);
        EXPECT_TRUE(b->GetUseEdge());
        b->Kill();
        h.Frame(0);
    }
}

TEST_F(ListBoxTest, DamagedStoredFontsAreRepairedOrHitNothing)
{
    GxTaskUIListBoxFx* a = Make();
    ASSERT_NE(a, nullptr);
    const std::string text =
        GxContentWriteToString(GxContentForm::Text, [&](GxContentWriterBase& w) { EXPECT_TRUE(a->WriteContent(w)); });
    auto replaceValue = [](std::string s, const std::string& key, const std::string& value) {
        const size_t at = s.find("\t" + key + "\t");
        const size_t start = at + key.size() + 2;
        s.replace(start, s.find('\n', at) - start, value);
        return s;
    };
    GxBinBuffer buffer;
    GxContentFillBuffer(buffer, replaceValue(replaceValue(text, "m_TextFontIndex", "-4"), "m_TextFontSize", "-2"));
    GxContentTextReader r(buffer);
    ASSERT_TRUE(a->ReadContent(r));
    EXPECT_EQ(a->GetTextFontIndex(), 1);
    EXPECT_TRUE(h.Logged("GxTaskUIListBoxFx/ReadContent")) << h.Log().Joined();
    EXPECT_EQ(a->GetTextFontSize(), -2);
    a->SetPos(GxVector3(kX, kY, 0.0f));
    h.EnterScreen();
    // A line of no height holds no row: nothing is visible, hovered or chosen, and drawing
    // divides by nothing.
    EXPECT_EQ(a->GetVisibleLineCount(), 0);
    Fill(a, 3);
    a->SetVisibleLineCount(2);
    EXPECT_EQ(h.Move(kX + 20, kTop + 1), 0);
    EXPECT_EQ(a->GetHoverIndex(), -1);
    h.Down(kX + 20, kTop + 1);
    EXPECT_EQ(a->GetSelectIndex(), -1);
    h.Frame(16);
}

}  // namespace
