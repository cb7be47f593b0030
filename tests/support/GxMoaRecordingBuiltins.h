// A builtin set for tests of the executor and the worker: it records every call (name, index,
// arguments in script order) and implements just enough to drive a worker:
//   64 jump(label, arg)   66 call(label, arg)   68 return(value)   70 exit(value)
//   71 result()           (the worker's label operations, as the generic builtins do)
//   any index in m_Fail   returns false
//   a name in m_Results   returns a copy of that value
//   anything else         records the call, result Null, true
// Every call also appends one line to m_Trace: name(arg, arg, ...) with each argument shown as
// its text (Str quoted, Null as NULL), which makes a run's trace easy to compare.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "moa/GxMoa.h"
#include "moa/GxMoaBuiltin.h"
#include "moa/GxMoaVariable.h"
#include "moa/GxMoaWorker.h"

class GxMoaRecordingBuiltins : public GxMoaBuiltin
{
public:
    struct Call
    {
        std::u16string name;
        int32_t index = 0;
        std::vector<GxMoaVariable> args;
    };

    bool CallBuiltin(std::u16string_view name, int32_t index, GxMoaVariable& args, GxMoaWorker& worker,
                     GxMoaScriptEntity* entity, GxMoaExecStack& execStack, GxMoaVariable& result) override;

    // Text of a value in the trace.
    static std::string Show(const GxMoaVariable& v);

    std::vector<Call> m_Calls;
    std::string m_Trace;                                   // UTF-8, one call per line
    std::set<int32_t> m_Fail;                              // indices that return false
    std::map<std::u16string, GxMoaVariable> m_Results;     // fixed results by name
    // Called after the built-in behaviour; may change the result or the worker.
    std::function<bool(const Call&, GxMoaWorker&, GxMoaVariable&)> m_Hook;
};

// A program instance that keeps its reports as UTF-8 lines: "E script line: text",
// "W script line: text", "T text".
class GxMoaRecordingMoa : public GxMoa
{
public:
    void OutputTraceArgs(std::u16string_view format, const GxFmtArg* args, size_t count) override;
    void OutputWarningArgs(std::u16string_view scriptName, int32_t line, std::u16string_view format,
                           const GxFmtArg* args, size_t count) override;
    void OutputErrorArgs(std::u16string_view scriptName, int32_t line, std::u16string_view format,
                         const GxFmtArg* args, size_t count) override;
    std::vector<std::string> m_Reports;
};

// A program, its worker and a recording builtin set, loaded from test-syntax scripts.
class GxMoaTestRig
{
public:
    GxMoaTestRig() : m_Worker(&m_Moa) {}
    // Adds each (name, source) script to a package builder, loads it through the stored form
    // and creates the worker's script entities. Errors go to m_Errors.
    bool Load(const std::vector<std::pair<std::u16string, std::string>>& scripts);
    // Runs the worker until it stops or maxSteps statements have run; the number run.
    int RunSteps(int maxSteps);
    // Moves the worker's top block to (line, 0) and evaluates the statement there.
    bool EvalLine(int32_t line, bool report, GxMoaVariable* result = nullptr);
    // The variable as the executor would find it from the top of the exec stack; null if none.
    GxMoaVariableSet* Find(std::u16string_view name);
    // Show() of the variable's value, or "<none>".
    std::string Value(std::u16string_view name);

    GxMoaRecordingMoa m_Moa;
    GxMoaWorker m_Worker;
    GxMoaRecordingBuiltins m_Builtins;
    std::string m_Errors;
};
