// The movie decoder that stands in for the movie graph: FFmpeg demuxes and decodes a container
// whose bytes come through a small read/seek table (the engine's file layer, or memory for the
// fuzzer), scales video to B, G, R rows top-down and resamples sound to 44100 Hz 16-bit stereo.
//
// Pictures and sound are taken separately: packets of the other stream met on the way are kept
// (compressed) until that stream asks for them, so sound stored far behind its pictures in the
// file is reached without decoding the pictures in between first.
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
constexpr uint32_t kGxMovieErrProbe = 0x80040241;      // the container was not recognised as a movie
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
    double time = 0.0;  // seconds from the start of the movie; negative when the stream did not say
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
        // The other stream's kept packets reached their limit: it must be taken first.
        Blocked,
    };

    GxMovieDecoder();
    ~GxMovieDecoder();
    GxMovieDecoder(const GxMovieDecoder&) = delete;
    GxMovieDecoder& operator=(const GxMovieDecoder&) = delete;

    // Probes the container and opens the video decoder (and the sound decoder when wantAudio).
    // Containers that are not movies (pictures, for one) are refused. False with *code set to
    // one of the codes above.
    bool Open(const GxMovieIo& io, bool wantAudio, uint32_t* code);
    void Close();

    uint32_t GetWidth() const;
    uint32_t GetHeight() const;
    bool HasAudio() const;
    // Seconds; 0 when the container does not say.
    double GetDuration() const;

    // Decodes until the next picture (Video), or End, Error or Blocked.
    Result NextVideo(GxMovieVideoFrame& video);
    // Decodes until the next stretch of sound (Audio); End at once without a sound stream.
    Result NextAudio(GxMovieAudioChunk& audio);
    // Stops decoding the sound stream (its packets are dropped from now on); HasAudio turns false.
    void SkipAudio();
    // Seeks to the key frame at or before the time; the decoders are flushed and kept packets dropped.
    bool Seek(double seconds);

private:
    struct Impl;
    std::unique_ptr<Impl> m;
};
