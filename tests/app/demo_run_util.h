// Runs the program headless in a copy of the demo game, with its own documents and runtime
// folders, and collects its exit status and stderr; builds the timed input scripts of those runs
// and reads the error log they leave.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/app/core_test_util.h"
#include "tests/support/GxDemoGame.h"

extern char** environ;

namespace coretest {

// A timed input script (the harness's syntax), built event by event; frames count from 1.
struct Input
{
    std::string text;

    Input& At(int frame, const std::string& event)
    {
        text += std::to_string(frame) + " " + event + "\n";
        return *this;
    }
    Input& Click(int frame, int x, int y, const char* button = "left")
    {
        return At(frame, std::string("click ") + button + " " + std::to_string(x) + " " + std::to_string(y));
    }
    Input& Move(int frame, int x, int y) { return At(frame, "move " + std::to_string(x) + " " + std::to_string(y)); }
    Input& Key(int frame, const std::string& key) { return At(frame, "key " + key); }
    Input& Shot(int frame, const std::filesystem::path& file) { return At(frame, "screenshot " + file.string()); }
    // Ctrl held while the boot screen runs: the opening movie is skipped and the title is current
    // from frame 2 (its buttons take clicks once its fade-in is over, from about frame 30).
    Input& SkipOpening() { return At(1, "keydown Left Ctrl").At(3, "keyup Left Ctrl"); }
};

// The lines of a log file (UTF-16LE with its signature), empty when there is none.
inline std::vector<std::string> LogLines(const std::filesystem::path& file)
{
    std::string bytes;
    std::vector<std::string> lines;
    if (!ReadFile(file.string(), bytes)) return lines;
    std::u16string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        text.push_back(char16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8));
    if (!text.empty() && text[0] == 0xFEFF) text.erase(0, 1);
    std::string utf8 = GxWideToUtf8(text), line;
    for (char c : utf8) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty()) lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}


struct RunResult
{
    int status = -1;
    std::string err;
};

// A copy of demo/ as the game folder, with its own documents and runtime folders.
struct DemoCopy : TempGame
{
    static constexpr int kRunTimeoutMs = 120 * 1000;

    DemoCopy() : TempGame("")
    {
        std::filesystem::copy(std::filesystem::path(GX_SOURCE_DIR) / "demo", game,
                              std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
    }

    // The developer mode an author turns on in the game's "setting.ini": the frame-rate keys
    // (F5 to F7) and caption, the console (F8), the variable dumps (F1, F2), and every logged
    // error shown over the game. The shipped demo runs without it.
    void UseDeveloperMode() const { WriteFile(game / "setting.ini", "DebugModeFlag=1\nSkipSlightError=0\n"); }

    RunResult Run(const std::vector<std::string>& extraEnv, const std::filesystem::path& cwd = {}) const
    {
        return Wait(Start(extraEnv, cwd));
    }

    // Starts the program without waiting: its process id, or -1. With headless false no
    // GX_HEADLESS is set (DISPLAY then decides, e.g. a test's own Xvfb).
    pid_t Start(const std::vector<std::string>& extraEnv, const std::filesystem::path& cwd = {},
                bool headless = true) const
    {
        std::vector<std::string> env = {"GX_UNPACED=1", "XDG_DOCUMENTS_DIR=" + docs.string(),
                                        "XDG_RUNTIME_DIR=" + locks.string(), "HOME=" + root.string(),
                                        "LP_NUM_THREADS=2"};
        if (headless) env.push_back("GX_HEADLESS=1");
        // The program loads Mesa, whose driver leaks a few bytes at unload.
        std::string asan = "ASAN_OPTIONS=detect_leaks=0";
        for (char** e = environ; *e; ++e) {
            std::string kv = *e;
            std::string key = kv.substr(0, kv.find('='));
            if (key == "ASAN_OPTIONS") asan = kv + ":detect_leaks=0";
            else if (key == "UBSAN_OPTIONS" || key == "PATH") env.push_back(kv);
        }
        env.push_back(asan);
        // An extra variable replaces a default of the same name (GX_UNPACED=0 for a paced run).
        for (const auto& e : extraEnv) {
            const std::string key = e.substr(0, e.find('=') + 1);
            std::erase_if(env, [&](const std::string& kv) { return kv.compare(0, key.size(), key) == 0; });
            env.push_back(e);
        }
        std::vector<char*> envp;
        for (auto& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);

        const std::string errPath = ErrPath();
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addchdir_np(&fa, (cwd.empty() ? game : cwd).c_str());
        std::string program = std::string(GX_BINARY_DIR) + "/gxplay";
        char* argv[] = {program.data(), nullptr};
        pid_t pid = 0;
        const int started = posix_spawn(&pid, program.c_str(), &fa, nullptr, argv, envp.data());
        posix_spawn_file_actions_destroy(&fa);
        return started == 0 ? pid : -1;
    }

    // Waits for a started run to end and collects its status and stderr.
    RunResult Wait(pid_t pid) const
    {
        RunResult r;
        if (pid <= 0) return r;
        // A run that does not end by itself is a failure of the test, not a hang of the suite.
        int ws = 0;
        bool timedOut = true;
        for (int waited = 0; waited < kRunTimeoutMs; waited += 20) {
            if (waitpid(pid, &ws, WNOHANG) == pid) {
                timedOut = false;
                break;
            }
            usleep(20 * 1000);
        }
        if (timedOut) {
            kill(pid, SIGKILL);
            waitpid(pid, &ws, 0);
        }
        r.status = timedOut ? -2 : (WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws));
        ReadFile(ErrPath(), r.err);
        if (timedOut) r.err += "\n(the run did not end within the time limit and was killed)";
        return r;
    }

    // The stderr of the run so far.
    std::string Err() const
    {
        std::string err;
        ReadFile(ErrPath(), err);
        return err;
    }

    std::string ErrPath() const { return (root / "stderr.txt").string(); }

    std::filesystem::path SaveFolder() const { return docs / "gxengine_demo_SAVE"; }

    // A run with the input script for the given number of frames (and more variables).
    RunResult Play(const Input& input, int frames, std::vector<std::string> env = {}) const
    {
        const std::filesystem::path script = root / "input.txt";
        WriteFile(script, input.text);
        env.push_back("GX_INPUT_SCRIPT=" + script.string());
        env.push_back("GX_EXIT_AFTER_FRAMES=" + std::to_string(frames));
        RunResult r = Run(env);
        // Undefined behaviour in a sanitizer build is reported on stderr and the run goes on.
        EXPECT_EQ(r.err.find("runtime error:"), std::string::npos) << r.err;
        return r;
    }

    // The lines of the save folder's error log (UTF-16LE with its signature); none when there is
    // no log.
    std::vector<std::string> ErrorLog() const { return LogLines(SaveFolder() / "error.log"); }
};

}  // namespace coretest
