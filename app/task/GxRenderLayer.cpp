#include "app/task/GxRenderLayer.h"

#include "app/task/GxTaskBase.h"
#include "core/GxDrawKey.h"

bool GxTaskRenderManage::RegisterTask(GxTaskBase* task, int32_t mode, float orderKey, int32_t param)
{
    const Entry entry{task, orderKey, param, 0};
    if (mode == GxRenderOrder::Default) mode = m_DefaultMode;

    if (mode == GxRenderOrder::Front) {
        m_Entries.insert(m_Entries.begin(), entry);
        return true;
    }

    // Sorted modes insert before the first entry that qualifies, else at the end.
    bool (*qualifies)(float existing, float key) = nullptr;
    switch (mode) {
    case GxRenderOrder::Ascending: qualifies = [](float e, float k) { return e > k; }; break;
    case GxRenderOrder::Descending: qualifies = [](float e, float k) { return e < k; }; break;
    case GxRenderOrder::AscendingReverse: qualifies = [](float e, float k) { return e >= k; }; break;
    case GxRenderOrder::DescendingReverse: qualifies = [](float e, float k) { return e <= k; }; break;
    default: break;
    }
    auto it = m_Entries.end();
    if (qualifies) {
        for (it = m_Entries.begin(); it != m_Entries.end(); ++it) {
            if (qualifies(it->orderKey, orderKey)) break;
        }
    }
    m_Entries.insert(it, entry);
    return true;
}

namespace {

bool IsDrawn(const GxTaskBase* t)
{
    return t && t->GetGlobalState() == GxTaskState::Active && !t->HasUpdateFlags(GxTaskUpdateFlag::Hidden);
}

}  // namespace

void GxTaskRenderManage::DrawTasks(int32_t layer, bool mainStarted)
{
    // By index, on a copy: a draw that registers a task must not leave the walk on freed storage.
    for (size_t i = 0; i < m_Entries.size(); ++i) {
        const Entry e = m_Entries[i];
        GxTaskBase* t = e.task;
        if (!IsDrawn(t)) continue;
        if (mainStarted) t->Draw(e.param, layer);
        else t->DrawPreMain(e.param, layer);
    }
}

bool GxTaskRenderManage::AppendDrawKey(GxDrawKey& key, int32_t layer)
{
    key.Add(layer);
    for (const Entry& e : m_Entries) {
        GxTaskBase* t = e.task;
        if (!IsDrawn(t)) continue;
        key.Add(t);
        key.Add(e.param);
        if (!t->AppendDrawKey(key, e.param, layer)) return false;
    }
    return true;
}

GxTaskRenderManage* GxRenderLayerBanks::GetList(int32_t layer)
{
    if (layer < 0 || layer >= GxRenderLayer::Count) return nullptr;
    return &m_Lists[m_BankIndex][layer];
}

void GxRenderLayerBanks::ClearRenderLayers()
{
    for (GxTaskRenderManage& list : m_Lists[m_BankIndex]) list.Clear();
}

void GxRenderLayerBanks::DrawRenderLayers(bool mainStarted)
{
    for (int32_t layer = 0; layer < GxRenderLayer::Count; ++layer) m_Lists[m_BankIndex][layer].DrawTasks(layer, mainStarted);
}

bool GxRenderLayerBanks::AppendDrawKey(GxDrawKey& key, bool mainStarted)
{
    if (!mainStarted) return false;
    key.Add(m_BankIndex);
    for (int32_t layer = 0; layer < GxRenderLayer::Count; ++layer)
        if (!m_Lists[m_BankIndex][layer].AppendDrawKey(key, layer)) return false;
    return true;
}

void GxRenderLayerBanks::SetBankIndex(int32_t index)
{
    if (index >= 0 && index < kBankCount) m_BankIndex = index;
}
