// Name tables, token descriptions and variable dumps.
#include <gtest/gtest.h>

#include <set>

#include "core/GxContentReader.h"
#include "core/GxString.h"
#include "moa/GxMoaNames.h"
#include "moa/GxMoaToken.h"
#include "tests/moa/moa_value_test_util.h"
#include "tests/support/GxContentFixture.h"

using namespace moatest;

namespace {

std::string U8(std::u16string_view s) { return GxWideToUtf8(s); }

// A value of the given type code with a text, as only a stream can make it (RefVar, unknown).
GxMoaVariable FromStream(uint32_t code, const char16_t* text)
{
    const std::string bytes = GxContentWriteToString(GxContentForm::Binary, [&](GxContentWriterBase& w) {
        w.WriteGxU32Alt("m_ValueType", code);
        if (text) w.WriteGxStringStdW("m_Str", text);
    });
    GxBinBuffer buffer;
    GxContentFillBuffer(buffer, bytes);
    GxContentBinaryReader r(buffer);
    GxMoaVariable v;
    EXPECT_TRUE(v.Read(r));
    EXPECT_EQ(v.GetValueTypeCode(), static_cast<int32_t>(code));
    return v;
}

GxMoaToken Tok(int32_t type, int64_t value = 0, const char16_t* text = nullptr)
{
    GxMoaToken t(type, value);
    if (text) t.SetString(text);
    return t;
}

}  // namespace

TEST(GxMoaNames, ValueTypeNamesAndUnknownCodes)
{
    const struct { int32_t code; const char16_t* name; } rows[] = {
        {7, u"Int"},    {10, u"Float"},    {25, u"Str"},     {39, u"Array"},    {250, u"RefVar"},
        {253, u"Opcode"}, {254, u"Null"},  {0, u"Unknown"},  {251, u"Unknown"}, {252, u"Unknown"},
        {255, u"Unknown"}, {-7, u"Unknown"},
    };
    for (const auto& r : rows) EXPECT_EQ(GxMoaGetValueTypeName(r.code), r.name) << r.code;
}

TEST(GxMoaNames, ScopeNamesAndUnknownCodes)
{
    const char16_t* names[] = {u"NONE",          u"LOCAL",         u"STATIC_PERMAN", u"STATIC_INGAME",
                               u"STATIC_NOSAVE", u"GLOBAL_PERMAN", u"GLOBAL_INGAME", u"GLOBAL_NOSAVE",
                               u"EXTERN_PERMAN", u"EXTERN_INGAME", u"EXTERN_NOSAVE"};
    for (int32_t i = 0; i < 11; ++i) EXPECT_EQ(GxMoaGetScopeName(i), names[i]) << i;
    EXPECT_EQ(GxMoaGetScopeName(11), u"ERROR");
    EXPECT_EQ(GxMoaGetScopeName(-1), u"ERROR");
}

TEST(GxMoaNames, TokenTypeNames)
{
    const struct { int32_t code; const char16_t* name; } rows[] = {
        {0, u"未定義"},       {1, u"組み込み関数名"}, {2, u"不明文字列"},   {3, u"整数値"},
        {9, u"変数名"},       {11, u"&変数名"},       {15, u"ブレークポイント"}, {16, u"ヒアドキュメント終端"},
        {17, u"スクリプト終端"}, {19, u"BUILTIN"},   {20, u"**不明トークン**"}, {21, u"STATIC"},
        {34, u";"},           {38, u"["},             {49, u":"},           {54, u"単項+"},
        {55, u"単項-"},       {59, u"~"},             {62, u"!"},           {65, u"++単項"},
        {68, u"単項--"},      {71, u":="},            {78, u"^="},          {79, u"?"},
        {80, u"**不明トークン**"}, {-1, u"**不明トークン**"}, {0xFFFF, u"**不明トークン**"},
    };
    for (const auto& r : rows) EXPECT_EQ(U8(GxMoaGetTokenTypeName(r.code)), U8(r.name)) << r.code;

    // Every other code has a name of its own: a shifted table would repeat or lose one.
    std::set<std::u16string_view> seen;
    for (int32_t code = 0; code < 80; ++code) {
        if (code == 20) continue;
        const std::u16string_view name = GxMoaGetTokenTypeName(code);
        EXPECT_NE(name, u"**不明トークン**") << code;
        EXPECT_TRUE(seen.insert(name).second) << "repeated name at " << code;
    }
}

TEST(GxMoaNames, OpcodeNames)
{
    const struct { int32_t code; const char16_t* name; } rows[] = {
        {0, u"NONE"},          {1, u"セパレータ"},       {2, u"PUSH_INT"},     {3, u"PUSH_FLT"},
        {4, u"PUSH_STR"},      {5, u"PUSH_NULL"},        {6, u"PUSH_VAR"},     {7, u"PUSH_VARARY"},
        {8, u"OPC_ALTER_VAR"}, {9, u"OPC_ALTER_VARARY"}, {10, u"CALL_BUILTIN"}, {11, u"ELEMENT"},
        {12, u"ELEMENTNUM"},   {13, u"ARRAYINIT"},       {14, u"ARRAYINDEX"},  {15, u"=="},
        {32, u"単項~"},        {35, u"単項!"},           {42, u"="},           {51, u"^="},
        {52, u"ERROR"},        {-1, u"ERROR"},
    };
    for (const auto& r : rows) EXPECT_EQ(U8(GxMoaGetOpcodeName(r.code)), U8(r.name)) << r.code;

    // The operator opcodes carry their token's name, except the unary "~" and "!".
    for (int32_t op = 15; op <= 51; ++op) {
        if (op == 32 || op == 35) continue;
        EXPECT_EQ(U8(GxMoaGetOpcodeName(op)), U8(GxMoaGetTokenTypeName(op + 27))) << op;
    }
}

TEST(GxMoaNames, TokenDebugText)
{
    GxMoaToken flt(MOATOKEN_FLOAT);
    flt.SetFloat(1.5);
    GxMoaToken negFlt(MOATOKEN_FLOAT);
    negFlt.SetFloat(-0.25);
    GxMoaToken scoped = Tok(MOATOKEN_VARIABLE, 0, u"g");
    scoped.SetScope(6);
    GxMoaToken emptyText = Tok(MOATOKEN_STRING, 0, u"");

    const struct { const char* what; GxMoaToken token; const char16_t* text; } rows[] = {
        {"variable", Tok(MOATOKEN_VARIABLE, 0, u"x"), u"変数名 String:x"},
        {"scope bits ignored", scoped, u"変数名 String:g"},
        {"array variable", Tok(MOATOKEN_ARRAYVARIABLE, 0, u"a"), u"配列変数名 String:a"},
        {"builtin", Tok(MOATOKEN_BUILTIN, 300, u"foo"), u"組み込み関数名 String:foo"},
        {"integer", Tok(MOATOKEN_INT, 12), u"整数値[12]"},
        {"64-bit integer", Tok(MOATOKEN_INT, -5000000000), u"整数値[-5000000000]"},
        {"float", flt, u"小数値[1.500000]"},
        {"negative float", negFlt, u"小数値[-0.250000]"},
        {"string", Tok(MOATOKEN_STRING, 0, u"abc"), u"文字列 String:abc"},
        {"empty text adds nothing", emptyText, u"文字列"},
        {"end token", GxMoaGetEndToken(), u"スクリプト終端"},
        {"operator", Tok(MOATOKEN_PREINC), u"++単項"},
        {"text line", Tok(MOATOKEN_TEXT, 0, u"ルコ「やあ」"), u"テキスト String:ルコ「やあ」"},
        {"unnamed code", Tok(20, 0, u"w"), u"**不明トークン** String:w"},
    };
    for (const auto& r : rows) EXPECT_EQ(U8(GxMoaGetTokenDebugText(r.token)), U8(r.text)) << r.what;
}

TEST(GxMoaNames, DumpVariableGoldens)
{
    const struct { const char* what; GxMoaVariable value; std::optional<std::u16string_view> name; int32_t level;
                   const char16_t* text; } rows[] = {
        {"int", I(-15), u"n", 0, u"$n=-15(Int)\n"},
        {"float", F(2.5), u"f", 0, u"$f=2.500000(Float)\n"},
        {"string kept raw", S(u"say \"hi\""), u"s", 0, u"$s=\"say \"hi\"\"(Str)\n"},
        {"opcode by name", Op(24), u"op", 0, u"$op=*(Opcode)\n"},
        {"unknown opcode", Op(99), u"op", 0, u"$op=ERROR(Opcode)\n"},
        {"null", N(), u"z", 0, u"$z=Null\n"},
        {"refvar", FromStream(250, u"target"), u"r", 0, u"$r=Unknown\n"},
        {"unknown type", FromStream(99, nullptr), u"u", 0, u"$u=Unknown\n"},
        {"no name at level 2", I(7), std::nullopt, 2, u"    =7(Int)\n"},
        {"empty name keeps the dollar", I(1), u"", 0, u"$=1(Int)\n"},
        {"empty array", A({}), u"e", 0, u"$e[0]=(Array)\n"},
        {"array", A({I(1), S(u"a"), N()}), u"x", 0,
         u"$x[3]=(Array)\n"
         u"  $[0]=1(Int)\n"
         u"  $[1]=\"a\"(Str)\n"
         u"  $[2]=Null\n"},
        {"nested arrays indent per level", A({A({I(1)}), F(-0.5)}), u"x", 1,
         u"  $x[2]=(Array)\n"
         u"    $[0][1]=(Array)\n"
         u"      $[0]=1(Int)\n"
         u"    $[1]=-0.500000(Float)\n"},
        {"unnamed array", A({I(3)}), std::nullopt, 0, u"[1]=(Array)\n  $[0]=3(Int)\n"},
    };
    for (const auto& r : rows) EXPECT_EQ(U8(GxMoaDumpVariable(r.value, r.name, r.level)), U8(r.text)) << r.what;
}

TEST(GxMoaNames, DumpAppendsAndLeavesTheValueAlone)
{
    const GxMoaVariable array = A({I(1), I(2)});
    std::u16string out = u"--head\n";
    GxMoaAppendDumpVariable(out, array, u"a", 0);
    GxMoaAppendDumpVariable(out, S(u"t"), u"b", 0);
    EXPECT_EQ(U8(out), "--head\n$a[2]=(Array)\n  $[0]=1(Int)\n  $[1]=2(Int)\n$b=\"t\"(Str)\n");
    EXPECT_EQ(array.GetArraySize(), 2);
    EXPECT_EQ(Describe(array), Describe(A({I(1), I(2)})));
}
