// The graphics state over a recording adapter for the present, surface and factory suites: a
// created GxGraphics, its recording device, a nap counter in place of real sleeps, and the
// window services the screen modes style.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "graphics/GxD3DResource.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsSettings.h"
#include "graphics_test_support.h"
#include "platform/GxDeviceCore.h"
#include "platform/GxDeviceRecording.h"

namespace gxtest {

// Records what the screen modes do to the main window.
class StyleRecorder : public GxWindowServices
{
public:
    struct Pos
    {
        int32_t x, y, w, h;
        bool operator==(const Pos&) const = default;
    };
    std::vector<uint32_t> styles;
    std::vector<Pos> positions;
    // A window system that never makes the window full screen (an X server without a window
    // manager).
    bool refuseFullScreen = false;

    bool SetWindowStyle(GxWindowHandle, uint32_t style) override
    {
        styles.push_back(style);
        return !refuseFullScreen || (style & GxWindowStyle::Caption) != 0;
    }
    void SetWindowPos(GxWindowHandle, int32_t x, int32_t y, int32_t w, int32_t h) override
    {
        positions.push_back(Pos{x, y, w, h});
    }
    int32_t GetSystemMetrics(int32_t index) override
    {
        switch (index) {
        case GxSystemMetric::CxScreen: return 1920;
        case GxSystemMetric::CyScreen: return 1080;
        case GxSystemMetric::CyCaption: return 23;
        case GxSystemMetric::CxEdge: case GxSystemMetric::CyEdge: return 2;
        case GxSystemMetric::CxFixedFrame: case GxSystemMetric::CyFixedFrame: return 3;
        case GxSystemMetric::CxBorder: case GxSystemMetric::CyBorder: return 1;
        default: return 0;
        }
    }

    bool RegisterWindowClass(const GxWindowClassDesc&) override { return true; }
    GxWindowHandle CreateWindow(const GxWindowCreateDesc&) override { return 0; }
    bool FindWindowByClass(const std::u16string&) override { return false; }
    void ShowWindow(GxWindowHandle, int32_t) override {}
    void UpdateWindow(GxWindowHandle) override {}
    void SetWindowText(GxWindowHandle, const std::u16string&) override {}
    GxWindowRect GetClientRect(GxWindowHandle) override { return {}; }
    void InvalidateWindow(GxWindowHandle) override {}
    void ValidateRect(GxWindowHandle) override {}
    void PaintText(GxWindowHandle, const std::u16string&) override {}
    void SetCursor(GxSystemCursor) override {}
    GxWindowPoint GetCursorPos() override { return {}; }
    GxWindowPoint ScreenToClient(GxWindowHandle, GxWindowPoint p) override { return p; }
    void SetCapture(GxWindowHandle) override {}
    void ReleaseCapture() override {}
    GxWindowHandle GetCapture() override { return 0; }
    bool PeekMessage() override { return false; }
    bool GetMessage(GxWindowMessageRecord&) override { return false; }
    void TranslateMessage(const GxWindowMessageRecord&) override {}
    GxLResult DispatchMessage(const GxWindowMessageRecord&) override { return 0; }
    GxLResult DefWindowProc(GxWindowHandle, uint32_t, GxWParam, GxLParam) override { return 0; }
    void PostMessage(GxWindowHandle, uint32_t, GxWParam, GxLParam) override {}
    GxLResult SendMessage(GxWindowHandle, uint32_t, GxWParam, GxLParam) override { return 0; }
    void PostQuitMessage(int32_t) override {}
    void ShowMessageBox(const std::u16string&, const std::u16string&) override {}
    std::u16string GetCurrentDirectory() override { return u"/"; }
    std::u16string GetDocumentsFolder() override { return u"/"; }
    bool CreateDirectory(const std::u16string&) override { return true; }
};

inline int& Naps()
{
    static int naps = 0;
    return naps;
}
inline void CountNap(uint32_t milliseconds)
{
    EXPECT_EQ(milliseconds, 10u);
    ++Naps();
}

class RecordingGraphics : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GxGetGraphicsSettings().SetStartupValues();
        adapter = GxDefaultRecordingAdapter();
        adapter.presentFailure = presentFailure;
        GxGraphics::SetSleepFunction(&CountNap);
        Naps() = 0;
    }
    void TearDown() override
    {
        GxGraphics::Release();
        GxGraphics::SetDirect3DFactory(nullptr);
        GxGraphics::SetSleepFunction(nullptr);
        GxGraphics::SetMainWindow(nullptr, 0);
        GxGetGraphicsSettings().SetStartupValues();
    }

    bool Create()
    {
        GxGraphics::SetDirect3DFactory([this](void*) { return GxCreateRecordingDirect3D(adapter); });
        bool ok = GxGraphics::Create(nullptr, nullptr, nullptr, nullptr);
        if (ok) Recorder().Clear();
        return ok;
    }

    GxDevice* Device() { return GxGraphics::GetDevice(); }
    GxDeviceRecorder& Recorder() { return Device()->Recorder(); }
    size_t Count(GxDeviceOp op) { return Recorder().Count(op); }
    GxPixelImage Presented()
    {
        GxPixelImage image;
        EXPECT_EQ(Device()->ReadPresented(&image), GX_OK);
        return image;
    }
    GxDeviceSurface* CurrentTarget()
    {
        GxDeviceSurface* s = nullptr;
        Device()->GetRenderTarget(0, &s);
        if (s) s->Release();  // the device still holds one
        return s;
    }
    GxDeviceSurface* CurrentDepth()
    {
        GxDeviceSurface* s = nullptr;
        Device()->GetDepthStencilSurface(&s);
        if (s) s->Release();
        return s;
    }
    GxViewport DeviceViewport()
    {
        GxViewport v;
        Device()->GetViewport(&v);
        return v;
    }
    GxRectL Viewport()
    {
        GxRectL r;
        GxGraphics::GetViewport(&r);
        return r;
    }
    std::vector<std::u16string> ErrorLines() { return Lines(logs.Error()); }
    size_t ErrorCount(const std::u16string& line)
    {
        size_t n = 0;
        for (const auto& l : ErrorLines()) n += l == line ? 1 : 0;
        return n;
    }

    LogFolder logs;
    GxRecordingAdapter adapter;
    std::shared_ptr<GxResult> presentFailure = std::make_shared<GxResult>(GX_OK);
};

}  // namespace gxtest
