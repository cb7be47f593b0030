#include "moa/GxMoaVariableTable.h"

#include "core/GxContentReader.h"
#include "core/GxContentWriter.h"
#include "moa/GxMoa.h"

bool GxMoaScopeInSaveClass(int32_t scope, int32_t saveClass)
{
    switch (saveClass) {
    case MOASAVE_ALL:
        return true;
    case MOASAVE_PERMAN:
        return scope == MOASCOPE_STATIC_PERMAN || scope == MOASCOPE_GLOBAL_PERMAN || scope == MOASCOPE_EXTERN_PERMAN;
    case MOASAVE_INGAME:
        return scope == MOASCOPE_STATIC_INGAME || scope == MOASCOPE_GLOBAL_INGAME || scope == MOASCOPE_EXTERN_INGAME ||
               scope == MOASCOPE_LOCAL;
    case MOASAVE_NOSAVE:
        return scope == MOASCOPE_STATIC_NOSAVE || scope == MOASCOPE_GLOBAL_NOSAVE || scope == MOASCOPE_EXTERN_NOSAVE;
    default:
        return false;
    }
}

int32_t GxMoaDefaultScopeOfTable(int32_t tableKind)
{
    switch (tableKind) {
    case MOATABLE_STATIC: return MOASCOPE_STATIC_INGAME;
    case MOATABLE_GLOBAL: return MOASCOPE_GLOBAL_INGAME;
    case MOATABLE_EXTERN: return MOASCOPE_EXTERN_INGAME;
    default: return MOASCOPE_LOCAL;
    }
}

// ---------------------------------------------------------------- GxMoaVariableSet

bool GxMoaVariableSet::Write(GxContentWriterBase& writer) const
{
    m_Value.Write(writer);
    writer.WriteGxS32Alt("m_Scope", m_Scope);
    writer.WriteGxStringStdW("m_Name", m_Name);
    return writer.GetErrorCount() == 0;
}

bool GxMoaVariableSet::Read(GxContentReaderBase& reader)
{
    m_Value.Read(reader);
    m_Scope = reader.ReadGxS32AltValue("m_Scope");
    m_Name = reader.ReadGxStringWValue("m_Name");
    return reader.GetErrorCount() == 0;
}

// ---------------------------------------------------------------- GxMoaVariableTable

GxMoaVariableTable::GxMoaVariableTable(const GxMoaVariableTable& other) : m_Kind(other.m_Kind)
{
    m_Sets.reserve(other.m_Sets.size());
    for (const auto& s : other.m_Sets) Append(std::make_unique<GxMoaVariableSet>(*s));
}

GxMoaVariableTable& GxMoaVariableTable::operator=(const GxMoaVariableTable& other)
{
    if (this != &other) {
        GxMoaVariableTable copy(other);
        *this = std::move(copy);
    }
    return *this;
}

void GxMoaVariableTable::Clear()
{
    m_Sets.clear();
    m_Index.clear();
}

GxMoaVariableSet* GxMoaVariableTable::Append(std::unique_ptr<GxMoaVariableSet> set)
{
    GxMoaVariableSet* p = set.get();
    m_Sets.push_back(std::move(set));
    m_Index.emplace(p->m_Name, p);  // keeps the first set of a name
    return p;
}

GxMoaVariableSet* GxMoaVariableTable::FindVariable(std::u16string_view name) const
{
    if (m_Index.empty()) return nullptr;
    auto it = m_Index.find(name);
    return it == m_Index.end() ? nullptr : it->second;
}

void GxMoaVariableTable::AddLocalVariable(std::u16string_view name, const GxMoaVariable& value)
{
    if (FindVariable(name)) return;
    Append(std::make_unique<GxMoaVariableSet>(name, MOASCOPE_LOCAL, value));
}

namespace {

// The initial value of a definition: an array definition whose initial value is no Array
// becomes an Array of that many Nulls.
void ShapeInitialValue(GxMoaVariable& value, const GxMoaVariableDefinition& def)
{
    value.Assign(def.m_InitValue);
    if (def.m_ArraySize >= 0 && value.GetValueType() != GxMoaValueType::Array) value.MakeArray(def.m_ArraySize);
}

}  // namespace

void GxMoaVariableTable::CreateVariableFromDefinition(const GxMoaVariableDefinition& definition)
{
    if (FindVariable(definition.m_Name)) return;
    auto set = std::make_unique<GxMoaVariableSet>(definition.m_Name, definition.m_Scope, GxMoaVariable());
    ShapeInitialValue(set->m_Value, definition);
    Append(std::move(set));
}

void GxMoaVariableTable::ResetVariableFromDefinition(GxMoaVariableSet& set, const GxMoaVariableDefinition* definition)
{
    if (definition) ShapeInitialValue(set.m_Value, *definition);
    else set.m_Value.SetNull();
}

GxMoaVariableSet* GxMoaVariableTable::SetVariable(std::u16string_view name, const GxMoaVariable* value, int32_t index)
{
    GxMoaVariableSet* set = FindVariable(name);
    if (!set) set = Append(std::make_unique<GxMoaVariableSet>(name, GetDefaultScope(), GxMoaVariable()));
    if (value) {
        set->m_Value.SetElement(index, *value);
    } else {
        const GxMoaVariable null;
        set->m_Value.SetElement(index, null);
    }
    return set;
}

GxMoaVariableSet* GxMoaVariableTable::DeclareVariable(std::u16string_view name, int32_t index)
{
    return SetVariable(name, nullptr, index);
}

bool GxMoaVariableTable::Write(GxContentWriterBase& writer, int32_t saveClass) const
{
    int32_t count = 0;
    for (const auto& s : m_Sets)
        if (GxMoaScopeInSaveClass(s->m_Scope, saveClass)) ++count;
    writer.WriteGxS32Alt("m_VariablesSize", count);
    for (const auto& s : m_Sets)
        if (GxMoaScopeInSaveClass(s->m_Scope, saveClass)) s->Write(writer);
    return writer.GetErrorCount() == 0;
}

bool GxMoaVariableTable::Read(GxContentReaderBase& reader, int32_t saveClass)
{
    const int32_t n = reader.ReadGxS32AltValue("m_VariablesSize");
    const int errors = reader.GetErrorCount();
    for (int32_t i = 0; i < n; ++i) {
        GxMoaVariableSet record;
        record.Read(reader);
        if (reader.GetErrorCount() != errors) break;
        if (!GxMoaScopeInSaveClass(record.m_Scope, saveClass)) continue;
        if (GxMoaVariableSet* set = FindVariable(record.m_Name)) {
            set->m_Value = std::move(record.m_Value);
        } else {
            Append(std::make_unique<GxMoaVariableSet>(std::move(record)));
        }
    }
    return reader.GetErrorCount() == 0;
}

// ---------------------------------------------------------------- GxMoaScriptEntity

GxMoaScriptEntity::GxMoaScriptEntity(GxMoa* program, GxMoaWorker* worker, GxMoaVariableTable* globals,
                                     const GxMoaScript* script)
    : m_pProgram(program), m_pWorker(worker), m_pGlobals(globals), m_pScript(script)
{
}

bool GxMoaScriptEntity::WriteVariables(GxContentWriterBase& writer, int32_t saveClass)
{
    return m_Statics.Write(writer, saveClass);
}

bool GxMoaScriptEntity::ReadVariables(GxContentReaderBase& reader, int32_t saveClass)
{
    return m_Statics.Read(reader, saveClass);
}

bool GxMoaScriptEntity::ReloadVariables(GxContentReaderBase& reader, int32_t saveClass)
{
    ResetVariables(saveClass);
    return m_Statics.Read(reader, saveClass);
}

void GxMoaScriptEntity::ResetVariables(int32_t saveClass)
{
    if (!m_pScript) return;
    for (int32_t i = 0; i < m_Statics.GetCount(); ++i) {
        GxMoaVariableSet* set = m_Statics.GetAt(i);
        if (!GxMoaScopeInSaveClass(set->m_Scope, saveClass)) continue;
        GxMoaVariableTable::ResetVariableFromDefinition(*set, m_pScript->FindVariableDefine(set->m_Name));
    }
}

GxMoaVariableSet* GxMoaScriptEntity::FindVariable(std::u16string_view name) const
{
    if (GxMoaVariableSet* s = m_Statics.FindVariable(name)) return s;
    if (m_pGlobals) {
        if (GxMoaVariableSet* s = m_pGlobals->FindVariable(name)) return s;
    }
    if (m_pProgram) return m_pProgram->GetVariableTable().FindVariable(name);
    return nullptr;
}
