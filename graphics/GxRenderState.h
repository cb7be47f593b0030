// The render-state helpers' own data: the blend presets, the last preset of every texture stage,
// the texture filter, lights and colours, the global draw matrix that every immediate draw
// applies, and the default material record. The helpers themselves are GxGraphics operations
// (GxGraphics.h); they set device state only through the render-state and texture-stage caches,
// so a repeated preset or switch costs no device call.
#pragma once

#include <cstdint>
#include <string>

#include "core/GxMath.h"
#include "platform/GxDeviceTypes.h"

class GxTexture;
class GxShaderEffect;

// The blend presets. Each fixes the alpha blending together with the colour and alpha
// operations of a texture stage (texture x vertex colour):
//   1 opaque, 2 normal alpha blend, 3 additive, 4 additive with the product doubled,
//   5 destination minus source, 6 multiply, 7 s (1 - d) + d (1 - s), 8 soft additive,
//   9 source minus destination.
// 0 repeats the stage's last preset; any other number blends as preset 2 but leaves the stage's
// alpha argument as it was.
enum GxBlendMode : int32_t {
    BLENDMODE_LAST = 0,
    BLENDMODE_OPAQUE = 1,
    BLENDMODE_ALPHA = 2,
    BLENDMODE_ADD = 3,
    BLENDMODE_ADD2X = 4,
    BLENDMODE_REVSUBTRACT = 5,
    BLENDMODE_MULTIPLY = 6,
    BLENDMODE_SCREEN = 7,
    BLENDMODE_SOFTADD = 8,
    BLENDMODE_SUBTRACT = 9,
};

// One texture slot of a material.
struct GxMaterialTextureSlot
{
    std::u16string name;
    int32_t params[3] = {1, 0, 0};
    GxTexture* texture = nullptr;  // one reference of the texture factory
};

// The default material: kept for the shutdown, which gives back what it holds; nothing in the
// engine fills it.
struct GxMaterial
{
    static constexpr uint32_t kSlots = 8;

    std::u16string name;
    uint32_t textureCount = 0;
    GxMaterialTextureSlot slots[kSlots];
    std::u16string effectFile = u"default.fx";
    GxShaderEffect* effect = nullptr;  // one reference of the shader factory
    int32_t flags = 0;
    GxFColor ambient{0.5f, 0.5f, 0.5f, 1.0f};
    GxFColor diffuse{1.0f, 1.0f, 1.0f, 1.0f};
    GxFColor specular{0.0f, 0.0f, 0.0f, 1.0f};
    GxFColor emissive{0.0f, 0.0f, 0.0f, 1.0f};
    float power = 10.0f;
    float opacity = 1.0f;
    float extra[6] = {0.0f, 1.0f, 0.2f, 0.0f, 0.0f, 1.0f};
    int32_t index = 0;
    int32_t link = -1;
};

struct GxRenderStateData
{
    static constexpr uint32_t kStages = GX_TEXTURESTAGE_COUNT;
    static constexpr uint32_t kPointLights = 4;

    // The last preset given to each stage (0: none yet, which blends as the "other" presets).
    int32_t lastBlendMode[kStages] = {};
    // The filter last given to sampler 0, and two values kept beside it that nothing reads.
    uint32_t textureFilter = GXTEXF_NONE;
    int32_t filterQuality = 0;
    const GxMaterial* filterMaterial = nullptr;

    bool lighting = false;
    uint32_t pointLightCount = 0;
    GxLight directionalLight;                  // light 0
    GxLight pointLights[kPointLights];         // lights 1 to 4
    GxFColor ambient;
    GxFColor fogColor;
    GxFColor spareColor;                       // set at start-up, read by nothing

    // Applied to every vertex of the immediate draws; identity unless a caller changes it.
    GxMatrix drawMatrix;
};

GxRenderStateData& GxGetRenderStateData();
GxMaterial& GxGetDefaultMaterial();
// Gives the default material's effect back to the shader factory and the textures of its first
// textureCount slots to the texture factory (graphics shutdown).
void GxReleaseDefaultMaterial();

// 16-bit A4R4G4B4 from 32-bit A8R8G8B8: the top four bits of each channel.
constexpr uint16_t GxColorToA4R4G4B4(uint32_t argb)
{
    return static_cast<uint16_t>(((argb >> 16) & 0xF000) | ((argb >> 12) & 0x0F00) | ((argb >> 8) & 0x00F0) |
                                 ((argb >> 4) & 0x000F));
}
