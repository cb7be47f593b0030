#include "game/GxGameFunctions.h"

#include "app/GxCore.h"
#include "app/GxTaskActor.h"
#include "app/task/GxTaskManage.h"
#include "core/GxLog.h"
#include "game/DBRukoChar.h"
#include "game/GxMainScreen.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserConfig.h"
#include "game/GxUserData.h"
#include "layer/GxTaskLayer.h"
#include "media/GxMovie.h"
#include "media/GxMoviePlayerFile.h"
#include "media/GxSound.h"
#include "moa/GxMoaScriptHost.h"

namespace {

GxUserData* CoreUserData()
{
    GxCore* core = GxGetCore();
    return core ? core->GetUserData() : nullptr;
}

GxTaskManage* CoreTaskManage()
{
    GxCore* core = GxGetCore();
    return core ? core->GetTaskManage() : nullptr;
}

GxUserConfig* CoreUserConfig()
{
    GxCore* core = GxGetCore();
    return core ? core->GetUserConfig() : nullptr;
}

// Without options (no application object yet) sounds play silent rather than at full volume.
constexpr int32_t kSilent = -9600;

int32_t BGMVolume()
{
    GxUserConfig* uc = CoreUserConfig();
    return uc ? uc->GetBGMVolume() : kSilent;
}

int32_t SoundVolume()
{
    GxUserConfig* uc = CoreUserConfig();
    return uc ? uc->GetSoundVolume() : kSilent;
}

int32_t VoiceVolume(int32_t charID)
{
    GxUserConfig* uc = CoreUserConfig();
    return uc ? uc->GetVoiceVolume(charID) : kSilent;
}

void Fill(GxSoundChannelRecord& r, const std::u16string& fileName, int32_t loop, uint32_t startPos, uint32_t fadeIn,
          uint32_t loopPos)
{
    r.m_FileName = fileName;
    r.m_Loop = loop;
    r.m_StartSeekPosTime = startPos;
    r.m_LoopPosTime = loopPos;
    r.m_FadeInTime = static_cast<int32_t>(fadeIn);
}

bool ValidIndex(int32_t index, int32_t count, const char16_t* operation)
{
    if (index >= 0 && index < count) return true;
    GxPrintErrorLog(u"GxGameFunctions %s: index %d is out of range\n", operation, index);
    return false;
}

GxTaskActor* GlobalFadeLayer(GxTaskManage* tm)
{
    if (!tm) return nullptr;
    return dynamic_cast<GxTaskActor*>(tm->FindTaskByName(kGxMainScreenFade));
}

}  // namespace

bool GxPlayBGM(const std::u16string& fileName, int32_t loop, uint32_t startPos, uint32_t fadeIn, uint32_t loopPos,
               bool keepIfSame)
{
    GxUserData* data = CoreUserData();
    if (keepIfSame && data && data->m_BGMRecord.m_FileName == fileName) return true;
    if (data) Fill(data->m_BGMRecord, fileName, loop, startPos, fadeIn, loopPos);
    return GxSound::PlayBGM(fileName, loop - 1, startPos, fadeIn, BGMVolume(), 0, loopPos);
}

bool GxPlayBGV(const std::u16string& fileName, int32_t loop, uint32_t startPos, uint32_t fadeIn, uint32_t loopPos)
{
    if (GxUserData* data = CoreUserData()) Fill(data->m_BGVRecord, fileName, loop, startPos, fadeIn, loopPos);
    GxUserConfig* uc = CoreUserConfig();
    const int32_t volume = uc ? uc->GetBGVVolume(false) : kSilent;
    return GxSound::PlayStreamFromFile(kGxSoundChannelBGV, fileName, loop - 1, startPos, fadeIn, volume, 0, loopPos);
}

bool GxPlaySE(int32_t index, const std::u16string& fileName, int32_t loop, uint32_t startPos, uint32_t fadeIn,
              uint32_t loopPos)
{
    if (!ValidIndex(index, GxUserData::kSECount, u"PlaySE")) return false;
    if (GxUserData* data = CoreUserData()) Fill(data->m_SERecord[index], fileName, loop, startPos, fadeIn, loopPos);
    const uint32_t channel = kGxSoundChannelSE + static_cast<uint32_t>(index);
    GxSound::StopStream(channel);
    return GxSound::PlayStreamFromFile(channel, fileName, loop - 1, startPos, fadeIn, SoundVolume(), 0, loopPos);
}

bool GxPlayVoice(int32_t index, const std::u16string& fileName, int32_t charID)
{
    if (!ValidIndex(index, GxUserData::kVoiceCount, u"PlayVoice")) return false;
    if (!ValidIndex(charID, DBRukoChar::kRowCapacity, u"PlayVoice(character)")) return false;
    if (GxUserData* data = CoreUserData()) {
        GxSoundChannelRecord& r = data->m_VoiceRecord[index];
        Fill(r, fileName, 1, 0, 0, 0);
        r.m_CharID = charID;
    }
    const uint32_t channel = kGxSoundChannelVoice + static_cast<uint32_t>(index);
    GxSound::StopStream(channel);
    return GxSound::PlayStreamFromFile(channel, fileName, 0, 0, 0, VoiceVolume(charID), 0, 0);
}

bool GxReplayVoice(int32_t index)
{
    if (!ValidIndex(index, GxUserData::kVoiceCount, u"ReplayVoice")) return false;
    GxUserData* data = CoreUserData();
    if (!data || data->m_VoiceRecord[index].m_FileName.empty()) return false;
    const GxSoundChannelRecord& r = data->m_VoiceRecord[index];
    if (!ValidIndex(r.m_CharID, DBRukoChar::kRowCapacity, u"ReplayVoice(character)")) return false;
    return GxSound::PlayStreamFromFile(kGxSoundChannelVoice + static_cast<uint32_t>(index), r.m_FileName, 0, 0, 0,
                                       VoiceVolume(r.m_CharID), 0, 0);
}

bool GxPlaySystemSound(int32_t index)
{
    if (!ValidIndex(index, GxSystemConfig::kSystemSoundCount, u"PlaySystemSound")) return false;
    GxCore* core = GxGetCore();
    GxSystemConfig* sc = core ? core->GetSystemConfig() : nullptr;
    if (!sc) return false;
    return GxSound::PlayOneShot(nullptr, sc->m_SystemSoundFile[index], 0, 0, 0, SoundVolume(), 0);
}

void GxStopBGM(uint32_t fadeOut)
{
    if (GxUserData* data = CoreUserData()) data->m_BGMRecord.Clear();
    GxSound::StopBGM(fadeOut);
}

void GxStopBGV(uint32_t fadeOut)
{
    if (GxUserData* data = CoreUserData()) data->m_BGVRecord.Clear();
    GxSound::FadeOutStream(kGxSoundChannelBGV, fadeOut);
}

void GxStopSE(int32_t index, uint32_t fadeOut)
{
    if (!ValidIndex(index, GxUserData::kSECount, u"StopSE")) return;
    if (GxUserData* data = CoreUserData()) data->m_SERecord[index].Clear();
    GxSound::FadeOutStream(kGxSoundChannelSE + static_cast<uint32_t>(index), fadeOut);
}

void GxStopVoice(int32_t index)
{
    if (!ValidIndex(index, GxUserData::kVoiceCount, u"StopVoice")) return;
    if (GxUserData* data = CoreUserData()) data->m_VoiceRecord[index].Clear();
    GxSound::FadeOutStream(kGxSoundChannelVoice + static_cast<uint32_t>(index), 0);
}

void GxUpdateBGMVolume()
{
    if (GxSound::IsStreamPlaying(kGxSoundChannelBGM0)) GxSound::SetStreamVolume(kGxSoundChannelBGM0, BGMVolume());
    else if (GxSound::IsStreamPlaying(kGxSoundChannelBGM1)) GxSound::SetStreamVolume(kGxSoundChannelBGM1, BGMVolume());
}

void GxUpdateSEVolume()
{
    for (uint32_t i = 0; i < GxUserData::kSECount; ++i) {
        if (GxSound::IsStreamPlaying(kGxSoundChannelSE + i)) GxSound::SetStreamVolume(kGxSoundChannelSE + i, SoundVolume());
    }
}

void GxUpdateMovieVolume()
{
    GxUserConfig* uc = CoreUserConfig();
    const int32_t volume = uc ? uc->GetMovieVolume() : kSilent;
    for (uint32_t slot = 0; slot < GxMovie::kSlotCount; ++slot) {
        GxMoviePlayerFile* player = GxMovie::GetPlayer(slot);
        if (player && player->IsPlaying()) player->SetVolume(volume);
    }
}

void GxUpdateVoiceVolume()
{
    GxUserData* data = CoreUserData();
    for (uint32_t i = 0; i < GxUserData::kVoiceCount; ++i) {
        if (!GxSound::IsStreamPlaying(kGxSoundChannelVoice + i)) continue;
        const int32_t charID = data ? data->m_VoiceRecord[i].m_CharID : -1;
        GxSound::SetStreamVolume(kGxSoundChannelVoice + i, VoiceVolume(charID));
    }
}

bool GxIsVoicePlaying()
{
    for (uint32_t i = 0; i < GxUserData::kVoiceCount; ++i) {
        if (GxSound::IsStreamPlaying(kGxSoundChannelVoice + i)) return true;
    }
    return false;
}

bool GxStopAllSE() { return GxStopAllSE(CoreUserData()); }

bool GxStopAllSE(GxUserData* data)
{
    for (int i = 0; i < GxUserData::kSECount; ++i) {
        if (data) data->m_SERecord[i].Clear();
        GxSound::FadeOutStream(kGxSoundChannelSE + i, 0);
    }
    return true;
}

bool GxStopAllVoice() { return GxStopAllVoice(CoreUserData()); }

bool GxStopAllVoice(GxUserData* data)
{
    for (int i = 0; i < GxUserData::kVoiceCount; ++i) {
        GxSound::FadeOutStream(kGxSoundChannelVoice + i, 0);
        if (data) data->m_VoiceRecord[i].Clear();
    }
    return true;
}

void GxStartGlobalFadeIn(int32_t time) { GxStartGlobalFadeIn(CoreTaskManage(), time); }

void GxStartGlobalFadeIn(GxTaskManage* tm, int32_t time)
{
    GxTaskActor* cover = GlobalFadeLayer(tm);
    if (!cover) return;
    cover->ClearAction();
    if (time > 0) cover->AddActionFadeOut(time);
    else cover->SetAlpha(0);
}

void GxStartGlobalFadeOut(int32_t time) { GxStartGlobalFadeOut(CoreTaskManage(), time); }

void GxStartGlobalFadeOut(GxTaskManage* tm, int32_t time)
{
    GxTaskActor* cover = GlobalFadeLayer(tm);
    if (!cover) return;
    cover->ClearAction();
    if (time > 0) cover->AddActionFadeIn(time);
    else cover->SetAlpha(255);
}

void GxStartGameAtLabel(GxCore* core, const std::u16string& label)
{
    GxTaskManage* tm = core ? core->GetTaskManage() : nullptr;
    if (tm) {
        if (auto* bg = dynamic_cast<GxTaskLayer*>(tm->FindTaskByName(kGxMainScreenBGLayer))) {
            const GxSystemConfig* sc = core->GetSystemConfig();
            bg->LoadImage(sc ? sc->m_FileCgBgDefault : GxSystemConfig().m_FileCgBgDefault, 0);
        }
    }
    GxStartGlobalFadeIn(tm, 1000);
    if (!g_MoaWorkerEx || !g_MoaWorkerEx->StartAtLabel(label, nullptr))
        GxPrintErrorLog(u"スクリプトにラベル %s が存在しないため実行できません\n", label);
    if (!tm) return;
    if (GxTaskBase* main = tm->FindTaskByName(kGxMainScreenName)) tm->ChangeSequence(main, 0);
    else GxPrintErrorLog(u"遷移先のシーケンスが見つかりません(%s)\n", kGxMainScreenName);
}
