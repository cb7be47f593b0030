// The game's system and message commands.
#include "game/GxGameCommandHandlers.h"

// Not built yet: each word reports so and stops the script.
bool GxCmdRand(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdGetDialogResult(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdGetDebugModeFlag(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdGetSystemSignature(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdSetGameDataTitle(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdGetReplayMode(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdGetPassedLabel(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdSetNameIdentifyMode(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdDlg(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdMsg(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdMsgn(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdMsgClear(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdJumpToTitle(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdSetExtraOption(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
bool GxCmdGetExtraOption(GxGameCommandCall& call) { return GxGameCommandNotBuilt(call); }
