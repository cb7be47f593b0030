#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "platform/GxProcess.h"
#include "tests/support/GxSpawnStub.h"

namespace {

using gxtest::EnvGuard;
using gxtest::StubFolder;
using gxtest::StubRun;

// An engine descriptor without close-on-exec, as a library might leave one.
struct LeakyDescriptor
{
    int fd = open("/dev/null", O_RDONLY);
    ~LeakyDescriptor()
    {
        if (fd >= 0) close(fd);
    }
};

TEST(ProcessTest, WaitedChildSeesOnlyStandardDescriptorsAndItsArguments)
{
    StubFolder stubs;
    LeakyDescriptor leak;
    ASSERT_GT(leak.fd, 2);
    const std::string stub = stubs.Install("compiler");
    setenv("GX_STUB_EXIT", "3", 1);
    uint32_t code = 0;
    ASSERT_TRUE(GxRunProcessAndWait(stub, {"a b", "\"q\"", ""}, code));
    EXPECT_EQ(code, 3u);
    const std::vector<StubRun> runs = stubs.TakeRuns();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].args, (std::vector<std::string>{"a b", "\"q\"", ""}));
    EXPECT_EQ(runs[0].fds, (std::vector<int>{0, 1, 2}));
}

TEST(ProcessTest, StartedChildIsReapedAndInheritsNothing)
{
    StubFolder stubs;
    LeakyDescriptor leak;
    const std::string stub = stubs.Install("editor");
    ASSERT_TRUE(GxStartProcess(stub, {"x"}));
    GxWaitStartedProcesses();
    // Nothing is left to wait for: the helper reaped the child.
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
    const std::vector<StubRun> runs = stubs.TakeRuns();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].args, std::vector<std::string>{"x"});
    EXPECT_EQ(runs[0].fds, (std::vector<int>{0, 1, 2}));
}

TEST(ProcessTest, ProgramsThatCannotStartAreRefused)
{
    StubFolder stubs;
    uint32_t code = 77;
    EXPECT_FALSE(GxRunProcessAndWait(stubs.Path() + "/missing", {}, code));
    EXPECT_EQ(code, 77u);
    EXPECT_FALSE(GxRunProcessAndWait("", {}, code));
    EXPECT_FALSE(GxStartProcess(stubs.Path() + "/missing", {}));
    EXPECT_FALSE(GxStartProcess("", {}));
    // A failed start leaves no reaper waiting.
    GxWaitStartedProcesses();
}

TEST(ProcessTest, EnvironmentReferencesExpandKnownNamesOnly)
{
    EnvGuard env({"GX_T_A", "GX_T_UNSET"});
    setenv("GX_T_A", "/opt/ed", 1);
    unsetenv("GX_T_UNSET");
    const struct
    {
        const char* in;
        const char* out;
    } cases[] = {
        {"%GX_T_A%/bin", "/opt/ed/bin"},
        {"$GX_T_A/bin", "/opt/ed/bin"},
        {"${GX_T_A}x", "/opt/edx"},
        {"%GX_T_UNSET%/x", "%GX_T_UNSET%/x"},
        {"$GX_T_UNSET/x", "$GX_T_UNSET/x"},
        {"${GX_T_UNSET}", "${GX_T_UNSET}"},
        {"100% $ ${ %", "100% $ ${ %"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(GxExpandEnvironmentStrings(c.in), c.out) << c.in;
}

}  // namespace

namespace {

TEST(ProcessTest, DesktopEntryValuesBySectionAndKey)
{
    const std::string text = "# c\n[Desktop Entry]\nName=Ed\n Exec = ed %F \r\nbroken line\n[Other]\nExec=wrong\n";
    EXPECT_EQ(GxDesktopEntryValue(text, "Desktop Entry", "Exec"), "ed %F");
    EXPECT_EQ(GxDesktopEntryValue(text, "Other", "Exec"), "wrong");
    EXPECT_EQ(GxDesktopEntryValue(text, "Desktop Entry", "Icon"), "");
    EXPECT_EQ(GxDesktopEntryValue(text, "Missing", "Exec"), "");
    EXPECT_EQ(GxDesktopEntryValue("", "Desktop Entry", "Exec"), "");
}

}  // namespace
