// What the player set or unlocked survives the program: killed (SIGKILL) after the settings
// closed with a change, or after a picture was unlocked, the next start has them; on a save
// folder that is read-only or on a full file system the player is told at the quit, the reason
// is logged where a log can be written, and the next start has the old setting.
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
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

constexpr int kGuardMs = 120 * 1000;  // a run that never gets there fails, it does not hang

// Waits until the file has been written and closed, on the folder's inotify events rather than
// a clock. False when it has not come within the guard time.
bool WaitForFile(const fs::path& file, int guardMs)
{
    const int fd = inotify_init1(IN_CLOEXEC);
    if (fd < 0) return false;
    const int watch = inotify_add_watch(fd, file.parent_path().c_str(), IN_CLOSE_WRITE | IN_MOVED_TO);
    bool seen = fs::exists(file);
    while (!seen && watch >= 0) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, guardMs) <= 0) break;
        char events[4096];
        const ssize_t n = read(fd, events, sizeof events);
        if (n <= 0) break;
        for (ssize_t at = 0; at < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(events + at);
            if (e->len && file.filename() == e->name) seen = true;
            at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
        }
    }
    close(fd);
    return seen;
}

// An on / off pair of the settings' system page: the lit one is orange (more red than blue).
bool Lit(const Shot& shot, int x, int y)
{
    const uint32_t c = shot.At(uint32_t(x - 36), uint32_t(y - 12));
    return (c >> 16 & 0xFF) > (c & 0xFF);
}

constexpr int kSkipUnreadOption = 2;  // 未読もスキップ
const int kSkipUnreadY = OptionTop(kSkipUnreadOption) + kOptionHeight / 2;

// The title, the settings, 未読もスキップ on and back to the title (the settings close).
Input SkipUnreadOnAndClose()
{
    Input in;
    in.SkipOpening().Click(50, TitleButtonX(kConfig), TitleButtonY(kConfig));
    in.Click(95, kOnX, kSkipUnreadY).Click(105, 512, 600, "right");
    return in;
}

// The settings' system page as the next start shows it.
Input ShowTheSettings(const fs::path& shot)
{
    Input in;
    in.SkipOpening().Click(50, TitleButtonX(kConfig), TitleButtonY(kConfig)).Shot(90, shot);
    return in;
}

// Starts the run and kills it (SIGKILL) once the frame that writes the screenshot has run.
void RunAndKillAfter(const DemoCopy& demo, const Input& in, const fs::path& shot)
{
    const fs::path script = demo.root / "input.txt";
    WriteFile(script, in.text);
    const pid_t pid = demo.Start({"GX_INPUT_SCRIPT=" + script.string(), "GX_EXIT_AFTER_FRAMES=100000"});
    ASSERT_GT(pid, 0);
    const bool reached = WaitForFile(shot, kGuardMs);
    kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(reached) << demo.Err();
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << demo.Err();
}

TEST(KeptDataE2E, KilledAfterTheSettingsClosedTheNextStartHasTheNewSetting)
{
    DemoCopy demo;
    const fs::path after = demo.root / "after.png", next = demo.root / "next.png";
    Input in = SkipUnreadOnAndClose();
    in.Shot(115, after);
    RunAndKillAfter(demo, in, after);
    for (const auto& e : fs::directory_iterator(demo.SaveFolder()))
        EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();

    const RunResult r = demo.Play(ShowTheSettings(next), 95);
    ASSERT_EQ(r.status, 0) << r.err;
    Shot s;
    ASSERT_TRUE(ReadShot(next, s)) << r.err;
    EXPECT_TRUE(Lit(s, kOnX, kSkipUnreadY)) << "未読もスキップ on, as the killed run left it";
    EXPECT_FALSE(Lit(s, kOffX, kSkipUnreadY));
}

TEST(KeptDataE2E, KilledAfterAnUnlockTheNextStartHasIt)
{
    DemoCopy demo;
    const fs::path after = demo.root / "after.png", gallery = demo.root / "gallery.png";
    Input in;
    in.SkipOpening().Click(50, TitleButtonX(kStart), TitleButtonY(kStart));
    for (int f = 80; f < 370; f += 4) in.Click(f, 512, 100);      // on to the choice
    in.Click(405, kChoiceX, kChoiceFirstY).Shot(500, after);        // its event picture is shown
    RunAndKillAfter(demo, in, after);

    Input next;
    next.SkipOpening().Click(50, TitleButtonX(kGallery), TitleButtonY(kGallery)).Shot(90, gallery);
    const RunResult r = demo.Play(next, 95);
    ASSERT_EQ(r.status, 0) << r.err;
    Shot s;
    ASSERT_TRUE(ReadShot(gallery, s)) << r.err;
    EXPECT_EQ(Hex(s.At(GallerySlotX(0), GallerySlotY(0))), Hex(kThumbnailColor)) << "the picture's set unlocked";
}

// ---- a save folder that refuses writes --------------------------------------------------------

enum class Refusal { ReadOnly, Full };

bool WriteWhole(const std::string& path, const std::string& bytes)
{
    std::ofstream f(path, std::ios::binary);
    f << bytes;
    return bool(f.flush());
}

// In a child of its own: a mount namespace (and, without root, a user namespace) in which the
// save folder is either the same folder mounted read-only or a tmpfs with the folder's files on
// it and no page left free (the logs keep the room in their last page). 0 when it stands, 77
// when the system allows no such namespace.
int MakeRefusingFolder(const fs::path& save, Refusal refusal)
{
    const uid_t uid = geteuid();
    const gid_t gid = getegid();
    if (uid == 0) {
        if (unshare(CLONE_NEWNS) != 0) return 77;
    } else {
        if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return 77;
        if (!WriteWhole("/proc/self/setgroups", "deny") ||
            !WriteWhole("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
            !WriteWhole("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1"))
            return 77;
    }
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return 77;
    const std::string folder = save.string();
    if (refusal == Refusal::ReadOnly) {
        struct statvfs st {};
        statvfs(folder.c_str(), &st);
        unsigned long keep = 0;  // flags a user namespace may not drop
        if (st.f_flag & ST_NOSUID) keep |= MS_NOSUID;
        if (st.f_flag & ST_NODEV) keep |= MS_NODEV;
        if (st.f_flag & ST_NOEXEC) keep |= MS_NOEXEC;
        if (mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0) return 77;
        if (mount(nullptr, folder.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY | keep, nullptr) != 0) return 77;
        return 0;
    }
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(save)) {
        std::string bytes;
        if (e.is_regular_file() && ReadFile(e.path(), bytes)) files[e.path().filename().string()] = bytes;
    }
    if (mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=256k") != 0) return 77;
    for (const auto& [name, bytes] : files)
        if (!WriteWhole(folder + "/" + name, bytes)) return 3;
    for (const char* log : {"error.log", "debug.log"})
        if (!files.count(log) && !WriteWhole(folder + "/" + log, "\xFF\xFE")) return 3;
    // Every page taken: the filler grows until the file system refuses even one byte.
    const int fd = open((folder + "/filler").c_str(), O_WRONLY | O_CREAT, 0600);
    if (fd < 0) return 3;
    static char chunk[4096];
    for (size_t size = sizeof chunk; size > 0; size /= 2)
        while (write(fd, chunk, size) == static_cast<ssize_t>(size)) {
        }
    close(fd);
    return 0;
}

// Runs the program in the refusing folder: the settings changed and closed, then the quit;
// then the next start shows the settings. The first run's stderr and the folder's error log
// are copied out of the namespace. 77 when no namespace could be made.
int RunInRefusingFolder(const DemoCopy& demo, Refusal refusal, const fs::path& out)
{
    const int made = MakeRefusingFolder(demo.SaveFolder(), refusal);
    if (made != 0) return made;
    auto play = [&](const Input& in, int frames) {
        const fs::path script = demo.root / "input.txt";
        WriteFile(script, in.text);
        return demo.Run({"GX_INPUT_SCRIPT=" + script.string(), "GX_EXIT_AFTER_FRAMES=" + std::to_string(frames)});
    };
    const RunResult first = play(SkipUnreadOnAndClose(), 160);
    WriteFile(out / "first.status", std::to_string(first.status));
    WriteFile(out / "first.err", first.err);
    std::string log;
    if (ReadFile(demo.SaveFolder() / "error.log", log)) WriteFile(out / "error.log", log);
    const RunResult next = play(ShowTheSettings(out / "next.png"), 95);
    WriteFile(out / "next.status", std::to_string(next.status));
    WriteFile(out / "next.err", next.err);
    return 0;
}

class RefusingFolder : public ::testing::TestWithParam<Refusal>
{
};

TEST_P(RefusingFolder, TheQuitTellsThePlayerAndTheNextStartHasTheOldSetting)
{
    DemoCopy demo;
    // A first run makes the folder with its options and permanent data.
    ASSERT_EQ(demo.Run({"GX_EXIT_AFTER_FRAMES=2"}).status, 0);
    ASSERT_TRUE(fs::exists(demo.SaveFolder() / "userconf.dat"));
    const std::string before = [&] {
        std::string bytes;
        ReadFile(demo.SaveFolder() / "userconf.dat", bytes);
        return bytes;
    }();
    const fs::path out = demo.root / "out";
    fs::create_directories(out);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) _exit(RunInRefusingFolder(demo, GetParam(), out));
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no mount namespace can be made here";
    ASSERT_EQ(WEXITSTATUS(status), 0);

    std::string text, err, log;
    ReadFile(out / "first.status", text);
    ReadFile(out / "first.err", err);
    EXPECT_EQ(text, "0") << err;
    // The quit's message box (headless: on stderr), naming the options among what was lost.
    EXPECT_NE(err.find("[gxengine demo] 設定"), std::string::npos) << err;
    EXPECT_NE(err.find("の保存に失敗しました"), std::string::npos) << err;
    const char* reason = GetParam() == Refusal::ReadOnly ? "Read-only file system" : "No space left on device";
    const std::string line = "Error/GxUserConfig Save Failed(" + demo.SaveFolder().string() + "/userconf.dat: " + reason + ")";
    if (GetParam() == Refusal::ReadOnly) {
        // No log can be written there: the lines went to stderr.
        EXPECT_NE(err.find(line), std::string::npos) << err;
    } else {
        const std::vector<std::string> lines = LogLines(out / "error.log");
        bool found = false;
        for (const std::string& l : lines) found |= l == line;
        EXPECT_TRUE(found) << "error.log:\n" << [&] {
            std::string all;
            for (const std::string& l : lines) all += l + "\n";
            return all;
        }();
    }

    ReadFile(out / "next.status", text);
    ReadFile(out / "next.err", err);
    EXPECT_EQ(text, "0") << err;
    Shot s;
    ASSERT_TRUE(ReadShot(out / "next.png", s)) << err;
    EXPECT_TRUE(Lit(s, kOffX, kSkipUnreadY)) << "the old setting";
    EXPECT_FALSE(Lit(s, kOnX, kSkipUnreadY));
    std::string after;
    ReadFile(demo.SaveFolder() / "userconf.dat", after);
    if (GetParam() == Refusal::ReadOnly) EXPECT_EQ(after, before) << "the file is as it was";
}

INSTANTIATE_TEST_SUITE_P(Folders, RefusingFolder, ::testing::Values(Refusal::ReadOnly, Refusal::Full),
                         [](const ::testing::TestParamInfo<Refusal>& i) {
                             return std::string(i.param == Refusal::ReadOnly ? "ReadOnly" : "Full");
                         });

}  // namespace
