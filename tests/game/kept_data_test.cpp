// What the player unlocked is written while the game runs, through the program's own frame: at
// most once a second and within a second of the change; a write the disk refuses is logged with
// the system's reason and shown once until a write works again, and the quit tells of it again
// while the file keeps what it held.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/GxFrameTimer.h"
#include "game/GxGameFrame.h"
#include "game/GxKeptData.h"
#include "game/GxUserConfig.h"
#include "game/GxUserDataPerman.h"
#include "tests/game/game_core_fixture.h"
#include "tests/graphics/graphics_test_support.h"
#include "tests/support/GxFailingDisk.h"

namespace {

using gametest::StartedCore;
using gxtest::FailingDisk;
using gxtest::GxDiskFault;
namespace fs = std::filesystem;

// Unpaced frames are ideal ones of 1/60 s in whole microseconds (16666): the 61st completes a
// second.
constexpr int kFramesASecond = 1000000 / (1000000 / 60) + 1;

class KeptData : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(app.initialized);
        app.core->GetFrameTimer().SetUnpaced(true);
        // The first check after the start writes the file the first run has not got yet (the
        // first frame after the start is of no length).
        Frames(kFramesASecond + 1);
    }
    void Frames(int n)
    {
        for (int i = 0; i < n; ++i) GxRunGameFrame(app.core.get());
    }
    GxUserDataPerman& Perman() { return *app.core->GetUserDataPerman(); }
    std::u16string PermanentPath() const { return app.core->GetSaveFolder() + u"permanent.dat"; }
    // What the next start would read.
    GxUserDataPerman OnDisk() const
    {
        GxUserDataPerman p(nullptr);
        EXPECT_TRUE(p.Load(PermanentPath()));
        return p;
    }
    std::u16string ErrorLog() const
    {
        return gxtest::ReadLog(fs::path(GxWideToUtf8(app.core->GetSaveFolder())) / "error.log");
    }
    size_t Boxes(const std::string& text) const
    {
        size_t n = 0;
        for (const std::string& line : app.boxes.lines()) n += line.find(text) != std::string::npos;
        return n;
    }

    StartedCore app;
};

TEST_F(KeptData, AnUnlockReachesTheDiskWithinASecondAndWritesComeAtMostOnceASecond)
{
    FailingDisk disk;
    Perman().SetShowedCG(u"cg/ev/ev01.png");
    Frames(kFramesASecond);
    EXPECT_EQ(disk.Writes("permanent.dat"), 1);
    EXPECT_EQ(OnDisk().m_ShowedCGFlags.count(u"ev01"), 1u);

    // A line read every frame for three seconds: three writes, each at its second's end with
    // what had been read by then; then nothing is new and nothing is written.
    for (int i = 0; i < 3 * kFramesASecond; ++i) {
        Perman().SetReadedMessageFlag(u"MAIN", i);
        GxRunGameFrame(app.core.get());
        if (i == 2 * kFramesASecond - 1) {
            EXPECT_EQ(disk.Writes("permanent.dat"), 1 + 2);
            EXPECT_TRUE(OnDisk().GetReadedMessageFlag(u"MAIN", i));
        }
        if (i == 2 * kFramesASecond) EXPECT_FALSE(OnDisk().GetReadedMessageFlag(u"MAIN", i)) << "not within the second";
    }
    EXPECT_EQ(disk.Writes("permanent.dat"), 1 + 3);
    EXPECT_TRUE(OnDisk().GetReadedMessageFlag(u"MAIN", 3 * kFramesASecond - 1));
    Frames(3 * kFramesASecond);
    EXPECT_EQ(disk.Writes("permanent.dat"), 4);
    EXPECT_EQ(disk.Writes("userconf.dat"), 0) << "the options are written when the settings close";
}

TEST_F(KeptData, AFullDiskIsShownOnceLoggedWithItsReasonAndTheQuitTellsAgain)
{
    const GxUserDataPerman before = OnDisk();
    FailingDisk disk(GxDiskFault::Full, {"permanent.dat"});
    for (int i = 0; i < 4 * kFramesASecond; ++i) {
        Perman().SetReadedMessageFlag(u"MAIN", i);
        GxRunGameFrame(app.core.get());
    }
    // Four tries, one message: the game has no user dialog here, so it is a message box.
    EXPECT_EQ(disk.Writes("permanent.dat"), 4);
    EXPECT_EQ(Boxes("システムデータの保存に失敗しました"), 1u);
    const std::u16string log = ErrorLog();
    EXPECT_NE(log.find(u"Error/GxUserDataPerman Save Failed(" + PermanentPath() + u": No space left on device)"),
              std::u16string::npos)
        << GxWideToUtf8(log);
    EXPECT_FALSE(OnDisk().GetReadedMessageFlag(u"MAIN", 0)) << "the old file stays";
    EXPECT_EQ(OnDisk().m_ReadedMessageFlags, before.m_ReadedMessageFlags);
    // The same content is not tried again.
    Frames(2 * kFramesASecond);
    EXPECT_EQ(disk.Writes("permanent.dat"), 4);

    // Room again: the next second writes it all, and a later failure is a new one to show.
    disk.Set(GxDiskFault::None, {});
    Perman().SetShowedCG(u"ev02");
    Frames(kFramesASecond);
    EXPECT_TRUE(OnDisk().GetReadedMessageFlag(u"MAIN", 4 * kFramesASecond - 2));
    disk.Set(GxDiskFault::ReadOnly, {"permanent.dat"});
    Perman().SetShowedCG(u"ev03");
    Frames(kFramesASecond);
    EXPECT_EQ(Boxes("システムデータの保存に失敗しました"), 2u);
    EXPECT_NE(ErrorLog().find(u": Read-only file system)"), std::u16string::npos);

    // The quit writes both files; the one that fails is told in a message box.
    app.boxes.Lines().clear();
    app.core->Finalize();
    app.initialized = false;
    EXPECT_EQ(app.boxes.lines(), (std::vector<std::string>{"GameTest|システムデータの保存に失敗しました"}));
    EXPECT_EQ(OnDisk().m_ShowedCGFlags.count(u"ev03"), 0u);
    EXPECT_EQ(OnDisk().m_ShowedCGFlags.count(u"ev02"), 1u);
    EXPECT_TRUE(fs::exists(fs::path(GxWideToUtf8(app.core->GetSaveFolder())) / "userconf.dat"));
}

// Both files refused at the quit: one message names both, and the next start reads the old ones.
TEST_F(KeptData, TheQuitTellsOfBothFilesInOneMessage)
{
    app.core->GetUserConfig()->m_AllowSkipUnreadText = true;
    Perman().SetShowedCG(u"ev09");
    FailingDisk disk(GxDiskFault::Full, {"permanent.dat", "userconf.dat"});
    app.boxes.Lines().clear();
    app.core->Finalize();
    app.initialized = false;
    EXPECT_EQ(app.boxes.lines(), (std::vector<std::string>{"GameTest|設定とシステムデータの保存に失敗しました"}));
    EXPECT_EQ(OnDisk().m_ShowedCGFlags.count(u"ev09"), 0u);
    GxUserConfig options;
    EXPECT_FALSE(options.Load(app.core.get())) << "no options file was ever written";
}

}  // namespace
