// The file cache: whole images of small files, keyed by the lower-cased path and validated by
// the file's time stamp, within a byte budget, evicting the least recently used entries first.
//
// Every operation holds the cache's own lock. A hit is copied out under that lock, so another
// thread can never evict or replace an entry while it is being copied.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "core/GxBinBuffer.h"
#include "core/GxMutex.h"

// One cached file image.
class GxFileCacheBuffer : public GxBinBuffer
{
public:
    uint32_t m_LastUse = 0;   // millisecond clock at creation or at the last hit
    uint64_t m_FileTime = 0;  // the file's time stamp when it was read
};

class GxFileCache
{
public:
    using Clock = std::function<uint32_t()>;

    GxFileCache();
    virtual ~GxFileCache();
    GxFileCache(const GxFileCache&) = delete;
    GxFileCache& operator=(const GxFileCache&) = delete;

    // While enabled: when an entry has this key and this time stamp, stamps its last use, copies
    // its bytes into out (replacing out's block) and returns true. Otherwise out is untouched.
    bool Find(std::u16string_view key, uint64_t fileTime, GxBinBuffer& out);
    // Replaces any entry of this key with a copy of the bytes when the cache is enabled and the
    // size is within the per-file limit and the budget; trims first when the budget would be
    // passed. The old entry is removed even when the new one is refused.
    bool Add(std::u16string_view key, const uint8_t* bytes, uint32_t size, uint64_t fileTime);
    bool Add(std::u16string_view key, const GxBinBuffer& bytes, uint64_t fileTime)
    {
        return Add(key, bytes.GetBuffer(), bytes.GetSize(), fileTime);
    }
    bool Remove(std::u16string_view key);
    // Frees at least max(bytesNeeded, budget / 4) bytes (or everything), oldest last use first;
    // entries used at the same moment go in key order.
    bool Trim(uint32_t bytesNeeded);
    void Clear();

    uint32_t GetTotalSize();
    size_t GetEntryCount();
    bool Contains(std::u16string_view key);

    void SetEnabled(bool enabled);
    void SetMaxSize(uint32_t bytes);
    void SetMaxFileSize(uint32_t bytes);
    bool IsEnabled();
    uint32_t GetMaxSize();
    uint32_t GetMaxFileSize();
    // The millisecond clock that stamps last use (a steady clock unless replaced); null restores it.
    void SetClock(Clock clock);

private:
    bool RemoveLocked(std::u16string_view key);
    void TrimLocked(uint32_t bytesNeeded);
    uint32_t Now() const;

    GxMutex m_Mutex;
    std::map<std::u16string, std::unique_ptr<GxFileCacheBuffer>, std::less<>> m_Entries;
    uint32_t m_MaxSize = 0;
    uint32_t m_TotalSize = 0;
    uint32_t m_MaxFileSize = 0;
    bool m_Enabled = false;
    Clock m_Clock;
};

// The one global cache, constructed on first use.
GxFileCache& GxGetFileCache();

// Settings, written under the file-layer lock.
void GxFileCacheSetEnabled(bool enabled);
void GxFileCacheSetMaxSize(uint32_t bytes);
void GxFileCacheSetMaxFileSize(uint32_t bytes);
// Takes the file-layer lock, then the cache's, and empties the cache.
void GxFileCacheClear();
