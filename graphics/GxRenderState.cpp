#include "graphics/GxRenderState.h"

#include "graphics/GxGraphics.h"
#include "graphics/GxResourceFactory.h"

namespace {

// One row of the preset table.
struct Preset
{
    uint32_t alphaBlend;
    uint32_t op;          // COLOROP and ALPHAOP
    bool alphaArgument;   // ALPHAARG1 = TEXTURE is sent
    uint32_t blendOp;
    uint32_t srcBlend;
    uint32_t destBlend;
};

const Preset kPresets[10] = {
    // The "other" row: every number outside 1..9.
    {1, GXTOP_MODULATE, false, GXBLENDOP_ADD, GXBLEND_SRCALPHA, GXBLEND_INVSRCALPHA},
    {0, GXTOP_MODULATE, true, GXBLENDOP_ADD, GXBLEND_SRCALPHA, GXBLEND_INVSRCALPHA},
    {1, GXTOP_MODULATE, true, GXBLENDOP_ADD, GXBLEND_SRCALPHA, GXBLEND_INVSRCALPHA},
    {1, GXTOP_MODULATE, true, GXBLENDOP_ADD, GXBLEND_SRCALPHA, GXBLEND_ONE},
    {1, GXTOP_MODULATE2X, true, GXBLENDOP_ADD, GXBLEND_SRCALPHA, GXBLEND_ONE},
    {1, GXTOP_MODULATE, true, GXBLENDOP_REVSUBTRACT, GXBLEND_SRCALPHA, GXBLEND_ONE},
    {1, GXTOP_MODULATE, true, GXBLENDOP_ADD, GXBLEND_ZERO, GXBLEND_SRCCOLOR},
    {1, GXTOP_MODULATE, true, GXBLENDOP_ADD, GXBLEND_INVDESTCOLOR, GXBLEND_INVSRCCOLOR},
    {1, GXTOP_MODULATE, true, GXBLENDOP_ADD, GXBLEND_INVDESTCOLOR, GXBLEND_ONE},
    {1, GXTOP_MODULATE, false, GXBLENDOP_SUBTRACT, GXBLEND_ONE, GXBLEND_ONE},
};

GxColorValue ColorValue(const GxFColor& c) { return GxColorValue{c.r, c.g, c.b, c.a}; }

}  // namespace

GxRenderStateData& GxGetRenderStateData()
{
    static GxRenderStateData data;
    return data;
}

GxMaterial& GxGetDefaultMaterial()
{
    static GxMaterial material;
    return material;
}

void GxReleaseDefaultMaterial()
{
    GxMaterial& m = GxGetDefaultMaterial();
    if (m.effect) {
        GxGetShaderFactory().ReleaseShader(m.effect);
        m.effect = nullptr;
    }
    uint32_t n = m.textureCount < GxMaterial::kSlots ? m.textureCount : GxMaterial::kSlots;
    for (uint32_t i = 0; i < n; ++i) {
        if (!m.slots[i].texture) continue;
        GxGetTextureFactory().ReleaseTexture(m.slots[i].texture);
        m.slots[i].texture = nullptr;
    }
}

bool GxGraphics::SetBlendMode(uint32_t stage, int32_t preset)
{
    GxRenderStateData& d = GxGetRenderStateData();
    if (stage >= GxRenderStateData::kStages) return false;
    if (preset == BLENDMODE_LAST) preset = d.lastBlendMode[stage];
    else d.lastBlendMode[stage] = preset;
    const Preset& p = kPresets[preset >= 1 && preset <= 9 ? preset : 0];
    SetRenderState(GXRS_ALPHABLENDENABLE, p.alphaBlend);
    SetTextureStageState(stage, GXTSS_COLORARG1, GXTA_TEXTURE);
    SetTextureStageState(stage, GXTSS_COLOROP, p.op);
    if (p.alphaArgument) SetTextureStageState(stage, GXTSS_ALPHAARG1, GXTA_TEXTURE);
    SetTextureStageState(stage, GXTSS_ALPHAOP, p.op);
    SetRenderState(GXRS_BLENDOP, p.blendOp);
    SetRenderState(GXRS_SRCBLEND, p.srcBlend);
    return SetRenderState(GXRS_DESTBLEND, p.destBlend);
}

bool GxGraphics::SetTextureFilter(uint32_t filter)
{
    GxGetRenderStateData().textureFilter = filter;
    GxDevice* device = GetDevice();
    if (!device) return false;
    bool ok = GxSucceeded(device->SetSamplerState(0, GXSAMP_MAGFILTER, filter));
    return GxSucceeded(device->SetSamplerState(0, GXSAMP_MINFILTER, filter)) && ok;
}

bool GxGraphics::SetZEnable(bool enable) { return SetRenderState(GXRS_ZENABLE, enable ? 1 : 0); }
bool GxGraphics::SetZWriteEnable(bool enable) { return SetRenderState(GXRS_ZWRITEENABLE, enable ? 1 : 0); }

bool GxGraphics::SetAlphaTest(bool enable, uint32_t reference)
{
    if (!enable) return SetRenderState(GXRS_ALPHATESTENABLE, 0);
    bool ok = SetRenderState(GXRS_ALPHATESTENABLE, 1);
    ok = SetRenderState(GXRS_ALPHAREF, reference) && ok;
    return SetRenderState(GXRS_ALPHAFUNC, GXCMP_GREATEREQUAL) && ok;
}

bool GxGraphics::SetMultiSampleAntiAlias(bool enable)
{
    return SetRenderState(GXRS_MULTISAMPLEANTIALIAS, enable ? 1 : 0);
}
bool GxGraphics::SetSpecularEnable(bool enable) { return SetRenderState(GXRS_SPECULARENABLE, enable ? 1 : 0); }
bool GxGraphics::SetCullMode(uint32_t cull) { return SetRenderState(GXRS_CULLMODE, cull); }
bool GxGraphics::SetFillMode(uint32_t fill) { return SetRenderState(GXRS_FILLMODE, fill); }

bool GxGraphics::SetLightEnable(bool enable)
{
    GxGetRenderStateData().lighting = enable;
    return SetRenderState(GXRS_LIGHTING, enable ? 1 : 0);
}

bool GxGraphics::SetFogEnable(bool enable) { return SetRenderState(GXRS_FOGENABLE, enable ? 1 : 0); }

bool GxGraphics::SetAmbient(const GxFColor& color)
{
    GxGetRenderStateData().ambient = color;
    return SetRenderState(GXRS_AMBIENT, GxPackColorArgb(color));
}

bool GxGraphics::SetFogColor(const GxFColor& color)
{
    GxGetRenderStateData().fogColor = color;
    return SetRenderState(GXRS_FOGCOLOR, GxPackColorArgb(color));
}

bool GxGraphics::SetTexture(uint32_t stage, GxDeviceTexture* texture)
{
    GxDevice* device = GetDevice();
    return device && GxSucceeded(device->SetTexture(stage, texture));
}

void GxGraphics::SetPointLightCount(uint32_t count)
{
    GxRenderStateData& d = GxGetRenderStateData();
    d.pointLightCount = count;
    GxDevice* device = GetDevice();
    if (!device) return;
    for (uint32_t i = 1; i <= count && i <= GxRenderStateData::kPointLights; ++i) device->LightEnable(i, true);
}

bool GxGraphics::SetPointLight(uint32_t index, const GxFColor& color, const GxVector3& position, float range)
{
    if (index >= GxRenderStateData::kPointLights) return false;
    GxLight& l = GxGetRenderStateData().pointLights[index];
    l = GxLight();
    l.Type = GXLIGHT_POINT;
    l.Diffuse = l.Specular = l.Ambient = ColorValue(color);
    l.Position = GxVector3f{position.x, position.y, position.z};
    l.Range = range;
    l.Attenuation1 = 1.0f / range;
    GxDevice* device = GetDevice();
    return device && GxSucceeded(device->SetLight(index + 1, &l));
}

bool GxGraphics::SetDirectionalLight(const GxVector3& direction, const GxFColor& color)
{
    GxDevice* device = GetDevice();
    if (device) device->LightEnable(0, true);
    GxLight& l = GxGetRenderStateData().directionalLight;
    l = GxLight();
    l.Type = GXLIGHT_DIRECTIONAL;
    l.Diffuse = l.Specular = l.Ambient = ColorValue(color);
    GxVector3 n = direction;
    n.SetLength(1.0f);
    l.Direction = GxVector3f{n.x, n.y, n.z};
    return device && GxSucceeded(device->SetLight(0, &l));
}

GxMatrix& GxGraphics::GetDrawMatrix() { return GxGetRenderStateData().drawMatrix; }

namespace {

// The switches both the default state and the initial state set.
void SetDefaultSwitches()
{
    GxGraphics::SetZEnable(false);
    GxGraphics::SetZWriteEnable(false);
    GxGraphics::SetAlphaTest(false, 0x80);
    GxGraphics::SetMultiSampleAntiAlias(true);
    GxGraphics::SetSpecularEnable(true);
    GxGraphics::SetCullMode(GXCULL_NONE);
    GxGraphics::SetFillMode(GXFILL_SOLID);
    GxGraphics::SetLightEnable(false);
}

}  // namespace

void GxGraphics::SetDefaultRenderState()
{
    SetDefaultSwitches();
    GxDevice* device = GetDevice();
    if (!device) return;
    for (uint32_t stage = 0; stage < GxRenderStateData::kStages; ++stage) device->SetTexture(stage, nullptr);
    for (uint32_t stream = 0; stream < 4; ++stream) device->SetStreamSource(stream, nullptr, 0, 0);
}

void GxGraphics::InitRenderState()
{
    GxRenderStateData& d = GxGetRenderStateData();
    SetViewport(nullptr);
    for (uint32_t stage = 0; stage < GxRenderStateData::kStages; ++stage) {
        SetBlendMode(stage, BLENDMODE_LAST);
        SetTextureStageState(stage, GXTSS_ALPHAOP, GXTOP_MODULATE);
        SetTextureStageState(stage, GXTSS_ALPHAARG1, GXTA_TEXTURE);
        SetTextureStageState(stage, GXTSS_ALPHAARG2, GXTA_DIFFUSE);
        d.lastBlendMode[stage] = BLENDMODE_ALPHA;
    }
    SetTextureFilter(GXTEXF_POINT);
    d.filterQuality = 3;
    d.filterMaterial = &GxGetDefaultMaterial();

    SetRenderState(GXRS_ALPHABLENDENABLE, 1);
    SetRenderState(GXRS_BLENDOP, GXBLENDOP_ADD);
    // Drawing into a render texture leaves in each pixel the largest alpha drawn there.
    SetRenderState(GXRS_SEPARATEALPHABLENDENABLE, 1);
    SetRenderState(GXRS_BLENDOPALPHA, GXBLENDOP_MAX);
    SetRenderState(GXRS_COLORVERTEX, 1);
    SetRenderState(GXRS_DIFFUSEMATERIALSOURCE, GXMCS_COLOR1);
    SetRenderState(GXRS_SPECULARMATERIALSOURCE, GXMCS_MATERIAL);
    SetRenderState(GXRS_AMBIENTMATERIALSOURCE, GXMCS_MATERIAL);
    SetRenderState(GXRS_EMISSIVEMATERIALSOURCE, GXMCS_MATERIAL);

    SetDefaultSwitches();

    const GxFColor white(1.0f, 1.0f, 1.0f, 1.0f);
    SetDirectionalLight(GxVector3(0.0f, -1.0f, 1.0f), white);
    SetPointLightCount(0);
    for (uint32_t i = 0; i < GxRenderStateData::kPointLights; ++i)
        SetPointLight(i, white, GxVector3(0.0f, 0.0f, 0.0f), 30.0f);
    const GxFColor grey(0.3f, 0.3f, 0.3f, 0.3f);
    SetAmbient(grey);
    d.spareColor = grey;
    SetFogEnable(false);
    SetFogColor(white);
}
