// Full screen on an X server of the test's own, looked at as the person in front of it sees it
// (a grab of the whole screen): without a window manager the request is refused and stays so
// after a restart; with one, the whole picture covers the screen between black bars and real
// clicks on what it shows hit it.
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/GxPresentRect.h"
#include "tests/app/core_test_util.h"
#include "tests/app/demo_run_util.h"
#include "tests/app/demo_shot.h"
#include "tests/support/GxDemoGame.h"
#include "tests/support/GxTestXServer.h"

using namespace coretest;
using namespace gxdemo;

namespace {

namespace fs = std::filesystem;

constexpr const char* kRefused = "did not make the window full screen(SCRMODE_FULLSCREEN)";

bool WaitFor(const std::function<bool()>& holds, int timeoutMs = DemoCopy::kRunTimeoutMs)
{
    for (int waited = 0; waited < timeoutMs; waited += 20) {
        if (holds()) return true;
        usleep(20 * 1000);
    }
    return holds();
}

bool Near(uint32_t a, uint32_t b, int within)
{
    for (int shift : {0, 8, 16}) {
        const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (d > within || d < -within) return false;
    }
    return true;
}

bool Logged(const DemoCopy& demo, const char* text)
{
    for (const std::string& line : LogLines(demo.SaveFolder() / "device.log"))
        if (line.find(text) != std::string::npos) return true;
    return false;
}

// One run of the program in a window on the server; ends it as SIGTERM does (options saved).
struct WindowRun
{
    const DemoCopy& demo;
    pid_t pid = -1;

    WindowRun(const DemoCopy& d, const gxtest::TestXServer& x, const Input& input) : demo(d)
    {
        const fs::path script = demo.root / "input.txt";
        WriteFile(script, input.text);
        pid = demo.Start({"DISPLAY=" + x.Display(), "SDL_AUDIODRIVER=dummy", "DBUS_SESSION_BUS_ADDRESS=disabled:",
                          "GX_INPUT_SCRIPT=" + script.string()},
                         {}, false);
    }
    ~WindowRun()
    {
        if (pid > 0) End();
    }
    RunResult End()
    {
        kill(pid, SIGTERM);
        RunResult r = demo.Wait(pid);
        pid = -1;
        return r;
    }
};

// Where the screen shows a point of the logical screen (the picture's rectangle on a screen of
// that size).
struct OnScreen
{
    GxPresentRect picture;
    int32_t X(double x) const { return picture.left + static_cast<int32_t>(x * picture.width / 1024.0); }
    int32_t Y(double y) const { return picture.top + static_cast<int32_t>(y * picture.height / 768.0); }
};

// The title as the screen shows it: its colour, each button's plate whole, and the labels.
bool ShowsTitle(const gxtest::ScreenGrab& g, const OnScreen& at, const Shot& title, std::string* why)
{
    struct Point
    {
        int x, y;
    };
    std::vector<Point> points = {{100, 100}, {1000, 100}, {20, 740}, {1000, 740}, {512, 20}};
    for (int i = 0; i < kTitleButtonCount; ++i) {
        const int top = kTitleButtonTop + i * kTitleButtonStep;
        // Inside each corner of the plate, and beside the plate (the title colour).
        for (Point p : {Point{kTitleButtonLeft + 6, top + 6}, Point{kTitleButtonLeft + kTitleButtonWidth - 6, top + 6},
                        Point{kTitleButtonLeft + 6, top + kTitleButtonHeight - 6},
                        Point{kTitleButtonLeft + kTitleButtonWidth - 6, top + kTitleButtonHeight - 6},
                        Point{kTitleButtonLeft - 30, top + 24}, Point{kTitleButtonLeft + kTitleButtonWidth + 30, top + 24}})
            points.push_back(p);
    }
    for (const Point& p : points) {
        const uint32_t want = title.At(uint32_t(p.x), uint32_t(p.y));
        const uint32_t got = g.At(at.X(p.x + 0.5), at.Y(p.y + 0.5));
        if (!Near(got, want, 12)) {
            *why = "logical " + std::to_string(p.x) + "," + std::to_string(p.y) + ": the screen shows " + Hex(got) +
                   ", the picture has " + Hex(want);
            return false;
        }
    }
    // The labels: as much white on the screen as in the picture, button by button.
    for (int i = 0; i < kTitleButtonCount; ++i) {
        const int top = kTitleButtonTop + i * kTitleButtonStep;
        int inPicture = title.Bright(kTitleButtonLeft, top, kTitleButtonLeft + kTitleButtonWidth, top + kTitleButtonHeight);
        int onScreen = 0;
        for (int32_t y = at.Y(top); y < at.Y(top + kTitleButtonHeight); ++y)
            for (int32_t x = at.X(kTitleButtonLeft); x < at.X(kTitleButtonLeft + kTitleButtonWidth); ++x) {
                const uint32_t c = g.At(x, y);
                onScreen += ((c >> 16 & 0xFF) + (c >> 8 & 0xFF) + (c & 0xFF)) > 3 * 160;
            }
        // Scaled, the strokes blur: fewer pixels reach full white than the area grows.
        const double scale = double(at.picture.width) * at.picture.height / (1024.0 * 768.0);
        if (inPicture < 50 || onScreen < inPicture / 2 || onScreen > inPicture * scale * 1.5) {
            *why = "button " + std::to_string(i) + ": " + std::to_string(onScreen) + " bright pixels on the screen, " +
                   std::to_string(inPicture) + " in the picture";
            return false;
        }
    }
    return true;
}

// Black everywhere outside the picture's rectangle.
bool BarsBlack(const gxtest::ScreenGrab& g, const GxPresentRect& picture, std::string* why)
{
    for (int32_t y = 0; y < g.height; y += 3)
        for (int32_t x = 0; x < g.width; x += 3) {
            if (picture.Contains(x, y)) continue;
            if ((g.At(x, y) & 0xFFFFFF) != 0) {
                *why = "the bar at " + std::to_string(x) + "," + std::to_string(y) + " is " + Hex(g.At(x, y));
                return false;
            }
        }
    return true;
}

// A headless run's pictures of the title and of the settings opened from it, to compare with.
bool Reference(const DemoCopy& demo, Shot& title, Shot& settings)
{
    Input in;
    in.SkipOpening().Shot(45, demo.root / "ref_title.png");
    in.Click(50, TitleButtonX(kConfig), TitleButtonY(kConfig)).Shot(90, demo.root / "ref_settings.png");
    RunResult r = demo.Play(in, 92);
    EXPECT_EQ(r.status, 0) << r.err;
    return ReadShot(demo.root / "ref_title.png", title) && ReadShot(demo.root / "ref_settings.png", settings);
}

TEST(ScreenModeE2E, WithoutAWindowManagerFullScreenIsRefusedAndStaysRefusedAfterARestart)
{
    gxtest::TestXServer x(1280, 1024);
    if (x.Display().empty()) GTEST_SKIP() << "no Xvfb";
    gxtest::ScreenGrab probe;
    if (!x.Grab(probe)) GTEST_SKIP() << "the screen cannot be grabbed (no X library)";
    DemoCopy demo;
    Shot title, settings;
    ASSERT_TRUE(Reference(demo, title, settings));

    // Full screen chosen where it works (headless), so the next start asks for it.
    Input in;
    in.SkipOpening().Key(40, "F4");
    RunResult r = demo.Play(in, 45);
    ASSERT_EQ(r.status, 0) << r.err;

    // On the bare X server the start-up's full screen does not take: the program comes up in its
    // 1024 x 768 window in the middle of the screen, the whole picture in it, and says so.
    const OnScreen window{GxPresentRect{128, 128, 1024, 768}};
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run == 0 ? "the start that asks for full screen" : "the next start");
        in = Input();
        in.SkipOpening().Shot(60, demo.root / "shown.png");
        WindowRun program(demo, x, in);
        ASSERT_GT(program.pid, 0);
        ASSERT_TRUE(WaitFor([&] { return fs::exists(demo.root / "shown.png"); })) << demo.Err();
        std::string why;
        gxtest::ScreenGrab g;
        EXPECT_TRUE(WaitFor([&] { return x.Grab(g) && ShowsTitle(g, window, title, &why); }, 10000)) << why;
        EXPECT_FALSE(ShowsTitle(g, OnScreen{GxPresentRect{0, 0, 1280, 1024}}, title, &why))
            << "the picture is not spread over the screen";
        r = program.End();
        EXPECT_EQ(r.status, 0) << r.err;
        // The first start tried and went back to the window; the option it saved is the window,
        // so the next start does not try at all.
        EXPECT_EQ(Logged(demo, kRefused), run == 0);
        fs::remove(demo.root / "shown.png");
    }

    // F4 in the window: refused too, the window stays as it is and a click on what it shows
    // still hits.
    in = Input();
    in.SkipOpening().Key(40, "F4").Shot(70, demo.root / "after.png");
    in.Click(75, TitleButtonX(kConfig), TitleButtonY(kConfig)).Shot(120, demo.root / "settings.png");
    {
        WindowRun program(demo, x, in);
        ASSERT_GT(program.pid, 0);
        ASSERT_TRUE(WaitFor([&] { return fs::exists(demo.root / "settings.png"); })) << demo.Err();
        gxtest::ScreenGrab g;
        ASSERT_TRUE(x.Grab(g));
        r = program.End();
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(Logged(demo, kRefused));
        EXPECT_TRUE(Near(g.At(window.X(700), window.Y(600)), settings.At(700, 600), 12))
            << Hex(g.At(window.X(700), window.Y(600))) << " where the settings have " << Hex(settings.At(700, 600));
    }
}

TEST(ScreenModeE2E, UnderAWindowManagerFullScreenShowsTheWholePictureBetweenBarsAndTakesRealClicks)
{
    struct Screen
    {
        int32_t w, h;
        GxPresentRect picture;  // where the whole 4:3 picture fits
    };
    for (const Screen& screen : {Screen{1920, 1080, {240, 0, 1440, 1080}}, Screen{1280, 1024, {0, 32, 1280, 960}}}) {
        const int32_t w = screen.w, h = screen.h;
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        gxtest::TestXServer x(w, h);
        if (x.Display().empty()) GTEST_SKIP() << "no Xvfb";
        gxtest::ScreenGrab probe;
        if (!x.Grab(probe)) GTEST_SKIP() << "the screen cannot be grabbed (no X library)";
        const std::string manager = x.StartWindowManager();
        if (manager.empty()) GTEST_SKIP() << "no window manager that does full screen is installed";
        SCOPED_TRACE(manager);
        DemoCopy demo;
        Shot title, settings;
        ASSERT_TRUE(Reference(demo, title, settings));

        Input in;
        in.SkipOpening().Key(40, "F4").Shot(60, demo.root / "full.png");
        WindowRun program(demo, x, in);
        ASSERT_GT(program.pid, 0);
        ASSERT_TRUE(WaitFor([&] { return fs::exists(demo.root / "full.png"); })) << demo.Err();

        // The whole title, undistorted and centred, between black bars.
        const OnScreen full{screen.picture};
        std::string why;
        gxtest::ScreenGrab g;
        EXPECT_TRUE(WaitFor([&] { return x.Grab(g) && ShowsTitle(g, full, title, &why); }, 10000)) << why;
        EXPECT_TRUE(BarsBlack(g, full.picture, &why)) << why;

        // A real click on a bar beside the picture, level with the settings button, does
        // nothing; one on the button opens the settings.
        const int32_t buttonY = full.Y(TitleButtonY(kConfig));
        const int32_t barX = full.picture.left > 0 ? full.picture.left / 2 : full.X(TitleButtonX(kConfig));
        const int32_t barY = full.picture.left > 0 ? buttonY : full.picture.top / 2;
        if (!x.Click(barX, barY)) GTEST_SKIP() << "no XTEST to click with";
        usleep(500 * 1000);
        ASSERT_TRUE(x.Grab(g));
        EXPECT_TRUE(ShowsTitle(g, full, title, &why)) << "after the click on the bar: " << why;
        ASSERT_TRUE(x.Click(full.X(TitleButtonX(kConfig)), buttonY));
        const auto showsSettings = [&] {
            return x.Grab(g) && Near(g.At(full.X(700), full.Y(600)), settings.At(700, 600), 12) &&
                   Near(g.At(full.X(900), full.Y(400)), settings.At(900, 400), 12);
        };
        EXPECT_TRUE(WaitFor(showsSettings, 10000))
            << Hex(g.At(full.X(700), full.Y(600))) << " where the settings have " << Hex(settings.At(700, 600));

        RunResult r = program.End();
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_FALSE(Logged(demo, kRefused));
    }
}

}  // namespace
