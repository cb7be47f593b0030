#include "graphics/GxTextureFlex.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "core/GxBinBuffer.h"
#include "core/GxFile.h"
#include "core/GxLog.h"
#include "core/GxString.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxImageLoader.h"
#include "platform/GxHeap.h"
#include "platform/GxPicture.h"

GxTextureFlex::GxTextureFlex() { m_ObjectType = OBJTYPE_NONE; }

GxTextureFlex::~GxTextureFlex() { ReleaseAll(); }

void GxTextureFlex::ResetFields()
{
    for (auto*& t : m_Tiles) GxSafeRelease(t);
    m_Tiles.clear();
    m_Tiles.shrink_to_fit();
    m_Format = GXFMT_UNKNOWN;
    m_Pool = GXPOOL_SCRATCH;
    m_Width = m_Height = m_ImageWidth = m_ImageHeight = 0;
    m_Columns = m_Rows = m_TileWidth = m_TileHeight = m_MipLevels = 0;
    m_Locked = false;
    m_ColorKey = 0;
    m_ObjectType = OBJTYPE_NONE;
    m_Name.clear();
}

void GxTextureFlex::Release()
{
    if (m_RefCount == 0) return;
    if (DecRef() != 0) return;
    ResetFields();
    GxGetD3DResourceManage().Unregister(this);
}

uint32_t GxTextureFlex::GetMemorySize()
{
    uint32_t tile = m_TileWidth * m_TileHeight;
    uint32_t bytes = (m_Format == GXFMT_A8R8G8B8 || m_Format == GXFMT_X8R8G8B8)   ? 4
                     : (m_Format == GXFMT_A4R4G4B4 || m_Format == GXFMT_X4R4G4B4) ? 2
                                                                                  : 0;
    return m_Columns * m_Rows * tile * bytes;
}

GxDeviceTexture* GxTextureFlex::GetTile(uint32_t column, uint32_t row) const
{
    if (column >= m_Columns || row >= m_Rows) return nullptr;
    return m_Tiles[static_cast<size_t>(row) * m_Columns + column];
}

bool GxTextureFlex::CreateTexture(std::u16string_view name, uint32_t width, uint32_t height, GxFormat format)
{
    ReleaseAll();
    m_Format = format == GXFMT_UNKNOWN ? GxGraphics::GetTextureFormat() : format;
    m_Pool = GXPOOL_MANAGED;
    m_MipLevels = 1;
    m_Locked = false;
    m_ObjectType = OBJTYPE_FLEXTEXTURE;
    m_Name = GxToLower(name);
    GxDevice* device = GxGraphics::GetDevice();
    if (!device) {
        ResetFields();
        return false;
    }
    m_Width = m_ImageWidth = width;
    m_Height = m_ImageHeight = height;
    m_Columns = static_cast<uint32_t>((static_cast<uint64_t>(width) + 127) >> 7);
    m_Rows = static_cast<uint32_t>((static_cast<uint64_t>(height) + 127) >> 7);
    m_TileWidth = kTileSize;
    m_TileHeight = kTileSize;
    m_Tiles.assign(static_cast<size_t>(m_Columns) * m_Rows, nullptr);
    bool all = true;
    for (auto*& tile : m_Tiles) {
        GxResult r = device->CreateTexture(kTileSize, kTileSize, 1, 0, m_Format, GXPOOL_MANAGED, &tile);
        if (GxFailed(r)) {
            tile = nullptr;
            all = false;
            GxPrintErrorLog(u"Error/FlexTexture CreateTexture Failed(Name:\"%s\" Size:%d,%d %s)\n", m_Name, width, height,
                            GxGraphics::GetD3DErrorString(r));
        }
    }
    // A picture with holes would draw wrongly: the creation fails as a whole.
    if (!all) {
        ResetFields();
        return false;
    }
    GxGetD3DResourceManage().Register(this);
    AddRef();
    return true;
}

bool GxTextureFlex::CreateTextureA(std::string_view name, uint32_t width, uint32_t height, GxFormat format)
{
    return CreateTexture(GxAnsiToWide(name), width, height, format);
}

bool GxTextureFlex::CreateFromFileA(std::string_view name, GxFormat format, GxColor colorKey)
{
    return CreateFromFile(GxAnsiToWide(name), format, colorKey);
}

bool GxTextureFlex::CopyFromSurface(GxDeviceSurface* surface)
{
    if (!surface) return false;
    GxSurfaceDesc sd;
    if (GxFailed(surface->GetDesc(&sd))) return false;
    const uint32_t sbpp = GxFormatBytesPerPixel(sd.Format);
    const uint32_t dbpp = GxFormatBytesPerPixel(m_Format);
    for (uint32_t r = 0; r < m_Rows; ++r) {
        for (uint32_t c = 0; c < m_Columns; ++c) {
            GxDeviceTexture* tile = GetTile(c, r);
            uint32_t x = kTileSize * c, y = kTileSize * r;
            if (x >= sd.Width || y >= sd.Height) continue;
            uint32_t bw = std::min(kTileSize, sd.Width - x), bh = std::min(kTileSize, sd.Height - y);
            GxDeviceSurface* target = nullptr;
            if (!tile || GxFailed(tile->GetSurfaceLevel(0, &target)) || !target) return false;
            GxRectL src{static_cast<int32_t>(x), static_cast<int32_t>(y), static_cast<int32_t>(x + bw),
                        static_cast<int32_t>(y + bh)};
            GxRectL dst{0, 0, static_cast<int32_t>(bw), static_cast<int32_t>(bh)};
            GxLockedRect from, to;
            bool ok = sbpp != 0 && dbpp != 0 && GxSucceeded(surface->LockRect(&from, &src, GXLOCK_READONLY));
            if (ok) {
                ok = GxSucceeded(target->LockRect(&to, &dst, 0));
                if (ok) {
                    for (uint32_t row = 0; row < bh; ++row) {
                        const auto* s = static_cast<const uint8_t*>(from.pBits) + static_cast<size_t>(row) * from.Pitch;
                        auto* d = static_cast<uint8_t*>(to.pBits) + static_cast<size_t>(row) * to.Pitch;
                        for (uint32_t col = 0; col < bw; ++col)
                            GxArgbToPixel(m_Format, GxPixelToArgb(sd.Format, s + col * sbpp), d + col * dbpp);
                    }
                    target->UnlockRect();
                }
                surface->UnlockRect();
            }
            GxSafeRelease(target);
            if (!ok) return false;
        }
    }
    return true;
}

namespace {

// One tile's block of a decoded picture, stored in format into rows pitch bytes apart.
void StoreBlock(const GxPixelImage& picture, uint32_t column, uint32_t row, GxFormat format, uint8_t* bits,
                size_t pitch)
{
    constexpr uint32_t tile = GxTextureFlex::kTileSize;
    const uint32_t x = tile * column, y = tile * row;
    if (x >= picture.width || y >= picture.height) return;
    const uint32_t bw = std::min(tile, picture.width - x), bh = std::min(tile, picture.height - y);
    const uint32_t bpp = GxFormatBytesPerPixel(format);
    for (uint32_t line = 0; line < bh; ++line) {
        const uint32_t* s = picture.pixels.data() + static_cast<size_t>(y + line) * picture.width + x;
        uint8_t* d = bits + static_cast<size_t>(line) * pitch;
        if (format == GXFMT_A8R8G8B8) {
            std::memcpy(d, s, static_cast<size_t>(bw) * 4);
        } else {
            // Through the format and back, as a picture stored in it and read again is.
            uint8_t stored[4] = {0, 0, 0, 0};
            for (uint32_t col = 0; col < bw; ++col) {
                GxArgbToPixel(format, s[col], stored);
                GxArgbToPixel(format, GxPixelToArgb(format, stored), d + static_cast<size_t>(col) * bpp);
            }
        }
    }
}

// A picture that the tiles of one texture decode together at the first use of any of them,
// and let go once every tile has taken its block: each row of tiles' band of pixels as soon as
// its tiles have, so that the tiles' storage does not come on top of the whole picture.
struct PictureOnUse
{
    std::shared_ptr<GxBinBuffer> bytes;
    std::u16string name;
    GxColor colorKey = 0;
    GxPixelImage picture;
    bool tried = false;
    bool failed = false;
    uint32_t waiting = 0;
    std::vector<uint32_t> waitingInRow;  // per row of tiles

    const GxPixelImage* Get()
    {
        if (!tried) {
            tried = true;
            failed = !GxPictureDecode(bytes->GetBuffer(), bytes->GetSize(), GX_PICTURE_MAX_SIDE, &picture, nullptr,
                                      nullptr);
            bytes.reset();
            if (failed) {
                // The tiles stay transparent black.
                GxPrintErrorLog(u"Error/ImageLoadFromFile Failed(Name:\"%s\")\n", name);
                picture = GxPixelImage();
            } else if (colorKey != 0) {
                for (uint32_t& p : picture.pixels)
                    if (p == colorKey) p = 0;
            }
        }
        return failed ? nullptr : &picture;
    }
    void Done(uint32_t row)
    {
        if (row < waitingInRow.size() && waitingInRow[row] > 0 && --waitingInRow[row] == 0 && !picture.pixels.empty()) {
            constexpr uint32_t tile = GxTextureFlex::kTileSize;
            const size_t first = static_cast<size_t>(row) * tile;
            if (first < picture.height) {
                const size_t rows = std::min<size_t>(tile, picture.height - first);
                GxReleasePages(picture.pixels.data() + first * picture.width, rows * picture.width * sizeof(uint32_t));
            }
        }
        if (waiting > 0 && --waiting == 0) picture = GxPixelImage();
    }
};

// Makes the tiles of t for a picture file (its file and header read now), each to be filled
// from the picture decoded at the first use of any of them; none (logged) when the file or its
// header cannot be read or the tiles cannot be made.
std::shared_ptr<PictureOnUse> TilesOnUse(GxTextureFlex& t, std::u16string_view name, GxFormat format,
                                         GxColor colorKey)
{
    if (!GxGraphics::GetDevice()) return nullptr;
    GxImageInfo info;
    if (!GetInfoFromFile(name, &info)) return nullptr;
    auto state = std::make_shared<PictureOnUse>();
    state->bytes = std::make_shared<GxBinBuffer>();
    GxFileLoadToBinBuffer(*state->bytes, name, true, false);
    GxPictureInfo header;
    if (!state->bytes->GetBuffer() ||
        !GxPictureProbe(state->bytes->GetBuffer(), state->bytes->GetSize(), &header, nullptr) ||
        header.width > GX_PICTURE_MAX_SIDE || header.height > GX_PICTURE_MAX_SIDE) {
        GxPrintErrorLog(u"Error/ImageLoadFromFile Failed(Name:\"%s\")\n", name);
        return nullptr;
    }
    if (!t.CreateTexture(name, header.width, header.height, format)) return nullptr;
    state->name = std::u16string(name);
    state->colorKey = colorKey;
    state->waiting = t.GetColumns() * t.GetRows();
    state->waitingInRow.assign(t.GetRows(), t.GetColumns());
    const GxFormat tileFormat = t.GetFormat();
    for (uint32_t r = 0; r < t.GetRows(); ++r) {
        for (uint32_t c = 0; c < t.GetColumns(); ++c) {
            GxDeviceTexture* tile = t.GetTile(c, r);
            auto fill = [state, c, r, tileFormat](uint8_t* bits, uint32_t pitch) {
                if (const GxPixelImage* picture = state->Get()) StoreBlock(*picture, c, r, tileFormat, bits, pitch);
                state->Done(r);
            };
            if (GxSucceeded(tile->SetContentOnUse(fill))) continue;
            // A device that cannot wait for the first use gets the pixels now.
            GxLockedRect to;
            if (GxFailed(tile->LockRect(0, &to, nullptr, 0))) {
                t.ReleaseAll();
                return nullptr;
            }
            fill(static_cast<uint8_t*>(to.pBits), static_cast<uint32_t>(to.Pitch));
            tile->UnlockRect(0);
        }
    }
    return state;
}

}  // namespace

bool GxTextureFlex::CreateFromFileOnUse(std::u16string_view name, GxFormat format, GxColor colorKey)
{
    ReleaseAll();
    if (!TilesOnUse(*this, name, format, colorKey)) return false;
    m_ColorKey = colorKey;
    m_Format = format == GXFMT_UNKNOWN ? GxGraphics::GetTextureFormat() : format;
    return true;
}

bool GxTextureFlex::CreateFromFile(std::u16string_view name, GxFormat format, GxColor colorKey)
{
    ReleaseAll();
    std::shared_ptr<PictureOnUse> picture = TilesOnUse(*this, name, format, colorKey);
    if (!picture) return false;
    // The picture is decoded now, so that a damaged one fails here; the tiles still take their
    // blocks at their first use, straight into the GPU's copy. A picture that did not arrive
    // whole is no picture: the texture is given up.
    if (!picture->Get()) {
        ReleaseAll();
        return false;
    }
    m_ColorKey = colorKey;
    m_Format = format == GXFMT_UNKNOWN ? GxGraphics::GetTextureFormat() : format;
    return true;
}
