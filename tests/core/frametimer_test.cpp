#include "core/GxFrameTimer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

// A clock that the test moves by hand. Every read can also advance it by a tick, which stands
// for the time the spin loop burns; a sleep moves it to the wake time asked for, plus an
// oversleep that a test may set. A wake time not ahead is a yield.
struct FakeClock
{
    uint64_t now = 1000000;
    uint64_t tickPerRead = 0;
    uint64_t oversleep = 0;
    int reads = 0;
    int yields = 0;
    std::vector<uint64_t> sleeps;  // wake times asked for

    GxFrameTimer MakeTimer()
    {
        return GxFrameTimer([this] {
            ++reads;
            const uint64_t t = now;
            now += tickPerRead;
            return t;
        },
                            [this](uint64_t wakeAt) {
                                if (wakeAt <= now) {
                                    ++yields;
                                    return;
                                }
                                sleeps.push_back(wakeAt);
                                now = wakeAt + oversleep;
                            });
    }
};

}  // namespace

TEST(GxFrameTimer, FirstFrameOnlyYieldsAndRunsOneStep)
{
    FakeClock clock;
    GxFrameTimer timer = clock.MakeTimer();
    EXPECT_EQ(timer.WaitFrame(), 0);
    EXPECT_EQ(timer.GetStepCount(), 1);
    EXPECT_EQ(timer.GetLag(), 0);
    EXPECT_EQ(clock.reads, 1);
    EXPECT_EQ(clock.yields, 1);
    EXPECT_TRUE(clock.sleeps.empty());
    EXPECT_EQ(timer.GetFrameCount(), 1u);
}

TEST(GxFrameTimer, PacedFramesSleepToTheBoundaryAndReadTheClockOnceAfter)
{
    FakeClock clock;
    clock.tickPerRead = 1;  // a microsecond clock that moves a microsecond a read: a spin shows
    GxFrameTimer timer = clock.MakeTimer();
    timer.WaitFrame();
    for (int i = 0; i < 300; ++i) {
        const uint64_t start = clock.now - 1;  // where the last frame's final read stood
        clock.now += static_cast<uint64_t>(i * 37 % 16600);  // the frame's own work
        const int readsBefore = clock.reads;
        const size_t sleepsBefore = clock.sleeps.size();
        EXPECT_EQ(timer.WaitFrame(), 16666) << "frame " << i;
        EXPECT_EQ(timer.GetStepCount(), 1) << "frame " << i;
        EXPECT_EQ(timer.GetLag(), 0) << "frame " << i;
        ASSERT_EQ(clock.sleeps.size(), sleepsBefore + 1) << "one absolute sleep a frame";
        EXPECT_EQ(clock.sleeps.back(), start + 16666) << "frame " << i;
        // One read to start the wait, one after the sleep: nothing spins on the clock.
        EXPECT_EQ(clock.reads - readsBefore, 2) << "frame " << i;
    }
    EXPECT_EQ(clock.yields, 1);
}

TEST(GxFrameTimer, SleepsToTheBoundaryHoweverNearItIs)
{
    struct Case
    {
        int32_t rate;
        uint64_t work;  // microseconds spent in the frame before the wait
    };
    const Case cases[] = {{60, 1}, {10, 1}, {60, 9666}, {30, 3333}, {60, 16300}, {60, 16664}};
    for (const Case& c : cases) {
        FakeClock clock;
        GxFrameTimer timer = clock.MakeTimer();
        timer.SetWaitRate(c.rate);
        timer.WaitFrame();
        const uint64_t start = clock.now;
        clock.now += c.work;
        clock.tickPerRead = 1;
        EXPECT_EQ(timer.WaitFrame(), 1000000 / c.rate) << "rate " << c.rate << " work " << c.work;
        ASSERT_EQ(clock.sleeps.size(), 1u) << "rate " << c.rate << " work " << c.work;
        EXPECT_EQ(clock.sleeps[0], start + 1000000 / c.rate);
        EXPECT_EQ(clock.reads, 3) << "rate " << c.rate << " work " << c.work;
    }
}

// A sleep that wakes late ends the frame late by as much; the timer does not wait on, and the
// lag and the steps follow from the longer frame: the next due time is shortened by the lag (at
// most 4 ms), and a frame late by more than a step runs two.
TEST(GxFrameTimer, LateWakeUpEndsTheFrameLateAndTheLagAndStepsFollow)
{
    struct Case
    {
        uint64_t oversleep;
        int64_t lag;
        int32_t steps;
        int64_t remainder;  // carried from a remainder of 0
    };
    const Case cases[] = {
        {0, 0, 1, 0},
        {40, 40, 1, 40},
        {300, 300, 1, 300},
        {3000, 3000, 1, 3000},
        {9000, 4000, 1, 9000},
        {20000, 4000, 2, 36666 - 2 * 16666},
    };
    for (const Case& c : cases) {
        FakeClock clock;
        clock.tickPerRead = 1;
        GxFrameTimer timer = clock.MakeTimer();
        timer.WaitFrame();
        ASSERT_EQ(timer.WaitFrame(), 16666);
        ASSERT_EQ(timer.GetStepRemainder(), 0);
        const uint64_t start = clock.now - 1;
        clock.oversleep = c.oversleep;
        const int readsBefore = clock.reads;
        EXPECT_EQ(timer.WaitFrame(), 16666 + static_cast<int64_t>(c.oversleep)) << "late by " << c.oversleep;
        EXPECT_EQ(clock.reads - readsBefore, 2) << "late by " << c.oversleep;
        EXPECT_EQ(timer.GetLag(), c.lag) << "late by " << c.oversleep;
        EXPECT_EQ(timer.GetStepCount(), c.steps) << "late by " << c.oversleep;
        EXPECT_EQ(timer.GetStepRemainder(), c.remainder) << "late by " << c.oversleep;

        // The next frame's boundary is one due time, less the lag, after this frame's end.
        clock.oversleep = 0;
        const uint64_t end = start + 16666 + c.oversleep;
        EXPECT_EQ(timer.WaitFrame(), 16666 - c.lag) << "late by " << c.oversleep;
        EXPECT_EQ(clock.sleeps.back(), end + static_cast<uint64_t>(16666 - c.lag));
        EXPECT_EQ(timer.GetLag(), 0);
    }

    // Wake-ups late every frame: each frame is as late as the wake-up, the lag takes it off
    // the next due time, and frames average the frame time.
    FakeClock clock;
    clock.tickPerRead = 1;
    GxFrameTimer timer = clock.MakeTimer();
    timer.WaitFrame();
    clock.oversleep = 700;
    int64_t total = 0;
    for (int i = 0; i < 60; ++i) total += timer.WaitFrame();
    EXPECT_NEAR(static_cast<double>(total) / 60.0, 16666.0, 700.0 / 60.0 + 1);
    EXPECT_EQ(timer.GetLag(), 700);
}

// A sleep may end before its time (a timer that sleeps at most so long, or a clock without a
// sleep of its own that only yields): it is asked again for the same boundary, and the frame
// ends when a sleep has passed it.
TEST(GxFrameTimer, ASleepThatEndsEarlyIsAskedAgain)
{
    FakeClock clock;
    GxFrameTimer timer([&clock] { return clock.now++; },
                       [&clock](uint64_t wakeAt) {
                           if (wakeAt <= clock.now) return;
                           clock.sleeps.push_back(wakeAt);
                           clock.now = std::min(wakeAt + 3, clock.now + 6000);
                       });
    timer.WaitFrame();
    const uint64_t start = clock.now - 1;
    EXPECT_EQ(timer.WaitFrame(), 16666 + 3);
    EXPECT_EQ(clock.sleeps, (std::vector<uint64_t>{start + 16666, start + 16666, start + 16666}));
    EXPECT_EQ(timer.GetLag(), 3);
}

TEST(GxFrameTimer, LongFramesRunSeveralStepsAndCarryTheRemainder)
{
    FakeClock clock;
    GxFrameTimer timer = clock.MakeTimer();
    timer.WaitFrame();

    clock.now += 100000;  // a 100 ms frame
    EXPECT_EQ(timer.WaitFrame(), 100000);
    EXPECT_EQ(clock.yields, 2);  // late: no wait beyond a yield
    EXPECT_TRUE(clock.sleeps.empty());
    EXPECT_EQ(timer.GetStepCount(), 6);
    EXPECT_EQ(timer.GetStepRemainder(), 4);
    EXPECT_EQ(timer.GetLag(), 4000);
}

TEST(GxFrameTimer, OneSecondStallIsCappedAtMaxSteps)
{
    FakeClock clock;
    GxFrameTimer timer = clock.MakeTimer();
    timer.WaitFrame();

    clock.now += 1000000;
    EXPECT_EQ(timer.WaitFrame(), 1000000);
    EXPECT_EQ(timer.GetStepCount(), 15);
    EXPECT_EQ(timer.GetStepRemainder(), 15 * 16666);

    // The capped remainder is still owed: the next ordinary frame runs the maximum again, and
    // then the carried time is spent.
    clock.tickPerRead = 1;
    const int64_t e = timer.WaitFrame();
    EXPECT_EQ(e, 16666 - 4000);
    EXPECT_EQ(timer.GetStepCount(), 15);
    EXPECT_EQ(timer.GetStepRemainder(), 249990 * 90 / 100 + e - 15 * 16666);
    timer.WaitFrame();
    EXPECT_EQ(timer.GetStepCount(), 1);
}

TEST(GxFrameTimer, LateFrameShortensTheNextDueTime)
{
    FakeClock clock;
    GxFrameTimer timer = clock.MakeTimer();
    timer.WaitFrame();

    clock.now += 16666 + 10000;  // ten milliseconds late
    EXPECT_EQ(timer.WaitFrame(), 26666);
    EXPECT_EQ(timer.GetLag(), 4000);
    EXPECT_EQ(timer.GetStepCount(), 1);

    clock.tickPerRead = 1;
    EXPECT_EQ(timer.WaitFrame(), 16666 - 4000);
    EXPECT_EQ(timer.GetLag(), 0);
}

TEST(GxFrameTimer, ChangingTheWaitRateTakesEffectOnTheNextCall)
{
    FakeClock clock;
    GxFrameTimer timer = clock.MakeTimer();
    timer.WaitFrame();
    clock.tickPerRead = 1;
    EXPECT_EQ(timer.WaitFrame(), 16666);
    EXPECT_EQ(timer.GetStepCount(), 1);

    timer.SetWaitRate(10);
    EXPECT_EQ(timer.WaitFrame(), 100000);
    EXPECT_EQ(timer.GetStepCount(), 6);  // steps stay at 60 per second
    EXPECT_EQ(timer.GetStepRemainder(), 4);

    timer.SetWaitRate(30);
    timer.SetStepRate(30);
    EXPECT_EQ(timer.WaitFrame(), 33333);
    EXPECT_EQ(timer.GetStepCount(), 1);
}

TEST(GxFrameTimer, FrameSkipOffRunsOneStepPerFrame)
{
    FakeClock clock;
    GxFrameTimer timer = clock.MakeTimer();
    timer.SetFrameSkip(false);
    timer.WaitFrame();
    clock.now += 1000000;
    EXPECT_EQ(timer.WaitFrame(), 1000000);
    EXPECT_EQ(timer.GetStepCount(), 1);
    EXPECT_EQ(timer.GetStepRemainder(), 0);
}

TEST(GxFrameTimer, ResetAndResetTimeForgetTheTimeSoFar)
{
    FakeClock clock;
    GxFrameTimer timer = clock.MakeTimer();
    timer.WaitFrame();
    clock.now += 500000;
    timer.WaitFrame();
    ASSERT_GT(timer.GetStepCount(), 1);

    // ResetTime: a long load is not caught up; the next frame waits one full due time.
    timer.ResetTime();
    clock.now += 5000000;
    clock.tickPerRead = 1;
    EXPECT_EQ(timer.WaitFrame(), 16666);
    EXPECT_EQ(timer.GetStepCount(), 1);

    // Reset: the next frame does not wait, runs one step and keeps no lag.
    clock.tickPerRead = 0;
    clock.now += 50000;
    timer.WaitFrame();
    ASSERT_EQ(timer.GetLag(), 4000);
    timer.Reset();
    clock.now += 50000;
    clock.sleeps.clear();
    clock.yields = 0;
    EXPECT_EQ(timer.WaitFrame(), 0);
    EXPECT_EQ(timer.GetStepCount(), 1);
    EXPECT_EQ(timer.GetLag(), 0);
    EXPECT_EQ(clock.yields, 1);
    EXPECT_TRUE(clock.sleeps.empty());
}

TEST(GxFrameTimer, MeasuredFPSChangesOnlyEveryTwoSeconds)
{
    FakeClock clock;
    clock.tickPerRead = 1;
    GxFrameTimer timer = clock.MakeTimer();
    const uint64_t start = clock.now;
    timer.WaitFrame();
    for (int i = 0; i < 120; ++i) timer.WaitFrame();  // 120 x 16666 = 1999920 us
    EXPECT_EQ(timer.GetFPS(), 0.0f);
    timer.WaitFrame();
    ASSERT_EQ(clock.now - 1, start + 121 * 16666);  // the last frame ended there
    const double window = 121 * 16666.0;
    EXPECT_FLOAT_EQ(timer.GetFPS(), static_cast<float>(122 * 1000000.0 / window));
    const float fps = timer.GetFPS();
    for (int i = 0; i < 100; ++i) timer.WaitFrame();
    EXPECT_EQ(timer.GetFPS(), fps);
}

TEST(GxFrameTimer, NonPositiveRatesNeitherDivideByZeroNorWait)
{
    FakeClock clock;
    GxFrameTimer timer = clock.MakeTimer();
    timer.SetWaitRate(0);
    timer.SetStepRate(0);
    timer.WaitFrame();
    clock.now += 123456;
    clock.yields = 0;
    EXPECT_EQ(timer.WaitFrame(), 123456);
    EXPECT_EQ(clock.yields, 1);
    EXPECT_TRUE(clock.sleeps.empty());
    EXPECT_EQ(timer.GetStepCount(), 1);
}

TEST(GxFrameTimer, UnpacedFramesNeverWaitAndTakeTheNominalFrameTime)
{
    FakeClock clock;  // a clock that never moves: a paced wait would spin for ever
    GxFrameTimer timer = clock.MakeTimer();
    timer.SetUnpaced(true);
    EXPECT_EQ(timer.WaitFrame(), 0);
    EXPECT_EQ(timer.GetStepCount(), 1);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(timer.WaitFrame(), 16666);
        EXPECT_EQ(timer.GetStepCount(), 1);
        EXPECT_EQ(timer.GetLag(), 0);
    }
    EXPECT_TRUE(clock.sleeps.empty());
    EXPECT_EQ(clock.yields, 0);

    timer.SetWaitRate(30);
    EXPECT_EQ(timer.WaitFrame(), 33333);
    EXPECT_EQ(timer.GetStepCount(), 2);

    timer.SetWaitRate(0);
    EXPECT_EQ(timer.WaitFrame(), 16666);  // falls back to the step rate's frame
    EXPECT_TRUE(clock.sleeps.empty());
    EXPECT_EQ(timer.GetFrameCount(), 8u);
}

// A headless run without pacing and a paced run in a window must play the same game: for frames
// whose work fits in the frame time, both run the same update steps, whatever the rates.
TEST(GxFrameTimer, UnpacedAndPacedRunsTakeTheSameStepsForAScriptedClock)
{
    struct Rates
    {
        int32_t wait, step;
    };
    const Rates rates[] = {{60, 60}, {30, 60}, {10, 60}, {30, 30}};
    // Work per frame in microseconds, as a frame script: idle, busy, nearly a whole frame.
    const uint64_t script[] = {0, 1200, 9000, 16000, 50, 3333, 15000, 7, 12000, 400};
    for (const Rates& r : rates) {
        FakeClock pacedClock, unpacedClock;
        pacedClock.tickPerRead = 1;
        unpacedClock.tickPerRead = 1;
        GxFrameTimer paced = pacedClock.MakeTimer();
        GxFrameTimer unpaced = unpacedClock.MakeTimer();
        unpaced.SetUnpaced(true);
        for (GxFrameTimer* t : {&paced, &unpaced}) {
            t->SetWaitRate(r.wait);
            t->SetStepRate(r.step);
        }
        int pacedSteps = 0, unpacedSteps = 0;
        for (int frame = 0; frame < 120; ++frame) {
            const uint64_t work = script[frame % 10] * 60 / static_cast<uint64_t>(r.wait) * 9 / 10;
            pacedClock.now += work;
            unpacedClock.now += work;
            paced.WaitFrame();
            unpaced.WaitFrame();
            EXPECT_EQ(paced.GetStepCount(), unpaced.GetStepCount())
                << "rates " << r.wait << "/" << r.step << " frame " << frame;
            pacedSteps += paced.GetStepCount();
            unpacedSteps += unpaced.GetStepCount();
        }
        EXPECT_EQ(pacedSteps, unpacedSteps);
        EXPECT_EQ(unpacedSteps, 1 + 119 * (r.step / r.wait > 0 ? r.step / r.wait : 1)) << r.wait << "/" << r.step;
        EXPECT_TRUE(unpacedClock.sleeps.empty());
    }
}
