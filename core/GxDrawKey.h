// GxDrawKey: the bytes of everything a frame's drawing reads, gathered before it draws. A frame
// whose key equals the last drawn frame's would make the very same calls again, so a still
// screen need not walk its drawing at all (the device still has to vouch for the textures).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

class GxDrawKey
{
public:
    // A value as its bytes: two keys that differ only in padding only cost a drawn frame.
    template <class T>
    void Add(const T& value)
    {
        static_assert(std::is_trivially_copyable_v<T>, "a key holds plain values");
        std::memcpy(Extend(sizeof(T)), &value, sizeof(T));
    }
    // The length first, so that neighbouring texts cannot trade characters.
    void AddText(std::u16string_view text)
    {
        Add(text.size());
        const size_t bytes = text.size() * sizeof(char16_t);
        if (bytes != 0) std::memcpy(Extend(bytes), text.data(), bytes);
    }

    void Clear() { m_Size = 0; }
    size_t Size() const { return m_Size; }
    bool operator==(const GxDrawKey& other) const
    {
        return m_Size == other.m_Size &&
               (m_Size == 0 || std::memcmp(m_Bytes.data(), other.m_Bytes.data(), m_Size) == 0);
    }
    void Swap(GxDrawKey& other)
    {
        m_Bytes.swap(other.m_Bytes);
        std::swap(m_Size, other.m_Size);
    }

private:
    // The storage only grows: a key is built anew every frame, at about the last one's size.
    uint8_t* Extend(size_t n)
    {
        if (m_Bytes.size() - m_Size < n) m_Bytes.resize(std::max(m_Bytes.size() * 2, m_Size + n));
        uint8_t* at = m_Bytes.data() + m_Size;
        m_Size += n;
        return at;
    }

    std::vector<uint8_t> m_Bytes;
    size_t m_Size = 0;
};
