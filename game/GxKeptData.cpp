#include "game/GxKeptData.h"

#include <cstdio>
#include <cstdlib>

#include "app/GxCore.h"
#include "app/GxCoreTrace.h"
#include "core/GxContentWriter.h"
#include "core/GxLog.h"
#include "game/GxUserConfig.h"
#include "game/GxUserDataPerman.h"

namespace {

GxKeptDataReport g_Report = nullptr;

bool ShowInMessageBox(GxCore* core, const std::u16string& text)
{
    GxShowMessageBox(core ? core->GetTitle() : std::u16string(), u"%s", text);
    return true;
}

std::u16string PermanentPath(GxCore* core) { return core->GetSaveFolder() + u"permanent.dat"; }

}  // namespace

bool GxWriteContentBytes(bool binary, const std::function<void(GxContentWriterBase&)>& fill, std::string& out)
{
    out.clear();
    char* bytes = nullptr;
    size_t size = 0;
    FILE* memory = open_memstream(&bytes, &size);
    if (!memory) return false;
    int errors = 0;
    if (binary) {
        GxContentBinaryWriter w(memory);
        fill(w);
        errors = w.GetErrorCount();
    } else {
        GxContentTextWriter w(memory);
        fill(w);
        errors = w.GetErrorCount();
    }
    const bool closed = std::fclose(memory) == 0;
    if (errors == 0 && closed && bytes) out.assign(bytes, size);
    std::free(bytes);
    return errors == 0 && closed;
}

const char16_t* GxKeptDataFailureText(bool optionsFailed, bool permanentFailed)
{
    if (optionsFailed && permanentFailed) return kGxBothSaveFailedText;
    if (optionsFailed) return kGxOptionsSaveFailedText;
    if (permanentFailed) return kGxPermanentSaveFailedText;
    return nullptr;
}

void GxSetKeptDataReport(GxKeptDataReport report) { g_Report = report; }

GxKeptDataWriter& GxGetKeptDataWriter()
{
    static GxKeptDataWriter writer;
    return writer;
}

void GxKeptDataWriter::Reset() { *this = GxKeptDataWriter(); }

void GxKeptDataWriter::Bind(GxCore* core)
{
    if (m_Core == core) return;
    Reset();
    m_Core = core;
}

void GxKeptDataWriter::RequestOptionsWrite(GxCore* core)
{
    if (!core) return;
    Bind(core);
    m_OptionsRequested = true;
}

void GxKeptDataWriter::Track(bool options, GxKeptWrite result)
{
    bool& failing = options ? m_OptionsFailing : m_PermanentFailing;
    bool& pending = options ? m_OptionsShowPending : m_PermanentShowPending;
    if (result == GxKeptWrite::Written) {
        failing = false;
        pending = false;
    } else if (result == GxKeptWrite::Failed && !failing) {
        // Once until the file is written again: a full disk must not raise a dialog a second.
        failing = true;
        pending = true;
    }
}

void GxKeptDataWriter::OnFrameEnd(GxCore* core, int64_t elapsedMicros)
{
    if (!core) return;
    Bind(core);
    if (elapsedMicros > 0) {
        m_SinceOptions += elapsedMicros;
        m_SincePermanent += elapsedMicros;
    }
    if (m_OptionsRequested && m_SinceOptions >= kIntervalMicros) {
        m_OptionsRequested = false;
        m_SinceOptions = 0;
        if (GxUserConfig* uc = core->GetUserConfig()) Track(true, uc->SaveIfChanged(core));
    }
    if (m_SincePermanent >= kIntervalMicros) {
        m_SincePermanent = 0;
        if (GxUserDataPerman* perman = core->GetUserDataPerman()) Track(false, perman->SaveIfChanged(PermanentPath(core)));
    }

    if (!m_OptionsShowPending && !m_PermanentShowPending) return;
    const std::u16string text = GxKeptDataFailureText(m_OptionsShowPending, m_PermanentShowPending);
    const bool shown = g_Report ? g_Report(core, text) : ShowInMessageBox(core, text);
    if (shown) m_OptionsShowPending = m_PermanentShowPending = false;
}

bool GxKeptDataWriter::WriteAtQuit(GxCore* core)
{
    if (!core) return true;
    Bind(core);
    m_OptionsRequested = false;
    GxUserConfig* uc = core->GetUserConfig();
    GxUserDataPerman* perman = core->GetUserDataPerman();
    GxCoreTrace("GxUserConfig::Save");
    const bool optionsOk = !uc || uc->Save(core);
    GxCoreTrace("GxUserDataPerman::Save");
    const bool permanentOk = !perman || perman->Save(PermanentPath(core));
    // No frame is left to show a dialog in: the player hears of it before the window goes.
    if (const char16_t* text = GxKeptDataFailureText(!optionsOk, !permanentOk)) ShowInMessageBox(core, text);
    Reset();
    return optionsOk && permanentOk;
}

void GxKeptDataWriter::NoteWritten(GxCore* core, bool optionsOk, bool permanentOk)
{
    if (!core) return;
    Bind(core);
    m_OptionsFailing = !optionsOk;
    m_PermanentFailing = !permanentOk;
    m_OptionsShowPending = m_PermanentShowPending = false;
}
