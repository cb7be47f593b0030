// The running game's state: everything about the story in progress that is not a script
// variable. The title of the play, where a loaded game returns to, the choice menu, the wait
// words through which the script commands pause the script, the back log, what plays on the
// game's sound channels, and a few display switches. One object, created at start-up and kept
// until shutdown; a new game, a load and a replay reset it in place.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "core/GxContentFormat.h"

class GxCore;
class GxContentReaderBase;
class GxContentWriterBase;

// What the game's sound functions record when they start a sound, so that a saved game can
// start it again. An empty file name means nothing plays.
struct GxSoundChannelRecord
{
    std::u16string m_FileName;
    int32_t m_Loop = 0;               // play count as given: 1 once, 0 forever
    uint32_t m_StartSeekPosTime = 0;  // ms
    uint32_t m_LoopPosTime = 0;       // ms
    int32_t m_FadeInTime = 0;         // ms
    int32_t m_CharID = 0;             // whose voice volume applies (voice records)

    void Clear() { *this = GxSoundChannelRecord(); }
};

struct GxSelectMenuItem
{
    std::u16string m_Text;
    std::u16string m_Label;
    bool m_Enable = false;
    bool m_Visible = false;
    bool m_BeforeSelected = false;
    bool m_UseGosub = false;  // call the label instead of jumping to it
};

// One back-log entry.
struct GxMessageLogElement
{
    static constexpr int kVoiceCount = 4;

    std::u16string m_Name;
    std::u16string m_Message;
    bool m_IgnoreKinsoku = false;
    bool m_DisenableAutoNewline = false;
    bool m_ShowNameByText = false;
    // The four voice records as they stood when the message was logged.
    std::u16string m_VoiceFileName[kVoiceCount];
    int32_t m_VoiceCharID[kVoiceCount] = {};
};

// The head of a saved game, as the save and load lists show it.
struct GxGameDataHeader
{
    bool valid = false;  // the file was read and its tag matched
    std::u16string m_SaveTime;
    std::u16string m_GameDataTitle;
    std::u16string m_RestoreSequence;
    std::u16string m_RestoreSubParam;
    GxBit32 m_GameDataOption = 0;
};

// What the game state asks of the main play screen; the screen implements it and is found by
// its task name "SeqRukoMain".
class GxMainScreenResets
{
public:
    virtual ~GxMainScreenResets() = default;
    // The display reset before a new game, a load or a replay.
    virtual void ResetWindows() = 0;
    // The display reset when the battle-map selection screen is entered.
    virtual void ResetVisuals() = 0;
};

class GxUserData
{
public:
    static constexpr int kSECount = 4;
    static constexpr int kVoiceCount = 4;

    // Stores the owner (may be null in tests) and resets.
    explicit GxUserData(GxCore* core);
    virtual ~GxUserData() = default;

    GxCore* GetCore() const { return m_Core; }

    // The reset of the whole state of the game in progress.
    void Reset();
    // Choice state back to no menu: every item enabled, visible, empty. m_LastSelectNum stays.
    void ClearSelectMenu();
    // Empties the four voice records; the voices themselves play on.
    void ClearVoiceRecords();
    void SetGameDataTitle(const std::u16string& title) { m_GameDataTitle = title; }
    void SetRestoreSequence(const std::u16string& taskName) { m_RestoreSequence = taskName; }
    std::u16string GetRestoreSequence() const { return m_RestoreSequence; }
    // Appends a back-log entry with a snapshot of the voice records, then drops the oldest
    // entries beyond the back-log capacity of the settings.
    void AppendMessageLog(const std::u16string& name, const std::u16string& message, bool ignoreKinsoku,
                          bool disableAutoNewline);
    // The full reset before a new game, a load, a quick load or a replay: stops what plays
    // (the music only when stopBGM is set), resets the state, the main play screen's display
    // and the script, and covers the screen.
    void ResetForNewGame(bool stopBGM);
    // The partial reset when the battle-map selection screen is entered: the log, the choices
    // and the music stay.
    void ResetForBattleMap();
    // Every wait word and the time left to 0, the layer name empty.
    void ClearWaitWords();

    // Saved games (game/GxSaveGame.cpp). A saved game holds this state, the script's in-game
    // variables and position, what plays on the sound channels, and the main play screen's
    // layers, windows and choice buttons.
    static constexpr uint32_t kSaveVersion = 100;
    // The newest back-log entries a saved game keeps.
    static constexpr size_t kSavedLogLimit = 100;

    // Writes the file through the atomic writer (binary: tag "BGD", else text: "TGD"), so a
    // failed or interrupted save leaves the previous file whole. Empties the records of the
    // channels that are silent first. True when every byte reached the disk.
    bool SaveGameData(std::u16string_view path, bool binary = true);
    // Reads a file of either form. The whole file is checked first (tag, and every value read
    // into scratch objects or walked to its end); a file that fails changes nothing and gives
    // false. Then, with restoreAll, the game is reset (ResetForNewGame(true), so callers do not
    // reset first) and everything is restored: script, sounds, layers, windows, choice buttons.
    // Without restoreAll only this state is replaced. True when the restore read without error.
    bool LoadGameData(std::u16string_view path, bool restoreAll = true);
    // The head only; header.valid and true when the file was read and its tag matched.
    static bool LoadGameDataHeader(std::u16string_view path, GxGameDataHeader& header);

    // The parts of a save; each is true when the stream's error count is 0 afterwards.
    bool WriteSoundRecords(GxContentWriterBase& writer);
    // Stops every sound, reads the ten records, then starts the music (1000 ms fade-in), the
    // ambient sound (1000 ms fade-in) and the effects again; voices are never replayed.
    bool ReadSoundRecords(GxContentReaderBase& reader);
    bool WriteLayers(GxContentWriterBase& writer);
    // Stops every movie first. A stand stratum whose layer no longer exists is passed over.
    bool ReadLayers(GxContentReaderBase& reader);
    bool WriteMessageWindows(GxContentWriterBase& writer);
    // The current settings and options then win over the saved margin and window opacity.
    bool ReadMessageWindows(GxContentReaderBase& reader);
    bool WriteSelectButtons(GxContentWriterBase& writer);
    bool ReadSelectButtons(GxContentReaderBase& reader);
    static bool WriteSelectMenuItem(GxContentWriterBase& writer, const GxSelectMenuItem& item);
    static bool ReadSelectMenuItem(GxContentReaderBase& reader, GxSelectMenuItem& item);
    static bool WriteMessageLogElement(GxContentWriterBase& writer, const GxMessageLogElement& element);
    static bool ReadMessageLogElement(GxContentReaderBase& reader, GxMessageLogElement& element);
    static bool WriteSoundChannelRecord(GxContentWriterBase& writer, const GxSoundChannelRecord& record);
    static bool ReadSoundChannelRecord(GxContentReaderBase& reader, GxSoundChannelRecord& record);

    std::u16string m_GameDataTitle;
    std::u16string m_RestoreSequence;
    std::u16string m_RestoreSubParam;
    GxBit32 m_GameDataOption = 0;
    bool m_IsSelecting = false;
    int32_t m_LastSelectNum = 0;
    int32_t m_CancelSelectNum = 0;
    std::u16string m_SelectHash;
    std::vector<GxSelectMenuItem> m_SelectItems;  // item 0 is no button; 1..10 are "btn_select"

    // Wait words: input masks, 0 = no wait. The script runs only while all are 0.
    int32_t m_Hold_WaitClick = 0;
    int32_t m_Hold_WaitTime = 0;
    int32_t m_Hold_WaitTime_TimeLeft = 0;  // ms
    int32_t m_Hold_EndOfMovie = 0;
    int32_t m_Hold_EndOfLayerActionAll = 0;
    int32_t m_Hold_EndOfLayerActionSeparate = 0;
    std::u16string m_Hold_EndOfLayerActionSeparate_LayerName;
    int32_t m_Hold_EndOfBGM = 0;
    int32_t m_Hold_EndOfBGV = 0;
    int32_t m_Hold_EndOfSE = 0;
    int32_t m_Hold_EndOfVoice = 0;

    int32_t m_NameIdentifyMode = 2;
    bool m_IgnoreKinsoku = false;
    // 1 after yes or OK, 0 after no or cancel of the user dialog.
    int32_t m_LastDialogResult = 0;
    std::deque<GxMessageLogElement> m_MessageLog;  // oldest first

    GxSoundChannelRecord m_BGMRecord;
    GxSoundChannelRecord m_BGVRecord;
    GxSoundChannelRecord m_SERecord[kSECount];
    GxSoundChannelRecord m_VoiceRecord[kVoiceCount];

    bool m_ReplayMode = false;
    bool m_HideWindowByCommandFlag = false;

private:
    GxMainScreenResets* FindMainScreen() const;
    // The running-state rows of a saved game (after the header, before the script blocks).
    bool WriteGameStateRows(GxContentWriterBase& writer) const;
    bool ReadGameStateRows(GxContentReaderBase& reader);
    // The whole stream read into scratch objects and walked to its end; nothing changes.
    bool CheckGameData(GxContentReaderBase& reader, bool restoreAll) const;
    // How many outer values the screen's tasks write now; -1 when that fails.
    int64_t CountScreenValues() const;

    GxCore* m_Core;
};
