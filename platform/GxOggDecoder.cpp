#include "platform/GxOggDecoder.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <climits>

namespace {

size_t IoRead(void* ptr, size_t size, size_t count, void* source)
{
    auto* io = static_cast<GxOggIo*>(source);
    return io->read(io->opaque, ptr, static_cast<uint64_t>(size) * count);
}

int IoSeek(void* source, ogg_int64_t offset, int whence)
{
    auto* io = static_cast<GxOggIo*>(source);
    return io->seek(io->opaque, offset, whence);
}

int IoClose(void* source)
{
    auto* io = static_cast<GxOggIo*>(source);
    return io->close(io->opaque);
}

long IoTell(void* source)
{
    auto* io = static_cast<GxOggIo*>(source);
    return static_cast<long>(io->tell(io->opaque));
}

}  // namespace

struct GxOggDecoder::Impl
{
    OggVorbis_File file{};
    // vorbisfile keeps a pointer to this as its data source.
    GxOggIo io;
    bool open = false;
    uint16_t channels = 0;
    uint32_t rate = 0;
    int64_t totalFrames = 0;
};

GxOggDecoder::GxOggDecoder() : m(std::make_unique<Impl>()) {}

GxOggDecoder::~GxOggDecoder() { Close(); }

GxOggOpenResult GxOggDecoder::Open(const GxOggIo& io)
{
    Close();
    m->io = io;
    const ov_callbacks callbacks{IoRead, IoSeek, IoClose, IoTell};
    // On failure vorbisfile has cleaned up after itself but leaves the source open.
    if (ov_open_callbacks(&m->io, &m->file, nullptr, 0, callbacks) != 0) {
        m->io.close(m->io.opaque);
        return GxOggOpenResult::NotVorbis;
    }
    if (!ov_seekable(&m->file)) {
        ov_clear(&m->file);
        return GxOggOpenResult::NotSeekable;
    }
    const vorbis_info* info = ov_info(&m->file, -1);
    // The output format is fixed at open: every chained stream must share it, and the sound
    // device takes mono or stereo only.
    bool usable = info && (info->channels == 1 || info->channels == 2) && info->rate > 0 && info->rate <= INT32_MAX;
    const long links = ov_streams(&m->file);
    for (long i = 1; usable && i < links; ++i) {
        const vorbis_info* link = ov_info(&m->file, static_cast<int>(i));
        usable = link && link->channels == info->channels && link->rate == info->rate;
    }
    const ogg_int64_t total = usable ? ov_pcm_total(&m->file, -1) : -1;
    if (total < 0) {
        ov_clear(&m->file);
        return GxOggOpenResult::NotVorbis;
    }
    m->channels = static_cast<uint16_t>(info->channels);
    m->rate = static_cast<uint32_t>(info->rate);
    m->totalFrames = total;
    m->open = true;
    return GxOggOpenResult::Ok;
}

void GxOggDecoder::Close()
{
    if (m->open) {
        ov_clear(&m->file);  // closes the source through the close callback
        m->open = false;
    }
    m->channels = 0;
    m->rate = 0;
    m->totalFrames = 0;
}

bool GxOggDecoder::IsOpen() const { return m->open; }
uint16_t GxOggDecoder::GetChannels() const { return m->channels; }
uint32_t GxOggDecoder::GetRate() const { return m->rate; }
int64_t GxOggDecoder::GetTotalFrames() const { return m->totalFrames; }

uint32_t GxOggDecoder::Read(void* dst, uint32_t bytes, bool* end)
{
    if (end) *end = false;
    if (!m->open) return 0;
    char* out = static_cast<char*>(dst);
    uint32_t done = 0;
    const uint32_t block = uint32_t{m->channels} * 2;
    while (out && bytes - done >= block) {
        // Whole frames only: vorbisfile refuses a request shorter than one frame, which would
        // read as the end.
        const uint32_t room = std::min<uint32_t>(bytes - done, INT_MAX);
        const int want = static_cast<int>(room - room % block);
        const long got = ov_read(&m->file, out + done, want, 0, 2, 1, nullptr);
        if (got == OV_HOLE) continue;  // a gap in the data, not its end: decoding resumes after it
        if (got < 1) {
            if (end) *end = true;
            break;
        }
        done += static_cast<uint32_t>(got);
    }
    return done;
}

bool GxOggDecoder::Seek(int64_t frame) { return m->open && ov_pcm_seek(&m->file, frame) == 0; }

int64_t GxOggDecoder::Tell() const
{
    if (!m->open) return 0;
    const ogg_int64_t at = ov_pcm_tell(&m->file);
    return at < 0 ? 0 : at;
}
