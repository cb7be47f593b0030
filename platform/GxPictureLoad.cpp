#include "platform/GxPictureLoad.h"

// The pixel loops here are the loader's hot path; GCC vectorises them only from -O3.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC optimize("O3")
#endif

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr int kWeightBits = 14;
constexpr int32_t kWeightOne = 1 << kWeightBits;

// The source pixels that make up each destination pixel along one axis, with their weights
// (summing to kWeightOne).
struct Taps
{
    uint32_t per = 0;
    std::vector<uint32_t> index;
    std::vector<int32_t> weight;
    // The same weights in 1/256ths (summing to 256), for the 16-bit row blend of short filters.
    std::vector<uint16_t> weight8;
};

constexpr uint32_t kMaxShortTaps = 6;

Taps BuildTaps(uint32_t src, uint32_t dst, uint32_t filter)
{
    Taps t;
    const double scale = static_cast<double>(src) / dst;
    if (filter == GXPIC_FILTER_POINT || filter == GXPIC_FILTER_NONE) {
        t.per = 1;
        t.index.resize(dst);
        t.weight.assign(dst, kWeightOne);
        for (uint32_t i = 0; i < dst; ++i)
            t.index[i] = static_cast<uint32_t>(std::min<uint64_t>(src - 1, (static_cast<uint64_t>(i) * src) / dst));
        return t;
    }
    double radius = filter == GXPIC_FILTER_LINEAR ? 1.0 : filter == GXPIC_FILTER_BOX ? std::max(0.5, scale / 2)
                                                                                       : std::max(1.0, scale);
    t.per = static_cast<uint32_t>(std::ceil(2 * radius)) + 2;
    t.index.assign(static_cast<size_t>(dst) * t.per, 0);
    t.weight.assign(static_cast<size_t>(dst) * t.per, 0);
    std::vector<double> w(t.per);
    for (uint32_t i = 0; i < dst; ++i) {
        const double center = (i + 0.5) * scale - 0.5;
        const int64_t first = static_cast<int64_t>(std::ceil(center - radius - (filter == GXPIC_FILTER_BOX ? 0.5 : 0)));
        double sum = 0;
        for (uint32_t k = 0; k < t.per; ++k) {
            const int64_t j = first + k;
            double d = std::fabs(static_cast<double>(j) - center);
            double v;
            if (filter == GXPIC_FILTER_BOX) {
                // Overlap of source pixel j with the footprint of destination pixel i.
                double lo = std::max<double>(static_cast<double>(j), i * scale);
                double hi = std::min<double>(static_cast<double>(j) + 1, (i + 1) * scale);
                v = std::max(0.0, hi - lo);
                if (scale < 1) v = d <= 0.5 ? 1.0 : 0.0;
            } else {
                v = std::max(0.0, 1.0 - d / radius);
            }
            w[k] = v;
            sum += v;
        }
        if (sum <= 0) {
            // Nothing overlapped (rounding at the edges): take the nearest pixel.
            std::fill(w.begin(), w.end(), 0.0);
            int64_t nearest = static_cast<int64_t>(std::floor(center + 0.5));
            w[static_cast<size_t>(std::clamp<int64_t>(nearest - first, 0, t.per - 1))] = 1.0;
            sum = 1.0;
        }
        int32_t given = 0;
        uint32_t biggest = 0;
        for (uint32_t k = 0; k < t.per; ++k) {
            const int64_t j = std::clamp<int64_t>(first + k, 0, static_cast<int64_t>(src) - 1);
            const int32_t q = static_cast<int32_t>(std::lround(w[k] / sum * kWeightOne));
            t.index[static_cast<size_t>(i) * t.per + k] = static_cast<uint32_t>(j);
            t.weight[static_cast<size_t>(i) * t.per + k] = q;
            given += q;
            if (w[k] > w[biggest]) biggest = k;
        }
        t.weight[static_cast<size_t>(i) * t.per + biggest] += kWeightOne - given;
    }
    if (t.per <= kMaxShortTaps) {
        t.weight8.resize(t.weight.size());
        for (uint32_t i = 0; i < dst; ++i) {
            const int32_t* w = &t.weight[static_cast<size_t>(i) * t.per];
            uint16_t* w8 = &t.weight8[static_cast<size_t>(i) * t.per];
            int32_t given = 0;
            uint32_t biggest = 0;
            for (uint32_t k = 0; k < t.per; ++k) {
                w8[k] = static_cast<uint16_t>((w[k] + (1 << (kWeightBits - 9))) >> (kWeightBits - 8));
                given += w8[k];
                if (w[k] > w[biggest]) biggest = k;
            }
            w8[biggest] = static_cast<uint16_t>(w8[biggest] + 256 - given);
        }
    }
    return t;
}

// One row of pixels filtered along x into dst.
void FilterRow(const uint32_t* src, uint32_t* dst, uint32_t dstWidth, const Taps& t)
{
    for (uint32_t x = 0; x < dstWidth; ++x) {
        const uint32_t* idx = &t.index[static_cast<size_t>(x) * t.per];
        const int32_t* w = &t.weight[static_cast<size_t>(x) * t.per];
        int32_t a = 0, r = 0, g = 0, b = 0;
        for (uint32_t k = 0; k < t.per; ++k) {
            const uint32_t p = src[idx[k]];
            a += w[k] * static_cast<int32_t>(p >> 24);
            r += w[k] * static_cast<int32_t>((p >> 16) & 255);
            g += w[k] * static_cast<int32_t>((p >> 8) & 255);
            b += w[k] * static_cast<int32_t>(p & 255);
        }
        auto c = [](int32_t v) {
            return static_cast<uint32_t>(std::clamp((v + kWeightOne / 2) >> kWeightBits, 0, 255));
        };
        dst[x] = (c(a) << 24) | (c(r) << 16) | (c(g) << 8) | c(b);
    }
}

// One destination row as the weighted sum of whole source rows; every byte of a pixel is
// weighted alike, so the rows are summed as bytes.
// The same with weights in 1/256ths: every sum fits 16 bits (255 x 256 + 128), so the loops run
// eight bytes to a vector register.
void BlendRowsShort(const uint32_t* const* rows, const uint16_t* w, uint32_t count, uint32_t* dst, uint32_t width,
                    std::vector<uint16_t>& acc)
{
    auto* out = reinterpret_cast<uint8_t*>(dst);
    const size_t bytes = static_cast<size_t>(width) * 4;
    // Most rows of an enlargement or a mild reduction take two or three source rows: those are
    // summed in one pass, with the same sums as the general loop below.
    const uint8_t* in[kMaxShortTaps];
    uint16_t wt[kMaxShortTaps];
    uint32_t used = 0;
    for (uint32_t k = 0; k < count && used < kMaxShortTaps; ++k) {
        if (w[k] == 0) continue;
        in[used] = reinterpret_cast<const uint8_t*>(rows[k]);
        wt[used++] = w[k];
    }
    if (used == 2) {
        const uint8_t *p0 = in[0], *p1 = in[1];
        const uint16_t w0 = wt[0], w1 = wt[1];
        for (size_t i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>(static_cast<uint16_t>(128 + w0 * p0[i] + w1 * p1[i]) >> 8);
        return;
    }
    if (used == 3) {
        const uint8_t *p0 = in[0], *p1 = in[1], *p2 = in[2];
        const uint16_t w0 = wt[0], w1 = wt[1], w2 = wt[2];
        for (size_t i = 0; i < bytes; ++i)
            out[i] = static_cast<uint8_t>(static_cast<uint16_t>(128 + w0 * p0[i] + w1 * p1[i] + w2 * p2[i]) >> 8);
        return;
    }
    uint16_t* a = acc.data();
    bool first = true;
    for (uint32_t k = 0; k < count; ++k) {
        if (w[k] == 0) continue;
        const auto* in = reinterpret_cast<const uint8_t*>(rows[k]);
        const uint16_t wk = w[k];
        if (first) {
            if (wk == 256) {
                std::memcpy(out, in, bytes);
                return;
            }
            for (size_t i = 0; i < bytes; ++i) a[i] = static_cast<uint16_t>(128 + wk * in[i]);
            first = false;
        } else {
            for (size_t i = 0; i < bytes; ++i) a[i] = static_cast<uint16_t>(a[i] + wk * in[i]);
        }
    }
    for (size_t i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>(a[i] >> 8);
}

void BlendRows(const uint32_t* const* rows, const int32_t* w, uint32_t count, uint32_t* dst, uint32_t width,
               std::vector<int32_t>& acc)
{
    auto* out = reinterpret_cast<uint8_t*>(dst);
    const size_t bytes = static_cast<size_t>(width) * 4;
    int32_t* a = acc.data();
    bool first = true;
    for (uint32_t k = 0; k < count; ++k) {
        if (w[k] == 0) continue;
        const auto* in = reinterpret_cast<const uint8_t*>(rows[k]);
        const int32_t wk = w[k];
        if (first) {
            if (wk == kWeightOne) {
                std::memcpy(out, in, bytes);
                return;
            }
            for (size_t i = 0; i < bytes; ++i) a[i] = kWeightOne / 2 + wk * in[i];
            first = false;
        } else {
            for (size_t i = 0; i < bytes; ++i) a[i] += wk * in[i];
        }
    }
    // Weights are never negative and sum to one: the result needs no clamping below zero.
    for (size_t i = 0; i < bytes; ++i) {
        const int32_t v = a[i] >> kWeightBits;
        out[i] = static_cast<uint8_t>(v > 255 ? 255 : v);
    }
}

void ApplyColorKey(uint32_t* pixels, uint32_t width, uint32_t height, size_t pitch, GxColor key)
{
    if (key == 0) return;
    for (uint32_t y = 0; y < height; ++y) {
        uint32_t* row = pixels + static_cast<size_t>(y) * pitch;
        for (uint32_t x = 0; x < width; ++x)
            if (row[x] == key) row[x] = 0;
    }
}

// 0xAARRGGBB rows into the rows of a locked rectangle of format f.
void StoreRows(const uint32_t* src, size_t srcPitch, uint32_t width, uint32_t height, GxFormat f, uint8_t* dst,
               int32_t dstPitch)
{
    const uint32_t bpp = GxFormatBytesPerPixel(f);
    for (uint32_t y = 0; y < height; ++y) {
        const uint32_t* in = src + static_cast<size_t>(y) * srcPitch;
        uint8_t* out = dst + static_cast<ptrdiff_t>(y) * dstPitch;
        if (f == GXFMT_A8R8G8B8 || f == GXFMT_X8R8G8B8) {
            std::memcpy(out, in, static_cast<size_t>(width) * 4);
        } else {
            for (uint32_t x = 0; x < width; ++x) GxArgbToPixel(f, in[x], out + static_cast<size_t>(x) * bpp);
        }
    }
}

void LoadRows(const uint8_t* src, int32_t srcPitch, uint32_t width, uint32_t height, GxFormat f, uint32_t* dst,
              size_t dstPitch)
{
    const uint32_t bpp = GxFormatBytesPerPixel(f);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* in = src + static_cast<ptrdiff_t>(y) * srcPitch;
        uint32_t* out = dst + static_cast<size_t>(y) * dstPitch;
        for (uint32_t x = 0; x < width; ++x) out[x] = GxPixelToArgb(f, in + static_cast<size_t>(x) * bpp);
    }
}

bool Allocate(std::vector<uint32_t>& v, uint64_t words)
{
    try {
        v.assign(static_cast<size_t>(words), 0u);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

uint32_t MaxSide(GxDevice* device)
{
    GxDeviceCaps caps;
    if (device && GxSucceeded(device->GetDeviceCaps(&caps)) && caps.MaxTextureWidth && caps.MaxTextureHeight)
        return std::min(caps.MaxTextureWidth, caps.MaxTextureHeight);
    return GX_PICTURE_MAX_SIDE;
}

// A 0xAARRGGBB picture (already keyed) placed into a locked rectangle by the filter rule.
bool Place(const uint32_t* src, uint32_t sw, uint32_t sh, size_t srcPitch, uint32_t filter, GxFormat f,
           uint8_t* dst, int32_t dstPitch, uint32_t dw, uint32_t dh)
{
    std::vector<uint32_t> work;
    if (filter == GXPIC_FILTER_NONE) {
        const uint32_t cw = std::min(sw, dw), ch = std::min(sh, dh);
        StoreRows(src, srcPitch, cw, ch, f, dst, dstPitch);
        // Outside the picture: transparent black.
        const uint32_t bpp = GxFormatBytesPerPixel(f);
        for (uint32_t y = 0; y < dh; ++y) {
            uint8_t* row = dst + static_cast<ptrdiff_t>(y) * dstPitch;
            if (y < ch) std::memset(row + static_cast<size_t>(cw) * bpp, 0, static_cast<size_t>(dw - cw) * bpp);
            else std::memset(row, 0, static_cast<size_t>(dw) * bpp);
        }
        return true;
    }
    if (sw == dw && sh == dh) {
        StoreRows(src, srcPitch, sw, sh, f, dst, dstPitch);
        return true;
    }
    if (GxFormatBytesPerPixel(f) == 4 && dstPitch > 0 && dstPitch % 4 == 0) {
        // 32-bit destinations take the resampled rows directly.
        GxPictureResample(src, sw, sh, srcPitch, reinterpret_cast<uint32_t*>(dst), dw, dh,
                          static_cast<size_t>(dstPitch) / 4, filter);
        return true;
    }
    if (!Allocate(work, static_cast<uint64_t>(dw) * dh)) return false;
    GxPictureResample(src, sw, sh, srcPitch, work.data(), dw, dh, dw, filter);
    StoreRows(work.data(), dw, dw, dh, f, dst, dstPitch);
    return true;
}

// Level `level` of a texture made from the level above with a 2 x 2 box.
GxResult MakeMipLevel(GxDeviceTexture* texture, uint32_t level)
{
    GxSurfaceDesc above, below;
    texture->GetLevelDesc(level - 1, &above);
    texture->GetLevelDesc(level, &below);
    GxLockedRect from, to;
    GxResult r = texture->LockRect(level - 1, &from, nullptr, GXLOCK_READONLY);
    if (GxFailed(r)) return r;
    r = texture->LockRect(level, &to, nullptr, 0);
    if (GxFailed(r)) {
        texture->UnlockRect(level - 1);
        return r;
    }
    const GxFormat f = above.Format;
    const uint32_t bpp = GxFormatBytesPerPixel(f);
    const auto* src = static_cast<const uint8_t*>(from.pBits);
    auto* dst = static_cast<uint8_t*>(to.pBits);
    for (uint32_t y = 0; y < below.Height; ++y) {
        const uint32_t y0 = std::min(2 * y, above.Height - 1), y1 = std::min(2 * y + 1, above.Height - 1);
        for (uint32_t x = 0; x < below.Width; ++x) {
            const uint32_t x0 = std::min(2 * x, above.Width - 1), x1 = std::min(2 * x + 1, above.Width - 1);
            uint32_t p[4] = {
                GxPixelToArgb(f, src + static_cast<size_t>(y0) * from.Pitch + static_cast<size_t>(x0) * bpp),
                GxPixelToArgb(f, src + static_cast<size_t>(y0) * from.Pitch + static_cast<size_t>(x1) * bpp),
                GxPixelToArgb(f, src + static_cast<size_t>(y1) * from.Pitch + static_cast<size_t>(x0) * bpp),
                GxPixelToArgb(f, src + static_cast<size_t>(y1) * from.Pitch + static_cast<size_t>(x1) * bpp)};
            uint32_t out = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                uint32_t sum = 0;
                for (uint32_t v : p) sum += (v >> shift) & 255;
                out |= ((sum + 2) / 4) << shift;
            }
            GxArgbToPixel(f, out, dst + static_cast<size_t>(y) * to.Pitch + static_cast<size_t>(x) * bpp);
        }
    }
    texture->UnlockRect(level);
    texture->UnlockRect(level - 1);
    return GX_OK;
}

void SetError(std::string* error, const std::string& text)
{
    if (error) *error = text;
}

}  // namespace

void GxPictureResample(const uint32_t* src, uint32_t sw, uint32_t sh, size_t srcPitch, uint32_t* dst, uint32_t dw,
                       uint32_t dh, size_t dstPitch, uint32_t filter)
{
    if (sw == 0 || sh == 0 || dw == 0 || dh == 0) return;
    // Along x into a picture of dw x sh, then along y.
    std::vector<uint32_t> across;
    const uint32_t* mid = src;
    size_t midPitch = srcPitch;
    if (sw != dw) {
        Taps tx = BuildTaps(sw, dw, filter);
        across.resize(static_cast<size_t>(dw) * sh);
        for (uint32_t y = 0; y < sh; ++y)
            FilterRow(src + static_cast<size_t>(y) * srcPitch, across.data() + static_cast<size_t>(y) * dw, dw, tx);
        mid = across.data();
        midPitch = dw;
    }
    Taps ty = BuildTaps(sh, dh, sh == dh ? GXPIC_FILTER_POINT : filter);
    std::vector<const uint32_t*> rows(ty.per);
    std::vector<int32_t> acc;
    std::vector<uint16_t> acc16;
    if (ty.weight8.empty()) acc.resize(static_cast<size_t>(dw) * 4);
    else acc16.resize(static_cast<size_t>(dw) * 4);
    for (uint32_t y = 0; y < dh; ++y) {
        for (uint32_t k = 0; k < ty.per; ++k)
            rows[k] = mid + static_cast<size_t>(ty.index[static_cast<size_t>(y) * ty.per + k]) * midPitch;
        uint32_t* out = dst + static_cast<size_t>(y) * dstPitch;
        if (ty.weight8.empty())
            BlendRows(rows.data(), &ty.weight[static_cast<size_t>(y) * ty.per], ty.per, out, dw, acc);
        else
            BlendRowsShort(rows.data(), &ty.weight8[static_cast<size_t>(y) * ty.per], ty.per, out, dw, acc16);
    }
}

GxResult GxPictureBuildMipLevels(GxDeviceTexture* texture)
{
    if (!texture) return GXERR_INVALIDCALL;
    for (uint32_t level = 1; level < texture->GetLevelCount(); ++level) {
        GxResult r = MakeMipLevel(texture, level);
        if (GxFailed(r)) return r;
    }
    return GX_OK;
}

GxResult GxPictureGetInfo(const void* data, uint32_t size, GxPictureInfo* info, std::string* error)
{
    if (!data || size == 0 || !info) return GXERR_INVALIDCALL;
    return GxPictureProbe(data, size, info, error) ? GX_OK : GXERR_INVALIDDATA;
}

GxResult GxPictureCreateTexture(GxDevice* device, const void* data, uint32_t size, uint32_t width, uint32_t height,
                                uint32_t mipLevels, uint32_t usage, GxFormat format, GxPool pool, uint32_t filter,
                                uint32_t mipFilter, GxColor colorKey, GxPictureInfo* info,
                                GxDeviceTexture** texture, std::string* error)
{
    if (texture) *texture = nullptr;
    if (!device || !data || size == 0 || !texture) return GXERR_INVALIDCALL;
    GxPictureInfo pic;
    if (!GxPictureProbe(data, size, &pic, error)) return GXERR_INVALIDDATA;
    const uint32_t maxSide = MaxSide(device);
    if (pic.width > maxSide || pic.height > maxSide) {
        SetError(error, "picture larger than the texture limit");
        return GXERR_INVALIDDATA;
    }
    if (width == 0 || width == GXPIC_DEFAULT) width = pic.width;
    if (height == 0 || height == GXPIC_DEFAULT) height = pic.height;
    if (mipLevels == GXPIC_DEFAULT) mipLevels = 0;
    if (format == GXFMT_UNKNOWN) format = GXFMT_A8R8G8B8;
    if (filter == GXPIC_DEFAULT) filter = GXPIC_FILTER_TRIANGLE;
    (void)mipFilter;  // lower levels are always made with a box
    filter &= 0xFF;
    if (filter < GXPIC_FILTER_NONE || filter > GXPIC_FILTER_BOX) return GXERR_INVALIDCALL;

    GxDeviceTexture* made = nullptr;
    GxResult r = device->CreateTexture(width, height, mipLevels, usage, format, pool, &made);
    if (GxFailed(r)) return r;
    // A texture the CPU may not touch is filled through a system-memory copy.
    GxDeviceTexture* target = made;
    GxDeviceTexture* staging = nullptr;
    if (pool == GXPOOL_DEFAULT && !(usage & GXUSAGE_DYNAMIC)) {
        r = device->CreateTexture(width, height, made->GetLevelCount(), 0, format, GXPOOL_SYSTEMMEM, &staging);
        if (GxFailed(r)) {
            made->Release();
            return r;
        }
        target = staging;
    }
    auto fail = [&](GxResult why) {
        GxSafeRelease(staging);
        made->Release();
        return why;
    };

    GxLockedRect locked;
    r = target->LockRect(0, &locked, nullptr, 0);
    if (GxFailed(r)) return fail(r);
    auto* bits = static_cast<uint8_t*>(locked.pBits);
    const bool direct32 = (format == GXFMT_A8R8G8B8 || format == GXFMT_X8R8G8B8) && pic.width <= width &&
                          pic.height <= height &&
                          (filter == GXPIC_FILTER_NONE || (pic.width == width && pic.height == height));
    bool ok;
    if (direct32) {
        // The common case: decode straight into the texture; the fresh texture is already
        // transparent black outside the picture.
        const size_t pitch = static_cast<size_t>(locked.Pitch) / 4;
        auto* words = reinterpret_cast<uint32_t*>(bits);
        ok = GxPictureDecodeTo(data, size, pic, maxSide, GxPictureRows{words, pitch}, error);
        if (ok) ApplyColorKey(words, pic.width, pic.height, pitch, colorKey);
    } else {
        GxPixelImage image;
        ok = GxPictureDecode(data, size, maxSide, &image, nullptr, error);
        if (ok) {
            ApplyColorKey(image.pixels.data(), image.width, image.height, image.width, colorKey);
            ok = Place(image.pixels.data(), image.width, image.height, image.width, filter, format, bits,
                       locked.Pitch, width, height);
            if (!ok) SetError(error, "out of memory");
        }
    }
    GxResult unlocked = target->UnlockRect(0);
    if (!ok) return fail(GXERR_INVALIDDATA);
    if (GxFailed(unlocked)) return fail(unlocked);
    r = GxPictureBuildMipLevels(target);
    if (GxFailed(r)) return fail(r);
    if (staging) {
        r = device->UpdateTexture(staging, made);
        if (GxFailed(r)) return fail(r);
        GxSafeRelease(staging);
    }
    if (info) *info = pic;
    *texture = made;
    return GX_OK;
}

GxResult GxPictureLoadSurface(GxDeviceSurface* dest, const GxRectL* destRect, const void* data, uint32_t size,
                              const GxRectL* srcRect, uint32_t filter, GxColor colorKey, GxPictureInfo* info,
                              std::string* error)
{
    if (!dest || !data || size == 0) return GXERR_INVALIDCALL;
    GxSurfaceDesc desc;
    GxResult r = dest->GetDesc(&desc);
    if (GxFailed(r)) return r;
    if (filter == GXPIC_DEFAULT) filter = GXPIC_FILTER_TRIANGLE;
    filter &= 0xFF;
    if (filter < GXPIC_FILTER_NONE || filter > GXPIC_FILTER_BOX || GxFormatBytesPerPixel(desc.Format) == 0)
        return GXERR_INVALIDCALL;
    GxPixelImage image;
    GxPictureInfo pic;
    if (!GxPictureDecode(data, size, GX_PICTURE_MAX_SIDE, &image, &pic, error)) return GXERR_INVALIDDATA;
    GxRectL sr = srcRect ? *srcRect
                         : GxRectL{0, 0, static_cast<int32_t>(image.width), static_cast<int32_t>(image.height)};
    if (sr.left < 0 || sr.top < 0 || sr.left >= sr.right || sr.top >= sr.bottom ||
        static_cast<uint32_t>(sr.right) > image.width || static_cast<uint32_t>(sr.bottom) > image.height)
        return GXERR_INVALIDCALL;
    GxRectL dr = destRect ? *destRect
                          : GxRectL{0, 0, static_cast<int32_t>(desc.Width), static_cast<int32_t>(desc.Height)};
    GxLockedRect locked;
    r = dest->LockRect(&locked, &dr, 0);
    if (GxFailed(r)) return r;
    const uint32_t* first = image.pixels.data() + static_cast<size_t>(sr.top) * image.width + sr.left;
    const uint32_t sw = static_cast<uint32_t>(sr.right - sr.left), sh = static_cast<uint32_t>(sr.bottom - sr.top);
    // The key applies to the picture's own pixels, before any filtering.
    ApplyColorKey(const_cast<uint32_t*>(first), sw, sh, image.width, colorKey);
    bool ok = Place(first, sw, sh, image.width, filter, desc.Format, static_cast<uint8_t*>(locked.pBits),
                    locked.Pitch, static_cast<uint32_t>(dr.right - dr.left), static_cast<uint32_t>(dr.bottom - dr.top));
    dest->UnlockRect();
    if (!ok) return GXERR_OUTOFMEMORY;
    if (info) *info = pic;
    return GX_OK;
}

GxResult GxPictureLoadSurfaceFromSurface(GxDeviceSurface* dest, const GxRectL* destRect, GxDeviceSurface* source,
                                         const GxRectL* srcRect, uint32_t filter, GxColor colorKey)
{
    if (!dest || !source) return GXERR_INVALIDCALL;
    GxSurfaceDesc dd, sd;
    if (GxFailed(dest->GetDesc(&dd)) || GxFailed(source->GetDesc(&sd))) return GXERR_INVALIDCALL;
    if (filter == GXPIC_DEFAULT) filter = GXPIC_FILTER_TRIANGLE;
    filter &= 0xFF;
    if (filter < GXPIC_FILTER_NONE || filter > GXPIC_FILTER_BOX || GxFormatBytesPerPixel(dd.Format) == 0 ||
        GxFormatBytesPerPixel(sd.Format) == 0)
        return GXERR_INVALIDCALL;
    GxRectL sr = srcRect ? *srcRect : GxRectL{0, 0, static_cast<int32_t>(sd.Width), static_cast<int32_t>(sd.Height)};
    GxRectL dr = destRect ? *destRect : GxRectL{0, 0, static_cast<int32_t>(dd.Width), static_cast<int32_t>(dd.Height)};
    GxLockedRect from;
    GxResult r = source->LockRect(&from, &sr, GXLOCK_READONLY);
    if (GxFailed(r)) return r;
    const uint32_t sw = static_cast<uint32_t>(sr.right - sr.left), sh = static_cast<uint32_t>(sr.bottom - sr.top);
    std::vector<uint32_t> block;
    if (!Allocate(block, static_cast<uint64_t>(sw) * sh)) {
        source->UnlockRect();
        return GXERR_OUTOFMEMORY;
    }
    LoadRows(static_cast<const uint8_t*>(from.pBits), from.Pitch, sw, sh, sd.Format, block.data(), sw);
    source->UnlockRect();
    ApplyColorKey(block.data(), sw, sh, sw, colorKey);
    GxLockedRect to;
    r = dest->LockRect(&to, &dr, 0);
    if (GxFailed(r)) return r;
    bool ok = Place(block.data(), sw, sh, sw, filter, dd.Format, static_cast<uint8_t*>(to.pBits), to.Pitch,
                    static_cast<uint32_t>(dr.right - dr.left), static_cast<uint32_t>(dr.bottom - dr.top));
    dest->UnlockRect();
    return ok ? GX_OK : GXERR_OUTOFMEMORY;
}

GxResult GxPictureSaveSurface(const std::string& nativePath, GxPictureFileFormat format, GxDeviceSurface* surface,
                              const GxRectL* rect)
{
    if (!surface || format != GXPIC_PNG) return GXERR_INVALIDCALL;
    GxSurfaceDesc d;
    if (GxFailed(surface->GetDesc(&d)) || GxFormatBytesPerPixel(d.Format) == 0) return GXERR_INVALIDCALL;
    GxRectL r = rect ? *rect : GxRectL{0, 0, static_cast<int32_t>(d.Width), static_cast<int32_t>(d.Height)};
    GxLockedRect locked;
    GxResult res = surface->LockRect(&locked, &r, GXLOCK_READONLY);
    if (GxFailed(res)) return res;
    const uint32_t w = static_cast<uint32_t>(r.right - r.left), h = static_cast<uint32_t>(r.bottom - r.top);
    std::vector<uint32_t> pixels;
    bool ok = Allocate(pixels, static_cast<uint64_t>(w) * h);
    if (ok) LoadRows(static_cast<const uint8_t*>(locked.pBits), locked.Pitch, w, h, d.Format, pixels.data(), w);
    surface->UnlockRect();
    if (!ok) return GXERR_OUTOFMEMORY;
    return GxPngWrite(nativePath, w, h, pixels.data(), w, nullptr) ? GX_OK : GXERR_FAIL;
}

GxResult GxPictureSaveTexture(const std::string& nativePath, GxPictureFileFormat format, GxDeviceTexture* texture)
{
    if (!texture) return GXERR_INVALIDCALL;
    GxDeviceSurface* surface = nullptr;
    GxResult r = texture->GetSurfaceLevel(0, &surface);
    if (GxFailed(r)) return r;
    r = GxPictureSaveSurface(nativePath, format, surface, nullptr);
    surface->Release();
    return r;
}
