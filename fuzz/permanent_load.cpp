// The data kept across plays over an untrusted "permanent.dat", in either form, with a script
// host present: a load that fails leaves the data and the permanent script variable exactly as
// they were; a load that succeeds holds no more flag words than the file has bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/input_file_fuzz.h"
#include "game/GxUserDataPerman.h"
#include "moa/GxMoaScriptHost.h"

namespace {

GxMoaVariableSet* Marker()
{
    return g_MoaEx->GetVariableTable().FindVariable(u"cleared");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!gxfuzz::EnterInputFolder("permanent.dat")) return 0;
    // Registered after the folder's clean-up, so the host goes first at exit.
    static const bool host = [] {
        GxCreateScriptHost(nullptr);
        GxMoaVariableDefinition def;
        def.m_Name = u"cleared";
        def.m_Scope = MOASCOPE_EXTERN_PERMAN;
        g_MoaEx->GetVariableTable().CreateVariableFromDefinition(def);
        std::atexit([] { GxDestroyScriptHost(); });
        return true;
    }();
    (void)host;
    if (!gxfuzz::WriteInputFile("permanent.dat", data, size)) return 0;

    GxMoaVariable marker;
    marker.SetInt64(12345);
    g_MoaEx->GetVariableTable().SetVariable(u"cleared", &marker);
    GxUserDataPerman p(nullptr);
    p.SetReadedMessageFlag(u"before", 7);
    p.m_ExtraOption = 0x1234;
    const GxUserDataPerman before = p;
    if (!p.Load(u"permanent.dat")) {
        if (p.m_ReadedMessageFlags != before.m_ReadedMessageFlags || p.m_ExtraOption != before.m_ExtraOption ||
            !p.m_SelectedMenuFlags.empty() || !p.m_PassedReplayLabels.empty() || !p.m_ShowedCGFlags.empty())
            abort();
        // The containers failed before the variables were touched, or the variable blocks failed
        // in the check pass: either way the script's value is the one from before.
        if (!Marker() || Marker()->m_Value.GetInt64() != 12345) abort();
    } else {
        size_t words = 0;
        for (const auto& [key, bits] : p.m_ReadedMessageFlags) words += bits.size();
        for (const auto& [key, bits] : p.m_SelectedMenuFlags) words += bits.size();
        if (words > size) abort();
    }
    return 0;
}
