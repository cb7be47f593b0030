// Drawing of pre-transformed 32-byte vertices on the GL device: the device's render states,
// texture-stage states and sampler states of stage 0 turned into GL state and the stand-in
// program's uniforms, and the vertices streamed through one ring buffer.
//
// Mapping of the device's states:
//   ALPHABLENDENABLE, SRCBLEND, DESTBLEND, BLENDOP; SEPARATEALPHABLENDENABLE with SRCBLENDALPHA,
//   DESTBLENDALPHA, BLENDOPALPHA (otherwise alpha blends as colour); BLENDFACTOR -> blending;
//   COLOROP/ALPHAOP and their arguments, TEXTUREFACTOR, SPECULARENABLE, ALPHATESTENABLE,
//   ALPHAFUNC, ALPHAREF -> the program; CULLMODE, FILLMODE, COLORWRITEENABLE -> GL state;
//   MAGFILTER, MINFILTER, MIPFILTER, ADDRESSU, ADDRESSV, BORDERCOLOR of sampler 0 -> a sampler.
//   The viewport clips (the vertices are target pixels, as on the device); targets without
//   alpha keep their alpha at one. Depth, fog, lighting and further stages take no part: the
//   engine's drawing uses none of them.
//
// GL state that other device code also touches (framebuffer, texture binding, scissor, colour
// mask) is set on every draw, and the scissor is given back off as the rest of the device
// expects it; the rest is kept in a shadow copy so that a repeated state costs no GL call.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "platform/GxDeviceTypes.h"
#include "platform/gl/GxGLShader.h"

// The device's blend factor (source or destination side) and blend operation as GL's.
GLenum GxGLBlendFactor(uint32_t blend, bool source);
GLenum GxGLBlendEquation(uint32_t op);

struct GxGLDrawTarget
{
    GLuint framebuffer = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    bool opaque = false;  // no alpha channel: alpha stays at one
};

// The device states a draw reads, as values: everything the mapping above takes and nothing
// else, so that two draws with equal blocks draw alike (the device compares frames by them).
struct GxGLStateBlock
{
    // Blending.
    uint32_t alphaBlend = 0, srcBlend = 0, destBlend = 0, blendOp = 0;
    uint32_t separateAlpha = 0, srcBlendAlpha = 0, destBlendAlpha = 0, blendOpAlpha = 0, blendFactor = 0;
    // Rasterisation and writing.
    uint32_t cull = 0, fill = 0, colorWrite = 0;
    // The program: stage 0, the factor, specular and the alpha test.
    uint32_t colorOp = 0, colorArg1 = 0, colorArg2 = 0, alphaOp = 0, alphaArg1 = 0, alphaArg2 = 0;
    uint32_t textureFactor = 0, specular = 0, alphaTest = 0, alphaFunc = 0, alphaRef = 0;
    // Sampler 0.
    uint32_t magFilter = 0, minFilter = 0, mipFilter = 0, addressU = 0, addressV = 0, border = 0;

    bool operator==(const GxGLStateBlock&) const = default;
};

// The block of the device's render states (GX_RENDERSTATE_COUNT values), stage 0's states
// (GX_TEXTURESTAGESTATE_COUNT) and sampler 0's (GX_SAMPLERSTATE_COUNT).
GxGLStateBlock GxGLMakeStateBlock(const uint32_t* renderStates, const uint32_t* stage0, const uint32_t* sampler0);

// The device state one draw reads.
struct GxGLDrawState
{
    GxGLStateBlock states;
    GxViewport viewport;
    GLuint texture = 0;  // GL texture on stage 0; 0 = none (a white texel)
};

class GxGLDrawPipeline
{
public:
    // None, with the cause in *error, when the program or the GL objects cannot be made. The
    // context must be current.
    static std::unique_ptr<GxGLDrawPipeline> Create(GxGLContext& context, std::string* error);
    ~GxGLDrawPipeline();

    GxGLDrawPipeline(const GxGLDrawPipeline&) = delete;
    GxGLDrawPipeline& operator=(const GxGLDrawPipeline&) = delete;

    // Draws count vertices as primitives of the given type into the target.
    GxResult Draw(const GxGLDrawTarget& target, const GxGLDrawState& state, GxPrimitiveType type,
                  const GxScreenVertex* vertices, uint32_t count);

private:
    explicit GxGLDrawPipeline(GxGLContext& context);
    bool Init(std::string* error);
    void ApplyBlend(const GxGLStateBlock& b);
    void ApplyRaster(const GxGLStateBlock& b);
    // Binds the program of the draw's stage state (made on first use) and sets its uniforms;
    // false when it cannot be made.
    bool ApplyProgram(const GxGLDrawTarget& target, const GxGLDrawState& state, const GxScreenVertex* vertices,
                      uint32_t count);
    GxGLFixedFunctionProgram* Program(const GxGLStageKey& key);
    void ApplySampler(const GxGLStateBlock& b);
    // Copies the vertices into the ring buffer; the first vertex's index in the buffer.
    bool Upload(const GxScreenVertex* vertices, uint32_t count, GLint* first);

    struct Shadow
    {
        bool valid = false;
        // Blending.
        bool blend = false;
        GLenum equationRgb = 0, equationAlpha = 0;
        GLenum srcRgb = 0, dstRgb = 0, srcAlpha = 0, dstAlpha = 0;
        uint32_t blendFactor = 0;
        // Rasterisation.
        uint32_t cull = 0;
        uint32_t fill = 0;
        GLint viewportWidth = -1, viewportHeight = -1;
        // The bound program.
        GxGLFixedFunctionProgram* program = nullptr;
        // Sampler 0.
        uint32_t magFilter = 0, minFilter = 0, mipFilter = 0, addressU = 0, addressV = 0, border = 0;
        bool samplerSet = false;
    };

    GxGLContext& m_Context;
    const GxGLFunctions& gl;
    GxGLDrawFunctions m_Draw;
    GLuint m_VertexShader = 0;
    // Programs by key; a key whose program could not be made keeps none (tried once).
    std::unordered_map<uint64_t, std::unique_ptr<GxGLFixedFunctionProgram>> m_Programs;
    GxGLStageKey m_LastKey;
    GxGLFixedFunctionProgram* m_LastProgram = nullptr;
    GLuint m_VertexArray = 0;
    GLuint m_Buffer = 0;
    GLuint m_Sampler = 0;
    uint32_t m_BufferUsed = 0;  // bytes of the ring buffer written since it was last renewed
    uint32_t m_RingBytes = 0;   // the ring buffer's current size
    Shadow m_Shadow;
};
