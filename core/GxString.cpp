#include "core/GxString.h"

#include <iconv.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <ctime>
#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace {

bool IsSep(char16_t c) { return c == u'/' || c == u'\\' || c == u':'; }

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? c + 32 : c; }
char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? c - 32 : c; }

// iconv handles are not thread-safe; each thread keeps its own pair.
struct IconvPair
{
    iconv_t toWide = reinterpret_cast<iconv_t>(-1);
    iconv_t fromWide = reinterpret_cast<iconv_t>(-1);
    IconvPair()
    {
        toWide = iconv_open("UTF-16LE", "CP932");
        fromWide = iconv_open("CP932", "UTF-16LE");
    }
    ~IconvPair()
    {
        if (toWide != reinterpret_cast<iconv_t>(-1)) iconv_close(toWide);
        if (fromWide != reinterpret_cast<iconv_t>(-1)) iconv_close(fromWide);
    }
};

IconvPair& Iconv()
{
    thread_local IconvPair pair;
    return pair;
}

}  // namespace

std::u16string GxGetFileName(std::u16string_view path)
{
    for (size_t i = path.size(); i > 0; --i)
        if (IsSep(path[i - 1])) return std::u16string(path.substr(i));
    return std::u16string(path);
}

std::u16string GxGetDirectory(std::u16string_view path)
{
    for (size_t i = path.size(); i > 0; --i)
        if (IsSep(path[i - 1])) return std::u16string(path.substr(0, i));
    return {};
}

std::u16string GxGetExtension(std::u16string_view path)
{
    for (size_t i = path.size(); i > 0; --i) {
        char16_t c = path[i - 1];
        if (c == u'.') return std::u16string(path.substr(i - 1));
        if (IsSep(c)) return {};
    }
    return {};
}

std::u16string GxGetFileTitle(std::u16string_view path)
{
    std::u16string name = GxGetFileName(path);
    size_t dot = name.find(u'.');
    return dot == std::u16string::npos ? name : name.substr(0, dot);
}

std::u16string GxChangeExtension(std::u16string_view path, std::u16string_view ext)
{
    size_t extLen = GxGetExtension(path).size();
    if (extLen == 0) return std::u16string(path);
    std::u16string r(path.substr(0, path.size() - extLen));
    r.append(ext);
    return r;
}

bool GxHasExtension(std::u16string_view path, std::u16string_view ext)
{
    return GxCompareNoCase(GxGetExtension(path), ext) == 0;
}

std::u16string GxAddPathSeparator(std::u16string_view path, char16_t sep)
{
    std::u16string r(path);
    if (r.empty()) return r;
    if (r.back() != u'/' && r.back() != u'\\') r.push_back(sep);
    return r;
}

std::u16string GxRemovePathSeparator(std::u16string_view path)
{
    if (!path.empty() && (path.back() == u'/' || path.back() == u'\\')) path.remove_suffix(1);
    return std::u16string(path);
}

std::u16string GxCombinePath(std::u16string_view dir, std::u16string_view name, char16_t sep)
{
    if (dir.empty()) return std::u16string(name);
    std::u16string r(dir);
    if (r.back() != u'/' && r.back() != u'\\') r.push_back(sep);
    r.append(name);
    return r;
}

std::u16string GxGetFullPath(std::u16string_view path)
{
    // Resolved by text alone, as the folder functions do: the file need not exist, links are not
    // followed, "." and ".." are folded and both separators are read (and written as "/").
    if (path.empty()) return {};
    std::u16string abs;
    if (path[0] != u'/' && path[0] != u'\\') {
        char cwd[4096];
        if (!getcwd(cwd, sizeof cwd)) return {};
        abs = GxUtf8ToWide(cwd);
        abs.push_back(u'/');
    }
    abs.append(path);
    const bool trailing = abs.back() == u'/' || abs.back() == u'\\';
    std::vector<std::u16string_view> parts;
    std::u16string_view rest(abs);
    while (!rest.empty()) {
        size_t p = rest.find_first_of(u"/\\");
        std::u16string_view part = rest.substr(0, p);
        rest = p == std::u16string_view::npos ? std::u16string_view() : rest.substr(p + 1);
        if (part.empty() || part == u".") continue;
        if (part == u"..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::u16string r;
    for (auto part : parts) {
        r.push_back(u'/');
        r.append(part);
    }
    if (r.empty() || trailing) r.push_back(u'/');
    if (r.size() >= 520) return {};
    return r;
}

std::u16string GxReplaceChar(std::u16string_view s, char16_t from, char16_t to)
{
    std::u16string r(s);
    for (char16_t& c : r)
        if (c == from) c = to;
    return r;
}

int GxCompareNoCase(std::u16string_view a, std::u16string_view b)
{
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        char16_t x = Lower(a[i]), y = Lower(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

int GxFind(std::u16string_view s, std::u16string_view text, int start)
{
    if (start < 0) start = 0;
    if (static_cast<size_t>(start) > s.size()) return -1;
    size_t p = s.find(text, start);
    return p == std::u16string_view::npos ? -1 : static_cast<int>(p);
}

int GxFindFirstOf(std::u16string_view s, std::u16string_view set, int start)
{
    if (start < 0) start = 0;
    if (static_cast<size_t>(start) >= s.size()) return -1;
    size_t p = s.find_first_of(set, start);
    return p == std::u16string_view::npos ? -1 : static_cast<int>(p);
}

int GxFindLastOf(std::u16string_view s, std::u16string_view set, int start)
{
    if (s.empty()) return -1;
    size_t from = start < 0 ? std::u16string_view::npos : static_cast<size_t>(start);
    size_t p = s.find_last_of(set, from);
    return p == std::u16string_view::npos ? -1 : static_cast<int>(p);
}

std::u16string GxMidString(std::u16string_view s, int start)
{
    if (start < 0) start = 0;
    if (static_cast<size_t>(start) >= s.size()) return {};
    return std::u16string(s.substr(start));
}

std::u16string GxToLower(std::u16string_view s)
{
    std::u16string r(s);
    for (char16_t& c : r) c = Lower(c);
    return r;
}

std::u16string GxToUpper(std::u16string_view s)
{
    std::u16string r(s);
    for (char16_t& c : r) c = Upper(c);
    return r;
}

std::string GxToLowerA(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c += 32;
    return r;
}

std::u16string GxReplaceAll(std::u16string_view s, std::u16string_view search, std::u16string_view repl)
{
    if (search.empty()) return std::u16string(s);
    std::u16string r;
    size_t pos = 0;
    while (true) {
        size_t p = s.find(search, pos);
        if (p == std::u16string_view::npos) break;
        r.append(s.substr(pos, p - pos));
        r.append(repl);
        pos = p + search.size();
    }
    r.append(s.substr(pos));
    return r;
}

std::u16string GxAnsiToWide(std::string_view text)
{
    std::u16string out;
    if (text.empty()) return out;
    out.reserve(text.size());
    // Plain ASCII needs no table.
    size_t i = 0;
    while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) out.push_back(text[i++]);
    if (i == text.size()) return out;

    iconv_t cd = Iconv().toWide;
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        for (; i < text.size(); ++i) {
            unsigned char b = text[i];
            out.push_back(b < 0x80 ? b : 0xFFFD);
        }
        return out;
    }
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char buf[1024];
    while (i < text.size()) {
        char* in = const_cast<char*>(text.data() + i);
        size_t inLeft = text.size() - i;
        char* o = buf;
        size_t oLeft = sizeof buf;
        size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        for (char* p = buf; p + 1 < o; p += 2)
            out.push_back(static_cast<char16_t>(static_cast<unsigned char>(p[0]) | (static_cast<unsigned char>(p[1]) << 8)));
        i = text.size() - inLeft;
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL (a lead byte cut off at the end): one replacement per bad byte.
            out.push_back(0xFFFD);
            ++i;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

std::string GxWideToAnsi(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    iconv_t cd = Iconv().fromWide;
    const bool haveTable = cd != reinterpret_cast<iconv_t>(-1);
    std::string bytes;  // UTF-16LE input for the converter, built explicitly
    char buf[1024];
    size_t i = 0;
    while (i < text.size()) {
        char16_t c = text[i];
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        // A run of non-ASCII units goes through the table in one call.
        size_t e = i;
        while (e < text.size() && text[e] >= 0x80) ++e;
        if (!haveTable) {
            out.append(e - i, '?');
            i = e;
            continue;
        }
        bytes.clear();
        for (size_t k = i; k < e; ++k) {
            bytes.push_back(static_cast<char>(text[k] & 0xFF));
            bytes.push_back(static_cast<char>(text[k] >> 8));
        }
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char* in = bytes.data();
        size_t inLeft = bytes.size();
        while (inLeft > 0) {
            char* o = buf;
            size_t oLeft = sizeof buf;
            size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
            out.append(buf, o - buf);
            if (r != static_cast<size_t>(-1) || errno == E2BIG) continue;
            // A character the code page cannot hold, or a lone surrogate: one '?' for it.
            size_t at = i + (bytes.size() - inLeft) / 2;
            size_t units = 1;
            if (text[at] >= 0xD800 && text[at] <= 0xDBFF && at + 1 < e && text[at + 1] >= 0xDC00 &&
                text[at + 1] <= 0xDFFF)
                units = 2;
            out.push_back('?');
            in += units * 2;
            inLeft -= units * 2;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
        i = e;
    }
    return out;
}

void GxAppendUtf8ToWide(std::u16string& out, std::string_view utf8)
{
    const size_t n = utf8.size();
    const unsigned char* s = reinterpret_cast<const unsigned char*>(utf8.data());
    size_t i = 0;
    while (i < n) {
        unsigned char b = s[i];
        if (b < 0x80) {
            out.push_back(b);
            ++i;
            continue;
        }
        uint32_t cp = 0, min = 0;
        size_t len = 0;
        if (b >= 0xC2 && b <= 0xDF) { len = 2; cp = b & 0x1F; min = 0x80; }
        else if (b >= 0xE0 && b <= 0xEF) { len = 3; cp = b & 0x0F; min = 0x800; }
        else if (b >= 0xF0 && b <= 0xF4) { len = 4; cp = b & 0x07; min = 0x10000; }
        bool ok = len != 0 && i + len <= n;
        for (size_t k = 1; ok && k < len; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) ok = false;
            else cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        if (ok && (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
        if (!ok) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += len;
    }
}

void GxAppendWideToUtf8(std::string& out, std::u16string_view text)
{
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        uint32_t c = text[i];
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        char b[4];
        size_t len;
        if (c < 0x800) {
            b[0] = static_cast<char>(0xC0 | (c >> 6));
            b[1] = static_cast<char>(0x80 | (c & 0x3F));
            len = 2;
        } else if (c < 0x10000) {
            b[0] = static_cast<char>(0xE0 | (c >> 12));
            b[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            b[2] = static_cast<char>(0x80 | (c & 0x3F));
            len = 3;
        } else {
            b[0] = static_cast<char>(0xF0 | (c >> 18));
            b[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            b[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            b[3] = static_cast<char>(0x80 | (c & 0x3F));
            len = 4;
        }
        out.append(b, len);
    }
}

std::u16string GxUtf8ToWide(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    GxAppendUtf8ToWide(out, text);
    return out;
}

std::string GxWideToUtf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    GxAppendWideToUtf8(out, text);
    return out;
}

std::u16string GxIntToString(int v) { return GxFormatString(u"%d", v); }
std::u16string GxDoubleToString(double v) { return GxFormatString(u"%f", v); }

std::u16string GxTrim(std::u16string_view s, int mode)
{
    if (mode == 0) return std::u16string(s);
    if (mode >= 1 && mode <= 3) {
        size_t b = 0, e = s.size();
        if (mode & 1)
            while (b < e && s[b] <= 32) ++b;
        if (mode & 2)
            while (e > b && s[e - 1] <= 32) --e;
        if (mode == 1 && b == s.size()) return {};
        if (mode == 2 && e == 0) return {};
        return std::u16string(s.substr(b, e - b));
    }
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == u'\r' || s[b] == u'\n')) ++b;
    while (e > b && (s[e - 1] == u'\r' || s[e - 1] == u'\n')) --e;
    return std::u16string(s.substr(b, e - b));
}

std::u16string GxUnquote(std::u16string_view s, int start)
{
    if (start < 0) start = 0;
    if (static_cast<size_t>(start) >= s.size()) return {};
    char16_t q = s[start];
    if (q != u'"' && q != u'\'') return std::u16string(s.substr(start));
    bool escaped = false;
    size_t i = start + 1;
    for (; i < s.size(); ++i) {
        char16_t c = s[i];
        if (c == u'"' || c == u'\'') {
            if (c == q && !escaped) break;
            escaped = false;
        } else if (c == u'\\') {
            if (i + 1 < s.size() && (s[i + 1] == u'"' || s[i + 1] == u'\'')) escaped = !escaped;
            else escaped = false;
        } else {
            escaped = false;
        }
    }
    return std::u16string(s.substr(start + 1, i - (start + 1)));
}

namespace {
template <typename S, typename V>
int SplitImpl(std::vector<S>& out, V text, V delim)
{
    out.clear();
    if (delim.empty()) {
        out.emplace_back(text);
        return 1;
    }
    size_t pos = 0;
    while (true) {
        size_t p = text.find(delim, pos);
        if (p == V::npos) {
            out.emplace_back(text.substr(pos));
            break;
        }
        out.emplace_back(text.substr(pos, p - pos));
        pos = p + delim.size();
    }
    return static_cast<int>(out.size());
}
}  // namespace

int GxSplitString(std::vector<std::u16string>& out, std::u16string_view text, std::u16string_view delim)
{
    return SplitImpl(out, text, delim);
}

int GxSplitStringPadded(std::vector<std::u16string>& out, std::u16string_view text, std::u16string_view delim,
                        int fieldCount)
{
    SplitImpl(out, text, delim);
    if (fieldCount < 0) fieldCount = 0;
    out.resize(fieldCount);
    return fieldCount;
}

int GxSplitStringA(std::vector<std::string>& out, std::string_view text, std::string_view delim)
{
    return SplitImpl(out, text, delim);
}

std::u16string GxJoinString(const std::vector<std::u16string>& v, std::u16string_view sep)
{
    std::u16string r;
    for (size_t i = 0; i < v.size(); ++i) {
        if (i) r.append(sep);
        r.append(v[i]);
    }
    return r;
}

void GxTrimEach(std::vector<std::u16string>& v, int mode)
{
    for (auto& s : v) s = GxTrim(s, mode);
}

namespace {
bool LocalTime(int64_t t, struct tm& out)
{
    time_t tt = static_cast<time_t>(t);
    if (!localtime_r(&tt, &out)) {
        out = {};
        out.tm_year = -1900;
        out.tm_mon = -1;
        return false;
    }
    return true;
}
}  // namespace

int GxGetTimeYear(int64_t t) { struct tm m; return LocalTime(t, m) ? m.tm_year + 1900 : 0; }
int GxGetTimeMonth(int64_t t) { struct tm m; return LocalTime(t, m) ? m.tm_mon + 1 : 0; }
int GxGetTimeDay(int64_t t) { struct tm m; return LocalTime(t, m) ? m.tm_mday : 0; }
int GxGetTimeHour(int64_t t) { struct tm m; return LocalTime(t, m) ? m.tm_hour : 0; }
int GxGetTimeMinute(int64_t t) { struct tm m; return LocalTime(t, m) ? m.tm_min : 0; }
int GxGetTimeSecond(int64_t t) { struct tm m; return LocalTime(t, m) ? m.tm_sec : 0; }
int GxGetTimeWeekDay(int64_t t) { struct tm m; return LocalTime(t, m) ? m.tm_wday : 0; }
int GxGetTimeYearDay(int64_t t) { struct tm m; return LocalTime(t, m) ? m.tm_yday : 0; }

std::u16string GxTimeToString(int64_t t)
{
    struct tm m;
    if (!LocalTime(t, m)) return GxFormatString(u"%04d/%02d/%02d %02d:%02d:%02d", 0, 0, 0, 0, 0, 0);
    return GxFormatString(u"%04d/%02d/%02d %02d:%02d:%02d", m.tm_year + 1900, m.tm_mon + 1, m.tm_mday, m.tm_hour,
                          m.tm_min, m.tm_sec);
}

namespace {
std::atomic<GxTimeNowFunc> g_NowFunc{nullptr};
}

void GxSetTimeNowFunc(GxTimeNowFunc func) { g_NowFunc = func; }

int64_t GxGetTimeNow()
{
    GxTimeNowFunc f = g_NowFunc.load();
    return f ? f() : static_cast<int64_t>(time(nullptr));
}

std::u16string GxGetNowString() { return GxTimeToString(GxGetTimeNow()); }
