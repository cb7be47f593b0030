// The bytes of a movie as its decoder reads them: a stream with a position, read like a file.
// The player's own source is GxMovieSourceFilterFile over the file layer (loose files and pack
// members); which source a player opens is chosen through GxMoviePlayerFile::SetSourceFactory,
// so a test can hold reads back without touching the player.
//
// One stream belongs to one thread at a time (the player's worker, or the main thread while the
// player opens).
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "core/GxFile.h"

class GxMovieStream
{
public:
    virtual ~GxMovieStream() = default;
    // Refused (false) for a position below 0 or beyond the end, or when the seek fails.
    virtual bool SetPointer(int64_t position) = 0;
    virtual int64_t GetPointer() const = 0;
    // Reads up to count bytes from the position (cut to what is left) and moves on by what it
    // read; false when the read failed.
    virtual bool Read(uint8_t* buffer, uint32_t count, uint32_t* read) = 0;
    virtual int64_t Size() const = 0;
};

// A movie file of the file layer. Reads are never held back for a rate.
class GxMovieSourceFilterFile : public GxMovieStream
{
public:
    explicit GxMovieSourceFilterFile(std::u16string_view fileName);
    ~GxMovieSourceFilterFile() override;
    GxMovieSourceFilterFile(const GxMovieSourceFilterFile&) = delete;
    GxMovieSourceFilterFile& operator=(const GxMovieSourceFilterFile&) = delete;

    bool IsOpen() const { return m_File.IsOpen(); }
    bool SetPointer(int64_t position) override;
    int64_t GetPointer() const override { return m_Position; }
    bool Read(uint8_t* buffer, uint32_t count, uint32_t* read) override;
    int64_t Size() const override { return m_File.GetSize(); }

private:
    GxFileHandle m_File;
    int64_t m_Position = 0;
};

// Opens the stream of a movie file; none when it cannot be opened.
using GxMovieSourceFactory = std::unique_ptr<GxMovieStream> (*)(std::u16string_view fileName);

// The player's own factory: a GxMovieSourceFilterFile when the file opens.
std::unique_ptr<GxMovieStream> GxOpenMovieFile(std::u16string_view fileName);
