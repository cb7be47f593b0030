#include "platform/GxMixer.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "core/GxLog.h"
#include "platform/GxEvent.h"

namespace {

// A refill is one bounded fill; a thread that has not answered by then is gone or stuck, and the
// mixer must not hang with it.
constexpr int64_t kRefillWaitMs = 5000;

std::atomic<GxMixer*> g_Mixer{nullptr};
std::mutex g_OpenMutex;

int32_t Clamp(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

inline int16_t Saturate(float v)
{
    const long r = std::lrintf(v);
    return static_cast<int16_t>(r < -32768 ? -32768 : (r > 32767 ? 32767 : r));
}

// ---- backends ----

void SdlCallback(void* userdata, Uint8* stream, int len)
{
    static_cast<GxMixer*>(userdata)->Render(reinterpret_cast<int16_t*>(stream), uint32_t(len) / 4);
}

bool OpenSdlDevice(GxMixer* mixer, const char* driver)
{
    if (driver) SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, driver, SDL_HINT_OVERRIDE);
    const bool started = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    // The driver choice is for this open only; a later open chooses again.
    if (driver) SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    if (!started) return false;
    mixer->m_SdlAudioStarted = true;
    SDL_AudioSpec want{};
    want.freq = int(kGxMixerRate);
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = SdlCallback;
    want.userdata = mixer;
    SDL_AudioSpec have{};
    // The mixer's format is fixed; SDL converts to whatever the device wants.
    const SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (id == 0) return false;
    mixer->m_DeviceId = id;
    SDL_PauseAudioDevice(id, 0);
    return true;
}

void CloseSdl(GxMixer* mixer)
{
    if (mixer->m_DeviceId) SDL_CloseAudioDevice(mixer->m_DeviceId);
    mixer->m_DeviceId = 0;
    if (mixer->m_SdlAudioStarted) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    mixer->m_SdlAudioStarted = false;
}

bool OpenSdl(GxMixer* mixer)
{
    if (OpenSdlDevice(mixer, nullptr)) return true;
    CloseSdl(mixer);
    return false;
}

bool OpenDummy(GxMixer* mixer)
{
    if (OpenSdlDevice(mixer, "dummy")) return true;
    CloseSdl(mixer);
    return false;
}

bool OpenManual(GxMixer*) { return true; }
void CloseManual(GxMixer*) {}

const GxMixerBackend kSdlBackend{"sdl", OpenSdl, CloseSdl, false};
const GxMixerBackend kDummyBackend{"dummy", OpenDummy, CloseSdl, false};
const GxMixerBackend kManualBackend{"manual", OpenManual, CloseManual, true};

}  // namespace

float GxMixerVolumeGain(int32_t volume)
{
    if (volume <= kGxMixerVolumeMin) return 0.0f;
    if (volume >= 0) return 1.0f;
    return static_cast<float>(std::pow(10.0, double(volume) / 2000.0));
}

// ---- voice ----

GxMixerVoice::GxMixerVoice(const GxMixerFormat& format, uint32_t bytes)
    : m_Format(format),
      m_Block(format.BlockSize()),
      m_TotalFrames(m_Block ? bytes / m_Block : 0),
      m_Step((uint64_t(format.rate) << 32) / kGxMixerRate),
      m_Data(bytes, format.bits == 8 ? 128 : 0)
{
}

uint8_t* GxMixerVoice::Lock(uint32_t offset, uint32_t bytes)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (m_Locked || bytes == 0 || offset > m_Data.size() || bytes > m_Data.size() - offset) return nullptr;
    m_Staging.resize(bytes);
    std::memcpy(m_Staging.data(), m_Data.data() + offset, bytes);
    m_LockOffset = offset;
    m_Locked = true;
    return m_Staging.data();
}

bool GxMixerVoice::Unlock()
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (!m_Locked) return false;
    std::memcpy(m_Data.data() + m_LockOffset, m_Staging.data(), m_Staging.size());
    m_Locked = false;
    return true;
}

bool GxMixerVoice::Play(bool looping)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Playing = true;
    m_Looping = looping;
    return true;
}

bool GxMixerVoice::Stop()
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Playing = false;
    return true;
}

uint32_t GxMixerVoice::GetStatus() const
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (!m_Playing) return 0;
    return kGxMixerStatusPlaying | (m_Looping ? kGxMixerStatusLooping : 0);
}

uint32_t GxMixerVoice::GetCurrentPosition() const
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    return uint32_t(m_Position >> 32) * m_Block;
}

bool GxMixerVoice::SetCurrentPosition(uint32_t offset)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (offset > m_Data.size()) return false;
    uint32_t frame = m_Block ? offset / m_Block : 0;
    if (frame >= m_TotalFrames) frame = 0;
    m_Position = uint64_t(frame) << 32;
    return true;
}

void GxMixerVoice::SetVolume(int32_t volume)
{
    m_Volume.store(Clamp(volume, kGxMixerVolumeMin, kGxMixerVolumeMax), std::memory_order_relaxed);
}

void GxMixerVoice::SetPan(int32_t pan)
{
    m_Pan.store(Clamp(pan, kGxMixerPanLeft, kGxMixerPanRight), std::memory_order_relaxed);
}

bool GxMixerVoice::SetNotificationPositions(std::vector<GxMixerNotification> positions)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (m_Playing) return false;
    for (const GxMixerNotification& n : positions) {
        if (n.offset >= m_Data.size() || !n.event) return false;
    }
    m_Notifications = std::move(positions);
    return true;
}

std::vector<uint32_t> GxMixerVoice::GetNotificationOffsets() const
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    std::vector<uint32_t> out;
    for (const GxMixerNotification& n : m_Notifications) out.push_back(n.offset);
    return out;
}

namespace {

template <int Bits>
inline float SampleAt(const uint8_t* p)
{
    if constexpr (Bits == 8) {
        return float((int(p[0]) - 128) * 256);
    } else {
        return float(int16_t(uint16_t(p[0]) | uint16_t(p[1]) << 8));
    }
}

}  // namespace

template <int Bits, int Channels>
uint32_t GxMixerVoice::MixFrames(float* acc, uint32_t frames, float gainLeft, float gainRight)
{
    constexpr uint32_t kBytes = Bits / 8;
    constexpr uint32_t kBlock = kBytes * Channels;
    const uint8_t* data = m_Data.data();
    const uint64_t total = uint64_t(m_TotalFrames) << 32;
    uint64_t pos = m_Position;
    uint32_t done = 0;
    for (; done < frames; ++done) {
        const uint32_t frame = uint32_t(pos >> 32);
        uint32_t next = frame + 1;
        if (next >= m_TotalFrames) next = m_Looping ? 0 : frame;
        const float t = float(uint32_t(pos)) * (1.0f / 4294967296.0f);
        const uint8_t* a = data + size_t(frame) * kBlock;
        const uint8_t* b = data + size_t(next) * kBlock;
        const float l0 = SampleAt<Bits>(a);
        const float l1 = SampleAt<Bits>(b);
        const float left = l0 + (l1 - l0) * t;
        float right = left;
        if constexpr (Channels == 2) {
            const float r0 = SampleAt<Bits>(a + kBytes);
            const float r1 = SampleAt<Bits>(b + kBytes);
            right = r0 + (r1 - r0) * t;
        }
        acc[2 * done] += left * gainLeft;
        acc[2 * done + 1] += right * gainRight;
        pos += m_Step;
        if (pos >= total) {
            if (!m_Looping) {
                // A buffer played once stops at its end, its cursor back at the start.
                m_Playing = false;
                pos = 0;
                ++done;
                break;
            }
            pos -= total;
        }
    }
    m_Position = pos;
    return done;
}

bool GxMixerVoice::MixInto(float* acc, uint32_t frames, std::vector<std::shared_ptr<GxEvent>>& fired)
{
    const int32_t volume = m_Volume.load(std::memory_order_relaxed);
    const int32_t pan = m_Pan.load(std::memory_order_relaxed);
    const float gain = GxMixerVolumeGain(volume);
    // Pan attenuates the other side only: +pan lowers the left, -pan the right.
    const float gainLeft = pan > 0 ? gain * GxMixerVolumeGain(-pan) : gain;
    const float gainRight = pan < 0 ? gain * GxMixerVolumeGain(pan) : gain;

    std::lock_guard<std::mutex> lock(m_Mutex);
    if (!m_Playing || m_TotalFrames == 0) return false;
    const uint64_t startFixed = m_Position;
    uint32_t mixed = 0;
    if (m_Format.bits == 8) {
        mixed = m_Format.channels == 1 ? MixFrames<8, 1>(acc, frames, gainLeft, gainRight)
                                       : MixFrames<8, 2>(acc, frames, gainLeft, gainRight);
    } else {
        mixed = m_Format.channels == 1 ? MixFrames<16, 1>(acc, frames, gainLeft, gainRight)
                                       : MixFrames<16, 2>(acc, frames, gainLeft, gainRight);
    }
    if (m_Notifications.empty() || mixed == 0) return mixed != 0;

    // Whole frames the cursor passed (a buffer played once stops at its end).
    const uint64_t before = startFixed >> 32;
    const uint64_t moved = m_Playing ? ((startFixed + uint64_t(mixed) * m_Step) >> 32) - before
                                     : uint64_t(m_TotalFrames) - before;
    const uint64_t size = m_Data.size();
    const uint64_t startByte = before * m_Block;
    const uint64_t movedBytes = moved * m_Block;
    // An offset fires in the chunk whose cursor reaches it: measured from where the chunk began.
    for (const GxMixerNotification& n : m_Notifications) {
        const uint64_t dist = n.offset >= startByte ? n.offset - startByte : n.offset + size - startByte;
        if (dist < movedBytes) fired.push_back(n.event);
    }
    return true;
}

// ---- mixer ----

GxMixer* GxMixer::Get() { return g_Mixer.load(std::memory_order_acquire); }

bool GxMixer::Open(GxMixerBackendKind kind)
{
    std::lock_guard<std::mutex> lock(g_OpenMutex);
    if (GxMixer* old = g_Mixer.exchange(nullptr)) {
        if (old->m_Backend) old->m_Backend->close(old);
        delete old;
    }
    const bool manual = kind == GxMixerBackendKind::Manual;
    auto* mixer = new GxMixer(manual);
    const GxMixerBackend* order[2] = {nullptr, nullptr};
    switch (kind) {
    case GxMixerBackendKind::Auto: order[0] = &kSdlBackend; order[1] = &kDummyBackend; break;
    case GxMixerBackendKind::Sdl: order[0] = &kSdlBackend; break;
    case GxMixerBackendKind::Dummy: order[0] = &kDummyBackend; break;
    case GxMixerBackendKind::Manual: order[0] = &kManualBackend; break;
    }
    // The backend must be known before it starts pulling, and the mixer registered before any
    // buffer is made.
    for (const GxMixerBackend* backend : order) {
        if (!backend) continue;
        mixer->m_Backend = backend;
        if (backend->open(mixer)) {
            g_Mixer.store(mixer, std::memory_order_release);
            return true;
        }
    }
    GxPrintErrorLog(u"Error/GxMixer::Open サウンドデバイスを開けませんでした(%S)\n", SDL_GetError());
    delete mixer;
    return false;
}

void GxMixer::Close()
{
    std::lock_guard<std::mutex> lock(g_OpenMutex);
    GxMixer* mixer = g_Mixer.exchange(nullptr);
    if (!mixer) return;
    if (mixer->m_Backend) mixer->m_Backend->close(mixer);
    delete mixer;
}

GxMixer::GxMixer(bool waitForRefills) : m_WaitForRefills(waitForRefills), m_Acc(2 * kGxMixerChunkFrames) {}

GxMixer::~GxMixer() = default;

std::shared_ptr<GxMixerVoice> GxMixer::CreateVoice(const GxMixerFormat& format, uint32_t bytes)
{
    if (!format.IsValid() || bytes == 0 || bytes % format.BlockSize() != 0) return nullptr;
    auto voice = std::make_shared<GxMixerVoice>(format, bytes);
    std::lock_guard<std::mutex> lock(m_ListMutex);
    m_Voices.push_back(voice);
    return voice;
}

void GxMixer::RemoveVoice(const std::shared_ptr<GxMixerVoice>& voice)
{
    std::lock_guard<std::mutex> lock(m_ListMutex);
    m_Voices.erase(std::remove(m_Voices.begin(), m_Voices.end(), voice), m_Voices.end());
}

size_t GxMixer::GetVoiceCount() const
{
    std::lock_guard<std::mutex> lock(m_ListMutex);
    return m_Voices.size();
}

void GxMixer::Render(int16_t* out, uint32_t frames)
{
    while (frames > 0) {
        const uint32_t n = std::min(frames, kGxMixerChunkFrames);
        RenderChunk(out, n);
        out += 2 * size_t(n);
        frames -= n;
    }
}

void GxMixer::RenderChunk(int16_t* out, uint32_t frames)
{
    std::vector<std::shared_ptr<GxEvent>> fired;
    {
        std::lock_guard<std::mutex> lock(m_ListMutex);
        std::fill(m_Acc.begin(), m_Acc.begin() + 2 * size_t(frames), 0.0f);
        bool mixed = false;
        for (const auto& voice : m_Voices) mixed = voice->MixInto(m_Acc.data(), frames, fired) || mixed;
        // A silent device still asks for its chunks: those need no rounding.
        if (mixed) {
            for (uint32_t i = 0; i < 2 * frames; ++i) out[i] = Saturate(m_Acc[i]);
        } else {
            std::fill(out, out + 2 * size_t(frames), int16_t{0});
        }
    }
    // Set outside every lock: the refill it wakes locks the voice.
    std::vector<uint64_t> tickets(fired.size());
    for (size_t i = 0; i < fired.size(); ++i) tickets[i] = fired[i]->Set();
    if (!m_WaitForRefills) return;
    for (size_t i = 0; i < fired.size(); ++i) {
        if (tickets[i] && !fired[i]->WaitDone(tickets[i], kRefillWaitMs)) {
            GxPrintErrorLog(u"Error/GxMixer::Render 補充待ちがタイムアウトしました\n");
        }
    }
}

// ---- capture ----

std::string GxMixerCapture::PathFromEnvironment(bool headless)
{
    const char* path = std::getenv("GX_AUDIO_CAPTURE");
    return path && headless ? std::string(path) : std::string();
}

void GxMixerCapture::PullFrame()
{
    GxMixer* mixer = GxMixer::Get();
    if (!mixer) return;
    m_Carry += kGxMixerRate;
    const uint32_t frames = m_Carry / 60;
    m_Carry %= 60;
    if (!Keeps()) {
        m_Scratch.resize(2 * size_t(frames));
        mixer->Render(m_Scratch.data(), frames);
        return;
    }
    const size_t at = m_Samples.size();
    m_Samples.resize(at + 2 * size_t(frames));
    mixer->Render(m_Samples.data() + at, frames);
}

std::vector<uint8_t> GxMixerWavBytes(const std::vector<int16_t>& samples)
{
    const uint64_t dataBytes64 = uint64_t(samples.size()) * 2;
    // A RIFF size is 32-bit: a capture longer than that keeps what fits.
    const uint32_t dataBytes = uint32_t(std::min<uint64_t>(dataBytes64, 0xFFFFFFF0ull - 36) & ~3ull);
    std::vector<uint8_t> out;
    out.reserve(44 + dataBytes);
    auto put32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i))); };
    auto put16 = [&](uint16_t v) { out.push_back(uint8_t(v)); out.push_back(uint8_t(v >> 8)); };
    auto tag = [&](const char* t) { out.insert(out.end(), t, t + 4); };
    tag("RIFF"); put32(36 + dataBytes); tag("WAVE");
    tag("fmt "); put32(16); put16(1); put16(2); put32(kGxMixerRate); put32(kGxMixerRate * 4); put16(4); put16(16);
    tag("data"); put32(dataBytes);
    for (uint32_t i = 0; i < dataBytes / 2; ++i) put16(uint16_t(samples[i]));
    return out;
}

bool GxMixerCapture::Write() const
{
    if (!Keeps()) return true;
    const std::vector<uint8_t> bytes = GxMixerWavBytes(m_Samples);
    std::ofstream file(m_Path, std::ios::binary | std::ios::trunc);
    if (file) file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!file) {
        GxPrintErrorLog(u"Error/GxMixerCapture::Write Failed(cannot write %S)\n", m_Path.c_str());
        return false;
    }
    return true;
}
