// The sound clock: milliseconds, 64-bit, never 0 (0 stands for "never" in last-use times).
// Decoded-sound last-use times, the players' fades and the one-shot repeat guard all read it,
// so a test that installs its own clock steers every one of them without sleeping.
#pragma once

#include <cstdint>

using GxSoundClockFunc = uint64_t (*)();

// Milliseconds since the first call, plus 1; an installed clock's 0 also reads as 1.
uint64_t GxSoundGetTime();
// Replaces the clock (tests); null restores the steady clock.
void GxSoundSetClock(GxSoundClockFunc clock);
// True while an installed clock stands in for the steady one (tests, unpaced runs): time then
// moves only when the caller moves it.
bool GxSoundHasInstalledClock();
