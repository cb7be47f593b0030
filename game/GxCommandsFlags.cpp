// The game's replay-flag and gallery-flag commands.
#include "game/GxGameCommandHandlers.h"

// Not built yet: each word reports so and stops the script.
bool GxCmdRpSet(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdRpUnset(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdRpUnsetAll(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdCgSet(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdCgSetGroup(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdCgUnsetAll(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
