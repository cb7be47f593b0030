// What layers read of the game's settings and of the player's options. The game's settings
// (GxSystemConfig, through GxUISettings) and options (GxUserConfig) derive from these, so layers
// read them without knowing the game; the application object hands out the ones in force
// (GxCore::GetLayerSettings, GetLayerOptions).
#pragma once

#include <cstdint>
#include <string>

struct GxLayerSettings
{
    virtual ~GxLayerSettings() = default;

    std::u16string m_FileCgError = u"cg/error.png";      // "FILE_CG_ERROR": shown for a missing picture
};

class GxLayerOptions
{
public:
    virtual ~GxLayerOptions() = default;

    // The movies' attenuation in hundredths of a decibel (0 = full volume).
    virtual int32_t GetMovieVolume() const = 0;
};
