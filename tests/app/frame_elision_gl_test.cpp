// Screens as the engine draws them on the GL device: a frame that shows nothing new is not drawn
// again, and every change a player sees makes its frame draw: a step of a cross-fade, a character
// of a message, a frame of a movie. Each scenario runs twice, once as the device does it and once
// with every frame forced, and the presented pictures must be the same frame by frame.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <vector>

#include "game/DBUIModule.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserConfig.h"
#include "graphics/GxGraphics.h"
#include "layer/GxTaskLayer.h"
#include "media/GxMovie.h"
#include "media/GxSoundClock.h"
#include "platform/GxDevice.h"
#include "tests/support/GxMovieWriter.h"
#include "tests/support/GxUIHarness.h"
#include "ui/GxTaskUIWidgets.h"

namespace {

std::atomic<uint64_t> g_Now{1000};
uint64_t FakeClock() { return g_Now.load(); }

struct Shot
{
    GxPixelImage picture;
    bool drawn = false;  // the present drew and showed its frame
};

// Runs a scenario on a fresh GL stage; frame(ms) runs one frame of the harness (update walks,
// a clear, render layers 5 and 7, the present) and keeps its picture.
using Scenario = std::function<void(gxtest::UIHarness&, const std::function<void(int32_t)>& frame)>;

std::vector<Shot> Play(const Scenario& scenario, bool forceEveryFrame)
{
    std::vector<Shot> shots;
    GxMessageSystemConfig().SetDefault();
    GxMessageUserConfig().SetDefault();
    gxtest::UIHarness h(gxtest::UIDevice::GL);
    EXPECT_TRUE(h.IsReady()) << h.Log().Joined();
    if (!h.IsReady()) return shots;
    auto frame = [&](int32_t ms) {
        GxDevice* device = GxGraphics::GetDevice();
        const uint64_t shownBefore = device->GetFrameStats().framesShown;
        if (forceEveryFrame) GxGraphics::ForceFrame();
        h.Frame(ms);
        shots.push_back(Shot{h.ReadBack(), device->GetFrameStats().framesShown > shownBefore});
    };
    scenario(h, frame);
    return shots;
}

// Both runs; the pictures of the run as the device does it must equal those of every frame drawn.
std::vector<Shot> PlayBoth(const Scenario& scenario)
{
    const std::vector<Shot> elided = Play(scenario, false);
    const std::vector<Shot> drawn = Play(scenario, true);
    EXPECT_EQ(elided.size(), drawn.size());
    for (size_t i = 0; i < elided.size() && i < drawn.size(); ++i) {
        EXPECT_TRUE(drawn[i].drawn) << "frame " << i + 1;
        EXPECT_EQ(elided[i].picture.pixels, drawn[i].picture.pixels) << "frame " << i + 1;
    }
    return elided;
}

size_t CountDrawn(const std::vector<Shot>& shots, size_t from, size_t to)
{
    size_t n = 0;
    for (size_t i = from; i < to && i < shots.size(); ++i) n += shots[i].drawn ? 1 : 0;
    return n;
}

}  // namespace

TEST(FrameElisionEngineGL, ACrossFadeDrawsEveryStepAndTheScreenRestsBeforeAndAfterIt)
{
    const std::vector<Shot> shots = PlayBoth([](gxtest::UIHarness& h, const std::function<void(int32_t)>& frame) {
        ASSERT_TRUE(h.WritePicture("cg/a.png", gxtest::MakeTestPicture(1024, 768, false, 1)));
        ASSERT_TRUE(h.WritePicture("cg/b.png", gxtest::MakeTestPicture(1024, 768, false, 2)));
        ASSERT_TRUE(h.WritePicture("cg/s.png", gxtest::MakeTestPicture(64, 64, true, 3)));
        auto* bg = new GxTaskLayer(u"bg", nullptr, 0, h.Screen());
        auto* sprite = new GxTaskLayer(u"sp", nullptr, 0, h.Screen());
        h.EnterScreen();
        ASSERT_TRUE(bg->LoadImage(u"cg/a.png", 0));
        ASSERT_TRUE(sprite->LoadImage(u"cg/s.png", 0));
        sprite->SetPos(GxVector3(100.0f, 100.0f, 0.0f));
        for (int i = 0; i < 4; ++i) frame(16);
        // A cross-fade of 160 ms: ten steps of 16 ms, then the new picture at rest.
        ASSERT_TRUE(bg->LoadImage(u"cg/b.png", 160));
        for (int i = 0; i < 14; ++i) frame(16);
    });
    ASSERT_EQ(shots.size(), 18u);
    EXPECT_TRUE(shots[0].drawn);
    EXPECT_EQ(CountDrawn(shots, 1, 4), 0u);
    // Every step of the fade draws and shows a picture of its own.
    for (size_t i = 4; i < 13; ++i) {
        EXPECT_TRUE(shots[i].drawn) << "frame " << i + 1;
        EXPECT_NE(shots[i].picture.pixels, shots[i - 1].picture.pixels) << "frame " << i + 1;
    }
    EXPECT_EQ(CountDrawn(shots, 15, 18), 0u);
}

TEST(FrameElisionEngineGL, EachCharacterOfAMessageDrawsItsFrameAndTheFramesBetweenRest)
{
    std::vector<uint32_t> charsShown;
    const std::vector<Shot> shots =
        PlayBoth([&charsShown](gxtest::UIHarness& h, const std::function<void(int32_t)>& frame) {
            ASSERT_TRUE(h.WritePicture("cg/meswin.png", gxtest::TestPicture(600, 120, 0xFF202060u)));
            h.LoadFonts();
            DBUIModuleData m;
            m.ID = 1;
            m.UIType = GxUIModuleType::MessageWindowFx;
            m.ImageSetName = u"cg/";
            m.ImageName = u"meswin";
            m.FontIndex = 2;
            m.ClientLeft = 10;
            m.ClientTop = 10;
            m.ClientWidth = 580;
            m.ClientHeight = 100;
            auto* w = dynamic_cast<GxTaskUIMessageWindowFx*>(h.CreateFromModule(m, u"$MESWIN", -1));
            ASSERT_NE(w, nullptr);
            w->SetPos(GxVector3(100.0f, 500.0f, 0.0f));
            h.EnterScreen();
            w->SetMessage(u"あいうえおかきくけこ", false, false, false, false);
            charsShown.clear();
            for (int i = 0; i < 30; ++i) {
                frame(16);
                charsShown.push_back(w->GetShowCharCount());
            }
        });
    ASSERT_EQ(shots.size(), 30u);
    ASSERT_EQ(charsShown.size(), 30u);
    ASSERT_LT(charsShown.front(), charsShown.back());
    // A frame that adds a character draws (so may the one after it, while the character fades
    // in); a frame that draws nothing shows the picture before it.
    for (size_t i = 1; i < shots.size(); ++i) {
        if (charsShown[i] != charsShown[i - 1]) {
            EXPECT_TRUE(shots[i].drawn) << "frame " << i + 1;
        }
        if (!shots[i].drawn) {
            EXPECT_EQ(shots[i].picture.pixels, shots[i - 1].picture.pixels) << "frame " << i + 1;
        }
    }
    EXPECT_GT(shots.size() - CountDrawn(shots, 0, shots.size()), 10u);
}

TEST(FrameElisionEngineGL, EachNewMovieFrameDrawsAndTheFramesBetweenRest)
{
    const std::vector<uint32_t> colors = GxMovieTestColors();
    const std::vector<Shot> shots = PlayBoth([&colors](gxtest::UIHarness& h, const std::function<void(int32_t)>& frame) {
        g_Now = 1000;
        GxSoundSetClock(FakeClock);
        ASSERT_TRUE(GxMovie::Create());
        ASSERT_TRUE(h.Folder().Write("mov/a.mpg", GxWriteTestMovie(GxMovieSpec{64, 48, 25, colors, true})));
        auto* layer = new GxTaskLayer(u"mv", nullptr, 0, h.Screen());
        h.EnterScreen();
        ASSERT_TRUE(layer->LoadMovie(u"mov/a.mpg", 64, 48, 1, 0.0, 0, true, 0));
        // 16 ms frames over a movie of 25 frames a second: a new movie frame every two or three.
        for (int i = 0; i < 24; ++i) {
            g_Now = 1000 + static_cast<uint64_t>(i) * 16;
            GxMovie::Update();
            frame(16);
        }
        layer->Clear();
        GxMovie::Release();
        GxSoundSetClock(nullptr);
    });
    ASSERT_EQ(shots.size(), 24u);
    size_t changes = 0;
    for (size_t i = 1; i < shots.size(); ++i) {
        const bool changed = shots[i].picture.pixels != shots[i - 1].picture.pixels;
        changes += changed ? 1 : 0;
        // A frame that was not drawn shows the picture before it.
        if (!shots[i].drawn) {
            EXPECT_FALSE(changed) << "frame " << i + 1;
        }
    }
    EXPECT_GE(changes, 5u);
    EXPECT_GE(shots.size() - CountDrawn(shots, 0, shots.size()), 5u);
}
