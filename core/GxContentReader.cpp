#include "core/GxContentReader.h"

#include <cstring>

#include "core/GxLog.h"
#include "core/GxString.h"

// ---------------------------------------------------------------- value-returning forms

std::string GxContentReaderBase::ReadGxStringAValue(const char* name)
{
    std::string text;
    ReadGxStringStdA(name, text);
    return text;
}

std::u16string GxContentReaderBase::ReadGxStringWValue(const char* name)
{
    std::u16string text;
    ReadGxStringStdW(name, text);
    return text;
}

#define GX_CONTENT_VALUE_FORM(Type, Op, Default)           \
    Type GxContentReaderBase::Op##Value(const char* name) \
    {                                                     \
        Type v = Default;                                 \
        Op(name, v);                                      \
        return v;                                         \
    }

GX_CONTENT_VALUE_FORM(int8_t, ReadGxS8, 0)
GX_CONTENT_VALUE_FORM(uint8_t, ReadGxU8, 0)
GX_CONTENT_VALUE_FORM(int16_t, ReadGxS16, 0)
GX_CONTENT_VALUE_FORM(uint16_t, ReadGxU16, 0)
GX_CONTENT_VALUE_FORM(int32_t, ReadGxS32Alt, 0)
GX_CONTENT_VALUE_FORM(uint32_t, ReadGxU32Alt, 0)
GX_CONTENT_VALUE_FORM(int32_t, ReadGxS32, 0)
GX_CONTENT_VALUE_FORM(uint32_t, ReadGxU32, 0)
GX_CONTENT_VALUE_FORM(int64_t, ReadGxS64, 0)
GX_CONTENT_VALUE_FORM(uint64_t, ReadGxU64, 0)
GX_CONTENT_VALUE_FORM(float, ReadGxF32, 0.0f)
GX_CONTENT_VALUE_FORM(double, ReadGxF64, 0.0)
GX_CONTENT_VALUE_FORM(bool, ReadGxBool, false)
GX_CONTENT_VALUE_FORM(GxBit32, ReadGxBit32, 0)
GX_CONTENT_VALUE_FORM(GxVector2, ReadGxVector2, GxVector2(0, 0))
GX_CONTENT_VALUE_FORM(GxVector3, ReadGxVector3, GxVector3(0, 0, 0, 0))
GX_CONTENT_VALUE_FORM(GxVector4, ReadGxVector4, GxVector4(0, 0, 0, 0))
GX_CONTENT_VALUE_FORM(GxQuat, ReadGxQuat, GxQuat(0, 0, 0, 1))
GX_CONTENT_VALUE_FORM(GxFColor, ReadGxFColor, GxFColor(1, 1, 1, 1))
GX_CONTENT_VALUE_FORM(GxMatrix, ReadGxMatrix, GxMatrix())
GX_CONTENT_VALUE_FORM(GxRect, ReadGxRect, GxRect(0, 0, 0, 0))
GX_CONTENT_VALUE_FORM(GxFRect, ReadGxFRect, GxFRect(0, 0, 0, 0))
GX_CONTENT_VALUE_FORM(GxPoint2, ReadGxPoint2, GxPoint2(0, 0))
GX_CONTENT_VALUE_FORM(GxPoint3, ReadGxPoint3, GxPoint3(0, 0, 0))
GX_CONTENT_VALUE_FORM(GxPoint4, ReadGxPoint4, GxPoint4(0, 0, 0, 0))

// ---------------------------------------------------------------- GxContentBinaryReader

GxContentBinaryReader::GxContentBinaryReader(const GxBinBuffer& buffer)
{
    SetBuffer(buffer.GetBuffer(), buffer.GetSize());
}

GxContentBinaryReader::GxContentBinaryReader(const void* data, uint32_t length) { SetBuffer(data, length); }

void GxContentBinaryReader::SetBuffer(const void* data, uint32_t length)
{
    m_Pos = static_cast<const uint8_t*>(data);
    m_End = m_Pos ? m_Pos + length : m_Pos;
}

void GxContentBinaryReader::Overrun()
{
    GxPrintErrorLogA("GxContentBinaryReader/ReadPos Overrun\n");
    ++m_ErrorCount;
}

void GxContentBinaryReader::TypeError(int code)
{
    GxPrintErrorLogA("GxContentBinaryReader/ValueType Isn't %s\n", GxContentValueTypeName(code));
    ++m_ErrorCount;
}

int GxContentBinaryReader::ReadValueType()
{
    if (m_Pos >= m_End) {
        Overrun();
        return kGxContentEndOfData;
    }
    return *m_Pos++;
}

int GxContentBinaryReader::GetNextValueType() { return m_Pos < m_End ? *m_Pos : kGxContentEndOfData; }

const uint8_t* GxContentBinaryReader::TakeValue(uint8_t expected, size_t payload)
{
    if (ReadValueType() != expected) {
        TypeError(expected);
        return nullptr;
    }
    // The whole payload is checked before any of it is used, so a value cut short by the end of
    // the data leaves the destination as it was.
    if (Remaining() < payload) {
        Overrun();
        return nullptr;
    }
    const uint8_t* p = m_Pos;
    m_Pos += payload;
    return p;
}

bool GxContentBinaryReader::ReadHeader(const char* tag, uint32_t& version)
{
    if (Remaining() < 16) {
        Overrun();
        return false;
    }
    const char* expected = tag ? tag : "";
    size_t len = std::strlen(expected);
    // The tag area's 16th byte counts as its terminator; the stored tag must end where the
    // expected one ends.
    bool match = len < 16 && std::memcmp(m_Pos, expected, len) == 0 && (len == 15 || m_Pos[len] == 0);
    if (!match) {
        GxPrintErrorLogA("GxContentBinaryReader/FileHeader Isn't %s\n", expected);
        ++m_ErrorCount;
        return false;
    }
    m_Pos += 16;
    if (Remaining() < 4) {
        Overrun();
        return false;
    }
    version = GxLoadBE32(m_Pos);
    m_Pos += 4;
    return true;
}

int GxContentBinaryReader::TakeValueOf(uint8_t own, size_t ownPayload, uint8_t alt, size_t altPayload,
                                       const uint8_t*& payload)
{
    int code = ReadValueType();
    if (code != own && code != alt) {
        TypeError(own);
        return 0;
    }
    size_t need = code == own ? ownPayload : altPayload;
    if (Remaining() < need) {
        Overrun();
        return 0;
    }
    payload = m_Pos;
    m_Pos += need;
    return code;
}

namespace {

float F(const uint8_t* p, int i) { return GxBitsFloat(GxLoadBE32(p + 4 * i)); }
int32_t I(const uint8_t* p, int i) { return static_cast<int32_t>(GxLoadBE32(p + 4 * i)); }

}  // namespace

bool GxContentBinaryReader::ReadGxPoint4(const char*, GxPoint4& value)
{
    const uint8_t* p = TakeValue(VALTYPE_GxPoint4, 16);
    if (!p) return false;
    value = GxPoint4(I(p, 0), I(p, 1), I(p, 2), I(p, 3));
    return true;
}

bool GxContentBinaryReader::ReadGxPoint3(const char*, GxPoint3& value)
{
    const uint8_t* p = TakeValue(VALTYPE_GxPoint3, 12);
    if (!p) return false;
    value = GxPoint3(I(p, 0), I(p, 1), I(p, 2));
    return true;
}

bool GxContentBinaryReader::ReadGxPoint2(const char*, GxPoint2& value)
{
    const uint8_t* p = TakeValue(VALTYPE_GxPoint2, 8);
    if (!p) return false;
    value = GxPoint2(I(p, 0), I(p, 1));
    return true;
}

bool GxContentBinaryReader::ReadGxRect(const char*, GxRect& value)
{
    const uint8_t* p = TakeValue(VALTYPE_GxRect, 16);
    if (!p) return false;
    value = GxRect(I(p, 0), I(p, 1), I(p, 2), I(p, 3));
    return true;
}

bool GxContentBinaryReader::ReadGxFRect(const char*, GxFRect& value)
{
    const uint8_t* p = TakeValue(VALTYPE_GxFRect, 16);
    if (!p) return false;
    value = GxFRect(F(p, 0), F(p, 1), F(p, 2), F(p, 3));
    return true;
}

bool GxContentBinaryReader::ReadGxMatrix(const char*, GxMatrix& value)
{
    const uint8_t* p = TakeValue(VALTYPE_GxMatrix, 64);
    if (!p) return false;
    for (int i = 0; i < 16; ++i) value.m[i / 4][i % 4] = F(p, i);
    return true;
}

// A stored GxVector4 has the same four floats as a colour or a quaternion.
bool GxContentBinaryReader::ReadGxFColor(const char*, GxFColor& value)
{
    const uint8_t* p = nullptr;
    if (!TakeValueOf(VALTYPE_GxFColor, 16, VALTYPE_GxVector4, 16, p)) return false;
    value = GxFColor(F(p, 0), F(p, 1), F(p, 2), F(p, 3));
    return true;
}

bool GxContentBinaryReader::ReadGxQuat(const char*, GxQuat& value)
{
    const uint8_t* p = nullptr;
    if (!TakeValueOf(VALTYPE_GxQuat, 16, VALTYPE_GxVector4, 16, p)) return false;
    value = GxQuat(F(p, 0), F(p, 1), F(p, 2), F(p, 3));
    return true;
}

bool GxContentBinaryReader::ReadGxVector4(const char*, GxVector4& value)
{
    const uint8_t* p = nullptr;
    int code = TakeValueOf(VALTYPE_GxVector4, 16, VALTYPE_GxVector3, 12, p);
    if (!code) return false;
    value.x = F(p, 0);
    value.y = F(p, 1);
    value.z = F(p, 2);
    if (code == VALTYPE_GxVector4) value.w = F(p, 3);  // a stored GxVector3 leaves w as it was
    return true;
}

bool GxContentBinaryReader::ReadGxVector3(const char*, GxVector3& value)
{
    const uint8_t* p = nullptr;
    int code = TakeValueOf(VALTYPE_GxVector3, 12, VALTYPE_GxVector4, 16, p);
    if (!code) return false;
    value.x = F(p, 0);
    value.y = F(p, 1);
    value.z = F(p, 2);
    if (code == VALTYPE_GxVector4) value.w = 0.0f;  // the stored fourth float is dropped
    return true;
}

bool GxContentBinaryReader::ReadGxVector2(const char*, GxVector2& value)
{
    const uint8_t* p = TakeValue(VALTYPE_GxVector2, 8);
    if (!p) return false;
    value = GxVector2(F(p, 0), F(p, 1));
    return true;
}

bool GxContentBinaryReader::ReadGxBit32(const char*, GxBit32& value)
{
    const uint8_t* p = TakeValue(VALTYPE_GxBit32, 4);
    if (!p) return false;
    value = GxLoadBE32(p);
    return true;
}

bool GxContentBinaryReader::ReadGxBool(const char*, bool& value)
{
    const uint8_t* p = TakeValue(VALTYPE_GxBool, 1);
    if (!p) return false;
    value = *p != 0;
    return true;
}

bool GxContentBinaryReader::ReadGxF64(const char*, double& value)
{
    const uint8_t* p = TakeValue(VALTYPE_GxF64, 8);
    if (!p) return false;
    value = GxBitsDouble(GxLoadBE64(p));
    return true;
}

bool GxContentBinaryReader::ReadGxF32(const char*, float& value)
{
    const uint8_t* p = TakeValue(VALTYPE_GxF32, 4);
    if (!p) return false;
    value = GxBitsFloat(GxLoadBE32(p));
    return true;
}

bool GxContentBinaryReader::ReadGxU64(const char*, uint64_t& value)
{
    const uint8_t* p = TakeValue(VALTYPE_GxU64, 8);
    if (!p) return false;
    value = GxLoadBE64(p);
    return true;
}

bool GxContentBinaryReader::ReadGxS64(const char*, int64_t& value)
{
    const uint8_t* p = TakeValue(VALTYPE_GxS64, 8);
    if (!p) return false;
    value = static_cast<int64_t>(GxLoadBE64(p));
    return true;
}

bool GxContentBinaryReader::ReadGxU32(const char*, uint32_t& value)
{
    const uint8_t* p = TakeValue(VALTYPE_GxU32, 4);
    if (!p) return false;
    value = GxLoadBE32(p);
    return true;
}

bool GxContentBinaryReader::ReadGxS32(const char*, int32_t& value)
{
    const uint8_t* p = TakeValue(VALTYPE_GxS32, 4);
    if (!p) return false;
    value = static_cast<int32_t>(GxLoadBE32(p));
    return true;
}

bool GxContentBinaryReader::ReadGxU16(const char*, uint16_t& value)
{
    const uint8_t* p = TakeValue(VALTYPE_GxU16, 2);
    if (!p) return false;
    value = GxLoadBE16(p);
    return true;
}

bool GxContentBinaryReader::ReadGxS16(const char*, int16_t& value)
{
    const uint8_t* p = TakeValue(VALTYPE_GxS16, 2);
    if (!p) return false;
    value = static_cast<int16_t>(GxLoadBE16(p));
    return true;
}

bool GxContentBinaryReader::ReadGxU8(const char*, uint8_t& value)
{
    const uint8_t* p = TakeValue(VALTYPE_GxU8, 1);
    if (!p) return false;
    value = *p;
    return true;
}

bool GxContentBinaryReader::ReadGxS8(const char*, int8_t& value)
{
    const uint8_t* p = TakeValue(VALTYPE_GxS8, 1);
    if (!p) return false;
    value = static_cast<int8_t>(*p);
    return true;
}

bool GxContentBinaryReader::TakeString(int& code, std::string_view& bytes)
{
    code = ReadValueType();
    if (code != VALTYPE_GxStringSJIS && code != VALTYPE_GxStringUTF8) {
        GxPrintErrorLogA("GxContentBinaryReader/ValueType Isn't VALTYPE_GxStringSJIS or VALTYPE_GxStringUTF8\n");
        ++m_ErrorCount;
        return false;
    }
    if (Remaining() < 4) {
        Overrun();
        return false;
    }
    uint32_t n = GxLoadBE32(m_Pos);
    m_Pos += 4;
    if (Remaining() < n) {
        Overrun();
        return false;
    }
    const char* s = reinterpret_cast<const char*>(m_Pos);
    const void* nul = std::memchr(s, 0, n);
    bytes = std::string_view(s, nul ? static_cast<const char*>(nul) - s : n);
    m_Pos += n;
    if (m_Pos < m_End) ++m_Pos;  // the terminator
    return true;
}

bool GxContentBinaryReader::ReadGxStringStdW(const char*, std::u16string& text)
{
    int code;
    std::string_view bytes;
    if (!TakeString(code, bytes)) return false;
    if (code == VALTYPE_GxStringUTF8) {
        text.clear();
        GxContentAppendWide(text, bytes);
    } else {
        text = GxAnsiToWide(bytes);
    }
    return true;
}

bool GxContentBinaryReader::ReadGxStringStdA(const char*, std::string& text)
{
    int code;
    std::string_view bytes;
    if (!TakeString(code, bytes)) return false;
    if (code == VALTYPE_GxStringUTF8) text = GxWideToAnsi(GxUtf8ToWide(bytes));
    else text.assign(bytes);
    return true;
}

bool GxContentBinaryReader::ReadGxBinary(const char*, GxBinBuffer& buffer)
{
    if (ReadValueType() != VALTYPE_GxBinary) {
        TypeError(VALTYPE_GxBinary);
        return false;
    }
    if (Remaining() < 4) {
        Overrun();
        return false;
    }
    uint32_t n = GxLoadBE32(m_Pos);
    m_Pos += 4;
    if (Remaining() < n) {
        Overrun();
        return false;
    }
    uint8_t* dst = buffer.Create(n);
    if (!dst) {
        GxPrintErrorLogA("GxContentBinaryReader/Binary Allocation Failed(%u Bytes)\n", n);
        ++m_ErrorCount;
        return false;
    }
    if (n) std::memcpy(dst, m_Pos, n);
    m_Pos += n;
    return true;
}

bool GxContentBinaryReader::ReadListBegin(const char*, uint32_t& count)
{
    const uint8_t* p = TakeValue(VALTYPE_ListBegin, 4);
    if (!p) return false;
    // Not bounded by the bytes left: elements that store no values take none, so a valid list
    // can count more elements than bytes remain. Loaders read item by item, stop at the first
    // failed read and never size anything by the count.
    count = GxLoadBE32(p);
    return true;
}

bool GxContentBinaryReader::ReadListEnd() { return TakeValue(VALTYPE_ListEnd, 0) != nullptr; }
bool GxContentBinaryReader::ReadTreeBegin(const char*) { return TakeValue(VALTYPE_TreeBegin, 0) != nullptr; }
bool GxContentBinaryReader::ReadTreeEnd() { return TakeValue(VALTYPE_TreeEnd, 0) != nullptr; }
bool GxContentBinaryReader::ReadTreeStratumBegin() { return TakeValue(VALTYPE_TreeStratumBegin, 0) != nullptr; }
bool GxContentBinaryReader::ReadTreeStratumEnd() { return TakeValue(VALTYPE_TreeStratumEnd, 0) != nullptr; }

bool GxContentBinaryReader::SkipValue()
{
    int code = ReadValueType();
    if (code == kGxContentEndOfData) return false;
    int fixed = GxContentFixedPayload(code);
    if (fixed > 0) {
        if (Remaining() < static_cast<size_t>(fixed)) {
            Overrun();
            return false;
        }
        m_Pos += fixed;
        return true;
    }
    switch (code) {
    case VALTYPE_GxStringSJIS:
    case VALTYPE_GxStringUTF8:
    case VALTYPE_GxBinary:
    case VALTYPE_ListBegin: {
        if (Remaining() < 4) {
            Overrun();
            return false;
        }
        uint32_t n = GxLoadBE32(m_Pos);
        m_Pos += 4;
        if (code == VALTYPE_ListBegin) return true;  // the elements are skipped one by one
        if (Remaining() < n) {
            Overrun();
            return false;
        }
        m_Pos += n;
        if (code != VALTYPE_GxBinary && m_Pos < m_End) ++m_Pos;  // the string's terminator
        return true;
    }
    default:
        return true;
    }
}
