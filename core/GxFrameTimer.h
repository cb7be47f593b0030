// Paces the main loop. Once per frame the loop calls WaitFrame, which waits until the frame is
// due, measures how long the frame took, decides how many update steps (1..max steps) the frame
// must run so that game time keeps in step with real time, and measures the frame rate shown
// in debug mode. All times are microseconds in 64-bit integers.
//
// The wait sleeps with an absolute deadline to the frame boundary and does not spin on the clock
// after it: a frame that starts a little late (the kernel's wake-up, well under a millisecond on
// an idle machine) is invisible, and a spin that made it exact would cost a share of a core on
// every frame of a still screen. A frame that ends late shortens the next one's due time by as much (at most 4 ms), so
// frames average the frame time. Time not covered by whole update steps is carried to the next
// frame, decayed by 10 % a frame and capped at one frame of max steps, so that a long stall costs
// at most max steps.
//
// The clock and the sleep are injectable so that tests never wait on a real clock. The clock
// must be monotonic and never read 0 (0 stands for "no stamp yet"); the default reads the
// monotonic clock in microseconds, which does not wrap. The sleep is absolute, on that clock; a
// sleep that ends before the boundary is asked again (a clock without its own sleep only yields,
// and so waits by yielding).
//
// Unpaced mode (headless runs): WaitFrame neither sleeps nor spins, and each frame is taken to
// be an ideal one: elapsed = 1,000,000 / wait rate (the step rate's frame when the wait rate is
// not positive, 60 per second when neither is), 0 for the first frame after construction or
// Reset, and no lag. The step count follows from that elapsed time as usual, so at the default
// rates every frame runs exactly one step (a wait rate of 30 with a step rate of 60 gives two).
// The frame counter and the measured FPS still follow the clock.
#pragma once

#include <cstdint>
#include <functional>

class GxFrameTimer
{
public:
    using ClockFunc = std::function<uint64_t()>;  // now, microseconds
    // Sleeps until the clock reads at least the given time; a time not ahead only yields.
    using SleepFunc = std::function<void(uint64_t)>;

    static uint64_t DefaultClock();
    static void DefaultSleep(uint64_t wakeAt);

    // Null functions select the defaults.
    explicit GxFrameTimer(ClockFunc clock = nullptr, SleepFunc sleep = nullptr);
    GxFrameTimer(const GxFrameTimer&) = delete;
    GxFrameTimer& operator=(const GxFrameTimer&) = delete;

    // The next frame runs exactly one step, carries no lag and does not wait.
    void Reset();
    // Forgets the time so far (after moving the window or a long load) so that it is not
    // caught up; the next frame waits one full due time from its own start.
    void ResetTime();

    // Waits for the frame and returns its length. The flag tells whether presenting waits for
    // the vertical blank; the timer paces on its own either way.
    int64_t WaitFrame(bool presentWaitsForVBlank = false);

    void SetWaitRate(int32_t framesPerSecond) { m_WaitRate = framesPerSecond; }
    int32_t GetWaitRate() const { return m_WaitRate; }
    void SetStepRate(int32_t framesPerSecond) { m_StepRate = framesPerSecond; }
    int32_t GetStepRate() const { return m_StepRate; }
    void SetFrameSkip(bool enable) { m_FrameSkip = enable; }
    bool GetFrameSkip() const { return m_FrameSkip; }
    void SetMaxSteps(int32_t steps) { m_MaxSteps = steps; }
    int32_t GetMaxSteps() const { return m_MaxSteps; }
    void SetUnpaced(bool unpaced) { m_Unpaced = unpaced; }
    bool IsUnpaced() const { return m_Unpaced; }

    int32_t GetStepCount() const { return m_StepCount; }
    int64_t GetElapsed() const { return m_Elapsed; }
    float GetFPS() const { return m_FPS; }
    // True right after a frame that recomputed the measured rate (its frame count starts anew).
    bool HasJustMeasured() const { return m_FPSWindowFrames == 0; }
    int64_t GetLag() const { return m_Lag; }
    int64_t GetStepRemainder() const { return m_StepRemainder; }
    uint64_t GetFrameCount() const { return m_FrameCount; }

private:
    void ComputeSteps();

    ClockFunc m_Clock;
    SleepFunc m_Sleep;

    bool m_FirstFrame = true;
    int64_t m_Elapsed = 0;
    uint64_t m_PrevStamp = 0;
    int32_t m_WaitRate = 60;
    int64_t m_Lag = 0;
    uint64_t m_FrameCount = 0;
    uint64_t m_FPSWindowStart = 0;
    uint64_t m_FPSWindowFrames = 0;
    float m_FPS = 0.0f;
    bool m_FrameSkip = true;
    int32_t m_StepCount = 1;
    int32_t m_StepRate = 60;
    int32_t m_MaxSteps = 15;
    int64_t m_StepRemainder = 0;
    bool m_ResetFlag = true;
    bool m_Unpaced = false;
};
