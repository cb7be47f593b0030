#include "moa/GxMoaWorker.h"

#include "moa/GxMoaRun.h"

#include "core/GxContentReader.h"
#include "core/GxContentWriter.h"
#include "moa/GxMoaBuiltin.h"
#include "moa/GxMoaNames.h"

namespace {

constexpr size_t kStackReserve = 8;

bool IsGlobalScope(int32_t scope)
{
    return scope == MOASCOPE_GLOBAL_PERMAN || scope == MOASCOPE_GLOBAL_INGAME || scope == MOASCOPE_GLOBAL_NOSAVE;
}
bool IsStaticScope(int32_t scope)
{
    return scope == MOASCOPE_STATIC_PERMAN || scope == MOASCOPE_STATIC_INGAME || scope == MOASCOPE_STATIC_NOSAVE;
}

void DumpTable(std::u16string& out, const GxMoaVariableTable& table, int32_t level)
{
    for (int32_t i = 0; i < table.GetCount(); ++i) {
        const GxMoaVariableSet* set = table.GetAt(i);
        out += GxFormatString(u"Scope:%s\n", GxMoaGetScopeName(set->m_Scope));
        GxMoaAppendDumpVariable(out, set->m_Value, std::u16string_view(set->m_Name), level);
    }
}

}  // namespace

GxMoaWorker::GxMoaWorker(GxMoa* owner) : m_Name(u"MAIN_WORKER"), m_pOwner(owner)
{
    ClearExecStack();
}

GxMoaWorker::~GxMoaWorker()
{
    ClearExecStack();
    m_ScriptEntities.clear();
}

void GxMoaWorker::ClearExecStack()
{
    m_ExecStack.clear();
    m_ValueStack.clear();
    m_Result.SetNull();
    m_ExecStack.reserve(kStackReserve);
    m_ValueStack.reserve(kStackReserve);
}

GxMoaScriptEntity* GxMoaWorker::FindScriptEntity(std::u16string_view scriptName) const
{
    auto it = m_ScriptEntities.find(scriptName);
    return it == m_ScriptEntities.end() ? nullptr : it->second.get();
}

// ---------------------------------------------------------------- variables

GxMoaVariableSet* GxMoaWorker::FindVariable(std::u16string_view name) const
{
    if (GxMoaVariableSet* v = m_Variables.FindVariable(name)) return v;
    return m_pOwner ? m_pOwner->GetVariableTable().FindVariable(name) : nullptr;
}

void GxMoaWorker::CreateScriptEntities()
{
    m_Variables.Clear();
    m_ScriptEntities.clear();
    CreateGlobalVariables();
    // Blocks that pointed at the old entities are bound to the new ones.
    for (GxMoaExecStackElement& e : m_ExecStack) {
        e.m_Pos.m_pScriptEntity = e.m_Pos.m_ScriptName.empty() ? nullptr : FindScriptEntity(e.m_Pos.m_ScriptName);
    }
}

void GxMoaWorker::CreateGlobalVariables()
{
    if (!m_pOwner) return;
    for (const GxMoaVariableDefinition& d : m_pOwner->m_VariableDefine) {
        if (IsGlobalScope(d.m_Scope)) m_Variables.CreateVariableFromDefinition(d);
    }
    for (const auto& [name, script] : m_pOwner->m_pScriptDefine) {
        auto it = m_ScriptEntities.find(name);
        if (it == m_ScriptEntities.end()) {
            it = m_ScriptEntities
                     .emplace(name, std::make_unique<GxMoaScriptEntity>(m_pOwner, this, &m_Variables, script.get()))
                     .first;
        }
        for (const GxMoaVariableDefinition& d : script->m_VariableDefine) {
            if (IsStaticScope(d.m_Scope)) it->second->GetVariableTable().CreateVariableFromDefinition(d);
        }
    }
}

void GxMoaWorker::ResetVariables(int32_t saveClass)
{
    for (int32_t i = 0; i < m_Variables.GetCount(); ++i) {
        GxMoaVariableSet& set = *m_Variables.GetAt(i);
        if (!IsGlobalScope(set.m_Scope) || !GxMoaScopeInSaveClass(set.m_Scope, saveClass)) continue;
        GxMoaVariableTable::ResetVariableFromDefinition(set, m_pOwner ? m_pOwner->FindVariableDefine(set.m_Name) : nullptr);
    }
    for (auto& [name, entity] : m_ScriptEntities) entity->ResetVariables(saveClass);
}

bool GxMoaWorker::Reset()
{
    ClearExecStack();
    ResetVariables(MOASAVE_INGAME);
    ResetVariables(MOASAVE_NOSAVE);
    return true;
}

// ---------------------------------------------------------------- saved state

bool GxMoaWorker::WriteRunState(GxContentWriterBase& writer) const
{
    writer.WriteGxStringStdW("m_Name", m_Name);
    writer.WriteListBegin("m_ExecStack", "", static_cast<uint32_t>(m_ExecStack.size()));
    for (const GxMoaExecStackElement& e : m_ExecStack) e.Write(writer);
    writer.WriteListEnd();
    writer.WriteListBegin("m_ValueStack", "", static_cast<uint32_t>(m_ValueStack.size()));
    for (const GxMoaVariable& v : m_ValueStack) v.Write(writer);
    writer.WriteListEnd();
    m_Result.Write(writer);
    return writer.GetErrorCount() == 0;
}

bool GxMoaWorker::ReadRunState(GxContentReaderBase& reader)
{
    const int errors = reader.GetErrorCount();
    auto sound = [&] { return reader.GetErrorCount() == errors; };
    m_Name = reader.ReadGxStringWValue("m_Name");

    // The counts only bound the loops: every item is read before it is kept.
    uint32_t count = 0;
    m_ExecStack.clear();
    m_ExecStack.reserve(kStackReserve);
    if (sound() && reader.ReadListBegin("m_ExecStack", count)) {
        for (uint32_t i = 0; i < count && sound(); ++i) {
            GxMoaExecStackElement e;
            e.Read(reader, this);
            if (sound()) m_ExecStack.push_back(std::move(e));
        }
        if (sound()) reader.ReadListEnd();
    }
    m_ValueStack.clear();
    m_ValueStack.reserve(kStackReserve);
    if (sound() && reader.ReadListBegin("m_ValueStack", count)) {
        for (uint32_t i = 0; i < count && sound(); ++i) {
            GxMoaVariable v;
            v.Read(reader);
            if (sound()) m_ValueStack.push_back(std::move(v));
        }
        if (sound()) reader.ReadListEnd();
    }
    if (sound()) m_Result.Read(reader);
    return reader.GetErrorCount() == 0;
}

bool GxMoaWorker::WriteScriptVariables(GxContentWriterBase& writer, int32_t saveClass) const
{
    m_Variables.Write(writer, saveClass);
    writer.WriteGxS32Alt("m_pScriptEntitySize", static_cast<int32_t>(m_ScriptEntities.size()));
    for (const auto& [name, entity] : m_ScriptEntities) {
        writer.WriteGxStringStdW("m_ScriptName", name);
        entity->WriteVariables(writer, saveClass);
    }
    return writer.GetErrorCount() == 0;
}

bool GxMoaWorker::ReadEntityVariables(GxContentReaderBase& reader, int32_t saveClass, bool reload)
{
    const int errors = reader.GetErrorCount();
    m_Variables.Read(reader, saveClass);
    const int32_t n = reader.GetErrorCount() == errors ? reader.ReadGxS32AltValue("m_pScriptEntitySize") : 0;
    for (int32_t i = 0; i < n && reader.GetErrorCount() == errors; ++i) {
        const std::u16string name = reader.ReadGxStringWValue("m_ScriptName");
        if (reader.GetErrorCount() != errors) break;
        if (GxMoaScriptEntity* entity = FindScriptEntity(name)) {
            if (reload) entity->ReloadVariables(reader, saveClass);
            else entity->ReadVariables(reader, saveClass);
        } else {
            // A script the program no longer has: read its values to stay in step, then drop them.
            GxMoaScriptEntity scratch(m_pOwner, this, &m_Variables, nullptr);
            scratch.ReadVariables(reader, saveClass);
        }
    }
    return reader.GetErrorCount() == 0;
}

bool GxMoaWorker::ReadScriptVariables(GxContentReaderBase& reader, int32_t saveClass)
{
    return ReadEntityVariables(reader, saveClass, false);
}

bool GxMoaWorker::ReloadScriptVariables(GxContentReaderBase& reader, int32_t saveClass)
{
    ResetVariables(saveClass);
    const bool ok = ReadEntityVariables(reader, saveClass, true);
    CreateGlobalVariables();
    return ok && reader.GetErrorCount() == 0;
}

// ---------------------------------------------------------------- labels

GxMoaScriptEntity* GxMoaWorker::CurrentEntity() const
{
    const int32_t i = GxMoaFindNormalBlockIndex(m_ExecStack);
    return i < 0 ? nullptr : m_ExecStack[static_cast<size_t>(i)].m_Pos.m_pScriptEntity;
}

void GxMoaWorker::DropCurrentBlock()
{
    GxMoaUnwindInnerBlocks(m_ExecStack);
    if (!m_ExecStack.empty()) m_ExecStack.pop_back();
}

void GxMoaWorker::PushLabelBlock(const GxMoaLabelDefinition& label, const GxMoaVariableSet* arg)
{
    GxMoaExecStackElement e;
    e.m_BlockType = MOABLOCK_NORMAL;
    e.m_Pos.m_Line = label.m_Pos.m_Line;
    e.m_Pos.m_Pos = label.m_Pos.m_Pos;
    e.m_Pos.m_ScriptName = label.m_Pos.m_ScriptName;
    e.m_Pos.m_pScriptEntity = e.m_Pos.m_ScriptName.empty() ? nullptr : FindScriptEntity(e.m_Pos.m_ScriptName);
    if (arg) e.m_Variables.AddLocalVariable(arg->m_Name, arg->m_Value);
    m_ExecStack.push_back(std::move(e));
}

bool GxMoaWorker::JumpToLabel(std::u16string_view label, const GxMoaVariableSet* arg)
{
    const GxMoaLabelDefinition* def = m_pOwner ? m_pOwner->FindLabelInEntity(label, CurrentEntity()) : nullptr;
    if (!def) return false;
    const GxMoaLabelDefinition copy = *def;  // the argument or label may live in a block we drop
    const GxMoaVariableSet argCopy = arg ? *arg : GxMoaVariableSet();
    DropCurrentBlock();
    PushLabelBlock(copy, arg ? &argCopy : nullptr);
    return true;
}

bool GxMoaWorker::StartAtLabel(std::u16string_view label, const GxMoaVariableSet* arg)
{
    const GxMoaVariableSet argCopy = arg ? *arg : GxMoaVariableSet();
    ClearExecStack();
    return JumpToLabel(label, arg ? &argCopy : nullptr);
}

bool GxMoaWorker::RefuseDeepCall(std::u16string_view label)
{
    if (!IsCallDepthReached()) return false;
    const GxMoaExecStackElement* top = m_ExecStack.empty() ? nullptr : &m_ExecStack.back();
    ReportError(u"call", top ? top->m_Pos.m_pScriptEntity : nullptr, &m_ExecStack,
                u"呼び出しの入れ子が深すぎます(上限%d)[%s]", static_cast<int32_t>(kMaxCallDepth), label);
    if (m_pOwner) m_pOwner->SetErrorStop();
    return true;
}

bool GxMoaWorker::CallLabel(std::u16string_view label, const GxMoaVariableSet* arg)
{
    if (RefuseDeepCall(label)) return false;
    const GxMoaLabelDefinition* def = m_pOwner ? m_pOwner->FindLabelInEntity(label, CurrentEntity()) : nullptr;
    if (!def) return false;
    const GxMoaVariableSet argCopy = arg ? *arg : GxMoaVariableSet();
    PushLabelBlock(*def, arg ? &argCopy : nullptr);
    return true;
}

bool GxMoaWorker::JumpToScriptLabel(std::u16string_view label, std::u16string_view script, const GxMoaVariableSet* arg)
{
    const GxMoaLabelDefinition* def = m_pOwner ? m_pOwner->FindLabelInEntity(label, FindScriptEntity(script)) : nullptr;
    if (!def) return false;
    const GxMoaLabelDefinition copy = *def;
    const GxMoaVariableSet argCopy = arg ? *arg : GxMoaVariableSet();
    DropCurrentBlock();
    PushLabelBlock(copy, arg ? &argCopy : nullptr);
    return true;
}

bool GxMoaWorker::StartAtScriptLabel(std::u16string_view label, std::u16string_view script,
                                     const GxMoaVariableSet* arg)
{
    const GxMoaVariableSet argCopy = arg ? *arg : GxMoaVariableSet();
    ClearExecStack();
    return JumpToScriptLabel(label, script, arg ? &argCopy : nullptr);
}

bool GxMoaWorker::RestartAtScriptLabel(std::u16string_view label, std::u16string_view script,
                                       const GxMoaVariableSet* arg)
{
    const GxMoaVariableSet argCopy = arg ? *arg : GxMoaVariableSet();
    ClearExecStack();
    ResetVariables(MOASAVE_INGAME);
    ResetVariables(MOASAVE_NOSAVE);
    return JumpToScriptLabel(label, script, arg ? &argCopy : nullptr);
}

bool GxMoaWorker::CallScriptLabel(std::u16string_view label, std::u16string_view script, const GxMoaVariableSet* arg)
{
    if (RefuseDeepCall(label)) return false;
    const GxMoaLabelDefinition* def = m_pOwner ? m_pOwner->FindLabelInEntity(label, FindScriptEntity(script)) : nullptr;
    if (!def) return false;
    const GxMoaVariableSet argCopy = arg ? *arg : GxMoaVariableSet();
    PushLabelBlock(*def, arg ? &argCopy : nullptr);
    return true;
}

bool GxMoaWorker::ReturnFromCall(const GxMoaVariable* value)
{
    if (value) m_Result.Assign(*value);
    else m_Result.SetNull();
    if (m_ExecStack.empty()) return false;
    DropCurrentBlock();
    return !m_ExecStack.empty();
}

void GxMoaWorker::Exit(const GxMoaVariable* value)
{
    GxMoaVariable result;
    if (value) result = *value;  // the value may live on a stack that is about to be emptied
    ClearExecStack();
    m_Result = std::move(result);
}

void GxMoaWorker::Stop()
{
    ClearExecStack();
}

// ---------------------------------------------------------------- queries and reports

bool GxMoaWorker::IsRunning() const
{
    return !m_ExecStack.empty();
}

std::u16string GxMoaWorker::GetScriptName(const GxMoaExecStackElement* element) const
{
    if (!element) element = m_ExecStack.empty() ? nullptr : &m_ExecStack.back();
    return element ? element->m_Pos.m_ScriptName : std::u16string();
}

int32_t GxMoaWorker::GetLine(const GxMoaExecStackElement* element) const
{
    if (!element) element = m_ExecStack.empty() ? nullptr : &m_ExecStack.back();
    return element ? element->m_Pos.m_Line : -1;
}

int32_t GxMoaWorker::GetSourceLine(const GxMoaExecStackElement* element) const
{
    if (!element) element = m_ExecStack.empty() ? nullptr : &m_ExecStack.back();
    if (!element) return -1;
    const GxMoaScriptEntity* entity = element->m_Pos.m_pScriptEntity;
    const GxMoaScript* script = entity ? entity->GetScript() : nullptr;
    if (!entity) return element->m_Pos.m_Line;
    if (!script) return 0;
    for (int32_t line = element->m_Pos.m_Line; line >= 1; --line) {
        if (script->GetTokenCount(line) > 0) return line + 1;
    }
    return 0;
}

void GxMoaWorker::ReportErrorArgs(std::u16string_view subject, const GxMoaScriptEntity* entity,
                                  const GxMoaExecStack* stack, std::u16string_view format, const GxFmtArg* args,
                                  size_t count)
{
    if (!m_pOwner) return;
    std::u16string message;
    GxFormatArgs(message, format, args, count);
    if (message.size() > 1023) message.resize(1023);
    const std::u16string_view scriptName =
        (entity && entity->GetScript()) ? std::u16string_view(entity->GetScript()->m_ScriptName) : u"*";
    const int32_t line = (stack && !stack->empty()) ? stack->back().m_Pos.m_Line : -1;
    m_pOwner->OutputError(scriptName, line, u"%s:%s", subject, message);
}

void GxMoaWorker::Dump(std::u16string& out, int32_t level) const
{
    out += GxFormatString(u"----Worker:%s\n", m_Name);
    DumpTable(out, m_Variables, level);
    for (const auto& [name, entity] : m_ScriptEntities) {
        const GxMoaScript* script = entity->GetScript();
        out += GxFormatString(u"------Script:%s\n", script ? std::u16string_view(script->m_ScriptName) : u"");
        DumpTable(out, entity->GetVariableTable(), level + 1);
    }
    for (size_t i = 0; i < m_ExecStack.size(); ++i) {
        out += GxFormatString(u"------ExecStack:%d\n", static_cast<int32_t>(i));
        DumpTable(out, m_ExecStack[i].m_Variables, level + 1);
    }
}

// ---------------------------------------------------------------- run loop

// The statement loop for expression statements, labels, text lines and declarations.
bool GxMoaWorker::Run(GxMoaBuiltin* builtins)
{
    return GxMoaRunStatement(*this, builtins);
}
