// The rows of the effect table ("data/db_effect.txt") as the effect pool reads them. Only the
// rows are here; loading the table from its file belongs to the data tables.
#pragma once

#include <array>
#include <cstdint>
#include <string>

struct DBEffectRow
{
    int32_t ID = 0;
    std::u16string GNCName;      // project file name
    std::u16string MotionGroup;
    std::u16string Motion;
    std::u16string Name;         // effect name: the pool key
    std::u16string Descript;
};

struct DBEffect
{
    static constexpr int kRowCapacity = 80;
    std::array<DBEffectRow, kRowCapacity> m_Rows;

    void Clear() { m_Rows.fill(DBEffectRow{}); }
};

// The global effect table.
inline DBEffect& GxGetDBEffect()
{
    static DBEffect table;
    return table;
}
