// Key search and track evaluation: loop modes, times past the end and before the start, the
// defaults of mode 0, equal key times and the curves with their single-precision rules.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "layer/GxNcEvaluate.h"
#include "layer/GxNcSnapshot.h"

namespace {

GxNcFloatKey FKey(int32_t time, float value, uint32_t mode = NCINTER_LINEAR, float p = 0.0f)
{
    GxNcFloatKey k;
    k.m_Time = time;
    k.m_Value = value;
    k.m_InterMode = mode;
    k.m_InterParam0 = p;
    return k;
}

GxNcLoopParam Loop(uint32_t mode, int32_t length = 100, int32_t lastTime = 0)
{
    GxNcLoopParam l;
    l.m_LoopMode = mode;
    l.m_LoopLength = length;
    l.m_LastTime = lastTime;
    return l;
}

float EvalFloat(const GxNcKeyTrack<GxNcFloatKey>& track, int32_t t, const GxNcLoopParam& loop, int32_t* index = nullptr)
{
    GxNcFloatKey out;
    const int32_t i = GxNcEvaluateTrack(track, t, loop, &out, GxNcDefaultAlphaKey());
    if (index) *index = i;
    return out.m_Value;
}

TEST(NcKeySearch, FindsLastKeyAtOrBeforeTime)
{
    std::vector<GxNcFloatKey> keys = {FKey(0, 0), FKey(10, 0), FKey(20, 0), FKey(30, 0), FKey(40, 0)};
    const int32_t n = static_cast<int32_t>(keys.size());
    struct Case
    {
        int32_t t;
        int32_t want;
    } cases[] = {{-5, 0}, {0, 0}, {5, 0}, {10, 1}, {19, 1}, {20, 2}, {29, 2}, {30, 3}, {39, 3}, {40, 4}, {1000, 4}};
    for (const auto& c : cases) EXPECT_EQ(GxNcFindKeyIndexAtTime(keys.data(), n, c.t), c.want) << c.t;
    // Every search on a single key gives it.
    EXPECT_EQ(GxNcFindKeyIndexAtTime(keys.data(), 1, -3), 0);
    EXPECT_EQ(GxNcFindKeyIndexAtTime(keys.data(), 1, 3), 0);
}

TEST(NcKeySearch, EqualTimesGiveAKeyAtThatTime)
{
    std::vector<GxNcFloatKey> keys = {FKey(0, 0), FKey(10, 1), FKey(10, 2), FKey(20, 3)};
    const int32_t i = GxNcFindKeyIndexAtTime(keys.data(), 4, 10);
    ASSERT_GE(i, 0);
    EXPECT_EQ(keys[static_cast<size_t>(i)].m_Time, 10);
    EXPECT_EQ(keys[static_cast<size_t>(GxNcFindKeyIndexAtTime(keys.data(), 4, 15))].m_Time, 10);
}

TEST(NcEvaluate, LoopOverMotionLength)
{
    // Keys at 0 (0) and 50 (10), both linear, looped over 100.
    GxNcKeyTrack<GxNcFloatKey> track = {FKey(0, 0.0f), FKey(50, 10.0f)};
    const auto loop = Loop(1, 100);
    EXPECT_FLOAT_EQ(EvalFloat(track, 25, loop), 5.0f);
    EXPECT_FLOAT_EQ(EvalFloat(track, 75, loop), 5.0f);   // from 10 at 50 back to 0 at 100
    EXPECT_FLOAT_EQ(EvalFloat(track, 130, loop), 6.0f);  // 130 wraps to 30
    EXPECT_FLOAT_EQ(EvalFloat(track, 50, loop), 10.0f);
    EXPECT_FLOAT_EQ(EvalFloat(track, 100, loop), 0.0f);
    // A negative time keeps its sign after the wrap: -25 lies before the first key and
    // interpolates from the last key shifted back by a loop (at -50).
    EXPECT_FLOAT_EQ(EvalFloat(track, -25, loop), 5.0f);
}

TEST(NcEvaluate, LoopBeforeFirstKeyWrapsFromLastKey)
{
    // Keys at 20 (0) and 60 (8): t = 10 lies between the last key shifted back (-40) and 20.
    GxNcKeyTrack<GxNcFloatKey> track = {FKey(20, 0.0f), FKey(60, 8.0f)};
    int32_t index = 0;
    EXPECT_FLOAT_EQ(EvalFloat(track, 10, Loop(1, 100), &index), 8.0f + (0.0f - 8.0f) * (50.0f / 60.0f));
    EXPECT_EQ(index, 1);
}

TEST(NcEvaluate, ModeZeroDefaultsAndPastTheEnd)
{
    GxNcKeyTrack<GxNcFloatKey> track = {FKey(10, 3.0f), FKey(20, 7.0f)};
    int32_t index = 0;
    EXPECT_FLOAT_EQ(EvalFloat(track, 5, Loop(0), &index), 1.0f);  // the alpha default
    EXPECT_EQ(index, -1);
    EXPECT_FLOAT_EQ(EvalFloat(track, 500, Loop(0), &index), 7.0f);
    EXPECT_EQ(index, 1);

    // Before the first key every track kind gives its default.
    GxNcLayer layer;
    GxNcVector4Key v;
    v.m_Time = 10;
    v.m_Value = GxVector4(5, 5, 5, 5);
    layer.m_PositionTrack = {v};
    layer.m_ScaleTrack = {v};
    layer.m_RotationTrack = {v};
    layer.m_CenterTrack = {v};
    GxNcVector2Key s2;
    s2.m_Time = 10;
    s2.m_Value = GxVector2(3, 3);
    layer.m_Scale2DTrack = {s2};
    layer.m_AlphaTrack = {FKey(10, 0.25f)};
    GxNcUIntKey vis;
    vis.m_Time = 10;
    vis.m_Value = 0;
    layer.m_VisibleTrack = {vis};
    GxNcImageKey img;
    img.m_Time = 10;
    img.m_ImageSetName = u"a.gis";
    layer.m_ImageTrack = {img};
    GxNcLayerSnapShotEx s;
    GxNcEvaluateLayerTracks(s, &layer, 5, 100, 0);
    EXPECT_EQ(s.m_Position.m_Value, GxVector4());
    EXPECT_EQ(s.m_Scale.m_Value, GxVector4());
    EXPECT_EQ(s.m_Rotation.m_Value, GxVector4());
    EXPECT_EQ(s.m_Center.m_Value, GxVector4());
    EXPECT_EQ(s.m_Scale2D.m_Value, GxVector2(1, 1));
    EXPECT_EQ(s.m_Alpha.m_Value, 1.0f);
    EXPECT_EQ(s.m_Visible.m_Value, 1u);
    EXPECT_TRUE(s.ImageKey().m_ImageSetName.empty());
    EXPECT_EQ(s.m_Time, 5);
    EXPECT_EQ(s.m_LoopLength, 100);
    EXPECT_EQ(s.m_pLayer, &layer);

    // At and after the key the values hold; the step tracks too.
    GxNcEvaluateLayerTracks(s, &layer, 50, 100, 0);
    EXPECT_EQ(s.m_Position.m_Value, GxVector4(5, 5, 5, 5));
    EXPECT_EQ(s.m_Scale2D.m_Value, GxVector2(3, 3));
    EXPECT_EQ(s.m_Visible.m_Value, 0u);
    EXPECT_EQ(s.ImageKey().m_ImageSetName, u"a.gis");

    // With looping, the step tracks give the last key before the first.
    GxNcEvaluateLayerTracks(s, &layer, 5, 100, 1);
    EXPECT_EQ(s.m_Scale2D.m_Value, GxVector2(3, 3));
}

TEST(NcEvaluate, LoopModeTwoUsesTheLayersOwnLength)
{
    GxNcKeyTrack<GxNcFloatKey> track = {FKey(0, 0.0f), FKey(10, 10.0f)};
    EXPECT_FLOAT_EQ(EvalFloat(track, 25, Loop(2, 100, 20)), 5.0f);   // 25 mod 20 = 5
    EXPECT_FLOAT_EQ(EvalFloat(track, 15, Loop(2, 100, 20)), 5.0f);   // from 10 at 10 to 0 at 20
    // A last time of 0 or below wraps over 1: every non-negative time becomes 0.
    EXPECT_FLOAT_EQ(EvalFloat(track, 7, Loop(2, 100, 0)), 0.0f);
    EXPECT_FLOAT_EQ(EvalFloat(track, 9, Loop(2, 100, -5)), 0.0f);
}

TEST(NcEvaluate, SingleKeyAndStepKeys)
{
    GxNcKeyTrack<GxNcFloatKey> one = {FKey(30, 4.0f)};
    for (int32_t t : {0, 29, 30, 31, 99, 250}) EXPECT_FLOAT_EQ(EvalFloat(one, t, Loop(1)), 4.0f) << t;
    // A step key holds its value up to the next key; an unknown mode (7) behaves as a step.
    for (uint32_t mode : {uint32_t(NCINTER_STEP), 7u}) {
        GxNcKeyTrack<GxNcFloatKey> track = {FKey(0, 1.0f, mode), FKey(10, 9.0f)};
        EXPECT_FLOAT_EQ(EvalFloat(track, 9, Loop(0)), 1.0f) << mode;
        EXPECT_FLOAT_EQ(EvalFloat(track, 10, Loop(0)), 9.0f) << mode;
    }
    // Equal key times: no division by zero.
    GxNcKeyTrack<GxNcFloatKey> same = {FKey(0, 0.0f), FKey(10, 2.0f), FKey(10, 6.0f), FKey(20, 8.0f)};
    const float v = EvalFloat(same, 10, Loop(0));
    EXPECT_TRUE(v == 2.0f || v == 6.0f) << v;
    EXPECT_FALSE(std::isnan(EvalFloat(same, 15, Loop(0))));
}

TEST(NcEvaluate, ExtremeTimesDoNotOverflow)
{
    GxNcKeyTrack<GxNcFloatKey> track = {FKey(INT32_MIN, 0.0f), FKey(INT32_MAX, 1.0f)};
    for (uint32_t mode : {0u, 1u, 2u}) {
        for (int32_t t : {INT32_MIN, -1, 0, 1, INT32_MAX}) {
            const float v = EvalFloat(track, t, Loop(mode, INT32_MAX, INT32_MAX));
            EXPECT_FALSE(std::isnan(v)) << mode << " " << t;
        }
    }
}

TEST(NcEvaluate, CurvesFollowTheirPowersAndSines)
{
    struct Case
    {
        uint32_t mode;
        float p;
        float want;  // value at f = 0.5 between 0 and 1
    } cases[] = {
        {NCINTER_LINEAR, 0.7f, 0.5f},
        {NCINTER_POWER, 0.0f, 0.5f},
        {NCINTER_POWER, 0.25f, 0.75f},
        {NCINTER_POWER, -0.25f, 0.25f},
        {NCINTER_SINE, 0.0f, 0.5f},
        {NCINTER_SINE, 1.0f, 0.5f + sinf(0.5f * 3.14159274f) * 1.0f / 3.14159274f},
        {NCINTER_SINE2, 1.0f, 0.5f + sinf(0.5f * 6.28318548f) * 1.0f / 6.28318548f},
    };
    for (const auto& c : cases) {
        GxNcKeyTrack<GxNcFloatKey> track = {FKey(0, 0.0f, c.mode, c.p), FKey(100, 1.0f)};
        EXPECT_EQ(EvalFloat(track, 50, Loop(0)), c.want) << c.mode << " " << c.p;
    }
    // The ends of every curve are the key values (up to float rounding).
    for (uint32_t mode : {2u, 3u, 4u}) {
        for (float p : {-1.0f, -0.3f, 0.0f, 0.4f, 2.0f}) {
            float g = -1.0f;
            ASSERT_TRUE(GxNcInterpolateProgress(mode, 0.0f, p, &g));
            EXPECT_NEAR(g, 0.0f, 1e-6f) << mode << " " << p;
            ASSERT_TRUE(GxNcInterpolateProgress(mode, 1.0f, p, &g));
            EXPECT_NEAR(g, 1.0f, 1e-6f) << mode << " " << p;
        }
    }
    // The progress is computed in single precision: the float result of powf, not of pow.
    GxNcKeyTrack<GxNcFloatKey> track = {FKey(0, 0.0f, NCINTER_POWER, 0.3f), FKey(3, 1.0f)};
    const float f = 1.0f / 3.0f;
    EXPECT_EQ(EvalFloat(track, 1, Loop(0)), 0.0f + (1.0f - 0.0f) * (1.0f - powf(1.0f - f, 4.0f * 0.3f + 1.0f)));
}

TEST(NcEvaluate, VectorAndVertexKeysInterpolateEveryComponent)
{
    GxNcVector4Key a, b;
    a.m_Time = 0;
    a.m_Value = GxVector4(0, 10, -4, 2);
    b.m_Time = 10;
    b.m_Value = GxVector4(10, 20, 4, 2);
    GxNcVector4Key out;
    EXPECT_EQ(GxNcEvaluateTrack(GxNcKeyTrack<GxNcVector4Key>{a, b}, 5, Loop(0), &out, GxNcDefaultVector4Key()), 0);
    EXPECT_EQ(out.m_Value, GxVector4(5, 15, 0, 2));
    EXPECT_EQ(out.m_Time, 0);

    EXPECT_EQ(GxInterpolatePowerEase(0.5f, 0.25f, GxVector4(0, 0, 0, 0), GxVector4(4, 8, -4, 1)),
              GxVector4(3, 6, -3, 0.75f));

    GxNcVertexKey va, vb;
    va.m_Time = 0;
    vb.m_Time = 4;
    for (int k = 0; k < kGxNcVertexCount; ++k) vb.m_Value[k] = GxVector4(float(k), 4, 8, 1);
    GxNcVertexKey vout;
    GxNcEvaluateTrack(GxNcKeyTrack<GxNcVertexKey>{va, vb}, 1, Loop(0), &vout, GxNcDefaultVertexKey());
    for (int k = 0; k < kGxNcVertexCount; ++k)
        EXPECT_EQ(vout.m_Value[k], GxVector4(float(k) / 4.0f, 1, 2, 0.25f)) << k;
}

TEST(NcEvaluate, ShiftedKeyTimeIsReported)
{
    // After the last key with looping, the earlier key is the last one (unshifted) and the
    // later one the first shifted forward; before the first key the last is shifted back.
    GxNcKeyTrack<GxNcFloatKey> track = {FKey(10, 0.0f, NCINTER_STEP), FKey(60, 5.0f, NCINTER_STEP)};
    GxNcFloatKey out;
    GxNcEvaluateTrack(track, 5, Loop(1, 100), &out, GxNcDefaultAlphaKey());
    EXPECT_EQ(out.m_Time, -40);
    EXPECT_EQ(out.m_Value, 5.0f);
    GxNcEvaluateTrack(track, 80, Loop(1, 100), &out, GxNcDefaultAlphaKey());
    EXPECT_EQ(out.m_Time, 60);
}

}  // namespace
