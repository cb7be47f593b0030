// What the script commands and the game state ask of the main play screen. The screen
// ("SeqRukoMain") implements it; commands find it through the task manager by that name.
#pragma once

#include <cstdint>
#include <string_view>

#include "app/GxMainScreenFlags.h"
#include "game/GxUserData.h"

class GxCore;

// The main play screen's task name and the names of the tasks it builds, by which commands, the
// save code and the settings screen find them.
inline constexpr const char16_t* kGxMainScreenName = u"SeqRukoMain";
inline constexpr const char16_t* kGxMainScreenRoot = u"$ROOT:SeqRukoMain";
inline constexpr const char16_t* kGxMainScreenVisual = u"$VISUAL:SeqRukoMain";
inline constexpr const char16_t* kGxMainScreenBGLayer = u"$BGLAYER:SeqRukoMain";
inline constexpr const char16_t* kGxMainScreenBGWLayer = u"$BGWLAYER:SeqRukoMain";
inline constexpr const char16_t* kGxMainScreenMovieLayer = u"$MOVIELAYER:SeqRukoMain";
inline constexpr const char16_t* kGxMainScreenFlash = u"$GLOBALFLASH:SeqRukoMain";
inline constexpr const char16_t* kGxMainScreenFade = u"$GLOBALFADE:SeqRukoMain";
inline constexpr const char16_t* kGxMainScreenStand = u"$STAND:SeqRukoMain";
inline constexpr const char16_t* kGxMainScreenUI = u"$UI:SeqRukoMain";
inline constexpr const char16_t* kGxMainScreenSelect = u"$SELECT:SeqRukoMain";
inline constexpr const char16_t* kGxMainScreenBGTransit = u"$BGTRANSIT:SeqRukoMain";
inline constexpr const char16_t* kGxMainScreenMesWin = u"$MESWIN:SeqRukoMain";
inline constexpr const char16_t* kGxMainScreenNameWin = u"$NAMEWIN:SeqRukoMain";
inline constexpr const char16_t* kGxMainScreenNameImage = u"$NAMEIMAGE:SeqRukoMain";

class GxMainScreen : public GxMainScreenResets
{
public:
    // Renders the scene into the global render texture and keeps a memory copy (the old screen
    // of a background transition).
    virtual bool CaptureScreen() = 0;
    // Starts a background change that wipes the captured screen away through the mask (empty:
    // no mask) over timeMs; clearStands empties every stand layer first.
    virtual bool StartBGTransit(std::u16string_view backgroundFile, std::u16string_view maskFile, int32_t timeMs,
                                bool clearStands) = 0;
    virtual bool IsBGTransit() = 0;
    // Ends a running transition; false when none ran.
    virtual bool EndBGTransit() = 0;

    virtual void SetMessage(std::u16string_view text, bool readBefore, bool ignoreKinsoku, bool noAutoNewline) = 0;
    virtual void ClearMessage() = 0;
    // mode: 0 none, 1 text, 2 name image only, 3 image when one exists else text.
    virtual void SetName(std::u16string_view name, int32_t mode) = 0;
    virtual void ClearName() = 0;

    // Shows the select menu items of the game state as choice buttons.
    virtual void StartSelect() = 0;
    // The player picked item index (1..N).
    virtual void SelectChoice(int32_t index) = 0;

    virtual void QuickSave() = 0;
    // Captures the thumbnail of a save before the save screen opens.
    virtual void CaptureThumbnail() = 0;
};

// The main play screen of the core's task manager; null when there is none.
GxMainScreen* GxFindMainScreen(GxCore* core);
