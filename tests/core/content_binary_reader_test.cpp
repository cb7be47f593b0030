// Binary content reader: typed reads, the cross-type acceptance, errors that consume exactly the
// code byte, bounds on counts and lengths, the header, and SkipValue.
#include <gtest/gtest.h>

#include <string>

#include "core/GxContentReader.h"
#include "tests/support/GxContentFixture.h"

namespace {

std::string Bytes(std::initializer_list<int> b)
{
    std::string s;
    for (int v : b) s.push_back(static_cast<char>(v));
    return s;
}

struct BinFixture
{
    explicit BinFixture(const std::string& bytes) { GxContentFillBuffer(buffer, bytes); }
    GxBinBuffer buffer;
    GxContentLogCapture log;
};

TEST(ContentBinaryReader, WrongTypeConsumesOnlyTheCode)
{
    BinFixture f(Bytes({0x05, 0xFF, 0xFF, 0xFF, 0xFE}));
    {
        GxContentBinaryReader r(f.buffer);
        int32_t v = 0;
        EXPECT_TRUE(r.ReadGxS32("m", v));
        EXPECT_EQ(v, -2);
        EXPECT_TRUE(r.IsEnd());
        EXPECT_EQ(r.GetErrorCount(), 0);
    }
    GxContentBinaryReader r(f.buffer);
    uint32_t u = 77;
    EXPECT_FALSE(r.ReadGxU32("m", u));
    EXPECT_EQ(u, 77u);
    EXPECT_EQ(r.GetErrorCount(), 1);
    ASSERT_EQ(f.log.Lines().size(), 1u);
    EXPECT_EQ(f.log.Lines()[0], "GxContentBinaryReader/ValueType Isn't VALTYPE_GxU32\n");
    // The payload stays: the next code is its first byte.
    EXPECT_EQ(r.GetNextValueType(), 0xFF);
    EXPECT_EQ(r.GetNextValueType(), 0xFF);
}

TEST(ContentBinaryReader, TypeMessagesPerOperation)
{
    struct Case { const char* message; std::function<bool(GxContentReaderBase&)> read; };
    const Case cases[] = {
        {"VALTYPE_GxS8", [](GxContentReaderBase& r) { int8_t v; return r.ReadGxS8("n", v); }},
        {"VALTYPE_GxU8", [](GxContentReaderBase& r) { uint8_t v; return r.ReadGxU8("n", v); }},
        {"VALTYPE_GxS16", [](GxContentReaderBase& r) { int16_t v; return r.ReadGxS16("n", v); }},
        {"VALTYPE_GxU16", [](GxContentReaderBase& r) { uint16_t v; return r.ReadGxU16("n", v); }},
        {"VALTYPE_GxS32", [](GxContentReaderBase& r) { int32_t v; return r.ReadGxS32Alt("n", v); }},
        {"VALTYPE_GxU32", [](GxContentReaderBase& r) { uint32_t v; return r.ReadGxU32Alt("n", v); }},
        {"VALTYPE_GxS64", [](GxContentReaderBase& r) { int64_t v; return r.ReadGxS64("n", v); }},
        {"VALTYPE_GxU64", [](GxContentReaderBase& r) { uint64_t v; return r.ReadGxU64("n", v); }},
        {"VALTYPE_GxF32", [](GxContentReaderBase& r) { float v; return r.ReadGxF32("n", v); }},
        {"VALTYPE_GxF64", [](GxContentReaderBase& r) { double v; return r.ReadGxF64("n", v); }},
        {"VALTYPE_GxBool", [](GxContentReaderBase& r) { bool v; return r.ReadGxBool("n", v); }},
        {"VALTYPE_GxBit32", [](GxContentReaderBase& r) { GxBit32 v; return r.ReadGxBit32("n", v); }},
        {"VALTYPE_GxBinary", [](GxContentReaderBase& r) { GxBinBuffer b; return r.ReadGxBinary("n", b); }},
        {"VALTYPE_ListBegin", [](GxContentReaderBase& r) { uint32_t c; return r.ReadListBegin("n", c); }},
        {"VALTYPE_ListEnd", [](GxContentReaderBase& r) { return r.ReadListEnd(); }},
        {"VALTYPE_TreeBegin", [](GxContentReaderBase& r) { return r.ReadTreeBegin("n"); }},
        {"VALTYPE_TreeEnd", [](GxContentReaderBase& r) { return r.ReadTreeEnd(); }},
        {"VALTYPE_TreeStratumBegin", [](GxContentReaderBase& r) { return r.ReadTreeStratumBegin(); }},
        {"VALTYPE_TreeStratumEnd", [](GxContentReaderBase& r) { return r.ReadTreeStratumEnd(); }},
        {"VALTYPE_GxStringSJIS or VALTYPE_GxStringUTF8",
         [](GxContentReaderBase& r) { std::u16string s(u"keep"); return r.ReadGxStringStdW("n", s) || s != u"keep"; }},
    };
    for (const Case& c : cases) {
        BinFixture f(Bytes({0x30, 0, 0, 0, 0}));  // a code no operation accepts
        GxContentBinaryReader r(f.buffer);
        EXPECT_FALSE(c.read(r)) << c.message;
        EXPECT_EQ(r.GetErrorCount(), 1) << c.message;
        ASSERT_EQ(f.log.Lines().size(), 1u) << c.message;
        EXPECT_EQ(f.log.Lines()[0], std::string("GxContentBinaryReader/ValueType Isn't ") + c.message + "\n");
        EXPECT_EQ(r.GetNextValueType(), 0);  // the code byte alone was consumed
    }
}

TEST(ContentBinaryReader, ValueFormsGiveDefaultsOnFailure)
{
    BinFixture f(Bytes({0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30}));
    GxContentBinaryReader r(f.buffer);
    EXPECT_EQ(r.ReadGxS8Value("n"), 0);
    EXPECT_EQ(r.ReadGxU16Value("n"), 0);
    EXPECT_EQ(r.ReadGxS32AltValue("n"), 0);
    EXPECT_EQ(r.ReadGxU32AltValue("n"), 0u);
    EXPECT_EQ(r.ReadGxS64Value("n"), 0);
    EXPECT_EQ(r.ReadGxF64Value("n"), 0.0);
    EXPECT_FALSE(r.ReadGxBoolValue("n"));
    EXPECT_EQ(r.ReadGxBit32Value("n"), 0u);
    EXPECT_EQ(r.ReadGxStringWValue("n"), u"");
    EXPECT_EQ(r.ReadGxStringAValue("n"), "");
    EXPECT_EQ(r.GetErrorCount(), 10);
}

TEST(ContentBinaryReader, ReadAtTheEndLogsTwice)
{
    BinFixture f("");
    GxContentBinaryReader r(f.buffer);
    EXPECT_TRUE(r.IsEnd());
    EXPECT_EQ(r.GetNextValueType(), 255);
    int32_t v = 5;
    EXPECT_FALSE(r.ReadGxS32("n", v));
    EXPECT_EQ(v, 5);
    EXPECT_EQ(r.GetErrorCount(), 2);
    ASSERT_EQ(f.log.Lines().size(), 2u);
    EXPECT_EQ(f.log.Lines()[0], "GxContentBinaryReader/ReadPos Overrun\n");
    EXPECT_EQ(f.log.Lines()[1], "GxContentBinaryReader/ValueType Isn't VALTYPE_GxS32\n");
    EXPECT_FALSE(r.SkipValue());
    EXPECT_EQ(r.GetErrorCount(), 3);
}

// A value cut short by the end of the data is an overrun; nothing of it reaches the destination.
TEST(ContentBinaryReader, TruncatedPayloadLeavesDestination)
{
    BinFixture f(Bytes({0x07, 1, 2, 3}));
    GxContentBinaryReader r(f.buffer);
    int64_t v = 9;
    EXPECT_FALSE(r.ReadGxS64("n", v));
    EXPECT_EQ(v, 9);
    EXPECT_EQ(r.GetErrorCount(), 1);
    EXPECT_EQ(f.log.Joined(), "GxContentBinaryReader/ReadPos Overrun\n");
}

TEST(ContentBinaryReader, StringsAndTheirBounds)
{
    {
        // Count 5 with only 3 bytes left: empty, one overrun.
        BinFixture f(Bytes({0x1A, 0, 0, 0, 5, 'a', 'b', 'c'}));
        GxContentBinaryReader r(f.buffer);
        EXPECT_EQ(r.ReadGxStringWValue("s"), u"");
        EXPECT_EQ(r.GetErrorCount(), 1);
        EXPECT_EQ(f.log.Joined(), "GxContentBinaryReader/ReadPos Overrun\n");
    }
    {
        // A huge count in a tiny file is refused without allocating.
        BinFixture f(Bytes({0x1A, 0xFF, 0xFF, 0xFF, 0xF0, 'a', 0}));
        GxContentBinaryReader r(f.buffer);
        std::u16string s(u"keep");
        EXPECT_FALSE(r.ReadGxStringStdW("s", s));
        EXPECT_EQ(s, u"keep");
        EXPECT_EQ(r.GetErrorCount(), 1);
    }
    {
        // The count's own bytes missing.
        BinFixture f(Bytes({0x1A, 0, 0}));
        GxContentBinaryReader r(f.buffer);
        std::string s("keep");
        EXPECT_FALSE(r.ReadGxStringStdA("s", s));
        EXPECT_EQ(s, "keep");
        EXPECT_EQ(r.GetErrorCount(), 1);
    }
    {
        // Text ends early at a NUL among its bytes; the next value follows the whole record.
        // The final string lacks its terminator at the very end of the data, which is accepted.
        BinFixture f(Bytes({0x1A, 0, 0, 0, 3, 'a', 0, 'c', 0, 0x02, 9, 0x1A, 0, 0, 0, 2, 'x', 'y'}));
        GxContentBinaryReader r(f.buffer);
        EXPECT_EQ(r.ReadGxStringWValue("s"), u"a");
        EXPECT_EQ(r.ReadGxU8Value("n"), 9);
        EXPECT_EQ(r.ReadGxStringWValue("s"), u"xy");
        EXPECT_TRUE(r.IsEnd());
        EXPECT_EQ(r.GetErrorCount(), 0);
    }
    {
        // Code 24 holds ANSI code-page bytes: converted for the wide form, as they are for the
        // narrow one. Code 26 goes from UTF-8 to the ANSI code page for the narrow form.
        BinFixture f(Bytes({0x18, 0, 0, 0, 2, 0x83, 0x5C, 0, 0x18, 0, 0, 0, 2, 0x83, 0x5C, 0,  //
                            0x1A, 0, 0, 0, 3, 0xE3, 0x82, 0xBD, 0}));
        GxContentBinaryReader r(f.buffer);
        EXPECT_EQ(r.ReadGxStringWValue("s"), u"ソ");
        EXPECT_EQ(r.ReadGxStringAValue("s"), "\x83\x5C");
        EXPECT_EQ(r.ReadGxStringAValue("s"), "\x83\x5C");
        EXPECT_EQ(r.GetErrorCount(), 0);
    }
}

TEST(ContentBinaryReader, BinaryBlocks)
{
    {
        BinFixture f(Bytes({0x1B, 0, 0, 0, 3, 7, 8, 9, 0x1B, 0, 0, 0, 0}));
        GxContentBinaryReader r(f.buffer);
        GxBinBuffer b;
        ASSERT_TRUE(r.ReadGxBinary("b", b));
        ASSERT_EQ(b.GetSize(), 3u);
        EXPECT_EQ(b.GetBuffer()[0], 7);
        EXPECT_EQ(b.GetBuffer()[2], 9);
        EXPECT_EQ(b.GetRefCount(), 1u);
        ASSERT_TRUE(r.ReadGxBinary("b", b));
        EXPECT_EQ(b.GetSize(), 0u);
        EXPECT_TRUE(r.IsEnd());
    }
    {
        BinFixture f(Bytes({0x1B, 0x7F, 0xFF, 0xFF, 0xFF, 1, 2}));
        GxContentBinaryReader r(f.buffer);
        GxBinBuffer b(2);
        b.GetBuffer()[0] = 42;
        EXPECT_FALSE(r.ReadGxBinary("b", b));
        EXPECT_EQ(b.GetSize(), 2u);
        EXPECT_EQ(b.GetBuffer()[0], 42);
        EXPECT_EQ(r.GetErrorCount(), 1);
    }
}

TEST(ContentBinaryReader, ListAndTreeFraming)
{
    BinFixture f(Bytes({0x20, 0, 0, 0, 2, 0x02, 1, 0x02, 2, 0x21,  //
                        0x22, 0x24, 0x02, 5, 0x24, 0x25, 0x25, 0x23}));
    GxContentBinaryReader r(f.buffer);
    uint32_t count = 0;
    ASSERT_TRUE(r.ReadListBegin("m_List", count));
    ASSERT_EQ(count, 2u);
    for (uint32_t i = 0; i < count; ++i) {
        EXPECT_TRUE(r.ReadListItemBegin());
        EXPECT_EQ(r.ReadGxU8Value("v"), i + 1);
        EXPECT_TRUE(r.ReadListItemEnd());
    }
    EXPECT_TRUE(r.ReadListEnd());
    EXPECT_TRUE(r.ReadTreeBegin("t"));
    EXPECT_EQ(r.GetNextValueType(), VALTYPE_TreeStratumBegin);
    EXPECT_TRUE(r.ReadTreeStratumBegin());
    EXPECT_EQ(r.ReadGxU8Value("n"), 5);
    EXPECT_TRUE(r.ReadTreeStratumBegin());
    EXPECT_TRUE(r.ReadTreeStratumEnd());
    EXPECT_TRUE(r.ReadTreeStratumEnd());
    EXPECT_FALSE(r.ReadTreeStratumEnd());  // the tree's end is next
    EXPECT_EQ(r.GetErrorCount(), 1);
    EXPECT_TRUE(r.IsEnd());
}

TEST(ContentBinaryReader, ListCountIsAsStoredAndADamagedOneEndsAtTheFirstFailedRead)
{
    BinFixture f(Bytes({0x20, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 1, 0x21}));
    GxContentBinaryReader r(f.buffer);
    uint32_t count = 0;
    ASSERT_TRUE(r.ReadListBegin("m_List", count));
    EXPECT_EQ(count, 4294967295u);
    uint32_t read = 0;
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t v = 0;
        if (!r.ReadGxU8("v", v)) break;
        ++read;
    }
    EXPECT_EQ(read, 1u);
    EXPECT_EQ(r.GetErrorCount(), 1);
    EXPECT_EQ(f.log.Joined(), "GxContentBinaryReader/ValueType Isn't VALTYPE_GxU8\n");
}

TEST(ContentBinaryReader, HeaderTagMustEndWhereExpected)
{
    auto header = [](const std::string& tag, uint32_t version) {
        std::string h = tag;
        h.resize(16, '\0');
        h += Bytes({static_cast<int>(version >> 24), static_cast<int>((version >> 16) & 255),
                    static_cast<int>((version >> 8) & 255), static_cast<int>(version & 255)});
        return h;
    };
    {
        BinFixture f(header("BGD", 100) + Bytes({0x0B, 1}));
        GxContentBinaryReader r(f.buffer);
        uint32_t version = 0;
        EXPECT_TRUE(r.ReadHeader("BGD", version));
        EXPECT_EQ(version, 100u);
        EXPECT_TRUE(r.ReadGxBoolValue("b"));
        EXPECT_EQ(r.GetErrorCount(), 0);
    }
    {
        BinFixture f(header("BGDX", 100));
        GxContentBinaryReader r(f.buffer);
        uint32_t version = 7;
        EXPECT_FALSE(r.ReadHeader("BGD", version));
        EXPECT_EQ(version, 7u);
        EXPECT_EQ(f.log.Joined(), "GxContentBinaryReader/FileHeader Isn't BGD\n");
        EXPECT_EQ(r.GetNextValueType(), 'B');  // the position stays
    }
    {
        // Fifteen characters fill the tag area but for its terminator; the 16th stored byte is
        // not looked at.
        std::string h = header("ABCDEFGHIJKLMNO", 0x01020304);
        h[15] = 'Z';
        BinFixture f(h);
        GxContentBinaryReader r(f.buffer);
        uint32_t version = 0;
        EXPECT_TRUE(r.ReadHeader("ABCDEFGHIJKLMNO", version));
        EXPECT_EQ(version, 0x01020304u);
    }
    {
        BinFixture f(header("BGD", 1).substr(0, 18));
        GxContentBinaryReader r(f.buffer);
        uint32_t version = 0;
        EXPECT_FALSE(r.ReadHeader("BGD", version));
        EXPECT_EQ(f.log.Joined(), "GxContentBinaryReader/ReadPos Overrun\n");
        BinFixture g("BGD");
        GxContentBinaryReader r2(g.buffer);
        EXPECT_FALSE(r2.ReadHeader("BGD", version));
        EXPECT_EQ(r2.GetErrorCount(), 1);
    }
}

TEST(ContentBinaryReader, SkipValueMovesByThePayload)
{
    struct Case { std::string bytes; size_t moved; };
    std::string b64(64, '\x11');
    const Case cases[] = {
        {Bytes({0x15, 1, 2, 3, 4, 0x99}), 5},         // GxBit32
        {"\x11" + b64 + "\x99", 65},                  // GxMatrix
        {Bytes({0x0B, 1, 0x99}), 2},                  // GxBool
        {Bytes({0x32, 1, 2, 3, 4, 5, 6, 7, 8, 0x99}), 9},  // GxPoint2
        {Bytes({0x1A, 0, 0, 0, 2, 'a', 'b', 0, 0x99}), 8},  // string with terminator
        {Bytes({0x18, 0, 0, 0, 1, 'a', 0, 0x99}), 7},       // ANSI string
        {Bytes({0x1B, 0, 0, 0, 2, 1, 2, 0x99}), 7},          // binary data
        {Bytes({0x20, 0, 0, 0, 9, 0x99}), 5},                 // ListBegin: only its count
        {Bytes({0x21, 0x99}), 1},
        {Bytes({0x25, 0x99}), 1},
        {Bytes({0x00, 0x99}), 1},                            // no value type: the code alone
    };
    for (const Case& c : cases) {
        BinFixture f(c.bytes);
        GxContentBinaryReader r(f.buffer);
        EXPECT_TRUE(r.SkipValue()) << c.moved;
        EXPECT_EQ(r.GetNextValueType(), 0x99) << c.moved;
        EXPECT_EQ(r.GetErrorCount(), 0);
    }
    // Payloads that run past the end are overruns.
    for (const std::string& bytes : {Bytes({0x11, 1, 2}), Bytes({0x1A, 0, 0, 0, 9, 'a'}), Bytes({0x1B, 0, 0}),
                                     Bytes({0x20, 0})}) {
        BinFixture f(bytes);
        GxContentBinaryReader r(f.buffer);
        EXPECT_FALSE(r.SkipValue());
        EXPECT_EQ(r.GetErrorCount(), 1);
        EXPECT_EQ(f.log.Joined(), "GxContentBinaryReader/ReadPos Overrun\n");
    }
}

TEST(ContentBinaryReader, SetBufferKeepsCountsAndFlag)
{
    BinFixture f(Bytes({0x30}));
    GxContentBinaryReader r(f.buffer);
    r.SetCheckValueName(0);
    EXPECT_FALSE(r.ReadTreeEnd());
    const uint8_t more[] = {0x23};
    r.SetBuffer(more, 1);
    EXPECT_TRUE(r.ReadTreeEnd());
    EXPECT_EQ(r.GetErrorCount(), 1);
    EXPECT_EQ(r.GetCheckValueName(), 0);
    // The pointer-and-length constructor reads a plain block.
    GxContentBinaryReader p(more, 1);
    EXPECT_EQ(p.GetNextValueType(), VALTYPE_TreeEnd);
    GxContentBinaryReader none(nullptr, 0);
    EXPECT_TRUE(none.IsEnd());
}

}  // namespace
