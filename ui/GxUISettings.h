// What widgets and the message window read of the game's settings ("system/sysconf.ini") and of
// the player's options. GxSystemConfig derives from GxUISettings and GxUserConfig from
// GxUIOptions, so widgets read them without knowing the game; the application object hands out
// the ones in force (GxCore::GetUISettings, GetUIOptions). Defaults, keys and comments are the
// game's: the fields are its own, declared here.
//
// Colours are packed ARGB.
#pragma once

#include <cstdint>
#include <string>

#include "layer/GxLayerSettings.h"

// Indices into GxUISettings::m_AssetFolder.
enum GxAssetFolderIndex : int32_t
{
    kGxFolderScripts = 0,
    kGxFolderCg = 1,
    kGxFolderCgBg = 2,
    kGxFolderCgEv = 3,
    kGxFolderCgName = 4,
    kGxFolderCgStand = 5,
    kGxFolderCgUi = 6,
    kGxFolderCgTr = 7,
    kGxFolderData = 8,
    kGxFolderGnc = 9,
    kGxFolderGncGis = 10,
    kGxFolderUiGis = 11,
    kGxFolderFonts = 12,
    kGxFolderModels = 13,
    kGxFolderModelTextures = 14,
    kGxFolderModelExtras = 15,
    kGxFolderBgms = 16,
    kGxFolderSounds = 17,
    kGxFolderSoundSys = 18,
    kGxFolderSoundSe = 19,
    kGxFolderSoundBgvs = 20,
    kGxFolderVoices = 21,
    kGxFolderVoiceBattle = 22,
    kGxFolderMovies = 23,
    kGxAssetFolderCount = 24,
};

struct GxUISettings : GxLayerSettings
{
    static constexpr int32_t kFontSizeCount = 6;

    // Every field back to its built-in default; the settings object resets all of its own.
    virtual void SetDefault() { *this = GxUISettings(); }

    // Text colours; each key is the field's name in upper case ("SYSTEM_TEXT_COLOR0", ...).
    uint32_t m_SystemTextColor0 = 0xFFFFFFFFu;
    uint32_t m_SystemShadowColor = 0x80000000u;
    uint32_t m_SystemEdgeColor = 0x80000000u;
    uint32_t m_MeswinTextColor0 = 0xFFFFFFFFu;
    uint32_t m_MeswinTextColor1 = 0xFFAAEEFFu;
    uint32_t m_MeswinShadowColor = 0x80000000u;
    uint32_t m_MeswinEdgeColor = 0x80000000u;
    std::u16string m_MeswinTextBuiltinFontName; // "MESWIN_TEXT_BUILTINFONTNAME"; empty: none

    // Characters with a meaning in message and widget text: 1 and 2 open and close an inline
    // section.
    char16_t m_TextControlChar1 = u'\u226A';
    char16_t m_TextControlChar2 = u'\u226B';
    char16_t m_TextControlChar3 = u'\uFF0F';
    char16_t m_TextControlChar4 = u'|';
    // Line-breaking rules: these may not begin a line, those may not end one.
    std::u16string m_LineStartForbidden =
        u"!),.:;?]}°’”‰′″℃、。々〉》」』】〕゛゜ゝゞ・ヽヾ！），．：；？］｝｡｣､･ﾞﾟ";
    std::u16string m_LineEndForbidden = u"‘“〈《「『【〔（［｛｢";

    int32_t m_FontSize[kFontSizeCount] = {11, 15, 23, 24, 22, 38};  // "FONTSIZE_0" .. "FONTSIZE_5"

    std::u16string m_AssetFolder[kGxAssetFolderCount] = {
        u"scripts/", u"cg/",     u"cg/bg/",  u"cg/ev/", u"cg/name/",       u"cg/stand/",
        u"cg/ui/",   u"cg/tr/",  u"data/",   u"gnc/",   u"gnc/gis/",       u"uigis/",
        u"fonts/",   u"models/", u"models/textures/",   u"models/extras/", u"bgms/",
        u"sounds/",  u"sounds/sys/",         u"sounds/se/", u"sounds/bgvs/", u"voices/",
        u"voices/battle/",       u"movies/",
    };
};

struct GxUIOptions
{
    virtual ~GxUIOptions() = default;

    // Every field back to its default; the options object resets all of its own.
    virtual void SetDefault() { *this = GxUIOptions(); }

    int32_t m_TextWaitTime = 60;
    int32_t m_TextLongWaitTime = 480;
    bool m_FastShowReadedText = true;
    bool m_ChangeColorReadedText = true;
};
