// The music room: the tracks of the music-room table as radio buttons, with play, stop,
// previous and next (wrapping), a now-playing indicator beside the selected track and a back
// button (or a right click) to the screen it was opened from. Entering starts silent with no
// track selected; leaving keeps the music playing.
#pragma once

#include <cstdint>

#include "app/GxSeqTransitBase.h"

class GxNcCrammedImageSet;
class GxTaskFolder;
class GxTaskLayer;
class GxTaskUIBase;

class SeqBGMMode : public GxSeqTransitBase
{
public:
    static constexpr int32_t kMaxTracks = 59;
    // The indicator stands this far left of the selected track's button.
    static constexpr float kIndicatorOffset = 37.0f;

    explicit SeqBGMMode(GxTaskBase* parent);
    ~SeqBGMMode() override;
    static GxTaskBase* Create(GxTaskBase* parent);

    void OnSequenceEnter() override;
    void OnSequenceLeave() override;
    int Render(int32_t step, int64_t elapsed) override;
    // 0 clears the screen, 1 draws the screen transition, 2 the pass above the widgets.
    int Draw(int32_t param, int32_t layer) override;
    int OnMouseRightDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick) override;
    int OnUIEventLeftDown(GxTaskUIBase* sender, GxUIEventParam* param) override;

    // Rows 1.. of the music-room table up to the first without a file, at most kMaxTracks.
    static int32_t CountTracks();
    int32_t GetTrackCount() const { return m_TrackCount; }
    int32_t GetCurrentTrack() const { return m_CurrentTrack; }

private:
    GxTaskUIBase* FindWidget(const char16_t* localName, int32_t index);
    void SelectRadio(const char16_t* localName, int32_t index);
    // Selects the current track's button and plays it unless it already plays.
    void PlayCurrentTrack();
    void UpdateIndicator();

    GxTaskFolder* m_UI = nullptr;
    GxTaskLayer* m_Background = nullptr;
    int32_t m_TrackCount = 0;
    int32_t m_CurrentTrack = 0;
    bool m_ExtraSet = false;
    bool m_NameSet = false;
};
