// The effect table's columns over untrusted files, and what reads them: the look-up by name of
// the script's effect commands and the effect pool, which loads the motion project, group and
// motion of every row (from files that are mostly missing: the failure paths count).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/GxString.h"
#include "fuzz/db_table_fuzz.h"
#include "fuzz/input_file_fuzz.h"
#include "game/DBEffect.h"
#include "layer/GxNcFactory.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!gxfuzz::WriteInputFile("table.txt", data, size)) return 0;
    const std::u16string widePath = GxUtf8ToWide(gxfuzz::InputFolder() + "/table.txt");

    DBEffect& table = GxGetDBEffect();
    gxfuzz::LoadTableTwice(table, widePath);
    for (int32_t id = 0; id < table.GetRowCapacity(); ++id) {
        const int32_t found = table.FindRowByName(table.GetRow(id)->Name);
        if (found < 0 || found > id || table.GetRow(found)->Name != table.GetRow(id)->Name) abort();
    }
    GxNcEffectPool::LoadAllEffect(u"", u"");
    GxNcEffectPool::ReleaseAll();
    GxGetNcProjectFactory().ReleaseAll();
    GxGetNcCrammedImageSetFactory().ReleaseAll();
    return 0;
}
