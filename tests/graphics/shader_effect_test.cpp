// Shader effects over our own ".fx" declaration reader: the parameter list and its descriptions,
// the standard-parameter table, the technique list with its six annotations, failures (missing
// file, syntax error), the reference protocol and the factory.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "core/GxLog.h"
#include "core/GxString.h"
#include "graphics/GxD3DResource.h"
#include "graphics/GxResourceFactory.h"
#include "graphics/GxShaderEffect.h"
#include "graphics_test_support.h"
#include "platform/GxFxReader.h"

namespace {

class ShaderEffect : public ::testing::Test
{
protected:
    void SetUp() override { GxResetErrorCount(); }
    void TearDown() override { GxResetErrorCount(); }

    std::u16string Write(const std::string& file, const std::string& text)
    {
        std::ofstream(logs.dir / file, std::ios::binary) << text;
        return GxUtf8ToWide((logs.dir / file).string());
    }
    std::vector<std::u16string> Errors() { return gxtest::Lines(logs.Error()); }

    gxtest::LogFolder logs;
};

std::vector<std::u16string> Names(const std::vector<GxShaderParameter>& list)
{
    std::vector<std::u16string> out;
    for (const auto& p : list) out.push_back(p.name);
    return out;
}

const char* const kSmallEffect = R"(
// A small lit effect.
#define UNUSED_MACRO 1
float4x4 World : WORLD;
static float Hidden = 2.0f;          /* not a parameter */
float4x4 WorldViewProj : WORLDVIEWPROJECTION < string UIName = "wvp"; >;
row_major float4x3 Bone[26];
float3 CameraPos;
float Time = 0;
texture TextureDiffuse < string ResourceName = "a.png"; >;
sampler2D DiffuseSampler = sampler_state { Texture = <TextureDiffuse>; MinFilter = LINEAR; };
float4x4 World;                       // a second World: the first is the one bound
struct Light { float3 dir; float4 color; };
Light Lights[2];
int Mode, Count : COUNT;

struct VSOut { float4 pos : POSITION; float2 uv : TEXCOORD0; };
VSOut VS(float4 pos : POSITION, float2 uv : TEXCOORD0)
{
    VSOut o; o.pos = mul(pos, WorldViewProj); o.uv = uv; { } return o;
}
float4 PS(VSOut i) : COLOR0 { return tex2D(DiffuseSampler, i.uv) * (Time > 1 ? 1 : 0.5); }

technique Plain { pass P0 { VertexShader = compile vs_2_0 VS(); PixelShader = compile ps_2_0 PS(); } }
technique Lit < int UseLight = 1; bool UseUV = true; float UseBone = 3.7; int TecIndex = 2;
                string UseTexture = "yes"; int UseTangent = -4; >
{
    pass P0 < string Note = "first"; > { ZEnable = true; }
    pass P1 { CullMode = NONE; }
}
technique11 Skinned < int TecIndex = 5; int UseBone = 1; > { pass { } }
)";

TEST_F(ShaderEffect, ParameterListInDeclarationOrderWithDescriptions)
{
    GxShaderEffect effect;
    ASSERT_TRUE(effect.CreateFromFile(Write("small.fx", kSmallEffect), false));
    const auto& params = effect.GetParameterList();
    ASSERT_EQ(Names(params), (std::vector<std::u16string>{u"World", u"WorldViewProj", u"Bone", u"CameraPos", u"Time",
                                                          u"TextureDiffuse", u"DiffuseSampler", u"World", u"Lights",
                                                          u"Mode", u"Count"}));
    struct Want
    {
        const char16_t* semantic;
        uint32_t cls, type, rows, columns, elements, annotations, members, bytes;
    };
    const Want want[] = {
        {u"WORLD", GXFX_PC_MATRIX_COLUMNS, GXFX_PT_FLOAT, 4, 4, 0, 0, 0, 64},
        {u"WORLDVIEWPROJECTION", GXFX_PC_MATRIX_COLUMNS, GXFX_PT_FLOAT, 4, 4, 0, 1, 0, 64},
        {u"", GXFX_PC_MATRIX_ROWS, GXFX_PT_FLOAT, 4, 3, 26, 0, 0, 26 * 48},
        {u"", GXFX_PC_VECTOR, GXFX_PT_FLOAT, 1, 3, 0, 0, 0, 12},
        {u"", GXFX_PC_SCALAR, GXFX_PT_FLOAT, 1, 1, 0, 0, 0, 4},
        {u"", GXFX_PC_OBJECT, GXFX_PT_TEXTURE, 1, 1, 0, 1, 0, 4},
        {u"", GXFX_PC_OBJECT, GXFX_PT_SAMPLER2D, 1, 1, 0, 0, 0, 4},
        {u"", GXFX_PC_MATRIX_COLUMNS, GXFX_PT_FLOAT, 4, 4, 0, 0, 0, 64},
        {u"", GXFX_PC_STRUCT, GXFX_PT_VOID, 0, 0, 2, 0, 2, 2 * 28},
        {u"", GXFX_PC_SCALAR, GXFX_PT_INT, 1, 1, 0, 0, 0, 4},
        {u"COUNT", GXFX_PC_SCALAR, GXFX_PT_INT, 1, 1, 0, 0, 0, 4},
    };
    for (size_t i = 0; i < std::size(want); ++i) {
        SCOPED_TRACE(i);
        const GxShaderParameter& p = params[i];
        EXPECT_EQ(p.semantic, want[i].semantic);
        EXPECT_EQ(p.parameterClass, want[i].cls);
        EXPECT_EQ(p.type, want[i].type);
        EXPECT_EQ(p.rows, want[i].rows);
        EXPECT_EQ(p.columns, want[i].columns);
        EXPECT_EQ(p.elements, want[i].elements);
        EXPECT_EQ(p.annotations, want[i].annotations);
        EXPECT_EQ(p.structMembers, want[i].members);
        EXPECT_EQ(p.bytes, want[i].bytes);
        EXPECT_NE(p.handle, nullptr);
    }
    // Structure members are reached through their parameter.
    GxFxParameterDesc d;
    ASSERT_EQ(effect.GetEffect()->GetParameterDesc(effect.GetEffect()->GetParameter(params[8].handle, 1), &d), GX_OK);
    EXPECT_STREQ(d.name, "color");
    EXPECT_EQ(d.columns, 4u);
    EXPECT_EQ(effect.GetEffect()->GetParameter(params[8].handle, 2), nullptr);
}

TEST_F(ShaderEffect, StandardParametersBindTheFirstOfEachName)
{
    GxShaderEffect effect;
    ASSERT_TRUE(effect.CreateFromFile(Write("small.fx", kSmallEffect), false));
    for (int k = 0; k < GXSHADERPARAM_COUNT; ++k) {
        SCOPED_TRACE(k);
        int32_t want = -1;
        switch (k) {
        case GXSHADERPARAM_WORLD: want = 0; break;  // not 7, the second "World"
        case GXSHADERPARAM_WORLDVIEWPROJ: want = 1; break;
        case GXSHADERPARAM_BONE: want = 2; break;
        case GXSHADERPARAM_CAMERAPOS: want = 3; break;
        case GXSHADERPARAM_TIME: want = 4; break;
        case GXSHADERPARAM_TEXTUREDIFFUSE: want = 5; break;
        default: break;
        }
        EXPECT_EQ(effect.GetStandardParameterIndex(k), want);
    }
    EXPECT_EQ(effect.GetStandardParameter(GXSHADERPARAM_WORLD), effect.GetParameterList()[0].handle);
    EXPECT_EQ(effect.GetStandardParameter(GXSHADERPARAM_SKYCOLOR), nullptr);
    EXPECT_EQ(effect.GetStandardParameterIndex(GXSHADERPARAM_COUNT), -1);

    // Only "WorldViewProj", third: 2 at its place and -1 everywhere else; names are case-sensitive.
    GxShaderEffect only;
    ASSERT_TRUE(only.CreateFromFile(Write("only.fx", "float a; float4 world; float4x4 WorldViewProj;"), true));
    for (int k = 0; k < GXSHADERPARAM_COUNT; ++k)
        EXPECT_EQ(only.GetStandardParameterIndex(k), k == GXSHADERPARAM_WORLDVIEWPROJ ? 2 : -1) << k;
}

TEST_F(ShaderEffect, TechniquesWithTheirAnnotationsAndTheOneChosenByIndex)
{
    GxShaderEffect effect;
    ASSERT_TRUE(effect.CreateFromFile(Write("small.fx", kSmallEffect), false));
    const auto& techniques = effect.GetTechniqueList();
    ASSERT_EQ(techniques.size(), 3u);
    EXPECT_EQ(techniques[0].name, u"Plain");
    // No annotations: all six are 0.
    const GxShaderTechnique& plain = techniques[0];
    EXPECT_EQ(std::vector<int32_t>({plain.useLight, plain.useTangent, plain.useUV, plain.useBone, plain.useTexture,
                                    plain.tecIndex}),
              std::vector<int32_t>(6, 0));
    // Booleans read 1, floats truncate, a string annotation reads as absent.
    const GxShaderTechnique& lit = techniques[1];
    EXPECT_EQ(lit.name, u"Lit");
    EXPECT_EQ(std::vector<int32_t>({lit.useLight, lit.useTangent, lit.useUV, lit.useBone, lit.useTexture,
                                    lit.tecIndex}),
              std::vector<int32_t>({1, -4, 1, 3, 0, 2}));
    EXPECT_EQ(techniques[2].name, u"Skinned");
    EXPECT_EQ(techniques[2].tecIndex, 5);

    // What drawing code does: pick the technique whose TecIndex asks for it.
    const GxShaderTechnique* chosen = nullptr;
    for (const auto& t : techniques)
        if (t.tecIndex == 5 && t.useBone) chosen = &t;
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(chosen->name, u"Skinned");
    GxFxTechniqueDesc desc;
    ASSERT_EQ(effect.GetEffect()->GetTechniqueDesc(techniques[1].handle, &desc), GX_OK);
    EXPECT_EQ(desc.passes, 2u);
    EXPECT_EQ(desc.annotations, 6u);
}

TEST_F(ShaderEffect, RegisteredWithOneReferenceAndEmptiedAtTheLast)
{
    GxShaderEffect effect;
    const std::u16string name = Write("small.fx", kSmallEffect);
    ASSERT_TRUE(effect.CreateFromFile(name, false));
    EXPECT_EQ(effect.GetObjectType(), OBJTYPE_SHADEREFFECT);
    EXPECT_EQ(effect.GetName(), name);
    EXPECT_EQ(effect.GetRefCount(), 1u);
    EXPECT_EQ(effect.GetMemorySize(), 0u);
    EXPECT_TRUE(GxGetD3DResourceManage().IsRegistered(&effect));
    EXPECT_EQ(effect.GetEffect()->GetFlags(), 0u);

    // Device loss goes to the effect; the lists stay.
    GxGetD3DResourceManage().OnLostDevice();
    EXPECT_TRUE(effect.GetEffect()->IsLost());
    GxGetD3DResourceManage().OnResetDevice();
    EXPECT_FALSE(effect.GetEffect()->IsLost());
    EXPECT_EQ(effect.GetTechniqueList().size(), 3u);

    effect.AddRef();
    effect.Release();
    EXPECT_NE(effect.GetEffect(), nullptr);
    effect.Release();
    EXPECT_EQ(effect.GetEffect(), nullptr);
    EXPECT_TRUE(effect.GetName().empty());
    EXPECT_TRUE(effect.GetTechniqueList().empty());
    EXPECT_TRUE(effect.GetParameterList().empty());
    EXPECT_EQ(effect.GetStandardParameterIndex(GXSHADERPARAM_WORLD), -1);
    EXPECT_FALSE(GxGetD3DResourceManage().IsRegistered(&effect));

    // Made again with skip validation: the flag reaches the effect.
    ASSERT_TRUE(effect.CreateFromFile(name, true));
    EXPECT_EQ(effect.GetEffect()->GetFlags(), GXFX_SKIPVALIDATION);
}

TEST_F(ShaderEffect, MissingFileIsAFailureOfItsOwn)
{
    GxShaderEffect effect;
    const std::u16string name = GxUtf8ToWide((logs.dir / "none.fx").string());
    EXPECT_FALSE(effect.CreateFromFile(name, false));
    EXPECT_EQ(effect.GetEffect(), nullptr);
    EXPECT_EQ(effect.GetRefCount(), 0u);
    EXPECT_FALSE(GxGetD3DResourceManage().IsRegistered(&effect));
    EXPECT_EQ(Errors(), (std::vector<std::u16string>{u"Error/GxShaderEffect CreateFromFile Failed(Name:\"" + name +
                                                     u"\" 要求された項目が見つかりませんでした。)"}));
    // An empty file is an effect without declarations, not a failure.
    GxShaderEffect empty;
    EXPECT_TRUE(empty.CreateFromFile(Write("empty.fx", ""), false));
    EXPECT_TRUE(empty.GetTechniqueList().empty());
}

TEST_F(ShaderEffect, SyntaxErrorLogsTheLineAndTheReaderText)
{
    GxShaderEffect effect;
    const std::u16string name = Write("bad.fx", "float4x4 World;\nfloat Time\nfloat Other;\n");
    EXPECT_FALSE(effect.CreateFromFile(name, false));
    EXPECT_EQ(effect.GetEffect(), nullptr);
    EXPECT_FALSE(GxGetD3DResourceManage().IsRegistered(&effect));
    EXPECT_EQ(Errors(), (std::vector<std::u16string>{
                            u"Error/GxShaderEffect CreateFromFile Failed(Name:\"" + name + u"\" データが無効です。)",
                            u"(3,1): error: syntax error: unexpected token 'float'"}));
    EXPECT_EQ(GxGetErrorCount(), 2u);
}

TEST_F(ShaderEffect, FactoryMakesEffectsThroughCreateFromFile)
{
    GxShaderFactory factory;
    EXPECT_EQ(factory.GetShader(Write("small.fx", kSmallEffect), false), nullptr) << "no maker yet";
    GxInstallShaderEffectMaker(&factory);
    const std::u16string name = Write("small.fx", kSmallEffect);
    GxShaderEffect* a = factory.GetShader(name, false);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->GetTechniqueList().size(), 3u);
    std::u16string upper = name;
    for (auto& c : upper)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    // The same name in other letters is the same entry, whatever the flag.
    EXPECT_EQ(factory.GetShader(upper, true), a);
    EXPECT_EQ(a->GetRefCount(), 2u);
    EXPECT_EQ(factory.FindShader(name), a);
    EXPECT_EQ(factory.GetShader(GxUtf8ToWide((logs.dir / "none.fx").string()), false), nullptr);
    EXPECT_EQ(factory.GetCount(), 1);
    factory.ReleaseShader(a);
    factory.ReleaseShader(name);
    EXPECT_EQ(factory.GetCount(), 0);
    EXPECT_EQ(factory.FindShader(name), nullptr);
}

// ---- The reader ------------------------------------------------------------------------------------

TEST(FxReader, DeclarationsItSkipsAndKeeps)
{
    GxFxDeclarations d;
    std::string errors;
    const char* src = R"(
#include "common.fxh"
#if 0 \
   continued
#endif
typedef float4 color_t;
shared uniform const float Gamma : GAMMA = 2.2;
matrix<float, 3, 2> M;
vector<int, 2> V;
half4 H[2][3];
Texture2D<float4> T2;
static const float3 kTable[2] = { float3(1, 2, 3), float3(4, 5, 6) };
float F(float x);
void Main(in float4 p : POSITION, out float4 o : COLOR) { o = p; if (p.x < 0) { o = -p; } }
float A <
    float2 Range = {0.0, 1.0};
    string Help = "one" "two";
    int Hex = 0x10;
> = 0.5;
technique { pass { } }
)";
    ASSERT_TRUE(GxReadFxDeclarations(src, d, errors)) << errors;
    ASSERT_EQ(d.parameters.size(), 6u);
    EXPECT_EQ(d.parameters[0].name, "Gamma");
    EXPECT_EQ(d.parameters[0].semantic, "GAMMA");
    EXPECT_EQ(d.parameters[0].flags, GXFX_PARAMETER_SHARED);
    EXPECT_EQ(d.parameters[1].rows, 3u);
    EXPECT_EQ(d.parameters[1].columns, 2u);
    EXPECT_EQ(d.parameters[2].type, static_cast<uint32_t>(GXFX_PT_INT));
    EXPECT_EQ(d.parameters[2].columns, 2u);
    EXPECT_EQ(d.parameters[3].elements, 6u);
    EXPECT_EQ(d.parameters[3].bytes, 6u * 16u);
    EXPECT_EQ(d.parameters[4].type, static_cast<uint32_t>(GXFX_PT_TEXTURE2D));
    const GxFxParameter& a = d.parameters[5];
    ASSERT_EQ(a.annotations.size(), 3u);
    EXPECT_EQ(a.annotations[0].numbers, (std::vector<double>{0.0, 1.0}));
    EXPECT_EQ(a.annotations[1].text, "onetwo");
    EXPECT_EQ(a.annotations[2].numbers, (std::vector<double>{16.0}));
    ASSERT_EQ(d.techniques.size(), 1u);
    EXPECT_EQ(d.techniques[0].name, "");
    EXPECT_EQ(d.techniques[0].passes, 1u);
}

TEST(FxReader, SyntaxErrorsNameTheirPlace)
{
    struct Case
    {
        const char* source;
        const char* error;
    };
    const Case cases[] = {
        {"float a", "(1,8): error: syntax error: unexpected end of file\n"},
        {"float a\nfloat b;", "(2,1): error: syntax error: unexpected token 'float'\n"},
        {"Colour c;", "(1,1): error: unrecognized identifier 'Colour'\n"},
        {"float a; /* open", "(1,10): error: unterminated comment\n"},
        {"string s = \"open\n\";", "(1,12): error: newline in constant\n"},
        {"float f() { {", "(1,14): error: syntax error: unexpected end of file\n"},
        {"technique T { float x; }", "(1,15): error: syntax error: unexpected token 'float'\n"},
        {"float a[0];", "(1,9): error: invalid dimension '0'\n"},
        {"float a[2.5];", "(1,9): error: invalid dimension '2.5'\n"},
        {"float a < texture t = 1; >;", "(1,11): error: invalid annotation type\n"},
        {"float a < int i = ; >;", "(1,19): error: syntax error: unexpected token ';'\n"},
        {"void v;", "(1,6): error: 'v': void variable\n"},
        {"struct S { float a; }; struct S { int b; };", "(1,24): error: 'S': struct type redefinition\n"},
        {"float a = );", "(1,11): error: syntax error: unexpected token ')'\n"},
        {"float \x82\xa0;", "(1,7): error: invalid character in source\n"},
        {"float a < int i = {{{{{{{{{{{{{{{{{{1}}}}}}}}}}}}}}}}}}; >;", "(1,36): error: initializer nested too deeply\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        GxFxDeclarations d;
        std::string errors;
        EXPECT_FALSE(GxReadFxDeclarations(c.source, d, errors));
        EXPECT_EQ(errors, c.error);
    }
}

TEST(FxReader, HugeArraysAndNestedStructuresAreRefused)
{
    GxFxDeclarations d;
    std::string errors;
    EXPECT_FALSE(GxReadFxDeclarations("float a[65536][2];", d, errors));
    EXPECT_NE(errors.find("array too large"), std::string::npos) << errors;
    // Every level doubles the records: twenty levels would be a million.
    std::string src = "struct S0 { float a; float b; };\n";
    for (int i = 1; i <= 20; ++i)
        src += "struct S" + std::to_string(i) + " { S" + std::to_string(i - 1) + " a; S" + std::to_string(i - 1) +
               " b; };\n";
    d = GxFxDeclarations();
    EXPECT_FALSE(GxReadFxDeclarations(src, d, errors));
    EXPECT_NE(errors.find("effect too large"), std::string::npos) << errors;
}

TEST(FxReader, EffectQueriesRefuseForeignHandles)
{
    std::unique_ptr<GxFxEffect> effect;
    std::string errors;
    const std::string src = "float x < int UseLight = 7; >; technique t < int UseLight = 1; > { pass {} }";
    ASSERT_EQ(GxFxEffect::Create(src.data(), static_cast<uint32_t>(src.size()), 0, effect, errors), GX_OK);
    GxFxHandle t = effect->FindNextValidTechnique(nullptr);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(effect->FindNextValidTechnique(t), nullptr);
    int32_t v = 0;
    ASSERT_EQ(effect->GetInt(effect->GetAnnotationByName(t, "UseLight"), &v), GX_OK);
    EXPECT_EQ(v, 1);
    ASSERT_EQ(effect->GetInt(effect->GetAnnotationByName(effect->GetParameter(nullptr, 0), "UseLight"), &v), GX_OK);
    EXPECT_EQ(v, 7);
    EXPECT_EQ(effect->GetAnnotationByName(t, "uselight"), nullptr);
    int other = 0;
    GxFxTechniqueDesc desc;
    EXPECT_EQ(effect->GetTechniqueDesc(&other, &desc), GXERR_INVALIDCALL);
    EXPECT_EQ(effect->GetInt(&other, &v), GXERR_INVALIDCALL);
    EXPECT_EQ(effect->GetParameter(&other, 0), nullptr);
    // Source handed over with its terminating zero ends there.
    const char withZero[] = "float a;\0garbage(";
    ASSERT_EQ(GxFxEffect::Create(withZero, sizeof withZero, 0, effect, errors), GX_OK);
    GxFxEffectDesc ed;
    ASSERT_EQ(effect->GetDesc(&ed), GX_OK);
    EXPECT_EQ(ed.parameters, 1u);
}

}  // namespace
