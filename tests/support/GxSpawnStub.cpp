#include "tests/support/GxSpawnStub.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace gxtest {

EnvGuard::EnvGuard(std::vector<std::string> names)
{
    for (const std::string& n : names) {
        const char* v = std::getenv(n.c_str());
        m_Saved[n] = v ? std::optional<std::string>(v) : std::nullopt;
    }
}

EnvGuard::~EnvGuard()
{
    for (const auto& [name, value] : m_Saved) {
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }
}

StubFolder::StubFolder()
{
    std::string tmpl = (std::filesystem::temp_directory_path() / "gxstubXXXXXX").string();
    if (mkdtemp(tmpl.data())) m_Path = tmpl;
    setenv("GX_STUB_OUT", (m_Path + "/runs.txt").c_str(), 1);
    unsetenv("GX_STUB_EXIT");
}

StubFolder::~StubFolder()
{
    std::error_code ec;
    if (!m_Path.empty()) std::filesystem::remove_all(m_Path, ec);
}

std::string StubFolder::Install(const std::string& name, const std::string& sub)
{
    const std::filesystem::path dir = sub.empty() ? std::filesystem::path(m_Path) : std::filesystem::path(m_Path) / sub;
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    const std::filesystem::path target = dir / name;
    std::filesystem::copy_file(GX_SPAWN_STUB, target, std::filesystem::copy_options::overwrite_existing, ec);
    return target.string();
}

std::vector<StubRun> StubFolder::TakeRuns()
{
    std::vector<StubRun> runs;
    const std::string report = m_Path + "/runs.txt";
    std::ifstream in(report);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("prog:", 0) == 0) {
            runs.push_back({line.substr(5), {}, {}});
        } else if (line.rfind("arg:", 0) == 0 && !runs.empty()) {
            runs.back().args.push_back(line.substr(4));
        } else if (line.rfind("fds:", 0) == 0 && !runs.empty()) {
            std::istringstream fds(line.substr(4));
            int fd = 0;
            while (fds >> fd) runs.back().fds.push_back(fd);
        }
    }
    in.close();
    std::remove(report.c_str());
    return runs;
}

}  // namespace gxtest
