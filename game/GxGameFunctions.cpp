#include "game/GxGameFunctions.h"

#include "app/GxCore.h"
#include "app/GxTaskActor.h"
#include "app/task/GxTaskManage.h"
#include "game/GxUserData.h"
#include "media/GxSound.h"

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

GxTaskActor* GlobalFadeLayer(GxTaskManage* tm)
{
    if (!tm) return nullptr;
    return dynamic_cast<GxTaskActor*>(tm->FindTaskByName(u"$GLOBALFADE:SeqRukoMain"));
}

}  // namespace

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
