// Replacing a data file: the old file survives every failure and every crash point whole, and
// the next write after a crash succeeds.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/GxAtomicFile.h"
#include "core/GxLog.h"
#include "core/GxString.h"
#include "tests/support/GxFailingDisk.h"
#include "tests/support/GxPackWriter.h"

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string Pattern(size_t size, char seed)
{
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>(seed + (i * 7) % 61);
    return s;
}

int LeftoverTemps(const std::string& folder)
{
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        n += e.path().filename().string().find(".tmp") != std::string::npos;
    return n;
}

GxAtomicWriteStage g_KillAt;
bool g_KillHalf;

void KillHook(GxAtomicWriteStage stage, int fd)
{
    if (stage != g_KillAt) return;
    if (g_KillHalf) {
        // What a crash in the middle of writing leaves: the temporary file holds half.
        const off_t size = lseek(fd, 0, SEEK_END);
        if (ftruncate(fd, size / 2) != 0) _exit(3);
    }
    raise(SIGKILL);
}

class AtomicFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.IsValid());
        GxSetErrorLogPath(GxUtf8ToWide(m_Folder.Path() + "/error.log"));
    }
    std::string Path(const char* name) const { return m_Folder.Path() + "/" + name; }
    // The error log as UTF-8 text (its UTF-16 units, ASCII kept).
    std::string ReadLogText() const
    {
        const std::string bytes = ReadAll(Path("error.log"));
        std::string text;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) text.push_back(bytes[i + 1] ? '?' : bytes[i]);
        return text;
    }
    GxTestGameFolder m_Folder;
};

TEST_F(AtomicFileTest, WritesNewFileAndReplacesOldOneLeavingNoTemporary)
{
    EXPECT_TRUE(GxAtomicWriteFile(u"data.bin", "first", 5));
    EXPECT_EQ(ReadAll(Path("data.bin")), "first");
    const std::string big = Pattern(100000, 'a');
    EXPECT_TRUE(GxAtomicWriteFile(u"data.bin", big.data(), big.size()));
    EXPECT_EQ(ReadAll(Path("data.bin")), big);
    EXPECT_EQ(LeftoverTemps(m_Folder.Path()), 0);
}

TEST_F(AtomicFileTest, ExistingFileIsMatchedWithoutCase)
{
    ASSERT_TRUE(m_Folder.Write("Save/UserConf.DAT", "old"));
    EXPECT_TRUE(GxAtomicWriteFile(u"save/userconf.dat", "new", 3));
    EXPECT_EQ(ReadAll(Path("Save/UserConf.DAT")), "new");
    EXPECT_FALSE(std::filesystem::exists(Path("save")));
}

TEST_F(AtomicFileTest, MissingFolderFailsAndLogs)
{
    EXPECT_FALSE(GxAtomicWriteFile(u"nowhere/data.bin", "x", 1));
    EXPECT_NE(ReadAll(Path("error.log")).size(), 0u);
}

TEST_F(AtomicFileTest, AbortKeepsOldFile)
{
    ASSERT_TRUE(m_Folder.Write("data.bin", "old"));
    {
        GxAtomicFileWriter w;
        ASSERT_TRUE(w.Open(u"data.bin"));
        std::fputs("partial", w.GetFile());
    }  // destroyed without Commit
    EXPECT_EQ(ReadAll(Path("data.bin")), "old");
    EXPECT_EQ(LeftoverTemps(m_Folder.Path()), 0);
}

TEST_F(AtomicFileTest, FullDiskKeepsOldFileAndReportsFailure)
{
    ASSERT_TRUE(m_Folder.Write("data.bin", "old content"));
    const std::string big = Pattern(200000, 'b');
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // The file-size limit stands in for a full disk: writes beyond it fail with EFBIG.
        signal(SIGXFSZ, SIG_IGN);
        rlimit lim{65536, 65536};
        setrlimit(RLIMIT_FSIZE, &lim);
        _exit(GxAtomicWriteFile(u"data.bin", big.data(), big.size()) ? 0 : 7);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7) << "a short write must not be reported as success";
    EXPECT_EQ(ReadAll(Path("data.bin")), "old content");
    EXPECT_EQ(LeftoverTemps(m_Folder.Path()), 0);
}

// The system's reason of a refused write reaches the log line and the caller, at each step
// where a disk can refuse: the temporary file, the bytes, their sync.
TEST_F(AtomicFileTest, ARefusedWriteNamesTheSystemsReason)
{
    const std::string big = Pattern(200000, 'c');
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit lim{65536, 65536};
        setrlimit(RLIMIT_FSIZE, &lim);
        const bool ok = GxAtomicWriteFile(u"data.bin", big.data(), big.size());
        _exit(!ok && GxGetAtomicWriteFailure() == u"File too large" ? 0 : 7);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NE(ReadLogText().find("Write Failed(data.bin: File too large)"), std::string::npos) << ReadLogText();

    {
        gxtest::FailingDisk disk(gxtest::GxDiskFault::Full, {"data.bin"});
        EXPECT_FALSE(GxAtomicWriteFile(u"data.bin", "x", 1));
        EXPECT_EQ(GxGetAtomicWriteFailure(), u"No space left on device");
        disk.Set(gxtest::GxDiskFault::ReadOnly, {"data.bin"});
        EXPECT_FALSE(GxAtomicWriteFile(u"data.bin", "x", 1));
        EXPECT_EQ(GxGetAtomicWriteFailure(), u"Read-only file system");
    }
    EXPECT_NE(ReadLogText().find("Sync Failed(data.bin: No space left on device)"), std::string::npos);
    EXPECT_NE(ReadLogText().find("Open Failed(data.bin: Read-only file system)"), std::string::npos);
    EXPECT_TRUE(GxAtomicWriteFile(u"data.bin", "x", 1));
    EXPECT_EQ(GxGetAtomicWriteFailure(), u"") << "a write that worked leaves no reason";
    EXPECT_EQ(LeftoverTemps(m_Folder.Path()), 0);
}

struct CrashCase
{
    const char* name;
    GxAtomicWriteStage stage;
    bool half;
    bool expectNew;
};

class AtomicFileCrashTest : public AtomicFileTest, public ::testing::WithParamInterface<CrashCase>
{
};

TEST_P(AtomicFileCrashTest, KilledWriterLeavesOldOrNewFileWhole)
{
    const CrashCase c = GetParam();
    const std::string oldData = Pattern(30000, 'A');
    const std::string newData = Pattern(50000, 'k');
    ASSERT_TRUE(GxAtomicWriteFile(u"data.bin", oldData.data(), oldData.size()));
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        g_KillAt = c.stage;
        g_KillHalf = c.half;
        GxSetAtomicWriteHook(&KillHook);
        GxAtomicWriteFile(u"data.bin", newData.data(), newData.size());
        _exit(0);  // never reached: the hook kills first
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_EQ(ReadAll(Path("data.bin")), c.expectNew ? newData : oldData);
    // The next write after the crash succeeds.
    EXPECT_TRUE(GxAtomicWriteFile(u"data.bin", "after", 5));
    EXPECT_EQ(ReadAll(Path("data.bin")), "after");
}

INSTANTIATE_TEST_SUITE_P(Stages, AtomicFileCrashTest,
                         ::testing::Values(CrashCase{"HalfWritten", GxAtomicWriteStage::DataWritten, true, false},
                                           CrashCase{"BeforeSync", GxAtomicWriteStage::DataWritten, false, false},
                                           CrashCase{"BeforeRename", GxAtomicWriteStage::Synced, false, false},
                                           CrashCase{"AfterRename", GxAtomicWriteStage::Renamed, false, true}),
                         [](const ::testing::TestParamInfo<CrashCase>& i) { return std::string(i.param.name); });

}  // namespace
