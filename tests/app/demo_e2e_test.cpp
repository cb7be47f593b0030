// The demo game played by the program, headless, with timed input: the opening movie and its
// skip, the title's labelled buttons and the screens they open, and the story's first scenes
// (the message text and its inline commands, the name window, the tool tip, the stand, the
// screen effects, the masked wipe, the music, the voice and the effect). Pictures are checked at
// chosen pixels and regions, never as whole images (GL drivers differ); sounds by their level
// and pitch over windows of frames. Frame numbers hold because unpaced frames are all 1/60 s.
#include <time.h>

#include <map>
#include <string>
#include <vector>

#include "tests/app/core_test_util.h"
#include "tests/app/demo_mix.h"
#include "tests/app/demo_run_util.h"
#include "tests/app/demo_shot.h"
#include "tests/support/GxDemoGame.h"
#include "tests/support/GxMovieWriter.h"

using namespace coretest;
using namespace gxdemo;

namespace {

namespace fs = std::filesystem;

// The opening movie plays before the title: its frames change colour in turn, its sound plays,
// and a click goes to the title at once, long before the movie's end.
TEST(DemoE2E, TheOpeningMoviePlaysItsFramesAndSoundUntilAClickSkipsIt)
{
    DemoCopy demo;
    const fs::path early = demo.root / "early.png", later = demo.root / "later.png", title = demo.root / "title.png",
                   mix = demo.root / "mix.wav";
    Input in;
    in.Shot(40, early).Shot(60, later).Click(66, 512, 100).Shot(110, title);
    RunResult r = demo.Play(in, 120, {"GX_AUDIO_CAPTURE=" + mix.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(demo.ErrorLog(), std::vector<std::string>{});

    Shot a, b, t;
    ASSERT_TRUE(ReadShot(early, a) && ReadShot(later, b) && ReadShot(title, t)) << r.err;
    // The movie starts once the screen's fade-in is over (frame 28): frame 40 shows its first
    // colour, frame 60 (0.53 s in) its second; decoded frames, so near the colours, not exact.
    EXPECT_TRUE(GxMovieColorNear(a.At(512, 384), OpeningFrameColor(0))) << Hex(a.At(512, 384));
    EXPECT_TRUE(GxMovieColorNear(b.At(512, 384), OpeningFrameColor(kOpeningFrames / 5))) << Hex(b.At(512, 384));
    EXPECT_FALSE(GxMovieColorNear(a.At(512, 384), b.At(512, 384))) << "the frames change";
    EXPECT_EQ(Hex(t.At(100, 100)), Hex(kTitleColor)) << "the click went to the title";

    Mix m;
    ASSERT_TRUE(m.Read(mix)) << r.err;
    EXPECT_GT(m.Tone(32, 62, 440.0), 300.0) << "the movie's sound";
    EXPECT_LT(m.Level(100, 120), 30.0) << "silence once the movie is skipped";
}

TEST(DemoE2E, TheTitlesFirstFrameIsReportedAgainstTheStampAndEndsTheRun)
{
    DemoCopy demo;
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const long long stamp = (long long)ts.tv_sec * 1000000000LL + ts.tv_nsec;
    // No frame limit: only the report can end this run. Ctrl held at the start skips the
    // opening movie.
    WriteFile(demo.root / "input.txt", Input().SkipOpening().text);
    RunResult r = demo.Run({"GX_FIRST_FRAME_OF=SeqTitle", "GX_START_STAMP=" + std::to_string(stamp),
                            "GX_INPUT_SCRIPT=" + (demo.root / "input.txt").string()});
    EXPECT_EQ(r.status, 0) << r.err;
    const size_t at = r.err.find("first frame of SeqTitle: ");
    ASSERT_NE(at, std::string::npos) << r.err;
    const double ms = std::stod(r.err.substr(at + 25));
    EXPECT_GT(ms, 0.0);
    const size_t after = r.err.find(" ms after the start stamp, cpu ", at);
    ASSERT_NE(after, std::string::npos) << r.err;
    const double cpuMs = std::stod(r.err.substr(after + 31));
    EXPECT_GT(cpuMs, 0.0);
    const size_t rssAt = r.err.find(" ms, peak rss ", after);
    ASSERT_NE(rssAt, std::string::npos) << r.err;
    // A GL context alone takes more than a few MiB: a figure below that is not the process's.
    EXPECT_GT(std::stol(r.err.substr(rssAt + 14)), 4096L) << r.err;
    EXPECT_NE(r.err.find(" KiB\n", rssAt), std::string::npos) << r.err;

    r = demo.Run({"GX_FIRST_FRAME_OF=SeqTitle", "GX_START_STAMP=soon", "GX_EXIT_AFTER_FRAMES=2"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("GX_START_STAMP"), std::string::npos) << r.err;
}

// Every title button carries its label, and each opens its screen: the load screen, the gallery
// and the replay room (nothing unlocked yet), the music room (whose track plays and stops), the
// settings, the quit dialog (its answers labelled too) and the story.
TEST(DemoE2E, EveryTitleButtonIsLabelledAndOpensItsScreen)
{
    DemoCopy demo;
    auto shot = [&](const char* name) { return demo.root / (std::string(name) + ".png"); };
    auto title = [](int i) { return std::pair{TitleButtonX(i), TitleButtonY(i)}; };
    Input in;
    in.SkipOpening().Shot(40, shot("title"));
    auto open = [&](int frame, int button) { in.Click(frame, title(button).first, title(button).second); };
    open(50, kLoad);
    in.Shot(90, shot("load")).Click(95, 512, 384, "right");
    open(130, kGallery);
    in.Shot(170, shot("gallery")).Click(175, 512, 384, "right");
    open(210, kReplay);
    in.Shot(250, shot("replay")).Click(255, 512, 384, "right");
    open(290, kMusic);
    in.Shot(330, shot("music")).Click(335, TrackX(), TrackY(1)).Shot(380, shot("playing"));
    in.Click(420, kMusicStopX, kMusicStopY).Click(500, 512, 600, "right");
    open(530, kConfig);
    in.Shot(570, shot("config")).Click(575, 512, 600, "right");
    open(610, kExit);
    in.Shot(640, shot("quit")).Click(645, kDialogNoX, kDialogButtonY);
    open(660, kStart);
    in.Shot(720, shot("main"));
    const fs::path mix = demo.root / "mix.wav";
    RunResult r = demo.Play(in, 725, {"GX_AUDIO_CAPTURE=" + mix.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(demo.ErrorLog(), std::vector<std::string>{});

    std::map<std::string, Shot> s;
    for (const char* name : {"title", "load", "gallery", "replay", "music", "playing", "config", "quit", "main"})
        ASSERT_TRUE(ReadShot(shot(name), s[name])) << name << "\n" << r.err;

    // Each label is white glyphs on the dark plate: bright pixels inside every button, none on
    // the plate's own colour.
    const Shot& t = s["title"];
    EXPECT_EQ(Hex(t.At(100, 100)), Hex(kTitleColor)) << "the title picture";
    for (int i = 0; i < kTitleButtonCount; ++i) {
        const uint32_t x0 = kTitleButtonLeft, y0 = kTitleButtonTop + i * kTitleButtonStep;
        EXPECT_GT(t.Bright(x0 + 2, y0 + 2, x0 + kTitleButtonWidth - 2, y0 + kTitleButtonHeight - 2), 40)
            << "the label of title button " << i;
        EXPECT_LT(t.Bright(x0 + 2, y0 + 40, x0 + kTitleButtonWidth - 2, y0 + kTitleButtonHeight - 2), 3)
            << "title button " << i << " below its label";
    }
    // The screens, by their backgrounds and what stands on them.
    EXPECT_EQ(Hex(s["load"].At(20, 400)), "204020") << "the load screen";
    EXPECT_EQ(Hex(s["gallery"].At(20, 400)), "202040") << "the gallery";
    EXPECT_EQ(Hex(s["gallery"].At(GallerySlotX(0) + 30, GallerySlotY(0) + 30)), Hex(kPlateColor))
        << "no picture seen yet: the first set is locked";
    EXPECT_EQ(Hex(s["replay"].At(20, 400)), "403020") << "the replay room";
    EXPECT_EQ(Hex(s["replay"].At(ReplayPlateX(0) + 30, ReplayPlateY(0) + 30)), Hex(kPlateColor)) << "a locked scene";
    EXPECT_EQ(Hex(s["music"].At(20, 400)), "302040") << "the music room";
    EXPECT_GT(s["music"].Bright(TrackX() - 118, TrackY(1) - 14, TrackX() + 118, TrackY(1) + 14), 40)
        << "the track's name";
    EXPECT_GT(Changed(s["music"], s["playing"], TrackX() - 118, TrackY(1) - 14, TrackX() + 118, TrackY(1) + 14), 200)
        << "the pressed track lights up";
    EXPECT_EQ(Hex(s["config"].At(600, 600)), "303050") << "the settings";
    // The quit dialog's question and its two labelled answers.
    const Shot& q = s["quit"];
    EXPECT_GT(q.Bright(kDialogTextLeft, kDialogTextTop, kDialogTextLeft + kDialogTextWidth, kDialogTextTop + 30), 40);
    for (int x : {kDialogYesX, kDialogNoX})
        EXPECT_GT(q.Bright(x - 58, kDialogButtonY - 18, x + 58, kDialogButtonY + 18), 20) << "the answer at " << x;
    EXPECT_GT(s["main"].Bright(kTextLeft, kTextTop, kTextLeft + kTextWidth, kTextTop + kTextHeight), 20)
        << "the story's first line";

    // The music room's track plays from its press and stops (with a one-second fade) at the stop
    // button; the title and the other screens are silent.
    Mix m;
    ASSERT_TRUE(m.Read(mix)) << r.err;
    EXPECT_LT(m.Level(30, 330), 30.0) << "silence before the track";
    EXPECT_GT(m.Level(345, 415), 500.0) << "the track";
    EXPECT_GT(m.Tone(345, 415, kRoomDroneHz), 300.0) << "the room's track itself";
    EXPECT_LT(m.Level(490, 520), 30.0) << "stopped";
}

// The story's first scenes, one run: the spoken first line at the message size in its window,
// the speaker's name and her stand; the voice of the second line; ruby over its word; the pause
// of "%w" and a coloured word; the back-log button's tool tip; the chime, the flash, the new
// expression and the move; the wrapped line and its line-breaking rules; the shake; the masked
// wipe to the town; the music changing under it all; and the developer mode's variable dumps.
TEST(DemoE2E, TheStoryShowsItsTextCommandsStandEffectsAndSound)
{
    DemoCopy demo;
    demo.UseDeveloperMode();
    auto shot = [&](const char* name) { return demo.root / (std::string(name) + ".png"); };
    const int logX = MesButtonX(kMesLog);
    Input in;
    in.SkipOpening().Click(50, TitleButtonX(kStart), TitleButtonY(kStart));
    // The first line starts at frame 75; a click shows it whole, the next goes on.
    in.Click(80, 512, 100).Shot(84, shot("first")).Click(86, 512, 100);
    // The voiced line: shown whole at once, then left until the voice has ended.
    in.Click(90, 512, 100).Click(180, 512, 100);
    in.Click(184, 512, 100).Shot(188, shot("ruby")).Click(190, 512, 100);
    // The line with the pause: five characters (to about frame 205), 1.5 s of nothing, then
    // the rest. Meanwhile the pointer rests on the back-log button.
    in.Shot(225, shot("pause1")).Move(230, logX, kMesButtonY).Shot(260, shot("tip0")).Shot(285, shot("pause2"));
    in.Shot(320, shot("pause3")).Click(322, 512, 100).Shot(326, shot("colour"));
    in.Click(330, 512, 100).Shot(333, shot("flash")).Click(336, 512, 100).Shot(380, shot("wrap"));
    // The shake's offsets are random, often 0 (a square law): ten looks at it.
    in.Click(384, 512, 100).Click(396, 512, 100).Shot(440, shot("shaken"));
    for (int i = 0; i < 10; ++i) in.Shot(387 + 4 * i, demo.root / ("shake" + std::to_string(i) + ".png"));
    in.Click(444, 512, 100).Shot(490, shot("wipe")).Shot(640, shot("town"));
    // In the developer mode F1 and F2 dump the script's variables to the save folder.
    in.Key(642, "F1").Key(644, "F2");
    const fs::path mix = demo.root / "mix.wav";
    RunResult r = demo.Play(in, 650, {"GX_AUDIO_CAPTURE=" + mix.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(demo.ErrorLog(), std::vector<std::string>{});
    for (const char* dump : {"vardump.txt", "vardump_extern.txt"}) {
        std::string bytes;
        ASSERT_TRUE(ReadFile(demo.SaveFolder() / dump, bytes)) << dump;
        std::u16string text;
        for (size_t i = 0; i + 1 < bytes.size(); i += 2) text.push_back(char16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8));
        EXPECT_NE(text.find(u"Sequence:SeqRukoMain("), std::u16string::npos) << dump << ": " << Utf8(text.substr(0, 80));
    }
    std::map<std::string, Shot> s;
    for (const char* name : {"first", "ruby", "pause1", "tip0", "pause2", "pause3", "colour", "flash", "wrap", "shaken",
                             "wipe", "town"})
        ASSERT_TRUE(ReadShot(shot(name), s[name])) << name << "\n" << r.err;

    // Text rows: line k's glyphs lie kRubySize below the line's top (the ruby above them).
    auto lineTop = [](int k) { return uint32_t(kTextTop + k * kLinePitch + kRubySize); };
    const Shot& first = s["first"];
    {
        // The glyphs of the first line fill a band about the message size high.
        int top = -1, bottom = -1;
        for (uint32_t y = kTextTop; y < uint32_t(kTextTop + kLinePitch); ++y)
            if (first.Bright(kTextLeft, y, kTextLeft + kTextWidth, y + 1) > 0) {
                if (top < 0) top = int(y);
                bottom = int(y);
            }
        ASSERT_GE(top, 0) << "no glyphs on the first line";
        EXPECT_GE(bottom - top + 1, kTextSize * 3 / 4) << "glyph height at the message size";
        EXPECT_LE(bottom - top + 1, kTextSize + 2);
        EXPECT_GE(top, int(lineTop(0)) - 1) << "below the ruby row";
    }
    EXPECT_GT(first.Bright(kNameLeft, kNameTop, kNameLeft + kNameWidth, kNameTop + kNameHeight), 30) << "the name";
    const uint32_t standX = (1024 - kStandWidth) / 2, standY = 768 - kStandHeight;
    // The stand: centred, standing on the bottom edge, faded in by the ruby line.
    EXPECT_EQ(Hex(s["ruby"].At(standX + kStandWidth / 2, standY + 300)), Hex(kStandColor)) << "the dress";
    EXPECT_EQ(Hex(s["ruby"].At(standX - 1, 520)), Hex(kBackgroundColor)) << "nothing of her left of her place";

    // Ruby: small glyphs above the first word only.
    const Shot& ruby = s["ruby"];
    EXPECT_GT(ruby.Bright(kTextLeft, kTextTop, kTextLeft + 2 * kTextSize + 8, lineTop(0)), 5) << "the reading";
    EXPECT_EQ(ruby.Bright(kTextLeft + 3 * (kTextSize + 4), kTextTop, kTextLeft + kTextWidth, lineTop(0)), 0)
        << "nothing above the other words";
    EXPECT_GT(ruby.Bright(kTextLeft, lineTop(0), kTextLeft + kTextWidth, lineTop(0) + kTextSize), 100) << "the line";

    // "%w(1500)": the first five characters, then nothing new for the pause, then the rest.
    const uint32_t l0 = lineTop(0), l1 = l0 + kTextSize;
    EXPECT_GT(s["pause1"].Bright(kTextLeft, l0, kTextLeft + 5 * 27, l1), 20) << "the words before the pause";
    EXPECT_EQ(s["pause1"].Bright(kTextLeft + 5 * 27, l0, kTextLeft + kTextWidth, l1), 0);
    EXPECT_EQ(Changed(s["pause1"], s["pause2"], kTextLeft, l0, kTextLeft + kTextWidth, l1), 0) << "held by the pause";
    EXPECT_GT(s["pause3"].Bright(kTextLeft + 5 * 27, l0, kTextLeft + kTextWidth, l1), 20) << "after the pause";
    // "%a(0xFF7070)": some glyphs of the whole line are red, the others white.
    {
        int red = 0, white = 0;
        const Shot& c = s["colour"];
        for (uint32_t y = l0; y < l1; ++y)
            for (uint32_t x = kTextLeft; x < kTextLeft + kTextWidth; ++x) {
                const uint32_t p = c.At(x, y);
                const int R = p >> 16 & 0xFF, G = p >> 8 & 0xFF, B = p & 0xFF;
                red += R > 200 && G < 150 && B < 150;
                white += R > 200 && G > 200 && B > 200;
            }
        EXPECT_GT(red, 20) << "the coloured word";
        EXPECT_GT(white, 20) << "the words in the text colour";
    }
    // The tool tip: not yet after 0.5 s on the button, shown (a dark box with text, above the
    // pointer since the screen ends below it) after 0.9 s.
    const uint32_t tipY = kMesButtonY - 60, tipX = uint32_t(logX);
    EXPECT_EQ(Changed(s["tip0"], s["pause1"], tipX - 40, tipY - 20, tipX + 120, tipY + 20), 0) << "no tip yet";
    EXPECT_GT(Changed(s["pause2"], s["pause1"], tipX - 40, tipY - 20, tipX + 120, tipY + 20), 500) << "the tip";
    EXPECT_GT(s["pause2"].Bright(tipX - 40, tipY - 20, tipX + 200, tipY + 20), 40) << "the tip's text";

    // The flash brightens the scene; afterwards the stand has moved to x 160 with her smile.
    EXPECT_GT(s["flash"].At(20, 20) & 0xFF, s["wrap"].At(20, 20) & 0xFF) << "the flash";
    EXPECT_EQ(Hex(s["wrap"].At(160 + kStandWidth / 2, standY + 300)), Hex(kStandColor)) << "moved";
    EXPECT_NE(Hex(s["wrap"].At(standX + kStandWidth / 2 + 60, standY + 300)), Hex(kStandColor)) << "left her place";
    // The wrapped line: 32 characters of 27 pixels, the full stop that would start line 2 hangs
    // past them; line 2 leaves its last slot to the opening bracket, which starts line 3.
    const Shot& w = s["wrap"];
    EXPECT_GT(w.Bright(kTextLeft + 864, lineTop(0), kTextLeft + 891, lineTop(0) + kTextSize), 3) << "hanging stop";
    EXPECT_GT(w.Bright(kTextLeft + 810, lineTop(1), kTextLeft + 837, lineTop(1) + kTextSize), 3) << "line 2 full";
    EXPECT_EQ(w.Bright(kTextLeft + 837, lineTop(1), kTextLeft + 880, lineTop(1) + kTextSize), 0)
        << "no bracket at line 2's end";
    EXPECT_GT(w.Bright(kTextLeft, lineTop(2), kTextLeft + 27, lineTop(2) + kTextSize), 3) << "the bracket on line 3";
    // The shake moves the scene sideways for 0.8 s (the clouds' edges move), then it stands as
    // before.
    int shaken = 0;
    for (int i = 0; i < 10; ++i) {
        Shot k;
        ASSERT_TRUE(ReadShot(demo.root / ("shake" + std::to_string(i) + ".png"), k));
        shaken += Changed(s["wrap"], k, 450, 20, 1000, 300) > 20;
    }
    EXPECT_GT(shaken, 0) << "shaking";
    EXPECT_EQ(Changed(s["wrap"], s["shaken"], 450, 20, 1000, 300), 0) << "still again";
    // The masked wipe: halfway, the town on the left (the mask's dark side), the meadow on the
    // right; then the town alone.
    EXPECT_TRUE(GxMovieColorNear(s["wipe"].At(20, 4), kTownSkyColor, 30)) << Hex(s["wipe"].At(20, 4));
    EXPECT_TRUE(GxMovieColorNear(s["wipe"].At(1000, 4), kSkyTopColor, 30)) << Hex(s["wipe"].At(1000, 4));
    EXPECT_TRUE(GxMovieColorNear(s["town"].At(1000, 4), kTownSkyColor, 30)) << Hex(s["town"].At(1000, 4));

    // The sound: silence on the title; the theme from the start, the voice over it on the
    // second line and not after; the chime; the dusk music taking over.
    Mix m;
    ASSERT_TRUE(m.Read(mix)) << r.err;
    EXPECT_LT(m.Level(5, 45), 30.0) << "the title is silent";
    EXPECT_GT(m.Level(100, 170), 500.0);
    EXPECT_GT(m.Tone(100, 170, kThemeDroneHz), 300.0) << "the theme";
    EXPECT_LT(m.Tone(100, 170, kNightDroneHz), 60.0);
    EXPECT_GT(m.Band(95, 165, kVoiceHz - 6, kVoiceHz * 1.2), 300.0) << "the voice";
    EXPECT_LT(m.Band(200, 240, kVoiceHz - 6, kVoiceHz * 1.2), 60.0) << "no voice after its line";
    EXPECT_LT(m.Tone(300, 328, kChimeHz), 30.0);
    EXPECT_GT(m.Tone(332, 352, kChimeHz), 300.0) << "the chime";
    EXPECT_GT(m.Tone(600, 650, kNightDroneHz), 300.0) << "the dusk music";
    EXPECT_LT(m.Tone(620, 650, kThemeDroneHz), m.Tone(100, 170, kThemeDroneHz) / 5) << "the theme faded out";
}

}  // namespace
