// Motion snapshots on the recording device: transforms and blend presets combined down the
// layer tree, the vertices of patterns, rectangles, placeholders and nested motions, and the
// drawing order of the five-point fans.
#include <gtest/gtest.h>

#include <vector>

#include "graphics/GxGraphics.h"
#include "graphics/GxRenderState.h"
#include "graphics/GxTexture.h"
#include "layer/GxNcImageSet.h"
#include "layer/GxNcSnapshot.h"
#include "tests/graphics/present_test_support.h"
#include "tests/support/GxContentFixture.h"
#include "tests/support/GxNcWriter.h"

namespace {

GxNcVector4Key V4(int32_t time, float x, float y, float z = 0.0f, float w = 0.0f)
{
    GxNcVector4Key k;
    k.m_Time = time;
    k.m_Value = GxVector4(x, y, z, w);
    return k;
}

void SetWhite(GxNcLayer& layer)
{
    GxNcVertexKey c;
    for (auto& v : c.m_Value) v = GxVector4(1, 1, 1, 1);
    layer.m_VertexColorTrack = {c};
    layer.m_ScaleTrack = {V4(0, 1, 1, 1)};
}

class NcSnapshotTest : public gxtest::RecordingGraphics
{
protected:
    void SetUp() override
    {
        RecordingGraphics::SetUp();
        ASSERT_TRUE(Create());
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(m_Textures[i].CreateTexture(u"", 64, 64, GXFMT_A8R8G8B8, 1));
            m_Pages[i].m_pTexture = &m_Textures[i];
            m_Images[i].m_FileName = u"img";
            // A 32 x 16 cell at (8, 4) with its pivot at its centre.
            GxNcCrammedPattern& p = GxNcAddPattern(m_Images[i], i, 8, 4, 32, 16, 0, 0);
            p.m_CenterPosX = 24.0f;
            p.m_CenterPosY = 12.0f;
            p.m_CrammedRawUV = GxFRect(0.0f, 0.0f, 0.5f, 0.25f);
            p.m_pCrammedImage = &m_Pages[i];
        }
        ASSERT_TRUE(GxGraphics::BeginScene());
        Recorder().Clear();
    }
    void TearDown() override
    {
        GxGraphics::EndScene();
        for (auto& t : m_Textures) t.ReleaseAll();
        RecordingGraphics::TearDown();
    }

    // A drawn layer showing pattern 0 of image i.
    GxNcLayer& PatternLayer(GxNcMotion& motion, std::u16string_view name, int i)
    {
        GxNcLayer& layer = GxNcAddLayer(motion, name);
        SetWhite(layer);
        GxNcImageKey key;
        key.m_ImageSetName = u"set.gis";
        key.m_ImageFileName = u"img";
        key.m_pOriginImage = &m_Images[i];
        layer.m_ImageTrack = {key};
        return layer;
    }

    // The textures bound for the draws, in draw order.
    std::vector<const void*> DrawnTextures()
    {
        std::vector<const void*> out;
        const void* bound = nullptr;
        for (const auto& c : Recorder().calls) {
            if (c.op == GxDeviceOp::SetTexture) bound = c.object;
            if (c.op == GxDeviceOp::DrawPrimitiveUP) out.push_back(bound);
        }
        return out;
    }
    void DrawDefault(const GxNcMotionSnapShotEx& s)
    {
        s.Draw(GxMatrix(), 1.0f, GxFColor(1, 1, 1, 1), GxFColor(0, 0, 0, 0), 0, 0, nullptr);
    }
    static void Make(GxNcMotionSnapShotEx& s, const GxNcMotion& m, int32_t t, const GxMatrix* base = nullptr,
                     GxFColor color = GxFColor(1, 1, 1, 1), int32_t depth = 4)
    {
        s.Create(nullptr, &m, t, GxVector4(), base, 1.0f, color, depth, nullptr);
    }

    GxTexture m_Textures[3];
    GxNcCrammedImage m_Pages[3];
    GxNcOriginImage m_Images[3];
};

TEST_F(NcSnapshotTest, PatternVerticesColoursAndDrawnFans)
{
    GxNcMotion m;
    m.m_EndTime = 100;
    GxNcLayer& layer = PatternLayer(m, u"a", 0);
    layer.m_PositionTrack = {V4(0, 100, 50)};
    layer.m_AlphaTrack = {GxNcFloatKey{0, 0.5f}};
    GxNcVertexKey colours;
    for (auto& v : colours.m_Value) v = GxVector4(1.0f, 0.5f, 0.0f, 1.0f);
    layer.m_VertexColorTrack = {colours};
    GxNcVertexKey offsets;
    offsets.m_Value[2] = GxVector4(3, 5, 0, 0);
    layer.m_VertexOffsetTrack = {offsets};
    GxNcAddTreeNode(m, nullptr, u"a");

    GxNcMotionSnapShotEx s;
    Make(s, m, 0);
    const GxNcLayerSnapShotEx& l = *s.GetLayerSnapShot(0);
    // Corners of the cell less the pivot, moved by the position; corner 2 by its offset.
    EXPECT_EQ(l.m_Vertex[0], GxVector4(84, 42, 0, 0));
    EXPECT_EQ(l.m_Vertex[1], GxVector4(84, 58, 0, 0));
    EXPECT_EQ(l.m_Vertex[2], GxVector4(119, 63, 0, 0));
    EXPECT_EQ(l.m_Vertex[3], GxVector4(116, 42, 0, 0));
    EXPECT_EQ(l.m_Vertex[4], GxVector4(100, 50, 0, 0));
    EXPECT_EQ(l.m_UV[2], GxVector2(0.5f, 0.25f));
    EXPECT_EQ(l.m_UV[4], GxVector2(0.25f, 0.125f));
    EXPECT_EQ(l.m_Color[0], GxFColor(1.0f, 0.5f, 0.0f, 0.5f));

    s.Draw(GxMatrix(), 1.0f, GxFColor(1, 1, 1, 1), GxFColor(0, 0, 0, 0), 0, 0, nullptr);
    std::vector<const GxDeviceCall*> draws;
    for (const auto& c : Recorder().calls)
        if (c.op == GxDeviceOp::DrawPrimitiveUP) draws.push_back(&c);
    ASSERT_EQ(draws.size(), 2u);  // two fans around the centre
    // 0.5 x 255 truncates to 127 on both red... and alpha.
    EXPECT_EQ(draws[0]->vertices[0].diffuse, 0x7FFF7F00u);
    EXPECT_EQ(draws[0]->vertices[0].specular, 0u);
    EXPECT_EQ(draws[0]->vertices[0].x, 84.0f - 0.5f);
    EXPECT_EQ(GxGetRenderStateData().lastBlendMode[0], 1);
}

TEST_F(NcSnapshotTest, BlendAndTransformPassDownTheTreeButVisibilityDoesNot)
{
    GxNcMotion m;
    m.m_EndTime = 100;
    GxNcLayer& parent = PatternLayer(m, u"parent", 0);
    parent.m_BlendMode = 3;
    parent.m_PositionTrack = {V4(0, 200, 100)};
    parent.m_RotationTrack = {V4(0, 0, 0, 90)};
    GxNcUIntKey hidden;
    hidden.m_Value = 0;
    parent.m_VisibleTrack = {hidden};
    GxNcLayer& child = PatternLayer(m, u"child", 1);
    child.m_PositionTrack = {V4(0, 10, 0)};
    GxNcLayerNode* p = GxNcAddTreeNode(m, nullptr, u"parent");
    GxNcAddTreeNode(m, p, u"child");

    GxNcMotionSnapShotEx s;
    Make(s, m, 0);
    const GxNcLayerSnapShotEx& c = *s.GetLayerSnapShot(1);
    EXPECT_EQ(s.GetLayerSnapShot(0)->m_BlendMode, 3u);
    EXPECT_EQ(c.m_BlendMode, 3u);
    // A quarter turn about z: the child's x offset of 10 goes down the screen.
    EXPECT_NEAR(c.m_Vertex[4].x, 200.0f, 1e-4f);
    EXPECT_NEAR(c.m_Vertex[4].y, 110.0f, 1e-4f);

    DrawDefault(s);
    EXPECT_EQ(DrawnTextures(), (std::vector<const void*>{m_Textures[1].GetD3DTexture(), m_Textures[1].GetD3DTexture()}));
    EXPECT_EQ(GxGetRenderStateData().lastBlendMode[0], 3);

    // The blend override wins.
    Recorder().Clear();
    s.Draw(GxMatrix(), 1.0f, GxFColor(1, 1, 1, 1), GxFColor(0, 0, 0, 0), 0, 5, nullptr);
    EXPECT_EQ(GxGetRenderStateData().lastBlendMode[0], 5);
}

TEST_F(NcSnapshotTest, LayersDrawFromLastToFirstAndSkipTheUndrawable)
{
    GxNcMotion m;
    m.m_EndTime = 100;
    for (int i = 0; i < 3; ++i) PatternLayer(m, i == 0 ? u"a" : i == 1 ? u"b" : u"c", i);
    GxNcAddTreeNode(m, nullptr, u"a");
    GxNcAddTreeNode(m, nullptr, u"b");
    GxNcAddTreeNode(m, nullptr, u"c");
    GxNcMotionSnapShotEx s;
    Make(s, m, 0);
    DrawDefault(s);
    const void* t0 = m_Textures[0].GetD3DTexture();
    const void* t1 = m_Textures[1].GetD3DTexture();
    const void* t2 = m_Textures[2].GetD3DTexture();
    EXPECT_EQ(DrawnTextures(), (std::vector<const void*>{t2, t2, t1, t1, t0, t0}));

    // Not drawn: edit-hidden, layer types 1 and 2.
    m.m_LayerList[0]->m_EditVisible = 0;
    m.m_LayerList[1]->m_LayerType = 2;
    m.m_LayerList[2]->m_LayerType = 1;
    Recorder().Clear();
    DrawDefault(s);
    EXPECT_TRUE(DrawnTextures().empty());
}

TEST_F(NcSnapshotTest, UnlinkedNodeSkipsOnlyItsOwnSubtree)
{
    GxNcMotion m;
    m.m_EndTime = 100;
    PatternLayer(m, u"a", 0).m_PositionTrack = {V4(0, 10, 0)};
    PatternLayer(m, u"b", 1).m_PositionTrack = {V4(0, 20, 0)};
    GxNcLayerNode* lost = GxNcAddTreeNode(m, nullptr, u"missing");
    ASSERT_EQ(lost->m_LayerIndex, -1);
    GxNcAddTreeNode(m, lost, u"a");
    GxNcAddTreeNode(m, nullptr, u"b");
    gxtest::LogFolder logs;
    GxNcMotionSnapShotEx s;
    Make(s, m, 0);
    // The sibling after the broken node is combined; the broken node's child is not.
    EXPECT_EQ(s.GetLayerSnapShot(1)->m_CombinedMatrix.m[3][0], 20.0f);
    EXPECT_EQ(s.GetLayerSnapShot(0)->m_CombinedMatrix, GxMatrix());
    EXPECT_NE(gxtest::ReadLog(logs.dir / "error.log")
                  .find(u"GxNcMotionSnapShotEx::CreateCombinedParam_Sub/Layer:missing Tree is not prepared"),
              std::u16string::npos);
}

TEST_F(NcSnapshotTest, RectangleAndPlaceholderGeometryDrawNothing)
{
    GxNcMotion m;
    m.m_EndTime = 100;
    GxNcLayer& rect = GxNcAddLayer(m, u"rect");
    SetWhite(rect);
    GxNcImageKey r;
    r.m_Width = 100;
    r.m_Height = 50;
    rect.m_ImageTrack = {r};
    GxNcLayer& missing = GxNcAddLayer(m, u"missing");
    SetWhite(missing);
    GxNcImageKey k;
    k.m_ImageSetName = u"set.gis";
    k.m_ImageFileName = u"nothing";
    missing.m_ImageTrack = {k};
    GxNcAddTreeNode(m, nullptr, u"rect");
    GxNcAddTreeNode(m, nullptr, u"missing");
    GxNcMotionSnapShotEx s;
    Make(s, m, 0);
    const GxNcLayerSnapShotEx& a = *s.GetLayerSnapShot(0);
    EXPECT_EQ(a.m_Vertex[0], GxVector4(-50, -25, 0, 0));
    EXPECT_EQ(a.m_Vertex[2], GxVector4(50, 25, 0, 0));
    EXPECT_EQ(a.m_UV[4], GxVector2(0.5f, 0.5f));
    const GxNcLayerSnapShotEx& b = *s.GetLayerSnapShot(1);
    EXPECT_EQ(b.m_Vertex[1], GxVector4(-32, 32, 0, 0));
    EXPECT_EQ(b.m_Vertex[3], GxVector4(32, -32, 0, 0));
    DrawDefault(s);
    EXPECT_EQ(Recorder().Count(GxDeviceOp::DrawPrimitiveUP), 0u);
}

TEST_F(NcSnapshotTest, NestedMotionsStopAtTheDepthAndFollowTheirTime)
{
    // A motion that shows a pattern and, nested, itself.
    GxNcMotion m;
    m.m_EndTime = 50;
    PatternLayer(m, u"pic", 0);
    GxNcLayer& self = GxNcAddLayer(m, u"self");
    SetWhite(self);
    GxNcImageKey k;
    k.m_MotionGroupName = u"g";
    k.m_MotionName = u"m";
    k.m_OffsetFrame = 5;
    k.m_pMotion = &m;
    self.m_ImageTrack = {k};
    GxNcAddTreeNode(m, nullptr, u"pic");
    GxNcAddTreeNode(m, nullptr, u"self");

    GxNcMotionSnapShotEx s;
    Make(s, m, 48);
    int levels = 0;
    for (const GxNcMotionSnapShotEx* n = &s; n; n = n->GetLayerSnapShot(1)->m_pNested.get()) ++levels;
    EXPECT_EQ(levels, 5);  // the top and four below it
    // 48 + 5 - 0 wraps over the nested motion's 50.
    EXPECT_EQ(s.GetLayerSnapShot(1)->m_pNested->GetTime(), 3);
    DrawDefault(s);
    EXPECT_EQ(Recorder().Count(GxDeviceOp::DrawPrimitiveUP), 2u * 5u);

    // A copy duplicates the nested snapshots.
    GxNcLayerSnapShotEx copy = *s.GetLayerSnapShot(1);
    ASSERT_TRUE(copy.m_pNested);
    EXPECT_NE(copy.m_pNested.get(), s.GetLayerSnapShot(1)->m_pNested.get());

    // Depth 0: no nesting, and a nested snapshot of an earlier frame is dropped.
    Make(s, m, 0, nullptr, GxFColor(1, 1, 1, 1), 0);
    EXPECT_FALSE(s.GetLayerSnapShot(1)->m_pNested);
}

TEST_F(NcSnapshotTest, BaseMatrixOffsetAndListener)
{
    GxNcMotion m;
    m.m_EndTime = 100;
    PatternLayer(m, u"a", 0);
    GxNcAddTreeNode(m, nullptr, u"a");
    GxNcSoundKey sound;
    sound.m_Time = 40;
    sound.m_SoundName = u"se01";
    m.m_SoundTrack = {sound};
    GxNcEventKey event;
    event.m_Time = 40;
    event.m_EventID = 7;
    m.m_EventTracks[2] = {event};

    struct Listener : GxNcMotionListener
    {
        std::vector<std::u16string> sounds;
        std::vector<int32_t> events;
        void OnSoundKey(const GxNcSoundKey& k) override { sounds.push_back(k.m_SoundName); }
        void OnEventKey(const GxNcEventKey& k) override { events.push_back(k.m_EventID); }
    } listener;
    GxMatrix base;
    base.SetTranslation(1000, 0, 0);
    GxNcMotionSnapShotEx s;
    s.Create(nullptr, &m, 40, GxVector4(0, 7, 0, 0), &base, 1.0f, GxFColor(1, 1, 1, 1), 4, &listener);
    EXPECT_EQ(s.GetLayerSnapShot(0)->m_Vertex[4], GxVector4(1000, 7, 0, 0));
    EXPECT_EQ(listener.sounds, std::vector<std::u16string>{u"se01"});
    EXPECT_EQ(listener.events, std::vector<int32_t>{7});
    s.Create(nullptr, &m, 41, GxVector4(), &base, 1.0f, GxFColor(1, 1, 1, 1), 4, &listener);
    EXPECT_EQ(listener.sounds.size(), 1u);
}

}  // namespace
