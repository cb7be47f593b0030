// Shared by the fuzz targets that run scripts: the generic builtins without the one that writes
// a dump file at a path taken from the data.
#pragma once

#include <cstdint>
#include <string_view>

#include "moa/GxMoaBuiltinDefault.h"

namespace gxfuzz {

class FuzzBuiltins : public GxMoaBuiltinDefault
{
public:
    bool CallBuiltin(std::u16string_view name, int32_t index, GxMoaVariable& args, GxMoaWorker& worker,
                     GxMoaScriptEntity* entity, GxMoaExecStack& execStack, GxMoaVariable& result) override
    {
        if (index == 17) return true;
        return GxMoaBuiltinDefault::CallBuiltin(name, index, args, worker, entity, execStack, result);
    }
};

}  // namespace gxfuzz
