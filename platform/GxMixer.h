// The software mixer that stands in for the sound device: buffers of PCM in the decoders' formats
// (8-bit unsigned or 16-bit signed, mono or stereo, any rate) mixed to 44100 Hz 16-bit stereo
// with linear resampling and saturation.
//
// A buffer (voice) behaves like a device sound buffer: Lock/Unlock to write, Play once or
// looping, Stop, a play cursor, a status, volume in 1/100 dB (gain 10^(v/2000), -10000 is
// silence), pan (the other side attenuated by |pan|/100 dB) and notification offsets that set an
// event when the play cursor crosses them.
//
// Backends sit behind one small table and are picked at start-up: an SDL audio device, SDL's dummy
// driver when no device opens, and a manual backend without a thread whose Render a test (or the
// capture harness) calls. Threads: Render takes the voice list's lock and, per voice, a short lock
// around the copy; volume and pan are atomics; no engine lock is ever taken.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class GxEvent;

constexpr uint32_t kGxMixerRate = 44100;
constexpr uint32_t kGxMixerChunkFrames = 1024;
constexpr int32_t kGxMixerVolumeMin = -10000;
constexpr int32_t kGxMixerVolumeMax = 0;
constexpr int32_t kGxMixerPanLeft = -10000;
constexpr int32_t kGxMixerPanRight = 10000;

// Status bits (the device's values).
constexpr uint32_t kGxMixerStatusPlaying = 0x1;
constexpr uint32_t kGxMixerStatusBufferLost = 0x2;  // never set: a mixer buffer is never lost
constexpr uint32_t kGxMixerStatusLooping = 0x4;

struct GxMixerFormat
{
    uint16_t channels = 0;  // 1 or 2
    uint16_t bits = 0;      // 8 (unsigned) or 16 (signed)
    uint32_t rate = 0;      // any rate from 1
    uint32_t BlockSize() const { return uint32_t(channels) * bits / 8; }
    bool IsValid() const { return (channels == 1 || channels == 2) && (bits == 8 || bits == 16) && rate > 0; }
};

struct GxMixerNotification
{
    uint32_t offset = 0;            // byte offset in the buffer
    std::shared_ptr<GxEvent> event;
};

// 10^(volume/2000) with -10000 and below exactly 0.
float GxMixerVolumeGain(int32_t volume);

class GxMixerVoice
{
public:
    GxMixerVoice(const GxMixerFormat& format, uint32_t bytes);
    GxMixerVoice(const GxMixerVoice&) = delete;
    GxMixerVoice& operator=(const GxMixerVoice&) = delete;

    const GxMixerFormat& GetFormat() const { return m_Format; }
    uint32_t GetSize() const { return uint32_t(m_Data.size()); }

    // A writable region of the buffer; the bytes reach the buffer at Unlock (under the voice's
    // lock). Null when the region is not inside the buffer or a lock is already open.
    uint8_t* Lock(uint32_t offset, uint32_t bytes);
    bool Unlock();

    bool Play(bool looping);
    bool Stop();
    uint32_t GetStatus() const;
    // Byte offset of the play cursor.
    uint32_t GetCurrentPosition() const;
    // Byte offset, rounded down to a whole frame; false beyond the buffer.
    bool SetCurrentPosition(uint32_t offset);

    // Clamped to -10000..0 and -10000..10000.
    void SetVolume(int32_t volume);
    void SetPan(int32_t pan);
    int32_t GetVolume() const { return m_Volume.load(std::memory_order_relaxed); }
    int32_t GetPan() const { return m_Pan.load(std::memory_order_relaxed); }

    // Replaces the notification offsets (not while playing). False for an offset outside the buffer.
    bool SetNotificationPositions(std::vector<GxMixerNotification> positions);
    std::vector<uint32_t> GetNotificationOffsets() const;

private:
    friend class GxMixer;
    // Adds frames of output to acc (interleaved stereo floats) and collects crossed notifications;
    // true when it added any.
    bool MixInto(float* acc, uint32_t frames, std::vector<std::shared_ptr<GxEvent>>& fired);
    template <int Bits, int Channels>
    uint32_t MixFrames(float* acc, uint32_t frames, float gainLeft, float gainRight);

    const GxMixerFormat m_Format;
    const uint32_t m_Block;
    const uint32_t m_TotalFrames;
    const uint64_t m_Step;  // source frames per output frame, 32.32 fixed point

    mutable std::mutex m_Mutex;
    std::vector<uint8_t> m_Data;
    std::vector<uint8_t> m_Staging;
    uint32_t m_LockOffset = 0;
    bool m_Locked = false;
    uint64_t m_Position = 0;  // frames, 32.32 fixed point
    bool m_Playing = false;
    bool m_Looping = false;
    std::vector<GxMixerNotification> m_Notifications;
    std::atomic<int32_t> m_Volume{0};
    std::atomic<int32_t> m_Pan{0};
};

enum class GxMixerBackendKind
{
    Auto,    // the SDL device, else SDL's dummy driver
    Sdl,
    Dummy,
    Manual,  // no thread: Render is called by its user
};

class GxMixer;

// One backend: how the mixed frames leave the process.
struct GxMixerBackend
{
    const char* name;
    bool (*open)(GxMixer* mixer);
    void (*close)(GxMixer* mixer);
    bool manual;  // Render is driven by the caller; a crossed notification waits for its refill
};

class GxMixer
{
public:
    // The process-wide mixer that the sound buffers use; null while none is open.
    static GxMixer* Get();
    // Opens the backend and registers the mixer. Auto falls back to the dummy driver when no
    // device opens. Reopening closes the old one first.
    static bool Open(GxMixerBackendKind kind);
    static void Close();

    explicit GxMixer(bool waitForRefills);
    ~GxMixer();
    GxMixer(const GxMixer&) = delete;
    GxMixer& operator=(const GxMixer&) = delete;

    // Null for a format the mixer does not take or a size that is not a whole number of frames.
    std::shared_ptr<GxMixerVoice> CreateVoice(const GxMixerFormat& format, uint32_t bytes);
    void RemoveVoice(const std::shared_ptr<GxMixerVoice>& voice);
    size_t GetVoiceCount() const;

    // Mixes frames of 44100 Hz 16-bit stereo (interleaved) into out, in chunks of at most 1024
    // frames. With waitForRefills, a chunk in which a notification fired returns only after the
    // thread that handles it has finished (bounded by a time-out, so a dead thread cannot hang it).
    void Render(int16_t* out, uint32_t frames);

    const char* GetBackendName() const { return m_Backend ? m_Backend->name : "none"; }
    bool IsManual() const { return m_Backend && m_Backend->manual; }

    // Backend state (the SDL device id).
    uint32_t m_DeviceId = 0;
    bool m_SdlAudioStarted = false;

private:
    void RenderChunk(int16_t* out, uint32_t frames);

    const GxMixerBackend* m_Backend = nullptr;
    const bool m_WaitForRefills;
    mutable std::mutex m_ListMutex;
    std::vector<std::shared_ptr<GxMixerVoice>> m_Voices;
    std::vector<float> m_Acc;
    std::vector<std::shared_ptr<GxEvent>> m_Fired;
};

// The headless harness's pull of the manual backend: each main-loop frame renders 44100/60 frames
// (the remainder carried). With a path (GX_AUDIO_CAPTURE=file.wav) the mix is kept and written as
// a 16-bit stereo WAV at shutdown; without one (an unpaced run) it is dropped, and the pull only
// moves the sound on with the frames.
class GxMixerCapture
{
public:
    // The capture path from the environment: "" when not asked for or not headless.
    static std::string PathFromEnvironment(bool headless);

    explicit GxMixerCapture(std::string path) : m_Path(std::move(path)) {}
    // Renders one main-loop frame's worth from the open mixer.
    void PullFrame();
    const std::vector<int16_t>& GetSamples() const { return m_Samples; }
    bool Keeps() const { return !m_Path.empty(); }
    // Writes the mix (nothing without a path); false with one error-log line.
    bool Write() const;

private:
    std::string m_Path;
    uint32_t m_Carry = 0;
    std::vector<int16_t> m_Samples;
    std::vector<int16_t> m_Scratch;  // a dropped frame's mix
};

// 44100 Hz 16-bit stereo RIFF WAVE bytes of interleaved samples.
std::vector<uint8_t> GxMixerWavBytes(const std::vector<int16_t>& samples);
