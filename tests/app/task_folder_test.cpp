// Task folder: the local-name registry and the UI event queue with its routing by event code.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/task/GxTaskFolder.h"
#include "app/task/GxTaskManage.h"
#include "core/GxLog.h"
#include "core/GxString.h"

namespace {

class ErrorLines : public GxDebugListenerBase
{
public:
    void OnDebugOutput(const std::u16string& text, int level) override
    {
        if (level != 2) lines.push_back(text);
    }
    std::vector<std::u16string> lines;
};

// Records which listener operation each event reached, as "<operation>:<parameter>".
class RecordingFolder : public GxTaskFolder
{
public:
    RecordingFolder(const char16_t* name, GxTaskBase* parent) : GxTaskFolder(name, nullptr, 0, parent) {}

#define GX_RECORD(op)                                                                              \
    int op(GxTaskUIBase* sender, GxUIEventParam* p) override                                        \
    {                                                                                              \
        (void)sender;                                                                              \
        calls.push_back(std::string(#op) + ":" + std::to_string(p->m_Param));                      \
        if (onEvent) onEvent(p);                                                                   \
        return result;                                                                             \
    }
    GX_RECORD(OnUIEventLeftDown)
    GX_RECORD(OnUIEventRightDown)
    GX_RECORD(OnUIEventCode3)
    GX_RECORD(OnUIEventLeftUp)
    GX_RECORD(OnUIEventCode5)
    GX_RECORD(OnUIEventCode6)
    GX_RECORD(OnUIEventMouseOver)
    GX_RECORD(OnUIEventMouseOut)
    GX_RECORD(OnUIEventCode9)
    GX_RECORD(OnUIEventCode10)
    GX_RECORD(OnUIEventCode12)
    GX_RECORD(OnUIEventCode13)
    GX_RECORD(OnUIEventKeyDown)
    GX_RECORD(OnUIEventCode16)
    GX_RECORD(OnUIEventSelectChange)
    GX_RECORD(OnUIEventValueChange)
    GX_RECORD(OnUIEventCode20)
    GX_RECORD(OnUIEventCode22)
    GX_RECORD(OnUIEventCode23)
    GX_RECORD(OnUIEventCode24)
#undef GX_RECORD

    std::vector<std::string> calls;
    std::function<void(GxUIEventParam*)> onEvent;
    int result = 1;
};

std::string Join(const std::vector<std::string>& v)
{
    std::string s;
    for (const auto& e : v) s += (s.empty() ? "" : " ") + e;
    return s;
}

GxUIEventParam Event(int32_t code, int32_t param) { return GxUIEventParam(nullptr, code, param); }

class FolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/gx_folder_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_Dir = tmpl;
        GxSetErrorLogPath(GxUtf8ToWide(m_Dir + "/error.log"));
        GxResetErrorCount();
        GxSetDebugListener(&m_Errors);
        m_Root = new GxTaskBase(&m_Tm);
        m_Folder = new RecordingFolder(u"$UI:SeqTest", m_Root);
        m_Folder->SetUIEventEnabled(true);
    }
    void TearDown() override
    {
        GxSetDebugListener(nullptr);
        GxSetErrorLogPath(u"error.log");
        std::remove((m_Dir + "/error.log").c_str());
        std::remove(m_Dir.c_str());
    }

    std::string m_Dir;
    ErrorLines m_Errors;
    GxTaskManage m_Tm;
    GxTaskBase* m_Root = nullptr;
    RecordingFolder* m_Folder = nullptr;
};

// ---------------------------------------------------------------------------------------------
// Local names

TEST_F(FolderTest, DuplicatePairIsRefusedAndTheFirstTaskStays)
{
    auto* first = new GxTaskBase(nullptr, u"btn_ok", 0, m_Folder);
    auto* second = new GxTaskBase(nullptr, u"btn_ok", 0, m_Folder);
    EXPECT_EQ(m_Folder->FindTaskLocal(u"btn_ok", 0), first);
    EXPECT_EQ(second->GetTaskLocalName(), u"btn_ok");  // kept in the field, unregistered
    ASSERT_EQ(m_Errors.lines.size(), 1u);
    EXPECT_EQ(m_Errors.lines[0],
              u"GxTaskFolder::RegisterTaskLocalName/TaskLocalNameまたはIndex重複を検出 $UI:SeqTest (btn_ok,0)\n");
    EXPECT_EQ(GxGetErrorCount(), 1u);
}

TEST_F(FolderTest, RefusedDuplicatePairNeverUnregistersTheOwnersEntry)
{
    auto* owner = new GxTaskBase(nullptr, u"b", 1, m_Folder);
    auto* renamed = new GxTaskBase(nullptr, u"b", 1, m_Folder);
    auto* deleted = new GxTaskBase(nullptr, u"b", 1, m_Folder);

    EXPECT_TRUE(renamed->SetTaskLocalName(u"c", 1));
    EXPECT_EQ(m_Folder->FindTaskLocal(u"c", 1), renamed);
    delete deleted;
    EXPECT_EQ(m_Folder->FindTaskLocal(u"b", 1), owner);

    delete owner;
    EXPECT_EQ(m_Folder->FindTaskLocal(u"b", 1), nullptr);
    delete renamed;
    EXPECT_EQ(m_Folder->FindTaskLocal(u"c", 1), nullptr);
}

TEST_F(FolderTest, TaskWhoseEntryWasTakenOverLeavesTheNewOwnerAlone)
{
    auto* first = new GxTaskBase(nullptr, u"x", 0, m_Folder);
    EXPECT_TRUE(m_Folder->UnregisterTaskLocalName(u"x", 0));
    auto* second = new GxTaskBase(nullptr, u"x", 0, m_Folder);
    EXPECT_EQ(m_Folder->FindTaskLocal(u"x", 0), second);
    EXPECT_FALSE(first->SetTaskLocalName(u"x", 0));  // now a duplicate of second
    EXPECT_TRUE(first->SetTaskLocalName(u"y", 0));
    EXPECT_EQ(m_Folder->FindTaskLocal(u"x", 0), second);
    ASSERT_TRUE(m_Folder->UnregisterTaskLocalName(u"y", 0));
    EXPECT_TRUE(m_Folder->RegisterTaskLocalName(u"y", 0, second));
    delete first;
    EXPECT_EQ(m_Folder->FindTaskLocal(u"x", 0), second);
    EXPECT_EQ(m_Folder->FindTaskLocal(u"y", 0), second);
    m_Folder->UnregisterTaskLocalName(u"y", 0);
}

TEST_F(FolderTest, IndexesUnderOneNameAndRemovalOfTheLastIndex)
{
    auto* a = new GxTaskBase(nullptr, nullptr, 0, m_Folder);
    auto* b = new GxTaskBase(nullptr, nullptr, 0, m_Folder);
    EXPECT_TRUE(m_Folder->RegisterTaskLocalName(u"n", 0, a));
    EXPECT_TRUE(m_Folder->RegisterTaskLocalName(u"n", 1, b));
    EXPECT_TRUE(m_Folder->RegisterTaskLocalName(u"m", 0, b));  // same index, other name
    EXPECT_TRUE(m_Folder->UnregisterTaskLocalName(u"n", 0));
    EXPECT_EQ(m_Folder->FindTaskLocal(u"n", 0), nullptr);
    EXPECT_EQ(m_Folder->FindTaskLocal(u"n", 1), b);
    EXPECT_TRUE(m_Folder->UnregisterTaskLocalName(u"n", 1));
    EXPECT_FALSE(m_Folder->UnregisterTaskLocalName(u"n", 1));
    EXPECT_FALSE(m_Folder->UnregisterTaskLocalName(u"x", 0));
    // The name is gone entirely: registering it again starts afresh.
    EXPECT_TRUE(m_Folder->RegisterTaskLocalName(u"n", 1, a));
    EXPECT_TRUE(m_Errors.lines.empty());
    m_Folder->UnregisterTaskLocalName(u"n", 1);
    m_Folder->UnregisterTaskLocalName(u"m", 0);
}

TEST_F(FolderTest, FindIsSilentAndGetLogsOneLine)
{
    auto* t = new GxTaskBase(nullptr, u"Btn", 2, m_Folder);
    EXPECT_EQ(m_Folder->FindTaskLocal(u"btn", 2), nullptr);  // case-sensitive
    EXPECT_EQ(m_Folder->FindTaskLocalByString(u"Btn", 2), t);
    EXPECT_EQ(m_Folder->FindTaskLocal(nullptr, 2), nullptr);
    EXPECT_EQ(m_Folder->GetTaskLocal(std::u16string(u"Btn"), 2), t);
    EXPECT_TRUE(m_Errors.lines.empty());

    EXPECT_EQ(m_Folder->GetTaskLocal(u"nope", 2), nullptr);
    ASSERT_EQ(m_Errors.lines.size(), 1u);
    EXPECT_EQ(m_Errors.lines[0], u"GxTaskFolder::GetTaskLocal/ローカルタスクが存在しません $UI:SeqTest:nope[2]\n");
}

TEST_F(FolderTest, NamesGoToTheNearestFolderAndAFolderCanNameItself)
{
    // A folder built with a local name is entered in the folder above it, not in itself.
    auto* inner = new GxTaskFolder(nullptr, u"inner", 0, m_Folder);
    EXPECT_EQ(m_Folder->FindTaskLocal(u"inner", 0), inner);
    EXPECT_EQ(inner->FindTaskLocal(u"inner", 0), nullptr);
    EXPECT_TRUE(inner->IsKindOf(GxTaskKind::Folder));

    // A plain task under a plain task goes to the nearest folder ancestor.
    auto* plain = new GxTaskBase(nullptr, nullptr, 0, inner);
    auto* deep = new GxTaskBase(nullptr, u"deep", 0, plain);
    EXPECT_EQ(inner->FindTaskLocal(u"deep", 0), deep);

    // Named later, a folder enters itself in its own registry and leaves the outer one.
    EXPECT_TRUE(inner->SetTaskLocalName(u"self", 3));
    EXPECT_EQ(inner->FindTaskLocal(u"self", 3), inner);
    EXPECT_EQ(m_Folder->FindTaskLocal(u"inner", 0), nullptr);
    EXPECT_FALSE(inner->SetTaskLocalName(u"", 0));
    EXPECT_EQ(inner->FindTaskLocal(u"self", 3), nullptr);
    EXPECT_TRUE(inner->SetTaskLocalName(u"self", 4));

    // Deleting the folder, children first, leaves nothing behind (AddressSanitizer watches).
    auto* other = new GxTaskBase(nullptr, u"other", 0, m_Folder);
    delete deep;
    delete plain;
    delete inner;
    EXPECT_EQ(m_Folder->FindTaskLocal(u"other", 0), other);
}

TEST_F(FolderTest, FolderDeletedBeforeItsNamedChildLeavesNoDanglingEntry)
{
    auto* inner = new GxTaskFolder(nullptr, nullptr, 0, m_Folder);
    auto* child = new GxTaskBase(u"Child", u"c", 0, inner);
    delete inner;
    EXPECT_EQ(child->GetParent(), nullptr);
    delete child;  // must not reach the deleted folder
    EXPECT_EQ(m_Tm.FindTaskByName(u"Child"), nullptr);
}

// ---------------------------------------------------------------------------------------------
// UI events

TEST_F(FolderTest, EventCodesRouteToTheirOperations)
{
    struct Route
    {
        int32_t code;
        const char* op;  // nullptr: dropped
    };
    const Route routes[] = {
        {0, nullptr},
        {1, "OnUIEventLeftDown"},
        {2, "OnUIEventRightDown"},
        {3, "OnUIEventCode3"},
        {4, "OnUIEventLeftUp"},
        {5, "OnUIEventCode5"},
        {6, "OnUIEventCode6"},
        {7, "OnUIEventMouseOver"},
        {8, "OnUIEventMouseOut"},
        {9, "OnUIEventCode9"},
        {10, "OnUIEventCode10"},
        {11, nullptr},
        {12, "OnUIEventCode12"},
        {13, "OnUIEventCode13"},
        {14, nullptr},
        {15, "OnUIEventKeyDown"},
        {16, "OnUIEventCode16"},
        {17, nullptr},
        {18, "OnUIEventSelectChange"},
        {19, "OnUIEventValueChange"},
        {20, "OnUIEventCode20"},
        {21, nullptr},
        {22, "OnUIEventCode22"},
        {23, "OnUIEventCode23"},
        {24, "OnUIEventCode24"},
        {25, nullptr},
        {-1, nullptr},
    };
    for (const Route& r : routes) {
        m_Folder->calls.clear();
        m_Folder->result = 5;
        ASSERT_TRUE(m_Folder->PostUIEvent(Event(r.code, r.code)));
        const int32_t sum = m_Folder->DispatchUIEvents(nullptr);
        if (r.op) {
            EXPECT_EQ(Join(m_Folder->calls), std::string(r.op) + ":" + std::to_string(r.code));
            EXPECT_EQ(sum, 5) << r.code;
        } else {
            EXPECT_TRUE(m_Folder->calls.empty()) << r.code;
            EXPECT_EQ(sum, 0) << r.code;
        }
        EXPECT_EQ(m_Folder->GetUIEventCount(), 0u) << r.code;
    }
}

TEST_F(FolderTest, PostCopiesTheRecordAndIsRefusedWhileDisabled)
{
    GxUIEventParam e(nullptr, 19, 7);
    for (int i = 0; i < 12; ++i) e.m_Values[i] = static_cast<float>(i + 1);
    e.m_Reserved = 9;
    ASSERT_TRUE(m_Folder->PostUIEvent(e));
    e.m_Param = 100;  // the queue holds a copy
    GxUIEventParam seen;
    m_Folder->onEvent = [&](GxUIEventParam* p) { seen = *p; };
    m_Folder->DispatchUIEvents(nullptr);
    EXPECT_EQ(seen.m_Param, 7);
    EXPECT_EQ(seen.m_Reserved, 9u);
    const float expected[12] = {1, 2, 3, 0, 5, 6, 7, 0, 9, 10, 11, 0};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(seen.m_Values[i], expected[i]) << i;

    auto* quiet = new RecordingFolder(u"Quiet", m_Root);
    EXPECT_FALSE(quiet->IsUIEventEnabled());
    EXPECT_FALSE(quiet->PostUIEvent(e));
    EXPECT_EQ(quiet->GetUIEventCount(), 0u);
    EXPECT_TRUE(m_Errors.lines.empty());
}

TEST_F(FolderTest, EventsPostedDuringDispatchFollowInTheSameCall)
{
    m_Folder->PostUIEvent(Event(1, 1));
    m_Folder->PostUIEvent(Event(4, 2));
    m_Folder->onEvent = [&](GxUIEventParam* p) {
        if (p->m_Param == 1) m_Folder->PostUIEvent(Event(19, 3));
    };
    EXPECT_EQ(m_Folder->DispatchUIEvents(nullptr), 3);
    EXPECT_EQ(Join(m_Folder->calls), "OnUIEventLeftDown:1 OnUIEventLeftUp:2 OnUIEventValueChange:3");
    EXPECT_EQ(m_Folder->GetUIEventCount(), 0u);
}

TEST_F(FolderTest, HandlerThatClearsTheQueueEndsTheDispatch)
{
    m_Folder->PostUIEvent(Event(1, 1));
    m_Folder->PostUIEvent(Event(1, 2));
    m_Folder->PostUIEvent(Event(1, 3));
    m_Folder->onEvent = [&](GxUIEventParam* p) {
        if (p->m_Param == 2) m_Folder->ClearUIEvents();
    };
    EXPECT_EQ(m_Folder->DispatchUIEvents(nullptr), 2);
    EXPECT_EQ(Join(m_Folder->calls), "OnUIEventLeftDown:1 OnUIEventLeftDown:2");
    EXPECT_EQ(m_Folder->GetUIEventCount(), 0u);
}

TEST_F(FolderTest, EventPostedAfterAClearIsKeptForTheNextDispatch)
{
    m_Folder->PostUIEvent(Event(1, 1));
    m_Folder->PostUIEvent(Event(1, 2));
    m_Folder->onEvent = [&](GxUIEventParam* p) {
        if (p->m_Param == 1) {
            m_Folder->ClearUIEvents();
            m_Folder->PostUIEvent(Event(7, 9));
        }
    };
    EXPECT_EQ(m_Folder->DispatchUIEvents(nullptr), 1);
    EXPECT_EQ(m_Folder->GetUIEventCount(), 1u);
    m_Folder->calls.clear();
    EXPECT_EQ(m_Folder->DispatchUIEvents(nullptr), 1);
    EXPECT_EQ(Join(m_Folder->calls), "OnUIEventMouseOver:9");
}

TEST_F(FolderTest, ExplicitListenerReceivesInsteadOfTheFolder)
{
    RecordingFolder* other = new RecordingFolder(u"Other", m_Root);
    other->result = 2;
    m_Folder->PostUIEvent(Event(18, 4));
    m_Folder->PostUIEvent(Event(2, 5));
    EXPECT_EQ(m_Folder->DispatchUIEvents(other), 4);
    EXPECT_EQ(Join(other->calls), "OnUIEventSelectChange:4 OnUIEventRightDown:5");
    EXPECT_TRUE(m_Folder->calls.empty());
    EXPECT_EQ(m_Folder->DispatchUIEvents(nullptr), 0);  // empty queue
}

TEST_F(FolderTest, DefaultOperationsAnswerZero)
{
    GxTaskFolder plain(u"Plain", nullptr, 0, m_Root);
    plain.SetUIEventEnabled(true);
    for (int32_t code = 1; code <= 24; ++code) plain.PostUIEvent(Event(code, 0));
    EXPECT_EQ(plain.DispatchUIEvents(nullptr), 0);
    EXPECT_EQ(plain.GetUIEventCount(), 0u);
}

TEST_F(FolderTest, UpdateDispatchesAndLeavingTheScreenDropsTheQueue)
{
    m_Folder->PostUIEvent(Event(1, 1));
    m_Tm.UpdateTasks(m_Folder, 0, 0);
    EXPECT_EQ(Join(m_Folder->calls), "OnUIEventLeftDown:1");

    m_Folder->PostUIEvent(Event(1, 2));
    m_Folder->PostUIEvent(Event(1, 3));
    m_Tm.LeaveSequenceTasks(m_Folder);
    EXPECT_EQ(m_Folder->GetUIEventCount(), 0u);
    m_Tm.UpdateTasks(m_Folder, 0, 0);
    EXPECT_EQ(Join(m_Folder->calls), "OnUIEventLeftDown:1");
}

}  // namespace
