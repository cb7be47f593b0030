// Fuzz target: an actor restored from a saved stream (its visual state and two queues of
// actions), then run to the end of its actions and written again, and a transition timer
// restored from the rest. Input: one byte (bit 0 picks the text form), then the stream.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "app/GxSeqTransitBase.h"
#include "app/GxTaskActor.h"
#include "app/task/GxTaskManage.h"
#include "core/GxLog.h"
#include "tests/support/GxContentFuzzDriver.h"

namespace {

void Run(GxContentReaderBase& reader)
{
    GxTaskManage manager;
    GxTaskBase* root = new GxTaskBase(&manager);
    GxTaskActor* actor = new GxTaskActor(u"actor", nullptr, 0, root);
    actor->ReadContent(reader);
    for (int i = 0; i < 4; ++i) {
        actor->SetUpdateCount(i);
        actor->UpdateAction(16);
    }
    // Every long evaluation removes at least one action, so this ends quickly whatever the
    // stored times; the finish then runs what is left.
    for (int i = 0; i < 64 && !actor->IsActionFinished(); ++i) actor->UpdateAction(INT32_MAX);
    actor->FinishAction();
    if (!actor->IsActionFinished()) abort();
    (void)actor->GetAbsolutePos();
    (void)actor->GetWorldMatrix();
    (void)actor->GetVisualParam().GetColor0Argb(255);

    GxContentFuzzWriteBack(*actor);

    GxTransitParam transit;
    transit.ReadContent(reader);
    const float p = transit.GetProgress();
    if (!(p >= 0.0f && p <= 1.0f)) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool once = (GxSetErrorLogPath(u"/dev/null"), true);
    (void)once;
    GxContentFuzzRead(data, size, Run);
    return 0;
}
