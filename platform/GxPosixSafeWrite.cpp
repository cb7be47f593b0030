#include "platform/GxPosixSafeWrite.h"

#include <dirent.h>
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

namespace {

constexpr std::string_view kTempMark = ".tmp";
constexpr size_t kTempRandomChars = 6;  // the "XXXXXX" that mkstemp fills

GxPosixFsyncFunc g_Fsync = nullptr;
GxPosixCreateCheckFunc g_CreateCheck = nullptr;

int CallFsync(int fd) { return g_Fsync ? g_Fsync(fd) : fsync(fd); }

bool IsAsciiAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

GxPosixCreateCheckFunc GxPosixSetCreateCheck(GxPosixCreateCheckFunc check)
{
    GxPosixCreateCheckFunc old = g_CreateCheck;
    g_CreateCheck = check;
    return old;
}

int GxPosixCreateTempBeside(const std::string& target, std::string& tempPath)
{
    if (g_CreateCheck) {
        if (const int error = g_CreateCheck(target)) {
            errno = error;
            return -1;
        }
    }
    std::string name = target + std::string(kTempMark) + std::string(kTempRandomChars, 'X');
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return -1;
    // mkstemp makes 0600; a data file is readable like any other the game writes.
    fchmod(fd, 0644);
    tempPath = name;
    return fd;
}

bool GxPosixIsTempBesideName(std::string_view name, std::string_view& target)
{
    const size_t suffix = kTempMark.size() + kTempRandomChars;
    if (name.size() <= suffix) return false;
    const std::string_view tail = name.substr(name.size() - suffix);
    if (tail.substr(0, kTempMark.size()) != kTempMark) return false;
    for (char c : tail.substr(kTempMark.size()))
        if (!IsAsciiAlnum(c)) return false;
    target = name.substr(0, name.size() - suffix);
    return true;
}

GxPosixFsyncFunc GxPosixSetFsync(GxPosixFsyncFunc fsyncFunc)
{
    GxPosixFsyncFunc old = g_Fsync;
    g_Fsync = fsyncFunc;
    return old;
}

bool GxPosixSyncFd(int fd)
{
    int r;
    do {
        r = CallFsync(fd);
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

bool GxPosixRemove(const std::string& path) { return unlink(path.c_str()) == 0; }

bool GxPosixListFiles(std::u16string_view folder, std::string& nativeFolder, std::vector<std::string>& names)
{
    names.clear();
    while (folder.size() > 1 && (folder.back() == u'/' || folder.back() == u'\\')) folder.remove_suffix(1);
    if (!GxPosixResolvePath(folder, nativeFolder)) return false;
    DIR* d = opendir(nativeFolder.c_str());
    if (!d) return false;
    while (dirent* e = readdir(d)) {
        struct stat st;
        if (fstatat(dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) names.emplace_back(e->d_name);
    }
    closedir(d);
    return true;
}
