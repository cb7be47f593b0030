// The game data table loader over untrusted table files: the fuzzer's input is written to a file
// that three tables load (the gallery's array cells, the UI layout's floats, the music room's
// unsigned column and lookup by name). The highest ID must stay inside the rows.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/GxString.h"
#include "fuzz/db_table_fuzz.h"
#include "fuzz/input_file_fuzz.h"
#include "game/DBBGMMode.h"
#include "game/DBCGMode.h"
#include "game/DBUILayout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!gxfuzz::WriteInputFile("table.txt", data, size)) return 0;
    const std::u16string widePath = GxUtf8ToWide(gxfuzz::InputFolder() + "/table.txt");

    static DBCGMode gallery;
    static DBUILayout layout;
    static DBBGMMode music;
    gxfuzz::LoadTableTwice(gallery, widePath);
    gxfuzz::LoadTableTwice(layout, widePath);
    gxfuzz::LoadTableTwice(music, widePath);
    const int32_t found = music.FindRowByName(music.GetRow(music.GetMaxID() < 0 ? 0 : music.GetMaxID())->Name);
    if (found < 0 || found >= music.GetRowCapacity()) abort();
    return 0;
}
