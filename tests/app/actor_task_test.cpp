// The actor task: defaults, colour packing, absolute position and world matrix, and storage of
// the actor with its pending actions in both forms of the content stream.
#include <gtest/gtest.h>

#include <string>

#include "app/GxTaskActor.h"
#include "app/task/GxTaskManage.h"
#include "core/GxContentReader.h"
#include "core/GxContentTextReader.h"
#include "tests/support/GxContentFixture.h"

namespace {

TEST(ActorTask, NewActorHasTheDefaultVisualState)
{
    GxTaskActor actor(nullptr, nullptr, 0, nullptr);
    const GxActorVisualParam& v = actor.GetVisualParam();
    EXPECT_TRUE(actor.IsVisible());
    EXPECT_EQ(actor.GetOrderZ(), 1000.0f);
    EXPECT_EQ(actor.GetAlpha(), 255);
    EXPECT_EQ(actor.GetColor0(), GxFColor(1, 1, 1, 1));
    EXPECT_EQ(v.m_Color1, GxFColor(0, 0, 0, 0));
    EXPECT_EQ(actor.GetScale(), GxVector3(1, 1, 1));
    EXPECT_EQ(actor.GetPos(), GxVector3());
    EXPECT_EQ(v.m_UVOffset, GxVector2());
    EXPECT_EQ(actor.GetBlendMode(), 2);
    EXPECT_FALSE(actor.m_ActionPause);
    EXPECT_TRUE(actor.IsActionFinished());
    EXPECT_TRUE(actor.IsKindOf(GxTaskKind::Actor));
    EXPECT_TRUE(actor.IsKindOf(GxTaskKind::Folder));
    EXPECT_EQ(actor.GetWidth(), 0);
    EXPECT_EQ(actor.GetHeight(), 0);
}

TEST(ActorTask, ResetRestoresTheDefaultsButKeepsTheFourthComponents)
{
    GxActorVisualParam v;
    v.m_Visible = false;
    v.m_OrderZ = 3.0f;
    v.m_Alpha = 7;
    v.m_Color0 = GxFColor(0, 0, 0, 0);
    v.m_Pos = GxVector3(1, 2, 3, 9);
    v.m_Scale = GxVector3(5, 5, 5, 9);
    v.m_ShakeOffsetPos = GxVector3(4, 4, 4);
    v.m_BlendMode = 5;
    v.Reset();
    EXPECT_TRUE(v.m_Visible);
    EXPECT_EQ(v.m_OrderZ, 1000.0f);
    EXPECT_EQ(v.m_Alpha, 255);
    EXPECT_EQ(v.m_Color0, GxFColor(1, 1, 1, 1));
    EXPECT_EQ(v.m_Pos, GxVector3());
    EXPECT_EQ(v.m_Pos.w, 9.0f);
    EXPECT_EQ(v.m_Scale, GxVector3(1, 1, 1));
    EXPECT_EQ(v.m_ShakeOffsetPos, GxVector3());
    EXPECT_EQ(v.m_BlendMode, 2);
}

TEST(ActorTask, SettersAndGetters)
{
    GxTaskActor actor(nullptr, nullptr, 0, nullptr);
    actor.SetColor0ARGB(0x80FF0000u);
    EXPECT_EQ(actor.GetColor0(), GxFColor(1.0f, 0.0f, 0.0f, 128.0f / 255.0f));

    EXPECT_EQ(actor.SetAlpha(300), 300);
    EXPECT_EQ(actor.GetAlpha(), 300);
    EXPECT_EQ(actor.SetBlendMode(5), 5);

    // The setters copy four components; the getters return w = 0.
    actor.SetPos(GxVector3(1, 2, 3, 4));
    EXPECT_EQ(actor.GetVisualParam().m_Pos.w, 4.0f);
    EXPECT_EQ(actor.GetPos().w, 0.0f);
    EXPECT_EQ(actor.GetPos(), GxVector3(1, 2, 3));
    actor.SetRot(GxVector3(0, 0, 45, 1));
    EXPECT_EQ(actor.GetRot().w, 0.0f);
    actor.SetCenterPos(GxVector3(5, 6, 0));
    EXPECT_EQ(actor.GetCenterPos(), GxVector3(5, 6, 0));
    actor.Hide();
    EXPECT_FALSE(actor.IsVisible());
    actor.Show();
    EXPECT_TRUE(actor.IsVisible());
}

TEST(ActorTask, Color0ArgbCombinesAlphaColourAlphaAndExtraAlpha)
{
    GxActorVisualParam v;
    v.m_Alpha = 128;
    v.m_Color0 = GxFColor(1.0f, 0.5f, 0.0f, 1.0f);
    EXPECT_EQ(v.GetColor0Argb(255), 0x80FF7F00u);
    EXPECT_EQ(v.GetColor0Argb(0) >> 24, 0u);
    // An alpha above 255 is stored as is and clamped only by the packing.
    v.m_Alpha = 300;
    EXPECT_EQ(v.GetColor0Argb(255) >> 24, 0xFFu);
    v.m_Alpha = 255;
    v.m_Color0.a = 0.5f;
    EXPECT_EQ(v.GetColor0Argb(255) >> 24, 127u);
}

TEST(ActorTask, AbsolutePositionAccumulatesTranslationOnly)
{
    GxTaskManage manager;
    GxTaskBase& root = *new GxTaskBase(&manager);  // the manager deletes the tree
    GxTaskFolder* folder = new GxTaskFolder(u"top", nullptr, 0, &root);
    GxTaskActor* layer = new GxTaskActor(nullptr, nullptr, 0, folder);
    GxTaskActor* actor = new GxTaskActor(nullptr, nullptr, 0, layer);
    layer->SetPos(GxVector3(100, 0, 0));
    layer->GetVisualParam().m_ShakeOffsetPos = GxVector3(3, -2, 0);
    layer->SetScale(GxVector3(2, 2, 2));
    layer->SetRot(GxVector3(0, 0, 90));
    actor->SetPos(GxVector3(10, 20, 0, 7));
    EXPECT_EQ(actor->GetAbsolutePos(), GxVector3(113, 18, 0));
    EXPECT_EQ(actor->GetAbsolutePos().w, 0.0f);

    // A folder between actors passes its parent's position through.
    GxTaskFolder* inner = new GxTaskFolder(nullptr, nullptr, 0, actor);
    GxTaskActor* leaf = new GxTaskActor(nullptr, nullptr, 0, inner);
    leaf->SetPos(GxVector3(1, 1, 1));
    EXPECT_EQ(inner->GetAbsolutePos(), GxVector3(113, 18, 0));
    EXPECT_EQ(leaf->GetAbsolutePos(), GxVector3(114, 19, 1));
    EXPECT_EQ(folder->GetAbsolutePos(), GxVector3());

    // A plain task places nothing.
    EXPECT_EQ(root.GetPos(), GxVector3());
    EXPECT_EQ(root.GetScale(), GxVector3(1, 1, 1));
    EXPECT_EQ(root.GetScale().w, 0.0f);
}

TEST(ActorTask, WorldMatrixScalesAndRotatesAboutTheCentreThenMoves)
{
    GxTaskActor actor(nullptr, nullptr, 0, nullptr);
    actor.SetPos(GxVector3(100, 0, 0));
    actor.SetCenterPos(GxVector3(10, 10, 0));
    actor.SetScale(GxVector3(2, 2, 1));
    const GxMatrix m = actor.GetWorldMatrix();
    EXPECT_EQ(GxVector3(10, 10, 0) * m, GxVector3(110, 10, 0));
    EXPECT_EQ(GxVector3(0, 0, 0) * m, GxVector3(90, -10, 0));

    // 90 degrees about z, held in degrees: (20, 10) is 10 right of the centre and lands below it
    // (y down) at the same distance.
    actor.SetScale(GxVector3(1, 1, 1));
    actor.SetRot(GxVector3(0, 0, 90));
    const GxVector3 p = GxVector3(20, 10, 0) * actor.GetWorldMatrix();
    EXPECT_NEAR(p.x, 110.0f, 1e-4f);
    EXPECT_NEAR(p.y, 20.0f, 1e-4f);

    GxMatrix expected;
    expected.SetWorld(GxVector3(1, 1, 1), GxVector3(100, 0, 0), GxVector3(0, 0, 90 * GxDegToRad),
                      GxVector3(10, 10, 0));
    EXPECT_EQ(actor.GetWorldMatrix(), expected);
}

// ---------------------------------------------------------------------------------------------
// Storage

class ActorStorage : public ::testing::TestWithParam<GxContentForm>
{
protected:
    std::string Write(GxTaskActor& actor)
    {
        return GxContentWriteToString(GetParam(), [&](GxContentWriterBase& w) { EXPECT_TRUE(actor.WriteContent(w)); });
    }

    template <typename Body>
    void Read(const std::string& bytes, const Body& body)
    {
        GxContentFillBuffer(m_Buffer, bytes);
        if (GetParam() == GxContentForm::Binary) {
            GxContentBinaryReader r(m_Buffer);
            body(static_cast<GxContentReaderBase&>(r));
        } else {
            GxContentTextReader r(m_Buffer);
            body(static_cast<GxContentReaderBase&>(r));
        }
    }

    GxBinBuffer m_Buffer;
    GxContentLogCapture m_Log;
};

void ExpectSameActor(const GxTaskActor& a, const GxTaskActor& b)
{
    const GxActorVisualParam& x = a.GetVisualParam();
    const GxActorVisualParam& y = b.GetVisualParam();
    EXPECT_EQ(x.m_Visible, y.m_Visible);
    EXPECT_EQ(x.m_OrderZ, y.m_OrderZ);
    EXPECT_EQ(x.m_Alpha, y.m_Alpha);
    EXPECT_EQ(x.m_Color0, y.m_Color0);
    EXPECT_EQ(x.m_Color1, y.m_Color1);
    EXPECT_EQ(x.m_Pos, y.m_Pos);
    EXPECT_EQ(x.m_Scale, y.m_Scale);
    EXPECT_EQ(x.m_Rot, y.m_Rot);
    EXPECT_EQ(x.m_CenterPos, y.m_CenterPos);
    EXPECT_EQ(x.m_UVOffset, y.m_UVOffset);
    EXPECT_EQ(x.m_ShakeOffsetPos, y.m_ShakeOffsetPos);
    EXPECT_EQ(x.m_BlendMode, y.m_BlendMode);
    EXPECT_EQ(a.m_ActionPause, b.m_ActionPause);
    for (int q = 0; q < 2; ++q) {
        const auto& qa = a.GetActionQueue(q);
        const auto& qb = b.GetActionQueue(q);
        ASSERT_EQ(qa.size(), qb.size()) << "queue " << q;
        for (auto ia = qa.begin(), ib = qb.begin(); ia != qa.end(); ++ia, ++ib) {
            EXPECT_EQ(ia->m_ActionType, ib->m_ActionType);
            EXPECT_EQ(ia->m_TimeLeft, ib->m_TimeLeft);
            EXPECT_EQ(ia->m_TimeTotal, ib->m_TimeTotal);
            EXPECT_EQ(ia->m_Start, ib->m_Start);
            EXPECT_EQ(ia->m_End, ib->m_End);
            EXPECT_EQ(ia->m_InterMode, ib->m_InterMode);
            EXPECT_EQ(ia->m_InterParam, ib->m_InterParam);
            EXPECT_EQ(ia->m_InitCompleted, ib->m_InitCompleted);
        }
    }
}

TEST_P(ActorStorage, RoundTripWithTwoPendingActionsContinuesWhereItWasSaved)
{
    GxTaskManage manager;
    GxTaskBase& root = *new GxTaskBase(&manager);  // the manager deletes the tree
    GxTaskActor* actor = new GxTaskActor(u"saved", nullptr, 0, &root);
    ASSERT_TRUE(actor->SetTaskID(41));
    actor->Pause();
    GxActorVisualParam& v = actor->GetVisualParam();
    v.m_Visible = false;
    v.m_OrderZ = 12.5f;
    v.m_Alpha = 0;
    v.m_Color0 = GxFColor(0.25f, 0.5f, 0.75f, 1.0f);
    v.m_Color1 = GxFColor(0.1f, 0.2f, 0.3f, 0.4f);
    v.m_Pos = GxVector3(5, 5, 0);
    v.m_Scale = GxVector3(2, 3, 1);
    v.m_Rot = GxVector3(0, 0, 30);
    v.m_CenterPos = GxVector3(16, 8, 0);
    v.m_UVOffset = GxVector2(0.5f, 0.25f);
    v.m_ShakeOffsetPos = GxVector3(1, -1, 0);
    v.m_BlendMode = 3;
    actor->m_ActionPause = true;
    // A move-by that has started (its start and end already taken from the position) and a fade
    // that has not.
    actor->AddActionMoveBy(GxVector3(10, 0, 0));
    GxActionParam moveBy = actor->GetActionQueue(1).front();
    actor->ClearAction();
    actor->AddAction(0, moveBy);
    actor->AddActionFadeIn(100);
    actor->UpdateAction(50);
    ASSERT_EQ(actor->GetActionQueue(0).size(), 2u);
    ASSERT_TRUE(actor->GetActionQueue(0).front().m_InitCompleted);
    ASSERT_EQ(actor->GetPos(), GxVector3(7.5f, 5, 0));

    const std::string bytes = Write(*actor);

    // Two lists, of lengths 2 and 0, after the base part and the visual state.
    Read(bytes, [&](GxContentReaderBase& r) {
        r.ReadGxU32AltValue("m_GlobalState");
        r.ReadGxS64Value("m_TaskID");
        GxActorVisualParam scratch;
        scratch.ReadContent(r);
        uint32_t count = 99;
        ASSERT_TRUE(r.ReadListBegin("m_ActionList", count));
        EXPECT_EQ(count, 2u);
        for (uint32_t i = 0; i < count; ++i) GxActionParam().ReadContent(r);
        r.ReadListEnd();
        ASSERT_TRUE(r.ReadListBegin("m_ActionList", count));
        EXPECT_EQ(count, 0u);
        r.ReadListEnd();
        EXPECT_TRUE(r.ReadGxBoolValue("m_ActionPause"));
        EXPECT_EQ(r.GetErrorCount(), 0);
        EXPECT_TRUE(r.IsEnd());
    });

    GxTaskManage otherManager;
    GxTaskBase& otherRoot = *new GxTaskBase(&otherManager);
    GxTaskActor* restored = new GxTaskActor(nullptr, nullptr, 0, &otherRoot);
    restored->AddActionWait(1, 500);  // replaced by the stored (empty) queue
    Read(bytes, [&](GxContentReaderBase& r) { EXPECT_TRUE(restored->ReadContent(r)); });
    EXPECT_TRUE(m_Log.Lines().empty()) << m_Log.Joined();
    ExpectSameActor(*actor, *restored);
    EXPECT_EQ(restored->GetGlobalState(), static_cast<uint32_t>(GxTaskState::Paused));
    EXPECT_EQ(restored->GetTaskID(), 41u);

    // Both go on alike: the started move keeps its start, the fade takes its start now.
    for (GxTaskActor* a : {actor, restored}) {
        a->UpdateAction(250);
        EXPECT_EQ(a->GetPos(), GxVector3(15, 5, 0));
        EXPECT_EQ(a->GetAlpha(), 255);
        EXPECT_TRUE(a->IsActionFinished());
    }
}

TEST_P(ActorStorage, ReadingMovesTheTaskIdInTheManager)
{
    GxTaskManage manager;
    GxTaskBase& root = *new GxTaskBase(&manager);  // the manager deletes the tree
    GxTaskActor source(nullptr, nullptr, 0, nullptr);
    source.SetTaskID(9);
    const std::string bytes = Write(source);

    GxTaskActor* a = new GxTaskActor(nullptr, nullptr, 0, &root);
    ASSERT_TRUE(a->SetTaskID(5));
    Read(bytes, [&](GxContentReaderBase& r) { EXPECT_TRUE(a->ReadContent(r)); });
    EXPECT_EQ(a->GetTaskID(), 9u);
    EXPECT_TRUE(m_Log.Lines().empty()) << m_Log.Joined();

    GxTaskActor* b = new GxTaskActor(nullptr, nullptr, 0, &root);
    EXPECT_TRUE(b->SetTaskID(5));  // freed by the read
    GxTaskActor* c = new GxTaskActor(nullptr, nullptr, 0, &root);
    EXPECT_FALSE(c->SetTaskID(9));  // taken by the read
    EXPECT_NE(m_Log.Joined().find("TaskID重複"), std::string::npos);
}

TEST_P(ActorStorage, TruncatedStreamFailsWithoutHarm)
{
    GxTaskActor source(nullptr, nullptr, 0, nullptr);
    source.AddActionFadeIn(100);
    source.AddActionMoveBy(GxVector3(1, 2, 3));
    std::string bytes = Write(source);
    bytes.resize(bytes.size() * 2 / 3);

    GxTaskActor a(nullptr, nullptr, 0, nullptr);
    Read(bytes, [&](GxContentReaderBase& r) { EXPECT_FALSE(a.ReadContent(r)); });
    EXPECT_FALSE(m_Log.Lines().empty());
    // Whatever was restored still runs to an end.
    a.FinishAction();
    EXPECT_TRUE(a.IsActionFinished());
}

TEST(ActorStorageText, ACountBeyondTheItemsStopsAtTheFirstFailedItem)
{
    GxTaskActor source(nullptr, nullptr, 0, nullptr);
    source.AddActionFadeIn(100);
    std::string text = GxContentWriteToString(GxContentForm::Text,
                                              [&](GxContentWriterBase& w) { source.WriteContent(w); });
    const size_t at = text.find("m_ActionList\t\t1\t");
    ASSERT_NE(at, std::string::npos) << text;
    text.replace(at, 16, "m_ActionList\t\t9\t");

    GxContentLogCapture log;
    GxBinBuffer buffer;
    GxContentFillBuffer(buffer, text);
    GxContentTextReader reader(buffer);
    GxTaskActor a(nullptr, nullptr, 0, nullptr);
    EXPECT_FALSE(a.ReadContent(reader));
    // The stored fade, then the item that ran into the list's end; no default action for each
    // item the count still promised.
    ASSERT_EQ(a.GetActionQueue(0).size(), 2u);
    EXPECT_EQ(a.GetActionQueue(0).front().m_TimeTotal, 100);
    EXPECT_LT(log.Lines().size(), 20u) << log.Joined();
}

INSTANTIATE_TEST_SUITE_P(BothForms, ActorStorage, ::testing::Values(GxContentForm::Binary, GxContentForm::Text),
                         [](const auto& info) {
                             return info.param == GxContentForm::Binary ? std::string("Binary") : std::string("Text");
                         });

}  // namespace
