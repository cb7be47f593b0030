// The UI module table: one row per widget kind and look (the class by UIType, sizes, client
// rectangle, shape, pictures, font, animation speed). Row r has ID r; rows that no data line set
// are empty.
//
// For now the table is filled in memory (tests, tools); loading it from "data/" comes with the
// game data tables.
#pragma once

#include <cstdint>
#include <string>

struct DBUIModuleData
{
    int32_t ID = 0;
    int32_t UIType = 0;  // the widget class (GxUIModuleType)
    std::u16string ModuleName;
    std::u16string ImageSetName;
    std::u16string ImageName;
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t ClientLeft = 0;
    int32_t ClientTop = 0;
    int32_t ClientWidth = 0;
    int32_t ClientHeight = 0;
    int32_t ShapeType = 0;
    int32_t FontIndex = 0;
    int32_t AnimeSpeed = 0;
};

class DBUIModule
{
public:
    static constexpr int32_t kRowCapacity = 256;

    int32_t GetRowCapacity() const { return kRowCapacity; }
    // index in 0 .. capacity - 1.
    DBUIModuleData* GetRow(int32_t index) { return &m_Rows[index]; }
    const DBUIModuleData* GetRow(int32_t index) const { return &m_Rows[index]; }
    // Every row back to empty.
    void Clear();

private:
    DBUIModuleData m_Rows[kRowCapacity];
};

// The program's UI module table.
DBUIModule& GxGetDBUIModule();

// The first row whose ModuleName is not empty and equals the name; null after logging
// "UIモジュールデータ[%s]が見つかりません\n".
const DBUIModuleData* GxFindUIModuleData(const std::u16string& moduleName);
