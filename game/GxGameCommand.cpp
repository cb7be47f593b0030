#include "game/GxGameCommand.h"

#include <climits>
#include <cmath>

#include "app/GxCore.h"
#include "app/task/GxTaskManage.h"
#include "core/GxLog.h"
#include "game/GxGameCommandHandlers.h"
#include "game/GxGameStatement.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserData.h"
#include "game/GxUserDataPerman.h"
#include "moa/GxMoaScriptHost.h"
#include "moa/GxMoaVariable.h"
#include "platform/GxPresentRect.h"

namespace {

constexpr float kScreenWidth = static_cast<float>(kGxLogicalScreenWidth);
constexpr float kScreenHeight = static_cast<float>(kGxLogicalScreenHeight);

// Comparison order matters: a word is looked up only in the band its index selects, and the
// first equal word of that band wins.
const GxGameCommandWord kWords[] = {
    {300, 499, u"rand", GxCmdRand},
    {500, 999, u"getsavedir", GxCmdGetSaveDir},
    {500, 999, u"getcurseqname", GxCmdGetCurSeqName},
    {500, 999, u"getprevseqname", GxCmdGetPrevSeqName},
    {500, 999, u"getcurseqparam0", GxCmdGetCurSeqParam0},
    {500, 999, u"getcurseqparam1", GxCmdGetCurSeqParam1},
    {500, 999, u"getprevseqparam0", GxCmdGetPrevSeqParam0},
    {500, 999, u"getprevseqparam1", GxCmdGetPrevSeqParam1},
    {500, 999, u"getlastselect", GxCmdGetLastSelect},
    {500, 999, u"getdialogresult", GxCmdGetDialogResult},
    {500, 999, u"getdebugmodeflag", GxCmdGetDebugModeFlag},
    {500, 999, u"getsystemsignature", GxCmdGetSystemSignature},
    {500, 999, u"setgamedatatitle", GxCmdSetGameDataTitle},
    {500, 999, u"getgamedatatitle", GxCmdGetGameDataTitle},
    {500, 999, u"getreplaymode", GxCmdGetReplayMode},
    {500, 999, u"getpassedlabel", GxCmdGetPassedLabel},
    {500, 999, u"setnameidentifymode", GxCmdSetNameIdentifyMode},
    {500, 999, u"dlg", GxCmdDlg},
    {500, 999, u"msg", GxCmdMsg},
    {500, 999, u"msgn", GxCmdMsgn},
    {500, 999, u"msg.show", GxCmdMsgShow},
    {500, 999, u"msg.hide", GxCmdMsgHide},
    {500, 999, u"msg.clear", GxCmdMsgClear},
    {500, 999, u"text", GxCmdText},
    {1000, 1099, u"sp.color", GxCmdSpColor},
    {1000, 1099, u"sp.alpha", GxCmdSpAlpha},
    {1000, 1099, u"sp.blend", GxCmdSpBlend},
    {1000, 1099, u"sp.lcg", GxCmdSpLcg},
    {1000, 1099, u"sp.lnc", GxCmdSpLnc},
    {1000, 1099, u"sp.wa", GxCmdSpWa},
    {1000, 1099, u"sp.shake", GxCmdSpShake},
    {1000, 1099, u"sp.shake_end", GxCmdSpShakeEnd},
    {1000, 1099, u"sp.clearall", GxCmdSpClearAll},
    {1000, 1099, u"stand", GxCmdStand},
    {1100, 1299, u"bg", GxCmdBg},
    {1100, 1299, u"bg.color", GxCmdBgColor},
    {1100, 1299, u"bg.act_move", GxCmdBgActMove},
    {1100, 1299, u"bg.wa", GxCmdBgWa},
    {1100, 1299, u"ev", GxCmdEv},
    {1100, 1299, u"ev.color", GxCmdBgColor},
    {1100, 1299, u"ev.act_move", GxCmdBgActMove},
    {1100, 1299, u"ev.wa", GxCmdBgWa},
    {1300, 1399, u"fin", GxCmdFin},
    {1300, 1399, u"fout", GxCmdFout},
    {1300, 1399, u"flash", GxCmdFlash},
    {1300, 1399, u"flash.wa", GxCmdFlashWa},
    {1300, 1399, u"shake", GxCmdShake},
    {1300, 1399, u"shake.end", GxCmdShakeEnd},
    {1400, 1499, u"mv", GxCmdMv},
    {1400, 1499, u"mv.wa", GxCmdMvWa},
    {1400, 1499, u"mv.autostop", GxCmdMvAutoStop},
    {1500, 1599, u"bgm", GxCmdBgm},
    {1500, 1599, u"bgm.wa", GxCmdBgmWa},
    {1500, 1599, u"bgv", GxCmdBgv},
    {1500, 1599, u"bgv.wa", GxCmdBgvWa},
    {1500, 1599, u"se", GxCmdSe0},
    {1500, 1599, u"se_0", GxCmdSe0},
    {1500, 1599, u"se_1", GxCmdSe1},
    {1500, 1599, u"se_2", GxCmdSe2},
    {1500, 1599, u"se_3", GxCmdSe3},
    {1500, 1599, u"se.wa", GxCmdSeWa},
    {1500, 1599, u"vo", GxCmdVo0},
    {1500, 1599, u"vo_0", GxCmdVo0},
    {1500, 1599, u"vo_1", GxCmdVo1},
    {1500, 1599, u"vo_2", GxCmdVo2},
    {1500, 1599, u"vo_3", GxCmdVo3},
    {1500, 1599, u"vo.wa", GxCmdVoWa},
    {2000, 2099, u"sel", GxCmdSel},
    {2000, 2099, u"sel.go", GxCmdSelGo},
    {2000, 2099, u"sel.gosub", GxCmdSelGosub},
    {2000, 2099, u"sel.visible", GxCmdSelVisible},
    {2000, 2099, u"sel.enable", GxCmdSelEnable},
    {2000, 2099, u"sel.cancel", GxCmdSelCancel},
    {2000, 2099, u"sel.hash", GxCmdSelHash},
    {2100, 2199, u"wa.click", GxCmdWaClick},
    {2100, 2199, u"wa.time", GxCmdWaTime},
    {2100, 2199, u"wa.layer", GxCmdWaLayer},
    {2200, 2399, u"rp.set", GxCmdRpSet},
    {2200, 2399, u"rp.unset", GxCmdRpUnset},
    {2200, 2399, u"rp.setall", GxCmdRpSetAll},
    {2200, 2399, u"rp.unsetall", GxCmdRpUnsetAll},
    {2200, 2399, u"rp.end", GxCmdRpEnd},
    {2200, 2399, u"cg.set", GxCmdCgSet},
    {2200, 2399, u"cg.setgroup", GxCmdCgSetGroup},
    {2200, 2399, u"cg.setall", GxCmdCgSetAll},
    {2200, 2399, u"cg.unsetall", GxCmdCgUnsetAll},
    {10000, 19999, u"jumptotitle", GxCmdJumpToTitle},
    {10000, 19999, u"setextraoption", GxCmdSetExtraOption},
    {10000, 19999, u"getextraoption", GxCmdGetExtraOption},
    {30000, INT32_MAX, u"bmap_jumptoselect", GxCmdBmapJumpToSelect},
};

}  // namespace

const GxGameCommandWord* GxGetGameCommandWords(size_t* count)
{
    if (count) *count = sizeof(kWords) / sizeof(kWords[0]);
    return kWords;
}

bool GxDispatchGameCommand(GxGameCommandCall& call, int32_t index)
{
    for (const GxGameCommandWord& w : kWords) {
        if (index < w.first || index > w.last) continue;
        if (call.name == w.word) return w.handler(call);
    }
    return false;
}

GxMoaVariable* GxGameCommandCall::Arg(int32_t i)
{
    if (i < 0 || args.GetValueType() != GxMoaValueType::Array) return nullptr;
    if (args.GetArraySize() < i + 1 && !args.SetArraySize(i + 1)) return nullptr;
    return args.GetElement(i);
}

bool GxGameCommandCall::ArgPresent(int32_t i)
{
    const GxMoaVariable* v = Arg(i);
    return v && !v->IsNull() && v->GetStringLength() > 0;
}

int32_t GxGameCommandCall::ArgInt(int32_t i)
{
    const GxMoaVariable* v = Arg(i);
    return v ? v->GetInt() : 0;
}

double GxGameCommandCall::ArgFloat(int32_t i)
{
    const GxMoaVariable* v = Arg(i);
    return v ? v->GetFloat() : 0.0;
}

std::u16string GxGameCommandCall::ArgString(int32_t i)
{
    const GxMoaVariable* v = Arg(i);
    return v ? v->GetString() : std::u16string();
}

float GxCommandAlignX(const GxMoaVariable* arg, float defaultX, float width)
{
    if (!arg || arg->IsNull()) return defaultX;
    const GxMoaValueType type = arg->GetValueType();
    if (type == GxMoaValueType::Int || type == GxMoaValueType::Float) return static_cast<float>(arg->GetFloat());
    const std::u16string text = arg->GetString();
    if (text == u"L") return 0.0f;
    if (text == u"M") return std::trunc(kScreenWidth - width) * 0.5f;
    if (text == u"R") return std::trunc(kScreenWidth - width);
    return defaultX;
}

float GxCommandAlignY(const GxMoaVariable* arg, float height)
{
    if (!arg || arg->IsNull()) return kScreenHeight - height;
    const GxMoaValueType type = arg->GetValueType();
    if (type == GxMoaValueType::Int || type == GxMoaValueType::Float) return static_cast<float>(arg->GetFloat());
    const std::u16string text = arg->GetString();
    if (text == u"T") return 0.0f;
    if (text == u"M") return std::trunc(kScreenHeight - height) * 0.5f;
    if (text == u"B") return std::trunc(kScreenHeight - height);
    return kScreenHeight - height;
}

namespace {

bool IsDebugMode(const GxCore* core)
{
    const GxSystemConfig* sc = core ? core->GetSystemConfig() : nullptr;
    return sc && sc->m_DebugModeFlag;
}

// Trace (6) and debug-log (7) output: only in debug mode, and the script's text is always the
// argument of a fixed format, never a format itself.
bool DebugOutput(int32_t index, GxMoaVariable& args, GxMoaWorker& worker, const GxCore* core)
{
    if (!IsDebugMode(core) || args.GetValueType() != GxMoaValueType::Array) return true;
    if (args.GetArraySize() < 1 && !args.SetArraySize(1)) return true;
    const GxMoaVariable* first = args.GetElement(0);
    const std::u16string text = first ? first->GetString() : std::u16string();
    if (index == 6) {
        if (GxMoa* owner = worker.GetOwner()) owner->OutputTrace(u"%s", text);
    } else {
        GxPrintDebugLog(u"%s\n", text);
    }
    return true;
}

GxTaskManage* TaskManage(const GxGameCommandCall& call) { return call.core ? call.core->GetTaskManage() : nullptr; }
GxUserData* UserData(const GxGameCommandCall& call) { return call.core ? call.core->GetUserData() : nullptr; }
GxUserDataPerman* Perman(const GxGameCommandCall& call) { return call.core ? call.core->GetUserDataPerman() : nullptr; }

bool CallGameCommand(GxMoaBuiltinEx& builtins, std::u16string_view name, int32_t index, GxMoaVariable& args,
                     GxMoaWorker& worker, GxMoaScriptEntity* entity, GxMoaExecStack& execStack, GxMoaVariable& result)
{
    // Indices 6 and 7 (trace and debug-log output) are taken over by the game.
    if (index == 6 || index == 7) return DebugOutput(index, args, worker, builtins.GetCore());
    if (index >= 1 && index < 300) {
        return builtins.GxMoaBuiltinDefault::CallBuiltin(name, index, args, worker, entity, execStack, result);
    }
    if (index < 1) return false;
    GxGameCommandCall call{name, args, worker, entity, execStack, builtins, result, builtins.GetCore()};
    return GxDispatchGameCommand(call, index);
}

// A program that calls into this file (every test of the commands does) has the game's side
// before any script runs; the start-up installs it again before it makes the host.
[[maybe_unused]] const bool kGameHooksSet = (GxInstallGameScriptHooks(), true);

}  // namespace

void GxInstallGameScriptHooks() { GxSetMoaGameHooks({&CallGameCommand, &GxShowScriptTextLine}); }

// Answered by the dispatcher itself. Without the game object they stand for, the queries
// answer the empty value and the setters do nothing.
bool GxCmdGetSaveDir(GxGameCommandCall& call)
{
    call.result.SetString(call.core ? std::u16string_view(call.core->GetSaveFolder()) : std::u16string_view());
    return true;
}

bool GxCmdGetCurSeqName(GxGameCommandCall& call)
{
    const GxTaskManage* tm = TaskManage(call);
    call.result.SetString(tm ? std::u16string_view(tm->GetCurrentSequenceName()) : std::u16string_view());
    return true;
}

bool GxCmdGetPrevSeqName(GxGameCommandCall& call)
{
    const GxTaskManage* tm = TaskManage(call);
    call.result.SetString(tm ? std::u16string_view(tm->GetPreviousSequenceName()) : std::u16string_view());
    return true;
}

namespace {

// A sequence change carries one parameter, parameter 0; parameter 1 is never given and reads 0.
bool SetSeqParam(GxGameCommandCall& call, bool current, int which)
{
    const GxTaskManage* tm = TaskManage(call);
    int32_t param = 0;
    if (tm && which == 0) param = current ? tm->GetCurrentSequenceParam() : tm->GetPreviousSequenceParam();
    call.result.SetInt64(param);
    return true;
}

}  // namespace

bool GxCmdGetCurSeqParam0(GxGameCommandCall& call) { return SetSeqParam(call, true, 0); }
bool GxCmdGetCurSeqParam1(GxGameCommandCall& call) { return SetSeqParam(call, true, 1); }
bool GxCmdGetPrevSeqParam0(GxGameCommandCall& call) { return SetSeqParam(call, false, 0); }
bool GxCmdGetPrevSeqParam1(GxGameCommandCall& call) { return SetSeqParam(call, false, 1); }

bool GxCmdGetLastSelect(GxGameCommandCall& call)
{
    const GxUserData* data = UserData(call);
    call.result.SetInt64(data ? data->m_LastSelectNum : 0);
    return true;
}

bool GxCmdGetGameDataTitle(GxGameCommandCall& call)
{
    const GxUserData* data = UserData(call);
    call.result.SetString(data ? std::u16string_view(data->m_GameDataTitle) : std::u16string_view());
    return true;
}

bool GxCmdMsgShow(GxGameCommandCall& call)
{
    if (GxUserData* data = UserData(call)) data->m_HideWindowByCommandFlag = false;
    return true;
}

bool GxCmdMsgHide(GxGameCommandCall& call)
{
    if (GxUserData* data = UserData(call)) data->m_HideWindowByCommandFlag = true;
    return true;
}

bool GxCmdRpSetAll(GxGameCommandCall& call)
{
    if (GxUserDataPerman* perman = Perman(call)) perman->SetAllPassedReplayLabels();
    return true;
}

bool GxCmdRpEnd(GxGameCommandCall& call)
{
    const GxUserData* data = UserData(call);
    if (data && data->m_ReplayMode) call.worker.Stop();
    return true;
}

bool GxCmdCgSetAll(GxGameCommandCall& call)
{
    if (GxUserDataPerman* perman = Perman(call)) perman->SetShowedCGAll();
    return true;
}

bool GxCmdBmapJumpToSelect(GxGameCommandCall& call)
{
    GxTaskManage* tm = TaskManage(call);
    GxTaskBase* target = tm ? tm->FindTaskByName(u"SeqBmapSelect") : nullptr;
    if (target) tm->ChangeSequence(target, 0);
    else GxPrintErrorLog(u"遷移先のシーケンスが見つかりません(%s)\n", u"SeqBmapSelect");
    return true;
}
