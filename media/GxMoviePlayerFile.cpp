#include "media/GxMoviePlayerFile.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "core/GxLog.h"
#include "core/GxString.h"
#include "media/GxSoundClock.h"
#include "media/GxTextureMovie.h"
#include "platform/GxMixer.h"

namespace {

constexpr size_t kFrameQueue = 6;
constexpr size_t kFrameQueueMax = 64;
constexpr size_t kSoundQueueSamples = size_t(kGxMixerRate) * 2 * 4;  // four seconds of stereo
constexpr uint32_t kRingFrames = kGxMixerRate * 2;                    // two seconds
constexpr uint64_t kSoundLead = kGxMixerRate / 4;                     // written ahead of the clock
constexpr size_t kSoundLowSamples = size_t(kSoundLead) * 2 * 2;
// How long Update waits for the worker to deliver a frame that is due; the worker normally runs
// ahead, so this is only reached when decoding falls behind.
constexpr auto kFrameWait = std::chrono::milliseconds(500);

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

int32_t IoRead(void* opaque, uint8_t* buffer, int32_t count)
{
    auto* file = static_cast<GxFileHandle*>(opaque);
    if (count <= 0) return 0;
    return static_cast<int32_t>(GxFileRead(buffer, static_cast<uint32_t>(count), *file));
}

int64_t IoSeek(void* opaque, int64_t offset, int whence)
{
    auto* file = static_cast<GxFileHandle*>(opaque);
    const int64_t size = file->GetSize();
    const int64_t base = whence == 0 ? 0 : whence == 1 ? GxFileTell(*file) : size;
    const int64_t target = base + offset;
    // The file layer clamps; the demuxer must hear that a seek outside the file failed.
    if (target < 0 || target > size) return -1;
    if (!GxFileSeek(*file, target, 0)) return -1;
    return GxFileTell(*file);
}

int64_t IoSize(void* opaque) { return static_cast<GxFileHandle*>(opaque)->GetSize(); }

}  // namespace

GxMoviePlayerFile::GxMoviePlayerFile() = default;

GxMoviePlayerFile::~GxMoviePlayerFile() { Close(); }

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
    if (!GxFileOpen(m_File, fileName)) {
        GxPrintErrorLog(u"GxMoviePlayerFile::動画ファイルオープンに失敗 (File=%s)\n", m_FileName);
        return false;
    }
    m_Io.opaque = &m_File;
    m_Io.read = IoRead;
    m_Io.seek = IoSeek;
    m_Io.size = IoSize;
    uint32_t code = 0;
    if (!m_Decoder.Open(m_Io, renderAll, &code)) {
        GxFileClose(m_File);
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
    m_Quit = false;
    m_DecodeEnd = false;
    m_WantSound = m_Voice != nullptr;
    m_Worker = std::thread([this] { WorkerMain(); });
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
    GxFileClose(m_File);
    m_pTexture = nullptr;
    m_OwnTexture.reset();
    m_Frames.clear();
    m_Sound.clear();
    m_SoundQueued = 0;
    m_Events.clear();
    m_SeekPending = false;
    m_DecodeEnd = false;
    m_Running = false;
    m_BasePos = 0.0;
    m_LastFrameTime = -1.0;
    m_CompletePosted = false;
    m_Opened = false;
}

void GxMoviePlayerFile::WorkerMain()
{
    GxMovieVideoFrame video;
    GxMovieAudioChunk audio;
    uint64_t generation = 0;
    std::unique_lock<std::mutex> lock(m_Mutex);
    double dropSoundBefore = 0.0;
    for (;;) {
        m_Cv.wait(lock, [this] {
            // Frames may pile up a little further while the sound runs short (and sound while no
            // frame is queued), so that what is stored far behind the other in the file is reached.
            return m_Quit || m_SeekPending ||
                   (!m_DecodeEnd && ((m_Frames.size() < kFrameQueue && m_SoundQueued < kSoundQueueSamples) ||
                                     (m_WantSound && m_SoundQueued < kSoundLowSamples && m_Frames.size() < kFrameQueueMax) ||
                                     (m_Frames.empty() && m_SoundQueued < kSoundQueueSamples * 4)));
        });
        if (m_Quit) return;
        if (m_SeekPending) {
            const double target = m_SeekTarget;
            m_SeekPending = false;
            m_Frames.clear();
            m_Sound.clear();
            m_SoundQueued = 0;
            m_DecodeEnd = false;
            ++generation;
            lock.unlock();
            const bool ok = m_Decoder.Seek(target);
            lock.lock();
            if (!ok) m_DecodeEnd = true;
            dropSoundBefore = target;
            m_Cv.notify_all();
            continue;
        }
        const uint64_t mine = generation;
        lock.unlock();
        const GxMovieDecoder::Result r = m_Decoder.Next(video, audio);
        lock.lock();
        // A seek asked for while decoding makes this result stale.
        if (m_SeekPending || mine != generation) continue;
        switch (r) {
        case GxMovieDecoder::Result::Video: m_Frames.push_back(std::move(video)); break;
        case GxMovieDecoder::Result::Audio:
            if (audio.time < 0.0 || audio.time + double(audio.samples.size() / 2) / kGxMixerRate >= dropSoundBefore) {
                m_SoundQueued += audio.samples.size();
                m_Sound.push_back(std::move(audio));
            }
            break;
        case GxMovieDecoder::Result::End:
        case GxMovieDecoder::Result::Error: m_DecodeEnd = true; break;
        }
        m_Cv.notify_all();
    }
}

double GxMoviePlayerFile::PositionNow() const
{
    if (!m_Running) return m_BasePos;
    const uint64_t now = GxSoundGetTime();
    return m_BasePos + static_cast<double>(now - std::min(now, m_BaseClock)) / 1000.0;
}

void GxMoviePlayerFile::Run()
{
    if (!m_Running) {
        m_BaseClock = GxSoundGetTime();
        m_Running = true;
    }
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
        m_DecodeEnd = false;
    }
    m_Cv.notify_all();
    m_BasePos = seconds;
    m_BaseClock = GxSoundGetTime();
    m_LastFrameTime = -1.0;
    m_CompletePosted = false;
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
    bool end = false;
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
                continue;
            }
            if (!m_Frames.empty() || m_DecodeEnd) break;
            // The frame that is due has not been decoded yet: let the worker catch up.
            m_Cv.notify_all();
            if (!m_Cv.wait_for(lock, kFrameWait, [this] { return !m_Frames.empty() || m_DecodeEnd || m_SeekPending; }))
                break;
            if (m_SeekPending && m_Frames.empty()) {
                m_Cv.wait_for(lock, kFrameWait, [this] { return !m_Frames.empty() || m_DecodeEnd; });
            }
        }
        end = m_DecodeEnd && m_Frames.empty();
    }
    m_Cv.notify_all();
    if (have) {
        m_FrameSpan = show.span;
        m_LastFrameTime = show.time;
        if (m_pTexture) m_pTexture->WriteFrame(show.bgr.data(), show.width, show.height, show.width * 3);
    }
    // The end comes when the last frame has had its time.
    if (end && m_Running && !m_CompletePosted && pos >= std::max(m_LastFrameTime + m_FrameSpan, 0.0)) {
        m_CompletePosted = true;
        m_Events.push_back(kGxMovieEventComplete);
    }
}

void GxMoviePlayerFile::StartSound(double pos)
{
    if (!m_Voice) return;
    m_Voice->Stop();
    if (uint8_t* p = m_Voice->Lock(0, m_Voice->GetSize())) {
        std::memset(p, 0, m_Voice->GetSize());
        m_Voice->Unlock();
    }
    m_Voice->SetCurrentPosition(0);
    m_SoundStartPos = pos;
    m_SoundWritten = 0;
    FeedSound(pos);
    m_Voice->Play(true);
}

void GxMoviePlayerFile::StopSound()
{
    if (m_Voice) m_Voice->Stop();
}

void GxMoviePlayerFile::FeedSound(double pos)
{
    if (!m_Voice) return;
    const double ahead = std::max(0.0, pos - m_SoundStartPos);
    const uint64_t target = static_cast<uint64_t>(ahead * kGxMixerRate) + kSoundLead;
    std::vector<int16_t> out;
    {
        std::unique_lock<std::mutex> guard(m_Mutex);
        while (m_SoundWritten + out.size() / 2 < target) {
            const uint64_t at = m_SoundWritten + out.size() / 2;
            const double atTime = m_SoundStartPos + static_cast<double>(at) / kGxMixerRate;
            if (m_Sound.empty()) {
                if (!m_DecodeEnd && !m_SeekPending) {
                    // The worker has not reached it yet: give it a moment, as for frames.
                    m_Cv.notify_all();
                    if (m_Cv.wait_for(guard, kFrameWait,
                                      [this] { return !m_Sound.empty() || m_DecodeEnd || m_SeekPending; }))
                        continue;
                }
                if (!m_DecodeEnd) break;
                out.resize(static_cast<size_t>(target - m_SoundWritten) * 2, 0);
                break;
            }
            GxMovieAudioChunk& c = m_Sound.front();
            const size_t frames = c.samples.size() / 2;
            const double chunkTime = c.time < 0.0 ? atTime : c.time;
            if (chunkTime > atTime + 1.0 / kGxMixerRate) {
                // A gap before the chunk: silence.
                const uint64_t gap = std::min<uint64_t>(static_cast<uint64_t>((chunkTime - atTime) * kGxMixerRate),
                                                        target - at);
                out.resize(out.size() + gap * 2, 0);
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
    }
    m_Cv.notify_all();
    // Into the ring at the write position, wrapping.
    size_t done = 0;
    const size_t total = out.size() / 2;
    while (done < total) {
        const uint32_t ringPos = static_cast<uint32_t>((m_SoundWritten + done) % kRingFrames);
        const uint32_t n = static_cast<uint32_t>(std::min<size_t>(total - done, kRingFrames - ringPos));
        uint8_t* p = m_Voice->Lock(ringPos * 4, n * 4);
        if (!p) break;
        std::memcpy(p, out.data() + done * 2, size_t(n) * 4);
        m_Voice->Unlock();
        done += n;
    }
    m_SoundWritten += done;
}

void GxMoviePlayerFile::Update()
{
    if (!m_Opened) return;
    if (m_Running) {
        const double pos = PositionNow();
        ShowFrameAt(pos);
        FeedSound(pos);
    } else if (m_LastFrameTime < 0.0) {
        // A stopped movie still shows the frame at its position (after a seek or at the start).
        ShowFrameAt(m_BasePos);
    }
    if (m_pTexture) m_pTexture->UploadFrame();

    int32_t code = 0;
    if (!GetEvent(&code, nullptr, nullptr, 0)) return;
    if (code != kGxMovieEventComplete) return;
    if (m_LoopCount != 0) {
        RequestSeek(m_LoopStart);
        Run();
        if (m_LoopCount > 0) --m_LoopCount;
    } else {
        m_Playing = false;
        Halt();
        RequestSeek(0.0);
    }
}
