// The program at rest on its title, headless: frames that show nothing new are not drawn, and a
// screenshot taken after many of them is the very picture of a run that drew every frame (each
// frame of that run is captured, and a captured frame is always drawn).
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
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

// The counts of the frame report at the end of a run's stderr; false without one.
bool FrameReport(const std::string& err, int& run, int& repeated)
{
    const size_t at = err.rfind("frames: ");
    return at != std::string::npos &&
           std::sscanf(err.c_str() + at, "frames: %d run, %d repeated", &run, &repeated) == 2;
}

// Runs events once leaving undrawn frames as the program leaves them, with a look
// ("l<frame>.png") at each frame of looks, and once drawing every frame from first to last
// with a screenshot at the same frames: each look must be the drawn picture, and the first run
// must log no error. The looks by frame; empty when a run wrote none.
std::map<int, Shot> LooksMatchingADrawnRun(const std::string& events, const std::vector<int>& looks, int first,
                                           int last)
{
    auto script = [&](const char* verb, const std::filesystem::path& folder) {
        std::string text = events;
        for (int f : looks) {
            const std::filesystem::path file = folder / ("l" + std::to_string(f) + ".png");
            text += std::to_string(f) + " " + verb + " " + file.string() + "\n";
        }
        return text;
    };
    DemoCopy resting, drawing;
    RunResult r = RunScript(resting, script("look", resting.root), last);
    EXPECT_EQ(r.status, 0) << r.err;
    r = RunDrawingEveryFrame(drawing, script("screenshot", drawing.root), first, last);
    EXPECT_EQ(r.status, 0) << r.err;
    std::map<int, Shot> rest;
    for (int f : looks) {
        const std::string name = "l" + std::to_string(f) + ".png";
        Shot drawn;
        if (!ReadShot(resting.root / name, rest[f]) || !ReadShot(drawing.root / name, drawn)) {
            ADD_FAILURE() << name << " not written";
            return {};
        }
        EXPECT_TRUE(rest[f].rgb == drawn.rgb) << "frame " << f;
    }
    std::string errors;
    EXPECT_FALSE(ReadFile(resting.SaveFolder() / "error.log", errors) && errors.size() > 2) << "an error was logged";
    return rest;
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
    Input in = Input().SkipOpening();
    in.Move(70, bx, by).Move(100, 100, 100);
    std::map<int, Shot> rest = LooksMatchingADrawnRun(in.text, {60, 90, 120}, kFirst, kLast);
    ASSERT_EQ(rest.size(), 3u);
    // The pointer's button changes its picture (else this proves nothing), and back again.
    EXPECT_FALSE(rest[90].rgb == rest[60].rgb) << "the button under the pointer";
    EXPECT_TRUE(rest[120].rgb == rest[60].rgb) << "the pointer away again";
}

// The story at rest on its lines, looked at without drawing: the voiced line shown whole and
// left, the pointer on the message window's toggle and on its text button and off again, and
// the next line each show at once what a run drawing every frame shows, while the frames
// between, which show nothing new, are presented again without being drawn.
TEST(FrameElisionE2E, TheUndrawnStoryShowsItsLinesAndTheButtonsUnderThePointer)
{
    // From frame 130 the sprite has faded in and the line is whole: the screen rests but for the
    // pointer's buttons and the next line.
    constexpr int kRest = 130, kFirst = 130, kLast = 196;
    const int autoX = gxdemo::MesButtonX(gxdemo::kMesAuto), logX = gxdemo::MesButtonX(gxdemo::kMesLog);
    Input in = Input().SkipOpening();
    // The first line starts at frame 75: shown whole at 80; the voiced line from 86, whole at 90.
    in.Click(50, gxdemo::TitleButtonX(gxdemo::kStart), gxdemo::TitleButtonY(gxdemo::kStart));
    in.Click(80, 512, 100).Click(86, 512, 100).Click(90, 512, 100);
    in.Move(152, autoX, gxdemo::kMesButtonY).Move(168, logX, gxdemo::kMesButtonY).Move(180, 512, 100);
    in.Click(186, 512, 100);
    // The frames repeated up to frame last.
    auto repeatedTo = [&](int last) {
        DemoCopy copy;
        WriteFile(copy.root / "input.txt", in.text);
        const RunResult r = copy.Run({"GX_INPUT_SCRIPT=" + (copy.root / "input.txt").string(),
                                      "GX_EXIT_AFTER_FRAMES=" + std::to_string(last), "GX_FRAME_REPORT=1"});
        int run = -1, repeated = -1;
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(FrameReport(r.err, run, repeated)) << r.err;
        EXPECT_EQ(run, last);
        return repeated;
    };
    // Of the 56 frames from the rest to the next line, all but the few the pointer changes.
    EXPECT_GE(repeatedTo(186) - repeatedTo(kRest), 46);

    std::map<int, Shot> rest = LooksMatchingADrawnRun(in.text, {130, 140, 150, 156, 166, 172, 184, 196}, kFirst, kLast);
    ASSERT_EQ(rest.size(), 8u);
    // Each step shows something new (else this proves nothing), and the still ones do not.
    EXPECT_TRUE(rest[140].rgb == rest[130].rgb) << "the line at rest";
    EXPECT_TRUE(rest[150].rgb == rest[130].rgb) << "the line at rest";
    EXPECT_FALSE(rest[156].rgb == rest[150].rgb) << "the toggle under the pointer";
    EXPECT_TRUE(rest[166].rgb == rest[156].rgb) << "the toggle at rest";
    EXPECT_FALSE(rest[172].rgb == rest[166].rgb) << "the text button under the pointer";
    EXPECT_FALSE(rest[184].rgb == rest[172].rgb) << "the pointer away";
    EXPECT_FALSE(rest[196].rgb == rest[184].rgb) << "the next line";
}
