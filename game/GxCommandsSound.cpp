// The game's music, sound-effect and voice commands: they resolve the file, refuse or pass over
// a missing one as the developer switches say, and leave playing and recording to the game's
// sound functions (game/GxGameFunctions.h).
#include "app/GxCore.h"
#include "game/GxGameCommandHandlers.h"
#include "game/GxGameFunctions.h"
#include "game/GxGameLookup.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserData.h"
#include "moa/GxMoaVariable.h"

namespace {

GxSystemConfig& Config(GxGameCommandCall& call)
{
    static GxSystemConfig defaults;
    GxSystemConfig* sc = call.core ? call.core->GetSystemConfig() : nullptr;
    return sc ? *sc : defaults;
}

// Time arguments are read as 64-bit and cut to their low 32 bits; a negative time is no time
// (it would otherwise reach the sound layer as a fade of some 49 days).
uint32_t TimeArg(GxGameCommandCall& call, int32_t i)
{
    if (!call.ArgPresent(i)) return 0;
    const int32_t ms = static_cast<int32_t>(static_cast<uint32_t>(call.Arg(i)->GetInt64()));
    return ms > 0 ? static_cast<uint32_t>(ms) : 0;
}

uint32_t Low32Arg(GxGameCommandCall& call, int32_t i)
{
    return call.ArgPresent(i) ? static_cast<uint32_t>(call.Arg(i)->GetInt64()) : 0;
}

// Joins the folder and the name and finds the file with the sound extensions. Missing: with the
// switch on, the error and false in *result; off, true (nothing changes).
bool FindInFolder(GxGameCommandCall& call, int32_t folder, bool errorStop, std::u16string_view message,
                  std::u16string& path, bool* result)
{
    path = Config(call).m_AssetFolder[folder] + call.ArgString(0);
    if (GxFindSoundFile(path)) return true;
    if (errorStop) call.Error(message, path);
    *result = !errorStop;
    return false;
}

bool PlaySE(GxGameCommandCall& call, int32_t index)
{
    const int32_t fade = call.ArgInt(1);
    const uint32_t fadeMs = fade > 0 ? static_cast<uint32_t>(fade) : 0;
    if (!call.ArgPresent(0)) {
        GxStopSE(index, fadeMs);
        return true;
    }
    std::u16string path;
    bool result = true;
    if (!FindInFolder(call, kGxFolderSoundSe, Config(call).m_ErrorStopNotFound_SE, u"SEファイルが見つかりません[%s]",
                      path, &result)) {
        return result;
    }
    const int32_t loop = call.ArgPresent(2) ? call.ArgInt(2) : 1;
    GxPlaySE(index, path, loop, 0, fadeMs, Low32Arg(call, 3));
    return true;
}

bool PlayVoice(GxGameCommandCall& call, int32_t index)
{
    if (!call.ArgPresent(0)) {
        GxStopVoice(index);
        return true;
    }
    const std::u16string name = call.ArgString(0);
    std::u16string path = name;
    const int32_t charID = GxFindVoiceFile(path);
    if (charID == 0) {
        if (!Config(call).m_ErrorStopNotFound_VO) return true;
        call.Error(u"ボイスファイルが見つかりません[%s]", name);
        return false;
    }
    GxPlayVoice(index, path, charID);
    return true;
}

// The wait commands: the optional hide-window flag, then the wait word (15, or the given inputs
// with bit 0 kept on so that the word is never 0).
bool Wait(GxGameCommandCall& call, int32_t GxUserData::*word)
{
    GxUserData* data = call.core ? call.core->GetUserData() : nullptr;
    if (!data) {
        call.Error(u"no game state");
        return false;
    }
    if (call.ArgPresent(0) && call.Arg(0)->GetInt64() != 0) data->m_HideWindowByCommandFlag = true;
    data->*word = call.ArgPresent(1) ? (call.ArgInt(1) | 1) : 15;
    return true;
}

}  // namespace

bool GxCmdBgm(GxGameCommandCall& call)
{
    const uint32_t fade = TimeArg(call, 1);
    if (!call.ArgPresent(0)) {
        GxStopBGM(fade);
        return true;
    }
    std::u16string path;
    bool result = true;
    if (!FindInFolder(call, kGxFolderBgms, Config(call).m_ErrorStopNotFound_BGM, u"BGMファイルが見つかりません[%s]",
                      path, &result)) {
        return result;
    }
    const int32_t loop = call.ArgInt(2);
    const uint32_t loopPos = call.ArgPresent(3) ? Low32Arg(call, 3) : GxFindBGMLoopPos(path);
    const bool keepIfSame = call.ArgInt(4) != 0;
    GxPlayBGM(path, loop, 0, fade, loopPos, keepIfSame);
    return true;
}

bool GxCmdBgv(GxGameCommandCall& call)
{
    const uint32_t fade = TimeArg(call, 1);
    if (!call.ArgPresent(0)) {
        GxStopBGV(fade);
        return true;
    }
    std::u16string path;
    bool result = true;
    if (!FindInFolder(call, kGxFolderSoundBgvs, Config(call).m_ErrorStopNotFound_BGV,
                      u"BGVファイルが見つかりません[%s]", path, &result)) {
        return result;
    }
    GxPlayBGV(path, call.ArgInt(2), 0, fade, Low32Arg(call, 3));
    return true;
}

bool GxCmdSe0(GxGameCommandCall& call) { return PlaySE(call, 0); }
bool GxCmdSe1(GxGameCommandCall& call) { return PlaySE(call, 1); }
bool GxCmdSe2(GxGameCommandCall& call) { return PlaySE(call, 2); }
bool GxCmdSe3(GxGameCommandCall& call) { return PlaySE(call, 3); }

bool GxCmdVo0(GxGameCommandCall& call) { return PlayVoice(call, 0); }
bool GxCmdVo1(GxGameCommandCall& call) { return PlayVoice(call, 1); }
bool GxCmdVo2(GxGameCommandCall& call) { return PlayVoice(call, 2); }
bool GxCmdVo3(GxGameCommandCall& call) { return PlayVoice(call, 3); }

bool GxCmdBgmWa(GxGameCommandCall& call) { return Wait(call, &GxUserData::m_Hold_EndOfBGM); }
bool GxCmdBgvWa(GxGameCommandCall& call) { return Wait(call, &GxUserData::m_Hold_EndOfBGV); }
bool GxCmdSeWa(GxGameCommandCall& call) { return Wait(call, &GxUserData::m_Hold_EndOfSE); }

bool GxCmdVoWa(GxGameCommandCall& call)
{
    if (!Wait(call, &GxUserData::m_Hold_EndOfVoice)) return false;
    call.core->GetUserData()->ClearVoiceRecords();
    return true;
}
