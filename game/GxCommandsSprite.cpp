// The game's character sprite commands.
#include "game/GxGameCommandHandlers.h"

// Not built yet: each word reports so and stops the script.
bool GxCmdSpColor(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdSpAlpha(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdSpBlend(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdSpLcg(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdSpLnc(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdSpWa(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdSpShake(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdSpShakeEnd(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdSpClearAll(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdStand(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
