// The main play screen's process-wide flags, shared with the commands, the other screens and the
// screen base (whose lock tests read the lock counters); the game start-up clears them.
#pragma once

#include <cstdint>

struct GxMainScreenFlags
{
    bool windowHidden = false;  // the player hid the message window
    bool skipMode = false;
    bool autoMode = false;
    int32_t autoCountdown = 0;  // ms left before auto mode advances
    int32_t lockCount[3] = {};  // gates of the three lock tests
};
inline constinit GxMainScreenFlags g_MainScreenFlags;
