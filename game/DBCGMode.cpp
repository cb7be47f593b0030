#include "game/DBCGMode.h"

namespace {

constexpr GxDBColumn kColumns[] = {
    GX_DB_COLUMN(DBCGModeData, ID, kGxDBTypeS32),
    GX_DB_COLUMN(DBCGModeData, Group, kGxDBTypeS32),
    GX_DB_COLUMN(DBCGModeData, Thumbnail, kGxDBTypeWStr),
    GxDBColumn{u"FileName", kGxDBTypeWStr, DBCGModeData::kFileNameCount, DBCGModeData::kFileNameCount - 1,
               [](GxDBRow& r) -> void* { return static_cast<DBCGModeData&>(r).FileName; }},
    GX_DB_COLUMN(DBCGModeData, Count, kGxDBTypeS32),
};

constexpr GxDBTableInfo kInfo{u"DBCGMode", DBCGMode::kRowCapacity, DBCGMode::kCellCount, kColumns,
                              static_cast<int32_t>(sizeof(kColumns) / sizeof(kColumns[0]))};

}  // namespace

DBCGMode::DBCGMode() : GxDBTable(kInfo) {}

DBCGMode& GxGetDBCGMode()
{
    static DBCGMode table;
    return table;
}

DBCGMode& GxGetDBCGModeParam()
{
    static DBCGMode table;
    return table;
}
