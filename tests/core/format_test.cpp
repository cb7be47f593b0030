// The type-checked printf-style formatter: conversions, widths, string kinds, and the cases where
// the format and the values disagree.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "core/GxFormat.h"
#include "core/GxString.h"

extern char** environ;

namespace {

struct WideCase
{
    const char* what;
    std::u16string got;
    std::u16string want;
};

struct NarrowCase
{
    const char* what;
    std::string got;
    std::string want;
};

void CheckWide(const std::vector<WideCase>& cases)
{
    for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
}

void CheckNarrow(const std::vector<NarrowCase>& cases)
{
    for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
}

TEST(GxFormat, IntegerConversions)
{
    CheckWide({
        {"%d negative", GxFormatString(u"%d", -5), u"-5"},
        {"%i", GxFormatString(u"%i", 17), u"17"},
        {"%5d", GxFormatString(u"[%5d]", 42), u"[   42]"},
        {"%-5d", GxFormatString(u"[%-5d]", 42), u"[42   ]"},
        {"%05d negative", GxFormatString(u"[%05d]", -42), u"[-0042]"},
        {"%-05d: left wins over zero", GxFormatString(u"[%-05d]", 7), u"[7    ]"},
        {"%+d", GxFormatString(u"%+d", 3), u"+3"},
        {"% d", GxFormatString(u"% d", 3), u" 3"},
        {"%.3d", GxFormatString(u"%.3d", 7), u"007"},
        {"%5.3d ignores zero flag", GxFormatString(u"[%05.3d]", 7), u"[  007]"},
        {"%*d", GxFormatString(u"[%*d]", 4, 9), u"[   9]"},
        {"%-*d via negative width", GxFormatString(u"[%*d]", -4, 9), u"[9   ]"},
        {"%x", GxFormatString(u"%x", 255), u"ff"},
        {"%X", GxFormatString(u"%X", 0xBEEF), u"BEEF"},
        {"%#x", GxFormatString(u"%#x", 255), u"0xff"},
        {"%#X", GxFormatString(u"%#X", 255), u"0XFF"},
        {"%#x of 0 has no prefix", GxFormatString(u"%#x", 0), u"0"},
        {"%08X", GxFormatString(u"%08X", 0xABCu), u"00000ABC"},
        {"%o", GxFormatString(u"%o", 8), u"10"},
        {"%d of INT_MIN", GxFormatString(u"%d", INT32_MIN), u"-2147483648"},
        {"%d of uint32 max reads it as int", GxFormatString(u"%d", 0xFFFFFFFFu), u"-1"},
        {"%hd narrows", GxFormatString(u"%hd", 70000), u"4464"},
        {"%hu of -1", GxFormatString(u"%hu", -1), u"65535"},
        {"bool", GxFormatString(u"%d%d", true, false), u"10"},
    });
}

TEST(GxFormat, UnsignedOfNegativesFollowsArgumentWidth)
{
    CheckWide({
        {"%u int8", GxFormatString(u"%u", static_cast<int8_t>(-1)), u"4294967295"},
        {"%u int16", GxFormatString(u"%u", static_cast<int16_t>(-1)), u"4294967295"},
        {"%u int32", GxFormatString(u"%u", -1), u"4294967295"},
        {"%u int64", GxFormatString(u"%u", static_cast<int64_t>(-1)), u"18446744073709551615"},
        {"%x int32", GxFormatString(u"%x", -1), u"ffffffff"},
        {"%x int64", GxFormatString(u"%x", static_cast<int64_t>(-2)), u"fffffffffffffffe"},
        {"%X int16", GxFormatString(u"%X", static_cast<int16_t>(-1)), u"FFFFFFFF"},
        {"%u uint16", GxFormatString(u"%u", static_cast<uint16_t>(65535)), u"65535"},
    });
}

TEST(GxFormat, SixtyFourBit)
{
    CheckWide({
        {"%I64d min", GxFormatString(u"%I64d", INT64_MIN), u"-9223372036854775808"},
        {"%I64d max", GxFormatString(u"%I64d", INT64_MAX), u"9223372036854775807"},
        {"%I64u max", GxFormatString(u"%I64u", UINT64_MAX), u"18446744073709551615"},
        {"%I64d of a 32-bit -1", GxFormatString(u"%I64d", -1), u"-1"},
        {"%I64u of a 32-bit -1 widens first", GxFormatString(u"%I64u", -1), u"18446744073709551615"},
        {"%I64x", GxFormatString(u"%I64x", static_cast<uint64_t>(1) << 40), u"10000000000"},
        {"%lld", GxFormatString(u"%lld", static_cast<int64_t>(1) << 40), u"1099511627776"},
        {"%llu", GxFormatString(u"%llu", static_cast<uint64_t>(-3)), u"18446744073709551613"},
        {"%I64d then more", GxFormatString(u"%I64d/%d", static_cast<int64_t>(5000000000), 7), u"5000000000/7"},
        {"%I32d truncates", GxFormatString(u"%I32d", static_cast<int64_t>(0x100000005)), u"5"},
    });
    CheckNarrow({
        {"narrow %I64d", GxFormatNarrow("%I64d", static_cast<int64_t>(-5000000000)), "-5000000000"},
        {"narrow %lld", GxFormatNarrow("%lld", INT64_MAX), "9223372036854775807"},
    });
}

TEST(GxFormat, FloatingConversions)
{
    CheckWide({
        {"%f", GxFormatString(u"%f", 1.5), u"1.500000"},
        {"%f float", GxFormatString(u"%f", 0.25f), u"0.250000"},
        {"%.2f", GxFormatString(u"%.2f", 3.14159), u"3.14"},
        {"%.2f binary rounding", GxFormatString(u"%.2f", 2.675), u"2.67"},
        {"%.0f half to even", GxFormatString(u"%.0f %.0f", 0.5, 1.5), u"0 2"},
        {"%8.3f", GxFormatString(u"[%8.3f]", -1.5), u"[  -1.500]"},
        {"%08.3f", GxFormatString(u"[%08.3f]", -1.5), u"[-001.500]"},
        {"%-8.1f", GxFormatString(u"[%-8.1f]", 2.0), u"[2.0     ]"},
        {"%+.1f", GxFormatString(u"%+.1f", 2.0), u"+2.0"},
        {"%f of -0", GxFormatString(u"%.1f", -0.0), u"-0.0"},
        {"%f large", GxFormatString(u"%.0f", 1e20), u"100000000000000000000"},
        {"%e", GxFormatString(u"%e", 12345.678), u"1.234568e+04"},
        {"%E", GxFormatString(u"%.2E", 0.000123), u"1.23E-04"},
        {"%.3e of 0", GxFormatString(u"%.3e", 0.0), u"0.000e+00"},
        {"%g small", GxFormatString(u"%g", 0.0001), u"0.0001"},
        {"%g smaller", GxFormatString(u"%g", 0.00001), u"1e-05"},
        {"%g large", GxFormatString(u"%g", 123456789.0), u"1.23457e+08"},
        {"%g trims zeros", GxFormatString(u"%g", 100.0), u"100"},
        {"%g", GxFormatString(u"%g", 0.5), u"0.5"},
        {"%.3g", GxFormatString(u"%.3g", 3.14159), u"3.14"},
        {"%#g keeps zeros", GxFormatString(u"%#g", 1.0), u"1.00000"},
        {"%#.3g large", GxFormatString(u"%#.3g", 12345.0), u"1.23e+04"},
        {"%G", GxFormatString(u"%G", 1e-10), u"1E-10"},
        {"inf", GxFormatString(u"%f", HUGE_VAL), u"inf"},
        {"-inf padded with blanks", GxFormatString(u"[%06f]", -HUGE_VAL), u"[  -inf]"},
        {"nan", GxFormatString(u"%F", std::nan("")), u"NAN"},
        {"%f of an int converts", GxFormatString(u"%f", 3), u"3.000000"},
        {"%d of a double truncates", GxFormatString(u"%d", 2.9), u"2"},
        {"%d of a huge double saturates", GxFormatString(u"%I64d", 1e30), u"9223372036854775807"},
        {"%d of nan", GxFormatString(u"%d", std::nan("")), u"0"},
    });
    CheckNarrow({
        {"narrow %.3f", GxFormatNarrow("%.3f", 2.5), "2.500"},
        {"narrow %e", GxFormatNarrow("%e", -1.0), "-1.000000e+00"},
    });
}

TEST(GxFormat, StringKindsInAWideFormat)
{
    const std::u16string wide = u"テスト";
    const std::string sjisSo = "\x83\x5C";  // "ソ" in CP932: its trail byte is the backslash code
    CheckWide({
        {"%s wide literal", GxFormatString(u"<%s>", u"テスト"), u"<テスト>"},
        {"%s u16string", GxFormatString(u"<%s>", wide), u"<テスト>"},
        {"%s u16string_view", GxFormatString(u"<%s>", std::u16string_view(wide).substr(1)), u"<スト>"},
        {"%S narrow ASCII", GxFormatString(u"<%S>", "abc"), u"<abc>"},
        {"%S narrow CP932", GxFormatString(u"<%S>", sjisSo), u"<ソ>"},
        {"%S narrow std::string", GxFormatString(u"<%S>", std::string("x\x83\x5Cy")), u"<xソy>"},
        {"%hs narrow", GxFormatString(u"<%hs>", "hs"), u"<hs>"},
        {"%ls wide", GxFormatString(u"<%ls>", u"ls"), u"<ls>"},
        {"%s given narrow text still prints it", GxFormatString(u"<%s>", "abc"), u"<abc>"},
        {"%S given wide text still prints it", GxFormatString(u"<%S>", u"ア"), u"<ア>"},
        {"%6s", GxFormatString(u"[%6s]", u"ab"), u"[    ab]"},
        {"%-6s", GxFormatString(u"[%-6s]", u"ab"), u"[ab    ]"},
        {"%06s pads with blanks", GxFormatString(u"[%06s]", u"ab"), u"[    ab]"},
        {"%.3s", GxFormatString(u"[%.3s]", u"abcdef"), u"[abc]"},
        {"%.0s", GxFormatString(u"[%.0s]", u"abcdef"), u"[]"},
        {"%5.2s", GxFormatString(u"[%5.2s]", u"abcdef"), u"[   ab]"},
        {"%.*s", GxFormatString(u"[%.*s]", 2, u"abcdef"), u"[ab]"},
        {"%.1s never halves a pair", GxFormatString(u"[%.1s]", u"\U0001F600x"), u"[]"},
        {"%.2s keeps the pair", GxFormatString(u"[%.2s]", u"\U0001F600x"), u"[\U0001F600]"},
        {"%s null wide", GxFormatString(u"%s", static_cast<const char16_t*>(nullptr)), u"(null)"},
        {"%S null narrow", GxFormatString(u"%S", static_cast<const char*>(nullptr)), u"(null)"},
        {"%s of a number", GxFormatString(u"%s|%s|%s", 42, -1, 1.5), u"42|-1|1.500000"},
        {"%s of a character", GxFormatString(u"%s|%3s|%S", u'ア', 'b', '\xB1'), u"ア|  b|ｱ"},
        {"%d of text prints the text", GxFormatString(u"%d", u"abc"), u"abc"},
        {"%x of narrow text prints it", GxFormatString(u"%x", "abc"), u"abc"},
    });
}

TEST(GxFormat, StringKindsInANarrowFormat)
{
    CheckNarrow({
        {"%s narrow", GxFormatNarrow("<%s>", "abc"), "<abc>"},
        {"%s narrow CP932 bytes pass through", GxFormatNarrow("<%s>", "\x83\x5C"), "<\x83\x5C>"},
        {"%S wide to CP932", GxFormatNarrow("<%S>", u"ソ"), "<\x83\x5C>"},
        {"%S wide kanji", GxFormatNarrow("<%S>", u"一"), "<\x88\xEA>"},
        {"%S wide unmappable", GxFormatNarrow("<%S>", u"é"), "<?>"},
        {"%ls wide", GxFormatNarrow("<%ls>", u"ls"), "<ls>"},
        {"%s given wide text still prints it", GxFormatNarrow("<%s>", u"ア"), "<\x83\x41>"},
        {"%.1s never halves a double-byte character", GxFormatNarrow("[%.1s]", "\x83\x5C"), "[]"},
        {"%.3s", GxFormatNarrow("[%.3s]", "a\x83\x5C" "b"), "[a\x83\x5C]"},
        {"%s of a wide character", GxFormatNarrow("%s", u'ソ'), "\x83\x5C"},
        {"%.2s after a trail byte in the lead range", GxFormatNarrow("[%.2s]", "\x88\xEA" "a"), "[\x88\xEA]"},
        {"%4s", GxFormatNarrow("[%4s]", "ab"), "[  ab]"},
    });
}

TEST(GxFormat, Characters)
{
    CheckWide({
        {"%c wide", GxFormatString(u"[%c]", u'ア'), u"[ア]"},
        {"%c ASCII char", GxFormatString(u"[%c]", 'A'), u"[A]"},
        {"%c int", GxFormatString(u"[%c]", 0x3042), u"[あ]"},
        {"%c half-width katakana byte", GxFormatString(u"[%c]", '\xB1'), u"[ｱ]"},
        {"%c lone lead byte", GxFormatString(u"[%c]", '\x83'), u"[\uFFFD]"},
        {"%c beyond the BMP", GxFormatString(u"[%c]", 0x1F600), u"[\U0001F600]"},
        {"%3c", GxFormatString(u"[%3c]", u'x'), u"[  x]"},
        {"%-3c", GxFormatString(u"[%-3c]", u'x'), u"[x  ]"},
        {"%C", GxFormatString(u"[%C]", 'z'), u"[z]"},
    });
    CheckNarrow({
        {"%c narrow", GxFormatNarrow("[%c]", 'q'), "[q]"},
        {"%c wide to CP932", GxFormatNarrow("[%c]", u'ソ'), "[\x83\x5C]"},
        {"%c byte value", GxFormatNarrow("[%c]", 0xB1), "[\xB1]"},
    });
}

TEST(GxFormat, PercentUnknownAndMissing)
{
    CheckWide({
        {"%%", GxFormatString(u"100%%"), u"100%"},
        {"%% between values", GxFormatString(u"%d%%%d", 1, 2), u"1%2"},
        {"no conversions, no args", GxFormatString(u"plain text"), u"plain text"},
        {"missing args print nothing", GxFormatString(u"a%db%sc%fd"), u"abcd"},
        {"missing second arg", GxFormatString(u"[%d][%5d]", 1), u"[1][]"},
        {"extra args are ignored", GxFormatString(u"%d", 1, 2, 3), u"1"},
        {"unknown conversion copied", GxFormatString(u"a%5kb", 1), u"a%5kb"},
        {"lone % at the end", GxFormatString(u"abc%"), u"abc"},
        {"empty format", GxFormatString(u""), u""},
    });
    int untouched = 77;
    EXPECT_EQ(GxFormatString(u"a%nb%d", &untouched, 5), u"ab5") << "%n consumes its value, writes nothing";
    EXPECT_EQ(untouched, 77);
}

TEST(GxFormat, LongResultsAreReturnedWhole)
{
    const std::u16string longWide(300, u'x');
    std::u16string got = GxFormatString(u"<%s>%d", longWide, 7);
    EXPECT_EQ(got, u"<" + longWide + u">7");

    std::u16string longFormat(1000, u'f');
    EXPECT_EQ(GxFormatString(longFormat + u"%d", 1), longFormat + u"1");

    EXPECT_EQ(GxFormatString(u"[%600d]", 1).size(), 602u);

    const std::string longNarrow(700, 'y');
    EXPECT_EQ(GxFormatStringA("%s!", longNarrow), std::u16string(700, u'y') + u"!");
    EXPECT_EQ(GxFormatNarrow("%s%s", longNarrow, longNarrow).size(), 1400u);
}

TEST(GxFormat, FormatStringAConvertsFromTheCodePage)
{
    EXPECT_EQ(GxFormatStringA("%s:%d", "\x83\x5C\x83\x67", 3), u"ソト:3");
    EXPECT_EQ(GxFormatStringA("\x83\x5C%d", 1), u"ソ1") << "CP932 in the format itself";
}

// A locale whose decimal mark is a comma: an installed one, else one built for the test.
class CommaLocale
{
public:
    CommaLocale()
    {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "de_DE", "fr_FR"})
            if (Try(name)) return;
        if (Build()) Try("xx_XX.UTF-8");
    }
    ~CommaLocale()
    {
        setlocale(LC_NUMERIC, "C");
        if (!m_Dir.empty()) std::filesystem::remove_all(m_Dir);
    }
    bool Active() const { return m_Active; }

private:
    bool Try(const char* name)
    {
        if (!setlocale(LC_NUMERIC, name)) return false;
        char buf[32];
        snprintf(buf, sizeof buf, "%.1f", 1.5);
        m_Active = std::strcmp(buf, "1,5") == 0;
        if (!m_Active) setlocale(LC_NUMERIC, "C");
        return m_Active;
    }

    // localedef with a definition of LC_NUMERIC alone (fast); LOCPATH points the C library at it.
    bool Build()
    {
        char tmpl[] = "/tmp/gx_locale_XXXXXX";
        if (!mkdtemp(tmpl)) return false;
        m_Dir = tmpl;
        std::string src = m_Dir + "/comma.src";
        FILE* f = fopen(src.c_str(), "w");
        if (!f) return false;
        fputs("LC_NUMERIC\ndecimal_point \"<U002C>\"\nthousands_sep \"<U002E>\"\ngrouping 3;3\nEND LC_NUMERIC\n", f);
        fclose(f);
        std::string out = m_Dir + "/xx_XX.UTF-8";
        const char* argv[] = {"localedef", "-c", "-i", src.c_str(), "-f", "UTF-8", out.c_str(), nullptr};
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid;
        int rc = posix_spawnp(&pid, "localedef", &fa, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&fa);
        if (rc != 0) return false;
        int status = 0;
        waitpid(pid, &status, 0);  // warnings about the missing categories give a non-zero exit
        setenv("LOCPATH", m_Dir.c_str(), 1);
        return true;
    }

    bool m_Active = false;
    std::string m_Dir;
};

TEST(GxFormat, FloatingOutputIgnoresTheLocale)
{
    CommaLocale locale;
    if (!locale.Active()) GTEST_SKIP() << "no locale with a decimal comma could be set";
    char check[32];
    snprintf(check, sizeof check, "%f", 1.5);
    ASSERT_STREQ(check, "1,500000") << "the C library itself now writes a comma";
    EXPECT_EQ(GxFormatString(u"%f|%.2e|%g", 1.5, 1234.5, 0.25), u"1.500000|1.23e+03|0.25");
    EXPECT_EQ(GxFormatNarrow("%f", -2.5), "-2.500000");
    EXPECT_EQ(GxDoubleToString(0.5), u"0.500000");
}

}  // namespace
