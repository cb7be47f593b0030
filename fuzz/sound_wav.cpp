// WAV decoding from untrusted bytes: the chunk walk, reads and frame seeks through the file
// layer, then the whole file decoded into memory and read back through the memory decoder.
#include "fuzz/sound_fuzz.h"
#include "media/GxWavData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    gxfuzz::FuzzSoundLoader<GxSoundLoaderWav>(data, size, "fuzz.wav");
    // The data chunk is bounded by the file, so a whole decode stays small.
    GxWavData decoded;
    if (decoded.Create(u"fuzz.wav")) {
        GxSoundLoaderMemory memory;
        if (!memory.Open(&decoded)) std::abort();
        gxfuzz::ReadToEnd(memory, UINT64_MAX);
        int16_t l = 0, r = 0;
        decoded.GetSample(&l, &r, decoded.GetTotalFrames() / 2);
        decoded.GetSample(&l, &r, decoded.GetTotalFrames());
    }
    return 0;
}
