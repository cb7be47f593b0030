#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "core/GxContentReader.h"
#include "core/GxContentWriter.h"
#include "core/GxString.h"
#include "tests/support/GxContentFixture.h"
#include "moa/GxMoaWorker.h"
#include "tests/moa/moa_run_test_util.h"
#include "tests/support/GxMoaPackageBuilder.h"

namespace {

class RunTest : public ::testing::Test
{
protected:
    // Builds the script MAIN from source and prepares a worker at the label "MAIN".
    void Load(const char* source, bool start = true)
    {
        GxMoaPackageBuilder b;
        b.AddBuiltin(u"mark", MarkBuiltins::kMark);
        ASSERT_TRUE(b.AddScript(u"MAIN", source)) << b.GetErrors();
        ASSERT_TRUE(b.LoadInto(program));
        program.InitExternVariables();
        worker.CreateScriptEntities();
        if (start) {
            ASSERT_TRUE(worker.StartAtLabel(u"MAIN", nullptr));
        }
    }
    void SetGlobal(const char16_t* name, int64_t v)
    {
        GxMoaVariableSet* set = worker.GetVariableTable().FindVariable(name);
        ASSERT_NE(set, nullptr);
        set->m_Value.SetInt64(v);
    }
    GxMoaScript& Script() { return *program.FindScript(u"MAIN"); }

    CaptureMoa program;
    GxMoaWorker worker{&program};
    MarkBuiltins builtins;
};

const char* const kChain = R"(
GLOBAL INGAME x = 0
*MAIN
mark(0)
IF (x == 1) {
    mark(1)
} ELSE IF (x == 2) {
    mark(2)
} ELSE IF (x == 3) {
    mark(3)
} ELSE {
    mark(4)
}
mark(9)
)";

}  // namespace

TEST_F(RunTest, IfChainRunsExactlyOneBodyAndResumesAfterTheLastElse)
{
    const struct { int64_t x; std::vector<int32_t> marks; } cases[] = {
        {1, {0, 1, 9}}, {2, {0, 2, 9}}, {3, {0, 3, 9}}, {0, {0, 4, 9}}, {-7, {0, 4, 9}},
    };
    for (const auto& c : cases) {
        CaptureMoa p;
        GxMoaWorker w(&p);
        GxMoaPackageBuilder b;
        b.AddBuiltin(u"mark", MarkBuiltins::kMark);
        ASSERT_TRUE(b.AddScript(u"MAIN", kChain)) << b.GetErrors();
        ASSERT_TRUE(b.LoadInto(p));
        w.CreateScriptEntities();
        w.GetVariableTable().FindVariable(u"x")->m_Value.SetInt64(c.x);
        ASSERT_TRUE(w.StartAtLabel(u"MAIN", nullptr));
        MarkBuiltins m;
        RunAll(w, &m);
        EXPECT_EQ(m.marks, c.marks) << "x=" << c.x;
        EXPECT_TRUE(p.errors.empty());
        EXPECT_FALSE(w.IsRunning());
    }
}

TEST_F(RunTest, IfWithoutElseFalseContinuesAfterTheBodyAndNestedIfsWork)
{
    Load(R"(
GLOBAL INGAME x = 0
*MAIN
IF (x) {
    mark(1)
}
IF (x == 0) {
    mark(2)
    IF (1) {
        mark(3)
    } ELSE {
        mark(4)
    }
    mark(5)
} ELSE {
    mark(6)
}
mark(7)
)");
    RunAll(worker, &builtins);
    EXPECT_EQ(builtins.marks, (std::vector<int32_t>{2, 3, 5, 7}));
    EXPECT_TRUE(program.errors.empty());
}

TEST_F(RunTest, CallAndReturnWithAValue)
{
    Load(R"(
*MAIN
mark(1)
call("SUB")
mark(result())
exit()
mark(99)
*SUB
mark(2)
return(7)
)");
    RunAll(worker, &builtins);
    EXPECT_EQ(builtins.marks, (std::vector<int32_t>{1, 2, 7}));
    EXPECT_TRUE(program.errors.empty());
    EXPECT_FALSE(worker.IsRunning());
    EXPECT_TRUE(worker.GetResult().IsNull());   // exit() gave none
}

// Resident memory of this process, from the kernel's own count.
size_t ResidentBytes()
{
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    unsigned long pages = 0, resident = 0;
    const int n = std::fscanf(f, "%lu %lu", &pages, &resident);
    std::fclose(f);
    return n == 2 ? resident * static_cast<size_t>(sysconf(_SC_PAGESIZE)) : 0;
}

// A label that calls itself without end stops at the depth bound with one script error at the
// calling line; the blocks it made stay within the bound, and so does the memory.
TEST_F(RunTest, ASelfCallingLabelStopsAtTheDepthBoundWithAScriptError)
{
    Load(R"(
*MAIN
mark(1)
call("DEEP")
mark(99)
*DEEP
mark(2)
call("DEEP")
mark(98)
)");
    const size_t before = ResidentBytes();
    const int ran = RunAll(worker, &builtins, 10 * static_cast<int>(GxMoaWorker::kMaxCallDepth));
    const size_t after = ResidentBytes();
    EXPECT_LT(ran, 3 * static_cast<int>(GxMoaWorker::kMaxCallDepth)) << "the run went on past the bound";
    EXPECT_EQ(worker.GetExecStack().size(), GxMoaWorker::kMaxCallDepth);
    // The bound's own line, then the executor's line for the builtin that failed.
    ASSERT_EQ(program.errors.size(), 2u);
    EXPECT_EQ(program.errors[0].script, u"MAIN");
    EXPECT_EQ(program.errors[0].line, 7);  // the call's own line, 0-based
    EXPECT_NE(program.errors[0].text.find(u"呼び出しの入れ子が深すぎます"), std::u16string::npos);
    EXPECT_NE(program.errors[0].text.find(u"[DEEP]"), std::u16string::npos);
    EXPECT_TRUE(program.IsErrorStop());
    EXPECT_FALSE(worker.Run(&builtins));
    EXPECT_EQ(std::count(builtins.marks.begin(), builtins.marks.end(), 98), 0);
    EXPECT_EQ(program.errors[1].text, u"関数実行時にエラーが発生したので停止します[builtin:call]");
    EXPECT_EQ(program.errors.size(), 2u) << "nothing more (no missing label)";
    EXPECT_LT(after - std::min(after, before), size_t(48) << 20) << "resident memory grew by " << ((after - before) >> 20)
                                                                 << " MiB";

    // Below the bound a call still works, and a return makes room again.
    CaptureMoa p;
    GxMoaWorker w(&p);
    GxMoaPackageBuilder b;
    b.AddBuiltin(u"mark", MarkBuiltins::kMark);
    ASSERT_TRUE(b.AddScript(u"MAIN", "*MAIN\nmark(1)\n*SUB\nmark(2)\nreturn()\n"));
    ASSERT_TRUE(b.LoadInto(p));
    w.CreateScriptEntities();
    ASSERT_TRUE(w.StartAtLabel(u"MAIN", nullptr));
    while (w.GetExecStack().size() + 1 < GxMoaWorker::kMaxCallDepth) w.GetExecStack().push_back(w.GetExecStack().back());
    EXPECT_TRUE(w.CallLabel(u"SUB", nullptr));
    EXPECT_TRUE(w.IsCallDepthReached());
    EXPECT_FALSE(w.CallScriptLabel(u"SUB", u"MAIN", nullptr));
    EXPECT_EQ(p.errors.size(), 1u);
    EXPECT_TRUE(w.ReturnFromCall(nullptr));
    p.SetErrorStop(false);
    EXPECT_TRUE(w.CallScriptLabel(u"SUB", u"MAIN", nullptr));
}

TEST_F(RunTest, LoopsAreRefusedAndStopTheScript)
{
    for (const char* keyword : {"WHILE (1) {", "FOR (i) {", "DO {", "CONTINUE", "BREAK"}) {
        CaptureMoa p;
        GxMoaWorker w(&p);
        GxMoaPackageBuilder b;
        b.AddBuiltin(u"mark", MarkBuiltins::kMark);
        const bool block = std::string(keyword).back() == '{';
        const std::string src = std::string("*MAIN\nmark(1)\n") + keyword + "\n" + (block ? "mark(2)\n}\n" : "") + "mark(3)\n";
        ASSERT_TRUE(b.AddScript(u"MAIN", src)) << b.GetErrors();
        ASSERT_TRUE(b.LoadInto(p));
        w.CreateScriptEntities();
        ASSERT_TRUE(w.StartAtLabel(u"MAIN", nullptr));
        MarkBuiltins m;
        RunAll(w, &m);
        EXPECT_EQ(m.marks, (std::vector<int32_t>{1})) << keyword;
        ASSERT_EQ(p.errors.size(), 1u) << keyword;
        EXPECT_EQ(p.errors[0].text.rfind(u"未実装の制御構造です[", 0), 0u);
        EXPECT_EQ(p.errors[0].line, 3);   // reported after the skip to the next line
        EXPECT_TRUE(p.IsErrorStop());
        EXPECT_FALSE(w.Run(&m));
        EXPECT_EQ(p.errors.size(), 1u);
    }
}

TEST_F(RunTest, EndOfScriptExitsWithNullResult)
{
    Load("*MAIN\nmark(1)\n");
    EXPECT_TRUE(worker.Run(&builtins));    // mark(1)
    EXPECT_TRUE(worker.IsRunning());
    EXPECT_FALSE(worker.Run(&builtins));   // the end
    EXPECT_FALSE(worker.IsRunning());
    EXPECT_TRUE(worker.GetResult().IsNull());
    EXPECT_TRUE(program.errors.empty());
    EXPECT_FALSE(worker.Run(&builtins));   // an empty stack: nothing reported
    EXPECT_TRUE(program.errors.empty());
}

TEST_F(RunTest, MissingScriptIsReportedOnce)
{
    Load("*MAIN\nmark(1)\n");
    worker.GetExecStack().back().m_Pos.m_pScriptEntity = nullptr;
    worker.GetExecStack().back().m_Pos.m_ScriptName = u"NOPE";
    EXPECT_FALSE(worker.Run(&builtins));
    ASSERT_EQ(program.errors.size(), 1u);
    EXPECT_EQ(program.errors[0].text, u"スクリプトが見つからないので実行できません");
    EXPECT_EQ(program.errors[0].script, u"NOPE");
    EXPECT_FALSE(worker.Run(&builtins));
    EXPECT_EQ(program.errors.size(), 1u);
}

TEST_F(RunTest, TextLinesAreTracedLiterallyAndLabelsPassed)
{
    Load("*MAIN\n> 100% %s %d done\n*NEXT\nmark(1)\n");
    RunAll(worker, &builtins);
    ASSERT_EQ(program.traces.size(), 1u);
    EXPECT_EQ(program.traces[0], u"100% %s %d done");
    EXPECT_EQ(builtins.marks, (std::vector<int32_t>{1}));
}

TEST_F(RunTest, MisplacedElseUnknownWordsAndBreakpoints)
{
    Load("*MAIN\nBREAKPOINT\nlayer.move(1)\nmark(1)\n");
    EXPECT_TRUE(worker.Run(&builtins));
    EXPECT_TRUE(program.IsBreakpoint());
    RunAll(worker, &builtins);
    ASSERT_EQ(program.warnings.size(), 1u);
    EXPECT_EQ(program.warnings[0].text.rfind(u"不明な単語を発見。スキップされます[", 0), 0u);
    EXPECT_EQ(builtins.marks, (std::vector<int32_t>{1}));

    CaptureMoa p;
    GxMoaWorker w(&p);
    GxMoaPackageBuilder b;
    b.AddBuiltin(u"mark", MarkBuiltins::kMark);
    ASSERT_TRUE(b.AddScript(u"MAIN", "*MAIN\nIF (1) {\nmark(1)\n}\nmark(2)\nELSE {\nmark(3)\n}\n")) << b.GetErrors();
    ASSERT_TRUE(b.LoadInto(p));
    w.CreateScriptEntities();
    ASSERT_TRUE(w.StartAtLabel(u"MAIN", nullptr));
    MarkBuiltins m;
    RunAll(w, &m);
    EXPECT_EQ(m.marks, (std::vector<int32_t>{1, 2}));
    ASSERT_EQ(p.errors.size(), 1u);
    EXPECT_EQ(p.errors[0].text, u"不正なELSE文です");
    EXPECT_TRUE(p.IsErrorStop());
}

TEST_F(RunTest, PositionsOnNoTokenAlwaysAdvance)
{
    Load("*MAIN\nmark(1)\n\nmark(2)\n");
    // A position before the first token, a negative line and a real end token inside a line.
    Script().m_Lines[3].m_Tokens.insert(Script().m_Lines[3].m_Tokens.begin(), GxMoaToken(MOATOKEN_END));
    worker.GetExecStack().back().m_Pos.m_Line = -4;
    worker.GetExecStack().back().m_Pos.m_Pos = 7;
    EXPECT_LT(RunAll(worker, &builtins, 100), 100);
    EXPECT_EQ(builtins.marks, (std::vector<int32_t>{1, 2}));
    EXPECT_FALSE(worker.IsRunning());
    EXPECT_TRUE(program.errors.empty());
}

TEST_F(RunTest, DamagedBlockPositionsStopInsteadOfLooping)
{
    Load(R"(
*MAIN
IF (0) {
    mark(1)
} ELSE IF (0) {
    mark(2)
} ELSE {
    mark(3)
}
)");
    // Point the ELSE-IF body's "}" back before its ELSE.
    for (auto& line : Script().m_Lines) {
        for (auto& t : line.m_Tokens) {
            if (t.GetType() == MOATOKEN_BLOCKSTART && t.GetBranchLine(0) == 6) t.SetBranchPos(0, GxMoaRunPos(2, 0));
        }
    }
    EXPECT_LT(RunAll(worker, &builtins, 100), 100);
    EXPECT_TRUE(builtins.marks.empty());
    ASSERT_EQ(program.errors.size(), 1u);
    EXPECT_TRUE(program.IsErrorStop());
}

TEST_F(RunTest, OtherTokensAtAStatementStartAreRefused)
{
    Load("*MAIN\n; mark(1)\n");
    EXPECT_FALSE(worker.Run(&builtins));
    ASSERT_EQ(program.errors.size(), 1u);
    EXPECT_EQ(program.errors[0].text.rfind(u"処理できないトークンです[", 0), 0u);
    EXPECT_TRUE(builtins.marks.empty());
}

TEST_F(RunTest, SavedRunStateContinuesWhereItStopped)
{
    const char* src = "*MAIN\nmark(1)\nIF (1) {\nmark(2)\nmark(3)\n} ELSE {\nmark(4)\n}\nmark(5)\n";
    Load(src);
    EXPECT_TRUE(worker.Run(&builtins));   // mark(1)
    EXPECT_TRUE(worker.Run(&builtins));   // the IF
    EXPECT_TRUE(worker.Run(&builtins));   // mark(2)
    bool written = false;
    const std::string bytes =
        GxContentWriteToString(GxContentForm::Binary, [&](GxContentWriterBase& wr) { written = worker.WriteRunState(wr); });
    ASSERT_TRUE(written);

    CaptureMoa p;
    GxMoaWorker w(&p);
    GxMoaPackageBuilder b;
    b.AddBuiltin(u"mark", MarkBuiltins::kMark);
    ASSERT_TRUE(b.AddScript(u"MAIN", src));
    ASSERT_TRUE(b.LoadInto(p));
    w.CreateScriptEntities();
    GxContentBinaryReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    ASSERT_TRUE(w.ReadRunState(reader));
    MarkBuiltins m;
    RunAll(w, &m);
    EXPECT_EQ(m.marks, (std::vector<int32_t>{3, 5}));
    EXPECT_TRUE(p.errors.empty());
}
