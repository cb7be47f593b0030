// The worker: labels, calls, returns and jumps (also from inside a running statement), the
// saved run state and the script variables by class.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/GxContentReader.h"
#include "core/GxString.h"
#include "moa/GxMoaExec.h"
#include "moa/GxMoaWorker.h"
#include "tests/moa/moa_stream_bytes.h"
#include "tests/support/GxContentFixture.h"
#include "tests/support/GxMoaRecordingBuiltins.h"

namespace {

GxMoaVariable Int(int64_t v)
{
    GxMoaVariable x;
    x.SetInt64(v);
    return x;
}

TEST(MoaWorker, ConstructionAndQueriesOnAnIdleWorker)
{
    GxMoaRecordingMoa moa;
    GxMoaWorker w(&moa);
    EXPECT_EQ(w.m_Name, u"MAIN_WORKER");
    EXPECT_FALSE(w.IsRunning());
    EXPECT_EQ(w.GetLine(nullptr), -1);
    EXPECT_EQ(w.GetSourceLine(nullptr), -1);
    EXPECT_EQ(w.GetScriptName(nullptr), u"");
    EXPECT_TRUE(w.GetResult().IsNull());
    EXPECT_FALSE(w.Run(nullptr));
    EXPECT_TRUE(moa.m_Reports.empty());
}

TEST(MoaWorker, CallAndReturnWithAValueThroughScripts)
{
    GxMoaTestRig rig;
    ASSERT_TRUE(rig.Load({{u"MAIN", R"(*MAIN
trace("a")
call("SUB", 5)
trace(result())
exit(1)
*SUB
return(_ * 2)
)"}})) << rig.m_Errors;
    ASSERT_TRUE(rig.m_Worker.StartAtLabel(u"MAIN", nullptr));
    rig.RunSteps(50);
    EXPECT_EQ(rig.m_Builtins.m_Trace, "trace(\"a\")\ncall(\"SUB\", 5)\nreturn(10)\nresult()\ntrace(10)\nexit(1)\n");
    EXPECT_FALSE(rig.m_Worker.IsRunning());
    EXPECT_EQ(rig.m_Worker.GetResult().GetInt64(), 1);
    EXPECT_TRUE(rig.m_Moa.m_Reports.empty()) << rig.m_Moa.m_Reports[0];
}

TEST(MoaWorker, CallLabelAndReturnFromCall)
{
    GxMoaTestRig rig;
    ASSERT_TRUE(rig.Load({{u"MAIN", "*MAIN\nx = 1\n*SUB\nx = 2\n"}})) << rig.m_Errors;
    GxMoaWorker& w = rig.m_Worker;

    // An empty stack: false, but the result is set.
    const GxMoaVariable seven = Int(7);
    EXPECT_FALSE(w.ReturnFromCall(&seven));
    EXPECT_EQ(w.GetResult().GetInt64(), 7);

    ASSERT_TRUE(w.StartAtLabel(u"MAIN", nullptr));
    EXPECT_TRUE(w.GetResult().IsNull());
    w.GetExecStack().back().m_Pos.m_Line = 1;
    w.GetExecStack().back().m_Pos.m_Pos = 2;
    const GxMoaVariable arg = Int(42);
    const GxMoaVariableSet record(&arg);
    ASSERT_TRUE(w.CallLabel(u"SUB", &record));
    ASSERT_EQ(w.GetExecStack().size(), 2u);
    const GxMoaExecStackElement& callee = w.GetExecStack().back();
    EXPECT_EQ(callee.m_BlockType, MOABLOCK_NORMAL);
    EXPECT_EQ(callee.m_Pos.m_Line, 2);
    EXPECT_EQ(callee.m_Pos.m_Pos, 0);
    EXPECT_EQ(callee.m_Pos.m_pScriptEntity, w.FindScriptEntity(u"MAIN"));
    ASSERT_NE(callee.m_Variables.FindVariable(u"_"), nullptr);
    EXPECT_EQ(callee.m_Variables.FindVariable(u"_")->m_Value.GetInt64(), 42);
    EXPECT_EQ(callee.m_Variables.FindVariable(u"_")->m_Scope, MOASCOPE_LOCAL);

    const GxMoaVariable v = Int(9);
    EXPECT_TRUE(w.ReturnFromCall(&v));
    ASSERT_EQ(w.GetExecStack().size(), 1u);
    EXPECT_EQ(w.GetLine(nullptr), 1);
    EXPECT_EQ(w.GetExecStack().back().m_Pos.m_Pos, 2);
    EXPECT_EQ(w.GetResult().GetInt64(), 9);
    // Returning from the last block empties the stack and says so.
    EXPECT_FALSE(w.ReturnFromCall(nullptr));
    EXPECT_TRUE(w.GetResult().IsNull());
    EXPECT_FALSE(w.IsRunning());
}

TEST(MoaWorker, JumpsUnwindInnerBlocksAndMissingLabelsChangeNothing)
{
    GxMoaTestRig rig;
    ASSERT_TRUE(rig.Load({{u"MAIN", "*MAIN\nx = 1\n*NEXT\nx = 2\n"}})) << rig.m_Errors;
    GxMoaWorker& w = rig.m_Worker;
    ASSERT_TRUE(w.JumpToLabel(u"MAIN", nullptr));  // empty stack: one block
    ASSERT_EQ(w.GetExecStack().size(), 1u);

    // caller, normal block, IF block: the jump replaces the normal block and its IF.
    ASSERT_TRUE(w.CallLabel(u"MAIN", nullptr));
    GxMoaExecStackElement inner = w.GetExecStack().back();
    inner.m_BlockType = MOABLOCK_IF;
    w.GetExecStack().push_back(inner);
    ASSERT_EQ(w.GetExecStack().size(), 3u);
    EXPECT_FALSE(w.JumpToLabel(u"NOWHERE", nullptr));
    EXPECT_EQ(w.GetExecStack().size(), 3u);
    ASSERT_TRUE(w.JumpToLabel(u"NEXT", nullptr));
    ASSERT_EQ(w.GetExecStack().size(), 2u);
    EXPECT_EQ(w.GetExecStack().back().m_Pos.m_Line, 2);
    EXPECT_EQ(w.GetExecStack().back().m_BlockType, MOABLOCK_NORMAL);
    EXPECT_EQ(w.GetExecStack().front().m_Pos.m_Line, 0);

    // A return from inside an IF block also leaves the call level.
    w.GetExecStack().push_back(inner);
    EXPECT_TRUE(w.ReturnFromCall(nullptr));
    EXPECT_EQ(w.GetExecStack().size(), 1u);
}

TEST(MoaWorker, ScriptQualifiedLabelsAndLocalLabels)
{
    GxMoaTestRig rig;
    ASSERT_TRUE(rig.Load({{u"MAIN", "*MAIN\nx = 1\n*@here\nx = 2\n"},
                          {u"OTHER", "*OTHER\ny = 1\n*@here\ny = 2\n*@only\ny = 3\n"}}))
        << rig.m_Errors;
    GxMoaWorker& w = rig.m_Worker;
    ASSERT_TRUE(w.StartAtScriptLabel(u"@here", u"OTHER", nullptr));
    EXPECT_EQ(w.GetScriptName(nullptr), u"OTHER");
    EXPECT_EQ(w.GetLine(nullptr), 2);
    // A local label of the current script; another script's local label is not found.
    ASSERT_TRUE(w.JumpToLabel(u"@only", nullptr));
    EXPECT_EQ(w.GetLine(nullptr), 4);
    ASSERT_TRUE(w.JumpToScriptLabel(u"@here", u"MAIN", nullptr));
    EXPECT_EQ(w.GetScriptName(nullptr), u"MAIN");
    EXPECT_FALSE(w.JumpToLabel(u"@only", nullptr));
    EXPECT_FALSE(w.CallScriptLabel(u"@only", u"NOSUCH", nullptr));
    ASSERT_TRUE(w.CallScriptLabel(u"@only", u"OTHER", nullptr));
    EXPECT_EQ(w.GetExecStack().size(), 2u);
    EXPECT_FALSE(w.StartAtScriptLabel(u"@only", u"MAIN", nullptr));
    EXPECT_FALSE(w.IsRunning());  // the start cleared the stack before the look-up failed
}

TEST(MoaWorker, JumpOutOfAnIfBlockFromInsideAStatement)
{
    GxMoaTestRig rig;
    ASSERT_TRUE(rig.Load({{u"MAIN", R"(*MAIN
x = jump("OUT") + 1
*OUT
trace("out")
)"}})) << rig.m_Errors;
    GxMoaWorker& w = rig.m_Worker;
    ASSERT_TRUE(w.StartAtLabel(u"MAIN", nullptr));
    GxMoaExecStackElement inner = w.GetExecStack().back();
    inner.m_BlockType = MOABLOCK_IF;
    inner.m_Pos.m_Line = 1;
    inner.m_Pos.m_Pos = 0;
    w.GetExecStack().push_back(inner);

    EXPECT_TRUE(w.Run(&rig.m_Builtins));
    ASSERT_EQ(w.GetExecStack().size(), 1u);
    EXPECT_EQ(w.GetLine(nullptr), 2);
    // The statement ended with the jump: nothing was assigned anywhere.
    EXPECT_EQ(rig.Find(u"x"), nullptr);
    rig.RunSteps(10);
    EXPECT_EQ(rig.m_Builtins.m_Trace, "jump(\"OUT\")\ntrace(\"out\")\n");
    EXPECT_TRUE(rig.m_Moa.m_Reports.empty());
}

TEST(MoaWorker, JumpAndReturnsPastEightNestedCalls)
{
    // Every call grows the stack inside a running statement; past eight blocks its storage
    // moves. The executor must not touch its old block afterwards (AddressSanitizer sees it).
    constexpr int kDepth = 12;
    std::string source = "*MAIN\ny = call(\"L1\")\ntrace(\"main\")\nexit(0)\n";
    for (int k = 1; k < kDepth; ++k) {
        source += "*L" + std::to_string(k) + "\nz = call(\"L" + std::to_string(k + 1) + "\") + 1\ntrace(" +
                  std::to_string(k) + ")\nreturn(" + std::to_string(k) + ")\n";
    }
    source += "*L" + std::to_string(kDepth) + "\njump(\"END\")\n*END\ntrace(\"end\")\nreturn(0)\n";
    GxMoaTestRig rig;
    ASSERT_TRUE(rig.Load({{u"MAIN", source}})) << rig.m_Errors;
    ASSERT_TRUE(rig.m_Worker.StartAtLabel(u"MAIN", nullptr));
    rig.RunSteps(200);

    std::string expected;
    for (int k = 1; k <= kDepth; ++k) expected += "call(\"L" + std::to_string(k) + "\")\n";
    expected += "jump(\"END\")\ntrace(\"end\")\nreturn(0)\n";
    for (int k = kDepth - 1; k >= 1; --k) {
        expected += "trace(" + std::to_string(k) + ")\nreturn(" + std::to_string(k) + ")\n";
    }
    expected += "trace(\"main\")\nexit(0)\n";
    EXPECT_EQ(rig.m_Builtins.m_Trace, expected);
    EXPECT_FALSE(rig.m_Worker.IsRunning());
    EXPECT_TRUE(rig.m_Moa.m_Reports.empty());
}

// ---------------------------------------------------------------- saved state

const char* kSaveScript = R"(GLOBAL INGAME g = 100
GLOBAL PERMAN p = 1
*MAIN
n = 0
n += 1
trace("main", n, g)
call("SUB", n)
n += 10
trace("back", n, result(), g)
exit(n)
*SUB
trace("sub", _)
g += 1
_ += 5
trace(_, g)
return(_)
)";

struct Saved
{
    std::string externs, scripts, run;
};

Saved Save(GxMoaTestRig& rig)
{
    Saved s;
    s.externs = GxContentWriteToString(GxContentForm::Binary, [&](GxContentWriterBase& w) { EXPECT_TRUE(rig.m_Moa.WriteVariables(w, 3)); });
    s.scripts = GxContentWriteToString(GxContentForm::Binary, [&](GxContentWriterBase& w) { EXPECT_TRUE(rig.m_Worker.WriteScriptVariables(w, 3)); });
    s.run = GxContentWriteToString(GxContentForm::Binary, [&](GxContentWriterBase& w) { EXPECT_TRUE(rig.m_Worker.WriteRunState(w)); });
    return s;
}

void Restore(GxMoaTestRig& rig, const Saved& s)
{
    GxContentBinaryReader a(s.externs.data(), static_cast<uint32_t>(s.externs.size()));
    EXPECT_TRUE(rig.m_Moa.ReloadVariables(a, 3));
    GxContentBinaryReader b(s.scripts.data(), static_cast<uint32_t>(s.scripts.size()));
    EXPECT_TRUE(rig.m_Worker.ReloadScriptVariables(b, 3));
    GxContentBinaryReader c(s.run.data(), static_cast<uint32_t>(s.run.size()));
    EXPECT_TRUE(rig.m_Worker.ReadRunState(c));
}

TEST(MoaWorker, SavedMidScriptTheRestOfTheTraceIsTheSame)
{
    // Save after every statement (inside the call too) and go on in a fresh program.
    for (int steps = 1; steps <= 12; ++steps) {
        SCOPED_TRACE(steps);
        GxMoaTestRig first;
        ASSERT_TRUE(first.Load({{u"MAIN", kSaveScript}})) << first.m_Errors;
        first.m_Moa.InitExternVariables();
        ASSERT_TRUE(first.m_Worker.StartAtLabel(u"MAIN", nullptr));
        first.RunSteps(steps);
        const Saved saved = Save(first);
        const size_t mark = first.m_Builtins.m_Trace.size();
        const bool wasRunning = first.m_Worker.IsRunning();
        first.RunSteps(100);
        const std::string rest = first.m_Builtins.m_Trace.substr(mark);

        GxMoaTestRig second;
        ASSERT_TRUE(second.Load({{u"MAIN", kSaveScript}})) << second.m_Errors;
        second.m_Moa.InitExternVariables();
        Restore(second, saved);
        EXPECT_EQ(second.m_Worker.IsRunning(), wasRunning);
        second.RunSteps(100);
        EXPECT_EQ(second.m_Builtins.m_Trace, rest);
        EXPECT_EQ(GxMoaRecordingBuiltins::Show(second.m_Worker.GetResult()),
                  GxMoaRecordingBuiltins::Show(first.m_Worker.GetResult()));
        EXPECT_EQ(first.m_Moa.GetErrorCount(), 0u);
        EXPECT_EQ(second.m_Moa.GetErrorCount(), 0u);
    }
}

TEST(MoaWorker, RunStateRoundTripsAndRefusesDamage)
{
    GxMoaTestRig rig;
    ASSERT_TRUE(rig.Load({{u"MAIN", kSaveScript}})) << rig.m_Errors;
    ASSERT_TRUE(rig.m_Worker.StartAtLabel(u"MAIN", nullptr));
    rig.RunSteps(5);  // inside the call: two blocks, an argument local, a compiled list
    rig.m_Worker.m_Name = u"SECOND";
    rig.m_Worker.GetValueStack().push_back(Int(3));
    rig.m_Worker.GetResult().SetString(u"結果");
    const std::string bytes = GxContentWriteToString(GxContentForm::Binary, [&](GxContentWriterBase& w) { rig.m_Worker.WriteRunState(w); });

    GxMoaTestRig other;
    ASSERT_TRUE(other.Load({{u"MAIN", kSaveScript}})) << other.m_Errors;
    GxContentBinaryReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    ASSERT_TRUE(other.m_Worker.ReadRunState(reader));
    EXPECT_EQ(other.m_Worker.m_Name, u"SECOND");
    ASSERT_EQ(other.m_Worker.GetExecStack().size(), 2u);
    EXPECT_EQ(other.m_Worker.GetExecStack()[1].m_Pos.m_pScriptEntity, other.m_Worker.FindScriptEntity(u"MAIN"));
    EXPECT_EQ(other.m_Worker.GetExecStack()[1].m_OpcodeList, rig.m_Worker.GetExecStack()[1].m_OpcodeList);
    EXPECT_EQ(other.m_Worker.GetValueStack().size(), rig.m_Worker.GetValueStack().size());
    EXPECT_EQ(other.m_Worker.GetResult().GetString(), u"結果");
    const std::string again = GxContentWriteToString(GxContentForm::Binary, [&](GxContentWriterBase& w) { other.m_Worker.WriteRunState(w); });
    EXPECT_EQ(again, bytes);

    GxContentLogCapture quiet;
    for (size_t n = 0; n < bytes.size(); n += 5) {
        GxContentBinaryReader cut(bytes.data(), static_cast<uint32_t>(n));
        GxMoaWorker w(&other.m_Moa);
        EXPECT_FALSE(w.ReadRunState(cut)) << n;
    }
    // A count of four billion blocks over a few bytes ends at the first failed read.
    const std::string huge = moabytes::Bytes().Str("W").List(0xFFFFFFFFu).S32(1).str();
    GxContentBinaryReader hr(huge.data(), static_cast<uint32_t>(huge.size()));
    GxMoaWorker w(&other.m_Moa);
    EXPECT_FALSE(w.ReadRunState(hr));
    EXPECT_LE(w.GetExecStack().size(), 1u);
}

TEST(MoaWorker, DamagedRestoredStateStopsWithAnError)
{
    // Only an IF block left on the stack, its statement naming a variable.
    GxMoaTestRig rig;
    ASSERT_TRUE(rig.Load({{u"MAIN", "*MAIN\nx = 1\n"}})) << rig.m_Errors;
    ASSERT_TRUE(rig.m_Worker.StartAtLabel(u"MAIN", nullptr));
    rig.m_Worker.GetExecStack().back().m_BlockType = MOABLOCK_IF;
    EXPECT_FALSE(rig.m_Worker.Run(&rig.m_Builtins));
    EXPECT_TRUE(rig.m_Moa.IsErrorStop());
    ASSERT_EQ(rig.m_Moa.m_Reports.size(), 1u) << rig.m_Moa.m_Reports[1];
    EXPECT_NE(rig.m_Moa.m_Reports[0].find("変数を置く通常ブロックがありません"), std::string::npos);

    // A block of a script the program no longer has.
    GxMoaTestRig gone;
    ASSERT_TRUE(gone.Load({{u"MAIN", "*MAIN\nx = 1\n"}})) << gone.m_Errors;
    ASSERT_TRUE(gone.m_Worker.StartAtLabel(u"MAIN", nullptr));
    gone.m_Worker.GetExecStack().back().m_Pos.m_pScriptEntity = nullptr;
    gone.m_Worker.GetExecStack().back().m_Pos.m_ScriptName = u"OLD";
    EXPECT_FALSE(gone.m_Worker.Run(&gone.m_Builtins));
    EXPECT_EQ(gone.m_Moa.m_Reports, std::vector<std::string>{"E OLD 0: スクリプトが見つからないので実行できません"});
    EXPECT_FALSE(gone.m_Worker.Run(&gone.m_Builtins));
    EXPECT_EQ(gone.m_Moa.m_Reports.size(), 1u);
}

TEST(MoaWorker, ScriptVariablesByClassDropScriptsThatAreGone)
{
    GxMoaTestRig first;
    ASSERT_TRUE(first.Load({{u"AAA", "STATIC INGAME t = 1\n*A\nx = 1\n"},
                            {u"MAIN", "STATIC INGAME s = 2\nSTATIC PERMAN k = 3\nGLOBAL NOSAVE q = 4\n*MAIN\nx = 1\n"}}))
        << first.m_Errors;
    first.m_Worker.FindScriptEntity(u"AAA")->GetVariableTable().FindVariable(u"t")->m_Value.SetInt64(11);
    first.m_Worker.FindScriptEntity(u"MAIN")->GetVariableTable().FindVariable(u"s")->m_Value.SetInt64(22);
    first.m_Worker.FindScriptEntity(u"MAIN")->GetVariableTable().FindVariable(u"k")->m_Value.SetInt64(33);
    first.m_Worker.GetVariableTable().FindVariable(u"q")->m_Value.SetInt64(44);
    const std::string ingame = GxContentWriteToString(GxContentForm::Binary, [&](GxContentWriterBase& w) { first.m_Worker.WriteScriptVariables(w, 3); });

    GxMoaTestRig second;  // AAA is gone
    ASSERT_TRUE(second.Load({{u"MAIN", "STATIC INGAME s = 2\nSTATIC PERMAN k = 3\nGLOBAL NOSAVE q = 4\n*MAIN\nx = 1\n"}}))
        << second.m_Errors;
    GxContentBinaryReader reader(ingame.data(), static_cast<uint32_t>(ingame.size()));
    ASSERT_TRUE(second.m_Worker.ReadScriptVariables(reader, 3));
    const GxMoaVariableTable& statics = second.m_Worker.FindScriptEntity(u"MAIN")->GetVariableTable();
    EXPECT_EQ(statics.FindVariable(u"s")->m_Value.GetInt64(), 22);
    EXPECT_EQ(statics.FindVariable(u"k")->m_Value.GetInt64(), 3);   // PERMAN: not in class 3
    EXPECT_EQ(statics.FindVariable(u"t"), nullptr);
    EXPECT_EQ(second.m_Worker.GetVariableTable().FindVariable(u"q")->m_Value.GetInt64(), 4);  // NOSAVE
}

TEST(MoaWorker, ResetAndRestartKeepOnlyThePermanentVariables)
{
    GxMoaTestRig rig;
    ASSERT_TRUE(rig.Load({{u"MAIN", "STATIC INGAME s = 2\nSTATIC PERMAN k = 3\nGLOBAL NOSAVE q = 4\n"
                                    "GLOBAL INGAME g[2]\n*MAIN\nx = 1\n*@again\nx = 2\n"}}))
        << rig.m_Errors;
    GxMoaWorker& w = rig.m_Worker;
    auto statics = [&]() -> GxMoaVariableTable& { return w.FindScriptEntity(u"MAIN")->GetVariableTable(); };
    statics().FindVariable(u"s")->m_Value.SetInt64(20);
    statics().FindVariable(u"k")->m_Value.SetInt64(30);
    w.GetVariableTable().FindVariable(u"q")->m_Value.SetInt64(40);
    w.GetVariableTable().FindVariable(u"g")->m_Value.SetInt64(50);
    ASSERT_TRUE(w.StartAtLabel(u"MAIN", nullptr));

    ASSERT_TRUE(w.RestartAtScriptLabel(u"@again", u"MAIN", nullptr));
    EXPECT_EQ(w.GetLine(nullptr), 6);
    EXPECT_EQ(w.GetExecStack().size(), 1u);
    EXPECT_EQ(statics().FindVariable(u"s")->m_Value.GetInt64(), 2);
    EXPECT_EQ(statics().FindVariable(u"k")->m_Value.GetInt64(), 30);
    EXPECT_EQ(w.GetVariableTable().FindVariable(u"q")->m_Value.GetInt64(), 4);
    EXPECT_EQ(w.GetVariableTable().FindVariable(u"g")->m_Value.GetArraySize(), 2);

    statics().FindVariable(u"s")->m_Value.SetInt64(21);
    EXPECT_TRUE(w.Reset());
    EXPECT_FALSE(w.IsRunning());
    EXPECT_EQ(statics().FindVariable(u"s")->m_Value.GetInt64(), 2);
    EXPECT_EQ(statics().FindVariable(u"k")->m_Value.GetInt64(), 30);

    // Recreating the entities rebinds the blocks on the stack.
    ASSERT_TRUE(w.StartAtLabel(u"MAIN", nullptr));
    w.CreateScriptEntities();
    EXPECT_EQ(w.GetExecStack().back().m_Pos.m_pScriptEntity, w.FindScriptEntity(u"MAIN"));
    EXPECT_EQ(statics().FindVariable(u"k")->m_Value.GetInt64(), 3);
}

TEST(MoaWorker, SourceLineErrorReportAndDump)
{
    GxMoaTestRig rig;
    ASSERT_TRUE(rig.Load({{u"MAIN", "*MAIN\nx = 1\n\n\ny = 2\n"}})) << rig.m_Errors;
    GxMoaWorker& w = rig.m_Worker;
    ASSERT_TRUE(w.StartAtLabel(u"MAIN", nullptr));
    GxMoaExecStackElement& top = w.GetExecStack().back();
    top.m_Pos.m_Line = 3;  // an empty line: the nearest line above with tokens is 1
    EXPECT_EQ(w.GetSourceLine(nullptr), 2);
    top.m_Pos.m_Line = 4;
    EXPECT_EQ(w.GetSourceLine(nullptr), 5);
    top.m_Pos.m_Line = 0;  // line 0 is never examined
    EXPECT_EQ(w.GetSourceLine(nullptr), 0);
    GxMoaExecStackElement loose;
    loose.m_Pos.m_Line = 9;
    EXPECT_EQ(w.GetSourceLine(&loose), 9);

    top.m_Pos.m_Line = 4;
    w.ReportError(u"jump", w.FindScriptEntity(u"MAIN"), &w.GetExecStack(), u"飛び先のラベルが見つかりません[%s]", u"X");
    w.ReportError(u"s", nullptr, nullptr, u"%d%%", 5);
    EXPECT_EQ(rig.m_Moa.m_Reports, (std::vector<std::string>{"E MAIN 4: jump:飛び先のラベルが見つかりません[X]", "E * -1: s:5%"}));

    ASSERT_TRUE(rig.EvalLine(1, false));
    std::u16string dump;
    w.Dump(dump, 0);
    EXPECT_EQ(GxWideToUtf8(dump), "----Worker:MAIN_WORKER\n------Script:MAIN\n------ExecStack:0\nScope:LOCAL\n  $x=1(Int)\n");
}

}  // namespace
