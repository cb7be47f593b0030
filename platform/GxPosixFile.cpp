#include "platform/GxPosixFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <algorithm>
#include <ctime>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "core/GxString.h"

namespace {

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

std::string FoldAscii(std::string_view s)
{
    std::string r(s);
    for (char& c : r) c = FoldAscii(c);
    return r;
}

std::string ToNative(std::u16string_view path)
{
    // A NUL inside the path would silently name another file.
    if (path.find(u'\0') != std::u16string_view::npos) return std::string();
    std::string p = GxPathToNative(path);
    for (char& c : p) {
        if (c == '\\') c = '/';
    }
    return p;
}

bool IsMissingErrno(int e) { return e == ENOENT || e == ENOTDIR; }

// Listings of folders searched for case variants. A listing is reused while the folder's
// identity and change times are unchanged, so a lookup costs one stat of the folder. A folder
// changed within the last few seconds before it was listed is not kept: file-system time
// stamps are coarse, so a later change in the same tick could leave the times equal.
struct DirEntryName
{
    std::string name;
    unsigned char type = DT_UNKNOWN;
};

struct DirListing
{
    dev_t dev = 0;
    ino_t ino = 0;
    timespec mtime{};
    timespec ctime{};
    // folded name -> names on disk, sorted byte-wise
    std::unordered_map<std::string, std::vector<DirEntryName>> byFolded;
};

struct DirListingCache
{
    std::mutex mutex;
    std::unordered_map<std::string, DirListing> listings;
};

DirListingCache& GetListingCache()
{
    static DirListingCache cache;
    return cache;
}

constexpr size_t kMaxCachedListings = 256;
constexpr int64_t kRacySeconds = 3;
// Bounds the search through case variants of folders (only a folder holding several names
// that differ in case alone makes it branch).
constexpr int kMaxVariantTries = 64;

bool SameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

bool ReadListing(const std::string& dir, DirListing& out)
{
    DIR* d = opendir(dir.c_str());
    if (!d) return false;
    while (dirent* e = readdir(d)) {
        std::string_view name(e->d_name);
        if (name == "." || name == "..") continue;
        out.byFolded[FoldAscii(name)].push_back(DirEntryName{std::string(name), e->d_type});
    }
    closedir(d);
    for (auto& [folded, names] : out.byFolded) {
        if (names.size() > 1) {
            std::sort(names.begin(), names.end(),
                      [](const DirEntryName& a, const DirEntryName& b) { return a.name < b.name; });
        }
    }
    return true;
}

// Entries of folder dir ("" = current directory) whose names equal component without regard
// to ASCII case: the exact spelling first, then the others byte-wise. False when the folder
// cannot be read.
bool FindCaseVariants(const std::string& dir, std::string_view component, std::vector<DirEntryName>& found)
{
    found.clear();
    const std::string folder = dir.empty() ? std::string(".") : dir;
    struct stat st;
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    const std::string folded = FoldAscii(component);
    auto take = [&](const DirListing& l) {
        auto hit = l.byFolded.find(folded);
        if (hit == l.byFolded.end()) return;
        for (const DirEntryName& e : hit->second) {
            if (e.name == component) found.insert(found.begin(), e);
            else found.push_back(e);
        }
    };

    DirListingCache& cache = GetListingCache();
    {
        std::lock_guard<std::mutex> lock(cache.mutex);
        auto it = cache.listings.find(folder);
        if (it != cache.listings.end()) {
            const DirListing& l = it->second;
            if (l.dev == st.st_dev && l.ino == st.st_ino && SameTime(l.mtime, st.st_mtim) &&
                SameTime(l.ctime, st.st_ctim)) {
                take(l);
                return true;
            }
            cache.listings.erase(it);
        }
    }

    DirListing listing;
    listing.dev = st.st_dev;
    listing.ino = st.st_ino;
    listing.mtime = st.st_mtim;
    listing.ctime = st.st_ctim;
    if (!ReadListing(folder, listing)) return false;
    take(listing);
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const bool racy = st.st_mtim.tv_sec + kRacySeconds >= now.tv_sec || st.st_ctim.tv_sec + kRacySeconds >= now.tv_sec;
    if (!racy) {
        std::lock_guard<std::mutex> lock(cache.mutex);
        if (cache.listings.size() >= kMaxCachedListings) cache.listings.clear();
        cache.listings[folder] = std::move(listing);
    }
    return true;
}

bool IsFolder(const std::string& path, unsigned char type)
{
    if (type == DT_DIR) return true;
    if (type != DT_UNKNOWN && type != DT_LNK) return false;
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Resolves components[index..] below the resolved prefix cur (ending in "/" unless empty) from
// the folders' listings: the exact spelling first, then its case variants.
bool ResolveFrom(const std::string& cur, const std::vector<std::string_view>& components, size_t index,
                 std::string& native, int& tries)
{
    if (index == components.size()) {
        native = cur;
        while (native.size() > 1 && native.back() == '/') native.pop_back();
        return true;
    }
    if (++tries > kMaxVariantTries) return false;
    const bool last = index + 1 == components.size();
    const std::string_view comp = components[index];
    if (comp == "." || comp == "..") {
        std::string next = cur;
        next.append(comp);
        if (!last) next.push_back('/');
        return ResolveFrom(next, components, index + 1, native, tries);
    }
    std::string dir = cur;
    if (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    std::vector<DirEntryName> variants;
    if (!FindCaseVariants(dir, comp, variants)) return false;
    for (const DirEntryName& v : variants) {
        std::string next = cur + v.name;
        if (last) return ResolveFrom(next, components, index + 1, native, tries);
        if (IsFolder(next, v.type) && ResolveFrom(next + "/", components, index + 1, native, tries)) return true;
        if (++tries > kMaxVariantTries) return false;
    }
    return false;
}

bool ResolveWalk(const std::string& p, std::string& native)
{
    std::vector<std::string_view> components;
    size_t i = 0;
    std::string root;
    if (!p.empty() && p[0] == '/') {
        root = "/";
        i = 1;
    }
    while (i <= p.size()) {
        size_t j = p.find('/', i);
        if (j == std::string::npos) j = p.size();
        if (j > i) components.emplace_back(p.data() + i, j - i);
        i = j + 1;
    }
    if (components.empty()) return false;
    int tries = 0;
    return ResolveFrom(root, components, 0, native, tries);
}

void FillInfo(const struct stat& st, GxPosixFileInfo* info)
{
    if (!info) return;
    info->size = st.st_size > 0 ? static_cast<uint64_t>(st.st_size) : 0;
    info->fileTime = GxPosixToFileTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    info->isDirectory = S_ISDIR(st.st_mode);
    info->isRegular = S_ISREG(st.st_mode);
}

int OpenRegular(const std::string& native, GxPosixFileInfo* info)
{
    // Non-blocking so that a FIFO never stalls the open; only regular files are accepted.
    int fd;
    do {
        fd = open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        errno = EISDIR;
        return -1;
    }
    FillInfo(st, info);
    return fd;
}

}  // namespace

uint64_t GxPosixToFileTime(int64_t seconds, int64_t nanoseconds)
{
    constexpr int64_t kEpochDiff = 11644473600;  // seconds from 1601-01-01 to 1970-01-01
    if (seconds < -kEpochDiff) return 0;
    const uint64_t s = static_cast<uint64_t>(seconds + kEpochDiff);
    if (s > (UINT64_MAX - 9999999) / 10000000) return UINT64_MAX;
    return s * 10000000u + static_cast<uint64_t>(nanoseconds / 100);
}

bool GxPosixResolvePath(std::u16string_view path, std::string& native)
{
    std::string p = ToNative(path);
    if (p.empty()) return false;
    struct stat st;
    if (stat(p.c_str(), &st) == 0) {
        native = std::move(p);
        return true;
    }
    if (!IsMissingErrno(errno)) return false;
    return ResolveWalk(p, native);
}

bool GxPosixStatPath(std::u16string_view path, GxPosixFileInfo& info)
{
    std::string p = ToNative(path);
    if (p.empty()) return false;
    struct stat st;
    if (stat(p.c_str(), &st) != 0) {
        if (!IsMissingErrno(errno)) return false;
        std::string resolved;
        if (!ResolveWalk(p, resolved) || stat(resolved.c_str(), &st) != 0) return false;
    }
    FillInfo(st, &info);
    return true;
}

int GxPosixOpenRead(std::u16string_view path, GxPosixFileInfo* info, bool* exists)
{
    if (exists) *exists = false;
    std::string p = ToNative(path);
    if (p.empty()) return -1;
    int fd = OpenRegular(p, info);
    if (fd >= 0) {
        if (exists) *exists = true;
        return fd;
    }
    if (!IsMissingErrno(errno)) {
        // Something is there (a folder, a file without read permission, ...).
        if (exists) *exists = true;
        return -1;
    }
    std::string resolved;
    if (!ResolveWalk(p, resolved)) return -1;
    if (exists) *exists = true;
    return OpenRegular(resolved, info);
}

int GxPosixOpenNative(const std::string& native)
{
    int fd;
    do {
        fd = open(native.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

void GxPosixClose(int fd)
{
    if (fd >= 0) close(fd);
}

uint32_t GxPosixReadAt(int fd, void* buffer, uint32_t count, uint64_t offset)
{
    if (fd < 0 || !buffer) return 0;
    uint8_t* out = static_cast<uint8_t*>(buffer);
    uint32_t done = 0;
    while (done < count) {
        const uint64_t at = offset + done;
        if (at < offset || at > static_cast<uint64_t>(INT64_MAX)) break;
        const size_t want = count - done;
        ssize_t n = pread(fd, out + done, want, static_cast<off_t>(at));
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (n == 0) break;
        done += static_cast<uint32_t>(n);
    }
    return done;
}

bool GxPosixFileInfoOf(int fd, GxPosixFileInfo& info)
{
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0) return false;
    FillInfo(st, &info);
    return true;
}

bool GxPosixIsDirectory(std::u16string_view path)
{
    std::string native;
    if (!GxPosixResolvePath(path, native)) return false;
    struct stat st;
    return stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool GxPosixCreateDirectory(std::u16string_view path)
{
    std::string p = ToNative(path);
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    if (p.empty()) return false;
    std::string existing;
    if (GxPosixResolvePath(path, existing)) return false;
    const size_t slash = p.rfind('/');
    std::string target;
    if (slash == std::string::npos) {
        target = p;
    } else {
        const std::string parent = slash == 0 ? std::string("/") : p.substr(0, slash);
        std::string parentNative;
        if (!GxPosixResolvePath(GxUtf8ToWide(parent), parentNative)) return false;
        target = parentNative;
        if (target.back() != '/') target.push_back('/');
        target.append(p, slash + 1, std::string::npos);
    }
    return mkdir(target.c_str(), 0777) == 0;
}

std::u16string GxPosixGetCurrentDirectory()
{
    std::vector<char> buf(512);
    while (!getcwd(buf.data(), buf.size())) {
        if (errno != ERANGE || buf.size() > (1u << 20)) return std::u16string();
        buf.resize(buf.size() * 2);
    }
    return GxReplaceChar(GxUtf8ToWide(buf.data()), u'\\', u'/');
}

std::u16string GxPosixGetDocumentsPath()
{
    std::u16string path;
    const char* docs = getenv("XDG_DOCUMENTS_DIR");
    if (docs && *docs) {
        path = GxUtf8ToWide(docs);
    } else {
        const char* home = getenv("HOME");
        if (!home || !*home) return std::u16string();
        path = GxUtf8ToWide(home);
        if (path.back() != u'/') path.push_back(u'/');
        path += u"Documents";
    }
    path = GxReplaceChar(path, u'\\', u'/');
    while (path.size() > 1 && path.back() == u'/') path.pop_back();
    return path;
}
