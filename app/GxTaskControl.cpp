#include "app/GxTaskControl.h"

#include "app/GxSeqBase.h"
#include "app/GxTaskActor.h"
#include "app/task/GxTaskManage.h"
#include "core/GxLog.h"
#include "game/DBUILayout.h"
#include "ui/GxTaskUINull.h"
#include "ui/GxTaskUIWidgets.h"

namespace {

// Calls visit on every task of the subtree whose kind carries the bit, children first, as the
// cast type; stops and returns true as soon as visit does.
template <typename T, typename Visit>
bool Walk(GxTaskBase* subtree, uint32_t kind, const Visit& visit)
{
    for (GxTaskBase* t = subtree; t; t = t->GetNextSibling()) {
        if (Walk<T>(t->GetFirstChild(), kind, visit)) return true;
        if (t->IsKindOf(kind)) {
            if (T* x = dynamic_cast<T*>(t)) {
                if (visit(x)) return true;
            }
        }
    }
    return false;
}

bool TypeMatches(const GxLayerControl* layer, int32_t layerType)
{
    return layerType == 0 || layer->GetLayerType() == layerType;
}

}  // namespace

namespace GxTaskControl {

void ClearLayers(GxTaskBase* subtree, int32_t layerType)
{
    Walk<GxLayerControl>(subtree, GxTaskKind::Layer, [&](GxLayerControl* l) {
        if (TypeMatches(l, layerType)) l->Clear();
        return false;
    });
}

void ClearLayersWithTransit(GxTaskBase* subtree, int32_t transitTime, int32_t layerType)
{
    Walk<GxLayerControl>(subtree, GxTaskKind::Layer, [&](GxLayerControl* l) {
        if (TypeMatches(l, layerType)) l->StartLocalTransit(transitTime);
        return false;
    });
}

void EndLocalTransits(GxTaskBase* subtree)
{
    Walk<GxLayerControl>(subtree, GxTaskKind::Layer, [](GxLayerControl* l) {
        l->EndLocalTransit();
        return false;
    });
}

void FinishActions(GxTaskBase* subtree)
{
    Walk<GxTaskActor>(subtree, GxTaskKind::Actor, [](GxTaskActor* a) {
        a->FinishAction();
        return false;
    });
}

void ResetUIEventStates(GxTaskBase* subtree)
{
    Walk<GxTaskUIBase>(subtree, GxTaskKind::UI, [](GxTaskUIBase* w) {
        w->ResetEventState();
        return false;
    });
}

bool IsAnyLocalTransit(GxTaskBase* subtree)
{
    return Walk<GxLayerControl>(subtree, GxTaskKind::Layer, [](GxLayerControl* l) { return l->IsLocalTransit(); });
}

bool IsAnyActionRunning(GxTaskBase* subtree)
{
    return Walk<GxTaskActor>(subtree, GxTaskKind::Actor, [](GxTaskActor* a) { return !a->IsActionFinished(); });
}

void CreateUIFromDBUILayout(GxSeqBase* screen, const std::u16string& folderTaskName)
{
    GxTaskBase* folder = nullptr;
    if (screen && screen->GetManager()) folder = screen->GetManager()->FindTaskByNameStr(folderTaskName);
    if (!folder) {
        GxPrintErrorLog(u"GxTaskControl::CreateUIFromDBUILayout タスクフォルダが見つかりません[%s]\n", folderTaskName);
        return;
    }
    const DBUILayout& table = GxGetDBUILayout();
    for (int32_t i = 0; i < table.GetRowCapacity(); ++i) {
        const DBUILayoutData& row = *table.GetRow(i);
        if (row.Create == 0 || row.ParentName != folder->GetTaskName()) continue;
        screen->CreateUIFromModuleName(folder, row, row.TaskName.c_str(), row.TaskIndex);
    }
}

GxTaskUIBase* CreateUIWidget(int32_t uiType, GxTaskBase* parent, const char16_t* taskName,
                             const char16_t* localName, int32_t localIndex)
{
    using T = GxUIModuleType;
    switch (uiType) {
    case T::Null: return new GxTaskUINull(parent, taskName, localName, localIndex);
    case T::PanelFx: return new GxTaskUIPanelFx(parent, taskName, localName, localIndex);
    case T::MessageWindowFx: return new GxTaskUIMessageWindowFx(parent, taskName, localName, localIndex);
    case T::TextWindowFx: return new GxTaskUITextWindowFx(parent, taskName, localName, localIndex);
    case T::TextPanelFx: return new GxTaskUITextPanelFx(parent, taskName, localName, localIndex);
    case T::PanelIs: return new GxTaskUIPanelIs(parent, taskName, localName, localIndex);
    case T::AnimePanelIs: return new GxTaskUIAnimePanelIs(parent, taskName, localName, localIndex);
    case T::TextPanelIs: return new GxTaskUITextPanelIs(parent, taskName, localName, localIndex);
    case T::ButtonIs: return new GxTaskUIButtonIs(parent, taskName, localName, localIndex);
    case T::ToggleButtonIs: return new GxTaskUIToggleButtonIs(parent, taskName, localName, localIndex);
    case T::RadioButtonIs: return new GxTaskUIRadioButtonIs(parent, taskName, localName, localIndex);
    case T::TextButtonIs: return new GxTaskUITextButtonIs(parent, taskName, localName, localIndex);
    case T::HSliderIs: return new GxTaskUIHSliderIs(parent, taskName, localName, localIndex);
    case T::VSliderIs: return new GxTaskUIVSliderIs(parent, taskName, localName, localIndex);
    case T::MenuIs: return new GxTaskUIMenuIs(parent, taskName, localName, localIndex);
    case T::HBarIs: return new GxTaskUIHBarIs(parent, taskName, localName, localIndex);
    case T::TipHelpIs: return new GxTaskUITipHelpIs(parent, taskName, localName, localIndex);
    case T::ListBoxFx: return new GxTaskUIListBoxFx(parent, taskName, localName, localIndex);
    case T::TextLogFx: return new GxTaskUITextLogFx(parent, taskName, localName, localIndex);
    default: return nullptr;
    }
}

}  // namespace GxTaskControl
