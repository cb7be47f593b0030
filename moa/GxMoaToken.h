// Tokens of a compiled Moa script, and positions inside a script.
//
// The runtime never sees script source: the external compiler leaves every line as a list of
// typed tokens. A token carries its type (low 16 bits of m_TokenTypeAndScope) and the scope the
// compiler attached (high 16 bits), a 64-bit value, optionally a text and optionally four
// branch positions (IF / ELSE: position 1 is the first token of the condition; "{": position 0
// is its matching "}").
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class GxContentWriterBase;
class GxContentReaderBase;

// Token type codes (the low 16 bits of m_TokenTypeAndScope).
enum GxMoaTokenType : int32_t
{
    MOATOKEN_UNDEFINED = 0,
    MOATOKEN_BUILTIN = 1,          // builtin name: value = its index, text = its name
    MOATOKEN_UNKNOWN = 2,          // a word the compiler did not recognise
    MOATOKEN_INT = 3,              // integer literal
    MOATOKEN_FLOAT = 4,            // floating literal: the value holds the double's bits
    MOATOKEN_STRING = 5,           // string literal: text = the string
    MOATOKEN_NULL = 6,
    MOATOKEN_LABEL = 7,            // label declaration
    MOATOKEN_TEXT = 8,             // text line: text = the line
    MOATOKEN_VARIABLE = 9,         // text = the variable's name
    MOATOKEN_ARRAYVARIABLE = 10,   // text = the name; followed by "[" subscript "]"
    MOATOKEN_REFVARIABLE = 11,
    MOATOKEN_REFARRAYVARIABLE = 12,
    MOATOKEN_ARRAY = 13,           // the ARRAY( ... ) constructor keyword
    MOATOKEN_COMMANDSTART = 14,
    MOATOKEN_BREAKPOINT = 15,
    MOATOKEN_HEREDOCEND = 16,
    MOATOKEN_END = 17,             // end of script; also the shared token of every empty position
    MOATOKEN_DEFINE = 18,
    MOATOKEN_BUILTINDECL = 19,
    MOATOKEN_EXPRESSION = 20,      // the run loop steps over it and evaluates what follows
    MOATOKEN_STATIC = 21,
    MOATOKEN_GLOBAL = 22,
    MOATOKEN_EXTERN = 23,
    MOATOKEN_NOSAVE = 24,
    MOATOKEN_INGAME = 25,
    MOATOKEN_PERMAN = 26,
    MOATOKEN_IF = 27,
    MOATOKEN_ELSE = 28,
    MOATOKEN_WHILE = 29,
    MOATOKEN_FOR = 30,
    MOATOKEN_DO = 31,
    MOATOKEN_CONTINUE = 32,
    MOATOKEN_BREAK = 33,
    MOATOKEN_SEMICOLON = 34,
    MOATOKEN_COMMA = 35,
    MOATOKEN_BLOCKSTART = 36,      // "{": branch position 0 = its matching "}"
    MOATOKEN_BLOCKEND = 37,        // "}": value = the block type it closes (3 IF, 4 ELSE)
    MOATOKEN_SUBSCRIPTOPEN = 38,
    MOATOKEN_SUBSCRIPTCLOSE = 39,
    MOATOKEN_BRACKETOPEN = 40,
    MOATOKEN_BRACKETCLOSE = 41,
    MOATOKEN_EQ = 42,
    MOATOKEN_NE = 43,
    MOATOKEN_GT = 44,
    MOATOKEN_GE = 45,
    MOATOKEN_LT = 46,
    MOATOKEN_LE = 47,
    MOATOKEN_ADD = 48,
    MOATOKEN_CONCAT = 49,          // ":"
    MOATOKEN_SUB = 50,
    MOATOKEN_MUL = 51,
    MOATOKEN_DIV = 52,
    MOATOKEN_MOD = 53,
    MOATOKEN_PLUS = 54,            // unary +
    MOATOKEN_MINUS = 55,           // unary -
    MOATOKEN_BITAND = 56,
    MOATOKEN_BITOR = 57,
    MOATOKEN_BITXOR = 58,
    MOATOKEN_BITNOT = 59,
    MOATOKEN_SHL = 60,
    MOATOKEN_SHR = 61,
    MOATOKEN_NOT = 62,
    MOATOKEN_LOGAND = 63,
    MOATOKEN_LOGOR = 64,
    MOATOKEN_PREINC = 65,
    MOATOKEN_PREDEC = 66,
    MOATOKEN_POSTINC = 67,
    MOATOKEN_POSTDEC = 68,
    MOATOKEN_ASSIGN = 69,
    MOATOKEN_ADDASSIGN = 70,
    MOATOKEN_CONCATASSIGN = 71,
    MOATOKEN_SUBASSIGN = 72,
    MOATOKEN_MULASSIGN = 73,
    MOATOKEN_DIVASSIGN = 74,
    MOATOKEN_MODASSIGN = 75,
    MOATOKEN_ANDASSIGN = 76,
    MOATOKEN_ORASSIGN = 77,
    MOATOKEN_XORASSIGN = 78,
    MOATOKEN_QUESTION = 79,
};

// Bits of a token's stored "m_Flags" word.
enum : uint32_t
{
    MOATOKENFLAG_VALUE = 1,      // "m_Int" follows (the value is not 0)
    MOATOKENFLAG_BRANCH = 2,     // four branch positions follow
    MOATOKENFLAG_TEXT = 4,       // "m_Str" follows
};

// A position in a script: a line index and a token index inside that line (-1 = before the
// first token).
class GxMoaRunPos
{
public:
    GxMoaRunPos() = default;
    GxMoaRunPos(int32_t line, int32_t pos) : m_Line(line), m_Pos(pos) {}
    GxMoaRunPos(const GxMoaRunPos&) = default;
    GxMoaRunPos& operator=(const GxMoaRunPos&) = default;
    virtual ~GxMoaRunPos() = default;

    // "m_Line", "m_Pos".
    virtual bool Write(GxContentWriterBase& writer) const;
    // Starts from line 0, pos -1, so a missing field keeps that default.
    virtual bool Read(GxContentReaderBase& reader);

    bool SamePlace(const GxMoaRunPos& other) const { return m_Line == other.m_Line && m_Pos == other.m_Pos; }

    int32_t m_Line = 0;
    int32_t m_Pos = -1;
};

class GxMoaToken
{
public:
    static constexpr int kBranchCount = 4;

    GxMoaToken() = default;
    explicit GxMoaToken(int32_t type, int64_t value = 0) : m_TokenTypeAndScope(static_cast<uint16_t>(type)), m_Int(value) {}
    GxMoaToken(const GxMoaToken& other) { CopyFrom(other); }
    GxMoaToken(GxMoaToken&&) noexcept = default;
    GxMoaToken& operator=(const GxMoaToken& other)
    {
        if (this != &other) CopyFrom(other);
        return *this;
    }
    GxMoaToken& operator=(GxMoaToken&&) noexcept = default;
    virtual ~GxMoaToken() = default;

    virtual bool Write(GxContentWriterBase& writer) const;
    virtual bool Read(GxContentReaderBase& reader);

    // Type 0, scope 0, value 0, no positions, no text.
    void Clear();

    int32_t GetType() const { return static_cast<int32_t>(m_TokenTypeAndScope & 0xFFFFu); }
    int32_t GetScope() const { return static_cast<int32_t>(m_TokenTypeAndScope >> 16); }
    void SetType(int32_t type) { m_TokenTypeAndScope = (m_TokenTypeAndScope & 0xFFFF0000u) | (static_cast<uint32_t>(type) & 0xFFFFu); }
    void SetScope(int32_t scope) { m_TokenTypeAndScope = (m_TokenTypeAndScope & 0xFFFFu) | (static_cast<uint32_t>(scope) << 16); }
    uint32_t GetTypeAndScope() const { return m_TokenTypeAndScope; }
    void SetTypeAndScope(uint32_t word) { m_TokenTypeAndScope = word; }

    int64_t GetInt() const { return m_Int; }
    void SetInt(int64_t value) { m_Int = value; }
    // The value of a floating literal: the same 8 bytes read as a double.
    double GetFloat() const;
    void SetFloat(double value);

    bool HasString() const { return m_Str != nullptr; }
    // A copy of the text; empty when the token has none.
    std::u16string GetString() const { return m_Str ? *m_Str : std::u16string(); }
    // The text without a copy; valid until the token's text next changes.
    std::u16string_view GetStringView() const { return m_Str ? std::u16string_view(*m_Str) : std::u16string_view(); }
    void SetString(std::u16string_view text) { m_Str = std::make_unique<std::u16string>(text); }
    void ClearString() { m_Str.reset(); }

    bool HasBranchPos() const { return m_Branch != nullptr; }
    // Line 0, pos -1 / line 0 when the token has no branch positions. index must be 0-3.
    GxMoaRunPos GetBranchPos(int index) const;
    int32_t GetBranchLine(int index) const;
    // Creates the four positions (line 0, pos -1) when the token has none yet.
    void SetBranchPos(int index, const GxMoaRunPos& pos);
    void ClearBranchPos() { m_Branch.reset(); }

    // Same type and scope, value, text (presence included) and positions.
    bool operator==(const GxMoaToken& other) const;
    bool operator!=(const GxMoaToken& other) const { return !(*this == other); }

    // The description error messages show after a message: type name and text or value.
    std::u16string GetDebugText() const;

private:
    void CopyFrom(const GxMoaToken& other);

    std::unique_ptr<std::array<GxMoaRunPos, kBranchCount>> m_Branch;
    std::unique_ptr<std::u16string> m_Str;
    uint32_t m_TokenTypeAndScope = MOATOKEN_END;
    int64_t m_Int = 0;
};

// The one token of type 17 that every position without a token reads as.
const GxMoaToken& GxMoaGetEndToken();
