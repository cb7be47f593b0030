// The game data table loader over untrusted table files: the fuzzer's input is written to a file
// that three tables load (the gallery's array cells, the UI layout's floats, the music room's
// unsigned column and lookup by name). The highest ID must stay inside the rows.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/GxLog.h"
#include "core/GxString.h"
#include "game/DBBGMMode.h"
#include "game/DBCGMode.h"
#include "game/DBUILayout.h"

namespace {

const std::string& WorkFolder()
{
    static const std::string folder = [] {
        char templ[] = "/tmp/gxfuzz_table_XXXXXX";
        const char* made = mkdtemp(templ);
        return std::string(made ? made : "/tmp");
    }();
    return folder;
}

template <class Table>
void LoadInto(Table& table, const std::u16string& path)
{
    table.Clear();
    table.Load(path);
    table.Load(path);  // a second file joins the first: "*" lines run on towards the end
    const int32_t maxID = table.GetMaxID();
    if (maxID < -1 || maxID >= table.GetRowCapacity()) abort();
    for (int32_t i = 0; i <= maxID; ++i) {
        if (table.GetRow(i)->ID != 0 && table.GetRow(i)->ID != i) abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = [] {
        GxSetErrorLogPath(u"/dev/null");
        GxSetDebugLogPath(u"/dev/null");
        if (chdir(WorkFolder().c_str()) != 0) return false;
        std::atexit([] {
            std::remove((WorkFolder() + "/table.txt").c_str());
            rmdir(WorkFolder().c_str());
        });
        return true;
    }();
    (void)ready;

    const std::string path = WorkFolder() + "/table.txt";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
    const std::u16string widePath = GxUtf8ToWide(path);

    static DBCGMode gallery;
    static DBUILayout layout;
    static DBBGMMode music;
    LoadInto(gallery, widePath);
    LoadInto(layout, widePath);
    LoadInto(music, widePath);
    const int32_t found = music.FindRowByName(music.GetRow(music.GetMaxID() < 0 ? 0 : music.GetMaxID())->Name);
    if (found < 0 || found >= music.GetRowCapacity()) abort();
    return 0;
}
