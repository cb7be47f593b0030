// The first screen after start-up: it only decides between the opening movie and the title.
#pragma once

#include "app/GxSeqTransitBase.h"

class SeqBoot : public GxSeqTransitBase
{
public:
    explicit SeqBoot(GxTaskBase* parent);

    void OnSequenceLeave() override;
    // The opening when an opening movie is set and Ctrl is not held, else the title.
    int Update(int32_t step, int64_t elapsed) override;

    static GxTaskBase* Create(GxTaskBase* parent);
};
