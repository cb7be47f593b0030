// The image-drawn value widgets: the sliders, whose knob the player drags along a back image (or
// clicks the track to jump), and, in GxTaskUIHBar.h, the gauge bar. Both take six pictures by
// suffix from one image set that the pool already holds; GxTaskUISixImageIs keeps those names
// and references.
#pragma once

#include <cstdint>
#include <string>

#include "ui/GxTaskUIBase.h"

struct GxNcOriginImage;

// Picture names and six image references shared by the sliders and the bar.
class GxTaskUISixImageIs : public GxTaskUIBase
{
public:
    static constexpr int32_t kImageCount = 6;

    GxTaskUISixImageIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex);
    ~GxTaskUISixImageIs() override;

    // The base part, then the set "<UI image-set folder><ImageSetName>.gis" and the image base
    // name.
    void ApplyModule(const DBUIModuleData& module) override;
    // "uigis/common/vol" names the images "vol_*.png" of "uigis/common.gis".
    bool LoadImageSet(const std::u16string& path) override;
    // Forgets the six references; the pool owns the images.
    void ReleaseImages() override;

    const std::u16string& GetImageName() const { return m_ImageName; }
    const std::u16string& GetImageSetName() const { return m_ImageSetName; }
    const GxNcOriginImage* GetImage(int32_t slot) const
    {
        return slot >= 0 && slot < kImageCount ? m_pImages[slot] : nullptr;
    }

protected:
    // Looks the set up in the pool and m_ImageName + each suffix (null for none) into its
    // slot; false, with the class's line (set name, debug string), when the set is not pooled.
    bool FindImages(const char16_t* setMissingFormat, const char16_t* const (&suffixes)[kImageCount]);
    // The class's line for a missing image (m_ImageName + suffix, debug string).
    void LogImageMissing(const char16_t* imageMissingFormat, const char16_t* suffix);
    // An unset client width (height) becomes the width (height) less twice the client offset.
    void ApplyClientDefaults();

    std::u16string m_ImageName;
    std::u16string m_ImageSetName;
    GxNcOriginImage* m_pImages[kImageCount] = {};
    int32_t m_ImageIndex = 0;
    int32_t m_PatternIndex = 0;
};

// One slider for both axes: the track is the client rectangle, its minimum at the left (top)
// end. Values are continuous doubles; the knob's place is a float along the track.
class GxTaskUISliderIs : public GxTaskUISixImageIs
{
public:
    // Image slots.
    enum : int32_t { Normal = 0, Pressed = 1, Hovered = 2, Disabled = 3, Back = 4, BackDisabled = 5 };
    static constexpr int32_t kSlideUpdates = 100;

    int Update(int32_t step, int64_t elapsed) override;
    int Draw(int32_t param, int32_t layer) override;
    int OnMouseMove(const GxMousePoint& pt, uint32_t keyState) override;
    int OnMouseLeftDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick) override;
    // Ends a drag wherever the pointer is; never consumes.
    int OnMouseLeftUp(const GxMousePoint& pt, uint32_t keyState) override;

    // The base reset, the drag state, the slide and the drawn knob.
    void ResetEventState() override;
    // The six images; sizes from the back, the knob size from the normal knob. False when the
    // set or the normal knob is missing.
    bool LoadImages() override;
    // Clamped into the range (NaN becomes the minimum); the knob jumps there.
    void SetValue(double value) override;
    // The new end, the value kept inside, the knob placed for the new range.
    void SetMax(double value) override;
    void SetMin(double value) override;
    // The client rectangle widened by half a knob along the track at both ends.
    bool IsHit(const GxVector3& origin, float x, float y) const override;

    // On the widget and within half a knob of the knob's target centre along the track.
    virtual bool IsHitKnob(const GxVector3& origin, float x, float y) const;
    // Value to track position (0..track length) and back, and a drag distance to a value
    // distance. A range or track without extent maps every value to 0, every position to
    // m_Min and every distance to 0.
    virtual double ValueToPos(double value) const;
    virtual double PosToValue(double pos) const;
    virtual double PixelsToValueDelta(double pixels) const;
    // A widget that receives every value the player sets (not owned).
    virtual void SetLinkedWidget(GxTaskUIBase* widget) { m_LinkedWidget = widget; }

    bool IsVertical() const { return m_Vertical; }
    int32_t GetImageIndex() const { return m_ImageIndex; }
    int32_t GetKnobWidth() const { return m_KnobWidth; }
    int32_t GetKnobHeight() const { return m_KnobHeight; }
    // The knob's target and drawn place on the track (the axis' coordinate).
    float GetKnobPos() const { return m_Vertical ? m_KnobPos.y : m_KnobPos.x; }
    float GetKnobDrawPos() const { return m_Vertical ? m_KnobDrawPos.y : m_KnobDrawPos.x; }
    int32_t GetSlideCount() const { return m_SlideCount; }

protected:
    GxTaskUISliderIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex,
                     bool vertical);

    bool HitTest(const GxVector3& origin, float x, float y) const override { return IsHit(origin, x, y); }

    // Along the track's axis.
    int32_t TrackLength() const { return m_Vertical ? m_ClientHeight : m_ClientWidth; }
    int32_t TrackStart() const { return m_Vertical ? m_ClientTop : m_ClientLeft; }
    int32_t HalfKnob() const { return (m_Vertical ? m_KnobHeight : m_KnobWidth) / 2; }
    float Along(float x, float y) const { return m_Vertical ? y : x; }
    // Sets the target's track coordinate (the other one 0; z and w kept).
    void SetKnobTarget(float pos);
    // The value clamped into the range; NaN becomes m_Min.
    double Clamp(double value) const;
    // A value the player set: event state, ValueChange record, linked widget.
    void ReportValueChange(float x, float y);

    const bool m_Vertical;
    int32_t m_KnobWidth = 0;
    int32_t m_KnobHeight = 0;
    GxVector3 m_KnobPos;
    GxVector3 m_KnobDrawPos;
    int32_t m_SlideCount = 0;
    double m_DragStartValue = 0.0;
    GxTaskUIBase* m_LinkedWidget = nullptr;
};

class GxTaskUIHSliderIs : public GxTaskUISliderIs
{
public:
    GxTaskUIHSliderIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex);
};

class GxTaskUIVSliderIs : public GxTaskUISliderIs
{
public:
    GxTaskUIVSliderIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex);
};
