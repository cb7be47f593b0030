#include "platform/GxDeviceCore.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <utility>
#include <vector>

#include "platform/GxDeviceCoreInternal.h"

using GxDeviceCoreInternal::Contains;
using GxDeviceCoreInternal::RectInside;

// ---- Textures -----------------------------------------------------------------------------------

namespace {

uint32_t FullChain(uint32_t width, uint32_t height)
{
    uint32_t n = 1;
    for (uint32_t s = std::max(width, height); s > 1; s >>= 1) ++n;
    return n;
}

// The largest level the engine may ask for: 16384 x 16384 x 4 bytes.
constexpr uint64_t kMaxLevelBytes = 1ull << 30;

}  // namespace

uint64_t GxDeviceCore::NextSerial()
{
    static std::atomic<uint64_t> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

GxCoreTexture::GxCoreTexture(GxDeviceCore* device, const GxSurfaceDesc& desc, uint32_t levels, bool standalone)
    : serial(GxDeviceCore::NextSerial()), m_Device(device), m_Desc(desc), m_Standalone(standalone)
{
    m_Levels.resize(levels);
    m_Surfaces.assign(levels, nullptr);
    uint32_t w = desc.Width, h = desc.Height;
    uint32_t bpp = GxFormatBytesPerPixel(desc.Format);
    for (auto& l : m_Levels) {
        l.width = w;
        l.height = h;
        l.pitch = w * bpp;
        w = std::max(1u, w / 2);
        h = std::max(1u, h / 2);
    }
}

GxCoreTexture::~GxCoreTexture()
{
    if (m_Device) m_Device->ForgetTexture(this);
    for (auto& l : m_Levels) std::free(l.bits);
}

bool GxCoreTexture::SizeAllowed() const
{
    for (const auto& l : m_Levels) {
        uint64_t bytes = static_cast<uint64_t>(l.pitch) * l.height;
        if (bytes == 0 || bytes > kMaxLevelBytes) return false;
    }
    return true;
}

uint8_t* GxCoreTexture::Bits(uint32_t level)
{
    Level& l = m_Levels[level];
    if (!l.bits) {
        l.bits = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(l.pitch) * l.height, 1));
        // The content made at its first use: it counts as the texture's first write.
        if (l.bits && level == 0) FillInto(l.bits);
    }
    return l.bits;
}

bool GxCoreTexture::FillInto(uint8_t* bits)
{
    if (!m_Fill) return false;
    ContentFill fill = std::move(m_Fill);
    m_Fill = nullptr;
    fill(bits, m_Levels[0].pitch);
    writes = std::max<uint32_t>(writes, 1);
    return true;
}

GxResult GxCoreTexture::SetContentOnUse(ContentFill fill)
{
    if (!m_Device || !fill || m_Levels.size() != 1 || m_Desc.Pool != GXPOOL_MANAGED || m_Levels[0].bits ||
        nativeTexture || writes != 0)
        return GXERR_INVALIDCALL;
    m_Fill = std::move(fill);
    return GX_OK;
}

bool GxCoreTexture::AnyLevelLocked() const
{
    for (const auto& l : m_Levels)
        if (l.locked) return true;
    return false;
}

GxResult GxCoreTexture::GetLevelDesc(uint32_t level, GxSurfaceDesc* desc)
{
    if (!desc || level >= m_Levels.size()) return GXERR_INVALIDCALL;
    *desc = m_Desc;
    desc->Width = m_Levels[level].width;
    desc->Height = m_Levels[level].height;
    return GX_OK;
}

GxResult GxCoreTexture::GetSurfaceLevel(uint32_t level, GxDeviceSurface** surface)
{
    if (!surface) return GXERR_INVALIDCALL;
    *surface = nullptr;
    if (level >= m_Levels.size()) return GXERR_INVALIDCALL;
    if (m_Surfaces[level]) {
        m_Surfaces[level]->AddRef();
    } else {
        m_Surfaces[level] = new GxCoreTextureSurface(this, level);
    }
    *surface = m_Surfaces[level];
    return GX_OK;
}

GxResult GxCoreTexture::LockRect(uint32_t level, GxLockedRect* locked, const GxRectL* rect, uint32_t flags)
{
    if (!m_Device || !locked || level >= m_Levels.size()) return GXERR_INVALIDCALL;
    // Default-pool resources are the GPU's own unless made dynamic (lockable render-target
    // surfaces are made so).
    bool lockable = m_Desc.Pool != GXPOOL_DEFAULT || (m_Desc.Usage & GXUSAGE_DYNAMIC);
    Level& l = m_Levels[level];
    if (!lockable || l.locked) return GXERR_INVALIDCALL;
    GxRectL r = rect ? *rect : GxRectL{0, 0, static_cast<int32_t>(l.width), static_cast<int32_t>(l.height)};
    if (!RectInside(r, l.width, l.height)) return GXERR_INVALIDCALL;
    GxResult sync = m_Device->SyncFromDevice(*this, level);
    if (GxFailed(sync)) return sync;
    if (!Bits(level)) return GXERR_OUTOFMEMORY;
    if ((flags & GXLOCK_READONLY) == 0) m_Device->TextureWillChange(*this);
    uint32_t bpp = GxFormatBytesPerPixel(m_Desc.Format);
    locked->Pitch = static_cast<int32_t>(l.pitch);
    locked->pBits = l.bits + static_cast<size_t>(r.top) * l.pitch + static_cast<size_t>(r.left) * bpp;
    l.locked = true;
    l.readOnly = (flags & GXLOCK_READONLY) != 0;
    l.lockRect = r;
    return GX_OK;
}

GxResult GxCoreTexture::UnlockRect(uint32_t level)
{
    if (!m_Device || level >= m_Levels.size()) return GXERR_INVALIDCALL;
    Level& l = m_Levels[level];
    if (!l.locked) return GXERR_INVALIDCALL;
    l.locked = false;
    if (l.readOnly || !HasDeviceCopy()) return GX_OK;
    ++writes;
    return m_Device->NativeUploadTexture(*this, level, l.lockRect);
}

// Every upload sends the pixels at once, so there is nothing to remember.
GxResult GxCoreTexture::AddDirtyRect(const GxRectL*) { return m_Device ? GX_OK : GXERR_INVALIDCALL; }

GxCoreTextureSurface::GxCoreTextureSurface(GxCoreTexture* texture, uint32_t level) : m_Texture(texture), m_Level(level)
{
    m_Texture->AddRef();
}

GxCoreTextureSurface::~GxCoreTextureSurface()
{
    m_Texture->m_Surfaces[m_Level] = nullptr;
    m_Texture->Release();
}

GxResult GxCoreTextureSurface::GetDesc(GxSurfaceDesc* desc) { return m_Texture->GetLevelDesc(m_Level, desc); }

GxResult GxCoreTextureSurface::LockRect(GxLockedRect* locked, const GxRectL* rect, uint32_t flags)
{
    return m_Texture->LockRect(m_Level, locked, rect, flags);
}

GxResult GxCoreTextureSurface::UnlockRect() { return m_Texture->UnlockRect(m_Level); }

GxResult GxDeviceCore::NativeCreateTexture(GxCoreTexture&) { return GX_OK; }
GxResult GxDeviceCore::NativeUploadTexture(GxCoreTexture&, uint32_t, const GxRectL&) { return GX_OK; }
GxResult GxDeviceCore::NativeDownloadTexture(GxCoreTexture& texture, uint32_t)
{
    texture.gpuNewer = false;
    return GX_OK;
}
void GxDeviceCore::NativeReleaseTexture(GxCoreTexture&) {}
void GxDeviceCore::NativeTextureWillChange(GxCoreTexture&) {}

void GxDeviceCore::TextureWillChange(GxCoreTexture& texture)
{
    ++texture.version;
    ++m_TextureChanges;
    NativeTextureWillChange(texture);
}

GxResult GxDeviceCore::NativeReadTexture(GxCoreTexture& texture, uint32_t level, GxPixelImage* image)
{
    GxCoreTexture::Level& l = texture.LevelAt(level);
    GxFormat f = texture.Desc().Format;
    uint32_t bpp = GxFormatBytesPerPixel(f);
    image->width = l.width;
    image->height = l.height;
    image->pixels.resize(static_cast<size_t>(l.width) * l.height);
    if (!texture.Bits(level)) return GXERR_OUTOFMEMORY;
    for (uint32_t y = 0; y < l.height; ++y)
        for (uint32_t x = 0; x < l.width; ++x)
            image->pixels[static_cast<size_t>(y) * l.width + x] =
                GxPixelToArgb(f, l.bits + static_cast<size_t>(y) * l.pitch + static_cast<size_t>(x) * bpp);
    return GX_OK;
}

GxResult GxDeviceCore::ReadTexture(GxDeviceTexture* texture, uint32_t level, GxPixelImage* image)
{
    GxCoreTexture* t = OwnTexture(texture);
    if (!t || !image || level >= t->GetLevelCount()) return GXERR_INVALIDCALL;
    return NativeReadTexture(*t, level, image);
}

GxCoreTextureSurface* GxDeviceCore::OwnTextureSurface(GxDeviceSurface* surface) const
{
    auto* s = dynamic_cast<GxCoreTextureSurface*>(surface);
    return s && s->Texture()->Device() == this ? s : nullptr;
}

GxCoreTexture* GxDeviceCore::OwnTexture(GxDeviceTexture* texture) const
{
    auto* t = dynamic_cast<GxCoreTexture*>(texture);
    return t && t->Device() == this ? t : nullptr;
}

GxResult GxDeviceCore::SyncFromDevice(GxCoreTexture& texture, uint32_t level)
{
    if (!texture.gpuNewer) return GX_OK;
    if (!texture.Bits(level)) return GXERR_OUTOFMEMORY;
    return NativeDownloadTexture(texture, level);
}

void GxDeviceCore::AddLiveTexture(GxCoreTexture* texture)
{
    m_LiveTextures.push_back(texture);
    ++m_TextureChanges;
}

void GxDeviceCore::ForgetTexture(GxCoreTexture* texture)
{
    auto it = std::find(m_LiveTextures.begin(), m_LiveTextures.end(), texture);
    if (it == m_LiveTextures.end()) return;
    *it = m_LiveTextures.back();
    m_LiveTextures.pop_back();
    ++m_TextureChanges;
    NativeReleaseTexture(*texture);
    if (texture->Desc().Pool == GXPOOL_DEFAULT && m_DefaultPoolObjects > 0) --m_DefaultPoolObjects;
}

void GxDeviceCore::DetachTextures()
{
    for (GxCoreTexture* t : m_LiveTextures) {
        NativeReleaseTexture(*t);
        t->Detach();
    }
    m_LiveTextures.clear();
    ++m_TextureChanges;
}

GxResult GxDeviceCore::MakeTexture(const GxSurfaceDesc& desc, uint32_t levels, bool standalone,
                                   GxCoreTexture** texture)
{
    *texture = nullptr;
    uint32_t maxW = m_Caps.MaxTextureWidth ? m_Caps.MaxTextureWidth : 16384;
    uint32_t maxH = m_Caps.MaxTextureHeight ? m_Caps.MaxTextureHeight : 16384;
    if (desc.Width == 0 || desc.Height == 0 || desc.Width > maxW || desc.Height > maxH) return GXERR_INVALIDCALL;
    if (GxFormatBytesPerPixel(desc.Format) == 0 || GxIsDepthFormat(desc.Format)) return GXERR_INVALIDCALL;
    const GxAdapterDesc& a = m_Direct3D->Desc();
    const std::vector<GxFormat>& allowed =
        (desc.Usage & GXUSAGE_RENDERTARGET) ? a.renderTargetFormats : a.textureFormats;
    if (desc.Pool != GXPOOL_SCRATCH && !Contains(allowed, desc.Format)) return GXERR_INVALIDCALL;
    auto* t = new GxCoreTexture(this, desc, levels, standalone);
    if (!t->SizeAllowed()) {
        t->Release();
        return GXERR_OUTOFMEMORY;
    }
    AddLiveTexture(t);
    if (desc.Pool == GXPOOL_DEFAULT) ++m_DefaultPoolObjects;
    GxResult r = NativeCreateTexture(*t);
    if (GxFailed(r)) {
        t->Release();
        return r;
    }
    *texture = t;
    return GX_OK;
}

GxResult GxDeviceCore::CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                                     GxFormat format, GxPool pool, GxDeviceTexture** texture)
{
    if (texture) *texture = nullptr;
    GxDeviceCall& c = Record(GxDeviceOp::CreateTexture, GX_OK);
    c.args[0] = width;
    c.args[1] = height;
    c.args[2] = levels;
    c.args[3] = usage;
    c.args[4] = format;
    c.args[5] = pool;
    auto result = [&c](GxResult r) {
        c.result = r;
        return r;
    };
    if (!texture || width == 0 || height == 0) return result(GXERR_INVALIDCALL);
    uint32_t full = FullChain(width, height);
    if (levels == 0) levels = full;
    if (levels > full || (usage & GXUSAGE_DEPTHSTENCIL)) return result(GXERR_INVALIDCALL);
    // Render targets and dynamic textures belong to the default pool.
    if ((usage & GXUSAGE_RENDERTARGET) && pool != GXPOOL_DEFAULT) return result(GXERR_INVALIDCALL);
    if ((usage & GXUSAGE_DYNAMIC) && pool == GXPOOL_MANAGED) return result(GXERR_INVALIDCALL);
    GxSurfaceDesc d;
    d.Format = format;
    d.Type = GXRTYPE_SURFACE;
    d.Usage = usage & (GXUSAGE_RENDERTARGET | GXUSAGE_DYNAMIC | GXUSAGE_AUTOGENMIPMAP);
    d.Pool = pool;
    d.Width = width;
    d.Height = height;
    GxCoreTexture* t = nullptr;
    GxResult r = MakeTexture(d, levels, false, &t);
    if (GxSucceeded(r)) *texture = t;
    return result(r);
}

GxResult GxDeviceCore::CreateOffscreenPlainSurface(uint32_t width, uint32_t height, GxFormat format, GxPool pool,
                                                   GxDeviceSurface** surface)
{
    if (surface) *surface = nullptr;
    GxDeviceCall& c = Record(GxDeviceOp::CreateOffscreenPlainSurface, GX_OK);
    c.args[0] = width;
    c.args[1] = height;
    c.args[2] = format;
    c.args[3] = pool;
    auto result = [&c](GxResult r) {
        c.result = r;
        return r;
    };
    if (!surface || pool == GXPOOL_MANAGED) return result(GXERR_INVALIDCALL);
    GxSurfaceDesc d;
    d.Format = format;
    d.Type = GXRTYPE_SURFACE;
    d.Pool = pool;
    d.Width = width;
    d.Height = height;
    GxCoreTexture* t = nullptr;
    GxResult r = MakeTexture(d, 1, true, &t);
    if (GxSucceeded(r)) {
        t->GetSurfaceLevel(0, surface);
        t->Release();  // the surface holds it now
    }
    return result(r);
}

GxResult GxDeviceCore::CreateRenderTarget(uint32_t width, uint32_t height, GxFormat format, GxMultiSampleType msType,
                                          uint32_t msQuality, bool lockable, GxDeviceSurface** surface)
{
    if (surface) *surface = nullptr;
    GxDeviceCall& c = Record(GxDeviceOp::CreateRenderTarget, GX_OK);
    c.args[0] = width;
    c.args[1] = height;
    c.args[2] = format;
    c.args[3] = msType;
    c.args[4] = msQuality;
    c.args[5] = lockable ? 1 : 0;
    auto result = [&c](GxResult r) {
        c.result = r;
        return r;
    };
    // Multisampled surface targets are not offered.
    if (!surface || msType != GXMULTISAMPLE_NONE || msQuality != 0) return result(GXERR_INVALIDCALL);
    GxSurfaceDesc d;
    d.Format = format;
    d.Type = GXRTYPE_SURFACE;
    d.Usage = GXUSAGE_RENDERTARGET | (lockable ? GXUSAGE_DYNAMIC : 0);  // dynamic: may be locked
    d.Pool = GXPOOL_DEFAULT;
    d.Width = width;
    d.Height = height;
    GxCoreTexture* t = nullptr;
    GxResult r = MakeTexture(d, 1, true, &t);
    if (GxSucceeded(r)) {
        t->GetSurfaceLevel(0, surface);
        t->Release();
    }
    return result(r);
}
