// Script values: conversions, array growth, copies.
#include <limits>

#include <cstdio>
#include <sys/stat.h>

#include "core/GxContentReader.h"
#include "core/GxContentTextReader.h"
#include "tests/moa/moa_value_test_util.h"
#include "tests/support/GxContentFixture.h"

using namespace moatest;
using VT = GxMoaValueType;

namespace {

constexpr int64_t kI64Max = std::numeric_limits<int64_t>::max();
constexpr int64_t kI64Min = std::numeric_limits<int64_t>::min();
constexpr int32_t kI32Max = std::numeric_limits<int32_t>::max();
constexpr int32_t kI32Min = std::numeric_limits<int32_t>::min();
const double kInf = std::numeric_limits<double>::infinity();

struct ConvRow
{
    const char* name;
    GxMoaVariable value;
    int64_t i64;
    int32_t i32;
    double f;
    std::u16string text;
};

TEST(GxMoaVariable, ConversionTable)
{
    const ConvRow rows[] = {
        // Text: decimal prefix, blanks first, no hexadecimal.
        {"12abc", S(u"12abc"), 12, 12, 12.0, u"12abc"},
        {"empty", S(u""), 0, 0, 0.0, u""},
        {"abc", S(u"abc"), 0, 0, 0.0, u"abc"},
        {"space 42", S(u" 42"), 42, 42, 42.0, u" 42"},
        {"blanks 7", S(u"\t\r\n\v\f 7"), 7, 7, 7.0, u"\t\r\n\v\f 7"},
        {"1e3", S(u"1e3"), 1, 1, 1000.0, u"1e3"},
        {"-7.9", S(u"-7.9"), -7, -7, -7.9, u"-7.9"},
        {"+15", S(u"+15"), 15, 15, 15.0, u"+15"},
        {"sign space", S(u"- 5"), 0, 0, 0.0, u"- 5"},
        {"0x10", S(u"0x10"), 0, 0, 0.0, u"0x10"},
        {"10 digits", S(u"1234567890"), 1234567890, 1234567890, 1234567890.0, u"1234567890"},
        {"10 digits over int32", S(u"5000000000"), 5000000000LL, kI32Max, 5e9, u"5000000000"},
        {"negative over int32", S(u"-5000000000"), -5000000000LL, kI32Min, -5e9, u"-5000000000"},
        {"int32 max", S(u"2147483647"), 2147483647, kI32Max, 2147483647.0, u"2147483647"},
        {"int32 min", S(u"-2147483648"), -2147483648LL, kI32Min, -2147483648.0, u"-2147483648"},
        {"int32 max + 1", S(u"2147483648"), 2147483648LL, kI32Max, 2147483648.0, u"2147483648"},
        {"int64 max", S(u"9223372036854775807"), kI64Max, kI32Max, 9223372036854775807.0, u"9223372036854775807"},
        {"int64 min", S(u"-9223372036854775808"), kI64Min, kI32Min, -9223372036854775808.0,
         u"-9223372036854775808"},
        {"int64 max + 1", S(u"9223372036854775808"), kI64Max, kI32Max, 9223372036854775808.0,
         u"9223372036854775808"},
        {"20 digits", S(u"99999999999999999999"), kI64Max, kI32Max, 1e20, u"99999999999999999999"},
        {"-20 digits", S(u"-99999999999999999999"), kI64Min, kI32Min, -1e20, u"-99999999999999999999"},
        {".5", S(u".5"), 0, 0, 0.5, u".5"},
        {"5.", S(u"5."), 5, 5, 5.0, u"5."},
        {"1e without digits", S(u"1e+x"), 1, 1, 1.0, u"1e+x"},
        {"2.5E-1x", S(u"2.5E-1x"), 2, 2, 0.25, u"2.5E-1x"},
        {"inf is no number", S(u"inf"), 0, 0, 0.0, u"inf"},
        {"nan is no number", S(u"nan"), 0, 0, 0.0, u"nan"},
        {"1e400", S(u"1e400"), 1, 1, kInf, u"1e400"},
        {"-1e400", S(u"-1e400"), -1, -1, -kInf, u"-1e400"},
        {"1e-400", S(u"1e-400"), 1, 1, 0.0, u"1e-400"},
        {"full-width digits", S(u"１２"), 0, 0, 0.0, u"１２"},
        // Int: low 32 bits for GetInt.
        {"Int 5000000000", I(5000000000LL), 5000000000LL, 705032704, 5e9, u"5000000000"},
        {"Int -15", I(-15), -15, -15, -15.0, u"-15"},
        {"Int 0", I(0), 0, 0, 0.0, u"0"},
        {"Int min", I(kI64Min), kI64Min, 0, -9223372036854775808.0, u"-9223372036854775808"},
        {"Int max", I(kI64Max), kI64Max, -1, 9223372036854775807.0, u"9223372036854775807"},
        // Float: truncation toward zero, saturated; "%f" text.
        {"Float 2.75", F(2.75), 2, 2, 2.75, u"2.750000"},
        {"Float -2.75", F(-2.75), -2, -2, -2.75, u"-2.750000"},
        {"Float 1.5", F(1.5), 1, 1, 1.5, u"1.500000"},
        {"Float -0.25", F(-0.25), 0, 0, -0.25, u"-0.250000"},
        {"Float 3", F(3.0), 3, 3, 3.0, u"3.000000"},
        {"Float -0.0", F(-0.0), 0, 0, -0.0, u"-0.000000"},
        {"Float rounds", F(9.5367431640625e-07), 0, 0, 9.5367431640625e-07, u"0.000001"},
        {"Float 3e9", F(3e9), 3000000000LL, kI32Max, 3e9, u"3000000000.000000"},
        {"Float -3e9", F(-3e9), -3000000000LL, kI32Min, -3e9, u"-3000000000.000000"},
        {"Float 2^100", F(1267650600228229401496703205376.0), kI64Max, kI32Max, 1267650600228229401496703205376.0,
         u"1267650600228229401496703205376.000000"},
        {"Float -1e30", F(-1e30), kI64Min, kI32Min, -1e30, u"-1000000000000000019884624838656.000000"},
        {"Float 2^63", F(9223372036854775808.0), kI64Max, kI32Max, 9223372036854775808.0,
         u"9223372036854775808.000000"},
        {"Float -2^63", F(-9223372036854775808.0), kI64Min, kI32Min, -9223372036854775808.0,
         u"-9223372036854775808.000000"},
        {"Float inf", F(kInf), kI64Max, kI32Max, kInf, u"inf"},
        {"Float -inf", F(-kInf), kI64Min, kI32Min, -kInf, u"-inf"},
        // Other types.
        {"Array of 3", An(3), 3, 3, 3.0, u"3"},
        {"empty Array", An(0), 0, 0, 0.0, u"0"},
        {"Null", N(), 0, 0, 0.0, u""},
        {"Opcode", Op(12), 0, 0, 0.0, u""},
    };
    for (const ConvRow& r : rows) {
        SCOPED_TRACE(r.name);
        const std::string before = Describe(r.value);
        EXPECT_EQ(r.value.GetInt64(), r.i64);
        EXPECT_EQ(r.value.GetInt(), r.i32);
        EXPECT_EQ(Bits(r.value.GetFloat()), Bits(r.f)) << r.value.GetFloat() << " vs " << r.f;
        EXPECT_EQ(GxWideToUtf8(r.value.GetString()), GxWideToUtf8(r.text));
        EXPECT_EQ(Describe(r.value), before) << "a conversion changed the value";
    }
}

TEST(GxMoaVariable, NaNConvertsToZeroAndKeepsItsText)
{
    GxMoaVariable v = F(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(v.GetInt64(), 0);
    EXPECT_EQ(v.GetInt(), 0);
    EXPECT_TRUE(std::isnan(v.GetFloat()));
    EXPECT_EQ(v.GetString(), u"nan");
}

TEST(GxMoaVariable, HugeFloatsFormatWhole)
{
    // The widest double has 309 integer digits; none of them may be cut.
    GxMoaVariable v = F(std::numeric_limits<double>::max());
    std::u16string t = v.GetString();
    ASSERT_EQ(t.size(), 309u + 7u);
    EXPECT_EQ(t.substr(0, 17), u"17976931348623157");
    EXPECT_EQ(t.substr(309), u".000000");
    EXPECT_EQ(F(-std::numeric_limits<double>::max()).GetStringLength(), 317);
    // Around 1e62, where a 70-unit buffer would overflow.
    EXPECT_EQ(F(1e62).GetStringLength(), 63 + 7);
    EXPECT_EQ(F(-1e62).GetStringLength(), 64 + 7);
    // The smallest subnormal is 0 to six places.
    EXPECT_EQ(F(std::numeric_limits<double>::denorm_min()).GetString(), u"0.000000");
}

TEST(GxMoaVariable, LongDigitRunsParse)
{
    std::u16string many(5000, u'9');
    EXPECT_EQ(S(many).GetInt64(), kI64Max);
    EXPECT_EQ(S(u"-" + many).GetInt(), kI32Min);
    EXPECT_EQ(S(many).GetFloat(), kInf);
    std::u16string tiny = u"0." + std::u16string(400, u'0') + u"1";
    EXPECT_EQ(Bits(S(tiny).GetFloat()), Bits(0.0));
    std::u16string exact = u"0." + std::u16string(300, u'0') + u"1e301";
    EXPECT_EQ(S(exact).GetFloat(), 1.0);
}

TEST(GxMoaVariable, StringLength)
{
    EXPECT_EQ(S(u"abc").GetStringLength(), 3);
    EXPECT_EQ(S(u"\U0001D11E").GetStringLength(), 2);  // UTF-16 units
    EXPECT_EQ(I(-15).GetStringLength(), 3);
    EXPECT_EQ(F(1.0).GetStringLength(), 8);
    EXPECT_EQ(An(12).GetStringLength(), 2);
    EXPECT_EQ(N().GetStringLength(), 0);
    EXPECT_EQ(Op(3).GetStringLength(), 0);
}

TEST(GxMoaVariable, SettersReplaceTypeAndPayload)
{
    GxMoaVariable v;
    EXPECT_EQ(v.GetValueType(), VT::Null);
    EXPECT_EQ(v.GetValueTypeCode(), 254);
    v.SetString(u"text");
    EXPECT_EQ(v.GetValueTypeCode(), 25);
    v.SetInt64(-3);
    EXPECT_EQ(v.GetValueTypeCode(), 7);
    EXPECT_EQ(v.GetInt64(), -3);
    v.MakeArray(2);
    EXPECT_EQ(v.GetValueTypeCode(), 39);
    v.SetFloat(0.5);
    EXPECT_EQ(v.GetValueTypeCode(), 10);
    v.SetOpcode(-5);
    EXPECT_EQ(v.GetValueTypeCode(), 253);
    EXPECT_EQ(v.GetOpcode(), -5);
    v.SetString(static_cast<const char16_t*>(nullptr));
    EXPECT_EQ(v.GetValueType(), VT::Str);
    EXPECT_EQ(v.GetString(), u"");
    // A text ends at its first NUL, as it does when stored.
    v.SetString(std::u16string_view(u"a\0b", 3));
    EXPECT_EQ(v.GetString(), u"a");
    // Setting a value from its own text.
    v.SetString(u"self");
    v.SetString(v.GetStringView());
    EXPECT_EQ(v.GetString(), u"self");
    v.SetNull();
    EXPECT_EQ(v.GetValueType(), VT::Null);
}

// GetElement and SetArraySize, each row starting from a fresh value.
TEST(GxMoaVariable, ElementAndSizeTable)
{
    struct Row
    {
        const char* name;
        GxMoaVariable start;
        int op;  // 0 GetElement, 1 SetArraySize, 2 MakeArray
        int32_t arg;
        bool ok;  // element returned / size accepted
        std::string after;
    };
    const Row rows[] = {
        {"grow to index 5", A({I(1), I(2)}), 0, 5, true, "[Int(1),Int(2),Null,Null,Null,Null]"},
        {"inside, no growth", A({I(1), I(2), I(3)}), 0, 1, true, "[Int(1),Int(2),Int(3)]"},
        {"at the end", A({I(1)}), 0, 1, true, "[Int(1),Null]"},
        {"-1 on Int", I(4), 0, -1, true, "Int(4)"},
        {"-2 on Array", A({I(1)}), 0, -2, false, "[Int(1)]"},
        {"0 on Int", I(4), 0, 0, false, "Int(4)"},
        {"0 on Str", S(u"ab"), 0, 0, false, "Str(ab)"},
        {"0 on Null", N(), 0, 0, false, "Null"},
        {"past the limit", A({I(1)}), 0, GxMoaVariable::kMaxArraySize, false, "[Int(1)]"},
        {"int32 max", A({I(1)}), 0, kI32Max, false, "[Int(1)]"},
        {"shrink to 1", A({I(1), S(u"x"), An(2)}), 1, 1, true, "[Int(1)]"},
        {"shrink to 0", A({I(1)}), 1, 0, true, "[]"},
        {"grow to 3", A({I(7)}), 1, 3, true, "[Int(7),Null,Null]"},
        {"size on Str", S(u"abc"), 1, 1, true, "[Null]"},
        {"size on Int", I(9), 1, 2, true, "[Null,Null]"},
        {"negative size", A({I(1)}), 1, -1, false, "[Int(1)]"},
        {"negative size on Int", I(9), 1, -1, false, "Int(9)"},
        {"size past the limit", A({I(1)}), 1, GxMoaVariable::kMaxArraySize + 1, false, "[Int(1)]"},
        {"make on Array", A({I(1)}), 2, 2, true, "[Null,Null]"},
        {"make negative", S(u"s"), 2, -5, false, "Str(s)"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        LogCapture log;
        GxMoaVariable v(r.start);
        bool ok;
        if (r.op == 0) {
            GxMoaVariable* e = v.GetElement(r.arg);
            ok = e != nullptr;
            if (r.arg == -1) {
                EXPECT_EQ(e, &v);
            } else if (e) {
                EXPECT_EQ(e, v.GetElement(r.arg)) << "not the element at that index";
            }
        } else if (r.op == 1) {
            ok = v.SetArraySize(r.arg);
        } else {
            ok = v.MakeArray(r.arg);
        }
        EXPECT_EQ(ok, r.ok);
        EXPECT_EQ(Describe(v), r.after);
        // Refused sizes are reported; growth within the limit and plain misses are not.
        const bool refusedSize = !r.ok && (r.op != 0 || r.arg >= GxMoaVariable::kMaxArraySize);
        EXPECT_EQ(log.Has("GxMoaVariable"), refusedSize) << (log.lines.empty() ? "" : log.lines[0]);
    }
}

TEST(GxMoaVariable, ArrayGrowsToTheLimitExactly)
{
    GxMoaVariable v = An(1);
    ASSERT_NE(v.GetElement(GxMoaVariable::kMaxArraySize - 1), nullptr);
    EXPECT_EQ(v.GetArraySize(), GxMoaVariable::kMaxArraySize);
    EXPECT_EQ(v.GetElement(0)->GetInt64(), 0);
}

TEST(GxMoaVariable, DeepCopyOfNestedArrays)
{
    GxMoaVariable inner = A({I(1), S(u"two")});
    GxMoaVariable outer = A({inner, A({inner, F(2.5)}), S(u"tail")});
    const std::string original = Describe(outer);

    GxMoaVariable copy(outer);
    EXPECT_EQ(Describe(copy), original);
    copy.GetElement(0)->GetElement(1)->SetString(u"changed");
    copy.GetElement(1)->GetElement(0)->GetElement(0)->SetInt64(99);
    copy.GetElement(2)->SetArraySize(4);
    EXPECT_EQ(Describe(outer), original);

    GxMoaVariable assigned;
    assigned.Assign(outer);
    outer.GetElement(1)->GetElement(1)->SetFloat(-1.0);
    EXPECT_EQ(Describe(assigned), original);

    // Copies of each plain type keep type and payload.
    for (const GxMoaVariable& v : {I(-4), F(-0.0), S(u"s"), N(), Op(17)}) {
        GxMoaVariable c;
        c = v;
        EXPECT_EQ(Describe(c), Describe(v));
    }
}

TEST(GxMoaVariable, AssignFromItselfOrItsOwnElement)
{
    GxMoaVariable v = A({A({I(1), I(2)}), S(u"x")});
    v.Assign(v);
    EXPECT_EQ(Describe(v), "[[Int(1),Int(2)],Str(x)]");
    v.Assign(*v.GetElement(0));  // the source dies with the old content
    EXPECT_EQ(Describe(v), "[Int(1),Int(2)]");
    v = *v.GetElement(1);
    EXPECT_EQ(Describe(v), "Int(2)");

    GxMoaVariable w = A({S(u"inner"), I(3)});
    w = std::move(*w.GetElement(0));
    EXPECT_EQ(Describe(w), "Str(inner)");

    GxMoaVariable moved = A({I(5)});
    GxMoaVariable target(std::move(moved));
    EXPECT_EQ(Describe(target), "[Int(5)]");
    EXPECT_EQ(moved.GetValueType(), VT::Null);
}

// ---- stored form ----

std::string WriteValue(GxContentForm form, const GxMoaVariable& v, bool* ok = nullptr)
{
    return GxContentWriteToString(form, [&](GxContentWriterBase& w) {
        const bool r = v.Write(w);
        if (ok) *ok = r;
    });
}

// Reads one value from bytes of the given form; the value starts as start.
bool ReadValue(GxContentForm form, const std::string& bytes, GxMoaVariable& out, int* errors = nullptr)
{
    GxBinBuffer buffer;
    GxContentFillBuffer(buffer, bytes);
    std::unique_ptr<GxContentReaderBase> r;
    if (form == GxContentForm::Binary) r = std::make_unique<GxContentBinaryReader>(buffer);
    else r = std::make_unique<GxContentTextReader>(buffer);
    const bool ok = out.Read(*r);
    if (errors) *errors = r->GetErrorCount();
    return ok;
}

// A RefVar only ever comes from a stream.
GxMoaVariable MakeRefVar(std::u16string_view text)
{
    std::string bytes = GxContentWriteToString(GxContentForm::Binary, [&](GxContentWriterBase& w) {
        w.WriteGxU32Alt("m_ValueType", 250);
        w.WriteGxStringStdW("m_Str", std::u16string(text));
    });
    GxMoaVariable v;
    EXPECT_TRUE(ReadValue(GxContentForm::Binary, bytes, v));
    return v;
}

GxMoaVariable UnknownCode(uint32_t code)
{
    std::string bytes = GxContentWriteToString(GxContentForm::Binary,
                                               [&](GxContentWriterBase& w) { w.WriteGxU32Alt("m_ValueType", code); });
    GxMoaVariable v;
    EXPECT_TRUE(ReadValue(GxContentForm::Binary, bytes, v));
    return v;
}

TEST(GxMoaVariableStream, RoundTripOfEveryTypeInBothForms)
{
    const GxMoaVariable values[] = {
        I(0), I(-1), I(kI64Min), I(kI64Max),
        F(1.5), F(-0.0), F(0.0),
        F(FromBits(0x7FF8000000000000ULL)),  // quiet NaN
        F(FromBits(0xFFF8000000000000ULL)),  // negative quiet NaN
        F(FromBits(0x7FF0000000000001ULL)),  // signalling NaN
        F(FromBits(0x7FF8DEADBEEF0001ULL)),  // NaN with a payload
        F(std::numeric_limits<double>::infinity()), F(std::numeric_limits<double>::denorm_min()),
        F(-std::numeric_limits<double>::max()),
        S(u""), S(u"plain"), S(u"日本語の文"), S(u"\U0001D11E surrogate pair"), S(u"quote\" back\\ nl\n tab\t"),
        N(), Op(0), Op(51), Op(-5),
        An(0), An(3),
        A({A({I(1), A({S(u"deep"), F(-0.0)})}), N(), Op(7), S(u"x"), A({})}),
        MakeRefVar(u"ref name"), A({MakeRefVar(u"inside")}),
        UnknownCode(99),
    };
    for (GxContentForm form : {GxContentForm::Binary, GxContentForm::Text}) {
        for (const GxMoaVariable& v : values) {
            SCOPED_TRACE(std::string(form == GxContentForm::Binary ? "binary " : "text ") + Describe(v));
            bool wrote = false;
            std::string bytes = WriteValue(form, v, &wrote);
            EXPECT_TRUE(wrote);
            GxMoaVariable back = S(u"old content");
            int errors = -1;
            EXPECT_TRUE(ReadValue(form, bytes, back, &errors));
            EXPECT_EQ(errors, 0);
            EXPECT_EQ(Describe(back), Describe(v));
            EXPECT_EQ(back.GetValueTypeCode(), v.GetValueTypeCode());
        }
    }
    EXPECT_EQ(MakeRefVar(u"r").GetValueType(), VT::RefVar);
    EXPECT_EQ(UnknownCode(99).GetValueTypeCode(), 99);
}

TEST(GxMoaVariableStream, BinaryBytesAreFixed)
{
    // Code byte, then the payload big-endian; strings as UTF-8 with a count and a terminator.
    const std::string want = std::string("\x06\x00\x00\x00\x27", 5) +                 // m_ValueType 39
                             std::string("\x05\x00\x00\x00\x04", 5) +                 // m_ArraySize 4
                             std::string("\x06\x00\x00\x00\x0A", 5) +                 // Float
                             std::string("\x07\x80\x00\x00\x00\x00\x00\x00\x00", 9) +  // -0.0's bits
                             std::string("\x06\x00\x00\x00\x19", 5) +                 // Str
                             std::string("\x1A\x00\x00\x00\x03\xE3\x81\x82\x00", 9) +  // "あ"
                             std::string("\x06\x00\x00\x00\xFD", 5) +                 // Opcode
                             std::string("\x07\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFE", 9) +  // -2
                             std::string("\x06\x00\x00\x00\xFE", 5);                  // Null
    EXPECT_EQ(WriteValue(GxContentForm::Binary, A({F(-0.0), S(u"あ"), Op(-2), N()})), want);
}

TEST(GxMoaVariableStream, TextFormNamesTheFields)
{
    std::string text = WriteValue(GxContentForm::Text, A({I(3), F(2.0), S(u"s"), Op(1)}));
    for (const char* key : {"m_ValueType", "m_ArraySize", "m_IntOfFloat", "m_Str", "m_Int"})
        EXPECT_NE(text.find(key), std::string::npos) << key << " in " << text;
}

TEST(GxMoaVariableStream, FailedReadsKeepWhatWasRead)
{
    const std::string full = WriteValue(GxContentForm::Binary, A({I(1), S(u"second"), I(3)}));
    // Cut inside the second element's text.
    {
        GxContentLogCapture log;
        GxMoaVariable v = I(42);
        EXPECT_FALSE(ReadValue(GxContentForm::Binary, full.substr(0, 30), v));
        ASSERT_EQ(v.GetValueType(), VT::Array);
        ASSERT_GE(v.GetArraySize(), 1);
        EXPECT_LE(v.GetArraySize(), 2);
        EXPECT_EQ(Describe(*v.GetElement(0)), "Int(1)");
        EXPECT_FALSE(log.Lines().empty());
    }
    // Nothing at all.
    {
        GxContentLogCapture log;
        GxMoaVariable v = S(u"gone");
        EXPECT_FALSE(ReadValue(GxContentForm::Binary, std::string(), v));
        EXPECT_EQ(Describe(v), "Null");
    }
    // The type stored with the wrong width.
    {
        GxContentLogCapture log;
        std::string bytes = GxContentWriteToString(GxContentForm::Binary, [](GxContentWriterBase& w) {
            w.WriteGxS32Alt("m_ValueType", 7);
            w.WriteGxS64("m_IntOfFloat", 5);
        });
        GxMoaVariable v = I(1);
        EXPECT_FALSE(ReadValue(GxContentForm::Binary, bytes, v));
        EXPECT_EQ(v.GetValueType(), VT::Null);
    }
    // The text form checks names.
    {
        GxContentLogCapture log;
        std::string bytes = GxContentWriteToString(GxContentForm::Text, [](GxContentWriterBase& w) {
            w.WriteGxU32Alt("m_ValueType", 7);
            w.WriteGxS64("m_Int", 5);
        });
        GxMoaVariable v;
        EXPECT_FALSE(ReadValue(GxContentForm::Text, bytes, v));
        EXPECT_EQ(v.GetValueType(), VT::Int);
        EXPECT_EQ(v.GetInt64(), 0);
    }
}

TEST(GxMoaVariableStream, ArraySizesAreBoundedByLimitAndData)
{
    auto arrayOf = [](int32_t count, int elements) {
        return GxContentWriteToString(GxContentForm::Binary, [&](GxContentWriterBase& w) {
            w.WriteGxU32Alt("m_ValueType", 39);
            w.WriteGxS32Alt("m_ArraySize", count);
            for (int i = 0; i < elements; ++i) I(i).Write(w);
        });
    };
    struct Row
    {
        const char* name;
        int32_t count;
        int elements;
        bool ok;
        int size;
        const char* log;
    };
    const Row rows[] = {
        {"exact", 2, 2, true, 2, nullptr},
        {"empty", 0, 0, true, 0, nullptr},
        {"negative", -1, 0, false, 0, "array size out of range"},
        {"past the limit", GxMoaVariable::kMaxArraySize + 1, 1, false, 0, "array size out of range"},
        {"int32 max", std::numeric_limits<int32_t>::max(), 0, false, 0, "array size out of range"},
        {"more than the data", GxMoaVariable::kMaxArraySize, 2, false, 3, nullptr},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        GxContentLogCapture log;
        GxMoaVariable v;
        EXPECT_EQ(ReadValue(GxContentForm::Binary, arrayOf(r.count, r.elements), v), r.ok);
        EXPECT_EQ(v.GetValueType(), VT::Array);
        EXPECT_EQ(v.GetArraySize(), r.size);
        if (r.log) {
            EXPECT_NE(log.Joined().find(r.log), std::string::npos) << log.Joined();
        }
        if (r.ok) {
            EXPECT_TRUE(log.Lines().empty()) << log.Joined();
        }
    }
}

TEST(GxMoaVariableStream, NestingDepthIsBounded)
{
    auto nested = [](int depth) {
        return GxContentWriteToString(GxContentForm::Binary, [&](GxContentWriterBase& w) {
            for (int i = 0; i < depth; ++i) {
                w.WriteGxU32Alt("m_ValueType", 39);
                w.WriteGxS32Alt("m_ArraySize", 1);
            }
            I(7).Write(w);
        });
    };
    {
        GxMoaVariable v;
        EXPECT_TRUE(ReadValue(GxContentForm::Binary, nested(1024), v));
        const GxMoaVariable* p = &v;
        int depth = 0;
        while (p->GetValueType() == VT::Array) {
            p = const_cast<GxMoaVariable*>(p)->GetElement(0);
            ++depth;
        }
        EXPECT_EQ(depth, 1024);
        EXPECT_EQ(p->GetInt64(), 7);
    }
    {
        GxContentLogCapture log;
        GxMoaVariable v;
        EXPECT_FALSE(ReadValue(GxContentForm::Binary, nested(100000), v));
        EXPECT_NE(log.Joined().find("nested too deeply"), std::string::npos);
    }
}

TEST(GxMoaVariableStream, WriteReportsAFailingStream)
{
    struct stat st;
    if (stat("/dev/full", &st) != 0 || !S_ISCHR(st.st_mode)) GTEST_SKIP() << "/dev/full is not the full-disk device";
    FILE* f = fopen("/dev/full", "wb");
    ASSERT_NE(f, nullptr);
    setvbuf(f, nullptr, _IONBF, 0);
    bool ok;
    {
        GxContentLogCapture log;
        GxContentBinaryWriter w(f);
        ok = A({S(u"text"), I(1)}).Write(w);
    }
    fclose(f);
    EXPECT_FALSE(ok);
}

}  // namespace
