// Pack files: archives with a 48-byte header, an index of named members and the members' bytes,
// and the global list of registered packs.
//
// Layout (little-endian). Header: name width (u32 at 12; 0 = member names in the ANSI code
// page, else UTF-16LE), scramble flag (u32 at 20), record count (u32 at 24), index size (u32 at
// 28), base offset (u64 at 40). The index block follows the header; each record holds its own
// length (u32 at 0), the member size (u32 at 4), a time stamp (u64 at 16), the data offset (u64
// at 24; the bytes start at base offset + data offset) and a NUL-terminated path from 32.
//
// Member paths are matched with "/" separators and without regard to ASCII case; a pack whose
// index does not hold together is refused as a whole.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

constexpr uint32_t kGxPackHeaderSize = 48;
constexpr uint32_t kGxPackRecordNameOffset = 32;
// Longest path a lookup accepts, in UTF-16 units.
constexpr size_t kGxPackMaxPathLength = 521;

struct GxPackIndexRecord
{
    uint32_t m_RecordLength = 0;
    uint32_t m_Size = 0;
    uint64_t m_FileTime = 0;
    uint64_t m_DataOffset = 0;
    std::u16string m_Path;  // as stored
};

// Turns scrambled bytes into plain bytes in place; position is the offset of the first byte
// within its index record or member (any start position is possible, since reads follow seeks).
using GxPackUnscrambleFunc = void (*)(uint8_t* bytes, uint32_t count, uint32_t position);

// Installs the routine for scrambled packs (null removes it). Without one, a pack whose
// scramble flag is set is refused at registration.
void GxPackFileSetUnscrambleRoutine(GxPackUnscrambleFunc routine);
bool GxPackFileHasUnscrambleRoutine();
void GxPackFileUnscramble(uint8_t* bytes, uint32_t count, uint32_t position);

class GxPackFileHeaderCache
{
public:
    GxPackFileHeaderCache() = default;
    virtual ~GxPackFileHeaderCache() = default;
    GxPackFileHeaderCache(const GxPackFileHeaderCache&) = delete;
    GxPackFileHeaderCache& operator=(const GxPackFileHeaderCache&) = delete;

    // Reads header and index (closing first when open). Silent false when the file is missing
    // or shorter than header plus index; one error-log line and false when the index is broken
    // or scrambled without a routine to unscramble it.
    bool Open(std::u16string_view path);
    void Close();
    // Fills the name map from the index; false (map empty) when a record does not hold together.
    bool BuildNameMap();
    // The record of the member at path ("\" or "/", any ASCII case), or null.
    const GxPackIndexRecord* Find(std::u16string_view path) const;

    bool IsOpen() const { return m_Open; }
    const std::u16string& GetPath() const { return m_Path; }
    // The pack file's path as found on disk, opened again for every member.
    const std::string& GetNativePath() const { return m_NativePath; }
    const uint8_t* GetHeader() const { return m_Header; }
    uint32_t GetNameWidth() const;
    bool IsScrambled() const;
    uint32_t GetRecordCount() const;
    uint32_t GetIndexSize() const;
    uint64_t GetBaseOffset() const;
    size_t GetMemberCount() const { return m_NameMap.size(); }
    // Size of the pack file when it was registered.
    uint64_t GetFileSize() const { return m_FileSize; }

private:
    std::u16string m_Path;
    std::string m_NativePath;
    uint8_t m_Header[kGxPackHeaderSize] = {};
    std::vector<uint8_t> m_Index;
    std::vector<GxPackIndexRecord> m_Records;
    uint64_t m_FileSize = 0;
    bool m_Open = false;
    std::map<std::u16string, const GxPackIndexRecord*, std::less<>> m_NameMap;
};

// Registers a pack at the end of the list; false (nothing added) when it cannot be opened.
bool GxFileOpenPack(std::u16string_view path);
// The first registered pack holding path; pack and record are stored when given and found.
const GxPackIndexRecord* GxFileFindPackMember(GxPackFileHeaderCache** pack, const GxPackIndexRecord** record,
                                              std::u16string_view path);
void GxFileCloseAllPacks();
size_t GxFileGetPackCount();
