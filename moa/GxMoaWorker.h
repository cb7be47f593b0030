// A worker: one thread of script execution over the program instance.
//
// It holds the exec stack of open blocks (positions and local variables), the value stack of
// the executor, the GLOBAL variables, one script entity per script (with that script's STATIC
// variables) and the result of the last return or exit. Labels are entered by pushing a normal
// block (type 1) at the label's position; jumps and returns first unwind the inner blocks (IF,
// ELSE, loops) above the current normal block.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "core/GxFormat.h"
#include "moa/GxMoa.h"
#include "moa/GxMoaExec.h"
#include "moa/GxMoaVariable.h"
#include "moa/GxMoaVariableTable.h"

class GxContentWriterBase;
class GxContentReaderBase;
class GxMoaBuiltin;

using GxMoaScriptEntityMap = std::map<std::u16string, std::unique_ptr<GxMoaScriptEntity>, std::less<>>;

class GxMoaWorker
{
public:
    // The deepest exec stack a call may make: far beyond any real script, and it keeps a label
    // that calls itself without end from taking all memory. A call past it is a script error.
    static constexpr size_t kMaxCallDepth = 10000;

    // Name "MAIN_WORKER", empty tables and stacks, a Null result.
    explicit GxMoaWorker(GxMoa* owner);
    GxMoaWorker(const GxMoaWorker&) = delete;
    GxMoaWorker& operator=(const GxMoaWorker&) = delete;
    virtual ~GxMoaWorker();

    // The worker's globals, then the owner's externs.
    virtual GxMoaVariableSet* FindVariable(std::u16string_view name) const;

    // Saved run state: "m_Name", list "m_ExecStack" (bottom to top), list "m_ValueStack"
    // (bottom to top), then the result value. True when the stream's error count is 0.
    virtual bool WriteRunState(GxContentWriterBase& writer) const;
    // Replaces the name, both stacks and the result with what the stream holds. Lists are read
    // item by item while the stream stays sound; what was read before a failure stays.
    virtual bool ReadRunState(GxContentReaderBase& reader);

    // The globals of the save class, "m_pScriptEntitySize" (S32), then per entity in name order
    // "m_ScriptName" and its statics of the class.
    virtual bool WriteScriptVariables(GxContentWriterBase& writer, int32_t saveClass) const;
    // The same order. Statics of a script that the program no longer has are read and dropped.
    virtual bool ReadScriptVariables(GxContentReaderBase& reader, int32_t saveClass);
    // ResetVariables (class), the read as above with the entities' ReloadVariables, then
    // CreateGlobalVariables.
    virtual bool ReloadScriptVariables(GxContentReaderBase& reader, int32_t saveClass);
    // Empties the globals and the entities, then creates the globals (scopes 5-7) from the
    // owner's definitions and one entity per script with its statics (scopes 2-4). Blocks on
    // the exec stack are bound to the new entities by script name.
    virtual void CreateScriptEntities();
    // The same creation without emptying: existing variables keep their values.
    virtual void CreateGlobalVariables();
    // Globals (scopes 5-7) and every entity's statics of the class take their definitions'
    // initial values (Null without a definition).
    virtual void ResetVariables(int32_t saveClass);

    // "----Worker:name", the globals, each entity's statics, each block's locals, as text lines
    // appended to out.
    virtual void Dump(std::u16string& out, int32_t level) const;
    // ClearExecStack, ResetVariables (3) and (4). Always true.
    virtual bool Reset();

    // Label operations: true when the label was found; otherwise nothing changes. arg, when
    // given, becomes a local variable of the label's block under the arg's name.
    // Label of the current script (the innermost normal block's entity): unwinds to the current
    // normal block, replaces it with the label's block.
    virtual bool JumpToLabel(std::u16string_view label, const GxMoaVariableSet* arg);
    // ClearExecStack, then JumpToLabel.
    virtual bool StartAtLabel(std::u16string_view label, const GxMoaVariableSet* arg);
    // Pushes the label's block above the current stack. With kMaxCallDepth blocks on it the call
    // is refused: reported as a script error at the caller's line, the program stopped on the
    // error, false returned.
    virtual bool CallLabel(std::u16string_view label, const GxMoaVariableSet* arg);
    // The result becomes a copy of value (Null when none). False on an empty stack; otherwise
    // unwinds, removes the caller's normal block and tells whether blocks remain.
    virtual bool ReturnFromCall(const GxMoaVariable* value);
    // The result becomes a copy of value (Null when none); both stacks are emptied.
    virtual void Exit(const GxMoaVariable* value);
    // ClearExecStack.
    virtual void Stop();
    // ClearExecStack, ResetVariables (3) and (4), then JumpToScriptLabel.
    virtual bool RestartAtScriptLabel(std::u16string_view label, std::u16string_view script,
                                      const GxMoaVariableSet* arg);
    // The forms that name the script whose local ("@") labels are searched.
    virtual bool JumpToScriptLabel(std::u16string_view label, std::u16string_view script, const GxMoaVariableSet* arg);
    virtual bool StartAtScriptLabel(std::u16string_view label, std::u16string_view script,
                                    const GxMoaVariableSet* arg);
    virtual bool CallScriptLabel(std::u16string_view label, std::u16string_view script, const GxMoaVariableSet* arg);
    // The exec stack holds kMaxCallDepth blocks: a call now is refused.
    bool IsCallDepthReached() const { return m_ExecStack.size() >= kMaxCallDepth; }

    // Queries. element null: the top element.
    virtual bool IsRunning() const;
    virtual std::u16string GetScriptName(const GxMoaExecStackElement* element) const;
    // 1 + the nearest line at or above the element's line that holds a token (lines 1 and up
    // are searched; 0 when none); the element's line without an entity; -1 without an element.
    virtual int32_t GetSourceLine(const GxMoaExecStackElement* element) const;
    // The element's 0-based line; -1 without an element.
    virtual int32_t GetLine(const GxMoaExecStackElement* element) const;
    virtual GxMoaExecStack& GetExecStack() { return m_ExecStack; }

    // OutputError of the owner with "subject:message": the entity's script name ("*" without),
    // the line of the stack's top element (-1 without). The message is cut at 1023 units.
    virtual void ReportErrorArgs(std::u16string_view subject, const GxMoaScriptEntity* entity,
                                 const GxMoaExecStack* stack, std::u16string_view format, const GxFmtArg* args,
                                 size_t count);
    template <typename... Args>
    void ReportError(std::u16string_view subject, const GxMoaScriptEntity* entity, const GxMoaExecStack* stack,
                     std::u16string_view format, const Args&... args)
    {
        if constexpr (sizeof...(Args) == 0) {
            ReportErrorArgs(subject, entity, stack, format, nullptr, 0);
        } else {
            const GxFmtArg a[] = {GxMakeFmtArg(args)...};
            ReportErrorArgs(subject, entity, stack, format, a, sizeof...(Args));
        }
    }

    // Executes at most one statement at the top element's position. True while the worker may
    // be called again.
    virtual bool Run(GxMoaBuiltin* builtins);

    // Empties both stacks (keeping room for 8 each) and sets the result to Null.
    void ClearExecStack();
    GxMoaScriptEntity* FindScriptEntity(std::u16string_view scriptName) const;
    const GxMoaScriptEntityMap& GetScriptEntities() const { return m_ScriptEntities; }

    GxMoa* GetOwner() const { return m_pOwner; }
    const GxMoaExecStack& GetExecStack() const { return m_ExecStack; }
    GxMoaValueStack& GetValueStack() { return m_ValueStack; }
    const GxMoaValueStack& GetValueStack() const { return m_ValueStack; }
    GxMoaVariable& GetResult() { return m_Result; }
    const GxMoaVariable& GetResult() const { return m_Result; }
    GxMoaVariableTable& GetVariableTable() { return m_Variables; }
    const GxMoaVariableTable& GetVariableTable() const { return m_Variables; }

    std::u16string m_Name;

private:
    // The label's block: type 1 at the label's position, bound to its script's entity, with the
    // argument as a local.
    void PushLabelBlock(const GxMoaLabelDefinition& label, const GxMoaVariableSet* arg);
    // The entity of the innermost normal block, or null.
    GxMoaScriptEntity* CurrentEntity() const;
    // Unwinds the inner blocks and removes the top element (when any).
    void DropCurrentBlock();
    // True when a call must be refused; it is then reported and the program stops on it.
    bool RefuseDeepCall(std::u16string_view label);
    bool ReadEntityVariables(GxContentReaderBase& reader, int32_t saveClass, bool reload);

    GxMoa* m_pOwner;
    GxMoaVariableTable m_Variables{MOATABLE_GLOBAL};
    GxMoaScriptEntityMap m_ScriptEntities;
    GxMoaExecStack m_ExecStack;
    GxMoaValueStack m_ValueStack;
    GxMoaVariable m_Result;
};
