#include "app/GxCoreDevice.h"

#include <cstddef>

// Until the graphics device is there: a picture in memory of the requested screen size, so that
// start-up, the frame and the harness's screenshot run their whole course.
namespace {
struct SoftDevice
{
    bool exists = false;
    int32_t mode = 0;
    uint32_t width = 1024;
    uint32_t height = 768;
    std::vector<uint32_t> back;
    std::vector<uint32_t> presented;
};
SoftDevice& Device()
{
    static SoftDevice d;
    return d;
}
}  // namespace

bool GxCoreDeviceCreate(void* nativeWindow)
{
    (void)nativeWindow;
    SoftDevice& d = Device();
    d.exists = true;
    d.mode = 0;
    d.back.assign(static_cast<size_t>(d.width) * d.height, 0xFF000000u);
    d.presented = d.back;
    return true;
}

void GxCoreDeviceRelease()
{
    SoftDevice& d = Device();
    d.exists = false;
    d.back.clear();
    d.presented.clear();
}

bool GxCoreDeviceExists() { return Device().exists; }

void GxCoreDeviceClear(uint32_t color)
{
    SoftDevice& d = Device();
    if (d.exists) d.back.assign(d.back.size(), color);
}

bool GxCoreDevicePresent()
{
    SoftDevice& d = Device();
    if (!d.exists) return false;
    d.presented = d.back;
    return true;
}

int32_t GxCoreDeviceGetScreenMode() { return Device().mode; }

bool GxCoreDeviceIsWindowed() { return Device().mode == 0 || Device().mode == 1; }

bool GxCoreDeviceChangeScreenMode(int32_t mode)
{
    SoftDevice& d = Device();
    if (!d.exists || (mode != 0 && mode != 2)) return false;
    d.mode = mode;
    return true;
}

bool GxCoreDeviceReadPresented(uint32_t& width, uint32_t& height, std::vector<uint32_t>& pixels)
{
    SoftDevice& d = Device();
    if (!d.exists) return false;
    width = d.width;
    height = d.height;
    pixels = d.presented;
    return true;
}
