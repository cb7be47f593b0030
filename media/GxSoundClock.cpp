#include "media/GxSoundClock.h"

#include <atomic>
#include <chrono>

namespace {

std::atomic<GxSoundClockFunc> g_Clock{nullptr};

uint64_t SteadyMilliseconds()
{
    using namespace std::chrono;
    static const steady_clock::time_point start = steady_clock::now();
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now() - start).count()) + 1;
}

}  // namespace

uint64_t GxSoundGetTime()
{
    const GxSoundClockFunc clock = g_Clock.load(std::memory_order_acquire);
    if (!clock) return SteadyMilliseconds();
    const uint64_t now = clock();
    return now ? now : 1;
}

void GxSoundSetClock(GxSoundClockFunc clock) { g_Clock.store(clock, std::memory_order_release); }

bool GxSoundHasInstalledClock() { return g_Clock.load(std::memory_order_acquire) != nullptr; }
