// The battle-map selection screen between story parts: a picture with buttons from the
// battle-map UI tables. Each story button's label text names the script label at which the
// story continues; three fixed buttons open the save, load and settings screens. Entering it
// stops the script and makes it the screen a game saved here returns to.
#pragma once

#include "app/GxSeqTransitBase.h"

class GxTaskFolder;
class GxTaskLayer;

class SeqBmapSelect : public GxSeqTransitBase
{
public:
    explicit SeqBmapSelect(GxTaskBase* parent);
    ~SeqBmapSelect() override;
    static GxTaskBase* Create(GxTaskBase* parent);

    void OnSequenceEnter() override;
    void OnSequenceLeave() override;
    int OnUIEventLeftDown(GxTaskUIBase* sender, GxUIEventParam* param) override;

    // Draws this screen into the save thumbnail, before the save screen opens.
    virtual void CaptureThumbnail();

private:
    GxTaskLayer* m_Background = nullptr;
    bool m_SetHeld = false;
};
