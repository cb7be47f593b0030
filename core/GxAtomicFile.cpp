#include "core/GxAtomicFile.h"

#include <cerrno>
#include <cstring>

#include "core/GxLog.h"
#include "core/GxString.h"
#include "platform/GxPosixFile.h"
#include "platform/GxPosixSafeWrite.h"

namespace {
GxAtomicWriteHook g_Hook = nullptr;
thread_local std::u16string t_Failure;

std::u16string ErrnoText(int error) { return GxUtf8ToWide(std::strerror(error)); }

void CallHook(GxAtomicWriteStage stage, int fd)
{
    if (g_Hook) g_Hook(stage, fd);
}
}  // namespace

void GxSetAtomicWriteHook(GxAtomicWriteHook hook) { g_Hook = hook; }

GxAtomicFileWriter::~GxAtomicFileWriter() { Abort(); }

bool GxAtomicFileWriter::Open(std::u16string_view path)
{
    Abort();
    t_Failure.clear();
    m_Path.assign(path);
    m_Target = GxPosixWriteTarget(path);
    const int fd = GxPosixCreateTempBeside(m_Target, m_Temp);
    if (fd < 0) return Fail(u"Open");
    m_File = fdopen(fd, "wb");
    if (!m_File) {
        const int saved = errno;
        GxPosixClose(fd);
        errno = saved;
        return Fail(u"Open");
    }
    return true;
}

bool GxAtomicFileWriter::Commit()
{
    if (!m_File) return false;
    if (std::fflush(m_File) != 0 || std::ferror(m_File)) return Fail(u"Write");
    const int fd = fileno(m_File);
    CallHook(GxAtomicWriteStage::DataWritten, fd);
    if (!GxPosixSyncFd(fd)) return Fail(u"Sync");
    FILE* file = m_File;
    m_File = nullptr;
    if (std::fclose(file) != 0) return Fail(u"Close");
    CallHook(GxAtomicWriteStage::Synced, -1);
    if (!GxPosixRename(m_Temp, m_Target)) return Fail(u"Rename");
    m_Temp.clear();
    CallHook(GxAtomicWriteStage::Renamed, -1);
    // The new file is in place and reads whole: a folder that cannot be synced only leaves open
    // whether the rename survives a power loss, so the write stands, with a warning.
    if (!GxPosixSyncParentFolder(m_Target)) {
        const std::u16string reason = GxUtf8ToWide(std::strerror(errno));
        GxPrintErrorLog(u"Warning/GxAtomicFileWriter SyncFolder Failed(%s: %s)\n", m_Path, reason);
    }
    return true;
}

void GxAtomicFileWriter::Abort()
{
    if (m_File) {
        // A stream that failed under its writer (a full disk) leaves its reason for the
        // caller's own line; the failed write was the last call that set errno.
        if (std::ferror(m_File) && t_Failure.empty()) t_Failure = ErrnoText(errno);
        std::fclose(m_File);
        m_File = nullptr;
    }
    if (!m_Temp.empty()) {
        GxPosixRemove(m_Temp);
        m_Temp.clear();
    }
}

bool GxAtomicFileWriter::Fail(const char16_t* step)
{
    const std::u16string reason = ErrnoText(errno);
    t_Failure = reason;
    GxPrintErrorLog(u"Error/GxAtomicFileWriter %s Failed(%s: %s)\n", step, m_Path, reason);
    Abort();
    return false;
}

bool GxAtomicWriteFile(std::u16string_view path, const void* bytes, size_t count)
{
    GxAtomicFileWriter writer;
    if (!writer.Open(path)) return false;
    if (count && std::fwrite(bytes, 1, count, writer.GetFile()) != count) {
        t_Failure = ErrnoText(errno);
        writer.Abort();
        GxPrintErrorLog(u"Error/GxAtomicFileWriter Write Failed(%s: %s)\n", std::u16string(path), t_Failure);
        return false;
    }
    return writer.Commit();
}

const std::u16string& GxGetAtomicWriteFailure() { return t_Failure; }
