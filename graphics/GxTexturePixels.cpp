// GxTexture's pixels: locking, filling and scrolling, copies between textures, the device and
// memory copies of a render target, reading a pixel and saving to a file.
#include "graphics/GxTexture.h"

#include <algorithm>
#include <cstring>

#include "core/GxLog.h"
#include "core/GxString.h"
#include "graphics/GxGraphics.h"
#include "platform/GxPictureLoad.h"

namespace {

// A whole pixel row run of one colour in the stored layout of f.
void FillPixels(uint8_t* row, uint32_t count, GxFormat f, GxColor color)
{
    if (GxIs32BitFormat(f)) {
        auto* p = reinterpret_cast<uint32_t*>(row);
        std::fill_n(p, count, color);
    } else if (GxIs16BitFormat(f)) {
        auto* p = reinterpret_cast<uint16_t*>(row);
        std::fill_n(p, count, GxColor32To16(color));
    } else {
        // Any other stored format takes the colour in its own layout, one pixel at a time.
        const uint32_t bpp = GxFormatBytesPerPixel(f);
        for (uint32_t i = 0; i < count; ++i) GxArgbToPixel(f, color, row + static_cast<size_t>(i) * bpp);
    }
}
}  // namespace

// ---- Pixel access -------------------------------------------------------------------------------

bool GxTexture::LockRect(const GxRectL* rect, void** bits, int32_t* pitch, uint32_t* width, uint32_t* height,
                         GxFormat* format, bool readOnly)
{
    if (!m_pTexture || !GxGraphics::GetDevice()) return false;
    if (m_Locked) {
        GxPrintSlightErrorLog(u"Error/Texture LockRect Failed(Name:\"%s\" Size:%d,%d Texture Already Locked)\n",
                              m_Name, m_Width, m_Height);
        return false;
    }
    TransferRenderTargetToMemory();
    GxDeviceTexture* target = CpuTexture();
    GxLockedRect locked;
    GxResult r = target ? target->LockRect(0, &locked, rect, readOnly ? GXLOCK_READONLY : 0) : GXERR_INVALIDCALL;
    if (GxFailed(r)) {
        GxPrintSlightErrorLog(u"Error/Texture LockRect Failed(Name:\"%s\" Size:%d,%d %s)\n", m_Name, m_Width,
                              m_Height, GxGraphics::GetD3DErrorString(r));
        return false;
    }
    m_Locked = true;
    if (bits) *bits = locked.pBits;
    if (pitch) *pitch = locked.Pitch;
    if (width) *width = rect ? static_cast<uint32_t>(rect->right - rect->left) : m_Width;
    if (height) *height = rect ? static_cast<uint32_t>(rect->bottom - rect->top) : m_Height;
    if (format) *format = m_Format;
    return true;
}

bool GxTexture::UnlockRect()
{
    if (!m_pTexture || !GxGraphics::GetDevice() || !m_Locked) return false;
    GxDeviceTexture* target = CpuTexture();
    if (target) target->UnlockRect(0);
    m_Locked = false;
    return true;
}

bool GxTexture::Fill(GxColor color) { return FillRect(nullptr, color); }

bool GxTexture::FillRect(const GxRectL* rect, GxColor color)
{
    if (!m_pTexture || !GxGraphics::GetDevice()) return false;
    const int32_t w = static_cast<int32_t>(m_Width), h = static_cast<int32_t>(m_Height);
    GxRectL r = rect ? *rect : GxRectL{0, 0, w, h};
    r.left = std::clamp(r.left, 0, w);
    r.right = std::clamp(r.right, 0, w);
    r.top = std::clamp(r.top, 0, h);
    r.bottom = std::clamp(r.bottom, 0, h);
    // Nothing of the rectangle lies on the texture.
    if (r.left >= r.right || r.top >= r.bottom) return true;
    void* bits = nullptr;
    int32_t pitch = 0;
    if (!LockRect(&r, &bits, &pitch, nullptr, nullptr, nullptr, false)) return false;
    for (int32_t y = 0; y < r.bottom - r.top; ++y)
        FillPixels(static_cast<uint8_t*>(bits) + static_cast<ptrdiff_t>(y) * pitch,
                   static_cast<uint32_t>(r.right - r.left), m_Format, color);
    UnlockRect();
    UpdateTexture();
    return true;
}

bool GxTexture::FillRectMapped(const GxRectL& rect, GxColor color)
{
    const float w = static_cast<float>(m_Width), h = static_cast<float>(m_Height);
    GxRectL r{static_cast<int32_t>(GetU(static_cast<float>(rect.left)) * w),
              static_cast<int32_t>(GetV(static_cast<float>(rect.top)) * h),
              static_cast<int32_t>(GetU(static_cast<float>(rect.right)) * w),
              static_cast<int32_t>(GetV(static_cast<float>(rect.bottom)) * h)};
    return FillRect(&r, color);
}

bool GxTexture::Scroll(int32_t rows, GxColor color)
{
    void* bits = nullptr;
    int32_t pitch = 0;
    if (!LockRect(nullptr, &bits, &pitch, nullptr, nullptr, nullptr, false)) return false;
    auto* base = static_cast<uint8_t*>(bits);
    const int64_t h = m_Height;
    const size_t rowBytes = static_cast<size_t>(m_Width) * GxFormatBytesPerPixel(m_Format);
    auto row = [&](int64_t i) { return base + static_cast<ptrdiff_t>(i) * pitch; };
    // A count of the height or more either way uncovers every row.
    const int64_t n = std::clamp<int64_t>(rows, -h, h);
    if (n < 0) {
        const int64_t up = -n;
        for (int64_t i = 0; i + up < h; ++i) std::memcpy(row(i), row(i + up), rowBytes);
        for (int64_t i = h - up; i < h; ++i) FillPixels(row(i), m_Width, m_Format, color);
    } else if (n > 0) {
        for (int64_t r = h - n - 1; r >= 0; --r) std::memcpy(row(r + n), row(r), rowBytes);
        for (int64_t i = 0; i < n; ++i) FillPixels(row(i), m_Width, m_Format, color);
    }
    UnlockRect();
    UpdateTexture();
    return true;
}

bool GxTexture::StretchRect(const GxRectL* destRect, GxTexture* source, const GxRectL* sourceRect,
                            GxTextureFilter filter)
{
    GxDevice* device = GxGraphics::GetDevice();
    if (!device || !m_pTexture || !source || !source->m_pTexture) return false;
    GxDeviceSurface* from = nullptr;
    GxDeviceSurface* to = nullptr;
    source->m_pTexture->GetSurfaceLevel(0, &from);
    m_pTexture->GetSurfaceLevel(0, &to);
    GxResult r = from && to ? device->StretchRect(from, sourceRect, to, destRect, filter) : GXERR_INVALIDCALL;
    GxSafeRelease(from);
    GxSafeRelease(to);
    return GxSucceeded(r);
}

void GxTexture::GetSurfaceLevel(GxDeviceSurface** surface)
{
    if (!surface) return;
    *surface = nullptr;
    if (m_pTexture) m_pTexture->GetSurfaceLevel(0, surface);
}

void GxTexture::GetMemorySurfaceLevel(GxDeviceSurface** surface)
{
    if (!surface) return;
    *surface = nullptr;
    if (m_pMemoryTexture) m_pMemoryTexture->GetSurfaceLevel(0, surface);
    else if (m_Pool == GXPOOL_MANAGED && m_pTexture) m_pTexture->GetSurfaceLevel(0, surface);
}

void GxTexture::GetTexture(GxDeviceTexture** texture)
{
    if (!texture) return;
    *texture = m_pTexture;
    if (m_pTexture) m_pTexture->AddRef();
}

void GxTexture::GetMemoryTexture(GxDeviceTexture** texture)
{
    if (!texture) return;
    *texture = nullptr;
    if (m_pMemoryTexture) {
        *texture = m_pMemoryTexture;
        m_pMemoryTexture->AddRef();
    } else if (m_Pool == GXPOOL_MANAGED) {
        GetTexture(texture);
    }
}

bool GxTexture::TransferRenderTargetToMemory()
{
    GxDevice* device = GxGraphics::GetDevice();
    if (!device || !m_pTexture || !m_pMemoryTexture || m_ObjectType != OBJTYPE_RENDERTARGET) return false;
    GxDeviceSurface* target = nullptr;
    GxResult r = m_pTexture->GetSurfaceLevel(0, &target);
    if (GxFailed(r)) {
        GxPrintSlightErrorLog(u"Error/Texture TransferRenderTargetToMemory GetSurfaceLevel Failed(Type:m_pTexture "
                              u"Name:\"%s\" Size:%d,%d %s)\n",
                              m_Name, m_Width, m_Height, GxGraphics::GetD3DErrorString(r));
        return false;
    }
    GxDeviceSurface* memory = nullptr;
    r = m_pMemoryTexture->GetSurfaceLevel(0, &memory);
    if (GxFailed(r)) {
        GxPrintSlightErrorLog(u"Error/Texture TransferRenderTargetToMemory GetSurfaceLevel "
                              u"Failed(Type:m_pMemoryTexture Name:\"%s\" Size:%d,%d %s)\n",
                              m_Name, m_Width, m_Height, GxGraphics::GetD3DErrorString(r));
        target->Release();
        return false;
    }
    r = device->GetRenderTargetData(target, memory);
    target->Release();
    memory->Release();
    if (GxFailed(r)) {
        GxPrintSlightErrorLog(u"Error/Texture TransferRenderTargetToMemory GetRenderTargetData "
                              u"Failed(Type:m_pMemoryTexture Name:\"%s\" Size:%d,%d %s)\n",
                              m_Name, m_Width, m_Height, GxGraphics::GetD3DErrorString(r));
        return false;
    }
    return true;
}

bool GxTexture::UpdateTexture()
{
    GxDevice* device = GxGraphics::GetDevice();
    if (!device || !m_pTexture || !m_pMemoryTexture) return false;
    m_pMemoryTexture->AddDirtyRect(nullptr);
    m_pTexture->AddDirtyRect(nullptr);
    GxResult r = device->UpdateTexture(m_pMemoryTexture, m_pTexture);
    if (GxFailed(r)) {
        GxPrintSlightErrorLog(u"Error/Texture UpdateTexture Failed(Name:\"%s\" Size:%d,%d %s)\n", m_Name, m_Width,
                              m_Height, GxGraphics::GetD3DErrorString(r));
        return false;
    }
    return true;
}

bool GxTexture::SaveToFile(std::u16string_view path)
{
    if (!GxGraphics::GetDevice() || !m_pTexture) return false;
    TransferRenderTargetToMemory();
    GxDeviceTexture* source = m_Pool == GXPOOL_DEFAULT ? m_pMemoryTexture : m_pTexture;
    GxResult r = source ? GxPictureSaveTexture(GxPathToNative(path), GXPIC_PNG, source) : GXERR_INVALIDCALL;
    if (GxFailed(r)) {
        GxPrintErrorLog(u"Error/Texture SaveToFile Failed(Name:\"%s\" Size:%d,%d %s)\n", m_Name, m_Width, m_Height,
                        GxGraphics::GetD3DErrorString(r));
        return false;
    }
    return true;
}

bool GxTexture::SaveToFileA(std::string_view path) { return SaveToFile(GxAnsiToWide(path)); }

GxColor GxTexture::GetPixel(uint32_t x, uint32_t y)
{
    if (!GxGraphics::GetDevice() || !m_pTexture || x >= m_Width || y >= m_Height) return 0;
    TransferRenderTargetToMemory();
    GxDeviceTexture* target = CpuTexture();
    const GxRectL r{static_cast<int32_t>(x), static_cast<int32_t>(y), static_cast<int32_t>(x) + 1,
                    static_cast<int32_t>(y) + 1};
    GxLockedRect locked;
    GxResult res = target ? target->LockRect(0, &locked, &r, GXLOCK_READONLY) : GXERR_INVALIDCALL;
    if (GxFailed(res)) {
        GxPrintSlightErrorLog(u"Error/Texture GetPixel Failed(Name:\"%s\" Size:%d,%d %s)\n", m_Name, m_Width,
                              m_Height, GxGraphics::GetD3DErrorString(res));
        return 0;
    }
    GxColor c = 0;
    if (GxIs32BitFormat(m_Format)) c = *static_cast<const uint32_t*>(locked.pBits);
    else if (GxIs16BitFormat(m_Format)) c = GxColor16To32(*static_cast<const uint16_t*>(locked.pBits));
    target->UnlockRect(0);
    return c;
}

bool GxTexture::CopyRect(GxTexture* source, const GxRectL* rect, int32_t x, int32_t y)
{
    if (!source || !m_pTexture || !source->m_pTexture) return true;
    const int64_t sw = source->m_Width, sh = source->m_Height;
    int64_t left = rect ? rect->left : 0, top = rect ? rect->top : 0;
    int64_t right = rect ? rect->right : sw, bottom = rect ? rect->bottom : sh;
    // Cut to the source, then to this texture, on every side.
    right = std::min(right, sw);
    bottom = std::min(bottom, sh);
    int64_t dx = x, dy = y;
    if (left < 0) {
        dx -= left;
        left = 0;
    }
    if (top < 0) {
        dy -= top;
        top = 0;
    }
    if (dx < 0) {
        left -= dx;
        dx = 0;
    }
    if (dy < 0) {
        top -= dy;
        dy = 0;
    }
    right = std::min<int64_t>(right, left + (static_cast<int64_t>(m_Width) - dx));
    bottom = std::min<int64_t>(bottom, top + (static_cast<int64_t>(m_Height) - dy));
    if (left >= right || top >= bottom) return true;
    const GxRectL block{static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(right),
                        static_cast<int32_t>(bottom)};
    const int32_t px = static_cast<int32_t>(dx), py = static_cast<int32_t>(dy);
    const GxFormat mine = m_Format, theirs = source->m_Format;
    if (GxIs32BitFormat(mine) && GxIs32BitFormat(theirs)) CopyRect32To32(source, block, px, py);
    else if (GxIs16BitFormat(mine) && GxIs16BitFormat(theirs)) CopyRect16To16(source, block, px, py);
    else if (GxIs16BitFormat(mine) && GxIs32BitFormat(theirs)) CopyRect32To16(source, block, px, py);
    else if (GxIs32BitFormat(mine) && GxIs16BitFormat(theirs)) CopyRect16To32(source, block, px, py);
    return true;
}

namespace {

// Locks the block of the source and the same-sized block at x, y of the destination, calls
// copy(row of source, row of destination, width) for every row, and unlocks both.
template <typename Copy>
void CopyBlock(GxDeviceTexture* from, GxDeviceTexture* to, const GxRectL& block, int32_t x, int32_t y, Copy copy)
{
    if (!from || !to || from == to) return;
    const GxRectL dest{x, y, x + (block.right - block.left), y + (block.bottom - block.top)};
    GxLockedRect src, dst;
    if (GxFailed(from->LockRect(0, &src, &block, GXLOCK_READONLY))) return;
    if (GxFailed(to->LockRect(0, &dst, &dest, 0))) {
        from->UnlockRect(0);
        return;
    }
    const uint32_t w = static_cast<uint32_t>(block.right - block.left);
    for (int32_t row = 0; row < block.bottom - block.top; ++row)
        copy(static_cast<const uint8_t*>(src.pBits) + static_cast<ptrdiff_t>(row) * src.Pitch,
             static_cast<uint8_t*>(dst.pBits) + static_cast<ptrdiff_t>(row) * dst.Pitch, w);
    to->UnlockRect(0);
    from->UnlockRect(0);
}

}  // namespace

void GxTexture::CopyRect32To32(GxTexture* source, const GxRectL& block, int32_t x, int32_t y)
{
    CopyBlock(source->m_pTexture, m_pTexture, block, x, y,
              [](const uint8_t* in, uint8_t* out, uint32_t w) { std::memcpy(out, in, static_cast<size_t>(w) * 4); });
}

void GxTexture::CopyRect16To16(GxTexture* source, const GxRectL& block, int32_t x, int32_t y)
{
    CopyBlock(source->m_pTexture, m_pTexture, block, x, y,
              [](const uint8_t* in, uint8_t* out, uint32_t w) { std::memcpy(out, in, static_cast<size_t>(w) * 2); });
}

void GxTexture::CopyRect32To16(GxTexture* source, const GxRectL& block, int32_t x, int32_t y)
{
    CopyBlock(source->m_pTexture, m_pTexture, block, x, y, [](const uint8_t* in, uint8_t* out, uint32_t w) {
        const auto* s = reinterpret_cast<const uint32_t*>(in);
        auto* d = reinterpret_cast<uint16_t*>(out);
        for (uint32_t i = 0; i < w; ++i) d[i] = GxColor32To16(s[i]);
    });
}

void GxTexture::CopyRect16To32(GxTexture* source, const GxRectL& block, int32_t x, int32_t y)
{
    CopyBlock(source->m_pTexture, m_pTexture, block, x, y, [](const uint8_t* in, uint8_t* out, uint32_t w) {
        const auto* s = reinterpret_cast<const uint16_t*>(in);
        auto* d = reinterpret_cast<uint32_t*>(out);
        for (uint32_t i = 0; i < w; ++i) d[i] = GxColor16To32(s[i]);
    });
}
