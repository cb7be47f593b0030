#include "tests/support/GxMoaRecordingBuiltins.h"

#include "core/GxString.h"
#include "moa/GxMoaWorker.h"
#include "tests/support/GxMoaPackageBuilder.h"

std::string GxMoaRecordingBuiltins::Show(const GxMoaVariable& v)
{
    switch (v.GetValueType()) {
    case GxMoaValueType::Null: return "NULL";
    case GxMoaValueType::Str: return "\"" + GxWideToUtf8(v.GetString()) + "\"";
    case GxMoaValueType::Array: {
        std::string s = "[";
        GxMoaVariable copy(v);
        for (int32_t i = 0; i < copy.GetArraySize(); ++i) {
            if (i) s += ", ";
            s += Show(*copy.GetElement(i));
        }
        return s + "]";
    }
    default: return GxWideToUtf8(v.GetString());
    }
}

bool GxMoaRecordingBuiltins::CallBuiltin(std::u16string_view name, int32_t index, GxMoaVariable& args,
                                         GxMoaWorker& worker, GxMoaScriptEntity*, GxMoaExecStack&,
                                         GxMoaVariable& result)
{
    Call call;
    call.name = std::u16string(name);
    call.index = index;
    for (int32_t i = 0; i < args.GetArraySize(); ++i) call.args.push_back(*args.GetElement(i));
    m_Trace += GxWideToUtf8(call.name) + "(";
    for (size_t i = 0; i < call.args.size(); ++i) m_Trace += (i ? ", " : "") + Show(call.args[i]);
    m_Trace += ")\n";
    m_Calls.push_back(call);

    if (m_Fail.count(index)) return false;
    auto arg = [&](size_t i) { return i < call.args.size() ? call.args[i] : GxMoaVariable(); };
    bool ok = true;
    switch (index) {
    case 64:
    case 66: {
        const GxMoaVariable a1 = arg(1);
        const GxMoaVariableSet record(&a1);
        const std::u16string label = arg(0).GetString();
        ok = index == 64 ? worker.JumpToLabel(label, &record) : worker.CallLabel(label, &record);
        break;
    }
    case 68: {
        const GxMoaVariable v = arg(0);
        worker.ReturnFromCall(&v);
        break;
    }
    case 70: {
        const GxMoaVariable v = arg(0);
        worker.Exit(&v);
        break;
    }
    case 71:
        result = worker.GetResult();
        break;
    default: {
        auto it = m_Results.find(call.name);
        if (it != m_Results.end()) result = it->second;
        break;
    }
    }
    if (ok && m_Hook) ok = m_Hook(call, worker, result);
    return ok;
}

// ---------------------------------------------------------------- recording program

void GxMoaRecordingMoa::OutputTraceArgs(std::u16string_view format, const GxFmtArg* args, size_t count)
{
    std::u16string text;
    if (count) GxFormatArgs(text, format, args, count);
    else text = std::u16string(format);
    m_Reports.push_back("T " + GxWideToUtf8(text));
}

void GxMoaRecordingMoa::OutputWarningArgs(std::u16string_view scriptName, int32_t line, std::u16string_view format,
                                          const GxFmtArg* args, size_t count)
{
    GxMoa::OutputWarningArgs(scriptName, line, format, args, count);
    std::u16string text;
    GxFormatArgs(text, format, args, count);
    m_Reports.push_back("W " + GxWideToUtf8(scriptName) + " " + std::to_string(line) + ": " + GxWideToUtf8(text));
}

void GxMoaRecordingMoa::OutputErrorArgs(std::u16string_view scriptName, int32_t line, std::u16string_view format,
                                        const GxFmtArg* args, size_t count)
{
    GxMoa::OutputErrorArgs(scriptName, line, format, args, count);
    std::u16string text;
    GxFormatArgs(text, format, args, count);
    m_Reports.push_back("E " + GxWideToUtf8(scriptName) + " " + std::to_string(line) + ": " + GxWideToUtf8(text));
}

// ---------------------------------------------------------------- rig

bool GxMoaTestRig::Load(const std::vector<std::pair<std::u16string, std::string>>& scripts)
{
    GxMoaPackageBuilder b;
    b.AddBuiltin(u"foo", 300);
    b.AddBuiltin(u"fail", 301);
    for (const auto& [name, source] : scripts) {
        if (!b.AddScript(name, source)) {
            m_Errors = b.GetErrors();
            return false;
        }
    }
    if (!b.LoadInto(m_Moa)) {
        m_Errors = "LoadInto failed";
        return false;
    }
    m_Worker.CreateScriptEntities();
    m_Builtins.m_Fail.insert(301);
    return true;
}

int GxMoaTestRig::RunSteps(int maxSteps)
{
    int n = 0;
    while (n < maxSteps) {
        ++n;
        if (!m_Worker.Run(&m_Builtins)) break;
    }
    return n;
}

bool GxMoaTestRig::EvalLine(int32_t line, bool report, GxMoaVariable* result)
{
    // As the run loop does: the block's own position is the record the compiler moves.
    GxMoaExecStackElement* top = GxMoaGetExecStackTop(m_Worker.GetExecStack());
    if (!top) {
        GxMoaRunPos pos(line, 0);
        return GxMoaExec::Eval_Token(m_Moa, result, &m_Builtins, &m_Worker, pos, pos, report);
    }
    top->m_Pos.m_Line = line;
    top->m_Pos.m_Pos = 0;
    const GxMoaRunPos start = top->m_Pos;
    return GxMoaExec::Eval_Token(m_Moa, result, &m_Builtins, &m_Worker, start, top->m_Pos, report);
}

GxMoaVariableSet* GxMoaTestRig::Find(std::u16string_view name)
{
    GxMoaExecStack& stack = m_Worker.GetExecStack();
    GxMoaExecStackElement* top = GxMoaGetExecStackTop(stack);
    return GxMoaLookupVariable(name, GxMoaFindNormalBlock(stack), top ? top->m_Pos.m_pScriptEntity : nullptr,
                               &m_Worker);
}

std::string GxMoaTestRig::Value(std::u16string_view name)
{
    GxMoaVariableSet* set = Find(name);
    return set ? GxMoaRecordingBuiltins::Show(set->m_Value) : "<none>";
}
