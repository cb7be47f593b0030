// The demo game played by the program, headless, with timed input: the title shows its picture,
// its start button starts the story, whose scene, lines, music, choice and movie show on the main
// play screen, and its event picture reaches the gallery. Pictures are checked at chosen pixels
// and regions, never as whole images (GL drivers differ); frame numbers hold because unpaced
// frames are all 1/60 s long.
#include <png.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/GxString.h"
#include "tests/app/core_test_util.h"
#include "tests/app/demo_run_util.h"
#include "tests/app/demo_shot.h"
#include "tests/support/GxDemoGame.h"
#include "tests/support/GxMovieWriter.h"

using namespace coretest;

namespace {

namespace fs = std::filesystem;

// The captured mix (44100 Hz 16-bit stereo WAV, as the harness writes it): its samples.
bool ReadMix(const fs::path& file, std::vector<int16_t>& samples)
{
    std::string bytes;
    if (!ReadFile(file.string(), bytes) || bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0) return false;
    auto u32 = [&](size_t at) {
        return uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8 |
               uint32_t(uint8_t(bytes[at + 2])) << 16 | uint32_t(uint8_t(bytes[at + 3])) << 24;
    };
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const uint32_t size = u32(at + 4);
        if (bytes.compare(at, 4, "data") == 0) {
            const size_t n = std::min<size_t>(size, bytes.size() - at - 8) / 2;
            samples.resize(n);
            for (size_t i = 0; i < n; ++i)
                samples[i] = int16_t(uint16_t(uint8_t(bytes[at + 8 + 2 * i]) | uint8_t(bytes[at + 9 + 2 * i]) << 8));
            return true;
        }
        at += 8 + size + (size & 1);
    }
    return false;
}

// The root mean square of the mix over the main-loop frames [from, to) (44100 / 60 sample
// frames of two channels each).
double MixRms(const std::vector<int16_t>& samples, int from, int to)
{
    const size_t a = size_t(from) * 44100 / 60 * 2, b = std::min(samples.size(), size_t(to) * 44100 / 60 * 2);
    if (a >= b) return -1.0;
    double sum = 0.0;
    for (size_t i = a; i < b; ++i) sum += double(samples[i]) * samples[i];
    return std::sqrt(sum / double(b - a));
}


TEST(DemoE2E, TitleShowsItsPictureAndItsStartButtonLeadsToTheMainPlayScreen)
{
    DemoCopy demo;
    WriteFile(demo.root / "input.txt", "40 screenshot " + (demo.root / "title.png").string() + "\n" +
                                           "50 click left " + DemoStartButton() + "\n");
    RunResult r = demo.Run({"GX_INPUT_SCRIPT=" + (demo.root / "input.txt").string(), "GX_EXIT_AFTER_FRAMES=80"});
    EXPECT_EQ(r.status, 0) << r.err;

    Shot title;
    ASSERT_TRUE(ReadShot(demo.root / "title.png", title)) << r.err;
    ASSERT_EQ(title.width, 1024u);
    EXPECT_EQ(Hex(title.At(100, 100)), Hex(gxdemo::kTitleColor & 0xFFFFFF)) << "the title picture";
    EXPECT_EQ(Hex(title.At(900, 700)), Hex(gxdemo::kTitleColor & 0xFFFFFF));
    EXPECT_NE(Hex(title.At(512, 624)), Hex(gxdemo::kTitleColor & 0xFFFFFF)) << "the start button over it";

    // Everything the start-up and the title load is there, and the script has its label MAIN.
    EXPECT_EQ(LogLines(demo.SaveFolder() / "error.log"), std::vector<std::string>{});
}

TEST(DemoE2E, TheTitlesFirstFrameIsReportedAgainstTheStampAndEndsTheRun)
{
    DemoCopy demo;
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const long long stamp = (long long)ts.tv_sec * 1000000000LL + ts.tv_nsec;
    // No frame limit: only the report can end this run.
    RunResult r = demo.Run({"GX_FIRST_FRAME_OF=SeqTitle", "GX_START_STAMP=" + std::to_string(stamp)});
    EXPECT_EQ(r.status, 0) << r.err;
    const size_t at = r.err.find("first frame of SeqTitle: ");
    ASSERT_NE(at, std::string::npos) << r.err;
    const double ms = std::stod(r.err.substr(at + 25));
    EXPECT_GT(ms, 0.0);
    const size_t after = r.err.find(" ms after the start stamp, cpu ", at);
    ASSERT_NE(after, std::string::npos) << r.err;
    const double cpuMs = std::stod(r.err.substr(after + 31));
    EXPECT_GT(cpuMs, 0.0);
    const size_t rssAt = r.err.find(" ms, peak rss ", after);
    ASSERT_NE(rssAt, std::string::npos) << r.err;
    // A GL context alone takes more than a few MiB: a figure below that is not the process's.
    EXPECT_GT(std::stol(r.err.substr(rssAt + 14)), 4096L) << r.err;
    EXPECT_NE(r.err.find(" KiB\n", rssAt), std::string::npos) << r.err;

    r = demo.Run({"GX_FIRST_FRAME_OF=SeqTitle", "GX_START_STAMP=soon", "GX_EXIT_AFTER_FRAMES=2"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("GX_START_STAMP"), std::string::npos) << r.err;
}

TEST(DemoE2E, TheStoryShowsItsSceneASpokenLineThenASecondMessage)
{
    DemoCopy demo;
    const fs::path one = demo.root / "msg1.png", two = demo.root / "msg2.png";
    WriteFile(demo.root / "input.txt", "50 click left " + DemoStartButton() + "\n" +
                                           "200 screenshot " + one.string() + "\n" +
                                           "210 click left 512 384\n" +
                                           "360 screenshot " + two.string() + "\n");
    RunResult r = demo.Run({"GX_INPUT_SCRIPT=" + (demo.root / "input.txt").string(), "GX_EXIT_AFTER_FRAMES=380"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(LogLines(demo.SaveFolder() / "error.log"), std::vector<std::string>{});

    Shot first, second;
    ASSERT_TRUE(ReadShot(one, first)) << r.err;
    ASSERT_TRUE(ReadShot(two, second)) << r.err;
    // The message window's text area and the name window's client area (their layout and module
    // rows in the demo's tables).
    const uint32_t tx0 = 32 + 40, ty0 = 548 + 40, tx1 = tx0 + 880, ty1 = ty0 + 120;
    const uint32_t nx0 = 48 + 16, ny0 = 496 + 8, nx1 = nx0 + 208, ny1 = ny0 + 32;
    EXPECT_GT(first.Bright(tx0, ty0, tx1, ty1), 20) << "glyphs of the first line";
    EXPECT_GT(first.Bright(nx0, ny0, nx1, ny1), 10) << "glyphs of the speaker's name";
    EXPECT_GT(second.Bright(tx0, ty0, tx1, ty1), 20) << "glyphs of the second line";
    int changed = 0;
    for (uint32_t y = ty0; y < ty1; ++y)
        for (uint32_t x = tx0; x < tx1; ++x) changed += first.At(x, y) != second.At(x, y);
    EXPECT_GT(changed, 20) << "the text area changed between the messages";
    EXPECT_EQ(second.Bright(nx0, ny0, nx1, ny1), 0) << "msg clears the speaker";

    // The scene behind: the background at once (time 0), and the speaker's stand picture centred
    // ("M") and standing on the bottom edge ("B") of the 1024 x 768 screen, faded in by now.
    const uint32_t bg = gxdemo::kBackgroundColor & 0xFFFFFF, stand = gxdemo::kStandColor & 0xFFFFFF;
    const uint32_t sx0 = (1024 - gxdemo::kStandWidth) / 2, sy0 = 768 - gxdemo::kStandHeight;
    const uint32_t sx1 = sx0 + gxdemo::kStandWidth, cx = (sx0 + sx1) / 2, cy = sy0 + gxdemo::kStandHeight / 2;
    EXPECT_EQ(Hex(first.At(2, 2)), Hex(bg)) << "the background at a corner";
    EXPECT_EQ(Hex(first.At(1021, 2)), Hex(bg));
    EXPECT_EQ(Hex(first.At(cx, cy)), Hex(stand)) << "the stand picture at its centre";
    EXPECT_EQ(Hex(first.At(sx0, sy0)), Hex(stand)) << "its top left corner";
    EXPECT_EQ(Hex(first.At(sx1 - 1, sy0)), Hex(stand)) << "its top right corner";
    EXPECT_EQ(Hex(first.At(sx0 - 1, cy)), Hex(bg)) << "nothing of it left of its place";
    EXPECT_EQ(Hex(first.At(sx1, cy)), Hex(bg)) << "nor right of it";
    EXPECT_EQ(Hex(first.At(cx, sy0 - 1)), Hex(bg)) << "nor above it";
}

// The story goes on through its choice with its music: the run picks the first of the two
// items, whose label says a long line (the second item's label a short one); the captured mix
// is silent on the title and carries the music's tone once the story has started it. After the
// answer the story shows its event picture and plays its one-second movie over it; the run ends
// while the movie plays. A second run in the same game opens the gallery from the title: the
// event picture counts as seen there and its set opens the viewer on it.
TEST(DemoE2E, TheStoryPlaysItsMusicChoiceAndMovieAndItsEventPictureOpensInTheGallery)
{
    DemoCopy demo;
    const fs::path answer = demo.root / "answer.png", mix = demo.root / "mix.wav", movie = demo.root / "movie.png";
    // The choice buttons: 600 x 40 each with 10 between, centred over the message window.
    WriteFile(demo.root / "input.txt", "50 click left " + DemoStartButton() + "\n" +
                                           "210 click left 512 384\n"    // the first line read
                                           "310 click left 512 384\n"    // the second: the choice
                                           "340 click left 512 244\n"    // its first item
                                           "520 screenshot " + answer.string() + "\n" +
                                           "530 click left 512 384\n");  // on to the movie
    RunResult r = demo.Run({"GX_INPUT_SCRIPT=" + (demo.root / "input.txt").string(), "GX_EXIT_AFTER_FRAMES=555",
                            "GX_AUDIO_CAPTURE=" + mix.string(), "GX_SCREENSHOT=" + movie.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(LogLines(demo.SaveFolder() / "error.log"), std::vector<std::string>{});

    Shot shot;
    ASSERT_TRUE(ReadShot(answer, shot)) << r.err;
    // The first line of the text area: the long answer reaches past its middle, the short one
    // would end near its start.
    const uint32_t tx0 = 32 + 40, ty0 = 548 + 40, mid = tx0 + 320;
    EXPECT_GT(shot.Bright(tx0, ty0, tx0 + 120, ty0 + 30), 20) << "the answer's first words";
    EXPECT_GT(shot.Bright(mid, ty0, mid + 160, ty0 + 30), 20) << "the long answer of the first item";
    EXPECT_EQ(shot.Bright(212, 224, 812, 314), 0) << "the choice buttons are gone";

    std::vector<int16_t> samples;
    ASSERT_TRUE(ReadMix(mix, samples)) << r.err;
    ASSERT_GE(samples.size(), size_t(555) * 44100 / 60 * 2 - 4) << "one mix slice per frame";
    EXPECT_EQ(MixRms(samples, 0, 50), 0.0) << "silence on the title";
    EXPECT_GT(MixRms(samples, 150, 520), 1000.0) << "the music after the story's bgm";

    // The last frame, 25 frames into the movie: its colour over the whole screen but the
    // message window (the movie's frames are decoded, so near the colour, not exact).
    Shot playing;
    ASSERT_TRUE(ReadShot(movie, playing)) << r.err;
    for (const auto& [x, y] : {std::pair{4u, 4u}, {512u, 300u}, {1019u, 500u}})
        EXPECT_TRUE(GxMovieColorNear(playing.At(x, y), gxdemo::kMovieColor & 0xFFFFFF))
            << Hex(playing.At(x, y)) << " at " << x << "," << y;

    // The gallery from the title, then its one set's slot.
    const fs::path gallery = demo.root / "gallery.png", viewer = demo.root / "viewer.png";
    const uint32_t slotX = gxdemo::kSlotLeft + gxdemo::kSlotWidth / 2, slotY = gxdemo::kSlotTop + gxdemo::kSlotHeight / 2;
    WriteFile(demo.root / "input.txt",
              "50 click left " + std::to_string(gxdemo::kGalleryLeft + gxdemo::kStartWidth / 2) + " " +
                  std::to_string(gxdemo::kGalleryTop + gxdemo::kStartHeight / 2) + "\n" +
                  "120 screenshot " + gallery.string() + "\n" +
                  "130 click left " + std::to_string(slotX) + " " + std::to_string(slotY) + "\n");
    r = demo.Run({"GX_INPUT_SCRIPT=" + (demo.root / "input.txt").string(), "GX_EXIT_AFTER_FRAMES=200",
                  "GX_SCREENSHOT=" + viewer.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(LogLines(demo.SaveFolder() / "error.log"), std::vector<std::string>{});
    Shot cells, picture;
    ASSERT_TRUE(ReadShot(gallery, cells)) << r.err;
    ASSERT_TRUE(ReadShot(viewer, picture)) << r.err;
    // A seen set shows its thumbnail over its slot; an unseen one the plate.
    EXPECT_EQ(Hex(cells.At(slotX, slotY)), Hex(gxdemo::kThumbnailColor & 0xFFFFFF)) << "the set counts as seen";
    EXPECT_NE(Hex(cells.At(slotX, slotY)), Hex(gxdemo::kPlateColor & 0xFFFFFF));
    for (const auto& [x, y] : {std::pair{2u, 2u}, {512u, 384u}, {1021u, 765u}})
        EXPECT_EQ(Hex(picture.At(x, y)), Hex(gxdemo::kEventColor & 0xFFFFFF)) << "the viewer at " << x << "," << y;
}

}  // namespace
