// The music-room table ("data/db_bgmmode.txt").
// Row r has ID r; rows that no line set are empty.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/GxDBBase.h"

struct DBBGMModeData : GxDBRow
{
    std::u16string Name;                // key of FindRowByName
    std::u16string FileName;            // music file
    uint32_t LoopPosTime = 0;           // loop position in ms of this file's music
    int32_t ButtonIndex = 0;            // the row's music-room button
};

class DBBGMMode : public GxDBTable<DBBGMModeData, 60>
{
public:
    static constexpr int32_t kCellCount = 5;

    DBBGMMode();
    // The first row whose Name equals the text; 0 when none does (as row 0 does).
    virtual int32_t FindRowByName(std::u16string_view name) { return FindRowByNameColumn(name); }
};

// The music-room table.
DBBGMMode& GxGetDBBGMMode();
