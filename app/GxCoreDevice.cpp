#include "app/GxCoreDevice.h"

#include "app/GxCore.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsSettings.h"

namespace {

bool ResetAccepted(int32_t newMode, int32_t oldMode)
{
    (void)newMode; (void)oldMode;
    return true;
}

// Styles and places the main window for the current mode: a captioned window of the logical size
// (centred, limited to the desktop), or the full-screen style, which the window services turn
// into a desktop full-screen window.
void StyleMainWindow(bool windowed)
{
    GxCore* core = GxGetCore();
    GxWindowServices* ws = core ? core->GetWindowServices() : nullptr;
    if (!ws || !core->GetMainWindow()) return;
    constexpr uint32_t kVisible = 0x10000000u;
    const GxGraphicsSettings& set = GxGetGraphicsSettings();
    if (!windowed) {
        ws->SetWindowStyle(core->GetMainWindow(), kVisible);
        ws->SetWindowPos(core->GetMainWindow(), 0, 0, static_cast<int32_t>(set.logicalScreenWidth),
                         static_cast<int32_t>(set.logicalScreenHeight));
        return;
    }
    ws->SetWindowStyle(core->GetMainWindow(),
                       kVisible | GxWindowStyle::Caption | GxWindowStyle::SysMenu | GxWindowStyle::MinimizeBox);
    const int32_t sw = ws->GetSystemMetrics(GxSystemMetric::CxScreen);
    const int32_t sh = ws->GetSystemMetrics(GxSystemMetric::CyScreen);
    int32_t w = static_cast<int32_t>(set.logicalScreenWidth) + ws->GetSystemMetrics(GxSystemMetric::CxEdge) +
                ws->GetSystemMetrics(GxSystemMetric::CxFixedFrame) + ws->GetSystemMetrics(GxSystemMetric::CxBorder);
    int32_t h = static_cast<int32_t>(set.logicalScreenHeight) + ws->GetSystemMetrics(GxSystemMetric::CyEdge) +
                ws->GetSystemMetrics(GxSystemMetric::CyFixedFrame) + ws->GetSystemMetrics(GxSystemMetric::CyBorder) +
                ws->GetSystemMetrics(GxSystemMetric::CyCaption);
    if (w > sw) w = sw;
    if (h > sh) h = sh;
    int32_t x = sw / 2 - w / 2, y = sh / 2 - h / 2;
    ws->SetWindowPos(core->GetMainWindow(), x < 0 ? 0 : x, y < 0 ? 0 : y, w, h);
}

}  // namespace

bool GxCoreDeviceCreate(void* nativeWindow)
{
    return GxGraphics::Create(nativeWindow, nullptr, &ResetAccepted, &ResetAccepted);
}

void GxCoreDeviceRelease() { GxGraphics::Release(); }

bool GxCoreDeviceExists() { return GxGraphics::GetDevice() != nullptr; }

void GxCoreDeviceClear(uint32_t color)
{
    if (GxDevice* d = GxGraphics::GetDevice()) d->Clear(0, nullptr, GXCLEAR_TARGET, color, 1.0f, 0);
}

bool GxCoreDevicePresent()
{
    GxDevice* d = GxGraphics::GetDevice();
    return d && d->Present(nullptr, nullptr, nullptr, nullptr) == GX_OK;
}

int32_t GxCoreDeviceGetScreenMode()
{
    // Before the device exists, the mode that start-up asks for.
    return GxGraphics::GetDevice() ? GxGraphics::GetScreenMode() : GxGetGraphicsSettings().screenMode;
}

bool GxCoreDeviceIsWindowed()
{
    return GxGraphics::GetPresentParameters(GxCoreDeviceGetScreenMode()).Windowed != 0;
}

bool GxCoreDeviceChangeScreenMode(int32_t mode)
{
    GxDevice* d = GxGraphics::GetDevice();
    GxPresentParameters params = GxGraphics::GetPresentParameters(mode);
    if (!d || params.BackBufferHeight == 0) return false;
    const int32_t old = GxGraphics::GetScreenMode();
    GxGraphics::State().screenMode = mode;
    if (d->Reset(&params) != GX_OK) {
        GxGraphics::State().screenMode = old;
        return false;
    }
    StyleMainWindow(params.Windowed != 0);
    return true;
}

bool GxCoreDeviceReadPresented(uint32_t& width, uint32_t& height, std::vector<uint32_t>& pixels)
{
    GxDevice* d = GxGraphics::GetDevice();
    GxPixelImage image;
    if (!d || d->ReadPresented(&image) != GX_OK) return false;
    width = image.width;
    height = image.height;
    pixels = std::move(image.pixels);
    return true;
}
