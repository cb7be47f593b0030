// The replay table's columns over untrusted files, and what reads them: the label look-up of the
// script's replay checks and the permanent data's "every replay seen" switch.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/GxString.h"
#include "fuzz/db_table_fuzz.h"
#include "fuzz/input_file_fuzz.h"
#include "game/DBRPMode.h"
#include "game/GxGameLookup.h"
#include "game/GxUserDataPerman.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!gxfuzz::WriteInputFile("table.txt", data, size)) return 0;
    const std::u16string widePath = GxUtf8ToWide(gxfuzz::InputFolder() + "/table.txt");

    DBRPMode& table = GxGetDBRPMode();
    gxfuzz::LoadTableTwice(table, widePath);
    size_t labels = 0;
    for (int32_t id = 0; id < table.GetRowCapacity(); ++id) {
        const std::u16string& label = table.GetRow(id)->Label;
        if (label.empty()) continue;
        ++labels;
        if (!GxIsReplayLabel(label)) abort();
    }
    if (GxIsReplayLabel(u"")) abort();
    GxUserDataPerman perman(nullptr);
    perman.SetAllPassedReplayLabels();
    if (perman.m_PassedReplayLabels.size() > labels) abort();
    return 0;
}
