#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "core/GxLog.h"
#include "core/GxString.h"
#include "core/GxTextFile.h"

namespace {

using Lines = std::vector<std::u16string>;

bool Decode(Lines& lines, std::string_view bytes, bool skipEmpty = false)
{
    return GxDecodeTextLines(lines, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), skipEmpty);
}

Lines DecodeOk(std::string_view bytes, bool skipEmpty = false)
{
    Lines lines;
    EXPECT_TRUE(Decode(lines, bytes, skipEmpty));
    return lines;
}

// UTF-16LE bytes of a wide text (after a signature when given).
std::string Utf16LE(std::u16string_view text, bool signature = true)
{
    std::string out = signature ? std::string("\xFF\xFE") : std::string();
    for (char16_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

TEST(TextFileTest, DetectsSignatureOnlyWhenComplete)
{
    const struct
    {
        std::string_view bytes;
        GxTextEncoding enc;
    } cases[] = {
        {"\xEF\xBB\xBF", GxTextEncoding::Utf8},
        {"\xEF\xBB\xBFx", GxTextEncoding::Utf8},
        {"\xEF\xBB", GxTextEncoding::Ansi},
        {"\xFF\xFE", GxTextEncoding::Utf16LE},
        {"\xFF", GxTextEncoding::Ansi},
        {"\xFE\xFF", GxTextEncoding::Utf16BE},
        {"\xFE", GxTextEncoding::Ansi},
        {"abc", GxTextEncoding::Ansi},
        {"", GxTextEncoding::Ansi},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GxDetectTextEncoding(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size()), c.enc)
            << testing::PrintToString(std::string(c.bytes));
    }
}

TEST(TextFileTest, Utf8WithSignatureAndCrLf)
{
    EXPECT_EQ(DecodeOk("\xEF\xBB\xBF" "abc\r\n\xE3\x81\x82\xE6\x97\xA5\r\n\xF0\x9F\x98\x80\r\n"),
              (Lines{u"abc", u"あ日", u"\U0001F600"}));
}

TEST(TextFileTest, Utf16LE)
{
    EXPECT_EQ(DecodeOk(Utf16LE(u"a\r\n表示\nx\U0001F600y\r\n")), (Lines{u"a", u"表示", u"x\U0001F600y"}));
    // A byte 0x0A inside a character is not a line feed.
    EXPECT_EQ(DecodeOk(Utf16LE(u"\x0A0A\x0D0C")), (Lines{u"\x0A0A\x0D0C"}));
    // An odd last byte is half a character.
    EXPECT_EQ(DecodeOk(Utf16LE(u"ab") + "c"), (Lines{u"ab"}));
    // Without a signature the bytes are CP932, NULs included.
    EXPECT_EQ(DecodeOk(Utf16LE(u"ab", false)), (Lines{u"a"}));
}

TEST(TextFileTest, AnsiIsCp932)
{
    // "表示" and "ソ" have 0x5C (backslash) as trail byte; "日本" is plain.
    EXPECT_EQ(DecodeOk("\x95\x5C\x8E\xA6\r\n\x93\xFA\x96\x7B\t\x83\x5C\n\xB1\xB2"),
              (Lines{u"表示", u"日本\tソ", u"ｱｲ"}));
}

TEST(TextFileTest, Utf16BigEndianIsRefused)
{
    Lines lines{u"kept"};
    EXPECT_FALSE(Decode(lines, std::string("\xFE\xFF\x00" "a\x00\n", 6)));
    EXPECT_EQ(lines, (Lines{u"kept"}));
}

TEST(TextFileTest, EmptyDataFails)
{
    Lines lines;
    EXPECT_FALSE(Decode(lines, ""));
    EXPECT_FALSE(GxDecodeTextLines(lines, nullptr, 5, false));
    EXPECT_TRUE(lines.empty());
    // A signature alone is a text with no lines.
    EXPECT_TRUE(DecodeOk("\xEF\xBB\xBF").empty());
    EXPECT_TRUE(DecodeOk("\xFF\xFE").empty());
}

TEST(TextFileTest, LinesAreAppended)
{
    Lines lines{u"first"};
    EXPECT_TRUE(Decode(lines, "a\nb"));
    EXPECT_EQ(lines, (Lines{u"first", u"a", u"b"}));
}

TEST(TextFileTest, LineRulesInEveryEncoding)
{
    struct Case
    {
        std::u16string text;
        bool skipEmpty;
        Lines lines;
    };
    const Case cases[] = {
        {u"a\n\nb", false, {u"a", u"", u"b"}},
        {u"a\n\nb", true, {u"a", u"b"}},
        {u"a\n", false, {u"a"}},
        {u"a\n\n", false, {u"a", u""}},
        {u"\n", false, {u""}},
        {u"\n", true, {}},
        {u"a\rb\fc\n\r\f\nd", false, {u"abc", u"", u"d"}},
        {u"\r\n\r\nx\r", true, {u"x"}},
        {u"ab\r", false, {u"ab"}},
        {std::u16string(u"a\nb\0c\nd", 7), false, {u"a", u"b"}},
        {std::u16string(u"\0a", 2), false, {}},
        {u"  spaced\t\n", false, {u"  spaced\t"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        std::string narrow;
        for (char16_t ch : c.text) narrow.push_back(static_cast<char>(ch));
        EXPECT_EQ(DecodeOk(narrow, c.skipEmpty), c.lines);
        EXPECT_EQ(DecodeOk("\xEF\xBB\xBF" + narrow, c.skipEmpty), c.lines);
        EXPECT_EQ(DecodeOk(Utf16LE(c.text), c.skipEmpty), c.lines);
    }
}

TEST(TextFileTest, BrokenMultibyteNeverSwallowsLineBreaks)
{
    // A CP932 lead byte right before LF or CR: the byte becomes U+FFFD and the break still counts.
    EXPECT_EQ(DecodeOk("\x82\nA\x82\r\n"), (Lines{u"\xFFFD", u"A\xFFFD"}));
    // A dropped CR does not join a lead byte to the byte behind it ("\x82\xA0" would be "あ").
    Lines lines = DecodeOk("\x82\r\xA0\n");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].find(u'あ'), std::u16string::npos);
    // UTF-8: a truncated sequence before LF.
    EXPECT_EQ(DecodeOk("\xEF\xBB\xBF\xE3\x81\nx"), (Lines{u"\xFFFD\xFFFD", u"x"}));
}

// ---- Loading through the file layer ----

class TextFileLoadTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_Dir = std::filesystem::temp_directory_path() /
                ("gx_textfile_" + std::to_string(getpid()) + "_" +
                 testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_Dir);
        std::filesystem::create_directories(m_Dir);
        m_OldLog = GxGetLogPath(GxLogFile::Error);
        GxSetErrorLogPath(Path("error.log"));
    }
    void TearDown() override
    {
        GxSetErrorLogPath(m_OldLog);
        std::filesystem::remove_all(m_Dir);
    }
    std::u16string Path(const std::string& name) const { return GxUtf8ToWide((m_Dir / name).string()); }
    void Write(const std::string& name, std::string_view bytes) const
    {
        std::ofstream(m_Dir / name, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    std::u16string ErrorLog() const
    {
        std::ifstream in(m_Dir / "error.log", std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::u16string text;
        for (size_t i = 0; i + 1 < bytes.size(); i += 2)
            text.push_back(static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8)));
        return text;
    }

    std::filesystem::path m_Dir;
    std::u16string m_OldLog;
};

TEST_F(TextFileLoadTest, LoadsEachEncodingFromDisk)
{
    Write("utf8.txt", "\xEF\xBB\xBF" "a\r\n\r\n\xE6\x97\xA5\r\n");
    Write("utf16.txt", Utf16LE(u"x\ny"));
    Write("ansi.txt", "\x95\x5C\n");
    Lines lines;
    EXPECT_TRUE(GxLoadTextFile(lines, Path("utf8.txt"), false));
    EXPECT_TRUE(GxLoadTextFile(lines, Path("utf16.txt"), true));
    EXPECT_TRUE(GxLoadTextFile(lines, Path("ansi.txt"), false));
    EXPECT_EQ(lines, (Lines{u"a", u"", u"日", u"x", u"y", u"表"}));
    EXPECT_EQ(ErrorLog(), u"");
}

TEST_F(TextFileLoadTest, MissingEmptyAndBigEndianFilesFailWithALogLine)
{
    Write("empty.txt", "");
    Write("be.txt", std::string("\xFE\xFF\x00" "a", 4));
    Lines lines{u"kept"};
    EXPECT_FALSE(GxLoadTextFile(lines, Path("missing.txt"), false));
    EXPECT_FALSE(GxLoadTextFile(lines, Path("empty.txt"), false));
    EXPECT_FALSE(GxLoadTextFile(lines, Path("be.txt"), false));
    EXPECT_EQ(lines, (Lines{u"kept"}));
    std::u16string log = ErrorLog();
    EXPECT_NE(log.find(u"File open error or not exist:" + Path("missing.txt")), std::u16string::npos) << GxWideToUtf8(log);
    EXPECT_NE(log.find(u"Error/GxLoadTextFile Empty file(" + Path("empty.txt") + u")"), std::u16string::npos);
    EXPECT_NE(log.find(u"Error/GxLoadTextFile UTF-16BE text is not supported(" + Path("be.txt") + u")"),
              std::u16string::npos);
}

}  // namespace
