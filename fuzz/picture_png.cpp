// The PNG reader (libpng with our error path and memory source) on untrusted bytes.
#include "fuzz/picture_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return GxFuzzPictureReader(data, size, &GxPngProbe,
                               [](const uint8_t* d, size_t n, GxPictureRows rows, uint32_t w, uint32_t h) {
                                   GxPngDecodeTo(d, n, kGxFuzzMaxPictureSide, rows, w, h, nullptr);
                               });
}
