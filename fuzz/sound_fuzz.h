// Shared body of the sound-decoder fuzz targets: the input becomes a file in a private folder,
// opened through the file layer by the decoder, read to the end, then read again after seeks
// to frame 0, the middle and the end.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/input_file_fuzz.h"
#include "media/GxSoundLoader.h"

namespace gxfuzz {

// Reads until the end flag, at most `limit` bytes (a hostile stream may expand a lot).
inline void ReadToEnd(GxSoundLoaderBase& loader, uint64_t limit)
{
    static std::vector<uint8_t> buffer(65536 + 3);
    uint64_t total = 0;
    // An odd request size so that partial frames are asked for too.
    while (!loader.IsEnd() && total < limit) {
        uint32_t got = 0;
        if (!loader.Read(buffer.data(), static_cast<uint32_t>(buffer.size()), &got)) std::abort();
        if (got > buffer.size()) std::abort();
        total += got;
        if (got == 0 && !loader.IsEnd()) break;
    }
}

template <typename Loader>
int FuzzSoundLoader(const uint8_t* data, size_t size, const char* fileName)
{
    if (!WriteInputFile(fileName, data, size)) return 0;

    const std::u16string name(fileName, fileName + std::char_traits<char>::length(fileName));
    Loader loader;
    if (!loader.Open(name)) return 0;
    constexpr uint64_t kLimit = 8u << 20;
    const int64_t total = loader.GetTotalSamples();
    loader.GetLengthMs();
    loader.SetLoopStart(total / 3);
    if (loader.GetLoopStart() > loader.GetLoopLimit()) std::abort();
    ReadToEnd(loader, kLimit);
    for (const int64_t frame : {int64_t{0}, total / 2, total}) {
        if (loader.Seek(frame)) {
            loader.Tell();
            ReadToEnd(loader, kLimit);
        }
    }
    loader.Seek(total + 1);
    loader.Close();
    return 0;
}

}  // namespace gxfuzz
