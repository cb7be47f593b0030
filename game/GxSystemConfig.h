// The settings a game ships with: "system/sysconf.ini" (required) and the developer switches of
// "setting.ini" (optional). Created by the application core with built-in defaults, filled by the
// two readers, read-only afterwards.
//
// Holds for now what the application core reads; the other settings of the game come with the
// game-state subsystem.
#pragma once

#include <cstdint>
#include <string>

class GxSystemConfig
{
public:
    GxSystemConfig() { SetDefault(); }
    virtual ~GxSystemConfig() = default;

    void SetDefault();
    // Reads "system/sysconf.ini" through the file layer (packs included) and mounts the packs
    // named by PACK_FILE_00 .. PACK_FILE_31. False when the file cannot be read.
    bool LoadSysConf();
    // Reads "setting.ini" when it exists; false (nothing changed) when it does not or cannot be read.
    bool LoadSetting();

    bool m_DebugModeFlag = false;
    bool m_DebugConsoleFlag = false;
    bool m_SaveToMyDocuments = true;
    bool m_SkipSlightError = true;
    bool m_CleanErrorLog = false;
    std::u16string m_AppTitle;
    std::u16string m_AppSaveDir;
    int32_t m_FontSize[6] = {11, 15, 23, 24, 22, 38};  // "FONTSIZE_0" .. "FONTSIZE_5"
    std::u16string m_MeswinTextBuiltinFontName;       // empty: no message-window bitmap font
    std::u16string m_FontFolder = u"fonts/";
    std::u16string m_UIImageSetFolder = u"uigis/";     // UI image sets (".gis") of the widgets
    std::u16string m_FileCgError = u"cg/error.png";  // "FILE_CG_ERROR": shown for a missing picture
};
