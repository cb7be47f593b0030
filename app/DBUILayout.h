// The UI layout table ("data/db_uilayout.txt", then "data/db_uilayout_bmap.txt"): one row per
// widget instance on a screen (its folder, module, names, place, flags, value range and texts).
// Row r has ID r; rows that no line set are empty.
#pragma once

#include <cstdint>
#include <string>

#include "core/GxDBBase.h"

struct DBUILayoutData : GxDBRow
{
    std::u16string ParentName;  // TaskName of the folder the widget is created under
    int32_t ParentIndex = 0;
    std::u16string ModuleName;  // the UI module row of the widget
    std::u16string TaskName;    // TaskName (TaskIndex -1) or local name of the widget
    int32_t TaskIndex = 0;
    int32_t Create = 0;         // 0: the screen builder skips the row
    int32_t Visible = 0;
    int32_t Enabled = 0;
    float Left = 0.0f;
    float Top = 0.0f;
    float OrderZ = 0.0f;
    int32_t GroupID = 0;
    std::u16string Text;
    std::u16string Label;
    int32_t Value = 0;
    int32_t Min = 0;
    int32_t Max = 0;
    int32_t AutoHelpTime = 0;
    std::u16string Descript;
};

class DBUILayout : public GxDBTable<DBUILayoutData, 512>
{
public:
    static constexpr int32_t kCellCount = 20;

    DBUILayout();
};

// The program's UI layout table.
DBUILayout& GxGetDBUILayout();
// The first row whose TaskName is not empty and equals the name; null after logging
// "UIレイアウトデータ[%s]が見つかりません\n".
const DBUILayoutData* GxFindUILayoutData(const std::u16string& taskName);
