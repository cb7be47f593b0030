// The tokens of effect source text, shared by the lexer (GxFxLexer.cpp) and the parser
// (GxFxReader.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace GxFxReaderInternal {

enum class Tok { End, Ident, Number, String, Punct };

struct Token
{
    Tok kind = Tok::End;
    std::string_view text;
    uint32_t line = 0;
    uint32_t col = 0;
};

inline bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

inline std::string ErrorLine(uint32_t line, uint32_t col, std::string_view message)
{
    return "(" + std::to_string(line) + "," + std::to_string(col) + "): error: " + std::string(message) + "\n";
}

// Splits the source into tokens; comments and preprocessor lines are dropped.
bool Tokenize(std::string_view s, std::vector<Token>& out, std::string& errors);

}  // namespace GxFxReaderInternal
