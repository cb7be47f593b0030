// The requested display settings that the device creation reads. The game start-up sets them
// (GxGraphicsSettings::SetStartupValues) before the device is created; the device creation may
// turn an unsupported multisample setting back to 0.
#pragma once

#include <cstdint>

#include "platform/GxPresentRect.h"

struct GxGraphicsSettings
{
    uint32_t logicalScreenWidth = kGxLogicalScreenWidth;   // the window's client size
    uint32_t logicalScreenHeight = kGxLogicalScreenHeight;
    uint32_t backBufferWidth = kGxLogicalScreenWidth;      // window mode size; full-screen mode search
    uint32_t backBufferHeight = kGxLogicalScreenHeight;
    int32_t screenMode = 0;               // requested start-up mode (SCRMODE_WINDOW)
    uint32_t vsyncInterval = 1;           // presentation interval count
    bool lockableBackBuffer = false;
    uint32_t multiSampleMode = 0;         // 0 none; 2 or 4 samples when supported
    uint32_t textureBits = 32;
    uint32_t backBufferBits = 32;
    uint32_t depthStencilBits = 24;
    uint32_t refreshRate = 60;            // first refresh rate tried in full screen
    uint32_t swapEffect = 2;              // flip
    uint8_t textureCreateOption = 0;      // copied into the device state for texture creation

    // The values of the game start-up.
    void SetStartupValues() { *this = GxGraphicsSettings(); }
};

// The engine's one set of requested display settings.
GxGraphicsSettings& GxGetGraphicsSettings();
