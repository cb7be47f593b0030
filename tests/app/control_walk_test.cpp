// The subtree walks over layers, actors and widgets, the widget-chain queries and event posting
// of the widget base, the UI event record and the small shared helpers.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "app/GxSeqBase.h"
#include "app/GxTaskControl.h"
#include "app/task/GxTaskManage.h"
#include "ui/GxTaskUINull.h"
#include "ui/GxTaskUIWidgets.h"

namespace {

// A layer stand-in: an actor with the layer kind bit that records the calls it receives.
class FakeLayer : public GxTaskActor, public GxLayerControl
{
public:
    FakeLayer(std::vector<std::string>* trace, const std::string& label, GxTaskBase* parent, int32_t type)
        : GxTaskActor(nullptr, nullptr, 0, parent), m_Trace(trace), m_Label(label), m_Type(type)
    {
        AddKindFlags(GxTaskKind::Layer);
    }
    int32_t GetLayerType() const override { return m_Type; }
    void Clear() override { m_Trace->push_back("Clear:" + m_Label); }
    bool StartLocalTransit(int32_t time) override
    {
        m_Trace->push_back("Start" + std::to_string(time) + ":" + m_Label);
        m_InTransit = true;
        return true;
    }
    bool EndLocalTransit() override
    {
        m_Trace->push_back("End:" + m_Label);
        m_InTransit = false;
        return true;
    }
    bool IsLocalTransit() const override
    {
        m_Trace->push_back("Is:" + m_Label);
        return m_InTransit;
    }
    bool m_InTransit = false;

private:
    std::vector<std::string>* m_Trace;
    std::string m_Label;
    int32_t m_Type;
};

class ControlWalk : public ::testing::Test
{
protected:
    ControlWalk()
    {
        root = new GxTaskBase(&manager);
        screen = new GxTaskFolder(u"screen", nullptr, 0, root);
        // screen
        //   a (layer, type 1)
        //     b (layer, type 2, dead)
        //   folder
        //     c (layer, type 2, paused)
        //   d (layer, type 1)
        a = new FakeLayer(&trace, "a", screen, 1);
        b = new FakeLayer(&trace, "b", a, 2);
        folder = new GxTaskFolder(nullptr, nullptr, 0, screen);
        c = new FakeLayer(&trace, "c", folder, 2);
        d = new FakeLayer(&trace, "d", screen, 1);
        b->Kill();
        c->Pause();
    }

    GxTaskManage manager;
    GxTaskBase* root;
    GxTaskFolder* screen;
    GxTaskFolder* folder;
    FakeLayer *a, *b, *c, *d;
    std::vector<std::string> trace;
};

TEST_F(ControlWalk, ClearLayersVisitsChildrenFirstWhateverTheirState)
{
    GxTaskControl::ClearLayers(screen, 0);
    EXPECT_EQ(trace, (std::vector<std::string>{"Clear:b", "Clear:a", "Clear:c", "Clear:d"}));
    trace.clear();
    GxTaskControl::ClearLayers(screen, 2);
    EXPECT_EQ(trace, (std::vector<std::string>{"Clear:b", "Clear:c"}));
    trace.clear();
    GxTaskControl::ClearLayers(screen, 7);
    EXPECT_TRUE(trace.empty());
}

TEST_F(ControlWalk, SubtreeMeansTheTaskItsLaterSiblingsAndTheirDescendants)
{
    GxTaskControl::ClearLayers(folder, 0);
    EXPECT_EQ(trace, (std::vector<std::string>{"Clear:c", "Clear:d"}));
}

TEST_F(ControlWalk, LocalTransitWalks)
{
    GxTaskControl::ClearLayersWithTransit(screen, 300, 1);
    EXPECT_EQ(trace, (std::vector<std::string>{"Start300:a", "Start300:d"}));
    trace.clear();
    EXPECT_TRUE(GxTaskControl::IsAnyLocalTransit(screen));
    EXPECT_EQ(trace, (std::vector<std::string>{"Is:b", "Is:a"}));  // stops at the first
    trace.clear();
    GxTaskControl::EndLocalTransits(screen);
    EXPECT_EQ(trace, (std::vector<std::string>{"End:b", "End:a", "End:c", "End:d"}));
    EXPECT_FALSE(GxTaskControl::IsAnyLocalTransit(screen));
}

TEST_F(ControlWalk, ActionWalks)
{
    EXPECT_FALSE(GxTaskControl::IsAnyActionRunning(screen));
    c->AddActionMoveBy(GxVector3(10, 0, 0));  // queue 1 of a paused layer
    b->AddActionHide();
    EXPECT_TRUE(GxTaskControl::IsAnyActionRunning(screen));
    EXPECT_TRUE(GxTaskControl::IsAnyActionRunning(folder));
    GxTaskControl::FinishActions(screen);
    EXPECT_FALSE(GxTaskControl::IsAnyActionRunning(screen));
    EXPECT_EQ(c->GetPos(), GxVector3(10, 0, 0));
    EXPECT_FALSE(b->IsVisible());

    // A subtree without actors.
    GxTaskFolder* plain = new GxTaskFolder(nullptr, nullptr, 0, root);
    new GxTaskBase(nullptr, nullptr, 0, plain);
    EXPECT_FALSE(GxTaskControl::IsAnyActionRunning(plain));
    EXPECT_FALSE(GxTaskControl::IsAnyLocalTransit(plain));
}

TEST_F(ControlWalk, ResetUIEventStatesReachesEveryWidget)
{
    GxTaskUIButtonIs* button = new GxTaskUIButtonIs(folder, nullptr, nullptr, 0);
    GxTaskUINull* inner = new GxTaskUINull(button, nullptr, nullptr, 0);
    for (GxTaskUIBase* w : {static_cast<GxTaskUIBase*>(button), static_cast<GxTaskUIBase*>(inner)}) {
        w->SetEventState(GxUIEventType::LeftDown);
        w->SetHoverCount(1);
    }
    GxTaskControl::ResetUIEventStates(screen);
    for (GxTaskUIBase* w : {static_cast<GxTaskUIBase*>(button), static_cast<GxTaskUIBase*>(inner)}) {
        EXPECT_EQ(w->GetEventState(), 0);
        EXPECT_EQ(w->GetHoverCount(), 0);
    }
}

// ---------------------------------------------------------------------------------------------
// Widget base

TEST(WidgetBase, ChainQueriesStopAtTheFirstTaskThatIsNoWidget)
{
    GxTaskManage manager;
    GxTaskBase* root = new GxTaskBase(&manager);
    GxTaskActor* holder = new GxTaskActor(nullptr, nullptr, 0, root);
    GxTaskUIPanelIs* panel = new GxTaskUIPanelIs(holder, nullptr, nullptr, 0);
    GxTaskUIButtonIs* button = new GxTaskUIButtonIs(panel, nullptr, nullptr, 0);

    // The actor above the panel is no widget: its visibility does not count.
    holder->Hide();
    EXPECT_TRUE(button->IsVisibleAll());
    panel->Hide();
    EXPECT_FALSE(button->IsVisibleAll());
    EXPECT_TRUE(panel->IsVisibleAll() == false);
    panel->Show();
    panel->SetEnabled(false);
    EXPECT_FALSE(button->IsEnabledAll());
    EXPECT_TRUE(button->IsVisibleAll());

    // Modal priority: own when modal, else the highest of the modal ancestors, else 0.
    EXPECT_EQ(button->GetModalPriorityAll(), 0);
    button->SetModalPriority(5);
    EXPECT_EQ(button->GetModalPriorityAll(), 0);  // not modal
    panel->SetModalFlag(true);
    panel->SetModalPriority(3);
    EXPECT_EQ(button->GetModalPriorityAll(), 3);
    button->SetModalFlag(true);
    EXPECT_EQ(button->GetModalPriorityAll(), 5);
    EXPECT_EQ(panel->GetModalPriorityAll(), 3);
}

TEST(WidgetBase, ShowAndHideForgetThePointerState)
{
    GxTaskUINull w(nullptr, nullptr, nullptr, 0);
    EXPECT_TRUE(w.IsKindOf(GxTaskKind::UI));
    EXPECT_TRUE(w.IsKindOf(GxTaskKind::Actor));
    EXPECT_EQ(w.GetTaskType(), GxUIModuleType::Null);
    EXPECT_TRUE(w.LoadImageSet(u"anything"));
    EXPECT_TRUE(w.LoadImages());
    w.SetEventState(1);
    w.SetHoverCount(1);
    w.Hide();
    EXPECT_EQ(w.GetEventState(), 0);
    EXPECT_EQ(w.GetHoverCount(), 0);
    w.SetEventState(7);
    w.Show();
    EXPECT_EQ(w.GetEventState(), 0);
}

TEST(WidgetBase, UpdateAdvancesTheActionsByWholeMilliseconds)
{
    GxTaskUINull w(nullptr, nullptr, nullptr, 0);
    w.SetAlpha(0);
    w.AddActionFadeIn(100);
    w.Update(0, 50999);
    EXPECT_EQ(w.GetAlpha(), 127);  // 50 ms
    w.Update(1, 0);
    EXPECT_EQ(w.GetAlpha(), 127);
    w.Update(0, 50000);
    EXPECT_EQ(w.GetAlpha(), 255);
}

TEST(WidgetBase, SendUIEventPostsToTheCurrentScreen)
{
    GxTaskManage manager;
    GxTaskBase* root = new GxTaskBase(&manager);
    GxSeqBase* screen = new GxSeqBase(u"SeqA", root);
    GxTaskUIButtonIs* button = new GxTaskUIButtonIs(screen, u"btn", nullptr, 0);
    GxUIEventParam record(button, GxUIEventType::LeftDown, 0);

    EXPECT_FALSE(button->SendUIEvent(record));  // no current screen
    ASSERT_TRUE(manager.ChangeSequence(screen, 0));
    manager.ExecuteChangeSequence();
    EXPECT_FALSE(button->SendUIEvent(record));  // its queue is off
    screen->SetUIEventEnabled(true);
    EXPECT_TRUE(button->SendUIEvent(record));
    EXPECT_EQ(screen->GetUIEventCount(), 1u);
    screen->Pause();
    EXPECT_FALSE(button->SendUIEvent(record));
    screen->Resume();
    screen->Kill();
    EXPECT_FALSE(button->SendUIEvent(record));
    EXPECT_EQ(screen->GetUIEventCount(), 1u);
}

// ---------------------------------------------------------------------------------------------
// Records and helpers

TEST(ControlRecords, UIEventParamStartsFromTheSenderTypeAndParameter)
{
    GxTaskUINull w(nullptr, nullptr, nullptr, 0);
    GxUIEventParam p(&w, 19, -4);
    EXPECT_EQ(p.m_Sender, &w);
    EXPECT_EQ(p.m_EventType, 19);
    EXPECT_EQ(p.m_Param, -4);
    EXPECT_EQ(p.m_Reserved, 0u);
    for (float v : p.m_Values) EXPECT_EQ(v, 0.0f);
}

TEST(ControlRecords, SmallHelpers)
{
    EXPECT_EQ(GxGetSignInt64(-7), -1);
    EXPECT_EQ(GxGetSignInt64(0), 0);
    EXPECT_EQ(GxGetSignInt64(INT64_MAX), 1);
    EXPECT_EQ(GxGetAbsInt64(-7), 7);
    EXPECT_EQ(GxGetAbsInt64(7), 7);
    EXPECT_EQ(GxGetAbsInt64(INT64_MIN), INT64_MAX);  // no negative result
    EXPECT_EQ(GxGetSignDouble(-0.5), -1.0);
    EXPECT_EQ(GxGetSignDouble(0.0), 0.0);
    EXPECT_EQ(GxGetSignDouble(1e-300), 1.0);
    float src[20], dst[21];
    for (int i = 0; i < 20; ++i) src[i] = static_cast<float>(i) + 0.5f;
    dst[20] = -1.0f;
    GxCopyFloat20(dst, src);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(dst[i], src[i]);
    EXPECT_EQ(dst[20], -1.0f);
    EXPECT_EQ(GxVector2().x, 0.0f);
    EXPECT_EQ(GxVector2().y, 0.0f);
}

}  // namespace
