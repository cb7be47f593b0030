#include "game/GxSystemConfig.h"

#include <algorithm>

#include "core/GxFile.h"
#include "core/GxFormat.h"
#include "core/GxINIFile.h"
#include "core/GxLog.h"
#include "core/GxPackFile.h"
#include "graphics/GxGDIFontMap.h"

namespace {

// A glyph of each size is drawn into one cell of a glyph atlas page, which must hold it.
constexpr int32_t kMaxFontSize = static_cast<int32_t>(GX_GDIFONTMAP_PAGE_SIZE) - 1;

// Colours may be written in hexadecimal or decimal; only the low 32 bits are a colour.
uint32_t ReadColor(const GxINIFile& ini, std::u16string_view key, uint32_t current)
{
    return static_cast<uint32_t>(ini.GetInt64(key, current));
}

}  // namespace

bool GxSystemConfig::LoadSysConf()
{
    GxINIFile ini;
    if (!ini.Load(u"system/sysconf.ini", false)) return false;

    m_AppTitle = ini.GetString(u"APP_TITLE", m_AppTitle);
    m_AppSaveDir = ini.GetString(u"APP_SAVEDIR", m_AppSaveDir);
    for (int32_t i = 0; i < kFontSizeCount; ++i) {
        const int32_t size = ini.GetInt(GxFormatString(u"FONTSIZE_%d", i), m_FontSize[i]);
        m_FontSize[i] = std::clamp(size, 1, kMaxFontSize);
        if (size != m_FontSize[i]) {
            GxPrintErrorLog(u"GxSystemConfig::LoadSysConf FONTSIZE_%d out of range[%d]\n", i, size);
        }
    }

    m_SystemTextColor0 = ReadColor(ini, u"SYSTEM_TEXT_COLOR0", m_SystemTextColor0);
    m_SystemTextColor1 = ReadColor(ini, u"SYSTEM_TEXT_COLOR1", m_SystemTextColor1);
    m_SystemShadowColor = ReadColor(ini, u"SYSTEM_SHADOW_COLOR", m_SystemShadowColor);
    m_SystemEdgeColor = ReadColor(ini, u"SYSTEM_EDGE_COLOR", m_SystemEdgeColor);
    m_MeswinTextColor0 = ReadColor(ini, u"MESWIN_TEXT_COLOR0", m_MeswinTextColor0);
    m_MeswinTextColor1 = ReadColor(ini, u"MESWIN_TEXT_COLOR1", m_MeswinTextColor1);
    m_MeswinShadowColor = ReadColor(ini, u"MESWIN_SHADOW_COLOR", m_MeswinShadowColor);
    m_MeswinEdgeColor = ReadColor(ini, u"MESWIN_EDGE_COLOR", m_MeswinEdgeColor);
    m_MeswinLetterMarginWidth = ini.GetInt(u"MESWIN_LETTER_MARGINWIDTH", m_MeswinLetterMarginWidth);
    m_MeswinTextBuiltinFontName = ini.GetString(u"MESWIN_TEXT_BUILTINFONTNAME", m_MeswinTextBuiltinFontName);
    m_RukologTextColor0 = ReadColor(ini, u"RUKOLOG_TEXT_COLOR0", m_RukologTextColor0);
    m_RukologTextColor1 = ReadColor(ini, u"RUKOLOG_TEXT_COLOR1", m_RukologTextColor1);
    m_RukologEdgeColor = ReadColor(ini, u"RUKOLOG_EDGE_COLOR", m_RukologEdgeColor);
    m_SelectTextColor0 = ReadColor(ini, u"SELECT_TEXT_COLOR0", m_SelectTextColor0);
    m_SelectTextColor1 = ReadColor(ini, u"SELECT_TEXT_COLOR1", m_SelectTextColor1);
    m_SelectEdgeColor = ReadColor(ini, u"SELECT_EDGE_COLORNA", m_SelectEdgeColor);

    // The extra screens' music and labels default to nothing, not to what was there before.
    m_BgmNameTitle = ini.GetString(u"BGM_NAME_TITLE", u"");
    m_BgmLoopTitle = ini.GetInt(u"BGM_LOOP_TITLE", 0);
    m_BgmNameCgMode = ini.GetString(u"BGM_NAME_CGMODE", u"");
    m_BgmLoopCgMode = ini.GetInt(u"BGM_LOOP_CGMODE", 0);
    m_BgmNameRpMode = ini.GetString(u"BGM_NAME_RPMODE", u"");
    m_BgmLoopRpMode = ini.GetInt(u"BGM_LOOP_RPMODE", 0);
    m_BgmNameExtra = ini.GetString(u"BGM_NAME_EXTRA", u"");
    m_BgmLoopExtra = ini.GetInt(u"BGM_LOOP_EXTRA", 0);
    m_MovNameOpening = ini.GetString(u"MOV_NAME_OPENING", u"");
    m_LabelNameExtra = ini.GetString(u"LABEL_NAME_EXTRA", u"");

    m_FileCgError = ini.GetString(u"FILE_CG_ERROR", m_FileCgError);
    m_FileCgBgDefault = ini.GetString(u"FILE_CG_BG_DEFAULT", m_FileCgBgDefault);
    m_SaveToMyDocuments = ini.GetBool(u"SAVE_TO_MYDOCUMENTS", m_SaveToMyDocuments);

    // Every key is looked at: a gap in the numbering does not end the list.
    for (int32_t i = 0; i < kPackKeyCount; ++i) {
        std::u16string pack = ini.GetString(GxFormatString(u"PACK_FILE_%02d", i), u"");
        if (!pack.empty() && !GxFileOpenPack(pack)) {
            GxPrintErrorLog(u"GxSystemConfig::LoadSysConf パックファイルを開けません[%s]\n", pack);
        }
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
    m_AutoCompile = ini.GetBool(u"AutoCompile", false);
    m_SaveToMyDocuments = ini.GetBool(u"SaveToMyDocuments", m_SaveToMyDocuments);
    m_TextEditorCommand = ini.GetString(u"TextEditorCommand", u"");
    m_SkipSlightError = ini.GetBool(u"SkipSlightError", true);
    m_CleanErrorLog = ini.GetBool(u"CleanErrorLog", false);
    m_DisableMovie = ini.GetBool(u"DisableMovie", false);
    m_ErrorStopNotFound_BGM = ini.GetBool(u"ErrorStopNotFound_BGM", false);
    m_ErrorStopNotFound_BGV = ini.GetBool(u"ErrorStopNotFound_BGV", false);
    m_ErrorStopNotFound_SE = ini.GetBool(u"ErrorStopNotFound_SE", false);
    m_ErrorStopNotFound_VO = ini.GetBool(u"ErrorStopNotFound_VO", false);
    m_ErrorStopNotFound_BG = ini.GetBool(u"ErrorStopNotFound_BG", false);
    m_ErrorStopNotFound_EV = ini.GetBool(u"ErrorStopNotFound_EV", false);
    return true;
}
