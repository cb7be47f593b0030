#include "ui/GxTaskUISlider.h"

#include <cmath>

#include "app/DBUIModule.h"
#include "core/GxLog.h"
#include "graphics/GxGraphics.h"
#include "layer/GxNcImageSet.h"
#include "core/GxInterpolate.h"

namespace {

// Point sampling: widget pictures are drawn pixel for pixel.
constexpr uint32_t kPointFilter = 1;
// The knob slide's power curve: the knob keeps t^81 of the remaining distance.
constexpr float kSlideCurve = -20.0f;

}  // namespace

// ---- GxTaskUISixImageIs ----

GxTaskUISixImageIs::GxTaskUISixImageIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName,
                                       int32_t localIndex)
    : GxTaskUIBase(parent, taskName, localName, localIndex)
{
}

GxTaskUISixImageIs::~GxTaskUISixImageIs() { GxTaskUISixImageIs::ReleaseImages(); }

void GxTaskUISixImageIs::ApplyModule(const DBUIModuleData& module)
{
    GxTaskUIBase::ApplyModule(module);
    m_ImageSetName = GxUIImageSetFolder() + module.ImageSetName + u".gis";
    m_ImageName = module.ImageName;
}

bool GxTaskUISixImageIs::LoadImageSet(const std::u16string& path)
{
    GxUISplitImageSetPath(path, m_ImageSetName, m_ImageName);
    return true;
}

void GxTaskUISixImageIs::ReleaseImages()
{
    for (GxNcOriginImage*& image : m_pImages) image = nullptr;
}

bool GxTaskUISixImageIs::FindImages(const char16_t* setMissingFormat, const char16_t* const (&suffixes)[kImageCount])
{
    // A set the pool dropped since the last load must leave no pointer behind.
    ReleaseImages();
    GxNcCrammedImageSet* set = GxNcImageSetPool::Find(m_ImageSetName);
    if (!set) {
        std::u16string debug;
        GetTaskDebugString(debug);
        GxPrintErrorLog(setMissingFormat, m_ImageSetName, debug);
        return false;
    }
    for (int32_t i = 0; i < kImageCount; ++i) {
        if (suffixes[i]) m_pImages[i] = set->FindOriginImage(m_ImageName + suffixes[i]);
    }
    return true;
}

void GxTaskUISixImageIs::LogImageMissing(const char16_t* imageMissingFormat, const char16_t* suffix)
{
    std::u16string debug;
    GetTaskDebugString(debug);
    GxPrintErrorLog(imageMissingFormat, m_ImageName + suffix, debug);
}

void GxTaskUISixImageIs::ApplyClientDefaults()
{
    if (m_ClientWidth == 0) m_ClientWidth = m_Width - 2 * m_ClientLeft;
    if (m_ClientHeight == 0) m_ClientHeight = m_Height - 2 * m_ClientTop;
}

// ---- GxTaskUISliderIs ----

GxTaskUISliderIs::GxTaskUISliderIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName,
                                   int32_t localIndex, bool vertical)
    : GxTaskUISixImageIs(parent, taskName, localName, localIndex), m_Vertical(vertical)
{
    m_Max = 100.0;
    m_DragStartValue = m_Value;
}

GxTaskUIHSliderIs::GxTaskUIHSliderIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName,
                                     int32_t localIndex)
    : GxTaskUISliderIs(parent, taskName, localName, localIndex, false)
{
    SetTaskType(GxUIModuleType::HSliderIs);
}

GxTaskUIVSliderIs::GxTaskUIVSliderIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName,
                                     int32_t localIndex)
    : GxTaskUISliderIs(parent, taskName, localName, localIndex, true)
{
    SetTaskType(GxUIModuleType::VSliderIs);
}

// A track of no length maps like an empty range, so no division by zero reaches the value.
double GxTaskUISliderIs::ValueToPos(double value) const
{
    const double w = TrackLength();
    if (m_Min == m_Max || w <= 0.0) return 0.0;
    const double p = (value - m_Min) / (m_Max - m_Min) * w;
    if (p < 0.0) return 0.0;
    if (p > w) return w;
    return std::isnan(p) ? 0.0 : p;
}

double GxTaskUISliderIs::PosToValue(double pos) const
{
    const double w = TrackLength();
    if (m_Min == m_Max || w <= 0.0) return m_Min;
    if (pos < 0.0) return m_Min;
    if (pos > w) return m_Max;
    return pos / w * (m_Max - m_Min) + m_Min;
}

double GxTaskUISliderIs::PixelsToValueDelta(double pixels) const
{
    const double w = TrackLength();
    if (m_Min == m_Max || w <= 0.0) return 0.0;
    return pixels / (w / (m_Max - m_Min));
}

double GxTaskUISliderIs::Clamp(double value) const
{
    if (std::isnan(value) || value < m_Min) return m_Min;
    if (value > m_Max) return m_Max;
    return value;
}

void GxTaskUISliderIs::SetKnobTarget(float pos)
{
    if (m_Vertical) {
        m_KnobPos.x = 0.0f;
        m_KnobPos.y = pos;
    } else {
        m_KnobPos.x = pos;
        m_KnobPos.y = 0.0f;
    }
}

void GxTaskUISliderIs::SetValue(double value)
{
    m_Value = Clamp(value);
    SetKnobTarget(static_cast<float>(ValueToPos(m_Value)));
    m_KnobDrawPos = m_KnobPos;
}

void GxTaskUISliderIs::SetMax(double value)
{
    m_Max = value;
    if (m_Value < m_Min)
        m_Value = m_Min;
    else if (m_Value > value)
        m_Value = value;
    SetValue(m_Value);
}

void GxTaskUISliderIs::SetMin(double value)
{
    m_Min = value;
    if (m_Value < value)
        m_Value = value;
    else if (m_Value > m_Max)
        m_Value = m_Max;
    SetValue(m_Value);
}

bool GxTaskUISliderIs::IsHit(const GxVector3& origin, float x, float y) const
{
    const float k = static_cast<float>(HalfKnob());
    float l = origin.x + static_cast<float>(m_ClientLeft);
    float t = origin.y + static_cast<float>(m_ClientTop);
    float r = l + static_cast<float>(m_ClientWidth);
    float b = t + static_cast<float>(m_ClientHeight);
    if (m_Vertical) {
        t -= k;
        b += k;
    } else {
        l -= k;
        r += k;
    }
    return l <= x && x < r && t <= y && y < b;
}

bool GxTaskUISliderIs::IsHitKnob(const GxVector3& origin, float x, float y) const
{
    if (!IsHit(origin, x, y)) return false;
    const float k = static_cast<float>(HalfKnob());
    const float c = Along(origin.x, origin.y) + static_cast<float>(TrackStart()) + GetKnobPos();
    const float p = Along(x, y);
    return c - k <= p && p <= c + k;
}

void GxTaskUISliderIs::ResetEventState()
{
    GxTaskUIBase::ResetEventState();
    ResetDragState();
    m_SlideCount = 0;
    m_DragStartValue = m_Value;
    m_KnobDrawPos = m_KnobPos;
}

bool GxTaskUISliderIs::LoadImages()
{
    static const char16_t* const kSuffixes[kImageCount] = {u"_off.png", u"_on.png",   u"_over.png",
                                                           u"_na.png",  u"_back.png", u"_backna.png"};
    const char16_t* setMissing = m_Vertical ? u"GxTaskUIVSliderIs/ImageSet wasn't Loaded:%s [%s]\n"
                                            : u"GxTaskUIHSliderIs/ImageSet wasn't Loaded:%s [%s]\n";
    const char16_t* imageMissing = m_Vertical ? u"GxTaskUIVSliderIs/Image not found:%s [%s]\n"
                                              : u"GxTaskUIHSliderIs/Image not found:%s [%s]\n";
    if (!FindImages(setMissing, kSuffixes)) return false;
    if (!m_pImages[Normal]) {
        LogImageMissing(imageMissing, kSuffixes[Normal]);
        return false;
    }
    if (!m_pImages[Pressed]) m_pImages[Pressed] = m_pImages[Hovered];
    if (!m_pImages[Disabled]) m_pImages[Disabled] = m_pImages[Normal];
    if (!m_pImages[BackDisabled]) m_pImages[BackDisabled] = m_pImages[Back];

    if (m_pImages[Back] && !m_pImages[Back]->m_PatternArray.empty()) {
        const GxNcCrammedPattern& first = m_pImages[Back]->m_PatternArray.front();
        if (m_Width == 0) m_Width = first.m_Width;
        if (m_Height == 0) m_Height = first.m_Height;
    }
    ApplyClientDefaults();
    const bool knobPattern = !m_pImages[Normal]->m_PatternArray.empty();
    m_KnobWidth = knobPattern ? m_pImages[Normal]->m_PatternArray.front().m_Width : 0;
    m_KnobHeight = knobPattern ? m_pImages[Normal]->m_PatternArray.front().m_Height : 0;
    SetKnobTarget(static_cast<float>(ValueToPos(m_Value)));
    m_KnobDrawPos = m_KnobPos;
    return true;
}

void GxTaskUISliderIs::ReportValueChange(float x, float y)
{
    m_EventState = GxUIEventType::ValueChange;
    if (IsEventReportFlag(GxUIEventType::ValueChange)) PostPointerEvent(GxUIEventType::ValueChange, x, y);
    if (m_LinkedWidget) m_LinkedWidget->SetValue(m_Value);
}

int GxTaskUISliderIs::OnMouseMove(const GxMousePoint& pt, uint32_t keyState)
{
    (void)keyState;
    if (!IsUIInputEnabled()) return 0;
    const GxVector3 origin = GetAbsolutePos();
    if (!m_Dragging) {
        if (m_HoverCount == 0 && IsHit(origin, pt.x, pt.y)) {
            m_HoverCount = 1;
            m_EventState = GxUIEventType::MouseOver;
            if (IsEventReportFlag(GxUIEventType::MouseOver)) PostPointerEvent(GxUIEventType::MouseOver, pt.x, pt.y);
        }
    } else {
        // Every move of a drag reports, also while the pointer is past an end and the value
        // stays at the limit.
        const float grab = m_Vertical ? m_DragPos1[1] : m_DragPos1[0];
        m_Value = Clamp(m_DragStartValue + PixelsToValueDelta(static_cast<double>(Along(pt.x, pt.y) - grab)));
        SetKnobTarget(static_cast<float>(ValueToPos(m_Value)));
        m_KnobDrawPos = m_KnobPos;
        ReportValueChange(pt.x, pt.y);
    }
    return m_EventBlockFlag && IsHit(origin, pt.x, pt.y) ? 1 : 0;
}

int GxTaskUISliderIs::OnMouseLeftDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick)
{
    (void)keyState; (void)doubleClick;
    if (!IsUIInputEnabled()) return 0;
    const GxVector3 origin = GetAbsolutePos();
    if (!IsHit(origin, pt.x, pt.y)) return 0;
    const bool onKnob = IsHitKnob(origin, pt.x, pt.y);
    if (!onKnob) {
        // The knob centre goes under the pointer; the drawn knob slides there in the updates.
        const double pos = static_cast<double>(Along(pt.x - origin.x, pt.y - origin.y)) - TrackStart();
        m_Value = Clamp(PosToValue(pos));
        SetKnobTarget(std::trunc(static_cast<float>(ValueToPos(m_Value))));
        m_SlideCount = kSlideUpdates;
    }
    m_Dragging = true;
    m_DragPos0[0] = m_DragPos1[0] = pt.x;
    m_DragPos0[1] = m_DragPos1[1] = pt.y;
    m_DragStartValue = m_Value;
    if (!onKnob) ReportValueChange(pt.x, pt.y);
    return m_EventBlockFlag ? 1 : 0;
}

int GxTaskUISliderIs::OnMouseLeftUp(const GxMousePoint& pt, uint32_t keyState)
{
    (void)pt; (void)keyState;
    m_Dragging = false;
    return 0;
}

int GxTaskUISliderIs::Update(int32_t step, int64_t elapsed)
{
    (void)step;
    const int32_t ms = ElapsedToMilliseconds(elapsed);
    UpdateAction(ms);
    UpdateHoverEnd(true);
    if (m_SlideCount != 0) {
        const float t = static_cast<float>(m_SlideCount) / 100.0f;
        m_KnobDrawPos = GxVector3(GxInterpolatePowerEase(t, kSlideCurve, m_KnobPos.x, m_KnobDrawPos.x),
                                  GxInterpolatePowerEase(t, kSlideCurve, m_KnobPos.y, m_KnobDrawPos.y),
                                  GxInterpolatePowerEase(t, kSlideCurve, m_KnobPos.z, m_KnobDrawPos.z), 0.0f);
        --m_SlideCount;
        if (m_SlideCount == 0) m_KnobDrawPos = m_KnobPos;
    }
    m_ImageIndex = m_Dragging ? Pressed : (m_HoverCount != 0 ? Hovered : Normal);
    UpdateTipHelp(ms);
    // The event state keeps the last pointer event's code.
    return 0;
}

int GxTaskUISliderIs::Draw(int32_t param, int32_t layer)
{
    (void)param; (void)layer;
    if (!IsUIVisible()) return 0;
    const GxActorVisualParam& v = m_Visual;
    const GxVector3 origin = GetAbsolutePos();
    const GxVector3 rotation = GxDegreesToRadians(v.m_Rot);
    GxMatrix back;
    back.SetWorld(v.m_Scale, origin, rotation, v.m_CenterPos);

    // The knob turns and scales about its own top-left corner.
    float kx, ky;
    if (m_Vertical) {
        kx = static_cast<float>(m_ClientLeft + m_ClientWidth / 2 - m_KnobWidth / 2);
        ky = std::trunc(static_cast<float>(m_ClientTop) + m_KnobDrawPos.y - static_cast<float>(m_KnobHeight / 2));
    } else {
        kx = std::trunc(static_cast<float>(m_ClientLeft) + m_KnobDrawPos.x - static_cast<float>(m_KnobWidth / 2));
        ky = static_cast<float>(m_ClientTop + m_ClientHeight / 2 - m_KnobHeight / 2);
    }
    GxMatrix knobMatrix;
    knobMatrix.SetWorld(v.m_Scale, GxVector3(origin.x + kx, origin.y + ky, origin.z + m_KnobDrawPos.z), rotation,
                        GxVector3());

    GxGraphics::BeginScene();
    GxGraphics::SetDefaultRenderState();
    GxGraphics::SetTextureFilter(kPointFilter);
    const GxNcOriginImage* knob;
    const GxNcOriginImage* track;
    if (IsEnabled() && m_Min < m_Max) {
        const bool valid = m_ImageIndex >= 0 && m_ImageIndex < kImageCount;
        knob = valid && m_pImages[m_ImageIndex] ? m_pImages[m_ImageIndex] : m_pImages[Normal];
        track = m_pImages[Back];
    } else {
        knob = m_pImages[Disabled];
        track = m_pImages[BackDisabled];
    }
    const GxFColor diffuse(v.m_Color0.r, v.m_Color0.g, v.m_Color0.b,
                           v.m_Color0.a * static_cast<float>(v.m_Alpha) / 255.0f);
    if (track) GxDrawCrammedPattern(track, m_PatternIndex, back, diffuse, v.m_Color1, v.m_BlendMode);
    if (knob) GxDrawCrammedPattern(knob, m_PatternIndex, knobMatrix, diffuse, v.m_Color1, v.m_BlendMode);
    GxGraphics::EndScene();
    return 0;
}
