// The movie decoder that stands in for the movie graph: FFmpeg demuxes and decodes a container
// whose bytes come through a small read/seek table (the engine's file layer, or memory for the
// fuzzer), scales video to B, G, R rows top-down and resamples sound to 44100 Hz 16-bit stereo.
//
// One decoder belongs to one thread at a time: the movie player's worker calls it.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

// The byte source. read returns the bytes read (0 at the end, negative on failure); seek takes
// whence 0/1/2 and returns the new position or -1; size returns the total or -1.
struct GxMovieIo
{
    void* opaque = nullptr;
    int32_t (*read)(void* opaque, uint8_t* buffer, int32_t count) = nullptr;
    int64_t (*seek)(void* opaque, int64_t offset, int whence) = nullptr;
    int64_t (*size)(void* opaque) = nullptr;
};

// Result codes of Open (our own, reported in the open-failure message).
constexpr uint32_t kGxMovieErrIo = 0x80004005;         // no I/O context
constexpr uint32_t kGxMovieErrProbe = 0x80040241;      // the container was not recognised
constexpr uint32_t kGxMovieErrNoVideo = 0x80040256;    // no decodable video stream
constexpr uint32_t kGxMovieErrVideoSize = 0x80040257;  // video size 0 or above the limit

constexpr uint32_t kGxMovieMaxSide = 8192;

struct GxMovieVideoFrame
{
    double time = 0.0;  // seconds from the start of the movie
    double span = 0.0;  // seconds until the next frame
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> bgr;  // width x height x 3, rows top first, no padding
};

struct GxMovieAudioChunk
{
    double time = 0.0;
    std::vector<int16_t> samples;  // interleaved stereo at 44100 Hz
};

class GxMovieDecoder
{
public:
    enum class Result
    {
        Video,
        Audio,
        End,
        Error,
    };

    GxMovieDecoder();
    ~GxMovieDecoder();
    GxMovieDecoder(const GxMovieDecoder&) = delete;
    GxMovieDecoder& operator=(const GxMovieDecoder&) = delete;

    // Probes the container and opens the video decoder (and the sound decoder when wantAudio).
    // False with *code set to one of the codes above.
    bool Open(const GxMovieIo& io, bool wantAudio, uint32_t* code);
    void Close();

    uint32_t GetWidth() const;
    uint32_t GetHeight() const;
    bool HasAudio() const;
    // Seconds; 0 when the container does not say.
    double GetDuration() const;

    // Decodes until one video frame or sound chunk is ready, or the end.
    Result Next(GxMovieVideoFrame& video, GxMovieAudioChunk& audio);
    // Seeks to the key frame at or before the time; the decoders are flushed.
    bool Seek(double seconds);

private:
    struct Impl;
    std::unique_ptr<Impl> m;
};
