#include "platform/GxDeviceCore.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/GxDeviceCoreInternal.h"

using GxDeviceCoreInternal::RectInside;

// ---- Copies -------------------------------------------------------------------------------------

GxResult GxDeviceCore::UpdateTexture(GxDeviceTexture* source, GxDeviceTexture* dest)
{
    GxDeviceCall& c = Record(GxDeviceOp::UpdateTexture, GX_OK);
    c.object = source;
    c.args[0] = dest ? 1 : 0;
    auto result = [&c](GxResult r) {
        c.result = r;
        return r;
    };
    GxCoreTexture* s = OwnTexture(source);
    GxCoreTexture* d = OwnTexture(dest);
    // From system memory into the default pool, same format and size.
    if (!s || !d || s == d || s->Desc().Pool != GXPOOL_SYSTEMMEM || d->Desc().Pool != GXPOOL_DEFAULT ||
        s->Desc().Format != d->Desc().Format || s->Desc().Width != d->Desc().Width ||
        s->Desc().Height != d->Desc().Height || s->AnyLevelLocked() || d->AnyLevelLocked())
        return result(GXERR_INVALIDCALL);
    uint32_t levels = std::min(s->GetLevelCount(), d->GetLevelCount());
    TextureWillChange(*d);
    for (uint32_t i = 0; i < levels; ++i) {
        GxCoreTexture::Level& from = s->LevelAt(i);
        GxCoreTexture::Level& to = d->LevelAt(i);
        if (!s->Bits(i) || !d->Bits(i)) return result(GXERR_OUTOFMEMORY);
        std::memcpy(to.bits, from.bits, static_cast<size_t>(to.pitch) * to.height);
        GxResult r = NativeUploadTexture(*d, i, GxRectL{0, 0, static_cast<int32_t>(to.width),
                                                          static_cast<int32_t>(to.height)});
        if (GxFailed(r)) return result(r);
    }
    d->gpuNewer = false;
    return result(GX_OK);
}

GxResult GxDeviceCore::GetRenderTargetData(GxDeviceSurface* renderTarget, GxDeviceSurface* dest)
{
    GxDeviceCall& c = Record(GxDeviceOp::GetRenderTargetData, GX_OK);
    c.object = renderTarget;
    c.args[0] = dest ? 1 : 0;
    auto result = [&c](GxResult r) {
        c.result = r;
        return r;
    };
    GxCoreTextureSurface* s = OwnTextureSurface(renderTarget);
    GxCoreTextureSurface* d = OwnTextureSurface(dest);
    if (!s || !d || !s->Texture()->IsRenderTarget() || d->Texture()->Desc().Pool != GXPOOL_SYSTEMMEM)
        return result(GXERR_INVALIDCALL);
    GxCoreTexture::Level& from = s->Texture()->LevelAt(s->Level());
    GxCoreTexture::Level& to = d->Texture()->LevelAt(d->Level());
    if (s->Texture()->Desc().Format != d->Texture()->Desc().Format || from.width != to.width ||
        from.height != to.height || to.locked)
        return result(GXERR_INVALIDCALL);
    GxResult r = SyncFromDevice(*s->Texture(), s->Level());
    if (GxFailed(r)) return result(r);
    if (!s->Texture()->Bits(s->Level()) || !d->Texture()->Bits(d->Level())) return result(GXERR_OUTOFMEMORY);
    TextureWillChange(*d->Texture());
    std::memcpy(to.bits, from.bits, static_cast<size_t>(to.pitch) * to.height);
    return result(GX_OK);
}

GxResult GxDeviceCore::StretchRect(GxDeviceSurface* source, const GxRectL* sourceRect, GxDeviceSurface* dest,
                                   const GxRectL* destRect, GxTextureFilter filter)
{
    GxDeviceCall& c = Record(GxDeviceOp::StretchRect, GX_OK);
    c.object = source;
    c.args[0] = filter;
    if (sourceRect) c.rects.push_back(*sourceRect);
    if (destRect) c.rects.push_back(*destRect);
    auto result = [&c](GxResult r) {
        c.result = r;
        return r;
    };
    GxCoreTextureSurface* s = OwnTextureSurface(source);
    GxCoreTextureSurface* d = OwnTextureSurface(dest);
    if (!s || !d || filter > GXTEXF_LINEAR) return result(GXERR_INVALIDCALL);
    GxCoreTexture& st = *s->Texture();
    GxCoreTexture& dt = *d->Texture();
    GxCoreTexture::Level& from = st.LevelAt(s->Level());
    GxCoreTexture::Level& to = dt.LevelAt(d->Level());
    GxRectL sr = sourceRect ? *sourceRect : GxRectL{0, 0, static_cast<int32_t>(from.width),
                                                    static_cast<int32_t>(from.height)};
    GxRectL dr = destRect ? *destRect : GxRectL{0, 0, static_cast<int32_t>(to.width), static_cast<int32_t>(to.height)};
    // The device writes into the GPU's own resources only.
    if (dt.Desc().Pool != GXPOOL_DEFAULT || from.locked || to.locked || !RectInside(sr, from.width, from.height) ||
        !RectInside(dr, to.width, to.height))
        return result(GXERR_INVALIDCALL);
    GxResult r = SyncFromDevice(st, s->Level());
    if (GxSucceeded(r)) r = SyncFromDevice(dt, d->Level());
    if (GxFailed(r)) return result(r);
    if (!st.Bits(s->Level()) || !dt.Bits(d->Level())) return result(GXERR_OUTOFMEMORY);
    TextureWillChange(dt);

    const GxFormat sf = st.Desc().Format, df = dt.Desc().Format;
    const uint32_t sb = GxFormatBytesPerPixel(sf), db = GxFormatBytesPerPixel(df);
    const int32_t sw = sr.right - sr.left, sh = sr.bottom - sr.top;
    const int32_t dw = dr.right - dr.left, dh = dr.bottom - dr.top;
    // The source block first, so a surface may stretch onto itself.
    std::vector<uint32_t> block(static_cast<size_t>(sw) * sh);
    for (int32_t y = 0; y < sh; ++y)
        for (int32_t x = 0; x < sw; ++x)
            block[static_cast<size_t>(y) * sw + x] =
                GxPixelToArgb(sf, from.bits + static_cast<size_t>(sr.top + y) * from.pitch +
                                      static_cast<size_t>(sr.left + x) * sb);
    auto at = [&](int32_t x, int32_t y) {
        x = std::clamp(x, 0, sw - 1);
        y = std::clamp(y, 0, sh - 1);
        return block[static_cast<size_t>(y) * sw + x];
    };
    for (int32_t y = 0; y < dh; ++y) {
        uint8_t* row = to.bits + static_cast<size_t>(dr.top + y) * to.pitch + static_cast<size_t>(dr.left) * db;
        for (int32_t x = 0; x < dw; ++x) {
            uint32_t argb;
            if (filter == GXTEXF_LINEAR) {
                // Sample centres mapped onto the source, four neighbours weighted in 1/256ths.
                int64_t fx = ((2 * static_cast<int64_t>(x) + 1) * sw * 256) / (2 * dw) - 128;
                int64_t fy = ((2 * static_cast<int64_t>(y) + 1) * sh * 256) / (2 * dh) - 128;
                int32_t x0 = static_cast<int32_t>(fx >> 8), y0 = static_cast<int32_t>(fy >> 8);
                uint32_t ax = static_cast<uint32_t>(fx & 255), ay = static_cast<uint32_t>(fy & 255);
                uint32_t p00 = at(x0, y0), p10 = at(x0 + 1, y0), p01 = at(x0, y0 + 1), p11 = at(x0 + 1, y0 + 1);
                argb = 0;
                for (int shift = 0; shift < 32; shift += 8) {
                    uint32_t c00 = (p00 >> shift) & 255, c10 = (p10 >> shift) & 255;
                    uint32_t c01 = (p01 >> shift) & 255, c11 = (p11 >> shift) & 255;
                    uint32_t top = c00 * (256 - ax) + c10 * ax;
                    uint32_t bottom = c01 * (256 - ax) + c11 * ax;
                    uint32_t v = (top * (256 - ay) + bottom * ay + 32768) >> 16;
                    argb |= v << shift;
                }
            } else {
                argb = at(static_cast<int32_t>((static_cast<int64_t>(x) * sw) / dw),
                          static_cast<int32_t>((static_cast<int64_t>(y) * sh) / dh));
            }
            GxArgbToPixel(df, argb, row + static_cast<size_t>(x) * db);
        }
    }
    if (dt.HasDeviceCopy()) r = NativeUploadTexture(dt, d->Level(), dr);
    return result(r);
}
