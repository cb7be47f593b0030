// POSIX steps of replacing a file safely: a temporary file beside the target, fsync of a file
// and of a folder, rename over the target, removal. The file layer composes them
// (core/GxAtomicFile.h); nothing here logs.
#pragma once

#include <string>
#include <string_view>

// Native spelling to write the engine path to: the existing file of that name (found without
// regard to ASCII case), else the path in an existing folder of that name, else the path as given.
std::string GxPosixWriteTarget(std::u16string_view path);
// Creates "<target>.tmpXXXXXX" (mode 0644) for writing. Returns the descriptor and its path, or -1
// with errno set.
int GxPosixCreateTempBeside(const std::string& target, std::string& tempPath);
// fsync, retried on EINTR. False with errno set.
bool GxPosixSyncFd(int fd);
// rename(from, to). False with errno set.
bool GxPosixRename(const std::string& from, const std::string& to);
// fsync of the folder holding the path, so that a rename survives a power loss. File systems that
// cannot sync a folder (EINVAL) count as success.
bool GxPosixSyncParentFolder(const std::string& path);
void GxPosixRemove(const std::string& path);
