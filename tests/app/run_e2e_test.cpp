// The program itself, run headless on a copy of the demo game: frames, exit status, screenshot,
// logs, synthetic input, the start-up failures that end it, and SIGTERM and SIGINT at start-up
// and in the main loop.
#include <fcntl.h>
#include <png.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "platform/GxTermination.h"
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
    WriteFile(demo.root / "input.txt",
              Input().SkipOpening().Click(50, gxdemo::TitleButtonX(gxdemo::kStart), gxdemo::TitleButtonY(gxdemo::kStart)).text);
    RunResult r = demo.Run({"GX_INPUT_SCRIPT=" + (demo.root / "input.txt").string(), "GX_EXIT_AFTER_FRAMES=80"});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> errors = LogLines(demo.SaveFolder() / "error.log");
    EXPECT_NE(std::find(errors.begin(), errors.end(), "スクリプトにラベル MAIN が存在しないため実行できません"),
              errors.end());
    EXPECT_TRUE(std::filesystem::exists(demo.SaveFolder() / "userconf.dat"));
}

// The first run's notice that the save folder was made is a box that waits for its click; held
// open headless as it would be in a window, it must not keep SIGTERM from ending the program.
TEST(RunE2E, SigtermEndsTheProgramWhileTheFirstRunNoticeWaits)
{
    DemoCopy demo;
    const pid_t pid = demo.Start({"GX_HOLD_MESSAGE_BOXES=1"});
    ASSERT_GT(pid, 0);
    std::vector<int> holders;
    const bool waiting = WaitUntil([&] {
        holders = GxListChildProcesses(pid);
        return !holders.empty() && demo.Err().find("マイドキュメントにセーブフォルダ[") != std::string::npos;
    });
    EXPECT_TRUE(waiting) << demo.Err();
    kill(pid, SIGTERM);
    RunResult r = demo.Wait(pid);
    EXPECT_EQ(r.status, 0) << r.err;
    // Start-up stopped at the notice: nothing was written, and the box went with the program.
    EXPECT_FALSE(std::filesystem::exists(demo.SaveFolder() / "userconf.dat"));
    EXPECT_FALSE(std::filesystem::exists(demo.SaveFolder() / "permanent.dat"));
    for (int holder : holders) EXPECT_NE(kill(holder, 0), 0) << "the box's process " << holder << " is left";
}

// An X server of its own (Xvfb on a free display number) for as long as it lives; Display()
// is empty when Xvfb is not installed or does not start.
class Xvfb
{
public:
    Xvfb()
    {
        int fds[2];
        if (pipe(fds) != 0) return;
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, fds[1], 3);
        posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
        char a0[] = "Xvfb", a1[] = "-displayfd", a2[] = "3", a3[] = "-screen", a4[] = "0", a5[] = "1024x768x24",
             a6[] = "-nolisten", a7[] = "tcp";
        char* argv[] = {a0, a1, a2, a3, a4, a5, a6, a7, nullptr};
        if (posix_spawnp(&m_Pid, "Xvfb", &fa, nullptr, argv, environ) != 0) m_Pid = -1;
        posix_spawn_file_actions_destroy(&fa);
        close(fds[1]);
        // The server writes its display number once it accepts clients; nothing when it fails.
        std::string number;
        char c = 0;
        pollfd ready{fds[0], POLLIN, 0};
        while (m_Pid > 0 && poll(&ready, 1, DemoCopy::kRunTimeoutMs) == 1 && read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        if (!number.empty()) m_Display = ":" + number;
    }
    ~Xvfb()
    {
        if (m_Pid <= 0) return;
        kill(m_Pid, SIGTERM);
        waitpid(m_Pid, nullptr, 0);
    }
    const std::string& Display() const { return m_Display; }

private:
    pid_t m_Pid = -1;
    std::string m_Display;
};

// The same with the real box of a window system: SDL shows it from a process of its own and
// waits for that process whatever signal comes.
TEST(RunE2E, SigtermClosesTheRealMessageBoxAndEndsTheProgram)
{
    Xvfb x;
    if (x.Display().empty()) GTEST_SKIP() << "no Xvfb";
    DemoCopy demo;
    // No session bus: its autolaunch would be a short-lived child that looks like the box's.
    const pid_t pid =
        demo.Start({"DISPLAY=" + x.Display(), "SDL_AUDIODRIVER=dummy", "DBUS_SESSION_BUS_ADDRESS=disabled:"}, {}, false);
    ASSERT_GT(pid, 0);
    std::vector<int> boxes;
    // Without the X server's fonts SDL cannot make its box and the text goes to stderr instead.
    const bool shown = WaitUntil([&] {
        boxes = GxListChildProcesses(pid);
        return !boxes.empty() || !demo.Err().empty();
    });
    if (!shown || boxes.empty()) {
        kill(pid, SIGKILL);
        demo.Wait(pid);
        GTEST_SKIP() << "the X server cannot show SDL's box: " << demo.Err();
    }
    kill(pid, SIGTERM);
    RunResult r = demo.Wait(pid);
    // SDL's process for the box may also have been one that failed to make it.
    if (r.err.find("マイドキュメントにセーブフォルダ[") != std::string::npos)
        GTEST_SKIP() << "the X server cannot show SDL's box: " << r.err;
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(std::filesystem::exists(demo.SaveFolder() / "userconf.dat"));
    for (int box : boxes) EXPECT_NE(kill(box, 0), 0) << "the box's process " << box << " is left";
}

TEST(RunE2E, SigtermAndSigintInTheMainLoopQuitAsTheProgramDoesAndSave)
{
    for (int sig : {SIGTERM, SIGINT}) {
        DemoCopy demo;
        const std::filesystem::path running = demo.root / "running.png";
        WriteFile(demo.root / "input.txt", "3 screenshot " + running.string() + "\n");
        // No frame limit: only the signal can end this run.
        const pid_t pid = demo.Start({"GX_INPUT_SCRIPT=" + (demo.root / "input.txt").string()});
        ASSERT_GT(pid, 0);
        EXPECT_TRUE(WaitUntil([&] { return std::filesystem::exists(running); })) << demo.Err();
        kill(pid, sig);
        RunResult r = demo.Wait(pid);
        EXPECT_EQ(r.status, 0) << strsignal(sig) << "\n" << r.err;
        EXPECT_TRUE(std::filesystem::exists(demo.SaveFolder() / "userconf.dat")) << strsignal(sig);
        EXPECT_TRUE(std::filesystem::exists(demo.SaveFolder() / "permanent.dat")) << strsignal(sig);
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
