#include "tests/support/GxMoaPackageBuilder.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <map>
#include <utility>

#include "core/GxContentReader.h"
#include "core/GxContentWriter.h"
#include "core/GxString.h"
#include "tests/support/GxContentFixture.h"

namespace {

struct NamedCode
{
    std::u16string_view name;
    int32_t code;
};

// Test names of the generic builtins (see the header).
constexpr NamedCode kGenericBuiltins[] = {
    {u"int", 1},          {u"float", 2},         {u"str", 3},           {u"isarray", 4},
    {u"arraysize", 5},    {u"trace", 6},         {u"debuglog", 7},      {u"errorlog", 8},
    {u"fileexists", 9},   {u"filesize", 10},     {u"strlen", 11},       {u"substr", 12},
    {u"tolower", 13},     {u"toupper", 14},      {u"strfind", 15},      {u"islabel", 16},
    {u"dump", 17},        {u"locale", 20},       {u"timezonename", 21}, {u"timezonebias", 22},
    {u"time", 23},        {u"year", 24},         {u"month", 25},        {u"day", 26},
    {u"hour", 27},        {u"minute", 28},       {u"second", 29},       {u"weekday", 30},
    {u"yearday", 31},     {u"currentdir", 32},   {u"jump", 64},         {u"jumpif", 65},
    {u"call", 66},        {u"callif", 67},       {u"return", 68},       {u"returnif", 69},
    {u"exit", 70},        {u"result", 71},       {u"sign", 100},        {u"abs", 101},
    {u"fsign", 102},      {u"fabs", 103},        {u"fmod", 104},        {u"pow", 105},
    {u"sqrt", 106},       {u"exp", 107},         {u"log", 108},
};

constexpr NamedCode kKeywords[] = {
    {u"IF", MOATOKEN_IF},           {u"ELSE", MOATOKEN_ELSE},         {u"WHILE", MOATOKEN_WHILE},
    {u"FOR", MOATOKEN_FOR},         {u"DO", MOATOKEN_DO},             {u"CONTINUE", MOATOKEN_CONTINUE},
    {u"BREAK", MOATOKEN_BREAK},     {u"NULL", MOATOKEN_NULL},         {u"ARRAY", MOATOKEN_ARRAY},
    {u"DEFINE", MOATOKEN_DEFINE},   {u"BUILTIN", MOATOKEN_BUILTINDECL}, {u"STATIC", MOATOKEN_STATIC},
    {u"GLOBAL", MOATOKEN_GLOBAL},   {u"EXTERN", MOATOKEN_EXTERN},     {u"NOSAVE", MOATOKEN_NOSAVE},
    {u"INGAME", MOATOKEN_INGAME},   {u"PERMAN", MOATOKEN_PERMAN},     {u"BREAKPOINT", MOATOKEN_BREAKPOINT},
};

// Operators, longest first where one is a prefix of another. "+", "-", "++" and "--" are
// decided by what precedes them (below).
constexpr NamedCode kOperators[] = {
    {u"==", MOATOKEN_EQ},        {u"!=", MOATOKEN_NE},        {u">=", MOATOKEN_GE},
    {u"<=", MOATOKEN_LE},        {u"<<", MOATOKEN_SHL},       {u">>", MOATOKEN_SHR},
    {u"&&", MOATOKEN_LOGAND},    {u"||", MOATOKEN_LOGOR},     {u"++", MOATOKEN_POSTINC},
    {u"--", MOATOKEN_POSTDEC},   {u"+=", MOATOKEN_ADDASSIGN}, {u":=", MOATOKEN_CONCATASSIGN},
    {u"-=", MOATOKEN_SUBASSIGN}, {u"*=", MOATOKEN_MULASSIGN}, {u"/=", MOATOKEN_DIVASSIGN},
    {u"%=", MOATOKEN_MODASSIGN}, {u"&=", MOATOKEN_ANDASSIGN}, {u"|=", MOATOKEN_ORASSIGN},
    {u"^=", MOATOKEN_XORASSIGN}, {u">", MOATOKEN_GT},         {u"<", MOATOKEN_LT},
    {u"+", MOATOKEN_ADD},        {u":", MOATOKEN_CONCAT},     {u"-", MOATOKEN_SUB},
    {u"*", MOATOKEN_MUL},        {u"/", MOATOKEN_DIV},        {u"%", MOATOKEN_MOD},
    {u"&", MOATOKEN_BITAND},     {u"|", MOATOKEN_BITOR},      {u"^", MOATOKEN_BITXOR},
    {u"~", MOATOKEN_BITNOT},     {u"!", MOATOKEN_NOT},        {u"=", MOATOKEN_ASSIGN},
    {u"?", MOATOKEN_QUESTION},   {u";", MOATOKEN_SEMICOLON},  {u",", MOATOKEN_COMMA},
    {u"{", MOATOKEN_BLOCKSTART}, {u"}", MOATOKEN_BLOCKEND},   {u"[", MOATOKEN_SUBSCRIPTOPEN},
    {u"]", MOATOKEN_SUBSCRIPTCLOSE}, {u"(", MOATOKEN_BRACKETOPEN}, {u")", MOATOKEN_BRACKETCLOSE},
};

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsHexDigit(char16_t c) { return IsDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }
bool IsNameStart(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' || c >= 0x80; }
bool IsNameChar(char16_t c) { return IsNameStart(c) || IsDigit(c) || c == u'.'; }

std::u16string_view TrimBlanks(std::u16string_view s)
{
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Types after which "+" and "-" are binary and a following token is no operand start.
bool EndsTerm(int32_t type)
{
    switch (type) {
    case MOATOKEN_INT: case MOATOKEN_FLOAT: case MOATOKEN_STRING: case MOATOKEN_NULL:
    case MOATOKEN_VARIABLE: case MOATOKEN_SUBSCRIPTCLOSE: case MOATOKEN_BRACKETCLOSE:
    case MOATOKEN_POSTINC: case MOATOKEN_POSTDEC: case MOATOKEN_BUILTIN: case MOATOKEN_UNKNOWN:
        return true;
    default:
        return false;
    }
}

std::string Narrow(std::u16string_view s) { return GxWideToUtf8(s); }

GxMoaToken MakeToken(int32_t type, int64_t value = 0) { return GxMoaToken(type, value); }

GxMoaToken MakeTextToken(int32_t type, std::u16string_view text, int64_t value = 0)
{
    GxMoaToken t(type, value);
    t.SetString(text);
    return t;
}

}  // namespace

GxMoaPackageBuilder::GxMoaPackageBuilder() : GxMoaPackageBuilder(true) {}

GxMoaPackageBuilder::GxMoaPackageBuilder(bool withGenericBuiltins)
{
    if (withGenericBuiltins)
        for (const NamedCode& b : kGenericBuiltins) AddBuiltin(b.name, b.code);
}

void GxMoaPackageBuilder::AddBuiltin(std::u16string_view name, int32_t index, int32_t relatedIndex, int32_t builtinType)
{
    for (GxMoaBuiltinDefinition& d : m_Program.m_BuiltinDefine) {
        if (d.m_Name == name) {
            d.m_BuiltinIndex = index;
            d.m_RelatedIndex = relatedIndex;
            d.m_BuiltinType = builtinType;
            return;
        }
    }
    GxMoaBuiltinDefinition d;
    d.m_Name = name;
    d.m_BuiltinIndex = index;
    d.m_RelatedIndex = relatedIndex;
    d.m_BuiltinType = builtinType;
    m_Program.AddBuiltinDefine(d);
}

void GxMoaPackageBuilder::Error(std::u16string_view script, int32_t line, std::string_view message)
{
    m_Errors += Narrow(script);
    m_Errors += ':';
    m_Errors += std::to_string(line);
    m_Errors += ": ";
    m_Errors += message;
    m_Errors += '\n';
}

bool GxMoaPackageBuilder::AddScript(std::u16string_view name, std::string_view utf8Source)
{
    return BuildScript(name, GxUtf8ToWide(utf8Source));
}

bool GxMoaPackageBuilder::AddScript(std::u16string_view name, std::u16string_view source)
{
    return BuildScript(name, source);
}

bool GxMoaPackageBuilder::LexLine(std::u16string_view line, std::vector<GxMoaToken>& out)
{
    std::string error;
    if (LexStatement(line, out, error)) return true;
    Error(u"(line)", 0, error);
    return false;
}

bool GxMoaPackageBuilder::LexStatement(std::u16string_view text, std::vector<GxMoaToken>& out, std::string& error) const
{
    out.clear();
    size_t i = 0;
    const size_t n = text.size();
    auto lastType = [&] { return out.empty() ? -1 : out.back().GetType(); };
    while (i < n) {
        const char16_t c = text[i];
        if (IsBlank(c)) {
            ++i;
            continue;
        }
        if (c == u'/' && i + 1 < n && text[i + 1] == u'/') break;  // comment

        if (IsDigit(c)) {
            size_t start = i;
            if (c == u'0' && i + 2 < n && (text[i + 1] == u'x' || text[i + 1] == u'X') && IsHexDigit(text[i + 2])) {
                uint64_t v = 0;
                i += 2;
                size_t digits = 0;
                for (; i < n && IsHexDigit(text[i]); ++i, ++digits) {
                    const char16_t h = text[i];
                    v = v * 16 + static_cast<uint64_t>(IsDigit(h) ? h - u'0' : (h | 0x20) - u'a' + 10);
                }
                if (digits > 16) {
                    error = "hexadecimal literal longer than 64 bits";
                    return false;
                }
                out.push_back(MakeToken(MOATOKEN_INT, static_cast<int64_t>(v)));
            } else {
                bool isFloat = false;
                while (i < n && IsDigit(text[i])) ++i;
                if (i + 1 < n && text[i] == u'.' && IsDigit(text[i + 1])) {
                    isFloat = true;
                    ++i;
                    while (i < n && IsDigit(text[i])) ++i;
                }
                if (i < n && (text[i] == u'e' || text[i] == u'E')) {
                    size_t j = i + 1;
                    if (j < n && (text[j] == u'+' || text[j] == u'-')) ++j;
                    if (j < n && IsDigit(text[j])) {
                        isFloat = true;
                        i = j;
                        while (i < n && IsDigit(text[i])) ++i;
                    }
                }
                const std::string ascii = Narrow(text.substr(start, i - start));
                if (isFloat) {
                    double d = 0;
                    auto r = std::from_chars(ascii.data(), ascii.data() + ascii.size(), d);
                    if (r.ec != std::errc()) {
                        error = "bad float literal " + ascii;
                        return false;
                    }
                    GxMoaToken t(MOATOKEN_FLOAT);
                    t.SetFloat(d);
                    out.push_back(std::move(t));
                } else {
                    int64_t v = 0;
                    auto r = std::from_chars(ascii.data(), ascii.data() + ascii.size(), v);
                    if (r.ec != std::errc()) {
                        error = "integer literal out of range " + ascii;
                        return false;
                    }
                    out.push_back(MakeToken(MOATOKEN_INT, v));
                }
            }
            if (i < n && IsNameChar(text[i])) {
                error = "a number runs into a name: " + Narrow(text.substr(start, i + 1 - start));
                return false;
            }
            continue;
        }

        if (c == u'"') {
            std::u16string s;
            ++i;
            bool closed = false;
            while (i < n) {
                char16_t d = text[i++];
                if (d == u'"') {
                    closed = true;
                    break;
                }
                if (d == u'\\' && i < n) {
                    char16_t e = text[i++];
                    switch (e) {
                    case u'n': d = u'\n'; break;
                    case u't': d = u'\t'; break;
                    case u'r': d = u'\r'; break;
                    case u'"': d = u'"'; break;
                    case u'\\': d = u'\\'; break;
                    default:
                        error = "unknown escape \\" + Narrow(std::u16string(1, e));
                        return false;
                    }
                }
                s.push_back(d);
            }
            if (!closed) {
                error = "unterminated string";
                return false;
            }
            out.push_back(MakeTextToken(MOATOKEN_STRING, s));
            continue;
        }

        if (IsNameStart(c)) {
            size_t start = i;
            while (i < n && IsNameChar(text[i])) ++i;
            const std::u16string_view word = text.substr(start, i - start);
            bool done = false;
            for (const NamedCode& k : kKeywords) {
                if (k.name == word) {
                    // ELSE IF (...): the ELSE carries the condition; no IF token is emitted.
                    if (!(k.code == MOATOKEN_IF && lastType() == MOATOKEN_ELSE)) out.push_back(MakeToken(k.code));
                    done = true;
                    break;
                }
            }
            if (done) continue;
            if (const GxMoaBuiltinDefinition* b = m_Program.FindBuiltinDefine(word)) {
                out.push_back(MakeTextToken(MOATOKEN_BUILTIN, word, b->m_BuiltinIndex));
                continue;
            }
            size_t j = i;
            while (j < n && IsBlank(text[j])) ++j;
            int32_t type = MOATOKEN_VARIABLE;
            if (j < n && text[j] == u'[') type = MOATOKEN_ARRAYVARIABLE;
            else if ((j < n && text[j] == u'(') || word.find(u'.') != std::u16string_view::npos) type = MOATOKEN_UNKNOWN;
            out.push_back(MakeTextToken(type, word));
            continue;
        }

        bool matched = false;
        for (const NamedCode& op : kOperators) {
            if (text.substr(i, op.name.size()) != op.name) continue;
            int32_t type = op.code;
            const bool afterTerm = EndsTerm(lastType());
            if (type == MOATOKEN_ADD && !afterTerm) type = MOATOKEN_PLUS;
            if (type == MOATOKEN_SUB && !afterTerm) type = MOATOKEN_MINUS;
            const bool afterVariable = lastType() == MOATOKEN_VARIABLE || lastType() == MOATOKEN_SUBSCRIPTCLOSE;
            if (type == MOATOKEN_POSTINC && !afterVariable) type = MOATOKEN_PREINC;
            if (type == MOATOKEN_POSTDEC && !afterVariable) type = MOATOKEN_PREDEC;
            out.push_back(MakeToken(type));
            i += op.name.size();
            matched = true;
            break;
        }
        if (!matched) {
            error = "unexpected character '" + Narrow(std::u16string(1, c)) + "'";
            return false;
        }
    }
    return true;
}

bool GxMoaPackageBuilder::ParseDeclaration(const std::vector<GxMoaToken>& tokens, int32_t line,
                                           std::u16string_view scriptName, GxMoaVariableDefinition& out,
                                           std::string& error) const
{
    size_t i = 0;
    int32_t base = 0;
    switch (tokens[i++].GetType()) {
    case MOATOKEN_STATIC: base = MOASCOPE_STATIC_PERMAN; break;
    case MOATOKEN_GLOBAL: base = MOASCOPE_GLOBAL_PERMAN; break;
    default: base = MOASCOPE_EXTERN_PERMAN; break;
    }
    int32_t offset = 1;  // INGAME
    if (i < tokens.size()) {
        switch (tokens[i].GetType()) {
        case MOATOKEN_PERMAN: offset = 0; ++i; break;
        case MOATOKEN_INGAME: offset = 1; ++i; break;
        case MOATOKEN_NOSAVE: offset = 2; ++i; break;
        default: break;
        }
    }
    if (i >= tokens.size() ||
        (tokens[i].GetType() != MOATOKEN_VARIABLE && tokens[i].GetType() != MOATOKEN_ARRAYVARIABLE)) {
        error = "a declaration needs a variable name";
        return false;
    }
    out = GxMoaVariableDefinition();
    out.m_Name = tokens[i].GetString();
    out.m_Scope = base + offset;
    out.m_ScriptName = scriptName;
    out.m_Line = line;
    if (tokens[i++].GetType() == MOATOKEN_ARRAYVARIABLE) {
        if (i + 2 >= tokens.size() || tokens[i].GetType() != MOATOKEN_SUBSCRIPTOPEN ||
            tokens[i + 1].GetType() != MOATOKEN_INT || tokens[i + 2].GetType() != MOATOKEN_SUBSCRIPTCLOSE ||
            tokens[i + 1].GetInt() > std::numeric_limits<int32_t>::max()) {
            error = "an array declaration needs [size] with a literal size";
            return false;
        }
        out.m_ArraySize = static_cast<int32_t>(tokens[i + 1].GetInt());
        i += 3;
    }
    if (i < tokens.size()) {
        if (tokens[i].GetType() != MOATOKEN_ASSIGN || i + 1 >= tokens.size()) {
            error = "a declaration may only be followed by = literal";
            return false;
        }
        ++i;
        bool negative = false;
        if (tokens[i].GetType() == MOATOKEN_MINUS && i + 1 < tokens.size()) {
            negative = true;
            ++i;
        }
        const GxMoaToken& lit = tokens[i];
        switch (lit.GetType()) {
        case MOATOKEN_INT:
            // Negated through unsigned arithmetic: a hexadecimal literal may hold the lowest value.
            out.m_InitValue.SetInt64(negative ? static_cast<int64_t>(0 - static_cast<uint64_t>(lit.GetInt())) : lit.GetInt());
            break;
        case MOATOKEN_FLOAT: out.m_InitValue.SetFloat(negative ? -lit.GetFloat() : lit.GetFloat()); break;
        case MOATOKEN_STRING:
            if (negative) {
                error = "a string cannot be negative";
                return false;
            }
            out.m_InitValue.SetString(lit.GetStringView());
            break;
        case MOATOKEN_NULL:
            if (negative) {
                error = "NULL cannot be negative";
                return false;
            }
            out.m_InitValue.SetNull();
            break;
        default:
            error = "the initial value must be a literal";
            return false;
        }
        if (++i != tokens.size()) {
            error = "unexpected tokens after the initial value";
            return false;
        }
    }
    return true;
}

bool GxMoaPackageBuilder::LinkBlocks(GxMoaScript& script)
{
    struct Open
    {
        GxMoaRunPos pos;
        int32_t blockType;
    };
    std::vector<Open> open;
    std::map<std::pair<int32_t, int32_t>, int32_t> headBlocks;  // "{" of an IF / ELSE -> its block type
    bool ok = true;
    for (int32_t line = 0; line < script.GetLineCount(); ++line) {
        std::vector<GxMoaToken>& tokens = script.m_Lines[static_cast<size_t>(line)].m_Tokens;
        for (int32_t pos = 0; pos < static_cast<int32_t>(tokens.size()); ++pos) {
            GxMoaToken& t = tokens[static_cast<size_t>(pos)];
            const int32_t type = t.GetType();
            if (type == MOATOKEN_IF || type == MOATOKEN_ELSE) {
                const char* what = type == MOATOKEN_IF ? "IF" : "ELSE";
                const int32_t blockType = type == MOATOKEN_IF ? 3 : 4;
                GxMoaRunPos brace(line, pos);
                if (pos + 1 < static_cast<int32_t>(tokens.size()) &&
                    tokens[static_cast<size_t>(pos) + 1].GetType() == MOATOKEN_BRACKETOPEN) {
                    int32_t depth = 0;
                    int32_t close = -1;
                    for (int32_t k = pos + 1; k < static_cast<int32_t>(tokens.size()); ++k) {
                        const int32_t kt = tokens[static_cast<size_t>(k)].GetType();
                        if (kt == MOATOKEN_BRACKETOPEN) ++depth;
                        if (kt == MOATOKEN_BRACKETCLOSE && --depth == 0) {
                            close = k;
                            break;
                        }
                    }
                    if (close < 0) {
                        Error(script.m_ScriptName, line, std::string(what) + ": the condition's \"(\" has no \")\" on its line");
                        ok = false;
                        continue;
                    }
                    if (close == pos + 2) {
                        Error(script.m_ScriptName, line, std::string(what) + ": empty condition");
                        ok = false;
                        continue;
                    }
                    t.SetBranchPos(1, GxMoaRunPos(line, pos + 2));
                    brace = GxMoaRunPos(line, close);
                } else if (type == MOATOKEN_ELSE) {
                    t.SetBranchPos(1, GxMoaRunPos(-1, -1));
                } else {
                    Error(script.m_ScriptName, line, "IF needs a bracketed condition: IF (...) {");
                    ok = false;
                    continue;
                }
                script.NextToken(brace);
                if (script.GetTokenAt(brace).GetType() != MOATOKEN_BLOCKSTART) {
                    Error(script.m_ScriptName, line, std::string(what) + (t.GetBranchLine(1) >= 0 ? " (...)" : "") +
                                                " must be followed by \"{\"");
                    ok = false;
                    continue;
                }
                headBlocks[{brace.m_Line, brace.m_Pos}] = blockType;
            } else if (type == MOATOKEN_BLOCKSTART) {
                auto it = headBlocks.find({line, pos});
                open.push_back({GxMoaRunPos(line, pos), it == headBlocks.end() ? 0 : it->second});
            } else if (type == MOATOKEN_BLOCKEND) {
                if (open.empty()) {
                    Error(script.m_ScriptName, line, "\"}\" without \"{\"");
                    ok = false;
                    continue;
                }
                const Open o = open.back();
                open.pop_back();
                script.m_Lines[static_cast<size_t>(o.pos.m_Line)].m_Tokens[static_cast<size_t>(o.pos.m_Pos)].SetBranchPos(
                    0, GxMoaRunPos(line, pos));
                t.SetInt(o.blockType);
            }
        }
    }
    for (const Open& o : open) {
        Error(script.m_ScriptName, o.pos.m_Line, "\"{\" is never closed");
        ok = false;
    }
    return ok;
}

bool GxMoaPackageBuilder::BuildScript(std::u16string_view name, std::u16string_view source)
{
    if (m_Program.FindScript(name)) {
        Error(name, 0, "a script of this name exists already");
        return false;
    }
    auto script = std::make_unique<GxMoaScript>(&m_Program);
    script->m_ScriptName = name;
    std::vector<GxMoaLabelDefinition> globalLabels;
    std::vector<GxMoaVariableDefinition> programDefinitions;
    bool ok = true;

    int32_t line = 0;
    size_t start = 0;
    for (;;) {
        const size_t end = source.find(u'\n', start);
        const std::u16string_view raw = source.substr(start, end == std::u16string_view::npos ? std::u16string_view::npos : end - start);
        const std::u16string_view text = TrimBlanks(raw);
        GxMoaScriptStep step;

        if (text.empty() || text.substr(0, 2) == u"//") {
            // an empty line
        } else if (text[0] == u'>') {
            std::u16string_view body = text.substr(1);
            if (!body.empty() && body[0] == u' ') body.remove_prefix(1);
            step.m_Tokens.push_back(MakeTextToken(MOATOKEN_TEXT, body));
        } else if (text[0] >= 0x80) {
            step.m_Tokens.push_back(MakeTextToken(MOATOKEN_TEXT, text));
        } else if (text[0] == u'*') {
            const std::u16string_view label = TrimBlanks(text.substr(1));
            bool bad = label.empty() || (label[0] == u'@' && label.size() == 1);
            for (char16_t c : label) bad = bad || IsBlank(c);
            if (bad) {
                Error(name, line, "a label needs one name: *NAME or *@name");
                ok = false;
            } else {
                step.m_Tokens.push_back(MakeTextToken(MOATOKEN_LABEL, label));
                GxMoaLabelDefinition def;
                def.m_Name = label;
                def.m_Pos = GxMoaScriptPos(line, 0, name);
                if (label[0] == u'@') {
                    if (!script->AddLabelDefine(def)) {
                        Error(name, line, "local label " + Narrow(label) + " is declared twice");
                        ok = false;
                    }
                } else {
                    bool dup = m_Program.FindLabelDefine(label) != nullptr;
                    for (const auto& g : globalLabels) dup = dup || g.m_Name == label;
                    if (dup) {
                        Error(name, line, "global label " + Narrow(label) + " is declared twice");
                        ok = false;
                    } else {
                        globalLabels.push_back(def);
                    }
                }
            }
        } else {
            std::string error;
            if (!LexStatement(text, step.m_Tokens, error)) {
                Error(name, line, error);
                ok = false;
            } else {
                const int32_t first = step.m_Tokens.empty() ? -1 : step.m_Tokens[0].GetType();
                if (first == MOATOKEN_STATIC || first == MOATOKEN_GLOBAL || first == MOATOKEN_EXTERN) {
                    GxMoaVariableDefinition def;
                    if (!ParseDeclaration(step.m_Tokens, line, name, def, error)) {
                        Error(name, line, error);
                        ok = false;
                    } else if (first == MOATOKEN_STATIC) {
                        if (script->FindVariableDefine(def.m_Name)) {
                            Error(name, line, "static " + Narrow(def.m_Name) + " is declared twice");
                            ok = false;
                        } else {
                            script->m_VariableDefine.push_back(def);
                        }
                    } else {
                        bool dup = m_Program.FindVariableDefine(def.m_Name) != nullptr;
                        for (const auto& d : programDefinitions) dup = dup || d.m_Name == def.m_Name;
                        if (dup) {
                            Error(name, line, "variable " + Narrow(def.m_Name) + " is declared twice");
                            ok = false;
                        } else {
                            programDefinitions.push_back(def);
                        }
                    }
                }
            }
        }
        script->m_Lines.push_back(std::move(step));
        if (end == std::u16string_view::npos) break;
        start = end + 1;
        ++line;
    }

    ok = LinkBlocks(*script) && ok;
    if (!ok) return false;
    for (const auto& l : globalLabels) m_Program.AddLabelDefine(l);
    for (const auto& d : programDefinitions) m_Program.AddVariableDefine(d);
    m_Program.AddScript(std::move(script));
    return true;
}

std::string GxMoaPackageBuilder::WritePackage() const
{
    return GxContentWriteToString(GxContentForm::Binary, [&](GxContentWriterBase& w) { m_Program.WriteProgram(w); });
}

bool GxMoaPackageBuilder::WriteFile(const std::string& path) const
{
    std::error_code ec;
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent, ec);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    GxContentBinaryWriter writer(f);
    bool ok = m_Program.WriteProgram(writer);
    return writer.CloseFile() && ok;
}

bool GxMoaPackageBuilder::LoadInto(GxMoa& target) const
{
    const std::string bytes = WritePackage();
    GxContentBinaryReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    return target.ReadProgram(reader);
}
