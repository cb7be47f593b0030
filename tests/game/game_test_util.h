// Fixtures of the game tests: a temporary game folder that is the current directory while the
// test runs (the file layer reads relative to it), file writers in every encoding the game reads,
// and a capture of the error lines logged meanwhile.
#pragma once

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/GxFile.h"
#include "core/GxLog.h"
#include "core/GxPackFile.h"
#include "core/GxString.h"
#include "tests/support/GxPackWriter.h"

namespace gametest {

class LogCapture : public GxDebugListenerBase
{
public:
    LogCapture() : m_Previous(GxGetDebugListener()) { GxSetDebugListener(this); }
    ~LogCapture() override { GxSetDebugListener(m_Previous); }
    void OnDebugOutput(const std::u16string& text, int level) override
    {
        if (level == 1) lines.push_back(GxWideToUtf8(text));
    }
    // How many captured lines contain the text.
    size_t Count(const std::string& part) const
    {
        size_t n = 0;
        for (const std::string& l : lines) n += l.find(part) != std::string::npos;
        return n;
    }
    std::vector<std::string> lines;

private:
    GxDebugListenerBase* m_Previous;
};

// A temporary game folder, made the current directory; logs go into it.
class GameFolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/gxgame_XXXXXX";
        const char* made = mkdtemp(tmpl);
        ASSERT_NE(made, nullptr);
        m_Root = made;
        m_Saved = std::filesystem::current_path();
        std::filesystem::current_path(m_Root);
        GxSetErrorLogPath(GxUtf8ToWide((m_Root / "error.log").string()));
        GxSetDebugLogPath(GxUtf8ToWide((m_Root / "debug.log").string()));
    }
    void TearDown() override
    {
        GxFileCloseAllPacks();
        std::filesystem::current_path(m_Saved);
        std::error_code ec;
        std::filesystem::remove_all(m_Root, ec);
    }

    // Bytes as they stand.
    void WriteBytes(const std::string& path, std::string_view bytes)
    {
        ASSERT_TRUE(GxPackWriter::WriteFile((m_Root / path).string(), bytes)) << path;
    }
    // UTF-8 source text in the encodings the game reads.
    void WriteUtf8Bom(const std::string& path, std::string_view utf8) { WriteBytes(path, "\xEF\xBB\xBF" + std::string(utf8)); }
    void WriteCp932(const std::string& path, std::string_view utf8)
    {
        WriteBytes(path, GxWideToAnsi(GxUtf8ToWide(utf8)));
    }
    void WriteUtf16LE(const std::string& path, std::string_view utf8)
    {
        std::string bytes = "\xFF\xFE";
        for (char16_t c : GxUtf8ToWide(utf8)) {
            bytes.push_back(static_cast<char>(c & 0xFF));
            bytes.push_back(static_cast<char>(c >> 8));
        }
        WriteBytes(path, bytes);
    }

    std::filesystem::path m_Root;
    std::filesystem::path m_Saved;
};

}  // namespace gametest
