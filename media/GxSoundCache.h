// Whole decoded sounds kept by file name, so that short sounds (above all the interface sounds
// played as one-shots) are decoded once. One instance for the process, created and destroyed
// explicitly by the sound system's start-up and shutdown.
//
// Names compare with ASCII letters folded. Reaching 20 MiB of samples or 1024 entries purges
// the unreferenced, unkept entries before a new one is added; the new entry is added even when
// the purge freed nothing.
//
// Locking: every operation holds the cache's own lock for its whole duration. The sound system
// calls in while holding its sound lock, so the order is always sound lock, then cache lock.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/GxMutex.h"

class GxWavData;

constexpr uint64_t kGxSoundCacheMaxBytes = 0x1400000;
constexpr uint32_t kGxSoundCacheMaxEntries = 0x400;

class GxSoundCache
{
public:
    // The process-wide instance: Create makes it (once), Get finds it (null before Create or
    // after Destroy), Destroy deletes it with every entry.
    static GxSoundCache* Create();
    static GxSoundCache* Get();
    static void Destroy();

    GxSoundCache() = default;
    virtual ~GxSoundCache();
    GxSoundCache(const GxSoundCache&) = delete;
    GxSoundCache& operator=(const GxSoundCache&) = delete;

    // The named sound, decoded on first use; the caller holds one reference afterwards. Null
    // when the file cannot be decoded (nothing is cached for it).
    GxWavData* Acquire(std::u16string_view fileName);
    // Drops one reference; false when the name is not cached.
    bool Release(std::u16string_view fileName);
    // Decodes into the cache without holding a reference; keep protects it from purges.
    bool Preload(std::u16string_view fileName, bool keep);
    bool SetKeep(std::u16string_view fileName, bool keep);
    // No reference taken, no touch.
    bool Contains(std::u16string_view fileName);
    // Purges; the byte count is not looked at.
    bool Trim(uint64_t bytes);
    // Deletes every unreferenced, unkept entry; true when one or more went.
    bool Purge();
    // Deletes every entry whatever its count and keep flag.
    bool Clear();
    uint64_t GetTotalSize();
    uint32_t GetCount();
    // The entry's last use on the sound clock; 0 when not cached.
    uint64_t GetLastUseTime(std::u16string_view fileName);
    uint64_t GetLastUseTimeA(std::string_view fileName);

private:
    GxWavData* Find(std::u16string_view fileName) const;

    std::vector<std::unique_ptr<GxWavData>> m_Entries;  // oldest first
    uint64_t m_TotalBytes = 0;
    GxMutex m_Mutex;
};
