#include "tests/support/GxRecordingMainScreen.h"

#include "core/GxString.h"

namespace gxtest {

namespace {

std::string U8(std::u16string_view s) { return GxWideToUtf8(std::u16string(s)); }
const char* B(bool b) { return b ? "1" : "0"; }

}  // namespace

RecordingMainScreen::RecordingMainScreen(GxTaskBase* parent, GxUserData* data, bool answer)
    : GxSeqBase(u"SeqRukoMain", parent), m_Data(data), m_Answer(answer)
{
}

bool RecordingMainScreen::CaptureScreen()
{
    Record("CaptureScreen");
    return m_Answer;
}

bool RecordingMainScreen::StartBGTransit(std::u16string_view backgroundFile, std::u16string_view maskFile,
                                         int32_t timeMs, bool clearStands)
{
    Record("StartBGTransit " + U8(backgroundFile) + " [" + U8(maskFile) + "] " + std::to_string(timeMs) +
           (clearStands ? " clear" : " keep"));
    return m_Answer;
}

void RecordingMainScreen::SetMessage(std::u16string_view text, bool readBefore, bool ignoreKinsoku,
                                     bool noAutoNewline)
{
    Record("SetMessage " + U8(text) + " read=" + B(readBefore) + " kinsoku=" + B(ignoreKinsoku) +
           " nonewline=" + B(noAutoNewline));
}

void RecordingMainScreen::SetName(std::u16string_view name, int32_t mode)
{
    Record("SetName [" + U8(name) + "] " + std::to_string(mode));
}

void RecordingMainScreen::StartSelect()
{
    Record("StartSelect");
    if (!m_Data) return;
    shown.push_back({m_Data->m_SelectItems, m_Data->m_SelectHash, m_Data->m_CancelSelectNum,
                     m_Data->m_HideWindowByCommandFlag});
    if (pickAfterShow) m_Data->ClearSelectMenu();
}

}  // namespace gxtest
