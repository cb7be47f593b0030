#include "core/GxPackFile.h"

#include <atomic>
#include <cstring>

#include "core/GxFile.h"
#include "core/GxLog.h"
#include "core/GxMutex.h"
#include "core/GxString.h"
#include "platform/GxPosixFile.h"

namespace {

uint32_t ReadU32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

uint64_t ReadU64(const uint8_t* p) { return static_cast<uint64_t>(ReadU32(p)) | static_cast<uint64_t>(ReadU32(p + 4)) << 32; }

std::atomic<GxPackUnscrambleFunc>& UnscrambleRoutine()
{
    static std::atomic<GxPackUnscrambleFunc> routine{nullptr};
    return routine;
}

std::vector<std::unique_ptr<GxPackFileHeaderCache>>& PackList()
{
    static std::vector<std::unique_ptr<GxPackFileHeaderCache>> list;
    return list;
}

char16_t LowerAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

}  // namespace

void GxPackFileSetUnscrambleRoutine(GxPackUnscrambleFunc routine) { UnscrambleRoutine().store(routine); }

bool GxPackFileHasUnscrambleRoutine() { return UnscrambleRoutine().load() != nullptr; }

void GxPackFileUnscramble(uint8_t* bytes, uint32_t count, uint32_t position)
{
    GxPackUnscrambleFunc routine = UnscrambleRoutine().load();
    if (routine && bytes && count) routine(bytes, count, position);
}

uint32_t GxPackFileHeaderCache::GetNameWidth() const { return ReadU32(m_Header + 12); }
bool GxPackFileHeaderCache::IsScrambled() const { return ReadU32(m_Header + 20) != 0; }
uint32_t GxPackFileHeaderCache::GetRecordCount() const { return ReadU32(m_Header + 24); }
uint32_t GxPackFileHeaderCache::GetIndexSize() const { return ReadU32(m_Header + 28); }
uint64_t GxPackFileHeaderCache::GetBaseOffset() const { return ReadU64(m_Header + 40); }

bool GxPackFileHeaderCache::Open(std::u16string_view path)
{
    if (m_Open || !m_Index.empty()) Close();

    GxPosixFileInfo info;
    const int fd = GxPosixOpenRead(path, &info, nullptr);
    if (fd < 0) return false;
    std::string native;
    GxPosixResolvePath(path, native);

    uint8_t header[kGxPackHeaderSize];
    if (GxPosixReadAt(fd, header, kGxPackHeaderSize, 0) != kGxPackHeaderSize) {
        GxPosixClose(fd);
        return false;
    }
    const uint32_t indexSize = ReadU32(header + 28);
    // The index size is untrusted: never allocate more than the file can hold.
    if (info.size < kGxPackHeaderSize || indexSize > info.size - kGxPackHeaderSize) {
        GxPosixClose(fd);
        return false;
    }
    std::vector<uint8_t> index(indexSize);
    if (indexSize && GxPosixReadAt(fd, index.data(), indexSize, kGxPackHeaderSize) != indexSize) {
        GxPosixClose(fd);
        return false;
    }
    GxPosixClose(fd);

    const bool scrambled = ReadU32(header + 20) != 0;
    if (scrambled && !GxPackFileHasUnscrambleRoutine()) {
        GxPrintErrorLog(u"Error/GxPackFileHeaderCache::Open scrambled pack without an unscramble routine(%s)\n", path);
        return false;
    }
    const uint32_t nameWidth = ReadU32(header + 12);
    const uint32_t minRecord = kGxPackRecordNameOffset + (nameWidth == 0 ? 1 : 2);
    if (scrambled) {
        // Each record's length is only known once its first four bytes are plain.
        const uint32_t count = ReadU32(header + 24);
        uint32_t at = 0;
        for (uint32_t i = 0; i < count; ++i) {
            if (indexSize - at < minRecord) break;  // reported by the walk below
            GxPackFileUnscramble(index.data() + at, 4, 0);
            const uint32_t len = ReadU32(index.data() + at);
            if (len < minRecord || len > indexSize - at) break;
            GxPackFileUnscramble(index.data() + at + 4, len - 4, 4);
            at += len;
        }
    }

    std::memcpy(m_Header, header, kGxPackHeaderSize);
    m_Index = std::move(index);
    m_Path = std::u16string(path);
    m_NativePath = std::move(native);
    m_FileSize = info.size;
    m_Open = true;
    if (!BuildNameMap()) {
        Close();
        return false;
    }
    return true;
}

bool GxPackFileHeaderCache::BuildNameMap()
{
    m_NameMap.clear();
    m_Records.clear();
    const uint32_t count = GetRecordCount();
    const bool wide = GetNameWidth() != 0;
    const uint32_t minRecord = kGxPackRecordNameOffset + (wide ? 2 : 1);
    const size_t indexSize = m_Index.size();
    // Every record takes at least minRecord bytes, so the count is bounded by the block.
    if (count > indexSize / minRecord) {
        GxPrintErrorLog(u"Error/GxPackFileHeaderCache::BuildNameMap %u records do not fit in an index of %u bytes(%s)\n",
                        count, static_cast<uint32_t>(indexSize), m_Path);
        return false;
    }
    m_Records.reserve(count);
    size_t at = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* rec = m_Index.data() + at;
        const uint32_t len = indexSize - at >= 4 ? ReadU32(rec) : 0;
        bool ok = len >= minRecord && len <= indexSize - at;
        std::u16string name;
        if (ok) {
            ok = false;
            if (wide) {
                for (uint32_t k = kGxPackRecordNameOffset; k + 1 < len; k += 2) {
                    const char16_t c = static_cast<char16_t>(rec[k] | rec[k + 1] << 8);
                    if (c == 0) {
                        ok = true;
                        break;
                    }
                    name.push_back(c);
                }
            } else {
                const void* end = std::memchr(rec + kGxPackRecordNameOffset, 0, len - kGxPackRecordNameOffset);
                if (end) {
                    ok = true;
                    name = GxAnsiToWide(std::string_view(reinterpret_cast<const char*>(rec + kGxPackRecordNameOffset),
                                                         static_cast<const uint8_t*>(end) - rec - kGxPackRecordNameOffset));
                }
            }
        }
        if (!ok) {
            GxPrintErrorLog(u"Error/GxPackFileHeaderCache::BuildNameMap broken index record %u at %u (length %u)(%s)\n", i,
                            static_cast<uint32_t>(at), len, m_Path);
            m_Records.clear();
            return false;
        }
        GxPackIndexRecord r;
        r.m_RecordLength = len;
        r.m_Size = ReadU32(rec + 4);
        r.m_FileTime = ReadU64(rec + 16);
        r.m_DataOffset = ReadU64(rec + 24);
        r.m_Path = std::move(name);
        m_Records.push_back(std::move(r));
        at += len;
    }
    // The records vector is complete: pointers into it stay valid from here on.
    for (const GxPackIndexRecord& r : m_Records) {
        m_NameMap.emplace(GxToLower(r.m_Path), &r);  // the first record of a path stays
    }
    return true;
}

const GxPackIndexRecord* GxPackFileHeaderCache::Find(std::u16string_view path) const
{
    if (path.empty() || path.size() > kGxPackMaxPathLength) return nullptr;
    char16_t key[kGxPackMaxPathLength];
    for (size_t i = 0; i < path.size(); ++i) {
        const char16_t c = path[i];
        key[i] = c == u'\\' ? u'/' : LowerAscii(c);
    }
    auto it = m_NameMap.find(std::u16string_view(key, path.size()));
    return it == m_NameMap.end() ? nullptr : it->second;
}

void GxPackFileHeaderCache::Close()
{
    std::memset(m_Header, 0, sizeof m_Header);
    m_Index.clear();
    m_Index.shrink_to_fit();
    m_NameMap.clear();
    m_Records.clear();
    m_Path.clear();
    m_NativePath.clear();
    m_FileSize = 0;
    m_Open = false;
}

bool GxFileOpenPack(std::u16string_view path)
{
    GxMutexScopedLock lock(&GxFileGetLock());
    auto pack = std::make_unique<GxPackFileHeaderCache>();
    if (!pack->Open(path)) return false;
    PackList().push_back(std::move(pack));
    return true;
}

const GxPackIndexRecord* GxFileFindPackMember(GxPackFileHeaderCache** pack, const GxPackIndexRecord** record,
                                              std::u16string_view path)
{
    GxMutexScopedLock lock(&GxFileGetLock());
    for (const auto& p : PackList()) {
        if (const GxPackIndexRecord* r = p->Find(path)) {
            if (pack) *pack = p.get();
            if (record) *record = r;
            return r;
        }
    }
    return nullptr;
}

void GxFileCloseAllPacks()
{
    GxMutexScopedLock lock(&GxFileGetLock());
    PackList().clear();
}

size_t GxFileGetPackCount()
{
    GxMutexScopedLock lock(&GxFileGetLock());
    return PackList().size();
}
