// The byte-level helpers of the content stream: they must agree exactly with the string
// conversions and the C library they stand in for.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "core/GxContentFormat.h"
#include "core/GxString.h"
#include "tests/support/GxContentFixture.h"

namespace {

TEST(ContentFormat, SkipTableAndNames)
{
    struct Case { int code; int payload; };
    const Case cases[] = {{1, 1}, {2, 1}, {11, 1}, {3, 2}, {4, 2}, {5, 4}, {6, 4}, {9, 4}, {21, 4},
                          {7, 8}, {8, 8}, {10, 8}, {12, 8}, {50, 8}, {13, 12}, {51, 12}, {14, 16},
                          {15, 16}, {16, 16}, {18, 16}, {19, 16}, {20, 16}, {52, 16}, {17, 64},
                          {24, -1}, {26, -1}, {27, -1}, {32, -1}, {33, -1}, {37, -1}, {0, -1}, {255, -1}};
    for (const Case& c : cases) EXPECT_EQ(GxContentFixedPayload(c.code), c.payload) << c.code;
    EXPECT_STREQ(GxContentValueTypeName(VALTYPE_TreeStratumEnd), "VALTYPE_TreeStratumEnd");
    EXPECT_STREQ(GxContentValueTypeName(VALTYPE_GxPoint4), "VALTYPE_GxPoint4");
    EXPECT_EQ(GxContentValueTypeName(20), nullptr);
}

// The appending conversions must give what the string layer gives, on valid and broken input.
TEST(ContentFormat, ConversionsMatchStringLayer)
{
    std::mt19937 rng(12345);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes;
        std::u16string wide;
        int len = rng() % 12;
        for (int i = 0; i < len; ++i) {
            uint32_t pick = rng() % 6;
            // Bias towards the interesting ranges: ASCII, lead and continuation bytes, surrogates.
            bytes.push_back(static_cast<char>(pick == 0 ? rng() % 0x80 : pick == 1 ? 0x80 + rng() % 0x40
                                              : pick == 2 ? 0xC0 + rng() % 0x40 : rng() % 256));
            wide.push_back(static_cast<char16_t>(pick == 0 ? rng() % 0x80 : pick == 1 ? 0xD800 + rng() % 0x800
                                                 : pick == 2 ? 0x3000 + rng() % 0x100 : rng() % 0x10000));
        }
        std::u16string w(u"x");
        GxContentAppendWide(w, bytes);
        EXPECT_EQ(w, u"x" + GxUtf8ToWide(bytes));
        std::string u("y");
        GxContentAppendUtf8(u, wide);
        EXPECT_EQ(u, "y" + GxWideToUtf8(wide));
    }
}

TEST(ContentFormat, IntegerParsingFollowsTheCLibrary)
{
    auto s = [](const char* t, int base, int bits) { return GxContentParseSigned(t, t + strlen(t), base, bits); };
    auto u = [](const char* t, int base, int bits) { return GxContentParseUnsigned(t, t + strlen(t), base, bits); };
    // In range, the answers are those of strtoll/strtoull.
    for (const char* t : {"0", "12", "-12", "  +7x", " \v-0", "abc", "", "-", "2147483647", "-2147483648", "0x1f"})
        EXPECT_EQ(s(t, 10, 64), strtoll(t, nullptr, 10)) << t;
    for (const char* t : {"1a", "0x1a", "0X1A", "0x", "-1f", " ff", "0xg", "zz"})
        EXPECT_EQ(s(t, 16, 64), strtoll(t, nullptr, 16)) << t;
    for (const char* t : {"5", "-1", "18446744073709551615", "18446744073709551616", "-18446744073709551615"})
        EXPECT_EQ(u(t, 10, 64), strtoull(t, nullptr, 10)) << t;
    // "long" is 32 bits: out-of-range values saturate as they did where the files were made.
    EXPECT_EQ(s("99999999999", 10, 32), INT32_MAX);
    EXPECT_EQ(s("-99999999999", 10, 32), INT32_MIN);
    EXPECT_EQ(s("-2147483648", 10, 32), INT32_MIN);
    EXPECT_EQ(u("4294967296", 10, 32), 0xFFFFFFFFu);
    EXPECT_EQ(u("-1", 10, 32), 0xFFFFFFFFu);
    EXPECT_EQ(u("-4294967295", 10, 32), 1u);
    EXPECT_EQ(s("99999999999999999999999", 10, 64), INT64_MAX);
    // The parse never reads past the end it is given.
    const char digits[] = {'1', '2', '3'};
    EXPECT_EQ(GxContentParseSigned(digits, digits + 2, 10, 32), 12);
}

TEST(ContentFormat, FloatParsingFollowsAtof)
{
    for (const char* t : {"0.5", "  -1.25e3xyz", "+.5", "5.", "1e", "nan", "-inf", "Infinity", "0x1p4", "-0x.8",
                          "0x", "abc", "", "1e-320", "1e400", "-1e400", "1e-400", "123456.789000"}) {
        double mine = GxContentParseDouble(t, t + strlen(t));
        double ref = atof(t);
        if (std::isnan(ref)) EXPECT_TRUE(std::isnan(mine)) << t;
        else EXPECT_EQ(mine, ref) << t;
    }
}

// The text form's "%f" is printf's, in any locale.
TEST(ContentFormat, FloatTextMatchesPrintf)
{
    std::mt19937_64 rng(777);
    std::string text = GxContentWriteToString(GxContentForm::Text, [&](GxContentWriterBase& w) {
        std::mt19937_64 gen(777);
        for (int i = 0; i < 2000; ++i) {
            uint64_t bits = gen();
            w.WriteGxF32("f", GxBitsFloat(static_cast<uint32_t>(bits)));
            double d = GxBitsDouble(bits);
            w.WriteGxF64("d", i % 2 ? d : static_cast<double>(static_cast<int64_t>(bits % 2000001) - 1000000) / 1e7);
        }
    });
    std::string expect;
    char buf[512];
    for (int i = 0; i < 2000; ++i) {
        uint64_t bits = rng();
        snprintf(buf, sizeof buf, "09\tf\t%f\n", static_cast<double>(GxBitsFloat(static_cast<uint32_t>(bits))));
        expect += buf;
        double d = i % 2 ? GxBitsDouble(bits) : static_cast<double>(static_cast<int64_t>(bits % 2000001) - 1000000) / 1e7;
        snprintf(buf, sizeof buf, "0a\td\t%f\n", d);
        expect += buf;
    }
    EXPECT_EQ(text, expect);
}

}  // namespace
