// The UI factory table and building a screen's widgets from the UI layout table.
#include <gtest/gtest.h>

#include <string>
#include <typeinfo>

#include "app/GxSeqBase.h"
#include "app/GxTaskControl.h"
#include "app/task/GxTaskManage.h"
#include "game/DBUILayout.h"
#include "game/DBUIModule.h"
#include "tests/support/GxContentFixture.h"
#include "ui/GxTaskUINull.h"
#include "ui/GxTaskUIWidgets.h"

namespace {

template <typename T>
bool Is(GxTaskBase* t)
{
    return t && typeid(*t) == typeid(T);
}

TEST(UIFactory, EveryModuleTypeBuildsItsClass)
{
    struct Case
    {
        int32_t type;
        bool (*is)(GxTaskBase*);
    };
    const Case cases[] = {
        {1, Is<GxTaskUINull>},
        {8, Is<GxTaskUIPanelFx>},
        {9, Is<GxTaskUIMessageWindowFx>},
        {10, Is<GxTaskUITextWindowFx>},
        {11, Is<GxTaskUITextPanelFx>},
        {15, Is<GxTaskUIPanelIs>},
        {16, Is<GxTaskUIAnimePanelIs>},
        {17, Is<GxTaskUITextPanelIs>},
        {18, Is<GxTaskUIButtonIs>},
        {19, Is<GxTaskUIToggleButtonIs>},
        {20, Is<GxTaskUIRadioButtonIs>},
        {21, Is<GxTaskUITextButtonIs>},
        {30, Is<GxTaskUIHSliderIs>},
        {31, Is<GxTaskUIVSliderIs>},
        {40, Is<GxTaskUIMenuIs>},
        {41, Is<GxTaskUIHBarIs>},
        {45, Is<GxTaskUITipHelpIs>},
        {50, Is<GxTaskUIListBoxFx>},
        {51, Is<GxTaskUITextLogFx>},
    };
    GxTaskManage manager;
    GxTaskBase* root = new GxTaskBase(&manager);
    GxTaskFolder* parent = new GxTaskFolder(nullptr, nullptr, 0, root);
    for (const Case& c : cases) {
        GxTaskUIBase* w = GxTaskControl::CreateUIWidget(c.type, parent, nullptr, u"w", c.type);
        ASSERT_NE(w, nullptr) << c.type;
        EXPECT_TRUE(c.is(w)) << c.type;
        EXPECT_EQ(w->GetParent(), parent);
        EXPECT_EQ(parent->GetLastChild(), w);
        EXPECT_EQ(w->GetTaskType(), c.type);
        EXPECT_TRUE(w->IsKindOf(GxTaskKind::UI));
        EXPECT_EQ(w->IsKindOf(GxTaskKind::Button), c.type >= 18 && c.type <= 21) << c.type;
        EXPECT_EQ(parent->FindTaskLocal(u"w", c.type), w);
    }
    const int32_t built = parent->GetChildCount();
    for (int32_t type : {0, 2, 7, 12, 60, -1}) {
        EXPECT_EQ(GxTaskControl::CreateUIWidget(type, parent, u"none", nullptr, 0), nullptr) << type;
    }
    EXPECT_EQ(parent->GetChildCount(), built);
    EXPECT_EQ(manager.FindTaskByName(u"none"), nullptr);
}

class LayoutTables : public ::testing::Test
{
protected:
    LayoutTables()
    {
        GxGetDBUILayout().Clear();
        GxGetDBUIModule().Clear();
        root = new GxTaskBase(&manager);
        screen = new GxSeqBase(u"SeqA", root);
        ui = new GxTaskFolder(u"$UI:SeqA", nullptr, 0, screen);
        otherScreen = new GxSeqBase(u"SeqB", root);
        otherUi = new GxTaskFolder(u"$UI:SeqB", nullptr, 0, otherScreen);

        AddModule(3, 18, u"btn_std", 120, 40);
        AddModule(4, 1, u"null_std", 0, 0);
        AddModule(5, 7, u"no_class", 10, 10);
        AddModule(6, 15, u"panel_std", 300, 200);
    }
    ~LayoutTables() override
    {
        GxGetDBUILayout().Clear();
        GxGetDBUIModule().Clear();
    }

    void AddModule(int32_t id, int32_t type, const char16_t* name, int32_t w, int32_t h)
    {
        DBUIModuleData& m = *GxGetDBUIModule().GetRow(id);
        m.ID = id;
        m.UIType = type;
        m.ModuleName = name;
        m.Width = w;
        m.Height = h;
        m.ClientLeft = 2;
        m.ClientTop = 3;
        m.ClientWidth = w - 4;
        m.ClientHeight = h - 6;
        m.ShapeType = 1;
        m.AnimeSpeed = 4;
    }

    DBUILayoutData& AddLayout(int32_t id, const char16_t* parent, const char16_t* module, const char16_t* name,
                              int32_t index, int32_t create = 1)
    {
        DBUILayoutData& l = *GxGetDBUILayout().GetRow(id);
        l.ID = id;
        l.ParentName = parent;
        l.ModuleName = module;
        l.TaskName = name;
        l.TaskIndex = index;
        l.Create = create;
        l.Visible = 1;
        l.Enabled = 1;
        return l;
    }

    GxContentLogCapture log;
    GxTaskManage manager;
    GxTaskBase* root;
    GxSeqBase* screen;
    GxTaskFolder* ui;
    GxSeqBase* otherScreen;
    GxTaskFolder* otherUi;
};

TEST_F(LayoutTables, RowsOfTheFolderBuildWidgetsInTableOrder)
{
    DBUILayoutData& first = AddLayout(10, u"$UI:SeqA", u"panel_std", u"pnl_main", -1);
    first.Left = 12.0f;
    first.Top = 34.0f;
    first.OrderZ = 5000.0f;
    first.Visible = 0;
    first.Enabled = 0;
    first.Max = 10;
    first.Min = 2;
    first.Value = 7;
    first.GroupID = 3;
    first.Text = u"本文";
    first.Label = u"label";
    first.AutoHelpTime = 500;
    first.Descript = u"説明";
    AddLayout(11, u"$UI:SeqA", u"btn_std", u"btn_item", 3);
    AddLayout(12, u"$UI:SeqA", u"btn_std", u"btn_skipped", -1, 0);   // Create 0
    AddLayout(13, u"$UI:SeqB", u"btn_std", u"btn_other", -1);        // another screen's folder
    AddLayout(14, u"$UI:SeqA", u"missing", u"btn_missing", -1);      // unknown module
    AddLayout(15, u"$UI:SeqA", u"no_class", u"btn_noclass", -1);     // UIType without a class
    AddLayout(16, u"$UI:SeqA ", u"btn_std", u"btn_space", -1);       // parent compared exactly
    AddLayout(17, u"$UI:SeqA", u"null_std", u"null_eventcaller", 0);
    AddLayout(2, u"$UI:SeqA", u"btn_std", u"btn_early", -1);         // a lower row comes first

    GxTaskControl::CreateUIFromDBUILayout(screen, u"$UI:SeqA");

    ASSERT_EQ(ui->GetChildCount(), 4);
    GxTaskBase* c = ui->GetFirstChild();
    EXPECT_EQ(c->GetTaskName(), u"btn_early");
    c = c->GetNextSibling();
    ASSERT_TRUE(Is<GxTaskUIPanelIs>(c));
    auto* panel = static_cast<GxTaskUIPanelIs*>(c);
    EXPECT_EQ(manager.FindTaskByName(u"pnl_main"), panel);
    EXPECT_EQ(panel->GetTaskLocalName(), u"");
    // The layout row.
    EXPECT_FALSE(panel->IsVisible());
    EXPECT_FALSE(panel->IsEnabled());
    EXPECT_EQ(panel->GetMax(), 10.0);
    EXPECT_EQ(panel->GetMin(), 2.0);
    EXPECT_EQ(panel->GetValue(), 7.0);
    EXPECT_EQ(panel->GetGroupID(), 3);
    EXPECT_EQ(panel->GetText(), u"本文");
    EXPECT_EQ(panel->GetLabel(), u"label");
    EXPECT_EQ(panel->GetAutoHelpTime(), 500);
    EXPECT_EQ(panel->GetDescript(), u"説明");
    EXPECT_EQ(panel->GetPos(), GxVector3(12, 34, 0));
    EXPECT_EQ(panel->GetOrderZ(), 5000.0f);
    // The module row.
    EXPECT_EQ(panel->GetModuleID(), 6);
    EXPECT_EQ(panel->GetWidth(), 300);
    EXPECT_EQ(panel->GetHeight(), 200);
    EXPECT_EQ(panel->GetClientLeft(), 2);
    EXPECT_EQ(panel->GetClientTop(), 3);
    EXPECT_EQ(panel->GetClientWidth(), 296);
    EXPECT_EQ(panel->GetClientHeight(), 194);
    EXPECT_EQ(panel->GetShapeType(), 1);
    EXPECT_EQ(panel->GetAnimeSpeed(), 4);

    c = c->GetNextSibling();
    ASSERT_TRUE(Is<GxTaskUIButtonIs>(c));
    EXPECT_EQ(ui->FindTaskLocal(u"btn_item", 3), c);
    EXPECT_EQ(c->GetTaskName(), u"");
    c = c->GetNextSibling();
    ASSERT_TRUE(Is<GxTaskUINull>(c));
    EXPECT_EQ(ui->FindTaskLocal(u"null_eventcaller", 0), c);

    EXPECT_EQ(otherUi->GetChildCount(), 0);
    for (const char16_t* name : {u"btn_skipped", u"btn_other", u"btn_missing", u"btn_noclass", u"btn_space"}) {
        EXPECT_EQ(manager.FindTaskByName(name), nullptr);
    }
    EXPECT_NE(log.Joined().find("UIモジュールデータ[missing]が見つかりません"), std::string::npos) << log.Joined();
}

TEST_F(LayoutTables, RowsUnderAWidgetOfAnotherFolder)
{
    // Rows may name any task as their parent, a widget built by an earlier call included; local
    // names go to the nearest folder, which for a widget parent is the widget itself.
    AddLayout(0, u"$UI:SeqA", u"panel_std", u"$MESWIN:SeqA", -1);
    AddLayout(1, u"$MESWIN:SeqA", u"btn_std", u"btn_save", 0);
    GxTaskControl::CreateUIFromDBUILayout(screen, u"$UI:SeqA");
    GxTaskBase* meswin = manager.FindTaskByName(u"$MESWIN:SeqA");
    ASSERT_NE(meswin, nullptr);
    EXPECT_EQ(meswin->GetChildCount(), 0);
    GxTaskControl::CreateUIFromDBUILayout(screen, u"$MESWIN:SeqA");
    ASSERT_EQ(meswin->GetChildCount(), 1);
    EXPECT_EQ(static_cast<GxTaskFolder*>(meswin)->FindTaskLocal(u"btn_save", 0), meswin->GetFirstChild());
    EXPECT_TRUE(log.Lines().empty()) << log.Joined();
}

TEST_F(LayoutTables, UnknownFolderIsLoggedAndBuildsNothing)
{
    AddLayout(0, u"$UI:SeqZ", u"btn_std", u"btn_z", -1);
    GxTaskControl::CreateUIFromDBUILayout(screen, u"$UI:SeqZ");
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(log.Lines()[0], "GxTaskControl::CreateUIFromDBUILayout タスクフォルダが見つかりません[$UI:SeqZ]\n");
    EXPECT_EQ(manager.FindTaskByName(u"btn_z"), nullptr);
}

TEST_F(LayoutTables, CreateFromModuleNamesTheWidget)
{
    const DBUIModuleData* radio = nullptr;
    AddModule(7, 20, u"radio_std", 32, 32);
    radio = GxFindUIModuleData(u"radio_std");
    ASSERT_NE(radio, nullptr);

    GxTaskUIBase* byName = screen->CreateUIFromModule(ui, *radio, u"rb_task", -1);
    ASSERT_TRUE(Is<GxTaskUIRadioButtonIs>(byName));
    EXPECT_EQ(manager.FindTaskByName(u"rb_task"), byName);
    EXPECT_EQ(byName->GetTaskLocalName(), u"");
    EXPECT_EQ(byName->GetWidth(), 32);  // the module is applied
    EXPECT_TRUE(byName->IsVisible());   // no layout: visibility as constructed

    // With an index the name is local, found in the nearest folder ancestor.
    GxTaskActor* holder = new GxTaskActor(nullptr, nullptr, 0, ui);
    GxTaskUIBase* byIndex = screen->CreateUIFromModule(holder, *radio, u"rb", 3);
    ASSERT_NE(byIndex, nullptr);
    EXPECT_EQ(holder->GetTaskLocal(u"rb", 3), byIndex);
    EXPECT_EQ(byIndex->GetTaskName(), u"");
    EXPECT_EQ(manager.FindTaskByName(u"rb"), nullptr);

    const int32_t before = ui->GetChildCount();
    EXPECT_EQ(screen->CreateUIFromModule(ui, *GxFindUIModuleData(u"no_class"), u"x", -1), nullptr);
    EXPECT_EQ(ui->GetChildCount(), before);
    EXPECT_EQ(screen->CreateUIFromModule(nullptr, *radio, u"orphan", -1), nullptr);
    EXPECT_EQ(manager.FindTaskByName(u"orphan"), nullptr);

    DBUILayoutData& row = AddLayout(20, u"$UI:SeqA", u"missing", u"y", -1);
    EXPECT_EQ(screen->CreateUIFromModuleName(ui, row, u"y", -1), nullptr);
    EXPECT_EQ(ui->GetChildCount(), before);
    EXPECT_NE(log.Joined().find("UIモジュールデータ[missing]"), std::string::npos);
}

TEST_F(LayoutTables, ModuleLookupSkipsEmptyNamesAndTakesTheFirstMatch)
{
    AddModule(9, 18, u"btn_std", 1, 1);  // a later row of the same name
    const DBUIModuleData* m = GxFindUIModuleData(u"btn_std");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->ID, 3);
    log.Clear();
    EXPECT_EQ(GxFindUIModuleData(u""), nullptr);
    EXPECT_EQ(log.Lines().size(), 1u);
}

}  // namespace
