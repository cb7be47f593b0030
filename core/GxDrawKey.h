// GxDrawKey: the bytes of everything a frame's drawing reads, gathered before it draws. A frame
// whose key equals the last drawn frame's would make the very same calls again, so a still
// screen need not walk its drawing at all (the device still has to vouch for the textures).
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>
#include <vector>

class GxDrawKey
{
public:
    void Clear() { m_Bytes.clear(); }

    // A value as its bytes: two keys that differ only in padding only cost a drawn frame.
    template <class T>
    void Add(const T& value)
    {
        static_assert(std::is_trivially_copyable_v<T>, "a key holds plain values");
        const size_t at = m_Bytes.size();
        m_Bytes.resize(at + sizeof(T));
        std::memcpy(m_Bytes.data() + at, &value, sizeof(T));
    }
    // The length first, so that neighbouring texts cannot trade characters.
    void AddText(std::u16string_view text)
    {
        Add(text.size());
        const size_t at = m_Bytes.size();
        m_Bytes.resize(at + text.size() * sizeof(char16_t));
        if (!text.empty()) std::memcpy(m_Bytes.data() + at, text.data(), text.size() * sizeof(char16_t));
    }

    size_t Size() const { return m_Bytes.size(); }
    bool operator==(const GxDrawKey& other) const { return m_Bytes == other.m_Bytes; }
    void Swap(GxDrawKey& other) { m_Bytes.swap(other.m_Bytes); }

private:
    std::vector<uint8_t> m_Bytes;
};
