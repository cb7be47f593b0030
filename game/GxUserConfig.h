// The player's options, kept in "userconf.dat" in the save folder. Holds for now what the
// application core writes and reads; the options themselves and their stored form come with the
// game-state subsystem.
#pragma once

#include <cstdint>

class GxCore;

class GxUserConfig
{
public:
    GxUserConfig() { SetDefault(); }
    virtual ~GxUserConfig() = default;

    void SetDefault();
    // Writes "userconf.dat" in the application's save folder.
    bool Save(GxCore* core);
    // The movie volume in hundredths of a decibel. Full volume until the volume options exist.
    int32_t GetMovieVolume() const { return 0; }

    int32_t m_ScreenMode = 0;            // 1 full screen, 0 window
    int32_t m_GameDataPage = 0;          // page of the save and load screens
    int32_t m_LastGameDataFileNum = -1;  // the saved game last written or read
    int32_t m_TextWaitTime = 60;          // ms per revealed character (message speed)
    int32_t m_TextLongWaitTime = 480;     // ms of a "%w" without a number
    bool m_FastShowReadedText = true;     // a message read before shows whole at once
    bool m_ChangeColorReadedText = true;  // a message read before is drawn in the second colour
};
