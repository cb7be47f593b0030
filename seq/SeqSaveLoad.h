// What the save and load screens share: ten pages of eight save plates (slots 1 to 80), each
// plate with the slot's thumbnail and two text lines from the saved game's header, the page
// buttons "b01".."b10", the "new" mark on the slot saved last, the yes/no confirmation through
// the system screen's user dialog, and the back button (or a right click).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/GxSeqTransitBase.h"
#include "core/GxMath.h"
#include "game/GxUserData.h"

class GxCore;
class GxTaskFolder;
class GxTaskLayer;
class GxTaskUIBase;
class GxTexture;

class SeqSaveLoadBase : public GxSeqTransitBase
{
public:
    static constexpr int32_t kPlateCount = 8;
    static constexpr int32_t kPageCount = 10;
    static constexpr int32_t kSlotCount = kPlateCount * kPageCount;

    struct Texts
    {
        const char16_t* name;          // the screen's task name
        const char16_t* background;    // picture in the UI picture folder
        const char16_t* confirmKey;    // the user dialog's key of the confirmation
        const char16_t* confirmText;
    };

    ~SeqSaveLoadBase() override;

    void OnSequenceEnter() override;
    void OnSequenceLeave() override;
    int Render(int32_t step, int64_t elapsed) override;
    // 0 clears the screen, 1 draws the screen transition, 2 the plates' thumbnails and texts.
    int Draw(int32_t param, int32_t layer) override;
    int OnMouseRightDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick) override;

    // Page buttons, thumbnails and headers of the shown page, the "new" mark.
    virtual void RefreshPlates();

    // Top left of plate 0..7 of a page (thumbnail corner), and where the "new" mark stands.
    static GxVector3 PlatePosition(int32_t plate);
    static GxVector3 NewMarkPosition(int32_t plate);
    // "gamedata%03d.gd" and "thumb%03d.png" of a slot, in the save folder.
    static std::u16string GameDataPath(int32_t slot);
    static std::u16string ThumbnailPath(int32_t slot);
    // The plate's two text lines as drawn.
    static std::u16string PlateLine1(const GxGameDataHeader& header, int32_t slot);
    static std::u16string PlateLine2(const GxGameDataHeader& header);

    // The shown page's plates: slot, header and thumbnail (none without a picture).
    int32_t GetPlateSlot(int32_t plate) const;
    const GxGameDataHeader& GetPlateHeader(int32_t plate) const { return m_Headers[Clamp(plate)]; }
    GxTexture* GetPlateThumbnail(int32_t plate) const { return m_Thumbnails[Clamp(plate)].get(); }
    int32_t GetPendingSlot() const { return m_PendingSlot; }

protected:
    SeqSaveLoadBase(const Texts& texts, GxTaskBase* parent);

    // Each true when it took the event. Plates open the confirmation unless a user dialog is
    // already open; the answer handlers close the dialog.
    bool OnPageButton(GxTaskUIBase* sender);
    bool OnPlate(GxTaskUIBase* sender);
    bool OnBackButton(GxTaskUIBase* sender);
    // "btn_dlguser_yes" of this screen's confirmation: the pending slot, which is then none;
    // 0 for any other event. "no" closes the dialog and drops the slot.
    int32_t TakeConfirmation(GxTaskUIBase* sender, bool* taken);
    static void PlayPushSound(GxTaskUIBase* sender);

    GxTaskUIBase* FindWidget(std::u16string_view localName, int32_t index);
    static GxCore* Core();

    bool m_DisableEmptyPlates = false;

private:
    static int32_t Clamp(int32_t plate) { return plate < 0 ? 0 : plate >= kPlateCount ? kPlateCount - 1 : plate; }
    void DrawPlates();

    Texts m_Texts;
    GxTaskFolder* m_UI = nullptr;
    GxTaskLayer* m_Background = nullptr;
    bool m_ImageSetAdded = false;
    int32_t m_PendingSlot = -1;
    GxGameDataHeader m_Headers[kPlateCount];
    std::unique_ptr<GxTexture> m_Thumbnails[kPlateCount];
};
