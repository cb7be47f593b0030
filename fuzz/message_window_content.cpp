// Fuzz target: a message window restored from a saved stream (the widget base fields, its text,
// placed characters and ruby groups, the layout state), then revealed to the end, clicked,
// updated and written again; its text is also laid out whole by a text window. Every loop must
// end and the position stay inside the text. Input: one byte (bit 0 picks the text form), then
// the stream.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "app/task/GxTaskManage.h"
#include "core/GxLog.h"
#include "tests/support/GxContentFuzzDriver.h"
#include "ui/GxTaskUIMessageWindow.h"
#include "ui/GxTaskUITextWindow.h"

namespace {

void Run(GxContentReaderBase& reader)
{
    GxTaskManage manager;
    GxTaskBase* root = new GxTaskBase(&manager);
    auto* window = new GxTaskUIMessageWindowFx(root, u"$MESWIN", nullptr, 0);
    window->ReadContent(reader);
    const int32_t length = window->GetTextLength();
    if (window->GetProcessPos() < 0 || window->GetProcessPos() > length) abort();
    for (int i = 0; i < 3; ++i) window->Update(0, 16000);
    window->ProcessClick();
    window->FlushMessage(true, false);
    if (window->GetRestCharCount() != 0) abort();
    window->ProcessClick();
    window->Update(0, -5000000000LL);

    GxContentFuzzWriteBack(*window);

    auto* text = new GxTaskUITextWindowFx(root, u"text", nullptr, 0);
    text->SetTextRegion(0, 0, static_cast<int32_t>(length % 900) - 50, 100);
    text->SetMessage(window->GetText(), (length & 1) != 0, (length & 2) != 0);
    if (text->GetRestCharCount() != 0) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool once = (GxSetErrorLogPath(u"/dev/null"), true);
    (void)once;
    GxContentFuzzRead(data, size, Run);
    return 0;
}
