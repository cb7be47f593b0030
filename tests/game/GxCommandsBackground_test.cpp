// The background and event-picture commands, run as script statements through the script host
// against the fake main play screen.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/GxActorAction.h"
#include "game/DBCGMode.h"
#include "tests/support/GxCommandScreenTest.h"

namespace {

using gxtest::CommandScreenTest;
using Calls = std::vector<std::string>;

const std::string kBgw = "$BGWLAYER:SeqRukoMain ";
const std::string kBg = "$BGLAYER:SeqRukoMain ";
const std::string kMain = "SeqRukoMain ";
const Calls kStandsCleared = {"Ruko Clear", "Mio Clear", "Ghost Clear"};

Calls Join(std::initializer_list<Calls> parts)
{
    Calls all;
    for (const Calls& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

class BackgroundCommands : public CommandScreenTest
{
protected:
    void SetUp() override
    {
        CommandScreenTest::SetUp();
        WritePicture("cg/bg/a.png", 64, 48);
        WritePicture("cg/tr/wipe.png", 64, 48);
        WritePicture("cg/ev/e1.png", 64, 48);
        WritePicture("cg/ev/other.png", 64, 48);
    }
    void ExpectColor(const GxFColor& want, const std::string& what)
    {
        const GxFColor got = screen->bg->GetColor0();
        EXPECT_FLOAT_EQ(got.r, want.r) << what;
        EXPECT_FLOAT_EQ(got.g, want.g) << what;
        EXPECT_FLOAT_EQ(got.b, want.b) << what;
        EXPECT_FLOAT_EQ(got.a, want.a) << what;
    }
};

TEST_F(BackgroundCommands, BgTimingsTransitionsStandsColoursAndFailures)
{
    const GxFColor white(1.0f, 1.0f, 1.0f, 1.0f);
    const GxFColor red(1.0f, 0.0f, 0.0f, 1.0f);
    struct Case
    {
        const char* script;
        bool stopOnMissing;
        const char* error;  // null: the command succeeds
        Calls calls;
        GxFColor color;
    };
    const Case cases[] = {
        {"bg(\"a\", 0)", false, nullptr,
         Join({{kBgw + "Clear"}, kStandsCleared, {kBg + "LoadImage cg/bg/a.png 0"}}), white},
        {"bg(\"a\", 0, NULL, 0, 0, 0xFF0000, 1)", false, nullptr,
         {kBgw + "Clear", kBg + "LoadImage cg/bg/a.png 0"}, red},
        {"bg(\"a\", \"\")", false, nullptr,
         Join({{kBgw + "Clear"}, kStandsCleared, {kBg + "LoadImage cg/bg/a.png 0"}}), white},
        {"bg(\"a\")", false, nullptr,
         {kBgw + "Clear", kMain + "CaptureScreen", kMain + "StartBGTransit cg/bg/a.png [] 1000 clear"}, white},
        {"bg(\"a\", 500, \"wipe\", 0, 0, 0x0000FF, 1)", false, nullptr,
         {kBgw + "Clear", kMain + "CaptureScreen", kMain + "StartBGTransit cg/bg/a.png [cg/tr/wipe.png] 500 keep"},
         GxFColor(0.0f, 0.0f, 1.0f, 1.0f)},
        {"bg(\"a\", -5)", false, nullptr,
         Join({{kBgw + "Clear"}, kStandsCleared, {kBg + "LoadImage cg/bg/a.png 0"}}), white},
        {"bg(\"none\", 0)", false, nullptr,
         Join({{kBgw + "Clear"}, kStandsCleared, {kBg + "LoadImage cg/bg/none 0"}}), white},
        {"bg(\"none\", 0)", true, "bg:画像ファイルが見つかりません", {kBgw + "Clear"}, GxFColor(0.5f, 0.5f, 0.5f, 0.5f)},
        {"bg(\"a\", 800, \"none\")", false, "bg:トランジション画像ファイルが見つかりません", {kBgw + "Clear"},
         GxFColor(0.5f, 0.5f, 0.5f, 0.5f)},
        {"bg()", false, "bg:画像ファイルを指定してください", {kBgw + "Clear"}, GxFColor(0.5f, 0.5f, 0.5f, 0.5f)},
        {"bg(\"\")", false, "bg:画像ファイルを指定してください", {kBgw + "Clear"}, GxFColor(0.5f, 0.5f, 0.5f, 0.5f)},
    };
    for (const Case& c : cases) {
        Settings().m_ErrorStopNotFound_BG = c.stopOnMissing;
        screen->bg->SetColor0(GxFColor(0.5f, 0.5f, 0.5f, 0.5f));
        screen->log.clear();
        log->lines.clear();
        const bool ok = Run(std::string(c.script) + "\nerrorlog(\"after\")\n");
        EXPECT_EQ(ok, c.error == nullptr) << c.script << "\n" << Errors();
        if (c.error) {
            EXPECT_TRUE(Logged(c.error)) << c.script << "\n" << Errors();
            EXPECT_FALSE(Logged("after")) << c.script;
        }
        EXPECT_EQ(screen->log, c.calls) << c.script;
        ExpectColor(c.color, c.script);
    }
}

TEST_F(BackgroundCommands, BgFinishesPendingActionsAndPlacesTheLayerKeepingZ)
{
    screen->bg->SetPos(GxVector3(5.0f, 6.0f, 7.0f, 0.0f));
    screen->bg->AddActionFadeOut(1000);
    ASSERT_TRUE(Run("bg(\"a\", 0, NULL, 12, 34.5)\n")) << Errors();
    EXPECT_TRUE(screen->bg->GetActionQueue(0).empty());
    EXPECT_EQ(screen->bg->GetAlpha(), 0) << "the pending fade ran to its end";
    const GxVector3 p = screen->bg->GetPos();
    EXPECT_FLOAT_EQ(p.x, 12.0f);
    EXPECT_FLOAT_EQ(p.y, 34.5f);
    EXPECT_FLOAT_EQ(p.z, 7.0f);
    EXPECT_EQ(screen->bg->GetCurrentContent()->m_ContentFileName, u"cg/bg/a.png");
}

TEST_F(BackgroundCommands, EvFindsTheCompanionInEveryPictureTypeOrEmptiesItsLayer)
{
    const gxtest::TestPicture pic(16, 16, 0xFF102030u);
    struct Case
    {
        const char* name;
        const char* file;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"p", "cg/ev/p_w.png", gxtest::WritePngRgba(pic)},
        {"d", "cg/ev/d_w.dds", gxtest::WriteDdsArgb(pic)},
        {"t", "cg/ev/t_w.tga", gxtest::WriteTga(pic, 32, false, false)},
        {"j", "cg/ev/j_w.jpg", gxtest::WriteJpeg(pic, 90)},
        {"b", "cg/ev/b_w.bmp", gxtest::WriteBmp(pic, 24, false)},
    };
    for (const Case& c : cases) {
        WritePicture(std::string("cg/ev/") + c.name + ".png", 64, 48);
        WriteBytes(c.file, std::string(c.bytes.begin(), c.bytes.end()));
        screen->log.clear();
        ASSERT_TRUE(Run(std::string("ev(\"") + c.name + "\", 0)\n")) << c.name << Errors();
        EXPECT_EQ(screen->bgw->Calls(), Calls{std::string("LoadImage ") + c.file + " 0"}) << c.name;
        EXPECT_EQ(screen->bgw->GetCurrentContent()->m_ContentFileName, GxUtf8ToWide(c.file)) << c.name;
    }

    // No companion: the one shown before goes.
    screen->log.clear();
    ASSERT_TRUE(Run("ev(\"e1\", 0)\n")) << Errors();
    EXPECT_EQ(screen->bgw->Calls(), Calls{"Clear"});
    EXPECT_EQ(screen->bgw->GetCurrentContent()->m_ContentType, CONTENTTYPE_NONE);
    EXPECT_EQ(screen->Matching("Ruko Clear").size(), 1u) << "the stands go as with bg";

    // A companion named by argument 7: its file title in the event folder.
    screen->log.clear();
    ASSERT_TRUE(Run("ev(\"e1\", 0, NULL, 0, 0, NULL, 1, \"sub/other.jpg\")\n")) << Errors();
    EXPECT_EQ(screen->bgw->Calls(), Calls{"LoadImage cg/ev/other.png 0"});
    EXPECT_TRUE(screen->Matching("Ruko Clear").empty());
}

TEST_F(BackgroundCommands, EvRunsTheTimedChangeAndNamesTheMissingFiles)
{
    screen->log.clear();
    ASSERT_TRUE(Run("ev(\"e1\", 300, \"wipe\")\n")) << Errors();
    EXPECT_EQ(screen->log, (Calls{kBgw + "Clear", kMain + "CaptureScreen",
                                  kMain + "StartBGTransit cg/ev/e1.png [cg/tr/wipe.png] 300 clear"}))
        << "the companion is settled before the change";

    struct Case
    {
        const char* script;
        bool stopBg, stopEv;
        const char* error;
    };
    const Case cases[] = {
        {"ev(\"none\", 0)", true, false, nullptr},
        {"ev(\"none\", 0)", false, true, "ev:画像ファイルが見つかりません[cg/ev/none]"},
        {"ev(\"e1\", 0, \"none\")", false, false, "ev:トランジション画像ファイルが見つかりません[cg/tr/none]"},
        {"ev()", false, false, "ev:画像ファイルを指定してください"},
    };
    for (const Case& c : cases) {
        Settings().m_ErrorStopNotFound_BG = c.stopBg;
        Settings().m_ErrorStopNotFound_EV = c.stopEv;
        screen->log.clear();
        log->lines.clear();
        EXPECT_EQ(Run(std::string(c.script) + "\n"), c.error == nullptr) << c.script << Errors();
        if (c.error) {
            EXPECT_TRUE(Logged(c.error)) << c.script << "\n" << Errors();
            EXPECT_TRUE(screen->Matching("CaptureScreen").empty()) << c.script;
            EXPECT_TRUE(screen->bg->Calls().empty()) << c.script;
        } else {
            EXPECT_EQ(screen->bg->Calls(), Calls{"LoadImage cg/ev/none 0"}) << c.script;
        }
    }
}

TEST_F(BackgroundCommands, EvWithAMissingTransitionPictureChangesNothing)
{
    // Everything the command would change is in place: a gallery cell for the picture, its
    // companion picture, and another companion showing.
    GxGetDBCGMode().GetRow(2)->FileName[0] = u"e1";
    WritePicture("cg/ev/e1_w.png", 64, 48);
    ASSERT_TRUE(Run("ev(\"e1\", 0, NULL, 0, 0, NULL, 1, \"other\")\n")) << Errors();
    Perman().m_ShowedCGFlags.clear();
    screen->log.clear();
    log->lines.clear();

    EXPECT_FALSE(Run("ev(\"e1\", 300, \"none\")\n"));
    EXPECT_TRUE(Logged("ev:トランジション画像ファイルが見つかりません[cg/tr/none]")) << Errors();
    EXPECT_TRUE(Perman().m_ShowedCGFlags.empty()) << "the picture was not marked as seen";
    EXPECT_TRUE(screen->bgw->Calls().empty());
    EXPECT_EQ(screen->bgw->GetCurrentContent()->m_ContentFileName, u"cg/ev/other.png");
    EXPECT_TRUE(screen->bg->Calls().empty());
    EXPECT_TRUE(screen->Matching("CaptureScreen").empty());
    EXPECT_TRUE(screen->Matching("Ruko Clear").empty());
}

TEST_F(BackgroundCommands, EvMarksTheGalleryCellOfItsFileTitleWhateverTheCase)
{
    GxGetDBCGMode().GetRow(3)->FileName[2] = u"EV_Ruko01";
    GxGetDBCGMode().GetRow(4)->FileName[0] = u"ev_gone";
    WritePicture("cg/ev/ev_ruko01.png", 64, 48);
    ASSERT_TRUE(Run("ev(\"ev_ruko01\", 0)\n")) << Errors();
    EXPECT_EQ(Perman().m_ShowedCGFlags.count(u"EV_Ruko01"), 1u);
    EXPECT_EQ(Perman().m_ShowedCGFlags.size(), 1u);

    // A picture that is not there still counts when the switch lets the command go on.
    ASSERT_TRUE(Run("ev(\"EV_GONE\", 0)\nev(\"e1\", 0)\n")) << Errors();
    EXPECT_EQ(Perman().m_ShowedCGFlags.count(u"ev_gone"), 1u);
    EXPECT_EQ(Perman().m_ShowedCGFlags.size(), 2u) << "a picture without a cell marks nothing";

    ASSERT_TRUE(Run("bg(\"ev_ruko01\", 0)\n")) << Errors();
    EXPECT_EQ(Perman().m_ShowedCGFlags.size(), 2u) << "backgrounds are no gallery pictures";
}

TEST_F(BackgroundCommands, ColorAndMoveActOnTheOneBackgroundLayer)
{
    ASSERT_TRUE(Run("ev.color(0x00FF00)\n")) << Errors();
    ExpectColor(GxFColor(0.0f, 1.0f, 0.0f, 1.0f), "ev.color");
    ASSERT_TRUE(Run("bg.color()\n")) << Errors();
    ExpectColor(GxFColor(1.0f, 1.0f, 1.0f, 1.0f), "bg.color");

    GxTaskLayer& bg = *screen->bg;
    bg.SetPos(GxVector3(1.0f, 2.0f, 3.0f, 0.0f));
    bg.AddActionWait(0, 100);
    bg.m_ActionPause = true;
    ASSERT_TRUE(Run("bg.act_move(10, 20.5, 300)\nev.act_move(-4, 8)\n")) << Errors();
    EXPECT_FALSE(bg.m_ActionPause);
    const auto& qList = bg.GetActionQueue(0);
    const std::vector<GxActionParam> q(qList.begin(), qList.end());
    ASSERT_EQ(q.size(), 3u) << "the earlier action stays in front";
    EXPECT_EQ(q[0].m_ActionType, ACTIONTYPE_WAIT);
    EXPECT_EQ(q[1].m_ActionType, ACTIONTYPE_MOVETO);
    EXPECT_EQ(q[1].m_TimeTotal, 300);
    EXPECT_EQ(q[1].m_InterMode, static_cast<uint32_t>(ACTIONINTER_LINEAR));
    EXPECT_FLOAT_EQ(q[1].m_End.x, 10.0f);
    EXPECT_FLOAT_EQ(q[1].m_End.y, 20.5f);
    EXPECT_FLOAT_EQ(q[1].m_End.z, 3.0f);
    EXPECT_EQ(q[2].m_TimeTotal, 0) << "no time: 0";
    EXPECT_FLOAT_EQ(q[2].m_End.x, -4.0f);
    bg.UpdateAction(100);
    bg.UpdateAction(300);
    bg.UpdateAction(1);
    EXPECT_FLOAT_EQ(bg.GetPos().x, -4.0f);
    EXPECT_FLOAT_EQ(bg.GetPos().y, 8.0f);
}

TEST_F(BackgroundCommands, WaitsForTheBackgroundLayerWithTheirMasks)
{
    ExpectLayerWaits(
        {
            {"bg.wa(1)", 15, true},
            {"bg.wa(0, 2)", 3, false},
            {"ev.wa(0, 0)", 1, false},
            {"ev.wa(\"\", 8)", 9, false},
            {"bg.wa()", 15, false},
        },
        u"$BGLAYER:SeqRukoMain");
}

}  // namespace
