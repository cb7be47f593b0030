// The builtins that belong to the script language itself, by index: conversions and type
// tests (1-5), trace and log output (6-8), file tests (9, 10), strings (11-15), label test (16),
// the debug dump file (17), locale, time zone, clock and date parts (20-31), the current
// directory (32), jumps, calls, returns and exit (64-71) and math (100-108).
//
// The game's command set derives from this class and hands these indices down. An argument
// the script did not write reads as Null (0, 0.0 or empty text); no builtin fails for a bad
// argument type. Only an unknown index, or a jump or call to a label that does not exist,
// returns false.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "moa/GxMoaBuiltin.h"

class GxMoa;

class GxMoaBuiltinDefault : public GxMoaBuiltin
{
public:
    bool CallBuiltin(std::u16string_view name, int32_t index, GxMoaVariable& args, GxMoaWorker& worker,
                     GxMoaScriptEntity* entity, GxMoaExecStack& execStack, GxMoaVariable& result) override;
};

// The program instance's dump: "--MoaInstance:" and its EXTERN variables at the level.
void GxMoaDumpProgram(const GxMoa& program, std::u16string& out, int32_t level);

// Writes text to path as UTF-16 little-endian with a byte-order mark, every "\n" as CR LF.
// False when the file cannot be written.
bool GxMoaWriteDumpFile(std::u16string_view path, std::u16string_view text);
