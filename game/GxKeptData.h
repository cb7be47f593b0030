// Writing what the player set and unlocked as it changes, not only at quit: the options
// ("userconf.dat") when the settings screen closes with a change, and the data kept across plays
// ("permanent.dat") when something new was recorded, so that a crash, a kill or a power cut loses
// at most the last second of them. The writes run at a frame's end, after its picture is shown,
// at most once a second; each goes through the atomic writer, so the file on disk is always a
// whole one.
//
// A failed write is logged with the system's reason and shown to the player once until a write
// of that file succeeds again (a full disk does not raise a message a second). In play the
// message is the system screen's user dialog, which the screens install as the report hook; at
// quit, when no frame is left to show a dialog, it is a message box.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

class GxContentWriterBase;
class GxCore;

enum class GxKeptWrite
{
    Unchanged,  // the content is what the file holds (or what its last failed write held)
    Written,
    Failed,
};

// The bytes a content writer puts out, made in memory; false when the writer counted an error.
bool GxWriteContentBytes(bool binary, const std::function<void(GxContentWriterBase&)>& fill, std::string& out);

// The player's messages.
inline constexpr const char16_t* kGxOptionsSaveFailedText = u"設定の保存に失敗しました";
inline constexpr const char16_t* kGxPermanentSaveFailedText = u"システムデータの保存に失敗しました";
inline constexpr const char16_t* kGxBothSaveFailedText = u"設定とシステムデータの保存に失敗しました";
// The text for what failed; null when nothing did.
const char16_t* GxKeptDataFailureText(bool optionsFailed, bool permanentFailed);

// Shows a failure to the player in play; false when it cannot be shown now (another dialog is
// open), and it is offered again at the next frame's end.
using GxKeptDataReport = bool (*)(GxCore* core, const std::u16string& text);
// Null restores the default, a message box.
void GxSetKeptDataReport(GxKeptDataReport report);

class GxKeptDataWriter
{
public:
    static constexpr int64_t kIntervalMicros = 1000000;

    // The settings screen closed: the options are written at the next frame's end when they
    // differ from the file.
    void RequestOptionsWrite(GxCore* core);
    // At a frame's end, with the frame's length: at most once a second, the options (when asked
    // for) and the kept data are written when they differ from their files; a failure not yet
    // shown is offered to the report hook.
    void OnFrameEnd(GxCore* core, int64_t elapsedMicros);
    // Shutdown: both files written whatever changed. A failure is shown in a message box.
    // False when either write failed.
    bool WriteAtQuit(GxCore* core);
    // A write made elsewhere (the save screen's) that failed has been shown already; one that
    // worked ends the file's failure.
    void NoteWritten(GxCore* core, bool optionsOk, bool permanentOk);

    bool IsOptionsWritePending() const { return m_OptionsRequested; }
    // Forgets everything (a new core).
    void Reset();

private:
    void Bind(GxCore* core);
    void Track(bool options, GxKeptWrite result);

    GxCore* m_Core = nullptr;
    // Game time since each file was last looked at; the options are due at once the first time.
    int64_t m_SinceOptions = kIntervalMicros;
    int64_t m_SincePermanent = 0;
    bool m_OptionsRequested = false;
    bool m_OptionsFailing = false;  // a failure shown (or to show) and no write of the file since
    bool m_PermanentFailing = false;
    bool m_OptionsShowPending = false;
    bool m_PermanentShowPending = false;
};

// The writer of the running program.
GxKeptDataWriter& GxGetKeptDataWriter();
