#include "ui/GxTaskUIBase.h"

#include <cmath>

#include "app/DBUILayout.h"
#include "app/DBUIModule.h"
#include "app/GxCore.h"
#include "app/GxSeqBase.h"
#include "app/task/GxRenderLayer.h"
#include "app/task/GxTaskManage.h"
#include "core/GxContentReader.h"
#include "core/GxContentWriter.h"
#include "platform/GxPresentRect.h"
#include "ui/GxUISettings.h"
#include "ui/GxUIWidgetTable.h"

namespace {

GxUITipHelpHandler g_TipHelpHandler = nullptr;

// A program that makes any widget links this file, so the factory table is there before its entry
// even when it makes widgets without the program's start-up (the tests of widgets and screens).
[[maybe_unused]] const bool g_WidgetsRegistered = (GxRegisterUIWidgets(), true);

}  // namespace

void GxSetUITipHelpHandler(GxUITipHelpHandler handler) { g_TipHelpHandler = handler; }
GxUITipHelpHandler GxGetUITipHelpHandler() { return g_TipHelpHandler; }

GxVector3 GxUIGetPointerPos()
{
    GxCore* core = GxGetCore();
    if (!core || !core->GetWindowServices()) return GxVector3();
    const GxWindowPoint p = core->GetMousePos();
    return GxVector3(static_cast<float>(p.x), static_cast<float>(p.y), 0.0f);
}

std::u16string GxUIImageSetFolder()
{
    GxCore* core = GxGetCore();
    const GxUISettings* sc = core ? core->GetUISettings() : nullptr;
    return sc ? sc->m_AssetFolder[kGxFolderUiGis] : std::u16string(u"uigis/");
}

void GxUISplitImageSetPath(const std::u16string& path, std::u16string& imageSetName, std::u16string& imageName)
{
    const size_t cut = path.find_last_of(u"/\\:");
    if (cut == std::u16string::npos) {
        imageSetName = u".gis";
        imageName = path;
        return;
    }
    imageSetName = path.substr(0, cut) + u".gis";
    imageName = path.substr(cut + 1);
}

GxTaskUIBase::GxTaskUIBase(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName,
                           int32_t localIndex)
    : GxTaskActor(taskName, localName, localIndex, parent)
{
    AddKindFlags(GxTaskKind::UI);
}

GxTaskUIBase::~GxTaskUIBase() = default;

void GxTaskUIBase::OnSequenceEnter()
{
    LoadImages();
    ResetEventState();
}

int GxTaskUIBase::Update(int32_t step, int64_t elapsed)
{
    (void)step;
    UpdateAction(ElapsedToMilliseconds(elapsed));
    return 0;
}

int GxTaskUIBase::Render(int32_t step, int64_t elapsed)
{
    (void)step; (void)elapsed;
    RegisterRenderLayer(IsTopMostAll() ? GxRenderLayer::TopMost : GxRenderLayer::Main, GxRenderOrder::Ascending,
                        m_Visual.m_OrderZ, 0);
    return 0;
}

void GxTaskUIBase::Hide()
{
    GxTaskActor::Hide();
    ResetEventState();
}

void GxTaskUIBase::Show()
{
    GxTaskActor::Show();
    ResetEventState();
}

void GxTaskUIBase::ResetEventState()
{
    m_EventState = 0;
    m_HoverCount = 0;
    m_HoverTime = 0;
}

void GxTaskUIBase::ResetDragState()
{
    m_Dragging = false;
    m_DragPos0[0] = m_DragPos0[1] = -1.0f;
    m_DragPos1[0] = m_DragPos1[1] = -1.0f;
    m_DragWord0 = 0;
    m_DragWord1 = 0;
}

void GxTaskUIBase::ApplyModule(const DBUIModuleData& module)
{
    m_ModuleID = module.ID;
    m_Width = module.Width;
    m_Height = module.Height;
    m_ClientLeft = module.ClientLeft;
    m_ClientTop = module.ClientTop;
    m_ClientWidth = module.ClientWidth;
    m_ClientHeight = module.ClientHeight;
    m_ShapeType = module.ShapeType;
    m_AnimeSpeed = module.AnimeSpeed;
}

void GxTaskUIBase::ApplyLayout(const DBUILayoutData& layout)
{
    m_Visual.m_Visible = layout.Visible != 0;
    m_Enabled = layout.Enabled != 0;
    // The range before the value, so that widgets that clamp see it.
    SetMax(static_cast<double>(layout.Max));
    SetMin(static_cast<double>(layout.Min));
    SetValueInt(layout.Value);
    m_GroupID = layout.GroupID;
    SetText(layout.Text.c_str());
    m_Label = layout.Label;
    m_AutoHelpTime = layout.AutoHelpTime;
    m_Descript = layout.Descript;
    m_Visual.m_Pos.x = layout.Left;
    m_Visual.m_Pos.y = layout.Top;
    m_Visual.m_OrderZ = layout.OrderZ;
}

int32_t GxTaskUIBase::GetValueInt() const
{
    const double v = m_Value;
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v);
}

void GxTaskUIBase::SetClientRect(int32_t left, int32_t top, int32_t width, int32_t height)
{
    m_ClientLeft = left;
    m_ClientTop = top;
    m_ClientWidth = width;
    m_ClientHeight = height;
}

void GxTaskUIBase::SetEventReportFlag(int32_t n)
{
    if (n >= 0 && n < 32) m_EventReportFlags |= 1u << n;
}

void GxTaskUIBase::ClearEventReportFlag(int32_t n)
{
    if (n >= 0 && n < 32) m_EventReportFlags &= ~(1u << n);
}

bool GxTaskUIBase::IsEventReportFlag(int32_t n) const
{
    return n >= 0 && n < 32 && (m_EventReportFlags & (1u << n)) != 0;
}

void GxTaskUIBase::CenterInParentX(int32_t offset)
{
    const GxTaskBase* p = GetParent();
    const GxTaskActor* actor = p && p->IsKindOf(GxTaskKind::Actor) ? dynamic_cast<const GxTaskActor*>(p) : nullptr;
    const int64_t parentWidth = actor ? actor->GetWidth() : kGxLogicalScreenWidth;
    m_Visual.m_Pos.x = static_cast<float>((parentWidth - GetWidth()) / 2 + offset);
}

void GxTaskUIBase::CenterInParentY(int32_t offset)
{
    const GxTaskBase* p = GetParent();
    const GxTaskActor* actor = p && p->IsKindOf(GxTaskKind::Actor) ? dynamic_cast<const GxTaskActor*>(p) : nullptr;
    const int64_t parentHeight = actor ? actor->GetHeight() : kGxLogicalScreenHeight;
    m_Visual.m_Pos.y = static_cast<float>((parentHeight - GetHeight()) / 2 + offset);
}

namespace {

// The parent when it is a widget, else null: the widget chain ends there.
const GxTaskUIBase* WidgetParent(const GxTaskBase* t)
{
    const GxTaskBase* p = t->GetParent();
    if (!p || !p->IsKindOf(GxTaskKind::UI)) return nullptr;
    return dynamic_cast<const GxTaskUIBase*>(p);
}

}  // namespace

bool GxTaskUIBase::IsVisibleAll() const
{
    for (const GxTaskUIBase* w = this; w; w = WidgetParent(w)) {
        if (!w->IsVisible()) return false;
    }
    return true;
}

bool GxTaskUIBase::IsEnabledAll() const
{
    for (const GxTaskUIBase* w = this; w; w = WidgetParent(w)) {
        if (!w->IsEnabled()) return false;
    }
    return true;
}

int32_t GxTaskUIBase::GetModalPriorityAll() const
{
    int32_t best = 0;
    for (const GxTaskUIBase* w = this; w; w = WidgetParent(w)) {
        if (w->GetModalFlag() && w->GetModalPriority() >= best) best = w->GetModalPriority();
    }
    return best;
}

bool GxTaskUIBase::IsTopMostAll() const
{
    for (const GxTaskUIBase* w = this; w; w = WidgetParent(w)) {
        if (w->GetTopMostFlag()) return true;
    }
    return false;
}

int32_t GxTaskUIBase::GetAlphaAll() const
{
    double a = GetAlpha();
    for (const GxTaskUIBase* w = WidgetParent(this); w; w = WidgetParent(w)) a = a * w->GetAlpha() / 255.0;
    return static_cast<int32_t>(a);
}

bool GxTaskUIBase::IsHit(const GxVector3& origin, float x, float y) const
{
    const float l = origin.x + static_cast<float>(m_ClientLeft);
    const float t = origin.y + static_cast<float>(m_ClientTop);
    return l <= x && x < l + static_cast<float>(m_ClientWidth) && t <= y && y < t + static_cast<float>(m_ClientHeight);
}

bool GxTaskUIBase::IsHitRect(const GxVector3& origin, float x, float y) const
{
    return origin.x <= x && x < origin.x + static_cast<float>(m_Width) && origin.y <= y &&
           y < origin.y + static_cast<float>(m_Height);
}

bool GxTaskUIBase::RaiseUIEvent(int32_t code)
{
    GxUIEventParam p(this, code, 0);
    return SendUIEvent(p);
}

bool GxTaskUIBase::SendUIEvent(const GxUIEventParam& param)
{
    if (!m_Manager) return false;
    GxTaskBase* screen = m_Manager->GetCurrentSequence();
    if (!screen || screen->IsDead() || screen->IsPause()) return false;
    if (!screen->IsKindOf(GxTaskKind::Folder)) return false;
    GxTaskFolder* folder = dynamic_cast<GxTaskFolder*>(screen);
    return folder && folder->PostUIEvent(param);
}

namespace {

GxSeqBase* CurrentScreen(GxTaskManage* manager)
{
    GxTaskBase* screen = manager ? manager->GetCurrentSequence() : nullptr;
    if (!screen || !screen->IsKindOf(GxTaskKind::Sequence)) return nullptr;
    return dynamic_cast<GxSeqBase*>(screen);
}

}  // namespace

bool GxTaskUIBase::IsUIInputEnabled()
{
    GxSeqBase* screen = CurrentScreen(m_Manager);
    return screen && screen->IsUIInputEnabled(this);
}

bool GxTaskUIBase::IsUIVisible()
{
    GxSeqBase* screen = CurrentScreen(m_Manager);
    return screen && screen->IsUIVisible(this);
}

void GxTaskUIBase::PostPointerEvent(int32_t code, float x, float y)
{
    GxUIEventParam p(this, code, 0);
    p.m_Values[0] = x;
    p.m_Values[1] = y;
    const GxVector3 origin = GetAbsolutePos();
    p.m_Values[4] = origin.x;
    p.m_Values[5] = origin.y;
    p.m_Values[6] = origin.z;
    p.m_Values[7] = origin.w;
    SendUIEvent(p);
}

int GxTaskUIBase::StandardMouseMove(const GxMousePoint& pt)
{
    if (!IsUIInputEnabled()) return 0;
    const bool hit = HitTest(GetAbsolutePos(), pt.x, pt.y);
    if (m_HoverCount == 0 && hit) {
        m_HoverCount = 1;
        m_EventState = GxUIEventType::MouseOver;
        if (IsEventReportFlag(GxUIEventType::MouseOver)) PostPointerEvent(GxUIEventType::MouseOver, pt.x, pt.y);
    }
    return m_EventBlockFlag && hit ? 1 : 0;
}

int GxTaskUIBase::StandardLeftDown(const GxMousePoint& pt)
{
    if (!IsUIInputEnabled() || !HitTest(GetAbsolutePos(), pt.x, pt.y)) return 0;
    m_EventState = GxUIEventType::LeftDown;
    OnStandardPress(pt);
    if (!IsEventReportFlag(GxUIEventType::LeftDown)) return 0;
    PostPointerEvent(GxUIEventType::LeftDown, pt.x, pt.y);
    return m_EventBlockFlag ? 1 : 0;
}

void GxTaskUIBase::UpdateHoverEnd(bool keepWhileDragging)
{
    if (m_HoverCount == 0 || (keepWhileDragging && m_Dragging)) return;
    const GxVector3 pointer = GxUIGetPointerPos();
    if (HitTest(GetAbsolutePos(), pointer.x, pointer.y)) return;
    m_HoverCount = 0;
    m_EventState = GxUIEventType::MouseOut;
    if (IsUIInputEnabled() && IsEventReportFlag(GxUIEventType::MouseOut))
        PostPointerEvent(GxUIEventType::MouseOut, pointer.x, pointer.y);
}

int GxTaskUIBase::StandardUpdate(int64_t elapsed)
{
    const int32_t ms = ElapsedToMilliseconds(elapsed);
    UpdateAction(ms);
    UpdateHoverEnd(true);
    UpdateTipHelp(ms);
    return 0;
}

void GxTaskUIBase::UpdateTipHelp(int32_t ms)
{
    if (m_HoverCount == 0 || m_AutoHelpTime == -1) {
        m_HoverTime = 0;
        return;
    }
    // In 64 bits: a long frame must not wrap the sum before the cap.
    const int64_t next = static_cast<int64_t>(m_HoverTime) + ms;
    if (m_HoverTime < m_AutoHelpTime && next >= m_AutoHelpTime && g_TipHelpHandler) {
        const GxVector3 pointer = GxUIGetPointerPos();
        g_TipHelpHandler(this, m_Descript, GxVector3(pointer.x, pointer.y, 0.0f, 0.0f));
    }
    m_HoverTime = static_cast<int32_t>(next > kMaxHoverTime ? kMaxHoverTime : (next < 0 ? 0 : next));
}

bool GxTaskUIBase::WriteContent(GxContentWriterBase& w)
{
    GxTaskActor::WriteContent(w);
    w.WriteGxBool("m_Enabled", m_Enabled);
    w.WriteGxF64("m_Value", m_Value);
    w.WriteGxF64("m_Max", m_Max);
    w.WriteGxF64("m_Min", m_Min);
    w.WriteGxF64("m_Change", m_Change);
    w.WriteGxS32("m_GroupID", m_GroupID);
    w.WriteGxS32("m_ModuleID", m_ModuleID);
    w.WriteGxStringStdW("m_Text", m_Text);
    w.WriteGxStringStdW("m_Label", m_Label);
    w.WriteGxS32("m_AutoHelpTime", m_AutoHelpTime);
    w.WriteGxStringStdW("m_Descript", m_Descript);
    w.WriteGxS32("m_Width", m_Width);
    w.WriteGxS32("m_Height", m_Height);
    w.WriteGxS32("m_ClientLeft", m_ClientLeft);
    w.WriteGxS32("m_ClientTop", m_ClientTop);
    w.WriteGxS32("m_ClientWidth", m_ClientWidth);
    w.WriteGxS32("m_ClientHeight", m_ClientHeight);
    w.WriteGxS32("m_ShapeType", m_ShapeType);
    w.WriteGxS32("m_AnimeSpeed", m_AnimeSpeed);
    w.WriteGxBool("m_ModalFlag", m_ModalFlag);
    w.WriteGxS32("m_ModalPriority", m_ModalPriority);
    w.WriteGxBool("m_TopMostFlag", m_TopMostFlag);
    w.WriteGxS32("m_ImageAlpha", m_ImageAlpha);
    w.WriteGxS32("m_EventState", m_EventState);
    w.WriteGxS32("m_HoverCount", m_HoverCount);
    w.WriteGxU32("m_EventReportFlags", m_EventReportFlags);
    w.WriteGxBool("m_EventBlockFlag", m_EventBlockFlag);
    return w.GetErrorCount() == 0;
}

bool GxTaskUIBase::ReadContent(GxContentReaderBase& r)
{
    GxTaskActor::ReadContent(r);
    r.ReadGxBool("m_Enabled", m_Enabled);
    r.ReadGxF64("m_Value", m_Value);
    r.ReadGxF64("m_Max", m_Max);
    r.ReadGxF64("m_Min", m_Min);
    r.ReadGxF64("m_Change", m_Change);
    r.ReadGxS32("m_GroupID", m_GroupID);
    r.ReadGxS32("m_ModuleID", m_ModuleID);
    r.ReadGxStringStdW("m_Text", m_Text);
    r.ReadGxStringStdW("m_Label", m_Label);
    r.ReadGxS32("m_AutoHelpTime", m_AutoHelpTime);
    r.ReadGxStringStdW("m_Descript", m_Descript);
    r.ReadGxS32("m_Width", m_Width);
    r.ReadGxS32("m_Height", m_Height);
    r.ReadGxS32("m_ClientLeft", m_ClientLeft);
    r.ReadGxS32("m_ClientTop", m_ClientTop);
    r.ReadGxS32("m_ClientWidth", m_ClientWidth);
    r.ReadGxS32("m_ClientHeight", m_ClientHeight);
    r.ReadGxS32("m_ShapeType", m_ShapeType);
    r.ReadGxS32("m_AnimeSpeed", m_AnimeSpeed);
    r.ReadGxBool("m_ModalFlag", m_ModalFlag);
    r.ReadGxS32("m_ModalPriority", m_ModalPriority);
    r.ReadGxBool("m_TopMostFlag", m_TopMostFlag);
    r.ReadGxS32("m_ImageAlpha", m_ImageAlpha);
    m_EventState = r.ReadGxS32Value("m_EventState");
    r.ReadGxS32("m_HoverCount", m_HoverCount);
    r.ReadGxU32("m_EventReportFlags", m_EventReportFlags);
    r.ReadGxBool("m_EventBlockFlag", m_EventBlockFlag);
    m_HoverTime = 0;
    ResetDragState();
    return r.GetErrorCount() == 0;
}
