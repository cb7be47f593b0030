#include "core/GxBinBuffer.h"

#include <new>

uint8_t* GxBinBuffer::Create(uint32_t size)
{
    Clear();
    // A zero-size block still gets an allocation so that "has a block" and "count 1" agree.
    m_Data = new (std::nothrow) uint8_t[size ? size : 1]();
    if (!m_Data) return nullptr;
    m_Size = size;
    m_RefCount = 1;
    return m_Data;
}

void GxBinBuffer::Clear()
{
    delete[] m_Data;
    m_Data = nullptr;
    m_Size = 0;
    m_RefCount = 0;
}

void GxBinBuffer::Release()
{
    if (m_RefCount == 0) return;
    if (--m_RefCount == 0) Clear();
}
