// Ogg Vorbis decoding from untrusted bytes: vorbisfile over the file layer's callbacks, reads
// to the end and frame seeks. (A whole decode into memory is left out: a stream may claim any
// length, and the allocation it asks for is refused only above a quarter of a gibibyte.)
#include "fuzz/sound_fuzz.h"

// libvorbisfile 1.3.7 itself loses a few bytes when it gives up on some broken chained streams
// (plain ov_fopen does the same); nothing of ours can free them.
extern "C" const char* __lsan_default_suppressions() { return "leak:libvorbisfile.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return gxfuzz::FuzzSoundLoader<GxSoundLoaderOgg>(data, size, "fuzz.ogg");
}
