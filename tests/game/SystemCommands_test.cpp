// The system and message commands, run from a compiled script through the game's command set:
// random numbers, the user dialog, messages with their read state across plays, the queries,
// the title jump, the extra option bits and the system signature.
#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <iterator>
#include <set>

#include "core/GxCrc32.h"
#include "core/GxRandom.h"
#include "game/GxCommandsSystem.h"
#include "game/GxResources.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserData.h"
#include "game/GxUserDataPerman.h"
#include "seq/SeqSystem.h"
#include "ui/GxTaskUIBase.h"
#include "tests/support/GxHideScreen.h"
#include "tests/game/SystemTextCommands_fixture.h"
#include "tests/game/game_test_util.h"

namespace {

using cmdtest::CommandGame;

const char* const kRand = R"(
GLOBAL INGAME r1 = -1
GLOBAL INGAME r2 = -1
GLOBAL INGAME r3 = -1
GLOBAL INGAME r4 = 0
*MAIN
r1 = rand(5, 1)
r2 = rand(3, 3)
r3 = rand()
r4 = rand(-2147483648, 2147483647)
)";

TEST(SystemCommands, RandDrawsInEitherOrderAndAnswersEqualOrMissingBoundsWithoutDrawing)
{
    CommandGame g(kRand);
    std::set<int64_t> seen;
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(g.Run(u"MAIN"));
        const int64_t r1 = g.Var(u"r1").GetInt64();
        EXPECT_GE(r1, 1);
        EXPECT_LE(r1, 5);
        seen.insert(r1);
        EXPECT_EQ(g.Var(u"r2").GetInt64(), 3);
        EXPECT_EQ(g.Var(u"r3").GetInt64(), 0);
        EXPECT_GE(g.Var(u"r4").GetInt64(), INT32_MIN);
        EXPECT_LE(g.Var(u"r4").GetInt64(), INT32_MAX);
    }
    EXPECT_EQ(seen.size(), 5u) << "every value of 1..5 comes up";

    // Equal bounds draw nothing: the generator's next value is the same as without the call.
    GxRandomSeed(42);
    EXPECT_EQ(GxRandomInRange(3, 3), 3);
    const int32_t next = GxRandomInt(1000);
    GxRandomSeed(42);
    EXPECT_EQ(GxRandomInt(1000), next);
}

TEST(SystemCommands, RandSpansEveryWidthWithoutOverflow)
{
    // Narrow spans take the engine's uniform draw, so a seed gives the same numbers.
    GxRandomSeed(7);
    const int32_t expected = -10 + GxRandomInt(21);
    GxRandomSeed(7);
    EXPECT_EQ(GxRandomInRange(10, -10), expected);

    const struct { int32_t a, b; } wide[] = {
        {INT32_MIN, INT32_MAX}, {0, INT32_MAX}, {-1, INT32_MAX}, {INT32_MIN, 0}, {INT32_MAX, INT32_MIN},
    };
    for (const auto& c : wide) {
        const int32_t lo = std::min(c.a, c.b), hi = std::max(c.a, c.b);
        bool low = false, high = false;
        const int64_t mid = (static_cast<int64_t>(lo) + hi) / 2;
        for (int i = 0; i < 400; ++i) {
            const int32_t r = GxRandomInRange(c.a, c.b);
            EXPECT_GE(r, lo);
            EXPECT_LE(r, hi);
            (r < mid ? low : high) = true;
        }
        EXPECT_TRUE(low && high) << "both halves of " << lo << ".." << hi;
    }
}

const char* const kQueries = R"(
GLOBAL INGAME dialog = -1
GLOBAL INGAME debug = -1
GLOBAL INGAME replay = -1
GLOBAL INGAME signature = ""
GLOBAL INGAME passed = -1
GLOBAL INGAME notpassed = -1
*MAIN
setgamedatatitle("第一章")
setnameidentifymode(5)
dialog = getdialogresult()
debug = getdebugmodeflag()
replay = getreplaymode()
signature = getsystemsignature()
passed = getpassedlabel("scene1")
notpassed = getpassedlabel("scene2")
exit()
*NOLABEL
passed = getpassedlabel()
passed = 9
)";

TEST(SystemCommands, QueriesAndSettersReachTheGameState)
{
    CommandGame g(kQueries);
    gametest::LogCapture log;
    g.Data().m_LastDialogResult = 1;
    g.Data().m_ReplayMode = true;
    g.app.core->GetSystemConfig()->m_DebugModeFlag = true;
    g.Perman().m_PassedReplayLabels.insert(u"scene1");
    ASSERT_TRUE(g.Run(u"MAIN"));
    EXPECT_EQ(g.Data().m_GameDataTitle, u"第一章");
    EXPECT_EQ(g.Data().m_NameIdentifyMode, 5);
    EXPECT_EQ(g.Var(u"dialog").GetInt64(), 1);
    EXPECT_EQ(g.Var(u"debug").GetInt64(), 1);
    EXPECT_EQ(g.Var(u"replay").GetInt64(), 1);
    EXPECT_EQ(g.Var(u"passed").GetInt64(), 1);
    EXPECT_EQ(g.Var(u"notpassed").GetInt64(), 0);

    // The signature is the checksum of the picture compiled into the program.
    std::ifstream png(GX_SOURCE_DIR "/game/resources/signature.png", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(png)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(bytes.empty());
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08X", GxCalcCRC32(bytes.data(), bytes.size()));
    EXPECT_EQ(GxWideToUtf8(g.Var(u"signature").GetString()), hex);
    EXPECT_EQ(GxFormatSystemSignature(nullptr), u"00000000");
    EXPECT_EQ(GxFindResource(u"PNG", 101), nullptr);

    // A missing label is an error: the script stops and the result stays.
    EXPECT_FALSE(g.Run(u"NOLABEL"));
    EXPECT_EQ(log.Count("getpassedlabel:ラベル名を指定してください"), 1u);
    EXPECT_EQ(g.Var(u"passed").GetInt64(), 1) << "neither the result nor the next statement";
}

const char* const kDialog = R"(
GLOBAL INGAME answer = -1
*MAIN
dlg("続けますか？", 3)
exit()
*TWICE
dlg("もう一度")
answer = getdialogresult()
exit()
*OKONLY
dlg("お知らせ")
)";

void WriteDialogModules(const std::filesystem::path& game)
{
    std::filesystem::create_directories(game / "data");
    std::ofstream(game / "data" / "db_uimodule.txt", std::ios::binary)
        << "0\t15\tdlg_user\n1\t18\tbtn_yes\n2\t18\tbtn_no\n3\t18\tbtn_ok\n4\t18\tbtn_cancel\n";
}

TEST(SystemCommands, DlgOpensTheUserDialogOnceAndItsAnswerIsReadBack)
{
    CommandGame g(kDialog, WriteDialogModules);
    gametest::LogCapture log;
    GxTaskBase* dialog = g.tm->FindTaskByName(u"dlg_user");
    ASSERT_NE(dialog, nullptr) << "the start-up built the system screen";
    g.Data().m_LastDialogResult = 4;
    ASSERT_TRUE(g.Run(u"MAIN"));
    EXPECT_TRUE(SeqSystem::IsUserDialogOpen(dialog));
    EXPECT_EQ(SeqSystem::GetUserDialogKey(), u"USERDIALOG");
    EXPECT_EQ(g.Data().m_LastDialogResult, 0);
    EXPECT_EQ(g_SystemDialogCount, 1);

    g.Data().m_LastDialogResult = 4;
    EXPECT_FALSE(g.Run(u"TWICE")) << "a second dialog while one is open stops the script";
    EXPECT_EQ(log.Count("dlg:ダイアログは二重に開けません"), 1u);
    EXPECT_EQ(g.Data().m_LastDialogResult, 0) << "cleared before the refusal";
    EXPECT_EQ(g.Var(u"answer").GetInt64(), -1);
    EXPECT_EQ(g_SystemDialogCount, 1);

    // The player answers Yes through the standard handler of the screens.
    auto* system = dynamic_cast<SeqSystem*>(g.tm->FindTaskByName(u"SeqSystem"));
    ASSERT_NE(system, nullptr);
    GxTaskBase* yes = dialog->GetFirstChild();
    ASSERT_NE(yes, nullptr);
    EXPECT_EQ(yes->GetTaskLocalName(), u"btn_dlguser_yes");
    EXPECT_EQ(system->OnUIEventLeftDown(dynamic_cast<GxTaskUIBase*>(yes), nullptr), 1);
    EXPECT_EQ(g.Data().m_LastDialogResult, 1);
    EXPECT_FALSE(SeqSystem::IsUserDialogOpen(dialog));
    EXPECT_EQ(g_SystemDialogCount, 0);

    ASSERT_TRUE(g.Run(u"OKONLY"));
    GxTaskBase* okAlone = nullptr;
    for (GxTaskBase* c = dialog->GetFirstChild(); c; c = c->GetNextSibling()) {
        auto* w = dynamic_cast<GxTaskUIBase*>(c);
        if (w && w->IsVisible()) {
            EXPECT_EQ(okAlone, nullptr) << "one button only";
            okAlone = c;
        }
    }
    ASSERT_NE(okAlone, nullptr);
    EXPECT_EQ(okAlone->GetTaskLocalName(), u"btn_dlguser_ok");
    EXPECT_EQ(okAlone->GetTaskLocalIndex(), 1);
    SeqSystem::CloseUserDialog(dialog, false);
}

const char* const kMessages = R"(
*MAIN
msg("こんにちは")
msgn("ルコ", "はい")
msgn("", "名無し")
msg.clear()
)";

TEST(SystemCommands, MessagesGoToTheScreenTheBackLogAndTheReadFlagsThatOutliveThePlay)
{
    std::string permanent;
    {
        CommandGame g(kMessages);
        g.Data().m_IgnoreKinsoku = true;
        ASSERT_TRUE(g.Run(u"MAIN"));
        const std::vector<std::string> expected = {
            "ClearName",          "SetMessage こんにちは read=0 kinsoku=1 nonewline=0",
            "SetName [ルコ] 3",   "SetMessage はい read=0 kinsoku=1 nonewline=0",
            "SetName [] 3",       "SetMessage 名無し read=0 kinsoku=1 nonewline=0",
            "ClearMessage",
        };
        EXPECT_EQ(g.main->calls, expected);
        const auto& log = g.Data().m_MessageLog;
        ASSERT_EQ(log.size(), 3u);
        EXPECT_EQ(log[0].m_Name, u"");
        EXPECT_EQ(log[0].m_Message, u"こんにちは");
        EXPECT_EQ(log[1].m_Name, u"ルコ");
        EXPECT_EQ(log[2].m_Name, u"") << "an empty speaker stays empty in the log";
        EXPECT_TRUE(log[0].m_IgnoreKinsoku);
        EXPECT_FALSE(log[0].m_DisenableAutoNewline);
        // Lines 2 to 4 of the script, recorded as line + 1.
        for (int32_t line : {2, 3, 4}) EXPECT_TRUE(g.Perman().GetReadedMessageFlag(u"MAIN", line + 1)) << line;
        EXPECT_FALSE(g.Perman().GetReadedMessageFlag(u"MAIN", 2));

        g.main->calls.clear();
        ASSERT_TRUE(g.Run(u"MAIN"));
        EXPECT_EQ(g.main->calls[1], "SetMessage こんにちは read=1 kinsoku=1 nonewline=0") << "read in the same play";

        g.app.core->Finalize();  // writes permanent.dat as the program's shutdown does
        g.app.initialized = false;
        std::ifstream in(std::filesystem::path(GxWideToUtf8(g.app.core->GetSaveFolder())) / "permanent.dat",
                         std::ios::binary);
        permanent.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        ASSERT_FALSE(permanent.empty());
    }
    CommandGame next(kMessages, [&](const std::filesystem::path& game) {
        std::filesystem::create_directories(cmdtest::SaveFolderOf(game));
        std::ofstream(cmdtest::SaveFolderOf(game) / "permanent.dat", std::ios::binary) << permanent;
    });
    ASSERT_TRUE(next.Run(u"MAIN"));
    ASSERT_GE(next.main->calls.size(), 4u);
    EXPECT_EQ(next.main->calls[1], "SetMessage こんにちは read=1 kinsoku=0 nonewline=0") << "read in an earlier play";
    EXPECT_EQ(next.main->calls[3], "SetMessage はい read=1 kinsoku=0 nonewline=0");
}

const char* const kExtraAndTitle = R"(
GLOBAL INGAME b1 = -1
GLOBAL INGAME b2 = -1
GLOBAL INGAME b31 = -1
GLOBAL INGAME after = 0
*MAIN
setextraoption(33, 1)
setextraoption(-1, 1)
setextraoption(4, 1)
setextraoption(4, 0)
b1 = getextraoption(1)
b2 = getextraoption(2)
b31 = getextraoption(31)
jumptotitle()
after = 1
)";

TEST(SystemCommands, ExtraOptionBitsWrapModulo32AndTheTitleJumpNeverStopsTheScript)
{
    CommandGame g(kExtraAndTitle);
    gxtest::HideProgramScreen(g.tm, u"SeqTitle");
    gametest::LogCapture log;
    ASSERT_TRUE(g.Run(u"MAIN"));
    EXPECT_EQ(g.Perman().m_ExtraOption, 0x80000002u) << "33 sets bit 1, -1 bit 31, bit 4 set and cleared";
    EXPECT_EQ(g.Var(u"b1").GetInt64(), 1);
    EXPECT_EQ(g.Var(u"b2").GetInt64(), 0);
    EXPECT_EQ(g.Var(u"b31").GetInt64(), 1);
    EXPECT_EQ(log.Count("遷移先のシーケンスが見つかりません(SeqTitle)"), 1u);
    EXPECT_EQ(g.Var(u"after").GetInt64(), 1);

    auto* title = new GxSeqBase(u"SeqTitle", g.tm->GetRootTask());
    ASSERT_TRUE(g.Run(u"MAIN"));
    EXPECT_EQ(g.tm->GetPendingSequence(), title);
    EXPECT_EQ(g.tm->GetPendingSequenceParam(), 0);
}

}  // namespace
