#include "game/DBRPMode.h"

namespace {

constexpr GxDBColumn kColumns[] = {
    GX_DB_COLUMN(DBRPModeData, ID, kGxDBTypeS32),
    GX_DB_COLUMN(DBRPModeData, Group, kGxDBTypeS32),
    GX_DB_COLUMN(DBRPModeData, Thumbnail, kGxDBTypeWStr),
    GX_DB_COLUMN(DBRPModeData, Label, kGxDBTypeWStr),
    GX_DB_COLUMN(DBRPModeData, Help, kGxDBTypeWStr),
};

constexpr GxDBTableInfo kInfo{u"DBRPMode", DBRPMode::kRowCapacity, DBRPMode::kCellCount, kColumns,
                              static_cast<int32_t>(sizeof(kColumns) / sizeof(kColumns[0]))};

}  // namespace

DBRPMode::DBRPMode() : GxDBTable(kInfo) {}

DBRPMode& GxGetDBRPMode()
{
    static DBRPMode table;
    return table;
}
