// Tokens: their stored form, copies, and the cursor operations of a script.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "core/GxContentReader.h"
#include "core/GxContentTextReader.h"
#include "moa/GxMoa.h"
#include "tests/moa/moa_stream_bytes.h"
#include "tests/support/GxContentFixture.h"

using moabytes::Bytes;

namespace {

std::string WriteToken(const GxMoaToken& t, GxContentForm form = GxContentForm::Binary)
{
    return GxContentWriteToString(form, [&](GxContentWriterBase& w) { EXPECT_TRUE(t.Write(w)); });
}

GxMoaToken Tok(int32_t type, int64_t value = 0, const char16_t* text = nullptr)
{
    GxMoaToken t(type, value);
    if (text) t.SetString(text);
    return t;
}

GxMoaToken WithBranches(GxMoaToken t)
{
    t.SetBranchPos(0, GxMoaRunPos(7, 2));
    t.SetBranchPos(1, GxMoaRunPos(-1, -1));
    t.SetBranchPos(3, GxMoaRunPos(0x01020304, 5));
    return t;
}

struct StoredRow
{
    const char* name;
    GxMoaToken token;
    std::string bytes;
};

}  // namespace

TEST(GxMoaToken, NewTokenIsEndTypeWithNothingElse)
{
    GxMoaToken t;
    EXPECT_EQ(t.GetType(), MOATOKEN_END);
    EXPECT_EQ(t.GetScope(), 0);
    EXPECT_EQ(t.GetInt(), 0);
    EXPECT_FALSE(t.HasString());
    EXPECT_FALSE(t.HasBranchPos());
    EXPECT_EQ(t.GetBranchPos(2).m_Line, 0);
    EXPECT_EQ(t.GetBranchPos(2).m_Pos, -1);
    EXPECT_EQ(t.GetBranchLine(1), 0);
    t.Clear();
    EXPECT_EQ(t.GetType(), MOATOKEN_UNDEFINED);
}

TEST(GxMoaToken, StoredFormTable)
{
    GxMoaToken typeAndScope(MOATOKEN_VARIABLE);
    typeAndScope.SetScope(5);
    GxMoaToken zeroFloat(MOATOKEN_FLOAT);
    zeroFloat.SetFloat(0.0);
    GxMoaToken oneHalf(MOATOKEN_FLOAT);
    oneHalf.SetFloat(1.5);
    GxMoaToken emptyText = Tok(MOATOKEN_STRING, 0, u"");

    const StoredRow rows[] = {
        {"plain end token: flags 0 and the type word only", GxMoaToken(), Bytes().Bit32(0).U32(17).str()},
        {"type 9 with scope 5 in the high half", typeAndScope, Bytes().Bit32(0).U32(0x00050009).str()},
        {"integer value", Tok(MOATOKEN_INT, -2), Bytes().Bit32(1).U32(3).S64(-2).str()},
        {"float 0.0 is stored without a value", zeroFloat, Bytes().Bit32(0).U32(4).str()},
        {"float 1.5 as the bits of its double", oneHalf, Bytes().Bit32(1).U32(4).S64(0x3FF8000000000000).str()},
        {"text", Tok(MOATOKEN_VARIABLE, 0, u"x"), Bytes().Bit32(4).U32(9).Str("x").str()},
        {"empty text is still a text", emptyText, Bytes().Bit32(4).U32(5).Str("").str()},
        {"Japanese text as UTF-8", Tok(MOATOKEN_TEXT, 0, u"ルコ"), Bytes().Bit32(4).U32(8).Str("\xE3\x83\xAB\xE3\x82\xB3").str()},
        {"branch positions: all four, in order",
         WithBranches(Tok(MOATOKEN_IF)),
         Bytes().Bit32(2).U32(27).S32(7).S32(2).S32(-1).S32(-1).S32(0).S32(-1).S32(0x01020304).S32(5).str()},
        {"value, positions and text",
         WithBranches(Tok(MOATOKEN_BUILTIN, 64, u"jump")),
         Bytes().Bit32(7).U32(1).S64(64).S32(7).S32(2).S32(-1).S32(-1).S32(0).S32(-1).S32(0x01020304).S32(5).Str("jump").str()},
    };
    for (const StoredRow& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(WriteToken(row.token), row.bytes);
        GxContentBinaryReader reader = moabytes::Reader(row.bytes);
        GxMoaToken back = Tok(MOATOKEN_QUESTION, 99, u"old");
        back.SetBranchPos(0, GxMoaRunPos(1, 1));
        ASSERT_TRUE(back.Read(reader));
        EXPECT_TRUE(reader.IsEnd());
        EXPECT_TRUE(back == row.token);
    }
}

TEST(GxMoaToken, StoredKeysInTheTextForm)
{
    // The text form shows the key of every value.
    const std::string text = WriteToken(WithBranches(Tok(MOATOKEN_BUILTIN, 300, u"a\"b")), GxContentForm::Text);
    EXPECT_EQ(text,
              "15\tm_Flags\t7\n"
              "06\tm_TokenTypeAndScope\t1\n"
              "07\tm_Int\t300\n"
              "05\tm_Line\t7\n05\tm_Pos\t2\n"
              "05\tm_Line\t-1\n05\tm_Pos\t-1\n"
              "05\tm_Line\t0\n05\tm_Pos\t-1\n"
              "05\tm_Line\t16909060\n05\tm_Pos\t5\n"
              "1a\tm_Str\t4\t\"a\\\"b\"\n");
    GxBinBuffer buffer;
    GxContentFillBuffer(buffer, text);
    GxContentTextReader reader(buffer);
    GxMoaToken back;
    ASSERT_TRUE(back.Read(reader));
    EXPECT_EQ(back.GetString(), u"a\"b");
    EXPECT_EQ(back.GetBranchPos(3).m_Line, 0x01020304);
}

TEST(GxMoaToken, DamagedStreamKeepsWhatWasRead)
{
    GxContentLogCapture quiet;
    // The text is announced but the stream ends: value and positions stay, no text.
    const std::string bytes = Bytes().Bit32(7).U32(1).S64(64).S32(1).S32(2).S32(3).S32(4).S32(5).S32(6).S32(7).S32(8).str();
    GxContentBinaryReader reader = moabytes::Reader(bytes);
    GxMoaToken t;
    EXPECT_FALSE(t.Read(reader));
    EXPECT_EQ(t.GetType(), MOATOKEN_BUILTIN);
    EXPECT_EQ(t.GetInt(), 64);
    EXPECT_EQ(t.GetBranchPos(3).m_Pos, 8);
    EXPECT_FALSE(t.HasString());

    // A flag word of the wrong type stops at once.
    const std::string wrong = Bytes().U32(7).U32(1).str();
    GxContentBinaryReader r2 = moabytes::Reader(wrong);
    GxMoaToken u = Tok(MOATOKEN_INT, 5, u"x");
    EXPECT_FALSE(u.Read(r2));
    EXPECT_EQ(u.GetType(), MOATOKEN_UNDEFINED);
    EXPECT_FALSE(u.HasString());
}

TEST(GxMoaToken, CopiesAreDeep)
{
    auto source = std::make_unique<GxMoaToken>(WithBranches(Tok(MOATOKEN_ELSE, 4, u"text")));
    source->SetScope(3);
    GxMoaToken copy(*source);
    GxMoaToken assigned = Tok(MOATOKEN_INT, 1, u"old");
    assigned = *source;
    source->SetString(u"changed");
    source->SetBranchPos(0, GxMoaRunPos(99, 99));
    GxMoaToken expected = WithBranches(Tok(MOATOKEN_ELSE, 4, u"text"));
    expected.SetScope(3);
    source.reset();
    EXPECT_TRUE(copy == expected);
    EXPECT_TRUE(assigned == expected);
    EXPECT_EQ(copy.GetBranchPos(0).m_Line, 7);

    // Copying a token without text or positions drops the target's.
    GxMoaToken plain(MOATOKEN_SEMICOLON);
    assigned = plain;
    EXPECT_FALSE(assigned.HasString());
    EXPECT_FALSE(assigned.HasBranchPos());
    EXPECT_EQ(assigned.GetInt(), 0);
}

// ---------------------------------------------------------------- cursor operations

namespace {

// Lines: 0 [a b], 1 [], 2 [c], 3 [], 4 [] : five lines, three tokens.
class GxMoaCursorTest : public ::testing::Test
{
protected:
    GxMoaCursorTest() : m_Script(nullptr)
    {
        m_Script.m_Lines.resize(5);
        m_Script.m_Lines[0].m_Tokens = {Tok(MOATOKEN_VARIABLE, 0, u"a"), Tok(MOATOKEN_BLOCKSTART)};
        m_Script.m_Lines[2].m_Tokens = {Tok(MOATOKEN_INT, 3)};
    }
    GxMoaScript m_Script;
};

struct PosRow
{
    int32_t line, pos;
    int32_t expected;
};

struct StepRow
{
    const char* name;
    std::function<bool(const GxMoaScript&, GxMoaRunPos&)> step;
    int32_t line, pos;         // start
    bool result;
    int32_t endLine, endPos;   // position afterwards
};

}  // namespace

TEST_F(GxMoaCursorTest, CheckPosAndGetToken)
{
    const PosRow rows[] = {
        {0, 0, 1},    {0, 1, 1},  {0, 2, -1},   // past the line's end
        {1, 0, -1},                            // an empty line
        {2, 0, 1},    {4, 0, -1},
        {5, 0, -2},   {99, 3, -2},             // past the last line
        {-1, 0, 0},   {0, -1, 0}, {5, -1, 0},  // negative line or pos first
        {-7, -7, 0},
    };
    const GxMoaToken* end = &GxMoaGetEndToken();
    EXPECT_EQ(end->GetType(), MOATOKEN_END);
    for (const PosRow& r : rows) {
        SCOPED_TRACE(::testing::Message() << "(" << r.line << ", " << r.pos << ")");
        EXPECT_EQ(m_Script.CheckPos(r.line, r.pos), r.expected);
        const GxMoaToken& t = m_Script.GetToken(r.line, r.pos);
        if (r.expected == 1) {
            EXPECT_NE(&t, end);
            EXPECT_EQ(&t, &m_Script.m_Lines[static_cast<size_t>(r.line)].m_Tokens[static_cast<size_t>(r.pos)]);
        } else {
            EXPECT_EQ(&t, end);
        }
        EXPECT_EQ(&m_Script.GetTokenAt(GxMoaRunPos(r.line, r.pos)), &t);
    }
}

TEST_F(GxMoaCursorTest, StepTable)
{
    auto next = [](const GxMoaScript& s, GxMoaRunPos& p) { return s.NextToken(p); };
    auto inLine = [](const GxMoaScript& s, GxMoaRunPos& p) { return s.NextTokenInLine(p); };
    auto prev = [](const GxMoaScript& s, GxMoaRunPos& p) { return s.PrevTokenInLine(p); };
    const StepRow rows[] = {
        {"NextToken from the start position", next, 0, -1, true, 0, 0},
        {"NextToken within a line", next, 0, 0, true, 0, 1},
        {"NextToken skips the empty line", next, 0, 1, true, 2, 0},
        {"NextToken from before an empty line's start", next, 1, -1, true, 2, 0},
        {"NextToken from the last token", next, 2, 0, false, 5, 0},
        {"NextToken past the last line", next, 7, 3, false, 5, 0},
        {"NextToken with a negative line", next, -1, 0, false, -1, 0},
        {"NextToken far past a line's end", next, 0, 1000, true, 2, 0},
        {"NextTokenInLine within a line", inLine, 0, -1, true, 0, 0},
        {"NextTokenInLine from the line's last token", inLine, 0, 1, false, 0, 2},
        {"NextTokenInLine on an empty line", inLine, 1, -1, false, 1, 0},
        {"NextTokenInLine past the last line", inLine, 9, 9, false, 5, 0},
        {"PrevTokenInLine", prev, 0, 1, true, 0, 0},
        {"PrevTokenInLine from pos 0", prev, 0, 0, false, 0, -1},
        {"PrevTokenInLine never below -1", prev, 0, -1, false, 0, -1},
        {"PrevTokenInLine from past the line's end", prev, 0, 2, true, 0, 1},
        {"PrevTokenInLine with a negative line", prev, -3, 4, false, -1, 0},
        {"PrevTokenInLine past the last line", prev, 6, 4, false, 5, 0},
    };
    for (const StepRow& r : rows) {
        SCOPED_TRACE(r.name);
        GxMoaRunPos p(r.line, r.pos);
        EXPECT_EQ(r.step(m_Script, p), r.result);
        EXPECT_EQ(p.m_Line, r.endLine);
        EXPECT_EQ(p.m_Pos, r.endPos);
    }
}

TEST_F(GxMoaCursorTest, NextLineReportsTheOldPosition)
{
    struct Row { int32_t line, pos, result, endLine, endPos; };
    const Row rows[] = {
        {0, 1, 1, 1, 0},   // on a token
        {1, 0, -1, 2, 0},  // an empty line
        {4, 3, -1, 5, 0},  // the last line
        {5, 0, -2, 5, 0},  // past the last line: no move
        {0, -1, 0, 1, 0},  // before the first token
    };
    for (const Row& r : rows) {
        GxMoaRunPos p(r.line, r.pos);
        EXPECT_EQ(m_Script.NextLine(p), r.result) << r.line << "," << r.pos;
        EXPECT_EQ(p.m_Line, r.endLine);
        EXPECT_EQ(p.m_Pos, r.endPos);
    }
}

TEST_F(GxMoaCursorTest, SkipToBlockStart)
{
    GxMoaRunPos p;
    EXPECT_TRUE(m_Script.SkipToBlockStart(p, 0, 0));
    EXPECT_EQ(p.m_Line, 0);
    EXPECT_EQ(p.m_Pos, 1);
    // The start position (pos -1) holds no token: it reads as the end token.
    EXPECT_FALSE(m_Script.SkipToBlockStart(p, 0, -1));
    EXPECT_EQ(p.m_Pos, -1);
    EXPECT_TRUE(m_Script.SkipToBlockStart(p, 0, 1));  // already on it
    EXPECT_EQ(p.m_Pos, 1);
    // From past a line's end the end token is met at once, although a "{" follows later.
    m_Script.m_Lines[3].m_Tokens = {Tok(MOATOKEN_BLOCKSTART)};
    EXPECT_FALSE(m_Script.SkipToBlockStart(p, 2, 1));
    EXPECT_EQ(p.m_Line, 2);
    EXPECT_EQ(p.m_Pos, 1);
    EXPECT_TRUE(m_Script.SkipToBlockStart(p, 2, 0));
    EXPECT_EQ(p.m_Line, 3);
    EXPECT_EQ(p.m_Pos, 0);
    // A real end token inside the script stops the search too.
    m_Script.m_Lines[2].m_Tokens.push_back(Tok(MOATOKEN_END));
    EXPECT_FALSE(m_Script.SkipToBlockStart(p, 2, 0));
    EXPECT_EQ(p.m_Pos, 1);
    // No "{" until the end of the script.
    m_Script.m_Lines[2].m_Tokens.pop_back();
    m_Script.m_Lines[3].m_Tokens.clear();
    EXPECT_FALSE(m_Script.SkipToBlockStart(p, 2, 0));
    EXPECT_EQ(p.m_Line, 5);
    EXPECT_EQ(p.m_Pos, 0);
}

TEST(GxMoaCursor, EmptyScript)
{
    GxMoaScript s(nullptr);
    GxMoaRunPos p;
    EXPECT_EQ(s.CheckPos(0, 0), -2);
    EXPECT_FALSE(s.NextToken(p));
    EXPECT_EQ(p.m_Line, 0);
    EXPECT_EQ(p.m_Pos, 0);
    EXPECT_EQ(s.GetTokenAt(p).GetType(), MOATOKEN_END);
    EXPECT_FALSE(s.SkipToBlockStart(p, 0, 0));
}
