#include "core/GxFrameTimer.h"

#include <gtest/gtest.h>

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

TEST(GxFrameTimer, PacedFramesEndOnTheBoundaryAndSpinOnlyOverTheMargin)
{
    FakeClock clock;
    clock.tickPerRead = 1;  // a microsecond clock that moves a microsecond a read
    GxFrameTimer timer = clock.MakeTimer();
    timer.WaitFrame();
    EXPECT_EQ(timer.GetSpinMargin(), GxFrameTimer::kMaxSpinMargin) << "no wake-up measured yet";
    for (int i = 0; i < 300; ++i) {
        const uint64_t start = clock.now;
        clock.now += static_cast<uint64_t>(i * 37 % 12000);  // the frame's own work
        const int marginBefore = static_cast<int>(timer.GetSpinMargin());
        const int readsBefore = clock.reads;
        const size_t sleepsBefore = clock.sleeps.size();
        EXPECT_EQ(timer.WaitFrame(), 16666) << "frame " << i;
        EXPECT_EQ(timer.GetStepCount(), 1) << "frame " << i;
        EXPECT_EQ(timer.GetLag(), 0) << "frame " << i;
        ASSERT_EQ(clock.sleeps.size(), sleepsBefore + 1) << "one absolute sleep a frame";
        EXPECT_EQ(clock.sleeps.back(), start - 1 + 16666 - static_cast<uint64_t>(marginBefore)) << "frame " << i;
        // The reads after the sleep are the spin: one a microsecond, never past the margin.
        EXPECT_LE(clock.reads - readsBefore, marginBefore + 2) << "frame " << i;
    }
    // Prompt wake-ups shrink the margin to its floor.
    EXPECT_EQ(timer.GetSpinMargin(), 25);
    EXPECT_EQ(clock.yields, 1);
}

TEST(GxFrameTimer, SleepsToTheBoundaryLessTheSpinMargin)
{
    struct Case
    {
        int32_t rate;
        uint64_t work;      // microseconds spent in the frame before the wait
        bool sleeps;        // false: the boundary is nearer than the margin, only the spin waits
    };
    const Case cases[] = {
        {60, 1, true},
        {10, 1, true},
        {60, 9666, true},
        {30, 3333, true},
        {60, 16300, false},  // 366 us left, inside the first margin of 500
    };
    for (const Case& c : cases) {
        FakeClock clock;
        GxFrameTimer timer = clock.MakeTimer();
        timer.SetWaitRate(c.rate);
        timer.WaitFrame();
        const uint64_t start = clock.now;
        clock.now += c.work;
        clock.tickPerRead = 1;
        const int64_t e = timer.WaitFrame();
        EXPECT_EQ(e, 1000000 / c.rate) << "rate " << c.rate;
        if (c.sleeps) {
            ASSERT_EQ(clock.sleeps.size(), 1u) << "rate " << c.rate << " work " << c.work;
            EXPECT_EQ(clock.sleeps[0], start + 1000000 / c.rate - GxFrameTimer::kMaxSpinMargin);
        } else {
            EXPECT_TRUE(clock.sleeps.empty()) << "rate " << c.rate << " work " << c.work;
        }
    }
}

TEST(GxFrameTimer, LateWakeUpsWidenTheMarginUpToItsBoundAndTheLagAbsorbsTheRest)
{
    FakeClock clock;
    clock.tickPerRead = 1;
    GxFrameTimer timer = clock.MakeTimer();
    timer.WaitFrame();
    for (int i = 0; i < 200; ++i) timer.WaitFrame();
    ASSERT_EQ(timer.GetSpinMargin(), 25);

    // Wake-ups 300 us late: the first frame ends late, then the margin covers them.
    clock.oversleep = 300;
    const int64_t late = timer.WaitFrame() - 16666;
    EXPECT_GT(late, 300 - 25 - 5);
    EXPECT_LE(late, 300 - 25 + 5);
    EXPECT_EQ(timer.GetSpinMargin(), 300 + 150 + 25);
    EXPECT_EQ(timer.GetLag(), late);
    timer.WaitFrame();  // due shortened by the lag
    for (int i = 0; i < 20; ++i) EXPECT_EQ(timer.WaitFrame(), 16666) << "frame " << i;

    // Wake-ups far later than any margin may cover: the spin stays bounded, the lag evens out.
    clock.oversleep = 3000;
    int64_t total = 0;
    for (int i = 0; i < 60; ++i) {
        total += timer.WaitFrame();
        EXPECT_LE(timer.GetSpinMargin(), GxFrameTimer::kMaxSpinMargin);
    }
    EXPECT_NEAR(static_cast<double>(total) / 60.0, 16666.0, 100.0);
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
