#include "media/GxSoundHarness.h"

#include <atomic>
#include <memory>
#include <mutex>

#include "media/GxSoundClock.h"

namespace {

std::mutex g_Mutex;
std::unique_ptr<GxMixerCapture> g_Capture;
std::atomic<uint64_t> g_Frames{0};
bool g_ClockInstalled = false;
bool g_Headless = false;

// Frame n starts at n x 1000 / 60 ms (never 0: the clock's 0 means "never").
uint64_t FrameClock() { return g_Frames.load(std::memory_order_relaxed) * 1000 / 60 + 1; }

}  // namespace

GxSoundHarnessOptions GxSoundHarness::FromEnvironment(bool headless, bool unpaced)
{
    GxSoundHarnessOptions options;
    options.headless = headless;
    options.unpaced = unpaced;
    options.capturePath = GxMixerCapture::PathFromEnvironment(headless);
    return options;
}

void GxSoundHarness::Begin(const GxSoundHarnessOptions& options)
{
    std::lock_guard<std::mutex> lock(g_Mutex);
    g_Frames = 0;
    g_Headless = options.headless;
    // An unpaced run mixes each frame's share as a capture does, and keeps it only when asked:
    // a device would play in real time, so sounds would end by the machine's speed, not the frames.
    g_Capture = options.capturePath.empty() && !options.unpaced ? nullptr
                                                                : std::make_unique<GxMixerCapture>(options.capturePath);
    g_ClockInstalled = options.unpaced;
    if (options.unpaced) GxSoundSetClock(FrameClock);
}

GxMixerBackendKind GxSoundHarness::Backend()
{
    std::lock_guard<std::mutex> lock(g_Mutex);
    if (g_Capture) return GxMixerBackendKind::Manual;
    return g_Headless ? GxMixerBackendKind::Dummy : GxMixerBackendKind::Auto;
}

void GxSoundHarness::Frame()
{
    std::lock_guard<std::mutex> lock(g_Mutex);
    g_Frames.fetch_add(1, std::memory_order_relaxed);
    if (g_Capture) g_Capture->PullFrame();
}

bool GxSoundHarness::End()
{
    std::lock_guard<std::mutex> lock(g_Mutex);
    const bool ok = !g_Capture || g_Capture->Write();
    g_Capture.reset();
    if (g_ClockInstalled) GxSoundSetClock(nullptr);
    g_ClockInstalled = false;
    g_Headless = false;
    return ok;
}
