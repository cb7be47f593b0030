// The title menu: its picture, the title music and the buttons that lead to a new game, the
// load screen, the gallery, the replay room, the music room, the settings, the extra story and
// the quit dialog. Each entry resets the game state for a new game.
#pragma once

#include "app/GxSeqTransitBase.h"

class GxTaskLayer;

class SeqTitle : public GxSeqTransitBase
{
public:
    explicit SeqTitle(GxTaskBase* parent);

    void OnSequenceEnter() override;
    void OnSequenceLeave() override;
    int OnUIEventLeftDown(GxTaskUIBase* sender, GxUIEventParam* param) override;
    bool AppendDrawKey(GxDrawKey& key, int32_t param, int32_t layer) override;

    GxTaskLayer* GetLayer() const { return m_Layer; }
    // A title button by its local name in "$UI:SeqTitle" (else by task name); null when absent.
    GxTaskUIBase* FindTitleButton(const char16_t* localName);

    static GxTaskBase* Create(GxTaskBase* parent);

private:
    GxTaskLayer* m_Layer = nullptr;
};
