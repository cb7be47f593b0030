// Movie containers from untrusted bytes: the bytes reach FFmpeg through the decoder's custom I/O
// context over a memory file; the container is probed and up to 30 frames (pictures and sound in
// turn) are decoded, converted and copied the way the movie texture copies them.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "media/GxTextureMovie.h"
#include "platform/GxMovieDecoder.h"

namespace {

struct MemoryFile
{
    const uint8_t* data;
    int64_t size;
    int64_t pos;
};

int32_t Read(void* opaque, uint8_t* buffer, int32_t count)
{
    auto* f = static_cast<MemoryFile*>(opaque);
    const int64_t n = std::min<int64_t>(count, f->size - f->pos);
    if (n <= 0) return 0;
    std::memcpy(buffer, f->data + f->pos, static_cast<size_t>(n));
    f->pos += n;
    return static_cast<int32_t>(n);
}

int64_t Seek(void* opaque, int64_t offset, int whence)
{
    auto* f = static_cast<MemoryFile*>(opaque);
    const int64_t base = whence == 0 ? 0 : whence == 1 ? f->pos : f->size;
    if (offset > INT64_MAX / 2 || offset < INT64_MIN / 2) return -1;
    const int64_t target = base + offset;
    if (target < 0 || target > f->size) return -1;
    f->pos = target;
    return target;
}

int64_t Size(void* opaque) { return static_cast<MemoryFile*>(opaque)->size; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MemoryFile file{data, static_cast<int64_t>(size), 0};
    GxMovieIo io{&file, Read, Seek, Size};
    GxMovieDecoder decoder;
    uint32_t code = 0;
    if (!decoder.Open(io, true, &code)) {
        if (code == 0) std::abort();  // a failure always names its reason
        return 0;
    }
    if (decoder.GetWidth() == 0 || decoder.GetWidth() > kGxMovieMaxSide || decoder.GetHeight() == 0 ||
        decoder.GetHeight() > kGxMovieMaxSide)
        std::abort();
    GxMovieVideoFrame video;
    GxMovieAudioChunk audio;
    uint8_t pixel[4];
    bool videoEnd = false, audioEnd = false;
    for (int i = 0; i < 30 && !(videoEnd && audioEnd); ++i) {
        // Pictures and sound in turn, as the player's worker takes them.
        const bool takeVideo = !videoEnd && (audioEnd || i % 2 == 0);
        const GxMovieDecoder::Result r = takeVideo ? decoder.NextVideo(video) : decoder.NextAudio(audio);
        if (r == GxMovieDecoder::Result::Error) break;
        if (r == GxMovieDecoder::Result::End || r == GxMovieDecoder::Result::Blocked) (takeVideo ? videoEnd : audioEnd) = true;
        if (r == GxMovieDecoder::Result::Video) {
            if (video.bgr.size() != size_t(video.width) * video.height * 3) std::abort();
            for (size_t p = 0; p + 3 <= video.bgr.size(); p += 3)
                GxTextureMovie::ConvertPixel(GXFMT_A1R5G5B5, video.bgr[p], video.bgr[p + 1], video.bgr[p + 2], pixel);
        } else if (r == GxMovieDecoder::Result::Audio && audio.samples.size() % 2) {
            std::abort();
        }
        if (i == 10 && decoder.Seek(0.0)) videoEnd = audioEnd = false;
    }
    return 0;
}
