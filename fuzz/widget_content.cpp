// Fuzz target: an image panel restored from a saved stream (the widget base fields, then its
// picture names and pattern index), asked every query that reads the stored values, run
// through a few updates and written again. Input: one byte (bit 0 picks the text form), then
// the stream.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "app/task/GxTaskManage.h"
#include "core/GxLog.h"
#include "tests/support/GxContentFuzzDriver.h"
#include "ui/GxTaskUIPanel.h"

namespace {

void Run(GxContentReaderBase& reader)
{
    GxTaskManage manager;
    GxTaskBase* root = new GxTaskBase(&manager);
    auto* parent = new GxTaskUIPanelIs(root, u"parent", nullptr, 0);
    auto* panel = new GxTaskUIAnimePanelIs(parent, u"panel", nullptr, 0);
    panel->ReadContent(reader);
    // A restored panel holds no picture until its next load.
    if (panel->GetOriginImage()) abort();
    (void)panel->GetValueInt();
    (void)panel->GetValueBool();
    (void)panel->GetAlphaAll();
    (void)panel->GetModalPriorityAll();
    (void)panel->IsTopMostAll();
    for (int32_t n = -1; n <= 32; ++n) (void)panel->IsEventReportFlag(n);
    const GxVector3 origin = panel->GetAbsolutePos();
    (void)panel->IsHit(origin, origin.x, origin.y);
    (void)panel->IsHitRect(origin, origin.x, origin.y);
    panel->CenterInParentX(0);
    panel->CenterInParentY(-120);
    // No image set is pooled: the load fails and logs, the updates count frames.
    panel->LoadImages();
    for (int i = 0; i < 3; ++i) panel->Update(0, 16000);
    if (panel->GetHoverTime() < 0 || panel->GetHoverTime() > GxTaskUIBase::kMaxHoverTime) abort();
    GxContentFuzzWriteBack(*panel);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool once = (GxSetErrorLogPath(u"/dev/null"), true);
    (void)once;
    GxContentFuzzRead(data, size, Run);
    return 0;
}
