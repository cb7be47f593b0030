// The scene replay table ("data/db_rpmode.txt").
// Row r has ID r; rows that no line set are empty.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/GxDBBase.h"

struct DBRPModeData : GxDBRow
{
    int32_t Group = 0;
    std::u16string Thumbnail;
    std::u16string Label;               // script label at which the scene starts
    std::u16string Help;
};

class DBRPMode : public GxDBTable<DBRPModeData, 200>
{
public:
    static constexpr int32_t kCellCount = 5;

    DBRPMode();
};

// The replay table.
DBRPMode& GxGetDBRPMode();
