// Reads arbitrary bytes as a compiled script package. A package that reads must write back,
// read again and write the same bytes; the cursor must walk every script to its end in a
// bounded number of steps; label look-ups and the EXTERN variables must work on whatever was
// read.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/GxContentReader.h"
#include "core/GxContentWriter.h"
#include "core/GxLog.h"
#include "moa/GxMoa.h"

namespace {

[[noreturn]] void Fail() { __builtin_trap(); }

std::string Write(const GxMoa& program)
{
    char* data = nullptr;
    size_t size = 0;
    FILE* f = open_memstream(&data, &size);
    if (!f) Fail();
    bool ok;
    {
        GxContentBinaryWriter writer(f);
        ok = program.WriteProgram(writer);
    }
    fclose(f);
    std::string out(data, size);
    free(data);
    if (!ok) Fail();
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
    GxContentBinaryReader reader(data, static_cast<uint32_t>(size));
    const bool ok = program.ReadProgram(reader);

    // Whatever was read, damaged or not, can be walked.
    for (const auto& [name, script] : program.m_pScriptDefine) {
        size_t tokens = 0;
        for (const GxMoaScriptStep& line : script->m_Lines) tokens += line.m_Tokens.size();
        GxMoaRunPos p;
        size_t steps = 0;
        while (script->NextToken(p)) {
            if (++steps > tokens) Fail();
            (void)script->GetTokenAt(p).GetType();
        }
        if (steps != tokens || p.m_Line != script->GetLineCount() || p.m_Pos != 0) Fail();
        GxMoaRunPos brace;
        script->SkipToBlockStart(brace, 0, 0);
        for (const auto& [labelName, label] : script->m_pLabelDefine)
            (void)program.FindLabelInScript(labelName, script.get());
    }
    for (const auto& [labelName, label] : program.m_pLabelDefine)
        if (!labelName.empty() && labelName[0] != u'@')
            if (program.FindLabelInScript(labelName, nullptr) != label.get()) Fail();

    // Declared array sizes are the package's to choose; keep the externs small here.
    bool smallArrays = true;
    for (const GxMoaVariableDefinition& d : program.m_VariableDefine) smallArrays = smallArrays && d.m_ArraySize <= 4096;
    if (smallArrays && program.m_VariableDefine.size() <= 256) {
        program.InitExternVariables();
        program.ResetInGameVariables();
        program.ResetVariables(0);
    }

    if (ok) {
        const std::string first = Write(program);
        GxMoa again;
        GxContentBinaryReader r2(first.data(), static_cast<uint32_t>(first.size()));
        if (!again.ReadProgram(r2)) Fail();
        if (Write(again) != first) Fail();
    }
    return 0;
}
