// POSIX steps of replacing a file safely: a temporary file beside the target, fsync of a file
// and of a folder, rename over the target, removal; and telling the temporary files that an
// interrupted write left. The file layer composes them (core/GxAtomicFile.h); nothing here logs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Native spelling to write the engine path to: the existing file of that name (found without
// regard to ASCII case), else the path in an existing folder of that name, else the path as given.
std::string GxPosixWriteTarget(std::u16string_view path);
// Creates "<target>.tmpXXXXXX" (mode 0644) for writing. Returns the descriptor and its path, or -1
// with errno set.
int GxPosixCreateTempBeside(const std::string& target, std::string& tempPath);
// Asked before each temporary file is made, with the target's native path: 0 goes on, an errno
// value fails the creation with it, as a read-only folder (EROFS) or one out of room (ENOSPC)
// would. A test installs one to stand for such a folder; null (the default) asks nothing.
// Returns the one installed before.
using GxPosixCreateCheckFunc = int (*)(const std::string& target);
GxPosixCreateCheckFunc GxPosixSetCreateCheck(GxPosixCreateCheckFunc check);
// True when the file name is one GxPosixCreateTempBeside makes: the target's name, ".tmp" and six
// letters or digits. target receives the target's name.
bool GxPosixIsTempBesideName(std::string_view name, std::string_view& target);
// fsync, retried on EINTR. False with errno set.
bool GxPosixSyncFd(int fd);
// The fsync that GxPosixSyncFd and GxPosixSyncParentFolder call: a test installs its own to make
// one fail; null restores the system's. Returns the one installed before.
using GxPosixFsyncFunc = int (*)(int fd);
GxPosixFsyncFunc GxPosixSetFsync(GxPosixFsyncFunc fsyncFunc);
// rename(from, to). False with errno set.
bool GxPosixRename(const std::string& from, const std::string& to);
// fsync of the folder holding the path, so that a rename survives a power loss. File systems that
// cannot sync a folder (EINVAL) count as success.
bool GxPosixSyncParentFolder(const std::string& path);
// unlink. False with errno set.
bool GxPosixRemove(const std::string& path);
// The native spelling of the folder the engine path names and the names of the regular files in
// it (symbolic links are not followed). False when the folder cannot be read.
bool GxPosixListFiles(std::u16string_view folder, std::string& nativeFolder, std::vector<std::string>& names);
