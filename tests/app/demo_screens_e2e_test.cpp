// The demo game's menu screens played by the program, headless, with input scripts: a save and
// its load, the back log, the settings' music volume and its return in the next run, and the
// replay room and the music room after a run that passed the replayed scene. Pictures are checked
// at chosen pixels and regions (GL drivers differ), the sound in the captured mix.
#include <png.h>

#include <cstdlib>
#include <cstring>

#include <string>
#include <vector>

#include "core/GxString.h"
#include "tests/app/core_test_util.h"
#include "tests/app/demo_run_util.h"
#include "tests/app/demo_shot.h"
#include "tests/support/GxDemoGame.h"
#include "tests/support/GxDemoGameScreens.h"

using namespace coretest;

namespace {

namespace fs = std::filesystem;

// The captured mix (44100 Hz, 16-bit stereo), as samples.
struct Mix
{
    std::vector<int16_t> samples;
    static constexpr size_t kPerFrame = 44100 / 60 * 2;
    // The mean loudness of the main-loop frames [f0, f1).
    double Level(size_t f0, size_t f1) const
    {
        double sum = 0;
        size_t n = 0;
        for (size_t i = f0 * kPerFrame; i < f1 * kPerFrame && i < samples.size(); ++i, ++n) sum += std::abs(samples[i]);
        return n ? sum / double(n) : -1.0;
    }
};

bool ReadMix(const fs::path& file, Mix& out)
{
    std::string bytes;
    if (!ReadFile(file.string(), bytes) || bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0) return false;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const uint32_t size = uint32_t(uint8_t(bytes[at + 4])) | uint32_t(uint8_t(bytes[at + 5])) << 8 |
                              uint32_t(uint8_t(bytes[at + 6])) << 16 | uint32_t(uint8_t(bytes[at + 7])) << 24;
        if (bytes.compare(at, 4, "data") == 0) {
            const size_t n = std::min<size_t>(size, bytes.size() - at - 8) / 2;
            out.samples.resize(n);
            std::memcpy(out.samples.data(), bytes.data() + at + 8, n * 2);
            return true;
        }
        at += 8 + size + (size & 1);
    }
    return false;
}

std::string At(int frame, const std::string& what) { return std::to_string(frame) + " " + what + "\n"; }
std::string Click(int frame, int x, int y, const char* button = "left")
{
    return At(frame, std::string("click ") + button + " " + std::to_string(x) + " " + std::to_string(y));
}
std::string StartButton(int frame)
{
    return Click(frame, gxdemo::kStartLeft + gxdemo::kStartWidth / 2, gxdemo::kStartTop + gxdemo::kStartHeight / 2);
}

// The message window's text area (its layout and module rows).
constexpr uint32_t kTx0 = 32 + 40, kTy0 = 548 + 40, kTx1 = kTx0 + 880, kTy1 = kTy0 + 120;

// The story's choice: two buttons of 600 x 40 with 10 between, the first centred at (512, 244).
// Its second item, the short answer, leads straight to the replayed scene.
std::string ShortAnswer(int frame) { return Click(frame, 512, 244 + 50); }

RunResult RunScript(const DemoCopy& demo, const std::string& input, int frames, bool capture = false)
{
    WriteFile(demo.root / "input.txt", input);
    std::vector<std::string> env = {"GX_INPUT_SCRIPT=" + (demo.root / "input.txt").string(),
                                    "GX_EXIT_AFTER_FRAMES=" + std::to_string(frames)};
    if (capture) env.push_back("GX_AUDIO_CAPTURE=" + (demo.root / "mix.wav").string());
    return demo.Run(env);
}

// The story: two lines, the choice's short answer, then the replayed scene's line over its
// music, then the end's line.
TEST(DemoScreensE2E, SaveInSlotOneThenLoadBringsTheSavedMessageAndItsMusicBack)
{
    DemoCopy demo;
    const fs::path scene = demo.root / "scene.png", end = demo.root / "end.png", loaded = demo.root / "loaded.png",
                   list = demo.root / "list.png";
    std::string in = StartButton(50) + Click(210, 512, 300) + Click(300, 512, 300) + ShortAnswer(340) +
                     Click(400, 512, 300) + At(470, "screenshot " + scene.string()) +
                     Click(480, gxdemo::kMesSaveX, gxdemo::kMesSaveY) +                 // the save screen
                     Click(540, gxdemo::PlateCenterX(0), gxdemo::PlateCenterY(0)) +      // slot 1
                     Click(580, gxdemo::kDialogYesX, gxdemo::kDialogYesY) +              // yes
                     Click(620, gxdemo::kBackX, gxdemo::kBackY) +                        // back to the story
                     Click(680, 512, 300) + Click(710, 512, 300) +  // play on: the end's line
                     At(800, "screenshot " + end.string()) +
                     Click(810, gxdemo::kMesLoadX, gxdemo::kMesLoadY) +                  // the load screen
                     At(860, "screenshot " + list.string()) +
                     Click(870, gxdemo::PlateCenterX(0), gxdemo::PlateCenterY(0)) +
                     Click(910, gxdemo::kDialogYesX, gxdemo::kDialogYesY) +
                     At(1030, "screenshot " + loaded.string());
    RunResult r = RunScript(demo, in, 1100, true);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(demo.SaveFolder() / "gamedata001.gd"));
    EXPECT_TRUE(fs::exists(demo.SaveFolder() / "thumb001.png"));
    EXPECT_FALSE(fs::exists(demo.SaveFolder() / "gamedata002.gd"));

    Shot s, e, l, p;
    ASSERT_TRUE(ReadShot(scene, s) && ReadShot(end, e) && ReadShot(loaded, l) && ReadShot(list, p)) << r.err;
    EXPECT_GT(s.Bright(kTx0, kTy0, kTx1, kTy1), 20) << "the scene's line";
    EXPECT_GT(Changed(s, e, kTx0, kTy0, kTx1, kTy1), 20) << "the end's line differs from the scene's";
    EXPECT_EQ(Hex(p.At(20, 400)), "204020") << "the load screen's background";
    EXPECT_GT(Changed(p, s, gxdemo::PlateCenterX(0) - 220, gxdemo::PlateCenterY(0) - 56, gxdemo::PlateCenterX(0) - 92,
                      gxdemo::PlateCenterY(0) + 40),
              100)
        << "slot 1's plate shows its thumbnail";
    EXPECT_LT(Changed(s, l, kTx0, kTy0, kTx1, kTy1), 10) << "the saved line shows again after the load";

    Mix mix;
    ASSERT_TRUE(ReadMix(demo.root / "mix.wav", mix));
    EXPECT_GT(mix.Level(440, 470), 500.0) << "the scene's music";
    EXPECT_LT(mix.Level(760, 800), 20.0) << "the end stopped it";
    EXPECT_GT(mix.Level(1000, 1090), 500.0) << "the load restarted it";
}

TEST(DemoScreensE2E, BackLogOpensOnTheWheelAndTheBgmSliderSilencesTheMusicUntilTheNextRun)
{
    DemoCopy demo;
    const fs::path log = demo.root / "log.png", back = demo.root / "back.png";
    const int knobX = gxdemo::kBgmSliderLeft + gxdemo::kSliderTrackLeft + gxdemo::kSliderTrackWidth * 80 / 100;
    const int knobY = gxdemo::kBgmSliderTop + 12;
    std::string in = StartButton(50) + Click(210, 512, 300) +
                     At(330, "wheel 1 512 300") + At(380, "screenshot " + log.string()) +
                     Click(390, 512, 300, "right") + At(440, "screenshot " + back.string()) +
                     Click(450, 512, 300) + ShortAnswer(480) + Click(530, 512, 300) +  // the scene and its music
                     Click(580, gxdemo::kMesConfigX, gxdemo::kMesConfigY) +            // the settings
                     Click(640, gxdemo::kSoundTabX, gxdemo::kSoundTabY) +
                     At(680, "down left " + std::to_string(knobX) + " " + std::to_string(knobY)) +
                     At(685, "move " + std::to_string(knobX - 100) + " " + std::to_string(knobY)) +
                     At(690, "move " + std::to_string(gxdemo::kBgmSliderLeft - 50) + " " + std::to_string(knobY)) +
                     At(695, "up left " + std::to_string(gxdemo::kBgmSliderLeft - 50) + " " + std::to_string(knobY)) +
                     Click(740, 512, 300, "right");
    RunResult r = RunScript(demo, in, 820, true);
    ASSERT_EQ(r.status, 0) << r.err;

    Shot l, b;
    ASSERT_TRUE(ReadShot(log, l) && ReadShot(back, b)) << r.err;
    EXPECT_EQ(Hex(l.At(500, 700)), Hex(gxdemo::kLogBackColor)) << "the back log's background";
    EXPECT_GT(l.Bright(72 + 16, 60 + 8, 72 + 864, 60 + 2 * 110), 20) << "the logged lines";
    EXPECT_NE(Hex(b.At(500, 700)), Hex(gxdemo::kLogBackColor)) << "the right click left the back log";
    EXPECT_GT(b.Bright(kTx0, kTy0, kTx1, kTy1), 20) << "the message window again";

    Mix mix;
    ASSERT_TRUE(ReadMix(demo.root / "mix.wav", mix));
    EXPECT_GT(mix.Level(600, 670), 500.0) << "the scene's music while the settings open";
    EXPECT_EQ(mix.Level(710, 810), 0.0) << "the slider at its minimum";
    EXPECT_TRUE(fs::exists(demo.SaveFolder() / "userconf.dat"));

    // The next run shows the stored volume: the knob at the track's left end.
    const fs::path sound = demo.root / "sound.png";
    in = StartButton(50) + Click(200, gxdemo::kMesConfigX, gxdemo::kMesConfigY) +
         Click(260, gxdemo::kSoundTabX, gxdemo::kSoundTabY) + At(320, "screenshot " + sound.string());
    r = RunScript(demo, in, 340);
    ASSERT_EQ(r.status, 0) << r.err;
    Shot s;
    ASSERT_TRUE(ReadShot(sound, s)) << r.err;
    EXPECT_EQ(Hex(s.At(gxdemo::kBgmSliderLeft + gxdemo::kSliderTrackLeft, knobY)), "E0E0E0") << "the knob at 0";
    EXPECT_EQ(Hex(s.At(knobX, knobY)), "303848") << "only the track where the default volume would be";
}

TEST(DemoScreensE2E, APassedSceneReplaysFromTheRoomAndTheMusicRoomPlaysItsTrack)
{
    DemoCopy demo;
    const fs::path locked = demo.root / "locked.png";
    // Before any run passed the scene its plate is locked.
    RunResult r = RunScript(demo,
                            Click(50, gxdemo::kTitleEventLeft + 100, gxdemo::kTitleEventTop + 24) +
                                At(120, "screenshot " + locked.string()),
                            130);
    ASSERT_EQ(r.status, 0) << r.err;

    // Run 1 passes the scene and quits.
    r = RunScript(demo,
                  StartButton(50) + Click(210, 512, 300) + Click(300, 512, 300) + ShortAnswer(340) +
                      Click(400, 512, 300),
                  480);
    ASSERT_EQ(r.status, 0) << r.err;

    // Run 2: the replay room, the scene, back to the room, then the music room.
    const fs::path room = demo.root / "room.png", replay = demo.root / "replay.png", after = demo.root / "after.png";
    std::string in = Click(50, gxdemo::kTitleEventLeft + 100, gxdemo::kTitleEventTop + 24) +
                     At(120, "screenshot " + room.string()) +
                     Click(130, gxdemo::kReplayPlateX, gxdemo::kReplayPlateY) +
                     At(300, "screenshot " + replay.string()) + Click(310, 512, 300) + Click(340, 512, 300) +
                     At(420, "screenshot " + after.string()) + Click(430, 512, 300, "right") +
                     Click(500, gxdemo::kTitleMusicLeft + 100, gxdemo::kTitleMusicTop + 24) +
                     Click(560, gxdemo::kTrackX, gxdemo::kTrackY);
    r = RunScript(demo, in, 640, true);
    ASSERT_EQ(r.status, 0) << r.err;

    Shot lk, rm, rp, af;
    ASSERT_TRUE(ReadShot(locked, lk) && ReadShot(room, rm) && ReadShot(replay, rp) && ReadShot(after, af)) << r.err;
    EXPECT_EQ(Hex(lk.At(gxdemo::kReplayPlateX, gxdemo::kReplayPlateY)), "505050") << "a locked plate";
    EXPECT_EQ(Hex(rm.At(gxdemo::kReplayPlateX, gxdemo::kReplayPlateY)), "E08040") << "the scene's thumbnail";
    EXPECT_GT(rp.Bright(kTx0, kTy0, kTx1, kTy1), 20) << "the scene's line";
    EXPECT_EQ(Hex(af.At(20, 400)), "403020") << "the scene's end returned to the room";

    Mix mix;
    ASSERT_TRUE(ReadMix(demo.root / "mix.wav", mix));
    EXPECT_GT(mix.Level(250, 300), 500.0) << "the replayed scene's music";
    EXPECT_LT(mix.Level(520, 555), 20.0) << "the room and the title stopped it";
    EXPECT_GT(mix.Level(580, 635), 500.0) << "the music room's track";
}

}  // namespace
