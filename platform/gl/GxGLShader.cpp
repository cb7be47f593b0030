#include "platform/gl/GxGLShader.h"

#define EGL_NO_X11
#include <EGL/egl.h>
#include <SDL.h>

#include <vector>

namespace {

void* EglProc(const char* name) { return reinterpret_cast<void*>(eglGetProcAddress(name)); }
void* SdlProc(const char* name) { return SDL_GL_GetProcAddress(name); }

// Screen pixels to clip space. Pixel (x, y) of the engine has its centre on whole numbers;
// GL's centres lie on halves, hence the half-pixel move. Row 0 of every target is the top row
// (see GxGLDevice.h), so y is not turned. z runs 0..1 as the device's depth; 1 / rhw becomes w
// so that texture coordinates interpolate as the device's do.
const char* const kVertexSource = R"(#version 330 core
in vec4 aPosition;
in vec4 aDiffuse;
in vec4 aSpecular;
in vec2 aTexCoord;
uniform vec2 uTargetSize;
out vec4 vDiffuse;
out vec4 vSpecular;
out vec2 vTexCoord;
void main()
{
    float w = aPosition.w > 0.0 ? 1.0 / aPosition.w : 1.0;
    vec2 ndc = (aPosition.xy + 0.5) / uTargetSize * 2.0 - 1.0;
    gl_Position = vec4(ndc * w, (aPosition.z * 2.0 - 1.0) * w, w);
    vDiffuse = aDiffuse;
    vSpecular = aSpecular;
    vTexCoord = aTexCoord;
}
)";

// Stage 0 of the fixed-function pipeline. Operation codes and argument values are the device's
// (GXTOP_*, GXTA_*): 1 DISABLE, 2 SELECTARG1, 3 SELECTARG2, 4 MODULATE, 5 MODULATE2X,
// 6 MODULATE4X, 7 ADD, 8 ADDSIGNED, 9 ADDSIGNED2X, 10 SUBTRACT, 11 ADDSMOOTH; arguments
// 0 DIFFUSE, 1 CURRENT (the diffuse colour on stage 0), 2 TEXTURE, 3 TFACTOR, 4 SPECULAR, with
// 0x10 COMPLEMENT and 0x20 ALPHAREPLICATE. Comparisons 1 NEVER .. 8 ALWAYS.
const char* const kFragmentSource = R"(#version 330 core
in vec4 vDiffuse;
in vec4 vSpecular;
in vec2 vTexCoord;
uniform sampler2D uTexture;
uniform int uHasTexture;
uniform ivec3 uColorStage;
uniform ivec3 uAlphaStage;
uniform vec4 uFactor;
uniform int uSpecular;
uniform ivec2 uAlphaTest;
out vec4 fragColor;

vec4 Argument(int a, vec4 texel)
{
    int select = a & 15;
    vec4 v = vDiffuse;
    if (select == 2) v = texel;
    else if (select == 3) v = uFactor;
    else if (select == 4) v = vSpecular;
    if ((a & 32) != 0) v = v.aaaa;
    if ((a & 16) != 0) v = vec4(1.0) - v;
    return v;
}

vec4 Operation(int op, vec4 a1, vec4 a2)
{
    if (op == 2) return a1;
    if (op == 3) return a2;
    if (op == 4) return a1 * a2;
    if (op == 5) return clamp(a1 * a2 * 2.0, 0.0, 1.0);
    if (op == 6) return clamp(a1 * a2 * 4.0, 0.0, 1.0);
    if (op == 7) return clamp(a1 + a2, 0.0, 1.0);
    if (op == 8) return clamp(a1 + a2 - 0.5, 0.0, 1.0);
    if (op == 9) return clamp((a1 + a2 - 0.5) * 2.0, 0.0, 1.0);
    if (op == 10) return clamp(a1 - a2, 0.0, 1.0);
    if (op == 11) return clamp(a1 + a2 - a1 * a2, 0.0, 1.0);
    return vDiffuse;
}

bool Passes(int func, int a, int ref)
{
    if (func == 1) return false;
    if (func == 2) return a < ref;
    if (func == 3) return a == ref;
    if (func == 4) return a <= ref;
    if (func == 5) return a > ref;
    if (func == 6) return a != ref;
    if (func == 7) return a >= ref;
    return true;
}

void main()
{
    vec4 texel = uHasTexture != 0 ? texture(uTexture, vTexCoord) : vec4(1.0);
    vec4 result;
    if (uColorStage.x == 1) {
        result = vDiffuse;
    } else {
        result.rgb = Operation(uColorStage.x, Argument(uColorStage.y, texel), Argument(uColorStage.z, texel)).rgb;
        result.a = Operation(uAlphaStage.x, Argument(uAlphaStage.y, texel), Argument(uAlphaStage.z, texel)).a;
    }
    if (uSpecular != 0) result.rgb = clamp(result.rgb + vSpecular.rgb, 0.0, 1.0);
    if (uAlphaTest.x != 0 && !Passes(uAlphaTest.x, int(floor(result.a * 255.0 + 0.5)), uAlphaTest.y)) discard;
    fragColor = result;
}
)";

GLuint Compile(const GxGLDrawFunctions& gl, GLenum type, const char* source, std::string* error)
{
    GLuint shader = gl.glCreateShader(type);
    gl.glShaderSource(shader, 1, &source, nullptr);
    gl.glCompileShader(shader);
    GLint ok = GL_FALSE;
    gl.glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok == GL_TRUE) return shader;
    GLint length = 0;
    gl.glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::vector<char> log(static_cast<size_t>(length > 0 ? length : 1), '\0');
    gl.glGetShaderInfoLog(shader, static_cast<GLsizei>(log.size()), nullptr, log.data());
    *error = std::string(type == GL_VERTEX_SHADER ? "vertex shader: " : "fragment shader: ") + log.data();
    gl.glDeleteShader(shader);
    return 0;
}

}  // namespace

bool GxGLDrawFunctions::Load(const GxGLContext& context, const char** missing)
{
    void* (*getProc)(const char*) = context.IsHeadless() ? EglProc : SdlProc;
#define GX_GL_DRAW_LOAD(type, name)                               \
    name = reinterpret_cast<type>(getProc(#name));                \
    if (!name) {                                                  \
        if (missing) *missing = #name;                            \
        return false;                                             \
    }
    GX_GL_DRAW_FUNCTIONS(GX_GL_DRAW_LOAD)
#undef GX_GL_DRAW_LOAD
    return true;
}

std::unique_ptr<GxGLFixedFunctionProgram> GxGLFixedFunctionProgram::Create(const GxGLDrawFunctions& gl,
                                                                           std::string* error)
{
    std::unique_ptr<GxGLFixedFunctionProgram> p(new GxGLFixedFunctionProgram(gl));
    GLuint vs = Compile(gl, GL_VERTEX_SHADER, kVertexSource, error);
    if (!vs) return nullptr;
    GLuint fs = Compile(gl, GL_FRAGMENT_SHADER, kFragmentSource, error);
    if (!fs) {
        gl.glDeleteShader(vs);
        return nullptr;
    }
    GLuint program = gl.glCreateProgram();
    gl.glAttachShader(program, vs);
    gl.glAttachShader(program, fs);
    gl.glBindAttribLocation(program, GX_GL_ATTRIB_POSITION, "aPosition");
    gl.glBindAttribLocation(program, GX_GL_ATTRIB_DIFFUSE, "aDiffuse");
    gl.glBindAttribLocation(program, GX_GL_ATTRIB_SPECULAR, "aSpecular");
    gl.glBindAttribLocation(program, GX_GL_ATTRIB_TEXCOORD, "aTexCoord");
    gl.glBindFragDataLocation(program, 0, "fragColor");
    gl.glLinkProgram(program);
    // The program keeps what it needs; the shader objects go with it.
    gl.glDeleteShader(vs);
    gl.glDeleteShader(fs);
    GLint ok = GL_FALSE;
    gl.glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (ok != GL_TRUE) {
        GLint length = 0;
        gl.glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
        std::vector<char> log(static_cast<size_t>(length > 0 ? length : 1), '\0');
        gl.glGetProgramInfoLog(program, static_cast<GLsizei>(log.size()), nullptr, log.data());
        *error = std::string("link: ") + log.data();
        gl.glDeleteProgram(program);
        return nullptr;
    }
    p->m_Program = program;
    p->targetSize = gl.glGetUniformLocation(program, "uTargetSize");
    p->texture = gl.glGetUniformLocation(program, "uTexture");
    p->hasTexture = gl.glGetUniformLocation(program, "uHasTexture");
    p->colorStage = gl.glGetUniformLocation(program, "uColorStage");
    p->alphaStage = gl.glGetUniformLocation(program, "uAlphaStage");
    p->factor = gl.glGetUniformLocation(program, "uFactor");
    p->specular = gl.glGetUniformLocation(program, "uSpecular");
    p->alphaTest = gl.glGetUniformLocation(program, "uAlphaTest");
    return p;
}

GxGLFixedFunctionProgram::~GxGLFixedFunctionProgram()
{
    if (m_Program) m_GL.glDeleteProgram(m_Program);
}
