#include "ui/GxUIWidgetTable.h"

#include "app/GxTaskControl.h"
#include "ui/GxTaskUINull.h"
#include "ui/GxTaskUIWidgets.h"

namespace {

template <class Widget>
GxTaskUIBase* Make(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex)
{
    return new Widget(parent, taskName, localName, localIndex);
}

using T = GxUIModuleType;

constexpr GxUIWidgetClass kClasses[] = {
    {T::Null, &Make<GxTaskUINull>},
    {T::PanelFx, &Make<GxTaskUIPanelFx>},
    {T::MessageWindowFx, &Make<GxTaskUIMessageWindowFx>},
    {T::TextWindowFx, &Make<GxTaskUITextWindowFx>},
    {T::TextPanelFx, &Make<GxTaskUITextPanelFx>},
    {T::PanelIs, &Make<GxTaskUIPanelIs>},
    {T::AnimePanelIs, &Make<GxTaskUIAnimePanelIs>},
    {T::TextPanelIs, &Make<GxTaskUITextPanelIs>},
    {T::ButtonIs, &Make<GxTaskUIButtonIs>},
    {T::ToggleButtonIs, &Make<GxTaskUIToggleButtonIs>},
    {T::RadioButtonIs, &Make<GxTaskUIRadioButtonIs>},
    {T::TextButtonIs, &Make<GxTaskUITextButtonIs>},
    {T::HSliderIs, &Make<GxTaskUIHSliderIs>},
    {T::VSliderIs, &Make<GxTaskUIVSliderIs>},
    {T::MenuIs, &Make<GxTaskUIMenuIs>},
    {T::HBarIs, &Make<GxTaskUIHBarIs>},
    {T::TipHelpIs, &Make<GxTaskUITipHelpIs>},
    {T::ListBoxFx, &Make<GxTaskUIListBoxFx>},
    {T::TextLogFx, &Make<GxTaskUITextLogFx>},
};

constexpr GxUIWidgetTable kTable{
    kClasses,
    static_cast<int32_t>(sizeof(kClasses) / sizeof(kClasses[0])),
    GxUIWidgetOps{
        [](GxTaskUIBase* w) -> GxTaskActor* { return w; },
        [](GxTaskBase* t) -> GxTaskUIBase* { return dynamic_cast<GxTaskUIBase*>(t); },
        [](GxTaskUIBase* w) { w->ResetEventState(); },
        [](const GxTaskUIBase* w) { return w->IsVisibleAll(); },
        [](const GxTaskUIBase* w) { return w->IsEnabledAll(); },
        [](const GxTaskUIBase* w) { return w->GetModalPriorityAll(); },
        [](GxTaskUIBase* w, const DBUIModuleData& module) { w->ApplyModule(module); },
        [](GxTaskUIBase* w, const DBUILayoutData& layout) { w->ApplyLayout(layout); },
    },
};

}  // namespace

void GxRegisterUIWidgets() { GxTaskControl::SetUIWidgetTable(&kTable); }
