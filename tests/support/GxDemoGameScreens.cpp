#include "tests/support/GxDemoGameScreens.h"

#include <algorithm>
#include <cstdio>

#include "tests/support/GxMixerFixture.h"
#include "tests/support/GxPictureWriter.h"

namespace gxdemo {

namespace {

using gxtest::TestPicture;
using gxtest::UIImageSpec;

std::string Png(const TestPicture& picture)
{
    const std::vector<uint8_t> bytes = gxtest::WritePngRgba(picture);
    return std::string(bytes.begin(), bytes.end());
}

// The pictures of a button: the four push states, and the two "on" states a toggle or radio
// button draws while it is set.
void AddButtonImages(std::vector<UIImageSpec>& images, const std::u16string& base, int32_t w, int32_t h, uint32_t off,
                     uint32_t on)
{
    images.push_back({base + u"_off.png", {{w, h, off}}});
    images.push_back({base + u"_on.png", {{w, h, on}}});
    images.push_back({base + u"_over.png", {{w, h, off | 0x00202020u}}});
    images.push_back({base + u"_na.png", {{w, h, 0xFF404040u}}});
    images.push_back({base + u"_onover.png", {{w, h, on | 0x00202020u}}});
    images.push_back({base + u"_onna.png", {{w, h, 0xFF505050u}}});
}

// A horizontal slider: its knob states, then its track.
void AddSliderImages(std::vector<UIImageSpec>& images, const std::u16string& base, int32_t w, int32_t h, int32_t knob)
{
    images.push_back({base + u"_off.png", {{knob, h, 0xFFE0E0E0u}}});
    images.push_back({base + u"_on.png", {{knob, h, 0xFFFFFFFFu}}});
    images.push_back({base + u"_over.png", {{knob, h, 0xFFF0F0C0u}}});
    images.push_back({base + u"_na.png", {{knob, h, 0xFF606060u}}});
    images.push_back({base + u"_back.png", {{w, h, 0xFF303848u}}});
    images.push_back({base + u"_backna.png", {{w, h, 0xFF202020u}}});
}

struct Tables
{
    std::string modules = "# ID\tUIType\tModuleName\tImageSetName\tImageName\tWidth\tHeight\tClientLeft\tClientTop"
                          "\tClientWidth\tClientHeight\tShapeType\tFontIndex\tAnimeSpeed\n";
    std::string layout = "# ID\tParentName\tParentIndex\tModuleName\tTaskName\tTaskIndex\tCreate\tVisible\tEnabled"
                         "\tLeft\tTop\tOrderZ\tGroupID\tText\tLabel\tValue\tMin\tMax\tAutoHelpTime\tDescript\n";

    void Module(int type, const char* name, const char* set, const char* image, int w, int h, int cl = 0, int ct = 0,
                int cw = 0, int ch = 0)
    {
        char line[256];
        std::snprintf(line, sizeof line, "*\t%d\t%s\t%s\t%s\t%d\t%d\t%d\t%d\t%d\t%d\t0\t0\n", type, name, set, image, w,
                      h, cl, ct, cw, ch);
        modules += line;
    }
    // A widget of a screen's folder; value, min and max matter for sliders and set buttons.
    void Widget(const std::string& parent, const char* module, const std::string& name, int index, int left, int top,
                int group = 0, int value = 0, int min = 0, int max = 0)
    {
        char line[512];
        std::snprintf(line, sizeof line, "*\t%s\t-1\t%s\t%s\t%d\t1\t1\t1\t%d\t%d\t10\t%d\t\t\t%d\t%d\t%d\n",
                      parent.c_str(), module, name.c_str(), index, left, top, group, value, min, max);
        layout += line;
    }
};

void SaveLoadRows(Tables& t, const std::string& screen)
{
    const std::string ui = "$UI:" + screen;
    for (int k = 1; k <= 10; ++k) {
        char name[8];
        std::snprintf(name, sizeof name, "b%02d", k);
        t.Widget(ui, "btn_page", name, 0, 52 + (k - 1) * 48, 100);
    }
    for (int i = 0; i < 8; ++i)
        t.Widget(ui, "btn_plate", "btn_fileplate", i, (i / 4) * 484 + 52, (i % 4) * 131 + 150);
    t.Widget(ui, "tip_new", "tip_new", 0, 0, 0);
    t.Widget(ui, "btn_sback", "btn_back", 0, kBackX - 60, kBackY - 20);
}

void LogRows(Tables& t)
{
    const std::string ui = "$UI:SeqRukoLog";
    for (int r = 0; r < 5; ++r) {
        t.Widget(ui, "logrow", "tip_logwindow", r, 72, 60 + r * 110);
        t.Widget(ui, "btn_mes", "btn_voiceplay", r, 4, 60 + r * 110 + 38);
    }
    t.Widget(ui, "btn_mes", "btn_bb", 0, 952, 80);
    t.Widget(ui, "btn_mes", "btn_b", 0, 952, 120);
    t.Widget(ui, "btn_mes", "btn_f", 0, 952, 560);
    t.Widget(ui, "btn_mes", "btn_ff", 0, 952, 600);
    t.Widget(ui, "btn_mes", "btn_back", 0, kBackX - 32, kBackY - 12);
}

void ConfigRows(Tables& t)
{
    const std::string ui = "$UI:SeqConfig", sys = "$UI_SYSTEM:SeqConfig", snd = "$UI_SOUND:SeqConfig",
                      voice = "$UI_VOICE:SeqConfig", game = "$UI_GAME:SeqConfig";
    const char* tabs[] = {"btn_tabconf_system", "btn_tabconf_sound", "btn_tabconf_voice", "btn_tabconf_game"};
    for (int i = 0; i < 4; ++i) t.Widget(ui, "btn_tab", tabs[i], 0, 80 + i * 120, 40, 9, i == 0);
    t.Widget(ui, "btn_cfg", "btn_title", 0, 80, 700);
    t.Widget(ui, "btn_cfg", "btn_init", 0, 220, 700);
    t.Widget(ui, "btn_cfg", "btn_exit", 0, 360, 700);
    t.Widget(ui, "btn_cfg", "btn_back", 0, kBackX - 60, kBackY - 20);

    t.Widget(sys, "btn_onoff", "btn_window", 1, 300, 120, 1, 1);
    t.Widget(sys, "btn_onoff", "btn_fullscreen", 1, 400, 120, 1);
    t.Widget(sys, "hsld", "hsld_textspeed", 0, 300, 170, 0, 0, -100, 0);
    t.Widget(sys, "hsld", "hsld_autospeed", 0, 300, 210, 0, 0, -10000, 0);
    t.Widget(sys, "hsld", "hsld_winalpha", 0, 300, 250, 0, 0, -255, 0);
    // The on/off pairs: each pair is a group of its own.
    auto pair = [&](const std::string& page, int index, int top, int group) {
        t.Widget(page, "btn_onoff", "btn_on", index, 300, top, group);
        t.Widget(page, "btn_onoff", "btn_off", index, 400, top, group);
    };
    for (int i = 2; i <= 7; ++i) pair(sys, i, 290 + (i - 2) * 40, 10 + i);

    const char* volumes[] = {"hsld_vol_master", "hsld_vol_bgm", "hsld_vol_se", "hsld_vol_movie", "hsld_vol_rest"};
    for (int i = 0; i < 5; ++i)
        t.Widget(snd, "hsld", volumes[i], 0, kBgmSliderLeft, kBgmSliderTop + (i - 1) * 40, 0, 0, 0, 100);
    t.Widget(snd, "btn_onoff", "btn_nextvoice", 1, 300, 440, 21);
    t.Widget(snd, "btn_onoff", "btn_nexttext", 1, 400, 440, 21);
    pair(snd, 2, 480, 22);

    t.Widget(voice, "hsld", "hsld_vol_voicemaster", 0, 300, 200, 0, 0, 0, 100);
    t.Widget(voice, "hsld", "hsld_vol_voice", 0, 300, 240, 0, 0, 0, 100);

    for (int i = 1; i <= 3; ++i) pair(game, i, 200 + (i - 1) * 40, 30 + i);
}

void MusicRoomRows(Tables& t)
{
    const std::string ui = "$UI:SeqBGMMode";
    t.Widget(ui, "btn_exradio", "btn_bgmplay", 0, 100, 200, 2);
    t.Widget(ui, "btn_exradio", "btn_bgmstop", 0, 100, 260, 2);
    t.Widget(ui, "btn_track", "btn_bgmselect", 1, kTrackX - 120, kTrackY - 16, 1);
    t.Widget(ui, "btn_ex", "btn_bgmprev", 0, 100, 320);
    t.Widget(ui, "btn_ex", "btn_bgmnext", 0, 100, 380);
    t.Widget(ui, "btn_ex", "btn_back", 0, kBackX - 60, kBackY - 20);
    t.Widget(ui, "tip_playing", "tip_playing", 0, 0, 0);
}

void ReplayRoomRows(Tables& t)
{
    const std::string ui = "$UI:SeqRPMode";
    for (int k = 0; k < 25; ++k)
        t.Widget(ui, "btn_rpplate", "btn_rpselect", k, kReplayPlateX - 64 + (k % 5) * 150, kReplayPlateY - 48 + (k / 5) * 110);
    t.Widget(ui, "btn_exradio", "btn_pageselect", 1, 860, 200, 3, 1);
    t.Widget(ui, "btn_ex", "btn_prev", 0, 860, 300);
    t.Widget(ui, "btn_ex", "btn_next", 0, 860, 360);
    t.Widget(ui, "btn_ex", "btn_back", 0, kBackX - 60, kBackY - 20);
}

}  // namespace

void AddScreenFiles(std::map<std::string, std::string>& files,
                    std::vector<std::pair<std::string, std::vector<UIImageSpec>>>& sets)
{
    Tables t;
    t.Module(19, "btn_page", "ui_saveload", "btn_page", 40, 24);
    t.Module(18, "btn_plate", "ui_saveload", "btn_plate", 440, 112);
    t.Module(15, "tip_new", "ui_saveload", "tip_new", 24, 24);
    t.Module(18, "btn_sback", "ui_saveload", "btn_back", 120, 40);
    t.Module(10, "logrow", "cg/ui/", "", 880, 100, 16, 8, 848, 84);
    t.Module(20, "btn_tab", "ui_config", "btn_tab", 120, 40);
    t.Module(18, "btn_cfg", "ui_config", "btn_cfg", 120, 40);
    t.Module(20, "btn_onoff", "ui_config", "btn_onoff", 80, 32);
    t.Module(30, "hsld", "ui_config", "hsld", 240, 24, kSliderTrackLeft, 0, kSliderTrackWidth, 24);
    t.Module(18, "btn_ex", "ui_extra", "btn_ex", 120, 40);
    t.Module(20, "btn_exradio", "ui_extra", "btn_exradio", 120, 40);
    t.Module(20, "btn_track", "ui_extra", "btn_track", 240, 32);
    t.Module(15, "tip_playing", "ui_extra", "tip_playing", 24, 24);
    t.Module(18, "btn_rpplate", "ui_extra", "btn_rpplate", 128, 96);

    SaveLoadRows(t, "SeqSave");
    SaveLoadRows(t, "SeqLoad");
    LogRows(t);
    ConfigRows(t);
    MusicRoomRows(t);
    ReplayRoomRows(t);
    t.Widget("$UI:SeqTitle", "btn_title_start", "btn_title_event", 0, kTitleEventLeft, kTitleEventTop);
    t.Widget("$UI:SeqTitle", "btn_title_start", "btn_title_music", 0, kTitleMusicLeft, kTitleMusicTop);
    files["data/db_uimodule_bmap.txt"] = t.modules;
    files["data/db_uilayout_bmap.txt"] = t.layout;

    files["data/db_rpmode.txt"] = std::string("# ID\tGroup\tThumbnail\tLabel\tHelp\n1\t1\tth_scene1.png\t") +
                                  kReplayLabel + "\tデモの場面\n";
    files["data/db_bgmmode.txt"] = "# ID\tName\tFileName\tLoopPosTime\tButtonIndex\n1\tdemo_room\tdemo_room.wav\t0\t1\n";
    // Half a second of a steady tone level, looped by the room: loud enough to tell from silence.
    const std::vector<uint8_t> music = GxConstantWav(11025, 1, 22050, 8000);
    files[kRoomMusic] = std::string(music.begin(), music.end());

    files["cg/ui/bg_save.png"] = Png(TestPicture(1024, 768, 0xFF402020u));
    files["cg/ui/bg_load.png"] = Png(TestPicture(1024, 768, 0xFF204020u));
    files["cg/ui/bg_rukolog.png"] = Png(TestPicture(1024, 768, kLogBackColor));
    for (const char* page : {"system", "sound", "voice", "game"})
        files[std::string("cg/ui/bg_config_") + page + ".png"] = Png(TestPicture(1024, 768, 0xFF303050u));
    files["cg/ui/bg_bgmmode.png"] = Png(TestPicture(1024, 768, 0xFF302040u));
    files["cg/ui/bg_rpmode.png"] = Png(TestPicture(1024, 768, 0xFF403020u));

    {
        std::vector<UIImageSpec> saveload;
        AddButtonImages(saveload, u"btn_page", 40, 24, 0xFF406080u, 0xFFA0C0E0u);
        AddButtonImages(saveload, u"btn_plate", 440, 112, 0xC0203040u, 0xC0405060u);
        AddButtonImages(saveload, u"btn_back", 120, 40, 0xFFC0C0C0u, 0xFFFFFFFFu);
        saveload.push_back({u"tip_new.png", {{24, 24, 0xFFFF4040u}}});
        sets.emplace_back("uigis/ui_saveload.gis", saveload);
    }
    {
        std::vector<UIImageSpec> config;
        AddButtonImages(config, u"btn_tab", 120, 40, 0xFF406080u, 0xFFA0C0E0u);
        AddButtonImages(config, u"btn_cfg", 120, 40, 0xFFC0C0C0u, 0xFFFFFFFFu);
        AddButtonImages(config, u"btn_onoff", 80, 32, 0xFF406080u, 0xFFA0C0E0u);
        AddSliderImages(config, u"hsld", 240, 24, 16);
        sets.emplace_back("uigis/ui_config.gis", config);
    }
    {
        // The music and replay rooms draw from the same "ui_extra.gis" as the gallery (the rooms
        // load that set, and the replay room's locked plate is one of its patterns): add to it.
        std::vector<UIImageSpec> own;
        auto found = std::find_if(sets.begin(), sets.end(), [](const auto& s) { return s.first == "uigis/ui_extra.gis"; });
        std::vector<UIImageSpec>& extra = found != sets.end() ? found->second : own;
        AddButtonImages(extra, u"btn_ex", 120, 40, 0xFFC0C0C0u, 0xFFFFFFFFu);
        AddButtonImages(extra, u"btn_exradio", 120, 40, 0xFF406080u, 0xFFA0C0E0u);
        AddButtonImages(extra, u"btn_track", 240, 32, 0xFF406080u, 0xFFA0C0E0u);
        AddButtonImages(extra, u"btn_rpplate", 128, 96, 0x40FFFFFFu, 0x80FFFFFFu);
        extra.push_back({u"tip_playing.png", {{24, 24, 0xFFFFFF40u}}});
        extra.push_back({u"tip_rpplate.png", {{128, 96, 0xFF505050u}}});
        if (found == sets.end()) sets.emplace_back("uigis/ui_extra.gis", own);
    }
    sets.emplace_back("uigis/ui_bgmname.gis", std::vector<UIImageSpec>{{u"demo_room.png", {{240, 32, 0xFFFFFFFFu}}}});
    sets.emplace_back("uigis/th_rpmode.gis", std::vector<UIImageSpec>{{u"th_scene1.png", {{128, 96, 0xFFE08040u}}}});
}

}  // namespace gxdemo
