// The device's own rules, shared by both backends, on the recording backend: present parameters,
// the loss test hook with reset, scenes, clearing inside the viewport, the state after a reset,
// screen-vertex draws and the call record.
#include <gtest/gtest.h>

#include "graphics_test_support.h"
#include "platform/GxDeviceRecording.h"

namespace {

constexpr uint32_t kMixed = gxtest::kDeviceCreateFlags;
using gxtest::WindowedParams;

class RecordingDevice : public ::testing::Test
{
protected:
    void SetUp() override { d3d = GxCreateRecordingDirect3D(adapter); }
    void TearDown() override
    {
        GxSafeRelease(dev);
        GxSafeRelease(d3d);
    }

    GxResult Make(GxPresentParameters p, uint32_t flags = kMixed)
    {
        GxSafeRelease(dev);
        return d3d->CreateDevice(0, GXDEVTYPE_HAL, nullptr, flags, &p, &dev);
    }
    GxPixelImage Back()
    {
        GxPixelImage img;
        EXPECT_EQ(dev->ReadBackBuffer(&img), GX_OK);
        return img;
    }

    GxRecordingAdapter adapter = GxDefaultRecordingAdapter();
    GxDirect3D* d3d = nullptr;
    GxDevice* dev = nullptr;
};

GxScreenVertex V(float x, float y) { return GxScreenVertex{x, y, 0.0f, 1.0f, 0xFFFFFFFFu, 0u, 0.0f, 0.0f}; }

}  // namespace

TEST_F(RecordingDevice, PresentParametersAreCheckedAndCompleted)
{
    struct Case
    {
        const char* what;
        GxPresentParameters params;
        GxResult result;
    };
    auto with = [](auto change) {
        GxPresentParameters p = WindowedParams(64, 32);
        change(p);
        return p;
    };
    GxPresentParameters full = WindowedParams(1024, 768);
    full.Windowed = 0;
    full.FullScreen_RefreshRateInHz = 60;
    const Case cases[] = {
        {"a plain window", WindowedParams(64, 32), GX_OK},
        {"a listed full-screen mode", full, GX_OK},
        {"an unlisted full-screen size", with([](GxPresentParameters& p) { p.Windowed = 0; }), GXERR_INVALIDCALL},
        {"an unlisted refresh rate", with([&](GxPresentParameters& p) { p = full; p.FullScreen_RefreshRateInHz = 75; }),
         GXERR_INVALIDCALL},
        {"a refresh rate in a window", with([](GxPresentParameters& p) { p.FullScreen_RefreshRateInHz = 60; }),
         GXERR_INVALIDCALL},
        {"no size and no window to take it from", with([](GxPresentParameters& p) { p.BackBufferWidth = 0; }),
         GXERR_INVALIDCALL},
        {"no swap effect", with([](GxPresentParameters& p) { p.SwapEffect = 0; }), GXERR_INVALIDCALL},
        {"an automatic depth buffer", with([](GxPresentParameters& p) { p.EnableAutoDepthStencil = 1; }),
         GXERR_INVALIDCALL},
        {"a 16-bit back buffer", with([](GxPresentParameters& p) { p.BackBufferFormat = GXFMT_R5G6B5; }),
         GXERR_INVALIDCALL},
        {"unsupported multisampling", with([](GxPresentParameters& p) { p.MultiSampleType = 2; }), GXERR_INVALIDCALL},
        {"quality without multisampling", with([](GxPresentParameters& p) { p.MultiSampleQuality = 1; }),
         GXERR_INVALIDCALL},
        {"a bad interval", with([](GxPresentParameters& p) { p.PresentationInterval = 3; }), GXERR_INVALIDCALL},
        {"four back buffers", with([](GxPresentParameters& p) { p.BackBufferCount = 4; }), GXERR_INVALIDCALL},
        {"larger than a texture may be", with([](GxPresentParameters& p) { p.BackBufferWidth = 8193; }),
         GXERR_INVALIDCALL},
    };
    for (const Case& c : cases) EXPECT_EQ(Make(c.params), c.result) << c.what;

    // Open fields are filled and written back.
    GxPresentParameters p = WindowedParams(64, 32, GXFMT_UNKNOWN);
    p.BackBufferCount = 0;
    ASSERT_EQ(d3d->CreateDevice(0, GXDEVTYPE_HAL, nullptr, kMixed, &p, &dev), GX_OK);
    EXPECT_EQ(p.BackBufferFormat, GXFMT_X8R8G8B8);
    EXPECT_EQ(p.BackBufferCount, 1u);
    GxDeviceSurface* bb = nullptr;
    ASSERT_EQ(dev->GetBackBuffer(0, 0, &bb), GX_OK);
    GxSurfaceDesc d;
    ASSERT_EQ(bb->GetDesc(&d), GX_OK);
    EXPECT_EQ(d.Width, 64u);
    EXPECT_EQ(d.Height, 32u);
    EXPECT_EQ(d.Format, GXFMT_X8R8G8B8);
    EXPECT_EQ(d.Usage, GXUSAGE_RENDERTARGET);
    bb->Release();

    // Exactly one kind of vertex processing; an absent device type.
    GxSafeRelease(dev);
    EXPECT_EQ(Make(WindowedParams(8, 8), GXCREATE_MULTITHREADED), GXERR_INVALIDCALL);
    EXPECT_EQ(Make(WindowedParams(8, 8), GXCREATE_MIXED_VERTEXPROCESSING | GXCREATE_SOFTWARE_VERTEXPROCESSING),
              GXERR_INVALIDCALL);
    GxPresentParameters q = WindowedParams(8, 8);
    EXPECT_EQ(d3d->CreateDevice(0, GXDEVTYPE_REF, nullptr, kMixed, &q, &dev), GXERR_NOTAVAILABLE);
    EXPECT_EQ(dev, nullptr);
}

TEST_F(RecordingDevice, LossHookAnswersLostThenNotResetUntilReset)
{
    ASSERT_EQ(Make(WindowedParams(16, 16)), GX_OK);
    EXPECT_EQ(dev->TestCooperativeLevel(), GX_OK);
    dev->SimulateDeviceLoss(2);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), GXERR_DEVICELOST);
    EXPECT_EQ(dev->TestCooperativeLevel(), GXERR_DEVICELOST);
    // Not yet resettable: a reset is refused and changes nothing.
    GxPresentParameters p = WindowedParams(32, 8);
    EXPECT_EQ(dev->Reset(&p), GXERR_DEVICELOST);
    EXPECT_EQ(dev->TestCooperativeLevel(), GXERR_DEVICELOST);
    EXPECT_EQ(dev->TestCooperativeLevel(), GXERR_DEVICENOTRESET);
    EXPECT_EQ(dev->TestCooperativeLevel(), GXERR_DEVICENOTRESET);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), GXERR_DEVICELOST);

    // A failed reset keeps the device waiting for the next one.
    GxPresentParameters bad = WindowedParams(32, 8);
    bad.Windowed = 0;
    EXPECT_EQ(dev->Reset(&bad), GXERR_INVALIDCALL);
    EXPECT_EQ(dev->TestCooperativeLevel(), GXERR_DEVICENOTRESET);

    ASSERT_EQ(dev->Reset(&p), GX_OK);
    EXPECT_EQ(dev->TestCooperativeLevel(), GX_OK);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), GX_OK);
    GxPixelImage img = Back();
    EXPECT_EQ(img.width, 32u);
    EXPECT_EQ(img.height, 8u);

    // No answer of "lost" at all: the first query already says "not reset".
    dev->SimulateDeviceLoss(0);
    EXPECT_EQ(dev->TestCooperativeLevel(), GXERR_DEVICENOTRESET);
    EXPECT_EQ(dev->Reset(&p), GX_OK);

    const auto& calls = dev->Recorder().calls;
    size_t resets = 0;
    for (const auto& c : calls)
        if (c.op == GxDeviceOp::Reset) ++resets;
    EXPECT_EQ(resets, 4u);
    EXPECT_EQ(calls.back().op, GxDeviceOp::Reset);
    EXPECT_EQ(calls.back().result, GX_OK);
}

TEST_F(RecordingDevice, ScenesDoNotNestAndPresentWaitsForTheirEnd)
{
    ASSERT_EQ(Make(WindowedParams(8, 8)), GX_OK);
    EXPECT_EQ(dev->EndScene(), GXERR_INVALIDCALL);
    EXPECT_EQ(dev->BeginScene(), GX_OK);
    EXPECT_EQ(dev->BeginScene(), GXERR_INVALIDCALL);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), GXERR_INVALIDCALL);
    EXPECT_EQ(dev->EndScene(), GX_OK);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), GX_OK);
}

TEST_F(RecordingDevice, ClearWorksInsideTheViewport)
{
    ASSERT_EQ(Make(WindowedParams(8, 4, GXFMT_A8R8G8B8)), GX_OK);
    ASSERT_EQ(dev->Clear(0, nullptr, GXCLEAR_TARGET, 0x11223344u, 1.0f, 0), GX_OK);
    GxViewport vp{2, 1, 4, 2, 0.0f, 1.0f};
    ASSERT_EQ(dev->SetViewport(&vp), GX_OK);
    ASSERT_EQ(dev->Clear(0, nullptr, GXCLEAR_TARGET | GXCLEAR_ZBUFFER | GXCLEAR_STENCIL, 0xFF0000FFu, 1.0f, 0), GX_OK);
    GxRectL rects[2] = {{0, 0, 3, 4}, {5, 2, 9, 9}};
    ASSERT_EQ(dev->Clear(2, rects, GXCLEAR_TARGET, 0xFFFFFFFFu, 1.0f, 0), GX_OK);
    GxPixelImage img = Back();
    const char* want[4] = {
        "........",
        "..WBBB..",
        "..WBBW..",
        "........",
    };
    for (uint32_t y = 0; y < 4; ++y) {
        for (uint32_t x = 0; x < 8; ++x) {
            uint32_t expected = want[y][x] == 'W' ? 0xFFFFFFFFu : want[y][x] == 'B' ? 0xFF0000FFu : 0x11223344u;
            EXPECT_EQ(img.At(x, y), expected) << x << "," << y;
        }
    }
    // The picture reaches the presented copy only with Present.
    GxPixelImage shown;
    ASSERT_EQ(dev->ReadPresented(&shown), GX_OK);
    EXPECT_EQ(shown.At(0, 0), 0u);
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), GX_OK);
    ASSERT_EQ(dev->ReadPresented(&shown), GX_OK);
    EXPECT_EQ(shown.pixels, img.pixels);

    EXPECT_EQ(dev->Clear(1, nullptr, GXCLEAR_TARGET, 0, 1.0f, 0), GXERR_INVALIDCALL);
    GxViewport outside{6, 0, 4, 4, 0.0f, 1.0f};
    EXPECT_EQ(dev->SetViewport(&outside), GXERR_INVALIDCALL);
    GxViewport kept;
    ASSERT_EQ(dev->GetViewport(&kept), GX_OK);
    EXPECT_EQ(kept, vp);
}

TEST_F(RecordingDevice, ResetRestoresTheDefaultState)
{
    ASSERT_EQ(Make(WindowedParams(8, 8)), GX_OK);
    uint32_t v = 0;
    ASSERT_EQ(dev->GetRenderState(GXRS_LIGHTING, &v), GX_OK);
    EXPECT_EQ(v, 1u);
    ASSERT_EQ(dev->GetTextureStageState(0, GXTSS_COLOROP, &v), GX_OK);
    EXPECT_EQ(v, static_cast<uint32_t>(GXTOP_MODULATE));
    ASSERT_EQ(dev->GetTextureStageState(1, GXTSS_COLOROP, &v), GX_OK);
    EXPECT_EQ(v, static_cast<uint32_t>(GXTOP_DISABLE));

    ASSERT_EQ(dev->SetRenderState(GXRS_LIGHTING, 0), GX_OK);
    ASSERT_EQ(dev->SetRenderState(GXRS_BLENDOPALPHA, GXBLENDOP_MAX), GX_OK);
    ASSERT_EQ(dev->SetTextureStageState(7, GXTSS_ALPHAARG2, GXTA_DIFFUSE), GX_OK);
    ASSERT_EQ(dev->SetSamplerState(0, GXSAMP_MAGFILTER, GXTEXF_LINEAR), GX_OK);
    GxViewport vp{1, 1, 2, 2, 0.0f, 1.0f};
    ASSERT_EQ(dev->SetViewport(&vp), GX_OK);
    EXPECT_EQ(dev->SetRenderState(static_cast<GxRenderStateType>(GX_RENDERSTATE_COUNT), 0), GXERR_INVALIDCALL);
    EXPECT_EQ(dev->SetTextureStageState(8, GXTSS_COLOROP, 0), GXERR_INVALIDCALL);

    GxPresentParameters p = WindowedParams(20, 10);
    ASSERT_EQ(dev->Reset(&p), GX_OK);
    ASSERT_EQ(dev->GetRenderState(GXRS_LIGHTING, &v), GX_OK);
    EXPECT_EQ(v, 1u);
    ASSERT_EQ(dev->GetRenderState(GXRS_BLENDOPALPHA, &v), GX_OK);
    EXPECT_EQ(v, static_cast<uint32_t>(GXBLENDOP_ADD));
    ASSERT_EQ(dev->GetTextureStageState(7, GXTSS_ALPHAARG2, &v), GX_OK);
    EXPECT_EQ(v, GXTA_CURRENT);
    ASSERT_EQ(dev->GetSamplerState(0, GXSAMP_MAGFILTER, &v), GX_OK);
    EXPECT_EQ(v, static_cast<uint32_t>(GXTEXF_POINT));
    GxViewport after;
    ASSERT_EQ(dev->GetViewport(&after), GX_OK);
    EXPECT_EQ(after, (GxViewport{0, 0, 20, 10, 0.0f, 1.0f}));
    // The back buffer is the render target again, now of the new size.
    GxDeviceSurface* rt = nullptr;
    ASSERT_EQ(dev->GetRenderTarget(0, &rt), GX_OK);
    GxSurfaceDesc d;
    rt->GetDesc(&d);
    EXPECT_EQ(d.Width, 20u);
    rt->Release();
}

TEST_F(RecordingDevice, ScreenVertexDrawsAreRecorded)
{
    ASSERT_EQ(Make(WindowedParams(8, 8)), GX_OK);
    GxScreenVertex quad[4] = {V(0, 0), V(0, 4), V(4, 4), V(4, 0)};
    ASSERT_EQ(dev->SetFVF(GXFVF_SCREENVERTEX), GX_OK);
    // Outside a scene nothing is drawn.
    EXPECT_EQ(dev->DrawPrimitiveUP(GXPT_TRIANGLEFAN, 2, quad, sizeof(GxScreenVertex)), GXERR_INVALIDCALL);
    ASSERT_EQ(dev->BeginScene(), GX_OK);
    dev->Recorder().Clear();
    ASSERT_EQ(dev->DrawPrimitiveUP(GXPT_TRIANGLEFAN, 2, quad, sizeof(GxScreenVertex)), GX_OK);
    ASSERT_EQ(dev->Recorder().calls.size(), 1u);
    const GxDeviceCall& c = dev->Recorder().calls[0];
    EXPECT_EQ(c.op, GxDeviceOp::DrawPrimitiveUP);
    EXPECT_EQ(c.args[0], static_cast<uint32_t>(GXPT_TRIANGLEFAN));
    EXPECT_EQ(c.args[1], 2u);
    EXPECT_EQ(c.args[2], 32u);
    ASSERT_EQ(c.vertices.size(), 4u);
    EXPECT_EQ(c.vertices[2].x, 4.0f);
    EXPECT_EQ(c.vertices[1].y, 4.0f);

    EXPECT_EQ(dev->DrawPrimitiveUP(GXPT_TRIANGLEFAN, 2, quad, 28), GXERR_INVALIDCALL);
    EXPECT_EQ(dev->DrawPrimitiveUP(GXPT_TRIANGLEFAN, 0, quad, 32), GXERR_INVALIDCALL);
    EXPECT_EQ(dev->DrawPrimitiveUP(GXPT_TRIANGLEFAN, 2, nullptr, 32), GXERR_INVALIDCALL);
    ASSERT_EQ(dev->SetFVF(GXFVF_XYZRHW | GXFVF_DIFFUSE), GX_OK);
    EXPECT_EQ(dev->DrawPrimitiveUP(GXPT_TRIANGLEFAN, 2, quad, 32), GXERR_INVALIDCALL);
    EXPECT_EQ(dev->Recorder().Count(GxDeviceOp::DrawPrimitiveUP), 5u);
    EXPECT_EQ(dev->EndScene(), GX_OK);

    // The binding calls the engine makes before a draw are accepted and recorded.
    dev->Recorder().Clear();
    EXPECT_EQ(dev->SetVertexShader(nullptr), GX_OK);
    EXPECT_EQ(dev->SetStreamSource(3, nullptr, 0, 0), GX_OK);
    EXPECT_EQ(dev->SetTexture(0, nullptr), GX_OK);
    EXPECT_EQ(dev->LightEnable(4, true), GX_OK);
    GxLight light;
    light.Type = GXLIGHT_POINT;
    light.Range = 30.0f;
    EXPECT_EQ(dev->SetLight(1, &light), GX_OK);
    EXPECT_EQ(dev->SetLight(1, nullptr), GXERR_INVALIDCALL);
    std::vector<GxDeviceOp> ops;
    for (const auto& call : dev->Recorder().calls) ops.push_back(call.op);
    EXPECT_EQ(ops, (std::vector<GxDeviceOp>{GxDeviceOp::SetVertexShader, GxDeviceOp::SetStreamSource,
                                            GxDeviceOp::SetTexture, GxDeviceOp::LightEnable, GxDeviceOp::SetLight,
                                            GxDeviceOp::SetLight}));
    EXPECT_EQ(dev->Recorder().calls[4].f[0], 30.0f);
}

TEST_F(RecordingDevice, VertexProcessingSwitchFollowsTheCreationFlags)
{
    ASSERT_EQ(Make(WindowedParams(8, 8)), GX_OK);
    EXPECT_FALSE(dev->GetSoftwareVertexProcessing());
    EXPECT_EQ(dev->SetSoftwareVertexProcessing(true), GX_OK);
    EXPECT_TRUE(dev->GetSoftwareVertexProcessing());
    ASSERT_EQ(Make(WindowedParams(8, 8), GXCREATE_SOFTWARE_VERTEXPROCESSING), GX_OK);
    EXPECT_TRUE(dev->GetSoftwareVertexProcessing());
    ASSERT_EQ(Make(WindowedParams(8, 8), GXCREATE_HARDWARE_VERTEXPROCESSING), GX_OK);
    EXPECT_EQ(dev->SetSoftwareVertexProcessing(true), GXERR_INVALIDCALL);
    EXPECT_FALSE(dev->GetSoftwareVertexProcessing());
}

TEST_F(RecordingDevice, ChildrenOutliveTheDeviceSafely)
{
    ASSERT_EQ(Make(WindowedParams(8, 8)), GX_OK);
    GxDeviceSwapChain* chain = nullptr;
    ASSERT_EQ(dev->GetSwapChain(0, &chain), GX_OK);
    GxDeviceSurface* bb = nullptr;
    ASSERT_EQ(chain->GetBackBuffer(0, &bb), GX_OK);
    EXPECT_EQ(chain->Present(nullptr, nullptr, nullptr, 0), GX_OK);
    EXPECT_EQ(dev->Recorder().Count(GxDeviceOp::Present), 1u);
    GxPresentParameters p;
    ASSERT_EQ(chain->GetPresentParameters(&p), GX_OK);
    EXPECT_EQ(p.BackBufferWidth, 8u);
    EXPECT_EQ(dev->GetSwapChain(1, &chain), GXERR_INVALIDCALL);
    ASSERT_EQ(dev->GetSwapChain(0, &chain), GX_OK);
    chain->Release();

    GxSafeRelease(dev);
    EXPECT_EQ(chain->Present(nullptr, nullptr, nullptr, 0), GXERR_INVALIDCALL);
    GxDeviceSurface* again = nullptr;
    EXPECT_EQ(chain->GetBackBuffer(0, &again), GXERR_INVALIDCALL);
    GxSurfaceDesc d;
    EXPECT_EQ(bb->GetDesc(&d), GX_OK);
    bb->Release();
    chain->Release();
}

TEST_F(RecordingDevice, CreateDeviceFailuresComeFromTheAdapterDescription)
{
    GxSafeRelease(d3d);
    adapter.createDeviceFailures = 1;
    adapter.createDeviceFailure = GXERR_OUTOFVIDEOMEMORY;
    d3d = GxCreateRecordingDirect3D(adapter);
    EXPECT_EQ(Make(WindowedParams(8, 8)), GXERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(dev, nullptr);
    EXPECT_EQ(Make(WindowedParams(8, 8)), GX_OK);

    uint32_t q = 7;
    EXPECT_EQ(d3d->CheckDeviceMultiSampleType(0, GXDEVTYPE_HAL, GXFMT_X8R8G8B8, true, 0, &q), GX_OK);
    EXPECT_EQ(q, 1u);
    EXPECT_EQ(d3d->CheckDeviceMultiSampleType(0, GXDEVTYPE_HAL, GXFMT_X8R8G8B8, true, 2, &q), GXERR_NOTAVAILABLE);
    EXPECT_EQ(q, 0u);
    EXPECT_EQ(d3d->CheckDeviceMultiSampleType(0, GXDEVTYPE_HAL, GXFMT_X8R8G8B8, true, 17, &q), GXERR_INVALIDARG);
    EXPECT_EQ(d3d->GetAdapterModeCount(1, GXFMT_X8R8G8B8), 0u);
    GxDisplayMode m;
    EXPECT_EQ(d3d->EnumAdapterModes(0, GXFMT_X8R8G8B8, 2, &m), GXERR_INVALIDCALL);
    EXPECT_EQ(d3d->EnumAdapterModes(0, GXFMT_X8R8G8B8, 1, &m), GX_OK);
    EXPECT_EQ(m, (GxDisplayMode{1024, 768, 60, GXFMT_X8R8G8B8}));
}
