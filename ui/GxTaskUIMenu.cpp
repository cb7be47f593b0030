#include "ui/GxTaskUIMenu.h"

#include <algorithm>
#include <cmath>

#include "app/DBUIModule.h"
#include "core/GxLog.h"
#include "graphics/GxFontGlobals.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxRenderState.h"
#include "layer/GxNcFactory.h"
#include "layer/GxNcImageSet.h"
#include "ui/GxMessageLayout.h"
#include "ui/GxUIText.h"

namespace {

// Point sampling: frame pictures and text are drawn pixel for pixel.
constexpr uint32_t kPointFilter = 1;
constexpr uint32_t kShadowColor = 0xD0000000u;

}  // namespace

GxTaskUIMenuIs::GxTaskUIMenuIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName,
                               int32_t localIndex)
    : GxTaskUIBase(parent, taskName, localName, localIndex)
{
    SetTaskType(GxUIModuleType::MenuIs);
}

GxTaskUIMenuIs::~GxTaskUIMenuIs() = default;

int32_t GxTaskUIMenuIs::GetHeight() const
{
    return GxMessageSaturate((static_cast<int64_t>(std::min<size_t>(m_ItemArray.size(), INT32_MAX)) + 2) * m_Height);
}

void GxTaskUIMenuIs::ApplyModule(const DBUIModuleData& module)
{
    GxTaskUIBase::ApplyModule(module);
    m_ImageSetPath = GxUIImageSetFolder() + module.ImageSetName + u".gis";
    m_ImageName = module.ImageName;
}

bool GxTaskUIMenuIs::LoadImageSet(const std::u16string& path)
{
    GxUISplitImageSetPath(path, m_ImageSetPath, m_ImageName);
    return true;
}

bool GxTaskUIMenuIs::LoadImages()
{
    std::u16string debug;
    ReleaseImages();
    GxNcCrammedImageSet* set = GxNcImageSetPool::Find(m_ImageSetPath);
    if (!set) {
        GetTaskDebugString(debug);
        GxPrintErrorLog(u"GxTaskUIMenuIs/ImageSet wasn't Loaded:%s [%s]\n", m_ImageSetPath, debug);
        return false;
    }
    const char16_t* const suffixes[3] = {u"_head.png", u"_body.png", u"_foot.png"};
    GxNcOriginImage** const slots[3] = {&m_pHeadImage, &m_pBodyImage, &m_pFootImage};
    for (int i = 0; i < 3; ++i) *slots[i] = set->FindOriginImage(m_ImageName + suffixes[i]);
    for (int i = 0; i < 3; ++i) {
        if (*slots[i]) continue;
        GetTaskDebugString(debug);
        GxPrintErrorLog(u"GxTaskUIMenuIs/Image not found:%s [%s]\n", m_ImageName + suffixes[i], debug);
        return false;
    }
    if (!m_pBodyImage->m_PatternArray.empty()) {
        const GxNcCrammedPattern& first = m_pBodyImage->m_PatternArray.front();
        if (m_Width == 0) m_Width = first.m_Width;
        if (m_Height == 0) m_Height = first.m_Height;
    }
    if (m_ClientWidth == 0) m_ClientWidth = GxMessageSaturate(int64_t{m_Width} - 2 * int64_t{m_ClientLeft});
    if (m_ClientHeight == 0) m_ClientHeight = GxMessageSaturate(int64_t{m_Height} - 2 * int64_t{m_ClientTop});
    return true;
}

void GxTaskUIMenuIs::ReleaseImages()
{
    m_pHeadImage = m_pBodyImage = m_pFootImage = nullptr;
}

bool GxTaskUIMenuIs::IsHit(const GxVector3& origin, float x, float y) const
{
    const float dx = x - origin.x - static_cast<float>(m_ClientLeft);
    const float dy = y - origin.y - static_cast<float>(m_Height);
    const float rows = static_cast<float>(m_ItemArray.size()) * static_cast<float>(m_Height);
    return dx > 0.0f && dx < static_cast<float>(m_ClientWidth) && dy > 0.0f && dy < rows;
}

int32_t GxTaskUIMenuIs::ItemAt(float x, float y) const
{
    const GxVector3 origin = GetAbsolutePos();
    // A row height of 0 or less leaves no row to hit.
    if (m_Height <= 0 || !IsHit(origin, x, y)) return -1;
    const float dy = y - origin.y - static_cast<float>(m_Height);
    const int64_t item = static_cast<int64_t>(dy / static_cast<float>(m_Height));
    return item >= 0 && item < static_cast<int64_t>(m_ItemArray.size()) ? static_cast<int32_t>(item) : -1;
}

void GxTaskUIMenuIs::ShowDescript(const std::u16string& text)
{
    if (m_DescriptTarget) m_DescriptTarget->SetText(text.c_str());
}

int GxTaskUIMenuIs::Update(int32_t step, int64_t elapsed)
{
    (void)step;
    UpdateAction(ElapsedToMilliseconds(elapsed));
    IncUpdateCount();
    return 0;
}

int GxTaskUIMenuIs::OnMouseMove(const GxMousePoint& pt, uint32_t keyState)
{
    (void)keyState;
    if (!IsUIInputEnabled()) return 0;
    const int32_t item = ItemAt(pt.x, pt.y);
    if (item < 0) {
        m_HoverIndex = -1;
        ShowDescript(u"");
        return 0;
    }
    // A disabled item still shows what it is, but cannot be hovered.
    const GxUIMenuItem& it = m_ItemArray[static_cast<size_t>(item)];
    ShowDescript(it.Descript);
    m_HoverIndex = it.Enabled ? item : -1;
    return m_EventBlockFlag ? 1 : 0;
}

int GxTaskUIMenuIs::OnMouseLeftDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick)
{
    (void)keyState; (void)doubleClick;
    if (!IsUIInputEnabled()) return 0;
    const int32_t item = ItemAt(pt.x, pt.y);
    if (item < 0) return 0;
    if (!m_ItemArray[static_cast<size_t>(item)].Enabled) {
        m_HoverIndex = m_SelectIndex = -1;
        return 0;
    }
    m_HoverIndex = m_SelectIndex = item;
    m_EventState = GxUIEventType::SelectChange;
    if (IsEventReportFlag(GxUIEventType::SelectChange)) {
        GxUIEventParam p(this, GxUIEventType::SelectChange, m_SelectIndex);
        p.m_Values[0] = pt.x;
        p.m_Values[1] = pt.y;
        const GxVector3 origin = GetAbsolutePos();
        p.m_Values[4] = origin.x;
        p.m_Values[5] = origin.y;
        p.m_Values[6] = origin.z;
        p.m_Values[7] = origin.w;
        SendUIEvent(p);
    }
    return m_EventBlockFlag ? 1 : 0;
}

GxUIMenuItem* GxTaskUIMenuIs::AddItem(const GxUIMenuItem& item)
{
    m_ItemArray.push_back(item);
    return &m_ItemArray.back();
}

GxUIMenuItem* GxTaskUIMenuIs::AddItem(const std::u16string& text, const std::u16string& label, int32_t id,
                                      const std::u16string& descript)
{
    GxUIMenuItem item;
    item.Text = text;
    item.Label = label;
    item.ID = id;
    item.Descript = descript;
    return AddItem(item);
}

void GxTaskUIMenuIs::ClearItems()
{
    m_ItemArray.clear();
    // The indices would name items that no longer exist.
    m_HoverIndex = m_SelectIndex = -1;
}

void GxTaskUIMenuIs::ClearSelect()
{
    for (GxUIMenuItem& item : m_ItemArray) item.Flagged = false;
    m_HoverIndex = m_SelectIndex = -1;
    ShowDescript(u"");
}

GxUIMenuItem* GxTaskUIMenuIs::GetItem(uint32_t index)
{
    return index < m_ItemArray.size() ? &m_ItemArray[index] : nullptr;
}

int32_t& GxTaskUIMenuIs::GetColumn(uint32_t index)
{
    if (index < m_ColumnOffsetArray.size()) return m_ColumnOffsetArray[index];
    m_NoColumn = 0;
    return m_NoColumn;
}

const GxUIMenuItem* GxTaskUIMenuIs::SelectedItem() const
{
    if (m_SelectIndex < 0 || static_cast<size_t>(m_SelectIndex) >= m_ItemArray.size()) return nullptr;
    return &m_ItemArray[static_cast<size_t>(m_SelectIndex)];
}

std::u16string GxTaskUIMenuIs::GetSelectLabel() const
{
    const GxUIMenuItem* item = SelectedItem();
    return item ? item->Label : std::u16string();
}

int32_t GxTaskUIMenuIs::GetSelectID() const
{
    const GxUIMenuItem* item = SelectedItem();
    return item ? item->ID : -1;
}

int GxTaskUIMenuIs::Draw(int32_t param, int32_t layer)
{
    (void)param; (void)layer;
    if (!IsUIVisible()) return 0;
    const GxActorVisualParam& v = m_Visual;
    const GxVector3 pos = GetAbsolutePos();
    const float rowH = static_cast<float>(m_Height);
    const size_t count = m_ItemArray.size();
    const GxFColor diffuse(v.m_Color0.r, v.m_Color0.g, v.m_Color0.b,
                           v.m_Color0.a * static_cast<float>(v.m_Alpha) / 255.0f);
    GxGraphics::BeginScene();
    GxGraphics::SetDefaultRenderState();
    GxGraphics::SetTextureFilter(kPointFilter);

    auto drawFrame = [&](const GxNcOriginImage* image, float row) {
        if (!image) return;
        GxMatrix m;
        m.SetTranslation(pos.x, pos.y + row * rowH, 0.0f);
        GxDrawCrammedPattern(image, m_PatternIndex, m, diffuse, v.m_Color1, v.m_BlendMode);
    };
    drawFrame(m_pHeadImage, 0.0f);
    for (size_t i = 0; i < count; ++i) drawFrame(m_pBodyImage, static_cast<float>(i + 1));
    drawFrame(m_pFootImage, static_cast<float>(count + 1));

    if (m_HoverIndex >= 0 && static_cast<size_t>(m_HoverIndex) < count) {
        GxFRect bar;
        bar.left = pos.x + static_cast<float>(m_ClientLeft);
        bar.top = pos.y + static_cast<float>(m_HoverIndex + 1) * rowH;
        bar.right = bar.left + static_cast<float>(m_ClientWidth);
        bar.bottom = bar.top + rowH;
        const GxColor barColor = GxUIScaleColorAlpha(m_HoverRectColor, v.m_Alpha);
        const GxColor colors[5] = {barColor, barColor, barColor, barColor, barColor};
        const GxColor none[5] = {0, 0, 0, 0, 0};
        GxGraphics::DrawColorRect(bar, colors, none, BLENDMODE_LAST);
    }

    GxGDIFontMap* font = GxGetGDIFontMap(m_FontIndex);
    const GxVector2 one(1.0f, 1.0f);
    const GxColor shadow = GxUIScaleColorAlpha(kShadowColor, v.m_Alpha);
    auto drawText = [&](const std::u16string& text, float x, float y, GxColor textColor, GxColor specular) {
        if (!font || text.empty()) return;
        static const float kShadowOffsets[4][2] = {{1, 1}, {-1, 1}, {1, -1}, {-1, -1}};
        for (const auto& o : kShadowOffsets)
            GxGraphics::DrawTextGDIFontMap(font, text, x + o[0], y + o[1], one, shadow, 0, BLENDMODE_LAST);
        GxGraphics::DrawTextGDIFontMap(font, text, x, y, one, textColor, specular, BLENDMODE_LAST);
    };
    for (size_t i = 0; i < count; ++i) {
        const GxUIMenuItem& item = m_ItemArray[i];
        const int32_t index = static_cast<int32_t>(i);
        uint32_t color = m_TextColor, specular = 0;
        if (!item.Enabled) {
            color = m_DisableTextColor;
        } else if (item.Flagged || index == m_SelectIndex) {
            color = m_SelectTextColor;
            specular = m_SelectSpecularColor;
        } else if (index == m_HoverIndex) {
            color = m_HoverTextColor;
            specular = m_HoverSpecularColor;
        }
        color = GxUIScaleColorAlpha(color, v.m_Alpha);
        const float rowY = pos.y + static_cast<float>(i + 1) * rowH;
        const float left = pos.x + static_cast<float>(m_ClientLeft);
        const float top = rowY + static_cast<float>(m_ClientTop);
        drawText(item.Text, left + item.OffsetX, top + item.OffsetY, color, specular);
        int64_t column = 0;
        for (size_t j = 0; j < item.SubItems.size(); ++j) {
            if (j < m_ColumnOffsetArray.size()) column += m_ColumnOffsetArray[j];
            const GxUIMenuItem& sub = item.SubItems[j];
            drawText(sub.Text, left + static_cast<float>(column) + sub.OffsetX, top + sub.OffsetY, color, specular);
        }
    }
    GxGraphics::EndScene();
    return 0;
}
