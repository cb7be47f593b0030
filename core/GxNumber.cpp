#include "core/GxNumber.h"

namespace {

int DigitValue(char16_t c)
{
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'z') return c - u'a' + 10;
    if (c >= u'A' && c <= u'Z') return c - u'A' + 10;
    return -1;
}

bool IsPrefix(const char16_t* p, char16_t lower)
{
    // p[1] is only read when p[0] is '0', i.e. not the terminator.
    return p[0] == u'0' && (p[1] == lower || p[1] == lower - 32);
}

// The shared parse; the result is the 64-bit value with unsigned wrap-around applied.
uint64_t ParseInteger(const char16_t* text, const char16_t** end, int base, bool noOctal)
{
    if (!text) {
        if (end) *end = text;
        return 0;
    }
    const char16_t* p = text;
    while (*p == u' ' || *p == u'\t') ++p;
    bool negative = false;
    if (*p == u'-' || *p == u'\xFF0D') {
        negative = true;
        ++p;
    } else if (*p == u'+' || *p == u'\xFF0B') {
        ++p;
    }

    if (base == 0) {
        if (IsPrefix(p, u'x')) base = 16;
        else if (IsPrefix(p, u'b')) base = 2;
        else if (*p == u'0' && !noOctal) base = 8;
        else base = 10;
    }

    int maxDigits = 32;
    switch (base) {
    case 16:
        if (IsPrefix(p, u'x')) p += 2;
        maxDigits = 8;
        break;
    case 2:
        if (IsPrefix(p, u'b')) p += 2;
        maxDigits = 32;
        break;
    case 8:
        if (*p == u'0') ++p;
        maxDigits = 11;
        break;
    case 10:
        maxDigits = 10;
        break;
    default:
        if (base < 3 || base > 35) {
            if (end) *end = p;
            return 0;
        }
        maxDigits = 32;
        break;
    }

    uint64_t value = 0;
    for (int n = 0; n < maxDigits; ++n) {
        int d = DigitValue(*p);
        if (d < 0 || d >= base) break;
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
        ++p;
    }
    if (end) *end = p;
    return negative ? 0 - value : value;
}

bool IsDecimal(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsHex(char16_t c) { return IsDecimal(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }

}  // namespace

int32_t GxWStrToInt(const char16_t* text, const char16_t** end, int base, bool noOctal)
{
    return static_cast<int32_t>(static_cast<uint32_t>(ParseInteger(text, end, base, noOctal)));
}

int64_t GxWStrToInt64(const char16_t* text, const char16_t** end, int base, bool noOctal)
{
    return static_cast<int64_t>(ParseInteger(text, end, base, noOctal));
}

int GxScanNumberToken(const char16_t* start, int* length, const char16_t* end)
{
    if (length) *length = 0;
    if (!start || !end || start >= end) return 0;
    const char16_t* p = start;
    int kind = 1;
    if (*p == u'+' || *p == u'-') {
        ++p;
    } else if (end - p >= 2 && p[0] == u'0' && (p[1] == u'x' || p[1] == u'X')) {
        p += 2;
        kind = 2;
    }
    const char16_t* digits = p;
    if (kind == 2) {
        while (p < end && IsHex(*p)) ++p;
    } else {
        while (p < end && IsDecimal(*p)) ++p;
    }
    if (p == digits) return 0;
    if (length) *length = static_cast<int>(p - start);
    return kind;
}

char16_t* GxWStrCopy(char16_t* dest, const char16_t* src)
{
    char16_t* d = dest;
    while ((*d++ = *src++) != 0) {
    }
    return dest;
}

void GxReadQuotedText(std::u16string& out, const char16_t* start, const char16_t** position,
                      uint32_t* lineCounter, const char16_t* end)
{
    out.clear();
    const char16_t* p = start;
    if (!p || !end || p >= end || *p != u'"') {
        if (position) *position = start;
        return;
    }
    ++p;
    while (p < end && *p != 0) {
        char16_t c = *p;
        if (c == u'"') {
            ++p;
            break;
        }
        if (c == u'\\') {
            if (p + 1 >= end || p[1] == 0) {
                ++p;
                break;
            }
            char16_t e = p[1];
            p += 2;
            switch (e) {
            case u'f': e = u'\f'; break;
            case u'n': e = u'\n'; break;
            case u'r': e = u'\r'; break;
            case u't': e = u'\t'; break;
            case u'v': e = u'\v'; break;
            default: break;
            }
            out.push_back(e);
            continue;
        }
        ++p;
        if (c == u'\n') {
            if (lineCounter) ++*lineCounter;
            continue;
        }
        if (c == u'\r' || c == u'\f') continue;
        out.push_back(c);
    }
    if (position) *position = p;
}
