// The game's text block and wait commands.
#include <string>
#include <vector>

#include "app/GxCore.h"
#include "game/GxCommandsSystem.h"
#include "game/GxGameCommandHandlers.h"
#include "game/GxGameFunctions.h"
#include "game/GxGameLookup.h"
#include "game/GxMainScreen.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserData.h"
#include "game/GxUserDataPerman.h"
#include "moa/GxMoa.h"
#include "moa/GxMoaToken.h"
#include "moa/GxMoaVariable.h"
#include "moa/GxMoaVariableTable.h"

namespace {

constexpr int32_t kAllWaitKinds = 15;

GxUserData* UserData(GxGameCommandCall& call) { return call.core ? call.core->GetUserData() : nullptr; }

// Absent: every kind; given: bit 0 always on.
int32_t WaitKinds(GxGameCommandCall& call, int32_t i)
{
    if (!call.ArgPresent(i)) return kAllWaitKinds;
    return static_cast<int32_t>(call.Arg(i)->GetInt64()) | 1;
}

// A given, non-zero hide argument hides the message window; nothing clears it here.
void ApplyHide(GxGameCommandCall& call, GxUserData& data, int32_t i)
{
    if (call.ArgPresent(i) && static_cast<int32_t>(call.Arg(i)->GetInt64()) != 0) data.m_HideWindowByCommandFlag = true;
}

// The block's lines from the statement after "text" up to "endtext" or the end of the script;
// the position is left at the start of the line after the block. False (reported) on a token
// that cannot stand in a block.
bool ReadBlock(GxGameCommandCall& call, std::vector<std::u16string>& lines)
{
    GxMoaExecStackElement* top = GxMoaGetExecStackTop(call.execStack);
    GxMoaScriptEntity* entity = top ? top->m_Pos.m_pScriptEntity : nullptr;
    const GxMoaScript* script = entity ? entity->GetScript() : nullptr;
    if (!script) return true;  // nothing to read: an empty block
    GxMoaScriptPos& p = top->m_Pos;
    for (;;) {
        const int32_t at = script->CheckPos(p);
        if (at == -2) break;
        if (at < 0) {
            if (!script->NextToken(p)) break;
            continue;
        }
        const GxMoaToken& token = script->GetTokenAt(p);
        const int32_t type = token.GetType();
        if (type == MOATOKEN_UNKNOWN || type == MOATOKEN_STRING || type == MOATOKEN_TEXT) {
            lines.push_back(token.GetString());
        } else if (type == MOATOKEN_COMMANDSTART || type == MOATOKEN_END) {
            // steps over
        } else if (type == MOATOKEN_BUILTIN && token.GetString() == u"endtext") {
            break;
        } else {
            call.Error(u"ENDTEXTに到達する前に処理できないトークンがあります[%s]", token.GetDebugText());
            return false;
        }
        if (!script->NextToken(p)) break;
    }
    script->NextLine(p);
    return true;
}

}  // namespace

bool GxCmdText(GxGameCommandCall& call)
{
    const std::u16string name = call.ArgString(0);
    if (call.ArgPresent(1)) {
        std::u16string voice = call.ArgString(1);
        const int32_t charID = GxFindVoiceFile(voice);
        if (charID > 0) {
            GxPlayVoice(0, voice, charID);
        } else {
            const GxSystemConfig* sc = call.core ? call.core->GetSystemConfig() : nullptr;
            if (sc && sc->m_ErrorStopNotFound_VO) {
                call.Error(u"ボイスファイルが見つかりません[%s]", voice);
                return false;
            }
        }
    }

    // The statement's own line is the read key, taken before the block moves the position.
    const GxMessageKey key = GxCurrentMessageKey(call);
    std::vector<std::u16string> lines;
    if (!ReadBlock(call, lines)) return false;
    std::u16string message;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) message += u"%r";
        message += lines[i];
    }

    GxUserDataPerman* perman = call.core ? call.core->GetUserDataPerman() : nullptr;
    const bool read = perman && perman->GetReadedMessageFlag(key.script, key.bit);
    if (GxMainScreen* screen = GxFindMainScreen(call.core)) {
        screen->SetName(name, 3);
        screen->SetMessage(message, read, true, true);
    }
    if (perman) perman->SetReadedMessageFlag(key.script, key.bit);
    if (GxUserData* data = UserData(call)) data->AppendMessageLog(name, message, true, true);
    return true;
}

bool GxCmdWaClick(GxGameCommandCall& call)
{
    GxUserData* data = UserData(call);
    if (!data) return true;
    const int32_t kinds = WaitKinds(call, 1);
    ApplyHide(call, *data, 0);
    data->m_Hold_WaitClick = kinds | 2;
    return true;
}

bool GxCmdWaTime(GxGameCommandCall& call)
{
    GxUserData* data = UserData(call);
    if (!data) return true;
    const int32_t kinds = WaitKinds(call, 2);
    ApplyHide(call, *data, 1);
    data->m_Hold_WaitTime = kinds;
    // Without a time the wait ends at the next frame.
    data->m_Hold_WaitTime_TimeLeft = call.ArgPresent(0) ? static_cast<int32_t>(call.Arg(0)->GetInt64()) : 0;
    return true;
}

bool GxCmdWaLayer(GxGameCommandCall& call)
{
    GxUserData* data = UserData(call);
    if (!data) return true;
    const int32_t kinds = WaitKinds(call, 1);
    ApplyHide(call, *data, 0);
    data->m_Hold_EndOfLayerActionAll = kinds;
    return true;
}
