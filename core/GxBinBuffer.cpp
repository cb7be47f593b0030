#include "core/GxBinBuffer.h"

#include <cstdlib>

uint8_t* GxBinBuffer::Create(uint32_t size)
{
    Clear();
    // calloc: large blocks come zeroed from the system without being touched. A zero-size block
    // still gets an allocation so that "has a block" and "count 1" agree.
    m_Data = static_cast<uint8_t*>(std::calloc(size ? size : 1, 1));
    if (!m_Data) return nullptr;
    m_Size = size;
    m_RefCount = 1;
    return m_Data;
}

uint8_t* GxBinBuffer::CreateUninitialized(uint32_t size)
{
    Clear();
    m_Data = static_cast<uint8_t*>(std::malloc(size ? size : 1));
    if (!m_Data) return nullptr;
    m_Size = size;
    m_RefCount = 1;
    return m_Data;
}

void GxBinBuffer::Clear()
{
    std::free(m_Data);
    m_Data = nullptr;
    m_Size = 0;
    m_RefCount = 0;
}

void GxBinBuffer::Release()
{
    if (m_RefCount == 0) return;
    if (--m_RefCount == 0) Clear();
}
