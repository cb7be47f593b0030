// The engine's printf-style formatter.
//
// Formats follow the engine's own rules: in a wide format "%s" takes a wide string and "%S" a
// narrow one (narrow text is taken to be in the ANSI code page, CP932); in a narrow format it is
// the other way round. "%I64d"/"%I64u" and "%lld" are 64-bit. Arguments are captured with their
// types, so a mismatch between format and value never reads garbage: numbers convert between
// integer and floating forms, a string given to a number conversion is printed as text, a
// number given to "%s" is printed as a number (a character type as the character), and a
// conversion with no argument left prints nothing. "%c" converts between the code page and
// UTF-16 when the character's type is the other width. Floating output is locale independent
// ("." always).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

struct GxFmtArg
{
    enum Kind : uint8_t { Int, UInt, Double, WStr, NStr, Ptr };
    Kind kind = Int;
    uint8_t size = 4;  // bytes of the original integer type (decides %u/%x of negative values)
    uint8_t chr = 0;   // character type of an integer: 0 none, 1 narrow (char), 2 wide (char16_t)
    union {
        int64_t i;
        uint64_t u;
        double d;
        const void* p;
        struct { const char16_t* s; size_t n; } ws;
        struct { const char* s; size_t n; } ns;
    };
    GxFmtArg() : i(0) {}
};

template <typename T>
inline GxFmtArg GxMakeFmtArg(const T& v)
{
    GxFmtArg a;
    using D = std::decay_t<T>;
    if constexpr (std::is_same_v<D, bool>) {
        a.kind = GxFmtArg::Int; a.i = v ? 1 : 0;
    } else if constexpr (std::is_enum_v<D>) {
        a.kind = GxFmtArg::Int; a.size = sizeof(D); a.i = static_cast<int64_t>(v);
    } else if constexpr (std::is_same_v<D, char16_t> || std::is_same_v<D, char32_t> ||
                         std::is_same_v<D, wchar_t>) {
        a.kind = GxFmtArg::UInt; a.size = sizeof(D); a.chr = 2; a.u = static_cast<uint64_t>(v);
    } else if constexpr (std::is_same_v<D, char> || std::is_same_v<D, signed char> ||
                         std::is_same_v<D, unsigned char>) {
        // Kept signed or unsigned as declared so that %d/%u behave as after promotion.
        if constexpr (std::is_signed_v<D>) { a.kind = GxFmtArg::Int; a.i = v; }
        else { a.kind = GxFmtArg::UInt; a.u = v; }
        a.size = 1; a.chr = 1;
    } else if constexpr (std::is_integral_v<D> && std::is_signed_v<D>) {
        a.kind = GxFmtArg::Int; a.size = sizeof(D); a.i = static_cast<int64_t>(v);
    } else if constexpr (std::is_integral_v<D>) {
        a.kind = GxFmtArg::UInt; a.size = sizeof(D); a.u = static_cast<uint64_t>(v);
    } else if constexpr (std::is_floating_point_v<D>) {
        a.kind = GxFmtArg::Double; a.size = 8; a.d = static_cast<double>(v);
    } else if constexpr (std::is_same_v<D, const char16_t*> || std::is_same_v<D, char16_t*>) {
        a.kind = GxFmtArg::WStr; a.ws.s = v;
        if constexpr (std::is_array_v<T>) a.ws.n = std::char_traits<char16_t>::length(v);
        else a.ws.n = v ? std::char_traits<char16_t>::length(v) : 0;
    } else if constexpr (std::is_same_v<D, const char*> || std::is_same_v<D, char*>) {
        a.kind = GxFmtArg::NStr; a.ns.s = v;
        if constexpr (std::is_array_v<T>) a.ns.n = std::char_traits<char>::length(v);
        else a.ns.n = v ? std::char_traits<char>::length(v) : 0;
    } else if constexpr (std::is_same_v<D, std::u16string> || std::is_same_v<D, std::u16string_view>) {
        a.kind = GxFmtArg::WStr; a.ws.s = v.data(); a.ws.n = v.size();
    } else if constexpr (std::is_same_v<D, std::string> || std::is_same_v<D, std::string_view>) {
        a.kind = GxFmtArg::NStr; a.ns.s = v.data(); a.ns.n = v.size();
    } else if constexpr (std::is_pointer_v<D> || std::is_null_pointer_v<D>) {
        a.kind = GxFmtArg::Ptr; a.size = 8; a.p = static_cast<const void*>(v);
    } else {
        static_assert(sizeof(D) == 0, "GxFormat: unsupported argument type");
    }
    return a;
}

// Appends the formatted text to out.
void GxFormatArgs(std::u16string& out, std::u16string_view fmt, const GxFmtArg* args, size_t count);
void GxFormatArgsA(std::string& out, std::string_view fmt, const GxFmtArg* args, size_t count);

// Wide format -> wide text.
template <typename... Args>
inline std::u16string GxFormatString(std::u16string_view fmt, const Args&... args)
{
    std::u16string out;
    if constexpr (sizeof...(Args) == 0) {
        GxFormatArgs(out, fmt, nullptr, 0);
    } else {
        const GxFmtArg a[] = {GxMakeFmtArg(args)...};
        GxFormatArgs(out, fmt, a, sizeof...(Args));
    }
    return out;
}

// Narrow format -> narrow text (no code-page conversion of the result).
template <typename... Args>
inline std::string GxFormatNarrow(std::string_view fmt, const Args&... args)
{
    std::string out;
    if constexpr (sizeof...(Args) == 0) {
        GxFormatArgsA(out, fmt, nullptr, 0);
    } else {
        const GxFmtArg a[] = {GxMakeFmtArg(args)...};
        GxFormatArgsA(out, fmt, a, sizeof...(Args));
    }
    return out;
}

std::u16string GxAnsiToWide(std::string_view text);

// Narrow format -> wide text, converted from the ANSI code page.
template <typename... Args>
inline std::u16string GxFormatStringA(std::string_view fmt, const Args&... args)
{
    return GxAnsiToWide(GxFormatNarrow(fmt, args...));
}
