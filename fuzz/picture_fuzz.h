// Shared body of the picture-reader fuzz targets: the content probe and header probe, then the
// reader's decode into a buffer of the probed size, and the whole path through the generic
// probe and decode with a small side limit.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/GxPicture.h"
#include "platform/GxPictureLoad.h"

// Small enough that a hostile header cannot ask for much memory.
constexpr uint32_t kGxFuzzMaxPictureSide = 512;

template <typename Probe, typename DecodeTo>
int GxFuzzPictureReader(const uint8_t* data, size_t size, Probe probe, DecodeTo decodeTo)
{
    GxPictureInfo info;
    GxPictureDetect(data, size);
    GxPictureGetInfo(data, static_cast<uint32_t>(size), &info);
    if (probe(data, size, &info, nullptr) && info.width <= kGxFuzzMaxPictureSide &&
        info.height <= kGxFuzzMaxPictureSide) {
        // Rows of exactly the picture's width: any write outside the picture shows.
        const size_t pitch = info.width;
        std::vector<uint32_t> pixels(pitch * info.height);
        decodeTo(data, size, GxPictureRows{pixels.data(), pitch}, info.width, info.height);
    }
    GxPixelImage image;
    GxPictureDecode(data, size, kGxFuzzMaxPictureSide, &image, nullptr, nullptr);
    return 0;
}
