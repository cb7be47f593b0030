// Render-layer lists: insertion orders, what is drawn and through which operation, and the two
// banks of ten lists.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/task/GxRenderLayer.h"
#include "app/task/GxTaskManage.h"

namespace {

class DrawTask : public GxTaskBase
{
public:
    DrawTask(std::vector<std::string>* trace, const std::string& label, GxTaskBase* parent)
        : GxTaskBase(nullptr, nullptr, 0, parent), m_Trace(trace), m_Label(label)
    {
    }
    int Draw(int32_t param, int32_t layer) override
    {
        m_Trace->push_back("D:" + m_Label + ":" + std::to_string(param) + ":" + std::to_string(layer));
        return 0;
    }

    int layer = GxRenderLayer::Main;
    int mode = GxRenderOrder::Ascending;
    float key = 0.0f;
    int Render(int32_t, int64_t) override
    {
        RegisterRenderLayer(layer, mode, key, 0);
        return 0;
    }

protected:
    std::vector<std::string>* m_Trace;
    std::string m_Label;
};

// Keeps the default DrawPreMain, which forwards to Draw.
class PreMainTask : public DrawTask
{
public:
    using DrawTask::DrawTask;
    int DrawPreMain(int32_t param, int32_t layer) override
    {
        m_Trace->push_back("Pre:" + m_Label);
        return GxTaskBase::DrawPreMain(param, layer);
    }
};

std::string Join(const std::vector<std::string>& v)
{
    std::string s;
    for (const auto& e : v) s += (s.empty() ? "" : " ") + e;
    return s;
}

class RenderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_Root = new GxTaskBase(&m_Tm);
        m_Tm.SetRenderLayers(&m_Banks);
    }
    DrawTask* Make(const std::string& label)
    {
        return new DrawTask(&m_Trace, label, m_Root);
    }
    GxTaskManage m_Tm;
    GxRenderLayerBanks m_Banks;
    GxTaskBase* m_Root = nullptr;
    std::vector<std::string> m_Trace;
};

TEST_F(RenderTest, InsertionOrders)
{
    // Keys registered in this order: first (1), zero (0), second (1); the draw parameter
    // tells the entries apart.
    struct Case
    {
        int32_t mode;
        const char* order;
    };
    const Case cases[] = {
        {GxRenderOrder::Ascending, "0 1 3"},
        {GxRenderOrder::Default, "0 1 3"},
        {GxRenderOrder::AscendingReverse, "0 3 1"},
        {GxRenderOrder::Descending, "1 3 0"},
        {GxRenderOrder::DescendingReverse, "3 1 0"},
        {GxRenderOrder::Front, "3 0 1"},
        {1, "1 0 3"},
        {7, "1 0 3"},
        {-1, "1 0 3"},
    };
    DrawTask* t = Make("t");
    for (const Case& c : cases) {
        GxTaskRenderManage list;
        list.RegisterTask(t, c.mode, 1.0f, 1);
        list.RegisterTask(t, c.mode, 0.0f, 0);
        EXPECT_TRUE(list.RegisterTask(t, c.mode, 1.0f, 3));
        std::string got;
        for (const auto& e : list.GetEntries()) got += (got.empty() ? "" : " ") + std::to_string(e.param);
        EXPECT_EQ(got, c.order) << "mode " << c.mode;
    }
}

TEST_F(RenderTest, SortedModesPlaceBetweenAndAtTheEnds)
{
    DrawTask* t = Make("t");
    GxTaskRenderManage list;
    for (float k : {5.0f, -1.0f, 2.5f, 10.0f, 2.5f, -3.0f}) list.RegisterTask(t, GxRenderOrder::Ascending, k, 0);
    std::vector<float> keys;
    for (const auto& e : list.GetEntries()) keys.push_back(e.orderKey);
    EXPECT_EQ(keys, (std::vector<float>{-3.0f, -1.0f, 2.5f, 2.5f, 5.0f, 10.0f}));
    EXPECT_EQ(list.GetDefaultMode(), GxRenderOrder::Ascending);
}

TEST_F(RenderTest, DrawSkipsHiddenPausedDeadAndNullAndPassesParamAndLayer)
{
    DrawTask* shown = Make("shown");
    DrawTask* hidden = Make("hidden");
    DrawTask* paused = Make("paused");
    DrawTask* dead = Make("dead");
    hidden->AddUpdateFlags(GxTaskUpdateFlag::Hidden);
    paused->Pause();
    dead->Kill();
    GxTaskRenderManage list;
    for (GxTaskBase* t : {static_cast<GxTaskBase*>(shown), static_cast<GxTaskBase*>(hidden),
                          static_cast<GxTaskBase*>(paused), static_cast<GxTaskBase*>(dead),
                          static_cast<GxTaskBase*>(nullptr)})
        list.RegisterTask(t, 99, 0.0f, 42);
    list.DrawTasks(6, true);
    EXPECT_EQ(Join(m_Trace), "D:shown:42:6");
}

TEST_F(RenderTest, BeforeTheMainPhaseEveryTaskDrawsThroughDrawPreMain)
{
    auto* pre = new PreMainTask(&m_Trace, "pre", m_Root);
    DrawTask* plain = Make("plain");
    GxTaskRenderManage list;
    list.RegisterTask(pre, 0, 0.0f, 1);
    list.RegisterTask(plain, 0, 1.0f, 2);
    list.DrawTasks(5, false);
    EXPECT_EQ(Join(m_Trace), "Pre:pre D:pre:1:5 D:plain:2:5");
    m_Trace.clear();
    list.DrawTasks(5, true);
    EXPECT_EQ(Join(m_Trace), "D:pre:1:5 D:plain:2:5");
}

TEST_F(RenderTest, BanksDrawLayersInOrderAndOnlyTheLastStepsRegistrations)
{
    DrawTask* overlay = Make("overlay");
    overlay->layer = GxRenderLayer::Overlay;
    DrawTask* back = Make("back");
    back->layer = GxRenderLayer::Background;
    DrawTask* hi = Make("hi");
    hi->key = 2.0f;
    DrawTask* lo = Make("lo");
    lo->key = 1.0f;
    DrawTask* off = Make("off");
    off->layer = GxRenderLayer::Count;  // out of range: not registered anywhere
    EXPECT_FALSE(off->RegisterRenderLayer(-1, 0, 0.0f, 0));

    for (int step = 0; step < 3; ++step) {
        m_Banks.ClearRenderLayers();
        m_Tm.RenderTasks(m_Root->GetFirstChild(), step, 0);
    }
    m_Banks.DrawRenderLayers(true);
    EXPECT_EQ(Join(m_Trace), "D:back:0:0 D:lo:0:5 D:hi:0:5 D:overlay:0:9");
}

TEST_F(RenderTest, CaptureBankLeavesTheFramesListsUntouched)
{
    DrawTask* t = Make("t");
    m_Tm.RenderTasks(t, 0, 0);
    ASSERT_EQ(m_Banks.GetList(GxRenderLayer::Main)->GetEntries().size(), 1u);

    m_Banks.SetBankIndex(1);
    m_Banks.ClearRenderLayers();
    m_Tm.RenderTasks(t, 0, 0);
    m_Tm.RenderTasks(t, 0, 0);
    EXPECT_EQ(m_Banks.GetList(GxRenderLayer::Main)->GetEntries().size(), 2u);
    m_Banks.DrawRenderLayers(false);
    m_Banks.ClearRenderLayers();
    m_Banks.SetBankIndex(0);
    EXPECT_EQ(Join(m_Trace), "D:t:0:5 D:t:0:5");

    m_Banks.SetBankIndex(2);  // ignored
    EXPECT_EQ(m_Banks.GetBankIndex(), 0);
    EXPECT_EQ(m_Banks.GetList(GxRenderLayer::Main)->GetEntries().size(), 1u);
    EXPECT_EQ(m_Banks.GetList(10), nullptr);
    EXPECT_EQ(m_Banks.GetList(-1), nullptr);
}

TEST_F(RenderTest, TaskWithoutRenderListsRegistersNothing)
{
    GxTaskManage tm;
    auto* root = new GxTaskBase(&tm);
    auto* t = new DrawTask(&m_Trace, "t", root);
    EXPECT_FALSE(t->RegisterRenderLayer(GxRenderLayer::Main, 0, 0.0f, 0));
    GxTaskBase orphan(nullptr, nullptr, 0, nullptr);
    EXPECT_FALSE(orphan.RegisterRenderLayer(GxRenderLayer::Main, 0, 0.0f, 0));
}

}  // namespace
