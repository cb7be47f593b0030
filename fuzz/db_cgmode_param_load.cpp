// The gallery parameter table over untrusted files: the gallery file loaded into both gallery
// tables as start-up does, its "picture|a|b" cells split into pictures and parameters, the
// pictures counted, and the look-up of a picture by its file title.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/GxString.h"
#include "fuzz/db_table_fuzz.h"
#include "fuzz/input_file_fuzz.h"
#include "game/DBCGMode.h"
#include "game/GxGameLookup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!gxfuzz::WriteInputFile("table.txt", data, size)) return 0;
    const std::u16string widePath = GxUtf8ToWide(gxfuzz::InputFolder() + "/table.txt");

    DBCGMode& pictures = GxGetDBCGMode();
    DBCGMode& params = GxGetDBCGModeParam();
    gxfuzz::LoadTableTwice(pictures, widePath);
    gxfuzz::LoadTableTwice(params, widePath);
    static DBCGMode original;
    gxfuzz::LoadTableTwice(original, widePath);
    GxSplitCGModeFileNames();
    GxCountCGModeFiles();
    int lookups = 0;  // each look-up walks the whole table: a few per input keep the runs fast
    for (int32_t r = 0; r <= pictures.GetMaxID(); ++r) {
        const DBCGModeData& row = *pictures.GetRow(r);
        if (row.Count < 0 && original.GetRow(r)->Count >= 0) abort();
        for (int32_t k = 0; k < 31; ++k) {
            const std::u16string& cell = original.GetRow(r)->FileName[k];
            const std::u16string& picture = row.FileName[k];
            if (cell.empty()) continue;
            // The picture is the cell up to its first "|"; the parameters are the rest.
            if (cell.compare(0, picture.size(), picture) != 0 || picture.find(u'|') != std::u16string::npos) abort();
            if (params.GetRow(r)->FileName[k].find(u'|') == std::u16string::npos) abort();
            if (++lookups > 8) continue;
            int32_t foundRow = -1, foundEntry = -1;
            if (GxFindCGByFileTitle(u"cg/ev/" + picture + u".png", &foundRow, &foundEntry) &&
                (foundRow < 0 || foundRow >= DBCGMode::kRowCapacity || foundEntry < 0 || foundEntry > 30)) {
                abort();
            }
        }
    }
    return 0;
}
