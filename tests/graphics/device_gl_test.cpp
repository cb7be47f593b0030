// The GL backend, headless on EGL's surfaceless platform: the adapter it describes, and a device
// that clears, presents and reads back.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsSettings.h"
#include "graphics_test_support.h"
#include "platform/GxDevice.h"
#include "platform/GxDeviceCore.h"
#include "platform/gl/GxGLContext.h"

namespace {

struct GLDirect3D
{
    GLDirect3D() { d3d = GxCreateGLDirect3D(GxDirect3DCreateParams()); }
    ~GLDirect3D() { GxSafeRelease(d3d); }
    GxDirect3D* d3d = nullptr;
};

using gxtest::WindowedParams;
constexpr uint32_t kFlags = gxtest::kDeviceCreateFlags;

}  // namespace

TEST(DeviceGL, AdapterIsSynthesisedFromGL)
{
    gxtest::LogFolder logs;
    GLDirect3D gl;
    ASSERT_NE(gl.d3d, nullptr) << GxWideToUtf8(logs.Error());
    EXPECT_EQ(gl.d3d->GetAdapterCount(), 1u);
    GxAdapterIdentifier id;
    ASSERT_EQ(gl.d3d->GetAdapterIdentifier(0, 0, &id), GX_OK);
    EXPECT_FALSE(id.Description.empty());

    // Headless, without SDL video, the desktop is the logical screen.
    GxDisplayMode desktop;
    ASSERT_EQ(gl.d3d->GetAdapterDisplayMode(0, &desktop), GX_OK);
    EXPECT_EQ(desktop, (GxDisplayMode{1024, 768, 60, GXFMT_X8R8G8B8}));
    ASSERT_EQ(gl.d3d->GetAdapterModeCount(0, GXFMT_X8R8G8B8), 1u);

    EXPECT_EQ(gl.d3d->CheckDeviceType(0, GXDEVTYPE_HAL, GXFMT_X8R8G8B8, GXFMT_X8R8G8B8, true), GX_OK);
    EXPECT_EQ(gl.d3d->CheckDeviceFormat(0, GXDEVTYPE_HAL, GXFMT_X8R8G8B8, 0, GXRTYPE_TEXTURE, GXFMT_A8R8G8B8), GX_OK);
    EXPECT_EQ(gl.d3d->CheckDeviceFormat(0, GXDEVTYPE_HAL, GXFMT_X8R8G8B8, 0, GXRTYPE_TEXTURE, GXFMT_A4R4G4B4), GX_OK);
    EXPECT_EQ(gl.d3d->CheckDeviceFormat(0, GXDEVTYPE_HAL, GXFMT_X8R8G8B8, GXUSAGE_DEPTHSTENCIL, GXRTYPE_SURFACE,
                                        GXFMT_D24S8),
              GX_OK);
    EXPECT_EQ(gl.d3d->CheckDeviceFormat(0, GXDEVTYPE_HAL, GXFMT_X8R8G8B8, 0, GXRTYPE_TEXTURE, GXFMT_DXT1),
              GXERR_NOTAVAILABLE);

    GxDeviceCaps caps;
    ASSERT_EQ(gl.d3d->GetDeviceCaps(0, GXDEVTYPE_HAL, &caps), GX_OK);
    EXPECT_TRUE(caps.TextureCaps & GXPTEXTURECAPS_POW2);
    EXPECT_FALSE(caps.TextureCaps & GXPTEXTURECAPS_SQUAREONLY);
    EXPECT_TRUE(caps.Caps2 & GXCAPS2_DYNAMICTEXTURES);
    EXPECT_EQ(caps.NumSimultaneousRTs, 1u);
    EXPECT_GE(caps.MaxTextureWidth, 2048u);
    EXPECT_EQ(gl.d3d->GetDeviceCaps(0, GXDEVTYPE_REF, &caps), GXERR_NOTAVAILABLE);
}

TEST(DeviceGL, ClearPresentAndReadBack)
{
    gxtest::LogFolder logs;
    GLDirect3D gl;
    ASSERT_NE(gl.d3d, nullptr);
    GxPresentParameters p = WindowedParams(64, 48);
    GxDevice* dev = nullptr;
    ASSERT_EQ(gl.d3d->CreateDevice(0, GXDEVTYPE_HAL, nullptr, kFlags, &p, &dev), GX_OK);

    ASSERT_EQ(dev->Clear(0, nullptr, GXCLEAR_TARGET, 0xFF336699u, 1.0f, 0), GX_OK);
    // A rectangle that reaches past the viewport is cut to it.
    GxViewport vp{0, 0, 32, 24, 0.0f, 1.0f};
    ASSERT_EQ(dev->SetViewport(&vp), GX_OK);
    GxRectL r{30, 2, 40, 30};
    ASSERT_EQ(dev->Clear(1, &r, GXCLEAR_TARGET, 0xFFFF0000u, 1.0f, 0), GX_OK);

    // Nothing is presented yet: the presented picture is still black.
    GxPixelImage before;
    ASSERT_EQ(dev->ReadPresented(&before), GX_OK);
    EXPECT_EQ(before.At(0, 0), 0xFF000000u);

    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), GX_OK);
    GxPixelImage img;
    ASSERT_EQ(dev->ReadPresented(&img), GX_OK);
    ASSERT_EQ(img.width, 64u);
    ASSERT_EQ(img.height, 48u);
    EXPECT_EQ(img.At(0, 0), 0xFF336699u);
    EXPECT_EQ(img.At(30, 2), 0xFFFF0000u);   // top row of the cut rectangle: rows run top down
    EXPECT_EQ(img.At(31, 23), 0xFFFF0000u);
    EXPECT_EQ(img.At(32, 2), 0xFF336699u);   // right of the viewport
    EXPECT_EQ(img.At(30, 24), 0xFF336699u);  // below the viewport
    EXPECT_EQ(img.At(30, 1), 0xFF336699u);
    EXPECT_EQ(img.At(63, 47), 0xFF336699u);

    GxPixelImage back;
    ASSERT_EQ(dev->ReadBackBuffer(&back), GX_OK);
    EXPECT_EQ(back.pixels, img.pixels);
    dev->Release();
}

TEST(DeviceGL, ResetChangesTheBackBufferAndLossIsSimulated)
{
    gxtest::LogFolder logs;
    GLDirect3D gl;
    ASSERT_NE(gl.d3d, nullptr);
    GxPresentParameters p = WindowedParams(16, 16, GXFMT_A8R8G8B8);
    GxDevice* dev = nullptr;
    ASSERT_EQ(gl.d3d->CreateDevice(0, GXDEVTYPE_HAL, nullptr, kFlags, &p, &dev), GX_OK);

    // An alpha back buffer keeps the alpha it was cleared to.
    ASSERT_EQ(dev->Clear(0, nullptr, GXCLEAR_TARGET, 0x80102030u, 1.0f, 0), GX_OK);
    GxPixelImage img;
    ASSERT_EQ(dev->ReadBackBuffer(&img), GX_OK);
    EXPECT_EQ(img.At(5, 5), 0x80102030u);

    dev->SimulateDeviceLoss(1);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), GXERR_DEVICELOST);
    EXPECT_EQ(dev->TestCooperativeLevel(), GXERR_DEVICELOST);
    EXPECT_EQ(dev->TestCooperativeLevel(), GXERR_DEVICENOTRESET);

    GxPresentParameters q = WindowedParams(40, 20);
    ASSERT_EQ(dev->Reset(&q), GX_OK);
    EXPECT_EQ(dev->TestCooperativeLevel(), GX_OK);
    ASSERT_EQ(dev->Clear(0, nullptr, GXCLEAR_TARGET, 0x00ABCDEFu, 1.0f, 0), GX_OK);
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), GX_OK);
    ASSERT_EQ(dev->ReadPresented(&img), GX_OK);
    EXPECT_EQ(img.width, 40u);
    EXPECT_EQ(img.height, 20u);
    EXPECT_EQ(img.At(39, 19), 0xFFABCDEFu);  // an opaque back buffer reads back opaque
    dev->Release();
}

TEST(DeviceGL, MultisampledBackBufferResolves)
{
    gxtest::LogFolder logs;
    GLDirect3D gl;
    ASSERT_NE(gl.d3d, nullptr);
    uint32_t levels = 0;
    if (GxFailed(gl.d3d->CheckDeviceMultiSampleType(0, GXDEVTYPE_HAL, GXFMT_X8R8G8B8, true, 4, &levels)))
        GTEST_SKIP() << "GL offers no 4-sample buffers here";
    GxPresentParameters p = WindowedParams(32, 32);
    p.MultiSampleType = 4;
    GxDevice* dev = nullptr;
    ASSERT_EQ(gl.d3d->CreateDevice(0, GXDEVTYPE_HAL, nullptr, kFlags, &p, &dev), GX_OK);
    ASSERT_EQ(dev->Clear(0, nullptr, GXCLEAR_TARGET, 0xFF00FF00u, 1.0f, 0), GX_OK);
    GxPixelImage img;
    ASSERT_EQ(dev->ReadBackBuffer(&img), GX_OK);
    EXPECT_EQ(img.At(31, 31), 0xFF00FF00u);
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), GX_OK);
    ASSERT_EQ(dev->ReadPresented(&img), GX_OK);
    EXPECT_EQ(img.At(0, 0), 0xFF00FF00u);
    dev->Release();
}

TEST(DeviceGL, GraphicsCreatesTheHeadlessDevice)
{
    gxtest::LogFolder logs;
    GxGetGraphicsSettings().SetStartupValues();
    GxGraphics::SetDirect3DFactory(nullptr);
    ASSERT_TRUE(GxGraphics::Create(nullptr, nullptr, nullptr, nullptr)) << GxWideToUtf8(logs.Error());
    GxDevice* dev = GxGraphics::GetDevice();
    ASSERT_NE(dev, nullptr);
    EXPECT_EQ(GxGraphics::GetScreenMode(), SCRMODE_WINDOW);
    EXPECT_EQ(GxGraphics::GetTextureFormat(), GXFMT_A8R8G8B8);
    EXPECT_EQ(GxGraphics::GetRenderTargetFormat(), GXFMT_A8R8G8B8);
    EXPECT_EQ(GxGraphics::GetDepthStencilFormat(), GXFMT_D24S8);
    // The logical screen is the only full-screen mode; its double is not there.
    EXPECT_EQ(GxGraphics::GetPresentParameters(SCRMODE_FULLSCREEN).BackBufferHeight, 768u);
    EXPECT_EQ(GxGraphics::GetPresentParameters(SCRMODE_FULLSCREENX2).BackBufferHeight, 0u);

    // The application's first clear to opaque red reaches the screen.
    ASSERT_EQ(dev->Clear(0, nullptr, GXCLEAR_TARGET | GXCLEAR_ZBUFFER, 0xFFFF0000u, 1.0f, 0), GX_OK);
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), GX_OK);
    GxPixelImage img;
    ASSERT_EQ(dev->ReadPresented(&img), GX_OK);
    ASSERT_EQ(img.width, 1024u);
    ASSERT_EQ(img.height, 768u);
    EXPECT_EQ(img.At(512, 384), 0xFFFF0000u);
    GxGraphics::Release();
    EXPECT_EQ(GxGraphics::GetDevice(), nullptr);

    auto lines = gxtest::Lines(logs.Device());
    GxAdapterIdentifier id;
    EXPECT_TRUE(gxtest::InOrder(lines, {u"Direct3D9の初期化を開始します",
                                        u"\t・ビデオカード数:1",
                                        u"\tフルスクリーンモードで利用する画面モードが見つかりました",
                                        u"\t・1024 x 768 60Hz (D3DFMT_X8R8G8B8)",
                                        u"\t・Direct3Dを D3DDEVTYPE_HAL - D3DCREATE_MIXED_VERTEXPROCESSING で初期化しました"}));
}

// New textures are GL storage made and cleared on the GPU at their first use: no CPU copy exists
// until something locks or reads one, and what it then holds is zero, as is what the GPU samples.
TEST(DeviceGL, NewTexturesHaveNoCpuCopyUntilLockedAndReadZero)
{
    gxtest::LogFolder logs;
    GLDirect3D gl;
    ASSERT_NE(gl.d3d, nullptr);
    GxPresentParameters p = WindowedParams(32, 32);
    GxDevice* dev = nullptr;
    ASSERT_EQ(gl.d3d->CreateDevice(0, GXDEVTYPE_HAL, nullptr, kFlags, &p, &dev), GX_OK);
    struct Case
    {
        uint32_t usage;
        GxFormat format;
        GxPool pool;
        uint32_t levels;
    };
    const Case cases[] = {
        {GXUSAGE_RENDERTARGET, GXFMT_A8R8G8B8, GXPOOL_DEFAULT, 1},
        {0, GXFMT_A8R8G8B8, GXPOOL_MANAGED, 0},  // the whole chain: every level is cleared
        {0, GXFMT_A4R4G4B4, GXPOOL_MANAGED, 1},
        {0, GXFMT_X8R8G8B8, GXPOOL_MANAGED, 1},
        {0, GXFMT_A8R8G8B8, GXPOOL_SYSTEMMEM, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "format " << c.format << " pool " << c.pool);
        GxDeviceTexture* t = nullptr;
        ASSERT_EQ(dev->CreateTexture(16, 8, c.levels, c.usage, c.format, c.pool, &t), GX_OK);
        auto* core = dynamic_cast<GxCoreTexture*>(t);
        ASSERT_NE(core, nullptr);
        EXPECT_EQ(core->nativeTexture, 0u) << "the GL texture waits for the first use";
        for (uint32_t i = 0; i < t->GetLevelCount(); ++i) {
            EXPECT_EQ(core->LevelAt(i).bits, nullptr) << "level " << i;
            GxPixelImage img;
            ASSERT_EQ(dev->ReadTexture(t, i, &img), GX_OK);
            const uint32_t alpha = c.format == GXFMT_X8R8G8B8 ? 0xFF000000u : 0u;  // reads opaque
            for (uint32_t px : img.pixels) ASSERT_EQ(px, alpha) << "level " << i;
        }
        EXPECT_EQ(core->nativeTexture != 0, c.pool != GXPOOL_SYSTEMMEM) << "made by the read";
        if (c.pool != GXPOOL_DEFAULT) {
            GxLockedRect lr;
            ASSERT_EQ(t->LockRect(0, &lr, nullptr, GXLOCK_READONLY), GX_OK);
            EXPECT_NE(core->LevelAt(0).bits, nullptr) << "the lock makes the copy";
            const uint8_t* b = static_cast<const uint8_t*>(lr.pBits);
            for (int32_t i = 0; i < lr.Pitch * 8; ++i) ASSERT_EQ(b[i], 0);
            ASSERT_EQ(t->UnlockRect(0), GX_OK);
        }
        t->Release();
    }

    // A partial write first clears the rest (the GPU's copy starts as undefined storage).
    {
        GxDeviceTexture* t = nullptr;
        ASSERT_EQ(dev->CreateTexture(16, 8, 1, 0, GXFMT_A8R8G8B8, GXPOOL_MANAGED, &t), GX_OK);
        GxRectL r{2, 2, 4, 4};
        GxLockedRect lr;
        ASSERT_EQ(t->LockRect(0, &lr, &r, 0), GX_OK);
        for (int y = 0; y < 2; ++y)
            std::memset(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch, 0xFF, 8);
        ASSERT_EQ(t->UnlockRect(0), GX_OK);
        GxPixelImage img;
        ASSERT_EQ(dev->ReadTexture(t, 0, &img), GX_OK);
        EXPECT_EQ(img.At(3, 3), 0xFFFFFFFFu);
        EXPECT_EQ(img.At(0, 0), 0u);
        EXPECT_EQ(img.At(15, 7), 0u);
        t->Release();
    }

    // A render target the GPU cleared reads back through a memory copy made for the purpose.
    GxDeviceTexture* rt = nullptr;
    GxDeviceTexture* mem = nullptr;
    ASSERT_EQ(dev->CreateTexture(16, 8, 1, GXUSAGE_RENDERTARGET, GXFMT_A8R8G8B8, GXPOOL_DEFAULT, &rt), GX_OK);
    ASSERT_EQ(dev->CreateTexture(16, 8, 1, 0, GXFMT_A8R8G8B8, GXPOOL_SYSTEMMEM, &mem), GX_OK);
    GxDeviceSurface* rts = nullptr;
    GxDeviceSurface* mems = nullptr;
    ASSERT_EQ(rt->GetSurfaceLevel(0, &rts), GX_OK);
    ASSERT_EQ(mem->GetSurfaceLevel(0, &mems), GX_OK);
    ASSERT_EQ(dev->SetRenderTarget(0, rts), GX_OK);
    ASSERT_EQ(dev->Clear(0, nullptr, GXCLEAR_TARGET, 0x80FF2040u, 1.0f, 0), GX_OK);
    EXPECT_EQ(dynamic_cast<GxCoreTexture*>(rt)->LevelAt(0).bits, nullptr) << "drawing needs no copy";
    ASSERT_EQ(dev->GetRenderTargetData(rts, mems), GX_OK);
    GxLockedRect lr;
    ASSERT_EQ(mems->LockRect(&lr, nullptr, GXLOCK_READONLY), GX_OK);
    uint32_t px;
    std::memcpy(&px, static_cast<const uint8_t*>(lr.pBits) + lr.Pitch * 7 + 15 * 4, 4);
    EXPECT_EQ(px, 0x80FF2040u);
    ASSERT_EQ(mems->UnlockRect(), GX_OK);
    GxDeviceSurface* back = nullptr;
    ASSERT_EQ(dev->GetBackBuffer(0, 0, &back), GX_OK);
    ASSERT_EQ(dev->SetRenderTarget(0, back), GX_OK);
    back->Release();
    rts->Release();
    mems->Release();
    rt->Release();
    mem->Release();
    dev->Release();
}

// A picture is written once: its pixels wait in the CPU copy until the texture's first use,
// go to GL with the storage, and the copy is freed. A later lock reads them back from GL; a
// texture written more than once keeps its copy so that it is not read back on every write.
TEST(DeviceGL, TextureWrittenOnceGivesItsCpuCopyUpAtFirstUse)
{
    gxtest::LogFolder logs;
    GLDirect3D gl;
    ASSERT_NE(gl.d3d, nullptr);
    GxPresentParameters p = WindowedParams(32, 32);
    GxDevice* dev = nullptr;
    ASSERT_EQ(gl.d3d->CreateDevice(0, GXDEVTYPE_HAL, nullptr, kFlags, &p, &dev), GX_OK);
    for (GxFormat format : {GXFMT_A8R8G8B8, GXFMT_A4R4G4B4}) {
        SCOPED_TRACE(testing::Message() << "format " << format);
        const uint32_t bpp = GxFormatBytesPerPixel(format);
        // Every byte differs from its neighbours, so a row or channel out of place shows.
        auto pattern = [](int32_t x, int32_t y, uint32_t b) { return static_cast<uint8_t>(x * 7 + y * 31 + b * 3 + 1); };
        auto write = [&](GxDeviceTexture* t, const GxRectL* rect, uint8_t offset) {
            GxLockedRect lr;
            ASSERT_EQ(t->LockRect(0, &lr, rect, 0), GX_OK);
            const GxRectL r = rect ? *rect : GxRectL{0, 0, 16, 8};
            for (int32_t y = r.top; y < r.bottom; ++y)
                for (int32_t x = r.left; x < r.right; ++x)
                    for (uint32_t b = 0; b < bpp; ++b)
                        static_cast<uint8_t*>(lr.pBits)[(y - r.top) * lr.Pitch + (x - r.left) * bpp + b] =
                            static_cast<uint8_t>(pattern(x, y, b) + offset);
            ASSERT_EQ(t->UnlockRect(0), GX_OK);
        };
        auto expectBytes = [&](GxDeviceTexture* t, const GxRectL& changed, uint8_t offset) {
            GxLockedRect lr;
            ASSERT_EQ(t->LockRect(0, &lr, nullptr, GXLOCK_READONLY), GX_OK);
            for (int32_t y = 0; y < 8; ++y)
                for (int32_t x = 0; x < 16; ++x)
                    for (uint32_t b = 0; b < bpp; ++b) {
                        const bool in = x >= changed.left && x < changed.right && y >= changed.top && y < changed.bottom;
                        ASSERT_EQ(static_cast<const uint8_t*>(lr.pBits)[y * lr.Pitch + x * bpp + b],
                                  static_cast<uint8_t>(pattern(x, y, b) + (in ? offset : 0)))
                            << x << "," << y << " byte " << b;
                    }
            ASSERT_EQ(t->UnlockRect(0), GX_OK);
        };

        GxDeviceTexture* t = nullptr;
        ASSERT_EQ(dev->CreateTexture(16, 8, 1, 0, format, GXPOOL_MANAGED, &t), GX_OK);
        auto* core = dynamic_cast<GxCoreTexture*>(t);
        ASSERT_NE(core, nullptr);
        write(t, nullptr, 0);
        EXPECT_EQ(core->nativeTexture, 0u) << "written but not used: no GL storage yet";
        EXPECT_NE(core->LevelAt(0).bits, nullptr);

        GxPixelImage first;
        ASSERT_EQ(dev->ReadTexture(t, 0, &first), GX_OK);  // the first use
        EXPECT_NE(core->nativeTexture, 0u);
        EXPECT_EQ(core->LevelAt(0).bits, nullptr) << "GL holds the pixels: the copy is gone";
        expectBytes(t, GxRectL{0, 0, 0, 0}, 0);  // read back from GL

        // Written again: the part written and the rest read back are both there, and the copy
        // now stays.
        const GxRectL part{3, 2, 9, 5};
        write(t, &part, 0x40);
        EXPECT_NE(core->LevelAt(0).bits, nullptr);
        GxPixelImage second;
        ASSERT_EQ(dev->ReadTexture(t, 0, &second), GX_OK);
        EXPECT_EQ(second.At(0, 0), first.At(0, 0));
        EXPECT_NE(second.At(4, 3), first.At(4, 3));
        EXPECT_NE(core->LevelAt(0).bits, nullptr) << "a texture written twice keeps its copy";
        expectBytes(t, part, 0x40);
        t->Release();

        // Written twice before its first use: the copy stays from the start.
        ASSERT_EQ(dev->CreateTexture(16, 8, 1, 0, format, GXPOOL_MANAGED, &t), GX_OK);
        core = dynamic_cast<GxCoreTexture*>(t);
        write(t, nullptr, 0);
        write(t, &part, 0x40);
        GxPixelImage img;
        ASSERT_EQ(dev->ReadTexture(t, 0, &img), GX_OK);
        EXPECT_EQ(img.pixels, second.pixels);
        EXPECT_NE(core->LevelAt(0).bits, nullptr);
        t->Release();
    }
    dev->Release();
}

// The presented picture stays in the back buffer until the next drawing; the device keeps a
// copy of it only once the presented picture has been asked for.
TEST(DeviceGL, PresentedPictureIsCopiedOnlyOnceAskedFor)
{
    gxtest::LogFolder logs;
    GLDirect3D gl;
    ASSERT_NE(gl.d3d, nullptr);
    GxPresentParameters p = WindowedParams(8, 8);
    GxDevice* dev = nullptr;
    ASSERT_EQ(gl.d3d->CreateDevice(0, GXDEVTYPE_HAL, nullptr, kFlags, &p, &dev), GX_OK);
    GxPixelImage img;

    // Nobody has asked: drawn over after the present, the picture is gone, and says so.
    ASSERT_EQ(dev->Clear(0, nullptr, GXCLEAR_TARGET, 0xFF0000FFu, 1.0f, 0), GX_OK);
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), GX_OK);
    ASSERT_EQ(dev->Clear(0, nullptr, GXCLEAR_TARGET, 0xFF00FF00u, 1.0f, 0), GX_OK);
    EXPECT_EQ(dev->ReadPresented(&img), GXERR_INVALIDCALL);

    // Read straight after the present, it comes from the back buffer ...
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), GX_OK);
    ASSERT_EQ(dev->ReadPresented(&img), GX_OK);
    EXPECT_EQ(img.At(7, 7), 0xFF00FF00u);
    // ... and from now on it outlives the next drawing.
    ASSERT_EQ(dev->Clear(0, nullptr, GXCLEAR_TARGET, 0xFFFF0000u, 1.0f, 0), GX_OK);
    ASSERT_EQ(dev->ReadPresented(&img), GX_OK);
    EXPECT_EQ(img.At(0, 0), 0xFF00FF00u);
    ASSERT_EQ(dev->ReadBackBuffer(&img), GX_OK);
    EXPECT_EQ(img.At(0, 0), 0xFFFF0000u);
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), GX_OK);
    ASSERT_EQ(dev->ReadPresented(&img), GX_OK);
    EXPECT_EQ(img.At(0, 0), 0xFFFF0000u);

    // A reset shows black again until the next present.
    GxPresentParameters q = WindowedParams(4, 4);
    ASSERT_EQ(dev->Reset(&q), GX_OK);
    ASSERT_EQ(dev->Clear(0, nullptr, GXCLEAR_TARGET, 0xFFFFFFFFu, 1.0f, 0), GX_OK);
    ASSERT_EQ(dev->ReadPresented(&img), GX_OK);
    EXPECT_EQ(img.width, 4u);
    EXPECT_EQ(img.At(3, 3), 0xFF000000u);
    dev->Release();
}

// On a real window (run under a display, e.g. Xvfb; skipped without one): an unchanged frame is
// not copied into the window again, a changed one is, and so is one the window system may have
// spoilt.
TEST(DeviceGL, WindowReceivesOnlyChangedOrSpoiltFrames)
{
    gxtest::WindowDisplay display;
    if (!display.Ready()) GTEST_SKIP() << display.Why();
    GxGLSetWindowAttributes();
    SDL_Window* window = SDL_CreateWindow("present", 0, 0, 64, 48, SDL_WINDOW_OPENGL);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    gxtest::LogFolder logs;
    GxDirect3DCreateParams params;
    params.window = window;
    GxDirect3D* d3d = GxCreateGLDirect3D(params);
    ASSERT_NE(d3d, nullptr) << GxWideToUtf8(logs.Error());
    GxPresentParameters p = WindowedParams(64, 48);
    p.PresentationInterval = GXPRESENT_INTERVAL_IMMEDIATE;
    GxDevice* dev = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, GXDEVTYPE_HAL, window, kFlags, &p, &dev), GX_OK);

    using ReadPixels = void (*)(int, int, int, int, unsigned, unsigned, void*);
    using Enum = void (*)(unsigned);
    using ClearColor = void (*)(float, float, float, float);
    auto readPixels = reinterpret_cast<ReadPixels>(SDL_GL_GetProcAddress("glReadPixels"));
    auto readBuffer = reinterpret_cast<Enum>(SDL_GL_GetProcAddress("glReadBuffer"));
    auto drawBuffer = reinterpret_cast<Enum>(SDL_GL_GetProcAddress("glDrawBuffer"));
    auto clearColor = reinterpret_cast<ClearColor>(SDL_GL_GetProcAddress("glClearColor"));
    auto clear = reinterpret_cast<Enum>(SDL_GL_GetProcAddress("glClear"));
    ASSERT_TRUE(readPixels && readBuffer && drawBuffer && clearColor && clear);
    constexpr unsigned kFront = 0x0404, kBack = 0x0405, kBgra = 0x80E1, kRev = 0x8367, kColorBit = 0x4000;
    // Read through the window's back buffer, which Mesa's software rasteriser keeps across a
    // swap (other drivers leave it undefined).
    auto getString = reinterpret_cast<const char* (*)(unsigned)>(SDL_GL_GetProcAddress("glGetString"));
    const char* renderer = getString ? getString(0x1F01) : nullptr;
    if (!renderer || (!strstr(renderer, "llvmpipe") && !strstr(renderer, "softpipe"))) {
        dev->Release();
        GxSafeRelease(d3d);
        SDL_DestroyWindow(window);
        GTEST_SKIP() << "the window's buffers are read back only on Mesa's software rasteriser";
    }
    // The window's pixel at (x, y) from the top, as 0xAARRGGBB; the window's rows run bottom up.
    auto shown = [&](int x, int y) {
        uint32_t v = 0;
        readBuffer(kBack);
        readPixels(x, 47 - y, 1, 1, kBgra, kRev, &v);
        return v | 0xFF000000u;
    };
    // Paints the window's own buffers behind the device's back.
    auto spoil = [&]() {
        for (unsigned buffer : {kBack, kFront}) {
            drawBuffer(buffer);
            clearColor(0.0f, 0.0f, 1.0f, 1.0f);
            clear(kColorBit);
        }
        drawBuffer(kBack);
    };

    ASSERT_EQ(dev->Clear(0, nullptr, GXCLEAR_TARGET, 0xFF00FF00u, 1.0f, 0), GX_OK);
    const GxRectL band{0, 0, 64, 4};
    ASSERT_EQ(dev->Clear(1, &band, GXCLEAR_TARGET, 0xFFFF0000u, 1.0f, 0), GX_OK);
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), GX_OK);
    EXPECT_EQ(shown(10, 0), 0xFFFF0000u);  // the top band at the window's top
    EXPECT_EQ(shown(10, 47), 0xFF00FF00u);

    // Nothing drawn since: the window is left as it is (here, as spoilt behind the device's back).
    spoil();
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), GX_OK);
    EXPECT_EQ(shown(10, 47), 0xFF0000FFu);
    GxPixelImage presented;
    ASSERT_EQ(dev->ReadPresented(&presented), GX_OK);
    EXPECT_EQ(presented.At(10, 47), 0xFF00FF00u);

    // The window system reports the window exposed: the same picture is drawn again.
    SDL_Event exposed{};
    exposed.type = SDL_WINDOWEVENT;
    exposed.window.event = SDL_WINDOWEVENT_EXPOSED;
    exposed.window.windowID = SDL_GetWindowID(window);
    SDL_PushEvent(&exposed);
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), GX_OK);
    EXPECT_EQ(shown(10, 47), 0xFF00FF00u);
    EXPECT_EQ(shown(10, 0), 0xFFFF0000u);

    // A drawing changes the picture: it reaches the window.
    spoil();
    const GxRectL corner{0, 40, 8, 48};
    ASSERT_EQ(dev->Clear(1, &corner, GXCLEAR_TARGET, 0xFFFFFFFFu, 1.0f, 0), GX_OK);
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), GX_OK);
    EXPECT_EQ(shown(2, 46), 0xFFFFFFFFu);
    EXPECT_EQ(shown(10, 47), 0xFF00FF00u);

    // So does the same picture placed elsewhere in the window.
    spoil();
    const GxRectL half{0, 0, 32, 24};
    ASSERT_EQ(dev->Present(nullptr, &half, nullptr, nullptr), GX_OK);
    EXPECT_EQ(shown(40, 30), 0xFF000000u);
    EXPECT_EQ(shown(10, 0), 0xFFFF0000u);
    EXPECT_TRUE(logs.Error().empty()) << GxWideToUtf8(logs.Error());

    dev->Release();
    GxSafeRelease(d3d);
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    SDL_DestroyWindow(window);
}
