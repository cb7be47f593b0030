#include "tests/support/GxRecordingSound.h"

#include "core/GxString.h"

namespace {
std::string N(int64_t v) { return std::to_string(v); }
}  // namespace

void GxRecordingSound::SetPlaying(uint32_t channel, const std::string& file)
{
    channels[channel].playing = true;
    channels[channel].file = file;
}

std::vector<std::string> GxRecordingSound::TakeCalls()
{
    std::vector<std::string> out;
    out.swap(calls);
    return out;
}

bool GxRecordingSound::Create(GxWindowHandle, int32_t)
{
    Record("Create");
    return true;
}

void GxRecordingSound::Release() { Record("Release"); }

bool GxRecordingSound::Update() { return true; }

bool GxRecordingSound::PlayOneShot(uint32_t*, std::u16string_view fileName, int32_t loopCount, uint32_t startPos,
                                   uint32_t fadeInTime, int32_t volume, int32_t pan)
{
    Record("PlayOneShot " + GxWideToUtf8(fileName) + " " + N(loopCount) + " " + N(startPos) + " " + N(fadeInTime) +
           " " + N(volume) + " " + N(pan));
    return playResult;
}

bool GxRecordingSound::StopAllOneShot()
{
    Record("StopAllOneShot");
    return true;
}

bool GxRecordingSound::Start(uint32_t channel, std::u16string_view fileName, int32_t loopCount, int32_t volume)
{
    if (!playResult) return false;
    Channel& c = channels[channel];
    c.playing = true;
    c.file = GxWideToUtf8(fileName);
    c.loopCount = loopCount;
    c.volume = volume;
    return true;
}

bool GxRecordingSound::PlayStreamFromFile(uint32_t channel, std::u16string_view fileName, int32_t loopCount,
                                          uint32_t startPos, uint32_t fadeInTime, int32_t volume, int32_t pan,
                                          uint32_t loopPos)
{
    Record("PlayStream " + N(channel) + " " + GxWideToUtf8(fileName) + " " + N(loopCount) + " " + N(startPos) + " " +
           N(fadeInTime) + " " + N(volume) + " " + N(pan) + " " + N(loopPos));
    return Start(channel, fileName, loopCount, volume);
}

bool GxRecordingSound::StopStream(uint32_t channel)
{
    Record("StopStream " + N(channel));
    channels[channel].playing = false;
    return true;
}

bool GxRecordingSound::FadeOutStream(uint32_t channel, uint32_t time)
{
    Record("FadeOutStream " + N(channel) + " " + N(time));
    channels[channel].playing = false;
    return true;
}

bool GxRecordingSound::SetStreamVolume(uint32_t channel, int32_t volume)
{
    Record("SetStreamVolume " + N(channel) + " " + N(volume));
    channels[channel].volume = volume;
    return true;
}

bool GxRecordingSound::IsStreamPlaying(uint32_t channel) { return channels[channel].playing; }

bool GxRecordingSound::PlayBGM(std::u16string_view fileName, int32_t loopCount, uint32_t startPos, uint32_t fadeTime,
                               int32_t volume, int32_t pan, uint32_t loopPos)
{
    Record("PlayBGM " + GxWideToUtf8(fileName) + " " + N(loopCount) + " " + N(startPos) + " " + N(fadeTime) + " " +
           N(volume) + " " + N(pan) + " " + N(loopPos));
    // Only the channel 0 plays -> it fades, 1 takes the file; otherwise 1 fades and 0 takes it.
    const bool p0 = channels[0].playing;
    const bool p1 = channels[1].playing;
    const uint32_t target = (p0 && !p1) ? 1 : 0;
    channels[1 - target].playing = false;
    return Start(target, fileName, loopCount, volume);
}

bool GxRecordingSound::StopBGM(uint32_t fadeOutTime)
{
    Record("StopBGM " + N(fadeOutTime));
    channels[0].playing = channels[1].playing = false;
    return true;
}

int32_t GxRecordingSound::GetCurrentBGMIndex() { return channels[1].playing && !channels[0].playing ? 1 : 0; }
