// GxTexture: the engine's texture. Pictures that layers, widgets and text draw, the off-screen
// render targets and the textures of the named texture factory are all GxTexture objects or
// derived from it.
//
// Sizes: a texture is made with power-of-two sides (square when the device asks for squares);
// the size asked for, or the loaded picture's size, is kept as the image size. Pixels are reached
// through LockRect in the device layout of the texture's format: A8R8G8B8 / X8R8G8B8 as 32-bit
// 0xAARRGGBB words, A4R4G4B4 / X4R4G4B4 as 16-bit 0xARGB words, rows top first.
//
// Render targets live in the default pool with a system-memory copy; LockRect, GetPixel and
// SaveToFile first fetch what was last drawn into that copy, and UpdateTexture sends the copy
// back. Everything else lives in the managed pool and needs nothing across a device reset.
//
// Failures follow the engine's rule: false (or 0) plus one log line naming the texture; an
// operation on an empty texture returns false (or 0) without a message. Main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/GxD3DResource.h"
#include "platform/GxDevice.h"

// What the render-target stack asks of its entries (textures and surfaces).
class GxSurfaceBase : public GxD3DResourceBase
{
public:
    // Makes the object the device's render target number index.
    virtual bool SetRenderTarget(uint32_t index) = 0;
    virtual uint32_t GetWidth() = 0;
    virtual uint32_t GetHeight() = 0;
    // The device surface of a depth-stencil object, without a reference; none for the others
    // (a texture is never a depth stencil).
    virtual GxDeviceSurface* GetD3DSurface() { return nullptr; }
};

class GxTextureBase : public GxSurfaceBase
{
};

// A picture built into the program: what a module resource is on this platform.
struct GxResourceData
{
    const void* data = nullptr;
    uint32_t size = 0;
};

// 32-bit 0xAARRGGBB to 16-bit 0xARGB: the top four bits of each channel.
constexpr uint16_t GxColor32To16(uint32_t c)
{
    return static_cast<uint16_t>(((c >> 16) & 0xF000) | ((c >> 12) & 0x0F00) | ((c >> 8) & 0x00F0) |
                                 ((c >> 4) & 0x000F));
}
// 16-bit 0xARGB to 32-bit: each four-bit channel n becomes n x 17 (0xF -> 0xFF).
constexpr uint32_t GxColor16To32(uint16_t c)
{
    return ((c & 0xF000u) * 0x11000u) | ((c & 0x0F00u) * 0x1100u) | ((c & 0x00F0u) * 0x110u) |
           ((c & 0x000Fu) * 0x11u);
}
constexpr bool GxIs32BitFormat(GxFormat f) { return f == GXFMT_A8R8G8B8 || f == GXFMT_X8R8G8B8; }
constexpr bool GxIs16BitFormat(GxFormat f) { return f == GXFMT_A4R4G4B4 || f == GXFMT_X4R4G4B4; }

// The texture side for an image side: the smallest power of two not below it (1 for 0 and 1);
// 0 when that does not fit in 32 bits.
uint32_t GxTextureSideFor(uint64_t imageSide);

class GxTexture : public GxTextureBase
{
public:
    GxTexture();
    ~GxTexture() override;

    // Resource slots.
    void Release() override;
    void OnLostDevice() override;
    void OnResetDevice() override;
    uint32_t GetMemorySize() override;

    // Render-target stack entry: level 0 becomes render target number index.
    bool SetRenderTarget(uint32_t index) override;

    GxFormat GetFormat() const { return m_Format; }
    GxPool GetPool() const { return m_Pool; }
    uint32_t GetWidth() override { return m_Width; }
    uint32_t GetHeight() override { return m_Height; }
    uint32_t GetImageWidth() const { return m_ImageWidth; }
    uint32_t GetImageHeight() const { return m_ImageHeight; }
    uint32_t GetMipLevels() const { return m_MipLevels; }
    GxColor GetColorKey() const { return m_ColorKey; }
    bool GetScaleToFit() const { return m_ScaleToFit; }
    bool IsLocked() const { return m_Locked; }
    // The device texture, without a reference.
    GxDeviceTexture* GetD3DTexture() const { return m_pTexture; }
    // Texture coordinates of a pixel position: x / width, y / height.
    float GetU(float x) const;
    float GetV(float y) const;

    // Creation without a picture. Format GXFMT_UNKNOWN (0) takes the device's texture format
    // (render-target format for CreateRenderTarget); mip levels 0 asks for the full chain.
    virtual bool CreateTexture(std::u16string_view name, uint32_t width, uint32_t height, GxFormat format,
                               uint32_t mipLevels);
    bool CreateTextureA(std::string_view name, uint32_t width, uint32_t height, GxFormat format, uint32_t mipLevels);
    // Default-pool render target with a system-memory copy (object type 4).
    virtual bool CreateRenderTarget(std::u16string_view name, uint32_t width, uint32_t height, GxFormat format);
    bool CreateRenderTargetA(std::string_view name, uint32_t width, uint32_t height, GxFormat format);
    // Managed texture with one level (object type 3).
    virtual bool CreateBufferedTexture(std::u16string_view name, uint32_t width, uint32_t height, GxFormat format);
    bool CreateBufferedTextureA(std::string_view name, uint32_t width, uint32_t height, GxFormat format);

    // Creation from pictures (PNG, JPEG, DDS, TGA, BMP, told apart by their content). With scale
    // to fit a picture whose size differs from the texture size is resampled over the whole
    // texture; otherwise it sits at the top left and the rest is transparent black. Pixels equal
    // to a non-zero colour key become transparent black.
    virtual bool CreateFromFile(std::u16string_view name, GxFormat format, uint32_t mipLevels, GxColor colorKey,
                                bool scaleToFit);
    bool CreateFromFileA(std::string_view name, GxFormat format, uint32_t mipLevels, GxColor colorKey,
                         bool scaleToFit);
    // The picture of a file, decoded when its pixels are first used (drawn, locked, read,
    // copied): a picture never shown costs the bytes of its file only. The file and its header
    // are read now, so a missing file or a broken header fails here as in CreateFromFile; pixel
    // data that turns out damaged is reported when it is decoded, and the texture stays
    // transparent black. One mip level; the picture sits at the top left.
    virtual bool CreateFromFileOnUse(std::u16string_view name, GxFormat format, GxColor colorKey);
    // Loads the picture of the texture's own name again with its stored settings.
    virtual bool ReloadFromFile();
    // The picture bytes come from a built-in resource; module is not used on this platform.
    virtual bool CreateFromResource(std::u16string_view name, void* module, const GxResourceData* resource,
                                    GxFormat format, uint32_t mipLevels, GxColor colorKey, bool scaleToFit);
    bool CreateFromResourceA(std::string_view name, void* module, const GxResourceData* resource, GxFormat format,
                             uint32_t mipLevels, GxColor colorKey, bool scaleToFit);
    // PNG pictures composited in list order (the first at the bottom) into one texture of the
    // first picture's size.
    virtual bool CreateFromFileMultiBlend(std::u16string_view name, const std::vector<std::u16string>& files,
                                          GxFormat format, uint32_t mipLevels);

    // Pixel operations. Colours are 0xAARRGGBB; 16-bit formats take their 16-bit form.
    virtual bool Fill(GxColor color);
    // rect none = the whole texture; the rectangle is clamped to the texture.
    virtual bool FillRect(const GxRectL* rect, GxColor color);
    virtual bool FillRectMapped(const GxRectL& rect, GxColor color);
    // rows > 0 moves the picture down, rows < 0 up; the uncovered rows take the colour. A count
    // of the height or more either way fills every row.
    virtual bool Scroll(int32_t rows, GxColor color);
    virtual bool StretchRect(const GxRectL* destRect, GxTexture* source, const GxRectL* sourceRect,
                             GxTextureFilter filter);
    // Locks level 0 (the memory copy for render targets). Every out parameter may be none; width
    // and height are those of the rectangle (none = whole texture). A second lock before
    // UnlockRect is refused.
    virtual bool LockRect(const GxRectL* rect, void** bits, int32_t* pitch, uint32_t* width, uint32_t* height,
                          GxFormat* format, bool readOnly);
    virtual bool UnlockRect();

    // Level-0 surfaces and the textures, each with a reference added (none when absent).
    virtual void GetSurfaceLevel(GxDeviceSurface** surface);
    virtual void GetMemorySurfaceLevel(GxDeviceSurface** surface);
    virtual void GetTexture(GxDeviceTexture** texture);
    virtual void GetMemoryTexture(GxDeviceTexture** texture);

    // Render target -> its memory copy (render targets only).
    virtual bool TransferRenderTargetToMemory();
    // Memory copy -> device texture.
    virtual bool UpdateTexture();
    // Level 0 as a PNG file.
    virtual bool SaveToFile(std::u16string_view path);
    bool SaveToFileA(std::string_view path);

    // One pixel as 0xAARRGGBB (16-bit pixels expanded); 0 outside the texture or for other formats.
    virtual GxColor GetPixel(uint32_t x, uint32_t y);
    // Copies a block of source (rect none = the whole source) to x, y of this texture, cut to
    // both textures and converting between 32-bit and 16-bit pixels; other format pairs copy
    // nothing. True in every case.
    virtual bool CopyRect(GxTexture* source, const GxRectL* rect, int32_t x, int32_t y);
    // The kernels: block is already cut to both textures.
    virtual void CopyRect32To32(GxTexture* source, const GxRectL& block, int32_t x, int32_t y);
    virtual void CopyRect16To16(GxTexture* source, const GxRectL& block, int32_t x, int32_t y);
    virtual void CopyRect32To16(GxTexture* source, const GxRectL& block, int32_t x, int32_t y);
    virtual void CopyRect16To32(GxTexture* source, const GxRectL& block, int32_t x, int32_t y);

protected:
    // The shared start of every create operation: drops what the object held and fills the
    // description. Returns the device, or none.
    GxDevice* BeginCreate(std::u16string_view name, uint32_t imageWidth, uint32_t imageHeight, GxFormat format,
                          GxPool pool, int32_t objectType, uint32_t mipLevels);
    // Success of a create: size, format and pool read back, registered, one reference.
    void FinishCreate();
    // Loads picture bytes into a new managed texture with the stored settings.
    GxResult LoadFromMemory(GxDevice* device, const void* data, uint32_t size);
    // Level 0 of the texture that CPU access uses (the memory copy for the default pool).
    GxDeviceTexture* CpuTexture() const;
    void ResetFields();

    GxDeviceTexture* m_pTexture = nullptr;
    GxDeviceTexture* m_pMemoryTexture = nullptr;
    GxFormat m_Format = GXFMT_UNKNOWN;
    GxPool m_Pool = GXPOOL_SCRATCH;
    uint32_t m_Width = 0;
    uint32_t m_Height = 0;
    uint32_t m_ImageWidth = 0;
    uint32_t m_ImageHeight = 0;
    uint32_t m_MipLevels = 0;
    bool m_Locked = false;
    GxColor m_ColorKey = 0;
    bool m_ScaleToFit = true;
    std::string m_LoadError;  // the picture reader's reason for the last failed load
};
