// Owns the task tree and walks it: the TaskID and TaskName registries, the root, the persistent
// root (the system screen, asked first for every input), the current sequence with a one-slot
// request queue, the per-step walks (sweep, update, pre-main update, render registration), the
// enter and leave walks of sequence changes, and the input walks.
//
// A "subtree" argument means a task, its later siblings and all their descendants.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "app/task/GxTaskBase.h"

class GxCore;
class GxRenderLayerBanks;
class GxTaskRenderManage;

class GxTaskManage : public GxThreadListenerBase,
                     public GxTaskWindowListenerBase,
                     public GxTaskMouseListenerBase,
                     public GxTaskKeyInputListenerBase
{
public:
    explicit GxTaskManage(GxCore* owner = nullptr);
    // Deletes the whole tree from the root, children first.
    ~GxTaskManage() override;

    GxTaskManage(const GxTaskManage&) = delete;
    GxTaskManage& operator=(const GxTaskManage&) = delete;

    GxCore* GetOwner() const { return m_Owner; }

    // Registries. A refusal is logged as an error and returns false.
    bool RegisterTaskID(GxTaskBase* task, uint64_t id);
    bool UnregisterTaskID(uint64_t id);
    bool RegisterTaskName(const std::u16string& name, GxTaskBase* task);
    GxTaskBase* FindTaskByNameStr(const std::u16string& name) const;
    GxTaskBase* FindTaskByName(const char16_t* name) const;

    // Tree roots.
    bool RegisterRootTask(GxTaskBase* task);
    GxTaskBase* GetRootTask() const { return m_RootTask; }
    void SetPersistentRoot(GxTaskBase* task) { m_PersistentRoot = task; }
    GxTaskBase* GetPersistentRoot() const { return m_PersistentRoot; }

    // Sequences. A request takes effect in ExecuteChangeSequence, first thing in the next
    // main-loop pass; a later request before that replaces it.
    bool ChangeSequence(GxTaskBase* task, int32_t param);
    bool ChangeSequenceByNameStr(const std::u16string& name);
    bool ChangeSequenceByName(const char16_t* name, int32_t param);
    void ExecuteChangeSequence();
    void EndSequence();

    GxTaskBase* GetCurrentSequence() const { return m_CurrentSeq; }
    const std::u16string& GetCurrentSequenceName() const { return m_CurrentName; }
    int32_t GetCurrentSequenceParam() const { return m_CurrentParam; }
    GxTaskBase* GetPendingSequence() const { return m_PendingSeq; }
    const std::u16string& GetPendingSequenceName() const { return m_PendingName; }
    int32_t GetPendingSequenceParam() const { return m_PendingParam; }
    GxTaskBase* GetPreviousSequence() const { return m_PreviousSeq; }
    const std::u16string& GetPreviousSequenceName() const { return m_PreviousName; }
    int32_t GetPreviousSequenceParam() const { return m_PreviousParam; }
    bool IsChangeSequencePending() const { return m_ChangePending; }
    bool IsSequenceEntered() const { return m_Entered; }
    bool IsLeaveDone() const { return m_LeaveDone; }
    // Set by the sequence base class when its main phase begins.
    bool IsMainStarted() const { return m_MainStarted; }
    void SetMainStarted(bool started) { m_MainStarted = started; }

    // Per-step flags of the frame. The frame clears the step flags at the start of every update
    // step and runs no further steps once ShouldEndUpdateSteps is true; while update is
    // suspended it runs no update walks.
    void ClearStepFlags() { m_EndUpdateSteps = false; }
    void RequestEndUpdateSteps() { m_EndUpdateSteps = true; }
    bool IsEndUpdateStepsRequested() const { return m_EndUpdateSteps; }
    bool ShouldEndUpdateSteps() const { return m_ChangePending || m_EndUpdateSteps; }
    void SetUpdateSuspended(bool suspended) { m_UpdateSuspended = suspended; }
    bool IsUpdateSuspended() const { return m_UpdateSuspended; }

    // The render-layer lists the tasks' Render registers into (held by the application object).
    void SetRenderLayers(GxRenderLayerBanks* banks) { m_RenderLayers = banks; }
    GxRenderLayerBanks* GetRenderLayers() const { return m_RenderLayers; }
    GxTaskRenderManage* GetRenderList(int32_t layer) const;

    // Per-step walks. The sweep clears the per-step bits and deletes dead tasks whose delay
    // has run out; while no task is dead and none has a per-step bit (the tasks tell the
    // manager when one dies or takes one), it has nothing to do and walks nothing.
    void DeleteDeadTasks(GxTaskBase* subtree);
    void UpdateTasks(GxTaskBase* subtree, int32_t step, int64_t elapsed);
    void UpdatePreMainTasks(GxTaskBase* subtree, int32_t step, int64_t elapsed);
    void RenderTasks(GxTaskBase* subtree, int32_t step, int64_t elapsed);
    // The frame's render pass, which scene captures draw through as well: the current
    // sequence's tree, then the persistent root's (either may be null).
    void RenderSequences(GxTaskBase* current, GxTaskBase* persistent, int32_t step, int64_t elapsed);
    void EnterSequenceTasks(GxTaskBase* subtree);
    void LeaveSequenceTasks(GxTaskBase* subtree);
    // Deletes every task of the subtree, children first.
    void DeleteTasks(GxTaskBase* subtree);

    // Input walks: children first (the deepest, earliest child first); the first non-zero
    // answer ends the walk and is returned.
    int WalkThreadMessage(GxTaskBase* subtree, const std::u16string& text, GxThreadObject* thread, int32_t value1,
                          int32_t value2);
    int WalkThreadComplete(GxTaskBase* subtree, const std::u16string& text, GxThreadObject* thread, int32_t value1,
                           int32_t value2);
    int WalkActivate(GxTaskBase* subtree);
    int WalkDeactivate(GxTaskBase* subtree);
    int WalkClose(GxTaskBase* subtree);
    int WalkChangeScreenMode(GxTaskBase* subtree, int32_t fromMode, int32_t toMode);
    int WalkMouseMove(GxTaskBase* subtree, const GxMousePoint& pt, uint32_t keyState);
    int WalkMouseWheel(GxTaskBase* subtree, const GxMousePoint& pt, int32_t wheelDelta, uint32_t keyState);
    int WalkMouseLeftDown(GxTaskBase* subtree, const GxMousePoint& pt, uint32_t keyState, bool doubleClick = false);
    int WalkMouseLeftUp(GxTaskBase* subtree, const GxMousePoint& pt, uint32_t keyState);
    int WalkMouseRightDown(GxTaskBase* subtree, const GxMousePoint& pt, uint32_t keyState, bool doubleClick = false);
    int WalkMouseRightUp(GxTaskBase* subtree, const GxMousePoint& pt, uint32_t keyState);
    int WalkMouseMiddleDown(GxTaskBase* subtree, const GxMousePoint& pt, uint32_t keyState, bool doubleClick = false);
    int WalkMouseMiddleUp(GxTaskBase* subtree, const GxMousePoint& pt, uint32_t keyState);
    int WalkKeyDown(GxTaskBase* subtree, GxWParam virtualKey, GxLParam lParam);
    int WalkKeyUp(GxTaskBase* subtree, GxWParam virtualKey, GxLParam lParam);

    // The manager's own listener operations: the walk over the persistent root, then, when
    // nobody took the event and the current sequence has been entered, over the current
    // sequence. The button-down operations keep the empty defaults: the window procedure calls
    // the button-down walks itself.
    int OnThreadMessage(const std::u16string& text, GxThreadObject* thread, int32_t value1, int32_t value2) override;
    int OnThreadComplete(const std::u16string& text, GxThreadObject* thread, int32_t value1, int32_t value2) override;
    int OnActivate() override;
    int OnDeactivate() override;
    int OnClose() override;
    int OnChangeScreenMode(int32_t fromMode, int32_t toMode) override;
    int OnMouseMove(const GxMousePoint& pt, uint32_t keyState) override;
    int OnMouseWheel(const GxMousePoint& pt, int32_t wheelDelta, uint32_t keyState) override;
    int OnMouseLeftUp(const GxMousePoint& pt, uint32_t keyState) override;
    int OnMouseRightUp(const GxMousePoint& pt, uint32_t keyState) override;
    int OnMouseMiddleUp(const GxMousePoint& pt, uint32_t keyState) override;
    int OnKeyDown(GxWParam virtualKey, GxLParam lParam) override;
    int OnKeyUp(GxWParam virtualKey, GxLParam lParam) override;

private:
    friend class GxTaskBase;
    // Removes entries only when they point to task: a task whose name or id was refused as a
    // duplicate must not take the other task's entry with it.
    void UnregisterTaskIDOf(uint64_t id, const GxTaskBase* task);
    void UnregisterTaskNameOf(const std::u16string& name, const GxTaskBase* task);
    // Called by a task's destructor: no pointer of the manager may outlive the task.
    void ForgetTask(const GxTaskBase* task);

    template <typename Call>
    int OfferToRoots(Call&& call);
    // The sweep proper; true when a dead task is left in the subtree.
    bool SweepDeadTasks(GxTaskBase* subtree);

    std::map<uint64_t, GxTaskBase*> m_TaskIDMap;
    std::map<std::u16string, GxTaskBase*> m_TaskNameMap;
    GxCore* m_Owner;
    GxRenderLayerBanks* m_RenderLayers = nullptr;
    GxTaskBase* m_RootTask = nullptr;
    GxTaskBase* m_PersistentRoot = nullptr;
    GxTaskBase* m_CurrentSeq = nullptr;
    std::u16string m_CurrentName;
    int32_t m_CurrentParam = 0;
    bool m_ChangePending = false;
    bool m_Entered = false;
    bool m_MainStarted = false;
    bool m_LeaveDone = false;
    GxTaskBase* m_PendingSeq = nullptr;
    std::u16string m_PendingName;
    int32_t m_PendingParam = 0;
    GxTaskBase* m_PreviousSeq = nullptr;
    std::u16string m_PreviousName;
    int32_t m_PreviousParam = 0;
    bool m_UpdateSuspended = false;
    bool m_EndUpdateSteps = false;
    // A task may be dead or carry a per-step bit: the next sweep walks.
    bool m_SweepNeeded = true;
};
