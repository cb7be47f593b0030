// The back log: the lines the story has shown, newest at the bottom, a page of rows at a time,
// each with its speaker in 【】 and a button that plays the line's voices again. It always opens
// at the newest lines and returns to the screen that opened it (back button, right click, or the
// wheel turned down past the last line).
#pragma once

#include <cstdint>
#include <string>

#include "app/GxSeqTransitBase.h"

class GxTaskFolder;
class GxTaskLayer;
class GxTaskUIBase;
struct GxMessageLogElement;

class SeqRukoLog : public GxSeqTransitBase
{
public:
    // Lines one fast-scroll button moves.
    static constexpr int32_t kFastStep = 4;

    explicit SeqRukoLog(GxTaskBase* parent);
    ~SeqRukoLog() override;
    // The constructor the game's screen list holds.
    static GxTaskBase* Create(GxTaskBase* parent);

    void OnSequenceEnter() override;
    void OnSequenceLeave() override;
    int Update(int32_t step, int64_t elapsed) override;
    // One line per wheel event whatever the notches; down at the last line closes the log.
    int OnMouseWheel(const GxMousePoint& pt, int32_t wheelDelta, uint32_t keyState) override;
    int OnMouseRightDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick) override;
    int OnUIEventLeftDown(GxTaskUIBase* sender, GxUIEventParam* param) override;

    // Fills every row from the log at the scroll position.
    void BuildLogList();
    // The text a row shows for a log entry.
    static std::u16string RowText(const GxMessageLogElement& element);

    // The rows of a page (the settings' back-log page size, 5 by default).
    int32_t GetRowCount() const;
    int32_t GetLogLength() const;
    // The last scroll position: the newest page.
    int32_t GetLastPosition() const;
    int32_t GetScrollPosition() const { return m_ScrollPos; }

private:
    GxTaskUIBase* FindWidget(const char16_t* localName, int32_t index) const;
    void Scroll(int32_t delta);
    // Raises the back button's press when it may take input now.
    void PressBack();
    void ReplayVoices(int32_t row);

    GxTaskFolder* m_UI = nullptr;
    GxTaskLayer* m_Background = nullptr;
    int32_t m_ScrollPos = 0;
};
