#include "core/GxFileCache.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "core/GxFile.h"

namespace {

uint32_t SteadyMilliseconds()
{
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

GxFileCache::GxFileCache() = default;

GxFileCache::~GxFileCache() { Clear(); }

uint32_t GxFileCache::Now() const { return m_Clock ? m_Clock() : SteadyMilliseconds(); }

bool GxFileCache::Find(std::u16string_view key, uint64_t fileTime, GxBinBuffer& out)
{
    GxMutexScopedLock lock(&m_Mutex);
    if (!m_Enabled) return false;
    auto it = m_Entries.find(key);
    if (it == m_Entries.end() || it->second->m_FileTime != fileTime) return false;
    GxFileCacheBuffer& entry = *it->second;
    const uint32_t size = entry.GetSize();
    uint8_t* dst = out.Create(size);
    if (!dst) return false;
    if (size) std::memcpy(dst, entry.GetBuffer(), size);
    entry.m_LastUse = Now();
    return true;
}

bool GxFileCache::Add(std::u16string_view key, const uint8_t* bytes, uint32_t size, uint64_t fileTime)
{
    GxMutexScopedLock lock(&m_Mutex);
    RemoveLocked(key);
    if (!m_Enabled || size > m_MaxFileSize || size > m_MaxSize) return false;
    if (size && !bytes) return false;
    if (static_cast<uint64_t>(size) + m_TotalSize > m_MaxSize) TrimLocked(size);
    auto entry = std::make_unique<GxFileCacheBuffer>();
    uint8_t* dst = entry->Create(size);
    if (!dst) return false;
    if (size) std::memcpy(dst, bytes, size);
    entry->m_LastUse = Now();
    entry->m_FileTime = fileTime;
    m_Entries.emplace(std::u16string(key), std::move(entry));
    m_TotalSize += size;
    return true;
}

bool GxFileCache::Remove(std::u16string_view key)
{
    GxMutexScopedLock lock(&m_Mutex);
    return RemoveLocked(key);
}

bool GxFileCache::RemoveLocked(std::u16string_view key)
{
    auto it = m_Entries.find(key);
    if (it == m_Entries.end()) return false;
    m_TotalSize -= it->second->GetSize();
    m_Entries.erase(it);
    return true;
}

bool GxFileCache::Trim(uint32_t bytesNeeded)
{
    GxMutexScopedLock lock(&m_Mutex);
    TrimLocked(bytesNeeded);
    return true;
}

void GxFileCache::TrimLocked(uint32_t bytesNeeded)
{
    const uint32_t target = std::max(bytesNeeded, m_MaxSize / 4);
    using Entry = decltype(m_Entries)::iterator;
    std::vector<Entry> order;
    order.reserve(m_Entries.size());
    for (auto it = m_Entries.begin(); it != m_Entries.end(); ++it) order.push_back(it);
    std::stable_sort(order.begin(), order.end(),
                     [](const Entry& a, const Entry& b) { return a->second->m_LastUse < b->second->m_LastUse; });
    uint64_t freed = 0;
    for (const Entry& it : order) {
        if (freed >= target) break;
        const uint32_t size = it->second->GetSize();
        m_TotalSize -= size;
        freed += size;
        m_Entries.erase(it);  // erasing one map node leaves the other iterators valid
    }
}

void GxFileCache::Clear()
{
    GxMutexScopedLock lock(&m_Mutex);
    m_Entries.clear();
    m_TotalSize = 0;
}

uint32_t GxFileCache::GetTotalSize()
{
    GxMutexScopedLock lock(&m_Mutex);
    return m_TotalSize;
}

size_t GxFileCache::GetEntryCount()
{
    GxMutexScopedLock lock(&m_Mutex);
    return m_Entries.size();
}

bool GxFileCache::Contains(std::u16string_view key)
{
    GxMutexScopedLock lock(&m_Mutex);
    return m_Entries.find(key) != m_Entries.end();
}

void GxFileCache::SetEnabled(bool enabled)
{
    GxMutexScopedLock lock(&m_Mutex);
    m_Enabled = enabled;
}

void GxFileCache::SetMaxSize(uint32_t bytes)
{
    GxMutexScopedLock lock(&m_Mutex);
    m_MaxSize = bytes;
}

void GxFileCache::SetMaxFileSize(uint32_t bytes)
{
    GxMutexScopedLock lock(&m_Mutex);
    m_MaxFileSize = bytes;
}

bool GxFileCache::IsEnabled()
{
    GxMutexScopedLock lock(&m_Mutex);
    return m_Enabled;
}

uint32_t GxFileCache::GetMaxSize()
{
    GxMutexScopedLock lock(&m_Mutex);
    return m_MaxSize;
}

uint32_t GxFileCache::GetMaxFileSize()
{
    GxMutexScopedLock lock(&m_Mutex);
    return m_MaxFileSize;
}

void GxFileCache::SetClock(Clock clock)
{
    GxMutexScopedLock lock(&m_Mutex);
    m_Clock = std::move(clock);
}

GxFileCache& GxGetFileCache()
{
    static GxFileCache cache;
    return cache;
}

// The settings run during start-up under the file-layer lock; the cache's own lock is taken
// inside as well, since loads on other threads read the same fields.
void GxFileCacheSetEnabled(bool enabled)
{
    GxMutexScopedLock lock(&GxFileGetLock());
    GxGetFileCache().SetEnabled(enabled);
}

void GxFileCacheSetMaxSize(uint32_t bytes)
{
    GxMutexScopedLock lock(&GxFileGetLock());
    GxGetFileCache().SetMaxSize(bytes);
}

void GxFileCacheSetMaxFileSize(uint32_t bytes)
{
    GxMutexScopedLock lock(&GxFileGetLock());
    GxGetFileCache().SetMaxFileSize(bytes);
}

void GxFileCacheClear()
{
    GxMutexScopedLock lock(&GxFileGetLock());
    GxGetFileCache().Clear();
}
