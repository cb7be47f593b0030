// One frame of a motion of 100 layers: every layer's tracks evaluated, the layer tree combined
// and the vertices built (GxNcMotionSnapShotEx::Create), with no drawing. Each layer has a few
// keys on every track, changing interpolation modes, a pattern and a place in a tree four
// levels deep. Target: under 50 us per frame (the reported time per iteration, in us).
#include <benchmark/benchmark.h>

#include <string>

#include "layer/GxNcEvaluate.h"
#include "layer/GxNcImageSet.h"
#include "layer/GxNcSnapshot.h"
#include "tests/support/GxNcWriter.h"

namespace {

constexpr int kLayers = 100;
constexpr int kKeys = 8;
constexpr int32_t kLength = 2000;

template <typename Key>
void AddKeys(GxNcKeyTrack<Key>& track, int seed, void (*set)(Key&, float))
{
    for (int k = 0; k < kKeys; ++k) {
        Key key;
        key.m_Time = k * (kLength / kKeys);
        key.m_InterMode = static_cast<uint32_t>((k + seed) % 5);
        key.m_InterParam0 = 0.1f * static_cast<float>((k + seed) % 7) - 0.3f;
        set(key, static_cast<float>((k * 37 + seed * 11) % 100));
        track.push_back(key);
    }
}

struct Fixture
{
    GxNcMotion motion;
    GxNcCrammedImage page;
    GxNcOriginImage image;

    Fixture()
    {
        motion.m_EndTime = kLength;
        image.m_FileName = u"img";
        GxNcAddPattern(image, 0, 0, 0, 64, 64, 0, 0).m_pCrammedImage = &page;
        GxNcLayerNode* parents[4] = {};
        for (int i = 0; i < kLayers; ++i) {
            const std::u16string name = u"layer" + std::u16string(1, char16_t(u'A' + i / 26)) +
                                        std::u16string(1, char16_t(u'a' + i % 26));
            GxNcLayer& l = GxNcAddLayer(motion, name);
            l.m_LoopMode = static_cast<uint32_t>(i % 3);
            l.m_LastTime = 1500;
            GxNcImageKey key;
            key.m_ImageSetName = u"set.gis";
            key.m_pOriginImage = &image;
            l.m_ImageTrack = {key};
            AddKeys<GxNcVector4Key>(l.m_PositionTrack, i, [](GxNcVector4Key& k, float v) { k.m_Value = GxVector4(v, v * 2, 0, 0); });
            AddKeys<GxNcVector4Key>(l.m_ScaleTrack, i + 1, [](GxNcVector4Key& k, float v) { k.m_Value = GxVector4(1 + v / 100, 1, 1, 0); });
            AddKeys<GxNcVector4Key>(l.m_RotationTrack, i + 2, [](GxNcVector4Key& k, float v) { k.m_Value = GxVector4(0, 0, v * 3.6f, 0); });
            AddKeys<GxNcVector4Key>(l.m_CenterTrack, i + 3, [](GxNcVector4Key& k, float v) { k.m_Value = GxVector4(v / 10, v / 10, 0, 0); });
            AddKeys<GxNcVector2Key>(l.m_Scale2DTrack, i, [](GxNcVector2Key& k, float v) { k.m_Value = GxVector2(1 + v / 200, 1); });
            AddKeys<GxNcFloatKey>(l.m_AlphaTrack, i, [](GxNcFloatKey& k, float v) { k.m_Value = v / 100; });
            AddKeys<GxNcUIntKey>(l.m_VisibleTrack, i, [](GxNcUIntKey& k, float v) { k.m_Value = v > 10 ? 1u : 0u; });
            AddKeys<GxNcVertexKey>(l.m_VertexOffsetTrack, i, [](GxNcVertexKey& k, float v) {
                for (auto& x : k.m_Value) x = GxVector4(v / 50, -v / 50, 0, 0);
            });
            AddKeys<GxNcVertexKey>(l.m_VertexColorTrack, i, [](GxNcVertexKey& k, float v) {
                for (auto& x : k.m_Value) x = GxVector4(1, v / 100, 1, 1);
            });
            // A tree four levels deep: every fifth layer starts a new chain at the top.
            const int depth = i % 4;
            GxNcLayerNode* node = GxNcAddTreeNode(motion, depth == 0 ? nullptr : parents[depth - 1], name);
            parents[depth] = node;
        }
    }
};

void BM_NcMotionFrame100Layers(benchmark::State& state)
{
    Fixture f;
    GxNcMotionSnapShotEx snapshot;
    GxMatrix base;
    base.SetTranslation(512, 384, 0);
    int32_t t = 0;
    for (auto _ : state) {
        snapshot.Create(nullptr, &f.motion, t, GxVector4(), &base, 1.0f, GxFColor(1, 1, 1, 1), 4, nullptr);
        benchmark::DoNotOptimize(snapshot.GetLayerSnapShot(kLayers - 1)->m_Vertex[0]);
        t = (t + 17) % kLength;
    }
}
BENCHMARK(BM_NcMotionFrame100Layers)->Unit(benchmark::kMicrosecond);

}  // namespace
