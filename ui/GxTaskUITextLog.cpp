#include "ui/GxTaskUITextLog.h"

#include <algorithm>

#include "app/DBUIModule.h"
#include "app/GxCore.h"
#include "core/GxCharClass.h"
#include "core/GxContentReader.h"
#include "core/GxContentWriter.h"
#include "core/GxLog.h"
#include "core/GxMath.h"
#include "graphics/GxFontGlobals.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxTextureFlex.h"
#include "ui/GxUISettings.h"

namespace {

// Point sampling: text and pictures are drawn pixel for pixel.
constexpr uint32_t kPointFilter = 1;

const GxUISettings& Settings()
{
    static const GxUISettings builtIn;
    GxCore* core = GxGetCore();
    const GxUISettings* sc = core ? core->GetUISettings() : nullptr;
    return sc ? *sc : builtIn;
}

// A colour with its alpha scaled by the actor's alpha.
uint32_t WithActorAlpha(uint32_t argb, int32_t alpha)
{
    GxFColor c = GxUnpackColorArgb(argb);
    return GxPackColorArgb(c.r, c.g, c.b, c.a * static_cast<float>(alpha) / 255.0f);
}

// The actor's colour 1 with alpha m_Alpha x its own alpha / 255, as the drawn panel uses it.
uint32_t SpecularArgb(const GxActorVisualParam& v)
{
    const GxFColor& c = v.m_Color1;
    return GxPackColorArgb(c.r, c.g, c.b, c.a * static_cast<float>(v.m_Alpha) / 255.0f);
}

bool ValidTextFont(int32_t index) { return index >= 0 && index < GxUISettings::kFontSizeCount; }
bool ValidIconFont(int32_t index) { return index >= 0 && index < GX_FONTDATA_COUNT; }

}  // namespace

GxTaskUITextLogFx::GxTaskUITextLogFx(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName,
                                     int32_t localIndex)
    : GxTaskUIPanelFx(parent, taskName, localName, localIndex)
{
    SetTaskType(GxUIModuleType::TextLogFx);
    const GxUISettings& sc = Settings();
    m_TextFontSize = sc.m_FontSize[kDefaultTextFont];
    m_EdgeColor = sc.m_SystemEdgeColor;
}

GxTaskUITextLogFx::~GxTaskUITextLogFx() = default;

void GxTaskUITextLogFx::ApplyModule(const DBUIModuleData& module)
{
    GxTaskUIPanelFx::ApplyModule(module);
    SetTextFont(module.FontIndex);
}

void GxTaskUITextLogFx::SetTextFont(int32_t index)
{
    if (!ValidTextFont(index)) {
        std::u16string debug;
        GetTaskDebugString(debug);
        GxPrintErrorLog(u"GxTaskUITextLogFx/SetTextFont font index out of range:%d [%s]\n", index, debug);
        index = kDefaultTextFont;
    }
    m_TextFontIndex = index;
    m_TextFontSize = Settings().m_FontSize[index];
}

void GxTaskUITextLogFx::SetIconFont(int32_t index)
{
    if (!ValidIconFont(index)) {
        std::u16string debug;
        GetTaskDebugString(debug);
        GxPrintErrorLog(u"GxTaskUITextLogFx/SetIconFont font index out of range:%d [%s]\n", index, debug);
        index = kDefaultIconFont;
    }
    m_IconFontIndex = index;
}

void GxTaskUITextLogFx::SetText(const char16_t* text) { AddText(text, u"", m_TextColor); }

void GxTaskUITextLogFx::AddText(const char16_t* text, const char16_t* icon, uint32_t argb)
{
    // A fresh log waits a full interval before its first removal.
    if (m_Lines.empty()) m_CrossoutCount = 0;
    GxTextLogElement line;
    line.m_Icon = icon ? icon : u"";
    line.m_Text = text ? text : u"";
    line.m_TextColor = argb;
    m_Lines.push_back(std::move(line));
    TrimLines(m_MaxLine);
    if (m_pScrollBar) ScrollBarMax();
    if (m_AutoScroll) {
        const int32_t count = GetLineCount();
        // The view size may come from stored data: the difference saturates rather than overflow.
        SetValueInt(count > m_MaxView ? GxTruncToInt32(static_cast<double>(count) - m_MaxView) : 0);
        if (m_pScrollBar) m_pScrollBar->SetValueInt(GetValueInt());
    }
}

void GxTaskUITextLogFx::TrimLines(int32_t max)
{
    if (max <= 0) return;
    while (m_Lines.size() > static_cast<size_t>(max)) m_Lines.pop_front();
}

void GxTaskUITextLogFx::ScrollBarMax()
{
    m_pScrollBar->SetMax(static_cast<double>(std::max(GetLineCount() - 1, 0)));
}

void GxTaskUITextLogFx::SyncScrollBar()
{
    if (!m_pScrollBar) return;
    ScrollBarMax();
    m_pScrollBar->SetValue(GetValue());
}

void GxTaskUITextLogFx::OnSequenceEnter()
{
    GxTaskUIBase::OnSequenceEnter();
    SyncScrollBar();
    m_CrossoutCount = 0;
}

int GxTaskUITextLogFx::Update(int32_t step, int64_t elapsed)
{
    if (m_AutoCrossout && !m_Lines.empty()) {
        // In 64 bits and saturated: the interval and the count may come from a save.
        int64_t count = static_cast<int64_t>(m_CrossoutCount) + ElapsedToMilliseconds(elapsed);
        bool remove = false;
        if (count >= m_CrossoutWaitTime) {
            count -= m_CrossoutWaitTime;
            remove = true;
        }
        m_CrossoutCount = static_cast<int32_t>(std::clamp<int64_t>(count, INT32_MIN, INT32_MAX));
        if (remove) {
            m_Lines.pop_front();
            SyncScrollBar();
        }
    }
    return GxTaskUIPanelFx::Update(step, elapsed);
}

int GxTaskUITextLogFx::Draw(int32_t param, int32_t layer)
{
    (void)param; (void)layer;
    if (!IsUIVisible()) return 0;
    const GxActorVisualParam& v = m_Visual;
    const GxVector3 pos = GetAbsolutePos();
    const GxVector2 scale(v.m_Scale.x, v.m_Scale.y);
    GxGraphics::BeginScene();
    GxGraphics::SetDefaultRenderState();
    GxGraphics::SetTextureFilter(kPointFilter);
    if (m_pTexture) {
        // The drawn panel's picture, as the panel draws it.
        const float w = static_cast<float>(m_pTexture->GetImageWidth());
        const float h = static_cast<float>(m_pTexture->GetImageHeight());
        const GxVector2 pivot(w != 0.0f ? v.m_CenterPos.x / w : 0.0f, h != 0.0f ? v.m_CenterPos.y / h : 0.0f);
        GxGraphics::DrawTextureFlex(m_pTexture, pos.x, pos.y, scale, GxDegreesToRadians(v.m_Rot), pivot,
                                    v.GetColor0Argb(m_ImageAlpha), SpecularArgb(v), v.m_BlendMode);
    }
    const uint32_t textColor = WithActorAlpha(m_TextColor, v.m_Alpha);
    const uint32_t edgeColor = WithActorAlpha(m_EdgeColor, v.m_Alpha);
    GxFontData* iconFont = GxGetFontData(m_IconFontIndex);
    GxGDIFontMap* textFont = GxGetGDIFontMap(m_TextFontIndex);
    const int32_t size = m_TextFontSize;
    const int32_t iconHeight = iconFont ? iconFont->GetHeight() : 0;
    const int32_t spaceWidth = iconFont ? iconFont->GetGlyphWidth(u' ') : 0;
    auto screenX = [&](int64_t localX) { return pos.x + static_cast<float>(localX) * scale.x; };
    auto screenY = [&](int64_t localY) { return pos.y + static_cast<float>(localY) * scale.y; };

    // A negative top line compares as a huge index and shows nothing.
    const size_t first = static_cast<uint32_t>(GetValueInt());
    int64_t rowTop = 0;
    int32_t drawn = 0;
    for (size_t i = first; i < m_Lines.size() && drawn < m_MaxView; ++i, ++drawn, rowTop += size) {
        const GxTextLogElement& line = m_Lines[i];
        if (iconFont && !line.m_Icon.empty())
            GxGraphics::DrawTextFontData(iconFont, line.m_Icon, screenX(m_ClientLeft),
                                         screenY(m_ClientTop + rowTop + (static_cast<int64_t>(size) - iconHeight) / 2), scale, GxVector3(),
                                         GxVector2(), 0xFFFFFFFFu, 0, v.m_BlendMode);
        if (!textFont) continue;
        int64_t x = static_cast<int64_t>(line.m_Icon.size()) * spaceWidth;
        for (char16_t ch : line.m_Text) {
            const GxGlyphRecord glyph = textFont->GetGlyph(ch);
            const float gx = screenX(m_ClientLeft + x), gy = screenY(m_ClientTop + rowTop);
            x += static_cast<int64_t>(GxGetCharWidth(ch)) * size / 2 + 1;
            if (!glyph.texture) continue;
            // A log saved without outline still shows its text, only plain.
            if (m_UseEdge) GxGraphics::DrawGlyphEdge(glyph, gx, gy, 1.0f, scale, edgeColor, 0, v.m_BlendMode);
            GxGraphics::DrawGlyph(glyph, gx, gy, scale, textColor, 0, v.m_BlendMode);
        }
    }
    GxGraphics::EndScene();
    return 0;
}

bool GxTaskUITextLogFx::WriteContent(GxContentWriterBase& w)
{
    GxTaskUIPanelFx::WriteContent(w);
    w.WriteGxS32("m_TextFontIndex", m_TextFontIndex);
    w.WriteGxS32("m_TextFontSize", m_TextFontSize);
    w.WriteGxU32("m_TextColor", m_TextColor);
    w.WriteGxU32("m_EdgeColor", m_EdgeColor);
    w.WriteGxBool("m_UseEdge", m_UseEdge);
    w.WriteGxS32("m_MaxLine", m_MaxLine);
    w.WriteGxS32("m_MaxView", m_MaxView);
    w.WriteGxBool("m_AutoScroll", m_AutoScroll);
    w.WriteGxBool("m_AutoCrossout", m_AutoCrossout);
    w.WriteGxS32("m_CrossoutWaitTime", m_CrossoutWaitTime);
    w.WriteGxS32("m_CrossoutCount", m_CrossoutCount);
    w.WriteListBegin("GxTextLogElement", "", static_cast<uint32_t>(m_Lines.size()));
    for (const GxTextLogElement& line : m_Lines) {
        w.WriteListItemBegin();
        w.WriteGxStringStdW("m_Icon", line.m_Icon);
        w.WriteGxStringStdW("m_Text", line.m_Text);
        w.WriteGxStringStdW("m_Link", line.m_Link);
        w.WriteGxU32("m_TextColor", line.m_TextColor);
        w.WriteListItemEnd();
    }
    w.WriteListEnd();
    return w.GetErrorCount() == 0;
}

bool GxTaskUITextLogFx::ReadContent(GxContentReaderBase& r)
{
    GxTaskUIPanelFx::ReadContent(r);
    r.ReadGxS32("m_TextFontIndex", m_TextFontIndex);
    r.ReadGxS32("m_TextFontSize", m_TextFontSize);
    r.ReadGxU32("m_TextColor", m_TextColor);
    r.ReadGxU32("m_EdgeColor", m_EdgeColor);
    r.ReadGxBool("m_UseEdge", m_UseEdge);
    r.ReadGxS32("m_MaxLine", m_MaxLine);
    r.ReadGxS32("m_MaxView", m_MaxView);
    r.ReadGxBool("m_AutoScroll", m_AutoScroll);
    r.ReadGxBool("m_AutoCrossout", m_AutoCrossout);
    r.ReadGxS32("m_CrossoutWaitTime", m_CrossoutWaitTime);
    r.ReadGxS32("m_CrossoutCount", m_CrossoutCount);
    // A stored font outside the atlases would draw from no font at all.
    if (!ValidTextFont(m_TextFontIndex)) SetTextFont(m_TextFontIndex);
    m_Lines.clear();
    uint32_t count = 0;
    // The reader refuses a count beyond the bytes that remain; lines are still made one by one
    // so that damaged data ends the list at its first bad line.
    if (r.ReadListBegin("GxTextLogElement", count)) {
        for (uint32_t i = 0; i < count; ++i) {
            const int errors = r.GetErrorCount();
            GxTextLogElement& line = m_Lines.emplace_back();
            r.ReadListItemBegin();
            r.ReadGxStringStdW("m_Icon", line.m_Icon);
            r.ReadGxStringStdW("m_Text", line.m_Text);
            r.ReadGxStringStdW("m_Link", line.m_Link);
            r.ReadGxU32("m_TextColor", line.m_TextColor);
            r.ReadListItemEnd();
            if (r.GetErrorCount() != errors) {
                m_Lines.pop_back();
                break;
            }
        }
        r.ReadListEnd();
    }
    if (m_pScrollBar) {
        ScrollBarMax();
        m_pScrollBar->SetValueInt(GetValueInt());
    }
    return r.GetErrorCount() == 0;
}
