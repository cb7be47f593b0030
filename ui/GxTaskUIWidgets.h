// The widget classes the UI factory builds, one per UI module type. The panels have their own
// header; each class here is still the widget base (or a panel) with its task type (and, for
// buttons, the button kind bit) and nothing to load; their drawing and behaviour come with the
// widgets themselves.
#pragma once

#include "ui/GxTaskUIMessageWindow.h"
#include "ui/GxTaskUIPanel.h"
#include "ui/GxTaskUITextWindow.h"

class GxTaskUITextPanelFx : public GxTaskUIPanelFx
{
public:
    GxTaskUITextPanelFx(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex)
        : GxTaskUIPanelFx(parent, taskName, localName, localIndex)
    {
        SetTaskType(GxUIModuleType::TextPanelFx);
    }
};

class GxTaskUITextPanelIs : public GxTaskUIPanelIs
{
public:
    GxTaskUITextPanelIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex)
        : GxTaskUIPanelIs(parent, taskName, localName, localIndex)
    {
        SetTaskType(GxUIModuleType::TextPanelIs);
    }
};

class GxTaskUIButtonIs : public GxTaskUIBase
{
public:
    GxTaskUIButtonIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex)
        : GxTaskUIBase(parent, taskName, localName, localIndex)
    {
        SetTaskType(GxUIModuleType::ButtonIs);
        AddKindFlags(GxTaskKind::Button);
    }

    bool LoadImageSet(const std::u16string& imageSetName) override
    {
        (void)imageSetName;
        return true;
    }
    bool LoadImages() override { return true; }
    void ReleaseImages() override {}
};

class GxTaskUIToggleButtonIs : public GxTaskUIButtonIs
{
public:
    GxTaskUIToggleButtonIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex)
        : GxTaskUIButtonIs(parent, taskName, localName, localIndex)
    {
        SetTaskType(GxUIModuleType::ToggleButtonIs);
    }
};

class GxTaskUIRadioButtonIs : public GxTaskUIToggleButtonIs
{
public:
    GxTaskUIRadioButtonIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex)
        : GxTaskUIToggleButtonIs(parent, taskName, localName, localIndex)
    {
        SetTaskType(GxUIModuleType::RadioButtonIs);
    }
};

class GxTaskUITextButtonIs : public GxTaskUIButtonIs
{
public:
    GxTaskUITextButtonIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex)
        : GxTaskUIButtonIs(parent, taskName, localName, localIndex)
    {
        SetTaskType(GxUIModuleType::TextButtonIs);
    }
};

#include "ui/GxTaskUISlider.h"

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

#include "ui/GxTaskUIHBar.h"

class GxTaskUITipHelpIs : public GxTaskUIBase
{
public:
    GxTaskUITipHelpIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex)
        : GxTaskUIBase(parent, taskName, localName, localIndex)
    {
        SetTaskType(GxUIModuleType::TipHelpIs);
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

#include "ui/GxTaskUITextLog.h"
