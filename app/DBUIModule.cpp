#include "app/DBUIModule.h"

#include "core/GxLog.h"

namespace {

constexpr GxDBColumn kColumns[] = {
    GX_DB_COLUMN(DBUIModuleData, ID, kGxDBTypeS32),
    GX_DB_COLUMN(DBUIModuleData, UIType, kGxDBTypeS32),
    GX_DB_COLUMN(DBUIModuleData, ModuleName, kGxDBTypeWStr),
    GX_DB_COLUMN(DBUIModuleData, ImageSetName, kGxDBTypeWStr),
    GX_DB_COLUMN(DBUIModuleData, ImageName, kGxDBTypeWStr),
    GX_DB_COLUMN(DBUIModuleData, Width, kGxDBTypeS32),
    GX_DB_COLUMN(DBUIModuleData, Height, kGxDBTypeS32),
    GX_DB_COLUMN(DBUIModuleData, ClientLeft, kGxDBTypeS32),
    GX_DB_COLUMN(DBUIModuleData, ClientTop, kGxDBTypeS32),
    GX_DB_COLUMN(DBUIModuleData, ClientWidth, kGxDBTypeS32),
    GX_DB_COLUMN(DBUIModuleData, ClientHeight, kGxDBTypeS32),
    GX_DB_COLUMN(DBUIModuleData, ShapeType, kGxDBTypeS32),
    GX_DB_COLUMN(DBUIModuleData, FontIndex, kGxDBTypeS32),
    GX_DB_COLUMN(DBUIModuleData, AnimeSpeed, kGxDBTypeS32),
};

constexpr GxDBTableInfo kInfo{u"DBUIModule", DBUIModule::kRowCapacity, DBUIModule::kCellCount, kColumns,
                              static_cast<int32_t>(sizeof(kColumns) / sizeof(kColumns[0]))};

}  // namespace

DBUIModule::DBUIModule() : GxDBTable(kInfo) {}

DBUIModule& GxGetDBUIModule()
{
    static DBUIModule table;
    return table;
}

const DBUIModuleData* GxFindUIModuleData(const std::u16string& moduleName)
{
    const DBUIModule& table = GxGetDBUIModule();
    for (int32_t i = 0; i < table.GetRowCapacity(); ++i) {
        const DBUIModuleData* row = table.GetRow(i);
        if (!row->ModuleName.empty() && row->ModuleName == moduleName) return row;
    }
    GxPrintErrorLog(u"UIモジュールデータ[%s]が見つかりません\n", moduleName);
    return nullptr;
}
