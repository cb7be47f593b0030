// Drawing is split from updating: in every update step each task's Render registers it, with a
// float order key and a parameter, in one of ten render-layer lists; after the last step the
// frame draws the lists 0 to 9, each in its own order.
#pragma once

#include <cstdint>
#include <vector>

class GxDrawKey;
class GxTaskBase;

// List indices inside a bank, as the system's tasks use them.
struct GxRenderLayer
{
    enum : int32_t {
        Background = 0,  // screens' own background drawing
        Main = 5,        // layers and widgets, sorted by their order Z
        TopMost = 7,     // top-most widgets
        Overlay = 9,     // transition overlay and the system screen's overlay
        Count = 10,
    };
};

// Insertion orders of RegisterTask (keys compared as floats).
struct GxRenderOrder
{
    enum : int32_t {
        Default = 0,           // the list's default mode
        Front = 2,             // at the front: reverse registration order
        Ascending = 3,         // ascending; equal keys in registration order
        Descending = 4,        // descending; equal keys in registration order
        AscendingReverse = 5,  // ascending; equal keys in reverse registration order
        DescendingReverse = 6, // descending; equal keys in reverse registration order
    };
};

class GxTaskRenderManage
{
public:
    struct Entry
    {
        GxTaskBase* task = nullptr;
        float orderKey = 0.0f;
        int32_t param = 0;
        int32_t reserved = 0;
    };

    GxTaskRenderManage() = default;
    virtual ~GxTaskRenderManage() = default;
    GxTaskRenderManage(const GxTaskRenderManage&) = delete;
    GxTaskRenderManage& operator=(const GxTaskRenderManage&) = delete;

    // Always true. Any mode other than those of GxRenderOrder appends at the end.
    bool RegisterTask(GxTaskBase* task, int32_t mode, float orderKey, int32_t param);
    // Draws every entry whose task is active and not hidden: Draw once the current sequence's
    // main phase has started, DrawPreMain before.
    void DrawTasks(int32_t layer, bool mainStarted);
    // The key of the main-phase draws of DrawTasks (GxRenderLayerBanks::AppendDrawKey).
    bool AppendDrawKey(GxDrawKey& key, int32_t layer);
    void Clear() { m_Entries.clear(); }

    const std::vector<Entry>& GetEntries() const { return m_Entries; }
    int32_t GetDefaultMode() const { return m_DefaultMode; }

private:
    // Cleared every update step and filled again: the storage stays, so a frame allocates
    // nothing for its registrations.
    std::vector<Entry> m_Entries;
    int32_t m_DefaultMode = GxRenderOrder::Ascending;
};

// Two banks of ten lists. The frame fills and draws bank 0; an off-screen capture switches to
// bank 1 so that the frame's own registrations stay untouched.
class GxRenderLayerBanks
{
public:
    static constexpr int32_t kBankCount = 2;

    // The list of a layer in the current bank; null for a layer outside 0..9.
    GxTaskRenderManage* GetList(int32_t layer);
    void ClearRenderLayers();
    void DrawRenderLayers(bool mainStarted);
    // The key of what DrawRenderLayers would draw now (GxTaskBase::AppendDrawKey); false when a
    // task cannot tell, or before the main phase (whose draws no task keys).
    bool AppendDrawKey(GxDrawKey& key, bool mainStarted);

    int32_t GetBankIndex() const { return m_BankIndex; }
    // Out-of-range indices are ignored.
    void SetBankIndex(int32_t index);

private:
    GxTaskRenderManage m_Lists[kBankCount][GxRenderLayer::Count];
    int32_t m_BankIndex = 0;
};
