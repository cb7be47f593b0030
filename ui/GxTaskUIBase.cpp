#include "ui/GxTaskUIBase.h"

#include "app/task/GxTaskManage.h"
#include "game/DBUILayout.h"
#include "game/DBUIModule.h"

GxTaskUIBase::GxTaskUIBase(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName,
                           int32_t localIndex)
    : GxTaskActor(taskName, localName, localIndex, parent)
{
    AddKindFlags(GxTaskKind::UI);
}

GxTaskUIBase::~GxTaskUIBase() = default;

int GxTaskUIBase::Update(int32_t step, int64_t elapsed)
{
    (void)step;
    UpdateAction(ElapsedToMilliseconds(elapsed));
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

bool GxTaskUIBase::SendUIEvent(const GxUIEventParam& param)
{
    if (!m_Manager) return false;
    GxTaskBase* screen = m_Manager->GetCurrentSequence();
    if (!screen || screen->IsDead() || screen->IsPause()) return false;
    if (!screen->IsKindOf(GxTaskKind::Folder)) return false;
    GxTaskFolder* folder = dynamic_cast<GxTaskFolder*>(screen);
    return folder && folder->PostUIEvent(param);
}
