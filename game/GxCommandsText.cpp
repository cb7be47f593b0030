// The game's text block and wait commands.
#include "game/GxGameCommandHandlers.h"

// Not built yet: each word reports so and stops the script.
bool GxCmdText(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdWaClick(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdWaTime(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdWaLayer(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
