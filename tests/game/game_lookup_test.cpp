// The game's lookups: table rows by name (exact, or ASCII case folded where the game compares
// file names), resource names resolved by extension over loose files and pack members, voice
// files through the character table, and the gallery split and count.
#include <gtest/gtest.h>

#include "core/GxPackFile.h"
#include "game/DBBGMMode.h"
#include "game/DBCGMode.h"
#include "game/DBRPMode.h"
#include "game/DBRukoChar.h"
#include "game/GxGameLookup.h"
#include "tests/game/game_core_fixture.h"
#include "tests/game/game_test_util.h"

namespace {

class GameLookupTest : public gametest::GameFolderTest
{
protected:
    void TearDown() override
    {
        gametest::ClearGameTables();
        GameFolderTest::TearDown();
    }
};

struct FinderCase
{
    const char* label;
    std::vector<std::string> loose;
    std::vector<std::string> packed;
    bool (*find)(std::u16string&);
    std::u16string name;
    bool found;
    std::u16string result;
};

TEST_F(GameLookupTest, ResourceFindersTryTheNameThenTheirExtensionsInOrder)
{
    const FinderCase cases[] = {
        {"only .jpg", {"cg/a.jpg", "cg/a.bmp"}, {}, GxFindImageFile, u"cg/a", true, u"cg/a.jpg"},
        {".png before .dds", {"cg/b.dds", "cg/b.png"}, {}, GxFindImageFile, u"cg/b", true, u"cg/b.png"},
        {"the name itself wins", {"cg/c", "cg/c.png"}, {}, GxFindImageFile, u"cg/c", true, u"cg/c"},
        {"a packed member counts", {}, {"cg/d.tga"}, GxFindImageFile, u"cg/d", true, u"cg/d.tga"},
        {"loose files fold case", {"cg/E.PNG"}, {}, GxFindImageFile, u"cg/e", true, u"cg/e.png"},
        {"none", {"cg/f.gif"}, {}, GxFindImageFile, u"cg/f", false, u"cg/f"},
        {"empty name", {}, {}, GxFindImageFile, u"", false, u""},
        {".ogg before .wav", {"se/a.wav", "se/a.ogg"}, {}, GxFindSoundFile, u"se/a", true, u"se/a.ogg"},
        {"packed .wav", {}, {"se/b.wav"}, GxFindSoundFile, u"se/b", true, u"se/b.wav"},
        {"sounds know no .png", {"se/c.png"}, {}, GxFindSoundFile, u"se/c", false, u"se/c"},
        {".mpg before .avi", {"mv/a.avi", "mv/a.mpg"}, {}, GxFindMovieFile, u"mv/a", true, u"mv/a.mpg"},
        {"only .avi", {}, {"mv/b.avi"}, GxFindMovieFile, u"mv/b", true, u"mv/b.avi"},
        {"motion", {"gnc/fx.gnc"}, {}, GxFindMotionFile, u"gnc/fx", true, u"gnc/fx.gnc"},
    };
    GxPackWriter pack;
    for (const FinderCase& c : cases) {
        for (const std::string& f : c.loose) WriteBytes(f, "x");
        for (const std::string& f : c.packed) pack.AddMember(GxUtf8ToWide(f), std::string_view("x"));
    }
    ASSERT_TRUE(pack.Write((m_Root / "data.pak").string()));
    ASSERT_TRUE(GxFileOpenPack(u"data.pak"));
    for (const FinderCase& c : cases) {
        std::u16string name = c.name;
        EXPECT_EQ(c.find(name), c.found) << c.label;
        EXPECT_EQ(GxWideToUtf8(name), GxWideToUtf8(c.result)) << c.label;
    }
}

TEST_F(GameLookupTest, VoiceFilesAreFoundThroughTheCharactersVoiceFolders)
{
    DBRukoChar& chars = GxGetDBRukoChar();
    chars.GetRow(0)->VoicePath = u"voice/zero/";  // never searched
    chars.GetRow(1)->VoicePath = u"*";
    chars.GetRow(2)->VoicePath = u"voice/two/";
    chars.GetRow(3)->VoicePath = u"voice/three/";
    WriteBytes("voice/zero/v001.ogg", "x");
    WriteBytes("*v001.ogg", "x");
    WriteBytes("voice/three/v001.ogg", "x");
    WriteBytes("voice/three/v002", "x");
    WriteBytes("voice/three/v002.ogg", "x");
    WriteBytes("voice/zero/v009.ogg", "x");

    std::u16string name = u"v001";
    EXPECT_EQ(GxFindVoiceFile(name), 3);
    EXPECT_EQ(name, u"voice/three/v001.ogg");
    name = u"v002";
    EXPECT_EQ(GxFindVoiceFile(name), 3);
    EXPECT_EQ(name, u"voice/three/v002") << "the name as given comes first";
    name = u"v009";
    EXPECT_EQ(GxFindVoiceFile(name), 0) << "row 0 is never searched";
    EXPECT_EQ(name, u"v009");

    // A later character's folder is found when the earlier ones lack the file.
    WriteBytes("voice/two/v003.wav", "x");
    name = u"v003";
    EXPECT_EQ(GxFindVoiceFile(name), 2);
    EXPECT_EQ(name, u"voice/two/v003.wav");
}

TEST_F(GameLookupTest, RowsAreFoundByName)
{
    gametest::LogCapture log;
    DBRukoChar& chars = GxGetDBRukoChar();
    chars.GetRow(4)->CharName = u"るこ";
    chars.GetRow(7)->CharName = u"るこ";
    EXPECT_EQ(GxFindCharID(u"るこ"), 4);
    EXPECT_EQ(GxFindCharID(u""), -1) << "rows that no line set have empty names";
    EXPECT_EQ(GxFindCharID(u"ルコ"), -1);

    DBBGMMode& bgm = GxGetDBBGMMode();
    bgm.GetRow(2)->FileName = u"Theme.OGG";
    bgm.GetRow(2)->LoopPosTime = 4321;
    EXPECT_EQ(GxFindBGMLoopPos(u"bgm\\sub/theme.ogg"), 4321u);
    EXPECT_EQ(GxFindBGMLoopPos(u"c:THEME.ogg"), 4321u);
    EXPECT_EQ(GxFindBGMLoopPos(u"bgm/other.ogg"), 0u);
    EXPECT_EQ(GxFindBGMLoopPos(u"bgm/"), 0u);

    GxGetDBRPMode().GetRow(9)->Label = u"*scene1";
    EXPECT_TRUE(GxIsReplayLabel(u"*scene1"));
    EXPECT_FALSE(GxIsReplayLabel(u"*Scene1"));
    EXPECT_FALSE(GxIsReplayLabel(u""));

    GxGetDBCGMode().GetRow(5)->FileName[3] = u"ev_Sea";
    GxGetDBCGMode().GetRow(6)->FileName[31] = u"ev_hidden";  // the 32nd cell takes part nowhere
    int32_t row = -1, entry = -1;
    EXPECT_TRUE(GxFindCGByFileTitle(u"cg/ev/EV_SEA.day.png", &row, &entry));
    EXPECT_EQ(row, 5);
    EXPECT_EQ(entry, 3);
    EXPECT_FALSE(GxFindCGByFileTitle(u"cg/ev/ev_hidden.png", &row, &entry));
    EXPECT_EQ(row, 0);
    EXPECT_EQ(entry, 0);

    EXPECT_TRUE(log.lines.empty()) << "only the UI lookups log";
    GxGetDBUILayout().GetRow(3)->TaskName = u"btn_start";
    GxGetDBUILayout().GetRow(8)->TaskName = u"btn_start";
    EXPECT_EQ(GxFindUILayoutData(u"btn_start"), GxGetDBUILayout().GetRow(3));
    EXPECT_EQ(GxFindUILayoutData(u"btn_START"), nullptr);
    EXPECT_EQ(log.Count("UIレイアウトデータ[btn_START]が見つかりません"), 1u);
    EXPECT_EQ(GxFindUIModuleData(u"none"), nullptr);
    EXPECT_EQ(log.Count("UIモジュールデータ[none]が見つかりません"), 1u);
}

TEST_F(GameLookupTest, GallerySplitAndCount)
{
    // ID, Group, Thumbnail, 32 FileName cells, Count.
    WriteCp932("data/db_cgmode.txt",
               std::string("1\t0\tthumb\tev/a|10|20\tev/b|5\tev/c\t\tev/d|1|2|3\n") +
               "2\t0\tthumb\tev/x\tev/y\tev/z\tev/w\tev/v" + std::string(28, '\t') + "3\n");
    DBCGMode& cg = GxGetDBCGMode();
    DBCGMode& param = GxGetDBCGModeParam();
    ASSERT_TRUE(cg.Load(u"data/db_cgmode.txt"));
    ASSERT_TRUE(param.Load(u"data/db_cgmode.txt"));
    GxSplitCGModeFileNames();
    const DBCGModeData* r1 = cg.GetRow(1);
    const DBCGModeData* p1 = param.GetRow(1);
    EXPECT_EQ(r1->FileName[0], u"ev/a");
    EXPECT_EQ(p1->FileName[0], u"10|20");
    EXPECT_EQ(r1->FileName[1], u"ev/b");
    EXPECT_EQ(p1->FileName[1], u"5|") << "missing fields are empty";
    EXPECT_EQ(p1->FileName[2], u"|");
    EXPECT_TRUE(p1->FileName[3].empty()) << "empty entries stay empty";
    EXPECT_EQ(r1->FileName[4], u"ev/d");
    EXPECT_EQ(p1->FileName[4], u"1|2|3");

    GxCountCGModeFiles();
    EXPECT_EQ(cg.GetRow(1)->Count, 4) << "counted: entries 0, 1, 2 and 4";
    EXPECT_EQ(cg.GetRow(2)->Count, 3) << "a Count from the file stays although 5 pictures are listed";
    EXPECT_EQ(cg.GetRow(3)->Count, 0) << "a row without pictures is not counted";
}

}  // namespace
