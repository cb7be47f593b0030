// The game's system and message commands.
#include <cstdint>
#include <utility>

#include "app/GxCore.h"
#include "app/GxSeqBase.h"
#include "app/task/GxTaskManage.h"
#include "core/GxLog.h"
#include "core/GxRandom.h"
#include "game/GxCommandsSystem.h"
#include "game/GxGameCommandHandlers.h"
#include "game/GxMainScreen.h"
#include "game/GxResources.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserData.h"
#include "game/GxUserDataPerman.h"
#include "moa/GxMoaVariable.h"

namespace {

GxUserData* UserData(GxGameCommandCall& call) { return call.core ? call.core->GetUserData() : nullptr; }
GxUserDataPerman* Perman(GxGameCommandCall& call) { return call.core ? call.core->GetUserDataPerman() : nullptr; }
GxTaskManage* Tasks(GxGameCommandCall& call) { return call.core ? call.core->GetTaskManage() : nullptr; }

int32_t ArgInt32(GxGameCommandCall& call, int32_t i)
{
    const GxMoaVariable* v = call.Arg(i);
    return v ? static_cast<int32_t>(v->GetInt64()) : 0;
}

// msg and msgn: the name goes to the screen first, then the text with its read state; the line
// counts as read afterwards and joins the back log.
bool ShowMessage(GxGameCommandCall& call, bool withName, const std::u16string& name, const std::u16string& text)
{
    GxUserData* data = UserData(call);
    const bool ignoreKinsoku = data && data->m_IgnoreKinsoku;
    GxMessageKey key = GxCurrentMessageKey(call);
    GxUserDataPerman* perman = Perman(call);
    const bool read = perman && perman->GetReadedMessageFlag(key.script, key.bit);
    if (GxMainScreen* screen = GxFindMainScreen(call.core)) {
        if (withName) screen->SetName(name, 3);
        else screen->ClearName();
        screen->SetMessage(text, read, ignoreKinsoku, false);
    } else {
        GxPrintErrorLog(u"%s/メインシーケンスがありません\n", call.name);
    }
    if (perman) perman->SetReadedMessageFlag(key.script, key.bit);
    if (data) data->AppendMessageLog(name, text, ignoreKinsoku, false);
    return true;
}

}  // namespace

GxMessageKey GxCurrentMessageKey(GxGameCommandCall& call)
{
    const GxMoaExecStackElement* top = GxMoaGetExecStackTop(call.execStack);
    return {call.worker.GetScriptName(top), call.worker.GetLine(top) + 1};
}

int32_t GxRandomInRange(int32_t a, int32_t b)
{
    if (a > b) std::swap(a, b);
    if (a == b) return a;
    // Up to 2^32 values: the span is computed in 64 bits.
    const int64_t span = static_cast<int64_t>(b) - a + 1;
    int64_t offset = 0;
    if (span <= INT32_MAX) {
        offset = GxRandomInt(static_cast<int32_t>(span));
    } else {
        // Wider than one 31-bit draw: reject the 32-bit draws of the incomplete last run.
        const uint64_t limit = (uint64_t{1} << 32) / static_cast<uint64_t>(span) * static_cast<uint64_t>(span);
        uint64_t u = 0;
        do {
            u = GxRandomU32();
        } while (u >= limit);
        offset = static_cast<int64_t>(u % static_cast<uint64_t>(span));
    }
    return static_cast<int32_t>(a + offset);
}

bool GxCmdRand(GxGameCommandCall& call)
{
    call.result.SetInt64(GxRandomInRange(ArgInt32(call, 0), ArgInt32(call, 1)));
    return true;
}

bool GxCmdGetDialogResult(GxGameCommandCall& call)
{
    GxUserData* data = UserData(call);
    call.result.SetInt64(data ? data->m_LastDialogResult : 0);
    return true;
}

bool GxCmdGetDebugModeFlag(GxGameCommandCall& call)
{
    const GxSystemConfig* sc = call.core ? call.core->GetSystemConfig() : nullptr;
    call.result.SetInt64(sc && sc->m_DebugModeFlag ? 1 : 0);
    return true;
}

bool GxCmdGetSystemSignature(GxGameCommandCall& call)
{
    call.result.SetString(GxFormatSystemSignature(GxFindResource(u"PNG", kGxSignatureResourceID)));
    return true;
}

bool GxCmdSetGameDataTitle(GxGameCommandCall& call)
{
    if (GxUserData* data = UserData(call)) data->SetGameDataTitle(call.ArgString(0));
    return true;
}

bool GxCmdGetReplayMode(GxGameCommandCall& call)
{
    GxUserData* data = UserData(call);
    call.result.SetInt64(data && data->m_ReplayMode ? 1 : 0);
    return true;
}

bool GxCmdGetPassedLabel(GxGameCommandCall& call)
{
    if (!call.ArgPresent(0)) {
        call.Error(u"ラベル名を指定してください");
        return false;
    }
    GxUserDataPerman* perman = Perman(call);
    const bool passed = perman && perman->m_PassedReplayLabels.count(call.ArgString(0)) > 0;
    call.result.SetInt64(passed ? 1 : 0);
    return true;
}

bool GxCmdSetNameIdentifyMode(GxGameCommandCall& call)
{
    if (GxUserData* data = UserData(call)) data->m_NameIdentifyMode = ArgInt32(call, 0);
    return true;
}

bool GxCmdDlg(GxGameCommandCall& call)
{
    if (GxUserData* data = UserData(call)) data->m_LastDialogResult = 0;
    const std::u16string text = call.ArgString(0);
    const int32_t kind = call.ArgPresent(1) ? ArgInt32(call, 1) : 1;
    GxTaskManage* tm = Tasks(call);
    GxTaskBase* dialog = tm ? tm->FindTaskByName(u"dlg_user") : nullptr;
    if (dialog && dialog->IsActive()) {
        call.Error(u"ダイアログは二重に開けません");
        return false;
    }
    if (auto open = GxGetSystemDialogHooks().openUserDialog) open(dialog, u"USERDIALOG", text, kind);
    return true;
}

bool GxCmdMsg(GxGameCommandCall& call) { return ShowMessage(call, false, u"", call.ArgString(0)); }

bool GxCmdMsgn(GxGameCommandCall& call) { return ShowMessage(call, true, call.ArgString(0), call.ArgString(1)); }

bool GxCmdMsgClear(GxGameCommandCall& call)
{
    if (GxMainScreen* screen = GxFindMainScreen(call.core)) screen->ClearMessage();
    return true;
}

bool GxCmdJumpToTitle(GxGameCommandCall& call)
{
    GxTaskManage* tm = Tasks(call);
    GxTaskBase* title = tm ? tm->FindTaskByName(u"SeqTitle") : nullptr;
    if (!title) {
        GxPrintErrorLog(u"遷移先のシーケンスが見つかりません(%s)\n", u"SeqTitle");
        return true;
    }
    tm->ChangeSequence(title, 0);
    return true;
}

// The bit number is taken modulo 32, also for negative numbers (a shift by a negative count is
// undefined).
bool GxCmdSetExtraOption(GxGameCommandCall& call)
{
    const uint32_t bit = uint32_t{1} << (ArgInt32(call, 0) & 31);
    const bool on = call.Arg(1) && call.Arg(1)->GetInt64() != 0;
    if (GxUserDataPerman* perman = Perman(call)) {
        if (on) perman->m_ExtraOption |= bit;
        else perman->m_ExtraOption &= ~bit;
    }
    return true;
}

bool GxCmdGetExtraOption(GxGameCommandCall& call)
{
    const uint32_t bit = uint32_t{1} << (ArgInt32(call, 0) & 31);
    GxUserDataPerman* perman = Perman(call);
    call.result.SetInt64(perman && (perman->m_ExtraOption & bit) ? 1 : 0);
    return true;
}
