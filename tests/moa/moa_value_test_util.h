// Small builders for script values, shared by the value and operator suites.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/GxLog.h"
#include "core/GxString.h"
#include "moa/GxMoaVariable.h"

namespace moatest {

inline GxMoaVariable I(int64_t v)
{
    GxMoaVariable r;
    r.SetInt64(v);
    return r;
}
inline GxMoaVariable F(double v)
{
    GxMoaVariable r;
    r.SetFloat(v);
    return r;
}
inline GxMoaVariable S(std::u16string_view v)
{
    GxMoaVariable r;
    r.SetString(v);
    return r;
}
inline GxMoaVariable N() { return GxMoaVariable(); }
inline GxMoaVariable Op(int32_t v)
{
    GxMoaVariable r;
    r.SetOpcode(v);
    return r;
}
// An Array holding the given values.
inline GxMoaVariable A(std::vector<GxMoaVariable> items)
{
    GxMoaVariable r;
    r.MakeArray(static_cast<int32_t>(items.size()));
    for (size_t i = 0; i < items.size(); ++i) r.SetElement(static_cast<int32_t>(i), items[i]);
    return r;
}
// An Array of n Ints 0..n-1.
inline GxMoaVariable An(int n)
{
    std::vector<GxMoaVariable> v;
    for (int i = 0; i < n; ++i) v.push_back(I(i));
    return A(v);
}

inline uint64_t Bits(double d)
{
    uint64_t u;
    std::memcpy(&u, &d, sizeof(u));
    return u;
}
inline double FromBits(uint64_t u)
{
    double d;
    std::memcpy(&d, &u, sizeof(d));
    return d;
}

// A readable picture of a value for failure messages and structural comparison: type and
// content, arrays recursively, floats by their exact bits.
inline std::string Describe(const GxMoaVariable& v)
{
    GxMoaVariable c(v);
    switch (v.GetValueType()) {
    case GxMoaValueType::Int: return "Int(" + std::to_string(v.GetInt64()) + ")";
    case GxMoaValueType::Float: {
        char buf[64];
        snprintf(buf, sizeof(buf), "Float(%.17g/%016llx)", v.GetFloat(), (unsigned long long)Bits(v.GetFloat()));
        return buf;
    }
    case GxMoaValueType::Str: return "Str(" + GxWideToUtf8(v.GetString()) + ")";
    case GxMoaValueType::RefVar: return "RefVar(" + GxWideToUtf8(v.GetString()) + ")";
    case GxMoaValueType::Opcode: return "Opcode(" + std::to_string(v.GetOpcode()) + ")";
    case GxMoaValueType::Null: return "Null";
    case GxMoaValueType::Array: {
        std::string s = "[";
        for (int i = 0; i < v.GetArraySize(); ++i) {
            if (i) s += ",";
            s += Describe(*c.GetElement(i));
        }
        return s + "]";
    }
    default: return "Code" + std::to_string(v.GetValueTypeCode());
    }
}

// Collects the error lines logged while it is alive; the logs themselves go to a temporary file.
class LogCapture : public GxDebugListenerBase
{
public:
    LogCapture()
    {
        m_Previous = GxGetDebugListener();
        GxSetErrorLogPath(GxUtf8ToWide(::testing::TempDir() + "moa_test_error.log"));
        GxSetDebugListener(this);
    }
    ~LogCapture() override { GxSetDebugListener(m_Previous); }
    void OnDebugOutput(const std::u16string& text, int level) override
    {
        if (level <= 1) lines.push_back(GxWideToUtf8(text));
    }
    bool Has(const std::string& part) const
    {
        for (auto& l : lines)
            if (l.find(part) != std::string::npos) return true;
        return false;
    }
    std::vector<std::string> lines;

private:
    GxDebugListenerBase* m_Previous;
};

}  // namespace moatest
