// The sound side of the headless harness: the frame-driven sound clock and the captured mix.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "media/GxSoundClock.h"
#include "media/GxSoundHarness.h"
#include "media/GxSoundLoader.h"
#include "media/GxSoundPlayer.h"
#include "tests/support/GxContentFixture.h"
#include "tests/support/GxMixerFixture.h"
#include "tests/support/GxPackWriter.h"

TEST(SoundHarnessTest, UnpacedCaptureFollowsTheFramesAndWritesTheMix)
{
    GxTestGameFolder folder;
    ASSERT_TRUE(folder.IsValid());
    GxTestResetFileLayer();
    GxContentLogCapture log;
    ASSERT_TRUE(folder.Write("r.wav", GxRampWav(100000, 2, 44100, 16)));

    setenv("GX_AUDIO_CAPTURE", "mix.wav", 1);
    const GxSoundHarnessOptions options = GxSoundHarness::FromEnvironment(true, true);
    unsetenv("GX_AUDIO_CAPTURE");
    EXPECT_EQ(options.capturePath, "mix.wav");
    GxSoundHarness::Begin(options);
    EXPECT_EQ(GxSoundHarness::Backend(), GxMixerBackendKind::Manual);
    // What the sound start-up does with it.
    ASSERT_TRUE(GxMixer::Open(GxSoundHarness::Backend()));
    EXPECT_TRUE(GxMixer::Get()->IsManual());

    GxSoundPlayerStream player;
    ASSERT_TRUE(player.PlayFromFile(u"r.wav", 0, 0, 0, 1000, -1000, 0, 0, false, nullptr, nullptr));
    for (int frame = 0; frame < 30; ++frame) {
        GxSoundHarness::Frame();
        if (frame % 4 == 3) player.UpdateFade();
    }
    EXPECT_EQ(GxSoundGetTime(), 30u * 1000 / 60 + 1) << "the clock is the frame count";
    // The last update ran after 28 frames: 466 ms after the start, -6400 + 5400 x 0.466 truncated.
    EXPECT_EQ(player.GetVolume(), -3883);
    player.Stop();
    GxMixer::Close();
    ASSERT_TRUE(GxSoundHarness::End());

    GxSoundLoaderWav mix;
    ASSERT_TRUE(mix.Open(u"mix.wav"));
    EXPECT_EQ(mix.GetTotalSamples(), 30 * 735);
    EXPECT_EQ(mix.GetWaveFormat().channels, 2);
    EXPECT_EQ(mix.GetWaveFormat().samplesPerSec, 44100u);
    // Frame 10000 was mixed in main-loop frame 14, after the update at 12 frames (200 ms, -5320).
    std::vector<int16_t> pcm(2 * 30 * 735);
    uint32_t got = 0;
    ASSERT_TRUE(mix.Read(pcm.data(), uint32_t(pcm.size() * 2), &got));
    EXPECT_EQ(got, pcm.size() * 2);
    EXPECT_EQ(pcm[2 * 10000], int16_t(std::lrint(10000 * GxMixerVolumeGain(-5320))));
    GxTestResetFileLayer();
    EXPECT_TRUE(log.Lines().empty()) << log.Joined();
}

// Without a capture an unpaced run still mixes by the frames: a sound lasts as many frames as its
// length says, however fast the frames run, and no file is written.
TEST(SoundHarnessTest, UnpacedWithoutCaptureStillPlaysSoundsByTheFrames)
{
    unsetenv("GX_AUDIO_CAPTURE");
    GxTestGameFolder folder;
    ASSERT_TRUE(folder.IsValid());
    const GxSoundHarnessOptions options = GxSoundHarness::FromEnvironment(true, true);
    EXPECT_EQ(options.capturePath, "");
    GxSoundHarness::Begin(options);
    EXPECT_EQ(GxSoundHarness::Backend(), GxMixerBackendKind::Manual);
    ASSERT_TRUE(GxMixer::Open(GxSoundHarness::Backend()));
    ASSERT_TRUE(GxMixer::Get()->IsManual());

    // Half a second: 22050 frames, 30 main-loop frames of 735.
    auto voice = GxMixer::Get()->CreateVoice(GxMixerFormat{2, 16, 44100}, 22050 * 4);
    ASSERT_NE(voice, nullptr);
    ASSERT_TRUE(voice->Play(false));
    for (int frame = 1; frame < 30; ++frame) {
        GxSoundHarness::Frame();
        ASSERT_EQ(voice->GetCurrentPosition(), uint32_t(frame) * 735 * 4) << frame;
    }
    EXPECT_TRUE(voice->GetStatus() & kGxMixerStatusPlaying);
    GxSoundHarness::Frame();
    EXPECT_EQ(voice->GetStatus(), 0u) << "ended with its 30th frame";
    GxMixer::Get()->RemoveVoice(voice);
    GxMixer::Close();
    EXPECT_TRUE(GxSoundHarness::End());
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path())) << "nothing is written without a capture";
}

TEST(SoundHarnessTest, PacedRunsKeepTheirDevice)
{
    unsetenv("GX_AUDIO_CAPTURE");
    GxSoundHarness::Begin(GxSoundHarness::FromEnvironment(false, false));
    EXPECT_EQ(GxSoundHarness::Backend(), GxMixerBackendKind::Auto) << "a window plays sound";
    EXPECT_TRUE(GxSoundHarness::End());
    GxSoundHarness::Begin(GxSoundHarness::FromEnvironment(true, false));
    EXPECT_EQ(GxSoundHarness::Backend(), GxMixerBackendKind::Dummy) << "headless asks for no sound card";
    GxSoundHarness::Frame();
    EXPECT_TRUE(GxSoundHarness::End());
}
