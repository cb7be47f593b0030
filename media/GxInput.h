// Keyboard and joypad input as the application core drives it: opened for the main window with
// the key map at start-up, acquired and released with the window's activation, released at
// shutdown. The device reading itself comes with the input subsystem; for now the state is only
// remembered.
#pragma once

#include <cstdint>

#include "platform/GxWindowServices.h"

class GxInput
{
public:
    GxInput() = delete;

    // Opens the devices for the window and reads "key.ini". True when the devices are open.
    static bool LoadKeyConfig(GxWindowHandle window);
    // Non-zero acquires the devices, zero releases them; the state is remembered.
    static void SetActive(int32_t active);
    static bool IsActive();
    static void Release();
};
