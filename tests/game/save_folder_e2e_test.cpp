// The program's own start-up on a save folder that runs killed mid-save have left temporary
// files in: they are gone after the start, and the saves and every other file are as they were.
#include <gtest/gtest.h>

#include "tests/app/demo_run_util.h"
#include "tests/graphics/graphics_test_support.h"

using namespace coretest;

namespace {

TEST(SaveFolderE2E, StartUpRemovesTheWritersLeftoversAndKeepsTheSaves)
{
    DemoCopy demo;
    const std::filesystem::path save = demo.SaveFolder();
    const char* leftovers[] = {"gamedata001.gd.tmpK3x9Qa", "gamedata_quick.gd.tmpZZ0011", "thumb001.png.tmpabcXYZ",
                               "thumb001.png.part", "userconf.dat.tmp9f8e7d", "permanent.dat.tmpQwErTy"};
    const char* kept[] = {"gamedata001.gd", "gamedata_quick.gd", "thumb001.png", "notes.txt.tmpABCDEF",
                          "gamedata001.gd.tmp", "mine.txt"};
    for (const char* f : leftovers) WriteFile(save / f, "half");
    for (const char* f : kept) WriteFile(save / f, std::string("whole ") + f);

    RunResult r = demo.Run({"GX_EXIT_AFTER_FRAMES=2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    for (const char* f : leftovers) EXPECT_FALSE(std::filesystem::exists(save / f)) << f;
    for (const char* f : kept) {
        std::string text;
        EXPECT_TRUE(ReadFile(save / f, text)) << f;
        EXPECT_EQ(text, std::string("whole ") + f);
    }

    const std::string log = Utf8(gxtest::ReadLog(save / "debug.log"));
    EXPECT_NE(log.find("RemoveLeftoverTempFiles(" + save.string() + "/: 6 removed)"), std::string::npos) << log;
}

}  // namespace
