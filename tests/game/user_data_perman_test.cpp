// The data kept across plays: flag bits, the set-all and group operations over the tables,
// "permanent.dat" in both forms with the script's permanent variables, and what damaged files
// and crashes leave.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "core/GxAtomicFile.h"
#include "core/GxContentWriter.h"
#include "game/DBCGMode.h"
#include "game/DBRPMode.h"
#include "game/GxUserDataPerman.h"
#include "moa/GxMoaScriptHost.h"
#include "tests/game/game_test_util.h"
#include "tests/graphics/graphics_test_support.h"
#include "tests/support/GxFailingDisk.h"

using gametest::GameFolderTest;

namespace {

std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(FlagBits, GrowOnSetAndReadFalseBeyondTheEnd)
{
    GxUserDataPerman p(nullptr);
    p.SetReadedMessageFlag(u"script01", 40);
    const GxFlagBits& bits = p.m_ReadedMessageFlags.at(u"script01");
    ASSERT_EQ(bits.size(), 2u);
    EXPECT_EQ(bits[0], 0u);
    EXPECT_EQ(bits[1], 1u << 8);
    EXPECT_TRUE(p.GetReadedMessageFlag(u"script01", 40));
    EXPECT_FALSE(p.GetReadedMessageFlag(u"script01", 39));
    EXPECT_FALSE(p.GetReadedMessageFlag(u"script01", 100));
    EXPECT_FALSE(p.GetReadedMessageFlag(u"Script01", 40)) << "keys are case-sensitive";
    EXPECT_FALSE(p.GetReadedMessageFlag(u"script01", -1));
    p.SetSelectedMenuFlag(u"hash", 0);
    p.SetSelectedMenuFlag(u"hash", 31);
    EXPECT_EQ(p.m_SelectedMenuFlags.at(u"hash"), GxFlagBits{0x80000001u});
    EXPECT_TRUE(p.GetSelectedMenuFlag(u"hash", 31));
    EXPECT_FALSE(p.GetSelectedMenuFlag(u"other", 0));
}

class PermanTablesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GxGetDBCGMode().Clear();
        GxGetDBRPMode().Clear();
    }
    void TearDown() override
    {
        GxGetDBCGMode().Clear();
        GxGetDBRPMode().Clear();
    }
};

TEST_F(PermanTablesTest, ShownPicturesByTitleGroupAndAll)
{
    GxUserDataPerman p(nullptr);
    p.SetShowedCG(u"event/ev01a.v2.png");
    EXPECT_EQ(p.m_ShowedCGFlags.count(u"ev01a"), 1u);
    p.m_ShowedCGFlags[u"ev01a"] = 7;
    p.SetShowedCG(u"ev01a.png");
    EXPECT_EQ(p.m_ShowedCGFlags.at(u"ev01a"), 7) << "an existing key keeps its value";

    DBCGModeData* row = GxGetDBCGMode().GetRow(3);
    row->FileName[0] = u"EV03a";
    row->FileName[2] = u"EV03c";
    row->FileName[31] = u"ignored";
    GxGetDBCGMode().GetRow(5)->FileName[0] = u"EV05";
    EXPECT_TRUE(p.SetShowedCGGroup(3));
    EXPECT_EQ(p.m_ShowedCGFlags.count(u"EV03a") + p.m_ShowedCGFlags.count(u"EV03c"), 2u);
    EXPECT_EQ(p.m_ShowedCGFlags.count(u"ignored"), 0u);
    EXPECT_FALSE(p.SetShowedCGGroup(4));
    EXPECT_FALSE(p.SetShowedCGGroup(200));
    EXPECT_FALSE(p.SetShowedCGGroup(-1));

    p.SetShowedCGAll();
    EXPECT_EQ(p.m_ShowedCGFlags, (GxUserDataPerman::CGMap{{u"EV03a", 1}, {u"EV03c", 1}, {u"EV05", 1}}))
        << "stale keys are gone";
}

TEST_F(PermanTablesTest, SetAllReplayLabelsReplacesTheSet)
{
    GxGetDBRPMode().GetRow(0)->Label = u"*scene1";
    GxGetDBRPMode().GetRow(199)->Label = u"*scene9";
    GxUserDataPerman p(nullptr);
    p.m_PassedReplayLabels.insert(u"*old");
    p.SetAllPassedReplayLabels();
    const GxUserDataPerman::LabelSet once = p.m_PassedReplayLabels;
    p.SetAllPassedReplayLabels();
    EXPECT_EQ(p.m_PassedReplayLabels, once);
    EXPECT_EQ(once, (GxUserDataPerman::LabelSet{u"*scene1", u"*scene9"}));
}

void Fill(GxUserDataPerman& p)
{
    p.SetReadedMessageFlag(u"script01", 40);
    p.SetReadedMessageFlag(u"script01", 3);
    p.SetReadedMessageFlag(u"日本語", 70);
    p.SetSelectedMenuFlag(u"hash1", 2);
    p.m_PassedReplayLabels = {u"*a", u"*b"};
    p.m_ShowedCGFlags = {{u"ev01", 1}, {u"ev02", -3}};
    p.m_ExtraOption = 0xDEADBEEFu;
}

void ExpectSame(const GxUserDataPerman& a, const GxUserDataPerman& b)
{
    EXPECT_EQ(a.m_ReadedMessageFlags, b.m_ReadedMessageFlags);
    EXPECT_EQ(a.m_SelectedMenuFlags, b.m_SelectedMenuFlags);
    EXPECT_EQ(a.m_PassedReplayLabels, b.m_PassedReplayLabels);
    EXPECT_EQ(a.m_ShowedCGFlags, b.m_ShowedCGFlags);
    EXPECT_EQ(a.m_ExtraOption, b.m_ExtraOption);
}

class PermanFileTest : public GameFolderTest
{
protected:
    void TearDown() override
    {
        GxDestroyScriptHost();
        GameFolderTest::TearDown();
    }
    // A permanent variable of the script host with a value.
    static void SetPermanentVariable(const char16_t* name, int64_t value)
    {
        GxMoaVariableDefinition def;
        def.m_Name = name;
        def.m_Scope = MOASCOPE_EXTERN_PERMAN;
        g_MoaEx->GetVariableTable().CreateVariableFromDefinition(def);
        GxMoaVariable v;
        v.SetInt64(value);
        g_MoaEx->GetVariableTable().SetVariable(name, &v);
    }
    static int64_t PermanentVariable(const char16_t* name)
    {
        GxMoaVariableSet* s = g_MoaEx->GetVariableTable().FindVariable(name);
        return s ? s->m_Value.GetInt64() : -1;
    }
};

TEST_F(PermanFileTest, BothFormsReadBackEqual)
{
    GxUserDataPerman saved(nullptr);
    Fill(saved);
    ASSERT_TRUE(saved.Save(u"permanent.dat", true));
    ASSERT_TRUE(saved.Save(u"permanent_text.dat", false));
    EXPECT_EQ(ReadAll(m_Root / "permanent.dat").compare(0, 3, "BPD"), 0);
    EXPECT_EQ(ReadAll(m_Root / "permanent_text.dat").compare(0, 3, "TPD"), 0);
    for (const char16_t* file : {u"permanent.dat", u"permanent_text.dat"}) {
        GxUserDataPerman loaded(nullptr);
        loaded.m_PassedReplayLabels.insert(u"*stale");
        ASSERT_TRUE(loaded.Load(file));
        ExpectSame(loaded, saved);
    }
}

TEST_F(PermanFileTest, ScriptPermanentVariablesTravelWithTheFile)
{
    GxCreateScriptHost(nullptr);
    SetPermanentVariable(u"cleared", 42);
    GxUserDataPerman p(nullptr);
    ASSERT_TRUE(p.Save(u"permanent.dat", true));
    GxCreateScriptHost(nullptr);
    SetPermanentVariable(u"cleared", 0);
    ASSERT_TRUE(p.Load(u"permanent.dat"));
    EXPECT_EQ(PermanentVariable(u"cleared"), 42);
}

TEST_F(PermanFileTest, MissingFileReturnsFalseAndEmpty)
{
    GxUserDataPerman p(nullptr);
    EXPECT_FALSE(p.Load(u"permanent.dat"));
    EXPECT_TRUE(p.m_ReadedMessageFlags.empty() && p.m_SelectedMenuFlags.empty());
    EXPECT_TRUE(p.m_PassedReplayLabels.empty() && p.m_ShowedCGFlags.empty());
    EXPECT_EQ(p.m_ExtraOption, 0u);
}

// Damaged files: every prefix of a good file, a foreign tag, and counts far beyond the bytes.
TEST_F(PermanFileTest, DamagedFilesKeepTheOldDataAndTheScriptVariables)
{
    GxCreateScriptHost(nullptr);
    SetPermanentVariable(u"cleared", 42);
    GxUserDataPerman good(nullptr);
    Fill(good);
    ASSERT_TRUE(good.Save(u"good.dat", true));
    const std::string bytes = ReadAll(m_Root / "good.dat");
    SetPermanentVariable(u"cleared", 7);

    GxUserDataPerman p(nullptr);
    p.SetReadedMessageFlag(u"mine", 1);
    p.m_ExtraOption = 9;
    const GxUserDataPerman before = p;
    for (size_t cut = 1; cut < bytes.size(); ++cut) {
        WriteBytes("permanent.dat", bytes.substr(0, cut));
        EXPECT_FALSE(p.Load(u"permanent.dat")) << cut;
        ExpectSame(p, before);
        ASSERT_EQ(PermanentVariable(u"cleared"), 7) << cut;
    }
    std::string foreign = bytes;
    foreign[0] = 'X';
    WriteBytes("permanent.dat", foreign);
    EXPECT_FALSE(p.Load(u"permanent.dat"));
    ExpectSame(p, before);
}

TEST_F(PermanFileTest, OversizedCountsAllocateNothingAndChangeNothing)
{
    for (uint32_t keys : {1u, 0xFFFFFFFFu}) {
        FILE* f = std::fopen((m_Root / "permanent.dat").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        GxContentBinaryWriter w(f);
        w.WriteHeader("BPD", 100);
        w.WriteGxU32("m_ReadedMessageFlags", keys);
        w.WriteGxStringStdW("Key", u"s");
        w.WriteGxU32("Flags", 0x7FFFFFFFu);  // far more words than bytes
        w.WriteGxU32("Value", 1);
        std::fclose(f);
        GxUserDataPerman p(nullptr);
        p.m_ExtraOption = 5;
        EXPECT_FALSE(p.Load(u"permanent.dat"));
        EXPECT_TRUE(p.m_ReadedMessageFlags.empty());
        EXPECT_EQ(p.m_ExtraOption, 5u);
    }
}

TEST_F(PermanFileTest, AFileThatDidNotLoadIsKeptAsideBeforeTheFirstSave)
{
    WriteBytes("permanent.dat", "BPDdamaged");
    GxUserDataPerman p(nullptr);
    EXPECT_FALSE(p.Load(u"permanent.dat"));
    p.SetSelectedMenuFlag(u"h", 1);
    ASSERT_TRUE(p.Save(u"permanent.dat"));
    EXPECT_EQ(ReadAll(m_Root / "permanent.dat.bak"), "BPDdamaged");
    // Only once: a second save does not overwrite the copy with good data.
    WriteBytes("permanent.dat.bak", "kept");
    ASSERT_TRUE(p.Save(u"permanent.dat"));
    EXPECT_EQ(ReadAll(m_Root / "permanent.dat.bak"), "kept");
    GxUserDataPerman q(nullptr);
    ASSERT_TRUE(q.Load(u"permanent.dat"));
    EXPECT_TRUE(q.GetSelectedMenuFlag(u"h", 1));
}

GxAtomicWriteStage g_KillAt;
bool g_KillHalf;

void KillHook(GxAtomicWriteStage stage, int fd)
{
    if (stage != g_KillAt) return;
    if (g_KillHalf) {
        const off_t size = lseek(fd, 0, SEEK_END);
        if (ftruncate(fd, size / 2) != 0) _exit(3);
    }
    raise(SIGKILL);
}

TEST_F(PermanFileTest, KilledSaveLeavesTheOldOrTheNewFileWhole)
{
    const struct { GxAtomicWriteStage stage; bool half; bool expectNew; } cases[] = {
        {GxAtomicWriteStage::DataWritten, true, false},
        {GxAtomicWriteStage::DataWritten, false, false},
        {GxAtomicWriteStage::Synced, false, false},
        {GxAtomicWriteStage::Renamed, false, true},
    };
    for (const auto& c : cases) {
        GxUserDataPerman oldData(nullptr);
        oldData.SetReadedMessageFlag(u"old", 5);
        ASSERT_TRUE(oldData.Save(u"permanent.dat"));
        GxUserDataPerman newData(nullptr);
        Fill(newData);
        for (int i = 0; i < 2000; ++i) newData.SetReadedMessageFlag(u"s" + GxUtf8ToWide(std::to_string(i)), i);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            g_KillAt = c.stage;
            g_KillHalf = c.half;
            GxSetAtomicWriteHook(&KillHook);
            newData.Save(u"permanent.dat");
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        GxUserDataPerman loaded(nullptr);
        ASSERT_TRUE(loaded.Load(u"permanent.dat")) << static_cast<int>(c.stage);
        ExpectSame(loaded, c.expectNew ? newData : oldData);
        EXPECT_TRUE(loaded.Save(u"permanent.dat"));
    }
}

}  // namespace

namespace {

// Only a change is written, the permanent script variables counting; a refused write is logged
// with the system's reason, the file keeps what it held and the same content is not tried again.
TEST_F(PermanFileTest, SaveIfChangedWritesOnlyAChange)
{
    gxtest::FailingDisk disk;
    GxCreateScriptHost(nullptr);
    SetPermanentVariable(u"p_seen", 1);
    GxUserDataPerman p(nullptr);
    Fill(p);
    EXPECT_EQ(p.SaveIfChanged(u"permanent.dat"), GxKeptWrite::Written);
    EXPECT_EQ(p.SaveIfChanged(u"permanent.dat"), GxKeptWrite::Unchanged);
    GxUserDataPerman loaded(nullptr);
    ASSERT_TRUE(loaded.Load(u"permanent.dat"));
    EXPECT_EQ(loaded.SaveIfChanged(u"permanent.dat"), GxKeptWrite::Unchanged);
    EXPECT_EQ(disk.Writes("permanent.dat"), 1);
    SetPermanentVariable(u"p_seen", 2);
    EXPECT_EQ(loaded.SaveIfChanged(u"permanent.dat"), GxKeptWrite::Written);
    loaded.SetSelectedMenuFlag(u"hash1", 2);  // already set: nothing new
    EXPECT_EQ(loaded.SaveIfChanged(u"permanent.dat"), GxKeptWrite::Unchanged);
    EXPECT_EQ(disk.Writes("permanent.dat"), 2);

    const std::string before = ReadAll(m_Root / "permanent.dat");
    disk.Set(gxtest::GxDiskFault::Full, {"permanent.dat"});
    loaded.SetShowedCG(u"ev77");
    EXPECT_EQ(loaded.SaveIfChanged(u"permanent.dat"), GxKeptWrite::Failed);
    EXPECT_EQ(loaded.SaveIfChanged(u"permanent.dat"), GxKeptWrite::Unchanged);
    EXPECT_EQ(ReadAll(m_Root / "permanent.dat"), before);
    EXPECT_NE(gxtest::ReadLog(m_Root / "error.log").find(u"Error/GxUserDataPerman Save Failed(permanent.dat: No space left on device)"),
              std::u16string::npos);
    disk.Set(gxtest::GxDiskFault::None, {});
    loaded.SetShowedCG(u"ev78");
    EXPECT_EQ(loaded.SaveIfChanged(u"permanent.dat"), GxKeptWrite::Written);
    GxUserDataPerman again(nullptr);
    ASSERT_TRUE(again.Load(u"permanent.dat"));
    EXPECT_EQ(again.m_ShowedCGFlags.count(u"ev77"), 1u);
    EXPECT_EQ(PermanentVariable(u"p_seen"), 2);
}

}  // namespace
