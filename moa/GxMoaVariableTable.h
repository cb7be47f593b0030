// Named script variables, the tables that hold them, scopes and save classes, and the look-up
// chain of a script entity.
//
// Tables: the program instance owns the externs (kind 4), each worker the globals (kind 3),
// each script entity the statics of its script (kind 2) and each exec-stack block its locals
// (kind 1). A variable's scope decides its save class, and the save class is what saving,
// loading and resetting select.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "moa/GxMoaVariable.h"

class GxContentWriterBase;
class GxContentReaderBase;
class GxMoa;
class GxMoaScript;
class GxMoaVariableDefinition;
class GxMoaWorker;

// Scope codes.
enum GxMoaScope : int32_t
{
    MOASCOPE_NONE = 0,
    MOASCOPE_LOCAL = 1,
    MOASCOPE_STATIC_PERMAN = 2,
    MOASCOPE_STATIC_INGAME = 3,
    MOASCOPE_STATIC_NOSAVE = 4,
    MOASCOPE_GLOBAL_PERMAN = 5,
    MOASCOPE_GLOBAL_INGAME = 6,
    MOASCOPE_GLOBAL_NOSAVE = 7,
    MOASCOPE_EXTERN_PERMAN = 8,
    MOASCOPE_EXTERN_INGAME = 9,
    MOASCOPE_EXTERN_NOSAVE = 10,
};

// Save classes: the selector of every operation that stores, loads or resets variables.
enum GxMoaSaveClass : int32_t
{
    MOASAVE_ALL = 0,
    MOASAVE_PERMAN = 2,   // scopes 2, 5, 8: the data kept across plays
    MOASAVE_INGAME = 3,   // scopes 3, 6, 9 and 1 (LOCAL): the running game
    MOASAVE_NOSAVE = 4,   // scopes 4, 7, 10: never stored
};

// Table kinds: the owner of a table, which decides the scope of a variable it creates by name.
enum GxMoaTableKind : int32_t
{
    MOATABLE_LOCAL = 1,
    MOATABLE_STATIC = 2,
    MOATABLE_GLOBAL = 3,
    MOATABLE_EXTERN = 4,
};

// Whether a variable of the scope belongs to the save class. Class 0 takes every scope; class 1
// and any value other than 0, 2, 3, 4 take none.
bool GxMoaScopeInSaveClass(int32_t scope, int32_t saveClass);

// The scope of a variable that a table of this kind creates by name alone.
int32_t GxMoaDefaultScopeOfTable(int32_t tableKind);

// One named variable.
class GxMoaVariableSet
{
public:
    // Name "_", scope LOCAL and a copy of the value (Null when none): the temporary record that
    // carries a jump's or call's argument.
    GxMoaVariableSet() : m_Scope(MOASCOPE_LOCAL), m_Name(u"_") {}
    explicit GxMoaVariableSet(const GxMoaVariable* value) : m_Scope(MOASCOPE_LOCAL), m_Name(u"_")
    {
        if (value) m_Value.Assign(*value);
    }
    GxMoaVariableSet(std::u16string_view name, int32_t scope, const GxMoaVariable& value)
        : m_Value(value), m_Scope(scope), m_Name(name)
    {
    }
    GxMoaVariableSet(const GxMoaVariableSet&) = default;
    GxMoaVariableSet(GxMoaVariableSet&&) noexcept = default;
    GxMoaVariableSet& operator=(const GxMoaVariableSet&) = default;
    GxMoaVariableSet& operator=(GxMoaVariableSet&&) noexcept = default;
    virtual ~GxMoaVariableSet() = default;

    // The value, then "m_Scope" (S32), then "m_Name" (string).
    virtual bool Write(GxContentWriterBase& writer) const;
    // The same order; a missing scope reads as 0.
    virtual bool Read(GxContentReaderBase& reader);

    GxMoaVariable m_Value;
    int32_t m_Scope;
    // Compared exactly. A set's name must not change while it is in a table (the table indexes
    // it by name).
    std::u16string m_Name;
};

class GxMoaVariableTable
{
public:
    explicit GxMoaVariableTable(int32_t kind = MOATABLE_LOCAL) : m_Kind(kind) {}
    GxMoaVariableTable(const GxMoaVariableTable& other);
    GxMoaVariableTable& operator=(const GxMoaVariableTable& other);
    GxMoaVariableTable(GxMoaVariableTable&&) noexcept = default;
    GxMoaVariableTable& operator=(GxMoaVariableTable&&) noexcept = default;
    virtual ~GxMoaVariableTable() = default;

    // "m_VariablesSize" (S32) = the number of sets in the save class, then each such set in
    // table order.
    virtual bool Write(GxContentWriterBase& writer, int32_t saveClass) const;
    // Reads "m_VariablesSize" records. A record in the save class (class 0: every record)
    // replaces the value of the set of its name, which keeps its own scope, or is appended
    // with its stored scope; other records are dropped. Reading stops at the first damaged
    // record (which is dropped): the count in a damaged stream never drives the loop.
    virtual bool Read(GxContentReaderBase& reader, int32_t saveClass);

    int32_t GetKind() const { return m_Kind; }
    void SetKind(int32_t kind) { m_Kind = kind; }
    int32_t GetDefaultScope() const { return GxMoaDefaultScopeOfTable(m_Kind); }

    // Sets in creation order. The pointers stay valid until the table is cleared or destroyed.
    int32_t GetCount() const { return static_cast<int32_t>(m_Sets.size()); }
    GxMoaVariableSet* GetAt(int32_t index) const { return m_Sets[static_cast<size_t>(index)].get(); }
    void Clear();

    // The first set of the name, or null.
    GxMoaVariableSet* FindVariable(std::u16string_view name) const;

    // Appends a LOCAL set with a copy of the value unless the name exists (then nothing changes).
    void AddLocalVariable(std::u16string_view name, const GxMoaVariable& value);
    // Appends a set with the definition's name, scope and initial value (an Array of the
    // definition's array size when that is 0 or more and the initial value is no Array),
    // unless the name exists: an existing variable keeps its value and scope.
    void CreateVariableFromDefinition(const GxMoaVariableDefinition& definition);
    // The set's value becomes the definition's initial value (shaped as above), or Null
    // without a definition; scope and name stay.
    static void ResetVariableFromDefinition(GxMoaVariableSet& set, const GxMoaVariableDefinition* definition);
    // Finds or appends (default scope, Null) the variable, then assigns the value (Null when
    // none) at the element index (-1: the whole value).
    GxMoaVariableSet* SetVariable(std::u16string_view name, const GxMoaVariable* value, int32_t index = -1);
    // Finds or appends the variable, then assigns Null at the element index.
    GxMoaVariableSet* DeclareVariable(std::u16string_view name, int32_t index = -1);

private:
    GxMoaVariableSet* Append(std::unique_ptr<GxMoaVariableSet> set);

    std::vector<std::unique_ptr<GxMoaVariableSet>> m_Sets;
    // Name -> the first set of that name. Sets are only ever appended or cleared all at once.
    struct NameHash
    {
        using is_transparent = void;
        size_t operator()(std::u16string_view s) const noexcept { return std::hash<std::u16string_view>()(s); }
    };
    std::unordered_map<std::u16string, GxMoaVariableSet*, NameHash, std::equal_to<>> m_Index;
    int32_t m_Kind;
};

// The statics of one script for one worker, and the look-up chain statics -> the worker's
// globals -> the program's externs.
class GxMoaScriptEntity
{
public:
    // globals: the table of GLOBAL variables of the worker (the second link of the chain); the
    // worker passes its own. Any pointer may be null.
    GxMoaScriptEntity(GxMoa* program, GxMoaWorker* worker, GxMoaVariableTable* globals, const GxMoaScript* script);
    virtual ~GxMoaScriptEntity() = default;

    // The statics table's Write / Read for the save class.
    virtual bool WriteVariables(GxContentWriterBase& writer, int32_t saveClass);
    virtual bool ReadVariables(GxContentReaderBase& reader, int32_t saveClass);
    // With a script: resets the statics of the class from the script's definitions first.
    virtual bool ReloadVariables(GxContentReaderBase& reader, int32_t saveClass);

    // The first of: the statics, the worker's globals, the program's externs.
    GxMoaVariableSet* FindVariable(std::u16string_view name) const;
    // Each static of the class (class 0: every one) takes its initial value from the script's
    // definition of its name (Null without one). Nothing without a script.
    void ResetVariables(int32_t saveClass);

    GxMoa* GetProgram() const { return m_pProgram; }
    GxMoaWorker* GetWorker() const { return m_pWorker; }
    const GxMoaScript* GetScript() const { return m_pScript; }
    GxMoaVariableTable& GetVariableTable() { return m_Statics; }
    const GxMoaVariableTable& GetVariableTable() const { return m_Statics; }

private:
    GxMoa* m_pProgram;
    GxMoaWorker* m_pWorker;
    GxMoaVariableTable* m_pGlobals;
    const GxMoaScript* m_pScript;
    GxMoaVariableTable m_Statics{MOATABLE_STATIC};
};
