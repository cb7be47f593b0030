// The task tree: registries and their refusals, states and the sweep, the per-step and input
// walks against a recorded call trace, and sequence changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/task/GxTaskFolder.h"
#include "app/task/GxTaskManage.h"
#include "core/GxContentReader.h"
#include "core/GxLog.h"
#include "core/GxString.h"
#include "tests/support/GxContentFixture.h"

namespace {

using UF = GxTaskUpdateFlag;
using IM = GxTaskInputMask;

// Collects the error and slight-error lines the logs pass on.
class ErrorLines : public GxDebugListenerBase
{
public:
    void OnDebugOutput(const std::u16string& text, int level) override
    {
        if (level != 2) lines.push_back(text);
    }
    std::vector<std::u16string> lines;
};

// A task that writes every call it receives to a shared trace, as "<what>:<label>".
class TraceTask : public GxTaskBase
{
public:
    TraceTask(std::vector<std::string>* trace, const std::string& label, GxTaskBase* parent,
              const char16_t* taskName = nullptr, bool sequence = false)
        : GxTaskBase(taskName, nullptr, 0, parent), m_Trace(trace), m_Label(label)
    {
        if (sequence) AddKindFlags(GxTaskKind::Sequence);
    }
    ~TraceTask() override
    {
        if (m_Deleted) *m_Deleted = true;
        if (onDelete) onDelete();
    }
    // Counted: every sweep that visits the task asks it.
    bool IsDead() const override
    {
        ++deadAsks;
        return GxTaskBase::IsDead();
    }

    void OnKill() override { Add("Kill"); }
    void OnSequenceEnter() override { Add("Enter"); }
    void OnSequenceLeave() override { Add("Leave"); }
    int Update(int32_t step, int64_t elapsed) override
    {
        Add("U");
        lastStep = step;
        lastElapsed = elapsed;
        if (stopSiblingsOnUpdate) AddUpdateFlags(UF::StopSiblings);
        if (onUpdate) onUpdate();
        return 0;
    }
    int UpdatePreMain(int32_t, int64_t) override
    {
        Add("P");
        return 0;
    }
    int Render(int32_t, int64_t) override
    {
        Add("R");
        return 0;
    }
    int OnMouseLeftDown(const GxMousePoint&, uint32_t, bool) override { return Answer("LD"); }
    int OnMouseLeftUp(const GxMousePoint&, uint32_t) override { return Answer("LU"); }
    int OnKeyDown(GxWParam, GxLParam) override { return Answer("KD"); }
    int OnClose() override { return Answer("Close"); }
    int OnThreadMessage(const std::u16string&, GxThreadObject*, int32_t, int32_t) override { return Answer("TM"); }

    void Add(const char* what) { m_Trace->push_back(std::string(what) + ":" + m_Label); }
    int Answer(const char* what)
    {
        Add(what);
        return answer;
    }

    int answer = 0;
    bool stopSiblingsOnUpdate = false;
    std::function<void()> onUpdate;
    int32_t lastStep = -1;
    int64_t lastElapsed = -1;
    bool* m_Deleted = nullptr;
    std::function<void()> onDelete;
    mutable int deadAsks = 0;

private:
    std::vector<std::string>* m_Trace;
    std::string m_Label;
};

class TaskTreeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/gx_task_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_Dir = tmpl;
        GxSetErrorLogPath(GxUtf8ToWide(m_Dir + "/error.log"));
        GxResetErrorCount();
        GxSetDebugListener(&m_Errors);
        m_Root = new GxTaskBase(&m_Tm);
    }
    void TearDown() override
    {
        GxSetDebugListener(nullptr);
        GxSetErrorLogPath(u"error.log");
        std::remove((m_Dir + "/error.log").c_str());
        std::remove(m_Dir.c_str());
    }

    TraceTask* Make(const std::string& label, GxTaskBase* parent, const char16_t* name = nullptr, bool seq = false)
    {
        auto* t = new TraceTask(&m_Trace, label, parent, name, seq);
        m_Tasks[label] = t;
        return t;
    }

    std::string Trace() const
    {
        std::string s;
        for (const auto& e : m_Trace) s += (s.empty() ? "" : " ") + e;
        return s;
    }

    std::u16string ErrorLogText() const
    {
        FILE* f = std::fopen((m_Dir + "/error.log").c_str(), "rb");
        if (!f) return {};
        std::string bytes;
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
        std::fclose(f);
        std::u16string text;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)  // after the byte-order mark
            text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                 (static_cast<unsigned char>(bytes[i + 1]) << 8)));
        return text;
    }

    std::string m_Dir;
    ErrorLines m_Errors;
    GxTaskManage m_Tm;
    GxTaskBase* m_Root = nullptr;
    std::vector<std::string> m_Trace;
    std::map<std::string, TraceTask*> m_Tasks;
};

// ---------------------------------------------------------------------------------------------
// Registries

TEST_F(TaskTreeTest, DuplicateTaskNameIsRefusedLoggedAndKeptInTheField)
{
    TraceTask* first = Make("first", m_Root, u"Dup");
    TraceTask* second = Make("second", m_Root, u"Dup");

    EXPECT_EQ(second->GetTaskName(), u"Dup");
    EXPECT_EQ(m_Tm.FindTaskByName(u"Dup"), first);
    ASSERT_EQ(m_Errors.lines.size(), 1u);
    EXPECT_EQ(m_Errors.lines[0], u"GxTaskManage::RegisterTaskName/TaskName重複を検出 (Dup)\n");
    EXPECT_EQ(GxGetErrorCount(), 1u);
    // One append per message, no prefix, "\n" stored as CR LF.
    EXPECT_EQ(ErrorLogText(), u"GxTaskManage::RegisterTaskName/TaskName重複を検出 (Dup)\r\n");
}

TEST_F(TaskTreeTest, RefusedDuplicateNameNeverUnregistersTheOwnersEntry)
{
    TraceTask* owner = Make("owner", m_Root, u"Dup");
    TraceTask* renamed = Make("renamed", m_Root, u"Dup");
    TraceTask* deleted = Make("deleted", m_Root, u"Dup");

    EXPECT_TRUE(renamed->SetTaskName(u"Other"));
    EXPECT_EQ(m_Tm.FindTaskByName(u"Other"), renamed);
    delete deleted;
    EXPECT_EQ(m_Tm.FindTaskByName(u"Dup"), owner);

    // Once the owner is gone the name is free again.
    delete owner;
    EXPECT_EQ(m_Tm.FindTaskByName(u"Dup"), nullptr);
    TraceTask* next = Make("next", m_Root, u"Dup");
    EXPECT_EQ(m_Tm.FindTaskByName(u"Dup"), next);
}

TEST_F(TaskTreeTest, RenamingMovesTheEntryAndAnEmptyNameRegistersNothing)
{
    TraceTask* t = Make("t", m_Root, u"A");
    EXPECT_TRUE(t->SetTaskName(u"B"));
    EXPECT_EQ(m_Tm.FindTaskByName(u"A"), nullptr);
    EXPECT_EQ(m_Tm.FindTaskByName(u"B"), t);
    EXPECT_TRUE(t->SetTaskName(u"B"));  // the same name again is not a duplicate of itself
    EXPECT_FALSE(t->SetTaskName(u""));
    EXPECT_EQ(m_Tm.FindTaskByName(u"B"), nullptr);
    EXPECT_EQ(m_Tm.FindTaskByNameStr(u""), nullptr);
    EXPECT_EQ(m_Tm.FindTaskByName(nullptr), nullptr);
    EXPECT_TRUE(m_Errors.lines.empty());
}

TEST_F(TaskTreeTest, TaskIDRefusalsAndTheirMessages)
{
    TraceTask* a = Make("a", m_Root, u"TaskA");
    TraceTask* b = Make("b", m_Root, u"TaskB");
    TraceTask* z = Make("z", m_Root, u"TaskZ");

    EXPECT_TRUE(a->SetTaskID(5));
    EXPECT_FALSE(a->SetTaskID(6));
    EXPECT_EQ(a->GetTaskID(), 5u);
    EXPECT_FALSE(b->SetTaskID(5));
    EXPECT_EQ(b->GetTaskID(), 5u);  // kept in the field, unregistered
    EXPECT_FALSE(z->SetTaskID(0));
    EXPECT_EQ(z->GetTaskID(), 0u);
    EXPECT_FALSE(m_Tm.UnregisterTaskID(77));

    const std::vector<std::u16string> expected = {
        u"GxTaskBase::SetTaskID/TaskIDは後から変更できませんTaskID=5->6\n",
        u"GxTaskManage::RegisterTaskID/TaskID重複を検出 (5,TaskB)\n",
        u"GxTaskManage::RegisterTaskID/TaskID=0は指定できません(TaskZ)\n",
        u"GxTaskManage::UnregisterTaskID/TaskID発見できず (77)\n",
    };
    EXPECT_EQ(m_Errors.lines, expected);
    EXPECT_EQ(GxGetErrorCount(), 4u);
}

TEST_F(TaskTreeTest, RefusedDuplicateIDNeverUnregistersTheOwnersEntry)
{
    TraceTask* owner = Make("owner", m_Root);
    TraceTask* dup = Make("dup", m_Root);
    ASSERT_TRUE(owner->SetTaskID(9));
    ASSERT_FALSE(dup->SetTaskID(9));
    delete dup;

    // The owner's entry is still there: a third task is refused, and the owner's own removal
    // finds it.
    TraceTask* third = Make("third", m_Root);
    EXPECT_FALSE(third->SetTaskID(9));
    delete third;
    delete owner;
    TraceTask* fourth = Make("fourth", m_Root);
    EXPECT_TRUE(fourth->SetTaskID(9));
    EXPECT_TRUE(m_Tm.UnregisterTaskID(9));
}

TEST_F(TaskTreeTest, SecondRootAndLocalNameOutsideAFolderAreRefused)
{
    GxTaskBase second(&m_Tm);
    EXPECT_EQ(m_Tm.GetRootTask(), m_Root);
    TraceTask* t = Make("t", m_Root);
    EXPECT_FALSE(t->SetTaskLocalName(u"x", 3));
    EXPECT_EQ(t->GetTaskLocalName(), u"");
    const std::vector<std::u16string> expected = {
        u"RootTask二重登録エラー\n",
        u"GxTaskBase::SetTaskLocalName/フォルダタスク下にありません (x,3)\n",
    };
    EXPECT_EQ(m_Errors.lines, expected);
}

TEST_F(TaskTreeTest, EachManagerHasItsOwnRegistries)
{
    Make("here", m_Root, u"Same");
    GxTaskManage other;
    auto* otherRoot = new GxTaskBase(&other);
    auto* there = new GxTaskBase(u"Same", nullptr, 0, otherRoot);
    EXPECT_EQ(other.FindTaskByName(u"Same"), there);
    EXPECT_EQ(m_Tm.FindTaskByName(u"Same"), m_Tasks["here"]);
    EXPECT_TRUE(m_Errors.lines.empty());
}

TEST_F(TaskTreeTest, DebugStringAndUpdateCounter)
{
    auto* folder = new GxTaskFolder(u"F", nullptr, 0, m_Root);
    auto* t = new GxTaskBase(u"Name", u"btn", 4, folder);
    t->SetTaskType(18);
    std::u16string s;
    t->GetTaskDebugString(s);
    EXPECT_EQ(s, u"Name/btn[4]:18");

    EXPECT_EQ(t->GetUpdateCount(), 0);
    t->SetUpdateCount(INT32_MAX);
    t->IncUpdateCount();
    EXPECT_EQ(t->GetUpdateCount(), INT32_MIN);
}

TEST_F(TaskTreeTest, LinksAndChildCountFollowCreationAndDeletion)
{
    TraceTask* p = Make("p", m_Root);
    TraceTask* a = Make("a", p);
    TraceTask* b = Make("b", p);
    TraceTask* c = Make("c", p);
    EXPECT_EQ(p->GetChildCount(), 3);
    EXPECT_EQ(a->GetManager(), &m_Tm);
    delete b;
    EXPECT_EQ(p->GetChildCount(), 2);
    EXPECT_EQ(a->GetNextSibling(), c);
    EXPECT_EQ(c->GetPrevSibling(), a);
    delete a;
    EXPECT_EQ(p->GetFirstChild(), c);
    delete c;
    EXPECT_EQ(p->GetFirstChild(), nullptr);
    EXPECT_EQ(p->GetLastChild(), nullptr);
    EXPECT_EQ(p->GetChildCount(), 0);
}

// ---------------------------------------------------------------------------------------------
// States and the sweep

TEST_F(TaskTreeTest, KillRunsDeepestFirstAndPauseResumeOnlyChangeMatchingStates)
{
    TraceTask* p = Make("p", m_Root);
    TraceTask* a = Make("a", p);
    Make("a1", a);
    Make("b", p);
    p->Kill();
    EXPECT_EQ(Trace(), "Kill:a1 Kill:a Kill:b Kill:p");
    m_Trace.clear();
    p->Kill();  // already dead: no second hook
    EXPECT_EQ(Trace(), "");
    p->Resume();
    p->Pause();
    EXPECT_TRUE(p->IsDead());

    TraceTask* q = Make("q", m_Root);
    TraceTask* q1 = Make("q1", q);
    q->PauseChildren();
    EXPECT_TRUE(q->IsActive());
    EXPECT_TRUE(q1->IsPause());
    q->Resume();  // active already: nothing
    q->ResumeChildren();
    EXPECT_TRUE(q1->IsActive());
}

TEST_F(TaskTreeTest, SweepDeletesADeadLeafOnceItsDelayHasRunOut)
{
    struct Case
    {
        int32_t delay;
        int sweepsUntilDeleted;
    };
    for (Case c : {Case{1, 2}, Case{0, 1}, Case{3, 4}, Case{-5, 1}}) {
        bool deleted = false;
        TraceTask* t = Make("t", m_Root);
        t->m_Deleted = &deleted;
        t->SetDeleteDelay(c.delay);
        t->Kill();
        int sweeps = 0;
        while (!deleted && sweeps < 10) {
            m_Tm.DeleteDeadTasks(m_Root);
            ++sweeps;
        }
        EXPECT_EQ(sweeps, c.sweepsUntilDeleted) << "delay " << c.delay;
        EXPECT_EQ(m_Root->GetChildCount(), 0);
    }
}

TEST_F(TaskTreeTest, SweepWaitsForChildrenAndCanDeleteParentInTheSamePass)
{
    bool parentDeleted = false, childDeleted = false;
    TraceTask* p = Make("p", m_Root, u"P");
    TraceTask* c = Make("c", p);
    p->m_Deleted = &parentDeleted;
    c->m_Deleted = &childDeleted;
    p->SetDeleteDelay(0);
    p->Kill();

    m_Tm.DeleteDeadTasks(m_Root);  // the child's delay runs out; the parent still has a child
    EXPECT_FALSE(childDeleted);
    EXPECT_FALSE(parentDeleted);
    m_Tm.DeleteDeadTasks(m_Root);  // the child goes, and then the parent in the same pass
    EXPECT_TRUE(childDeleted);
    EXPECT_TRUE(parentDeleted);
    EXPECT_EQ(m_Tm.FindTaskByName(u"P"), nullptr);
}

TEST_F(TaskTreeTest, SweepKeepsADeadTaskWithALiveChildAndClearsPerStepBits)
{
    bool deleted = false;
    TraceTask* p = Make("p", m_Root);
    p->m_Deleted = &deleted;
    TraceTask* c = Make("c", p);
    p->SetGlobalState(GxTaskState::Dead);
    c->Pause();
    c->AddUpdateFlags(UF::StopSiblings | UF::StepFlag | UF::Hidden);
    for (int i = 0; i < 5; ++i) m_Tm.DeleteDeadTasks(m_Root);
    EXPECT_FALSE(deleted);
    EXPECT_EQ(c->GetUpdateFlags(), static_cast<uint32_t>(UF::Hidden));
}

// A tree where nothing is dead and no task carries a per-step bit is not walked by the sweep
// (it would touch every task of every screen at every step). Each way a task can die or take a
// per-step bit wakes the sweep again, and it finishes its work as an unbroken sweep would.
TEST_F(TaskTreeTest, SweepOfATreeAtRestWalksNothingUntilATaskDiesOrTakesAPerStepBit)
{
    auto deadAsks = [](const std::vector<TraceTask*>& tasks) {
        int n = 0;
        for (TraceTask* t : tasks) n += t->deadAsks;
        return n;
    };
    struct Case
    {
        const char* what;
        std::function<void(TraceTask* victim, TraceTask* other)> change;
        bool deletes;  // the victim goes (else its per-step bits are cleared)
    };
    const Case cases[] = {
        {"Kill", [](TraceTask* v, TraceTask*) { v->Kill(); }, true},
        {"SetGlobalState", [](TraceTask* v, TraceTask*) { v->SetGlobalState(GxTaskState::Dead); }, true},
        {"KillChildren of its parent", [](TraceTask* v, TraceTask*) { v->GetParent()->KillChildren(); }, true},
        {"a stored dead state read back",
         [](TraceTask* v, TraceTask*) {
             const std::string bytes = GxContentWriteToString(GxContentForm::Binary, [](GxContentWriterBase& w) {
                 w.WriteGxU32Alt("m_GlobalState", GxTaskState::Dead);
                 w.WriteGxS64("m_TaskID", 0);
             });
             GxBinBuffer buffer;
             GxContentFillBuffer(buffer, bytes);
             GxContentBinaryReader r(buffer);
             EXPECT_TRUE(v->ReadContent(r));
         },
         true},
        {"AddUpdateFlags StopSiblings", [](TraceTask* v, TraceTask*) { v->AddUpdateFlags(UF::StopSiblings); }, false},
        {"SetUpdateFlags StepFlag",
         [](TraceTask* v, TraceTask*) { v->SetUpdateFlags(v->GetUpdateFlags() | UF::StepFlag); }, false},
        // Killed from the destructor of a task the same sweep deletes, after it was visited.
        {"killed during the sweep",
         [](TraceTask* v, TraceTask* other) {
             other->onDelete = [v] { v->Kill(); };
             other->SetDeleteDelay(0);
             other->Kill();
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GxTaskManage tm;
        auto* root = new GxTaskBase(&tm);
        TraceTask* p = new TraceTask(&m_Trace, "p", root);
        TraceTask* victim = new TraceTask(&m_Trace, "v", p);
        TraceTask* later = new TraceTask(&m_Trace, "l", root);  // visited after the victim
        TraceTask* screen = new TraceTask(&m_Trace, "s", root);
        std::vector<TraceTask*> kept = {p, screen};
        for (int i = 0; i < 20; ++i) kept.push_back(new TraceTask(&m_Trace, "w", screen));
        victim->AddUpdateFlags(UF::Hidden);

        tm.DeleteDeadTasks(root);  // the first sweep walks: nothing is known yet
        EXPECT_GT(deadAsks(kept), 0);
        const int settled = deadAsks(kept);
        for (int i = 0; i < 5; ++i) tm.DeleteDeadTasks(root);
        EXPECT_EQ(deadAsks(kept), settled) << "a tree at rest was walked";

        bool victimDeleted = false;
        victim->m_Deleted = &victimDeleted;
        c.change(victim, later);
        // An unbroken sweep deletes a dead leaf of delay 1 at the second sweep.
        for (int i = 0; i < 3 && !victimDeleted; ++i) tm.DeleteDeadTasks(root);
        EXPECT_EQ(victimDeleted, c.deletes);
        if (!c.deletes) EXPECT_EQ(victim->GetUpdateFlags(), static_cast<uint32_t>(UF::Hidden));

        // And then it rests again.
        for (int i = 0; i < 3; ++i) tm.DeleteDeadTasks(root);
        const int rested = deadAsks(kept);
        for (int i = 0; i < 5; ++i) tm.DeleteDeadTasks(root);
        EXPECT_EQ(deadAsks(kept), rested) << "the sweep did not come to rest again";
    }
}

// A dead task that waits (for its delay to run out, or here for a live child) keeps the sweep
// walking at every step, so that it goes as soon as it may.
TEST_F(TaskTreeTest, SweepKeepsWalkingWhileADeadTaskWaits)
{
    bool parentDeleted = false;
    TraceTask* p = Make("p", m_Root);
    TraceTask* c = Make("c", p);
    p->m_Deleted = &parentDeleted;
    p->SetDeleteDelay(0);
    p->SetGlobalState(GxTaskState::Dead);
    for (int i = 0; i < 3; ++i) m_Tm.DeleteDeadTasks(m_Root);
    const int asks = c->deadAsks;
    m_Tm.DeleteDeadTasks(m_Root);
    EXPECT_GT(c->deadAsks, asks);
    c->SetDeleteDelay(0);
    c->Kill();
    m_Tm.DeleteDeadTasks(m_Root);
    EXPECT_TRUE(parentDeleted);
}

TEST_F(TaskTreeTest, DeletingTheCurrentSequenceLeavesNoDanglingPointer)
{
    TraceTask* seq = Make("s", m_Root, u"SeqA", true);
    m_Tm.SetPersistentRoot(seq);
    ASSERT_TRUE(m_Tm.ChangeSequence(seq, 0));
    m_Tm.ExecuteChangeSequence();
    seq->Kill();
    m_Tm.DeleteDeadTasks(m_Root);
    m_Tm.DeleteDeadTasks(m_Root);
    EXPECT_EQ(m_Tm.GetCurrentSequence(), nullptr);
    EXPECT_EQ(m_Tm.GetPersistentRoot(), nullptr);
    EXPECT_EQ(m_Tm.OnMouseLeftUp(GxMousePoint{}, 0), 0);
}

// ---------------------------------------------------------------------------------------------
// Walks. The tree of every case:
//
//   root
//   +- S
//   |  +- a
//   |  |  +- a1
//   |  |  +- a2
//   |  |     +- a2x
//   |  +- b
//   |  +- c
//   +- S2
//
// Each walk starts at S, so it covers S's later sibling S2 too.

enum class Walk { Update, PreMain, Render, Enter, Leave, MouseLeftDown, KeyDown, Close, Thread };

struct WalkCase
{
    const char* name;
    Walk walk;
    std::function<void(std::map<std::string, TraceTask*>&)> setup;
    const char* trace;
    int result;
    bool mainStarted;
};

void Flags(TraceTask* t, uint32_t bits) { t->AddUpdateFlags(bits); }
void Mask(TraceTask* t, uint32_t bits) { t->AddInputMask(bits); }

const WalkCase kWalkCases[] = {
    {"update, no flags", Walk::Update, [](auto&) {}, "U:S U:a U:a1 U:a2 U:a2x U:b U:c U:S2", 0, false},
    {"update, S last sibling", Walk::Update, [](auto& m) { Flags(m["S"], UF::LastSibling); },
     "U:S U:a U:a1 U:a2 U:a2x U:b U:c", 0, false},
    {"update, b last sibling", Walk::Update, [](auto& m) { Flags(m["b"], UF::LastSibling); },
     "U:S U:a U:a1 U:a2 U:a2x U:b U:S2", 0, false},
    {"update, a skipped", Walk::Update, [](auto& m) { Flags(m["a"], UF::SkipUpdate); }, "U:S U:b U:c U:S2", 0,
     false},
    {"update, a children not walked", Walk::Update, [](auto& m) { Flags(m["a"], UF::NoUpdateChildren); },
     "U:S U:a U:b U:c U:S2", 0, false},
    {"update, a paused", Walk::Update, [](auto& m) { m["a"]->Pause(); }, "U:S U:b U:c U:S2", 0, false},
    {"update, a dead", Walk::Update, [](auto& m) { m["a"]->SetGlobalState(GxTaskState::Dead); },
     "U:S U:b U:c U:S2", 0, false},
    {"update, paused a still ends its list", Walk::Update,
     [](auto& m) {
         m["a"]->Pause();
         Flags(m["a"], UF::LastSibling);
     },
     "U:S U:S2", 0, false},
    {"update, a stops its later siblings", Walk::Update, [](auto& m) { m["a"]->stopSiblingsOnUpdate = true; },
     "U:S U:a U:a1 U:a2 U:a2x U:S2", 0, false},
    {"update, render and draw bits do not skip update", Walk::Update,
     [](auto& m) { Flags(m["a"], UF::SkipRender | UF::Hidden | UF::SkipPreMain | UF::NoRenderChildren); },
     "U:S U:a U:a1 U:a2 U:a2x U:b U:c U:S2", 0, false},
    {"update, pre-main task before the main phase", Walk::Update, [](auto& m) { Flags(m["a"], UF::PreMain); },
     "U:S U:a1 U:a2 U:a2x U:b U:c U:S2", 0, false},
    {"update, pre-main task in the main phase", Walk::Update, [](auto& m) { Flags(m["a"], UF::PreMain); },
     "U:S U:a U:a1 U:a2 U:a2x U:b U:c U:S2", 0, true},
    {"pre-main, only pre-main tasks", Walk::PreMain,
     [](auto& m) {
         Flags(m["a"], UF::PreMain);
         Flags(m["a2x"], UF::PreMain);
     },
     "P:a P:a2x", 0, false},
    {"pre-main, a skipped", Walk::PreMain,
     [](auto& m) {
         Flags(m["a"], UF::PreMain | UF::SkipPreMain);
         Flags(m["a2x"], UF::PreMain);
     },
     "", 0, false},
    {"pre-main, a children not walked", Walk::PreMain,
     [](auto& m) {
         Flags(m["a"], UF::PreMain | UF::NoPreMainChildren);
         Flags(m["a2x"], UF::PreMain);
     },
     "P:a", 0, false},
    {"pre-main, update skip does not apply", Walk::PreMain,
     [](auto& m) {
         Flags(m["a"], UF::PreMain | UF::SkipUpdate | UF::NoUpdateChildren);
         Flags(m["a2x"], UF::PreMain);
     },
     "P:a P:a2x", 0, false},
    {"render, no flags", Walk::Render, [](auto&) {}, "R:S R:a R:a1 R:a2 R:a2x R:b R:c R:S2", 0, false},
    {"render, a skipped", Walk::Render, [](auto& m) { Flags(m["a"], UF::SkipRender); }, "R:S R:b R:c R:S2", 0,
     false},
    {"render, a children not walked", Walk::Render, [](auto& m) { Flags(m["a"], UF::NoRenderChildren); },
     "R:S R:a R:b R:c R:S2", 0, false},
    {"render, hidden and stop-siblings still register", Walk::Render,
     [](auto& m) { Flags(m["a"], UF::Hidden | UF::StopSiblings | UF::SkipUpdate); },
     "R:S R:a R:a1 R:a2 R:a2x R:b R:c R:S2", 0, false},
    {"render, a2 paused", Walk::Render, [](auto& m) { m["a2"]->Pause(); }, "R:S R:a R:a1 R:b R:c R:S2", 0, false},
    {"render, S last sibling", Walk::Render, [](auto& m) { Flags(m["S"], UF::LastSibling); },
     "R:S R:a R:a1 R:a2 R:a2x R:b R:c", 0, false},
    {"enter, own hook before the children", Walk::Enter, [](auto&) {},
     "Enter:S Enter:a Enter:a1 Enter:a2 Enter:a2x Enter:b Enter:c Enter:S2", 0, false},
    {"enter, dead a skipped, paused b and flag bits ignored", Walk::Enter,
     [](auto& m) {
         m["a"]->SetGlobalState(GxTaskState::Dead);
         m["b"]->Pause();
         Flags(m["c"], UF::SkipUpdate | UF::NoUpdateChildren | UF::SkipRender);
         Flags(m["S"], UF::LastSibling);
     },
     "Enter:S Enter:b Enter:c", 0, false},
    {"leave, own hook before the children", Walk::Leave, [](auto& m) { Flags(m["a"], UF::LastSibling); },
     "Leave:S Leave:a Leave:a1 Leave:a2 Leave:a2x Leave:S2", 0, false},
    {"mouse, deepest earliest child first", Walk::MouseLeftDown, [](auto&) {},
     "LD:a1 LD:a2x LD:a2 LD:a LD:b LD:c LD:S LD:S2", 0, false},
    {"mouse, consumed mid-walk", Walk::MouseLeftDown, [](auto& m) { m["a2x"]->answer = 1; }, "LD:a1 LD:a2x", 1,
     false},
    {"mouse, consumed by a parent after its children", Walk::MouseLeftDown, [](auto& m) { m["a"]->answer = 7; },
     "LD:a1 LD:a2x LD:a2 LD:a", 7, false},
    {"mouse, negative answers also stop", Walk::MouseLeftDown, [](auto& m) { m["b"]->answer = -1; },
     "LD:a1 LD:a2x LD:a2 LD:a LD:b", -1, false},
    {"mouse, a and its subtree masked", Walk::MouseLeftDown, [](auto& m) { Mask(m["a"], IM::SkipMouse); },
     "LD:b LD:c LD:S LD:S2", 0, false},
    {"mouse, only a's subtree masked", Walk::MouseLeftDown, [](auto& m) { Mask(m["a"], IM::NoMouseChildren); },
     "LD:a LD:b LD:c LD:S LD:S2", 0, false},
    {"mouse, other masks do not apply", Walk::MouseLeftDown,
     [](auto& m) { Mask(m["a"], IM::SkipKey | IM::SkipWindow | IM::SkipThread | IM::NoKeyChildren); },
     "LD:a1 LD:a2x LD:a2 LD:a LD:b LD:c LD:S LD:S2", 0, false},
    {"mouse, paused subtree and last sibling", Walk::MouseLeftDown,
     [](auto& m) {
         m["a"]->Pause();
         Flags(m["S"], UF::LastSibling);
     },
     "LD:b LD:c LD:S", 0, false},
    {"mouse, update bits do not apply", Walk::MouseLeftDown,
     [](auto& m) { Flags(m["a"], UF::SkipUpdate | UF::Hidden | UF::NoUpdateChildren | UF::StopSiblings); },
     "LD:a1 LD:a2x LD:a2 LD:a LD:b LD:c LD:S LD:S2", 0, false},
    {"key, a masked", Walk::KeyDown, [](auto& m) { Mask(m["a"], IM::SkipKey); }, "KD:b KD:c KD:S KD:S2", 0, false},
    {"key, mouse mask does not apply", Walk::KeyDown, [](auto& m) { Mask(m["a"], IM::SkipMouse); },
     "KD:a1 KD:a2x KD:a2 KD:a KD:b KD:c KD:S KD:S2", 0, false},
    {"window, a's subtree masked and c consumes", Walk::Close,
     [](auto& m) {
         Mask(m["a"], IM::NoWindowChildren);
         m["c"]->answer = 1;
     },
     "Close:a Close:b Close:c", 1, false},
    {"thread, a masked", Walk::Thread, [](auto& m) { Mask(m["a"], IM::SkipThread); }, "TM:b TM:c TM:S TM:S2", 0,
     false},
};

TEST_F(TaskTreeTest, WalkTable)
{
    for (const WalkCase& wc : kWalkCases) {
        SCOPED_TRACE(wc.name);
        {
            GxTaskManage tm;
            auto* root = new GxTaskBase(&tm);
            std::vector<std::string> trace;
            std::map<std::string, TraceTask*> m;
            auto make = [&](const char* label, GxTaskBase* parent) {
                auto* t = new TraceTask(&trace, label, parent);
                m[label] = t;
                return t;
            };
            TraceTask* S = make("S", root);
            TraceTask* a = make("a", S);
            make("a1", a);
            TraceTask* a2 = make("a2", a);
            make("a2x", a2);
            make("b", S);
            make("c", S);
            make("S2", root);
            wc.setup(m);
            tm.SetMainStarted(wc.mainStarted);

            int result = 0;
            switch (wc.walk) {
            case Walk::Update: tm.UpdateTasks(S, 0, 0); break;
            case Walk::PreMain: tm.UpdatePreMainTasks(S, 0, 0); break;
            case Walk::Render: tm.RenderTasks(S, 0, 0); break;
            case Walk::Enter: tm.EnterSequenceTasks(S); break;
            case Walk::Leave: tm.LeaveSequenceTasks(S); break;
            case Walk::MouseLeftDown: result = tm.WalkMouseLeftDown(S, GxMousePoint{256.0f, 192.0f}, 0); break;
            case Walk::KeyDown: result = tm.WalkKeyDown(S, 0x73, 0); break;
            case Walk::Close: result = tm.WalkClose(S); break;
            case Walk::Thread: result = tm.WalkThreadMessage(S, u"", nullptr, 0, 0); break;
            }
            std::string got;
            for (const auto& e : trace) got += (got.empty() ? "" : " ") + e;
            EXPECT_EQ(got, wc.trace);
            EXPECT_EQ(result, wc.result);
        }
    }
}

TEST_F(TaskTreeTest, StopSiblingsLastsOneStepOnly)
{
    TraceTask* p = Make("p", m_Root);
    TraceTask* a = Make("a", p);
    Make("b", p);
    a->onUpdate = [a] {
        a->AddUpdateFlags(UF::StopSiblings);
        a->onUpdate = nullptr;  // only in the first step
    };
    m_Tm.DeleteDeadTasks(m_Root);
    m_Tm.UpdateTasks(p, 0, 1000);
    EXPECT_EQ(Trace(), "U:p U:a");
    m_Trace.clear();
    m_Tm.DeleteDeadTasks(m_Root);  // the sweep clears the bit for the next step
    m_Tm.UpdateTasks(p, 1, 0);
    EXPECT_EQ(Trace(), "U:p U:a U:b");
    EXPECT_EQ(a->lastStep, 1);
    EXPECT_EQ(a->lastElapsed, 0);
}

TEST_F(TaskTreeTest, WalksOverNullSubtreesDoNothing)
{
    m_Tm.UpdateTasks(nullptr, 0, 0);
    m_Tm.UpdatePreMainTasks(nullptr, 0, 0);
    m_Tm.RenderTasks(nullptr, 0, 0);
    m_Tm.DeleteDeadTasks(nullptr);
    m_Tm.EnterSequenceTasks(nullptr);
    m_Tm.LeaveSequenceTasks(nullptr);
    EXPECT_EQ(m_Tm.WalkMouseMove(nullptr, GxMousePoint{}, 0), 0);
    // No current sequence and no persistent root: the manager's operations answer 0.
    EXPECT_EQ(m_Tm.OnKeyDown(0x73, 0), 0);
    EXPECT_EQ(m_Tm.OnClose(), 0);
}

// ---------------------------------------------------------------------------------------------
// The manager's input operations: the persistent root first, then the entered current sequence.

class TaskInputTest : public TaskTreeTest
{
protected:
    void SetUp() override
    {
        TaskTreeTest::SetUp();
        sys = Make("Sys", m_Root, u"SeqSystem", true);
        sys->AddUpdateFlags(UF::LastSibling | UF::PreMain);
        dialog = Make("dlg", sys);
        title = Make("Title", m_Root, u"SeqTitle", true);
        title->AddUpdateFlags(UF::LastSibling | UF::PreMain);
        button = Make("btn", title);
        main = Make("Main", m_Root, u"SeqMain", true);
        main->AddUpdateFlags(UF::LastSibling | UF::PreMain);
        m_Tm.SetPersistentRoot(sys);
    }
    TraceTask* sys = nullptr;
    TraceTask* dialog = nullptr;
    TraceTask* title = nullptr;
    TraceTask* button = nullptr;
    TraceTask* main = nullptr;
};

TEST_F(TaskInputTest, CurrentSequenceSeesInputOnlyOnceEntered)
{
    ASSERT_TRUE(m_Tm.ChangeSequence(title, 0));
    EXPECT_EQ(m_Tm.OnMouseLeftUp(GxMousePoint{}, 0), 0);
    EXPECT_EQ(Trace(), "LU:dlg LU:Sys");

    m_Tm.ExecuteChangeSequence();
    m_Trace.clear();
    EXPECT_EQ(m_Tm.OnMouseLeftUp(GxMousePoint{}, 0), 0);
    EXPECT_EQ(Trace(), "LU:dlg LU:Sys LU:btn LU:Title");

    // A pending change closes the current screen to input until it has been carried out.
    ASSERT_TRUE(m_Tm.ChangeSequence(main, 0));
    m_Trace.clear();
    m_Tm.OnKeyDown(0x20, 0);
    EXPECT_EQ(Trace(), "KD:dlg KD:Sys");
}

TEST_F(TaskInputTest, PersistentRootConsumesFirst)
{
    m_Tm.ChangeSequence(title, 0);
    m_Tm.ExecuteChangeSequence();
    m_Trace.clear();
    dialog->answer = 1;
    EXPECT_EQ(m_Tm.OnMouseLeftUp(GxMousePoint{}, 0), 1);
    EXPECT_EQ(m_Tm.OnClose(), 1);
    EXPECT_EQ(m_Tm.OnThreadMessage(u"x", nullptr, 1, 2), 1);
    EXPECT_EQ(Trace(), "LU:dlg Close:dlg TM:dlg");

    dialog->answer = 0;
    button->answer = 2;
    m_Trace.clear();
    EXPECT_EQ(m_Tm.OnMouseLeftUp(GxMousePoint{}, 0), 2);
    EXPECT_EQ(Trace(), "LU:dlg LU:Sys LU:btn");
}

TEST_F(TaskInputTest, ButtonDownGoesOnlyThroughTheWalks)
{
    m_Tm.ChangeSequence(title, 0);
    m_Tm.ExecuteChangeSequence();
    m_Trace.clear();
    // The window procedure walks the roots itself; the manager's own operation stays empty.
    EXPECT_EQ(m_Tm.OnMouseLeftDown(GxMousePoint{}, 0, false), 0);
    EXPECT_EQ(Trace(), "");
    EXPECT_EQ(m_Tm.WalkMouseLeftDown(m_Tm.GetPersistentRoot(), GxMousePoint{}, 0), 0);
    EXPECT_EQ(m_Tm.WalkMouseLeftDown(m_Tm.GetCurrentSequence(), GxMousePoint{}, 0), 0);
    EXPECT_EQ(Trace(), "LD:dlg LD:Sys LD:btn LD:Title");
}

// ---------------------------------------------------------------------------------------------
// Sequence changes

TEST_F(TaskInputTest, TwoRequestsInOneFrameEnterOnlyTheSecond)
{
    ASSERT_TRUE(m_Tm.ChangeSequence(title, 1));
    ASSERT_TRUE(m_Tm.ChangeSequence(main, 2));
    EXPECT_EQ(m_Tm.GetPendingSequence(), main);
    EXPECT_EQ(m_Tm.GetCurrentSequence(), nullptr);
    m_Tm.ExecuteChangeSequence();
    EXPECT_EQ(Trace(), "Enter:Main");
    EXPECT_EQ(m_Tm.GetCurrentSequence(), main);
    EXPECT_EQ(m_Tm.GetCurrentSequenceName(), u"SeqMain");
    EXPECT_EQ(m_Tm.GetCurrentSequenceParam(), 2);
    EXPECT_EQ(m_Tm.GetPreviousSequence(), nullptr);
    EXPECT_EQ(m_Tm.GetPendingSequence(), nullptr);
    EXPECT_FALSE(m_Tm.IsChangeSequencePending());
    EXPECT_TRUE(m_Tm.IsSequenceEntered());
    EXPECT_TRUE(m_Tm.IsLeaveDone());
    EXPECT_TRUE(m_Errors.lines.empty());
}

TEST_F(TaskInputTest, ChangeLeavesTheOldSubtreeThenEntersTheNew)
{
    m_Tm.ChangeSequence(title, 5);
    m_Tm.ExecuteChangeSequence();
    m_Trace.clear();
    m_Tm.SetMainStarted(true);
    ASSERT_TRUE(m_Tm.ChangeSequence(main, 6));
    EXPECT_FALSE(m_Tm.IsMainStarted());
    EXPECT_FALSE(m_Tm.IsSequenceEntered());
    EXPECT_EQ(m_Tm.GetCurrentSequence(), title);  // still current until the next pass
    m_Tm.ExecuteChangeSequence();
    EXPECT_EQ(Trace(), "Leave:Title Leave:btn Enter:Main");
    EXPECT_EQ(m_Tm.GetPreviousSequence(), title);
    EXPECT_EQ(m_Tm.GetPreviousSequenceName(), u"SeqTitle");
    EXPECT_EQ(m_Tm.GetPreviousSequenceParam(), 5);

    m_Trace.clear();
    m_Tm.ExecuteChangeSequence();  // nothing pending: nothing happens
    EXPECT_EQ(Trace(), "");
}

TEST_F(TaskInputTest, RequestForTheCurrentSequenceIsRefusedButThePendingOneIsNot)
{
    ASSERT_TRUE(m_Tm.ChangeSequence(title, 0));
    EXPECT_TRUE(m_Tm.ChangeSequence(title, 0));  // only pending so far
    m_Tm.ExecuteChangeSequence();
    EXPECT_FALSE(m_Tm.ChangeSequence(title, 0));
    EXPECT_FALSE(m_Tm.IsChangeSequencePending());
    EXPECT_TRUE(m_Tm.IsSequenceEntered());
    ASSERT_EQ(m_Errors.lines.size(), 1u);
    EXPECT_EQ(m_Errors.lines[0], u"Can not change the same sequence(SeqTitle)\n");
    EXPECT_EQ(GxGetErrorCount(), 1u);
}

TEST_F(TaskInputTest, RefusedRequestsAndTheirMessages)
{
    TraceTask* plain = Make("plain", m_Root, u"Plain");
    auto* nameless = new TraceTask(&m_Trace, "nameless", m_Root, nullptr, true);

    EXPECT_FALSE(m_Tm.ChangeSequence(nullptr, 0));
    EXPECT_FALSE(m_Tm.ChangeSequence(plain, 0));
    EXPECT_FALSE(m_Tm.ChangeSequenceByNameStr(u""));
    EXPECT_FALSE(m_Tm.ChangeSequenceByNameStr(u"SeqNone"));
    EXPECT_FALSE(m_Tm.ChangeSequenceByName(u"SeqGone", 3));
    EXPECT_FALSE(m_Tm.IsChangeSequencePending());
    const std::vector<std::u16string> expected = {
        u"指定されたタスクはシーケンスタスクではありません(Plain)\n",
        u"名前のないタスクは遷移先のシーケンスに指定できません\n",
        u"遷移先のシーケンスが見つかりません(SeqNone)\n",
        u"遷移先のシーケンスが見つかりません(SeqGone)\n",
    };
    EXPECT_EQ(m_Errors.lines, expected);
    EXPECT_EQ(GxGetErrorCount(), 4u);

    // With no current sequence, a sequence without a name is not "the same sequence".
    EXPECT_TRUE(m_Tm.ChangeSequence(nameless, 0));

    EXPECT_TRUE(m_Tm.ChangeSequenceByNameStr(u"SeqTitle"));
    EXPECT_EQ(m_Tm.GetPendingSequenceParam(), 0);
    EXPECT_TRUE(m_Tm.ChangeSequenceByName(u"SeqMain", 9));
    EXPECT_EQ(m_Tm.GetPendingSequence(), main);
    EXPECT_EQ(m_Tm.GetPendingSequenceName(), u"SeqMain");
    EXPECT_EQ(m_Tm.GetPendingSequenceParam(), 9);
}

TEST_F(TaskInputTest, EndSequenceLeavesOnlyAnEnteredSequence)
{
    m_Tm.ChangeSequence(title, 0);
    m_Tm.EndSequence();  // pending only: no leave walk
    EXPECT_EQ(Trace(), "");
    EXPECT_FALSE(m_Tm.IsChangeSequencePending());

    m_Tm.ChangeSequence(title, 0);
    m_Tm.ExecuteChangeSequence();
    m_Tm.SetMainStarted(true);
    m_Trace.clear();
    m_Tm.EndSequence();
    EXPECT_EQ(Trace(), "Leave:Title Leave:btn");
    EXPECT_EQ(m_Tm.GetCurrentSequence(), nullptr);
    EXPECT_EQ(m_Tm.GetCurrentSequenceName(), u"");
    EXPECT_FALSE(m_Tm.IsSequenceEntered());
    EXPECT_FALSE(m_Tm.IsMainStarted());
    EXPECT_FALSE(m_Tm.IsLeaveDone());
}

// One frame's update steps as the frame function runs them over the manager.
int RunFrameSteps(GxTaskManage& tm, int steps, int64_t elapsed)
{
    int ran = 0;
    for (int s = 0; s < steps; ++s) {
        tm.DeleteDeadTasks(tm.GetRootTask());
        tm.ClearStepFlags();
        const int64_t e = s == 0 ? elapsed : 0;
        if (!tm.IsUpdateSuspended()) {
            if (GxTaskBase* cur = tm.GetCurrentSequence()) {
                if (!tm.IsMainStarted()) tm.UpdatePreMainTasks(cur, s, e);
                tm.UpdateTasks(cur, s, e);
            }
            tm.UpdateTasks(tm.GetPersistentRoot(), s, e);
        }
        tm.RenderTasks(tm.GetCurrentSequence(), s, e);
        tm.RenderTasks(tm.GetPersistentRoot(), s, e);
        ++ran;
        if (tm.ShouldEndUpdateSteps()) break;
    }
    return ran;
}

TEST_F(TaskInputTest, ChangeRequestedInStepOneOfThreeEndsTheFrame)
{
    m_Tm.ChangeSequence(title, 0);
    m_Tm.ExecuteChangeSequence();
    m_Tm.SetMainStarted(true);
    int updates = 0;
    button->onUpdate = [&] {
        if (++updates == 2) m_Tm.ChangeSequence(main, 0);  // in step 1
    };
    m_Trace.clear();
    EXPECT_EQ(RunFrameSteps(m_Tm, 3, 16666), 2);
    EXPECT_EQ(updates, 2);
    EXPECT_TRUE(m_Tm.IsChangeSequencePending());
    EXPECT_EQ(m_Tm.GetCurrentSequence(), title);
    EXPECT_EQ(std::count(m_Trace.begin(), m_Trace.end(), "Enter:Main"), 0);
    EXPECT_EQ(button->lastStep, 1);
    EXPECT_EQ(button->lastElapsed, 0);

    // The next pass carries the change out first.
    m_Tm.ExecuteChangeSequence();
    EXPECT_EQ(m_Tm.GetCurrentSequence(), main);
    EXPECT_EQ(RunFrameSteps(m_Tm, 3, 16666), 3);
}

TEST_F(TaskInputTest, EndOfStepsRequestLastsOneFrame)
{
    m_Tm.ChangeSequence(title, 0);
    m_Tm.ExecuteChangeSequence();
    button->onUpdate = [&] {
        m_Tm.RequestEndUpdateSteps();
        button->onUpdate = nullptr;
    };
    EXPECT_EQ(RunFrameSteps(m_Tm, 4, 0), 1);
    EXPECT_TRUE(m_Tm.IsEndUpdateStepsRequested());
    EXPECT_EQ(RunFrameSteps(m_Tm, 4, 0), 4);

    m_Tm.SetUpdateSuspended(true);
    m_Trace.clear();
    RunFrameSteps(m_Tm, 1, 0);
    EXPECT_EQ(Trace(), "R:Title R:btn R:Sys R:dlg");
}

TEST_F(TaskInputTest, PersistentRootGetsNoPreMainWalk)
{
    m_Tm.ChangeSequence(title, 0);
    m_Tm.ExecuteChangeSequence();
    m_Trace.clear();
    RunFrameSteps(m_Tm, 1, 0);
    // Before the main phase: the screen gets UpdatePreMain, its children Update; the
    // persistent root (a pre-main task too) is not updated at all, only its children.
    EXPECT_EQ(Trace(), "P:Title U:btn U:dlg R:Title R:btn R:Sys R:dlg");

    m_Tm.SetMainStarted(true);
    m_Trace.clear();
    RunFrameSteps(m_Tm, 1, 0);
    EXPECT_EQ(Trace(), "U:Title U:btn U:Sys U:dlg R:Title R:btn R:Sys R:dlg");
}

TEST_F(TaskInputTest, ManagerDeletesTheWholeTree)
{
    bool deleted[3] = {};
    auto* tm = new GxTaskManage;
    auto* root = new GxTaskBase(tm);
    std::vector<std::string> trace;
    auto* a = new TraceTask(&trace, "a", root, u"A");
    auto* a1 = new TraceTask(&trace, "a1", a, u"A1");
    auto* b = new TraceTask(&trace, "b", root);
    a->m_Deleted = &deleted[0];
    a1->m_Deleted = &deleted[1];
    b->m_Deleted = &deleted[2];
    tm->SetPersistentRoot(a);
    delete tm;
    EXPECT_TRUE(deleted[0] && deleted[1] && deleted[2]);
}

}  // namespace
