// Wide-string helpers: path parts, search and case, trimming and unquoting, splitting, the code
// page and UTF-8 conversions, and local time.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/GxString.h"

namespace {

using V = std::vector<std::u16string>;

struct Case
{
    const char* what;
    std::u16string got;
    std::u16string want;
};

void Check(const std::vector<Case>& cases)
{
    for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
}

TEST(GxStringPath, Parts)
{
    Check({
        {"name after /", GxGetFileName(u"dir/sub\\file.txt"), u"file.txt"},
        {"name after drive", GxGetFileName(u"D:file"), u"file"},
        {"name without separator", GxGetFileName(u"file"), u"file"},
        {"name of a folder path", GxGetFileName(u"dir/"), u""},
        {"dir keeps its separator", GxGetDirectory(u"dir/sub\\file.txt"), u"dir/sub\\"},
        {"dir of D:file", GxGetDirectory(u"D:file"), u"D:"},
        {"dir of a bare name", GxGetDirectory(u"file"), u""},
        {"ext of dir.old/readme", GxGetExtension(u"dir.old/readme"), u""},
        {"ext of dir.old\\readme", GxGetExtension(u"dir.old\\readme"), u""},
        {"ext of a.tar.gz", GxGetExtension(u"a.tar.gz"), u".gz"},
        {"ext of a trailing dot", GxGetExtension(u"a."), u"."},
        {"ext after drive", GxGetExtension(u"C:.x"), u".x"},
        {"ext of none", GxGetExtension(u"readme"), u""},
        {"title of a.tar.gz", GxGetFileTitle(u"dir/a.tar.gz"), u"a"},
        {"title of dir.old/readme", GxGetFileTitle(u"dir.old/readme"), u"readme"},
        {"title of a dot file", GxGetFileTitle(u"dir/.hidden"), u""},
        {"change ext", GxChangeExtension(u"cg/a.tar.gz", u".bz2"), u"cg/a.tar.bz2"},
        {"change ext of none", GxChangeExtension(u"dir.old/readme", u".txt"), u"dir.old/readme"},
        {"change ext to none", GxChangeExtension(u"x.png", u""), u"x"},
        {"add sep to empty", GxAddPathSeparator(u""), u""},
        {"add sep", GxAddPathSeparator(u"a"), u"a/"},
        {"add sep present /", GxAddPathSeparator(u"a/"), u"a/"},
        {"add sep present \\", GxAddPathSeparator(u"a\\"), u"a\\"},
        {"add given sep", GxAddPathSeparator(u"a", u'\\'), u"a\\"},
        {"remove one sep", GxRemovePathSeparator(u"a//"), u"a/"},
        {"remove \\", GxRemovePathSeparator(u"a\\"), u"a"},
        {"remove none", GxRemovePathSeparator(u"a"), u"a"},
        {"remove from empty", GxRemovePathSeparator(u""), u""},
        {"combine", GxCombinePath(u"d", u"n"), u"d/n"},
        {"combine dir with sep", GxCombinePath(u"d\\", u"n"), u"d\\n"},
        {"combine given sep", GxCombinePath(u"d", u"n", u'\\'), u"d\\n"},
        {"combine empty dir", GxCombinePath(u"", u"n"), u"n"},
        {"replace char", GxReplaceChar(u"a\\b\\c", u'\\', u'/'), u"a/b/c"},
    });
    EXPECT_TRUE(GxHasExtension(u"A.PNG", u".png"));
    EXPECT_FALSE(GxHasExtension(u"a.png", u"png"));
    EXPECT_FALSE(GxHasExtension(u"a.tar.gz", u".tar.gz"));
    EXPECT_FALSE(GxHasExtension(u"a.png", u".pn"));
}

TEST(GxStringPath, FullPathIsFoldedByText)
{
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    const std::u16string here = GxUtf8ToWide(cwd);
    Check({
        {"relative", GxGetFullPath(u"x/../y/./z"), here + u"/y/z"},
        {"relative with \\ and a trailing separator", GxGetFullPath(u"scripts\\"), here + u"/scripts/"},
        {"absolute", GxGetFullPath(u"/a//b/../c/"), u"/a/c/"},
        {"above the root", GxGetFullPath(u"/../.."), u"/"},
        {"missing file", GxGetFullPath(u"/no/such/file.txt"), u"/no/such/file.txt"},
        {"empty", GxGetFullPath(u""), u""},
        {"519 characters fit", GxGetFullPath(u"/" + std::u16string(518, u'a')), u"/" + std::u16string(518, u'a')},
        {"520 characters do not", GxGetFullPath(u"/" + std::u16string(519, u'a')), u""},
    });
}

TEST(GxStringSearch, CompareFindAndCase)
{
    EXPECT_EQ(GxCompareNoCase(u"abc", u"ABC"), 0);
    EXPECT_LT(GxCompareNoCase(u"a", u"B"), 0);
    EXPECT_GT(GxCompareNoCase(u"b", u"A"), 0);
    EXPECT_LT(GxCompareNoCase(u"ab", u"ABC"), 0);
    EXPECT_GT(GxCompareNoCase(u"A", u"["), 0) << "letters fold to lower case, which sorts after '['";
    EXPECT_NE(GxCompareNoCase(u"Ａ", u"a"), 0) << "full-width letters are not their ASCII forms";
    EXPECT_NE(GxCompareNoCase(u"ａ", u"Ａ"), 0) << "full-width letters are not folded at all";
    EXPECT_NE(GxCompareNoCase(u"ä", u"Ä"), 0);

    EXPECT_EQ(GxFind(u"abcabc", u"bc", 0), 1);
    EXPECT_EQ(GxFind(u"abcabc", u"bc", 2), 4);
    EXPECT_EQ(GxFind(u"abcabc", u"x", 0), -1);
    EXPECT_EQ(GxFind(u"abc", u"a", 9), -1);
    EXPECT_EQ(GxFindFirstOf(u"a/b\\c", u"/\\", 0), 1);
    EXPECT_EQ(GxFindFirstOf(u"a/b\\c", u"/\\", 2), 3);
    EXPECT_EQ(GxFindFirstOf(u"abc", u"/", 0), -1);
    EXPECT_EQ(GxFindLastOf(u"a/b\\c", u"/\\", -1), 3);
    EXPECT_EQ(GxFindLastOf(u"a/b\\c", u"/\\", 2), 1);
    EXPECT_EQ(GxFindLastOf(u"abc", u"/", -1), -1);
    EXPECT_EQ(GxFindLastOf(u"", u"/", -1), -1);

    Check({
        {"mid", GxMidString(u"abc", 1), u"bc"},
        {"mid at end", GxMidString(u"abc", 3), u""},
        {"mid beyond", GxMidString(u"abc", 7), u""},
        {"lower is ASCII only", GxToLower(u"AbC-ＡＺａ-Ä-@[`{"), u"abc-ＡＺａ-Ä-@[`{"},
        {"upper is ASCII only", GxToUpper(u"aBc-ａｚＡ-ä-@[`{"), u"ABC-ａｚＡ-ä-@[`{"},
    });
    EXPECT_EQ(GxToLowerA("AbC\x83\x5C"), "abc\x83\x5C");
}

TEST(GxStringSearch, ReplaceAll)
{
    Check({
        {"replacement holds the search text", GxReplaceAll(u"aXbX", u"X", u"XX"), u"aXXbXX"},
        {"replacement ends with the search text", GxReplaceAll(u"aaa", u"a", u"ba"), u"bababa"},
        {"no overlap, no rescan", GxReplaceAll(u"aaaa", u"aa", u"a"), u"aa"},
        {"removal", GxReplaceAll(u"a, b, c", u", ", u""), u"abc"},
        {"absent", GxReplaceAll(u"abc", u"x", u"y"), u"abc"},
        {"empty search leaves it", GxReplaceAll(u"abc", u"", u"y"), u"abc"},
        {"wide text", GxReplaceAll(u"「ソ」と「ソ」", u"ソ", u"表"), u"「表」と「表」"},
    });
}

TEST(GxStringTrim, Modes)
{
    const std::u16string s = u" \tab c\r\n";
    Check({
        {"mode 0", GxTrim(s, 0), s},
        {"mode 1", GxTrim(s, 1), u"ab c\r\n"},
        {"mode 2", GxTrim(s, 2), u" \tab c"},
        {"mode 3", GxTrim(s, 3), u"ab c"},
        {"mode 4 removes CR LF, keeps leading blanks", GxTrim(s, 4), u" \tab c"},
        {"mode 4 both ends", GxTrim(u"\r\n x \n\r", 4), u" x "},
        {"mode 9 acts as 4", GxTrim(u"\nx\r", 9), u"x"},
        {"mode -1 acts as 4", GxTrim(u"\nx\r", -1), u"x"},
        {"all blanks mode 1", GxTrim(u" \t\x01 ", 1), u""},
        {"all blanks mode 2", GxTrim(u" \t ", 2), u""},
        {"all blanks mode 3", GxTrim(u" \t ", 3), u""},
        {"blanks only mode 4", GxTrim(u"  ", 4), u"  "},
        {"empty", GxTrim(u"", 3), u""},
        {"space 32 is a blank, 33 is not", GxTrim(u" !", 1), u"!"},
        {"NBSP and ideographic space are not blanks", GxTrim(u"\u00A0x\u3000", 3), u"\u00A0x\u3000"},
    });
    V v = {u" a ", u"b\r\n", u""};
    GxTrimEach(v, 3);
    EXPECT_EQ(v, (V{u"a", u"b", u""}));
}

TEST(GxStringTrim, Unquote)
{
    Check({
        {"double quoted", GxUnquote(u"\"abc\" rest", 0), u"abc"},
        {"from an index", GxUnquote(u"x=\"abc\"", 2), u"abc"},
        {"escaped quote kept with its backslash", GxUnquote(u"\"a\\\"b\"c", 0), u"a\\\"b"},
        {"backslash pair then quote: the quote is escaped", GxUnquote(u"\"a\\\\\"b\"", 0), u"a\\\\\"b"},
        {"backslash before another letter", GxUnquote(u"\"a\\nb\"x", 0), u"a\\nb"},
        {"apostrophes may hold double quotes", GxUnquote(u"'say \"hi\"' x", 0), u"say \"hi\""},
        {"double quotes may hold apostrophes", GxUnquote(u"\"it's\"", 0), u"it's"},
        {"unclosed", GxUnquote(u"\"unclosed \\\"", 0), u"unclosed \\\""},
        {"empty quotes", GxUnquote(u"\"\"x", 0), u""},
        {"not quoted: the rest", GxUnquote(u"plain text", 0), u"plain text"},
        {"not quoted from an index", GxUnquote(u"ab", 1), u"b"},
        {"index at the end", GxUnquote(u"ab", 2), u""},
        {"index beyond", GxUnquote(u"ab", 5), u""},
    });
}

TEST(GxStringSplit, SplitPaddedAndJoin)
{
    V out = {u"stale"};
    EXPECT_EQ(GxSplitString(out, u"a;;b", u";"), 3);
    EXPECT_EQ(out, (V{u"a", u"", u"b"}));
    EXPECT_EQ(GxSplitString(out, u"", u";"), 1);
    EXPECT_EQ(out, (V{u""}));
    EXPECT_EQ(GxSplitString(out, u";", u";"), 2);
    EXPECT_EQ(out, (V{u"", u""}));
    EXPECT_EQ(GxSplitString(out, u"a<>b<>", u"<>"), 3);
    EXPECT_EQ(out, (V{u"a", u"b", u""}));
    EXPECT_EQ(GxSplitString(out, u"a;b", u""), 1);
    EXPECT_EQ(out, (V{u"a;b"}));

    EXPECT_EQ(GxSplitStringPadded(out, u"a;b", u";", 4), 4);
    EXPECT_EQ(out, (V{u"a", u"b", u"", u""}));
    EXPECT_EQ(GxSplitStringPadded(out, u"a;b;c;d;e", u";", 3), 3);
    EXPECT_EQ(out, (V{u"a", u"b", u"c"}));
    EXPECT_EQ(GxSplitStringPadded(out, u"a\tb", u"\t", 0), 0);
    EXPECT_TRUE(out.empty());

    std::vector<std::string> narrow = {"stale"};
    EXPECT_EQ(GxSplitStringA(narrow, "x\t\ty", "\t"), 3);
    EXPECT_EQ(narrow, (std::vector<std::string>{"x", "", "y"}));

    Check({
        {"join none", GxJoinString({}, u","), u""},
        {"join one", GxJoinString({u"a"}, u","), u"a"},
        {"join keeps empties", GxJoinString({u"a", u"", u"b"}, u", "), u"a, , b"},
    });
    EXPECT_EQ(GxJoinString(V{u"x", u"y"}, u";"), u"x;y");
}

TEST(GxStringConvert, NumbersAndWide)
{
    EXPECT_EQ(GxIntToString(-12), u"-12");
    EXPECT_EQ(GxDoubleToString(0.5), u"0.500000");
    EXPECT_EQ(GxWideToWide(u"ソ表"), u"ソ表");
}

struct Cp932Pair
{
    const char* bytes;
    std::u16string wide;
};

TEST(GxStringConvert, Cp932RoundTrips)
{
    const Cp932Pair pairs[] = {
        {"\x83\x5C", u"ソ"},          // trail byte is the backslash code
        {"\x95\x5C", u"表"},
        {"\x5C", u"\\"},              // the backslash code itself stays a backslash
        {"\x7E", u"~"},
        {"\xB1", u"ｱ"},               // half-width katakana
        {"\x88\xEA", u"一"},          // trail byte in the lead-byte range
        {"\x87\x40", u"①"},           // NEC special row
        {"\x81\x60", u"～"},          // wave dash as the code page maps it (U+FF5E)
        {"\x81\x5F", u"＼"},
        {"\x81\x7C", u"－"},
        {"ABC\x83\x5C\x95\x5C" "def", u"ABCソ表def"},
        {"", u""},
    };
    for (const auto& p : pairs) {
        EXPECT_EQ(GxAnsiToWide(p.bytes), p.wide) << p.bytes;
        EXPECT_EQ(GxWideToAnsi(p.wide), std::string(p.bytes)) << p.bytes;
    }
    // Longer than the converters' internal blocks.
    std::string longBytes;
    std::u16string longWide;
    for (int i = 0; i < 2000; ++i) {
        longBytes += "\x83\x5C" "a";
        longWide += u"ソa";
    }
    EXPECT_EQ(GxAnsiToWide(longBytes), longWide);
    EXPECT_EQ(GxWideToAnsi(longWide), longBytes);
}

TEST(GxStringConvert, Cp932InvalidAndUnmappable)
{
    struct Bad
    {
        std::string bytes;
        std::u16string wide;
    };
    const Bad bad[] = {
        {"\x80", u"\uFFFD"},
        {"\xFF", u"\uFFFD"},
        {"a\x81", u"a\uFFFD"},                  // lead byte cut off at the end
        {"\x81\x20" "b", u"\uFFFD b"},          // lead byte with no valid trail: only it is bad
        {"\x80\x80" "x\x83\x5C", u"\uFFFD\uFFFDxソ"},
        {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
    };
    for (const auto& b : bad) EXPECT_EQ(GxAnsiToWide(b.bytes), b.wide);

    const std::pair<std::u16string, std::string> unmappable[] = {
        {u"é", "?"},
        {u"aéb", "a?b"},
        {u"\U0001F600", "?"},                       // one '?' for the whole pair
        {u"x\xD800y", "x?y"},                       // lone high surrogate
        {u"\xDC00", "?"},                           // lone low surrogate
        {u"ソ\xD800", "\x83\x5C?"},                 // high surrogate at the very end
    };
    for (const auto& u : unmappable) EXPECT_EQ(GxWideToAnsi(u.first), u.second);

    std::u16string mixed;
    std::string mixedWant;
    for (int i = 0; i < 1500; ++i) {
        mixed += u"ソé";
        mixedWant += "\x83\x5C?";
    }
    EXPECT_EQ(GxWideToAnsi(mixed), mixedWant);
}

TEST(GxStringConvert, Utf8)
{
    const std::pair<std::string, std::u16string> good[] = {
        {"abc", u"abc"},
        {"\xC3\xA9", u"é"},
        {"\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88", u"テスト"},
        {"\xEF\xBF\xBF", u"\uFFFF"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
        {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
        {"", u""},
    };
    for (const auto& g : good) {
        EXPECT_EQ(GxUtf8ToWide(g.first), g.second);
        EXPECT_EQ(GxWideToUtf8(g.second), g.first);
    }
    EXPECT_EQ(GxUtf8ToWide("\xF0\x9F\x98\x80").size(), 2u) << "a surrogate pair";

    const std::pair<std::string, std::u16string> bad[] = {
        {"\x80", u"\uFFFD"},
        {"\xFF" "a", u"\uFFFDa"},
        {"\xC0\x80", u"\uFFFD\uFFFD"},                       // overlong NUL
        {"\xE0\x80\x80", u"\uFFFD\uFFFD\uFFFD"},             // overlong
        {"\xE3\x81", u"\uFFFD\uFFFD"},                       // cut off at the end
        {"\xE3\x81" "A", u"\uFFFD\uFFFDA"},                  // cut off before ASCII
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},             // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},   // above U+10FFFF
        {"a\xC3", u"a\uFFFD"},
    };
    for (const auto& b : bad) EXPECT_EQ(GxUtf8ToWide(b.first), b.second) << b.first.size();

    EXPECT_EQ(GxWideToUtf8(u"\xD800x"), "\xEF\xBF\xBDx") << "lone high surrogate";
    EXPECT_EQ(GxWideToUtf8(u"\xDC00"), "\xEF\xBF\xBD") << "lone low surrogate";
    EXPECT_EQ(GxWideToUtf8(u"\xDE00\xD83D"), "\xEF\xBF\xBD\xEF\xBF\xBD") << "a pair in the wrong order";
}

// Sets TZ for one test and puts the old value back.
class ScopedTz
{
public:
    explicit ScopedTz(const char* tz)
    {
        const char* old = getenv("TZ");
        m_Had = old != nullptr;
        if (old) m_Old = old;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ScopedTz()
    {
        if (m_Had) setenv("TZ", m_Old.c_str(), 1);
        else unsetenv("TZ");
        tzset();
    }

private:
    bool m_Had = false;
    std::string m_Old;
};

TEST(GxStringTime, LocalTimeParts)
{
    ScopedTz tz("UTC");
    struct Want
    {
        int64_t t;
        int year, month, day, hour, minute, second, weekDay, yearDay;
        const char16_t* text;
    };
    const Want wants[] = {
        {1700000000, 2023, 11, 14, 22, 13, 20, 2, 317, u"2023/11/14 22:13:20"},
        {0, 1970, 1, 1, 0, 0, 0, 4, 0, u"1970/01/01 00:00:00"},
        {951782400, 2000, 2, 29, 0, 0, 0, 2, 59, u"2000/02/29 00:00:00"},
        {4102444799, 2099, 12, 31, 23, 59, 59, 4, 364, u"2099/12/31 23:59:59"},  // beyond 32 bits
    };
    for (const auto& w : wants) {
        EXPECT_EQ(GxGetTimeYear(w.t), w.year) << w.t;
        EXPECT_EQ(GxGetTimeMonth(w.t), w.month) << w.t;
        EXPECT_EQ(GxGetTimeDay(w.t), w.day) << w.t;
        EXPECT_EQ(GxGetTimeHour(w.t), w.hour) << w.t;
        EXPECT_EQ(GxGetTimeMinute(w.t), w.minute) << w.t;
        EXPECT_EQ(GxGetTimeSecond(w.t), w.second) << w.t;
        EXPECT_EQ(GxGetTimeWeekDay(w.t), w.weekDay) << w.t;
        EXPECT_EQ(GxGetTimeYearDay(w.t), w.yearDay) << w.t;
        EXPECT_EQ(GxTimeToString(w.t), w.text) << w.t;
    }
}

TEST(GxStringTime, FollowsTheLocalZone)
{
    ScopedTz tz("JST-9");
    EXPECT_EQ(GxTimeToString(1700000000), u"2023/11/15 07:13:20");
    EXPECT_EQ(GxGetTimeHour(1700000000), 7);
}

TEST(GxStringTime, NowStringUsesTheInjectedClock)
{
    ScopedTz tz("UTC");
    GxSetTimeNowFunc([]() -> int64_t { return 1700000000; });
    EXPECT_EQ(GxGetNowString(), u"2023/11/14 22:13:20");
    GxSetTimeNowFunc(nullptr);
    EXPECT_NE(GxGetNowString(), u"2023/11/14 22:13:20");
    EXPECT_EQ(GxGetNowString().size(), 19u);
}

}  // namespace
