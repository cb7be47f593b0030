// Pack files: format, name lookup, registration order, and refusal of broken or scrambled packs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/GxBinBuffer.h"
#include "core/GxFile.h"
#include "core/GxLog.h"
#include "core/GxPackFile.h"
#include "tests/support/GxPackWriter.h"

namespace {

class PackTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.IsValid());
        GxTestResetFileLayer();
    }
    void TearDown() override { GxTestResetFileLayer(); }

    std::string Load(std::u16string_view path)
    {
        GxBinBuffer buf;
        if (!GxFileLoadToBinBuffer(buf, path, false, true)) return "<fail>";
        return std::string(reinterpret_cast<const char*>(buf.GetBuffer()), buf.GetSize());
    }

    GxTestGameFolder m_Folder;
};

class PackNameWidthTest : public PackTest, public ::testing::WithParamInterface<bool>
{
};

TEST_P(PackNameWidthTest, MembersAreFoundByAnyCaseAndSeparatorAndReadExactly)
{
    GxPackWriter w;
    w.SetWideNames(GetParam());
    w.AddMember(u"cg/bg/sky.png", std::string_view("SKY-BYTES"), 0x1122334455667788ull);
    w.AddMember(u"Data/ReadMe.TXT", std::string_view("readme"), 7);
    w.AddMember(u"voices/日本語/声.ogg", std::string_view("koe"), 9);
    w.AddMember(u"empty.bin", std::string_view(""), 1);
    ASSERT_TRUE(w.Write("game.pak"));
    ASSERT_TRUE(GxFileOpenPack(u"game.pak"));
    ASSERT_EQ(GxFileGetPackCount(), 1u);

    GxPackFileHeaderCache* pack = nullptr;
    const GxPackIndexRecord* rec = nullptr;
    ASSERT_NE(GxFileFindPackMember(&pack, &rec, u"CG\\BG\\Sky.PNG"), nullptr);
    ASSERT_NE(pack, nullptr);
    EXPECT_EQ(rec->m_Size, 9u);
    EXPECT_EQ(rec->m_FileTime, 0x1122334455667788ull);
    EXPECT_EQ(rec->m_Path, u"cg/bg/sky.png");
    EXPECT_EQ(pack->GetNameWidth(), GetParam() ? 1u : 0u);

    EXPECT_EQ(Load(u"CG\\BG\\Sky.PNG"), "SKY-BYTES");
    EXPECT_EQ(Load(u"data/readme.txt"), "readme");
    EXPECT_EQ(Load(u"VOICES/日本語/声.OGG"), "koe");
    EXPECT_EQ(Load(u"empty.bin"), "");
    EXPECT_EQ(GxFileExists(u"data\\README.txt"), 2);
    EXPECT_EQ(GxFileGetSize(u"cg/bg/sky.png"), 9u);
    EXPECT_EQ(GxFileExists(u"cg/bg/sky.pn"), 0);
    EXPECT_EQ(GxFileExists(u"cg/bg"), 0);
}

INSTANTIATE_TEST_SUITE_P(NameWidths, PackNameWidthTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? std::string("Utf16") : std::string("Cp932"); });

TEST_F(PackTest, FirstOfDuplicatePathsWinsWithinAPackAndAcrossPacks)
{
    GxPackWriter first;
    first.AddMember(u"a.txt", std::string_view("first"));
    first.AddMember(u"A.TXT", std::string_view("second"));  // same key after lower-casing
    first.AddMember(u"shared.txt", std::string_view("from system"));
    ASSERT_TRUE(first.Write("system.chs"));
    GxPackWriter second;
    second.AddMember(u"shared.txt", std::string_view("from pack 1"));
    second.AddMember(u"only2.txt", std::string_view("only in pack 1"));
    ASSERT_TRUE(second.Write("data1.pak"));

    ASSERT_TRUE(GxFileOpenPack(u"system.chs"));
    ASSERT_TRUE(GxFileOpenPack(u"data1.pak"));
    EXPECT_EQ(Load(u"a.txt"), "first");
    EXPECT_EQ(Load(u"shared.txt"), "from system");
    EXPECT_EQ(Load(u"only2.txt"), "only in pack 1");
    EXPECT_EQ(GxFileExists(u"only2.txt"), 2);
}

TEST_F(PackTest, NamesThatCanNeverMatch)
{
    GxPackWriter w;
    w.AddMember(u"dir\\stored.txt", std::string_view("x"));
    w.AddMember(u"ok.txt", std::string_view("y"));
    ASSERT_TRUE(w.Write("p.pak"));
    ASSERT_TRUE(GxFileOpenPack(u"p.pak"));
    EXPECT_EQ(GxFileFindPackMember(nullptr, nullptr, u"dir\\stored.txt"), nullptr);
    EXPECT_EQ(GxFileFindPackMember(nullptr, nullptr, u"dir/stored.txt"), nullptr);
    EXPECT_EQ(GxFileFindPackMember(nullptr, nullptr, u""), nullptr);
    // A path longer than any lookup accepts is not cut down to match a shorter name.
    EXPECT_EQ(GxFileFindPackMember(nullptr, nullptr, u"ok.txt" + std::u16string(600, u'x')), nullptr);
    EXPECT_NE(GxFileFindPackMember(nullptr, nullptr, u"OK.txt"), nullptr);
}

TEST_F(PackTest, BaseOffsetPaddingAndEmptyIndex)
{
    GxPackWriter w;
    w.SetBaseOffset(4096);
    w.SetRecordPadding(7);
    w.AddMember(u"one.txt", std::string_view("1111"));
    w.AddMember(u"two.txt", std::string_view("22"));
    ASSERT_TRUE(w.Write("based.pak"));
    ASSERT_GE(w.GetMemberFileOffset(0), 4096u);
    ASSERT_TRUE(GxFileOpenPack(u"based.pak"));
    EXPECT_EQ(Load(u"one.txt"), "1111");
    EXPECT_EQ(Load(u"two.txt"), "22");

    GxPackWriter empty;
    ASSERT_TRUE(empty.Write("empty.pak"));
    EXPECT_TRUE(GxFileOpenPack(u"empty.pak"));
    EXPECT_EQ(GxFileGetPackCount(), 2u);
}

TEST_F(PackTest, WriterPacksAWholeFolder)
{
    ASSERT_TRUE(m_Folder.Write("src/system/sysconf.ini", "[SYSTEM]"));
    ASSERT_TRUE(m_Folder.Write("src/cg/bg/Sky.png", "sky"));
    GxPackWriter w;
    w.SetWideNames(true);
    EXPECT_EQ(w.AddFolder(m_Folder.Path() + "/src", u"game/"), 2u);
    ASSERT_TRUE(w.Write("folder.pak"));
    ASSERT_TRUE(GxFileOpenPack(u"folder.pak"));
    EXPECT_EQ(Load(u"game/system/sysconf.ini"), "[SYSTEM]");
    EXPECT_EQ(Load(u"GAME\\CG\\BG\\sky.png"), "sky");
}

TEST_F(PackTest, PackFileNameIsFoundWithoutRegardToCase)
{
    GxPackWriter w;
    w.AddMember(u"m.txt", std::string_view("m"));
    ASSERT_TRUE(w.Write("Packs/Data.PAK"));
    EXPECT_TRUE(GxFileOpenPack(u"packs\\data.pak"));
    EXPECT_EQ(Load(u"m.txt"), "m");
}

TEST_F(PackTest, MissingOrTruncatedPacksAreRefusedSilently)
{
    GxPackWriter w;
    w.AddMember(u"a.txt", std::string_view("aaaa"));
    w.AddMember(u"b.txt", std::string_view("bbbb"));
    const std::vector<uint8_t> good = w.Build();
    const uint32_t indexEnd = static_cast<uint32_t>(w.GetMemberFileOffset(0));
    ASSERT_TRUE(m_Folder.Write("header_only.pak", std::vector<uint8_t>(good.begin(), good.begin() + 47)));
    ASSERT_TRUE(m_Folder.Write("cut_index.pak", std::vector<uint8_t>(good.begin(), good.begin() + indexEnd - 1)));
    GxPackWriter big;
    big.AddMember(u"a.txt", std::string_view("aaaa"));
    big.OverrideIndexSize(0xFFFFFFF0u);
    ASSERT_TRUE(big.Write("huge_index.pak"));
    ASSERT_TRUE(m_Folder.Write("zero.pak", std::string_view("")));

    const uint32_t errors = GxGetErrorCount();
    for (const char16_t* name : {u"missing.pak", u"header_only.pak", u"cut_index.pak", u"huge_index.pak", u"zero.pak"}) {
        SCOPED_TRACE(std::string(name, name + std::char_traits<char16_t>::length(name)));
        EXPECT_FALSE(GxFileOpenPack(name));
    }
    EXPECT_EQ(GxFileGetPackCount(), 0u);
    EXPECT_EQ(GxGetErrorCount(), errors);
}

struct BrokenIndexCase
{
    const char* name;
    bool wide;
    int member;         // record whose length is overridden, -1 none
    uint32_t length;
    int64_t countDelta; // added to the true record count
};

void PrintTo(const BrokenIndexCase& c, std::ostream* os) { *os << c.name; }

class PackBrokenIndexTest : public PackTest, public ::testing::WithParamInterface<BrokenIndexCase>
{
};

TEST_P(PackBrokenIndexTest, IsRefusedWholeWithOneLogLine)
{
    const BrokenIndexCase& c = GetParam();
    GxPackWriter w;
    w.SetWideNames(c.wide);
    w.AddMember(u"first.txt", std::string_view("1"));
    w.AddMember(u"second.txt", std::string_view("2"));
    w.AddMember(u"third.txt", std::string_view("3"));
    if (c.member >= 0) w.OverrideRecordLength(static_cast<size_t>(c.member), c.length);
    if (c.countDelta) w.OverrideRecordCount(static_cast<uint32_t>(3 + c.countDelta));
    ASSERT_TRUE(w.Write("broken.pak"));

    const uint32_t errors = GxGetErrorCount();
    EXPECT_FALSE(GxFileOpenPack(u"broken.pak"));
    EXPECT_EQ(GxGetErrorCount(), errors + 1);
    EXPECT_EQ(GxFileGetPackCount(), 0u);
    EXPECT_EQ(GxFileExists(u"first.txt"), 0);

    GxPackFileHeaderCache pack;
    EXPECT_FALSE(pack.Open(u"broken.pak"));
    EXPECT_FALSE(pack.IsOpen());
    EXPECT_EQ(pack.GetMemberCount(), 0u);
}

// Name records: "first.txt" takes 32 + 10 bytes narrow and 32 + 20 bytes wide.
INSTANTIATE_TEST_SUITE_P(
    Records, PackBrokenIndexTest,
    ::testing::Values(BrokenIndexCase{"ZeroLength", false, 0, 0, 0}, BrokenIndexCase{"ZeroLengthLater", true, 1, 0, 0},
                      BrokenIndexCase{"ShorterThanFixedPart", false, 0, 31, 0},
                      BrokenIndexCase{"NoRoomForTerminator", false, 0, 32, 0},
                      BrokenIndexCase{"NameNotTerminatedInRecord", false, 0, 35, 0},
                      BrokenIndexCase{"WideNameNotTerminatedInRecord", true, 0, 41, 0},
                      BrokenIndexCase{"WideOneByteTerminatorRoom", true, 0, 33, 0},
                      BrokenIndexCase{"LastRunsPastIndex", false, 2, 200, 0},
                      BrokenIndexCase{"Oversized", true, 0, 0xFFFFFFFFu, 0},
                      BrokenIndexCase{"MoreRecordsThanIndex", false, -1, 0, 1},
                      BrokenIndexCase{"HugeRecordCount", false, -1, 0, 0x7FFFFFF0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PackTest, ScrambledPackWithoutRoutineIsRefusedWithOneLogLine)
{
    GxPackWriter w;
    w.SetScrambler(GxPackTestScramble);
    w.AddMember(u"secret.txt", std::string_view("secret"));
    ASSERT_TRUE(w.Write("scrambled.pak"));
    const uint32_t errors = GxGetErrorCount();
    EXPECT_FALSE(GxFileOpenPack(u"scrambled.pak"));
    EXPECT_EQ(GxGetErrorCount(), errors + 1);
    EXPECT_EQ(GxFileExists(u"secret.txt"), 0);
}

TEST_F(PackTest, ScrambledPackReadsPlainFromAnyPosition)
{
    std::string data;
    for (int i = 0; i < 700; ++i) data.push_back(static_cast<char>('a' + i % 26));
    GxPackWriter w;
    w.SetScrambler(GxPackTestScramble);
    w.SetWideNames(true);
    w.AddMember(u"first.txt", std::string_view("hello"));
    w.AddMember(u"dir/Long.txt", std::string_view(data));
    ASSERT_TRUE(w.Write("scrambled.pak"));
    GxPackFileSetUnscrambleRoutine(GxPackTestScramble);
    ASSERT_TRUE(GxFileOpenPack(u"scrambled.pak"));
    EXPECT_EQ(Load(u"first.txt"), "hello");
    EXPECT_EQ(Load(u"DIR/long.txt"), data);

    GxFileHandle h;
    ASSERT_TRUE(GxFileOpen(h, u"dir/long.txt"));
    char part[40];
    ASSERT_TRUE(GxFileSeek(h, 333, 0));
    ASSERT_EQ(GxFileRead(part, 40, h), 40u);
    EXPECT_EQ(std::string(part, 40), data.substr(333, 40));
    ASSERT_TRUE(GxFileSeek(h, -41, 2));
    ASSERT_EQ(GxFileRead(part, 40, h), 40u);
    EXPECT_EQ(std::string(part, 40), data.substr(659, 40));
}

TEST_F(PackTest, CloseEmptiesThePackAndReopenReplacesIt)
{
    GxPackWriter a;
    a.AddMember(u"a.txt", std::string_view("a"));
    ASSERT_TRUE(a.Write("a.pak"));
    GxPackWriter b;
    b.SetWideNames(true);
    b.AddMember(u"b.txt", std::string_view("b"));
    ASSERT_TRUE(b.Write("b.pak"));

    GxPackFileHeaderCache pack;
    ASSERT_TRUE(pack.Open(u"a.pak"));
    EXPECT_NE(pack.Find(u"A.TXT"), nullptr);
    ASSERT_TRUE(pack.Open(u"b.pak"));
    EXPECT_EQ(pack.Find(u"a.txt"), nullptr);
    EXPECT_NE(pack.Find(u"b.txt"), nullptr);
    EXPECT_EQ(pack.GetPath(), u"b.pak");
    pack.Close();
    EXPECT_FALSE(pack.IsOpen());
    EXPECT_EQ(pack.Find(u"b.txt"), nullptr);
    EXPECT_TRUE(pack.GetPath().empty());
    for (uint32_t i = 0; i < kGxPackHeaderSize; ++i) EXPECT_EQ(pack.GetHeader()[i], 0) << i;
}

}  // namespace
