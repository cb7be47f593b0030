// The character table's columns over untrusted files, and what reads them: the look-up by name,
// each character's voice volume, the voice file search through the voice folders, and the main
// play screen, which builds a stand layer with its sub-layers for every named character.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/task/GxTaskManage.h"
#include "core/GxString.h"
#include "fuzz/db_table_fuzz.h"
#include "fuzz/input_file_fuzz.h"
#include "game/DBRukoChar.h"
#include "game/GxGameLookup.h"
#include "game/GxUserConfig.h"
#include "seq/SeqRukoMain.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!gxfuzz::WriteInputFile("table.txt", data, size)) return 0;
    const std::u16string widePath = GxUtf8ToWide(gxfuzz::InputFolder() + "/table.txt");

    DBRukoChar& table = GxGetDBRukoChar();
    gxfuzz::LoadTableTwice(table, widePath);
    const GxUserConfig options;
    for (int32_t id = -1; id <= table.GetRowCapacity(); ++id) {
        const int32_t attenuation = options.GetVoiceVolume(id);
        if (attenuation > 0 || attenuation < -10000) abort();
    }
    for (int32_t id = 0; id <= table.GetMaxID(); ++id) {
        const std::u16string& name = table.GetRow(id)->CharName;
        const int32_t found = GxFindCharID(name);
        if (name.empty() ? found != -1 : (found < 0 || found > id || table.GetRow(found)->CharName != name)) abort();
    }
    std::u16string voice = u"table.txt";
    const int32_t speaker = GxFindVoiceFile(voice);
    if (speaker < 0 || speaker >= table.GetRowCapacity()) abort();

    GxTaskManage manager;
    GxTaskBase* root = new GxTaskBase(&manager);
    new SeqRukoMain(root);
    return 0;
}
