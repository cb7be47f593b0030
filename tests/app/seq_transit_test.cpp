// Screen transitions: the timer record and its storage, the capture when a screen is left, the
// countdown in the pre-main phase, the input mask and the overlay.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/GxSeqTransitBase.h"
#include "app/task/GxRenderLayer.h"
#include "app/task/GxTaskManage.h"
#include "core/GxContentReader.h"
#include "core/GxContentTextReader.h"
#include "tests/app/seq_test_services.h"
#include "tests/support/GxContentFixture.h"

namespace {

TEST(TransitParam, Progress)
{
    GxTransitParam t;
    EXPECT_EQ(t.GetProgress(), 1.0f);  // idle
    t.m_Transit = true;
    EXPECT_EQ(t.GetProgress(), 1.0f);  // total 0: fully transparent
    t.m_TransitTimeTotal = -5;
    EXPECT_EQ(t.GetProgress(), 1.0f);
    t.m_TransitTimeTotal = 400;
    t.m_TransitTimeLeft = 400;
    EXPECT_EQ(t.GetProgress(), 0.0f);
    t.m_TransitTimeLeft = 100;
    EXPECT_EQ(t.GetProgress(), 0.75f);
    t.m_TransitTimeLeft = 900;  // more left than the total
    EXPECT_EQ(t.GetProgress(), 0.0f);
    t.m_TransitTimeLeft = -50;
    EXPECT_EQ(t.GetProgress(), 1.0f);
    t.m_TransitTimeTotal = 0x7FFFFFFF;
    t.m_TransitTimeLeft = -0x7FFFFFFF;
    EXPECT_EQ(t.GetProgress(), 1.0f);
}

class TransitStorage : public ::testing::TestWithParam<GxContentForm>
{
};

TEST_P(TransitStorage, RestoredTransitKeepsItsProgress)
{
    GxTransitParam saved;
    saved.m_Transit = true;
    saved.m_TransitTimeLeft = 120;
    saved.m_TransitTimeTotal = 400;
    const std::string bytes =
        GxContentWriteToString(GetParam(), [&](GxContentWriterBase& w) { EXPECT_TRUE(saved.WriteContent(w)); });

    GxBinBuffer buffer;
    GxContentFillBuffer(buffer, bytes);
    GxTransitParam restored;
    GxContentLogCapture log;
    if (GetParam() == GxContentForm::Binary) {
        GxContentBinaryReader r(buffer);
        EXPECT_TRUE(restored.ReadContent(r));
        EXPECT_TRUE(r.IsEnd());
    } else {
        GxContentTextReader r(buffer);
        EXPECT_TRUE(restored.ReadContent(r));
        EXPECT_TRUE(r.IsEnd());
    }
    EXPECT_TRUE(log.Lines().empty()) << log.Joined();
    EXPECT_TRUE(restored.m_Transit);
    EXPECT_EQ(restored.m_TransitTimeLeft, 120);
    EXPECT_EQ(restored.m_TransitTimeTotal, 400);
    EXPECT_FLOAT_EQ(restored.GetProgress(), 0.7f);

    // A stream cut short reports failure.
    GxContentFillBuffer(buffer, bytes.substr(0, bytes.size() / 2));
    GxTransitParam partial;
    GxContentBinaryReader br(buffer);
    GxContentTextReader tr(buffer);
    GxContentReaderBase& r = GetParam() == GxContentForm::Binary ? static_cast<GxContentReaderBase&>(br)
                                                                  : static_cast<GxContentReaderBase&>(tr);
    EXPECT_FALSE(partial.ReadContent(r));
}

INSTANTIATE_TEST_SUITE_P(BothForms, TransitStorage, ::testing::Values(GxContentForm::Binary, GxContentForm::Text),
                         [](const auto& info) {
                             return info.param == GxContentForm::Binary ? std::string("Binary") : std::string("Text");
                         });

// A child that answers every left press, to see whether the input walks reach the screen.
class PressTaker : public GxTaskBase
{
public:
    explicit PressTaker(GxTaskBase* parent) : GxTaskBase(nullptr, nullptr, 0, parent) {}
    int OnMouseLeftDown(const GxMousePoint&, uint32_t, bool) override { return 1; }
    int OnKeyDown(GxWParam, GxLParam) override { return 1; }
};

class SeqTransitTest : public ::testing::Test
{
protected:
    SeqTransitTest()
    {
        manager.SetRenderLayers(&banks);
        root = new GxTaskBase(&manager);
        system = new GxSeqBase(u"SeqSystem", root);
        a = new GxSeqTransitBase(u"SeqA", root);
        b = new GxSeqTransitBase(u"SeqB", root);
        new PressTaker(b);
    }

    void Change(GxTaskBase* seq)
    {
        ASSERT_TRUE(manager.ChangeSequence(seq, 0));
        manager.ExecuteChangeSequence();
    }

    // One update step of the frame over the current screen, as the main loop runs it.
    void Step(int64_t elapsed)
    {
        GxTaskBase* seq = manager.GetCurrentSequence();
        if (!manager.IsMainStarted()) manager.UpdatePreMainTasks(seq, 0, elapsed);
        manager.UpdateTasks(seq, 0, elapsed);
    }

    RecordingSeqServices services;
    GxContentLogCapture log;
    GxRenderLayerBanks banks;
    GxTaskManage manager;
    GxTaskBase* root;
    GxSeqBase* system;
    GxSeqTransitBase* a;
    GxSeqTransitBase* b;
};

TEST_F(SeqTransitTest, ConstructionMarksATransitScreen)
{
    EXPECT_TRUE(a->IsKindOf(GxTaskKind::SeqTransit));
    EXPECT_TRUE(a->IsKindOf(GxTaskKind::Sequence));
    EXPECT_FALSE(a->IsInTransit());
    EXPECT_FALSE(system->IsKindOf(GxTaskKind::SeqTransit));
}

TEST_F(SeqTransitTest, StartAndEndHoldTheInputAway)
{
    constexpr uint32_t bits = (1u << 3) | (1u << 4) | (1u << 5);
    b->SetInputMask(1u << 1);
    EXPECT_TRUE(b->StartTransit(300));
    EXPECT_TRUE(b->IsInTransit());
    EXPECT_EQ(b->GetTransitParam().m_TransitTimeLeft, 300);
    EXPECT_EQ(b->GetTransitParam().m_TransitTimeTotal, 300);
    EXPECT_EQ(b->GetInputMask(), bits | (1u << 1));
    EXPECT_EQ(manager.WalkMouseLeftDown(b, GxMousePoint(), 0), 0);
    EXPECT_EQ(manager.WalkKeyDown(b, 0x20, 0), 0);
    EXPECT_TRUE(b->EndTransit());
    EXPECT_FALSE(b->IsInTransit());
    EXPECT_EQ(b->GetTransitParam().m_TransitTimeLeft, 0);
    EXPECT_EQ(b->GetInputMask(), 1u << 1);
    EXPECT_EQ(manager.WalkMouseLeftDown(b, GxMousePoint(), 0), 1);
    EXPECT_FALSE(b->EndTransit());
}

TEST_F(SeqTransitTest, LeavingCapturesTheScreenAndStartsTheNextOnesTransition)
{
    services.transitTime = 250;
    Change(a);
    EXPECT_TRUE(services.calls.empty());  // nothing to capture on the first screen
    Change(b);
    EXPECT_EQ(services.calls, std::vector<std::string>{"RenderSceneToGlobalTexture"});
    EXPECT_TRUE(b->IsInTransit());
    EXPECT_EQ(b->GetTransitParam().m_TransitTimeTotal, 250);
    EXPECT_FALSE(a->IsInTransit());

    // Leaving a screen whose own transition still runs ends it first; the system screen (no
    // transit bit) gets neither a capture nor a transition.
    services.calls.clear();
    Change(system);
    EXPECT_FALSE(b->IsInTransit());
    EXPECT_EQ(b->GetInputMask(), 0u);
    EXPECT_TRUE(services.calls.empty());
    EXPECT_TRUE(log.Lines().empty()) << log.Joined();
}

TEST_F(SeqTransitTest, A400msTransitionEndsAfter25StepsAt60Fps)
{
    Change(a);
    Change(b);
    ASSERT_TRUE(b->IsInTransit());
    int steps = 0;
    int lastAlpha = 256;
    while (!manager.IsMainStarted() && steps < 100) {
        // The overlay of this frame, before the step counts down.
        services.draws.clear();
        b->Draw(1, GxRenderLayer::Overlay);
        ASSERT_EQ(services.draws.size(), 1u);
        const int alpha = static_cast<int>(services.draws[0].diffuse >> 24);
        if (steps == 0) {
            EXPECT_EQ(alpha, 255);
        }
        EXPECT_LT(alpha, lastAlpha);
        EXPECT_EQ(services.draws[0].diffuse & 0xFFFFFFu, 0xFFFFFFu);
        lastAlpha = alpha;

        EXPECT_EQ(manager.WalkMouseLeftDown(b, GxMousePoint(), 0), 0);
        Step(16666);  // 16 ms counted
        ++steps;
        if (steps < 25) {
            EXPECT_TRUE(b->IsInTransit());
            EXPECT_FALSE(manager.IsMainStarted());
            EXPECT_EQ(b->GetTransitParam().m_TransitTimeLeft, 400 - 16 * steps);
        }
    }
    EXPECT_EQ(steps, 25);
    EXPECT_FALSE(b->IsInTransit());
    EXPECT_EQ(b->GetTransitParam().m_TransitTimeLeft, 0);
    EXPECT_EQ(manager.WalkMouseLeftDown(b, GxMousePoint(), 0), 1);
    services.draws.clear();
    b->Draw(1, GxRenderLayer::Overlay);
    EXPECT_TRUE(services.draws.empty());
}

TEST_F(SeqTransitTest, TimeIsCountedPerStepInWholeMilliseconds)
{
    b->StartTransit(10);
    Change(b);  // entering does not touch the transition
    ASSERT_TRUE(b->IsInTransit());
    Step(999);  // 0 ms
    Step(0);
    EXPECT_EQ(b->GetTransitParam().m_TransitTimeLeft, 10);
    Step(9999);  // 9 ms
    EXPECT_EQ(b->GetTransitParam().m_TransitTimeLeft, 1);
    EXPECT_FALSE(manager.IsMainStarted());
    Step(5000000000LL);  // far more than an int holds
    EXPECT_FALSE(b->IsInTransit());
    EXPECT_TRUE(manager.IsMainStarted());
}

TEST_F(SeqTransitTest, RenderRegistersTheOverlayOnlyWhileInTransit)
{
    a->Render(0, 0);
    EXPECT_EQ(banks.GetList(GxRenderLayer::Background)->GetEntries().size(), 1u);
    EXPECT_TRUE(banks.GetList(GxRenderLayer::Overlay)->GetEntries().empty());
    banks.ClearRenderLayers();
    a->StartTransit(400);
    a->Render(0, 0);
    const auto& base = banks.GetList(GxRenderLayer::Background)->GetEntries();
    const auto& overlay = banks.GetList(GxRenderLayer::Overlay)->GetEntries();
    ASSERT_EQ(base.size(), 1u);
    ASSERT_EQ(overlay.size(), 1u);
    EXPECT_EQ(base.front().task, a);
    EXPECT_EQ(base.front().param, 0);
    EXPECT_EQ(overlay.front().task, a);
    EXPECT_EQ(overlay.front().param, 1);
    EXPECT_EQ(overlay.front().orderKey, 0.0f);
}

TEST_F(SeqTransitTest, DrawClearsOrOverlaysByParameter)
{
    services.backgroundColor = 0xFF336699u;
    a->StartTransit(400);
    a->Draw(0, 0);
    ASSERT_EQ(services.clears.size(), 1u);
    EXPECT_EQ(services.clears[0].color, 0xFF336699u);
    EXPECT_TRUE(services.draws.empty());

    services.calls.clear();
    a->Draw(1, 9);
    EXPECT_EQ(services.calls, (std::vector<std::string>{"BeginScene", "SetDefaultRenderState",
                                                        "DrawGlobalRenderTexture", "EndScene"}));
    ASSERT_EQ(services.draws.size(), 1u);
    const auto& d = services.draws[0];
    EXPECT_EQ(d.x, 0.0f);
    EXPECT_EQ(d.y, 0.0f);
    EXPECT_EQ(d.source, GxFRect(0, 0, 1024, 768));
    EXPECT_EQ(d.diffuse, 0xFFFFFFFFu);
    EXPECT_EQ(d.specular, 0u);
    EXPECT_EQ(d.blend, 2);

    services.calls.clear();
    a->Draw(2, 9);
    EXPECT_TRUE(services.calls.empty());
}

}  // namespace
