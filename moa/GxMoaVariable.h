// GxMoaVariable: the one value of the Moa script runtime.
//
// A tagged value: a type code and one 8-byte payload. Int, Float and Opcode live in the payload
// itself, so arithmetic on them never touches the heap; Str and RefVar own their text and Array
// owns its element storage. Nothing is ever shared between two values: copies are deep.
//
// Conversions (GetInt64, GetInt, GetFloat, GetString) never fail and never change the value.
// The operators live in GxMoaOperator.cpp; they never fail either.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class GxContentWriterBase;
class GxContentReaderBase;
class GxMoaValueArray;

// Value-type codes. Int, Float and Str share their codes with the content stream's S64, F64 and
// wide-string values; the others are the runtime's own. A value read from a stream may carry
// any other code: it is kept and treated as a type without number or text.
enum class GxMoaValueType : int32_t
{
    Int = 7,
    Float = 10,
    Str = 25,
    Array = 39,
    RefVar = 250,
    Opcode = 253,
    Null = 254,
};

class GxMoaVariable
{
public:
    // Arrays never grow past this many elements: a script index of two billion would otherwise
    // ask for tens of gigabytes in one statement.
    static constexpr int32_t kMaxArraySize = 1 << 20;

    // A float divisor within [-kEpsilon, kEpsilon] counts as zero; Int == Float allows this much.
    static constexpr double kEpsilon = 2.220446049250313e-16;

    GxMoaVariable() noexcept : m_Int(0), m_Type(GxMoaValueType::Null) {}
    GxMoaVariable(const GxMoaVariable& other) : m_Int(0), m_Type(GxMoaValueType::Null) { Assign(other); }
    GxMoaVariable(GxMoaVariable&& other) noexcept : m_Int(other.m_Int), m_Type(other.m_Type)
    {
        other.m_Int = 0;
        other.m_Type = GxMoaValueType::Null;
    }
    ~GxMoaVariable() { SetNull(); }

    GxMoaVariable& operator=(const GxMoaVariable& other)
    {
        Assign(other);
        return *this;
    }
    GxMoaVariable& operator=(GxMoaVariable&& other) noexcept;

    // Release and setters. Every setter first releases what the value owns.
    void SetNull() noexcept
    {
        if (OwnsHeap()) ReleaseHeap();
        m_Int = 0;
        m_Type = GxMoaValueType::Null;
    }
    void SetInt64(int64_t v) noexcept
    {
        if (OwnsHeap()) ReleaseHeap();
        m_Int = v;
        m_Type = GxMoaValueType::Int;
    }
    void SetFloat(double v) noexcept
    {
        if (OwnsHeap()) ReleaseHeap();
        m_Float = v;
        m_Type = GxMoaValueType::Float;
    }
    // The text ends at its first NUL, if any.
    void SetString(std::u16string_view text);
    void SetString(const char16_t* text);  // zero-terminated; null gives the empty text
    void SetOpcode(int32_t opcode) noexcept
    {
        if (OwnsHeap()) ReleaseHeap();
        m_Int = opcode;
        m_Type = GxMoaValueType::Opcode;
    }
    // Both refuse (log, change nothing, return false) a count below 0 or above kMaxArraySize.
    bool MakeArray(int32_t count);
    bool SetArraySize(int32_t count);
    // Deep copy; safe when other is this value or lies inside it.
    void Assign(const GxMoaVariable& other);

    // Queries.
    GxMoaValueType GetValueType() const noexcept { return m_Type; }
    int32_t GetValueTypeCode() const noexcept { return static_cast<int32_t>(m_Type); }
    bool IsNull() const noexcept { return m_Type == GxMoaValueType::Null; }
    int64_t GetInt64() const;
    int32_t GetInt() const;
    double GetFloat() const;
    std::u16string GetString() const;
    int32_t GetStringLength() const;
    int32_t GetArraySize() const noexcept;
    // The payload read as it is, for callers that have checked the type (Int / Float).
    int64_t GetIntFast() const noexcept { return m_Int; }
    double GetFloatFast() const noexcept { return m_Float; }
    // The opcode number of an Opcode entry (the conversions give 0 for it).
    int32_t GetOpcode() const noexcept { return static_cast<int32_t>(m_Int); }
    // The text of a Str or RefVar without a copy; empty for every other type.
    std::u16string_view GetStringView() const noexcept;

    // -1 gives the value itself; another negative index, or a value that is not an Array, gives
    // null; an index at or past the end grows the array first (null when that would pass
    // kMaxArraySize). The pointer is valid until the array next changes size.
    GxMoaVariable* GetElement(int32_t index);
    // Element assignment (see GxMoaOperator.cpp): -1 replaces the whole value; an index of 0 or
    // more writes an element, growing the array or turning a non-array into one. Returns the
    // element written, or null when nothing was written.
    GxMoaVariable* SetElement(int32_t index, const GxMoaVariable& value);

    // Stored form through the content stream. Both report success when the stream's error
    // count is 0 afterwards (and, for Read, the stored value was acceptable).
    bool Write(GxContentWriterBase& writer) const;
    bool Read(GxContentReaderBase& reader);

    // Binary operators: a new value, both operands unchanged.
    GxMoaVariable operator+(const GxMoaVariable& b) const;
    GxMoaVariable operator-(const GxMoaVariable& b) const;
    GxMoaVariable operator*(const GxMoaVariable& b) const;
    GxMoaVariable operator/(const GxMoaVariable& b) const;
    GxMoaVariable operator%(const GxMoaVariable& b) const;
    GxMoaVariable operator&(const GxMoaVariable& b) const;
    GxMoaVariable operator|(const GxMoaVariable& b) const;
    GxMoaVariable operator^(const GxMoaVariable& b) const;
    GxMoaVariable operator<<(const GxMoaVariable& b) const;
    GxMoaVariable operator>>(const GxMoaVariable& b) const;
    bool operator==(const GxMoaVariable& b) const;
    bool operator!=(const GxMoaVariable& b) const { return !(*this == b); }
    bool operator<(const GxMoaVariable& b) const;
    bool operator>(const GxMoaVariable& b) const;
    bool operator<=(const GxMoaVariable& b) const;
    bool operator>=(const GxMoaVariable& b) const;

    // In-place forms: change this value and return it.
    GxMoaVariable& operator+=(const GxMoaVariable& b);
    GxMoaVariable& operator-=(const GxMoaVariable& b);
    GxMoaVariable& operator*=(const GxMoaVariable& b);
    GxMoaVariable& operator/=(const GxMoaVariable& b);
    GxMoaVariable& operator%=(const GxMoaVariable& b);
    GxMoaVariable& ConcatAssign(const GxMoaVariable& b);

    // Unary forms change this value.
    void Negate();
    void BitNot();
    void LogicalNot();
    // Truth of a value for "&&" and "||": the value as integer is not 0.
    bool IsTrue() const { return GetInt64() != 0; }

private:
    friend class GxMoaValueArray;

    bool OwnsHeap() const noexcept
    {
        return m_Type == GxMoaValueType::Str || m_Type == GxMoaValueType::RefVar ||
               m_Type == GxMoaValueType::Array;
    }
    void ReleaseHeap() noexcept;
    void WriteFields(GxContentWriterBase& writer) const;
    bool ReadDepth(GxContentReaderBase& reader, int depth);

    union {
        int64_t m_Int;             // Int, Opcode
        double m_Float;            // Float
        std::u16string* m_Str;     // Str, RefVar: owned, never null
        GxMoaValueArray* m_Array;  // Array: owned, never null
    };
    GxMoaValueType m_Type;
};

// The element storage of an Array.
class GxMoaValueArray
{
public:
    std::vector<GxMoaVariable> m_Elements;
};

// Concatenation ":": A's text followed by B's text, a Str.
GxMoaVariable GxMoaConcat(const GxMoaVariable& a, const GxMoaVariable& b);
