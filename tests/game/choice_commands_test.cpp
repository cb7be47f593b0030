// The choice commands run from a script on the started application object: labels stored even
// when missing, the flags of the items whose arguments are given, the cancel item, the hash key
// and its default per choice point, and the hand-over to the main play screen (a recording
// stand-in task named "SeqRukoMain").
#include <gtest/gtest.h>

#include "app/task/GxTaskManage.h"
#include "game/GxUserData.h"
#include "tests/support/GxHideScreen.h"
#include "tests/game/game_core_fixture.h"
#include "tests/game/game_test_util.h"
#include "tests/game/sound_choice_script_runner.h"
#include "tests/support/GxRecordingMainScreen.h"

namespace {

using gametest::LoadGameScript;
using gametest::RunGameScript;
using gametest::RunGameStatement;

using gxtest::RecordingMainScreen;

class ChoiceCommandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(app.initialized);
        data = app.core->GetUserData();
        ASSERT_EQ(data->m_SelectItems.size(), 11u) << "ten buttons and item 0";
        gxtest::HideProgramMainScreen(app.core->GetTaskManage());
        screen = new RecordingMainScreen(app.core->GetTaskManage()->GetRootTask(), data, true);
        ASSERT_EQ(GxFindMainScreen(app.core.get()), screen);
    }
    const GxSelectMenuItem& Item(size_t k) const { return data->m_SelectItems[k]; }

    gametest::StartedCore app;
    GxUserData* data = nullptr;
    RecordingMainScreen* screen = nullptr;  // owned by the task tree
};

TEST_F(ChoiceCommandTest, LabelsThenTextsShowTheMenu)
{
    ASSERT_TRUE(LoadGameScript(R"(*start
sel.go("@a", "@b")
sel("one", "two")
exit()
*@a
exit()
*@b
exit()
)"));
    data->m_HideWindowByCommandFlag = true;
    ASSERT_TRUE(RunGameScript(u"start"));
    ASSERT_EQ(screen->shown.size(), 1u);
    const RecordingMainScreen::Shown& s = screen->shown[0];
    EXPECT_EQ(s.hash, u"MAIN:3") << "script name and line + 1";
    EXPECT_FALSE(s.windowHiddenByCommand) << "the window may show again";
    const char16_t* texts[] = {u"one", u"two"};
    const char16_t* labels[] = {u"@a", u"@b"};
    for (size_t k = 1; k <= 2; ++k) {
        EXPECT_EQ(s.items[k].m_Text, texts[k - 1]);
        EXPECT_EQ(s.items[k].m_Label, labels[k - 1]);
        EXPECT_TRUE(s.items[k].m_Enable && s.items[k].m_Visible) << k;
        EXPECT_FALSE(s.items[k].m_UseGosub);
    }
    for (size_t k = 3; k <= 10; ++k) {
        EXPECT_TRUE(s.items[k].m_Text.empty()) << k;
        EXPECT_FALSE(s.items[k].m_Enable || s.items[k].m_Visible) << "items without text are hidden and disabled " << k;
    }
}

TEST_F(ChoiceCommandTest, MissingLabelIsAnErrorButStored)
{
    ASSERT_TRUE(LoadGameScript(R"(*start
sel.gosub("@a", "nolabel", "@b", "", "@zz")
exit()
*@a
*@b
exit()
)"));
    gametest::LogCapture log;
    data->m_SelectItems[4].m_Label = u"old";
    data->m_SelectItems[4].m_UseGosub = true;
    EXPECT_FALSE(RunGameScript(u"start"));
    EXPECT_EQ(log.Count("選択肢[2]のラベル[nolabel]は存在しません"), 1u);
    EXPECT_EQ(log.Count("選択肢[5]のラベル[@zz]は存在しません"), 1u);
    EXPECT_EQ(log.Count("は存在しません"), 2u);
    const char16_t* labels[] = {u"", u"@a", u"nolabel", u"@b", u"", u"@zz"};
    for (size_t k = 1; k <= 5; ++k) {
        EXPECT_EQ(Item(k).m_Label, labels[k]) << k;
        EXPECT_EQ(Item(k).m_UseGosub, k != 4) << k;
    }
    EXPECT_TRUE(screen->shown.empty());

    // A jump list replaces the call list: no item keeps the gosub flag.
    ASSERT_TRUE(RunGameStatement("sel.go(\"start\")"));
    EXPECT_EQ(Item(1).m_Label, u"start");
    for (size_t k = 1; k <= 10; ++k) EXPECT_FALSE(Item(k).m_UseGosub) << k;
    EXPECT_TRUE(Item(2).m_Label.empty());
}

TEST_F(ChoiceCommandTest, FlagsChangeOnlyTheItemsGiven)
{
    data->m_SelectItems[3].m_Visible = false;
    data->m_SelectItems[5].m_Enable = false;
    ASSERT_TRUE(RunGameStatement("sel.visible(1, 0)"));
    EXPECT_TRUE(Item(1).m_Visible);
    EXPECT_FALSE(Item(2).m_Visible);
    EXPECT_FALSE(Item(3).m_Visible) << "items 3 to 10 stay as they were";
    for (size_t k = 4; k <= 10; ++k) EXPECT_TRUE(Item(k).m_Visible) << k;

    ASSERT_TRUE(RunGameStatement("sel.enable(0, \"\", 1, 1, 1, 1, 1, 1, 1, 1, 0)"));
    EXPECT_FALSE(Item(1).m_Enable);
    EXPECT_TRUE(Item(2).m_Enable) << "an empty argument is not given";
    for (size_t k = 3; k <= 10; ++k) EXPECT_TRUE(Item(k).m_Enable) << k;
}

TEST_F(ChoiceCommandTest, CancelItemAndHashKey)
{
    const std::pair<const char*, int32_t> cancels[] = {
        {"sel.cancel(2)", 2}, {"sel.cancel()", 0}, {"sel.cancel(10)", 10},
        {"sel.cancel(11)", 0}, {"sel.cancel(-1)", 0}, {"sel.cancel(\"3\")", 3},
    };
    for (const auto& [statement, item] : cancels) {
        data->m_CancelSelectNum = 7;
        EXPECT_TRUE(RunGameStatement(statement));
        EXPECT_EQ(data->m_CancelSelectNum, item) << statement;
    }
    ASSERT_TRUE(RunGameStatement("sel.hash(\"chapter1\")"));
    EXPECT_EQ(data->m_SelectHash, u"chapter1");
    ASSERT_TRUE(RunGameStatement("sel.hash()"));
    EXPECT_TRUE(data->m_SelectHash.empty());
}

TEST_F(ChoiceCommandTest, EachChoicePointHasItsOwnKeyUnlessOneIsGiven)
{
    screen->pickAfterShow = true;
    ASSERT_TRUE(LoadGameScript(R"(*start
sel("a")
sel("b")
sel.hash("shared")
sel("c")
sel.hash("shared")
sel("d")
exit()
)"));
    ASSERT_TRUE(RunGameScript(u"start"));
    ASSERT_EQ(screen->shown.size(), 4u);
    EXPECT_EQ(screen->shown[0].hash, u"MAIN:2");
    EXPECT_EQ(screen->shown[1].hash, u"MAIN:3");
    EXPECT_EQ(screen->shown[2].hash, u"shared");
    EXPECT_EQ(screen->shown[3].hash, u"shared");
}

TEST_F(ChoiceCommandTest, TextsPastTheLastButtonAreIgnored)
{
    ASSERT_TRUE(RunGameStatement(R"(sel("1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11"))"));
    ASSERT_EQ(screen->shown.size(), 1u);
    ASSERT_EQ(screen->shown[0].items.size(), 11u);
    EXPECT_EQ(screen->shown[0].items[10].m_Text, u"10");
    EXPECT_TRUE(screen->shown[0].items[0].m_Text.empty()) << "item 0 is no button";
}

}  // namespace
