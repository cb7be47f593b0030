// Readers of the content stream: the interface every loading routine is written against, and the
// reader of the binary form.
//
// A reader works on a whole file image in memory and never stops on bad data: a failed read logs
// one line, adds one to the error count, leaves the destination untouched and returns false (the
// value-returning forms give fixed defaults). A loader judges a whole file by GetErrorCount at its
// end. Lengths taken from the data are bounded by the bytes that remain, so a damaged file gives
// errors, never a huge allocation or a read past the end. A list's count is the exception (its
// elements may store nothing): loaders read it item by item and stop at the first failure.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/GxBinBuffer.h"
#include "core/GxContentFormat.h"
#include "core/GxMath.h"

class GxContentReaderBase
{
public:
    virtual ~GxContentReaderBase() = default;

    // Read from this block from now on; the error count and the flags stay.
    virtual void SetBuffer(const void* data, uint32_t length) = 0;
    // 1 (the default): the text form checks each stored name against the name asked for.
    virtual void SetCheckValueName(int flag) = 0;
    // The code of the next value, not consumed.
    virtual int GetNextValueType() = 0;
    virtual bool ReadHeader(const char* tag, uint32_t& version) = 0;

    // Each typed read takes its own code. The binary form also takes a stored GxVector4 for a
    // colour, a quaternion or a GxVector3 (whose w then becomes 0), and a stored GxVector3 for a
    // GxVector4 (whose w is then left as it was).
    virtual bool ReadGxBit32(const char* name, GxBit32& value) = 0;
    virtual bool ReadGxPoint4(const char* name, GxPoint4& value) = 0;
    virtual bool ReadGxPoint3(const char* name, GxPoint3& value) = 0;
    virtual bool ReadGxPoint2(const char* name, GxPoint2& value) = 0;
    virtual bool ReadGxFRect(const char* name, GxFRect& value) = 0;
    virtual bool ReadGxRect(const char* name, GxRect& value) = 0;
    virtual bool ReadGxMatrix(const char* name, GxMatrix& value) = 0;
    virtual bool ReadGxFColor(const char* name, GxFColor& value) = 0;
    virtual bool ReadGxQuat(const char* name, GxQuat& value) = 0;
    virtual bool ReadGxVector4(const char* name, GxVector4& value) = 0;
    virtual bool ReadGxVector3(const char* name, GxVector3& value) = 0;
    virtual bool ReadGxVector2(const char* name, GxVector2& value) = 0;
    virtual bool ReadGxBool(const char* name, bool& value) = 0;
    virtual bool ReadGxF64(const char* name, double& value) = 0;
    virtual bool ReadGxF32(const char* name, float& value) = 0;
    virtual bool ReadGxU64(const char* name, uint64_t& value) = 0;
    virtual bool ReadGxS64(const char* name, int64_t& value) = 0;
    virtual bool ReadGxU32(const char* name, uint32_t& value) = 0;
    virtual bool ReadGxS32(const char* name, int32_t& value) = 0;
    virtual bool ReadGxU32Alt(const char* name, uint32_t& value) { return ReadGxU32(name, value); }
    virtual bool ReadGxS32Alt(const char* name, int32_t& value) { return ReadGxS32(name, value); }
    virtual bool ReadGxU16(const char* name, uint16_t& value) = 0;
    virtual bool ReadGxS16(const char* name, int16_t& value) = 0;
    virtual bool ReadGxU8(const char* name, uint8_t& value) = 0;
    virtual bool ReadGxS8(const char* name, int8_t& value) = 0;

    // A string stored as UTF-8 (code 26) or in the ANSI code page (code 24).
    virtual bool ReadGxStringStdW(const char* name, std::u16string& text) = 0;
    // The same in the ANSI code page.
    virtual bool ReadGxStringStdA(const char* name, std::string& text) = 0;
    virtual std::string ReadGxStringAValue(const char* name);
    virtual std::u16string ReadGxStringWValue(const char* name);
    // The buffer is recreated with the data.
    virtual bool ReadGxBinary(const char* name, GxBinBuffer& buffer) = 0;

    virtual int8_t ReadGxS8Value(const char* name);
    virtual uint8_t ReadGxU8Value(const char* name);
    virtual int16_t ReadGxS16Value(const char* name);
    virtual uint16_t ReadGxU16Value(const char* name);
    virtual int32_t ReadGxS32AltValue(const char* name);
    virtual uint32_t ReadGxU32AltValue(const char* name);
    virtual int32_t ReadGxS32Value(const char* name);
    virtual uint32_t ReadGxU32Value(const char* name);
    virtual int64_t ReadGxS64Value(const char* name);
    virtual uint64_t ReadGxU64Value(const char* name);
    virtual float ReadGxF32Value(const char* name);
    virtual double ReadGxF64Value(const char* name);
    virtual bool ReadGxBoolValue(const char* name);
    virtual GxVector2 ReadGxVector2Value(const char* name);
    virtual GxVector3 ReadGxVector3Value(const char* name);
    virtual GxVector4 ReadGxVector4Value(const char* name);
    virtual GxQuat ReadGxQuatValue(const char* name);          // default (0, 0, 0, 1)
    virtual GxFColor ReadGxFColorValue(const char* name);      // default opaque white
    virtual GxMatrix ReadGxMatrixValue(const char* name);      // default identity
    virtual GxRect ReadGxRectValue(const char* name);
    virtual GxFRect ReadGxFRectValue(const char* name);
    virtual GxPoint2 ReadGxPoint2Value(const char* name);
    virtual GxPoint3 ReadGxPoint3Value(const char* name);
    virtual GxPoint4 ReadGxPoint4Value(const char* name);
    virtual GxBit32 ReadGxBit32Value(const char* name);

    // The count is as stored, never bounded by the bytes left (elements without values take
    // none): read the elements one by one, stop at the first failure, never allocate by it.
    virtual bool ReadListBegin(const char* name, uint32_t& count) = 0;
    virtual bool ReadListEnd() = 0;
    virtual bool ReadListItemBegin() { return GxContentNoOp(); }
    virtual bool ReadListItemEnd() { return GxContentNoOp(); }
    virtual bool ReadTreeBegin(const char* name) = 0;
    virtual bool ReadTreeEnd() = 0;
    virtual bool ReadTreeStratumBegin() = 0;
    virtual bool ReadTreeStratumEnd() = 0;

    virtual int GetErrorCount() const = 0;
    virtual bool IsEnd() const = 0;
    // Passes over the next value of any type.
    virtual bool SkipValue() = 0;
};

class GxContentBinaryReader : public GxContentReaderBase
{
public:
    // The reader neither owns nor copies the bytes: the buffer must outlive it.
    explicit GxContentBinaryReader(const GxBinBuffer& buffer);
    GxContentBinaryReader(const void* data, uint32_t length);

    void SetBuffer(const void* data, uint32_t length) override;
    void SetCheckValueName(int flag) override { m_CheckName = flag; }
    int GetNextValueType() override;
    bool ReadHeader(const char* tag, uint32_t& version) override;

    bool ReadGxBit32(const char* name, GxBit32& value) override;
    bool ReadGxPoint4(const char* name, GxPoint4& value) override;
    bool ReadGxPoint3(const char* name, GxPoint3& value) override;
    bool ReadGxPoint2(const char* name, GxPoint2& value) override;
    bool ReadGxFRect(const char* name, GxFRect& value) override;
    bool ReadGxRect(const char* name, GxRect& value) override;
    bool ReadGxMatrix(const char* name, GxMatrix& value) override;
    bool ReadGxFColor(const char* name, GxFColor& value) override;
    bool ReadGxQuat(const char* name, GxQuat& value) override;
    bool ReadGxVector4(const char* name, GxVector4& value) override;
    bool ReadGxVector3(const char* name, GxVector3& value) override;
    bool ReadGxVector2(const char* name, GxVector2& value) override;
    bool ReadGxBool(const char* name, bool& value) override;
    bool ReadGxF64(const char* name, double& value) override;
    bool ReadGxF32(const char* name, float& value) override;
    bool ReadGxU64(const char* name, uint64_t& value) override;
    bool ReadGxS64(const char* name, int64_t& value) override;
    bool ReadGxU32(const char* name, uint32_t& value) override;
    bool ReadGxS32(const char* name, int32_t& value) override;
    bool ReadGxU16(const char* name, uint16_t& value) override;
    bool ReadGxS16(const char* name, int16_t& value) override;
    bool ReadGxU8(const char* name, uint8_t& value) override;
    bool ReadGxS8(const char* name, int8_t& value) override;

    bool ReadGxStringStdW(const char* name, std::u16string& text) override;
    bool ReadGxStringStdA(const char* name, std::string& text) override;
    bool ReadGxBinary(const char* name, GxBinBuffer& buffer) override;

    bool ReadListBegin(const char* name, uint32_t& count) override;
    bool ReadListEnd() override;
    bool ReadTreeBegin(const char* name) override;
    bool ReadTreeEnd() override;
    bool ReadTreeStratumBegin() override;
    bool ReadTreeStratumEnd() override;

    int GetErrorCount() const override { return m_ErrorCount; }
    bool IsEnd() const override { return m_Pos >= m_End; }
    bool SkipValue() override;

    int GetCheckValueName() const { return m_CheckName; }

private:
    // The next code byte, consumed; at the end logs the overrun and gives 255.
    int ReadValueType();
    // Consumes the code; when it is expected and payload bytes follow, returns them (consumed).
    const uint8_t* TakeValue(uint8_t expected, size_t payload);
    // The same for an operation that also takes a second code with its own payload size;
    // gives the code that was found (0 after a failure).
    int TakeValueOf(uint8_t own, size_t ownPayload, uint8_t alt, size_t altPayload, const uint8_t*& payload);
    // The two string forms: code, then the bytes up to their terminator.
    bool TakeString(int& code, std::string_view& bytes);
    size_t Remaining() const { return static_cast<size_t>(m_End - m_Pos); }
    void Overrun();
    void TypeError(int code);

    const uint8_t* m_Pos = nullptr;
    const uint8_t* m_End = nullptr;
    int32_t m_ErrorCount = 0;
    int m_CheckName = 1;
};
