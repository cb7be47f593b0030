// Nc projects: the .gnc value order in both forms (a project written by the test writer and a
// hand-written text file), key ordering, the layer tree, damaged files, name linking with its
// messages, and the project factory.
#include <gtest/gtest.h>

#include <string>

#include "core/GxBinBuffer.h"
#include "core/GxString.h"
#include "layer/GxNcImageSet.h"
#include "layer/GxNcProject.h"
#include "tests/layer/nc_test_common.h"

namespace {

std::string TreeDump(const GxNcLayerNode* node)
{
    std::string s;
    for (; node; node = node->Next()) {
        if (!s.empty()) s += ' ';
        s += GxWideToUtf8(node->m_LayerName) + "#" + std::to_string(node->m_LayerIndex);
        if (node->m_LayerIndex >= 0) {
            EXPECT_NE(node->m_pLayer, nullptr);
        }
        if (node->Child()) s += "(" + TreeDump(node->Child()) + ")";
    }
    return s;
}

// One group, one motion, three layers with every key kind, a nested tree, three stages and two
// image sets; every field holds a value of its own so that a swapped pair shows.
void FillSample(GxNcProject& p)
{
    p.m_ProjectName = u"サンプル";
    p.m_IssuableMotionID = 11;
    p.m_IssuableLayerID = 12;
    p.m_IssuableMotionGroupID = 13;
    p.m_IssuableActorID = 14;
    p.m_IssuableStageID = 15;
    p.m_IssuableReserveID0 = 16;
    p.m_IssuableReserveID1 = 17;
    p.m_IssuableReserveID2 = 18;
    p.m_IssuableReserveID3 = 4000000000u;
    GxNcMotionGroup& g = GxNcAddMotionGroup(p, u"grp");
    g.m_EnumName = u"GRP";
    g.m_MotionGroupID = 21;
    GxNcMotion& m = GxNcAddMotion(g, u"walk", 1000);
    m.m_EnumName = u"WALK";
    m.m_MotionID = 22;
    m.m_TotalDuration = 1200;
    m.m_StartTime = -5;
    m.m_PlayTime = 900;

    GxNcLayer& body = GxNcAddLayer(m, u"body");
    body.m_EnumName = u"BODY";
    body.m_LayerID = 101;
    body.m_LastTime = 102;
    body.m_LoopMode = 2;
    body.m_LayerType = 3;
    body.m_AttachIndex = -104;
    body.m_VertexCount = 105;
    body.m_EditLock = 106;
    body.m_EditVisible = 107;
    body.m_LightEnable = 108;
    body.m_AlphaTestEnable = 109;
    body.m_ZWriteEnable = 110;
    body.m_ZTestEnable = 111;
    body.m_StencilMode = 112;
    body.m_StencilTestEnable = 113;
    body.m_ViewMode = 114;
    body.m_BlendMode = 5;
    body.m_FilterMode = 2;
    body.m_Selected = 117;
    body.m_Expanded = 118;

    GxNcImageKey ik;
    ik.m_Time = 0;
    ik.m_ImageSetName = u"face.gis";
    ik.m_ImageFileName = u"smile.png";
    ik.m_MotionGroupName = u"grp";
    ik.m_MotionName = u"walk";
    ik.m_PatternIndex = 3;
    ik.m_Width = 64;
    ik.m_Height = 32;
    ik.m_OffsetFrame = -7;
    ik.m_LoopMode = 0;
    ik.m_InterMode = 4;
    ik.m_InterParam0 = 1.5f;
    ik.m_InterParam1 = -0.25f;
    ik.m_Selected = 1;
    body.m_ImageTrack.push_back(ik);
    body.m_PositionTrack.push_back({10, GxVector4(1.5f, -2.0f, 3.25f, 4.0f), 2, 0.5f, 2.0f, 1});
    body.m_PositionTrack.push_back({20, GxVector4(5.0f, 6.0f, 7.0f, 8.0f), 3, 0.0f, 0.0f, 0});
    body.m_ScaleTrack.push_back({30, GxVector4(1.0f, 1.0f, 1.0f, 0.0f), 1, 0.0f, 0.0f, 0});
    body.m_RotationTrack.push_back({40, GxVector4(0.0f, 0.0f, 90.0f, 0.0f), 1, 0.0f, 0.0f, 0});
    body.m_CenterTrack.push_back({50, GxVector4(16.0f, 8.0f, 0.0f, 0.0f), 0, 0.0f, 0.0f, 0});
    body.m_Scale2DTrack.push_back({60, GxVector2(0.5f, 2.0f), 1, 0.75f, 0.0f, 1});
    body.m_AlphaTrack.push_back({70, 0.625f, 2, 3.0f, 0.0f, 0});
    body.m_VisibleTrack.push_back({80, 1, 0, 0.0f, 0.0f, 1});
    GxNcVertexKey vk;
    vk.m_Time = 90;
    for (int i = 0; i < kGxNcVertexCount; ++i) vk.m_Value[i] = GxVector4(i * 1.0f, i * -2.0f, 0.5f, 1.0f);
    vk.m_InterMode = 3;
    vk.m_SelectedLocalFlags = 0x1F;
    body.m_VertexOffsetTrack.push_back(vk);
    vk.m_Time = 95;
    vk.m_Value[4] = GxVector4(1.0f, 0.0f, 0.0f, 0.5f);
    body.m_VertexColorTrack.push_back(vk);
    body.m_UVOffsetTrack.push_back({99, GxVector2(0.125f, -0.125f), 1, 0.0f, 0.0f, 0});

    GxNcLayer& arm = GxNcAddLayer(m, u"arm");
    arm.m_PositionTrack.push_back({0, GxVector4(1.0f, 2.0f, 0.0f, 0.0f), 1, 0.0f, 0.0f, 0});
    GxNcLayer& hand = GxNcAddLayer(m, u"hand");
    GxNcImageKey plain;
    plain.m_Width = 40;
    plain.m_Height = 20;
    hand.m_ImageTrack.push_back(plain);

    m.m_SoundTrack.push_back({250, u"se/step.ogg", 0, 1});
    m.m_EventTracks[0].push_back({100, 7, 1, u"param \"q\"\t1", 0, 0.0f, 0.0f, 0});
    m.m_EventTracks[3].push_back({300, -2, 0, u"", 1, 0.5f, 0.25f, 1});

    // body(arm(hand)) hand
    GxNcLayerNode* nb = GxNcAddTreeNode(m, nullptr, u"body");
    GxNcLayerNode* na = GxNcAddTreeNode(m, nb, u"arm");
    GxNcAddTreeNode(m, na, u"hand");
    GxNcAddTreeNode(m, nullptr, u"hand");

    p.m_StageList.resize(3);
    p.m_ImageSetFileNameList = {u"face.gis", u"sub/extra.gis"};
}

#define EXPECT_V4(a, b) EXPECT_TRUE((a) == (b))

void ExpectSameInter(const auto& a, const auto& b)
{
    EXPECT_EQ(a.m_Time, b.m_Time);
    EXPECT_EQ(a.m_InterMode, b.m_InterMode);
    EXPECT_EQ(a.m_InterParam0, b.m_InterParam0);
    EXPECT_EQ(a.m_InterParam1, b.m_InterParam1);
    EXPECT_EQ(a.m_Selected, b.m_Selected);
}

template <typename Key>
void ExpectSameValues(const GxNcKeyTrack<Key>& a, const GxNcKeyTrack<Key>& b)
{
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        ExpectSameInter(a[i], b[i]);
        EXPECT_TRUE(a[i].m_Value == b[i].m_Value) << i;
    }
}

void ExpectSameLayer(const GxNcLayer& a, const GxNcLayer& b)
{
    EXPECT_EQ(a.m_LayerName, b.m_LayerName);
    EXPECT_EQ(a.m_EnumName, b.m_EnumName);
    EXPECT_EQ(a.m_LayerID, b.m_LayerID);
    EXPECT_EQ(a.m_LastTime, b.m_LastTime);
    EXPECT_EQ(a.m_LoopMode, b.m_LoopMode);
    EXPECT_EQ(a.m_LayerType, b.m_LayerType);
    EXPECT_EQ(a.m_AttachIndex, b.m_AttachIndex);
    EXPECT_EQ(a.m_VertexCount, b.m_VertexCount);
    EXPECT_EQ(a.m_EditLock, b.m_EditLock);
    EXPECT_EQ(a.m_EditVisible, b.m_EditVisible);
    EXPECT_EQ(a.m_LightEnable, b.m_LightEnable);
    EXPECT_EQ(a.m_AlphaTestEnable, b.m_AlphaTestEnable);
    EXPECT_EQ(a.m_ZWriteEnable, b.m_ZWriteEnable);
    EXPECT_EQ(a.m_ZTestEnable, b.m_ZTestEnable);
    EXPECT_EQ(a.m_ViewMode, b.m_ViewMode);
    EXPECT_EQ(a.m_BlendMode, b.m_BlendMode);
    EXPECT_EQ(a.m_FilterMode, b.m_FilterMode);
    EXPECT_EQ(a.m_StencilMode, b.m_StencilMode);
    EXPECT_EQ(a.m_StencilTestEnable, b.m_StencilTestEnable);
    EXPECT_EQ(a.m_Selected, b.m_Selected);
    EXPECT_EQ(a.m_Expanded, b.m_Expanded);

    ASSERT_EQ(a.m_ImageTrack.size(), b.m_ImageTrack.size());
    for (size_t i = 0; i < a.m_ImageTrack.size(); ++i) {
        const GxNcImageKey& x = a.m_ImageTrack[i];
        const GxNcImageKey& y = b.m_ImageTrack[i];
        ExpectSameInter(x, y);
        EXPECT_EQ(x.m_ImageSetName, y.m_ImageSetName);
        EXPECT_EQ(x.m_ImageFileName, y.m_ImageFileName);
        EXPECT_EQ(x.m_MotionGroupName, y.m_MotionGroupName);
        EXPECT_EQ(x.m_MotionName, y.m_MotionName);
        EXPECT_EQ(x.m_PatternIndex, y.m_PatternIndex);
        EXPECT_EQ(x.m_Width, y.m_Width);
        EXPECT_EQ(x.m_Height, y.m_Height);
        EXPECT_EQ(x.m_OffsetFrame, y.m_OffsetFrame);
        EXPECT_EQ(x.m_LoopMode, y.m_LoopMode);
    }
    ExpectSameValues(a.m_PositionTrack, b.m_PositionTrack);
    ExpectSameValues(a.m_ScaleTrack, b.m_ScaleTrack);
    ExpectSameValues(a.m_RotationTrack, b.m_RotationTrack);
    ExpectSameValues(a.m_CenterTrack, b.m_CenterTrack);
    ExpectSameValues(a.m_Scale2DTrack, b.m_Scale2DTrack);
    ExpectSameValues(a.m_AlphaTrack, b.m_AlphaTrack);
    ExpectSameValues(a.m_VisibleTrack, b.m_VisibleTrack);
    for (auto track : {&GxNcLayer::m_VertexOffsetTrack, &GxNcLayer::m_VertexColorTrack}) {
        ASSERT_EQ((a.*track).size(), (b.*track).size());
        for (size_t i = 0; i < (a.*track).size(); ++i) {
            ExpectSameInter((a.*track)[i], (b.*track)[i]);
            EXPECT_EQ((a.*track)[i].m_SelectedLocalFlags, (b.*track)[i].m_SelectedLocalFlags);
            for (int v = 0; v < kGxNcVertexCount; ++v) EXPECT_V4((a.*track)[i].m_Value[v], (b.*track)[i].m_Value[v]);
        }
    }
    ExpectSameValues(a.m_UVOffsetTrack, b.m_UVOffsetTrack);
}

void ExpectSameProject(const GxNcProject& a, const GxNcProject& b)
{
    EXPECT_EQ(a.m_ProjectName, b.m_ProjectName);
    EXPECT_EQ(a.m_IssuableMotionID, b.m_IssuableMotionID);
    EXPECT_EQ(a.m_IssuableLayerID, b.m_IssuableLayerID);
    EXPECT_EQ(a.m_IssuableMotionGroupID, b.m_IssuableMotionGroupID);
    EXPECT_EQ(a.m_IssuableActorID, b.m_IssuableActorID);
    EXPECT_EQ(a.m_IssuableStageID, b.m_IssuableStageID);
    EXPECT_EQ(a.m_IssuableReserveID0, b.m_IssuableReserveID0);
    EXPECT_EQ(a.m_IssuableReserveID1, b.m_IssuableReserveID1);
    EXPECT_EQ(a.m_IssuableReserveID2, b.m_IssuableReserveID2);
    EXPECT_EQ(a.m_IssuableReserveID3, b.m_IssuableReserveID3);
    ASSERT_EQ(a.m_MotionGroupList.size(), b.m_MotionGroupList.size());
    for (size_t gi = 0; gi < a.m_MotionGroupList.size(); ++gi) {
        const GxNcMotionGroup& ga = *a.m_MotionGroupList[gi];
        const GxNcMotionGroup& gb = *b.m_MotionGroupList[gi];
        EXPECT_EQ(ga.m_MotionGroupName, gb.m_MotionGroupName);
        EXPECT_EQ(ga.m_EnumName, gb.m_EnumName);
        EXPECT_EQ(ga.m_MotionGroupID, gb.m_MotionGroupID);
        ASSERT_EQ(ga.m_MotionList.size(), gb.m_MotionList.size());
        for (size_t mi = 0; mi < ga.m_MotionList.size(); ++mi) {
            const GxNcMotion& ma = *ga.m_MotionList[mi];
            const GxNcMotion& mb = *gb.m_MotionList[mi];
            EXPECT_EQ(ma.m_MotionName, mb.m_MotionName);
            EXPECT_EQ(ma.m_EnumName, mb.m_EnumName);
            EXPECT_EQ(ma.m_MotionID, mb.m_MotionID);
            EXPECT_EQ(ma.m_TotalDuration, mb.m_TotalDuration);
            EXPECT_EQ(ma.m_StartTime, mb.m_StartTime);
            EXPECT_EQ(ma.m_PlayTime, mb.m_PlayTime);
            EXPECT_EQ(ma.m_EndTime, mb.m_EndTime);
            ASSERT_EQ(ma.m_LayerList.size(), mb.m_LayerList.size());
            for (size_t li = 0; li < ma.m_LayerList.size(); ++li) ExpectSameLayer(*ma.m_LayerList[li], *mb.m_LayerList[li]);
            ASSERT_EQ(ma.m_SoundTrack.size(), mb.m_SoundTrack.size());
            for (size_t k = 0; k < ma.m_SoundTrack.size(); ++k) {
                EXPECT_EQ(ma.m_SoundTrack[k].m_Time, mb.m_SoundTrack[k].m_Time);
                EXPECT_EQ(ma.m_SoundTrack[k].m_SoundName, mb.m_SoundTrack[k].m_SoundName);
                EXPECT_EQ(ma.m_SoundTrack[k].m_InterMode, mb.m_SoundTrack[k].m_InterMode);
                EXPECT_EQ(ma.m_SoundTrack[k].m_Selected, mb.m_SoundTrack[k].m_Selected);
            }
            for (int t = 0; t < kGxNcEventTrackCount; ++t) {
                ASSERT_EQ(ma.m_EventTracks[t].size(), mb.m_EventTracks[t].size()) << t;
                for (size_t k = 0; k < ma.m_EventTracks[t].size(); ++k) {
                    const GxNcEventKey& x = ma.m_EventTracks[t][k];
                    const GxNcEventKey& y = mb.m_EventTracks[t][k];
                    ExpectSameInter(x, y);
                    EXPECT_EQ(x.m_EventID, y.m_EventID);
                    EXPECT_EQ(x.m_AfterCallFlag, y.m_AfterCallFlag);
                    EXPECT_EQ(x.m_Param, y.m_Param);
                }
            }
            EXPECT_EQ(TreeDump(ma.GetTreeTop()), TreeDump(mb.GetTreeTop()));
        }
    }
    EXPECT_EQ(a.m_StageList.size(), b.m_StageList.size());
    EXPECT_EQ(a.m_ImageSetFileNameList, b.m_ImageSetFileNameList);
}

class NcProjectFormTest : public NcTest, public ::testing::WithParamInterface<GxContentForm>
{
};

TEST_P(NcProjectFormTest, WrittenProjectReadsBackWholeAndLinksItsTree)
{
    GxNcProjectEx written;
    FillSample(written);
    std::string bytes = GxNcProjectToBytes(written, GetParam());
    ASSERT_EQ(bytes[0], GetParam() == GxContentForm::Text ? 'T' : 'B');
    GxBinBuffer buffer;
    GxContentFillBuffer(buffer, bytes);

    GxNcProjectEx read;
    ASSERT_TRUE(read.ReadFromBuffer(buffer)) << m_Log.Joined();
    EXPECT_TRUE(m_Log.Lines().empty()) << m_Log.Joined();
    ExpectSameProject(written, read);
    const GxNcMotion* m = GxNcFindMotionByName(&read, u"grp", u"walk");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(TreeDump(m->GetTreeTop()), "body#0(arm#1(hand#2)) hand#2");
    EXPECT_EQ(m->GetTreeTop()->m_pLayer, m->m_LayerList[0].get());
    EXPECT_EQ(m->GetTreeTop()->Child()->Child()->Parent()->m_LayerName, u"arm");
}

INSTANTIATE_TEST_SUITE_P(Forms, NcProjectFormTest, ::testing::Values(GxContentForm::Binary, GxContentForm::Text),
                         [](const auto& info) { return std::string(FormName(info.param)); });

// Lines written by hand from the format, fields separated by '|', so that the value order is
// checked independently of the test writer.
std::string HandText(std::initializer_list<const char*> lines)
{
    std::string s;
    for (const char* line : lines) {
        for (const char* c = line; *c; ++c) s.push_back(*c == '|' ? '\t' : *c);
        s.push_back('\n');
    }
    return s;
}

TEST_F(NcTest, HandWrittenTextProjectReadsInTheFormatOrder)
{
    std::string text = HandText({
        "TNCPROJ|100",
        "1a|m_ProjectName|4|\"demo\"",
        "06|m_IssuableMotionID|1", "06|m_IssuableLayerID|2", "06|m_IssuableMotionGroupID|3",
        "06|m_IssuableActorID|4", "06|m_IssuableStageID|5", "06|m_IssuableReserveID0|6",
        "06|m_IssuableReserveID1|7", "06|m_IssuableReserveID2|8", "06|m_IssuableReserveID3|9",
        "20|m_MotionGroupList||1|{",
        "1a|m_MotionGroupName|2|\"fx\"", "1a|m_EnumName|0|\"\"", "06|m_MotionGroupID|30",
        "20|m_MotionList||1|{",
        "1a|m_MotionName|5|\"flash\"", "1a|m_EnumName|0|\"\"", "06|m_MotionID|31",
        "05|m_TotalDuration|500", "05|m_StartTime|0", "05|m_PlayTime|400", "05|m_EndTime|480",
        "20|m_LayerList||1|{",
        "1a|m_LayerName|4|\"glow\"", "1a|m_EnumName|0|\"\"", "06|m_LayerID|40", "05|m_LastTime|240",
        "06|m_LoopMode|2", "06|m_LayerType|0", "05|m_AttachIndex|-1", "06|m_VertexCount|4",
        "06|m_EditLock|0", "06|m_EditVisible|1", "06|m_LightEnable|0", "06|m_AlphaTestEnable|0",
        "06|m_ZWriteEnable|0", "06|m_ZTestEnable|0", "06|m_StencilMode|7", "06|m_StencilTestEnable|8",
        "06|m_ViewMode|9", "06|m_BlendMode|3", "06|m_FilterMode|2", "06|m_Selected|0", "06|m_Expanded|1",
        // image track: one key
        "20|||1|{",
        "05|m_Time|0", "1a|m_ImageSetName|0|\"\"", "1a|m_ImageFileName|0|\"\"", "1a|m_MotionGroupName|0|\"\"",
        "1a|m_MotionName|0|\"\"", "05|m_PatternIndex|0", "05|m_Width|100", "05|m_Height|50",
        "05|m_OffsetFrame|0", "06|m_LoopMode|1", "06|m_InterMode|0", "09|m_InterParam0|0.000000",
        "09|m_InterParam1|0.000000", "06|m_Selected|0",
        "21|}",
        // position track: two keys
        "20|||2|{",
        "05|m_Time|0", "0e|m_Value|10.000000|20.000000|0.000000|0.000000", "06|m_InterMode|1",
        "09|m_InterParam0|0.000000", "09|m_InterParam1|0.000000", "06|m_Selected|0",
        "05|m_Time|240", "0e|m_Value|-10.500000|20.000000|0.000000|0.000000", "06|m_InterMode|2",
        "09|m_InterParam0|2.000000", "09|m_InterParam1|0.000000", "06|m_Selected|0",
        "21|}",
        "20|||0|{", "21|}",  // scale
        "20|||0|{", "21|}",  // rotation
        "20|||0|{", "21|}",  // centre
        "20|||0|{", "21|}",  // 2D scale
        // alpha track: one key
        "20|||1|{",
        "05|m_Time|120", "09|m_Value|0.500000", "06|m_InterMode|1", "09|m_InterParam0|0.000000",
        "09|m_InterParam1|0.000000", "06|m_Selected|0",
        "21|}",
        "20|||0|{", "21|}",  // visibility
        "20|||0|{", "21|}",  // vertex offsets
        "20|||0|{", "21|}",  // vertex colours
        "20|||0|{", "21|}",  // UV offset
        "21|}",  // end of layers
        // sound track
        "20|||1|{",
        "05|m_Time|60", "1a|m_SoundName|7|\"se/pop\"", "06|m_InterMode|0", "06|m_Selected|0",
        "21|}",
        // four event tracks; the second holds one key
        "20|||0|{", "21|}",
        "20|||1|{",
        "05|m_Time|200", "05|m_EventID|5", "06|m_AfterCallFlag|1", "1a|m_Param|3|\"end\"", "06|m_InterMode|0",
        "09|m_InterParam0|0.000000", "09|m_InterParam1|0.000000", "06|m_Selected|0",
        "21|}",
        "20|||0|{", "21|}",
        "20|||0|{", "21|}",
        "22|m_LayerTree||{",
        "24|{", "1a|m_LayerName|4|\"glow\"", "05|m_LayerIndex|0", "25|}",
        "23|}",
        "21|}",  // end of motions
        "21|}",  // end of groups
        "20|m_StageList||2|{", "21|}",
        "20|m_ImageSetFileNameList||1|{", "1a|m_FileName|7|\"fx.gis\"", "21|}",
    });
    GxBinBuffer buffer;
    GxContentFillBuffer(buffer, text);
    GxNcProjectEx p;
    ASSERT_TRUE(p.ReadFromBuffer(buffer)) << m_Log.Joined();
    EXPECT_TRUE(m_Log.Lines().empty()) << m_Log.Joined();

    EXPECT_EQ(p.m_ProjectName, u"demo");
    EXPECT_EQ(p.m_IssuableMotionID, 1u);
    EXPECT_EQ(p.m_IssuableReserveID3, 9u);
    GxNcMotion* m = GxNcFindMotionByName(&p, u"fx", u"flash");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->m_EndTime, 480);
    EXPECT_EQ(m->m_PlayTime, 400);
    ASSERT_EQ(m->m_LayerList.size(), 1u);
    const GxNcLayer& l = *m->m_LayerList[0];
    EXPECT_EQ(l.m_LastTime, 240);
    EXPECT_EQ(l.m_LoopMode, 2u);
    EXPECT_EQ(l.m_AttachIndex, -1);
    EXPECT_EQ(l.m_StencilMode, 7u);
    EXPECT_EQ(l.m_StencilTestEnable, 8u);
    EXPECT_EQ(l.m_ViewMode, 9u);
    EXPECT_EQ(l.m_BlendMode, 3u);
    EXPECT_EQ(l.m_FilterMode, 2u);
    EXPECT_EQ(l.m_Expanded, 1u);
    ASSERT_EQ(l.m_ImageTrack.size(), 1u);
    EXPECT_EQ(l.m_ImageTrack[0].m_Width, 100);
    ASSERT_EQ(l.m_PositionTrack.size(), 2u);
    EXPECT_TRUE(l.m_PositionTrack[1].m_Value == GxVector4(-10.5f, 20.0f, 0.0f, 0.0f));
    EXPECT_EQ(l.m_PositionTrack[1].m_InterMode, 2u);
    EXPECT_EQ(l.m_PositionTrack[1].m_InterParam0, 2.0f);
    ASSERT_EQ(l.m_AlphaTrack.size(), 1u);
    EXPECT_EQ(l.m_AlphaTrack[0].m_Value, 0.5f);
    EXPECT_TRUE(l.m_ScaleTrack.empty());
    ASSERT_EQ(m->m_SoundTrack.size(), 1u);
    EXPECT_EQ(m->m_SoundTrack[0].m_SoundName, u"se/pop");
    EXPECT_TRUE(m->m_EventTracks[0].empty());
    ASSERT_EQ(m->m_EventTracks[1].size(), 1u);
    EXPECT_EQ(m->m_EventTracks[1][0].m_Param, u"end");
    EXPECT_EQ(m->m_EventTracks[1][0].m_AfterCallFlag, 1u);
    EXPECT_EQ(TreeDump(m->GetTreeTop()), "glow#0");
    EXPECT_EQ(p.m_StageList.size(), 2u);
    EXPECT_EQ(p.m_ImageSetFileNameList, std::vector<std::u16string>{u"fx.gis"});

    // The same file in the binary form, written by our writer, holds the same project.
    GxBinBuffer binary;
    GxContentFillBuffer(binary, GxNcProjectToBytes(p, GxContentForm::Binary));
    GxNcProjectEx again;
    ASSERT_TRUE(again.ReadFromBuffer(binary));
    ExpectSameProject(p, again);
}

TEST_F(NcTest, KeysArePutInTimeOrderKeepingEqualTimesInFileOrder)
{
    GxNcProjectEx p;
    GxNcMotion& m = GxNcAddMotion(GxNcAddMotionGroup(p, u"g"), u"m", 100);
    GxNcLayer& l = GxNcAddLayer(m, u"l");
    for (int t : {50, 10, 30, 10}) l.m_AlphaTrack.push_back({t, static_cast<float>(l.m_AlphaTrack.size()), 1, 0, 0, 0});
    for (int t : {9, 3}) m.m_EventTracks[2].push_back({t, t, 0, u"", 0, 0, 0, 0});
    GxBinBuffer buffer;
    GxContentFillBuffer(buffer, GxNcProjectToBytes(p, GxContentForm::Binary));
    GxNcProjectEx read;
    ASSERT_TRUE(read.ReadFromBuffer(buffer));
    const GxNcLayer& r = *GxNcFindMotionByName(&read, u"g", u"m")->m_LayerList[0];
    ASSERT_EQ(r.m_AlphaTrack.size(), 4u);
    // (time, value): values record the file position.
    std::vector<std::pair<int, float>> got;
    for (const auto& k : r.m_AlphaTrack) got.emplace_back(k.m_Time, k.m_Value);
    EXPECT_EQ(got, (std::vector<std::pair<int, float>>{{10, 1.0f}, {10, 3.0f}, {30, 2.0f}, {50, 0.0f}}));
    EXPECT_EQ(GxNcFindMotionByName(&read, u"g", u"m")->m_EventTracks[2][0].m_Time, 3);
}

TEST_F(NcTest, EmptyTreeAndDuplicateLayerNames)
{
    GxNcProjectEx p;
    GxNcMotion& m = GxNcAddMotion(GxNcAddMotionGroup(p, u"g"), u"empty", 100);
    GxNcAddLayer(m, u"a");
    GxNcMotion& d = GxNcAddMotion(*p.m_MotionGroupList[0], u"dup", 100);
    GxNcAddLayer(d, u"x");
    GxNcAddLayer(d, u"x");
    GxNcAddTreeNode(d, nullptr, u"x");
    GxNcAddTreeNode(d, nullptr, u"x");
    for (GxContentForm form : {GxContentForm::Binary, GxContentForm::Text}) {
        GxBinBuffer buffer;
        GxContentFillBuffer(buffer, GxNcProjectToBytes(p, form));
        GxNcProjectEx read;
        ASSERT_TRUE(read.ReadFromBuffer(buffer)) << FormName(form);
        EXPECT_EQ(GxNcFindMotionByName(&read, u"g", u"empty")->GetTreeTop(), nullptr);
        EXPECT_EQ(GxNcFindMotionByName(&read, u"g", u"empty")->m_LayerList.size(), 1u);
        // Every node naming a duplicated layer links to the first of them.
        EXPECT_EQ(TreeDump(GxNcFindMotionByName(&read, u"g", u"dup")->GetTreeTop()), "x#0 x#0");
    }
}

TEST_F(NcTest, DeepLayerTreeReadsAndLinksWithoutRecursion)
{
    GxNcProjectEx p;
    GxNcMotion& m = GxNcAddMotion(GxNcAddMotionGroup(p, u"g"), u"m", 100);
    GxNcAddLayer(m, u"l");
    GxNcLayerNode* parent = nullptr;
    for (int i = 0; i < 50000; ++i) parent = GxNcAddTreeNode(m, parent, u"l");
    GxBinBuffer buffer;
    GxContentFillBuffer(buffer, GxNcProjectToBytes(p, GxContentForm::Binary));
    GxNcProjectEx read;
    ASSERT_TRUE(read.ReadFromBuffer(buffer));
    int depth = 0;
    for (const GxNcLayerNode* n = GxNcFindMotionByName(&read, u"g", u"m")->GetTreeTop(); n; n = n->Child()) {
        EXPECT_EQ(n->m_LayerIndex, 0);
        ++depth;
    }
    EXPECT_EQ(depth, 50000);
}

TEST_F(NcTest, DamagedProjectFailsWithoutRecordsForGarbage)
{
    GxNcProjectEx sample;
    FillSample(sample);
    std::string good = GxNcProjectToBytes(sample, GxContentForm::Binary);

    // Cut anywhere: never a successful read.
    for (size_t cut : {size_t(3), size_t(20), good.size() / 3, good.size() / 2, good.size() - 1}) {
        GxBinBuffer buffer;
        GxContentFillBuffer(buffer, good.substr(0, cut));
        GxNcProjectEx read;
        EXPECT_FALSE(read.ReadFromBuffer(buffer)) << cut;
    }

    // A layer list that claims many elements but whose first is broken creates one record, not
    // one per claimed element.
    GxNcProjectEx p;
    GxNcMotion& m = GxNcAddMotion(GxNcAddMotionGroup(p, u"g"), u"m", 100);
    GxNcAddLayer(m, u"only");
    std::string bytes = GxNcProjectToBytes(p, GxContentForm::Binary);
    // The layer list's count follows its code byte 0x20; the first layer's name follows it.
    std::string layerName("\x1A\x00\x00\x00\x04only", 9);
    size_t at = bytes.find(layerName);
    ASSERT_NE(at, std::string::npos);
    ASSERT_EQ(static_cast<uint8_t>(bytes[at - 5]), 0x20);
    bytes[at - 1] = 0x11;  // count 17, still within the bytes that follow
    bytes[at] = 0x05;      // the name's code becomes a GxS32: a type error
    GxBinBuffer buffer;
    GxContentFillBuffer(buffer, bytes);
    GxNcProjectEx read;
    EXPECT_FALSE(read.ReadFromBuffer(buffer));
    ASSERT_EQ(read.m_MotionGroupList.size(), 1u);
    ASSERT_EQ(read.m_MotionGroupList[0]->m_MotionList.size(), 1u);
    EXPECT_EQ(read.m_MotionGroupList[0]->m_MotionList[0]->m_LayerList.size(), 1u);

    // A wrong tag: the text tag in a binary file, and a binary file of another format.
    for (std::string header : {std::string("TNCPROJ"), std::string("BGIMGSET")}) {
        std::string other = good;
        other.replace(0, header.size(), header);
        GxBinBuffer b;
        GxContentFillBuffer(b, other);
        GxNcProjectEx r;
        EXPECT_FALSE(r.ReadFromBuffer(b)) << header;
    }
}

TEST_F(NcTest, StageCountIsBoundedSinceStagesHoldNoBytes)
{
    GxNcProjectEx p;
    p.m_ImageSetFileNameList = {std::u16string(70000, u'x')};  // enough bytes after the count
    for (uint32_t stages : {kGxNcMaxStageCount, kGxNcMaxStageCount + 1}) {
        p.m_StageList.resize(stages);
        GxBinBuffer buffer;
        GxContentFillBuffer(buffer, GxNcProjectToBytes(p, GxContentForm::Binary));
        GxNcProjectEx read;
        m_Log.Clear();
        EXPECT_EQ(read.ReadFromBuffer(buffer), stages == kGxNcMaxStageCount) << stages;
        if (stages == kGxNcMaxStageCount) {
            EXPECT_EQ(read.m_StageList.size(), stages);
        } else {
            EXPECT_TRUE(Logged("GxNcProjectEx::Read StageCount Too Large(65537)")) << m_Log.Joined();
        }
    }
}

// ---- files, linking and the factory ----

class NcProjectFileTest : public NcTest
{
protected:
    // gnc/chara/main.gnc naming gnc/gis/face.gis, whose source image "smile.png" has two
    // patterns; the project links to it, to a missing set, to a missing image, to its own
    // motion and to a missing motion.
    void WriteFiles(GxContentForm form = GxContentForm::Binary)
    {
        GxNcCrammedImageSet set;
        set.m_CrammedImageArray.resize(1);
        set.m_CrammedImageArray[0].m_FileName = u"face_0.png";
        GxNcOriginImage& smile = GxNcAddOriginImage(set, u"smile.png");
        GxNcAddPattern(smile, 0, 0, 0, 16, 16, 0, 0);
        GxNcAddPattern(smile, 0, 16, 0, 16, 16, 16, 0);
        ASSERT_TRUE(Write("gnc/gis/face.gis", GxNcImageSetToBytes(set, form)));

        GxNcProjectEx p;
        p.m_ProjectName = u"main";
        GxNcMotionGroup& g = GxNcAddMotionGroup(p, u"grp");
        GxNcMotion& walk = GxNcAddMotion(g, u"walk", 100);
        GxNcMotion& run = GxNcAddMotion(g, u"run", 100);
        GxNcLayer& l = GxNcAddLayer(walk, u"face");
        GxNcImageKey k;
        k.m_ImageSetName = u"face.gis";
        k.m_ImageFileName = u"smile.png";
        l.m_ImageTrack.push_back(k);  // links
        k.m_Time = 10;
        k.m_ImageSetName = u"nothere.gis";
        l.m_ImageTrack.push_back(k);  // missing set
        k.m_Time = 20;
        k.m_ImageSetName = u"face.gis";
        k.m_ImageFileName = u"frown.png";
        l.m_ImageTrack.push_back(k);  // missing image
        k = GxNcImageKey();
        k.m_Time = 30;
        k.m_MotionGroupName = u"grp";
        k.m_MotionName = u"run";
        l.m_ImageTrack.push_back(k);  // motion reference
        k.m_Time = 40;
        k.m_MotionName = u"fly";
        l.m_ImageTrack.push_back(k);  // missing motion
        k.m_Time = 50;
        k.m_MotionGroupName.clear();
        k.m_ImageFileName = u"smile.png";  // no set name: silently unlinked
        l.m_ImageTrack.push_back(k);
        GxNcAddTreeNode(walk, nullptr, u"face");
        GxNcAddTreeNode(walk, nullptr, u"ghost");
        GxNcAddLayer(run, u"r");
        p.m_ImageSetFileNameList = {u"face.gis"};
        ASSERT_TRUE(Write("gnc/Chara/Main.gnc", GxNcProjectToBytes(p, form)));
    }
};

TEST_F(NcProjectFileTest, GetLowerCasesTheNameAndLinksNamesWithMessages)
{
    for (GxContentForm form : {GxContentForm::Binary, GxContentForm::Text}) {
        SCOPED_TRACE(FormName(form));
        WriteFiles(form);
        m_Log.Clear();
        GxNcProjectFactory& factory = GxGetNcProjectFactory();
        GxNcProjectEx* p = factory.Get(u"gnc/Chara/Main.GNC", u"gnc/gis", false);
        ASSERT_NE(p, nullptr) << m_Log.Joined();
        EXPECT_EQ(p->GetRefCount(), 1u);
        EXPECT_EQ(p->GetProjectFolder(), u"gnc/chara/");
        EXPECT_EQ(p->GetImageFolder(), u"gnc/gis/");
        EXPECT_EQ(p->m_ImageSetFileNameList, std::vector<std::u16string>{u"gnc/gis/face.gis"});
        EXPECT_EQ(factory.Find(u"GNC/chara/main.gnc"), p);

        GxNcCrammedImageSet* set = GxGetNcCrammedImageSetFactory().Find(u"gnc/gis/face.gis");
        ASSERT_NE(set, nullptr);
        EXPECT_EQ(set->GetRefCount(), 1u);
        // Loaded without textures: the set waits for them.
        EXPECT_EQ(GxGetNcCrammedImageSetFactory().GetPendingTextureList().size(), 1u);

        GxNcMotion* walk = GxNcFindMotionByName(p, u"grp", u"walk");
        ASSERT_NE(walk, nullptr);
        const auto& keys = walk->m_LayerList[0]->m_ImageTrack;
        ASSERT_EQ(keys.size(), 6u);
        EXPECT_EQ(keys[0].m_pOriginImage, set->FindOriginImage(u"smile.png"));
        EXPECT_NE(keys[0].m_pOriginImage, nullptr);
        EXPECT_EQ(keys[1].m_pOriginImage, nullptr);
        EXPECT_EQ(keys[2].m_pOriginImage, nullptr);
        EXPECT_EQ(keys[3].m_pMotion, GxNcFindMotionByName(p, u"grp", u"run"));
        EXPECT_NE(keys[3].m_pMotion, nullptr);
        EXPECT_EQ(keys[4].m_pMotion, nullptr);
        EXPECT_EQ(keys[5].m_pOriginImage, nullptr);

        EXPECT_TRUE(Logged("画像が存在しません MotionGroup:grp Motion:walk Layer:face Time:10 -> ImageSet:nothere.gis "
                           "File:smile.png\n"))
            << m_Log.Joined();
        EXPECT_TRUE(Logged("Time:20 -> ImageSet:face.gis File:frown.png\n"));
        EXPECT_TRUE(Logged("KeyFrameが存在しないモーションを参照しています MotionGroup:grp Motion:walk Layer:face "
                           "Time:40 -> MotionGroup:grp Motion:fly\n"));
        EXPECT_TRUE(Logged("LayerNotFound:ghost\n"));
        EXPECT_EQ(CountLogged("画像が存在しません"), 2u);
        EXPECT_EQ(CountLogged("KeyFrame"), 1u);
        EXPECT_EQ(TreeDump(walk->GetTreeTop()), "face#0 ghost#-1");

        // The same project in other letters: the same object, two references; two releases
        // delete it and give its image set back.
        EXPECT_EQ(factory.Get(u"GNC/CHARA/MAIN.gnc", u"gnc/gis", false), p);
        EXPECT_EQ(p->GetRefCount(), 2u);
        EXPECT_EQ(factory.GetCount(), 1u);
        factory.Release(p);
        EXPECT_EQ(factory.Find(u"gnc/chara/main.gnc"), p);
        EXPECT_NE(GxGetNcCrammedImageSetFactory().Find(u"gnc/gis/face.gis"), nullptr);
        factory.ReleaseByName(u"Gnc/Chara/Main.Gnc");
        EXPECT_EQ(factory.Find(u"gnc/chara/main.gnc"), nullptr);
        EXPECT_EQ(factory.GetCount(), 0u);
        EXPECT_EQ(GxGetNcCrammedImageSetFactory().Find(u"gnc/gis/face.gis"), nullptr);
        EXPECT_TRUE(GxGetNcCrammedImageSetFactory().GetPendingTextureList().empty());
        EXPECT_FALSE(Logged("Warning/"));
    }
}

TEST_F(NcProjectFileTest, ProjectsShareTheirImageSetsByReference)
{
    WriteFiles();
    ASSERT_TRUE(Write("gnc/Chara/copy.gnc", [] {
        GxNcProjectEx p;
        p.m_ImageSetFileNameList = {u"FACE.gis"};
        return GxNcProjectToBytes(p, GxContentForm::Text);
    }()));
    GxNcProjectFactory& factory = GxGetNcProjectFactory();
    GxNcProjectEx* a = factory.Get(u"gnc/chara/main.gnc", u"gnc/gis/", true);
    GxNcProjectEx* b = factory.Get(u"gnc/chara/copy.GNC", u"gnc/gis/", true);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    GxNcCrammedImageSet* set = GxGetNcCrammedImageSetFactory().Find(u"gnc/gis/face.gis");
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->GetRefCount(), 2u);
    EXPECT_EQ(m_Graphics.m_LoadedPaths, std::vector<std::u16string>{u"gnc/gis/face_0.png"});
    factory.Release(a);
    EXPECT_EQ(set->GetRefCount(), 1u);
    factory.Release(b);
    EXPECT_EQ(GxGetNcCrammedImageSetFactory().Find(u"gnc/gis/face.gis"), nullptr);
    EXPECT_EQ(m_Graphics.LiveTextures(), 0);
}

TEST_F(NcProjectFileTest, MissingOrDamagedFileGivesNullAndTheNextGetRetries)
{
    GxNcProjectFactory& factory = GxGetNcProjectFactory();
    EXPECT_EQ(factory.Get(u"gnc/chara/main.gnc", u"gnc/gis", true), nullptr);
    EXPECT_EQ(factory.GetCount(), 0u);

    // A good header, then a string whose length runs past the end.
    std::string damaged = std::string("BNCPROJ") + std::string(9, '\0') + std::string("\0\0\0\x64\x1a\0\0\1\0", 9);
    ASSERT_TRUE(Write("gnc/Chara/Main.gnc", damaged));
    m_Log.Clear();
    EXPECT_EQ(factory.Get(u"gnc/chara/main.gnc", u"gnc/gis", true), nullptr);
    EXPECT_EQ(factory.GetCount(), 0u);
    EXPECT_TRUE(Logged("GxNcProjectEx::LoadProjectFile Broken File(gnc/chara/main.gnc)")) << m_Log.Joined();

    WriteFiles();
    GxNcProjectEx* p = factory.Get(u"gnc/chara/main.gnc", u"gnc/gis", true);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->GetRefCount(), 1u);
    factory.Release(p);
    EXPECT_EQ(factory.GetCount(), 0u);
}

TEST_F(NcProjectFileTest, ReleasingWhatIsNotHeldWarnsAndReportNamesTheRest)
{
    WriteFiles();
    GxNcProjectFactory& factory = GxGetNcProjectFactory();
    GxNcProjectEx* p = factory.Get(u"gnc/chara/main.gnc", u"gnc/gis", true);
    ASSERT_NE(p, nullptr);
    m_Log.Clear();
    factory.ReleaseByName(u"gnc/other.gnc");
    EXPECT_TRUE(Logged("Warning/GxNcProjectFactory You tried to release the object does not exist(gnc/other.gnc)\n"));
    GxNcProjectEx stray;
    stray.m_ProjectName = u"stray";
    factory.Release(&stray);
    EXPECT_TRUE(Logged("Warning/GxNcProjectFactory You tried to release the object does not exist(stray)\n"));
    EXPECT_EQ(p->GetRefCount(), 1u);

    factory.ReportUnreleased();
    EXPECT_TRUE(Logged("Warning/GxNcProjectFactory Object Not Released(gnc/chara/main.gnc)\n"));
    factory.ReleaseAll();
    EXPECT_EQ(factory.GetCount(), 0u);
    EXPECT_EQ(GxGetNcCrammedImageSetFactory().GetCount(), 0u);
}

TEST(NcLookupTest, FindsFirstExactMatchOrNull)
{
    GxNcProjectEx p;
    GxNcMotionGroup& g1 = GxNcAddMotionGroup(p, u"Grp");
    GxNcMotionGroup& g2 = GxNcAddMotionGroup(p, u"Grp");
    GxNcMotion& m1 = GxNcAddMotion(g1, u"Walk", 10);
    GxNcAddMotion(g2, u"Walk", 10);
    EXPECT_EQ(GxNcFindMotionGroup(&p, u"Grp"), &g1);
    EXPECT_EQ(GxNcFindMotionGroup(&p, u"grp"), nullptr);
    EXPECT_EQ(GxNcFindMotionGroup(nullptr, u"Grp"), nullptr);
    EXPECT_EQ(GxNcFindMotion(&g1, u"Walk"), &m1);
    EXPECT_EQ(GxNcFindMotion(&g1, u"walk"), nullptr);
    EXPECT_EQ(GxNcFindMotion(nullptr, u"Walk"), nullptr);
    EXPECT_EQ(GxNcFindMotionByName(&p, u"Grp", u"Walk"), &m1);
    EXPECT_EQ(GxNcFindMotionByName(&p, u"None", u"Walk"), nullptr);
    GxNcAddLayer(m1, u"a");
    GxNcAddLayer(m1, u"b");
    GxNcLayer other;
    GxNcLayer* layer = &other;
    EXPECT_EQ(GxNcFindLayerIndexByName(u"b", &m1, &layer), 1);
    EXPECT_EQ(layer, m1.m_LayerList[1].get());
    EXPECT_EQ(GxNcFindLayerIndexByName(u"B", &m1, &layer), -1);
    EXPECT_EQ(layer, nullptr);
}

}  // namespace
