// Writers of the content stream: the interface every saving routine is written against, and its
// binary and text forms over an open stdio stream.
//
// The caller opens the file ("wb"), constructs a writer over it, writes the header and one value
// per field, and closes the file itself. Every failed write, including data the stream only fails
// to flush later, is counted: GetErrorCount flushes the stream first, so a save onto a full disk
// is never reported as success. CloseFile closes the stream and counts a failed close as well.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "core/GxContentFormat.h"
#include "core/GxMath.h"

class GxContentWriterBase
{
public:
    virtual ~GxContentWriterBase() = default;

    virtual bool WriteHeader(const char* tag, uint32_t version) = 0;
    virtual bool WriteGxBit32(const char* name, const GxBit32& value) = 0;
    virtual bool WriteGxPoint4(const char* name, const GxPoint4& value) = 0;
    virtual bool WriteGxPoint3(const char* name, const GxPoint3& value) = 0;
    virtual bool WriteGxPoint2(const char* name, const GxPoint2& value) = 0;
    virtual bool WriteGxFRect(const char* name, const GxFRect& value) = 0;
    virtual bool WriteGxRect(const char* name, const GxRect& value) = 0;
    virtual bool WriteGxMatrix(const char* name, const GxMatrix& value) = 0;
    virtual bool WriteGxFColor(const char* name, const GxFColor& value) = 0;
    virtual bool WriteGxQuat(const char* name, const GxQuat& value) = 0;
    virtual bool WriteGxVector4(const char* name, const GxVector4& value) = 0;
    virtual bool WriteGxVector3(const char* name, const GxVector3& value) = 0;
    virtual bool WriteGxVector2(const char* name, const GxVector2& value) = 0;
    virtual bool WriteGxBool(const char* name, bool value) = 0;
    virtual bool WriteGxF64(const char* name, double value) = 0;
    virtual bool WriteGxF32(const char* name, float value) = 0;
    virtual bool WriteGxU64(const char* name, uint64_t value) = 0;
    virtual bool WriteGxS64(const char* name, int64_t value) = 0;
    virtual bool WriteGxU32(const char* name, uint32_t value) = 0;
    virtual bool WriteGxS32(const char* name, int32_t value) = 0;
    virtual bool WriteGxU32Alt(const char* name, uint32_t value) = 0;
    virtual bool WriteGxS32Alt(const char* name, int32_t value) = 0;
    virtual bool WriteGxU16(const char* name, uint16_t value) = 0;
    virtual bool WriteGxS16(const char* name, int16_t value) = 0;
    virtual bool WriteGxU8(const char* name, uint8_t value) = 0;
    virtual bool WriteGxS8(const char* name, int8_t value) = 0;
    virtual bool WriteGxStringStdW(const char* name, const std::u16string& text) = 0;
    virtual bool WriteGxStringStdA(const char* name, const std::string& text) = 0;
    virtual bool WriteGxStringW(const char* name, const char16_t* text) = 0;
    // text: NUL-terminated, in the ANSI code page.
    virtual bool WriteGxStringA(const char* name, const char* text) = 0;
    virtual bool WriteGxBinary(const char* name, const void* bytes, uint32_t length) = 0;
    virtual bool WriteListBegin(const char* name, const char* second, uint32_t count) = 0;
    virtual bool WriteListEnd() = 0;
    virtual bool WriteListItemBegin() = 0;
    virtual bool WriteListItemEnd() = 0;
    virtual bool WriteTreeBegin(const char* name, const char* second) = 0;
    virtual bool WriteTreeEnd() = 0;
    virtual bool WriteTreeStratumBegin() = 0;
    virtual bool WriteTreeStratumEnd() = 0;
    virtual int GetErrorCount() = 0;
};

// The stream both writers put their bytes into, with the count of failed writes.
class GxContentFileSink
{
public:
    explicit GxContentFileSink(FILE* file) : m_File(file) {}
    void SetFile(FILE* file)
    {
        m_File = file;
        m_StreamErrorSeen = false;
    }
    FILE* GetFile() const { return m_File; }
    bool Put(const void* bytes, size_t count);
    bool Fail()
    {
        ++m_ErrorCount;
        return false;
    }
    // Flushes and counts a stream that has failed since the last check.
    int Check();
    bool Close();

private:
    FILE* m_File;
    int m_ErrorCount = 0;
    bool m_StreamErrorSeen = false;
};

class GxContentBinaryWriter : public GxContentWriterBase
{
public:
    explicit GxContentBinaryWriter(FILE* file) : m_Sink(file) {}

    bool WriteHeader(const char* tag, uint32_t version) override;
    bool WriteGxBit32(const char* name, const GxBit32& value) override;
    bool WriteGxPoint4(const char* name, const GxPoint4& value) override;
    bool WriteGxPoint3(const char* name, const GxPoint3& value) override;
    bool WriteGxPoint2(const char* name, const GxPoint2& value) override;
    bool WriteGxFRect(const char* name, const GxFRect& value) override;
    bool WriteGxRect(const char* name, const GxRect& value) override;
    bool WriteGxMatrix(const char* name, const GxMatrix& value) override;
    bool WriteGxFColor(const char* name, const GxFColor& value) override;
    bool WriteGxQuat(const char* name, const GxQuat& value) override;
    bool WriteGxVector4(const char* name, const GxVector4& value) override;
    bool WriteGxVector3(const char* name, const GxVector3& value) override;
    bool WriteGxVector2(const char* name, const GxVector2& value) override;
    bool WriteGxBool(const char* name, bool value) override;
    bool WriteGxF64(const char* name, double value) override;
    bool WriteGxF32(const char* name, float value) override;
    bool WriteGxU64(const char* name, uint64_t value) override;
    bool WriteGxS64(const char* name, int64_t value) override;
    bool WriteGxU32(const char* name, uint32_t value) override;
    bool WriteGxS32(const char* name, int32_t value) override;
    bool WriteGxU32Alt(const char* name, uint32_t value) override;
    bool WriteGxS32Alt(const char* name, int32_t value) override;
    bool WriteGxU16(const char* name, uint16_t value) override;
    bool WriteGxS16(const char* name, int16_t value) override;
    bool WriteGxU8(const char* name, uint8_t value) override;
    bool WriteGxS8(const char* name, int8_t value) override;
    bool WriteGxStringStdW(const char* name, const std::u16string& text) override;
    bool WriteGxStringStdA(const char* name, const std::string& text) override;
    bool WriteGxStringW(const char* name, const char16_t* text) override;
    bool WriteGxStringA(const char* name, const char* text) override;
    bool WriteGxBinary(const char* name, const void* bytes, uint32_t length) override;
    bool WriteListBegin(const char* name, const char* second, uint32_t count) override;
    bool WriteListEnd() override;
    bool WriteListItemBegin() override { return GxContentNoOp(); }
    bool WriteListItemEnd() override { return GxContentNoOp(); }
    bool WriteTreeBegin(const char* name, const char* second) override;
    bool WriteTreeEnd() override;
    bool WriteTreeStratumBegin() override;
    bool WriteTreeStratumEnd() override;
    int GetErrorCount() override { return m_Sink.Check(); }

    void SetFile(FILE* file) { m_Sink.SetFile(file); }
    // Closes the stream (the writer then has none); a failed flush or close is counted.
    bool CloseFile() { return m_Sink.Close(); }

private:
    bool WriteCode(uint8_t code);
    bool WriteFixed(uint8_t code, uint64_t bits, int bytes);
    bool WriteFloatRecord(uint8_t code, const float* v, int count);
    bool WriteIntRecord(uint8_t code, const int32_t* v, int count);
    bool WriteStringUtf16(std::u16string_view text);
    bool WriteStringAnsi(std::string_view text);

    GxContentFileSink m_Sink;
    std::string m_Scratch;  // one string value's record, kept to avoid an allocation per value
};

class GxContentTextWriter : public GxContentWriterBase
{
public:
    explicit GxContentTextWriter(FILE* file) : m_Sink(file) {}

    bool WriteHeader(const char* tag, uint32_t version) override;
    bool WriteGxBit32(const char* name, const GxBit32& value) override;
    bool WriteGxPoint4(const char* name, const GxPoint4& value) override;
    bool WriteGxPoint3(const char* name, const GxPoint3& value) override;
    bool WriteGxPoint2(const char* name, const GxPoint2& value) override;
    bool WriteGxFRect(const char* name, const GxFRect& value) override;
    bool WriteGxRect(const char* name, const GxRect& value) override;
    bool WriteGxMatrix(const char* name, const GxMatrix& value) override;
    bool WriteGxFColor(const char* name, const GxFColor& value) override;
    bool WriteGxQuat(const char* name, const GxQuat& value) override;
    bool WriteGxVector4(const char* name, const GxVector4& value) override;
    bool WriteGxVector3(const char* name, const GxVector3& value) override;
    bool WriteGxVector2(const char* name, const GxVector2& value) override;
    bool WriteGxBool(const char* name, bool value) override;
    bool WriteGxF64(const char* name, double value) override;
    bool WriteGxF32(const char* name, float value) override;
    bool WriteGxU64(const char* name, uint64_t value) override;
    bool WriteGxS64(const char* name, int64_t value) override;
    bool WriteGxU32(const char* name, uint32_t value) override;
    bool WriteGxS32(const char* name, int32_t value) override;
    bool WriteGxU32Alt(const char* name, uint32_t value) override;
    bool WriteGxS32Alt(const char* name, int32_t value) override;
    bool WriteGxU16(const char* name, uint16_t value) override;
    bool WriteGxS16(const char* name, int16_t value) override;
    bool WriteGxU8(const char* name, uint8_t value) override;
    bool WriteGxS8(const char* name, int8_t value) override;
    bool WriteGxStringStdW(const char* name, const std::u16string& text) override;
    bool WriteGxStringStdA(const char* name, const std::string& text) override;
    bool WriteGxStringW(const char* name, const char16_t* text) override;
    bool WriteGxStringA(const char* name, const char* text) override;
    bool WriteGxBinary(const char* name, const void* bytes, uint32_t length) override;
    bool WriteListBegin(const char* name, const char* second, uint32_t count) override;
    bool WriteListEnd() override;
    bool WriteListItemBegin() override { return GxContentNoOp(); }
    bool WriteListItemEnd() override { return GxContentNoOp(); }
    bool WriteTreeBegin(const char* name, const char* second) override;
    bool WriteTreeEnd() override;
    bool WriteTreeStratumBegin() override;
    bool WriteTreeStratumEnd() override;
    int GetErrorCount() override { return m_Sink.Check(); }

    void SetFile(FILE* file) { m_Sink.SetFile(file); }
    bool CloseFile() { return m_Sink.Close(); }

private:
    void BeginLine(uint8_t code, const char* name);
    void AppendSigned(int64_t v);
    void AppendUnsigned(uint64_t v);
    void AppendFloat(double v);
    bool EndLine();
    bool WriteSignedLine(uint8_t code, const char* name, int64_t v);
    bool WriteUnsignedLine(uint8_t code, const char* name, uint64_t v);
    bool WriteFloats(uint8_t code, const char* name, const float* v, int count);
    bool WriteInts(uint8_t code, const char* name, const int32_t* v, int count);
    bool WriteStringUtf16(const char* name, std::u16string_view text);
    bool WriteStringAnsi(const char* name, std::string_view text);

    GxContentFileSink m_Sink;
    std::string m_Line;  // the line being composed; reused from value to value
    std::string m_Text;     // escaped string text
    std::u16string m_Wide;  // ASCII text widened for escaping
};
