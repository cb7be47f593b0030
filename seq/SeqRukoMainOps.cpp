// The main play screen's script-facing operations: the message and the speaker's name, the
// choices, the background change through a mask, the resets of windows and layers, the quick
// save and the thumbnail of a save. Not built yet: each does nothing (false where it answers).
#include "seq/SeqRukoMain.h"

bool SeqRukoMain::CaptureScreen() { return false; }

bool SeqRukoMain::StartBGTransit(std::u16string_view backgroundFile, std::u16string_view maskFile, int32_t timeMs,
                                 bool clearStands)
{
    (void)backgroundFile; (void)maskFile; (void)timeMs; (void)clearStands;
    return false;
}

void SeqRukoMain::SetMessage(std::u16string_view text, bool readBefore, bool ignoreKinsoku, bool noAutoNewline)
{
    (void)text; (void)readBefore; (void)ignoreKinsoku; (void)noAutoNewline;
}

void SeqRukoMain::ClearMessage() {}

void SeqRukoMain::SetName(std::u16string_view name, int32_t mode)
{
    (void)name; (void)mode;
}

void SeqRukoMain::ClearName() {}
void SeqRukoMain::StartSelect() {}
void SeqRukoMain::SelectChoice(int32_t index) { (void)index; }
void SeqRukoMain::QuickSave() {}
void SeqRukoMain::CaptureThumbnail() {}
void SeqRukoMain::ResetWindows() {}
void SeqRukoMain::ResetVisuals() {}
