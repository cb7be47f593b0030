#include "game/GxUserConfig.h"

void GxUserConfig::SetDefault()
{
    m_ScreenMode = 0;
    m_GameDataPage = 0;
    m_LastGameDataFileNum = -1;
    m_TextWaitTime = 60;
    m_TextLongWaitTime = 480;
    m_FastShowReadedText = true;
    m_ChangeColorReadedText = true;
}

bool GxUserConfig::Save(GxCore* core)
{
    // The stored form comes with the options themselves.
    (void)core;
    return true;
}
