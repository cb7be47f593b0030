#include "core/GxFrameTimer.h"

#include <chrono>
#include <thread>
#include <utility>

namespace {

constexpr int64_t kMicrosPerSecond = 1000000;
constexpr int64_t kLagLimit = 4000;
constexpr uint64_t kFPSWindow = 2000000;

int64_t FrameLength(int32_t framesPerSecond)
{
    return framesPerSecond > 0 ? kMicrosPerSecond / framesPerSecond : 0;
}

}  // namespace

uint64_t GxFrameTimer::DefaultClock()
{
    // Whole milliseconds, like the multimedia clock the pacing was tuned on; 64 bits so that it
    // never wraps, and offset by one so that it never reads 0.
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count();
    return (static_cast<uint64_t>(ms) + 1u) * 1000u;
}

void GxFrameTimer::DefaultSleep(int32_t milliseconds)
{
    if (milliseconds <= 0) {
        std::this_thread::yield();
    } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
}

GxFrameTimer::GxFrameTimer(ClockFunc clock, SleepFunc sleep)
    : m_Clock(clock ? std::move(clock) : ClockFunc(&GxFrameTimer::DefaultClock)),
      m_Sleep(sleep ? std::move(sleep) : SleepFunc(&GxFrameTimer::DefaultSleep))
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
        m_Sleep(0);
        m_Elapsed = static_cast<int64_t>(now - m_PrevStamp);
    } else {
        const int64_t remainingMs = (due - static_cast<int64_t>(now - m_PrevStamp)) / 1000;
        int64_t sleepMs = remainingMs * 70 / 100 - 5;
        if (sleepMs < 0) sleepMs = 0;
        m_Sleep(static_cast<int32_t>(sleepMs));
        do {
            now = m_Clock();
        } while (static_cast<int64_t>(now - m_PrevStamp) < due);
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
