// The settings screen built by the program's screen list from the UI layout: its pages and tab
// buttons, the button handler with the display switch and the two questions, the way back, and
// the binding of every widget to the player's options with what changes in the running game.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/GxSeqBase.h"
#include "core/GxFrameTimer.h"
#include "game/GxGameFrame.h"
#include "game/GxGameStartup.h"
#include "game/GxKeptData.h"
#include "game/GxMainScreen.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserConfig.h"
#include "game/GxUserData.h"
#include "game/GxUserDataPerman.h"
#include "graphics/GxGraphics.h"
#include "layer/GxTaskLayer.h"
#include "media/GxSound.h"
#include "seq/SeqConfig.h"
#include "seq/SeqSystem.h"
#include "tests/graphics/graphics_test_support.h"
#include "tests/support/GxFailingDisk.h"
#include "tests/support/GxHideScreen.h"
#include "tests/seq/ScreenTestFixture.h"
#include "ui/GxTaskUIBase.h"
#include "ui/GxTaskUITextWidgets.h"

namespace {

const char* const kTabs[] = {"btn_tabconf_system", "btn_tabconf_sound", "btn_tabconf_voice", "btn_tabconf_game"};
const char* const kFolders[] = {"$UI_SYSTEM:SeqConfig", "$UI_SOUND:SeqConfig", "$UI_VOICE:SeqConfig",
                                "$UI_GAME:SeqConfig"};
const char16_t* const kFolders16[] = {u"$UI_SYSTEM:SeqConfig", u"$UI_SOUND:SeqConfig", u"$UI_VOICE:SeqConfig",
                                      u"$UI_GAME:SeqConfig"};
float TabX(int p) { return 100.0f + 100.0f * static_cast<float>(p); }
constexpr float kTabY = 10.0f;
const char* const kCommands[] = {"btn_title", "btn_init", "btn_exit", "btn_back"};
float CommandX(int i) { return 500.0f + 100.0f * static_cast<float>(i); }
constexpr float kWindowX = 100.0f, kFullScreenX = 200.0f, kModeY = 100.0f;

// A layout row with the value range a slider takes from the game data.
std::vector<std::string> Row(int id, const std::string& parent, const std::string& module, const std::string& name,
                             int index, float left, float top, int group = 0, int value = 0, int min = 0, int max = 1)
{
    std::vector<std::string> row = screentest::LayoutRow(id, parent, module, name, index, left, top, group, value);
    row[16] = std::to_string(min);
    row[17] = std::to_string(max);
    return row;
}

// The settings screen's widgets (voice sliders for indices 0..4 only), the system screen's
// dialogs, and the main play screen's two windows and choice buttons.
void WriteConfigData(const std::filesystem::path& root)
{
    const std::vector<std::vector<std::string>> modules = {
        screentest::ModuleRow(1, 18, "mod_btn", 60, 40),
        screentest::ModuleRow(2, 20, "mod_radio", 40, 20),
        screentest::ModuleRow(3, 30, "mod_slider", 200, 20, "ui_config", "vol"),
        screentest::ModuleRow(4, 15, "dlg_user", 400, 200),
        screentest::ModuleRow(5, 15, "dlg_shutdown", 400, 200),
        screentest::ModuleRow(6, 18, "btn_yes", 100, 40),
        screentest::ModuleRow(7, 18, "btn_no", 100, 40),
        screentest::ModuleRow(8, 9, "tip_msgwindow", 800, 200),
        screentest::ModuleRow(9, 11, "tip_namewindow", 200, 40),
        screentest::ModuleRow(10, 21, "btn_select0", 400, 40),
        screentest::ModuleRow(11, 18, "btn_ok", 100, 40),
    };
    ASSERT_TRUE(screentest::WriteBytes(root / "data/db_uimodule.txt", screentest::TableText(modules)));
    std::vector<std::vector<std::string>> layout;
    int id = 1;
    const std::string ui = "$UI:SeqConfig";
    for (int p = 0; p < 4; ++p) layout.push_back(Row(id++, ui, "mod_radio", kTabs[p], 0, TabX(p), kTabY, 1, p == 0));
    for (int i = 0; i < 4; ++i) layout.push_back(Row(id++, ui, "mod_btn", kCommands[i], 0, CommandX(i), kTabY));
    const std::string sys = kFolders[0], snd = kFolders[1], voc = kFolders[2], gam = kFolders[3];
    layout.push_back(Row(id++, sys, "mod_radio", "btn_window", 1, kWindowX, kModeY, 2, 1));
    layout.push_back(Row(id++, sys, "mod_radio", "btn_fullscreen", 1, kFullScreenX, kModeY, 2));
    float y = 200.0f;
    layout.push_back(Row(id++, sys, "mod_slider", "hsld_textspeed", 0, 100, y += 30, 0, 0, -200, 0));
    layout.push_back(Row(id++, sys, "mod_slider", "hsld_autospeed", 0, 100, y += 30, 0, 0, -10000, 0));
    // A range wider than the opacity's, as game data may have it.
    layout.push_back(Row(id++, sys, "mod_slider", "hsld_winalpha", 0, 100, y += 30, 0, 0, -300, 0));
    auto pair = [&](const std::string& page, int index, const char* on = "btn_on", const char* off = "btn_off") {
        y += 30;
        layout.push_back(Row(id++, page, "mod_radio", on, index, 500, y, 10 + index));
        layout.push_back(Row(id++, page, "mod_radio", off, index, 600, y, 10 + index));
    };
    for (int i = 2; i <= 7; ++i) pair(sys, i);
    y = 200.0f;
    for (const char* s : {"hsld_vol_master", "hsld_vol_bgm", "hsld_vol_se", "hsld_vol_movie", "hsld_vol_rest"})
        layout.push_back(Row(id++, snd, "mod_slider", s, 0, 100, y += 30, 0, 0, 0, 150));
    pair(snd, 1, "btn_nextvoice", "btn_nexttext");
    pair(snd, 2);
    y = 200.0f;
    layout.push_back(Row(id++, voc, "mod_slider", "hsld_vol_voicemaster", 0, 100, y += 30, 0, 0, 0, 100));
    for (int i = 0; i < 5; ++i) layout.push_back(Row(id++, voc, "mod_slider", "hsld_vol_voice", i, 100, y += 30, 0, 0, 0, 100));
    y = 200.0f;
    for (int i = 1; i <= 3; ++i) pair(gam, i);
    layout.push_back(Row(id++, "$UI:SeqRukoMain", "tip_msgwindow", "$MESWIN:SeqRukoMain", -1, 100, 500));
    layout.push_back(Row(id++, "$UI:SeqRukoMain", "tip_namewindow", "$NAMEWIN:SeqRukoMain", -1, 100, 460));
    ASSERT_TRUE(screentest::WriteBytes(root / "data/db_uilayout.txt", screentest::TableText(layout)));
    ASSERT_TRUE(screentest::WriteBytes(root / "data/db_rukochar.txt", "1\truko\t0\t\t\tvoice/\t3\t\n"));
    for (const char* page : {"system", "sound", "voice", "game"})
        ASSERT_TRUE(screentest::WritePicture(root, std::string("cg/ui/bg_config_") + page + ".png",
                                         static_cast<uint32_t>(10 + std::string(page).size()), 8));
    ASSERT_TRUE(screentest::WriteImageSet(root, "uigis/ui_config.gis", {{u"vol_n.png", 8, 8}}));
}

// Lets a test make the display change fail and counts the changes asked for.
struct ScreenModeSwitch
{
    ScreenModeSwitch() : saved(GxGetGameStartupServices().changeScreenMode) { Result() = true; Asked().clear(); }
    ~ScreenModeSwitch() { GxGetGameStartupServices().changeScreenMode = saved; }
    void Fail()
    {
        Result() = false;
        GxGetGameStartupServices().changeScreenMode = [](int32_t mode) {
            Asked().push_back(mode);
            return Result();
        };
    }
    static bool& Result()
    {
        static bool result = true;
        return result;
    }
    static std::vector<int32_t>& Asked()
    {
        static std::vector<int32_t> asked;
        return asked;
    }
    bool (*saved)(int32_t);
};

class Settings : public ::testing::Test
{
protected:
    Settings() : g(WriteConfigData) {}
    ~Settings() override
    {
        g_SystemDialogCount = 0;
        SeqSystem::SetUserDialogKey(u"");
    }

    SeqConfig* Screen() { return dynamic_cast<SeqConfig*>(g.Tm()->FindTaskByName(u"SeqConfig")); }
    GxTaskUIBase* W(const char16_t* folder, const char16_t* name, int index = 0)
    {
        auto* f = dynamic_cast<GxTaskFolder*>(g.Tm()->FindTaskByName(folder));
        return f ? dynamic_cast<GxTaskUIBase*>(f->FindTaskLocal(name, index)) : nullptr;
    }
    GxTaskUIBase* Sys(const char16_t* name, int index = 0) { return W(kFolders16[0], name, index); }
    GxTaskUIBase* Snd(const char16_t* name, int index = 0) { return W(kFolders16[1], name, index); }
    GxTaskUIBase* Voc(const char16_t* name, int index = 0) { return W(kFolders16[2], name, index); }
    GxTaskUIBase* Gam(const char16_t* name, int index = 0) { return W(kFolders16[3], name, index); }
    GxTaskUIBase* DialogButton(const char16_t* name)
    {
        GxTaskBase* d = g.Tm()->FindTaskByName(u"dlg_user");
        for (GxTaskBase* c = d ? d->GetFirstChild() : nullptr; c; c = c->GetNextSibling())
            if (c->GetTaskLocalName() == name && c->GetTaskLocalIndex() == 0) return dynamic_cast<GxTaskUIBase*>(c);
        return nullptr;
    }
    std::u16string DialogText()
    {
        auto* d = dynamic_cast<GxTaskUIBase*>(g.Tm()->FindTaskByName(u"dlg_user"));
        return d ? d->GetText() : u"<no dialog>";
    }
    GxUserConfig& Options() { return *g.core->GetUserConfig(); }
    // The settings opened from the main play screen, as the player does it.
    void Open()
    {
        g.Enter(u"SeqRukoMain", 0);
        g.Enter(u"SeqConfig", 0);
    }
    void Tab(int page) { g.Click(TabX(page) + 5.0f, kTabY + 5.0f); }
    void Command(const char* name)
    {
        for (int i = 0; i < 4; ++i)
            if (std::string(kCommands[i]) == name) g.Click(CommandX(i) + 5.0f, kTabY + 5.0f);
    }
    // The answer's press as the system screen's button sends it, and the frame that delivers it.
    void Answer(const char16_t* button)
    {
        GxTaskUIBase* b = DialogButton(button);
        ASSERT_NE(b, nullptr);
        b->RaiseUIEvent(GxUIEventType::LeftDown);
        g.Frame(16);
    }
    // A slider moved by the player: its new value and the change event.
    void Slide(GxTaskUIBase* slider, int32_t value)
    {
        ASSERT_NE(slider, nullptr);
        slider->SetValueInt(value);
        slider->RaiseUIEvent(GxUIEventType::ValueChange);
        g.Frame(16);
    }
    // Leaves for the main play screen and lets the change run.
    void Leave()
    {
        g.Enter(u"SeqRukoMain", 0);
    }
    std::vector<std::string> Calls(const std::string& prefix)
    {
        std::vector<std::string> out;
        for (const std::string& c : g.sound.TakeCalls())
            if (c.rfind(prefix, 0) == 0) out.push_back(c);
        return out;
    }

    screentest::Game g;
};

TEST_F(Settings, EachTabSelectsItsPageAndBackgroundAndPausesTheOthers)
{
    ASSERT_TRUE(g.initialized);
    Open();
    SeqConfig* screen = Screen();
    ASSERT_NE(screen, nullptr);
    auto* layer = dynamic_cast<GxTaskLayer*>(g.Tm()->FindTaskByName(u"$BGLAYER:SeqConfig"));
    ASSERT_NE(layer, nullptr);
    // The tab order system, sound, voice, game and back: the picture widths tell the pages apart.
    const int widths[] = {16, 15, 15, 14};
    for (int p : {0, 1, 2, 3, 1, 0}) {
        if (!(p == 0 && screen->GetSelectedPage() == -1)) Tab(p);
        EXPECT_EQ(screen->GetSelectedPage(), p);
        EXPECT_EQ(layer->GetWidth(), widths[p]) << p;
        for (int q = 0; q < 4; ++q) {
            EXPECT_EQ(screen->GetPage(q)->IsPause(), q != p) << p << " " << q;
            EXPECT_EQ(W(u"$UI:SeqConfig", GxUtf8ToWide(kTabs[q]).c_str())->GetValueBool(), q == p);
        }
    }
    // A paused page's widgets take no clicks: the display buttons live on the system page.
    Tab(1);
    Options().m_ScreenMode = 1;
    g.Click(kWindowX + 5.0f, kModeY + 5.0f);
    EXPECT_EQ(Options().m_ScreenMode, 1);

    // The held image set and the background go when the screen is left; the page stays chosen.
    Leave();
    EXPECT_EQ(layer->GetWidth(), 0);
    EXPECT_EQ(GxNcImageSetPool::Find(u"uigis/ui_config.gis"), nullptr);
    g.Enter(u"SeqConfig", 0);
    EXPECT_EQ(screen->GetSelectedPage(), 1);
    EXPECT_NE(GxNcImageSetPool::Find(u"uigis/ui_config.gis"), nullptr);
}

TEST_F(Settings, DisplayButtonsChangeTheModeOnlyWhenTheChangeWorks)
{
    ASSERT_TRUE(g.initialized);
    ScreenModeSwitch modes;
    Open();
    // Already in window mode: the press goes through to the sound stores and changes nothing.
    g.Click(kWindowX + 5.0f, kModeY + 5.0f);
    EXPECT_EQ(Options().m_ScreenMode, 0);
    EXPECT_TRUE(Sys(u"btn_window", 1)->GetValueBool());

    // The program's own display change works: full screen and back.
    g.Click(kFullScreenX + 5.0f, kModeY + 5.0f);
    EXPECT_EQ(Options().m_ScreenMode, 1);
    EXPECT_EQ(Sys(u"btn_fullscreen", 1)->GetValueInt(), 1);
    EXPECT_FALSE(Sys(u"btn_window", 1)->GetValueBool());
    g.Click(kWindowX + 5.0f, kModeY + 5.0f);
    EXPECT_EQ(Options().m_ScreenMode, 0);

    // A refused change keeps the option and puts the buttons back, also after leaving.
    modes.Fail();
    g.Click(kFullScreenX + 5.0f, kModeY + 5.0f);
    EXPECT_EQ(ScreenModeSwitch::Asked(), (std::vector<int32_t>{SeqConfig::kModeFullScreen}));
    EXPECT_EQ(Options().m_ScreenMode, 0);
    EXPECT_TRUE(Sys(u"btn_window", 1)->GetValueBool());
    EXPECT_EQ(Sys(u"btn_fullscreen", 1)->GetValueInt(), 0);
    Sys(u"btn_fullscreen", 1)->SetValueInt(1);  // however the button came to be on
    Leave();
    EXPECT_EQ(Options().m_ScreenMode, 0);

    // A change made elsewhere (the F4 key) shows on the buttons.
    g.Enter(u"SeqConfig", 0);
    Options().m_ScreenMode = 1;
    g.Tm()->OnChangeScreenMode(0, 2);
    EXPECT_FALSE(Sys(u"btn_window", 1)->GetValueBool());
    EXPECT_EQ(Sys(u"btn_fullscreen", 1)->GetValueInt(), 1);
}

// Through the program's own display change: a window system that does not make the window full
// screen leaves the option and the mode at the window, and the buttons show it.
TEST_F(Settings, FullScreenTheWindowSystemRefusesKeepsTheWindowOnTheButtons)
{
    ASSERT_TRUE(g.initialized);
    g.ws->refuseFullScreen = true;
    Open();
    g.Click(kFullScreenX + 5.0f, kModeY + 5.0f);
    EXPECT_EQ(Options().m_ScreenMode, 0);
    EXPECT_EQ(GxGraphics::GetScreenMode(), SCRMODE_WINDOW);
    EXPECT_TRUE(Sys(u"btn_window", 1)->GetValueBool());
    EXPECT_EQ(Sys(u"btn_fullscreen", 1)->GetValueInt(), 0);
    Leave();
    EXPECT_EQ(Options().m_ScreenMode, 0) << "leaving stores the buttons";

    g.ws->refuseFullScreen = false;
    g.Enter(u"SeqConfig", 0);
    g.Click(kFullScreenX + 5.0f, kModeY + 5.0f);
    EXPECT_EQ(Options().m_ScreenMode, 1);
    EXPECT_EQ(GxGraphics::GetScreenMode(), SCRMODE_FULLSCREEN);
    g.Click(kWindowX + 5.0f, kModeY + 5.0f);
    EXPECT_EQ(GxGraphics::GetScreenMode(), SCRMODE_WINDOW);
}

TEST_F(Settings, ReturnToTitleAsksFirst)
{
    ASSERT_TRUE(g.initialized);
    // A title screen for the answer Yes to go to.
    gxtest::HideProgramScreen((g.Tm()->FindTaskByName(u"SeqConfig")->GetParent())->GetManager(), u"SeqTitle");
    new GxSeqBase(u"SeqTitle", g.Tm()->FindTaskByName(u"SeqConfig")->GetParent());
    Open();
    Command("btn_title");
    EXPECT_TRUE(SeqSystem::IsUserDialogOpen(Screen()));
    EXPECT_EQ(SeqSystem::GetUserDialogKey(), u"RETURNTITLE");
    EXPECT_EQ(DialogText(), u"タイトル画面に戻りますか？");
    // A second press while the question is open asks nothing more.
    Command("btn_title");
    EXPECT_EQ(g_SystemDialogCount, 1);
    Answer(u"btn_dlguser_no");
    EXPECT_FALSE(SeqSystem::IsUserDialogOpen(Screen()));
    EXPECT_EQ(g.Tm()->GetCurrentSequenceName(), u"SeqConfig");

    Command("btn_title");
    Answer(u"btn_dlguser_yes");
    g.Frame(16);
    EXPECT_FALSE(SeqSystem::IsUserDialogOpen(Screen()));
    EXPECT_EQ(g.Tm()->GetCurrentSequenceName(), u"SeqTitle");
}

TEST_F(Settings, ResetAsksFirstAndKeepsTheScreenMode)
{
    ASSERT_TRUE(g.initialized);
    GxUserConfig& o = Options();
    o.m_ScreenMode = 1;
    o.m_TextWaitTime = 10;
    o.m_Volume_BGM = 20;
    o.m_Volume_Voice[2] = 7;
    o.m_TextWindowOpacity = 40;
    o.m_AllowSkipUnreadText = true;
    Open();
    EXPECT_EQ(Sys(u"hsld_textspeed")->GetValueInt(), -10);
    g.sound.SetPlaying(0, "bgm/a.ogg");
    g.sound.TakeCalls();

    Command("btn_init");
    EXPECT_EQ(SeqSystem::GetUserDialogKey(), u"INITCONF");
    EXPECT_EQ(DialogText(), u"設定を初期化しますか？");
    Answer(u"btn_dlguser_no");
    EXPECT_EQ(o.m_Volume_BGM, 20);

    Command("btn_init");
    Answer(u"btn_dlguser_yes");
    const GxUserConfig defaults;
    EXPECT_FALSE(SeqSystem::IsUserDialogOpen(Screen()));
    EXPECT_EQ(o.m_ScreenMode, 1);
    EXPECT_EQ(o.m_TextWaitTime, defaults.m_TextWaitTime);
    EXPECT_EQ(o.m_Volume_BGM, defaults.m_Volume_BGM);
    EXPECT_EQ(o.m_Volume_Voice[2], defaults.m_Volume_Voice[2]);
    EXPECT_FALSE(o.m_AllowSkipUnreadText);
    // The widgets show the defaults, the window its default opacity, the music its new volume.
    EXPECT_EQ(Sys(u"hsld_textspeed")->GetValueInt(), -defaults.m_TextWaitTime);
    EXPECT_EQ(Snd(u"hsld_vol_bgm")->GetValueInt(), defaults.m_Volume_BGM);
    EXPECT_FALSE(Sys(u"btn_on", 2)->GetValueBool());
    EXPECT_TRUE(Sys(u"btn_off", 2)->GetValueBool());
    EXPECT_EQ(dynamic_cast<GxTaskUIBase*>(g.Tm()->FindTaskByName(u"$MESWIN:SeqRukoMain"))->GetImageAlpha(),
              defaults.m_TextWindowOpacity);
    EXPECT_EQ(g.sound.channels[0].volume, o.GetBGMVolume());
}

TEST_F(Settings, BackRightClickAndExit)
{
    ASSERT_TRUE(g.initialized);
    Open();
    // While a dialog is open the right click cannot reach the back button.
    SeqSystem::OpenUserDialog(Screen(), u"USERDIALOG", u"?", SeqSystem::kDialogYesNo);
    g.RightDown(10.0f, 10.0f);
    g.Frame(16);
    g.Frame(16);
    EXPECT_EQ(g.Tm()->GetCurrentSequenceName(), u"SeqConfig");
    SeqSystem::CloseUserDialog(Screen(), false);

    g.RightDown(10.0f, 10.0f);
    g.Frame(16);
    g.Frame(16);
    EXPECT_EQ(g.Tm()->GetCurrentSequenceName(), u"SeqRukoMain");

    // Opened from another screen, back returns there.
    g.Enter(u"SeqRukoLog", 0);
    g.Enter(u"SeqConfig", 0);
    Command("btn_back");
    g.Frame(16);
    EXPECT_EQ(g.Tm()->GetCurrentSequenceName(), u"SeqRukoLog");

    // The quit button asks the system screen, which opens its question.
    g.Enter(u"SeqConfig", 0);
    EXPECT_FALSE(SeqSystem::IsShutdownDialogOpen(Screen()));
    Command("btn_exit");
    EXPECT_TRUE(SeqSystem::IsShutdownDialogOpen(Screen()));
    EXPECT_EQ(g.Tm()->GetCurrentSequenceName(), u"SeqConfig");
}

TEST_F(Settings, LeavingStoresTheGeneralOptionsInTheirOwnForm)
{
    ASSERT_TRUE(g.initialized);
    GxUserConfig& o = Options();
    o.m_Volume_BGV = 30;
    o.m_Volume_Sound = 70;
    Open();
    EXPECT_EQ(Snd(u"hsld_vol_se")->GetValueInt(), 70);
    EXPECT_EQ(Sys(u"hsld_winalpha")->GetValueInt(), -255);
    EXPECT_TRUE(Snd(u"btn_nexttext", 1)->GetValueBool());

    Sys(u"hsld_textspeed")->SetValueInt(-60);
    Sys(u"hsld_autospeed")->SetValueInt(-1500);
    Sys(u"hsld_winalpha")->SetValueInt(-300);  // past what an opacity can be
    Sys(u"btn_on", 5)->SetValueBool(false);
    Sys(u"btn_on", 7)->SetValueBool(true);
    Snd(u"btn_nextvoice", 1)->SetValueBool(true);
    Gam(u"btn_on", 3)->SetValueBool(true);
    Leave();
    EXPECT_EQ(o.m_TextWaitTime, 60);
    EXPECT_EQ(o.m_TextLongWaitTime, 480);
    EXPECT_EQ(o.m_AutoWaitTime, 1500);
    EXPECT_EQ(o.m_TextWindowOpacity, 255);
    EXPECT_FALSE(o.m_ChangeColorSelectedMenu);
    EXPECT_TRUE(o.m_KeepSkipModeAfterSelect);
    EXPECT_TRUE(o.m_VoiceStopTiming);
    EXPECT_TRUE(o.m_Game_SkipBattleVoice);
    EXPECT_FALSE(o.m_Game_SkipBattleEffect);
    // The effects slider carries the ambience too.
    EXPECT_EQ(o.m_Volume_Sound, 70);
    EXPECT_EQ(o.m_Volume_BGV, 70);

    // A slider left of zero never stores a negative wait; the window takes the opacity.
    g.Enter(u"SeqConfig", 0);
    Sys(u"hsld_textspeed")->SetValue(5.0);  // what a slider could hold if its range were wrong
    Sys(u"hsld_winalpha")->SetValueInt(-128);
    Leave();
    EXPECT_GE(o.m_TextWaitTime, 0);
    EXPECT_EQ(o.m_TextLongWaitTime, 8 * o.m_TextWaitTime);
    EXPECT_EQ(dynamic_cast<GxTaskUIBase*>(g.Tm()->FindTaskByName(u"$MESWIN:SeqRukoMain"))->GetImageAlpha(), 128);
    EXPECT_EQ(dynamic_cast<GxTaskUIBase*>(g.Tm()->FindTaskByName(u"$NAMEWIN:SeqRukoMain"))->GetImageAlpha(), 128);
}

TEST_F(Settings, SoundSlidersTakeEffectAtOnceAndTheAmbienceStaysSilentUnderAVoice)
{
    ASSERT_TRUE(g.initialized);
    GxUserConfig& o = Options();
    Open();
    Tab(1);
    g.sound.SetPlaying(0, "bgm/a.ogg");
    g.sound.SetPlaying(2, "bgv/rain.ogg");
    g.sound.TakeCalls();

    Slide(Snd(u"hsld_vol_bgm"), 40);
    EXPECT_EQ(o.m_Volume_BGM, 40);
    EXPECT_EQ(g.sound.channels[0].volume, o.GetBGMVolume());
    EXPECT_EQ(g.sound.channels[2].volume, o.GetBGVVolume(false));
    Slide(Snd(u"hsld_vol_bgm"), 0);
    EXPECT_EQ(g.sound.channels[0].volume, -9600);

    // A voice plays: the ambience is set silent by every sound-slider change.
    g.sound.SetPlaying(9, "voice/v.ogg");
    g.core->GetUserData()->m_VoiceRecord[1].m_CharID = 1;
    g.sound.TakeCalls();
    Slide(Snd(u"hsld_vol_se"), 90);
    EXPECT_EQ(o.m_Volume_Sound, 90);
    EXPECT_EQ(o.m_Volume_BGV, 90);
    // Not even for a moment: the system screen's own ducking would hide a brief unmuting.
    const std::vector<std::string> ambience = Calls("SetStreamVolume 2 ");
    EXPECT_FALSE(ambience.empty());
    for (const std::string& c : ambience) EXPECT_EQ(c, "SetStreamVolume 2 -9600");
    EXPECT_EQ(g.sound.channels[2].volume, -9600);
    EXPECT_EQ(g.sound.channels[9].volume, o.GetVoiceVolume(1));

    // Game data may give a slider more than a volume can be.
    Slide(Snd(u"hsld_vol_master"), 150);
    EXPECT_EQ(o.m_Volume_Master, 100);

    // On the voice page the voice sliders act, and only those that exist.
    for (int i = 0; i < GxUserConfig::kVoiceVolumeCount; ++i) o.m_Volume_Voice[i] = 60 + i;
    g.Enter(u"SeqRukoMain", 0);
    g.Enter(u"SeqConfig", 0);
    Tab(2);
    for (int i = 0; i < 5; ++i) Voc(u"hsld_vol_voice", i)->SetValueInt(10 + i);
    Slide(Voc(u"hsld_vol_voicemaster"), 50);
    EXPECT_EQ(o.m_Volume_VoiceMaster, 50);
    for (int i = 0; i < GxUserConfig::kVoiceVolumeCount; ++i)
        EXPECT_EQ(o.m_Volume_Voice[i], i < 5 ? 10 + i : 60 + i) << i;
    EXPECT_EQ(g.sound.channels[9].volume, o.GetVoiceVolume(1));
}

TEST_F(Settings, LeavingRecoloursAShowingChoice)
{
    ASSERT_TRUE(g.initialized);
    GxUserData* data = g.core->GetUserData();
    const GxSystemConfig* sc = g.core->GetSystemConfig();
    data->m_IsSelecting = true;
    data->m_SelectHash = u"menu1";
    data->m_SelectItems.assign(4, GxSelectMenuItem());
    data->m_SelectItems[1].m_Visible = true;
    data->m_SelectItems[2].m_Visible = true;
    g.core->GetUserDataPerman()->SetSelectedMenuFlag(u"menu1", 2);
    auto button = [&](int i) {
        auto* folder = dynamic_cast<GxTaskFolder*>(g.Tm()->FindTaskByName(u"$SELECT:SeqRukoMain"));
        return folder ? dynamic_cast<GxTaskUITextButtonIs*>(folder->FindTaskLocal(u"btn_select", i)) : nullptr;
    };
    for (int i = 1; i <= 3; ++i) {
        ASSERT_NE(button(i), nullptr) << i;
        button(i)->SetTextColor(0xFF123456u);
    }
    Open();
    Leave();
    EXPECT_EQ(button(1)->GetTextColor(), sc->m_SelectTextColor0);
    EXPECT_EQ(button(2)->GetTextColor(), sc->m_SelectTextColor1);
    EXPECT_EQ(button(3)->GetTextColor(), 0xFF123456u) << "a hidden item keeps its colour";

    g.Enter(u"SeqConfig", 0);
    Sys(u"btn_on", 5)->SetValueBool(false);
    Leave();
    EXPECT_EQ(button(1)->GetTextColor(), sc->m_SelectTextColor0);
    EXPECT_EQ(button(2)->GetTextColor(), sc->m_SelectTextColor0);
}

}  // namespace

// The options reach the disk at the program's frame end after the settings close with a change,
// and only then. A folder that refuses them is told once in the user dialog, over whatever
// screen is current, logged with the system's reason, and told again in a message box at the
// quit; the next start reads what the disk last took.
TEST_F(Settings, ClosingWithAChangeWritesTheOptionsAndARefusedWriteIsShownOnce)
{
    ASSERT_TRUE(g.initialized);
    g.core->GetFrameTimer().SetUnpaced(true);
    gxtest::FailingDisk disk;
    auto frames = [&](int n) {
        for (int i = 0; i < n; ++i) GxRunGameFrame(g.core.get());
    };
    Open();
    Sys(u"btn_on", 2)->SetValueBool(true);  // 未読もスキップ
    Leave();
    EXPECT_EQ(disk.Writes("userconf.dat"), 0) << "before the frame's end";
    frames(1);
    EXPECT_EQ(disk.Writes("userconf.dat"), 1);
    GxUserConfig read;
    ASSERT_TRUE(read.Load(g.core.get()));
    EXPECT_TRUE(read.m_AllowSkipUnreadText);
    // Closed without a change: nothing written.
    g.Enter(u"SeqConfig", 0);
    Leave();
    frames(130);
    EXPECT_EQ(disk.Writes("userconf.dat"), 1);

    disk.Set(gxtest::GxDiskFault::Full, {"userconf.dat"});
    g.Enter(u"SeqConfig", 0);
    Sys(u"btn_off", 3)->SetValueBool(true);
    Sys(u"btn_on", 3)->SetValueBool(false);
    Leave();
    frames(1);
    EXPECT_FALSE(Options().m_FastShowReadedText);
    ASSERT_TRUE(SeqSystem::IsUserDialogOpen(Screen()));
    EXPECT_EQ(SeqSystem::GetUserDialogKey(), GxSeqBase::kNoticeKey);
    EXPECT_EQ(DialogText(), u"設定の保存に失敗しました");
    const std::u16string log = gxtest::ReadLog(std::filesystem::path(GxWideToUtf8(g.core->GetSaveFolder())) / "error.log");
    EXPECT_NE(log.find(u"Error/GxUserConfig Save Failed(" + g.core->GetSaveFolder() +
                       u"userconf.dat: No space left on device)"),
              std::u16string::npos)
        << GxWideToUtf8(log);
    // Its OK closes it on the main play screen, which knows nothing of it.
    GxTaskBase* d = g.Tm()->FindTaskByName(u"dlg_user");
    GxTaskUIBase* ok = nullptr;
    for (GxTaskBase* c = d->GetFirstChild(); c; c = c->GetNextSibling())
        if (c->GetTaskLocalName() == u"btn_dlguser_ok" && c->GetTaskLocalIndex() == 1) ok = dynamic_cast<GxTaskUIBase*>(c);
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->IsVisible());
    ok->RaiseUIEvent(GxUIEventType::LeftDown);
    g.Frame(16);
    EXPECT_FALSE(SeqSystem::IsUserDialogOpen(Screen()));
    EXPECT_EQ(g_SystemDialogCount, 0);

    // Refused again: tried, logged, but not shown a second time.
    g.Enter(u"SeqConfig", 0);
    Sys(u"btn_on", 6)->SetValueBool(true);
    Sys(u"btn_off", 6)->SetValueBool(false);
    Leave();
    frames(130);
    EXPECT_EQ(disk.Writes("userconf.dat"), 3);
    EXPECT_FALSE(SeqSystem::IsUserDialogOpen(Screen()));

    g.boxes.Lines().clear();
    g.core->Finalize();
    g.initialized = false;
    EXPECT_EQ(g.boxes.lines(), (std::vector<std::string>{"GalleryTest|設定の保存に失敗しました"}));
    GxUserConfig next;
    ASSERT_TRUE(next.Load(g.core.get()));
    EXPECT_TRUE(next.m_AllowSkipUnreadText);
    EXPECT_TRUE(next.m_FastShowReadedText) << "the refused change is not there";
    EXPECT_FALSE(next.m_KeepAutoModeAfterSelect);
}
