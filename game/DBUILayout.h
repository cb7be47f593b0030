// The UI layout table: one row per widget instance on a screen (its folder, module, names,
// place, flags, value range and texts). Row r has ID r; rows that no data line set are empty.
//
// For now the table is filled in memory (tests, tools); loading it from "data/" comes with the
// game data tables.
#pragma once

#include <cstdint>
#include <string>

struct DBUILayoutData
{
    int32_t ID = 0;
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

class DBUILayout
{
public:
    static constexpr int32_t kRowCapacity = 512;

    int32_t GetRowCapacity() const { return kRowCapacity; }
    // index in 0 .. capacity - 1.
    DBUILayoutData* GetRow(int32_t index) { return &m_Rows[index]; }
    const DBUILayoutData* GetRow(int32_t index) const { return &m_Rows[index]; }
    // Every row back to empty.
    void Clear();

private:
    DBUILayoutData m_Rows[kRowCapacity];
};

// The program's UI layout table.
DBUILayout& GxGetDBUILayout();
