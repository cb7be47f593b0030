// The load screen: only plates whose slot holds a saved game can be pressed; a confirmed load
// goes to the screen stored in the save. A save that cannot be read leaves the game as it was
// and the screen open with a failure message.
#pragma once

#include "seq/SeqSaveLoad.h"

class SeqLoad : public SeqSaveLoadBase
{
public:
    explicit SeqLoad(GxTaskBase* parent);
    // The constructor the game's screen list holds.
    static GxTaskBase* Create(GxTaskBase* parent);

    int OnUIEventLeftDown(GxTaskUIBase* sender, GxUIEventParam* param) override;

    // Whether the slot's game was checked whole and restored.
    bool LoadFromSlot(int32_t slot);
};
