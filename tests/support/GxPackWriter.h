// Writes pack files for tests, benchmarks and the demo builder: members with 8-bit (CP932) or
// UTF-16LE names, a chosen base offset, optional scrambling, and overrides of the header and
// index fields for building broken packs on purpose.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/GxPackFile.h"

class GxPackWriter
{
public:
    // Adds a member; the path is stored as given (use "/" and any case you like).
    void AddMember(std::u16string_view path, std::vector<uint8_t> data, uint64_t fileTime = 0);
    void AddMember(std::u16string_view path, std::string_view text, uint64_t fileTime = 0);
    // Adds every regular file under a folder (native path), named prefix + relative path with
    // "/" separators, in sorted order. Returns the number of files added.
    size_t AddFolder(const std::string& folder, std::u16string_view prefix = u"");
    void Clear() { m_Members.clear(); }

    // Name width field: false = CP932 names, true = UTF-16LE names.
    void SetWideNames(bool wide) { m_WideNames = wide; }
    // The base offset written in the header; member data never starts before it or before the
    // end of the index.
    void SetBaseOffset(uint64_t base) { m_BaseOffset = base; }
    // Zero bytes appended after each record's name (record length includes them).
    void SetRecordPadding(uint32_t bytes) { m_RecordPadding = bytes; }
    // Sets the scramble flag and scrambles index records and member data with the routine
    // (which must be the inverse of the one the reader installs).
    void SetScrambler(GxPackUnscrambleFunc scrambler) { m_Scrambler = scrambler; }

    // Overrides written in place of the computed values (for broken packs).
    void OverrideRecordLength(size_t member, uint32_t length) { m_LengthOverrides[member] = length; }
    void OverrideRecordCount(uint32_t count) { m_CountOverride = count; m_HasCountOverride = true; }
    void OverrideIndexSize(uint32_t size) { m_IndexSizeOverride = size; m_HasIndexSizeOverride = true; }
    void OverrideNameWidth(uint32_t width) { m_NameWidthOverride = width; m_HasNameWidthOverride = true; }

    std::vector<uint8_t> Build() const;
    // Writes Build() to a native path; false when the file cannot be written.
    bool Write(const std::string& nativePath) const;

    // File offset of member i's data in the Build() layout.
    uint64_t GetMemberFileOffset(size_t member) const;

    // Writes bytes to a native path, creating parent folders; false on failure.
    static bool WriteFile(const std::string& nativePath, const void* bytes, size_t size);
    static bool WriteFile(const std::string& nativePath, std::string_view text);

private:
    struct Member
    {
        std::u16string path;
        std::vector<uint8_t> data;
        uint64_t fileTime = 0;
    };
    std::vector<uint8_t> NameBytes(const std::u16string& path) const;
    uint32_t IndexSize() const;

    std::vector<Member> m_Members;
    bool m_WideNames = false;
    uint64_t m_BaseOffset = 0;
    uint32_t m_RecordPadding = 0;
    GxPackUnscrambleFunc m_Scrambler = nullptr;
    std::map<size_t, uint32_t> m_LengthOverrides;
    uint32_t m_CountOverride = 0;
    bool m_HasCountOverride = false;
    uint32_t m_IndexSizeOverride = 0;
    bool m_HasIndexSizeOverride = false;
    uint32_t m_NameWidthOverride = 0;
    bool m_HasNameWidthOverride = false;
};

// A self-inverse scramble for tests: each byte is XORed with a value derived from its position,
// so the same routine scrambles and unscrambles from any start position.
void GxPackTestScramble(uint8_t* bytes, uint32_t count, uint32_t position);

// A temporary game folder for file tests: created empty under the system's temp folder and made
// the current directory; the destructor restores the previous current directory and removes
// the folder.
class GxTestGameFolder
{
public:
    GxTestGameFolder();
    ~GxTestGameFolder();
    GxTestGameFolder(const GxTestGameFolder&) = delete;
    GxTestGameFolder& operator=(const GxTestGameFolder&) = delete;

    bool IsValid() const { return !m_Path.empty(); }
    // Absolute native path of the folder (no trailing "/").
    const std::string& Path() const { return m_Path; }
    // Writes a file relative to the folder, creating parent folders.
    bool Write(std::string_view relative, std::string_view text) const;
    bool Write(std::string_view relative, const std::vector<uint8_t>& bytes) const;

private:
    std::string m_Path;
    std::string m_OldCwd;
};

// Puts the file layer back to its state at program start: no packs, an empty cache switched
// off with zero limits and the steady clock, no unscramble routine.
void GxTestResetFileLayer();
