// The main play screen, on which the story runs. For now only what the game state asks of it:
// the display resets of a new game and of the battle map, which have nothing to reset until the
// screen builds its layers and windows.
#pragma once

#include "app/GxSeqBase.h"
#include "game/GxUserData.h"

class SeqRukoMain : public GxSeqBase, public GxMainScreenResets
{
public:
    explicit SeqRukoMain(GxTaskBase* parent) : GxSeqBase(u"SeqRukoMain", parent) {}

    void ResetWindows() override {}
    void ResetVisuals() override {}
};
