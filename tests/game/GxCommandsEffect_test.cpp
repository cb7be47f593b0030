// The screen-effect commands, run as script statements through the script host against the
// fake main play screen's full-screen layers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/GxActorAction.h"
#include "tests/support/GxHideScreen.h"
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
    const auto& qList = flash.GetActionQueue(0);
    const std::vector<GxActionParam> q(qList.begin(), qList.end());
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
    const auto& qList = flash.GetActionQueue(0);
    const std::vector<GxActionParam> q(qList.begin(), qList.end());
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
    ExpectLayerWaits({{"flash.wa()", 15, false},
                      {"flash.wa(1)", 15, true},
                      {"flash.wa(0, 0)", 1, false},
                      {"flash.wa(0, 10)", 11, false}},
                     u"$GLOBALFLASH:SeqRukoMain");
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
        const auto& qList = fade.GetActionQueue(0);
        const std::vector<GxActionParam> q(qList.begin(), qList.end());
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

namespace {

// Before the main play screen exists (or in a game without one) the commands that need its
// tasks report and stop the script; those without a target of their own go on.
TEST(ScreenCommandsWithoutTheMainScreen, ReportAndStopOrGoOnWithoutTouchingAnything)
{
    gametest::StartedCore app;
    ASSERT_TRUE(app.initialized);
    gxtest::HideProgramMainScreen(app.core->GetTaskManage());
    GxGetDBRukoChar().GetRow(1)->CharName = u"Ruko";
    struct Case
    {
        const char* script;
        const char* error;  // null: goes on
    };
    const Case cases[] = {
        {"bg(\"a\")", "bg:メイン画面が見つかりません[SeqRukoMain]"},
        {"ev(\"a\", 0)", "ev:メイン画面が見つかりません[SeqRukoMain]"},
        {"bg.color(0xFF0000)", "bg.color:レイヤーが見つかりません[$BGLAYER:SeqRukoMain]"},
        {"bg.act_move(1, 2)", "bg.act_move:レイヤーが見つかりません[$BGLAYER:SeqRukoMain]"},
        {"flash()", "flash:レイヤーが見つかりません[$GLOBALFLASH:SeqRukoMain]"},
        {"shake()", "shake:レイヤーが見つかりません[$VISUAL:SeqRukoMain]"},
        {"shake.end()", "shake.end:レイヤーが見つかりません[$VISUAL:SeqRukoMain]"},
        {"sp.lcg(\"Ruko\")", "sp.lcg:レイヤーが見つかりません。命令が間違っているかキャラ名[Ruko]は未定義です"},
        {"stand(\"Ruko\")\nendstand", "stand:レイヤーが見つかりません。キャラ名[Ruko]は未定義です"},
        {"sp.clearall()", nullptr},
        {"fin()", nullptr},
        {"fout(10)", nullptr},
        {"bg.wa()", nullptr},
    };
    for (const Case& c : cases) {
        gametest::LogCapture log;
        bool stopped = false;
        ASSERT_TRUE(gxtest::RunGameScript(std::string("*MAIN\n") + c.script + "\nerrorlog(\"after\")\n", &stopped))
            << c.script;
        std::string all;
        for (const std::string& l : log.lines) all += l;
        EXPECT_EQ(stopped, c.error != nullptr) << c.script << "\n" << all;
        if (c.error) {
            EXPECT_NE(all.find(c.error), std::string::npos) << c.script << "\n" << all;
        }
        EXPECT_EQ(all.find("after") != std::string::npos, c.error == nullptr) << c.script;
    }
}

}  // namespace
