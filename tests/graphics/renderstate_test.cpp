// Render-state helpers and blend presets on the recording device: what each preset sets, in
// which order, that the caches make repeats free, and the initial and default render state.
#include <gtest/gtest.h>

#include <cmath>

#include "graphics/GxRenderState.h"
#include "present_test_support.h"

namespace {

class RenderState : public gxtest::RecordingGraphics
{
protected:
    uint32_t RS(GxRenderStateType s)
    {
        uint32_t v = 0;
        Device()->GetRenderState(s, &v);
        return v;
    }
    uint32_t TSS(uint32_t stage, GxTextureStageStateType t)
    {
        uint32_t v = 0;
        Device()->GetTextureStageState(stage, t, &v);
        return v;
    }
    // Forgets every cached state, so that the next helper sends everything it sets.
    void ForgetCaches()
    {
        for (auto& e : GxGraphics::State().renderStates) e.valid = false;
        for (auto& stage : GxGraphics::State().textureStageStates)
            for (auto& e : stage) e.valid = false;
    }
    // The state calls recorded since the last clear, as (op, the call's first two or three words).
    struct StateCall
    {
        GxDeviceOp op;
        uint32_t a, b, c;
        bool operator==(const StateCall&) const = default;
    };
    std::vector<StateCall> StateCalls()
    {
        std::vector<StateCall> out;
        for (const auto& c : Recorder().calls) {
            if (c.op == GxDeviceOp::SetRenderState) out.push_back({c.op, c.args[0], c.args[1], 0});
            else if (c.op == GxDeviceOp::SetTextureStageState) out.push_back({c.op, c.args[0], c.args[1], c.args[2]});
        }
        return out;
    }
    static StateCall R(uint32_t state, uint32_t value) { return {GxDeviceOp::SetRenderState, state, value, 0}; }
    static StateCall T(uint32_t stage, uint32_t type, uint32_t value)
    {
        return {GxDeviceOp::SetTextureStageState, stage, type, value};
    }
};

}  // namespace

TEST_F(RenderState, EachPresetSetsItsRow)
{
    ASSERT_TRUE(Create());
    struct Row
    {
        int32_t preset;
        uint32_t blend, op, blendOp, src, dst;
    };
    const Row rows[] = {
        {1, 0, GXTOP_MODULATE, GXBLENDOP_ADD, GXBLEND_SRCALPHA, GXBLEND_INVSRCALPHA},
        {2, 1, GXTOP_MODULATE, GXBLENDOP_ADD, GXBLEND_SRCALPHA, GXBLEND_INVSRCALPHA},
        {3, 1, GXTOP_MODULATE, GXBLENDOP_ADD, GXBLEND_SRCALPHA, GXBLEND_ONE},
        {4, 1, GXTOP_MODULATE2X, GXBLENDOP_ADD, GXBLEND_SRCALPHA, GXBLEND_ONE},
        {5, 1, GXTOP_MODULATE, GXBLENDOP_REVSUBTRACT, GXBLEND_SRCALPHA, GXBLEND_ONE},
        {6, 1, GXTOP_MODULATE, GXBLENDOP_ADD, GXBLEND_ZERO, GXBLEND_SRCCOLOR},
        {7, 1, GXTOP_MODULATE, GXBLENDOP_ADD, GXBLEND_INVDESTCOLOR, GXBLEND_INVSRCCOLOR},
        {8, 1, GXTOP_MODULATE, GXBLENDOP_ADD, GXBLEND_INVDESTCOLOR, GXBLEND_ONE},
        {9, 1, GXTOP_MODULATE, GXBLENDOP_SUBTRACT, GXBLEND_ONE, GXBLEND_ONE},
        {12, 1, GXTOP_MODULATE, GXBLENDOP_ADD, GXBLEND_SRCALPHA, GXBLEND_INVSRCALPHA},
        {-3, 1, GXTOP_MODULATE, GXBLENDOP_ADD, GXBLEND_SRCALPHA, GXBLEND_INVSRCALPHA},
    };
    for (uint32_t stage : {0u, 3u}) {
        for (const Row& r : rows) {
            SCOPED_TRACE(r.preset);
            EXPECT_TRUE(GxGraphics::SetBlendMode(stage, r.preset));
            EXPECT_EQ(RS(GXRS_ALPHABLENDENABLE), r.blend);
            EXPECT_EQ(TSS(stage, GXTSS_COLORARG1), GXTA_TEXTURE);
            EXPECT_EQ(TSS(stage, GXTSS_COLOROP), r.op);
            EXPECT_EQ(TSS(stage, GXTSS_ALPHAOP), r.op);
            EXPECT_EQ(RS(GXRS_BLENDOP), r.blendOp);
            EXPECT_EQ(RS(GXRS_SRCBLEND), r.src);
            EXPECT_EQ(RS(GXRS_DESTBLEND), r.dst);
            EXPECT_EQ(GxGetRenderStateData().lastBlendMode[stage], r.preset);
        }
    }
    // The stage must exist.
    EXPECT_FALSE(GxGraphics::SetBlendMode(8, 2));
}

TEST_F(RenderState, PresetsSendInTheirOrderThroughTheCaches)
{
    ASSERT_TRUE(Create());
    ForgetCaches();
    Recorder().Clear();
    GxGraphics::SetBlendMode(1, 4);
    EXPECT_EQ(StateCalls(), (std::vector<StateCall>{
                                R(GXRS_ALPHABLENDENABLE, 1),
                                T(1, GXTSS_COLORARG1, GXTA_TEXTURE),
                                T(1, GXTSS_COLOROP, GXTOP_MODULATE2X),
                                T(1, GXTSS_ALPHAARG1, GXTA_TEXTURE),
                                T(1, GXTSS_ALPHAOP, GXTOP_MODULATE2X),
                                R(GXRS_BLENDOP, GXBLENDOP_ADD),
                                R(GXRS_SRCBLEND, GXBLEND_SRCALPHA),
                                R(GXRS_DESTBLEND, GXBLEND_ONE),
                            }));

    // Preset 3 twice: the second makes no device call at all.
    GxGraphics::SetBlendMode(0, 3);
    Recorder().Clear();
    EXPECT_TRUE(GxGraphics::SetBlendMode(0, 3));
    EXPECT_TRUE(Recorder().calls.empty());

    // Only what differs is sent: 3 -> 9 changes the blend operation and the source factor; the
    // destination factor stays ONE.
    GxGraphics::SetBlendMode(0, 9);
    EXPECT_EQ(StateCalls(), (std::vector<StateCall>{
                                R(GXRS_BLENDOP, GXBLENDOP_SUBTRACT),
                                R(GXRS_SRCBLEND, GXBLEND_ONE),
                            }));
}

TEST_F(RenderState, PresetNineAndOthersLeaveTheAlphaArgument)
{
    ASSERT_TRUE(Create());
    GxGraphics::SetBlendMode(0, 2);
    EXPECT_EQ(TSS(0, GXTSS_ALPHAARG1), GXTA_TEXTURE);
    GxGraphics::SetTextureStageState(0, GXTSS_ALPHAARG1, GXTA_DIFFUSE);
    GxGraphics::SetBlendMode(0, 9);
    EXPECT_EQ(TSS(0, GXTSS_ALPHAARG1), GXTA_DIFFUSE);
    GxGraphics::SetBlendMode(0, 12);
    EXPECT_EQ(TSS(0, GXTSS_ALPHAARG1), GXTA_DIFFUSE);
    EXPECT_EQ(GxGetRenderStateData().lastBlendMode[0], 12);
    GxGraphics::SetBlendMode(0, 6);
    EXPECT_EQ(TSS(0, GXTSS_ALPHAARG1), GXTA_TEXTURE);
}

TEST_F(RenderState, PresetZeroRepeatsTheStagesLast)
{
    ASSERT_TRUE(Create());
    // After the initial state every stage's last preset is the normal alpha blend.
    for (int32_t last : GxGetRenderStateData().lastBlendMode) EXPECT_EQ(last, 2);
    GxGraphics::SetBlendMode(2, 6);
    GxGraphics::SetBlendMode(2, 1);
    GxGraphics::SetBlendMode(2, 0);
    EXPECT_EQ(RS(GXRS_ALPHABLENDENABLE), 0u);  // preset 1 again
    EXPECT_EQ(GxGetRenderStateData().lastBlendMode[2], 1);
    GxGraphics::SetBlendMode(5, 0);  // stage 5 still holds 2
    EXPECT_EQ(RS(GXRS_ALPHABLENDENABLE), 1u);
    EXPECT_EQ(RS(GXRS_DESTBLEND), static_cast<uint32_t>(GXBLEND_INVSRCALPHA));

    // With nothing remembered, 0 blends as the "other" row and sends no alpha argument.
    GxGetRenderStateData().lastBlendMode[4] = 0;
    GxGraphics::SetBlendMode(4, 3);
    GxGraphics::SetTextureStageState(4, GXTSS_ALPHAARG1, GXTA_SPECULAR);
    GxGetRenderStateData().lastBlendMode[4] = 0;
    GxGraphics::SetBlendMode(4, 0);
    EXPECT_EQ(RS(GXRS_DESTBLEND), static_cast<uint32_t>(GXBLEND_INVSRCALPHA));
    EXPECT_EQ(TSS(4, GXTSS_ALPHAARG1), GXTA_SPECULAR);
    EXPECT_EQ(GxGetRenderStateData().lastBlendMode[4], 0);
}

TEST_F(RenderState, InitialStateAfterDeviceCreation)
{
    ASSERT_TRUE(Create());
    // Separate alpha blending by MAX: the destination keeps the larger alpha.
    EXPECT_EQ(RS(GXRS_ALPHABLENDENABLE), 1u);
    EXPECT_EQ(RS(GXRS_BLENDOP), static_cast<uint32_t>(GXBLENDOP_ADD));
    EXPECT_EQ(RS(GXRS_SEPARATEALPHABLENDENABLE), 1u);
    EXPECT_EQ(RS(GXRS_BLENDOPALPHA), static_cast<uint32_t>(GXBLENDOP_MAX));
    EXPECT_EQ(RS(GXRS_COLORVERTEX), 1u);
    EXPECT_EQ(RS(GXRS_DIFFUSEMATERIALSOURCE), static_cast<uint32_t>(GXMCS_COLOR1));
    EXPECT_EQ(RS(GXRS_SPECULARMATERIALSOURCE), static_cast<uint32_t>(GXMCS_MATERIAL));
    EXPECT_EQ(RS(GXRS_AMBIENTMATERIALSOURCE), static_cast<uint32_t>(GXMCS_MATERIAL));
    EXPECT_EQ(RS(GXRS_EMISSIVEMATERIALSOURCE), static_cast<uint32_t>(GXMCS_MATERIAL));
    // The default switches.
    EXPECT_EQ(RS(GXRS_ZENABLE), 0u);
    EXPECT_EQ(RS(GXRS_ZWRITEENABLE), 0u);
    EXPECT_EQ(RS(GXRS_ALPHATESTENABLE), 0u);
    EXPECT_EQ(RS(GXRS_MULTISAMPLEANTIALIAS), 1u);
    EXPECT_EQ(RS(GXRS_SPECULARENABLE), 1u);
    EXPECT_EQ(RS(GXRS_CULLMODE), static_cast<uint32_t>(GXCULL_NONE));
    EXPECT_EQ(RS(GXRS_FILLMODE), static_cast<uint32_t>(GXFILL_SOLID));
    EXPECT_EQ(RS(GXRS_LIGHTING), 0u);
    // Every stage: texture x diffuse in colour and alpha.
    for (uint32_t s = 0; s < 8; ++s) {
        EXPECT_EQ(TSS(s, GXTSS_COLOROP), static_cast<uint32_t>(GXTOP_MODULATE));
        EXPECT_EQ(TSS(s, GXTSS_ALPHAOP), static_cast<uint32_t>(GXTOP_MODULATE));
        EXPECT_EQ(TSS(s, GXTSS_ALPHAARG1), GXTA_TEXTURE);
        EXPECT_EQ(TSS(s, GXTSS_ALPHAARG2), GXTA_DIFFUSE);
    }
    uint32_t filter = 0;
    Device()->GetSamplerState(0, GXSAMP_MAGFILTER, &filter);
    EXPECT_EQ(filter, static_cast<uint32_t>(GXTEXF_POINT));
    EXPECT_EQ(GxGetRenderStateData().textureFilter, static_cast<uint32_t>(GXTEXF_POINT));
    // Ambient 0.3 packs to 76 per channel; fog off with a white colour.
    EXPECT_EQ(RS(GXRS_AMBIENT), 0x4C4C4C4Cu);
    EXPECT_EQ(RS(GXRS_FOGENABLE), 0u);
    EXPECT_EQ(RS(GXRS_FOGCOLOR), 0xFFFFFFFFu);
    EXPECT_EQ(DeviceViewport(), (GxViewport{0, 0, 1024, 768, 0.0f, 1.0f}));
    // Light 0 points along (0, -1, 1) normalised; the point lights reach 30 pixels.
    const GxRenderStateData& d = GxGetRenderStateData();
    EXPECT_EQ(d.directionalLight.Type, GXLIGHT_DIRECTIONAL);
    EXPECT_FLOAT_EQ(d.directionalLight.Direction.y, -std::sqrt(0.5f));
    EXPECT_FLOAT_EQ(d.directionalLight.Direction.z, std::sqrt(0.5f));
    EXPECT_EQ(d.pointLightCount, 0u);
    for (const GxLight& l : d.pointLights) {
        EXPECT_EQ(l.Type, GXLIGHT_POINT);
        EXPECT_EQ(l.Range, 30.0f);
        EXPECT_FLOAT_EQ(l.Attenuation1, 1.0f / 30.0f);
        EXPECT_EQ(l.Diffuse, (GxColorValue{1, 1, 1, 1}));
    }
}

TEST_F(RenderState, TheSeparateAlphaMaxSurvivesAReset)
{
    ASSERT_TRUE(Create());
    ASSERT_TRUE(GxGraphics::Reset(true, SCRMODE_WINDOW, SCRMODE_WINDOW));
    EXPECT_EQ(RS(GXRS_SEPARATEALPHABLENDENABLE), 1u);
    EXPECT_EQ(RS(GXRS_BLENDOPALPHA), static_cast<uint32_t>(GXBLENDOP_MAX));
    EXPECT_EQ(TSS(0, GXTSS_ALPHAARG2), GXTA_DIFFUSE);
}

TEST_F(RenderState, DefaultRenderStateUnbindsTexturesAndStreams)
{
    ASSERT_TRUE(Create());
    GxGraphics::SetZEnable(true);
    GxGraphics::SetAlphaTest(true, 0x40);
    GxGraphics::SetCullMode(GXCULL_CCW);
    GxGraphics::SetLightEnable(true);
    Recorder().Clear();
    GxGraphics::SetDefaultRenderState();
    EXPECT_EQ(RS(GXRS_ZENABLE), 0u);
    EXPECT_EQ(RS(GXRS_ALPHATESTENABLE), 0u);
    EXPECT_EQ(RS(GXRS_CULLMODE), static_cast<uint32_t>(GXCULL_NONE));
    EXPECT_EQ(RS(GXRS_LIGHTING), 0u);
    EXPECT_FALSE(GxGetRenderStateData().lighting);
    EXPECT_EQ(Count(GxDeviceOp::SetTexture), 8u);
    EXPECT_EQ(Count(GxDeviceOp::SetStreamSource), 4u);
    for (const auto& c : Recorder().calls) {
        if (c.op == GxDeviceOp::SetTexture) {
            EXPECT_EQ(c.object, nullptr);
        }
        if (c.op == GxDeviceOp::SetStreamSource) {
            EXPECT_EQ(c.args[2], 0u);
        }
    }
    // Turning the alpha test off sends only its switch; the reference is not sent.
    EXPECT_EQ(RS(GXRS_ALPHAREF), 0x40u);
    Recorder().Clear();
    GxGraphics::SetDefaultRenderState();
    EXPECT_EQ(Count(GxDeviceOp::SetRenderState), 0u);
}

TEST_F(RenderState, AlphaTestFilterAndColours)
{
    ASSERT_TRUE(Create());
    Recorder().Clear();
    GxGraphics::SetAlphaTest(true, 0x80);
    EXPECT_EQ(StateCalls(), (std::vector<StateCall>{R(GXRS_ALPHATESTENABLE, 1), R(GXRS_ALPHAREF, 0x80),
                                                    R(GXRS_ALPHAFUNC, GXCMP_GREATEREQUAL)}));
    // The filter is not cached: every call reaches the sampler.
    Recorder().Clear();
    GxGraphics::SetTextureFilter(GXTEXF_LINEAR);
    GxGraphics::SetTextureFilter(GXTEXF_LINEAR);
    EXPECT_EQ(Count(GxDeviceOp::SetSamplerState), 4u);
    uint32_t v = 0;
    Device()->GetSamplerState(0, GXSAMP_MINFILTER, &v);
    EXPECT_EQ(v, static_cast<uint32_t>(GXTEXF_LINEAR));

    GxGraphics::SetFogColor(GxFColor(1.0f, 0.5f, 0.0f, 1.0f));
    EXPECT_EQ(RS(GXRS_FOGCOLOR), 0xFFFF7F00u);
    EXPECT_EQ(GxGetRenderStateData().fogColor, GxFColor(1.0f, 0.5f, 0.0f, 1.0f));
    EXPECT_EQ(GxColorToA4R4G4B4(0x80FF4020u), 0x8F42u);
}

TEST_F(RenderState, LightsAreSetAndEnabledAsAsked)
{
    ASSERT_TRUE(Create());
    Recorder().Clear();
    GxGraphics::SetPointLightCount(6);
    std::vector<uint32_t> enabled;
    for (const auto& c : Recorder().calls)
        if (c.op == GxDeviceOp::LightEnable) {
            EXPECT_EQ(c.args[1], 1u);
            enabled.push_back(c.args[0]);
        }
    EXPECT_EQ(enabled, (std::vector<uint32_t>{1, 2, 3, 4}));
    EXPECT_EQ(GxGetRenderStateData().pointLightCount, 6u);

    Recorder().Clear();
    EXPECT_TRUE(GxGraphics::SetPointLight(2, GxFColor(1, 0, 0, 1), GxVector3(1, 2, 3), 8.0f));
    ASSERT_EQ(Count(GxDeviceOp::SetLight), 1u);
    EXPECT_EQ(Recorder().calls[0].args[0], 3u);  // point light 2 is device light 3
    EXPECT_EQ(Recorder().calls[0].args[1], static_cast<uint32_t>(GXLIGHT_POINT));
    EXPECT_EQ(Recorder().calls[0].f[1], 0.125f);
    EXPECT_EQ(GxGetRenderStateData().pointLights[2].Position, (GxVector3f{1, 2, 3}));
    EXPECT_FALSE(GxGraphics::SetPointLight(4, GxFColor(1, 0, 0, 1), GxVector3(), 1.0f));

    Recorder().Clear();
    GxGraphics::SetDirectionalLight(GxVector3(3, 0, 4), GxFColor(1, 1, 1, 1));
    ASSERT_EQ(Recorder().calls.size(), 2u);
    EXPECT_EQ(Recorder().calls[0].op, GxDeviceOp::LightEnable);
    EXPECT_EQ(Recorder().calls[1].op, GxDeviceOp::SetLight);
    EXPECT_EQ(GxGetRenderStateData().directionalLight.Direction, (GxVector3f{0.6f, 0.0f, 0.8f}));
}
