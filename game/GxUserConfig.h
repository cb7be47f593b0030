// The player's options: screen mode, text speeds, the auto-mode wait, message-window opacity,
// read-text and choice behaviour, volumes per kind of sound and per voice group, and the options
// of the battle-map part. Kept in "userconf.dat" in the save folder (binary content stream,
// tag "BCD"). The volume getters turn the stored percentages into the attenuation the sound
// layer takes (hundredths of a decibel, 0 = full volume). The options that widgets and layers
// read are declared with them, in GxUIOptions and GxLayerOptions.
#pragma once

#include <cstdint>
#include <string>

#include "game/GxKeptData.h"
#include "layer/GxLayerSettings.h"
#include "ui/GxUISettings.h"

class GxCore;

// Attenuation of a percentage: (100 - (p / 100) ^ 0.25 x 100, truncated) x -96, in single
// precision. 100 -> 0, 0 -> -9600; p outside 0..100 counts as its nearer end.
int32_t GxVolumeToAttenuation(int32_t percent);

class GxUserConfig : public GxUIOptions, public GxLayerOptions
{
public:
    static constexpr int32_t kVoiceVolumeCount = 32;

    GxUserConfig() { SetDefault(); }
    ~GxUserConfig() override = default;

    // Every option to its default except the save page and the last file number, which keep
    // what they hold (0 and -1 from construction).
    void SetDefault() override;
    // Writes save folder + "userconf.dat"; false (logged with the system's reason) when it
    // cannot be written whole, and then the file on disk is the one from before.
    bool Save(GxCore* core);
    // Save, only when the options differ from what the file was last read or written with and
    // from what the last failed write held.
    GxKeptWrite SaveIfChanged(GxCore* core);
    // Reads save folder + "userconf.dat" (a loose file only). False when it is missing, empty or
    // of another kind, with nothing changed. A value that is missing or of another type is
    // reported and reading goes on. Volumes are brought into 0..100 and the opacity into 0..255.
    bool Load(GxCore* core);

    // Music, with the restrain level (g_GxBgmRestrainPercent) blending it towards the restrained
    // share.
    int32_t GetBGMVolume() const;
    // -9600 when mute.
    int32_t GetBGVVolume(bool mute) const;
    // Sound effects and system sounds.
    int32_t GetSoundVolume() const;
    int32_t GetMovieVolume() const override;
    // The volume group of the character's row of the character table; -9600 for a character
    // outside 0..79 or a group outside 0..31.
    int32_t GetVoiceVolume(int32_t charID) const;

    int32_t m_ScreenMode = 0;  // 0 window, 1 full screen
    int32_t m_AutoWaitTime = 3000;
    int32_t m_TextWindowOpacity = 255;
    bool m_AllowSkipUnreadText = false;
    bool m_ChangeColorSelectedMenu = true;
    bool m_KeepAutoModeAfterSelect = false;
    bool m_KeepSkipModeAfterSelect = false;
    bool m_StopScreenSaver = true;
    bool m_VoiceStopTiming = false;
    bool m_WaitVoiceEndOnAutoMode = true;
    int32_t m_GameDataPage = 0;          // page of the save and load screens
    int32_t m_LastGameDataFileNum = -1;  // the saved game last written or read; -1 none
    int32_t m_Volume_Master = 100;
    int32_t m_Volume_BGM = 80;
    int32_t m_Volume_BGV = 100;
    int32_t m_Volume_System = 100;  // kept and stored; no volume uses it
    int32_t m_Volume_Sound = 100;
    int32_t m_Volume_Movie = 100;
    int32_t m_Volume_RestrainBGM = 100;
    int32_t m_Volume_VoiceMaster = 100;
    int32_t m_Volume_Voice[kVoiceVolumeCount];
    bool m_Game_SkipBattleEffect = false;
    bool m_Game_SkipSpecialAttackEffect = false;
    bool m_Game_SkipBattleVoice = false;
    int32_t m_Game_MapScrollSpeed_ScreenEdge = 50;
    int32_t m_Game_MapScrollSpeed_CursorKey = 50;

private:
    void Clamp();
    bool Serialize(std::string& out);
    bool WriteBytes(GxCore* core, const std::string& bytes);

    std::u16string m_FilePath;
    std::string m_FileBytes;    // what the file holds as far as this object knows; empty: unknown
    std::string m_FailedBytes;  // what the last write that failed held
};
