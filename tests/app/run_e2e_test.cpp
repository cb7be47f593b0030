// The program itself, run headless on a copy of the demo game: frames, exit status, screenshot,
// logs, synthetic input, and the start-up failures that end it.
#include <fcntl.h>
#include <png.h>
#include <sys/file.h>
#include <unistd.h>

#include "tests/app/core_test_util.h"
#include "tests/app/demo_run_util.h"

using namespace coretest;

namespace {

TEST(RunE2E, HeadlessFramesEndCleanlyWithAScreenshotOfTheScreenSize)
{
    DemoCopy demo;
    const std::filesystem::path shot = demo.root / "shot.png";
    RunResult r = demo.Run({"GX_EXIT_AFTER_FRAMES=30", "GX_SCREENSHOT=" + shot.string()});
    EXPECT_EQ(r.status, 0) << r.err;

    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&img, shot.c_str())) << r.err;
    EXPECT_EQ(img.width, 1024u);
    EXPECT_EQ(img.height, 768u);
    png_image_free(&img);

    // The save folder was made in the documents folder (announced once) and holds the logs.
    EXPECT_TRUE(std::filesystem::is_directory(demo.SaveFolder()));
    EXPECT_NE(r.err.find("マイドキュメントにセーブフォルダ["), std::string::npos) << r.err;
    // The demo loads without errors, so the device log is the one every run writes.
    EXPECT_TRUE(std::filesystem::exists(demo.SaveFolder() / "device.log"));

    // A second run finds the folder: no message at all.
    r = demo.Run({"GX_EXIT_AFTER_FRAMES=2"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
}

TEST(RunE2E, AudioCaptureWritesOneFramesWorthOfMixPerFrame)
{
    DemoCopy demo;
    const std::filesystem::path wav = demo.root / "mix.wav";
    // Ctrl held at the start skips the opening movie and its sound: the title is silent.
    RunResult r = demo.Play(Input().SkipOpening(), 30, {"GX_AUDIO_CAPTURE=" + wav.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    std::string bytes;
    ASSERT_TRUE(ReadFile(wav.string(), bytes)) << r.err;
    // 30 frames of 44100 / 60 stereo 16-bit frames after the 44-byte header; nothing plays yet.
    ASSERT_EQ(bytes.size(), 44u + 30u * 735u * 4u);
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(bytes.substr(8, 4), "WAVE");
    EXPECT_EQ(bytes.find_first_not_of('\0', 44), std::string::npos);

    // A capture that cannot be written is an error of the run, told on stderr.
    r = demo.Run({"GX_EXIT_AFTER_FRAMES=2", "GX_AUDIO_CAPTURE=" + (demo.root / "no/such/folder/mix.wav").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("sound capture"), std::string::npos) << r.err;
}

TEST(RunE2E, InputScriptDrivesTheWindowAndACloseEndsTheProgram)
{
    DemoCopy demo;
    WriteFile(demo.root / "input.txt", "1 move 10 10\n2 click left 512 384\n3 key F4\n4 key F4\n5 close\n6 close\n");
    // No frame limit: only the scripted close can end this run. The first close asks whether to
    // quit; the second one quits.
    RunResult r = demo.Run({"GX_INPUT_SCRIPT=" + (demo.root / "input.txt").string()});
    EXPECT_EQ(r.status, 0) << r.err;

    WriteFile(demo.root / "bad.txt", "1 move 10\n");
    r = demo.Run({"GX_INPUT_SCRIPT=" + (demo.root / "bad.txt").string(), "GX_EXIT_AFTER_FRAMES=2"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("line 1: move needs"), std::string::npos) << r.err;
}

TEST(RunE2E, StartUpFailuresEndWithAMessageAndANonZeroStatus)
{
    DemoCopy demo;
    // A second instance while the first holds the title's lock.
    {
        const std::string lock = (demo.locks / ("gxengine-" + std::to_string(getuid()) + "-gxengine demo.lock")).string();
        int fd = open(lock.c_str(), O_RDWR | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
        RunResult r = demo.Run({"GX_EXIT_AFTER_FRAMES=2"});
        close(fd);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("[gxengine demo] 既に起動中です"), std::string::npos) << r.err;
    }
    // Not started from a game folder.
    {
        RunResult r = demo.Run({"GX_EXIT_AFTER_FRAMES=2"}, demo.root);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("システム設定ファイルの読み込みに失敗しました。"), std::string::npos) << r.err;
    }
    // A malformed frame count.
    {
        RunResult r = demo.Run({"GX_EXIT_AFTER_FRAMES=ten"});
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("GX_EXIT_AFTER_FRAMES"), std::string::npos) << r.err;
    }
}

// The codec libraries are loaded when a movie opens, not at start-up: a run to the title (the
// opening movie skipped with Ctrl) loads the display and GL libraries but no FFmpeg library.
TEST(RunE2E, StartUpLoadsNoMovieLibrary)
{
    DemoCopy demo;
    const std::filesystem::path trace = demo.root / "ld";
    WriteFile(demo.root / "input.txt", Input().SkipOpening().text);
    RunResult r = demo.Run({"GX_FIRST_FRAME_OF=SeqTitle", "LD_DEBUG=files", "LD_DEBUG_OUTPUT=" + trace.string(),
                            "GX_INPUT_SCRIPT=" + (demo.root / "input.txt").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string loaded;
    for (const auto& e : std::filesystem::directory_iterator(demo.root)) {
        if (e.path().filename().string().rfind("ld.", 0) != 0) continue;
        std::string text;
        ASSERT_TRUE(ReadFile(e.path().string(), text));
        loaded += text;
    }
    ASSERT_NE(loaded.find("libSDL2"), std::string::npos) << "no loader trace was written";
    for (const char* lib : {"libavcodec", "libavformat", "libavutil", "libswscale", "libswresample"})
        EXPECT_EQ(loaded.find(lib), std::string::npos) << lib << " was loaded";
}

}  // namespace
