#include "core/GxFrameTimer.h"

#include <algorithm>
#include <thread>
#include <utility>

#include "platform/GxClock.h"

namespace {

constexpr int64_t kMicrosPerSecond = 1000000;
constexpr int64_t kLagLimit = 4000;
constexpr uint64_t kFPSWindow = 2000000;

int64_t FrameLength(int32_t framesPerSecond)
{
    return framesPerSecond > 0 ? kMicrosPerSecond / framesPerSecond : 0;
}

}  // namespace

uint64_t GxFrameTimer::DefaultClock() { return GxMonotonicMicros(); }

void GxFrameTimer::DefaultSleep(uint64_t wakeAt) { GxSleepUntilMonotonicMicros(wakeAt); }

namespace {

GxFrameTimer::SleepFunc ChooseSleep(bool ownClock, GxFrameTimer::SleepFunc sleep)
{
    if (sleep) return sleep;
    // The default sleep knows only the default clock's times.
    if (ownClock) return [](uint64_t) { std::this_thread::yield(); };
    return &GxFrameTimer::DefaultSleep;
}

}  // namespace

GxFrameTimer::GxFrameTimer(ClockFunc clock, SleepFunc sleep)
    : m_Clock(clock ? std::move(clock) : ClockFunc(&GxFrameTimer::DefaultClock)),
      m_Sleep(ChooseSleep(static_cast<bool>(clock), std::move(sleep)))
{
    Reset();
}

void GxFrameTimer::Reset()
{
    m_FirstFrame = true;
    ResetTime();
    m_ResetFlag = true;
}

void GxFrameTimer::ResetTime()
{
    m_Elapsed = 0;
    m_PrevStamp = 0;
    m_Lag = 0;
    m_StepCount = 1;
    m_StepRemainder = 0;
}

int64_t GxFrameTimer::WaitFrame(bool /*presentWaitsForVBlank*/)
{
    uint64_t now = m_Clock();
    const int64_t frameTime = FrameLength(m_WaitRate);
    const int64_t due = frameTime - m_Lag;

    if (m_PrevStamp == 0) m_PrevStamp = now;
    if (m_FPSWindowStart == 0) {
        m_FPS = 0.0f;
        m_FPSWindowStart = now;
        m_FPSWindowFrames = 0;
    }

    if (m_Unpaced) {
        int64_t nominal = frameTime;
        if (nominal <= 0) nominal = FrameLength(m_StepRate);
        if (nominal <= 0) nominal = FrameLength(60);
        m_Elapsed = m_FirstFrame ? 0 : nominal;
    } else if (m_FirstFrame || static_cast<int64_t>(now - m_PrevStamp) >= due || m_WaitRate <= 0) {
        m_Sleep(now);  // due already: only yield
        m_Elapsed = static_cast<int64_t>(now - m_PrevStamp);
    } else {
        // due > now - previous stamp >= 0 here, so the boundary lies ahead.
        const uint64_t boundary = m_PrevStamp + static_cast<uint64_t>(due);
        do {
            m_Sleep(boundary);
            now = m_Clock();
        } while (now < boundary);
        m_Elapsed = static_cast<int64_t>(now - m_PrevStamp);
    }

    ComputeSteps();

    if (m_ResetFlag || m_Unpaced) {
        m_Lag = 0;
    } else {
        m_Lag = m_Elapsed - due;
        if (m_Lag < -kLagLimit) m_Lag = -kLagLimit;
        if (m_Lag > kLagLimit) m_Lag = kLagLimit;
    }

    ++m_FrameCount;
    m_PrevStamp = now;
    ++m_FPSWindowFrames;
    m_FirstFrame = false;
    m_ResetFlag = false;

    if (now - m_FPSWindowStart >= kFPSWindow) {
        m_FPS = static_cast<float>(static_cast<double>(m_FPSWindowFrames) * 1000000.0 /
                                   static_cast<double>(now - m_FPSWindowStart));
        m_FPSWindowStart = now;
        m_FPSWindowFrames = 0;
    }
    return m_Elapsed;
}

void GxFrameTimer::ComputeSteps()
{
    const int64_t stepTime = FrameLength(m_StepRate);
    if (!m_FrameSkip || m_ResetFlag || stepTime <= 0) {
        m_StepCount = 1;
        m_StepRemainder = 0;
        return;
    }
    int64_t count = (m_Elapsed + m_StepRemainder) / stepTime;
    if (count > m_MaxSteps) count = m_MaxSteps;
    if (count < 2) count = 1;
    m_StepCount = static_cast<int32_t>(count);
    m_StepRemainder = m_StepRemainder * 90 / 100 + m_Elapsed - count * stepTime;
    const int64_t cap = static_cast<int64_t>(m_MaxSteps) * stepTime;
    if (m_StepRemainder > cap) m_StepRemainder = cap;
}
