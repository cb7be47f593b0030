// The game's screen-effect commands.
#include "game/GxGameCommandHandlers.h"

// Not built yet: each word reports so and stops the script.
bool GxCmdFin(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdFout(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdFlash(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdFlashWa(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdShake(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdShakeEnd(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
