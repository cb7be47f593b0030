#include "app/task/GxTaskManage.h"

#include "app/task/GxRenderLayer.h"
#include "core/GxLog.h"

using UF = GxTaskUpdateFlag;
using IM = GxTaskInputMask;

GxTaskManage::GxTaskManage(GxCore* owner) : m_Owner(owner) {}

GxTaskManage::~GxTaskManage()
{
    DeleteTasks(m_RootTask);
    m_RootTask = nullptr;
    m_PersistentRoot = nullptr;
    m_CurrentSeq = nullptr;
    m_PendingSeq = nullptr;
    m_PreviousSeq = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Registries

bool GxTaskManage::RegisterTaskID(GxTaskBase* task, uint64_t id)
{
    const std::u16string& name = task ? task->GetTaskName() : std::u16string();
    if (id == 0) {
        GxPrintErrorLog(u"GxTaskManage::RegisterTaskID/TaskID=0は指定できません(%s)\n", name);
        return false;
    }
    if (m_TaskIDMap.count(id)) {
        GxPrintErrorLog(u"GxTaskManage::RegisterTaskID/TaskID重複を検出 (%I64u,%s)\n", id, name);
        return false;
    }
    m_TaskIDMap[id] = task;
    return true;
}

bool GxTaskManage::UnregisterTaskID(uint64_t id)
{
    auto it = m_TaskIDMap.find(id);
    if (it == m_TaskIDMap.end()) {
        GxPrintErrorLog(u"GxTaskManage::UnregisterTaskID/TaskID発見できず (%I64u)\n", id);
        return false;
    }
    m_TaskIDMap.erase(it);
    return true;
}

void GxTaskManage::UnregisterTaskIDOf(uint64_t id, const GxTaskBase* task)
{
    auto it = m_TaskIDMap.find(id);
    if (it != m_TaskIDMap.end() && it->second == task) m_TaskIDMap.erase(it);
}

bool GxTaskManage::RegisterTaskName(const std::u16string& name, GxTaskBase* task)
{
    if (m_TaskNameMap.count(name)) {
        GxPrintErrorLog(u"GxTaskManage::RegisterTaskName/TaskName重複を検出 (%s)\n", name);
        return false;
    }
    m_TaskNameMap[name] = task;
    return true;
}

void GxTaskManage::UnregisterTaskNameOf(const std::u16string& name, const GxTaskBase* task)
{
    auto it = m_TaskNameMap.find(name);
    if (it != m_TaskNameMap.end() && it->second == task) m_TaskNameMap.erase(it);
}

GxTaskBase* GxTaskManage::FindTaskByNameStr(const std::u16string& name) const
{
    auto it = m_TaskNameMap.find(name);
    return it == m_TaskNameMap.end() ? nullptr : it->second;
}

GxTaskBase* GxTaskManage::FindTaskByName(const char16_t* name) const
{
    if (!name) return nullptr;
    return FindTaskByNameStr(name);
}

bool GxTaskManage::RegisterRootTask(GxTaskBase* task)
{
    if (m_RootTask) {
        GxPrintErrorLog(u"RootTask二重登録エラー\n");
        return false;
    }
    m_RootTask = task;
    return true;
}

void GxTaskManage::ForgetTask(const GxTaskBase* task)
{
    if (m_RootTask == task) m_RootTask = nullptr;
    if (m_PersistentRoot == task) m_PersistentRoot = nullptr;
    if (m_CurrentSeq == task) m_CurrentSeq = nullptr;
    if (m_PendingSeq == task) m_PendingSeq = nullptr;
    if (m_PreviousSeq == task) m_PreviousSeq = nullptr;
}

GxTaskRenderManage* GxTaskManage::GetRenderList(int32_t layer) const
{
    return m_RenderLayers ? m_RenderLayers->GetList(layer) : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Sequences

bool GxTaskManage::ChangeSequence(GxTaskBase* task, int32_t param)
{
    if (!task) return false;
    if (!task->IsKindOf(GxTaskKind::Sequence)) {
        GxPrintErrorLog(u"指定されたタスクはシーケンスタスクではありません(%s)\n", task->GetTaskName());
        return false;
    }
    // Compared only while a sequence is current: with none, an empty current name must not
    // refuse a sequence whose name is empty too.
    if (m_CurrentSeq && task->GetTaskName() == m_CurrentName) {
        GxPrintErrorLog(u"Can not change the same sequence(%s)\n", task->GetTaskName());
        return false;
    }
    m_PendingSeq = task;
    m_PendingName = task->GetTaskName();
    m_PendingParam = param;
    m_Entered = false;
    m_MainStarted = false;
    m_LeaveDone = false;
    m_ChangePending = true;
    return true;
}

bool GxTaskManage::ChangeSequenceByNameStr(const std::u16string& name)
{
    if (name.empty()) {
        GxPrintErrorLog(u"名前のないタスクは遷移先のシーケンスに指定できません\n");
        return false;
    }
    GxTaskBase* task = FindTaskByNameStr(name);
    if (!task) {
        GxPrintErrorLog(u"遷移先のシーケンスが見つかりません(%s)\n", name);
        return false;
    }
    return ChangeSequence(task, 0);
}

bool GxTaskManage::ChangeSequenceByName(const char16_t* name, int32_t param)
{
    GxTaskBase* task = FindTaskByName(name);
    if (!task) {
        GxPrintErrorLog(u"遷移先のシーケンスが見つかりません(%s)\n", name ? name : u"");
        return false;
    }
    return ChangeSequence(task, param);
}

void GxTaskManage::ExecuteChangeSequence()
{
    if (!m_ChangePending) return;
    m_PreviousSeq = m_CurrentSeq;
    m_PreviousName = m_CurrentName;
    m_PreviousParam = m_CurrentParam;
    if (m_CurrentSeq) LeaveSequenceTasks(m_CurrentSeq);
    m_LeaveDone = true;
    m_CurrentSeq = m_PendingSeq;
    m_CurrentName = m_PendingName;
    m_CurrentParam = m_PendingParam;
    m_PendingSeq = nullptr;
    m_PendingName.clear();
    m_PendingParam = 0;
    m_Entered = true;
    m_ChangePending = false;
    if (m_CurrentSeq) EnterSequenceTasks(m_CurrentSeq);
}

void GxTaskManage::EndSequence()
{
    if (m_CurrentSeq && m_Entered) LeaveSequenceTasks(m_CurrentSeq);
    m_CurrentSeq = nullptr;
    m_CurrentName.clear();
    m_CurrentParam = 0;
    m_ChangePending = false;
    m_Entered = false;
    m_MainStarted = false;
    m_LeaveDone = false;
}

// ---------------------------------------------------------------------------------------------
// Per-step walks

void GxTaskManage::DeleteDeadTasks(GxTaskBase* subtree)
{
    // Most steps have nothing to sweep, and the walk would touch every task of every screen.
    if (!m_SweepNeeded) return;
    // Only a sweep of the whole tree knows that nothing is left anywhere. What dies or takes a
    // per-step bit during the sweep (a destructor's doing) is noted for the next one.
    const bool whole = subtree && subtree == m_RootTask;
    if (whole) m_SweepNeeded = false;
    if (SweepDeadTasks(subtree) && whole) m_SweepNeeded = true;
}

bool GxTaskManage::SweepDeadTasks(GxTaskBase* subtree)
{
    bool deadLeft = false;
    for (GxTaskBase* t = subtree; t;) {
        t->RemoveUpdateFlags(UF::StopSiblings | UF::StepFlag);
        GxTaskBase* next = t->GetNextSibling();
        if (SweepDeadTasks(t->GetFirstChild())) deadLeft = true;
        if (t->IsDead()) {
            if (t->GetChildCount() == 0 && t->GetDeleteDelay() < 1) {
                delete t;
            } else {
                if (t->GetChildCount() == 0) t->DecDeleteDelay();
                deadLeft = true;
            }
        }
        t = next;
    }
    return deadLeft;
}

void GxTaskManage::UpdateTasks(GxTaskBase* subtree, int32_t step, int64_t elapsed)
{
    for (GxTaskBase* t = subtree; t; t = t->GetNextSibling()) {
        if (t->IsActive() && !t->HasUpdateFlags(UF::SkipUpdate)) {
            if (m_MainStarted || !t->HasUpdateFlags(UF::PreMain)) t->Update(step, elapsed);
            if (!t->HasUpdateFlags(UF::NoUpdateChildren)) UpdateTasks(t->GetFirstChild(), step, elapsed);
            if (t->HasUpdateFlags(UF::StopSiblings)) break;
        }
        if (t->HasUpdateFlags(UF::LastSibling)) break;
    }
}

void GxTaskManage::UpdatePreMainTasks(GxTaskBase* subtree, int32_t step, int64_t elapsed)
{
    for (GxTaskBase* t = subtree; t; t = t->GetNextSibling()) {
        if (t->IsActive() && !t->HasUpdateFlags(UF::SkipPreMain)) {
            if (t->HasUpdateFlags(UF::PreMain)) t->UpdatePreMain(step, elapsed);
            if (!t->HasUpdateFlags(UF::NoPreMainChildren)) UpdatePreMainTasks(t->GetFirstChild(), step, elapsed);
            if (t->HasUpdateFlags(UF::StopSiblings)) break;
        }
        if (t->HasUpdateFlags(UF::LastSibling)) break;
    }
}

void GxTaskManage::RenderTasks(GxTaskBase* subtree, int32_t step, int64_t elapsed)
{
    for (GxTaskBase* t = subtree; t; t = t->GetNextSibling()) {
        if (t->IsActive() && !t->HasUpdateFlags(UF::SkipRender)) {
            t->Render(step, elapsed);
            if (!t->HasUpdateFlags(UF::NoRenderChildren)) RenderTasks(t->GetFirstChild(), step, elapsed);
        }
        if (t->HasUpdateFlags(UF::LastSibling)) break;
    }
}

void GxTaskManage::RenderSequences(GxTaskBase* current, GxTaskBase* persistent, int32_t step, int64_t elapsed)
{
    if (current) RenderTasks(current, step, elapsed);
    if (persistent) RenderTasks(persistent, step, elapsed);
}

void GxTaskManage::EnterSequenceTasks(GxTaskBase* subtree)
{
    for (GxTaskBase* t = subtree; t; t = t->GetNextSibling()) {
        if (!t->IsDead()) {
            t->OnSequenceEnter();
            EnterSequenceTasks(t->GetFirstChild());
        }
        if (t->HasUpdateFlags(UF::LastSibling)) break;
    }
}

void GxTaskManage::LeaveSequenceTasks(GxTaskBase* subtree)
{
    for (GxTaskBase* t = subtree; t; t = t->GetNextSibling()) {
        if (!t->IsDead()) {
            t->OnSequenceLeave();
            LeaveSequenceTasks(t->GetFirstChild());
        }
        if (t->HasUpdateFlags(UF::LastSibling)) break;
    }
}

void GxTaskManage::DeleteTasks(GxTaskBase* subtree)
{
    for (GxTaskBase* t = subtree; t;) {
        GxTaskBase* next = t->GetNextSibling();
        DeleteTasks(t->GetFirstChild());
        delete t;
        t = next;
    }
}

// ---------------------------------------------------------------------------------------------
// Input walks

namespace {

template <typename Call>
int WalkInput(GxTaskBase* subtree, uint32_t skipBit, uint32_t childBit, const Call& call)
{
    for (GxTaskBase* t = subtree; t; t = t->GetNextSibling()) {
        if (t->IsActive() && !(t->GetInputMask() & skipBit)) {
            if (!(t->GetInputMask() & childBit)) {
                int r = WalkInput(t->GetFirstChild(), skipBit, childBit, call);
                if (r != 0) return r;
            }
            int r = call(t);
            if (r != 0) return r;
        }
        if (t->HasUpdateFlags(UF::LastSibling)) break;
    }
    return 0;
}

}  // namespace

int GxTaskManage::WalkThreadMessage(GxTaskBase* subtree, const std::u16string& text, GxThreadObject* thread,
                                    int32_t value1, int32_t value2)
{
    return WalkInput(subtree, IM::SkipThread, IM::NoThreadChildren,
                     [&](GxTaskBase* t) { return t->OnThreadMessage(text, thread, value1, value2); });
}

int GxTaskManage::WalkThreadComplete(GxTaskBase* subtree, const std::u16string& text, GxThreadObject* thread,
                                     int32_t value1, int32_t value2)
{
    return WalkInput(subtree, IM::SkipThread, IM::NoThreadChildren,
                     [&](GxTaskBase* t) { return t->OnThreadComplete(text, thread, value1, value2); });
}

int GxTaskManage::WalkActivate(GxTaskBase* subtree)
{
    return WalkInput(subtree, IM::SkipWindow, IM::NoWindowChildren, [](GxTaskBase* t) { return t->OnActivate(); });
}

int GxTaskManage::WalkDeactivate(GxTaskBase* subtree)
{
    return WalkInput(subtree, IM::SkipWindow, IM::NoWindowChildren,
                     [](GxTaskBase* t) { return t->OnDeactivate(); });
}

int GxTaskManage::WalkClose(GxTaskBase* subtree)
{
    return WalkInput(subtree, IM::SkipWindow, IM::NoWindowChildren, [](GxTaskBase* t) { return t->OnClose(); });
}

int GxTaskManage::WalkChangeScreenMode(GxTaskBase* subtree, int32_t fromMode, int32_t toMode)
{
    return WalkInput(subtree, IM::SkipWindow, IM::NoWindowChildren,
                     [&](GxTaskBase* t) { return t->OnChangeScreenMode(fromMode, toMode); });
}

int GxTaskManage::WalkMouseMove(GxTaskBase* subtree, const GxMousePoint& pt, uint32_t keyState)
{
    return WalkInput(subtree, IM::SkipMouse, IM::NoMouseChildren,
                     [&](GxTaskBase* t) { return t->OnMouseMove(pt, keyState); });
}

int GxTaskManage::WalkMouseWheel(GxTaskBase* subtree, const GxMousePoint& pt, int32_t wheelDelta, uint32_t keyState)
{
    return WalkInput(subtree, IM::SkipMouse, IM::NoMouseChildren,
                     [&](GxTaskBase* t) { return t->OnMouseWheel(pt, wheelDelta, keyState); });
}

int GxTaskManage::WalkMouseLeftDown(GxTaskBase* subtree, const GxMousePoint& pt, uint32_t keyState, bool doubleClick)
{
    return WalkInput(subtree, IM::SkipMouse, IM::NoMouseChildren,
                     [&](GxTaskBase* t) { return t->OnMouseLeftDown(pt, keyState, doubleClick); });
}

int GxTaskManage::WalkMouseLeftUp(GxTaskBase* subtree, const GxMousePoint& pt, uint32_t keyState)
{
    return WalkInput(subtree, IM::SkipMouse, IM::NoMouseChildren,
                     [&](GxTaskBase* t) { return t->OnMouseLeftUp(pt, keyState); });
}

int GxTaskManage::WalkMouseRightDown(GxTaskBase* subtree, const GxMousePoint& pt, uint32_t keyState, bool doubleClick)
{
    return WalkInput(subtree, IM::SkipMouse, IM::NoMouseChildren,
                     [&](GxTaskBase* t) { return t->OnMouseRightDown(pt, keyState, doubleClick); });
}

int GxTaskManage::WalkMouseRightUp(GxTaskBase* subtree, const GxMousePoint& pt, uint32_t keyState)
{
    return WalkInput(subtree, IM::SkipMouse, IM::NoMouseChildren,
                     [&](GxTaskBase* t) { return t->OnMouseRightUp(pt, keyState); });
}

int GxTaskManage::WalkMouseMiddleDown(GxTaskBase* subtree, const GxMousePoint& pt, uint32_t keyState,
                                      bool doubleClick)
{
    return WalkInput(subtree, IM::SkipMouse, IM::NoMouseChildren,
                     [&](GxTaskBase* t) { return t->OnMouseMiddleDown(pt, keyState, doubleClick); });
}

int GxTaskManage::WalkMouseMiddleUp(GxTaskBase* subtree, const GxMousePoint& pt, uint32_t keyState)
{
    return WalkInput(subtree, IM::SkipMouse, IM::NoMouseChildren,
                     [&](GxTaskBase* t) { return t->OnMouseMiddleUp(pt, keyState); });
}

int GxTaskManage::WalkKeyDown(GxTaskBase* subtree, GxWParam virtualKey, GxLParam lParam)
{
    return WalkInput(subtree, IM::SkipKey, IM::NoKeyChildren,
                     [&](GxTaskBase* t) { return t->OnKeyDown(virtualKey, lParam); });
}

int GxTaskManage::WalkKeyUp(GxTaskBase* subtree, GxWParam virtualKey, GxLParam lParam)
{
    return WalkInput(subtree, IM::SkipKey, IM::NoKeyChildren,
                     [&](GxTaskBase* t) { return t->OnKeyUp(virtualKey, lParam); });
}

// ---------------------------------------------------------------------------------------------
// The manager's own listener operations

template <typename Call>
int GxTaskManage::OfferToRoots(Call&& call)
{
    int r = call(m_PersistentRoot);
    // The walk above may have requested a sequence change, which clears the entered flag: the
    // current screen then sees nothing more until the change has been carried out.
    if (r == 0 && m_Entered) r = call(m_CurrentSeq);
    return r;
}

int GxTaskManage::OnThreadMessage(const std::u16string& text, GxThreadObject* thread, int32_t value1, int32_t value2)
{
    return OfferToRoots([&](GxTaskBase* s) { return WalkThreadMessage(s, text, thread, value1, value2); });
}

int GxTaskManage::OnThreadComplete(const std::u16string& text, GxThreadObject* thread, int32_t value1, int32_t value2)
{
    return OfferToRoots([&](GxTaskBase* s) { return WalkThreadComplete(s, text, thread, value1, value2); });
}

int GxTaskManage::OnActivate()
{
    return OfferToRoots([&](GxTaskBase* s) { return WalkActivate(s); });
}

int GxTaskManage::OnDeactivate()
{
    return OfferToRoots([&](GxTaskBase* s) { return WalkDeactivate(s); });
}

int GxTaskManage::OnClose()
{
    return OfferToRoots([&](GxTaskBase* s) { return WalkClose(s); });
}

int GxTaskManage::OnChangeScreenMode(int32_t fromMode, int32_t toMode)
{
    return OfferToRoots([&](GxTaskBase* s) { return WalkChangeScreenMode(s, fromMode, toMode); });
}

int GxTaskManage::OnMouseMove(const GxMousePoint& pt, uint32_t keyState)
{
    return OfferToRoots([&](GxTaskBase* s) { return WalkMouseMove(s, pt, keyState); });
}

int GxTaskManage::OnMouseWheel(const GxMousePoint& pt, int32_t wheelDelta, uint32_t keyState)
{
    return OfferToRoots([&](GxTaskBase* s) { return WalkMouseWheel(s, pt, wheelDelta, keyState); });
}

int GxTaskManage::OnMouseLeftUp(const GxMousePoint& pt, uint32_t keyState)
{
    return OfferToRoots([&](GxTaskBase* s) { return WalkMouseLeftUp(s, pt, keyState); });
}

int GxTaskManage::OnMouseRightUp(const GxMousePoint& pt, uint32_t keyState)
{
    return OfferToRoots([&](GxTaskBase* s) { return WalkMouseRightUp(s, pt, keyState); });
}

int GxTaskManage::OnMouseMiddleUp(const GxMousePoint& pt, uint32_t keyState)
{
    return OfferToRoots([&](GxTaskBase* s) { return WalkMouseMiddleUp(s, pt, keyState); });
}

int GxTaskManage::OnKeyDown(GxWParam virtualKey, GxLParam lParam)
{
    return OfferToRoots([&](GxTaskBase* s) { return WalkKeyDown(s, virtualKey, lParam); });
}

int GxTaskManage::OnKeyUp(GxWParam virtualKey, GxLParam lParam)
{
    return OfferToRoots([&](GxTaskBase* s) { return WalkKeyUp(s, virtualKey, lParam); });
}
