// The program at rest on its title, headless: frames that show nothing new are not drawn, and a
// screenshot taken after many of them is the very picture of a run that drew every frame (each
// frame of that run is captured, and a captured frame is always drawn).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/app/core_test_util.h"
#include "tests/app/demo_run_util.h"
#include "tests/app/demo_shot.h"
#include "tests/support/GxDemoGame.h"

using namespace coretest;

namespace {

// Runs the copy on its input script to frame last + 10.
RunResult RunScript(const DemoCopy& copy, const std::string& script, int last)
{
    WriteFile(copy.root / "input.txt", script);
    return copy.Run({"GX_INPUT_SCRIPT=" + (copy.root / "input.txt").string(),
                     "GX_EXIT_AFTER_FRAMES=" + std::to_string(last + 10)});
}

// The script with every frame from first to last drawn for a screenshot ("f<frame>.png").
RunResult RunDrawingEveryFrame(const DemoCopy& copy, std::string script, int first, int last)
{
    for (int f = first; f <= last; ++f)
        script += std::to_string(f) + " screenshot " + (copy.root / ("f" + std::to_string(f) + ".png")).string() + "\n";
    return RunScript(copy, script, last);
}

}  // namespace

TEST(FrameElisionE2E, TheTitleAtRestShowsWhatARunDrawingEveryFrameShows)
{
    constexpr int kFirst = 40, kLast = 150;
    DemoCopy resting;
    const std::filesystem::path a = resting.root / "a.png", b = resting.root / "b.png";
    // Ctrl at the start skips the opening movie: the title is current from frame 2.
    RunResult r = RunScript(resting,
                            Input().SkipOpening().text + std::to_string(kFirst) + " screenshot " + a.string() + "\n" +
                                std::to_string(kLast) + " screenshot " + b.string() + "\n",
                            kLast);
    ASSERT_EQ(r.status, 0) << r.err;

    DemoCopy drawing;
    r = RunDrawingEveryFrame(drawing, Input().SkipOpening().text, kFirst, kLast);
    ASSERT_EQ(r.status, 0) << r.err;

    Shot restFirst, restLast, drawnFirst, drawnLast;
    ASSERT_TRUE(ReadShot(a, restFirst));
    ASSERT_TRUE(ReadShot(b, restLast));
    ASSERT_TRUE(ReadShot(drawing.root / ("f" + std::to_string(kFirst) + ".png"), drawnFirst));
    ASSERT_TRUE(ReadShot(drawing.root / ("f" + std::to_string(kLast) + ".png"), drawnLast));
    EXPECT_EQ(restFirst.rgb, drawnFirst.rgb);
    EXPECT_EQ(restLast.rgb, drawnLast.rgb);
    // The title, its picture and its start button.
    EXPECT_EQ(Hex(restLast.At(100, 100)), Hex(gxdemo::kTitleColor & 0xFFFFFF));
    EXPECT_NE(Hex(restLast.At(gxdemo::TitleButtonX(gxdemo::kStart), gxdemo::TitleButtonY(gxdemo::kStart))),
              Hex(gxdemo::kTitleColor & 0xFFFFFF));
    std::string errors;
    EXPECT_FALSE(ReadFile(resting.SaveFolder() / "error.log", errors) && errors.size() > 2) << "an error was logged";
}

// Frames left undrawn as the program leaves them (looks, not screenshots, which draw their
// frame): the pointer moving onto a title button and off it again shows at once what a run
// drawing every frame shows, and the still frames between keep that picture.
TEST(FrameElisionE2E, TheUndrawnTitleFollowsThePointerOntoAButtonAndOff)
{
    constexpr int kFirst = 40, kLast = 130;
    const int bx = gxdemo::TitleButtonX(gxdemo::kStart), by = gxdemo::TitleButtonY(gxdemo::kStart);
    const int looks[] = {60, 90, 120};
    auto input = [&](const char* verb, const std::filesystem::path& folder) {
        Input in = Input().SkipOpening();
        in.Move(70, bx, by).Move(100, 100, 100);
        for (int f : looks) in.At(f, std::string(verb) + " " + (folder / ("l" + std::to_string(f) + ".png")).string());
        return in.text;
    };
    DemoCopy resting;
    RunResult r = RunScript(resting, input("look", resting.root), kLast);
    ASSERT_EQ(r.status, 0) << r.err;

    DemoCopy drawing;
    r = RunDrawingEveryFrame(drawing, input("screenshot", drawing.root), kFirst, kLast);
    ASSERT_EQ(r.status, 0) << r.err;

    std::vector<Shot> rest(3), drawn(3);
    for (int i = 0; i < 3; ++i) {
        const std::string name = "l" + std::to_string(looks[i]) + ".png";
        ASSERT_TRUE(ReadShot(resting.root / name, rest[i])) << name;
        ASSERT_TRUE(ReadShot(drawing.root / name, drawn[i])) << name;
        EXPECT_TRUE(rest[i].rgb == drawn[i].rgb) << "frame " << looks[i];
    }
    // The pointer's button changes its picture (else this proves nothing), and back again.
    EXPECT_FALSE(rest[1].rgb == rest[0].rgb) << "the button under the pointer";
    EXPECT_TRUE(rest[2].rgb == rest[0].rgb) << "the pointer away again";
    std::string errors;
    EXPECT_FALSE(ReadFile(resting.SaveFolder() / "error.log", errors) && errors.size() > 2) << "an error was logged";
}
