#include "ui/GxTaskUITipHelp.h"

#include <algorithm>
#include <cmath>

#include "app/DBUIModule.h"
#include "core/GxCharClass.h"
#include "core/GxContentReader.h"
#include "core/GxContentWriter.h"
#include "core/GxLog.h"
#include "graphics/GxGraphics.h"
#include "layer/GxNcFactory.h"
#include "layer/GxNcImageSet.h"
#include "platform/GxPresentRect.h"

namespace {

constexpr uint32_t kPointFilter = 1;
// The logical screen the balloon is kept on.
constexpr float kScreenWidth = static_cast<float>(kGxLogicalScreenWidth);
constexpr float kScreenHeight = static_cast<float>(kGxLogicalScreenHeight);
// The balloon's corner lies this far from the pointer.
constexpr float kPointerGap = 24.0f;

int32_t ClampToInt32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// Cell row (column) of tile i of n: first, last or inside.
int32_t FrameCell(int64_t i, int64_t n)
{
    if (i == 0) return 0;
    return i == n - 1 ? 3 : 1;
}

// The tiles of [0, n) that can reach the screen [0, extent) from origin, one spare on each side;
// a stored size far beyond the screen must not make the frame loop for ever.
void VisibleTiles(float origin, int64_t n, float extent, int64_t& first, int64_t& end)
{
    const double cell = GxTaskUITipHelpIs::kCellSize;
    first = std::clamp<int64_t>(static_cast<int64_t>(std::floor(-origin / cell)) - 1, 0, n);
    end = std::clamp<int64_t>(static_cast<int64_t>(std::ceil((extent - origin) / cell)) + 1, first, n);
}

}  // namespace

GxTaskUITipHelpIs::GxTaskUITipHelpIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName,
                                     int32_t localIndex)
    : GxTaskUIBase(parent, taskName, localName, localIndex),
      m_TextFontSize(GxUIFontSize(kDefaultFontIndex)),
      m_EdgeColor(GxUISystemEdgeColor())
{
    SetTaskType(GxUIModuleType::TipHelpIs);
    m_EventBlockFlag = false;
    m_ModalFlag = true;
}

GxTaskUITipHelpIs::~GxTaskUITipHelpIs() { m_pFrameImage = nullptr; }

int GxTaskUITipHelpIs::Update(int32_t step, int64_t elapsed)
{
    (void)step;
    UpdateAction(ElapsedToMilliseconds(elapsed));
    return 0;
}

void GxTaskUITipHelpIs::ApplyModule(const DBUIModuleData& module)
{
    GxTaskUIBase::ApplyModule(module);
    SetTextFontIndex(module.FontIndex);
    m_ImageSetName = GxUIImageSetFolder() + module.ImageSetName + u".gis";
    m_ImageName = module.ImageName;
}

bool GxTaskUITipHelpIs::LoadImageSet(const std::u16string& path)
{
    GxUISplitImageSetPath(path, m_ImageSetName, m_ImageName);
    return true;
}

bool GxTaskUITipHelpIs::LoadImages()
{
    m_pFrameImage = nullptr;
    if (m_ImageName.empty()) return true;
    std::u16string debug;
    GxNcCrammedImageSet* set = GxNcImageSetPool::Find(m_ImageSetName);
    if (!set) {
        GetTaskDebugString(debug);
        GxPrintErrorLog(u"GxTaskUITipHelpIs/ImageSet wasn't Loaded:%s [%s]\n", m_ImageSetName, debug);
        return false;
    }
    const std::u16string file = m_ImageName + u".png";
    m_pFrameImage = set->FindOriginImage(file);
    if (!m_pFrameImage) {
        GetTaskDebugString(debug);
        GxPrintErrorLog(u"GxTaskUITipHelpIs/Image not found:%s [%s]\n", file, debug);
        return false;
    }
    return true;
}

void GxTaskUITipHelpIs::ReleaseImages() { m_pFrameImage = nullptr; }

int32_t GxTaskUITipHelpIs::GetPatternCount() const { return m_pFrameImage ? m_pFrameImage->GetPatternCount() : 0; }

void GxTaskUITipHelpIs::SetTextFontIndex(int32_t index)
{
    if (!GxUIIsFontIndex(index)) {
        GxPrintErrorLogA("GxTaskUITipHelpIs/SetTextFontIndex: no system font %d, font %d taken\n", index,
                         kDefaultFontIndex);
        index = kDefaultFontIndex;
    }
    m_TextFontIndex = index;
    m_TextFontSize = GxUIFontSize(index);
}

int64_t GxTaskUITipHelpIs::WalkText(std::vector<GxUITextPlace>* places, int64_t* widest) const
{
    const char16_t lineBreak = GxUILineBreakChar();
    const int64_t size = m_TextFontSize;
    int64_t x = 0, line = 0, wide = 0;
    for (char16_t c : m_Text) {
        if (c == lineBreak || c == u'\n') {
            ++line;
            x = 0;
            continue;
        }
        if (places) places->push_back({c, m_Padding + x, m_Padding + line * size});
        x += GxGetCharWidth(c) * size / 2;
        if (size + x >= m_NewLineWidth) {
            ++line;
            x = 0;
        }
        wide = std::max(wide, x + size);
    }
    if (widest) *widest = wide;
    // A text that ends with a break or a wrap has no last line of its own.
    return x == 0 && line > 0 ? line - 1 : line;
}

int32_t GxTaskUITipHelpIs::MeasureText(int32_t* widest)
{
    int64_t wide = 0;
    const int64_t last = WalkText(nullptr, &wide);
    if (widest) *widest = ClampToInt32(wide);
    return ClampToInt32(last);
}

void GxTaskUITipHelpIs::SetText(const char16_t* text)
{
    GxTaskUIBase::SetText(text);
    int64_t widest = 0;
    const int64_t last = WalkText(nullptr, &widest);
    const int64_t size = m_TextFontSize, padding = m_Padding;
    m_Width = ClampToInt32(kCellSize * std::max<int64_t>(2, (widest + size + 2 * padding - 1) / kCellSize));
    m_Height = ClampToInt32(kCellSize * std::max<int64_t>(2, ((last + 2) * size + 2 * padding - 1) / kCellSize));
    if (m_Text.empty()) Hide();
}

int GxTaskUITipHelpIs::ShowAt(const GxVector3& p)
{
    GxVector3 pos(p.x - kPointerGap, p.y + kPointerGap, p.z + 0.0f, 0.0f);
    SetPos(pos);
    const GxVector3 a = GetAbsolutePos();
    const float w = static_cast<float>(m_Width), h = static_cast<float>(m_Height);
    if (a.x + w > kScreenWidth) pos.x = pos.x - w + 2.0f * kPointerGap;
    if (a.y + h > kScreenHeight) pos.y = pos.y - h - 2.0f * kPointerGap;
    if (pos.x < 0.0f) pos.x = 0.0f;
    if (pos.y < 0.0f) pos.y = 0.0f;
    if (pos.x + w > kScreenWidth) pos.x = kScreenWidth - w;
    if (pos.y + h > kScreenHeight) pos.y = kScreenHeight - h;
    SetPos(pos);
    return 0;
}

int GxTaskUITipHelpIs::OnMouseMove(const GxMousePoint& pt, uint32_t keyState)
{
    (void)pt; (void)keyState;
    if (IsUIInputEnabled() && m_AutoHide && IsVisible()) Hide();
    return 0;
}

void GxTaskUITipHelpIs::DrawFrame(const GxVector3& o)
{
    if (!m_pFrameImage || !std::isfinite(o.x) || !std::isfinite(o.y)) return;
    const GxActorVisualParam& v = m_Visual;
    const GxFColor diffuse(v.m_Color0.r, v.m_Color0.g, v.m_Color0.b,
                           v.m_Color0.a * static_cast<float>(v.m_Alpha) / 255.0f);
    const int64_t columns = m_Width / kCellSize, rows = m_Height / kCellSize;
    int64_t rowFirst = 0, rowEnd = 0, columnFirst = 0, columnEnd = 0;
    VisibleTiles(o.y, rows, kScreenHeight, rowFirst, rowEnd);
    VisibleTiles(o.x, columns, kScreenWidth, columnFirst, columnEnd);
    for (int64_t r = rowFirst; r < rowEnd; ++r) {
        const int32_t cellRow = FrameCell(r, rows);
        for (int64_t c = columnFirst; c < columnEnd; ++c) {
            const int32_t cellColumn = FrameCell(c, columns);
            GxMatrix m;
            m.SetTranslation(o.x + static_cast<float>(kCellSize * c), o.y + static_cast<float>(kCellSize * r), o.z);
            const GxRect clip{kCellSize * cellColumn, kCellSize * cellRow, kCellSize * cellColumn + kCellSize,
                              kCellSize * cellRow + kCellSize};
            GxDrawCrammedPatternClipped(m_pFrameImage, m_PatternIndex, m, diffuse, v.m_Color1, v.m_BlendMode, clip);
        }
    }
}

int GxTaskUITipHelpIs::Draw(int32_t param, int32_t layer)
{
    (void)param; (void)layer;
    if (!IsUIVisible()) return 0;
    const GxActorVisualParam& v = m_Visual;
    const GxVector3 o = GetAbsolutePos();
    GxGraphics::BeginScene();
    GxGraphics::SetDefaultRenderState();
    GxGraphics::SetTextureFilter(kPointFilter);
    DrawFrame(o);
    std::vector<GxUITextPlace> places;
    WalkText(&places, nullptr);
    GxUIDrawTextPlaces(places, m_TextFontIndex, o, v.m_Scale, GxUIScaleColorAlpha(m_TextColor, v.m_Alpha),
                       GxUIScaleColorAlpha(m_EdgeColor, v.m_Alpha), m_UseEdge, v.m_BlendMode);
    GxGraphics::EndScene();
    return 0;
}

bool GxTaskUITipHelpIs::WriteContent(GxContentWriterBase& w)
{
    GxTaskUIBase::WriteContent(w);
    w.WriteGxStringStdW("m_ImageName", m_ImageName);
    w.WriteGxStringStdW("m_ImageSetName", m_ImageSetName);
    w.WriteGxS32("m_PatternIndex", m_PatternIndex);
    w.WriteGxS32("m_TextFontIndex", m_TextFontIndex);
    w.WriteGxS32("m_TextFontSize", m_TextFontSize);
    w.WriteGxU32("m_TextColor", m_TextColor);
    w.WriteGxU32("m_EdgeColor", m_EdgeColor);
    w.WriteGxBool("m_UseEdge", m_UseEdge);
    w.WriteGxS32("m_NewLineWidth", m_NewLineWidth);
    w.WriteGxBool("m_AutoHide", m_AutoHide);
    w.WriteGxS32("m_Padding", m_Padding);
    return w.GetErrorCount() == 0;
}

bool GxTaskUITipHelpIs::ReadContent(GxContentReaderBase& r)
{
    GxTaskUIBase::ReadContent(r);
    r.ReadGxStringStdW("m_ImageName", m_ImageName);
    r.ReadGxStringStdW("m_ImageSetName", m_ImageSetName);
    r.ReadGxS32("m_PatternIndex", m_PatternIndex);
    r.ReadGxS32("m_TextFontIndex", m_TextFontIndex);
    r.ReadGxS32("m_TextFontSize", m_TextFontSize);
    r.ReadGxU32("m_TextColor", m_TextColor);
    r.ReadGxU32("m_EdgeColor", m_EdgeColor);
    r.ReadGxBool("m_UseEdge", m_UseEdge);
    r.ReadGxS32("m_NewLineWidth", m_NewLineWidth);
    r.ReadGxBool("m_AutoHide", m_AutoHide);
    r.ReadGxS32("m_Padding", m_Padding);
    if (!GxUIIsFontIndex(m_TextFontIndex)) {
        GxPrintErrorLogA("GxTaskUITipHelpIs/ReadContent: no system font %d, font %d taken\n", m_TextFontIndex,
                         kDefaultFontIndex);
        m_TextFontIndex = kDefaultFontIndex;
    }
    ReleaseImages();
    ResetEventState();
    return r.GetErrorCount() == 0;
}
