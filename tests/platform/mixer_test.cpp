// The software mixer: conversion of every buffer format to 44100 Hz stereo, resampling, gain, pan
// and saturation, the play cursor and status, notifications, the backend table and the capture.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/GxEvent.h"
#include "platform/GxMixer.h"
#include "tests/support/GxMixerFixture.h"

namespace {

std::shared_ptr<GxMixerVoice> Voice(GxMixer& mixer, uint16_t channels, uint16_t bits, uint32_t rate,
                                    const std::vector<uint8_t>& pcm)
{
    auto voice = mixer.CreateVoice(GxMixerFormat{channels, bits, rate}, uint32_t(pcm.size()));
    if (!voice) return nullptr;
    uint8_t* p = voice->Lock(0, uint32_t(pcm.size()));
    if (!p) return nullptr;
    std::memcpy(p, pcm.data(), pcm.size());
    voice->Unlock();
    return voice;
}

std::vector<int16_t> Render(GxMixer& mixer, uint32_t frames)
{
    std::vector<int16_t> out(2 * size_t(frames), 0x5555);
    mixer.Render(out.data(), frames);
    return out;
}

std::vector<uint8_t> Pcm16(const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> out;
    for (int16_t s : samples) {
        out.push_back(uint8_t(uint16_t(s)));
        out.push_back(uint8_t(uint16_t(s) >> 8));
    }
    return out;
}

}  // namespace

TEST(MixerTest, RefusesFormatsItCannotMix)
{
    GxMixer mixer(false);
    EXPECT_EQ(mixer.CreateVoice(GxMixerFormat{3, 16, 44100}, 600), nullptr);
    EXPECT_EQ(mixer.CreateVoice(GxMixerFormat{2, 24, 44100}, 600), nullptr);
    EXPECT_EQ(mixer.CreateVoice(GxMixerFormat{2, 16, 0}, 600), nullptr);
    EXPECT_EQ(mixer.CreateVoice(GxMixerFormat{2, 16, 44100}, 0), nullptr);
    EXPECT_EQ(mixer.CreateVoice(GxMixerFormat{2, 16, 44100}, 6), nullptr);  // not whole frames
    EXPECT_NE(mixer.CreateVoice(GxMixerFormat{1, 8, 8000}, 7), nullptr);
    EXPECT_EQ(mixer.GetVoiceCount(), 1u);
}

struct FormatCase
{
    const char* name;
    uint16_t channels;
    uint16_t bits;
    std::vector<uint8_t> frame;   // one source frame
    int16_t left;
    int16_t right;
};

class MixerFormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(MixerFormatTest, OneFrameBecomesStereoSixteenBit)
{
    const FormatCase& c = GetParam();
    GxMixer mixer(false);
    std::vector<uint8_t> pcm;
    for (int i = 0; i < 4; ++i) pcm.insert(pcm.end(), c.frame.begin(), c.frame.end());
    auto voice = Voice(mixer, c.channels, c.bits, 44100, pcm);
    ASSERT_TRUE(voice);
    voice->Play(true);
    const std::vector<int16_t> out = Render(mixer, 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(out[2 * i], c.left) << i;
        EXPECT_EQ(out[2 * i + 1], c.right) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, MixerFormatTest,
    ::testing::Values(FormatCase{"mono16", 1, 16, {0x34, 0x12}, 0x1234, 0x1234},
                      FormatCase{"stereo16", 2, 16, {0x00, 0x80, 0xFF, 0x7F}, -32768, 32767},
                      FormatCase{"mono8Centre", 1, 8, {128}, 0, 0},
                      FormatCase{"mono8", 1, 8, {0}, -32768, -32768},
                      FormatCase{"stereo8", 2, 8, {255, 129}, 127 * 256, 256}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MixerTest, ResamplesLinearlyToTheOutputRate)
{
    GxMixer mixer(false);
    // 22050 Hz: every source frame lasts two output frames, the second half-way to the next.
    auto voice = Voice(mixer, 1, 16, 22050, Pcm16({0, 100, 300, 700}));
    ASSERT_TRUE(voice);
    voice->Play(false);
    const std::vector<int16_t> out = Render(mixer, 10);
    const int16_t expected[] = {0, 50, 100, 200, 300, 500, 700, 700, 0, 0};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(out[2 * i], expected[i]) << i;
    EXPECT_EQ(voice->GetStatus(), 0u) << "a buffer played once stops at its end";
}

TEST(MixerTest, LoopingWrapsAndInterpolatesAcrossTheSeam)
{
    GxMixer mixer(false);
    auto voice = Voice(mixer, 1, 16, 22050, Pcm16({0, 1000}));
    voice->Play(true);
    const std::vector<int16_t> out = Render(mixer, 6);
    const int16_t expected[] = {0, 500, 1000, 500, 0, 500};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(out[2 * i], expected[i]) << i;
    EXPECT_EQ(voice->GetStatus(), kGxMixerStatusPlaying | kGxMixerStatusLooping);
}

TEST(MixerTest, VolumePanAndSaturation)
{
    GxMixer mixer(false);
    auto a = Voice(mixer, 1, 16, 44100, Pcm16({10000, 10000}));
    a->Play(true);

    struct Case { int32_t volume, pan; int16_t left, right; };
    const Case cases[] = {
        {0, 0, 10000, 10000},
        {-2000, 0, 1000, 1000},          // 20 dB down is a tenth
        {0, 10000, 0, 10000},             // full right silences the left
        {0, -2000, 10000, 1000},          // the other side only
        {-10000, 0, 0, 0},                // the floor is silence
        {500, 0, 10000, 10000},           // clamped to 0
        {-30000, 0, 0, 0},                // clamped to -10000
        {0, 30000, 0, 10000},             // clamped to +10000
    };
    for (const Case& c : cases) {
        a->SetVolume(c.volume);
        a->SetPan(c.pan);
        const std::vector<int16_t> out = Render(mixer, 1);
        EXPECT_EQ(out[0], c.left) << c.volume << " " << c.pan;
        EXPECT_EQ(out[1], c.right) << c.volume << " " << c.pan;
    }
    EXPECT_EQ(a->GetVolume(), 0);
    EXPECT_EQ(a->GetPan(), 10000);

    // Two loud voices saturate instead of wrapping.
    a->SetPan(0);
    auto b = Voice(mixer, 2, 16, 44100, Pcm16({30000, -30000}));
    b->Play(true);
    a->SetVolume(0);
    auto c = Voice(mixer, 2, 16, 44100, Pcm16({30000, -30000}));
    c->Play(true);
    const std::vector<int16_t> out = Render(mixer, 1);
    EXPECT_EQ(out[0], 32767);
    EXPECT_EQ(out[1], -32768);
}

TEST(MixerTest, CursorStatusAndLock)
{
    GxMixer mixer(false);
    auto voice = Voice(mixer, 2, 16, 44100, GxRampPcm(100, 2, 16));
    ASSERT_TRUE(voice);
    EXPECT_EQ(voice->GetStatus(), 0u);
    EXPECT_TRUE(voice->SetCurrentPosition(40 * 4 + 2));  // rounded down to the frame
    EXPECT_EQ(voice->GetCurrentPosition(), 160u);
    EXPECT_FALSE(voice->SetCurrentPosition(401));
    voice->Play(false);
    const std::vector<int16_t> out = Render(mixer, 2);
    EXPECT_EQ(GxRampIndex(&out[0]), 40);
    EXPECT_EQ(GxRampIndex(&out[2]), 41);
    EXPECT_EQ(voice->GetCurrentPosition(), 42u * 4);
    voice->Stop();
    EXPECT_EQ(Render(mixer, 1)[0], 0);
    EXPECT_EQ(voice->GetCurrentPosition(), 42u * 4) << "Stop keeps the cursor";

    // One lock at a time, inside the buffer; the bytes land at Unlock.
    uint8_t* p = voice->Lock(396, 4);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(voice->Lock(0, 4), nullptr);
    p[0] = 0x11;
    EXPECT_TRUE(voice->Unlock());
    EXPECT_FALSE(voice->Unlock());
    EXPECT_EQ(voice->Lock(397, 4), nullptr);
    EXPECT_EQ(voice->Lock(0, 0), nullptr);
}

TEST(MixerTest, NotificationsFireOnceWhenTheCursorReachesThem)
{
    GxMixer mixer(false);
    auto voice = Voice(mixer, 2, 16, 44100, GxRampPcm(100, 2, 16));
    auto hub = std::make_shared<GxEventHub>();
    auto at10 = std::make_shared<GxEvent>(hub);
    auto at50 = std::make_shared<GxEvent>(hub);
    ASSERT_TRUE(voice->SetNotificationPositions({{10 * 4, at10}, {50 * 4 + 2, at50}}));
    EXPECT_FALSE(voice->SetNotificationPositions({{400, at10}})) << "outside the buffer";
    voice->Play(true);
    EXPECT_FALSE(voice->SetNotificationPositions({})) << "not while playing";

    Render(mixer, 10);  // frames 0..9: the cursor stops at frame 10, which it has not played
    EXPECT_FALSE(at10->Wait(0));
    Render(mixer, 1);
    EXPECT_TRUE(at10->Wait(0));
    Render(mixer, 39);  // up to frame 50
    EXPECT_FALSE(at50->Wait(0));
    Render(mixer, 1);   // crosses byte 202 inside frame 50
    EXPECT_TRUE(at50->Wait(0));
    EXPECT_FALSE(at10->Wait(0));
    Render(mixer, 60);  // wraps past 10 again
    EXPECT_TRUE(at10->Wait(0));
    EXPECT_FALSE(at50->Wait(0));
}

TEST(EventTest, WaitAnyTakesTheLowestAndDoneReleasesTheSetter)
{
    auto hub = std::make_shared<GxEventHub>();
    GxEvent a(hub), b(hub);
    GxEvent* both[2] = {&a, &b};
    EXPECT_EQ(GxEvent::WaitAny(both, 2, 0), -1);
    b.Set();
    const uint64_t ticket = a.Set();
    EXPECT_EQ(GxEvent::WaitAny(both, 2, 0), 0);
    EXPECT_EQ(GxEvent::WaitAny(both, 2, 0), 1);
    EXPECT_FALSE(a.WaitDone(ticket, 0));
    a.Done();
    EXPECT_TRUE(a.WaitDone(ticket, 0));

    // A waiter on another thread answers; Close ends every wait for service.
    std::thread worker([&] {
        while (GxEvent::WaitAny(both, 2) == 0) a.Done();
        a.Close();
    });
    for (int i = 0; i < 50; ++i) EXPECT_TRUE(a.WaitDone(a.Set(), 5000));
    b.Set();
    worker.join();
    EXPECT_EQ(a.Set(), 0u);
    EXPECT_TRUE(a.WaitDone(12345, 0));
}

TEST(MixerBackendTest, ManualBackendIsRegisteredAndRendersOnRequest)
{
    GxManualMixerScope scope;
    ASSERT_TRUE(scope.IsOpen());
    EXPECT_TRUE(GxMixer::Get()->IsManual());
    EXPECT_STREQ(GxMixer::Get()->GetBackendName(), "manual");
    auto voice = Voice(*GxMixer::Get(), 2, 16, 44100, GxRampPcm(5000, 2, 16));
    voice->Play(false);
    // Larger than a chunk: split into 1024-frame pieces with no seam.
    const std::vector<int16_t> out = scope.Render(3000);
    for (int i = 0; i < 3000; ++i) ASSERT_EQ(GxRampIndex(&out[2 * i]), i);
}

TEST(MixerBackendTest, DummyDriverOpensWithoutASoundCard)
{
    ASSERT_TRUE(GxMixer::Open(GxMixerBackendKind::Dummy));
    EXPECT_STREQ(GxMixer::Get()->GetBackendName(), "dummy");
    EXPECT_FALSE(GxMixer::Get()->IsManual());
    auto voice = GxMixer::Get()->CreateVoice(GxMixerFormat{2, 16, 44100}, 4 * 44100);
    ASSERT_TRUE(voice);
    EXPECT_TRUE(voice->Play(true));
    GxMixer::Get()->RemoveVoice(voice);
    GxMixer::Close();
    EXPECT_EQ(GxMixer::Get(), nullptr);

    // The start-up choice: with no device, Auto still opens (the dummy driver).
    ASSERT_TRUE(GxMixer::Open(GxMixerBackendKind::Auto));
    EXPECT_FALSE(GxMixer::Get()->IsManual());
    GxMixer::Close();
}

TEST(MixerCaptureTest, PullsOneFramesWorthPerFrameAndWritesAWav)
{
    setenv("GX_AUDIO_CAPTURE", "x.wav", 1);
    EXPECT_EQ(GxMixerCapture::PathFromEnvironment(true), "x.wav");
    EXPECT_EQ(GxMixerCapture::PathFromEnvironment(false), "") << "a window plays sound";
    unsetenv("GX_AUDIO_CAPTURE");
    EXPECT_EQ(GxMixerCapture::PathFromEnvironment(true), "");

    GxManualMixerScope scope;
    auto voice = Voice(*GxMixer::Get(), 2, 16, 44100, GxRampPcm(50000, 2, 16));
    voice->Play(false);
    const std::string path = ::testing::TempDir() + "gx_capture_test.wav";
    GxMixerCapture capture(path);
    for (int i = 0; i < 60; ++i) capture.PullFrame();
    ASSERT_EQ(capture.GetSamples().size(), 2u * 44100);
    for (int i = 0; i < 44100; i += 997) ASSERT_EQ(GxRampIndex(&capture.GetSamples()[2 * i]), i);
    ASSERT_TRUE(capture.Write());

    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::vector<uint8_t> bytes(44 + 4 * 44100 + 1);
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    std::remove(path.c_str());
    ASSERT_EQ(got, 44u + 4 * 44100);
    EXPECT_EQ(std::memcmp(bytes.data(), "RIFF", 4), 0);
    EXPECT_EQ(std::memcmp(bytes.data() + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(bytes[22], 2);                                   // channels
    EXPECT_EQ(bytes[24] | bytes[25] << 8 | bytes[26] << 16, 44100);
    EXPECT_EQ(bytes[34], 16);                                  // bits
    EXPECT_EQ(std::memcmp(bytes.data() + 36, "data", 4), 0);
    EXPECT_EQ(bytes[44 + 4 * 10], 10);                         // frame 10, left
}
