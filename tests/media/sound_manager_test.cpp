// The sound manager behind GxSound as the program starts it: the mixer opened on the backend the
// sound harness names (the capture's manual backend here, so nothing renders unless the test
// asks), the device log of the start-up, the music pair's cross-fade, fire-and-forget sounds
// under the injected sound clock, refused channels and a start-up without any output.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "core/GxLog.h"
#include "core/GxString.h"
#include "media/GxSound.h"
#include "media/GxSoundBuffer.h"
#include "media/GxSoundClock.h"
#include "media/GxSoundHarness.h"
#include "platform/GxMixer.h"
#include "tests/support/GxContentFixture.h"
#include "tests/support/GxMixerFixture.h"
#include "tests/support/GxPackWriter.h"

namespace {

std::atomic<uint64_t> g_Now{1000};
uint64_t FakeClock() { return g_Now.load(); }

// The lines of a UTF-16LE log file with its signature and CR LF line ends.
std::vector<std::string> ReadLogLines(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::u16string text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        text.push_back(char16_t(uint8_t(bytes[i]) | (uint8_t(bytes[i + 1]) << 8)));
    std::vector<std::string> lines;
    const std::string utf8 = GxWideToUtf8(text);
    size_t start = 0;
    for (size_t end; (end = utf8.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(utf8.substr(start, end - start));
    return lines;
}

class SoundManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.IsValid());
        GxTestResetFileLayer();
        g_Now = 1000;
        GxSoundSetClock(FakeClock);
        GxSetDeviceLogPath(GxUtf8ToWide(m_Folder.Path() + "/device.log"));
        GxSoundHarnessOptions options;
        options.headless = true;
        options.capturePath = m_Folder.Path() + "/mix.wav";
        GxSoundHarness::Begin(options);
        // One second of a constant value each, so a rendered sample tells which file sounds.
        for (auto [name, value] : {std::pair{"a", 1000}, {"b", 2000}, {"c", 4000}})
            ASSERT_TRUE(m_Folder.Write(std::string("bgms/") + name + ".wav",
                                       GxConstantWav(44100, 1, 44100, int16_t(value))));
        ASSERT_TRUE(m_Folder.Write("se/click.wav", GxConstantWav(4410, 1, 44100, 500)));
    }
    void TearDown() override
    {
        GxSound::Release();
        GxSoundHarness::End();
        GxSoundSetOutputOpener(nullptr);
        GxSoundSetClock(nullptr);
        GxSetDeviceLogPath(u"device.log");
        GxTestResetFileLayer();
    }

    static bool BGM(std::u16string_view file, uint32_t fade) { return GxSound::PlayBGM(file, -1, 0, fade, 0, 0, 0); }
    // Advances the clock and runs the frame update.
    static void Advance(uint64_t ms)
    {
        g_Now += ms;
        GxSound::Update();
    }
    // The left sample of a short render of the mix.
    static int16_t Sample()
    {
        std::vector<int16_t> out(2 * 256);
        GxMixer::Get()->Render(out.data(), 256);
        return out[200];
    }

    GxTestGameFolder m_Folder;
};

TEST_F(SoundManagerTest, CreateOpensTheCaptureBackendAndLogsTheMixersCapabilities)
{
    ASSERT_TRUE(GxSound::Create(0, 0));
    ASSERT_NE(GxMixer::Get(), nullptr);
    EXPECT_TRUE(GxMixer::Get()->IsManual());
    const std::vector<std::string> lines = ReadLogLines(m_Folder.Path() + "/device.log");
    ASSERT_EQ(lines.size(), 35u) << "start, 33 capability lines, the cooperative level";
    EXPECT_EQ(lines[0], "DirectSound8の初期化を開始します");
    EXPECT_EQ(lines[1], "サウンドデバイスの能力情報");
    EXPECT_EQ(lines[2], "\t・Flags:0xF1A");
    EXPECT_EQ(lines[3], "\t\t・DSCAPS_CERTIFIED:0");
    EXPECT_EQ(lines[4], "\t\t・DSCAPS_CONTINUOUSRATE:1");
    EXPECT_EQ(lines[8], "\t\t・DSCAPS_PRIMARYMONO:0");
    EXPECT_EQ(lines[13], "\t\t・DSCAPS_SECONDARYSTEREO:1");
    EXPECT_EQ(lines[14], "\t・セカンダリバッファ最小サンプリングレート:1");
    EXPECT_EQ(lines[16], "\t・最大プライマリバッファ数:1");
    EXPECT_EQ(lines[17], "\t・最大ハードウェアミキシング数:0");
    EXPECT_EQ(lines[33], "\t・処理オーバーヘッド:0 %");
    EXPECT_EQ(lines[34], "\tDirectSound8のCooperativeLevelを DSSCL_PRIORITY に設定しました");
    GxSound::Release();
    EXPECT_EQ(GxMixer::Get(), nullptr) << "Release closes the output";
}

TEST_F(SoundManagerTest, MusicPairAlternatesAndCrossFades)
{
    ASSERT_TRUE(GxSound::Create(0, 0));
    EXPECT_EQ(GxSound::GetCurrentBGMIndex(), 0) << "nothing plays";
    ASSERT_TRUE(BGM(u"bgms/a.wav", 0));
    EXPECT_EQ(GxSound::GetCurrentBGMIndex(), 0);
    EXPECT_TRUE(GxSound::IsStreamPlaying(0));
    EXPECT_FALSE(GxSound::IsStreamPlaying(1));

    ASSERT_TRUE(BGM(u"bgms/b.wav", 500));
    EXPECT_EQ(GxSound::GetCurrentBGMIndex(), 1) << "channel 0 fades out, 1 fades in";
    EXPECT_TRUE(GxSound::IsStreamPlaying(0));
    EXPECT_TRUE(GxSound::IsStreamPlaying(1));
    Advance(499);
    EXPECT_TRUE(GxSound::IsStreamPlaying(0)) << "the fade has not ended";
    Advance(1);
    EXPECT_FALSE(GxSound::IsStreamPlaying(0)) << "the ended fade-out stops the channel";
    EXPECT_EQ(GxSound::GetCurrentBGMIndex(), 1);
    EXPECT_EQ(Sample(), 2000);

    ASSERT_TRUE(BGM(u"bgms/c.wav", 500));
    EXPECT_EQ(GxSound::GetCurrentBGMIndex(), 0) << "back to channel 0";
    Advance(500);
    EXPECT_FALSE(GxSound::IsStreamPlaying(1));
    EXPECT_EQ(Sample(), 4000);
}

TEST_F(SoundManagerTest, MusicDuringACrossFadeRestartsChannelZeroAndFadesOne)
{
    ASSERT_TRUE(GxSound::Create(0, 0));
    // Either channel current while both play: channel 0 takes the new music at once.
    for (bool zeroCurrent : {false, true}) {
        SCOPED_TRACE(zeroCurrent);
        GxSound::StopBGM(0);
        ASSERT_TRUE(BGM(u"bgms/a.wav", 0));
        ASSERT_TRUE(BGM(u"bgms/b.wav", 500));  // 0 fades out, 1 current
        if (zeroCurrent) {
            ASSERT_TRUE(BGM(u"bgms/a.wav", 500));
        }
        ASSERT_EQ(GxSound::GetCurrentBGMIndex(), zeroCurrent ? 0 : 1);
        ASSERT_TRUE(BGM(u"bgms/c.wav", 500));
        EXPECT_EQ(GxSound::GetCurrentBGMIndex(), 0);
        Advance(500);
        EXPECT_TRUE(GxSound::IsStreamPlaying(0));
        EXPECT_FALSE(GxSound::IsStreamPlaying(1));
        EXPECT_EQ(Sample(), 4000) << "channel 0 plays the new file alone";
    }
}

TEST_F(SoundManagerTest, StopBGMStopsBothAtOnceOrFadesBoth)
{
    ASSERT_TRUE(GxSound::Create(0, 0));
    ASSERT_TRUE(BGM(u"bgms/a.wav", 0));
    ASSERT_TRUE(BGM(u"bgms/b.wav", 1000));
    EXPECT_TRUE(GxSound::StopBGM(0));
    EXPECT_FALSE(GxSound::IsStreamPlaying(0));
    EXPECT_FALSE(GxSound::IsStreamPlaying(1));

    ASSERT_TRUE(BGM(u"bgms/a.wav", 0));
    ASSERT_TRUE(BGM(u"bgms/b.wav", 1000));
    EXPECT_TRUE(GxSound::StopBGM(500));
    Advance(250);
    EXPECT_TRUE(GxSound::IsStreamPlaying(0));
    EXPECT_TRUE(GxSound::IsStreamPlaying(1));
    Advance(250);
    EXPECT_FALSE(GxSound::IsStreamPlaying(0));
    EXPECT_FALSE(GxSound::IsStreamPlaying(1));

    // A negative fade that went through the unsigned parameter stops at once.
    ASSERT_TRUE(BGM(u"bgms/a.wav", uint32_t(-300)));
    EXPECT_EQ(Sample(), 1000) << "no fade-in from silence";
    EXPECT_TRUE(GxSound::FadeOutStream(0, uint32_t(-1)));
    EXPECT_FALSE(GxSound::IsStreamPlaying(0));
}

TEST_F(SoundManagerTest, OneShotRepeatGuardLimitAndFailedPlays)
{
    ASSERT_TRUE(GxSound::Create(0, 0));
    uint32_t first = 0, second = 0;
    ASSERT_TRUE(GxSound::PlayOneShot(&first, u"se/click.wav", 0, 0, 0, 0, 0));
    g_Now += 3;
    EXPECT_FALSE(GxSound::PlayOneShot(nullptr, u"se/click.wav", 0, 0, 0, 0, 0)) << "3 ms after: refused";
    g_Now += 1;
    ASSERT_TRUE(GxSound::PlayOneShot(&second, u"se/click.wav", 0, 0, 0, 0, 0)) << "4 ms after: accepted";
    EXPECT_EQ(second, first + 1) << "the serial numbers the players";
    EXPECT_EQ(Sample(), 1000) << "both sound";

    // 13 more fill the list with 15 good players; a failed one (start beyond the end) is the 16th.
    for (int i = 0; i < 13; ++i) {
        g_Now += 4;
        ASSERT_TRUE(GxSound::PlayOneShot(nullptr, u"se/click.wav", 0, 0, 0, 0, 0)) << i;
    }
    g_Now += 4;
    EXPECT_FALSE(GxSound::PlayOneShot(nullptr, u"se/click.wav", 0, 5000, 0, 0, 0));
    g_Now += 4;
    EXPECT_FALSE(GxSound::PlayOneShot(nullptr, u"se/click.wav", 0, 0, 0, 0, 0)) << "the 17th is refused";
    GxSound::Update();
    g_Now += 4;
    EXPECT_TRUE(GxSound::PlayOneShot(nullptr, u"se/click.wav", 0, 0, 0, 0, 0)) << "the update freed the failed one";
    g_Now += 4;
    EXPECT_FALSE(GxSound::PlayOneShot(nullptr, u"se/missing.wav", 0, 0, 0, 0, 0));

    EXPECT_TRUE(GxSound::StopAllOneShot());
    EXPECT_EQ(Sample(), 0);
    for (int i = 0; i < 16; ++i) {
        g_Now += 4;
        EXPECT_TRUE(GxSound::PlayOneShot(nullptr, u"se/click.wav", 0, 0, 0, 0, 0)) << "the list is empty again";
    }
}

TEST_F(SoundManagerTest, ChannelsFromThirtyTwoAreRefusedEverywhere)
{
    ASSERT_TRUE(GxSound::Create(0, 0));
    ASSERT_TRUE(GxSound::PlayStreamFromFile(31, u"bgms/a.wav", 0, 0, 0, 0, 0, 0));
    for (uint32_t channel : {32u, 33u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(channel);
        EXPECT_FALSE(GxSound::PlayStreamFromFile(channel, u"bgms/a.wav", 0, 0, 0, 0, 0, 0));
        EXPECT_FALSE(GxSound::StopStream(channel));
        EXPECT_FALSE(GxSound::FadeOutStream(channel, 0));
        EXPECT_FALSE(GxSound::SetStreamVolume(channel, 0));
        EXPECT_FALSE(GxSound::IsStreamPlaying(channel));
    }
    EXPECT_TRUE(GxSound::IsStreamPlaying(31)) << "no other channel was touched";
    EXPECT_TRUE(GxSound::SetStreamVolume(31, -2000));
    EXPECT_NEAR(Sample(), 1000 * GxMixerVolumeGain(-2000), 1.0);
    EXPECT_TRUE(GxSound::StopStream(31));
    EXPECT_FALSE(GxSound::IsStreamPlaying(31));
}

TEST_F(SoundManagerTest, AChannelWhoseRefillThreadIsRefusedDoesNotPlay)
{
    ASSERT_TRUE(GxSound::Create(0, 0));
    GxContentLogCapture log;
    GxSoundSetThreadStarter([](std::thread&, std::function<void()>) { return false; });
    const bool played = GxSound::PlayStreamFromFile(3, u"bgms/a.wav", -1, 0, 0, 0, 0, 0);
    GxSoundSetThreadStarter(nullptr);
    EXPECT_FALSE(played);
    EXPECT_FALSE(GxSound::IsStreamPlaying(3));
    EXPECT_EQ(Sample(), 0);
    EXPECT_EQ(log.Lines(), std::vector<std::string>{
                               "Error/GxSoundBufferStream::Create ストリーム再生スレッドの作成に失敗しました\n"});
    ASSERT_TRUE(GxSound::PlayStreamFromFile(3, u"bgms/a.wav", -1, 0, 0, 0, 0, 0));
    EXPECT_EQ(Sample(), 1000);
}

TEST_F(SoundManagerTest, WithoutAnyOutputEveryPlayIsRefused)
{
    GxSoundSetOutputOpener([] { return false; });
    EXPECT_FALSE(GxSound::Create(0, 0));
    EXPECT_EQ(ReadLogLines(m_Folder.Path() + "/device.log"),
              std::vector<std::string>{"DirectSound8の初期化を開始します"});
    EXPECT_FALSE(GxSound::PlayBGM(u"bgms/a.wav", 0, 0, 0, 0, 0, 0));
    EXPECT_FALSE(GxSound::PlayStreamFromFile(4, u"bgms/a.wav", 0, 0, 0, 0, 0, 0));
    EXPECT_FALSE(GxSound::PlayOneShot(nullptr, u"se/click.wav", 0, 0, 0, 0, 0));
    EXPECT_FALSE(GxSound::IsStreamPlaying(0));
    EXPECT_EQ(GxSound::GetCurrentBGMIndex(), 0);
    EXPECT_TRUE(GxSound::StopBGM(0));
    EXPECT_TRUE(GxSound::Update());
    GxSound::Release();

    // The next start-up with an output works again.
    GxSoundSetOutputOpener(nullptr);
    ASSERT_TRUE(GxSound::Create(0, 0));
    EXPECT_TRUE(GxSound::PlayBGM(u"bgms/a.wav", 0, 0, 0, 0, 0, 0));
}

// Release while the SDL dummy driver's thread mixes and the refill threads run: the output
// closes first, then every player goes (the sanitizer build watches for races).
TEST(SoundManagerRelease, ReleaseWhileTheDeviceThreadMixes)
{
    GxTestGameFolder folder;
    ASSERT_TRUE(folder.IsValid());
    GxTestResetFileLayer();
    ASSERT_TRUE(folder.Write("m.wav", GxConstantWav(22050, 2, 22050, 300)));
    GxSoundHarnessOptions options;
    options.headless = true;
    GxSoundHarness::Begin(options);
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(GxSound::Create(0, 0));
        EXPECT_FALSE(GxMixer::Get()->IsManual());
        for (uint32_t ch = 0; ch < 12; ++ch) EXPECT_TRUE(GxSound::PlayStreamFromFile(ch, u"m.wav", -1, 0, 0, 0, 0, 0));
        EXPECT_TRUE(GxSound::PlayOneShot(nullptr, u"m.wav", -1, 0, 0, 0, 0));
        GxSound::Release();
        EXPECT_EQ(GxMixer::Get(), nullptr);
        EXPECT_FALSE(GxSound::IsStreamPlaying(0));
    }
    GxSoundHarness::End();
    GxTestResetFileLayer();
}

}  // namespace
