// The opcode executor: statements against a recording builtin set, the scope chain, and the
// refusals of damaged opcode lists and stacks.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/GxString.h"
#include "moa/GxMoaExec.h"
#include "moa/GxMoaWorker.h"
#include "core/GxContentReader.h"
#include "tests/support/GxContentFixture.h"
#include "tests/support/GxMoaRecordingBuiltins.h"

namespace {

struct StatementCase
{
    const char* title;
    std::vector<std::string> setup;   // statements run first (reports discarded)
    std::string statement;
    bool report;                      // the report-local-creation flag
    bool ok;
    std::string result;               // Show() of Eval_Token's result
    std::vector<std::pair<std::u16string, std::string>> vars;
    std::vector<std::string> reports;  // "%L" stands for the statement's line
};

std::string Replace(std::string s, const std::string& from, const std::string& to)
{
    for (size_t p = s.find(from); p != std::string::npos; p = s.find(from, p + to.size())) s.replace(p, from.size(), to);
    return s;
}

TEST(MoaExec, StatementTable)
{
    const std::vector<StatementCase> cases = {
        {"unknown variable, report on", {}, "q", true, true, "NULL", {{u"q", "NULL"}},
         {"W MAIN %L: ローカル変数 $q を作成しました[pc=0]"}},
        {"unknown variable, report off", {}, "q", false, true, "NULL", {{u"q", "NULL"}}, {}},
        {"assignment creates a local, report on", {}, "z = 1", true, true, "1", {{u"z", "1"}},
         {"W MAIN %L: ローカル変数 $z を作成しました[pc=2]"}},
        {"precedence and the assigned value", {"a = 1", "b = 3"}, "x = a + b * 2", false, true, "7", {{u"x", "7"}}, {}},
        {"chained assignment", {}, "a = b = 1", false, true, "1", {{u"a", "1"}, {u"b", "1"}}, {}},
        {"a[5] on an array of two grows it", {"a = ARRAY(1, 2)"}, "a[5]", true, true, "NULL",
         {{u"a", "[1, 2, NULL, NULL, NULL, NULL]"}}, {}},
        {"a[-1] is the whole array", {"a = ARRAY(1, 2)"}, "a[-1]", true, true, "[1, 2]", {{u"a", "[1, 2]"}}, {}},
        {"a[-2] is Null", {"a = ARRAY(1, 2)"}, "a[-2]", true, true, "NULL", {{u"a", "[1, 2]"}}, {}},
        {"element write turns an Int into an array", {"a = 5"}, "a[3] = 7", true, true, "7",
         {{u"a", "[NULL, NULL, NULL, 7]"}}, {}},
        {"negative subscript assignment refused", {"a = 5"}, "a[-1] = 7", true, false, "NULL", {{u"a", "5"}},
         {"E MAIN %L: OPC_ASSIGN 変数の要素 $a[-1] に代入できません[pc=5]"}},
        {"negative subscript increment refused", {"a = ARRAY(1)"}, "a[-3]++", true, false, "NULL", {{u"a", "[1]"}},
         {"E MAIN %L: OPC_AFTER_* 変数の要素 $a[-3] に代入できません[pc=3]"}},
        {"negative subscript compound refused", {"a = ARRAY(1)"}, "a[-3] += 1", true, false, "NULL", {{u"a", "[1]"}},
         {"E MAIN %L: OPC_ASSIGN_* 変数の要素 $a[-3] に代入できません[pc=5]"}},
        {"unknown element read creates the array", {}, "d[1]", true, true, "NULL", {{u"d", "[NULL, NULL]"}},
         {"W MAIN %L: ローカル変数 $d を作成しました[pc=2]"}},
        {"i++ on an unknown variable", {}, "i++", true, true, "NULL", {{u"i", "1"}},
         {"W MAIN %L: ローカル変数 $i を作成しました[pc=0]"}},
        {"i++ on 1.5", {"f = 1.5"}, "f++", true, true, "1.500000", {{u"f", "2"}}, {}},
        {"i-- on a string", {"s = \"5\""}, "s--", true, true, "\"5\"", {{u"s", "4"}}, {}},
        {"element ++ on an unknown array", {}, "c[2]++", false, true, "NULL", {{u"c", "[NULL, NULL, 1]"}}, {}},
        {"x /= 0 gives Null", {"x = 5"}, "x /= 0", true, true, "NULL", {{u"x", "NULL"}}, {}},
        {"x %= 0 gives Null", {"x = 5"}, "x %= 0", true, true, "NULL", {{u"x", "NULL"}}, {}},
        {"compound on an element", {"a = ARRAY(1, 2)"}, "a[1] += 5", true, true, "7", {{u"a", "[1, 7]"}}, {}},
        {"concatenation assignment", {"s = \"a\""}, "s := 1", true, true, "\"a1\"", {{u"s", "\"a1\""}}, {}},
        {"bitwise assignments", {"x = 5"}, "x ^= 3", true, true, "6", {{u"x", "6"}}, {}},
        {"logical operators, one level, left to right", {}, "y = 1 && 0 || 2", false, true, "1", {{u"y", "1"}}, {}},
        {"empty and mixed arrays", {}, "e = ARRAY()", false, true, "[]", {{u"e", "[]"}}, {}},
        {"array constructor keeps order", {}, "e = ARRAY(1, \"a\")", false, true, "[1, \"a\"]", {}, {}},
        {"a builtin returning false stops", {}, "fail(1)", true, false, "NULL", {},
         {"E MAIN %L: 関数実行時にエラーが発生したので停止します[builtin:fail]"}},
        {"a builtin result is pushed", {}, "r = foo(1, 2)", false, true, "NULL", {{u"r", "NULL"}}, {}},
    };
    for (const StatementCase& c : cases) {
        SCOPED_TRACE(c.title);
        GxMoaTestRig rig;
        std::string source = "*MAIN\n";
        for (const std::string& s : c.setup) source += s + "\n";
        source += c.statement + "\n";
        ASSERT_TRUE(rig.Load({{u"MAIN", source}})) << rig.m_Errors;
        ASSERT_TRUE(rig.m_Worker.StartAtLabel(u"MAIN", nullptr));
        for (size_t i = 0; i < c.setup.size(); ++i) ASSERT_TRUE(rig.EvalLine(static_cast<int32_t>(i + 1), false));
        rig.m_Moa.m_Reports.clear();
        rig.m_Moa.ResetRunState();
        const int32_t line = static_cast<int32_t>(c.setup.size() + 1);
        GxMoaVariable result;
        const bool ok = rig.EvalLine(line, c.report, &result);
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(rig.m_Moa.IsErrorStop(), !c.ok);
        if (c.ok) {
            EXPECT_EQ(GxMoaRecordingBuiltins::Show(result), c.result);
        }
        for (const auto& [name, value] : c.vars) EXPECT_EQ(rig.Value(name), value) << GxWideToUtf8(name);
        std::vector<std::string> expected;
        for (const std::string& r : c.reports) expected.push_back(Replace(r, "%L", std::to_string(line)));
        EXPECT_EQ(rig.m_Moa.m_Reports, expected);
    }
}

TEST(MoaExec, BuiltinArgumentsInScriptOrder)
{
    GxMoaTestRig rig;
    ASSERT_TRUE(rig.Load({{u"MAIN", "*MAIN\nfoo(1, \"s\", , 2.5)\nfoo()\nfoo(ARRAY(1, 2), 3 - 5)\n"}})) << rig.m_Errors;
    rig.m_Builtins.m_Results[u"foo"].SetInt64(9);
    ASSERT_TRUE(rig.m_Worker.StartAtLabel(u"MAIN", nullptr));
    GxMoaVariable result;
    ASSERT_TRUE(rig.EvalLine(1, true, &result));
    EXPECT_EQ(GxMoaRecordingBuiltins::Show(result), "9");
    ASSERT_TRUE(rig.EvalLine(2, true));
    ASSERT_TRUE(rig.EvalLine(3, true));
    EXPECT_EQ(rig.m_Builtins.m_Trace, "foo(1, \"s\", NULL, 2.500000)\nfoo()\nfoo([1, 2], -2)\n");
    ASSERT_EQ(rig.m_Builtins.m_Calls.size(), 3u);
    EXPECT_EQ(rig.m_Builtins.m_Calls[0].index, 300);
}

TEST(MoaExec, ScopeChainFindsStaticsGlobalsExternsBeforeCreatingLocals)
{
    GxMoaTestRig rig;
    ASSERT_TRUE(rig.Load({{u"MAIN", "STATIC s = 1\nGLOBAL g = 2\nEXTERN e = 3\n*MAIN\nt = s + g + e\ns = 10\n"}}))
        << rig.m_Errors;
    rig.m_Moa.InitExternVariables();
    ASSERT_TRUE(rig.m_Worker.StartAtLabel(u"MAIN", nullptr));
    ASSERT_TRUE(rig.EvalLine(4, true));
    ASSERT_TRUE(rig.EvalLine(5, true));
    EXPECT_EQ(rig.Value(u"t"), "6");
    // Only t was created, as a local; s was assigned in the entity's statics.
    EXPECT_EQ(rig.m_Moa.m_Reports, std::vector<std::string>{"W MAIN 4: ローカル変数 $t を作成しました[pc=8]"});
    GxMoaScriptEntity* entity = rig.m_Worker.FindScriptEntity(u"MAIN");
    ASSERT_NE(entity, nullptr);
    EXPECT_EQ(entity->GetVariableTable().FindVariable(u"s")->m_Value.GetInt64(), 10);
    EXPECT_EQ(rig.m_Worker.GetExecStack().back().m_Variables.GetCount(), 1);
}

// A worker whose top block holds a hand-made opcode list.
struct ListRig
{
    ListRig()
    {
        EXPECT_TRUE(rig.Load({{u"MAIN", "*MAIN\nx = 1\n"}})) << rig.m_Errors;
        EXPECT_TRUE(rig.m_Worker.StartAtLabel(u"MAIN", nullptr));
    }
    GxMoaExecStackElement& Top() { return rig.m_Worker.GetExecStack().back(); }
    void Op(int32_t op) { GxMoaCompiler::AddOpcode(Top().m_OpcodeList, op); }
    void Int(int64_t v) { Top().m_OpcodeList.emplace_back().SetInt64(v); }
    void Str(const char16_t* s) { Top().m_OpcodeList.emplace_back().SetString(s); }
    bool Exec(bool report = true)
    {
        return GxMoaExec::Exec_Opcode(rig.m_Moa, &rig.m_Builtins, Top().m_Pos.m_pScriptEntity, &rig.m_Worker, report);
    }
    GxMoaTestRig rig;
};

TEST(MoaExec, DamagedListsAreRefusedWithAMessage)
{
    struct Case
    {
        const char* title;
        void (*build)(ListRig&);
        std::string report;
    };
    const std::vector<Case> cases = {
        {"not an opcode", [](ListRig& r) { r.Int(5); }, "E MAIN 0: Exec_Opcode Opcodeではないパラメータを演算しようとしました[pc=0]"},
        {"opcode out of range", [](ListRig& r) { r.Op(52); }, "E MAIN 0: Exec_Opcode 不正な演算コードです[pc=0]"},
        {"target alone", [](ListRig& r) { r.Op(MOAOPC_ALTER_VARARY); }, "E MAIN 0: OPC_ALTER_VARARY 単体でこのコードは実行できません[pc=0]"},
        {"binary operator on one value", [](ListRig& r) { r.Op(MOAOPC_PUSH_INT); r.Int(1); r.Op(MOAOPC_ADD); },
         "E MAIN 0: Exec_IsValueLastTwo 計算スタックに必要なパラメータが積まれていません[pc=2]"},
        {"negative array count", [](ListRig& r) { r.Op(MOAOPC_ELEMENTNUM); r.Int(-3); r.Op(MOAOPC_ARRAYINIT); },
         "E MAIN 0: Exec_IsValueLastOne 計算スタックに必要なパラメータが積まれていません[pc=2]"},
        {"argument count beyond the stack",
         [](ListRig& r) { r.Op(MOAOPC_ELEMENTNUM); r.Int(2000000000); r.Op(MOAOPC_CALL_BUILTIN); r.Int(300); r.Str(u"foo"); },
         "E MAIN 0: Exec_IsValueLastOne 計算スタックに必要なパラメータが積まれていません[pc=2]"},
        {"negative argument count",
         [](ListRig& r) { r.Op(MOAOPC_ELEMENTNUM); r.Int(-1); r.Op(MOAOPC_CALL_BUILTIN); r.Int(300); r.Str(u"foo"); },
         "E MAIN 0: Exec_IsValueLastOne 計算スタックに必要なパラメータが積まれていません[pc=2]"},
        {"an opcode value pushed", [](ListRig& r) { r.Op(MOAOPC_PUSH_INT); r.Op(MOAOPC_NONE); },
         "E MAIN 0: Exec_PushStack 計算スタックに積むパラメータが不足しています[pc=0]"},
        {"pc already at the end", [](ListRig& r) { r.Op(MOAOPC_PUSH_NULL); r.Top().m_OpcodePos = 1; },
         "E MAIN 0: Exec_Opcode 実行位置が演算コードの範囲外です[pc=1]"},
        {"negative pc", [](ListRig& r) { r.Op(MOAOPC_PUSH_NULL); r.Top().m_OpcodePos = -4; },
         "E MAIN 0: Exec_Opcode 実行位置が演算コードの範囲外です[pc=-4]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        ListRig r;
        c.build(r);
        EXPECT_FALSE(r.Exec());
        EXPECT_EQ(r.rig.m_Moa.m_Reports, std::vector<std::string>{c.report});
    }
}

TEST(MoaExec, BrokenTargetIsReportedAndTheRunGoesOn)
{
    ListRig r;
    r.Op(MOAOPC_PUSH_INT);
    r.Int(4);
    r.Op(MOAOPC_ASSIGN);
    r.Op(MOAOPC_PUSH_NULL);  // where the target opcode belongs
    r.Str(u"x");
    r.Op(MOAOPC_PUSH_INT);
    r.Int(1);
    EXPECT_TRUE(r.Exec());
    EXPECT_EQ(r.rig.m_Moa.m_Reports, std::vector<std::string>{"E MAIN 0: OPC_ASSIGN Opecodeが壊れています[pc=2]"});
    const GxMoaValueStack& values = r.rig.m_Worker.GetValueStack();
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0].GetInt64(), 4);
    EXPECT_EQ(r.rig.Find(u"x"), nullptr);
}

TEST(MoaExec, EmptyStackOrListSucceedsAndNoWorkerFails)
{
    ListRig r;
    EXPECT_TRUE(r.Exec());  // empty list
    EXPECT_TRUE(GxMoaExec::Exec_Opcode(r.rig.m_Moa, nullptr, nullptr, nullptr, true) == false);
    EXPECT_EQ(r.rig.m_Moa.m_Reports,
              std::vector<std::string>{"E * 0: Exec_Opcode ExecStackとValueStackが指定されていません[pc=-1]"});
    r.rig.m_Worker.Stop();
    EXPECT_TRUE(GxMoaExec::Exec_Opcode(r.rig.m_Moa, nullptr, nullptr, &r.rig.m_Worker, true));

    // Eval_Token without a block sets the error stop.
    r.rig.m_Moa.m_Reports.clear();
    GxMoaRunPos pos(1, 0);
    EXPECT_FALSE(GxMoaExec::Eval_Token(r.rig.m_Moa, nullptr, nullptr, &r.rig.m_Worker, pos, pos, true));
    EXPECT_TRUE(r.rig.m_Moa.IsErrorStop());
    EXPECT_EQ(r.rig.m_Moa.m_Reports,
              std::vector<std::string>{"E * -1: GxMoa::Eval_Token 実行中ではないWorkerを計算しようとしました"});
}

TEST(MoaExec, NoBuiltinObjectIsAnError)
{
    ListRig r;
    r.Op(MOAOPC_ELEMENTNUM);
    r.Int(0);
    r.Op(MOAOPC_CALL_BUILTIN);
    r.Int(300);
    r.Str(u"foo");
    EXPECT_FALSE(GxMoaExec::Exec_Opcode(r.rig.m_Moa, nullptr, r.Top().m_Pos.m_pScriptEntity, &r.rig.m_Worker, true));
    EXPECT_EQ(r.rig.m_Moa.m_Reports,
              std::vector<std::string>{"E MAIN 0: OPC_CALL_BUILTIN 組み込み関数ポインタが設定されていません[pc=2]"});
}

TEST(MoaExec, MissingNormalBlockOrScriptIsAnErrorNotACrash)
{
    // A damaged save: only an IF block, whose statement names a variable.
    ListRig r;
    r.Top().m_BlockType = MOABLOCK_IF;
    r.Op(MOAOPC_PUSH_VAR);
    r.Str(u"nowhere");
    EXPECT_FALSE(r.Exec());
    EXPECT_EQ(r.rig.m_Moa.m_Reports,
              std::vector<std::string>{"E MAIN 0: Exec_Opcode 変数を置く通常ブロックがありません[pc=0]"});

    // A block whose script the program does not have.
    ListRig s;
    s.Top().m_Pos.m_pScriptEntity = nullptr;
    s.Top().m_Pos.m_ScriptName = u"GONE";
    GxMoaRunPos pos(1, 0);
    EXPECT_FALSE(GxMoaExec::Eval_Token(s.rig.m_Moa, nullptr, &s.rig.m_Builtins, &s.rig.m_Worker, pos, pos, true));
    EXPECT_TRUE(s.rig.m_Moa.IsErrorStop());
    EXPECT_EQ(s.rig.m_Moa.m_Reports,
              std::vector<std::string>{"E GONE 0: GxMoa::Eval_Token スクリプトが見つからないので実行できません"});
}

TEST(MoaExec, CompileErrorStopsAndEvalLeavesPositionAfterTheExpression)
{
    GxMoaTestRig rig;
    ASSERT_TRUE(rig.Load({{u"MAIN", "*MAIN\nx = 1 +\nx = 2\n"}})) << rig.m_Errors;
    ASSERT_TRUE(rig.m_Worker.StartAtLabel(u"MAIN", nullptr));
    EXPECT_FALSE(rig.EvalLine(1, true));
    EXPECT_TRUE(rig.m_Moa.IsErrorStop());
    ASSERT_EQ(rig.m_Moa.m_Reports.size(), 1u);

    GxMoaRunPos pos(2, 0);
    GxMoaRunPos out = pos;
    EXPECT_TRUE(GxMoaExec::Eval_Token(rig.m_Moa, nullptr, &rig.m_Builtins, &rig.m_Worker, pos, out, true));
    EXPECT_EQ(out.m_Line, 2);
    EXPECT_EQ(out.m_Pos, 3);
}

TEST(MoaExec, BlockStoredFormRoundTrips)
{
    ListRig r;
    GxMoaExecStackElement& e = r.Top();
    e.m_Variables.SetVariable(u"loc", nullptr, 2);
    r.Op(MOAOPC_PUSH_STR);
    r.Str(u"テキスト");
    r.Op(MOAOPC_PUSH_FLT);
    e.m_OpcodeList.emplace_back().SetFloat(0.25);
    e.m_OpcodePos = 2;
    e.m_Pos.m_Line = 7;
    e.m_Pos.m_Pos = 3;
    const std::string bytes = GxContentWriteToString(GxContentForm::Binary, [&](GxContentWriterBase& w) { EXPECT_TRUE(e.Write(w)); });

    GxContentBinaryReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    GxMoaExecStackElement back;
    ASSERT_TRUE(back.Read(reader, &r.rig.m_Worker));
    EXPECT_EQ(back.m_BlockType, MOABLOCK_NORMAL);
    EXPECT_EQ(back.m_Pos.m_Line, 7);
    EXPECT_EQ(back.m_Pos.m_Pos, 3);
    EXPECT_EQ(back.m_Pos.m_ScriptName, u"MAIN");
    EXPECT_EQ(back.m_Pos.m_pScriptEntity, r.rig.m_Worker.FindScriptEntity(u"MAIN"));
    EXPECT_EQ(back.m_OpcodePos, 2);
    ASSERT_EQ(back.m_OpcodeList.size(), 4u);
    EXPECT_EQ(back.m_OpcodeList[1].GetString(), u"テキスト");
    EXPECT_EQ(back.m_OpcodeList[3].GetFloat(), 0.25);
    ASSERT_NE(back.m_Variables.FindVariable(u"loc"), nullptr);
    EXPECT_EQ(back.m_Variables.FindVariable(u"loc")->m_Value.GetArraySize(), 3);
    const std::string again = GxContentWriteToString(GxContentForm::Binary, [&](GxContentWriterBase& w) { back.Write(w); });
    EXPECT_EQ(again, bytes);

    // Every truncation fails without a crash.
    for (size_t n = 0; n < bytes.size(); n += 3) {
        GxContentLogCapture quiet;
        GxContentBinaryReader cut(bytes.data(), static_cast<uint32_t>(n));
        GxMoaExecStackElement part;
        EXPECT_FALSE(part.Read(cut, &r.rig.m_Worker)) << n;
    }
}

}  // namespace
