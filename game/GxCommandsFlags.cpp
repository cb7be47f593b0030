// The game's replay-flag and gallery-flag commands: the replay labels the player has passed and
// the gallery pictures the player has seen, both kept across plays.
#include "app/GxCore.h"
#include "game/GxGameCommandHandlers.h"
#include "game/GxGameLookup.h"
#include "game/GxUserDataPerman.h"

namespace {

GxUserDataPerman* Perman(GxGameCommandCall& call)
{
    GxCore* core = call.core ? call.core : GxGetCore();
    GxUserDataPerman* perman = core ? core->GetUserDataPerman() : nullptr;
    if (!perman) call.Error(u"no data kept across plays");
    return perman;
}

// The required label; reported when it is missing.
bool RequireLabel(GxGameCommandCall& call)
{
    if (call.ArgPresent(0)) return true;
    call.Error(u"ラベル名を指定してください");
    return false;
}

bool RequirePictureName(GxGameCommandCall& call)
{
    if (call.ArgPresent(0)) return true;
    call.Error(u"イベント画像名を指定してください");
    return false;
}

}  // namespace

bool GxCmdRpSet(GxGameCommandCall& call)
{
    if (!RequireLabel(call)) return false;
    GxUserDataPerman* perman = Perman(call);
    if (!perman) return false;
    const std::u16string label = call.ArgString(0);
    if (!GxIsReplayLabel(label)) {
        call.Error(u"ラベル名[%s]はリプレイモード定義と一致しません", label);
        return false;
    }
    perman->m_PassedReplayLabels.insert(label);
    return true;
}

bool GxCmdRpUnset(GxGameCommandCall& call)
{
    if (!RequireLabel(call)) return false;
    GxUserDataPerman* perman = Perman(call);
    if (!perman) return false;
    // No table check: a label the table no longer has can still be taken back.
    perman->m_PassedReplayLabels.erase(call.ArgString(0));
    return true;
}

bool GxCmdRpUnsetAll(GxGameCommandCall& call)
{
    GxUserDataPerman* perman = Perman(call);
    if (!perman) return false;
    perman->m_PassedReplayLabels.clear();
    return true;
}

bool GxCmdCgSet(GxGameCommandCall& call)
{
    if (!RequirePictureName(call)) return false;
    GxUserDataPerman* perman = Perman(call);
    if (!perman) return false;
    // The table is not consulted: a name may be recorded before the gallery lists it.
    perman->SetShowedCG(call.ArgString(0));
    return true;
}

bool GxCmdCgSetGroup(GxGameCommandCall& call)
{
    if (!RequirePictureName(call)) return false;
    GxUserDataPerman* perman = Perman(call);
    if (!perman) return false;
    int32_t row = 0;
    int32_t entry = 0;
    if (!GxFindCGByFileTitle(call.ArgString(0), &row, &entry) || !perman->SetShowedCGGroup(row)) {
        call.Error(u"定義されていない画像名です");
        return false;
    }
    return true;
}

bool GxCmdCgUnsetAll(GxGameCommandCall& call)
{
    GxUserDataPerman* perman = Perman(call);
    if (!perman) return false;
    perman->m_ShowedCGFlags.clear();
    return true;
}
