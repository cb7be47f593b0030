#include "platform/GxPicture.h"

#include <cstring>
#include <new>

namespace {

// A decoded picture may take at most 256 MiB (8192 x 8192 pixels).
constexpr uint64_t kMaxPictureBytes = 1ull << 28;

}  // namespace

GxPictureFileFormat GxPictureDetect(const void* data, size_t size)
{
    const auto* d = static_cast<const uint8_t*>(data);
    if (!d) return GXPIC_UNKNOWN;
    static const uint8_t png[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    if (size >= 8 && std::memcmp(d, png, 8) == 0) return GXPIC_PNG;
    if (size >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF) return GXPIC_JPG;
    if (size >= 4 && std::memcmp(d, "DDS ", 4) == 0) return GXPIC_DDS;
    if (size >= 2 && d[0] == 'B' && d[1] == 'M') return GXPIC_BMP;
    GxPictureInfo info;
    if (GxTgaProbe(d, size, &info, nullptr)) return GXPIC_TGA;
    return GXPIC_UNKNOWN;
}

bool GxPictureProbe(const void* data, size_t size, GxPictureInfo* info, std::string* error)
{
    const auto* d = static_cast<const uint8_t*>(data);
    GxPictureInfo got;
    bool ok = false;
    switch (GxPictureDetect(data, size)) {
    case GXPIC_PNG: ok = GxPngProbe(d, size, &got, error); break;
    case GXPIC_JPG: ok = GxJpegProbe(d, size, &got, error); break;
    case GXPIC_DDS: ok = GxDdsProbe(d, size, &got, error); break;
    case GXPIC_BMP: ok = GxBmpProbe(d, size, &got, error); break;
    case GXPIC_TGA: ok = GxTgaProbe(d, size, &got, error); break;
    default:
        if (error) *error = "unknown picture format";
        break;
    }
    if (ok && info) *info = got;
    return ok;
}

bool GxPictureDecodeTo(const void* data, size_t size, const GxPictureInfo& info, uint32_t maxSide,
                       const GxPictureRows& rows, std::string* error)
{
    const auto* d = static_cast<const uint8_t*>(data);
    if (!d || !rows.pixels || rows.pitch < info.width) {
        if (error) *error = "no picture or no room";
        return false;
    }
    if (info.width == 0 || info.height == 0 || info.width > maxSide || info.height > maxSide ||
        static_cast<uint64_t>(info.width) * info.height * 4 > kMaxPictureBytes) {
        if (error) *error = "picture too large";
        return false;
    }
    switch (info.fileFormat) {
    case GXPIC_PNG: return GxPngDecodeTo(d, size, maxSide, rows, info.width, info.height, error);
    case GXPIC_JPG: return GxJpegDecodeTo(d, size, maxSide, rows, info.width, info.height, error);
    case GXPIC_DDS: return GxDdsDecodeTo(d, size, rows, info.width, info.height, error);
    case GXPIC_BMP: return GxBmpDecodeTo(d, size, rows, info.width, info.height, error);
    case GXPIC_TGA: return GxTgaDecodeTo(d, size, rows, info.width, info.height, error);
    default:
        if (error) *error = "unknown picture format";
        return false;
    }
}

bool GxPictureDecode(const void* data, size_t size, uint32_t maxSide, GxPixelImage* image, GxPictureInfo* info,
                     std::string* error)
{
    GxPictureInfo got;
    if (!image || !GxPictureProbe(data, size, &got, error)) return false;
    if (got.width > maxSide || got.height > maxSide ||
        static_cast<uint64_t>(got.width) * got.height * 4 > kMaxPictureBytes) {
        if (error) *error = "picture too large";
        return false;
    }
    // Allocation failure is a failed load, never an exception out of the engine.
    try {
        image->pixels.assign(static_cast<size_t>(got.width) * got.height, 0u);
    } catch (const std::bad_alloc&) {
        if (error) *error = "out of memory";
        return false;
    }
    image->width = got.width;
    image->height = got.height;
    if (info) *info = got;
    return GxPictureDecodeTo(data, size, got, maxSide, GxPictureRows{image->pixels.data(), got.width}, error);
}
