#include "moa/GxMoaBuiltinDefault.h"

#include <cmath>
#include <cstdio>

#include "core/GxFile.h"
#include "core/GxLog.h"
#include "core/GxString.h"
#include "moa/GxMoa.h"
#include "moa/GxMoaNames.h"
#include "moa/GxMoaWorker.h"
#include "platform/GxLocale.h"

namespace {

// The arguments of one call. Reading past the end gives Null, as if the array had been grown.
class Args
{
public:
    explicit Args(GxMoaVariable& args)
        : m_Array(args.GetValueType() == GxMoaValueType::Array ? &args : nullptr)
    {
    }
    bool Present() const { return m_Array != nullptr; }
    const GxMoaVariable& operator[](int32_t k) const
    {
        if (m_Array && k < m_Array->GetArraySize()) {
            if (const GxMoaVariable* v = m_Array->GetElement(k)) return *v;
        }
        return m_Null;
    }
    const GxMoaVariable* Ptr(int32_t k) const { return m_Array ? &(*this)[k] : nullptr; }

private:
    GxMoaVariable* m_Array;
    GxMoaVariable m_Null;
};

int64_t SignInt64(int64_t v) { return v > 0 ? 1 : (v < 0 ? -1 : 0); }
int64_t AbsInt64(int64_t v)
{
    // The most negative value has no positive twin; it stays as it is instead of overflowing.
    return v < 0 && v != INT64_MIN ? -v : v;
}
double SignDouble(double v) { return v > 0.0 ? 1.0 : (v < 0.0 ? -1.0 : 0.0); }

int32_t Low32(const GxMoaVariable& v) { return static_cast<int32_t>(static_cast<uint64_t>(v.GetInt64())); }

std::u16string SubString(std::u16string_view text, int32_t start, int32_t length)
{
    const int32_t size = static_cast<int32_t>(text.size());
    // A start outside the text is clamped, so the result is at worst empty.
    if (start < 0) start = 0;
    if (start > size) start = size;
    const int32_t rest = size - start;
    if (length < 0 || length > rest) length = rest;
    return std::u16string(text.substr(static_cast<size_t>(start), static_cast<size_t>(length)));
}

int32_t FindText(std::u16string_view text, std::u16string_view search, int64_t start)
{
    const int64_t size = static_cast<int64_t>(text.size());
    if (start < 0) start = 0;
    if (start > size) start = size;
    return GxFind(text, search, static_cast<int>(start));
}

void DumpTable(std::u16string& out, const GxMoaVariableTable& table, int32_t level)
{
    for (int32_t i = 0; i < table.GetCount(); ++i) {
        const GxMoaVariableSet* set = table.GetAt(i);
        out += GxFormatString(u"Scope:%s\n", GxMoaGetScopeName(set->m_Scope));
        GxMoaAppendDumpVariable(out, set->m_Value, std::u16string_view(set->m_Name), level);
    }
}

// 64 to 67: the label and the argument record; the worker jumps or calls.
bool JumpOrCall(bool call, std::u16string_view name, const std::u16string& label, const GxMoaVariable* arg,
                GxMoaWorker& worker, GxMoaScriptEntity* entity, GxMoaExecStack& execStack)
{
    const GxMoaVariableSet record(arg);
    const bool found = call ? worker.CallLabel(label, &record) : worker.JumpToLabel(label, &record);
    if (found) return true;
    if (call && worker.IsCallDepthReached()) return false;  // reported by the worker
    worker.ReportError(name, entity, &execStack, u"飛び先のラベルが見つかりません[%s]", label);
    if (GxMoa* owner = worker.GetOwner()) owner->SetErrorStop();
    return false;
}

}  // namespace

void GxMoaDumpProgram(const GxMoa& program, std::u16string& out, int32_t level)
{
    out += u"--MoaInstance:\n";
    DumpTable(out, program.GetVariableTable(), level);
}

bool GxMoaWriteDumpFile(std::u16string_view path, std::u16string_view text)
{
    std::string bytes;
    bytes.reserve(2 + text.size() * 2 + 64);
    auto put = [&bytes](char16_t c) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    };
    put(0xFEFF);
    for (char16_t c : text) {
        if (c == u'\n') put(u'\r');
        put(c);
    }
    FILE* f = std::fopen(GxPathToNative(path).c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

bool GxMoaBuiltinDefault::CallBuiltin(std::u16string_view name, int32_t index, GxMoaVariable& args,
                                      GxMoaWorker& worker, GxMoaScriptEntity* entity, GxMoaExecStack& execStack,
                                      GxMoaVariable& result)
{
    const Args a(args);
    // Every index below that needs an argument does nothing without an argument array.
    switch (index) {
    case 1: if (a.Present()) result.SetInt64(a[0].GetInt64()); return true;
    case 2: if (a.Present()) result.SetFloat(a[0].GetFloat()); return true;
    case 3: if (a.Present()) result.SetString(a[0].GetString()); return true;
    case 4: if (a.Present()) result.SetInt64(a[0].GetValueType() == GxMoaValueType::Array ? 1 : 0); return true;
    case 5: if (a.Present()) result.SetInt64(a[0].GetArraySize()); return true;
    case 6:
        if (a.Present()) {
            if (GxMoa* owner = worker.GetOwner()) owner->OutputTrace(u"%s", a[0].GetString());
        }
        return true;
    case 7: if (a.Present()) GxPrintDebugLog(u"%s\n", a[0].GetString()); return true;
    case 8: if (a.Present()) GxPrintErrorLog(u"%s\n", a[0].GetString()); return true;
    case 9: if (a.Present()) result.SetInt64(GxFileExists(a[0].GetString())); return true;
    case 10: if (a.Present()) result.SetInt64(GxFileGetSize(a[0].GetString())); return true;
    case 11: if (a.Present()) result.SetInt64(a[0].GetStringLength()); return true;
    case 12:
        if (a.Present()) result.SetString(SubString(a[0].GetString(), Low32(a[1]), Low32(a[2])));
        return true;
    case 13: if (a.Present()) result.SetString(GxToLower(a[0].GetString())); return true;
    case 14: if (a.Present()) result.SetString(GxToUpper(a[0].GetString())); return true;
    case 15:
        if (a.Present()) result.SetInt64(FindText(a[0].GetString(), a[1].GetString(), a[2].GetInt64()));
        return true;
    case 16:
        if (a.Present()) {
            const GxMoa* owner = worker.GetOwner();
            const bool found = owner && owner->IsLabelInScript(GxToLower(a[1].GetString()), a[0].GetString());
            result.SetInt64(found ? 1 : 0);
        }
        return true;
    case 17:
        if (a.Present()) {
            std::u16string text;
            if (const GxMoa* owner = worker.GetOwner()) GxMoaDumpProgram(*owner, text, 0);
            worker.Dump(text, 1);
            GxMoaWriteDumpFile(a[0].GetString(), text);   // a file that cannot be written is no error
        }
        return true;
    case 20: result.SetInt64(GxGetSystemDefaultLcid()); return true;
    case 21: result.SetString(GxGetTimeZoneStandardName()); return true;
    case 22: result.SetInt64(GxGetTimeZoneBias()); return true;
    case 23: result.SetInt64(GxGetTimeNow()); return true;
    case 24: if (a.Present()) result.SetInt64(GxGetTimeYear(a[0].GetInt64())); return true;
    case 25: if (a.Present()) result.SetInt64(GxGetTimeMonth(a[0].GetInt64())); return true;
    case 26: if (a.Present()) result.SetInt64(GxGetTimeDay(a[0].GetInt64())); return true;
    case 27: if (a.Present()) result.SetInt64(GxGetTimeHour(a[0].GetInt64())); return true;
    case 28: if (a.Present()) result.SetInt64(GxGetTimeMinute(a[0].GetInt64())); return true;
    case 29: if (a.Present()) result.SetInt64(GxGetTimeSecond(a[0].GetInt64())); return true;
    case 30: if (a.Present()) result.SetInt64(GxGetTimeWeekDay(a[0].GetInt64())); return true;
    case 31: if (a.Present()) result.SetInt64(GxGetTimeYearDay(a[0].GetInt64())); return true;
    case 32: result.SetString(GxGetCurrentDirectory()); return true;
    case 64:
    case 66:
        if (!a.Present()) return true;
        return JumpOrCall(index == 66, name, a[0].GetString(), a.Ptr(1), worker, entity, execStack);
    case 65:
    case 67: {
        if (!a.Present()) return true;
        const std::u16string label = a[0].GetInt64() != 0 ? a[1].GetString() : a[2].GetString();
        if (label.empty()) return true;
        return JumpOrCall(index == 67, name, label, a.Ptr(3), worker, entity, execStack);
    }
    case 68: worker.ReturnFromCall(a.Ptr(0)); return true;
    case 69:
        if (a.Present() && a[0].GetInt64() != 0) worker.ReturnFromCall(a.Ptr(1));
        return true;
    case 70: worker.Exit(a.Ptr(0)); return true;
    case 71: result.Assign(worker.GetResult()); return true;
    case 100: if (a.Present()) result.SetInt64(SignInt64(a[0].GetInt64())); return true;
    case 101: if (a.Present()) result.SetInt64(AbsInt64(a[0].GetInt64())); return true;
    case 102: if (a.Present()) result.SetFloat(SignDouble(a[0].GetFloat())); return true;
    case 103: if (a.Present()) result.SetFloat(std::fabs(a[0].GetFloat())); return true;
    case 104: if (a.Present()) result.SetFloat(std::fmod(a[0].GetFloat(), a[1].GetFloat())); return true;
    case 105: if (a.Present()) result.SetFloat(std::pow(a[0].GetFloat(), a[1].GetFloat())); return true;
    case 106: if (a.Present()) result.SetFloat(std::sqrt(a[0].GetFloat())); return true;
    case 107: if (a.Present()) result.SetFloat(std::exp(a[0].GetFloat())); return true;
    case 108: if (a.Present()) result.SetFloat(std::log(a[0].GetFloat())); return true;
    default: return false;
    }
}
