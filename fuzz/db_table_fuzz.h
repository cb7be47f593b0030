// Shared step of the data table fuzz targets: the input file loaded into a table the way
// start-up loads a main file and then its second file (loading never clears, so "*" lines of
// the second run on towards the end), with the row invariants every user of a table relies on.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>

namespace gxfuzz {

template <class Table>
void LoadTableTwice(Table& table, const std::u16string& path)
{
    table.Clear();
    table.Load(path);
    table.Load(path);
    const int32_t maxID = table.GetMaxID();
    if (maxID < -1 || maxID >= table.GetRowCapacity()) abort();
    for (int32_t i = 0; i <= maxID; ++i) {
        if (table.GetRow(i)->ID != 0 && table.GetRow(i)->ID != i) abort();
    }
}

}  // namespace gxfuzz
