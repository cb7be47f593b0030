// The main play screen's modes and window buttons as a player meets them in the demo, headless,
// through the program's own input path: auto mode from its button, skip mode from its button
// and from a held Ctrl on a second play, the window's buttons over the standing speaker, and a
// quick save that does not reach the disk.
#include <map>
#include <string>
#include <vector>

#include "tests/app/core_test_util.h"
#include "tests/app/demo_run_util.h"
#include "tests/app/demo_shot.h"
#include "tests/support/GxDemoGame.h"

using namespace coretest;
using namespace gxdemo;

namespace {

namespace fs = std::filesystem;

// Auto mode's wait (the options' default, 3000 ms) in frames.
constexpr int kAutoWaitFrames = 180;

std::map<std::string, Shot> ReadShots(const DemoCopy& demo, const std::vector<std::string>& names)
{
    std::map<std::string, Shot> shots;
    for (const auto& name : names) EXPECT_TRUE(ReadShot(demo.root / (name + ".png"), shots[name])) << name;
    return shots;
}

int TextDiff(const Shot& a, const Shot& b)
{
    return Changed(a, b, kTextLeft, kTextTop, kTextLeft + kTextWidth, kTextTop + kTextHeight);
}

// Label pixels of a window button.
int ButtonLabel(const Shot& s, int button)
{
    const int x = MesButtonLeft(button);
    return s.Bright(x + 4, kMesButtonTop + 4, x + kMesButtonWidth - 4, kMesButtonTop + kMesButtonHeight - 4);
}

// The rows of the choice's two buttons once they have slid into place.
int ChoiceDiff(const Shot& a, const Shot& b)
{
    return Changed(a, b, kChoiceX - 300, kChoiceFirstY - 20, kChoiceX + 300, kChoiceFirstY + kChoiceStep + 20);
}

// The story from the title's start; the first line stands whole from frame 100 (a click shows
// the rest of it) and waits for its click; the speaker has faded in by frame 125.
constexpr int kFirstLineSteady = 125;
Input ToTheFirstLine()
{
    Input in;
    in.SkipOpening().Click(50, TitleButtonX(kStart), TitleButtonY(kStart)).Click(100, 512, 100);
    return in;
}

// The auto button turns the mode on: the line goes on by itself once the auto wait has run out,
// not before; a click elsewhere turns the mode off again (the button too), and the next line
// then waits for the player. Ruko stands behind the button row all the while, and the buttons'
// labels are drawn over her.
TEST(DemoModesE2E, AutoModeAdvancesAfterItsWaitAndAClickElsewhereEndsIt)
{
    DemoCopy demo;
    auto shot = [&](const char* name) { return demo.root / (std::string(name) + ".png"); };
    const int on = kFirstLineSteady + 5;
    Input in = ToTheFirstLine();
    in.Shot(on - 2, shot("first")).Click(on, MesButtonX(kMesAuto), kMesButtonY).Shot(on + 4, shot("auto_on"));
    in.Shot(on + kAutoWaitFrames - 15, shot("waiting")).Shot(on + kAutoWaitFrames + 60, shot("advanced"));
    const int off = on + kAutoWaitFrames + 65;
    in.Click(off, 512, 100).Shot(off + 4, shot("auto_off"));
    // The second line, voiced, reveals within two seconds; with auto mode still on it would go on
    // three seconds after that.
    in.Shot(off + 150, shot("held")).Shot(off + 150 + kAutoWaitFrames + 60, shot("still"));
    const int frames = off + 150 + kAutoWaitFrames + 65;
    RunResult r = demo.Play(in, frames);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(demo.ErrorLog(), std::vector<std::string>{});
    std::map<std::string, Shot> s = ReadShots(demo, {"first", "auto_on", "waiting", "advanced", "auto_off", "held", "still"});
    ASSERT_FALSE(HasFailure()) << r.err;

    EXPECT_GT(Changed(s["first"], s["auto_on"], MesButtonLeft(kMesAuto), kMesButtonTop,
                      MesButtonLeft(kMesAuto) + kMesButtonWidth, kMesButtonTop + kMesButtonHeight),
              100)
        << "the auto button shows itself on";
    EXPECT_LT(TextDiff(s["first"], s["waiting"]), 10) << "the line went on before the auto wait ran out";
    EXPECT_GT(TextDiff(s["first"], s["advanced"]), 1000) << "auto mode did not advance the line";
    EXPECT_LT(Changed(s["first"], s["auto_off"], MesButtonLeft(kMesAuto), kMesButtonTop,
                      MesButtonLeft(kMesAuto) + kMesButtonWidth, kMesButtonTop + kMesButtonHeight),
              10)
        << "the click elsewhere left the auto button on";
    // The second line is still revealing: a click taken as an advance would have shown it whole.
    const uint32_t y0 = kTextTop + kRubySize, y1 = y0 + kTextSize;
    EXPECT_EQ(s["auto_off"].Bright(kTextLeft + 600, y0, kTextLeft + kTextWidth, y1), 0)
        << "the click that ends auto mode also advanced the line";
    EXPECT_LT(TextDiff(s["held"], s["still"]), 10) << "auto mode went on after the click";

    // The speaker stands behind the buttons from オート on; their labels are drawn above her.
    for (int b : {kMesAuto, kMesSkip, kMesLog})
        EXPECT_GT(ButtonLabel(s["first"], b), 20) << "button " << b << " is hidden under the speaker";
}

// A first play reads the story up to its choice; on the second, skip mode (its button, or Ctrl
// held) passes every line read before and stops at the choice, which stays until answered.
TEST(DemoModesE2E, SkipPassesReadLinesOnASecondPlayAndStopsAtTheChoice)
{
    DemoCopy demo;
    auto shot = [&](const char* name) { return demo.root / (std::string(name) + ".png"); };
    Input first;
    first.SkipOpening().Click(50, TitleButtonX(kStart), TitleButtonY(kStart));
    for (int f = 80; f < 370; f += 4) first.Click(f, 512, 100);
    first.Shot(400, shot("read"));
    RunResult r = demo.Play(first, 405);
    ASSERT_EQ(r.status, 0) << r.err;
    Shot read;
    ASSERT_TRUE(ReadShot(shot("read"), read)) << r.err;
    ASSERT_GT(read.Bright(kChoiceX - 280, kChoiceFirstY - 12, kChoiceX + 280, kChoiceFirstY + 12), 50)
        << "the first play did not reach the choice";

    struct Way
    {
        const char* name;
        Input (*input)(int from);
    };
    const Way ways[] = {
        {"button", [](int from) { return Input().Click(from, MesButtonX(kMesSkip), kMesButtonY); }},
        {"ctrl", [](int from) { return Input().At(from, "keydown Left Ctrl").At(from + 150, "keyup Left Ctrl"); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        const int from = 80;
        Input in;
        in.SkipOpening().Click(50, TitleButtonX(kStart), TitleButtonY(kStart)).Shot(from - 2, shot("start"));
        in.text += way.input(from).text;
        in.Shot(from + 150, shot("skipped")).Shot(from + 210, shot("stays"));
        r = demo.Play(in, from + 215);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(demo.ErrorLog(), std::vector<std::string>{});
        std::map<std::string, Shot> s = ReadShots(demo, {"start", "skipped", "stays"});
        ASSERT_FALSE(HasFailure()) << r.err;
        // The screen the first play reached by reading: the town and the choice.
        EXPECT_GT(ChoiceDiff(read, s["start"]), 10000);
        EXPECT_LT(ChoiceDiff(read, s["skipped"]), 50) << "skip did not reach the choice in 2.5 s";
        EXPECT_LT(ChoiceDiff(read, s["stays"]), 50) << "skip passed the choice";
        EXPECT_LT(Changed(s["skipped"], s["stays"], 0, 0, 1024, kMesButtonTop - 8), 10) << "the scene moved on";
    }
}

// A quick save that cannot replace the quick-save file (a folder of its name stands there): the
// player sees the save screen's failure message; its OK closes it and the story goes on.
TEST(DemoModesE2E, AQuickSaveThatFailsTellsThePlayerAndTheStoryGoesOn)
{
    DemoCopy demo;
    auto shot = [&](const char* name) { return demo.root / (std::string(name) + ".png"); };
    fs::create_directories(demo.SaveFolder() / "gamedata_quick.gd");
    WriteFile(demo.SaveFolder() / "gamedata_quick.gd" / "keep", "x");
    const int at = kFirstLineSteady;
    Input in = ToTheFirstLine();
    in.Shot(at, shot("before")).Click(at + 2, MesButtonX(kMesQSave), kMesButtonY).Shot(at + 12, shot("failed"));
    in.Click(at + 17, kDialogOkX, kDialogButtonY).Shot(at + 27, shot("closed"));
    in.Click(at + 32, 512, 100).Click(at + 38, 512, 100).Shot(at + 52, shot("next"));
    RunResult r = demo.Play(in, at + 57);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> errors = demo.ErrorLog();
    int failures = 0;
    for (const std::string& line : errors) failures += line.find("QuickSave/セーブに失敗しました(") != std::string::npos;
    EXPECT_EQ(failures, 1) << ::testing::PrintToString(errors);
    EXPECT_TRUE(fs::is_directory(demo.SaveFolder() / "gamedata_quick.gd")) << "what stood there is kept";
    std::map<std::string, Shot> s = ReadShots(demo, {"before", "failed", "closed", "next"});
    ASSERT_FALSE(HasFailure()) << r.err;

    const Shot& f = s["failed"];
    EXPECT_GT(f.Bright(kDialogTextLeft, kDialogTextTop, kDialogTextLeft + kDialogTextWidth, kDialogTextTop + 30), 40)
        << "no failure message";
    EXPECT_GT(f.Bright(kDialogOkX - 58, kDialogButtonY - 18, kDialogOkX + 58, kDialogButtonY + 18), 10) << "OK";
    EXPECT_EQ(f.Bright(kDialogYesX - 58, kDialogButtonY - 18, kDialogYesX - 2, kDialogButtonY + 18), 0) << "no yes";
    EXPECT_LT(Changed(s["before"], s["closed"], kDialogTextLeft, kDialogTextTop, kDialogTextLeft + kDialogTextWidth,
                      kDialogButtonY + 18),
              10)
        << "the message stayed after OK";
    EXPECT_LT(TextDiff(s["before"], s["closed"]), 10);
    EXPECT_GT(TextDiff(s["closed"], s["next"]), 1000) << "the story did not go on";
}

}  // namespace
