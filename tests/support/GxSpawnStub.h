// The stand-in program (gx_spawn_stub) for tests that start editors and the script compiler:
// copies of it under chosen names in a scratch folder, its report read back, and the process
// environment saved and restored around a test.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace gxtest {

// One run of the stub: its program name, its arguments and the descriptors it held open.
struct StubRun
{
    std::string program;
    std::vector<std::string> args;
    std::vector<int> fds;
};

// Saves the named environment variables and restores them (set or unset) on destruction.
class EnvGuard
{
public:
    explicit EnvGuard(std::vector<std::string> names);
    ~EnvGuard();
    EnvGuard(const EnvGuard&) = delete;
    EnvGuard& operator=(const EnvGuard&) = delete;

private:
    std::map<std::string, std::optional<std::string>> m_Saved;
};

// A scratch folder holding stubs; GX_STUB_OUT points at its report file while it lives.
class StubFolder
{
public:
    StubFolder();
    ~StubFolder();
    StubFolder(const StubFolder&) = delete;
    StubFolder& operator=(const StubFolder&) = delete;

    const std::string& Path() const { return m_Path; }
    // A stub named name in the folder (or in sub, a folder below it); its absolute path.
    std::string Install(const std::string& name, const std::string& sub = "");
    // The runs recorded so far, in order; clears the report.
    std::vector<StubRun> TakeRuns();

private:
    std::string m_Path;
    EnvGuard m_Env{{"GX_STUB_OUT", "GX_STUB_EXIT"}};
};

}  // namespace gxtest
