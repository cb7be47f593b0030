// The program instance of the Moa runtime and the model of a compiled package.
//
// GxMoa holds what the external compiler leaves in "bincode/moacode.mwb": the global labels,
// the program-wide variable definitions, the builtin definitions and every script with its
// lines of tokens. It also owns the table of EXTERN variables, the named values, and the error
// and breakpoint flags and report counters that the executor and the workers consult.
//
// The package is the binary form of the content stream with no header: four lists, global
// labels, variable definitions, builtin definitions, scripts (maps in name order). Labels whose
// name begins with "@" are local to their script and live in the script's own label map.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/GxBinBuffer.h"
#include "core/GxFormat.h"
#include "moa/GxMoaToken.h"
#include "moa/GxMoaVariable.h"
#include "moa/GxMoaVariableTable.h"

class GxContentWriterBase;
class GxContentReaderBase;
class GxMoa;

// A position together with the script it lies in.
class GxMoaScriptPos : public GxMoaRunPos
{
public:
    GxMoaScriptPos() = default;
    GxMoaScriptPos(int32_t line, int32_t pos, std::u16string_view scriptName)
        : GxMoaRunPos(line, pos), m_ScriptName(scriptName)
    {
    }

    // "m_Line", "m_Pos", "m_ScriptName". The entity is not stored.
    bool Write(GxContentWriterBase& writer) const override;
    // Starts from line 0, pos -1, no entity and no name.
    bool Read(GxContentReaderBase& reader) override;

    // The running script's entity, resolved from m_ScriptName by the worker that enters the
    // position; null in definitions and after Read. Not owned.
    GxMoaScriptEntity* m_pScriptEntity = nullptr;
    std::u16string m_ScriptName;
};

class GxMoaLabelDefinition
{
public:
    GxMoaLabelDefinition() = default;
    GxMoaLabelDefinition(const GxMoaLabelDefinition&) = default;
    GxMoaLabelDefinition(GxMoaLabelDefinition&&) noexcept = default;
    GxMoaLabelDefinition& operator=(const GxMoaLabelDefinition&) = default;
    GxMoaLabelDefinition& operator=(GxMoaLabelDefinition&&) noexcept = default;
    virtual ~GxMoaLabelDefinition() = default;
    // "m_Name", the position, "m_Scope".
    virtual bool Write(GxContentWriterBase& writer) const;
    virtual bool Read(GxContentReaderBase& reader);

    std::u16string m_Name;   // a local label keeps its leading "@"
    GxMoaScriptPos m_Pos;    // the label declaration's line and token
    int32_t m_Scope = 0;
};

class GxMoaVariableDefinition
{
public:
    GxMoaVariableDefinition() = default;
    GxMoaVariableDefinition(const GxMoaVariableDefinition&) = default;
    GxMoaVariableDefinition(GxMoaVariableDefinition&&) noexcept = default;
    GxMoaVariableDefinition& operator=(const GxMoaVariableDefinition&) = default;
    GxMoaVariableDefinition& operator=(GxMoaVariableDefinition&&) noexcept = default;
    virtual ~GxMoaVariableDefinition() = default;
    // "m_Name", "m_ArraySize", "m_Scope", the initial value, "m_ScriptName", "m_Line".
    virtual bool Write(GxContentWriterBase& writer) const;
    virtual bool Read(GxContentReaderBase& reader);

    std::u16string m_Name;
    int32_t m_ArraySize = -1;   // -1: not an array; 0 or more: an array of that many elements
    int32_t m_Scope = 0;        // a GxMoaScope code
    GxMoaVariable m_InitValue;
    std::u16string m_ScriptName;
    int32_t m_Line = 0;
};

class GxMoaBuiltinDefinition
{
public:
    GxMoaBuiltinDefinition() = default;
    GxMoaBuiltinDefinition(const GxMoaBuiltinDefinition&) = default;
    GxMoaBuiltinDefinition(GxMoaBuiltinDefinition&&) noexcept = default;
    GxMoaBuiltinDefinition& operator=(const GxMoaBuiltinDefinition&) = default;
    GxMoaBuiltinDefinition& operator=(GxMoaBuiltinDefinition&&) noexcept = default;
    virtual ~GxMoaBuiltinDefinition() = default;
    // "m_Name", "m_BuiltinIndex", "m_RelatedIndex", "m_BuiltinType".
    virtual bool Write(GxContentWriterBase& writer) const;
    virtual bool Read(GxContentReaderBase& reader);

    std::u16string m_Name;
    int32_t m_BuiltinIndex = -1;   // the number the command dispatcher receives
    int32_t m_RelatedIndex = -1;   // kept as the compiler stored it
    int32_t m_BuiltinType = 1;     // kept as the compiler stored it
};

// One line of a script.
class GxMoaScriptStep
{
public:
    GxMoaScriptStep() = default;
    GxMoaScriptStep(const GxMoaScriptStep&) = default;
    GxMoaScriptStep(GxMoaScriptStep&&) noexcept = default;
    GxMoaScriptStep& operator=(const GxMoaScriptStep&) = default;
    GxMoaScriptStep& operator=(GxMoaScriptStep&&) noexcept = default;
    virtual ~GxMoaScriptStep() = default;
    // List "m_Tokens": the count, each token, the list end.
    virtual bool Write(GxContentWriterBase& writer) const;
    virtual bool Read(GxContentReaderBase& reader);

    std::vector<GxMoaToken> m_Tokens;
};

using GxMoaLabelMap = std::map<std::u16string, std::unique_ptr<GxMoaLabelDefinition>, std::less<>>;

// One compiled script file, with the cursor operations that walk its lines. Every position that
// holds no token (a negative line or pos, past a line's end, an empty line, past the last line)
// reads as the shared end token (type 17), so walkers stop there without a bounds test.
class GxMoaScript
{
public:
    explicit GxMoaScript(GxMoa* owner) : m_pOwner(owner) {}
    GxMoaScript(const GxMoaScript&) = delete;
    GxMoaScript& operator=(const GxMoaScript&) = delete;
    virtual ~GxMoaScript() = default;

    // "m_ScriptName", then the lists "m_pLabelDefine", "m_VariableDefine", "m_Lines".
    virtual bool Write(GxContentWriterBase& writer) const;
    // Clear first. A duplicate local label keeps the first; every list stops at its first read
    // error.
    virtual bool Read(GxContentReaderBase& reader);

    // Empties the name, the local labels, the definitions, the lines and the source buffer.
    void Clear();
    GxMoa* GetOwner() const { return m_pOwner; }

    const GxMoaLabelDefinition* FindLabelDefine(std::u16string_view name) const;
    // The first definition of the name in stored order, or null.
    const GxMoaVariableDefinition* FindVariableDefine(std::u16string_view name) const;
    // Stores a copy as a local label; false (nothing stored) when the name is present.
    bool AddLabelDefine(const GxMoaLabelDefinition& label);

    // ---- cursor operations ----
    int32_t GetLineCount() const { return static_cast<int32_t>(m_Lines.size()); }
    // Tokens of the line; 0 outside the script.
    int32_t GetTokenCount(int32_t line) const;
    // 1 a token stands there; 0 line or pos negative; -2 line at or past the line count;
    // -1 past the end of the line (also any pos of an empty line).
    int32_t CheckPos(int32_t line, int32_t pos) const;
    int32_t CheckPos(const GxMoaRunPos& p) const { return CheckPos(p.m_Line, p.m_Pos); }
    // The token there, or the shared end token.
    const GxMoaToken& GetToken(int32_t line, int32_t pos) const;
    const GxMoaToken& GetTokenAt(const GxMoaRunPos& p) const { return GetToken(p.m_Line, p.m_Pos); }
    // The next token, across lines (empty lines skipped); at the end: (line count, 0), false.
    bool NextToken(GxMoaRunPos& p) const;
    // Unless past the last line: the next line's pos 0. Returns CheckPos of the old position.
    int32_t NextLine(GxMoaRunPos& p) const;
    // The next token within the line; past its end pos becomes the token count and the result
    // false. Past the last line: (line count, 0), false.
    bool NextTokenInLine(GxMoaRunPos& p) const;
    // The previous token within the line (pos not below -1); true when a token stands there.
    bool PrevTokenInLine(GxMoaRunPos& p) const;
    // From (line, pos) forward to the next "{": true with p on it; false at an end token.
    bool SkipToBlockStart(GxMoaRunPos& p, int32_t line, int32_t pos) const;

    std::u16string m_ScriptName;
    GxMoaLabelMap m_pLabelDefine;                    // local labels ("@" names)
    std::vector<GxMoaVariableDefinition> m_VariableDefine;
    std::vector<GxMoaScriptStep> m_Lines;
    GxBinBuffer m_Source;                            // not stored

private:
    GxMoa* m_pOwner;
};

using GxMoaScriptMap = std::map<std::u16string, std::unique_ptr<GxMoaScript>, std::less<>>;

class GxMoa
{
public:
    GxMoa() = default;
    GxMoa(const GxMoa&) = delete;
    GxMoa& operator=(const GxMoa&) = delete;
    virtual ~GxMoa() = default;

    // Deletes every label, definition, named value and script.
    virtual void ClearAll();
    // Clears the error-stop and breakpoint flags and both counters.
    virtual void ResetRunState();

    // Each stores a copy; false (the first entry stays) when the name is present.
    virtual bool AddLabelDefine(const GxMoaLabelDefinition& label);
    virtual bool AddVariableDefine(const GxMoaVariableDefinition& definition);
    virtual bool AddBuiltinDefine(const GxMoaBuiltinDefinition& definition);
    virtual bool AddNamedValue(std::u16string_view name, const GxMoaVariable& value);

    virtual const GxMoaLabelDefinition* FindLabelDefine(std::u16string_view name) const;
    // The first definition of the name in stored order.
    virtual const GxMoaVariableDefinition* FindVariableDefine(std::u16string_view name) const;
    virtual const GxMoaBuiltinDefinition* FindBuiltinDefine(std::u16string_view name) const;
    virtual GxMoaVariable* FindNamedValue(std::u16string_view name) const;
    virtual GxMoaScript* FindScript(std::u16string_view scriptName) const;
    // The EXTERN variables.
    virtual GxMoaVariableTable& GetVariableTable() { return m_Variables; }

    // A name beginning with "@" is looked up among the script's own labels (null without a
    // script); any other name among the global labels. An empty name gives null.
    virtual const GxMoaLabelDefinition* FindLabelInScript(std::u16string_view name, const GxMoaScript* script) const;
    virtual const GxMoaLabelDefinition* FindLabelInEntity(std::u16string_view name, const GxMoaScriptEntity* entity) const;
    virtual bool IsLabelInScript(std::u16string_view name, std::u16string_view scriptName) const;

    // The package. Both report success when the stream's error count is 0 afterwards.
    virtual bool WriteProgram(GxContentWriterBase& writer) const;
    // ClearAll, then the four lists. A duplicate global label or script keeps the first. Every
    // list stops at its first read error and nothing after it is read: a damaged package
    // gives false, and what was read before the damage stays.
    virtual bool ReadProgram(GxContentReaderBase& reader);

    // The EXTERN table by save class.
    virtual bool WriteVariables(GxContentWriterBase& writer, int32_t saveClass);
    virtual bool ReadVariables(GxContentReaderBase& reader, int32_t saveClass);
    // ResetVariables, the table's Read, then CreateExternVariables.
    virtual bool ReloadVariables(GxContentReaderBase& reader, int32_t saveClass);
    // Empties the table, then creates every definition of scope 8, 9 or 10 in order.
    virtual void InitExternVariables();
    // The same creation without emptying: existing variables keep their values.
    virtual void CreateExternVariables();
    // Each variable of scope 8, 9 or 10 in the class takes its definition's initial value.
    virtual void ResetVariables(int32_t saveClass);
    // ResetVariables (3), then (4): the reset of a new game. Always true.
    virtual bool ResetInGameVariables();

    // Reports. The base class only counts errors and warnings; the game's instance logs them.
    // A trace without arguments is text, not a format.
    virtual void OutputTraceArgs(std::u16string_view format, const GxFmtArg* args, size_t count);
    // line is 0-based.
    virtual void OutputWarningArgs(std::u16string_view scriptName, int32_t line, std::u16string_view format,
                                   const GxFmtArg* args, size_t count);
    virtual void OutputErrorArgs(std::u16string_view scriptName, int32_t line, std::u16string_view format,
                                 const GxFmtArg* args, size_t count);

    template <typename... Args>
    void OutputTrace(std::u16string_view format, const Args&... args)
    {
        if constexpr (sizeof...(Args) == 0) {
            OutputTraceArgs(format, nullptr, 0);
        } else {
            const GxFmtArg a[] = {GxMakeFmtArg(args)...};
            OutputTraceArgs(format, a, sizeof...(Args));
        }
    }
    template <typename... Args>
    void OutputWarning(std::u16string_view scriptName, int32_t line, std::u16string_view format, const Args&... args)
    {
        if constexpr (sizeof...(Args) == 0) {
            OutputWarningArgs(scriptName, line, format, nullptr, 0);
        } else {
            const GxFmtArg a[] = {GxMakeFmtArg(args)...};
            OutputWarningArgs(scriptName, line, format, a, sizeof...(Args));
        }
    }
    template <typename... Args>
    void OutputError(std::u16string_view scriptName, int32_t line, std::u16string_view format, const Args&... args)
    {
        if constexpr (sizeof...(Args) == 0) {
            OutputErrorArgs(scriptName, line, format, nullptr, 0);
        } else {
            const GxFmtArg a[] = {GxMakeFmtArg(args)...};
            OutputErrorArgs(scriptName, line, format, a, sizeof...(Args));
        }
    }

    const GxMoaVariableTable& GetVariableTable() const { return m_Variables; }

    // Stores the script under its name; false (the script is deleted) when the name is present.
    // Package builders assemble a program this way; a loaded program gets its scripts from
    // ReadProgram.
    bool AddScript(std::unique_ptr<GxMoaScript> script);

    // Set after a reported script error; while set no worker runs.
    bool IsErrorStop() const { return m_ErrorStop; }
    void SetErrorStop(bool on = true) { m_ErrorStop = on; }
    // Set when a breakpoint token is met.
    bool IsBreakpoint() const { return m_Breakpoint; }
    void SetBreakpoint(bool on = true) { m_Breakpoint = on; }
    // OutputError / OutputWarning calls since the last ResetRunState.
    uint32_t GetErrorCount() const { return m_ErrorCount; }
    uint32_t GetWarningCount() const { return m_WarningCount; }

    // The stored model. Maps are ordered by name (ordinal comparison).
    GxMoaLabelMap m_pLabelDefine;                        // global labels
    std::vector<GxMoaVariableDefinition> m_VariableDefine;  // GLOBAL and EXTERN definitions
    std::vector<GxMoaBuiltinDefinition> m_BuiltinDefine;
    GxMoaScriptMap m_pScriptDefine;

private:
    std::map<std::u16string, std::unique_ptr<GxMoaVariable>, std::less<>> m_NamedValues;  // never stored
    GxMoaVariableTable m_Variables{MOATABLE_EXTERN};
    bool m_ErrorStop = false;
    bool m_Breakpoint = false;
    uint32_t m_ErrorCount = 0;
    uint32_t m_WarningCount = 0;
};

// Scope codes of the EXTERN variables, which the program instance creates and resets.
inline bool GxMoaIsExternScope(int32_t scope)
{
    return scope == MOASCOPE_EXTERN_PERMAN || scope == MOASCOPE_EXTERN_INGAME || scope == MOASCOPE_EXTERN_NOSAVE;
}
