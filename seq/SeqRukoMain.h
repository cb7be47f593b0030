// The main play screen, on which the story runs: the layers of backgrounds, event pictures,
// stand pictures, movies, flash and fade; the message and name windows with their buttons; the
// choice buttons; the background-transition overlay. Each frame it decides whether the script
// may go on and lets the main worker run while it may, and it turns the player's input into the
// end of the script's waits, the advance of the message, auto and skip, hiding the window and
// the changes to the other screens.
//
// The script-facing operations (message, name, choices, background transition, resets, quick
// save, thumbnail) live in SeqRukoMainOps.cpp.
#pragma once

#include <cstdint>
#include <string>

#include "app/GxSeqTransitBase.h"
#include "game/GxMainScreen.h"

class GxCore;
class GxTaskActor;
class GxTaskFolder;
class GxTaskLayer;
class GxTaskUIBase;
class GxTaskUIMessageWindowFx;
class GxUserConfig;
class GxUserData;

class SeqRukoMain : public GxSeqTransitBase, public GxMainScreen
{
public:
    // Statements the worker may run in one frame without the script waiting. A script that
    // loops without a wait would otherwise never give the frame back (no drawing, no input, no
    // close); at the budget the frame ends and the script goes on in the next one.
    static constexpr int32_t kStatementBudget = 10000;

    // Input kinds of the hold words.
    static constexpr int32_t kHoldClick = 2;
    static constexpr int32_t kHoldSkip = 8;

    explicit SeqRukoMain(GxTaskBase* parent);
    ~SeqRukoMain() override;

    void OnSequenceEnter() override;
    void OnSequenceLeave() override;
    int Update(int32_t step, int64_t elapsed) override;
    int Draw(int32_t param, int32_t layer) override;
    bool AppendDrawKey(GxDrawKey& key, int32_t param, int32_t layer) override;

    bool IsUIVisible(GxTaskUIBase* widget) override;
    bool IsIdle() override;
    bool IsUnlocked1() override { return IsUnlocked(0); }
    bool IsUnlocked2() override { return IsUnlocked(1); }
    bool IsUnlocked3() override { return IsUnlocked(2); }

    // One skip step: the rest of a read message at once, the click wait ended, every hold that
    // a skip may end released, actions and transitions run to their end.
    virtual void SkipStep();
    virtual void UpdateAutoMode(int32_t elapsedMs);
    // Ends the first hold word (in wait-word order) that accepts one of the input kinds of
    // mask; true when one was ended.
    virtual bool ReleaseHoldByInput(int32_t mask);
    // Ends the hold words whose awaited event is over (elapsed in microseconds).
    virtual void UpdateHolds(int64_t elapsed);

    // GxMainScreen (the operations not defined here are in SeqRukoMainOps.cpp).
    bool CaptureScreen() override;
    bool StartBGTransit(std::u16string_view backgroundFile, std::u16string_view maskFile, int32_t timeMs,
                        bool clearStands) override;
    bool IsBGTransit() override { return m_BGTransit.m_Transit; }
    bool EndBGTransit() override;
    void SetMessage(std::u16string_view text, bool readBefore, bool ignoreKinsoku, bool noAutoNewline) override;
    void ClearMessage() override;
    void SetName(std::u16string_view name, int32_t mode) override;
    void ClearName() override;
    void StartSelect() override;
    void SelectChoice(int32_t index) override;
    void QuickSave() override;
    void CaptureThumbnail() override;
    void ResetWindows() override;
    void ResetVisuals() override;

    // "btn_auto" / "btn_skip" set to off.
    void ResetAutoButton();
    void ResetSkipButton();

    int OnMouseWheel(const GxMousePoint& pt, int32_t wheelDelta, uint32_t keyState) override;
    int OnMouseLeftDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick) override;
    int OnMouseRightDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick) override;
    int OnKeyDown(GxWParam virtualKey, GxLParam lParam) override;
    int OnUIEventLeftDown(GxTaskUIBase* sender, GxUIEventParam* param) override;

    // The message window; null when its layout row did not build one.
    GxTaskUIMessageWindowFx* FindMessageWindow() const { return m_MessageWindow; }
    const GxTransitParam& GetBGTransit() const { return m_BGTransit; }

protected:
    // What the screen asks of the main window and the keyboard. The program's answers come
    // from the application object and the key state; tests may answer for them.
    virtual bool IsMainWindowActive();
    // The window services report no minimised state: a minimised window has lost the focus,
    // which already stops the Ctrl skip.
    virtual bool IsMainWindowMinimised() { return false; }
    virtual bool IsCtrlDown();

private:
    GxCore* Core() const;
    GxUserData* UserData() const;
    GxUserConfig* UserConfig() const;
    bool IsUnlocked(int lock);
    // A widget of the screen by local name (index 0), silently null when absent.
    GxTaskUIBase* FindWidget(const char16_t* name) const;
    void ShowWidget(const char16_t* name, bool show) const;
    // The layer a separate-layer hold waits for: a TaskName when it begins with "$", else a
    // stand layer's local name.
    GxTaskActor* FindHoldLayer(const std::u16string& name) const;
    void RunScript();
    void ChangeTo(const char16_t* name);
    // Restores a hidden window; true when it was hidden.
    bool RestoreWindow();
    // The end of a message by a click: the voice records are emptied and, unless the options
    // keep voices to their end, the voices stop.
    void OnMessageEnd();
    void SendLeftDown(GxTaskUIBase* widget, const GxMousePoint& pt);
    void BuildStandLayers();
    void BuildWindows();
    void BuildChoiceButtons();

    GxTransitParam m_BGTransit;
    bool m_BudgetWarned = false;
    bool m_ReplayEndLogged = false;

    GxTaskFolder* m_Root = nullptr;
    GxTaskLayer* m_Visual = nullptr;
    GxTaskLayer* m_BgLayer = nullptr;
    GxTaskLayer* m_BgwLayer = nullptr;
    GxTaskLayer* m_MovieLayer = nullptr;
    GxTaskLayer* m_GlobalFlash = nullptr;
    GxTaskLayer* m_GlobalFade = nullptr;
    GxTaskFolder* m_Stand = nullptr;
    GxTaskFolder* m_UI = nullptr;
    GxTaskUIMessageWindowFx* m_MessageWindow = nullptr;
    GxTaskUIBase* m_NameWindow = nullptr;
    GxTaskLayer* m_NameImage = nullptr;
    GxTaskFolder* m_Select = nullptr;
    GxTaskLayer* m_BGTransitLayer = nullptr;
};

// The constructor the game start-up runs.
GxTaskBase* SeqRukoMainCreate(GxTaskBase* parent);
