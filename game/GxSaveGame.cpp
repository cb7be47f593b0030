// Saved games: GxUserData's save and load. The file is one content stream: the running state,
// the script blocks, the sound records, then what the main play screen's layers, windows and
// choice buttons write of themselves. A load checks the whole file before it touches anything.
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/GxCore.h"
#include "app/task/GxTaskFolder.h"
#include "app/task/GxTaskManage.h"
#include "core/GxAtomicFile.h"
#include "core/GxBinBuffer.h"
#include "core/GxContentReader.h"
#include "core/GxContentTextReader.h"
#include "core/GxContentWriter.h"
#include "core/GxFile.h"
#include "core/GxLog.h"
#include "core/GxString.h"
#include "game/DBRukoChar.h"
#include "game/GxGameFunctions.h"
#include "game/GxMainScreen.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserConfig.h"
#include "game/GxUserData.h"
#include "game/GxUserDataPerman.h"
#include "media/GxMovie.h"
#include "media/GxSound.h"
#include "moa/GxMoaScriptHost.h"
#include "ui/GxTaskUIMessageWindow.h"
#include "ui/GxTaskUITextWidgets.h"

namespace {

constexpr const char16_t* kSavedLayers[] = {
    kGxMainScreenVisual,      kGxMainScreenBGLayer, kGxMainScreenBGWLayer,
    kGxMainScreenMovieLayer,  kGxMainScreenFlash,   kGxMainScreenFade,
};
constexpr const char16_t* kSavedWindows[] = {
    kGxMainScreenMesWin,
    kGxMainScreenNameWin,
    kGxMainScreenNameImage,
};
constexpr const char16_t* kStandFolder = kGxMainScreenStand;
constexpr const char16_t* kSelectFolder = kGxMainScreenSelect;
constexpr const char16_t* kSelectButton = u"btn_select";
constexpr uint32_t kRestoreFadeIn = 1000;

GxTaskManage* TaskManage(GxCore* core) { return core ? core->GetTaskManage() : nullptr; }

// A task of the main play screen; a missing one is logged when a task tree exists at all.
GxTaskBase* FindScreenTask(GxCore* core, const char16_t* name, const char16_t* op)
{
    GxTaskManage* tm = TaskManage(core);
    if (!tm) return nullptr;
    GxTaskBase* task = tm->FindTaskByName(name);
    if (!task) GxPrintErrorLog(u"Error/GxUserData %s: no task %s\n", op, name);
    return task;
}

// Rows of the character table that name a stand layer.
bool IsStandRow(const DBRukoCharData& row) { return !row.CharName.empty() && row.CharName != u"*"; }

GxTaskBase* FindStandLayer(GxTaskFolder* stand, const std::u16string& name)
{
    return stand ? stand->FindTaskLocalByString(name, 0) : nullptr;
}

// The file whole in memory and a reader of its form past a matching header; null otherwise.
std::unique_ptr<GxContentReaderBase> OpenSaveReader(std::u16string_view path, const GxBinBuffer& buffer)
{
    std::unique_ptr<GxContentReaderBase> reader;
    const char* tag = nullptr;
    if (buffer.GetFirstByte() == 'T') {
        reader = std::make_unique<GxContentTextReader>(buffer);
        tag = "TGD";
    } else {
        reader = std::make_unique<GxContentBinaryReader>(buffer);
        tag = "BGD";
    }
    uint32_t version = 0;
    if (!reader->ReadHeader(tag, version)) {
        GxPrintErrorLog(u"Error/GxUserData Load: not a saved game (%s)\n", std::u16string(path));
        return nullptr;
    }
    return reader;
}

bool LoadWhole(std::u16string_view path, GxBinBuffer& buffer)
{
    return GxFileLoadToBinBuffer(buffer, path, false, false) && buffer.GetSize() != 0;
}

// Passes over the rest of a stratum whose begin has been read, nested strata included, and
// reads its end.
bool SkipToStratumEnd(GxContentReaderBase& r)
{
    int depth = 0;
    while (!r.IsEnd()) {
        const int type = r.GetNextValueType();
        if (type == VALTYPE_TreeStratumEnd) {
            if (depth == 0) return r.ReadTreeStratumEnd();
            --depth;
        } else if (type == VALTYPE_TreeStratumBegin) {
            ++depth;
        }
        if (!r.SkipValue()) return false;
    }
    return r.ReadTreeStratumEnd();  // counts the missing end
}

// Walks the rest of the stream and counts its values at the outer level (a list, tree or
// stratum counts once, whatever it holds). -1 when the nesting does not close or a value does
// not read.
int64_t CountOuterValues(GxContentReaderBase& r)
{
    const int errors = r.GetErrorCount();
    int64_t depth = 0;
    int64_t count = 0;
    while (!r.IsEnd() && r.GetErrorCount() == errors) {
        const int type = r.GetNextValueType();
        if (type == VALTYPE_ListEnd || type == VALTYPE_TreeEnd || type == VALTYPE_TreeStratumEnd) {
            if (depth == 0) return -1;
            --depth;
        } else {
            if (depth == 0) ++count;
            if (type == VALTYPE_ListBegin || type == VALTYPE_TreeBegin || type == VALTYPE_TreeStratumBegin) ++depth;
        }
        r.SkipValue();
    }
    return depth == 0 && r.GetErrorCount() == errors ? count : -1;
}

std::u16string LocalTimeText()
{
    const time_t now = time(nullptr);
    struct tm t = {};
    localtime_r(&now, &t);
    char text[64];
    std::snprintf(text, sizeof(text), "%04d/%02d/%02d %02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                  t.tm_hour, t.tm_min, t.tm_sec);
    return GxUtf8ToWide(text);
}

}  // namespace

// ---- elements ----

bool GxUserData::WriteSelectMenuItem(GxContentWriterBase& w, const GxSelectMenuItem& item)
{
    w.WriteGxStringStdW("m_Text", item.m_Text);
    w.WriteGxStringStdW("m_Label", item.m_Label);
    w.WriteGxBool("m_Enable", item.m_Enable);
    w.WriteGxBool("m_Visible", item.m_Visible);
    w.WriteGxBool("m_BeforeSelected", item.m_BeforeSelected);
    w.WriteGxBool("m_UseGosub", item.m_UseGosub);
    return w.GetErrorCount() == 0;
}

bool GxUserData::ReadSelectMenuItem(GxContentReaderBase& r, GxSelectMenuItem& item)
{
    r.ReadGxStringStdW("m_Text", item.m_Text);
    r.ReadGxStringStdW("m_Label", item.m_Label);
    r.ReadGxBool("m_Enable", item.m_Enable);
    r.ReadGxBool("m_Visible", item.m_Visible);
    r.ReadGxBool("m_BeforeSelected", item.m_BeforeSelected);
    r.ReadGxBool("m_UseGosub", item.m_UseGosub);
    return r.GetErrorCount() == 0;
}

bool GxUserData::WriteMessageLogElement(GxContentWriterBase& w, const GxMessageLogElement& e)
{
    w.WriteGxStringStdW("m_Name", e.m_Name);
    w.WriteGxStringStdW("m_Message", e.m_Message);
    w.WriteGxBool("m_IgnoreKinsoku", e.m_IgnoreKinsoku);
    w.WriteGxBool("m_DisenableAutoNewline", e.m_DisenableAutoNewline);
    w.WriteGxBool("m_ShowNameByText", e.m_ShowNameByText);
    for (int i = 0; i < GxMessageLogElement::kVoiceCount; ++i) {
        w.WriteGxStringStdW("m_VoiceFileName", e.m_VoiceFileName[i]);
        w.WriteGxS32("m_VoiceCharID", e.m_VoiceCharID[i]);
    }
    return w.GetErrorCount() == 0;
}

bool GxUserData::ReadMessageLogElement(GxContentReaderBase& r, GxMessageLogElement& e)
{
    r.ReadGxStringStdW("m_Name", e.m_Name);
    r.ReadGxStringStdW("m_Message", e.m_Message);
    r.ReadGxBool("m_IgnoreKinsoku", e.m_IgnoreKinsoku);
    r.ReadGxBool("m_DisenableAutoNewline", e.m_DisenableAutoNewline);
    r.ReadGxBool("m_ShowNameByText", e.m_ShowNameByText);
    for (int i = 0; i < GxMessageLogElement::kVoiceCount; ++i) {
        r.ReadGxStringStdW("m_VoiceFileName", e.m_VoiceFileName[i]);
        r.ReadGxS32("m_VoiceCharID", e.m_VoiceCharID[i]);
    }
    return r.GetErrorCount() == 0;
}

bool GxUserData::WriteSoundChannelRecord(GxContentWriterBase& w, const GxSoundChannelRecord& rec)
{
    w.WriteGxStringStdW("m_FileName", rec.m_FileName);
    w.WriteGxS32("m_Loop", rec.m_Loop);
    w.WriteGxU32("m_StartSeekPosTime", rec.m_StartSeekPosTime);
    w.WriteGxU32("m_LoopPosTime", rec.m_LoopPosTime);
    w.WriteGxS32("m_FadeInTime", rec.m_FadeInTime);
    w.WriteGxS32("m_CharID", rec.m_CharID);
    return w.GetErrorCount() == 0;
}

bool GxUserData::ReadSoundChannelRecord(GxContentReaderBase& r, GxSoundChannelRecord& rec)
{
    r.ReadGxStringStdW("m_FileName", rec.m_FileName);
    r.ReadGxS32("m_Loop", rec.m_Loop);
    r.ReadGxU32("m_StartSeekPosTime", rec.m_StartSeekPosTime);
    r.ReadGxU32("m_LoopPosTime", rec.m_LoopPosTime);
    r.ReadGxS32("m_FadeInTime", rec.m_FadeInTime);
    r.ReadGxS32("m_CharID", rec.m_CharID);
    return r.GetErrorCount() == 0;
}

// ---- the running state ----

bool GxUserData::WriteGameStateRows(GxContentWriterBase& w) const
{
    w.WriteGxStringStdW("m_GameDataTitle", m_GameDataTitle);
    w.WriteGxStringStdW("m_RestoreSequence", m_RestoreSequence);
    w.WriteGxStringStdW("m_RestoreSubParam", m_RestoreSubParam);
    w.WriteGxBit32("m_GameDataOption", m_GameDataOption);
    w.WriteGxBool("m_IsSelecting", m_IsSelecting);
    w.WriteGxS32("m_LastSelectNum", m_LastSelectNum);
    w.WriteGxS32("m_CancelSelectNum", m_CancelSelectNum);
    w.WriteGxStringStdW("m_SelectHash", m_SelectHash);
    w.WriteListBegin("m_SelectMenuItemList", "", static_cast<uint32_t>(m_SelectItems.size()));
    for (const GxSelectMenuItem& item : m_SelectItems) {
        w.WriteListItemBegin();
        WriteSelectMenuItem(w, item);
        w.WriteListItemEnd();
    }
    w.WriteListEnd();
    w.WriteGxS32("m_Hold_WaitClick", m_Hold_WaitClick);
    w.WriteGxS32("m_Hold_WaitTime", m_Hold_WaitTime);
    w.WriteGxS32("m_Hold_WaitTime_TimeLeft", m_Hold_WaitTime_TimeLeft);
    w.WriteGxS32("m_Hold_EndOfMovie", m_Hold_EndOfMovie);
    w.WriteGxS32("m_Hold_EndOfLayerActionAll", m_Hold_EndOfLayerActionAll);
    w.WriteGxS32("m_Hold_EndOfLayerActionSeparate", m_Hold_EndOfLayerActionSeparate);
    w.WriteGxStringStdW("m_Hold_EndOfLayerActionSeparate_LayerName", m_Hold_EndOfLayerActionSeparate_LayerName);
    w.WriteGxS32("m_Hold_EndOfBGM", m_Hold_EndOfBGM);
    w.WriteGxS32("m_Hold_EndOfBGV", m_Hold_EndOfBGV);
    w.WriteGxS32("m_Hold_EndOfSE", m_Hold_EndOfSE);
    w.WriteGxS32("m_Hold_EndOfVoice", m_Hold_EndOfVoice);
    w.WriteGxS32("m_NameIdentifyMode", m_NameIdentifyMode);
    w.WriteGxBool("m_IgnoreKinsoku", m_IgnoreKinsoku);
    w.WriteGxS32("m_LastDialogResult", m_LastDialogResult);
    // The newest entries when the settings keep a longer log than a save holds.
    const size_t count = std::min(m_MessageLog.size(), kSavedLogLimit);
    w.WriteListBegin("GxMessageLogElement", "", static_cast<uint32_t>(count));
    for (size_t i = m_MessageLog.size() - count; i < m_MessageLog.size(); ++i) {
        w.WriteListItemBegin();
        WriteMessageLogElement(w, m_MessageLog[i]);
        w.WriteListItemEnd();
    }
    w.WriteListEnd();
    w.WriteGxBool("m_HideWindowByCommandFlag", m_HideWindowByCommandFlag);
    return w.GetErrorCount() == 0;
}

bool GxUserData::ReadGameStateRows(GxContentReaderBase& r)
{
    std::u16string saveTime;
    r.ReadGxStringStdW("m_SaveTime", saveTime);
    r.ReadGxStringStdW("m_GameDataTitle", m_GameDataTitle);
    r.ReadGxStringStdW("m_RestoreSequence", m_RestoreSequence);
    r.ReadGxStringStdW("m_RestoreSubParam", m_RestoreSubParam);
    r.ReadGxBit32("m_GameDataOption", m_GameDataOption);
    r.ReadGxBool("m_IsSelecting", m_IsSelecting);
    r.ReadGxS32("m_LastSelectNum", m_LastSelectNum);
    r.ReadGxS32("m_CancelSelectNum", m_CancelSelectNum);
    r.ReadGxStringStdW("m_SelectHash", m_SelectHash);

    // Stored counts are untrusted: items are read one by one until the first failure, and
    // those beyond the menu's items are read and dropped.
    uint32_t count = 0;
    int errors = r.GetErrorCount();
    if (r.ReadListBegin("m_SelectMenuItemList", count)) {
        GxSelectMenuItem dropped;
        for (uint32_t i = 0; i < count && r.GetErrorCount() == errors; ++i) {
            r.ReadListItemBegin();
            ReadSelectMenuItem(r, i < m_SelectItems.size() ? m_SelectItems[i] : dropped);
            r.ReadListItemEnd();
        }
        r.ReadListEnd();
    }

    r.ReadGxS32("m_Hold_WaitClick", m_Hold_WaitClick);
    r.ReadGxS32("m_Hold_WaitTime", m_Hold_WaitTime);
    r.ReadGxS32("m_Hold_WaitTime_TimeLeft", m_Hold_WaitTime_TimeLeft);
    r.ReadGxS32("m_Hold_EndOfMovie", m_Hold_EndOfMovie);
    r.ReadGxS32("m_Hold_EndOfLayerActionAll", m_Hold_EndOfLayerActionAll);
    r.ReadGxS32("m_Hold_EndOfLayerActionSeparate", m_Hold_EndOfLayerActionSeparate);
    r.ReadGxStringStdW("m_Hold_EndOfLayerActionSeparate_LayerName", m_Hold_EndOfLayerActionSeparate_LayerName);
    r.ReadGxS32("m_Hold_EndOfBGM", m_Hold_EndOfBGM);
    r.ReadGxS32("m_Hold_EndOfBGV", m_Hold_EndOfBGV);
    r.ReadGxS32("m_Hold_EndOfSE", m_Hold_EndOfSE);
    r.ReadGxS32("m_Hold_EndOfVoice", m_Hold_EndOfVoice);
    r.ReadGxS32("m_NameIdentifyMode", m_NameIdentifyMode);
    r.ReadGxBool("m_IgnoreKinsoku", m_IgnoreKinsoku);
    r.ReadGxS32("m_LastDialogResult", m_LastDialogResult);

    // Entries are taken one by one (each needs bytes, so the stored count cannot make the loop
    // outrun the file) and only the newest ones a save holds are kept.
    m_MessageLog.clear();
    errors = r.GetErrorCount();
    if (r.ReadListBegin("GxMessageLogElement", count)) {
        for (uint32_t i = 0; i < count && r.GetErrorCount() == errors; ++i) {
            GxMessageLogElement e;
            r.ReadListItemBegin();
            ReadMessageLogElement(r, e);
            r.ReadListItemEnd();
            if (r.GetErrorCount() != errors) break;
            m_MessageLog.push_back(std::move(e));
            if (m_MessageLog.size() > kSavedLogLimit) m_MessageLog.pop_front();
        }
        r.ReadListEnd();
    }
    r.ReadGxBool("m_HideWindowByCommandFlag", m_HideWindowByCommandFlag);
    return r.GetErrorCount() == 0;
}

// ---- sound ----

bool GxUserData::WriteSoundRecords(GxContentWriterBase& w)
{
    // A record of a channel that has fallen silent would start an ended sound again on load.
    if (!GxSound::IsStreamPlaying(kGxSoundChannelBGM0) && !GxSound::IsStreamPlaying(kGxSoundChannelBGM1))
        m_BGMRecord.Clear();
    if (!GxSound::IsStreamPlaying(kGxSoundChannelBGV)) m_BGVRecord.Clear();
    for (int i = 0; i < kSECount; ++i)
        if (!GxSound::IsStreamPlaying(kGxSoundChannelSE + static_cast<uint32_t>(i))) m_SERecord[i].Clear();
    WriteSoundChannelRecord(w, m_BGMRecord);
    WriteSoundChannelRecord(w, m_BGVRecord);
    for (const GxSoundChannelRecord& rec : m_SERecord) WriteSoundChannelRecord(w, rec);
    for (const GxSoundChannelRecord& rec : m_VoiceRecord) WriteSoundChannelRecord(w, rec);
    return w.GetErrorCount() == 0;
}

bool GxUserData::ReadSoundRecords(GxContentReaderBase& r)
{
    m_BGMRecord.Clear();
    GxSound::StopBGM(0);
    m_BGVRecord.Clear();
    GxSound::StopStream(kGxSoundChannelBGV);
    GxStopAllSE(this);
    GxSound::StopAllOneShot();
    GxStopAllVoice(this);

    GxSoundChannelRecord bgm, bgv, se[kSECount];
    ReadSoundChannelRecord(r, bgm);
    ReadSoundChannelRecord(r, bgv);
    for (GxSoundChannelRecord& rec : se) ReadSoundChannelRecord(r, rec);
    for (GxSoundChannelRecord& rec : m_VoiceRecord) ReadSoundChannelRecord(r, rec);

    // The records are set before each play: the play functions record into the program's
    // state, which is this one in the program.
    if (!bgm.m_FileName.empty()) {
        bgm.m_FadeInTime = static_cast<int32_t>(kRestoreFadeIn);
        m_BGMRecord = bgm;
        GxPlayBGM(bgm.m_FileName, bgm.m_Loop, bgm.m_StartSeekPosTime, kRestoreFadeIn, bgm.m_LoopPosTime, false);
    }
    if (!bgv.m_FileName.empty()) {
        bgv.m_FadeInTime = static_cast<int32_t>(kRestoreFadeIn);
        m_BGVRecord = bgv;
        GxPlayBGV(bgv.m_FileName, bgv.m_Loop, bgv.m_StartSeekPosTime, kRestoreFadeIn, bgv.m_LoopPosTime);
    }
    for (int i = 0; i < kSECount; ++i) {
        if (se[i].m_FileName.empty()) continue;
        se[i].m_FadeInTime = 0;
        m_SERecord[i] = se[i];
        GxPlaySE(i, se[i].m_FileName, se[i].m_Loop, se[i].m_StartSeekPosTime, 0, se[i].m_LoopPosTime);
    }
    return r.GetErrorCount() == 0;
}

// ---- the main play screen ----

bool GxUserData::WriteLayers(GxContentWriterBase& w)
{
    for (const char16_t* name : kSavedLayers)
        if (GxTaskBase* layer = FindScreenTask(m_Core, name, u"WriteLayers")) layer->WriteContent(w);

    // The count stays 0: readers take the strata by their begin and end.
    w.WriteListBegin("StandLayers", "", 0);
    auto* stand = dynamic_cast<GxTaskFolder*>(FindScreenTask(m_Core, kStandFolder, u"WriteLayers"));
    const DBRukoChar& table = GxGetDBRukoChar();
    for (int32_t id = 0; stand && id < DBRukoChar::kRowCapacity; ++id) {
        const DBRukoCharData& row = *table.GetRow(id);
        if (!IsStandRow(row)) continue;
        GxTaskBase* layer = FindStandLayer(stand, row.CharName);
        if (!layer) continue;
        w.WriteTreeStratumBegin();
        w.WriteGxStringStdW("LayerName", row.CharName);
        layer->WriteContent(w);
        w.WriteTreeStratumEnd();
    }
    w.WriteListEnd();
    return w.GetErrorCount() == 0;
}

bool GxUserData::ReadLayers(GxContentReaderBase& r)
{
    GxMovie::StopAll();
    for (const char16_t* name : kSavedLayers)
        if (GxTaskBase* layer = FindScreenTask(m_Core, name, u"ReadLayers")) layer->ReadContent(r);

    uint32_t ignored = 0;
    r.ReadListBegin("StandLayers", ignored);
    auto* stand = dynamic_cast<GxTaskFolder*>(FindScreenTask(m_Core, kStandFolder, u"ReadLayers"));
    // Every stratum is taken, whatever the table holds now; one whose character has gone is
    // passed over to its own end, so the values after it still read.
    while (r.GetNextValueType() == VALTYPE_TreeStratumBegin) {
        const int errors = r.GetErrorCount();
        r.ReadTreeStratumBegin();
        std::u16string name;
        r.ReadGxStringStdW("LayerName", name);
        GxTaskBase* layer = r.GetErrorCount() == errors ? FindStandLayer(stand, name) : nullptr;
        if (layer) {
            layer->ReadContent(r);
            r.ReadTreeStratumEnd();
        } else {
            GxPrintErrorLog(u"Error/GxUserData ReadLayers: no stand layer %s, skipped\n", name);
            if (!SkipToStratumEnd(r)) break;
        }
    }
    r.ReadListEnd();
    return r.GetErrorCount() == 0;
}

bool GxUserData::WriteMessageWindows(GxContentWriterBase& w)
{
    for (const char16_t* name : kSavedWindows)
        if (GxTaskBase* task = FindScreenTask(m_Core, name, u"WriteMessageWindows")) task->WriteContent(w);
    return w.GetErrorCount() == 0;
}

bool GxUserData::ReadMessageWindows(GxContentReaderBase& r)
{
    GxTaskBase* tasks[3] = {};
    for (int i = 0; i < 3; ++i) {
        tasks[i] = FindScreenTask(m_Core, kSavedWindows[i], u"ReadMessageWindows");
        if (tasks[i]) tasks[i]->ReadContent(r);
    }
    const GxSystemConfig* sc = m_Core ? m_Core->GetSystemConfig() : nullptr;
    const GxUserConfig* uc = m_Core ? m_Core->GetUserConfig() : nullptr;
    auto* window = dynamic_cast<GxTaskUIMessageWindowFx*>(tasks[0]);
    if (window && sc) window->SetLetterMarginWidth(sc->m_MeswinLetterMarginWidth);
    if (uc) {
        if (window) window->SetImageAlpha(uc->m_TextWindowOpacity);
        if (auto* name = dynamic_cast<GxTaskUIBase*>(tasks[1])) name->SetImageAlpha(uc->m_TextWindowOpacity);
    }
    return r.GetErrorCount() == 0;
}

bool GxUserData::WriteSelectButtons(GxContentWriterBase& w)
{
    const int32_t count = static_cast<int32_t>(m_SelectItems.size()) - 1;
    w.WriteListBegin("SelectButtons", "", static_cast<uint32_t>(std::max(count, 0)));
    auto* folder = dynamic_cast<GxTaskFolder*>(FindScreenTask(m_Core, kSelectFolder, u"WriteSelectButtons"));
    for (int32_t i = 1; folder && i <= count; ++i) {
        w.WriteListItemBegin();
        if (GxTaskBase* button = folder->FindTaskLocal(kSelectButton, i)) button->WriteContent(w);
        else GxPrintErrorLog(u"Error/GxUserData WriteSelectButtons: no button %d\n", i);
        w.WriteListItemEnd();
    }
    w.WriteListEnd();
    return w.GetErrorCount() == 0;
}

bool GxUserData::ReadSelectButtons(GxContentReaderBase& r)
{
    uint32_t stored = 0;
    r.ReadListBegin("SelectButtons", stored);
    auto* folder = dynamic_cast<GxTaskFolder*>(FindScreenTask(m_Core, kSelectFolder, u"ReadSelectButtons"));
    const GxSystemConfig* sc = m_Core ? m_Core->GetSystemConfig() : nullptr;
    const GxUserConfig* uc = m_Core ? m_Core->GetUserConfig() : nullptr;
    const GxUserDataPerman* perman = m_Core ? m_Core->GetUserDataPerman() : nullptr;
    const int32_t count = static_cast<int32_t>(m_SelectItems.size()) - 1;
    for (int32_t i = 1; folder && i <= count; ++i) {
        r.ReadListItemBegin();
        GxTaskBase* task = folder->FindTaskLocal(kSelectButton, i);
        if (!task) {
            GxPrintErrorLog(u"Error/GxUserData ReadSelectButtons: no button %d\n", i);
            continue;
        }
        task->ReadContent(r);
        r.ReadListItemEnd();
        auto* button = dynamic_cast<GxTaskUITextButtonIs*>(task);
        if (!button || !sc || !m_IsSelecting || !m_SelectItems[static_cast<size_t>(i)].m_Visible) continue;
        const bool pickedBefore = uc && uc->m_ChangeColorSelectedMenu && perman &&
                                  perman->GetSelectedMenuFlag(m_SelectHash, i);
        button->SetTextColor(pickedBefore ? sc->m_SelectTextColor1 : sc->m_SelectTextColor0);
    }
    r.ReadListEnd();
    return r.GetErrorCount() == 0;
}

// ---- whole files ----

bool GxUserData::SaveGameData(std::u16string_view path, bool binary)
{
    GxAtomicFileWriter file;
    if (!file.Open(path)) return false;
    std::unique_ptr<GxContentWriterBase> writer;
    if (binary) writer = std::make_unique<GxContentBinaryWriter>(file.GetFile());
    else writer = std::make_unique<GxContentTextWriter>(file.GetFile());
    GxContentWriterBase& w = *writer;

    w.WriteHeader(binary ? "BGD" : "TGD", kSaveVersion);
    w.WriteGxStringStdW("m_SaveTime", LocalTimeText());
    WriteGameStateRows(w);
    if (g_MoaEx) {
        g_MoaEx->WriteVariables(w, MOASAVE_INGAME);
    } else {
        GxMoa none;  // no script: empty blocks keep the file readable
        none.WriteVariables(w, MOASAVE_INGAME);
    }
    GxMoa host;
    GxMoaWorker noWorker(&host);
    const GxMoaWorker& worker = g_MoaWorkerEx ? static_cast<const GxMoaWorker&>(*g_MoaWorkerEx) : noWorker;
    worker.WriteScriptVariables(w, MOASAVE_INGAME);
    worker.WriteRunState(w);
    WriteSoundRecords(w);
    WriteLayers(w);
    WriteMessageWindows(w);
    WriteSelectButtons(w);
    if (w.GetErrorCount() != 0) {
        GxPrintErrorLog(u"Error/GxUserData SaveGameData Failed(%s)\n", std::u16string(path));
        return false;  // the writer's destructor drops the temporary file
    }
    return file.Commit();
}

bool GxUserData::CheckGameData(GxContentReaderBase& r, bool restoreAll) const
{
    GxUserData scratch(m_Core);
    scratch.ReadGameStateRows(r);
    if (restoreAll && r.GetErrorCount() == 0) {
        GxMoa host;
        GxMoaWorker worker(&host);
        host.ReadVariables(r, MOASAVE_INGAME);
        if (r.GetErrorCount() == 0) worker.ReadScriptVariables(r, MOASAVE_INGAME);
        if (r.GetErrorCount() == 0) worker.ReadRunState(r);
        GxSoundChannelRecord rec;
        for (int i = 0; i < 2 + kSECount + kVoiceCount && r.GetErrorCount() == 0; ++i) ReadSoundChannelRecord(r, rec);
        // What the screen's tasks wrote of themselves is theirs to read: here it is walked,
        // and its outline must match what the same tasks write now, so that a file cut
        // between two values is found before anything is reset.
        if (r.GetErrorCount() == 0) {
            const int64_t stored = CountOuterValues(r);
            const int64_t expected = CountScreenValues();
            if (stored < 0 || stored != expected) {
                GxPrintErrorLog(u"Error/GxUserData LoadGameData: the screen part does not match (%I64d values, %I64d expected)\n",
                                stored, expected);
                return false;
            }
        }
    }
    return r.GetErrorCount() == 0;
}

int64_t GxUserData::CountScreenValues() const
{
    char* bytes = nullptr;
    size_t size = 0;
    FILE* memory = open_memstream(&bytes, &size);
    if (!memory) return -1;
    int64_t count = -1;
    {
        GxContentBinaryWriter w(memory);
        auto* self = const_cast<GxUserData*>(this);  // the writers only read the tasks
        self->WriteLayers(w);
        self->WriteMessageWindows(w);
        self->WriteSelectButtons(w);
        if (w.GetErrorCount() == 0) {
            std::fflush(memory);
            GxContentBinaryReader r(bytes, static_cast<uint32_t>(size));
            count = CountOuterValues(r);
        }
    }
    std::fclose(memory);
    std::free(bytes);
    return count;
}

bool GxUserData::LoadGameData(std::u16string_view path, bool restoreAll)
{
    GxBinBuffer buffer;
    if (!LoadWhole(path, buffer)) return false;
    {
        std::unique_ptr<GxContentReaderBase> check = OpenSaveReader(path, buffer);
        if (!check) return false;
        if (!CheckGameData(*check, restoreAll)) {
            GxPrintErrorLog(u"Error/GxUserData LoadGameData Failed(%s): damaged, nothing loaded\n", std::u16string(path));
            return false;
        }
    }

    std::unique_ptr<GxContentReaderBase> reader = OpenSaveReader(path, buffer);
    GxContentReaderBase& r = *reader;
    if (restoreAll) ResetForNewGame(true);
    ReadGameStateRows(r);
    if (restoreAll) {
        GxMoa host;
        GxMoaWorker noWorker(&host);
        if (g_MoaEx) g_MoaEx->ReloadVariables(r, MOASAVE_INGAME);
        else host.ReadVariables(r, MOASAVE_INGAME);
        if (g_MoaWorkerEx) {
            g_MoaWorkerEx->ReloadScriptVariables(r, MOASAVE_INGAME);
            g_MoaWorkerEx->ReadRunState(r);
        } else {
            noWorker.ReadScriptVariables(r, MOASAVE_INGAME);
            noWorker.ReadRunState(r);
        }
        ReadSoundRecords(r);
        ReadLayers(r);
        ReadMessageWindows(r);
        ReadSelectButtons(r);
    }
    if (r.GetErrorCount() != 0) {
        GxPrintErrorLog(u"Error/GxUserData LoadGameData Failed(%s)\n", std::u16string(path));
        return false;
    }
    return true;
}

bool GxUserData::LoadGameDataHeader(std::u16string_view path, GxGameDataHeader& header)
{
    header.valid = false;
    GxBinBuffer buffer;
    if (!LoadWhole(path, buffer)) return false;
    std::unique_ptr<GxContentReaderBase> reader = OpenSaveReader(path, buffer);
    if (!reader) return false;
    reader->ReadGxStringStdW("m_SaveTime", header.m_SaveTime);
    reader->ReadGxStringStdW("m_GameDataTitle", header.m_GameDataTitle);
    reader->ReadGxStringStdW("m_RestoreSequence", header.m_RestoreSequence);
    reader->ReadGxStringStdW("m_RestoreSubParam", header.m_RestoreSubParam);
    reader->ReadGxBit32("m_GameDataOption", header.m_GameDataOption);
    header.valid = true;
    return true;
}
