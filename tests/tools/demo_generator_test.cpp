// The demo game's generated files are what its generator makes today: regenerated into a
// scratch folder (the package from a copy of the demo's scripts) and compared byte for byte
// with the committed ones.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/GxDemoGame.h"
#include "tests/support/GxGamePackage.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(DemoGame, CommittedFilesAreWhatTheGeneratorMakes)
{
    const fs::path demo = fs::path(GX_SOURCE_DIR) / "demo";
    char tmpl[] = "/tmp/gxdemotest_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const fs::path scratch = tmpl;
    fs::copy(demo / "scripts", scratch / "scripts", fs::copy_options::recursive);
    ASSERT_TRUE(gxdemo::WriteGeneratedFiles(scratch.string()));
    std::string errors;
    ASSERT_TRUE(GxWriteGamePackage(scratch.string(), errors)) << errors;

    auto files = gxdemo::GeneratedFiles();
    files["bincode/moacode.mwb"];
    for (const auto& entry : files) {
        const fs::path rel = fs::u8path(entry.first);
        SCOPED_TRACE(entry.first);
        ASSERT_TRUE(fs::exists(demo / rel)) << "not committed; run build/tools/gxdemo demo";
        EXPECT_TRUE(ReadAll(demo / rel) == ReadAll(scratch / rel)) << "stale; run build/tools/gxdemo demo";
    }
    // Nothing else lies in the demo but its hand-written settings and story: a file the
    // generator no longer makes does not stay behind.
    for (const auto& entry : fs::recursive_directory_iterator(demo)) {
        if (!entry.is_regular_file()) continue;
        const std::u8string wide = entry.path().lexically_relative(demo).generic_u8string();
        const std::string rel(wide.begin(), wide.end());
        if (rel.rfind("scripts/", 0) == 0 || rel == "system/sysconf.ini" || rel == "setting.ini") continue;
        EXPECT_EQ(files.count(rel), 1u) << rel << " is not made by the generator";
    }
    // The image sets the start-up and the title load are among them.
    for (const char* set : {"uigis/ui_common.gis", "uigis/ui_rukomain.gis", "uigis/ui_iconpool.gis", "uigis/ui_title.gis"})
        EXPECT_EQ(files.count(set), 1u) << set;
    std::error_code ec;
    fs::remove_all(scratch, ec);
}

}  // namespace
