// The run loop over a long script: every statement is compiled when it is reached and then
// executed, as in a running game. The script is 10,000 lines of assignments, arithmetic, IF /
// ELSE chains and generic builtin calls; one iteration runs it from "MAIN" to its end. The
// counter "statements" is the rate of Run calls (one statement each) per second.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "moa/GxMoaScriptHost.h"
#include "tests/support/GxMoaPackageBuilder.h"

namespace {

std::string MakeSource(int lines)
{
    std::string s = "GLOBAL INGAME a = 0\nGLOBAL INGAME b = 0\nGLOBAL INGAME c = 0\nGLOBAL INGAME d = 0\n*MAIN\n";
    int n = 5;
    const char* const block[] = {
        "a = a + 1",
        "b = a * 2 - 3",
        "IF (a % 3 == 0) {",
        "    c = c + b",
        "} ELSE IF (a % 3 == 1) {",
        "    c = c - 1",
        "} ELSE {",
        "    c = abs(c)",
        "}",
        "d = strlen(\"abc\") + sign(b)",
    };
    while (n < lines) {
        for (const char* line : block) {
            s += line;
            s += '\n';
            ++n;
        }
    }
    return s;
}

void BM_RunScript(benchmark::State& state)
{
    GxMoaPackageBuilder builder;
    if (!builder.AddScript(u"MAIN", MakeSource(10000))) {
        state.SkipWithError(builder.GetErrors().c_str());
        return;
    }
    GxMoaEx program;
    if (!builder.LoadInto(program)) abort();
    program.InitExternVariables();
    GxMoaWorkerEx worker(&program, nullptr);
    worker.CreateScriptEntities();
    GxMoaBuiltinDefault builtins;
    int64_t statements = 0;
    for (auto _ : state) {
        if (!worker.StartAtLabel(u"MAIN", nullptr)) abort();
        while (worker.Run(&builtins)) ++statements;
        if (program.IsErrorStop()) {
            state.SkipWithError("script error");
            return;
        }
    }
    state.counters["statements"] = benchmark::Counter(static_cast<double>(statements), benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_RunScript)->Unit(benchmark::kMillisecond);
