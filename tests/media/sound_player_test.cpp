// Sound players on the manual mixer: every rendered frame of a ramp sound names its source frame,
// so loops, start and loop positions are checked frame by frame; fades run on the injected sound
// clock; gain, pan and resampling are read from rendered peaks.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "media/GxSoundClock.h"
#include "media/GxSoundPlayer.h"
#include "media/GxWavData.h"
#include "tests/support/GxContentFixture.h"
#include "tests/support/GxMixerFixture.h"
#include "tests/support/GxPackWriter.h"
#include "tests/support/GxSoundWriter.h"

namespace {

std::atomic<uint64_t> g_Now{1000};
uint64_t FakeClock() { return g_Now.load(); }

class SoundPlayerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.IsValid());
        GxTestResetFileLayer();
        ASSERT_TRUE(m_Mixer.IsOpen());
        g_Now = 1000;
        GxSoundSetClock(FakeClock);
    }
    void TearDown() override
    {
        GxSoundSetClock(nullptr);
        GxTestResetFileLayer();
    }

    void Write(const std::string& name, const std::vector<uint8_t>& bytes) { ASSERT_TRUE(m_Folder.Write(name, bytes)); }

    // Plays a file on a stream player with the defaults of a channel.
    static bool PlayStream(GxSoundPlayerStream& p, std::u16string_view file, int32_t loops, uint32_t startMs = 0,
                           uint32_t loopMs = 0, uint32_t fadeMs = 0, int32_t volume = 0, int32_t pan = 0)
    {
        return p.PlayFromFile(file, loops, 0, startMs, fadeMs, volume, pan, loopMs, false, nullptr, nullptr);
    }
    static bool PlayStatic(GxSoundPlayerStatic& p, std::u16string_view file, int32_t loops, uint32_t startMs = 0,
                           uint32_t fadeMs = 0, int32_t volume = 0, int32_t pan = 0)
    {
        return p.PlayFromFile(file, loops, 0, startMs, fadeMs, volume, pan, false, nullptr, nullptr);
    }

    // The source frame of every rendered frame (silence reads as 0).
    std::vector<int64_t> RenderIndices(uint32_t frames)
    {
        const std::vector<int16_t> out = m_Mixer.Render(frames);
        std::vector<int64_t> idx(frames);
        for (uint32_t i = 0; i < frames; ++i) idx[i] = GxRampIndex(&out[2 * size_t(i)]);
        return idx;
    }

    // Appends first..last (inclusive) to a sequence.
    static void Span(std::vector<int64_t>& seq, int64_t first, int64_t last)
    {
        for (int64_t i = first; i <= last; ++i) seq.push_back(i);
    }

    static void ExpectSequence(const std::vector<int64_t>& got, const std::vector<int64_t>& expected)
    {
        ASSERT_GE(got.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(got[i], expected[i]) << "rendered frame " << i;
        for (size_t i = expected.size(); i < got.size(); ++i) ASSERT_EQ(got[i], 0) << "silence at frame " << i;
    }

    GxTestGameFolder m_Folder;
    GxContentLogCapture m_Log;
    GxManualMixerScope m_Mixer;
};

// ---- loops on the streaming ring ----

TEST_F(SoundPlayerTest, LoopZeroShorterThanTheRingPlaysOnceThenStops)
{
    Write("short.wav", GxRampWav(30000, 2, 44100, 16));
    GxSoundPlayerStream p;
    ASSERT_TRUE(PlayStream(p, u"short.wav", 0));
    EXPECT_TRUE(p.GetBuffer().IsEnded()) << "the first fill read it all";
    std::vector<int64_t> expected;
    Span(expected, 0, 29999);
    const std::vector<int64_t> first = RenderIndices(33000);
    EXPECT_TRUE(p.IsPlaying()) << "bytes played have not passed the sound at the last notification yet";
    std::vector<int64_t> all = first;
    const std::vector<int64_t> rest = RenderIndices(11100);
    all.insert(all.end(), rest.begin(), rest.end());
    ExpectSequence(all, expected);
    EXPECT_FALSE(p.IsPlaying()) << "stopped at the first notification after the end (frame 38587)";
    EXPECT_EQ(p.GetLoopCount(), 0);
}

TEST_F(SoundPlayerTest, LoopTwoPlaysTheWholeSoundThenTheLoopPartTwice)
{
    Write("l.wav", GxRampWav(50000, 2, 44100, 16));
    GxSoundPlayerStream p;
    ASSERT_TRUE(PlayStream(p, u"l.wav", 2, 0, 250));  // loop at 250 ms = frame 11025
    std::vector<int64_t> expected;
    Span(expected, 0, 49999);
    Span(expected, 11025, 49999);
    Span(expected, 11025, 49999);
    ExpectSequence(RenderIndices(200000), expected);
    EXPECT_FALSE(p.IsPlaying());
    EXPECT_EQ(p.GetLoopCount(), 0);
}

TEST_F(SoundPlayerTest, LoopForeverAcrossManyRefillsAndRingTurns)
{
    Write("m.wav", GxRampWav(100000, 2, 44100, 16));
    GxSoundPlayerStream p;
    ASSERT_TRUE(PlayStream(p, u"m.wav", -1, 1000, 500));  // from frame 44100, loop at 22050
    std::vector<int64_t> expected;
    Span(expected, 44100, 99999);
    while (expected.size() < 700000) Span(expected, 22050, 99999);
    expected.resize(700000);
    const std::vector<int64_t> got = RenderIndices(700000);
    for (size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(got[i], expected[i]) << "rendered frame " << i;
    EXPECT_TRUE(p.IsPlaying());
    EXPECT_EQ(p.GetLoopCount(), -1);
    EXPECT_GT(p.GetBuffer().GetBytesWritten(), 700000u * 4);
}

TEST_F(SoundPlayerTest, LoopPositionAtOrPastTheLengthLoopsFromTheStart)
{
    Write("a.wav", GxRampWav(44100, 2, 44100, 16));  // exactly 1000 ms
    for (uint32_t loopMs : {1000u, 5000u}) {
        GxSoundPlayerStream p;
        ASSERT_TRUE(PlayStream(p, u"a.wav", 1, 0, loopMs));
        EXPECT_EQ(p.GetLoopPositionMs(), loopMs);
        std::vector<int64_t> expected;
        Span(expected, 0, 44099);
        Span(expected, 0, 44099);
        ExpectSequence(RenderIndices(120000), expected);
    }
}

TEST_F(SoundPlayerTest, AStartAtTheLengthCannotBeSought)
{
    Write("a.wav", GxRampWav(44100, 2, 44100, 16));
    GxSoundPlayerStream stream;
    EXPECT_FALSE(PlayStream(stream, u"a.wav", 0, 1000));
    EXPECT_FALSE(stream.GetBuffer().HasThread()) << "the ring and its thread went before the decoder";
    EXPECT_EQ(stream.GetDecoder(), nullptr);
    GxSoundPlayerStatic single;
    EXPECT_FALSE(PlayStatic(single, u"a.wav", 0, 1000));
    EXPECT_TRUE(PlayStatic(single, u"a.wav", 0, 999));
    EXPECT_EQ(m_Log.Lines(),
              (std::vector<std::string>{
                  "GxSoundPlayerStream::PlayFromFile シーク不可能な位置が指定されました(a.wav)\n",
                  "GxSoundPlayerStatic::PlayFromFile シーク不可能な位置が指定されました(a.wav)\n"}));
}

TEST_F(SoundPlayerTest, TheDecoderIsChosenByExtensionInAnyCase)
{
    Write("a.mp3", GxRampWav(1000, 2, 44100, 16));
    Write("B.OGG", GxEncodeOggVorbis(GxSineSamples(22050, 2, 22050, 440.0, 12000.0), 2, 22050));
    Write("empty.wav", GxWavWriter(GxWavFields{}).Data({}).Build());
    GxSoundPlayerStatic single;
    GxSoundPlayerStream stream;
    EXPECT_FALSE(PlayStatic(single, u"a.mp3", 0));
    EXPECT_FALSE(PlayStream(stream, u"a.mp3", 0));
    EXPECT_FALSE(PlayStatic(single, u"empty.wav", 0));
    EXPECT_FALSE(PlayStream(stream, u"empty.wav", 0));
    EXPECT_NE(stream.GetDecoder(), nullptr) << "an empty file's decoder is kept, closed, until the next Stop";
    EXPECT_FALSE(stream.GetDecoder()->IsOpen());
    EXPECT_FALSE(PlayStatic(single, u"missing.wav", 0));
    EXPECT_EQ(m_Log.Lines(),
              (std::vector<std::string>{
                  "GxSoundPlayerStatic::PlayFromFile ローダー作成に失敗(a.mp3)\n",
                  "GxSoundPlayerStream::PlayFromFile ローダー作成に失敗(a.mp3)\n",
                  "GxSoundPlayerStatic::PlayFromFile 長さ0のファイルを再生しようとしました(empty.wav)\n",
                  "GxSoundPlayerStream::PlayFromFile 長さ0のファイルを再生しようとしました(empty.wav)\n"}));

    ASSERT_TRUE(PlayStream(stream, u"b.ogg", 0)) << "found case-insensitively and decoded as Ogg Vorbis";
    EXPECT_EQ(stream.GetLengthMs(), 1000u);
    const std::vector<int16_t> out = m_Mixer.Render(44100);
    int peak = 0;
    for (int16_t s : out) peak = std::max(peak, std::abs(int(s)));
    EXPECT_GT(peak, 8000);
    ASSERT_TRUE(single.PlayFromFileA("B.OGG", -1, 0, 0, 0, 0, 0, false, nullptr, nullptr));
    EXPECT_TRUE(single.IsPlaying());
}

TEST_F(SoundPlayerTest, MemoryFormsPlayADecodedSound)
{
    Write("r.wav", GxRampWav(60000, 2, 44100, 16));
    GxWavData wav;
    ASSERT_TRUE(wav.Create(u"r.wav"));
    GxSoundPlayerStream stream;
    const float pos[3] = {1, 2, 3}, dir[3] = {0, 1, 0};
    ASSERT_TRUE(stream.PlayFromMemoryAt(&wav, 0, 0, 500, 0, 0, 0, 0, false, pos, dir));
    float kept[4] = {9, 9, 9, 9};
    EXPECT_TRUE(stream.GetConeOrientation(kept));
    EXPECT_EQ(kept[1], 1.0f);
    EXPECT_EQ(kept[3], 0.0f);
    std::vector<int64_t> expected;
    Span(expected, 22050, 59999);
    ExpectSequence(RenderIndices(60000), expected);

    GxSoundPlayerStatic single;
    EXPECT_FALSE(single.PlayFromMemory(&wav, 0, 0, 2000, 0, 0, 0, false, nullptr, nullptr));
    EXPECT_FALSE(single.PlayFromMemory(nullptr, 0, 0, 0, 0, 0, 0, false, nullptr, nullptr));
    EXPECT_EQ(m_Log.Lines(), (std::vector<std::string>{
                                  "GxSoundPlayerStatic::PlayFromMemory シーク不可能な位置が指定されました\n",
                                  "GxSoundPlayerStatic::PlayFromMemory ローダー作成に失敗\n"}));
    wav.Clear();
}

TEST_F(SoundPlayerTest, TheStreamPlayerRefusesTheStaticForms)
{
    Write("r.wav", GxRampWav(100, 2, 44100, 16));
    GxSoundPlayerStream stream;
    GxSoundPlayerBase& base = stream;
    EXPECT_FALSE(base.PlayFromFile(u"r.wav", 0, 0, 0, 0, 0, 0, false, nullptr, nullptr));
    const int32_t before = GxSoundPlayerBase::GetInstanceCount();
    {
        GxSoundPlayerStatic a;
        GxSoundPlayerStream b;
    }
    EXPECT_EQ(GxSoundPlayerBase::GetInstanceCount(), before + 2) << "never lowered";
}

// ---- 3D setters ----

// The distance setters compare with what the buffer keeps now, not with the last value the
// player was given: a new sound resets the buffer's distances, so the same value is sent again.
struct DistanceCase
{
    const char* name;
    bool stream;
    bool max;
};

class SoundPlayerDistanceTest : public SoundPlayerTest, public ::testing::WithParamInterface<DistanceCase>
{
protected:
    template <typename Player>
    void Run(Player& p, bool (*play)(Player&))
    {
        const DistanceCase& c = GetParam();
        const float reset = c.max ? 500.0f : 100.0f;  // a 3D sound's distance after creation
        auto set = [&](float d) { return c.max ? p.SetMaxDistance(d) : p.SetMinDistance(d); };
        auto kept = [&] {
            const GxSound3DParams& q = p.GetBuffer().Get3DParams();
            return c.max ? q.maxDistance : q.minDistance;
        };
        ASSERT_TRUE(play(p));
        ASSERT_TRUE(p.GetBuffer().Is3D());
        EXPECT_FLOAT_EQ(kept(), reset);
        EXPECT_TRUE(set(250.0f));
        EXPECT_FLOAT_EQ(kept(), 250.0f);
        ASSERT_TRUE(play(p));
        EXPECT_FLOAT_EQ(kept(), reset) << "a new sound starts from the defaults";
        EXPECT_TRUE(set(250.0f));
        EXPECT_FLOAT_EQ(kept(), 250.0f) << "sent again: the buffer's value differs";
    }
};

TEST_P(SoundPlayerDistanceTest, ComparesWithTheBuffersCurrentDistance)
{
    Write("m.wav", GxRampWav(30000, 1, 44100, 16));
    if (GetParam().stream) {
        GxSoundPlayerStream p;
        Run<GxSoundPlayerStream>(p, [](GxSoundPlayerStream& q) {
            return q.PlayFromFile(u"m.wav", -1, 0, 0, 0, 0, 0, 0, true, nullptr, nullptr);
        });
    } else {
        GxSoundPlayerStatic p;
        Run<GxSoundPlayerStatic>(p, [](GxSoundPlayerStatic& q) {
            return q.PlayFromFile(u"m.wav", -1, 0, 0, 0, 0, 0, true, nullptr, nullptr);
        });
    }
    EXPECT_TRUE(m_Log.Lines().empty()) << m_Log.Joined();
}

INSTANTIATE_TEST_SUITE_P(Players, SoundPlayerDistanceTest,
                         ::testing::Values(DistanceCase{"staticMin", false, false},
                                           DistanceCase{"staticMax", false, true},
                                           DistanceCase{"streamMin", true, false},
                                           DistanceCase{"streamMax", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SoundPlayerTest, ConeAnglesAreCheckedOnAPlainSoundToo)
{
    Write("s.wav", GxRampWav(30000, 2, 44100, 16));
    GxSoundPlayerStream stream;
    GxSoundPlayerStatic single;
    ASSERT_TRUE(PlayStream(stream, u"s.wav", 0));
    ASSERT_TRUE(PlayStatic(single, u"s.wav", 0));
    const float pos[3] = {1, 2, 3};
    EXPECT_FALSE(stream.Set3DPosition(pos));
    EXPECT_FALSE(single.SetConeOrientation(pos));
    EXPECT_FALSE(stream.SetConeAngles(90, 10));
    EXPECT_FALSE(single.SetConeAngles(90, 10));
    EXPECT_TRUE(stream.SetConeAngles(10, 90));
    EXPECT_TRUE(single.SetMinDistance(7.0f));
    EXPECT_EQ(m_Log.Lines(),
              (std::vector<std::string>{
                  "Error/GxSoundBufferStream::SetConeAngle OutAngleはInAngle以上である必要があります\n",
                  "Error/GxSoundBufferStatic::::SetConeAngle OutAngleはInAngle以上である必要があります\n"}));
}

// ---- fades on the injected clock ----

class SoundFadeTest : public SoundPlayerTest
{
protected:
    void SetUp() override
    {
        SoundPlayerTest::SetUp();
        Write("c.wav", GxConstantWav(4410, 2, 44100, 10000));
    }
};

TEST_F(SoundFadeTest, FadeInRunsToItsTargetOnTheClock)
{
    GxSoundPlayerStream p;
    ASSERT_TRUE(PlayStream(p, u"c.wav", -1, 0, 0, 1000, -1000));
    EXPECT_EQ(p.GetVolume(), -6400);
    EXPECT_EQ(p.GetFadeState(), GxSoundFade_In);
    g_Now = 1500;
    EXPECT_TRUE(p.UpdateFade());
    EXPECT_EQ(p.GetVolume(), -3700);
    EXPECT_EQ(p.GetFadeOverrun(), 0u);
    g_Now = 2000;
    EXPECT_TRUE(p.UpdateFade());
    EXPECT_EQ(p.GetVolume(), -1000);
    EXPECT_EQ(p.GetFadeState(), GxSoundFade_None);
    EXPECT_TRUE(p.IsPlaying());
}

TEST_F(SoundFadeTest, SetVolumeDuringAFadeInMovesOnlyTheTarget)
{
    GxSoundPlayerStream p;
    ASSERT_TRUE(PlayStream(p, u"c.wav", -1, 0, 0, 1000, -1000));
    EXPECT_TRUE(p.SetVolume(-2000));
    EXPECT_EQ(p.GetVolume(), -6400) << "the buffer is not touched";
    EXPECT_EQ(p.GetFadeTargetVolume(), -2000);
    g_Now = 1500;
    p.UpdateFade();
    EXPECT_EQ(p.GetVolume(), -4200);
    g_Now = 2300;
    EXPECT_EQ(p.GetFadeOverrun(), 300u);
    p.UpdateFade();
    EXPECT_EQ(p.GetVolume(), -2000);
}

TEST_F(SoundFadeTest, FadeOutStopsAtOnceOrAtItsEnd)
{
    GxSoundPlayerStream p;
    ASSERT_TRUE(PlayStream(p, u"c.wav", -1));
    EXPECT_TRUE(p.FadeOut(0));
    EXPECT_FALSE(p.IsPlaying());
    EXPECT_FALSE(p.GetBuffer().HasThread());

    ASSERT_TRUE(PlayStream(p, u"c.wav", -1, 0, 0, 0, -600));
    EXPECT_TRUE(p.FadeOut(500));
    EXPECT_EQ(p.GetFadeState(), GxSoundFade_Out);
    g_Now = 1250;
    p.UpdateFade();
    EXPECT_EQ(p.GetVolume(), -3500);
    EXPECT_TRUE(p.SetVolume(-1000)) << "during a fade-out it becomes the start volume";
    g_Now = 1500;
    p.UpdateFade();
    EXPECT_FALSE(p.IsPlaying());
    EXPECT_EQ(p.GetFadeState(), GxSoundFade_None);
    EXPECT_EQ(p.GetFadeTargetVolume(), -6400);
    EXPECT_EQ(p.GetDecoder(), nullptr);
    EXPECT_FALSE(p.UpdateFade());
}

TEST_F(SoundFadeTest, FinishFadeJumpsToTheTarget)
{
    GxSoundPlayerStatic p;
    ASSERT_TRUE(PlayStatic(p, u"c.wav", -1, 0, 1000, -500));
    EXPECT_TRUE(p.FinishFade());
    EXPECT_EQ(p.GetVolume(), -500);
    EXPECT_EQ(p.GetFadeState(), GxSoundFade_None);
    EXPECT_TRUE(p.FadeOut(100));
    EXPECT_TRUE(p.FinishFade());
    EXPECT_FALSE(p.IsPlaying());
    EXPECT_FALSE(p.GetBuffer().HasSound());
}

TEST_F(SoundFadeTest, AStaticSoundThatEndedIsReleasedByTheNextUpdate)
{
    GxSoundPlayerStatic p;
    ASSERT_TRUE(PlayStatic(p, u"c.wav", 0));
    EXPECT_TRUE(p.UpdateFade());
    m_Mixer.Render(5000);
    EXPECT_TRUE(p.GetBuffer().HasSound());
    EXPECT_FALSE(p.UpdateFade());
    EXPECT_FALSE(p.GetBuffer().HasSound());
    EXPECT_EQ(GxMixer::Get()->GetVoiceCount(), 0u);
}

// ---- gain, pan and resampling on rendered peaks ----

TEST_F(SoundPlayerTest, GainAndPanOnRenderedPeaks)
{
    Write("c.wav", GxConstantWav(4410, 1, 44100, 10000));
    struct Case { int32_t volume, pan; int16_t left, right; };
    const Case cases[] = {{-2000, 0, 1000, 1000}, {0, 10000, 0, 10000}, {0, -10000, 10000, 0}, {-4000, 2000, 10, 100}};
    for (const Case& c : cases) {
        GxSoundPlayerStatic p;
        ASSERT_TRUE(PlayStatic(p, u"c.wav", -1, 0, 0, c.volume, c.pan));
        const std::vector<int16_t> out = m_Mixer.Render(100);
        EXPECT_EQ(out[100], c.left) << c.volume << "/" << c.pan;
        EXPECT_EQ(out[101], c.right) << c.volume << "/" << c.pan;
        EXPECT_EQ(p.GetPan(), c.pan);
    }
}

TEST_F(SoundPlayerTest, MonoAt22050IsResampledToStereoAt44100)
{
    Write("h.wav", GxRampWav(20000, 1, 22050, 16, 2));  // values 0, 2, 4, ...
    GxSoundPlayerStream p;
    ASSERT_TRUE(PlayStream(p, u"h.wav", 0));
    const std::vector<int16_t> out = m_Mixer.Render(30000);
    for (int i = 0; i < 30000; ++i) {
        ASSERT_EQ(out[2 * i], i) << i;  // every other frame half-way between two source frames
        ASSERT_EQ(out[2 * i + 1], i) << i;
    }
}

// ---- threads ----

TEST_F(SoundPlayerTest, PlayStopAndReplayWhileAnotherThreadRenders)
{
    Write("m.wav", GxRampWav(60000, 2, 44100, 16));
    Write("c.wav", GxConstantWav(1000, 1, 22050, 3000));
    std::atomic<bool> done{false};
    std::thread renderer([&] {
        std::vector<int16_t> out(2 * 4096);
        while (!done.load()) GxMixer::Get()->Render(out.data(), 4096);
    });
    GxSoundPlayerStream stream;
    GxSoundPlayerStatic single;
    for (int i = 0; i < 60; ++i) {
        ASSERT_TRUE(PlayStream(stream, u"m.wav", i % 3 - 1, 0, 100, i % 2 ? 50 : 0, -100 * (i % 5)));
        ASSERT_TRUE(PlayStatic(single, u"c.wav", i % 2 ? -1 : 0));
        stream.SetPan(i * 100);
        stream.UpdateFade();
        if (i % 4 == 0) stream.Stop();
        if (i % 3 == 0) single.Stop();
    }
    stream.Stop();
    done = true;
    renderer.join();
    EXPECT_FALSE(stream.GetBuffer().HasThread());
    EXPECT_TRUE(m_Log.Lines().empty()) << m_Log.Joined();
}

// A thread starter that refuses, as the system does when it has no thread left to give; the
// default comes back when the test ends, whatever it found.
class RefusedThreadScope
{
public:
    RefusedThreadScope() { GxSoundSetThreadStarter([](std::thread&, std::function<void()>) { return false; }); }
    ~RefusedThreadScope() { GxSoundSetThreadStarter(nullptr); }
};

TEST_F(SoundPlayerTest, ARefusedRefillThreadRefusesThePlayAndCleansUp)
{
    Write("m.wav", GxRampWav(60000, 2, 44100, 16));
    GxSoundPlayerStream stream;
    {
        RefusedThreadScope refuse;
        EXPECT_FALSE(PlayStream(stream, u"m.wav", -1, 0, 0, 500));
    }
    EXPECT_FALSE(stream.IsPlaying());
    EXPECT_FALSE(stream.GetBuffer().HasThread());
    EXPECT_EQ(stream.GetBuffer().GetBufferSize(), 0u);
    EXPECT_EQ(stream.GetDecoder(), nullptr) << "the decoder went with the refused buffer";
    EXPECT_EQ(stream.GetFadeState(), 0) << "no fade was started";
    EXPECT_EQ(GxMixer::Get()->GetVoiceCount(), 0u) << "the ring was given back";
    EXPECT_EQ(m_Log.Lines(), std::vector<std::string>{
                                 "Error/GxSoundBufferStream::Create ストリーム再生スレッドの作成に失敗しました\n"});

    ASSERT_TRUE(PlayStream(stream, u"m.wav", 0)) << "the next play starts its thread";
    EXPECT_TRUE(stream.GetBuffer().HasThread());
    std::vector<int64_t> expected;
    Span(expected, 0, 59999);
    ExpectSequence(RenderIndices(80000), expected);
}

TEST_F(SoundPlayerTest, OnTheDummyDriverPlayersStartAndStopWithoutWaitingForIt)
{
    // The device's own thread pulls here; refills are never awaited, and Stop still ends the
    // refill thread before the decoder goes.
    Write("m.wav", GxRampWav(60000, 2, 44100, 16));
    ASSERT_TRUE(GxMixer::Open(GxMixerBackendKind::Dummy));
    GxSoundPlayerStream stream;
    GxSoundPlayerStatic single;
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(PlayStream(stream, u"m.wav", -1));
        ASSERT_TRUE(PlayStatic(single, u"m.wav", 0));
        EXPECT_TRUE(stream.GetBuffer().HasThread());
        EXPECT_TRUE(stream.Stop());
        EXPECT_FALSE(stream.GetBuffer().HasThread());
    }
    single.Stop();
    EXPECT_EQ(GxMixer::Get()->GetVoiceCount(), 0u);
    GxMixer::Close();
}

}  // namespace
