// A sound layer for tests: installed as GxSound's implementation for its lifetime, it records
// every call as one line of text and keeps which channels play, with what file and at what
// volume. The music pair follows the real cross-fade rules; a stop or a fade-out of any length
// ends the channel at once.
#pragma once

#include <string>
#include <vector>

#include "media/GxSound.h"

class GxRecordingSound : public GxSoundBackend
{
public:
    struct Channel
    {
        bool playing = false;
        std::string file;
        int32_t loopCount = 0;
        int32_t volume = 0;
    };

    GxRecordingSound() { GxSound::SetBackend(this); }
    ~GxRecordingSound() override { GxSound::SetBackend(nullptr); }

    // Marks a channel as playing a file without recording a call.
    void SetPlaying(uint32_t channel, const std::string& file);
    // The recorded lines, then empties them.
    std::vector<std::string> TakeCalls();

    std::vector<std::string> calls;
    Channel channels[kGxSoundChannelCount];
    bool playResult = true;  // what plays answer

    bool Create(GxWindowHandle, int32_t) override;
    void Release() override;
    bool Update() override;
    bool PlayOneShot(uint32_t* serial, std::u16string_view fileName, int32_t loopCount, uint32_t startPos,
                     uint32_t fadeInTime, int32_t volume, int32_t pan) override;
    bool StopAllOneShot() override;
    bool PlayStreamFromFile(uint32_t channel, std::u16string_view fileName, int32_t loopCount, uint32_t startPos,
                            uint32_t fadeInTime, int32_t volume, int32_t pan, uint32_t loopPos) override;
    bool StopStream(uint32_t channel) override;
    bool FadeOutStream(uint32_t channel, uint32_t time) override;
    bool SetStreamVolume(uint32_t channel, int32_t volume) override;
    bool IsStreamPlaying(uint32_t channel) override;
    bool PlayBGM(std::u16string_view fileName, int32_t loopCount, uint32_t startPos, uint32_t fadeTime,
                 int32_t volume, int32_t pan, uint32_t loopPos) override;
    bool StopBGM(uint32_t fadeOutTime) override;
    int32_t GetCurrentBGMIndex() override;

private:
    void Record(const std::string& line) { calls.push_back(line); }
    bool Start(uint32_t channel, std::u16string_view fileName, int32_t loopCount, int32_t volume);
};
