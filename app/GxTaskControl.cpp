#include "app/GxTaskControl.h"

#include "app/DBUILayout.h"
#include "app/GxSeqBase.h"
#include "app/GxTaskActor.h"
#include "app/task/GxTaskManage.h"
#include "core/GxLog.h"

namespace {

// Constant-initialised, so that ui/ may fill it from a static initialiser of its own.
constinit const GxUIWidgetTable* g_WidgetTable = nullptr;
constinit const GxUIWidgetOps kNoWidgetOps{};

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
    const GxUIWidgetOps& ops = GetUIWidgetOps();
    if (!ops.fromTask) return;
    Walk<GxTaskBase>(subtree, GxTaskKind::UI, [&](GxTaskBase* t) {
        if (GxTaskUIBase* w = ops.fromTask(t)) ops.resetEventState(w);
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

void SetUIWidgetTable(const GxUIWidgetTable* table) { g_WidgetTable = table; }

const GxUIWidgetOps& GetUIWidgetOps() { return g_WidgetTable ? g_WidgetTable->ops : kNoWidgetOps; }

GxTaskUIBase* CreateUIWidget(int32_t uiType, GxTaskBase* parent, const char16_t* taskName,
                             const char16_t* localName, int32_t localIndex)
{
    if (!g_WidgetTable) return nullptr;
    for (int32_t i = 0; i < g_WidgetTable->classCount; ++i) {
        const GxUIWidgetClass& c = g_WidgetTable->classes[i];
        if (c.uiType == uiType) return c.create(parent, taskName, localName, localIndex);
    }
    return nullptr;
}

}  // namespace GxTaskControl
