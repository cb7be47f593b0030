#include "app/DBUILayout.h"

#include "core/GxLog.h"

namespace {

constexpr GxDBColumn kColumns[] = {
    GX_DB_COLUMN(DBUILayoutData, ID, kGxDBTypeS32),
    GX_DB_COLUMN(DBUILayoutData, ParentName, kGxDBTypeWStr),
    GX_DB_COLUMN(DBUILayoutData, ParentIndex, kGxDBTypeS32),
    GX_DB_COLUMN(DBUILayoutData, ModuleName, kGxDBTypeWStr),
    GX_DB_COLUMN(DBUILayoutData, TaskName, kGxDBTypeWStr),
    GX_DB_COLUMN(DBUILayoutData, TaskIndex, kGxDBTypeS32),
    GX_DB_COLUMN(DBUILayoutData, Create, kGxDBTypeS32),
    GX_DB_COLUMN(DBUILayoutData, Visible, kGxDBTypeS32),
    GX_DB_COLUMN(DBUILayoutData, Enabled, kGxDBTypeS32),
    GX_DB_COLUMN(DBUILayoutData, Left, kGxDBTypeF32),
    GX_DB_COLUMN(DBUILayoutData, Top, kGxDBTypeF32),
    GX_DB_COLUMN(DBUILayoutData, OrderZ, kGxDBTypeF32),
    GX_DB_COLUMN(DBUILayoutData, GroupID, kGxDBTypeS32),
    GX_DB_COLUMN(DBUILayoutData, Text, kGxDBTypeWStr),
    GX_DB_COLUMN(DBUILayoutData, Label, kGxDBTypeWStr),
    GX_DB_COLUMN(DBUILayoutData, Value, kGxDBTypeS32),
    GX_DB_COLUMN(DBUILayoutData, Min, kGxDBTypeS32),
    GX_DB_COLUMN(DBUILayoutData, Max, kGxDBTypeS32),
    GX_DB_COLUMN(DBUILayoutData, AutoHelpTime, kGxDBTypeS32),
    GX_DB_COLUMN(DBUILayoutData, Descript, kGxDBTypeWStr),
};

constexpr GxDBTableInfo kInfo{u"DBUILayout", DBUILayout::kRowCapacity, DBUILayout::kCellCount, kColumns,
                              static_cast<int32_t>(sizeof(kColumns) / sizeof(kColumns[0]))};

}  // namespace

DBUILayout::DBUILayout() : GxDBTable(kInfo) {}

DBUILayout& GxGetDBUILayout()
{
    static DBUILayout table;
    return table;
}

const DBUILayoutData* GxFindUILayoutData(const std::u16string& taskName)
{
    const DBUILayout& table = GxGetDBUILayout();
    for (int32_t i = 0; i < table.GetRowCapacity(); ++i) {
        const DBUILayoutData* row = table.GetRow(i);
        if (!row->TaskName.empty() && row->TaskName == taskName) return row;
    }
    GxPrintErrorLog(u"UIレイアウトデータ[%s]が見つかりません\n", taskName);
    return nullptr;
}
