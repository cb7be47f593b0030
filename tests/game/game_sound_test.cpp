// The game's sound functions over the recording sound layer, through the started application
// object: what each play and stop asks of the sound layer, what the channel records keep, the
// keep-if-same rule of the music, refused plays, indices a saved game may carry, and volumes
// applied to the channels that play.
#include <gtest/gtest.h>

#include <fstream>

#include "game/GxGameFunctions.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserConfig.h"
#include "game/GxUserData.h"
#include "media/GxMovie.h"
#include "media/GxTextureMovie.h"
#include "tests/game/game_core_fixture.h"
#include "tests/game/game_test_util.h"
#include "tests/support/GxMovieWriter.h"

namespace {

using gametest::StartedCore;
using Calls = std::vector<std::string>;

std::string N(int64_t v) { return std::to_string(v); }

class GameSoundTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        app.sound.TakeCalls();
        data = app.core->GetUserData();
        uc = app.core->GetUserConfig();
    }
    StartedCore app;
    GxUserData* data = nullptr;
    GxUserConfig* uc = nullptr;
};

TEST_F(GameSoundTest, PlaysPassTheCountLessOneAndFillTheRecords)
{
    const std::string bgm = N(uc->GetBGMVolume()), se = N(uc->GetSoundVolume()), bgv = N(uc->GetBGVVolume(false));
    EXPECT_TRUE(GxPlayBGM(u"bgm/a.ogg", 0, 100, 200, 300, false));
    EXPECT_TRUE(GxPlayBGV(u"bgv/rain.ogg", 1, 5, 6, 7));
    EXPECT_TRUE(GxPlaySE(2, u"se/door.ogg", 3, 10, 20, 30));
    EXPECT_EQ(app.sound.TakeCalls(),
              (Calls{"PlayBGM bgm/a.ogg -1 100 200 " + bgm + " 0 300",
                     "PlayStream 2 bgv/rain.ogg 0 5 6 " + bgv + " 0 7",
                     "StopStream 6", "PlayStream 6 se/door.ogg 2 10 20 " + se + " 0 30"}));
    const GxSoundChannelRecord& r = data->m_BGMRecord;
    EXPECT_EQ(r.m_FileName, u"bgm/a.ogg");
    EXPECT_EQ(r.m_Loop, 0) << "the record keeps the script's count";
    EXPECT_EQ(r.m_StartSeekPosTime, 100u);
    EXPECT_EQ(r.m_FadeInTime, 200);
    EXPECT_EQ(r.m_LoopPosTime, 300u);
    EXPECT_EQ(data->m_BGVRecord.m_Loop, 1);
    EXPECT_EQ(data->m_SERecord[2].m_FileName, u"se/door.ogg");
    EXPECT_EQ(data->m_SERecord[2].m_Loop, 3);
}

TEST_F(GameSoundTest, KeepIfSameNeitherRestartsNorTouchesTheRecordAnotherNameCrossFades)
{
    ASSERT_TRUE(GxPlayBGM(u"bgm/a.ogg", 0, 0, 0, 0, false));
    data->m_BGMRecord.m_StartSeekPosTime = 777;  // as a running game would have it
    app.sound.TakeCalls();
    EXPECT_TRUE(GxPlayBGM(u"bgm/a.ogg", 2, 1, 1, 1, true));
    EXPECT_TRUE(app.sound.TakeCalls().empty());
    EXPECT_EQ(data->m_BGMRecord.m_StartSeekPosTime, 777u);
    EXPECT_EQ(data->m_BGMRecord.m_Loop, 0);
    EXPECT_TRUE(app.sound.channels[0].playing);

    EXPECT_TRUE(GxPlayBGM(u"bgm/b.ogg", 1, 0, 500, 0, true));
    EXPECT_EQ(app.sound.TakeCalls().size(), 1u);
    EXPECT_FALSE(app.sound.channels[0].playing) << "the old music fades on its channel";
    EXPECT_EQ(app.sound.channels[1].file, "bgm/b.ogg");
    EXPECT_EQ(data->m_BGMRecord.m_FileName, u"bgm/b.ogg");

    // Without the flag the same name starts again.
    EXPECT_TRUE(GxPlayBGM(u"bgm/b.ogg", 1, 0, 0, 0, false));
    EXPECT_EQ(app.sound.TakeCalls().size(), 1u);
}

TEST_F(GameSoundTest, VoiceRecordsOnePlayAndReplayNeedsARecord)
{
    GxGetDBRukoChar().GetRow(3)->VoiceVolumeID = 2;
    uc->m_Volume_Voice[2] = 50;
    const std::string vol = N(uc->GetVoiceVolume(3));
    ASSERT_NE(vol, N(uc->GetVoiceVolume(0)));

    EXPECT_FALSE(GxReplayVoice(1));
    EXPECT_TRUE(app.sound.TakeCalls().empty());

    EXPECT_TRUE(GxPlayVoice(1, u"voice/v01.ogg", 3));
    EXPECT_EQ(app.sound.TakeCalls(), (Calls{"StopStream 9", "PlayStream 9 voice/v01.ogg 0 0 0 " + vol + " 0 0"}));
    const GxSoundChannelRecord& r = data->m_VoiceRecord[1];
    EXPECT_EQ(r.m_FileName, u"voice/v01.ogg");
    EXPECT_EQ(r.m_Loop, 1);
    EXPECT_EQ(r.m_CharID, 3);
    EXPECT_TRUE(GxIsVoicePlaying());

    EXPECT_TRUE(GxReplayVoice(1));
    EXPECT_EQ(app.sound.TakeCalls(), (Calls{"PlayStream 9 voice/v01.ogg 0 0 0 " + vol + " 0 0"}))
        << "a replay does not stop the channel first";

    GxStopVoice(1);
    EXPECT_TRUE(data->m_VoiceRecord[1].m_FileName.empty());
    EXPECT_FALSE(GxIsVoicePlaying());
    EXPECT_FALSE(GxReplayVoice(1));
}

TEST_F(GameSoundTest, ARefusedPlayKeepsTheRecord)
{
    app.sound.playResult = false;
    EXPECT_FALSE(GxPlayBGM(u"bgm/broken.ogg", 0, 0, 0, 0, false));
    EXPECT_FALSE(GxPlaySE(0, u"se/broken.ogg", 1, 0, 0, 0));
    EXPECT_FALSE(GxPlayVoice(0, u"voice/broken.ogg", 1));
    EXPECT_EQ(data->m_BGMRecord.m_FileName, u"bgm/broken.ogg");
    EXPECT_EQ(data->m_SERecord[0].m_FileName, u"se/broken.ogg");
    EXPECT_EQ(data->m_VoiceRecord[0].m_FileName, u"voice/broken.ogg");
}

TEST_F(GameSoundTest, StopsEmptyTheRecordsAndStopTheirChannels)
{
    ASSERT_TRUE(GxPlayBGM(u"bgm/a.ogg", 0, 0, 0, 0, false));
    ASSERT_TRUE(GxPlayBGV(u"bgv/a.ogg", 0, 0, 0, 0));
    ASSERT_TRUE(GxPlaySE(3, u"se/a.ogg", 1, 0, 0, 0));
    app.sound.TakeCalls();
    GxStopBGM(1000);
    GxStopBGV(200);
    GxStopSE(3, 300);
    EXPECT_EQ(app.sound.TakeCalls(), (Calls{"StopBGM 1000", "FadeOutStream 2 200", "FadeOutStream 7 300"}));
    EXPECT_TRUE(data->m_BGMRecord.m_FileName.empty());
    EXPECT_TRUE(data->m_BGVRecord.m_FileName.empty());
    EXPECT_TRUE(data->m_SERecord[3].m_FileName.empty());
    EXPECT_EQ(data->m_SERecord[3].m_Loop, 0);
}

// Saved games and scripts can carry any index: those outside the channels are refused and
// logged, and touch neither a record nor a channel.
TEST_F(GameSoundTest, IndicesOutsideTheChannelsAreRefusedWithALogLine)
{
    gametest::LogCapture log;
    EXPECT_FALSE(GxPlaySE(4, u"se/a.ogg", 1, 0, 0, 0));
    EXPECT_FALSE(GxPlaySE(-1, u"se/a.ogg", 1, 0, 0, 0));
    EXPECT_FALSE(GxPlayVoice(4, u"v.ogg", 1));
    EXPECT_FALSE(GxReplayVoice(-2));
    EXPECT_FALSE(GxPlaySystemSound(10));
    EXPECT_FALSE(GxPlaySystemSound(-1));
    GxStopSE(9, 0);
    GxStopVoice(9);
    EXPECT_FALSE(GxPlayVoice(0, u"v.ogg", 80));
    EXPECT_FALSE(GxPlayVoice(0, u"v.ogg", -1));
    data->m_VoiceRecord[1].m_FileName = u"v.ogg";  // as a damaged saved game may hold it
    data->m_VoiceRecord[1].m_CharID = 1000;
    EXPECT_FALSE(GxReplayVoice(1));
    EXPECT_TRUE(app.sound.TakeCalls().empty());
    EXPECT_EQ(log.Count("out of range"), 11u);
    EXPECT_TRUE(data->m_VoiceRecord[0].m_FileName.empty());
    EXPECT_TRUE(data->m_SERecord[0].m_FileName.empty());

    EXPECT_TRUE(GxPlayVoice(0, u"v.ogg", 79)) << "the last character";
}

TEST_F(GameSoundTest, SystemSoundPlaysTheSettingsFileAsAOneShot)
{
    const std::u16string file = app.core->GetSystemConfig()->m_SystemSoundFile[9];
    EXPECT_TRUE(GxPlaySystemSound(9));
    EXPECT_EQ(app.sound.TakeCalls(),
              (Calls{"PlayOneShot " + GxWideToUtf8(file) + " 0 0 0 " + N(uc->GetSoundVolume()) + " 0"}));
}

TEST_F(GameSoundTest, MovieVolumeReachesOnlyTheSlotsThatPlay)
{
    {
        const std::vector<uint8_t>& movie = GxLongTestMovie();
        ASSERT_FALSE(movie.empty());
        std::ofstream f("a.mpg", std::ios::binary);
        f.write(reinterpret_cast<const char*>(movie.data()), static_cast<std::streamsize>(movie.size()));
    }
    GxTextureMovie playing, idle;
    ASSERT_TRUE(GxMovie::Open(1, u"a.mpg", &playing, true, false));
    ASSERT_TRUE(GxMovie::Open(2, u"a.mpg", &idle, true, false));
    ASSERT_TRUE(GxMovie::Play(1, 0, 0));
    uc->m_Volume_Movie = 50;
    ASSERT_NE(uc->GetMovieVolume(), 0);
    GxUpdateMovieVolume();
    EXPECT_EQ(GxMovie::GetSlotInfo(1).m_Volume, uc->GetMovieVolume());
    EXPECT_EQ(GxMovie::GetSlotInfo(2).m_Volume, 0) << "an open movie that does not play keeps its volume";
    GxMovie::Close(1);
    GxMovie::Close(2);
}

TEST_F(GameSoundTest, VolumeUpdatesReachOnlyTheChannelsThatPlay)
{
    GxGetDBRukoChar().GetRow(5)->VoiceVolumeID = 1;
    data->m_VoiceRecord[2].m_CharID = 5;
    app.sound.SetPlaying(1, "bgm/b.ogg");
    app.sound.SetPlaying(5, "se/x.ogg");
    app.sound.SetPlaying(10, "v.ogg");
    uc->m_Volume_BGM = 40;
    uc->m_Volume_Sound = 30;
    uc->m_Volume_Voice[1] = 20;
    GxUpdateBGMVolume();
    GxUpdateSEVolume();
    GxUpdateVoiceVolume();
    EXPECT_EQ(app.sound.TakeCalls(), (Calls{"SetStreamVolume 1 " + N(uc->GetBGMVolume()),
                                            "SetStreamVolume 5 " + N(uc->GetSoundVolume()),
                                            "SetStreamVolume 10 " + N(uc->GetVoiceVolume(5))}));

    // With both of the music pair playing, channel 0 is the one set.
    app.sound.SetPlaying(0, "bgm/a.ogg");
    GxUpdateBGMVolume();
    EXPECT_EQ(app.sound.TakeCalls(), (Calls{"SetStreamVolume 0 " + N(uc->GetBGMVolume())}));
}

}  // namespace
