#include "game/GxSystemConfig.h"

#include "core/GxFile.h"
#include "core/GxFormat.h"
#include "core/GxINIFile.h"
#include "core/GxPackFile.h"

void GxSystemConfig::SetDefault()
{
    m_DebugModeFlag = false;
    m_DebugConsoleFlag = false;
    m_SaveToMyDocuments = true;
    m_SkipSlightError = true;
    m_CleanErrorLog = false;
    m_AppTitle = u"MorvaneV2";
    m_AppSaveDir = u"MorvaneV2_SAVE";
    m_FileCgError = u"cg/error.png";
}

bool GxSystemConfig::LoadSysConf()
{
    GxINIFile ini;
    if (!ini.Load(u"system/sysconf.ini", false)) return false;
    m_AppTitle = ini.GetString(u"APP_TITLE", m_AppTitle);
    m_AppSaveDir = ini.GetString(u"APP_SAVEDIR", m_AppSaveDir);
    m_SaveToMyDocuments = ini.GetBool(u"SAVE_TO_MYDOCUMENTS", m_SaveToMyDocuments);
    for (int i = 0; i < 6; ++i) m_FontSize[i] = ini.GetInt(GxFormatString(u"FONTSIZE_%d", i), m_FontSize[i]);
    m_MeswinTextBuiltinFontName = ini.GetString(u"MESWIN_TEXT_BUILTINFONTNAME", m_MeswinTextBuiltinFontName);
    m_FileCgError = ini.GetString(u"FILE_CG_ERROR", m_FileCgError);
    for (int i = 0; i < 32; ++i) {
        std::u16string pack = ini.GetString(GxFormatString(u"PACK_FILE_%02d", i), u"");
        if (!pack.empty()) GxFileOpenPack(pack);
    }
    return true;
}

bool GxSystemConfig::LoadSetting()
{
    if (!GxFileExists(u"setting.ini")) return false;
    GxINIFile ini;
    if (!ini.Load(u"setting.ini", false)) return false;
    m_DebugModeFlag = ini.GetBool(u"DebugModeFlag", false);
    m_DebugConsoleFlag = ini.GetBool(u"DebugConsoleFlag", false);
    m_SaveToMyDocuments = ini.GetBool(u"SaveToMyDocuments", m_SaveToMyDocuments);
    m_SkipSlightError = ini.GetBool(u"SkipSlightError", true);
    m_CleanErrorLog = ini.GetBool(u"CleanErrorLog", false);
    return true;
}
