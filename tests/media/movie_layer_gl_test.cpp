// A layer's movie on the GL device, read back: the frame colours of a movie encoded at test time
// appear at the layer's pixels as the injected clock advances, through the slots, the player and
// the main-thread upload the program itself uses.
#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "app/task/GxTaskManage.h"
#include "core/GxLog.h"
#include "graphics/GxGlobalRenderTarget.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsSettings.h"
#include "layer/GxTaskLayer.h"
#include "media/GxMovie.h"
#include "media/GxMoviePlayerFile.h"
#include "media/GxSoundClock.h"
#include "platform/GxDevice.h"
#include "tests/support/GxContentFixture.h"
#include "tests/support/GxMovieWriter.h"
#include "tests/support/GxPackWriter.h"

namespace {

std::atomic<uint64_t> g_Now{1000};
uint64_t FakeClock() { return g_Now.load(); }

// A decode worker held back until the test lets it go: a decoder slower than any frame.
std::mutex g_GateMutex;
std::condition_variable g_GateCv;
bool g_GateOpen = true;

void SetGate(bool open)
{
    {
        std::lock_guard<std::mutex> lock(g_GateMutex);
        g_GateOpen = open;
    }
    g_GateCv.notify_all();
}

bool HeldThreadStart(std::thread& thread, std::function<void()> body, int*)
{
    thread = std::thread([body = std::move(body)] {
        {
            std::unique_lock<std::mutex> lock(g_GateMutex);
            g_GateCv.wait(lock, [] { return g_GateOpen; });
        }
        body();
    });
    return true;
}

// The layer's pixel after a movie update, a layer update and a draw over `under`.
uint32_t DrawnPixel(GxTaskLayer* layer, uint32_t under, uint32_t x, uint32_t y, bool updateMovies = true)
{
    if (updateMovies) GxMovie::Update();
    layer->Update(0, 16000);
    if (!GxGraphics::BeginScene()) return 0;
    GxGraphics::Clear(GXCLEAR_TARGET, under, 1.0f, 0, nullptr);
    layer->Draw(0, 5);
    GxGraphics::EndScene();
    GxPixelImage img;
    if (GxGraphics::GetDevice()->ReadBackBuffer(&img) != GX_OK) return 0;
    return img.At(x, y) & 0xFFFFFF;
}

class MovieLayerGL : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.IsValid());
        GxTestResetFileLayer();
        m_DeviceLogPath = GxGetLogPath(GxLogFile::Device);
        GxSetDeviceLogPath(u"/dev/null");
        GxGetGraphicsSettings().SetStartupValues();
        GxGraphics::SetDirect3DFactory(nullptr);
        ASSERT_TRUE(GxGraphics::Create(nullptr, nullptr, nullptr, nullptr)) << m_Log.Joined();
        GxCreateGlobalRenderTargets();
        m_Root = new GxTaskBase(m_Manager.get());
        g_Now = 1000;
        GxSoundSetClock(FakeClock);
        ASSERT_TRUE(GxMovie::Create());
    }
    void TearDown() override
    {
        m_Manager.reset();
        GxMovie::Release();
        GxSoundSetClock(nullptr);
        ReleaseGlobalRenderTargets();
        GxGraphics::Release();
        GxSetDeviceLogPath(m_DeviceLogPath);
        GxTestResetFileLayer();
    }

    GxTestGameFolder m_Folder;
    GxContentLogCapture m_Log;
    std::u16string m_DeviceLogPath;
    std::unique_ptr<GxTaskManage> m_Manager = std::make_unique<GxTaskManage>();
    GxTaskBase* m_Root = nullptr;
};

}  // namespace

TEST_F(MovieLayerGL, LoadMovieShowsTheFrameColoursAsTimeAdvances)
{
    const std::vector<uint32_t> colors = GxMovieTestColors();
    ASSERT_TRUE(m_Folder.Write("mov/a.mpg", GxWriteTestMovie(GxMovieSpec{64, 48, 25, colors, true})));
    auto* layer = new GxTaskLayer(u"mv", nullptr, 0, m_Root);
    ASSERT_TRUE(layer->LoadMovie(u"mov/a.mpg", 64, 48, 1, 0.0, 0, true, 0)) << m_Log.Joined();
    for (uint32_t k : {0u, 3u, 6u, 9u}) {
        g_Now = 1000 + k * 40 + 20;
        GxMovie::Update();
        layer->Update(0, 16000);
        ASSERT_TRUE(GxGraphics::BeginScene());
        GxGraphics::Clear(GXCLEAR_TARGET, 0xFF000000u, 1.0f, 0, nullptr);
        layer->Draw(0, 5);
        GxGraphics::EndScene();
        GxPixelImage img;
        ASSERT_EQ(GxGraphics::GetDevice()->ReadBackBuffer(&img), GX_OK);
        for (const auto& [x, y] : {std::pair{4u, 4u}, std::pair{32u, 24u}, std::pair{60u, 44u}})
            EXPECT_TRUE(GxMovieColorNear(img.At(x, y) & 0xFFFFFF, colors[k]))
                << std::hex << "frame " << k << " got 0x" << img.At(x, y) << " at " << std::dec << x << "," << y;
        // Outside the movie: the cleared screen.
        EXPECT_EQ(img.At(100, 100) & 0xFFFFFF, 0u);
    }
}

// Until the movie's first frame is in its texture the layer shows nothing of its own (the texture
// holds only its black fill): what lies under it stays. Right after the load, before the slots'
// next update, and on the real clock while the decoder has delivered nothing, which no update
// waits for.
TEST_F(MovieLayerGL, TheLayerShowsWhatIsUnderItUntilTheFirstFrameIsInTheTexture)
{
    const std::vector<uint32_t> colors = GxMovieTestColors();
    ASSERT_TRUE(m_Folder.Write("mov/a.mpg", GxWriteTestMovie(GxMovieSpec{64, 48, 25, colors, false})));
    constexpr uint32_t kUnder = 0x9040B0;
    auto* layer = new GxTaskLayer(u"mv", nullptr, 0, m_Root);

    // The load comes after the slots' update of its frame, as a script command's does.
    ASSERT_TRUE(layer->LoadMovie(u"mov/a.mpg", 64, 48, 1, 0.0, 0, true, 0)) << m_Log.Joined();
    EXPECT_EQ(DrawnPixel(layer, 0xFF000000u | kUnder, 32, 24, false), kUnder) << "the frame of the load";
    ASSERT_TRUE(GxMovieColorNear(DrawnPixel(layer, 0xFF000000u | kUnder, 32, 24), colors[0]));

    // The real clock, with a decoder that has not delivered yet.
    GxMoviePlayerFile::SetThreadStart(HeldThreadStart);
    SetGate(false);
    struct Release
    {
        ~Release()
        {
            SetGate(true);
            GxMoviePlayerFile::SetThreadStart(nullptr);
        }
    } release;
    GxSoundSetClock(nullptr);
    layer->Clear();
    const uint64_t playedAt = GxSoundGetTime();
    ASSERT_TRUE(layer->LoadMovie(u"mov/a.mpg", 64, 48, 1, 0.0, 0, true, 0)) << m_Log.Joined();
    for (int frame = 0; frame < 3; ++frame)
        EXPECT_EQ(DrawnPixel(layer, 0xFF000000u | kUnder, 32, 24), kUnder) << "update " << frame;

    // Let go, and wait for what is due: an installed clock that stands where the real one stood
    // at the start, so the first frame is due.
    g_Now = playedAt;
    GxSoundSetClock(FakeClock);
    SetGate(true);
    const uint32_t shown = DrawnPixel(layer, 0xFF000000u | kUnder, 32, 24);
    EXPECT_TRUE(GxMovieColorNear(shown, colors[0])) << std::hex << shown;
}
