// Hand-assembled bytes of the binary content form, for golden tests of the script package
// that do not go through the writer under test: one code byte, then the payload big-endian;
// strings are UTF-8 with a 32-bit length and a terminator.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/GxContentReader.h"

namespace moabytes {

class Bytes
{
public:
    Bytes& Code(uint8_t code)
    {
        m_S.push_back(static_cast<char>(code));
        return *this;
    }
    Bytes& BE(uint64_t v, int bytes)
    {
        for (int i = bytes - 1; i >= 0; --i) m_S.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
        return *this;
    }
    Bytes& S32(int32_t v) { return Code(5).BE(static_cast<uint32_t>(v), 4); }
    Bytes& U32(uint32_t v) { return Code(6).BE(v, 4); }
    Bytes& S64(int64_t v) { return Code(7).BE(static_cast<uint64_t>(v), 8); }
    Bytes& Bit32(uint32_t v) { return Code(21).BE(v, 4); }
    Bytes& Str(std::string_view utf8)
    {
        Code(26).BE(utf8.size(), 4);
        m_S.append(utf8);
        m_S.push_back('\0');
        return *this;
    }
    Bytes& List(uint32_t count) { return Code(32).BE(count, 4); }
    Bytes& End() { return Code(33); }
    Bytes& Raw(std::string_view bytes)
    {
        m_S.append(bytes);
        return *this;
    }
    // A stored script value (GxMoaVariable): an Int and a Null.
    Bytes& IntValue(int64_t v) { return U32(7).S64(v); }
    Bytes& NullValue() { return U32(254); }

    const std::string& str() const { return m_S; }

private:
    std::string m_S;
};

// A binary reader over the bytes (which must outlive it).
inline GxContentBinaryReader Reader(const std::string& bytes)
{
    return GxContentBinaryReader(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

}  // namespace moabytes
