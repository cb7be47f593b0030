// Which widget of the settings screen carries which option, in which form, and what is applied
// to the running game when the options change.
#include <algorithm>
#include <cstdint>
#include <limits>

#include "app/GxCore.h"
#include "app/task/GxTaskManage.h"
#include "game/GxGameFunctions.h"
#include "game/GxMainScreen.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserConfig.h"
#include "game/GxUserData.h"
#include "game/GxUserDataPerman.h"
#include "media/GxSound.h"
#include "seq/SeqConfig.h"
#include "ui/GxTaskUIBase.h"
#include "ui/GxTaskUITextWidgets.h"

namespace {

constexpr int32_t kPercentMax = 100;
constexpr int32_t kOpacityMax = 255;
// The long wait is eight short ones; a short wait above this would overflow it.
constexpr int32_t kWaitMax = std::numeric_limits<int32_t>::max() / 8;

GxCore* Core() { return GxGetCore(); }

GxUserConfig* Options()
{
    GxCore* core = Core();
    return core ? core->GetUserConfig() : nullptr;
}

// A widget the layout must provide: a missing one is reported by the lookup.
GxTaskUIBase* Widget(GxTaskFolder* page, const char16_t* name, int32_t index)
{
    GxTaskBase* task = page ? page->GetTaskLocal(name, index) : nullptr;
    return task && task->IsKindOf(GxTaskKind::UI) ? dynamic_cast<GxTaskUIBase*>(task) : nullptr;
}

// A widget a game may leave out (the per-character voice sliders).
GxTaskUIBase* OptionalWidget(GxTaskFolder* page, const char16_t* name, int32_t index)
{
    GxTaskBase* task = page ? page->FindTaskLocal(name, index) : nullptr;
    return task && task->IsKindOf(GxTaskKind::UI) ? dynamic_cast<GxTaskUIBase*>(task) : nullptr;
}

void ShowInt(GxTaskUIBase* widget, int32_t value)
{
    if (widget) widget->SetValueInt(value);
}

void ShowBool(GxTaskUIBase* widget, bool value)
{
    if (widget) widget->SetValueBool(value);
}

// The field keeps its value when the widget is missing. Slider ranges are game data, so what a
// slider holds is brought into the field's own range.
void StoreInt(GxTaskUIBase* widget, int32_t& field, int32_t sign, int32_t low, int32_t high)
{
    if (!widget) return;
    const int64_t value = static_cast<int64_t>(widget->GetValueInt()) * sign;
    field = static_cast<int32_t>(std::clamp<int64_t>(value, low, high));
}

void StoreBool(GxTaskUIBase* widget, bool& field)
{
    if (widget) field = widget->GetValueBool();
}

// An on/off pair: "btn_on" shows the option, "btn_off" its negation.
void ShowPair(GxTaskFolder* page, int32_t index, bool value, const char16_t* on = u"btn_on",
              const char16_t* off = u"btn_off")
{
    ShowBool(Widget(page, on, index), value);
    ShowBool(Widget(page, off, index), !value);
}

void StorePair(GxTaskFolder* page, int32_t index, bool& field, const char16_t* on = u"btn_on")
{
    StoreBool(Widget(page, on, index), field);
}

GxTaskBase* MainScreenTask(const char16_t* name)
{
    GxCore* core = Core();
    GxTaskManage* tm = core ? core->GetTaskManage() : nullptr;
    return tm ? tm->FindTaskByName(name) : nullptr;
}

}  // namespace

void SeqConfig::ShowScreenMode()
{
    const GxUserConfig* o = Options();
    if (!o) return;
    ShowBool(Widget(GetPage(kPageSystem), u"btn_window", 1), o->m_ScreenMode == 0);
    ShowInt(Widget(GetPage(kPageSystem), u"btn_fullscreen", 1), o->m_ScreenMode);
}

void SeqConfig::ReadUserConfig()
{
    const GxUserConfig* o = Options();
    if (!o) return;
    GxTaskFolder* system = GetPage(kPageSystem);
    ShowScreenMode();
    ShowInt(Widget(system, u"hsld_textspeed", 0), -o->m_TextWaitTime);
    ShowInt(Widget(system, u"hsld_autospeed", 0), -o->m_AutoWaitTime);
    ShowInt(Widget(system, u"hsld_winalpha", 0), -o->m_TextWindowOpacity);
    ShowPair(system, 2, o->m_AllowSkipUnreadText);
    ShowPair(system, 3, o->m_FastShowReadedText);
    ShowPair(system, 4, o->m_ChangeColorReadedText);
    ShowPair(system, 5, o->m_ChangeColorSelectedMenu);
    ShowPair(system, 6, o->m_KeepAutoModeAfterSelect);
    ShowPair(system, 7, o->m_KeepSkipModeAfterSelect);

    GxTaskFolder* sound = GetPage(kPageSound);
    ShowInt(Widget(sound, u"hsld_vol_master", 0), o->m_Volume_Master);
    ShowInt(Widget(sound, u"hsld_vol_bgm", 0), o->m_Volume_BGM);
    ShowInt(Widget(sound, u"hsld_vol_se", 0), o->m_Volume_Sound);
    ShowInt(Widget(sound, u"hsld_vol_movie", 0), o->m_Volume_Movie);
    ShowInt(Widget(sound, u"hsld_vol_rest", 0), o->m_Volume_RestrainBGM);
    ShowPair(sound, 1, o->m_VoiceStopTiming, u"btn_nextvoice", u"btn_nexttext");
    ShowPair(sound, 2, o->m_WaitVoiceEndOnAutoMode);

    GxTaskFolder* voice = GetPage(kPageVoice);
    ShowInt(Widget(voice, u"hsld_vol_voicemaster", 0), o->m_Volume_VoiceMaster);
    for (int32_t i = 0; i < GxUserConfig::kVoiceVolumeCount; ++i)
        ShowInt(OptionalWidget(voice, u"hsld_vol_voice", i), o->m_Volume_Voice[i]);

    GxTaskFolder* game = GetPage(kPageGame);
    ShowPair(game, 1, o->m_Game_SkipBattleEffect);
    ShowPair(game, 2, o->m_Game_SkipSpecialAttackEffect);
    ShowPair(game, 3, o->m_Game_SkipBattleVoice);
}

void SeqConfig::StoreGeneralOptions()
{
    GxUserConfig* o = Options();
    if (!o) return;
    // The screen mode is not read back: it changes only with a display change that worked.
    GxTaskFolder* system = GetPage(kPageSystem);
    if (GxTaskUIBase* speed = Widget(system, u"hsld_textspeed", 0)) {
        StoreInt(speed, o->m_TextWaitTime, -1, 0, kWaitMax);
        o->m_TextLongWaitTime = 8 * o->m_TextWaitTime;
    }
    StoreInt(Widget(system, u"hsld_autospeed", 0), o->m_AutoWaitTime, -1, 0, std::numeric_limits<int32_t>::max());
    StoreInt(Widget(system, u"hsld_winalpha", 0), o->m_TextWindowOpacity, -1, 0, kOpacityMax);
    StorePair(system, 2, o->m_AllowSkipUnreadText);
    StorePair(system, 3, o->m_FastShowReadedText);
    StorePair(system, 4, o->m_ChangeColorReadedText);
    StorePair(system, 5, o->m_ChangeColorSelectedMenu);
    StorePair(system, 6, o->m_KeepAutoModeAfterSelect);
    StorePair(system, 7, o->m_KeepSkipModeAfterSelect);
    GxTaskFolder* sound = GetPage(kPageSound);
    StorePair(sound, 1, o->m_VoiceStopTiming, u"btn_nextvoice");
    StorePair(sound, 2, o->m_WaitVoiceEndOnAutoMode);

    ApplyWindowOpacity(o->m_TextWindowOpacity);
    RecolourChoices();

    GxTaskFolder* game = GetPage(kPageGame);
    StorePair(game, 1, o->m_Game_SkipBattleEffect);
    StorePair(game, 2, o->m_Game_SkipSpecialAttackEffect);
    StorePair(game, 3, o->m_Game_SkipBattleVoice);
}

void SeqConfig::StoreSoundVolumes()
{
    GxUserConfig* o = Options();
    if (!o) return;
    GxTaskFolder* sound = GetPage(kPageSound);
    StoreInt(Widget(sound, u"hsld_vol_master", 0), o->m_Volume_Master, 1, 0, kPercentMax);
    StoreInt(Widget(sound, u"hsld_vol_bgm", 0), o->m_Volume_BGM, 1, 0, kPercentMax);
    StoreInt(Widget(sound, u"hsld_vol_movie", 0), o->m_Volume_Movie, 1, 0, kPercentMax);
    GxTaskUIBase* effects = Widget(sound, u"hsld_vol_se", 0);
    StoreInt(effects, o->m_Volume_BGV, 1, 0, kPercentMax);
    StoreInt(effects, o->m_Volume_Sound, 1, 0, kPercentMax);
    StoreInt(Widget(sound, u"hsld_vol_rest", 0), o->m_Volume_RestrainBGM, 1, 0, kPercentMax);
    ApplyVolumes();
}

void SeqConfig::StoreVoiceVolumes()
{
    GxUserConfig* o = Options();
    if (!o) return;
    GxTaskFolder* voice = GetPage(kPageVoice);
    StoreInt(Widget(voice, u"hsld_vol_voicemaster", 0), o->m_Volume_VoiceMaster, 1, 0, kPercentMax);
    for (int32_t i = 0; i < GxUserConfig::kVoiceVolumeCount; ++i)
        StoreInt(OptionalWidget(voice, u"hsld_vol_voice", i), o->m_Volume_Voice[i], 1, 0, kPercentMax);
    GxUpdateVoiceVolume();
}

void SeqConfig::ResetUserConfig()
{
    GxUserConfig* o = Options();
    if (!o) return;
    const int32_t mode = o->m_ScreenMode;
    o->SetDefault();
    o->m_ScreenMode = mode;
    ReadUserConfig();
    ApplyWindowOpacity(o->m_TextWindowOpacity);
    ApplyVolumes();
}

void SeqConfig::ApplyVolumes()
{
    GxUpdateBGMVolume();
    const bool voicePlaying = GxIsVoicePlaying();
    const GxUserConfig* o = Options();
    if (o && GxSound::IsStreamPlaying(kGxSoundChannelBGV))
        GxSound::SetStreamVolume(kGxSoundChannelBGV, o->GetBGVVolume(voicePlaying));
    GxUpdateMovieVolume();
    GxUpdateSEVolume();
    GxUpdateVoiceVolume();
}

void SeqConfig::ApplyWindowOpacity(int32_t opacity)
{
    for (const char16_t* name : {kGxMainScreenMesWin, kGxMainScreenNameWin}) {
        GxTaskBase* task = MainScreenTask(name);
        auto* window = task && task->IsKindOf(GxTaskKind::UI) ? dynamic_cast<GxTaskUIBase*>(task) : nullptr;
        if (window) window->SetImageAlpha(opacity);
    }
}

void SeqConfig::RecolourChoices()
{
    GxCore* core = Core();
    const GxUserData* data = core ? core->GetUserData() : nullptr;
    const GxSystemConfig* sc = core ? core->GetSystemConfig() : nullptr;
    const GxUserConfig* o = Options();
    const GxUserDataPerman* perman = core ? core->GetUserDataPerman() : nullptr;
    if (!data || !sc || !o || !data->m_IsSelecting) return;
    auto* folder = dynamic_cast<GxTaskFolder*>(MainScreenTask(kGxMainScreenSelect));
    if (!folder) return;
    // Item 0 carries no button.
    for (size_t i = 1; i < data->m_SelectItems.size(); ++i) {
        if (!data->m_SelectItems[i].m_Visible) continue;
        const int32_t index = static_cast<int32_t>(i);
        auto* button = dynamic_cast<GxTaskUITextButtonIs*>(folder->FindTaskLocal(u"btn_select", index));
        if (!button) continue;
        const bool pickedBefore =
            o->m_ChangeColorSelectedMenu && perman && perman->GetSelectedMenuFlag(data->m_SelectHash, index);
        button->SetTextColor(pickedBefore ? sc->m_SelectTextColor1 : sc->m_SelectTextColor0);
    }
}
