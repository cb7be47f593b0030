// The JPEG reader (libjpeg-turbo with our error manager and scan cap) on untrusted bytes.
#include "fuzz/picture_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return GxFuzzPictureReader(data, size, &GxJpegProbe,
                               [](const uint8_t* d, size_t n, GxPictureRows rows, uint32_t w, uint32_t h) {
                                   GxJpegDecodeTo(d, n, kGxFuzzMaxPictureSide, rows, w, h, nullptr);
                               });
}
