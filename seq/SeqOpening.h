// The opening movie, full screen on the screen's background layer. It goes to the title when the
// movie ends or on a click of either button.
#pragma once

#include "app/GxSeqTransitBase.h"

class GxTaskLayer;
class GxTaskUINull;

class SeqOpening : public GxSeqTransitBase
{
public:
    explicit SeqOpening(GxTaskBase* parent);

    // Loads the opening movie (it starts at the first update).
    void OnSequenceEnter() override;
    // Stops and clears the movie.
    void OnSequenceLeave() override;
    int Update(int32_t step, int64_t elapsed) override;
    int OnMouseLeftDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick) override;
    int OnMouseRightDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick) override;
    int OnUIEventLeftDown(GxTaskUIBase* sender, GxUIEventParam* param) override;
    int OnUIEventRightDown(GxTaskUIBase* sender, GxUIEventParam* param) override;

    GxTaskLayer* GetLayer() const { return m_Layer; }

    static GxTaskBase* Create(GxTaskBase* parent);

private:
    int Skip();
    int OnSkipEvent(GxTaskUIBase* sender, GxUIEventParam* param);

    GxTaskLayer* m_Layer = nullptr;
    GxTaskUINull* m_EventCaller = nullptr;
};
