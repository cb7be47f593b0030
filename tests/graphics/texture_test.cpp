// GxTexture on the recording device: the size rule, the reference protocol, locking, the pixel
// operations in the 32-bit and 16-bit layouts (fill, scroll, pixel reads, block copies), render
// targets with their memory copy across a device reset, stretching and saving.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/GxString.h"
#include "graphics/GxD3DResource.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsSettings.h"
#include "graphics/GxImageLoader.h"
#include "graphics/GxTexture.h"
#include "graphics_test_support.h"
#include "platform/GxDeviceRecording.h"
#include "tests/support/GxPictureWriter.h"

namespace {

class TextureTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GxGetGraphicsSettings().SetStartupValues();
        adapter = GxDefaultRecordingAdapter();
        // An 8-bit format as well, for the format pairs the copies leave alone.
        adapter.desc.textureFormats.push_back(GXFMT_A8);
    }
    void TearDown() override
    {
        GxGraphics::Release();
        GxGraphics::SetDirect3DFactory(nullptr);
        GxGetGraphicsSettings().SetStartupValues();
    }
    void Create()
    {
        GxGraphics::SetDirect3DFactory([this](void*) { return GxCreateRecordingDirect3D(adapter); });
        ASSERT_TRUE(GxGraphics::Create(nullptr, nullptr, nullptr, nullptr));
    }
    std::vector<std::u16string> Errors() { return gxtest::Lines(logs.Error()); }

    // Writes a texture's level 0 from 0xAARRGGBB values (16-bit formats take their 16-bit form).
    static void Put(GxTexture& t, uint32_t x, uint32_t y, uint32_t argb)
    {
        void* bits = nullptr;
        int32_t pitch = 0;
        ASSERT_TRUE(t.LockRect(nullptr, &bits, &pitch, nullptr, nullptr, nullptr, false));
        auto* row = static_cast<uint8_t*>(bits) + static_cast<size_t>(y) * pitch;
        if (GxIs32BitFormat(t.GetFormat())) reinterpret_cast<uint32_t*>(row)[x] = argb;
        else reinterpret_cast<uint16_t*>(row)[x] = GxColor32To16(argb);
        ASSERT_TRUE(t.UnlockRect());
    }

    gxtest::LogFolder logs;
    GxRecordingAdapter adapter;
};

}  // namespace

TEST_F(TextureTest, SizesRoundUpToPowersOfTwoAndKeepTheImageSize)
{
    Create();
    struct Case
    {
        uint32_t w, h, texW, texH;
    };
    const Case cases[] = {{300, 200, 512, 256}, {0, 0, 1, 1}, {1, 1, 1, 1}, {256, 256, 256, 256},
                          {257, 3, 512, 4},     {1024, 768, 1024, 1024}};
    for (const auto& c : cases) {
        GxTexture t;
        ASSERT_TRUE(t.CreateTexture(u"Pic", c.w, c.h, GXFMT_A8R8G8B8, 1)) << c.w << "x" << c.h;
        EXPECT_EQ(t.GetWidth(), c.texW) << c.w << "x" << c.h;
        EXPECT_EQ(t.GetHeight(), c.texH) << c.w << "x" << c.h;
        EXPECT_EQ(t.GetImageWidth(), c.w);
        EXPECT_EQ(t.GetImageHeight(), c.h);
        EXPECT_EQ(t.GetMemorySize(), c.texW * c.texH * 4);
    }
    EXPECT_EQ(GxTextureSideFor(0x80000001ull), 0u);
    EXPECT_EQ(GxTextureSideFor(0x80000000ull), 0x80000000u);
}

TEST_F(TextureTest, SquareOnlyDevicesGetSquares)
{
    adapter.desc.caps.TextureCaps |= GXPTEXTURECAPS_SQUAREONLY;
    Create();
    GxTexture t;
    ASSERT_TRUE(t.CreateTexture(u"sq", 300, 200, GXFMT_A4R4G4B4, 1));
    EXPECT_EQ(t.GetWidth(), 512u);
    EXPECT_EQ(t.GetHeight(), 512u);
    EXPECT_EQ(t.GetMemorySize(), 512u * 512u * 2u);
}

TEST_F(TextureTest, CreationDescribesRegistersAndTakesOneReference)
{
    Create();
    GxD3DResourceManage& registry = GxGetD3DResourceManage();
    GxTexture t;
    ASSERT_TRUE(t.CreateTexture(u"Title/BG", 16, 16, GXFMT_UNKNOWN, 0));
    EXPECT_EQ(t.GetName(), u"title/bg");
    EXPECT_EQ(t.GetFormat(), GxGraphics::GetTextureFormat());
    EXPECT_EQ(t.GetPool(), GXPOOL_MANAGED);
    EXPECT_EQ(t.GetObjectType(), OBJTYPE_TEXTURE);
    EXPECT_EQ(t.GetRefCount(), 1u);
    EXPECT_TRUE(registry.IsRegistered(&t));
    EXPECT_EQ(t.GetD3DTexture()->GetLevelCount(), 5u);  // full chain 16 .. 1

    GxTexture b;
    ASSERT_TRUE(b.CreateBufferedTexture(u"buf", 16, 16, GXFMT_A8R8G8B8));
    EXPECT_EQ(b.GetObjectType(), OBJTYPE_BUFFEREDTEXTURE);
    EXPECT_EQ(b.GetD3DTexture()->GetLevelCount(), 1u);

    // Two holders: the first Release keeps everything, the second frees and resets.
    t.AddRef();
    t.Release();
    EXPECT_NE(t.GetD3DTexture(), nullptr);
    EXPECT_TRUE(registry.IsRegistered(&t));
    t.Release();
    EXPECT_EQ(t.GetD3DTexture(), nullptr);
    EXPECT_FALSE(registry.IsRegistered(&t));
    EXPECT_EQ(t.GetWidth(), 0u);
    EXPECT_EQ(t.GetImageWidth(), 0u);
    EXPECT_EQ(t.GetFormat(), GXFMT_UNKNOWN);
    EXPECT_EQ(t.GetPool(), GXPOOL_SCRATCH);
    EXPECT_EQ(t.GetObjectType(), OBJTYPE_NONE);
    EXPECT_TRUE(t.GetName().empty());
    EXPECT_TRUE(t.GetScaleToFit());
    // A create over a live texture drops what it held first.
    ASSERT_TRUE(b.CreateTexture(u"again", 8, 8, GXFMT_A8R8G8B8, 1));
    EXPECT_EQ(b.GetRefCount(), 1u);
    EXPECT_EQ(b.GetObjectType(), OBJTYPE_TEXTURE);
}

TEST_F(TextureTest, FailedCreationsLeaveTheTextureEmpty)
{
    Create();
    GxTexture t;
    // Past the device's largest side, and a side whose power of two does not fit in 32 bits.
    EXPECT_FALSE(t.CreateTexture(u"huge", 100000, 4, GXFMT_A8R8G8B8, 1));
    EXPECT_FALSE(t.CreateTexture(u"wide", 0x80000001u, 4, GXFMT_A8R8G8B8, 1));
    EXPECT_FALSE(t.CreateTexture(u"fmt", 4, 4, GXFMT_DXT1, 1));
    EXPECT_EQ(t.GetRefCount(), 0u);
    EXPECT_FALSE(GxGetD3DResourceManage().IsRegistered(&t));
    EXPECT_EQ(t.GetD3DTexture(), nullptr);
    auto lines = Errors();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind(u"Error/Texture CreateTexture Failed(Name:\"huge\" Size:131072,4 ", 0), 0u);
    EXPECT_EQ(lines[1].rfind(u"Error/Texture CreateTexture Failed(Name:\"wide\" Size:0,4 ", 0), 0u);
    // Operations on an empty texture fail quietly.
    EXPECT_FALSE(t.LockRect(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, false));
    EXPECT_FALSE(t.Fill(0xFFFFFFFF));
    EXPECT_EQ(t.GetPixel(0, 0), 0u);
    EXPECT_FALSE(t.SaveToFile(u"/nonexistent/x.png"));
    EXPECT_EQ(Errors().size(), 3u);

    // Without a device nothing is made and nothing is logged.
    GxGraphics::Release();
    EXPECT_FALSE(t.CreateTexture(u"nodev", 4, 4, GXFMT_A8R8G8B8, 1));
    EXPECT_EQ(Errors().size(), 3u);
}

TEST_F(TextureTest, SecondLockIsRefusedAndTheFirstStays)
{
    Create();
    GxTexture t;
    ASSERT_TRUE(t.CreateTexture(u"Lock", 4, 4, GXFMT_A8R8G8B8, 1));
    void* bits = nullptr;
    int32_t pitch = 0;
    uint32_t w = 0, h = 0;
    GxFormat f = GXFMT_UNKNOWN;
    const GxRectL r{1, 2, 3, 4};
    ASSERT_TRUE(t.LockRect(&r, &bits, &pitch, &w, &h, &f, false));
    EXPECT_EQ(pitch, 16);
    EXPECT_EQ(w, 2u);
    EXPECT_EQ(h, 2u);
    EXPECT_EQ(f, GXFMT_A8R8G8B8);
    static_cast<uint32_t*>(bits)[0] = 0x12345678;

    EXPECT_FALSE(t.LockRect(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, true));
    EXPECT_TRUE(t.IsLocked());
    auto lines = Errors();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], u"Error/Texture LockRect Failed(Name:\"lock\" Size:4,4 Texture Already Locked)");

    EXPECT_TRUE(t.UnlockRect());
    EXPECT_FALSE(t.UnlockRect());
    EXPECT_EQ(t.GetPixel(1, 2), 0x12345678u);
    // A rectangle off the texture is the device's refusal, logged once.
    const GxRectL off{2, 2, 9, 3};
    EXPECT_FALSE(t.LockRect(&off, &bits, nullptr, nullptr, nullptr, nullptr, false));
    EXPECT_FALSE(t.IsLocked());
    EXPECT_EQ(Errors().size(), 2u);
}

TEST_F(TextureTest, FillAndFillRectInBothLayouts)
{
    Create();
    for (GxFormat f : {GXFMT_A8R8G8B8, GXFMT_A4R4G4B4}) {
        GxTexture t;
        ASSERT_TRUE(t.CreateTexture(u"fill", 4, 4, f, 1));
        ASSERT_TRUE(t.Fill(0x80402010));
        const uint32_t all = f == GXFMT_A8R8G8B8 ? 0x80402010u : 0x88442211u;
        EXPECT_EQ(t.GetPixel(3, 3), all);
        // Clamped to the texture: only (0..1, 0..1) lie on it.
        const GxRectL r{-5, -5, 2, 2};
        ASSERT_TRUE(t.FillRect(&r, 0xFFFFFFFF));
        EXPECT_EQ(t.GetPixel(0, 0), 0xFFFFFFFFu);
        EXPECT_EQ(t.GetPixel(1, 1), 0xFFFFFFFFu);
        EXPECT_EQ(t.GetPixel(2, 1), all);
        EXPECT_EQ(t.GetPixel(1, 2), all);
        // Entirely off the texture: nothing happens, and that is no failure.
        const GxRectL off{10, 10, 20, 20};
        EXPECT_TRUE(t.FillRect(&off, 0));
        EXPECT_EQ(t.GetPixel(3, 3), all);
        // Mapped edges land on the same pixels here.
        const GxRectL m{2, 2, 4, 4};
        ASSERT_TRUE(t.FillRectMapped(m, 0));
        EXPECT_EQ(t.GetPixel(3, 3), 0u);
        EXPECT_EQ(t.GetPixel(1, 3), all);
    }
    EXPECT_TRUE(Errors().empty());
}

TEST_F(TextureTest, GetPixelWidensFourBitChannels)
{
    Create();
    GxTexture t;
    ASSERT_TRUE(t.CreateTexture(u"px", 2, 2, GXFMT_A4R4G4B4, 1));
    void* bits = nullptr;
    ASSERT_TRUE(t.LockRect(nullptr, &bits, nullptr, nullptr, nullptr, nullptr, false));
    static_cast<uint16_t*>(bits)[1] = 0xF80F;
    ASSERT_TRUE(t.UnlockRect());
    EXPECT_EQ(t.GetPixel(1, 0), 0xFF8800FFu);
    EXPECT_EQ(t.GetPixel(0, 0), 0u);
    EXPECT_EQ(t.GetPixel(2, 0), 0u);  // outside
    EXPECT_EQ(t.GetPixel(0, 2), 0u);
    EXPECT_EQ(GxColor16To32(0x1234), 0x11223344u);
    EXPECT_EQ(GxColor32To16(0xFF8800FF), 0xF80Fu);

    // Formats that are neither 32-bit nor 16-bit give 0.
    GxTexture a;
    ASSERT_TRUE(a.CreateTexture(u"a8", 2, 2, GXFMT_A8, 1));
    ASSERT_TRUE(a.Fill(0xFF000000));
    EXPECT_EQ(a.GetPixel(0, 0), 0u);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(TextureTest, ScrollMovesRowsAndFillsWhatIsUncovered)
{
    Create();
    struct Case
    {
        int32_t rows;
        uint32_t expect[4];  // the first pixel of each row afterwards; 9 = the fill colour
    };
    // Rows start as 0, 1, 2, 3.
    const Case cases[] = {
        {0, {0, 1, 2, 3}},  {1, {9, 0, 1, 2}},  {3, {9, 9, 9, 0}},  {4, {9, 9, 9, 9}},  {10, {9, 9, 9, 9}},
        {-1, {1, 2, 3, 9}}, {-3, {3, 9, 9, 9}}, {-4, {9, 9, 9, 9}}, {-50, {9, 9, 9, 9}},
    };
    for (GxFormat f : {GXFMT_A8R8G8B8, GXFMT_A4R4G4B4}) {
        for (const auto& c : cases) {
            GxTexture t;
            ASSERT_TRUE(t.CreateTexture(u"scroll", 2, 4, f, 1));
            for (uint32_t y = 0; y < 4; ++y) {
                Put(t, 0, y, 0xFF000000u | (y * 0x111111u));
                Put(t, 1, y, 0xFF000000u | (y * 0x111111u));
            }
            ASSERT_TRUE(t.Scroll(c.rows, 0xFF999999u));
            for (uint32_t y = 0; y < 4; ++y) {
                const uint32_t want = 0xFF000000u | (c.expect[y] * 0x111111u);
                EXPECT_EQ(t.GetPixel(0, y), want) << "rows " << c.rows << " row " << y << " format " << f;
                EXPECT_EQ(t.GetPixel(1, y), want) << "rows " << c.rows << " row " << y << " format " << f;
            }
        }
    }
}

TEST_F(TextureTest, CopyRectConvertsAndClipsAgainstBothTextures)
{
    Create();
    GxTexture src32, src16, dst32, dst16, a8;
    ASSERT_TRUE(src32.CreateTexture(u"s32", 4, 4, GXFMT_A8R8G8B8, 1));
    ASSERT_TRUE(src16.CreateTexture(u"s16", 4, 4, GXFMT_A4R4G4B4, 1));
    ASSERT_TRUE(a8.CreateTexture(u"a8", 4, 4, GXFMT_A8, 1));
    for (uint32_t y = 0; y < 4; ++y)
        for (uint32_t x = 0; x < 4; ++x) {
            const uint32_t c = 0xF0000000u | (x << 20) | (y << 12) | 0x0F;
            Put(src32, x, y, c);
            Put(src16, x, y, c);
        }
    auto fresh = [&](GxTexture& t, GxFormat f) {
        ASSERT_TRUE(t.CreateTexture(u"dst", 4, 4, f, 1));
        ASSERT_TRUE(t.Fill(0));
    };

    // 32 -> 32 of a block, 32 -> 16 and 16 -> 32 converting.
    fresh(dst32, GXFMT_A8R8G8B8);
    const GxRectL block{1, 1, 3, 3};
    EXPECT_TRUE(dst32.CopyRect(&src32, &block, 0, 0));
    EXPECT_EQ(dst32.GetPixel(0, 0), src32.GetPixel(1, 1));
    EXPECT_EQ(dst32.GetPixel(1, 1), src32.GetPixel(2, 2));
    EXPECT_EQ(dst32.GetPixel(2, 2), 0u);
    fresh(dst16, GXFMT_A4R4G4B4);
    EXPECT_TRUE(dst16.CopyRect(&src32, nullptr, 0, 0));
    EXPECT_EQ(dst16.GetPixel(3, 2), GxColor16To32(GxColor32To16(src32.GetPixel(3, 2))));
    fresh(dst32, GXFMT_A8R8G8B8);
    EXPECT_TRUE(dst32.CopyRect(&src16, nullptr, 0, 0));
    EXPECT_EQ(dst32.GetPixel(2, 3), src16.GetPixel(2, 3));
    fresh(dst16, GXFMT_A4R4G4B4);
    EXPECT_TRUE(dst16.CopyRect(&src16, nullptr, 1, 0));
    EXPECT_EQ(dst16.GetPixel(1, 0), src16.GetPixel(0, 0));

    // Cut at this texture's right and bottom, at a negative position, and at the source's edges.
    fresh(dst32, GXFMT_A8R8G8B8);
    EXPECT_TRUE(dst32.CopyRect(&src32, nullptr, 3, 3));
    EXPECT_EQ(dst32.GetPixel(3, 3), src32.GetPixel(0, 0));
    EXPECT_EQ(dst32.GetPixel(2, 3), 0u);
    fresh(dst32, GXFMT_A8R8G8B8);
    EXPECT_TRUE(dst32.CopyRect(&src32, nullptr, -2, -1));
    EXPECT_EQ(dst32.GetPixel(0, 0), src32.GetPixel(2, 1));
    EXPECT_EQ(dst32.GetPixel(1, 2), src32.GetPixel(3, 3));
    EXPECT_EQ(dst32.GetPixel(2, 0), 0u);
    fresh(dst32, GXFMT_A8R8G8B8);
    const GxRectL past{2, -1, 9, 9};
    EXPECT_TRUE(dst32.CopyRect(&src32, &past, 0, 0));
    // The row above the source moves the block down one row; source row 3 would land on row 4.
    EXPECT_EQ(dst32.GetPixel(0, 0), 0u);
    EXPECT_EQ(dst32.GetPixel(0, 1), src32.GetPixel(2, 0));
    EXPECT_EQ(dst32.GetPixel(1, 3), src32.GetPixel(3, 2));
    EXPECT_EQ(dst32.GetPixel(2, 1), 0u);  // source column 4 is past the source
    fresh(dst32, GXFMT_A8R8G8B8);
    EXPECT_TRUE(dst32.CopyRect(&src32, nullptr, 4, 0));  // wholly outside
    EXPECT_TRUE(dst32.CopyRect(&src32, nullptr, 0, 100));
    EXPECT_EQ(dst32.GetPixel(0, 0), 0u);

    // Pairs with another format copy nothing and still report success.
    fresh(dst32, GXFMT_A8R8G8B8);
    EXPECT_TRUE(dst32.CopyRect(&a8, nullptr, 0, 0));
    EXPECT_TRUE(a8.CopyRect(&src32, nullptr, 0, 0));
    EXPECT_EQ(dst32.GetPixel(0, 0), 0u);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(TextureTest, RenderTargetsReadBackWhatWasDrawnAndSurviveAReset)
{
    Create();
    GxDevice* device = GxGraphics::GetDevice();
    GxTexture rt;
    ASSERT_TRUE(rt.CreateRenderTarget(u"GlobalRenderTexture0", 300, 200, GXFMT_UNKNOWN));
    EXPECT_EQ(rt.GetObjectType(), OBJTYPE_RENDERTARGET);
    EXPECT_EQ(rt.GetPool(), GXPOOL_DEFAULT);
    EXPECT_EQ(rt.GetFormat(), GxGraphics::GetRenderTargetFormat());
    EXPECT_EQ(rt.GetWidth(), 512u);
    GxDeviceTexture* memory = nullptr;
    rt.GetMemoryTexture(&memory);
    ASSERT_NE(memory, nullptr);
    EXPECT_NE(memory, rt.GetD3DTexture());
    memory->Release();

    // Drawing (a clear) into the target shows in the lock and in GetPixel.
    ASSERT_TRUE(rt.SetRenderTarget(0));
    ASSERT_EQ(device->Clear(0, nullptr, GXCLEAR_TARGET, 0xFF336699u, 1.0f, 0), GX_OK);
    EXPECT_EQ(rt.GetPixel(10, 10), 0xFF336699u);
    void* bits = nullptr;
    ASSERT_TRUE(rt.LockRect(nullptr, &bits, nullptr, nullptr, nullptr, nullptr, true));
    EXPECT_EQ(static_cast<uint32_t*>(bits)[0], 0xFF336699u);
    ASSERT_TRUE(rt.UnlockRect());

    // Pixel writes go through the memory copy back to the target.
    ASSERT_TRUE(rt.Fill(0x11223344u));
    GxPixelImage image;
    ASSERT_EQ(device->ReadTexture(rt.GetD3DTexture(), 0, &image), GX_OK);
    EXPECT_EQ(image.At(511, 255), 0x11223344u);

    // A reset: the target goes with the loss and comes back with the same description.
    {
        GxDeviceSurface* back = nullptr;
        ASSERT_EQ(device->GetBackBuffer(0, 0, &back), GX_OK);
        ASSERT_EQ(device->SetRenderTarget(0, back), GX_OK);
        back->Release();
    }
    GxGetD3DResourceManage().OnLostDevice();
    EXPECT_EQ(rt.GetD3DTexture(), nullptr);
    EXPECT_EQ(rt.GetWidth(), 512u);
    GxPresentParameters p = GxGraphics::GetPresentParameters(SCRMODE_WINDOW);
    ASSERT_EQ(device->Reset(&p), GX_OK);
    GxGetD3DResourceManage().OnResetDevice();
    ASSERT_NE(rt.GetD3DTexture(), nullptr);
    EXPECT_EQ(rt.GetRefCount(), 1u);
    ASSERT_TRUE(rt.SetRenderTarget(0));
    ASSERT_EQ(device->Clear(0, nullptr, GXCLEAR_TARGET, 0xFF010203u, 1.0f, 0), GX_OK);
    EXPECT_EQ(rt.GetPixel(0, 0), 0xFF010203u);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(TextureTest, StretchRectScalesOntoATarget)
{
    Create();
    GxTexture src, rt;
    ASSERT_TRUE(src.CreateTexture(u"src", 2, 2, GXFMT_A8R8G8B8, 1));
    Put(src, 0, 0, 0xFF0000FF);
    Put(src, 1, 0, 0xFF00FF00);
    Put(src, 0, 1, 0xFFFF0000);
    Put(src, 1, 1, 0xFFFFFFFF);
    ASSERT_TRUE(rt.CreateRenderTarget(u"rt", 4, 4, GXFMT_A8R8G8B8));
    ASSERT_TRUE(rt.StretchRect(nullptr, &src, nullptr, GXTEXF_POINT));
    EXPECT_EQ(rt.GetPixel(0, 0), 0xFF0000FFu);
    EXPECT_EQ(rt.GetPixel(1, 1), 0xFF0000FFu);
    EXPECT_EQ(rt.GetPixel(3, 0), 0xFF00FF00u);
    EXPECT_EQ(rt.GetPixel(0, 3), 0xFFFF0000u);
    EXPECT_EQ(rt.GetPixel(3, 3), 0xFFFFFFFFu);
    // A managed texture is no destination for the device.
    EXPECT_FALSE(src.StretchRect(nullptr, &rt, nullptr, GXTEXF_POINT));
}

TEST_F(TextureTest, SaveToFileWritesAPngThatDecodesBack)
{
    Create();
    GxTexture t;
    ASSERT_TRUE(t.CreateTexture(u"save", 4, 2, GXFMT_A8R8G8B8, 1));
    const uint32_t colors[8] = {0xFF000000, 0x80FF0000, 0x4000FF00, 0x000000FF,
                                0xFFFFFFFF, 0x12345678, 0x9ABCDEF0, 0xFF808080};
    for (uint32_t i = 0; i < 8; ++i) Put(t, i % 4, i / 4, colors[i]);
    const std::u16string path = GxUtf8ToWide((logs.dir / "save.png").string());
    ASSERT_TRUE(t.SaveToFile(path));
    std::vector<uint8_t> bytes = gxtest::ReadBytes((logs.dir / "save.png").string());
    uint32_t w = 0, h = 0;
    uint8_t* picture = GxPngDecodeFromMemory(bytes.data(), static_cast<uint32_t>(bytes.size()), &w, &h);
    ASSERT_NE(picture, nullptr);
    ASSERT_EQ(w, 4u);
    ASSERT_EQ(h, 2u);
    for (uint32_t i = 0; i < 8; ++i) EXPECT_EQ(reinterpret_cast<uint32_t*>(picture)[i], colors[i]) << i;
    GxPngRelease(picture);

    // A render target saves what was drawn into it.
    GxTexture rt;
    ASSERT_TRUE(rt.CreateRenderTarget(u"rt", 2, 2, GXFMT_A8R8G8B8));
    ASSERT_TRUE(rt.SetRenderTarget(0));
    ASSERT_EQ(GxGraphics::GetDevice()->Clear(0, nullptr, GXCLEAR_TARGET, 0xFFABCDEFu, 1.0f, 0), GX_OK);
    ASSERT_TRUE(rt.SaveToFile(path));
    bytes = gxtest::ReadBytes((logs.dir / "save.png").string());
    picture = GxPngDecodeFromMemory(bytes.data(), static_cast<uint32_t>(bytes.size()), &w, &h);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(reinterpret_cast<uint32_t*>(picture)[3], 0xFFABCDEFu);
    GxPngRelease(picture);

    EXPECT_FALSE(t.SaveToFile(GxUtf8ToWide((logs.dir / "no" / "such" / "x.png").string())));
    auto lines = Errors();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind(u"Error/Texture SaveToFile Failed(Name:\"save\" Size:4,2 ", 0), 0u);
}
