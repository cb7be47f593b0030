// The programs that stand in for the fixed-function stage when the GL device draws the
// engine's pre-transformed vertices, and the further GL entry points that drawing needs
// (shaders, buffers, vertex arrays, samplers, blending). They are loaded from the context's own
// loader like the device's table, but kept apart from it so that drawing can grow on its own.
//
// What a program does, per pixel, with the state of texture stage 0:
//   texel  = the bound texture sampled at (u, v), or white when no texture is bound;
//   colour = COLOROP (COLORARG1, COLORARG2) over diffuse, texel, texture factor, specular
//            (DISABLE gives the diffuse colour; MODULATE2X doubles; results clamp to 0..1);
//   alpha  = ALPHAOP (ALPHAARG1, ALPHAARG2) likewise;
//   colour += specular when SPECULARENABLE is on;
//   the alpha test compares the alpha as an 8-bit value with ALPHAREF and discards the pixel
//   when the comparison fails.
// One program is made for each combination of these that is drawn with, the operations written
// into its code: a software rasteriser runs a short straight program several times faster than
// one that looks the state up per pixel.
//
// Vertices are screen pixels with the pixel centres on whole coordinates; the programs move
// them by half a pixel into GL's convention, where centres lie on halves.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/gl/GxGLContext.h"
#include "platform/gl/GxGLFunctions.h"

#define GX_GL_DRAW_FUNCTIONS(X)                                              \
    X(PFNGLCREATESHADERPROC, glCreateShader)                                 \
    X(PFNGLSHADERSOURCEPROC, glShaderSource)                                 \
    X(PFNGLCOMPILESHADERPROC, glCompileShader)                               \
    X(PFNGLGETSHADERIVPROC, glGetShaderiv)                                   \
    X(PFNGLGETSHADERINFOLOGPROC, glGetShaderInfoLog)                         \
    X(PFNGLDELETESHADERPROC, glDeleteShader)                                 \
    X(PFNGLCREATEPROGRAMPROC, glCreateProgram)                               \
    X(PFNGLATTACHSHADERPROC, glAttachShader)                                 \
    X(PFNGLBINDATTRIBLOCATIONPROC, glBindAttribLocation)                     \
    X(PFNGLBINDFRAGDATALOCATIONPROC, glBindFragDataLocation)                 \
    X(PFNGLLINKPROGRAMPROC, glLinkProgram)                                   \
    X(PFNGLGETPROGRAMIVPROC, glGetProgramiv)                                 \
    X(PFNGLGETPROGRAMINFOLOGPROC, glGetProgramInfoLog)                       \
    X(PFNGLDELETEPROGRAMPROC, glDeleteProgram)                               \
    X(PFNGLUSEPROGRAMPROC, glUseProgram)                                     \
    X(PFNGLGETUNIFORMLOCATIONPROC, glGetUniformLocation)                     \
    X(PFNGLUNIFORM1IPROC, glUniform1i)                                       \
    X(PFNGLUNIFORM2FPROC, glUniform2f)                                       \
    X(PFNGLUNIFORM2IPROC, glUniform2i)                                       \
    X(PFNGLUNIFORM3IPROC, glUniform3i)                                       \
    X(PFNGLUNIFORM4FPROC, glUniform4f)                                       \
    X(PFNGLGENVERTEXARRAYSPROC, glGenVertexArrays)                           \
    X(PFNGLBINDVERTEXARRAYPROC, glBindVertexArray)                           \
    X(PFNGLDELETEVERTEXARRAYSPROC, glDeleteVertexArrays)                     \
    X(PFNGLGENBUFFERSPROC, glGenBuffers)                                     \
    X(PFNGLBINDBUFFERPROC, glBindBuffer)                                     \
    X(PFNGLBUFFERDATAPROC, glBufferData)                                     \
    X(PFNGLMAPBUFFERRANGEPROC, glMapBufferRange)                             \
    X(PFNGLUNMAPBUFFERPROC, glUnmapBuffer)                                   \
    X(PFNGLDELETEBUFFERSPROC, glDeleteBuffers)                               \
    X(PFNGLENABLEVERTEXATTRIBARRAYPROC, glEnableVertexAttribArray)           \
    X(PFNGLVERTEXATTRIBPOINTERPROC, glVertexAttribPointer)                   \
    X(PFNGLDRAWARRAYSPROC, glDrawArrays)                                     \
    X(PFNGLBLENDEQUATIONSEPARATEPROC, glBlendEquationSeparate)               \
    X(PFNGLBLENDFUNCSEPARATEPROC, glBlendFuncSeparate)                       \
    X(PFNGLBLENDCOLORPROC, glBlendColor)                                     \
    X(PFNGLACTIVETEXTUREPROC, glActiveTexture)                               \
    X(PFNGLGENSAMPLERSPROC, glGenSamplers)                                   \
    X(PFNGLBINDSAMPLERPROC, glBindSampler)                                   \
    X(PFNGLSAMPLERPARAMETERIPROC, glSamplerParameteri)                       \
    X(PFNGLSAMPLERPARAMETERFVPROC, glSamplerParameterfv)                     \
    X(PFNGLDELETESAMPLERSPROC, glDeleteSamplers)                             \
    X(PFNGLCULLFACEPROC, glCullFace)                                         \
    X(PFNGLFRONTFACEPROC, glFrontFace)                                       \
    X(PFNGLPOLYGONMODEPROC, glPolygonMode)                                   \
    X(PFNGLPOINTSIZEPROC, glPointSize)

struct GxGLDrawFunctions
{
#define GX_GL_DRAW_DECLARE(type, name) type name = nullptr;
    GX_GL_DRAW_FUNCTIONS(GX_GL_DRAW_DECLARE)
#undef GX_GL_DRAW_DECLARE

    // Loads every entry through the context's loader (EGL headless, SDL on a window); false,
    // naming the first missing one, when any is absent.
    bool Load(const GxGLContext& context, const char** missing);
};

// Vertex attribute slots of the program: position (x, y, z, rhw), diffuse, specular, (u, v).
constexpr GLuint GX_GL_ATTRIB_POSITION = 0;
constexpr GLuint GX_GL_ATTRIB_DIFFUSE = 1;
constexpr GLuint GX_GL_ATTRIB_SPECULAR = 2;
constexpr GLuint GX_GL_ATTRIB_TEXCOORD = 3;

// Texture-argument modifiers of the stage (they are or-ed into an argument value).
constexpr uint32_t GX_GL_TA_SELECTMASK = 0x0F;
constexpr uint32_t GX_GL_TA_COMPLEMENT = 0x10;
constexpr uint32_t GX_GL_TA_ALPHAREPLICATE = 0x20;

// What a program is made for: the stage's operations and arguments, whether a texture is bound,
// whether specular is added, and the alpha test's comparison (0 = off).
struct GxGLStageKey
{
    uint8_t colorOp = 0, colorArg1 = 0, colorArg2 = 0;
    uint8_t alphaOp = 0, alphaArg1 = 0, alphaArg2 = 0;
    bool texture = false;
    bool specular = false;
    uint8_t alphaFunc = 0;

    bool operator==(const GxGLStageKey&) const = default;
    uint64_t Pack() const
    {
        return uint64_t{colorOp} | uint64_t{colorArg1} << 8 | uint64_t{colorArg2} << 16 | uint64_t{alphaOp} << 24 |
               uint64_t{alphaArg1} << 32 | uint64_t{alphaArg2} << 40 | uint64_t{texture} << 48 |
               uint64_t{specular} << 49 | uint64_t{alphaFunc} << 56;
    }
};

// The vertex shader every program shares; 0, with the compiler's words in *error, on failure.
GLuint GxGLCompileVertexShader(const GxGLDrawFunctions& gl, std::string* error);
// The fragment shader's source for a key.
std::string GxGLFragmentSource(const GxGLStageKey& key);

// One linked program and its uniform locations, with the values last sent to them.
class GxGLFixedFunctionProgram
{
public:
    // None, with the compiler's or linker's words in *error, when the program cannot be built.
    static std::unique_ptr<GxGLFixedFunctionProgram> Create(const GxGLDrawFunctions& gl, GLuint vertexShader,
                                                            const GxGLStageKey& key, std::string* error);
    ~GxGLFixedFunctionProgram();

    GxGLFixedFunctionProgram(const GxGLFixedFunctionProgram&) = delete;
    GxGLFixedFunctionProgram& operator=(const GxGLFixedFunctionProgram&) = delete;

    GLuint Name() const { return m_Program; }

    // Uniforms (-1 where the program does not use them).
    GLint targetSize = -1;  // vec2: render-target width and height in pixels
    GLint factor = -1;      // vec4: the texture factor (RGBA)
    GLint alphaRef = -1;    // int: the alpha test's reference 0..255

    // What they hold (the program keeps its own values).
    float targetWidth = -1.0f, targetHeight = -1.0f;
    uint32_t factorValue = 0;
    bool factorSet = false;
    int alphaRefValue = -1;

private:
    explicit GxGLFixedFunctionProgram(const GxGLDrawFunctions& gl) : m_GL(gl) {}

    const GxGLDrawFunctions& m_GL;
    GLuint m_Program = 0;
};
