// Replacing a data file so that a crash, a power loss or a full disk never leaves it half
// written: the new content goes to a temporary file in the same folder, which is flushed and
// synced, then renamed over the old file, and the folder is synced. Until the rename the old
// file stays as it was; after it the new one is there whole. Every data file the game writes
// (options, permanent data, saved games) goes through here.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

// Points at which a test may stop the process to show that nothing is ever half replaced.
enum class GxAtomicWriteStage
{
    DataWritten,  // every byte handed to the temporary file, before its fsync
    Synced,       // the temporary file synced and closed, before the rename
    Renamed,      // the rename done, before the folder's fsync
};
// fd: the temporary file's descriptor at DataWritten, -1 afterwards.
using GxAtomicWriteHook = void (*)(GxAtomicWriteStage stage, int fd);
// For tests only; null (the default) calls nothing.
void GxSetAtomicWriteHook(GxAtomicWriteHook hook);

class GxAtomicFileWriter
{
public:
    GxAtomicFileWriter() = default;
    GxAtomicFileWriter(const GxAtomicFileWriter&) = delete;
    GxAtomicFileWriter& operator=(const GxAtomicFileWriter&) = delete;
    // Removes the temporary file when Commit was not reached.
    ~GxAtomicFileWriter();

    // Creates the temporary file beside the path (an engine path; an existing file is matched
    // without regard to ASCII case). False, logged, when the folder cannot take it.
    bool Open(std::u16string_view path);
    // The binary stream to write into; null unless open.
    FILE* GetFile() const { return m_File; }
    // Flush, fsync, close, rename over the target, fsync of the folder, every result checked.
    // False, logged, on any failure before the rename: the old file is then untouched and the
    // temporary file removed. A folder fsync that fails after the rename logs a warning and
    // counts as written (the new file is in place).
    bool Commit();
    // Drops what was written; the old file stays.
    void Abort();

private:
    bool Fail(const char16_t* step);

    FILE* m_File = nullptr;
    std::u16string m_Path;
    std::string m_Target;
    std::string m_Temp;
};

// The whole file in one call, through GxAtomicFileWriter.
bool GxAtomicWriteFile(std::u16string_view path, const void* bytes, size_t count);

// The system's reason of the last write on this thread that failed ("No space left on device",
// "Read-only file system"), for the callers' own failure lines; empty while none has failed
// since the last Open.
const std::u16string& GxGetAtomicWriteFailure();
