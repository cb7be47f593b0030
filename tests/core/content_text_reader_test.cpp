// Text content reader: lines and fields, name checks with line numbers, quoted text, binary
// lines, bounds, the header and SkipValue; and the line and quote scanners it is built on.
#include <gtest/gtest.h>

#include <string>

#include "core/GxContentTextReader.h"
#include "tests/support/GxContentFixture.h"

namespace {

struct TextFixture
{
    explicit TextFixture(const std::string& text) { GxContentFillBuffer(buffer, text); }
    GxBinBuffer buffer;
    GxContentLogCapture log;
};

TEST(ContentTextReader, CrLfReadsLikeLf)
{
    const std::string lf = "TGD\t100\n05\ta\t-7\n1a\ts\t3\t\"x\\ty\"\n0a\tf\t2.500000\n21\t}\n";
    std::string crlf;
    for (char c : lf) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    for (const std::string& text : {lf, crlf}) {
        TextFixture f(text);
        GxContentTextReader r(f.buffer);
        uint32_t version = 0;
        EXPECT_TRUE(r.ReadHeader("TGD", version));
        EXPECT_EQ(version, 100u);
        EXPECT_EQ(r.ReadGxS32Value("a"), -7);
        EXPECT_EQ(r.ReadGxStringWValue("s"), u"x\ty");
        EXPECT_EQ(r.ReadGxF64Value("f"), 2.5);
        EXPECT_TRUE(r.ReadListEnd());
        EXPECT_EQ(r.GetLineNumber(), 5u);
        EXPECT_TRUE(r.IsEnd());
        EXPECT_EQ(r.GetErrorCount(), 0);
    }
}

TEST(ContentTextReader, WrongTypeReportsLineAndConsumesIt)
{
    TextFixture f("05\ta\t1\n09\tm_Alpha\t0.500000\n05\tb\t2\n");
    GxContentTextReader r(f.buffer);
    EXPECT_EQ(r.ReadGxS32Value("a"), 1);
    int32_t v = 9;
    EXPECT_FALSE(r.ReadGxS32("m_Alpha", v));
    EXPECT_EQ(v, 9);
    EXPECT_EQ(f.log.Joined(), "GxContentTextReader/ValueType Isn't VALTYPE_GxS32 Line=2\n");
    EXPECT_EQ(r.ReadGxS32Value("b"), 2);  // the next read starts on the following line
    EXPECT_EQ(r.GetErrorCount(), 1);

    TextFixture g("09\tm_Alpha\t0.500000\n");
    GxContentTextReader r2(g.buffer);
    EXPECT_EQ(r2.ReadGxF32Value("m_Alpha"), 0.5f);
}

TEST(ContentTextReader, NameCheck)
{
    TextFixture f("TGD\t1\n05\tm_A\t1\n05\tm_B\t2\n15\tm_C\t3\n05\tm_D\t4\n");
    GxContentTextReader r(f.buffer);
    uint32_t version;
    r.ReadHeader("TGD", version);
    EXPECT_EQ(r.ReadGxS32Value("m_A"), 1);
    int32_t v = 0;
    EXPECT_FALSE(r.ReadGxS32("m_b", v));  // case matters
    EXPECT_EQ(v, 0);
    GxBit32 bits = 0;
    EXPECT_FALSE(r.ReadGxBit32("m_X", bits));
    ASSERT_EQ(f.log.Lines().size(), 2u);
    EXPECT_EQ(f.log.Lines()[0], "GxContentTextReader/ValueName does not match Line=3\n");
    EXPECT_EQ(f.log.Lines()[1], "GxContentStringReader/ValueName does not match Line=4\n");
    r.SetCheckValueName(0);
    EXPECT_EQ(r.GetCheckValueName(), 0);
    EXPECT_EQ(r.ReadGxS32Value("anything"), 4);
    EXPECT_EQ(r.GetErrorCount(), 2);
}

TEST(ContentTextReader, Bit32UsesItsOwnTypeMessage)
{
    TextFixture f("05\tm\t1\n");
    GxContentTextReader r(f.buffer);
    EXPECT_EQ(r.ReadGxBit32Value("m"), 0u);
    EXPECT_EQ(f.log.Joined(), "GxContentStringReader/ValueType Isn't VALTYPE_GxBit32 Line=1\n");
}

TEST(ContentTextReader, NumbersParseAsTheCLibraryDoes)
{
    TextFixture f(
        "01\ta\t300\n"             // truncated to the width
        "06\tb\t-1\n"              // strtoul wraps the negative value
        "05\tc\t99999999999\n"     // saturates as a 32-bit long
        "05\td\t  -12abc\n"        // stops at the first character it does not take
        "0b\te\t2\n"               // any non-zero value is true
        "07\tf\t-9223372036854775808\n"
        "08\tg\t18446744073709551615\n"
        "09\th\tjunk\n"            // nothing parses: 0
        "0a\ti\t1e3\n"
        "0x0A\tj\t-0.125\n"        // the code is strtol base 16 too
        "04\tk\t70000\n");
    GxContentTextReader r(f.buffer);
    EXPECT_EQ(r.ReadGxS8Value("a"), 44);
    EXPECT_EQ(r.ReadGxU32Value("b"), 0xFFFFFFFFu);
    EXPECT_EQ(r.ReadGxS32Value("c"), INT32_MAX);
    EXPECT_EQ(r.ReadGxS32Value("d"), -12);
    EXPECT_TRUE(r.ReadGxBoolValue("e"));
    EXPECT_EQ(r.ReadGxS64Value("f"), INT64_MIN);
    EXPECT_EQ(r.ReadGxU64Value("g"), UINT64_MAX);
    EXPECT_EQ(r.ReadGxF32Value("h"), 0.0f);
    EXPECT_EQ(r.ReadGxF64Value("i"), 1000.0);
    EXPECT_EQ(r.ReadGxF64Value("j"), -0.125);
    EXPECT_EQ(r.ReadGxU16Value("k"), 70000 & 0xFFFF);
    EXPECT_EQ(r.GetErrorCount(), 0);
}

TEST(ContentTextReader, TooFewFieldsIsAFailedRead)
{
    TextFixture f("05\tm\n0d\tv\t1.0\t2.0\n1a\ts\t3\n20\tl\t\n");
    GxContentTextReader r(f.buffer);
    int32_t v = 3;
    EXPECT_FALSE(r.ReadGxS32("m", v));
    EXPECT_EQ(v, 3);
    std::u16string s(u"keep");
    r.SkipValue();
    EXPECT_FALSE(r.ReadGxStringStdW("s", s));
    EXPECT_EQ(s, u"keep");
    uint32_t count = 5;
    EXPECT_FALSE(r.ReadListBegin("l", count));
    EXPECT_EQ(count, 5u);
    EXPECT_EQ(r.GetErrorCount(), 3);
    ASSERT_EQ(f.log.Lines().size(), 3u);
    EXPECT_EQ(f.log.Lines()[0], "GxContentTextReader/VALTYPE_GxS32 Has Too Few Fields(2 of 3) Line=1\n");
    EXPECT_EQ(f.log.Lines()[2], "GxContentTextReader/VALTYPE_ListBegin Has Too Few Fields(3 of 4) Line=4\n");
}

TEST(ContentTextReader, QuotedText)
{
    TextFixture f(
        "1a\ta\t2\t\"x\\ny\"\n"           // backslash n: a line feed
        "1a\tb\t2\tno quote\n"            // no opening quote: empty, no error
        "1a\tc\t9\t\"ab\"cd\n"            // text after the closing quote is ignored
        "1a\td\t9\t\"\\\\\\\"\\'\\v\\q\n"  // escapes; no closing quote needed
        "1a\te\t3\t\"\xE3\x81\x82\"\n"
        "18\tf\t4\t\"\x83\x5C\\t\"\n"      // ANSI text: the trail byte 0x5C is no escape
        "18\tg\t4\t\"\x83\x5C\\t\"\n"
        "1a\th\t6\t\"\xE3\x82\xBD\\\"\"\n");
    GxContentTextReader r(f.buffer);
    EXPECT_EQ(r.ReadGxStringWValue("a"), u"x\ny");
    EXPECT_EQ(r.ReadGxStringWValue("b"), u"");
    EXPECT_EQ(r.ReadGxStringWValue("c"), u"ab");
    EXPECT_EQ(r.ReadGxStringWValue("d"), u"\\\"'\vq");
    EXPECT_EQ(r.ReadGxStringWValue("e"), u"あ");
    EXPECT_EQ(r.ReadGxStringWValue("f"), u"ソ\t");
    EXPECT_EQ(r.ReadGxStringAValue("g"), "\x83\x5C\t");
    EXPECT_EQ(r.ReadGxStringAValue("h"), "\x83\x5C\"");
    EXPECT_EQ(r.GetErrorCount(), 0);

    TextFixture g("05\ts\t1\n1a\tt\t0\t\"\"\n");
    GxContentTextReader r2(g.buffer);
    EXPECT_EQ(r2.ReadGxStringWValue("s"), u"");
    EXPECT_EQ(r2.ReadGxStringWValue("x"), u"");
    ASSERT_EQ(g.log.Lines().size(), 2u);
    EXPECT_EQ(g.log.Lines()[0],
              "GxContentTextReader/ValueType Isn't VALTYPE_GxStringSJIS or VALTYPE_GxStringUTF8 Line=1\n");
    EXPECT_EQ(g.log.Lines()[1], "GxContentTextReader/ValueName does not match Line=2\n");
}

TEST(ContentTextReader, BinaryLines)
{
    std::string hex;
    for (int i = 0; i < 40; ++i) {
        char b[3];
        snprintf(b, sizeof b, "%02x", (i * 13) & 255);
        hex += b;
        if (i == 31) hex += "\n";
    }
    const std::string text = "1b\tb\t40\n" + hex + "\n05\tn\t7\n";
    {
        TextFixture f(text);
        GxContentTextReader r(f.buffer);
        GxBinBuffer b;
        ASSERT_TRUE(r.ReadGxBinary("b", b));
        ASSERT_EQ(b.GetSize(), 40u);
        for (int i = 0; i < 40; ++i) EXPECT_EQ(b.GetBuffer()[i], (i * 13) & 255) << i;
        EXPECT_EQ(r.ReadGxS32Value("n"), 7);
        EXPECT_EQ(r.GetLineNumber(), 4u);
    }
    {
        TextFixture f(text);
        GxContentTextReader r(f.buffer);
        EXPECT_TRUE(r.SkipValue());
        EXPECT_EQ(r.ReadGxS32Value("n"), 7);
        EXPECT_EQ(r.GetErrorCount(), 0);
    }
    {
        // Short and odd lines leave the missing bytes zero; upper-case digits read as well.
        TextFixture f("1b\tb\t4\nA0f\n");
        GxContentTextReader r(f.buffer);
        GxBinBuffer b;
        ASSERT_TRUE(r.ReadGxBinary("b", b));
        ASSERT_EQ(b.GetSize(), 4u);
        EXPECT_EQ(b.GetBuffer()[0], 0xA0);
        EXPECT_EQ(b.GetBuffer()[1], 0);
        EXPECT_EQ(b.GetBuffer()[3], 0);
    }
    {
        // A length the rest of the file cannot hold: refused, the buffer untouched, only the
        // value's own line consumed.
        TextFixture f("1b\tb\t4000000000\nff\n");
        GxContentTextReader r(f.buffer);
        GxBinBuffer b(1);
        EXPECT_FALSE(r.ReadGxBinary("b", b));
        EXPECT_EQ(b.GetSize(), 1u);
        EXPECT_EQ(f.log.Joined(), "GxContentTextReader/Binary Length Exceeds Data(4000000000) Line=1\n");
        EXPECT_EQ(r.GetNextValueType(), 0xFF);
        // Skipping the same damaged value stops at the end of the data.
        TextFixture g("1b\tb\t4000000000\nff\n");
        GxContentTextReader r2(g.buffer);
        EXPECT_TRUE(r2.SkipValue());
        EXPECT_TRUE(r2.IsEnd());
    }
    {
        TextFixture f("1a\tb\t0\t\"\"\n");
        GxContentTextReader r(f.buffer);
        GxBinBuffer b;
        EXPECT_FALSE(r.ReadGxBinary("b", b));
        EXPECT_EQ(f.log.Joined(), "GxContentTextReader/ValueType Isn't VALTYPE_GxBinary Line=1\n");
    }
}

TEST(ContentTextReader, ListsTreesAndPeek)
{
    TextFixture f(
        "20\tm_List\t\t2\t{\n02\tv\t1\n02\tv\t2\n21\t}\n"
        "22\tm_Tree\t\t{\n24\t{\n25\t}\n23\t}\n"
        "20\tm_Big\t\t999\t{\n");
    GxContentTextReader r(f.buffer);
    EXPECT_EQ(r.GetNextValueType(), VALTYPE_ListBegin);
    EXPECT_EQ(r.GetNextValueType(), VALTYPE_ListBegin);
    EXPECT_EQ(r.GetLineNumber(), 0u);
    uint32_t count = 0;
    ASSERT_TRUE(r.ReadListBegin("m_List", count));
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(r.ReadGxU8Value("v"), 1);
    EXPECT_EQ(r.ReadGxU8Value("v"), 2);
    EXPECT_TRUE(r.ReadListEnd());
    EXPECT_TRUE(r.ReadTreeBegin("m_Tree"));
    EXPECT_EQ(r.GetNextValueType(), VALTYPE_TreeStratumBegin);
    EXPECT_TRUE(r.ReadTreeStratumBegin());
    EXPECT_FALSE(r.ReadTreeStratumBegin());
    EXPECT_EQ(f.log.Joined(), "GxContentTextReader/ValueType Isn't VALTYPE_TreeStratumBegin Line=7\n");
    EXPECT_TRUE(r.ReadTreeEnd());
    // A count larger than the rest of the file is read as stored; the first element read fails.
    count = 0;
    EXPECT_TRUE(r.ReadListBegin("m_Big", count));
    EXPECT_EQ(count, 999u);
    uint8_t v = 0;
    EXPECT_FALSE(r.ReadGxU8("v", v));
    EXPECT_EQ(r.GetErrorCount(), 2);
}

TEST(ContentTextReader, HeaderAndEnd)
{
    {
        TextFixture f("TGDX\t100\n");
        GxContentTextReader r(f.buffer);
        uint32_t version = 3;
        EXPECT_FALSE(r.ReadHeader("TGD", version));
        EXPECT_EQ(version, 3u);
        EXPECT_EQ(f.log.Joined(), "GxContentTextReader/FileHeader Isn't TGD Line=1\n");
    }
    {
        TextFixture f("TGD\n");  // no version field
        GxContentTextReader r(f.buffer);
        uint32_t version = 3;
        EXPECT_FALSE(r.ReadHeader("TGD", version));
    }
    {
        // Reading at the end gives an empty line, code 0: every read fails with its type
        // message; skipping fails too, so a skipping loop ends.
        TextFixture f("05\ta\t1\n");
        GxContentTextReader r(f.buffer);
        r.SkipValue();
        EXPECT_TRUE(r.IsEnd());
        EXPECT_EQ(r.GetNextValueType(), 0);
        int16_t v = 4;
        EXPECT_FALSE(r.ReadGxS16("a", v));
        EXPECT_EQ(v, 4);
        EXPECT_FALSE(r.SkipValue());
        EXPECT_EQ(r.GetErrorCount(), 2);
        EXPECT_EQ(f.log.Lines()[0], "GxContentTextReader/ValueType Isn't VALTYPE_GxS16 Line=1\n");
        EXPECT_EQ(f.log.Lines()[1], "GxContentTextReader/ReadPos Overrun Line=1\n");
    }
    {
        // A 0 byte ends the data.
        TextFixture f(std::string("05\ta\t1\n\0" "05\tb\t2\n", 15));
        GxContentTextReader r(f.buffer);
        EXPECT_EQ(r.ReadGxS32Value("a"), 1);
        EXPECT_TRUE(r.IsEnd());
    }
}

TEST(ContentTextReader, LineScanner)
{
    const std::string text = "ab\r\tc\f\n\r\r\nx\x82\ny\n";
    const char* end = text.data() + text.size();
    const char* pos = nullptr;
    uint32_t line = 0;
    EXPECT_EQ(GxReadLineA(text.data(), &pos, &line, end), "ab\tc");
    EXPECT_EQ(line, 1u);
    EXPECT_EQ(pos, text.data() + 9);  // carriage returns after the line feed are consumed
    EXPECT_EQ(GxReadLineA(pos, &pos, &line, end), "");
    EXPECT_EQ(line, 2u);
    // A lead byte of the ANSI code page takes the next byte with it, even a line feed.
    EXPECT_EQ(GxReadLineA(pos, &pos, &line, end), "x\x82\ny");
    EXPECT_EQ(line, 3u);
    EXPECT_EQ(pos, end);
    GxSkipLineA(pos, &pos, &line, end);
    EXPECT_EQ(line, 3u);

    std::string out;
    const std::string q = "\"a\nb\\\"c\"rest";
    GxReadQuotedTextA(out, q.data(), &pos, &line, q.data() + q.size());
    EXPECT_EQ(out, "ab\"c");
    EXPECT_EQ(line, 4u);
    EXPECT_EQ(std::string(pos), "rest");

    char bytes[5];
    EXPECT_EQ(GxMbcCodeToBytes(bytes, 0x835C), 2);
    EXPECT_STREQ(bytes, "\x83\x5C");
    EXPECT_EQ(GxMbcCodeToBytes(bytes, 'A'), 1);
    EXPECT_STREQ(bytes, "A");
}

}  // namespace
