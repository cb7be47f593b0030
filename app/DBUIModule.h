// The UI module table ("data/db_uimodule.txt", then "data/db_uimodule_bmap.txt"): one row per
// widget kind and look (the class by UIType, sizes, client rectangle, shape, pictures, font,
// animation speed). Row r has ID r; rows that no line set are empty.
#pragma once

#include <cstdint>
#include <string>

#include "core/GxDBBase.h"

struct DBUIModuleData : GxDBRow
{
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

class DBUIModule : public GxDBTable<DBUIModuleData, 256>
{
public:
    static constexpr int32_t kCellCount = 14;

    DBUIModule();
};

// The program's UI module table.
DBUIModule& GxGetDBUIModule();

// The first row whose ModuleName is not empty and equals the name; null after logging
// "UIモジュールデータ[%s]が見つかりません\n".
const DBUIModuleData* GxFindUIModuleData(const std::u16string& moduleName);
