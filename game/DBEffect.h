// The screen-effect table ("data/db_effect.txt"), loaded into the effect pool.
// Row r has ID r; rows that no line set are empty.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/GxDBBase.h"

struct DBEffectData : GxDBRow
{
    std::u16string GNCName;             // motion project file
    std::u16string MotionGroup;
    std::u16string Motion;
    std::u16string Name;                // the script's name of the effect: key of FindRowByName
    std::u16string Descript;
};

class DBEffect : public GxDBTable<DBEffectData, 80>
{
public:
    static constexpr int32_t kCellCount = 6;

    DBEffect();
    // The first row whose Name equals the text; 0 when none does (as row 0 does).
    virtual int32_t FindRowByName(std::u16string_view name) { return FindRowByNameColumn(name); }
};

// The effect table.
DBEffect& GxGetDBEffect();
