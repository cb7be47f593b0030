// The DDS reader (uncompressed masks, numbered formats, DXT1-5, DX10 header) on untrusted bytes.
#include "fuzz/picture_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return GxFuzzPictureReader(data, size, &GxDdsProbe,
                               [](const uint8_t* d, size_t n, GxPictureRows rows, uint32_t w, uint32_t h) {
                                   GxDdsDecodeTo(d, n, rows, w, h, nullptr);
                               });
}
