#include "ui/GxTaskUIListBox.h"

#include <algorithm>
#include <cmath>

#include "app/DBUIModule.h"
#include "core/GxContentReader.h"
#include "core/GxContentWriter.h"
#include "core/GxLog.h"
#include "graphics/GxFontGlobals.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxRenderState.h"
#include "graphics/GxTextureFlex.h"
#include "ui/GxMessageLayout.h"
#include "ui/GxUIText.h"

namespace {

// Point sampling: text and pictures are drawn pixel for pixel.
constexpr uint32_t kPointFilter = 1;
constexpr int32_t kDefaultTextFont = 1;
// The bitmap fonts a prefix may name.
constexpr int32_t kPrefixFontCount = 9;

// The actor's colour 1 with alpha m_Alpha x its own alpha / 255, as the drawn panel uses it.
uint32_t SpecularArgb(const GxActorVisualParam& v)
{
    const GxFColor& c = v.m_Color1;
    return GxPackColorArgb(c.r, c.g, c.b, c.a * static_cast<float>(v.m_Alpha) / 255.0f);
}

// Channel by channel, as fractions of 255.
uint32_t MultiplyColors(uint32_t a, uint32_t b)
{
    const GxFColor ca = GxUnpackColorArgb(a), cb = GxUnpackColorArgb(b);
    return GxPackColorArgb(ca.r * cb.r, ca.g * cb.g, ca.b * cb.b, ca.a * cb.a);
}

int32_t CheckedPrefixFont(int32_t index)
{
    if (index >= 0 && index < kPrefixFontCount) return index;
    GxPrintErrorLog(u"GxTaskUIListBoxFx/AddItem: prefix font %d out of range, font 0 used\n", index);
    return 0;
}

}  // namespace

GxTaskUIListBoxFx::GxTaskUIListBoxFx(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName,
                                     int32_t localIndex)
    : GxTaskUIPanelFx(parent, taskName, localName, localIndex)
{
    SetTaskType(GxUIModuleType::ListBoxFx);
    m_TextFontSize = GxUIFontSize(kDefaultTextFont);
    m_EdgeColor = GxUISystemEdgeColor();
}

GxTaskUIListBoxFx::~GxTaskUIListBoxFx() = default;

void GxTaskUIListBoxFx::SetTextFont(int32_t index)
{
    if (!GxUIIsFontIndex(index)) {
        GxPrintErrorLog(u"GxTaskUIListBoxFx/SetTextFont: font %d out of range, font 1 used\n", index);
        index = kDefaultTextFont;
    }
    m_TextFontIndex = index;
    m_TextFontSize = GxUIFontSize(index);
}

void GxTaskUIListBoxFx::ApplyModule(const DBUIModuleData& module)
{
    GxTaskUIPanelFx::ApplyModule(module);
    SetTextFont(module.FontIndex);
}

bool GxTaskUIListBoxFx::LoadImages()
{
    const bool unsetWidth = m_ClientWidth == 0, unsetHeight = m_ClientHeight == 0;
    const bool loaded = GxTaskUIPanelFx::LoadImages();
    // The list keeps a margin at the left and the top only.
    if (unsetWidth) m_ClientWidth = GxMessageSaturate(static_cast<int64_t>(m_Width) - m_ClientLeft);
    if (unsetHeight) m_ClientHeight = GxMessageSaturate(static_cast<int64_t>(m_Height) - m_ClientTop);
    const int64_t lineHeight = LineHeight();
    if (m_VisibleLineCount == 0 && lineHeight > 0) m_VisibleLineCount = static_cast<int32_t>(m_ClientHeight / lineHeight);
    return loaded;
}

void GxTaskUIListBoxFx::OnSequenceEnter()
{
    GxTaskUIPanelFx::OnSequenceEnter();
    UpdateScrollBar();
}

int32_t GxTaskUIListBoxFx::MaxScroll() const
{
    const int64_t max = static_cast<int64_t>(m_ItemArray.size()) - m_VisibleLineCount;
    return max > 0 ? static_cast<int32_t>(std::min<int64_t>(max, INT32_MAX)) : 0;
}

void GxTaskUIListBoxFx::SetValue(double value)
{
    const double max = MaxScroll();
    m_Value = std::isnan(value) || value < 0.0 ? 0.0 : std::min(value, max);
}

void GxTaskUIListBoxFx::SetValueInt(int32_t value) { SetValue(static_cast<double>(value)); }
void GxTaskUIListBoxFx::SetValueBool(bool value) { SetValue(value ? 1.0 : 0.0); }

void GxTaskUIListBoxFx::UpdateScrollBar()
{
    if (!m_ScrollBar) return;
    m_ScrollBar->SetMax(MaxScroll());
    m_ScrollBar->SetValue(GetValue());
}

GxUIListItem* GxTaskUIListBoxFx::AddItem(const GxUIListItem& item)
{
    m_ItemArray.push_back(item);
    GxUIListItem& stored = m_ItemArray.back();
    stored.PrefixFontIndex = CheckedPrefixFont(stored.PrefixFontIndex);
    for (GxUIListItem& sub : stored.SubItems) sub.PrefixFontIndex = CheckedPrefixFont(sub.PrefixFontIndex);
    return &stored;
}

GxUIListItem* GxTaskUIListBoxFx::AddItem(const char16_t* text, const char16_t* prefixText, int32_t prefixFontIndex,
                                         const char16_t* label, int32_t id, const char16_t* descript)
{
    GxUIListItem item;
    item.Text = text ? text : u"";
    item.PrefixText = prefixText ? prefixText : u"";
    item.PrefixFontIndex = prefixFontIndex;
    item.Label = label ? label : u"";
    item.ID = id;
    item.Descript = descript ? descript : u"";
    GxUIListItem* stored = AddItem(item);
    if (m_ScrollBar) m_ScrollBar->SetMax(MaxScroll());
    return stored;
}

void GxTaskUIListBoxFx::ResetIndices() { m_SpareIndex0 = m_HoverIndex = m_SpareIndex1 = m_SelectIndex = -1; }

void GxTaskUIListBoxFx::ShowDescript(const std::u16string& text)
{
    if (m_DescriptTarget) m_DescriptTarget->SetText(text.c_str());
}

void GxTaskUIListBoxFx::ClearItems()
{
    m_ItemArray.clear();
    ResetIndices();
    if (m_ScrollBar) m_ScrollBar->SetMax(0);
    ShowDescript(u"");
}

void GxTaskUIListBoxFx::ClearSelect()
{
    for (GxUIListItem& item : m_ItemArray) item.Flagged = false;
    ResetIndices();
    ShowDescript(u"");
}

void GxTaskUIListBoxFx::ClearColumns()
{
    m_ColumnOffsetArray.clear();
    ResetIndices();
}

GxUIListItem* GxTaskUIListBoxFx::GetItem(uint32_t index)
{
    return index < m_ItemArray.size() ? &m_ItemArray[index] : nullptr;
}

int32_t& GxTaskUIListBoxFx::GetColumn(uint32_t index)
{
    if (index < m_ColumnOffsetArray.size()) return m_ColumnOffsetArray[index];
    m_NoColumn = 0;
    return m_NoColumn;
}

const GxUIListItem* GxTaskUIListBoxFx::SelectedItem() const
{
    if (m_SelectIndex < 0 || static_cast<size_t>(m_SelectIndex) >= m_ItemArray.size()) return nullptr;
    return &m_ItemArray[static_cast<size_t>(m_SelectIndex)];
}

std::u16string GxTaskUIListBoxFx::GetSelectLabel() const
{
    const GxUIListItem* item = SelectedItem();
    return item ? item->Label : std::u16string();
}

int32_t GxTaskUIListBoxFx::GetSelectID() const
{
    const GxUIListItem* item = SelectedItem();
    return item ? item->ID : -1;
}

int32_t GxTaskUIListBoxFx::LineAt(float x, float y) const
{
    const GxVector3 origin = GetAbsolutePos();
    const int64_t lineHeight = LineHeight();
    // A stored font size that leaves no line height hits no row.
    if (lineHeight <= 0 || !IsHit(origin, x, y)) return -1;
    const float rowF = (y - origin.y - static_cast<float>(m_ClientTop)) / static_cast<float>(lineHeight);
    if (!(rowF >= 0.0f) || rowF >= static_cast<float>(m_VisibleLineCount)) return -1;
    const int64_t line = static_cast<int64_t>(GetValueInt()) + static_cast<int64_t>(rowF);
    return line >= 0 && line < static_cast<int64_t>(m_ItemArray.size()) ? static_cast<int32_t>(line) : -1;
}

int GxTaskUIListBoxFx::OnMouseMove(const GxMousePoint& pt, uint32_t keyState)
{
    (void)keyState;
    if (!IsUIInputEnabled()) return 0;
    const int32_t line = LineAt(pt.x, pt.y);
    if (line < 0) {
        m_HoverIndex = -1;
        ShowDescript(u"");
        return 0;
    }
    const GxUIListItem& item = m_ItemArray[static_cast<size_t>(line)];
    ShowDescript(item.Descript);
    m_HoverIndex = item.Enabled ? line : -1;
    return m_EventBlockFlag ? 1 : 0;
}

int GxTaskUIListBoxFx::OnMouseWheel(const GxMousePoint& pt, int32_t wheelDelta, uint32_t keyState)
{
    (void)keyState;
    if (!IsUIInputEnabled() || !IsHitRect(GetAbsolutePos(), pt.x, pt.y)) return 0;
    // One line per message, however far the wheel turned.
    const int32_t notches = wheelDelta / 120;
    if (notches != 0) {
        SetValueInt(notches > 0 ? GetValueInt() - 1 : GetValueInt() + 1);
        m_HoverIndex = -1;
    }
    if (m_ScrollBar) m_ScrollBar->SetValue(GetValue());
    return m_EventBlockFlag ? 1 : 0;
}

int GxTaskUIListBoxFx::OnMouseLeftDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick)
{
    (void)keyState; (void)doubleClick;
    const GxVector3 origin = GetAbsolutePos();
    if (!IsUIInputEnabled() || !IsHit(origin, pt.x, pt.y)) return 0;
    const int32_t line = LineAt(pt.x, pt.y);
    if (line >= 0 && m_ItemArray[static_cast<size_t>(line)].Enabled) {
        m_HoverIndex = m_SelectIndex = line;
    } else {
        m_SelectIndex = -1;
    }
    m_EventState = GxUIEventType::SelectChange;
    if (IsEventReportFlag(GxUIEventType::SelectChange)) {
        GxUIEventParam p(this, GxUIEventType::SelectChange, 0);
        p.m_Values[0] = static_cast<float>(m_SpareIndex1);
        p.m_Values[1] = static_cast<float>(m_SelectIndex);
        p.m_Values[4] = origin.x;
        p.m_Values[5] = origin.y;
        p.m_Values[6] = origin.z;
        p.m_Values[7] = origin.w;
        SendUIEvent(p);
    }
    return m_EventBlockFlag ? 1 : 0;
}

int GxTaskUIListBoxFx::Draw(int32_t param, int32_t layer)
{
    (void)param; (void)layer;
    if (!IsUIVisible()) return 0;
    const GxActorVisualParam& v = m_Visual;
    const GxVector3 pos = GetAbsolutePos();
    GxGraphics::BeginScene();
    GxGraphics::SetDefaultRenderState();
    GxGraphics::SetTextureFilter(kPointFilter);
    if (m_pTexture) {
        // The drawn panel's picture, as the panel draws it.
        const float w = static_cast<float>(m_pTexture->GetImageWidth());
        const float h = static_cast<float>(m_pTexture->GetImageHeight());
        const GxVector2 pivot(w != 0.0f ? v.m_CenterPos.x / w : 0.0f, h != 0.0f ? v.m_CenterPos.y / h : 0.0f);
        GxGraphics::DrawTextureFlex(m_pTexture, pos.x, pos.y, GxVector2(v.m_Scale.x, v.m_Scale.y),
                                    GxDegreesToRadians(v.m_Rot), pivot, v.GetColor0Argb(m_ImageAlpha),
                                    SpecularArgb(v), v.m_BlendMode);
    }

    const float lineHeight = static_cast<float>(LineHeight());
    GxGDIFontMap* textFont = GxGetGDIFontMap(m_TextFontIndex);
    const GxVector2 one(1.0f, 1.0f);
    const GxColor edge = GxUIScaleColorAlpha(m_EdgeColor, v.m_Alpha);
    const float left = pos.x + static_cast<float>(m_ClientLeft);
    // Prefix and text of one line or sub-item from its origin (x0, y0).
    auto drawTexts = [&](const GxUIListItem& item, float x0, float y0, GxColor color) {
        GxFontData* prefixFont = GxGetFontData(item.PrefixFontIndex);
        float x = x0;
        if (prefixFont) {
            // A prefix font taller than the line is not centred above the line's top.
            const int64_t offset = std::max<int64_t>(0, (LineHeight() - prefixFont->GetHeight()) / 2);
            if (!item.PrefixText.empty())
                GxGraphics::DrawTextFontData(prefixFont, item.PrefixText, x0, y0 + static_cast<float>(offset), one,
                                             GxVector3(), GxVector2(), color, 0, BLENDMODE_LAST);
            x += static_cast<float>(item.PrefixText.size()) * static_cast<float>(prefixFont->GetGlyphWidth(u' '));
        }
        if (!textFont || item.Text.empty()) return;
        static const float kEdgeOffsets[4][2] = {{1, 1}, {-1, 1}, {1, -1}, {-1, -1}};
        for (const auto& o : kEdgeOffsets)
            GxGraphics::DrawTextGDIFontMap(textFont, item.Text, x + o[0], y0 + o[1], one, edge, 0, BLENDMODE_LAST);
        GxGraphics::DrawTextGDIFontMap(textFont, item.Text, x, y0, one, color, 0, BLENDMODE_LAST);
    };

    const size_t count = m_ItemArray.size();
    const int32_t rows = std::max(m_VisibleLineCount, 1);
    size_t line = static_cast<size_t>(std::max(GetValueInt(), 0));
    for (int32_t r = 0; r < rows && line < count; ++r, ++line) {
        const GxUIListItem& item = m_ItemArray[line];
        const int32_t index = static_cast<int32_t>(line);
        const float top = pos.y + static_cast<float>(m_ClientTop) + static_cast<float>(r) * lineHeight;
        GxFRect bar;
        bar.left = left;
        bar.top = top;
        bar.right = left + static_cast<float>(m_ClientWidth);
        bar.bottom = top + lineHeight;
        uint32_t color = MultiplyColors(item.Color, m_TextColor);
        if (!item.Enabled) {
            color = m_DisableTextColor;
        } else if (item.Flagged || index == m_SelectIndex) {
            color = MultiplyColors(color, m_SelectTextColor);
            const GxColor c = GxUIScaleColorAlpha(m_SelectRectColor, v.m_Alpha);
            const GxColor diffuse[5] = {c, c, c, c, c};
            const GxColor none[5] = {0, 0, 0, 0, 0};
            GxGraphics::DrawColorRect(bar, diffuse, none, BLENDMODE_LAST);
        } else if (index == m_HoverIndex) {
            GxGraphics::DrawSolidRect(bar, GxUIScaleColorAlpha(m_HoverRectColor, v.m_Alpha), 0, BLENDMODE_LAST);
        }
        color = GxUIScaleColorAlpha(color, v.m_Alpha);
        const float y0 = top + 1.0f;
        drawTexts(item, left + 1.0f + item.OffsetX, y0 + item.OffsetY, color);
        int64_t column = 0;
        for (size_t j = 0; j < item.SubItems.size(); ++j) {
            if (j < m_ColumnOffsetArray.size()) column += m_ColumnOffsetArray[j];
            const GxUIListItem& sub = item.SubItems[j];
            drawTexts(sub, left + 1.0f + static_cast<float>(column) + sub.OffsetX, y0 + sub.OffsetY, color);
        }
    }
    GxGraphics::EndScene();
    return 0;
}

bool GxTaskUIListBoxFx::WriteContent(GxContentWriterBase& w)
{
    GxTaskUIPanelFx::WriteContent(w);
    w.WriteGxS32("m_TextFontIndex", m_TextFontIndex);
    w.WriteGxS32("m_TextFontSize", m_TextFontSize);
    w.WriteGxU32("m_TextColor", m_TextColor);
    w.WriteGxU32("m_EdgeColor", m_EdgeColor);
    w.WriteGxBool("m_UseEdge", m_UseEdge);
    return w.GetErrorCount() == 0;
}

bool GxTaskUIListBoxFx::ReadContent(GxContentReaderBase& r)
{
    GxTaskUIPanelFx::ReadContent(r);
    r.ReadGxS32("m_TextFontIndex", m_TextFontIndex);
    r.ReadGxS32("m_TextFontSize", m_TextFontSize);
    r.ReadGxU32("m_TextColor", m_TextColor);
    r.ReadGxU32("m_EdgeColor", m_EdgeColor);
    r.ReadGxBool("m_UseEdge", m_UseEdge);
    if (!GxUIIsFontIndex(m_TextFontIndex)) {
        GxPrintErrorLog(u"GxTaskUIListBoxFx/ReadContent: font %d out of range, font 1 used\n", m_TextFontIndex);
        m_TextFontIndex = kDefaultTextFont;
    }
    return r.GetErrorCount() == 0;
}
