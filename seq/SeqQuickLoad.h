// The quick load: no list, a short pause (the load runs on the 32nd update), then the quick
// save is restored and the game goes to the screen stored in it. Without a quick save, or with
// one that cannot be read, the game is left as it was and goes back to its restore screen.
#pragma once

#include <cstdint>

#include "app/GxSeqTransitBase.h"

class GxTaskLayer;

class SeqQuickLoad : public GxSeqTransitBase
{
public:
    static constexpr int32_t kLoadAfterUpdates = 30;

    explicit SeqQuickLoad(GxTaskBase* parent);
    // The constructor the game's screen list holds.
    static GxTaskBase* Create(GxTaskBase* parent);

    void OnSequenceEnter() override;
    void OnSequenceLeave() override;
    int Update(int32_t step, int64_t elapsed) override;

    // Whether the quick save existed, was checked whole and restored.
    bool LoadQuickSave();
    int32_t GetQuickUpdateCount() const { return m_Count; }

private:
    int32_t m_Count = 0;
    bool m_Done = false;
};
