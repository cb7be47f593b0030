#include "media/GxSoundCache.h"

#include "core/GxString.h"
#include "media/GxWavData.h"

namespace {

GxSoundCache* g_Instance = nullptr;

}  // namespace

GxSoundCache* GxSoundCache::Create()
{
    if (!g_Instance) g_Instance = new GxSoundCache();
    return g_Instance;
}

GxSoundCache* GxSoundCache::Get() { return g_Instance; }

void GxSoundCache::Destroy()
{
    delete g_Instance;
    g_Instance = nullptr;
}

GxSoundCache::~GxSoundCache() { Clear(); }

GxWavData* GxSoundCache::Find(std::u16string_view fileName) const
{
    for (const auto& entry : m_Entries) {
        if (GxCompareNoCase(entry->GetName(), fileName) == 0) return entry.get();
    }
    return nullptr;
}

GxWavData* GxSoundCache::Acquire(std::u16string_view fileName)
{
    GxMutexScopedLock lock(&m_Mutex);
    if (GxWavData* found = Find(fileName)) {
        found->AddRef();
        found->Touch();
        return found;
    }
    auto entry = std::make_unique<GxWavData>();
    if (!entry->Create(fileName)) return nullptr;
    if (entry->GetDataSize() + m_TotalBytes > kGxSoundCacheMaxBytes || m_Entries.size() >= kGxSoundCacheMaxEntries) {
        Trim(entry->GetDataSize());
    }
    m_TotalBytes += entry->GetDataSize();
    m_Entries.push_back(std::move(entry));
    return m_Entries.back().get();
}

bool GxSoundCache::Release(std::u16string_view fileName)
{
    GxMutexScopedLock lock(&m_Mutex);
    GxWavData* entry = Find(fileName);
    if (!entry) return false;
    entry->Release();
    return true;
}

bool GxSoundCache::Preload(std::u16string_view fileName, bool keep)
{
    GxMutexScopedLock lock(&m_Mutex);
    GxWavData* entry = Acquire(fileName);
    if (!entry) return false;
    if (keep) entry->SetKeep(true);
    entry->Release();
    return true;
}

bool GxSoundCache::SetKeep(std::u16string_view fileName, bool keep)
{
    GxMutexScopedLock lock(&m_Mutex);
    GxWavData* entry = Find(fileName);
    if (!entry) return false;
    entry->SetKeep(keep);
    return true;
}

bool GxSoundCache::Contains(std::u16string_view fileName)
{
    GxMutexScopedLock lock(&m_Mutex);
    return Find(fileName) != nullptr;
}

bool GxSoundCache::Trim(uint64_t bytes)
{
    (void)bytes;
    return Purge();
}

bool GxSoundCache::Purge()
{
    GxMutexScopedLock lock(&m_Mutex);
    const size_t before = m_Entries.size();
    std::erase_if(m_Entries, [this](const std::unique_ptr<GxWavData>& entry) {
        if (entry->GetRefCount() != 0 || entry->IsKept()) return false;
        m_TotalBytes -= entry->GetDataSize();
        return true;
    });
    return m_Entries.size() != before;
}

bool GxSoundCache::Clear()
{
    GxMutexScopedLock lock(&m_Mutex);
    m_Entries.clear();
    m_TotalBytes = 0;
    return true;
}

uint64_t GxSoundCache::GetTotalSize()
{
    GxMutexScopedLock lock(&m_Mutex);
    return m_TotalBytes;
}

uint32_t GxSoundCache::GetCount()
{
    GxMutexScopedLock lock(&m_Mutex);
    return static_cast<uint32_t>(m_Entries.size());
}

uint64_t GxSoundCache::GetLastUseTime(std::u16string_view fileName)
{
    GxMutexScopedLock lock(&m_Mutex);
    const GxWavData* entry = Find(fileName);
    return entry ? entry->GetLastUseTime() : 0;
}

uint64_t GxSoundCache::GetLastUseTimeA(std::string_view fileName) { return GetLastUseTime(GxAnsiToWide(fileName)); }
