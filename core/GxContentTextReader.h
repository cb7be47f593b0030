// Reader of the text form of the content stream: one tab-separated line per value, checked by
// code and name, with the line number in every message.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/GxContentReader.h"

// Reads one line from start (never past end, stopping at a 0 byte) under the multibyte rules of
// the ANSI code page: carriage returns and form feeds are dropped, the line feed ends the line
// and adds one to *line, and the carriage returns and form feeds right after it are consumed too.
// *pos is left on the first character of the next line.
std::string GxReadLineA(const char* start, const char** pos, uint32_t* line, const char* end);
// The same walk without collecting the line.
void GxSkipLineA(const char* start, const char** pos, uint32_t* line, const char* end);
// Quoted 8-bit text under the ANSI code page's multibyte rules: empty when start holds no
// opening quote; a backslash escapes the next character (f n r t v give their control
// characters); an unescaped quote, a 0 byte or the end closes it; an unescaped line feed is
// dropped and counted in *line, carriage returns and form feeds are dropped.
void GxReadQuotedTextA(std::string& out, const char* start, const char** pos, uint32_t* line, const char* end);
// Writes the non-zero bytes of a multibyte character code, high byte first, and a terminating
// 0 into out (5 bytes at most); returns the number of character bytes.
int GxMbcCodeToBytes(char* out, uint32_t code);

class GxContentTextReader : public GxContentReaderBase
{
public:
    // The reader neither owns nor copies the bytes: the buffer must outlive it.
    explicit GxContentTextReader(const GxBinBuffer& buffer);

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
    bool IsEnd() const override { return m_Pos >= m_End || *m_Pos == 0; }
    bool SkipValue() override;

    // Line feeds consumed so far: after a read, the number of the line it read.
    uint32_t GetLineNumber() const { return m_LineNo; }
    int GetCheckValueName() const { return m_CheckName; }

private:
    // Reads the next line into m_Line and splits it at its tabs.
    void ReadLine();
    std::string_view Field(size_t i) const;
    size_t FieldCount() const { return m_FieldEnds.size(); }
    int LineCode() const;
    // Reads a value line; checks its code, its name (unless checkName is false: the end and
    // stratum codes carry none) and that it has at least minFields fields.
    bool ReadValueLine(int code, const char* name, size_t minFields, bool checkName = true);
    bool ReadStringLine(const char* name, int& code);
    // A value line of count floats or integers from field 3 on, parsed into out.
    bool ReadFloats(int code, const char* name, float* out, size_t count);
    bool ReadInts(int code, const char* name, int32_t* out, size_t count);
    void Error(const char* what);  // "GxContentTextReader/<what> Line=n", one error
    void TypeError(int code);

    const char* m_Pos = nullptr;
    const char* m_End = nullptr;
    uint32_t m_LineNo = 0;
    int32_t m_ErrorCount = 0;
    int m_CheckName = 1;

    std::string m_Line;                // the current line, reused from line to line
    std::vector<uint32_t> m_FieldEnds;  // end offset of each field in m_Line
    std::u16string m_Wide;             // string field widened before unquoting
};
