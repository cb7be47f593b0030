#include "core/GxFormat.h"

#include <charconv>
#include <cmath>

#include "core/GxString.h"

namespace {

struct Spec
{
    bool left = false, plus = false, space = false, alt = false, zero = false;
    int width = 0;
    int precision = -1;
    int lengthBits = 0;  // 0 none, 16 h, 64 I64/ll/j/q, 32 I32
    bool lengthLong = false;
    char conv = 0;
};

template <typename C>
void Pad(std::basic_string<C>& out, size_t n, C c)
{
    out.append(n, c);
}

// Places body (already converted to the output character type) with sign/prefix and padding.
template <typename C>
void Emit(std::basic_string<C>& out, const Spec& sp, std::string_view prefix, std::basic_string_view<C> body,
          bool numeric)
{
    size_t len = prefix.size() + body.size();
    size_t pad = sp.width > 0 && static_cast<size_t>(sp.width) > len ? sp.width - len : 0;
    if (sp.left) {
        for (char c : prefix) out.push_back(static_cast<C>(c));
        out.append(body);
        Pad<C>(out, pad, C(' '));
    } else if (sp.zero && numeric) {
        for (char c : prefix) out.push_back(static_cast<C>(c));
        Pad<C>(out, pad, C('0'));
        out.append(body);
    } else {
        Pad<C>(out, pad, C(' '));
        for (char c : prefix) out.push_back(static_cast<C>(c));
        out.append(body);
    }
}

template <typename C>
void EmitAscii(std::basic_string<C>& out, const Spec& sp, std::string_view prefix, std::string_view body,
               bool numeric)
{
    C buf[128];
    if (body.size() <= 128) {
        for (size_t k = 0; k < body.size(); ++k) buf[k] = static_cast<C>(static_cast<unsigned char>(body[k]));
        Emit<C>(out, sp, prefix, std::basic_string_view<C>(buf, body.size()), numeric);
    } else {
        std::basic_string<C> tmp(body.begin(), body.end());
        Emit<C>(out, sp, prefix, tmp, numeric);
    }
}

int64_t AsInt(const GxFmtArg* a)
{
    if (!a) return 0;
    switch (a->kind) {
    case GxFmtArg::Int: return a->i;
    case GxFmtArg::UInt: return static_cast<int64_t>(a->u);
    case GxFmtArg::Double: {
        double d = a->d;
        if (std::isnan(d)) return 0;
        if (d >= 9.2233720368547758e18) return INT64_MAX;
        if (d <= -9.2233720368547758e18) return INT64_MIN;
        return static_cast<int64_t>(d);
    }
    case GxFmtArg::Ptr: return static_cast<int64_t>(reinterpret_cast<uintptr_t>(a->p));
    default: return 0;
    }
}

double AsDouble(const GxFmtArg* a)
{
    if (!a) return 0.0;
    switch (a->kind) {
    case GxFmtArg::Int: return static_cast<double>(a->i);
    case GxFmtArg::UInt: return static_cast<double>(a->u);
    case GxFmtArg::Double: return a->d;
    default: return 0.0;
    }
}

// The width an integer conversion works in: the length modifier when given, else the argument's own.
int IntBits(const Spec& sp, const GxFmtArg* a)
{
    if (sp.lengthBits == 16) return 16;
    if (sp.lengthBits == 64) return 64;
    if (sp.lengthBits == 32) return 32;
    if (!a) return 32;
    if (a->kind == GxFmtArg::Double || a->kind == GxFmtArg::Ptr) return 64;
    return a->size >= 8 ? 64 : a->size * 8 < 32 ? 32 : a->size * 8;
}

template <typename C>
void FormatString(std::basic_string<C>& out, const Spec& sp, const GxFmtArg* a);
template <typename C>
void FormatChar(std::basic_string<C>& out, const Spec& sp, const GxFmtArg* a);

bool IsText(const GxFmtArg* a) { return a->kind == GxFmtArg::WStr || a->kind == GxFmtArg::NStr; }

template <typename C>
void FormatInteger(std::basic_string<C>& out, const Spec& sp, const GxFmtArg* a)
{
    if (IsText(a)) {
        // Text handed to a number conversion: show it rather than a meaningless number.
        Spec s2 = sp;
        s2.precision = -1;
        return FormatString<C>(out, s2, a);
    }
    int64_t v = AsInt(a);
    int bits = IntBits(sp, a);
    char buf[80];
    std::string_view prefix;
    char signbuf[3] = {0, 0, 0};
    char* end;
    bool isSigned = sp.conv == 'd' || sp.conv == 'i';
    if (isSigned) {
        if (bits == 16) v = static_cast<int16_t>(v);
        else if (bits == 32) v = static_cast<int32_t>(v);
        uint64_t mag = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
        end = std::to_chars(buf, buf + sizeof buf, mag).ptr;
        if (v < 0) signbuf[0] = '-';
        else if (sp.plus) signbuf[0] = '+';
        else if (sp.space) signbuf[0] = ' ';
        prefix = std::string_view(signbuf);
    } else {
        uint64_t u = static_cast<uint64_t>(v);
        if (bits == 16) u = static_cast<uint16_t>(u);
        else if (bits == 32) u = static_cast<uint32_t>(u);
        int base = sp.conv == 'o' ? 8 : (sp.conv == 'x' || sp.conv == 'X') ? 16 : 10;
        end = std::to_chars(buf, buf + sizeof buf, u, base).ptr;
        if (sp.conv == 'X')
            for (char* p = buf; p < end; ++p)
                if (*p >= 'a' && *p <= 'z') *p -= 32;
        if (sp.alt && u != 0) {
            if (sp.conv == 'x') prefix = "0x";
            else if (sp.conv == 'X') prefix = "0X";
            else if (sp.conv == 'o') prefix = "0";
        }
    }
    std::string_view digits(buf, end - buf);
    std::string withPrec;
    if (sp.precision >= 0) {
        if (sp.precision == 0 && digits == "0") digits = "";
        if (static_cast<int>(digits.size()) < sp.precision) {
            withPrec.assign(sp.precision - digits.size(), '0');
            withPrec.append(digits);
            digits = withPrec;
        }
    }
    Spec s2 = sp;
    if (sp.precision >= 0) s2.zero = false;
    EmitAscii<C>(out, s2, prefix, digits, true);
}

template <typename C>
void FormatFloat(std::basic_string<C>& out, const Spec& sp, const GxFmtArg* a)
{
    if (IsText(a)) {
        Spec s2 = sp;
        s2.precision = -1;
        return FormatString<C>(out, s2, a);
    }
    double d = AsDouble(a);
    char signbuf[2] = {0, 0};
    if (std::signbit(d) && !std::isnan(d)) signbuf[0] = '-';
    else if (sp.plus) signbuf[0] = '+';
    else if (sp.space) signbuf[0] = ' ';
    double m = std::fabs(d);
    bool upper = sp.conv == 'F' || sp.conv == 'E' || sp.conv == 'G' || sp.conv == 'A';
    if (std::isnan(m) || std::isinf(m)) {
        Spec s2 = sp;
        s2.zero = false;
        EmitAscii<C>(out, s2, signbuf, std::isnan(m) ? (upper ? "NAN" : "nan") : (upper ? "INF" : "inf"), false);
        return;
    }
    int prec = sp.precision < 0 ? 6 : sp.precision;
    std::string buf;
    buf.resize(400 + static_cast<size_t>(prec));
    std::to_chars_result r;
    char lc = static_cast<char>(sp.conv | 0x20);
    if (lc == 'f') {
        r = std::to_chars(buf.data(), buf.data() + buf.size(), m, std::chars_format::fixed, prec);
    } else if (lc == 'e') {
        r = std::to_chars(buf.data(), buf.data() + buf.size(), m, std::chars_format::scientific, prec);
    } else if (lc == 'a') {
        r = sp.precision < 0 ? std::to_chars(buf.data(), buf.data() + buf.size(), m, std::chars_format::hex)
                             : std::to_chars(buf.data(), buf.data() + buf.size(), m, std::chars_format::hex, prec);
    } else if (!sp.alt) {
        r = std::to_chars(buf.data(), buf.data() + buf.size(), m, std::chars_format::general, prec == 0 ? 1 : prec);
    } else {
        // "%#g" keeps its trailing zeros: choose the style as %g does, then print all P digits.
        int p = prec == 0 ? 1 : prec;
        r = std::to_chars(buf.data(), buf.data() + buf.size(), m, std::chars_format::scientific, p - 1);
        std::string_view sci(buf.data(), r.ptr - buf.data());
        size_t e = sci.find('e');
        int x = 0;
        std::from_chars(sci.data() + e + (sci[e + 1] == '+' ? 2 : 1), sci.data() + sci.size(), x);
        if (p > x && x >= -4)
            r = std::to_chars(buf.data(), buf.data() + buf.size(), m, std::chars_format::fixed, p - 1 - x);
    }
    buf.resize(r.ptr - buf.data());
    if (sp.alt && buf.find('.') == std::string::npos && lc != 'a') {
        size_t e = buf.find_first_of("eE");
        buf.insert(e == std::string::npos ? buf.size() : e, ".");
    }
    if (upper)
        for (char& c : buf)
            if (c >= 'a' && c <= 'z') c -= 32;
    std::string prefix = signbuf;
    if (lc == 'a') prefix += upper ? "0X" : "0x";
    EmitAscii<C>(out, sp, prefix, buf, true);
}

// Longest prefix of CP932 text within max bytes that does not end inside a double-byte character.
// Lead bytes can only be told from trail bytes by walking from the start.
size_t CutAnsiLength(std::string_view s, size_t max)
{
    if (s.size() <= max) return s.size();
    size_t i = 0;
    while (i < max) {
        unsigned char b = static_cast<unsigned char>(s[i]);
        size_t len = ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) ? 2 : 1;
        if (i + len > max) break;
        i += len;
    }
    return i;
}

template <typename C>
void FormatPointer(std::basic_string<C>& out, const Spec& sp, const GxFmtArg* a)
{
    char buf[32];
    uint64_t v = static_cast<uint64_t>(AsInt(a));
    auto r = std::to_chars(buf, buf + sizeof buf, v, 16);
    std::string s(16 - (r.ptr - buf), '0');
    s.append(buf, r.ptr);
    for (char& ch : s)
        if (ch >= 'a' && ch <= 'z') ch -= 32;
    Spec s2 = sp;
    s2.zero = false;
    EmitAscii<C>(out, s2, "", s, false);
}

// A string argument rendered in the output's character type, cut to the precision. The argument's
// own type decides how it is read, so "%s" and "%S" both print either kind of string correctly.
template <typename C>
void FormatString(std::basic_string<C>& out, const Spec& sp, const GxFmtArg* a)
{
    Spec s2 = sp;
    s2.zero = false;
    if (a->chr != 0) {
        // A single character passed where text was asked for prints as that character.
        s2.precision = -1;
        return FormatChar<C>(out, s2, a);
    }
    if (a->kind == GxFmtArg::Int || a->kind == GxFmtArg::UInt || a->kind == GxFmtArg::Double) {
        // A number passed where text was asked for prints as a number.
        Spec n;
        n.conv = a->kind == GxFmtArg::Double ? 'f' : a->kind == GxFmtArg::UInt ? 'u' : 'd';
        std::basic_string<C> tmp;
        if (a->kind == GxFmtArg::Double) FormatFloat<C>(tmp, n, a);
        else FormatInteger<C>(tmp, n, a);
        return Emit<C>(out, s2, "", tmp, false);
    }
    if (a->kind == GxFmtArg::Ptr) {
        // Some other pointer: its address is all that can be shown safely.
        if (!a->p) return EmitAscii<C>(out, s2, "", "(null)", false);
        return FormatPointer<C>(out, s2, a);
    }
    const bool wideArg = a->kind == GxFmtArg::WStr;
    if ((wideArg && !a->ws.s) || (!wideArg && !a->ns.s)) return EmitAscii<C>(out, s2, "", "(null)", false);
    std::basic_string<C> conv;
    std::basic_string_view<C> body;
    if constexpr (std::is_same_v<C, char16_t>) {
        if (wideArg) {
            body = std::u16string_view(a->ws.s, a->ws.n);
        } else {
            conv = GxAnsiToWide(std::string_view(a->ns.s, a->ns.n));
            body = conv;
        }
        if (sp.precision >= 0 && body.size() > static_cast<size_t>(sp.precision)) {
            size_t cut = sp.precision;
            if (cut > 0 && body[cut - 1] >= 0xD800 && body[cut - 1] <= 0xDBFF) --cut;
            body = body.substr(0, cut);
        }
    } else {
        if (!wideArg) {
            body = std::string_view(a->ns.s, a->ns.n);
        } else {
            conv = GxWideToAnsi(std::u16string_view(a->ws.s, a->ws.n));
            body = conv;
        }
        if (sp.precision >= 0) body = body.substr(0, CutAnsiLength(body, static_cast<size_t>(sp.precision)));
    }
    Emit<C>(out, s2, "", body, false);
}

// One character. A narrow character in a wide format and a wide one in a narrow format are
// converted through the code page; a code point above U+FFFF becomes a surrogate pair.
template <typename C>
void FormatChar(std::basic_string<C>& out, const Spec& sp, const GxFmtArg* a)
{
    Spec s2 = sp;
    s2.zero = false;
    if (IsText(a)) return FormatString<C>(out, s2, a);
    uint64_t v = static_cast<uint64_t>(AsInt(a));
    std::basic_string<C> body;
    if constexpr (std::is_same_v<C, char16_t>) {
        if (a->chr == 1) {
            char b = static_cast<char>(v);
            body = GxAnsiToWide(std::string_view(&b, 1));
        } else {
            uint32_t cp = static_cast<uint32_t>(v);
            if (cp >= 0x10000 && cp <= 0x10FFFF) {
                cp -= 0x10000;
                body.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
                body.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
            } else {
                body.push_back(static_cast<char16_t>(cp));
            }
        }
    } else {
        if (a->chr == 2 && v >= 0x80) {
            char16_t w = static_cast<char16_t>(v);
            body = GxWideToAnsi(std::u16string_view(&w, 1));
        } else {
            body.push_back(static_cast<char>(v));
        }
    }
    Emit<C>(out, s2, "", body, false);
}

template <typename C>
void FormatCore(std::basic_string<C>& out, std::basic_string_view<C> fmt, const GxFmtArg* args, size_t count)
{
    size_t next = 0;
    auto take = [&]() -> const GxFmtArg* { return next < count ? &args[next++] : nullptr; };
    size_t i = 0, n = fmt.size();
    out.reserve(out.size() + n + 16);
    while (i < n) {
        size_t j = i;
        while (j < n && fmt[j] != C('%')) ++j;
        out.append(fmt.substr(i, j - i));
        if (j >= n) break;
        i = j + 1;
        if (i >= n) break;
        if (fmt[i] == C('%')) {
            out.push_back(C('%'));
            ++i;
            continue;
        }
        Spec sp;
        for (; i < n; ++i) {
            C c = fmt[i];
            if (c == C('-')) sp.left = true;
            else if (c == C('+')) sp.plus = true;
            else if (c == C(' ')) sp.space = true;
            else if (c == C('#')) sp.alt = true;
            else if (c == C('0')) sp.zero = true;
            else break;
        }
        if (i < n && fmt[i] == C('*')) {
            int64_t w = AsInt(take());
            if (w < 0) { sp.left = true; w = -w; }
            sp.width = static_cast<int>(w > 100000 ? 100000 : w);
            ++i;
        } else {
            while (i < n && fmt[i] >= C('0') && fmt[i] <= C('9')) {
                if (sp.width < 100000) sp.width = sp.width * 10 + (fmt[i] - C('0'));
                ++i;
            }
        }
        if (i < n && fmt[i] == C('.')) {
            ++i;
            sp.precision = 0;
            if (i < n && fmt[i] == C('*')) {
                int64_t p = AsInt(take());
                sp.precision = p < 0 ? -1 : static_cast<int>(p > 100000 ? 100000 : p);
                ++i;
            } else {
                while (i < n && fmt[i] >= C('0') && fmt[i] <= C('9')) {
                    if (sp.precision < 100000) sp.precision = sp.precision * 10 + (fmt[i] - C('0'));
                    ++i;
                }
            }
        }
        // Length modifiers.
        while (i < n) {
            C c = fmt[i];
            if (c == C('I') && i + 2 < n && fmt[i + 1] == C('6') && fmt[i + 2] == C('4')) {
                sp.lengthBits = 64; i += 3;
            } else if (c == C('I') && i + 2 < n && fmt[i + 1] == C('3') && fmt[i + 2] == C('2')) {
                sp.lengthBits = 32; i += 3;
            } else if (c == C('l')) {
                if (sp.lengthLong) sp.lengthBits = 64;
                sp.lengthLong = true; ++i;
            } else if (c == C('h')) {
                sp.lengthBits = sp.lengthBits == 0 ? 16 : sp.lengthBits; ++i;
                sp.lengthLong = false;
            } else if (c == C('j') || c == C('q') || c == C('L')) {
                sp.lengthBits = 64; ++i;
            } else if (c == C('z') || c == C('t') || c == C('I')) {
                ++i;
            } else {
                break;
            }
        }
        if (i >= n) break;
        C c = fmt[i++];
        sp.conv = static_cast<char>(c < 128 ? c : '?');
        if (sp.conv == 'n') {
            // Never writes through an argument; the value is skipped.
            take();
            continue;
        }
        const bool known = std::string_view("diuxXofFeEgGaAcCsSp").find(sp.conv) != std::string_view::npos;
        if (!known) {
            // An unknown conversion is copied as it stands.
            out.append(fmt.substr(j, i - j));
            continue;
        }
        const GxFmtArg* a = take();
        if (!a) continue;  // a conversion with no argument left prints nothing
        switch (sp.conv) {
        case 'd': case 'i': case 'u': case 'x': case 'X': case 'o':
            FormatInteger<C>(out, sp, a);
            break;
        case 'f': case 'F': case 'e': case 'E': case 'g': case 'G': case 'a': case 'A':
            FormatFloat<C>(out, sp, a);
            break;
        case 'c': case 'C':
            FormatChar<C>(out, sp, a);
            break;
        case 's': case 'S':
            // In a wide format %s names a wide string and %S a narrow one (the reverse in a narrow
            // format); the argument's own type is what is read, so a mix-up still prints the text.
            FormatString<C>(out, sp, a);
            break;
        case 'p':
            FormatPointer<C>(out, sp, a);
            break;
        }
    }
}

}  // namespace

void GxFormatArgs(std::u16string& out, std::u16string_view fmt, const GxFmtArg* args, size_t count)
{
    FormatCore<char16_t>(out, fmt, args, count);
}

void GxFormatArgsA(std::string& out, std::string_view fmt, const GxFmtArg* args, size_t count)
{
    FormatCore<char>(out, fmt, args, count);
}
