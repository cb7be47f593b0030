// POSIX file services for the file layer: case-insensitive lookup of loose files, opening,
// positioned reads, file times, folders, the current directory and the documents folder.
//
// Engine paths use "/" or "\" as separators and are matched without regard to the case of
// ASCII letters: where the exact spelling of a path component is absent, the folder is searched
// for a component that differs only in ASCII case (the exact spelling always wins; among
// several case variants the one that sorts first byte-wise wins).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct GxPosixFileInfo
{
    uint64_t size = 0;
    uint64_t fileTime = 0;  // last write, 100 ns units since 1601-01-01 (UTC)
    bool isDirectory = false;
    bool isRegular = false;
};

// Native (UTF-8) spelling of the existing entry the engine path names; false when none exists.
bool GxPosixResolvePath(std::u16string_view path, std::string& native);
// Size, time and kind of the existing entry the engine path names; false when none exists.
bool GxPosixStatPath(std::u16string_view path, GxPosixFileInfo& info);

// Opens an existing regular file for reading. Returns the descriptor, or -1 when nothing exists
// at the path, it is a folder, or it cannot be opened. exists (optional) reports whether an
// entry was found at all, info (optional) receives its size and time.
int GxPosixOpenRead(std::u16string_view path, GxPosixFileInfo* info, bool* exists);
// Opens a native path exactly as given for reading (pack files, whose path was resolved and
// checked at registration).
int GxPosixOpenNative(const std::string& native);
void GxPosixClose(int fd);
// Reads up to count bytes at offset, retrying short reads; returns the bytes read (0 at the end
// of the file or on an error).
uint32_t GxPosixReadAt(int fd, void* buffer, uint32_t count, uint64_t offset);
bool GxPosixFileInfoOf(int fd, GxPosixFileInfo& info);

bool GxPosixIsDirectory(std::u16string_view path);
// mkdir with the engine's lookup for the parent; false when the path exists or cannot be made.
bool GxPosixCreateDirectory(std::u16string_view path);
// getcwd as UTF-16, "/" separators, no trailing "/" added; empty on failure.
std::u16string GxPosixGetCurrentDirectory();
// $XDG_DOCUMENTS_DIR, else $HOME/Documents; no trailing "/"; empty when neither is known.
std::u16string GxPosixGetDocumentsPath();

// Seconds and nanoseconds since 1970 to a FILETIME (clamped at 0 before 1601).
uint64_t GxPosixToFileTime(int64_t seconds, int64_t nanoseconds);
