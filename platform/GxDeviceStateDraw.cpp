#include "platform/GxDeviceCore.h"

#include <algorithm>

namespace {

// Vertices a primitive list of the given type and count needs.
uint64_t VertexCount(GxPrimitiveType type, uint32_t n)
{
    switch (type) {
    case GXPT_POINTLIST: return n;
    case GXPT_LINELIST: return 2ull * n;
    case GXPT_LINESTRIP: return n + 1ull;
    case GXPT_TRIANGLELIST: return 3ull * n;
    case GXPT_TRIANGLESTRIP:
    case GXPT_TRIANGLEFAN: return n + 2ull;
    }
    return 0;
}

// Far more than any draw of the engine (at most eight vertices); bounds a mistaken count.
constexpr uint32_t kMaxPrimitives = 1u << 20;

bool Intersect(const GxRectL& a, const GxRectL& b, GxRectL* out)
{
    GxRectL r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom)};
    if (r.left >= r.right || r.top >= r.bottom) return false;
    *out = r;
    return true;
}


}  // namespace

// ---- State and drawing --------------------------------------------------------------------------

GxResult GxDeviceCore::SetRenderTarget(uint32_t index, GxDeviceSurface* surface)
{
    GxDeviceCall& c = Record(GxDeviceOp::SetRenderTarget, GX_OK);
    c.args[0] = index;
    c.object = surface;
    GxResult r = GX_OK;
    if (index >= m_RenderTargets.size() || (index == 0 && !surface)) {
        r = GXERR_INVALIDCALL;
    } else if (surface) {
        // The device's own back buffer, or a render-target texture or surface of this device.
        auto* core = dynamic_cast<GxCoreSurface*>(surface);
        GxCoreTextureSurface* tex = OwnTextureSurface(surface);
        bool ok = (core && core->Device() == this) || (tex && tex->Texture()->IsRenderTarget());
        if (!ok) r = GXERR_INVALIDCALL;
    }
    if (GxSucceeded(r)) {
        if (surface) surface->AddRef();
        GxSafeRelease(m_RenderTargets[index]);
        m_RenderTargets[index] = surface;
        if (index == 0) {
            GxSurfaceDesc d;
            surface->GetDesc(&d);
            m_Viewport = GxViewport{0, 0, d.Width, d.Height, 0.0f, 1.0f};
        }
    }
    c.result = r;
    return r;
}

GxResult GxDeviceCore::GetRenderTarget(uint32_t index, GxDeviceSurface** surface)
{
    if (!surface) return GXERR_INVALIDCALL;
    *surface = nullptr;
    if (index >= m_RenderTargets.size()) return GXERR_INVALIDCALL;
    if (!m_RenderTargets[index]) return GXERR_NOTFOUND;
    m_RenderTargets[index]->AddRef();
    *surface = m_RenderTargets[index];
    return GX_OK;
}

GxResult GxDeviceCore::SetDepthStencilSurface(GxDeviceSurface* surface)
{
    GxDeviceCall& c = Record(GxDeviceOp::SetDepthStencilSurface, GX_OK);
    c.object = surface;
    GxResult r = GX_OK;
    if (surface) {
        GxSurfaceDesc d;
        if (GxFailed(surface->GetDesc(&d)) || !GxIsDepthFormat(d.Format)) r = GXERR_INVALIDCALL;
    }
    if (GxSucceeded(r)) {
        if (surface) surface->AddRef();
        GxSafeRelease(m_DepthStencil);
        m_DepthStencil = surface;
    }
    c.result = r;
    return r;
}

GxResult GxDeviceCore::GetDepthStencilSurface(GxDeviceSurface** surface)
{
    if (!surface) return GXERR_INVALIDCALL;
    *surface = m_DepthStencil;
    if (!m_DepthStencil) return GXERR_NOTFOUND;
    m_DepthStencil->AddRef();
    return GX_OK;
}

GxResult GxDeviceCore::BeginScene()
{
    GxResult r = m_SceneCount > 0 ? GXERR_INVALIDCALL : GX_OK;
    if (GxSucceeded(r)) ++m_SceneCount;
    Record(GxDeviceOp::BeginScene, r);
    return r;
}

GxResult GxDeviceCore::EndScene()
{
    GxResult r = m_SceneCount == 0 ? GXERR_INVALIDCALL : GX_OK;
    if (GxSucceeded(r)) --m_SceneCount;
    Record(GxDeviceOp::EndScene, r);
    return r;
}

GxResult GxDeviceCore::Clear(uint32_t count, const GxRectL* rects, uint32_t flags, GxColor color, float z,
                             uint32_t stencil)
{
    GxDeviceCall& c = Record(GxDeviceOp::Clear, GX_OK);
    c.args[0] = count;
    c.args[1] = flags;
    c.args[2] = color;
    c.args[3] = stencil;
    c.f[0] = z;
    if (rects)
        for (uint32_t i = 0; i < count && i < 4096; ++i) c.rects.push_back(rects[i]);
    if (count > 0 && !rects) {
        c.result = GXERR_INVALIDCALL;
        return c.result;
    }
    // Depth and stencil are cleared only where a depth surface is set.
    if (!m_DepthStencil) flags &= ~(GXCLEAR_ZBUFFER | GXCLEAR_STENCIL);
    if ((flags & (GXCLEAR_TARGET | GXCLEAR_ZBUFFER | GXCLEAR_STENCIL)) == 0) return GX_OK;
    GxSurfaceDesc target;
    m_RenderTargets[0]->GetDesc(&target);
    GxRectL area{0, 0, static_cast<int32_t>(target.Width), static_cast<int32_t>(target.Height)};
    GxRectL view{static_cast<int32_t>(m_Viewport.X), static_cast<int32_t>(m_Viewport.Y),
                 static_cast<int32_t>(m_Viewport.X + m_Viewport.Width),
                 static_cast<int32_t>(m_Viewport.Y + m_Viewport.Height)};
    GxRectL bounds;
    if (!Intersect(area, view, &bounds)) return GX_OK;
    GxResult r = GX_OK;
    if (count == 0) {
        r = NativeClear(bounds, flags, color, z, stencil);
    } else {
        for (uint32_t i = 0; i < count && GxSucceeded(r); ++i) {
            GxRectL piece;
            if (Intersect(rects[i], bounds, &piece)) r = NativeClear(piece, flags, color, z, stencil);
        }
    }
    c.result = r;
    return r;
}

GxResult GxDeviceCore::SetViewport(const GxViewport* viewport)
{
    GxDeviceCall& c = Record(GxDeviceOp::SetViewport, GX_OK);
    GxResult r = GX_OK;
    if (!viewport) {
        r = GXERR_INVALIDCALL;
    } else {
        c.args[0] = viewport->X;
        c.args[1] = viewport->Y;
        c.args[2] = viewport->Width;
        c.args[3] = viewport->Height;
        c.f[0] = viewport->MinZ;
        c.f[1] = viewport->MaxZ;
        GxSurfaceDesc target;
        m_RenderTargets[0]->GetDesc(&target);
        uint64_t right = static_cast<uint64_t>(viewport->X) + viewport->Width;
        uint64_t bottom = static_cast<uint64_t>(viewport->Y) + viewport->Height;
        // The viewport must lie on the render target.
        if (right > target.Width || bottom > target.Height || viewport->MinZ < 0.0f || viewport->MaxZ > 1.0f ||
            viewport->MinZ > viewport->MaxZ)
            r = GXERR_INVALIDCALL;
        else
            m_Viewport = *viewport;
    }
    c.result = r;
    return r;
}

GxResult GxDeviceCore::GetViewport(GxViewport* viewport)
{
    if (!viewport) return GXERR_INVALIDCALL;
    *viewport = m_Viewport;
    return GX_OK;
}

GxResult GxDeviceCore::SetRenderState(GxRenderStateType state, uint32_t value)
{
    GxResult r = state < GX_RENDERSTATE_COUNT ? GX_OK : GXERR_INVALIDCALL;
    if (GxSucceeded(r)) m_RenderStates[state] = value;
    GxDeviceCall& c = Record(GxDeviceOp::SetRenderState, r);
    c.args[0] = state;
    c.args[1] = value;
    return r;
}

GxResult GxDeviceCore::GetRenderState(GxRenderStateType state, uint32_t* value)
{
    if (!value || state >= GX_RENDERSTATE_COUNT) return GXERR_INVALIDCALL;
    *value = m_RenderStates[state];
    return GX_OK;
}

GxResult GxDeviceCore::SetTextureStageState(uint32_t stage, GxTextureStageStateType type, uint32_t value)
{
    GxResult r = stage < GX_TEXTURESTAGE_COUNT && type < GX_TEXTURESTAGESTATE_COUNT ? GX_OK : GXERR_INVALIDCALL;
    if (GxSucceeded(r)) m_StageStates[stage][type] = value;
    GxDeviceCall& c = Record(GxDeviceOp::SetTextureStageState, r);
    c.args[0] = stage;
    c.args[1] = type;
    c.args[2] = value;
    return r;
}

GxResult GxDeviceCore::GetTextureStageState(uint32_t stage, GxTextureStageStateType type, uint32_t* value)
{
    if (!value || stage >= GX_TEXTURESTAGE_COUNT || type >= GX_TEXTURESTAGESTATE_COUNT) return GXERR_INVALIDCALL;
    *value = m_StageStates[stage][type];
    return GX_OK;
}

GxResult GxDeviceCore::SetSamplerState(uint32_t sampler, GxSamplerStateType type, uint32_t value)
{
    GxResult r = sampler < GX_SAMPLER_COUNT && type < GX_SAMPLERSTATE_COUNT ? GX_OK : GXERR_INVALIDCALL;
    if (GxSucceeded(r)) m_SamplerStates[sampler][type] = value;
    GxDeviceCall& c = Record(GxDeviceOp::SetSamplerState, r);
    c.args[0] = sampler;
    c.args[1] = type;
    c.args[2] = value;
    return r;
}

GxResult GxDeviceCore::GetSamplerState(uint32_t sampler, GxSamplerStateType type, uint32_t* value)
{
    if (!value || sampler >= GX_SAMPLER_COUNT || type >= GX_SAMPLERSTATE_COUNT) return GXERR_INVALIDCALL;
    *value = m_SamplerStates[sampler][type];
    return GX_OK;
}

GxResult GxDeviceCore::SetTexture(uint32_t stage, GxDeviceTexture* texture)
{
    GxResult r = stage < GX_SAMPLER_COUNT ? GX_OK : GXERR_INVALIDCALL;
    // The texture set again (most draws of a frame) keeps its reference as it is.
    if (GxSucceeded(r) && texture != m_Textures[stage]) {
        if (texture) texture->AddRef();
        GxSafeRelease(m_Textures[stage]);
        m_Textures[stage] = texture;
    }
    GxDeviceCall& c = Record(GxDeviceOp::SetTexture, r);
    c.args[0] = stage;
    c.object = texture;
    return r;
}

GxResult GxDeviceCore::SetLight(uint32_t index, const GxLight* light)
{
    // Light indices are bounded so that a stray index cannot grow the table without end.
    GxResult r = light && index < 4096 ? GX_OK : GXERR_INVALIDCALL;
    if (GxSucceeded(r)) {
        if (m_Lights.size() <= index) {
            m_Lights.resize(index + 1);
            m_LightEnabled.resize(index + 1, false);
        }
        m_Lights[index] = *light;
    }
    GxDeviceCall& c = Record(GxDeviceOp::SetLight, r);
    c.args[0] = index;
    if (light) {
        c.args[1] = light->Type;
        c.f[0] = light->Range;
        c.f[1] = light->Attenuation1;
    }
    return r;
}

GxResult GxDeviceCore::LightEnable(uint32_t index, bool enable)
{
    GxResult r = index < 4096 ? GX_OK : GXERR_INVALIDCALL;
    if (GxSucceeded(r)) {
        if (m_Lights.size() <= index) {
            m_Lights.resize(index + 1);
            m_LightEnabled.resize(index + 1, false);
        }
        m_LightEnabled[index] = enable;
    }
    GxDeviceCall& c = Record(GxDeviceOp::LightEnable, r);
    c.args[0] = index;
    c.args[1] = enable ? 1 : 0;
    return r;
}

GxResult GxDeviceCore::SetSoftwareVertexProcessing(bool software)
{
    // A device made for hardware vertex processing only cannot switch to software.
    bool hardwareOnly = (m_BehaviorFlags & GXCREATE_HARDWARE_VERTEXPROCESSING) != 0;
    GxResult r = software && hardwareOnly ? GXERR_INVALIDCALL : GX_OK;
    if (GxSucceeded(r)) m_SoftwareVertexProcessing = software;
    GxDeviceCall& c = Record(GxDeviceOp::SetSoftwareVertexProcessing, r);
    c.args[0] = software ? 1 : 0;
    return r;
}

bool GxDeviceCore::GetSoftwareVertexProcessing() { return m_SoftwareVertexProcessing; }

GxResult GxDeviceCore::SetFVF(uint32_t fvf)
{
    m_FVF = fvf;
    GxDeviceCall& c = Record(GxDeviceOp::SetFVF, GX_OK);
    c.args[0] = fvf;
    return GX_OK;
}

GxResult GxDeviceCore::SetVertexShader(GxDeviceVertexShader* shader)
{
    // Only the fixed-function stand-in exists: binding none is all the engine does.
    GxResult r = shader ? GXERR_INVALIDCALL : GX_OK;
    GxDeviceCall& c = Record(GxDeviceOp::SetVertexShader, r);
    c.object = shader;
    return r;
}

GxResult GxDeviceCore::SetStreamSource(uint32_t stream, GxDeviceVertexBuffer* buffer, uint32_t offset,
                                       uint32_t stride)
{
    GxResult r = stream < m_Caps.MaxStreams && !buffer ? GX_OK : GXERR_INVALIDCALL;
    GxDeviceCall& c = Record(GxDeviceOp::SetStreamSource, r);
    c.args[0] = stream;
    c.args[1] = offset;
    c.args[2] = stride;
    c.object = buffer;
    return r;
}

GxResult GxDeviceCore::DrawPrimitiveUP(GxPrimitiveType type, uint32_t primitiveCount, const void* vertices,
                                       uint32_t stride)
{
    GxDeviceCall& c = Record(GxDeviceOp::DrawPrimitiveUP, GX_OK);
    c.args[0] = type;
    c.args[1] = primitiveCount;
    c.args[2] = stride;
    c.args[3] = m_FVF;
    uint64_t n = VertexCount(type, primitiveCount);
    GxResult r = GX_OK;
    if (!vertices || primitiveCount == 0 || primitiveCount > kMaxPrimitives || n == 0 || m_SceneCount == 0)
        r = GXERR_INVALIDCALL;
    else if (m_FVF != GXFVF_SCREENVERTEX || stride != sizeof(GxScreenVertex))
        r = GXERR_INVALIDCALL;  // the one vertex format the engine draws
    const auto* v = static_cast<const GxScreenVertex*>(vertices);
    if (GxSucceeded(r) && m_Recorder.enabled) c.vertices.assign(v, v + n);
    if (GxSucceeded(r)) r = NativeDrawScreenVertices(type, primitiveCount, v, static_cast<uint32_t>(n));
    c.result = r;
    return r;
}

GxResult GxDeviceCore::NativeDrawScreenVertices(GxPrimitiveType, uint32_t, const GxScreenVertex*, uint32_t)
{
    return GXERR_NOTIMPL;
}

GxResult GxDeviceCore::ReadBackBuffer(GxPixelImage* image)
{
    if (!image) return GXERR_INVALIDCALL;
    return NativeReadBackBuffer(image);
}

GxResult GxDeviceCore::ReadPresented(GxPixelImage* image)
{
    if (!image) return GXERR_INVALIDCALL;
    return NativeReadPresented(image);
}
