// The scene replay room: pages of up to 25 plates, one per row of the replay table. A scene
// whose label was passed in some play shows its thumbnail and replays from that label on the
// main play screen in replay mode; the others show a blank plate. Page buttons, previous/next
// (wrapping) and the wheel turn the pages, the share of passed scenes is drawn in a corner, and
// the back button (or a right click) ends replay mode and returns to the title screen.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "seq/SeqScreenCommon.h"

class SeqRPMode : public SeqPlateRoom
{
public:
    static constexpr int32_t kPlateCount = 25;
    static constexpr uint32_t kUnlocked = 1;  // bit of an entry's flags

    explicit SeqRPMode(GxTaskBase* parent);
    ~SeqRPMode() override;
    static GxTaskBase* Create(GxTaskBase* parent);

    void OnSequenceEnter() override;
    int OnUIEventLeftDown(GxTaskUIBase* sender, GxUIEventParam* param) override;

    // Rebuilds the entries from the replay table and the passed labels kept across plays.
    void BuildEntries();
    void ShowPage(int32_t page);

    int32_t GetEntryCount() const { return m_EntryCount; }
    int32_t GetUnlockedCount() const { return m_UnlockedCount; }
    const std::vector<int32_t>& GetPageRows() const { return m_PageRows; }
    bool IsUnlocked(int32_t row) const;
    // The share of passed scenes as drawn ("%3d"); empty without entries.
    std::u16string GetPercentText() const;

private:
    void StartMusic();
    void DrawOverlay() override;

    int32_t m_EntryCount = 0;
    int32_t m_UnlockedCount = 0;
    std::vector<uint32_t> m_Entries;  // flags per table row
    std::vector<int32_t> m_PageRows;
};
