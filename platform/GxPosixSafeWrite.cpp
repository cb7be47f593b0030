#include "platform/GxPosixSafeWrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "core/GxString.h"
#include "platform/GxPosixFile.h"

std::string GxPosixWriteTarget(std::u16string_view path)
{
    std::string native;
    if (GxPosixResolvePath(path, native)) return native;
    const size_t slash = path.find_last_of(u"/\\");
    if (slash != std::u16string_view::npos && slash > 0) {
        std::string folder;
        if (GxPosixResolvePath(path.substr(0, slash), folder))
            return folder + "/" + GxPathToNative(path.substr(slash + 1));
    }
    std::string p = GxPathToNative(path);
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
}

int GxPosixCreateTempBeside(const std::string& target, std::string& tempPath)
{
    std::string name = target + ".tmpXXXXXX";
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return -1;
    // mkstemp makes 0600; a data file is readable like any other the game writes.
    fchmod(fd, 0644);
    tempPath = name;
    return fd;
}

bool GxPosixSyncFd(int fd)
{
    int r;
    do {
        r = fsync(fd);
    } while (r != 0 && errno == EINTR);
    return r == 0;
}

bool GxPosixRename(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

bool GxPosixSyncParentFolder(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : path.substr(0, slash);
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = GxPosixSyncFd(fd) || errno == EINVAL;
    const int saved = errno;
    close(fd);
    errno = saved;
    return ok;
}

void GxPosixRemove(const std::string& path) { unlink(path.c_str()); }
