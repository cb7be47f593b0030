// Content writers: the exact bytes and lines of both forms, and the counting of failed writes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include <unistd.h>

#include "core/GxContentWriter.h"
#include "tests/support/GxContentFixture.h"

namespace {

using Body = std::function<void(GxContentWriterBase&)>;

std::string Bin(const Body& body) { return GxContentWriteToString(GxContentForm::Binary, body); }
std::string Txt(const Body& body) { return GxContentWriteToString(GxContentForm::Text, body); }

std::string Bytes(std::initializer_list<int> b)
{
    std::string s;
    for (int v : b) s.push_back(static_cast<char>(v));
    return s;
}

TEST(ContentWriter, WorkedExamplesGolden)
{
    Body s32 = [](GxContentWriterBase& w) { EXPECT_TRUE(w.WriteGxS32("m_LayerIndex", 3)); };
    EXPECT_EQ(Bin(s32), Bytes({0x05, 0, 0, 0, 3}));
    EXPECT_EQ(Txt(s32), "05\tm_LayerIndex\t3\n");

    Body str = [](GxContentWriterBase& w) { EXPECT_TRUE(w.WriteGxStringW("m_LayerName", u"a\"b")); };
    EXPECT_EQ(Bin(str), Bytes({0x1A, 0, 0, 0, 3, 'a', '"', 'b', 0}));
    EXPECT_EQ(Txt(str), "1a\tm_LayerName\t4\t\"a\\\"b\"\n");

    Body empty = [](GxContentWriterBase& w) { EXPECT_TRUE(w.WriteGxStringStdW("name", u"")); };
    EXPECT_EQ(Bin(empty), Bytes({0x1A, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Txt(empty), "1a\tname\t0\t\"\"\n");
}

TEST(ContentWriter, ScalarsInBothForms)
{
    Body body = [](GxContentWriterBase& w) {
        w.WriteGxS8("a", -5);
        w.WriteGxU8("b", 200);
        w.WriteGxS16("c", -300);
        w.WriteGxU16("d", 65535);
        w.WriteGxU32("e", 4000000000u);
        w.WriteGxS32Alt("f", -1);
        w.WriteGxU32Alt("g", 7);
        w.WriteGxS64("h", INT64_MIN);
        w.WriteGxU64("i", 0x8000000000000001ull);
        w.WriteGxF32("j", 1.0f);
        w.WriteGxF64("k", -0.25);
        w.WriteGxBool("l", true);
        w.WriteGxBit32("m", 0xFFFFFFFFu);
    };
    EXPECT_EQ(Txt(body),
              "01\ta\t-5\n"
              "02\tb\t200\n"
              "03\tc\t-300\n"
              "04\td\t65535\n"
              "06\te\t4000000000\n"
              "05\tf\t-1\n"
              "06\tg\t7\n"
              "07\th\t-9223372036854775808\n"
              "08\ti\t9223372036854775809\n"
              "09\tj\t1.000000\n"
              "0a\tk\t-0.250000\n"
              "0b\tl\t1\n"
              "15\tm\t4294967295\n");
    EXPECT_EQ(Bin(body), Bytes({0x01, 0xFB,                                          //
                                0x02, 0xC8,                                          //
                                0x03, 0xFE, 0xD4,                                    //
                                0x04, 0xFF, 0xFF,                                    //
                                0x06, 0xEE, 0x6B, 0x28, 0x00,                        //
                                0x05, 0xFF, 0xFF, 0xFF, 0xFF,                        //
                                0x06, 0, 0, 0, 7,                                    //
                                0x07, 0x80, 0, 0, 0, 0, 0, 0, 0,                     //
                                0x08, 0x80, 0, 0, 0, 0, 0, 0, 1,                     //
                                0x09, 0x3F, 0x80, 0, 0,                              //
                                0x0A, 0xBF, 0xD0, 0, 0, 0, 0, 0, 0,                  //
                                0x0B, 0x01,                                          //
                                0x15, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(ContentWriter, FloatTextKeepsSixDecimals)
{
    Body body = [](GxContentWriterBase& w) {
        w.WriteGxF32("a", 0.1234567f);
        w.WriteGxF64("b", 1.5);
        w.WriteGxF64("c", 1e20);
        w.WriteGxF64("d", -0.0000004);
    };
    EXPECT_EQ(Txt(body),
              "09\ta\t0.123457\n"
              "0a\tb\t1.500000\n"
              "0a\tc\t100000000000000000000.000000\n"
              "0a\td\t-0.000000\n");
}

TEST(ContentWriter, HeaderTagLimit)
{
    const char* tag15 = "ABCDEFGHIJKLMNO";
    std::string bin = Bin([&](GxContentWriterBase& w) { EXPECT_TRUE(w.WriteHeader(tag15, 100)); });
    ASSERT_EQ(bin.size(), 20u);
    EXPECT_EQ(bin, std::string(tag15) + Bytes({0, 0, 0, 0, 100}));
    EXPECT_EQ(Bin([](GxContentWriterBase& w) { w.WriteHeader("BGD", 100); }),
              std::string("BGD") + std::string(13, '\0') + Bytes({0, 0, 0, 100}));
    EXPECT_EQ(Txt([](GxContentWriterBase& w) { w.WriteHeader("TGD", 100); }), "TGD\t100\n");

    for (GxContentForm form : {GxContentForm::Binary, GxContentForm::Text}) {
        GxContentLogCapture log;
        int errors = -1;
        std::string out = GxContentWriteToString(form, [&](GxContentWriterBase& w) {
            EXPECT_FALSE(w.WriteHeader("ABCDEFGHIJKLMNOP", 100));
            errors = w.GetErrorCount();
        });
        EXPECT_EQ(out, "");
        EXPECT_EQ(errors, 1);
        ASSERT_EQ(log.Lines().size(), 1u);
        EXPECT_EQ(log.Lines()[0], form == GxContentForm::Binary
                                      ? "GxContentBinaryWriter/Header String Too Long(Limit=15 Chars)\n"
                                      : "GxContentTextWriter/Header String Too Long(Limit=15 Chars)\n");
    }
}

TEST(ContentWriter, StringEscapesInOrder)
{
    std::string t = Txt([](GxContentWriterBase& w) { w.WriteGxStringW("s", u"\\\n\r\f\t\"'x\v"); });
    // Seven characters are escaped; the vertical tab is written as it is.
    EXPECT_EQ(t, "1a\ts\t16\t\"\\\\\\n\\r\\f\\t\\\"\\'x\v\"\n");
    // The value's line has exactly the three separating tabs.
    EXPECT_EQ(std::count(t.begin(), t.end(), '\t'), 3);

    // The count is of escaped UTF-8 bytes; surrogate pairs become one four-byte character.
    EXPECT_EQ(Txt([](GxContentWriterBase& w) { w.WriteGxStringW("s", u"あ😀"); }),
              "1a\ts\t7\t\"\xE3\x81\x82\xF0\x9F\x98\x80\"\n");
    // A stored string ends at its first NUL in both forms.
    std::u16string withNul(u"ab");
    withNul.push_back(0);
    withNul += u"cd";
    EXPECT_EQ(Bin([&](GxContentWriterBase& w) { w.WriteGxStringStdW("s", withNul); }),
              Bytes({0x1A, 0, 0, 0, 2, 'a', 'b', 0}));
    EXPECT_EQ(Txt([&](GxContentWriterBase& w) { w.WriteGxStringStdW("s", withNul); }), "1a\ts\t2\t\"ab\"\n");
}

TEST(ContentWriter, AnsiTextIsStoredAsUtf8)
{
    // "あソ" in the ANSI code page: the second character's trail byte is 0x5C, a backslash in ASCII.
    const char* ansi = "\x82\xA0\x83\x5C";
    EXPECT_EQ(Bin([&](GxContentWriterBase& w) { w.WriteGxStringA("s", ansi); }),
              Bytes({0x1A, 0, 0, 0, 6, 0xE3, 0x81, 0x82, 0xE3, 0x82, 0xBD, 0}));
    EXPECT_EQ(Txt([&](GxContentWriterBase& w) { w.WriteGxStringStdA("s", ansi); }),
              "1a\ts\t6\t\"\xE3\x81\x82\xE3\x82\xBD\"\n");
    EXPECT_EQ(Txt([&](GxContentWriterBase& w) { w.WriteGxStringA("s", "it's"); }), "1a\ts\t5\t\"it\\'s\"\n");
}

TEST(ContentWriter, BinaryDataLines)
{
    EXPECT_EQ(Bin([](GxContentWriterBase& w) { w.WriteGxBinary("b", "", 0); }), Bytes({0x1B, 0, 0, 0, 0}));
    EXPECT_EQ(Txt([](GxContentWriterBase& w) { w.WriteGxBinary("b", nullptr, 0); }), "1b\tb\t0\n");

    std::string data;
    for (int i = 0; i < 64; ++i) data.push_back(static_cast<char>(i * 7));
    auto hex = [&](int from, int to) {
        std::string s;
        char buf[3];
        for (int i = from; i < to; ++i) {
            snprintf(buf, sizeof buf, "%02x", static_cast<unsigned char>(data[i]));
            s += buf;
        }
        return s;
    };
    EXPECT_EQ(Txt([&](GxContentWriterBase& w) { w.WriteGxBinary("b", data.data(), 64); }),
              "1b\tb\t64\n" + hex(0, 32) + "\n" + hex(32, 64) + "\n");
    EXPECT_EQ(Txt([&](GxContentWriterBase& w) { w.WriteGxBinary("b", data.data(), 33); }),
              "1b\tb\t33\n" + hex(0, 32) + "\n" + hex(32, 33) + "\n");
    EXPECT_EQ(Bin([&](GxContentWriterBase& w) { w.WriteGxBinary("b", data.data(), 3); }),
              Bytes({0x1B, 0, 0, 0, 3}) + data.substr(0, 3));

    // A block far larger than one line buffer still comes out as whole lines.
    std::string big(100000, '\x5A');
    std::string t = Txt([&](GxContentWriterBase& w) { w.WriteGxBinary("b", big.data(), 100000); });
    size_t lines = std::count(t.begin(), t.end(), '\n');
    EXPECT_EQ(lines, 1u + (100000 + 31) / 32);
    EXPECT_EQ(t.size(), std::string("1b\tb\t100000\n").size() + 200000 + (100000 + 31) / 32);
}

TEST(ContentWriter, ListAndTreeFraming)
{
    Body body = [](GxContentWriterBase& w) {
        EXPECT_TRUE(w.WriteListBegin("m_List", "", 2));
        EXPECT_TRUE(w.WriteListItemBegin());
        w.WriteGxU8("v", 1);
        EXPECT_TRUE(w.WriteListItemEnd());
        w.WriteListItemBegin();
        w.WriteGxU8("v", 2);
        w.WriteListItemEnd();
        EXPECT_TRUE(w.WriteListEnd());
        w.WriteListBegin("m_Empty", "x", 0);
        w.WriteListEnd();
        EXPECT_TRUE(w.WriteTreeBegin("m_LayerTree", ""));
        EXPECT_TRUE(w.WriteTreeStratumBegin());
        w.WriteGxU8("n", 1);
        w.WriteTreeStratumBegin();
        w.WriteGxU8("n", 2);
        EXPECT_TRUE(w.WriteTreeStratumEnd());
        w.WriteTreeStratumEnd();
        EXPECT_TRUE(w.WriteTreeEnd());
    };
    EXPECT_EQ(Bin(body), Bytes({0x20, 0, 0, 0, 2, 0x02, 1, 0x02, 2, 0x21,  //
                                0x20, 0, 0, 0, 0, 0x21,                    //
                                0x22, 0x24, 0x02, 1, 0x24, 0x02, 2, 0x25, 0x25, 0x23}));
    EXPECT_EQ(Txt(body),
              "20\tm_List\t\t2\t{\n02\tv\t1\n02\tv\t2\n21\t}\n"
              "20\tm_Empty\tx\t0\t{\n21\t}\n"
              "22\tm_LayerTree\t\t{\n24\t{\n02\tn\t1\n24\t{\n02\tn\t2\n25\t}\n25\t}\n23\t}\n");
}

// A save onto a full disk must not be reported as success, whether the failure shows at a write,
// at the final flush or at the close.
TEST(ContentWriter, FullDiskIsCounted)
{
    struct stat st;
    if (stat("/dev/full", &st) != 0 || !S_ISCHR(st.st_mode)) GTEST_SKIP() << "/dev/full is not the full-disk device";
    for (GxContentForm form : {GxContentForm::Binary, GxContentForm::Text}) {
        SCOPED_TRACE(form == GxContentForm::Binary ? "binary" : "text");
        auto make = [&](FILE* f) -> std::unique_ptr<GxContentWriterBase> {
            if (form == GxContentForm::Binary) return std::make_unique<GxContentBinaryWriter>(f);
            return std::make_unique<GxContentTextWriter>(f);
        };
        {
            // Small: every write lands in the stream buffer; the flush in GetErrorCount fails.
            FILE* f = fopen("/dev/full", "wb");
            ASSERT_NE(f, nullptr);
            auto w = make(f);
            EXPECT_TRUE(w->WriteHeader("BGD", 100));
            EXPECT_TRUE(w->WriteGxS32("v", 1));
            EXPECT_EQ(w->GetErrorCount(), 1);
            EXPECT_EQ(w->GetErrorCount(), 1);  // one failed stream, counted once
            fclose(f);
        }
        {
            // Large: writes themselves fail once the buffer has to go out.
            FILE* f = fopen("/dev/full", "wb");
            ASSERT_NE(f, nullptr);
            auto w = make(f);
            int failed = 0;
            for (int i = 0; i < 20000; ++i)
                if (!w->WriteGxS64("v", i)) ++failed;
            EXPECT_GT(failed, 0);
            EXPECT_GE(w->GetErrorCount(), failed);
            fclose(f);
        }
    }
    {
        // Closing through the writer counts the failed flush of the close.
        FILE* f = fopen("/dev/full", "wb");
        ASSERT_NE(f, nullptr);
        GxContentTextWriter w(f);
        EXPECT_TRUE(w.WriteGxS32("v", 1));
        EXPECT_FALSE(w.CloseFile());
        int afterClose = w.GetErrorCount();
        EXPECT_GE(afterClose, 1);
        EXPECT_FALSE(w.WriteGxS32("v", 2));  // no stream any more
        EXPECT_EQ(w.GetErrorCount(), afterClose + 1);
    }
}

TEST(ContentWriter, HealthyStreamHasNoErrors)
{
    char path[] = "/tmp/gx_content_writer_XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    FILE* f = fdopen(fd, "wb");
    GxContentBinaryWriter w(f);
    EXPECT_TRUE(w.WriteHeader("BGD", 100));
    for (int i = 0; i < 5000; ++i) EXPECT_TRUE(w.WriteGxS32("v", i));
    EXPECT_EQ(w.GetErrorCount(), 0);
    EXPECT_TRUE(w.CloseFile());
    EXPECT_EQ(w.GetErrorCount(), 0);
    FILE* r = fopen(path, "rb");
    ASSERT_NE(r, nullptr);
    fseek(r, 0, SEEK_END);
    EXPECT_EQ(ftell(r), 20 + 5000 * 5);
    fclose(r);
    remove(path);
}

TEST(ContentWriter, NoStreamFailsEveryWrite)
{
    GxContentBinaryWriter b(nullptr);
    EXPECT_FALSE(b.WriteGxS32("v", 1));
    EXPECT_FALSE(b.WriteListEnd());
    EXPECT_EQ(b.GetErrorCount(), 2);
    GxContentTextWriter t(nullptr);
    EXPECT_FALSE(t.WriteGxStringW("v", u"x"));
    EXPECT_EQ(t.GetErrorCount(), 1);
    // The item slots write nothing, so they cannot fail.
    EXPECT_TRUE(t.WriteListItemBegin());
    EXPECT_EQ(t.GetErrorCount(), 1);
}

}  // namespace
