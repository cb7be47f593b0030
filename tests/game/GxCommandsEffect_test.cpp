// The screen-effect commands, run as script statements through the script host against the
// fake main play screen's full-screen layers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/GxActorAction.h"
#include "tests/support/GxCommandScreenTest.h"

namespace {

using gxtest::CommandScreenTest;
using Calls = std::vector<std::string>;

using EffectCommands = CommandScreenTest;

TEST_F(EffectCommands, FlashWithoutArgumentsFlashesWhiteOneSecondUpAndOneDown)
{
    GxTaskLayer& flash = *screen->flash;
    flash.SetColor0(GxFColor(0.0f, 0.0f, 0.0f, 1.0f));
    ASSERT_TRUE(Run("flash()\n")) << Errors();
    const auto& q = flash.GetActionQueue(0);
    ASSERT_EQ(q.size(), 3u);
    EXPECT_EQ(q[0].m_ActionType, ACTIONTYPE_SETCOLOR0);
    EXPECT_EQ(q[1].m_ActionType, ACTIONTYPE_FADE);
    EXPECT_EQ(q[2].m_ActionType, ACTIONTYPE_FADE);

    flash.UpdateAction(0);
    flash.UpdateAction(500);
    EXPECT_NEAR(flash.GetAlpha(), 127, 1) << "half way up";
    flash.UpdateAction(500);
    EXPECT_EQ(flash.GetAlpha(), 255) << "full after one second";
    EXPECT_FLOAT_EQ(flash.GetColor0().r, 1.0f);
    EXPECT_FLOAT_EQ(flash.GetColor0().g, 1.0f);
    EXPECT_FLOAT_EQ(flash.GetColor0().b, 1.0f);
    flash.UpdateAction(1000);
    flash.UpdateAction(1);
    EXPECT_EQ(flash.GetAlpha(), 0) << "gone after the second one";
    EXPECT_TRUE(flash.IsActionFinished());
}

TEST_F(EffectCommands, FlashTakesItsTimesAndColourAndRunsAfterAFlashUnderWay)
{
    GxTaskLayer& flash = *screen->flash;
    flash.AddActionWait(0, 50);
    ASSERT_TRUE(Run("flash(200, 300, 0x00FF00)\n")) << Errors();
    const auto& q = flash.GetActionQueue(0);
    ASSERT_EQ(q.size(), 4u);
    EXPECT_EQ(q[0].m_ActionType, ACTIONTYPE_WAIT) << "pending actions stay in front";
    EXPECT_EQ(q[2].m_TimeTotal, 200);
    EXPECT_EQ(q[3].m_TimeTotal, 300);
    flash.UpdateAction(50);
    flash.UpdateAction(0);
    flash.UpdateAction(200);
    EXPECT_EQ(flash.GetAlpha(), 255);
    EXPECT_FLOAT_EQ(flash.GetColor0().r, 0.0f);
    EXPECT_FLOAT_EQ(flash.GetColor0().g, 1.0f);
    EXPECT_FLOAT_EQ(flash.GetColor0().b, 0.0f);
}

TEST_F(EffectCommands, FlashWaWaitsForTheFlashLayer)
{
    struct Case
    {
        const char* script;
        int32_t mask;
        bool hidden;
    };
    const Case cases[] = {{"flash.wa()", 15, false}, {"flash.wa(1)", 15, true}, {"flash.wa(0, 0)", 1, false},
                          {"flash.wa(0, 10)", 11, false}};
    for (const Case& c : cases) {
        Data().m_HideWindowByCommandFlag = false;
        ASSERT_TRUE(Run(std::string(c.script) + "\n")) << c.script << Errors();
        EXPECT_EQ(Data().m_Hold_EndOfLayerActionSeparate, c.mask) << c.script;
        EXPECT_EQ(Data().m_Hold_EndOfLayerActionSeparate_LayerName, u"$GLOBALFLASH:SeqRukoMain") << c.script;
        EXPECT_EQ(Data().m_HideWindowByCommandFlag, c.hidden) << c.script;
    }
}

TEST_F(EffectCommands, ShakeDefaultsToEightHundredMillisecondsStillAndShakeEndStopsAtOnce)
{
    GxTaskLayer& visual = *screen->visual;
    ASSERT_TRUE(Run("shake()\n")) << Errors();
    EXPECT_EQ(screen->visual->Calls(), Calls{"StartShake 0 0 0 0 800"});
    EXPECT_TRUE(visual.IsShaking());
    EXPECT_EQ(visual.GetShakeTimeLeft(), 800);

    screen->log.clear();
    ASSERT_TRUE(Run("shake(300, 5, -7)\n")) << Errors();
    EXPECT_EQ(screen->visual->Calls(), Calls{"StartShake 5 -7 0 0 300"});

    screen->log.clear();
    ASSERT_TRUE(Run("shake.end()\n")) << Errors();
    EXPECT_EQ(screen->visual->Calls(), Calls{"StopShake"});
    EXPECT_FALSE(visual.IsShaking());
    EXPECT_FLOAT_EQ(visual.GetAbsolutePos().x, visual.GetPos().x) << "no offset is left";
}

TEST_F(EffectCommands, FadesFromAndToBlackWithTheirDefaults)
{
    GxTaskLayer& fade = *screen->fade;
    struct Case
    {
        const char* script;
        int32_t startAlpha;
        int32_t time;      // of the fade queued; -1: none, the alpha is set at once
        int32_t endAlpha;
    };
    const Case cases[] = {
        {"fout()", 0, 1000, 255}, {"fin()", 255, 1000, 0}, {"fout(250)", 0, 250, 255},
        {"fin(0)", 255, -1, 0},   {"fout(-3)", 0, -1, 255},
    };
    for (const Case& c : cases) {
        fade.ClearAction();
        fade.SetAlpha(c.startAlpha);
        fade.AddActionWait(0, 5000);
        ASSERT_TRUE(Run(std::string(c.script) + "\n")) << c.script << Errors();
        const auto& q = fade.GetActionQueue(0);
        if (c.time < 0) {
            EXPECT_TRUE(q.empty()) << c.script << ": the pending wait is dropped";
            EXPECT_EQ(fade.GetAlpha(), c.endAlpha) << c.script;
            continue;
        }
        ASSERT_EQ(q.size(), 1u) << c.script << ": the pending wait is dropped";
        EXPECT_EQ(q[0].m_ActionType, ACTIONTYPE_FADE) << c.script;
        EXPECT_EQ(q[0].m_TimeTotal, c.time) << c.script;
        EXPECT_EQ(fade.GetAlpha(), c.startAlpha) << c.script;
        fade.UpdateAction(c.time);
        fade.UpdateAction(1);
        EXPECT_EQ(fade.GetAlpha(), c.endAlpha) << c.script;
    }
}

}  // namespace
