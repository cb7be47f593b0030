// The sound layer as the engine and the game address it: 32 stream channels by number, the
// music pair with its cross-fade, fire-and-forget sounds, and the start-up, per-frame update
// and shutdown the application core drives.
//
// The operations go to a replaceable implementation (GxSoundBackend). Until a real mixer is
// installed the null implementation answers like a sound start-up that failed: every play is
// refused, nothing plays, stops succeed. Tests install a recording fake.
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

class GxSound
{
public:
    GxSound() = delete;

    // Installs the implementation (not owned); null puts the null one back.
    static void SetBackend(GxSoundBackend* backend);
    static GxSoundBackend& GetBackend();

    static bool Create(GxWindowHandle window, int32_t flags);
    // Advances the players' fades and frees finished one-shot players. True.
    static bool Update();
    static void Release();

    static bool PlayOneShot(uint32_t* serial, std::u16string_view fileName, int32_t loopCount, uint32_t startPos,
                            uint32_t fadeInTime, int32_t volume, int32_t pan);
    static bool StopAllOneShot();
    // False for a channel of 32 or more, as are the other channel operations.
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
