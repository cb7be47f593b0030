// The program itself, run headless on a copy of the demo game: frames, exit status, screenshot,
// logs, synthetic input, and the start-up failures that end it.
#include <fcntl.h>
#include <png.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>

#include "tests/app/core_test_util.h"
#include "tests/app/demo_run_util.h"
#include "tests/support/GxMoaPackageBuilder.h"

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
    RunResult r = demo.Run({"GX_EXIT_AFTER_FRAMES=30", "GX_AUDIO_CAPTURE=" + wav.string()});
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

// Polls until holds() is true, at most for a run's time limit; false when it never was.
template <class Holds>
bool WaitUntil(Holds holds)
{
    for (int waited = 0; waited < DemoCopy::kRunTimeoutMs; waited += 20) {
        if (holds()) return true;
        usleep(20 * 1000);
    }
    return false;
}

TEST(RunE2E, AScriptPackageThatDoesNotReadEndsStartUpWithAMessageNamingIt)
{
    DemoCopy demo;
    const std::filesystem::path package = demo.game / "bincode" / "moacode.mwb";
    std::string bytes;
    ASSERT_TRUE(ReadFile(package, bytes));
    const struct
    {
        const char* name;
        std::string content;
    } cases[] = {{"truncated", bytes.substr(0, bytes.size() / 2)}, {"empty", ""}};
    for (const auto& c : cases) {
        WriteFile(package, c.content);
        RunResult r = demo.Run({"GX_EXIT_AFTER_FRAMES=30"});
        EXPECT_EQ(r.status, 1) << c.name << "\n" << r.err;
        EXPECT_NE(r.err.find("[gxengine demo] スクリプトファイルの読み込みに失敗しました。\n[bincode/moacode.mwb]\n"),
                  std::string::npos)
            << c.name << "\n" << r.err;
        EXPECT_FALSE(std::filesystem::exists(demo.SaveFolder() / "userconf.dat")) << c.name << ": nothing ran";
    }

    // A package that reads but has no label MAIN runs as before: the title's start button leads
    // to the main play screen, and the error log says why no story starts.
    GxMoaPackageBuilder b;
    ASSERT_TRUE(b.AddScript(u"main.txt", "*PROLOGUE\n> hello\n")) << b.GetErrors();
    ASSERT_TRUE(b.WriteFile(package.string()));
    WriteFile(demo.root / "input.txt", "50 click left " + DemoStartButton() + "\n");
    RunResult r = demo.Run({"GX_INPUT_SCRIPT=" + (demo.root / "input.txt").string(), "GX_EXIT_AFTER_FRAMES=80"});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> errors = LogLines(demo.SaveFolder() / "error.log");
    EXPECT_NE(std::find(errors.begin(), errors.end(), "スクリプトにラベル MAIN が存在しないため実行できません"),
              errors.end());
    EXPECT_TRUE(std::filesystem::exists(demo.SaveFolder() / "userconf.dat"));
}

// The codec libraries are loaded when a movie opens, not at start-up: a run to the title loads
// the display and GL libraries but no FFmpeg library.
TEST(RunE2E, StartUpLoadsNoMovieLibrary)
{
    DemoCopy demo;
    const std::filesystem::path trace = demo.root / "ld";
    RunResult r = demo.Run({"GX_FIRST_FRAME_OF=SeqTitle", "LD_DEBUG=files", "LD_DEBUG_OUTPUT=" + trace.string()});
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
