// The expression compiler: one statement's tokens into a postfix opcode list.
//
// Statements are compiled each time they are reached (nothing is cached), so this runs on
// every step of every script: it only appends to the caller's list, whose storage the caller
// keeps from one statement to the next, and reads token texts without copying them until they
// become operands.
//
// An opcode list is a sequence of script values: each opcode an Opcode value, followed directly
// by its operands (Int, Float or Str). Variables and builtins are named by their text; only a
// builtin's index, which its token carries, is known at compile time.
//
// Grammar, loosest level first (all binary levels left-associative):
//   logical && ||   bitwise & | ^   equality == !=   relational > >= < <=   shift << >>
//   additive + - :   multiplicative * / %   unary + - ~ !   term
// Assignment belongs to the term of its target and takes a whole expression on its right, so
// a = b = 1 chains to the right and y + x = 3 is y + (x = 3).
//
// Compilation never leaves the statement's line: past the line's last token every routine sees
// the end token. On the first error the routine reports it through the script's program
// instance ("message[token description]") and every level returns false at once; the list keeps
// what was appended before.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "moa/GxMoaToken.h"
#include "moa/GxMoaVariable.h"

class GxMoaScript;

// Opcode numbers. The operator opcodes (15-51) are the operator token types (42-78) minus 27.
enum GxMoaOpcode : int32_t
{
    MOAOPC_NONE = 0,
    MOAOPC_SEPARATOR = 1,
    MOAOPC_PUSH_INT = 2,          // + Int
    MOAOPC_PUSH_FLT = 3,          // + Float
    MOAOPC_PUSH_STR = 4,          // + Str
    MOAOPC_PUSH_NULL = 5,
    MOAOPC_PUSH_VAR = 6,          // + Str (variable name)
    MOAOPC_PUSH_VARARY = 7,       // + Str (array name); the subscript's code stands before it
    MOAOPC_ALTER_VAR = 8,         // + Str: the target of the assignment or postfix opcode before it
    MOAOPC_ALTER_VARARY = 9,      // + Str: the same for an array element
    MOAOPC_CALL_BUILTIN = 10,     // + Int (builtin index) + Str (builtin name)
    MOAOPC_ELEMENT = 11,
    MOAOPC_ELEMENTNUM = 12,       // + Int: the number of elements before it
    MOAOPC_ARRAYINIT = 13,
    MOAOPC_ARRAYINDEX = 14,
    MOAOPC_EQ = 15,
    MOAOPC_NE = 16,
    MOAOPC_GT = 17,
    MOAOPC_GE = 18,
    MOAOPC_LT = 19,
    MOAOPC_LE = 20,
    MOAOPC_ADD = 21,
    MOAOPC_CONCAT = 22,
    MOAOPC_SUB = 23,
    MOAOPC_MUL = 24,
    MOAOPC_DIV = 25,
    MOAOPC_MOD = 26,
    MOAOPC_PLUS = 27,
    MOAOPC_MINUS = 28,
    MOAOPC_BITAND = 29,
    MOAOPC_BITOR = 30,
    MOAOPC_BITXOR = 31,
    MOAOPC_BITNOT = 32,
    MOAOPC_SHL = 33,
    MOAOPC_SHR = 34,
    MOAOPC_NOT = 35,
    MOAOPC_LOGAND = 36,
    MOAOPC_LOGOR = 37,
    MOAOPC_PREINC = 38,
    MOAOPC_PREDEC = 39,
    MOAOPC_POSTINC = 40,          // then ALTER_VAR / ALTER_VARARY and the name
    MOAOPC_POSTDEC = 41,
    MOAOPC_ASSIGN = 42,           // after the right-hand side; then ALTER_VAR / ALTER_VARARY
    MOAOPC_ADDASSIGN = 43,
    MOAOPC_CONCATASSIGN = 44,
    MOAOPC_SUBASSIGN = 45,
    MOAOPC_MULASSIGN = 46,
    MOAOPC_DIVASSIGN = 47,
    MOAOPC_MODASSIGN = 48,
    MOAOPC_ANDASSIGN = 49,
    MOAOPC_ORASSIGN = 50,
    MOAOPC_XORASSIGN = 51,
    MOAOPC_COUNT = 52,
};

// Restriction flags of a compilation, passed unchanged down every level.
enum : uint32_t
{
    MOACOMPILE_NO_VARIABLE = 1,   // no variables or array variables
    MOACOMPILE_NO_BUILTIN = 4,    // no builtin calls
    MOACOMPILE_NO_ALTER = 8,      // no assignment, compound assignment, ++ or --
};

// The opcode list of one statement. Empty it with clear(): the storage stays for the next one.
using GxMoaOpcodeList = std::vector<GxMoaVariable>;

// The compiler's routines. They are static: they reach the program instance, for errors and
// the breakpoint flag, through the script's owner. Each returns true on success.
class GxMoaCompiler
{
public:
    // One whole expression from start; out = the first position after it (its terminator: the
    // end of the line, ";", ",", "}", "]" or ")", which is not consumed).
    static bool Phase_Expr(const GxMoaScript* script, GxMoaOpcodeList& list, GxMoaRunPos start, GxMoaRunPos& out,
                           uint32_t flags);

    // The binary levels, loosest first.
    static bool Phase_LogicalOp(GxMoaRunPos& out, const GxMoaScript* script, GxMoaOpcodeList& list,
                                GxMoaRunPos start, uint32_t flags);
    static bool Phase_BitOp(GxMoaRunPos& out, const GxMoaScript* script, GxMoaOpcodeList& list, GxMoaRunPos start,
                            uint32_t flags);
    static bool Phase_CompEqNeOp(GxMoaRunPos& out, const GxMoaScript* script, GxMoaOpcodeList& list,
                                 GxMoaRunPos start, uint32_t flags);
    static bool Phase_CompLeGeOp(GxMoaRunPos& out, const GxMoaScript* script, GxMoaOpcodeList& list,
                                 GxMoaRunPos start, uint32_t flags);
    static bool Phase_BitShiftOp(GxMoaRunPos& out, const GxMoaScript* script, GxMoaOpcodeList& list,
                                 GxMoaRunPos start, uint32_t flags);
    static bool Phase_AddOp(GxMoaRunPos& out, const GxMoaScript* script, GxMoaOpcodeList& list, GxMoaRunPos start,
                            uint32_t flags);
    static bool Phase_MulOp(GxMoaRunPos& out, const GxMoaScript* script, GxMoaOpcodeList& list, GxMoaRunPos start,
                            uint32_t flags);

    // A unary operator with its one term, or a term.
    static bool Phase_SingleOp(const GxMoaScript* script, GxMoaOpcodeList& list, GxMoaRunPos start,
                               GxMoaRunPos& out, uint32_t flags);
    // One operand: a literal, a variable or array element (with its assignment or ++ / --), a
    // builtin call, ARRAY(...), a bracketed expression or a unary operator. At a terminator it
    // succeeds without consuming anything (an empty operand).
    static bool Phase_Term(const GxMoaScript* script, GxMoaOpcodeList& list, GxMoaRunPos start, GxMoaRunPos& out,
                           uint32_t flags);
    // The right side of an assignment, from the assignment operator at start on.
    static bool Phase_AssignOp(GxMoaRunPos& out, const GxMoaScript* script, GxMoaOpcodeList& list,
                               GxMoaRunPos start, uint32_t flags);
    // An element list (arguments, ARRAY contents) up to, not including, its ")" or "]", closed
    // by ELEMENTNUM and the count. Empty elements push Null: f(a,,b) has three.
    static bool Phase_Element(const GxMoaScript* script, GxMoaOpcodeList& list, GxMoaRunPos start,
                              GxMoaRunPos& out, uint32_t flags);
    // Consumes one token of the expected type.
    static bool Phase_Skip(GxMoaRunPos& out, int32_t expectedType, const GxMoaScript* script, GxMoaRunPos position);

    // The checks around an operator at the position: a term may begin after it / a term ends
    // before it. Both report their own error.
    static bool Phase_IsTermLeft(const GxMoaScript* script, const GxMoaRunPos& position);
    static bool Phase_IsTermRight(const GxMoaScript* script, const GxMoaRunPos& position);
    // Right, then left.
    static bool Phase_IsTermBoth(const GxMoaScript* script, const GxMoaRunPos& position);

    static void AddOpcode(GxMoaOpcodeList& list, int32_t opcode)
    {
        list.emplace_back().SetOpcode(opcode);
    }

    // Reports "message[token description]" ("トークン無し" without a token) through the
    // script's program instance at the position's line.
    static void Phase_ReportError(const GxMoaToken* token, std::u16string_view message, const GxMoaScript* script,
                                  const GxMoaRunPos& position);
};
