// The game's choice commands.
#include "game/GxGameCommandHandlers.h"

// Not built yet: each word reports so and stops the script.
bool GxCmdSel(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdSelGo(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdSelGosub(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdSelVisible(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdSelEnable(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdSelCancel(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdSelHash(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
