#include "platform/GxFxReader.h"

#include <charconv>
#include <cstring>
#include <functional>
#include <map>

namespace {

enum class Tok { End, Ident, Number, String, Punct };

struct Token
{
    Tok kind = Tok::End;
    std::string_view text;
    uint32_t line = 0;
    uint32_t col = 0;
};

bool IsIdentStart(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(unsigned char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

std::string ErrorLine(uint32_t line, uint32_t col, std::string_view message)
{
    return "(" + std::to_string(line) + "," + std::to_string(col) + "): error: " + std::string(message) + "\n";
}

// Splits the source into tokens; comments and preprocessor lines are dropped.
bool Tokenize(std::string_view s, std::vector<Token>& out, std::string& errors)
{
    size_t p = 0;
    uint32_t line = 1, col = 1;
    bool lineStart = true;
    auto advance = [&](size_t n) {
        for (size_t k = 0; k < n && p < s.size(); ++k, ++p) {
            if (s[p] == '\n') {
                ++line;
                col = 1;
            } else {
                ++col;
            }
        }
    };
    while (p < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[p]);
        if (c == '\n') {
            advance(1);
            lineStart = true;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
            advance(1);
            continue;
        }
        if (c == '#' && lineStart) {
            // A directive runs to the end of the line; a backslash before the line end continues it.
            while (p < s.size() && s[p] != '\n') {
                if (s[p] == '\\' && p + 1 < s.size() && s[p + 1] == '\n') advance(1);
                else if (s[p] == '\\' && p + 2 < s.size() && s[p + 1] == '\r' && s[p + 2] == '\n') advance(2);
                advance(1);
            }
            continue;
        }
        if (c == '/' && p + 1 < s.size() && s[p + 1] == '/') {
            while (p < s.size() && s[p] != '\n') advance(1);
            continue;
        }
        if (c == '/' && p + 1 < s.size() && s[p + 1] == '*') {
            const uint32_t l0 = line, c0 = col;
            const size_t end = s.find("*/", p + 2);
            if (end == std::string_view::npos) {
                errors = ErrorLine(l0, c0, "unterminated comment");
                return false;
            }
            advance(end + 2 - p);
            continue;
        }
        lineStart = false;
        Token t;
        t.line = line;
        t.col = col;
        const size_t start = p;
        if (IsIdentStart(c)) {
            while (p < s.size() && IsIdentChar(static_cast<unsigned char>(s[p]))) advance(1);
            t.kind = Tok::Ident;
        } else if (IsDigit(c) || (c == '.' && p + 1 < s.size() && IsDigit(static_cast<unsigned char>(s[p + 1])))) {
            while (p < s.size()) {
                const unsigned char d = static_cast<unsigned char>(s[p]);
                if (IsIdentChar(d) || d == '.') {
                    advance(1);
                } else if ((d == '+' || d == '-') && (s[p - 1] == 'e' || s[p - 1] == 'E') &&
                           !(s.size() > start + 1 && (s[start + 1] == 'x' || s[start + 1] == 'X'))) {
                    advance(1);
                } else {
                    break;
                }
            }
            t.kind = Tok::Number;
        } else if (c == '"' || c == '\'') {
            advance(1);
            bool closed = false;
            while (p < s.size()) {
                const char d = s[p];
                if (d == '\n') break;
                if (d == '\\' && p + 1 < s.size() && s[p + 1] != '\n') {
                    advance(2);
                    continue;
                }
                advance(1);
                if (d == static_cast<char>(c)) {
                    closed = true;
                    break;
                }
            }
            if (!closed) {
                errors = ErrorLine(t.line, t.col, "newline in constant");
                return false;
            }
            t.kind = Tok::String;
        } else if (c >= 0x80 || c < 0x20 || c == 0x7F) {
            errors = ErrorLine(t.line, t.col, "invalid character in source");
            return false;
        } else {
            advance(1);
            t.kind = Tok::Punct;
        }
        t.text = s.substr(start, p - start);
        out.push_back(t);
    }
    Token end;
    end.line = line;
    end.col = col;
    out.push_back(end);
    return true;
}

// A parsed type: what a parameter of it looks like (name, semantic and array left out).
struct TypeInfo
{
    uint32_t parameterClass = GXFX_PC_SCALAR;
    uint32_t type = GXFX_PT_VOID;
    uint32_t rows = 0;
    uint32_t columns = 0;
    uint32_t bytes = 0;  // of one element
    bool isVoid = false;
    std::vector<GxFxParameter> members;
    uint32_t nodes = 1;  // records this type makes, itself included
};

struct Modifiers
{
    bool isStatic = false;
    bool isShared = false;
    bool rowMajor = false;
};

// Bounds against inputs that would make huge descriptions out of a few lines.
constexpr uint32_t kMaxArrayElements = 65536;
constexpr uint32_t kMaxRecords = 65536;
constexpr int kMaxValueDepth = 16;

uint32_t SaturatingMul(uint64_t a, uint64_t b)
{
    const uint64_t r = a * b;
    return r > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(r);
}

bool ParseScalarName(std::string_view name, uint32_t& type)
{
    static const struct { const char* name; uint32_t type; } kBases[] = {
        {"bool", GXFX_PT_BOOL}, {"int", GXFX_PT_INT},     {"uint", GXFX_PT_INT},
        {"dword", GXFX_PT_INT}, {"half", GXFX_PT_FLOAT}, {"float", GXFX_PT_FLOAT}, {"double", GXFX_PT_FLOAT},
    };
    for (const auto& b : kBases)
        if (EqualNoCase(name, b.name)) {
            type = b.type;
            return true;
        }
    return false;
}

class Parser
{
public:
    Parser(const std::vector<Token>& tokens, GxFxDeclarations& out) : m_T(tokens), m_Out(out) {}

    bool Run()
    {
        while (Peek().kind != Tok::End) {
            if (IsPunct(";")) {
                ++m_I;
            } else if (IsWord("struct")) {
                if (!ParseStructStatement()) return false;
            } else if (IsWord("typedef")) {
                if (!SkipStatement()) return false;
            } else if (IsTechniqueWord()) {
                if (!ParseTechnique()) return false;
            } else {
                if (!ParseDeclaration()) return false;
            }
        }
        return true;
    }

    const std::string& Errors() const { return m_Errors; }

private:
    const Token& Peek(size_t ahead = 0) const
    {
        const size_t k = m_I + ahead;
        return k < m_T.size() ? m_T[k] : m_T.back();
    }
    const Token& Take()
    {
        const Token& t = Peek();
        if (m_I + 1 < m_T.size()) ++m_I;
        return t;
    }
    bool IsPunct(std::string_view p, size_t ahead = 0) const
    {
        return Peek(ahead).kind == Tok::Punct && Peek(ahead).text == p;
    }
    bool IsWord(std::string_view w) const { return Peek().kind == Tok::Ident && EqualNoCase(Peek().text, w); }
    bool IsTechniqueWord() const
    {
        return IsWord("technique") || IsWord("technique9") || IsWord("technique10") || IsWord("technique11");
    }

    bool Fail(const Token& t, std::string_view message)
    {
        if (m_Errors.empty()) m_Errors = ErrorLine(t.line, t.col, message);
        return false;
    }
    bool Unexpected(const Token& t)
    {
        if (t.kind == Tok::End) return Fail(t, "syntax error: unexpected end of file");
        return Fail(t, "syntax error: unexpected token '" + std::string(t.text) + "'");
    }
    bool Expect(std::string_view p)
    {
        if (!IsPunct(p)) return Unexpected(Peek());
        Take();
        return true;
    }
    bool ExpectIdent(std::string_view& name)
    {
        if (Peek().kind != Tok::Ident) return Unexpected(Peek());
        name = Take().text;
        return true;
    }
    bool CountRecords(uint32_t n)
    {
        m_Records += n;
        if (m_Records > kMaxRecords) return Fail(Peek(), "effect too large");
        return true;
    }

    // From an opening bracket to its match, inclusive.
    bool SkipBalanced(std::string_view open, std::string_view close)
    {
        if (!Expect(open)) return false;
        uint32_t depth = 1;
        while (depth > 0) {
            const Token& t = Take();
            if (t.kind == Tok::End) return Unexpected(t);
            if (t.kind != Tok::Punct) continue;
            if (t.text == open) ++depth;
            else if (t.text == close) --depth;
        }
        return true;
    }

    // Up to the next stop at bracket depth 0 (the stop is not taken).
    bool SkipUntil(std::string_view stopA, std::string_view stopB)
    {
        int32_t depth = 0;
        for (;;) {
            const Token& t = Peek();
            if (t.kind == Tok::End) return Unexpected(t);
            if (t.kind == Tok::Punct) {
                if (depth == 0 && (t.text == stopA || t.text == stopB)) return true;
                if (t.text == "(" || t.text == "{" || t.text == "[") ++depth;
                if (t.text == ")" || t.text == "}" || t.text == "]") {
                    if (depth == 0) return Unexpected(t);
                    --depth;
                }
            }
            Take();
        }
    }

    bool SkipStatement()
    {
        Take();
        if (!SkipUntil(";", ";")) return false;
        Take();
        return true;
    }

    void ParseModifiers(Modifiers& m)
    {
        for (;;) {
            if (IsWord("static")) m.isStatic = true;
            else if (IsWord("shared")) m.isShared = true;
            else if (IsWord("row_major")) m.rowMajor = true;
            else if (IsWord("column_major")) m.rowMajor = false;
            else if (!(IsWord("uniform") || IsWord("extern") || IsWord("const") || IsWord("volatile") ||
                       IsWord("inline") || IsWord("precise") || IsWord("nointerpolation") || IsWord("linear") ||
                       IsWord("centroid") || IsWord("noperspective") || IsWord("sample")))
                return;
            Take();
        }
    }

    static void SetNumeric(TypeInfo& t, uint32_t type, uint32_t rows, uint32_t columns, bool rowMajor)
    {
        t.type = type;
        t.rows = rows;
        t.columns = columns;
        if (rows == 1 && columns == 1) t.parameterClass = GXFX_PC_SCALAR;
        else if (rows == 1) t.parameterClass = GXFX_PC_VECTOR;
        else t.parameterClass = rowMajor ? GXFX_PC_MATRIX_ROWS : GXFX_PC_MATRIX_COLUMNS;
        t.bytes = rows * columns * 4;
    }

    // "float", "float3", "float4x4" and the other numeric names.
    static bool NumericFromName(std::string_view name, bool rowMajor, TypeInfo& t)
    {
        size_t k = name.size();
        while (k > 0 && (IsDigit(static_cast<unsigned char>(name[k - 1])) || name[k - 1] == 'x')) --k;
        uint32_t type = 0;
        if (!ParseScalarName(name.substr(0, k), type)) return false;
        const std::string_view suffix = name.substr(k);
        uint32_t rows = 1, columns = 1;
        if (suffix.empty()) {
        } else if (suffix.size() == 1 && suffix[0] >= '1' && suffix[0] <= '4') {
            columns = static_cast<uint32_t>(suffix[0] - '0');
        } else if (suffix.size() == 3 && suffix[0] >= '1' && suffix[0] <= '4' && suffix[1] == 'x' && suffix[2] >= '1' &&
                   suffix[2] <= '4') {
            rows = static_cast<uint32_t>(suffix[0] - '0');
            columns = static_cast<uint32_t>(suffix[2] - '0');
        } else {
            return false;
        }
        SetNumeric(t, type, rows, columns, rowMajor);
        return true;
    }

    bool ReadSmallInt(uint32_t& v, uint32_t low, uint32_t high)
    {
        const Token& t = Peek();
        if (t.kind != Tok::Number) return Unexpected(t);
        uint32_t n = 0;
        auto r = std::from_chars(t.text.data(), t.text.data() + t.text.size(), n);
        if (r.ec != std::errc() || r.ptr != t.text.data() + t.text.size() || n < low || n > high)
            return Fail(t, "invalid dimension '" + std::string(t.text) + "'");
        Take();
        v = n;
        return true;
    }

    // A type name with its template arguments, if any.
    bool ParseType(const Modifiers& mods, TypeInfo& t)
    {
        const Token& at = Peek();
        std::string_view name;
        if (!ExpectIdent(name)) return false;
        if (EqualNoCase(name, "void")) {
            t.isVoid = true;
            return true;
        }
        if (EqualNoCase(name, "matrix") || EqualNoCase(name, "vector")) {
            const bool isMatrix = EqualNoCase(name, "matrix");
            if (isMatrix) SetNumeric(t, GXFX_PT_FLOAT, 4, 4, mods.rowMajor);
            else SetNumeric(t, GXFX_PT_FLOAT, 1, 4, mods.rowMajor);
            if (!IsPunct("<")) return true;
            Take();
            std::string_view scalar;
            if (!ExpectIdent(scalar)) return false;
            uint32_t type = 0;
            if (!ParseScalarName(scalar, type)) return Fail(m_T[m_I - 1], "invalid template argument");
            uint32_t rows = 1, columns = 4;
            if (!Expect(",")) return false;
            if (isMatrix) {
                if (!ReadSmallInt(rows, 1, 4) || !Expect(",")) return false;
            }
            if (!ReadSmallInt(columns, 1, 4) || !Expect(">")) return false;
            SetNumeric(t, type, rows, columns, mods.rowMajor);
            return true;
        }
        if (NumericFromName(name, mods.rowMajor, t)) return true;
        static const struct { const char* name; uint32_t type; } kObjects[] = {
            {"string", GXFX_PT_STRING},           {"texture", GXFX_PT_TEXTURE},
            {"texture1D", GXFX_PT_TEXTURE1D},     {"texture2D", GXFX_PT_TEXTURE2D},
            {"texture3D", GXFX_PT_TEXTURE3D},     {"textureCUBE", GXFX_PT_TEXTURECUBE},
            {"sampler", GXFX_PT_SAMPLER},         {"SamplerState", GXFX_PT_SAMPLER},
            {"sampler1D", GXFX_PT_SAMPLER1D},     {"sampler2D", GXFX_PT_SAMPLER2D},
            {"sampler3D", GXFX_PT_SAMPLER3D},     {"samplerCUBE", GXFX_PT_SAMPLERCUBE},
            {"PixelShader", GXFX_PT_PIXELSHADER}, {"VertexShader", GXFX_PT_VERTEXSHADER},
        };
        for (const auto& o : kObjects)
            if (EqualNoCase(name, o.name)) {
                t.parameterClass = GXFX_PC_OBJECT;
                t.type = o.type;
                t.rows = t.columns = 1;
                t.bytes = 4;
                // Texture2D<float4> and the like: the element type says nothing we keep.
                if (IsPunct("<")) {
                    Take();
                    if (!SkipUntil(">", ">")) return false;
                    Take();
                }
                return true;
            }
        auto it = m_Structs.find(std::string(name));
        if (it != m_Structs.end()) {
            t = it->second;
            return true;
        }
        return Fail(at, "unrecognized identifier '" + std::string(name) + "'");
    }

    // Name, array, semantic or register, annotations and initialiser of one declarator.
    bool ParseDeclarator(const TypeInfo& type, const Modifiers& mods, std::string_view name, GxFxParameter& p,
                         bool allowInitializer)
    {
        p.name = std::string(name);
        p.parameterClass = type.parameterClass;
        p.type = type.type;
        p.rows = type.rows;
        p.columns = type.columns;
        p.members = type.members;
        p.flags = mods.isShared ? GXFX_PARAMETER_SHARED : 0;
        uint64_t elements = 0;
        while (IsPunct("[")) {
            Take();
            uint32_t n = 0;
            if (!ReadSmallInt(n, 1, kMaxArrayElements) || !Expect("]")) return false;
            elements = (elements == 0 ? 1 : elements) * n;
            if (elements > kMaxArrayElements) return Fail(Peek(), "array too large");
        }
        p.elements = static_cast<uint32_t>(elements);
        p.bytes = SaturatingMul(type.bytes, elements == 0 ? 1 : elements);
        while (IsPunct(":")) {
            Take();
            std::string_view word;
            if (!ExpectIdent(word)) return false;
            if (EqualNoCase(word, "register") || EqualNoCase(word, "packoffset")) {
                if (!SkipBalanced("(", ")")) return false;
            } else if (p.semantic.empty()) {
                p.semantic = std::string(word);
            }
        }
        if (IsPunct("<") && !ParseAnnotations(p.annotations)) return false;
        if (allowInitializer && IsPunct("=")) {
            Take();
            if (!SkipUntil(",", ";")) return false;
        }
        return true;
    }

    bool ParseDeclaration()
    {
        Modifiers mods;
        ParseModifiers(mods);
        TypeInfo type;
        if (!ParseType(mods, type)) return false;
        std::string_view name;
        if (!ExpectIdent(name)) return false;
        if (IsPunct("(")) {
            // A function: its parameters, an optional return semantic, then a body or ";".
            if (!SkipBalanced("(", ")")) return false;
            while (IsPunct(":")) {
                Take();
                std::string_view word;
                if (!ExpectIdent(word)) return false;
                if (EqualNoCase(word, "register") && !SkipBalanced("(", ")")) return false;
            }
            if (IsPunct(";")) {
                Take();
                return true;
            }
            return SkipBalanced("{", "}");
        }
        if (type.isVoid) return Fail(m_T[m_I - 1], "'" + std::string(name) + "': void variable");
        for (;;) {
            GxFxParameter p;
            if (!ParseDeclarator(type, mods, name, p, true)) return false;
            // Static globals belong to the code, not to the effect's parameters.
            if (!mods.isStatic) {
                if (!CountRecords(type.nodes)) return false;
                m_Out.parameters.push_back(std::move(p));
            }
            if (IsPunct(";")) {
                Take();
                return true;
            }
            if (!Expect(",")) return false;
            if (!ExpectIdent(name)) return false;
        }
    }

    bool ParseStructStatement()
    {
        const Token& kw = Take();
        std::string name;
        if (Peek().kind == Tok::Ident) name = std::string(Take().text);
        if (!Expect("{")) return false;
        TypeInfo t;
        t.parameterClass = GXFX_PC_STRUCT;
        t.type = GXFX_PT_VOID;
        uint64_t bytes = 0;
        uint64_t nodes = 1;
        while (!IsPunct("}")) {
            if (Peek().kind == Tok::End) return Unexpected(Peek());
            Modifiers mods;
            ParseModifiers(mods);
            TypeInfo mt;
            if (!ParseType(mods, mt)) return false;
            if (mt.isVoid) return Fail(Peek(), "void structure member");
            for (;;) {
                std::string_view memberName;
                if (!ExpectIdent(memberName)) return false;
                GxFxParameter m;
                if (!ParseDeclarator(mt, mods, memberName, m, false)) return false;
                bytes += m.bytes;
                nodes += mt.nodes;
                if (nodes + m_Records > kMaxRecords) return Fail(Peek(), "effect too large");
                t.members.push_back(std::move(m));
                if (IsPunct(";")) break;
                if (!Expect(",")) return false;
            }
            Take();
        }
        Take();
        if (t.members.empty()) return Fail(kw, "structure without members");
        t.bytes = bytes > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(bytes);
        t.nodes = static_cast<uint32_t>(nodes);
        if (!CountRecords(t.nodes)) return false;
        if (!name.empty()) {
            if (m_Structs.count(name)) return Fail(kw, "'" + name + "': struct type redefinition");
            m_Structs[name] = t;
        }
        if (IsPunct(";")) {
            Take();
            return true;
        }
        // Variables of the structure declared with it.
        Modifiers none;
        for (;;) {
            std::string_view var;
            if (!ExpectIdent(var)) return false;
            GxFxParameter p;
            if (!ParseDeclarator(t, none, var, p, true)) return false;
            if (!CountRecords(t.nodes)) return false;
            m_Out.parameters.push_back(std::move(p));
            if (IsPunct(";")) {
                Take();
                return true;
            }
            if (!Expect(",")) return false;
        }
    }

    bool ParseNumber(double& v)
    {
        bool negative = false;
        while (IsPunct("-") || IsPunct("+")) {
            if (IsPunct("-")) negative = !negative;
            Take();
        }
        const Token& t = Peek();
        if (t.kind == Tok::Ident && (EqualNoCase(t.text, "true") || EqualNoCase(t.text, "false"))) {
            v = EqualNoCase(t.text, "true") ? 1.0 : 0.0;
            Take();
            return true;
        }
        if (t.kind != Tok::Number) return Unexpected(t);
        std::string_view text = t.text;
        bool ok = false;
        if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
            std::string_view digits = text.substr(2);
            while (!digits.empty() && (digits.back() == 'u' || digits.back() == 'U' || digits.back() == 'l' ||
                                       digits.back() == 'L'))
                digits.remove_suffix(1);
            uint64_t n = 0;
            auto r = std::from_chars(digits.data(), digits.data() + digits.size(), n, 16);
            ok = r.ec == std::errc() && r.ptr == digits.data() + digits.size() && !digits.empty();
            v = static_cast<double>(n);
        } else {
            std::string_view digits = text;
            while (!digits.empty() && std::strchr("fFhHuUlL", digits.back()) != nullptr) digits.remove_suffix(1);
            auto r = std::from_chars(digits.data(), digits.data() + digits.size(), v);
            ok = r.ec == std::errc() && r.ptr == digits.data() + digits.size() && !digits.empty();
        }
        if (!ok) return Fail(t, "invalid number '" + std::string(text) + "'");
        Take();
        if (negative) v = -v;
        return true;
    }

    // A literal, a brace list or a constructor call of literals.
    bool ParseValue(GxFxAnnotation& a, int depth)
    {
        if (depth > kMaxValueDepth) return Fail(Peek(), "initializer nested too deeply");
        if (Peek().kind == Tok::String) {
            while (Peek().kind == Tok::String) {
                const std::string_view s = Take().text;
                a.text.append(s.substr(1, s.size() - 2));
            }
            return true;
        }
        const bool brace = IsPunct("{");
        const bool call = Peek().kind == Tok::Ident && IsPunct("(", 1);
        if (brace || call) {
            if (call) Take();
            Take();
            const std::string_view close = brace ? "}" : ")";
            while (!IsPunct(close)) {
                if (!ParseValue(a, depth + 1)) return false;
                if (IsPunct(",")) Take();
                else if (!IsPunct(close)) return Unexpected(Peek());
            }
            Take();
            return true;
        }
        double v = 0;
        if (!ParseNumber(v)) return false;
        if (a.numbers.size() < 16) a.numbers.push_back(v);
        return true;
    }

    bool ParseAnnotations(std::vector<GxFxAnnotation>& out)
    {
        if (!Expect("<")) return false;
        while (!IsPunct(">")) {
            if (Peek().kind == Tok::End) return Unexpected(Peek());
            Modifiers mods;
            ParseModifiers(mods);
            TypeInfo t;
            if (!ParseType(mods, t)) return false;
            if (t.isVoid || t.parameterClass == GXFX_PC_STRUCT ||
                (t.parameterClass == GXFX_PC_OBJECT && t.type != GXFX_PT_STRING))
                return Fail(m_T[m_I - 1], "invalid annotation type");
            GxFxAnnotation a;
            std::string_view name;
            if (!ExpectIdent(name)) return false;
            a.name = std::string(name);
            a.parameterClass = t.parameterClass;
            a.type = t.type;
            if (!Expect("=")) return false;
            if (!ParseValue(a, 0)) return false;
            if (!Expect(";")) return false;
            if (!CountRecords(1)) return false;
            out.push_back(std::move(a));
        }
        Take();
        return true;
    }

    bool ParseTechnique()
    {
        Take();
        GxFxTechnique t;
        if (Peek().kind == Tok::Ident) t.name = std::string(Take().text);
        if (IsPunct("<") && !ParseAnnotations(t.annotations)) return false;
        if (!Expect("{")) return false;
        while (!IsPunct("}")) {
            if (!IsWord("pass")) return Unexpected(Peek());
            Take();
            if (Peek().kind == Tok::Ident) Take();
            std::vector<GxFxAnnotation> passAnnotations;
            if (IsPunct("<") && !ParseAnnotations(passAnnotations)) return false;
            if (!SkipBalanced("{", "}")) return false;
            ++t.passes;
        }
        Take();
        if (!CountRecords(1)) return false;
        m_Out.techniques.push_back(std::move(t));
        return true;
    }

    const std::vector<Token>& m_T;
    GxFxDeclarations& m_Out;
    size_t m_I = 0;
    std::string m_Errors;
    std::map<std::string, TypeInfo> m_Structs;
    uint32_t m_Records = 0;
};

template <class T>
bool InVector(const std::vector<T>& v, const void* h, size_t* index)
{
    if (v.empty() || !h) return false;
    const auto* p = static_cast<const T*>(h);
    std::less<const T*> less;
    if (less(p, v.data()) || !less(p, v.data() + v.size())) return false;
    *index = static_cast<size_t>(p - v.data());
    return true;
}

const GxFxParameter* FindParameter(const std::vector<GxFxParameter>& list, const void* h)
{
    size_t i = 0;
    if (InVector(list, h, &i)) return &list[i];
    for (const auto& p : list)
        if (const GxFxParameter* m = FindParameter(p.members, h)) return m;
    return nullptr;
}

const GxFxAnnotation* FindAnnotationIn(const std::vector<GxFxParameter>& list, const void* h)
{
    for (const auto& p : list) {
        size_t i = 0;
        if (InVector(p.annotations, h, &i)) return &p.annotations[i];
        if (const GxFxAnnotation* a = FindAnnotationIn(p.members, h)) return a;
    }
    return nullptr;
}

}  // namespace

bool GxReadFxDeclarations(std::string_view source, GxFxDeclarations& out, std::string& errors)
{
    errors.clear();
    std::vector<Token> tokens;
    if (!Tokenize(source, tokens, errors)) return false;
    Parser parser(tokens, out);
    if (parser.Run()) return true;
    errors = parser.Errors();
    return false;
}

// ---- The effect object ---------------------------------------------------------------------------

GxResult GxFxEffect::Create(const void* data, uint32_t size, uint32_t flags, std::unique_ptr<GxFxEffect>& effect,
                            std::string& errors)
{
    effect.reset();
    errors.clear();
    if (!data && size != 0) return GXERR_INVALIDCALL;
    std::string_view source(static_cast<const char*>(data), data ? size : 0);
    // Text handed over with its terminating zero ends there.
    const size_t zero = source.find('\0');
    if (zero != std::string_view::npos) source = source.substr(0, zero);
    std::unique_ptr<GxFxEffect> made(new GxFxEffect());
    made->m_Flags = flags;
    if (!GxReadFxDeclarations(source, made->m_Decl, errors)) return GXERR_INVALIDDATA;
    effect = std::move(made);
    return GX_OK;
}

const GxFxTechnique* GxFxEffect::AsTechnique(GxFxHandle h) const
{
    size_t i = 0;
    return InVector(m_Decl.techniques, h, &i) ? &m_Decl.techniques[i] : nullptr;
}

const GxFxParameter* GxFxEffect::AsParameter(GxFxHandle h) const { return FindParameter(m_Decl.parameters, h); }

const GxFxAnnotation* GxFxEffect::AsAnnotation(GxFxHandle h) const
{
    for (const auto& t : m_Decl.techniques) {
        size_t i = 0;
        if (InVector(t.annotations, h, &i)) return &t.annotations[i];
    }
    return FindAnnotationIn(m_Decl.parameters, h);
}

GxFxHandle GxFxEffect::FindNextValidTechnique(GxFxHandle technique) const
{
    if (m_Decl.techniques.empty()) return nullptr;
    if (!technique) return &m_Decl.techniques[0];
    size_t i = 0;
    if (!InVector(m_Decl.techniques, technique, &i) || i + 1 >= m_Decl.techniques.size()) return nullptr;
    return &m_Decl.techniques[i + 1];
}

GxResult GxFxEffect::GetTechniqueDesc(GxFxHandle technique, GxFxTechniqueDesc* desc) const
{
    const GxFxTechnique* t = AsTechnique(technique);
    if (!t || !desc) return GXERR_INVALIDCALL;
    desc->name = t->name.c_str();
    desc->passes = t->passes;
    desc->annotations = static_cast<uint32_t>(t->annotations.size());
    return GX_OK;
}

GxFxHandle GxFxEffect::GetAnnotationByName(GxFxHandle object, std::string_view name) const
{
    const std::vector<GxFxAnnotation>* list = nullptr;
    if (const GxFxTechnique* t = AsTechnique(object)) list = &t->annotations;
    else if (const GxFxParameter* p = AsParameter(object)) list = &p->annotations;
    if (!list) return nullptr;
    for (const auto& a : *list)
        if (a.name == name) return &a;
    return nullptr;
}

GxResult GxFxEffect::GetInt(GxFxHandle annotation, int32_t* value) const
{
    const GxFxAnnotation* a = AsAnnotation(annotation);
    if (!a || !value) return GXERR_INVALIDCALL;
    if (a->type != GXFX_PT_INT && a->type != GXFX_PT_BOOL && a->type != GXFX_PT_FLOAT) return GXERR_INVALIDCALL;
    if (a->numbers.empty()) return GXERR_INVALIDCALL;
    const double v = a->numbers[0];
    // Out-of-range values clamp rather than overflow the conversion.
    if (v >= 2147483647.0) *value = 2147483647;
    else if (v <= -2147483648.0) *value = -2147483647 - 1;
    else if (v != v) *value = 0;
    else *value = static_cast<int32_t>(v);
    return GX_OK;
}

GxResult GxFxEffect::GetDesc(GxFxEffectDesc* desc) const
{
    if (!desc) return GXERR_INVALIDCALL;
    desc->parameters = static_cast<uint32_t>(m_Decl.parameters.size());
    desc->techniques = static_cast<uint32_t>(m_Decl.techniques.size());
    return GX_OK;
}

GxFxHandle GxFxEffect::GetParameter(GxFxHandle parent, uint32_t index) const
{
    const std::vector<GxFxParameter>* list = &m_Decl.parameters;
    if (parent) {
        const GxFxParameter* p = AsParameter(parent);
        if (!p) return nullptr;
        list = &p->members;
    }
    return index < list->size() ? &(*list)[index] : nullptr;
}

GxResult GxFxEffect::GetParameterDesc(GxFxHandle parameter, GxFxParameterDesc* desc) const
{
    const GxFxParameter* p = AsParameter(parameter);
    if (!p || !desc) return GXERR_INVALIDCALL;
    desc->name = p->name.c_str();
    desc->semantic = p->semantic.empty() ? nullptr : p->semantic.c_str();
    desc->parameterClass = p->parameterClass;
    desc->type = p->type;
    desc->rows = p->rows;
    desc->columns = p->columns;
    desc->elements = p->elements;
    desc->annotations = static_cast<uint32_t>(p->annotations.size());
    desc->structMembers = static_cast<uint32_t>(p->members.size());
    desc->flags = p->flags;
    desc->bytes = p->bytes;
    return GX_OK;
}

GxResult GxFxEffect::OnLostDevice()
{
    m_Lost = true;
    return GX_OK;
}

GxResult GxFxEffect::OnResetDevice()
{
    m_Lost = false;
    return GX_OK;
}
