// The package writer: the game's script package from a folder of scripts, with every command
// word at an index of its band, loaded and called the way the program does.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/GxContentReader.h"
#include "core/GxString.h"
#include "game/GxGameCommand.h"
#include "moa/GxMoaEx.h"
#include "moa/GxMoaScriptHost.h"
#include "moa/GxMoaWorker.h"
#include "tests/game/game_core_fixture.h"
#include "tests/support/GxGamePackage.h"
#include "tests/support/GxMoaPackageBuilder.h"

namespace {

namespace fs = std::filesystem;

void WriteText(const fs::path& file, const std::string& text)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

class PackageFolder : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/gxpack_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_Dir = tmpl;
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(m_Dir, ec);
    }
    fs::path Package() const { return m_Dir / "bincode/moacode.mwb"; }
    fs::path m_Dir;
};

TEST(GamePackage, EveryCommandWordReachesItsBandsHandlerThroughTheProgramsCommandSet)
{
    gametest::StartedCore app([](const fs::path& game) {
        WriteText(game / "scripts/main.txt", "*MAIN\n> hello\n");
        std::string errors;
        ASSERT_TRUE(GxWriteGamePackage(game.string(), errors)) << errors;
    });
    ASSERT_NE(g_MoaEx, nullptr);
    ASSERT_NE(g_MoaBuiltinEx, nullptr);
    ASSERT_NE(g_MoaWorkerEx, nullptr);

    size_t count = 0;
    const GxGameCommandWord* words = GxGetGameCommandWords(&count);
    ASSERT_GT(count, 0u);
    const int32_t outside = GxEndTextBuiltinIndex();
    for (size_t i = 0; i < count; ++i) {
        const std::u16string word = words[i].word;
        SCOPED_TRACE(GxWideToUtf8(word));
        const GxMoaBuiltinDefinition* d = g_MoaEx->FindBuiltinDefine(word);
        ASSERT_NE(d, nullptr) << "the loaded package names the word";
        EXPECT_GE(d->m_BuiltinIndex, words[i].first);
        EXPECT_LE(d->m_BuiltinIndex, words[i].last);

        // A handler either answers or reports through the worker; a call that reaches none does
        // neither.
        GxMoaVariable args, result;
        args.MakeArray(0);
        const uint32_t errorsBefore = g_MoaEx->GetErrorCount();
        const bool ok = g_MoaBuiltinEx->CallBuiltin(word, d->m_BuiltinIndex, args, *g_MoaWorkerEx, nullptr,
                                                    g_MoaWorkerEx->GetExecStack(), result);
        EXPECT_TRUE(ok || g_MoaEx->GetErrorCount() > errorsBefore) << "no handler ran";

        GxMoaVariable args2, result2;
        args2.MakeArray(0);
        const uint32_t before2 = g_MoaEx->GetErrorCount();
        EXPECT_FALSE(g_MoaBuiltinEx->CallBuiltin(word, outside, args2, *g_MoaWorkerEx, nullptr,
                                                 g_MoaWorkerEx->GetExecStack(), result2));
        EXPECT_EQ(g_MoaEx->GetErrorCount(), before2) << "outside every band no handler runs";
    }
    const GxMoaBuiltinDefinition* endtext = g_MoaEx->FindBuiltinDefine(u"endtext");
    ASSERT_NE(endtext, nullptr);
    EXPECT_EQ(endtext->m_BuiltinIndex, outside);
    for (size_t i = 0; i < count; ++i)
        EXPECT_FALSE(outside >= words[i].first && outside <= words[i].last) << "endtext lies in no band";
    // The generic builtins keep the builder's names.
    const GxMoaBuiltinDefinition* jump = g_MoaEx->FindBuiltinDefine(u"jump");
    ASSERT_NE(jump, nullptr);
    EXPECT_EQ(jump->m_BuiltinIndex, 64);
}

TEST_F(PackageFolder, ScriptsAreNamedByTheirPathBelowScripts)
{
    WriteText(m_Dir / "scripts/main.txt", "\xEF\xBB\xBF*MAIN\njump(\"*EV\")\n");
    WriteText(m_Dir / "scripts/ev/a.txt", "*EV\nルコ「はい」\nwa.click()\n");
    std::string errors;
    ASSERT_TRUE(GxWriteGamePackage(m_Dir.string(), errors)) << errors;

    std::ifstream in(Package(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    GxMoa loaded;
    GxContentBinaryReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    ASSERT_TRUE(loaded.ReadProgram(reader)) << "the package reads whole";
    ASSERT_NE(loaded.FindScript(u"main.txt"), nullptr);
    ASSERT_NE(loaded.FindScript(u"ev/a.txt"), nullptr) << "sub-folders keep their path";
    // The signature is not part of the first line: the label is found at line 0.
    const GxMoaLabelDefinition* label = loaded.FindLabelDefine(u"MAIN");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->m_Pos.m_Line, 0);
    EXPECT_NE(loaded.FindBuiltinDefine(u"wa.click"), nullptr);
}

TEST_F(PackageFolder, ABadScriptOrNoScriptWritesNothing)
{
    std::string errors;
    EXPECT_FALSE(GxWriteGamePackage(m_Dir.string(), errors));
    EXPECT_NE(errors.find("no script"), std::string::npos) << errors;
    EXPECT_FALSE(fs::exists(Package()));

    WriteText(m_Dir / "scripts/good.txt", "*MAIN\n> fine\n");
    WriteText(m_Dir / "scripts/bad.txt", "IF (x == 1) {\n> unclosed\n");
    errors.clear();
    EXPECT_FALSE(GxWriteGamePackage(m_Dir.string(), errors));
    EXPECT_NE(errors.find("bad.txt"), std::string::npos) << errors;
    EXPECT_FALSE(fs::exists(Package()));
}

TEST_F(PackageFolder, TheToolWritesThePackageAndSaysWhyWhenItCannot)
{
    const std::string tool = std::string(GX_BINARY_DIR) + "/tools/gxpack";
    const auto run = [&](const std::string& args) {
        const int status = std::system(("\"" + tool + "\" " + args + " 2>/dev/null").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(run(""), 2) << "usage";
    EXPECT_EQ(run("'" + m_Dir.string() + "'"), 1) << "no scripts";
    EXPECT_FALSE(fs::exists(Package()));
    WriteText(m_Dir / "scripts/main.txt", "*MAIN\nfin(0)\n> hello\n");
    ASSERT_EQ(run("'" + m_Dir.string() + "'"), 0);
    EXPECT_GT(fs::file_size(Package()), 0u);
}

}  // namespace
