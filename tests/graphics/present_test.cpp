// Presenting, scenes, the render-target stacks with the viewport, the lost device and its one
// reset, screen-mode changes and the state caches, on the recording backend.
#include <algorithm>

#include <gtest/gtest.h>

#include "graphics/GxSurface.h"
#include "graphics/GxSwapChain.h"
#include "platform/GxDeviceChains.h"
#include "present_test_support.h"

namespace {

using Present = gxtest::RecordingGraphics;

const std::u16string kOpenScene = u"BeginScene～EndSceneが完了していないのにPresentが呼ばれました";
const std::u16string kResetFailed = u"Resetでデバイスの復帰に失敗しました";

struct ResetCounter : GxGraphicsResetListener
{
    std::vector<std::pair<int32_t, int32_t>> before, after;
    void OnBeforeReset(int32_t n, int32_t o) override { before.emplace_back(n, o); }
    void OnAfterReset(int32_t n, int32_t o) override { after.emplace_back(n, o); }
};

}  // namespace

TEST_F(Present, StartsOnTheDefaultChainWithItsDepthStencil)
{
    ASSERT_TRUE(Create());
    GxSwapChain* chain = GxGraphics::GetSwapChain();
    ASSERT_EQ(chain, GxGraphics::GetDefaultSwapChain());
    EXPECT_TRUE(chain->IsDefault());
    EXPECT_EQ(chain->GetObjectType(), OBJTYPE_SWAPCHAIN);
    EXPECT_EQ(chain->GetWidth(), 1024u);
    EXPECT_EQ(chain->GetHeight(), 768u);
    EXPECT_TRUE(GxGetD3DResourceManage().IsRegistered(chain));
    ASSERT_NE(chain->GetDepthStencilSurface(), nullptr);
    EXPECT_EQ(CurrentDepth(), chain->GetDepthStencilSurface());
    EXPECT_EQ(Viewport(), (GxRectL{0, 0, 1024, 768}));
    EXPECT_EQ(GxGraphics::GetRenderTargetDepth(0), 0u);
}

TEST_F(Present, NestedScenesOpenAndCloseTheDeviceSceneOnce)
{
    ASSERT_TRUE(Create());
    EXPECT_TRUE(GxGraphics::BeginScene());
    EXPECT_TRUE(GxGraphics::BeginScene());
    EXPECT_EQ(GxGraphics::GetSceneCount(), 2);
    EXPECT_TRUE(GxGraphics::EndScene());
    EXPECT_EQ(Count(GxDeviceOp::EndScene), 0u);
    EXPECT_TRUE(GxGraphics::EndScene());
    EXPECT_EQ(Count(GxDeviceOp::BeginScene), 1u);
    EXPECT_EQ(Count(GxDeviceOp::EndScene), 1u);
    // An unmatched close changes nothing and is refused.
    EXPECT_FALSE(GxGraphics::EndScene());
    EXPECT_EQ(GxGraphics::GetSceneCount(), 0);
    EXPECT_EQ(Count(GxDeviceOp::EndScene), 1u);
    EXPECT_TRUE(GxGraphics::BeginScene());
    EXPECT_EQ(Count(GxDeviceOp::BeginScene), 2u);
    EXPECT_TRUE(GxGraphics::EndScene());
}

TEST_F(Present, PresentInsideASceneLogsAndPresentsNothing)
{
    ASSERT_TRUE(Create());
    ASSERT_TRUE(GxGraphics::Clear(GXCLEAR_TARGET, 0xFFFF0000u, 1.0f, 0, nullptr));
    ASSERT_TRUE(GxGraphics::BeginScene());
    EXPECT_FALSE(GxGraphics::Present(nullptr, nullptr, nullptr));
    EXPECT_EQ(Count(GxDeviceOp::Present), 0u);
    EXPECT_EQ(Presented().At(5, 5), 0xFF000000u);
    EXPECT_EQ(ErrorCount(kOpenScene), 1u);

    ASSERT_TRUE(GxGraphics::EndScene());
    EXPECT_TRUE(GxGraphics::Present(nullptr, nullptr, nullptr));
    EXPECT_EQ(Count(GxDeviceOp::Present), 1u);
    EXPECT_EQ(Presented().At(5, 5), 0xFFFF0000u);
    EXPECT_EQ(ErrorCount(kOpenScene), 1u);
}

TEST_F(Present, PresentWithATargetStillPushedWarnsAndPresents)
{
    ASSERT_TRUE(Create());
    GxSurface target;
    ASSERT_TRUE(target.CreateRenderTarget(u"rt", 64, 64, GXFMT_UNKNOWN, GXMULTISAMPLE_NONE, 0));
    ASSERT_TRUE(GxGraphics::PushRenderTarget(0, &target, nullptr, nullptr));
    EXPECT_TRUE(GxGraphics::Present(nullptr, nullptr, nullptr));
    EXPECT_EQ(Count(GxDeviceOp::Present), 1u);
    EXPECT_EQ(ErrorCount(u"RenderTarget Stack is't empty"), 1u);
    EXPECT_TRUE(GxGraphics::PopRenderTarget(0));
}

TEST_F(Present, RenderTargetStackMovesTheViewportAndPopRestoresTheMargins)
{
    ASSERT_TRUE(Create());
    GxSwapChain* chain = GxGraphics::GetDefaultSwapChain();
    const GxRectL margins{10, 20, 30, 40};
    ASSERT_TRUE(chain->CreateDefaultSwapChain(&margins));
    EXPECT_EQ(chain->GetClientRect(), (GxRectL{10, 20, 994, 728}));
    ASSERT_TRUE(GxGraphics::SetSwapChain(nullptr, nullptr));
    EXPECT_EQ(Viewport(), (GxRectL{10, 20, 994, 728}));
    GxDeviceSurface* back = CurrentTarget();

    GxSurface a, b, depth;
    ASSERT_TRUE(a.CreateRenderTarget(u"a", 256, 128, GXFMT_UNKNOWN, GXMULTISAMPLE_NONE, 0));
    ASSERT_TRUE(b.CreateRenderTarget(u"b", 64, 32, GXFMT_UNKNOWN, GXMULTISAMPLE_NONE, 0));
    ASSERT_TRUE(depth.CreateDepthStencil(u"d", 256, 128, GXFMT_UNKNOWN, GXMULTISAMPLE_NONE, 0));

    ASSERT_TRUE(GxGraphics::PushRenderTarget(0, &a, &depth, nullptr));
    EXPECT_EQ(CurrentTarget(), a.GetD3DSurface());
    EXPECT_EQ(CurrentDepth(), depth.GetD3DSurface());
    EXPECT_EQ(Viewport(), (GxRectL{0, 0, 256, 128}));
    EXPECT_EQ(DeviceViewport(), (GxViewport{0, 0, 256, 128, 0.0f, 1.0f}));

    const GxRectL part{8, 4, 40, 20};
    ASSERT_TRUE(GxGraphics::PushRenderTarget(0, &b, nullptr, &part));
    EXPECT_EQ(CurrentTarget(), b.GetD3DSurface());
    EXPECT_EQ(CurrentDepth(), chain->GetDepthStencilSurface());
    EXPECT_EQ(Viewport(), part);
    EXPECT_EQ(GxGraphics::GetRenderTargetDepth(0), 2u);

    ASSERT_TRUE(GxGraphics::PopRenderTarget(0));
    EXPECT_EQ(CurrentTarget(), a.GetD3DSurface());
    EXPECT_EQ(CurrentDepth(), depth.GetD3DSurface());
    EXPECT_EQ(Viewport(), (GxRectL{0, 0, 256, 128}));

    ASSERT_TRUE(GxGraphics::PopRenderTarget(0));
    EXPECT_EQ(CurrentTarget(), back);
    EXPECT_EQ(CurrentDepth(), chain->GetDepthStencilSurface());
    EXPECT_EQ(Viewport(), (GxRectL{10, 20, 994, 728}));
    EXPECT_EQ(DeviceViewport(), (GxViewport{10, 20, 984, 708, 0.0f, 1.0f}));

    // Popping the empty stack again restores the same defaults and succeeds.
    GxGraphics::SetViewport(&part);
    EXPECT_TRUE(GxGraphics::PopRenderTarget(0));
    EXPECT_EQ(CurrentTarget(), back);
    EXPECT_EQ(Viewport(), (GxRectL{10, 20, 994, 728}));

    // A stack the device does not have is refused.
    EXPECT_FALSE(GxGraphics::PushRenderTarget(1, &a, nullptr, nullptr));
    EXPECT_FALSE(GxGraphics::PopRenderTarget(1));
}

TEST_F(Present, TargetThatCannotBeSetIsReported)
{
    ASSERT_TRUE(Create());
    GxSurface plain;  // a plain surface cannot be a render target
    ASSERT_TRUE(plain.CreateSurface(u"plain", 32, 32, GXFMT_UNKNOWN));
    EXPECT_FALSE(GxGraphics::PushRenderTarget(0, &plain, nullptr, nullptr));
    EXPECT_EQ(ErrorCount(u"SetRenderTarget/Can't set RenderTarget 0"), 1u);
    EXPECT_TRUE(GxGraphics::PopRenderTarget(0));
}

TEST_F(Present, ViewportNoneIsTheWholeBackBuffer)
{
    ASSERT_TRUE(Create());
    const GxRectL r{1, 2, 301, 202};
    GxGraphics::SetViewport(&r);
    EXPECT_EQ(Viewport(), r);
    EXPECT_EQ(DeviceViewport(), (GxViewport{1, 2, 300, 200, 0.0f, 1.0f}));
    GxGraphics::SetViewport(nullptr);
    EXPECT_EQ(Viewport(), (GxRectL{0, 0, 1024, 768}));

    // Clear works inside the viewport and takes an optional rectangle.
    GxGraphics::SetViewport(&r);
    ASSERT_TRUE(GxGraphics::Clear(GXCLEAR_TARGET, 0xFF00FF00u, 1.0f, 0, nullptr));
    GxGraphics::SetViewport(nullptr);
    const GxRectL corner{0, 0, 1, 1};
    ASSERT_TRUE(GxGraphics::Clear(GXCLEAR_TARGET, 0xFF0000FFu, 1.0f, 0, &corner));
    ASSERT_TRUE(GxGraphics::Present(nullptr, nullptr, nullptr));
    GxPixelImage p = Presented();
    EXPECT_EQ(p.At(0, 0), 0xFF0000FFu);
    EXPECT_EQ(p.At(1, 1), 0xFF000000u);
    EXPECT_EQ(p.At(1, 2), 0xFF00FF00u);
    EXPECT_EQ(p.At(300, 201), 0xFF00FF00u);
    EXPECT_EQ(p.At(301, 201), 0xFF000000u);
}

TEST_F(Present, LostDeviceNapsThenOneResetRestoresEverything)
{
    ResetCounter listener;
    GxGraphics::SetDirect3DFactory([this](void*) { return GxCreateRecordingDirect3D(adapter); });
    ASSERT_TRUE(GxGraphics::Create(nullptr, &listener, nullptr, nullptr));

    GxSurface target, sysmem, scratch, depth;
    ASSERT_TRUE(target.CreateRenderTarget(u"target", 64, 64, GXFMT_UNKNOWN, GXMULTISAMPLE_NONE, 0));
    ASSERT_TRUE(sysmem.CreateSystemMemory(u"sysmem", 8, 8, GXFMT_A8R8G8B8));
    ASSERT_TRUE(scratch.CreateScratch(u"scratch", 8, 8, GXFMT_A8R8G8B8));
    ASSERT_TRUE(depth.CreateDepthStencil(u"depth", 64, 64, GXFMT_UNKNOWN, GXMULTISAMPLE_NONE, 0));
    GxSwapChain extra;
    ASSERT_TRUE(extra.CreateSwapChainForWindow(u"extra", nullptr, 320, 240, nullptr));
    // Pixels that a reset keeps (scratch) and loses (system memory).
    for (GxSurface* s : {&sysmem, &scratch}) {
        GxLockedRect lr;
        ASSERT_EQ(s->GetD3DSurface()->LockRect(&lr, nullptr, 0), GX_OK);
        *static_cast<uint32_t*>(lr.pBits) = 0xFF123456u;
        s->GetD3DSurface()->UnlockRect();
    }
    GxDeviceSurface* scratchBefore = scratch.GetD3DSurface();
    ASSERT_TRUE(GxGraphics::SetRenderState(GXRS_ALPHABLENDENABLE, 1));
    ASSERT_TRUE(GxGraphics::SetTextureStageState(0, GXTSS_COLOROP, GXTOP_MODULATE2X));
    ASSERT_TRUE(GxGraphics::PushRenderTarget(0, &target, &depth, nullptr));
    Recorder().Clear();

    Device()->SimulateDeviceLoss(2);
    EXPECT_TRUE(GxGraphics::Present(nullptr, nullptr, nullptr));
    EXPECT_TRUE(GxGraphics::Present(nullptr, nullptr, nullptr));
    EXPECT_EQ(gxtest::Naps(), 2);
    EXPECT_EQ(Count(GxDeviceOp::Reset), 0u);

    EXPECT_TRUE(GxGraphics::Present(nullptr, nullptr, nullptr));
    EXPECT_EQ(gxtest::Naps(), 2);
    ASSERT_EQ(Count(GxDeviceOp::Reset), 1u);
    for (const auto& c : Recorder().calls) {
        if (c.op == GxDeviceOp::Reset) {
            EXPECT_EQ(c.result, GX_OK);
        }
    }
    EXPECT_EQ(ErrorCount(kResetFailed), 0u);
    EXPECT_EQ(listener.before, (std::vector<std::pair<int32_t, int32_t>>{{SCRMODE_WINDOW, SCRMODE_WINDOW}}));
    EXPECT_EQ(listener.after, listener.before);

    // Every resource holds a device object again; the scratch surface was never touched.
    EXPECT_NE(target.GetD3DSurface(), nullptr);
    EXPECT_EQ(Count(GxDeviceOp::CreateRenderTarget), 1u);
    EXPECT_EQ(Count(GxDeviceOp::CreateOffscreenPlainSurface), 1u);  // the system-memory one
    EXPECT_EQ(Count(GxDeviceOp::CreateAdditionalSwapChain), 1u);
    EXPECT_EQ(Count(GxDeviceOp::CreateDepthStencilSurface), 3u);     // ours and both chains'
    EXPECT_NE(depth.GetD3DSurface(), nullptr);
    EXPECT_NE(sysmem.GetD3DSurface(), nullptr);
    EXPECT_EQ(scratch.GetD3DSurface(), scratchBefore);
    EXPECT_NE(extra.GetD3DSwapChain(), nullptr);
    EXPECT_NE(extra.GetDepthStencilSurface(), nullptr);
    EXPECT_NE(GxGraphics::GetDefaultSwapChain()->GetD3DSwapChain(), nullptr);
    EXPECT_EQ(GxGraphics::GetDefaultSwapChain()->GetWidth(), 1024u);
    GxPixelImage pixels;
    ASSERT_TRUE(scratch.ReadPixels(&pixels));
    EXPECT_EQ(pixels.At(0, 0), 0xFF123456u);
    ASSERT_TRUE(sysmem.ReadPixels(&pixels));
    EXPECT_EQ(pixels.At(0, 0), 0u);

    // The pushed target, its depth stencil and the cached states are on the device again.
    EXPECT_EQ(CurrentTarget(), target.GetD3DSurface());
    EXPECT_EQ(CurrentDepth(), depth.GetD3DSurface());
    EXPECT_EQ(Viewport(), (GxRectL{0, 0, 64, 64}));
    uint32_t value = 0;
    ASSERT_EQ(Device()->GetRenderState(GXRS_ALPHABLENDENABLE, &value), GX_OK);
    EXPECT_EQ(value, 1u);
    ASSERT_EQ(Device()->GetTextureStageState(0, GXTSS_COLOROP, &value), GX_OK);
    EXPECT_EQ(value, static_cast<uint32_t>(GXTOP_MODULATE2X));

    // The device works again.
    ASSERT_TRUE(GxGraphics::PopRenderTarget(0));
    Recorder().Clear();
    EXPECT_TRUE(GxGraphics::Present(nullptr, nullptr, nullptr));
    ASSERT_EQ(Count(GxDeviceOp::Present), 1u);
    EXPECT_EQ(Recorder().calls.back().result, GX_OK);
}

TEST_F(Present, ResetNotForcedLeavesAWorkingDeviceAlone)
{
    ASSERT_TRUE(Create());
    EXPECT_TRUE(GxGraphics::Reset(false, SCRMODE_WINDOW, SCRMODE_WINDOW));
    EXPECT_EQ(Count(GxDeviceOp::Reset), 0u);
    EXPECT_TRUE(GxGraphics::Reset(true, SCRMODE_WINDOW, SCRMODE_WINDOW));
    EXPECT_EQ(Count(GxDeviceOp::Reset), 1u);
}

TEST_F(Present, DriverInternalErrorIsLoggedAndReported)
{
    ASSERT_TRUE(Create());
    EXPECT_FALSE(GxGraphics::IsDriverInternalError());
    *presentFailure = GXERR_DRIVERINTERNALERROR;
    EXPECT_FALSE(GxGraphics::Present(nullptr, nullptr, nullptr));
    EXPECT_TRUE(GxGraphics::IsDriverInternalError());
    EXPECT_EQ(ErrorCount(u"PresentでD3DERR_DRIVERINTERNALERRORが発生しました"), 1u);
    // A new device starts without the mark.
    GxGraphics::Release();
    *presentFailure = GX_OK;
    ASSERT_TRUE(Create());
    EXPECT_FALSE(GxGraphics::IsDriverInternalError());
}

TEST_F(Present, ScreenModeChangeResetsAndStylesTheWindow)
{
    gxtest::StyleRecorder window;
    GxGraphics::SetMainWindow(&window, 7);
    ResetCounter listener;
    GxGraphics::SetDirect3DFactory([this](void*) { return GxCreateRecordingDirect3D(adapter); });
    ASSERT_TRUE(GxGraphics::Create(nullptr, &listener, nullptr, nullptr));
    Recorder().Clear();

    // A mode without present parameters changes nothing.
    EXPECT_FALSE(GxGraphics::ChangeScreenMode(SCRMODE_FULL640X480));
    EXPECT_FALSE(GxGraphics::ChangeScreenMode(99));
    EXPECT_EQ(Count(GxDeviceOp::Reset), 0u);
    EXPECT_TRUE(window.styles.empty());

    ASSERT_TRUE(GxGraphics::ChangeScreenMode(SCRMODE_FULLSCREEN));
    EXPECT_EQ(GxGraphics::GetScreenMode(), SCRMODE_FULLSCREEN);
    EXPECT_EQ(listener.before.back(), (std::pair<int32_t, int32_t>{SCRMODE_FULLSCREEN, SCRMODE_WINDOW}));
    GxPresentParameters p;
    ASSERT_EQ(GxGraphics::GetDefaultSwapChain()->GetD3DSwapChain()->GetPresentParameters(&p), GX_OK);
    EXPECT_EQ(p.Windowed, 0);
    EXPECT_EQ(window.styles, (std::vector<uint32_t>{0x10000000u}));
    EXPECT_EQ(window.positions.back(), (gxtest::StyleRecorder::Pos{0, 0, 1024, 768}));

    // The same mode resets again.
    ASSERT_TRUE(GxGraphics::ChangeScreenMode(SCRMODE_FULLSCREEN));
    EXPECT_EQ(Count(GxDeviceOp::Reset), 2u);

    ASSERT_TRUE(GxGraphics::ChangeScreenMode(SCRMODE_WINDOW));
    EXPECT_EQ(window.styles.back(), 0x10CA0000u);
    // 1024 + 2 + 3 + 1 wide, 768 + 2 + 3 + 1 + 23 high, centred on 1920 x 1080.
    EXPECT_EQ(window.positions.back(), (gxtest::StyleRecorder::Pos{445, 142, 1030, 797}));
}

TEST_F(Present, FailedModeChangeReturnsToTheOldMode)
{
    gxtest::StyleRecorder window;
    GxGraphics::SetMainWindow(&window, 7);
    ASSERT_TRUE(Create());
    // A default-pool object that nobody releases makes the device refuse to reset.
    GxDeviceSurface* stray = nullptr;
    ASSERT_EQ(Device()->CreateRenderTarget(16, 16, GXFMT_A8R8G8B8, GXMULTISAMPLE_NONE, 0, false, &stray), GX_OK);

    EXPECT_FALSE(GxGraphics::ChangeScreenMode(SCRMODE_FULLSCREEN));
    EXPECT_EQ(GxGraphics::GetScreenMode(), SCRMODE_WINDOW);
    EXPECT_TRUE(window.styles.empty());
    EXPECT_GE(ErrorCount(kResetFailed), 1u);

    // The device still shows the old mode, and the frame goes on.
    GxPresentParameters p;
    ASSERT_EQ(GxGraphics::GetDefaultSwapChain()->GetD3DSwapChain()->GetPresentParameters(&p), GX_OK);
    EXPECT_EQ(p.Windowed, 1);
    EXPECT_EQ(p.BackBufferWidth, 1024u);
    Recorder().Clear();
    EXPECT_TRUE(GxGraphics::Present(nullptr, nullptr, nullptr));
    ASSERT_EQ(Count(GxDeviceOp::Present), 1u);
    EXPECT_EQ(Recorder().calls.back().result, GX_OK);

    GxSafeRelease(stray);
    ASSERT_TRUE(GxGraphics::ChangeScreenMode(SCRMODE_FULLSCREEN));
    EXPECT_EQ(GxGraphics::GetScreenMode(), SCRMODE_FULLSCREEN);
    EXPECT_EQ(window.styles, (std::vector<uint32_t>{0x10000000u}));
}

// Full screen is the window system's to give (the display keeps its mode): where it does not
// give it, the change is refused and the device and the window go back to the window mode.
TEST_F(Present, FullScreenTheWindowSystemDoesNotGiveReturnsToTheWindow)
{
    gxtest::StyleRecorder window;
    window.refuseFullScreen = true;
    GxGraphics::SetMainWindow(&window, 7);
    ASSERT_TRUE(Create());

    EXPECT_FALSE(GxGraphics::ChangeScreenMode(SCRMODE_FULLSCREEN));
    EXPECT_EQ(GxGraphics::GetScreenMode(), SCRMODE_WINDOW);
    GxPresentParameters p;
    ASSERT_EQ(GxGraphics::GetDefaultSwapChain()->GetD3DSwapChain()->GetPresentParameters(&p), GX_OK);
    EXPECT_EQ(p.Windowed, 1);
    EXPECT_EQ(Count(GxDeviceOp::Reset), 2u) << "into full screen and back";
    // Asked for full screen, then styled and placed as a window again.
    EXPECT_EQ(window.styles, (std::vector<uint32_t>{0x10000000u, 0x10CA0000u}));
    EXPECT_EQ(window.positions, (std::vector<gxtest::StyleRecorder::Pos>{{445, 142, 1030, 797}}));
    const std::vector<std::u16string> device = gxtest::Lines(logs.Device());
    EXPECT_NE(std::find(device.begin(), device.end(),
                        u"Warning/GxGraphics ChangeScreenMode The window system did not make the window full "
                        u"screen(SCRMODE_FULLSCREEN): it stays in its window"),
              device.end());
    EXPECT_TRUE(ErrorLines().empty()) << "a platform without full screen is no error of the game";

    // The frame goes on in the window.
    Recorder().Clear();
    EXPECT_TRUE(GxGraphics::Present(nullptr, nullptr, nullptr));
    EXPECT_EQ(Recorder().calls.back().result, GX_OK);
}

TEST_F(Present, StateCachesSkipRepeatedValues)
{
    ASSERT_TRUE(Create());
    // Creation primes the caches with the default states; start from unknown ones.
    for (auto& e : GxGraphics::State().renderStates) e.valid = false;
    for (auto& st : GxGraphics::State().textureStageStates)
        for (auto& e : st) e.valid = false;
    EXPECT_TRUE(GxGraphics::SetRenderState(GXRS_SRCBLEND, GXBLEND_SRCALPHA));
    EXPECT_TRUE(GxGraphics::SetRenderState(GXRS_SRCBLEND, GXBLEND_SRCALPHA));
    EXPECT_EQ(Count(GxDeviceOp::SetRenderState), 1u);
    EXPECT_TRUE(GxGraphics::SetRenderState(GXRS_SRCBLEND, GXBLEND_ONE));
    EXPECT_EQ(Count(GxDeviceOp::SetRenderState), 2u);
    EXPECT_FALSE(GxGraphics::SetRenderState(static_cast<GxRenderStateType>(210), 1));

    EXPECT_TRUE(GxGraphics::SetTextureStageState(3, GXTSS_ALPHAOP, GXTOP_DISABLE));
    EXPECT_TRUE(GxGraphics::SetTextureStageState(3, GXTSS_ALPHAOP, GXTOP_DISABLE));
    EXPECT_TRUE(GxGraphics::SetTextureStageState(2, GXTSS_ALPHAOP, GXTOP_DISABLE));
    EXPECT_EQ(Count(GxDeviceOp::SetTextureStageState), 2u);
    EXPECT_FALSE(GxGraphics::SetTextureStageState(8, GXTSS_ALPHAOP, GXTOP_DISABLE));

    Recorder().Clear();
    EXPECT_TRUE(GxGraphics::ReapplyStateCache());
    EXPECT_EQ(Count(GxDeviceOp::SetRenderState), 1u);
    EXPECT_EQ(Count(GxDeviceOp::SetTextureStageState), 2u);
}

TEST_F(Present, SoftwareVertexProcessingFollowsTheShaderVersion)
{
    ASSERT_TRUE(Create());
    GxGraphics::SetSoftwareVertexProcessing(0, 0);
    EXPECT_FALSE(Device()->GetSoftwareVertexProcessing());
    GxGraphics::SetSoftwareVertexProcessing(4, 0);  // above the device's 3.0
    EXPECT_TRUE(Device()->GetSoftwareVertexProcessing());
    GxGraphics::State().softwareVertexProcessing = true;
    GxGraphics::SetSoftwareVertexProcessing(0, 0);
    EXPECT_TRUE(Device()->GetSoftwareVertexProcessing());
}

TEST_F(Present, AdditionalSwapChainDrawsAndPresentsItsOwnPicture)
{
    ASSERT_TRUE(Create());
    GxSwapChain extra;
    const GxRectL margins{4, 4, 4, 4};
    ASSERT_TRUE(extra.CreateSwapChainForWindow(u"Extra", nullptr, 320, 240, &margins));
    EXPECT_FALSE(extra.IsDefault());
    EXPECT_EQ(extra.GetName(), u"Extra");
    EXPECT_EQ(extra.GetWidth(), 320u);
    EXPECT_EQ(extra.GetClientRect(), (GxRectL{4, 4, 316, 236}));

    ASSERT_TRUE(GxGraphics::SetSwapChain(&extra, nullptr));
    EXPECT_EQ(Viewport(), (GxRectL{4, 4, 316, 236}));
    EXPECT_EQ(CurrentDepth(), extra.GetDepthStencilSurface());
    ASSERT_TRUE(GxGraphics::Clear(GXCLEAR_TARGET, 0xFF336699u, 1.0f, 0, nullptr));
    ASSERT_TRUE(GxGraphics::Present(nullptr, nullptr, nullptr));
    auto* chain = dynamic_cast<GxCoreAdditionalSwapChain*>(extra.GetD3DSwapChain());
    ASSERT_NE(chain, nullptr);
    GxPixelImage image;
    ASSERT_EQ(chain->ReadPresented(&image), GX_OK);
    EXPECT_EQ(image.width, 320u);
    EXPECT_EQ(image.At(3, 3), 0xFF000000u);
    EXPECT_EQ(image.At(4, 4), 0xFF336699u);
    // The device's own chain showed nothing.
    EXPECT_EQ(Presented().At(4, 4), 0xFF000000u);

    ASSERT_TRUE(GxGraphics::SetSwapChain(nullptr, nullptr));
    EXPECT_EQ(GxGraphics::GetSwapChain(), GxGraphics::GetDefaultSwapChain());
    EXPECT_EQ(Viewport(), (GxRectL{0, 0, 1024, 768}));
    extra.Release();
    EXPECT_EQ(extra.GetD3DSwapChain(), nullptr);
    EXPECT_FALSE(GxGetD3DResourceManage().IsRegistered(&extra));
}

TEST_F(Present, SwapChainClientRectAndFailures)
{
    ASSERT_TRUE(Create());
    GxSwapChain* chain = GxGraphics::GetDefaultSwapChain();
    const GxRectL margins{10, 20, 30, 40};
    ASSERT_TRUE(chain->CreateDefaultSwapChain(&margins));
    const GxRectL small{0, 0, 100, 100};
    chain->SetClientRect(&small);
    EXPECT_EQ(chain->GetClientRect(), small);
    chain->SetClientRect(nullptr);
    EXPECT_EQ(chain->GetClientRect(), (GxRectL{10, 20, 994, 728}));
    // A plain reset keeps the chain's size.
    ASSERT_TRUE(GxGraphics::Reset(true, SCRMODE_WINDOW, SCRMODE_WINDOW));
    GxDeviceSwapChain* own = nullptr;
    ASSERT_EQ(Device()->GetSwapChain(0, &own), GX_OK);
    EXPECT_EQ(chain->GetD3DSwapChain(), own);
    GxSafeRelease(own);
    EXPECT_EQ(chain->GetWidth(), 1024u);
    EXPECT_EQ(chain->GetHeight(), 768u);
    EXPECT_EQ(chain->GetClientRect(), (GxRectL{10, 20, 994, 728}));

    // Headless there is no window to take a size 0 from.
    GxSwapChain extra;
    EXPECT_FALSE(extra.CreateSwapChainForWindow(u"sub", nullptr, 0, 240, nullptr));
    EXPECT_EQ(extra.GetRefCount(), 0u);
    EXPECT_FALSE(GxGetD3DResourceManage().IsRegistered(&extra));
    ASSERT_FALSE(ErrorLines().empty());
    EXPECT_EQ(ErrorLines().back().rfind(u"Error/GxSwapChain CreateAdditionalSwapChain Failed(Name:\"sub\" Size:0,240 ", 0),
              0u);
}
