// Fuzz target: pictures loaded into device surfaces and textures with the conversions the
// engine asks for: colour key, source and destination rectangles, the resampling filters,
// destination formats, mip levels built from the picture. Runs on the recording device, which
// keeps surfaces as CPU pixels, so any write outside a surface shows.
// Input: 16 bytes of parameters, then the picture file.
#include <cstddef>
#include <cstdint>

#include "core/GxLog.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsSettings.h"
#include "platform/GxDevice.h"
#include "platform/GxDeviceRecording.h"
#include "platform/GxPicture.h"
#include "platform/GxPictureLoad.h"

namespace {

constexpr uint32_t kMaxSide = 256;  // pictures and surfaces: small enough to stay fast
constexpr GxFormat kFormats[] = {GXFMT_A8R8G8B8, GXFMT_X8R8G8B8, GXFMT_R5G6B5,  GXFMT_X1R5G5B5,
                                 GXFMT_A1R5G5B5, GXFMT_A4R4G4B4, GXFMT_L8,      GXFMT_A8L8};
constexpr uint32_t kFilters[] = {GXPIC_FILTER_NONE, GXPIC_FILTER_POINT, GXPIC_FILTER_LINEAR, GXPIC_FILTER_TRIANGLE,
                                 GXPIC_FILTER_BOX,  GXPIC_DEFAULT,      0,                   77};

// The engine's own device on the recording backend.
GxDevice* Device()
{
    static GxDevice* device = [] {
        GxGetGraphicsSettings().SetStartupValues();
        GxGraphics::SetDirect3DFactory([](void*) { return GxCreateRecordingDirect3D(GxDefaultRecordingAdapter()); });
        if (!GxGraphics::Create(nullptr, nullptr, nullptr, nullptr) || !GxGraphics::GetDevice()) __builtin_trap();
        return GxGraphics::GetDevice();
    }();
    return device;
}

// A rectangle of signed bytes (it may be empty, inverted or outside the surface).
GxRectL Rect(const uint8_t* b)
{
    return GxRectL{static_cast<int8_t>(b[0]) * 2, static_cast<int8_t>(b[1]) * 2, static_cast<int8_t>(b[2]) * 2,
                   static_cast<int8_t>(b[3]) * 2};
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    GxSetErrorLogPath(u"/dev/null");
    GxSetDebugLogPath(u"/dev/null");
    GxSetDeviceLogPath(u"/dev/null");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 16) return 0;
    const uint8_t* params = data;
    const uint8_t* picture = data + 16;
    const uint32_t pictureSize = static_cast<uint32_t>(size - 16);
    GxPictureInfo info;
    if (GxPictureGetInfo(picture, pictureSize, &info) != GX_OK || info.width > kMaxSide || info.height > kMaxSide)
        return 0;

    const uint32_t width = 1 + params[0] % 96, height = 1 + params[1] % 96;
    const GxFormat format = kFormats[params[2] % 8];
    const uint32_t filter = kFilters[params[3] % 8], mipFilter = kFilters[(params[3] >> 3) % 8];
    const GxColor colorKey = static_cast<GxColor>(params[4] | params[5] << 8 | params[6] << 16) |
                             (static_cast<GxColor>(params[7]) << 24);
    const GxRectL destRect = Rect(params + 8), srcRect = Rect(params + 12);
    const bool withDest = params[2] & 0x10, withSrc = params[2] & 0x20;

    GxDevice* device = Device();
    GxDeviceSurface* surface = nullptr;
    if (device->CreateOffscreenPlainSurface(width, height, format, GXPOOL_SYSTEMMEM, &surface) == GX_OK && surface) {
        GxPictureLoadSurface(surface, withDest ? &destRect : nullptr, picture, pictureSize, withSrc ? &srcRect : nullptr,
                             filter, colorKey, &info);
        surface->Release();
    }

    // A texture of its own size (0) or the asked one, with up to four levels made below it.
    const uint32_t levels = 1 + (params[0] >> 7) + (params[1] >> 6 & 2);
    const bool ownSize = params[2] & 0x40;
    GxDeviceTexture* texture = nullptr;
    if (GxPictureCreateTexture(device, picture, pictureSize, ownSize ? 0 : width, ownSize ? 0 : height, levels, 0,
                               format, GXPOOL_MANAGED, filter, mipFilter, colorKey, &info, &texture) == GX_OK &&
        texture) {
        GxPictureBuildMipLevels(texture);
        texture->Release();
    }
    return 0;
}
