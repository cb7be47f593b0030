// The sound system as the application core drives it: started for the main window, its players
// updated every fourth main-loop pass, released at shutdown. The players come with the sound
// subsystem; until then Create and Release only make and free the decoded-sound cache.
#pragma once

#include <cstdint>

#include "platform/GxWindowServices.h"

class GxSound
{
public:
    GxSound() = delete;

    static bool Create(GxWindowHandle window, int32_t flags);
    // Advances the players' fades and frees finished one-shot players.
    static void Update();
    static void Release();
};
