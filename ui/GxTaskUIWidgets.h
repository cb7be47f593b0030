// The widget classes the UI factory builds, one per UI module type. The panels have their own
// header; each class here is still the widget base (or a panel) with its task type (and, for
// buttons, the button kind bit) and nothing to load; their drawing and behaviour come with the
// widgets themselves.
#pragma once

#include "ui/GxTaskUIButton.h"
#include "ui/GxTaskUIPanel.h"
#include "ui/GxTaskUITextWidgets.h"
#include "ui/GxTaskUITipHelp.h"

class GxTaskUIMessageWindowFx : public GxTaskUIPanelFx
{
public:
    GxTaskUIMessageWindowFx(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex)
        : GxTaskUIPanelFx(parent, taskName, localName, localIndex)
    {
        SetTaskType(GxUIModuleType::MessageWindowFx);
    }
};

class GxTaskUITextWindowFx : public GxTaskUIPanelFx
{
public:
    GxTaskUITextWindowFx(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex)
        : GxTaskUIPanelFx(parent, taskName, localName, localIndex)
    {
        SetTaskType(GxUIModuleType::TextWindowFx);
    }
};

class GxTaskUIHSliderIs : public GxTaskUIBase
{
public:
    GxTaskUIHSliderIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex)
        : GxTaskUIBase(parent, taskName, localName, localIndex)
    {
        SetTaskType(GxUIModuleType::HSliderIs);
    }

    bool LoadImageSet(const std::u16string& imageSetName) override
    {
        (void)imageSetName;
        return true;
    }
    bool LoadImages() override { return true; }
    void ReleaseImages() override {}
};

class GxTaskUIVSliderIs : public GxTaskUIBase
{
public:
    GxTaskUIVSliderIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex)
        : GxTaskUIBase(parent, taskName, localName, localIndex)
    {
        SetTaskType(GxUIModuleType::VSliderIs);
    }

    bool LoadImageSet(const std::u16string& imageSetName) override
    {
        (void)imageSetName;
        return true;
    }
    bool LoadImages() override { return true; }
    void ReleaseImages() override {}
};

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

class GxTaskUIHBarIs : public GxTaskUIBase
{
public:
    GxTaskUIHBarIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex)
        : GxTaskUIBase(parent, taskName, localName, localIndex)
    {
        SetTaskType(GxUIModuleType::HBarIs);
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

class GxTaskUITextLogFx : public GxTaskUIPanelFx
{
public:
    GxTaskUITextLogFx(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex)
        : GxTaskUIPanelFx(parent, taskName, localName, localIndex)
    {
        SetTaskType(GxUIModuleType::TextLogFx);
    }
};
