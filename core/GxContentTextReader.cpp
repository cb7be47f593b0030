#include "core/GxContentTextReader.h"

#include <cstring>

#include "core/GxLog.h"
#include "core/GxString.h"

namespace {

enum : uint8_t { kPlain, kStop, kDrop, kFeed, kLead, kTab };

// Byte classes of the line walk. Lead bytes of the ANSI code page (CP932) take the next byte
// with them, so a trail byte is never read as a control character.
struct ClassTable
{
    uint8_t c[256];
    constexpr ClassTable() : c()
    {
        for (int i = 0; i < 256; ++i) c[i] = kPlain;
        c[0] = kStop;
        c[13] = kDrop;  // CR
        c[12] = kDrop;  // FF
        c[10] = kFeed;  // LF
        c[9] = kTab;
        for (int i = 0x81; i <= 0x9F; ++i) c[i] = kLead;
        for (int i = 0xE0; i <= 0xFC; ++i) c[i] = kLead;
    }
};
constexpr ClassTable kClass;

bool IsLead(char c) { return kClass.c[static_cast<uint8_t>(c)] == kLead; }

// The line walk shared by the reader and GxReadLineA/GxSkipLineA. out null: nothing is
// collected. ends non-null: the line is split at its tabs as it is collected (the tabs are not
// kept and the end offset of each field is recorded).
const char* ScanLine(const char* p, const char* e, uint32_t& line, std::string* out, std::vector<uint32_t>* ends)
{
    while (p < e) {
        const char* run = p;
        while (p < e && kClass.c[static_cast<uint8_t>(*p)] == kPlain) ++p;
        if (out && p > run) out->append(run, p);
        if (p >= e) break;
        switch (kClass.c[static_cast<uint8_t>(*p)]) {
        case kStop:
            goto done;
        case kDrop:
            ++p;
            break;
        case kTab:
            if (ends) ends->push_back(static_cast<uint32_t>(out->size()));
            else if (out) out->push_back('\t');
            ++p;
            break;
        case kLead:
            if (p + 1 < e && p[1] != 0) {
                if (out) out->push_back(p[0]);
                if (ends && p[1] == '\t') ends->push_back(static_cast<uint32_t>(out->size()));
                else if (out) out->push_back(p[1]);
                p += 2;
            } else {
                if (out) out->push_back(*p);
                ++p;
            }
            break;
        case kFeed:
            ++line;
            ++p;
            while (p < e && (*p == '\r' || *p == '\f')) ++p;
            goto done;
        }
    }
done:
    if (ends) ends->push_back(static_cast<uint32_t>(out->size()));
    return p;
}

char16_t EscapedWide(char16_t c)
{
    switch (c) {
    case u'f': return u'\f';
    case u'n': return u'\n';
    case u'r': return u'\r';
    case u't': return u'\t';
    case u'v': return u'\v';
    default: return c;
    }
}

// The wide quoted-text scan over one field (which holds no line feed).
void UnquoteWide(std::u16string& out, std::u16string_view text)
{
    if (text.empty() || text[0] != u'"') return;
    const size_t n = text.size();
    size_t i = 1;
    while (i < n) {
        char16_t c = text[i];
        if (c == 0 || c == u'"') break;
        if (c == u'\\') {
            if (i + 1 >= n || text[i + 1] == 0) break;
            out.push_back(EscapedWide(text[i + 1]));
            i += 2;
            continue;
        }
        if (c != u'\n' && c != u'\r' && c != u'\f') out.push_back(c);
        ++i;
    }
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

uint8_t HexPair(const char* p)
{
    int h = HexDigit(p[0]), l = HexDigit(p[1]);
    if (h >= 0 && l >= 0) return static_cast<uint8_t>(h * 16 + l);
    return static_cast<uint8_t>(GxContentParseUnsigned(p, p + 2, 16, 32));
}

}  // namespace

std::string GxReadLineA(const char* start, const char** pos, uint32_t* line, const char* end)
{
    std::string out;
    uint32_t dummy = 0;
    const char* p = start ? ScanLine(start, end, line ? *line : dummy, &out, nullptr) : start;
    if (pos) *pos = p;
    return out;
}

void GxSkipLineA(const char* start, const char** pos, uint32_t* line, const char* end)
{
    uint32_t dummy = 0;
    const char* p = start ? ScanLine(start, end, line ? *line : dummy, nullptr, nullptr) : start;
    if (pos) *pos = p;
}

void GxReadQuotedTextA(std::string& out, const char* start, const char** pos, uint32_t* line, const char* end)
{
    out.clear();
    const char* p = start;
    if (!p || p >= end || *p != '"') {
        if (pos) *pos = p;
        return;
    }
    ++p;
    while (p < end && *p != 0) {
        char c = *p;
        if (c == '"') {
            ++p;
            break;
        }
        bool escaped = false;
        if (c == '\\') {
            ++p;
            if (p >= end || *p == 0) break;
            c = *p;
            escaped = true;
        }
        if (IsLead(c)) {
            out.push_back(c);
            ++p;
            if (p < end && *p != 0) out.push_back(*p++);
            continue;
        }
        ++p;
        if (escaped) {
            switch (c) {
            case 'f': c = '\f'; break;
            case 'n': c = '\n'; break;
            case 'r': c = '\r'; break;
            case 't': c = '\t'; break;
            case 'v': c = '\v'; break;
            default: break;
            }
            out.push_back(c);
        } else if (c == '\n') {
            if (line) ++*line;
        } else if (c != '\r' && c != '\f') {
            out.push_back(c);
        }
    }
    if (pos) *pos = p;
}

int GxMbcCodeToBytes(char* out, uint32_t code)
{
    int n = 0;
    for (int shift = 24; shift >= 0; shift -= 8) {
        uint8_t b = static_cast<uint8_t>(code >> shift);
        if (b) out[n++] = static_cast<char>(b);
    }
    out[n] = 0;
    return n;
}

// ---------------------------------------------------------------- GxContentTextReader

GxContentTextReader::GxContentTextReader(const GxBinBuffer& buffer)
{
    SetBuffer(buffer.GetBuffer(), buffer.GetSize());
}

void GxContentTextReader::SetBuffer(const void* data, uint32_t length)
{
    m_Pos = static_cast<const char*>(data);
    m_End = m_Pos ? m_Pos + length : m_Pos;
}

void GxContentTextReader::ReadLine()
{
    m_Line.clear();
    m_FieldEnds.clear();
    if (m_Pos) m_Pos = ScanLine(m_Pos, m_End, m_LineNo, &m_Line, &m_FieldEnds);
    else m_FieldEnds.push_back(0);
}

std::string_view GxContentTextReader::Field(size_t i) const
{
    if (i >= m_FieldEnds.size()) return {};
    uint32_t b = i ? m_FieldEnds[i - 1] : 0;
    return std::string_view(m_Line.data() + b, m_FieldEnds[i] - b);
}

int GxContentTextReader::LineCode() const
{
    std::string_view f = Field(0);
    if (f.size() == 2) {
        int h = HexDigit(f[0]), l = HexDigit(f[1]);
        if (h >= 0 && l >= 0) return h * 16 + l;
    }
    return static_cast<int>(GxContentParseSigned(f.data(), f.data() + f.size(), 16, 32));
}

void GxContentTextReader::Error(const char* what)
{
    GxPrintErrorLogA("GxContentTextReader/%s Line=%d\n", what, static_cast<int>(m_LineNo));
    ++m_ErrorCount;
}

void GxContentTextReader::TypeError(int code)
{
    // The flag word's messages carry a name of their own.
    if (code == VALTYPE_GxBit32)
        GxPrintErrorLogA("GxContentStringReader/ValueType Isn't VALTYPE_GxBit32 Line=%d\n", static_cast<int>(m_LineNo));
    else
        GxPrintErrorLogA("GxContentTextReader/ValueType Isn't %s Line=%d\n", GxContentValueTypeName(code),
                         static_cast<int>(m_LineNo));
    ++m_ErrorCount;
}

bool GxContentTextReader::ReadValueLine(int code, const char* name, size_t minFields, bool checkName)
{
    ReadLine();
    if (LineCode() != code) {
        TypeError(code);
        return false;
    }
    if (checkName && m_CheckName == 1 && Field(1) != std::string_view(name ? name : "")) {
        if (code == VALTYPE_GxBit32)
            GxPrintErrorLogA("GxContentStringReader/ValueName does not match Line=%d\n", static_cast<int>(m_LineNo));
        else
            GxPrintErrorLogA("GxContentTextReader/ValueName does not match Line=%d\n", static_cast<int>(m_LineNo));
        ++m_ErrorCount;
        return false;
    }
    if (FieldCount() < minFields) {
        GxPrintErrorLogA("GxContentTextReader/%s Has Too Few Fields(%u of %u) Line=%d\n", GxContentValueTypeName(code),
                         static_cast<uint32_t>(FieldCount()), static_cast<uint32_t>(minFields),
                         static_cast<int>(m_LineNo));
        ++m_ErrorCount;
        return false;
    }
    return true;
}

int GxContentTextReader::GetNextValueType()
{
    const char* pos = m_Pos;
    uint32_t line = m_LineNo;
    ReadLine();
    int code = LineCode();
    m_Pos = pos;
    m_LineNo = line;
    return code;
}

bool GxContentTextReader::ReadHeader(const char* tag, uint32_t& version)
{
    ReadLine();
    const char* expected = tag ? tag : "";
    if (FieldCount() >= 2 && Field(0) == std::string_view(expected)) {
        version = static_cast<uint32_t>(GxContentAtol(Field(1)));
        return true;
    }
    GxPrintErrorLogA("GxContentTextReader/FileHeader Isn't %s Line=%d\n", expected, static_cast<int>(m_LineNo));
    ++m_ErrorCount;
    return false;
}

bool GxContentTextReader::ReadFloats(int code, const char* name, float* out, size_t count)
{
    if (!ReadValueLine(code, name, 2 + count)) return false;
    for (size_t i = 0; i < count; ++i) out[i] = static_cast<float>(GxContentAtof(Field(2 + i)));
    return true;
}

bool GxContentTextReader::ReadInts(int code, const char* name, int32_t* out, size_t count)
{
    if (!ReadValueLine(code, name, 2 + count)) return false;
    for (size_t i = 0; i < count; ++i) out[i] = GxContentAtol(Field(2 + i));
    return true;
}

bool GxContentTextReader::ReadGxPoint4(const char* name, GxPoint4& value)
{
    int32_t a[4];
    if (!ReadInts(VALTYPE_GxPoint4, name, a, 4)) return false;
    value = GxPoint4(a[0], a[1], a[2], a[3]);
    return true;
}

bool GxContentTextReader::ReadGxPoint3(const char* name, GxPoint3& value)
{
    int32_t a[3];
    if (!ReadInts(VALTYPE_GxPoint3, name, a, 3)) return false;
    value = GxPoint3(a[0], a[1], a[2]);
    return true;
}

bool GxContentTextReader::ReadGxPoint2(const char* name, GxPoint2& value)
{
    int32_t a[2];
    if (!ReadInts(VALTYPE_GxPoint2, name, a, 2)) return false;
    value = GxPoint2(a[0], a[1]);
    return true;
}

bool GxContentTextReader::ReadGxRect(const char* name, GxRect& value)
{
    int32_t a[4];
    if (!ReadInts(VALTYPE_GxRect, name, a, 4)) return false;
    value = GxRect(a[0], a[1], a[2], a[3]);
    return true;
}

bool GxContentTextReader::ReadGxFRect(const char* name, GxFRect& value)
{
    float a[4];
    if (!ReadFloats(VALTYPE_GxFRect, name, a, 4)) return false;
    value = GxFRect(a[0], a[1], a[2], a[3]);
    return true;
}

bool GxContentTextReader::ReadGxMatrix(const char* name, GxMatrix& value)
{
    float a[16];
    if (!ReadFloats(VALTYPE_GxMatrix, name, a, 16)) return false;
    for (int i = 0; i < 16; ++i) value.m[i / 4][i % 4] = a[i];
    return true;
}

bool GxContentTextReader::ReadGxFColor(const char* name, GxFColor& value)
{
    float a[4];
    if (!ReadFloats(VALTYPE_GxFColor, name, a, 4)) return false;
    value = GxFColor(a[0], a[1], a[2], a[3]);
    return true;
}

bool GxContentTextReader::ReadGxQuat(const char* name, GxQuat& value)
{
    float a[4];
    if (!ReadFloats(VALTYPE_GxQuat, name, a, 4)) return false;
    value = GxQuat(a[0], a[1], a[2], a[3]);
    return true;
}

bool GxContentTextReader::ReadGxVector4(const char* name, GxVector4& value)
{
    float a[4];
    if (!ReadFloats(VALTYPE_GxVector4, name, a, 4)) return false;
    value = GxVector4(a[0], a[1], a[2], a[3]);
    return true;
}

bool GxContentTextReader::ReadGxVector3(const char* name, GxVector3& value)
{
    float a[3];
    if (!ReadFloats(VALTYPE_GxVector3, name, a, 3)) return false;
    value.x = a[0];  // the fourth stored float is not touched
    value.y = a[1];
    value.z = a[2];
    return true;
}

bool GxContentTextReader::ReadGxVector2(const char* name, GxVector2& value)
{
    float a[2];
    if (!ReadFloats(VALTYPE_GxVector2, name, a, 2)) return false;
    value = GxVector2(a[0], a[1]);
    return true;
}

bool GxContentTextReader::ReadGxBit32(const char* name, GxBit32& value)
{
    if (!ReadValueLine(VALTYPE_GxBit32, name, 3)) return false;
    value = GxContentStrtoul(Field(2));
    return true;
}

bool GxContentTextReader::ReadGxBool(const char* name, bool& value)
{
    if (!ReadValueLine(VALTYPE_GxBool, name, 3)) return false;
    value = GxContentAtol(Field(2)) != 0;
    return true;
}

bool GxContentTextReader::ReadGxF64(const char* name, double& value)
{
    if (!ReadValueLine(VALTYPE_GxF64, name, 3)) return false;
    value = GxContentAtof(Field(2));
    return true;
}

bool GxContentTextReader::ReadGxF32(const char* name, float& value)
{
    if (!ReadValueLine(VALTYPE_GxF32, name, 3)) return false;
    value = static_cast<float>(GxContentAtof(Field(2)));
    return true;
}

bool GxContentTextReader::ReadGxU64(const char* name, uint64_t& value)
{
    if (!ReadValueLine(VALTYPE_GxU64, name, 3)) return false;
    std::string_view f = Field(2);
    value = GxContentParseUnsigned(f.data(), f.data() + f.size(), 10, 64);
    return true;
}

bool GxContentTextReader::ReadGxS64(const char* name, int64_t& value)
{
    if (!ReadValueLine(VALTYPE_GxS64, name, 3)) return false;
    std::string_view f = Field(2);
    value = GxContentParseSigned(f.data(), f.data() + f.size(), 10, 64);
    return true;
}

bool GxContentTextReader::ReadGxU32(const char* name, uint32_t& value)
{
    if (!ReadValueLine(VALTYPE_GxU32, name, 3)) return false;
    value = GxContentStrtoul(Field(2));
    return true;
}

bool GxContentTextReader::ReadGxS32(const char* name, int32_t& value)
{
    if (!ReadValueLine(VALTYPE_GxS32, name, 3)) return false;
    value = GxContentAtol(Field(2));
    return true;
}

bool GxContentTextReader::ReadGxU16(const char* name, uint16_t& value)
{
    if (!ReadValueLine(VALTYPE_GxU16, name, 3)) return false;
    value = static_cast<uint16_t>(GxContentAtol(Field(2)));
    return true;
}

bool GxContentTextReader::ReadGxS16(const char* name, int16_t& value)
{
    if (!ReadValueLine(VALTYPE_GxS16, name, 3)) return false;
    value = static_cast<int16_t>(GxContentAtol(Field(2)));
    return true;
}

bool GxContentTextReader::ReadGxU8(const char* name, uint8_t& value)
{
    if (!ReadValueLine(VALTYPE_GxU8, name, 3)) return false;
    value = static_cast<uint8_t>(GxContentAtol(Field(2)));
    return true;
}

bool GxContentTextReader::ReadGxS8(const char* name, int8_t& value)
{
    if (!ReadValueLine(VALTYPE_GxS8, name, 3)) return false;
    value = static_cast<int8_t>(GxContentAtol(Field(2)));
    return true;
}

bool GxContentTextReader::ReadStringLine(const char* name, int& code)
{
    ReadLine();
    code = LineCode();
    if (code != VALTYPE_GxStringSJIS && code != VALTYPE_GxStringUTF8) {
        GxPrintErrorLogA("GxContentTextReader/ValueType Isn't VALTYPE_GxStringSJIS or VALTYPE_GxStringUTF8 Line=%d\n",
                         static_cast<int>(m_LineNo));
        ++m_ErrorCount;
        return false;
    }
    if (m_CheckName == 1 && Field(1) != std::string_view(name ? name : "")) {
        GxPrintErrorLogA("GxContentTextReader/ValueName does not match Line=%d\n", static_cast<int>(m_LineNo));
        ++m_ErrorCount;
        return false;
    }
    if (FieldCount() < 4) {
        GxPrintErrorLogA("GxContentTextReader/%s Has Too Few Fields(%u of 4) Line=%d\n", GxContentValueTypeName(code),
                         static_cast<uint32_t>(FieldCount()), static_cast<int>(m_LineNo));
        ++m_ErrorCount;
        return false;
    }
    return true;
}

bool GxContentTextReader::ReadGxStringStdW(const char* name, std::u16string& text)
{
    int code;
    if (!ReadStringLine(name, code)) return false;
    std::string_view quoted = Field(3);
    m_Wide.clear();
    if (code == VALTYPE_GxStringUTF8) GxContentAppendWide(m_Wide, quoted);
    else m_Wide = GxAnsiToWide(quoted);
    text.clear();
    UnquoteWide(text, m_Wide);
    return true;
}

bool GxContentTextReader::ReadGxStringStdA(const char* name, std::string& text)
{
    int code;
    if (!ReadStringLine(name, code)) return false;
    std::string_view quoted = Field(3);
    std::string ansi = code == VALTYPE_GxStringUTF8 ? GxWideToAnsi(GxUtf8ToWide(quoted)) : std::string(quoted);
    uint32_t line = 0;
    GxReadQuotedTextA(text, ansi.data(), nullptr, &line, ansi.data() + ansi.size());
    return true;
}

bool GxContentTextReader::ReadGxBinary(const char* name, GxBinBuffer& buffer)
{
    if (!ReadValueLine(VALTYPE_GxBinary, name, 3)) return false;
    uint32_t n = GxContentStrtoul(Field(2));
    // The length is bounded by the rest of the data (each byte takes two digits): a larger one
    // is damage, and nothing is allocated for it.
    if (n > static_cast<size_t>(m_End - m_Pos)) {
        GxPrintErrorLogA("GxContentTextReader/Binary Length Exceeds Data(%u) Line=%d\n", n, static_cast<int>(m_LineNo));
        ++m_ErrorCount;
        return false;
    }
    uint8_t* dst = buffer.Create(n);
    if (!dst) {
        Error("Binary Allocation Failed");
        return false;
    }
    for (uint32_t base = 0; base < n; base += 32) {
        m_Line.clear();
        m_Pos = ScanLine(m_Pos, m_End, m_LineNo, &m_Line, nullptr);
        uint32_t count = n - base < 32 ? n - base : 32;
        for (uint32_t j = 0; j < count && 2 * j + 1 < m_Line.size(); ++j) dst[base + j] = HexPair(&m_Line[2 * j]);
    }
    return true;
}

bool GxContentTextReader::ReadListBegin(const char* name, uint32_t& count)
{
    if (!ReadValueLine(VALTYPE_ListBegin, name, 4)) return false;
    // As in the binary form, the count is not bounded by what remains: elements without values
    // take no lines. Loaders read item by item and stop at the first failed read.
    count = static_cast<uint32_t>(GxContentStrtoul(Field(3)));
    return true;
}

bool GxContentTextReader::ReadListEnd() { return ReadValueLine(VALTYPE_ListEnd, nullptr, 1, false); }
bool GxContentTextReader::ReadTreeBegin(const char* name) { return ReadValueLine(VALTYPE_TreeBegin, name, 1); }
bool GxContentTextReader::ReadTreeEnd() { return ReadValueLine(VALTYPE_TreeEnd, nullptr, 1, false); }
bool GxContentTextReader::ReadTreeStratumBegin() { return ReadValueLine(VALTYPE_TreeStratumBegin, nullptr, 1, false); }
bool GxContentTextReader::ReadTreeStratumEnd() { return ReadValueLine(VALTYPE_TreeStratumEnd, nullptr, 1, false); }

bool GxContentTextReader::SkipValue()
{
    // Nothing left to skip is a failure, as in the binary form, so that a skipping loop ends.
    if (IsEnd()) {
        Error("ReadPos Overrun");
        return false;
    }
    ReadLine();
    if (LineCode() == VALTYPE_GxBinary) {
        uint64_t n = GxContentStrtoul(Field(2));
        for (uint64_t k = 0; k < (n + 31) / 32 && !IsEnd(); ++k)
            m_Pos = ScanLine(m_Pos, m_End, m_LineNo, nullptr, nullptr);
    }
    return true;
}
