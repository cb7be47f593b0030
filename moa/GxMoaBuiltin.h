// The interface through which the executor calls builtins.
//
// A script calls a builtin by name; the compiled package gives each name an index, and the
// executor hands index, name and arguments to one virtual call. The generic builtins and the
// game's command set derive from this.
#pragma once

#include <cstdint>
#include <string_view>

#include "moa/GxMoaExec.h"

class GxMoaVariable;
class GxMoaWorker;
class GxMoaScriptEntity;

class GxMoaBuiltin
{
public:
    virtual ~GxMoaBuiltin() = default;

    // args: an Array whose element 0 is the first argument written in the script. entity: the
    // script entity of the executing statement, or null. execStack: the worker's exec stack,
    // which the builtin may change (jumps, calls, returns) through the worker. result: Null on
    // entry; the builtin stores its value there. False when the builtin failed or does not
    // exist: the executor reports it and stops the script.
    virtual bool CallBuiltin(std::u16string_view name, int32_t index, GxMoaVariable& args, GxMoaWorker& worker,
                             GxMoaScriptEntity* entity, GxMoaExecStack& execStack, GxMoaVariable& result) = 0;
};
