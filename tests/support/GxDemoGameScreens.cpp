#include "tests/support/GxDemoGameScreens.h"

#include <cstdio>

#include "core/GxString.h"
#include "tests/support/GxDemoGame.h"
#include "tests/support/GxDemoGameArt.h"
#include "tests/support/GxPictureWriter.h"

namespace gxdemo {

const char16_t* const kLogTipText = u"これまでの文章を読み返します";

namespace {

using gxtest::TestPicture;
using gxtest::UIImageSpec;

// The looks of every button: a push button's four states and a toggle's six; the label is drawn
// on each state (image buttons), or left to the widget (text buttons: no label here).
struct Look
{
    uint32_t fill, frame;
};
constexpr Look kOff{0xE0203C68u, 0xFFA0C0FFu}, kPressed{0xF04068A8u, 0xFFFFFFFFu}, kOver{0xF0305090u, 0xFFFFF0A0u},
    kNa{0xC0404040u, 0xFF808080u}, kOn{0xF0C06020u, 0xFFFFE0A0u};

// A push button's pictures "<base>_off.png" ... "_na.png", with the label when given.
void PushButton(std::vector<UIImageSpec>& set, const std::u16string& base, int32_t w, int32_t h,
                const std::u16string& label = {}, int32_t size = 15)
{
    const std::pair<const char16_t*, Look> states[] = {{u"_off.png", kOff}, {u"_on.png", kPressed}, {u"_over.png", kOver},
                                                       {u"_na.png", kNa}};
    for (const auto& [suffix, look] : states)
        set.push_back(ImageOf(base + suffix, Plate(w, h, look.fill, look.frame, label, size,
                                                 look.fill == kNa.fill ? 0xFFA0A0A0u : 0xFFFFFFFFu)));
}

// A toggle or radio button's pictures: off, on in the lit colour, over and not available (the
// button shows its on picture while hovered on, and its not-available one when disabled on).
void ToggleButton(std::vector<UIImageSpec>& set, const std::u16string& base, int32_t w, int32_t h,
                  const std::u16string& label, int32_t size = 15)
{
    const std::pair<const char16_t*, Look> states[] = {{u"_off.png", kOff}, {u"_on.png", kOn}, {u"_over.png", kOver},
                                                       {u"_na.png", kNa}};
    for (const auto& [suffix, look] : states)
        set.push_back(ImageOf(base + suffix, Plate(w, h, look.fill, look.frame, label, size,
                                                 look.fill == kNa.fill ? 0xFFA0A0A0u : 0xFFFFFFFFu)));
}

// A slider: its knob's states, then its track.
void Slider(std::vector<UIImageSpec>& set, const std::u16string& base, int32_t w, int32_t h, int32_t knob)
{
    set.push_back(ImageOf(base + u"_off.png", Plate(knob, h, kKnobColor, 0xFF808080u)));
    set.push_back(ImageOf(base + u"_on.png", Plate(knob, h, 0xFFFFFFFFu, 0xFF808080u)));
    set.push_back(ImageOf(base + u"_over.png", Plate(knob, h, 0xFFF0F0C0u, 0xFF808080u)));
    set.push_back(ImageOf(base + u"_na.png", Plate(knob, h, 0xFF606060u, 0xFF404040u)));
    set.push_back(ImageOf(base + u"_back.png", Plate(w, h, kTrackColor, 0xFF506078u)));
    set.push_back(ImageOf(base + u"_backna.png", Plate(w, h, 0xFF202020u, 0xFF404040u)));
}

// A menu screen's background: its colour with its heading at the top left.
TestPicture MenuBackground(uint32_t color, const std::u16string& heading)
{
    TestPicture p(1024, 768, color);
    DrawLabel(p, heading, 24, 24, 8, 0xFFFFFFFFu);
    return p;
}

// A locked slot or plate: grey with a question mark in its top-left quarter, so that its
// middle keeps the plate colour.
TestPicture LockedPlate(int32_t w, int32_t h)
{
    TestPicture p = Plate(w, h, kPlateColor, 0xFF707070u);
    DrawLabelCentred(p, u"？", 22, w / 4, h / 4, 0xFFB0B0B0u);
    return p;
}

// The tables are UTF-8 with its signature (without one they would read as CP932).
#define GX_DEMO_BOM "\xEF\xBB\xBF"

struct Tables
{
    std::string modules = GX_DEMO_BOM "# ID\tUIType\tModuleName\tImageSetName\tImageName\tWidth\tHeight\tClientLeft\tClientTop"
                          "\tClientWidth\tClientHeight\tShapeType\tFontIndex\tAnimeSpeed\n";
    std::string layout = GX_DEMO_BOM "# ID\tParentName\tParentIndex\tModuleName\tTaskName\tTaskIndex\tCreate\tVisible\tEnabled"
                         "\tLeft\tTop\tOrderZ\tGroupID\tText\tLabel\tValue\tMin\tMax\tAutoHelpTime\tDescript\n";

    void Module(int type, const char* name, const char* set, const char* image, int w, int h, int font = 0, int cl = 0,
                int ct = 0, int cw = 0, int ch = 0)
    {
        char line[320];
        std::snprintf(line, sizeof line, "*\t%d\t%s\t%s\t%s\t%d\t%d\t%d\t%d\t%d\t%d\t0\t%d\t0\n", type, name, set, image, w,
                      h, cl, ct, cw, ch, font);
        modules += line;
    }

    struct Row
    {
        std::string parent, module, name;
        int index = 0, left = 0, top = 0;
        int group = 0, value = 0, min = 0, max = 0;
        std::u16string text;
        std::string label;
        int order = 10, visible = 1, helpTime = -1;
        std::u16string help;
    };
    void Widget(const Row& r)
    {
        char head[512];
        std::snprintf(head, sizeof head, "*\t%s\t-1\t%s\t%s\t%d\t1\t%d\t1\t%d\t%d\t%d\t%d\t", r.parent.c_str(),
                      r.module.c_str(), r.name.c_str(), r.index, r.visible, r.left, r.top, r.order, r.group);
        char tail[128];
        std::snprintf(tail, sizeof tail, "\t%d\t%d\t%d\t%d\t", r.value, r.min, r.max, r.helpTime);
        layout += std::string(head) + GxWideToUtf8(r.text) + "\t" + r.label + tail + GxWideToUtf8(r.help) + "\n";
    }
    // A widget with the common columns only.
    void Widget(const std::string& parent, const std::string& module, const std::string& name, int index, int left,
                int top, const std::u16string& text = {}, int group = 0, int value = 0)
    {
        Row r;
        r.parent = parent;
        r.module = module;
        r.name = name;
        r.index = index;
        r.left = left;
        r.top = top;
        r.text = text;
        r.group = group;
        r.value = value;
        Widget(r);
    }
};

using Sets = std::vector<std::pair<std::string, std::vector<UIImageSpec>>>;

// ---- the title, the main play screen and the system screen ----

void TitleRows(Tables& t, Sets& sets)
{
    // Text buttons draw their text from the client top: the client starts half the free height
    // down, so that the label sits in the middle.
    t.Module(21, "btn_title", "ui_title", "btn_title", kTitleButtonWidth, kTitleButtonHeight, 2, 0, 12, 0, 36);
    const std::pair<const char*, const char16_t*> buttons[kTitleButtonCount] = {
        {"btn_title_start", u"はじめから"}, {"btn_title_load", u"つづきから"}, {"btn_title_visual", u"ギャラリー"},
        {"btn_title_event", u"シーン回想"}, {"btn_title_music", u"音楽鑑賞"},   {"btn_title_config", u"設定"},
        {"btn_title_exit", u"終了"}};
    for (int i = 0; i < kTitleButtonCount; ++i)
        t.Widget("$UI:SeqTitle", "btn_title", buttons[i].first, 0, kTitleButtonLeft,
                 kTitleButtonTop + i * kTitleButtonStep, buttons[i].second);
    std::vector<UIImageSpec> title;
    title.push_back(ImageOf(u"btn_title_off.png", Plate(kTitleButtonWidth, kTitleButtonHeight, kTitlePlateColor, 0xFFA0C0FFu)));
    title.push_back(ImageOf(u"btn_title_on.png", Plate(kTitleButtonWidth, kTitleButtonHeight, 0xF04068A8u, 0xFFFFFFFFu)));
    title.push_back(ImageOf(u"btn_title_over.png", Plate(kTitleButtonWidth, kTitleButtonHeight, 0xF0305090u, 0xFFFFF0A0u)));
    title.push_back(ImageOf(u"btn_title_na.png", Plate(kTitleButtonWidth, kTitleButtonHeight, kNa.fill, kNa.frame)));
    sets.emplace_back("uigis/ui_title.gis", title);
}

void MainScreenRows(Tables& t, Sets& sets)
{
    t.Module(9, "tip_msgwindow", "cg/ui/", "meswin", 960, 200, 2, 40, 40, kTextWidth, kTextHeight);
    t.Module(11, "tip_namewindow", "cg/ui/", "namewin", 240, 48, 2, 16, 8, kNameWidth, kNameHeight);
    t.Module(21, "btn_mes", "ui_rukomain", "btn_mes", kMesButtonWidth, kMesButtonHeight, 1, 0, 4, 0, 20);
    t.Module(19, "btn_auto", "ui_rukomain", "btn_auto", kMesButtonWidth, kMesButtonHeight);
    t.Module(19, "btn_skip", "ui_rukomain", "btn_skip", kMesButtonWidth, kMesButtonHeight);
    t.Module(15, "icon_wait", "ui_rukomain", "icon_wait", 16, 16);
    t.Module(21, "btn_select0", "ui_rukomain", "btn_select", 600, 40, 2, 16, 8, 568, 24);
    {
        Tables::Row r;
        r.parent = "$UI:SeqRukoMain";
        r.module = "tip_msgwindow";
        r.name = "$MESWIN:SeqRukoMain";
        r.index = -1;
        r.left = 32;
        r.top = 548;
        r.order = 1000;
        t.Widget(r);
        r.module = "tip_namewindow";
        r.name = "$NAMEWIN:SeqRukoMain";
        r.left = 48;
        r.top = 496;
        r.order = 1001;
        t.Widget(r);
    }
    const std::pair<const char*, const char16_t*> buttons[kMesButtonCount] = {
        {"btn_save", u"セーブ"}, {"btn_load", u"ロード"}, {"btn_qsave", u"Qセーブ"}, {"btn_qload", u"Qロード"},
        {"btn_rend", u"回想終了"}, {"btn_auto", nullptr}, {"btn_skip", nullptr}, {"btn_log", u"ログ"},
        {"btn_voice", u"ボイス"}, {"btn_config", u"設定"}, {"btn_hide", u"隠す"}};
    for (int i = 0; i < kMesButtonCount; ++i) {
        Tables::Row r;
        r.parent = "$MESWIN:SeqRukoMain";
        r.module = buttons[i].second ? "btn_mes" : buttons[i].first;
        r.name = buttons[i].first;
        r.left = MesButtonLeft(i) - 32;
        r.top = 168;
        // A layout's order Z is the widget's own draw key, not one below its parent's: the
        // window's buttons stand above the window and so above whatever it covers.
        r.order = kMesChildOrder;
        if (buttons[i].second) r.text = buttons[i].second;
        if (i == kMesLog) {
            r.helpTime = kLogTipDelay;
            r.help = kLogTipText;
        }
        t.Widget(r);
    }
    {
        Tables::Row r;
        r.parent = "$MESWIN:SeqRukoMain";
        r.module = r.name = "icon_wait";
        r.left = 920;
        r.top = 140;
        r.order = kMesChildOrder;
        t.Widget(r);
    }

    std::vector<UIImageSpec> main;
    PushButton(main, u"btn_mes", kMesButtonWidth, kMesButtonHeight);
    ToggleButton(main, u"btn_auto", kMesButtonWidth, kMesButtonHeight, u"オート");
    ToggleButton(main, u"btn_skip", kMesButtonWidth, kMesButtonHeight, u"スキップ");
    PushButton(main, u"btn_select", 600, 40);
    {
        TestPicture sign(16, 16, 0);
        for (int y = 0; y < 12; ++y) FillRect(sign, 2 + y / 2, 2 + y, 14 - y / 2, 3 + y, 0xFFFFFFFFu);
        main.push_back(ImageOf(u"icon_wait.png", sign));
    }
    sets.emplace_back("uigis/ui_rukomain.gis", main);
}

void SystemRows(Tables& t, Sets& sets)
{
    t.Module(17, "dlg_shutdown", "ui_common", "dlg", 480, 200, 2, 24, 24, kDialogTextWidth, kDialogTextHeight);
    t.Module(17, "dlg_user", "ui_common", "dlg", 480, 200, 2, 24, 24, kDialogTextWidth, kDialogTextHeight);
    t.Module(18, "btn_yes", "ui_common", "btn_yes", 120, 40);
    t.Module(18, "btn_no", "ui_common", "btn_no", 120, 40);
    t.Module(18, "btn_ok", "ui_common", "btn_ok", 120, 40);
    t.Module(18, "btn_cancel", "ui_common", "btn_cancel", 120, 40);
    t.Module(45, "tip_help", "ui_common", "tip", 64, 64, 1);
    std::vector<UIImageSpec> common;
    common.push_back(ImageOf(u"dlg.png", Plate(480, 200, 0xF0182838u, 0xFFA0C0FFu)));
    {
        // The tip's frame: 4 x 4 cells of 16 pixels, a light border round a dark inside.
        TestPicture tip(64, 64, 0xF0203048u);
        for (int i = 0; i < 64; ++i)
            for (int d : {0, 1}) tip.At(uint32_t(i), uint32_t(d)) = tip.At(uint32_t(i), uint32_t(63 - d)) =
                                     tip.At(uint32_t(d), uint32_t(i)) = tip.At(uint32_t(63 - d), uint32_t(i)) = 0xFFF0D890u;
        common.push_back(ImageOf(u"tip.png", tip));
    }
    PushButton(common, u"btn_yes", 120, 40, u"はい", 20);
    PushButton(common, u"btn_no", 120, 40, u"いいえ", 20);
    PushButton(common, u"btn_ok", 120, 40, u"OK", 20);
    PushButton(common, u"btn_cancel", 120, 40, u"キャンセル", 20);
    sets.emplace_back("uigis/ui_common.gis", common);
}

// ---- menus ----

void SaveLoadRows(Tables& t, const std::string& screen)
{
    const std::string ui = "$UI:" + screen;
    for (int k = 1; k <= 10; ++k) {
        char name[8], module[16];
        std::snprintf(name, sizeof name, "b%02d", k);
        std::snprintf(module, sizeof module, "btn_page%02d", k);
        t.Widget(ui, module, name, 0, 52 + (k - 1) * 48, 100);
    }
    for (int i = 0; i < 8; ++i) t.Widget(ui, "btn_plate", "btn_fileplate", i, (i / 4) * 484 + 52, (i % 4) * 131 + 150);
    t.Widget(ui, "tip_new", "tip_new", 0, 0, 0);
    t.Widget(ui, "btn_sback", "btn_back", 0, kBackX - 60, kBackY - 20, u"戻る");
}

void SaveLoadScreens(Tables& t, Sets& sets, std::map<std::string, std::string>& files)
{
    std::vector<UIImageSpec> set;
    for (int k = 1; k <= 10; ++k) {
        char module[16];
        std::snprintf(module, sizeof module, "btn_page%02d", k);
        t.Module(19, module, "ui_saveload", module, 40, 24);
        ToggleButton(set, GxUtf8ToWide(module), 40, 24, GxUtf8ToWide(std::to_string(k)));
    }
    t.Module(18, "btn_plate", "ui_saveload", "btn_plate", 440, 112);
    t.Module(15, "tip_new", "ui_saveload", "tip_new", 24, 24);
    t.Module(21, "btn_sback", "ui_saveload", "btn_back", 120, 40, 2, 0, 8, 0, 32);
    SaveLoadRows(t, "SeqSave");
    SaveLoadRows(t, "SeqLoad");
    PushButton(set, u"btn_plate", 440, 112);
    PushButton(set, u"btn_back", 120, 40);
    set.push_back(ImageOf(u"tip_new.png", Plate(24, 24, 0xFFD03030u, 0xFFFFFFFFu, u"新", 15)));
    sets.emplace_back("uigis/ui_saveload.gis", set);
    files["cg/ui/bg_save.png"] = PngFile(MenuBackground(0xFF402020u, u"セーブ"));
    files["cg/ui/bg_load.png"] = PngFile(MenuBackground(0xFF204020u, u"ロード"));
}

void LogScreen(Tables& t, std::map<std::string, std::string>& files)
{
    t.Module(10, "logrow", "cg/ui/", "", kLogRowWidth, kLogRowHeight, 2, 16, 8, 848, 84);
    const std::string ui = "$UI:SeqRukoLog";
    for (int r = 0; r < 5; ++r) {
        t.Widget(ui, "logrow", "tip_logwindow", r, kLogRowLeft, LogRowTop(r));
        t.Widget(ui, "btn_mes", "btn_voiceplay", r, 4, LogRowTop(r) + 38, u"ボイス");
    }
    t.Widget(ui, "btn_mes", "btn_bb", 0, 952, 80, u"▲▲");
    t.Widget(ui, "btn_mes", "btn_b", 0, 952, 120, u"▲");
    t.Widget(ui, "btn_mes", "btn_f", 0, 952, 560, u"▼");
    t.Widget(ui, "btn_mes", "btn_ff", 0, 952, 600, u"▼▼");
    t.Widget(ui, "btn_mes", "btn_back", 0, kBackX - 32, kBackY - 12, u"戻る");
    files["cg/ui/bg_rukolog.png"] = PngFile(MenuBackground(kLogBackColor, u"バックログ"));
}

void ConfigScreen(Tables& t, Sets& sets, std::map<std::string, std::string>& files)
{
    const std::string ui = "$UI:SeqConfig", sys = "$UI_SYSTEM:SeqConfig", snd = "$UI_SOUND:SeqConfig",
                      voice = "$UI_VOICE:SeqConfig", game = "$UI_GAME:SeqConfig";
    std::vector<UIImageSpec> set;
    const std::pair<const char*, const char16_t*> tabs[] = {{"btn_tabconf_system", u"システム"},
                                                            {"btn_tabconf_sound", u"サウンド"},
                                                            {"btn_tabconf_voice", u"ボイス"},
                                                            {"btn_tabconf_game", u"ゲーム"}};
    for (int i = 0; i < 4; ++i) {
        t.Module(20, tabs[i].first, "ui_config", tabs[i].first, 120, 40);
        ToggleButton(set, GxUtf8ToWide(tabs[i].first), 120, 40, tabs[i].second, 20);
        t.Widget(ui, tabs[i].first, tabs[i].first, 0, 80 + i * 120, 40, {}, 9, i == 0);
    }
    t.Module(21, "btn_cfg", "ui_config", "btn_cfg", 120, 40, 2, 0, 8, 0, 32);
    PushButton(set, u"btn_cfg", 120, 40);
    t.Widget(ui, "btn_cfg", "btn_title", 0, 80, 700, u"タイトル");
    t.Widget(ui, "btn_cfg", "btn_init", 0, 220, 700, u"初期化");
    t.Widget(ui, "btn_cfg", "btn_exit", 0, 360, 700, u"終了");
    t.Widget(ui, "btn_cfg", "btn_back", 0, kBackX - 60, kBackY - 20, u"戻る");

    // The two-way switches: one module (and label) per kind of button.
    const std::pair<const char*, const char16_t*> switches[] = {{"btn_on", u"オン"},          {"btn_off", u"オフ"},
                                                                {"btn_window", u"ウィンドウ"}, {"btn_fullscreen", u"全画面"},
                                                                {"btn_nextvoice", u"次の声"},  {"btn_nexttext", u"送る時"}};
    for (const auto& [name, label] : switches) {
        t.Module(20, name, "ui_config", name, 80, 32);
        ToggleButton(set, GxUtf8ToWide(name), 80, 32, label);
    }
    t.Module(30, "hsld", "ui_config", "hsld", 240, 24, 0, kSliderTrackLeft, 0, kSliderTrackWidth, 24);
    Slider(set, u"hsld", 240, 24, kKnobWidth);
    sets.emplace_back("uigis/ui_config.gis", set);

    auto slider = [&](const std::string& page, const char* name, int index, int top, int min, int max) {
        Tables::Row r;
        r.parent = page;
        r.module = "hsld";
        r.name = name;
        r.index = index;
        r.left = kSliderLeft;
        r.top = top;
        r.min = min;
        r.max = max;
        t.Widget(r);
    };
    // Each on / off pair is a group of its own.
    auto pair = [&](const std::string& page, int index, int top, int group) {
        t.Widget(page, "btn_on", "btn_on", index, 300, top, {}, group);
        t.Widget(page, "btn_off", "btn_off", index, 400, top, {}, group);
    };
    TestPicture system(1024, 768, 0xFF303050u), sound = system, voicePage = system, gamePage = system;
    for (TestPicture* p : {&system, &sound, &voicePage, &gamePage}) DrawLabel(*p, u"設定", 24, 24, 8, 0xFFFFFFFFu);
    auto caption = [](TestPicture& p, const std::u16string& text, int top, int height) {
        DrawLabel(p, text, 20, 60, top + (height - 20) / 2, 0xFFFFFFFFu);
    };

    t.Widget(sys, "btn_window", "btn_window", 1, 300, 120, {}, 1, 1);
    t.Widget(sys, "btn_fullscreen", "btn_fullscreen", 1, 400, 120, {}, 1);
    caption(system, u"画面", 120, 32);
    slider(sys, "hsld_textspeed", 0, kTextSpeedTop, -100, 0);
    caption(system, u"文字の速さ", kTextSpeedTop, 24);
    slider(sys, "hsld_autospeed", 0, 210, -10000, 0);
    caption(system, u"オートの速さ", 210, 24);
    slider(sys, "hsld_winalpha", 0, 250, -255, 0);
    caption(system, u"窓の透明度", 250, 24);
    const char16_t* options[] = {u"未読もスキップ", u"既読は一度に表示", u"既読の文字色", u"選んだ選択肢の色",
                                 u"選択後もオート", u"選択後もスキップ"};
    for (int i = 2; i <= 7; ++i) {
        pair(sys, i, OptionTop(i), 10 + i);
        caption(system, options[i - 2], OptionTop(i), kOptionHeight);
    }

    const std::pair<const char*, const char16_t*> volumes[] = {{"hsld_vol_master", u"全体の音量"},
                                                               {"hsld_vol_bgm", u"音楽の音量"},
                                                               {"hsld_vol_se", u"効果音の音量"},
                                                               {"hsld_vol_movie", u"動画の音量"},
                                                               {"hsld_vol_rest", u"声の間の音楽"}};
    for (int i = 0; i < 5; ++i) {
        slider(snd, volumes[i].first, 0, kBgmSliderTop + (i - 1) * 40, 0, 100);
        caption(sound, volumes[i].second, kBgmSliderTop + (i - 1) * 40, 24);
    }
    t.Widget(snd, "btn_nextvoice", "btn_nextvoice", 1, 300, 440, {}, 21);
    t.Widget(snd, "btn_nexttext", "btn_nexttext", 1, 400, 440, {}, 21);
    caption(sound, u"声を止める", 440, 32);
    pair(snd, 2, 480, 22);
    caption(sound, u"オートで声を待つ", 480, 32);

    slider(voice, "hsld_vol_voicemaster", 0, 200, 0, 100);
    caption(voicePage, u"声の音量", 200, 24);
    slider(voice, "hsld_vol_voice", 0, 240, 0, 100);
    caption(voicePage, u"ルコ", 240, 24);

    const char16_t* gameOptions[] = {u"戦闘演出を省く", u"必殺技演出を省く", u"戦闘ボイスを省く"};
    for (int i = 1; i <= 3; ++i) {
        pair(game, i, 200 + (i - 1) * 40, 30 + i);
        caption(gamePage, gameOptions[i - 1], 200 + (i - 1) * 40, kOptionHeight);
    }
    files["cg/ui/bg_config_system.png"] = PngFile(system);
    files["cg/ui/bg_config_sound.png"] = PngFile(sound);
    files["cg/ui/bg_config_voice.png"] = PngFile(voicePage);
    files["cg/ui/bg_config_game.png"] = PngFile(gamePage);
}

// The gallery, the replay room and the music room draw from one image set, "ui_extra.gis".
void ExtraScreens(Tables& t, Sets& sets, std::map<std::string, std::string>& files)
{
    std::vector<UIImageSpec> extra;
    t.Module(18, "btn_cgselect", "ui_extra", "btn_cgselect", 128, 96);
    t.Module(21, "btn_ex", "ui_extra", "btn_ex", 120, 40, 2, 0, 8, 0, 32);
    t.Module(20, "btn_page1", "ui_extra", "btn_page1", 120, 40);
    PushButton(extra, u"btn_cgselect", 128, 96);
    PushButton(extra, u"btn_ex", 120, 40);
    ToggleButton(extra, u"btn_page1", 120, 40, u"1", 20);
    extra.push_back(ImageOf(u"tip_cgplate.png", LockedPlate(128, 96)));

    // The gallery: 25 slots, its page button, previous, next and back.
    {
        const std::string ui = "$UI:SeqCGMode";
        for (int i = 0; i < 25; ++i) t.Widget(ui, "btn_cgselect", "btn_cgselect", i, GallerySlotX(i) - 64, GallerySlotY(i) - 48);
        t.Widget(ui, "btn_page1", "btn_pageselect", 1, 860, 200, {}, 3, 1);
        t.Widget(ui, "btn_ex", "btn_prev", 0, 860, 300, u"前へ");
        t.Widget(ui, "btn_ex", "btn_next", 0, 860, 360, u"次へ");
        t.Widget(ui, "btn_ex", "btn_back", 0, kBackX - 60, kBackY - 20, u"戻る");
        files["cg/ui/bg_cgmode.png"] = PngFile(MenuBackground(0xFF202040u, u"ギャラリー"));
    }
    // The replay room: 25 plates, its page button, previous, next and back.
    {
        t.Module(18, "btn_rpplate", "ui_extra", "btn_rpplate", 128, 96);
        extra.push_back(ImageOf(u"btn_rpplate_off.png", Plate(128, 96, 0x30FFFFFFu, 0x80FFFFFFu)));
        extra.push_back(ImageOf(u"btn_rpplate_on.png", Plate(128, 96, 0x60FFFFFFu, 0xFFFFFFFFu)));
        extra.push_back(ImageOf(u"btn_rpplate_over.png", Plate(128, 96, 0x40FFFFFFu, 0xFFFFF0A0u)));
        extra.push_back(ImageOf(u"btn_rpplate_na.png", Plate(128, 96, 0x00000000u, 0x00000000u)));
        extra.push_back(ImageOf(u"tip_rpplate.png", LockedPlate(128, 96)));
        const std::string ui = "$UI:SeqRPMode";
        for (int k = 0; k < 25; ++k)
            t.Widget(ui, "btn_rpplate", "btn_rpselect", k, ReplayPlateX(k) - 64, ReplayPlateY(k) - 48);
        t.Widget(ui, "btn_page1", "btn_pageselect", 1, 860, 200, {}, 3, 1);
        t.Widget(ui, "btn_ex", "btn_prev", 0, 860, 300, u"前へ");
        t.Widget(ui, "btn_ex", "btn_next", 0, 860, 360, u"次へ");
        t.Widget(ui, "btn_ex", "btn_back", 0, kBackX - 60, kBackY - 20, u"戻る");
        files["cg/ui/bg_rpmode.png"] = PngFile(MenuBackground(0xFF403020u, u"シーン回想"));
    }
    // The music room: play and stop (one group), a button per track (another), previous, next,
    // back and the now-playing mark.
    {
        const std::string ui = "$UI:SeqBGMMode";
        t.Module(20, "btn_play", "ui_extra", "btn_play", 120, 40);
        t.Module(20, "btn_stop", "ui_extra", "btn_stop", 120, 40);
        ToggleButton(extra, u"btn_play", 120, 40, u"再生", 20);
        ToggleButton(extra, u"btn_stop", 120, 40, u"停止", 20);
        t.Widget(ui, "btn_play", "btn_bgmplay", 0, kMusicPlayX - 60, kMusicPlayY - 20, {}, 2);
        t.Widget(ui, "btn_stop", "btn_bgmstop", 0, kMusicStopX - 60, kMusicStopY - 20, {}, 2);
        const char16_t* names[] = {u"思い出の場面", u"ようこその丘", u"夕暮れの町"};
        std::vector<UIImageSpec> nameSet;
        for (int k = 1; k <= 3; ++k) {
            const std::string module = "btn_track" + std::to_string(k);
            t.Module(20, module.c_str(), "ui_extra", module.c_str(), 240, 32);
            ToggleButton(extra, GxUtf8ToWide(module), 240, 32, names[k - 1], 20);
            t.Widget(ui, module, "btn_bgmselect", k, TrackX() - 120, TrackY(k) - 16, {}, 1);
        }
        t.Widget(ui, "btn_ex", "btn_bgmprev", 0, kMusicPlayX - 60, 340, u"前の曲");
        t.Widget(ui, "btn_ex", "btn_bgmnext", 0, kMusicPlayX - 60, 400, u"次の曲");
        t.Widget(ui, "btn_ex", "btn_back", 0, kBackX - 60, kBackY - 20, u"戻る");
        t.Module(15, "tip_playing", "ui_extra", "tip_playing", 24, 24);
        t.Widget(ui, "tip_playing", "tip_playing", 0, 0, 0);
        extra.push_back(ImageOf(u"tip_playing.png", Plate(24, 24, 0xFF204060u, 0xFFFFFF40u, u"♪", 18, 0xFFFFFF40u)));
        files["cg/ui/bg_bgmmode.png"] = PngFile(MenuBackground(0xFF302040u, u"音楽鑑賞"));
        const char* files3[] = {"demo_room.png", "demo_theme.png", "demo_night.png"};
        for (int k = 0; k < 3; ++k) {
            TestPicture name(240, 32, 0);
            DrawLabel(name, names[k], 20, 4, 6, 0xFFFFFFFFu);
            nameSet.push_back(ImageOf(GxUtf8ToWide(files3[k]), name));
        }
        sets.emplace_back("uigis/ui_bgmname.gis", nameSet);
    }
    sets.emplace_back("uigis/ui_extra.gis", extra);
}

// The battle-map selection: its own tables (loaded after the main ones), picture and set.
void BattleMap(std::map<std::string, std::string>& files, Sets& sets)
{
    Tables t;
    t.Module(21, "btn_bmap", "ui_bmap", "btn_bmap", 200, 48, 2, 0, 12, 0, 36);
    t.Module(21, "btn_bmapsys", "ui_bmap", "btn_bmapsys", 120, 40, 2, 0, 8, 0, 32);
    const std::string ui = "$UI:SeqBmapSelect";
    // A story button: its label text names the script label the story goes on at.
    auto place = [&](const char* name, int x, int y, const char16_t* text, const char* label) {
        Tables::Row r;
        r.parent = ui;
        r.module = "btn_bmap";
        r.name = name;
        r.left = x - 100;
        r.top = y - 24;
        r.text = text;
        r.label = label;
        t.Widget(r);
    };
    place("btn_bmap_east", kMapEastX, kMapEastY, u"東の丘へ", "BMAP_EAST");
    place("btn_bmap_west", kMapWestX, kMapWestY, u"西の町へ", "BMAP_WEST");
    t.Widget(ui, "btn_bmapsys", "btn_save", 0, 600, 700, u"セーブ");
    t.Widget(ui, "btn_bmapsys", "btn_load", 0, 740, 700, u"ロード");
    t.Widget(ui, "btn_bmapsys", "btn_config", 0, 880, 700, u"設定");
    files["data/db_uimodule_bmap.txt"] = t.modules;
    files["data/db_uilayout_bmap.txt"] = t.layout;

    std::vector<UIImageSpec> set;
    PushButton(set, u"btn_bmap", 200, 48);
    PushButton(set, u"btn_bmapsys", 120, 40);
    sets.emplace_back("uigis/ui_bmap.gis", set);

    // The map: land, a river between the two places, each place marked and named.
    TestPicture map(1024, 768, kMapLandColor);
    for (int y = 0; y < 768; ++y) {
        const int x = 470 + (y % 200 < 100 ? y % 100 : 100 - y % 100) / 2;
        FillRect(map, x, y, x + 60, y + 1, 0xFF3060A0u);
    }
    FillCircle(map, kMapEastX, kMapEastY - 90, 40, 0xFF2E6E2Au);
    FillCircle(map, kMapWestX, kMapWestY - 90, 40, 0xFF806040u);
    DrawLabel(map, u"地図", 24, 24, 8, 0xFFFFFFFFu);
    files["cg/uibmap/bg_bmap.png"] = PngFile(map);
}

}  // namespace

void AddScreenFiles(std::map<std::string, std::string>& files, Sets& sets)
{
    Tables t;
    TitleRows(t, sets);
    MainScreenRows(t, sets);
    SystemRows(t, sets);
    SaveLoadScreens(t, sets, files);
    LogScreen(t, files);
    ConfigScreen(t, sets, files);
    ExtraScreens(t, sets, files);
    files["data/db_uimodule.txt"] = t.modules;
    files["data/db_uilayout.txt"] = t.layout;
    BattleMap(files, sets);

    files["data/db_rukochar.txt"] =
        GX_DEMO_BOM "# ID\tCharName\tSubLayerNum\tStandPath\tNCProjFileName\tVoicePath\tVoiceVolumeID\tComment\n"
        "1\tルコ\t1\tcg/stand/ruko/\t\tvoices/ruko/\t0\tthe demo's speaker\n";
    files["data/db_rpmode.txt"] = std::string(GX_DEMO_BOM "# ID\tGroup\tThumbnail\tLabel\tHelp\n1\t1\tth_scene1.png\t") +
                                  kReplayLabel + "\t思い出の場面\n";
    files["data/db_bgmmode.txt"] = GX_DEMO_BOM "# ID\tName\tFileName\tLoopPosTime\tButtonIndex\n"
                                   "1\tdemo_room\tdemo_room.ogg\t0\t1\n"
                                   "2\tdemo_theme\tdemo_theme.ogg\t0\t2\n"
                                   "3\tdemo_night\tdemo_night.ogg\t0\t3\n";
    files["data/db_cgmode.txt"] = GX_DEMO_BOM "# ID\tGroup\tThumbnail\tFileName (picture|start|end) ...\tCount (0: counted)\n"
                                  "0\t1\tth_demo.png\tev_demo\n"
                                  "1\t1\tth_flowers.png\tev_flowers\n";
    files["data/db_effect.txt"] = GX_DEMO_BOM "# ID\tGNCName\tMotionGroup\tMotion\tName\tDescript\n";
}

}  // namespace gxdemo
