#include "platform/gl/GxGLContext.h"

#define EGL_NO_X11
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <SDL.h>

#include <cstdlib>
#include <cstring>

#include "platform/GxSdlX11.h"
#include "platform/gl/GxGLFunctions.h"

namespace {

void* EglProc(const char* name) { return reinterpret_cast<void*>(eglGetProcAddress(name)); }
void* SdlProc(const char* name) { return SDL_GL_GetProcAddress(name); }

// Headless contexts share one EGL display; it is terminated when the last one goes.
int g_HeadlessContexts = 0;

}  // namespace

bool GxGLIsHeadless()
{
    const char* h = getenv("GX_HEADLESS");
    if (h && *h && strcmp(h, "0") != 0) return true;
    const char* x = getenv("DISPLAY");
    const char* w = getenv("WAYLAND_DISPLAY");
    return !(x && *x) && !(w && *w);
}

void GxGLSetWindowAttributes()
{
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
}

std::unique_ptr<GxGLContext> GxGLContext::Create(void* window, std::string* error)
{
    std::unique_ptr<GxGLContext> c(new GxGLContext);
    c->m_Window = window;
    c->m_Headless = !window || GxGLIsHeadless();
    bool ok = c->m_Headless ? c->InitHeadless(error) : c->InitWindow(error);
    if (!ok || !c->Finish(error)) return nullptr;
    return c;
}

bool GxGLContext::InitHeadless(std::string* error)
{
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) {
        *error = "eglGetPlatformDisplayEXT is missing";
        return false;
    }
    EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) {
        *error = "the EGL surfaceless platform cannot be initialised";
        return false;
    }
    m_EglDisplay = display;
    ++g_HeadlessContexts;
    if (!eglBindAPI(EGL_OPENGL_API)) {
        *error = "EGL cannot bind the OpenGL API";
        return false;
    }
    const EGLint configAttribs[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display, configAttribs, &config, 1, &count) || count == 0) config = EGL_NO_CONFIG_KHR;
    const EGLint contextAttribs[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 3,
                                     EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttribs);
    if (context == EGL_NO_CONTEXT) {
        *error = "EGL cannot create an OpenGL 3.3 core context";
        return false;
    }
    m_EglContext = context;
    if (!MakeCurrent()) {
        *error = "EGL cannot make the context current";
        return false;
    }
    const char* missing = "";
    if (!m_GL->Load(EglProc, &missing)) {
        *error = std::string("GL function missing: ") + missing;
        return false;
    }
    return true;
}

bool GxGLContext::InitWindow(std::string* error)
{
    auto* window = static_cast<SDL_Window*>(m_Window);
    GxGLSetWindowAttributes();
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) {
        *error = std::string("SDL_GL_CreateContext failed: ") + SDL_GetError();
        return false;
    }
    m_SdlContext = context;
    m_WindowId = SDL_GetWindowID(window);
    SDL_AddEventWatch(WatchEvents, this);
    m_Watching = true;
    if (!MakeCurrent()) {
        *error = std::string("SDL_GL_MakeCurrent failed: ") + SDL_GetError();
        return false;
    }
    const char* missing = "";
    if (!m_GL->Load(SdlProc, &missing)) {
        *error = std::string("GL function missing: ") + missing;
        return false;
    }
    return true;
}

bool GxGLContext::Finish(std::string* error)
{
    GLint major = 0, minor = 0;
    m_GL->glGetIntegerv(GL_MAJOR_VERSION, &major);
    m_GL->glGetIntegerv(GL_MINOR_VERSION, &minor);
    if (major < 3 || (major == 3 && minor < 3)) {
        *error = "OpenGL 3.3 is not available";
        return false;
    }
    auto str = [this](GLenum e) {
        const GLubyte* s = m_GL->glGetString(e);
        return s ? std::string(reinterpret_cast<const char*>(s)) : std::string();
    };
    m_Renderer = str(GL_RENDERER);
    m_Vendor = str(GL_VENDOR);
    m_Version = str(GL_VERSION);
    return true;
}

int GxGLContext::WatchEvents(void* self, SDL_Event* event)
{
    auto* c = static_cast<GxGLContext*>(self);
    // Any change to the window may lose its pixels (no compositor keeps them): exposure, size,
    // shown again, restored.
    if (event->type == SDL_WINDOWEVENT && event->window.windowID == c->m_WindowId) c->m_WindowSpoilt.store(true);
    return 1;
}

GxGLContext::GxGLContext() : m_GL(std::make_unique<GxGLFunctions>()) {}

GxGLContext::~GxGLContext()
{
    if (m_Watching) SDL_DelEventWatch(WatchEvents, this);
    if (m_SdlContext) {
        SDL_GL_MakeCurrent(static_cast<SDL_Window*>(m_Window), nullptr);
        SDL_GL_DeleteContext(static_cast<SDL_GLContext>(m_SdlContext));
    }
    if (m_EglDisplay) {
        EGLDisplay display = static_cast<EGLDisplay>(m_EglDisplay);
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (m_EglContext) eglDestroyContext(display, static_cast<EGLContext>(m_EglContext));
        if (--g_HeadlessContexts == 0) {
            eglTerminate(display);
            eglReleaseThread();
        }
    }
}

bool GxGLContext::MakeCurrent()
{
    if (m_SdlContext)
        return SDL_GL_MakeCurrent(static_cast<SDL_Window*>(m_Window), static_cast<SDL_GLContext>(m_SdlContext)) == 0;
    if (m_EglContext)
        return eglMakeCurrent(static_cast<EGLDisplay>(m_EglDisplay), EGL_NO_SURFACE, EGL_NO_SURFACE,
                              static_cast<EGLContext>(m_EglContext)) == EGL_TRUE;
    return false;
}

bool GxGLContext::DrawableSize(uint32_t* width, uint32_t* height) const
{
    if (m_Headless || !m_Window) return false;
    int w = 0, h = 0;
    // On X the drawable is the window as X made it, which is not always what SDL asked for.
    if (const GxSdlX11Size* x = GxSdlX11SizeOf(static_cast<SDL_Window*>(m_Window))) {
        w = x->width;
        h = x->height;
    } else {
        SDL_GL_GetDrawableSize(static_cast<SDL_Window*>(m_Window), &w, &h);
    }
    *width = w > 0 ? static_cast<uint32_t>(w) : 0;
    *height = h > 0 ? static_cast<uint32_t>(h) : 0;
    return true;
}

bool GxGLContext::WindowSize(uint32_t* width, uint32_t* height) const
{
    if (!m_Window) return false;
    int w = 0, h = 0;
    SDL_GetWindowSize(static_cast<SDL_Window*>(m_Window), &w, &h);
    *width = w > 0 ? static_cast<uint32_t>(w) : 0;
    *height = h > 0 ? static_cast<uint32_t>(h) : 0;
    return true;
}

void GxGLContext::SwapWindow()
{
    if (m_SdlContext) SDL_GL_SwapWindow(static_cast<SDL_Window*>(m_Window));
}

void GxGLContext::SetSwapInterval(int interval)
{
    if (!m_SdlContext) return;
    if (SDL_GL_SetSwapInterval(interval) != 0 && interval > 1) SDL_GL_SetSwapInterval(1);
}

bool GxGLContext::HasExtension(const char* name) const
{
    GLint n = 0;
    m_GL->glGetIntegerv(GL_NUM_EXTENSIONS, &n);
    for (GLint i = 0; i < n; ++i) {
        const GLubyte* e = m_GL->glGetStringi(GL_EXTENSIONS, static_cast<GLuint>(i));
        if (e && strcmp(reinterpret_cast<const char*>(e), name) == 0) return true;
    }
    return false;
}
