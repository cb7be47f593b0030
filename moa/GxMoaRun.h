// The statement loop of a worker: one call runs at most one statement at the position of the
// worker's top block and tells whether the worker may be called again.
//
// Expression statements go to the executor, which compiles the line when it is reached and runs
// it. The loop itself moves the position through IF / ELSE / ELSE-with-condition chains by the
// branch positions the compiler stored, and over labels, text lines, declaration lines and
// breakpoints. Loops (WHILE, FOR, DO, CONTINUE, BREAK) are not part of the language as this
// runtime runs it: they are reported and stop the script.
#pragma once

class GxMoaBuiltin;
class GxMoaWorker;

// True: the worker still has an exec stack and may be called for the next statement. False: it
// stopped (empty stack, missing script, error stop, failed evaluation, end of the script).
bool GxMoaRunStatement(GxMoaWorker& worker, GxMoaBuiltin* builtins);
