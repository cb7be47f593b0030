// Operators on script values: the per-operation cost that every script expression pays.
// Each iteration runs a fixed mix of one million operator applications; the counters give the
// time per operation.
#include <benchmark/benchmark.h>

#include <vector>

#include "moa/GxMoaVariable.h"

namespace {

constexpr int kOps = 1000000;

GxMoaVariable MakeInt(int64_t v)
{
    GxMoaVariable r;
    r.SetInt64(v);
    return r;
}
GxMoaVariable MakeFloat(double v)
{
    GxMoaVariable r;
    r.SetFloat(v);
    return r;
}
GxMoaVariable MakeStr(std::u16string_view v)
{
    GxMoaVariable r;
    r.SetString(v);
    return r;
}

void BM_IntAdd(benchmark::State& state)
{
    GxMoaVariable acc = MakeInt(0);
    const GxMoaVariable one = MakeInt(1);
    for (auto _ : state) {
        for (int i = 0; i < kOps; ++i) {
            GxMoaVariable r = acc + one;
            acc = std::move(r);
        }
        benchmark::DoNotOptimize(acc);
    }
    state.counters["ns_per_op"] =
        benchmark::Counter(double(kOps), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_IntAdd)->Unit(benchmark::kMillisecond);

void BM_FloatMul(benchmark::State& state)
{
    GxMoaVariable acc = MakeFloat(1.0);
    const GxMoaVariable k = MakeFloat(1.0000001);
    for (auto _ : state) {
        for (int i = 0; i < kOps; ++i) {
            GxMoaVariable r = acc * k;
            acc = std::move(r);
        }
        benchmark::DoNotOptimize(acc);
    }
    state.counters["ns_per_op"] =
        benchmark::Counter(double(kOps), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_FloatMul)->Unit(benchmark::kMillisecond);

void BM_IntCompare(benchmark::State& state)
{
    const GxMoaVariable a = MakeInt(5);
    const GxMoaVariable b = MakeInt(7);
    const GxMoaVariable f = MakeFloat(6.5);
    for (auto _ : state) {
        int64_t n = 0;
        for (int i = 0; i < kOps / 2; ++i) {
            n += a < b;
            n += a == f;
        }
        benchmark::DoNotOptimize(n);
    }
    state.counters["ns_per_op"] =
        benchmark::Counter(double(kOps), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_IntCompare)->Unit(benchmark::kMillisecond);

void BM_StrConcat(benchmark::State& state)
{
    const GxMoaVariable a = MakeStr(u"name");
    const GxMoaVariable b = MakeInt(42);
    for (auto _ : state) {
        for (int i = 0; i < kOps; ++i) {
            GxMoaVariable r = GxMoaConcat(a, b);
            benchmark::DoNotOptimize(r);
        }
    }
    state.counters["ns_per_op"] =
        benchmark::Counter(double(kOps), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_StrConcat)->Unit(benchmark::kMillisecond);

// The mix a script line produces: Int "+", Float "*", Str ":" and comparisons, in-place and
// plain, over values held in a small variable table.
void BM_Mixed(benchmark::State& state)
{
    std::vector<GxMoaVariable> vars;
    vars.push_back(MakeInt(1));
    vars.push_back(MakeFloat(1.5));
    vars.push_back(MakeStr(u"abc"));
    vars.push_back(MakeInt(-3));
    const GxMoaVariable one = MakeInt(1);
    const GxMoaVariable half = MakeFloat(0.999999);
    const GxMoaVariable suffix = MakeStr(u"x");
    for (auto _ : state) {
        int64_t truths = 0;
        for (int i = 0; i < kOps / 8; ++i) {
            GxMoaVariable s = vars[0] + one;        // Int +
            vars[0] += one;                         // Int += (in place)
            GxMoaVariable p = vars[1] * half;       // Float *
            vars[1] *= half;                        // Float *= (in place)
            GxMoaVariable c = GxMoaConcat(vars[2], suffix);  // Str :
            truths += s < vars[3];                  // Int <
            truths += p == vars[1];                 // Float ==
            truths += c != vars[2];                 // Str !=
            benchmark::DoNotOptimize(c);
        }
        benchmark::DoNotOptimize(truths);
    }
    state.counters["ns_per_op"] =
        benchmark::Counter(double(kOps), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Mixed)->Unit(benchmark::kMillisecond);

}  // namespace
