// The handlers of the game's command words, one family per file. The word each answers is
// beside it; a handler shared by two words answers both.
#pragma once

#include "game/GxGameCommand.h"

// Sequence queries and small commands: game/GxGameCommand.cpp (answered by the dispatcher itself).
bool GxCmdGetSaveDir(GxGameCommandCall& call);  // "getsavedir"
bool GxCmdGetCurSeqName(GxGameCommandCall& call);  // "getcurseqname"
bool GxCmdGetPrevSeqName(GxGameCommandCall& call);  // "getprevseqname"
bool GxCmdGetCurSeqParam0(GxGameCommandCall& call);  // "getcurseqparam0"
bool GxCmdGetCurSeqParam1(GxGameCommandCall& call);  // "getcurseqparam1"
bool GxCmdGetPrevSeqParam0(GxGameCommandCall& call);  // "getprevseqparam0"
bool GxCmdGetPrevSeqParam1(GxGameCommandCall& call);  // "getprevseqparam1"
bool GxCmdGetLastSelect(GxGameCommandCall& call);  // "getlastselect"
bool GxCmdGetGameDataTitle(GxGameCommandCall& call);  // "getgamedatatitle"
bool GxCmdMsgShow(GxGameCommandCall& call);  // "msg.show"
bool GxCmdMsgHide(GxGameCommandCall& call);  // "msg.hide"
bool GxCmdRpSetAll(GxGameCommandCall& call);  // "rp.setall"
bool GxCmdRpEnd(GxGameCommandCall& call);  // "rp.end"
bool GxCmdCgSetAll(GxGameCommandCall& call);  // "cg.setall"
bool GxCmdBmapJumpToSelect(GxGameCommandCall& call);  // "bmap_jumptoselect"

// System and message commands: game/GxCommandsSystem.cpp.
bool GxCmdRand(GxGameCommandCall& call);  // "rand"
bool GxCmdGetDialogResult(GxGameCommandCall& call);  // "getdialogresult"
bool GxCmdGetDebugModeFlag(GxGameCommandCall& call);  // "getdebugmodeflag"
bool GxCmdGetSystemSignature(GxGameCommandCall& call);  // "getsystemsignature"
bool GxCmdSetGameDataTitle(GxGameCommandCall& call);  // "setgamedatatitle"
bool GxCmdGetReplayMode(GxGameCommandCall& call);  // "getreplaymode"
bool GxCmdGetPassedLabel(GxGameCommandCall& call);  // "getpassedlabel"
bool GxCmdSetNameIdentifyMode(GxGameCommandCall& call);  // "setnameidentifymode"
bool GxCmdDlg(GxGameCommandCall& call);  // "dlg"
bool GxCmdMsg(GxGameCommandCall& call);  // "msg"
bool GxCmdMsgn(GxGameCommandCall& call);  // "msgn"
bool GxCmdMsgClear(GxGameCommandCall& call);  // "msg.clear"
bool GxCmdJumpToTitle(GxGameCommandCall& call);  // "jumptotitle"
bool GxCmdSetExtraOption(GxGameCommandCall& call);  // "setextraoption"
bool GxCmdGetExtraOption(GxGameCommandCall& call);  // "getextraoption"

// Text block and wait commands: game/GxCommandsText.cpp.
bool GxCmdText(GxGameCommandCall& call);  // "text"
bool GxCmdWaClick(GxGameCommandCall& call);  // "wa.click"
bool GxCmdWaTime(GxGameCommandCall& call);  // "wa.time"
bool GxCmdWaLayer(GxGameCommandCall& call);  // "wa.layer"

// Character sprite commands: game/GxCommandsSprite.cpp.
bool GxCmdSpColor(GxGameCommandCall& call);  // "sp.color"
bool GxCmdSpAlpha(GxGameCommandCall& call);  // "sp.alpha"
bool GxCmdSpBlend(GxGameCommandCall& call);  // "sp.blend"
bool GxCmdSpLcg(GxGameCommandCall& call);  // "sp.lcg"
bool GxCmdSpLnc(GxGameCommandCall& call);  // "sp.lnc"
bool GxCmdSpWa(GxGameCommandCall& call);  // "sp.wa"
bool GxCmdSpShake(GxGameCommandCall& call);  // "sp.shake"
bool GxCmdSpShakeEnd(GxGameCommandCall& call);  // "sp.shake_end"
bool GxCmdSpClearAll(GxGameCommandCall& call);  // "sp.clearall"
bool GxCmdStand(GxGameCommandCall& call);  // "stand"

// Background and event-picture commands: game/GxCommandsBackground.cpp.
bool GxCmdBg(GxGameCommandCall& call);  // "bg"
bool GxCmdBgColor(GxGameCommandCall& call);  // "bg.color", "ev.color"
bool GxCmdBgActMove(GxGameCommandCall& call);  // "bg.act_move", "ev.act_move"
bool GxCmdBgWa(GxGameCommandCall& call);  // "bg.wa", "ev.wa"
bool GxCmdEv(GxGameCommandCall& call);  // "ev"

// Screen-effect commands: game/GxCommandsEffect.cpp.
bool GxCmdFin(GxGameCommandCall& call);  // "fin"
bool GxCmdFout(GxGameCommandCall& call);  // "fout"
bool GxCmdFlash(GxGameCommandCall& call);  // "flash"
bool GxCmdFlashWa(GxGameCommandCall& call);  // "flash.wa"
bool GxCmdShake(GxGameCommandCall& call);  // "shake"
bool GxCmdShakeEnd(GxGameCommandCall& call);  // "shake.end"

// Movie commands: game/GxCommandsMovie.cpp.
bool GxCmdMv(GxGameCommandCall& call);  // "mv"
bool GxCmdMvWa(GxGameCommandCall& call);  // "mv.wa"
bool GxCmdMvAutoStop(GxGameCommandCall& call);  // "mv.autostop"

// Music, sound-effect and voice commands: game/GxCommandsSound.cpp.
bool GxCmdBgm(GxGameCommandCall& call);  // "bgm"
bool GxCmdBgmWa(GxGameCommandCall& call);  // "bgm.wa"
bool GxCmdBgv(GxGameCommandCall& call);  // "bgv"
bool GxCmdBgvWa(GxGameCommandCall& call);  // "bgv.wa"
bool GxCmdSe0(GxGameCommandCall& call);  // "se", "se_0"
bool GxCmdSe1(GxGameCommandCall& call);  // "se_1"
bool GxCmdSe2(GxGameCommandCall& call);  // "se_2"
bool GxCmdSe3(GxGameCommandCall& call);  // "se_3"
bool GxCmdSeWa(GxGameCommandCall& call);  // "se.wa"
bool GxCmdVo0(GxGameCommandCall& call);  // "vo", "vo_0"
bool GxCmdVo1(GxGameCommandCall& call);  // "vo_1"
bool GxCmdVo2(GxGameCommandCall& call);  // "vo_2"
bool GxCmdVo3(GxGameCommandCall& call);  // "vo_3"
bool GxCmdVoWa(GxGameCommandCall& call);  // "vo.wa"

// Choice commands: game/GxCommandsChoice.cpp.
bool GxCmdSel(GxGameCommandCall& call);  // "sel"
bool GxCmdSelGo(GxGameCommandCall& call);  // "sel.go"
bool GxCmdSelGosub(GxGameCommandCall& call);  // "sel.gosub"
bool GxCmdSelVisible(GxGameCommandCall& call);  // "sel.visible"
bool GxCmdSelEnable(GxGameCommandCall& call);  // "sel.enable"
bool GxCmdSelCancel(GxGameCommandCall& call);  // "sel.cancel"
bool GxCmdSelHash(GxGameCommandCall& call);  // "sel.hash"

// Replay-flag and gallery-flag commands: game/GxCommandsFlags.cpp.
bool GxCmdRpSet(GxGameCommandCall& call);  // "rp.set"
bool GxCmdRpUnset(GxGameCommandCall& call);  // "rp.unset"
bool GxCmdRpUnsetAll(GxGameCommandCall& call);  // "rp.unsetall"
bool GxCmdCgSet(GxGameCommandCall& call);  // "cg.set"
bool GxCmdCgSetGroup(GxGameCommandCall& call);  // "cg.setgroup"
bool GxCmdCgUnsetAll(GxGameCommandCall& call);  // "cg.unsetall"
