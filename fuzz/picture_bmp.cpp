// The BMP reader (every header size, palettes, masks, run-length) on untrusted bytes.
#include "fuzz/picture_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return GxFuzzPictureReader(data, size, &GxBmpProbe,
                               [](const uint8_t* d, size_t n, GxPictureRows rows, uint32_t w, uint32_t h) {
                                   GxBmpDecodeTo(d, n, rows, w, h, nullptr);
                               });
}
