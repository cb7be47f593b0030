#include "platform/GxProcess.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

extern char** environ;

bool GxRunProcessAndWait(const std::string& program, const std::vector<std::string>& args, uint32_t& exitCode)
{
    if (program.empty()) return false;
    std::vector<char*> argv;
    argv.reserve(args.size() + 2);
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    pid_t pid = 0;
    // posix_spawnp reports a program that cannot be executed as an error of the call itself.
    if (posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return false;

    int status = 0;
    for (;;) {
        const pid_t r = waitpid(pid, &status, 0);
        if (r == pid) break;
        if (r < 0 && errno != EINTR) return false;
    }
    if (WIFEXITED(status)) {
        exitCode = static_cast<uint32_t>(WEXITSTATUS(status));
    } else if (WIFSIGNALED(status)) {
        exitCode = 128u + static_cast<uint32_t>(WTERMSIG(status));
    } else {
        exitCode = 1;
    }
    return true;
}
