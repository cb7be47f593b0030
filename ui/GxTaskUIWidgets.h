// The widget classes the UI factory builds, one per UI module type. Most widgets have their own
// header; the menu and the list box are still the widget base (or a panel) with their task type
// and nothing to load, until their drawing and behaviour come.
#pragma once

#include "ui/GxTaskUIButton.h"
#include "ui/GxTaskUIHBar.h"
#include "ui/GxTaskUIMessageWindow.h"
#include "ui/GxTaskUIPanel.h"
#include "ui/GxTaskUISlider.h"
#include "ui/GxTaskUITextLog.h"
#include "ui/GxTaskUITextWidgets.h"
#include "ui/GxTaskUITextWindow.h"
#include "ui/GxTaskUITipHelp.h"

class GxTaskUIMenuIs : public GxTaskUIBase
{
public:
    GxTaskUIMenuIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex)
        : GxTaskUIBase(parent, taskName, localName, localIndex)
    {
        SetTaskType(GxUIModuleType::MenuIs);
    }

    bool LoadImageSet(const std::u16string& imageSetName) override
    {
        (void)imageSetName;
        return true;
    }
    bool LoadImages() override { return true; }
    void ReleaseImages() override {}
};

class GxTaskUIListBoxFx : public GxTaskUIPanelFx
{
public:
    GxTaskUIListBoxFx(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex)
        : GxTaskUIPanelFx(parent, taskName, localName, localIndex)
    {
        SetTaskType(GxUIModuleType::ListBoxFx);
    }
};
