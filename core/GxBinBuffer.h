// An owned, reference-counted block of bytes: whole-file loads, cached file images and the
// content readers' input.
#pragma once

#include <cstdint>

class GxBinBuffer
{
public:
    GxBinBuffer() = default;
    explicit GxBinBuffer(uint32_t size) { Create(size); }
    virtual ~GxBinBuffer() { Clear(); }
    GxBinBuffer(const GxBinBuffer&) = delete;
    GxBinBuffer& operator=(const GxBinBuffer&) = delete;

    // Replaces any block with a zero-filled one of size bytes; the count becomes 1.
    // Returns null when the allocation fails (the buffer is then empty).
    uint8_t* Create(uint32_t size);
    // As Create, but the bytes are left as they come: for a caller that writes every one of them
    // at once (a whole-file read), which then costs no zeroing pass over a reused heap block.
    uint8_t* CreateUninitialized(uint32_t size);
    void Clear();
    void AddRef() { ++m_RefCount; }
    void Release();

    uint8_t* GetBuffer() const { return m_Data; }
    uint32_t GetSize() const { return m_Size; }
    uint32_t GetRefCount() const { return m_RefCount; }
    uint8_t GetFirstByte() const { return m_Data && m_Size ? m_Data[0] : 0; }

private:
    uint8_t* m_Data = nullptr;
    uint32_t m_Size = 0;
    uint32_t m_RefCount = 0;
};
