// What the screens share: their task tree, the running settings, widget lookups by name, their
// own music, and the base of the paged plate rooms (the picture gallery, the scene replay room).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/GxSeqTransitBase.h"

class GxNcCrammedImageSet;
class GxNcOriginImage;
class GxSystemConfig;
class GxTaskFolder;
class GxTaskLayer;
class GxTaskUIBase;
class GxUserData;

// The tree a screen stands on: "$ROOT:<name>" holding the widget folder "$UI:<name>", filled
// from the UI layout table, and the background layer "$BGLAYER:<name>" behind the widgets.
struct SeqScreenTree
{
    GxTaskFolder* ui;
    GxTaskLayer* background;
};
SeqScreenTree SeqBuildScreenTree(GxSeqBase* screen, const std::u16string& name);

// The running core's system settings; the defaults when no core runs.
const GxSystemConfig& SeqSystemConfig();
// The running core's play data; null when no core runs.
GxUserData* SeqUserData();
// A widget is told apart by its local name in its folder; a layout row may give a task name instead.
bool SeqNameIs(const GxTaskBase* task, std::u16string_view name);
// The UI widget of that local name and index in the folder; null when there is none.
GxTaskUIBase* SeqFindWidget(GxTaskFolder* ui, const char16_t* localName, int32_t index);
// Turns the radio button on (the others of its group off); nothing when there is none.
void SeqSelectRadio(GxTaskFolder* ui, const char16_t* localName, int32_t index);
// The local index of the first widget of that name that is on; 0 when none is.
int32_t SeqSelectedIndex(GxTaskFolder* ui, std::u16string_view localName);
// Presses the button as a click would, when it takes input.
void SeqPressButton(GxSeqBase* seq, GxTaskUIBase* button);
// A screen's own music from the music folder, played on when it already plays; none stops the
// music over a second.
void SeqPlayScreenMusic(const std::u16string& fileName, int32_t loopPos);
// A failure the player must hear of ("SAVEERROR", "LOADERROR"): the user dialog with the text
// and its OK button alone.
void SeqShowFailure(GxTaskBase* screen, const char16_t* key, const char16_t* text);
// The OK of such a failure message: closes it. False for any other event.
bool SeqCloseFailure(GxTaskBase* screen, const GxTaskUIBase* sender);
// A share in whole percent as the plate rooms draw it ("%3d"); 0 of nothing is 0.
std::u16string SeqPercentText(int32_t part, int32_t whole);

// A screen of up to plateCount plates a page. Page buttons ("btn_pageselect"), previous and
// next ("btn_prev", "btn_next", wrapping) and the wheel turn the pages; a right click presses
// "btn_back". The derived screen fills the plates and draws its overlay in pass 2.
class SeqPlateRoom : public GxSeqTransitBase
{
public:
    int Update(int32_t step, int64_t elapsed) override;
    int Render(int32_t step, int64_t elapsed) override;
    // 2 draws the overlay in a scene of its own; the others as the transit base draws them.
    int Draw(int32_t param, int32_t layer) override;
    int OnMouseWheel(const GxMousePoint& pt, int32_t wheelDelta, uint32_t keyState) override;
    int OnMouseRightDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick) override;
    // Lets the images go (see LoadImages).
    void OnSequenceLeave() override;

    int32_t GetCurrentPage() const { return m_CurrentPage; }
    int32_t GetPageCount() const { return m_PageCount; }

protected:
    // The screen's task name; its plates are the buttons named plateButton; the overlay pass
    // draws at overlayZ above the widgets.
    SeqPlateRoom(const char16_t* name, GxTaskBase* parent, const char16_t* plateButton, int32_t plateCount,
                 float overlayZ);

    GxTaskUIBase* FindWidget(const char16_t* localName, int32_t index);
    int32_t GetSelectedPage();
    // Turns the page's radio button on; nothing when the UI data has no button for the page.
    void SelectPageButton(int32_t page);
    // Shows a plate a row, holding the row and enabled where it is open; hides the rest.
    void FillPlates(const std::vector<int32_t>& rows, const std::function<bool(int32_t)>& open);
    // "btn_prev" and "btn_next" turn the page (wrapping) and show it; false for other senders.
    bool TurnPage(GxTaskUIBase* sender, const std::function<void(int32_t)>& showPage);
    // The background (of the UI picture folder), the set of blank plates and the screen's
    // thumbnails, held while the screen is current.
    void LoadImages(const char16_t* background, const char16_t* thumbnailSetName);
    void ReleaseImages();
    // Draws the plates and the rest above the widgets.
    virtual void DrawOverlay() = 0;
    // Calls fn with each shown plate and the row it holds, in plate order.
    void ForEachShownPlate(const std::function<void(GxTaskUIBase* plate, int32_t row)>& fn);
    // The share of the room's rows open, top right; nothing for an empty text.
    void DrawShare(const std::u16string& text);
    // One plate: the open row's thumbnail, pulsing while hovered, or the blank plate.
    void DrawPlate(const GxTaskUIBase* plate, const std::u16string& thumbnail, const char16_t* blankPlate,
                   bool open);

    GxTaskFolder* m_UI = nullptr;
    GxTaskLayer* m_Background = nullptr;
    int32_t m_CurrentPage = 0;
    int32_t m_PageCount = 0;
    GxNcCrammedImageSet* m_ThumbnailSet = nullptr;
    GxNcCrammedImageSet* m_PlateSet = nullptr;

private:
    const char16_t* m_PlateButton;
    int32_t m_PlateCount;
    float m_OverlayZ;
    const char16_t* m_ThumbnailSetName = nullptr;
    bool m_PlateHeld = false;
    bool m_ThumbnailHeld = false;
};
