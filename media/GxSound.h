// The sound system as the application core drives it: started for the main window, its players
// updated every fourth main-loop pass, released at shutdown. The players come with the sound
// subsystem; until then these steps have nothing to do.
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
