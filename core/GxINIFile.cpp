#include "core/GxINIFile.h"

#include <vector>

#include "core/GxNumber.h"
#include "core/GxString.h"

namespace {

// The leading decimal integer's truth, as atoi would read it: blanks, one sign, then decimal
// digits; only whether the number is non-zero matters, so no overflow can arise.
bool LeadingIntegerIsNonZero(std::u16string_view s)
{
    size_t i = 0;
    while (i < s.size() && (s[i] == u' ' || (s[i] >= u'\t' && s[i] <= u'\r'))) ++i;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) ++i;
    for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i)
        if (s[i] != u'0') return true;
    return false;
}

}  // namespace

void GxINIFile::LoadFromMemory(const uint8_t* data, size_t size)
{
    m_Values.clear();
    if (!data) return;
    size_t n = 0;
    while (n < size && data[n] != 0) ++n;
    std::u16string text = GxAnsiToWide(std::string_view(reinterpret_cast<const char*>(data), n));

    std::vector<std::u16string> lines;
    GxSplitString(lines, text, u"\n");
    for (const std::u16string& raw : lines) {
        std::u16string line = GxTrim(raw, 4);
        size_t eq = line.find(u'=');
        if (eq == std::u16string::npos) continue;
        std::u16string key = GxTrim(std::u16string_view(line).substr(0, eq), 3);
        std::u16string value = GxTrim(std::u16string_view(line).substr(eq + 1), 3);
        m_Values.emplace(std::move(key), std::move(value));  // keeps an existing key's value
    }
}

const std::u16string* GxINIFile::Find(std::u16string_view key) const
{
    auto it = m_Values.find(key);
    return it == m_Values.end() ? nullptr : &it->second;
}

std::u16string GxINIFile::GetString(std::u16string_view key, std::u16string_view def) const
{
    const std::u16string* v = Find(key);
    return v ? *v : std::u16string(def);
}

int32_t GxINIFile::GetInt(std::u16string_view key, int32_t def) const
{
    const std::u16string* v = Find(key);
    return v ? GxWStrToInt(v->c_str(), nullptr, 0, true) : def;
}

int64_t GxINIFile::GetInt64(std::u16string_view key, int64_t def) const
{
    const std::u16string* v = Find(key);
    return v ? GxWStrToInt64(v->c_str(), nullptr, 0, true) : def;
}

bool GxINIFile::GetBool(std::u16string_view key, bool def) const
{
    const std::u16string* v = Find(key);
    return v ? LeadingIntegerIsNonZero(*v) : def;
}
