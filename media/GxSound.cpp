#include "media/GxSound.h"

bool GxSound::Create(GxWindowHandle window, int32_t flags)
{
    (void)window; (void)flags;
    return true;
}

void GxSound::Update() {}

void GxSound::Release() {}
