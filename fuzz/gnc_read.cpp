// Fuzz target: a motion project (.gnc) read from arbitrary bytes in either form (the first byte
// 'T' selects the text form), then linked and released as a loaded project would be.
#include <cstddef>
#include <cstdint>

#include "core/GxBinBuffer.h"
#include "core/GxLog.h"
#include "layer/GxNcProject.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool once = (GxSetErrorLogPath(u"/dev/null"), GxSetSkipSlightError(true), true);
    (void)once;
    // The reader gets a block of its own, so that reading a byte past it is caught.
    GxBinBuffer buffer(static_cast<uint32_t>(size));
    for (size_t i = 0; i < size; ++i) buffer.GetBuffer()[i] = data[i];
    GxNcProjectEx project;
    if (project.ReadFromBuffer(buffer)) {
        project.LinkProjectReferences();
        for (const auto& group : project.m_MotionGroupList) {
            for (const auto& motion : group->m_MotionList) {
                // Tracks are in time order and linked nodes point at their layers.
                for (const auto& layer : motion->m_LayerList) {
                    for (size_t k = 1; k < layer->m_AlphaTrack.size(); ++k)
                        if (layer->m_AlphaTrack[k - 1].m_Time > layer->m_AlphaTrack[k].m_Time) __builtin_trap();
                }
                for (const GxNcLayerNode* n = motion->GetTreeTop(); n; n = n->Next()) {
                    if ((n->m_LayerIndex >= 0) != (n->m_pLayer != nullptr)) __builtin_trap();
                }
            }
        }
    }
    project.AddRef();
    project.Release();
    return 0;
}
