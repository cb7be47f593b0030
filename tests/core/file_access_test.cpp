// File access: loose files over pack members, handles (read, seek, tell, close), whole-file
// loads, the folder helpers and concurrent readers.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "core/GxBinBuffer.h"
#include "core/GxFile.h"
#include "core/GxFileCache.h"
#include "core/GxLog.h"
#include "core/GxPackFile.h"
#include "core/GxString.h"
#include "tests/support/GxPackWriter.h"

namespace {

std::string Pattern(size_t size, int seed)
{
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 131 + seed * 7 + (i >> 8)) & 0xFF);
    return s;
}

std::string ToString(const GxBinBuffer& b)
{
    return std::string(reinterpret_cast<const char*>(b.GetBuffer()), b.GetSize());
}

// Reads a UTF-16LE log file as narrow ASCII text (enough for the English messages here).
std::string ReadLogAscii(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string out;
    for (size_t i = 0; i + 1 < raw.size(); i += 2) {
        if (raw[i + 1] == 0) out.push_back(raw[i]);
    }
    return out;
}

class FileAccessTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.IsValid());
        GxTestResetFileLayer();
        m_OldLog = GxGetLogPath(GxLogFile::Error);
        GxSetErrorLogPath(GxUtf8ToWide(m_Folder.Path() + "/error.log"));
    }
    void TearDown() override
    {
        GxSetErrorLogPath(m_OldLog);
        GxTestResetFileLayer();
    }
    std::string ErrorLog() const { return ReadLogAscii(m_Folder.Path() + "/error.log"); }

    GxTestGameFolder m_Folder;
    std::u16string m_OldLog;
};

TEST_F(FileAccessTest, LooseFileShadowsPackMember)
{
    GxPackWriter w;
    w.AddMember(u"cg/bg/sky.png", std::string_view("member sky"), 5);
    w.AddMember(u"cg/bg/sea.png", std::string_view("member sea"), 6);
    ASSERT_TRUE(w.Write("system.chs"));
    ASSERT_TRUE(GxFileOpenPack(u"system.chs"));
    ASSERT_TRUE(m_Folder.Write("CG/Bg/Sky.PNG", "loose sky!"));

    EXPECT_EQ(GxFileExists(u"cg/bg/sky.png"), 1);
    EXPECT_EQ(GxFileExists(u"cg\\bg\\sea.png"), 2);
    EXPECT_EQ(GxFileExists(u"cg/bg/none.png"), 0);
    EXPECT_EQ(GxFileExists(u"cg/BG"), 1);  // a folder counts as loose
    EXPECT_EQ(GxFileExists(u""), 0);

    GxBinBuffer buf;
    ASSERT_TRUE(GxFileLoadToBinBuffer(buf, u"cg\\bg\\SKY.png", false, false));
    EXPECT_EQ(ToString(buf), "loose sky!");
    EXPECT_EQ(GxFileGetSize(u"cg/bg/sky.png"), 10u);
    EXPECT_EQ(GxFileGetSize(u"cg/bg/sea.png"), 10u);
    EXPECT_EQ(GxFileGetSize(u"cg/bg/none.png"), 0u);

    GxFileHandle h;
    ASSERT_TRUE(GxFileOpen(h, u"cg/bg/sky.png"));
    EXPECT_FALSE(h.IsPackMember());
    ASSERT_TRUE(GxFileOpen(h, u"cg/bg/sea.png"));  // reopening closes the loose file first
    EXPECT_TRUE(h.IsPackMember());
    EXPECT_EQ(h.GetFileTime(), 6u);
    // A failed open leaves the handle as it was.
    EXPECT_FALSE(GxFileOpen(h, u"cg/bg/none.png"));
    EXPECT_TRUE(h.IsOpen());
    EXPECT_EQ(h.GetSize(), 10u);
}

TEST_F(FileAccessTest, ExactSpellingWinsOverCaseVariants)
{
    ASSERT_TRUE(m_Folder.Write("dir/b.txt", "lower"));
    ASSERT_TRUE(m_Folder.Write("dir/B.txt", "upper"));
    ASSERT_TRUE(m_Folder.Write("Dir/c.txt", "other dir"));
    GxBinBuffer buf;
    ASSERT_TRUE(GxFileLoadToBinBuffer(buf, u"dir/b.txt", false, true));
    EXPECT_EQ(ToString(buf), "lower");
    ASSERT_TRUE(GxFileLoadToBinBuffer(buf, u"dir/B.txt", false, true));
    EXPECT_EQ(ToString(buf), "upper");
    // No exact spelling: the variant that sorts first byte-wise ("B.txt").
    ASSERT_TRUE(GxFileLoadToBinBuffer(buf, u"DIR\\B.TXT", false, true));
    EXPECT_EQ(ToString(buf), "upper");
    ASSERT_TRUE(GxFileLoadToBinBuffer(buf, u"Dir/C.TXT", false, true));
    EXPECT_EQ(ToString(buf), "other dir");
    // A file created after a folder was searched is found too.
    EXPECT_EQ(GxFileExists(u"dir/NEW.txt"), 0);
    ASSERT_TRUE(m_Folder.Write("dir/new.txt", "new"));
    EXPECT_EQ(GxFileExists(u"dir/NEW.txt"), 1);
}

TEST_F(FileAccessTest, SearchedFoldersFollowLaterChanges)
{
    ASSERT_TRUE(m_Folder.Write("Old/Name.txt", "one"));
    // Folders last changed long ago keep their listing between lookups.
    const timespec past[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, "Old", past, 0), 0);
    ASSERT_EQ(utimensat(AT_FDCWD, ".", past, 0), 0);
    EXPECT_EQ(GxFileExists(u"old/name.TXT"), 1);
    EXPECT_EQ(GxFileExists(u"old/other.txt"), 0);
    ASSERT_TRUE(m_Folder.Write("Old/OTHER.txt", "two"));
    EXPECT_EQ(GxFileExists(u"old/other.txt"), 1);
    ASSERT_EQ(std::rename("Old/Name.txt", "Old/Renamed.txt"), 0);
    EXPECT_EQ(GxFileExists(u"old/name.txt"), 0);
    GxBinBuffer buf;
    ASSERT_TRUE(GxFileLoadToBinBuffer(buf, u"OLD/renamed.TXT", false, false));
    EXPECT_EQ(ToString(buf), "one");
}

TEST_F(FileAccessTest, MemberReadsExactlyItsBytesThenEnds)
{
    const std::string a = Pattern(100, 1), b = Pattern(64, 2);
    GxPackWriter w;
    w.AddMember(u"a.bin", std::string_view(a));
    w.AddMember(u"b.bin", std::string_view(b));
    ASSERT_TRUE(w.Write("p.pak"));
    ASSERT_TRUE(GxFileOpenPack(u"p.pak"));

    GxFileHandle h;
    ASSERT_TRUE(GxFileOpen(h, u"a.bin"));
    std::string got(200, '\0');
    EXPECT_EQ(GxFileRead(got.data(), 60, h), 60u);
    EXPECT_FALSE(h.IsEnd());
    EXPECT_EQ(GxFileRead(got.data() + 60, 140, h), 40u);  // never into the next member
    EXPECT_TRUE(h.IsEnd());
    EXPECT_EQ(got.substr(0, 100), a);
    EXPECT_EQ(GxFileRead(got.data(), 10, h), 0u);
    EXPECT_EQ(GxFileTell(h), 100);

    GxFileClose(h);
    EXPECT_FALSE(h.IsOpen());
    EXPECT_EQ(h.GetSize(), 0u);
    EXPECT_EQ(h.GetFileTime(), 0u);
    EXPECT_EQ(GxFileTell(h), 0);
    EXPECT_FALSE(h.IsPackMember());
    EXPECT_EQ(GxFileRead(got.data(), 10, h), 0u);
    EXPECT_FALSE(GxFileSeek(h, 0, 0));
}

struct SeekCase
{
    int64_t start;
    int64_t offset;
    int origin;
    bool ok;
    int64_t position;
    bool end;
};

class FileSeekTest : public FileAccessTest, public ::testing::WithParamInterface<bool>
{
};

TEST_P(FileSeekTest, OriginsAndClamping)
{
    const std::string data = Pattern(100, 3);
    GxPackWriter w;
    w.AddMember(u"pad.bin", std::string_view("before"));
    w.AddMember(u"m.bin", std::string_view(data));
    w.AddMember(u"after.bin", std::string_view("after"));
    ASSERT_TRUE(w.Write("p.pak"));
    ASSERT_TRUE(GxFileOpenPack(u"p.pak"));
    ASSERT_TRUE(m_Folder.Write("loose.bin", data));
    const bool member = GetParam();
    const std::u16string name = member ? u"m.bin" : u"loose.bin";

    const SeekCase cases[] = {
        {0, 10, 0, true, 10, false},     {50, 10, 1, true, 60, false},   {50, -10, 1, true, 40, false},
        {0, -10, 2, true, 90, false},    {0, 0, 2, true, 100, true},     {0, 150, 0, true, 100, true},
        {20, -50, 1, true, 0, false},    {0, -500, 2, true, 0, false},   {30, 5, 3, false, 30, false},
        {30, 5, -1, false, 30, false},   {10, INT64_MAX, 1, true, 100, true}, {10, INT64_MIN, 1, true, 0, false},
    };
    for (const SeekCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "start " << c.start << " offset " << c.offset << " origin " << c.origin);
        GxFileHandle h;
        ASSERT_TRUE(GxFileOpen(h, name));
        EXPECT_EQ(h.IsPackMember(), member);
        ASSERT_TRUE(GxFileSeek(h, c.start, 0));
        EXPECT_EQ(GxFileSeek(h, c.offset, c.origin), c.ok);
        EXPECT_EQ(GxFileTell(h), c.position);
        EXPECT_EQ(h.IsEnd(), c.end);
        char buf[20];
        const uint32_t expect = static_cast<uint32_t>(std::min<int64_t>(20, 100 - c.position));
        ASSERT_EQ(GxFileRead(buf, 20, h), expect);
        EXPECT_EQ(std::string(buf, expect), data.substr(static_cast<size_t>(c.position), expect));
    }
    // A seek back from the end clears the end flag.
    GxFileHandle h;
    ASSERT_TRUE(GxFileOpen(h, name));
    char buf[128];
    ASSERT_EQ(GxFileRead(buf, 128, h), 100u);
    EXPECT_TRUE(h.IsEnd());
    ASSERT_TRUE(GxFileSeek(h, -10, 2));
    EXPECT_FALSE(h.IsEnd());
    EXPECT_EQ(GxFileRead(buf, 20, h), 10u);
}

INSTANTIATE_TEST_SUITE_P(LooseAndMember, FileSeekTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? std::string("Member") : std::string("Loose"); });

TEST_F(FileAccessTest, ZeroLengthFilesLoadAsEmptyBuffers)
{
    GxPackWriter w;
    w.AddMember(u"zero_member.txt", std::string_view(""));
    ASSERT_TRUE(w.Write("p.pak"));
    ASSERT_TRUE(GxFileOpenPack(u"p.pak"));
    ASSERT_TRUE(m_Folder.Write("zero.txt", ""));
    GxFileCacheSetMaxSize(0x10000);
    GxFileCacheSetMaxFileSize(0x1000);
    GxFileCacheSetEnabled(true);

    for (const char16_t* name : {u"zero.txt", u"zero_member.txt"}) {
        for (bool cache : {false, true}) {
            GxBinBuffer buf(16);
            EXPECT_TRUE(GxFileLoadToBinBuffer(buf, name, cache, false));
            EXPECT_EQ(buf.GetSize(), 0u);
            EXPECT_EQ(buf.GetFirstByte(), 0);
            GxBinBuffer text;
            ASSERT_TRUE(GxFileLoadTextToBinBuffer(text, name, false));
            ASSERT_EQ(text.GetSize(), 2u);
            EXPECT_EQ(text.GetBuffer()[0], 0);
            EXPECT_EQ(text.GetBuffer()[1], 0);
        }
    }
    GxFileHandle h;
    ASSERT_TRUE(GxFileOpen(h, u"zero_member.txt"));
    char c;
    EXPECT_EQ(GxFileRead(&c, 1, h), 0u);
    EXPECT_EQ(GxFileTell(h), 0);
}

TEST_F(FileAccessTest, TextLoadAddsTwoZeroBytes)
{
    ASSERT_TRUE(m_Folder.Write("system/sysconf.ini", "[A]\r\nKEY=1\r\n"));
    GxBinBuffer buf;
    ASSERT_TRUE(GxFileLoadTextToBinBuffer(buf, u"System/SysConf.ini", false));
    ASSERT_EQ(buf.GetSize(), 14u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(buf.GetBuffer()), 12), "[A]\r\nKEY=1\r\n");
    EXPECT_EQ(buf.GetBuffer()[12], 0);
    EXPECT_EQ(buf.GetBuffer()[13], 0);
}

TEST_F(FileAccessTest, FailuresLogUnlessQuietAndLeaveTheBufferEmpty)
{
    // A member whose bytes run past the end of a cut pack cannot be read whole.
    GxPackWriter w;
    w.AddMember(u"whole.bin", std::string_view(Pattern(50, 4)));
    w.AddMember(u"cut.bin", std::string_view(Pattern(300, 5)));
    std::vector<uint8_t> bytes = w.Build();
    bytes.resize(bytes.size() - 100);
    ASSERT_TRUE(m_Folder.Write("cut.pak", bytes));
    ASSERT_TRUE(GxFileOpenPack(u"cut.pak"));

    const uint32_t errors = GxGetErrorCount();
    GxBinBuffer buf(8);
    EXPECT_FALSE(GxFileLoadToBinBuffer(buf, u"missing.txt", true, true));
    EXPECT_FALSE(GxFileLoadTextToBinBuffer(buf, u"missing.txt", true));
    buf.Create(8);
    EXPECT_FALSE(GxFileLoadToBinBuffer(buf, u"cut.bin", false, true));
    EXPECT_EQ(buf.GetBuffer(), nullptr);
    EXPECT_EQ(buf.GetSize(), 0u);
    EXPECT_EQ(GxGetErrorCount(), errors);
    EXPECT_EQ(ErrorLog(), "");

    EXPECT_FALSE(GxFileLoadToBinBuffer(buf, u"missing.txt", true, false));
    EXPECT_FALSE(GxFileLoadTextToBinBuffer(buf, u"missing.ini", false));
    EXPECT_FALSE(GxFileLoadToBinBuffer(buf, u"cut.bin", true, false));
    EXPECT_FALSE(GxFileLoadTextToBinBuffer(buf, u"cut.bin", false));
    EXPECT_EQ(buf.GetSize(), 0u);
    EXPECT_EQ(GxGetErrorCount(), errors + 4);
    EXPECT_EQ(ErrorLog(),
              "File open error or not exist:missing.txt\r\nFile open error:missing.ini\r\n"
              "File read error:cut.bin\r\nFile read error:cut.bin\r\n");

    // The handle reads what is there and stops short of the size.
    GxFileHandle h;
    ASSERT_TRUE(GxFileOpen(h, u"cut.bin"));
    std::string got(300, '\0');
    EXPECT_EQ(GxFileRead(got.data(), 300, h), 200u);
    EXPECT_EQ(got.substr(0, 200), Pattern(300, 5).substr(0, 200));
    EXPECT_FALSE(h.IsEnd());
    EXPECT_EQ(GxFileRead(got.data(), 300, h), 0u);
}

TEST_F(FileAccessTest, MemberClaimingMoreThanThePackHoldsFailsBeforeAllocating)
{
    GxPackWriter w;
    w.AddMember(u"huge.bin", std::string_view("tiny"));
    std::vector<uint8_t> bytes = w.Build();
    for (int i = 0; i < 4; ++i) bytes[kGxPackHeaderSize + 4 + i] = 0xFF;  // member size 4 GiB - 1
    ASSERT_TRUE(m_Folder.Write("liar.pak", bytes));
    ASSERT_TRUE(GxFileOpenPack(u"liar.pak"));
    EXPECT_EQ(GxFileGetSize(u"huge.bin"), 0xFFFFFFFFu);
    GxBinBuffer buf;
    EXPECT_FALSE(GxFileLoadToBinBuffer(buf, u"huge.bin", false, false));
    EXPECT_FALSE(GxFileLoadTextToBinBuffer(buf, u"huge.bin", true));
    EXPECT_EQ(buf.GetSize(), 0u);
    EXPECT_EQ(ErrorLog(), "File read error:huge.bin\r\n");
    GxFileHandle h;
    ASSERT_TRUE(GxFileOpen(h, u"huge.bin"));
    EXPECT_EQ(h.GetStoredSize(), 4u);
    char got[16];
    EXPECT_EQ(GxFileRead(got, 16, h), 4u);
    EXPECT_EQ(std::string(got, 4), "tiny");
}

TEST_F(FileAccessTest, LooseFileTimeIsTheLastWriteAsFileTime)
{
    ASSERT_TRUE(m_Folder.Write("t.txt", "t"));
    // 2000-01-01 00:00:00.1234567 UTC.
    const timespec times[2] = {{946684800, 123456789}, {946684800, 123456789}};
    ASSERT_EQ(utimensat(AT_FDCWD, "t.txt", times, 0), 0);
    GxFileHandle h;
    ASSERT_TRUE(GxFileOpen(h, u"T.TXT"));
    EXPECT_EQ(h.GetFileTime(), 125911584001234567ull);
}

TEST_F(FileAccessTest, FolderHelpers)
{
    GxPackWriter w;
    w.AddMember(u"member.txt", std::string_view("m"));
    ASSERT_TRUE(w.Write("p.pak"));
    ASSERT_TRUE(GxFileOpenPack(u"p.pak"));
    ASSERT_TRUE(m_Folder.Write("Save/loose.txt", "l"));

    EXPECT_TRUE(GxDiskFileExists(u"save\\LOOSE.txt"));
    EXPECT_FALSE(GxDiskFileExists(u"member.txt"));
    EXPECT_FALSE(GxDiskFileExists(u"Save"));
    EXPECT_FALSE(GxDiskFileExists(u"nothing"));

    EXPECT_TRUE(GxIsDirectory(u"save"));
    EXPECT_TRUE(GxIsDirectory(u"Save/"));
    EXPECT_FALSE(GxIsDirectory(u"save/loose.txt"));
    EXPECT_FALSE(GxIsDirectory(u"nothing"));

    EXPECT_TRUE(GxCreateDirectory(u"save/Slot1"));
    EXPECT_TRUE(GxIsDirectory(GxUtf8ToWide(m_Folder.Path() + "/Save/Slot1")));  // under the existing spelling
    EXPECT_FALSE(GxCreateDirectory(u"SAVE/slot1"));  // exists
    EXPECT_FALSE(GxCreateDirectory(u"no/such/parent"));
    EXPECT_FALSE(GxCreateDirectory(u"save/loose.txt"));

    EXPECT_EQ(GxGetCurrentDirectory(), GxUtf8ToWide(m_Folder.Path() + "/"));
}

TEST_F(FileAccessTest, DocumentsFolderFromTheEnvironment)
{
    const char* oldXdg = getenv("XDG_DOCUMENTS_DIR");
    const char* oldHome = getenv("HOME");
    const std::string savedXdg = oldXdg ? oldXdg : "", savedHome = oldHome ? oldHome : "";

    setenv("XDG_DOCUMENTS_DIR", "/data/ユーザー/Docs/", 1);
    EXPECT_EQ(GxGetMyDocumentsPath(), u"/data/ユーザー/Docs");
    unsetenv("XDG_DOCUMENTS_DIR");
    setenv("HOME", "/home/player", 1);
    EXPECT_EQ(GxGetMyDocumentsPath(), u"/home/player/Documents");
    unsetenv("HOME");
    EXPECT_EQ(GxGetMyDocumentsPath(), u"");

    if (oldXdg) setenv("XDG_DOCUMENTS_DIR", savedXdg.c_str(), 1);
    if (oldHome) setenv("HOME", savedHome.c_str(), 1);
}

TEST_F(FileAccessTest, ThreadsReadMembersWhileTheMainThreadOpensFiles)
{
    const std::string big = Pattern(256 * 1024, 6), small = Pattern(3000, 7);
    GxPackWriter w;
    w.AddMember(u"bgm/stream.ogg", std::string_view(big));
    w.AddMember(u"movies/op.mpg", std::string_view(small));
    for (int i = 0; i < 20; ++i) {
        w.AddMember(GxUtf8ToWide("cg/f" + std::to_string(i) + ".png"), std::string_view(Pattern(500 + i, i)));
    }
    ASSERT_TRUE(w.Write("system.chs"));
    ASSERT_TRUE(GxFileOpenPack(u"system.chs"));
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(m_Folder.Write("ui/l" + std::to_string(i) + ".txt", Pattern(100, i)));
    GxFileCacheSetMaxSize(0x4000);
    GxFileCacheSetMaxFileSize(0x1000);
    GxFileCacheSetEnabled(true);

    std::atomic<int> failures{0};
    auto reader = [&](const char16_t* name, const std::string& expect, int chunk) {
        GxFileHandle h;
        if (!GxFileOpen(h, name)) {
            ++failures;
            return;
        }
        std::string got(expect.size(), '\0');
        for (int pass = 0; pass < 4; ++pass) {
            if (!GxFileSeek(h, 0, 0)) ++failures;
            size_t at = 0;
            while (uint32_t n = GxFileRead(got.data() + at, static_cast<uint32_t>(std::min<size_t>(chunk, got.size() - at)), h)) {
                at += n;
            }
            if (at != expect.size() || got != expect || !h.IsEnd()) ++failures;
            // A seek-and-read in the middle, as a decoder does.
            char part[64];
            if (!GxFileSeek(h, 1000, 0) || GxFileRead(part, 64, h) != 64 || std::string(part, 64) != expect.substr(1000, 64)) {
                ++failures;
            }
        }
    };
    std::thread sound(reader, u"BGM/Stream.ogg", std::cref(big), 4096);
    std::thread movie(reader, u"movies/op.mpg", std::cref(small), 333);
    for (int round = 0; round < 30; ++round) {
        const int i = round % 20;
        GxBinBuffer buf;
        if (!GxFileLoadToBinBuffer(buf, GxUtf8ToWide("cg/f" + std::to_string(i) + ".png"), true, true) ||
            ToString(buf) != Pattern(500 + i, i)) {
            ++failures;
        }
        const int l = round % 5;
        if (!GxFileLoadToBinBuffer(buf, GxUtf8ToWide("UI/L" + std::to_string(l) + ".txt"), true, true) ||
            ToString(buf) != Pattern(100, l)) {
            ++failures;
        }
        if (GxFileExists(u"cg/f3.png") != 2 || GxFileGetSize(u"movies/op.mpg") != 3000) ++failures;
    }
    sound.join();
    movie.join();
    EXPECT_EQ(failures.load(), 0);
}

}  // namespace
