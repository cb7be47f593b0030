// The picture gallery: up to 25 thumbnails a page, one per picture set of the gallery table.
// A set with a seen picture shows its thumbnail and opens the picture viewer; a set with none
// shows a locked plate. Each slot carries "seen/count", the top the share of all pictures seen.
// Page buttons, previous/next (wrapping) and the wheel turn the pages; the back button (or a
// right click) returns to the title screen. While current it plays its own music.
#pragma once

#include <cstdint>
#include <vector>

#include "seq/SeqScreenCommon.h"

class SeqCGMode : public SeqPlateRoom
{
public:
    static constexpr int32_t kSlotCount = 25;
    static constexpr int32_t kSetCount = 200;

    explicit SeqCGMode(GxTaskBase* parent);
    ~SeqCGMode() override;
    // The constructor the game's screen list holds.
    static GxTaskBase* Create(GxTaskBase* parent);

    void OnSequenceEnter() override;
    // 0 clears the screen, 1 draws the screen transition, 2 the gallery overlay.
    int Draw(int32_t param, int32_t layer) override;
    int OnUIEventLeftDown(GxTaskUIBase* sender, GxUIEventParam* param) override;

    // Rebuilds the seen counts from the shown-picture flags of the data kept across plays.
    void CountSeenPictures();
    // The local index of the first page button that is on; 0 when none is.
    using SeqPlateRoom::GetSelectedPage;
    void ShowPage(int32_t page);
    using SeqPlateRoom::SelectPageButton;

    int32_t GetTotalPictures() const { return m_TotalPictures; }
    int32_t GetSeenPictures() const { return m_SeenPictures; }
    const std::vector<int32_t>& GetPageSets() const { return m_PageSets; }
    // The seen pictures of a set; 0 outside the table.
    int32_t GetSeenCount(int32_t setID) const;
    // The share of seen pictures as drawn at the top ("%3d").
    std::u16string GetPercentText() const;

private:
    void DrawOverlay() override;
    void StartMusic();

    int32_t m_TotalPictures = 0;
    int32_t m_SeenPictures = 0;
    std::vector<int32_t> m_PageSets;
    std::vector<int32_t> m_SeenCount;
};
