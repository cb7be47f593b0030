// The game's background and event-picture commands.
#include "game/GxGameCommandHandlers.h"

// Not built yet: each word reports so and stops the script.
bool GxCmdBg(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdBgColor(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdBgActMove(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdBgWa(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdEv(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
