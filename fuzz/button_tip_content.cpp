// Fuzz target: a radio button, a text button or the tool-tip balloon restored from a saved
// stream, then laid out, sized, placed, updated and written again. Input: one byte (bit 0 picks
// the text form, bits 1-2 the widget: 0 and 1 a radio button, 2 a text button, 3 the balloon),
// then the stream.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "app/task/GxTaskManage.h"
#include "core/GxLog.h"
#include "tests/support/GxContentFuzzDriver.h"
#include "ui/GxTaskUIWidgets.h"
#include "ui/GxUIText.h"

namespace {

int g_Kind = 0;

void Run(GxContentReaderBase& reader)
{
    GxTaskManage manager;
    GxTaskBase* root = new GxTaskBase(&manager);
    auto* parent = new GxTaskUIPanelIs(root, u"parent", nullptr, 0);
    if (g_Kind < 2) {
        auto* other = new GxTaskUIRadioButtonIs(parent, u"other", nullptr, 0);
        other->SetValueBool(true);
        auto* radio = new GxTaskUIRadioButtonIs(parent, u"radio", nullptr, 0);
        radio->ReadContent(reader);
        // A restored button holds no picture and no pointer state until its next load.
        for (int32_t slot = 0; slot < GxTaskUIButtonIs::kImageSlotCount; ++slot)
            if (radio->GetImage(slot)) abort();
        if (radio->GetImageIndex() != 0 || radio->GetPressCount() != 0) abort();
        radio->LoadImages();
        for (int i = 0; i < 3; ++i) radio->Update(0, 16000);
        radio->Select();
        if (!radio->GetValueBool()) abort();
        if (other->GetGroupID() == radio->GetGroupID() && other->GetValueBool()) abort();
        GxContentFuzzWriteBack(*radio);
    } else if (g_Kind == 2) {
        auto* button = new GxTaskUITextButtonIs(parent, u"text", nullptr, 0);
        button->ReadContent(reader);
        if (!GxUIIsFontIndex(button->GetTextFontIndex())) abort();
        const auto places =
            GxUILayoutTextBlock(button->GetText(), button->GetTextFontSize(), button->GetClientLeft(),
                                button->GetClientTop(), button->GetClientWidth(), button->GetAutoAlign(), u'|');
        if (places.size() > button->GetText().size()) abort();
        for (int i = 0; i < 3; ++i) button->Update(0, 16000);
        GxContentFuzzWriteBack(*button);
    } else {
        auto* tip = new GxTaskUITipHelpIs(parent, u"tip_help", nullptr, 0);
        tip->ReadContent(reader);
        if (!GxUIIsFontIndex(tip->GetTextFontIndex())) abort();
        int32_t widest = 0;
        if (tip->MeasureText(&widest) < 0 || widest < 0) abort();
        const std::u16string text = tip->GetText();
        tip->SetText(text.c_str());
        if (tip->GetWidth() < 32 || tip->GetHeight() < 32) abort();
        tip->ShowAt(GxVector3(1000.0f, 700.0f, 0.0f, 0.0f));
        (void)tip->GetPatternCount();
        tip->LoadImages();
        tip->Update(0, 16000);
        GxContentFuzzWriteBack(*tip);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool once = (GxSetErrorLogPath(u"/dev/null"), true);
    (void)once;
    if (size == 0) return 0;
    g_Kind = (data[0] >> 1) & 3;
    GxContentFuzzRead(data, size, Run);
    return 0;
}
