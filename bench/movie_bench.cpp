// Frame times while the demo's movie plays, paced by the frame timer on headless GL, against the
// same frames without a movie. A full-screen picture layer is drawn every frame; a movie layer of
// the movie's size goes over it, through the layer, the movie slots and the player the program
// uses, with the mixer on SDL's dummy driver (it consumes the sound in real time, as a device
// does) and the movie clock on the real clock.
//
// Three kinds of round alternate, so that a loaded machine slows them alike: no movie (as many
// frames as the movie lasts), the movie without its sound track (the demo's movie when it has
// none, else the same file with the sound left out) and the movie with one (the demo's movie
// when it has one, else a movie of the same size and frame count with a tone, encoded here).
// A round's frames run from the frame that starts the movie (where a task's update would, after
// the slots' update) to the one that sees it end. One movie is played first and left out: what
// only the first movie of a process costs (the GL driver's first texture of its size).
//
// Printed: median, 99th percentile and maximum of the frame interval (one WaitFrame to the next)
// and of the frame's own work (movie update, walks, draw, present, glFinish) for each kind, and
// how far each movie kind's p99 and maximum lie above the no-movie ones (target: at most 20 ms).
// Run: LP_NUM_THREADS=2 build/bench_movie_bench (the demo's movie is found beside the build folder, or
// named by GX_DEMO_MOVIE).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/task/GxTaskManage.h"
#include "bench/bench_series.h"
#include "core/GxFrameTimer.h"
#include "graphics/GxGraphics.h"
#include "layer/GxLayerContent.h"
#include "layer/GxTaskLayer.h"
#include "media/GxMovie.h"
#include "media/GxTextureMovie.h"
#include "platform/GxDevice.h"
#include "platform/GxMixer.h"
#include "platform/GxMovieDecoder.h"
#include "platform/gl/GxGLDevice.h"
#include "tests/support/GxMovieWriter.h"
#include "tests/support/GxUIHarness.h"

namespace {

constexpr int kRounds = 12;
constexpr int kLeadFrames = 30;   // settle before each round
constexpr int kMaxMovieFrames = 60 * 30;
constexpr double kTargetMs = 20.0;

using Clock = std::chrono::steady_clock;
double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

using benchstats::Series;

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The demo's movie: GX_DEMO_MOVIE when set, else beside the build folder (build/../demo), else
// under the current folder.
std::filesystem::path DemoMovie()
{
    if (const char* path = std::getenv("GX_DEMO_MOVIE")) return path;
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::filesystem::path beside = exe.parent_path().parent_path() / "demo/movies/demo.mpg";
    if (!ec && std::filesystem::exists(beside)) return beside;
    return "demo/movies/demo.mpg";
}

// What the decoder says of a movie in memory.
struct MovieFacts
{
    bool ok = false;
    uint32_t width = 0, height = 0;
    bool sound = false;
    int frames = 0;
};

MovieFacts Probe(const std::vector<uint8_t>& bytes)
{
    struct Memory
    {
        const std::vector<uint8_t>* bytes;
        int64_t pos = 0;
        static int32_t Read(void* o, uint8_t* b, int32_t n)
        {
            auto* m = static_cast<Memory*>(o);
            const int64_t k = std::min<int64_t>(n, static_cast<int64_t>(m->bytes->size()) - m->pos);
            if (k <= 0) return 0;
            std::copy_n(m->bytes->data() + m->pos, k, b);
            m->pos += k;
            return static_cast<int32_t>(k);
        }
        static int64_t Seek(void* o, int64_t off, int whence)
        {
            auto* m = static_cast<Memory*>(o);
            const int64_t size = static_cast<int64_t>(m->bytes->size());
            const int64_t t = (whence == 0 ? 0 : whence == 1 ? m->pos : size) + off;
            if (t < 0 || t > size) return -1;
            return m->pos = t;
        }
        static int64_t Size(void* o) { return static_cast<int64_t>(static_cast<Memory*>(o)->bytes->size()); }
    } memory{&bytes};
    MovieFacts f;
    GxMovieDecoder d;
    uint32_t code = 0;
    if (!d.Open(GxMovieIo{&memory, Memory::Read, Memory::Seek, Memory::Size}, true, &code)) return f;
    f.ok = true;
    f.width = d.GetWidth();
    f.height = d.GetHeight();
    f.sound = d.HasAudio();
    d.SkipAudio();
    GxMovieVideoFrame v;
    while (d.NextVideo(v) == GxMovieDecoder::Result::Video) ++f.frames;
    return f;
}

enum Kind
{
    kNone,
    kSilent,
    kSound,
    kKinds
};
const char* const kKindNames[kKinds] = {"no movie", "movie, no sound", "movie with sound"};

class Stage
{
public:
    Stage() : h(gxtest::UIDevice::GL) {}

    bool Make(std::string* error)
    {
        if (!h.IsReady()) return Fail(error, "no GL device");
        const std::vector<uint8_t> demo = ReadBytes(DemoMovie());
        facts = Probe(demo);
        if (!facts.ok) return Fail(error, "the demo's movie does not open");
        std::vector<uint8_t> withSound = demo;
        if (!facts.sound) {
            GxMovieSpec spec;
            spec.width = facts.width;
            spec.height = facts.height;
            spec.fps = 25;
            for (int i = 0; i < facts.frames; ++i) spec.colors.push_back(GxMovieTestColors()[i % 10]);
            spec.sound = true;
            withSound = GxWriteTestMovie(spec);
            if (withSound.empty()) return Fail(error, "could not encode the movie with sound");
        }
        if (!h.Folder().Write("movies/silent.mpg", demo) || !h.Folder().Write("movies/sound.mpg", withSound))
            return Fail(error, "could not write the movies");
        if (!h.WritePicture("cg/bg.png", gxtest::MakeTestPicture(1024, 768, false, 7)))
            return Fail(error, "could not write the background");
        if (!GxMixer::Open(GxMixerBackendKind::Dummy)) return Fail(error, "no mixer");
        if (!GxMovie::Create()) return Fail(error, "no movie slots");
        h.EnterScreen();
        bg = new GxTaskLayer(u"bg", nullptr, 0, h.Screen());
        if (!bg->LoadImage(u"cg/bg.png", 0)) return Fail(error, "no background layer");
        movie = new GxTaskLayer(u"mv", nullptr, 0, h.Screen());
        movie->SetOrderZ(1.0f);
        return true;
    }
    ~Stage()
    {
        GxMovie::Release();
        GxMixer::Close();
    }

    // One paced frame: its interval since the last one and its work, in ms. start (when given)
    // runs where a task's update would start the movie: after the slots' update.
    bool Frame(double* interval, double* work, Kind start = kNone)
    {
        *interval = static_cast<double>(timer.WaitFrame()) / 1000.0;
        const auto t0 = Clock::now();
        GxMovie::Update();
        const bool started = start == kNone || StartMovie(start);
        h.Frame(16);
        Context()->GL().glFinish();
        *work = Ms(t0, Clock::now());
        return started;
    }

    bool StartMovie(Kind kind)
    {
        const char16_t* name = kind == kSound ? u"movies/sound.mpg" : u"movies/silent.mpg";
        // The layer makes the texture; the slot is opened here so that the sound can be left out.
        if (!movie->LoadMovie(name, static_cast<int32_t>(facts.width), static_cast<int32_t>(facts.height), 1, 0.0, 0,
                              false, 0))
            return false;
        GxLayerContent* c = movie->GetCurrentContent();
        auto* texture = dynamic_cast<GxTextureMovie*>(c->m_pTexture.get());
        slot = c->m_MyChannel;
        return texture && GxMovie::Open(slot, name, texture, kind == kSound, false) && GxMovie::Play(slot, 0, 0);
    }
    bool MoviePlaying() const { return GxMovie::IsPlaying(slot); }
    void StopMovie() { movie->LoadSolidColor(0x00000000u, 0); }

    GxGLContext* Context()
    {
        auto* d3d = dynamic_cast<GxGLDirect3D*>(GxGraphics::GetDirect3D());
        return &d3d->Context();
    }

    gxtest::UIHarness h;
    GxFrameTimer timer;
    MovieFacts facts;
    GxTaskLayer* bg = nullptr;
    GxTaskLayer* movie = nullptr;
    uint32_t slot = 0;

private:
    static bool Fail(std::string* error, const char* what)
    {
        *error = what;
        return false;
    }
};

void BM_MovieFrames(benchmark::State& state)
{
    Stage stage;
    std::string error;
    if (!stage.Make(&error) || !stage.Context()) {
        state.SkipWithError(("stage: " + error).c_str());
        return;
    }
    Series interval[kKinds], work[kKinds];
    int refused = 0;
    int movieFrames = 60;
    double a, b;
    // One round of a movie: its frames from the one that starts it to the one that sees it end.
    auto playMovie = [&](Kind kind, Series* intervals, Series* works) {
        for (int i = 0; i < kLeadFrames; ++i) stage.Frame(&a, &b);
        bool started = stage.Frame(&a, &b, kind);
        int n = 1;
        for (;;) {
            if (intervals) intervals->v.push_back(a);
            if (works) works->v.push_back(b);
            if (!started || !stage.MoviePlaying() || n >= kMaxMovieFrames) break;
            stage.Frame(&a, &b);
            ++n;
        }
        refused += !started;
        stage.StopMovie();
        return n;
    };
    // What only the first movie of the process costs (the codec libraries were loaded by the
    // probe above; the GL driver's first texture of the size) is not part of the rounds.
    const auto first0 = Clock::now();
    playMovie(kSound, nullptr, nullptr);
    const double firstMs = Ms(first0, Clock::now());
    for (auto _ : state) {
        for (int round = 0; round < kRounds; ++round) {
            for (int k = 0; k < kKinds; ++k) {
                const Kind kind = static_cast<Kind>(k);
                if (kind != kNone) {
                    movieFrames = playMovie(kind, &interval[k], &work[k]);
                    continue;
                }
                // As many frames as the last movie round lasted.
                for (int i = 0; i < kLeadFrames; ++i) stage.Frame(&a, &b);
                for (int i = 0; i < movieFrames; ++i) {
                    stage.Frame(&a, &b);
                    interval[k].v.push_back(a);
                    work[k].v.push_back(b);
                }
            }
        }
    }
    std::printf("\nmovie: %ux%u, %d frames, sound track in the demo's movie: %s; %d rounds, %s\n", stage.facts.width,
                stage.facts.height, stage.facts.frames, stage.facts.sound ? "yes" : "no (one encoded here)", kRounds,
                refused ? "SOME MOVIES DID NOT START" : "every movie started");
    std::printf("the first movie of the process (not in the rounds): %.0f ms of frames\n", firstMs);
    std::printf("%-18s %7s | %9s %9s %9s | %9s %9s %9s\n", "ms", "frames", "int. med", "int. p99", "int. max",
                "work med", "work p99", "work max");
    for (int k = 0; k < kKinds; ++k)
        std::printf("%-18s %7zu | %9.2f %9.2f %9.2f | %9.2f %9.2f %9.2f\n", kKindNames[k], interval[k].v.size(),
                    interval[k].Quantile(0.5), interval[k].Quantile(0.99), interval[k].Max(), work[k].Quantile(0.5),
                    work[k].Quantile(0.99), work[k].Max());
    for (int k = kSilent; k < kKinds; ++k) {
        const double p99 = interval[k].Quantile(0.99) - interval[kNone].Quantile(0.99);
        const double max = interval[k].Max() - interval[kNone].Max();
        std::printf("%s over no movie: p99 %+.2f ms, max %+.2f ms (target <= %.0f ms: %s)\n", kKindNames[k], p99, max,
                    kTargetMs, p99 <= kTargetMs && max <= kTargetMs ? "met" : "MISSED");
    }
    std::printf("\n");
    for (int k = 0; k < kKinds; ++k) {
        const std::string key = k == kNone ? "none" : k == kSilent ? "silent" : "sound";
        state.counters[key + "_med_ms"] = interval[k].Quantile(0.5);
        state.counters[key + "_p99_ms"] = interval[k].Quantile(0.99);
        state.counters[key + "_max_ms"] = interval[k].Max();
    }
}
BENCHMARK(BM_MovieFrames)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
