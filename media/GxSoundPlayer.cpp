#include "media/GxSoundPlayer.h"

#include <atomic>
#include <cmath>
#include <cstring>

#include "core/GxLog.h"
#include "core/GxString.h"
#include "media/GxSoundClock.h"
#include "media/GxWavData.h"

namespace {

std::atomic<int32_t> g_InstanceCount{0};

constexpr float kFloatEpsilon = 1.0f / 8388608.0f;  // 2^-23

bool Differs(float a, float b) { return std::fabs(a - b) > kFloatEpsilon; }

bool Differs3(const float* a, const float* b)
{
    return Differs(a[0], b[0]) || Differs(a[1], b[1]) || Differs(a[2], b[2]);
}

std::unique_ptr<GxSoundLoaderBase> OpenFileDecoder(std::u16string_view file, bool* known)
{
    *known = true;
    if (GxHasExtension(file, u".wav")) {
        auto wav = std::make_unique<GxSoundLoaderWav>();
        if (!wav->Open(file)) return nullptr;
        return wav;
    }
    if (GxHasExtension(file, u".ogg")) {
        auto ogg = std::make_unique<GxSoundLoaderOgg>();
        if (!ogg->Open(file)) return nullptr;
        return ogg;
    }
    *known = false;
    return nullptr;
}

uint64_t FrameAt(uint32_t ms, uint32_t rate) { return uint64_t(std::trunc(double(ms) / 1000.0 * double(rate))); }

// The 3D setters compare with the buffer's current value first and only send a change.
bool Set3DVector(GxSoundBuffer3D& buffer, const float* v, bool (GxSoundBuffer3D::*get)(float*),
                 bool (GxSoundBuffer3D::*set)(const float*))
{
    if (!v) return false;
    float current[3] = {0, 0, 0};
    if ((buffer.*get)(current) && !Differs3(current, v)) return true;
    return (buffer.*set)(v);
}

// The distance setters likewise compare with the distance the buffer keeps now (a new sound
// resets it), and remember what they were given.
bool SetDistance(GxSoundBuffer3D& buffer, float d, float GxSound3DParams::*field, float* kept,
                 bool (GxSoundBuffer3D::*set)(float))
{
    if (!Differs(buffer.Get3DParams().*field, d)) return true;
    *kept = d;
    return (buffer.*set)(d);
}

}  // namespace

// ---- base ----

GxSoundPlayerBase::GxSoundPlayerBase() { g_InstanceCount.fetch_add(1, std::memory_order_relaxed); }

int32_t GxSoundPlayerBase::GetInstanceCount() { return g_InstanceCount.load(std::memory_order_relaxed); }

bool GxSoundPlayerBase::Set3DPosition(const float*) { return false; }

bool GxSoundPlayerBase::Get3DPosition(float* v)
{
    if (!v) return false;
    v[0] = v[1] = v[2] = 0.0f;
    return false;
}

bool GxSoundPlayerBase::SetConeOrientation(const float* v)
{
    if (!v) return false;
    std::memcpy(m_ConeOrientation, v, 3 * sizeof(float));
    return false;
}

bool GxSoundPlayerBase::GetConeOrientation(float* v)
{
    if (!v) return false;
    std::memcpy(v, m_ConeOrientation, 3 * sizeof(float));
    v[3] = 0.0f;
    return true;
}

bool GxSoundPlayerBase::PlayFromFileAt(std::u16string_view, int32_t, uint32_t, uint32_t, uint32_t, int32_t, int32_t,
                                       bool, const float*, const float*)
{
    return false;
}
bool GxSoundPlayerBase::PlayFromFileAtA(std::string_view, int32_t, uint32_t, uint32_t, uint32_t, int32_t, int32_t,
                                        bool, const float*, const float*)
{
    return false;
}
bool GxSoundPlayerBase::PlayFromMemoryAt(GxWavData*, int32_t, uint32_t, uint32_t, uint32_t, int32_t, int32_t, bool,
                                         const float*, const float*)
{
    return false;
}
bool GxSoundPlayerBase::PlayFromFile(std::u16string_view, int32_t, uint32_t, uint32_t, uint32_t, int32_t, int32_t,
                                     bool, const float*, const float*)
{
    return false;
}
bool GxSoundPlayerBase::PlayFromFileA(std::string_view, int32_t, uint32_t, uint32_t, uint32_t, int32_t, int32_t,
                                      bool, const float*, const float*)
{
    return false;
}
bool GxSoundPlayerBase::PlayFromMemory(GxWavData*, int32_t, uint32_t, uint32_t, uint32_t, int32_t, int32_t, bool,
                                       const float*, const float*)
{
    return false;
}

bool GxSoundPlayerBase::Stop()
{
    const bool stopped = BufferStop();
    m_FadeStartTime = 0;
    m_FadeDuration = 0;
    m_PlayStartTime = 0;
    m_StartPosition = 0;
    m_LengthMs = 0;
    m_TotalFrames = 0;
    m_FadeState = GxSoundFade_None;
    m_FadeTarget = kGxSoundFadeFloor;
    m_FadeStartVolume = kGxSoundFadeFloor;
    AfterStop();
    return stopped;
}

bool GxSoundPlayerBase::FadeOut(uint32_t ms)
{
    if (ms == 0) return Stop();
    m_FadeStartTime = GxSoundGetTime();
    m_FadeTarget = kGxSoundFadeFloor;
    m_FadeStartVolume = GetVolume();
    m_FadeDuration = ms;
    m_FadeState = GxSoundFade_Out;
    return true;
}

bool GxSoundPlayerBase::SetVolume(int32_t volume)
{
    switch (GetFadeState()) {
    case GxSoundFade_In: m_FadeTarget = volume; return true;
    case GxSoundFade_Out: m_FadeStartVolume = volume; return true;
    default: return BufferSetVolume(volume);
    }
}

bool GxSoundPlayerBase::SetPan(int32_t pan) { return BufferSetPan(pan); }

int32_t GxSoundPlayerBase::GetVolume()
{
    int32_t v = 0;
    return BufferGetVolume(&v) ? v : 0;
}

int32_t GxSoundPlayerBase::GetPan()
{
    int32_t p = 0;
    return BufferGetPan(&p) ? p : 0;
}

uint64_t GxSoundPlayerBase::GetFadeOverrun()
{
    if (m_FadeState == GxSoundFade_None || m_FadeStartTime == 0) return 0;
    const uint64_t now = GxSoundGetTime();
    const uint64_t end = m_FadeStartTime + m_FadeDuration;
    if (end > now) return 0;
    return now - end;
}

int32_t GxSoundPlayerBase::GetFadeTargetVolume() { return m_FadeTarget; }
int32_t GxSoundPlayerBase::GetLoopCount() { return BufferLoopCount(); }
bool GxSoundPlayerBase::IsPlaying() { return BufferIsPlaying(); }
int32_t GxSoundPlayerBase::GetFadeState() { return m_FadeStartTime == 0 ? GxSoundFade_None : m_FadeState; }
uint64_t GxSoundPlayerBase::GetPlayStartTime() { return m_PlayStartTime; }
uint64_t GxSoundPlayerBase::GetLengthMs() { return m_LengthMs; }

bool GxSoundPlayerBase::FinishFade()
{
    if (m_FadeStartTime == 0 || m_FadeState == GxSoundFade_None) return true;
    BufferSetVolume(m_FadeTarget);
    const bool fadeOut = m_FadeState == GxSoundFade_Out;
    m_FadeState = GxSoundFade_None;
    if (fadeOut) Stop();
    return true;
}

bool GxSoundPlayerBase::UpdateFade()
{
    if (!IsPlaying()) {
        OnNotPlaying();
        return false;
    }
    if (m_FadeState == GxSoundFade_None) return true;
    if (m_FadeStartTime == 0 || m_FadeDuration == 0) {
        m_FadeState = GxSoundFade_None;
        return true;
    }
    const uint64_t now = GxSoundGetTime();
    if (m_FadeStartTime + m_FadeDuration <= now) {
        const bool fadeOut = m_FadeState == GxSoundFade_Out;
        m_FadeState = GxSoundFade_None;
        BufferSetVolume(m_FadeTarget);
        if (fadeOut) Stop();
        return true;
    }
    const float t = float(now - m_FadeStartTime) / float(m_FadeDuration);
    const int32_t volume = int32_t(std::trunc(float(m_FadeTarget - m_FadeStartVolume) * t + float(m_FadeStartVolume)));
    BufferSetVolume(volume);
    return true;
}

int32_t GxSoundPlayerBase::StartFade(uint32_t startMs, uint32_t fadeInMs, int32_t volume)
{
    const uint64_t now = GxSoundGetTime();
    m_PlayStartTime = now;
    m_StartPosition = startMs;
    if (fadeInMs == 0) {
        m_FadeStartTime = 0;
        m_FadeTarget = m_FadeStartVolume = volume;
        m_FadeDuration = 0;
        m_FadeState = GxSoundFade_None;
        return volume;
    }
    m_FadeStartTime = now;
    m_FadeTarget = volume;
    m_FadeStartVolume = kGxSoundFadeFloor;
    m_FadeDuration = fadeInMs;
    m_FadeState = GxSoundFade_In;
    return kGxSoundFadeFloor;
}

void GxSoundPlayerBase::KeepPointers(const float* position, const float* orientation)
{
    m_PositionPtr = position;
    m_OrientationPtr = orientation;
}

void GxSoundPlayerBase::CopyVectors(const float* position, const float* orientation)
{
    if (position) std::memcpy(m_Position, position, 3 * sizeof(float));
    if (orientation) std::memcpy(m_ConeOrientation, orientation, 3 * sizeof(float));
}

// ---- static player ----

GxSoundPlayerStatic::~GxSoundPlayerStatic() { Stop(); }

void GxSoundPlayerStatic::OnNotPlaying()
{
    if (m_Buffer.HasSound()) m_Buffer.Release();
}

bool GxSoundPlayerStatic::PlayFromFileAt(std::u16string_view file, int32_t loopCount, uint32_t priority,
                                         uint32_t startMs, uint32_t fadeInMs, int32_t volume, int32_t pan, bool use3D,
                                         const float* position, const float* orientation)
{
    CopyVectors(position, orientation);
    return PlayFromFile(file, loopCount, priority, startMs, fadeInMs, volume, pan, use3D, m_Position,
                        m_ConeOrientation);
}

bool GxSoundPlayerStatic::PlayFromFileAtA(std::string_view file, int32_t loopCount, uint32_t priority,
                                          uint32_t startMs, uint32_t fadeInMs, int32_t volume, int32_t pan,
                                          bool use3D, const float* position, const float* orientation)
{
    return PlayFromFileAt(GxAnsiToWide(file), loopCount, priority, startMs, fadeInMs, volume, pan, use3D, position,
                          orientation);
}

bool GxSoundPlayerStatic::PlayFromMemoryAt(GxWavData* wav, int32_t loopCount, uint32_t priority, uint32_t startMs,
                                           uint32_t fadeInMs, int32_t volume, int32_t pan, bool use3D,
                                           const float* position, const float* orientation)
{
    CopyVectors(position, orientation);
    return PlayFromMemory(wav, loopCount, priority, startMs, fadeInMs, volume, pan, use3D, m_Position,
                          m_ConeOrientation);
}

bool GxSoundPlayerStatic::PlayFromFileA(std::string_view file, int32_t loopCount, uint32_t priority,
                                        uint32_t startMs, uint32_t fadeInMs, int32_t volume, int32_t pan, bool use3D,
                                        const float* position, const float* orientation)
{
    return PlayFromFile(GxAnsiToWide(file), loopCount, priority, startMs, fadeInMs, volume, pan, use3D, position,
                        orientation);
}

bool GxSoundPlayerStatic::PlayFromFile(std::u16string_view file, int32_t loopCount, uint32_t priority,
                                       uint32_t startMs, uint32_t fadeInMs, int32_t volume, int32_t pan, bool use3D,
                                       const float* position, const float* orientation)
{
    Stop();
    bool known = false;
    std::unique_ptr<GxSoundLoaderBase> decoder = OpenFileDecoder(file, &known);
    if (!known) {
        GxPrintSlightErrorLog(u"GxSoundPlayerStatic::PlayFromFile ローダー作成に失敗(%s)\n", std::u16string(file));
        return false;
    }
    if (!decoder) return false;  // the decoder said why
    if (decoder->GetDataSize() == 0) {
        decoder->Close();
        GxPrintSlightErrorLog(u"GxSoundPlayerStatic::PlayFromFile 長さ0のファイルを再生しようとしました(%s)\n",
                              std::u16string(file));
        return false;
    }
    return PlayWith(decoder.get(), file, false, loopCount, priority, startMs, fadeInMs, volume, pan, use3D, position,
                    orientation);
}

bool GxSoundPlayerStatic::PlayFromMemory(GxWavData* wav, int32_t loopCount, uint32_t priority, uint32_t startMs,
                                         uint32_t fadeInMs, int32_t volume, int32_t pan, bool use3D,
                                         const float* position, const float* orientation)
{
    Stop();
    if (!wav) {
        GxPrintSlightErrorLog(u"GxSoundPlayerStatic::PlayFromMemory ローダー作成に失敗\n");
        return false;
    }
    GxSoundLoaderMemory decoder;
    if (!decoder.Open(wav)) return false;
    return PlayWith(&decoder, u"", true, loopCount, priority, startMs, fadeInMs, volume, pan, use3D, position,
                    orientation);
}

bool GxSoundPlayerStatic::PlayWith(GxSoundLoaderBase* decoder, std::u16string_view name, bool fromMemory,
                                   int32_t loopCount, uint32_t priority, uint32_t startMs, uint32_t fadeInMs,
                                   int32_t volume, int32_t pan, bool use3D, const float* position,
                                   const float* orientation)
{
    if (!m_Buffer.Create(decoder, use3D)) return false;
    m_TotalFrames = uint64_t(decoder->GetTotalSamples());
    m_LengthMs = decoder->GetLengthMs();
    const uint64_t startFrame = FrameAt(startMs, decoder->GetWaveFormat().samplesPerSec);
    KeepPointers(position, orientation);
    // The buffer holds the whole sound now.
    decoder->Close();
    if (startFrame >= m_TotalFrames) {
        if (fromMemory) {
            GxPrintSlightErrorLog(u"GxSoundPlayerStatic::PlayFromMemory シーク不可能な位置が指定されました\n");
        } else {
            GxPrintSlightErrorLog(u"GxSoundPlayerStatic::PlayFromFile シーク不可能な位置が指定されました(%s)\n",
                                  std::u16string(name));
        }
        return false;
    }
    const int32_t startVolume = StartFade(startMs, fadeInMs, volume);
    return m_Buffer.PlayWithVolumePan(loopCount, priority, uint32_t(startFrame), startVolume, pan);
}

bool GxSoundPlayerStatic::Set3DPosition(const float* v)
{
    return Set3DVector(m_Buffer, v, &GxSoundBuffer3D::Get3DPosition, &GxSoundBuffer3D::Set3DPosition);
}
bool GxSoundPlayerStatic::Get3DPosition(float* v) { return m_Buffer.Get3DPosition(v); }
bool GxSoundPlayerStatic::SetConeOrientation(const float* v)
{
    return Set3DVector(m_Buffer, v, &GxSoundBuffer3D::GetConeOrientation,
                       &GxSoundBuffer3D::SetConeOrientation);
}

bool GxSoundPlayerStatic::SetMinDistance(float d)
{
    return SetDistance(m_Buffer, d, &GxSound3DParams::minDistance, &m_MinDistance, &GxSoundBuffer3D::SetMinDistance);
}
bool GxSoundPlayerStatic::SetMaxDistance(float d)
{
    return SetDistance(m_Buffer, d, &GxSound3DParams::maxDistance, &m_MaxDistance, &GxSoundBuffer3D::SetMaxDistance);
}
// The buffer hands nothing back through these: they report 0.
bool GxSoundPlayerStatic::GetMinDistance(float* d)
{
    if (d) *d = 0.0f;
    return m_Buffer.GetMinDistance(d);
}
bool GxSoundPlayerStatic::GetMaxDistance(float* d)
{
    if (d) *d = 0.0f;
    return m_Buffer.GetMaxDistance(d);
}
bool GxSoundPlayerStatic::SetConeAngles(uint32_t inside, uint32_t outside) { return m_Buffer.SetConeAngles(inside, outside); }
bool GxSoundPlayerStatic::GetConeAngles(uint32_t* inside, uint32_t* outside)
{
    if (inside) *inside = 0;
    if (outside) *outside = 0;
    return m_Buffer.GetConeAngles(inside, outside);
}
bool GxSoundPlayerStatic::GetBufferConeOrientation(float* v) { return m_Buffer.GetConeOrientation(v); }

// ---- stream player ----

GxSoundPlayerStream::~GxSoundPlayerStream() { Stop(); }

void GxSoundPlayerStream::AfterStop()
{
    // The thread goes first: it reads the decoder.
    m_Buffer.TearDown();
    m_Decoder.reset();
}

bool GxSoundPlayerStream::PlayFromFileAt(std::u16string_view file, int32_t loopCount, uint32_t priority,
                                         uint32_t startMs, uint32_t fadeInMs, int32_t volume, int32_t pan,
                                         uint32_t loopMs, bool use3D, const float* position, const float* orientation)
{
    CopyVectors(position, orientation);
    return PlayFromFile(file, loopCount, priority, startMs, fadeInMs, volume, pan, loopMs, use3D, m_Position,
                        m_ConeOrientation);
}

bool GxSoundPlayerStream::PlayFromFileAtA(std::string_view file, int32_t loopCount, uint32_t priority,
                                          uint32_t startMs, uint32_t fadeInMs, int32_t volume, int32_t pan,
                                          uint32_t loopMs, bool use3D, const float* position,
                                          const float* orientation)
{
    return PlayFromFileAt(GxAnsiToWide(file), loopCount, priority, startMs, fadeInMs, volume, pan, loopMs, use3D,
                          position, orientation);
}

bool GxSoundPlayerStream::PlayFromMemoryAt(GxWavData* wav, int32_t loopCount, uint32_t priority, uint32_t startMs,
                                           uint32_t fadeInMs, int32_t volume, int32_t pan, uint32_t loopMs,
                                           bool use3D, const float* position, const float* orientation)
{
    CopyVectors(position, orientation);
    return PlayFromMemory(wav, loopCount, priority, startMs, fadeInMs, volume, pan, loopMs, use3D, m_Position,
                          m_ConeOrientation);
}

bool GxSoundPlayerStream::PlayFromFileA(std::string_view file, int32_t loopCount, uint32_t priority,
                                        uint32_t startMs, uint32_t fadeInMs, int32_t volume, int32_t pan,
                                        uint32_t loopMs, bool use3D, const float* position, const float* orientation)
{
    return PlayFromFile(GxAnsiToWide(file), loopCount, priority, startMs, fadeInMs, volume, pan, loopMs, use3D,
                        position, orientation);
}

bool GxSoundPlayerStream::PlayFromFile(std::u16string_view file, int32_t loopCount, uint32_t priority,
                                       uint32_t startMs, uint32_t fadeInMs, int32_t volume, int32_t pan,
                                       uint32_t loopMs, bool use3D, const float* position, const float* orientation)
{
    Stop();
    bool known = false;
    std::unique_ptr<GxSoundLoaderBase> decoder = OpenFileDecoder(file, &known);
    if (!known) {
        GxPrintSlightErrorLog(u"GxSoundPlayerStream::PlayFromFile ローダー作成に失敗(%s)\n", std::u16string(file));
        return false;
    }
    if (!decoder) return false;
    if (decoder->GetDataSize() == 0) {
        // Closed, but kept until the next Stop.
        decoder->Close();
        m_Decoder = std::move(decoder);
        GxPrintSlightErrorLog(u"GxSoundPlayerStream::PlayFromFile 長さ0のファイルを再生しようとしました(%s)\n",
                              std::u16string(file));
        return false;
    }
    return PlayWith(std::move(decoder), file, false, loopCount, priority, startMs, fadeInMs, volume, pan, loopMs,
                    use3D, position, orientation);
}

bool GxSoundPlayerStream::PlayFromMemory(GxWavData* wav, int32_t loopCount, uint32_t priority, uint32_t startMs,
                                         uint32_t fadeInMs, int32_t volume, int32_t pan, uint32_t loopMs, bool use3D,
                                         const float* position, const float* orientation)
{
    Stop();
    if (!wav) {
        GxPrintSlightErrorLog(u"GxSoundPlayerStream::PlayFromMemory ローダー作成に失敗\n");
        return false;
    }
    auto decoder = std::make_unique<GxSoundLoaderMemory>();
    if (!decoder->Open(wav)) return false;
    return PlayWith(std::move(decoder), u"", true, loopCount, priority, startMs, fadeInMs, volume, pan, loopMs, use3D,
                    position, orientation);
}

bool GxSoundPlayerStream::PlayWith(std::unique_ptr<GxSoundLoaderBase> decoder, std::u16string_view name,
                                   bool fromMemory, int32_t loopCount, uint32_t priority, uint32_t startMs,
                                   uint32_t fadeInMs, int32_t volume, int32_t pan, uint32_t loopMs, bool use3D,
                                   const float* position, const float* orientation)
{
    m_Decoder = std::move(decoder);
    if (!m_Buffer.Create(m_Decoder.get(), use3D)) {
        m_Decoder.reset();
        return false;
    }
    m_TotalFrames = uint64_t(m_Decoder->GetTotalSamples());
    m_LengthMs = m_Decoder->GetLengthMs();
    const uint32_t rate = m_Decoder->GetWaveFormat().samplesPerSec;
    const uint64_t startFrame = FrameAt(startMs, rate);
    uint64_t loopFrame = FrameAt(loopMs, rate);
    if (loopFrame >= m_TotalFrames) loopFrame = 0;
    m_LoopPosition = loopMs;
    KeepPointers(position, orientation);
    if (startFrame >= m_TotalFrames) {
        if (fromMemory) {
            GxPrintSlightErrorLog(u"GxSoundPlayerStream::PlayFromMemory シーク不可能な位置が指定されました\n");
        } else {
            GxPrintSlightErrorLog(u"GxSoundPlayerStream::PlayFromFile シーク不可能な位置が指定されました(%s)\n",
                                  std::u16string(name));
        }
        // The buffer's thread may read the decoder: it ends before the decoder goes.
        Stop();
        return false;
    }
    const int32_t startVolume = StartFade(startMs, fadeInMs, volume);
    return m_Buffer.PlayWithVolumePan(loopCount, priority, uint32_t(startFrame), uint32_t(loopFrame), startVolume, pan);
}

bool GxSoundPlayerStream::Set3DPosition(const float* v)
{
    return Set3DVector(m_Buffer, v, &GxSoundBuffer3D::Get3DPosition, &GxSoundBuffer3D::Set3DPosition);
}
bool GxSoundPlayerStream::Get3DPosition(float* v) { return m_Buffer.Get3DPosition(v); }
bool GxSoundPlayerStream::SetConeOrientation(const float* v)
{
    return Set3DVector(m_Buffer, v, &GxSoundBuffer3D::GetConeOrientation,
                       &GxSoundBuffer3D::SetConeOrientation);
}

bool GxSoundPlayerStream::SetMinDistance(float d)
{
    return SetDistance(m_Buffer, d, &GxSound3DParams::minDistance, &m_MinDistance, &GxSoundBuffer3D::SetMinDistance);
}
bool GxSoundPlayerStream::SetMaxDistance(float d)
{
    return SetDistance(m_Buffer, d, &GxSound3DParams::maxDistance, &m_MaxDistance, &GxSoundBuffer3D::SetMaxDistance);
}
bool GxSoundPlayerStream::GetMinDistance(float* d)
{
    if (d) *d = 0.0f;
    return m_Buffer.GetMinDistance(d);
}
bool GxSoundPlayerStream::GetMaxDistance(float* d)
{
    if (d) *d = 0.0f;
    return m_Buffer.GetMaxDistance(d);
}
bool GxSoundPlayerStream::SetConeAngles(uint32_t inside, uint32_t outside) { return m_Buffer.SetConeAngles(inside, outside); }
bool GxSoundPlayerStream::GetConeAngles(uint32_t* inside, uint32_t* outside)
{
    if (inside) *inside = 0;
    if (outside) *outside = 0;
    return m_Buffer.GetConeAngles(inside, outside);
}
bool GxSoundPlayerStream::GetBufferConeOrientation(float* v) { return m_Buffer.GetConeOrientation(v); }
