#include "platform/GxFxReader.h"

#include <charconv>
#include <cstring>
#include <map>

#include "platform/GxFxReaderInternal.h"

// The lexer: GxFxLexer.cpp; the effect object and its queries: GxFxEffect.cpp.

using GxFxReaderInternal::ErrorLine;
using GxFxReaderInternal::IsDigit;
using GxFxReaderInternal::Tok;
using GxFxReaderInternal::Token;
using GxFxReaderInternal::Tokenize;

namespace {

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
