// Drawing 2,000 characters of Japanese text through the glyph atlas on the recording backend:
// first with every glyph new (rasterised by FreeType into the atlas pages), then with every
// glyph cached (a lookup and a copy of the record per character). The cached case is measured
// twice: the lookups with the pen alone, and with the quad each glyph becomes (four screen
// vertices and one DrawPrimitiveUP on the recording device) as a stand-in for the immediate
// text draw that sits on top of the atlas.
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
    Device()
    {
        // The device's report goes to the temporary folder, not the working folder.
        std::string logs = std::filesystem::temp_directory_path().string();
        GxSetDeviceLogPath(GxUtf8ToWide(logs + "/gx_glyph_bench_device.log"));
        GxSetErrorLogPath(GxUtf8ToWide(logs + "/gx_glyph_bench_error.log"));
        GxGetGraphicsSettings().SetStartupValues();
        GxGraphics::SetDirect3DFactory(
            [](void*) { return GxCreateRecordingDirect3D(GxDefaultRecordingAdapter()); });
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

void CachedQuads(benchmark::State& state, const std::u16string& text)
{
    Device device;
    if (!device.ok) {
        state.SkipWithError("no device");
        return;
    }
    GxDevice* d = GxGraphics::GetDevice();
    GxGDIFontMap map;
    map.SetFont(kFontSize, nullptr);
    for (char16_t c : text) map.GetGlyph(c);
    d->BeginScene();
    d->SetFVF(GXFVF_SCREENVERTEX);
    for (auto _ : state) {
        float x = 0, y = 0;
        for (char16_t c : text) {
            GxGlyphRecord r = map.GetGlyph(c);
            if (r.texture) {
                float w = static_cast<float>(r.width), h = static_cast<float>(r.height);
                GxScreenVertex v[4] = {
                    {x - 0.5f, y - 0.5f, 0, 1, 0xFFFFFFFF, 0, r.uLeft, r.vTop},
                    {x - 0.5f, y + h - 0.5f, 0, 1, 0xFFFFFFFF, 0, r.uLeft, r.vBottom},
                    {x + w - 0.5f, y + h - 0.5f, 0, 1, 0xFFFFFFFF, 0, r.uRight, r.vBottom},
                    {x + w - 0.5f, y - 0.5f, 0, 1, 0xFFFFFFFF, 0, r.uRight, r.vTop},
                };
                d->SetTexture(0, r.texture->GetD3DTexture());
                d->DrawPrimitiveUP(GXPT_TRIANGLEFAN, 2, v, sizeof(GxScreenVertex));
            }
            x += static_cast<float>(GxGetCharWidth(c) * kFontSize / 2);
            if (x > 1000) {
                x = 0;
                y += kFontSize;
            }
        }
    }
    d->EndScene();
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

}  // namespace

BENCHMARK(NewGlyphs)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(CachedGlyphs, distinct, DistinctText())->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(CachedGlyphs, prose, ProseText())->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(CachedQuads, distinct, DistinctText())->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(CachedQuads, prose, ProseText())->Unit(benchmark::kMicrosecond);
