// The content stream: value-type codes shared by the writers and readers, and the small
// byte-level helpers (big-endian fields, exact UTF conversions into reused buffers, C-style
// number parsing) that both forms are built from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

// A 32-bit flag word; a type of its own in the stream (code 21) but a plain word in memory.
using GxBit32 = uint32_t;

// One code per value: one byte in the binary form, two lower-case hex digits in the text form.
enum GxContentValueType : uint8_t
{
    VALTYPE_GxS8 = 1,
    VALTYPE_GxU8 = 2,
    VALTYPE_GxS16 = 3,
    VALTYPE_GxU16 = 4,
    VALTYPE_GxS32 = 5,
    VALTYPE_GxU32 = 6,
    VALTYPE_GxS64 = 7,
    VALTYPE_GxU64 = 8,
    VALTYPE_GxF32 = 9,
    VALTYPE_GxF64 = 10,
    VALTYPE_GxBool = 11,
    VALTYPE_GxVector2 = 12,
    VALTYPE_GxVector3 = 13,
    VALTYPE_GxVector4 = 14,
    VALTYPE_GxQuat = 15,
    VALTYPE_GxFColor = 16,
    VALTYPE_GxMatrix = 17,
    VALTYPE_GxRect = 18,
    VALTYPE_GxFRect = 19,
    VALTYPE_GxBit32 = 21,
    VALTYPE_GxStringSJIS = 24,
    VALTYPE_GxStringUTF16 = 25,  // column and script value type only; never in a stream
    VALTYPE_GxStringUTF8 = 26,
    VALTYPE_GxBinary = 27,
    VALTYPE_ListBegin = 32,
    VALTYPE_ListEnd = 33,
    VALTYPE_TreeBegin = 34,
    VALTYPE_TreeEnd = 35,
    VALTYPE_TreeStratumBegin = 36,
    VALTYPE_TreeStratumEnd = 37,
    VALTYPE_GxPoint2 = 50,
    VALTYPE_GxPoint3 = 51,
    VALTYPE_GxPoint4 = 52,
};

// The binary reader's answer for "no more data".
constexpr int kGxContentEndOfData = 255;

// Longest header tag; the tag area of the binary header is one byte longer (its terminator).
constexpr size_t kGxContentTagLimit = 15;

// The shared no-op of the list-item slots of writers and readers.
inline bool GxContentNoOp() { return true; }

// Bytes that follow the code byte of a value of fixed size, as the skip of the binary form
// passes them over; -1 for the framed codes (24, 26, 27, 32) and for codes with no payload.
int GxContentFixedPayload(int code);

// "VALTYPE_GxS8" ... for the messages; null for a code that carries no value type.
const char* GxContentValueTypeName(int code);

// ---- big-endian fields ----

inline void GxStoreBE16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}
inline void GxStoreBE32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}
inline void GxStoreBE64(uint8_t* p, uint64_t v)
{
    GxStoreBE32(p, static_cast<uint32_t>(v >> 32));
    GxStoreBE32(p + 4, static_cast<uint32_t>(v));
}
inline uint16_t GxLoadBE16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
inline uint32_t GxLoadBE32(const uint8_t* p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | p[3];
}
inline uint64_t GxLoadBE64(const uint8_t* p)
{
    return (static_cast<uint64_t>(GxLoadBE32(p)) << 32) | GxLoadBE32(p + 4);
}
inline uint32_t GxFloatBits(float f)
{
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}
inline float GxBitsFloat(uint32_t u)
{
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}
inline uint64_t GxDoubleBits(double d)
{
    uint64_t u;
    std::memcpy(&u, &d, 8);
    return u;
}
inline double GxBitsDouble(uint64_t u)
{
    double d;
    std::memcpy(&d, &u, 8);
    return d;
}

// ---- conversions into reused buffers ----
// Same results as GxWideToUtf8 and GxUtf8ToWide (a lone surrogate becomes U+FFFD; each byte
// that starts no valid sequence becomes U+FFFD), but appending, so that a loop over many values
// keeps one allocation.
void GxContentAppendUtf8(std::string& out, std::u16string_view text);
void GxContentAppendWide(std::u16string& out, std::string_view utf8);

// ---- C-library style number parsing over [begin, end) ----
// They follow strtol/strtoul/strtoll/strtoull/atof of the platform the stored files come from:
// leading blanks, an optional sign, for base 16 an optional "0x"; digits up to the first one
// the base does not take; "long" is 32 bits, and an out-of-range value saturates. They never
// look past end, so fields need no terminator.
int64_t GxContentParseSigned(const char* begin, const char* end, int base, int bits);
uint64_t GxContentParseUnsigned(const char* begin, const char* end, int base, int bits);
// atof: decimal or hexadecimal floating text, "inf" and "nan"; 0 when nothing parses.
double GxContentParseDouble(const char* begin, const char* end);

inline int32_t GxContentAtol(std::string_view s) { return static_cast<int32_t>(GxContentParseSigned(s.data(), s.data() + s.size(), 10, 32)); }
inline uint32_t GxContentStrtoul(std::string_view s, int base = 10)
{
    return static_cast<uint32_t>(GxContentParseUnsigned(s.data(), s.data() + s.size(), base, 32));
}
inline double GxContentAtof(std::string_view s) { return GxContentParseDouble(s.data(), s.data() + s.size()); }
