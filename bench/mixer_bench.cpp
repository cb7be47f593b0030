// The software mixer: one second of 44100 Hz stereo output mixed from 1, 8 and 32 looping
// streaming rings (44100 Hz 16-bit stereo, one of them 22050 Hz 16-bit mono so that the
// resampling path is in the mix), with gain and pan set. Reports ns per voice per output frame.
// Target: 32 voices mix one second in under 20 ms on one core.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "platform/GxMixer.h"
#include "tests/support/GxMixerFixture.h"

namespace {

void BM_MixOneSecond(benchmark::State& state)
{
    const int voices = int(state.range(0));
    GxMixer mixer(false);
    std::vector<std::shared_ptr<GxMixerVoice>> held;
    for (int i = 0; i < voices; ++i) {
        const bool mono = i == 0 && voices > 1;
        const GxMixerFormat format{uint16_t(mono ? 1 : 2), 16, mono ? 22050u : 44100u};
        // A ring of 16 quarter-second segments, as the streaming buffers make.
        const uint32_t frames = format.rate * 4;
        const std::vector<uint8_t> pcm = GxRampPcm(frames, format.channels, 16);
        auto voice = mixer.CreateVoice(format, uint32_t(pcm.size()));
        uint8_t* p = voice->Lock(0, uint32_t(pcm.size()));
        std::memcpy(p, pcm.data(), pcm.size());
        voice->Unlock();
        voice->SetVolume(-600 - 10 * i);
        voice->SetPan((i % 5 - 2) * 1000);
        voice->Play(true);
        held.push_back(voice);
    }
    std::vector<int16_t> out(2 * kGxMixerRate);
    for (auto _ : state) {
        mixer.Render(out.data(), kGxMixerRate);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["per_voice_frame"] = benchmark::Counter(
        double(voices) * kGxMixerRate * double(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(BM_MixOneSecond)->Arg(1)->Arg(8)->Arg(32)->Unit(benchmark::kMillisecond);
