// Picture loading into device textures and surfaces, and saving them: the picture helpers the
// engine's texture and surface classes are written against. A picture is decoded (GxPicture.h),
// its colour key applied, fitted to the destination by the filter and stored in the
// destination's format; lower mip levels are made from the level above.
//
// Filters: NONE puts the picture at the top left of the destination, cut at its edges, and
// leaves the rest transparent black; POINT, LINEAR, TRIANGLE and BOX resample the picture over
// the whole destination. DEFAULT is TRIANGLE for pictures and BOX for mip levels.
#pragma once

#include <cstdint>
#include <string>

#include "platform/GxDevice.h"
#include "platform/GxPicture.h"

constexpr uint32_t GXPIC_FILTER_NONE = 1;
constexpr uint32_t GXPIC_FILTER_POINT = 2;
constexpr uint32_t GXPIC_FILTER_LINEAR = 3;
constexpr uint32_t GXPIC_FILTER_TRIANGLE = 4;
constexpr uint32_t GXPIC_FILTER_BOX = 5;
constexpr uint32_t GXPIC_DEFAULT = 0xFFFFFFFFu;

// Header of a picture in memory. GXERR_INVALIDDATA when it is not one we read.
GxResult GxPictureGetInfo(const void* data, uint32_t size, GxPictureInfo* info, std::string* error = nullptr);

// A new texture holding the picture. width and height 0 (or DEFAULT) take the picture's;
// format UNKNOWN takes A8R8G8B8. The picture may be no larger than the device's texture limit.
// info (may be none) receives the picture's header; error (may be none) a reason on failure.
GxResult GxPictureCreateTexture(GxDevice* device, const void* data, uint32_t size, uint32_t width, uint32_t height,
                                uint32_t mipLevels, uint32_t usage, GxFormat format, GxPool pool, uint32_t filter,
                                uint32_t mipFilter, GxColor colorKey, GxPictureInfo* info,
                                GxDeviceTexture** texture, std::string* error = nullptr);

// Loads the picture (srcRect of it, none = all) into destRect of a lockable surface (none = all).
GxResult GxPictureLoadSurface(GxDeviceSurface* dest, const GxRectL* destRect, const void* data, uint32_t size,
                              const GxRectL* srcRect, uint32_t filter, GxColor colorKey, GxPictureInfo* info,
                              std::string* error = nullptr);

// Copies srcRect of a lockable surface into destRect of another with the same rules.
GxResult GxPictureLoadSurfaceFromSurface(GxDeviceSurface* dest, const GxRectL* destRect, GxDeviceSurface* source,
                                         const GxRectL* srcRect, uint32_t filter, GxColor colorKey);

// Writes a lockable surface (rect none = all) or level 0 of a lockable texture as a picture
// file at a native path. Only GXPIC_PNG is written.
GxResult GxPictureSaveSurface(const std::string& nativePath, GxPictureFileFormat format, GxDeviceSurface* surface,
                              const GxRectL* rect);
GxResult GxPictureSaveTexture(const std::string& nativePath, GxPictureFileFormat format, GxDeviceTexture* texture);

// Remakes every level below level 0 of a lockable texture with a 2 x 2 box.
GxResult GxPictureBuildMipLevels(GxDeviceTexture* texture);

// Resamples a 0xAARRGGBB picture onto another size with one of the filters above (NONE acts as
// POINT here). Rows are pitch words apart.
void GxPictureResample(const uint32_t* src, uint32_t srcWidth, uint32_t srcHeight, size_t srcPitch, uint32_t* dst,
                       uint32_t dstWidth, uint32_t dstHeight, size_t dstPitch, uint32_t filter);
