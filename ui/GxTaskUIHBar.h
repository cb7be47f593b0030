// The gauge bar: a back picture, a fill picture shown from the client rectangle's left edge up to
// the fraction of the range the shown value reaches, and a front picture on top. A value can be
// set at once or reached linearly over a number of milliseconds; the pointer only hovers and
// presses it, like a panel.
#pragma once

#include <cstdint>

#include "ui/GxTaskUISlider.h"

class GxTaskUIHBarIs : public GxTaskUISixImageIs
{
public:
    // Image slots; the third to fifth stay empty.
    enum : int32_t { Front = 0, Fill = 1, Back = 5 };

    GxTaskUIHBarIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex);

    // Runs a timed change down by the step's milliseconds; the hover ends on the whole
    // rectangle. No tip help.
    int Update(int32_t step, int64_t elapsed) override;
    // Back, the clipped fill, front.
    int Draw(int32_t param, int32_t layer) override;
    int OnMouseMove(const GxMousePoint& pt, uint32_t keyState) override;
    int OnMouseLeftDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick) override;
    // The base fields, then the picture names, image and pattern index and the timed change;
    // reading drops the pictures (found again by the next load) and the pointer state.
    bool WriteContent(GxContentWriterBase& writer) override;
    bool ReadContent(GxContentReaderBase& reader) override;

    // Front, fill and back; sizes from the fill. False when the set or the fill is missing.
    bool LoadImages() override;
    // Clamped (NaN becomes the minimum), shown at once; any timed change ends.
    void SetValue(double value) override;
    // The new end; the target and the start of a running change are kept inside, and the
    // change goes on.
    void SetMax(double value) override;
    void SetMin(double value) override;

    // Runs from the value shown now to the clamped target over ms milliseconds; ms <= 0 shows
    // the target from the next update on. GetValue is the target throughout.
    virtual void SetValueIntTimed(int32_t value, int32_t ms) { SetValueTimed(static_cast<double>(value), ms); }
    virtual void SetValueTimed(double value, int32_t ms);
    virtual void FinishChange();
    virtual bool IsChanging() const { return m_ChangeTimeLeft > 0; }
    virtual int32_t GetImageIndex() const { return m_ImageIndex; }
    // Stored unchecked: an index outside the fill's patterns draws no fill.
    virtual void SetPatternIndex(int32_t index) { m_PatternIndex = index; }
    virtual int32_t GetPatternIndex() const { return m_PatternIndex; }
    // Patterns of the fill picture; 0 without one.
    virtual int32_t GetPatternCount() const;

    // The value on its way to the target.
    double GetShownValue() const;
    // Pixels of the fill: the shown fraction of the client width, truncated, within
    // 0..client width (0 for an empty range or a value that is no number).
    int32_t GetFillWidth() const;
    double GetOldValue() const { return m_OldValue; }
    int32_t GetChangeTimeLeft() const { return m_ChangeTimeLeft; }
    int32_t GetChangeTimeTotal() const { return m_ChangeTimeTotal; }

protected:
    double Clamp(double value) const;
    bool ChangeRunning() const { return m_ChangeTimeTotal > 0 && m_ChangeTimeLeft != 0; }

    double m_OldValue = 0.0;
    int32_t m_ChangeTimeLeft = 0;
    int32_t m_ChangeTimeTotal = 0;
};
