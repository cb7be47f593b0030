// Display names of the script runtime's codes, the one-line description of a token, and the
// text dump of a variable.
//
// Every script error message ends in a token's description, and the debug commands dump
// variables to "vardump.txt"; none of this may fail, so every table has a text for codes it
// does not know ("Unknown", "**不明トークン**", "ERROR").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class GxMoaToken;
class GxMoaVariable;

// The names are static texts: the views stay valid for the whole run.

// "Int", "Float", "Str", "Array", "RefVar", "Opcode", "Null"; "Unknown" for any other code.
std::u16string_view GxMoaGetValueTypeName(int32_t valueType);
// The display name of a token type (0-79); "**不明トークン**" for 20 and any other code.
std::u16string_view GxMoaGetTokenTypeName(int32_t tokenType);
// The display name of an opcode (0-51); "ERROR" for any other number.
std::u16string_view GxMoaGetOpcodeName(int32_t opcode);
// "NONE", "LOCAL", "STATIC_PERMAN" ... "EXTERN_NOSAVE" (0-10); "ERROR" for any other code.
std::u16string_view GxMoaGetScopeName(int32_t scope);

// The description of a token in messages: a head by type ("組み込み関数名", "整数値[12]",
// "小数値[1.500000]", "変数名", "配列変数名", or the type's display name), then " String:" and
// the token's text when it has a non-empty one.
std::u16string GxMoaGetTokenDebugText(const GxMoaToken& token);

// The dump of one variable: two spaces per nesting level, "$" and the name when one is given,
// then by type "=text(Int)", "=text(Float)", "=\"text\"(Str)", "=name(Opcode)", "=Null" or
// "=Unknown"; an Array gives "[n]=(Array)" followed by each element dumped one level deeper
// under the name "[i]". Every line ends in a line feed.
std::u16string GxMoaDumpVariable(const GxMoaVariable& variable, std::optional<std::u16string_view> name,
                                 int32_t level);
// The same, appended to out (the variable tables dump many variables into one text).
void GxMoaAppendDumpVariable(std::u16string& out, const GxMoaVariable& variable,
                             std::optional<std::u16string_view> name, int32_t level);
