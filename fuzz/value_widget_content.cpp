// Fuzz target: a text log (with a slider linked as its scroll bar) or a gauge bar restored from a
// saved stream, then asked what it shows, run through a few updates, given more lines or timed
// values, and written again. Input: one byte (bit 0 picks the text form, bit 1 the gauge bar),
// then the stream.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "app/task/GxTaskManage.h"
#include "core/GxLog.h"
#include "tests/support/GxContentFuzzDriver.h"
#include "ui/GxTaskUIHBar.h"
#include "ui/GxTaskUITextLog.h"

namespace {

bool g_Bar = false;

void RunLog(GxTaskBase* root, GxContentReaderBase& reader)
{
    auto* bar = new GxTaskUIVSliderIs(root, u"bar", nullptr, 0);
    auto* log = new GxTaskUITextLogFx(root, u"log", nullptr, 0);
    log->SetScrollBar(bar);
    log->ReadContent(reader);
    if (log->GetTextFontIndex() < 0 || log->GetTextFontIndex() > 5) abort();
    if (std::isnan(bar->GetValue()) || bar->GetValue() < 0.0) abort();
    for (int i = 0; i < 3; ++i) log->Update(0, 2000000);
    log->AddText(u"line", u"ab", 0xFFFFFFFFu);
    if (log->GetMaxLine() > 0 && log->GetLineCount() > log->GetMaxLine()) abort();
    log->TrimLines(log->GetMaxLine());
    log->SyncScrollBar();
    GxContentFuzzWriteBack(*log);
}

void RunBar(GxTaskBase* root, GxContentReaderBase& reader)
{
    auto* bar = new GxTaskUIHBarIs(root, u"bar", nullptr, 0);
    bar->ReadContent(reader);
    auto check = [bar] {
        const int32_t fill = bar->GetFillWidth();
        if (fill < 0 || (fill > 0 && fill > bar->GetClientWidth())) abort();
    };
    check();
    (void)bar->GetShownValue();
    (void)bar->IsChanging();
    for (int i = 0; i < 3; ++i) {
        bar->Update(0, 16000);
        check();
    }
    bar->SetValueTimed(bar->GetMax(), 100);
    bar->Update(0, 50000);
    check();
    bar->SetMin(bar->GetMin());
    bar->FinishChange();
    check();
    GxContentFuzzWriteBack(*bar);
}

void Run(GxContentReaderBase& reader)
{
    GxTaskManage manager;
    GxTaskBase* root = new GxTaskBase(&manager);
    if (g_Bar)
        RunBar(root, reader);
    else
        RunLog(root, reader);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool once = (GxSetErrorLogPath(u"/dev/null"), true);
    (void)once;
    if (size == 0) return 0;
    g_Bar = (data[0] & 2) != 0;
    GxContentFuzzRead(data, size, Run);
    return 0;
}
