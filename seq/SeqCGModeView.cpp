#include "seq/SeqCGModeView.h"

#include <cmath>
#include <string>
#include <vector>

#include "app/GxCore.h"
#include "app/GxTaskControl.h"
#include "app/task/GxTaskManage.h"
#include "core/GxLog.h"
#include "core/GxString.h"
#include "game/DBCGMode.h"
#include "game/GxGameLookup.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserDataPerman.h"
#include "layer/GxTaskLayer.h"
#include "platform/GxPresentRect.h"
#include "ui/GxTaskUINull.h"

namespace {

constexpr float kScreenWidth = static_cast<float>(kGxLogicalScreenWidth);
constexpr float kScreenHeight = static_cast<float>(kGxLogicalScreenHeight);
constexpr int32_t kFadeMs = 500;
constexpr int32_t kScrollWaitMs = 500;

// The virtual keys that go on to the next picture: Enter, Space and the four arrows.
bool IsAdvanceKey(GxWParam key) { return key == 0x0D || key == 0x20 || (key >= 0x25 && key <= 0x28); }

// The cursor shapes of a drag.
enum : int32_t { kCursorArrow = 1, kCursorMove = 3, kCursorNorthSouth = 4, kCursorWestEast = 5, kCursorNo = 6 };

float Aligned(char16_t c, char16_t first, char16_t last, float free)
{
    if (c == first) return 0.0f;
    if (c == last) return std::trunc(free);
    if (c == u'M') return static_cast<float>(static_cast<int32_t>(std::trunc(free)) / 2);
    return 0.0f;
}

}  // namespace

SeqCGModeView::SeqCGModeView(GxTaskBase* parent) : GxSeqTransitBase(u"SeqCGModeView", parent)
{
    SetUIEventEnabled(true);
    auto* root = new GxTaskFolder(u"$ROOT:SeqCGModeView", nullptr, 0, this);
    auto* ui = new GxTaskFolder(u"$UI:SeqCGModeView", nullptr, 0, root);
    GxTaskControl::CreateUIFromDBUILayout(this, u"$UI:SeqCGModeView");
    m_EventCaller = new GxTaskUINull(ui, nullptr, u"null_eventcaller", 0);
    m_Layer = new GxTaskLayer(u"$BGLAYER:SeqCGModeView", nullptr, 0, root);
    m_Layer->SetOrderZ(-10.0f);
}

SeqCGModeView::~SeqCGModeView() = default;

GxTaskBase* SeqCGModeView::Create(GxTaskBase* parent) { return new SeqCGModeView(parent); }

void SeqCGModeView::ClearPicture()
{
    m_Width = 0.0f;
    m_Height = 0.0f;
    m_StartPos = GxVector3();
    m_EndPos = GxVector3();
}

void SeqCGModeView::OnSequenceEnter()
{
    GxTaskManage* tm = GetManager();
    m_SetID = tm ? tm->GetCurrentSequenceParam() : 0;
    m_PictureIndex = FindNextSeenPicture(-1);
    ClearPicture();
    if (m_PictureIndex >= 0) ShowPicture(m_PictureIndex, 0);
    m_Dragging = false;
    m_Pointer = GxMousePoint{-1.0f, -1.0f};
    m_Press = GxMousePoint{-1.0f, -1.0f};
}

void SeqCGModeView::OnSequenceLeave()
{
    GxSeqTransitBase::OnSequenceLeave();
    m_Layer->FinishAction();
    EndDrag();
    m_Layer->Clear();
}

int32_t SeqCGModeView::FindNextSeenPicture(int32_t after) const
{
    // A set the table does not have shows nothing (the sequence parameter is anybody's number).
    DBCGMode& table = GxGetDBCGMode();
    if (m_SetID < 0 || m_SetID >= table.GetRowCapacity()) return -1;
    GxCore* core = GxGetCore();
    const GxUserDataPerman* perman = core ? core->GetUserDataPerman() : nullptr;
    if (!perman) return -1;
    const int32_t n = table.GetColumnArraySize(u"FileName");
    const DBCGModeData& row = *table.GetRow(m_SetID);
    for (int32_t j = after < -1 ? 0 : after + 1; j < n && j < DBCGModeData::kFileNameCount; ++j) {
        if (!row.FileName[j].empty() && perman->m_ShowedCGFlags.count(row.FileName[j])) return j;
    }
    return -1;
}

float SeqCGModeView::GetAlignedX(std::u16string_view code) const
{
    return code.empty() ? 0.0f : Aligned(code[0], u'L', u'R', kScreenWidth - m_Width);
}

float SeqCGModeView::GetAlignedY(std::u16string_view code) const
{
    return code.size() < 2 ? 0.0f : Aligned(code[1], u'T', u'B', kScreenHeight - m_Height);
}

void SeqCGModeView::ShowPicture(int32_t index, int32_t fadeMs)
{
    ClearPicture();
    m_DragBase = GxVector3();
    m_Layer->FinishAction();
    if (index < 0 || m_SetID < 0 || m_SetID >= GxGetDBCGMode().GetRowCapacity() ||
        index >= DBCGModeData::kFileNameCount) {
        return;
    }
    const std::u16string& name = GxGetDBCGMode().GetRow(m_SetID)->FileName[index];
    GxCore* core = GxGetCore();
    const GxSystemConfig* sc = core ? core->GetSystemConfig() : nullptr;
    std::u16string file = (sc ? sc->m_AssetFolder[kGxFolderCgEv] : std::u16string(u"cg/ev/")) + name;
    if (!GxFindImageFile(file)) {
        GxPrintErrorLog(u"画像がありません %s\n", name);
        return;
    }
    m_Layer->LoadImage(file, fadeMs);
    m_Width = static_cast<float>(m_Layer->GetWidth());
    m_Height = static_cast<float>(m_Layer->GetHeight());

    const std::u16string& scroll = GxGetDBCGModeParam().GetRow(m_SetID)->FileName[index];
    if (scroll.empty()) return;
    std::vector<std::u16string> codes;
    GxSplitStringPadded(codes, scroll, u"|", 2);
    codes.resize(2);
    m_StartPos = GxVector3(GetAlignedX(codes[0]), GetAlignedY(codes[0]), 0.0f, 0.0f);
    m_EndPos = GxVector3(GetAlignedX(codes[1]), GetAlignedY(codes[1]), 0.0f, 0.0f);
    m_Layer->SetPos(m_StartPos);
    m_DragBase = m_StartPos;
    if (!codes[1].empty() &&
        (m_EndPos.x != m_StartPos.x || m_EndPos.y != m_StartPos.y || m_EndPos.z != m_StartPos.z)) {
        const float dx = m_EndPos.x - m_StartPos.x;
        const float dy = m_EndPos.y - m_StartPos.y;
        const double distance = std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy);
        m_Layer->AddActionWait(0, kScrollWaitMs);
        m_Layer->AddActionMoveTo(m_EndPos, 30 + static_cast<int32_t>(std::floor(8.0 * distance)), 1);
    } else {
        m_EndPos = m_StartPos;
    }
}

bool SeqCGModeView::MayReact() { return IsUIInputEnabled(m_EventCaller); }

void SeqCGModeView::EndDrag()
{
    m_Dragging = false;
    m_Pointer = GxMousePoint{-1.0f, -1.0f};
    m_Press = GxMousePoint{-1.0f, -1.0f};
    GxSetCursorShape(kCursorArrow);
}

void SeqCGModeView::BackToGallery()
{
    if (GxTaskManage* tm = GetManager()) tm->ChangeSequenceByName(u"SeqCGMode", 0);
}

int SeqCGModeView::OnMouseLeftDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick)
{
    (void)keyState; (void)doubleClick;
    if (!MayReact()) return 0;
    m_Dragging = true;
    m_Pointer = pt;
    m_Press = pt;
    m_DragBase = m_Layer->GetAbsolutePos();
    return 0;
}

int SeqCGModeView::OnMouseMove(const GxMousePoint& pt, uint32_t keyState)
{
    (void)keyState;
    if (!m_Dragging || !MayReact()) return 0;
    m_Pointer = pt;
    if (pt.x == m_Press.x && pt.y == m_Press.y) return 0;
    if (!m_Layer->IsActionFinished()) {
        // Taking hold of a scrolling picture stops the scroll where it is.
        m_Layer->ClearAction();
        m_DragBase = m_Layer->GetAbsolutePos();
    }
    const bool wide = m_Width > kScreenWidth;
    const bool tall = m_Height > kScreenHeight;
    GxSetCursorShape(wide && tall ? kCursorMove : wide ? kCursorWestEast : tall ? kCursorNorthSouth : kCursorNo);
    // An axis on which the picture fits the screen keeps its place (a centred picture stays
    // centred).
    float x = m_DragBase.x;
    float y = m_DragBase.y;
    if (wide) x = std::fmin(0.0f, std::fmax(kScreenWidth - m_Width, m_DragBase.x + (pt.x - m_Press.x)));
    if (tall) y = std::fmin(0.0f, std::fmax(kScreenHeight - m_Height, m_DragBase.y + (pt.y - m_Press.y)));
    m_Layer->SetPos(GxVector3(x, y, 0.0f, 0.0f));
    return 0;
}

int SeqCGModeView::OnMouseLeftUp(const GxMousePoint& pt, uint32_t keyState)
{
    (void)pt; (void)keyState;
    if (MayReact()) m_EventCaller->RaiseUIEvent(GxUIEventType::LeftUp);
    return 0;
}

int SeqCGModeView::OnMouseRightDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick)
{
    (void)pt; (void)keyState; (void)doubleClick;
    if (MayReact()) m_EventCaller->RaiseUIEvent(GxUIEventType::RightDown);
    return 0;
}

int SeqCGModeView::OnKeyDown(GxWParam virtualKey, GxLParam lParam)
{
    (void)lParam;
    if (!IsAdvanceKey(virtualKey)) return 0;
    if (MayReact()) {
        const GxUIEventParam event(m_EventCaller, GxUIEventType::KeyDown, static_cast<int32_t>(virtualKey));
        m_EventCaller->SendUIEvent(event);
    }
    return 1;
}

int SeqCGModeView::OnUIEventLeftUp(GxTaskUIBase* sender, GxUIEventParam* param)
{
    (void)param;
    if (m_Dragging && (m_Pointer.x != m_Press.x || m_Pointer.y != m_Press.y)) {
        EndDrag();  // a drag never goes on to the next picture
        return 1;
    }
    EndDrag();
    if (sender != m_EventCaller) return 0;
    if (!m_Layer->IsActionFinished()) {
        m_Layer->FinishAction();  // the click completes the scroll first
        return 1;
    }
    m_PictureIndex = FindNextSeenPicture(m_PictureIndex);
    if (m_PictureIndex >= 0) ShowPicture(m_PictureIndex, kFadeMs);
    else BackToGallery();
    return 1;
}

int SeqCGModeView::OnUIEventKeyDown(GxTaskUIBase* sender, GxUIEventParam* param)
{
    (void)param;
    if (sender != m_EventCaller) return 0;
    EndDrag();
    m_PictureIndex = FindNextSeenPicture(m_PictureIndex);
    ClearPicture();
    if (m_PictureIndex >= 0) ShowPicture(m_PictureIndex, kFadeMs);
    else BackToGallery();
    return 1;
}

int SeqCGModeView::OnUIEventRightDown(GxTaskUIBase* sender, GxUIEventParam* param)
{
    (void)param;
    if (sender == m_EventCaller) BackToGallery();
    return 1;
}
