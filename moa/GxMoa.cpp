#include "moa/GxMoa.h"

#include "core/GxContentReader.h"
#include "core/GxContentWriter.h"

namespace {

// Reads one list: its begin and count, then readItem once per element while the stream stays
// sound, then its end. The count only bounds the loop (it is never used to size anything), and
// the first failed value ends the list, so a damaged count cannot drive a long loop of failing
// reads. True when the list was read without a new error.
template <typename F>
bool ReadList(GxContentReaderBase& reader, const char* key, F&& readItem)
{
    const int errors = reader.GetErrorCount();
    uint32_t count = 0;
    if (!reader.ReadListBegin(key, count)) return false;
    for (uint32_t i = 0; i < count; ++i) {
        readItem();
        if (reader.GetErrorCount() != errors) return false;
    }
    return reader.ReadListEnd() && reader.GetErrorCount() == errors;
}

template <typename Map, typename T>
const T* FindInMap(const Map& map, std::u16string_view name)
{
    auto it = map.find(name);
    return it == map.end() ? nullptr : it->second.get();
}

}  // namespace

// ---------------------------------------------------------------- positions and definitions

bool GxMoaScriptPos::Write(GxContentWriterBase& writer) const
{
    GxMoaRunPos::Write(writer);
    writer.WriteGxStringStdW("m_ScriptName", m_ScriptName);
    return writer.GetErrorCount() == 0;
}

bool GxMoaScriptPos::Read(GxContentReaderBase& reader)
{
    m_pScriptEntity = nullptr;
    m_ScriptName.clear();
    GxMoaRunPos::Read(reader);
    m_ScriptName = reader.ReadGxStringWValue("m_ScriptName");
    return reader.GetErrorCount() == 0;
}

bool GxMoaLabelDefinition::Write(GxContentWriterBase& writer) const
{
    writer.WriteGxStringStdW("m_Name", m_Name);
    m_Pos.Write(writer);
    writer.WriteGxS32Alt("m_Scope", m_Scope);
    return writer.GetErrorCount() == 0;
}

bool GxMoaLabelDefinition::Read(GxContentReaderBase& reader)
{
    m_Name = reader.ReadGxStringWValue("m_Name");
    m_Pos.Read(reader);
    m_Scope = reader.ReadGxS32AltValue("m_Scope");
    return reader.GetErrorCount() == 0;
}

bool GxMoaVariableDefinition::Write(GxContentWriterBase& writer) const
{
    writer.WriteGxStringStdW("m_Name", m_Name);
    writer.WriteGxS32Alt("m_ArraySize", m_ArraySize);
    writer.WriteGxS32Alt("m_Scope", m_Scope);
    m_InitValue.Write(writer);
    writer.WriteGxStringStdW("m_ScriptName", m_ScriptName);
    writer.WriteGxS32Alt("m_Line", m_Line);
    return writer.GetErrorCount() == 0;
}

bool GxMoaVariableDefinition::Read(GxContentReaderBase& reader)
{
    m_Name = reader.ReadGxStringWValue("m_Name");
    reader.ReadGxS32Alt("m_ArraySize", m_ArraySize);
    m_Scope = reader.ReadGxS32AltValue("m_Scope");
    m_InitValue.Read(reader);
    m_ScriptName = reader.ReadGxStringWValue("m_ScriptName");
    reader.ReadGxS32Alt("m_Line", m_Line);
    return reader.GetErrorCount() == 0;
}

bool GxMoaBuiltinDefinition::Write(GxContentWriterBase& writer) const
{
    writer.WriteGxStringStdW("m_Name", m_Name);
    writer.WriteGxS32Alt("m_BuiltinIndex", m_BuiltinIndex);
    writer.WriteGxS32Alt("m_RelatedIndex", m_RelatedIndex);
    writer.WriteGxS32Alt("m_BuiltinType", m_BuiltinType);
    return writer.GetErrorCount() == 0;
}

bool GxMoaBuiltinDefinition::Read(GxContentReaderBase& reader)
{
    m_Name = reader.ReadGxStringWValue("m_Name");
    reader.ReadGxS32Alt("m_BuiltinIndex", m_BuiltinIndex);
    reader.ReadGxS32Alt("m_RelatedIndex", m_RelatedIndex);
    m_BuiltinType = reader.ReadGxS32AltValue("m_BuiltinType");
    return reader.GetErrorCount() == 0;
}

bool GxMoaScriptStep::Write(GxContentWriterBase& writer) const
{
    writer.WriteListBegin("m_Tokens", "", static_cast<uint32_t>(m_Tokens.size()));
    for (const GxMoaToken& t : m_Tokens) t.Write(writer);
    writer.WriteListEnd();
    return writer.GetErrorCount() == 0;
}

bool GxMoaScriptStep::Read(GxContentReaderBase& reader)
{
    m_Tokens.clear();
    const int errors = reader.GetErrorCount();
    ReadList(reader, "m_Tokens", [&] {
        m_Tokens.emplace_back();
        m_Tokens.back().Read(reader);
        if (reader.GetErrorCount() != errors) m_Tokens.pop_back();
    });
    return reader.GetErrorCount() == 0;
}

// ---------------------------------------------------------------- GxMoaScript

void GxMoaScript::Clear()
{
    m_ScriptName.clear();
    m_pLabelDefine.clear();
    m_VariableDefine.clear();
    m_Lines.clear();
    m_Source.Clear();
}

const GxMoaLabelDefinition* GxMoaScript::FindLabelDefine(std::u16string_view name) const
{
    return FindInMap<GxMoaLabelMap, GxMoaLabelDefinition>(m_pLabelDefine, name);
}

const GxMoaVariableDefinition* GxMoaScript::FindVariableDefine(std::u16string_view name) const
{
    for (const GxMoaVariableDefinition& d : m_VariableDefine)
        if (d.m_Name == name) return &d;
    return nullptr;
}

bool GxMoaScript::AddLabelDefine(const GxMoaLabelDefinition& label)
{
    if (m_pLabelDefine.find(label.m_Name) != m_pLabelDefine.end()) return false;
    m_pLabelDefine.emplace(label.m_Name, std::make_unique<GxMoaLabelDefinition>(label));
    return true;
}

bool GxMoaScript::Write(GxContentWriterBase& writer) const
{
    writer.WriteGxStringStdW("m_ScriptName", m_ScriptName);
    writer.WriteListBegin("m_pLabelDefine", "", static_cast<uint32_t>(m_pLabelDefine.size()));
    for (const auto& [name, label] : m_pLabelDefine) label->Write(writer);
    writer.WriteListEnd();
    writer.WriteListBegin("m_VariableDefine", "", static_cast<uint32_t>(m_VariableDefine.size()));
    for (const GxMoaVariableDefinition& d : m_VariableDefine) d.Write(writer);
    writer.WriteListEnd();
    writer.WriteListBegin("m_Lines", "", static_cast<uint32_t>(m_Lines.size()));
    for (const GxMoaScriptStep& line : m_Lines) line.Write(writer);
    writer.WriteListEnd();
    return writer.GetErrorCount() == 0;
}

bool GxMoaScript::Read(GxContentReaderBase& reader)
{
    Clear();
    const int errors = reader.GetErrorCount();
    m_ScriptName = reader.ReadGxStringWValue("m_ScriptName");
    if (reader.GetErrorCount() != errors) return false;

    bool ok = ReadList(reader, "m_pLabelDefine", [&] {
        auto label = std::make_unique<GxMoaLabelDefinition>();
        label->Read(reader);
        if (reader.GetErrorCount() != errors) return;
        std::u16string name = label->m_Name;
        m_pLabelDefine.try_emplace(std::move(name), std::move(label));  // a duplicate is dropped
    });
    ok = ok && ReadList(reader, "m_VariableDefine", [&] {
        GxMoaVariableDefinition d;
        d.Read(reader);
        if (reader.GetErrorCount() == errors) m_VariableDefine.push_back(std::move(d));
    });
    ok = ok && ReadList(reader, "m_Lines", [&] {
        GxMoaScriptStep line;
        line.Read(reader);
        if (reader.GetErrorCount() == errors) m_Lines.push_back(std::move(line));
    });
    return ok && reader.GetErrorCount() == 0;
}

int32_t GxMoaScript::GetTokenCount(int32_t line) const
{
    if (line < 0 || line >= GetLineCount()) return 0;
    return static_cast<int32_t>(m_Lines[static_cast<size_t>(line)].m_Tokens.size());
}

int32_t GxMoaScript::CheckPos(int32_t line, int32_t pos) const
{
    if (line < 0 || pos < 0) return 0;
    if (line >= GetLineCount()) return -2;
    return pos < GetTokenCount(line) ? 1 : -1;
}

const GxMoaToken& GxMoaScript::GetToken(int32_t line, int32_t pos) const
{
    if (CheckPos(line, pos) != 1) return GxMoaGetEndToken();
    return m_Lines[static_cast<size_t>(line)].m_Tokens[static_cast<size_t>(pos)];
}

bool GxMoaScript::NextToken(GxMoaRunPos& p) const
{
    if (p.m_Line < 0) return false;
    const int32_t lines = GetLineCount();
    if (p.m_Line >= lines) {
        p.m_Line = lines;
        p.m_Pos = 0;
        return false;
    }
    if (p.m_Pos < -1) p.m_Pos = -1;
    if (p.m_Pos < GetTokenCount(p.m_Line) - 1) {
        ++p.m_Pos;
        return true;
    }
    for (int32_t line = p.m_Line + 1; line < lines; ++line) {
        if (GetTokenCount(line) > 0) {
            p.m_Line = line;
            p.m_Pos = 0;
            return true;
        }
    }
    p.m_Line = lines;
    p.m_Pos = 0;
    return false;
}

int32_t GxMoaScript::NextLine(GxMoaRunPos& p) const
{
    const int32_t result = CheckPos(p);
    if (result != -2) {
        ++p.m_Line;
        p.m_Pos = 0;
    }
    return result;
}

bool GxMoaScript::NextTokenInLine(GxMoaRunPos& p) const
{
    if (p.m_Line < 0) return false;
    const int32_t lines = GetLineCount();
    if (p.m_Line >= lines) {
        p.m_Line = lines;
        p.m_Pos = 0;
        return false;
    }
    const int32_t count = GetTokenCount(p.m_Line);
    if (p.m_Pos < -1) p.m_Pos = -1;
    if (p.m_Pos < count - 1) {
        ++p.m_Pos;
        return true;
    }
    p.m_Pos = count;
    return false;
}

bool GxMoaScript::PrevTokenInLine(GxMoaRunPos& p) const
{
    if (p.m_Line < 0) {
        p.m_Line = -1;
        p.m_Pos = 0;
        return false;
    }
    const int32_t lines = GetLineCount();
    if (p.m_Line >= lines) {
        p.m_Line = lines;
        p.m_Pos = 0;
        return false;
    }
    p.m_Pos = p.m_Pos <= -1 ? -1 : p.m_Pos - 1;
    return CheckPos(p) == 1;
}

bool GxMoaScript::SkipToBlockStart(GxMoaRunPos& p, int32_t line, int32_t pos) const
{
    p.m_Line = line;
    p.m_Pos = pos;
    for (;;) {
        const int32_t type = GetTokenAt(p).GetType();
        if (type == MOATOKEN_BLOCKSTART) return true;
        if (type == MOATOKEN_END) return false;
        if (!NextToken(p)) return false;
    }
}

// ---------------------------------------------------------------- GxMoa

void GxMoa::ClearAll()
{
    m_pLabelDefine.clear();
    m_VariableDefine.clear();
    m_BuiltinDefine.clear();
    m_NamedValues.clear();
    m_pScriptDefine.clear();
}

void GxMoa::ResetRunState()
{
    m_ErrorStop = false;
    m_Breakpoint = false;
    m_ErrorCount = 0;
    m_WarningCount = 0;
}

bool GxMoa::AddLabelDefine(const GxMoaLabelDefinition& label)
{
    if (m_pLabelDefine.find(label.m_Name) != m_pLabelDefine.end()) return false;
    m_pLabelDefine.emplace(label.m_Name, std::make_unique<GxMoaLabelDefinition>(label));
    return true;
}

bool GxMoa::AddVariableDefine(const GxMoaVariableDefinition& definition)
{
    if (FindVariableDefine(definition.m_Name)) return false;
    m_VariableDefine.push_back(definition);
    return true;
}

bool GxMoa::AddBuiltinDefine(const GxMoaBuiltinDefinition& definition)
{
    if (FindBuiltinDefine(definition.m_Name)) return false;
    m_BuiltinDefine.push_back(definition);
    return true;
}

bool GxMoa::AddNamedValue(std::u16string_view name, const GxMoaVariable& value)
{
    if (m_NamedValues.find(name) != m_NamedValues.end()) return false;
    m_NamedValues.emplace(std::u16string(name), std::make_unique<GxMoaVariable>(value));
    return true;
}

bool GxMoa::AddScript(std::unique_ptr<GxMoaScript> script)
{
    if (!script || m_pScriptDefine.find(script->m_ScriptName) != m_pScriptDefine.end()) return false;
    std::u16string name = script->m_ScriptName;
    m_pScriptDefine.emplace(std::move(name), std::move(script));
    return true;
}

const GxMoaLabelDefinition* GxMoa::FindLabelDefine(std::u16string_view name) const
{
    return FindInMap<GxMoaLabelMap, GxMoaLabelDefinition>(m_pLabelDefine, name);
}

const GxMoaVariableDefinition* GxMoa::FindVariableDefine(std::u16string_view name) const
{
    for (const GxMoaVariableDefinition& d : m_VariableDefine)
        if (d.m_Name == name) return &d;
    return nullptr;
}

const GxMoaBuiltinDefinition* GxMoa::FindBuiltinDefine(std::u16string_view name) const
{
    for (const GxMoaBuiltinDefinition& d : m_BuiltinDefine)
        if (d.m_Name == name) return &d;
    return nullptr;
}

GxMoaVariable* GxMoa::FindNamedValue(std::u16string_view name) const
{
    auto it = m_NamedValues.find(name);
    return it == m_NamedValues.end() ? nullptr : it->second.get();
}

GxMoaScript* GxMoa::FindScript(std::u16string_view scriptName) const
{
    auto it = m_pScriptDefine.find(scriptName);
    return it == m_pScriptDefine.end() ? nullptr : it->second.get();
}

const GxMoaLabelDefinition* GxMoa::FindLabelInScript(std::u16string_view name, const GxMoaScript* script) const
{
    if (name.empty()) return nullptr;
    if (name[0] != u'@') return FindLabelDefine(name);
    return script ? script->FindLabelDefine(name) : nullptr;
}

const GxMoaLabelDefinition* GxMoa::FindLabelInEntity(std::u16string_view name, const GxMoaScriptEntity* entity) const
{
    if (name.empty()) return nullptr;
    if (name[0] != u'@') return FindLabelDefine(name);
    if (!entity || !entity->GetScript()) return nullptr;
    return entity->GetScript()->FindLabelDefine(name);
}

bool GxMoa::IsLabelInScript(std::u16string_view name, std::u16string_view scriptName) const
{
    return FindLabelInScript(name, FindScript(scriptName)) != nullptr;
}

bool GxMoa::WriteProgram(GxContentWriterBase& writer) const
{
    writer.WriteListBegin("m_pLabelDefine", "", static_cast<uint32_t>(m_pLabelDefine.size()));
    for (const auto& [name, label] : m_pLabelDefine) label->Write(writer);
    writer.WriteListEnd();
    writer.WriteListBegin("m_VariableDefine", "", static_cast<uint32_t>(m_VariableDefine.size()));
    for (const GxMoaVariableDefinition& d : m_VariableDefine) d.Write(writer);
    writer.WriteListEnd();
    writer.WriteListBegin("m_BuiltinDefine", "", static_cast<uint32_t>(m_BuiltinDefine.size()));
    for (const GxMoaBuiltinDefinition& d : m_BuiltinDefine) d.Write(writer);
    writer.WriteListEnd();
    writer.WriteListBegin("m_pScriptDefine", "", static_cast<uint32_t>(m_pScriptDefine.size()));
    for (const auto& [name, script] : m_pScriptDefine) script->Write(writer);
    writer.WriteListEnd();
    return writer.GetErrorCount() == 0;
}

bool GxMoa::ReadProgram(GxContentReaderBase& reader)
{
    ClearAll();
    const int errors = reader.GetErrorCount();

    bool ok = ReadList(reader, "m_pLabelDefine", [&] {
        auto label = std::make_unique<GxMoaLabelDefinition>();
        label->Read(reader);
        if (reader.GetErrorCount() != errors) return;
        std::u16string name = label->m_Name;
        m_pLabelDefine.try_emplace(std::move(name), std::move(label));  // a duplicate is dropped
    });
    ok = ok && ReadList(reader, "m_VariableDefine", [&] {
        GxMoaVariableDefinition d;
        d.Read(reader);
        if (reader.GetErrorCount() == errors) m_VariableDefine.push_back(std::move(d));
    });
    ok = ok && ReadList(reader, "m_BuiltinDefine", [&] {
        GxMoaBuiltinDefinition d;
        d.Read(reader);
        if (reader.GetErrorCount() == errors) m_BuiltinDefine.push_back(std::move(d));
    });
    ok = ok && ReadList(reader, "m_pScriptDefine", [&] {
        auto script = std::make_unique<GxMoaScript>(this);
        script->Read(reader);
        if (reader.GetErrorCount() != errors) return;
        std::u16string name = script->m_ScriptName;
        m_pScriptDefine.try_emplace(std::move(name), std::move(script));  // a duplicate is dropped
    });
    return ok && reader.GetErrorCount() == 0;
}

bool GxMoa::WriteVariables(GxContentWriterBase& writer, int32_t saveClass)
{
    m_Variables.Write(writer, saveClass);
    return writer.GetErrorCount() == 0;
}

bool GxMoa::ReadVariables(GxContentReaderBase& reader, int32_t saveClass)
{
    m_Variables.Read(reader, saveClass);
    return reader.GetErrorCount() == 0;
}

bool GxMoa::ReloadVariables(GxContentReaderBase& reader, int32_t saveClass)
{
    ResetVariables(saveClass);
    m_Variables.Read(reader, saveClass);
    CreateExternVariables();
    return reader.GetErrorCount() == 0;
}

void GxMoa::InitExternVariables()
{
    m_Variables.Clear();
    CreateExternVariables();
}

void GxMoa::CreateExternVariables()
{
    for (const GxMoaVariableDefinition& d : m_VariableDefine)
        if (GxMoaIsExternScope(d.m_Scope)) m_Variables.CreateVariableFromDefinition(d);
}

void GxMoa::ResetVariables(int32_t saveClass)
{
    for (int32_t i = 0; i < m_Variables.GetCount(); ++i) {
        GxMoaVariableSet* set = m_Variables.GetAt(i);
        if (!GxMoaIsExternScope(set->m_Scope) || !GxMoaScopeInSaveClass(set->m_Scope, saveClass)) continue;
        GxMoaVariableTable::ResetVariableFromDefinition(*set, FindVariableDefine(set->m_Name));
    }
}

bool GxMoa::ResetInGameVariables()
{
    ResetVariables(MOASAVE_INGAME);
    ResetVariables(MOASAVE_NOSAVE);
    return true;
}

void GxMoa::OutputTraceArgs(std::u16string_view, const GxFmtArg*, size_t) {}

void GxMoa::OutputWarningArgs(std::u16string_view, int32_t, std::u16string_view, const GxFmtArg*, size_t)
{
    ++m_WarningCount;
}

void GxMoa::OutputErrorArgs(std::u16string_view, int32_t, std::u16string_view, const GxFmtArg*, size_t)
{
    ++m_ErrorCount;
}
