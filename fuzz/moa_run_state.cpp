// Fuzz target: a saved script state read into a worker, as a saved game restores it: the
// variables of the in-game class (globals, then each script entity's statics), then the run
// state (exec-stack elements with their locals and opcode lists, the value stack, the result).
// What was read must write back, read again and write the same bytes; then the worker runs a
// bounded number of statements from the restored stack.
// Input: one byte (bit 0 picks the text form), then the stream.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/GxContentReader.h"
#include "core/GxContentWriter.h"
#include "core/GxLog.h"
#include "fuzz/moa_fuzz.h"
#include "moa/GxMoa.h"
#include "moa/GxMoaVariableTable.h"
#include "moa/GxMoaWorker.h"
#include "tests/support/GxContentFuzzDriver.h"

namespace {

[[noreturn]] void Fail() { __builtin_trap(); }

std::string Write(const GxMoaWorker& worker)
{
    char* data = nullptr;
    size_t size = 0;
    FILE* f = open_memstream(&data, &size);
    if (!f) Fail();
    {
        GxContentBinaryWriter writer(f);
        worker.WriteScriptVariables(writer, MOASAVE_INGAME);
        worker.WriteRunState(writer);
    }
    fclose(f);
    std::string out(data, size);
    free(data);
    return out;
}

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
    GxMoaWorker worker(&program);
    worker.CreateScriptEntities();
    bool ok = false;
    GxContentFuzzRead(data, size, [&](GxContentReaderBase& reader) {
        const bool vars = worker.ReadScriptVariables(reader, MOASAVE_INGAME);
        const bool state = vars && worker.ReadRunState(reader);
        ok = state && reader.GetErrorCount() == 0;
    });

    if (ok) {
        const std::string first = Write(worker);
        GxMoaWorker again(&program);
        again.CreateScriptEntities();
        GxContentBinaryReader r2(first.data(), static_cast<uint32_t>(first.size()));
        if (!again.ReadScriptVariables(r2, MOASAVE_INGAME) || !again.ReadRunState(r2)) Fail();
        if (Write(again) != first) Fail();
    }

    std::u16string dump;
    worker.Dump(dump, 0);
    (void)worker.GetSourceLine(nullptr);
    gxfuzz::FuzzBuiltins builtins;
    for (int i = 0; i < 256 && worker.Run(&builtins); ++i) {
    }
    return 0;
}
