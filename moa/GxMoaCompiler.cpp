#include "moa/GxMoaCompiler.h"

#include <initializer_list>
#include <string>
#include <vector>

#include "core/GxLog.h"
#include "moa/GxMoa.h"
#include "moa/GxMoaNames.h"

namespace {

// A set of token types. Every type the compiler asks about is below 128; any other code
// belongs to no set.
struct TypeSet
{
    uint64_t bits[2] = {0, 0};

    constexpr TypeSet(std::initializer_list<int32_t> types)
    {
        for (int32_t t : types) bits[t >> 6] |= uint64_t{1} << (t & 63);
    }
    constexpr bool Has(int32_t type) const
    {
        return type >= 0 && type < 128 && (bits[type >> 6] >> (type & 63)) & 1;
    }
};

// Tokens that may begin a term on the right of an operator.
constexpr TypeSet kTermRight = {MOATOKEN_BUILTIN, MOATOKEN_UNKNOWN,       MOATOKEN_INT,    MOATOKEN_FLOAT,
                                MOATOKEN_STRING,  MOATOKEN_NULL,          MOATOKEN_VARIABLE,
                                MOATOKEN_ARRAYVARIABLE, MOATOKEN_ARRAY,   MOATOKEN_BRACKETOPEN,
                                MOATOKEN_PLUS,    MOATOKEN_MINUS,         MOATOKEN_BITNOT, MOATOKEN_NOT,
                                MOATOKEN_PREINC,  MOATOKEN_PREDEC};
// Tokens that may end a term on the left of an operator.
constexpr TypeSet kTermLeft = {MOATOKEN_INT,      MOATOKEN_FLOAT,          MOATOKEN_STRING,
                               MOATOKEN_NULL,     MOATOKEN_VARIABLE,       MOATOKEN_SUBSCRIPTCLOSE,
                               MOATOKEN_BRACKETCLOSE, MOATOKEN_POSTINC,    MOATOKEN_POSTDEC};
// Tokens that end an expression (and, at the term level, stand for an empty operand).
constexpr TypeSet kExprEnd = {MOATOKEN_END,            MOATOKEN_SEMICOLON,    MOATOKEN_COMMA,
                              MOATOKEN_BLOCKEND,       MOATOKEN_SUBSCRIPTCLOSE, MOATOKEN_BRACKETCLOSE};

// The binary levels, loosest first; kUnary stands for the unary level below them.
enum Level
{
    kLogical,
    kBit,
    kEqNe,
    kLeGe,
    kShift,
    kAdd,
    kMul,
    kUnary,
};

// The binary level of an operator token, or -1.
constexpr int8_t kNoLevel = -1;
struct LevelTable
{
    int8_t level[MOATOKEN_QUESTION + 1];

    constexpr LevelTable() : level()
    {
        for (int8_t& l : level) l = kNoLevel;
        level[MOATOKEN_LOGAND] = level[MOATOKEN_LOGOR] = kLogical;
        level[MOATOKEN_BITAND] = level[MOATOKEN_BITOR] = level[MOATOKEN_BITXOR] = kBit;
        level[MOATOKEN_EQ] = level[MOATOKEN_NE] = kEqNe;
        level[MOATOKEN_GT] = level[MOATOKEN_GE] = level[MOATOKEN_LT] = level[MOATOKEN_LE] = kLeGe;
        level[MOATOKEN_SHL] = level[MOATOKEN_SHR] = kShift;
        level[MOATOKEN_ADD] = level[MOATOKEN_CONCAT] = level[MOATOKEN_SUB] = kAdd;
        level[MOATOKEN_MUL] = level[MOATOKEN_DIV] = level[MOATOKEN_MOD] = kMul;
    }
    constexpr int LevelOf(int32_t type) const
    {
        return type >= 0 && type <= MOATOKEN_QUESTION ? level[type] : kNoLevel;
    }
};
constexpr LevelTable kLevels;

constexpr int32_t kOperatorToOpcode = int32_t{MOATOKEN_EQ} - int32_t{MOAOPC_EQ};
static_assert(MOATOKEN_XORASSIGN - kOperatorToOpcode == MOAOPC_XORASSIGN);
static_assert(MOATOKEN_NOT - kOperatorToOpcode == MOAOPC_NOT);

bool IsAssignOperator(int32_t type) { return type >= MOATOKEN_ASSIGN && type <= MOATOKEN_XORASSIGN; }
bool IsUnaryOperator(int32_t type)
{
    return type == MOATOKEN_PLUS || type == MOATOKEN_MINUS || type == MOATOKEN_BITNOT || type == MOATOKEN_NOT;
}

// Terms nest through brackets, subscripts, argument lists, assignments and unary operators,
// each a few calls deep. Real statements stay far below this; a damaged package with thousands
// of "(" in one line is refused here instead of exhausting the stack.
constexpr int32_t kMaxNesting = 128;

// One compilation: the script, the list and the flags that every level shares, and the
// current position, which each routine advances past what it consumed.
class Compilation
{
public:
    // line: the statement's line, where every position of the compilation lies.
    Compilation(const GxMoaScript& script, GxMoaOpcodeList& list, uint32_t flags, int32_t line)
        : m_Script(script), m_List(list), m_Flags(flags), m_Line(line)
    {
        if (line >= 0 && line < script.GetLineCount()) {
            const std::vector<GxMoaToken>& tokens = script.m_Lines[static_cast<size_t>(line)].m_Tokens;
            m_Tokens = tokens.data();
            m_TokenCount = static_cast<int32_t>(tokens.size());
        }
    }

    bool Expr(GxMoaRunPos& p)
    {
        if (!Binary(kLogical, p)) return false;
        if (!kExprEnd.Has(Type(p))) return Fail(Token(p), u"Phase_Expr 式に間違いがあります", p);
        return true;
    }

    // The binary levels from `level` down to the unary one. Equivalent to one routine per
    // level, each taking operands from the next tighter one, but the token after an operand
    // is looked at once instead of once per level.
    bool Binary(int level, GxMoaRunPos& p)
    {
        if (!SingleOp(p)) return false;
        for (;;) {
            const int32_t type = Type(p);
            const int opLevel = kLevels.LevelOf(type);
            if (opLevel < level) return true;  // not an operator, or one of a looser level
            if (!IsTermBoth(p)) return false;
            Next(p);
            // The right operand binds tighter: left-associative within one level.
            if (!Binary(opLevel + 1, p)) return false;
            GxMoaCompiler::AddOpcode(m_List, type - kOperatorToOpcode);
        }
    }

    bool SingleOp(GxMoaRunPos& p)
    {
        const int32_t type = Type(p);
        if (!IsUnaryOperator(type)) return Term(p);
        if (!IsTermRight(p)) return false;
        Next(p);
        // One term: a further unary operator is reached through it, so - - x is allowed.
        if (!Term(p)) return false;
        GxMoaCompiler::AddOpcode(m_List, type - kOperatorToOpcode);
        return true;
    }

    bool Term(GxMoaRunPos& p)
    {
        if (m_Depth >= kMaxNesting) return Fail(Token(p), u"Phase_Term 式の入れ子が深すぎます", p);
        ++m_Depth;
        const bool ok = TermBody(p);
        --m_Depth;
        return ok;
    }

    bool AssignOp(GxMoaRunPos& p)
    {
        const int32_t type = Type(p);
        if (!IsAssignOperator(type)) return Fail(Token(p), u"Phase_AssignOp 代入式が不正です", p);
        if (!IsTermBoth(p)) return false;
        Next(p);
        if (!Expr(p)) return false;
        GxMoaCompiler::AddOpcode(m_List, type - kOperatorToOpcode);
        return true;
    }

    bool Element(GxMoaRunPos& p)
    {
        int64_t count = 0;
        int32_t type = Type(p);
        if (type != MOATOKEN_BRACKETCLOSE && type != MOATOKEN_SUBSCRIPTCLOSE) {
            if (type == MOATOKEN_COMMA) GxMoaCompiler::AddOpcode(m_List, MOAOPC_PUSH_NULL);
            for (;;) {
                if (!Expr(p)) return false;
                type = Type(p);
                if (type == MOATOKEN_COMMA) {
                    Next(p);
                    const int32_t next = Type(p);
                    if (next == MOATOKEN_COMMA || next == MOATOKEN_BRACKETCLOSE || next == MOATOKEN_SUBSCRIPTCLOSE)
                        GxMoaCompiler::AddOpcode(m_List, MOAOPC_PUSH_NULL);
                    ++count;
                    continue;
                }
                if (type == MOATOKEN_BRACKETCLOSE || type == MOATOKEN_SUBSCRIPTCLOSE) {
                    ++count;
                    break;
                }
                return Fail(Token(p), u"Phase_Element 式に予期しない記号を見つけました。式が間違っています", p);
            }
        }
        GxMoaCompiler::AddOpcode(m_List, MOAOPC_ELEMENTNUM);
        m_List.emplace_back().SetInt64(count);
        return true;
    }

    bool Skip(GxMoaRunPos& p, int32_t expected)
    {
        if (Type(p) == expected) {
            Next(p);
            return true;
        }
        std::u16string message = u"Phase_Skip 次に来るべき記号 ";
        message += GxMoaGetTokenTypeName(expected);
        message += u" がありません";
        return Fail(Token(p), message, p);
    }

    bool IsTermRight(const GxMoaRunPos& p)
    {
        GxMoaRunPos q = p;
        m_Script.NextTokenInLine(q);
        const GxMoaToken& t = Token(q);
        if (kTermRight.Has(t.GetType())) return true;
        return Fail(t, u"Phase_IsTermRight 右側に項が存在しないか不正な式です", q);
    }

    bool IsTermLeft(const GxMoaRunPos& p)
    {
        GxMoaRunPos q = p;
        m_Script.PrevTokenInLine(q);
        const GxMoaToken& t = Token(q);
        if (kTermLeft.Has(t.GetType())) return true;
        return Fail(t, u"Phase_IsTermLeft 左側に項が存在しないか不正な式です", q);
    }

    bool IsTermBoth(const GxMoaRunPos& p) { return IsTermRight(p) && IsTermLeft(p); }

private:
    // The script's GetToken and NextTokenInLine, with their common case (a token of the
    // statement's line) taken here without a call: every level asks for the current token.
    const GxMoaToken& Token(const GxMoaRunPos& p) const
    {
        if (p.m_Line == m_Line && p.m_Pos >= 0 && p.m_Pos < m_TokenCount) return m_Tokens[p.m_Pos];
        return m_Script.GetTokenAt(p);
    }
    int32_t Type(const GxMoaRunPos& p) const { return Token(p).GetType(); }
    void Next(GxMoaRunPos& p) const
    {
        if (p.m_Line == m_Line && p.m_Pos >= -1 && p.m_Pos < m_TokenCount - 1) ++p.m_Pos;
        else m_Script.NextTokenInLine(p);
    }

    bool Fail(const GxMoaToken& token, std::u16string_view message, const GxMoaRunPos& p) const
    {
        GxMoaCompiler::Phase_ReportError(&token, message, &m_Script, p);
        return false;
    }

    void AddName(int32_t opcode, const GxMoaToken& token)
    {
        GxMoaCompiler::AddOpcode(m_List, opcode);
        m_List.emplace_back().SetString(token.GetStringView());
    }

    bool TermBody(GxMoaRunPos& p)
    {
        // Tokens live in the script's lines, which compiling never changes.
        const GxMoaToken& t = Token(p);
        switch (t.GetType()) {
        case MOATOKEN_END:
        case MOATOKEN_SEMICOLON:
        case MOATOKEN_COMMA:
        case MOATOKEN_BLOCKEND:
        case MOATOKEN_SUBSCRIPTCLOSE:
        case MOATOKEN_BRACKETCLOSE:
            return true;  // an empty operand; the terminator stays
        case MOATOKEN_BREAKPOINT:
            if (GxMoa* owner = m_Script.GetOwner()) owner->SetBreakpoint(true);
            Next(p);
            return true;
        case MOATOKEN_INT:
            GxMoaCompiler::AddOpcode(m_List, MOAOPC_PUSH_INT);
            m_List.emplace_back().SetInt64(t.GetInt());
            Next(p);
            return true;
        case MOATOKEN_FLOAT:
            GxMoaCompiler::AddOpcode(m_List, MOAOPC_PUSH_FLT);
            m_List.emplace_back().SetFloat(t.GetFloat());
            Next(p);
            return true;
        case MOATOKEN_STRING:
            AddName(MOAOPC_PUSH_STR, t);
            Next(p);
            return true;
        case MOATOKEN_NULL:
            GxMoaCompiler::AddOpcode(m_List, MOAOPC_PUSH_NULL);
            Next(p);
            return true;
        case MOATOKEN_BUILTIN:
            return Builtin(p, t);
        case MOATOKEN_VARIABLE:
            return Variable(p, t, false);
        case MOATOKEN_ARRAYVARIABLE:
            return Variable(p, t, true);
        case MOATOKEN_ARRAY:
            Next(p);
            if (!Skip(p, MOATOKEN_BRACKETOPEN) || !Element(p)) return false;
            GxMoaCompiler::AddOpcode(m_List, MOAOPC_ARRAYINIT);
            return Skip(p, MOATOKEN_BRACKETCLOSE);
        case MOATOKEN_SUBSCRIPTOPEN: {
            GxMoaRunPos before = p;
            m_Script.PrevTokenInLine(before);
            if (Type(before) != MOATOKEN_ARRAYVARIABLE)
                return Fail(t, u"Phase_Term []演算子の前に配列変数名がありません", p);
            if (!Skip(p, MOATOKEN_SUBSCRIPTOPEN) || !Expr(p)) return false;
            GxMoaCompiler::AddOpcode(m_List, MOAOPC_ARRAYINDEX);
            return Skip(p, MOATOKEN_SUBSCRIPTCLOSE);
        }
        case MOATOKEN_BRACKETOPEN:
            // The brackets themselves append nothing.
            return Skip(p, MOATOKEN_BRACKETOPEN) && Expr(p) && Skip(p, MOATOKEN_BRACKETCLOSE);
        case MOATOKEN_PLUS:
        case MOATOKEN_MINUS:
        case MOATOKEN_BITNOT:
        case MOATOKEN_NOT:
            return SingleOp(p);
        default:
            return Fail(t, u"Phase_Term 式として認識できないトークンです", p);
        }
    }

    bool Builtin(GxMoaRunPos& p, const GxMoaToken& t)
    {
        if (m_Flags & MOACOMPILE_NO_BUILTIN)
            return Fail(t, u"Phase_Term この式に組み込み関数を使用することはできません", p);
        Next(p);
        // Without "(" the call has no arguments, and a ")" after it belongs to an enclosing
        // bracket or list: only a call that opened "(" takes a ")".
        const bool opened = Type(p) == MOATOKEN_BRACKETOPEN;
        if (opened) {
            Next(p);
            if (!Element(p)) return false;
        } else {
            GxMoaCompiler::AddOpcode(m_List, MOAOPC_ELEMENTNUM);
            m_List.emplace_back().SetInt64(0);
        }
        GxMoaCompiler::AddOpcode(m_List, MOAOPC_CALL_BUILTIN);
        m_List.emplace_back().SetInt64(t.GetInt());
        m_List.emplace_back().SetString(t.GetStringView());
        // A missing ")" after the arguments is not an error.
        if (opened && Type(p) == MOATOKEN_BRACKETCLOSE) Next(p);
        return true;
    }

    // A variable, or an array variable with its one subscript term ("a[(i + 1)]" for more),
    // read, assigned or incremented.
    bool Variable(GxMoaRunPos& p, const GxMoaToken& t, bool isArray)
    {
        if (m_Flags & MOACOMPILE_NO_VARIABLE)
            return Fail(t, u"Phase_Term この式に変数を使用することはできません", p);
        Next(p);
        if (isArray) {
            if (!Skip(p, MOATOKEN_SUBSCRIPTOPEN) || !Term(p) || !Skip(p, MOATOKEN_SUBSCRIPTCLOSE)) return false;
        }
        const int32_t alter = isArray ? MOAOPC_ALTER_VARARY : MOAOPC_ALTER_VAR;
        const int32_t next = Type(p);
        if (IsAssignOperator(next)) {
            if (m_Flags & MOACOMPILE_NO_ALTER)
                return Fail(t, u"Phase_Term この式で変数の内容を変えることはできません", p);
            if (!AssignOp(p)) return false;
            AddName(alter, t);
            return true;
        }
        if (next == MOATOKEN_POSTINC || next == MOATOKEN_POSTDEC) {
            if (m_Flags & MOACOMPILE_NO_ALTER)
                return Fail(t, u"Phase_Term この式で変数の内容を変えることはできません", p);
            GxMoaCompiler::AddOpcode(m_List, next - kOperatorToOpcode);
            Next(p);
            AddName(alter, t);
            return true;
        }
        AddName(isArray ? MOAOPC_PUSH_VARARY : MOAOPC_PUSH_VAR, t);
        return true;
    }

    const GxMoaScript& m_Script;
    GxMoaOpcodeList& m_List;
    const uint32_t m_Flags;
    const int32_t m_Line;
    const GxMoaToken* m_Tokens = nullptr;  // the statement line's tokens (none outside the script)
    int32_t m_TokenCount = 0;
    int32_t m_Depth = 0;
};

bool NoScript(std::u16string_view routine)
{
    GxPrintErrorLog(u"Error/GxMoa %s: no script to compile\n", routine);
    return false;
}

}  // namespace

bool GxMoaCompiler::Phase_Expr(const GxMoaScript* script, GxMoaOpcodeList& list, GxMoaRunPos start,
                               GxMoaRunPos& out, uint32_t flags)
{
    out = start;
    if (!script) return NoScript(u"Phase_Expr");
    return Compilation(*script, list, flags, out.m_Line).Expr(out);
}

#define GX_MOA_BINARY_LEVEL(name, level)                                                                 \
    bool GxMoaCompiler::name(GxMoaRunPos& out, const GxMoaScript* script, GxMoaOpcodeList& list,       \
                             GxMoaRunPos start, uint32_t flags)                                          \
    {                                                                                                    \
        out = start;                                                                                     \
        if (!script) return NoScript(u"" #name);                                                         \
        return Compilation(*script, list, flags, out.m_Line).Binary(level, out);                                     \
    }

GX_MOA_BINARY_LEVEL(Phase_LogicalOp, kLogical)
GX_MOA_BINARY_LEVEL(Phase_BitOp, kBit)
GX_MOA_BINARY_LEVEL(Phase_CompEqNeOp, kEqNe)
GX_MOA_BINARY_LEVEL(Phase_CompLeGeOp, kLeGe)
GX_MOA_BINARY_LEVEL(Phase_BitShiftOp, kShift)
GX_MOA_BINARY_LEVEL(Phase_AddOp, kAdd)
GX_MOA_BINARY_LEVEL(Phase_MulOp, kMul)

#undef GX_MOA_BINARY_LEVEL

bool GxMoaCompiler::Phase_SingleOp(const GxMoaScript* script, GxMoaOpcodeList& list, GxMoaRunPos start,
                                   GxMoaRunPos& out, uint32_t flags)
{
    out = start;
    if (!script) return NoScript(u"Phase_SingleOp");
    return Compilation(*script, list, flags, out.m_Line).SingleOp(out);
}

bool GxMoaCompiler::Phase_Term(const GxMoaScript* script, GxMoaOpcodeList& list, GxMoaRunPos start,
                               GxMoaRunPos& out, uint32_t flags)
{
    out = start;
    if (!script) return NoScript(u"Phase_Term");
    return Compilation(*script, list, flags, out.m_Line).Term(out);
}

bool GxMoaCompiler::Phase_AssignOp(GxMoaRunPos& out, const GxMoaScript* script, GxMoaOpcodeList& list,
                                   GxMoaRunPos start, uint32_t flags)
{
    out = start;
    if (!script) return NoScript(u"Phase_AssignOp");
    return Compilation(*script, list, flags, out.m_Line).AssignOp(out);
}

bool GxMoaCompiler::Phase_Element(const GxMoaScript* script, GxMoaOpcodeList& list, GxMoaRunPos start,
                                  GxMoaRunPos& out, uint32_t flags)
{
    out = start;
    if (!script) return NoScript(u"Phase_Element");
    return Compilation(*script, list, flags, out.m_Line).Element(out);
}

bool GxMoaCompiler::Phase_Skip(GxMoaRunPos& out, int32_t expectedType, const GxMoaScript* script,
                               GxMoaRunPos position)
{
    out = position;
    if (!script) return NoScript(u"Phase_Skip");
    GxMoaOpcodeList unused;  // Skip appends nothing; an empty vector allocates nothing
    return Compilation(*script, unused, 0, position.m_Line).Skip(out, expectedType);
}

bool GxMoaCompiler::Phase_IsTermLeft(const GxMoaScript* script, const GxMoaRunPos& position)
{
    if (!script) return NoScript(u"Phase_IsTermLeft");
    GxMoaOpcodeList unused;
    return Compilation(*script, unused, 0, position.m_Line).IsTermLeft(position);
}

bool GxMoaCompiler::Phase_IsTermRight(const GxMoaScript* script, const GxMoaRunPos& position)
{
    if (!script) return NoScript(u"Phase_IsTermRight");
    GxMoaOpcodeList unused;
    return Compilation(*script, unused, 0, position.m_Line).IsTermRight(position);
}

bool GxMoaCompiler::Phase_IsTermBoth(const GxMoaScript* script, const GxMoaRunPos& position)
{
    if (!script) return NoScript(u"Phase_IsTermBoth");
    GxMoaOpcodeList unused;
    return Compilation(*script, unused, 0, position.m_Line).IsTermBoth(position);
}

void GxMoaCompiler::Phase_ReportError(const GxMoaToken* token, std::u16string_view message, const GxMoaScript* script,
                                      const GxMoaRunPos& position)
{
    const std::u16string description = token ? GxMoaGetTokenDebugText(*token) : std::u16string(u"トークン無し");
    GxMoa* owner = script ? script->GetOwner() : nullptr;
    if (owner) {
        owner->OutputError(script->m_ScriptName, position.m_Line, u"%s[%s]", message, description);
        return;
    }
    // A script outside any program instance still says what went wrong.
    GxPrintErrorLog(u"Error/GxMoa %s[%s]\n", message, description);
}
