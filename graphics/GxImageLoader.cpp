#include "graphics/GxImageLoader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "core/GxBinBuffer.h"
#include "core/GxFile.h"
#include "core/GxLog.h"
#include "core/GxString.h"
#include "graphics/GxGraphics.h"
#include "platform/GxPicture.h"
#include "platform/GxPictureLoad.h"

namespace {

constexpr uint8_t kPngSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

uint32_t Be32(const uint8_t* p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | p[3];
}
uint32_t Le32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

// Up to count bytes of the file's start into a zero-filled buffer; logs open and read failures.
bool ReadHead(std::u16string_view name, uint8_t* out, uint32_t count)
{
    std::memset(out, 0, count);
    GxFileHandle handle;
    if (!GxFileOpen(handle, name)) {
        GxPrintErrorLog(u"Error/GetInfoFromFile Open error(Name:\"%s\")\n", name);
        return false;
    }
    uint32_t got = GxFileRead(out, count, handle);
    GxFileClose(handle);
    if (got == 0) {
        GxPrintErrorLog(u"Error/GetInfoFromFile Read error(Name:\"%s\")\n", name);
        return false;
    }
    return true;
}

// The limit the decoders keep to: the device's largest texture side, when there is a device.
uint32_t MaxPictureSide()
{
    const GxGraphicsCaps& caps = GxGraphics::GetCaps();
    if (GxGraphics::GetDevice() && caps.MaxTextureWidth && caps.MaxTextureHeight)
        return std::min(caps.MaxTextureWidth, caps.MaxTextureHeight);
    return GX_PICTURE_MAX_SIDE;
}

}  // namespace

std::u16string GxPictureErrorText(GxResult result, const std::string& reason)
{
    std::u16string text = GxGraphics::GetD3DErrorString(result);
    if (!reason.empty()) text += u" (" + GxUtf8ToWide(reason) + u")";
    return text;
}

bool GetInfoFromFile(std::u16string_view name, GxImageInfo* info)
{
    GxImageInfo got;
    if (info) *info = got;
    if (GxHasExtension(name, u".png")) {
        uint8_t head[32];
        if (!ReadHead(name, head, sizeof head)) return false;
        if (std::memcmp(head, kPngSignature, 8) != 0) {
            GxPrintErrorLog(u"Error/GetInfoFromFile This file is not PNG image(Name:\"%s\")\n", name);
            return false;
        }
        got.width = Be32(head + 16);
        got.height = Be32(head + 20);
    } else if (GxHasExtension(name, u".dds")) {
        uint8_t head[128];
        if (!ReadHead(name, head, sizeof head)) return false;
        if (std::memcmp(head, "DDS ", 4) != 0) {
            GxPrintErrorLog(u"Error/GetInfoFromFile This file is not DDS image(Name:\"%s\")\n", name);
            return false;
        }
        got.width = Le32(head + 16);
        got.height = Le32(head + 12);
        got.depth = Le32(head + 24);
    } else {
        GxBinBuffer buffer;
        GxPictureInfo pic;
        if (!GxFileLoadToBinBuffer(buffer, name, true, false) ||
            GxFailed(GxPictureGetInfo(buffer.GetBuffer(), buffer.GetSize(), &pic))) {
            GxPrintErrorLog(u"Error/GetInfoFromFile Failed(Name:\"%s\")\n", name);
            return false;
        }
        got.width = pic.width;
        got.height = pic.height;
        got.depth = pic.depth;
    }
    if (info) *info = got;
    return true;
}

bool GetInfoFromMemory(const void* data, uint32_t size, GxImageInfo* info)
{
    GxImageInfo got;
    if (info) *info = got;
    const auto* d = static_cast<const uint8_t*>(data);
    if (d && size >= 24 && std::memcmp(d, kPngSignature, 8) == 0) {
        got.width = Be32(d + 16);
        got.height = Be32(d + 20);
    } else if (d && size >= 28 && Le32(d) == 0x20534444u) {
        got.width = Le32(d + 16);
        got.height = Le32(d + 12);
        got.depth = Le32(d + 24);
    } else {
        GxPictureInfo pic;
        std::string reason;
        GxResult r = d && size ? GxPictureGetInfo(d, size, &pic, &reason) : GXERR_INVALIDCALL;
        if (GxFailed(r)) {
            GxPrintErrorLog(u"Error/GetInfoFromMemory Failed(Addr:%08x,size:%u,%s)\n",
                            reinterpret_cast<uintptr_t>(data), size, GxPictureErrorText(r, reason));
            return false;
        }
        got.width = pic.width;
        got.height = pic.height;
    }
    if (info) *info = got;
    return true;
}

bool CreateScratchSurfaceFromFile(std::u16string_view name, GxDeviceSurface** surface, GxFormat format,
                                  GxImageInfo* info, GxColor colorKey)
{
    if (surface) *surface = nullptr;
    GxImageInfo probed;
    if (!surface || !GetInfoFromFile(name, &probed)) return false;
    if (info) *info = probed;
    GxDevice* device = GxGraphics::GetDevice();
    if (!device) return false;
    GxResult r = device->CreateOffscreenPlainSurface(probed.width, probed.height, format, GXPOOL_SCRATCH, surface);
    if (GxFailed(r)) {
        GxPrintErrorLog(u"Error/CreateScratchSurfaceFromFile Failed(Name:\"%s\" %s)\n", name,
                        GxGraphics::GetD3DErrorString(r));
        return false;
    }
    GxBinBuffer buffer;
    GxFileLoadToBinBuffer(buffer, name, true, false);
    r = buffer.GetBuffer() ? GxPictureLoadSurface(*surface, nullptr, buffer.GetBuffer(), buffer.GetSize(), nullptr,
                                                  GXPIC_FILTER_NONE, colorKey, nullptr)
                           : GXERR_INVALIDCALL;
    if (GxFailed(r)) {
        GxPrintErrorLog(u"Error/ImageLoadFromFile Failed(Name:\"%s\")\n", name);
        return false;
    }
    return true;
}

uint8_t* GxPngDecodeFromMemory(const void* data, uint32_t size, uint32_t* width, uint32_t* height)
{
    if (width) *width = 0;
    if (height) *height = 0;
    const auto* d = static_cast<const uint8_t*>(data);
    if (!d || size < 8 || std::memcmp(d, kPngSignature, 8) != 0) return nullptr;
    GxPictureInfo info;
    if (!GxPngProbe(d, size, &info, nullptr)) return nullptr;
    const uint32_t maxSide = MaxPictureSide();
    if (info.width > maxSide || info.height > maxSide) return nullptr;
    const uint64_t bytes = static_cast<uint64_t>(info.width) * info.height * 4;
    if (bytes > (1ull << 28)) return nullptr;
    auto* block = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(bytes), 1));
    if (!block) return nullptr;
    GxPictureRows rows{reinterpret_cast<uint32_t*>(block), info.width};
    if (!GxPngDecodeTo(d, size, maxSide, rows, info.width, info.height, nullptr)) {
        std::free(block);
        return nullptr;
    }
    if (width) *width = info.width;
    if (height) *height = info.height;
    return block;
}

void GxPngRelease(uint8_t* picture) { std::free(picture); }

bool GxPngWriteFile(std::string_view path, uint32_t width, uint32_t height, const void* pixels)
{
    if (path.empty() || !pixels) return false;
    return GxPngWrite(GxPathToNative(GxAnsiToWide(path)), width, height, static_cast<const uint32_t*>(pixels), width,
                      nullptr);
}

uint32_t GxBlendPixel(uint32_t accumulated, uint32_t layer)
{
    const uint32_t as = layer >> 24, ad = accumulated >> 24;
    const uint32_t d = (255 - ad) * as + (255 - as) * ad + as * ad;
    if (d == 0) return 0;
    uint32_t out = (d / 255) << 24;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t cs = (layer >> shift) & 255, cd = (accumulated >> shift) & 255;
        const uint32_t c = ((255 - ad) * cs * as + (255 - as) * cd * ad + cs * as * ad) / d;
        out |= c << shift;
    }
    return out;
}

void GxBlendPicture(uint32_t* accumulated, uint32_t width, uint32_t height, const uint32_t* layer,
                    uint32_t layerWidth, uint32_t layerHeight)
{
    const uint32_t w = std::min(width, layerWidth), h = std::min(height, layerHeight);
    for (uint32_t y = 0; y < h; ++y) {
        uint32_t* dst = accumulated + static_cast<size_t>(y) * width;
        const uint32_t* src = layer + static_cast<size_t>(y) * layerWidth;
        for (uint32_t x = 0; x < w; ++x) dst[x] = GxBlendPixel(dst[x], src[x]);
    }
}
