// Sound decoders: every sound reaches the sound device as 8- or 16-bit PCM through one of these.
// The WAV and Ogg Vorbis decoders read through the file layer, so sounds may live in packs; the
// memory decoder reads a sound decoded earlier into a GxWavData.
//
// A decoder belongs to one player. Read never fails once the decoder is open: a short read is
// the end of the data, and the end flag says so.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/GxFile.h"
#include "platform/GxOggDecoder.h"

class GxWavData;

// The PCM format of a sound (the engine's own record; tag 1 is PCM).
struct GxWaveFormat
{
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;      // bytes of one sample frame
    uint16_t bitsPerSample = 0;

    bool operator==(const GxWaveFormat&) const = default;
};

constexpr uint16_t kGxWaveFormatPcm = 1;

enum GxSoundLoaderType : int
{
    GxSoundLoaderType_Base = 0,
    GxSoundLoaderType_Memory = 1,
    GxSoundLoaderType_Wav = 2,
    GxSoundLoaderType_Ogg = 4,
};

class GxSoundLoaderBase
{
public:
    GxSoundLoaderBase() = default;
    virtual ~GxSoundLoaderBase() = default;
    GxSoundLoaderBase(const GxSoundLoaderBase&) = delete;
    GxSoundLoaderBase& operator=(const GxSoundLoaderBase&) = delete;

    virtual void Close() {}
    virtual bool IsOpen() const { return false; }
    // True whenever the decoder is open, even when nothing was read; bytesRead may be null.
    virtual bool Read(void* dst, uint32_t count, uint32_t* bytesRead);
    // Positions are sample frames.
    virtual bool Seek(int64_t frame);
    virtual int64_t Tell() const { return 0; }
    virtual bool IsEnd() const { return true; }
    GxWaveFormat GetWaveFormat() const { return m_Format; }
    virtual int64_t GetTotalSamples() const { return 0; }
    virtual uint64_t GetDataSize() const { return 0; }
    void SetLoopStart(int64_t frame) { m_LoopStart = frame; }
    // The loop start, or 0 when it lies beyond the loop limit.
    int64_t GetLoopStart() const;
    int64_t GetLoopLimit() const { return GetTotalSamples(); }
    // Data size x 1000 / block / rate, truncated; 0 when the rate or block size is 0.
    uint64_t GetLengthMs() const;
    virtual int GetType() const { return GxSoundLoaderType_Base; }

protected:
    GxWaveFormat m_Format;
    int64_t m_LoopStart = 0;
};

// RIFF WAVE files holding 8- or 16-bit PCM, mono or stereo.
class GxSoundLoaderWav : public GxSoundLoaderBase
{
public:
    GxSoundLoaderWav() = default;
    ~GxSoundLoaderWav() override { Close(); }

    // Closes an open file first. A file that cannot be opened fails without a message; every
    // other refusal logs one line.
    bool Open(std::u16string_view fileName);
    void Close() override;
    bool IsOpen() const override { return m_File.IsOpen(); }
    bool Read(void* dst, uint32_t count, uint32_t* bytesRead) override;
    bool Seek(int64_t frame) override;
    int64_t Tell() const override;
    bool IsEnd() const override { return m_Remaining == 0; }
    int64_t GetTotalSamples() const override;
    uint64_t GetDataSize() const override { return m_DataSize; }
    int GetType() const override { return GxSoundLoaderType_Wav; }

private:
    bool FindDataChunk(uint64_t position, uint64_t limit, uint64_t fileSize, bool padOddChunks);

    GxFileHandle m_File;
    uint64_t m_DataOffset = 0;
    uint32_t m_DataSize = 0;
    uint32_t m_Remaining = 0;
};

// Ogg Vorbis through the platform decoder over the file layer; seekable streams of 1 or 2
// channels; the output is 16-bit signed little-endian PCM.
class GxSoundLoaderOgg : public GxSoundLoaderBase
{
public:
    GxSoundLoaderOgg();
    ~GxSoundLoaderOgg() override;

    bool Open(std::u16string_view fileName);
    void Close() override;
    bool IsOpen() const override { return m_Decoder.IsOpen(); }
    bool Read(void* dst, uint32_t count, uint32_t* bytesRead) override;
    bool Seek(int64_t frame) override;
    int64_t Tell() const override;
    bool IsEnd() const override { return m_End; }
    int64_t GetTotalSamples() const override { return m_TotalSamples; }
    uint64_t GetDataSize() const override;
    int GetType() const override { return GxSoundLoaderType_Ogg; }

private:
    bool OpenStream();

    // The decoder's data source is this handle: it is closed through the decoder.
    GxFileHandle m_File;
    GxOggDecoder m_Decoder;
    int64_t m_TotalSamples = 0;
    bool m_End = false;
};

// PCM decoded earlier into a GxWavData (not owned; touched on open, read and seek).
class GxSoundLoaderMemory : public GxSoundLoaderBase
{
public:
    GxSoundLoaderMemory() = default;
    ~GxSoundLoaderMemory() override { Close(); }

    // The source must exist and hold samples.
    bool Open(GxWavData* source);
    void Close() override;
    bool IsOpen() const override { return m_Source != nullptr; }
    bool Read(void* dst, uint32_t count, uint32_t* bytesRead) override;
    bool Seek(int64_t frame) override;
    int64_t Tell() const override;
    bool IsEnd() const override { return m_Remaining == 0; }
    int64_t GetTotalSamples() const override;
    uint64_t GetDataSize() const override { return m_DataSize; }
    int GetType() const override { return GxSoundLoaderType_Memory; }

private:
    GxWavData* m_Source = nullptr;
    uint64_t m_Position = 0;
    uint64_t m_DataSize = 0;
    uint64_t m_Remaining = 0;
};
