#include "graphics/GxTexture.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "core/GxBinBuffer.h"
#include "core/GxFile.h"
#include "core/GxLog.h"
#include "core/GxString.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxImageLoader.h"
#include "platform/GxPictureLoad.h"

uint32_t GxTextureSideFor(uint64_t imageSide)
{
    uint64_t side = 1;
    while (side < imageSide) side <<= 1;
    return side > 0xFFFFFFFFull ? 0 : static_cast<uint32_t>(side);
}

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

// Level 0 of a texture as its pixels are stored, seen as a lockable surface: where a picture is
// decoded into when the texture's content is made at its first use.
class LevelSurface final : public GxDeviceSurface
{
public:
    LevelSurface(uint8_t* bits, uint32_t pitch, const GxSurfaceDesc& desc) : m_Bits(bits), m_Pitch(pitch), m_Desc(desc)
    {
    }
    GxResult GetDesc(GxSurfaceDesc* desc) override
    {
        if (!desc) return GXERR_INVALIDCALL;
        *desc = m_Desc;
        return GX_OK;
    }
    GxResult LockRect(GxLockedRect* locked, const GxRectL* rect, uint32_t) override
    {
        const GxRectL r = rect ? *rect : GxRectL{0, 0, static_cast<int32_t>(m_Desc.Width), static_cast<int32_t>(m_Desc.Height)};
        if (!locked || r.left < 0 || r.top < 0 || r.left >= r.right || r.top >= r.bottom ||
            static_cast<uint32_t>(r.right) > m_Desc.Width || static_cast<uint32_t>(r.bottom) > m_Desc.Height)
            return GXERR_INVALIDCALL;
        locked->Pitch = static_cast<int32_t>(m_Pitch);
        locked->pBits = m_Bits + static_cast<size_t>(r.top) * m_Pitch +
                        static_cast<size_t>(r.left) * GxFormatBytesPerPixel(m_Desc.Format);
        return GX_OK;
    }
    GxResult UnlockRect() override { return GX_OK; }

private:
    uint8_t* m_Bits;
    uint32_t m_Pitch;
    GxSurfaceDesc m_Desc;
};

}  // namespace

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

// ---- Pictures -----------------------------------------------------------------------------------

GxResult GxTexture::LoadFromMemory(GxDevice* device, const void* data, uint32_t size)
{
    // Stretch over the texture only when asked and when the sizes differ.
    const bool stretch = m_ScaleToFit && (m_Width != m_ImageWidth || m_Height != m_ImageHeight);
    std::string reason;
    GxResult r = data && size ? GxPictureCreateTexture(device, data, size, m_Width, m_Height, m_MipLevels, 0, m_Format,
                                                       m_Pool, stretch ? GXPIC_FILTER_TRIANGLE : GXPIC_FILTER_NONE,
                                                       GXPIC_DEFAULT, m_ColorKey, nullptr, &m_pTexture, &reason)
                              : GXERR_INVALIDCALL;
    m_LoadError = reason;
    return r;
}

bool GxTexture::CreateFromFile(std::u16string_view name, GxFormat format, uint32_t mipLevels, GxColor colorKey,
                               bool scaleToFit)
{
    if (format == GXFMT_UNKNOWN) format = GxGraphics::GetTextureFormat();
    GxDevice* device = BeginCreate(name, 0, 0, format, GXPOOL_MANAGED, OBJTYPE_TEXTURE, mipLevels);
    m_ColorKey = colorKey;
    m_ScaleToFit = scaleToFit;
    GxImageInfo info;
    if (!device || !GetInfoFromFile(name, &info)) {
        ResetFields();
        return false;
    }
    BeginCreate(name, info.width, info.height, format, GXPOOL_MANAGED, OBJTYPE_TEXTURE, mipLevels);
    m_ColorKey = colorKey;
    m_ScaleToFit = scaleToFit;
    GxBinBuffer buffer;
    GxFileLoadToBinBuffer(buffer, name, true, false);
    GxResult r = LoadFromMemory(device, buffer.GetBuffer(), buffer.GetSize());
    if (GxFailed(r)) {
        GxPrintErrorLog(u"Error/Texture CreateFromFile Failed(Name:\"%s\" Size:%d,%d %s)\n", name, m_Width, m_Height,
                        GxPictureErrorText(r, m_LoadError));
        ResetFields();
        return false;
    }
    FinishCreate();
    return true;
}

bool GxTexture::CreateFromFileOnUse(std::u16string_view name, GxFormat format, GxColor colorKey)
{
    if (format == GXFMT_UNKNOWN) format = GxGraphics::GetTextureFormat();
    GxDevice* device = BeginCreate(name, 0, 0, format, GXPOOL_MANAGED, OBJTYPE_TEXTURE, 1);
    GxImageInfo info;
    if (!device || !GetInfoFromFile(name, &info)) {
        ResetFields();
        return false;
    }
    BeginCreate(name, info.width, info.height, format, GXPOOL_MANAGED, OBJTYPE_TEXTURE, 1);
    m_ColorKey = colorKey;
    m_ScaleToFit = false;
    auto bytes = std::make_shared<GxBinBuffer>();
    GxFileLoadToBinBuffer(*bytes, name, true, false);
    // The header is checked now, against the same limits the decoding keeps to.
    std::string reason;
    GxPictureInfo picture;
    GxResult r = bytes->GetBuffer() && bytes->GetSize()
                     ? GxPictureGetInfo(bytes->GetBuffer(), bytes->GetSize(), &picture, &reason)
                     : GXERR_INVALIDCALL;
    const GxGraphicsCaps& caps = GxGraphics::GetCaps();
    if (GxSucceeded(r) && ((caps.MaxTextureWidth && picture.width > caps.MaxTextureWidth) ||
                           (caps.MaxTextureHeight && picture.height > caps.MaxTextureHeight))) {
        reason = "picture larger than the texture limit";
        r = GXERR_INVALIDDATA;
    }
    if (GxSucceeded(r)) r = device->CreateTexture(m_Width, m_Height, 1, 0, m_Format, GXPOOL_MANAGED, &m_pTexture);
    if (GxFailed(r)) {
        GxPrintErrorLog(u"Error/Texture CreateFromFile Failed(Name:\"%s\" Size:%d,%d %s)\n", name, m_Width, m_Height,
                        GxPictureErrorText(r, reason));
        ResetFields();
        return false;
    }
    GxSurfaceDesc desc;
    m_pTexture->GetLevelDesc(0, &desc);
    std::u16string textureName = m_Name;
    auto fill = [bytes, desc, colorKey, textureName](uint8_t* bits, uint32_t pitch) {
        auto* surface = new LevelSurface(bits, pitch, desc);
        std::string why;
        const GxResult loaded = GxPictureLoadSurface(surface, nullptr, bytes->GetBuffer(), bytes->GetSize(), nullptr,
                                                     GXPIC_FILTER_NONE, colorKey, nullptr, &why);
        surface->Release();
        if (GxFailed(loaded)) {
            // What the failed decode left is not shown: the texture stays transparent black.
            std::memset(bits, 0, static_cast<size_t>(pitch) * desc.Height);
            GxPrintErrorLog(u"Error/Texture CreateFromFile Failed(Name:\"%s\" Size:%d,%d %s)\n", textureName,
                            desc.Width, desc.Height, GxPictureErrorText(loaded, why));
        }
    };
    if (GxFailed(m_pTexture->SetContentOnUse(fill))) {
        // A device that cannot wait for the first use gets the pixels now.
        GxLockedRect locked;
        if (GxSucceeded(m_pTexture->LockRect(0, &locked, nullptr, 0))) {
            fill(static_cast<uint8_t*>(locked.pBits), static_cast<uint32_t>(locked.Pitch));
            m_pTexture->UnlockRect(0);
        }
    }
    FinishCreate();
    return true;
}

bool GxTexture::CreateFromFileA(std::string_view name, GxFormat format, uint32_t mipLevels, GxColor colorKey,
                                bool scaleToFit)
{
    return CreateFromFile(GxAnsiToWide(name), format, mipLevels, colorKey, scaleToFit);
}

bool GxTexture::ReloadFromFile()
{
    GxDevice* device = GxGraphics::GetDevice();
    GxImageInfo info;
    if (!device || !GetInfoFromFile(m_Name, &info)) return false;
    m_ImageWidth = info.width;
    m_ImageHeight = info.height;
    m_Width = GxTextureSideFor(info.width);
    m_Height = GxTextureSideFor(info.height);
    if (GxGraphics::GetCaps().SquareOnly) {
        uint32_t side = (m_Width == 0 || m_Height == 0) ? 0 : std::max(m_Width, m_Height);
        m_Width = m_Height = side;
    }
    GxBinBuffer buffer;
    GxFileLoadToBinBuffer(buffer, m_Name, true, false);
    if (m_Locked && m_pTexture) m_pTexture->UnlockRect(0);
    m_Locked = false;
    GxSafeRelease(m_pTexture);
    GxResult r = LoadFromMemory(device, buffer.GetBuffer(), buffer.GetSize());
    if (GxFailed(r)) {
        GxPrintErrorLog(u"Error/Texture ReloadFromFile Failed(Name:\"%s\" Size:%d,%d %s)\n", m_Name, m_Width,
                        m_Height, GxPictureErrorText(r, m_LoadError));
        return false;
    }
    GxSurfaceDesc d;
    if (GxSucceeded(m_pTexture->GetLevelDesc(0, &d))) {
        m_Width = d.Width;
        m_Height = d.Height;
        m_Format = d.Format;
        m_Pool = d.Pool;
    }
    return true;
}

bool GxTexture::CreateFromResource(std::u16string_view name, void*, const GxResourceData* resource, GxFormat format,
                                   uint32_t mipLevels, GxColor colorKey, bool scaleToFit)
{
    if (format == GXFMT_UNKNOWN) format = GxGraphics::GetTextureFormat();
    GxDevice* device = BeginCreate(name, 0, 0, format, GXPOOL_MANAGED, OBJTYPE_TEXTURE, mipLevels);
    if (!device) {
        ResetFields();
        return false;
    }
    if (!resource || !resource->data) {
        GxPrintErrorLog(u"Error/Texture CreateFromResource Failed(Resource pointer is null)\n");
        ResetFields();
        return false;
    }
    GxImageInfo info;
    if (!GetInfoFromMemory(resource->data, resource->size, &info)) {
        ResetFields();
        return false;
    }
    BeginCreate(name, info.width, info.height, format, GXPOOL_MANAGED, OBJTYPE_TEXTURE, mipLevels);
    // The key given is the one used and kept, as for a file.
    m_ColorKey = colorKey;
    m_ScaleToFit = scaleToFit;
    GxResult r = LoadFromMemory(device, resource->data, resource->size);
    if (GxFailed(r)) {
        GxPrintErrorLog(u"Error/Texture CreateFromResource Failed(Name:\"%s\" Size:%d,%d %s)\n", name, m_Width,
                        m_Height, GxPictureErrorText(r, m_LoadError));
        ResetFields();
        return false;
    }
    FinishCreate();
    return true;
}

bool GxTexture::CreateFromResourceA(std::string_view name, void* module, const GxResourceData* resource,
                                    GxFormat format, uint32_t mipLevels, GxColor colorKey, bool scaleToFit)
{
    return CreateFromResource(GxAnsiToWide(name), module, resource, format, mipLevels, colorKey, scaleToFit);
}

bool GxTexture::CreateFromFileMultiBlend(std::u16string_view name, const std::vector<std::u16string>& files,
                                         GxFormat format, uint32_t mipLevels)
{
    ReleaseAll();
    if (!GxGraphics::GetDevice() || files.empty()) return false;
    GxImageInfo info;
    if (!GetInfoFromFile(files[0], &info)) return false;

    auto decode = [](const std::u16string& file, uint32_t* w, uint32_t* h) -> uint8_t* {
        GxBinBuffer buffer;
        if (!GxFileLoadToBinBuffer(buffer, file, true, false)) return nullptr;
        return GxPngDecodeFromMemory(buffer.GetBuffer(), buffer.GetSize(), w, h);
    };
    uint32_t width = 0, height = 0;
    uint8_t* picture = decode(files[0], &width, &height);
    if (!picture) {
        GxPrintErrorLog(u"Error/Texture CreateFromFileMultiBlend Failed(Name:\"%s\")\n", files[0]);
        return false;
    }
    for (size_t i = 1; i < files.size(); ++i) {
        uint32_t lw = 0, lh = 0;
        uint8_t* layer = decode(files[i], &lw, &lh);
        if (!layer) {
            GxPrintErrorLog(u"Error/Texture CreateFromFileMultiBlend Failed(Name:\"%s\")\n", files[i]);
            continue;
        }
        GxBlendPicture(reinterpret_cast<uint32_t*>(picture), width, height, reinterpret_cast<const uint32_t*>(layer),
                       lw, lh);
        GxPngRelease(layer);
    }

    if (!CreateTexture(name, info.width, info.height, format, mipLevels)) {
        GxPngRelease(picture);
        return false;
    }
    GxLockedRect locked;
    if (GxSucceeded(m_pTexture->LockRect(0, &locked, nullptr, 0))) {
        // The copy is cut to the texture, the probed image size and the decoded picture alike.
        const uint32_t w = std::min({m_Width, m_ImageWidth, width});
        const uint32_t h = std::min({m_Height, m_ImageHeight, height});
        const auto* src = reinterpret_cast<const uint32_t*>(picture);
        auto* dst = static_cast<uint8_t*>(locked.pBits);
        for (uint32_t y = 0; y < h; ++y) {
            const uint32_t* in = src + static_cast<size_t>(y) * width;
            uint8_t* out = dst + static_cast<size_t>(y) * locked.Pitch;
            if (GxIs32BitFormat(m_Format)) {
                std::memcpy(out, in, static_cast<size_t>(w) * 4);
            } else if (GxIs16BitFormat(m_Format)) {
                auto* o = reinterpret_cast<uint16_t*>(out);
                for (uint32_t x = 0; x < w; ++x) o[x] = GxColor32To16(in[x]);
            }
        }
        m_pTexture->UnlockRect(0);
        GxPictureBuildMipLevels(m_pTexture);
    }
    GxPngRelease(picture);
    return true;
}

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
