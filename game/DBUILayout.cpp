#include "game/DBUILayout.h"

void DBUILayout::Clear()
{
    for (int32_t i = 0; i < kRowCapacity; ++i) m_Rows[i] = DBUILayoutData();
}

DBUILayout& GxGetDBUILayout()
{
    static DBUILayout table;
    return table;
}
