// Surfaces in every pool, depth stencils and render-target surfaces, their device loss, StretchRect
// and reading pixels; flexible textures in 128 x 128 tiles.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "graphics/GxSurface.h"
#include "graphics/GxTextureFlex.h"
#include "present_test_support.h"
#include "tests/support/GxPictureWriter.h"

namespace {

using Surface = gxtest::RecordingGraphics;
using TextureFlex = gxtest::RecordingGraphics;

void Fill(GxDeviceSurface* s, uint32_t width, uint32_t height, uint32_t (*color)(uint32_t x, uint32_t y))
{
    GxLockedRect lr;
    ASSERT_EQ(s->LockRect(&lr, nullptr, 0), GX_OK);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            static_cast<uint32_t*>(lr.pBits)[static_cast<size_t>(y) * (lr.Pitch / 4) + x] = color(x, y);
    ASSERT_EQ(s->UnlockRect(), GX_OK);
}

}  // namespace

TEST_F(Surface, EachKindOfCreation)
{
    ASSERT_TRUE(Create());
    struct Case
    {
        const char* what;
        bool (*create)(GxSurface&);
        int32_t type;
        GxPool pool;
        GxFormat format;
    };
    const Case cases[] = {
        {"plain", [](GxSurface& s) { return s.CreateSurface(u"Pic", 300, 200, GXFMT_UNKNOWN); }, OBJTYPE_SURFACE,
         GXPOOL_DEFAULT, GXFMT_A8R8G8B8},
        {"scratch", [](GxSurface& s) { return s.CreateScratch(u"Pic", 300, 200, GXFMT_A4R4G4B4); }, OBJTYPE_SURFACE,
         GXPOOL_SCRATCH, GXFMT_A4R4G4B4},
        {"system memory", [](GxSurface& s) { return s.CreateSystemMemoryA("Pic", 300, 200, GXFMT_UNKNOWN); },
         OBJTYPE_SURFACE, GXPOOL_SYSTEMMEM, GXFMT_A8R8G8B8},
        {"depth stencil",
         [](GxSurface& s) { return s.CreateDepthStencil(u"Pic", 300, 200, GXFMT_UNKNOWN, GXMULTISAMPLE_NONE, 0); },
         OBJTYPE_DEPTHSTENCIL, GXPOOL_DEFAULT, GXFMT_D24S8},
        {"render target",
         [](GxSurface& s) { return s.CreateRenderTargetA("Pic", 300, 200, GXFMT_UNKNOWN, GXMULTISAMPLE_NONE, 0); },
         OBJTYPE_RENDERTARGET, GXPOOL_DEFAULT, GXFMT_A8R8G8B8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GxSurface s;
        ASSERT_TRUE(c.create(s));
        EXPECT_EQ(s.GetObjectType(), c.type);
        EXPECT_EQ(s.GetPool(), c.pool);
        EXPECT_EQ(s.GetFormat(), c.format);
        // Never rounded up.
        EXPECT_EQ(s.GetWidth(), 300u);
        EXPECT_EQ(s.GetHeight(), 200u);
        EXPECT_EQ(s.GetImageWidth(), 300u);
        EXPECT_EQ(s.GetImageHeight(), 200u);
        EXPECT_EQ(s.GetName(), u"pic");
        EXPECT_EQ(s.GetRefCount(), 1u);
        EXPECT_TRUE(GxGetD3DResourceManage().IsRegistered(&s));
        GxDeviceSurface* ref = nullptr;
        s.GetSurface(&ref);
        EXPECT_EQ(ref, s.GetD3DSurface());
        GxSafeRelease(ref);

        // The first Release of two references keeps everything; the second resets the fields.
        s.AddRef();
        s.Release();
        EXPECT_NE(s.GetD3DSurface(), nullptr);
        s.Release();
        EXPECT_EQ(s.GetD3DSurface(), nullptr);
        EXPECT_EQ(s.GetObjectType(), OBJTYPE_NONE);
        EXPECT_EQ(s.GetPool(), GXPOOL_SCRATCH);
        EXPECT_EQ(s.GetWidth(), 0u);
        EXPECT_TRUE(s.GetName().empty());
        EXPECT_FALSE(GxGetD3DResourceManage().IsRegistered(&s));
    }
}

TEST_F(Surface, FailedCreationIsLoggedAndLeavesTheSurfaceEmpty)
{
    ASSERT_TRUE(Create());
    struct Case
    {
        bool (*create)(GxSurface&);
        std::u16string prefix;
    };
    const Case cases[] = {
        {[](GxSurface& s) { return s.CreateSurface(u"x", 0, 0, GXFMT_UNKNOWN); },
         u"Error/Surface CreateSurface Failed(Name:\"x\" Size:0,0 "},
        {[](GxSurface& s) { return s.CreateScratch(u"x", 4, 4, GXFMT_DXT1); },
         u"Error/Surface CreateScratch Failed(Name:\"x\" Size:4,4 "},
        {[](GxSurface& s) { return s.CreateSystemMemory(u"x", 0, 4, GXFMT_UNKNOWN); },
         u"Error/Surface CreateSystemMemory Failed(Name:\"x\" Size:0,4 "},
        {[](GxSurface& s) { return s.CreateDepthStencil(u"x", 4, 4, GXFMT_A8R8G8B8, GXMULTISAMPLE_NONE, 0); },
         u"Error/Surface CreateDepthStencil Failed(Name:\"x\" Size:4,4 "},
        {[](GxSurface& s) { return s.CreateRenderTarget(u"x", 4, 4, GXFMT_A4R4G4B4, GXMULTISAMPLE_NONE, 0); },
         u"Error/Surface CreateRenderTarget Failed(Name:\"x\" Size:4,4 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(GxWideToUtf8(c.prefix));
        GxSurface s;
        EXPECT_FALSE(c.create(s));
        EXPECT_EQ(s.GetRefCount(), 0u);
        EXPECT_EQ(s.GetD3DSurface(), nullptr);
        EXPECT_FALSE(GxGetD3DResourceManage().IsRegistered(&s));
        ASSERT_FALSE(ErrorLines().empty());
        EXPECT_EQ(ErrorLines().back().rfind(c.prefix, 0), 0u) << GxWideToUtf8(ErrorLines().back());
    }
    // Without a device nothing is made and nothing is logged.
    GxGraphics::Release();
    size_t lines = ErrorLines().size();
    GxSurface s;
    EXPECT_FALSE(s.CreateSurface(u"x", 4, 4, GXFMT_UNKNOWN));
    EXPECT_EQ(ErrorLines().size(), lines);
}

TEST_F(Surface, DeviceLossKeepsScratchAndRemakesTheOthersEmpty)
{
    ASSERT_TRUE(Create());
    GxSurface scratch, sysmem, plain, depth, target;
    ASSERT_TRUE(scratch.CreateScratch(u"s", 2, 2, GXFMT_A8R8G8B8));
    ASSERT_TRUE(sysmem.CreateSystemMemory(u"m", 2, 2, GXFMT_A8R8G8B8));
    ASSERT_TRUE(plain.CreateSurface(u"p", 2, 2, GXFMT_A8R8G8B8));
    ASSERT_TRUE(depth.CreateDepthStencil(u"d", 2, 2, GXFMT_D24X8, GXMULTISAMPLE_NONE, 0));
    ASSERT_TRUE(target.CreateRenderTarget(u"t", 2, 2, GXFMT_A8R8G8B8, GXMULTISAMPLE_NONE, 0));
    Fill(scratch.GetD3DSurface(), 2, 2, [](uint32_t, uint32_t) { return 0xFFABCDEFu; });
    Fill(sysmem.GetD3DSurface(), 2, 2, [](uint32_t, uint32_t) { return 0xFFABCDEFu; });

    GxGetD3DResourceManage().OnLostDevice();
    EXPECT_NE(scratch.GetD3DSurface(), nullptr);
    for (GxSurface* s : {&sysmem, &plain, &depth, &target}) EXPECT_EQ(s->GetD3DSurface(), nullptr);
    ASSERT_TRUE(GxGraphics::Reset(true, SCRMODE_WINDOW, SCRMODE_WINDOW));
    for (GxSurface* s : {&sysmem, &plain, &depth, &target}) {
        ASSERT_NE(s->GetD3DSurface(), nullptr);
        GxSurfaceDesc d;
        ASSERT_EQ(s->GetD3DSurface()->GetDesc(&d), GX_OK);
        EXPECT_EQ(d.Width, 2u);
        EXPECT_EQ(d.Format, s->GetFormat());
        EXPECT_EQ(d.Pool, s->GetPool());
    }
    GxPixelImage p;
    ASSERT_TRUE(scratch.ReadPixels(&p));
    EXPECT_EQ(p.At(1, 1), 0xFFABCDEFu);
    ASSERT_TRUE(sysmem.ReadPixels(&p));
    EXPECT_EQ(p.At(1, 1), 0u);
}

TEST_F(Surface, StretchRectWithoutRectanglesCoversTheWholeTarget)
{
    ASSERT_TRUE(Create());
    GxSurface source, target;
    ASSERT_TRUE(source.CreateScratch(u"src", 2, 2, GXFMT_A8R8G8B8));
    ASSERT_TRUE(target.CreateRenderTarget(u"dst", 4, 6, GXFMT_A8R8G8B8, GXMULTISAMPLE_NONE, 0));
    Fill(source.GetD3DSurface(), 2, 2, [](uint32_t x, uint32_t y) { return 0xFF000000u | (x << 16) | (y << 8) | 0x7F; });
    ASSERT_TRUE(target.StretchRect(nullptr, &source, nullptr, GXTEXF_POINT));
    GxPixelImage p;
    ASSERT_TRUE(target.ReadPixels(&p));
    ASSERT_EQ(p.width, 4u);
    ASSERT_EQ(p.height, 6u);
    for (uint32_t y = 0; y < 6; ++y)
        for (uint32_t x = 0; x < 4; ++x)
            EXPECT_EQ(p.At(x, y), 0xFF000000u | ((x / 2) << 16) | ((y / 3) << 8) | 0x7F) << x << "," << y;

    // A part onto a part.
    const GxRectL from{1, 1, 2, 2}, to{0, 0, 1, 1};
    ASSERT_TRUE(target.StretchRect(&to, &source, &from, GXTEXF_NONE));
    ASSERT_TRUE(target.ReadPixels(&p));
    EXPECT_EQ(p.At(0, 0), 0xFF01017Fu);
    // A scratch surface cannot be a destination.
    EXPECT_FALSE(source.StretchRect(nullptr, &target, nullptr, GXTEXF_POINT));
    EXPECT_EQ(ErrorLines().back().rfind(u"Error/Surface StretchRect Failed(Name:\"src\" Size:2,2 ", 0), 0u);
}

TEST_F(TextureFlex, TileGridFollowsThePictureSize)
{
    ASSERT_TRUE(Create());
    struct Case
    {
        uint32_t w, h, columns, rows;
    };
    for (const Case& c : {Case{1280, 720, 10, 6}, Case{129, 1, 2, 1}, Case{128, 128, 1, 1}, Case{1, 257, 1, 3}}) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
        GxTextureFlex t;
        ASSERT_TRUE(t.CreateTexture(u"Flex", c.w, c.h, GXFMT_UNKNOWN));
        EXPECT_EQ(t.GetColumns(), c.columns);
        EXPECT_EQ(t.GetRows(), c.rows);
        EXPECT_EQ(t.GetWidth(), c.w);
        EXPECT_EQ(t.GetImageHeight(), c.h);
        EXPECT_EQ(t.GetTileWidth(), 128u);
        EXPECT_EQ(t.GetPool(), GXPOOL_MANAGED);
        EXPECT_EQ(t.GetFormat(), GXFMT_A8R8G8B8);
        EXPECT_EQ(t.GetObjectType(), OBJTYPE_FLEXTEXTURE);
        EXPECT_EQ(t.GetName(), u"flex");
        EXPECT_EQ(t.GetMemorySize(), c.columns * c.rows * 65536u);
        for (uint32_t r = 0; r < c.rows; ++r)
            for (uint32_t col = 0; col < c.columns; ++col) {
                GxDeviceTexture* tile = t.GetTile(col, r);
                ASSERT_NE(tile, nullptr);
                EXPECT_EQ(tile, t.GetD3DTextures()[r * c.columns + col]);
                GxSurfaceDesc d;
                ASSERT_EQ(tile->GetLevelDesc(0, &d), GX_OK);
                EXPECT_EQ(d.Width, 128u);
                EXPECT_EQ(d.Pool, GXPOOL_MANAGED);
            }
    }
    GxTextureFlex small;
    ASSERT_TRUE(small.CreateTexture(u"s", 1280, 720, GXFMT_A4R4G4B4));
    EXPECT_EQ(small.GetMemorySize(), 60u * 128 * 128 * 2);
    small.Release();
    EXPECT_EQ(small.GetColumns(), 0u);
    EXPECT_EQ(small.GetD3DTextures(), nullptr);
    EXPECT_FALSE(GxGetD3DResourceManage().IsRegistered(&small));
}

TEST_F(TextureFlex, TilesThatCannotBeMadeFailTheWholeTexture)
{
    ASSERT_TRUE(Create());
    GxTextureFlex t;
    // The device makes no DXT1 textures: both tiles fail, each with its line.
    EXPECT_FALSE(t.CreateTexture(u"broken", 129, 1, GXFMT_DXT1));
    EXPECT_EQ(t.GetRefCount(), 0u);
    EXPECT_EQ(t.GetColumns(), 0u);
    EXPECT_FALSE(GxGetD3DResourceManage().IsRegistered(&t));
    size_t n = 0;
    for (const auto& l : ErrorLines())
        n += l.rfind(u"Error/FlexTexture CreateTexture Failed(Name:\"broken\" Size:129,1 ", 0) == 0 ? 1 : 0;
    EXPECT_EQ(n, 2u);
}

TEST_F(TextureFlex, CopyFromSurfaceFillsEachTileFromTheTopLeft)
{
    ASSERT_TRUE(Create());
    GxSurface source;
    ASSERT_TRUE(source.CreateScratch(u"src", 1280, 720, GXFMT_X8R8G8B8));
    Fill(source.GetD3DSurface(), 1280, 720, [](uint32_t x, uint32_t y) { return (x << 12) | y; });
    GxTextureFlex t;
    ASSERT_TRUE(t.CreateTexture(u"flex", 1280, 720, GXFMT_A8R8G8B8));
    ASSERT_TRUE(t.CopyFromSurface(source.GetD3DSurface()));

    GxPixelImage tile;
    ASSERT_EQ(Device()->ReadTexture(t.GetTile(3, 2), 0, &tile), GX_OK);
    EXPECT_EQ(tile.At(0, 0), 0xFF000000u | ((384u << 12) | 256u));
    EXPECT_EQ(tile.At(127, 127), 0xFF000000u | ((511u << 12) | 383u));
    // The last row's tiles receive 80 source rows; the rest stays as created.
    ASSERT_EQ(Device()->ReadTexture(t.GetTile(9, 5), 0, &tile), GX_OK);
    EXPECT_EQ(tile.At(127, 79), 0xFF000000u | ((1279u << 12) | 719u));
    EXPECT_EQ(tile.At(0, 80), 0u);
    EXPECT_EQ(tile.At(127, 127), 0u);

    // Managed tiles survive a reset untouched.
    ASSERT_TRUE(GxGraphics::Reset(true, SCRMODE_WINDOW, SCRMODE_WINDOW));
    ASSERT_EQ(Device()->ReadTexture(t.GetTile(9, 5), 0, &tile), GX_OK);
    EXPECT_EQ(tile.At(127, 79), 0xFF000000u | ((1279u << 12) | 719u));

    // An empty picture copies nothing and succeeds.
    GxTextureFlex empty;
    ASSERT_TRUE(empty.CreateTexture(u"empty", 0, 0, GXFMT_UNKNOWN));
    EXPECT_EQ(empty.GetColumns(), 0u);
    EXPECT_TRUE(empty.CopyFromSurface(source.GetD3DSurface()));
}

namespace {

std::u16string WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    if (f) {
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
    return GxUtf8ToWide(path.string());
}

}  // namespace

TEST_F(Surface, FromFileSaveAndLoadAgain)
{
    ASSERT_TRUE(Create());
    gxtest::TestPicture picture = gxtest::MakeTestPicture(37, 21, true);
    std::u16string file = WriteFile(logs.dir / "Pic.PNG", gxtest::WritePngRgba(picture));

    GxSurface loaded;
    ASSERT_TRUE(loaded.CreateFromFile(file, GXFMT_UNKNOWN, 0));
    EXPECT_EQ(loaded.GetPool(), GXPOOL_SCRATCH);
    EXPECT_EQ(loaded.GetObjectType(), OBJTYPE_SURFACE);
    EXPECT_EQ(loaded.GetWidth(), 37u);
    EXPECT_EQ(loaded.GetImageHeight(), 21u);
    EXPECT_EQ(loaded.GetName(), GxToLower(file));
    GxPixelImage p;
    ASSERT_TRUE(loaded.ReadPixels(&p));
    EXPECT_EQ(p.pixels, picture.pixels);

    // A render target saved as PNG comes back with the same pixels.
    GxSurface target;
    ASSERT_TRUE(target.CreateRenderTarget(u"rt", 37, 21, GXFMT_A8R8G8B8, GXMULTISAMPLE_NONE, 0));
    ASSERT_TRUE(target.StretchRect(nullptr, &loaded, nullptr, GXTEXF_NONE));
    std::u16string saved = GxUtf8ToWide((logs.dir / "saved.png").string());
    ASSERT_TRUE(target.SaveToFile(saved));
    GxSurface back;
    ASSERT_TRUE(back.CreateFromFileA(GxWideToAnsi(saved), GXFMT_A8R8G8B8, 0));
    ASSERT_TRUE(back.ReadPixels(&p));
    EXPECT_EQ(p.pixels, picture.pixels);

    // A missing file leaves the surface empty and unregistered.
    GxSurface missing;
    EXPECT_FALSE(missing.CreateFromFile(u"no/such.png", GXFMT_UNKNOWN, 0));
    EXPECT_EQ(missing.GetRefCount(), 0u);
    EXPECT_EQ(missing.GetObjectType(), OBJTYPE_NONE);
    EXPECT_FALSE(GxGetD3DResourceManage().IsRegistered(&missing));
    // Saving where no file can be made is reported.
    EXPECT_FALSE(target.SaveToFile(u"/no/such/folder/x.png"));
    EXPECT_EQ(ErrorLines().back().rfind(u"Error/Surface SaveToFile Failed(Name:\"rt\" Size:37,21 ", 0), 0u);
}

TEST_F(TextureFlex, FromFileWithAColourKey)
{
    ASSERT_TRUE(Create());
    gxtest::TestPicture picture = gxtest::MakeTestPicture(300, 130, false);
    picture.At(299, 129) = 0xFF00FF00u;
    std::u16string file = WriteFile(logs.dir / "wide.png", gxtest::WritePngRgba(picture));
    GxTextureFlex t;
    ASSERT_TRUE(t.CreateFromFile(file, GXFMT_UNKNOWN, 0xFF00FF00u));
    EXPECT_EQ(t.GetRefCount(), 1u);
    EXPECT_EQ(t.GetColorKey(), 0xFF00FF00u);
    EXPECT_EQ(t.GetColumns(), 3u);
    EXPECT_EQ(t.GetRows(), 2u);
    GxPixelImage tile;
    ASSERT_EQ(Device()->ReadTexture(t.GetTile(1, 0), 0, &tile), GX_OK);
    EXPECT_EQ(tile.At(5, 7), picture.At(133, 7));
    ASSERT_EQ(Device()->ReadTexture(t.GetTile(2, 1), 0, &tile), GX_OK);
    EXPECT_EQ(tile.At(43, 1), 0u);  // the keyed pixel is transparent black
    EXPECT_EQ(tile.At(42, 1), picture.At(298, 129));

    GxTextureFlex missing;
    EXPECT_FALSE(missing.CreateFromFile(u"no/such.png", GXFMT_UNKNOWN, 0));
    EXPECT_EQ(missing.GetRefCount(), 0u);
    EXPECT_FALSE(GxGetD3DResourceManage().IsRegistered(&missing));
}
