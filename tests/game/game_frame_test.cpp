// One frame of the main loop on the started application object: only the first catch-up step
// gets the elapsed time, a sequence change ends the steps, and the rate caption appears only in
// a window with debug mode on and only right after the timer measured anew.
#include <gtest/gtest.h>

#include "app/GxCoreDevice.h"
#include "app/GxSeqBase.h"
#include "app/task/GxTaskManage.h"
#include "core/GxFrameTimer.h"
#include "game/GxGameFrame.h"
#include "game/GxSystemConfig.h"
#include "tests/game/game_core_fixture.h"

namespace {

using gametest::StartedCore;

// Stands in for the persistent system screen: records (step, elapsed) of its update walks and
// requests a sequence change in the step it is told to.
class StepRecorder : public GxTaskBase
{
public:
    explicit StepRecorder(GxTaskBase* parent) : GxTaskBase(u"StepRecorder", nullptr, 0, parent) {}
    int Update(int32_t step, int64_t elapsed) override
    {
        walks.emplace_back(step, elapsed);
        if (step == changeInStep && target) GetManager()->ChangeSequence(target, 0);
        return 0;
    }
    std::vector<std::pair<int32_t, int64_t>> walks;
    int32_t changeInStep = -1;
    GxTaskBase* target = nullptr;
};

TEST(GameFrame, OnlyTheFirstCatchUpStepGetsTheElapsedTimeAndAChangeEndsTheSteps)
{
    StartedCore app;
    GxTaskManage* tm = app.core->GetTaskManage();
    // A screen of no change of its own in place of the boot screen start-up changes to, whose
    // pending change would end the first frame's steps.
    tm->ChangeSequence(new GxSeqBase(u"SeqIdle", tm->GetRootTask()), 0);
    tm->ExecuteChangeSequence();
    auto* recorder = new StepRecorder(tm->GetRootTask());
    tm->SetPersistentRoot(recorder);
    GxFrameTimer& timer = app.core->GetFrameTimer();
    timer.SetUnpaced(true);  // every frame an ideal one of 1/60 s
    timer.SetStepRate(180);  // three update steps per frame
    GxRunGameFrame(app.core.get());
    recorder->walks.clear();

    GxRunGameFrame(app.core.get());
    ASSERT_EQ(timer.GetStepCount(), 3);
    using Walks = std::vector<std::pair<int32_t, int64_t>>;
    EXPECT_EQ(recorder->walks, (Walks{{0, timer.GetElapsed()}, {1, 0}, {2, 0}}));
    EXPECT_GT(timer.GetElapsed(), 0);

    recorder->walks.clear();
    recorder->target = new GxSeqBase(u"SeqNext", tm->GetRootTask());
    recorder->changeInStep = 1;
    GxRunGameFrame(app.core.get());
    EXPECT_EQ(recorder->walks, (Walks{{0, timer.GetElapsed()}, {1, 0}})) << "the change ends the frame's steps";
    EXPECT_TRUE(tm->IsChangeSequencePending()) << "the next main-loop pass carries it out";
}

// The caption follows the timer's measurement: a timer with a test clock measures after 2 s.
TEST(GameFrame, TheRateCaptionNeedsAWindowDebugModeAndAFreshMeasurement)
{
    StartedCore app;
    uint64_t now = 1;
    GxFrameTimer timer([&] { return now; }, [](int32_t) {});
    timer.SetUnpaced(true);
    timer.WaitFrame();
    now += 1000000;
    timer.WaitFrame();
    ASSERT_FALSE(timer.HasJustMeasured());

    GxSystemConfig* sc = app.core->GetSystemConfig();
    sc->m_DebugModeFlag = true;
    GxUpdateFrameCaption(app.core.get(), timer);
    EXPECT_TRUE(app.ws->captions.empty()) << "not between measurements";

    now += 1000000;
    timer.WaitFrame();
    ASSERT_TRUE(timer.HasJustMeasured());
    sc->m_DebugModeFlag = false;
    GxUpdateFrameCaption(app.core.get(), timer);
    EXPECT_TRUE(app.ws->captions.empty()) << "not without debug mode";

    sc->m_DebugModeFlag = true;
    GxUpdateFrameCaption(app.core.get(), timer);
    ASSERT_EQ(app.ws->captions.size(), 1u);
    EXPECT_EQ(app.ws->captions[0], "GameTest FPS 1.50/60");

    ASSERT_TRUE(GxCoreDeviceChangeScreenMode(2));
    ASSERT_FALSE(GxCoreDeviceIsWindowed());
    GxUpdateFrameCaption(app.core.get(), timer);
    EXPECT_EQ(app.ws->captions.size(), 1u) << "not in full screen";
    GxCoreDeviceChangeScreenMode(0);
}

}  // namespace
