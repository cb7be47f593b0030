#include "core/GxFile.h"

#include <cstdint>
#include <cstring>

#include "core/GxBinBuffer.h"
#include "core/GxFileCache.h"
#include "core/GxLog.h"
#include "core/GxMutex.h"
#include "core/GxPackFile.h"
#include "core/GxString.h"
#include "platform/GxPosixFile.h"

GxMutex& GxFileGetLock()
{
    static GxMutex lock;
    return lock;
}

GxFileHandle::~GxFileHandle()
{
    if (m_Open || m_Fd >= 0) GxFileClose(*this);
}

int GxFileExists(std::u16string_view path)
{
    std::string native;
    if (GxPosixResolvePath(path, native)) return 1;
    if (GxFileFindPackMember(nullptr, nullptr, path)) return 2;
    return 0;
}

bool GxFileOpen(GxFileHandle& handle, std::u16string_view path)
{
    GxMutexScopedLock lock(&GxFileGetLock());
    GxPosixFileInfo info;
    bool exists = false;
    const int fd = GxPosixOpenRead(path, &info, &exists);
    if (exists) {
        if (handle.m_Open || handle.m_Fd >= 0) GxFileClose(handle);
        if (fd < 0) return false;
        handle.m_Fd = fd;
        handle.m_Open = true;
        handle.m_End = false;
        handle.m_Position = 0;
        // A loose file of 4 GiB or more does not fit the 32-bit size: read it as its first
        // 4 GiB - 1 bytes rather than as a wrapped, smaller size.
        handle.m_Size = info.size > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(info.size);
        handle.m_StoredSize = handle.m_Size;
        handle.m_FileTime = info.fileTime;
        handle.m_DataStart = 0;
        handle.m_Scrambled = false;
        handle.m_Pack = nullptr;
        handle.m_Record = nullptr;
        return true;
    }

    GxPackFileHeaderCache* pack = nullptr;
    const GxPackIndexRecord* record = nullptr;
    if (!GxFileFindPackMember(&pack, &record, path)) return false;
    if (handle.m_Open || handle.m_Fd >= 0) GxFileClose(handle);
    // The member's first byte must be addressable as a file offset.
    const uint64_t base = pack->GetBaseOffset();
    const uint64_t start = base + record->m_DataOffset;
    if (start < base || start > static_cast<uint64_t>(INT64_MAX) - UINT32_MAX) return false;
    // Every member handle opens the pack file again, so its reads never share state with
    // another handle's.
    const int packFd = GxPosixOpenNative(pack->GetNativePath());
    if (packFd < 0) return false;
    handle.m_Fd = packFd;
    handle.m_Open = true;
    handle.m_End = false;
    handle.m_Position = 0;
    handle.m_Size = record->m_Size;
    const uint64_t packSize = pack->GetFileSize();
    const uint64_t stored = packSize > start ? packSize - start : 0;
    handle.m_StoredSize = stored < record->m_Size ? static_cast<uint32_t>(stored) : record->m_Size;
    handle.m_FileTime = record->m_FileTime;
    handle.m_DataStart = start;
    handle.m_Scrambled = pack->IsScrambled();
    handle.m_Pack = pack;
    handle.m_Record = record;
    return true;
}

uint32_t GxFileRead(void* buffer, uint32_t count, GxFileHandle& handle)
{
    if (!handle.m_Open || handle.m_End || handle.m_Fd < 0 || !buffer) return 0;
    if (handle.m_Position >= static_cast<int64_t>(handle.m_Size)) {
        handle.m_End = true;
        return 0;
    }
    const uint64_t left = handle.m_Size - static_cast<uint64_t>(handle.m_Position);
    if (count > left) count = static_cast<uint32_t>(left);
    const uint64_t at = handle.m_DataStart + static_cast<uint64_t>(handle.m_Position);
    const uint32_t got = GxPosixReadAt(handle.m_Fd, buffer, count, at);
    if (handle.m_Scrambled && got) {
        GxPackFileUnscramble(static_cast<uint8_t*>(buffer), got, static_cast<uint32_t>(handle.m_Position));
    }
    handle.m_Position += got;
    handle.m_End = handle.m_Position >= static_cast<int64_t>(handle.m_Size);
    return got;
}

bool GxFileSeek(GxFileHandle& handle, int64_t offset, int origin)
{
    if (!handle.m_Open || handle.m_Fd < 0) return false;
    int64_t from;
    switch (origin) {
    case 0: from = 0; break;
    case 1: from = handle.m_Position; break;
    case 2: from = handle.m_Size; break;
    default: return false;
    }
    int64_t target;
    if (__builtin_add_overflow(from, offset, &target)) target = offset < 0 ? INT64_MIN : INT64_MAX;
    if (target < 0) target = 0;
    if (target > static_cast<int64_t>(handle.m_Size)) target = handle.m_Size;
    // Reads are positioned (pread), so moving is only a matter of the handle's own position.
    handle.m_Position = target;
    handle.m_End = handle.m_Position >= static_cast<int64_t>(handle.m_Size);
    return true;
}

int64_t GxFileTell(const GxFileHandle& handle) { return handle.GetPosition(); }

void GxFileClose(GxFileHandle& handle)
{
    GxMutexScopedLock lock(&GxFileGetLock());
    GxPosixClose(handle.m_Fd);
    handle.m_Fd = -1;
    handle.m_Size = 0;
    handle.m_StoredSize = 0;
    handle.m_Open = false;
    handle.m_End = false;
    handle.m_FileTime = 0;
    handle.m_Position = 0;
    handle.m_DataStart = 0;
    handle.m_Scrambled = false;
    handle.m_Pack = nullptr;
    handle.m_Record = nullptr;
}

uint32_t GxFileGetSize(std::u16string_view path)
{
    GxMutexScopedLock lock(&GxFileGetLock());
    GxPosixFileInfo info;
    if (GxPosixStatPath(path, info)) {
        if (!info.isRegular) return 0;
        return info.size > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(info.size);
    }
    const GxPackIndexRecord* record = GxFileFindPackMember(nullptr, nullptr, path);
    return record ? record->m_Size : 0;
}

namespace {

// Reads the whole open file into buffer (size + extra bytes, the extra ones zero). On a short
// read the buffer is emptied.
bool ReadWhole(GxBinBuffer& buffer, GxFileHandle& handle, uint32_t extra)
{
    const uint32_t size = handle.GetSize();
    if (handle.GetStoredSize() < size || static_cast<uint64_t>(size) + extra > UINT32_MAX) {
        buffer.Clear();
        return false;
    }
    // Every byte is read or zeroed here; a short read drops the block.
    uint8_t* dst = buffer.CreateUninitialized(size + extra);
    if (!dst) return false;
    std::memset(dst + size, 0, extra);
    if (size == 0) return true;
    if (GxFileRead(dst, size, handle) != size) {
        buffer.Clear();
        return false;
    }
    return true;
}

}  // namespace

namespace {

// The time stamp that GxFileOpen would report for path, without opening it: the loose file's
// last write from its attributes, else the member's stamp from the pack index.
bool PeekFileTime(std::u16string_view path, uint64_t& fileTime)
{
    GxPosixFileInfo info;
    if (GxPosixStatPath(path, info)) {
        fileTime = info.fileTime;
        return info.isRegular;
    }
    const GxPackIndexRecord* record = GxFileFindPackMember(nullptr, nullptr, path);
    if (!record) return false;
    fileTime = record->m_FileTime;
    return true;
}

}  // namespace

bool GxFileLoadToBinBuffer(GxBinBuffer& buffer, std::u16string_view path, bool useCache, bool quiet)
{
    std::u16string key;
    if (useCache) {
        key = GxToLower(path);
        // A hit is validated by the time stamp alone, so it needs no open handle.
        uint64_t fileTime = 0;
        if (GxGetFileCache().IsEnabled() && PeekFileTime(path, fileTime) &&
            GxGetFileCache().Find(key, fileTime, buffer)) {
            return true;
        }
    }
    GxFileHandle handle;
    if (!GxFileOpen(handle, path)) {
        buffer.Clear();
        if (!quiet) GxPrintErrorLog(u"File open error or not exist:%s\n", path);
        return false;
    }
    if (!ReadWhole(buffer, handle, 0)) {
        if (!quiet) GxPrintErrorLog(u"File read error:%s\n", path);
        return false;
    }
    // Offered even while the cache is off: Add then drops any older image of the file.
    if (useCache && buffer.GetSize()) GxGetFileCache().Add(key, buffer, handle.GetFileTime());
    return true;
}

bool GxFileLoadTextToBinBuffer(GxBinBuffer& buffer, std::u16string_view path, bool quiet)
{
    GxFileHandle handle;
    if (!GxFileOpen(handle, path)) {
        buffer.Clear();
        if (!quiet) GxPrintErrorLog(u"File open error:%s\n", path);
        return false;
    }
    if (!ReadWhole(buffer, handle, 2)) {
        if (!quiet) GxPrintErrorLog(u"File read error:%s\n", path);
        return false;
    }
    return true;
}

bool GxDiskFileExists(std::u16string_view path)
{
    const int fd = GxPosixOpenRead(path, nullptr, nullptr);
    if (fd < 0) return false;
    GxPosixClose(fd);
    return true;
}

bool GxCreateDirectory(std::u16string_view path) { return GxPosixCreateDirectory(path); }

bool GxIsDirectory(std::u16string_view path) { return GxPosixIsDirectory(path); }

std::u16string GxGetCurrentDirectory()
{
    std::u16string dir = GxPosixGetCurrentDirectory();
    if (dir.empty()) return dir;
    if (dir.back() != u'/') dir.push_back(u'/');
    return dir;
}

std::u16string GxGetMyDocumentsPath() { return GxPosixGetDocumentsPath(); }
