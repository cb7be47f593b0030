// The music, sound-effect and voice commands run from a script on the started application
// object over the recording sound layer: what each asks of the sound layer, the records, the
// music table's loop position, keep-if-same, missing files under both switch settings, the
// voice folders of the character table and the wait words.
#include <gtest/gtest.h>

#include <fstream>

#include "game/DBBGMMode.h"
#include "game/DBRukoChar.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserConfig.h"
#include "game/GxUserData.h"
#include "tests/game/game_core_fixture.h"
#include "tests/game/game_test_util.h"
#include "tests/game/sound_choice_script_runner.h"

namespace {

using Calls = std::vector<std::string>;
using gametest::RunGameStatement;

std::string N(int64_t v) { return std::to_string(v); }

void WriteFile(const std::filesystem::path& path)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << "x";
}

class SoundCommandTest : public ::testing::Test
{
protected:
    SoundCommandTest()
        : app([](const std::filesystem::path& game) {
              for (const char* f : {"bgms/bgm01.ogg", "bgms/title.wav", "sounds/bgvs/rain.ogg", "sounds/se/door.wav",
                                    "voices/c/v001.ogg", "voices/d/v001.ogg", "voices/d/v002.wav"})
                  WriteFile(game / f);
          })
    {
    }
    void SetUp() override
    {
        ASSERT_TRUE(app.initialized);
        data = app.core->GetUserData();
        sc = app.core->GetSystemConfig();
        uc = app.core->GetUserConfig();
        DBBGMModeData* row = GxGetDBBGMMode().GetRow(1);
        row->FileName = u"BGM01.OGG";
        row->LoopPosTime = 1234;
        // Rows 1 and 2 have no usable folder or lack the file; 3 and 4 both hold v001.
        const char16_t* paths[] = {u"", u"voices/a/", u"*", u"voices/c/", u"voices/d/"};
        for (int i = 1; i < 5; ++i) GxGetDBRukoChar().GetRow(i)->VoicePath = paths[i];
        GxGetDBRukoChar().GetRow(3)->VoiceVolumeID = 5;
        uc->m_Volume_Voice[5] = 40;
        app.sound.TakeCalls();
    }

    gametest::StartedCore app;
    GxUserData* data = nullptr;
    GxSystemConfig* sc = nullptr;
    GxUserConfig* uc = nullptr;
};

struct CommandCase
{
    const char* statement;
    Calls calls;  // "{bgm}", "{se}", "{bgv}" and "{vo3}" stand for the options' volumes
};

TEST_F(SoundCommandTest, EachCommandAsksTheSoundLayer)
{
    const std::string bgm = N(uc->GetBGMVolume()), se = N(uc->GetSoundVolume()), bgv = N(uc->GetBGVVolume(false)),
                      vo3 = N(uc->GetVoiceVolume(3));
    ASSERT_NE(vo3, N(uc->GetVoiceVolume(4)));
    const CommandCase cases[] = {
        {"bgm()", {"StopBGM 0"}},
        {"bgm(\"\", 2000)", {"StopBGM 2000"}},
        {"bgm(\"\", -5)", {"StopBGM 0"}},
        {"bgm(\"\", 0x100000064)", {"StopBGM 100"}},
        // Loop position from the music table, the name compared without case; 0 loops forever.
        {"bgm(\"bgm01\")", {"PlayBGM bgms/bgm01.ogg -1 0 0 " + bgm + " 0 1234"}},
        {"bgm(\"bgm01\", 500, 2, 77)", {"PlayBGM bgms/bgm01.ogg 1 0 500 " + bgm + " 0 77"}},
        {"bgm(\"title\", -1)", {"PlayBGM bgms/title.wav -1 0 0 " + bgm + " 0 0"}},
        {"bgm(\"nothere\", 300)", {}},
        {"bgv(\"rain\", 100, 3, 5)", {"PlayStream 2 sounds/bgvs/rain.ogg 2 0 100 " + bgv + " 0 5"}},
        {"bgv()", {"FadeOutStream 2 0"}},
        {"bgv(\"\", 700)", {"FadeOutStream 2 700"}},
        {"bgv(\"nothere\")", {}},
        // Sound effects play once by default; a loop value of 0 loops.
        {"se(\"door\")", {"StopStream 4", "PlayStream 4 sounds/se/door.wav 0 0 0 " + se + " 0 0"}},
        {"se_1(\"door\", 100, 0, 50)", {"StopStream 5", "PlayStream 5 sounds/se/door.wav -1 0 100 " + se + " 0 50"}},
        {"se_3(\"door\", -100, 3)", {"StopStream 7", "PlayStream 7 sounds/se/door.wav 2 0 0 " + se + " 0 0"}},
        {"se_2()", {"FadeOutStream 6 0"}},
        {"se_0(\"\", 300)", {"FadeOutStream 4 300"}},
        {"se(\"nothere\")", {}},
        // The first character folder holding the voice, at that character's volume, once.
        {"vo(\"v001\")", {"StopStream 8", "PlayStream 8 voices/c/v001.ogg 0 0 0 " + vo3 + " 0 0"}},
        {"vo_2(\"v002\")", {"StopStream 10", "PlayStream 10 voices/d/v002.wav 0 0 0 " + N(uc->GetVoiceVolume(4)) +
                                                 " 0 0"}},
        {"vo_3()", {"FadeOutStream 11 0"}},
        {"vo_1(\"nothere\")", {}},
    };
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(c.statement);
        EXPECT_TRUE(RunGameStatement(c.statement));
        EXPECT_EQ(app.sound.TakeCalls(), c.calls);
    }
}

TEST_F(SoundCommandTest, RecordsFollowWhatPlaysAndAMissingFileChangesNothing)
{
    ASSERT_TRUE(RunGameStatement("bgm(\"bgm01\", 500, 3)"));
    EXPECT_EQ(data->m_BGMRecord.m_FileName, u"bgms/bgm01.ogg");
    EXPECT_EQ(data->m_BGMRecord.m_Loop, 3);
    EXPECT_EQ(data->m_BGMRecord.m_LoopPosTime, 1234u);
    EXPECT_EQ(data->m_BGMRecord.m_FadeInTime, 500);
    ASSERT_TRUE(RunGameStatement("bgm(\"nothere\")"));
    EXPECT_EQ(data->m_BGMRecord.m_FileName, u"bgms/bgm01.ogg");
    EXPECT_TRUE(app.sound.channels[0].playing) << "the music goes on";

    ASSERT_TRUE(RunGameStatement("vo_1(\"v001\")"));
    EXPECT_EQ(data->m_VoiceRecord[1].m_FileName, u"voices/c/v001.ogg");
    EXPECT_EQ(data->m_VoiceRecord[1].m_CharID, 3);
    ASSERT_TRUE(RunGameStatement("se_2(\"door\", 0, 0)"));
    EXPECT_EQ(data->m_SERecord[2].m_Loop, 0);
    ASSERT_TRUE(RunGameStatement("se_2()"));
    EXPECT_TRUE(data->m_SERecord[2].m_FileName.empty());

    ASSERT_TRUE(RunGameStatement("bgm(\"\", 2000)"));
    EXPECT_TRUE(data->m_BGMRecord.m_FileName.empty());
    EXPECT_EQ(data->m_BGMRecord.m_LoopPosTime, 0u);
}

TEST_F(SoundCommandTest, SameNameRestartsUnlessKeepIfSame)
{
    ASSERT_TRUE(RunGameStatement("bgm(\"bgm01\")"));
    app.sound.TakeCalls();
    ASSERT_TRUE(RunGameStatement("bgm(\"bgm01\", 0, 0, 0, 1)"));
    EXPECT_TRUE(app.sound.TakeCalls().empty()) << "kept";
    EXPECT_TRUE(app.sound.channels[0].playing);
    ASSERT_TRUE(RunGameStatement("bgm(\"bgm01\", 1000)"));
    EXPECT_EQ(app.sound.TakeCalls().size(), 1u) << "restarted";
    EXPECT_EQ(app.sound.channels[1].file, "bgms/bgm01.ogg") << "cross-faded onto the other channel";
}

struct SwitchCase
{
    bool GxSystemConfig::*errorStop;
    const char* statement;
    const char* message;
};

TEST_F(SoundCommandTest, MissingFilesStopTheScriptOnlyWithTheirSwitch)
{
    const SwitchCase cases[] = {
        {&GxSystemConfig::m_ErrorStopNotFound_BGM, "bgm(\"nothere\")", "BGMファイルが見つかりません[bgms/nothere]"},
        {&GxSystemConfig::m_ErrorStopNotFound_BGV, "bgv(\"nothere\")",
         "BGVファイルが見つかりません[sounds/bgvs/nothere]"},
        {&GxSystemConfig::m_ErrorStopNotFound_SE, "se_3(\"nothere\")", "SEファイルが見つかりません[sounds/se/nothere]"},
        {&GxSystemConfig::m_ErrorStopNotFound_VO, "vo(\"nothere\")", "ボイスファイルが見つかりません[nothere]"},
    };
    ASSERT_TRUE(RunGameStatement("bgm(\"bgm01\")"));
    app.sound.TakeCalls();
    for (const SwitchCase& c : cases) {
        SCOPED_TRACE(c.statement);
        gametest::LogCapture log;
        sc->*c.errorStop = false;
        EXPECT_TRUE(RunGameStatement(c.statement));
        EXPECT_TRUE(log.lines.empty());
        sc->*c.errorStop = true;
        EXPECT_FALSE(RunGameStatement(c.statement));
        EXPECT_EQ(log.Count(c.message), 1u);
        sc->*c.errorStop = false;
        EXPECT_TRUE(app.sound.TakeCalls().empty());
        EXPECT_EQ(data->m_BGMRecord.m_FileName, u"bgms/bgm01.ogg");
    }
}

struct WaitCase
{
    const char* statement;
    int32_t GxUserData::*word;
    int32_t value;
    bool hidden;
};

TEST_F(SoundCommandTest, WaitCommandsStoreTheirInputMask)
{
    const WaitCase cases[] = {
        {"bgm.wa()", &GxUserData::m_Hold_EndOfBGM, 15, false},
        {"bgv.wa(0, 0)", &GxUserData::m_Hold_EndOfBGV, 1, false},
        {"se.wa(1, 2)", &GxUserData::m_Hold_EndOfSE, 3, true},
        {"vo.wa(\"\", 8)", &GxUserData::m_Hold_EndOfVoice, 9, false},
    };
    for (const WaitCase& c : cases) {
        SCOPED_TRACE(c.statement);
        data->ClearWaitWords();
        data->m_HideWindowByCommandFlag = false;
        EXPECT_TRUE(RunGameStatement(c.statement));
        EXPECT_EQ(data->*c.word, c.value);
        EXPECT_EQ(data->m_HideWindowByCommandFlag, c.hidden);
    }
    EXPECT_TRUE(app.sound.TakeCalls().empty());
}

TEST_F(SoundCommandTest, VoiceWaitForgetsTheVoiceRecords)
{
    ASSERT_TRUE(RunGameStatement("vo(\"v001\")"));
    ASSERT_TRUE(RunGameStatement("vo_3(\"v002\")"));
    ASSERT_TRUE(RunGameStatement("vo.wa()"));
    for (const GxSoundChannelRecord& r : data->m_VoiceRecord) EXPECT_TRUE(r.m_FileName.empty());
    EXPECT_TRUE(app.sound.channels[8].playing) << "the voices play on";
    EXPECT_EQ(data->m_Hold_EndOfVoice, 15);
}

}  // namespace
