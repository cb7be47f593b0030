// GxTexture's pictures: loading from files, memory and resources (at once or at first use),
// reloading, and the blend of several pictures into one.
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

namespace {

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
