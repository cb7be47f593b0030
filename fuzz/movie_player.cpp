// The movie player as the program drives it, fed from a file: the input becomes a movie file in
// a private folder, opened through the movie slots with the player's own file source, played
// with its sound into the manual mixer on the recording device while the worker decodes, then
// sought, stopped, replayed and closed. The sound clock is an installed one, so the main thread
// waits for what is due and the frame due at every pass of the first 1.2 seconds is shown; a few
// updates on the steady clock at the end take the paths that never wait.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz/input_file_fuzz.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsSettings.h"
#include "media/GxMovie.h"
#include "media/GxMoviePlayerFile.h"
#include "media/GxSoundClock.h"
#include "media/GxTextureMovie.h"
#include "platform/GxDeviceRecording.h"
#include "platform/GxMixer.h"

namespace {

uint64_t g_Now = 1000;
uint64_t FakeClock() { return g_Now; }

GxTextureMovie* g_Texture = nullptr;

bool SetUp()
{
    GxGetGraphicsSettings().SetStartupValues();
    GxGraphics::SetDirect3DFactory([](void*) { return GxCreateRecordingDirect3D(GxDefaultRecordingAdapter()); });
    if (!GxGraphics::Create(nullptr, nullptr, nullptr, nullptr)) return false;
    if (!GxMixer::Open(GxMixerBackendKind::Manual)) return false;
    GxSoundSetClock(FakeClock);
    GxMovie::Create();
    // A small texture of the player's format: the frames are cut to it.
    g_Texture = new GxTextureMovie();
    return g_Texture->Create(u"movie", 64, 64, GXFMT_A8R8G8B8, 0xFF000000u, false);
}

// One long main-loop pass: the clock and the mixer move 50 ms, then the slots update.
void Pass()
{
    static std::vector<int16_t> mix(2205 * 2);
    g_Now += 50;
    GxMixer::Get()->Render(mix.data(), 2205);
    GxMovie::Update();
    const double pos = GxMovie::GetPosition(0);
    if (!std::isfinite(pos) || pos < 0.0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = SetUp();
    if (!ready || !gxfuzz::WriteInputFile("movie.mpg", data, size)) return 0;
    g_Now = 1000;
    // Both ways of opening: with the sound into the mixer, and without.
    const bool renderAll = size % 2 == 0;
    if (!GxMovie::Open(0, u"movie.mpg", g_Texture, renderAll, false)) {
        if (GxMovie::Play(0, 0, 0)) std::abort();
        GxMovie::Close(0);
        return 0;
    }
    GxMoviePlayerFile* player = GxMovie::GetPlayer(0);
    if (!player || player->GetVideoWidth() == 0 || player->GetVideoHeight() == 0) std::abort();
    // Huge pictures decode for seconds each: their reading is the probe target's.
    if (player->GetVideoWidth() * player->GetVideoHeight() > 512u * 512u) {
        GxMovie::Close(0);
        return 0;
    }
    GxMovie::SetLoopStart(0, 0.1);
    if (!GxMovie::Play(0, 1, -600)) std::abort();
    for (int i = 0; i < 24; ++i) {
        Pass();
        if (i == 8) GxMovie::SetPosition(0, player->GetDuration() / 2);
        if (i == 16) {
            GxMovie::Stop(0);
            GxMovie::SetPosition(0, 0.0);
            Pass();
            GxMovie::Play(0, 0, 0);
        }
    }
    // The steady clock: nothing waits for the worker any more.
    GxSoundSetClock(nullptr);
    for (int i = 0; i < 3; ++i) Pass();
    GxSoundSetClock(FakeClock);
    GxMovie::Close(0);
    return 0;
}
