// The demo game's menu screens played by the program, headless, with input scripts: a save and
// its load in the next run, the quick save and quick load, a damaged save refused; the back log
// and its voice; the settings kept into the next run and what they change. Pictures are checked
// at chosen pixels and regions (GL drivers differ), the sound in the captured mix.
#include <map>
#include <string>
#include <vector>

#include "tests/app/core_test_util.h"
#include "tests/app/demo_mix.h"
#include "tests/app/demo_run_util.h"
#include "tests/app/demo_shot.h"
#include "tests/support/GxDemoGame.h"

using namespace coretest;
using namespace gxdemo;

namespace {

namespace fs = std::filesystem;

// The story's way to its fifth line, at the frames the demo's timing gives: the title's start
// at 50, the first line from 75; a click shows a line whole, the next goes on. The voiced second
// line is left until its voice has ended (frame 180); the pause of the fourth line is cut short
// by a click. Returns the frame from which the fifth line stands whole, the speaker smiling at
// her new place.
int PlayToTheFifthLine(Input& in)
{
    in.SkipOpening().Click(50, TitleButtonX(kStart), TitleButtonY(kStart));
    in.Click(80, 512, 100).Click(86, 512, 100).Click(90, 512, 100).Click(180, 512, 100);
    in.Click(184, 512, 100).Click(190, 512, 100).Click(200, 512, 100).Click(206, 512, 100).Click(210, 512, 100);
    return 250;  // the move (0.6 s) and the flash are over
}

std::map<std::string, Shot> ReadShots(const DemoCopy& demo, const std::vector<std::string>& names)
{
    std::map<std::string, Shot> shots;
    for (const auto& name : names) EXPECT_TRUE(ReadShot(demo.root / (name + ".png"), shots[name])) << name;
    return shots;
}

// The text area and the stand's place at the fifth line.
int SceneDiff(const Shot& a, const Shot& b)
{
    return Changed(a, b, kTextLeft, kTextTop, kTextLeft + kTextWidth, kTextTop + kTextHeight) +
           Changed(a, b, 160, 168, 160 + kStandWidth, 540);
}

TEST(DemoScreensE2E, ASaveLoadsInTheNextRunQuickSaveComesBackAndADamagedSaveIsRefused)
{
    DemoCopy demo;
    auto shot = [&](const char* name) { return demo.root / (std::string(name) + ".png"); };
    Input in;
    const int at = PlayToTheFifthLine(in);
    in.Shot(at, shot("before")).Click(at + 5, MesButtonX(kMesSave), kMesButtonY);  // the save screen
    in.Click(at + 50, PlateCenterX(0), PlateCenterY(0)).Click(at + 80, kDialogYesX, kDialogButtonY);  // slot 1
    in.Shot(at + 95, shot("saved")).Click(at + 100, 512, 384, "right");  // back to the story
    in.Click(at + 140, MesButtonX(kMesQSave), kMesButtonY);                // quick save
    in.Click(at + 150, 512, 100).Click(at + 154, 512, 100).Shot(at + 170, shot("later"));  // the next line
    in.Click(at + 180, MesButtonX(kMesQLoad), kMesButtonY).Shot(at + 290, shot("quick"));  // quick load
    RunResult r = demo.Play(in, at + 300);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(demo.ErrorLog(), std::vector<std::string>{});
    EXPECT_TRUE(fs::exists(demo.SaveFolder() / "gamedata001.gd"));
    EXPECT_TRUE(fs::exists(demo.SaveFolder() / "thumb001.png"));
    EXPECT_TRUE(fs::exists(demo.SaveFolder() / "gamedata_quick.gd"));
    EXPECT_FALSE(fs::exists(demo.SaveFolder() / "gamedata002.gd"));
    std::map<std::string, Shot> s = ReadShots(demo, {"before", "saved", "later", "quick"});
    ASSERT_FALSE(HasFailure()) << r.err;
    EXPECT_EQ(Hex(s["saved"].At(20, 400)), "402020") << "the save screen";
    EXPECT_GT(Changed(s["saved"], s["before"], PlateCenterX(0) - 218, PlateCenterY(0) - 54, PlateCenterX(0) - 92,
                      PlateCenterY(0) + 40),
              1000)
        << "slot 1's plate shows its thumbnail";
    EXPECT_GT(SceneDiff(s["before"], s["later"]), 1000) << "the story went on";
    EXPECT_LT(SceneDiff(s["before"], s["quick"]), 10) << "the quick load brought the fifth line back";

    // The next run: a damaged second slot whose header still reads, and a third whose header
    // does not: that one shows no data and, as an empty slot, takes no click.
    std::string whole;
    ReadFile(demo.SaveFolder() / "gamedata001.gd", whole);
    WriteFile(demo.SaveFolder() / "gamedata002.gd", whole.substr(0, whole.size() * 2 / 3));
    WriteFile(demo.SaveFolder() / "gamedata003.gd", std::string(300, 'x'));
    in = Input();
    in.SkipOpening().Click(50, TitleButtonX(kLoad), TitleButtonY(kLoad)).Shot(90, shot("list"));
    // Had the no-data plate asked to load, its dialog would hold the next clicks and its "yes"
    // would load slot 3.
    in.Click(92, PlateCenterX(2), PlateCenterY(2));
    in.Click(95, PlateCenterX(0), PlateCenterY(0)).Click(125, kDialogYesX, kDialogButtonY).Shot(180, shot("loaded"));
    in.Click(190, MesButtonX(kMesLoad), kMesButtonY);  // the load screen again, from the story
    in.Click(230, PlateCenterX(1), PlateCenterY(1)).Click(260, kDialogYesX, kDialogButtonY).Shot(280, shot("refused"));
    in.Click(285, kDialogOkX, kDialogButtonY).Click(300, 512, 384, "right").Shot(345, shot("goes_on"));
    in.Click(350, 512, 100).Click(354, 512, 100).Shot(380, shot("next"));
    const fs::path mix = demo.root / "mix.wav";
    r = demo.Play(in, 385, {"GX_AUDIO_CAPTURE=" + mix.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    // The log tells of the damaged files (the headers read for the list, the one load refused)
    // and of nothing else.
    int refusals = 0;
    for (const std::string& line : demo.ErrorLog()) {
        refusals += line.find("ロードに失敗しました(") != std::string::npos;
        EXPECT_EQ(line.find("gamedata003.gd") != std::string::npos && line.find("ロードに失敗しました(") != std::string::npos,
                  false)
            << "the no-data slot was loaded: " << line;
        const bool aboutTheLoad = line.find("gamedata002.gd") != std::string::npos ||
                                  line.find("gamedata003.gd") != std::string::npos ||
                                  line.find("FileHeader") != std::string::npos ||
                                  line.find("GxContentBinaryReader") != std::string::npos ||
                                  line.find("GxUserData LoadGameData") != std::string::npos;
        EXPECT_TRUE(aboutTheLoad) << line;
    }
    EXPECT_EQ(refusals, 1);
    s = ReadShots(demo, {"before", "list", "loaded", "refused", "goes_on", "next"});
    ASSERT_FALSE(HasFailure()) << r.err;
    EXPECT_EQ(Hex(s["list"].At(20, 400)), "204020") << "the load screen";
    EXPECT_LT(SceneDiff(s["before"], s["loaded"]), 10) << "the saved line and stand";
    // The refusal: the dialog's text and its lone OK button, over the load screen.
    const Shot& f = s["refused"];
    EXPECT_EQ(Hex(f.At(20, 400)), "204020");
    EXPECT_GT(f.Bright(kDialogTextLeft, kDialogTextTop, kDialogTextLeft + kDialogTextWidth, kDialogTextTop + 30), 40);
    EXPECT_GT(f.Bright(kDialogOkX - 58, kDialogButtonY - 18, kDialogOkX + 58, kDialogButtonY + 18), 10) << "OK";
    EXPECT_EQ(f.Bright(kDialogYesX - 58, kDialogButtonY - 18, kDialogYesX - 2, kDialogButtonY + 18), 0) << "no yes";
    // The game goes on as it was, and on.
    EXPECT_LT(SceneDiff(s["before"], s["goes_on"]), 10) << "the refused load changed nothing";
    EXPECT_GT(SceneDiff(s["goes_on"], s["next"]), 1000) << "the story goes on";
    Mix m;
    ASSERT_TRUE(m.Read(mix)) << r.err;
    EXPECT_LT(m.Level(30, 90), 30.0) << "the title and the load list are silent";
    EXPECT_GT(m.Tone(150, 185, kThemeDroneHz), 300.0) << "the load restarted the saved music";
}

// The back log lists the lines in order (the two spoken ones with the speaker's name on a line
// of its own, the voiced one with its button), and the button replays the voice.
TEST(DemoScreensE2E, TheBackLogListsTheLinesInOrderAndReplaysTheVoice)
{
    DemoCopy demo;
    Input in;
    in.SkipOpening().Click(50, TitleButtonX(kStart), TitleButtonY(kStart));
    in.Click(80, 512, 100).Click(86, 512, 100).Click(90, 512, 100).Click(180, 512, 100);
    in.Click(184, 512, 100).Click(190, 512, 100);  // on to the fourth line
    in.At(200, "wheel 1 512 300").Shot(240, demo.root / "log.png");
    in.Click(250, LogVoiceX(), LogVoiceY(1)).Click(350, 512, 384, "right").Shot(390, demo.root / "back.png");
    const fs::path mix = demo.root / "mix.wav";
    RunResult r = demo.Play(in, 395, {"GX_AUDIO_CAPTURE=" + mix.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(demo.ErrorLog(), std::vector<std::string>{});
    std::map<std::string, Shot> s = ReadShots(demo, {"log", "back"});
    ASSERT_FALSE(HasFailure()) << r.err;

    const Shot& l = s["log"];
    EXPECT_EQ(Hex(l.At(500, 700)), Hex(kLogBackColor)) << "the back log's background";
    const uint32_t x0 = kLogRowLeft + kLogTextLeft, x1 = kLogRowLeft + kLogRowWidth - 16;
    for (int r = 0; r < 4; ++r) {
        const uint32_t y0 = LogRowTop(r) + kLogTextTop, y1 = y0 + 30;
        EXPECT_GT(l.Bright(x0, y0, x0 + 100, y1), 10) << "row " << r << " begins a line";
        // The speaker's name stands alone on the first line of a spoken line; the narration's
        // text runs on.
        if (r < 2) EXPECT_EQ(l.Bright(x0 + 200, y0, x1, y1), 0) << "row " << r << ": the name alone";
        else EXPECT_GT(l.Bright(x0 + 200, y0, x1, y1), 50) << "row " << r << ": a line of narration";
        EXPECT_EQ(l.Bright(4, LogRowTop(r) + 38, 68, LogRowTop(r) + 62) > 0, r == 1) << "row " << r << "'s voice";
    }
    EXPECT_EQ(l.Bright(x0, LogRowTop(4), x1, LogRowTop(4) + kLogRowHeight), 0) << "nothing more";
    EXPECT_NE(Hex(s["back"].At(500, 700)), Hex(kLogBackColor)) << "the right click left the back log";
    EXPECT_GT(s["back"].Bright(kTextLeft, kTextTop, kTextLeft + kTextWidth, kTextTop + kTextHeight), 50)
        << "the fourth line again";

    Mix m;
    ASSERT_TRUE(m.Read(mix)) << r.err;
    const double voiced = m.Band(95, 165, kVoiceHz - 6, kVoiceHz * 1.2);
    EXPECT_GT(voiced, 300.0) << "the voice with its line";
    EXPECT_LT(m.Band(200, 245, kVoiceHz - 6, kVoiceHz * 1.2), voiced / 5) << "none while the log opens";
    EXPECT_GT(m.Band(255, 330, kVoiceHz - 6, kVoiceHz * 1.2), voiced / 2) << "replayed from the log";
}

// The settings: the text speed at its fastest, the colour of lines read before off and the
// music's volume at 0 take effect at once and come back in the next run, where the colour is
// switched on again.
TEST(DemoScreensE2E, SettingsTakeEffectAndComeBackInTheNextRun)
{
    DemoCopy demo;
    auto shot = [&](const char* name) { return demo.root / (std::string(name) + ".png"); };
    const int speedRight = kSliderLeft + kSliderTrackLeft + kSliderTrackWidth, speedY = kTextSpeedTop + 12;
    const int bgmLeft = kSliderLeft + kSliderTrackLeft, bgmY = kBgmSliderTop + 12;
    const int colourY = OptionTop(kReadColorOption) + kOptionHeight / 2;
    Input in;
    in.SkipOpening().Click(50, TitleButtonX(kStart), TitleButtonY(kStart)).Shot(95, shot("slow"));
    in.Click(100, MesButtonX(kMesConfig), kMesButtonY);                  // the settings, system page
    in.Click(140, speedRight, speedY).Click(150, kOffX, colourY);       // fastest text, read colour off
    in.Click(160, ConfigTabX(1), kConfigTabY).Click(190, bgmLeft, bgmY);  // the music's volume to 0
    in.Click(200, 512, 600, "right").Click(240, 512, 100).Shot(243, shot("instant"));
    const fs::path mix = demo.root / "mix.wav";
    RunResult r = demo.Play(in, 245, {"GX_AUDIO_CAPTURE=" + mix.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(demo.ErrorLog(), std::vector<std::string>{});
    EXPECT_TRUE(fs::exists(demo.SaveFolder() / "userconf.dat"));
    std::map<std::string, Shot> s = ReadShots(demo, {"slow", "instant"});
    ASSERT_FALSE(HasFailure()) << r.err;
    // At the default speed (60 ms a character) the first line has reached its sixth character
    // 20 frames in; at the fastest the second line stands whole 3 frames after the click.
    const uint32_t y0 = kTextTop + kRubySize, y1 = y0 + kTextSize;
    EXPECT_GT(s["slow"].Bright(kTextLeft, y0, kTextLeft + 4 * 27, y1), 20);
    EXPECT_EQ(s["slow"].Bright(kTextLeft + 8 * 27, y0, kTextLeft + kTextWidth, y1), 0) << "still revealing";
    EXPECT_GT(s["instant"].Bright(kTextLeft + 25 * 27, y0, kTextLeft + 31 * 27, y1), 20) << "the line's end at once";
    Mix m;
    ASSERT_TRUE(m.Read(mix)) << r.err;
    EXPECT_GT(m.Level(80, 98), 500.0) << "the music before";
    EXPECT_LT(m.Level(205, 238), 30.0) << "the music at volume 0";

    // The next run: the settings from the title show what was stored; the first line, read
    // before, stands whole at once in the text colour, then in the colour of read lines once
    // that option is on again; the music stays at 0.
    in = Input();
    in.SkipOpening().Click(50, TitleButtonX(kConfig), TitleButtonY(kConfig)).Shot(90, shot("system"));
    in.Click(95, ConfigTabX(1), kConfigTabY).Shot(130, shot("sound")).Click(135, 512, 600, "right");
    in.Click(170, TitleButtonX(kStart), TitleButtonY(kStart)).Shot(220, shot("read"));
    in.Click(230, MesButtonX(kMesConfig), kMesButtonY).Click(270, ConfigTabX(0), kConfigTabY);
    in.Click(285, kOnX, colourY).Click(300, 512, 600, "right").Shot(340, shot("readcolour"));
    r = demo.Play(in, 345, {"GX_AUDIO_CAPTURE=" + mix.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(demo.ErrorLog(), std::vector<std::string>{});
    s = ReadShots(demo, {"system", "sound", "read", "readcolour"});
    ASSERT_FALSE(HasFailure()) << r.err;
    // The knobs where they were left: the text speed's at the track's right end, the music's
    // at its left end.
    EXPECT_EQ(Hex(s["system"].At(speedRight - 2, speedY)), Hex(kKnobColor)) << "fastest text";
    EXPECT_EQ(Hex(s["system"].At(speedRight - 120, speedY)), Hex(kTrackColor)) << "not at the default";
    EXPECT_EQ(Hex(s["sound"].At(bgmLeft + 2, bgmY)), Hex(kKnobColor)) << "music at 0";
    EXPECT_EQ(Hex(s["sound"].At(bgmLeft + 160, bgmY)), Hex(kTrackColor)) << "not at the default";
    // The pair: "off" lit (orange: more red than blue), "on" not.
    auto lit = [](const Shot& shot, int x, int y) {
        const uint32_t c = shot.At(uint32_t(x - 36), uint32_t(y - 12));
        return (c >> 16 & 0xFF) > (c & 0xFF);
    };
    EXPECT_TRUE(lit(s["system"], kOffX, colourY)) << Hex(s["system"].At(kOffX - 36, colourY - 12));
    EXPECT_FALSE(lit(s["system"], kOnX, colourY));
    // The line's glyphs: pure white ones show the text colour; with the read colour (light blue,
    // red at 0xAA) none reaches a red of 0xE0.
    auto whiteGlyphs = [&](const Shot& shot) {
        int n = 0;
        for (uint32_t y = y0; y < y1; ++y)
            for (uint32_t x = kTextLeft; x < kTextLeft + kTextWidth; ++x) n += (shot.At(x, y) >> 16 & 0xFF) > 0xE0;
        return n;
    };
    EXPECT_GT(s["read"].Bright(kTextLeft + 25 * 27, y0, kTextLeft + 33 * 27, y1), 20) << "whole at once";
    EXPECT_GT(whiteGlyphs(s["read"]), 50) << "the text colour";
    EXPECT_GT(s["readcolour"].Bright(kTextLeft, y0, kTextLeft + kTextWidth, y1), 50);
    EXPECT_EQ(whiteGlyphs(s["readcolour"]), 0) << "the colour of read lines";
    ASSERT_TRUE(m.Read(mix)) << r.err;
    EXPECT_LT(m.Level(200, 225), 30.0) << "the music still at 0";
}

}  // namespace
