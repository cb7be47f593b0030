// Termination requests: SIGTERM and SIGINT only set the flag, and a message box's watch ends
// the box's own process on a request, leaving older children alone.
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "platform/GxTermination.h"

namespace {

// A child that waits until it is killed (and never outlives the test).
pid_t StartWaitingChild()
{
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(0);
        for (;;) pause();
    }
    return pid;
}

TEST(Termination, SigtermAndSigintOnlyRaiseTheFlag)
{
    struct sigaction savedTerm{}, savedInt{};
    sigaction(SIGTERM, nullptr, &savedTerm);
    sigaction(SIGINT, nullptr, &savedInt);
    GxInstallTerminationHandlers();
    for (int sig : {SIGTERM, SIGINT}) {
        GxClearTerminationRequest();
        EXPECT_FALSE(GxIsTerminationRequested());
        ASSERT_EQ(raise(sig), 0);  // the test goes on: the signal ended nothing
        EXPECT_TRUE(GxIsTerminationRequested()) << strsignal(sig);
    }
    GxClearTerminationRequest();
    sigaction(SIGTERM, &savedTerm, nullptr);
    sigaction(SIGINT, &savedInt, nullptr);
}

TEST(Termination, TheBoxWatchEndsTheChildrenStartedWhileItLivesOnARequest)
{
    GxClearTerminationRequest();
    const pid_t older = StartWaitingChild();
    ASSERT_GT(older, 0);
    {
        GxMessageBoxWatch watch;
        const pid_t box = StartWaitingChild();
        ASSERT_GT(box, 0);
        EXPECT_EQ(GxListChildProcesses(getpid()), (std::vector<int>{std::min(older, box), std::max(older, box)}));
        EXPECT_FALSE(watch.Ended());
        GxRequestTermination();
        // The wait that a box's caller does returns once the watch has ended the box.
        int status = 0;
        ASSERT_EQ(waitpid(box, &status, 0), box);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        EXPECT_TRUE(watch.Ended());
    }
    GxClearTerminationRequest();
    EXPECT_EQ(waitpid(older, nullptr, WNOHANG), 0) << "a child from before the box still runs";
    kill(older, SIGKILL);
    waitpid(older, nullptr, 0);
    EXPECT_TRUE(GxListChildProcesses(getpid()).empty());
}

}  // namespace
