#include "platform/GxClock.h"

#include <cerrno>
#include <ctime>

#include <sched.h>

uint64_t GxMonotonicMicros()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000000u + static_cast<uint64_t>(ts.tv_nsec) / 1000u + 1u;
}

void GxSleepUntilMonotonicMicros(uint64_t wakeAt)
{
    if (wakeAt <= GxMonotonicMicros()) {
        sched_yield();
        return;
    }
    const uint64_t t = wakeAt - 1u;
    timespec ts;
    ts.tv_sec = static_cast<time_t>(t / 1000000u);
    ts.tv_nsec = static_cast<long>((t % 1000000u) * 1000u);
    // A signal ends the sleep early; the same deadline is simply asked again.
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}
