// One OpenGL 3.3 core context: on an SDL window (made with SDL_WINDOW_OPENGL), or headless on
// EGL's surfaceless platform (Mesa's software rasteriser when no GPU is there). Drawing goes to
// framebuffer objects in both cases; the window only receives the presented picture.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

// The GL entry points stay out of this header, so that its users outside the GL backend need
// no GL headers.
struct GxGLFunctions;
union SDL_Event;

// True when GL must not touch a display: GX_HEADLESS is set (and not "0"), or neither DISPLAY
// nor WAYLAND_DISPLAY is.
bool GxGLIsHeadless();

// The SDL attributes the GL context needs; the window code calls this before SDL_CreateWindow.
void GxGLSetWindowAttributes();

class GxGLContext
{
public:
    // window: an SDL_Window*, or none. Headless (no window, or GxGLIsHeadless()) uses EGL.
    // Returns none with the cause in *error when no 3.3 core context can be made.
    static std::unique_ptr<GxGLContext> Create(void* window, std::string* error);
    ~GxGLContext();

    GxGLContext(const GxGLContext&) = delete;
    GxGLContext& operator=(const GxGLContext&) = delete;

    const GxGLFunctions& GL() const { return *m_GL; }
    bool IsHeadless() const { return m_Headless; }
    void* Window() const { return m_Window; }
    bool MakeCurrent();
    // The window's drawable size in pixels; false when headless.
    bool DrawableSize(uint32_t* width, uint32_t* height) const;
    // The window's size, headless or not; false without a window.
    bool WindowSize(uint32_t* width, uint32_t* height) const;
    void SwapWindow();
    // True once after the window system may have spoilt what the window shows (exposed, resized,
    // shown again): the next present must draw it even when the picture has not changed.
    bool TakeWindowSpoilt() { return m_WindowSpoilt.exchange(false); }
    bool WindowSpoilt() const { return m_WindowSpoilt.load(); }
    void SetSwapInterval(int interval);
    bool HasExtension(const char* name) const;

    const std::string& Renderer() const { return m_Renderer; }
    const std::string& Vendor() const { return m_Vendor; }
    const std::string& Version() const { return m_Version; }

private:
    GxGLContext();
    bool InitHeadless(std::string* error);
    bool InitWindow(std::string* error);
    bool Finish(std::string* error);
    static int WatchEvents(void* self, SDL_Event* event);

    std::unique_ptr<GxGLFunctions> m_GL;
    bool m_Headless = true;
    void* m_Window = nullptr;
    void* m_SdlContext = nullptr;
    void* m_EglDisplay = nullptr;
    void* m_EglContext = nullptr;
    uint32_t m_WindowId = 0;
    bool m_Watching = false;
    // Set from SDL's event watch, which runs on whichever thread pumps the events.
    std::atomic<bool> m_WindowSpoilt{true};
    std::string m_Renderer;
    std::string m_Vendor;
    std::string m_Version;
};
