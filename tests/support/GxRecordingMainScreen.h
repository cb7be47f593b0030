// A stand-in for the main play screen in command tests: a task named "SeqRukoMain" that
// implements the screen's script-facing interface and records each call as one line, in order:
// "SetMessage <text> read=<0|1> kinsoku=<0|1> nonewline=<0|1>", "SetName [<name>] <mode>",
// "StartBGTransit <background> [<mask>] <ms> clear|keep", the others by their name alone.
// Given the play data, each StartSelect also keeps what the choice state held, and may answer
// like a pick. A test that stands it in for the program's own screen hides that one first
// (gxtest::HideProgramMainScreen).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/GxSeqBase.h"
#include "game/GxMainScreen.h"
#include "game/GxUserData.h"

namespace gxtest {

class RecordingMainScreen : public GxSeqBase, public GxMainScreen
{
public:
    // answer is what CaptureScreen and StartBGTransit report.
    explicit RecordingMainScreen(GxTaskBase* parent, GxUserData* data = nullptr, bool answer = false);

    bool CaptureScreen() override;
    bool StartBGTransit(std::u16string_view backgroundFile, std::u16string_view maskFile, int32_t timeMs,
                        bool clearStands) override;
    bool IsBGTransit() override { return false; }
    bool EndBGTransit() override { return false; }
    void SetMessage(std::u16string_view text, bool readBefore, bool ignoreKinsoku, bool noAutoNewline) override;
    void ClearMessage() override { Record("ClearMessage"); }
    void SetName(std::u16string_view name, int32_t mode) override;
    void ClearName() override { Record("ClearName"); }
    void StartSelect() override;
    void SelectChoice(int32_t) override { Record("SelectChoice"); }
    void QuickSave() override { Record("QuickSave"); }
    void CaptureThumbnail() override { Record("CaptureThumbnail"); }
    void ResetWindows() override { Record("ResetWindows"); }
    void ResetVisuals() override { Record("ResetVisuals"); }

    // What the choice state held at a StartSelect.
    struct Shown
    {
        std::vector<GxSelectMenuItem> items;
        std::u16string hash;
        int32_t cancel = 0;
        bool windowHiddenByCommand = false;
    };

    std::vector<std::string> calls;
    std::vector<Shown> shown;        // with the play data only
    bool pickAfterShow = false;      // a StartSelect empties the choice state, as a pick does

protected:
    virtual void Record(const std::string& line) { calls.push_back(line); }

private:
    GxUserData* m_Data;
    bool m_Answer;
};

}  // namespace gxtest
