#include "game/GxUserConfig.h"

void GxUserConfig::SetDefault()
{
    m_ScreenMode = 0;
    m_GameDataPage = 0;
    m_LastGameDataFileNum = -1;
}

bool GxUserConfig::Save(GxCore* core)
{
    // The stored form comes with the options themselves.
    (void)core;
    return true;
}
