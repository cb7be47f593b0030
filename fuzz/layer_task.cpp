// Fuzz target: a layer restored from a saved stream (the actor part, both content records, the
// index, the cross-fade, the shake), its resources reloaded by name, then updated through its
// fade and shake and written again. Input: one byte (bit 0 picks the text form), then the stream.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "app/task/GxTaskManage.h"
#include "core/GxLog.h"
#include "layer/GxNcFactory.h"
#include "layer/GxTaskLayer.h"
#include "media/GxMovie.h"
#include "tests/support/GxContentFuzzDriver.h"

namespace {

void Run(GxContentReaderBase& reader)
{
    {
        GxTaskManage manager;
        GxTaskBase* root = new GxTaskBase(&manager);
        auto* layer = new GxTaskLayer(u"layer", nullptr, 0, root);
        layer->ReadContent(reader);
        if (layer->GetIndexPos() != 0 && layer->GetIndexPos() != 1) abort();
        for (int i = 0; i < 4; ++i) layer->Update(0, 16000);
        // A stored fade or shake of any length ends within a few long steps.
        for (int i = 0; i < 4; ++i) layer->Update(0, INT64_C(4000000000000));
        const float p = layer->GetLocalTransit().GetProgress();
        if (!(p >= 0.0f && p <= 1.0f)) abort();
        (void)layer->GetWidth();
        (void)layer->IsMoviePlaying();
        layer->CenterOnScreen();
        GxContentFuzzWriteBack(*layer);
        layer->Clear();
    }
    GxGetNcProjectFactory().ReleaseAll();
    GxGetNcCrammedImageSetFactory().ReleaseAll();
    GxMovie::Release();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool once = (GxSetErrorLogPath(u"/dev/null"), GxSetDebugLogPath(u"/dev/null"), true);
    (void)once;
    GxContentFuzzRead(data, size, Run);
    return 0;
}
