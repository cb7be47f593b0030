#include "platform/gl/GxGLDraw.h"

#include <malloc.h>

#include <algorithm>
#include <cstring>

#include "core/GxLog.h"
#include "platform/gl/GxGLDevice.h"

namespace {

// The vertex ring starts small (a frame of a story game is a few hundred quads) and doubles when
// one draw does not fit a fresh ring, up to the largest draw taken. A software rasterizer commits
// the whole store at once, so a large ring made up front costs its size in resident memory.
constexpr uint32_t kRingInitialBytes = 256u << 10;
constexpr uint32_t kRingMaxBytes = 4u << 20;

GLenum Mode(GxPrimitiveType type)
{
    switch (type) {
    case GXPT_POINTLIST: return GL_POINTS;
    case GXPT_LINELIST: return GL_LINES;
    case GXPT_LINESTRIP: return GL_LINE_STRIP;
    case GXPT_TRIANGLELIST: return GL_TRIANGLES;
    case GXPT_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
    default: return GL_TRIANGLE_FAN;
    }
}

GLint Address(uint32_t a)
{
    switch (a) {
    case GXTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case GXTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case 4: return GL_CLAMP_TO_BORDER;
    case 5: return GL_MIRRORED_REPEAT;  // mirror once: mirrored, as near as GL 3.3 comes
    default: return GL_REPEAT;
    }
}

bool Linear(uint32_t filter) { return filter == GXTEXF_LINEAR || filter == GXTEXF_ANISOTROPIC; }

void Channels(uint32_t argb, float out[4])
{
    out[0] = static_cast<float>((argb >> 16) & 0xFF) / 255.0f;
    out[1] = static_cast<float>((argb >> 8) & 0xFF) / 255.0f;
    out[2] = static_cast<float>(argb & 0xFF) / 255.0f;
    out[3] = static_cast<float>((argb >> 24) & 0xFF) / 255.0f;
}

}  // namespace

GLenum GxGLBlendFactor(uint32_t b, bool source)
{
    switch (b) {
    case GXBLEND_ZERO: return GL_ZERO;
    case GXBLEND_ONE: return GL_ONE;
    case GXBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case GXBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case GXBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case GXBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case GXBLEND_DESTALPHA: return GL_DST_ALPHA;
    case GXBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case GXBLEND_DESTCOLOR: return GL_DST_COLOR;
    case GXBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case GXBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
    // The two "both" factors set the source and give the destination its complement.
    case 12: return source ? GL_SRC_ALPHA : GL_ONE_MINUS_SRC_ALPHA;
    case 13: return source ? GL_ONE_MINUS_SRC_ALPHA : GL_SRC_ALPHA;
    case GXBLEND_BLENDFACTOR: return GL_CONSTANT_COLOR;
    case GXBLEND_INVBLENDFACTOR: return GL_ONE_MINUS_CONSTANT_COLOR;
    default: return source ? GL_ONE : GL_ZERO;
    }
}

GLenum GxGLBlendEquation(uint32_t op)
{
    switch (op) {
    case GXBLENDOP_SUBTRACT: return GL_FUNC_SUBTRACT;
    case GXBLENDOP_REVSUBTRACT: return GL_FUNC_REVERSE_SUBTRACT;
    case GXBLENDOP_MIN: return GL_MIN;
    case GXBLENDOP_MAX: return GL_MAX;
    default: return GL_FUNC_ADD;
    }
}

void GxGLDrawPipelineDeleter::operator()(GxGLDrawPipeline* pipeline) const { delete pipeline; }

GxGLDrawPipeline::GxGLDrawPipeline(GxGLContext& context) : m_Context(context), gl(context.GL()) {}

std::unique_ptr<GxGLDrawPipeline> GxGLDrawPipeline::Create(GxGLContext& context, std::string* error)
{
    // The software rasteriser allocates its command memory for every frame and frees it at the
    // frame's end; with glibc's default trim threshold that memory goes back to the kernel each
    // time and is faulted in again page by page, which costs more than the drawing itself.
    static const bool kept = mallopt(M_TRIM_THRESHOLD, 64 << 20) == 1;
    (void)kept;
    std::unique_ptr<GxGLDrawPipeline> p(new GxGLDrawPipeline(context));
    if (!p->Init(error)) return nullptr;
    return p;
}

bool GxGLDrawPipeline::Init(std::string* error)
{
    const char* missing = "";
    if (!m_Draw.Load(m_Context, &missing)) {
        *error = std::string("GL function missing: ") + missing;
        return false;
    }
    m_VertexShader = GxGLCompileVertexShader(m_Draw, error);
    if (!m_VertexShader) return false;

    m_Draw.glGenVertexArrays(1, &m_VertexArray);
    m_Draw.glBindVertexArray(m_VertexArray);
    m_Draw.glGenBuffers(1, &m_Buffer);
    m_Draw.glBindBuffer(GL_ARRAY_BUFFER, m_Buffer);
    m_RingBytes = kRingInitialBytes;
    m_Draw.glBufferData(GL_ARRAY_BUFFER, m_RingBytes, nullptr, GL_STREAM_DRAW);
    const GLsizei stride = sizeof(GxScreenVertex);
    m_Draw.glEnableVertexAttribArray(GX_GL_ATTRIB_POSITION);
    m_Draw.glVertexAttribPointer(GX_GL_ATTRIB_POSITION, 4, GL_FLOAT, GL_FALSE, stride,
                                 reinterpret_cast<const void*>(offsetof(GxScreenVertex, x)));
    // 0xAARRGGBB words are the bytes B, G, R, A in memory: GL's BGRA order gives them as RGBA.
    m_Draw.glEnableVertexAttribArray(GX_GL_ATTRIB_DIFFUSE);
    m_Draw.glVertexAttribPointer(GX_GL_ATTRIB_DIFFUSE, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                                 reinterpret_cast<const void*>(offsetof(GxScreenVertex, diffuse)));
    m_Draw.glEnableVertexAttribArray(GX_GL_ATTRIB_SPECULAR);
    m_Draw.glVertexAttribPointer(GX_GL_ATTRIB_SPECULAR, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                                 reinterpret_cast<const void*>(offsetof(GxScreenVertex, specular)));
    m_Draw.glEnableVertexAttribArray(GX_GL_ATTRIB_TEXCOORD);
    m_Draw.glVertexAttribPointer(GX_GL_ATTRIB_TEXCOORD, 2, GL_FLOAT, GL_FALSE, stride,
                                 reinterpret_cast<const void*>(offsetof(GxScreenVertex, u)));
    m_Draw.glGenSamplers(1, &m_Sampler);
    // Depth never clips the engine's flat drawing: vertices keep any z they are given.
    gl.glEnable(GL_DEPTH_CLAMP);
    gl.glDisable(GL_DEPTH_TEST);
    gl.glDisable(GL_STENCIL_TEST);
    GLenum e = gl.glGetError();
    if (e != GL_NO_ERROR) {
        *error = "GL error " + std::to_string(e) + " while making the drawing objects";
        return false;
    }
    return true;
}

GxGLDrawPipeline::~GxGLDrawPipeline()
{
    if (m_Sampler) m_Draw.glDeleteSamplers(1, &m_Sampler);
    if (m_Buffer) m_Draw.glDeleteBuffers(1, &m_Buffer);
    if (m_VertexArray) m_Draw.glDeleteVertexArrays(1, &m_VertexArray);
    m_Programs.clear();
    if (m_VertexShader) m_Draw.glDeleteShader(m_VertexShader);
}

GxGLStateBlock GxGLMakeStateBlock(const uint32_t* rs, const uint32_t* ts, const uint32_t* sm)
{
    GxGLStateBlock b;
    b.alphaBlend = rs[GXRS_ALPHABLENDENABLE];
    b.srcBlend = rs[GXRS_SRCBLEND];
    b.destBlend = rs[GXRS_DESTBLEND];
    b.blendOp = rs[GXRS_BLENDOP];
    b.separateAlpha = rs[GXRS_SEPARATEALPHABLENDENABLE];
    b.srcBlendAlpha = rs[GXRS_SRCBLENDALPHA];
    b.destBlendAlpha = rs[GXRS_DESTBLENDALPHA];
    b.blendOpAlpha = rs[GXRS_BLENDOPALPHA];
    b.blendFactor = rs[GXRS_BLENDFACTOR];
    b.cull = rs[GXRS_CULLMODE];
    b.fill = rs[GXRS_FILLMODE];
    b.colorWrite = rs[GXRS_COLORWRITEENABLE];
    b.colorOp = ts[GXTSS_COLOROP];
    b.colorArg1 = ts[GXTSS_COLORARG1];
    b.colorArg2 = ts[GXTSS_COLORARG2];
    b.alphaOp = ts[GXTSS_ALPHAOP];
    b.alphaArg1 = ts[GXTSS_ALPHAARG1];
    b.alphaArg2 = ts[GXTSS_ALPHAARG2];
    b.textureFactor = rs[GXRS_TEXTUREFACTOR];
    b.specular = rs[GXRS_SPECULARENABLE];
    b.alphaTest = rs[GXRS_ALPHATESTENABLE];
    b.alphaFunc = rs[GXRS_ALPHAFUNC];
    b.alphaRef = rs[GXRS_ALPHAREF];
    b.magFilter = sm[GXSAMP_MAGFILTER];
    b.minFilter = sm[GXSAMP_MINFILTER];
    b.mipFilter = sm[GXSAMP_MIPFILTER];
    b.addressU = sm[GXSAMP_ADDRESSU];
    b.addressV = sm[GXSAMP_ADDRESSV];
    b.border = sm[GXSAMP_BORDERCOLOR];
    return b;
}

void GxGLDrawPipeline::ApplyBlend(const GxGLStateBlock& b)
{
    Shadow& s = m_Shadow;
    bool blend = b.alphaBlend != 0;
    if (!s.valid || blend != s.blend) {
        if (blend) gl.glEnable(GL_BLEND);
        else gl.glDisable(GL_BLEND);
        s.blend = blend;
    }
    if (!blend) return;
    GLenum eqRgb = GxGLBlendEquation(b.blendOp);
    GLenum srcRgb = GxGLBlendFactor(b.srcBlend, true);
    GLenum dstRgb = GxGLBlendFactor(b.destBlend, false);
    GLenum eqAlpha = eqRgb, srcAlpha = srcRgb, dstAlpha = dstRgb;
    if (b.separateAlpha) {
        eqAlpha = GxGLBlendEquation(b.blendOpAlpha);
        srcAlpha = GxGLBlendFactor(b.srcBlendAlpha, true);
        dstAlpha = GxGLBlendFactor(b.destBlendAlpha, false);
    }
    if (!s.valid || eqRgb != s.equationRgb || eqAlpha != s.equationAlpha) {
        m_Draw.glBlendEquationSeparate(eqRgb, eqAlpha);
        s.equationRgb = eqRgb;
        s.equationAlpha = eqAlpha;
    }
    if (!s.valid || srcRgb != s.srcRgb || dstRgb != s.dstRgb || srcAlpha != s.srcAlpha || dstAlpha != s.dstAlpha) {
        m_Draw.glBlendFuncSeparate(srcRgb, dstRgb, srcAlpha, dstAlpha);
        s.srcRgb = srcRgb;
        s.dstRgb = dstRgb;
        s.srcAlpha = srcAlpha;
        s.dstAlpha = dstAlpha;
    }
    if (!s.valid || b.blendFactor != s.blendFactor) {
        float c[4];
        Channels(b.blendFactor, c);
        m_Draw.glBlendColor(c[0], c[1], c[2], c[3]);
        s.blendFactor = b.blendFactor;
    }
}

void GxGLDrawPipeline::ApplyRaster(const GxGLStateBlock& b)
{
    Shadow& s = m_Shadow;
    uint32_t cull = b.cull;
    if (!s.valid || cull != s.cull) {
        // Screen y runs down, GL's window y up: what looks counter-clockwise on the screen has
        // a clockwise winding for GL.
        if (cull == GXCULL_CW || cull == GXCULL_CCW) {
            gl.glEnable(GL_CULL_FACE);
            m_Draw.glFrontFace(GL_CCW);
            m_Draw.glCullFace(cull == GXCULL_CCW ? GL_BACK : GL_FRONT);
        } else {
            gl.glDisable(GL_CULL_FACE);
        }
        s.cull = cull;
    }
    uint32_t fill = b.fill;
    if (!s.valid || fill != s.fill) {
        m_Draw.glPolygonMode(GL_FRONT_AND_BACK, fill == GXFILL_POINT       ? GL_POINT
                                                : fill == GXFILL_WIREFRAME ? GL_LINE
                                                                           : GL_FILL);
        s.fill = fill;
    }
}

namespace {

// Past this many programs the cache starts again: far more than the engine's presets use.
constexpr size_t kMaxPrograms = 256;

uint8_t Small(uint32_t v) { return static_cast<uint8_t>(v > 0xFF ? 0xFF : v); }

bool SelectsTexture(uint32_t arg) { return (arg & GX_GL_TA_SELECTMASK) == GXTA_TEXTURE; }

}  // namespace

GxGLFixedFunctionProgram* GxGLDrawPipeline::Program(const GxGLStageKey& key)
{
    if (m_LastProgram && key == m_LastKey) return m_LastProgram;
    const uint64_t packed = key.Pack();
    auto it = m_Programs.find(packed);
    if (it == m_Programs.end()) {
        if (m_Programs.size() >= kMaxPrograms) {
            m_Programs.clear();
            m_Shadow.program = nullptr;
        }
        std::string error;
        std::unique_ptr<GxGLFixedFunctionProgram> made =
            GxGLFixedFunctionProgram::Create(m_Draw, m_VertexShader, key, &error);
        // Creation binds the new program.
        m_Shadow.program = made.get();
        if (!made) GxPrintErrorLog(u"Error/GLDevice DrawPrimitiveUP Failed(%S)\n", error);
        it = m_Programs.emplace(packed, std::move(made)).first;
    }
    m_LastKey = key;
    m_LastProgram = it->second.get();
    return m_LastProgram;
}

bool GxGLDrawPipeline::ApplyProgram(const GxGLDrawTarget& target, const GxGLDrawState& state,
                                    const GxScreenVertex* vertices, uint32_t count)
{
    const GxGLStateBlock& b = state.states;
    GxGLStageKey key;
    key.colorOp = Small(b.colorOp);
    if (key.colorOp != GXTOP_DISABLE) {
        key.colorArg1 = Small(b.colorArg1);
        key.colorArg2 = Small(b.colorArg2);
        key.alphaOp = Small(b.alphaOp);
        key.alphaArg1 = Small(b.alphaArg1);
        key.alphaArg2 = Small(b.alphaArg2);
        key.texture = state.texture != 0 && (SelectsTexture(key.colorArg1) || SelectsTexture(key.colorArg2) ||
                                             SelectsTexture(key.alphaArg1) || SelectsTexture(key.alphaArg2));
    }
    // Adding a black specular colour changes nothing: such draws take the shorter program.
    if (b.specular)
        for (uint32_t i = 0; i < count && !key.specular; ++i) key.specular = (vertices[i].specular & 0x00FFFFFFu) != 0;
    if (b.alphaTest) {
        uint32_t func = b.alphaFunc;
        key.alphaFunc = func >= GXCMP_NEVER && func < GXCMP_ALWAYS ? static_cast<uint8_t>(func) : 0;
    }
    GxGLFixedFunctionProgram* p = Program(key);
    if (!p) return false;
    if (p != m_Shadow.program) {
        m_Draw.glUseProgram(p->Name());
        m_Shadow.program = p;
    }
    const float w = static_cast<float>(target.width), h = static_cast<float>(target.height);
    if (w != p->targetWidth || h != p->targetHeight) {
        m_Draw.glUniform2f(p->targetSize, w, h);
        p->targetWidth = w;
        p->targetHeight = h;
    }
    if (p->factor >= 0 && (!p->factorSet || b.textureFactor != p->factorValue)) {
        float c[4];
        Channels(b.textureFactor, c);
        m_Draw.glUniform4f(p->factor, c[0], c[1], c[2], c[3]);
        p->factorValue = b.textureFactor;
        p->factorSet = true;
    }
    const int ref = static_cast<int>(b.alphaRef & 0xFF);
    if (p->alphaRef >= 0 && ref != p->alphaRefValue) {
        m_Draw.glUniform1i(p->alphaRef, ref);
        p->alphaRefValue = ref;
    }
    return true;
}

void GxGLDrawPipeline::ApplySampler(const GxGLStateBlock& b)
{
    Shadow& s = m_Shadow;
    uint32_t mag = b.magFilter, min = b.minFilter, mip = b.mipFilter;
    if (!s.samplerSet || mag != s.magFilter) {
        m_Draw.glSamplerParameteri(m_Sampler, GL_TEXTURE_MAG_FILTER, Linear(mag) ? GL_LINEAR : GL_NEAREST);
        s.magFilter = mag;
    }
    if (!s.samplerSet || min != s.minFilter || mip != s.mipFilter) {
        GLint f;
        if (mip == GXTEXF_POINT) f = Linear(min) ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
        else if (mip == GXTEXF_LINEAR) f = Linear(min) ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
        else f = Linear(min) ? GL_LINEAR : GL_NEAREST;
        m_Draw.glSamplerParameteri(m_Sampler, GL_TEXTURE_MIN_FILTER, f);
        s.minFilter = min;
        s.mipFilter = mip;
    }
    if (!s.samplerSet || b.addressU != s.addressU) {
        m_Draw.glSamplerParameteri(m_Sampler, GL_TEXTURE_WRAP_S, Address(b.addressU));
        s.addressU = b.addressU;
    }
    if (!s.samplerSet || b.addressV != s.addressV) {
        m_Draw.glSamplerParameteri(m_Sampler, GL_TEXTURE_WRAP_T, Address(b.addressV));
        s.addressV = b.addressV;
    }
    if (!s.samplerSet || b.border != s.border) {
        float c[4];
        Channels(b.border, c);
        m_Draw.glSamplerParameterfv(m_Sampler, GL_TEXTURE_BORDER_COLOR, c);
        s.border = b.border;
    }
    s.samplerSet = true;
}

bool GxGLDrawPipeline::Upload(const GxScreenVertex* vertices, uint32_t count, GLint* first)
{
    const uint32_t bytes = count * static_cast<uint32_t>(sizeof(GxScreenVertex));
    if (bytes > kRingMaxBytes) return false;
    GLbitfield access = GL_MAP_WRITE_BIT | GL_MAP_UNSYNCHRONIZED_BIT;
    if (bytes > m_RingBytes) {
        // A new, larger store; the draws still reading the old one keep it until they are done.
        uint32_t grown = m_RingBytes;
        while (grown < bytes) grown *= 2;
        m_RingBytes = std::min(grown, kRingMaxBytes);
        m_Draw.glBufferData(GL_ARRAY_BUFFER, m_RingBytes, nullptr, GL_STREAM_DRAW);
        m_BufferUsed = 0;
    } else if (m_BufferUsed + bytes > m_RingBytes) {
        // A fresh store: the draws still reading the old one keep it until they are done.
        m_BufferUsed = 0;
        access |= GL_MAP_INVALIDATE_BUFFER_BIT;
    } else {
        access |= GL_MAP_INVALIDATE_RANGE_BIT;
    }
    void* p = m_Draw.glMapBufferRange(GL_ARRAY_BUFFER, m_BufferUsed, bytes, access);
    if (!p) return false;
    std::memcpy(p, vertices, bytes);
    if (m_Draw.glUnmapBuffer(GL_ARRAY_BUFFER) != GL_TRUE) return false;
    *first = static_cast<GLint>(m_BufferUsed / sizeof(GxScreenVertex));
    m_BufferUsed += bytes;
    return true;
}

GxResult GxGLDrawPipeline::Draw(const GxGLDrawTarget& target, const GxGLDrawState& state, GxPrimitiveType type,
                                const GxScreenVertex* vertices, uint32_t count)
{
    if (!target.framebuffer || target.width == 0 || target.height == 0 || count == 0) return GXERR_INVALIDCALL;
    // The viewport cut to the target; nothing to draw when they do not meet.
    const GxViewport& v = state.viewport;
    uint64_t right = std::min<uint64_t>(uint64_t{v.X} + v.Width, target.width);
    uint64_t bottom = std::min<uint64_t>(uint64_t{v.Y} + v.Height, target.height);
    if (v.X >= right || v.Y >= bottom) return GX_OK;
    bool scissor = v.X != 0 || v.Y != 0 || right != target.width || bottom != target.height;

    if (!m_Shadow.valid) {
        m_Shadow.program = nullptr;
        m_Draw.glBindVertexArray(m_VertexArray);
        m_Draw.glBindBuffer(GL_ARRAY_BUFFER, m_Buffer);
        m_Draw.glActiveTexture(GL_TEXTURE0);
        m_Draw.glBindSampler(0, m_Sampler);
        gl.glEnable(GL_DEPTH_CLAMP);
        gl.glDisable(GL_DEPTH_TEST);
        gl.glDisable(GL_STENCIL_TEST);
    }
    gl.glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target.framebuffer);
    GLint w = static_cast<GLint>(target.width), h = static_cast<GLint>(target.height);
    if (!m_Shadow.valid || w != m_Shadow.viewportWidth || h != m_Shadow.viewportHeight) {
        gl.glViewport(0, 0, w, h);
        m_Shadow.viewportWidth = w;
        m_Shadow.viewportHeight = h;
    }
    if (scissor) {
        gl.glEnable(GL_SCISSOR_TEST);
        // Row 0 of a target is its top row, so the rectangle needs no turning.
        gl.glScissor(static_cast<GLint>(v.X), static_cast<GLint>(v.Y), static_cast<GLsizei>(right - v.X),
                     static_cast<GLsizei>(bottom - v.Y));
    }
    // Bits 0..3 are red, green, blue and alpha. Set on every draw (GL skips an unchanged mask):
    // clears set their own. A target without alpha keeps one there: masked, unless the separate
    // alpha blend by MAX keeps it anyway (the engine's usual state, where the mask would only
    // slow the rasteriser down).
    const GxGLStateBlock& b = state.states;
    const uint32_t write = b.colorWrite;
    const bool alphaStaysOne = b.alphaBlend && b.separateAlpha && b.blendOpAlpha == GXBLENDOP_MAX;
    gl.glColorMask((write & 1) != 0, (write & 2) != 0, (write & 4) != 0,
                   (write & 8) != 0 && (!target.opaque || alphaStaysOne));

    ApplyBlend(b);
    ApplyRaster(b);
    ApplySampler(b);
    m_Shadow.valid = true;
    if (!ApplyProgram(target, state, vertices, count)) {
        if (scissor) gl.glDisable(GL_SCISSOR_TEST);
        return GXERR_DRIVERINTERNALERROR;
    }
    // The binding is made on every draw: a texture deleted elsewhere leaves its name to others.
    gl.glBindTexture(GL_TEXTURE_2D, state.texture);

    GxResult result = GX_OK;
    GLint first = 0;
    if (Upload(vertices, count, &first)) m_Draw.glDrawArrays(Mode(type), first, static_cast<GLsizei>(count));
    else result = GXERR_OUTOFMEMORY;

    // Blits are cut by the scissor: it is given back. The framebuffer stays bound: changing it
    // makes the rasteriser finish what it holds, and every other user binds its own.
    if (scissor) gl.glDisable(GL_SCISSOR_TEST);
    return result;
}

// ---- The device's draw ----------------------------------------------------------------------

GxResult GxGLDevice::NativeDrawScreenVertices(GxPrimitiveType type, uint32_t, const GxScreenVertex* vertices,
                                              uint32_t vertexCount)
{
    // Once is enough: every later draw would fail the same way.
    if (m_DrawPipelineFailed) return GXERR_DRIVERINTERNALERROR;
    GxGLFrameCommand c;
    c.primitive = static_cast<uint8_t>(type);
    c.viewport = m_Viewport;
    uint32_t width = m_Width, height = m_Height;
    bool opaqueTarget = m_Opaque;
    if (m_RenderTargets[0] == m_BackBuffer) {
        c.targetSerial = m_BackSerial;
    } else {
        GxCoreTextureSurface* s = OwnTextureSurface(m_RenderTargets[0]);
        // Only level 0 of a texture target has a framebuffer.
        if (!s || s->Level() != 0 || !s->Texture()->IsRenderTarget()) return GXERR_INVALIDCALL;
        GxCoreTexture* t = s->Texture();
        c.target = t;
        c.targetSerial = t->serial;
        c.targetVersion = t->version;
        width = t->LevelAt(0).width;
        height = t->LevelAt(0).height;
        opaqueTarget = t->Desc().Format == GXFMT_X8R8G8B8 || t->Desc().Format == GXFMT_X4R4G4B4;
        // Its pixels are the GPU's from here on, drawn or still waiting.
        t->gpuNewer = true;
    }
    GxCoreTexture* texture = OwnTexture(m_Textures[0]);
    if (texture) {
        c.texture = texture;
        c.textureSerial = texture->serial;
        c.textureVersion = texture->version;
    }
    const GxGLStateBlock states = GxGLMakeStateBlock(m_RenderStates, m_StageStates[0], m_SamplerStates[0]);
    // Only a target's first write in the frame is asked whether it covers the target.
    const bool whole = !m_Frame.WrittenInFrame(c.targetSerial) &&
                       GxGLDrawCoversTarget(states, m_Viewport, type, vertices, vertexCount, width, height,
                                            opaqueTarget, [&] { return CoverFacts(texture); });
    m_Frame.AddDraw(c, states, vertices, vertexCount);
    m_Frame.NoteCommand(c, whole);
    return Submit();
}

GLuint GxGLDevice::SolidTexture(uint32_t argb)
{
    if (!m_SolidTexture) {
        gl.glGenTextures(1, &m_SolidTexture);
        m_SolidColorSet = false;
    }
    if (!m_SolidTexture) return 0;
    if (!m_SolidColorSet || m_SolidColor != argb) {
        GLint old = 0;
        gl.glGetIntegerv(GL_TEXTURE_BINDING_2D, &old);
        gl.glBindTexture(GL_TEXTURE_2D, m_SolidTexture);
        gl.glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        gl.glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        // The word's bytes in memory are blue, green, red, alpha: GL's BGRA.
        gl.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, &argb);
        gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        gl.glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(old));
        m_SolidColor = argb;
        m_SolidColorSet = true;
    }
    return m_SolidTexture;
}

GxResult GxGLDevice::ExecuteDraw(const GxGLFrameCommand& c)
{
    if (!m_DrawPipeline) {
        if (m_DrawPipelineFailed) return GXERR_DRIVERINTERNALERROR;
        std::string error;
        std::unique_ptr<GxGLDrawPipeline> made = GxGLDrawPipeline::Create(m_Context, &error);
        if (!made) {
            m_DrawPipelineFailed = true;
            GxPrintErrorLog(u"Error/GLDevice DrawPrimitiveUP Failed(%S)\n", error);
            return GXERR_DRIVERINTERNALERROR;
        }
        m_DrawPipeline.reset(made.release());
    }

    GxGLDrawTarget target;
    if (!c.target) {
        BackBufferWillChange();
        target.framebuffer = m_Back.framebuffer;
        target.width = m_Width;
        target.height = m_Height;
        target.opaque = m_Opaque;
    } else {
        GxCoreTexture* t = c.target;
        if (!Realize(*t)) return GXERR_OUTOFVIDEOMEMORY;
        if (!t->nativeFramebuffer) return GXERR_INVALIDCALL;
        target.framebuffer = t->nativeFramebuffer;
        target.width = t->LevelAt(0).width;
        target.height = t->LevelAt(0).height;
        target.opaque = t->Desc().Format == GXFMT_X8R8G8B8 || t->Desc().Format == GXFMT_X4R4G4B4;
    }

    GxGLDrawState state;
    state.states = m_Frame.States(c);
    state.viewport = c.viewport;
    if (c.texture && c.texture->solid) {
        // A target that holds one colour samples as that colour anywhere.
        state.texture = SolidTexture(c.texture->solidColor);
        if (!state.texture) return GXERR_OUTOFVIDEOMEMORY;
    } else {
        if (c.texture && !Realize(*c.texture)) return GXERR_OUTOFVIDEOMEMORY;
        state.texture = c.texture ? c.texture->nativeTexture : 0;
    }
    ++m_FrameStats.drawsExecuted;
    GxResult r = m_DrawPipeline->Draw(target, state, static_cast<GxPrimitiveType>(c.primitive), m_Frame.Vertices(c),
                                      c.vertexCount);
    if (GxSucceeded(r) && gl.glGetError() != GL_NO_ERROR) r = GXERR_DRIVERINTERNALERROR;
    return r;
}
