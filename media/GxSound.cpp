#include "media/GxSound.h"

#include "core/GxLog.h"
#include "media/GxSoundCache.h"
#include "media/GxSoundHarness.h"
#include "platform/GxMixer.h"

namespace {
GxSoundBackend* g_Backend = nullptr;

GxNullSoundBackend& NullBackend()
{
    static GxNullSoundBackend backend;
    return backend;
}

bool ValidChannel(uint32_t channel) { return channel < kGxSoundChannelCount; }
}  // namespace

void GxSound::SetBackend(GxSoundBackend* backend) { g_Backend = backend; }

GxSoundBackend& GxSound::GetBackend() { return g_Backend ? *g_Backend : NullBackend(); }

bool GxSound::Create(GxWindowHandle window, int32_t flags)
{
    // The cache serves the one-shot sounds whether or not a sound device opens.
    GxSoundCache::Create();
    // The mixer stands for the sound device: the players' buffers are voices on it.
    if (!GxMixer::Open(GxSoundHarness::Backend())) GxPrintErrorLog(u"Error/GxSound Create: no sound output\n");
    return GetBackend().Create(window, flags);
}

bool GxSound::Update()
{
    GetBackend().Update();
    return true;
}

void GxSound::Release()
{
    GetBackend().Release();
    GxMixer::Close();
    if (GxSoundCache* cache = GxSoundCache::Get()) cache->Clear();
    GxSoundCache::Destroy();
}

bool GxSound::PlayOneShot(uint32_t* serial, std::u16string_view fileName, int32_t loopCount, uint32_t startPos,
                          uint32_t fadeInTime, int32_t volume, int32_t pan)
{
    return GetBackend().PlayOneShot(serial, fileName, loopCount, startPos, fadeInTime, volume, pan);
}

bool GxSound::StopAllOneShot()
{
    GetBackend().StopAllOneShot();
    return true;
}

bool GxSound::PlayStreamFromFile(uint32_t channel, std::u16string_view fileName, int32_t loopCount,
                                 uint32_t startPos, uint32_t fadeInTime, int32_t volume, int32_t pan,
                                 uint32_t loopPos)
{
    if (!ValidChannel(channel)) return false;
    return GetBackend().PlayStreamFromFile(channel, fileName, loopCount, startPos, fadeInTime, volume, pan, loopPos);
}

bool GxSound::StopStream(uint32_t channel) { return ValidChannel(channel) && GetBackend().StopStream(channel); }

bool GxSound::FadeOutStream(uint32_t channel, uint32_t time)
{
    return ValidChannel(channel) && GetBackend().FadeOutStream(channel, time);
}

bool GxSound::SetStreamVolume(uint32_t channel, int32_t volume)
{
    return ValidChannel(channel) && GetBackend().SetStreamVolume(channel, volume);
}

bool GxSound::IsStreamPlaying(uint32_t channel) { return ValidChannel(channel) && GetBackend().IsStreamPlaying(channel); }

bool GxSound::PlayBGM(std::u16string_view fileName, int32_t loopCount, uint32_t startPos, uint32_t fadeTime,
                      int32_t volume, int32_t pan, uint32_t loopPos)
{
    return GetBackend().PlayBGM(fileName, loopCount, startPos, fadeTime, volume, pan, loopPos);
}

bool GxSound::StopBGM(uint32_t fadeOutTime)
{
    GetBackend().StopBGM(fadeOutTime);
    return true;
}

int32_t GxSound::GetCurrentBGMIndex()
{
    const int32_t i = GetBackend().GetCurrentBGMIndex();
    return i == 1 ? 1 : 0;
}
