#include "graphics/GxShaderEffect.h"

#include <algorithm>

#include "core/GxBinBuffer.h"
#include "core/GxFile.h"
#include "core/GxLog.h"
#include "core/GxString.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxResourceFactory.h"

const char16_t g_GxShaderStandardParameterNames[GXSHADERPARAM_COUNT][GX_SHADER_STANDARD_NAME_LENGTH] = {
    u"World",
    u"InvWorld",
    u"ViewProj",
    u"WorldViewProj",
    u"Bone",
    u"CameraPos",
    u"CameraDir",
    u"LocalCenter",
    u"GroundToSkyDir",
    u"Time",
    u"Velocity",
    u"Frequency",
    u"Amplitude",
    u"MaterialAmbient",
    u"MaterialDiffuse",
    u"MaterialEmissive",
    u"MaterialSpecular",
    u"MaterialSpecularPower",
    u"OffsetUV",
    u"MaterialFalloff",
    u"MaterialFalloffPower",
    u"ToonOffsetV",
    u"ToonEdgeColor",
    u"ToonEdgeWidth",
    u"ToonShadeShift",
    u"SphericalNormalLerp",
    u"BumpBiasZ",
    u"TextureDiffuse",
    u"TextureToon",
    u"TextureNormal",
    u"SkyColor",
    u"GroundColor",
    u"DirLightDir",
    u"DirLightColor",
};

namespace {
// The technique annotations, in the order of the record's fields.
constexpr const char* kTechniqueAnnotations[] = {"UseLight", "UseTangent", "UseUV", "UseBone", "UseTexture",
                                                 "TecIndex"};
// Standard names compare case-sensitively over at most this many characters.
constexpr size_t kStandardCompareLength = 64;

bool SameStandardName(const std::u16string& name, const char16_t* standard)
{
    const std::u16string_view a = std::u16string_view(name).substr(0, kStandardCompareLength);
    const std::u16string_view b = std::u16string_view(standard).substr(0, kStandardCompareLength);
    return a == b;
}
}  // namespace

GxShaderEffect::GxShaderEffect() { std::fill(std::begin(m_StandardParameters), std::end(m_StandardParameters), -1); }

GxShaderEffect::~GxShaderEffect() { ReleaseAll(); }

void GxShaderEffect::ResetFields()
{
    m_Effect.reset();
    m_Name.clear();
    m_Techniques.clear();
    m_Parameters.clear();
    std::fill(std::begin(m_StandardParameters), std::end(m_StandardParameters), -1);
    m_ObjectType = OBJTYPE_NONE;
}

void GxShaderEffect::Release()
{
    if (m_RefCount == 0) return;
    if (--m_RefCount != 0) return;
    ResetFields();
    GxGetD3DResourceManage().Unregister(this);
}

void GxShaderEffect::OnLostDevice()
{
    if (m_Effect) m_Effect->OnLostDevice();
}

void GxShaderEffect::OnResetDevice()
{
    if (m_Effect) m_Effect->OnResetDevice();
}

bool GxShaderEffect::CreateFromFile(std::u16string_view name, bool skipValidation)
{
    ReleaseAll();
    const uint32_t flags = skipValidation ? GXFX_SKIPVALIDATION : 0;
    GxBinBuffer data;
    // A missing file is a failure of its own, not an empty effect.
    if (!GxFileLoadToBinBuffer(data, name, true, true)) {
        GxPrintErrorLog(u"Error/GxShaderEffect CreateFromFile Failed(Name:\"%s\" %s)\n", name,
                        GxGraphics::GetD3DErrorString(GXERR_NOTFOUND));
        return false;
    }
    std::string errors;
    std::unique_ptr<GxFxEffect> effect;
    const GxResult r = GxFxEffect::Create(data.GetBuffer(), data.GetSize(), flags, effect, errors);
    if (GxFailed(r) || !effect) {
        GxPrintErrorLog(u"Error/GxShaderEffect CreateFromFile Failed(Name:\"%s\" %s)\n", name,
                        GxGraphics::GetD3DErrorString(GxFailed(r) ? r : GXERR_FAIL));
        if (!errors.empty()) GxWriteErrorLogBinary(errors.data(), static_cast<uint32_t>(errors.size()));
        return false;
    }
    m_Effect = std::move(effect);
    CreateTechniqueList();
    CreateParameterList();
    BindStandardParameters();
    m_ObjectType = OBJTYPE_SHADEREFFECT;
    m_Name = std::u16string(name);
    GxGetD3DResourceManage().Register(this);
    AddRef();
    return true;
}

void GxShaderEffect::CreateTechniqueList()
{
    m_Techniques.clear();
    if (!m_Effect) return;
    for (GxFxHandle h = m_Effect->FindNextValidTechnique(nullptr); h; h = m_Effect->FindNextValidTechnique(h)) {
        GxFxTechniqueDesc desc;
        const GxResult r = m_Effect->GetTechniqueDesc(h, &desc);
        if (GxFailed(r)) {
            GxPrintErrorLogA("CreateTechniqueList/GetTechniqueDesc failed %x\n", r);
            continue;
        }
        GxShaderTechnique t;
        t.name = GxAnsiToWide(desc.name ? desc.name : "");
        t.handle = h;
        int32_t* fields[] = {&t.useLight, &t.useTangent, &t.useUV, &t.useBone, &t.useTexture, &t.tecIndex};
        for (size_t k = 0; k < std::size(kTechniqueAnnotations); ++k)
            if (GxFxHandle a = m_Effect->GetAnnotationByName(h, kTechniqueAnnotations[k])) m_Effect->GetInt(a, fields[k]);
        m_Techniques.push_back(std::move(t));
    }
}

void GxShaderEffect::CreateParameterList()
{
    m_Parameters.clear();
    if (!m_Effect) return;
    GxFxEffectDesc desc;
    if (GxFailed(m_Effect->GetDesc(&desc))) return;
    for (uint32_t i = 0; i < desc.parameters; ++i) {
        GxFxHandle h = m_Effect->GetParameter(nullptr, i);
        if (!h) continue;
        GxFxParameterDesc d;
        if (GxFailed(m_Effect->GetParameterDesc(h, &d))) continue;
        GxShaderParameter p;
        p.name = GxAnsiToWide(d.name ? d.name : "");
        p.semantic = GxAnsiToWide(d.semantic ? d.semantic : "");
        p.handle = h;
        p.parameterClass = d.parameterClass;
        p.type = d.type;
        p.rows = d.rows;
        p.columns = d.columns;
        p.elements = d.elements;
        p.annotations = d.annotations;
        p.structMembers = d.structMembers;
        p.flags = d.flags;
        p.bytes = d.bytes;
        m_Parameters.push_back(std::move(p));
    }
}

void GxShaderEffect::BindStandardParameters()
{
    for (int32_t k = 0; k < GXSHADERPARAM_COUNT; ++k) {
        m_StandardParameters[k] = -1;
        for (size_t i = 0; i < m_Parameters.size(); ++i)
            if (SameStandardName(m_Parameters[i].name, g_GxShaderStandardParameterNames[k])) {
                m_StandardParameters[k] = static_cast<int32_t>(i);
                break;
            }
    }
}

void GxInstallShaderEffectMaker(GxShaderFactory* factory)
{
    if (!factory) factory = &GxGetShaderFactory();
    factory->SetMaker([](std::u16string_view name, bool skipValidation) -> GxShaderEffectRef {
        auto* effect = new GxShaderEffect();
        if (!effect->CreateFromFile(name, skipValidation)) {
            delete effect;
            return GxShaderEffectRef{};
        }
        return GxShaderEffectRef{effect, effect};
    });
}
