#include "media/GxMoviePlayerFile.h"

#include <algorithm>
#include <cstring>

#include "core/GxLog.h"
#include "core/GxString.h"
#include "media/GxSoundClock.h"
#include "media/GxTextureMovie.h"
#include "platform/GxMixer.h"
#include "platform/GxThread.h"

namespace {

// Decoded ahead of the clock: pictures (and at most so many bytes of them, one at least), and
// sound in samples (stereo).
constexpr size_t kFrameQueue = 8;
constexpr size_t kFrameQueueBytes = 64u << 20;
constexpr size_t kSoundQueueSamples = size_t(kGxMixerRate) * 2 * 2;
// The voice's ring: two seconds, of which the quarter second ahead of the mixer's cursor is written.
constexpr uint32_t kRingFrames = kGxMixerRate * 2;
constexpr uint64_t kSoundLead = kGxMixerRate / 4;
// Sound the mixer will take before the next update: when it is not decoded yet, silence goes
// there (a device takes about 23 ms at a time, updates come every 17 ms).
constexpr uint64_t kSoundUrgent = kGxMixerRate / 20;
// A device takes sound in chunks; between them the movie clock runs on with the sound clock,
// for at most this long.
constexpr uint64_t kSmoothMs = 100;
// A device that stops taking sound holds the picture back at most this far behind the sound clock.
constexpr double kSoundStallAllowance = 0.2;

struct ExtensionType
{
    const char16_t* ext;
    int32_t type;
};
// Container kinds by extension (the numbers only tell them apart).
constexpr ExtensionType kExtensions[] = {
    {u".avi", 1}, {u".mpg", 2}, {u".mpeg", 2}, {u".mpv", 3}, {u".dat", 4},
    {u".mov", 5}, {u".mpa", 6}, {u".wav", 7},  {u".asf", 8}, {u".mpg2", 9},
};

// The decoder's byte table over the movie's stream.
int32_t IoRead(void* opaque, uint8_t* buffer, int32_t count)
{
    auto* stream = static_cast<GxMovieStream*>(opaque);
    if (count <= 0) return 0;
    uint32_t read = 0;
    if (!stream->Read(buffer, static_cast<uint32_t>(count), &read)) return -1;
    return static_cast<int32_t>(read);
}

int64_t IoSeek(void* opaque, int64_t offset, int whence)
{
    auto* stream = static_cast<GxMovieStream*>(opaque);
    const int64_t size = stream->Size();
    const int64_t base = whence == 0 ? 0 : whence == 1 ? stream->GetPointer() : size;
    // The demuxer must hear that a seek outside the file failed (and no sum may overflow).
    if (offset < -size - 1 || offset > size + 1) return -1;
    return stream->SetPointer(base + offset) ? stream->GetPointer() : -1;
}

int64_t IoSize(void* opaque) { return static_cast<GxMovieStream*>(opaque)->Size(); }

GxMoviePlayerFile::ThreadStart g_ThreadStart = GxStartThread;
GxMovieSourceFactory g_SourceFactory = GxOpenMovieFile;

}  // namespace

GxMoviePlayerFile::GxMoviePlayerFile() = default;

GxMoviePlayerFile::~GxMoviePlayerFile() { Close(); }

void GxMoviePlayerFile::SetThreadStart(ThreadStart start) { g_ThreadStart = start ? start : GxStartThread; }

void GxMoviePlayerFile::SetSourceFactory(GxMovieSourceFactory factory)
{
    g_SourceFactory = factory ? factory : GxOpenMovieFile;
}

int32_t GxMoviePlayerFile::MediaTypeForName(std::u16string_view fileName)
{
    const size_t dot = fileName.rfind(u'.');
    if (dot == std::u16string_view::npos) return 0;
    const std::u16string ext = GxToLower(fileName.substr(dot));
    for (const ExtensionType& e : kExtensions)
        if (ext == e.ext) return e.type;
    return 0;
}

bool GxMoviePlayerFile::Open(std::u16string_view fileName, GxTextureMovie* texture, bool renderAll, bool dynamic)
{
    Close();
    m_FileName.assign(fileName);
    if (MediaTypeForName(fileName) == 0) {
        GxPrintErrorLog(u"GxMoviePlayerFile::この形式は再生できません。再生可能なのはavi,mpgのみです (File=%s)\n",
                        m_FileName);
        return false;
    }
    m_Source = g_SourceFactory(fileName);
    if (!m_Source) {
        GxPrintErrorLog(u"GxMoviePlayerFile::動画ファイルオープンに失敗 (File=%s)\n", m_FileName);
        return false;
    }
    m_Io.opaque = m_Source.get();
    m_Io.read = IoRead;
    m_Io.seek = IoSeek;
    m_Io.size = IoSize;
    uint32_t code = 0;
    if (!m_Decoder.Open(m_Io, renderAll, &code)) {
        m_Source.reset();
        GxPrintErrorLog(u"GxMoviePlayerFile::MovieReader作成失敗 (File=%s/HRESULT 0x%8.8X)\n", m_FileName, code);
        return false;
    }
    m_VideoWidth = m_Decoder.GetWidth();
    m_VideoHeight = m_Decoder.GetHeight();
    m_VideoPitch = (m_VideoWidth * 3 + 3) & ~3u;
    m_Duration = m_Decoder.GetDuration();
    if (!texture) {
        m_OwnTexture = std::make_unique<GxTextureMovie>();
        if (!m_OwnTexture->Create(u"#GxMovieRenderer", m_VideoWidth, m_VideoHeight, GXFMT_A8R8G8B8, 0xFF000000u,
                                  dynamic)) {
            m_OwnTexture.reset();
            m_Decoder.Close();
            m_Source.reset();
            GxPrintErrorLog(u"Could not create texture renderer object!  hr=0x%x\n", 0x80004005u);
            return false;
        }
        texture = m_OwnTexture.get();
    }
    m_pTexture = texture;
    m_U = texture->GetWidth() ? static_cast<float>(m_VideoWidth) / static_cast<float>(texture->GetWidth()) : 1.0f;
    m_V = texture->GetHeight() ? static_cast<float>(m_VideoHeight) / static_cast<float>(texture->GetHeight()) : 1.0f;
    if (renderAll && m_Decoder.HasAudio()) {
        if (GxMixer* mixer = GxMixer::Get())
            m_Voice = mixer->CreateVoice(GxMixerFormat{2, 16, kGxMixerRate}, kRingFrames * 4);
    }
    // Sound nobody takes would pile up in the decoder.
    if (!m_Voice) m_Decoder.SkipAudio();
    m_Quit = false;
    m_WantSound = m_Voice != nullptr;
    m_VideoEnd = false;
    m_AudioEnd = !m_WantSound;
    int error = 0;
    if (!g_ThreadStart(m_Worker, [this] { WorkerMain(); }, &error)) {
        // The reader's worker could not start: the movie cannot play. What Open built goes again.
        Close();
        GxPrintErrorLog(u"GxMoviePlayerFile::MovieReader作成失敗 (File=%s/HRESULT 0x%8.8X)\n", m_FileName,
                        0x80070000u | (static_cast<uint32_t>(error) & 0xFFFFu));
        return false;
    }
    m_Opened = true;
    return true;
}

void GxMoviePlayerFile::StopWorker()
{
    {
        std::lock_guard<std::mutex> guard(m_Mutex);
        m_Quit = true;
    }
    m_Cv.notify_all();
    if (m_Worker.joinable()) m_Worker.join();
}

void GxMoviePlayerFile::Close()
{
    m_LoopStart = 0.0;
    m_Playing = false;
    m_LoopCount = 0;
    m_VideoWidth = m_VideoHeight = m_VideoPitch = 0;
    m_U = m_V = 1.0f;
    // The worker goes first: it reads the file through the decoder.
    StopWorker();
    StopSound();
    if (m_Voice) {
        if (GxMixer* mixer = GxMixer::Get()) mixer->RemoveVoice(m_Voice);
        m_Voice.reset();
    }
    m_Decoder.Close();
    m_Source.reset();
    m_pTexture = nullptr;
    m_OwnTexture.reset();
    m_Frames.clear();
    m_Sound.clear();
    m_SoundQueued = 0;
    m_SoundWritten = m_SoundPlayed = m_SoundCleared = 0;
    m_LastCursor = 0;
    m_Events.clear();
    m_SeekPending = false;
    m_VideoEnd = m_AudioEnd = false;
    m_VideoBlocked = m_AudioBlocked = false;
    m_VideoUntil = m_AudioUntil = -1.0;
    m_Busy = false;
    m_Running = false;
    m_BasePos = 0.0;
    m_LastPos = 0.0;
    m_LastFrameTime = -1.0;
    m_CompletePosted = false;
    m_VideoDone = m_SoundDone = false;
    m_Opened = false;
}

bool GxMoviePlayerFile::WantVideo() const
{
    return !m_VideoEnd && !m_VideoBlocked &&
           (m_Frames.empty() ||
            (m_Frames.size() < kFrameQueue && m_Frames.size() * m_Frames.back().bgr.size() < kFrameQueueBytes));
}

bool GxMoviePlayerFile::WantAudio() const
{
    return m_WantSound && !m_AudioEnd && !m_AudioBlocked && m_SoundQueued < kSoundQueueSamples;
}

void GxMoviePlayerFile::WorkerMain()
{
    GxMovieVideoFrame video;
    GxMovieAudioChunk audio;
    double dropSoundBefore = 0.0;
    std::unique_lock<std::mutex> lock(m_Mutex);
    for (;;) {
        // A main thread waiting for this worker learns that it took a step.
        ++m_Steps;
        m_Busy = false;
        m_Cv.notify_all();
        m_Cv.wait(lock, [this] { return m_Quit || m_SeekPending || WantVideo() || WantAudio(); });
        if (m_Quit) return;
        m_Busy = true;
        if (m_SeekPending) {
            const double target = m_SeekTarget;
            m_SeekPending = false;
            m_Frames.clear();
            m_Sound.clear();
            m_SoundQueued = 0;
            m_VideoEnd = false;
            m_AudioEnd = !m_WantSound;
            m_VideoBlocked = m_AudioBlocked = false;
            m_VideoUntil = m_AudioUntil = -1.0;
            ++m_Generation;
            lock.unlock();
            const bool ok = m_Decoder.Seek(target);
            lock.lock();
            if (!ok) m_VideoEnd = m_AudioEnd = true;
            dropSoundBefore = target;
            continue;
        }
        // Of the two streams the one decoded less far ahead goes first.
        const bool takeVideo = WantVideo() && (!WantAudio() || m_VideoUntil <= m_AudioUntil);
        const uint64_t mine = m_Generation;
        lock.unlock();
        const GxMovieDecoder::Result r = takeVideo ? m_Decoder.NextVideo(video) : m_Decoder.NextAudio(audio);
        lock.lock();
        // A seek asked for while decoding makes this result stale.
        if (m_SeekPending || mine != m_Generation) continue;
        switch (r) {
        case GxMovieDecoder::Result::Video:
            m_VideoUntil = video.time;
            m_Frames.push_back(std::move(video));
            m_AudioBlocked = false;
            break;
        case GxMovieDecoder::Result::Audio: {
            const double end = (audio.time < 0.0 ? std::max(m_AudioUntil, 0.0) : audio.time) +
                               double(audio.samples.size() / 2) / kGxMixerRate;
            if (audio.time < 0.0 || end >= dropSoundBefore) {
                m_SoundQueued += audio.samples.size();
                m_Sound.push_back(std::move(audio));
            }
            m_AudioUntil = std::max(m_AudioUntil, end);
            m_VideoBlocked = false;
            break;
        }
        case GxMovieDecoder::Result::End: (takeVideo ? m_VideoEnd : m_AudioEnd) = true; break;
        case GxMovieDecoder::Result::Error: m_VideoEnd = m_AudioEnd = true; break;
        case GxMovieDecoder::Result::Blocked: (takeVideo ? m_VideoBlocked : m_AudioBlocked) = true; break;
        }
        // The other stream's end frees one that waited on its kept packets.
        if (m_VideoEnd) m_AudioBlocked = false;
        if (m_AudioEnd) m_VideoBlocked = false;
    }
}

bool GxMoviePlayerFile::WaitForWorker(std::unique_lock<std::mutex>& lock)
{
    if (!GxSoundHasInstalledClock()) return false;
    // A worker that is idle with nothing it could do will deliver nothing more.
    if (!m_Busy && !m_SeekPending && !WantVideo() && !WantAudio()) return false;
    const uint64_t seen = m_Steps;
    m_Cv.notify_all();
    m_Cv.wait(lock, [this, seen] { return m_Steps != seen || m_Quit; });
    return !m_Quit;
}

uint64_t GxMoviePlayerFile::SoundPlayed(uint64_t now)
{
    const uint32_t cursor = m_Voice->GetCurrentPosition() / 4;
    uint64_t delta = (cursor + kRingFrames - m_LastCursor) % kRingFrames;
    GxMixer* mixer = GxMixer::Get();
    const bool device = mixer && !mixer->IsManual();
    // A device that ran on for longer than the ring since the last look went round it unseen:
    // the sound clock tells how often.
    const uint64_t ringMs = uint64_t(kRingFrames) * 1000 / kGxMixerRate;
    if (device && now - std::min(now, m_CursorStamp) > ringMs / 2) {
        const uint64_t expected = (now - m_CursorStamp) * kGxMixerRate / 1000;
        while (delta + kRingFrames / 2 < expected) delta += kRingFrames;
    }
    m_CursorStamp = now;
    if (delta) {
        m_SoundPlayed += delta;
        m_LastCursor = cursor;
        m_PlayedStamp = now;
    }
    return m_SoundPlayed;
}

double GxMoviePlayerFile::PositionNow()
{
    if (!m_Running) return m_BasePos;
    const uint64_t now = GxSoundGetTime();
    const double clockPos = m_BasePos + static_cast<double>(now - std::min(now, m_BaseClock)) / 1000.0;
    GxMixer* mixer = GxMixer::Get();
    const bool manual = mixer && mixer->IsManual();
    // An installed clock over a device that runs in real time (a test's; unpaced runs mix by the
    // frames) does not meet the sound: then the clock leads, as it does every other timing.
    if (!m_Voice || !mixer || (GxSoundHasInstalledClock() && !manual)) return clockPos;
    double pos = m_SoundStartPos + static_cast<double>(SoundPlayed(now)) / kGxMixerRate;
    if (!manual) {
        pos += static_cast<double>(std::min(now - std::min(now, m_PlayedStamp), kSmoothMs)) / 1000.0;
        pos = std::max({pos, clockPos - kSoundStallAllowance, m_LastPos});
    }
    m_LastPos = pos;
    return pos;
}

void GxMoviePlayerFile::Run()
{
    // From where it stands (a second Play while running goes on from here, sound and all).
    m_BasePos = PositionNow();
    m_BaseClock = GxSoundGetTime();
    m_Running = true;
    StartSound(m_BasePos);
}

void GxMoviePlayerFile::Halt()
{
    m_BasePos = PositionNow();
    m_Running = false;
    StopSound();
}

void GxMoviePlayerFile::RequestSeek(double seconds)
{
    {
        std::lock_guard<std::mutex> guard(m_Mutex);
        m_SeekPending = true;
        m_SeekTarget = seconds;
        m_Frames.clear();
        m_Sound.clear();
        m_SoundQueued = 0;
        m_VideoEnd = false;
        m_AudioEnd = !m_WantSound;
    }
    m_Cv.notify_all();
    m_BasePos = seconds;
    m_BaseClock = GxSoundGetTime();
    m_LastFrameTime = -1.0;
    m_CompletePosted = false;
    m_VideoDone = m_SoundDone = false;
    if (m_Running) StartSound(seconds);
}

bool GxMoviePlayerFile::Play(int32_t loopCount, int32_t volume)
{
    m_LoopCount = loopCount;
    if (!m_Opened) return false;
    SetVolume(volume);
    Run();
    m_Playing = true;
    return true;
}

bool GxMoviePlayerFile::Stop()
{
    m_Playing = false;
    if (!m_Opened) return false;
    Halt();
    return true;
}

void GxMoviePlayerFile::SetVolume(int32_t volume)
{
    m_Volume = volume;
    if (m_Voice) m_Voice->SetVolume(volume);
}

double GxMoviePlayerFile::GetStopTime() { return m_Opened ? m_Duration : 0.0; }

double GxMoviePlayerFile::GetDuration() { return m_Opened ? m_Duration : 0.0; }

double GxMoviePlayerFile::GetPosition() { return m_Opened ? PositionNow() : 0.0; }

bool GxMoviePlayerFile::SetPosition(double seconds)
{
    if (!m_Opened) return false;
    RequestSeek(std::max(0.0, seconds));
    return true;
}

void GxMoviePlayerFile::GetUV(float* u, float* v)
{
    if (u) *u = m_U;
    if (v) *v = m_V;
}

bool GxMoviePlayerFile::GetEvent(int32_t* code, intptr_t* param1, intptr_t* param2, int32_t)
{
    if (m_Events.empty()) return false;
    if (code) *code = m_Events.front();
    if (param1) *param1 = 0;
    if (param2) *param2 = 0;
    m_Events.pop_front();
    return true;
}

GxDeviceTexture* GxMoviePlayerFile::GetTextureD3D() { return m_pTexture ? m_pTexture->GetD3DTexture() : nullptr; }

void GxMoviePlayerFile::ShowFrameAt(double pos)
{
    GxMovieVideoFrame show;
    bool have = false;
    {
        std::unique_lock<std::mutex> lock(m_Mutex);
        for (;;) {
            while (!m_Frames.empty() && m_Frames.front().time <= pos + 1e-6) {
                show = std::move(m_Frames.front());
                m_Frames.pop_front();
                have = true;
            }
            // Right after a seek or the start, the first frame stands in until its time comes
            // (the sound may start a little before the picture).
            if (!have && m_LastFrameTime < 0.0 && !m_Frames.empty() && !m_SeekPending) {
                show = std::move(m_Frames.front());
                m_Frames.pop_front();
                have = true;
            }
            // The frame shown is the last one due only once a later one or the end is known.
            if (!m_Frames.empty() || m_VideoEnd || !WaitForWorker(lock)) break;
        }
        m_VideoDone = m_VideoEnd && m_Frames.empty() && !m_SeekPending;
    }
    m_Cv.notify_all();
    if (have) {
        m_FrameSpan = show.span;
        m_LastFrameTime = show.time;
        if (m_pTexture) m_pTexture->WriteFrame(show.bgr.data(), show.width, show.height, show.width * 3);
    }
}

void GxMoviePlayerFile::StartSound(double pos)
{
    if (!m_Voice) return;
    m_Voice->Stop();
    // Only what was written and not yet cleared is not silence.
    WriteRing(m_SoundCleared, nullptr, std::min<uint64_t>(m_SoundWritten - std::min(m_SoundWritten, m_SoundCleared), kRingFrames));
    m_Voice->SetCurrentPosition(0);
    m_SoundStartPos = pos;
    m_SoundWritten = m_SoundPlayed = m_SoundCleared = 0;
    m_LastCursor = 0;
    m_CursorStamp = m_PlayedStamp = GxSoundGetTime();
    m_LastPos = pos;
    FeedSound();
    m_Voice->Play(true);
}

void GxMoviePlayerFile::StopSound()
{
    if (m_Voice) m_Voice->Stop();
}

void GxMoviePlayerFile::FeedSound()
{
    if (!m_Voice) return;
    const uint64_t played = SoundPlayed(GxSoundGetTime());
    // What the mixer took is cleared, so that a main thread that falls behind leaves silence,
    // not the sound of two seconds ago: the ring holds sound only where it was written and
    // not yet cleared.
    const uint64_t clearTo = std::min(played, m_SoundWritten);
    if (clearTo > m_SoundCleared) WriteRing(m_SoundCleared, nullptr, std::min<uint64_t>(clearTo - m_SoundCleared, kRingFrames));
    m_SoundCleared = std::max(m_SoundCleared, clearTo);
    // Sound the mixer already passed is not written any more.
    if (m_SoundWritten < played) m_SoundWritten = m_SoundCleared = played;

    const uint64_t target = played + kSoundLead;
    const uint64_t urgent = played + kSoundUrgent;
    std::vector<int16_t> out;
    {
        std::unique_lock<std::mutex> lock(m_Mutex);
        while (m_SoundWritten + out.size() / 2 < target) {
            const uint64_t at = m_SoundWritten + out.size() / 2;
            const double atTime = m_SoundStartPos + static_cast<double>(at) / kGxMixerRate;
            if (m_Sound.empty()) {
                if (m_AudioEnd) {
                    out.resize(static_cast<size_t>(target - m_SoundWritten) * 2, 0);
                    break;
                }
                if (WaitForWorker(lock)) continue;
                // Not decoded yet: silence where the mixer is about to read.
                if (at < urgent) out.resize(static_cast<size_t>(urgent - m_SoundWritten) * 2, 0);
                break;
            }
            GxMovieAudioChunk& c = m_Sound.front();
            const size_t frames = c.samples.size() / 2;
            const double chunkTime = c.time < 0.0 ? atTime : c.time;
            if (chunkTime > atTime + 1.0 / kGxMixerRate) {
                // A gap before the chunk: silence.
                const uint64_t gap = std::min<uint64_t>(static_cast<uint64_t>((chunkTime - atTime) * kGxMixerRate),
                                                        target - at);
                out.resize(out.size() + std::max<uint64_t>(gap, 1) * 2, 0);
                continue;
            }
            // Skip the part of the chunk that lies before the write point.
            size_t skip = static_cast<size_t>(std::max(0.0, (atTime - chunkTime) * kGxMixerRate));
            skip = std::min(skip, frames);
            const size_t take = std::min<uint64_t>(frames - skip, target - at);
            out.insert(out.end(), c.samples.begin() + skip * 2, c.samples.begin() + (skip + take) * 2);
            if (skip + take >= frames) {
                m_SoundQueued -= c.samples.size();
                m_Sound.pop_front();
            } else {
                c.samples.erase(c.samples.begin(), c.samples.begin() + (skip + take) * 2);
                c.time = chunkTime + static_cast<double>(skip + take) / kGxMixerRate;
            }
        }
        m_SoundDone = m_AudioEnd && m_Sound.empty() && !m_SeekPending;
    }
    m_Cv.notify_all();
    WriteRing(m_SoundWritten, out.data(), out.size() / 2);
    m_SoundWritten += out.size() / 2;
}

void GxMoviePlayerFile::WriteRing(uint64_t from, const int16_t* samples, uint64_t frames)
{
    while (frames) {
        const uint32_t at = static_cast<uint32_t>(from % kRingFrames);
        const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(frames, kRingFrames - at));
        uint8_t* p = m_Voice->Lock(at * 4, n * 4);
        if (!p) return;
        if (samples) {
            std::memcpy(p, samples, size_t(n) * 4);
            samples += size_t(n) * 2;
        } else {
            std::memset(p, 0, size_t(n) * 4);
        }
        m_Voice->Unlock();
        from += n;
        frames -= n;
    }
}

void GxMoviePlayerFile::CheckEnd(double pos)
{
    if (!m_Running || m_CompletePosted || !m_VideoDone || (m_Voice && !m_SoundDone)) return;
    // The end comes when the last frame has had its time and the sound has been heard.
    double end = std::max(m_LastFrameTime + m_FrameSpan, 0.0);
    if (m_Voice) {
        std::lock_guard<std::mutex> guard(m_Mutex);
        end = std::max(end, m_AudioUntil);
    }
    if (pos + 1e-6 < end) return;
    m_CompletePosted = true;
    m_Events.push_back(kGxMovieEventComplete);
}

void GxMoviePlayerFile::Update()
{
    if (!m_Opened) return;
    if (m_Running) {
        const double pos = PositionNow();
        ShowFrameAt(pos);
        FeedSound();
        CheckEnd(pos);
    } else if (m_LastFrameTime < 0.0) {
        // A stopped movie still shows the frame at its position (after a seek or at the start).
        ShowFrameAt(m_BasePos);
    }
    if (m_pTexture) m_pTexture->UploadFrame();

    int32_t code = 0;
    if (!GetEvent(&code, nullptr, nullptr, 0)) return;
    if (code != kGxMovieEventComplete) return;
    if (m_LoopCount != 0) {
        // Still running: the seek starts the sound again there.
        RequestSeek(m_LoopStart);
        if (m_LoopCount > 0) --m_LoopCount;
    } else {
        m_Playing = false;
        Halt();
        RequestSeek(0.0);
    }
}
