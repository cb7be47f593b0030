// Operators on script values. None of them fails: every pair of types has a result.
//
// Arithmetic is Float when either side is Float, else 64-bit integer arithmetic that wraps
// around (done on unsigned words, so no overflow is ever undefined). Division or remainder by
// zero gives Null. Operands are read completely before the result is stored, so the in-place
// forms may take the same value on both sides.
#include <cmath>
#include <limits>
#include <string>
#include <utility>

#include "moa/GxMoaVariable.h"

#include "core/GxLog.h"

namespace {

using VT = GxMoaValueType;

enum class Arith { Add, Sub, Mul, Div, Mod };

int64_t Wrap(uint64_t u) { return static_cast<int64_t>(u); }

// Stores a op b into out; out may be a or b.
// Operand as double / as integer, with the common types read in place.
inline double AsDouble(const GxMoaVariable& v, VT t)
{
    if (t == VT::Float) return v.GetFloatFast();
    if (t == VT::Int) return static_cast<double>(v.GetIntFast());
    return v.GetFloat();
}
inline int64_t AsInt(const GxMoaVariable& v, VT t) { return t == VT::Int ? v.GetIntFast() : v.GetInt64(); }

void ApplyArith(Arith op, const GxMoaVariable& a, const GxMoaVariable& b, GxMoaVariable& out)
{
    const VT ta = a.GetValueType();
    const VT tb = b.GetValueType();
    if (ta == VT::Float || tb == VT::Float) {
        const double x = AsDouble(a, ta);
        const double y = AsDouble(b, tb);
        double r;
        switch (op) {
        case Arith::Add: r = x + y; break;
        case Arith::Sub: r = x - y; break;
        case Arith::Mul: r = x * y; break;
        default:
            if (y >= -GxMoaVariable::kEpsilon && y <= GxMoaVariable::kEpsilon) {
                out.SetNull();
                return;
            }
            r = op == Arith::Div ? x / y : std::fmod(x, y);
            break;
        }
        out.SetFloat(r);
        return;
    }
    const int64_t x = AsInt(a, ta);
    const int64_t y = AsInt(b, tb);
    const uint64_t ux = static_cast<uint64_t>(x);
    const uint64_t uy = static_cast<uint64_t>(y);
    int64_t r;
    switch (op) {
    case Arith::Add: r = Wrap(ux + uy); break;
    case Arith::Sub: r = Wrap(ux - uy); break;
    case Arith::Mul: r = Wrap(ux * uy); break;
    default:
        if (y == 0) {
            out.SetNull();
            return;
        }
        // The one quotient that does not fit wraps back to the smallest value (the processor
        // would trap on it); its remainder is 0.
        if (y == -1) r = op == Arith::Div ? Wrap(uint64_t(0) - ux) : 0;
        else r = op == Arith::Div ? x / y : x % y;
        break;
    }
    out.SetInt64(r);
}

GxMoaVariable Arithmetic(Arith op, const GxMoaVariable& a, const GxMoaVariable& b)
{
    GxMoaVariable r;
    ApplyArith(op, a, b, r);
    return r;
}

GxMoaVariable IntResult(int64_t v)
{
    GxMoaVariable r;
    r.SetInt64(v);
    return r;
}

// The shift count is the low 8 bits of B as integer; 64 and more shift everything out.
unsigned ShiftCount(const GxMoaVariable& b)
{
    return static_cast<unsigned>(static_cast<uint64_t>(b.GetInt64()) & 0xFF);
}

enum class Order { Less, Equal, Greater, Unordered };

template <typename T>
Order CompareValues(T x, T y)
{
    if (x < y) return Order::Less;
    if (y < x) return Order::Greater;
    if (x == y) return Order::Equal;
    return Order::Unordered;  // NaN
}

bool IsNumber(VT t) { return t == VT::Int || t == VT::Float; }

Order CompareText(const GxMoaVariable& a, const GxMoaVariable& b)
{
    // Str and RefVar compare their own text without a copy.
    auto hasText = [](VT t) { return t == VT::Str || t == VT::RefVar; };
    std::u16string ta;
    std::u16string tb;
    std::u16string_view va;
    std::u16string_view vb;
    if (hasText(a.GetValueType())) va = a.GetStringView();
    else va = ta = a.GetString();
    if (hasText(b.GetValueType())) vb = b.GetStringView();
    else vb = tb = b.GetString();
    int c = va.compare(vb);  // char16_t compares as unsigned: ordinal by code unit
    return c < 0 ? Order::Less : c > 0 ? Order::Greater : Order::Equal;
}

// The ordering of the comparison operators.
Order Compare(const GxMoaVariable& a, const GxMoaVariable& b)
{
    const VT ta = a.GetValueType();
    const VT tb = b.GetValueType();
    if (ta == VT::Int && tb == VT::Int) return CompareValues(a.GetIntFast(), b.GetIntFast());
    if (IsNumber(ta) && IsNumber(tb)) return CompareValues(AsDouble(a, ta), AsDouble(b, tb));
    if (ta == VT::Null && tb == VT::Null) return Order::Equal;
    // Null counts as zero against a number.
    if (ta == VT::Null && tb == VT::Int) return CompareValues(int64_t(0), b.GetIntFast());
    if (ta == VT::Null && tb == VT::Float) return CompareValues(0.0, b.GetFloatFast());
    if (ta == VT::Int && tb == VT::Null) return CompareValues(a.GetIntFast(), int64_t(0));
    if (ta == VT::Float && tb == VT::Null) return CompareValues(a.GetFloatFast(), 0.0);
    // Everything else compares as text (Null's text is empty).
    return CompareText(a, b);
}

// Null == B for a B that is not Null.
bool NullEquals(const GxMoaVariable& b)
{
    switch (b.GetValueType()) {
    case VT::Int: return b.GetInt64() == 0;
    case VT::Float: return b.GetFloat() == 0.0;
    case VT::Str: return b.GetStringView().empty();
    default: return false;
    }
}

}  // namespace

GxMoaVariable GxMoaVariable::operator+(const GxMoaVariable& b) const { return Arithmetic(Arith::Add, *this, b); }
GxMoaVariable GxMoaVariable::operator-(const GxMoaVariable& b) const { return Arithmetic(Arith::Sub, *this, b); }
GxMoaVariable GxMoaVariable::operator*(const GxMoaVariable& b) const { return Arithmetic(Arith::Mul, *this, b); }
GxMoaVariable GxMoaVariable::operator/(const GxMoaVariable& b) const { return Arithmetic(Arith::Div, *this, b); }
GxMoaVariable GxMoaVariable::operator%(const GxMoaVariable& b) const { return Arithmetic(Arith::Mod, *this, b); }

GxMoaVariable& GxMoaVariable::operator+=(const GxMoaVariable& b)
{
    ApplyArith(Arith::Add, *this, b, *this);
    return *this;
}
GxMoaVariable& GxMoaVariable::operator-=(const GxMoaVariable& b)
{
    ApplyArith(Arith::Sub, *this, b, *this);
    return *this;
}
GxMoaVariable& GxMoaVariable::operator*=(const GxMoaVariable& b)
{
    ApplyArith(Arith::Mul, *this, b, *this);
    return *this;
}
GxMoaVariable& GxMoaVariable::operator/=(const GxMoaVariable& b)
{
    ApplyArith(Arith::Div, *this, b, *this);
    return *this;
}
GxMoaVariable& GxMoaVariable::operator%=(const GxMoaVariable& b)
{
    ApplyArith(Arith::Mod, *this, b, *this);
    return *this;
}

GxMoaVariable GxMoaConcat(const GxMoaVariable& a, const GxMoaVariable& b)
{
    GxMoaVariable r;
    std::u16string text = a.GetString();
    if (b.GetValueType() == GxMoaValueType::Str || b.GetValueType() == GxMoaValueType::RefVar)
        text += b.GetStringView();
    else
        text += b.GetString();
    r.SetString(text);
    return r;
}

GxMoaVariable& GxMoaVariable::ConcatAssign(const GxMoaVariable& b)
{
    if (m_Type == GxMoaValueType::Str) {
        if (&b == this) {
            std::u16string copy = *m_Str;
            *m_Str += copy;
        } else if (b.m_Type == GxMoaValueType::Str || b.m_Type == GxMoaValueType::RefVar) {
            *m_Str += *b.m_Str;
        } else {
            *m_Str += b.GetString();
        }
        return *this;
    }
    std::u16string text = GetString();
    text += b.GetString();
    SetString(text);
    return *this;
}

GxMoaVariable GxMoaVariable::operator&(const GxMoaVariable& b) const { return IntResult(AsInt(*this, m_Type) & AsInt(b, b.m_Type)); }
GxMoaVariable GxMoaVariable::operator|(const GxMoaVariable& b) const { return IntResult(AsInt(*this, m_Type) | AsInt(b, b.m_Type)); }
GxMoaVariable GxMoaVariable::operator^(const GxMoaVariable& b) const { return IntResult(AsInt(*this, m_Type) ^ AsInt(b, b.m_Type)); }

GxMoaVariable GxMoaVariable::operator<<(const GxMoaVariable& b) const
{
    const unsigned n = ShiftCount(b);
    const uint64_t x = static_cast<uint64_t>(GetInt64());
    return IntResult(n >= 64 ? 0 : static_cast<int64_t>(x << n));
}

GxMoaVariable GxMoaVariable::operator>>(const GxMoaVariable& b) const
{
    const unsigned n = ShiftCount(b);
    const uint64_t x = static_cast<uint64_t>(GetInt64());
    return IntResult(n >= 64 ? 0 : static_cast<int64_t>(x >> n));  // logical: zeros come in
}

bool GxMoaVariable::operator==(const GxMoaVariable& b) const
{
    const VT ta = m_Type;
    const VT tb = b.m_Type;
    if (ta == VT::Int && tb == VT::Int) return m_Int == b.m_Int;
    if (ta == VT::Float && tb == VT::Float) return m_Float == b.m_Float;
    if (ta == VT::Null || tb == VT::Null) {
        if (ta == tb) return true;
        return ta == VT::Null ? NullEquals(b) : NullEquals(*this);
    }
    if (ta == VT::Str && tb == VT::Str) return *m_Str == *b.m_Str;
    if (IsNumber(ta) && IsNumber(tb)) {
        // Int against Float: equal within epsilon.
        const double x = AsDouble(*this, ta);
        const double y = AsDouble(b, tb);
        return y - kEpsilon <= x && x <= y + kEpsilon;
    }
    return CompareText(*this, b) == Order::Equal;
}

bool GxMoaVariable::operator<(const GxMoaVariable& b) const { return Compare(*this, b) == Order::Less; }
bool GxMoaVariable::operator>(const GxMoaVariable& b) const { return Compare(*this, b) == Order::Greater; }
bool GxMoaVariable::operator<=(const GxMoaVariable& b) const
{
    const Order o = Compare(*this, b);
    return o == Order::Less || o == Order::Equal;
}
bool GxMoaVariable::operator>=(const GxMoaVariable& b) const
{
    const Order o = Compare(*this, b);
    return o == Order::Greater || o == Order::Equal;
}

void GxMoaVariable::Negate()
{
    switch (m_Type) {
    case VT::Int: m_Int = Wrap(uint64_t(0) - static_cast<uint64_t>(m_Int)); break;
    case VT::Float: m_Float = -m_Float; break;
    case VT::Str: SetInt64(Wrap(uint64_t(0) - static_cast<uint64_t>(GetInt64()))); break;
    default: SetInt64(0); break;
    }
}

void GxMoaVariable::BitNot()
{
    switch (m_Type) {
    case VT::Int: m_Int = ~m_Int; break;
    case VT::Float:
    case VT::Str: SetInt64(~GetInt64()); break;
    default: SetInt64(-1); break;
    }
}

void GxMoaVariable::LogicalNot()
{
    switch (m_Type) {
    case VT::Int:
    case VT::Float:
    case VT::Str: SetInt64(GetInt64() == 0 ? 1 : 0); break;
    default: SetInt64(1); break;
    }
}

GxMoaVariable* GxMoaVariable::SetElement(int32_t index, const GxMoaVariable& value)
{
    if (index == -1) {
        Assign(value);
        return this;
    }
    if (index < 0) return nullptr;
    const size_t need = static_cast<size_t>(index) + 1;
    if (m_Type == VT::Array && need <= m_Array->m_Elements.size()) {
        m_Array->m_Elements[static_cast<size_t>(index)].Assign(value);
        return &m_Array->m_Elements[static_cast<size_t>(index)];
    }
    // Growing moves the elements and turning a non-array into an array drops the old content:
    // copy first, since value may be this value or lie inside it.
    if (need > static_cast<size_t>(kMaxArraySize)) {
        GxPrintErrorLog(u"Error/GxMoaVariable SetElement: index out of range(%d, limit %d)\n", index, kMaxArraySize);
        return nullptr;
    }
    GxMoaVariable copy(value);
    if (m_Type == VT::Array) SetArraySize(static_cast<int32_t>(need));
    else MakeArray(static_cast<int32_t>(need));
    GxMoaVariable& el = m_Array->m_Elements[static_cast<size_t>(index)];
    el = std::move(copy);
    return &el;
}
