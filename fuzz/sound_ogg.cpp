// Ogg Vorbis decoding from untrusted bytes: vorbisfile over the file layer's callbacks, reads
// to the end and frame seeks. (A whole decode into memory is left out: a stream may claim any
// length, and the allocation it asks for is refused only above a quarter of a gibibyte.)
#include "fuzz/sound_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return gxfuzz::FuzzSoundLoader<GxSoundLoaderOgg>(data, size, "fuzz.ogg");
}
