#include "game/DBRukoChar.h"

namespace {

constexpr GxDBColumn kColumns[] = {
    GX_DB_COLUMN(DBRukoCharData, ID, kGxDBTypeS32),
    GX_DB_COLUMN(DBRukoCharData, CharName, kGxDBTypeWStr),
    GX_DB_COLUMN(DBRukoCharData, SubLayerNum, kGxDBTypeS32),
    GX_DB_COLUMN(DBRukoCharData, StandPath, kGxDBTypeWStr),
    GX_DB_COLUMN(DBRukoCharData, NCProjFileName, kGxDBTypeWStr),
    GX_DB_COLUMN(DBRukoCharData, VoicePath, kGxDBTypeWStr),
    GX_DB_COLUMN(DBRukoCharData, VoiceVolumeID, kGxDBTypeS32),
    GX_DB_COLUMN(DBRukoCharData, Comment, kGxDBTypeWStr),
};

constexpr GxDBTableInfo kInfo{u"DBRukoChar", DBRukoChar::kRowCapacity, DBRukoChar::kCellCount, kColumns,
                              static_cast<int32_t>(sizeof(kColumns) / sizeof(kColumns[0]))};

}  // namespace

DBRukoChar::DBRukoChar() : GxDBTable(kInfo) {}

DBRukoChar& GxGetDBRukoChar()
{
    static DBRukoChar table;
    return table;
}
