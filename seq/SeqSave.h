// The save screen: a plate pressed and confirmed writes the game to its slot with the thumbnail
// the main play screen captured before opening the screen. A save that does not reach the disk
// changes nothing else and tells the player so.
#pragma once

#include "seq/SeqSaveLoad.h"

class SeqSave : public SeqSaveLoadBase
{
public:
    explicit SeqSave(GxTaskBase* parent);
    // The constructor the game's screen list holds.
    static GxTaskBase* Create(GxTaskBase* parent);

    int OnUIEventLeftDown(GxTaskUIBase* sender, GxUIEventParam* param) override;

    // The thumbnail, then the game, then the last-saved mark, the options and the permanent
    // data. False (logged, failure dialog shown) when the game could not be written; the slot's
    // files are then as they were. Options or permanent data that do not reach the disk are
    // shown in the failure dialog too.
    bool SaveToSlot(int32_t slot);

    // The report hook of the writes between saves (GxSetKeptDataReport): the failure in the
    // system screen's user dialog, unless a dialog is open now (false: offered again later).
    static bool ShowKeptDataFailure(GxCore* core, const std::u16string& text);
};
