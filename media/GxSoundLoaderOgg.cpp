#include <algorithm>
#include <cstdint>

#include "core/GxLog.h"
#include "media/GxSoundLoader.h"

namespace {

// The decoder's byte source: the file layer, so sounds may live in packs.
size_t CallbackRead(void* source, void* ptr, size_t bytes)
{
    auto* handle = static_cast<GxFileHandle*>(source);
    if (!ptr || bytes == 0) return 0;
    return GxFileRead(ptr, static_cast<uint32_t>(std::min<uint64_t>(bytes, UINT32_MAX)), *handle);
}

int CallbackSeek(void* source, int64_t offset, int whence)
{
    if (whence != 0 && whence != 1 && whence != 2) return -1;
    if (!GxFileSeek(*static_cast<GxFileHandle*>(source), offset, whence)) {
        GxPrintSlightErrorLog(u"Error/GxSoundLoaderOgg::CallbackSeek Failed\n");
        return -1;
    }
    return 0;
}

int CallbackClose(void* source)
{
    auto* handle = static_cast<GxFileHandle*>(source);
    if (!handle->IsOpen()) return -1;
    GxFileClose(*handle);
    return 0;
}

int64_t CallbackTell(void* source) { return GxFileTell(*static_cast<GxFileHandle*>(source)); }

}  // namespace

GxSoundLoaderOgg::GxSoundLoaderOgg() = default;

GxSoundLoaderOgg::~GxSoundLoaderOgg() { Close(); }

bool GxSoundLoaderOgg::Open(std::u16string_view fileName)
{
    Close();
    m_Format = GxWaveFormat{};
    if (!GxFileOpen(m_File, fileName)) {
        GxPrintSlightErrorLog(u"Error/GxSoundLoaderOgg::Open ファイルのオープンに失敗しました(%s)\n",
                              std::u16string(fileName));
        return false;
    }
    return OpenStream();
}

bool GxSoundLoaderOgg::OpenStream()
{
    // The decoder closes the file through the close callback, whether the open fails or not.
    switch (m_Decoder.Open(GxOggIo{&m_File, CallbackRead, CallbackSeek, CallbackClose, CallbackTell})) {
    case GxOggOpenResult::Ok:
        break;
    case GxOggOpenResult::NotSeekable:
        GxPrintSlightErrorLog(u"Error/GxSoundLoaderOgg::OpenStream シーク可能なファイルではありません\n");
        return false;
    case GxOggOpenResult::NotVorbis:
    default:
        GxPrintSlightErrorLog(u"Error/GxSoundLoaderOgg::OpenStream ファイルのオープンに失敗しました\n");
        return false;
    }
    m_Format = GxWaveFormat{};
    m_Format.formatTag = kGxWaveFormatPcm;
    m_Format.channels = m_Decoder.GetChannels();
    m_Format.samplesPerSec = m_Decoder.GetRate();
    m_Format.bitsPerSample = 16;
    m_Format.blockAlign = static_cast<uint16_t>(m_Format.channels * 2);
    m_Format.avgBytesPerSec = m_Format.blockAlign * m_Format.samplesPerSec;
    m_TotalSamples = m_Decoder.GetTotalFrames();
    m_End = false;
    return true;
}

void GxSoundLoaderOgg::Close()
{
    m_Decoder.Close();
    if (m_File.IsOpen()) GxFileClose(m_File);
    m_TotalSamples = 0;
    m_End = false;
}

bool GxSoundLoaderOgg::Read(void* dst, uint32_t count, uint32_t* bytesRead)
{
    if (bytesRead) *bytesRead = 0;
    if (!m_Decoder.IsOpen()) return false;
    bool end = false;
    const uint32_t done = m_Decoder.Read(dst, count, &end);
    if (end) m_End = true;
    if (bytesRead) *bytesRead = done;
    return true;
}

bool GxSoundLoaderOgg::Seek(int64_t frame)
{
    if (!m_Decoder.Seek(frame)) return false;
    m_End = false;
    return true;
}

int64_t GxSoundLoaderOgg::Tell() const { return m_Decoder.Tell(); }

uint64_t GxSoundLoaderOgg::GetDataSize() const
{
    return static_cast<uint64_t>(m_TotalSamples) * m_Format.channels * 2;
}
