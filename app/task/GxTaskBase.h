// The node of the task tree. Every screen, folder, layer, actor and widget is a task: it has a
// program-wide TaskName, an optional local name with an index inside its nearest folder, an
// optional TaskID, a state, flag words that steer the per-frame and input walks, and intrusive
// parent/child/sibling links. The walks themselves belong to GxTaskManage.
#pragma once

#include <cstdint>
#include <string>

#include "app/task/GxTaskListener.h"
#include "core/GxMath.h"

class GxTaskManage;
class GxTaskFolder;
class GxContentWriterBase;
class GxContentReaderBase;
class GxDrawKey;

// m_GlobalState values.
struct GxTaskState
{
    enum : uint32_t { Active = 1, Paused = 2, Dead = 3 };
};

// What a task is; each constructor of a derived class adds its bit. Walks test these bits.
struct GxTaskKind
{
    enum : uint32_t {
        Folder = 0x02,
        Sequence = 0x04,
        UI = 0x08,
        Actor = 0x10,
        Layer = 0x20,
        SeqTransit = 0x40,
        Button = 0x80,
    };
};

// Bits of the update-flag word.
struct GxTaskUpdateFlag
{
    enum : uint32_t {
        SkipUpdate = 1u << 1,          // the update walk skips the task and its subtree
        SkipPreMain = 1u << 2,         // the pre-main walk skips the task and its subtree
        SkipRender = 1u << 3,          // the render walk skips the task and its subtree
        Hidden = 1u << 4,              // registered render entries are not drawn
        NoUpdateChildren = 1u << 9,    // the update walk does not descend
        NoPreMainChildren = 1u << 10,  // the pre-main walk does not descend
        NoRenderChildren = 1u << 11,   // the render walk does not descend
        LastSibling = 1u << 20,        // every walk ends its sibling list after this task
        PreMain = 1u << 21,            // UpdatePreMain before the main phase, Update after it
        StopSiblings = 1u << 25,       // set during Update: skip later siblings for this step
        StepFlag = 1u << 27,           // per-step flag of derived classes
    };
};

// Bits of the input mask: the first of a pair skips the task and its subtree, the second only
// the subtree.
struct GxTaskInputMask
{
    enum : uint32_t {
        SkipThread = 1u << 1,
        SkipWindow = 1u << 2,
        SkipMouse = 1u << 3,
        SkipKey = 1u << 4,
        NoThreadChildren = 1u << 9,
        NoWindowChildren = 1u << 10,
        NoMouseChildren = 1u << 11,
        NoKeyChildren = 1u << 12,
    };
};

class GxTaskBase : public GxTaskListenerBase,
                   public GxThreadListenerBase,
                   public GxTaskWindowListenerBase,
                   public GxTaskMouseListenerBase,
                   public GxTaskKeyInputListenerBase
{
public:
    // A task linked as the last child of parent, taking the parent's manager. A TaskName or a
    // local name given here is registered at once; a null pointer means none.
    GxTaskBase(const char16_t* taskName, const char16_t* localName, int32_t localIndex, GxTaskBase* parent);
    // The root task of a manager.
    explicit GxTaskBase(GxTaskManage* manager);
    // Unregisters the task's entries and unlinks it from its parent. Children are not deleted.
    ~GxTaskBase() override;

    GxTaskBase(const GxTaskBase&) = delete;
    GxTaskBase& operator=(const GxTaskBase&) = delete;

    // Hooks.
    virtual void OnResume() {}
    virtual void OnPause() {}
    virtual void OnKill() {}
    virtual void OnSequenceEnter() {}
    virtual void OnSequenceLeave() {}

    // Per-step operations; elapsed is the frame's microseconds in its first step, 0 later.
    virtual int Update(int32_t step, int64_t elapsed)
    {
        (void)step; (void)elapsed;
        return 0;
    }
    virtual int UpdatePreMain(int32_t step, int64_t elapsed)
    {
        (void)step; (void)elapsed;
        return 0;
    }
    // Registers the task in a render-layer list.
    virtual int Render(int32_t step, int64_t elapsed)
    {
        (void)step; (void)elapsed;
        return 0;
    }
    virtual int Draw(int32_t param, int32_t layer)
    {
        (void)param; (void)layer;
        return 0;
    }
    virtual int DrawPreMain(int32_t param, int32_t layer)
    {
        Draw(param, layer);
        return 0;
    }
    // Appends to key everything Draw(param, layer) would read now, the pixels of textures
    // aside (the device knows those), and returns true; false when the task cannot tell, as the
    // default answers: the frame is then drawn. A class answers for its own Draw only, so the
    // classes that answer return false for a task of a class derived from them.
    virtual bool AppendDrawKey(GxDrawKey& key, int32_t param, int32_t layer)
    {
        (void)key; (void)param; (void)layer;
        return false;
    }

    // Names and ids.
    virtual bool SetTaskID(uint64_t id);
    virtual uint64_t GetTaskID() const { return m_TaskID; }
    virtual const std::u16string& GetTaskName() const { return m_TaskName; }
    virtual bool SetTaskName(const std::u16string& name);
    virtual const std::u16string& GetTaskLocalName() const { return m_LocalName; }
    virtual int32_t GetTaskLocalIndex() const { return m_LocalIndex; }
    virtual bool SetTaskLocalName(const std::u16string& name, int32_t index);
    // "TaskName/LocalName[index]:type".
    virtual void GetTaskDebugString(std::u16string& out) const;

    // State.
    virtual uint32_t GetGlobalState() const { return m_GlobalState; }
    virtual void SetGlobalState(uint32_t state);
    virtual bool IsActive() const { return m_GlobalState == GxTaskState::Active; }
    virtual bool IsPause() const { return m_GlobalState == GxTaskState::Paused; }
    virtual bool IsDead() const { return m_GlobalState == GxTaskState::Dead; }
    virtual void Resume();
    virtual void Pause();
    // Kills the whole subtree, deepest first, then the task.
    virtual void Kill();
    virtual void ResumeChildren();
    virtual void PauseChildren();
    virtual void KillChildren();

    virtual int32_t GetTaskType() const { return m_TaskType; }
    virtual void SetTaskType(int32_t type) { m_TaskType = type; }
    virtual int32_t GetDeleteDelay() const { return m_DeleteDelay; }
    virtual void SetDeleteDelay(int32_t n) { m_DeleteDelay = n; }
    virtual void DecDeleteDelay()
    {
        if (m_DeleteDelay > 0) --m_DeleteDelay;
    }

    // Placement. A plain task has none: position, absolute position, rotation and centre are
    // zero, scale is (1, 1, 1); actors and folders override them.
    virtual GxVector3 GetPos() const { return GxVector3(); }
    virtual GxVector3 GetAbsolutePos() const { return GxVector3(); }
    virtual GxVector3 GetScale() const { return GxVector3(1.0f, 1.0f, 1.0f); }
    virtual GxVector3 GetRot() const { return GxVector3(); }
    virtual GxVector3 GetCenterPos() const { return GxVector3(); }

    // Storage: the state and the TaskID. Derived classes write their base part first, then their
    // own fields. True when the stream's error count is 0.
    virtual bool WriteContent(GxContentWriterBase& writer);
    virtual bool ReadContent(GxContentReaderBase& reader);

    // Flag words.
    uint32_t GetUpdateFlags() const { return m_UpdateFlags; }
    void SetUpdateFlags(uint32_t flags)
    {
        m_UpdateFlags = flags;
        if (flags & kPerStepBits) NoteSweepNeeded();
    }
    void AddUpdateFlags(uint32_t bits)
    {
        m_UpdateFlags |= bits;
        if (bits & kPerStepBits) NoteSweepNeeded();
    }
    void RemoveUpdateFlags(uint32_t bits) { m_UpdateFlags &= ~bits; }
    bool HasUpdateFlags(uint32_t bits) const { return (m_UpdateFlags & bits) != 0; }
    uint32_t GetInputMask() const { return m_InputMask; }
    void SetInputMask(uint32_t mask) { m_InputMask = mask; }
    void AddInputMask(uint32_t bits) { m_InputMask |= bits; }
    void RemoveInputMask(uint32_t bits) { m_InputMask &= ~bits; }
    uint32_t GetKindFlags() const { return m_KindFlags; }
    bool IsKindOf(uint32_t kind) const { return (m_KindFlags & kind) != 0; }

    // The update counter: counted by tasks that count their updates, not stored.
    int32_t GetUpdateCount() const { return m_UpdateCount; }
    void SetUpdateCount(int32_t n) { m_UpdateCount = n; }
    void IncUpdateCount() { m_UpdateCount = static_cast<int32_t>(static_cast<uint32_t>(m_UpdateCount) + 1u); }

    // Links.
    GxTaskManage* GetManager() const { return m_Manager; }
    GxTaskBase* GetParent() const { return m_Parent; }
    GxTaskBase* GetFirstChild() const { return m_FirstChild; }
    GxTaskBase* GetLastChild() const { return m_LastChild; }
    GxTaskBase* GetPrevSibling() const { return m_PrevSibling; }
    GxTaskBase* GetNextSibling() const { return m_NextSibling; }
    int32_t GetChildCount() const { return m_ChildCount; }

    // Adds an entry for this task to a render-layer list of the manager's current bank; false
    // when the manager has no render lists or the layer is out of range.
    bool RegisterRenderLayer(int32_t layer, int32_t mode, float orderKey, int32_t param);

protected:
    void AddKindFlags(uint32_t kind) { m_KindFlags |= kind; }

    uint32_t m_InputMask = 0;
    int32_t m_TaskType = 0;
    uint32_t m_KindFlags = 0;
    int32_t m_ChildCount = 0;
    GxTaskManage* m_Manager = nullptr;
    GxTaskBase* m_Parent = nullptr;
    GxTaskBase* m_FirstChild = nullptr;
    GxTaskBase* m_LastChild = nullptr;
    GxTaskBase* m_PrevSibling = nullptr;
    GxTaskBase* m_NextSibling = nullptr;
    std::u16string m_TaskName;
    std::u16string m_LocalName;
    int32_t m_LocalIndex = 0;
    uint64_t m_TaskID = 0;
    int32_t m_DeleteDelay = 1;
    int32_t m_UpdateCount = 0;

private:
    friend class GxTaskFolder;
    GxTaskFolder* FindNearestFolder();

    // The bits the manager's sweep clears on every task at every step.
    static constexpr uint32_t kPerStepBits = GxTaskUpdateFlag::StopSiblings | GxTaskUpdateFlag::StepFlag;
    // Tells the manager that its sweep has work: a task died or took a per-step bit. The two
    // words are private so that no change of them passes by this.
    void NoteSweepNeeded();

    uint32_t m_UpdateFlags = 0;
    uint32_t m_GlobalState = GxTaskState::Active;

    // The folder whose registry holds this task's (local name, index) entry, or null when the
    // pair is not registered (empty, or refused as a duplicate).
    GxTaskFolder* m_LocalFolder = nullptr;
};
