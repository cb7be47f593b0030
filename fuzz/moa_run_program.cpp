// Fuzz target: a compiled script package from arbitrary bytes, run. Whatever reads is started
// at each of its first labels and executed for a bounded number of statements with the generic
// builtins (the one that writes a file is left out), so that the executor, the expression
// evaluation and the jumps meet damaged token streams, not only the reader.
#include <cstddef>
#include <cstdint>

#include "core/GxContentReader.h"
#include "core/GxLog.h"
#include "fuzz/moa_fuzz.h"
#include "moa/GxMoa.h"
#include "moa/GxMoaWorker.h"

namespace {

// Statements per start, and starts per input: an input stays far below CI's time per input.
constexpr int kStatements = 2000;
constexpr int kStarts = 4;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    GxSetErrorLogPath(u"/dev/null");
    GxSetDebugLogPath(u"/dev/null");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    GxMoa program;
    GxContentBinaryReader reader(data, static_cast<uint32_t>(size));
    program.ReadProgram(reader);

    // Declared array sizes are the package's to choose; keep the variables small here.
    for (const GxMoaVariableDefinition& d : program.m_VariableDefine)
        if (d.m_ArraySize > 4096) return 0;
    if (program.m_VariableDefine.size() > 256) return 0;
    program.InitExternVariables();

    GxMoaWorker worker(&program);
    worker.CreateScriptEntities();
    gxfuzz::FuzzBuiltins builtins;
    int starts = 0;
    for (const auto& [name, label] : program.m_pLabelDefine) {
        if (starts++ == kStarts) break;
        if (!worker.StartAtLabel(name, nullptr)) continue;
        for (int i = 0; i < kStatements && worker.Run(&builtins); ++i) {
        }
    }
    return 0;
}
