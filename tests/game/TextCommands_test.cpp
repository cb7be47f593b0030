// The text block and the wait commands, run from a compiled script through the game's command
// set: the block's lines joined into one message, its voice, its read state, where the script
// goes on, the block's errors, and the wait words the waits store.
#include <gtest/gtest.h>

#include "game/DBRukoChar.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserData.h"
#include "game/GxUserDataPerman.h"
#include "tests/game/SystemTextCommands_fixture.h"
#include "tests/game/game_test_util.h"

namespace {

using cmdtest::CommandGame;

const char* const kBlocks = R"(
GLOBAL INGAME after = 0
*THREE
text("ルコ")
> 一行目
> 二行目
> 三行目
endtext
after = 1
exit()
*EMPTY
text("")
endtext
after = 2
exit()
*VOICE
text("ルコ", "v01")
> 声つき
endtext
exit()
*NOVOICE
text("ルコ", "missing")
> 声なし
endtext
after = 3
exit()
*OTHER
text("ルコ")
> 途中
msg("x")
endtext
after = 4
exit()
*OPEN
text("ルコ")
> 最後まで
)";

void WriteVoice(const std::filesystem::path& game)
{
    std::filesystem::create_directories(game / "voice" / "ruko");
    std::ofstream(game / "voice" / "ruko" / "v01.ogg", std::ios::binary) << "not decoded by the recording sound";
}

class TextBlock : public ::testing::Test
{
protected:
    TextBlock() : g(kBlocks, WriteVoice)
    {
        DBRukoCharData& ruko = *GxGetDBRukoChar().GetRow(2);
        ruko.ID = 2;
        ruko.CharName = u"ルコ";
        ruko.VoicePath = u"voice/ruko/";
    }

    CommandGame g;
};

TEST_F(TextBlock, LinesJoinIntoOneMessageAndTheScriptGoesOnAfterTheBlock)
{
    const struct { const char16_t* label; const char* name; const char* message; int64_t after; } cases[] = {
        {u"THREE", "ルコ", "一行目%r二行目%r三行目", 1},
        {u"EMPTY", "", "", 2},
    };
    for (const auto& c : cases) {
        g.main->calls.clear();
        g.Data().m_MessageLog.clear();
        ASSERT_TRUE(g.Run(c.label)) << c.message;
        const std::vector<std::string> expected = {std::string("SetName [") + c.name + "] 3",
                                                   std::string("SetMessage ") + c.message +
                                                       " read=0 kinsoku=1 nonewline=1"};
        EXPECT_EQ(g.main->calls, expected);
        ASSERT_EQ(g.Data().m_MessageLog.size(), 1u);
        EXPECT_EQ(GxWideToUtf8(g.Data().m_MessageLog[0].m_Message), c.message);
        EXPECT_EQ(GxWideToUtf8(g.Data().m_MessageLog[0].m_Name), c.name);
        EXPECT_TRUE(g.Data().m_MessageLog[0].m_IgnoreKinsoku && g.Data().m_MessageLog[0].m_DisenableAutoNewline);
        EXPECT_EQ(g.Var(u"after").GetInt64(), c.after) << "the statement after endtext ran";
    }
    // Read flags at the "text" statement's line + 1 (lines 3 and 11 of the script).
    EXPECT_TRUE(g.Perman().GetReadedMessageFlag(u"MAIN", 4));
    EXPECT_TRUE(g.Perman().GetReadedMessageFlag(u"MAIN", 12));
    EXPECT_FALSE(g.Perman().GetReadedMessageFlag(u"MAIN", 5));
    g.main->calls.clear();
    ASSERT_TRUE(g.Run(u"THREE"));
    EXPECT_EQ(g.main->calls[1], "SetMessage 一行目%r二行目%r三行目 read=1 kinsoku=1 nonewline=1");
}

TEST_F(TextBlock, AVoiceIsFoundInTheCharactersFolderAndPlayedOnVoiceChannelZero)
{
    ASSERT_TRUE(g.Run(u"VOICE"));
    EXPECT_TRUE(g.app.sound.channels[8].playing);
    EXPECT_EQ(g.app.sound.channels[8].file, "voice/ruko/v01.ogg");
    EXPECT_EQ(g.Data().m_VoiceRecord[0].m_CharID, 2);
    EXPECT_EQ(g.main->calls.back(), "SetMessage 声つき read=0 kinsoku=1 nonewline=1");
}

TEST_F(TextBlock, AMissingVoiceStopsTheScriptOnlyWithTheSwitchOn)
{
    gametest::LogCapture log;
    ASSERT_TRUE(g.Run(u"NOVOICE"));
    EXPECT_EQ(g.main->calls.back(), "SetMessage 声なし read=0 kinsoku=1 nonewline=1");
    EXPECT_EQ(g.Var(u"after").GetInt64(), 3);
    EXPECT_FALSE(g.app.sound.channels[8].playing);

    g.app.core->GetSystemConfig()->m_ErrorStopNotFound_VO = true;
    g.main->calls.clear();
    g.Var(u"after").SetInt64(0);
    EXPECT_FALSE(g.Run(u"NOVOICE"));
    EXPECT_EQ(log.Count("text:ボイスファイルが見つかりません[missing]"), 1u);
    EXPECT_TRUE(g.main->calls.empty()) << "nothing shown";
    EXPECT_EQ(g.Var(u"after").GetInt64(), 0);
}

TEST_F(TextBlock, AnotherCommandInsideIsAnErrorAndAnUnclosedBlockEndsWithTheScript)
{
    gametest::LogCapture log;
    EXPECT_FALSE(g.Run(u"OTHER"));
    EXPECT_EQ(log.Count("text:ENDTEXTに到達する前に処理できないトークンがあります["), 1u);
    EXPECT_TRUE(g.main->calls.empty());
    EXPECT_NE(g.Var(u"after").GetInt64(), 4);

    ASSERT_TRUE(g.Run(u"OPEN"));
    EXPECT_EQ(g.main->calls.back(), "SetMessage 最後まで read=0 kinsoku=1 nonewline=1");
    EXPECT_EQ(log.Count("ENDTEXT"), 1u) << "the end of the script closes the block without an error";
}

const char* const kWaits = R"(
*CLICK_NONE
wa.click()
*CLICK_KINDS
wa.click(0, 4)
*CLICK_HIDE
wa.click(1)
*LAYER_KINDS
wa.layer(0, 4)
*LAYER_HIDE
wa.layer(2, 8)
*TIME_KINDS
wa.time(250, 0, 0)
*TIME_NONE
wa.time()
*TIME_HIDE
wa.time(100, 1)
)";

TEST(WaitCommands, StoreTheirKindsTimeAndHideFlag)
{
    CommandGame g(kWaits);
    const struct {
        const char16_t* label;
        int32_t click, time, timeLeft, layer;
        bool hide;
    } cases[] = {
        {u"CLICK_NONE", 15, 0, 0, 0, false},  {u"CLICK_KINDS", 7, 0, 0, 0, false},
        {u"CLICK_HIDE", 15, 0, 0, 0, true},   {u"LAYER_KINDS", 0, 0, 0, 5, false},
        {u"LAYER_HIDE", 0, 0, 0, 9, true},    {u"TIME_KINDS", 0, 1, 250, 0, false},  // no click bit: a click does not end it
        {u"TIME_NONE", 0, 15, 0, 0, false},   {u"TIME_HIDE", 0, 15, 100, 0, true},
    };
    for (const auto& c : cases) {
        GxUserData& d = g.Data();
        d.ClearWaitWords();
        d.m_HideWindowByCommandFlag = false;
        // Each label runs on into the next ones; only its own statement is looked at.
        ASSERT_TRUE(g.StartAndStep(c.label, 1)) << GxWideToUtf8(c.label);
        EXPECT_EQ(d.m_Hold_WaitClick, c.click) << GxWideToUtf8(c.label);
        EXPECT_EQ(d.m_Hold_WaitTime, c.time) << GxWideToUtf8(c.label);
        EXPECT_EQ(d.m_Hold_WaitTime_TimeLeft, c.timeLeft) << GxWideToUtf8(c.label);
        EXPECT_EQ(d.m_Hold_EndOfLayerActionAll, c.layer) << GxWideToUtf8(c.label);
        EXPECT_EQ(d.m_HideWindowByCommandFlag, c.hide) << GxWideToUtf8(c.label);
    }
    // A hide of 0 leaves a hidden window hidden: the waits only ever set the flag.
    g.Data().m_HideWindowByCommandFlag = true;
    ASSERT_TRUE(g.StartAndStep(u"CLICK_KINDS", 1));
    EXPECT_TRUE(g.Data().m_HideWindowByCommandFlag);
}

}  // namespace
