// The game's movie commands.
#include "game/GxGameCommandHandlers.h"

// Not built yet: each word reports so and stops the script.
bool GxCmdMv(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdMvWa(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdMvAutoStop(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
