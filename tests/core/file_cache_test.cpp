// The file cache: limits, least-recently-used trimming on an injected clock, time-stamp
// validation, switching off, keys, and cached whole-file loads.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "core/GxBinBuffer.h"
#include "core/GxFile.h"
#include "core/GxFileCache.h"
#include "core/GxPackFile.h"
#include "core/GxString.h"
#include "tests/support/GxPackWriter.h"

namespace {

std::vector<uint8_t> Bytes(size_t size, uint8_t fill) { return std::vector<uint8_t>(size, fill); }

class FileCacheTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_Cache.SetClock([this] { return m_Now; });
        m_Cache.SetMaxSize(0x400);
        m_Cache.SetMaxFileSize(0x400);
        m_Cache.SetEnabled(true);
    }
    bool Add(const char16_t* key, size_t size, uint64_t time = 1)
    {
        const std::vector<uint8_t> b = Bytes(size, static_cast<uint8_t>(key[0]));
        return m_Cache.Add(key, b.data(), static_cast<uint32_t>(size), time);
    }
    bool Hit(const char16_t* key, uint64_t time = 1)
    {
        GxBinBuffer out;
        return m_Cache.Find(key, time, out);
    }

    uint32_t m_Now = 1000;
    GxFileCache m_Cache;
};

TEST_F(FileCacheTest, LeastRecentlyUsedEntryIsEvicted)
{
    m_Now = 1;
    ASSERT_TRUE(Add(u"a", 0x200));
    m_Now = 2;
    ASSERT_TRUE(Add(u"b", 0x200));
    m_Now = 3;
    ASSERT_TRUE(Hit(u"a"));  // a is now the more recent
    m_Now = 4;
    ASSERT_TRUE(Add(u"c", 0x100));  // target max(0x100, 0x400 / 4): one entry goes
    EXPECT_TRUE(m_Cache.Contains(u"a"));
    EXPECT_FALSE(m_Cache.Contains(u"b"));
    EXPECT_TRUE(m_Cache.Contains(u"c"));
    EXPECT_EQ(m_Cache.GetTotalSize(), 0x300u);
}

TEST_F(FileCacheTest, EqualLastUseEvictsInKeyOrder)
{
    m_Now = 7;
    ASSERT_TRUE(Add(u"zeta", 0x100));
    ASSERT_TRUE(Add(u"alpha", 0x100));
    ASSERT_TRUE(Add(u"mid", 0x100));
    ASSERT_TRUE(Add(u"beta", 0x100));
    m_Now = 8;
    ASSERT_TRUE(Add(u"new", 0x100));
    EXPECT_FALSE(m_Cache.Contains(u"alpha"));
    EXPECT_TRUE(m_Cache.Contains(u"beta"));
    EXPECT_TRUE(m_Cache.Contains(u"zeta"));
    EXPECT_EQ(m_Cache.GetTotalSize(), 0x400u);
}

TEST_F(FileCacheTest, TrimFreesAtLeastAQuarterOfTheBudget)
{
    m_Cache.SetMaxSize(0x1000);
    m_Cache.SetMaxFileSize(0x1000);
    for (int i = 0; i < 16; ++i) {
        m_Now = 100 + i;
        const std::u16string key = u"k" + GxIntToString(i + 10);
        const std::vector<uint8_t> b = Bytes(0x100, 1);
        ASSERT_TRUE(m_Cache.Add(key, b.data(), 0x100, 1));
    }
    EXPECT_EQ(m_Cache.GetTotalSize(), 0x1000u);
    m_Now = 200;
    ASSERT_TRUE(Add(u"x", 0x10));
    // Four oldest entries (0x400 bytes) leave for 0x10 bytes needed.
    EXPECT_EQ(m_Cache.GetEntryCount(), 13u);
    EXPECT_FALSE(m_Cache.Contains(u"k13"));
    EXPECT_TRUE(m_Cache.Contains(u"k14"));
    EXPECT_EQ(m_Cache.GetTotalSize(), 0xC10u);
    EXPECT_TRUE(m_Cache.Trim(0));
    EXPECT_EQ(m_Cache.GetTotalSize(), 0x810u);
}

TEST_F(FileCacheTest, LimitsAndSwitchingOff)
{
    m_Cache.SetMaxSize(0x300);
    m_Cache.SetMaxFileSize(0x200);
    EXPECT_TRUE(Add(u"fits", 0x200));
    EXPECT_FALSE(Add(u"toolarge", 0x201));
    EXPECT_FALSE(m_Cache.Contains(u"toolarge"));
    m_Cache.SetMaxFileSize(0x1000);
    EXPECT_FALSE(Add(u"overbudget", 0x301));
    EXPECT_TRUE(m_Cache.Contains(u"fits"));

    m_Cache.SetEnabled(false);
    EXPECT_FALSE(Hit(u"fits"));
    EXPECT_FALSE(Add(u"fits", 0x10));  // refused, and the old image is gone as well
    m_Cache.SetEnabled(true);
    EXPECT_FALSE(m_Cache.Contains(u"fits"));
    EXPECT_EQ(m_Cache.GetTotalSize(), 0u);
}

TEST_F(FileCacheTest, HitNeedsTheSameTimeStampAndCopiesTheBytes)
{
    const std::vector<uint8_t> first = {1, 2, 3}, second = {9, 8, 7, 6};
    ASSERT_TRUE(m_Cache.Add(u"k", first.data(), 3, 100));
    GxBinBuffer out(5);
    EXPECT_FALSE(m_Cache.Find(u"k", 101, out));
    EXPECT_EQ(out.GetSize(), 5u);  // a miss leaves the caller's buffer alone
    ASSERT_TRUE(m_Cache.Find(u"k", 100, out));
    ASSERT_EQ(out.GetSize(), 3u);
    EXPECT_EQ(std::vector<uint8_t>(out.GetBuffer(), out.GetBuffer() + 3), first);
    EXPECT_EQ(out.GetRefCount(), 1u);

    ASSERT_TRUE(m_Cache.Add(u"k", second.data(), 4, 101));
    EXPECT_EQ(m_Cache.GetEntryCount(), 1u);
    EXPECT_EQ(m_Cache.GetTotalSize(), 4u);
    EXPECT_FALSE(m_Cache.Find(u"k", 100, out));
    m_Cache.Clear();
    // The copy is the caller's own.
    EXPECT_EQ(std::vector<uint8_t>(out.GetBuffer(), out.GetBuffer() + 3), first);
    EXPECT_TRUE(m_Cache.Remove(u"missing") == false);
}

TEST_F(FileCacheTest, ConcurrentFindsNeverSeeAnEvictedEntry)
{
    m_Cache.SetMaxSize(0x4000);
    m_Cache.SetMaxFileSize(0x4000);
    std::atomic<bool> stop{false};
    std::atomic<int> bad{0};
    auto finder = [&] {
        GxBinBuffer out;
        while (!stop.load()) {
            for (char16_t k = u'a'; k <= u'h'; ++k) {
                const char16_t key[2] = {k, 0};
                if (m_Cache.Find(key, 1, out)) {
                    for (uint32_t i = 0; i < out.GetSize(); ++i) {
                        if (out.GetBuffer()[i] != static_cast<uint8_t>(k)) {
                            ++bad;
                            break;
                        }
                    }
                }
            }
        }
    };
    std::thread t1(finder), t2(finder);
    for (int round = 0; round < 400; ++round) {
        const char16_t key[2] = {static_cast<char16_t>(u'a' + round % 8), 0};
        const std::vector<uint8_t> b = Bytes(0x1000 + (round % 5) * 0x100, static_cast<uint8_t>(key[0]));
        m_Cache.Add(key, b.data(), static_cast<uint32_t>(b.size()), 1);
        if (round % 50 == 49) m_Cache.Clear();
    }
    stop = true;
    t1.join();
    t2.join();
    EXPECT_EQ(bad.load(), 0);
}

// Cached whole-file loads through the global cache.
class FileCacheLoadTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.IsValid());
        GxTestResetFileLayer();
        GxGetFileCache().SetClock([this] { return m_Now; });
        GxFileCacheSetMaxSize(0xB400000);
        GxFileCacheSetMaxFileSize(0x100000);
        GxFileCacheSetEnabled(true);
    }
    void TearDown() override { GxTestResetFileLayer(); }

    uint32_t m_Now = 1;
    GxTestGameFolder m_Folder;
};

TEST_F(FileCacheLoadTest, PerFileLimitIsInclusive)
{
    ASSERT_TRUE(m_Folder.Write("limit.bin", Bytes(0x100000, 0x11)));
    ASSERT_TRUE(m_Folder.Write("over.bin", Bytes(0x100001, 0x22)));
    GxBinBuffer buf;
    ASSERT_TRUE(GxFileLoadToBinBuffer(buf, u"limit.bin", true, false));
    EXPECT_EQ(buf.GetSize(), 0x100000u);
    ASSERT_TRUE(GxFileLoadToBinBuffer(buf, u"over.bin", true, false));
    EXPECT_EQ(buf.GetSize(), 0x100001u);
    EXPECT_EQ(buf.GetBuffer()[0x100000], 0x22);
    EXPECT_TRUE(GxGetFileCache().Contains(u"limit.bin"));
    EXPECT_FALSE(GxGetFileCache().Contains(u"over.bin"));
    EXPECT_EQ(GxGetFileCache().GetTotalSize(), 0x100000u);
}

TEST_F(FileCacheLoadTest, KeysFoldCaseButKeepSeparators)
{
    ASSERT_TRUE(m_Folder.Write("cg/a.png", "png"));
    GxBinBuffer buf;
    ASSERT_TRUE(GxFileLoadToBinBuffer(buf, u"CG/A.PNG", true, false));
    ASSERT_TRUE(GxFileLoadToBinBuffer(buf, u"cg/a.png", true, false));
    EXPECT_EQ(GxGetFileCache().GetEntryCount(), 1u);
    ASSERT_TRUE(GxFileLoadToBinBuffer(buf, u"cg\\a.png", true, false));
    EXPECT_EQ(GxGetFileCache().GetEntryCount(), 2u);
    EXPECT_TRUE(GxGetFileCache().Contains(u"cg/a.png"));
    EXPECT_TRUE(GxGetFileCache().Contains(u"cg\\a.png"));
    // Without the cache flag nothing is added.
    ASSERT_TRUE(m_Folder.Write("b.txt", "b"));
    ASSERT_TRUE(GxFileLoadToBinBuffer(buf, u"b.txt", false, false));
    EXPECT_FALSE(GxGetFileCache().Contains(u"b.txt"));
}

TEST_F(FileCacheLoadTest, ChangedFileIsReadAgainAndReplacesTheEntry)
{
    ASSERT_TRUE(m_Folder.Write("data.txt", "old!"));
    timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, "data.txt", times, 0), 0);
    GxBinBuffer buf;
    ASSERT_TRUE(GxFileLoadToBinBuffer(buf, u"data.txt", true, false));
    // Same time stamp, other bytes: the cache answers (the time stamp is the only check).
    ASSERT_TRUE(m_Folder.Write("data.txt", "new!"));
    ASSERT_EQ(utimensat(AT_FDCWD, "data.txt", times, 0), 0);
    ASSERT_TRUE(GxFileLoadToBinBuffer(buf, u"data.txt", true, false));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(buf.GetBuffer()), 4), "old!");
    times[1].tv_sec += 5;
    ASSERT_EQ(utimensat(AT_FDCWD, "data.txt", times, 0), 0);
    ASSERT_TRUE(GxFileLoadToBinBuffer(buf, u"data.txt", true, false));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(buf.GetBuffer()), 4), "new!");
    GxBinBuffer copy;
    GxFileHandle h;
    ASSERT_TRUE(GxFileOpen(h, u"data.txt"));
    ASSERT_TRUE(GxGetFileCache().Find(u"data.txt", h.GetFileTime(), copy));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(copy.GetBuffer()), 4), "new!");
    EXPECT_EQ(GxGetFileCache().GetEntryCount(), 1u);
}

TEST_F(FileCacheLoadTest, MembersAreCachedByTheirIndexTimeStamp)
{
    GxPackWriter w;
    w.AddMember(u"gnc/walk.gnc", std::string_view("motion"), 42);
    ASSERT_TRUE(w.Write("system.chs"));
    ASSERT_TRUE(GxFileOpenPack(u"system.chs"));
    GxBinBuffer buf;
    ASSERT_TRUE(GxFileLoadToBinBuffer(buf, u"GNC/Walk.gnc", true, false));
    GxBinBuffer hit;
    ASSERT_TRUE(GxGetFileCache().Find(u"gnc/walk.gnc", 42, hit));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(hit.GetBuffer()), hit.GetSize()), "motion");
    // A loose file of the same path with another time stamp shadows the member and misses.
    ASSERT_TRUE(m_Folder.Write("gnc/walk.gnc", "loose motion"));
    ASSERT_TRUE(GxFileLoadToBinBuffer(buf, u"gnc/walk.gnc", true, false));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(buf.GetBuffer()), buf.GetSize()), "loose motion");
    EXPECT_FALSE(GxGetFileCache().Find(u"gnc/walk.gnc", 42, hit));
}

TEST_F(FileCacheLoadTest, SettersAndClearGoThroughTheGlobals)
{
    EXPECT_TRUE(GxGetFileCache().IsEnabled());
    EXPECT_EQ(GxGetFileCache().GetMaxSize(), 0xB400000u);
    EXPECT_EQ(GxGetFileCache().GetMaxFileSize(), 0x100000u);
    ASSERT_TRUE(m_Folder.Write("a.txt", "aaa"));
    GxBinBuffer buf;
    ASSERT_TRUE(GxFileLoadToBinBuffer(buf, u"a.txt", true, false));
    EXPECT_EQ(GxGetFileCache().GetTotalSize(), 3u);
    GxFileCacheClear();
    EXPECT_EQ(GxGetFileCache().GetTotalSize(), 0u);
    ASSERT_TRUE(GxFileLoadToBinBuffer(buf, u"a.txt", true, false));
    EXPECT_EQ(GxGetFileCache().GetEntryCount(), 1u);
    // A load while switched off still drops the old image.
    GxFileCacheSetEnabled(false);
    ASSERT_TRUE(GxFileLoadToBinBuffer(buf, u"A.TXT", true, false));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(buf.GetBuffer()), buf.GetSize()), "aaa");
    EXPECT_EQ(GxGetFileCache().GetEntryCount(), 0u);
}

}  // namespace
