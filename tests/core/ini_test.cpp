#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "core/GxINIFile.h"
#include "core/GxLog.h"
#include "core/GxString.h"

namespace {

void Parse(GxINIFile& ini, std::string_view bytes)
{
    ini.LoadFromMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

constexpr std::u16string_view kAbsent = u"<absent>";

TEST(INIFileTest, KeyValueLines)
{
    GxINIFile ini;
    Parse(ini,
          "; settings\r\n"
          "[system]\r\n"
          "  APP_TITLE =  My Game \t\r\n"
          "\r\n"
          "   \r\n"
          "FORMULA=a=b==c\r\n"
          "QUOTED=\"x y\"\n"
          "EMPTY=\n"
          "=nameless\n"
          "[other]\n"
          "SECOND=2\n"
          "no equals sign here\n"
          "LAST=no line end");
    EXPECT_EQ(ini.GetString(u"APP_TITLE", kAbsent), u"My Game");
    EXPECT_EQ(ini.GetString(u"FORMULA", kAbsent), u"a=b==c");
    EXPECT_EQ(ini.GetString(u"QUOTED", kAbsent), u"\"x y\"");
    EXPECT_EQ(ini.GetString(u"EMPTY", kAbsent), u"");
    EXPECT_EQ(ini.GetString(u"", kAbsent), u"nameless");
    EXPECT_EQ(ini.GetString(u"SECOND", kAbsent), u"2");
    EXPECT_EQ(ini.GetString(u"LAST", kAbsent), u"no line end");
    EXPECT_EQ(ini.GetString(u"[system]", kAbsent), kAbsent);
    EXPECT_EQ(ini.GetCount(), 7u);
}

TEST(INIFileTest, FirstOccurrenceWinsAndKeysAreCaseSensitive)
{
    GxINIFile ini;
    Parse(ini, "Key=first\nKey = second\nkey=lower\n");
    EXPECT_EQ(ini.GetString(u"Key", kAbsent), u"first");
    EXPECT_EQ(ini.GetString(u"key", kAbsent), u"lower");
    EXPECT_EQ(ini.GetString(u"KEY", kAbsent), kAbsent);
}

TEST(INIFileTest, CommentedLineWithEqualsIsAPair)
{
    GxINIFile ini;
    Parse(ini, ";FONTSIZE_0=20\n# DebugModeFlag = 1\n");
    EXPECT_EQ(ini.GetString(u";FONTSIZE_0", kAbsent), u"20");
    EXPECT_EQ(ini.GetString(u"# DebugModeFlag", kAbsent), u"1");
    EXPECT_EQ(ini.GetString(u"FONTSIZE_0", kAbsent), kAbsent);
}

TEST(INIFileTest, TextIsCp932AndEndsAtNul)
{
    GxINIFile ini;
    // "ソフト表示" holds two characters whose trail byte is a backslash.
    static const char kText[] = "APP_TITLE=\x83\x5C\x83\x74\x83\x67\x95\x5C\x8E\xA6\n\x96\xBC\x91\x4F=\x82\xA0\nA=1\0B=2\n";
    Parse(ini, std::string_view(kText, sizeof kText - 1));
    EXPECT_EQ(ini.GetString(u"APP_TITLE", kAbsent), u"ソフト表示");
    EXPECT_EQ(ini.GetString(u"名前", kAbsent), u"あ");
    EXPECT_EQ(ini.GetString(u"A", kAbsent), u"1");
    EXPECT_EQ(ini.GetString(u"B", kAbsent), kAbsent);
}

TEST(INIFileTest, Utf8SignatureBecomesPartOfFirstKey)
{
    GxINIFile ini;
    Parse(ini, "\xEF\xBB\xBFKEY=1\nNEXT=2\n");
    EXPECT_EQ(ini.GetString(u"KEY", kAbsent), kAbsent);
    EXPECT_EQ(ini.GetString(GxAnsiToWide("\xEF\xBB\xBF") + u"KEY", kAbsent), u"1");
    EXPECT_EQ(ini.GetString(u"NEXT", kAbsent), u"2");
}

TEST(INIFileTest, ReloadEmptiesTheMap)
{
    GxINIFile ini;
    Parse(ini, "A=1\nB=2\n");
    Parse(ini, "C=3\n");
    EXPECT_EQ(ini.GetString(u"A", kAbsent), kAbsent);
    EXPECT_EQ(ini.GetString(u"C", kAbsent), u"3");
    ini.LoadFromMemory(nullptr, 0);
    EXPECT_EQ(ini.GetCount(), 0u);
}

TEST(INIFileTest, TypedGetters)
{
    GxINIFile ini;
    Parse(ini,
          "HEX=0x10\nOCT=010\nBIN=0b11\nNEG=-5\nWORD=abc\nEMPTY=\nCOLOR=0xFFFFFFFF\nBIG=9999999999\n"
          "FWMINUS=\x81\x7C" "3\n"     // CP932 full-width minus U+FF0D
          "ONE=1\nMONE=-1\nTRUE=true\nZERO=0\nZEROS=00\nLEAD=2abc\nHEXBOOL=0x10\nPLUS=+3\n");
    const struct
    {
        const char16_t* key;
        int32_t i32;
        int64_t i64;
        bool b;
    } cases[] = {
        {u"HEX", 16, 16, false},   // atoi reads only the 0
        {u"OCT", 10, 10, true},
        {u"BIN", 3, 3, false},
        {u"NEG", -5, -5, true},
        {u"WORD", 0, 0, false},
        {u"EMPTY", 0, 0, false},
        {u"COLOR", -1, 0xFFFFFFFFLL, false},
        {u"BIG", 1410065407, 9999999999LL, true},
        {u"FWMINUS", -3, -3, false},
        {u"ONE", 1, 1, true},
        {u"MONE", -1, -1, true},
        {u"TRUE", 0, 0, false},
        {u"ZERO", 0, 0, false},
        {u"ZEROS", 0, 0, false},
        {u"LEAD", 2, 2, true},
        {u"HEXBOOL", 16, 16, false},
        {u"PLUS", 3, 3, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << testing::PrintToString(std::u16string(c.key)));
        EXPECT_EQ(ini.GetInt(c.key, 77), c.i32);
        EXPECT_EQ(ini.GetInt64(c.key, 77), c.i64);
        EXPECT_EQ(ini.GetBool(c.key, true), c.b);
        EXPECT_EQ(ini.GetBool(c.key, false), c.b);
    }
    EXPECT_EQ(ini.GetString(u"FWMINUS", kAbsent), u"\xFF0D" u"3");
    EXPECT_EQ(ini.GetInt(u"ABSENT", 77), 77);
    EXPECT_EQ(ini.GetInt64(u"ABSENT", -0x123456789LL), -0x123456789LL);
    EXPECT_TRUE(ini.GetBool(u"ABSENT", true));
    EXPECT_FALSE(ini.GetBool(u"ABSENT", false));
    EXPECT_EQ(ini.GetString(u"ABSENT", u"fallback"), u"fallback");
}

// ---- Loading through the file layer ----

class INIFileLoadTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_Dir = std::filesystem::temp_directory_path() /
                ("gx_ini_" + std::to_string(getpid()) + "_" +
                 testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_Dir);
        std::filesystem::create_directories(m_Dir);
        m_OldLog = GxGetLogPath(GxLogFile::Error);
        GxSetErrorLogPath(Path("error.log"));
    }
    void TearDown() override
    {
        GxSetErrorLogPath(m_OldLog);
        std::filesystem::remove_all(m_Dir);
    }
    std::u16string Path(const std::string& name) const { return GxUtf8ToWide((m_Dir / name).string()); }
    void Write(const std::string& name, std::string_view bytes) const
    {
        std::ofstream(m_Dir / name, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    bool LogExists() const { return std::filesystem::exists(m_Dir / "error.log"); }

    std::filesystem::path m_Dir;
    std::u16string m_OldLog;
};

TEST_F(INIFileLoadTest, LoadsFromDisk)
{
    Write("sysconf.ini", "[system]\r\nAPP_TITLE = \x83\x5C\x83\x74\x83\x67\r\nFONTSIZE_0=0x10\r\nAPP_TITLE=again\r\n");
    GxINIFile ini;
    ASSERT_TRUE(ini.Load(Path("sysconf.ini"), false));
    EXPECT_EQ(ini.GetString(u"APP_TITLE", kAbsent), u"ソフト");
    EXPECT_EQ(ini.GetInt(u"FONTSIZE_0", 0), 16);
    EXPECT_EQ(ini.GetCount(), 2u);

    // An empty file reads as an empty map.
    Write("empty.ini", "");
    EXPECT_TRUE(ini.Load(Path("empty.ini"), false));
    EXPECT_EQ(ini.GetCount(), 0u);
    EXPECT_FALSE(LogExists());
}

TEST_F(INIFileLoadTest, MissingFileEmptiesTheMapAndLogsUnlessQuiet)
{
    Write("a.ini", "A=1\n");
    GxINIFile ini;
    ASSERT_TRUE(ini.Load(Path("a.ini"), false));
    EXPECT_FALSE(ini.Load(Path("missing.ini"), true));
    EXPECT_EQ(ini.GetCount(), 0u);
    EXPECT_FALSE(LogExists());
    EXPECT_FALSE(ini.Load(Path("missing.ini"), false));
    EXPECT_TRUE(LogExists());
}

}  // namespace
