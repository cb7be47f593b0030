#include "platform/GxMovieDecoder.h"

#include <atomic>
#include <cstring>
#include <deque>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
#include <libavcodec/version.h>
#include <libavformat/version.h>
#include <libavutil/version.h>
#include <libswresample/version.h>
#include <libswscale/version.h>
}

#include <dlfcn.h>

#include <string>

namespace {

constexpr int kIoBufferSize = 32768;
constexpr int kOutRate = 44100;
// Packets of one stream kept while the other stream is read ahead: bytes and count. A file that
// stores its two streams further apart than this gets one stream at a time.
constexpr size_t kKeptPacketBytes = 32u << 20;
constexpr size_t kKeptPacketCount = 8192;
// The containers a movie comes in (demuxer names as FFmpeg matches them); anything else that
// FFmpeg could open, a picture for one, is not a movie. The sound-only ones fail on their
// missing picture.
constexpr const char* kMovieContainers = "mpeg,mpegts,mpegvideo,m4v,avi,mov,asf,mp3,wav";

int ReadPacket(void* opaque, uint8_t* buf, int size)
{
    auto* io = static_cast<GxMovieIo*>(opaque);
    const int32_t n = io->read(io->opaque, buf, size);
    if (n < 0) return AVERROR(EIO);
    return n == 0 ? AVERROR_EOF : n;
}

int64_t SeekPacket(void* opaque, int64_t offset, int whence)
{
    auto* io = static_cast<GxMovieIo*>(opaque);
    if (whence & AVSEEK_SIZE) return io->size ? io->size(io->opaque) : -1;
    whence &= ~AVSEEK_FORCE;
    if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return -1;
    return io->seek ? io->seek(io->opaque, offset, whence) : -1;
}

// FFmpeg and the many codec libraries it pulls in are loaded only when the first movie opens:
// linked into the program they cost every start-up a few hundred milliseconds of loading and
// relocation and some 17 MiB of resident memory, and most runs play no movie before the title.
#define GX_FFMPEG_FUNCTIONS(X) \
    X(av_log_set_level) \
    X(av_malloc) \
    X(av_free) \
    X(av_strdup) \
    X(av_freep) \
    X(avio_alloc_context) \
    X(avio_context_free) \
    X(avformat_alloc_context) \
    X(avformat_open_input) \
    X(avformat_find_stream_info) \
    X(avformat_close_input) \
    X(av_find_best_stream) \
    X(av_read_frame) \
    X(av_seek_frame) \
    X(avcodec_find_decoder) \
    X(avcodec_alloc_context3) \
    X(avcodec_free_context) \
    X(avcodec_parameters_to_context) \
    X(avcodec_open2) \
    X(avcodec_send_packet) \
    X(avcodec_receive_frame) \
    X(avcodec_flush_buffers) \
    X(av_packet_alloc) \
    X(av_packet_free) \
    X(av_packet_unref) \
    X(av_packet_move_ref) \
    X(av_frame_alloc) \
    X(av_frame_free) \
    X(av_frame_unref) \
    X(av_rescale_q) \
    X(av_channel_layout_compare) \
    X(av_channel_layout_copy) \
    X(av_channel_layout_uninit) \
    X(sws_getCachedContext) \
    X(sws_scale) \
    X(sws_freeContext) \
    X(swr_alloc_set_opts2) \
    X(swr_init) \
    X(swr_free) \
    X(swr_get_out_samples) \
    X(swr_convert)

struct FfmpegApi
{
#define GX_FFMPEG_MEMBER(name) decltype(&::name) name = nullptr;
    GX_FFMPEG_FUNCTIONS(GX_FFMPEG_MEMBER)
#undef GX_FFMPEG_MEMBER
};

FfmpegApi g_Api;
FfmpegApi* const Ff = &g_Api;
std::atomic<bool> g_Loaded{false};

#define GX_SONAME(lib, major) "lib" #lib ".so." GX_SONAME_NUMBER(major)
#define GX_SONAME_NUMBER(major) #major

// Loads the libraries once (dependencies first) and looks every function up; false when one is
// missing. The libraries stay loaded to the end of the process.
bool LoadFfmpeg()
{
    static const bool loaded = [] {
        FfmpegApi& api = g_Api;
        const char* names[] = {GX_SONAME(avutil, LIBAVUTIL_VERSION_MAJOR), GX_SONAME(swresample, LIBSWRESAMPLE_VERSION_MAJOR),
                               GX_SONAME(swscale, LIBSWSCALE_VERSION_MAJOR), GX_SONAME(avcodec, LIBAVCODEC_VERSION_MAJOR),
                               GX_SONAME(avformat, LIBAVFORMAT_VERSION_MAJOR)};
        std::vector<void*> handles;
        for (const char* name : names) {
            void* h = dlopen(name, RTLD_NOW | RTLD_LOCAL);
            if (!h) return false;
            handles.push_back(h);
        }
        auto find = [&handles](const char* symbol) -> void* {
            for (void* h : handles)
                if (void* p = dlsym(h, symbol)) return p;
            return nullptr;
        };
#define GX_FFMPEG_FIND(name) \
    api.name = reinterpret_cast<decltype(api.name)>(find(#name)); \
    if (!api.name) return false;
        GX_FFMPEG_FUNCTIONS(GX_FFMPEG_FIND)
#undef GX_FFMPEG_FIND
        api.av_log_set_level(AV_LOG_QUIET);
        g_Loaded.store(true, std::memory_order_release);
        return true;
    }();
    return loaded;
}

// One elementary stream being decoded: its decoder, the packets read for it ahead of time, and
// where it stands.
struct StreamDecoder
{
    AVCodecContext* ctx = nullptr;
    int index = -1;
    std::deque<AVPacket*> kept;
    size_t keptBytes = 0;
    bool flushed = false;  // the end-of-stream packet was sent
    bool end = true;

    bool Active() const { return ctx && !end; }
    void DropKept()
    {
        for (AVPacket* p : kept) Ff->av_packet_free(&p);
        kept.clear();
        keptBytes = 0;
    }
    bool KeptFull() const { return keptBytes >= kKeptPacketBytes || kept.size() >= kKeptPacketCount; }
};

}  // namespace

struct GxMovieDecoder::Impl
{
    GxMovieIo io;
    AVIOContext* avio = nullptr;
    AVFormatContext* fmt = nullptr;
    StreamDecoder video, audio;
    SwsContext* sws = nullptr;
    SwrContext* swr = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    bool demuxEnd = false;
    std::vector<uint8_t> scaled;
    double lastVideoTime = -1.0;
    int swrFormat = -1;
    int swrRate = 0;
    AVChannelLayout swrLayout{};
    double videoSpan = 0.04;

    double StreamTime(int index, int64_t ts) const
    {
        if (ts == AV_NOPTS_VALUE) return -1.0;
        const AVStream* s = fmt->streams[index];
        int64_t start = s->start_time != AV_NOPTS_VALUE ? s->start_time : 0;
        if (fmt->start_time != AV_NOPTS_VALUE) {
            // Every stream's times count from the container's start, so sound and video agree.
            start = Ff->av_rescale_q(fmt->start_time, AV_TIME_BASE_Q, s->time_base);
        }
        return static_cast<double>(ts - start) * av_q2d(s->time_base);
    }

    bool ConvertVideo(GxMovieVideoFrame& out)
    {
        const int w = frame->width, h = frame->height;
        if (w <= 0 || h <= 0 || static_cast<uint32_t>(w) > kGxMovieMaxSide ||
            static_cast<uint32_t>(h) > kGxMovieMaxSide)
            return false;
        // A size change mid-stream gets a new scaler (the cached context compares every parameter).
        sws = Ff->sws_getCachedContext(sws, w, h, static_cast<AVPixelFormat>(frame->format), w, h, AV_PIX_FMT_BGR24,
                                   SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (!sws) return false;
        const int stride = FFALIGN(w * 3, 64);
        scaled.resize(static_cast<size_t>(stride) * static_cast<size_t>(h) + 64);
        uint8_t* dst[4] = {scaled.data(), nullptr, nullptr, nullptr};
        int dstStride[4] = {stride, 0, 0, 0};
        if (Ff->sws_scale(sws, frame->data, frame->linesize, 0, h, dst, dstStride) != h) return false;
        const size_t row = static_cast<size_t>(w) * 3;
        out.width = static_cast<uint32_t>(w);
        out.height = static_cast<uint32_t>(h);
        out.bgr.resize(row * static_cast<size_t>(h));
        for (int y = 0; y < h; ++y)
            std::memcpy(out.bgr.data() + row * static_cast<size_t>(y), scaled.data() + static_cast<size_t>(stride) * y,
                        row);
        // A frame without a time (the last one out of a flushed decoder) follows its predecessor.
        double t = StreamTime(video.index, frame->best_effort_timestamp);
        if (t < 0.0 || (lastVideoTime >= 0.0 && t <= lastVideoTime)) t = lastVideoTime < 0.0 ? 0.0 : lastVideoTime + videoSpan;
        if (lastVideoTime >= 0.0 && t - lastVideoTime > 0.0 && t - lastVideoTime < 1.0) videoSpan = t - lastVideoTime;
        lastVideoTime = t;
        out.time = t;
        out.span = videoSpan;
        return true;
    }

    bool ConvertAudio(GxMovieAudioChunk& out)
    {
        if (frame->nb_samples <= 0 || frame->sample_rate <= 0 || frame->ch_layout.nb_channels <= 0 ||
            frame->ch_layout.nb_channels > AV_NUM_DATA_POINTERS * 8)
            return false;
        // A stream that changes its sound format mid-way gets a new resampler.
        if (swr && (frame->format != swrFormat || frame->sample_rate != swrRate ||
                    Ff->av_channel_layout_compare(&frame->ch_layout, &swrLayout) != 0)) {
            Ff->swr_free(&swr);
        }
        if (!swr) {
            Ff->av_channel_layout_uninit(&swrLayout);
            if (Ff->av_channel_layout_copy(&swrLayout, &frame->ch_layout) < 0) return false;
            swrFormat = frame->format;
            swrRate = frame->sample_rate;
            AVChannelLayout outLayout = AV_CHANNEL_LAYOUT_STEREO;
            if (Ff->swr_alloc_set_opts2(&swr, &outLayout, AV_SAMPLE_FMT_S16, kOutRate, &frame->ch_layout,
                                    static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0,
                                    nullptr) < 0 ||
                Ff->swr_init(swr) < 0) {
                Ff->swr_free(&swr);
                return false;
            }
        }
        const int maxOut = Ff->swr_get_out_samples(swr, frame->nb_samples);
        if (maxOut <= 0) return false;
        out.samples.resize(static_cast<size_t>(maxOut) * 2);
        uint8_t* dst[1] = {reinterpret_cast<uint8_t*>(out.samples.data())};
        const int got = Ff->swr_convert(swr, dst, maxOut, const_cast<const uint8_t**>(frame->extended_data),
                                    frame->nb_samples);
        if (got <= 0) return false;
        out.samples.resize(static_cast<size_t>(got) * 2);
        out.time = StreamTime(audio.index, frame->best_effort_timestamp);
        return true;
    }

    AVCodecContext* OpenDecoder(int index)
    {
        const AVCodecParameters* par = fmt->streams[index]->codecpar;
        const AVCodec* codec = Ff->avcodec_find_decoder(par->codec_id);
        if (!codec) return nullptr;
        AVCodecContext* ctx = Ff->avcodec_alloc_context3(codec);
        if (!ctx) return nullptr;
        ctx->thread_count = 1;
        if (Ff->avcodec_parameters_to_context(ctx, par) < 0 || Ff->avcodec_open2(ctx, codec, nullptr) < 0) {
            Ff->avcodec_free_context(&ctx);
            return nullptr;
        }
        return ctx;
    }

    enum class Read
    {
        Got,
        End,
        Blocked,
    };

    // The next packet of s: a kept one, else read from the file, keeping the other stream's on the way.
    Read NextPacket(StreamDecoder& s, StreamDecoder& other, AVPacket*& out)
    {
        if (!s.kept.empty()) {
            out = s.kept.front();
            s.kept.pop_front();
            s.keptBytes -= static_cast<size_t>(out->size);
            return Read::Got;
        }
        for (;;) {
            if (demuxEnd) return Read::End;
            if (other.Active() && other.KeptFull()) return Read::Blocked;
            if (Ff->av_read_frame(fmt, packet) < 0) {
                demuxEnd = true;
                return Read::End;
            }
            StreamDecoder* owner = packet->stream_index == s.index ? &s : packet->stream_index == other.index ? &other : nullptr;
            if (!owner || !owner->Active() || packet->size < 0) {
                Ff->av_packet_unref(packet);
                continue;
            }
            AVPacket* moved = Ff->av_packet_alloc();
            if (!moved) {
                Ff->av_packet_unref(packet);
                continue;
            }
            Ff->av_packet_move_ref(moved, packet);
            if (owner == &s) {
                out = moved;
                return Read::Got;
            }
            other.keptBytes += static_cast<size_t>(moved->size);
            other.kept.push_back(moved);
        }
    }

    // Decodes until s gives a frame (into frame): Got, or End when the stream is done, or Blocked.
    Read Decode(StreamDecoder& s, StreamDecoder& other)
    {
        while (s.Active()) {
            const int r = Ff->avcodec_receive_frame(s.ctx, frame);
            if (r == 0) return Read::Got;
            // A flushed decoder that still asks for input would make this spin.
            if (r != AVERROR(EAGAIN) || s.flushed) break;
            AVPacket* p = nullptr;
            switch (NextPacket(s, other, p)) {
            case Read::Got:
                // A packet the decoder refuses is damaged; the next one may do.
                Ff->avcodec_send_packet(s.ctx, p);
                Ff->av_packet_free(&p);
                break;
            case Read::End:
                Ff->avcodec_send_packet(s.ctx, nullptr);
                s.flushed = true;
                break;
            case Read::Blocked: return Read::Blocked;
            }
        }
        s.end = true;
        s.DropKept();
        return Read::End;
    }

    // Decodes s until convert takes one of its frames (got), or End or Blocked; a frame that
    // does not convert is passed over.
    template <typename Convert>
    GxMovieDecoder::Result Take(StreamDecoder& s, StreamDecoder& other, Convert convert, GxMovieDecoder::Result got)
    {
        for (;;) {
            switch (Decode(s, other)) {
            case Read::Got: {
                const bool ok = convert();
                Ff->av_frame_unref(frame);
                if (ok) return got;
                break;
            }
            case Read::End: return GxMovieDecoder::Result::End;
            case Read::Blocked: return GxMovieDecoder::Result::Blocked;
            }
        }
    }

    void ResetStream(StreamDecoder& s)
    {
        s.DropKept();
        s.flushed = false;
        s.end = s.ctx == nullptr;
    }
};

GxMovieDecoder::GxMovieDecoder() : m(std::make_unique<Impl>()) {}

GxMovieDecoder::~GxMovieDecoder() { Close(); }

void GxMovieDecoder::Close()
{
    // Nothing was opened before the libraries were loaded.
    if (!g_Loaded.load(std::memory_order_acquire)) return;
    m->video.DropKept();
    m->audio.DropKept();
    Ff->avcodec_free_context(&m->video.ctx);
    Ff->avcodec_free_context(&m->audio.ctx);
    if (m->fmt) Ff->avformat_close_input(&m->fmt);
    if (m->avio) {
        Ff->av_freep(&m->avio->buffer);
        Ff->avio_context_free(&m->avio);
    }
    Ff->sws_freeContext(m->sws);
    m->sws = nullptr;
    Ff->swr_free(&m->swr);
    Ff->av_channel_layout_uninit(&m->swrLayout);
    Ff->av_packet_free(&m->packet);
    Ff->av_frame_free(&m->frame);
    m->video = StreamDecoder{};
    m->audio = StreamDecoder{};
    m->demuxEnd = false;
}

bool GxMovieDecoder::Open(const GxMovieIo& io, bool wantAudio, uint32_t* code)
{
    Close();
    if (!LoadFfmpeg()) {
        if (code) *code = kGxMovieErrIo;
        return false;
    }
    m->io = io;
    uint32_t dummy = 0;
    uint32_t& err = code ? *code : dummy;
    auto* buffer = static_cast<uint8_t*>(Ff->av_malloc(kIoBufferSize));
    if (buffer) m->avio = Ff->avio_alloc_context(buffer, kIoBufferSize, 0, &m->io, ReadPacket, nullptr, SeekPacket);
    if (!m->avio) {
        Ff->av_free(buffer);
        err = kGxMovieErrIo;
        return false;
    }
    m->fmt = Ff->avformat_alloc_context();
    if (m->fmt) m->fmt->format_whitelist = Ff->av_strdup(kMovieContainers);
    if (!m->fmt || !m->fmt->format_whitelist) {
        err = kGxMovieErrIo;
        Close();
        return false;
    }
    m->fmt->pb = m->avio;
    m->fmt->flags |= AVFMT_FLAG_CUSTOM_IO;
    // On failure avformat_open_input frees the context (not our I/O context).
    if (Ff->avformat_open_input(&m->fmt, nullptr, nullptr, nullptr) < 0 || Ff->avformat_find_stream_info(m->fmt, nullptr) < 0) {
        err = kGxMovieErrProbe;
        Close();
        return false;
    }
    m->video.index = Ff->av_find_best_stream(m->fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (m->video.index < 0) {
        err = kGxMovieErrNoVideo;
        Close();
        return false;
    }
    const AVCodecParameters* par = m->fmt->streams[m->video.index]->codecpar;
    if (par->width <= 0 || par->height <= 0 || static_cast<uint32_t>(par->width) > kGxMovieMaxSide ||
        static_cast<uint32_t>(par->height) > kGxMovieMaxSide) {
        err = kGxMovieErrVideoSize;
        Close();
        return false;
    }
    m->video.ctx = m->OpenDecoder(m->video.index);
    if (!m->video.ctx) {
        err = kGxMovieErrNoVideo;
        Close();
        return false;
    }
    if (wantAudio) {
        m->audio.index = Ff->av_find_best_stream(m->fmt, AVMEDIA_TYPE_AUDIO, -1, m->video.index, nullptr, 0);
        if (m->audio.index >= 0) m->audio.ctx = m->OpenDecoder(m->audio.index);
        if (!m->audio.ctx) m->audio.index = -1;
    }
    m->packet = Ff->av_packet_alloc();
    m->frame = Ff->av_frame_alloc();
    if (!m->packet || !m->frame) {
        err = kGxMovieErrIo;
        Close();
        return false;
    }
    m->ResetStream(m->video);
    m->ResetStream(m->audio);
    const AVRational rate = m->fmt->streams[m->video.index]->avg_frame_rate;
    if (rate.num > 0 && rate.den > 0 && av_q2d(rate) >= 1.0) m->videoSpan = 1.0 / av_q2d(rate);
    m->lastVideoTime = -1.0;
    err = 0;
    return true;
}

uint32_t GxMovieDecoder::GetWidth() const
{
    return m->video.ctx ? static_cast<uint32_t>(m->fmt->streams[m->video.index]->codecpar->width) : 0;
}

uint32_t GxMovieDecoder::GetHeight() const
{
    return m->video.ctx ? static_cast<uint32_t>(m->fmt->streams[m->video.index]->codecpar->height) : 0;
}

bool GxMovieDecoder::HasAudio() const { return m->audio.ctx != nullptr; }

double GxMovieDecoder::GetDuration() const
{
    if (!m->fmt || m->fmt->duration == AV_NOPTS_VALUE || m->fmt->duration <= 0) return 0.0;
    return static_cast<double>(m->fmt->duration) / AV_TIME_BASE;
}

GxMovieDecoder::Result GxMovieDecoder::NextVideo(GxMovieVideoFrame& video)
{
    if (!m->video.ctx) return Result::Error;
    return m->Take(m->video, m->audio, [this, &video] { return m->ConvertVideo(video); }, Result::Video);
}

GxMovieDecoder::Result GxMovieDecoder::NextAudio(GxMovieAudioChunk& audio)
{
    if (!m->video.ctx) return Result::Error;
    return m->Take(m->audio, m->video, [this, &audio] { return m->ConvertAudio(audio); }, Result::Audio);
}

void GxMovieDecoder::SkipAudio()
{
    if (!m->audio.ctx) return;
    m->audio.DropKept();
    Ff->avcodec_free_context(&m->audio.ctx);
    m->audio = StreamDecoder{};
}

bool GxMovieDecoder::Seek(double seconds)
{
    if (!m->video.ctx) return false;
    if (seconds < 0.0) seconds = 0.0;
    int64_t ts = static_cast<int64_t>(seconds * AV_TIME_BASE);
    if (m->fmt->start_time != AV_NOPTS_VALUE) ts += m->fmt->start_time;
    int r = Ff->av_seek_frame(m->fmt, -1, ts, AVSEEK_FLAG_BACKWARD);
    // Containers that cannot seek by time still go back to their first byte
    // (the player then drops the frames before the target).
    if (r < 0) r = Ff->av_seek_frame(m->fmt, -1, 0, AVSEEK_FLAG_BYTE);
    if (r < 0) return false;
    Ff->avcodec_flush_buffers(m->video.ctx);
    if (m->audio.ctx) Ff->avcodec_flush_buffers(m->audio.ctx);
    if (m->swr) Ff->swr_free(&m->swr);
    m->ResetStream(m->video);
    m->ResetStream(m->audio);
    m->demuxEnd = false;
    m->lastVideoTime = -1.0;
    return true;
}
