// The settings screen: the player's options on four pages (system, sound, voice, game) under
// one row of tab buttons, plus the switch between window and full screen, the return to the
// title and the reset of every option (each after a question), the quit request and the way back
// to the screen that opened it. Sound and voice sliders take effect while they move; the other
// options when the screen is left.
//
// The binding of each widget to its option lives in SeqConfigBindings.cpp.
#pragma once

#include <cstdint>

#include "app/GxSeqTransitBase.h"

class GxTaskFolder;
class GxTaskLayer;
class GxTaskUIBase;

class SeqConfig : public GxSeqTransitBase
{
public:
    enum Page : int32_t { kPageSystem = 0, kPageSound = 1, kPageVoice = 2, kPageGame = 3, kPageCount = 4 };
    // Screen modes of the graphics layer that the two display buttons switch between.
    static constexpr int32_t kModeWindow = 0;
    static constexpr int32_t kModeFullScreen = 2;

    explicit SeqConfig(GxTaskBase* parent);
    ~SeqConfig() override;
    // The constructor the game's screen list holds.
    static GxTaskBase* Create(GxTaskBase* parent);

    void OnSequenceEnter() override;
    void OnSequenceLeave() override;
    // The display buttons follow a mode change made elsewhere (the F4 key).
    int OnChangeScreenMode(int32_t fromMode, int32_t toMode) override;
    // Stands for a press of the back button.
    int OnMouseRightDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick) override;
    int OnUIEventLeftDown(GxTaskUIBase* sender, GxUIEventParam* param) override;
    // Slider moves reach the sound at once.
    int OnUIEventValueChange(GxTaskUIBase* sender, GxUIEventParam* param) override;

    // Shows the page of the first tab button that is on (system, sound, voice, game); nothing
    // when none is.
    void SelectTabPage();

    // Every widget from the options.
    void ReadUserConfig();
    // The system page, the sound page's two switches and the game page into the options, then
    // the window opacity and the colours of a showing choice applied.
    void StoreGeneralOptions();
    // The sound sliders into the options, then the volumes applied to what plays.
    void StoreSoundVolumes();
    // The voice sliders that exist into the options, then the playing voices' volumes.
    void StoreVoiceVolumes();
    // Every option to its default but the screen mode, shown and applied at once.
    void ResetUserConfig();

    GxTaskFolder* GetPage(int32_t page) const;
    // The page last selected; -1 before any.
    int32_t GetSelectedPage() const { return m_SelectedPage; }

private:
    // A tab button by page.
    GxTaskUIBase* TabButton(int32_t page) const;
    bool IsTabOn(int32_t page) const;
    // Switches the display; the options and the two display buttons follow the real outcome.
    bool ChangeMode(int32_t userMode);
    void ShowScreenMode();
    // The sound and voice pages' stores for whichever of the two is selected.
    void StoreSelectedVolumes();
    void ApplyVolumes();
    void ApplyWindowOpacity(int32_t opacity);
    void RecolourChoices();

    GxTaskFolder* m_UI = nullptr;
    GxTaskFolder* m_Pages[kPageCount] = {};
    GxTaskLayer* m_Background = nullptr;
    int32_t m_SelectedPage = -1;
    bool m_ImageSetHeld = false;
};
