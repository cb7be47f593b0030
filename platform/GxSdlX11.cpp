#include "platform/GxSdlX11.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>

#include <cstring>

namespace {

constexpr const char* kSizeKey = "gx.x11.size";

}  // namespace

bool GxSdlX11Active()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && strcmp(driver, "x11") == 0;
}

void GxSdlX11WatchEvents()
{
    if (GxSdlX11Active()) SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
}

uint64_t GxSdlX11WindowOf(SDL_Window* window)
{
#if defined(SDL_VIDEO_DRIVER_X11)
    if (!window || !GxSdlX11Active()) return 0;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return 0;
    return static_cast<uint64_t>(info.info.x11.window);
#else
    (void)window;
    return 0;
#endif
}

bool GxSdlX11ConfigureOf(const SDL_Event& event, uint64_t* window, int32_t* width, int32_t* height)
{
#if defined(SDL_VIDEO_DRIVER_X11)
    if (event.type != SDL_SYSWMEVENT || !event.syswm.msg || event.syswm.msg->subsystem != SDL_SYSWM_X11) return false;
    const XEvent& x = event.syswm.msg->msg.x11.event;
    if (x.type != ConfigureNotify) return false;
    *window = static_cast<uint64_t>(x.xconfigure.window);
    *width = x.xconfigure.width;
    *height = x.xconfigure.height;
    return true;
#else
    (void)event; (void)window; (void)width; (void)height;
    return false;
#endif
}

void GxSdlX11AttachSize(SDL_Window* window, GxSdlX11Size* size)
{
    if (window) SDL_SetWindowData(window, kSizeKey, size);
}

const GxSdlX11Size* GxSdlX11SizeOf(SDL_Window* window)
{
    return window ? static_cast<const GxSdlX11Size*>(SDL_GetWindowData(window, kSizeKey)) : nullptr;
}
