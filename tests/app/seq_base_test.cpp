// The screen base: construction, the main-phase start, the background clear, the leave step
// with the system screen's widgets, the standard dialog answers and the input gate.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/GxSeqBase.h"
#include "app/task/GxRenderLayer.h"
#include "app/task/GxTaskManage.h"
#include "game/GxMainScreen.h"
#include "platform/GxDeviceTypes.h"
#include "seq/SeqSystem.h"
#include "tests/app/seq_test_services.h"
#include "tests/support/GxContentFixture.h"
#include "ui/GxTaskUINull.h"
#include "ui/GxTaskUIWidgets.h"

namespace {

class SeqBaseTest : public ::testing::Test
{
protected:
    SeqBaseTest()
    {
        g_SystemDialogCount = 0;
        SeqSystem::SetUserDialogKey(u"");
        manager.SetRenderLayers(&banks);
        root = new GxTaskBase(&manager);
        system = new GxSeqBase(u"SeqSystem", root);
        tip = new GxTaskUITipHelpIs(system, u"tip_help", nullptr, 0);
        shutdown = new GxTaskUIPanelIs(system, u"dlg_shutdown", nullptr, 0);
        shutdownYes = new GxTaskUIButtonIs(shutdown, nullptr, u"btn_dlgshutdown_yes", 0);
        shutdownNo = new GxTaskUIButtonIs(shutdown, nullptr, u"btn_dlgshutdown_no", 0);
        user = new GxTaskUIPanelIs(system, u"dlg_user", nullptr, 0);
        for (const char16_t* name : {u"btn_dlguser_yes", u"btn_dlguser_no", u"btn_dlguser_ok", u"btn_dlguser_cancel",
                                     u"btn_dlguser_other"}) {
            new GxTaskUIButtonIs(user, nullptr, name, 0);
        }
        manager.SetPersistentRoot(system);
        screen = new GxSeqBase(u"SeqA", root);
        screen->SetUIEventEnabled(true);
        other = new GxSeqBase(u"SeqB", root);
    }
    ~SeqBaseTest() override
    {
        g_SystemDialogCount = 0;
        SeqSystem::SetUserDialogKey(u"");
    }

    GxTaskUIBase* UserButton(const char16_t* name)
    {
        return static_cast<GxTaskUIBase*>(user->FindTaskLocal(name, 0));
    }

    // Makes the screen current and starts its main phase.
    void Enter(GxTaskBase* seq)
    {
        ASSERT_TRUE(manager.ChangeSequence(seq, 0));
        manager.ExecuteChangeSequence();
        manager.UpdatePreMainTasks(seq, 0, 0);
        ASSERT_TRUE(manager.IsMainStarted());
    }

    int Press(GxTaskUIBase* sender)
    {
        GxUIEventParam p(sender, GxUIEventType::LeftDown, 0);
        return screen->OnUIEventLeftDown(sender, &p);
    }

    RecordingSeqServices services;
    GxContentLogCapture log;
    GxRenderLayerBanks banks;
    GxTaskManage manager;
    GxTaskBase* root;
    GxSeqBase* system;
    GxTaskUIBase* tip;
    GxTaskUIPanelIs* shutdown;
    GxTaskUIBase* shutdownYes;
    GxTaskUIBase* shutdownNo;
    GxTaskUIPanelIs* user;
    GxSeqBase* screen;
    GxSeqBase* other;
};

TEST_F(SeqBaseTest, ConstructionMarksASequence)
{
    EXPECT_TRUE(screen->IsKindOf(GxTaskKind::Sequence));
    EXPECT_TRUE(screen->IsKindOf(GxTaskKind::Folder));
    EXPECT_FALSE(screen->IsKindOf(GxTaskKind::SeqTransit));
    EXPECT_TRUE(screen->HasUpdateFlags(GxTaskUpdateFlag::LastSibling));
    EXPECT_TRUE(screen->HasUpdateFlags(GxTaskUpdateFlag::PreMain));
    EXPECT_EQ(manager.FindTaskByName(u"SeqA"), screen);
    EXPECT_EQ(screen->GetTaskLocalName(), u"");
    EXPECT_TRUE(screen->IsIdle());
    EXPECT_TRUE(screen->IsUnlocked1());
    EXPECT_TRUE(screen->IsUnlocked2());
    EXPECT_TRUE(screen->IsUnlocked3());
    // Each lock test reads its own counter.
    for (int i = 0; i < 3; ++i) {
        g_MainScreenFlags.lockCount[i] = 1;
        EXPECT_EQ(screen->IsUnlocked1(), i != 0);
        EXPECT_EQ(screen->IsUnlocked2(), i != 1);
        EXPECT_EQ(screen->IsUnlocked3(), i != 2);
        g_MainScreenFlags.lockCount[i] = 0;
    }
}

TEST_F(SeqBaseTest, MainPhaseStartsOnlyOnceTheScreenHasBeenEntered)
{
    screen->UpdatePreMain(0, 0);
    EXPECT_FALSE(manager.IsMainStarted());
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(log.Lines()[0], "GxTaskManage::StartMain/シーケンスの準備ができていません\n");

    ASSERT_TRUE(manager.ChangeSequence(screen, 0));
    manager.ExecuteChangeSequence();
    EXPECT_FALSE(manager.IsMainStarted());
    manager.UpdatePreMainTasks(screen, 0, 16000);
    EXPECT_TRUE(manager.IsMainStarted());
    EXPECT_EQ(log.Lines().size(), 1u);
}

TEST_F(SeqBaseTest, RenderAndDrawClearTheScreenInLayerZero)
{
    screen->Render(0, 0);
    const auto& entries = banks.GetList(GxRenderLayer::Background)->GetEntries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries.front().task, screen);
    EXPECT_EQ(entries.front().param, 0);
    EXPECT_EQ(entries.front().orderKey, 0.0f);
    for (int32_t l = 1; l < GxRenderLayer::Count; ++l) EXPECT_TRUE(banks.GetList(l)->GetEntries().empty());

    EXPECT_EQ(screen->Draw(0, 0), 0);
    services.backgroundColor = 0xFF102030u;
    screen->Draw(5, 0);  // every parameter clears
    ASSERT_EQ(services.clears.size(), 2u);
    EXPECT_EQ(services.clears[0].flags, GXCLEAR_TARGET | GXCLEAR_ZBUFFER | GXCLEAR_STENCIL);
    EXPECT_EQ(services.clears[0].color, 0xFF000000u);
    EXPECT_EQ(services.clears[0].z, 1.0f);
    EXPECT_EQ(services.clears[0].stencil, 0u);
    EXPECT_EQ(services.clears[1].color, 0xFF102030u);
}

TEST_F(SeqBaseTest, LeavingClosesTheSystemWidgetsAndLowersTheDialogCount)
{
    Enter(screen);
    screen->PostUIEvent(GxUIEventParam(nullptr, 1, 0));
    g_SystemDialogCount = 2;
    manager.ChangeSequence(other, 0);
    manager.ExecuteChangeSequence();
    EXPECT_TRUE(tip->IsPause());
    EXPECT_TRUE(shutdown->IsPause());
    EXPECT_TRUE(user->IsPause());
    EXPECT_EQ(g_SystemDialogCount, 0);
    EXPECT_EQ(screen->GetUIEventCount(), 0u);

    // Closed dialogs count for nothing; the count never goes below 0.
    g_SystemDialogCount = 1;
    user->Resume();
    screen->OnSequenceLeave();
    EXPECT_EQ(g_SystemDialogCount, 0);
    shutdown->Resume();
    user->Resume();
    screen->OnSequenceLeave();
    EXPECT_EQ(g_SystemDialogCount, 0);
    EXPECT_TRUE(shutdown->IsPause());
    EXPECT_TRUE(user->IsPause());
    EXPECT_TRUE(log.Lines().empty()) << log.Joined();
}

TEST_F(SeqBaseTest, LeavingWithoutTheSystemWidgetsSkipsThem)
{
    tip->Kill();
    manager.DeleteDeadTasks(root);
    manager.DeleteDeadTasks(root);
    ASSERT_EQ(manager.FindTaskByName(u"tip_help"), nullptr);
    g_SystemDialogCount = 1;
    shutdown->Pause();
    user->Pause();
    screen->OnSequenceLeave();
    EXPECT_EQ(g_SystemDialogCount, 1);
}

TEST_F(SeqBaseTest, QuitDialogAnswers)
{
    EXPECT_EQ(Press(shutdownYes), 1);
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].message, GxWindowMessage::Close);
    EXPECT_EQ(services.messages[0].wParam, 0u);
    EXPECT_EQ(services.messages[0].lParam, 0);
    EXPECT_TRUE(shutdown->IsActive());

    g_SystemDialogCount = 1;
    EXPECT_EQ(Press(shutdownNo), 1);
    EXPECT_TRUE(shutdown->IsPause());
    EXPECT_EQ(g_SystemDialogCount, 0);
    EXPECT_EQ(services.messages.size(), 1u);
}

TEST_F(SeqBaseTest, UserDialogAnswersOnlyForTheScriptKey)
{
    struct Case
    {
        const char16_t* button;
        int handled;
        int result;  // -1: none recorded
    };
    const Case cases[] = {
        {u"btn_dlguser_yes", 1, 1},
        {u"btn_dlguser_ok", 1, 1},
        {u"btn_dlguser_no", 1, 0},
        {u"btn_dlguser_cancel", 1, 0},
        {u"btn_dlguser_other", 0, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.button, c.button + std::char_traits<char16_t>::length(c.button)));
        services.dialogResults.clear();
        user->Resume();
        g_SystemDialogCount = 1;
        SeqSystem::SetUserDialogKey(u"USERDIALOG");
        EXPECT_EQ(Press(UserButton(c.button)), c.handled);
        if (c.result < 0) {
            EXPECT_TRUE(services.dialogResults.empty());
            EXPECT_TRUE(user->IsActive());
            EXPECT_EQ(g_SystemDialogCount, 1);
        } else {
            ASSERT_EQ(services.dialogResults.size(), 1u);
            EXPECT_EQ(services.dialogResults[0], c.result);
            EXPECT_TRUE(user->IsPause());
            EXPECT_EQ(g_SystemDialogCount, 0);
        }

        // Another key leaves the answer to the screen that opened the dialog.
        services.dialogResults.clear();
        user->Resume();
        g_SystemDialogCount = 1;
        SeqSystem::SetUserDialogKey(u"SAVEOVERWRITE");
        EXPECT_EQ(Press(UserButton(c.button)), 0);
        EXPECT_TRUE(services.dialogResults.empty());
        EXPECT_TRUE(user->IsActive());
        EXPECT_EQ(g_SystemDialogCount, 1);
    }
}

TEST_F(SeqBaseTest, OtherSendersAreNotHandled)
{
    SeqSystem::SetUserDialogKey(u"USERDIALOG");
    GxTaskUIButtonIs* stray = new GxTaskUIButtonIs(screen, nullptr, u"btn_dlgshutdown_yes", 0);
    EXPECT_EQ(Press(stray), 0);
    EXPECT_EQ(Press(nullptr), 0);
    GxTaskUIButtonIs orphan(nullptr, nullptr, nullptr, 0);
    EXPECT_EQ(Press(&orphan), 0);
    // A press on the dialog panel itself: its parent is the system screen.
    EXPECT_EQ(Press(user), 0);
    EXPECT_TRUE(services.messages.empty());
    EXPECT_TRUE(services.dialogResults.empty());
}

TEST_F(SeqBaseTest, InputGate)
{
    Enter(screen);
    GxTaskUIPanelIs* panel = new GxTaskUIPanelIs(screen, nullptr, nullptr, 0);
    GxTaskUIButtonIs* button = new GxTaskUIButtonIs(panel, nullptr, nullptr, 0);
    ASSERT_TRUE(screen->IsUIInputEnabled(button));
    EXPECT_FALSE(screen->IsUIInputEnabled(nullptr));

    struct Case
    {
        const char* what;
        std::function<void()> set;
        std::function<void()> undo;
        bool expected;
    };
    const Case cases[] = {
        {"hidden ancestor", [&] { panel->Hide(); }, [&] { panel->Show(); }, false},
        {"disabled ancestor", [&] { panel->SetEnabled(false); }, [&] { panel->SetEnabled(true); }, false},
        {"disabled", [&] { button->SetEnabled(false); }, [&] { button->SetEnabled(true); }, false},
        {"action in queue 1", [&] { button->AddActionWait(1, 10); }, [&] { button->ClearAction(); }, false},
        {"one dialog, priority 0", [&] { g_SystemDialogCount = 1; }, [&] { g_SystemDialogCount = 0; }, false},
        {"one dialog, modal 1",
         [&] {
             g_SystemDialogCount = 1;
             panel->SetModalFlag(true);
             panel->SetModalPriority(1);
         },
         [&] {
             g_SystemDialogCount = 0;
             panel->SetModalFlag(false);
         },
         true},
        {"two dialogs, modal 1",
         [&] {
             g_SystemDialogCount = 2;
             button->SetModalFlag(true);
             button->SetModalPriority(1);
         },
         [&] {
             g_SystemDialogCount = 0;
             button->SetModalFlag(false);
         },
         false},
        {"no dialog, modal 0",
         [&] {
             button->SetModalFlag(true);
             button->SetModalPriority(0);
         },
         [&] { button->SetModalFlag(false); }, true},
        {"main phase not started", [&] { manager.SetMainStarted(false); }, [&] { manager.SetMainStarted(true); },
         false},
        {"change pending",
         [&] {
             manager.ChangeSequence(other, 0);
             manager.SetMainStarted(true);
         },
         [&] {
             manager.ExecuteChangeSequence();
             ASSERT_TRUE(manager.ChangeSequence(screen, 0));
             manager.ExecuteChangeSequence();
             manager.SetMainStarted(true);
         },
         false},
    };
    for (const Case& c : cases) {
        c.set();
        EXPECT_EQ(screen->IsUIInputEnabled(button), c.expected) << c.what;
        c.undo();
        EXPECT_TRUE(screen->IsUIInputEnabled(button)) << "after " << c.what;
    }
}

TEST_F(SeqBaseTest, InputGateOpensInTheUpdateAfterAFadeInEnds)
{
    Enter(screen);
    GxTaskUIButtonIs* button = new GxTaskUIButtonIs(screen, nullptr, nullptr, 0);
    button->SetAlpha(0);
    button->AddActionFadeIn(100);
    int updates = 0;
    while (!screen->IsUIInputEnabled(button) && updates < 20) {
        manager.UpdateTasks(screen, 0, 16667);
        ++updates;
    }
    EXPECT_EQ(updates, 7);  // 6 x 16 ms = 96, the seventh update ends it
    EXPECT_EQ(button->GetAlpha(), 255);
}

}  // namespace
