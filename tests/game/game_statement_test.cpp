// The main worker's statement step as the main play screen drives it: one statement per call,
// text lines shown on the screen with the speaker's name split off, and layer operations
// (name.suffix(args)) turned into the character commands.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/task/GxTaskManage.h"
#include "core/GxString.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserData.h"
#include "game/GxUserDataPerman.h"
#include "moa/GxMoaScriptHost.h"
#include "tests/support/GxHideScreen.h"
#include "tests/game/game_core_fixture.h"
#include "tests/support/GxMoaPackageBuilder.h"
#include "tests/support/GxMoaRecordingBuiltins.h"
#include "tests/support/GxRecordingMainScreen.h"

namespace {

std::string U8(std::u16string_view s) { return GxWideToUtf8(std::u16string(s)); }

using gxtest::RecordingMainScreen;

constexpr int32_t kLcg = 500, kColor = 501, kWa = 502, kMark = 510;

void AddGameBuiltins(GxMoaPackageBuilder& b)
{
    b.AddBuiltin(u"sp.lcg", kLcg);
    b.AddBuiltin(u"sp.color", kColor);
    b.AddBuiltin(u"sp.wa", kWa);
    b.AddBuiltin(u"mark", kMark);
}

class GameStatementTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        app.emplace([](const std::filesystem::path& game) {
            std::filesystem::create_directories(game / "cg" / "name");
            coretest::WriteFile(game / "cg" / "name" / "ruko.png", "not decoded: only its presence counts");
        });
        gxtest::HideProgramMainScreen(app->core->GetTaskManage());
        screen = new RecordingMainScreen(app->core->GetTaskManage()->GetRootTask());
        data = app->core->GetUserData();
        perman = app->core->GetUserDataPerman();
    }
    void TearDown() override
    {
        worker.reset();
        program.reset();
    }

    // A fresh program holding the script MAIN, and the game's worker on the started core at the
    // label MAIN. edit may change the built program before it is loaded.
    template <class Edit>
    void Load(const std::string& source, Edit edit)
    {
        worker.reset();
        program = std::make_unique<GxMoaRecordingMoa>();
        worker = std::make_unique<GxMoaWorkerEx>(program.get(), app->core.get());
        builtins = GxMoaRecordingBuiltins();
        builtins.m_Fail.insert(kWa);
        GxMoaPackageBuilder b;
        AddGameBuiltins(b);
        ASSERT_TRUE(b.AddScript(u"MAIN", source)) << b.GetErrors();
        edit(*b.FindScript(u"MAIN"));
        ASSERT_TRUE(b.LoadInto(*program));
        program->InitExternVariables();
        worker->CreateScriptEntities();
        ASSERT_TRUE(worker->StartAtLabel(u"MAIN", nullptr));
    }
    void Load(const std::string& source)
    {
        Load(source, [](GxMoaScript&) {});
    }
    bool Step() { return worker->Run(&builtins); }
    // Runs until the step answers false; the number of calls, at most limit.
    int RunAll(int limit = 100)
    {
        int n = 0;
        while (n < limit) {
            ++n;
            if (!Step()) break;
        }
        return n;
    }
    int32_t Line() const { return worker->GetExecStack().empty() ? -1 : worker->GetExecStack().back().m_Pos.m_Line; }

    std::optional<gametest::StartedCore> app;
    RecordingMainScreen* screen = nullptr;  // owned by the task tree
    GxUserData* data = nullptr;
    GxUserDataPerman* perman = nullptr;
    std::unique_ptr<GxMoaRecordingMoa> program;
    std::unique_ptr<GxMoaWorkerEx> worker;
    GxMoaRecordingBuiltins builtins;
};

TEST_F(GameStatementTest, LabelsAndCommandStartsPassInTheSameCallAndATextLineIsOneStatement)
{
    Load("*MAIN\n*@inner\n> hello\n*@next\nmark(1)\n", [](GxMoaScript& s) {
        // A command start before the statement, as the compiler leaves one.
        auto& tokens = s.m_Lines[5].m_Tokens;
        tokens.insert(tokens.begin(), GxMoaToken(MOATOKEN_COMMANDSTART));
    });
    EXPECT_TRUE(Step());
    EXPECT_EQ(screen->calls, (std::vector<std::string>{"ClearName", "SetMessage hello read=0 kinsoku=0 nonewline=0"}));
    EXPECT_TRUE(builtins.m_Calls.empty()) << "the text line alone is the statement";

    EXPECT_TRUE(Step());
    EXPECT_EQ(builtins.m_Trace, "mark(1)\n");
    EXPECT_EQ(screen->calls.size(), 2u);

    EXPECT_FALSE(Step()) << "the end of the script";
    EXPECT_FALSE(worker->IsRunning());
    EXPECT_TRUE(program->m_Reports.empty());
}

TEST_F(GameStatementTest, LayerOperationsRunTheCharacterCommandWithTheNameFirst)
{
    const struct
    {
        const char* line;
        const char* trace;
    } cases[] = {
        {"ruko(1, \"smile\")", "sp.lcg(\"ruko\", 1, \"smile\")\n"},
        {"ruko()", "sp.lcg(\"ruko\")\n"},
        {"ruko.Color(0xFF8000, 200)", "sp.color(\"ruko\", 16744448, 200)\n"},
        {"ruko.COLOR(1 + 2 * 3)", "sp.color(\"ruko\", 7)\n"},
        {"a.b.Color(, 5)", "sp.color(\"a\", NULL, 5)\n"},
        {"ruko.color(mark(4))", "mark(4)\nsp.color(\"ruko\", NULL)\n"},
        // Whatever follows ")" on the line is not run.
        {"ruko.color(1) mark(99) ruko.color(2)", "sp.color(\"ruko\", 1)\n"},
    };
    for (const auto& c : cases) {
        Load(std::string("*MAIN\n") + c.line + "\nmark(2)\n");
        EXPECT_TRUE(Step()) << c.line;
        EXPECT_EQ(builtins.m_Trace, c.trace) << c.line;
        EXPECT_EQ(Line(), 2) << c.line << ": the position moves to the next line";
        EXPECT_TRUE(Step()) << c.line;
        EXPECT_EQ(builtins.m_Calls.back().name, u"mark") << c.line;
        EXPECT_TRUE(program->m_Reports.empty()) << c.line << ": " << (program->m_Reports.empty() ? "" : program->m_Reports[0]);
    }
    // The builtin's index comes from its definition, the word is lower case.
    Load("*MAIN\nruko.Color(1)\n");
    EXPECT_TRUE(Step());
    ASSERT_EQ(builtins.m_Calls.size(), 1u);
    EXPECT_EQ(builtins.m_Calls[0].index, kColor);
    EXPECT_EQ(builtins.m_Calls[0].name, u"sp.color");
}

TEST_F(GameStatementTest, LayerOperationFailuresStopTheScriptAndReportOnce)
{
    const struct
    {
        const char* line;
        const char* report;  // the start of the one error line
        size_t calls;
    } cases[] = {
        {"ruko.jump(1)", "E MAIN 1: レイヤー操作に使用できない命令です[sp.jump]", 0},
        {"ruko.wa()", "E MAIN 1: 関数実行時にエラーが発生したので停止します", 1},
        {"ruko.color 1", "E MAIN 1: Phase_Skip", 0},
        {"ruko.color(1", "E MAIN 1: Phase_Element", 0},
        {"ruko.color(1, ]", "E MAIN 1: Phase_Skip", 0},
    };
    for (const auto& c : cases) {
        Load(std::string("*MAIN\n") + c.line + "\nmark(2)\n");
        EXPECT_FALSE(Step()) << c.line;
        EXPECT_EQ(builtins.m_Calls.size(), c.calls) << c.line;
        ASSERT_EQ(program->m_Reports.size(), 1u) << c.line;
        EXPECT_EQ(program->m_Reports[0].rfind(c.report, 0), 0u) << c.line << ": " << program->m_Reports[0];
        EXPECT_TRUE(program->IsErrorStop()) << c.line;
        EXPECT_FALSE(Step()) << c.line;
        EXPECT_EQ(program->m_Reports.size(), 1u) << c.line << ": a stopped script reports nothing more";
        EXPECT_EQ(builtins.m_Calls.size(), c.calls) << c.line;
    }
}

TEST_F(GameStatementTest, TokensThatStartNoStatementAndLoopsAreReported)
{
    const struct
    {
        const char* line;
        bool first;          // the answer of the call that meets it
        const char* report;  // the whole error line
    } cases[] = {
        {"WHILE (1) {\nmark(1)\n}", true, "E MAIN 2: 未実装の制御構造です[WHILE]"},
        {"BREAK", true, "E MAIN 2: 未実装の制御構造です[BREAK]"},
        {"123", false, "E MAIN 1: 処理できないトークンです[整数値[123]]"},
        {"\"text\"", false, "E MAIN 1: 処理できないトークンです[文字列 String:text]"},
    };
    for (const auto& c : cases) {
        Load(std::string("*MAIN\n") + c.line + "\nmark(2)\n");
        EXPECT_EQ(Step(), c.first) << c.line;
        ASSERT_EQ(program->m_Reports.size(), 1u) << c.line;
        EXPECT_EQ(program->m_Reports[0], c.report) << c.line;
        EXPECT_FALSE(Step()) << c.line;
        EXPECT_TRUE(builtins.m_Calls.empty()) << c.line;
    }
}

TEST_F(GameStatementTest, IfAndElseChainsChooseTheLinesToShow)
{
    Load(R"(
GLOBAL INGAME x = 2
*MAIN
IF (x == 1) {
    > one
} ELSE IF (x == 2) {
    > two
    ruko.color(2)
} ELSE {
    > other
}
> after
)");
    EXPECT_LT(RunAll(), 100);
    EXPECT_EQ(screen->calls,
              (std::vector<std::string>{"ClearName", "SetMessage two read=0 kinsoku=0 nonewline=0", "ClearName",
                                        "SetMessage after read=0 kinsoku=0 nonewline=0"}));
    EXPECT_EQ(builtins.m_Trace, "sp.color(\"ruko\", 2)\n");
    EXPECT_TRUE(program->m_Reports.empty());
}

TEST_F(GameStatementTest, NameModesSplitTheSpeakerAtTheFirstSeparator)
{
    const struct
    {
        int32_t mode;
        const char* text;
        std::vector<std::string> screen;
        const char* logName;  // the back log keeps the speaker apart from the speech
        const char* logMessage;
    } cases[] = {
        {0, "ruko「やあ」", {"ClearName", "SetMessage ruko「やあ」 read=0 kinsoku=0 nonewline=0"}, "", "ruko「やあ」"},
        {0, "地の文", {"ClearName", "SetMessage 地の文 read=0 kinsoku=0 nonewline=0"}, "", "地の文"},
        {1, "ルコ「やあ」", {"SetName [ルコ] 1", "SetMessage 「やあ」 read=0 kinsoku=0 nonewline=0"}, "ルコ", "「やあ」"},
        {1, "ルコ（小声）「やあ」", {"SetName [ルコ] 1", "SetMessage （小声）「やあ」 read=0 kinsoku=0 nonewline=0"}, "ルコ", "（小声）「やあ」"},
        {1, "「名無し」", {"SetName [] 1", "SetMessage 「名無し」 read=0 kinsoku=0 nonewline=0"}, "", "「名無し」"},
        {1, "地の文", {"ClearName", "SetMessage 地の文 read=0 kinsoku=0 nonewline=0"}, "", "地の文"},
        {2, "ruko「やあ」", {"SetName [ruko] 2", "SetMessage 「やあ」 read=0 kinsoku=0 nonewline=0"}, "ruko", "「やあ」"},
        {2, "RUKO「やあ」", {"SetName [RUKO] 2", "SetMessage 「やあ」 read=0 kinsoku=0 nonewline=0"}, "RUKO", "「やあ」"},
        {2, "kuro「やあ」", {"SetName [] 2", "SetMessage 「やあ」 read=0 kinsoku=0 nonewline=0"}, "kuro", "「やあ」"},
        {2, "地の文", {"ClearName", "SetMessage 地の文 read=0 kinsoku=0 nonewline=0"}, "", "地の文"},
        {3, "kuro「やあ」", {"SetName [kuro] 3", "SetMessage 「やあ」 read=0 kinsoku=0 nonewline=0"}, "kuro", "「やあ」"},
        {3, "地の文", {"ClearName", "SetMessage 地の文 read=0 kinsoku=0 nonewline=0"}, "", "地の文"},
        {4, "ruko「やあ」", {}, "", "ruko「やあ」"},
        {-1, "ruko「やあ」", {}, "", "ruko「やあ」"},
        {4, "地の文", {"ClearName", "SetMessage 地の文 read=0 kinsoku=0 nonewline=0"}, "", "地の文"},
    };
    for (const auto& c : cases) {
        Load(std::string("*MAIN\n> ") + c.text + "\nmark(1)\n");
        data->m_NameIdentifyMode = c.mode;
        data->m_MessageLog.clear();
        perman->m_ReadedMessageFlags.clear();
        screen->calls.clear();
        EXPECT_TRUE(Step()) << c.mode << " " << c.text;
        EXPECT_EQ(screen->calls, c.screen) << c.mode << " " << c.text;
        // Logged and recorded as read whatever the screen was given.
        ASSERT_EQ(data->m_MessageLog.size(), 1u) << c.mode << " " << c.text;
        EXPECT_EQ(U8(data->m_MessageLog.back().m_Message), c.logMessage) << c.mode << " " << c.text;
        EXPECT_EQ(U8(data->m_MessageLog.back().m_Name), c.logName) << c.mode << " " << c.text;
        EXPECT_TRUE(perman->GetReadedMessageFlag(u"MAIN", 2)) << c.mode << " " << c.text;
        EXPECT_TRUE(builtins.m_Calls.empty());
        EXPECT_TRUE(program->m_Reports.empty());
    }

    // The separators are the settings' own.
    app->core->GetSystemConfig()->m_NameSeparators = u"：";
    Load("*MAIN\nルコ：「やあ」\n");
    data->m_NameIdentifyMode = 1;
    perman->m_ReadedMessageFlags.clear();
    screen->calls.clear();
    EXPECT_TRUE(Step());
    EXPECT_EQ(screen->calls,
              (std::vector<std::string>{"SetName [ルコ] 1", "SetMessage ：「やあ」 read=0 kinsoku=0 nonewline=0"}));
}

TEST_F(GameStatementTest, ReadFlagKinsokuAndBackLogFollowTheGameState)
{
    Load("*MAIN\n> first\n\n> second\n");
    data->m_NameIdentifyMode = 0;
    data->m_IgnoreKinsoku = true;
    perman->m_ReadedMessageFlags.clear();
    perman->SetReadedMessageFlag(u"MAIN", 4);   // "second" (line 3) was read in an earlier play
    data->m_MessageLog.clear();
    EXPECT_TRUE(Step());
    EXPECT_TRUE(Step());
    EXPECT_EQ(screen->calls,
              (std::vector<std::string>{"ClearName", "SetMessage first read=0 kinsoku=1 nonewline=0", "ClearName",
                                        "SetMessage second read=1 kinsoku=1 nonewline=0"}));
    EXPECT_TRUE(perman->GetReadedMessageFlag(u"MAIN", 2));
    EXPECT_FALSE(perman->GetReadedMessageFlag(u"MAIN", 3));
    ASSERT_EQ(data->m_MessageLog.size(), 2u);
    EXPECT_EQ(data->m_MessageLog[0].m_Message, u"first");
    EXPECT_TRUE(data->m_MessageLog[0].m_IgnoreKinsoku);
    EXPECT_FALSE(data->m_MessageLog[0].m_DisenableAutoNewline);

    // Seen again: now read.
    screen->calls.clear();
    ASSERT_TRUE(worker->StartAtLabel(u"MAIN", nullptr));
    EXPECT_TRUE(Step());
    EXPECT_EQ(screen->calls, (std::vector<std::string>{"ClearName", "SetMessage first read=1 kinsoku=1 nonewline=0"}));
}

TEST_F(GameStatementTest, AScriptEndTokenInsideALineIsSteppedPast)
{
    Load("*MAIN\nruko.color(1)\n> shown\n", [](GxMoaScript& s) {
        // Damaged lines: an end token before a statement and one alone on a line.
        auto& tokens = s.m_Lines[2].m_Tokens;
        tokens.insert(tokens.begin(), GxMoaToken(MOATOKEN_END));
        s.m_Lines[1].m_Tokens.insert(s.m_Lines[1].m_Tokens.begin(), GxMoaToken(MOATOKEN_END));
    });
    EXPECT_LT(RunAll(), 100);
    EXPECT_EQ(builtins.m_Trace, "sp.color(\"ruko\", 1)\n");
    EXPECT_EQ(screen->calls, (std::vector<std::string>{"ClearName", "SetMessage shown read=0 kinsoku=0 nonewline=0"}));
    EXPECT_FALSE(worker->IsRunning());

    // A position resting on no token at all.
    Load("*MAIN\n> again\n");
    worker->GetExecStack().back().m_Pos.m_Line = -3;
    worker->GetExecStack().back().m_Pos.m_Pos = 9;
    EXPECT_LT(RunAll(), 100);
    EXPECT_FALSE(worker->IsRunning());
    EXPECT_TRUE(program->m_Reports.empty());
}

TEST_F(GameStatementTest, WithoutTheMainScreenTextLinesAreStillLoggedAndRead)
{
    delete screen;
    screen = nullptr;
    ASSERT_EQ(GxFindMainScreen(app->core.get()), nullptr);
    Load("*MAIN\n> ruko「やあ」\nmark(1)\n");
    data->m_MessageLog.clear();
    EXPECT_TRUE(Step());
    ASSERT_EQ(data->m_MessageLog.size(), 1u);
    EXPECT_TRUE(perman->GetReadedMessageFlag(u"MAIN", 2));
    EXPECT_TRUE(Step());
    EXPECT_EQ(builtins.m_Trace, "mark(1)\n");
}

}  // namespace

// The start-up's own script host: the package it loads runs text lines onto the screen through
// the program's worker and command set.
TEST(GameStatementWiring, TheStartedScriptHostShowsTextLinesOnTheMainScreen)
{
    gametest::StartedCore app([](const std::filesystem::path& game) {
        GxMoaPackageBuilder b;
        ASSERT_TRUE(b.AddScript(u"MAIN", "*start\nルコ「ようこそ」\n")) << b.GetErrors();
        std::filesystem::create_directories(game / "bincode");
        b.WriteFile((game / "bincode" / "moacode.mwb").string());
    });
    gxtest::HideProgramMainScreen(app.core->GetTaskManage());
    auto* screen = new RecordingMainScreen(app.core->GetTaskManage()->GetRootTask());
    ASSERT_NE(g_MoaWorkerEx, nullptr);
    ASSERT_NE(g_MoaBuiltinEx, nullptr);
    app.core->GetUserData()->m_NameIdentifyMode = 1;
    ASSERT_TRUE(g_MoaWorkerEx->StartAtLabel(u"start", nullptr));
    EXPECT_TRUE(g_MoaWorkerEx->Run(g_MoaBuiltinEx));
    EXPECT_EQ(screen->calls,
              (std::vector<std::string>{"SetName [ルコ] 1", "SetMessage 「ようこそ」 read=0 kinsoku=0 nonewline=0"}));
    EXPECT_EQ(app.core->GetUserData()->m_MessageLog.back().m_Name, u"ルコ");
    EXPECT_EQ(app.core->GetUserData()->m_MessageLog.back().m_Message, u"「ようこそ」");
    EXPECT_TRUE(app.core->GetUserDataPerman()->GetReadedMessageFlag(u"MAIN", 2));
    EXPECT_FALSE(g_MoaWorkerEx->Run(g_MoaBuiltinEx));
    EXPECT_FALSE(g_MoaEx->IsErrorStop());
}
