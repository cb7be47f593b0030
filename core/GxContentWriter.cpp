#include "core/GxContentWriter.h"

#include <charconv>
#include <cstring>

#include "core/GxLog.h"
#include "core/GxString.h"

namespace {

const char* OrEmpty(const char* s) { return s ? s : ""; }

// NUL-terminated wide text as a view; a stored string ends at its first NUL in both forms.
std::u16string_view WideView(const char16_t* text)
{
    return text ? std::u16string_view(text) : std::u16string_view();
}

std::u16string_view CutAtNul(const std::u16string& text)
{
    size_t n = text.find(u'\0');
    return n == std::u16string::npos ? std::u16string_view(text) : std::u16string_view(text).substr(0, n);
}

std::string_view CutAtNul(const std::string& text)
{
    size_t n = text.find('\0');
    return n == std::string::npos ? std::string_view(text) : std::string_view(text).substr(0, n);
}

bool IsAscii(std::string_view s)
{
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

bool TagTooLong(const char* tag) { return std::strlen(OrEmpty(tag)) > kGxContentTagLimit; }

}  // namespace

// ---------------------------------------------------------------- GxContentFileSink

bool GxContentFileSink::Put(const void* bytes, size_t count)
{
    if (!m_File) return Fail();
    if (count == 0) return true;
    if (fwrite_unlocked(bytes, 1, count, m_File) != count) {
        m_StreamErrorSeen = true;
        return Fail();
    }
    return true;
}

int GxContentFileSink::Check()
{
    if (m_File) {
        // Bytes still in the stream's buffer fail only when flushed: flush them now, so the count
        // the caller judges the save by covers them.
        bool failed = fflush(m_File) != 0 || ferror(m_File) != 0;
        if (failed && !m_StreamErrorSeen) {
            m_StreamErrorSeen = true;
            ++m_ErrorCount;
        }
    }
    return m_ErrorCount;
}

bool GxContentFileSink::Close()
{
    if (!m_File) return false;
    int before = m_ErrorCount;
    bool streamFailed = m_StreamErrorSeen;
    Check();
    bool ok = !streamFailed && m_ErrorCount == before;
    if (fclose(m_File) != 0) {
        ++m_ErrorCount;
        ok = false;
    }
    m_File = nullptr;
    m_StreamErrorSeen = false;
    return ok;
}

// ---------------------------------------------------------------- GxContentBinaryWriter

bool GxContentBinaryWriter::WriteHeader(const char* tag, uint32_t version)
{
    if (TagTooLong(tag)) {
        GxPrintErrorLog(u"GxContentBinaryWriter/Header String Too Long(Limit=%d Chars)\n",
                        static_cast<int>(kGxContentTagLimit));
        return m_Sink.Fail();
    }
    uint8_t head[20] = {};
    std::memcpy(head, OrEmpty(tag), std::strlen(OrEmpty(tag)));
    GxStoreBE32(head + 16, version);
    return m_Sink.Put(head, sizeof head);
}

bool GxContentBinaryWriter::WriteCode(uint8_t code) { return m_Sink.Put(&code, 1); }

bool GxContentBinaryWriter::WriteFixed(uint8_t code, uint64_t bits, int bytes)
{
    uint8_t rec[9];
    rec[0] = code;
    for (int i = 0; i < bytes; ++i) rec[1 + i] = static_cast<uint8_t>(bits >> (8 * (bytes - 1 - i)));
    return m_Sink.Put(rec, 1 + bytes);
}

bool GxContentBinaryWriter::WriteGxBit32(const char*, const GxBit32& value) { return WriteFixed(VALTYPE_GxBit32, value, 4); }
bool GxContentBinaryWriter::WriteGxBool(const char*, bool value) { return WriteFixed(VALTYPE_GxBool, value ? 1 : 0, 1); }
bool GxContentBinaryWriter::WriteGxF64(const char*, double value) { return WriteFixed(VALTYPE_GxF64, GxDoubleBits(value), 8); }
bool GxContentBinaryWriter::WriteGxF32(const char*, float value) { return WriteFixed(VALTYPE_GxF32, GxFloatBits(value), 4); }
bool GxContentBinaryWriter::WriteGxU64(const char*, uint64_t value) { return WriteFixed(VALTYPE_GxU64, value, 8); }
bool GxContentBinaryWriter::WriteGxS64(const char*, int64_t value) { return WriteFixed(VALTYPE_GxS64, static_cast<uint64_t>(value), 8); }
bool GxContentBinaryWriter::WriteGxU32(const char*, uint32_t value) { return WriteFixed(VALTYPE_GxU32, value, 4); }
bool GxContentBinaryWriter::WriteGxS32(const char*, int32_t value) { return WriteFixed(VALTYPE_GxS32, static_cast<uint32_t>(value), 4); }
bool GxContentBinaryWriter::WriteGxU32Alt(const char* name, uint32_t value) { return WriteGxU32(name, value); }
bool GxContentBinaryWriter::WriteGxS32Alt(const char* name, int32_t value) { return WriteGxS32(name, value); }
bool GxContentBinaryWriter::WriteGxU16(const char*, uint16_t value) { return WriteFixed(VALTYPE_GxU16, value, 2); }
bool GxContentBinaryWriter::WriteGxS16(const char*, int16_t value) { return WriteFixed(VALTYPE_GxS16, static_cast<uint16_t>(value), 2); }
bool GxContentBinaryWriter::WriteGxU8(const char*, uint8_t value) { return WriteFixed(VALTYPE_GxU8, value, 1); }
bool GxContentBinaryWriter::WriteGxS8(const char*, int8_t value) { return WriteFixed(VALTYPE_GxS8, static_cast<uint8_t>(value), 1); }

bool GxContentBinaryWriter::WriteFloatRecord(uint8_t code, const float* v, int count)
{
    uint8_t rec[1 + 16 * 4];
    rec[0] = code;
    for (int i = 0; i < count; ++i) GxStoreBE32(rec + 1 + 4 * i, GxFloatBits(v[i]));
    return m_Sink.Put(rec, 1 + 4 * count);
}

bool GxContentBinaryWriter::WriteIntRecord(uint8_t code, const int32_t* v, int count)
{
    uint8_t rec[1 + 4 * 4];
    rec[0] = code;
    for (int i = 0; i < count; ++i) GxStoreBE32(rec + 1 + 4 * i, static_cast<uint32_t>(v[i]));
    return m_Sink.Put(rec, 1 + 4 * count);
}

bool GxContentBinaryWriter::WriteGxPoint4(const char*, const GxPoint4& v)
{
    const int32_t a[] = {v.x, v.y, v.z, v.w};
    return WriteIntRecord(VALTYPE_GxPoint4, a, 4);
}

bool GxContentBinaryWriter::WriteGxPoint3(const char*, const GxPoint3& v)
{
    const int32_t a[] = {v.x, v.y, v.z};
    return WriteIntRecord(VALTYPE_GxPoint3, a, 3);
}

bool GxContentBinaryWriter::WriteGxPoint2(const char*, const GxPoint2& v)
{
    const int32_t a[] = {v.x, v.y};
    return WriteIntRecord(VALTYPE_GxPoint2, a, 2);
}

bool GxContentBinaryWriter::WriteGxRect(const char*, const GxRect& v)
{
    const int32_t a[] = {v.left, v.top, v.right, v.bottom};
    return WriteIntRecord(VALTYPE_GxRect, a, 4);
}

bool GxContentBinaryWriter::WriteGxFRect(const char*, const GxFRect& v)
{
    const float a[] = {v.left, v.top, v.right, v.bottom};
    return WriteFloatRecord(VALTYPE_GxFRect, a, 4);
}

bool GxContentBinaryWriter::WriteGxMatrix(const char*, const GxMatrix& v)
{
    return WriteFloatRecord(VALTYPE_GxMatrix, &v.m[0][0], 16);
}

bool GxContentBinaryWriter::WriteGxFColor(const char*, const GxFColor& v)
{
    const float a[] = {v.r, v.g, v.b, v.a};
    return WriteFloatRecord(VALTYPE_GxFColor, a, 4);
}

bool GxContentBinaryWriter::WriteGxQuat(const char*, const GxQuat& v)
{
    const float a[] = {v.x, v.y, v.z, v.w};
    return WriteFloatRecord(VALTYPE_GxQuat, a, 4);
}

bool GxContentBinaryWriter::WriteGxVector4(const char*, const GxVector4& v)
{
    const float a[] = {v.x, v.y, v.z, v.w};
    return WriteFloatRecord(VALTYPE_GxVector4, a, 4);
}

bool GxContentBinaryWriter::WriteGxVector3(const char*, const GxVector3& v)
{
    const float a[] = {v.x, v.y, v.z};
    return WriteFloatRecord(VALTYPE_GxVector3, a, 3);
}

bool GxContentBinaryWriter::WriteGxVector2(const char*, const GxVector2& v)
{
    const float a[] = {v.x, v.y};
    return WriteFloatRecord(VALTYPE_GxVector2, a, 2);
}

bool GxContentBinaryWriter::WriteStringUtf16(std::u16string_view text)
{
    // The record is assembled whole (code, count, bytes, terminator) and written at once.
    m_Scratch.clear();
    m_Scratch.append(5, '\0');
    GxContentAppendUtf8(m_Scratch, text);
    size_t n = m_Scratch.size() - 5;
    if (n > UINT32_MAX) return m_Sink.Fail();
    m_Scratch[0] = static_cast<char>(VALTYPE_GxStringUTF8);
    GxStoreBE32(reinterpret_cast<uint8_t*>(&m_Scratch[1]), static_cast<uint32_t>(n));
    m_Scratch.push_back('\0');
    return m_Sink.Put(m_Scratch.data(), m_Scratch.size());
}

bool GxContentBinaryWriter::WriteStringAnsi(std::string_view text)
{
    if (!IsAscii(text)) return WriteStringUtf16(GxAnsiToWide(text));
    // ASCII reads the same in the ANSI code page and in UTF-8.
    if (text.size() > UINT32_MAX) return m_Sink.Fail();
    uint8_t head[5];
    head[0] = VALTYPE_GxStringUTF8;
    GxStoreBE32(head + 1, static_cast<uint32_t>(text.size()));
    m_Scratch.assign(reinterpret_cast<const char*>(head), 5);
    m_Scratch.append(text);
    m_Scratch.push_back('\0');
    return m_Sink.Put(m_Scratch.data(), m_Scratch.size());
}

bool GxContentBinaryWriter::WriteGxStringStdW(const char*, const std::u16string& text) { return WriteStringUtf16(CutAtNul(text)); }
bool GxContentBinaryWriter::WriteGxStringStdA(const char*, const std::string& text) { return WriteStringAnsi(CutAtNul(text)); }
bool GxContentBinaryWriter::WriteGxStringW(const char*, const char16_t* text) { return WriteStringUtf16(WideView(text)); }
bool GxContentBinaryWriter::WriteGxStringA(const char*, const char* text) { return WriteStringAnsi(OrEmpty(text)); }

bool GxContentBinaryWriter::WriteGxBinary(const char*, const void* bytes, uint32_t length)
{
    if (!bytes && length) return m_Sink.Fail();
    uint8_t head[5];
    head[0] = VALTYPE_GxBinary;
    GxStoreBE32(head + 1, length);
    bool ok = m_Sink.Put(head, 5);
    return m_Sink.Put(bytes, length) && ok;
}

bool GxContentBinaryWriter::WriteListBegin(const char*, const char*, uint32_t count) { return WriteFixed(VALTYPE_ListBegin, count, 4); }
bool GxContentBinaryWriter::WriteListEnd() { return WriteCode(VALTYPE_ListEnd); }
bool GxContentBinaryWriter::WriteTreeBegin(const char*, const char*) { return WriteCode(VALTYPE_TreeBegin); }
bool GxContentBinaryWriter::WriteTreeEnd() { return WriteCode(VALTYPE_TreeEnd); }
bool GxContentBinaryWriter::WriteTreeStratumBegin() { return WriteCode(VALTYPE_TreeStratumBegin); }
bool GxContentBinaryWriter::WriteTreeStratumEnd() { return WriteCode(VALTYPE_TreeStratumEnd); }

// ---------------------------------------------------------------- GxContentTextWriter

namespace {
const char kHex[] = "0123456789abcdef";
}

void GxContentTextWriter::BeginLine(uint8_t code, const char* name)
{
    m_Line.clear();
    m_Line.push_back(kHex[code >> 4]);
    m_Line.push_back(kHex[code & 15]);
    m_Line.push_back('\t');
    m_Line.append(OrEmpty(name));
}

void GxContentTextWriter::AppendSigned(int64_t v)
{
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    m_Line.push_back('\t');
    m_Line.append(buf, r.ptr);
}

void GxContentTextWriter::AppendUnsigned(uint64_t v)
{
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    m_Line.push_back('\t');
    m_Line.append(buf, r.ptr);
}

void GxContentTextWriter::AppendFloat(double v)
{
    // printf "%f": fixed notation, six decimals, whatever the locale.
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 6);
    m_Line.push_back('\t');
    m_Line.append(buf, r.ptr);
}

bool GxContentTextWriter::EndLine()
{
    m_Line.push_back('\n');
    return m_Sink.Put(m_Line.data(), m_Line.size());
}

bool GxContentTextWriter::WriteSignedLine(uint8_t code, const char* name, int64_t v)
{
    BeginLine(code, name);
    AppendSigned(v);
    return EndLine();
}

bool GxContentTextWriter::WriteUnsignedLine(uint8_t code, const char* name, uint64_t v)
{
    BeginLine(code, name);
    AppendUnsigned(v);
    return EndLine();
}

bool GxContentTextWriter::WriteFloats(uint8_t code, const char* name, const float* v, int count)
{
    BeginLine(code, name);
    for (int i = 0; i < count; ++i) AppendFloat(v[i]);
    return EndLine();
}

bool GxContentTextWriter::WriteInts(uint8_t code, const char* name, const int32_t* v, int count)
{
    BeginLine(code, name);
    for (int i = 0; i < count; ++i) AppendSigned(v[i]);
    return EndLine();
}

bool GxContentTextWriter::WriteHeader(const char* tag, uint32_t version)
{
    if (TagTooLong(tag)) {
        GxPrintErrorLog(u"GxContentTextWriter/Header String Too Long(Limit=%d Chars)\n",
                        static_cast<int>(kGxContentTagLimit));
        return m_Sink.Fail();
    }
    m_Line.assign(OrEmpty(tag));
    AppendUnsigned(version);
    return EndLine();
}

bool GxContentTextWriter::WriteGxBit32(const char* name, const GxBit32& value) { return WriteUnsignedLine(VALTYPE_GxBit32, name, value); }
bool GxContentTextWriter::WriteGxBool(const char* name, bool value) { return WriteUnsignedLine(VALTYPE_GxBool, name, value ? 1 : 0); }
bool GxContentTextWriter::WriteGxU64(const char* name, uint64_t value) { return WriteUnsignedLine(VALTYPE_GxU64, name, value); }
bool GxContentTextWriter::WriteGxS64(const char* name, int64_t value) { return WriteSignedLine(VALTYPE_GxS64, name, value); }
bool GxContentTextWriter::WriteGxU32(const char* name, uint32_t value) { return WriteUnsignedLine(VALTYPE_GxU32, name, value); }
bool GxContentTextWriter::WriteGxS32(const char* name, int32_t value) { return WriteSignedLine(VALTYPE_GxS32, name, value); }
bool GxContentTextWriter::WriteGxU32Alt(const char* name, uint32_t value) { return WriteGxU32(name, value); }
bool GxContentTextWriter::WriteGxS32Alt(const char* name, int32_t value) { return WriteGxS32(name, value); }
bool GxContentTextWriter::WriteGxU16(const char* name, uint16_t value) { return WriteUnsignedLine(VALTYPE_GxU16, name, value); }
bool GxContentTextWriter::WriteGxS16(const char* name, int16_t value) { return WriteSignedLine(VALTYPE_GxS16, name, value); }
bool GxContentTextWriter::WriteGxU8(const char* name, uint8_t value) { return WriteUnsignedLine(VALTYPE_GxU8, name, value); }
bool GxContentTextWriter::WriteGxS8(const char* name, int8_t value) { return WriteSignedLine(VALTYPE_GxS8, name, value); }

bool GxContentTextWriter::WriteGxF64(const char* name, double value)
{
    BeginLine(VALTYPE_GxF64, name);
    AppendFloat(value);
    return EndLine();
}

bool GxContentTextWriter::WriteGxF32(const char* name, float value) { return WriteFloats(VALTYPE_GxF32, name, &value, 1); }

bool GxContentTextWriter::WriteGxPoint4(const char* name, const GxPoint4& v)
{
    const int32_t a[] = {v.x, v.y, v.z, v.w};
    return WriteInts(VALTYPE_GxPoint4, name, a, 4);
}

bool GxContentTextWriter::WriteGxPoint3(const char* name, const GxPoint3& v)
{
    const int32_t a[] = {v.x, v.y, v.z};
    return WriteInts(VALTYPE_GxPoint3, name, a, 3);
}

bool GxContentTextWriter::WriteGxPoint2(const char* name, const GxPoint2& v)
{
    const int32_t a[] = {v.x, v.y};
    return WriteInts(VALTYPE_GxPoint2, name, a, 2);
}

bool GxContentTextWriter::WriteGxRect(const char* name, const GxRect& v)
{
    const int32_t a[] = {v.left, v.top, v.right, v.bottom};
    return WriteInts(VALTYPE_GxRect, name, a, 4);
}

bool GxContentTextWriter::WriteGxFRect(const char* name, const GxFRect& v)
{
    const float a[] = {v.left, v.top, v.right, v.bottom};
    return WriteFloats(VALTYPE_GxFRect, name, a, 4);
}

bool GxContentTextWriter::WriteGxMatrix(const char* name, const GxMatrix& v)
{
    return WriteFloats(VALTYPE_GxMatrix, name, &v.m[0][0], 16);
}

bool GxContentTextWriter::WriteGxFColor(const char* name, const GxFColor& v)
{
    const float a[] = {v.r, v.g, v.b, v.a};
    return WriteFloats(VALTYPE_GxFColor, name, a, 4);
}

bool GxContentTextWriter::WriteGxQuat(const char* name, const GxQuat& v)
{
    const float a[] = {v.x, v.y, v.z, v.w};
    return WriteFloats(VALTYPE_GxQuat, name, a, 4);
}

bool GxContentTextWriter::WriteGxVector4(const char* name, const GxVector4& v)
{
    const float a[] = {v.x, v.y, v.z, v.w};
    return WriteFloats(VALTYPE_GxVector4, name, a, 4);
}

bool GxContentTextWriter::WriteGxVector3(const char* name, const GxVector3& v)
{
    const float a[] = {v.x, v.y, v.z};
    return WriteFloats(VALTYPE_GxVector3, name, a, 3);
}

bool GxContentTextWriter::WriteGxVector2(const char* name, const GxVector2& v)
{
    const float a[] = {v.x, v.y};
    return WriteFloats(VALTYPE_GxVector2, name, a, 2);
}

bool GxContentTextWriter::WriteStringUtf16(const char* name, std::u16string_view text)
{
    // Escaping touches ASCII characters only, which UTF-8 keeps as single bytes, so escaping
    // while encoding gives the same bytes as escaping the wide text first.
    m_Text.clear();
    size_t run = 0;
    auto flush = [&](size_t i) {
        if (i > run) GxContentAppendUtf8(m_Text, text.substr(run, i - run));
        run = i + 1;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        char esc;
        switch (text[i]) {
        case u'\\': esc = '\\'; break;
        case u'\n': esc = 'n'; break;
        case u'\r': esc = 'r'; break;
        case u'\f': esc = 'f'; break;
        case u'\t': esc = 't'; break;
        case u'"': esc = '"'; break;
        case u'\'': esc = '\''; break;
        default: continue;
        }
        flush(i);
        m_Text.push_back('\\');
        m_Text.push_back(esc);
    }
    flush(text.size());
    if (m_Text.size() > UINT32_MAX) return m_Sink.Fail();
    BeginLine(VALTYPE_GxStringUTF8, name);
    AppendUnsigned(m_Text.size());
    m_Line.append("\t\"");
    m_Line.append(m_Text);
    m_Line.push_back('"');
    return EndLine();
}

bool GxContentTextWriter::WriteStringAnsi(const char* name, std::string_view text)
{
    if (!IsAscii(text)) return WriteStringUtf16(name, GxAnsiToWide(text));
    m_Wide.clear();
    for (char c : text) m_Wide.push_back(static_cast<char16_t>(c));
    return WriteStringUtf16(name, m_Wide);
}

bool GxContentTextWriter::WriteGxStringStdW(const char* name, const std::u16string& text) { return WriteStringUtf16(name, CutAtNul(text)); }
bool GxContentTextWriter::WriteGxStringStdA(const char* name, const std::string& text) { return WriteStringAnsi(name, CutAtNul(text)); }
bool GxContentTextWriter::WriteGxStringW(const char* name, const char16_t* text) { return WriteStringUtf16(name, WideView(text)); }
bool GxContentTextWriter::WriteGxStringA(const char* name, const char* text) { return WriteStringAnsi(name, OrEmpty(text)); }

bool GxContentTextWriter::WriteGxBinary(const char* name, const void* bytes, uint32_t length)
{
    if (!bytes && length) return m_Sink.Fail();
    BeginLine(VALTYPE_GxBinary, name);
    AppendUnsigned(length);
    m_Line.push_back('\n');
    const uint8_t* p = static_cast<const uint8_t*>(bytes);
    for (uint32_t i = 0; i < length; ++i) {
        m_Line.push_back(kHex[p[i] >> 4]);
        m_Line.push_back(kHex[p[i] & 15]);
        if ((i + 1) % 32 == 0 || i + 1 == length) m_Line.push_back('\n');
        // Large blocks go out in pieces rather than as one line buffer of twice their size.
        if (m_Line.size() >= 65536 && (i + 1) % 32 == 0 && i + 1 < length) {
            if (!m_Sink.Put(m_Line.data(), m_Line.size())) return false;
            m_Line.clear();
        }
    }
    return m_Sink.Put(m_Line.data(), m_Line.size());
}

bool GxContentTextWriter::WriteListBegin(const char* name, const char* second, uint32_t count)
{
    BeginLine(VALTYPE_ListBegin, name);
    m_Line.push_back('\t');
    m_Line.append(OrEmpty(second));
    AppendUnsigned(count);
    m_Line.append("\t{");
    return EndLine();
}

bool GxContentTextWriter::WriteTreeBegin(const char* name, const char* second)
{
    BeginLine(VALTYPE_TreeBegin, name);
    m_Line.push_back('\t');
    m_Line.append(OrEmpty(second));
    m_Line.append("\t{");
    return EndLine();
}

bool GxContentTextWriter::WriteListEnd() { return m_Sink.Put("21\t}\n", 5); }
bool GxContentTextWriter::WriteTreeEnd() { return m_Sink.Put("23\t}\n", 5); }
bool GxContentTextWriter::WriteTreeStratumBegin() { return m_Sink.Put("24\t{\n", 5); }
bool GxContentTextWriter::WriteTreeStratumEnd() { return m_Sink.Put("25\t}\n", 5); }
