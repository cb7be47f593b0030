// Decoded sound data and the decoded-sound cache: names in any case, reference counts, the keep
// flag, purges at the limits, last-use times on the sound clock, and the instance that the
// sound system's start-up makes.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "core/GxString.h"
#include "media/GxSound.h"
#include "media/GxSoundCache.h"
#include "media/GxSoundClock.h"
#include "media/GxWavData.h"
#include "tests/support/GxContentFixture.h"
#include "tests/support/GxPackWriter.h"
#include "tests/support/GxSoundWriter.h"

namespace {

std::atomic<uint64_t> g_Now{1000};
uint64_t FakeClock() { return g_Now.load(); }

std::vector<uint8_t> MonoWav(size_t bytes, uint8_t fill = 0x11)
{
    return GxWavWriter(GxWavFields{}).Data(std::vector<uint8_t>(bytes, fill)).Build();
}

class SoundDataTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.IsValid());
        GxTestResetFileLayer();
        g_Now = 1000;
        GxSoundSetClock(FakeClock);
    }
    void TearDown() override
    {
        GxSoundSetClock(nullptr);
        GxTestResetFileLayer();
    }

    void Write(const std::string& name, const std::vector<uint8_t>& bytes) { ASSERT_TRUE(m_Folder.Write(name, bytes)); }

    GxTestGameFolder m_Folder;
    GxContentLogCapture m_Log;
};

TEST(SoundClockTest, NeverReadsZero)
{
    EXPECT_GE(GxSoundGetTime(), 1u);
    GxSoundSetClock([]() -> uint64_t { return 0; });
    EXPECT_EQ(GxSoundGetTime(), 1u);
    GxSoundSetClock([]() -> uint64_t { return 0x123456789ull; });
    EXPECT_EQ(GxSoundGetTime(), 0x123456789ull);
    GxSoundSetClock(nullptr);
    EXPECT_GE(GxSoundGetTime(), 1u);
}

// ---- GxWavData ----

TEST_F(SoundDataTest, CreateFromAFileKeepsTheNameInLowerCase)
{
    const std::vector<uint8_t> pcm = {1, 2, 3, 4, 5, 6, 7, 8};
    Write("SE/Beep.WAV", GxWavWriter(GxWavFields{}).Data(pcm).Build());
    g_Now = 4242;
    GxWavData data;
    ASSERT_TRUE(data.Create(u"SE/Beep.WAV"));
    EXPECT_EQ(data.GetName(), u"se/beep.wav");
    EXPECT_EQ(data.GetRefCount(), 1);
    EXPECT_EQ(data.GetDataSize(), 8u);
    EXPECT_EQ(data.GetTotalFrames(), 4u);
    EXPECT_EQ(data.GetLastUseTime(), 4242u);
    EXPECT_EQ(data.GetFormat().samplesPerSec, 22050u);
    EXPECT_TRUE(std::equal(pcm.begin(), pcm.end(), data.GetData()));
    EXPECT_FALSE(data.IsKept());

    GxWavData narrow;
    ASSERT_TRUE(narrow.CreateA("se/BEEP.wav"));
    EXPECT_EQ(narrow.GetName(), u"se/beep.wav");
}

TEST_F(SoundDataTest, CreateFromAnOggFileDecodesTheWholeStream)
{
    Write("bgm.ogg", GxEncodeOggVorbis(GxSineSamples(11025, 2, 22050, 440.0, 8000.0), 2, 22050));
    GxWavData data;
    ASSERT_TRUE(data.Create(u"BGM.Ogg"));
    EXPECT_EQ(data.GetTotalFrames(), 11025u);
    EXPECT_EQ(data.GetDataSize(), 11025u * 4);
    EXPECT_EQ(data.GetLengthMs(), 500u);
    int16_t l = 0, r = 0;
    // A quarter period of 440 Hz at 22050 Hz is frame 12.5: near the crest of the left channel.
    ASSERT_TRUE(data.GetSample(&l, &r, 12));
    EXPECT_GT(l, 7000);
}

TEST_F(SoundDataTest, CreateRefusals)
{
    Write("a.mp3", MonoWav(8));
    Write("broken.wav", std::vector<uint8_t>(30, 0));
    Write("empty.wav", GxWavWriter(GxWavFields{}).Data({}).Build());
    GxWavData data;
    EXPECT_FALSE(data.Create(u"a.mp3"));
    ASSERT_EQ(m_Log.Lines().size(), 1u);
    EXPECT_EQ(m_Log.Lines()[0], "Error/GxWavData::Create 未対応の形式です(a.mp3)\n");
    EXPECT_FALSE(data.Create(u"broken.wav"));
    EXPECT_FALSE(data.Create(u"missing.ogg"));
    EXPECT_FALSE(data.Create(u"empty.wav"));
    EXPECT_EQ(data.GetData(), nullptr);
    EXPECT_EQ(data.GetRefCount(), 0);

    m_Log.Clear();
    GxWaveFormat format{kGxWaveFormatPcm, 2, 44100, 176400, 4, 16};
    EXPECT_FALSE(data.Create(u"x", nullptr, 16));
    EXPECT_FALSE(data.Create(u"x", &format, 0));
    EXPECT_TRUE(m_Log.Lines().empty());
    EXPECT_FALSE(data.Create(u"Huge", &format, kGxWavDataMaxBytes + 4));
    ASSERT_EQ(m_Log.Lines().size(), 1u);
    EXPECT_EQ(m_Log.Lines()[0], "Error/GxWavData::Create バッファの確保に失敗しました(Huge)\n");
    GxWaveFormat noFrame = format;
    noFrame.blockAlign = 0;
    EXPECT_FALSE(data.Create(u"x", &noFrame, 16));
}

TEST_F(SoundDataTest, CountNeverGoesBelowZeroAndClearEmptiesEverything)
{
    GxWaveFormat format{kGxWaveFormatPcm, 1, 8000, 16000, 2, 16};
    GxWavData data;
    ASSERT_TRUE(data.CreateA("Raw", &format, 10));
    EXPECT_EQ(data.GetName(), u"raw");
    EXPECT_EQ(data.GetTotalFrames(), 5u);
    EXPECT_EQ(data.GetData()[9], 0);
    EXPECT_EQ(data.AddRef(), 2);
    EXPECT_EQ(data.Release(), 1);
    EXPECT_EQ(data.Release(), 0);
    EXPECT_EQ(data.Release(), 0);
    data.SetKeep(true);
    data.AddRef();
    data.Clear();
    EXPECT_EQ(data.GetRefCount(), 0);
    EXPECT_EQ(data.GetData(), nullptr);
    EXPECT_EQ(data.GetDataSize(), 0u);
    EXPECT_EQ(data.GetTotalFrames(), 0u);
    EXPECT_EQ(data.GetLastUseTime(), 0u);
    EXPECT_EQ(data.GetName(), u"");
    EXPECT_EQ(data.GetFormat(), GxWaveFormat{});
    data.Init();
    EXPECT_FALSE(data.IsKept());
}

struct SampleCase
{
    const char* name;
    uint16_t channels;
    uint16_t bits;
    std::vector<uint8_t> frame;
    int16_t left;
    int16_t right;
};

class WavDataSampleTest : public ::testing::TestWithParam<SampleCase>
{
};

TEST_P(WavDataSampleTest, GivesOneFrameAsSixteenBitValues)
{
    const SampleCase& c = GetParam();
    const uint16_t block = static_cast<uint16_t>(c.channels * c.bits / 8);
    GxWaveFormat format{kGxWaveFormatPcm, c.channels, 8000, 8000u * block, block, c.bits};
    GxWavData data;
    ASSERT_TRUE(data.Create(u"s", &format, block * 2));
    std::copy(c.frame.begin(), c.frame.end(), data.GetData() + block);
    int16_t l = 1, r = 1;
    ASSERT_TRUE(data.GetSample(&l, &r, 1));
    EXPECT_EQ(l, c.left);
    EXPECT_EQ(r, c.right);
    EXPECT_FALSE(data.GetSample(&l, &r, 2));
}

INSTANTIATE_TEST_SUITE_P(
    Forms, WavDataSampleTest,
    ::testing::Values(SampleCase{"Mono8Low", 1, 8, {0}, -32768, -32768}, SampleCase{"Mono8Centre", 1, 8, {128}, 0, 0},
                      SampleCase{"Mono8High", 1, 8, {255}, 32512, 32512},
                      SampleCase{"Stereo8", 2, 8, {64, 192}, -16384, 16384},
                      SampleCase{"Mono16", 1, 16, {0x34, 0x92}, -28108, -28108},
                      SampleCase{"Stereo16", 2, 16, {0xFF, 0x7F, 0x00, 0x80}, 32767, -32768}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- the cache ----

class SoundCacheTest : public SoundDataTest
{
protected:
    GxSoundCache m_Cache;
};

TEST_F(SoundCacheTest, ANameAndItsCapitalsShareOneEntry)
{
    Write("se/click.wav", MonoWav(100));
    GxWavData* a = m_Cache.Acquire(u"se/click.wav");
    ASSERT_NE(a, nullptr);
    g_Now = 2000;
    GxWavData* b = m_Cache.Acquire(u"SE/Click.WAV");
    EXPECT_EQ(a, b);
    EXPECT_EQ(a->GetRefCount(), 2);
    EXPECT_EQ(m_Cache.GetCount(), 1u);
    EXPECT_EQ(m_Cache.GetTotalSize(), 100u);
    EXPECT_EQ(m_Cache.GetLastUseTime(u"se/CLICK.wav"), 2000u);
    EXPECT_EQ(m_Cache.GetLastUseTimeA("SE/CLICK.WAV"), 2000u);
    EXPECT_TRUE(m_Cache.Contains(u"SE/CLICK.WAV"));

    g_Now = 3000;
    EXPECT_TRUE(m_Cache.Contains(u"se/click.wav"));  // no touch
    EXPECT_EQ(m_Cache.GetLastUseTime(u"se/click.wav"), 2000u);
    EXPECT_EQ(a->GetRefCount(), 2);

    EXPECT_TRUE(m_Cache.Release(u"se/click.wav"));
    EXPECT_TRUE(m_Cache.Release(u"Se/Click.Wav"));
    EXPECT_TRUE(m_Cache.Release(u"se/click.wav"));
    EXPECT_EQ(a->GetRefCount(), 0);
    EXPECT_FALSE(m_Cache.Release(u"se/other.wav"));
    EXPECT_FALSE(m_Cache.SetKeep(u"se/other.wav", true));
    EXPECT_EQ(m_Cache.GetLastUseTime(u"se/other.wav"), 0u);
    EXPECT_FALSE(m_Cache.Contains(u"se/other.wav"));
}

TEST_F(SoundCacheTest, MemoryDecoderReadsTouchTheEntry)
{
    Write("se/click.wav", MonoWav(100));
    GxWavData* data = m_Cache.Acquire(u"se/click.wav");
    ASSERT_NE(data, nullptr);
    GxSoundLoaderMemory mem;
    g_Now = 5000;
    ASSERT_TRUE(mem.Open(data));
    EXPECT_EQ(m_Cache.GetLastUseTime(u"se/click.wav"), 5000u);
    uint8_t buf[10];
    g_Now = 6000;
    ASSERT_TRUE(mem.Read(buf, sizeof buf, nullptr));
    EXPECT_EQ(m_Cache.GetLastUseTime(u"se/click.wav"), 6000u);
    g_Now = 7000;
    ASSERT_TRUE(mem.Seek(3));
    EXPECT_EQ(m_Cache.GetLastUseTime(u"se/click.wav"), 7000u);
}

TEST_F(SoundCacheTest, CrossingTwentyMebibytesPurgesUnheldEntriesAndStillAdds)
{
    const size_t mib = 1024 * 1024;
    Write("old.wav", MonoWav(12 * mib));
    Write("held.wav", MonoWav(1000));
    Write("kept.wav", MonoWav(2000));
    Write("new.wav", MonoWav(8 * mib));
    Write("more.wav", MonoWav(4 * mib));

    ASSERT_NE(m_Cache.Acquire(u"old.wav"), nullptr);
    ASSERT_TRUE(m_Cache.Release(u"old.wav"));
    ASSERT_NE(m_Cache.Acquire(u"held.wav"), nullptr);
    ASSERT_TRUE(m_Cache.Preload(u"kept.wav", true));
    EXPECT_EQ(m_Cache.GetTotalSize(), 12 * mib + 3000);

    // 12 MiB + 8 MiB + 3000 bytes crosses the limit: the unreferenced, unkept entry goes.
    GxWavData* added = m_Cache.Acquire(u"new.wav");
    ASSERT_NE(added, nullptr);
    EXPECT_FALSE(m_Cache.Contains(u"old.wav"));
    EXPECT_TRUE(m_Cache.Contains(u"held.wav"));
    EXPECT_TRUE(m_Cache.Contains(u"kept.wav"));
    EXPECT_EQ(m_Cache.GetCount(), 3u);
    EXPECT_EQ(m_Cache.GetTotalSize(), 8 * mib + 3000);

    // Nothing purgeable now: the limit is no cap, the entry is added all the same.
    EXPECT_NE(m_Cache.Acquire(u"more.wav"), nullptr);
    ASSERT_NE(m_Cache.Acquire(u"old.wav"), nullptr);
    EXPECT_EQ(m_Cache.GetCount(), 5u);
    EXPECT_EQ(m_Cache.GetTotalSize(), 24 * mib + 3000);
}

TEST_F(SoundCacheTest, TheEntryLimitPurgesBeforeAdding)
{
    for (uint32_t i = 0; i <= kGxSoundCacheMaxEntries; ++i) Write("se/" + std::to_string(i) + ".wav", MonoWav(2));
    for (uint32_t i = 0; i < kGxSoundCacheMaxEntries; ++i) {
        const std::u16string name = u"se/" + GxUtf8ToWide(std::to_string(i)) + u".wav";
        ASSERT_NE(m_Cache.Acquire(name), nullptr);
        if (i != 7) m_Cache.Release(name);
    }
    EXPECT_EQ(m_Cache.GetCount(), kGxSoundCacheMaxEntries);
    ASSERT_NE(m_Cache.Acquire(u"se/1024.wav"), nullptr);
    EXPECT_EQ(m_Cache.GetCount(), 2u);
    EXPECT_TRUE(m_Cache.Contains(u"se/7.wav"));
    EXPECT_EQ(m_Cache.GetTotalSize(), 4u);
}

TEST_F(SoundCacheTest, AKeptEntrySurvivesPurgesUntilClear)
{
    Write("sys/ok.wav", MonoWav(10));
    Write("sys/cancel.wav", MonoWav(20));
    ASSERT_TRUE(m_Cache.Preload(u"sys/ok.wav", true));
    ASSERT_TRUE(m_Cache.Preload(u"sys/cancel.wav", false));
    EXPECT_TRUE(m_Cache.Purge());
    EXPECT_FALSE(m_Cache.Purge());
    EXPECT_FALSE(m_Cache.Trim(0));
    EXPECT_TRUE(m_Cache.Contains(u"sys/ok.wav"));
    EXPECT_FALSE(m_Cache.Contains(u"sys/cancel.wav"));
    EXPECT_EQ(m_Cache.GetTotalSize(), 10u);

    ASSERT_TRUE(m_Cache.SetKeep(u"SYS/OK.WAV", false));
    EXPECT_TRUE(m_Cache.Trim(1));
    EXPECT_EQ(m_Cache.GetCount(), 0u);

    ASSERT_TRUE(m_Cache.Preload(u"sys/ok.wav", true));
    ASSERT_NE(m_Cache.Acquire(u"sys/cancel.wav"), nullptr);
    EXPECT_TRUE(m_Cache.Clear());
    EXPECT_EQ(m_Cache.GetCount(), 0u);
    EXPECT_EQ(m_Cache.GetTotalSize(), 0u);
    EXPECT_FALSE(m_Cache.Contains(u"sys/ok.wav"));
}

TEST_F(SoundCacheTest, AnUndecodableFileIsNotCachedAndIsTriedAgain)
{
    Write("se/bad.wav", std::vector<uint8_t>(40, 'x'));
    EXPECT_EQ(m_Cache.Acquire(u"se/bad.wav"), nullptr);
    EXPECT_FALSE(m_Cache.Preload(u"se/bad.wav", true));
    EXPECT_EQ(m_Cache.GetCount(), 0u);
    EXPECT_FALSE(m_Cache.Contains(u"se/bad.wav"));
    ASSERT_EQ(m_Log.Lines().size(), 2u);

    Write("se/bad.wav", MonoWav(6));
    GxWavData* fixed = m_Cache.Acquire(u"se/bad.wav");
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->GetDataSize(), 6u);
}

TEST_F(SoundCacheTest, SoundsInPacksAreCachedByTheirMemberName)
{
    GxPackWriter pack;
    pack.AddMember(u"sys/Decide.ogg", GxEncodeOggVorbis(GxSineSamples(2205, 1, 22050, 440.0, 8000.0), 1, 22050));
    ASSERT_TRUE(pack.Write("system.pak"));
    ASSERT_TRUE(GxFileOpenPack(u"system.pak"));
    GxWavData* data = m_Cache.Acquire(u"SYS/DECIDE.OGG");
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->GetName(), u"sys/decide.ogg");
    EXPECT_EQ(data->GetTotalFrames(), 2205u);
    EXPECT_EQ(m_Cache.Acquire(u"sys/decide.ogg"), data);
}

TEST_F(SoundCacheTest, ConcurrentCallersKeepCountsAndTotalsExact)
{
    Write("a.wav", MonoWav(10));
    Write("b.wav", MonoWav(20));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([this, t] {
            const char16_t* name = t % 2 ? u"A.wav" : u"b.WAV";
            for (int i = 0; i < 200; ++i) {
                GxWavData* data = m_Cache.Acquire(name);
                if (!data) return;
                GxSoundLoaderMemory mem;
                uint8_t buf[4];
                if (mem.Open(data)) mem.Read(buf, sizeof buf, nullptr);
                m_Cache.Release(name);
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(m_Cache.GetCount(), 2u);
    EXPECT_EQ(m_Cache.GetTotalSize(), 30u);
    GxWavData* a = m_Cache.Acquire(u"a.wav");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->GetRefCount(), 1);
    EXPECT_TRUE(m_Cache.Release(u"a.wav"));
    EXPECT_TRUE(m_Cache.Purge());
    EXPECT_EQ(m_Cache.GetCount(), 0u);
}

TEST_F(SoundDataTest, TheSoundSystemMakesAndFreesTheProcessCache)
{
    Write("se/a.wav", MonoWav(10));
    ASSERT_EQ(GxSoundCache::Get(), nullptr);
    GxSound::Create(0, 0);
    GxSoundCache* cache = GxSoundCache::Get();
    ASSERT_NE(cache, nullptr);
    GxSound::Create(0, 0);
    EXPECT_EQ(GxSoundCache::Get(), cache);
    ASSERT_NE(cache->Acquire(u"se/a.wav"), nullptr);
    EXPECT_EQ(cache->GetCount(), 1u);
    GxSound::Release();
    EXPECT_EQ(GxSoundCache::Get(), nullptr);
    GxSound::Release();
}

}  // namespace
