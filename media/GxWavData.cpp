#include "media/GxWavData.h"

#include <algorithm>
#include <new>

#include "core/GxLog.h"
#include "core/GxString.h"
#include "media/GxSoundClock.h"

void GxWavData::Init()
{
    m_DataSize = 0;
    m_Data.reset();
    m_LastUseTime.store(0, std::memory_order_relaxed);
    m_Format = GxWaveFormat{};
    m_Name.clear();
    m_RefCount = 0;
    m_TotalFrames = 0;
    m_Keep = false;
}

int32_t GxWavData::Release()
{
    if (m_RefCount > 0) --m_RefCount;
    return m_RefCount;
}

void GxWavData::Clear()
{
    if (!m_Data) return;
    m_RefCount = 0;
    m_Data.reset();
    m_DataSize = 0;
    m_TotalFrames = 0;
    m_LastUseTime.store(0, std::memory_order_relaxed);
    m_Format = GxWaveFormat{};
    m_Name.clear();
}

bool GxWavData::Create(std::u16string_view name, const GxWaveFormat* format, uint64_t byteCount)
{
    Clear();
    if (!format || byteCount == 0) return false;
    if (format->blockAlign == 0) {
        GxPrintSlightErrorLog(u"Error/GxWavData::Create 未対応の形式です(%s)\n", std::u16string(name));
        return false;
    }
    uint8_t* bytes = byteCount <= kGxWavDataMaxBytes ? new (std::nothrow) uint8_t[byteCount]() : nullptr;
    if (!bytes) {
        GxPrintSlightErrorLog(u"Error/GxWavData::Create バッファの確保に失敗しました(%s)\n", std::u16string(name));
        return false;
    }
    m_Data.reset(bytes);
    m_Format = *format;
    m_DataSize = byteCount;
    m_TotalFrames = byteCount / format->blockAlign;
    AddRef();
    m_Name = GxToLower(name);
    Touch();
    return true;
}

bool GxWavData::CreateA(std::string_view name, const GxWaveFormat* format, uint64_t byteCount)
{
    return Create(GxAnsiToWide(name), format, byteCount);
}

bool GxWavData::Create(std::u16string_view fileName)
{
    GxSoundLoaderWav wav;
    GxSoundLoaderOgg ogg;
    GxSoundLoaderBase* loader = nullptr;
    if (GxHasExtension(fileName, u".wav")) {
        if (!wav.Open(fileName)) return false;
        loader = &wav;
    } else if (GxHasExtension(fileName, u".ogg")) {
        if (!ogg.Open(fileName)) return false;
        loader = &ogg;
    } else {
        GxPrintSlightErrorLog(u"Error/GxWavData::Create 未対応の形式です(%s)\n", std::u16string(fileName));
        return false;
    }
    const GxWaveFormat format = loader->GetWaveFormat();
    if (!Create(fileName, &format, loader->GetDataSize())) {
        loader->Close();
        return false;
    }
    // What the decoder cannot deliver (a stream shorter than its header says) stays silence.
    uint64_t filled = 0;
    while (filled < m_DataSize) {
        const uint32_t want = static_cast<uint32_t>(std::min<uint64_t>(m_DataSize - filled, 1u << 20));
        uint32_t got = 0;
        loader->Read(m_Data.get() + filled, want, &got);
        if (got == 0) break;
        filled += got;
    }
    m_Name = GxToLower(fileName);
    Touch();
    loader->Close();
    return true;
}

bool GxWavData::CreateA(std::string_view fileName) { return Create(GxAnsiToWide(fileName)); }

uint64_t GxWavData::GetLengthMs() const
{
    if (m_Format.samplesPerSec == 0) return 0;
    return m_TotalFrames * 1000 / m_Format.samplesPerSec;
}

bool GxWavData::GetSample(int16_t* left, int16_t* right, uint64_t frame) const
{
    if (!m_Data || frame >= m_TotalFrames || !left || !right) return false;
    const bool stereo = m_Format.channels >= 2;
    const bool wide = m_Format.bitsPerSample == 16;
    if ((stereo ? 2u : 1u) * (wide ? 2u : 1u) > m_Format.blockAlign) return false;
    const uint8_t* p = m_Data.get() + frame * m_Format.blockAlign;
    if (wide) {
        *left = static_cast<int16_t>(static_cast<uint16_t>(p[0] | p[1] << 8));
        *right = stereo ? static_cast<int16_t>(static_cast<uint16_t>(p[2] | p[3] << 8)) : *left;
    } else {
        *left = static_cast<int16_t>((p[0] - 128) * 256);
        *right = stereo ? static_cast<int16_t>((p[1] - 128) * 256) : *left;
    }
    return true;
}

void GxWavData::Touch() { m_LastUseTime.store(GxSoundGetTime(), std::memory_order_relaxed); }
