#include "media/GxSoundLoader.h"

#include <algorithm>
#include <cstring>

#include "core/GxLog.h"
#include "media/GxWavData.h"

namespace {

uint16_t ReadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

uint32_t ReadLe32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

bool IsTag(const uint8_t* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

std::u16string NameOf(std::u16string_view fileName) { return std::u16string(fileName); }

}  // namespace

// ---- base ----

bool GxSoundLoaderBase::Read(void* dst, uint32_t count, uint32_t* bytesRead)
{
    (void)dst; (void)count;
    if (bytesRead) *bytesRead = 0;
    return false;
}

bool GxSoundLoaderBase::Seek(int64_t frame)
{
    (void)frame;
    return false;
}

int64_t GxSoundLoaderBase::GetLoopStart() const { return m_LoopStart > GetLoopLimit() ? 0 : m_LoopStart; }

uint64_t GxSoundLoaderBase::GetLengthMs() const
{
    if (m_Format.samplesPerSec == 0 || m_Format.blockAlign == 0) return 0;
    return GetDataSize() * 1000 / m_Format.blockAlign / m_Format.samplesPerSec;
}

// ---- WAV ----

bool GxSoundLoaderWav::Open(std::u16string_view fileName)
{
    Close();
    m_Format = GxWaveFormat{};
    if (!GxFileOpen(m_File, fileName)) return false;

    uint8_t head[20];
    if (GxFileRead(head, sizeof head, m_File) != sizeof head || !IsTag(head, "RIFF") || !IsTag(head + 8, "WAVE") ||
        !IsTag(head + 12, "fmt ")) {
        Close();
        GxPrintSlightErrorLog(u"Error/GxSoundLoaderWav::Open riffヘッダが見つかりません(%s)\n", NameOf(fileName));
        return false;
    }
    const uint32_t riffSize = ReadLe32(head + 4);
    const uint32_t fmtSize = ReadLe32(head + 16);

    uint8_t fmt[16];
    const bool fmtRead = fmtSize >= sizeof fmt && GxFileRead(fmt, sizeof fmt, m_File) == sizeof fmt;
    GxWaveFormat format;
    if (fmtRead) {
        format.formatTag = ReadLe16(fmt);
        format.channels = ReadLe16(fmt + 2);
        format.samplesPerSec = ReadLe32(fmt + 4);
        format.avgBytesPerSec = ReadLe32(fmt + 8);
        format.blockAlign = ReadLe16(fmt + 12);
        format.bitsPerSample = ReadLe16(fmt + 14);
    }
    // Only what the sound device plays: a zero rate or a block that is not one frame would
    // divide by zero or tear frames further on.
    const bool playable = fmtRead && format.formatTag == kGxWaveFormatPcm &&
                          (format.channels == 1 || format.channels == 2) &&
                          (format.bitsPerSample == 8 || format.bitsPerSample == 16) && format.samplesPerSec != 0 &&
                          format.blockAlign == format.channels * format.bitsPerSample / 8;
    if (!playable) {
        Close();
        GxPrintSlightErrorLog(
            u"Error/GxSoundLoaderWav::Open PCMWAVEFORMATヘッダが読み込めませんでした。未対応の形式です(%s)\n",
            NameOf(fileName));
        return false;
    }
    m_Format = format;

    const uint64_t fileSize = m_File.GetStoredSize();
    const uint64_t limit = std::min<uint64_t>(uint64_t{riffSize} + 8, fileSize);
    // Chunk sizes are taken as they stand first, as many writers forget the pad byte after an
    // odd-sized chunk; only when that finds no data does the walk honour the pad byte.
    if (!FindDataChunk(20 + uint64_t{fmtSize}, limit, fileSize, false) &&
        !FindDataChunk(20 + uint64_t{fmtSize}, limit, fileSize, true)) {
        Close();
        GxPrintSlightErrorLog(u"Error/GxSoundLoaderWav::Open dataチャンクが見つかりません。ファイルが壊れています(%s)\n",
                              NameOf(fileName));
        return false;
    }
    return true;
}

bool GxSoundLoaderWav::FindDataChunk(uint64_t position, uint64_t limit, uint64_t fileSize, bool padOddChunks)
{
    while (position < limit) {
        uint8_t chunk[8];
        if (!GxFileSeek(m_File, static_cast<int64_t>(position), 0) || GxFileRead(chunk, sizeof chunk, m_File) != sizeof chunk) {
            return false;
        }
        const uint32_t size = ReadLe32(chunk + 4);
        const uint64_t body = position + 8;
        if (IsTag(chunk, "data")) {
            uint32_t dataSize = size;
            // A data chunk longer than the file keeps the whole frames that are there.
            if (body + size > fileSize) {
                const uint64_t present = fileSize - body;
                dataSize = static_cast<uint32_t>(present - present % m_Format.blockAlign);
            }
            m_DataOffset = body;
            m_DataSize = dataSize;
            m_Remaining = dataSize;
            return true;
        }
        if (body + size > fileSize) return false;  // runs past the end: nothing after it can be trusted
        position = body + size + (padOddChunks ? (size & 1u) : 0u);
    }
    return false;
}

void GxSoundLoaderWav::Close()
{
    if (m_File.IsOpen()) GxFileClose(m_File);
    m_DataOffset = 0;
    m_DataSize = 0;
    m_Remaining = 0;
}

bool GxSoundLoaderWav::Read(void* dst, uint32_t count, uint32_t* bytesRead)
{
    if (bytesRead) *bytesRead = 0;
    if (!IsOpen()) return false;
    const uint32_t want = std::min(count, m_Remaining);
    const uint32_t got = want && dst ? GxFileRead(dst, want, m_File) : 0;
    // A short read is the end of the data.
    m_Remaining = got < want ? 0 : m_Remaining - got;
    if (bytesRead) *bytesRead = got;
    return true;
}

bool GxSoundLoaderWav::Seek(int64_t frame)
{
    if (!IsOpen() || frame < 0 || static_cast<uint64_t>(frame) > m_DataSize) return false;
    const uint64_t byte = static_cast<uint64_t>(frame) * m_Format.blockAlign;
    if (byte > m_DataSize) return false;
    if (!GxFileSeek(m_File, static_cast<int64_t>(m_DataOffset + byte), 0)) return false;
    m_Remaining = static_cast<uint32_t>(m_DataSize - byte);
    return true;
}

int64_t GxSoundLoaderWav::Tell() const
{
    if (m_Format.blockAlign == 0) return 0;
    return (m_DataSize - m_Remaining) / m_Format.blockAlign;
}

int64_t GxSoundLoaderWav::GetTotalSamples() const
{
    return m_Format.blockAlign ? m_DataSize / m_Format.blockAlign : 0;
}

// ---- memory ----

bool GxSoundLoaderMemory::Open(GxWavData* source)
{
    Close();
    if (!source || !source->GetData() || source->GetDataSize() == 0) return false;
    m_Format = source->GetFormat();
    m_Position = 0;
    m_DataSize = m_Remaining = source->GetDataSize();
    m_Source = source;
    m_Source->Touch();
    return true;
}

void GxSoundLoaderMemory::Close()
{
    m_Source = nullptr;
    m_Position = 0;
    m_DataSize = 0;
    m_Remaining = 0;
}

bool GxSoundLoaderMemory::Read(void* dst, uint32_t count, uint32_t* bytesRead)
{
    if (bytesRead) *bytesRead = 0;
    if (!m_Source) return false;
    const uint32_t n = dst ? static_cast<uint32_t>(std::min<uint64_t>(count, m_Remaining)) : 0;
    if (n) std::memcpy(dst, m_Source->GetData() + m_Position, n);
    m_Position += n;
    m_Remaining -= n;
    m_Source->Touch();
    if (bytesRead) *bytesRead = n;
    return true;
}

bool GxSoundLoaderMemory::Seek(int64_t frame)
{
    if (!m_Source || frame < 0 || static_cast<uint64_t>(frame) > m_DataSize) return false;
    const uint64_t byte = static_cast<uint64_t>(frame) * m_Format.blockAlign;
    if (byte > m_DataSize) return false;
    m_Position = byte;
    m_Remaining = m_DataSize - byte;
    m_Source->Touch();
    return true;
}

int64_t GxSoundLoaderMemory::Tell() const
{
    if (m_Format.blockAlign == 0) return 0;
    return static_cast<int64_t>((m_DataSize - m_Remaining) / m_Format.blockAlign);
}

int64_t GxSoundLoaderMemory::GetTotalSamples() const
{
    return m_Format.blockAlign ? static_cast<int64_t>(m_DataSize / m_Format.blockAlign) : 0;
}
