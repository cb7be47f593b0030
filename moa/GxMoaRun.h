// The statement loop of a worker: one call runs at most one statement at the position of the
// worker's top block and tells whether the worker may be called again.
//
// Expression statements go to the executor, which compiles the line when it is reached and runs
// it. The loop itself moves the position through IF / ELSE / ELSE-with-condition chains by the
// branch positions the compiler stored, and over labels, text lines, declaration lines and
// breakpoints. Loops (WHILE, FOR, DO, CONTINUE, BREAK) are not part of the language as this
// runtime runs it: they are reported and stop the script.
//
// A worker of the game gives text lines and unknown words a meaning of its own: it passes a
// handler for them, and each such line then is one statement.
#pragma once

#include <string_view>

class GxMoaBuiltin;
class GxMoaToken;
class GxMoaWorker;

class GxMoaLineHandler
{
public:
    virtual ~GxMoaLineHandler() = default;
    // A text line (the token at the top block's position). The loop steps past it afterwards.
    virtual void TextLine(GxMoaWorker& worker, std::u16string_view text) = 0;
    // A word the compiler did not recognise, at the top block's position. The handler moves the
    // position past what it took; false after its own report (it sets the error stop).
    virtual bool UnknownWord(GxMoaWorker& worker, GxMoaBuiltin* builtins, const GxMoaToken& token) = 0;
};

// True: the worker still has an exec stack and may be called for the next statement. False: it
// stopped (empty stack, missing script, error stop, failed evaluation, end of the script).
// Without a line handler text lines go to the trace and unknown words are skipped with a
// warning, and neither counts as a statement.
bool GxMoaRunStatement(GxMoaWorker& worker, GxMoaBuiltin* builtins, GxMoaLineHandler* lines = nullptr);
