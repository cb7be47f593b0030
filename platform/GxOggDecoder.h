// Ogg Vorbis decoding over libvorbisfile. The bytes come through a small read/seek/tell/close
// table (the engine's file layer, so sounds may live in packs); the output is 16-bit signed
// little-endian PCM, mono or stereo.
//
// One decoder belongs to one thread at a time. Nothing here prints: an open failure comes back
// as a code and the caller says why.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// The byte source. read returns the bytes read (0 at the end); seek takes whence 0/1/2 and
// returns 0 or -1; tell returns the position; close returns 0, or -1 when nothing was open.
struct GxOggIo
{
    void* opaque = nullptr;
    size_t (*read)(void* opaque, void* buffer, size_t bytes) = nullptr;
    int (*seek)(void* opaque, int64_t offset, int whence) = nullptr;
    int (*close)(void* opaque) = nullptr;
    int64_t (*tell)(void* opaque) = nullptr;
};

enum class GxOggOpenResult
{
    Ok,
    NotVorbis,    // not an Ogg Vorbis stream, or one whose format cannot be played
    NotSeekable,
};

class GxOggDecoder
{
public:
    GxOggDecoder();
    ~GxOggDecoder();
    GxOggDecoder(const GxOggDecoder&) = delete;
    GxOggDecoder& operator=(const GxOggDecoder&) = delete;

    // Closes an open stream first. From here on the decoder owns the source: it calls io.close
    // once, when the open fails or at Close.
    GxOggOpenResult Open(const GxOggIo& io);
    void Close();
    bool IsOpen() const;

    uint16_t GetChannels() const;
    uint32_t GetRate() const;
    int64_t GetTotalFrames() const;

    // Whole frames into dst until it is full or the stream ends (*end set); the bytes written.
    uint32_t Read(void* dst, uint32_t bytes, bool* end);
    bool Seek(int64_t frame);
    // The frame of the next read.
    int64_t Tell() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m;
};
