// Settings files of "key = value" lines ("system/sysconf.ini", "setting.ini").
//
// The file is 8-bit text in the ANSI code page (CP932) and ends at its first NUL byte; no
// encoding signature is recognised (a UTF-8 signature becomes part of the first key). Lines end
// at LF; CR and LF are removed from both ends of a line. A line without "=" is ignored, so
// section headers, comments and blank lines have no effect. A line with "=" is split at its first
// "=": key and value are trimmed of blanks (codes 32 and below) and further "=" belong to the
// value. There is no quoting or escaping. Keys are case-sensitive; the first occurrence of a key
// wins, and keys of all sections share one map.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

class GxINIFile
{
public:
    GxINIFile() = default;
    virtual ~GxINIFile() = default;

    // Empties the map and reads the file through the file layer (packs included). False only when
    // the file cannot be read (logged by the file layer unless quiet); the map is then empty.
    bool Load(std::u16string_view path, bool quiet);
    // Empties the map and fills it from a text image in memory.
    void LoadFromMemory(const uint8_t* data, size_t size);

    // The value, or def when the key is absent.
    std::u16string GetString(std::u16string_view key, std::u16string_view def) const;
    // Base from the text ("0x" hexadecimal, "0b" binary, a leading 0 stays decimal); a present
    // key whose value holds no digits gives 0.
    int32_t GetInt(std::u16string_view key, int32_t def) const;
    int64_t GetInt64(std::u16string_view key, int64_t def) const;
    // True when the value's leading decimal integer is not 0 ("1" and "-1" are true, "true" is
    // false).
    bool GetBool(std::u16string_view key, bool def) const;

    size_t GetCount() const { return m_Values.size(); }

private:
    const std::u16string* Find(std::u16string_view key) const;

    std::map<std::u16string, std::u16string, std::less<>> m_Values;
};
