#include "media/GxSoundBuffer.h"

#include <atomic>
#include <cstring>

#include "core/GxLog.h"
#include "platform/GxEvent.h"
#include "platform/GxMixer.h"
#include "platform/GxThread.h"

namespace {

bool StartThread(std::thread& thread, std::function<void()> body) { return GxStartThread(thread, std::move(body)); }

std::atomic<GxSoundThreadStarter> g_ThreadStarter{nullptr};

GxMixerFormat MixerFormatOf(const GxWaveFormat& f) { return GxMixerFormat{f.channels, f.bitsPerSample, f.samplesPerSec}; }

uint8_t SilenceOf(const GxWaveFormat& f) { return f.bitsPerSample == 8 ? 128 : 0; }

void Copy3(float* dst, const float* src) { std::memcpy(dst, src, 3 * sizeof(float)); }

void Reset3D(GxSound3DParams& p, bool is3D)
{
    p = GxSound3DParams{};
    if (is3D) {
        p.minDistance = 100.0f;
        p.maxDistance = 500.0f;
    }
}

}  // namespace

void GxSoundSetThreadStarter(GxSoundThreadStarter starter) { g_ThreadStarter.store(starter); }

// ---- 3D values, both buffers ----

bool GxSoundBuffer3D::Set3DPosition(const float* v)
{
    GxMutexScopedLock lock(&m_Lock);
    if (!m_Is3D || !v) return false;
    Copy3(m_3D.position, v);
    return true;
}

bool GxSoundBuffer3D::Get3DPosition(float* v)
{
    GxMutexScopedLock lock(&m_Lock);
    if (!m_Is3D || !v) return false;
    Copy3(v, m_3D.position);
    return true;
}

bool GxSoundBuffer3D::SetConeOrientation(const float* v)
{
    GxMutexScopedLock lock(&m_Lock);
    if (!m_Is3D || !v) return false;
    Copy3(m_3D.coneOrientation, v);
    return true;
}

bool GxSoundBuffer3D::GetConeOrientation(float* v)
{
    GxMutexScopedLock lock(&m_Lock);
    if (!m_Is3D || !v) return false;
    Copy3(v, m_3D.coneOrientation);
    return true;
}

// Only the position and the cone orientation are refused on a sound that is not 3D; the
// distances and cone angles are kept whatever the sound.
bool GxSoundBuffer3D::SetMinDistance(float d)
{
    GxMutexScopedLock lock(&m_Lock);
    m_3D.minDistance = d;
    return true;
}

bool GxSoundBuffer3D::SetMaxDistance(float d)
{
    GxMutexScopedLock lock(&m_Lock);
    m_3D.maxDistance = d;
    return true;
}

// These three only say whether the sound is 3D; their outputs are left as they are.
bool GxSoundBuffer3D::GetMinDistance(float*) { GxMutexScopedLock lock(&m_Lock); return m_Is3D; }
bool GxSoundBuffer3D::GetMaxDistance(float*) { GxMutexScopedLock lock(&m_Lock); return m_Is3D; }
bool GxSoundBuffer3D::GetConeAngles(uint32_t*, uint32_t*) { GxMutexScopedLock lock(&m_Lock); return m_Is3D; }

bool GxSoundBuffer3D::SetConeAngles(uint32_t inside, uint32_t outside)
{
    GxMutexScopedLock lock(&m_Lock);
    if (outside < inside) {
        GxPrintSlightErrorLog(m_ConeAnglesError);
        return false;
    }
    m_3D.insideConeAngle = inside;
    m_3D.outsideConeAngle = outside;
    return true;
}

// ---- static buffer ----

GxSoundBufferStatic::GxSoundBufferStatic()
    : GxSoundBuffer3D(u"Error/GxSoundBufferStatic::::SetConeAngle OutAngleはInAngle以上である必要があります\n")
{
}

GxSoundBufferStatic::~GxSoundBufferStatic() { Release(); }

bool GxSoundBufferStatic::Create(GxSoundLoaderBase* decoder, bool use3D)
{
    GxMutexScopedLock lock(&m_Lock);
    GxMixer* mixer = GxMixer::Get();
    if (!decoder || !decoder->IsOpen() || !mixer) return false;
    ReleaseLocked();
    m_Format = decoder->GetWaveFormat();
    const uint64_t dataSize = uint64_t(decoder->GetTotalSamples()) * m_Format.blockAlign;
    m_Is3D = use3D && m_Format.channels < 2;
    if (dataSize <= 0xFFFFFFFFull) m_Voice = mixer->CreateVoice(MixerFormatOf(m_Format), uint32_t(dataSize));
    if (!m_Voice) {
        GxPrintSlightErrorLog(u"Error/GxSoundBufferStatic::Create セカンダリバッファ作成に失敗しました\n");
        ReleaseLocked();
        return false;
    }
    m_DataSize = uint32_t(dataSize);
    Reset3D(m_3D, m_Is3D);
    uint8_t* region = m_Voice->Lock(0, m_DataSize);
    if (!region) {
        GxPrintSlightErrorLog(u"Error/GxSoundBufferStatic::Create セカンダリバッファのロックに失敗しました\n");
        return false;
    }
    uint32_t got = 0;
    if (!decoder->Read(region, m_DataSize, &got)) {
        GxPrintSlightErrorLog(u"Error/GxSoundBufferStatic::Create ファイルの読み込みに失敗しました\n");
        std::memset(region, 0, m_DataSize);
        m_Voice->Unlock();
        return false;
    }
    m_Voice->Unlock();
    return true;
}

bool GxSoundBufferStatic::PlayWithVolumePan(int32_t loopCount, uint32_t priority, uint32_t startFrame, int32_t volume,
                                            int32_t pan)
{
    GxMutexScopedLock lock(&m_Lock);
    if (!m_Voice) return false;
    SetVolume(volume);
    SetPan(pan);
    return Play(loopCount, priority, startFrame);
}

bool GxSoundBufferStatic::Play(int32_t loopCount, uint32_t priority, uint32_t startFrame)
{
    (void)priority;  // the mixer has no voice limit to arbitrate
    GxMutexScopedLock lock(&m_Lock);
    if (!m_Voice || !GxMixer::Get()) return false;
    m_Voice->Stop();
    m_LoopCount = loopCount;
    const uint64_t offset = uint64_t(startFrame) * m_Format.blockAlign;
    bool ok = offset < m_DataSize && m_Voice->SetCurrentPosition(uint32_t(offset));
    if (ok) ok = m_Voice->Play(loopCount == -1);
    // The device refuses a position outside the buffer as an invalid parameter.
    if (!ok) GxPrintSlightErrorLog(u"Error/GxSoundBufferStatic::Play 失敗 %x\n", 0x80070057u);
    return ok;
}

bool GxSoundBufferStatic::Stop()
{
    GxMutexScopedLock lock(&m_Lock);
    return m_Voice && m_Voice->Stop();
}

bool GxSoundBufferStatic::IsPlaying()
{
    GxMutexScopedLock lock(&m_Lock);
    return m_Voice && (m_Voice->GetStatus() & (kGxMixerStatusPlaying | kGxMixerStatusLooping)) != 0;
}

bool GxSoundBufferStatic::SetVolume(int32_t volume)
{
    GxMutexScopedLock lock(&m_Lock);
    if (!m_Voice) return false;
    m_Voice->SetVolume(volume);
    return true;
}

bool GxSoundBufferStatic::SetPan(int32_t pan)
{
    GxMutexScopedLock lock(&m_Lock);
    if (!m_Voice) return false;
    m_Voice->SetPan(pan);
    return true;
}

bool GxSoundBufferStatic::GetVolume(int32_t* volume)
{
    GxMutexScopedLock lock(&m_Lock);
    if (!m_Voice || !volume) return false;
    *volume = m_Voice->GetVolume();
    return true;
}

bool GxSoundBufferStatic::GetPan(int32_t* pan)
{
    GxMutexScopedLock lock(&m_Lock);
    if (!m_Voice || !pan) return false;
    *pan = m_Voice->GetPan();
    return true;
}

void GxSoundBufferStatic::Release()
{
    GxMutexScopedLock lock(&m_Lock);
    ReleaseLocked();
}

void GxSoundBufferStatic::ReleaseLocked()
{
    if (m_Voice) {
        m_Voice->Stop();
        if (GxMixer* mixer = GxMixer::Get()) mixer->RemoveVoice(m_Voice);
        m_Voice.reset();
    }
    m_DataSize = 0;
    m_Format = GxWaveFormat{};
}

bool GxSoundBufferStatic::HasSound()
{
    GxMutexScopedLock lock(&m_Lock);
    return m_Voice != nullptr;
}

uint32_t GxSoundBufferStatic::GetBufferSize() { GxMutexScopedLock lock(&m_Lock); return m_DataSize; }
uint32_t GxSoundBufferStatic::GetDataSize() { GxMutexScopedLock lock(&m_Lock); return m_DataSize; }
int32_t GxSoundBufferStatic::GetLoopCount() { GxMutexScopedLock lock(&m_Lock); return m_LoopCount; }
GxWaveFormat GxSoundBufferStatic::GetFormat() { GxMutexScopedLock lock(&m_Lock); return m_Format; }
bool GxSoundBufferStatic::Is3D() { GxMutexScopedLock lock(&m_Lock); return m_Voice && m_Is3D; }

bool GxSoundBufferStatic::Apply3D(bool)
{
    GxMutexScopedLock lock(&m_Lock);
    return m_Voice && m_Is3D;
}

// ---- stream buffer ----

GxSoundBufferStream::GxSoundBufferStream()
    : GxSoundBuffer3D(u"Error/GxSoundBufferStream::SetConeAngle OutAngleはInAngle以上である必要があります\n")
{
}

GxSoundBufferStream::~GxSoundBufferStream() { TearDown(); }

bool GxSoundBufferStream::Create(GxSoundLoaderBase* decoder, bool use3D)
{
    // Whatever ran before ends first, without the lock held (its thread takes the lock).
    TearDown();
    GxMutexScopedLock lock(&m_Lock);
    if (CreateLocked(decoder, use3D)) return true;
    return false;
}

bool GxSoundBufferStream::CreateLocked(GxSoundLoaderBase* decoder, bool use3D)
{
    GxMixer* mixer = GxMixer::Get();
    if (!mixer || !decoder || !decoder->IsOpen()) return false;
    m_Format = decoder->GetWaveFormat();
    const uint32_t block = m_Format.blockAlign;
    uint64_t segment = block ? (uint64_t(m_Format.samplesPerSec) * block * 4 / 16) / block * block : 0;
    const uint64_t dataSize = uint64_t(decoder->GetTotalSamples()) * block;
    m_Is3D = use3D && m_Format.channels < 2;
    if (segment > 0 && segment * kGxSoundSegmentCount <= 0xFFFFFFFFull) {
        m_Voice = mixer->CreateVoice(MixerFormatOf(m_Format), uint32_t(segment * kGxSoundSegmentCount));
    }
    if (!m_Voice) {
        GxPrintSlightErrorLog(u"Error/GxSoundBufferStream::Create セカンダリバッファ作成に失敗しました %x\n", 0x80070057u);
        ResetFields();
        return false;
    }
    m_SegmentSize = uint32_t(segment);
    m_BufferSize = m_SegmentSize * kGxSoundSegmentCount;
    m_DataSize = dataSize > 0xFFFFFFFFull ? 0xFFFFFFFFu : uint32_t(dataSize);
    m_Decoder = decoder;
    Reset3D(m_3D, m_Is3D);

    m_Hub = std::make_shared<GxEventHub>();
    m_RefillEvent = std::make_shared<GxEvent>(m_Hub);
    m_StopEvent = std::make_shared<GxEvent>(m_Hub);
    std::vector<GxMixerNotification> positions;
    for (uint32_t i = 0; i < kGxSoundSegmentCount; ++i) {
        positions.push_back(GxMixerNotification{m_SegmentSize / 2 + i * m_SegmentSize, m_RefillEvent});
    }
    if (!m_Voice->SetNotificationPositions(std::move(positions))) {
        Release();
        GxPrintSlightErrorLog(u"Error/GxSoundBufferStream::Create IDirectSoundNotify通知位置の設定に失敗しました\n");
        return false;
    }
    const GxSoundThreadStarter starter = g_ThreadStarter.load();
    auto body = [this, refill = m_RefillEvent, stop = m_StopEvent] { ThreadMain(this, refill, stop); };
    if (!(starter ? starter : StartThread)(m_Thread, std::move(body))) {
        Release();
        GxPrintSlightErrorLog(u"Error/GxSoundBufferStream::Create ストリーム再生スレッドの作成に失敗しました\n");
        return false;
    }
    return true;
}

bool GxSoundBufferStream::PlayWithVolumePan(int32_t loopCount, uint32_t priority, uint32_t startFrame,
                                            uint32_t loopFrame, int32_t volume, int32_t pan)
{
    // Both are sent whatever was sent before.
    m_LastVolume.store(1);
    m_LastPan.store(100000);
    SetVolume(volume);
    SetPan(pan);
    return Play(loopCount, priority, startFrame, loopFrame);
}

bool GxSoundBufferStream::Play(int32_t loopCount, uint32_t priority, uint32_t startFrame, uint32_t loopFrame)
{
    (void)priority;
    bool tearDown = false;
    bool ok = false;
    {
        GxMutexScopedLock lock(&m_Lock);
        ok = PlayLocked(loopCount, startFrame, loopFrame, &tearDown);
    }
    // A failed first fill ends the thread; that must happen without the lock.
    if (tearDown) TearDown();
    return ok;
}

bool GxSoundBufferStream::PlayLocked(int32_t loopCount, uint32_t startFrame, uint32_t loopFrame, bool* tearDown)
{
    if (!GxMixer::Get() || !m_Voice || !m_Decoder || !m_Decoder->IsOpen()) return false;
    m_Voice->Stop();
    if (!m_Decoder->Seek(startFrame)) {
        GxPrintSlightErrorLog(u"Error/GxSoundBufferStream::Play ストリーミング再生シーク失敗\n");
    }
    m_LastSegment = -1;
    m_LastCursor = 0;
    m_BytesWritten = 0;
    m_BytesPlayed = 0;
    m_Ended = false;
    m_Decoder->SetLoopStart(loopFrame);
    m_LoopFrame = loopFrame;
    m_TotalFrames = uint64_t(m_Decoder->GetTotalSamples());
    m_LoopsLeft = loopCount;

    m_Voice->SetCurrentPosition(0);
    uint32_t got = 0;
    int32_t loops = m_LoopsLeft;
    bool ended = false;
    if (!FillBuffer(0, m_BufferSize, m_LoopFrame, m_LoopsLeft, &got, &loops, &ended)) {
        GxPrintSlightErrorLog(u"Error/GxSoundBufferStream::Play FillBuffer失敗\n");
        *tearDown = true;
        return false;
    }
    m_BytesWritten += got;
    m_LoopsLeft = loops;
    m_Ended = ended;
    if (!m_Voice->Play(true)) {
        GxPrintSlightErrorLog(u"Error/GxSoundBufferStream::Play 失敗 %x\n", 0x80004005u);
        return false;
    }
    return true;
}

bool GxSoundBufferStream::Stop()
{
    GxMutexScopedLock lock(&m_Lock);
    return m_Voice && m_Voice->Stop();
}

bool GxSoundBufferStream::IsPlaying()
{
    GxMutexScopedLock lock(&m_Lock);
    return m_Voice && (m_Voice->GetStatus() & kGxMixerStatusPlaying) != 0;
}

bool GxSoundBufferStream::SetVolume(int32_t volume)
{
    std::shared_ptr<GxMixerVoice> voice;
    {
        GxMutexScopedLock lock(&m_Lock);
        voice = m_Voice;
    }
    if (!voice) return false;
    if (m_LastVolume.exchange(volume) != volume) voice->SetVolume(volume);
    return true;
}

bool GxSoundBufferStream::SetPan(int32_t pan)
{
    std::shared_ptr<GxMixerVoice> voice;
    {
        GxMutexScopedLock lock(&m_Lock);
        voice = m_Voice;
    }
    if (!voice) return false;
    if (m_LastPan.exchange(pan) != pan) voice->SetPan(pan);
    return true;
}

bool GxSoundBufferStream::GetVolume(int32_t* volume)
{
    GxMutexScopedLock lock(&m_Lock);
    if (!m_Voice || !volume) return false;
    *volume = m_Voice->GetVolume();
    return true;
}

bool GxSoundBufferStream::GetPan(int32_t* pan)
{
    GxMutexScopedLock lock(&m_Lock);
    if (!m_Voice || !pan) return false;
    *pan = m_Voice->GetPan();
    return true;
}

void GxSoundBufferStream::Release()
{
    GxMutexScopedLock lock(&m_Lock);
    m_RefillEvent.reset();
    m_StopEvent.reset();
    m_Hub.reset();
    ResetFields();
}

void GxSoundBufferStream::ResetFields()
{
    if (m_Voice) {
        m_Voice->Stop();
        if (GxMixer* mixer = GxMixer::Get()) mixer->RemoveVoice(m_Voice);
        m_Voice.reset();
    }
    m_Decoder = nullptr;
    m_Format = GxWaveFormat{};
    m_SegmentSize = m_BufferSize = m_DataSize = 0;
    m_LastSegment = -1;
    m_LastCursor = 0;
    m_BytesWritten = m_BytesPlayed = 0;
    m_Ended = false;
    m_LoopFrame = 0;
    m_TotalFrames = 0;
    m_LoopsLeft = 0;
    m_LastVolume.store(1);
    m_LastPan.store(100000);
    m_Is3D = false;
    // Cleared, with only its size set.
    m_3D = GxSound3DParams{};
    m_3D.insideConeAngle = m_3D.outsideConeAngle = 0;
    m_3D.coneOrientation[2] = 0.0f;
    m_3D.minDistance = m_3D.maxDistance = 0.0f;
}

void GxSoundBufferStream::TearDown()
{
    std::thread thread;
    std::shared_ptr<GxEvent> stop;
    {
        GxMutexScopedLock lock(&m_Lock);
        if (m_Voice) m_Voice->Stop();
        thread = std::move(m_Thread);
        stop = m_StopEvent;
    }
    // The lock is free now, so a fill in progress can finish; a fill is bounded, so the join is.
    if (stop) stop->Set();
    if (thread.joinable()) thread.join();
    GxMutexScopedLock lock(&m_Lock);
    m_RefillEvent.reset();
    m_StopEvent.reset();
    m_Hub.reset();
    ResetFields();
}

uint32_t GxSoundBufferStream::GetBufferSize() { GxMutexScopedLock lock(&m_Lock); return m_BufferSize; }
uint32_t GxSoundBufferStream::GetDataSize() { GxMutexScopedLock lock(&m_Lock); return m_DataSize; }
uint32_t GxSoundBufferStream::GetSegmentSize() { GxMutexScopedLock lock(&m_Lock); return m_SegmentSize; }
int32_t GxSoundBufferStream::GetLoopCount() { GxMutexScopedLock lock(&m_Lock); return m_LoopsLeft; }
uint64_t GxSoundBufferStream::GetBytesWritten() { GxMutexScopedLock lock(&m_Lock); return m_BytesWritten; }
uint64_t GxSoundBufferStream::GetBytesPlayed() { GxMutexScopedLock lock(&m_Lock); return m_BytesPlayed; }
bool GxSoundBufferStream::IsEnded() { GxMutexScopedLock lock(&m_Lock); return m_Ended; }
bool GxSoundBufferStream::HasThread() { GxMutexScopedLock lock(&m_Lock); return m_Thread.joinable(); }
std::vector<uint32_t> GxSoundBufferStream::GetNotificationOffsets()
{
    GxMutexScopedLock lock(&m_Lock);
    return m_Voice ? m_Voice->GetNotificationOffsets() : std::vector<uint32_t>{};
}
GxWaveFormat GxSoundBufferStream::GetFormat() { GxMutexScopedLock lock(&m_Lock); return m_Format; }
bool GxSoundBufferStream::Is3D() { GxMutexScopedLock lock(&m_Lock); return m_Voice && m_Is3D; }

bool GxSoundBufferStream::FillBuffer(uint32_t offset, uint32_t bytes, uint32_t loopFrame, int32_t loopsIn,
                                     uint32_t* bytesRead, int32_t* loopsOut, bool* ended)
{
    GxMutexScopedLock lock(&m_Lock);
    *bytesRead = 0;
    *loopsOut = loopsIn;
    *ended = false;
    if (!GxMixer::Get() || !m_Voice || !m_Decoder) return false;
    uint8_t* region = m_Voice->Lock(offset, bytes);
    if (!region) {
        GxPrintSlightErrorLog(u"Error/GxSoundBufferStream::FillBuffer Lockに失敗\n");
        return false;
    }
    std::memset(region, SilenceOf(m_Format), bytes);
    uint32_t got = 0;
    if (!m_Decoder->Read(region, bytes, &got)) {
        m_Voice->Unlock();
        GxPrintSlightErrorLog(u"Error/GxSoundBufferStream::FillBuffer Readに失敗\n");
        return false;
    }
    uint32_t filled = got;
    int32_t loops = loopsIn;
    if (filled < bytes) {
        if (loops == 0) {
            *ended = true;  // the rest stays silent
        } else {
            while (loops != 0) {
                if (m_Decoder->IsEnd() && loops >= 1) --loops;
                if (!m_Decoder->Seek(loopFrame)) {
                    GxPrintSlightErrorLog(u"Error/GxSoundBufferStream::FillBuffer Seek(2)に失敗\n");
                    break;
                }
                uint32_t more = 0;
                if (!m_Decoder->Read(region + filled, bytes - filled, &more)) {
                    GxPrintSlightErrorLog(u"Error/GxSoundBufferStream::FillBuffer Read(2)に失敗\n");
                    break;
                }
                filled += more;
                if (more == 0 || filled >= bytes) break;
            }
        }
    } else if (m_Decoder->IsEnd()) {
        if (loops != 0) {
            if (!m_Decoder->Seek(loopFrame)) {
                GxPrintSlightErrorLog(u"Error/GxSoundBufferStream::FillBuffer Seek(3)に失敗\n");
            }
            if (loops > 0) --loops;
        } else {
            *ended = true;
        }
    }
    m_Voice->Unlock();
    *bytesRead = filled;
    *loopsOut = loops;
    return true;
}

bool GxSoundBufferStream::FillBufferSilence(uint32_t offset, uint32_t bytes)
{
    GxMutexScopedLock lock(&m_Lock);
    if (!GxMixer::Get() || !m_Voice) return false;
    uint8_t* region = m_Voice->Lock(offset, bytes);
    if (!region) {
        GxPrintSlightErrorLog(u"Error/GxSoundBufferStream::FillBuffer Lockに失敗\n");
        return false;
    }
    std::memset(region, SilenceOf(m_Format), bytes);
    m_Voice->Unlock();
    return true;
}

bool GxSoundBufferStream::RefillStep()
{
    // The whole step runs under the buffer lock (re-entered by each fill): a Play or Stop from
    // the main thread then never sees a half-updated ring position.
    GxMutexScopedLock lock(&m_Lock);
    if (!m_Voice) return true;
    if ((m_Voice->GetStatus() & kGxMixerStatusPlaying) == 0) return false;
    const uint32_t cursor = m_Voice->GetCurrentPosition();
    const uint32_t advance = cursor >= m_LastCursor ? cursor - m_LastCursor : m_BufferSize - m_LastCursor + cursor;
    m_BytesPlayed += advance;
    m_LastCursor = cursor;

    const int32_t finished = int32_t((cursor / m_SegmentSize + kGxSoundSegmentCount - 1) % kGxSoundSegmentCount);
    int32_t count = 0;
    if (m_LastSegment == -1) {
        if (finished == 0) {
            count = 1;
            m_LastSegment = 0;
        }
    } else {
        count = finished - m_LastSegment;
        if (count < 0) count += kGxSoundSegmentCount;
        m_LastSegment = finished;
    }
    if (count > 4) count = 4;
    for (int32_t k = 0; k < count; ++k) {
        const uint32_t segment = uint32_t((finished - count + 1 + k + kGxSoundSegmentCount) % kGxSoundSegmentCount);
        const uint32_t offset = segment * m_SegmentSize;
        bool ok;
        if (m_Ended) {
            ok = FillBufferSilence(offset, m_SegmentSize);
        } else {
            uint32_t got = 0;
            int32_t loops = m_LoopsLeft;
            bool ended = false;
            ok = FillBuffer(offset, m_SegmentSize, m_LoopFrame, m_LoopsLeft, &got, &loops, &ended);
            m_BytesWritten += got;
            m_LoopsLeft = loops;
            m_Ended = ended;
        }
        if (!ok) {
            m_Voice->Stop();
            return true;
        }
    }
    if (m_Ended && m_BytesPlayed > m_BytesWritten) {
        // Playback has passed the last decoded byte.
        m_Voice->Stop();
        return true;
    }
    return false;
}

void GxSoundBufferStream::ThreadMain(GxSoundBufferStream* self, std::shared_ptr<GxEvent> refill,
                                     std::shared_ptr<GxEvent> stop)
{
    GxEvent* events[2] = {refill.get(), stop.get()};
    for (;;) {
        if (GxEvent::WaitAny(events, 2) != 0) break;
        const bool stopNow = self->RefillStep();
        refill->Done();
        if (stopNow) break;
    }
    // Nobody answers refills any more: a renderer waiting for one goes on.
    refill->Close();
}

bool GxSoundBufferStream::Apply3D(bool)
{
    GxMutexScopedLock lock(&m_Lock);
    return m_Voice && m_Is3D;
}
