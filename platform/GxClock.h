// The monotonic clock in microseconds and an absolute sleep on it. Absolute: a sleep that is
// interrupted or starts late still ends at the same moment, so frame boundaries do not drift.
#pragma once

#include <cstdint>

// Microseconds of the monotonic clock, offset by one so that it never reads 0.
uint64_t GxMonotonicMicros();

// Sleeps until GxMonotonicMicros() reads at least wakeAt; a time not in the future only yields.
void GxSleepUntilMonotonicMicros(uint64_t wakeAt);
