// Fuzz target: a list box (with a slider linked as its scroll bar) restored from a saved stream,
// then loaded without a picture, filled, scrolled and cleared, and written again. Input: one
// byte (bit 0 picks the text form), then the stream.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "app/task/GxTaskManage.h"
#include "core/GxContentWriter.h"
#include "core/GxLog.h"
#include "tests/support/GxContentFuzzDriver.h"
#include "ui/GxTaskUIWidgets.h"

namespace {

void CheckValue(GxTaskUIListBoxFx* list)
{
    const double v = list->GetValue();
    const int64_t max = static_cast<int64_t>(list->GetItemCount()) - list->GetVisibleLineCount();
    if (std::isnan(v) || v < 0.0 || v > static_cast<double>(max > 0 ? max : 0)) abort();
}

void Run(GxContentReaderBase& reader)
{
    GxTaskManage manager;
    GxTaskBase* root = new GxTaskBase(&manager);
    auto* bar = new GxTaskUIVSliderIs(root, u"bar", nullptr, 0);
    auto* list = new GxTaskUIListBoxFx(root, u"list", nullptr, 0);
    list->SetScrollBar(bar);
    list->ReadContent(reader);
    if (list->GetTextFontIndex() < 0 || list->GetTextFontIndex() > 5) abort();
    list->LoadImages();
    for (int i = 0; i < 12; ++i) list->AddItem(u"line", u"*", i % 11, u"label", i, u"descript");
    list->UpdateScrollBar();
    for (double v : {-1.0, 3.0, 1e300, static_cast<double>(NAN)}) {
        list->SetValue(v);
        CheckValue(list);
    }
    (void)list->GetSelectLabel();
    (void)list->GetSelectID();
    list->ClearSelect();
    list->ClearItems();
    CheckValue(list);
    char* data = nullptr;
    size_t size = 0;
    if (FILE* f = open_memstream(&data, &size)) {
        GxContentBinaryWriter writer(f);
        list->WriteContent(writer);
        fclose(f);
        free(data);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool once = (GxSetErrorLogPath(u"/dev/null"), true);
    (void)once;
    if (size == 0) return 0;
    GxContentFuzzRead(data, size, Run);
    return 0;
}
