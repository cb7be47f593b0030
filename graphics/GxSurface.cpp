#include "graphics/GxSurface.h"

#include "core/GxLog.h"
#include "core/GxString.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxImageLoader.h"
#include "platform/GxPictureLoad.h"

GxSurface::GxSurface() { m_ObjectType = OBJTYPE_NONE; }

GxSurface::~GxSurface() { ReleaseAll(); }

void GxSurface::ResetFields()
{
    GxSafeRelease(m_pSurface);
    m_Format = GXFMT_UNKNOWN;
    m_Pool = GXPOOL_SCRATCH;
    m_Width = m_Height = m_ImageWidth = m_ImageHeight = 0;
    m_Locked = false;
    m_ObjectType = OBJTYPE_NONE;
    m_Name.clear();
}

void GxSurface::Release()
{
    if (m_RefCount == 0) return;
    if (DecRef() != 0) return;
    ResetFields();
    GxGetD3DResourceManage().Unregister(this);
}

void GxSurface::ReadBack()
{
    GxSurfaceDesc d;
    if (m_pSurface && GxSucceeded(m_pSurface->GetDesc(&d))) {
        m_Width = d.Width;
        m_Height = d.Height;
        m_Format = d.Format;
        m_Pool = d.Pool;
    }
}

bool GxSurface::Create(Kind kind, GxPool pool, std::u16string_view name, uint32_t width, uint32_t height,
                       GxFormat format, GxMultiSampleType msType, uint32_t msQuality, const char16_t* failure)
{
    ReleaseAll();
    m_Width = m_ImageWidth = width;
    m_Height = m_ImageHeight = height;
    if (format == GXFMT_UNKNOWN) {
        format = kind == Kind::RenderTarget   ? GxGraphics::GetRenderTargetFormat()
                 : kind == Kind::DepthStencil ? GxGraphics::GetDepthStencilFormat()
                                              : GxGraphics::GetTextureFormat();
    }
    m_Format = format;
    m_Pool = pool;
    m_ObjectType = kind == Kind::RenderTarget   ? OBJTYPE_RENDERTARGET
                   : kind == Kind::DepthStencil ? OBJTYPE_DEPTHSTENCIL
                                                : OBJTYPE_SURFACE;
    m_Name = GxToLower(name);
    GxDevice* device = GxGraphics::GetDevice();
    if (!device) return false;
    GxResult r;
    switch (kind) {
    case Kind::DepthStencil:
        r = device->CreateDepthStencilSurface(width, height, format, msType, msQuality, true, &m_pSurface);
        break;
    case Kind::RenderTarget:
        r = device->CreateRenderTarget(width, height, format, msType, msQuality, true, &m_pSurface);
        break;
    default: r = device->CreateOffscreenPlainSurface(width, height, format, pool, &m_pSurface); break;
    }
    if (GxFailed(r) || !m_pSurface) {
        GxPrintErrorLog(failure, m_Name, width, height, GxGraphics::GetD3DErrorString(GxFailed(r) ? r : GXERR_FAIL));
        m_pSurface = nullptr;
        m_ObjectType = OBJTYPE_NONE;
        return false;
    }
    ReadBack();
    GxGetD3DResourceManage().Register(this);
    AddRef();
    return true;
}

bool GxSurface::CreateSurface(std::u16string_view name, uint32_t width, uint32_t height, GxFormat format)
{
    return Create(Kind::Plain, GXPOOL_DEFAULT, name, width, height, format, GXMULTISAMPLE_NONE, 0,
                  u"Error/Surface CreateSurface Failed(Name:\"%s\" Size:%d,%d %s)\n");
}

bool GxSurface::CreateSurfaceA(std::string_view name, uint32_t width, uint32_t height, GxFormat format)
{
    return CreateSurface(GxAnsiToWide(name), width, height, format);
}

bool GxSurface::CreateScratch(std::u16string_view name, uint32_t width, uint32_t height, GxFormat format)
{
    return Create(Kind::Plain, GXPOOL_SCRATCH, name, width, height, format, GXMULTISAMPLE_NONE, 0,
                  u"Error/Surface CreateScratch Failed(Name:\"%s\" Size:%d,%d %s)\n");
}

bool GxSurface::CreateScratchA(std::string_view name, uint32_t width, uint32_t height, GxFormat format)
{
    return CreateScratch(GxAnsiToWide(name), width, height, format);
}

bool GxSurface::CreateSystemMemory(std::u16string_view name, uint32_t width, uint32_t height, GxFormat format)
{
    return Create(Kind::Plain, GXPOOL_SYSTEMMEM, name, width, height, format, GXMULTISAMPLE_NONE, 0,
                  u"Error/Surface CreateSystemMemory Failed(Name:\"%s\" Size:%d,%d %s)\n");
}

bool GxSurface::CreateSystemMemoryA(std::string_view name, uint32_t width, uint32_t height, GxFormat format)
{
    return CreateSystemMemory(GxAnsiToWide(name), width, height, format);
}

bool GxSurface::CreateDepthStencil(std::u16string_view name, uint32_t width, uint32_t height, GxFormat format,
                                   GxMultiSampleType msType, uint32_t msQuality)
{
    return Create(Kind::DepthStencil, GXPOOL_DEFAULT, name, width, height, format, msType, msQuality,
                  u"Error/Surface CreateDepthStencil Failed(Name:\"%s\" Size:%d,%d %s)\n");
}

bool GxSurface::CreateDepthStencilA(std::string_view name, uint32_t width, uint32_t height, GxFormat format,
                                    GxMultiSampleType msType, uint32_t msQuality)
{
    return CreateDepthStencil(GxAnsiToWide(name), width, height, format, msType, msQuality);
}

bool GxSurface::CreateRenderTarget(std::u16string_view name, uint32_t width, uint32_t height, GxFormat format,
                                   GxMultiSampleType msType, uint32_t msQuality)
{
    return Create(Kind::RenderTarget, GXPOOL_DEFAULT, name, width, height, format, msType, msQuality,
                  u"Error/Surface CreateRenderTarget Failed(Name:\"%s\" Size:%d,%d %s)\n");
}

bool GxSurface::CreateRenderTargetA(std::string_view name, uint32_t width, uint32_t height, GxFormat format,
                                    GxMultiSampleType msType, uint32_t msQuality)
{
    return CreateRenderTarget(GxAnsiToWide(name), width, height, format, msType, msQuality);
}

bool GxSurface::CreateFromFileA(std::string_view name, GxFormat format, GxColor colorKey)
{
    return CreateFromFile(GxAnsiToWide(name), format, colorKey);
}

bool GxSurface::SetRenderTarget(uint32_t index)
{
    GxDevice* device = GxGraphics::GetDevice();
    if (!device || !m_pSurface) return false;
    return GxSucceeded(device->SetRenderTarget(index, m_pSurface));
}

void GxSurface::OnLostDevice()
{
    if (m_Pool == GXPOOL_SCRATCH) return;
    GxSafeRelease(m_pSurface);
}

void GxSurface::OnResetDevice()
{
    if (m_Pool == GXPOOL_SCRATCH || m_ObjectType == OBJTYPE_NONE) return;
    GxDevice* device = GxGraphics::GetDevice();
    if (!device) return;
    GxSafeRelease(m_pSurface);
    GxResult r;
    switch (m_ObjectType) {
    case OBJTYPE_RENDERTARGET:
        r = device->CreateRenderTarget(m_Width, m_Height, m_Format, GXMULTISAMPLE_NONE, 0, true, &m_pSurface);
        break;
    case OBJTYPE_DEPTHSTENCIL:
        r = device->CreateDepthStencilSurface(m_Width, m_Height, m_Format, GXMULTISAMPLE_NONE, 0, true, &m_pSurface);
        break;
    case OBJTYPE_SURFACE: r = device->CreateOffscreenPlainSurface(m_Width, m_Height, m_Format, m_Pool, &m_pSurface); break;
    default: r = GXERR_FAIL; break;
    }
    if (GxFailed(r)) {
        m_pSurface = nullptr;
        GxPrintErrorLog(u"Error/Surface OnReset Failed(Name:\"%s\" Size:%d,%d %s)\n", m_Name, m_Width, m_Height,
                        GxGraphics::GetD3DErrorString(r));
    }
}

bool GxSurface::StretchRect(const GxRectL* destRect, GxSurface* source, const GxRectL* sourceRect,
                            GxTextureFilter filter)
{
    GxDevice* device = GxGraphics::GetDevice();
    if (!device || !m_pSurface || !source || !source->m_pSurface) return false;
    GxResult r = device->StretchRect(source->m_pSurface, sourceRect, m_pSurface, destRect, filter);
    if (GxFailed(r)) {
        GxPrintSlightErrorLog(u"Error/Surface StretchRect Failed(Name:\"%s\" Size:%d,%d %s)\n", m_Name, m_Width,
                              m_Height, GxGraphics::GetD3DErrorString(r));
        return false;
    }
    return true;
}

void GxSurface::GetSurface(GxDeviceSurface** surface)
{
    if (!surface) return;
    *surface = m_pSurface;
    if (m_pSurface) m_pSurface->AddRef();
}

namespace {

bool LockedPixels(GxDeviceSurface* surface, GxPixelImage* image)
{
    GxSurfaceDesc d;
    if (GxFailed(surface->GetDesc(&d))) return false;
    uint32_t bpp = GxFormatBytesPerPixel(d.Format);
    if (bpp == 0 || GxIsDepthFormat(d.Format)) return false;
    GxLockedRect locked;
    if (GxFailed(surface->LockRect(&locked, nullptr, GXLOCK_READONLY))) return false;
    image->width = d.Width;
    image->height = d.Height;
    image->pixels.resize(static_cast<size_t>(d.Width) * d.Height);
    const auto* bits = static_cast<const uint8_t*>(locked.pBits);
    for (uint32_t y = 0; y < d.Height; ++y)
        for (uint32_t x = 0; x < d.Width; ++x)
            image->pixels[static_cast<size_t>(y) * d.Width + x] =
                GxPixelToArgb(d.Format, bits + static_cast<size_t>(y) * locked.Pitch + static_cast<size_t>(x) * bpp);
    surface->UnlockRect();
    return true;
}

}  // namespace

bool GxSurface::ReadPixels(GxPixelImage* image)
{
    GxDevice* device = GxGraphics::GetDevice();
    if (!device || !m_pSurface || !image) return false;
    if (LockedPixels(m_pSurface, image)) return true;
    // A render target the CPU cannot lock is copied to system memory first.
    if (m_ObjectType != OBJTYPE_RENDERTARGET) return false;
    GxDeviceSurface* copy = nullptr;
    bool ok = GxSucceeded(device->CreateOffscreenPlainSurface(m_Width, m_Height, m_Format, GXPOOL_SYSTEMMEM, &copy)) &&
              GxSucceeded(device->GetRenderTargetData(m_pSurface, copy)) && LockedPixels(copy, image);
    GxSafeRelease(copy);
    return ok;
}

bool GxSurface::CreateFromFile(std::u16string_view name, GxFormat format, GxColor colorKey)
{
    ReleaseAll();
    m_Format = format == GXFMT_UNKNOWN ? GxGraphics::GetTextureFormat() : format;
    m_Pool = GXPOOL_SCRATCH;
    m_ObjectType = OBJTYPE_SURFACE;
    m_Name = GxToLower(name);
    if (!GxGraphics::GetDevice()) {
        ResetFields();
        return false;
    }
    GxImageInfo info;
    GxDeviceSurface* surface = nullptr;
    if (!CreateScratchSurfaceFromFile(name, &surface, m_Format, &info, colorKey)) {
        GxSafeRelease(surface);
        ResetFields();
        return false;
    }
    m_pSurface = surface;
    m_ImageWidth = info.width;
    m_ImageHeight = info.height;
    ReadBack();
    GxGetD3DResourceManage().Register(this);
    AddRef();
    return true;
}

bool GxSurface::SaveToFile(std::u16string_view path)
{
    GxDevice* device = GxGraphics::GetDevice();
    if (!device || !m_pSurface) return false;
    const std::string native = GxPathToNative(path);
    GxResult r = GxPictureSaveSurface(native, GXPIC_PNG, m_pSurface, nullptr);
    if (GxFailed(r) && m_ObjectType == OBJTYPE_RENDERTARGET) {
        // What the CPU cannot lock is fetched into system memory first.
        GxDeviceSurface* copy = nullptr;
        r = device->CreateOffscreenPlainSurface(m_Width, m_Height, m_Format, GXPOOL_SYSTEMMEM, &copy);
        if (GxSucceeded(r)) r = device->GetRenderTargetData(m_pSurface, copy);
        if (GxSucceeded(r)) r = GxPictureSaveSurface(native, GXPIC_PNG, copy, nullptr);
        GxSafeRelease(copy);
    }
    if (GxFailed(r)) {
        GxPrintErrorLog(u"Error/Surface SaveToFile Failed(Name:\"%s\" Size:%d,%d %s)\n", m_Name, m_Width, m_Height,
                        GxGraphics::GetD3DErrorString(r));
        return false;
    }
    return true;
}

bool GxSurface::SaveToFileA(std::string_view path) { return SaveToFile(GxAnsiToWide(path)); }
