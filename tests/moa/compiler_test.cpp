// The expression compiler: token lines into postfix opcode lists, its refusals and the
// position it leaves.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/GxFormat.h"
#include "core/GxString.h"
#include "moa/GxMoa.h"
#include "moa/GxMoaCompiler.h"
#include "moa/GxMoaNames.h"
#include "tests/moa/moa_value_test_util.h"
#include "tests/support/GxMoaPackageBuilder.h"

namespace {

std::string U8(std::u16string_view s) { return GxWideToUtf8(s); }

struct ReportedError
{
    std::u16string script;
    int32_t line;
    std::string text;
};

// A program instance that keeps the errors it is given.
class RecordingMoa : public GxMoa
{
public:
    void OutputErrorArgs(std::u16string_view scriptName, int32_t line, std::u16string_view format,
                         const GxFmtArg* args, size_t count) override
    {
        GxMoa::OutputErrorArgs(scriptName, line, format, args, count);
        std::u16string text;
        GxFormatArgs(text, format, args, count);
        errors.push_back({std::u16string(scriptName), line, U8(text)});
    }
    std::vector<ReportedError> errors;
};

// The statement stands on this line of its script, so error lines are checked too.
constexpr int32_t kLine = 2;

// The opcode list as text: opcode names, Int and Float operands as numbers, Str operands
// quoted, separated by blanks.
std::string Listing(const GxMoaOpcodeList& list)
{
    std::string s;
    for (const GxMoaVariable& v : list) {
        if (!s.empty()) s += ' ';
        switch (v.GetValueType()) {
        case GxMoaValueType::Opcode: s += U8(GxMoaGetOpcodeName(v.GetOpcode())); break;
        case GxMoaValueType::Int:
        case GxMoaValueType::Float: s += U8(v.GetString()); break;
        case GxMoaValueType::Str: s += "\"" + U8(v.GetStringView()) + "\""; break;
        default: s += "?" + U8(GxMoaGetValueTypeName(v.GetValueTypeCode())); break;
        }
    }
    return s;
}

class CompilerTest : public ::testing::Test
{
protected:
    CompilerTest()
    {
        m_Builder.AddBuiltin(u"foo", 300);
        m_Builder.AddBuiltin(u"bar", 301);
    }

    // Lexes the statement with the test syntax onto line kLine of a fresh script "S".
    GxMoaScript* Load(const std::string& statement)
    {
        std::vector<GxMoaToken> tokens;
        EXPECT_TRUE(m_Builder.LexLine(GxUtf8ToWide(statement), tokens)) << m_Builder.GetErrors();
        auto script = std::make_unique<GxMoaScript>(&m_Program);
        script->m_ScriptName = std::u16string(u"S");
        script->m_Lines.resize(kLine + 2);
        script->m_Lines[kLine].m_Tokens = std::move(tokens);
        m_Script = script.get();
        m_Program.m_pScriptDefine.clear();
        m_Program.m_pScriptDefine[u"S"] = std::move(script);
        m_Program.errors.clear();
        return m_Script;
    }

    int32_t TokenCount() const { return m_Script->GetTokenCount(kLine); }

    // Compiles the statement from its first token.
    bool Compile(const std::string& statement, uint32_t flags = 0)
    {
        Load(statement);
        m_List.clear();
        m_End = GxMoaRunPos();
        return GxMoaCompiler::Phase_Expr(m_Script, m_List, GxMoaRunPos(kLine, 0), m_End, flags);
    }

    std::string OnlyError() const
    {
        if (m_Program.errors.size() != 1) return "errors reported: " + std::to_string(m_Program.errors.size());
        return m_Program.errors[0].text;
    }

    GxMoaPackageBuilder m_Builder;
    RecordingMoa m_Program;
    GxMoaScript* m_Script = nullptr;
    GxMoaOpcodeList m_List;
    GxMoaRunPos m_End;
};

struct CompileRow
{
    const char* statement;
    const char* listing;
    int32_t endPos;   // -1: past the last token
};

TEST_F(CompilerTest, StatementsCompileToPostfixListings)
{
    const CompileRow rows[] = {
        // precedence and associativity
        {"x = a + b * 2 ;", "PUSH_VAR \"a\" PUSH_VAR \"b\" PUSH_INT 2 * + = OPC_ALTER_VAR \"x\"", 7},
        {"1+2*3", "PUSH_INT 1 PUSH_INT 2 PUSH_INT 3 * +", -1},
        {"8-3-2", "PUSH_INT 8 PUSH_INT 3 - PUSH_INT 2 -", -1},
        {"a & b == c", "PUSH_VAR \"a\" PUSH_VAR \"b\" PUSH_VAR \"c\" == &", -1},
        {"a | b ^ c & d", "PUSH_VAR \"a\" PUSH_VAR \"b\" | PUSH_VAR \"c\" ^ PUSH_VAR \"d\" &", -1},
        {"a && b || c", "PUSH_VAR \"a\" PUSH_VAR \"b\" && PUSH_VAR \"c\" ||", -1},
        {"a < b == c >= d", "PUSH_VAR \"a\" PUSH_VAR \"b\" < PUSH_VAR \"c\" PUSH_VAR \"d\" >= ==", -1},
        {"1 << 2 + 3 != 4", "PUSH_INT 1 PUSH_INT 2 PUSH_INT 3 + << PUSH_INT 4 !=", -1},
        {"a : b % 3", "PUSH_VAR \"a\" PUSH_VAR \"b\" PUSH_INT 3 % :", -1},
        {"(1 + 2) * 3", "PUSH_INT 1 PUSH_INT 2 + PUSH_INT 3 *", -1},
        {"-x * 2", "PUSH_VAR \"x\" 単項- PUSH_INT 2 *", -1},
        {"- -x", "PUSH_VAR \"x\" 単項- 単項-", -1},
        {"!a && ~b", "PUSH_VAR \"a\" 単項! PUSH_VAR \"b\" 単項~ &&", -1},
        {"+(1 - 2)", "PUSH_INT 1 PUSH_INT 2 - 単項+", -1},
        // literals
        {"s = \"t\" : 1.5 : NULL", "PUSH_STR \"t\" PUSH_FLT 1.500000 : PUSH_NULL : = OPC_ALTER_VAR \"s\"", -1},
        // assignments chain to the right and may stand as a right operand
        {"a = b = 1", "PUSH_INT 1 = OPC_ALTER_VAR \"b\" = OPC_ALTER_VAR \"a\"", -1},
        {"y + x = 3", "PUSH_VAR \"y\" PUSH_INT 3 = OPC_ALTER_VAR \"x\" +", -1},
        {"x += 2 * 3", "PUSH_INT 2 PUSH_INT 3 * += OPC_ALTER_VAR \"x\"", -1},
        {"s := \"!\"", "PUSH_STR \"!\" := OPC_ALTER_VAR \"s\"", -1},
        {"x ^= 1", "PUSH_INT 1 ^= OPC_ALTER_VAR \"x\"", -1},
        // postfix increment and decrement
        {"i++", "単項++ OPC_ALTER_VAR \"i\"", -1},
        {"n = i-- + 1", "単項-- OPC_ALTER_VAR \"i\" PUSH_INT 1 + = OPC_ALTER_VAR \"n\"", -1},
        // array elements: one subscript term
        {"a[2] = 5", "PUSH_INT 2 PUSH_INT 5 = OPC_ALTER_VARARY \"a\"", -1},
        {"a[i]--", "PUSH_VAR \"i\" 単項-- OPC_ALTER_VARARY \"a\"", -1},
        {"v = a[(i + 1)] * 2", "PUSH_VAR \"i\" PUSH_INT 1 + PUSH_VARARY \"a\" PUSH_INT 2 * = OPC_ALTER_VAR \"v\"", -1},
        {"a[-1] -= 1", "PUSH_INT 1 単項- PUSH_INT 1 -= OPC_ALTER_VARARY \"a\"", -1},
        // the array constructor
        {"ARRAY(1,2)", "PUSH_INT 1 PUSH_INT 2 ELEMENTNUM 2 ARRAYINIT", -1},
        {"ARRAY()", "ELEMENTNUM 0 ARRAYINIT", -1},
        {"x = ARRAY(ARRAY(1), \"b\")",
         "PUSH_INT 1 ELEMENTNUM 1 ARRAYINIT PUSH_STR \"b\" ELEMENTNUM 2 ARRAYINIT = OPC_ALTER_VAR \"x\"", -1},
        // builtin calls and their element lists
        {"foo(1, s)", "PUSH_INT 1 PUSH_VAR \"s\" ELEMENTNUM 2 CALL_BUILTIN 300 \"foo\"", -1},
        {"foo()", "ELEMENTNUM 0 CALL_BUILTIN 300 \"foo\"", -1},
        {"foo(a,)", "PUSH_VAR \"a\" PUSH_NULL ELEMENTNUM 2 CALL_BUILTIN 300 \"foo\"", -1},
        {"foo(,a)", "PUSH_NULL PUSH_VAR \"a\" ELEMENTNUM 2 CALL_BUILTIN 300 \"foo\"", -1},
        {"foo(a,,b)", "PUSH_VAR \"a\" PUSH_NULL PUSH_VAR \"b\" ELEMENTNUM 3 CALL_BUILTIN 300 \"foo\"", -1},
        {"foo(,)", "PUSH_NULL PUSH_NULL ELEMENTNUM 2 CALL_BUILTIN 300 \"foo\"", -1},
        {"foo(1 + 2, bar(x = 3))",
         "PUSH_INT 1 PUSH_INT 2 + PUSH_INT 3 = OPC_ALTER_VAR \"x\" ELEMENTNUM 1 CALL_BUILTIN 301 \"bar\" "
         "ELEMENTNUM 2 CALL_BUILTIN 300 \"foo\"",
         -1},
        {"foo() + 1", "ELEMENTNUM 0 CALL_BUILTIN 300 \"foo\" PUSH_INT 1 +", -1},
        {"x = foo ;", "ELEMENTNUM 0 CALL_BUILTIN 300 \"foo\" = OPC_ALTER_VAR \"x\"", 3},
        // a call written without "(" leaves a following ")" to the enclosing construct
        {"(foo)", "ELEMENTNUM 0 CALL_BUILTIN 300 \"foo\"", -1},
        {"foo(bar)", "ELEMENTNUM 0 CALL_BUILTIN 301 \"bar\" ELEMENTNUM 1 CALL_BUILTIN 300 \"foo\"", -1},
        {"foo(bar, 1)", "ELEMENTNUM 0 CALL_BUILTIN 301 \"bar\" PUSH_INT 1 ELEMENTNUM 2 CALL_BUILTIN 300 \"foo\"", -1},
        // empty statements and the terminators that end an expression
        {";", "", 0},
        {"", "", 0},
        {"x = 1 , 2", "PUSH_INT 1 = OPC_ALTER_VAR \"x\"", 3},
        {"x = 1 }", "PUSH_INT 1 = OPC_ALTER_VAR \"x\"", 3},
        {"x = (1) ) 2", "PUSH_INT 1 = OPC_ALTER_VAR \"x\"", 5},
    };
    for (const CompileRow& r : rows) {
        SCOPED_TRACE(r.statement);
        if (!Compile(r.statement)) {
            ADD_FAILURE() << OnlyError();
            continue;
        }
        EXPECT_TRUE(m_Program.errors.empty());
        EXPECT_EQ(Listing(m_List), r.listing);
        EXPECT_EQ(m_End.m_Line, kLine);
        EXPECT_EQ(m_End.m_Pos, r.endPos < 0 ? TokenCount() : r.endPos);
    }
}

TEST_F(CompilerTest, OperandsAreTypedValues)
{
    ASSERT_TRUE(Compile("foo(-9000000000, 0.25, \"日本語\")"));
    // 9000000000 pushed, negated, then the float and the string; the builtin index and name.
    ASSERT_EQ(m_List.size(), 12u);
    EXPECT_EQ(m_List[1].GetValueType(), GxMoaValueType::Int);
    EXPECT_EQ(m_List[1].GetInt64(), 9000000000);
    EXPECT_EQ(m_List[4].GetValueType(), GxMoaValueType::Float);
    EXPECT_EQ(m_List[4].GetFloat(), 0.25);
    EXPECT_EQ(m_List[6].GetValueType(), GxMoaValueType::Str);
    EXPECT_EQ(m_List[6].GetStringView(), u"日本語");
    EXPECT_EQ(m_List[8].GetValueType(), GxMoaValueType::Int);
    EXPECT_EQ(m_List[8].GetInt64(), 3);
    EXPECT_EQ(m_List[10].GetValueType(), GxMoaValueType::Int);
    EXPECT_EQ(m_List[10].GetInt64(), 300);
    EXPECT_EQ(m_List[11].GetValueType(), GxMoaValueType::Str);
    EXPECT_EQ(m_List[11].GetStringView(), u"foo");
    for (size_t i : {0u, 2u, 3u, 5u, 7u, 9u}) EXPECT_EQ(m_List[i].GetValueType(), GxMoaValueType::Opcode) << i;
    EXPECT_EQ(m_List[2].GetOpcode(), MOAOPC_MINUS);
}

struct RefusalRow
{
    const char* statement;
    const char* error;
};

TEST_F(CompilerTest, RefusalsNameTheRoutineAndTheToken)
{
    const RefusalRow rows[] = {
        {"++i", "Phase_Term 式として認識できないトークンです[++単項]"},
        {"x = --i", "Phase_Term 式として認識できないトークンです[--単項]"},
        {"1 +", "Phase_IsTermRight 右側に項が存在しないか不正な式です[スクリプト終端]"},
        {"x = a *", "Phase_IsTermRight 右側に項が存在しないか不正な式です[スクリプト終端]"},
        {"x =", "Phase_IsTermRight 右側に項が存在しないか不正な式です[スクリプト終端]"},
        {"1 + * 2", "Phase_IsTermRight 右側に項が存在しないか不正な式です[*]"},
        {"-", "Phase_IsTermRight 右側に項が存在しないか不正な式です[スクリプト終端]"},
        {"1 2", "Phase_Expr 式に間違いがあります[整数値[2]]"},
        {"a b", "Phase_Expr 式に間違いがあります[変数名 String:b]"},
        {"1 = 2", "Phase_Expr 式に間違いがあります[=]"},
        {"a[2][3]", "Phase_Expr 式に間違いがあります[[]"},
        {"foo bar", "Phase_Expr 式に間違いがあります[組み込み関数名 String:bar]"},
        {"foo + 1", "Phase_IsTermLeft 左側に項が存在しないか不正な式です[組み込み関数名 String:foo]"},
        {"* 2", "Phase_Term 式として認識できないトークンです[*]"},
        {"a[i + 1]", "Phase_Skip 次に来るべき記号 ] がありません[+]"},
        {"ARRAY 1", "Phase_Skip 次に来るべき記号 ( がありません[整数値[1]]"},
        {"ARRAY(1", "Phase_Element 式に予期しない記号を見つけました。式が間違っています[スクリプト終端]"},
        {"foo(1;", "Phase_Element 式に予期しない記号を見つけました。式が間違っています[;]"},
        {"(1 + 2", "Phase_Skip 次に来るべき記号 ) がありません[スクリプト終端]"},
        {"[1]", "Phase_Term []演算子の前に配列変数名がありません[[]"},
        {"x = b.c", "Phase_Term 式として認識できないトークンです[不明文字列 String:b.c]"},
        {"x = IF", "Phase_IsTermRight 右側に項が存在しないか不正な式です[IF]"},
        {"x = (IF)", "Phase_Term 式として認識できないトークンです[IF]"},
        {"x = 1 ? 2", "Phase_Expr 式に間違いがあります[?]"},
    };
    for (const RefusalRow& r : rows) {
        SCOPED_TRACE(r.statement);
        EXPECT_FALSE(Compile(r.statement));
        EXPECT_EQ(OnlyError(), r.error);
        ASSERT_EQ(m_Program.errors.size(), 1u);
        EXPECT_EQ(U8(m_Program.errors[0].script), "S");
        EXPECT_EQ(m_Program.errors[0].line, kLine);
    }
    EXPECT_FALSE(m_Program.IsErrorStop());  // setting it is the caller's part
}

TEST_F(CompilerTest, FailureKeepsWhatWasAppended)
{
    EXPECT_FALSE(Compile("x = 1 + 2 +"));
    EXPECT_EQ(Listing(m_List), "PUSH_INT 1 PUSH_INT 2 +");

    // The compiler only appends: what the list held before stays in front.
    Load("y = 4");
    m_List.clear();
    GxMoaCompiler::AddOpcode(m_List, MOAOPC_NONE);
    GxMoaRunPos end;
    ASSERT_TRUE(GxMoaCompiler::Phase_Expr(m_Script, m_List, GxMoaRunPos(kLine, 0), end, 0));
    EXPECT_EQ(Listing(m_List), "NONE PUSH_INT 4 = OPC_ALTER_VAR \"y\"");
}

struct FlagRow
{
    const char* statement;
    uint32_t flags;
    const char* error;   // null: compiles
};

TEST_F(CompilerTest, RestrictionFlagsReachEveryLevel)
{
    const FlagRow rows[] = {
        {"a", MOACOMPILE_NO_VARIABLE, "Phase_Term この式に変数を使用することはできません[変数名 String:a]"},
        {"a[1]", MOACOMPILE_NO_VARIABLE, "Phase_Term この式に変数を使用することはできません[配列変数名 String:a]"},
        {"foo(1 + (2 * a))", MOACOMPILE_NO_VARIABLE, "Phase_Term この式に変数を使用することはできません[変数名 String:a]"},
        {"1 + foo()", MOACOMPILE_NO_BUILTIN, "Phase_Term この式に組み込み関数を使用することはできません[組み込み関数名 String:foo]"},
        {"a = 1", MOACOMPILE_NO_ALTER, "Phase_Term この式で変数の内容を変えることはできません[変数名 String:a]"},
        {"a++", MOACOMPILE_NO_ALTER, "Phase_Term この式で変数の内容を変えることはできません[変数名 String:a]"},
        {"ARRAY(a[0] += 1)", MOACOMPILE_NO_ALTER, "Phase_Term この式で変数の内容を変えることはできません[配列変数名 String:a]"},
        {"a + b[1] == foo()", MOACOMPILE_NO_ALTER, nullptr},
        {"1 + 2 * ARRAY(3)", MOACOMPILE_NO_VARIABLE | MOACOMPILE_NO_BUILTIN | MOACOMPILE_NO_ALTER, nullptr},
    };
    for (const FlagRow& r : rows) {
        SCOPED_TRACE(r.statement);
        const bool ok = Compile(r.statement, r.flags);
        if (!r.error) {
            EXPECT_TRUE(ok) << OnlyError();
            continue;
        }
        EXPECT_FALSE(ok);
        EXPECT_EQ(OnlyError(), r.error);
    }
}

TEST_F(CompilerTest, BreakpointTokenSetsTheFlagAndAppendsNothing)
{
    ASSERT_TRUE(Compile("BREAKPOINT"));
    EXPECT_TRUE(m_Program.IsBreakpoint());
    EXPECT_TRUE(m_List.empty());
    EXPECT_EQ(m_End.m_Pos, 1);
}

TEST_F(CompilerTest, DeepNestingIsRefusedNotOverflowed)
{
    const std::string deep = std::string(5000, '(') + "1" + std::string(5000, ')');
    EXPECT_FALSE(Compile(deep));
    EXPECT_EQ(OnlyError(), "Phase_Term 式の入れ子が深すぎます[(]");

    std::string minus;
    for (int i = 0; i < 5000; ++i) minus += "- ";
    EXPECT_FALSE(Compile(minus + "x"));
    EXPECT_EQ(OnlyError(), "Phase_Term 式の入れ子が深すぎます[単項-]");

    // Ordinary nesting is far below the limit.
    const std::string fine = std::string(60, '(') + "1" + std::string(60, ')');
    EXPECT_TRUE(Compile(fine)) << OnlyError();
    EXPECT_EQ(Listing(m_List), "PUSH_INT 1");
}

TEST_F(CompilerTest, RoutinesOfTheGameRunLoop)
{
    // An element list on its own: up to its ")" which stays for the caller.
    Load("1 , , x ) 9");
    GxMoaRunPos end;
    ASSERT_TRUE(GxMoaCompiler::Phase_Element(m_Script, m_List, GxMoaRunPos(kLine, 0), end, 0)) << OnlyError();
    EXPECT_EQ(Listing(m_List), "PUSH_INT 1 PUSH_NULL PUSH_VAR \"x\" ELEMENTNUM 3");
    EXPECT_EQ(end.m_Pos, 4);

    GxMoaRunPos after;
    EXPECT_TRUE(GxMoaCompiler::Phase_Skip(after, MOATOKEN_BRACKETCLOSE, m_Script, end));
    EXPECT_EQ(after.m_Pos, 5);
    EXPECT_TRUE(m_Program.errors.empty());
    EXPECT_FALSE(GxMoaCompiler::Phase_Skip(after, MOATOKEN_SEMICOLON, m_Script, end));
    EXPECT_EQ(OnlyError(), "Phase_Skip 次に来るべき記号 ; がありません[)]");

    // Start and out may be one object.
    m_Program.errors.clear();
    GxMoaRunPos p(kLine, 4);
    EXPECT_TRUE(GxMoaCompiler::Phase_Skip(p, MOATOKEN_BRACKETCLOSE, m_Script, p));
    EXPECT_EQ(p.m_Pos, 5);

    // Opcode numbers are stored sign-extended.
    GxMoaOpcodeList list;
    GxMoaCompiler::AddOpcode(list, -2);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].GetValueType(), GxMoaValueType::Opcode);
    EXPECT_EQ(list[0].GetIntFast(), -2);
}

TEST_F(CompilerTest, TermChecksAroundAnOperator)
{
    Load("+ 1 ) - x");
    // "+" first in the line: nothing on its left; the end token is named.
    EXPECT_FALSE(GxMoaCompiler::Phase_IsTermLeft(m_Script, GxMoaRunPos(kLine, 0)));
    EXPECT_EQ(OnlyError(), "Phase_IsTermLeft 左側に項が存在しないか不正な式です[スクリプト終端]");
    m_Program.errors.clear();
    EXPECT_TRUE(GxMoaCompiler::Phase_IsTermRight(m_Script, GxMoaRunPos(kLine, 0)));
    EXPECT_TRUE(GxMoaCompiler::Phase_IsTermBoth(m_Script, GxMoaRunPos(kLine, 3)));
    EXPECT_TRUE(m_Program.errors.empty());
    // Both checks fail at "+": only the right-hand one is reported.
    Load("+ )");
    EXPECT_FALSE(GxMoaCompiler::Phase_IsTermBoth(m_Script, GxMoaRunPos(kLine, 0)));
    EXPECT_EQ(OnlyError(), "Phase_IsTermRight 右側に項が存在しないか不正な式です[)]");
}

TEST_F(CompilerTest, SubscriptTermAfterAnArrayVariable)
{
    Load("a [ 1 + 2 ] 9");
    GxMoaRunPos end;
    ASSERT_TRUE(GxMoaCompiler::Phase_Term(m_Script, m_List, GxMoaRunPos(kLine, 1), end, 0)) << OnlyError();
    EXPECT_EQ(Listing(m_List), "PUSH_INT 1 PUSH_INT 2 + ARRAYINDEX");
    EXPECT_EQ(end.m_Pos, 6);
}

TEST_F(CompilerTest, AssignOpNeedsAnAssignmentOperator)
{
    Load("x + 1");
    GxMoaRunPos end;
    EXPECT_FALSE(GxMoaCompiler::Phase_AssignOp(end, m_Script, m_List, GxMoaRunPos(kLine, 1), 0));
    EXPECT_EQ(OnlyError(), "Phase_AssignOp 代入式が不正です[+]");
}

TEST_F(CompilerTest, EachLevelCompilesOnlyWhatItCovers)
{
    // The additive level stops at a comparison, which the expression level would take.
    Load("1 + 2 < 3");
    GxMoaRunPos end;
    ASSERT_TRUE(GxMoaCompiler::Phase_AddOp(end, m_Script, m_List, GxMoaRunPos(kLine, 0), 0));
    EXPECT_EQ(Listing(m_List), "PUSH_INT 1 PUSH_INT 2 +");
    EXPECT_EQ(end.m_Pos, 3);
    m_List.clear();
    ASSERT_TRUE(GxMoaCompiler::Phase_LogicalOp(end, m_Script, m_List, GxMoaRunPos(kLine, 0), 0));
    EXPECT_EQ(Listing(m_List), "PUSH_INT 1 PUSH_INT 2 + PUSH_INT 3 <");
}

TEST_F(CompilerTest, ErrorsOutsideAProgramGoToTheLog)
{
    moatest::LogCapture log;
    GxMoaOpcodeList list;
    GxMoaRunPos end;
    EXPECT_FALSE(GxMoaCompiler::Phase_Expr(nullptr, list, GxMoaRunPos(0, 0), end, 0));
    EXPECT_TRUE(log.Has("Phase_Expr"));

    // A script without an owner still reports its refusal.
    GxMoaScript orphan(nullptr);
    orphan.m_Lines.resize(1);
    orphan.m_Lines[0].m_Tokens.emplace_back(MOATOKEN_PREINC);
    EXPECT_FALSE(GxMoaCompiler::Phase_Expr(&orphan, list, GxMoaRunPos(0, 0), end, 0));
    EXPECT_TRUE(log.Has("Phase_Term 式として認識できないトークンです[++単項]"));
    GxMoaCompiler::Phase_ReportError(nullptr, u"msg", &orphan, end);
    EXPECT_TRUE(log.Has("msg[トークン無し]"));
}

}  // namespace
