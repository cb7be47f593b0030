// The game's shipped settings: built-in defaults, "system/sysconf.ini" key by key (colours in
// either notation, the choice edge colour's own key, the extra screens' music, font sizes the
// glyph atlas cannot hold, packs with gaps), and the developer switches of "setting.ini" over a
// generated game folder.
#include <functional>

#include "game/GxSystemConfig.h"
#include "graphics/GxGDIFontMap.h"
#include "tests/game/game_test_util.h"

using namespace gametest;

namespace {

class SystemConfigTest : public GameFolderTest
{
};

TEST(SystemConfigDefaults, HoldTheShippedValues)
{
    GxSystemConfig sc;
    EXPECT_FALSE(sc.m_DebugModeFlag);
    EXPECT_TRUE(sc.m_SaveToMyDocuments);
    EXPECT_TRUE(sc.m_SkipSlightError);
    EXPECT_EQ(sc.m_SystemTextColor1, 0xFFAAEEFFu);
    EXPECT_EQ(sc.m_RukologTextColor1, 0x80000000u);
    EXPECT_EQ(sc.m_SelectEdgeColor, 0xFF808080u);
    EXPECT_EQ(sc.m_MeswinLetterMarginWidth, 4);
    EXPECT_EQ(sc.m_TransitionFillColor, 0xFF000000u);
    EXPECT_EQ(sc.m_StandTransitionTime, 800);
    EXPECT_EQ(sc.m_BgTransitionTime, 1000);
    EXPECT_EQ(sc.m_SeqTransitionTime, 400);
    EXPECT_EQ(std::u16string({sc.m_TextControlChar1, sc.m_TextControlChar2, sc.m_TextControlChar3, sc.m_TextControlChar4}),
              u"\u226A\u226B\uFF0F|");
    EXPECT_EQ(sc.m_NameSeparators, u"「（");
    ASSERT_EQ(sc.m_LineStartForbidden.size(), 47u);
    EXPECT_EQ(sc.m_LineStartForbidden.front(), u'!');
    EXPECT_EQ(sc.m_LineStartForbidden.substr(16, 3), u"、。々");
    EXPECT_EQ(sc.m_LineStartForbidden.back(), u'\uFF9F');
    EXPECT_EQ(sc.m_LineEndForbidden, u"‘“〈《「『【〔（［｛｢");
    EXPECT_EQ(sc.m_LineEndForbidden.size(), 12u);
    const int32_t sizes[] = {11, 15, 23, 24, 22, 38};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(sc.m_FontSize[i], sizes[i]) << i;
    EXPECT_EQ(sc.m_SelectButtonCount, 10);
    EXPECT_EQ(sc.m_BackLogCapacity, 100);
    EXPECT_EQ(sc.m_BackLogPerPage, 5);
    EXPECT_EQ(sc.m_AssetFolder[kGxFolderScripts], u"scripts/");
    EXPECT_EQ(sc.m_AssetFolder[kGxFolderFonts], u"fonts/");
    EXPECT_EQ(sc.m_AssetFolder[kGxFolderModelExtras], u"models/extras/");
    EXPECT_EQ(sc.m_AssetFolder[kGxFolderSoundSys], u"sounds/sys/");
    EXPECT_EQ(sc.m_AssetFolder[kGxFolderMovies], u"movies/");
    EXPECT_EQ(sc.m_SystemSoundFile[0], u"sounds/sys/push.wav");
    EXPECT_EQ(sc.m_SystemSoundFile[5], u"sounds/sys/decide.wav");
    for (int i = 6; i < 10; ++i) EXPECT_TRUE(sc.m_SystemSoundFile[i].empty()) << i;
    EXPECT_EQ(sc.m_AppTitle, u"MorvaneV2");
    EXPECT_EQ(sc.m_AppSaveDir, u"MorvaneV2_SAVE");
    EXPECT_EQ(sc.m_QuickSaveFileName, u"gamedata_quick.gd");
    EXPECT_EQ(sc.m_FileCgError, u"cg/error.png");
    EXPECT_EQ(sc.m_FileCgBgDefault, u"cg/bg/黒.png");
}

TEST(SystemConfigDefaults, SetDefaultUndoesEveryChange)
{
    GxSystemConfig sc;
    sc.m_AppTitle = u"x";
    sc.m_AssetFolder[3] = u"y/";
    sc.m_SelectEdgeColor = 1;
    sc.m_SkipSlightError = false;
    sc.SetDefault();
    EXPECT_EQ(sc.m_AppTitle, u"MorvaneV2");
    EXPECT_EQ(sc.m_AssetFolder[3], u"cg/ev/");
    EXPECT_EQ(sc.m_SelectEdgeColor, 0xFF808080u);
    EXPECT_TRUE(sc.m_SkipSlightError);
}

struct SysConfCase
{
    const char* name;
    const char* ini;
    std::function<void(GxSystemConfig&)> before;  // state of the object before the file is read
    std::function<void(const GxSystemConfig&)> check;
    size_t cutLines = 0;  // values cut into range, each with a line naming its key
};

void PrintTo(const SysConfCase& c, std::ostream* os) { *os << c.name; }

class SysConfKeys : public SystemConfigTest, public ::testing::WithParamInterface<SysConfCase>
{
};

TEST_P(SysConfKeys, KeyLandsInItsField)
{
    const SysConfCase& c = GetParam();
    WriteBytes("system/sysconf.ini", c.ini);
    GxSystemConfig sc;
    if (c.before) c.before(sc);
    LogCapture log;
    ASSERT_TRUE(sc.LoadSysConf());
    c.check(sc);
    EXPECT_EQ(log.Count("out of range"), c.cutLines);
}

const SysConfCase kSysConfCases[] = {
    {"HexColour", "SYSTEM_TEXT_COLOR1=0xFF102030\n", nullptr,
     [](const GxSystemConfig& sc) { EXPECT_EQ(sc.m_SystemTextColor1, 0xFF102030u); }},
    {"DecimalColourIsTheSameColour", "SYSTEM_TEXT_COLOR1=4279246896\n", nullptr,
     [](const GxSystemConfig& sc) { EXPECT_EQ(sc.m_SystemTextColor1, 0xFF102030u); }},
    {"ColourKeepsTheLow32Bits", "MESWIN_EDGE_COLOR=8574214192\n", nullptr,
     [](const GxSystemConfig& sc) { EXPECT_EQ(sc.m_MeswinEdgeColor, 0xFF102030u); }},
    {"ChoiceEdgeIsReadFromColorNA", "SELECT_EDGE_COLORNA=0xFF010203\n", nullptr,
     [](const GxSystemConfig& sc) { EXPECT_EQ(sc.m_SelectEdgeColor, 0xFF010203u); }},
    {"SelectEdgeColorIsNoKey", "SELECT_EDGE_COLOR=0xFF010203\n", nullptr,
     [](const GxSystemConfig& sc) { EXPECT_EQ(sc.m_SelectEdgeColor, 0xFF808080u); }},
    {"AbsentLoopIsZeroNotThePreviousValue", "BGM_NAME_CGMODE=cg.ogg\nBGM_LOOP_CGMODE=1500\n",
     [](GxSystemConfig& sc) {
         sc.m_BgmLoopTitle = 777;
         sc.m_BgmNameTitle = u"old";
         sc.m_MovNameOpening = u"old";
     },
     [](const GxSystemConfig& sc) {
         EXPECT_EQ(sc.m_BgmLoopCgMode, 1500);
         EXPECT_EQ(sc.m_BgmNameCgMode, u"cg.ogg");
         EXPECT_EQ(sc.m_BgmLoopTitle, 0);
         EXPECT_EQ(sc.m_BgmNameTitle, u"");
         EXPECT_EQ(sc.m_MovNameOpening, u"");
     }},
    {"LeadingZeroIsDecimal", "FONTSIZE_0=010\nFONTSIZE_5=0x20\n", nullptr,
     [](const GxSystemConfig& sc) {
         EXPECT_EQ(sc.m_FontSize[0], 10);
         EXPECT_EQ(sc.m_FontSize[1], 15);
         EXPECT_EQ(sc.m_FontSize[5], 32);
     }},
    // Found by fuzzing: a glyph of each size must fit a page of its glyph atlas; a larger size
    // overflowed the atlas's arithmetic, and sizes below 1 draw nothing.
    {"FontSizesTheGlyphAtlasCannotHoldAreCut",
     "FONTSIZE_0=0\nFONTSIZE_1=-5\nFONTSIZE_2=511\nFONTSIZE_3=512\nFONTSIZE_4=1655555555\n", nullptr,
     [](const GxSystemConfig& sc) {
         const int32_t expected[] = {1, 1, 511, 511, 511, 38};
         for (int i = 0; i < 6; ++i) EXPECT_EQ(sc.m_FontSize[i], expected[i]) << i;
         GxGDIFontMap atlas;
         atlas.SetFont(sc.m_FontSize[4], nullptr);
         const GxGlyphRecord glyph = atlas.GetGlyph(u'あ');
         EXPECT_EQ(glyph.width, 511);
         EXPECT_EQ(glyph.height, 511);
     },
     4},
    {"AbsentKeysKeepTheCurrentValue", "APP_TITLE=T\n",
     [](GxSystemConfig& sc) {
         sc.m_AppSaveDir = u"kept";
         sc.m_MeswinLetterMarginWidth = 9;
         sc.m_FileCgBgDefault = u"kept.png";
     },
     [](const GxSystemConfig& sc) {
         EXPECT_EQ(sc.m_AppTitle, u"T");
         EXPECT_EQ(sc.m_AppSaveDir, u"kept");
         EXPECT_EQ(sc.m_MeswinLetterMarginWidth, 9);
         EXPECT_EQ(sc.m_FileCgBgDefault, u"kept.png");
     }},
    {"StringsAndNumbers",
     "MESWIN_LETTER_MARGINWIDTH=-2\nMESWIN_TEXT_BUILTINFONTNAME=digits\nBGM_NAME_EXTRA=ex\nBGM_LOOP_EXTRA=0x10\n"
     "LABEL_NAME_EXTRA=*extra\nFILE_CG_ERROR=cg/err.png\nFILE_CG_BG_DEFAULT=cg/bg/white.png\nSAVE_TO_MYDOCUMENTS=0\n"
     "RUKOLOG_TEXT_COLOR1=abc\n",
     nullptr,
     [](const GxSystemConfig& sc) {
         EXPECT_EQ(sc.m_MeswinLetterMarginWidth, -2);
         EXPECT_EQ(sc.m_MeswinTextBuiltinFontName, u"digits");
         EXPECT_EQ(sc.m_BgmNameExtra, u"ex");
         EXPECT_EQ(sc.m_BgmLoopExtra, 16);
         EXPECT_EQ(sc.m_LabelNameExtra, u"*extra");
         EXPECT_EQ(sc.m_FileCgError, u"cg/err.png");
         EXPECT_EQ(sc.m_FileCgBgDefault, u"cg/bg/white.png");
         EXPECT_FALSE(sc.m_SaveToMyDocuments);
         EXPECT_EQ(sc.m_RukologTextColor1, 0u);  // no digits
     }},
};

INSTANTIATE_TEST_SUITE_P(Table, SysConfKeys, ::testing::ValuesIn(kSysConfCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SystemConfigTest, JapaneseTitleFromCodePageFileAndTheSignatureOfAUtf8File)
{
    WriteCp932("system/sysconf.ini", "APP_TITLE=るこ物語\nAPP_SAVEDIR=るこ_SAVE\n");
    GxSystemConfig sc;
    ASSERT_TRUE(sc.LoadSysConf());
    EXPECT_EQ(sc.m_AppTitle, u"るこ物語");
    EXPECT_EQ(sc.m_AppSaveDir, u"るこ_SAVE");

    // Settings files are code-page text: a UTF-8 signature belongs to the first key, so a first
    // line "APP_TITLE" is not that key; later ASCII lines still count.
    WriteUtf8Bom("system/sysconf.ini", "APP_TITLE=Other\nAPP_SAVEDIR=SaveB\n");
    GxSystemConfig utf8;
    ASSERT_TRUE(utf8.LoadSysConf());
    EXPECT_EQ(utf8.m_AppTitle, u"MorvaneV2");
    EXPECT_EQ(utf8.m_AppSaveDir, u"SaveB");
}

TEST_F(SystemConfigTest, PackKeysMountEachPackAndReportOnesThatFail)
{
    GxPackWriter pack;
    pack.AddMember(u"data/in_pack.txt", std::string_view("x"));
    ASSERT_TRUE(pack.Write((m_Root / "five.pak").string()));
    GxPackWriter other;
    other.AddMember(u"data/other.txt", std::string_view("y"));
    ASSERT_TRUE(other.Write((m_Root / "thirty_one.pak").string()));
    WriteBytes("system/sysconf.ini", "PACK_FILE_02=missing.pak\nPACK_FILE_05=five.pak\nPACK_FILE_31=thirty_one.pak\n"
                                     "PACK_FILE_32=never.pak\nPACK_FILE_5=never.pak\n");
    LogCapture log;
    GxSystemConfig sc;
    ASSERT_TRUE(sc.LoadSysConf());
    EXPECT_EQ(GxFileGetPackCount(), 2u);
    EXPECT_NE(GxFileExists(u"data/in_pack.txt"), 0);
    EXPECT_NE(GxFileExists(u"data/other.txt"), 0);
    EXPECT_EQ(log.Count("missing.pak"), 1u);
    EXPECT_EQ(log.Count("never.pak"), 0u);
}

TEST_F(SystemConfigTest, SettingsFileIsRequiredAndDeveloperFileIsNot)
{
    GxSystemConfig sc;
    sc.m_AppTitle = u"untouched";
    EXPECT_FALSE(sc.LoadSysConf());
    EXPECT_EQ(sc.m_AppTitle, u"untouched");

    sc.SetDefault();
    sc.m_SaveToMyDocuments = false;
    EXPECT_FALSE(sc.LoadSetting());
    EXPECT_FALSE(sc.m_SaveToMyDocuments);
    EXPECT_TRUE(sc.m_SkipSlightError);
    EXPECT_FALSE(sc.m_DebugModeFlag);
}

TEST_F(SystemConfigTest, DeveloperSwitchesOverrideTheShippedFolderChoice)
{
    WriteBytes("system/sysconf.ini", "SAVE_TO_MYDOCUMENTS=0\n");
    WriteBytes("setting.ini",
               "DebugModeFlag=1\nDebugConsoleFlag=1\nAutoCompile=1\nSaveToMyDocuments=1\nTextEditorCommand=vi %s\n"
               "SkipSlightError=0\nCleanErrorLog=1\nDisableMovie=1\nErrorStopNotFound_BGM=1\nErrorStopNotFound_BGV=1\n"
               "ErrorStopNotFound_SE=1\nErrorStopNotFound_VO=1\nErrorStopNotFound_BG=1\nErrorStopNotFound_EV=1\n");
    GxSystemConfig sc;
    ASSERT_TRUE(sc.LoadSysConf());
    EXPECT_FALSE(sc.m_SaveToMyDocuments);
    ASSERT_TRUE(sc.LoadSetting());
    EXPECT_TRUE(sc.m_SaveToMyDocuments);
    EXPECT_TRUE(sc.m_DebugModeFlag && sc.m_DebugConsoleFlag && sc.m_AutoCompile && sc.m_CleanErrorLog &&
                sc.m_DisableMovie);
    EXPECT_EQ(sc.m_TextEditorCommand, u"vi %s");
    EXPECT_FALSE(sc.m_SkipSlightError);
    EXPECT_TRUE(sc.m_ErrorStopNotFound_BGM && sc.m_ErrorStopNotFound_BGV && sc.m_ErrorStopNotFound_SE &&
                sc.m_ErrorStopNotFound_VO && sc.m_ErrorStopNotFound_BG && sc.m_ErrorStopNotFound_EV);

    // Absent switches take their defaults again, but the folder choice stays what sysconf.ini said.
    WriteBytes("setting.ini", "; nothing\n");
    ASSERT_TRUE(sc.LoadSetting());
    EXPECT_TRUE(sc.m_SaveToMyDocuments);
    EXPECT_TRUE(sc.m_SkipSlightError);
    EXPECT_FALSE(sc.m_DebugModeFlag);
    EXPECT_FALSE(sc.m_ErrorStopNotFound_EV);
    EXPECT_EQ(sc.m_TextEditorCommand, u"");

    GxSystemConfig fresh;
    ASSERT_TRUE(fresh.LoadSysConf());
    ASSERT_TRUE(fresh.LoadSetting());
    EXPECT_FALSE(fresh.m_SaveToMyDocuments);
}

}  // namespace
