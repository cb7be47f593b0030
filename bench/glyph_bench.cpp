// Drawing 2,000 characters of Japanese text through the glyph atlas: first with every glyph new
// (rasterised by FreeType into the atlas pages), then with every glyph cached. The cached case
// is measured twice: the lookups with the pen alone, and the engine's own text draw
// (GxGraphics::DrawTextGDIFontMap: lookup, draw matrix, quad, viewport test, blend preset,
// texture and draw call per character), on the recording device (the engine's CPU cost alone)
// and on the GL device headless (what gxplay pays, Mesa's rasteriser included).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "core/GxCharClass.h"
#include "core/GxLog.h"
#include "core/GxString.h"
#include "graphics/GxGDIFontMap.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsSettings.h"
#include "platform/GxDeviceRecording.h"

namespace {

constexpr int kChars = 2000;
constexpr int32_t kFontSize = 24;

// 2,000 different characters: hiragana, katakana and the first kanji.
std::u16string DistinctText()
{
    std::u16string s;
    for (char16_t c = 0x3041; c <= 0x3093 && s.size() < kChars; ++c) s.push_back(c);
    for (char16_t c = 0x30A1; c <= 0x30F6 && s.size() < kChars; ++c) s.push_back(c);
    for (char16_t c = 0x4E00; s.size() < kChars; ++c) s.push_back(c);
    return s;
}

// Story-like text: a sentence of kana and kanji repeated to 2,000 characters.
std::u16string ProseText()
{
    const std::u16string sentence = u"吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。";
    std::u16string s;
    while (s.size() < kChars) s += sentence;
    s.resize(kChars);
    return s;
}

struct Device
{
    explicit Device(bool gl = false)
    {
        // The device's report goes to the temporary folder, not the working folder.
        std::string logs = std::filesystem::temp_directory_path().string();
        GxSetDeviceLogPath(GxUtf8ToWide(logs + "/gx_glyph_bench_device.log"));
        GxSetErrorLogPath(GxUtf8ToWide(logs + "/gx_glyph_bench_error.log"));
        GxGetGraphicsSettings().SetStartupValues();
        if (gl) {
            setenv("GX_HEADLESS", "1", 0);
            GxGraphics::SetDirect3DFactory(nullptr);  // the program's own: GL
        } else {
            GxGraphics::SetDirect3DFactory(
                [](void*) { return GxCreateRecordingDirect3D(GxDefaultRecordingAdapter()); });
        }
        ok = GxGraphics::Create(nullptr, nullptr, nullptr, nullptr);
    }
    ~Device()
    {
        GxGraphics::Release();
        GxGraphics::SetDirect3DFactory(nullptr);
    }
    bool ok = false;
};

void NewGlyphs(benchmark::State& state)
{
    Device device;
    if (!device.ok) {
        state.SkipWithError("no device");
        return;
    }
    const std::u16string text = DistinctText();
    GxGDIFontMap map;
    for (auto _ : state) {
        state.PauseTiming();
        map.SetFont(kFontSize, nullptr);
        state.ResumeTiming();
        int32_t pen = 0;
        for (char16_t c : text) {
            GxGlyphRecord r = map.GetGlyph(c);
            benchmark::DoNotOptimize(r);
            pen += GxGetCharWidth(c) * kFontSize / 2;
        }
        benchmark::DoNotOptimize(pen);
    }
    state.SetItemsProcessed(state.iterations() * kChars);
    state.counters["pages"] = static_cast<double>(map.GetPageCount());
}

void CachedGlyphs(benchmark::State& state, const std::u16string& text)
{
    Device device;
    if (!device.ok) {
        state.SkipWithError("no device");
        return;
    }
    GxGDIFontMap map;
    map.SetFont(kFontSize, nullptr);
    for (char16_t c : text) map.GetGlyph(c);
    for (auto _ : state) {
        int32_t pen = 0;
        float sum = 0;
        for (char16_t c : text) {
            GxGlyphRecord r = map.GetGlyph(c);
            sum += r.uLeft + r.vBottom;
            pen += GxGetCharWidth(c) * kFontSize / 2;
        }
        benchmark::DoNotOptimize(pen);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

// The text in lines of 40 characters, so that every glyph lands on the 1024 x 768 screen and
// none is rejected as outside the viewport.
std::u16string InLines(const std::u16string& text)
{
    std::u16string s;
    for (size_t i = 0; i < text.size(); ++i) {
        if (i > 0 && i % 40 == 0) s.push_back(u'\n');
        s.push_back(text[i]);
    }
    return s;
}

void CachedText(benchmark::State& state, const std::u16string& text, bool gl)
{
    Device device(gl);
    if (!device.ok) {
        state.SkipWithError("no device");
        return;
    }
    GxDevice* d = GxGraphics::GetDevice();
    // The engine's cost, not the test log's: the recording device keeps no call list here.
    d->Recorder().enabled = false;
    GxGDIFontMap map;
    map.SetFont(kFontSize, nullptr);
    for (char16_t c : text) map.GetGlyph(c);
    const std::u16string lines = InLines(text);
    const GxVector2 scale(1.0f, 1.0f);
    d->BeginScene();
    GxGraphics::SetDefaultRenderState();
    GxPixelImage frame;
    for (auto _ : state) {
        GxGraphics::DrawTextGDIFontMap(&map, lines, 0.0f, 0.0f, scale, 0xFFFFFFFFu, 0, 1);
        // The GL device queues the draws; reading the frame back waits for them (and adds the
        // read of one 1024 x 768 picture per 2,000 characters).
        if (gl) d->ReadBackBuffer(&frame);
    }
    d->EndScene();
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

}  // namespace

BENCHMARK(NewGlyphs)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(CachedGlyphs, distinct, DistinctText())->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(CachedGlyphs, prose, ProseText())->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(CachedText, recording_distinct, DistinctText(), false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(CachedText, recording_prose, ProseText(), false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(CachedText, gl_prose, ProseText(), true)->Unit(benchmark::kMicrosecond);
