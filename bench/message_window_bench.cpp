// One full page of the message window: 17 lines of 29 full-width characters with ruby groups,
// colour commands and characters under the line-breaking rules. Measured: the layout from
// SetMessage to the end of the text (per placed character), and one draw of the laid-out page
// on the recording device and on GL (EGL headless; the time to issue the draws).
#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_page_text.h"
#include "game/DBUIModule.h"
#include "platform/GxDevice.h"
#include "graphics/GxGraphics.h"
#include "tests/support/GxUIHarness.h"
#include "ui/GxTaskUIWidgets.h"

namespace {

using benchtext::PageText;

GxTaskUIMessageWindowFx* MakeWindow(gxtest::UIHarness& h)
{
    DBUIModuleData m;
    m.ID = 1;
    m.UIType = GxUIModuleType::MessageWindowFx;
    m.FontIndex = 2;
    m.ClientWidth = 800;
    m.ClientHeight = 600;
    auto* w = dynamic_cast<GxTaskUIMessageWindowFx*>(h.CreateFromModule(m, u"$MESWIN", -1));
    h.EnterScreen();
    return w;
}

void Layout(benchmark::State& state)
{
    gxtest::UIHarness h;
    GxTaskUIMessageWindowFx* w = MakeWindow(h);
    if (!h.IsReady() || !w) {
        state.SkipWithError("no stage");
        return;
    }
    const std::u16string text = PageText();
    size_t placed = 0;
    for (auto _ : state) {
        w->SetMessage(text, false, false, false, false);
        w->FlushMessage(true, false);
        placed = w->GetShowCharCount();
        benchmark::DoNotOptimize(placed);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(placed));
    state.counters["chars"] = static_cast<double>(placed);
    state.counters["lines"] = w->GetShowChars().empty() ? 0.0 : w->GetShowChars().back().m_OffsetPos.y / 35.0 + 1.0;
}

void Draw(benchmark::State& state, gxtest::UIDevice device)
{
    gxtest::UIHarness h(device);
    if (!h.IsReady()) {
        state.SkipWithError("no device");
        return;
    }
    h.LoadFonts();
    GxTaskUIMessageWindowFx* w = MakeWindow(h);
    w->SetMessage(PageText(), false, false, false, false);
    w->FlushMessage(true, false);
    h.Frame(0);  // glyphs into the atlas
    for (auto _ : state) {
        GxGraphics::BeginScene();
        w->Draw(0, 5);
        GxGraphics::EndScene();
        state.PauseTiming();
        if (GxDevice* d = GxGraphics::GetDevice()) d->Recorder().Clear();
        state.ResumeTiming();
    }
    state.counters["chars"] = static_cast<double>(w->GetShowCharCount());
}

}  // namespace

BENCHMARK(Layout);
BENCHMARK_CAPTURE(Draw, recording, gxtest::UIDevice::Recording)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Draw, gl, gxtest::UIDevice::GL)->Unit(benchmark::kMicrosecond);
