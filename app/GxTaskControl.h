// Operations on every layer, actor or widget of a subtree (the given task, its later siblings
// and all their descendants), building a screen's widgets from the UI layout table, the UI
// factory by module type, and a few small shared helpers.
//
// The widget classes sit above the task tree: ui/ registers them here (GxRegisterUIWidgets in
// ui/GxUIWidgetTable.h), with the few widget operations the walks and the screen base need.
//
// The walks visit a task's children before the task itself, ignore task states and the
// last-sibling flag, and pick tasks by their kind bits.
#pragma once

#include <cstdint>
#include <string>

class GxTaskActor;
class GxTaskBase;
class GxTaskUIBase;
class GxSeqBase;
struct DBUILayoutData;
struct DBUIModuleData;

// The layer operations the walks use. Layer tasks (actors with the layer kind bit) implement it.
class GxLayerControl
{
public:
    virtual ~GxLayerControl() = default;
    virtual int32_t GetLayerType() const = 0;
    // Empties both content buffers.
    virtual void Clear() = 0;
    // Switches to emptied content, cross-fading over the time in milliseconds.
    virtual bool StartLocalTransit(int32_t time) = 0;
    virtual bool EndLocalTransit() = 0;
    virtual bool IsLocalTransit() const = 0;
};

// One row of the UI factory table: the class of a UI module type, made as the last child of parent
// and named by a TaskName or by a local name and index (either may be null).
struct GxUIWidgetClass
{
    int32_t uiType;
    GxTaskUIBase* (*create)(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName,
                            int32_t localIndex);
};

// What the task level asks of a widget, whose class it only declares (GxTaskUIBase's members of
// the same names).
struct GxUIWidgetOps
{
    // The widget as the actor it is; a task as the widget it is, or null.
    GxTaskActor* (*asActor)(GxTaskUIBase* widget);
    GxTaskUIBase* (*fromTask)(GxTaskBase* task);
    void (*resetEventState)(GxTaskUIBase* widget);
    bool (*isVisibleAll)(const GxTaskUIBase* widget);
    bool (*isEnabledAll)(const GxTaskUIBase* widget);
    int32_t (*getModalPriorityAll)(const GxTaskUIBase* widget);
    void (*applyModule)(GxTaskUIBase* widget, const DBUIModuleData& module);
    void (*applyLayout)(GxTaskUIBase* widget, const DBUILayoutData& layout);
};

// The widget classes and operations of the program: the table is not copied (it stays the
// caller's). Until it is set no type has a class and no task is a widget.
struct GxUIWidgetTable
{
    const GxUIWidgetClass* classes;
    int32_t classCount;
    GxUIWidgetOps ops;
};

namespace GxTaskControl {

void SetUIWidgetTable(const GxUIWidgetTable* table);
// The operations; every one null before the table is set.
const GxUIWidgetOps& GetUIWidgetOps();

// Layer type 0 selects every layer.
void ClearLayers(GxTaskBase* subtree, int32_t layerType);
void ClearLayersWithTransit(GxTaskBase* subtree, int32_t transitTime, int32_t layerType);
void EndLocalTransits(GxTaskBase* subtree);
// Runs every pending action of every actor to its end.
void FinishActions(GxTaskBase* subtree);
void ResetUIEventStates(GxTaskBase* subtree);
// Stop at the first layer in a local transit, respectively the first actor with an action.
bool IsAnyLocalTransit(GxTaskBase* subtree);
bool IsAnyActionRunning(GxTaskBase* subtree);

// Builds, in table order, the widget of every UI layout row whose Create is non-zero and whose
// ParentName is the folder's TaskName, through the screen's CreateUIFromModuleName. An unknown
// folder is logged and nothing is built.
void CreateUIFromDBUILayout(GxSeqBase* screen, const std::u16string& folderTaskName);

// The UI factory: a new widget of the class that the table gives UI module type uiType, under
// parent, or null (nothing built) for a type without a class.
GxTaskUIBase* CreateUIWidget(int32_t uiType, GxTaskBase* parent, const char16_t* taskName,
                             const char16_t* localName, int32_t localIndex);

}  // namespace GxTaskControl

// Small shared helpers.
inline int64_t GxGetSignInt64(int64_t v) { return v > 0 ? 1 : (v < 0 ? -1 : 0); }
// The absolute value; the most negative value, which has none, gives the largest one.
inline int64_t GxGetAbsInt64(int64_t v)
{
    if (v == INT64_MIN) return INT64_MAX;
    return v < 0 ? -v : v;
}
inline double GxGetSignDouble(double v) { return v > 0.0 ? 1.0 : (v < 0.0 ? -1.0 : 0.0); }
// Copies a key-frame value of five four-float vectors.
inline void GxCopyFloat20(float* dest, const float* source)
{
    for (int i = 0; i < 20; ++i) dest[i] = source[i];
}
