// A saved game over an untrusted file, in either form, with a script host present: a load that
// fails in its checked part leaves the running state and the script's in-game variable exactly
// as they were (past it, the state is the file's); any load keeps the menu's item count and at
// most the newest 100 log entries. The header reader runs on the same bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/input_file_fuzz.h"
#include "game/GxUserData.h"
#include "moa/GxMoaScriptHost.h"

namespace {

GxMoaVariableSet* Marker() { return g_MoaEx->GetVariableTable().FindVariable(u"score"); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!gxfuzz::EnterInputFolder("gamedata001.gd")) return 0;
    static const bool host = [] {
        GxCreateScriptHost(nullptr);
        GxMoaVariableDefinition def;
        def.m_Name = u"score";
        def.m_Scope = MOASCOPE_EXTERN_INGAME;
        g_MoaEx->GetVariableTable().CreateVariableFromDefinition(def);
        std::atexit([] { GxDestroyScriptHost(); });
        return true;
    }();
    (void)host;
    if (!gxfuzz::WriteInputFile("gamedata001.gd", data, size)) return 0;

    GxGameDataHeader header;
    GxUserData::LoadGameDataHeader(u"gamedata001.gd", header);

    GxMoaVariable marker;
    marker.SetInt64(12345);
    g_MoaEx->GetVariableTable().SetVariable(u"score", &marker);
    GxUserData game(nullptr);
    game.m_GameDataTitle = u"before";
    game.AppendMessageLog(u"name", u"message", false, false);
    const size_t items = game.m_SelectItems.size();
    if (!game.LoadGameData(u"gamedata001.gd", true)) {
        if (game.m_GameDataTitle == u"before") {
            if (game.m_MessageLog.size() != 1 || !Marker() || Marker()->m_Value.GetInt64() != 12345) abort();
        } else if (!header.valid || game.m_GameDataTitle != header.m_GameDataTitle) {
            // Past the check only the screen's own part can fail: the running state is then
            // the file's, never a mix.
            abort();
        }
    }
    if (game.m_SelectItems.size() != items || game.m_MessageLog.size() > GxUserData::kSavedLogLimit) abort();
    return 0;
}
