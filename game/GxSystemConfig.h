// The settings a game ships with: "system/sysconf.ini" (required) and the developer switches of
// "setting.ini" (optional). Created by the application core with built-in defaults, filled by the
// two readers, read-only afterwards; never written back.
//
// Colours are packed ARGB. Fields whose comment names no key are not read from any file. The
// fields that widgets and layers read are declared with them, in GxUISettings and GxLayerSettings.
#pragma once

#include <cstdint>
#include <string>

#include "ui/GxUISettings.h"

class GxSystemConfig : public GxUISettings
{
public:
    static constexpr int32_t kSystemSoundCount = 10;
    static constexpr int32_t kPackKeyCount = 32;

    // The fields' initialisers below are the built-in defaults.
    GxSystemConfig() = default;
    ~GxSystemConfig() override = default;

    // Every field back to its built-in default.
    void SetDefault() override { *this = GxSystemConfig(); }
    // Reads "system/sysconf.ini" through the file layer (packs included) and mounts the packs
    // named by PACK_FILE_00 .. PACK_FILE_31. False when the file cannot be read.
    bool LoadSysConf();
    // Reads "setting.ini" when it exists; false (nothing changed) when it does not or cannot be read.
    bool LoadSetting();

    // Developer switches ("setting.ini").
    bool m_DebugModeFlag = false;       // "DebugModeFlag"
    bool m_DebugConsoleFlag = false;    // "DebugConsoleFlag"
    bool m_AutoCompile = false;         // "AutoCompile"
    bool m_SaveToMyDocuments = true;    // "SAVE_TO_MYDOCUMENTS" (sysconf), then "SaveToMyDocuments"
    std::u16string m_TextEditorCommand; // "TextEditorCommand"
    bool m_SkipSlightError = true;      // "SkipSlightError"
    bool m_CleanErrorLog = false;       // "CleanErrorLog"
    bool m_DisableMovie = false;        // "DisableMovie"
    bool m_ErrorStopNotFound_BGM = false;
    bool m_ErrorStopNotFound_BGV = false;
    bool m_ErrorStopNotFound_SE = false;
    bool m_ErrorStopNotFound_VO = false;
    bool m_ErrorStopNotFound_BG = false;
    bool m_ErrorStopNotFound_EV = false;

    // Text colours besides those of GxUISettings; each key is the field's name in upper case
    // ("SYSTEM_TEXT_COLOR1", ...), but the choice edge colour's key is "SELECT_EDGE_COLORNA".
    uint32_t m_SystemTextColor1 = 0xFFAAEEFFu;
    int32_t m_MeswinLetterMarginWidth = 4;      // "MESWIN_LETTER_MARGINWIDTH", pixels
    uint32_t m_RukologTextColor0 = 0xFFFFFFFFu;
    uint32_t m_RukologTextColor1 = 0x80000000u;
    uint32_t m_RukologEdgeColor = 0x80000000u;
    uint32_t m_SelectTextColor0 = 0xFFFFFFFFu;
    uint32_t m_SelectTextColor1 = 0xFFAAEEFFu;
    uint32_t m_SelectEdgeColor = 0xFF808080u;   // "SELECT_EDGE_COLORNA"

    uint32_t m_TransitionFillColor = 0xFF000000u;
    int32_t m_StandTransitionTime = 800;  // ms
    int32_t m_BgTransitionTime = 1000;    // ms
    int32_t m_SeqTransitionTime = 400;    // ms

    // A message line splits into speaker name and text at the first of these.
    std::u16string m_NameSeparators = u"「（";

    int32_t m_SelectButtonCount = 10;
    int32_t m_BackLogCapacity = 100;
    int32_t m_BackLogPerPage = 5;

    // Played by index; 6..9 are free.
    std::u16string m_SystemSoundFile[kSystemSoundCount] = {
        u"sounds/sys/push.wav", u"sounds/sys/cancel.wav", u"sounds/sys/open.wav",
        u"sounds/sys/close.wav", u"sounds/sys/drop.wav",  u"sounds/sys/decide.wav",
    };

    std::u16string m_AppTitle = u"MorvaneV2";        // "APP_TITLE"
    std::u16string m_AppSaveDir = u"MorvaneV2_SAVE"; // "APP_SAVEDIR"
    std::u16string m_QuickSaveFileName = u"gamedata_quick.gd";
    std::u16string m_BgmNameTitle;       // "BGM_NAME_TITLE"
    int32_t m_BgmLoopTitle = 0;          // "BGM_LOOP_TITLE", ms
    std::u16string m_BgmNameCgMode;      // "BGM_NAME_CGMODE"
    int32_t m_BgmLoopCgMode = 0;         // "BGM_LOOP_CGMODE"
    std::u16string m_BgmNameRpMode;      // "BGM_NAME_RPMODE"
    int32_t m_BgmLoopRpMode = 0;         // "BGM_LOOP_RPMODE"
    std::u16string m_BgmNameExtra;       // "BGM_NAME_EXTRA"
    int32_t m_BgmLoopExtra = 0;          // "BGM_LOOP_EXTRA"
    std::u16string m_MovNameOpening;     // "MOV_NAME_OPENING"
    std::u16string m_LabelNameExtra;     // "LABEL_NAME_EXTRA"
    std::u16string m_FileCgBgDefault = u"cg/bg/黒.png";  // "FILE_CG_BG_DEFAULT"
};
