#include "media/GxSound.h"

#include <list>
#include <memory>

#include "core/GxLog.h"
#include "core/GxMutex.h"
#include "media/GxSoundCache.h"
#include "media/GxSoundClock.h"
#include "media/GxSoundHarness.h"
#include "media/GxSoundPlayer.h"
#include "media/GxWavData.h"
#include "platform/GxMixer.h"

namespace {

constexpr int kStaticPlayerCount = 16;
constexpr size_t kOneShotMax = 16;
constexpr uint64_t kOneShotRepeatGuardMs = 4;

const float kNoPosition[4] = {0, 0, 0, 0};
const float kConeForward[4] = {0, 0, 1, 0};

bool ValidChannel(uint32_t channel) { return channel < kGxSoundChannelCount; }

// A time of 2^31 ms and more only arises from a negative time made unsigned.
uint32_t SaneTime(uint32_t ms) { return ms >= 0x80000000u ? 0 : ms; }

bool OpenDefaultOutput() { return GxMixer::Open(GxSoundHarness::Backend()); }

GxSoundOutputOpener g_OutputOpener = OpenDefaultOutput;

// What the sound device reports, as our mixer has it: a software mixer, so no hardware buffers
// or memory; a 16-bit stereo primary; secondaries of 8 or 16 bits, mono or stereo, any rate.
struct MixerCaps
{
    static constexpr uint32_t kPrimaryMono = 0x1, kPrimaryStereo = 0x2, kPrimary8Bit = 0x4, kPrimary16Bit = 0x8,
                              kContinuousRate = 0x10, kEmulDriver = 0x20, kCertified = 0x40,
                              kSecondaryMono = 0x100, kSecondaryStereo = 0x200, kSecondary8Bit = 0x400,
                              kSecondary16Bit = 0x800;
    uint32_t flags = kPrimaryStereo | kPrimary16Bit | kContinuousRate | kSecondaryMono | kSecondaryStereo |
                     kSecondary8Bit | kSecondary16Bit;
    // The mixer resamples from any rate; the upper bound is what a buffer's format field holds
    // as a signed number.
    int32_t minSecondaryRate = 1;
    int32_t maxSecondaryRate = 0x7FFFFFFF;
    int32_t primaryBuffers = 1;
};

void WriteCapsLog(const MixerCaps& c)
{
    const auto bit = [&c](uint32_t b) { return (c.flags & b) ? 1 : 0; };
    GxPrintDeviceLog(u"サウンドデバイスの能力情報\n");
    GxPrintDeviceLog(u"\t・Flags:0x%X\n", c.flags);
    GxPrintDeviceLog(u"\t\t・DSCAPS_CERTIFIED:%d\n", bit(MixerCaps::kCertified));
    GxPrintDeviceLog(u"\t\t・DSCAPS_CONTINUOUSRATE:%d\n", bit(MixerCaps::kContinuousRate));
    GxPrintDeviceLog(u"\t\t・DSCAPS_EMULDRIVER:%d\n", bit(MixerCaps::kEmulDriver));
    GxPrintDeviceLog(u"\t\t・DSCAPS_PRIMARY16BIT:%d\n", bit(MixerCaps::kPrimary16Bit));
    GxPrintDeviceLog(u"\t\t・DSCAPS_PRIMARY8BIT:%d\n", bit(MixerCaps::kPrimary8Bit));
    GxPrintDeviceLog(u"\t\t・DSCAPS_PRIMARYMONO:%d\n", bit(MixerCaps::kPrimaryMono));
    GxPrintDeviceLog(u"\t\t・DSCAPS_PRIMARYSTEREO:%d\n", bit(MixerCaps::kPrimaryStereo));
    GxPrintDeviceLog(u"\t\t・DSCAPS_SECONDARY16BIT:%d\n", bit(MixerCaps::kSecondary16Bit));
    GxPrintDeviceLog(u"\t\t・DSCAPS_SECONDARY8BIT:%d\n", bit(MixerCaps::kSecondary8Bit));
    GxPrintDeviceLog(u"\t\t・DSCAPS_SECONDARYMONO:%d\n", bit(MixerCaps::kSecondaryMono));
    GxPrintDeviceLog(u"\t\t・DSCAPS_SECONDARYSTEREO:%d\n", bit(MixerCaps::kSecondaryStereo));
    GxPrintDeviceLog(u"\t・セカンダリバッファ最小サンプリングレート:%d\n", c.minSecondaryRate);
    GxPrintDeviceLog(u"\t・セカンダリバッファ最大サンプリングレート:%d\n", c.maxSecondaryRate);
    GxPrintDeviceLog(u"\t・最大プライマリバッファ数:%d\n", c.primaryBuffers);
    // Everything is mixed in software: no hardware buffers, memory or transfer.
    static const char16_t* const kHardwareLines[] = {
        u"\t・最大ハードウェアミキシング数:%d\n",
        u"\t・スタティックバッファ最大数:%d\n",
        u"\t・ストリーミングバッファ最大数:%d\n",
        u"\t・フリーの全バッファ数:%d\n",
        u"\t・フリーのスタティックバッファ数:%d\n",
        u"\t・フリーのストリーミングバッファ数:%d\n",
        u"\t・３Ｄバッファ最大数:%d\n",
        u"\t・３Ｄスタティックバッファ最大数:%d\n",
        u"\t・３Ｄストリーミングバッファ最大数:%d\n",
        u"\t・フリーの全３Ｄバッファ数:%d\n",
        u"\t・フリーの３Ｄスタティックバッファ数:%d\n",
        u"\t・フリーの３Ｄストリーミングバッファ数:%d\n",
        u"\t・静的サウンドバッファメモリサイズ:%d Bytes\n",
        u"\t・サウンドカード空きメモリサイズ:%d Bytes\n",
        u"\t・空きメモリの最大連続ブロックサイズ:%d Bytes\n",
        u"\t・バッファ転送速度:%d KBytes/Sec\n",
        u"\t・処理オーバーヘッド:%d %%\n",
    };
    for (const char16_t* line : kHardwareLines) GxPrintDeviceLog(line, 0);
}

// The built-in sound layer. Its players live between Create and Release only (heap state), so
// no destructor at exit touches sound.
class GxSoundManager : public GxSoundBackend
{
public:
    bool Create(GxWindowHandle window, int32_t flags) override;
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
    struct State
    {
        GxSoundPlayerStatic statics[kStaticPlayerCount];
        GxSoundPlayerStream streams[kGxSoundChannelCount];
        std::list<std::unique_ptr<GxSoundPlayerStatic>> oneShots;  // in start order
        bool ready = false;  // an output opened
    };

    // Under the lock: the player of a channel while the layer is up, else null.
    GxSoundPlayerStream* Stream(uint32_t channel)
    {
        return (m_State && ValidChannel(channel)) ? &m_State->streams[channel] : nullptr;
    }
    static bool PlayOn(GxSoundPlayerStream& player, std::u16string_view fileName, int32_t loopCount,
                       uint32_t startPos, uint32_t fadeInTime, int32_t volume, int32_t pan, uint32_t loopPos)
    {
        return player.PlayFromFileAt(fileName, loopCount, 0, SaneTime(startPos), SaneTime(fadeInTime), volume, pan,
                                     loopPos, false, kNoPosition, kConeForward);
    }
    void DestroyState();

    GxMutex m_Lock;
    State* m_State = nullptr;
};

bool GxSoundManager::Create(GxWindowHandle, int32_t)
{
    DestroyState();
    GxPrintDeviceLog(u"DirectSound8の初期化を開始します\n");
    auto* state = new State();
    {
        GxMutexScopedLock lock(&m_Lock);
        m_State = state;
    }
    if (!g_OutputOpener || !g_OutputOpener()) {
        GxPrintSlightErrorLog(u"Error/GxSound DirectSound8の初期化に失敗しました\n");
        return false;
    }
    WriteCapsLog(MixerCaps{});
    // The mixer takes no cooperative level, and its primary format is fixed at 44100 Hz 16-bit
    // stereo; there is no listener to place.
    GxPrintDeviceLog(u"\tDirectSound8のCooperativeLevelを DSSCL_PRIORITY に設定しました\n");
    GxMutexScopedLock lock(&m_Lock);
    state->ready = true;
    return true;
}

void GxSoundManager::DestroyState()
{
    // The output goes first: no mixing or refill may run against a player being taken down.
    GxMixer::Close();
    State* state = nullptr;
    {
        GxMutexScopedLock lock(&m_Lock);
        state = m_State;
        if (!state) return;
        for (GxSoundPlayerStatic& p : state->statics) p.Stop();
        for (GxSoundPlayerStream& p : state->streams) p.Stop();
        state->oneShots.clear();
        m_State = nullptr;
    }
    delete state;
}

void GxSoundManager::Release() { DestroyState(); }

bool GxSoundManager::Update()
{
    GxMutexScopedLock lock(&m_Lock);
    if (!m_State) return true;
    for (GxSoundPlayerStatic& p : m_State->statics) p.UpdateFade();
    for (GxSoundPlayerStream& p : m_State->streams) p.UpdateFade();
    for (auto it = m_State->oneShots.begin(); it != m_State->oneShots.end();) {
        (*it)->UpdateFade();
        if ((*it)->IsPlaying()) {
            ++it;
        } else {
            it = m_State->oneShots.erase(it);
        }
    }
    return true;
}

bool GxSoundManager::PlayOneShot(uint32_t* serial, std::u16string_view fileName, int32_t loopCount,
                                 uint32_t startPos, uint32_t fadeInTime, int32_t volume, int32_t pan)
{
    GxMutexScopedLock lock(&m_Lock);
    if (!m_State || !m_State->ready) return false;
    if (m_State->oneShots.size() >= kOneShotMax) return false;
    GxSoundCache* cache = GxSoundCache::Get();
    if (!cache) return false;
    // A sound never used has no last use: the guard is only for a repeat.
    const uint64_t lastUse = cache->GetLastUseTime(fileName);
    if (lastUse != 0 && GxSoundGetTime() - lastUse < kOneShotRepeatGuardMs) return false;
    GxWavData* wav = cache->Acquire(fileName);
    if (!wav) return false;
    auto player = std::make_unique<GxSoundPlayerStatic>();
    if (serial) *serial = static_cast<uint32_t>(GxSoundPlayerBase::GetInstanceCount());
    GxSoundPlayerStatic* p = player.get();
    m_State->oneShots.push_back(std::move(player));
    // A failed play stays listed; the next Update frees it.
    const bool ok = p->PlayFromMemoryAt(wav, loopCount, 0, SaneTime(startPos), SaneTime(fadeInTime), volume, pan,
                                        false, kNoPosition, kConeForward);
    // The player holds its own copy of the samples.
    cache->Release(fileName);
    return ok;
}

bool GxSoundManager::StopAllOneShot()
{
    GxMutexScopedLock lock(&m_Lock);
    if (m_State) m_State->oneShots.clear();
    return true;
}

bool GxSoundManager::PlayStreamFromFile(uint32_t channel, std::u16string_view fileName, int32_t loopCount,
                                        uint32_t startPos, uint32_t fadeInTime, int32_t volume, int32_t pan,
                                        uint32_t loopPos)
{
    GxMutexScopedLock lock(&m_Lock);
    GxSoundPlayerStream* p = Stream(channel);
    if (!p || !m_State->ready) return false;
    return PlayOn(*p, fileName, loopCount, startPos, fadeInTime, volume, pan, loopPos);
}

bool GxSoundManager::StopStream(uint32_t channel)
{
    GxMutexScopedLock lock(&m_Lock);
    GxSoundPlayerStream* p = Stream(channel);
    return p && p->Stop();
}

bool GxSoundManager::FadeOutStream(uint32_t channel, uint32_t time)
{
    GxMutexScopedLock lock(&m_Lock);
    GxSoundPlayerStream* p = Stream(channel);
    return p && p->FadeOut(SaneTime(time));
}

bool GxSoundManager::SetStreamVolume(uint32_t channel, int32_t volume)
{
    GxMutexScopedLock lock(&m_Lock);
    GxSoundPlayerStream* p = Stream(channel);
    return p && p->SetVolume(volume);
}

bool GxSoundManager::IsStreamPlaying(uint32_t channel)
{
    GxMutexScopedLock lock(&m_Lock);
    GxSoundPlayerStream* p = Stream(channel);
    return p && p->IsPlaying();
}

bool GxSoundManager::PlayBGM(std::u16string_view fileName, int32_t loopCount, uint32_t startPos, uint32_t fadeTime,
                             int32_t volume, int32_t pan, uint32_t loopPos)
{
    GxMutexScopedLock lock(&m_Lock);
    if (!m_State || !m_State->ready) return false;
    GxSoundPlayerStream& p0 = m_State->streams[kGxSoundChannelBGM0];
    GxSoundPlayerStream& p1 = m_State->streams[kGxSoundChannelBGM1];
    const uint32_t fade = SaneTime(fadeTime);
    const bool playing0 = p0.IsPlaying();
    const bool playing1 = p1.IsPlaying();
    GxSoundPlayerStream* target = &p0;
    if (playing0 && !playing1) {
        p0.FadeOut(fade);
        target = &p1;
    } else if (playing1) {
        // With both playing, channel 0 takes the new music at once whichever was current.
        p1.FadeOut(fade);
    }
    return PlayOn(*target, fileName, loopCount, startPos, fade, volume, pan, loopPos);
}

bool GxSoundManager::StopBGM(uint32_t fadeOutTime)
{
    GxMutexScopedLock lock(&m_Lock);
    if (!m_State) return true;
    const uint32_t fade = SaneTime(fadeOutTime);
    for (uint32_t ch : {kGxSoundChannelBGM0, kGxSoundChannelBGM1}) {
        GxSoundPlayerStream& p = m_State->streams[ch];
        if (p.IsPlaying()) p.FadeOut(fade);
    }
    return true;
}

int32_t GxSoundManager::GetCurrentBGMIndex()
{
    GxMutexScopedLock lock(&m_Lock);
    if (!m_State) return 0;
    GxSoundPlayerStream& p0 = m_State->streams[kGxSoundChannelBGM0];
    GxSoundPlayerStream& p1 = m_State->streams[kGxSoundChannelBGM1];
    const bool playing0 = p0.IsPlaying();
    const bool playing1 = p1.IsPlaying();
    if (playing1 && !playing0) return 1;
    if (playing0 && playing1 && p0.GetFadeState() == GxSoundFade_Out && p1.GetFadeState() != GxSoundFade_Out) return 1;
    return 0;
}

GxSoundBackend* g_Backend = nullptr;

// Never destroyed: its state is freed by Release, not at exit.
GxSoundManager& Manager()
{
    static GxSoundManager* const manager = new GxSoundManager();
    return *manager;
}

}  // namespace

void GxSoundSetOutputOpener(GxSoundOutputOpener opener) { g_OutputOpener = opener ? opener : OpenDefaultOutput; }

void GxSound::SetBackend(GxSoundBackend* backend) { g_Backend = backend; }

GxSoundBackend& GxSound::GetBackend() { return g_Backend ? *g_Backend : static_cast<GxSoundBackend&>(Manager()); }

bool GxSound::Create(GxWindowHandle window, int32_t flags)
{
    // The cache serves the one-shot sounds whether or not a sound device opens.
    GxSoundCache::Create();
    if (g_Backend) {
        // A stand-in sound layer: the mixer still serves the movies' sound.
        if (!GxMixer::Open(GxSoundHarness::Backend())) GxPrintErrorLog(u"Error/GxSound Create: no sound output\n");
    }
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
