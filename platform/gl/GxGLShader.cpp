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

// Stage 0 of the fixed-function pipeline, written out for one key. Operation codes and argument
// values are the device's (GXTOP_*, GXTA_*): 1 DISABLE, 2 SELECTARG1, 3 SELECTARG2, 4 MODULATE,
// 5 MODULATE2X, 6 MODULATE4X, 7 ADD, 8 ADDSIGNED, 9 ADDSIGNED2X, 10 SUBTRACT, 11 ADDSMOOTH (any
// other gives the diffuse colour); arguments 0 DIFFUSE, 1 CURRENT (the diffuse colour on stage
// 0), 2 TEXTURE, 3 TFACTOR, 4 SPECULAR, with 0x10 COMPLEMENT and 0x20 ALPHAREPLICATE.
// Comparisons 1 NEVER .. 8 ALWAYS.
std::string Argument(uint32_t a, bool texture)
{
    std::string v;
    switch (a & GX_GL_TA_SELECTMASK) {
    case 2: v = texture ? "texel" : "vec4(1.0)"; break;
    case 3: v = "uFactor"; break;
    case 4: v = "vSpecular"; break;
    default: v = "vDiffuse"; break;
    }
    if (a & GX_GL_TA_ALPHAREPLICATE) v = "(" + v + ").aaaa";
    if (a & GX_GL_TA_COMPLEMENT) v = "(vec4(1.0) - " + v + ")";
    return v;
}

std::string Operation(uint32_t op, const std::string& a1, const std::string& a2)
{
    switch (op) {
    case 2: return a1;
    case 3: return a2;
    case 4: return "(" + a1 + " * " + a2 + ")";
    case 5: return "clamp(" + a1 + " * " + a2 + " * 2.0, 0.0, 1.0)";
    case 6: return "clamp(" + a1 + " * " + a2 + " * 4.0, 0.0, 1.0)";
    case 7: return "clamp(" + a1 + " + " + a2 + ", 0.0, 1.0)";
    case 8: return "clamp(" + a1 + " + " + a2 + " - 0.5, 0.0, 1.0)";
    case 9: return "clamp((" + a1 + " + " + a2 + " - 0.5) * 2.0, 0.0, 1.0)";
    case 10: return "clamp(" + a1 + " - " + a2 + ", 0.0, 1.0)";
    case 11: return "clamp(" + a1 + " + " + a2 + " - " + a1 + " * " + a2 + ", 0.0, 1.0)";
    default: return "vDiffuse";
    }
}

const char* Comparison(uint32_t func)
{
    switch (func) {
    case 2: return "<";
    case 3: return "==";
    case 4: return "<=";
    case 5: return ">";
    case 6: return "!=";
    case 7: return ">=";
    default: return nullptr;
    }
}

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

std::string GxGLFragmentSource(const GxGLStageKey& key)
{
    std::string src =
        "#version 330 core\n"
        "in vec4 vDiffuse;\n"
        "in vec4 vSpecular;\n"
        "in vec2 vTexCoord;\n"
        "uniform sampler2D uTexture;\n"
        "uniform vec4 uFactor;\n"
        "uniform int uAlphaRef;\n"
        "out vec4 fragColor;\n"
        "void main()\n"
        "{\n";
    if (key.texture) src += "    vec4 texel = texture(uTexture, vTexCoord);\n";
    if (key.colorOp == 1) {
        src += "    vec4 result = vDiffuse;\n";
    } else {
        const std::string color = Operation(key.colorOp, Argument(key.colorArg1, key.texture),
                                            Argument(key.colorArg2, key.texture));
        const std::string alpha = Operation(key.alphaOp, Argument(key.alphaArg1, key.texture),
                                            Argument(key.alphaArg2, key.texture));
        if (color == alpha) src += "    vec4 result = " + color + ";\n";
        else src += "    vec4 result = vec4((" + color + ").rgb, (" + alpha + ").a);\n";
    }
    if (key.specular) src += "    result.rgb = clamp(result.rgb + vSpecular.rgb, 0.0, 1.0);\n";
    if (key.alphaFunc == 1) {
        src += "    discard;\n";
    } else if (const char* cmp = Comparison(key.alphaFunc)) {
        src += std::string("    if (!(int(floor(result.a * 255.0 + 0.5)) ") + cmp + " uAlphaRef)) discard;\n";
    }
    src += "    fragColor = result;\n}\n";
    return src;
}

GLuint GxGLCompileVertexShader(const GxGLDrawFunctions& gl, std::string* error)
{
    return Compile(gl, GL_VERTEX_SHADER, kVertexSource, error);
}

std::unique_ptr<GxGLFixedFunctionProgram> GxGLFixedFunctionProgram::Create(const GxGLDrawFunctions& gl,
                                                                           GLuint vertexShader,
                                                                           const GxGLStageKey& key,
                                                                           std::string* error)
{
    std::unique_ptr<GxGLFixedFunctionProgram> p(new GxGLFixedFunctionProgram(gl));
    const std::string source = GxGLFragmentSource(key);
    GLuint fs = Compile(gl, GL_FRAGMENT_SHADER, source.c_str(), error);
    if (!fs) return nullptr;
    GLuint program = gl.glCreateProgram();
    gl.glAttachShader(program, vertexShader);
    gl.glAttachShader(program, fs);
    gl.glBindAttribLocation(program, GX_GL_ATTRIB_POSITION, "aPosition");
    gl.glBindAttribLocation(program, GX_GL_ATTRIB_DIFFUSE, "aDiffuse");
    gl.glBindAttribLocation(program, GX_GL_ATTRIB_SPECULAR, "aSpecular");
    gl.glBindAttribLocation(program, GX_GL_ATTRIB_TEXCOORD, "aTexCoord");
    gl.glBindFragDataLocation(program, 0, "fragColor");
    gl.glLinkProgram(program);
    // The program keeps what it needs; the fragment shader goes with it.
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
    p->factor = gl.glGetUniformLocation(program, "uFactor");
    p->alphaRef = gl.glGetUniformLocation(program, "uAlphaRef");
    gl.glUseProgram(program);
    gl.glUniform1i(gl.glGetUniformLocation(program, "uTexture"), 0);
    return p;
}

GxGLFixedFunctionProgram::~GxGLFixedFunctionProgram()
{
    if (m_Program) m_GL.glDeleteProgram(m_Program);
}
