#include "core/GxContentFormat.h"

#include "core/GxString.h"

#include <locale.h>

#include <charconv>
#include <cstdlib>

int GxContentFixedPayload(int code)
{
    switch (code) {
    case 1: case 2: case 11:
        return 1;
    case 3: case 4:
        return 2;
    case 5: case 6: case 9: case 21:
        return 4;
    case 7: case 8: case 10: case 12: case 50:
        return 8;
    case 13: case 51:
        return 12;
    case 14: case 15: case 16: case 18: case 19: case 20: case 52:
        return 16;
    case 17:
        return 64;
    default:
        return -1;
    }
}

const char* GxContentValueTypeName(int code)
{
    switch (code) {
    case VALTYPE_GxS8: return "VALTYPE_GxS8";
    case VALTYPE_GxU8: return "VALTYPE_GxU8";
    case VALTYPE_GxS16: return "VALTYPE_GxS16";
    case VALTYPE_GxU16: return "VALTYPE_GxU16";
    case VALTYPE_GxS32: return "VALTYPE_GxS32";
    case VALTYPE_GxU32: return "VALTYPE_GxU32";
    case VALTYPE_GxS64: return "VALTYPE_GxS64";
    case VALTYPE_GxU64: return "VALTYPE_GxU64";
    case VALTYPE_GxF32: return "VALTYPE_GxF32";
    case VALTYPE_GxF64: return "VALTYPE_GxF64";
    case VALTYPE_GxBool: return "VALTYPE_GxBool";
    case VALTYPE_GxVector2: return "VALTYPE_GxVector2";
    case VALTYPE_GxVector3: return "VALTYPE_GxVector3";
    case VALTYPE_GxVector4: return "VALTYPE_GxVector4";
    case VALTYPE_GxQuat: return "VALTYPE_GxQuat";
    case VALTYPE_GxFColor: return "VALTYPE_GxFColor";
    case VALTYPE_GxMatrix: return "VALTYPE_GxMatrix";
    case VALTYPE_GxRect: return "VALTYPE_GxRect";
    case VALTYPE_GxFRect: return "VALTYPE_GxFRect";
    case VALTYPE_GxBit32: return "VALTYPE_GxBit32";
    case VALTYPE_GxStringSJIS: return "VALTYPE_GxStringSJIS";
    case VALTYPE_GxStringUTF16: return "VALTYPE_GxStringUTF16";
    case VALTYPE_GxStringUTF8: return "VALTYPE_GxStringUTF8";
    case VALTYPE_GxBinary: return "VALTYPE_GxBinary";
    case VALTYPE_ListBegin: return "VALTYPE_ListBegin";
    case VALTYPE_ListEnd: return "VALTYPE_ListEnd";
    case VALTYPE_TreeBegin: return "VALTYPE_TreeBegin";
    case VALTYPE_TreeEnd: return "VALTYPE_TreeEnd";
    case VALTYPE_TreeStratumBegin: return "VALTYPE_TreeStratumBegin";
    case VALTYPE_TreeStratumEnd: return "VALTYPE_TreeStratumEnd";
    case VALTYPE_GxPoint2: return "VALTYPE_GxPoint2";
    case VALTYPE_GxPoint3: return "VALTYPE_GxPoint3";
    case VALTYPE_GxPoint4: return "VALTYPE_GxPoint4";
    default: return nullptr;
    }
}

void GxContentAppendUtf8(std::string& out, std::u16string_view text) { GxAppendWideToUtf8(out, text); }

void GxContentAppendWide(std::u16string& out, std::string_view utf8) { GxAppendUtf8ToWide(out, utf8); }

namespace {

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int DigitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

// Magnitude and sign as the strto* family reads them; overflow past 64 bits is flagged.
void ParseMagnitude(const char* p, const char* end, int base, bool& negative, uint64_t& mag, bool& overflow)
{
    negative = false;
    mag = 0;
    overflow = false;
    while (p < end && IsBlank(*p)) ++p;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    if (base == 16 && end - p >= 3 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && DigitValue(p[2]) < 16)
        p += 2;
    for (; p < end; ++p) {
        int d = DigitValue(*p);
        if (d >= base) break;
        if (mag > (UINT64_MAX - static_cast<uint64_t>(d)) / static_cast<uint64_t>(base)) overflow = true;
        else mag = mag * base + d;
    }
}

}  // namespace

int64_t GxContentParseSigned(const char* begin, const char* end, int base, int bits)
{
    bool neg, over;
    uint64_t mag;
    ParseMagnitude(begin, end, base, neg, mag, over);
    const uint64_t maxPos = bits >= 64 ? static_cast<uint64_t>(INT64_MAX) : (uint64_t{1} << (bits - 1)) - 1;
    if (neg) {
        if (over || mag > maxPos + 1) return -static_cast<int64_t>(maxPos) - 1;
        return static_cast<int64_t>(0 - mag);
    }
    if (over || mag > maxPos) return static_cast<int64_t>(maxPos);
    return static_cast<int64_t>(mag);
}

uint64_t GxContentParseUnsigned(const char* begin, const char* end, int base, int bits)
{
    bool neg, over;
    uint64_t mag;
    ParseMagnitude(begin, end, base, neg, mag, over);
    const uint64_t max = bits >= 64 ? UINT64_MAX : (uint64_t{1} << bits) - 1;
    if (over || mag > max) return max;
    return neg ? (0 - mag) & max : mag;
}

double GxContentParseDouble(const char* begin, const char* end)
{
    const char* p = begin;
    while (p < end && IsBlank(*p)) ++p;
    bool neg = false;
    if (p < end && (*p == '+' || *p == '-')) neg = *p++ == '-';
    double v = 0.0;
    std::from_chars_result r;
    if (end - p >= 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        r = std::from_chars(p + 2, end, v, std::chars_format::hex);
        if (r.ec == std::errc::invalid_argument) return neg ? -0.0 : 0.0;  // "0x" alone reads as 0
    } else {
        r = std::from_chars(p, end, v, std::chars_format::general);
        if (r.ec == std::errc::invalid_argument) return 0.0;
    }
    if (r.ec == std::errc::result_out_of_range) {
        // Beyond the double range: the C library's answer (infinity, or a denormal or zero).
        static locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
        std::string copy(p, r.ptr);
        v = cLocale ? strtod_l(copy.c_str(), nullptr, cLocale) : std::strtod(copy.c_str(), nullptr);
    }
    return neg ? -v : v;
}
