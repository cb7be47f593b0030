#include "game/DBEffect.h"

#include "layer/GxNcFactory.h"

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

int32_t EffectRowCapacity() { return GxGetDBEffect().GetRowCapacity(); }

GxNcEffectRow EffectRow(int32_t index)
{
    // Through the const table: a read-only lookup makes no rows.
    const DBEffect& table = GxGetDBEffect();
    const DBEffectData& row = *table.GetRow(index);
    return GxNcEffectRow{row.GNCName, row.MotionGroup, row.Motion, row.Name};
}

}  // namespace

DBEffect::DBEffect() : GxDBTable(kInfo) {}

DBEffect& GxGetDBEffect()
{
    static DBEffect table;
    // The effect pool reads this table from the moment it exists, whoever creates it first.
    static const bool rowsLookedUp = (GxNcSetEffectRowLookup({&EffectRowCapacity, &EffectRow}), true);
    (void)rowsLookedUp;
    return table;
}
