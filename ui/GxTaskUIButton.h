// The buttons: push, toggle and radio buttons drawn from one state picture each, looked up by
// suffix in a crammed image set that the image-set pool holds. They react on their client
// rectangle only and play no sound; screens act on the posted press.
// - GxTaskUIButtonIs shows its pressed picture for 15 updates after a press.
// - GxTaskUIToggleButtonIs flips its value on a press (before the press is posted) and shows
//   its picture from the value and the hover.
// - GxTaskUIRadioButtonIs switches its group under the same parent to itself.
#pragma once

#include <cstdint>
#include <string>

#include "ui/GxTaskUIBase.h"

struct GxNcOriginImage;

class GxTaskUIButtonIs : public GxTaskUIBase
{
public:
    // The state pictures, in slot order.
    enum ImageSlot : int32_t {
        kImageOff = 0,
        kImageOn = 1,
        kImageOver = 2,
        kImageNotAvailable = 3,
        kImageOnOver = 4,
        kImageOnNotAvailable = 5,
        kImageSlotCount = 6,
    };
    // Updates the pressed picture stays after a press.
    static constexpr int32_t kPressUpdates = 15;

    GxTaskUIButtonIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex);
    ~GxTaskUIButtonIs() override;

    // Actions, hover end, the picture of this update, tip help, then the press countdown.
    int Update(int32_t step, int64_t elapsed) override;
    int Draw(int32_t param, int32_t layer) override;
    bool AppendDrawKey(GxDrawKey& key, int32_t param, int32_t layer) override;
    int OnMouseMove(const GxMousePoint& pt, uint32_t keyState) override;
    int OnMouseLeftDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick) override;
    // The base fields, then m_ImageName, m_ImageSetName, m_ImageIndex and m_PatternIndex; reading
    // drops the pictures (found again by the next LoadImages) and the pointer state.
    bool WriteContent(GxContentWriterBase& writer) override;
    bool ReadContent(GxContentReaderBase& reader) override;

    void ResetEventState() override;
    // The base part, then the set "<UI image-set folder><ImageSetName>.gis" and the image base name.
    void ApplyModule(const DBUIModuleData& module) override;
    // "uigis/common/ok" names the base name "ok" of "uigis/common.gis".
    bool LoadImageSet(const std::u16string& path) override;
    // Finds "_off", "_on", "_over" and "_na" in the pooled set with their fallbacks; an unset size
    // takes the off picture's first pattern and an unset client rectangle the size less the client
    // offset on each side. A missing set or off picture is logged and leaves no picture.
    bool LoadImages() override;
    void ReleaseImages() override;

    virtual int32_t GetImageIndex() const { return m_ImageIndex; }

    const std::u16string& GetImageName() const { return m_ImageName; }
    const std::u16string& GetImageSetName() const { return m_ImageSetName; }
    // The picture of a slot after the fallbacks; null outside the slots.
    const GxNcOriginImage* GetImage(int32_t slot) const;
    int32_t GetPatternIndex() const { return m_PatternIndex; }
    int32_t GetPressCount() const { return m_PressCount; }

protected:
    // Buttons react on the client rectangle only.
    bool HitTest(const GxVector3& origin, float x, float y) const override { return IsHit(origin, x, y); }
    void OnStandardPress(const GxMousePoint& pt) override;

    // The picture Draw shows: by the own enabled flag, the slot of m_ImageIndex or off.
    virtual const GxNcOriginImage* PictureToDraw() const;
    // The picture with the actor's transform, colours and blend, at alpha alpha x m_Alpha / 255.
    void DrawPicture(float alpha);
    // The key of DrawPicture(alpha).
    void AppendPictureKey(GxDrawKey& key, float alpha);
    // The lookup with the class's suffixes and messages; slotCount 4 or 6. Leaves the slots as
    // found (every one null when the set or the off picture is missing).
    bool FindImages(int32_t slotCount, const char16_t* setMissingFormat, const char16_t* imageMissingFormat);
    // Size and client defaults from the off picture.
    void ApplySizeDefaults();

    std::u16string m_ImageName;
    std::u16string m_ImageSetName;
    GxNcOriginImage* m_Images[kImageSlotCount] = {};
    int32_t m_ImageIndex = 0;
    int32_t m_PatternIndex = 0;
    int32_t m_PressCount = 0;
};

class GxTaskUIToggleButtonIs : public GxTaskUIButtonIs
{
public:
    GxTaskUIToggleButtonIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName,
                           int32_t localIndex);
    ~GxTaskUIToggleButtonIs() override;

    // The picture follows the value and the hover: on-over, on, over or off.
    int Draw(int32_t param, int32_t layer) override;
    // Also for the radio buttons, which draw as toggles do.
    bool AppendDrawKey(GxDrawKey& key, int32_t param, int32_t layer) override;
    // The button's keys, then m_AutoToggleFlag.
    bool WriteContent(GxContentWriterBase& writer) override;
    bool ReadContent(GxContentReaderBase& reader) override;
    // All six suffixes; without an on picture the on slot shows the over picture and the over
    // slot the off picture.
    bool LoadImages() override;

    virtual void SetAutoToggleFlag(bool flag) { m_AutoToggleFlag = flag; }
    virtual bool GetAutoToggleFlag() const { return m_AutoToggleFlag; }

protected:
    // Flips the value when m_AutoToggleFlag is set; no press countdown.
    void OnStandardPress(const GxMousePoint& pt) override;
    // A disabled toggle shows on-not-available while on.
    const GxNcOriginImage* PictureToDraw() const override;
    // m_ImageIndex from the value and the hover.
    void UpdateToggleImageIndex();

    bool m_AutoToggleFlag = true;
};

class GxTaskUIRadioButtonIs : public GxTaskUIToggleButtonIs
{
public:
    GxTaskUIRadioButtonIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName,
                          int32_t localIndex);
    ~GxTaskUIRadioButtonIs() override;

    // Every radio button of this group under the same parent off, then this one on.
    virtual void Select();

protected:
    // Selects instead of flipping when m_AutoToggleFlag is set.
    void OnStandardPress(const GxMousePoint& pt) override;
};
