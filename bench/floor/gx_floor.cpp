// The floor the start-up and idle benchmarks measure the engine against: the least a program
// must do to show what gxplay shows, written bare. Built by bench/startup.py, not by CMake.
//
//   gx_floor startup      SDL offscreen video, EGL surfaceless, GL 3.3 core context, one
//                         1024 x 768 target, one clear, one read-back; then exit.
//   gx_floor startup-draw the same, and before the read-back one 1024 x 768 picture (made in
//                         memory) drawn over the target by a textured-quad program: the
//                         least that shows a picture, for scale beside the plain floor.
//   gx_floor idle FRAMES  an SDL window with a GL 3.3 core context that clears and presents
//                         FRAMES frames at 60 per second, sleeping to each frame boundary.
//   gx_floor idle-draw FRAMES
//                         the same loop drawing one 1024 x 768 picture (made in memory) over
//                         the whole window before each present: the least a program that
//                         redraws its picture every frame does.
//   gx_floor rest FRAMES  an SDL window with a GL 3.3 core context that clears and presents once,
//                         then for FRAMES frames at 60 per second only pumps its events and
//                         sleeps to each frame boundary: the least any program paced by a 60 Hz
//                         frame timer does while its picture stands still.
#include <SDL.h>
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

template <typename F>
F Proc(const char* name, bool egl)
{
    return reinterpret_cast<F>(egl ? reinterpret_cast<void*>(eglGetProcAddress(name)) : SDL_GL_GetProcAddress(name));
}

// One opaque 1024 x 768 picture set up to be drawn over the bound target: a program, a texture
// made from memory, a vertex array for a full-target quad. egl: the functions come from EGL
// (headless), else from SDL (a window).
bool PreparePicture(bool egl)
{
    auto createShader = Proc<PFNGLCREATESHADERPROC>("glCreateShader", egl);
    auto shaderSource = Proc<PFNGLSHADERSOURCEPROC>("glShaderSource", egl);
    auto compileShader = Proc<PFNGLCOMPILESHADERPROC>("glCompileShader", egl);
    auto createProgram = Proc<PFNGLCREATEPROGRAMPROC>("glCreateProgram", egl);
    auto attachShader = Proc<PFNGLATTACHSHADERPROC>("glAttachShader", egl);
    auto linkProgram = Proc<PFNGLLINKPROGRAMPROC>("glLinkProgram", egl);
    auto getProgramiv = Proc<PFNGLGETPROGRAMIVPROC>("glGetProgramiv", egl);
    auto useProgram = Proc<PFNGLUSEPROGRAMPROC>("glUseProgram", egl);
    auto genVertexArrays = Proc<PFNGLGENVERTEXARRAYSPROC>("glGenVertexArrays", egl);
    auto bindVertexArray = Proc<PFNGLBINDVERTEXARRAYPROC>("glBindVertexArray", egl);
    auto genTextures = Proc<void (*)(GLsizei, GLuint*)>("glGenTextures", egl);
    auto bindTexture = Proc<void (*)(GLenum, GLuint)>("glBindTexture", egl);
    auto texParameteri = Proc<void (*)(GLenum, GLenum, GLint)>("glTexParameteri", egl);
    auto texImage2D = Proc<void (*)(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*)>(
        "glTexImage2D", egl);
    auto viewport = Proc<void (*)(GLint, GLint, GLsizei, GLsizei)>("glViewport", egl);
    const char* vs = "#version 330 core\n"
                     "out vec2 uv;\n"
                     "void main() {\n"
                     "  vec2 p = vec2(float(gl_VertexID & 1), float(gl_VertexID >> 1));\n"
                     "  uv = p;\n"
                     "  gl_Position = vec4(p * 2.0 - 1.0, 0.0, 1.0);\n"
                     "}\n";
    const char* fs = "#version 330 core\n"
                     "in vec2 uv;\n"
                     "uniform sampler2D picture;\n"
                     "out vec4 color;\n"
                     "void main() { color = texture(picture, uv); }\n";
    GLuint v = createShader(GL_VERTEX_SHADER), f = createShader(GL_FRAGMENT_SHADER);
    shaderSource(v, 1, &vs, nullptr);
    shaderSource(f, 1, &fs, nullptr);
    compileShader(v);
    compileShader(f);
    GLuint program = createProgram();
    attachShader(program, v);
    attachShader(program, f);
    linkProgram(program);
    GLint linked = 0;
    getProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) return false;
    useProgram(program);
    std::vector<uint32_t> picture(1024 * 768, 0xFF336699u);
    GLuint texture = 0;
    genTextures(1, &texture);
    bindTexture(GL_TEXTURE_2D, texture);
    texParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    texParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    texImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1024, 768, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, picture.data());
    GLuint vertexArray = 0;
    genVertexArrays(1, &vertexArray);
    bindVertexArray(vertexArray);
    viewport(0, 0, 1024, 768);
    return true;
}

void DrawPicture(bool egl)
{
    static auto drawArrays = Proc<void (*)(GLenum, GLint, GLsizei)>("glDrawArrays", egl);
    drawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

int Startup(bool draw)
{
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return fprintf(stderr, "SDL: %s\n", SDL_GetError()), 1;
    auto getPlatformDisplay = Proc<PFNEGLGETPLATFORMDISPLAYEXTPROC>("eglGetPlatformDisplayEXT", true);
    EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor) || !eglBindAPI(EGL_OPENGL_API))
        return fprintf(stderr, "EGL\n"), 1;
    const EGLint configAttribs[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display, configAttribs, &config, 1, &count) || count == 0) config = EGL_NO_CONFIG_KHR;
    const EGLint contextAttribs[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 3,
                                     EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttribs);
    if (context == EGL_NO_CONTEXT || !eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context))
        return fprintf(stderr, "EGL context\n"), 1;

    auto genFramebuffers = Proc<PFNGLGENFRAMEBUFFERSPROC>("glGenFramebuffers", true);
    auto bindFramebuffer = Proc<PFNGLBINDFRAMEBUFFERPROC>("glBindFramebuffer", true);
    auto framebufferTexture2D = Proc<PFNGLFRAMEBUFFERTEXTURE2DPROC>("glFramebufferTexture2D", true);
    auto genTextures = Proc<void (*)(GLsizei, GLuint*)>("glGenTextures", true);
    auto bindTexture = Proc<void (*)(GLenum, GLuint)>("glBindTexture", true);
    auto texImage2D = Proc<void (*)(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*)>(
        "glTexImage2D", true);
    auto clearColor = Proc<void (*)(GLfloat, GLfloat, GLfloat, GLfloat)>("glClearColor", true);
    auto clear = Proc<void (*)(GLbitfield)>("glClear", true);
    auto readPixels = Proc<void (*)(GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void*)>("glReadPixels", true);

    GLuint texture = 0, framebuffer = 0;
    genTextures(1, &texture);
    bindTexture(GL_TEXTURE_2D, texture);
    texImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1024, 768, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
    genFramebuffers(1, &framebuffer);
    bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    framebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    clearColor(0.0f, 0.0f, 0.0f, 1.0f);
    clear(GL_COLOR_BUFFER_BIT);
    if (draw) {
        if (!PreparePicture(true)) return fprintf(stderr, "draw\n"), 1;
        DrawPicture(true);
    }
    std::vector<uint32_t> pixels(1024 * 768);
    readPixels(0, 0, 1024, 768, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels.data());

    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(display, context);
    eglTerminate(display);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return pixels[0] == (draw ? 0xFF336699u : 0xFF000000u) ? 0 : 2;
}

// draw: a picture every frame; rest: one clear and present, then no GL at all.
int Idle(long frames, bool draw, bool rest)
{
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return fprintf(stderr, "SDL: %s\n", SDL_GetError()), 1;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_Window* window = SDL_CreateWindow("floor", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 1024, 768,
                                          SDL_WINDOW_OPENGL);
    if (!window) return fprintf(stderr, "SDL window: %s\n", SDL_GetError()), 1;
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) return fprintf(stderr, "SDL GL: %s\n", SDL_GetError()), 1;
    SDL_GL_SetSwapInterval(0);
    auto clearColor = Proc<void (*)(GLfloat, GLfloat, GLfloat, GLfloat)>("glClearColor", false);
    auto clear = Proc<void (*)(GLbitfield)>("glClear", false);
    if (draw && !PreparePicture(false)) return fprintf(stderr, "draw\n"), 1;

    timespec next;
    clock_gettime(CLOCK_MONOTONIC, &next);
    for (long i = 0; i < frames; ++i) {
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
        }
        if (!rest || i == 0) {
            clearColor(0.0f, 0.0f, 0.0f, 1.0f);
            clear(GL_COLOR_BUFFER_BIT);
            if (draw) DrawPicture(false);
            SDL_GL_SwapWindow(window);
        }
        next.tv_nsec += 16666667;
        if (next.tv_nsec >= 1000000000) {
            next.tv_nsec -= 1000000000;
            ++next.tv_sec;
        }
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr) == EINTR) {
        }
    }
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "startup") == 0) return Startup(false);
    if (argc >= 2 && std::strcmp(argv[1], "startup-draw") == 0) return Startup(true);
    const long frames = argc >= 3 ? std::strtol(argv[2], nullptr, 10) : 0;
    if (argc >= 3 && std::strcmp(argv[1], "idle") == 0) return Idle(frames, false, false);
    if (argc >= 3 && std::strcmp(argv[1], "idle-draw") == 0) return Idle(frames, true, false);
    if (argc >= 3 && std::strcmp(argv[1], "rest") == 0) return Idle(frames, false, true);
    fprintf(stderr, "usage: gx_floor startup | gx_floor startup-draw | gx_floor idle FRAMES | "
                    "gx_floor idle-draw FRAMES | gx_floor rest FRAMES\n");
    return 2;
}
