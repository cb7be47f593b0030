// The program that stands in for the fixed-function stage when the GL device draws the engine's
// pre-transformed vertices, and the further GL entry points that drawing needs (shaders,
// buffers, vertex arrays, samplers, blending). They are loaded from the context's own loader
// like the device's table, but kept apart from it so that drawing can grow on its own.
//
// What the program does, per pixel, with the state of texture stage 0:
//   texel  = the bound texture sampled at (u, v), or white when no texture is bound;
//   colour = COLOROP (COLORARG1, COLORARG2) over diffuse, texel, texture factor, specular
//            (DISABLE gives the diffuse colour; MODULATE2X doubles; results clamp to 0..1);
//   alpha  = ALPHAOP (ALPHAARG1, ALPHAARG2) likewise;
//   colour += specular when SPECULARENABLE is on;
//   the alpha test compares the alpha as an 8-bit value with ALPHAREF and discards the pixel
//   when the comparison fails.
// Vertices are screen pixels with the pixel centres on whole coordinates; the program moves
// them by half a pixel into GL's convention, where centres lie on halves.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/gl/GxGLContext.h"

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

// The linked stand-in program and its uniform locations.
class GxGLFixedFunctionProgram
{
public:
    // None, with the compiler's or linker's words in *error, when the program cannot be built.
    static std::unique_ptr<GxGLFixedFunctionProgram> Create(const GxGLDrawFunctions& gl, std::string* error);
    ~GxGLFixedFunctionProgram();

    GxGLFixedFunctionProgram(const GxGLFixedFunctionProgram&) = delete;
    GxGLFixedFunctionProgram& operator=(const GxGLFixedFunctionProgram&) = delete;

    GLuint Name() const { return m_Program; }

    // Uniforms.
    GLint targetSize = -1;  // vec2: render-target width and height in pixels
    GLint texture = -1;     // sampler2D, unit 0
    GLint hasTexture = -1;  // int: 0 = white texel
    GLint colorStage = -1;  // ivec3: COLOROP, COLORARG1, COLORARG2
    GLint alphaStage = -1;  // ivec3: ALPHAOP, ALPHAARG1, ALPHAARG2
    GLint factor = -1;      // vec4: the texture factor (RGBA)
    GLint specular = -1;    // int: add the specular colour
    GLint alphaTest = -1;   // ivec2: comparison (0 = off), reference 0..255

private:
    explicit GxGLFixedFunctionProgram(const GxGLDrawFunctions& gl) : m_GL(gl) {}

    const GxGLDrawFunctions& m_GL;
    GLuint m_Program = 0;
};
