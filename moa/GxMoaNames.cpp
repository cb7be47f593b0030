#include "moa/GxMoaNames.h"

#include <array>

#include "core/GxFormat.h"
#include "moa/GxMoaToken.h"
#include "moa/GxMoaVariable.h"

namespace {

constexpr std::u16string_view kUnknownToken = u"**不明トークン**";

// Indexed by token type; code 20 has no name of its own.
constexpr std::array<std::u16string_view, 80> kTokenTypeNames = {
    u"未定義", u"組み込み関数名", u"不明文字列", u"整数値", u"小数値",                      // 0-4
    u"文字列", u"NULL", u"ラベル宣言", u"テキスト", u"変数名",                              // 5-9
    u"配列変数名", u"&変数名", u"&配列変数名", u"ARRAY", u"コマンド開始",                   // 10-14
    u"ブレークポイント", u"ヒアドキュメント終端", u"スクリプト終端", u"DEFINE", u"BUILTIN", // 15-19
    kUnknownToken, u"STATIC", u"GLOBAL", u"EXTERN", u"NOSAVE",                             // 20-24
    u"INGAME", u"PERMAN", u"IF", u"ELSE", u"WHILE",                                        // 25-29
    u"FOR", u"DO", u"CONTINUE", u"BREAK", u";",                                            // 30-34
    u",", u"{", u"}", u"[", u"]",                                                          // 35-39
    u"(", u")", u"==", u"!=", u">",                                                        // 40-44
    u">=", u"<", u"<=", u"+", u":",                                                        // 45-49
    u"-", u"*", u"/", u"%", u"単項+",                                                      // 50-54
    u"単項-", u"&", u"|", u"^", u"~",                                                      // 55-59
    u"<<", u">>", u"!", u"&&", u"||",                                                      // 60-64
    u"++単項", u"--単項", u"単項++", u"単項--", u"=",                                      // 65-69
    u"+=", u":=", u"-=", u"*=", u"/=",                                                     // 70-74
    u"%=", u"&=", u"|=", u"^=", u"?",                                                      // 75-79
};

// Indexed by opcode number. The operator opcodes 15-51 are the operator tokens 42-78 minus
// 27 and carry their token's name, except the unary "~" and "!".
constexpr std::array<std::u16string_view, 52> kOpcodeNames = {
    u"NONE", u"セパレータ", u"PUSH_INT", u"PUSH_FLT", u"PUSH_STR",                          // 0-4
    u"PUSH_NULL", u"PUSH_VAR", u"PUSH_VARARY", u"OPC_ALTER_VAR", u"OPC_ALTER_VARARY",      // 5-9
    u"CALL_BUILTIN", u"ELEMENT", u"ELEMENTNUM", u"ARRAYINIT", u"ARRAYINDEX",               // 10-14
    u"==", u"!=", u">", u">=", u"<",                                                       // 15-19
    u"<=", u"+", u":", u"-", u"*",                                                         // 20-24
    u"/", u"%", u"単項+", u"単項-", u"&",                                                  // 25-29
    u"|", u"^", u"単項~", u"<<", u">>",                                                    // 30-34
    u"単項!", u"&&", u"||", u"++単項", u"--単項",                                          // 35-39
    u"単項++", u"単項--", u"=", u"+=", u":=",                                              // 40-44
    u"-=", u"*=", u"/=", u"%=", u"&=",                                                     // 45-49
    u"|=", u"^=",                                                                          // 50-51
};

constexpr std::array<std::u16string_view, 11> kScopeNames = {
    u"NONE",          u"LOCAL",         u"STATIC_PERMAN", u"STATIC_INGAME",
    u"STATIC_NOSAVE", u"GLOBAL_PERMAN", u"GLOBAL_INGAME", u"GLOBAL_NOSAVE",
    u"EXTERN_PERMAN", u"EXTERN_INGAME", u"EXTERN_NOSAVE",
};

// Formats straight into out, without a temporary text.
template <typename... Args>
void AppendFormat(std::u16string& out, std::u16string_view format, const Args&... args)
{
    const GxFmtArg a[] = {GxMakeFmtArg(args)...};
    GxFormatArgs(out, format, a, sizeof...(Args));
}

template <size_t N>
std::u16string_view Lookup(const std::array<std::u16string_view, N>& table, int32_t code, std::u16string_view other)
{
    if (code < 0 || static_cast<size_t>(code) >= N) return other;
    return table[static_cast<size_t>(code)];
}

}  // namespace

std::u16string_view GxMoaGetValueTypeName(int32_t valueType)
{
    switch (static_cast<GxMoaValueType>(valueType)) {
    case GxMoaValueType::Int: return u"Int";
    case GxMoaValueType::Float: return u"Float";
    case GxMoaValueType::Str: return u"Str";
    case GxMoaValueType::Array: return u"Array";
    case GxMoaValueType::RefVar: return u"RefVar";
    case GxMoaValueType::Opcode: return u"Opcode";
    case GxMoaValueType::Null: return u"Null";
    }
    return u"Unknown";
}

std::u16string_view GxMoaGetTokenTypeName(int32_t tokenType)
{
    return Lookup(kTokenTypeNames, tokenType, kUnknownToken);
}

std::u16string_view GxMoaGetOpcodeName(int32_t opcode)
{
    return Lookup(kOpcodeNames, opcode, u"ERROR");
}

std::u16string_view GxMoaGetScopeName(int32_t scope)
{
    return Lookup(kScopeNames, scope, u"ERROR");
}

std::u16string GxMoaGetTokenDebugText(const GxMoaToken& token)
{
    std::u16string text;
    switch (token.GetType()) {
    case MOATOKEN_BUILTIN: text = u"組み込み関数名"; break;
    case MOATOKEN_INT: text = GxFormatString(u"整数値[%I64d]", token.GetInt()); break;
    case MOATOKEN_FLOAT: text = GxFormatString(u"小数値[%f]", token.GetFloat()); break;
    case MOATOKEN_VARIABLE: text = u"変数名"; break;
    case MOATOKEN_ARRAYVARIABLE: text = u"配列変数名"; break;
    default: text = GxMoaGetTokenTypeName(token.GetType()); break;
    }
    const std::u16string_view str = token.GetStringView();
    if (!str.empty()) {
        text += u" String:";
        text += str;
    }
    return text;
}

void GxMoaAppendDumpVariable(std::u16string& out, const GxMoaVariable& variable,
                             std::optional<std::u16string_view> name, int32_t level)
{
    for (int32_t i = 0; i < level; ++i) out += u"  ";
    if (name) {
        out += u'$';
        out += *name;
    }
    const std::u16string_view typeName = GxMoaGetValueTypeName(variable.GetValueTypeCode());
    switch (variable.GetValueType()) {
    case GxMoaValueType::Int:
    case GxMoaValueType::Float:
        AppendFormat(out, u"=%s(%s)\n", variable.GetString(), typeName);
        return;
    case GxMoaValueType::Str:
        AppendFormat(out, u"=\"%s\"(%s)\n", variable.GetStringView(), typeName);
        return;
    case GxMoaValueType::Opcode:
        AppendFormat(out, u"=%s(%s)\n", GxMoaGetOpcodeName(variable.GetOpcode()), typeName);
        return;
    case GxMoaValueType::Null: out += u"=Null\n"; return;
    case GxMoaValueType::Array: {
        const int32_t count = variable.GetArraySize();
        AppendFormat(out, u"[%d]=(Array)\n", count);
        // GetElement only grows an array for an index past its end; these indices never are.
        auto& array = const_cast<GxMoaVariable&>(variable);
        for (int32_t i = 0; i < count; ++i) {
            const GxMoaVariable* element = array.GetElement(i);
            if (!element) break;
            const std::u16string elementName = GxFormatString(u"[%d]", i);
            GxMoaAppendDumpVariable(out, *element, elementName, level + 1);
        }
        return;
    }
    default: out += u"=Unknown\n"; return;
    }
}

std::u16string GxMoaDumpVariable(const GxMoaVariable& variable, std::optional<std::u16string_view> name, int32_t level)
{
    std::u16string out;
    GxMoaAppendDumpVariable(out, variable, name, level);
    return out;
}

std::u16string GxMoaToken::GetDebugText() const { return GxMoaGetTokenDebugText(*this); }
