#include "tests/support/GxMovieWriter.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "media/GxSoundClock.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace {

struct Writer
{
    AVFormatContext* fmt = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    AVStream* vs = nullptr;
    AVStream* as = nullptr;
    AVPacket* pkt = nullptr;
    AVFrame* frame = nullptr;

    ~Writer()
    {
        avcodec_free_context(&video);
        avcodec_free_context(&audio);
        av_packet_free(&pkt);
        av_frame_free(&frame);
        if (fmt) {
            if (fmt->pb) {
                uint8_t* buf = nullptr;
                avio_close_dyn_buf(fmt->pb, &buf);
                av_free(buf);
                fmt->pb = nullptr;
            }
            avformat_free_context(fmt);
        }
    }

    bool Drain(AVCodecContext* ctx, AVStream* st)
    {
        for (;;) {
            const int r = avcodec_receive_packet(ctx, pkt);
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
            if (r < 0) return false;
            av_packet_rescale_ts(pkt, ctx->time_base, st->time_base);
            pkt->stream_index = st->index;
            if (av_interleaved_write_frame(fmt, pkt) < 0) return false;
        }
    }
};

void Rgb2Yuv(uint32_t rgb, uint8_t& y, uint8_t& u, uint8_t& v)
{
    const double r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    // BT.601 limited range, as the decoder's scaler expects by default.
    y = static_cast<uint8_t>(std::lround(16 + 0.257 * r + 0.504 * g + 0.098 * b));
    u = static_cast<uint8_t>(std::lround(128 - 0.148 * r - 0.291 * g + 0.439 * b));
    v = static_cast<uint8_t>(std::lround(128 + 0.439 * r - 0.368 * g - 0.071 * b));
}

}  // namespace

std::vector<uint32_t> GxMovieTestColors()
{
    return {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF00FF, 0xFFFFFF, 0x808080, 0x800000, 0x008080};
}

bool GxMovieColorNear(uint32_t a, uint32_t b, int tolerance)
{
    for (int s = 0; s < 24; s += 8)
        if (std::abs(int((a >> s) & 0xFF) - int((b >> s) & 0xFF)) > tolerance) return false;
    return true;
}

std::vector<uint8_t> GxWriteTestMovie(const GxMovieSpec& spec)
{
    av_log_set_level(AV_LOG_QUIET);
    Writer w;
    if (avformat_alloc_output_context2(&w.fmt, nullptr, "mpeg", nullptr) < 0 || !w.fmt) return {};
    const AVCodec* vc = avcodec_find_encoder(AV_CODEC_ID_MPEG1VIDEO);
    if (!vc) return {};
    w.video = avcodec_alloc_context3(vc);
    w.video->width = static_cast<int>(spec.width);
    w.video->height = static_cast<int>(spec.height);
    w.video->time_base = AVRational{1, static_cast<int>(spec.fps)};
    w.video->framerate = AVRational{static_cast<int>(spec.fps), 1};
    w.video->pix_fmt = AV_PIX_FMT_YUV420P;
    w.video->gop_size = spec.gop;
    w.video->max_b_frames = 0;
    w.video->bit_rate = spec.videoBitRate;
    w.video->thread_count = 1;
    if (w.fmt->oformat->flags & AVFMT_GLOBALHEADER) w.video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(w.video, vc, nullptr) < 0) return {};
    w.vs = avformat_new_stream(w.fmt, nullptr);
    avcodec_parameters_from_context(w.vs->codecpar, w.video);
    w.vs->time_base = w.video->time_base;

    if (spec.sound) {
        const AVCodec* ac = avcodec_find_encoder(AV_CODEC_ID_MP2);
        if (!ac) return {};
        w.audio = avcodec_alloc_context3(ac);
        w.audio->sample_rate = 44100;
        w.audio->sample_fmt = AV_SAMPLE_FMT_S16;
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        av_channel_layout_copy(&w.audio->ch_layout, &stereo);
        w.audio->bit_rate = 128000;
        w.audio->time_base = AVRational{1, 44100};
        if (avcodec_open2(w.audio, ac, nullptr) < 0) return {};
        w.as = avformat_new_stream(w.fmt, nullptr);
        avcodec_parameters_from_context(w.as->codecpar, w.audio);
        w.as->time_base = w.audio->time_base;
    }
    if (avio_open_dyn_buf(&w.fmt->pb) < 0) return {};
    if (avformat_write_header(w.fmt, nullptr) < 0) return {};
    w.pkt = av_packet_alloc();
    w.frame = av_frame_alloc();

    // Video frames.
    for (size_t i = 0; i < spec.colors.size(); ++i) {
        av_frame_unref(w.frame);
        w.frame->format = AV_PIX_FMT_YUV420P;
        w.frame->width = w.video->width;
        w.frame->height = w.video->height;
        if (av_frame_get_buffer(w.frame, 0) < 0) return {};
        uint8_t y, u, v;
        Rgb2Yuv(spec.colors[i], y, u, v);
        for (int row = 0; row < w.frame->height; ++row) std::memset(w.frame->data[0] + row * w.frame->linesize[0], y, w.frame->width);
        for (int row = 0; row < w.frame->height / 2; ++row) {
            std::memset(w.frame->data[1] + row * w.frame->linesize[1], u, w.frame->width / 2);
            std::memset(w.frame->data[2] + row * w.frame->linesize[2], v, w.frame->width / 2);
        }
        w.frame->pts = static_cast<int64_t>(i);
        if (avcodec_send_frame(w.video, w.frame) < 0 || !w.Drain(w.video, w.vs)) return {};
    }
    avcodec_send_frame(w.video, nullptr);
    if (!w.Drain(w.video, w.vs)) return {};

    if (w.audio) {
        const int total = static_cast<int>(44100ull * spec.colors.size() / spec.fps);
        const int n = w.audio->frame_size;
        for (int start = 0; start < total; start += n) {
            av_frame_unref(w.frame);
            w.frame->format = AV_SAMPLE_FMT_S16;
            w.frame->nb_samples = n;
            w.frame->sample_rate = 44100;
            av_channel_layout_copy(&w.frame->ch_layout, &w.audio->ch_layout);
            if (av_frame_get_buffer(w.frame, 0) < 0) return {};
            auto* s = reinterpret_cast<int16_t*>(w.frame->data[0]);
            for (int k = 0; k < n; ++k) {
                const int16_t value = static_cast<int16_t>(12000 * std::sin(2 * M_PI * 440.0 * (start + k) / 44100.0));
                s[2 * k] = s[2 * k + 1] = value;
            }
            w.frame->pts = start;
            if (avcodec_send_frame(w.audio, w.frame) < 0 || !w.Drain(w.audio, w.as)) return {};
        }
        avcodec_send_frame(w.audio, nullptr);
        if (!w.Drain(w.audio, w.as)) return {};
    }
    if (av_write_trailer(w.fmt) < 0) return {};
    uint8_t* buf = nullptr;
    const int size = avio_close_dyn_buf(w.fmt->pb, &buf);
    w.fmt->pb = nullptr;
    std::vector<uint8_t> out(buf, buf + (size > 0 ? size : 0));
    av_free(buf);
    return out;
}

const std::vector<uint8_t>& GxLongTestMovie()
{
    static const std::vector<uint8_t> bytes = [] {
        const std::vector<uint32_t> colors = GxMovieTestColors();
        GxMovieSpec spec{64, 48, 25, {}, false};
        for (size_t i = 0; i < 14 * 25; ++i) spec.colors.push_back(colors[(i / 25) % colors.size()]);
        return GxWriteTestMovie(spec);
    }();
    return bytes;
}

namespace {
uint64_t FrozenClock() { return 1000; }
}  // namespace

GxFrozenSoundClock::GxFrozenSoundClock() { GxSoundSetClock(FrozenClock); }

GxFrozenSoundClock::~GxFrozenSoundClock() { GxSoundSetClock(nullptr); }
