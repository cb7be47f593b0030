// The game's music, sound-effect and voice commands.
#include "game/GxGameCommandHandlers.h"

// Not built yet: each word reports so and stops the script.
bool GxCmdBgm(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdBgmWa(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdBgv(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdBgvWa(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdSe0(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdSe1(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdSe2(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdSe3(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdSeWa(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdVo0(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdVo1(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdVo2(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdVo3(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdVoWa(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
