// Actor actions: the evaluation of one queue with time carried from action to action, the
// delayed changes, the easing modes, the shake, running everything to its end, and the easing
// curves the actions share with the key-frame motions.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/GxTaskActor.h"
#include "core/GxRandom.h"
#include "layer/GxNcInterpolate.h"

namespace {

GxActionParam MakeAction(int32_t type, int32_t time, GxVector3 end = GxVector3(), uint32_t mode = 1)
{
    GxActionParam a;
    a.m_ActionType = type;
    a.m_TimeLeft = time;
    a.m_TimeTotal = time;
    a.m_End = end;
    a.m_InterMode = mode;
    return a;
}

TEST(ActorAction, FadeInCountsWholeAlphaSteps)
{
    GxTaskActor actor(nullptr, nullptr, 0, nullptr);
    actor.SetAlpha(0);
    actor.AddActionFadeIn(1000);
    EXPECT_TRUE(actor.UpdateAction(250));
    EXPECT_EQ(actor.GetAlpha(), 63);  // 63.75 truncated
    EXPECT_TRUE(actor.UpdateAction(749));
    EXPECT_EQ(actor.GetAlpha(), 254);
    EXPECT_FALSE(actor.UpdateAction(1));
    EXPECT_EQ(actor.GetAlpha(), 255);
    EXPECT_TRUE(actor.IsActionFinished());

    // A fade-out starts from whatever alpha the actor has when it begins.
    actor.SetAlpha(200);
    actor.AddActionFadeOut(100);
    actor.UpdateAction(50);
    EXPECT_EQ(actor.GetAlpha(), 100);
}

// Values of a saved game may lie beyond what an alpha or a blend mode holds: they saturate.
TEST(ActorAction, StoredValuesBeyondTheIntegerRangeSaturate)
{
    struct Case
    {
        int32_t type;
        float end;
        int32_t alpha, blend;  // blend -1: left as it was
    };
    const Case cases[] = {{ACTIONTYPE_SETALPHA, 1e30f, INT32_MAX, -1},
                          {ACTIONTYPE_SETALPHA, -1e30f, INT32_MIN, -1},
                          {ACTIONTYPE_SETBLENDMODE, 3e9f, 255, INT32_MAX},
                          {ACTIONTYPE_FADE, -5e9f, INT32_MIN, -1}};
    for (const Case& c : cases) {
        GxTaskActor actor(nullptr, nullptr, 0, nullptr);
        actor.SetAlpha(255);
        const int32_t blend = c.blend < 0 ? actor.GetBlendMode() : c.blend;
        ASSERT_TRUE(actor.AddAction(0, MakeAction(c.type, 0, GxVector3(c.end, 0, 0))));
        actor.UpdateAction(10);
        EXPECT_EQ(actor.GetAlpha(), c.alpha) << c.type;
        EXPECT_EQ(actor.GetBlendMode(), blend) << c.type;
    }
}

TEST(ActorAction, TimeLeftOverPassesToTheNextAction)
{
    GxTaskActor actor(nullptr, nullptr, 0, nullptr);
    actor.AddActionMoveTo(GxVector3(100, 50, 0), 100, ACTIONINTER_LINEAR);
    actor.AddActionHide();
    EXPECT_FALSE(actor.UpdateAction(150));
    EXPECT_EQ(actor.GetPos(), GxVector3(100, 50, 0));
    EXPECT_FALSE(actor.IsVisible());
    EXPECT_TRUE(actor.IsActionFinished());

    // The spare 50 ms of a move reach a wait behind it, which then needs only 50 more.
    GxTaskActor b(nullptr, nullptr, 0, nullptr);
    b.AddActionMoveTo(GxVector3(10, 0, 0), 100, ACTIONINTER_LINEAR);
    b.AddActionWait(0, 100);
    b.AddActionHide();
    EXPECT_TRUE(b.UpdateAction(150));
    EXPECT_EQ(b.GetActionQueue(0).front().m_TimeLeft, 50);
    EXPECT_TRUE(b.IsVisible());
    // Exactly 50 ends the wait with nothing to spare; the hide then waits for the next update.
    EXPECT_TRUE(b.UpdateAction(50));
    EXPECT_TRUE(b.IsVisible());
    EXPECT_FALSE(b.UpdateAction(1));
    EXPECT_FALSE(b.IsVisible());
}

TEST(ActorAction, ChainedMovesByStartFromWhereTheLastEnded)
{
    GxTaskActor actor(nullptr, nullptr, 0, nullptr);
    actor.SetPos(GxVector3(5, 5, 0));
    actor.AddActionMoveBy(GxVector3(10, 0, 0));
    actor.AddActionMoveBy(GxVector3(10, 0, 0));
    EXPECT_TRUE(actor.GetActionQueue(0).empty());
    ASSERT_EQ(actor.GetActionQueue(1).size(), 2u);
    EXPECT_EQ(actor.GetActionQueue(1).front().m_TimeTotal, 200);
    actor.UpdateAction(100);
    EXPECT_EQ(actor.GetPos(), GxVector3(10, 5, 0));
    actor.UpdateAction(100);
    EXPECT_EQ(actor.GetPos(), GxVector3(15, 5, 0));
    actor.UpdateAction(200);
    EXPECT_EQ(actor.GetPos(), GxVector3(25, 5, 0));

    // In one update both run.
    GxTaskActor b(nullptr, nullptr, 0, nullptr);
    b.SetPos(GxVector3(5, 5, 0));
    b.AddActionMoveBy(GxVector3(10, 0, 0));
    b.AddActionMoveBy(GxVector3(10, 0, 0));
    EXPECT_FALSE(b.UpdateAction(400));
    EXPECT_EQ(b.GetPos(), GxVector3(25, 5, 0));
}

TEST(ActorAction, TheTwoQueuesRunSideBySide)
{
    GxTaskActor actor(nullptr, nullptr, 0, nullptr);
    actor.SetAlpha(0);
    actor.AddActionFadeIn(100);
    actor.AddActionMoveBy(GxVector3(0, 20, 0));  // queue 1, 200 ms
    EXPECT_TRUE(actor.UpdateAction(100));
    EXPECT_EQ(actor.GetAlpha(), 255);
    EXPECT_EQ(actor.GetPos(), GxVector3(0, 10, 0));
    EXPECT_FALSE(actor.UpdateAction(100));
    EXPECT_EQ(actor.GetPos(), GxVector3(0, 20, 0));
}

TEST(ActorAction, EaseModesAtTheMidpointAndTheEnds)
{
    const float ease = 1.0f - std::pow(0.5f, 2.6f);
    EXPECT_NEAR(GxActionEase(ACTIONINTER_EASEOUT, 0.5f), 0.835f, 1e-3f);
    EXPECT_FLOAT_EQ(GxActionEase(ACTIONINTER_EASEOUT, 0.5f), ease);
    EXPECT_NEAR(GxActionEase(ACTIONINTER_EASEIN, 0.5f), 0.165f, 1e-3f);
    EXPECT_FLOAT_EQ(GxActionEase(ACTIONINTER_EASEIN, 0.5f), std::pow(0.5f, 2.6f));
    EXPECT_NEAR(GxActionEase(ACTIONINTER_SINE, 0.5f), 0.5f, 1e-6f);
    EXPECT_NEAR(GxActionEase(ACTIONINTER_SINE, 0.25f), 0.25f - 1.0f / 6.2831855f, 1e-6f);
    EXPECT_EQ(GxActionEase(ACTIONINTER_LINEAR, 0.5f), 0.5f);
    for (uint32_t mode : {0u, 5u, 99u}) EXPECT_EQ(GxActionEase(mode, 0.3f), 0.3f) << mode;
    for (uint32_t mode : {0u, 1u, 2u, 3u, 4u, 7u}) {
        EXPECT_NEAR(GxActionEase(mode, 0.0f), 0.0f, 1e-6f) << mode;
        EXPECT_NEAR(GxActionEase(mode, 1.0f), 1.0f, 1e-6f) << mode;
    }

    // The same through a move.
    GxTaskActor actor(nullptr, nullptr, 0, nullptr);
    actor.AddActionMoveTo(GxVector3(100, 0, 0), 100, ACTIONINTER_EASEOUT);
    actor.UpdateAction(50);
    EXPECT_FLOAT_EQ(actor.GetPos().x, 100.0f * ease);
    actor.UpdateAction(50);
    EXPECT_EQ(actor.GetPos(), GxVector3(100, 0, 0));
}

TEST(ActorAction, DelayedChangesWaitForTheirTime)
{
    GxTaskActor actor(nullptr, nullptr, 0, nullptr);
    actor.AddAction(0, MakeAction(ACTIONTYPE_HIDE, 300));
    actor.UpdateAction(150);
    actor.UpdateAction(149);
    EXPECT_TRUE(actor.IsVisible());
    EXPECT_FALSE(actor.UpdateAction(1));
    EXPECT_FALSE(actor.IsVisible());

    struct Case
    {
        int32_t type;
        GxVector3 end;
    };
    const Case cases[] = {
        {ACTIONTYPE_SHOW, GxVector3()},
        {ACTIONTYPE_SETALPHA, GxVector3(77.9f, 0, 0)},
        {ACTIONTYPE_SETCOLOR0, GxVector3(0.1f, 0.2f, 0.3f)},
        {ACTIONTYPE_SETCOLOR1, GxVector3(0.4f, 0.5f, 0.6f)},
        {ACTIONTYPE_SETBLENDMODE, GxVector3(4.0f, 0, 0)},
    };
    for (const Case& c : cases) actor.AddAction(1, MakeAction(c.type, 10, c.end));
    actor.GetVisualParam().m_Color1.a = 0.75f;
    actor.UpdateAction(9);
    EXPECT_FALSE(actor.IsVisible());  // the show still has 1 ms to wait
    actor.UpdateAction(1);
    EXPECT_TRUE(actor.IsVisible());
    EXPECT_EQ(actor.GetAlpha(), 255);  // the others wait their own 10 ms each
    actor.UpdateAction(40);
    EXPECT_EQ(actor.GetAlpha(), 77);
    EXPECT_EQ(actor.GetColor0(), GxFColor(0.1f, 0.2f, 0.3f, 1.0f));  // alpha kept
    EXPECT_EQ(actor.GetVisualParam().m_Color1, GxFColor(0.4f, 0.5f, 0.6f, 0.75f));
    EXPECT_EQ(actor.GetBlendMode(), 4);
    EXPECT_TRUE(actor.IsActionFinished());
}

TEST(ActorAction, ToAndByActionsOfScaleAndRotation)
{
    GxTaskActor actor(nullptr, nullptr, 0, nullptr);
    actor.SetRot(GxVector3(0, 0, 10));
    actor.AddAction(0, MakeAction(ACTIONTYPE_SCALETO, 100, GxVector3(3, 3, 1)));
    actor.AddAction(0, MakeAction(ACTIONTYPE_SCALEBY, 100, GxVector3(1, 0, 0)));
    actor.AddAction(1, MakeAction(ACTIONTYPE_ROTATEBY, 100, GxVector3(0, 0, 90)));
    actor.AddAction(1, MakeAction(ACTIONTYPE_ROTATETO, 100, GxVector3(0, 0, 0)));
    actor.UpdateAction(50);
    EXPECT_EQ(actor.GetScale(), GxVector3(2, 2, 1));
    EXPECT_EQ(actor.GetRot(), GxVector3(0, 0, 55));
    actor.UpdateAction(100);
    EXPECT_EQ(actor.GetScale(), GxVector3(3.5f, 3, 1));
    EXPECT_EQ(actor.GetRot(), GxVector3(0, 0, 50));
    actor.UpdateAction(50);
    EXPECT_EQ(actor.GetScale(), GxVector3(4, 3, 1));
    EXPECT_EQ(actor.GetRot(), GxVector3(0, 0, 0));
    EXPECT_EQ(actor.GetVisualParam().m_Rot.w, 0.0f);
}

TEST(ActorAction, ZeroLengthActions)
{
    // With no time only the front one runs; the next waits for the next evaluation.
    GxTaskActor actor(nullptr, nullptr, 0, nullptr);
    actor.AddActionSetColor0(0.0f, 0.5f, 1.0f);
    actor.AddActionHide();
    EXPECT_TRUE(actor.UpdateAction(0));
    EXPECT_EQ(actor.GetColor0(), GxFColor(0.0f, 0.5f, 1.0f, 1.0f));
    EXPECT_TRUE(actor.IsVisible());
    EXPECT_FALSE(actor.UpdateAction(0));
    EXPECT_FALSE(actor.IsVisible());

    // With at least 1 ms all of them run in one evaluation.
    GxTaskActor b(nullptr, nullptr, 0, nullptr);
    b.AddActionSetColor0(0.0f, 0.0f, 0.0f);
    b.AddActionHide();
    EXPECT_FALSE(b.UpdateAction(1));
    EXPECT_FALSE(b.IsVisible());
    EXPECT_EQ(b.GetColor0(), GxFColor(0, 0, 0, 1));

    // A zero-length move evaluates with p = 1, whatever its mode.
    GxTaskActor c(nullptr, nullptr, 0, nullptr);
    c.AddActionMoveTo(GxVector3(7, 8, 9), 0, ACTIONINTER_EASEIN);
    EXPECT_FALSE(c.UpdateAction(0));
    EXPECT_EQ(c.GetPos(), GxVector3(7, 8, 9));
}

TEST(ActorAction, UnknownTypesOnlyTakeTime)
{
    GxTaskActor actor(nullptr, nullptr, 0, nullptr);
    actor.AddAction(0, MakeAction(99, 100, GxVector3(5, 5, 5)));
    actor.AddActionHide();
    actor.UpdateAction(99);
    EXPECT_TRUE(actor.IsVisible());
    EXPECT_EQ(actor.GetPos(), GxVector3());
    actor.UpdateAction(2);  // 1 ms to end the wait, 1 to spare for the hide
    EXPECT_FALSE(actor.IsVisible());
}

TEST(ActorAction, FinishLandsOnTheEndStateAtOnce)
{
    GxTaskActor actor(nullptr, nullptr, 0, nullptr);
    actor.SetAlpha(0);
    actor.AddActionMoveTo(GxVector3(640, 480, 0), 20000, ACTIONINTER_SINE);
    actor.AddActionHide();
    actor.AddAction(1, MakeAction(ACTIONTYPE_SHAKE, 30000, GxVector3(8, 8, 0)));
    actor.AddAction(1, MakeAction(ACTIONTYPE_FADE, 500, GxVector3(128, 0, 0)));
    actor.UpdateAction(16);
    actor.FinishAction();
    EXPECT_TRUE(actor.IsActionFinished());
    EXPECT_EQ(actor.GetPos(), GxVector3(640, 480, 0));
    EXPECT_FALSE(actor.IsVisible());
    EXPECT_EQ(actor.GetAlpha(), 128);
    EXPECT_EQ(actor.GetVisualParam().m_ShakeOffsetPos, GxVector3());
    EXPECT_EQ(actor.GetAbsolutePos(), GxVector3(640, 480, 0));
}

TEST(ActorAction, ClearLeavesTheStateWhereItIs)
{
    GxTaskActor actor(nullptr, nullptr, 0, nullptr);
    actor.AddActionMoveTo(GxVector3(100, 0, 0), 100, ACTIONINTER_LINEAR);
    actor.AddActionMoveBy(GxVector3(0, 10, 0));
    actor.UpdateAction(40);
    actor.ClearAction();
    EXPECT_TRUE(actor.IsActionFinished());
    EXPECT_EQ(actor.GetPos(), GxVector3(40, 2, 0));
    EXPECT_FALSE(actor.UpdateAction(100));
    EXPECT_EQ(actor.GetPos(), GxVector3(40, 2, 0));
}

TEST(ActorAction, BadTimesNeitherReverseNorLendTime)
{
    // A negative elapsed time is no time.
    GxTaskActor actor(nullptr, nullptr, 0, nullptr);
    actor.SetAlpha(0);
    actor.AddActionFadeIn(100);
    actor.UpdateAction(-50);
    EXPECT_EQ(actor.GetActionQueue(0).front().m_TimeLeft, 100);
    EXPECT_EQ(actor.GetAlpha(), 0);

    // A negative time left (damaged saved data) ends that action without handing the next one
    // extra time.
    GxTaskActor b(nullptr, nullptr, 0, nullptr);
    b.SetAlpha(0);
    GxActionParam wait = MakeAction(ACTIONTYPE_WAIT, 100);
    wait.m_TimeLeft = -1000;
    b.AddAction(0, wait);
    b.AddActionFadeIn(100);
    b.UpdateAction(10);
    EXPECT_EQ(b.GetAlpha(), 25);
}

TEST(ActorAction, CopiesZeroTheFourthComponents)
{
    GxActionParam a = MakeAction(ACTIONTYPE_MOVETO, 10, GxVector3(1, 2, 3, 4));
    a.m_Start = GxVector3(5, 6, 7, 8);
    GxActionParam b(a);
    EXPECT_EQ(b.m_End, GxVector3(1, 2, 3));
    EXPECT_EQ(b.m_End.w, 0.0f);
    EXPECT_EQ(b.m_Start.w, 0.0f);
    GxTaskActor actor(nullptr, nullptr, 0, nullptr);
    actor.AddActionMoveTo(GxVector3(1, 1, 1, 9), 10, 1);
    EXPECT_EQ(actor.GetActionQueue(0).front().m_End.w, 0.0f);
    EXPECT_EQ(actor.GetActionQueue(0).front().m_InterParam, 0);
    EXPECT_FALSE(actor.GetActionQueue(0).front().m_InitCompleted);
    EXPECT_FALSE(actor.AddAction(2, a));
}

// ---------------------------------------------------------------------------------------------
// Shake

class ShakeTest : public ::testing::Test
{
protected:
    void TearDown() override { GxSetRandOverride(nullptr); }
};

TEST_F(ShakeTest, OffsetStaysInWholePixelsWithinTheAmplitudesAndEndsAtZero)
{
    // A spread of draws, the extremes included.
    std::vector<int32_t> draws = {0, 32767, 359, 9999, 180, 5000, 32766, 1, 270, 7777, 12345, 90};
    for (int i = 0; i < 200; ++i) draws.push_back((i * 7919 + 13) % 32768);
    size_t next = 0;
    GxSetRandOverride([&] { return draws[next++ % draws.size()]; });

    GxTaskActor actor(nullptr, nullptr, 0, nullptr);
    actor.GetVisualParam().m_ShakeOffsetPos.z = 3.0f;
    actor.AddAction(0, MakeAction(ACTIONTYPE_SHAKE, 500, GxVector3(8, 4, 0)));
    bool moved = false;
    GxVector3 last = actor.GetVisualParam().m_ShakeOffsetPos;
    for (int32_t count = 0; count < 40 && !actor.IsActionFinished(); ++count) {
        actor.SetUpdateCount(count);
        const size_t drawsBefore = next;
        actor.UpdateAction(16);
        const GxVector3 o = actor.GetVisualParam().m_ShakeOffsetPos;
        if (actor.IsActionFinished()) break;
        EXPECT_GE(o.x, -8.0f);
        EXPECT_LE(o.x, 8.0f);
        EXPECT_GE(o.y, -4.0f);
        EXPECT_LE(o.y, 4.0f);
        EXPECT_EQ(o.x, std::trunc(o.x));
        EXPECT_EQ(o.y, std::trunc(o.y));
        EXPECT_EQ(o.z, 3.0f);  // not touched while it runs
        if (count % 2 == 1) {
            EXPECT_EQ(next, drawsBefore);  // odd updates draw nothing and keep the offset
            EXPECT_EQ(o, last);
        } else {
            EXPECT_EQ(next, drawsBefore + 4);
        }
        if (o.x != 0.0f || o.y != 0.0f) moved = true;
        last = o;
    }
    EXPECT_TRUE(moved);
    EXPECT_TRUE(actor.IsActionFinished());
    EXPECT_EQ(actor.GetVisualParam().m_ShakeOffsetPos, GxVector3(0, 0, 0));  // z too, at the end
}

TEST_F(ShakeTest, AngleAdvancesWithTheRunTime)
{
    // After 16 ms t = 1, so the angle is the draw plus 20 degrees: 70 gives 90 degrees (sin 1),
    // 40 gives 60 degrees (cos 0.5).
    std::vector<int32_t> draws = {70, 5000, 40, 6000};
    size_t next = 0;
    GxSetRandOverride([&] { return draws[next++ % draws.size()]; });
    GxTaskActor actor(nullptr, nullptr, 0, nullptr);
    actor.AddAction(0, MakeAction(ACTIONTYPE_SHAKE, 500, GxVector3(8, 4, 0)));
    actor.UpdateAction(16);
    EXPECT_EQ(actor.GetVisualParam().m_ShakeOffsetPos, GxVector3(4, 1, 0));  // 8 x 0.5, trunc(4 x 0.6 x 0.5)
    EXPECT_EQ(actor.GetAbsolutePos(), GxVector3(4, 1, 0));
}

// ---------------------------------------------------------------------------------------------
// Easing curves

TEST(EasingCurves, PowerAndSineCurves)
{
    EXPECT_FLOAT_EQ(GxInterpolatePowerEase(0.3f, 0.0f, 0.0f, 1.0f), 0.3f);
    EXPECT_FLOAT_EQ(GxInterpolatePowerEase(0.5f, 0.25f, 0.0f, 1.0f), 0.75f);
    EXPECT_FLOAT_EQ(GxInterpolatePowerEase(0.5f, -0.25f, 0.0f, 1.0f), 0.25f);
    EXPECT_FLOAT_EQ(GxInterpolatePowerEase(0.5f, 0.25f, 10.0f, 20.0f), 17.5f);
    EXPECT_FLOAT_EQ(GxInterpolateSineEase(0.3f, 0.0f, 0.0f, 1.0f), 0.3f);
    EXPECT_FLOAT_EQ(GxInterpolateSineEase(0.5f, 1.0f, 0.0f, 1.0f), 0.5f + 1.0f / 3.14159274f);
    EXPECT_FLOAT_EQ(GxInterpolateSine2Ease(0.25f, 1.0f, 0.0f, 2.0f), 2.0f * (0.25f + 1.0f / 6.28318548f));
    for (float p : {-1.0f, -0.4f, 0.0f, 0.4f, 1.0f}) {
        EXPECT_NEAR(GxInterpolatePowerEase(0.0f, p, 0.0f, 1.0f), 0.0f, 1e-6f);
        EXPECT_NEAR(GxInterpolatePowerEase(1.0f, p, 0.0f, 1.0f), 1.0f, 1e-6f);
        EXPECT_NEAR(GxInterpolateSineEase(0.0f, p, 0.0f, 1.0f), 0.0f, 1e-6f);
        EXPECT_NEAR(GxInterpolateSineEase(1.0f, p, 0.0f, 1.0f), 1.0f, 1e-6f);
        EXPECT_NEAR(GxInterpolateSine2Ease(1.0f, p, 0.0f, 1.0f), 1.0f, 1e-6f);
    }
}

}  // namespace
