// What the window services need of X beneath SDL: the X window behind an SDL window and the
// sizes X's own configure events give it.
//
// SDL takes its own requests for done: a window asked for desktop full screen is the desktop's
// size to SDL at once, whatever the window manager does with the request (or when there is no
// window manager to do anything). X's configure events tell what the window really is, so the
// window services keep that size for every window, and the GL context presents into it.
#pragma once

#include <cstdint>

union SDL_Event;
struct SDL_Window;

// Whether SDL's video runs on an X server.
bool GxSdlX11Active();
// Has SDL hand on X's own events (as SDL_SYSWMEVENT); nothing when not on X.
void GxSdlX11WatchEvents();
// The X window of an SDL window; 0 when there is none (not on X).
uint64_t GxSdlX11WindowOf(SDL_Window* window);
// When the event is X's configure notice of a window: true, with that window and its size.
bool GxSdlX11ConfigureOf(const SDL_Event& event, uint64_t* window, int32_t* width, int32_t* height);

// The size X last gave a window, as the window services keep it in the window's own record.
struct GxSdlX11Size
{
    int32_t width = 0;
    int32_t height = 0;
};
void GxSdlX11AttachSize(SDL_Window* window, GxSdlX11Size* size);
// None when the services keep no size for the window (not on X, or not one of theirs): SDL's
// own size is the window's then.
const GxSdlX11Size* GxSdlX11SizeOf(SDL_Window* window);
