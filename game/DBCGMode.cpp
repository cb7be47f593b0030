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

// A line lists the entry's pictures and may end after any of them: the count left off reads
// as 0, which has the pictures counted. Only a line without a picture is short.
constexpr int32_t kCellsThroughFirstPicture = 4;
constexpr GxDBTableInfo kInfo{u"DBCGMode", DBCGMode::kRowCapacity, DBCGMode::kCellCount, kColumns,
                              static_cast<int32_t>(sizeof(kColumns) / sizeof(kColumns[0])), kCellsThroughFirstPicture};
// The parameter table reads the same file after the gallery table has told what is damaged.
constexpr GxDBTableInfo kParamInfo{u"DBCGMode", DBCGMode::kRowCapacity, DBCGMode::kCellCount, kColumns,
                                   static_cast<int32_t>(sizeof(kColumns) / sizeof(kColumns[0])), kCellsThroughFirstPicture,
                                   false};

}  // namespace

DBCGMode::DBCGMode() : GxDBTable(kInfo) {}
DBCGMode::DBCGMode(ParameterTable) : GxDBTable(kParamInfo) {}

DBCGMode& GxGetDBCGMode()
{
    static DBCGMode table;
    return table;
}

DBCGMode& GxGetDBCGModeParam()
{
    static DBCGMode table{DBCGMode::ParameterTable{}};
    return table;
}
