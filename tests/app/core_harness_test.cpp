// The headless harness: its environment settings, the input script and the PNG it writes.
#include <SDL2/SDL.h>
#include <png.h>

#include <cstdio>

#include "platform/GxHeadless.h"
#include "tests/app/core_test_util.h"

using namespace coretest;

namespace {

TEST(CoreHarness, OptionsFromTheEnvironment)
{
    {
        ScopedEnv h("GX_HEADLESS", "1"), u("GX_UNPACED", "1"), n("GX_EXIT_AFTER_FRAMES", "12"),
            s("GX_SCREENSHOT", "/tmp/x.png"), i("GX_INPUT_SCRIPT", "in.txt");
        GxHarnessOptions o;
        std::string error;
        ASSERT_TRUE(GxReadHarnessOptions(o, error));
        EXPECT_TRUE(o.headless);
        EXPECT_TRUE(o.unpaced);
        EXPECT_EQ(o.exitAfterFrames, 12u);
        EXPECT_EQ(o.screenshotPath, "/tmp/x.png");
        EXPECT_EQ(o.inputScriptPath, "in.txt");
    }
    for (const char* bad : {"0", "-3", "12x", "99999999999"}) {
        ScopedEnv n("GX_EXIT_AFTER_FRAMES", bad);
        GxHarnessOptions o;
        std::string error;
        EXPECT_FALSE(GxReadHarnessOptions(o, error)) << bad;
        EXPECT_NE(error.find(bad), std::string::npos);
    }
    {
        // A display is named and headless is not asked for: a window, paced by the clock.
        ScopedEnv h("GX_HEADLESS", "0"), d("DISPLAY", ":0"), u("GX_UNPACED", "1");
        EXPECT_FALSE(GxIsHeadless());
        GxHarnessOptions o;
        std::string error;
        ASSERT_TRUE(GxReadHarnessOptions(o, error));
        EXPECT_FALSE(o.unpaced);
    }
}

TEST(CoreHarness, QuitIsRequestedSoThatExactlyTheFramesAskedRun)
{
    GxHarnessOptions o;
    o.exitAfterFrames = 3;
    GxHarness h(o, nullptr);
    EXPECT_FALSE(h.ShouldRequestQuit(0));
    EXPECT_FALSE(h.ShouldRequestQuit(1));
    EXPECT_TRUE(h.ShouldRequestQuit(2));
    o.exitAfterFrames = 1;
    EXPECT_TRUE(GxHarness(o, nullptr).ShouldRequestQuit(0));
    o.exitAfterFrames = 0;
    EXPECT_FALSE(GxHarness(o, nullptr).ShouldRequestQuit(0));
}

TEST(CoreHarness, InputScriptParsesEveryEventInFrameOrder)
{
    const std::string script =
        "# a comment\n"
        "\n"
        "5 move 512 384.5\n"
        "2 click left 10 20   # trailing comment\n"
        "3 key Return\n"
        "3 keydown Left Ctrl\n"
        "4 keyup left ctrl\n"
        "6 wheel -2 100 50\n"
        "6 wheel 1\n"
        "7 down right 1 2\n"
        "7 up middle 3 4\n"
        "9 close\n";
    std::vector<GxInputScriptEvent> ev;
    std::string error;
    ASSERT_TRUE(GxParseInputScript(script, ev, error)) << error;
    using K = GxInputScriptEvent::Kind;
    struct Want
    {
        uint32_t frame;
        K kind;
    };
    const Want want[] = {{2, K::Down}, {2, K::Up},   {3, K::KeyDown}, {3, K::KeyUp}, {3, K::KeyDown}, {4, K::KeyUp},
                         {5, K::Move}, {6, K::Wheel}, {6, K::Wheel},  {7, K::Down},  {7, K::Up},      {9, K::Close}};
    ASSERT_EQ(ev.size(), std::size(want));
    for (size_t i = 0; i < ev.size(); ++i) {
        EXPECT_EQ(ev[i].frame, want[i].frame) << i;
        EXPECT_EQ(ev[i].kind, want[i].kind) << i;
    }
    EXPECT_EQ(ev[0].button, SDL_BUTTON_LEFT);
    EXPECT_FLOAT_EQ(ev[0].x, 10.0f);
    EXPECT_EQ(ev[2].keycode, SDLK_RETURN);
    EXPECT_EQ(ev[2].scancode, SDL_SCANCODE_RETURN);
    EXPECT_EQ(ev[4].keycode, SDLK_LCTRL);
    EXPECT_EQ(ev[5].keycode, SDLK_LCTRL) << "names in any case";
    EXPECT_FLOAT_EQ(ev[6].y, 384.5f);
    EXPECT_EQ(ev[7].notches, -2);
    EXPECT_TRUE(ev[7].hasPosition);
    EXPECT_FALSE(ev[8].hasPosition);
    EXPECT_EQ(ev[9].button, SDL_BUTTON_RIGHT);
    EXPECT_EQ(ev[10].button, SDL_BUTTON_MIDDLE);

    const struct
    {
        const char* text;
        const char* error;
    } bad[] = {
        {"move 1 2\n", "line 1: a frame number"},
        {"0 move 1 2\n", "line 1: a frame number"},
        {"1 move 1\n", "line 1: move needs"},
        {"\n1 move 1 y\n", "line 2: move needs"},
        {"1 click up 1 2\n", "line 1: click needs left"},
        {"1 key NoSuchKey\n", "line 1: unknown key"},
        {"1 key\n", "line 1: unknown key"},
        {"1 wheel 0\n", "line 1: wheel needs"},
        {"1 wheel 1.5\n", "line 1: wheel needs"},
        {"1 close now\n", "line 1: close takes"},
        {"1 jump\n", "line 1: unknown event \"jump\""},
    };
    for (const auto& b : bad) {
        ev.assign(1, GxInputScriptEvent());
        EXPECT_FALSE(GxParseInputScript(b.text, ev, error)) << b.text;
        EXPECT_EQ(error.rfind(b.error, 0), 0u) << error;
        EXPECT_TRUE(ev.empty());
    }
}

TEST(CoreHarness, ScreenshotEventsNameAFileAndAreTakenAfterTheirFrameNotPushed)
{
    std::vector<GxInputScriptEvent> ev;
    std::string error;
    ASSERT_TRUE(GxParseInputScript("3 screenshot shots/my title.png  # comment\n1 move 1 2\n", ev, error)) << error;
    ASSERT_EQ(ev.size(), 2u);
    EXPECT_EQ(ev[1].kind, GxInputScriptEvent::Kind::Screenshot);
    EXPECT_EQ(ev[1].frame, 3u);
    EXPECT_EQ(ev[1].path, "shots/my title.png") << "the rest of the line, blanks kept";
    EXPECT_FALSE(GxParseInputScript("1 screenshot\n", ev, error));
    EXPECT_EQ(error.rfind("line 1: screenshot needs", 0), 0u) << error;

    TempGame game;
    WriteFile(game.root / "input.txt", "2 screenshot a.png\n2 screenshot b.png\n4 screenshot c.png\n2 move 5 5\n");
    GxHarnessOptions options;
    options.inputScriptPath = (game.root / "input.txt").string();
    GxHarness harness(options, nullptr);
    ASSERT_TRUE(harness.Load(error)) << error;
    EXPECT_EQ(harness.GetEventCount(), 1u) << "only the move is input";
    EXPECT_EQ(harness.ScreenshotsAfter(2), (std::vector<std::string>{"a.png", "b.png"}));
    EXPECT_EQ(harness.ScreenshotsAfter(4), (std::vector<std::string>{"c.png"}));
    EXPECT_TRUE(harness.ScreenshotsAfter(3).empty());
    EXPECT_TRUE(harness.CapturesFrame(2)) << "a screenshot's frame is drawn";

    // A look is a screenshot whose frame is left as the program leaves it.
    WriteFile(game.root / "looks.txt", "5 look d.png\n6 look e.png\n6 screenshot f.png\n");
    options.inputScriptPath = (game.root / "looks.txt").string();
    GxHarness looks(options, nullptr);
    ASSERT_TRUE(looks.Load(error)) << error;
    EXPECT_EQ(looks.ScreenshotsAfter(5), (std::vector<std::string>{"d.png"}));
    EXPECT_FALSE(looks.CapturesFrame(5));
    EXPECT_EQ(looks.ScreenshotsAfter(6), (std::vector<std::string>{"e.png", "f.png"}));
    EXPECT_TRUE(looks.CapturesFrame(6)) << "drawn for the screenshot beside the look";
    EXPECT_FALSE(GxParseInputScript("1 look\n", ev, error));
    EXPECT_EQ(error.rfind("line 1: look needs", 0), 0u) << error;
}

TEST(CoreHarness, ScreenshotIsAnRgbPngOfThePicture)
{
    TempGame g("");
    // The refusals below log: keep their lines in the temporary folder.
    const std::u16string savedLog = GxGetLogPath(GxLogFile::Error);
    GxSetErrorLogPath(GxUtf8ToWide((g.root / "error.log").string()));
    const std::string path = (g.root / "shot.png").string();
    std::vector<uint32_t> pixels = {0xFF102030, 0x80405060, 0x00FFFFFF, 0xFF000000, 0xFFFF0000, 0xFF00FF00};
    ASSERT_TRUE(GxWritePngRgb(path, 3, 2, pixels));

    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&img, path.c_str()));
    EXPECT_EQ(img.width, 3u);
    EXPECT_EQ(img.height, 2u);
    EXPECT_EQ(img.format & PNG_FORMAT_FLAG_ALPHA, 0u);
    img.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(img));
    ASSERT_TRUE(png_image_finish_read(&img, nullptr, rgb.data(), 0, nullptr));
    const std::vector<uint8_t> want = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0xFF, 0xFF, 0xFF,
                                       0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00};
    EXPECT_EQ(rgb, want);

    EXPECT_FALSE(GxWritePngRgb(path, 4, 2, pixels)) << "size and pixels disagree";
    EXPECT_FALSE(GxWritePngRgb((g.root / "no" / "such" / "x.png").string(), 3, 2, pixels));
    std::string log;
    EXPECT_TRUE(ReadFile(g.root / "error.log", log));
    GxSetErrorLogPath(savedLog);
}

}  // namespace
