#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <climits>

#include "core/GxLog.h"
#include "media/GxSoundLoader.h"

struct GxSoundLoaderOgg::Stream
{
    OggVorbis_File file{};
};

namespace {

size_t CallbackRead(void* ptr, size_t size, size_t count, void* source)
{
    auto* handle = static_cast<GxFileHandle*>(source);
    const uint64_t bytes = static_cast<uint64_t>(size) * count;
    if (!ptr || bytes == 0) return 0;
    return GxFileRead(ptr, static_cast<uint32_t>(std::min<uint64_t>(bytes, UINT32_MAX)), *handle);
}

int CallbackSeek(void* source, ogg_int64_t offset, int whence)
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

long CallbackTell(void* source) { return static_cast<long>(GxFileTell(*static_cast<GxFileHandle*>(source))); }

}  // namespace

GxSoundLoaderOgg::GxSoundLoaderOgg() : m_Stream(std::make_unique<Stream>()) {}

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
    const ov_callbacks callbacks{CallbackRead, CallbackSeek, CallbackClose, CallbackTell};
    // On failure vorbisfile has cleaned up after itself but leaves the source open.
    if (ov_open_callbacks(&m_File, &m_Stream->file, nullptr, 0, callbacks) != 0) {
        GxFileClose(m_File);
        GxPrintSlightErrorLog(u"Error/GxSoundLoaderOgg::OpenStream ファイルのオープンに失敗しました\n");
        return false;
    }
    if (!ov_seekable(&m_Stream->file)) {
        ov_clear(&m_Stream->file);
        GxPrintSlightErrorLog(u"Error/GxSoundLoaderOgg::OpenStream シーク可能なファイルではありません\n");
        return false;
    }
    const vorbis_info* info = ov_info(&m_Stream->file, -1);
    // The output format is fixed at open: every chained stream must share it, and the sound
    // device takes mono or stereo only.
    bool usable = info && (info->channels == 1 || info->channels == 2) && info->rate > 0 && info->rate <= INT32_MAX;
    const long links = ov_streams(&m_Stream->file);
    for (long i = 1; usable && i < links; ++i) {
        const vorbis_info* link = ov_info(&m_Stream->file, static_cast<int>(i));
        usable = link && link->channels == info->channels && link->rate == info->rate;
    }
    const ogg_int64_t total = usable ? ov_pcm_total(&m_Stream->file, -1) : -1;
    if (total < 0) {
        ov_clear(&m_Stream->file);
        GxPrintSlightErrorLog(u"Error/GxSoundLoaderOgg::OpenStream ファイルのオープンに失敗しました\n");
        return false;
    }
    m_Format = GxWaveFormat{};
    m_Format.formatTag = kGxWaveFormatPcm;
    m_Format.channels = static_cast<uint16_t>(info->channels);
    m_Format.samplesPerSec = static_cast<uint32_t>(info->rate);
    m_Format.bitsPerSample = 16;
    m_Format.blockAlign = static_cast<uint16_t>(info->channels * 2);
    m_Format.avgBytesPerSec = m_Format.blockAlign * m_Format.samplesPerSec;
    m_TotalSamples = total;
    m_End = false;
    m_StreamOpen = true;
    return true;
}

void GxSoundLoaderOgg::Close()
{
    if (m_StreamOpen) {
        ov_clear(&m_Stream->file);  // closes the file through the close callback
        m_StreamOpen = false;
    }
    if (m_File.IsOpen()) GxFileClose(m_File);
    m_TotalSamples = 0;
    m_End = false;
}

bool GxSoundLoaderOgg::Read(void* dst, uint32_t count, uint32_t* bytesRead)
{
    if (bytesRead) *bytesRead = 0;
    if (!m_StreamOpen) return false;
    char* out = static_cast<char*>(dst);
    uint32_t done = 0;
    const uint32_t block = m_Format.blockAlign;
    while (out && count - done >= block) {
        // Whole frames only: vorbisfile refuses a request shorter than one frame, which would
        // read as the end.
        const uint32_t room = std::min<uint32_t>(count - done, INT_MAX);
        const int want = static_cast<int>(room - room % block);
        const long got = ov_read(&m_Stream->file, out + done, want, 0, 2, 1, nullptr);
        if (got == OV_HOLE) continue;  // a gap in the data, not its end: decoding resumes after it
        if (got < 1) {
            m_End = true;
            break;
        }
        done += static_cast<uint32_t>(got);
    }
    if (bytesRead) *bytesRead = done;
    return true;
}

bool GxSoundLoaderOgg::Seek(int64_t frame)
{
    if (!m_StreamOpen || ov_pcm_seek(&m_Stream->file, frame) != 0) return false;
    m_End = false;
    return true;
}

int64_t GxSoundLoaderOgg::Tell() const
{
    if (!m_StreamOpen) return 0;
    const ogg_int64_t at = ov_pcm_tell(&m_Stream->file);
    return at < 0 ? 0 : at;
}

uint64_t GxSoundLoaderOgg::GetDataSize() const
{
    return static_cast<uint64_t>(m_TotalSamples) * m_Format.channels * 2;
}
