// The gallery table ("data/db_cgmode.txt"). The game keeps two objects of it, loaded from the same
// file: the gallery table keeps each entry's pictures, the gallery parameter table the parameters
// of each picture. A line has 36 cells: ID, Group, Thumbnail, 32 FileName cells and Count.
// Row r has ID r; rows that no line set are empty.
#pragma once

#include <cstdint>
#include <string>

#include "core/GxDBBase.h"

struct DBCGModeData : GxDBRow
{
    static constexpr int32_t kFileNameCount = 32;

    int32_t Group = 0;
    std::u16string Thumbnail;
    // In the file each cell is "picture|parameter|parameter". The column reports 31 entries and
    // the gallery walks 0..30; the 32nd is read and kept but takes part nowhere.
    std::u16string FileName[kFileNameCount];
    int32_t Count = 0;  // number of pictures; 0 in the file: counted
};

class DBCGMode : public GxDBTable<DBCGModeData, 200>
{
public:
    static constexpr int32_t kCellCount = 36;

    DBCGMode();
    // The gallery parameter table: it reads the gallery's file after the gallery table, which
    // has logged the file's damaged lines, so it does not log them again.
    struct ParameterTable
    {
    };
    explicit DBCGMode(ParameterTable);
};

// The gallery table and the gallery parameter table.
DBCGMode& GxGetDBCGMode();
DBCGMode& GxGetDBCGModeParam();
