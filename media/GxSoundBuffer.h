// Sound buffers over the mixer (platform/GxMixer.h), embedded in the players.
//
// GxSoundBufferStatic holds a whole sound, copied in at creation, and plays it once or looping.
// GxSoundBufferStream holds a ring of 16 segments (about four seconds) fed by a refill thread of
// its own: the mixer signals the refill event as the play cursor crosses the middle of each
// segment, and the thread refills the segments already played from the decoder, looping back to
// the loop frame and silencing the ring after the end of the data.
//
// Both work only while the mixer is open; without it every operation returns false. Each buffer
// has its own lock. The 3D values are only kept (the mixer has no 3D stage).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "core/GxMutex.h"
#include "media/GxSoundLoader.h"

class GxEvent;
class GxEventHub;
class GxMixerVoice;

// The kept 3D parameters of a sound.
struct GxSound3DParams
{
    uint32_t size = 64;
    float position[3] = {0, 0, 0};
    float velocity[3] = {0, 0, 0};
    uint32_t insideConeAngle = 360;
    uint32_t outsideConeAngle = 360;
    float coneOrientation[3] = {0, 0, 1};
    int32_t coneOutsideVolume = 0;
    float minDistance = 1.0f;
    float maxDistance = 1.0e9f;
    uint32_t mode = 0;
};

constexpr uint16_t kGxSoundSegmentCount = 16;

// Starts a stream buffer's refill thread running `body` in `thread`; false when the system
// refuses a thread (the buffer then refuses to be created and its play fails).
using GxSoundThreadStarter = bool (*)(std::thread& thread, std::function<void()> body);
// Replaces how refill threads are started (tests); null restores the default.
void GxSoundSetThreadStarter(GxSoundThreadStarter starter);

// What both buffers share: the lock and the kept 3D values. The 3D operations take the lock;
// the position and cone orientation (set and get) refuse while the sound is not 3D.
class GxSoundBuffer3D
{
public:
    bool Set3DPosition(const float* v);
    bool Get3DPosition(float* v);
    bool SetConeOrientation(const float* v);
    bool GetConeOrientation(float* v);
    bool SetMinDistance(float d);
    bool GetMinDistance(float* d);
    bool SetMaxDistance(float d);
    bool GetMaxDistance(float* d);
    bool SetConeAngles(uint32_t inside, uint32_t outside);
    bool GetConeAngles(uint32_t* inside, uint32_t* outside);
    const GxSound3DParams& Get3DParams() const { return m_3D; }

protected:
    // coneAnglesError: the line logged when the outside cone angle is below the inside one.
    explicit GxSoundBuffer3D(const char16_t* coneAnglesError) : m_ConeAnglesError(coneAnglesError) {}
    ~GxSoundBuffer3D() = default;
    GxSoundBuffer3D(const GxSoundBuffer3D&) = delete;
    GxSoundBuffer3D& operator=(const GxSoundBuffer3D&) = delete;

    GxMutex m_Lock;
    bool m_Is3D = false;
    GxSound3DParams m_3D;

private:
    const char16_t* m_ConeAnglesError;
};

class GxSoundBufferStatic : public GxSoundBuffer3D
{
public:
    GxSoundBufferStatic();
    ~GxSoundBufferStatic();
    GxSoundBufferStatic(const GxSoundBufferStatic&) = delete;
    GxSoundBufferStatic& operator=(const GxSoundBufferStatic&) = delete;

    // Copies the decoder's whole sound into a new buffer (3D only for mono sounds).
    bool Create(GxSoundLoaderBase* decoder, bool use3D);
    bool PlayWithVolumePan(int32_t loopCount, uint32_t priority, uint32_t startFrame, int32_t volume, int32_t pan);
    // Loop count -1 loops; any other count plays once.
    bool Play(int32_t loopCount, uint32_t priority, uint32_t startFrame);
    bool Stop();
    bool IsPlaying();
    bool SetVolume(int32_t volume);
    bool SetPan(int32_t pan);
    bool GetVolume(int32_t* volume);
    bool GetPan(int32_t* pan);
    // Stops and frees the sound; the buffer is empty afterwards.
    void Release();
    bool HasSound();

    uint32_t GetBufferSize();
    uint32_t GetDataSize();
    int32_t GetLoopCount();
    GxWaveFormat GetFormat();
    bool Is3D();

    bool Apply3D(bool immediate);

private:
    void ReleaseLocked();

    uint32_t m_DataSize = 0;
    std::shared_ptr<GxMixerVoice> m_Voice;
    GxWaveFormat m_Format;
    int32_t m_LoopCount = 0;
};

class GxSoundBufferStream : public GxSoundBuffer3D
{
public:
    GxSoundBufferStream();
    ~GxSoundBufferStream();
    GxSoundBufferStream(const GxSoundBufferStream&) = delete;
    GxSoundBufferStream& operator=(const GxSoundBufferStream&) = delete;

    // A ring for the decoder (not owned; it must outlive the buffer's thread, see TearDown), the
    // events and a waiting refill thread. A buffer made before is torn down first.
    bool Create(GxSoundLoaderBase* decoder, bool use3D);
    bool PlayWithVolumePan(int32_t loopCount, uint32_t priority, uint32_t startFrame, uint32_t loopFrame,
                           int32_t volume, int32_t pan);
    // Seeks, fills the whole ring and plays it looping; the loop count is kept as the loops left
    // (-1 never ends).
    bool Play(int32_t loopCount, uint32_t priority, uint32_t startFrame, uint32_t loopFrame);
    bool Stop();
    bool IsPlaying();
    // Not sent when equal to the last value sent.
    bool SetVolume(int32_t volume);
    bool SetPan(int32_t pan);
    bool GetVolume(int32_t* volume);
    bool GetPan(int32_t* pan);
    // Only where no thread runs.
    void Release();
    // Stops the sound, ends the refill thread (the buffer lock is not held while it is awaited),
    // then frees events and ring and resets every field. After it the decoder may be deleted.
    void TearDown();

    uint32_t GetBufferSize();
    uint32_t GetDataSize();
    uint32_t GetSegmentSize();
    int32_t GetLoopCount();
    uint64_t GetBytesWritten();
    uint64_t GetBytesPlayed();
    bool IsEnded();
    bool HasThread();
    std::vector<uint32_t> GetNotificationOffsets();
    GxWaveFormat GetFormat();
    bool Is3D();

    // (offset, bytes) of the ring from the decoder; loops to the loop frame while loops are left.
    bool FillBuffer(uint32_t offset, uint32_t bytes, uint32_t loopFrame, int32_t loopsIn, uint32_t* bytesRead,
                    int32_t* loopsOut, bool* ended);
    bool FillBufferSilence(uint32_t offset, uint32_t bytes);

    bool Apply3D(bool immediate);

private:
    bool CreateLocked(GxSoundLoaderBase* decoder, bool use3D);
    bool PlayLocked(int32_t loopCount, uint32_t startFrame, uint32_t loopFrame, bool* tearDown);
    void ResetFields();
    // One refill: true when the thread must stop.
    bool RefillStep();
    static void ThreadMain(GxSoundBufferStream* self, std::shared_ptr<GxEvent> refill, std::shared_ptr<GxEvent> stop);

    std::shared_ptr<GxMixerVoice> m_Voice;
    GxSoundLoaderBase* m_Decoder = nullptr;
    GxWaveFormat m_Format;
    std::shared_ptr<GxEventHub> m_Hub;
    std::shared_ptr<GxEvent> m_RefillEvent;
    std::shared_ptr<GxEvent> m_StopEvent;
    std::thread m_Thread;
    uint32_t m_SegmentSize = 0;
    uint32_t m_BufferSize = 0;
    uint32_t m_DataSize = 0;
    int32_t m_LastSegment = -1;
    uint32_t m_LastCursor = 0;
    // 64-bit: a long loop passes 4 GiB in a few hours.
    uint64_t m_BytesWritten = 0;
    uint64_t m_BytesPlayed = 0;
    bool m_Ended = false;
    uint32_t m_LoopFrame = 0;
    uint64_t m_TotalFrames = 0;
    int32_t m_LoopsLeft = 0;
    std::atomic<int32_t> m_LastVolume{1};
    std::atomic<int32_t> m_LastPan{100000};
};
