#include "game/DBRukoChar.h"

#include "core/GxLog.h"

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

bool DBRukoChar::Load(const std::u16string& path)
{
    const bool loaded = GxDBBase::Load(path);
    // Rows of earlier files were cut when they were loaded: what is still too large is this file's.
    for (int32_t id = 0; id < GetRowsMade(); ++id) {
        DBRukoCharData& row = *GetRow(id);
        if (row.SubLayerNum <= kMaxSubLayers) continue;
        GxPrintErrorLog(u"DBRukoChar/SubLayerNum out of range[%s/%d/%d]\n", path, id, row.SubLayerNum);
        row.SubLayerNum = kMaxSubLayers;
    }
    return loaded;
}

DBRukoChar& GxGetDBRukoChar()
{
    static DBRukoChar table;
    return table;
}
