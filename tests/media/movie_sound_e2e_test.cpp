// A movie with a sound track played by the program itself, headless and unpaced: a copy of the
// demo game whose opening plays a movie made here (each frame one colour of the test colours, a
// tone throughout). A screenshot of every frame and the captured mix show the picture and the
// sound starting together and staying together.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/app/core_test_util.h"
#include "tests/app/demo_run_util.h"
#include "tests/app/demo_shot.h"
#include "tests/support/GxMovieWriter.h"

using namespace coretest;

namespace {

namespace fs = std::filesystem;

constexpr int kFrames = 75;            // main-loop frames run (and shot)
constexpr double kFrameMs = 1000.0 / 60.0;
constexpr double kMovieFrameMs = 40.0;  // 25 frames a second
constexpr int kMovieFrames = 25;

// The samples of the harness's capture: its fixed 44-byte header, then 16-bit stereo.
bool ReadCapture(const fs::path& file, std::vector<int16_t>& samples)
{
    std::string bytes;
    if (!ReadFile(file.string(), bytes) || bytes.size() < 44 || bytes.compare(0, 4, "RIFF") != 0 ||
        bytes.compare(36, 4, "data") != 0)
        return false;
    samples.resize((bytes.size() - 44) / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t(uint16_t(uint8_t(bytes[44 + 2 * i]) | uint8_t(bytes[45 + 2 * i]) << 8));
    return true;
}

// The index of the test colour at a pixel, -1 for none.
int ColorIndex(const Shot& shot, uint32_t x, uint32_t y)
{
    const std::vector<uint32_t> colors = GxMovieTestColors();
    for (size_t i = 0; i < colors.size(); ++i)
        if (GxMovieColorNear(shot.At(x, y), colors[i])) return static_cast<int>(i);
    return -1;
}

}  // namespace

TEST(MovieSoundE2E, PictureAndSoundOfAnOpeningMovieStartAndStayTogether)
{
    DemoCopy demo;
    GxMovieSpec spec{256, 192, 25, {}, true};
    for (int i = 0; i < kMovieFrames; ++i) spec.colors.push_back(GxMovieTestColors()[i % 10]);
    const std::vector<uint8_t> movie = GxWriteTestMovie(spec);
    ASSERT_FALSE(movie.empty());
    WriteFile(demo.game / "movies" / "opening.mpg", std::string(movie.begin(), movie.end()));
    std::string sysconf;
    ASSERT_TRUE(ReadFile((demo.game / "system" / "sysconf.ini").string(), sysconf));
    WriteFile(demo.game / "system" / "sysconf.ini", sysconf + "\r\nMOV_NAME_OPENING=opening.mpg\r\n");

    std::string input;
    for (int f = 1; f <= kFrames; ++f)
        input += std::to_string(f) + " screenshot " + (demo.root / ("f" + std::to_string(f) + ".png")).string() + "\n";
    WriteFile(demo.root / "input.txt", input);
    const fs::path mix = demo.root / "mix.wav";
    RunResult r = demo.Run({"GX_INPUT_SCRIPT=" + (demo.root / "input.txt").string(),
                            "GX_EXIT_AFTER_FRAMES=" + std::to_string(kFrames), "GX_AUDIO_CAPTURE=" + mix.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string errors;
    ReadFile((demo.SaveFolder() / "error.log").string(), errors);
    EXPECT_LE(errors.size(), 2u) << "an error line (the log holds no more than its signature)";

    // The movie's place on the screen: its top-left quarter.
    std::vector<int> shown(kFrames + 1, -1);
    int firstPicture = 0;
    for (int f = 1; f <= kFrames; ++f) {
        Shot shot;
        ASSERT_TRUE(ReadShot(demo.root / ("f" + std::to_string(f) + ".png"), shot)) << f;
        shown[f] = ColorIndex(shot, 128, 96);
        if (!firstPicture && shown[f] >= 0) firstPicture = f;
    }
    ASSERT_GT(firstPicture, 1) << "the movie never showed";

    std::vector<int16_t> samples;
    ASSERT_TRUE(ReadCapture(mix, samples));
    ASSERT_EQ(samples.size(), size_t(kFrames) * 735 * 2);
    size_t firstSound = 0;
    while (firstSound < samples.size() && std::abs(samples[firstSound]) < 2000) ++firstSound;
    ASSERT_LT(firstSound, samples.size()) << "the movie's sound never came";
    for (size_t i = 0; i + 2 * 735 < firstSound; ++i) ASSERT_EQ(samples[i], 0) << "sound before the movie, at " << i;

    // Frame f's picture goes with the mix of its own main-loop pass.
    const double pictureMs = (firstPicture - 1) * kFrameMs;
    const double soundMs = double(firstSound / 2) * 1000.0 / 44100.0;
    EXPECT_NEAR(pictureMs, soundMs, 100.0) << "picture at frame " << firstPicture << ", sound at sample " << firstSound;

    // From then on the colour shown is the one of the movie's time that the sound has reached
    // when the frame begins (a movie frame either way), until the movie ends.
    int checked = 0;
    for (int f = firstPicture; f <= kFrames; ++f) {
        const double movieMs = (f - 1) * kFrameMs - soundMs;
        const int frame = static_cast<int>(movieMs / kMovieFrameMs);
        if (frame + 1 >= kMovieFrames) break;
        const int colour = shown[f];
        const bool near = colour == frame % 10 || colour == (frame + 9) % 10 || colour == (frame + 1) % 10;
        EXPECT_TRUE(near) << "frame " << f << " shows colour " << colour << " at movie time " << movieMs << " ms";
        ++checked;
    }
    EXPECT_GT(checked, 40);
}
