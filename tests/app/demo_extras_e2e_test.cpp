// The demo game played to its end by the program, headless: the choice, the event picture with
// its movie, the remembered scene, the battle map and the way back to the title; then what that
// play unlocked: the event picture in the gallery and its viewer, the scene in the replay room.
// Pictures are checked at chosen pixels and regions (GL drivers differ), the sound in the
// captured mix.
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

// Clicks away from every button from frame `from` to `to`, one every four frames: each shows a
// line whole or goes on, so the story runs on to the next thing that waits for more than a
// click (a choice, a screen of its own).
void ClickThrough(Input& in, int from, int to)
{
    for (int f = from; f < to; f += 4) in.Click(f, 512, 100);
}

TEST(DemoExtrasE2E, APlayThroughTheBattleMapUnlocksTheGalleryAndTheReplayRoom)
{
    DemoCopy demo;
    auto shot = [&](const char* name) { return demo.root / (std::string(name) + ".png"); };
    Input in;
    in.SkipOpening().Click(50, TitleButtonX(kStart), TitleButtonY(kStart));
    ClickThrough(in, 80, 370);  // on to the choice
    in.Shot(400, shot("choice")).Click(405, kChoiceX, kChoiceFirstY).Shot(530, shot("movie"));
    ClickThrough(in, 610, 700);  // the movie's line, the remembered scene, then the battle map
    in.Shot(720, shot("map")).Click(725, kMapEastX, kMapEastY).Shot(840, shot("east"));
    ClickThrough(in, 850, 900);  // the end's line, then back to the title
    in.Shot(940, shot("title"));
    const fs::path mix = demo.root / "mix.wav";
    RunResult r = demo.Play(in, 945, {"GX_AUDIO_CAPTURE=" + mix.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(demo.ErrorLog(), std::vector<std::string>{});
    std::map<std::string, Shot> s;
    for (const char* name : {"choice", "movie", "map", "east", "title"})
        ASSERT_TRUE(ReadShot(shot(name), s[name])) << name << "\n" << r.err;

    // The choice's two items, labelled, over the town.
    for (int i = 0; i < 2; ++i)
        EXPECT_GT(s["choice"].Bright(kChoiceX - 280, kChoiceFirstY + i * kChoiceStep - 12, kChoiceX + 280,
                                     kChoiceFirstY + i * kChoiceStep + 12),
                  50)
            << "item " << i;
    // The first item's event picture with the movie over it (decoded: near its colour).
    for (const auto& [x, y] : {std::pair{4u, 4u}, {512u, 300u}, {1019u, 500u}})
        EXPECT_TRUE(GxMovieColorNear(s["movie"].At(x, y), kMovieColor & 0xFFFFFF))
            << Hex(s["movie"].At(x, y)) << " at " << x << "," << y;
    // The battle map with its two labelled places; the east one leads back to the meadow.
    const Shot& map = s["map"];
    EXPECT_EQ(Hex(map.At(100, 700)), Hex(kMapLandColor)) << "the map";
    for (int x : {kMapEastX, kMapWestX}) EXPECT_GT(map.Bright(x - 96, kMapEastY - 12, x + 96, kMapEastY + 20), 40) << x;
    EXPECT_EQ(Hex(s["east"].At(20, 760)), Hex(kBackgroundColor)) << "the meadow";
    EXPECT_GT(s["east"].Bright(kTextLeft, kTextTop, kTextLeft + kTextWidth, kTextTop + kTextHeight), 50) << "its line";
    EXPECT_EQ(Hex(s["title"].At(100, 100)), Hex(kTitleColor)) << "the end goes back to the title";
    // The music: the room's track in the remembered scene and on the map, the theme again in
    // the east, faded out at the end.
    Mix m;
    ASSERT_TRUE(m.Read(mix)) << r.err;
    EXPECT_GT(m.Tone(700, 720, kRoomDroneHz), 300.0) << "the remembered scene's music on the map";
    EXPECT_GT(m.Tone(832, 848, kThemeDroneHz), 300.0) << "the theme in the east";
    EXPECT_LT(m.Level(925, 945), 30.0) << "silence on the title";

    // The next run: the gallery shows the event picture's set unlocked (its thumbnail and its
    // count of one seen picture of one) and the other set locked; its viewer shows the picture
    // and a click returns. The replay room's scene is unlocked and replays.
    in = Input();
    in.SkipOpening().Click(50, TitleButtonX(kGallery), TitleButtonY(kGallery)).Shot(90, shot("gallery"));
    in.Click(95, GallerySlotX(0), GallerySlotY(0)).Shot(140, shot("viewer")).Click(145, 512, 384);
    in.Shot(190, shot("gallery2")).Click(195, 512, 600, "right");
    in.Click(240, TitleButtonX(kReplay), TitleButtonY(kReplay)).Shot(280, shot("room"));
    in.Click(285, ReplayPlateX(0), ReplayPlateY(0)).Shot(380, shot("replay"));
    ClickThrough(in, 385, 395);
    in.Shot(440, shot("roomagain"));
    r = demo.Play(in, 445, {"GX_AUDIO_CAPTURE=" + mix.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(demo.ErrorLog(), std::vector<std::string>{});
    for (const char* name : {"gallery", "viewer", "gallery2", "room", "replay", "roomagain"})
        ASSERT_TRUE(ReadShot(shot(name), s[name])) << name << "\n" << r.err;
    const Shot& g = s["gallery"];
    EXPECT_EQ(Hex(g.At(GallerySlotX(0), GallerySlotY(0))), Hex(kThumbnailColor)) << "the seen set's thumbnail";
    EXPECT_EQ(Hex(g.At(GallerySlotX(1) + 30, GallerySlotY(1) + 30)), Hex(kPlateColor)) << "the other set is locked";
    EXPECT_GT(g.Bright(GallerySlotX(0) + 24, GallerySlotY(0) + 49, GallerySlotX(0) + 64, GallerySlotY(0) + 66), 10)
        << "its count under it";
    EXPECT_EQ(Hex(s["viewer"].At(512, 384)), Hex(kEventColor)) << "the viewer shows the picture";
    EXPECT_EQ(Hex(s["gallery2"].At(20, 400)), "202040") << "a click after the last picture returns";
    EXPECT_NE(Hex(s["room"].At(ReplayPlateX(0) + 30, ReplayPlateY(0) + 30)), Hex(kPlateColor)) << "unlocked";
    EXPECT_EQ(Hex(s["room"].At(20, 400)), "403020");
    const Shot& rp = s["replay"];
    EXPECT_GT(rp.Bright(kTextLeft, kTextTop, kTextLeft + kTextWidth, kTextTop + kTextHeight), 50) << "the scene";
    // In a replay the window shows its replay's end button instead of the save button: the
    // first differs from the window's plain panel (at the row's far right), the second does not.
    auto plain = [&](int button) {
        int n = 0;
        for (int y = kMesButtonTop; y < kMesButtonTop + kMesButtonHeight; ++y)
            for (int x = MesButtonLeft(button); x < MesButtonLeft(button) + 28; ++x)
                n += rp.At(uint32_t(x), uint32_t(y)) != rp.At(900, uint32_t(y));
        return n;
    };
    EXPECT_GT(plain(kMesReplayEnd), 50) << "the replay's end button";
    EXPECT_EQ(plain(kMesSave), 0) << "no saving in a replay";
    EXPECT_EQ(Hex(s["roomagain"].At(20, 400)), "403020") << "the scene's end returns to the room";
    ASSERT_TRUE(m.Read(mix)) << r.err;
    EXPECT_GT(m.Tone(360, 380, kRoomDroneHz), 300.0) << "the scene's music";
}

}  // namespace
