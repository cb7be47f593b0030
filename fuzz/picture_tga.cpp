// The TGA reader (colour-mapped, true-colour, grey, run-length) on untrusted bytes: the
// content probe and header probe, then the decode into a buffer of the probed size; and the
// whole path through the generic probe and decode with a small side limit.
#include <cstdint>
#include <vector>

#include "platform/GxPicture.h"
#include "platform/GxPictureLoad.h"

namespace {

// Small enough that a hostile header cannot ask for much memory.
constexpr uint32_t kMaxSide = 512;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    GxPictureInfo info;
    GxPictureDetect(data, size);
    GxPictureGetInfo(data, static_cast<uint32_t>(size), &info);
    if (GxTgaProbe(data, size, &info, nullptr) && info.width <= kMaxSide && info.height <= kMaxSide) {
        // Rows of exactly the picture's width: any write outside the picture shows.
        const size_t pitch = info.width;
        std::vector<uint32_t> pixels(pitch * info.height);
        GxTgaDecodeTo(data, size, GxPictureRows{pixels.data(), pitch}, info.width, info.height, nullptr);
    }
    GxPixelImage image;
    GxPictureDecode(data, size, kMaxSide, &image, nullptr, nullptr);
    return 0;
}
