#include "game/DBBGMMode.h"

namespace {

constexpr GxDBColumn kColumns[] = {
    GX_DB_COLUMN(DBBGMModeData, ID, kGxDBTypeS32),
    GX_DB_COLUMN(DBBGMModeData, Name, kGxDBTypeWStr),
    GX_DB_COLUMN(DBBGMModeData, FileName, kGxDBTypeWStr),
    GX_DB_COLUMN(DBBGMModeData, LoopPosTime, kGxDBTypeU32),
    GX_DB_COLUMN(DBBGMModeData, ButtonIndex, kGxDBTypeS32),
};

constexpr GxDBTableInfo kInfo{u"DBBGMMode", DBBGMMode::kRowCapacity, DBBGMMode::kCellCount, kColumns,
                              static_cast<int32_t>(sizeof(kColumns) / sizeof(kColumns[0]))};

}  // namespace

DBBGMMode::DBBGMMode() : GxDBTable(kInfo) {}

DBBGMMode& GxGetDBBGMMode()
{
    static DBBGMMode table;
    return table;
}
