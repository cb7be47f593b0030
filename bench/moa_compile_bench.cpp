// The expression compiler: every statement is compiled each time a script reaches it, so this
// is a per-step cost of every running script. Each iteration compiles one statement into a
// list that is emptied, not freed, between statements, as the executor does.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "moa/GxMoa.h"
#include "moa/GxMoaCompiler.h"
#include "tests/support/GxMoaPackageBuilder.h"

namespace {

struct Fixture
{
    explicit Fixture(const char16_t* statement)
    {
        GxMoaPackageBuilder builder;
        builder.AddBuiltin(u"msg", 310);
        std::vector<GxMoaToken> tokens;
        if (!builder.LexLine(statement, tokens)) abort();
        auto s = std::make_unique<GxMoaScript>(&program);
        s->m_ScriptName = u"BENCH";
        s->m_Lines.resize(1);
        s->m_Lines[0].m_Tokens = std::move(tokens);
        script = s.get();
        program.AddScript(std::move(s));
        list.reserve(16);
    }

    GxMoa program;
    GxMoaScript* script = nullptr;
    GxMoaOpcodeList list;
};

void Run(benchmark::State& state, const char16_t* statement)
{
    Fixture f(statement);
    for (auto _ : state) {
        f.list.clear();
        GxMoaRunPos end;
        if (!GxMoaCompiler::Phase_Expr(f.script, f.list, GxMoaRunPos(0, 0), end, 0)) state.SkipWithError("refused");
        benchmark::DoNotOptimize(f.list.data());
    }
    state.counters["entries"] = static_cast<double>(f.list.size());
}

void BM_Arithmetic(benchmark::State& state) { Run(state, u"1 + 2 * 3 - 4 / 5 << 1 == 9"); }
void BM_Assignment(benchmark::State& state) { Run(state, u"x = a + b * 2"); }
void BM_Call(benchmark::State& state) { Run(state, u"msg(\"ルコ\", \"こんにちは、今日もいい天気ですね。\", 0, voice)"); }
void BM_ArrayElement(benchmark::State& state) { Run(state, u"flags[(n + 1)] += items[i] * 2 && ARRAY(1, 2, 3)"); }

}  // namespace

BENCHMARK(BM_Arithmetic);
BENCHMARK(BM_Assignment);
BENCHMARK(BM_Call);
BENCHMARK(BM_ArrayElement);
