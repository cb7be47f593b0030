// The standard pointer protocol and update on a headless stage: moves and presses through the
// task manager's walks, the events the screen's listener receives, consumption, report bits, the
// block flag, the input gate with dialogs and running actions, and the tip help over frames.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/task/GxTaskManage.h"
#include "game/DBUILayout.h"
#include "game/DBUIModule.h"
#include "seq/SeqSystem.h"
#include "tests/support/GxUIHarness.h"
#include "ui/GxTaskUIWidgets.h"

namespace {

using gxtest::UIHarness;

class PointerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(h.IsReady());
        ASSERT_TRUE(h.WritePicture("cg/box.png", gxtest::TestPicture(100, 50, 0xFFFF0000u)));
        panel = Make(u"panel", 100.0f, 200.0f, h.Screen());
        ASSERT_NE(panel, nullptr);
    }

    GxTaskUIBase* Make(const char16_t* name, float x, float y, GxTaskBase* parent, int32_t helpTime = -1)
    {
        DBUIModuleData m;
        m.ID = 3;
        m.UIType = GxUIModuleType::PanelFx;
        m.ModuleName = u"mod_box";
        m.ImageSetName = u"cg/";
        m.ImageName = u"box";
        DBUILayoutData l;
        l.ModuleName = u"mod_box";
        l.Visible = 1;
        l.Enabled = 1;
        l.Left = x;
        l.Top = y;
        l.AutoHelpTime = helpTime;
        l.Descript = u"説明";
        return h.CreateFromLayout(m, l, name, 0, parent);
    }

    std::vector<int32_t> Types()
    {
        std::vector<int32_t> out;
        for (const auto& e : h.Events()) out.push_back(e.type);
        h.ClearRecords();
        return out;
    }

    UIHarness h;
    GxTaskUIBase* panel = nullptr;
};

TEST_F(PointerTest, HoverPressAndLeaveGivePostedEventsAndConsumption)
{
    h.EnterScreen();
    ASSERT_EQ(panel->GetWidth(), 100);

    struct Step
    {
        const char* what;
        char op;  // m move, d press, f frame
        float x, y;
        int consumed;
        int32_t state;
        int32_t hover;
        std::vector<int32_t> events;  // delivered by the frame that follows
    };
    const std::vector<Step> steps = {
        {"move outside", 'm', 50, 50, 0, 0, 0, {}},
        {"move onto the left-top edge", 'm', 100, 200, 1, 7, 1, {7}},
        {"move inside again", 'm', 150, 220, 1, 7, 1, {}},
        {"press inside", 'd', 150, 220, 1, 1, 1, {1}},
        {"press on the right edge: no press, and the frame ends the hover", 'd', 200, 220, 0, 8, 0, {8}},
        {"move to the bottom edge", 'm', 150, 250, 0, 8, 0, {}},
        {"back inside", 'm', 199, 249, 1, 7, 1, {7}},
        {"leave by the bottom edge", 'f', 150, 250, 0, 8, 0, {8}},
        {"frame again: nothing more", 'f', 150, 250, 0, 8, 0, {}},
        {"press without hover", 'd', 101, 201, 1, 1, 0, {1}},
    };
    for (const Step& s : steps) {
        int r = 0;
        if (s.op == 'm') r = h.Move(s.x, s.y);
        else if (s.op == 'd') r = h.Down(s.x, s.y);
        else h.SetPointer(s.x, s.y);
        // Events posted in an update reach the listener in the next frame's screen update.
        h.Frame(16);
        h.Frame(16);
        EXPECT_EQ(r, s.consumed) << s.what;
        EXPECT_EQ(panel->GetEventState(), s.state) << s.what;
        EXPECT_EQ(panel->GetHoverCount(), s.hover) << s.what;
        const auto& events = h.Events();
        std::vector<int32_t> types;
        for (const auto& e : events) {
            types.push_back(e.type);
            EXPECT_EQ(e.sender, panel);
            EXPECT_EQ(e.param.m_Values[4], 100.0f);  // the widget's absolute position
            EXPECT_EQ(e.param.m_Values[5], 200.0f);
        }
        EXPECT_EQ(types, s.events) << s.what;
        if (!events.empty()) {
            EXPECT_EQ(events[0].param.m_Values[0], s.x) << s.what;
            EXPECT_EQ(events[0].param.m_Values[1], s.y) << s.what;
        }
        h.ClearRecords();
    }
}

TEST_F(PointerTest, ClearedReportBitsAndBlockFlag)
{
    GxTaskUIBase* behind = Make(u"behind", 100.0f, 200.0f, h.Screen());
    h.EnterScreen();
    // The walk offers children first, earliest first: the panel before the one behind it.
    panel->ClearEventReportFlag(1);
    panel->ClearEventReportFlag(7);
    panel->ClearEventReportFlag(8);
    EXPECT_EQ(h.Move(110, 210), 1);  // hovered, consumed, but silent
    EXPECT_EQ(panel->GetHoverCount(), 1);
    EXPECT_EQ(behind->GetHoverCount(), 0);
    // A silent press is not consumed, so the widget behind takes it (and consumes it).
    EXPECT_EQ(h.Down(110, 210), 1);
    EXPECT_EQ(panel->GetEventState(), 1);
    EXPECT_EQ(behind->GetEventState(), 1);
    h.Frame(16);
    EXPECT_EQ(Types(), (std::vector<int32_t>{1}));
    h.SetPointer(0, 0);
    h.Frame(16);
    EXPECT_EQ(panel->GetEventState(), 8);
    EXPECT_EQ(Types(), (std::vector<int32_t>{}));

    panel->SetEventReportFlag(1);
    panel->SetEventReportFlag(7);
    panel->SetEventBlockFlag(false);
    behind->Hide();
    EXPECT_EQ(h.Move(110, 210), 0);
    EXPECT_EQ(h.Down(110, 210), 0);
    h.Frame(16);
    EXPECT_EQ(Types(), (std::vector<int32_t>{7, 1}));
}

TEST_F(PointerTest, AFadingWidgetTakesNoHoverOrPressButLosesAHoverItHad)
{
    h.EnterScreen();
    panel->AddActionFadeIn(100);
    EXPECT_EQ(h.Move(110, 210), 0);
    EXPECT_EQ(h.Down(110, 210), 0);
    EXPECT_EQ(panel->GetHoverCount(), 0);
    EXPECT_EQ(panel->GetEventState(), 0);
    h.Frame(100);  // the fade ends
    EXPECT_EQ(h.Move(110, 210), 1);
    EXPECT_EQ(panel->GetHoverCount(), 1);
    h.Frame(16);
    h.ClearRecords();

    panel->AddActionFadeOut(100);
    h.SetPointer(0, 0);
    h.Frame(16);
    EXPECT_EQ(panel->GetHoverCount(), 0);
    EXPECT_EQ(panel->GetEventState(), 8);
    EXPECT_TRUE(h.Events().empty());  // the gate refuses the event, not the state
}

TEST_F(PointerTest, DialogDepthGatesByTheModalPriorityOfTheChain)
{
    // A modal dialog panel of priority 3 with an ordinary button-like child.
    panel->SetModalFlag(true);
    panel->SetModalPriority(3);
    GxTaskUIBase* child = Make(u"child", 0.0f, 0.0f, panel);
    GxTaskUIBase* outside = Make(u"outside", 600.0f, 0.0f, h.Screen());
    h.EnterScreen();
    EXPECT_EQ(child->GetModalPriorityAll(), 3);
    for (int32_t depth = 0; depth <= 4; ++depth) {
        g_SystemDialogCount = depth;
        EXPECT_EQ(child->IsUIInputEnabled(), depth <= 3) << depth;
        EXPECT_EQ(outside->IsUIInputEnabled(), depth == 0) << depth;
        // Through the walk: the child sits at (100, 200) + (0, 0).
        EXPECT_EQ(h.Down(101, 201), depth <= 3 ? 1 : 0) << depth;
    }
    g_SystemDialogCount = 0;
}

TEST_F(PointerTest, TipHelpOnceWhenTheHoverTimeCrossesTheDelay)
{
    struct Case
    {
        int32_t helpTime;
        std::vector<int> frames;  // indices (from 1) of the frames that ask for the tip
    };
    // 16 and 17 ms in turn: 16, 33, 49, 66 ... 495 (frame 30), 511 (frame 31).
    const Case cases[] = {{-1, {}}, {0, {}}, {500, {31}}, {16, {1}}, {17, {2}}};
    h.EnterScreen();
    for (const Case& c : cases) {
        GxTaskUIBase* w = Make(u"tip", 300.0f, 400.0f, h.Screen(), c.helpTime);
        w->OnSequenceEnter();
        h.ClearRecords();
        h.Move(310, 410);
        std::vector<int> asked;
        for (int f = 1; f <= 60; ++f) {
            h.Frame(f % 2 ? 16 : 17);
            if (!h.TipRequests().empty()) asked.push_back(f);
            h.TipRequests().clear();
        }
        EXPECT_EQ(asked, c.frames) << c.helpTime;
        w->Kill();
        h.Frame(16);
    }
}

TEST_F(PointerTest, TipHelpShowsTheSystemWidgetAndRearmsAfterLeaving)
{
    GxTaskUIBase* w = Make(u"tip", 300.0f, 400.0f, h.Screen(), 500);
    h.EnterScreen();
    ASSERT_TRUE(h.TipHelp()->IsPause());
    h.Move(310, 410);
    h.Frame(499);
    EXPECT_TRUE(h.TipRequests().empty());
    h.Frame(1);
    ASSERT_EQ(h.TipRequests().size(), 1u);
    EXPECT_EQ(h.TipRequests()[0].text, u"説明");
    EXPECT_EQ(h.TipRequests()[0].pos.x, 310.0f);
    EXPECT_EQ(h.TipRequests()[0].pos.y, 410.0f);
    // The program's handler behind the record: the system screen's "tip_help" shows the text.
    EXPECT_TRUE(h.TipHelp()->IsActive());
    EXPECT_TRUE(h.TipHelp()->IsVisible());
    EXPECT_EQ(h.TipHelp()->GetText(), u"説明");
    // Placed by the balloon: 24 pixels left of and below the pointer.
    EXPECT_EQ(h.TipHelp()->GetPos().x, 286.0f);
    EXPECT_EQ(h.TipHelp()->GetPos().y, 434.0f);

    h.Frame(5000);
    EXPECT_EQ(h.TipRequests().size(), 1u);
    h.SetPointer(0, 0);  // leave: the hover and its time end
    h.Frame(16);
    EXPECT_EQ(w->GetHoverTime(), 0);
    h.Move(310, 410);
    h.Frame(600);
    EXPECT_EQ(h.TipRequests().size(), 2u);
}

TEST_F(PointerTest, HoverTimeIsCappedAtADayEvenAfterAVeryLongFrame)
{
    GxTaskUIBase* w = Make(u"tip", 300.0f, 400.0f, h.Screen(), 1000);
    h.EnterScreen();
    h.Move(310, 410);
    h.Frame(80000000);
    EXPECT_EQ(w->GetHoverTime(), 80000000);
    h.Frame(2100000000);  // would wrap a 32-bit sum
    EXPECT_EQ(w->GetHoverTime(), GxTaskUIBase::kMaxHoverTime);
    h.Frame(2100000000);
    EXPECT_EQ(w->GetHoverTime(), GxTaskUIBase::kMaxHoverTime);
    EXPECT_EQ(h.TipRequests().size(), 1u);  // once, in the first long frame
}

TEST(TipHelpService, ADeadTipStaysDead)
{
    UIHarness h;
    ASSERT_TRUE(h.IsReady());
    h.TipHelp()->Kill();
    SeqSystem::ShowTipHelp(h.Screen(), u"x", GxVector3(1.0f, 2.0f, 0.0f));
    SeqSystem::ShowTipHelp(nullptr, u"x", GxVector3());
    EXPECT_TRUE(h.TipHelp()->IsDead());
    EXPECT_EQ(h.TipHelp()->GetText(), u"");
}

}  // namespace
