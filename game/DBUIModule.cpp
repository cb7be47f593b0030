#include "game/DBUIModule.h"

#include "core/GxLog.h"

void DBUIModule::Clear()
{
    for (int32_t i = 0; i < kRowCapacity; ++i) m_Rows[i] = DBUIModuleData();
}

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
