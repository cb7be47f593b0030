// The opcode executor: runs one compiled statement of a worker on its value stack.
//
// A worker keeps a stack of open blocks (GxMoaExecStackElement, innermost last). Each block
// holds where it runs, its own variables and the opcode list of the statement being run in it.
// Eval_Token compiles the statement at a position into the innermost block's list and runs it
// with Exec_Opcode; the executor pushes operands, applies the value operators, reads, creates
// and assigns variables through the scope chain (the innermost normal block's locals, then the
// script entity's statics, the worker's globals and the program's externs) and calls builtins.
//
// A builtin may jump, call or return, which changes the exec stack under the executor: the
// executor therefore holds its blocks by index and ends the statement as soon as the block it
// runs in is no longer the top of the stack.
//
// Every error goes through the program instance's OutputError as "message[pc=n]" and makes
// the statement fail; Eval_Token then sets the instance's error-stop flag.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "moa/GxMoa.h"
#include "moa/GxMoaCompiler.h"
#include "moa/GxMoaVariable.h"
#include "moa/GxMoaVariableTable.h"

class GxContentWriterBase;
class GxContentReaderBase;
class GxMoaBuiltin;
class GxMoaWorker;

// Kinds of blocks on the exec stack.
enum GxMoaBlockType : int32_t
{
    MOABLOCK_UNKNOWN = 0,
    MOABLOCK_NORMAL = 1,     // the body entered by a jump to or call of a label; holds the locals
    MOABLOCK_FUNCTION = 2,
    MOABLOCK_IF = 3,
    MOABLOCK_ELSE = 4,
    MOABLOCK_WHILE = 5,
    MOABLOCK_FOR = 6,
    MOABLOCK_DO = 7,
    MOABLOCK_SUB = 8,
};

// "不明", "通常ブロック", ... "通常SUBブロック"; "不明" for any other code.
std::u16string_view GxMoaGetBlockTypeName(int32_t blockType);

// Blocks that a jump or return unwinds (IF, ELSE, loops and nested plain blocks).
inline bool GxMoaIsInnerBlock(int32_t blockType)
{
    return blockType >= MOABLOCK_IF && blockType <= MOABLOCK_SUB;
}

// One open block of a worker.
class GxMoaExecStackElement
{
public:
    GxMoaExecStackElement();
    GxMoaExecStackElement(const GxMoaExecStackElement&) = default;
    GxMoaExecStackElement(GxMoaExecStackElement&&) noexcept = default;
    GxMoaExecStackElement& operator=(const GxMoaExecStackElement&) = default;
    GxMoaExecStackElement& operator=(GxMoaExecStackElement&&) noexcept = default;
    virtual ~GxMoaExecStackElement() = default;

    // "m_BlockType" (S32), the position, the variables (every one), list "m_OpcodeList",
    // "m_OpcodePos" (S32).
    virtual bool Write(GxContentWriterBase& writer) const;
    // The same order. The position is bound to the worker's script entity of its script name
    // (none for an empty name or without a worker). The list is read entry by entry while the
    // stream stays sound, so a damaged count never sizes anything.
    virtual bool Read(GxContentReaderBase& reader, GxMoaWorker* worker);

    // Empties the opcode list (keeping room for 16 entries) and sets the pc to 0.
    void ResetOpcodeList();

    // Identity of the block while it is on the stack: copies and moves keep it, a new block gets
    // a new one. The executor compares it to tell whether a builtin replaced its block. Not
    // stored.
    uint64_t GetSerial() const { return m_Serial; }

    int32_t m_BlockType = MOABLOCK_UNKNOWN;
    GxMoaScriptPos m_Pos;                       // line 0, pos -1, no entity, no name
    GxMoaVariableTable m_Variables{MOATABLE_LOCAL};
    GxMoaOpcodeList m_OpcodeList;
    int32_t m_OpcodePos = 0;                    // the next entry to execute (pc)

private:
    uint64_t m_Serial;
};

using GxMoaExecStack = std::vector<GxMoaExecStackElement>;
using GxMoaValueStack = std::vector<GxMoaVariable>;

// The top element, or null.
GxMoaExecStackElement* GxMoaGetExecStackTop(GxMoaExecStack& stack);
// From the top down, the first element of block type 1 (the level of local variables), or null.
GxMoaExecStackElement* GxMoaFindNormalBlock(GxMoaExecStack& stack);
// The same as an index; -1 when there is none.
int32_t GxMoaFindNormalBlockIndex(const GxMoaExecStack& stack);
// Removes top elements while they are inner blocks (types 3 to 8).
void GxMoaUnwindInnerBlocks(GxMoaExecStack& stack);
// The scope chain: the normal block's locals, then the entity's chain (statics, the worker's
// globals, the externs), or without an entity the worker's own look-up. Null when not found or
// when neither an entity nor a worker is given.
GxMoaVariableSet* GxMoaLookupVariable(std::u16string_view name, GxMoaExecStackElement* normalBlock,
                                      GxMoaScriptEntity* entity, GxMoaWorker* worker);

class GxMoaExec
{
public:
    // Runs the opcode list of the worker's top element from its pc to the end. The entity is the
    // one of that element's position (its script names the script in messages; "*" without).
    // True when the list ran to its end, also for an empty stack or list, and when a builtin
    // changed the exec stack (the statement ends there). False after a reported error.
    static bool Exec_Opcode(GxMoa& moa, GxMoaBuiltin* builtin, GxMoaScriptEntity* entity, GxMoaWorker* worker,
                            bool reportLocalCreation);

    // Compiles the statement at start into the top element's list and runs it. The position
    // record is left after the expression by the compiler (it is not touched after the run, so
    // it may be the top element's own position). The result, when given, receives the single
    // value left on the value stack (Null when there is not exactly one). False (error-stop
    // flag set) when there is no element, no script, or compilation or execution fails.
    static bool Eval_Token(GxMoa& moa, GxMoaVariable* result, GxMoaBuiltin* builtin, GxMoaWorker* worker,
                           GxMoaRunPos start, GxMoaRunPos& position, bool reportLocalCreation);
};
