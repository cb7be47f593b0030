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

}  // namespace

bool GxCoreDeviceCreate(void* nativeWindow)
{
    if (!GxGraphics::Create(nativeWindow, nullptr, &ResetAccepted, &ResetAccepted)) return false;
    if (GxCore* core = GxGetCore()) GxGraphics::SetMainWindow(core->GetWindowServices(), core->GetMainWindow());
    return true;
}

void GxCoreDeviceRelease() { GxGraphics::Release(); }

bool GxCoreDeviceExists() { return GxGraphics::GetDevice() != nullptr; }

void GxCoreDeviceClear(uint32_t color)
{
    if (GxGraphics::GetDevice()) GxGraphics::Clear(GXCLEAR_TARGET, color, 1.0f, 0, nullptr);
}

bool GxCoreDevicePresent()
{
    if (!GxGraphics::GetDevice()) return false;
    bool ok = GxGraphics::Present(nullptr, nullptr, nullptr);
    // A driver failure ends the game through the normal shutdown, so options and permanent
    // data are still written, and the exit status reports the failure.
    if (GxGraphics::IsDriverInternalError()) {
        if (GxCore* core = GxGetCore()) core->RequestQuit();
    }
    return ok;
}

void GxCoreDeviceForceFrame() { GxGraphics::ForceFrame(); }

bool GxCoreDeviceRepeatShownFrame() { return GxGraphics::RepeatShownFrame(); }

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
    if (!GxGraphics::GetDevice()) return false;
    return GxGraphics::ChangeScreenMode(mode);
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
