// A whole decoded sound in memory: PCM samples with their format, the lower-cased file name,
// a reference count (never below 0), a keep flag and the last-use time on the sound clock.
// The decoded-sound cache owns these; memory decoders read them.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "media/GxSoundLoader.h"

// Larger decoded sounds are refused as an allocation failure: a stream header can claim any
// length, and a sound this long is played streaming, never from memory.
constexpr uint64_t kGxWavDataMaxBytes = 256ull * 1024 * 1024;

class GxWavData
{
public:
    GxWavData() = default;
    virtual ~GxWavData() = default;
    GxWavData(const GxWavData&) = delete;
    GxWavData& operator=(const GxWavData&) = delete;

    // Every field cleared, the name empty, the keep flag off.
    void Init();
    int32_t AddRef() { return ++m_RefCount; }
    // Lowers a positive count; returns the new count.
    int32_t Release();
    int32_t GetRefCount() const { return m_RefCount; }
    // When holding data: count 0, samples freed, size, frames, time, format and name cleared.
    void Clear();

    // Zeroed room for byteCount bytes of the format; the count starts at 1, the name is stored
    // lower-cased and the entry is touched. False for no format, a format with no whole frame,
    // 0 bytes or a failed allocation.
    bool Create(std::u16string_view name, const GxWaveFormat* format, uint64_t byteCount);
    bool CreateA(std::string_view name, const GxWaveFormat* format, uint64_t byteCount);
    // Decodes a whole ".wav" or ".ogg" file (extension compared without case).
    bool Create(std::u16string_view fileName);
    bool CreateA(std::string_view fileName);

    const GxWaveFormat& GetFormat() const { return m_Format; }
    const uint8_t* GetData() const { return m_Data.get(); }
    uint8_t* GetData() { return m_Data.get(); }
    uint64_t GetTotalFrames() const { return m_TotalFrames; }
    // Frames x 1000 / rate, truncated; 0 when the rate is 0.
    uint64_t GetLengthMs() const;
    // One frame as 16-bit values (mono gives its value twice; 8-bit samples are centred on 128
    // and scaled by 256). False for a frame outside the data.
    bool GetSample(int16_t* left, int16_t* right, uint64_t frame) const;
    void Touch();
    const std::u16string& GetName() const { return m_Name; }
    uint64_t GetDataSize() const { return m_DataSize; }
    void SetKeep(bool keep) { m_Keep = keep; }
    bool IsKept() const { return m_Keep; }
    uint64_t GetLastUseTime() const { return m_LastUseTime.load(std::memory_order_relaxed); }

private:
    uint64_t m_DataSize = 0;
    std::unique_ptr<uint8_t[]> m_Data;
    // Touched by a memory decoder on a refill thread while the main thread reads it.
    std::atomic<uint64_t> m_LastUseTime{0};
    GxWaveFormat m_Format;
    std::u16string m_Name;
    int32_t m_RefCount = 0;
    uint64_t m_TotalFrames = 0;
    bool m_Keep = false;
};
