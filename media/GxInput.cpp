#include "media/GxInput.h"

namespace {
bool g_Open = false;
bool g_Active = false;
}  // namespace

bool GxInput::LoadKeyConfig(GxWindowHandle window)
{
    g_Open = window != 0;
    return g_Open;
}

void GxInput::SetActive(int32_t active) { g_Active = active != 0; }

bool GxInput::IsActive() { return g_Active; }

void GxInput::Release()
{
    g_Active = false;
    g_Open = false;
}
