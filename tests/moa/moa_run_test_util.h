// Shared pieces of the run-loop, builtin and host tests: a program instance that keeps its
// reports, and a builtin set that adds mark(n) (index 300) to the generic builtins.
#pragma once

#include <string>
#include <vector>

#include "core/GxFormat.h"
#include "moa/GxMoa.h"
#include "moa/GxMoaBuiltinDefault.h"
#include "moa/GxMoaWorker.h"

struct MoaReport
{
    std::u16string script;
    int32_t line = 0;
    std::u16string text;
};

class CaptureMoa : public GxMoa
{
public:
    void OutputTraceArgs(std::u16string_view format, const GxFmtArg* args, size_t count) override
    {
        GxMoa::OutputTraceArgs(format, args, count);
        traces.push_back(Text(format, args, count));
    }
    void OutputWarningArgs(std::u16string_view script, int32_t line, std::u16string_view format,
                           const GxFmtArg* args, size_t count) override
    {
        GxMoa::OutputWarningArgs(script, line, format, args, count);
        warnings.push_back({std::u16string(script), line, Text(format, args, count)});
    }
    void OutputErrorArgs(std::u16string_view script, int32_t line, std::u16string_view format,
                         const GxFmtArg* args, size_t count) override
    {
        GxMoa::OutputErrorArgs(script, line, format, args, count);
        errors.push_back({std::u16string(script), line, Text(format, args, count)});
    }

    std::vector<std::u16string> traces;
    std::vector<MoaReport> warnings;
    std::vector<MoaReport> errors;

private:
    static std::u16string Text(std::u16string_view format, const GxFmtArg* args, size_t count)
    {
        if (count == 0) return std::u16string(format);
        std::u16string out;
        GxFormatArgs(out, format, args, count);
        return out;
    }
};

class MarkBuiltins : public GxMoaBuiltinDefault
{
public:
    static constexpr int32_t kMark = 300;

    bool CallBuiltin(std::u16string_view name, int32_t index, GxMoaVariable& args, GxMoaWorker& worker,
                     GxMoaScriptEntity* entity, GxMoaExecStack& execStack, GxMoaVariable& result) override
    {
        if (index == kMark) {
            const GxMoaVariable* a0 = args.GetArraySize() > 0 ? args.GetElement(0) : nullptr;
            marks.push_back(a0 ? a0->GetInt() : -1);
            return true;
        }
        return GxMoaBuiltinDefault::CallBuiltin(name, index, args, worker, entity, execStack, result);
    }

    std::vector<int32_t> marks;
};

// Calls Run while it returns true, at most limit times; the number of calls that returned true.
inline int RunAll(GxMoaWorker& worker, GxMoaBuiltin* builtins, int limit = 10000)
{
    int n = 0;
    while (n < limit && worker.Run(builtins)) ++n;
    return n;
}
