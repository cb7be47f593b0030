#include "ui/GxTaskUIHBar.h"

#include <cmath>

#include "core/GxContentReader.h"
#include "core/GxContentWriter.h"
#include "graphics/GxGraphics.h"
#include "layer/GxNcImageSet.h"

namespace {

// Point sampling: widget pictures are drawn pixel for pixel.
constexpr uint32_t kPointFilter = 1;

}  // namespace

GxTaskUIHBarIs::GxTaskUIHBarIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName,
                               int32_t localIndex)
    : GxTaskUISixImageIs(parent, taskName, localName, localIndex)
{
    SetTaskType(GxUIModuleType::HBarIs);
    // A gauge lets the pointer through unless its screen says otherwise.
    m_EventBlockFlag = false;
}

double GxTaskUIHBarIs::Clamp(double value) const
{
    if (std::isnan(value) || value < m_Min) return m_Min;
    if (value > m_Max) return m_Max;
    return value;
}

void GxTaskUIHBarIs::SetValue(double value)
{
    m_Value = Clamp(value);
    m_ChangeTimeLeft = 0;
    m_ChangeTimeTotal = 0;
    m_OldValue = m_Value;
}

void GxTaskUIHBarIs::SetValueTimed(double value, int32_t ms)
{
    // A change that is still running restarts from what the bar shows now, so the gauge never
    // jumps back.
    if (ChangeRunning()) m_OldValue = GetShownValue();
    m_Value = Clamp(value);
    m_ChangeTimeLeft = m_ChangeTimeTotal = ms;
}

void GxTaskUIHBarIs::FinishChange()
{
    m_OldValue = m_Value;
    m_ChangeTimeLeft = m_ChangeTimeTotal = 0;
}

void GxTaskUIHBarIs::SetMax(double value)
{
    m_Max = value;
    if (m_Value < m_Min)
        m_Value = m_Min;
    else if (m_Value > value)
        m_Value = value;
    if (m_OldValue < m_Min)
        m_OldValue = m_Min;
    else if (m_OldValue > value)
        m_OldValue = value;
}

void GxTaskUIHBarIs::SetMin(double value)
{
    m_Min = value;
    if (m_Value < value)
        m_Value = value;
    else if (m_Value > m_Max)
        m_Value = m_Max;
    if (m_OldValue < value)
        m_OldValue = value;
    else if (m_OldValue > m_Max)
        m_OldValue = m_Max;
}

double GxTaskUIHBarIs::GetShownValue() const
{
    if (!ChangeRunning()) return m_Value;
    const float f = static_cast<float>(m_ChangeTimeTotal - m_ChangeTimeLeft) / static_cast<float>(m_ChangeTimeTotal);
    return (1.0 - f) * m_OldValue + f * m_Value;
}

int32_t GxTaskUIHBarIs::GetFillWidth() const
{
    if (m_Max == m_Min || m_ClientWidth <= 0) return 0;
    // Stored values may be anything: the fill stays inside the client rectangle.
    const double w = (GetShownValue() - m_Min) / (m_Max - m_Min) * m_ClientWidth;
    if (std::isnan(w) || w <= 0.0) return 0;
    if (w >= m_ClientWidth) return m_ClientWidth;
    return static_cast<int32_t>(w);
}

int32_t GxTaskUIHBarIs::GetPatternCount() const
{
    return m_pImages[Fill] ? m_pImages[Fill]->GetPatternCount() : 0;
}

bool GxTaskUIHBarIs::LoadImages()
{
    static const char16_t* const kSuffixes[kImageCount] = {u"_front.png", u"_on.png", nullptr,
                                                           nullptr,       nullptr,    u"_back.png"};
    if (!FindImages(u"GxTaskUIHBarIs/ImageSet wasn't Loaded:%s [%s]\n", kSuffixes)) return false;
    if (!m_pImages[Fill]) {
        LogImageMissing(u"GxTaskUIHBarIs/Image not found:%s [%s]\n", kSuffixes[Fill]);
        return false;
    }
    if (!m_pImages[Fill]->m_PatternArray.empty()) {
        const GxNcCrammedPattern& first = m_pImages[Fill]->m_PatternArray.front();
        if (m_Width == 0) m_Width = first.m_Width;
        if (m_Height == 0) m_Height = first.m_Height;
    }
    ApplyClientDefaults();
    return true;
}

int GxTaskUIHBarIs::Update(int32_t step, int64_t elapsed)
{
    (void)step;
    const int32_t ms = ElapsedToMilliseconds(elapsed);
    UpdateAction(ms);
    if (m_ChangeTimeTotal != 0) {
        // In 64 bits: a restored countdown near the 32-bit floor must not wrap.
        const int64_t left = static_cast<int64_t>(m_ChangeTimeLeft) - ms;
        if (left > 0) {
            m_ChangeTimeLeft = static_cast<int32_t>(left);
        } else {
            m_ChangeTimeLeft = m_ChangeTimeTotal = 0;
            m_OldValue = m_Value;
        }
    } else {
        m_OldValue = m_Value;
    }
    UpdateHoverEnd(true);
    return 0;
}

int GxTaskUIHBarIs::OnMouseMove(const GxMousePoint& pt, uint32_t keyState)
{
    (void)keyState;
    return StandardMouseMove(pt);
}

int GxTaskUIHBarIs::OnMouseLeftDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick)
{
    (void)keyState; (void)doubleClick;
    return StandardLeftDown(pt);
}

int GxTaskUIHBarIs::Draw(int32_t param, int32_t layer)
{
    (void)param; (void)layer;
    if (!IsUIVisible()) return 0;
    const GxActorVisualParam& v = m_Visual;
    const GxVector3 origin = GetAbsolutePos();
    const GxVector3 rotation = GxDegreesToRadians(v.m_Rot);
    GxMatrix world;
    world.SetWorld(v.m_Scale, origin, rotation, v.m_CenterPos);
    const GxFColor diffuse(v.m_Color0.r, v.m_Color0.g, v.m_Color0.b,
                           v.m_Color0.a * static_cast<float>(v.m_Alpha) / 255.0f);

    GxGraphics::BeginScene();
    GxGraphics::SetDefaultRenderState();
    GxGraphics::SetTextureFilter(kPointFilter);
    if (m_pImages[Back]) GxDrawCrammedPattern(m_pImages[Back], m_PatternIndex, world, diffuse, v.m_Color1, v.m_BlendMode);
    const int32_t fillWidth = GetFillWidth();
    const GxNcOriginImage* fill = m_pImages[Fill];
    if (fill && fillWidth > 0 && m_PatternIndex >= 0 && m_PatternIndex < fill->GetPatternCount()) {
        const GxNcCrammedPattern& p = fill->m_PatternArray[static_cast<size_t>(m_PatternIndex)];
        // The clipped part is placed at the pattern's own offset; this puts it at the client
        // rectangle's top-left.
        GxMatrix fillMatrix;
        fillMatrix.SetWorld(v.m_Scale,
                            GxVector3(origin.x + static_cast<float>(m_ClientLeft - p.m_CrammedOffsetLeft),
                                      origin.y + static_cast<float>(m_ClientTop - p.m_CrammedOffsetTop), origin.z),
                            rotation, v.m_CenterPos);
        const GxRect clip(m_ClientLeft, m_ClientTop, m_ClientLeft + fillWidth, m_ClientTop + m_ClientHeight);
        GxDrawCrammedPatternClipped(fill, m_PatternIndex, fillMatrix, diffuse, v.m_Color1, v.m_BlendMode, clip);
    }
    if (m_pImages[Front])
        GxDrawCrammedPattern(m_pImages[Front], m_PatternIndex, world, diffuse, v.m_Color1, v.m_BlendMode);
    GxGraphics::EndScene();
    return 0;
}

bool GxTaskUIHBarIs::WriteContent(GxContentWriterBase& w)
{
    GxTaskUIBase::WriteContent(w);
    w.WriteGxStringStdW("m_ImageName", m_ImageName);
    w.WriteGxStringStdW("m_ImageSetName", m_ImageSetName);
    w.WriteGxS32("m_ImageIndex", m_ImageIndex);
    w.WriteGxS32("m_PatternIndex", m_PatternIndex);
    w.WriteGxF64("m_OldValue", m_OldValue);
    w.WriteGxS32("m_ChangeTimeLeft", m_ChangeTimeLeft);
    w.WriteGxS32("m_ChangeTimeTotal", m_ChangeTimeTotal);
    return w.GetErrorCount() == 0;
}

bool GxTaskUIHBarIs::ReadContent(GxContentReaderBase& r)
{
    GxTaskUIBase::ReadContent(r);
    r.ReadGxStringStdW("m_ImageName", m_ImageName);
    r.ReadGxStringStdW("m_ImageSetName", m_ImageSetName);
    r.ReadGxS32("m_ImageIndex", m_ImageIndex);
    r.ReadGxS32("m_PatternIndex", m_PatternIndex);
    r.ReadGxF64("m_OldValue", m_OldValue);
    r.ReadGxS32("m_ChangeTimeLeft", m_ChangeTimeLeft);
    r.ReadGxS32("m_ChangeTimeTotal", m_ChangeTimeTotal);
    ReleaseImages();
    ResetEventState();
    return r.GetErrorCount() == 0;
}
