// The demo game's movies and sounds against the frames, headless, without developer mode: the
// event movie takes over from the picture under it with no frame of its own before its first
// picture (unpaced and paced), and an unpaced run without a capture keeps the sound in step with
// the frames just as one with a capture does (auto mode after a voiced line, and the end of the
// opening movie that a declined quit dialog lay over).
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/app/core_test_util.h"
#include "tests/app/demo_run_util.h"
#include "tests/app/demo_shot.h"
#include "tests/support/GxDemoGame.h"
#include "tests/support/GxMovieWriter.h"

using namespace coretest;
using namespace gxdemo;

namespace {

namespace fs = std::filesystem;

// A copy of the demo that runs without developer mode.
struct PlainDemo : DemoCopy
{
    PlainDemo() { WriteFile(game / "setting.ini", std::string("DebugModeFlag=0\r\nSkipSlightError=0\r\n")); }

    fs::path ShotOf(int frame) const { return root / ("f" + std::to_string(frame) + ".png"); }
    // Asks for a picture of every frame in [from, to].
    void ShootFrames(Input& in, int from, int to) const
    {
        for (int f = from; f <= to; ++f) in.Shot(f, ShotOf(f));
    }
};

bool IsBlack(uint32_t c) { return (c >> 16 & 0xFF) + (c >> 8 & 0xFF) + (c & 0xFF) < 3 * 24; }

// The story to the choice and its first item, whose event picture fades in over a second before
// the movie starts over it: the choice is taken at frame 405.
Input ToTheEventMovie()
{
    Input in;
    in.SkipOpening().Click(50, TitleButtonX(kStart), TitleButtonY(kStart));
    for (int f = 80; f < 370; f += 4) in.Click(f, 512, 100);
    in.Click(405, kChoiceX, kChoiceFirstY);
    return in;
}

// Checks every frame's picture in [from, to]: the event picture, then, from some frame on, the
// movie, with never a black frame (the movie texture's fill) at the probes.
void ExpectPictureThenMovie(const PlainDemo& demo, const RunResult& r, int from, int to)
{
    // The middle of the event picture and the town's sky before it, where no building stands.
    const std::pair<uint32_t, uint32_t> probes[] = {{500, 100}, {4, 4}};
    std::optional<int> firstMovie;
    int picture = 0;
    for (int f = from; f <= to; ++f) {
        Shot s;
        ASSERT_TRUE(ReadShot(demo.ShotOf(f), s)) << f << "\n" << r.err;
        for (const auto& [x, y] : probes) ASSERT_FALSE(IsBlack(s.At(x, y))) << "frame " << f << " at " << x << "," << y;
        const bool movie = GxMovieColorNear(s.At(500, 100), kMovieColor & 0xFFFFFF);
        const bool event = GxMovieColorNear(s.At(500, 100), kEventColor & 0xFFFFFF, 8);
        if (movie && !firstMovie) {
            firstMovie = f;
            EXPECT_GT(picture, 0) << "the event picture shows right before the movie's first frame, at " << f;
        }
        picture = event ? picture + 1 : 0;
    }
    ASSERT_TRUE(firstMovie.has_value()) << "the movie never showed in frames " << from << " to " << to;
}

// The first frame in (from, to] that `moved` tells apart from frame `from`, or none.
template <typename Moved>
std::optional<int> FirstMoved(const PlainDemo& demo, int from, int to, Moved moved)
{
    Shot first;
    if (!ReadShot(demo.ShotOf(from), first)) return std::nullopt;
    for (int f = from + 1; f <= to; ++f) {
        Shot s;
        if (!ReadShot(demo.ShotOf(f), s)) return std::nullopt;
        if (moved(first, s)) return f;
    }
    return std::nullopt;
}

}  // namespace

// Unpaced, the movie command runs after the movie slots' update of its frame: that frame shows
// the picture under the layer, and the next one the movie's first frame.
TEST(DemoMovieClockE2E, TheEventMovieFollowsItsPictureWithoutABlackFrame)
{
    PlainDemo demo;
    Input in = ToTheEventMovie();
    demo.ShootFrames(in, 490, 530);
    const RunResult r = demo.Play(in, 531);
    ASSERT_EQ(r.status, 0) << r.err;
    ExpectPictureThenMovie(demo, r, 490, 530);
    EXPECT_EQ(demo.ErrorLog(), std::vector<std::string>{});
}

// Paced, the decoder is not waited for: the picture stays until the first frame is decoded and
// in the texture, however long that takes. Writing a picture of every frame slows the frames (and
// slow frames run more update steps), so the window starts at the choice itself.
TEST(DemoMovieClockE2E, PacedTheEventMovieFollowsItsPictureWithoutABlackFrame)
{
    PlainDemo demo;
    Input in = ToTheEventMovie();
    demo.ShootFrames(in, 406, 540);
    const RunResult r = demo.Play(in, 541, {"GX_UNPACED=0"});
    ASSERT_EQ(r.status, 0) << r.err;
    ExpectPictureThenMovie(demo, r, 406, 540);
}

// Two runs of each case, with and without a capture: the screen moves on at the same frame, once
// the sound (a voiced line, the opening movie's sound) has lasted its frames.
struct SoundStepCase
{
    const char* name;
    Input input;
    int from, to;  // the frames shot
    bool (*moved)(const Shot& first, const Shot& now);
};

SoundStepCase SoundStep(int i)
{
    if (i == 0) {
        // Auto mode after the first voiced line: the next line comes once the voice has ended.
        Input in;
        in.Click(66, 512, 100).Click(130, TitleButtonX(kStart), TitleButtonY(kStart)).Click(250, 512, 100);
        in.Click(300, MesButtonX(kMesAuto), kMesButtonY);
        return {"auto mode after the voiced line", in, 770, 830, [](const Shot& first, const Shot& now) {
                    return Changed(first, now, kTextLeft, kTextTop, kTextLeft + kTextWidth, kTextTop + kTextHeight) > 0;
                }};
    }
    // A quit dialog over the opening movie, declined: the movie plays on to its end, then the
    // title comes (its buttons' labels tell it from the movie's last colour, the title's own).
    Input in;
    in.Key(30, "Escape").Click(150, kDialogNoX, kDialogButtonY);
    return {"the opening movie under a declined quit dialog", in, 150, 200, [](const Shot&, const Shot& now) {
                return now.Bright(kTitleButtonLeft, kTitleButtonTop, kTitleButtonLeft + kTitleButtonWidth,
                                  kTitleButtonTop + kTitleButtonHeight) > 30;
            }};
}

class DemoSoundStepE2E : public ::testing::TestWithParam<int>
{
};

// The run with a capture finds the frame with a picture of every frame (its sound is taken by the
// frames, however slowly they run). The run without one is shot only at its first frame and
// around that one: pictures written for every frame would slow it towards real time and hide a
// sound that plays by the machine's clock.
TEST_P(DemoSoundStepE2E, ScreenMovesOnAtTheSameFrameWithAndWithoutACapture)
{
    const SoundStepCase c = SoundStep(GetParam());
    std::optional<int> moved;
    {
        PlainDemo demo;
        Input in = c.input;
        demo.ShootFrames(in, c.from, c.to);
        const RunResult r = demo.Play(in, c.to + 1, {"GX_AUDIO_CAPTURE=" + (demo.root / "mix.wav").string()});
        ASSERT_EQ(r.status, 0) << r.err;
        moved = FirstMoved(demo, c.from, c.to, c.moved);
        ASSERT_TRUE(moved.has_value()) << c.name << ": nothing moved on in frames " << c.from << " to " << c.to
                                       << " with a capture\n" << r.err;
    }
    PlainDemo demo;
    Input in = c.input;
    in.Shot(c.from, demo.ShotOf(c.from));
    demo.ShootFrames(in, *moved - 1, *moved);
    const RunResult r = demo.Play(in, *moved + 1);
    ASSERT_EQ(r.status, 0) << r.err;
    Shot first, before, at;
    ASSERT_TRUE(ReadShot(demo.ShotOf(c.from), first) && ReadShot(demo.ShotOf(*moved - 1), before) &&
                ReadShot(demo.ShotOf(*moved), at)) << r.err;
    EXPECT_FALSE(*moved - 1 > c.from && c.moved(first, before)) << c.name << ": moved on before frame " << *moved;
    EXPECT_TRUE(c.moved(first, at)) << c.name << ": not moved on at frame " << *moved << " without a capture";
}

INSTANTIATE_TEST_SUITE_P(Cases, DemoSoundStepE2E, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& i) {
                             return std::string(i.param == 0 ? "AutoModeAfterTheVoicedLine" : "DeclinedQuitOverOpening");
                         });
