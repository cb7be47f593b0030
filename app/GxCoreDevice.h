// The graphics device as the application core drives it: created for the main window, cleared,
// presented once per frame, switched between window and full screen, read back for the harness's
// screenshot, and released last at shutdown.
#pragma once

#include <cstdint>
#include <vector>

// Creates the device for the native window (none when there is no window). False when it cannot
// be made; the device has then shown its own message box.
bool GxCoreDeviceCreate(void* nativeWindow);
void GxCoreDeviceRelease();
bool GxCoreDeviceExists();
// Clears the back buffer's colour to 0xAARRGGBB.
void GxCoreDeviceClear(uint32_t color);
bool GxCoreDevicePresent();
// The next present draws and shows its frame even when it equals the last one shown (a
// screenshot of it is wanted).
void GxCoreDeviceForceFrame();
// GxGraphics::RepeatShownFrame.
bool GxCoreDeviceRepeatShownFrame();
// The current screen mode (0 window, 2 full screen) and whether it presents in a window.
int32_t GxCoreDeviceGetScreenMode();
bool GxCoreDeviceIsWindowed();
bool GxCoreDeviceChangeScreenMode(int32_t mode);
// The picture of the last present, 0xAARRGGBB, top row first.
bool GxCoreDeviceReadPresented(uint32_t& width, uint32_t& height, std::vector<uint32_t>& pixels);
