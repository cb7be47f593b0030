// GxShaderEffect: an effect file (".fx") with three lookup lists that drawing code uses without
// string searches at draw time: the valid techniques with their feature annotations, every
// effect parameter with its description, and the positions of 34 standard parameters in the
// parameter list.
//
// The effect's declarations are read by our own reader (platform/GxFxReader.h); the shader code
// itself is not compiled, and no drawing of the engine uses an effect. Main thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/GxD3DResource.h"
#include "platform/GxFxReader.h"

class GxShaderFactory;

// One valid technique and its feature annotations (0 when absent).
struct GxShaderTechnique
{
    std::u16string name;
    GxFxHandle handle = nullptr;
    int32_t useLight = 0;
    int32_t useTangent = 0;
    int32_t useUV = 0;
    int32_t useBone = 0;
    int32_t useTexture = 0;
    int32_t tecIndex = 0;
};

// One effect parameter, in index order.
struct GxShaderParameter
{
    std::u16string name;
    std::u16string semantic;  // empty when none
    GxFxHandle handle = nullptr;
    uint32_t parameterClass = 0;
    uint32_t type = 0;
    uint32_t rows = 0;
    uint32_t columns = 0;
    uint32_t elements = 0;
    uint32_t annotations = 0;
    uint32_t structMembers = 0;
    uint32_t flags = 0;
    uint32_t bytes = 0;
};

// The standard parameters, in table order.
enum GxShaderStandardParameter : int32_t {
    GXSHADERPARAM_WORLD = 0,
    GXSHADERPARAM_INVWORLD,
    GXSHADERPARAM_VIEWPROJ,
    GXSHADERPARAM_WORLDVIEWPROJ,
    GXSHADERPARAM_BONE,
    GXSHADERPARAM_CAMERAPOS,
    GXSHADERPARAM_CAMERADIR,
    GXSHADERPARAM_LOCALCENTER,
    GXSHADERPARAM_GROUNDTOSKYDIR,
    GXSHADERPARAM_TIME,
    GXSHADERPARAM_VELOCITY,
    GXSHADERPARAM_FREQUENCY,
    GXSHADERPARAM_AMPLITUDE,
    GXSHADERPARAM_MATERIALAMBIENT,
    GXSHADERPARAM_MATERIALDIFFUSE,
    GXSHADERPARAM_MATERIALEMISSIVE,
    GXSHADERPARAM_MATERIALSPECULAR,
    GXSHADERPARAM_MATERIALSPECULARPOWER,
    GXSHADERPARAM_OFFSETUV,
    GXSHADERPARAM_MATERIALFALLOFF,
    GXSHADERPARAM_MATERIALFALLOFFPOWER,
    GXSHADERPARAM_TOONOFFSETV,
    GXSHADERPARAM_TOONEDGECOLOR,
    GXSHADERPARAM_TOONEDGEWIDTH,
    GXSHADERPARAM_TOONSHADESHIFT,
    GXSHADERPARAM_SPHERICALNORMALLERP,
    GXSHADERPARAM_BUMPBIASZ,
    GXSHADERPARAM_TEXTUREDIFFUSE,
    GXSHADERPARAM_TEXTURETOON,
    GXSHADERPARAM_TEXTURENORMAL,
    GXSHADERPARAM_SKYCOLOR,
    GXSHADERPARAM_GROUNDCOLOR,
    GXSHADERPARAM_DIRLIGHTDIR,
    GXSHADERPARAM_DIRLIGHTCOLOR,
    GXSHADERPARAM_COUNT,
};

constexpr int GX_SHADER_STANDARD_NAME_LENGTH = 32;
extern const char16_t g_GxShaderStandardParameterNames[GXSHADERPARAM_COUNT][GX_SHADER_STANDARD_NAME_LENGTH];

class GxShaderEffect : public GxD3DResourceBase
{
public:
    GxShaderEffect();
    ~GxShaderEffect() override;

    // Reads the whole file through the file layer (with the file cache) and makes the effect and
    // its lists; registers and takes the first reference. A missing file or a syntax error logs
    // one line (and, for a syntax error, the reader's text in "error.log") and leaves the object
    // empty.
    bool CreateFromFile(std::u16string_view name, bool skipValidation);

    // Each first empties its list. CreateFromFile runs them in this order.
    void CreateTechniqueList();
    void CreateParameterList();
    void BindStandardParameters();

    // At the last reference: drops the effect, the name and the lists, and unregisters.
    void Release() override;
    void OnLostDevice() override;
    void OnResetDevice() override;
    uint32_t GetMemorySize() override { return 0; }

    GxFxEffect* GetEffect() const { return m_Effect.get(); }
    const std::vector<GxShaderTechnique>& GetTechniqueList() const { return m_Techniques; }
    const std::vector<GxShaderParameter>& GetParameterList() const { return m_Parameters; }
    // The parameter-list index of standard parameter k, -1 when absent or k is outside the table.
    int32_t GetStandardParameterIndex(int32_t k) const
    {
        return k >= 0 && k < GXSHADERPARAM_COUNT ? m_StandardParameters[k] : -1;
    }
    // The standard parameter's handle; none when absent.
    GxFxHandle GetStandardParameter(int32_t k) const
    {
        const int32_t i = GetStandardParameterIndex(k);
        return i >= 0 ? m_Parameters[static_cast<size_t>(i)].handle : nullptr;
    }

private:
    void ResetFields();

    std::unique_ptr<GxFxEffect> m_Effect;
    std::vector<GxShaderTechnique> m_Techniques;
    std::vector<GxShaderParameter> m_Parameters;
    int32_t m_StandardParameters[GXSHADERPARAM_COUNT];
};

// Makes the factory create GxShaderEffect objects through CreateFromFile (the engine's shader
// factory unless another is given). Graphics start-up calls it once.
void GxInstallShaderEffectMaker(GxShaderFactory* factory = nullptr);
