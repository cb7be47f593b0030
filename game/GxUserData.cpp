#include "game/GxUserData.h"

#include <algorithm>

#include "app/GxCore.h"
#include "app/task/GxTaskManage.h"
#include "game/GxGameFunctions.h"
#include "game/GxGameStartup.h"
#include "game/GxMainScreen.h"
#include "game/GxSystemConfig.h"
#include "media/GxMovie.h"
#include "media/GxSound.h"
#include "moa/GxMoaScriptHost.h"

namespace {
// The settings' defaults, for a state without an application object (tools and tests).
constexpr int32_t kDefaultSelectButtons = 10;
constexpr int32_t kDefaultBackLogCapacity = 100;
}  // namespace

GxUserData::GxUserData(GxCore* core) : m_Core(core) { Reset(); }

void GxUserData::Reset()
{
    const GxSystemConfig* sc = m_Core ? m_Core->GetSystemConfig() : nullptr;
    const int32_t buttons = sc ? sc->m_SelectButtonCount : kDefaultSelectButtons;
    m_SelectItems.resize(static_cast<size_t>(std::max(buttons, 0)) + 1);
    m_GameDataTitle.clear();
    m_RestoreSequence.clear();
    m_RestoreSubParam.clear();
    ClearSelectMenu();
    m_LastSelectNum = 0;
    ClearWaitWords();
    m_NameIdentifyMode = 2;
    m_IgnoreKinsoku = false;
    m_LastDialogResult = 0;
    m_MessageLog.clear();
    m_BGMRecord.Clear();
    m_BGVRecord.Clear();
    for (GxSoundChannelRecord& r : m_SERecord) r.Clear();
    ClearVoiceRecords();
    m_ReplayMode = false;
    m_HideWindowByCommandFlag = false;
}

void GxUserData::ClearSelectMenu()
{
    m_IsSelecting = false;
    m_CancelSelectNum = 0;
    m_SelectHash.clear();
    for (GxSelectMenuItem& item : m_SelectItems) {
        item.m_Text.clear();
        item.m_Label.clear();
        item.m_Enable = true;
        item.m_Visible = true;
        item.m_BeforeSelected = false;
        item.m_UseGosub = false;
    }
}

void GxUserData::ClearVoiceRecords()
{
    for (GxSoundChannelRecord& r : m_VoiceRecord) r.Clear();
}

void GxUserData::ClearWaitWords()
{
    m_Hold_WaitClick = 0;
    m_Hold_WaitTime = 0;
    m_Hold_WaitTime_TimeLeft = 0;
    m_Hold_EndOfMovie = 0;
    m_Hold_EndOfLayerActionAll = 0;
    m_Hold_EndOfLayerActionSeparate = 0;
    m_Hold_EndOfLayerActionSeparate_LayerName.clear();
    m_Hold_EndOfBGM = 0;
    m_Hold_EndOfBGV = 0;
    m_Hold_EndOfSE = 0;
    m_Hold_EndOfVoice = 0;
}

void GxUserData::AppendMessageLog(const std::u16string& name, const std::u16string& message, bool ignoreKinsoku,
                                  bool disableAutoNewline)
{
    GxMessageLogElement e;
    e.m_Name = name;
    e.m_Message = message;
    e.m_IgnoreKinsoku = ignoreKinsoku;
    e.m_DisenableAutoNewline = disableAutoNewline;
    e.m_ShowNameByText = true;
    for (int i = 0; i < kVoiceCount; ++i) {
        e.m_VoiceFileName[i] = m_VoiceRecord[i].m_FileName;
        e.m_VoiceCharID[i] = m_VoiceRecord[i].m_CharID;
    }
    m_MessageLog.push_back(std::move(e));
    const GxSystemConfig* sc = m_Core ? m_Core->GetSystemConfig() : nullptr;
    const size_t capacity =
        static_cast<size_t>(std::max(sc ? sc->m_BackLogCapacity : kDefaultBackLogCapacity, 0));
    while (m_MessageLog.size() > capacity) m_MessageLog.pop_front();
}

GxMainScreenResets* GxUserData::FindMainScreen() const
{
    GxTaskManage* tm = m_Core ? m_Core->GetTaskManage() : nullptr;
    return tm ? dynamic_cast<GxMainScreenResets*>(tm->FindTaskByName(kGxMainScreenName)) : nullptr;
}

void GxUserData::ResetForNewGame(bool stopBGM)
{
    if (stopBGM) {
        m_BGMRecord.Clear();
        GxSound::StopBGM(0);
    }
    m_BGVRecord.Clear();
    GxSound::FadeOutStream(kGxSoundChannelBGV, 0);
    GxStopAllSE(this);
    GxStopAllVoice(this);
    g_GxBgmRestrainPercent = 100;
    GxMovie::StopAll();
    // The music that keeps playing keeps its record, so that a save made next restarts it.
    const GxSoundChannelRecord bgm = m_BGMRecord;
    Reset();
    m_BGMRecord = bgm;
    if (GxMainScreenResets* screen = FindMainScreen()) screen->ResetWindows();
    if (g_MoaWorkerEx) {
        g_MoaWorkerEx->Stop();
        g_MoaWorkerEx->Reset();
    }
    if (g_MoaEx) g_MoaEx->ResetInGameVariables();
    m_HideWindowByCommandFlag = true;
    GxStartGlobalFadeOut(m_Core ? m_Core->GetTaskManage() : nullptr, 0);
}

void GxUserData::ResetForBattleMap()
{
    m_BGVRecord.Clear();
    GxSound::FadeOutStream(kGxSoundChannelBGV, 0);
    GxStopAllSE(this);
    ClearWaitWords();
    ClearVoiceRecords();
    m_HideWindowByCommandFlag = false;
    if (GxMainScreenResets* screen = FindMainScreen()) screen->ResetVisuals();
    m_HideWindowByCommandFlag = true;
}
