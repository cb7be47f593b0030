// Save folders that refuse writes, through the atomic writer's failure seams, for tests that
// cannot make a real full or read-only file system: while a FailingDisk lives, the data files
// whose names it was given fail as such a folder makes them fail (a read-only folder refuses the
// temporary file with EROFS; a full disk takes the bytes and refuses them at the sync with
// ENOSPC, as a file system that allocates late does), and every other file is written. It also
// counts the atomic writes of each file name, for tests of how often a file is written.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <map>
#include <set>
#include <string>

#include "core/GxAtomicFile.h"
#include "platform/GxPosixSafeWrite.h"

namespace gxtest {

enum class GxDiskFault
{
    None,
    ReadOnly,  // the temporary file cannot be made: EROFS
    Full,      // the bytes do not reach the disk: ENOSPC at the sync
};

class FailingDisk
{
public:
    explicit FailingDisk(GxDiskFault fault = GxDiskFault::None, std::set<std::string> names = {})
    {
        State() = {fault, std::move(names), {}};
        m_Check = GxPosixSetCreateCheck(&Check);
        m_Fsync = GxPosixSetFsync(&Fsync);
        GxSetAtomicWriteHook(&Hook);
    }
    ~FailingDisk()
    {
        GxSetAtomicWriteHook(nullptr);
        GxPosixSetFsync(m_Fsync);
        GxPosixSetCreateCheck(m_Check);
        State() = {};
    }
    FailingDisk(const FailingDisk&) = delete;
    FailingDisk& operator=(const FailingDisk&) = delete;

    // From here on the named files fail so (or, with None, nothing does).
    void Set(GxDiskFault fault, std::set<std::string> names)
    {
        State().fault = fault;
        State().names = std::move(names);
    }
    // Atomic writes of the file name (e.g. "permanent.dat") that reached their data's end.
    int Writes(const std::string& name) const
    {
        auto it = State().writes.find(name);
        return it == State().writes.end() ? 0 : it->second;
    }

private:
    struct Data
    {
        GxDiskFault fault = GxDiskFault::None;
        std::set<std::string> names;
        std::map<std::string, int> writes;
    };
    static Data& State()
    {
        static Data data;
        return data;
    }
    static std::string BaseName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }
    // The data file a temporary file of the writer stands for ("<name>.tmpXXXXXX").
    static std::string TargetOf(int fd)
    {
        char link[4096];
        const std::string proc = "/proc/self/fd/" + std::to_string(fd);
        const ssize_t n = readlink(proc.c_str(), link, sizeof link - 1);
        if (n <= 0) return std::string();
        std::string name = BaseName(std::string(link, static_cast<size_t>(n)));
        const size_t mark = name.rfind(".tmp");
        return mark == std::string::npos ? name : name.substr(0, mark);
    }
    static bool Failing(const std::string& name, GxDiskFault fault)
    {
        return State().fault == fault && State().names.count(name) != 0;
    }
    static int Check(const std::string& target) { return Failing(BaseName(target), GxDiskFault::ReadOnly) ? EROFS : 0; }
    static int Fsync(int fd)
    {
        if (Failing(TargetOf(fd), GxDiskFault::Full)) {
            errno = ENOSPC;
            return -1;
        }
        return fsync(fd);
    }
    static void Hook(GxAtomicWriteStage stage, int fd)
    {
        if (stage == GxAtomicWriteStage::DataWritten) ++State().writes[TargetOf(fd)];
    }

    GxPosixCreateCheckFunc m_Check = nullptr;
    GxPosixFsyncFunc m_Fsync = nullptr;
};

}  // namespace gxtest
