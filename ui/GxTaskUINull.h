// The empty widget (UI module type 1): an invisible placeholder with a name, a place in the
// tree and the widget interface that draws nothing. Screens use it as a container and as the
// catch-all target of their own UI events.
#pragma once

#include "ui/GxTaskUIBase.h"

class GxTaskUINull : public GxTaskUIBase
{
public:
    GxTaskUINull(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex)
        : GxTaskUIBase(parent, taskName, localName, localIndex)
    {
        SetTaskType(GxUIModuleType::Null);
    }

    // Nothing to load.
    bool LoadImageSet(const std::u16string& imageSetName) override
    {
        (void)imageSetName;
        return true;
    }
    bool LoadImages() override { return true; }
    void ReleaseImages() override {}
};
