// GxTexture's life: the side rule, release and device loss and reset, and the creation of
// empty textures, buffered textures and render targets.
#include "graphics/GxTexture.h"

#include <algorithm>

#include "core/GxLog.h"
#include "core/GxString.h"
#include "graphics/GxGraphics.h"

uint32_t GxTextureSideFor(uint64_t imageSide)
{
    uint64_t side = 1;
    while (side < imageSide) side <<= 1;
    return side > 0xFFFFFFFFull ? 0 : static_cast<uint32_t>(side);
}

GxTexture::GxTexture() = default;

GxTexture::~GxTexture() { ReleaseAll(); }

void GxTexture::ResetFields()
{
    GxSafeRelease(m_pTexture);
    GxSafeRelease(m_pMemoryTexture);
    m_Format = GXFMT_UNKNOWN;
    m_Pool = GXPOOL_SCRATCH;
    m_Width = m_Height = 0;
    m_ImageWidth = m_ImageHeight = 0;
    m_MipLevels = 0;
    m_ColorKey = 0;
    m_ScaleToFit = true;
    m_Locked = false;
    m_ObjectType = OBJTYPE_NONE;
    m_Name.clear();
}

void GxTexture::Release()
{
    if (m_RefCount == 0) return;
    if (--m_RefCount != 0) return;
    ResetFields();
    GxGetD3DResourceManage().Unregister(this);
}

void GxTexture::OnLostDevice()
{
    // Default-pool textures keep their memory copy (where locks are made) and description.
    if (m_Pool == GXPOOL_DEFAULT) GxSafeRelease(m_pTexture);
}

void GxTexture::OnResetDevice()
{
    if (m_Pool != GXPOOL_DEFAULT || m_pTexture) return;
    GxDevice* device = GxGraphics::GetDevice();
    if (!device) return;
    GxResult r;
    if (m_ObjectType == OBJTYPE_TEXTURE) {
        r = device->CreateTexture(m_Width, m_Height, m_MipLevels, 0, m_Format, GXPOOL_DEFAULT, &m_pTexture);
        if (GxSucceeded(r)) UpdateTexture();
    } else if (m_ObjectType == OBJTYPE_RENDERTARGET) {
        r = device->CreateTexture(m_Width, m_Height, m_MipLevels, GXUSAGE_RENDERTARGET, m_Format, GXPOOL_DEFAULT,
                                  &m_pTexture);
    } else {
        return;
    }
    if (GxFailed(r))
        GxPrintErrorLog(u"Error/Texture CreateTexture Failed at OnReset Device(Name:\"%s\" Size:%d,%d %s)\n", m_Name,
                        m_Width, m_Height, GxGraphics::GetD3DErrorString(r));
}

uint32_t GxTexture::GetMemorySize()
{
    if (GxIs32BitFormat(m_Format)) return m_Width * m_Height * 4;
    if (GxIs16BitFormat(m_Format)) return m_Width * m_Height * 2;
    return 0;
}

bool GxTexture::SetRenderTarget(uint32_t index)
{
    GxDevice* device = GxGraphics::GetDevice();
    if (!device || !m_pTexture) return false;
    GxDeviceSurface* surface = nullptr;
    if (GxFailed(m_pTexture->GetSurfaceLevel(0, &surface))) return false;
    GxResult r = device->SetRenderTarget(index, surface);
    surface->Release();
    return GxSucceeded(r);
}

float GxTexture::GetU(float x) const { return m_Width ? x / static_cast<float>(m_Width) : 0.0f; }
float GxTexture::GetV(float y) const { return m_Height ? y / static_cast<float>(m_Height) : 0.0f; }

GxDeviceTexture* GxTexture::CpuTexture() const { return m_Pool == GXPOOL_DEFAULT ? m_pMemoryTexture : m_pTexture; }

// ---- Creation -----------------------------------------------------------------------------------

GxDevice* GxTexture::BeginCreate(std::u16string_view name, uint32_t imageWidth, uint32_t imageHeight, GxFormat format,
                                 GxPool pool, int32_t objectType, uint32_t mipLevels)
{
    ReleaseAll();
    GxSafeRelease(m_pTexture);
    GxSafeRelease(m_pMemoryTexture);
    m_ImageWidth = imageWidth;
    m_ImageHeight = imageHeight;
    // Sides in 64 bits: a side past 2^31 gives 0, which the device refuses.
    m_Width = GxTextureSideFor(imageWidth);
    m_Height = GxTextureSideFor(imageHeight);
    if (GxGraphics::GetCaps().SquareOnly) {
        uint32_t side = (m_Width == 0 || m_Height == 0) ? 0 : std::max(m_Width, m_Height);
        m_Width = m_Height = side;
    }
    m_Format = format;
    m_Pool = pool;
    m_ObjectType = objectType;
    m_MipLevels = mipLevels;
    m_Locked = false;
    m_Name = GxToLower(name);
    return GxGraphics::GetDevice();
}

void GxTexture::FinishCreate()
{
    GxSurfaceDesc d;
    if (GxSucceeded(m_pTexture->GetLevelDesc(0, &d))) {
        m_Width = d.Width;
        m_Height = d.Height;
        m_Format = d.Format;
        m_Pool = d.Pool;
    }
    GxGetD3DResourceManage().Register(this);
    AddRef();
}

bool GxTexture::CreateTexture(std::u16string_view name, uint32_t width, uint32_t height, GxFormat format,
                              uint32_t mipLevels)
{
    if (format == GXFMT_UNKNOWN) format = GxGraphics::GetTextureFormat();
    GxDevice* device = BeginCreate(name, width, height, format, GXPOOL_MANAGED, OBJTYPE_TEXTURE, mipLevels);
    if (!device) {
        ResetFields();
        return false;
    }
    GxResult r = device->CreateTexture(m_Width, m_Height, mipLevels, 0, m_Format, GXPOOL_MANAGED, &m_pTexture);
    if (GxFailed(r)) {
        GxPrintErrorLog(u"Error/Texture CreateTexture Failed(Name:\"%s\" Size:%d,%d %s)\n", name, m_Width, m_Height,
                        GxGraphics::GetD3DErrorString(r));
        ResetFields();
        return false;
    }
    // Made empty, it is drawn into by the CPU (text, pages of glyphs): the copy that lock uses
    // stays, instead of being read back from the GPU at the next write.
    m_pTexture->KeepCopy();
    FinishCreate();
    return true;
}

bool GxTexture::CreateTextureA(std::string_view name, uint32_t width, uint32_t height, GxFormat format,
                               uint32_t mipLevels)
{
    return CreateTexture(GxAnsiToWide(name), width, height, format, mipLevels);
}

bool GxTexture::CreateBufferedTexture(std::u16string_view name, uint32_t width, uint32_t height, GxFormat format)
{
    if (format == GXFMT_UNKNOWN) format = GxGraphics::GetTextureFormat();
    GxDevice* device = BeginCreate(name, width, height, format, GXPOOL_MANAGED, OBJTYPE_BUFFEREDTEXTURE, 1);
    if (!device) {
        ResetFields();
        return false;
    }
    GxResult r = device->CreateTexture(m_Width, m_Height, 1, 0, m_Format, GXPOOL_MANAGED, &m_pTexture);
    if (GxFailed(r)) {
        GxPrintErrorLog(u"Error/Texture CreateBufferedTexture Failed(Name:\"%s\" Size:%d,%d %s)\n", name, m_Width,
                        m_Height, GxGraphics::GetD3DErrorString(r));
        ResetFields();
        return false;
    }
    FinishCreate();
    return true;
}

bool GxTexture::CreateBufferedTextureA(std::string_view name, uint32_t width, uint32_t height, GxFormat format)
{
    return CreateBufferedTexture(GxAnsiToWide(name), width, height, format);
}

bool GxTexture::CreateRenderTarget(std::u16string_view name, uint32_t width, uint32_t height, GxFormat format)
{
    if (format == GXFMT_UNKNOWN) format = GxGraphics::GetRenderTargetFormat();
    GxDevice* device = BeginCreate(name, width, height, format, GXPOOL_DEFAULT, OBJTYPE_RENDERTARGET, 1);
    if (!device) {
        ResetFields();
        return false;
    }
    GxResult r = device->CreateTexture(m_Width, m_Height, 1, 0, m_Format, GXPOOL_SYSTEMMEM, &m_pMemoryTexture);
    if (GxFailed(r)) {
        GxPrintErrorLog(u"Error/Texture CreateRenderTarget Failed(Type:MemoryTexture Name:\"%s\" Size:%d,%d %s)\n",
                        name, m_Width, m_Height, GxGraphics::GetD3DErrorString(r));
        ResetFields();
        return false;
    }
    r = device->CreateTexture(m_Width, m_Height, 1, GXUSAGE_RENDERTARGET, m_Format, GXPOOL_DEFAULT, &m_pTexture);
    if (GxFailed(r)) {
        GxPrintErrorLog(u"Error/Texture CreateRenderTarget Failed(Type:Texture Name:\"%s\" Size:%d,%d %s)\n", name,
                        m_Width, m_Height, GxGraphics::GetD3DErrorString(r));
        ResetFields();
        return false;
    }
    FinishCreate();
    return true;
}

bool GxTexture::CreateRenderTargetA(std::string_view name, uint32_t width, uint32_t height, GxFormat format)
{
    return CreateRenderTarget(GxAnsiToWide(name), width, height, format);
}
