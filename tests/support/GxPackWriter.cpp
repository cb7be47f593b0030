#include "tests/support/GxPackWriter.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "core/GxFileCache.h"
#include "core/GxString.h"

namespace {

void PutU32(std::vector<uint8_t>& out, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

void PutU64(std::vector<uint8_t>& out, size_t at, uint64_t v)
{
    for (int i = 0; i < 8; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

void GxPackTestScramble(uint8_t* bytes, uint32_t count, uint32_t position)
{
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t p = position + i;
        bytes[i] ^= static_cast<uint8_t>(0xA5 ^ (p * 29u) ^ (p >> 8));
    }
}

void GxPackWriter::AddMember(std::u16string_view path, std::vector<uint8_t> data, uint64_t fileTime)
{
    m_Members.push_back(Member{std::u16string(path), std::move(data), fileTime});
}

void GxPackWriter::AddMember(std::u16string_view path, std::string_view text, uint64_t fileTime)
{
    AddMember(path, std::vector<uint8_t>(text.begin(), text.end()), fileTime);
}

size_t GxPackWriter::AddFolder(const std::string& folder, std::u16string_view prefix)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    std::vector<fs::path> files;
    for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (it->is_regular_file(ec)) files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& f : files) {
        std::ifstream in(f, std::ios::binary);
        std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::string rel = fs::relative(f, folder, ec).generic_string();
        AddMember(std::u16string(prefix) + GxUtf8ToWide(rel), std::move(data));
    }
    return files.size();
}

std::vector<uint8_t> GxPackWriter::NameBytes(const std::u16string& path) const
{
    std::vector<uint8_t> out;
    if (m_WideNames) {
        for (char16_t c : path) {
            out.push_back(static_cast<uint8_t>(c & 0xFF));
            out.push_back(static_cast<uint8_t>(c >> 8));
        }
        out.push_back(0);
        out.push_back(0);
    } else {
        const std::string ansi = GxWideToAnsi(path);
        out.assign(ansi.begin(), ansi.end());
        out.push_back(0);
    }
    out.resize(out.size() + m_RecordPadding, 0);
    return out;
}

uint32_t GxPackWriter::IndexSize() const
{
    uint32_t size = 0;
    for (const Member& m : m_Members) size += 32 + static_cast<uint32_t>(NameBytes(m.path).size());
    return size;
}

uint64_t GxPackWriter::GetMemberFileOffset(size_t member) const
{
    uint64_t at = std::max<uint64_t>(kGxPackHeaderSize + IndexSize(), m_BaseOffset);
    for (size_t i = 0; i < member && i < m_Members.size(); ++i) at += m_Members[i].data.size();
    return at;
}

std::vector<uint8_t> GxPackWriter::Build() const
{
    const uint32_t indexSize = IndexSize();
    const uint64_t dataStart = GetMemberFileOffset(0);
    uint64_t total = dataStart;
    for (const Member& m : m_Members) total += m.data.size();

    std::vector<uint8_t> out(static_cast<size_t>(total), 0);
    PutU32(out, 12, m_HasNameWidthOverride ? m_NameWidthOverride : (m_WideNames ? 1u : 0u));
    PutU32(out, 20, m_Scrambler ? 1u : 0u);
    PutU32(out, 24, m_HasCountOverride ? m_CountOverride : static_cast<uint32_t>(m_Members.size()));
    PutU32(out, 28, m_HasIndexSizeOverride ? m_IndexSizeOverride : indexSize);
    PutU64(out, 40, m_BaseOffset);

    size_t at = kGxPackHeaderSize;
    uint64_t fileOffset = dataStart;
    for (size_t i = 0; i < m_Members.size(); ++i) {
        const Member& m = m_Members[i];
        const std::vector<uint8_t> name = NameBytes(m.path);
        const uint32_t len = 32 + static_cast<uint32_t>(name.size());
        auto ov = m_LengthOverrides.find(i);
        PutU32(out, at, ov != m_LengthOverrides.end() ? ov->second : len);
        PutU32(out, at + 4, static_cast<uint32_t>(m.data.size()));
        PutU64(out, at + 16, m.fileTime);
        PutU64(out, at + 24, fileOffset - m_BaseOffset);
        std::copy(name.begin(), name.end(), out.begin() + static_cast<std::ptrdiff_t>(at + 32));
        if (m_Scrambler) {
            m_Scrambler(out.data() + at, 4, 0);
            m_Scrambler(out.data() + at + 4, len - 4, 4);
        }
        std::copy(m.data.begin(), m.data.end(), out.begin() + static_cast<std::ptrdiff_t>(fileOffset));
        if (m_Scrambler && !m.data.empty()) {
            m_Scrambler(out.data() + fileOffset, static_cast<uint32_t>(m.data.size()), 0);
        }
        at += len;
        fileOffset += m.data.size();
    }
    return out;
}

bool GxPackWriter::Write(const std::string& nativePath) const
{
    const std::vector<uint8_t> bytes = Build();
    return WriteFile(nativePath, bytes.data(), bytes.size());
}

bool GxPackWriter::WriteFile(const std::string& nativePath, const void* bytes, size_t size)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path parent = fs::path(nativePath).parent_path();
    if (!parent.empty()) fs::create_directories(parent, ec);
    FILE* f = std::fopen(nativePath.c_str(), "wb");
    if (!f) return false;
    const bool ok = size == 0 || std::fwrite(bytes, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

bool GxPackWriter::WriteFile(const std::string& nativePath, std::string_view text)
{
    return WriteFile(nativePath, text.data(), text.size());
}

GxTestGameFolder::GxTestGameFolder()
{
    namespace fs = std::filesystem;
    std::error_code ec;
    m_OldCwd = fs::current_path(ec).string();
    std::string templ = (fs::temp_directory_path(ec) / "gxgame_XXXXXX").string();
    if (!mkdtemp(templ.data())) return;
    m_Path = fs::canonical(templ, ec).string();
    if (ec || chdir(m_Path.c_str()) != 0) {
        fs::remove_all(templ, ec);
        m_Path.clear();
    }
}

GxTestGameFolder::~GxTestGameFolder()
{
    std::error_code ec;
    if (!m_OldCwd.empty() && chdir(m_OldCwd.c_str()) != 0) {
        // The previous folder is gone; the temp folder is removed all the same.
    }
    if (!m_Path.empty()) std::filesystem::remove_all(m_Path, ec);
}

bool GxTestGameFolder::Write(std::string_view relative, std::string_view text) const
{
    return GxPackWriter::WriteFile(m_Path + "/" + std::string(relative), text);
}

bool GxTestGameFolder::Write(std::string_view relative, const std::vector<uint8_t>& bytes) const
{
    return GxPackWriter::WriteFile(m_Path + "/" + std::string(relative), bytes.data(), bytes.size());
}

void GxTestResetFileLayer()
{
    GxFileCacheClear();
    GxFileCloseAllPacks();
    GxFileCacheSetEnabled(false);
    GxFileCacheSetMaxSize(0);
    GxFileCacheSetMaxFileSize(0);
    GxGetFileCache().SetClock(nullptr);
    GxPackFileSetUnscrambleRoutine(nullptr);
}
