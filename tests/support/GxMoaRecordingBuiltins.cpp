#include "tests/support/GxMoaRecordingBuiltins.h"

#include "core/GxString.h"
#include "moa/GxMoaWorker.h"

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
