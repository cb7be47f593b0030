// The movie player and the movie slots on the recording device, the manual mixer and the injected
// sound clock: movies encoded at test time show frame k's colour at frame k's time, loop, stop,
// seek, play from packs and feed their sound to the mixer only with render-all; with a sound
// track the frames follow the sound the mixer took; on the steady clock an update never waits
// for the decoder; a worker that cannot start refuses the play.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/GxFile.h"
#include "core/GxPackFile.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsSettings.h"
#include "media/GxMovie.h"
#include "media/GxMoviePlayerFile.h"
#include "media/GxMovieSource.h"
#include "media/GxSoundClock.h"
#include "media/GxTextureMovie.h"
#include "platform/GxDeviceRecording.h"
#include "platform/GxMixer.h"
#include "tests/support/GxContentFixture.h"
#include "tests/support/GxMixerFixture.h"
#include "tests/support/GxMovieWriter.h"
#include "tests/support/GxPackWriter.h"
#include "tests/support/GxPictureWriter.h"

namespace {

std::atomic<uint64_t> g_Now{1000};
uint64_t FakeClock() { return g_Now.load(); }

const std::vector<uint8_t>& MovieWithSound()
{
    static const std::vector<uint8_t> bytes = GxWriteTestMovie(GxMovieSpec{64, 48, 25, GxMovieTestColors(), true});
    return bytes;
}
const std::vector<uint8_t>& MovieWithoutSound()
{
    static const std::vector<uint8_t> bytes = GxWriteTestMovie(GxMovieSpec{64, 48, 25, GxMovieTestColors(), false});
    return bytes;
}

class MoviePlayerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.IsValid());
        GxTestResetFileLayer();
        ASSERT_TRUE(m_Mixer.IsOpen());
        GxGetGraphicsSettings().SetStartupValues();
        GxGraphics::SetDirect3DFactory([](void*) { return GxCreateRecordingDirect3D(GxDefaultRecordingAdapter()); });
        ASSERT_TRUE(GxGraphics::Create(nullptr, nullptr, nullptr, nullptr));
        g_Now = 1000;
        GxSoundSetClock(FakeClock);
        ASSERT_FALSE(MovieWithSound().empty());
        ASSERT_FALSE(MovieWithoutSound().empty());
        ASSERT_TRUE(m_Folder.Write("movie/a.mpg", MovieWithSound()));
        ASSERT_TRUE(m_Folder.Write("movie/quiet.mpg", MovieWithoutSound()));
        ASSERT_TRUE(GxMovie::Create());
    }
    void TearDown() override
    {
        GxMovie::Release();
        GxSoundSetClock(nullptr);
        GxGraphics::Release();
        GxGraphics::SetDirect3DFactory(nullptr);
        GxGetGraphicsSettings().SetStartupValues();
        GxTestResetFileLayer();
    }

    // Puts the clock at ms after the start and runs the slots' update.
    static void At(uint64_t ms)
    {
        g_Now = 1000 + ms;
        GxMovie::Update();
    }
    // The colour the slot's texture shows (front buffer and device texture must agree).
    static uint32_t Shown(uint32_t slot)
    {
        GxTextureMovie* t = GxMovie::GetPlayer(slot)->GetTexture();
        const uint32_t front = t->GetBufferPixel(t->GetFrontIndex(), 32, 24) & 0xFFFFFF;
        EXPECT_EQ(t->GetPixel(32, 24) & 0xFFFFFF, front);
        return front;
    }
    // The index of the test colour the slot shows, -1 for none.
    static int ShownIndex(uint32_t slot)
    {
        const uint32_t c = Shown(slot);
        const std::vector<uint32_t> colors = GxMovieTestColors();
        for (size_t i = 0; i < colors.size(); ++i)
            if (GxMovieColorNear(c, colors[i])) return static_cast<int>(i);
        return -1;
    }

    GxTestGameFolder m_Folder;
    GxManualMixerScope m_Mixer;
    GxContentLogCapture m_Log;
};

}  // namespace

TEST_F(MoviePlayerTest, EachFrameShowsAtItsTimeThenTheMovieStopsAtZero)
{
    GxTextureMovie texture;
    ASSERT_TRUE(texture.CreateMovieTexture(u"movie/a.mpg", 64, 48, GXFMT_A8R8G8B8, 0, 0));
    ASSERT_TRUE(GxMovie::Open(0, u"movie/a.mpg", &texture, false, false));
    GxMoviePlayerFile* p = GxMovie::GetPlayer(0);
    EXPECT_EQ(p->GetVideoWidth(), 64u);
    EXPECT_EQ(p->GetVideoHeight(), 48u);
    EXPECT_EQ(p->GetVideoPitch(), 192u);
    float u = 0, v = 0;
    p->GetUV(&u, &v);
    EXPECT_FLOAT_EQ(u, 1.0f);
    EXPECT_FLOAT_EQ(v, 0.75f);
    EXPECT_NEAR(p->GetDuration(), 0.4, 0.05);
    ASSERT_TRUE(GxMovie::Play(0, 0, 0));
    const std::vector<uint32_t> colors = GxMovieTestColors();
    for (uint32_t k = 0; k < colors.size(); ++k) {
        At(k * 40 + 20);
        EXPECT_TRUE(GxMovieColorNear(Shown(0), colors[k])) << k << " " << std::hex << Shown(0);
        EXPECT_NEAR(GxMovie::GetPosition(0), (k * 40 + 20) / 1000.0, 1e-9);
        EXPECT_TRUE(GxMovie::IsPlaying(0));
    }
    At(420);
    EXPECT_FALSE(GxMovie::IsPlaying(0));
    EXPECT_EQ(GxMovie::GetPosition(0), 0.0);
    EXPECT_EQ(GxMovie::GetLoop(0), 0);
    // Stopped at 0: the first frame comes back and the clock no longer moves the movie.
    At(1000);
    EXPECT_EQ(GxMovie::GetPosition(0), 0.0);
    EXPECT_EQ(ShownIndex(0), 0);
}

TEST_F(MoviePlayerTest, LoopTwoPlaysThreeTimesAndMinusOneUntilStop)
{
    for (const int32_t loops : {2, -1}) {
        SCOPED_TRACE(loops);
        g_Now = 1000;
        ASSERT_TRUE(GxMovie::Open(1, u"movie/quiet.mpg", nullptr, true, false));
        ASSERT_TRUE(GxMovie::Play(1, loops, 0));
        int plays = 0, last = -1;
        uint64_t t = 0;
        for (; t < 3000 && GxMovie::IsPlaying(1); t += 20) {
            At(t);
            const int shown = ShownIndex(1);
            if (shown == 0 && last != 0) ++plays;
            if (loops == 2 && plays == 2 && shown == 5) {
                EXPECT_EQ(GxMovie::GetLoop(1), 1);
            }
            last = shown;
        }
        if (loops == 2) {
            EXPECT_EQ(plays, 3);
            EXPECT_FALSE(GxMovie::IsPlaying(1));
            EXPECT_EQ(GxMovie::GetPosition(1), 0.0);
        } else {
            EXPECT_GE(plays, 6);
            EXPECT_TRUE(GxMovie::IsPlaying(1));
            EXPECT_EQ(GxMovie::GetLoop(1), -1);
            EXPECT_TRUE(GxMovie::Stop(1));
            EXPECT_FALSE(GxMovie::IsPlaying(1));
        }
    }
}

TEST_F(MoviePlayerTest, LoopStartAndSeekShowTheFrameThere)
{
    ASSERT_TRUE(GxMovie::Open(2, u"movie/quiet.mpg", nullptr, true, false));
    ASSERT_TRUE(GxMovie::SetPosition(2, 0.21));
    At(0);
    EXPECT_EQ(ShownIndex(2), 5);
    GxMovie::SetLoopStart(2, 0.3);
    ASSERT_TRUE(GxMovie::Play(2, 1, 0));
    At(100);  // 0.31
    EXPECT_EQ(ShownIndex(2), 7);
    At(200);  // past the end: back to the loop start
    EXPECT_EQ(GxMovie::GetLoop(2), 0);
    EXPECT_NEAR(GxMovie::GetPosition(2), 0.3, 1e-9);
    At(270);
    EXPECT_EQ(ShownIndex(2), 9);
    // Stop keeps the position; the clock no longer moves it; a seek while stopped shows its frame.
    EXPECT_TRUE(GxMovie::Stop(2));
    const double stoppedAt = GxMovie::GetPosition(2);
    EXPECT_NEAR(stoppedAt, 0.37, 1e-9);
    At(900);
    EXPECT_EQ(GxMovie::GetPosition(2), stoppedAt);
    EXPECT_EQ(GxMovie::GetLoop(2), 0);
    ASSERT_TRUE(GxMovie::SetPosition(2, 0.05));
    At(950);
    EXPECT_EQ(ShownIndex(2), 1);
    // Seeking while playing restarts the clock from there.
    ASSERT_TRUE(GxMovie::Play(2, 0, 0));
    At(1000);
    ASSERT_TRUE(GxMovie::SetPosition(2, 0.3));
    At(1045);
    EXPECT_NEAR(GxMovie::GetPosition(2), 0.345, 1e-9);
    EXPECT_EQ(ShownIndex(2), 8);
}

TEST_F(MoviePlayerTest, PackMembersAndCapitalExtensionsPlay)
{
    GxPackWriter pack;
    pack.AddMember(u"packed/b.mpg", MovieWithoutSound());
    ASSERT_TRUE(pack.Write("movies.pak"));
    ASSERT_TRUE(GxFileOpenPack(u"movies.pak"));
    ASSERT_EQ(GxFileExists(u"packed/b.mpg"), 2);
    ASSERT_TRUE(m_Folder.Write("CAPS.MPG", MovieWithoutSound()));
    for (const char16_t* name : {u"packed/b.mpg", u"CAPS.MPG"}) {
        g_Now = 1000;
        ASSERT_TRUE(GxMovie::Open(3, name, nullptr, true, false));
        ASSERT_TRUE(GxMovie::Play(3, 0, 0));
        At(130);
        EXPECT_EQ(ShownIndex(3), 3);
    }
}

TEST_F(MoviePlayerTest, OpenFailuresAreLoggedAndLeaveTheSlotHeld)
{
    ASSERT_TRUE(m_Folder.Write("clip.mkv", MovieWithoutSound()));
    ASSERT_TRUE(m_Folder.Write("bad.avi", std::string(4096, 'x')));
    // A picture opens in FFmpeg, but it is no movie.
    ASSERT_TRUE(m_Folder.Write("picture.mpg", gxtest::WritePngRgb(gxtest::MakeTestPicture(64, 48, false))));
    struct Case
    {
        const char16_t* name;
        const char* message;
    };
    const Case cases[] = {
        {u"clip.mkv", "GxMoviePlayerFile::この形式は再生できません。再生可能なのはavi,mpgのみです (File=clip.mkv)"},
        {u"noext", "GxMoviePlayerFile::この形式は再生できません。再生可能なのはavi,mpgのみです (File=noext)"},
        {u"missing.mpg", "GxMoviePlayerFile::動画ファイルオープンに失敗 (File=missing.mpg)"},
        {u"bad.avi", "GxMoviePlayerFile::MovieReader作成失敗 (File=bad.avi/HRESULT 0x80040241)"},
        {u"picture.mpg", "GxMoviePlayerFile::MovieReader作成失敗 (File=picture.mpg/HRESULT 0x80040241)"},
    };
    for (const Case& c : cases) {
        m_Log.Clear();
        EXPECT_FALSE(GxMovie::Open(0, c.name, nullptr, true, false));
        EXPECT_EQ(m_Log.Lines().size(), 1u) << m_Log.Joined();
        EXPECT_NE(m_Log.Joined().find(c.message), std::string::npos) << m_Log.Joined();
        EXPECT_TRUE(GxMovie::GetSlotInfo(0).m_Open);
        EXPECT_FALSE(GxMovie::Play(0, 0, 0));
        EXPECT_FALSE(GxMovie::IsPlaying(0));
        EXPECT_EQ(GxMovie::GetPosition(0), 0.0);
    }
}

TEST_F(MoviePlayerTest, EmptySlotsGiveFalseZeroAndNothing)
{
    EXPECT_FALSE(GxMovie::Play(1, 0, 0));
    EXPECT_FALSE(GxMovie::Stop(1));
    EXPECT_FALSE(GxMovie::SetPosition(1, 1.0));
    GxMovie::SetLoopStart(1, 1.0);
    EXPECT_EQ(GxMovie::GetPosition(1), 0.0);
    EXPECT_EQ(GxMovie::GetLoop(1), 0);
    EXPECT_FALSE(GxMovie::IsPlaying(1));
    EXPECT_FALSE(GxMovie::GetSlotInfo(1).m_Open);
    EXPECT_TRUE(GxMovie::StopAll());
    EXPECT_TRUE(GxMovie::Update());
    EXPECT_FALSE(GxMovie::Open(4, u"movie/a.mpg", nullptr, true, false));
}

TEST_F(MoviePlayerTest, SoundReachesTheMixerOnlyWithRenderAll)
{
    GxMixer* mixer = GxMixer::Get();
    const size_t before = mixer->GetVoiceCount();
    auto peak = [](const std::vector<int16_t>& s) {
        int m = 0;
        for (int16_t v : s) m = std::max(m, std::abs(int(v)));
        return m;
    };
    ASSERT_TRUE(GxMovie::Open(0, u"movie/a.mpg", nullptr, false, false));
    ASSERT_TRUE(GxMovie::Play(0, 0, 0));
    At(100);
    EXPECT_EQ(mixer->GetVoiceCount(), before);
    EXPECT_EQ(peak(m_Mixer.Render(4410)), 0);

    ASSERT_TRUE(GxMovie::Open(0, u"movie/a.mpg", nullptr, true, false));
    EXPECT_EQ(mixer->GetVoiceCount(), before + 1);
    g_Now = 1000;
    ASSERT_TRUE(GxMovie::Play(0, 0, 0));
    At(100);
    EXPECT_GT(peak(m_Mixer.Render(4410)), 2000);
    // The movie volume reaches the voice; silence at the bottom.
    GxMovie::GetPlayer(0)->SetVolume(-10000);
    At(200);
    EXPECT_EQ(peak(m_Mixer.Render(4410)), 0);
    // A movie without sound makes no voice even with render-all; closing removes the voice.
    ASSERT_TRUE(GxMovie::Open(0, u"movie/quiet.mpg", nullptr, true, false));
    EXPECT_EQ(mixer->GetVoiceCount(), before);
}

TEST_F(MoviePlayerTest, OpenOnAPlayingSlotClosesTheOldMovie)
{
    GxTextureMovie first;
    ASSERT_TRUE(first.CreateMovieTexture(u"first", 64, 48, GXFMT_A8R8G8B8, 0, 0));
    ASSERT_TRUE(GxMovie::Open(0, u"movie/a.mpg", &first, true, false));
    ASSERT_TRUE(GxMovie::Play(0, -1, 0));
    At(20);
    const uint32_t firstShown = first.GetBufferPixel(first.GetFrontIndex(), 1, 1);
    ASSERT_TRUE(GxMovie::Open(0, u"movie/quiet.mpg", nullptr, true, false));
    EXPECT_FALSE(GxMovie::IsPlaying(0));
    EXPECT_EQ(GxMovie::GetSlotInfo(0).m_FileName, u"movie/quiet.mpg");
    EXPECT_NE(GxMovie::GetSlotInfo(0).m_pTexture, &first);
    At(200);
    // The old texture is no longer written.
    EXPECT_EQ(first.GetBufferPixel(first.GetFrontIndex(), 1, 1), firstShown);
}

TEST_F(MoviePlayerTest, CloseDuringPlaybackJoinsTheWorker)
{
    for (int i = 0; i < 8; ++i) {
        GxTextureMovie texture;
        ASSERT_TRUE(texture.CreateMovieTexture(u"t", 64, 48, GXFMT_A8R8G8B8, 0, 0));
        ASSERT_TRUE(GxMovie::Open(i % 4, u"movie/a.mpg", &texture, true, false));
        ASSERT_TRUE(GxMovie::Play(i % 4, -1, 0));
        if (i % 2) At(i * 30);
        GxMovie::Close(i % 4);  // before the texture goes
        EXPECT_FALSE(GxMovie::GetSlotInfo(i % 4).m_Open);
    }
    GxTextureMovie texture;
    ASSERT_TRUE(texture.CreateMovieTexture(u"t", 64, 48, GXFMT_A8R8G8B8, 0, 0));
    ASSERT_TRUE(GxMovie::Open(0, u"movie/a.mpg", &texture, true, false));
    ASSERT_TRUE(GxMovie::Play(0, 0, 0));
    GxMovie::Release();
    EXPECT_FALSE(GxMovie::GetSlotInfo(0).m_Open);
}

TEST_F(MoviePlayerTest, AOneFrameMovieShowsItsFrameForItsDuration)
{
    ASSERT_TRUE(m_Folder.Write("one.mpg", GxWriteTestMovie(GxMovieSpec{64, 48, 25, {0x00FF00}, true})));
    ASSERT_TRUE(GxMovie::Open(0, u"one.mpg", nullptr, false, false));
    ASSERT_TRUE(GxMovie::Play(0, 0, 0));
    for (const uint64_t ms : {0, 20, 35}) {
        At(ms);
        EXPECT_TRUE(GxMovieColorNear(Shown(0), 0x00FF00)) << ms << " " << std::hex << Shown(0);
        EXPECT_TRUE(GxMovie::IsPlaying(0)) << ms;
    }
    // Its one frame's time is over: the movie ends, stopped at 0 with the frame still shown.
    At(60);
    EXPECT_FALSE(GxMovie::IsPlaying(0));
    EXPECT_TRUE(GxMovieColorNear(Shown(0), 0x00FF00)) << std::hex << Shown(0);
    EXPECT_EQ(m_Log.Joined(), "");
}

// With a sound track the movie's clock is the sound the mixer took: the frames follow the
// rendered sound while the sound clock stands still, and the sound, stored in the file behind
// all of the pictures, is there from the first stretch on.
TEST_F(MoviePlayerTest, WithSoundTheFramesFollowTheSoundTheMixerTook)
{
    auto peak = [](const std::vector<int16_t>& s) {
        int m = 0;
        for (int16_t v : s) m = std::max(m, std::abs(int(v)));
        return m;
    };
    ASSERT_TRUE(GxMovie::Open(0, u"movie/a.mpg", nullptr, true, false));
    ASSERT_TRUE(GxMovie::GetPlayer(0)->HasSound());
    ASSERT_TRUE(GxMovie::Play(0, 0, 0));
    At(0);
    EXPECT_EQ(ShownIndex(0), 0);
    uint32_t rendered = 0;
    for (uint32_t k = 0; k < 10; ++k) {
        // To the middle of frame k: 40 ms a frame, 44.1 sound frames a millisecond.
        const uint32_t to = (k * 40 + 20) * 441 / 10;
        EXPECT_GT(peak(m_Mixer.Render(to - rendered)), 2000) << k;
        rendered = to;
        At(0);
        EXPECT_EQ(ShownIndex(0), int(k)) << k;
        EXPECT_NEAR(GxMovie::GetPosition(0), (k * 40 + 20) / 1000.0, 1e-9) << k;
        EXPECT_TRUE(GxMovie::IsPlaying(0)) << k;
    }
    // Once the sound has been taken to its end the movie is over.
    for (int i = 0; i < 20 && GxMovie::IsPlaying(0); ++i) {
        m_Mixer.Render(441);
        At(0);
    }
    EXPECT_FALSE(GxMovie::IsPlaying(0));
    EXPECT_EQ(GxMovie::GetPosition(0), 0.0);
}

namespace {

// Movie files whose reads wait while the gate is shut.
struct ReadGate
{
    std::mutex mutex;
    std::condition_variable cv;
    bool open = true;
    void Set(bool state)
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            open = state;
        }
        cv.notify_all();
    }
};
ReadGate& Gate()
{
    static ReadGate gate;
    return gate;
}

class GatedFile : public GxMovieSourceFilterFile
{
public:
    using GxMovieSourceFilterFile::GxMovieSourceFilterFile;
    bool Read(uint8_t* buffer, uint32_t count, uint32_t* read) override
    {
        {
            std::unique_lock<std::mutex> lock(Gate().mutex);
            Gate().cv.wait(lock, [] { return Gate().open; });
        }
        return GxMovieSourceFilterFile::Read(buffer, count, read);
    }
};

std::unique_ptr<GxMovieStream> OpenGated(std::u16string_view name)
{
    auto file = std::make_unique<GatedFile>(name);
    if (!file->IsOpen()) return nullptr;
    return file;
}

// The gated source while it lives; the gate open and the file layer's source back at the end.
struct GatedSource
{
    GatedSource() { GxMoviePlayerFile::SetSourceFactory(OpenGated); }
    ~GatedSource()
    {
        Gate().Set(true);
        GxMovie::Release();
        GxMoviePlayerFile::SetSourceFactory(nullptr);
    }
};

}  // namespace

// On the steady clock nothing waits for the decoder: while the worker cannot read across a
// seek, updates return at once, the picture stays as it was and the mixer gets silence; once it
// reads again the frames from the new position come.
TEST_F(MoviePlayerTest, OnTheSteadyClockAnUpdateNeverWaitsForTheDecoder)
{
    GxSoundSetClock(nullptr);
    // Twelve seconds, each in the next test colour, with a sound track.
    const std::vector<uint32_t> colors = GxMovieTestColors();
    GxMovieSpec spec{64, 48, 25, {}, true};
    for (int i = 0; i < 12 * 25; ++i) spec.colors.push_back(colors[(i / 25) % colors.size()]);
    ASSERT_TRUE(m_Folder.Write("long.mpg", GxWriteTestMovie(spec)));
    GxTextureMovie texture;
    ASSERT_TRUE(texture.CreateMovieTexture(u"long", 64, 48, GXFMT_A8R8G8B8, 0, 0));
    GatedSource gated;
    ASSERT_TRUE(GxMovie::Open(0, u"long.mpg", &texture, true, false));
    ASSERT_TRUE(GxMovie::Play(0, 0, 0));
    auto shownIndex = [&texture, &colors] {
        const uint32_t c = texture.GetBufferPixel(texture.GetFrontIndex(), 32, 24) & 0xFFFFFF;
        for (size_t i = 0; i < colors.size(); ++i)
            if (GxMovieColorNear(c, colors[i])) return static_cast<int>(i);
        return -1;
    };
    // Updates and sound as a running game makes them, until shown says so.
    auto runUntil = [this](const std::function<bool()>& shown) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!shown() && std::chrono::steady_clock::now() < deadline) {
            GxMovie::Update();
            m_Mixer.Render(735);
            std::this_thread::yield();
        }
        return shown();
    };
    ASSERT_TRUE(runUntil([&] { return shownIndex() == 0; }));
    {
        Gate().Set(false);
        ASSERT_TRUE(GxMovie::SetPosition(0, 8.0));
        const size_t rendered = m_Mixer.Output().size();
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < 5; ++i) {
            GxMovie::Update();
            m_Mixer.Render(735);
        }
        // A waiting update would take its time-out (half a second) here.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(400));
        EXPECT_EQ(shownIndex(), 0);
        const std::vector<int16_t>& out = m_Mixer.Output();
        EXPECT_TRUE(std::all_of(out.begin() + static_cast<std::ptrdiff_t>(rendered), out.end(),
                                [](int16_t s) { return s == 0; }));
        Gate().Set(true);
    }
    // The clock ran on from 8 s meanwhile: the second shown is the ninth or a later one.
    EXPECT_TRUE(runUntil([&] { return shownIndex() >= 8; })) << shownIndex();
    GxMovie::Close(0);
}

TEST_F(MoviePlayerTest, AWorkerThatCannotStartRefusesThePlayWithTheReaderLine)
{
    GxMixer* mixer = GxMixer::Get();
    const size_t voices = mixer->GetVoiceCount();
    GxMoviePlayerFile::SetThreadStart([](std::thread&, std::function<void()>, int* error) {
        *error = EAGAIN;
        return false;
    });
    const bool opened = GxMovie::Open(0, u"movie/a.mpg", nullptr, true, false);
    GxMoviePlayerFile::SetThreadStart(nullptr);
    EXPECT_FALSE(opened);
    ASSERT_EQ(m_Log.Lines().size(), 1u) << m_Log.Joined();
    EXPECT_NE(m_Log.Joined().find("GxMoviePlayerFile::MovieReader作成失敗 (File=movie/a.mpg/HRESULT 0x8007000B)"),
              std::string::npos)
        << m_Log.Joined();
    // Refused and cleaned up: no play, no voice left in the mixer, no texture.
    EXPECT_TRUE(GxMovie::GetSlotInfo(0).m_Open);
    EXPECT_FALSE(GxMovie::Play(0, 0, 0));
    EXPECT_FALSE(GxMovie::IsPlaying(0));
    EXPECT_EQ(GxMovie::GetPlayer(0)->GetTexture(), nullptr);
    EXPECT_EQ(mixer->GetVoiceCount(), voices);
    GxMovie::Update();
    // The default start is back.
    ASSERT_TRUE(GxMovie::Open(0, u"movie/a.mpg", nullptr, true, false));
    ASSERT_TRUE(GxMovie::Play(0, 0, 0));
    At(0);
    EXPECT_EQ(ShownIndex(0), 0);
}
