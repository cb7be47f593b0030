// GxSurface: one device surface of the engine: an off-screen plain surface in any pool, a depth
// stencil or a render-target surface. Surfaces keep the size asked for (never rounded up).
// Default-pool surfaces are dropped before a device reset and made again, empty, after it;
// scratch surfaces live in CPU memory and need nothing. Failures are logged and returned as false.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "graphics/GxTexture.h"

class GxSurface : public GxSurfaceBase
{
public:
    GxSurface();
    ~GxSurface() override;

    void Release() override;
    void OnLostDevice() override;
    void OnResetDevice() override;

    // Render-target stack entry: the surface becomes render target number index.
    bool SetRenderTarget(uint32_t index) override;

    GxFormat GetFormat() const { return m_Format; }
    GxPool GetPool() const { return m_Pool; }
    uint32_t GetWidth() override { return m_Width; }
    uint32_t GetHeight() override { return m_Height; }
    uint32_t GetImageWidth() const { return m_ImageWidth; }
    uint32_t GetImageHeight() const { return m_ImageHeight; }
    bool IsLocked() const { return m_Locked; }
    // The device surface, without a reference.
    GxDeviceSurface* GetD3DSurface() override { return m_pSurface; }

    // Format GXFMT_UNKNOWN (0) takes the device's texture format (render-target format for
    // render targets, depth-stencil format for depth stencils).
    bool CreateSurface(std::u16string_view name, uint32_t width, uint32_t height, GxFormat format);
    bool CreateSurfaceA(std::string_view name, uint32_t width, uint32_t height, GxFormat format);
    bool CreateScratch(std::u16string_view name, uint32_t width, uint32_t height, GxFormat format);
    bool CreateScratchA(std::string_view name, uint32_t width, uint32_t height, GxFormat format);
    bool CreateSystemMemory(std::u16string_view name, uint32_t width, uint32_t height, GxFormat format);
    bool CreateSystemMemoryA(std::string_view name, uint32_t width, uint32_t height, GxFormat format);
    bool CreateDepthStencil(std::u16string_view name, uint32_t width, uint32_t height, GxFormat format,
                            GxMultiSampleType msType, uint32_t msQuality);
    bool CreateDepthStencilA(std::string_view name, uint32_t width, uint32_t height, GxFormat format,
                             GxMultiSampleType msType, uint32_t msQuality);
    bool CreateRenderTarget(std::u16string_view name, uint32_t width, uint32_t height, GxFormat format,
                            GxMultiSampleType msType, uint32_t msQuality);
    bool CreateRenderTargetA(std::string_view name, uint32_t width, uint32_t height, GxFormat format,
                             GxMultiSampleType msType, uint32_t msQuality);
    // A scratch surface holding a picture file.
    bool CreateFromFile(std::u16string_view name, GxFormat format, GxColor colorKey);
    bool CreateFromFileA(std::string_view name, GxFormat format, GxColor colorKey);

    // The device stretches source (its rectangle, none = whole) onto this surface (destRect,
    // none = whole). The destination must be a default-pool surface.
    bool StretchRect(const GxRectL* destRect, GxSurface* source, const GxRectL* sourceRect, GxTextureFilter filter);
    // The device surface with a reference added (none when absent).
    void GetSurface(GxDeviceSurface** surface);
    // The pixels as a PNG file.
    bool SaveToFile(std::u16string_view path);
    bool SaveToFileA(std::string_view path);
    // The pixels as 0xAARRGGBB words, top row first; false when they cannot be read.
    bool ReadPixels(GxPixelImage* image);

private:
    enum class Kind : uint8_t { Plain, DepthStencil, RenderTarget };
    bool Create(Kind kind, GxPool pool, std::u16string_view name, uint32_t width, uint32_t height, GxFormat format,
                GxMultiSampleType msType, uint32_t msQuality, const char16_t* failure);
    void ReadBack();
    void ResetFields();

    GxDeviceSurface* m_pSurface = nullptr;
    GxFormat m_Format = GXFMT_UNKNOWN;
    GxPool m_Pool = GXPOOL_SCRATCH;
    uint32_t m_Width = 0;
    uint32_t m_Height = 0;
    uint32_t m_ImageWidth = 0;
    uint32_t m_ImageHeight = 0;
    bool m_Locked = false;
};
