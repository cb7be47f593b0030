// The movie player and the movie slots on the recording device, the manual mixer and the injected
// sound clock: movies encoded at test time show frame k's colour at frame k's time, loop, stop,
// seek, play from packs and feed their sound to the mixer only with render-all.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/GxFile.h"
#include "core/GxPackFile.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsSettings.h"
#include "media/GxMovie.h"
#include "media/GxMoviePlayerFile.h"
#include "media/GxSoundClock.h"
#include "media/GxTextureMovie.h"
#include "platform/GxDeviceRecording.h"
#include "platform/GxMixer.h"
#include "tests/support/GxContentFixture.h"
#include "tests/support/GxMixerFixture.h"
#include "tests/support/GxMovieWriter.h"
#include "tests/support/GxPackWriter.h"

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
    };
    for (const Case& c : cases) {
        m_Log.Clear();
        EXPECT_FALSE(GxMovie::Open(0, c.name, nullptr, true, false));
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
