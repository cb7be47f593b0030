// GxTextureFlex: a picture of any size held as a grid of 128 x 128 managed textures, so its size
// is never rounded up to powers of two. Tile (column c, row r) is at r x columns + c; the last
// column and row hold the picture's right and bottom edges at their top left. Users draw it tile
// by tile. Managed tiles survive a device reset untouched.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/GxD3DResource.h"
#include "platform/GxDevice.h"

class GxTextureFlex : public GxD3DResourceBase
{
public:
    static constexpr uint32_t kTileSize = 128;

    GxTextureFlex();
    ~GxTextureFlex() override;

    void Release() override;
    uint32_t GetMemorySize() override;

    // The tiles, row-major, without references; an entry may be none only while creating.
    GxDeviceTexture* const* GetD3DTextures() const { return m_Tiles.data(); }
    GxDeviceTexture* GetTile(uint32_t column, uint32_t row) const;
    GxFormat GetFormat() const { return m_Format; }
    GxPool GetPool() const { return m_Pool; }
    uint32_t GetWidth() const { return m_Width; }
    uint32_t GetHeight() const { return m_Height; }
    uint32_t GetImageWidth() const { return m_ImageWidth; }
    uint32_t GetImageHeight() const { return m_ImageHeight; }
    uint32_t GetColumns() const { return m_Columns; }
    uint32_t GetRows() const { return m_Rows; }
    uint32_t GetTileWidth() const { return m_TileWidth; }
    uint32_t GetTileHeight() const { return m_TileHeight; }
    bool IsLocked() const { return m_Locked; }
    GxColor GetColorKey() const { return m_ColorKey; }

    // An empty picture of that size (format 0 = the device's texture format). Every tile must be
    // made: when one cannot be, each failure is logged and the whole creation fails.
    bool CreateTexture(std::u16string_view name, uint32_t width, uint32_t height, GxFormat format);
    bool CreateTextureA(std::string_view name, uint32_t width, uint32_t height, GxFormat format);
    // A picture file, pixels equal to a non-zero colour key made transparent.
    bool CreateFromFile(std::u16string_view name, GxFormat format, GxColor colorKey);
    bool CreateFromFileA(std::string_view name, GxFormat format, GxColor colorKey);
    // The same, decoded when one of its tiles is first used (drawn, locked, read): a picture
    // never shown costs the bytes of its file only. The file and its header are read now, so a
    // missing file or a broken header fails here; pixel data that turns out damaged is reported
    // when it is decoded, and the picture stays transparent black.
    bool CreateFromFileOnUse(std::u16string_view name, GxFormat format, GxColor colorKey);
    // Copies the surface's picture into the tiles, block by block from the top left.
    bool CopyFromSurface(GxDeviceSurface* surface);

private:
    void ResetFields();

    std::vector<GxDeviceTexture*> m_Tiles;
    GxFormat m_Format = GXFMT_UNKNOWN;
    GxPool m_Pool = GXPOOL_SCRATCH;
    uint32_t m_Width = 0;
    uint32_t m_Height = 0;
    uint32_t m_ImageWidth = 0;
    uint32_t m_ImageHeight = 0;
    uint32_t m_Columns = 0;
    uint32_t m_Rows = 0;
    uint32_t m_TileWidth = 0;
    uint32_t m_TileHeight = 0;
    uint32_t m_MipLevels = 0;
    bool m_Locked = false;
    GxColor m_ColorKey = 0;
};
