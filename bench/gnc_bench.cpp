// Motion-project loading: a project of 200 layers holding 2,000 keys in all (ten per layer over
// eight tracks, a tree of 20 parents with 9 children each), read from memory in the binary and
// the text form, and loaded from a file through the project factory (file read, reading, tree
// and name linking). Reports the time per load and the bytes read per second.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "core/GxBinBuffer.h"
#include "core/GxLog.h"
#include "core/GxString.h"
#include "layer/GxNcFactory.h"
#include "layer/GxNcProject.h"
#include "tests/support/GxContentFixture.h"
#include "tests/support/GxNcWriter.h"

namespace {

constexpr int kLayers = 200;

void BuildProject(GxNcProject& p)
{
    p.m_ProjectName = u"bench";
    GxNcMotion& m = GxNcAddMotion(GxNcAddMotionGroup(p, u"chara"), u"idle", 2000);
    GxNcLayerNode* parent = nullptr;
    for (int i = 0; i < kLayers; ++i) {
        GxNcLayer& l = GxNcAddLayer(m, u"layer_" + GxIntToString(i));
        l.m_LayerID = static_cast<uint32_t>(i);
        GxNcImageKey ik;
        ik.m_ImageSetName = u"chara.gis";
        ik.m_ImageFileName = u"part.png";
        ik.m_PatternIndex = i % 4;
        l.m_ImageTrack.push_back(ik);
        for (int k = 0; k < 2; ++k) {
            float f = static_cast<float>(i * 3 + k);
            l.m_PositionTrack.push_back({k * 500, GxVector4(f, -f, 0.0f, 0.0f), 2, 2.0f, 0.0f, 0});
            l.m_ScaleTrack.push_back({k * 700, GxVector4(1.0f, 1.0f + f / 100.0f, 1.0f, 0.0f), 1, 0.0f, 0.0f, 0});
        }
        l.m_RotationTrack.push_back({0, GxVector4(0.0f, 0.0f, static_cast<float>(i), 0.0f), 1, 0.0f, 0.0f, 0});
        l.m_AlphaTrack.push_back({100, 0.5f, 1, 0.0f, 0.0f, 0});
        l.m_VisibleTrack.push_back({0, 1, 0, 0.0f, 0.0f, 0});
        GxNcVertexKey vk;
        for (int v = 0; v < kGxNcVertexCount; ++v) vk.m_Value[v] = GxVector4(1.0f, 1.0f, 1.0f, 1.0f);
        l.m_VertexOffsetTrack.push_back(vk);
        l.m_VertexColorTrack.push_back(vk);
    }
    for (int i = 0; i < kLayers; ++i) {
        const std::u16string& name = m.m_LayerList[static_cast<size_t>(i)]->m_LayerName;
        if (i % 10 == 0) {
            parent = GxNcAddTreeNode(m, nullptr, name);
        } else {
            GxNcAddTreeNode(m, parent, name);
        }
    }
}

const std::string& Bytes(GxContentForm form)
{
    static const std::string binary = [] {
        GxNcProjectEx p;
        BuildProject(p);
        return GxNcProjectToBytes(p, GxContentForm::Binary);
    }();
    static const std::string text = [] {
        GxNcProjectEx p;
        BuildProject(p);
        return GxNcProjectToBytes(p, GxContentForm::Text);
    }();
    return form == GxContentForm::Binary ? binary : text;
}

void ReadFromMemory(benchmark::State& state, GxContentForm form)
{
    GxSetErrorLogPath(u"/dev/null");
    GxBinBuffer buffer;
    GxContentFillBuffer(buffer, Bytes(form));
    for (auto _ : state) {
        GxNcProjectEx project;
        if (!project.ReadFromBuffer(buffer)) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(project.m_MotionGroupList.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * buffer.GetSize());
    state.counters["bytes"] = static_cast<double>(buffer.GetSize());
}

void BM_GncReadBinary(benchmark::State& state) { ReadFromMemory(state, GxContentForm::Binary); }
void BM_GncReadText(benchmark::State& state) { ReadFromMemory(state, GxContentForm::Text); }

void BM_GncFactoryLoadBinary(benchmark::State& state)
{
    GxSetErrorLogPath(u"/dev/null");
    GxSetSkipSlightError(true);  // the image set is not there: its messages are not what is measured
    char pattern[] = "/tmp/gnc_bench_XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (!dir) {
        state.SkipWithError("no temporary folder");
        return;
    }
    std::string path = std::string(dir) + "/bench.gnc";
    GxNcWriteFileBytes(path, Bytes(GxContentForm::Binary));
    std::u16string name(path.begin(), path.end());
    GxNcProjectFactory& factory = GxGetNcProjectFactory();
    for (auto _ : state) {
        GxNcProjectEx* project = factory.Get(name, u"", false);
        if (!project) state.SkipWithError("load failed");
        factory.Release(project);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(Bytes(GxContentForm::Binary).size()));
    GxSetSkipSlightError(false);
    std::filesystem::remove_all(dir);
}

BENCHMARK(BM_GncReadBinary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GncReadText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GncFactoryLoadBinary)->Unit(benchmark::kMillisecond);

}  // namespace
