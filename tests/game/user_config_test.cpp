// The player's options: defaults, the attenuation of every volume, "userconf.dat" written and
// read back, and what a damaged or foreign file does.
#include <gtest/gtest.h>

#include <cstdio>

#include "core/GxContentWriter.h"
#include "game/DBRukoChar.h"
#include "game/GxGameStartup.h"
#include "game/GxUserConfig.h"
#include "tests/game/game_test_util.h"
#include "tests/graphics/graphics_test_support.h"
#include "tests/support/GxFailingDisk.h"

using gametest::GameFolderTest;

namespace {

TEST(UserConfigVolume, AttenuationOfPercentages)
{
    const struct { int32_t p, a; } table[] = {{100, 0},     {80, -480},   {50, -1440}, {10, -4128},
                                              {1, -6528},   {0, -9600},   {40, -1920}, {150, 0},
                                              {-20, -9600}};
    for (const auto& c : table) EXPECT_EQ(GxVolumeToAttenuation(c.p), c.a) << c.p;
}

class UserConfigVolumeTest : public ::testing::Test
{
protected:
    void SetUp() override { g_GxBgmRestrainPercent = 100; }
    void TearDown() override
    {
        g_GxBgmRestrainPercent = 100;
        GxGetDBRukoChar().Clear();
    }
    GxUserConfig c;
};

TEST_F(UserConfigVolumeTest, MusicBlendsTowardsTheRestrainedShare)
{
    c.m_Volume_BGM = 80;
    c.m_Volume_RestrainBGM = 50;
    g_GxBgmRestrainPercent = 0;
    EXPECT_EQ(c.GetBGMVolume(), -1920);  // 40 %
    g_GxBgmRestrainPercent = 100;
    EXPECT_EQ(c.GetBGMVolume(), -480);  // 80 %
    g_GxBgmRestrainPercent = 50;
    EXPECT_EQ(c.GetBGMVolume(), GxVolumeToAttenuation(60));
    c.m_Volume_Master = 0;
    EXPECT_EQ(c.GetBGMVolume(), -9600);
}

TEST_F(UserConfigVolumeTest, FullVolumesGiveNoAttenuationAndMasterZeroSilencesAll)
{
    c.m_Volume_BGM = 100;
    EXPECT_EQ(c.GetBGMVolume(), 0);
    EXPECT_EQ(c.GetBGVVolume(false), 0);
    EXPECT_EQ(c.GetSoundVolume(), 0);
    EXPECT_EQ(c.GetMovieVolume(), 0);
    EXPECT_EQ(c.GetVoiceVolume(0), 0);
    EXPECT_EQ(c.GetBGVVolume(true), -9600);
    c.m_Volume_Master = 0;
    for (int32_t v : {c.GetBGMVolume(), c.GetBGVVolume(false), c.GetSoundVolume(), c.GetMovieVolume(),
                      c.GetVoiceVolume(0)})
        EXPECT_EQ(v, -9600);
}

TEST_F(UserConfigVolumeTest, KindsCombineWithTheMaster)
{
    c.m_Volume_Master = 50;
    c.m_Volume_Sound = 20;  // 10 %
    c.m_Volume_Movie = 100;
    c.m_Volume_BGV = 2;     // 1 %
    EXPECT_EQ(c.GetSoundVolume(), -4128);
    EXPECT_EQ(c.GetMovieVolume(), -1440);
    EXPECT_EQ(c.GetBGVVolume(false), -6528);
}

TEST_F(UserConfigVolumeTest, VoiceVolumeFollowsTheCharactersGroup)
{
    GxGetDBRukoChar().GetRow(7)->VoiceVolumeID = 3;
    GxGetDBRukoChar().GetRow(8)->VoiceVolumeID = 32;
    GxGetDBRukoChar().GetRow(9)->VoiceVolumeID = -1;
    c.m_Volume_Voice[3] = 50;
    c.m_Volume_VoiceMaster = 100;
    EXPECT_EQ(c.GetVoiceVolume(7), -1440);
    c.m_Volume_VoiceMaster = 20;  // 50 x 20 / 100 = 10 %
    EXPECT_EQ(c.GetVoiceVolume(7), -4128);
    // Saved games and data carry these numbers: out of range is silence, never a stray read.
    for (int32_t id : {8, 9, -1, 80, 1000}) EXPECT_EQ(c.GetVoiceVolume(id), -9600) << id;
}

TEST(UserConfigDefaults, SetDefaultKeepsThePageAndTheLastFile)
{
    GxUserConfig c;
    EXPECT_EQ(c.m_GameDataPage, 0);
    EXPECT_EQ(c.m_LastGameDataFileNum, -1);
    EXPECT_EQ(c.m_TextWaitTime, 60);
    EXPECT_EQ(c.m_Volume_BGM, 80);
    EXPECT_TRUE(c.m_WaitVoiceEndOnAutoMode);
    for (int32_t v : c.m_Volume_Voice) EXPECT_EQ(v, 100);
    c.m_GameDataPage = 4;
    c.m_LastGameDataFileNum = 17;
    c.m_Volume_BGM = 3;
    c.m_Volume_Voice[31] = 1;
    c.m_StopScreenSaver = false;
    c.SetDefault();
    EXPECT_EQ(c.m_GameDataPage, 4);
    EXPECT_EQ(c.m_LastGameDataFileNum, 17);
    EXPECT_EQ(c.m_Volume_BGM, 80);
    EXPECT_EQ(c.m_Volume_Voice[31], 100);
    EXPECT_TRUE(c.m_StopScreenSaver);
}

// Every field away from its default, each to a different value.
GxUserConfig Changed()
{
    GxUserConfig c;
    int32_t n = 1;
    c.m_ScreenMode = 1;
    c.m_TextWaitTime = 11;
    c.m_TextLongWaitTime = 222;
    c.m_AutoWaitTime = 3333;
    c.m_TextWindowOpacity = 44;
    c.m_AllowSkipUnreadText = true;
    c.m_FastShowReadedText = false;
    c.m_ChangeColorReadedText = false;
    c.m_ChangeColorSelectedMenu = false;
    c.m_KeepAutoModeAfterSelect = true;
    c.m_KeepSkipModeAfterSelect = true;
    c.m_StopScreenSaver = false;
    c.m_VoiceStopTiming = true;
    c.m_WaitVoiceEndOnAutoMode = false;
    c.m_GameDataPage = 5;
    c.m_LastGameDataFileNum = 66;
    c.m_Volume_Master = 91;
    c.m_Volume_BGM = 92;
    c.m_Volume_BGV = 93;
    c.m_Volume_System = 94;
    c.m_Volume_Sound = 95;
    c.m_Volume_Movie = 96;
    c.m_Volume_RestrainBGM = 97;
    c.m_Volume_VoiceMaster = 98;
    for (int32_t& v : c.m_Volume_Voice) v = n++;
    c.m_Game_SkipBattleEffect = true;
    c.m_Game_SkipSpecialAttackEffect = true;
    c.m_Game_SkipBattleVoice = true;
    c.m_Game_MapScrollSpeed_ScreenEdge = 7;
    c.m_Game_MapScrollSpeed_CursorKey = 8;
    return c;
}

void ExpectEqual(const GxUserConfig& a, const GxUserConfig& b)
{
    EXPECT_EQ(a.m_ScreenMode, b.m_ScreenMode);
    EXPECT_EQ(a.m_TextWaitTime, b.m_TextWaitTime);
    EXPECT_EQ(a.m_TextLongWaitTime, b.m_TextLongWaitTime);
    EXPECT_EQ(a.m_AutoWaitTime, b.m_AutoWaitTime);
    EXPECT_EQ(a.m_TextWindowOpacity, b.m_TextWindowOpacity);
    EXPECT_EQ(a.m_AllowSkipUnreadText, b.m_AllowSkipUnreadText);
    EXPECT_EQ(a.m_FastShowReadedText, b.m_FastShowReadedText);
    EXPECT_EQ(a.m_ChangeColorReadedText, b.m_ChangeColorReadedText);
    EXPECT_EQ(a.m_ChangeColorSelectedMenu, b.m_ChangeColorSelectedMenu);
    EXPECT_EQ(a.m_KeepAutoModeAfterSelect, b.m_KeepAutoModeAfterSelect);
    EXPECT_EQ(a.m_KeepSkipModeAfterSelect, b.m_KeepSkipModeAfterSelect);
    EXPECT_EQ(a.m_StopScreenSaver, b.m_StopScreenSaver);
    EXPECT_EQ(a.m_VoiceStopTiming, b.m_VoiceStopTiming);
    EXPECT_EQ(a.m_WaitVoiceEndOnAutoMode, b.m_WaitVoiceEndOnAutoMode);
    EXPECT_EQ(a.m_GameDataPage, b.m_GameDataPage);
    EXPECT_EQ(a.m_LastGameDataFileNum, b.m_LastGameDataFileNum);
    EXPECT_EQ(a.m_Volume_Master, b.m_Volume_Master);
    EXPECT_EQ(a.m_Volume_BGM, b.m_Volume_BGM);
    EXPECT_EQ(a.m_Volume_BGV, b.m_Volume_BGV);
    EXPECT_EQ(a.m_Volume_System, b.m_Volume_System);
    EXPECT_EQ(a.m_Volume_Sound, b.m_Volume_Sound);
    EXPECT_EQ(a.m_Volume_Movie, b.m_Volume_Movie);
    EXPECT_EQ(a.m_Volume_RestrainBGM, b.m_Volume_RestrainBGM);
    EXPECT_EQ(a.m_Volume_VoiceMaster, b.m_Volume_VoiceMaster);
    for (int i = 0; i < GxUserConfig::kVoiceVolumeCount; ++i) EXPECT_EQ(a.m_Volume_Voice[i], b.m_Volume_Voice[i]) << i;
    EXPECT_EQ(a.m_Game_SkipBattleEffect, b.m_Game_SkipBattleEffect);
    EXPECT_EQ(a.m_Game_SkipSpecialAttackEffect, b.m_Game_SkipSpecialAttackEffect);
    EXPECT_EQ(a.m_Game_SkipBattleVoice, b.m_Game_SkipBattleVoice);
    EXPECT_EQ(a.m_Game_MapScrollSpeed_ScreenEdge, b.m_Game_MapScrollSpeed_ScreenEdge);
    EXPECT_EQ(a.m_Game_MapScrollSpeed_CursorKey, b.m_Game_MapScrollSpeed_CursorKey);
}

class UserConfigFileTest : public GameFolderTest
{
protected:
    // A "BCD" file written value by value, for files the options object would never write.
    template <class Fill>
    void WriteFile(const char* tag, Fill&& fill)
    {
        FILE* f = std::fopen((m_Root / "userconf.dat").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        GxContentBinaryWriter w(f);
        w.WriteHeader(tag, 100);
        fill(w);
        EXPECT_EQ(w.GetErrorCount(), 0);
        std::fclose(f);
    }
};

TEST_F(UserConfigFileTest, EveryOptionReadsBackInOrder)
{
    const GxUserConfig saved = Changed();
    ASSERT_TRUE(GxUserConfig(saved).Save(nullptr));
    GxUserConfig loaded;
    ASSERT_TRUE(loaded.Load(nullptr));
    ExpectEqual(loaded, saved);
}

TEST_F(UserConfigFileTest, StoredFormIsTheHeaderThenOneValuePerField)
{
    ASSERT_TRUE(GxUserConfig().Save(nullptr));
    std::string bytes;
    {
        FILE* f = std::fopen((m_Root / "userconf.dat").c_str(), "rb");
        ASSERT_NE(f, nullptr);
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
        std::fclose(f);
    }
    // A 20-byte header, 49 32-bit values (5 bytes each, the 32 voice volumes among them) and
    // 12 bools (2 bytes each); nothing follows.
    const size_t header = 20;
    ASSERT_EQ(bytes.size(), header + 49u * 5 + 12u * 2);
    EXPECT_EQ(bytes.compare(0, 4, std::string("BCD\0", 4)), 0);
    EXPECT_EQ(static_cast<uint8_t>(bytes[header]), VALTYPE_GxS32);  // m_ScreenMode
    EXPECT_EQ(static_cast<uint8_t>(bytes[header + 25]), VALTYPE_GxBool);  // m_AllowSkipUnreadText
}

TEST_F(UserConfigFileTest, MissingFileAndForeignTagChangeNothing)
{
    GxUserConfig c = Changed();
    EXPECT_FALSE(c.Load(nullptr));
    WriteFile("BPD", [](GxContentWriterBase& w) { w.WriteGxS32Alt("m_ScreenMode", 0); });
    EXPECT_FALSE(c.Load(nullptr));
    ExpectEqual(c, Changed());
    WriteBytes("userconf.dat", "");
    EXPECT_FALSE(c.Load(nullptr));
    ExpectEqual(c, Changed());
}

TEST_F(UserConfigFileTest, ShortFileKeepsWhatItLacks)
{
    WriteFile("BCD", [](GxContentWriterBase& w) {
        w.WriteGxS32Alt("m_ScreenMode", 1);
        w.WriteGxS32Alt("m_TextWaitTime", 5);
    });
    GxUserConfig c;
    EXPECT_TRUE(c.Load(nullptr));
    EXPECT_EQ(c.m_ScreenMode, 1);
    EXPECT_EQ(c.m_TextWaitTime, 5);
    EXPECT_EQ(c.m_TextLongWaitTime, 480);
    EXPECT_EQ(c.m_Volume_BGM, 80);
}

TEST_F(UserConfigFileTest, LoadedVolumesAndOpacityAreClamped)
{
    GxUserConfig wild = Changed();
    wild.m_Volume_Master = 250;
    wild.m_Volume_BGM = -40;
    wild.m_Volume_Voice[0] = 1000;
    wild.m_Volume_Voice[31] = -1;
    wild.m_TextWindowOpacity = 999;
    ASSERT_TRUE(wild.Save(nullptr));
    GxUserConfig c;
    ASSERT_TRUE(c.Load(nullptr));
    EXPECT_EQ(c.m_Volume_Master, 100);
    EXPECT_EQ(c.m_Volume_BGM, 0);
    EXPECT_EQ(c.m_Volume_Voice[0], 100);
    EXPECT_EQ(c.m_Volume_Voice[31], 0);
    EXPECT_EQ(c.m_Volume_Voice[1], 2);
    EXPECT_EQ(c.m_TextWindowOpacity, 255);
    EXPECT_EQ(c.GetSoundVolume(), GxVolumeToAttenuation(95));
}

TEST_F(UserConfigFileTest, SaveIntoAMissingFolderFails)
{
    GxUserConfig c;
    ASSERT_TRUE(c.Save(nullptr));
    // The options of a folder that cannot be written are not reported as saved.
    std::filesystem::permissions(m_Root, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    const bool root = geteuid() == 0;
    if (!root) EXPECT_FALSE(c.Save(nullptr));
    std::filesystem::permissions(m_Root, std::filesystem::perms::owner_all);
    EXPECT_TRUE(GxUserConfig().Load(nullptr));
}

}  // namespace

namespace {

std::string ReadAll(const char* name)
{
    std::string bytes;
    FILE* f = std::fopen(name, "rb");
    if (!f) return bytes;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    std::fclose(f);
    return bytes;
}

std::u16string ErrorLog() { return gxtest::ReadLog("error.log"); }

// Only a change is written: what was read or written last, or what a refused write held, is
// not written again; a refusal is logged with the system's reason and the old file stays.
TEST_F(UserConfigFileTest, SaveIfChangedWritesOnlyAChangeAndNamesTheReasonOfARefusal)
{
    gxtest::FailingDisk disk;
    GxUserConfig c = Changed();
    ASSERT_TRUE(c.Save(nullptr));
    EXPECT_EQ(c.SaveIfChanged(nullptr), GxKeptWrite::Unchanged);
    GxUserConfig loaded;
    ASSERT_TRUE(loaded.Load(nullptr));
    EXPECT_EQ(loaded.SaveIfChanged(nullptr), GxKeptWrite::Unchanged);
    EXPECT_EQ(disk.Writes("userconf.dat"), 1);
    loaded.m_AllowSkipUnreadText = false;
    EXPECT_EQ(loaded.SaveIfChanged(nullptr), GxKeptWrite::Written);
    EXPECT_EQ(disk.Writes("userconf.dat"), 2);

    const std::string before = ReadAll("userconf.dat");
    disk.Set(gxtest::GxDiskFault::Full, {"userconf.dat"});
    loaded.m_Volume_BGM = 1;
    EXPECT_EQ(loaded.SaveIfChanged(nullptr), GxKeptWrite::Failed);
    EXPECT_EQ(loaded.SaveIfChanged(nullptr), GxKeptWrite::Unchanged) << "the refused content is not tried again";
    EXPECT_EQ(ReadAll("userconf.dat"), before);
    EXPECT_NE(ErrorLog().find(u"Error/GxUserConfig Save Failed(userconf.dat: No space left on device)"),
              std::u16string::npos)
        << GxWideToUtf8(ErrorLog());
    disk.Set(gxtest::GxDiskFault::ReadOnly, {"userconf.dat"});
    loaded.m_Volume_BGM = 2;
    EXPECT_EQ(loaded.SaveIfChanged(nullptr), GxKeptWrite::Failed);
    EXPECT_FALSE(loaded.Save(nullptr));
    EXPECT_NE(ErrorLog().find(u"Save Failed(userconf.dat: Read-only file system)"), std::u16string::npos);
    // Room again: the next change is written (the refused one waits for it or for the quit).
    disk.Set(gxtest::GxDiskFault::None, {});
    EXPECT_EQ(loaded.SaveIfChanged(nullptr), GxKeptWrite::Unchanged);
    loaded.m_Volume_BGM = 3;
    EXPECT_EQ(loaded.SaveIfChanged(nullptr), GxKeptWrite::Written);
    GxUserConfig again;
    ASSERT_TRUE(again.Load(nullptr));
    EXPECT_EQ(again.m_Volume_BGM, 3);
}

}  // namespace
