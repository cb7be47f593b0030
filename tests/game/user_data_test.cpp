// The running game's state: its reset, the choice menu, the back log with its voice snapshots,
// and the resets for a new game and for the battle map against a recording sound layer.
#include <gtest/gtest.h>

#include "game/GxGameFunctions.h"
#include "game/GxGameStartup.h"
#include "game/GxUserData.h"
#include "core/GxString.h"

#include <algorithm>
#include "media/GxTextureMovie.h"
#include "media/GxMovie.h"
#include "tests/support/GxMovieWriter.h"
#include "tests/support/GxPackWriter.h"
#include "tests/support/GxRecordingSound.h"

namespace {

void FillEverything(GxUserData& d)
{
    d.m_GameDataTitle = u"title";
    d.m_RestoreSequence = u"SeqRukoMain";
    d.m_RestoreSubParam = u"sub";
    d.m_GameDataOption = 0x55;
    d.m_IsSelecting = true;
    d.m_LastSelectNum = 3;
    d.m_CancelSelectNum = 2;
    d.m_SelectHash = u"menu";
    d.m_SelectItems[4].m_Text = u"go";
    d.m_SelectItems[4].m_Enable = false;
    d.m_SelectItems[4].m_UseGosub = true;
    d.m_Hold_WaitClick = 3;
    d.m_Hold_WaitTime = 1;
    d.m_Hold_WaitTime_TimeLeft = 500;
    d.m_Hold_EndOfMovie = d.m_Hold_EndOfLayerActionAll = d.m_Hold_EndOfLayerActionSeparate = 0xF;
    d.m_Hold_EndOfLayerActionSeparate_LayerName = u"$BGLAYER:SeqRukoMain";
    d.m_Hold_EndOfBGM = d.m_Hold_EndOfBGV = d.m_Hold_EndOfSE = d.m_Hold_EndOfVoice = 0xF;
    d.m_NameIdentifyMode = 0;
    d.m_IgnoreKinsoku = true;
    d.m_LastDialogResult = 1;
    d.AppendMessageLog(u"n", u"m", false, false);
    d.m_BGMRecord = {u"bgm01", 0, 10, 20, 30, 0};
    d.m_BGVRecord = {u"bgv01", 1, 0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) d.m_SERecord[i] = {u"se", 1, 0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) d.m_VoiceRecord[i] = {u"vo", 1, 0, 0, 0, 5};
    d.m_ReplayMode = true;
    d.m_HideWindowByCommandFlag = true;
}

void ExpectWaitWordsClear(const GxUserData& d)
{
    for (int32_t w : {d.m_Hold_WaitClick, d.m_Hold_WaitTime, d.m_Hold_WaitTime_TimeLeft, d.m_Hold_EndOfMovie,
                      d.m_Hold_EndOfLayerActionAll, d.m_Hold_EndOfLayerActionSeparate, d.m_Hold_EndOfBGM,
                      d.m_Hold_EndOfBGV, d.m_Hold_EndOfSE, d.m_Hold_EndOfVoice})
        EXPECT_EQ(w, 0);
    EXPECT_TRUE(d.m_Hold_EndOfLayerActionSeparate_LayerName.empty());
}

TEST(UserData, ResetClearsEverythingButTheOptionWord)
{
    GxUserData d(nullptr);
    ASSERT_EQ(d.m_SelectItems.size(), 11u);
    FillEverything(d);
    d.Reset();
    EXPECT_TRUE(d.m_GameDataTitle.empty());
    EXPECT_TRUE(d.m_RestoreSequence.empty());
    EXPECT_TRUE(d.m_RestoreSubParam.empty());
    EXPECT_EQ(d.m_GameDataOption, 0x55u);
    EXPECT_FALSE(d.m_IsSelecting);
    EXPECT_EQ(d.m_LastSelectNum, 0);
    EXPECT_EQ(d.m_CancelSelectNum, 0);
    EXPECT_TRUE(d.m_SelectHash.empty());
    ASSERT_EQ(d.m_SelectItems.size(), 11u);
    for (const GxSelectMenuItem& item : d.m_SelectItems) {
        EXPECT_TRUE(item.m_Text.empty());
        EXPECT_TRUE(item.m_Enable && item.m_Visible);
        EXPECT_FALSE(item.m_BeforeSelected || item.m_UseGosub);
    }
    ExpectWaitWordsClear(d);
    EXPECT_EQ(d.m_NameIdentifyMode, 2);
    EXPECT_FALSE(d.m_IgnoreKinsoku);
    EXPECT_EQ(d.m_LastDialogResult, 0);
    EXPECT_TRUE(d.m_MessageLog.empty());
    EXPECT_TRUE(d.m_BGMRecord.m_FileName.empty());
    EXPECT_EQ(d.m_BGMRecord.m_StartSeekPosTime, 0u);
    EXPECT_TRUE(d.m_BGVRecord.m_FileName.empty());
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(d.m_SERecord[i].m_FileName.empty());
        EXPECT_TRUE(d.m_VoiceRecord[i].m_FileName.empty());
        EXPECT_EQ(d.m_VoiceRecord[i].m_CharID, 0);
    }
    EXPECT_FALSE(d.m_ReplayMode);
    EXPECT_FALSE(d.m_HideWindowByCommandFlag);
}

TEST(UserData, ClearSelectMenuKeepsTheLastPick)
{
    GxUserData d(nullptr);
    FillEverything(d);
    d.ClearSelectMenu();
    EXPECT_EQ(d.m_LastSelectNum, 3);
    EXPECT_FALSE(d.m_IsSelecting);
    EXPECT_TRUE(d.m_SelectHash.empty());
    EXPECT_TRUE(d.m_SelectItems[4].m_Enable);
    EXPECT_FALSE(d.m_SelectItems[4].m_UseGosub);
    EXPECT_TRUE(d.m_SelectItems[4].m_Text.empty());
}

TEST(UserData, BackLogKeepsTheLastHundredWithTheirVoices)
{
    GxUserData d(nullptr);
    for (int i = 1; i <= 150; ++i) {
        const std::u16string n = GxUtf8ToWide(std::to_string(i));
        d.m_VoiceRecord[i % 4] = {u"v" + n, 1, 0, 0, 0, i};
        d.AppendMessageLog(u"name" + n, u"text" + n, i % 2 == 0, i % 3 == 0);
    }
    // The voices stop and their records empty; the log keeps what stood at each append.
    GxStopAllVoice(&d);
    ASSERT_EQ(d.m_MessageLog.size(), 100u);
    for (int i = 51; i <= 150; ++i) {
        const GxMessageLogElement& e = d.m_MessageLog[static_cast<size_t>(i - 51)];
        const std::u16string n = GxUtf8ToWide(std::to_string(i));
        EXPECT_EQ(e.m_Name, u"name" + n);
        EXPECT_EQ(e.m_Message, u"text" + n);
        EXPECT_EQ(e.m_IgnoreKinsoku, i % 2 == 0);
        EXPECT_EQ(e.m_DisenableAutoNewline, i % 3 == 0);
        EXPECT_TRUE(e.m_ShowNameByText);
        // The channel of this append holds its own voice; the other three hold earlier ones.
        EXPECT_EQ(e.m_VoiceFileName[i % 4], u"v" + n);
        EXPECT_EQ(e.m_VoiceCharID[i % 4], i);
        EXPECT_EQ(e.m_VoiceCharID[(i + 3) % 4], i - 1);
    }
}

class UserDataResetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.IsValid());
        ASSERT_FALSE(GxLongTestMovie().empty());
        ASSERT_TRUE(m_Folder.Write("a.mpg", GxLongTestMovie()));
        GxMovie::Create();
        ASSERT_TRUE(GxMovie::Open(1, u"a.mpg", &m_Texture, 1, 0));
        ASSERT_TRUE(GxMovie::Play(1, 0, 0));
        FillEverything(m_Data);
        for (uint32_t ch : {0u, 2u, 4u, 5u, 6u, 7u, 8u, 9u, 10u, 11u}) m_Sound.SetPlaying(ch, "x");
        g_GxBgmRestrainPercent = 30;
    }
    void TearDown() override
    {
        GxMovie::Release();
        g_GxBgmRestrainPercent = 100;
    }
    bool Called(const std::vector<std::string>& calls, const std::string& line)
    {
        return std::find(calls.begin(), calls.end(), line) != calls.end();
    }

    GxTestGameFolder m_Folder;
    GxRecordingSound m_Sound;
    GxTextureMovie m_Texture;
    GxUserData m_Data{nullptr};
};

TEST_F(UserDataResetTest, NewGameKeepingTheMusicStopsEverythingElse)
{
    m_Data.ResetForNewGame(false);
    const std::vector<std::string> calls = m_Sound.TakeCalls();
    EXPECT_FALSE(Called(calls, "StopBGM 0"));
    EXPECT_TRUE(m_Sound.channels[0].playing);
    EXPECT_EQ(m_Data.m_BGMRecord.m_FileName, u"bgm01");
    EXPECT_EQ(m_Data.m_BGMRecord.m_LoopPosTime, 20u);
    for (uint32_t ch : {2u, 4u, 5u, 6u, 7u, 8u, 9u, 10u, 11u}) {
        EXPECT_FALSE(m_Sound.channels[ch].playing) << ch;
        EXPECT_TRUE(Called(calls, "FadeOutStream " + std::to_string(ch) + " 0")) << ch;
    }
    EXPECT_TRUE(m_Data.m_BGVRecord.m_FileName.empty());
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(m_Data.m_SERecord[i].m_FileName.empty());
        EXPECT_TRUE(m_Data.m_VoiceRecord[i].m_FileName.empty());
    }
    EXPECT_FALSE(GxMovie::IsPlaying(1));
    EXPECT_EQ(g_GxBgmRestrainPercent, 100);
    EXPECT_TRUE(m_Data.m_MessageLog.empty());
    ExpectWaitWordsClear(m_Data);
    EXPECT_TRUE(m_Data.m_HideWindowByCommandFlag);
}

TEST_F(UserDataResetTest, NewGameWithTheStopFlagStopsTheMusicAtOnce)
{
    m_Data.ResetForNewGame(true);
    EXPECT_TRUE(Called(m_Sound.TakeCalls(), "StopBGM 0"));
    EXPECT_FALSE(m_Sound.channels[0].playing);
    EXPECT_TRUE(m_Data.m_BGMRecord.m_FileName.empty());
}

TEST_F(UserDataResetTest, BattleMapKeepsLogChoicesAndMusic)
{
    m_Data.ResetForBattleMap();
    const std::vector<std::string> calls = m_Sound.TakeCalls();
    EXPECT_EQ(m_Data.m_MessageLog.size(), 1u);
    EXPECT_TRUE(m_Data.m_IsSelecting);
    EXPECT_EQ(m_Data.m_SelectHash, u"menu");
    EXPECT_EQ(m_Data.m_LastSelectNum, 3);
    EXPECT_EQ(m_Data.m_BGMRecord.m_FileName, u"bgm01");
    EXPECT_TRUE(m_Sound.channels[0].playing);
    EXPECT_FALSE(Called(calls, "StopBGM 0"));
    // Ambience and effects stop; voices play on with their records emptied.
    EXPECT_FALSE(m_Sound.channels[2].playing);
    for (uint32_t ch = 4; ch < 8; ++ch) EXPECT_FALSE(m_Sound.channels[ch].playing) << ch;
    for (uint32_t ch = 8; ch < 12; ++ch) EXPECT_TRUE(m_Sound.channels[ch].playing) << ch;
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(m_Data.m_SERecord[i].m_FileName.empty());
        EXPECT_TRUE(m_Data.m_VoiceRecord[i].m_FileName.empty());
    }
    EXPECT_TRUE(m_Data.m_BGVRecord.m_FileName.empty());
    ExpectWaitWordsClear(m_Data);
    EXPECT_TRUE(m_Data.m_HideWindowByCommandFlag);
    EXPECT_TRUE(GxMovie::IsPlaying(1));
    EXPECT_EQ(m_Data.m_GameDataTitle, u"title");
}

TEST(SoundFacade, NullLayerRefusesEveryPlayAndChannelsOutOfRange)
{
    GxNullSoundBackend none;
    GxSound::SetBackend(&none);
    EXPECT_FALSE(GxSound::Create(0, 0));
    EXPECT_FALSE(GxSound::PlayBGM(u"a.ogg", 0, 0, 0, 0, 0, 0));
    EXPECT_FALSE(GxSound::PlayStreamFromFile(4, u"a.ogg", 0, 0, 0, 0, 0, 0));
    EXPECT_FALSE(GxSound::PlayOneShot(nullptr, u"a.ogg", 0, 0, 0, 0, 0));
    EXPECT_FALSE(GxSound::IsStreamPlaying(0));
    EXPECT_TRUE(GxSound::StopBGM(0));
    EXPECT_TRUE(GxSound::StopAllOneShot());
    EXPECT_TRUE(GxSound::Update());
    GxSound::Release();
    GxRecordingSound sound;
    EXPECT_FALSE(GxSound::PlayStreamFromFile(32, u"a.ogg", 0, 0, 0, 0, 0, 0));
    EXPECT_FALSE(GxSound::StopStream(32));
    EXPECT_FALSE(GxSound::FadeOutStream(40, 0));
    EXPECT_TRUE(sound.calls.empty());
}

}  // namespace
