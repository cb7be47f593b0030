// The compiled package: reading a hand-written golden package, round trips through the test
// builder, damaged files, label look-up, EXTERN variables, reports, and the builder's syntax.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>

#include "core/GxContentReader.h"
#include "core/GxLog.h"
#include "moa/GxMoa.h"
#include "moa/GxMoaEx.h"
#include "tests/moa/moa_stream_bytes.h"
#include "tests/moa/moa_value_test_util.h"
#include "tests/support/GxContentFixture.h"
#include "tests/support/GxMoaPackageBuilder.h"

using moabytes::Bytes;
using moatest::Describe;
using moatest::I;
using moatest::S;

namespace {

std::string WriteProgram(const GxMoa& program)
{
    return GxContentWriteToString(GxContentForm::Binary, [&](GxContentWriterBase& w) { EXPECT_TRUE(program.WriteProgram(w)); });
}

bool ReadProgram(GxMoa& program, const std::string& bytes)
{
    GxContentBinaryReader reader = moabytes::Reader(bytes);
    return program.ReadProgram(reader);
}

std::vector<int32_t> Types(const std::vector<GxMoaToken>& tokens)
{
    std::vector<int32_t> v;
    for (const GxMoaToken& t : tokens) v.push_back(t.GetType());
    return v;
}

std::vector<int32_t> LineTypes(const GxMoaScript& s, int32_t line) { return Types(s.m_Lines[static_cast<size_t>(line)].m_Tokens); }

// The golden package: one global label, two program variable definitions, one builtin, one
// script with a local label, a static and four lines.
std::string GoldenPackage()
{
    Bytes b;
    b.List(1).Str("MAIN").S32(1).S32(0).Str("S").S32(0).End();
    b.List(2);
    b.Str("flag").S32(-1).S32(5).IntValue(0).Str("S").S32(2);
    b.Str("ext").S32(3).S32(9).NullValue().Str("S").S32(3);
    b.End();
    b.List(1).Str("jump").S32(64).S32(-1).S32(1).End();
    b.List(1).Str("S");
    b.List(1).Str("@loop").S32(3).S32(0).Str("S").S32(0).End();
    b.List(1).Str("st").S32(-1).S32(3).IntValue(7).Str("S").S32(0).End();
    b.List(4);
    b.List(0).End();
    b.List(1).Bit32(4).U32(7).Str("MAIN").End();
    b.List(4);
    b.Bit32(5).U32(1).S64(64).Str("jump");
    b.Bit32(0).U32(40);
    b.Bit32(4).U32(5).Str("@loop");
    b.Bit32(0).U32(41);
    b.End();
    b.List(1).Bit32(4).U32(7).Str("@loop").End();
    b.End();
    b.End();
    return b.str();
}

}  // namespace

TEST(GxMoaPackage, GoldenPackageReadsAndWritesBack)
{
    const std::string golden = GoldenPackage();
    GxMoa program;
    ASSERT_TRUE(ReadProgram(program, golden));

    const GxMoaLabelDefinition* main = program.FindLabelDefine(u"MAIN");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->m_Pos.m_Line, 1);
    EXPECT_EQ(main->m_Pos.m_Pos, 0);
    EXPECT_EQ(main->m_Pos.m_ScriptName, u"S");
    EXPECT_EQ(main->m_Pos.m_pScriptEntity, nullptr);

    ASSERT_EQ(program.m_VariableDefine.size(), 2u);
    const GxMoaVariableDefinition* ext = program.FindVariableDefine(u"ext");
    ASSERT_NE(ext, nullptr);
    EXPECT_EQ(ext->m_ArraySize, 3);
    EXPECT_EQ(ext->m_Scope, MOASCOPE_EXTERN_INGAME);
    EXPECT_TRUE(ext->m_InitValue.IsNull());
    EXPECT_EQ(ext->m_Line, 3);
    EXPECT_EQ(Describe(program.FindVariableDefine(u"flag")->m_InitValue), "Int(0)");

    const GxMoaBuiltinDefinition* jump = program.FindBuiltinDefine(u"jump");
    ASSERT_NE(jump, nullptr);
    EXPECT_EQ(jump->m_BuiltinIndex, 64);
    EXPECT_EQ(jump->m_RelatedIndex, -1);
    EXPECT_EQ(jump->m_BuiltinType, 1);

    GxMoaScript* s = program.FindScript(u"S");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->GetOwner(), &program);
    ASSERT_EQ(s->GetLineCount(), 4);
    EXPECT_EQ(s->GetTokenCount(0), 0);
    EXPECT_EQ(LineTypes(*s, 2), (std::vector<int32_t>{1, 40, 5, 41}));
    EXPECT_EQ(s->GetToken(2, 0).GetInt(), 64);
    EXPECT_EQ(s->GetToken(2, 2).GetString(), u"@loop");
    EXPECT_EQ(s->FindLabelDefine(u"@loop")->m_Pos.m_Line, 3);
    EXPECT_EQ(program.FindLabelDefine(u"@loop"), nullptr);
    EXPECT_EQ(Describe(s->FindVariableDefine(u"st")->m_InitValue), "Int(7)");

    // Written back, the package is byte for byte the golden one.
    EXPECT_EQ(WriteProgram(program), golden);
}

TEST(GxMoaPackage, DuplicatesKeepTheFirst)
{
    Bytes b;
    b.List(2);
    b.Str("L").S32(1).S32(0).Str("A").S32(0);
    b.Str("L").S32(9).S32(0).Str("B").S32(0);
    b.End();
    b.List(0).End().List(0).End();
    b.List(2);
    for (int line = 1; line <= 2; ++line) {
        b.Str("S");
        b.List(0).End().List(0).End();
        b.List(static_cast<uint32_t>(line));
        for (int i = 0; i < line; ++i) b.List(0).End();
        b.End();
    }
    b.End();
    GxMoa program;
    ASSERT_TRUE(ReadProgram(program, b.str()));
    EXPECT_EQ(program.m_pLabelDefine.size(), 1u);
    EXPECT_EQ(program.FindLabelDefine(u"L")->m_Pos.m_Line, 1);
    EXPECT_EQ(program.FindLabelDefine(u"L")->m_Pos.m_ScriptName, u"A");
    EXPECT_EQ(program.m_pScriptDefine.size(), 1u);
    EXPECT_EQ(program.FindScript(u"S")->GetLineCount(), 1);

    // Adding keeps the first as well.
    GxMoaLabelDefinition l;
    l.m_Name = u"L";
    l.m_Pos.m_Line = 5;
    EXPECT_FALSE(program.AddLabelDefine(l));
    EXPECT_EQ(program.FindLabelDefine(u"L")->m_Pos.m_Line, 1);
}

TEST(GxMoaPackage, DamagedFilesGiveFalse)
{
    GxContentLogCapture quiet;
    const std::string golden = GoldenPackage();
    GxMoa program;
    // Every cut of the golden package fails, and none reads past its end.
    for (size_t n = 0; n < golden.size(); ++n)
        EXPECT_FALSE(ReadProgram(program, golden.substr(0, n))) << "cut at " << n;

    const struct { const char* name; std::string bytes; } rows[] = {
        {"first value is no list", Bytes().S32(0).str()},
        {"label count beyond the data", Bytes().List(0xFFFFFFFF).Str("L").str()},
        {"line count beyond the data",
         Bytes().List(0).End().List(0).End().List(0).End().List(1).Str("S").List(0).End().List(0).End().List(70000).str()},
        {"token list with a wrong value type", Bytes().List(0).End().List(0).End().List(0).End().List(1).Str("S").List(0).End().List(0).End()
                                                   .List(1).List(3).Bit32(0).U32(17).S32(0).str()},
        {"builtin with a string for its index", Bytes().List(0).End().List(0).End().List(1).Str("f").Str("1").S32(-1).S32(1).End().List(0).End().str()},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_FALSE(ReadProgram(program, r.bytes));
    }

    // What was read before the damage stays in memory.
    std::string cut = golden.substr(0, golden.find("jump"));
    EXPECT_FALSE(ReadProgram(program, cut));
    EXPECT_NE(program.FindLabelDefine(u"MAIN"), nullptr);
    EXPECT_EQ(program.m_VariableDefine.size(), 2u);
    EXPECT_TRUE(program.m_BuiltinDefine.empty());
}

TEST(GxMoaPackage, BuilderWriteReadWriteIsStable)
{
    GxMoaPackageBuilder b;
    b.AddBuiltin(u"wa.click", 310, 7, 2);
    ASSERT_TRUE(b.AddScript(u"MAIN", R"(
*MAIN
GLOBAL PERMAN cleared = 0
EXTERN NOSAVE names[3]
STATIC count = -5
IF (cleared == 0) {
    > Hello.
    wa.click()
} ELSE IF (cleared == 1) {
    jump("@again")
} ELSE {
    x = ARRAY(1, 2.5, "three", NULL) : 0x10
}
*@again
ルコ「こんにちは」
)")) << b.GetErrors();
    ASSERT_TRUE(b.AddScript(u"SUB", "*SUB\nreturn(1)\n")) << b.GetErrors();

    const std::string first = b.WritePackage();
    GxMoa program;
    ASSERT_TRUE(b.LoadInto(program));
    EXPECT_EQ(WriteProgram(program), first);
    GxMoa again;
    ASSERT_TRUE(ReadProgram(again, WriteProgram(program)));
    EXPECT_EQ(WriteProgram(again), first);

    // The file form holds the same bytes.
    const std::string path = ::testing::TempDir() + "moa_package_test/bincode/moacode.mwb";
    ASSERT_TRUE(b.WriteFile(path));
    std::ifstream in(path, std::ios::binary);
    std::stringstream file;
    file << in.rdbuf();
    EXPECT_EQ(file.str(), first);

    const GxMoaBuiltinDefinition* click = program.FindBuiltinDefine(u"wa.click");
    ASSERT_NE(click, nullptr);
    EXPECT_EQ(click->m_RelatedIndex, 7);
    EXPECT_EQ(click->m_BuiltinType, 2);
    EXPECT_NE(program.FindLabelDefine(u"SUB"), nullptr);
}

TEST(GxMoaPackage, LabelLookupTable)
{
    GxMoa program;
    auto label = [](const char16_t* name, int32_t line) {
        GxMoaLabelDefinition l;
        l.m_Name = name;
        l.m_Pos.m_Line = line;
        return l;
    };
    program.AddLabelDefine(label(u"MAIN", 1));
    program.AddLabelDefine(label(u"@g", 2));  // a global of an "@" name is never found
    auto s = std::make_unique<GxMoaScript>(&program);
    s->m_ScriptName = u"S";
    s->AddLabelDefine(label(u"@loop", 3));
    s->AddLabelDefine(label(u"X", 4));       // a local without "@" is never found
    s->AddLabelDefine(label(u"@g", 5));
    auto t = std::make_unique<GxMoaScript>(&program);
    t->m_ScriptName = u"T";
    GxMoaScript* sp = s.get();
    GxMoaScript* tp = t.get();
    ASSERT_TRUE(program.AddScript(std::move(s)));
    ASSERT_TRUE(program.AddScript(std::move(t)));
    auto dup = std::make_unique<GxMoaScript>(&program);
    dup->m_ScriptName = u"T";
    EXPECT_FALSE(program.AddScript(std::move(dup)));

    GxMoaScriptEntity entityS(&program, nullptr, nullptr, sp);
    GxMoaScriptEntity noScript(&program, nullptr, nullptr, nullptr);
    const struct { const char16_t* name; const GxMoaScript* script; const GxMoaScriptEntity* entity; int32_t line; } rows[] = {
        {u"MAIN", sp, &entityS, 1},
        {u"MAIN", nullptr, nullptr, 1},
        {u"@loop", sp, &entityS, 3},
        {u"@loop", tp, &noScript, -1},
        {u"@loop", nullptr, nullptr, -1},
        {u"@g", nullptr, nullptr, -1},
        {u"@g", sp, &entityS, 5},
        {u"X", sp, &entityS, -1},
        {u"", sp, &entityS, -1},
        {u"main", sp, &entityS, -1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(GxWideToUtf8(r.name));
        const GxMoaLabelDefinition* a = program.FindLabelInScript(r.name, r.script);
        const GxMoaLabelDefinition* b = program.FindLabelInEntity(r.name, r.entity);
        EXPECT_EQ(a ? a->m_Pos.m_Line : -1, r.line);
        EXPECT_EQ(b ? b->m_Pos.m_Line : -1, r.line);
    }
    EXPECT_TRUE(program.IsLabelInScript(u"@loop", u"S"));
    EXPECT_FALSE(program.IsLabelInScript(u"@loop", u"T"));
    EXPECT_FALSE(program.IsLabelInScript(u"@loop", u"none"));
    EXPECT_TRUE(program.IsLabelInScript(u"MAIN", u"none"));
}

TEST(GxMoaPackage, DefinitionsAndNamedValues)
{
    GxMoa program;
    GxMoaVariableDefinition d;
    EXPECT_EQ(d.m_ArraySize, -1);
    EXPECT_EQ(d.m_Scope, 0);
    d.m_Name = u"v";
    d.m_Line = 1;
    EXPECT_TRUE(program.AddVariableDefine(d));
    d.m_Line = 2;
    EXPECT_FALSE(program.AddVariableDefine(d));
    program.m_VariableDefine.push_back(d);  // a package may hold the name twice
    EXPECT_EQ(program.FindVariableDefine(u"v")->m_Line, 1);

    GxMoaBuiltinDefinition b;
    EXPECT_EQ(b.m_BuiltinIndex, -1);
    EXPECT_EQ(b.m_BuiltinType, 1);
    b.m_Name = u"f";
    EXPECT_TRUE(program.AddBuiltinDefine(b));
    EXPECT_FALSE(program.AddBuiltinDefine(b));

    EXPECT_TRUE(program.AddNamedValue(u"n", I(1)));
    EXPECT_FALSE(program.AddNamedValue(u"n", I(2)));
    EXPECT_EQ(Describe(*program.FindNamedValue(u"n")), "Int(1)");
    EXPECT_EQ(program.FindNamedValue(u"m"), nullptr);

    // Named values are never stored; ClearAll empties everything.
    GxMoa back;
    ASSERT_TRUE(ReadProgram(back, WriteProgram(program)));
    EXPECT_EQ(back.FindNamedValue(u"n"), nullptr);
    EXPECT_EQ(back.m_VariableDefine.size(), 2u);
    program.ClearAll();
    EXPECT_EQ(program.FindNamedValue(u"n"), nullptr);
    EXPECT_TRUE(program.m_VariableDefine.empty());
    EXPECT_TRUE(program.m_BuiltinDefine.empty());
}

TEST(GxMoaPackage, DefinitionsReadDefaultsForMissingValues)
{
    GxContentLogCapture quiet;
    // A script position without "m_Pos" keeps pos -1.
    {
        const std::string bytes = Bytes().S32(4).Str("S").str();
        GxContentBinaryReader reader = moabytes::Reader(bytes);
        GxMoaScriptPos p(9, 9, u"old");
        EXPECT_FALSE(p.Read(reader));
        EXPECT_EQ(p.m_Line, 4);
        EXPECT_EQ(p.m_Pos, -1);
    }
    // A builtin whose numbers are missing: index and related index keep -1, the type reads 0.
    {
        const std::string bytes = Bytes().Str("f").str();
        GxContentBinaryReader reader = moabytes::Reader(bytes);
        GxMoaBuiltinDefinition b;
        EXPECT_FALSE(b.Read(reader));
        EXPECT_EQ(b.m_Name, u"f");
        EXPECT_EQ(b.m_BuiltinIndex, -1);
        EXPECT_EQ(b.m_RelatedIndex, -1);
        EXPECT_EQ(b.m_BuiltinType, 0);
    }
}

TEST(GxMoaPackage, ExternVariablesBySaveClass)
{
    GxMoaPackageBuilder b;
    ASSERT_TRUE(b.AddScript(u"MAIN", R"(GLOBAL PERMAN g = 5
EXTERN PERMAN e8 = 1
EXTERN e9[2]
EXTERN NOSAVE e10 = "n"
)")) << b.GetErrors();
    GxMoa program;
    ASSERT_TRUE(b.LoadInto(program));
    GxMoaVariableTable& t = program.GetVariableTable();
    EXPECT_EQ(t.GetKind(), MOATABLE_EXTERN);
    program.InitExternVariables();
    ASSERT_EQ(t.GetCount(), 3);
    EXPECT_EQ(t.GetAt(0)->m_Name, u"e8");
    EXPECT_EQ(Describe(t.FindVariable(u"e9")->m_Value), "[Null,Null]");
    EXPECT_EQ(t.FindVariable(u"g"), nullptr);

    auto setAll = [&] {
        t.FindVariable(u"e8")->m_Value = I(80);
        t.FindVariable(u"e9")->m_Value = I(90);
        t.FindVariable(u"e10")->m_Value = I(100);
    };
    auto values = [&] {
        return Describe(t.FindVariable(u"e8")->m_Value) + " " + Describe(t.FindVariable(u"e9")->m_Value) + " " +
               Describe(t.FindVariable(u"e10")->m_Value);
    };
    setAll();
    program.ResetVariables(2);
    EXPECT_EQ(values(), "Int(1) Int(90) Int(100)");
    setAll();
    EXPECT_TRUE(program.ResetInGameVariables());
    EXPECT_EQ(values(), "Int(80) [Null,Null] Str(n)");

    // Only scopes 8 to 10 are the instance's to reset; a name without a definition becomes Null.
    GxMoaVariableDefinition g6;
    g6.m_Name = u"g6";
    g6.m_Scope = MOASCOPE_GLOBAL_INGAME;
    t.CreateVariableFromDefinition(g6);
    t.FindVariable(u"g6")->m_Value = I(6);
    const GxMoaVariable loose = I(3);
    t.SetVariable(u"loose", &loose);
    program.ResetVariables(0);
    EXPECT_EQ(Describe(t.FindVariable(u"g6")->m_Value), "Int(6)");
    EXPECT_EQ(Describe(t.FindVariable(u"loose")->m_Value), "Null");

    // A saved game: the in-game class is written, and reloading resets that class, reads the
    // stream, and recreates what the stream lacks from the definitions.
    setAll();
    const std::string saved =
        GxContentWriteToString(GxContentForm::Binary, [&](GxContentWriterBase& w) { EXPECT_TRUE(program.WriteVariables(w, 3)); });
    setAll();
    t.FindVariable(u"e9")->m_Value = I(-1);
    {
        GxContentBinaryReader reader = moabytes::Reader(saved);
        ASSERT_TRUE(program.ReloadVariables(reader, 3));
    }
    EXPECT_EQ(values(), "Int(80) Int(90) Int(100)");
    program.InitExternVariables();
    t.Clear();
    {
        GxContentBinaryReader reader = moabytes::Reader(saved);
        ASSERT_TRUE(program.ReloadVariables(reader, 3));
    }
    EXPECT_EQ(values(), "Int(1) Int(90) Str(n)");
    // The permanent data: only class 2 is written and read.
    const std::string perm =
        GxContentWriteToString(GxContentForm::Binary, [&](GxContentWriterBase& w) { EXPECT_TRUE(program.WriteVariables(w, 2)); });
    t.FindVariable(u"e8")->m_Value = I(0);
    GxContentBinaryReader reader = moabytes::Reader(perm);
    ASSERT_TRUE(program.ReadVariables(reader, 2));
    EXPECT_EQ(Describe(t.FindVariable(u"e8")->m_Value), "Int(1)");
}

// ---------------------------------------------------------------- reports

namespace {

class ReportCapture : public GxDebugListenerBase
{
public:
    ReportCapture() : m_Previous(GxGetDebugListener())
    {
        m_ErrorPath = GxGetLogPath(GxLogFile::Error);
        m_DebugPath = GxGetLogPath(GxLogFile::Debug);
        m_File = ::testing::TempDir() + "moa_report_error.log";
        std::filesystem::remove(m_File);
        GxSetErrorLogPath(GxUtf8ToWide(m_File));
        GxSetDebugLogPath(u"/dev/null");
        GxSetDebugListener(this);
    }
    ~ReportCapture() override
    {
        GxSetDebugListener(m_Previous);
        GxSetErrorLogPath(m_ErrorPath);
        GxSetDebugLogPath(m_DebugPath);
    }
    void OnDebugOutput(const std::u16string& text, int level) override { lines.push_back({level, text}); }
    std::u16string ErrorFile() const
    {
        std::ifstream in(m_File, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::u16string text;
        for (size_t i = 0; i + 1 < bytes.size(); i += 2)
            text.push_back(static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8)));
        return text;
    }
    std::vector<std::pair<int, std::u16string>> lines;

private:
    GxDebugListenerBase* m_Previous;
    std::u16string m_ErrorPath, m_DebugPath;
    std::string m_File;
};

}  // namespace

TEST(GxMoaReports, BaseCountsAndTheGameInstanceLogs)
{
    GxMoa base;
    base.OutputError(u"S", 1, u"%s", u"x");
    base.OutputWarning(u"S", 1, u"w");
    base.OutputTrace(u"t");
    base.SetErrorStop();
    base.SetBreakpoint();
    EXPECT_EQ(base.GetErrorCount(), 1u);
    EXPECT_EQ(base.GetWarningCount(), 1u);
    base.ResetRunState();
    EXPECT_EQ(base.GetErrorCount(), 0u);
    EXPECT_EQ(base.GetWarningCount(), 0u);
    EXPECT_FALSE(base.IsErrorStop());
    EXPECT_FALSE(base.IsBreakpoint());

    ReportCapture capture;
    const bool skip = GxGetSkipSlightError();
    GxSetSkipSlightError(false);
    GxMoaEx game;
    GxMoa& program = game;
    program.OutputError(u"MAIN", 3, u"%s[pc=%d]", u"条件式が評価できません", 7);
    program.OutputWarning(u"MAIN", 0, u"不明な単語を発見。スキップされます[%s]", u"zz");
    program.OutputTrace(u"100% text");               // a text line: printed as it stands
    program.OutputTrace(u"%d%%", 5);                 // a format with arguments
    program.OutputError(u"S", 0, u"%s", std::u16string(3000, u'a'));
    GxSetSkipSlightError(skip);

    EXPECT_EQ(game.GetErrorCount(), 3u) << "the game counts a warning with the errors";
    EXPECT_EQ(game.GetWarningCount(), 0u);
    ASSERT_EQ(capture.lines.size(), 5u);
    EXPECT_EQ(capture.lines[0].first, 1);
    EXPECT_EQ(capture.lines[0].second, u"err:[Script=\"MAIN\"/line=4] 条件式が評価できません[pc=7]\n");
    EXPECT_EQ(capture.lines[1].first, 0);
    EXPECT_EQ(capture.lines[1].second, u"warn:[Script=\"MAIN\"/line=1] 不明な単語を発見。スキップされます[zz]\n");
    EXPECT_EQ(capture.lines[2].first, 2);
    EXPECT_EQ(capture.lines[2].second, u"100% text\n");
    EXPECT_EQ(capture.lines[3].second, u"5%\n");
    // The file holds every line; a message is cut to its limit before the prefix is added.
    const std::u16string file = capture.ErrorFile();
    EXPECT_NE(file.find(u"err:[Script=\"MAIN\"/line=4] 条件式が評価できません[pc=7]\r\n"), std::u16string::npos);
    EXPECT_NE(file.find(u"warn:[Script=\"MAIN\"/line=1] "), std::u16string::npos);
    const std::u16string longLine = u"err:[Script=\"S\"/line=1] " + std::u16string(GxMoaEx::kMessageLimit, u'a') + u"\r\n";
    EXPECT_NE(file.find(longLine), std::u16string::npos);
}

// ---------------------------------------------------------------- the test builder

namespace {

// Follows the run loop's IF chain from the IF at p, as the worker does, with condition
// evaluation replaced by truth (keyed by the condition's first position); returns where the
// next statement starts. After a body has run, finish() follows its closing "}".
struct IfWalker
{
    const GxMoaScript& s;
    std::set<int32_t> trueLines;

    // Evaluation leaves the position on the ")" that closes the condition.
    bool Eval(GxMoaRunPos& n) const
    {
        const bool value = trueLines.count(n.m_Line) > 0;
        int depth = 0;
        for (;;) {
            const int32_t t = s.GetTokenAt(n).GetType();
            if (t == MOATOKEN_BRACKETOPEN) ++depth;
            if (t == MOATOKEN_BRACKETCLOSE && depth-- == 0) break;
            if (!s.NextTokenInLine(n)) break;
        }
        return value;
    }

    GxMoaRunPos Enter(GxMoaRunPos p) const
    {
        GxMoaRunPos n = s.GetTokenAt(p).GetBranchPos(1);
        bool r = Eval(n);
        s.NextToken(n);
        s.SkipToBlockStart(n, n.m_Line, n.m_Pos);
        if (r) {
            s.NextToken(n);
            return n;
        }
        n = s.GetTokenAt(n).GetBranchPos(0);
        s.NextToken(n);
        p = n;
        while (s.GetTokenAt(p).GetType() == MOATOKEN_ELSE) {
            const GxMoaToken& e = s.GetTokenAt(p);
            if (e.GetBranchLine(1) == -1) {
                s.SkipToBlockStart(n, p.m_Line, p.m_Pos);
                s.NextToken(n);
                return n;
            }
            n = e.GetBranchPos(1);
            r = Eval(n);
            s.NextToken(n);
            s.SkipToBlockStart(n, n.m_Line, n.m_Pos);
            if (r) {
                s.NextToken(n);
                return n;
            }
            n = s.GetTokenAt(n).GetBranchPos(0);
            s.NextToken(n);
            p = n;
        }
        return p;
    }

    // At a "}" of value 3 or 4: pass over the following ELSE parts.
    GxMoaRunPos Finish(GxMoaRunPos p) const
    {
        EXPECT_EQ(s.GetTokenAt(p).GetType(), MOATOKEN_BLOCKEND);
        const int64_t type = s.GetTokenAt(p).GetInt();
        EXPECT_TRUE(type == 3 || type == 4) << type;
        GxMoaRunPos q = p;
        s.NextToken(q);
        while (s.GetTokenAt(q).GetType() == MOATOKEN_ELSE) {
            GxMoaRunPos b;
            s.SkipToBlockStart(b, q.m_Line, q.m_Pos);
            q = s.GetTokenAt(b).GetBranchPos(0);
            s.NextToken(q);
        }
        return q;
    }
};

}  // namespace

TEST(GxMoaPackageBuilder, IfElseChainPositions)
{
    GxMoaPackageBuilder b;
    ASSERT_TRUE(b.AddScript(u"MAIN", R"(
IF (x == 1) {
    > one
} ELSE IF ((x) == 2) {
    > two
} ELSE
{
    > three
}
> after
)")) << b.GetErrors();
    const GxMoaScript& s = *b.FindScript(u"MAIN");
    ASSERT_EQ(s.GetLineCount(), 11);
    EXPECT_EQ(LineTypes(s, 1), (std::vector<int32_t>{27, 40, 9, 42, 3, 41, 36}));
    EXPECT_EQ(LineTypes(s, 3), (std::vector<int32_t>{37, 28, 40, 40, 9, 41, 42, 3, 41, 36}));
    EXPECT_EQ(LineTypes(s, 5), (std::vector<int32_t>{37, 28}));
    const GxMoaToken& ifTok = s.GetToken(1, 0);
    EXPECT_EQ(ifTok.GetBranchPos(1).m_Line, 1);
    EXPECT_EQ(ifTok.GetBranchPos(1).m_Pos, 2);
    EXPECT_EQ(s.GetToken(1, 6).GetBranchPos(0).m_Line, 3);
    EXPECT_EQ(s.GetToken(1, 6).GetBranchPos(0).m_Pos, 0);
    EXPECT_EQ(s.GetToken(3, 0).GetInt(), 3);
    EXPECT_EQ(s.GetToken(3, 1).GetBranchPos(1).m_Pos, 3);
    EXPECT_EQ(s.GetToken(5, 0).GetInt(), 4);
    EXPECT_EQ(s.GetToken(5, 1).GetBranchLine(1), -1);
    EXPECT_EQ(s.GetToken(6, 0).GetBranchPos(0).m_Line, 8);
    EXPECT_EQ(s.GetToken(8, 0).GetInt(), 4);

    // The run loop's walk reaches exactly one body, and each body's end passes the rest.
    const struct { std::set<int32_t> trueLines; int32_t bodyLine; } rows[] = {
        {{1}, 2}, {{1, 3}, 2}, {{3}, 4}, {{}, 7},
    };
    for (const auto& r : rows) {
        IfWalker w{s, r.trueLines};
        GxMoaRunPos body = w.Enter(GxMoaRunPos(1, 0));
        EXPECT_EQ(body.m_Line, r.bodyLine);
        EXPECT_EQ(body.m_Pos, 0);
        EXPECT_EQ(s.GetTokenAt(body).GetType(), MOATOKEN_TEXT);
        GxMoaRunPos end(r.bodyLine + 1, 0);
        GxMoaRunPos after = w.Finish(end);
        EXPECT_EQ(after.m_Line, 9);
        EXPECT_EQ(s.GetTokenAt(after).GetString(), u"after");
    }

    // An IF without ELSE: a false condition continues after the body.
    GxMoaPackageBuilder c;
    ASSERT_TRUE(c.AddScript(u"M", "IF (a) {\n{\n}\n}\n> next\n")) << c.GetErrors();
    const GxMoaScript& m = *c.FindScript(u"M");
    EXPECT_EQ(m.GetToken(2, 0).GetInt(), 0);  // a plain block
    EXPECT_EQ(m.GetToken(3, 0).GetInt(), 3);
    IfWalker w{m, {}};
    EXPECT_EQ(w.Enter(GxMoaRunPos(0, 0)).m_Line, 4);
}

TEST(GxMoaPackageBuilder, LexTable)
{
    GxMoaPackageBuilder b;
    b.AddBuiltin(u"foo", 301);
    const struct { const char16_t* line; std::vector<int32_t> types; } rows[] = {
        {u"x = a + b * 2", {9, 69, 9, 48, 9, 51, 3}},
        {u"x = -1 - -2", {9, 69, 55, 3, 50, 55, 3}},
        {u"x=+y", {9, 69, 54, 9}},
        {u"i++", {9, 67}},
        {u"++i", {65, 9}},
        {u"a[i]--", {10, 38, 9, 39, 68}},
        {u"a[2] = 5", {10, 38, 3, 39, 69, 3}},
        {u"foo(1, s)", {1, 40, 3, 35, 9, 41}},
        {u"foo - 1", {1, 50, 3}},
        {u"ruko(1)", {2, 40, 3, 41}},
        {u"ruko.color ( 1 )", {2, 40, 3, 41}},
        {u"x := 1.5 : \"s\"", {9, 71, 4, 49, 5}},
        {u"x = ARRAY(NULL,)", {9, 69, 13, 40, 6, 35, 41}},
        {u"y = 0x10 << 2 >= 3 && !z || ~w", {9, 69, 3, 60, 3, 45, 3, 63, 62, 9, 64, 59, 9}},
        {u"a += 1; b ? c", {9, 70, 3, 34, 9, 79, 9}},
        {u"x = y // the rest is a comment", {9, 69, 9}},
        {u"x != y == z > w < v <= u >> t", {9, 43, 9, 42, 9, 44, 9, 46, 9, 47, 9, 61, 9}},
        {u"x %= 1 & 2 | 3 ^ 4", {9, 75, 3, 56, 3, 57, 3, 58, 3}},
        {u"x -= 1 *= 2 /= 3 &= 4 |= 5 ^= 6", {9, 72, 3, 73, 3, 74, 3, 76, 3, 77, 3, 78, 3}},
        {u"BREAKPOINT", {15}},
        {u"WHILE FOR DO CONTINUE BREAK DEFINE BUILTIN", {29, 30, 31, 32, 33, 18, 19}},
        {u"名前 = 1", {9, 69, 3}},
        {u"", {}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(GxWideToUtf8(r.line));
        std::vector<GxMoaToken> tokens;
        ASSERT_TRUE(b.LexLine(r.line, tokens)) << b.GetErrors();
        EXPECT_EQ(Types(tokens), r.types);
    }
    std::vector<GxMoaToken> t;
    ASSERT_TRUE(b.LexLine(u"foo(1.5e1, \"a\\\"b\\n\", 0xFFFFFFFFFFFFFFFF, ruko.color)", t));
    EXPECT_EQ(t[0].GetInt(), 301);
    EXPECT_EQ(t[0].GetString(), u"foo");
    EXPECT_EQ(t[2].GetFloat(), 15.0);
    EXPECT_EQ(t[4].GetString(), u"a\"b\n");
    EXPECT_EQ(t[6].GetInt(), -1);
    EXPECT_EQ(t[8].GetType(), MOATOKEN_UNKNOWN);
    EXPECT_EQ(t[8].GetString(), u"ruko.color");
}

TEST(GxMoaPackageBuilder, LinesLabelsTextAndDeclarations)
{
    GxMoaPackageBuilder b;
    ASSERT_TRUE(b.AddScript(u"MAIN", u"*MAIN\n  *@local  \n>  spaced\nルコ「こんにちは」  \n// comment\n\n"
                                      u"STATIC NOSAVE s[2] = \"t\"\nGLOBAL f = -1.5\nEXTERN PERMAN e = NULL\nGLOBAL big = -0x8000000000000000\n"))
        << b.GetErrors();
    const GxMoaScript& s = *b.FindScript(u"MAIN");
    ASSERT_EQ(s.GetLineCount(), 11);
    EXPECT_EQ(s.GetToken(0, 0).GetType(), MOATOKEN_LABEL);
    EXPECT_EQ(s.GetToken(0, 0).GetString(), u"MAIN");
    EXPECT_EQ(s.GetToken(1, 0).GetString(), u"@local");
    EXPECT_EQ(s.GetToken(2, 0).GetString(), u" spaced");
    EXPECT_EQ(s.GetToken(3, 0).GetType(), MOATOKEN_TEXT);
    EXPECT_EQ(s.GetToken(3, 0).GetString(), u"ルコ「こんにちは」");
    EXPECT_EQ(s.GetTokenCount(4), 0);
    EXPECT_EQ(s.GetTokenCount(10), 0);
    EXPECT_EQ(LineTypes(s, 6), (std::vector<int32_t>{21, 24, 10, 38, 3, 39, 69, 5}));

    const GxMoa& p = b.GetProgram();
    const GxMoaLabelDefinition* main = p.FindLabelDefine(u"MAIN");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->m_Pos.m_Line, 0);
    EXPECT_EQ(main->m_Pos.m_Pos, 0);
    EXPECT_EQ(main->m_Pos.m_ScriptName, u"MAIN");
    EXPECT_EQ(p.FindLabelDefine(u"@local"), nullptr);
    EXPECT_EQ(s.FindLabelDefine(u"@local")->m_Pos.m_Line, 1);

    const GxMoaVariableDefinition* st = s.FindVariableDefine(u"s");
    ASSERT_NE(st, nullptr);
    EXPECT_EQ(st->m_Scope, MOASCOPE_STATIC_NOSAVE);
    EXPECT_EQ(st->m_ArraySize, 2);
    EXPECT_EQ(Describe(st->m_InitValue), "Str(t)");
    EXPECT_EQ(st->m_Line, 6);
    EXPECT_EQ(st->m_ScriptName, u"MAIN");
    EXPECT_EQ(p.FindVariableDefine(u"s"), nullptr);
    EXPECT_EQ(p.FindVariableDefine(u"f")->m_Scope, MOASCOPE_GLOBAL_INGAME);
    EXPECT_EQ(Describe(p.FindVariableDefine(u"f")->m_InitValue), Describe(moatest::F(-1.5)));
    EXPECT_EQ(p.FindVariableDefine(u"e")->m_Scope, MOASCOPE_EXTERN_PERMAN);
    EXPECT_TRUE(p.FindVariableDefine(u"e")->m_InitValue.IsNull());
    EXPECT_EQ(p.FindVariableDefine(u"big")->m_InitValue.GetInt64(), INT64_MIN);
}

TEST(GxMoaPackageBuilder, ErrorsNameTheLineAndAddNothing)
{
    const struct { const char* source; int line; const char* message; } rows[] = {
        {"\nIF x == 1 {\n}", 1, "IF needs a bracketed condition"},
        {"IF (x == 1)\n", 0, "must be followed by \"{\""},
        {"IF (x == 1) y {\n}", 0, "must be followed by \"{\""},
        {"IF (x == 1 {\n}", 0, "has no \")\""},
        {"IF () {\n}", 0, "empty condition"},
        {"ELSE x", 0, "must be followed by \"{\""},
        {"x = 1\n}", 1, "\"}\" without \"{\""},
        {"{\n\n", 0, "never closed"},
        {"x = \"abc", 0, "unterminated string"},
        {"x = \"a\\q\"", 0, "unknown escape"},
        {"x = 12abc", 0, "runs into a name"},
        {"x = 99999999999999999999", 0, "out of range"},
        {"x = #", 0, "unexpected character '#'"},
        {"*", 0, "a label needs one name"},
        {"*a b", 0, "a label needs one name"},
        {"*L\n*L", 1, "global label L is declared twice"},
        {"*@l\n*@l", 1, "local label @l is declared twice"},
        {"*TAKEN", 0, "global label TAKEN is declared twice"},
        {"GLOBAL x = y", 0, "must be a literal"},
        {"GLOBAL", 0, "needs a variable name"},
        {"GLOBAL x[n]", 0, "[size]"},
        {"GLOBAL x = 1 2", 0, "unexpected tokens"},
        {"GLOBAL x + 1", 0, "= literal"},
        {"GLOBAL taken", 0, "variable taken is declared twice"},
        {"STATIC s\nSTATIC s", 1, "static s is declared twice"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.source);
        GxMoaPackageBuilder b;
        ASSERT_TRUE(b.AddScript(u"OTHER", "*TAKEN\nGLOBAL taken\n"));
        EXPECT_FALSE(b.AddScript(u"BAD", std::string_view(r.source)));
        const std::string expected = "BAD:" + std::to_string(r.line) + ": ";
        EXPECT_NE(b.GetErrors().find(expected), std::string::npos) << b.GetErrors();
        EXPECT_NE(b.GetErrors().find(r.message), std::string::npos) << b.GetErrors();
        EXPECT_EQ(b.FindScript(u"BAD"), nullptr);
        EXPECT_EQ(b.GetProgram().m_pLabelDefine.size(), 1u);
        EXPECT_EQ(b.GetProgram().m_VariableDefine.size(), 1u);
    }
    GxMoaPackageBuilder b;
    ASSERT_TRUE(b.AddScript(u"A", ""));
    EXPECT_FALSE(b.AddScript(u"A", "x = 1"));
    EXPECT_NE(b.GetErrors().find("exists already"), std::string::npos);
    GxMoaPackageBuilder none(false);
    std::vector<GxMoaToken> t;
    ASSERT_TRUE(none.LexLine(u"jump(1)", t));
    EXPECT_EQ(t[0].GetType(), MOATOKEN_UNKNOWN);
    EXPECT_TRUE(none.GetProgram().m_BuiltinDefine.empty());
}
