// The sound layer as the engine and the game address it: 32 stream channels by number, the
// music pair with its cross-fade, fire-and-forget sounds, and the start-up, per-frame update
// and shutdown the application core drives.
//
// The operations go to a replaceable implementation (GxSoundBackend). The built-in one is the
// sound manager over the software mixer: 16 static players (stopped and updated, never played
// by the game), 32 stream players (channel = index), at most 16 fire-and-forget players and the
// decoded-sound cache, under one recursive sound lock taken before the cache's own lock. Before
// Create, and after a Create that found no sound output, every play is refused. Tests may
// install a recording fake instead; the mixer is then still opened for the movies' sound.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/GxWindowServices.h"

// The channel numbers the game uses.
enum GxSoundChannel : uint32_t
{
    kGxSoundChannelBGM0 = 0,
    kGxSoundChannelBGM1 = 1,
    kGxSoundChannelBGV = 2,
    kGxSoundChannelSE = 4,     // + SE index 0..3
    kGxSoundChannelVoice = 8,  // + voice index 0..3
    kGxSoundChannelCount = 32,
};

// Loop counts: -1 forever, 0 once, n: n more times from the loop position. Times are
// milliseconds, volumes hundredths of a decibel (0 full, -6400 the silence fades start from).
class GxSoundBackend
{
public:
    virtual ~GxSoundBackend() = default;

    virtual bool Create(GxWindowHandle window, int32_t flags) = 0;
    virtual void Release() = 0;
    virtual bool Update() = 0;
    virtual bool PlayOneShot(uint32_t* serial, std::u16string_view fileName, int32_t loopCount, uint32_t startPos,
                             uint32_t fadeInTime, int32_t volume, int32_t pan) = 0;
    virtual bool StopAllOneShot() = 0;
    // Channels are below kGxSoundChannelCount; the façade refuses others.
    virtual bool PlayStreamFromFile(uint32_t channel, std::u16string_view fileName, int32_t loopCount,
                                    uint32_t startPos, uint32_t fadeInTime, int32_t volume, int32_t pan,
                                    uint32_t loopPos) = 0;
    virtual bool StopStream(uint32_t channel) = 0;
    virtual bool FadeOutStream(uint32_t channel, uint32_t time) = 0;
    virtual bool SetStreamVolume(uint32_t channel, int32_t volume) = 0;
    virtual bool IsStreamPlaying(uint32_t channel) = 0;
    virtual bool PlayBGM(std::u16string_view fileName, int32_t loopCount, uint32_t startPos, uint32_t fadeTime,
                         int32_t volume, int32_t pan, uint32_t loopPos) = 0;
    virtual bool StopBGM(uint32_t fadeOutTime) = 0;
    virtual int32_t GetCurrentBGMIndex() = 0;
};

// What the engine has without a sound device.
class GxNullSoundBackend : public GxSoundBackend
{
public:
    bool Create(GxWindowHandle, int32_t) override { return false; }
    void Release() override {}
    bool Update() override { return true; }
    bool PlayOneShot(uint32_t*, std::u16string_view, int32_t, uint32_t, uint32_t, int32_t, int32_t) override
    {
        return false;
    }
    bool StopAllOneShot() override { return true; }
    bool PlayStreamFromFile(uint32_t, std::u16string_view, int32_t, uint32_t, uint32_t, int32_t, int32_t,
                            uint32_t) override
    {
        return false;
    }
    bool StopStream(uint32_t) override { return true; }
    bool FadeOutStream(uint32_t, uint32_t) override { return true; }
    bool SetStreamVolume(uint32_t, int32_t) override { return false; }
    bool IsStreamPlaying(uint32_t) override { return false; }
    bool PlayBGM(std::u16string_view, int32_t, uint32_t, uint32_t, int32_t, int32_t, uint32_t) override
    {
        return false;
    }
    bool StopBGM(uint32_t) override { return true; }
    int32_t GetCurrentBGMIndex() override { return 0; }
};

// How the sound manager's Create opens the sound output: the mixer on the backend that the sound
// harness names (device, SDL's dummy driver, or the manual backend of the capture). Tests
// replace it to see a start-up without any output; null puts the default back.
using GxSoundOutputOpener = bool (*)();
void GxSoundSetOutputOpener(GxSoundOutputOpener opener);

class GxSound
{
public:
    GxSound() = delete;

    // Installs the implementation (not owned); null puts the sound manager back.
    static void SetBackend(GxSoundBackend* backend);
    static GxSoundBackend& GetBackend();

    // Opens the output and writes the device's capabilities to the device log; false, with
    // every later play refused, when no output opens.
    static bool Create(GxWindowHandle window, int32_t flags);
    // Closes the output first (no mixing runs while players go), then stops and frees every
    // player and empties the cache.
    static void Release();
    // Advances the players' fades and frees finished one-shot players. True.
    static bool Update();

    // Refused when 16 fire-and-forget sounds exist or the same file was used less than 4 ms ago.
    // serial, when given, receives the number of players made so far (this one's number).
    static bool PlayOneShot(uint32_t* serial, std::u16string_view fileName, int32_t loopCount, uint32_t startPos,
                            uint32_t fadeInTime, int32_t volume, int32_t pan);
    static bool StopAllOneShot();
    // False for a channel of 32 or more, as are the other channel operations. A fade or start
    // time of 2^31 ms or more is a negative time that went through the unsigned parameter: 0.
    static bool PlayStreamFromFile(uint32_t channel, std::u16string_view fileName, int32_t loopCount,
                                   uint32_t startPos, uint32_t fadeInTime, int32_t volume, int32_t pan,
                                   uint32_t loopPos);
    static bool StopStream(uint32_t channel);
    // 0 stops at once.
    static bool FadeOutStream(uint32_t channel, uint32_t time);
    static bool SetStreamVolume(uint32_t channel, int32_t volume);
    static bool IsStreamPlaying(uint32_t channel);
    // Plays on the music pair, cross-fading from what plays there.
    static bool PlayBGM(std::u16string_view fileName, int32_t loopCount, uint32_t startPos, uint32_t fadeTime,
                        int32_t volume, int32_t pan, uint32_t loopPos);
    // Fades out each of the music pair that plays. True.
    static bool StopBGM(uint32_t fadeOutTime);
    // Which of the music pair carries the current music: 0 or 1.
    static int32_t GetCurrentBGMIndex();
};
