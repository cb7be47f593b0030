// Sound players: what the sound manager keeps in its tables. A player owns one sound buffer,
// starts a sound on it from a file or from decoded data in memory (start position, loops, an
// optional fade-in) and runs volume fades against the sound clock (media/GxSoundClock.h).
//
// GxSoundPlayerStatic copies a whole sound into its buffer (short sounds, one-shot sounds);
// GxSoundPlayerStream plays through a streaming buffer fed by a decoder it owns (music, ambient
// loops, effects and voices). Players are used from the main thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "media/GxSoundBuffer.h"

class GxWavData;

// Where fades begin and end, in hundredths of a decibel.
constexpr int32_t kGxSoundFadeFloor = -6400;

enum GxSoundFadeState : int32_t
{
    GxSoundFade_None = 0,
    GxSoundFade_In = 1,
    GxSoundFade_Out = 2,
};

class GxSoundPlayerBase
{
public:
    GxSoundPlayerBase();
    virtual ~GxSoundPlayerBase() = default;
    GxSoundPlayerBase(const GxSoundPlayerBase&) = delete;
    GxSoundPlayerBase& operator=(const GxSoundPlayerBase&) = delete;

    virtual bool Set3DPosition(const float* v);
    virtual bool Get3DPosition(float* v);
    virtual bool SetConeOrientation(const float* v);
    // The orientation kept at the last play (fourth component 0).
    virtual bool GetConeOrientation(float* v);

    // Players constructed in this process (never lowered).
    static int32_t GetInstanceCount();

    // The play family of the static player (the base refuses).
    virtual bool PlayFromFileAt(std::u16string_view file, int32_t loopCount, uint32_t priority, uint32_t startMs,
                                uint32_t fadeInMs, int32_t volume, int32_t pan, bool use3D, const float* position,
                                const float* orientation);
    virtual bool PlayFromFileAtA(std::string_view file, int32_t loopCount, uint32_t priority, uint32_t startMs,
                                 uint32_t fadeInMs, int32_t volume, int32_t pan, bool use3D, const float* position,
                                 const float* orientation);
    virtual bool PlayFromMemoryAt(GxWavData* wav, int32_t loopCount, uint32_t priority, uint32_t startMs,
                                  uint32_t fadeInMs, int32_t volume, int32_t pan, bool use3D, const float* position,
                                  const float* orientation);
    virtual bool PlayFromFile(std::u16string_view file, int32_t loopCount, uint32_t priority, uint32_t startMs,
                              uint32_t fadeInMs, int32_t volume, int32_t pan, bool use3D, const float* position,
                              const float* orientation);
    virtual bool PlayFromFileA(std::string_view file, int32_t loopCount, uint32_t priority, uint32_t startMs,
                               uint32_t fadeInMs, int32_t volume, int32_t pan, bool use3D, const float* position,
                               const float* orientation);
    virtual bool PlayFromMemory(GxWavData* wav, int32_t loopCount, uint32_t priority, uint32_t startMs,
                                uint32_t fadeInMs, int32_t volume, int32_t pan, bool use3D, const float* position,
                                const float* orientation);

    virtual bool Stop();
    // 0 stops at once; otherwise fades from the current volume to -6400, then stops.
    virtual bool FadeOut(uint32_t ms);
    // During a fade-in this becomes the target, during a fade-out the start volume.
    virtual bool SetVolume(int32_t volume);
    virtual bool SetPan(int32_t pan);
    virtual int32_t GetVolume();
    virtual int32_t GetPan();
    // Milliseconds since the recorded fade should have ended; 0 while it runs or without one.
    virtual uint64_t GetFadeOverrun();
    virtual int32_t GetFadeTargetVolume();
    virtual int32_t GetLoopCount();
    virtual bool IsPlaying();
    virtual int32_t GetFadeState();
    virtual uint64_t GetPlayStartTime();
    virtual uint64_t GetLengthMs();
    virtual bool FinishFade();
    // Called by the sound manager's update: advances the fade; false when not playing.
    virtual bool UpdateFade();

    uint32_t GetStartPositionMs() const { return m_StartPosition; }
    uint32_t GetLoopPositionMs() const { return m_LoopPosition; }
    uint64_t GetTotalFrames() const { return m_TotalFrames; }

protected:
    // What the buffers give the shared operations.
    virtual bool BufferStop() { return false; }
    virtual bool BufferIsPlaying() { return false; }
    virtual bool BufferSetVolume(int32_t) { return false; }
    virtual bool BufferSetPan(int32_t) { return false; }
    virtual bool BufferGetVolume(int32_t*) { return false; }
    virtual bool BufferGetPan(int32_t*) { return false; }
    virtual int32_t BufferLoopCount() { return 0; }
    // After Stop: the static player frees its sound, the stream player its thread and decoder.
    virtual void AfterStop() {}
    // UpdateFade found the sound not playing.
    virtual void OnNotPlaying() {}

    // Records the fade and returns the volume the buffer starts at.
    int32_t StartFade(uint32_t startMs, uint32_t fadeInMs, int32_t volume);
    void KeepPointers(const float* position, const float* orientation);
    void CopyVectors(const float* position, const float* orientation);

    uint64_t m_FadeStartTime = 0;
    int32_t m_FadeTarget = kGxSoundFadeFloor;
    int32_t m_FadeStartVolume = kGxSoundFadeFloor;
    uint32_t m_FadeDuration = 0;
    uint64_t m_PlayStartTime = 0;
    uint32_t m_StartPosition = 0;
    uint32_t m_LoopPosition = 0;
    uint64_t m_LengthMs = 0;
    uint64_t m_TotalFrames = 0;
    int32_t m_FadeState = GxSoundFade_None;
    float m_Position[4] = {0, 0, 0, 0};
    float m_ConeOrientation[4] = {0, 0, 1, 0};
    float m_Orientation2[4] = {0, 0, 1, 0};
    float m_MinDistance = 0.0f;
    float m_MaxDistance = 0.0f;
    const float* m_PositionPtr = nullptr;
    const float* m_OrientationPtr = nullptr;
};

class GxSoundPlayerStatic : public GxSoundPlayerBase
{
public:
    GxSoundPlayerStatic() = default;
    ~GxSoundPlayerStatic() override;

    bool Set3DPosition(const float* v) override;
    bool Get3DPosition(float* v) override;
    bool SetConeOrientation(const float* v) override;

    bool PlayFromFileAt(std::u16string_view file, int32_t loopCount, uint32_t priority, uint32_t startMs,
                        uint32_t fadeInMs, int32_t volume, int32_t pan, bool use3D, const float* position,
                        const float* orientation) override;
    bool PlayFromFileAtA(std::string_view file, int32_t loopCount, uint32_t priority, uint32_t startMs,
                         uint32_t fadeInMs, int32_t volume, int32_t pan, bool use3D, const float* position,
                         const float* orientation) override;
    bool PlayFromMemoryAt(GxWavData* wav, int32_t loopCount, uint32_t priority, uint32_t startMs, uint32_t fadeInMs,
                          int32_t volume, int32_t pan, bool use3D, const float* position,
                          const float* orientation) override;
    bool PlayFromFile(std::u16string_view file, int32_t loopCount, uint32_t priority, uint32_t startMs,
                      uint32_t fadeInMs, int32_t volume, int32_t pan, bool use3D, const float* position,
                      const float* orientation) override;
    bool PlayFromFileA(std::string_view file, int32_t loopCount, uint32_t priority, uint32_t startMs,
                       uint32_t fadeInMs, int32_t volume, int32_t pan, bool use3D, const float* position,
                       const float* orientation) override;
    bool PlayFromMemory(GxWavData* wav, int32_t loopCount, uint32_t priority, uint32_t startMs, uint32_t fadeInMs,
                        int32_t volume, int32_t pan, bool use3D, const float* position,
                        const float* orientation) override;

    virtual bool SetMinDistance(float d);
    virtual bool GetMinDistance(float* d);
    virtual bool SetMaxDistance(float d);
    virtual bool GetMaxDistance(float* d);
    virtual bool SetConeAngles(uint32_t inside, uint32_t outside);
    virtual bool GetConeAngles(uint32_t* inside, uint32_t* outside);
    virtual bool GetBufferConeOrientation(float* v);

    GxSoundBufferStatic& GetBuffer() { return m_Buffer; }

protected:
    bool BufferStop() override { return m_Buffer.Stop(); }
    bool BufferIsPlaying() override { return m_Buffer.IsPlaying(); }
    bool BufferSetVolume(int32_t v) override { return m_Buffer.SetVolume(v); }
    bool BufferSetPan(int32_t p) override { return m_Buffer.SetPan(p); }
    bool BufferGetVolume(int32_t* v) override { return m_Buffer.GetVolume(v); }
    bool BufferGetPan(int32_t* p) override { return m_Buffer.GetPan(p); }
    int32_t BufferLoopCount() override { return m_Buffer.GetLoopCount(); }
    void AfterStop() override { m_Buffer.Release(); }
    void OnNotPlaying() override;

private:
    bool PlayWith(GxSoundLoaderBase* decoder, std::u16string_view name, bool fromMemory, int32_t loopCount,
                  uint32_t priority, uint32_t startMs, uint32_t fadeInMs, int32_t volume, int32_t pan, bool use3D,
                  const float* position, const float* orientation);

    GxSoundBufferStatic m_Buffer;
};

class GxSoundPlayerStream : public GxSoundPlayerBase
{
public:
    GxSoundPlayerStream() = default;
    ~GxSoundPlayerStream() override;

    bool Set3DPosition(const float* v) override;
    bool Get3DPosition(float* v) override;
    bool SetConeOrientation(const float* v) override;

    // The static player's forms: refused here.
    using GxSoundPlayerBase::PlayFromFileAt;
    using GxSoundPlayerBase::PlayFromFileAtA;
    using GxSoundPlayerBase::PlayFromMemoryAt;
    using GxSoundPlayerBase::PlayFromFile;
    using GxSoundPlayerBase::PlayFromFileA;
    using GxSoundPlayerBase::PlayFromMemory;

    // As the static forms, with the loop position (milliseconds) after the pan.
    virtual bool PlayFromFileAt(std::u16string_view file, int32_t loopCount, uint32_t priority, uint32_t startMs,
                                uint32_t fadeInMs, int32_t volume, int32_t pan, uint32_t loopMs, bool use3D,
                                const float* position, const float* orientation);
    virtual bool PlayFromFileAtA(std::string_view file, int32_t loopCount, uint32_t priority, uint32_t startMs,
                                 uint32_t fadeInMs, int32_t volume, int32_t pan, uint32_t loopMs, bool use3D,
                                 const float* position, const float* orientation);
    virtual bool PlayFromMemoryAt(GxWavData* wav, int32_t loopCount, uint32_t priority, uint32_t startMs,
                                  uint32_t fadeInMs, int32_t volume, int32_t pan, uint32_t loopMs, bool use3D,
                                  const float* position, const float* orientation);
    virtual bool PlayFromFile(std::u16string_view file, int32_t loopCount, uint32_t priority, uint32_t startMs,
                              uint32_t fadeInMs, int32_t volume, int32_t pan, uint32_t loopMs, bool use3D,
                              const float* position, const float* orientation);
    virtual bool PlayFromFileA(std::string_view file, int32_t loopCount, uint32_t priority, uint32_t startMs,
                               uint32_t fadeInMs, int32_t volume, int32_t pan, uint32_t loopMs, bool use3D,
                               const float* position, const float* orientation);
    virtual bool PlayFromMemory(GxWavData* wav, int32_t loopCount, uint32_t priority, uint32_t startMs,
                                uint32_t fadeInMs, int32_t volume, int32_t pan, uint32_t loopMs, bool use3D,
                                const float* position, const float* orientation);

    virtual bool SetMinDistance(float d);
    virtual bool GetMinDistance(float* d);
    virtual bool SetMaxDistance(float d);
    virtual bool GetMaxDistance(float* d);
    virtual bool SetConeAngles(uint32_t inside, uint32_t outside);
    virtual bool GetConeAngles(uint32_t* inside, uint32_t* outside);
    virtual bool GetBufferConeOrientation(float* v);

    GxSoundBufferStream& GetBuffer() { return m_Buffer; }
    GxSoundLoaderBase* GetDecoder() const { return m_Decoder.get(); }

protected:
    bool BufferStop() override { return m_Buffer.Stop(); }
    bool BufferIsPlaying() override { return m_Buffer.IsPlaying(); }
    bool BufferSetVolume(int32_t v) override { return m_Buffer.SetVolume(v); }
    bool BufferSetPan(int32_t p) override { return m_Buffer.SetPan(p); }
    bool BufferGetVolume(int32_t* v) override { return m_Buffer.GetVolume(v); }
    bool BufferGetPan(int32_t* p) override { return m_Buffer.GetPan(p); }
    int32_t BufferLoopCount() override { return m_Buffer.GetLoopCount(); }
    void AfterStop() override;

private:
    bool PlayWith(std::unique_ptr<GxSoundLoaderBase> decoder, std::u16string_view name, bool fromMemory,
                  int32_t loopCount, uint32_t priority, uint32_t startMs, uint32_t fadeInMs, int32_t volume,
                  int32_t pan, uint32_t loopMs, bool use3D, const float* position, const float* orientation);

    GxSoundBufferStream m_Buffer;
    // Deleted only after the buffer's thread has ended (Stop, and the destructor through it).
    std::unique_ptr<GxSoundLoaderBase> m_Decoder;
};
