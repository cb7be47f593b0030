// The replay-flag and gallery-flag commands through the program's command set, on the data kept
// across plays of a started core.
#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "game/DBCGMode.h"
#include "game/DBRPMode.h"
#include "game/GxUserDataPerman.h"
#include "game_core_fixture.h"
#include "game_test_util.h"
#include "moa/GxMoaScriptHost.h"
#include "moa/GxMoaVariable.h"

namespace {

// One optional text argument, as the script passes it; none: no arguments at all.
bool Call(std::u16string_view word, const char16_t* arg = nullptr)
{
    GxMoaVariable array;
    if (arg) {
        array.MakeArray(1);
        array.GetElement(0)->SetString(arg);
    }
    GxMoaExecStack stack;
    GxMoaVariable result;
    return g_MoaBuiltinEx->CallBuiltin(word, 2200, array, *g_MoaWorkerEx, nullptr, stack, result);
}

class FlagCommands : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Core.initialized);
        m_Perman = m_Core.core->GetUserDataPerman();
        GxGetDBRPMode().GetRow(2)->Label = u"scene_a";
        GxGetDBRPMode().GetRow(5)->Label = u"scene_b";
        DBCGModeData* row = GxGetDBCGMode().GetRow(4);
        row->FileName[0] = u"ev01a";
        row->FileName[1] = u"ev01b";
        row->FileName[3] = u"ev01c";  // a gap in the row
        row->FileName[31] = u"ev01z";
        // A row whose first picture is empty is not in use.
        GxGetDBCGMode().GetRow(9)->FileName[2] = u"ev09x";
    }

    gametest::StartedCore m_Core;
    GxUserDataPerman* m_Perman = nullptr;
};

TEST_F(FlagCommands, ReplayLabelsMustBeInTheTableToBeSetButNotToBeUnset)
{
    gametest::LogCapture log;
    EXPECT_TRUE(Call(u"rp.set", u"scene_b"));
    EXPECT_TRUE(Call(u"rp.set", u"scene_a"));
    EXPECT_FALSE(Call(u"rp.set", u"scene_x"));
    EXPECT_EQ(log.Count("ラベル名[scene_x]はリプレイモード定義と一致しません"), 1u);
    EXPECT_EQ(m_Perman->m_PassedReplayLabels, (GxUserDataPerman::LabelSet{u"scene_a", u"scene_b"}));

    // A label the table does not have can still be taken back (an older play may hold it).
    m_Perman->m_PassedReplayLabels.insert(u"scene_old");
    EXPECT_TRUE(Call(u"rp.unset", u"scene_old"));
    EXPECT_TRUE(Call(u"rp.unset", u"scene_x"));
    EXPECT_TRUE(Call(u"rp.unset", u"scene_a"));
    EXPECT_EQ(m_Perman->m_PassedReplayLabels, (GxUserDataPerman::LabelSet{u"scene_b"}));

    EXPECT_TRUE(Call(u"rp.unsetall"));
    EXPECT_TRUE(m_Perman->m_PassedReplayLabels.empty());
}

TEST_F(FlagCommands, RequiredNamesAreReportedWhenMissingOrEmpty)
{
    struct Case
    {
        const char16_t* word;
        const char16_t* arg;
        const char* message;
    };
    const Case cases[] = {
        {u"rp.set", nullptr, "ラベル名を指定してください"},
        {u"rp.set", u"", "ラベル名を指定してください"},
        {u"rp.unset", nullptr, "ラベル名を指定してください"},
        {u"cg.set", nullptr, "イベント画像名を指定してください"},
        {u"cg.set", u"", "イベント画像名を指定してください"},
        {u"cg.setgroup", nullptr, "イベント画像名を指定してください"},
        {u"cg.setgroup", u"ev99", "定義されていない画像名です"},
        {u"cg.setgroup", u"ev09x", "定義されていない画像名です"},  // its row is not in use
    };
    m_Perman->m_PassedReplayLabels.insert(u"scene_a");
    for (const Case& c : cases) {
        gametest::LogCapture log;
        EXPECT_FALSE(Call(c.word, c.arg)) << c.message;
        EXPECT_EQ(log.Count(c.message), 1u) << c.message;
        EXPECT_EQ(m_Perman->m_PassedReplayLabels.size(), 1u) << c.message;
        EXPECT_TRUE(m_Perman->m_ShowedCGFlags.empty()) << c.message;
    }
}

TEST_F(FlagCommands, GalleryPicturesAreRecordedOneByOneOrByTheirRow)
{
    // A name no gallery row holds is recorded all the same; an entry there keeps its value.
    m_Perman->m_ShowedCGFlags[u"ev01a"] = 7;
    EXPECT_TRUE(Call(u"cg.set", u"ev77"));
    EXPECT_TRUE(Call(u"cg.set", u"ev01a"));
    EXPECT_EQ(m_Perman->m_ShowedCGFlags, (GxUserDataPerman::CGMap{{u"ev01a", 7}, {u"ev77", 1}}));

    // One picture of a row, named as a path with another case, records its whole row.
    EXPECT_TRUE(Call(u"cg.unsetall"));
    EXPECT_TRUE(m_Perman->m_ShowedCGFlags.empty());
    EXPECT_TRUE(Call(u"cg.setgroup", u"cg/ev/EV01C.png"));
    EXPECT_EQ(m_Perman->m_ShowedCGFlags,
              (GxUserDataPerman::CGMap{{u"ev01a", 1}, {u"ev01b", 1}, {u"ev01c", 1}}));
}

}  // namespace
