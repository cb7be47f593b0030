#include "moa/GxMoaVariable.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <utility>

#include "core/GxContentReader.h"
#include "core/GxContentWriter.h"
#include "core/GxLog.h"
#include "core/GxMath.h"

namespace {

bool IsBlank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Leading blanks, an optional sign, decimal digits up to the first non-digit; the rest is
// ignored. A number beyond [lo, hi] gives the nearer bound.
int64_t ParseDecimal(std::u16string_view s, int64_t lo, int64_t hi)
{
    size_t i = 0;
    while (i < s.size() && IsBlank(s[i])) ++i;
    bool neg = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) neg = s[i++] == u'-';
    // Magnitude limit on each side; accumulation stops growing once past it.
    const uint64_t limit = neg ? uint64_t(0) - static_cast<uint64_t>(lo) : static_cast<uint64_t>(hi);
    uint64_t mag = 0;
    bool over = false;
    for (; i < s.size() && IsDigit(s[i]); ++i) {
        if (over) continue;
        const uint64_t digit = static_cast<uint64_t>(s[i] - u'0');
        if (mag > (limit - digit) / 10) over = true;
        else mag = mag * 10 + digit;
    }
    if (over) return neg ? lo : hi;
    return neg ? static_cast<int64_t>(uint64_t(0) - mag) : static_cast<int64_t>(mag);
}

// Leading blanks, an optional sign, digits with an optional "." and fraction, an optional
// exponent. Stops at the first character that does not fit; no number at all gives 0.0. Only
// base 10: no hexadecimal, infinity or NaN forms.
double ParseFloat(std::u16string_view s)
{
    size_t i = 0;
    while (i < s.size() && IsBlank(s[i])) ++i;
    bool neg = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) neg = s[i++] == u'-';

    std::string text;  // the accepted part, unsigned, in ASCII for from_chars
    int64_t intDigits = 0;      // significant digits before the point
    int64_t leadingFrac = 0;    // zeros after the point before the first significant digit
    bool significant = false;   // a non-zero digit was seen
    bool anyDigit = false;
    for (; i < s.size() && IsDigit(s[i]); ++i) {
        anyDigit = true;
        if (s[i] != u'0') significant = true;
        if (significant) ++intDigits;
        text.push_back(static_cast<char>(s[i]));
    }
    if (i < s.size() && s[i] == u'.') {
        size_t j = i + 1;
        std::string frac;
        for (; j < s.size() && IsDigit(s[j]); ++j) {
            if (!significant) {
                if (s[j] == u'0') ++leadingFrac;
                else significant = true;
            }
            frac.push_back(static_cast<char>(s[j]));
        }
        if (anyDigit || !frac.empty()) {
            anyDigit = true;
            if (text.empty()) text.push_back('0');
            if (!frac.empty()) {
                text.push_back('.');
                text += frac;
            }
            i = j;
        }
    }
    if (!anyDigit) return 0.0;
    int64_t exponent = 0;
    if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
        size_t j = i + 1;
        bool eneg = false;
        if (j < s.size() && (s[j] == u'+' || s[j] == u'-')) eneg = s[j++] == u'-';
        if (j < s.size() && IsDigit(s[j])) {
            text.push_back('e');
            if (eneg) text.push_back('-');
            for (; j < s.size() && IsDigit(s[j]); ++j) {
                text.push_back(static_cast<char>(s[j]));
                if (exponent < 100000000) exponent = exponent * 10 + (s[j] - u'0');
            }
            if (eneg) exponent = -exponent;
        }
    }
    double v = 0.0;
    auto r = std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        // Beyond the double range on one side or the other: overflow gives infinity, underflow 0.
        int64_t magnitude = exponent + (intDigits > 0 ? intDigits : -leadingFrac);
        v = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (r.ec != std::errc()) {
        v = 0.0;
    }
    return neg ? -v : v;
}

// Truncation toward zero; NaN gives 0 and values beyond the range give the nearer bound.
int64_t FloatToInt64(double d)
{
    if (std::isnan(d)) return 0;
    if (d >= 9223372036854775808.0) return std::numeric_limits<int64_t>::max();
    if (d < -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(d);
}

std::u16string WidenAscii(const char* b, const char* e)
{
    std::u16string out;
    out.reserve(static_cast<size_t>(e - b));
    for (; b != e; ++b) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(*b)));
    return out;
}

std::u16string IntToText(int64_t v)
{
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof(buf), v);
    return WidenAscii(buf, r.ptr);
}

// "%f": six digits after the point, no exponent, independent of the locale. The buffer holds
// the widest double (309 integer digits), so no value is ever cut.
std::u16string FloatToText(double v)
{
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof(buf), v, std::chars_format::fixed, 6);
    if (r.ec != std::errc()) return std::u16string();
    return WidenAscii(buf, r.ptr);
}

bool CheckArraySize(int64_t count, const char16_t* operation)
{
    if (count >= 0 && count <= GxMoaVariable::kMaxArraySize) return true;
    GxPrintErrorLog(u"Error/GxMoaVariable %s: array size out of range(%I64d, limit %d)\n", operation, count,
                    GxMoaVariable::kMaxArraySize);
    return false;
}

}  // namespace

GxMoaVariable& GxMoaVariable::operator=(GxMoaVariable&& other) noexcept
{
    if (this != &other) {
        // other may lie inside what this value owns: detach it before releasing.
        int64_t bits = other.m_Int;
        GxMoaValueType type = other.m_Type;
        other.m_Int = 0;
        other.m_Type = GxMoaValueType::Null;
        SetNull();
        m_Int = bits;
        m_Type = type;
    }
    return *this;
}

void GxMoaVariable::ReleaseHeap() noexcept
{
    if (m_Type == GxMoaValueType::Array) delete m_Array;
    else delete m_Str;
    m_Int = 0;
}

void GxMoaVariable::SetString(std::u16string_view text)
{
    // A text ends at its first NUL, as the stored form keeps it.
    text = text.substr(0, text.find(u'\0'));
    auto* s = new std::u16string(text);  // before releasing: text may be this value's own
    SetNull();
    m_Str = s;
    m_Type = GxMoaValueType::Str;
}

void GxMoaVariable::SetString(const char16_t* text)
{
    SetString(text ? std::u16string_view(text) : std::u16string_view());
}

bool GxMoaVariable::MakeArray(int32_t count)
{
    if (!CheckArraySize(count, u"MakeArray")) return false;
    auto* a = new GxMoaValueArray;
    a->m_Elements.resize(static_cast<size_t>(count));
    SetNull();
    m_Array = a;
    m_Type = GxMoaValueType::Array;
    return true;
}

bool GxMoaVariable::SetArraySize(int32_t count)
{
    if (m_Type != GxMoaValueType::Array) return MakeArray(count);
    if (!CheckArraySize(count, u"SetArraySize")) return false;
    m_Array->m_Elements.resize(static_cast<size_t>(count));
    return true;
}

void GxMoaVariable::Assign(const GxMoaVariable& other)
{
    if (this == &other) return;
    // Build the copy before releasing: other may be an element of this value.
    const int64_t bits = other.m_Int;
    const GxMoaValueType type = other.m_Type;
    switch (type) {
    case GxMoaValueType::Str:
    case GxMoaValueType::RefVar: {
        auto* s = new std::u16string(*other.m_Str);
        SetNull();
        m_Str = s;
        break;
    }
    case GxMoaValueType::Array: {
        auto* a = new GxMoaValueArray(*other.m_Array);  // elements copy deeply through Assign
        SetNull();
        m_Array = a;
        break;
    }
    default:
        SetNull();
        m_Int = bits;
        break;
    }
    m_Type = type;
}

int64_t GxMoaVariable::GetInt64() const
{
    switch (m_Type) {
    case GxMoaValueType::Int: return m_Int;
    case GxMoaValueType::Float: return FloatToInt64(m_Float);
    case GxMoaValueType::Str:
        return ParseDecimal(*m_Str, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max());
    case GxMoaValueType::Array: return static_cast<int64_t>(m_Array->m_Elements.size());
    default: return 0;
    }
}

int32_t GxMoaVariable::GetInt() const
{
    switch (m_Type) {
    case GxMoaValueType::Int: return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(m_Int)));
    case GxMoaValueType::Float: return GxTruncToInt32(m_Float);
    case GxMoaValueType::Str:
        return static_cast<int32_t>(
            ParseDecimal(*m_Str, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
    case GxMoaValueType::Array: return static_cast<int32_t>(m_Array->m_Elements.size());
    default: return 0;
    }
}

double GxMoaVariable::GetFloat() const
{
    switch (m_Type) {
    case GxMoaValueType::Int: return static_cast<double>(m_Int);
    case GxMoaValueType::Float: return m_Float;
    case GxMoaValueType::Str: return ParseFloat(*m_Str);
    case GxMoaValueType::Array: return static_cast<double>(m_Array->m_Elements.size());
    default: return 0.0;
    }
}

std::u16string GxMoaVariable::GetString() const
{
    switch (m_Type) {
    case GxMoaValueType::Int: return IntToText(m_Int);
    case GxMoaValueType::Float: return FloatToText(m_Float);
    case GxMoaValueType::Str:
    case GxMoaValueType::RefVar: return *m_Str;
    case GxMoaValueType::Array: return IntToText(static_cast<int64_t>(m_Array->m_Elements.size()));
    default: return std::u16string();
    }
}

std::u16string_view GxMoaVariable::GetStringView() const noexcept
{
    if (m_Type == GxMoaValueType::Str || m_Type == GxMoaValueType::RefVar) return *m_Str;
    return std::u16string_view();
}

int32_t GxMoaVariable::GetStringLength() const
{
    if (m_Type == GxMoaValueType::Str) return static_cast<int32_t>(m_Str->size());
    return static_cast<int32_t>(GetString().size());
}

int32_t GxMoaVariable::GetArraySize() const noexcept
{
    return m_Type == GxMoaValueType::Array ? static_cast<int32_t>(m_Array->m_Elements.size()) : 0;
}

GxMoaVariable* GxMoaVariable::GetElement(int32_t index)
{
    if (index == -1) return this;
    if (index < 0 || m_Type != GxMoaValueType::Array) return nullptr;
    auto& el = m_Array->m_Elements;
    if (static_cast<size_t>(index) >= el.size()) {
        if (!CheckArraySize(int64_t(index) + 1, u"GetElement")) return nullptr;
        el.resize(static_cast<size_t>(index) + 1);
    }
    return &el[static_cast<size_t>(index)];
}

// ---- stored form ----

namespace {

// Arrays read from a stream nest at most this deep; the stack would otherwise follow the data.
constexpr int kMaxReadDepth = 1024;

}  // namespace

void GxMoaVariable::WriteFields(GxContentWriterBase& writer) const
{
    writer.WriteGxU32Alt("m_ValueType", static_cast<uint32_t>(m_Type));
    switch (m_Type) {
    case GxMoaValueType::Int:
    case GxMoaValueType::Float: writer.WriteGxS64("m_IntOfFloat", m_Int); break;  // a double's bits as they are
    case GxMoaValueType::Str:
    case GxMoaValueType::RefVar: writer.WriteGxStringStdW("m_Str", *m_Str); break;
    case GxMoaValueType::Array:
        writer.WriteGxS32Alt("m_ArraySize", static_cast<int32_t>(m_Array->m_Elements.size()));
        for (const GxMoaVariable& e : m_Array->m_Elements) e.WriteFields(writer);
        break;
    case GxMoaValueType::Opcode: writer.WriteGxS64("m_Int", m_Int); break;
    default: break;
    }
}

bool GxMoaVariable::Write(GxContentWriterBase& writer) const
{
    WriteFields(writer);
    return writer.GetErrorCount() == 0;
}

bool GxMoaVariable::Read(GxContentReaderBase& reader)
{
    const bool accepted = ReadDepth(reader, 0);
    return accepted && reader.GetErrorCount() == 0;
}

// False when the stored value was refused or the stream failed inside it.
bool GxMoaVariable::ReadDepth(GxContentReaderBase& reader, int depth)
{
    SetNull();
    const int errorsBefore = reader.GetErrorCount();
    uint32_t code = static_cast<uint32_t>(GxMoaValueType::Null);
    reader.ReadGxU32Alt("m_ValueType", code);
    const auto type = static_cast<GxMoaValueType>(static_cast<int32_t>(code));
    switch (type) {
    case GxMoaValueType::Int:
    case GxMoaValueType::Float:
    case GxMoaValueType::Opcode: {
        int64_t bits = 0;
        reader.ReadGxS64(type == GxMoaValueType::Opcode ? "m_Int" : "m_IntOfFloat", bits);
        m_Int = bits;
        m_Type = type;
        break;
    }
    case GxMoaValueType::Str:
    case GxMoaValueType::RefVar: {
        std::u16string text = reader.ReadGxStringWValue("m_Str");
        SetString(text);
        m_Type = type;
        break;
    }
    case GxMoaValueType::Array: {
        const int32_t count = reader.ReadGxS32AltValue("m_ArraySize");
        m_Array = new GxMoaValueArray;
        m_Type = GxMoaValueType::Array;
        if (!CheckArraySize(count, u"Read")) return false;
        if (count > 0 && depth >= kMaxReadDepth) {
            GxPrintErrorLog(u"Error/GxMoaVariable Read: arrays nested too deeply(limit %d)\n", kMaxReadDepth);
            return false;
        }
        // Elements are added as they are read, so a count that the data does not back costs
        // nothing; after a failed element the array keeps what was read so far.
        auto& el = m_Array->m_Elements;
        el.reserve(static_cast<size_t>(std::min(count, 1024)));
        for (int32_t i = 0; i < count; ++i) {
            el.emplace_back();
            if (!el.back().ReadDepth(reader, depth + 1)) return false;
        }
        break;
    }
    default:
        // Null, and a code of no known type: the code stays, the payload is 0.
        m_Type = type;
        break;
    }
    return reader.GetErrorCount() == errorsBefore;
}
