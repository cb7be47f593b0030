// Operations on every layer, actor or widget of a subtree (the given task, its later siblings
// and all their descendants), building a screen's widgets from the UI layout table, the UI
// factory by module type, and a few small shared helpers.
//
// The walks visit a task's children before the task itself, ignore task states and the
// last-sibling flag, and pick tasks by their kind bits.
#pragma once

#include <cstdint>
#include <string>

class GxTaskBase;
class GxTaskUIBase;
class GxSeqBase;

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

namespace GxTaskControl {

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

// The UI factory table: a new widget of the class of UI module type uiType under parent, or null
// (nothing built) for a type without a class.
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
