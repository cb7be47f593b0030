// File access over loose files and pack members, whole-file loads through the file cache, and
// the folder helpers.
//
// Paths are relative to the current directory (the game folder) or absolute; "/" and "\" both
// separate. Loose files are found without regard to the case of ASCII letters, and a loose file
// always wins over a pack member of the same path.
//
// Locking: one global file-layer lock guards the pack list, opening and closing handles, the
// size query and the cache settings. Read, Seek and Tell take no lock: every handle owns its
// own OS handle (pack members included) and reads at its own position, so the sound and movie
// threads may read their handles while the main thread opens other files. One handle belongs
// to one thread at a time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class GxBinBuffer;
class GxMutex;
class GxPackFileHeaderCache;
struct GxPackIndexRecord;

class GxFileHandle
{
public:
    GxFileHandle() = default;
    virtual ~GxFileHandle();
    GxFileHandle(const GxFileHandle&) = delete;
    GxFileHandle& operator=(const GxFileHandle&) = delete;

    // Last-write time of the loose file or the member's stamp from the pack index, as a
    // FILETIME (100 ns units since 1601).
    uint64_t GetFileTime() const { return m_FileTime; }
    uint32_t GetSize() const { return m_Size; }
    bool IsOpen() const { return m_Open; }
    bool IsEnd() const { return m_End; }
    int64_t GetPosition() const { return m_Position; }
    bool IsPackMember() const { return m_Pack != nullptr; }
    // Bytes of the file that are really there: the size, or less for a member that runs past
    // the end of its pack file (an index is untrusted, so a whole-file load checks this before
    // it allocates the size).
    uint32_t GetStoredSize() const { return m_StoredSize; }

private:
    friend bool GxFileOpen(GxFileHandle& handle, std::u16string_view path);
    friend uint32_t GxFileRead(void* buffer, uint32_t count, GxFileHandle& handle);
    friend bool GxFileSeek(GxFileHandle& handle, int64_t offset, int origin);
    friend void GxFileClose(GxFileHandle& handle);

    int m_Fd = -1;                  // OS handle; -1 while closed
    uint32_t m_Size = 0;            // bytes of the file or member
    uint32_t m_StoredSize = 0;
    bool m_Open = false;
    bool m_End = false;             // the position has reached the size
    uint64_t m_FileTime = 0;
    int64_t m_Position = 0;         // from the start of the file or member
    uint64_t m_DataStart = 0;       // file offset of the first byte (pack base + data offset)
    bool m_Scrambled = false;       // member data passes through the pack's unscramble routine
    GxPackFileHeaderCache* m_Pack = nullptr;
    const GxPackIndexRecord* m_Record = nullptr;
};

// The file-layer lock (recursive).
GxMutex& GxFileGetLock();

// 1 when a loose file or folder exists at the path, else 2 when an open pack holds it, else 0.
int GxFileExists(std::u16string_view path);

// Closes the handle first when it is open. Fails (handle untouched) when nothing exists at the
// path or the file cannot be opened.
bool GxFileOpen(GxFileHandle& handle, std::u16string_view path);
// Reads at most the bytes left; 0 when the handle is closed or at the end.
uint32_t GxFileRead(void* buffer, uint32_t count, GxFileHandle& handle);
// origin 0 = start, 1 = current position, 2 = end; the target is clamped to [0, size]. Any
// other origin returns false and changes nothing.
bool GxFileSeek(GxFileHandle& handle, int64_t offset, int origin);
int64_t GxFileTell(const GxFileHandle& handle);
void GxFileClose(GxFileHandle& handle);

// Size of the loose file, else of the pack member, else 0.
uint32_t GxFileGetSize(std::u16string_view path);

// The whole file into buffer, through the file cache when useCache is set. Unless quiet, a
// failure logs one line. On failure the buffer is left empty.
bool GxFileLoadToBinBuffer(GxBinBuffer& buffer, std::u16string_view path, bool useCache, bool quiet);
// The whole file into a buffer two bytes longer than the file, the extra two bytes zero (a
// terminator for 8-bit or UTF-16 text); never through the cache. On failure the buffer is left
// empty.
bool GxFileLoadTextToBinBuffer(GxBinBuffer& buffer, std::u16string_view path, bool quiet);

// Folder helpers; packs are not searched.
bool GxDiskFileExists(std::u16string_view path);   // a loose file that opens for reading
bool GxCreateDirectory(std::u16string_view path);  // false when it exists or cannot be made
bool GxIsDirectory(std::u16string_view path);
std::u16string GxGetCurrentDirectory();            // "/" separators, one trailing "/"
std::u16string GxGetMyDocumentsPath();             // no trailing "/"; empty on failure
