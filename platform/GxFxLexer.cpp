#include "platform/GxFxReaderInternal.h"

namespace {

bool IsIdentStart(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(unsigned char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }

}  // namespace

namespace GxFxReaderInternal {

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

}  // namespace GxFxReaderInternal
