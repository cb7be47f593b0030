// The program run headless on a copy of the demo game whose start-up data is missing or damaged:
// a game without its script package does not start (unless the compiler that AutoCompile runs
// first leaves one); damaged table lines are read as far as they go and named in the error log;
// and the shipped demo is no developer build: its errors stay in the log, off the screen.
#include <algorithm>
#include <fstream>
#include <iterator>

#include "tests/app/core_test_util.h"
#include "tests/app/demo_run_util.h"
#include "tests/app/demo_shot.h"

using namespace coretest;
using namespace gxdemo;

namespace startup_data_e2e {

// Cuts the line of the file that contains the text after its first cells.
bool CutLine(const std::filesystem::path& file, const std::string& contains, int cells)
{
    std::string text;
    if (!ReadFile(file, text)) return false;
    const size_t at = text.find(contains);
    if (at == std::string::npos) return false;
    const size_t start = text.rfind('\n', at) + 1;
    const size_t end = text.find('\n', at);
    size_t cut = start;
    for (int i = 0; i < cells && cut != std::string::npos && cut < end; ++i) cut = text.find('\t', cut + 1);
    if (cut == std::string::npos || cut >= end) return false;
    text.erase(cut, end - cut);
    WriteFile(file, text);
    return true;
}

// Pixels of the region that are not the title picture's colour.
int NotTitleColour(const Shot& s, uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1)
{
    int n = 0;
    for (uint32_t y = y0; y < y1; ++y)
        for (uint32_t x = x0; x < x1; ++x) n += s.At(x, y) != (kTitleColor & 0xFFFFFF);
    return n;
}

TEST(StartupDataE2E, AMissingScriptPackageEndsStartUpWithAMessageNamingIt)
{
    DemoCopy demo;
    std::filesystem::remove(demo.game / "bincode" / "moacode.mwb");
    RunResult r = demo.Run({"GX_EXIT_AFTER_FRAMES=30"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("[gxengine demo] スクリプトファイルの読み込みに失敗しました。\n[bincode/moacode.mwb]\nファイルが見つかりません。"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(std::filesystem::exists(demo.SaveFolder() / "userconf.dat")) << "nothing ran";
    const std::vector<std::string> errors = demo.ErrorLog();
    EXPECT_NE(std::find(errors.begin(), errors.end(), "File open error or not exist:bincode/moacode.mwb"), errors.end());
}

// AutoCompile runs "moacgui.exe" (found on the PATH) with the scripts folder and the package
// folder before the package is read: a package it leaves there is the one the game plays.
TEST(StartupDataE2E, AutoCompileMakesThePackageBeforeStartUpReadsIt)
{
    DemoCopy demo;
    const std::filesystem::path package = demo.game / "bincode" / "moacode.mwb";
    const std::filesystem::path kept = demo.root / "compiled.mwb";
    std::filesystem::rename(package, kept);
    WriteFile(demo.game / "setting.ini", "AutoCompile=1\n");
    const std::filesystem::path bin = demo.root / "bin";
    WriteFile(bin / "moacgui.exe", "#!/bin/sh\ncp '" + kept.string() + "' \"$2/moacode.mwb\"\n");
    std::filesystem::permissions(bin / "moacgui.exe", std::filesystem::perms::owner_all);
    const char* path = getenv("PATH");
    Input in;
    in.SkipOpening().Click(50, TitleButtonX(kStart), TitleButtonY(kStart));
    RunResult r = demo.Play(in, 100, {"PATH=" + bin.string() + ":" + (path ? path : "/usr/bin:/bin")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(package));
    // The story started: its first line asks for no label that is missing.
    EXPECT_EQ(demo.ErrorLog(), std::vector<std::string>{});
}

// The title's start button cut after 7 cells is made hidden (its Visible cell is missing) and a
// character whose ID is no number fills row 0: each says so in one error-log line, and the
// shipped demo keeps the error off the screen. The developer mode shows it over the title.
TEST(StartupDataE2E, DamagedTableLinesAreNamedInTheErrorLog)
{
    const std::string shortRow = "DBUILayout/row too short[data/db_uilayout.txt/line 2/ID 0/Visible]: 7 of 20 cells, the "
                                 "columns from there on read as empty or 0";
    for (bool developer : {false, true}) {
        SCOPED_TRACE(developer ? "developer mode" : "shipped");
        DemoCopy demo;
        if (developer) demo.UseDeveloperMode();
        ASSERT_TRUE(CutLine(demo.game / "data" / "db_uilayout.txt", "btn_title_start", 7));
        std::string characters;
        ASSERT_TRUE(ReadFile(demo.game / "data" / "db_rukochar.txt", characters));
        characters += "abc\tnobody\t0\t\t\t*\t0\tdamaged\n";
        WriteFile(demo.game / "data" / "db_rukochar.txt", characters);

        const std::filesystem::path title = demo.root / "title.png";
        Input in;
        in.SkipOpening().Shot(60, title);
        RunResult r = demo.Play(in, 64);
        ASSERT_EQ(r.status, 0) << r.err;
        const std::vector<std::string> errors = demo.ErrorLog();
        ASSERT_EQ(errors.size(), 2u) << r.err;
        EXPECT_EQ(errors[0].rfind("DBRukoChar/not a number[data/db_rukochar.txt/line ", 0), 0u) << errors[0];
        EXPECT_NE(errors[0].find("/ID]: \"abc\" reads as 0"), std::string::npos) << errors[0];
        EXPECT_EQ(errors[1], shortRow);

        Shot s;
        ASSERT_TRUE(ReadShot(title, s)) << r.err;
        // The start button is gone; the next one is there.
        EXPECT_EQ(Hex(s.At(kTitleButtonLeft + 4, TitleButtonY(kStart))), Hex(kTitleColor));
        EXPECT_NE(Hex(s.At(kTitleButtonLeft + 4, TitleButtonY(kLoad))), Hex(kTitleColor));
        // The error banner lies over the top left of the screen.
        const int covered = NotTitleColour(s, 0, 0, 400, 40);
        if (developer) EXPECT_GT(covered, 1000);
        else EXPECT_EQ(covered, 0);
    }
}

// The shipped demo has no developer keys: F1 and F2 write no variable dumps.
TEST(StartupDataE2E, TheShippedDemoWritesNoDumps)
{
    DemoCopy demo;
    Input in;
    in.SkipOpening().Click(50, TitleButtonX(kStart), TitleButtonY(kStart)).Key(90, "F1").Key(92, "F2");
    RunResult r = demo.Play(in, 100);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(demo.SaveFolder() / "userconf.dat"));
    EXPECT_FALSE(std::filesystem::exists(demo.SaveFolder() / "vardump.txt"));
    EXPECT_FALSE(std::filesystem::exists(demo.SaveFolder() / "vardump_extern.txt"));
}

}  // namespace startup_data_e2e
