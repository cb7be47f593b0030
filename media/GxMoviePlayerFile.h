// One movie: the bytes of its source (a file of the file layer, loose or a pack member) demuxed
// and decoded by the platform decoder on a worker thread, its frames shown in a GxTextureMovie at
// their time and its sound (with render-all) fed to a mixer voice at the movie volume.
//
// The movie's clock is its sound when it has a voice (the frames the mixer took from it), else
// the sound clock; an installed sound clock over a device that runs in real time (a test's) leads
// as it does every other timing. The main thread never waits for the decoder: a frame not decoded
// yet leaves the previous picture (before the first one, none: the texture's layer shows nothing
// for it), sound not decoded yet is silence for that stretch. Only while an installed sound
// clock stands in for real time (tests, unpaced runs) does Update wait for what is due, so those
// runs show the same frames whatever the machine's speed.
//
// Threads: every operation runs on the main thread. The worker only decodes into the player's
// queues; frame copies into the texture and the device upload happen in Update on the main
// thread, so nothing touches the texture after Close has joined the worker.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "media/GxMovieSource.h"
#include "platform/GxMovieDecoder.h"

class GxTextureMovie;
class GxMixerVoice;
class GxDeviceTexture;

// Event codes handed out by GetEvent.
constexpr int32_t kGxMovieEventComplete = 1;

// The abstract player interface that the movie slots hold.
class GxMoviePlayerBase
{
public:
    virtual ~GxMoviePlayerBase() = default;
    virtual void Close() = 0;
    virtual bool Play(int32_t loopCount, int32_t volume) = 0;
    virtual bool Stop() = 0;
    virtual void SetVolume(int32_t volume) = 0;
    virtual void SetRate(double rate) = 0;
    virtual void SetLoopStart(double seconds) = 0;
    virtual double GetLoopStart() = 0;
    virtual double GetStopTime() = 0;
    virtual double GetDuration() = 0;
    virtual double GetPosition() = 0;
    virtual int32_t GetLoop() = 0;
    virtual bool SetPosition(double seconds) = 0;
    virtual void GetUV(float* u, float* v) = 0;
    virtual uint32_t GetVideoWidth() = 0;
    virtual uint32_t GetVideoHeight() = 0;
    virtual uint32_t GetVideoPitch() = 0;
    virtual bool GetEvent(int32_t* code, intptr_t* param1, intptr_t* param2, int32_t timeoutMs) = 0;
    virtual void Update() = 0;
    virtual bool IsPlaying() = 0;
    virtual GxDeviceTexture* GetTextureD3D() = 0;
    virtual GxTextureMovie* GetTexture() = 0;
};

class GxMoviePlayerFile : public GxMoviePlayerBase
{
public:
    GxMoviePlayerFile();
    ~GxMoviePlayerFile() override;
    GxMoviePlayerFile(const GxMoviePlayerFile&) = delete;
    GxMoviePlayerFile& operator=(const GxMoviePlayerFile&) = delete;

    // Closes first. texture none: the player makes its own (the video size, opaque black).
    // renderAll also plays the movie's sound. False with one log line.
    bool Open(std::u16string_view fileName, GxTextureMovie* texture, bool renderAll, bool dynamic);

    void Close() override;
    bool Play(int32_t loopCount, int32_t volume) override;
    bool Stop() override;
    void SetVolume(int32_t volume) override;
    // Kept only: the movie always plays at its own rate.
    void SetRate(double rate) override { m_Rate = rate; }
    void SetLoopStart(double seconds) override { m_LoopStart = seconds; }
    double GetLoopStart() override { return m_LoopStart; }
    double GetStopTime() override;
    double GetDuration() override;
    double GetPosition() override;
    // The remaining loop count while playing, else 0.
    int32_t GetLoop() override { return m_Playing ? m_LoopCount : 0; }
    bool SetPosition(double seconds) override;
    void GetUV(float* u, float* v) override;
    uint32_t GetVideoWidth() override { return m_VideoWidth; }
    uint32_t GetVideoHeight() override { return m_VideoHeight; }
    uint32_t GetVideoPitch() override { return m_VideoPitch; }
    // Takes one event; false when none is waiting (the time-out is not waited: events are made
    // by Update on this same thread).
    bool GetEvent(int32_t* code, intptr_t* param1, intptr_t* param2, int32_t timeoutMs) override;
    // Shows the frame of the current time, feeds the sound, then handles one event.
    void Update() override;
    bool IsPlaying() override { return m_Playing; }
    GxDeviceTexture* GetTextureD3D() override;
    GxTextureMovie* GetTexture() override { return m_pTexture; }

    bool IsOpen() const { return m_Opened; }
    const std::u16string& GetFileName() const { return m_FileName; }
    int32_t GetVolume() const { return m_Volume; }
    bool HasSound() const { return m_Voice != nullptr; }

    // The media type the extension stands for, lower-cased and compared whole; 0 for none.
    static int32_t MediaTypeForName(std::u16string_view fileName);

    // How players start their decode worker: false with the system's error number. Null puts
    // back the default (a std::thread); a test installs one that fails.
    using ThreadStart = bool (*)(std::thread& thread, std::function<void()> body, int* error);
    static void SetThreadStart(ThreadStart start);
    // Where players take a movie's bytes from; null puts back the file layer (GxOpenMovieFile).
    static void SetSourceFactory(GxMovieSourceFactory factory);

private:
    void WorkerMain();
    // Under m_Mutex: whether the worker has something to decode.
    bool WantVideo() const;
    bool WantAudio() const;
    // Under m_Mutex, with an installed clock only: waits while the worker can still deliver.
    // False when it cannot (then nothing more is coming without the main thread's help).
    bool WaitForWorker(std::unique_lock<std::mutex>& lock);
    void StopWorker();
    // The movie clock: the position while running, from the voice's frames or the sound clock.
    double PositionNow();
    // Frames the mixer has taken from the voice since the sound last started.
    uint64_t SoundPlayed(uint64_t now);
    void Run();
    void Halt();
    void RequestSeek(double seconds);
    void ShowFrameAt(double pos);
    void StartSound(double pos);
    void FeedSound();
    // Frames of stereo samples (none: silence) into the voice's ring from frame `from` on, wrapping.
    void WriteRing(uint64_t from, const int16_t* samples, uint64_t frames);
    void StopSound();
    void CheckEnd(double pos);

    std::u16string m_FileName;
    std::unique_ptr<GxMovieStream> m_Source;
    GxMovieIo m_Io;
    GxMovieDecoder m_Decoder;
    GxTextureMovie* m_pTexture = nullptr;
    std::unique_ptr<GxTextureMovie> m_OwnTexture;
    std::shared_ptr<GxMixerVoice> m_Voice;
    bool m_Opened = false;

    bool m_Playing = false;
    int32_t m_LoopCount = 0;
    int32_t m_Volume = 0;
    double m_Rate = 1.0;
    double m_LoopStart = 0.0;
    double m_Duration = 0.0;
    uint32_t m_VideoWidth = 0, m_VideoHeight = 0, m_VideoPitch = 0;
    float m_U = 1.0f, m_V = 1.0f;

    bool m_Running = false;
    double m_BasePos = 0.0;
    uint64_t m_BaseClock = 0;
    double m_LastPos = 0.0;
    double m_LastFrameTime = -1.0;
    double m_FrameSpan = 0.04;
    bool m_CompletePosted = false;
    bool m_VideoDone = false;
    bool m_SoundDone = false;
    std::deque<int32_t> m_Events;

    // The voice's ring, written from m_SoundStartPos on: frames written, frames the mixer took
    // (from its cursor, unwrapped) and frames cleared behind the cursor.
    double m_SoundStartPos = 0.0;
    uint64_t m_SoundWritten = 0;
    uint64_t m_SoundPlayed = 0;
    uint64_t m_SoundCleared = 0;
    uint32_t m_LastCursor = 0;
    uint64_t m_CursorStamp = 0;
    uint64_t m_PlayedStamp = 0;

    // Shared with the worker, under m_Mutex.
    std::mutex m_Mutex;
    std::condition_variable m_Cv;
    std::thread m_Worker;
    bool m_Quit = false;
    bool m_Busy = false;       // the worker is decoding (or seeking) outside the lock
    uint64_t m_Steps = 0;      // steps the worker finished
    bool m_WantSound = false;  // set before the worker starts
    bool m_SeekPending = false;
    double m_SeekTarget = 0.0;
    uint64_t m_Generation = 0;
    bool m_VideoEnd = false, m_AudioEnd = false;
    bool m_VideoBlocked = false, m_AudioBlocked = false;
    double m_VideoUntil = -1.0, m_AudioUntil = -1.0;  // the time of the last frame, the end of the last sound
    std::deque<GxMovieVideoFrame> m_Frames;
    std::deque<GxMovieAudioChunk> m_Sound;
    size_t m_SoundQueued = 0;  // samples in m_Sound
};
