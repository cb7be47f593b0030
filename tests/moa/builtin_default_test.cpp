#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <optional>

#include "core/GxFile.h"
#include "core/GxString.h"
#include "moa/GxMoaBuiltinDefault.h"
#include "moa/GxMoaWorker.h"
#include "platform/GxLocale.h"
#include "tests/moa/moa_run_test_util.h"
#include "tests/support/GxMoaPackageBuilder.h"

namespace {

GxMoaVariable I(int64_t v) { GxMoaVariable x; x.SetInt64(v); return x; }
GxMoaVariable F(double v) { GxMoaVariable x; x.SetFloat(v); return x; }
GxMoaVariable S(const char16_t* v) { GxMoaVariable x; x.SetString(v); return x; }

class BuiltinTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GxMoaPackageBuilder b;
        ASSERT_TRUE(b.AddScript(u"MAIN", "*MAIN\nint(1)\n*@local\n*SUB\nint(2)\nEXTERN INGAME ext = 5\n")) << b.GetErrors();
        ASSERT_TRUE(b.LoadInto(program));
        program.InitExternVariables();
        worker.CreateScriptEntities();
    }

    // Calls the builtin with the arguments as an Array; ok receives the call's result.
    GxMoaVariable Call(int32_t index, std::initializer_list<GxMoaVariable> list, bool* ok = nullptr)
    {
        GxMoaVariable args;
        args.MakeArray(static_cast<int32_t>(list.size()));
        int32_t k = 0;
        for (const GxMoaVariable& v : list) args.SetElement(k++, v);
        return CallWith(index, args, ok);
    }
    GxMoaVariable CallWith(int32_t index, GxMoaVariable& args, bool* ok = nullptr)
    {
        GxMoaVariable result;
        const bool r = builtins.CallBuiltin(u"name", index, args, worker, nullptr, worker.GetExecStack(), result);
        if (ok) *ok = r;
        return result;
    }

    CaptureMoa program;
    GxMoaWorker worker{&program};
    GxMoaBuiltinDefault builtins;
};

// Sets TZ for the scope of a test and restores it.
class ScopedTz
{
public:
    explicit ScopedTz(const char* tz)
    {
        if (const char* old = std::getenv("TZ")) m_Old = old;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ScopedTz()
    {
        if (m_Old) setenv("TZ", m_Old->c_str(), 1); else unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> m_Old;
};

}  // namespace

TEST_F(BuiltinTest, ConversionsAndTypeTests)
{
    GxMoaVariable arr;
    arr.MakeArray(4);
    EXPECT_EQ(Call(1, {S(u"12abc")}).GetInt64(), 12);
    EXPECT_EQ(Call(1, {arr}).GetInt64(), 4);
    GxMoaVariable empty;
    empty.MakeArray(0);
    GxMoaVariable r = CallWith(1, empty);
    EXPECT_EQ(r.GetValueType(), GxMoaValueType::Int);
    EXPECT_EQ(r.GetInt64(), 0);
    EXPECT_EQ(Call(2, {S(u"1.5")}).GetValueType(), GxMoaValueType::Float);
    EXPECT_EQ(Call(3, {F(0.5)}).GetString(), u"0.500000");
    EXPECT_EQ(Call(4, {arr}).GetInt64(), 1);
    EXPECT_EQ(Call(4, {I(3)}).GetInt64(), 0);
    EXPECT_EQ(Call(5, {arr}).GetInt64(), 4);
    EXPECT_EQ(Call(5, {I(3)}).GetInt64(), 0);
    // Arguments that are no Array: nothing happens, the call succeeds.
    GxMoaVariable notArray = I(5);
    bool ok = false;
    EXPECT_TRUE(CallWith(1, notArray, &ok).IsNull());
    EXPECT_TRUE(ok);
}

TEST_F(BuiltinTest, StringFunctions)
{
    const struct { int32_t start; std::optional<int32_t> length; const char16_t* expect; } substr[] = {
        {2, 3, u"cde"}, {2, -1, u"cdef"}, {2, std::nullopt, u""}, {6, 1, u""}, {0, 100, u"abcdef"},
        {-3, 2, u"ab"}, {9, 2, u""}, {5, 1, u"f"},
    };
    for (const auto& c : substr) {
        GxMoaVariable r = c.length ? Call(12, {S(u"abcdef"), I(c.start), I(*c.length)}) : Call(12, {S(u"abcdef"), I(c.start)});
        EXPECT_EQ(r.GetValueType(), GxMoaValueType::Str);
        EXPECT_EQ(r.GetString(), c.expect) << c.start;
    }
    const struct { const char16_t* search; std::optional<int64_t> start; int64_t expect; } find[] = {
        {u"c", 3, 5}, {u"c", std::nullopt, 2}, {u"x", 0, -1}, {u"c", -10, 2}, {u"c", 99, -1}, {u"", 99, 6},
        {u"abc", 1, 3},
    };
    for (const auto& c : find) {
        GxMoaVariable r = c.start ? Call(15, {S(u"abcabc"), S(c.search), I(*c.start)}) : Call(15, {S(u"abcabc"), S(c.search)});
        EXPECT_EQ(r.GetInt64(), c.expect);
    }
    EXPECT_EQ(Call(11, {S(u"日本語ab")}).GetInt64(), 5);
    EXPECT_EQ(Call(13, {S(u"AbC日")}).GetString(), u"abc日");
    EXPECT_EQ(Call(14, {S(u"aBc日")}).GetString(), u"ABC日");
    EXPECT_EQ(Call(16, {S(u"MAIN"), S(u"@LOCAL")}).GetInt64(), 1);   // compared in lower case
    EXPECT_EQ(Call(16, {S(u"MAIN"), S(u"@none")}).GetInt64(), 0);
    EXPECT_EQ(Call(16, {S(u"NOPE"), S(u"@local")}).GetInt64(), 0);
}

TEST_F(BuiltinTest, MathAndUnknownIndices)
{
    EXPECT_EQ(Call(100, {I(-9)}).GetInt64(), -1);
    EXPECT_EQ(Call(100, {I(0)}).GetInt64(), 0);
    EXPECT_EQ(Call(101, {I(-9)}).GetInt64(), 9);
    EXPECT_EQ(Call(101, {I(INT64_MIN)}).GetInt64(), INT64_MIN);
    EXPECT_EQ(Call(102, {F(-0.5)}).GetFloat(), -1.0);
    EXPECT_EQ(Call(103, {F(-2.5)}).GetFloat(), 2.5);
    EXPECT_EQ(Call(104, {I(-7), I(3)}).GetFloat(), -1.0);
    const GxMoaVariable p = Call(105, {I(2), I(10)});
    EXPECT_EQ(p.GetValueType(), GxMoaValueType::Float);
    EXPECT_EQ(p.GetFloat(), 1024.0);
    EXPECT_EQ(Call(106, {I(16)}).GetFloat(), 4.0);
    EXPECT_DOUBLE_EQ(Call(107, {I(1)}).GetFloat(), std::exp(1.0));
    EXPECT_TRUE(std::isnan(Call(106, {I(-1)}).GetFloat()));
    EXPECT_EQ(Call(108, {I(0)}).GetFloat(), -HUGE_VAL);
    EXPECT_TRUE(std::isnan(Call(104, {I(1), I(0)}).GetFloat()));
    for (int32_t index : {0, -1, 18, 19, 33, 50, 63, 72, 99, 109, 300}) {
        bool ok = true;
        EXPECT_TRUE(Call(index, {I(1)}, &ok).IsNull());
        EXPECT_FALSE(ok) << index;
    }
}

TEST_F(BuiltinTest, TimePartsFollowTheProcessTimeZone)
{
    const int64_t t = 1700000000;   // 2023-11-14 22:13:20 UTC, a Tuesday
    const struct { const char* tz; const char16_t* name; int64_t bias; std::vector<int64_t> parts; } cases[] = {
        {"UTC", u"UTC", 0, {2023, 11, 14, 22, 13, 20, 2, 317}},
        {"Asia/Tokyo", u"JST", -540, {2023, 11, 15, 7, 13, 20, 3, 318}},
    };
    for (const auto& c : cases) {
        ScopedTz tz(c.tz);
        for (int32_t i = 0; i < 8; ++i) EXPECT_EQ(Call(24 + i, {I(t)}).GetInt64(), c.parts[i]) << c.tz << " index " << 24 + i;
        EXPECT_EQ(Call(21, {}).GetString(), c.name);
        EXPECT_EQ(Call(22, {}).GetInt64(), c.bias);
        // A time the conversion rejects gives 0 for every part and no failure.
        for (int32_t i = 0; i < 8; ++i) {
            bool ok = false;
            EXPECT_EQ(Call(24 + i, {I(INT64_MAX)}, &ok).GetInt64(), 0);
            EXPECT_TRUE(ok);
        }
    }
    GxSetTimeNowFunc([] { return int64_t{1234567890}; });
    EXPECT_EQ(Call(23, {}).GetInt64(), 1234567890);
    GxSetTimeNowFunc(nullptr);
    EXPECT_EQ(Call(32, {}).GetString(), GxGetCurrentDirectory());
}

TEST(GxLocale, PosixNamesMapToLanguageIdentifiers)
{
    const struct { const char* name; uint32_t id; } cases[] = {
        {"ja_JP.UTF-8", 0x0411}, {"ja_JP", 0x0411}, {"en_US.UTF-8", 0x0409}, {"en_GB.ISO-8859-1@euro", 0x0809},
        {"de_AT", 0x0C07}, {"fr_LU", 0x040C}, {"zh_TW.Big5", 0x0404}, {"C", 0x0409}, {"POSIX", 0x0409},
        {"", 0x0409}, {"xx_YY", 0x0409}, {"C.UTF-8", 0x0409},
    };
    for (const auto& c : cases) EXPECT_EQ(GxLocaleNameToLcid(c.name), c.id) << c.name;
}

TEST_F(BuiltinTest, LocaleFromTheEnvironment)
{
    std::optional<std::string> old;
    if (const char* v = std::getenv("LC_ALL")) old = v;
    setenv("LC_ALL", "ja_JP.UTF-8", 1);
    EXPECT_EQ(Call(20, {}).GetInt64(), 0x0411);
    setenv("LC_ALL", "ko_KR.UTF-8", 1);
    EXPECT_EQ(Call(20, {}).GetInt64(), 0x0412);
    if (old) setenv("LC_ALL", old->c_str(), 1); else unsetenv("LC_ALL");
}

TEST_F(BuiltinTest, JumpsCallsReturnsAndExit)
{
    ASSERT_TRUE(worker.StartAtLabel(u"MAIN", nullptr));
    bool ok = false;
    // An empty label in a conditional jump does nothing.
    Call(65, {I(0), S(u"SUB"), S(u"")}, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(worker.GetExecStack().size(), 1u);
    EXPECT_EQ(worker.GetExecStack().back().m_Pos.m_Line, 0);
    // A missing label is reported and stops the script.
    Call(65, {I(1), S(u"NOWHERE"), S(u"")}, &ok);
    EXPECT_FALSE(ok);
    ASSERT_EQ(program.errors.size(), 1u);
    EXPECT_EQ(program.errors[0].text, u"name:飛び先のラベルが見つかりません[NOWHERE]");
    EXPECT_TRUE(program.IsErrorStop());
    program.ResetRunState();

    // A call with an argument, a return with a value, then the result.
    EXPECT_TRUE(Call(71, {}).IsNull());
    Call(66, {S(u"SUB"), I(42)}, &ok);
    EXPECT_TRUE(ok);
    ASSERT_EQ(worker.GetExecStack().size(), 2u);
    const GxMoaVariableSet* arg = worker.GetExecStack().back().m_Variables.FindVariable(u"_");
    ASSERT_NE(arg, nullptr);
    EXPECT_EQ(arg->m_Value.GetInt64(), 42);
    Call(69, {I(0), I(1)});   // the condition is false: nothing
    EXPECT_EQ(worker.GetExecStack().size(), 2u);
    Call(68, {I(7)});
    EXPECT_EQ(worker.GetExecStack().size(), 1u);
    EXPECT_EQ(Call(71, {}).GetInt64(), 7);
    Call(67, {I(1), S(u"SUB"), S(u"")}, &ok);
    EXPECT_TRUE(ok);
    Call(69, {I(1), S(u"r")});
    EXPECT_EQ(Call(71, {}).GetString(), u"r");
    Call(64, {S(u"SUB")}, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(worker.GetExecStack().size(), 1u);
    Call(70, {I(3)});
    EXPECT_FALSE(worker.IsRunning());
    EXPECT_EQ(Call(71, {}).GetInt64(), 3);
}

TEST_F(BuiltinTest, DumpWritesUtf16WithBomAndCrLf)
{
    const std::string path = ::testing::TempDir() + "moa_builtin_dump.txt";
    std::filesystem::remove(path);
    ASSERT_TRUE(worker.StartAtLabel(u"MAIN", nullptr));
    Call(17, {S(GxUtf8ToWide(path).c_str())});
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(static_cast<uint8_t>(bytes[0]), 0xFF);
    EXPECT_EQ(static_cast<uint8_t>(bytes[1]), 0xFE);
    std::u16string text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8)));
    EXPECT_EQ(text.rfind(u"--MoaInstance:\r\nScope:EXTERN_INGAME\r\n$ext=5(Int)\r\n----Worker:MAIN_WORKER\r\n", 0), 0u)
        << GxWideToUtf8(text);
    EXPECT_NE(text.find(u"------ExecStack:0\r\n"), std::u16string::npos);
    EXPECT_EQ(text.find(u"\n\n"), std::u16string::npos);   // no bare line feed
    // A file that cannot be opened is no failure.
    bool ok = false;
    Call(17, {S(u"/nonexistent-folder/x/dump.txt")}, &ok);
    EXPECT_TRUE(ok);
}

TEST_F(BuiltinTest, TraceAndLogTextIsNeverAFormat)
{
    Call(6, {S(u"50% %s")});
    ASSERT_EQ(program.traces.size(), 1u);
    EXPECT_EQ(program.traces[0], u"50% %s");
}
