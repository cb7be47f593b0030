#include "game/DBEffect.h"

namespace {

constexpr GxDBColumn kColumns[] = {
    GX_DB_COLUMN(DBEffectData, ID, kGxDBTypeS32),
    GX_DB_COLUMN(DBEffectData, GNCName, kGxDBTypeWStr),
    GX_DB_COLUMN(DBEffectData, MotionGroup, kGxDBTypeWStr),
    GX_DB_COLUMN(DBEffectData, Motion, kGxDBTypeWStr),
    GX_DB_COLUMN(DBEffectData, Name, kGxDBTypeWStr),
    GX_DB_COLUMN(DBEffectData, Descript, kGxDBTypeWStr),
};

constexpr GxDBTableInfo kInfo{u"DBEffect", DBEffect::kRowCapacity, DBEffect::kCellCount, kColumns,
                              static_cast<int32_t>(sizeof(kColumns) / sizeof(kColumns[0]))};

}  // namespace

DBEffect::DBEffect() : GxDBTable(kInfo) {}

DBEffect& GxGetDBEffect()
{
    static DBEffect table;
    return table;
}
