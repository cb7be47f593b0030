// The character sprite commands, run as script statements through the script host against the
// fake main play screen's stand layers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/GxActorAction.h"
#include "tests/support/GxCommandScreenTest.h"

namespace {

using gxtest::CommandScreenTest;
using gxtest::RecordingLayer;
using Calls = std::vector<std::string>;

class SpriteCommands : public CommandScreenTest
{
protected:
    void SetUp() override
    {
        CommandScreenTest::SetUp();
        WritePicture("cg/stand/ruko/body.png", 301, 200);
        WritePicture("cg/stand/ruko/顔.png", 301, 200);
        WritePicture("cg/stand/ruko/pose.arm.png", 301, 200);
        WritePicture("cg/stand/mio/body.png", 64, 64);
        GxNcProjectEx project;
        project.m_ProjectName = u"ruko";
        GxNcAddLayer(GxNcAddMotion(GxNcAddMotionGroup(project, u"g"), u"m", 100), u"l");
        WriteBytes("gnc/ruko.gnc", GxNcProjectToBytes(project, GxContentForm::Binary));
    }
    void PutRuko(float x, float y, float z)
    {
        Stand(u"Ruko").SetPos(GxVector3(x, y, z, 0.0f));
        screen->log.clear();
    }
};

struct ErrorCase
{
    const char* what;
    const char* script;
    const char* message;
    const char* attempted = nullptr;  // the one load tried before the failure, if any
};

TEST_F(SpriteCommands, EveryFailureReportsItsMessageAndStopsTheScript)
{
    const ErrorCase cases[] = {
        {"empty name", "sp.color(\"\")", "sp.color:レイヤー名がありません"},
        {"unknown layer, restyling command", "sp.alpha(\"Nobody\")",
         "sp.alpha:レイヤーが見つかりません。キャラ名[Nobody]は未定義です"},
        {"unknown layer, stand block", "stand(\"Nobody\")\n\"body\"\nendstand",
         "stand:レイヤーが見つかりません。キャラ名[Nobody]は未定義です"},
        {"unknown layer, loading command", "sp.shake(\"Nobody\")",
         "sp.shake:レイヤーが見つかりません。命令が間違っているかキャラ名[Nobody]は未定義です"},
        {"unknown layer, wait", "sp.wa(\"Nobody\")",
         "sp.wa:レイヤーが見つかりません。命令が間違っているかキャラ名[Nobody]は未定義です"},
        {"layer without a character row", "sp.lcg(\"Ghost\", \"body\")", "sp.lcg:キャラ名[Ghost]は未定義です"},
        {"layer without a character row, stand block", "stand(\"Ghost\")\nendstand",
         "stand:キャラ名[Ghost]は未定義です"},
        {"missing picture", "sp.lcg(\"Ruko\", \"none\")", "sp.lcg:画像ファイルが見つかりません[cg/stand/ruko/none]"},
        {"missing part", "stand(\"Ruko\")\n\"body\"\n\"none\"\nendstand",
         "stand:画像ファイルが見つかりません[cg/stand/ruko/none]"},
        {"missing project", "sp.lnc(\"Mio\", \"g\", \"m\")", "sp.lnc:NCProjファイルが見つかりません[gnc/nowhere]"},
        {"missing motion", "sp.lnc(\"Ruko\", \"g\", \"run\")", "sp.lnc:モーショングループが存在しないか読み込みミスです",
         "Ruko LoadMotion gnc/ruko.gnc gnc/gis/ [g] run 0 800"},
        {"missing motion group", "sp.lnc(\"Ruko\", \"h\", \"m\")",
         "sp.lnc:モーショングループが存在しないか読み込みミスです", "Ruko LoadMotion gnc/ruko.gnc gnc/gis/ [h] m 0 800"},
        {"a command inside the block", "stand(\"Ruko\")\n\"body\"\nsp.alpha(\"Ruko\", 10)\nendstand",
         "stand:ENDSTANDに到達する前に処理できないトークンがあります["},
        {"a variable inside the block", "stand(\"Ruko\")\n\"body\"\ncount = 1\nendstand",
         "stand:ENDSTANDに到達する前に処理できないトークンがあります["},
    };
    for (const ErrorCase& c : cases) {
        log->lines.clear();
        screen->log.clear();
        EXPECT_FALSE(Run(std::string(c.script) + "\nerrorlog(\"after\")\n")) << c.what;
        EXPECT_TRUE(Logged(c.message)) << c.what << "\n" << Errors();
        EXPECT_FALSE(Logged("after")) << c.what << ": the script stops";
        const Calls loads = c.attempted ? Calls{c.attempted} : Calls{};
        EXPECT_EQ(screen->Matching("Load"), loads) << c.what;
        EXPECT_TRUE(screen->Matching("StartLocalTransit").empty()) << c.what;
    }
}

TEST_F(SpriteCommands, ABlockWithoutEndstandEndsAtTheScriptsEndWithoutAMessage)
{
    PutRuko(40.0f, 30.0f, 5.0f);
    EXPECT_TRUE(Run("stand(\"Ruko\", \"L\", \"T\")\n\"body\"\n顔\n")) << Errors();
    EXPECT_TRUE(log->lines.empty()) << Errors();
    EXPECT_EQ(Stand(u"Ruko").Calls(), Calls{"LoadMultiTextureFile cg/stand/ruko/body.png,cg/stand/ruko/顔.png 800"});
}

TEST_F(SpriteCommands, LcgWithANameOnlyFadesTheStandOut)
{
    ASSERT_TRUE(Run("sp.lcg(\"Ruko\", \"body\")\nsp.lcg(\"Ruko\")\n")) << Errors();
    RecordingLayer& ruko = Stand(u"Ruko");
    EXPECT_EQ(ruko.Calls(), (Calls{"LoadMultiTextureFile cg/stand/ruko/body.png 800", "StartLocalTransit 800"}));
    EXPECT_EQ(ruko.GetCurrentContent()->m_ContentType, CONTENTTYPE_NONE);
    EXPECT_TRUE(ruko.IsLocalTransit());
    EXPECT_EQ(ruko.GetLocalTransit().m_TransitTimeTotal, 800);
}

TEST_F(SpriteCommands, LcgLoadsThePictureWhichStaysVisibleAndPlacesItByItsSize)
{
    PutRuko(40.0f, 30.0f, 5.0f);
    ASSERT_TRUE(Run("sp.lcg(\"Ruko\", \"body\", \"M\", \"B\")\n")) << Errors();
    RecordingLayer& ruko = Stand(u"Ruko");
    // A transit after the load would switch to an empty record and fade the new stand out.
    EXPECT_EQ(ruko.Calls(), Calls{"LoadMultiTextureFile cg/stand/ruko/body.png 800"});
    ASSERT_EQ(ruko.GetCurrentContent()->m_ContentType, CONTENTTYPE_TEXTUREFILE);
    EXPECT_EQ(ruko.GetCurrentContent()->m_Width, 301);
    const GxVector3 p = ruko.GetPos();
    EXPECT_FLOAT_EQ(p.x, 361.5f);
    EXPECT_FLOAT_EQ(p.y, 568.0f);
    EXPECT_FLOAT_EQ(p.z, 5.0f) << "z stays";
}

TEST_F(SpriteCommands, LcgAlignsAgainstTheContentSize)
{
    struct Case
    {
        const char* args;
        float x, y;
    };
    // The picture is 301 x 200; the layer stands at (40, 30).
    const Case cases[] = {
        {"\"L\", \"T\"", 0.0f, 0.0f},
        {"\"R\", \"M\"", 723.0f, 284.0f},
        {"\"M\", \"B\"", 361.5f, 568.0f},
        {"120, 64.5", 120.0f, 64.5f},
        {"NULL, NULL", 40.0f, 568.0f},
        {"\"l\", \"t\"", 40.0f, 568.0f},
    };
    for (const Case& c : cases) {
        PutRuko(40.0f, 30.0f, 5.0f);
        ASSERT_TRUE(Run(std::string("sp.lcg(\"Ruko\", \"body\", ") + c.args + ")\n")) << c.args << Errors();
        EXPECT_FLOAT_EQ(Stand(u"Ruko").GetPos().x, c.x) << c.args;
        EXPECT_FLOAT_EQ(Stand(u"Ruko").GetPos().y, c.y) << c.args;
    }
    // Without a picture the size of what was shown before counts.
    PutRuko(40.0f, 30.0f, 5.0f);
    ASSERT_TRUE(Run("sp.lcg(\"Ruko\", NULL, \"R\", \"B\")\n")) << Errors();
    EXPECT_FLOAT_EQ(Stand(u"Ruko").GetPos().x, 723.0f);
    EXPECT_FLOAT_EQ(Stand(u"Ruko").GetPos().y, 568.0f);
}

TEST_F(SpriteCommands, LcgMoveTimeOrderAndTransitMode)
{
    RecordingLayer& ruko = Stand(u"Ruko");

    PutRuko(40.0f, 30.0f, 5.0f);
    ruko.SetLocalTransitMode(4);
    ASSERT_TRUE(Run("sp.lcg(\"Ruko\", \"body\", \"L\", \"T\", NULL, NULL, 0)\n")) << Errors();
    EXPECT_FLOAT_EQ(ruko.GetPos().x, 0.0f) << "a move time of 0 places at once";
    EXPECT_TRUE(ruko.GetActionQueue(0).empty());
    EXPECT_EQ(ruko.GetLocalTransitMode(), 1) << "the mode defaults to the eased cross-fade";
    EXPECT_FLOAT_EQ(ruko.GetOrderZ(), 1000.0f) << "no order argument leaves the order";

    PutRuko(40.0f, 30.0f, 5.0f);
    ruko.m_ActionPause = true;
    ASSERT_TRUE(Run("sp.lcg(\"Ruko\", \"body\", \"L\", \"T\", 7.5, 300, 500, 3)\n")) << Errors();
    EXPECT_FLOAT_EQ(ruko.GetPos().x, 40.0f) << "the move has not run yet";
    ASSERT_EQ(ruko.GetActionQueue(0).size(), 1u);
    const GxActionParam& move = ruko.GetActionQueue(0).front();
    EXPECT_EQ(move.m_ActionType, ACTIONTYPE_MOVETO);
    EXPECT_EQ(move.m_TimeTotal, 500);
    EXPECT_FLOAT_EQ(move.m_End.x, 0.0f);
    EXPECT_FLOAT_EQ(move.m_End.y, 0.0f);
    EXPECT_FLOAT_EQ(move.m_End.z, 5.0f);
    EXPECT_FALSE(ruko.m_ActionPause);
    EXPECT_FLOAT_EQ(ruko.GetOrderZ(), 7.5f);
    EXPECT_EQ(ruko.GetLocalTransitMode(), 3);
    EXPECT_EQ(ruko.Calls(), Calls{"LoadMultiTextureFile cg/stand/ruko/body.png 300"});
    ruko.UpdateAction(500);
    EXPECT_FLOAT_EQ(ruko.GetPos().x, 0.0f);
    EXPECT_FLOAT_EQ(ruko.GetPos().y, 0.0f);
}

TEST_F(SpriteCommands, AStandBlockLoadsItsPartsInBlockOrderAndTheScriptGoesOnAfterIt)
{
    PutRuko(40.0f, 30.0f, 5.0f);
    ASSERT_TRUE(Run("stand(\"Ruko\", \"M\", \"B\", 3, 250)\n"
                    "\"body\"\n"
                    "顔\n"
                    "pose.arm\n"
                    "endstand\n"
                    "sp.alpha(\"Ruko\", 77)\n"))
        << Errors();
    RecordingLayer& ruko = Stand(u"Ruko");
    EXPECT_EQ(ruko.Calls(), Calls{"LoadMultiTextureFile cg/stand/ruko/body.png,cg/stand/ruko/顔.png,"
                                  "cg/stand/ruko/pose.arm.png 250"});
    EXPECT_EQ(ruko.GetCurrentContent()->m_ContentType, CONTENTTYPE_TEXTUREFILE) << "the stand stays visible";
    EXPECT_FLOAT_EQ(ruko.GetPos().x, 361.5f);
    EXPECT_FLOAT_EQ(ruko.GetPos().y, 568.0f);
    EXPECT_FLOAT_EQ(ruko.GetOrderZ(), 3.0f);
    EXPECT_EQ(ruko.GetAlpha(), 77) << "the statement after endstand runs";
}

TEST_F(SpriteCommands, AnEmptyStandBlockFadesTheStandOut)
{
    PutRuko(40.0f, 30.0f, 5.0f);
    ASSERT_TRUE(Run("stand(\"Ruko\", \"L\", \"T\")\nendstand\nsp.alpha(\"Ruko\", 9)\n")) << Errors();
    EXPECT_EQ(Stand(u"Ruko").Calls(), Calls{"StartLocalTransit 800"});
    EXPECT_FLOAT_EQ(Stand(u"Ruko").GetPos().x, 40.0f) << "an empty block does not move the layer";
    EXPECT_EQ(Stand(u"Ruko").GetAlpha(), 9);
}

TEST_F(SpriteCommands, LncLoadsTheMotionWithStartFrameZeroOrOnlyFades)
{
    PutRuko(40.0f, 30.0f, 5.0f);
    ASSERT_TRUE(Run("sp.lnc(\"Ruko\")\n")) << Errors();
    EXPECT_EQ(Stand(u"Ruko").Calls(), Calls{"StartLocalTransit 800"}) << "no motion: only the transition";
    EXPECT_FLOAT_EQ(Stand(u"Ruko").GetPos().x, 40.0f);

    PutRuko(40.0f, 30.0f, 5.0f);
    ASSERT_TRUE(Run("sp.lnc(\"Ruko\", \"g\", \"m\", 12.5, NULL, NULL, 400)\n")) << Errors();
    EXPECT_EQ(Stand(u"Ruko").Calls(), Calls{"LoadMotion gnc/ruko.gnc gnc/gis/ [g] m 0 400"});
    EXPECT_EQ(Stand(u"Ruko").GetCurrentContent()->m_ContentType, CONTENTTYPE_NCMOTION);
    EXPECT_FLOAT_EQ(Stand(u"Ruko").GetPos().x, 12.5f);
    EXPECT_FLOAT_EQ(Stand(u"Ruko").GetPos().y, 30.0f) << "no y argument keeps the current y";
}

TEST_F(SpriteCommands, WaStoresTheKindsAndTheLayer)
{
    ASSERT_TRUE(Run("sp.wa(\"Ruko\")\n")) << Errors();
    EXPECT_EQ(Data().m_Hold_EndOfLayerActionSeparate, 15);
    EXPECT_EQ(Data().m_Hold_EndOfLayerActionSeparate_LayerName, u"Ruko");
    EXPECT_FALSE(Data().m_HideWindowByCommandFlag);

    ASSERT_TRUE(Run("sp.wa(\"Mio\", 1, 2)\n")) << Errors();
    EXPECT_EQ(Data().m_Hold_EndOfLayerActionSeparate, 2);
    EXPECT_EQ(Data().m_Hold_EndOfLayerActionSeparate_LayerName, u"Mio");
    EXPECT_TRUE(Data().m_HideWindowByCommandFlag);
}

TEST_F(SpriteCommands, ColorAlphaAndBlendWithTheirDefaults)
{
    struct Case
    {
        const char* script;
        GxFColor color;
    };
    const Case colors[] = {
        {"sp.color(\"Ruko\", 0xFFFF0000)", GxFColor(1.0f, 0.0f, 0.0f, 1.0f)},
        {"sp.color(\"Ruko\", 0x00FF0000)", GxFColor(1.0f, 0.0f, 0.0f, 1.0f)},
        {"sp.color(\"Ruko\", 0x3300FF)", GxFColor(0.2f, 0.0f, 1.0f, 1.0f)},
        {"sp.color(\"Ruko\")", GxFColor(1.0f, 1.0f, 1.0f, 1.0f)},
    };
    for (const Case& c : colors) {
        Stand(u"Ruko").SetColor0(GxFColor(0.5f, 0.5f, 0.5f, 0.5f));
        ASSERT_TRUE(Run(std::string(c.script) + "\n")) << c.script << Errors();
        const GxFColor got = Stand(u"Ruko").GetColor0();
        EXPECT_FLOAT_EQ(got.r, c.color.r) << c.script;
        EXPECT_FLOAT_EQ(got.g, c.color.g) << c.script;
        EXPECT_FLOAT_EQ(got.b, c.color.b) << c.script;
        EXPECT_FLOAT_EQ(got.a, c.color.a) << c.script;
    }

    ASSERT_TRUE(Run("sp.alpha(\"Ruko\", 40)\nsp.blend(\"Ruko\", 3)\nsp.alpha(\"Mio\", 40)\nsp.blend(\"Mio\", 3)\n"
                    "sp.alpha(\"Mio\")\nsp.blend(\"Mio\")\n"))
        << Errors();
    EXPECT_EQ(Stand(u"Ruko").GetAlpha(), 40);
    EXPECT_EQ(Stand(u"Ruko").GetBlendMode(), 3);
    EXPECT_EQ(Stand(u"Mio").GetAlpha(), 255);
    EXPECT_EQ(Stand(u"Mio").GetBlendMode(), 2);
}

TEST_F(SpriteCommands, ShakeWithItsDefaultsAndShakeEndStopsAtOnce)
{
    ASSERT_TRUE(Run("sp.shake(\"Ruko\")\nsp.shake(\"Mio\", 300, 4, -6)\n")) << Errors();
    EXPECT_EQ(Stand(u"Ruko").Calls(), Calls{"StartShake 0 0 0 0 800"});
    EXPECT_EQ(Stand(u"Mio").Calls(), Calls{"StartShake 4 -6 0 0 300"});
    EXPECT_TRUE(Stand(u"Mio").IsShaking());
    ASSERT_TRUE(Run("sp.shake_end(\"Mio\")\n")) << Errors();
    EXPECT_FALSE(Stand(u"Mio").IsShaking());
}

TEST_F(SpriteCommands, ClearAllFadesEveryStandOutAndNothingElse)
{
    ASSERT_TRUE(Run("sp.lcg(\"Ruko\", \"body\")\nsp.lcg(\"Mio\", \"body\")\n")) << Errors();
    screen->log.clear();
    ASSERT_TRUE(Run("sp.clearall(300)\n")) << Errors();
    EXPECT_EQ(screen->log, (Calls{"Ruko StartLocalTransit 300", "Mio StartLocalTransit 300",
                                  "Ghost StartLocalTransit 300"}))
        << "the layers after the stand folder are not touched";
    EXPECT_EQ(Stand(u"Ruko").GetCurrentContent()->m_ContentType, CONTENTTYPE_NONE);
    screen->log.clear();
    ASSERT_TRUE(Run("sp.clearall()\n")) << Errors();
    EXPECT_EQ(screen->Matching("StartLocalTransit 800").size(), 3u);
}

}  // namespace
