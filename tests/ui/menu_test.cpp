// The image menu on the headless stage: items and their deep copies, the frame pictures and the
// row size they give, the strict row hit test, hover and press with the description target and
// disabled items, the SelectChange record, and the drawn frame, bar and texts with their
// colours and column offsets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "game/DBUIModule.h"
#include "tests/support/GxUIHarness.h"
#include "ui/GxTaskUIWidgets.h"

namespace {

using gxtest::UIHarness;

constexpr float kX = 100.0f;
constexpr float kY = 50.0f;
constexpr int32_t kRow = 20;
constexpr uint32_t kHead = 0xFF0000FFu, kBody = 0xFF00FF00u, kFoot = 0xFFFF0000u;

// A widget that only keeps its text, standing in for the description target.
class TextTarget : public GxTaskUIBase
{
public:
    explicit TextTarget(GxTaskBase* parent) : GxTaskUIBase(parent, u"descript", nullptr, 0) {}
    bool LoadImageSet(const std::u16string&) override { return true; }
    bool LoadImages() override { return true; }
    void ReleaseImages() override {}
};

std::vector<std::vector<GxScreenVertex>> Quads(const std::vector<GxDeviceCall>& calls)
{
    std::vector<std::vector<GxScreenVertex>> out;
    for (const auto& c : calls)
        if (c.op == GxDeviceOp::DrawPrimitiveUP && !c.vertices.empty()) out.push_back(c.vertices);
    return out;
}

// Rounded top-left corner and width of each draw in a colour, in drawing order; the two fans of
// one rectangle count once.
struct Box
{
    long x, y, w;
    bool operator==(const Box&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Box& b) { return os << b.x << "," << b.y << " w" << b.w; }

std::vector<Box> Boxes(const std::vector<GxDeviceCall>& calls, uint32_t color)
{
    std::vector<Box> out;
    for (const auto& q : Quads(calls)) {
        if (q[0].diffuse != color) continue;
        float x0 = q[0].x, y0 = q[0].y, x1 = q[0].x;
        for (const auto& p : q) {
            x0 = std::min(x0, p.x);
            y0 = std::min(y0, p.y);
            x1 = std::max(x1, p.x);
        }
        const Box b{std::lround(x0), std::lround(y0), std::lround(x1 - x0)};
        if (out.empty() || !(out.back() == b)) out.push_back(b);
    }
    return out;
}

class MenuTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(h.IsReady());
        // Frame pictures as tall as a row; the body's size gives the row size.
        ASSERT_TRUE(h.WriteImageSet("uigis/menu.gis", {{u"frame_head.png", {{120, kRow, kHead}}},
                                                        {u"frame_body.png", {{120, kRow, kBody}}},
                                                        {u"frame_foot.png", {{120, kRow, kFoot}}}}))
            << h.Log().Joined();
        h.LoadFonts();
    }

    GxTaskUIMenuIs* Make(const char16_t* image = u"frame")
    {
        DBUIModuleData m;
        m.ID = 7;
        m.UIType = GxUIModuleType::MenuIs;
        m.ModuleName = u"menu";
        m.ImageSetName = u"menu";
        m.ImageName = image;
        m.ClientLeft = 10;
        m.ClientTop = 3;
        auto* menu = dynamic_cast<GxTaskUIMenuIs*>(h.CreateFromModule(m, u"menu"));
        if (menu) {
            menu->SetPos(GxVector3(kX, kY, 0.0f));
            target = new TextTarget(h.Screen());
            menu->SetDescriptTarget(target);
        }
        return menu;
    }

    void AddThree(GxTaskUIMenuIs* menu)
    {
        menu->AddItem(u"A", u"first", 11, u"one");
        menu->AddItem(u"B", u"second", 22, u"two")->Enabled = false;
        menu->AddItem(u"C", u"third", 33, u"three");
    }

    UIHarness h;
    TextTarget* target = nullptr;
};

TEST_F(MenuTest, ItemsCopyDeeplyAndIndicesAreChecked)
{
    GxTaskUIMenuIs* menu = Make();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->GetTaskType(), GxUIModuleType::MenuIs);
    EXPECT_EQ(menu->GetImageSetPath(), u"uigis/menu.gis");
    GxUIMenuItem item;
    item.Text = u"x";
    item.SubItems.push_back(GxUIMenuItem{});
    item.SubItems[0].Text = u"sub";
    GxUIMenuItem* stored = menu->AddItem(item);
    item.SubItems[0].Text = u"changed";
    EXPECT_EQ(stored->SubItems[0].Text, u"sub");
    EXPECT_EQ(menu->GetItem(0), stored);
    EXPECT_EQ(menu->GetItem(1), nullptr);
    menu->AddColumn(40);
    EXPECT_EQ(menu->GetColumn(0), 40);
    EXPECT_EQ(menu->GetColumn(5), 0);
    EXPECT_EQ(menu->GetColumnCount(), 1);
    EXPECT_EQ(menu->GetSelectLabel(), u"");
    EXPECT_EQ(menu->GetSelectID(), -1);
}

TEST_F(MenuTest, BodyPictureSetsRowSizeAndMissingPicturesAreLogged)
{
    GxTaskUIMenuIs* menu = Make();
    GxTaskUIMenuIs* broken = Make(u"none");
    ASSERT_TRUE(menu && broken);
    h.EnterScreen();
    EXPECT_EQ(menu->GetWidth(), 120);
    EXPECT_EQ(menu->GetHeight(), 2 * kRow);
    EXPECT_EQ(menu->GetClientWidth(), 100);
    AddThree(menu);
    EXPECT_EQ(menu->GetHeight(), 5 * kRow);
    EXPECT_TRUE(h.Logged("GxTaskUIMenuIs/Image not found:none_head.png")) << h.Log().Joined();
    broken->LoadImageSet(u"uigis/gone/frame");
    EXPECT_FALSE(broken->LoadImages());
    EXPECT_TRUE(h.Logged("GxTaskUIMenuIs/ImageSet wasn't Loaded:uigis/gone.gis")) << h.Log().Joined();
}

TEST_F(MenuTest, HitTestIsStrictOverItemRows)
{
    GxTaskUIMenuIs* menu = Make();
    ASSERT_NE(menu, nullptr);
    h.EnterScreen();
    const GxVector3 o = menu->GetAbsolutePos();
    // An empty menu has a head and a foot and nothing to hit.
    EXPECT_FALSE(menu->IsHit(o, kX + 50, kY + 10));
    EXPECT_FALSE(menu->IsHit(o, kX + 50, kY + kRow + 1));
    menu->AddItem(u"A", u"a", 1, u"");
    menu->AddItem(u"B", u"b", 2, u"");
    const struct
    {
        float x, y;
        bool hit;
    } cases[] = {
        {kX + 11, kY + kRow + 1, true},          // first item
        {kX + 10, kY + kRow + 5, false},         // dx = 0
        {kX + 11, kY + kRow, false},             // dy = 0
        {kX + 109.5f, kY + 3 * kRow - 1, true},  // second item, last pixel
        {kX + 110, kY + 30, false},              // dx = client width
        {kX + 50, kY + 3 * kRow, false},         // the foot
        {kX + 50, kY + 10, false},               // the head
    };
    for (const auto& c : cases) EXPECT_EQ(menu->IsHit(o, c.x, c.y), c.hit) << c.x << "," << c.y;
}

TEST_F(MenuTest, HoverPressAndDisabledItemsWithTheDescriptTarget)
{
    GxTaskUIMenuIs* menu = Make();
    ASSERT_NE(menu, nullptr);
    h.EnterScreen();
    AddThree(menu);
    const float row2 = kY + 2 * kRow + 5, row3 = kY + 3 * kRow + 5, row4 = kY + 4 * kRow + 5;
    EXPECT_EQ(h.Move(kX + 20, kY + kRow + 5), 1);
    EXPECT_EQ(menu->GetHoverIndex(), 0);
    EXPECT_EQ(target->GetText(), u"one");
    // The disabled item tells what it is but is not hovered.
    EXPECT_EQ(h.Move(kX + 20, row2), 1);
    EXPECT_EQ(menu->GetHoverIndex(), -1);
    EXPECT_EQ(target->GetText(), u"two");
    EXPECT_EQ(h.Move(kX + 20, row4), 0);
    EXPECT_EQ(target->GetText(), u"");

    EXPECT_EQ(h.Down(kX + 20, row3), 1);
    h.Frame(16);
    EXPECT_EQ(menu->GetSelectIndex(), 2);
    EXPECT_EQ(menu->GetSelectLabel(), u"third");
    EXPECT_EQ(menu->GetSelectID(), 33);
    ASSERT_EQ(h.Events().size(), 1u);
    const gxtest::UIEventRecord& e = h.Events()[0];
    EXPECT_EQ(e.type, GxUIEventType::SelectChange);
    EXPECT_EQ(e.param.m_Param, 2);
    EXPECT_EQ(e.param.m_Values[0], kX + 20);
    EXPECT_EQ(e.param.m_Values[1], row3);
    EXPECT_EQ(e.param.m_Values[4], kX);
    EXPECT_EQ(e.param.m_Values[5], kY);
    // Choosing it again reports again.
    h.Down(kX + 20, row3);
    h.Frame(16);
    EXPECT_EQ(h.Events().size(), 2u);

    // A disabled item clears both indices and reports nothing.
    h.ClearRecords();
    EXPECT_EQ(h.Down(kX + 20, row2), 0);
    h.Frame(16);
    EXPECT_EQ(menu->GetSelectIndex(), -1);
    EXPECT_EQ(menu->GetHoverIndex(), -1);
    EXPECT_TRUE(h.Events().empty());

    h.Down(kX + 20, row3);
    menu->ClearItems();
    EXPECT_EQ(menu->GetSelectIndex(), -1);
    EXPECT_EQ(menu->GetHoverIndex(), -1);
    EXPECT_EQ(menu->GetSelectLabel(), u"");
    EXPECT_EQ(menu->GetSelectID(), -1);
    // The frame is all that is left: a head and a foot.
    EXPECT_EQ(menu->GetHeight(), 2 * kRow);
}

TEST_F(MenuTest, DrawsFrameBarAndTextsInTheirColours)
{
    GxTaskUIMenuIs* menu = Make();
    ASSERT_NE(menu, nullptr);
    h.EnterScreen();
    AddThree(menu);
    menu->GetItem(0)->SubItems.resize(3);
    for (auto& s : menu->GetItem(0)->SubItems) s.Text = u"s";
    menu->GetItem(0)->SubItems[2].OffsetY = 4.0f;
    menu->AddColumn(30);
    menu->AddColumn(25);
    // The third item is hovered and selected.
    h.Move(kX + 20, kY + 3 * kRow + 5);
    h.Down(kX + 20, kY + 3 * kRow + 5);
    const std::vector<GxDeviceCall> calls = h.Frame(16);

    using B = std::vector<Box>;
    // The body picture repeated once per item between head and foot; with the actor's white.
    const B white = Boxes(calls, 0xFFFFFFFFu);
    B frame, texts;
    for (const Box& b : white) (b.w == 120 ? frame : texts).push_back(b);
    EXPECT_EQ(frame, (B{{100, 50, 120}, {100, 70, 120}, {100, 90, 120}, {100, 110, 120}, {100, 130, 120}}));
    // The bar behind the hovered row, over the client span.
    EXPECT_EQ(Boxes(calls, 0x80FFFFFFu), (B{{110, 110, 100}}));
    // Hovered and selected: the select colour with its specular, drawn after the bar.
    const auto quads = Quads(calls);
    const auto last = std::find_if(quads.rbegin(), quads.rend(), [](const auto& q) { return q[0].diffuse == 0xFF80A0FFu; });
    ASSERT_NE(last, quads.rend());
    EXPECT_EQ((*last)[0].specular, 0xFF202020u);
    EXPECT_EQ(std::lround(std::min((*last)[0].y, (*last)[2].y)), 113);
    // The first item and its three sub-items at the running column offsets (the third shares
    // the last one), each after four shadows.
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0].x, 110);
    EXPECT_EQ(texts[1].x, 140);
    EXPECT_EQ(texts[2].x, 165);
    EXPECT_EQ(texts[3].x, 165);
    EXPECT_EQ(texts[3].y - texts[2].y, 4);
    EXPECT_EQ(Boxes(calls, 0xD0000000u).size(), 4u * 6u);
}

}  // namespace
