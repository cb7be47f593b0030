#include "core/GxFrameTimer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A clock that the test moves by hand. Every read can also advance it by a tick, which stands
// for the time the spin loop burns; sleeping advances it by the milliseconds slept.
struct FakeClock
{
    uint64_t now = 1000000;
    uint64_t tickPerRead = 0;
    int reads = 0;
    std::vector<int32_t> sleeps;

    GxFrameTimer MakeTimer()
    {
        return GxFrameTimer([this] {
            ++reads;
            const uint64_t t = now;
            now += tickPerRead;
            return t;
        },
                            [this](int32_t ms) {
                                sleeps.push_back(ms);
                                now += static_cast<uint64_t>(ms) * 1000u;
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
    EXPECT_EQ(clock.sleeps, std::vector<int32_t>{0});
    EXPECT_EQ(timer.GetFrameCount(), 1u);
}

TEST(GxFrameTimer, SteadyMillisecondClockGivesWholeMillisecondsAveragingTheFrameTime)
{
    FakeClock clock;
    clock.tickPerRead = 1000;  // a clock that counts milliseconds
    GxFrameTimer timer = clock.MakeTimer();
    timer.WaitFrame();
    int64_t total = 0;
    const int frames = 300;
    for (int i = 0; i < frames; ++i) {
        const int64_t e = timer.WaitFrame();
        EXPECT_TRUE(e == 16000 || e == 17000) << "frame " << i << " took " << e;
        EXPECT_EQ(timer.GetStepCount(), 1) << "frame " << i;
        EXPECT_LE(timer.GetLag(), 4000);
        EXPECT_GE(timer.GetLag(), -4000);
        total += e;
    }
    EXPECT_NEAR(static_cast<double>(total) / frames, 16666.0, 20.0);
    for (int32_t ms : clock.sleeps) EXPECT_GE(ms, 0);
}

TEST(GxFrameTimer, SleepsSeventyPercentOfTheRemainderLessFiveMilliseconds)
{
    struct Case
    {
        int32_t rate;
        uint64_t work;  // microseconds spent in the frame before the wait
        int32_t sleep;
    };
    const Case cases[] = {
        {60, 1, 6},       // 16665 us left: 16 ms x 70 % = 11, less 5
        {10, 1, 64},      // 99999 us left: 99 ms -> 69 - 5
        {60, 9666, 0},    // 7000 us left: 4 - 5 is not positive
        {30, 3333, 16},   // 30000 us left: 21 - 5
    };
    for (const Case& c : cases) {
        FakeClock clock;
        GxFrameTimer timer = clock.MakeTimer();
        timer.SetWaitRate(c.rate);
        timer.WaitFrame();
        clock.sleeps.clear();
        clock.now += c.work;
        clock.tickPerRead = 1;
        const int64_t e = timer.WaitFrame();
        ASSERT_EQ(clock.sleeps.size(), 1u);
        EXPECT_EQ(clock.sleeps[0], c.sleep) << "rate " << c.rate << " work " << c.work;
        EXPECT_EQ(e, 1000000 / c.rate) << "rate " << c.rate;
    }
}

TEST(GxFrameTimer, LongFramesRunSeveralStepsAndCarryTheRemainder)
{
    FakeClock clock;
    GxFrameTimer timer = clock.MakeTimer();
    timer.WaitFrame();

    clock.now += 100000;  // a 100 ms frame
    EXPECT_EQ(timer.WaitFrame(), 100000);
    EXPECT_EQ(clock.sleeps.back(), 0);  // late: no wait beyond a yield
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
    EXPECT_EQ(timer.WaitFrame(), 0);
    EXPECT_EQ(timer.GetStepCount(), 1);
    EXPECT_EQ(timer.GetLag(), 0);
    EXPECT_EQ(clock.sleeps, std::vector<int32_t>{0});
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
    clock.sleeps.clear();
    EXPECT_EQ(timer.WaitFrame(), 123456);
    EXPECT_EQ(clock.sleeps, std::vector<int32_t>{0});
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

    timer.SetWaitRate(30);
    EXPECT_EQ(timer.WaitFrame(), 33333);
    EXPECT_EQ(timer.GetStepCount(), 2);

    timer.SetWaitRate(0);
    EXPECT_EQ(timer.WaitFrame(), 16666);  // falls back to the step rate's frame
    EXPECT_TRUE(clock.sleeps.empty());
    EXPECT_EQ(timer.GetFrameCount(), 8u);
}
