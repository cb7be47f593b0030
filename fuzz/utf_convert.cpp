// Drives the code-page and UTF-8 conversions and the formatter with arbitrary bytes. The bytes are
// only ever values, never a format. Round trips that must hold are checked, not just survived.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "core/GxFormat.h"
#include "core/GxString.h"

namespace {

[[noreturn]] void Fail() { __builtin_trap(); }

bool HasLoneSurrogate(std::u16string_view s)
{
    for (size_t i = 0; i < s.size(); ++i) {
        char16_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) ++i;
            else return true;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return true;
        }
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // Narrow input through both decoders: never a lone surrogate, and UTF-8 round-trips exactly.
    const std::u16string fromAnsi = GxAnsiToWide(bytes);
    const std::u16string fromUtf8 = GxUtf8ToWide(bytes);
    if (HasLoneSurrogate(fromAnsi) || HasLoneSurrogate(fromUtf8)) Fail();
    if (fromAnsi.size() > size || fromUtf8.size() > size) Fail();
    if (GxUtf8ToWide(GxWideToUtf8(fromUtf8)) != fromUtf8) Fail();
    const std::string backToAnsi = GxWideToAnsi(fromAnsi);

    // The same bytes read as UTF-16 units (lone surrogates included) through both encoders.
    std::u16string wide;
    for (size_t i = 0; i + 1 < size; i += 2) wide.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    const std::string utf8 = GxWideToUtf8(wide);
    const std::u16string again = GxUtf8ToWide(utf8);
    if (again.size() != wide.size() || HasLoneSurrogate(again)) Fail();
    const std::string ansi = GxWideToAnsi(wide);
    (void)GxAnsiToWide(ansi);

    // The formatter with the bytes as values of every kind.
    int32_t i32 = 0;
    int64_t i64 = 0;
    double d = 0;
    std::memcpy(&i32, data, size < sizeof i32 ? size : sizeof i32);
    std::memcpy(&i64, data, size < sizeof i64 ? size : sizeof i64);
    std::memcpy(&d, data, size < sizeof d ? size : sizeof d);
    const int width = size ? data[0] % 300 - 150 : 0;
    const int precision = size > 1 ? data[1] % 200 - 20 : 0;
    const char16_t ch = wide.empty() ? u'x' : wide[0];
    std::u16string f = GxFormatString(u"%s|%S|%.5s|%-8S|%c|%d|%x|%I64d|%I64u|%f|%.3e|%g|%#g", wide, bytes, fromAnsi,
                                      bytes, ch, i32, i32, i64, i64, d, d, d, d);
    f += GxFormatString(u"[%*.*s][%*.*S][%*d][%0*.*f]", width, precision, wide, width, precision, bytes, width, i32,
                        width, precision, d);
    std::string n = GxFormatNarrow("%s|%S|%.7s|%c|%c|%u|%e", bytes, wide, bytes, ch, size ? data[0] : 0, i32, d);
    n += GxFormatNarrow("[%*.*s][%*.*S]", width, precision, bytes, width, precision, wide);
    const std::u16string a = GxFormatStringA("%s%S", bytes, wide);
    if (f.empty() || n.empty()) Fail();
    (void)a;
    (void)backToAnsi;
    return 0;
}
